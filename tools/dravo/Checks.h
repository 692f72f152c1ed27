#pragma once
// Checks of what a user writes for the table: formulas and display formats are
// tried when the layout is built, so that a mistake is reported instead of
// showing -1 or 0 in every cell.

#include <QString>

class TPivotCubeData;

namespace dravo {

// Why the formula text cannot be computed on this cube: a parse error (with
// its position and the parser's message) or a value name the cube does not
// have (listing the cube's values); empty when it can.
QString formulaProblem(const QString& expression, const TPivotCubeData& cube);

// Why a display format cannot show numbers: a mask that fails or does not
// show the number, or a display expression ("=...") that fails the formula
// check; empty when it can.
QString formatProblem(const QString& format, const TPivotCubeData& cube);

} // namespace dravo
