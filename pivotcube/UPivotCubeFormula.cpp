// The pivot formula parser, its aggregate and Value functions, and the root's
// error mapping.
#include "UPivotCubeFormula.h"


TPivotCubeFormulaInteractiveParser::TPivotCubeFormulaInteractiveParser() {
    struct Registration {
        const char* name;
        const TFEClass* cls;
    };
    const Registration registrations[] = {
        {"Sum", &TPCFuncSum::StaticClass()},         {"Somme", &TPCFuncSum::StaticClass()},
        {"Average", &TPCFuncAverage::StaticClass()}, {"Moyenne", &TPCFuncAverage::StaticClass()},
        {"Count", &TPCFuncCount::StaticClass()},     {"Nombre", &TPCFuncCount::StaticClass()},
        {"Minimum", &TPCFuncMin::StaticClass()},     {"Maximum", &TPCFuncMax::StaticClass()},
        {"Range", &TPCFuncRange::StaticClass()},     {"Etendue", &TPCFuncRange::StaticClass()},
        {"Value", &TPCFuncValue::StaticClass()},     {"Valeur", &TPCFuncValue::StaticClass()},
    };
    for (const Registration& r : registrations) {
        const QString name = QString::fromLatin1(r.name);
        RegisterFunction(name, *r.cls, name);
    }
}

std::unique_ptr<TFormulaExpr> TPivotCubeFormulaInteractiveParser::CreateRoot() {
    return std::make_unique<TPivotCubeFormulaExpr>();
}

// ---------------------------------------------------------------------------
// Root

double TPivotCubeFormulaExpr::EvaluateNum() {
    try {
        return TFormulaExpr::EvaluateNum();
    } catch (const std::exception&) {
        // floating-point faults, text conversion and formatting errors
        return 0;
    }
}

QString TPivotCubeFormulaExpr::EvaluateString() {
    try {
        return TFormulaExpr::EvaluateString();
    } catch (const std::exception&) {
        return QStringLiteral("#ERR!");
    }
}

// ---------------------------------------------------------------------------
// Functions

double TPCFuncGroupOperator::EvaluateNum() {
    const TFormulaParser* parser = Parser();
    const auto* pivotParser = dynamic_cast<const TPivotCubeFormulaInteractiveParser*>(parser);
    if (!pivotParser || !pivotParser->ContextValues || !pivotParser->ContextItems)
        return 0;
    if (FValueIndex == -1) {
        // Resolved once per compiled expression, whatever later contexts hold.
        if (!FOperator)
            FOperator = CreateGroupOperator(OperatorClass());
        const QString name = VarToStr(Param(0)->Evaluate());
        const int index = pivotParser->ContextValues->IndexOfName(name);
        FValueIndex = index >= 0 ? index : UnknownValue;
    }
    if (FValueIndex == UnknownValue)
        return 0;
    return AggregateItems(*pivotParser->ContextItems, pivotParser->ContextFilters, FValueIndex, *FOperator);
}

double TPCFuncValue::EvaluateNum() {
    const auto* root = dynamic_cast<const TPivotCubeFormulaExpr*>(Root());
    return root ? root->CurrentValue : 0;
}
