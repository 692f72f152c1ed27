// Value columns added from the value bar.
#include "CPivotCube.h"

TPivotCubeValueColumn& TPivotCube::addValueColumn(const std::function<void(TPivotCubeValueColumn&)>& derive) {
    TPivotCubeValueColumn* column = nullptr;
    {
        CollectionUpdate update(ValueColumns());
        column = ValueColumns().Add();
        derive(*column);
    }
    // The leaf column is shared by its value sub-columns: widen it so each
    // keeps the width it had.
    const int n = ValueColumns().Count();
    if (n >= 2) SetColWidth(n * ColWidth() / (n - 1));
    SetOptions(Options() | pcoShowValueColumns);
    Repaint();
    return *column;
}

TPivotCubeValueColumn& TPivotCube::AddValueColumn(const TPivotCubeValue& value) {
    return addValueColumn([&](TPivotCubeValueColumn& column) { column.AssignFrom(value); });
}

TPivotCubeValueColumn& TPivotCube::AddValueColumn(const TPivotCubeFormula& formula) {
    return addValueColumn([&](TPivotCubeValueColumn& column) { column.AssignFrom(formula); });
}
