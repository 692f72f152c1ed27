#pragma once
// Drill-through: the data items behind one data cell of the pivot table.
//
// A data cell aggregates the active items (those that pass the dimension
// filters) that pass both the filter stack of its row line and that of its
// leaf column. DrillThroughItems gives exactly those items, in the order the
// cell's evaluation reads them; TPCCellDrillThrough keeps them, with the
// axes and values that describe them, in a small cube data set of its own, so
// that a window showing them does not depend on the engine staying as it was,
// and the raw data exports (HTML page, CSV) apply to it unchanged.

#include "CPivotCube.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The items a cell at (rowFilters, columnFilters) aggregates: the row line's
// items (FilterItems of its stack), then those of them that pass the column's
// stack, as EvaluateCell reads them.
TPCDataItemList DrillThroughItems(const TPivotCube& engine, TPCAxisFilterSpan rowFilters, TPCAxisFilterSpan columnFilters);

// The captions of the members a filter stack names, outermost first (one per
// single-member filter; a stack from a node iterator names one per level).
QStringList DrillThroughPath(const TPivotCube& engine, TPCAxisFilterSpan filters);

class TPCCellDrillThrough {
public:
    TPCCellDrillThrough(const TPivotCube& engine, TPCAxisFilterSpan rowFilters, TPCAxisFilterSpan columnFilters);

    // The cell's items with a copy of the cube's axes (names, members, sort
    // styles) and values (names, operators); its title names the cube and the cell.
    const TPivotCubeData& Data() const { return *FData; }
    int Count() const { return FData->DataItems().Count(); }
    const QStringList& RowPath() const { return FRowPath; }
    const QStringList& ColumnPath() const { return FColumnPath; }
    // "Nord / Lille × 2024-01": the row path, then the column path, each
    // joined with " / "; a direction without members is left out.
    QString CellCaption() const;
    // The position of an item's member in its axis's own order (the order
    // the axis shows its members in), -1 for an ID no member has.
    int MemberRank(int item, int axis) const;

    // The raw data page and CSV of the cell's items (those of the whole cube's
    // raw data exports).
    QByteArray HTMLPage() const;
    QByteArray CSV() const;

private:
    std::unique_ptr<TPivotCubeData> FData;
    QStringList FRowPath, FColumnPath;
    std::vector<std::vector<int>> FRanks;   // per axis, by member ID
};

// A path of member captions joined with " / " resolved on a dimension list
// into the filter stack that names it (one single-member filter per level,
// outermost first). An empty path names every line (an empty stack). A caption
// may itself hold " / ": every split is tried. Error is empty on success,
// else one sentence naming the level and its choices.
struct TPCDrillPath {
    std::vector<std::unique_ptr<TPCAxisFilter>> Owned;
    std::vector<const TPCAxisFilter*> Filters;
    QString Error;
};
TPCDrillPath ResolveDrillPath(const TPivotCube& engine, const TPCDimensionList& dimensions, const QString& path);
