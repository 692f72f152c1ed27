// The drill-through window, opened by a double-click on a data cell of the
// grid: the items it lists, sorting by a header click, its two exports, and
// the places where a double-click opens nothing.
#include "FPCDrillThrough.h"
#include "FPivotCubeGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "GridTestCube.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<TPCDrillThroughForm*> openForms() {
    std::vector<TPCDrillThroughForm*> forms;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TPCDrillThroughForm*>(w); f && f->isVisible()) forms.push_back(f);
    return forms;
}

class DrillThroughWindow : public ::testing::Test {
protected:
    void SetUp() override {
        grid.resize(800, 500);
        TPivotCube& e = grid.Engine();
        e.SetCubeData(*GridTestCube());
        e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
        e.AddDimension(e.RowDimensions(), 0);
        e.AddDimension(e.RowDimensions(), 1);
        e.AddDimension(e.ColDimensions(), 2);
        grid.show();
        grid.viewport()->grab();
    }
    void TearDown() override {
        for (TPCDrillThroughForm* f : openForms()) delete f;
    }
    // The centre of the data cell of a line and a leaf column.
    QPoint cell(int line, int leaf) {
        const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
        return {l.W + leaf * grid.Sizes().ColWidth() + grid.Sizes().ColWidth() / 2, l.T + line * grid.Sizes().RowHeight() + grid.Sizes().RowHeight() / 2};
    }
    // As a person's double-click arrives: a click, then the second press as a
    // double-click and its release.
    void personDoubleClick(const QPoint& at) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, at);
    }
    TPCDrillThroughForm* doubleClick(const QPoint& at) {
        const auto before = openForms();
        personDoubleClick(at);
        for (TPCDrillThroughForm* f : openForms())
            if (std::find(before.begin(), before.end(), f) == before.end()) return f;
        return nullptr;
    }
    QString text(TPCDrillThroughForm* form, int row, int column) {
        return form->Model().data(form->Model().index(row, column)).toString();
    }
    TPivotCubeGrid grid;
};

TEST_F(DrillThroughWindow, DoubleClickOnACellListsItsItems) {
    struct Case {
        int line, leaf;
        int items;           // region r has 4 towns × 1 item per month
        double each;         // Montant of every item: 10 × region + month
        const char* title;
    } cases[] = {
        {0, 0, 4, 11, "Détail de la cellule - m1 \u00D7 m1"},
        {1, 1, 4, 22, "Détail de la cellule - m2 \u00D7 m2"},
        {2, 0, 4, 31, "Détail de la cellule - m3 \u00D7 m1"},
    };
    for (const Case& c : cases) {
        TPCDrillThroughForm* form = doubleClick(cell(c.line, c.leaf));
        ASSERT_NE(form, nullptr) << c.line;
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(c.title));
        ASSERT_EQ(form->Model().rowCount(), c.items);
        ASSERT_EQ(form->Model().columnCount(), 4);   // Région, Ville, Mois, Montant
        EXPECT_EQ(form->Model().headerData(3, Qt::Horizontal).toString(), QStringLiteral("Montant"));
        double sum = 0;
        for (int r = 0; r < form->Model().rowCount(); ++r) {
            EXPECT_EQ(text(form, r, 0), QStringLiteral("m%1").arg(c.line + 1));
            EXPECT_EQ(text(form, r, 2), QStringLiteral("m%1").arg(c.leaf + 1));
            sum += text(form, r, 3).toDouble();
        }
        EXPECT_DOUBLE_EQ(sum, c.items * c.each);
        EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("LBCount"))->text(), QStringLiteral("%1 éléments").arg(c.items));
        form->close();   // deletes itself
        QApplication::processEvents();
    }
    // An expanded member's line is its subtotal: every town of the region.
    grid.Engine().ToggleExpand(grid.Engine().RowRoot(), 0);
    grid.viewport()->grab();
    TPCDrillThroughForm* subtotal = doubleClick(cell(0, 1));
    ASSERT_NE(subtotal, nullptr);
    EXPECT_EQ(subtotal->Model().rowCount(), 4);
    TPCDrillThroughForm* town = doubleClick(cell(2, 1));   // the region's second town
    ASSERT_NE(town, nullptr);
    ASSERT_EQ(town->Model().rowCount(), 1);
    EXPECT_EQ(text(town, 0, 1), QStringLiteral("m2"));
}

