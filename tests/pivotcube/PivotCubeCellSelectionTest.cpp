// Which items a cell aggregates: the grid takes the column's items and the
// row's filter stack, the table export the row's items and the column's stack;
// both must give every cell the same number.
#include "CPivotCubeValueColumns.h"
#include "PivotCubeTestCube.h"

#include <gtest/gtest.h>

namespace {

using testcube::makeCube;

std::unique_ptr<TPCAxisFilter> filterOn(int axis, std::initializer_list<int32_t> include,
                                        std::initializer_list<int32_t> exclude = {}) {
    auto f = std::make_unique<TPCAxisFilter>(axis);
    for (int32_t id : include) f->IncludeIDs.Add(id);
    for (int32_t id : exclude) f->ExcludeIDs.Add(id);
    return f;
}

TPCDataItemList select(const TPivotCubeData& cube, std::initializer_list<const TPCAxisFilter*> stack) {
    TPCDataItemList out;
    const std::vector<const TPCAxisFilter*> filters(stack);
    cube.DataItems().FilterItems(filters, out);
    return out;
}

TEST(CellSelection, AggregatesPassTheContextFilters) {
    auto cube = makeCube({{1, 1, 2, 0}, {1, 2, 3, 0}, {2, 2, 10, 0}});
    TPivotCubeFormulaInteractiveParser parser;
    auto root = parser.Parse(QStringLiteral("Somme('Montant')"));
    const TPCDataItemList& all = cube->DataItems().List();
    auto onQ = filterOn(1, {2});
    auto notX = filterOn(0, {}, {1});
    struct Case {
        std::vector<const TPCAxisFilter*> filters;
        double expected;
    } cases[] = {{{}, 15}, {{onQ.get()}, 13}, {{onQ.get(), notX.get()}, 10}, {{notX.get(), onQ.get()}, 10}};
    for (const Case& c : cases) {
        parser.SetContext(&all, c.filters, &cube->Values());
        EXPECT_DOUBLE_EQ(root->EvaluateNum(), c.expected) << c.filters.size();
    }
    parser.ClearContext();
}

TEST(CellSelection, GridAndExportAgreeOnEveryCell) {
    // Montant by (A, B): (x, p) 1 + 4, (x, q) 2, (y, p) 8, (y, q) none.
    auto cube = makeCube({{1, 1, 1, 1}, {1, 2, 2, 1}, {2, 1, 8, 1}, {1, 1, 4, 1}});
    PivotCubeCells cells(cube.get());
    TPivotCubeValueColumn* sum = cells.ValueColumns().Add();
    sum->AssignFrom(*cube->Values().FindByName(QStringLiteral("Montant")));
    TPivotCubeValueColumn* count = cells.ValueColumns().Add();
    count->SetCaption(QStringLiteral("n"));
    count->SetFormula(QStringLiteral("Nombre('Montant')"));
    count->SetFormat(QStringLiteral("%.0f"));
    cells.CompileAll();

    struct Case {
        int32_t row, col;   // member of A on the rows, of B on the columns; 0 for a subtotal
        const char* sum;
        const char* count;
    } cases[] = {
        {1, 1, "5.00", "2"}, {1, 2, "2.00", "1"}, {2, 1, "8.00", "1"}, {2, 2, "0.00", "0"},
        {0, 1, "13.00", "3"}, {1, 0, "7.00", "3"}, {0, 0, "15.00", "4"},
    };
    for (bool sorted : {false, true}) {
        if (sorted) cube->DataItems().SortByAxis(1);   // the range search of a column's items
        for (const Case& c : cases) {
            auto rowFilter = filterOn(0, {c.row}), colFilter = filterOn(1, {c.col});
            std::vector<const TPCAxisFilter*> rowStack, colStack;
            if (c.row) rowStack.push_back(rowFilter.get());
            if (c.col) colStack.push_back(colFilter.get());
            TPCDataItemList colItems, rowItems;
            cube->DataItems().FilterItems(colStack, colItems);
            cube->DataItems().FilterItems(rowStack, rowItems);
            for (auto [column, expected] : {std::pair{sum, c.sum}, std::pair{count, c.count}}) {
                const TPivotCubeCellValue grid = cells.EvaluateCell(colItems, rowStack, *column);
                const TPivotCubeCellValue exported = cells.EvaluateCell(rowItems, colStack, *column);
                EXPECT_EQ(grid.Text, QString::fromUtf8(expected)) << c.row << "," << c.col;
                EXPECT_EQ(exported.Text, grid.Text) << c.row << "," << c.col;
                EXPECT_DOUBLE_EQ(exported.Value, grid.Value);
            }
        }
    }

    // Dimension filters apply to both ways through the active items.
    auto notP = filterOn(1, {}, {1});
    cube->DataItems().SetFilters(std::vector<const TPCAxisFilter*>{notP.get()});
    auto rowX = filterOn(0, {1});
    const TPCDataItemList all = select(*cube, {});
    const std::vector<const TPCAxisFilter*> rowStack{rowX.get()};
    EXPECT_EQ(cells.EvaluateCell(all, rowStack, *sum).Text, QStringLiteral("2.00"));
    EXPECT_EQ(cells.EvaluateCell(select(*cube, {rowX.get()}), {}, *sum).Text, QStringLiteral("2.00"));
}

} // namespace

