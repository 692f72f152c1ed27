// The standard operators of the formula language.
#include "UFormulaParser.h"

#include <cfloat>
#include <cmath>

namespace {

// The number of an operand for "^": the variant-to-double conversion, with
// error values passed on as errors.
double powerOperand(TFEExpression* node) {
    if (node->ResultKind() == rkNumber)
        return node->EvaluateNum();
    const Variant v = node->Evaluate();
    CheckErrorValue(v);
    return VarToDouble(v);
}

} // namespace

// ---------------------------------------------------------------------------

Variant TFEBoolNot::Evaluate() {
    return Variant(!FormulaTruth(FOperand->Evaluate()));
}

TFEResultKind TFEAddition::ResultKind() const {
    const TFEResultKind l = FLeft->ResultKind(), r = FRight->ResultKind();
    if (l == r && (l == rkNumber || l == rkString || l == rkList))
        return l;
    return rkVariant;
}

Variant TFEAddition::Evaluate() {
    Variant l = FLeft->Evaluate();
    if (l.isEmpty())
        return FRight->Evaluate();
    Variant r = FRight->Evaluate();
    if (r.isEmpty())
        return l;
    if (l.isString() || r.isString()) {
        QString text = VarToStr(l);
        const QString right = VarToStr(r);
        if (text.size() + right.size() > FormulaMaxTextLength)
            throw EEvalError(QStringLiteral("#ERR!"));
        return Variant(text + right);
    }
    if (l.isList() || r.isList()) {
        VariantList items;
        if (l.isList())
            items = l.asList();
        else
            items.append(l);
        if (r.isList())
            items.append(r.asList());
        else
            items.append(r);
        return Variant(items);
    }
    if (l.isNull() || r.isNull())
        return Variant::null();
    if (l.type() == VarType::Integer && r.type() == VarType::Integer) {
        qint64 sum = 0;
        if (!__builtin_add_overflow(l.asInteger(), r.asInteger(), &sum))
            return Variant(sum);
    }
    const double sum = VarToDouble(l) + VarToDouble(r);
    if (l.type() == VarType::DateTime || r.type() == VarType::DateTime)
        return Variant::fromDateTime(sum);
    return Variant(sum);
}

double TFEAddition::EvaluateNum() {
    if (ResultKind() == rkNumber)
        return FLeft->EvaluateNum() + FRight->EvaluateNum();
    const Variant v = Evaluate();
    CheckErrorValue(v);
    return VarToDouble(v);
}

TFENodePtr TFEAddition::FoldedNode() {
    if (TFENodePtr folded = TFEExpression::FoldedNode())
        return folded;
    if (FLeft->ResultKind() != rkNumber || FRight->ResultKind() != rkNumber)
        return nullptr;
    auto sum = std::make_unique<TFENumAddition>();
    sum->Position = Position;
    sum->Length = Length;
    sum->AddTerm(TakeLeft());
    sum->AddTerm(TakeRight());
    return sum;
}

Variant TFESubtraction::Evaluate() {
    const Variant l = FLeft->Evaluate();
    if (l.isEmpty())
        return Variant(-FRight->EvaluateNum());
    if (l.type() == VarType::DateTime) {
        const Variant r = FRight->Evaluate();
        if (r.type() == VarType::DateTime)
            return Variant(l.asDateTime() - r.asDateTime());
        return Variant::fromDateTime(l.asDateTime() - FormulaValueNum(r));
    }
    return Variant(FormulaValueNum(l) - FRight->EvaluateNum());
}

double TFEDivision::EvaluateNum() {
    const double a = FLeft->EvaluateNum();
    const double b = FRight->EvaluateNum();
    if (b != 0)
        return a / b;
    if (a == 0 || std::isnan(a))
        return std::numeric_limits<double>::quiet_NaN();
    return a > 0 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
}

double TFEModulo::EvaluateNum() {
    const double a = FLeft->EvaluateNum();
    const double b = FRight->EvaluateNum();
    if (b == 0)
        throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    return a - b * std::trunc(a / b);
}

double TFEPower::Power(double x, double y) {
    if (y == 0)
        return 1;
    if (y == 1)
        return x;
    if (x == 0)
        return y > 0 ? 0 : std::numeric_limits<double>::infinity();
    if (std::trunc(y) == y && std::fabs(y) < 2147483647.0) {
        long long n = static_cast<long long>(std::fabs(y));
        long double base = y < 0 ? 1.0L / x : static_cast<long double>(x);
        long double result = 1;
        while (n) {
            if (n & 1)
                result *= base;
            n >>= 1;
            if (n)
                base *= base;
        }
        // a result too small for the extended format has underflowed: it is 0
        if (std::fabs(result) < LDBL_MIN)
            return 0;
        return static_cast<double>(result);
    }
    if (x > 0) {
        const long double e = static_cast<long double>(y) * logl(static_cast<long double>(x));
        if (e < -11355.137111933024L)
            return 0;
        if (e > 11356.5234062941439L)
            return std::numeric_limits<double>::infinity();
        return static_cast<double>(expl(e));
    }
    if (std::trunc(y) != y)
        return 0;
    return std::pow(x, y); // a negative base with a huge integral exponent
}