TEST_F(DrillThroughWindow, DoubleClicksOutsideTheDataCellsOpenNothing) {
    const TPCGridLayout l(grid.Engine(), grid.Sizes(), grid.viewport()->size());
    const QPoint places[] = {
        {l.W / 2, l.T + 5},                       // a row header
        {l.W + 10, l.T / 2},                      // a column header
        {l.W + 10, l.T + 3 * 22 + 30},            // below the last line
        {l.W + 2 * 80 + 30, l.T + 5},             // right of the last column
    };
    for (const QPoint& at : places) EXPECT_EQ(doubleClick(at), nullptr) << at.x() << "," << at.y();
    // A double-click on an expand button still toggles twice, as before.
    const TPivotCubeGrid::TArea* expand = nullptr;
    for (const auto& a : grid.Areas())
        if (a.Kind == TPivotCubeGrid::akExpand) { expand = &a; break; }
    ASSERT_NE(expand, nullptr);
    const int child = expand->Child;
    personDoubleClick(expand->Rect.center());
    EXPECT_TRUE(openForms().empty());
    EXPECT_FALSE(grid.Engine().RowRoot()->IsExpanded(child));
}

TEST_F(DrillThroughWindow, HeaderClicksSortAndTheWindowOutlivesTheGridsCube) {
    grid.Engine().ClearDimensions();
    grid.Engine().AddDimension(grid.Engine().ColDimensions(), 2);   // columns by month, one line for all regions and towns
    grid.viewport()->grab();
    TPCDrillThroughForm* form = doubleClick(cell(0, 1));
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->Model().rowCount(), 12);
    form->Table()->grab();
    QHeaderView* header = form->Table()->horizontalHeader();
    auto clickHeader = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
    };
    clickHeader(3);   // Montant ascending, then descending
    EXPECT_EQ(text(form, 0, 3), QStringLiteral("12"));
    EXPECT_EQ(text(form, 11, 3), QStringLiteral("32"));
    clickHeader(3);
    EXPECT_EQ(text(form, 0, 3), QStringLiteral("32"));
    // Ties keep their order: the towns of the top region stay in item order.
    EXPECT_EQ(text(form, 0, 1), QStringLiteral("m1"));
    EXPECT_EQ(text(form, 3, 1), QStringLiteral("m4"));
    clickHeader(1);   // Ville ascending: every m1 first
    EXPECT_EQ(text(form, 0, 1), QStringLiteral("m1"));
    EXPECT_EQ(text(form, 2, 1), QStringLiteral("m1"));
    EXPECT_EQ(text(form, 3, 1), QStringLiteral("m2"));

    grid.Engine().SetCubeData(*GridTestCube(1));
    grid.viewport()->grab();
    EXPECT_EQ(form->Model().rowCount(), 12);
    EXPECT_EQ(text(form, 0, 3), QStringLiteral("12"));
}

TEST_F(DrillThroughWindow, ExportsWriteExactlyTheCellsItems) {
    TPCDrillThroughForm* form = doubleClick(cell(1, 0));
    ASSERT_NE(form, nullptr);
    QTemporaryDir dir;
    struct Case {
        const char* button;
        const char* file;
        const char* suffix;
    } cases[] = {{"HBExportCSV", "cell.csv", "csv"}, {"HBExportHTML", "cell.htm", "htm"}};
    for (const Case& c : cases) {
        QString asked;
        form->ChooseFile = [&](const QString& suffix, const QString&) {
            asked = suffix;
            return dir.filePath(QString::fromLatin1(c.file));
        };
        QTest::mouseClick(form->findChild<QPushButton*>(QString::fromLatin1(c.button)), Qt::LeftButton);
        EXPECT_EQ(asked, QString::fromLatin1(c.suffix));
        QFile f(dir.filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.file;
        const QByteArray bytes = f.readAll();
        EXPECT_EQ(bytes, QString::fromLatin1(c.suffix) == QLatin1String("csv") ? form->Model().DrillThrough().CSV() : form->Model().DrillThrough().HTMLPage());
        EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("LBStatus"))->text(), QStringLiteral("%1 exporté").arg(QString::fromLatin1(c.file)));
    }
    QFile csv(dir.filePath(QStringLiteral("cell.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), QByteArray("Région,Ville,Mois,Montant\r\nm2,m1,m1,21\r\nm2,m2,m1,21\r\nm2,m3,m1,21\r\nm2,m4,m1,21\r\n"));
    // A cancelled file request writes nothing.
    form->ChooseFile = [](const QString&, const QString&) { return QString(); };
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("HBExportCSV")), Qt::LeftButton);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    // Escape closes the window.
    QTest::keyClick(form->Table(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(openForms().empty());
}

} // namespace
