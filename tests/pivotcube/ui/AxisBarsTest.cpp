// The axis bars, offscreen in a window laid out like the viewer's: dragging
// blocks with the mouse, the resize handles and the context menu's entries.
#include "FPCAxisFiltering.h"
#include "FPCDragForm.h"
#include "FPCRegroupsForm.h"

#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QPushButton>

#include "BarsTestWindow.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> axesOf(const TPCDimensionList& list) {
    std::vector<int32_t> out;
    for (const auto& d : list) out.push_back(d->Axis);
    return out;
}

QStringList entries(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QAction* entry(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

class AxisBars : public ::testing::Test {
protected:
    BarsTestWindow w;
    TPivotCube& e = w.engine();
    void SetUp() override { ASSERT_TRUE(w.show()); }
    QPoint blockCentre(TPivotCubeHelper* bar, int i) { return bar->BlockRect(i).center() - QPoint(10, 0); }
};

TEST_F(AxisBars, DraggingARowBlockOntoTheColumnBarMovesTheDimension) {
    e.AddDimension(e.RowDimensions(), 0);
    e.AddDimension(e.RowDimensions(), 3);
    e.AddDimension(e.ColDimensions(), 4);
    const QPoint start = blockCentre(w.rows, 1);
    QTest::mousePress(w.rows, Qt::LeftButton, {}, start);
    QTest::mouseMove(w.rows, start + QPoint(1, 1));
    EXPECT_EQ(w.rows->DragImage(), nullptr) << "two pixels do not start a drag";
    QTest::mouseMove(w.rows, start + QPoint(2, 1));
    ASSERT_NE(w.rows->DragImage(), nullptr);
    EXPECT_TRUE(w.rows->DragImage()->isVisible());
    EXPECT_NEAR(w.rows->DragImage()->windowOpacity(), 128.0 / 255.0, 0.01);
    EXPECT_TRUE(w.rows->DragImage()->windowFlags() & Qt::WindowTransparentForInput);

    // Over the column bar, left of the middle of its one block: slot 0.
    const QPoint over(w.columns->BlockRect(0).left() + 20, 20);
    QTest::mouseMove(w.columns, over);
    EXPECT_EQ(w.columns->MarkedSlot(), 0);
    EXPECT_EQ(w.rows->MarkedSlot(), -1);
    QTest::mouseRelease(w.columns, Qt::LeftButton, {}, over);

    EXPECT_EQ(axesOf(e.RowDimensions()), std::vector<int32_t>{0});
    EXPECT_EQ(axesOf(e.ColDimensions()), (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(w.rows->DragImage(), nullptr);
    EXPECT_EQ(w.columns->MarkedSlot(), -1);
}

TEST_F(AxisBars, DropSlotsWithinABarAndOutsideTheBars) {
    for (int axis : {0, 3, 4}) e.AddDimension(e.ColDimensions(), axis);
    struct Case {
        const char* name;
        int from;
        QPoint to;   // in the column bar; outside it when far below
        std::vector<int32_t> after;
    } cases[] = {
        {"onto its own slot", 0, {10, 20}, {0, 3, 4}},
        {"the next slot", 0, {w.columns->BlockSize() + 10, 20}, {0, 3, 4}},
        {"the last slot", 0, {3 * w.columns->BlockSize() + 10, 20}, {3, 4, 0}},
        {"past the end is the last slot", 0, {500, 20}, {4, 0, 3}},
        {"back to the front", 2, {5, 20}, {3, 4, 0}},
        {"on the grid: nothing", 0, {100, 200}, {3, 4, 0}},
    };
    for (const Case& c : cases) {
        const QPoint start = blockCentre(w.columns, c.from);
        QTest::mousePress(w.columns, Qt::LeftButton, {}, start);
        QTest::mouseMove(w.columns, start + QPoint(5, 0));
        QTest::mouseMove(w.columns, c.to);
        QTest::mouseRelease(w.columns, Qt::LeftButton, {}, c.to);
        EXPECT_EQ(axesOf(e.ColDimensions()), c.after) << c.name;
    }
}

TEST_F(AxisBars, HandlesResizeEveryBlockByTheShareOfTheDistance) {
    for (int axis : {0, 3}) e.AddDimension(e.ColDimensions(), axis);
    ASSERT_EQ(w.columns->BlockWidth(), 100);
    // The handle after the second block: 40 pixels share out over two blocks.
    QPoint handle(200, 20);
    ASSERT_EQ(w.columns->HandleAt(handle), 2);
    QTest::mousePress(w.columns, Qt::LeftButton, {}, handle);
    QTest::mouseMove(w.columns, handle + QPoint(40, 0));
    QTest::mouseRelease(w.columns, Qt::LeftButton, {}, handle + QPoint(40, 0));
    EXPECT_EQ(w.columns->BlockWidth(), 120);
    EXPECT_EQ(axesOf(e.ColDimensions()), (std::vector<int32_t>{0, 3})) << "a resize is no drag";
    // Never below 18.
    handle = QPoint(120, 20);
    QTest::mousePress(w.columns, Qt::LeftButton, {}, handle);
    QTest::mouseMove(w.columns, QPoint(2, 20));
    QTest::mouseRelease(w.columns, Qt::LeftButton, {}, QPoint(2, 20));
    EXPECT_EQ(w.columns->BlockWidth(), 18);
    // The row bar resizes downwards.
    e.AddDimension(e.RowDimensions(), 1);
    handle = QPoint(50, 50);
    QTest::mousePress(w.rows, Qt::LeftButton, {}, handle);
    QTest::mouseMove(w.rows, handle + QPoint(0, 10));
    QTest::mouseRelease(w.rows, Qt::LeftButton, {}, handle + QPoint(0, 10));
    EXPECT_EQ(w.rows->BlockHeight(), 60);
}

TEST_F(AxisBars, MenuOverADimension) {
    e.AddDimension(e.RowDimensions(), 0);
    e.AddDimension(e.RowDimensions(), 3);
    auto menu = w.rows->BuildContextMenu(blockCentre(w.rows, 0));
    EXPECT_EQ(entries(*menu), (QStringList{"Ordre Decroissant", "Tout développer", "Tout réduire", "Retirer Région", "-",
                                           "Ajouter axe", "Regroupement...", "-", "Tout retirer"}));
    EXPECT_FALSE(entry(*menu, "Ordre Decroissant")->isChecked());
    EXPECT_TRUE(entry(*menu, "Tout développer")->isEnabled());
    EXPECT_FALSE(entry(*menu, "Tout retirer")->icon().isNull());

    entry(*menu, "Tout développer")->trigger();
    EXPECT_TRUE(e.RowRoot()->IsExpanded(0));
    entry(*menu, "Tout réduire")->trigger();
    EXPECT_FALSE(e.RowRoot()->IsExpanded(0));
    entry(*menu, "Ordre Decroissant")->trigger();
    EXPECT_TRUE(e.RowDimension(0)->DescendingSort);
    EXPECT_TRUE(w.rows->BuildContextMenu(blockCentre(w.rows, 0))->actions()[0]->isChecked());

    // The last dimension of the bar has nothing below it to expand.
    menu = w.rows->BuildContextMenu(blockCentre(w.rows, 1));
    EXPECT_FALSE(entry(*menu, "Tout développer")->isEnabled());
    EXPECT_FALSE(entry(*menu, "Tout réduire")->isEnabled());
    entry(*menu, "Retirer Mois")->trigger();
    EXPECT_EQ(axesOf(e.RowDimensions()), std::vector<int32_t>{0});

    menu = w.rows->BuildContextMenu(blockCentre(w.rows, 0));
    entry(*menu, "Tout retirer")->trigger();
    EXPECT_TRUE(e.RowDimensions().empty());
    menu = w.rows->BuildContextMenu(QPoint(50, 100));
    EXPECT_EQ(entries(*menu), (QStringList{"Ajouter axe", "Regroupement...", "-", "Tout retirer"})) << "empty bar";
    EXPECT_FALSE(entry(*menu, "Tout retirer")->isEnabled());
}

TEST_F(AxisBars, AddAxisListsTheChildrenFirstAndTheOthersApart) {
    struct Case {
        const char* name;
        std::vector<int> rows, columns;
        QStringList top;            // entries of "Ajouter axe" ("!" before a disabled one)
        QStringList others;         // of "Autres...", when there is one
        bool enabled = true;
    } cases[] = {
        {"children both placed", {0, 1}, {2}, {"!Ville", "!Magasin", "Autres..."}, {"Mois", "Produit"}},
        {"one child free", {0, 1}, {}, {"!Ville", "Magasin", "Autres..."}, {"Mois", "Produit"}},
        {"only the child is free", {0, 1, 3, 4}, {}, {"!Ville", "Magasin"}, {}},
        {"an axis without children", {3}, {}, {"Région", "Ville", "Magasin", "Produit"}, {}},
        {"every axis placed", {0, 1, 2}, {3, 4}, {"!Ville", "!Magasin"}, {}, false},
    };
    for (const Case& c : cases) {
        e.ClearDimensionList(e.RowDimensions());
        e.ClearDimensionList(e.ColDimensions());
        for (int a : c.rows) e.AddDimension(e.RowDimensions(), a);
        for (int a : c.columns) e.AddDimension(e.ColDimensions(), a);
        auto menu = w.rows->BuildContextMenu(blockCentre(w.rows, 0));
        QAction* add = entry(*menu, "Ajouter axe");
        ASSERT_NE(add, nullptr) << c.name;
        EXPECT_EQ(add->isEnabled(), c.enabled) << c.name;
        QStringList top, others;
        for (QAction* a : add->menu()->actions()) {
            top << (a->isEnabled() ? QString() : QStringLiteral("!")) + a->text();
            if (a->menu())
                for (QAction* o : a->menu()->actions()) others << o->text();
        }
        EXPECT_EQ(top, c.top) << c.name;
        EXPECT_EQ(others, c.others) << c.name;
    }
    // An entry adds its axis to the bar's own list.
    e.ClearDimensionList(e.RowDimensions());
    e.ClearDimensionList(e.ColDimensions());
    e.AddDimension(e.ColDimensions(), 0);
    auto menu = w.columns->BuildContextMenu(blockCentre(w.columns, 0));
    entry(*entry(*menu, "Ajouter axe")->menu(), "Ville")->trigger();
    EXPECT_EQ(axesOf(e.ColDimensions()), (std::vector<int32_t>{0, 1}));
}

TEST_F(AxisBars, TheArrowOpensTheMemberFilterUnderItsBlock) {
    e.AddDimension(e.ColDimensions(), 3);
    e.AddDimension(e.ColDimensions(), 4);
    ASSERT_EQ(e.ColRoot()->Count(), 3);
    QPoint shownAt;
    // Two presses of Space uncheck the first two members, Enter validates.
    QTimer::singleShot(0, [&] {
        auto* popup = w.columns->findChild<TPCAxisFiltering*>();
        if (!popup || !QTest::qWaitFor([&] { return QApplication::activeWindow() == popup; })) return;
        shownAt = popup->pos();
        QListView* list = popup->findChild<QListView*>(QStringLiteral("LVMembers"));
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Return);
    });
    QTest::mouseClick(w.columns, Qt::LeftButton, {}, w.columns->ArrowRect(0).center());
    EXPECT_EQ(shownAt, w.columns->mapToGlobal(QPoint(0, w.columns->height())));
    const TPCAxisVisualFilter& months = *e.ColDimension(0);
    EXPECT_EQ(months.IncludeIDs.Count(), 1);
    EXPECT_EQ(months.ExcludeIDs.Count(), 0) << "the shorter list is kept";
    EXPECT_EQ(e.ColRoot()->Count(), 1) << "rebuilt";

    // Escape leaves the dimension as it was.
    QTimer::singleShot(0, [&] {
        auto* popup = w.columns->findChild<TPCAxisFiltering*>();
        if (!popup || !QTest::qWaitFor([&] { return QApplication::activeWindow() == popup; })) return;
        QListView* list = popup->findChild<QListView*>(QStringLiteral("LVMembers"));
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::mouseClick(w.columns, Qt::LeftButton, {}, w.columns->ArrowRect(0).center());
    EXPECT_EQ(months.IncludeIDs.Count(), 1);
    EXPECT_EQ(e.ColRoot()->Count(), 1);
    EXPECT_EQ(e.ColDimensionCount(), 2) << "an arrow press drags nothing";
}

TEST_F(AxisBars, RegroupmentsOfTheBarsDirection) {
    e.AddDimension(e.ColDimensions(), 3);
    int repaints = 0;
    const int id = e.Subscribe([&] { ++repaints; });
    // "Ajouter" then "Ok" in the dialog the menu opens (the dialog's own
    // tests drive its keys).
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TPCRegroupsForm*>(QApplication::activeModalWidget());
        if (!form) return;
        form->findChild<QPushButton*>(QStringLiteral("HBAdd"))->click();
        form->findChild<QPushButton*>(QStringLiteral("BBOk"))->click();
        if (form->isVisible()) form->reject();
    });
    entry(*w.rows->BuildContextMenu(QPoint(40, 40)), "Regroupement...")->trigger();
    e.Unsubscribe(id);
    ASSERT_EQ(e.RowRegroups().Count(), 1);
    EXPECT_EQ(e.RowRegroups()[0]->Value(), QStringLiteral("Montant"));
    EXPECT_EQ(e.ColRegroups().Count(), 0);
    EXPECT_GE(repaints, 1);
    // "Abandon" leaves the collection alone.
    QTimer::singleShot(0, [] {
        if (auto* form = qobject_cast<TPCRegroupsForm*>(QApplication::activeModalWidget())) {
            form->findChild<QPushButton*>(QStringLiteral("HBAdd"))->click();
            form->findChild<QPushButton*>(QStringLiteral("BBCancel"))->click();
        }
    });
    entry(*w.columns->BuildContextMenu(QPoint(40, 20)), "Regroupement...")->trigger();
    EXPECT_EQ(e.ColRegroups().Count(), 0);
}

TEST_F(AxisBars, ARightClickOpensTheMenuWhereThePointerIs) {
    e.AddDimension(e.ColDimensions(), 3);
    QStringList shown;
    QTimer::singleShot(0, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shown = entries(*popup);
            popup->close();
        }
    });
    QTest::mouseClick(w.columns, Qt::RightButton, {}, blockCentre(w.columns, 0));
    EXPECT_EQ(shown.value(3), QStringLiteral("Retirer Mois"));
}

TEST_F(AxisBars, TheBarsLetGoOfAnEngineThatGoes) {
    auto pivot = std::make_unique<TPivotCube>();
    TPivotCubeColumns bar;
    bar.SetPivotCube(pivot.get());
    pivot.reset();
    EXPECT_EQ(bar.PivotCube(), nullptr);
    EXPECT_EQ(bar.BlockCount(), 0);
    EXPECT_FALSE(bar.grab().isNull());
}

} // namespace
