#pragma once
// A parser of the standard language with variables and a few test nodes.

#include "QtPrinters.h"
#include "UFormulaParser.h"

#include <QMap>
#include <cmath>

class TestParser;

// A variable read from the parser's table; its kind is declared with it.
class TFETestVar : public TFEExpression {
    FE_CLASS(TFETestVar, TFEExpression)
public:
    QString Name;
    TFEResultKind Kind = rkVariant;
    TFEResultKind ResultKind() const override { return Kind; }
    Variant Evaluate() override;
    QString ToText() const override { return Name; }
};

// A numeric variable bound to a double (the fast path).
class TFETestNumVar : public TFEExpression {
    FE_CLASS(TFETestNumVar, TFEExpression)
public:
    QString Name;
    const double* Slot = nullptr;
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(*Slot); }
    double EvaluateNum() override { return *Slot; }
    QString ToText() const override { return Name; }
};

// count(...): the number of parameters; never folded.
class TFETestCount : public TFEFunction {
    FE_CLASS(TFETestCount, TFEFunction)
public:
    TFETestCount() { MaxParams = 99; }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override { return ParamCount(); }
};

// half(x): one numeric parameter, foldable.
class TFETestHalf : public TFESimpleOneParamNumFunction {
    FE_CLASS(TFETestHalf, TFESimpleOneParamNumFunction)
public:
    double EvaluateNum() override { return Param(0)->EvaluateNum() / 2; }
};

// three: a foldable function without parameters.
class TFETestThree : public TFEFunction {
    FE_CLASS(TFETestThree, TFEFunction)
public:
    TFETestThree() {
        MinParams = MaxParams = 0;
        Flags = feFoldable;
    }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(3.0); }
};

// x[i]: element i of a list (Empty outside).
class TFETestIndex : public TFEBracketOperator {
    FE_CLASS(TFETestIndex, TFEBracketOperator)
public:
    Variant Evaluate() override {
        const Variant v = Indexed()->Evaluate();
        const int i = ParamCount() ? static_cast<int>(Param(0)->EvaluateNum()) : 0;
        return i >= 0 && i < v.asList().size() ? v.asList().at(i) : Variant();
    }
};

// A bracket node that binds looser than any operator.
class TFETestLooseIndex : public TFETestIndex {
    FE_CLASS(TFETestLooseIndex, TFETestIndex)
public:
    TFETestLooseIndex() { BindingPriority = -100; }
};

class TestParser : public TBaseFormulaParser {
public:
    TestParser() {
        RegisterFunction(QStringLiteral("count"), TFETestCount::StaticClass());
        RegisterFunction(QStringLiteral("half"), TFETestHalf::StaticClass(), QStringLiteral("Half"));
        RegisterFunction(QStringLiteral("three"), TFETestThree::StaticClass());
    }
    QString ClassName() const override { return QStringLiteral("TestParser"); }

    void Set(const QString& name, const Variant& value, TFEResultKind kind = rkVariant) {
        Vars[name] = value;
        Kinds[name] = kind;
    }
    void Bind(const QString& name, const double* slot) { Slots[name] = slot; }

    QMap<QString, Variant> Vars;
    QMap<QString, TFEResultKind> Kinds;
    QMap<QString, const double*> Slots;
    QStringList Resolved; // "name|next" of every ResolveIdentifier call

protected:
    TFENodePtr ResolveIdentifier(const TFEWorkList&, const QString& name, QChar next) override {
        Resolved << name + QLatin1Char('|') + (next.isNull() ? QString() : QString(next));
        if (Slots.contains(name)) {
            auto v = std::make_unique<TFETestNumVar>();
            v->Name = name;
            v->Slot = Slots[name];
            return v;
        }
        if (!Vars.contains(name))
            return nullptr;
        auto v = std::make_unique<TFETestVar>();
        v->Name = name;
        v->Kind = Kinds.value(name);
        return v;
    }
};

inline Variant TFETestVar::Evaluate() {
    return static_cast<TestParser*>(Parser())->Vars.value(Name);
}
