#pragma once
// The pivot table as shown (expanded members, value columns, regroupments) laid
// out as a plain grid of texts, for tools that want rows and columns rather
// than markup: a CSV file, or aligned text on a terminal.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class TPivotCube;

struct TPivotGridLine {
    int Level = 0;          // depth of the row member; 0 at the top
    QString Caption;        // the row member's caption (empty on the single line of an empty row tree)
    bool Expanded = false;  // the member's children follow on the next lines
    QStringList Cells;      // one text per leaf column and value column
    QStringList Regroups;   // one text per row regroupment
    std::vector<double> Numbers;         // the number behind each cell, before its display format
    std::vector<double> RegroupNumbers;  // the number behind each row regroupment (none on column regroupment lines)
};

struct TPivotGrid {
    QStringList RowDimensionNames;    // one per row dimension, outermost first
    // Per leaf column and value column: the captions of the column members from
    // the top down, then the value column's caption.
    std::vector<QStringList> ColumnPaths;
    QStringList RowRegroupCaptions;
    std::vector<TPivotGridLine> Lines;
    // One line per column regroupment: Caption is its caption, Cells its result
    // under each column, Regroups the corner values with the row regroupments.
    std::vector<TPivotGridLine> ColumnRegroupLines;
};

// Walks both trees as the grid shows them (every level currently expanded) and
// computes every cell, each row line filtering the items once.
TPivotGrid BuildPivotGrid(TPivotCube& engine);

// RFC 4180 CSV in UTF-8 with CR LF line ends: a header line (the row dimension
// names, one name per column made of its path joined with " / ", the row
// regroupment captions), one line per row line (the member's caption in its
// level's column, the cells, the row regroupments), then the column
// regroupment lines (the caption in the first column).
QByteArray PivotGridCSV(const TPivotGrid& grid);

// The totals a cell can be measured against, each taken over the items (not
// by adding cells): per row line (in grid order) and value column, the value
// over the line's items alone; per leaf column and value column (in the order
// of the grid's cells), over all items under the column; per value column,
// over all items.
struct TPivotGridTotals {
    std::vector<std::vector<double>> Rows;
    std::vector<double> Columns;
    std::vector<double> Grand;
};
TPivotGridTotals BuildPivotGridTotals(TPivotCube& engine);
