// The value bar, offscreen: adding, renaming, recolouring, re-deriving,
// removing and reordering value columns the way a user does.
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QInputDialog>
#include <QListView>
#include <QMenu>

#include "BarsTestWindow.h"

#include <gtest/gtest.h>

namespace {

QAction* entry(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

QStringList captions(const TPivotCube& e) {
    QStringList out;
    for (int i = 0; i < e.ValueColumnCount(); ++i) out << e.ValueColumns()[i]->Caption();
    return out;
}

// Runs what a modal dialog of type Dialog should do, once it is open.
template <class Dialog>
void whenOpen(std::function<void(Dialog&)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) act(*dialog);
    });
}

class ValueBar : public ::testing::Test {
protected:
    BarsTestWindow w;
    TPivotCube& e = w.engine();
    void SetUp() override {
        ASSERT_TRUE(w.show());
        TPivotCubeFormula& f = *e.Formulas().Add();
        f.SetCaption(QStringLiteral("Double"));
        f.SetFormula(QStringLiteral("Somme('Montant')*2"));
        e.SetColWidth(90);
    }
    QPoint inBlock(int i) { return w.values->BlockRect(i).topLeft() + QPoint(20, 12); }
};

TEST_F(ValueBar, AddingColumnsKeepsEachSubColumnsWidth) {
    auto menu = w.values->BuildContextMenu(inBlock(0));
    // "Montant" is shown already: only the formula is offered.
    EXPECT_EQ(entry(*menu, "Ajouter Montant"), nullptr);
    ASSERT_NE(entry(*menu, "Ajouter Double"), nullptr);
    EXPECT_FALSE(entry(*menu, "Retirer Montant")->isEnabled()) << "the last column stays";
    entry(*menu, "Ajouter Double")->trigger();
    EXPECT_EQ(captions(e), (QStringList{"Montant", "Double"}));
    EXPECT_EQ(e.ColWidth(), 180);
    EXPECT_TRUE(e.Options() & pcoShowValueColumns);

    // Renamed, the first column frees its value's name for another column.
    e.ValueColumns()[0]->SetCaption(QStringLiteral("CA"));
    menu = w.values->BuildContextMenu(inBlock(1));
    entry(*menu, "Ajouter Montant")->trigger();
    EXPECT_EQ(e.ColWidth(), 270);
    EXPECT_EQ(captions(e), (QStringList{"CA", "Double", "Montant"}));

    menu = w.values->BuildContextMenu(inBlock(1));
    ASSERT_TRUE(entry(*menu, "Retirer Double (Somme('Montant')*2)")->isEnabled());
    entry(*menu, "Retirer Double (Somme('Montant')*2)")->trigger();
    EXPECT_EQ(captions(e), (QStringList{"CA", "Montant"}));
}

TEST_F(ValueBar, RenameThroughTheInputBox) {
    QString title, prompt;
    whenOpen<QInputDialog>([&](QInputDialog& box) {
        title = box.windowTitle();
        prompt = box.labelText();
        box.setTextValue(QStringLiteral("Chiffre d'affaires"));
        box.accept();
    });
    entry(*w.values->BuildContextMenu(inBlock(0)), "Renommer Montant")->trigger();
    EXPECT_EQ(title, QStringLiteral("Colonne valeur"));
    EXPECT_EQ(prompt, QStringLiteral("Titre de la colonne"));
    EXPECT_EQ(e.ValueColumns()[0]->Caption(), QStringLiteral("Chiffre d'affaires"));

    whenOpen<QInputDialog>([](QInputDialog& box) {
        box.setTextValue(QStringLiteral("ignored"));
        box.reject();
    });
    entry(*w.values->BuildContextMenu(inBlock(0)), "Renommer Chiffre d'affaires (Montant)")->trigger();
    EXPECT_EQ(e.ValueColumns()[0]->Caption(), QStringLiteral("Chiffre d'affaires"));
}

