// The regroupment dialog, driven through its grid, buttons and shortcuts:
// what the lines show, the actions and their enabling, and what "Ok" and
// "Abandon" do to the collection.
#include "FPCRegroupsForm.h"

#include "CPivotCube.h"
#include "DialogTestHelpers.h"
#include "GridTestCube.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RegroupsForm : public ::testing::Test {
protected:
    TPivotCube engine;
    TPivotCubeRegroups& regroups = engine.RowRegroups();
    std::unique_ptr<TPivotCubeValues> values = MakeValues(
        {{QStringLiteral("Montant"), QStringLiteral("Somme")}, {QStringLiteral("Quantité"), QStringLiteral("Somme")}});
    TPCRegroupsForm form;

    void SetUp() override { engine.SetCubeData(*GridTestCube()); }
    TPivotCubeRegroup* addRegroup(const QString& caption, const QString& value, const QString& op) {
        TPivotCubeRegroup* r = regroups.Add();
        r->SetCaption(caption);
        r->SetValue(value);
        r->SetOperator(op);
        return r;
    }
    bool edit(std::function<void()> drive, const TPivotCubeValues* with = nullptr) {
        return RunModal(form, std::move(drive), [&] { return form.Edit(regroups, with ? *with : *values); });
    }
    QTableView* grid() { return form.findChild<QTableView*>(QStringLiteral("DGRegroups")); }
    QAction* action(const char* name) { return form.findChild<QAction*>(QString::fromLatin1(name)); }
    QString cell(int row, int column, int role = Qt::DisplayRole) {
        return grid()->model()->index(row, column).data(role).toString();
    }
    int rows() { return grid()->model()->rowCount(); }
    int selected() {
        const QModelIndexList r = grid()->selectionModel()->selectedRows();
        return r.isEmpty() ? -1 : r.first().row();
    }
    void select(int row) { QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(row, 1)); }
    QPoint cellCentre(int row, int column) { return grid()->visualRect(grid()->model()->index(row, column)).center(); }
    void press(QWidget* to, int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(to, Qt::Key(key), modifiers);
    }
    void click(const char* name) {
        QTest::mouseClick(form.findChild<QAbstractButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    // Which of add, remove, up, down, rename are enabled.
    std::string enabled() {
        std::string s;
        for (const char* name : {"ACAdd", "ACRemove", "ACUp", "ACDown", "ACRename"})
            s += action(name)->isEnabled() ? '1' : '0';
        return s;
    }
};

TEST_F(RegroupsForm, LinesShowTheRegroupments) {
    addRegroup(QStringLiteral("Total"), QStringLiteral("Montant"), QStringLiteral("Somme"));
    addRegroup(QString(), QStringLiteral("Montant"), QStringLiteral("Moyenne"));
    edit([&] {
        ASSERT_EQ(rows(), 2);
        EXPECT_EQ(grid()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Libellé"));
        EXPECT_EQ(grid()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Valeur/Formule"));
        EXPECT_EQ(grid()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Operation"));
        EXPECT_EQ(cell(0, 0), QStringLiteral("Total"));
        EXPECT_EQ(cell(0, 2), QStringLiteral("Somme"));
        // An empty label shows the generated caption, greyed; editing starts from the empty label.
        EXPECT_EQ(cell(1, 0), regroups.DefaultCaption(QStringLiteral("Moyenne"), QStringLiteral("Montant")));
        EXPECT_EQ(cell(1, 0), QStringLiteral("Moyenne"));
        EXPECT_EQ(cell(1, 0, Qt::EditRole), QString());
        EXPECT_EQ(grid()->model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(),
                  grid()->palette().color(QPalette::PlaceholderText));
        EXPECT_FALSE(grid()->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
        EXPECT_EQ(selected(), 0) << "the first line is selected";
    });
}

TEST_F(RegroupsForm, UnknownValueIsShownInRed) {
    addRegroup(QString(), QStringLiteral("Montant"), QStringLiteral("Somme"));
    addRegroup(QString(), QStringLiteral("Inconnu"), QStringLiteral("Somme"));
    edit([&] {
        grid()->resize(600, 200);
        grid()->selectionModel()->clearSelection();
        const QImage picture = grid()->viewport()->grab().toImage();
        auto redPixels = [&](int row) {
            const QRect r = grid()->visualRect(grid()->model()->index(row, 1));
            int count = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QColor c = picture.pixelColor(x * picture.width() / grid()->viewport()->width(),
                                                        y * picture.height() / grid()->viewport()->height());
                    count += c.red() > 180 && c.green() < 90 && c.blue() < 90;
                }
            return count;
        };
        EXPECT_EQ(redPixels(0), 0) << "a value of the cube";
        EXPECT_GT(redPixels(1), 5) << "not a value of the cube";
    });
}

TEST_F(RegroupsForm, ActionsAreEnabledByTheSelection) {
    edit([&] {
        EXPECT_EQ(enabled(), "10000") << "no line";
        for (int i = 0; i < 3; ++i) click("HBAdd");
        ASSERT_EQ(rows(), 3);
        EXPECT_EQ(selected(), 2) << "the added line is selected";
        EXPECT_EQ(cell(2, 1), QStringLiteral("Montant")) << "the first value";
        EXPECT_EQ(cell(2, 2), QStringLiteral("Somme")) << "the first operator";
        EXPECT_EQ(enabled(), "11101") << "last";
        select(0);
        EXPECT_EQ(enabled(), "11011") << "first";
        select(1);
        EXPECT_EQ(enabled(), "11111") << "between";
        grid()->selectionModel()->clearSelection();
        EXPECT_EQ(enabled(), "10000") << "none selected";
    });
    const auto none = MakeValues({});
    edit([&] { EXPECT_EQ(enabled(), "00000") << "a cube without values"; }, none.get());
}

TEST_F(RegroupsForm, ShortcutsAddMoveAndRename) {
    addRegroup(QStringLiteral("Premier"), QStringLiteral("Montant"), QStringLiteral("Somme"));
    const bool confirmed = edit([&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QWidget* g = grid();
        g->setFocus();
        press(g, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(rows(), 2) << "Ctrl+A adds";
        press(g, Qt::Key_U, Qt::ControlModifier);
        EXPECT_EQ(cell(1, 0), QStringLiteral("Premier")) << "Ctrl+U moved the new line up";
        EXPECT_EQ(selected(), 0);
        press(g, Qt::Key_F2);
        auto* editor = grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "F2 edits the label";
        QTest::keyClicks(editor, QStringLiteral("XMoyenne des mois"));
        press(editor, Qt::Key_Home);
        press(editor, Qt::Key_Delete);
        EXPECT_EQ(rows(), 2) << "Delete in the editor deletes a character, not the line";
        press(editor, Qt::Key_Return);
        QTest::qWait(0);
        EXPECT_TRUE(form.isVisible()) << "Enter in a cell ends the edit, not the dialog";
        EXPECT_EQ(cell(0, 0), QStringLiteral("Moyenne des mois"));
        press(g, Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(cell(1, 0), QStringLiteral("Moyenne des mois")) << "Ctrl+D moved it down";
        press(g, Qt::Key_A, Qt::ControlModifier);
        press(g, Qt::Key_Delete);
        EXPECT_EQ(rows(), 2) << "Delete removes the selected line";
        press(g, Qt::Key_Return);   // now Enter is Ok
    });
    ASSERT_TRUE(confirmed);
    ASSERT_EQ(regroups.Count(), 2);
    EXPECT_EQ(regroups[0]->Caption(), QStringLiteral("Premier"));
    EXPECT_EQ(regroups[1]->Caption(), QStringLiteral("Moyenne des mois"));
    EXPECT_EQ(regroups[1]->Value(), QStringLiteral("Montant"));
    EXPECT_EQ(regroups[1]->Operator(), QStringLiteral("Somme"));
}

TEST_F(RegroupsForm, OkKeepsTheCellBeingEdited) {
    addRegroup(QString(), QStringLiteral("Montant"), QStringLiteral("Somme"));
    const bool confirmed = edit([&] {
        click("HBRename");
        auto* editor = grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "Renommer edits the label";
        QTest::keyClicks(editor, QStringLiteral("Cumul"));
        form.findChild<QPushButton*>(QStringLiteral("BBOk"))->click();
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(regroups[0]->Caption(), QStringLiteral("Cumul"));
}

TEST_F(RegroupsForm, DropDownsChooseValueAndOperator) {
    addRegroup(QString(), QStringLiteral("Inconnu"), QStringLiteral("Somme"));
    const bool confirmed = edit([&] {
        for (int column : {1, 2}) {
            // A double click: the press, then the double-click event.
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(0, column));
            QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(0, column));
            auto* box = grid()->viewport()->findChild<QComboBox*>();
            ASSERT_NE(box, nullptr) << column;
            if (column == 1) {
                EXPECT_EQ(box->currentIndex(), -1) << "an unknown value is not among the names";
                EXPECT_EQ(box->count(), 2);
            } else {
                EXPECT_EQ(box->count(), int(RegisteredGroupOperators().size()));
                EXPECT_EQ(box->itemText(1), RegisteredGroupOperators()[1].Name) << "in registration order";
            }
            press(box, Qt::Key_Down);
            press(box, Qt::Key_Down);
            press(box, Qt::Key_Return);
            QTest::qWait(0);
        }
        EXPECT_EQ(cell(0, 1), QStringLiteral("Quantité"));
        EXPECT_FALSE(grid()->model()->index(0, 1).data(Qt::ForegroundRole).isValid()) << "no longer red";
        EXPECT_EQ(cell(0, 2), QStringLiteral("Nombre"));
        EXPECT_TRUE(form.isVisible());
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(regroups[0]->Value(), QStringLiteral("Quantité"));
    EXPECT_EQ(regroups[0]->Operator(), QStringLiteral("Nombre"));
}

TEST_F(RegroupsForm, UnknownOperatorNameLeavesNoOperator) {
    addRegroup(QStringLiteral("Sans"), QStringLiteral("Montant"), QStringLiteral("Bogus"));
    addRegroup(QStringLiteral("Autre"), QStringLiteral("Montant"), QStringLiteral("Somme"));
    const bool confirmed = edit([&] {
        EXPECT_EQ(cell(0, 2), QString()) << "a regroupment without operator";
        grid()->model()->setData(grid()->model()->index(1, 2), QStringLiteral("Médiane"));
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    ASSERT_EQ(regroups.Count(), 2);
    EXPECT_EQ(regroups[0]->OperatorClass(), nullptr);
    EXPECT_EQ(regroups[1]->OperatorClass(), nullptr);
    EXPECT_EQ(regroups[1]->Caption(), QStringLiteral("Autre"));
}

TEST_F(RegroupsForm, OkWithNoLinesEmptiesTheCollection) {
    addRegroup(QStringLiteral("Un"), QStringLiteral("Montant"), QStringLiteral("Somme"));
    addRegroup(QStringLiteral("Deux"), QStringLiteral("Montant"), QStringLiteral("Moyenne"));
    const bool confirmed = edit([&] {
        click("HBRemove");
        EXPECT_EQ(cell(0, 0), QStringLiteral("Deux"));
        EXPECT_EQ(selected(), 0) << "the line that took its place";
        click("HBRemove");
        EXPECT_EQ(rows(), 0);
        click("BBOk");
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(regroups.Count(), 0);
}

TEST_F(RegroupsForm, AbandonChangesNothing) {
    addRegroup(QStringLiteral("Un"), QStringLiteral("Montant"), QStringLiteral("Somme"));
    addRegroup(QString(), QStringLiteral("Inconnu"), QStringLiteral("Moyenne"));
    for (const bool byEscape : {false, true}) {
        const bool confirmed = edit([&] {
            click("HBDown");
            click("HBAdd");
            grid()->model()->setData(grid()->model()->index(0, 0), QStringLiteral("Changé"));
            select(0);
            click("HBRemove");
            if (byEscape) press(grid(), Qt::Key_Escape);
            else click("BBCancel");
            EXPECT_FALSE(form.isVisible());
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(regroups.Count(), 2);
        EXPECT_EQ(regroups[0]->Caption(), QStringLiteral("Un"));
        EXPECT_EQ(regroups[1]->Caption(), QString());
        EXPECT_EQ(regroups[1]->Value(), QStringLiteral("Inconnu"));
        EXPECT_EQ(regroups[1]->Operator(), QStringLiteral("Moyenne"));
    }
}

TEST(RegroupsFormLanguage, TextsAreTranslated) {
    const ScopedEnglish english("Regroupements=Groupings\r\nLibellé=Label\r\nAjouter=Add\r\n");
    TPCRegroupsForm form;
    TPivotCubeRegroups regroups;
    const auto values = MakeValues({{QStringLiteral("Montant"), QStringLiteral("Somme")}});
    RunModal(form, [&] {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Groupings"));
        auto* grid = form.findChild<QTableView*>(QStringLiteral("DGRegroups"));
        EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Label"));
        EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("HBAdd"))->text(), QStringLiteral("Add"));
    }, [&] { return form.Edit(regroups, *values); });
}

} // namespace