#include "CPivotCube.h"

namespace {

// Every cell of an engine's table, walked with the trees' iterators, has the
// same number the grid's way and the export's way; an expanded row line shows
// the subtotal of its children.
TEST(CellSelection, EngineCellsThroughBothTrees) {
    // Axes A (x, y) on the rows, B (p, q) on the columns.
    auto data = makeCube({{1, 1, 1, 1}, {1, 2, 2, 1}, {2, 1, 8, 1}, {1, 1, 4, 1}, {2, 2, 16, 1}});
    TPivotCube pivot;
    pivot.SetCubeData(*data);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    pivot.ColDimension(0)->ExcludeIDs.Add(2);   // hide member q
    pivot.Rebuild();
    pivot.RowRoot()->Expand(0);                 // x, then x/p and x/q, then y

    int clears = 0;
    pivot.Subscribe([&] { ++clears; });
    TPivotCubeValueColumn* sum = pivot.ValueColumns().Add();
    sum->AssignFrom(*pivot.CubeData().Values().FindByName(QStringLiteral("Montant")));
    EXPECT_GT(clears, 0) << "a new column clears the caches and repaints";
    EXPECT_EQ(pivot.ValueColumnCount(), 1);
    pivot.CompileAll();

    QStringList lines;
    for (TPCNodeIterator row(pivot.RowRoot(), false); !row.Eof(); row.Next()) {
        const std::vector<const TPCAxisFilter*> rowStack = row.FilterList();
        for (TPCNodeIterator col(pivot.ColRoot(), false); !col.Eof(); col.Next()) {
            const std::vector<const TPCAxisFilter*> colStack = col.FilterList();
            TPCDataItemList colItems, rowItems;
            pivot.CubeData().DataItems().FilterItems(colStack, colItems);
            pivot.CubeData().DataItems().FilterItems(rowStack, rowItems);
            const TPivotCubeCellValue grid = pivot.EvaluateCell(colItems, rowStack, *sum);
            const TPivotCubeCellValue exported = pivot.EvaluateCell(rowItems, colStack, *sum);
            EXPECT_EQ(grid.Text, exported.Text);
            lines << QString::number(row.Depth()) + row.CurrentCaption() + QLatin1Char('/') + col.CurrentCaption() +
                         QLatin1Char('=') + grid.Text;
        }
    }
    EXPECT_EQ(lines, QStringList({QStringLiteral("0x/p=5.00"), QStringLiteral("1p/p=5.00"),
                                  QStringLiteral("1q/p=0.00"), QStringLiteral("0y/p=8.00")}));
}

} // namespace
