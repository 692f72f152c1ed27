#pragma once
// The simple formula shape of the formula editor: an aggregate of one cube
// value, an operator, an aggregate of another value, as in
// Somme('Montant')/Somme('Quantite'). Builds the text from a choice of the
// three, and reads a formula text back into that choice.

#include "UPivotCube.h"

#include <QString>
#include <QStringList>

// The operator items offered, in this order: "x", "-", "+", "/".
const QStringList& SimpleFormulaOperators();

// Left's operator name, "('", left's name, "')", the operator ("*" for the
// "x" item), then the same for right. Empty without a left or right value or
// with an operator index out of range.
QString SimpleFormulaText(const TPivotCubeValue* left, int operatorIndex, const TPivotCubeValue* right);

// A formula text read as the simple shape: the value indexes and the
// operator item, or Found false when a side names no cube value.
struct TSimpleFormulaChoice {
    bool Found = false;
    int LeftValue = -1;
    int OperatorIndex = -1;
    int RightValue = -1;
};

// The operator is the character after the first ")" (the first character
// when there is none), the "x" item when it is none of the items. Each side
// designates the value named between its first "('" and the next "')";
// when the side's operator name is not that value's, the side designates the
// first value of the cube instead (the text is then not the simple shape, and
// rebuilding it shows so).
TSimpleFormulaChoice DecomposeSimpleFormula(const QString& text, const TPivotCubeValues& values);
