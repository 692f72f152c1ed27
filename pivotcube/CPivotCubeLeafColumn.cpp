// Leaf columns and display texts of computed numbers, shared by the table writers.
#include "CPivotCubeLeafColumn.h"

TPCLeafColumn::TPCLeafColumn(const TPCNodeIterator& it) {
    for (const auto& source : it.Filters) {
        auto f = std::make_unique<TPCAxisFilter>(source->Axis);
        for (int i = 0; i < source->IncludeIDs.Count(); ++i) f->IncludeIDs.Add(source->IncludeIDs[i]);
        for (int i = 0; i < source->ExcludeIDs.Count(); ++i) f->ExcludeIDs.Add(source->ExcludeIDs[i]);
        Filters.push_back(f.get());
        Owned.push_back(std::move(f));
    }
}

QString DisplayTextOfNumber(PivotCubeCells& cells, TPivotCubeValueColumn& column, double value) {
    TPivotCubeFormulaExpr* display = column.DisplayExpression();
    if (!display) return QString();
    cells.FormulaParser().ClearContext();
    display->CurrentValue = value;
    return display->EvaluateString();
}
