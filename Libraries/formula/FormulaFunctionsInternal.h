#pragma once
// Shared pieces of the function library's implementation files.

#include "UFormulaFunctions.h"

#include <vector>

// Each topic file lists its classes; the registration finds them by name.
void CollectLogicFunctions(std::vector<const TFEClass*>& out);
void CollectMathFunctions(std::vector<const TFEClass*>& out);
void CollectTextFunctions(std::vector<const TFEClass*>& out);
void CollectDateFunctions(std::vector<const TFEClass*>& out);
void CollectJSONFunctions(std::vector<const TFEClass*>& out);

namespace formula_detail {

// Rounding to nearest with halves to even.
double roundEven(double x);
// round(num(p)) as a 64-bit integer; EInvalidOp outside the range.
long long roundToInt64(double x);
// copy(s, i, n) with 1-based i.
QString copyText(const QString& s, long long index, long long count);
// The number-from-expression rule (date(pN)).
double dateOf(TFEExpression* param);
[[noreturn]] void evalError(const char* errorValue);

} // namespace formula_detail

// A function whose result is a number computed by EvaluateNum.
class TFENumFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFENumFunction, TFEFunction)
public:
    TFENumFunction() { Flags = feFoldable; }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
};

// A function whose result is a text computed by EvaluateString.
class TFEStrFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEStrFunction, TFEFunction)
public:
    TFEStrFunction() { Flags = feFoldable; }
    TFEResultKind ResultKind() const override { return rkString; }
    Variant Evaluate() override { return Variant(EvaluateString()); }
};

// A function whose result is a date-time computed by EvaluateNum.
class TFEDateFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEDateFunction, TFEFunction)
public:
    TFEDateFunction() { Flags = feFoldable; }
    TFEResultKind ResultKind() const override { return rkDateTime; }
    Variant Evaluate() override { return Variant::fromDateTime(EvaluateNum()); }
};

#define FE_PARAMS(lo, hi) \
    MinParams = lo;       \
    MaxParams = hi
