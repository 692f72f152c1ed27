// The pivot grid widget, offscreen: what it paints at chosen pixels, clicks
// on its areas reaching the engine, and what it computes for a paint.
#include "FPivotCubeGrid.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "GridTestCube.h"

#include <gtest/gtest.h>

namespace {


class Grid : public ::testing::Test {
protected:
    TPivotCubeGrid grid;
    void SetUp() override { grid.resize(800, 500); }
    void place(int regions = 3) {
        TPivotCube& e = grid.Engine();
        e.SetCubeData(*GridTestCube(regions));
        e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
        e.AddDimension(e.RowDimensions(), 0);
        e.AddDimension(e.RowDimensions(), 1);
        e.AddDimension(e.ColDimensions(), 2);
    }
    QImage paint() { return grid.viewport()->grab().toImage(); }
    const TPivotCubeGrid::TArea* area(TPivotCubeGrid::TAreaKind kind, int nth = 0) {
        for (const auto& a : grid.Areas())
            if (a.Kind == kind && nth-- == 0) return &a;
        return nullptr;
    }
};

TEST_F(Grid, EmptyGridsPaint) {
    EXPECT_FALSE(paint().isNull()) << "no cube";
    grid.Engine().SetCubeData(*GridTestCube());
    EXPECT_FALSE(paint().isNull()) << "no values";
    grid.Engine().AddDimension(grid.Engine().RowDimensions(), 0);
    EXPECT_FALSE(paint().isNull()) << "rows, no values";
    EXPECT_EQ(area(TPivotCubeGrid::akTranspose), nullptr) << "corner buttons need both trees";
}

TEST_F(Grid, ClicksReachTheEngine) {
    place();
    paint();
    const auto* expand = area(TPivotCubeGrid::akExpand);
    ASSERT_NE(expand, nullptr);
    TPivotCubeNode* node = expand->Node;
    const int child = expand->Child;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, expand->Rect.center());
    EXPECT_TRUE(grid.Engine().RowRoot()->IsExpanded(child));
    EXPECT_EQ(node, grid.Engine().RowRoot());

    paint();
    const auto* sort = area(TPivotCubeGrid::akSortHeader, 1);
    ASSERT_NE(sort, nullptr);
    const QByteArray key = sort->Key;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, sort->Rect.center());
    EXPECT_EQ(grid.Engine().SortKey(), key);
    EXPECT_EQ(grid.Engine().SortDirection(), 2);
    paint();
    QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, area(TPivotCubeGrid::akSortHeader, 1)->Rect.center());
    EXPECT_TRUE(grid.Engine().SortKey().isEmpty());

    paint();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, area(TPivotCubeGrid::akHideEmpty)->Rect.center());
    EXPECT_TRUE(grid.Engine().Options() & pcoHideEmptyAxis);
    paint();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, area(TPivotCubeGrid::akTranspose)->Rect.center());
    EXPECT_EQ(grid.Engine().ColDimensionCount(), 2);
    EXPECT_EQ(grid.Engine().RowDimensionCount(), 1);
}

TEST_F(Grid, ShadesAndTheSortedTint) {
    place();
    grid.Engine().ToggleExpand(grid.Engine().RowRoot(), 0);
    const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    const QImage before = paint();
    // A data cell of a depth-1 line, left of its text: the value column's shade at depth 1.
    const QPoint depth1(l.W + 3, l.T + 1 * 22 + 11);
    const uint32_t shade = grid.Engine().ValueColumns()[0]->Shade(1);
    const QColor expected(int(shade & 0xFF), int((shade >> 8) & 0xFF), int((shade >> 16) & 0xFF));
    EXPECT_EQ(before.pixelColor(depth1), expected);
    // Sorted by the first column: its cells are tinted red up, green and blue
    // down by 10 (the first line, depth 0 in any order), the next column not.
    const QPoint first(l.W + 3, l.T + 11), next(l.W + 80 + 3, l.T + 11);
    const uint32_t top = grid.Engine().ValueColumns()[0]->Shade(0);
    const QColor plain(int(top & 0xFF), int((top >> 8) & 0xFF), int((top >> 16) & 0xFF));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, area(TPivotCubeGrid::akSortHeader, 0)->Rect.center());
    const QImage after = paint();
    const QColor tinted = after.pixelColor(first);
    EXPECT_EQ(tinted.red(), std::min(plain.red() + 10, 255));
    EXPECT_EQ(tinted.green(), plain.green() - 10);
    EXPECT_EQ(tinted.blue(), plain.blue() - 10);
    EXPECT_EQ(after.pixelColor(next), plain);
}

