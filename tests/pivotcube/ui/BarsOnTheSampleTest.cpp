// A table built on the bundled sample with the bars alone, as a user would:
// axes added from the menus, one dragged across, a value column added.
#include <QMenu>

#include "BarsTestWindow.h"

#include <gtest/gtest.h>

namespace {

QAction* entry(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

TEST(BarsOnTheSample, BuildingATableByHand) {
    BarsTestWindow w;
    TPivotCubeData sample;
    sample.LoadFromFile(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc"));
    TPivotCube& e = w.engine();
    e.SetCubeData(sample);
    e.ValueColumns().Clear();
    e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
    e.SetColWidth(90);
    ASSERT_TRUE(w.show());

    // The empty row bar offers every axis; "Région" first.
    auto menu = w.rows->BuildContextMenu(QPoint(40, 40));
    entry(*entry(*menu, "Ajouter axe")->menu(), "Région")->trigger();
    // Over "Région", its child "Ville" comes first; the others are apart.
    menu = w.rows->BuildContextMenu(w.rows->BlockRect(0).center());
    QMenu* add = entry(*menu, "Ajouter axe")->menu();
    ASSERT_EQ(add->actions().value(0)->text(), QStringLiteral("Ville"));
    ASSERT_NE(entry(*add, "Autres..."), nullptr);
    add->actions().value(0)->trigger();
    // On the empty column bar the unused axes are listed directly.
    menu = w.columns->BuildContextMenu(QPoint(40, 20));
    entry(*entry(*menu, "Ajouter axe")->menu(), "Canal")->trigger();
    ASSERT_EQ(e.RowDimensionCount(), 2);
    ASSERT_EQ(e.ColDimensionCount(), 1);

    // "Ville" dragged in front of "Canal".
    const QPoint start = w.rows->BlockRect(1).center() - QPoint(15, 0);
    QTest::mousePress(w.rows, Qt::LeftButton, {}, start);
    QTest::mouseMove(w.rows, start + QPoint(3, 3));
    QTest::mouseMove(w.columns, QPoint(10, 20));
    QTest::mouseRelease(w.columns, Qt::LeftButton, {}, QPoint(10, 20));
    ASSERT_EQ(e.ColDimensionCount(), 2);
    EXPECT_EQ(e.CubeData().Axises()[e.ColDimension(0)->Axis]->Nom(), QStringLiteral("Ville"));
    EXPECT_EQ(e.CubeData().Axises()[e.ColDimension(1)->Axis]->Nom(), QStringLiteral("Canal"));
    EXPECT_EQ(e.RowDimensionCount(), 1);
    EXPECT_EQ(e.ColRoot()->Count(), 100) << "every town has sales";

    menu = w.values->BuildContextMenu(w.values->BlockRect(0).center());
    entry(*menu, "Ajouter Quantité")->trigger();
    EXPECT_EQ(e.ColWidth(), 180);
    EXPECT_FALSE(w.window.grab().isNull());
}

} // namespace
