// The pivot grid's geometry as arithmetic: setter rules, extents, the areas
// of the client, scroll ranges, sub-columns and what a viewport shows.
#include "CPivotCube.h"
#include "CPivotCubeGridLayout.h"

#include "GridTestCube.h"

#include <gtest/gtest.h>

namespace {


TEST(GridSizes, SetterRules) {
    TPCGridSizes s;
    EXPECT_EQ(s.RowHeight(), 22);
    EXPECT_EQ(s.ColWidth(), 80);
    EXPECT_EQ(s.RowHeaderWidth(), 120);
    struct Case {
        int given, rowHeight, colWidth, rowHeaderWidth;
    } cases[] = {{10, 22, 48, 24}, {22, 22, 48, 24}, {23, 23, 48, 24}, {24, 24, 48, 24}, {25, 25, 48, 25}, {48, 48, 48, 48}, {49, 49, 49, 49}};
    for (const Case& c : cases) {
        s.SetRowHeight(c.given);
        s.SetColWidth(c.given);
        s.SetRowHeaderWidth(c.given);
        EXPECT_EQ(s.RowHeight(), c.rowHeight) << c.given;
        EXPECT_EQ(s.ColWidth(), c.colWidth) << c.given;
        EXPECT_EQ(s.RowHeaderWidth(), c.rowHeaderWidth) << c.given;
    }
    s.SetColHeaderHeight(3);
    EXPECT_EQ(s.ColHeaderHeight(), 3);
}

class GridLayout : public ::testing::Test {
protected:
    TPivotCube pivot;
    TPCGridSizes sizes;
    void SetUp() override {
        pivot.SetCubeData(*GridTestCube());
        pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    }
};

TEST_F(GridLayout, NoDimensionsShowOneLineAndOneColumn) {
    const TPCGridLayout l(pivot, sizes, QSize(1000, 800));
    EXPECT_EQ(l.RowLevels, 0);
    EXPECT_EQ(l.W, 120);
    EXPECT_EQ(l.T, 0);
    EXPECT_EQ(l.D, 80);
    EXPECT_EQ(l.E, 22);
    EXPECT_FALSE(l.Horizontal.Enabled);
    EXPECT_FALSE(l.Vertical.Enabled);
}

TEST_F(GridLayout, AreasFollowTheTrees) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.AddDimension(pivot.ColDimensions(), 2);
    {
        const TPCGridLayout l(pivot, sizes, QSize(1000, 800));
        EXPECT_EQ(l.W, 32 + 120);
        EXPECT_EQ(l.T, 26);
        EXPECT_EQ(l.D, 2 * 80);
        EXPECT_EQ(l.E, 3 * 22);
    }
    // Two row levels shown: W grows by one indent; the lines of the expanded member follow it.
    pivot.ToggleExpand(pivot.RowRoot(), 1);
    {
        const TPCGridLayout l(pivot, sizes, QSize(1000, 800));
        EXPECT_EQ(l.RowLevels, 2);
        EXPECT_EQ(l.W, 2 * 32 + 120);
        EXPECT_EQ(l.E, (3 + 4) * 22);
    }
    pivot.CollapseAllAt(pivot.RowRoot(), 0);
    EXPECT_EQ(TPCGridLayout(pivot, sizes, QSize(1000, 800)).W, 32 + 120);

    // An expanded column member over two collapsed children spans both.
    pivot.Transpose();
    pivot.ToggleExpand(pivot.ColRoot(), 0);
    const TPCGridLayout l(pivot, sizes, QSize(1000, 800));
    EXPECT_EQ(l.ColLevels, 2);
    EXPECT_EQ(TPCGridLayout::ColExtent(pivot.ColRoot()->Children[0].Node.get(), 80), 4 * 80);
    EXPECT_EQ(l.D, (4 + 2) * 80);
    EXPECT_EQ(l.T, 2 * 26);
}

TEST_F(GridLayout, BandsAndValueCaptions) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 2);
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    pivot.SetOptions(pcoShowValueColumns);
    pivot.RowRegroups().Add()->SetOperator(QStringLiteral("Somme"));
    pivot.ColRegroups().Add()->SetOperator(QStringLiteral("Somme"));
    pivot.ColRegroups().Add()->SetOperator(QStringLiteral("Moyenne"));
    sizes.SetColWidth(90);
    const TPCGridLayout l(pivot, sizes, QSize(1000, 800));
    EXPECT_EQ(l.R, 30) << "one regroupment over three value columns";
    EXPECT_EQ(l.B, 2 * 22);
    EXPECT_EQ(l.T, 26 + 22) << "the value-caption row";
}

TEST_F(GridLayout, ScrollRangesAndVisibleParts) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.AddDimension(pivot.ColDimensions(), 2);
    pivot.ExpandAllTo(pivot.RowRoot(), 2);
    // 3 + 12 lines of 22 = 330 high; 152 + 160 wide.
    const TPCGridLayout small(pivot, sizes, QSize(250, 200));
    EXPECT_TRUE(small.Horizontal.Enabled);
    EXPECT_EQ(small.Horizontal.Range, 160 - 1);
    EXPECT_EQ(small.Horizontal.Page, 250 - small.W);
    EXPECT_TRUE(small.Vertical.Enabled);
    EXPECT_EQ(small.Vertical.Range, 330);
    EXPECT_EQ(small.Vertical.Page, 200 - 26);
    EXPECT_EQ(small.Vertical.Limit(-5), 0);
    EXPECT_EQ(small.Vertical.Limit(1000), 330 - 174);
    EXPECT_EQ(small.FirstVisibleLine(50), 2);
    EXPECT_EQ(small.VisibleLineCount(), 174 / 22 + 2);
    EXPECT_EQ(small.FirstVisibleLeaf(90), 1);

    const TPCGridLayout large(pivot, sizes, QSize(2000, 2000));
    EXPECT_FALSE(large.Horizontal.Enabled);
    EXPECT_EQ(large.Horizontal.Limit(40), 0);
}

TEST(GridSubColumns, SplitBetweenTheEdges) {
    const QRect column(100, 0, 80, 22);
    EXPECT_EQ(TPCGridLayout::SubColumn(column, 0, 1), column);
    const QRect a = TPCGridLayout::SubColumn(column, 0, 3), b = TPCGridLayout::SubColumn(column, 1, 3),
                c = TPCGridLayout::SubColumn(column, 2, 3);
    EXPECT_EQ(a.left(), 100);
    EXPECT_EQ(a.left() + a.width(), b.left());
    EXPECT_EQ(b.left() + b.width(), c.left());
    EXPECT_EQ(c.left() + c.width(), 180);
    EXPECT_EQ(b.left(), (2 * 100 + 180) / 3);
}

} // namespace
