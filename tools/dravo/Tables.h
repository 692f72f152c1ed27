#pragma once
// The pivot table as data for other programs (JSON, tidy CSV), and cells
// shown as percents of a total (--show-as) in every format.

#include "Layout.h"

#include "CPivotCubeGrid.h"

#include <QByteArray>

class TPivotCube;

namespace dravo {

// The grid of the engine's table with each cell's number, and whether it has
// items (false: no item reaches the cell). With a percent display the
// numbers and texts are percents of the total asked for.
struct NumberGrid {
    TPivotGrid grid;
    std::vector<std::vector<bool>> hasItems;   // per line, per cell
};
NumberGrid buildNumberGrid(TPivotCube& engine, ShowAs show);

// One JSON object: dimensions, value columns, column paths, rows (path,
// level, cells as numbers, null for no items, row regroupments) and the
// column regroupments.
QByteArray tableJson(const NumberGrid& table, const QStringList& colDimensionNames, ShowAs show);
// One CSV line per row path × column path × value column holding items: each
// level's caption in its own column, the value column's caption, the number
// at full precision.
QByteArray tableTidyCSV(const NumberGrid& table, const QStringList& colDimensionNames);

// Replaces the data cells of an HTML or XML table export, in table order, by
// the grid's texts (percents); decimalSeparator is the export's.
QByteArray replaceDataCells(const QByteArray& page, const TPivotGrid& grid, QChar decimalSeparator);

} // namespace dravo
