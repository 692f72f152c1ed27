// Registration of the function library, in its documented order.
#include "FormulaFunctionsInternal.h"

void TBaseFormulaParser::RegisterStandardFunctions() {
    RegisterFunction(QStringLiteral("True"), TFETrue::StaticClass(), QStringLiteral("Constante True (vrai)"));
    RegisterFunction(QStringLiteral("False"), TFEFalse::StaticClass(), QStringLiteral("Constante False (faux)"));
}