TEST_F(ValueBar, TheColourButtonStoresTheChosenColour) {
    whenOpen<QColorDialog>([](QColorDialog& dialog) {
        dialog.setCurrentColor(QColor(0x20, 0x40, 0x80));
        dialog.accept();
    });
    QTest::mouseClick(w.values, Qt::LeftButton, {}, w.values->ColorButtonRect(0).center());
    EXPECT_EQ(e.ValueColumns()[0]->BgColor(), 0x804020);
    whenOpen<QColorDialog>([](QColorDialog& dialog) { dialog.reject(); });
    QTest::mouseClick(w.values, Qt::LeftButton, {}, w.values->ColorButtonRect(0).center());
    EXPECT_EQ(e.ValueColumns()[0]->BgColor(), 0x804020);
}

TEST_F(ValueBar, TheDropDownOffersValuesThenFormulas) {
    QTest::mouseClick(w.values, Qt::LeftButton, {}, w.values->GlyphRect(0).center());
    QComboBox* list = w.values->ValueList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Montant"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("Double"));
    EXPECT_EQ(list->currentIndex(), 0);
    // The keyboard picks the formula in the open list.
    QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_EQ(w.values->ValueList(), nullptr);
    EXPECT_EQ(e.ValueColumns()[0]->Caption(), QStringLiteral("Double"));
    EXPECT_EQ(e.ValueColumns()[0]->Formula(), QStringLiteral("Somme('Montant')*2"));

    // Opened again, the list shows the formula chosen; Escape changes nothing.
    QTest::mouseClick(w.values, Qt::LeftButton, {}, w.values->GlyphRect(0).center());
    ASSERT_NE(w.values->ValueList(), nullptr);
    EXPECT_EQ(w.values->ValueList()->currentIndex(), 1);
    QTest::keyClick(w.values->ValueList()->view(), Qt::Key_Escape);
    EXPECT_EQ(w.values->ValueList(), nullptr);
    EXPECT_EQ(e.ValueColumns()[0]->Caption(), QStringLiteral("Double"));
}

TEST_F(ValueBar, DraggingABlockReordersTheColumns) {
    e.AddValueColumn(*e.Formulas()[0]);
    e.ValueColumns()[0]->SetCaption(QStringLiteral("A"));
    e.AddValueColumn(*e.CubeData().Values()[0]);
    ASSERT_EQ(captions(e), (QStringList{"A", "Double", "Montant"}));
    const int size = w.values->BlockWidth();
    QTest::mousePress(w.values, Qt::LeftButton, {}, inBlock(0));
    QTest::mouseMove(w.values, inBlock(0) + QPoint(3, 0));
    QTest::mouseMove(w.values, QPoint(2 * size + 10, 12));
    EXPECT_EQ(w.values->MarkedSlot(), 2);
    QTest::mouseRelease(w.values, Qt::LeftButton, {}, QPoint(2 * size + 10, 12));
    EXPECT_EQ(captions(e), (QStringList{"Double", "A", "Montant"}));
    // A column dragged to the axis bars stays where it is.
    QTest::mousePress(w.values, Qt::LeftButton, {}, inBlock(0));
    QTest::mouseMove(w.values, inBlock(0) + QPoint(3, 0));
    QTest::mouseMove(w.columns, QPoint(300, 20));
    EXPECT_EQ(w.columns->MarkedSlot(), -1);
    QTest::mouseRelease(w.columns, Qt::LeftButton, {}, QPoint(300, 20));
    EXPECT_EQ(captions(e), (QStringList{"Double", "A", "Montant"}));
}

TEST_F(ValueBar, HandlesKeepTheWidthBetween64And512) {
    e.AddValueColumn(*e.Formulas()[0]);
    ASSERT_EQ(w.values->BlockWidth(), 200);
    struct Case {
        int handle, distance, width;
    } cases[] = {{2, 60, 230}, {1, -400, 64}, {1, 500, 512}};
    for (const Case& c : cases) {
        const QPoint at(c.handle * w.values->BlockWidth(), 12);
        if (at.x() >= w.values->width()) continue;
        QTest::mousePress(w.values, Qt::LeftButton, {}, at);
        QTest::mouseMove(w.values, at + QPoint(c.distance, 0));
        QTest::mouseRelease(w.values, Qt::LeftButton, {}, at + QPoint(c.distance, 0));
        EXPECT_EQ(w.values->BlockWidth(), c.width) << c.handle << " " << c.distance;
    }
}

} // namespace