TEST_F(Grid, HandlesResizeTheHeadersAndColumns) {
    place();
    paint();
    const TPCGridLayout before(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    // The row headers' right edge, dragged 30 pixels to the right.
    const QPoint edge(before.W - 1, before.T + 5);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(grid.viewport(), edge + QPoint(30, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, edge + QPoint(30, 0));
    EXPECT_EQ(grid.Sizes().RowHeaderWidth(), 120 + 30);
    // The first column member's right edge, dragged 20 to the right, then far left (the minimum holds).
    paint();
    const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    const QPoint column(l.W + 80 - 1, 10);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, column);
    const int computed = grid.ComputedCellCount();
    QTest::mouseMove(grid.viewport(), column + QPoint(20, 0));
    EXPECT_EQ(grid.Engine().ColWidth(), 100);
    EXPECT_EQ(grid.ComputedCellCount(), computed) << "a new width needs no new table";
    QTest::mouseMove(grid.viewport(), column - QPoint(60, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, column - QPoint(60, 0));
    EXPECT_EQ(grid.Engine().ColWidth(), 48);
    EXPECT_EQ(grid.Sizes().ColWidth(), 48);
    EXPECT_FALSE(grid.Engine().RowRoot()->IsExpanded(0)) << "the handle took the presses, not what lies under it";
}

TEST_F(Grid, ALanguageChangeRepaints) {
    place();
    paint();
    EXPECT_GT(grid.ComputedCellCount(), 0);
    const int before = GetCurrentLanguage();
    SetCurrentLanguage(before == 1033 ? 1036 : 1033);
    EXPECT_EQ(grid.ComputedCellCount(), 0) << "the texts are made again at the next paint";
    SetCurrentLanguage(before);
}

TEST_F(Grid, NarrowingAColumnKeepsItsEdgeUnderThePointer) {
    TPivotCube& e = grid.Engine();
    e.SetCubeData(*GridTestCube());
    e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
    e.AddDimension(e.RowDimensions(), 0);
    e.AddDimension(e.ColDimensions(), 1);   // four columns of 80
    grid.resize(300, 300);
    paint();
    grid.horizontalScrollBar()->setValue(100);
    paint();
    const TPCGridLayout l(e, grid.Sizes(), grid.viewport()->size());
    const QPoint edge(l.W + 3 * 80 - 100 - 1, 10);   // the right edge of the third column
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(grid.viewport(), edge - QPoint(10, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, edge - QPoint(10, 0));
    EXPECT_EQ(e.ColWidth(), 70);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 100 - 10 * 3);
}

// The horizontal middle of the dark pixels of a cell.
double inkMiddle(const QImage& image, const QRect& cell) {
    double sum = 0;
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 100) {
                sum += x;
                ++count;
            }
    return count ? sum / count : -1;
}

TEST_F(Grid, ADashIsCentredOtherTextsRightAligned) {
    place();
    const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    const QRect cell(l.W + 1, l.T + 1, 78, 20);   // first line, first column, inside its borders
    const double right = inkMiddle(paint(), cell);
    grid.Engine().ValueColumns()[0]->SetFormat(QStringLiteral("='-'"));
    const double dash = inkMiddle(paint(), cell);
    EXPECT_NEAR(dash, cell.center().x(), 3) << "\"-\" centred";
    EXPECT_GT(right, cell.center().x() + 10) << "numbers right-aligned";
}

TEST_F(Grid, OnlyWhatIsVisibleIsComputed) {
    place(2500);   // 2 500 regions: a row axis far taller than the window
    paint();
    const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    EXPECT_LE(grid.ComputedCellCount(), l.VisibleLineCount() * 2);
    EXPECT_GT(grid.ComputedCellCount(), 0);
    // A wheel notch scrolls three lines.
    QWheelEvent wheel(QPointF(200, 200), grid.viewport()->mapToGlobal(QPointF(200, 200)), {}, QPoint(0, -120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 3 * 22);
}

// A picture of the bundled sample, kept under the build folder for looking at.
TEST(GridPicture, Sample) {
    TPivotCubeData data;
    data.LoadFromFile(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc"));
    ASSERT_GT(data.DataItems().Count(), 0);
    TPivotCubeGrid grid;
    grid.resize(900, 420);
    TPivotCube& e = grid.Engine();
    e.SetCubeData(data);
    e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
    e.AddDimension(e.RowDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Région")));
    e.AddDimension(e.RowDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Ville")));
    e.AddDimension(e.ColDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Canal")));
    e.ToggleExpand(e.RowRoot(), 1);
    for (TPivotCubeRegroups* list : {&e.RowRegroups(), &e.ColRegroups()}) {
        TPivotCubeRegroup* r = list->Add();
        r->SetOperator(QStringLiteral("Somme"));
        r->SetValue(QStringLiteral("Montant"));
    }
    grid.show();
    QApplication::processEvents();
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    EXPECT_GT(grid.verticalScrollBar()->maximum(), 0) << "the lines go beyond the window";
    const QImage picture = grid.grab().toImage();
    QDir().mkpath(QStringLiteral(LORVANE_BINARY_DIR "/screenshots"));
    EXPECT_TRUE(picture.save(QStringLiteral(LORVANE_BINARY_DIR "/screenshots/pivot_grid.png")));
}

} // namespace