double TFEPower::EvaluateNum() {
    const double x = powerOperand(FLeft.get());
    const double y = powerOperand(FRight.get());
    return Power(x, y);
}

TFEResultKind TFECoalesce::ResultKind() const {
    const TFEResultKind l = FLeft->ResultKind();
    return l == FRight->ResultKind() ? l : rkVariant;
}

Variant TFECoalesce::Evaluate() {
    Variant l = FLeft->Evaluate();
    bool missing = false;
    switch (l.type()) {
    case VarType::Empty:
    case VarType::Null:
        missing = true;
        break;
    case VarType::Integer:
        missing = l.asInteger() == 0;
        break;
    case VarType::Double:
        missing = l.asDouble() == 0;
        break;
    case VarType::String:
        missing = l.asString().isEmpty();
        break;
    case VarType::Boolean:
        missing = !l.asBoolean();
        break;
    default:
        break;
    }
    return missing ? FRight->Evaluate() : l;
}

bool TFEComparisonOperator::TextsEqual() {
    return FormulaValueText(FLeft->Evaluate()) == FormulaValueText(FRight->Evaluate());
}

VarRelation TFEComparisonOperator::Order() {
    return VarCompare(FLeft->Evaluate(), FRight->Evaluate());
}

Variant TFEBoolAnd::Evaluate() {
    return Variant(FormulaTruth(FLeft->Evaluate()) && FormulaTruth(FRight->Evaluate()));
}

Variant TFEBoolOr::Evaluate() {
    return Variant(FormulaTruth(FLeft->Evaluate()) || FormulaTruth(FRight->Evaluate()));
}

Variant TFEBoolXor::Evaluate() {
    const bool l = FormulaTruth(FLeft->Evaluate());
    const bool r = FormulaTruth(FRight->Evaluate());
    return Variant(l != r);
}

// ---------------------------------------------------------------------------

double TFENumAddition::EvaluateNum() {
    const size_t n = FParams.size();
    double sum = FParams[0]->EvaluateNum();
    double c = 0;
    for (size_t i = 1; i < n; ++i) {
        const double y = FParams[i]->EvaluateNum() - c;
        const double s = sum + y;
        c = (s - sum) - y;
        sum = s;
    }
    return sum;
}

void TFENumAddition::AddTerm(TFENodePtr term) {
    if (term->Is<TFENumAddition>()) {
        auto* inner = static_cast<TFENumAddition*>(term.get());
        for (TFENodePtr& t : inner->FParams)
            AddParam(std::move(t));
        return;
    }
    AddParam(std::move(term));
}

QString TFENumAddition::ToText() const {
    QString out;
    for (size_t i = 0; i < FParams.size(); ++i) {
        const TFEExpression* term = FParams[i].get();
        QString text = term->ToText();
        const bool lower = term->Is<TFEBinaryOperator>() && static_cast<const TFEBinaryOperator*>(term)->Priority < 0;
        if (lower)
            text = QLatin1Char('(') + text + QLatin1Char(')');
        if (i)
            out += QLatin1Char('+');
        out += text;
    }
    return out;
}

// ---------------------------------------------------------------------------

TBaseFormulaParser::TBaseFormulaParser() {
    RegisterStandardOperators();
    RegisterStandardFunctions();
}

void TBaseFormulaParser::RegisterStandardOperators() {
    RegisterUnaryOperator(QStringLiteral("-"), TFENegation::StaticClass());
    RegisterBinaryOperator(QStringLiteral("+"), TFEAddition::StaticClass());
    RegisterBinaryOperator(QStringLiteral("-"), TFESubtraction::StaticClass());
    RegisterBinaryOperator(QStringLiteral("*"), TFEMultiplication::StaticClass());
    RegisterBinaryOperator(QStringLiteral("/"), TFEDivision::StaticClass());
    RegisterBinaryOperator(QStringLiteral("^"), TFEPower::StaticClass());
    RegisterBinaryOperator(QStringLiteral("%"), TFEModulo::StaticClass());
    RegisterBinaryOperator(QStringLiteral("??"), TFECoalesce::StaticClass());
    RegisterBinaryOperator(QStringLiteral("="), TFEEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("<>"), TFENotEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("<"), TFEInferior::StaticClass());
    RegisterBinaryOperator(QStringLiteral("<="), TFEInferiorOrEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral(">"), TFESuperior::StaticClass());
    RegisterBinaryOperator(QStringLiteral(">="), TFESuperiorOrEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("And"), TFEBoolAnd::StaticClass());
    RegisterBinaryOperator(QStringLiteral("Or"), TFEBoolOr::StaticClass());
    RegisterBinaryOperator(QStringLiteral("Xor"), TFEBoolXor::StaticClass());
    RegisterUnaryOperator(QStringLiteral("Not"), TFEBoolNot::StaticClass());
}
