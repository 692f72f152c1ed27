#pragma once
// Function classes of the standard library (registered by TBaseFormulaParser).

#include "UFormulaParser.h"

// ---- logic and constants ---------------------------------------------------

class TFEBoolConstant : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEBoolConstant, TFEFunction)
public:
    TFEBoolConstant() {
        MinParams = MaxParams = 0;
        Flags = feFoldable;
    }
    TFEResultKind ResultKind() const override { return rkBoolean; }
    bool IsConstant() const override { return true; }
    Variant Evaluate() override { return Variant(value()); }
    double EvaluateNum() override { return value() ? 1 : 0; }
    QString EvaluateString() override { return value() ? QStringLiteral("true") : QStringLiteral("false"); }
    virtual bool value() const = 0;
};

class TFETrue : public TFEBoolConstant {
    FE_CLASS(TFETrue, TFEBoolConstant)
public:
    bool value() const override { return true; }
};

class TFEFalse : public TFEBoolConstant {
    FE_CLASS(TFEFalse, TFEBoolConstant)
public:
    bool value() const override { return false; }
};
