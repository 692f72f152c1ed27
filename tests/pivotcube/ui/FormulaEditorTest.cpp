// The formula editor, driven through its controls as a user would: what a
// formula shows when opened, the simple page writing the formula, the list
// buttons, and what "Ok" and "Abandon" do to the formulas.
#include "FPCFormulaEditor.h"

#include "DialogTestHelpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class FormulaEditor : public ::testing::Test {
protected:
    // The first value is on neither side of the opened formulas, so a side
    // that falls back to it shows.
    std::unique_ptr<TPivotCubeValues> values = MakeValues({{QStringLiteral("Montant"), QStringLiteral("Somme")},
                                                           {QStringLiteral("A"), QStringLiteral("Somme")},
                                                           {QStringLiteral("B"), QStringLiteral("Somme")}});
    TPivotCubeFormulas formulas;
    TPCFormulaEditor editor;

    TPivotCubeFormula* addFormula(const QString& caption, const QString& text, const QString& format = {}) {
        TPivotCubeFormula* f = formulas.Add();
        f->SetCaption(caption);
        f->SetFormula(text);
        f->SetFormat(format);
        return f;
    }
    template <class T> T* child(const char* name) {
        T* w = editor.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    bool execute(std::function<void()> drive) {
        return RunModal(editor, std::move(drive), [this] { return editor.Execute(formulas, *values); });
    }
    QString page() { return child<QTabWidget>("PageControl")->currentWidget()->objectName(); }
    QStringList listed() {
        QStringList texts;
        auto* list = child<QListWidget>("LBItems");
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
};

TEST_F(FormulaEditor, OpensOnThePageTheFormulaFits) {
    struct Case {
        const char* text;
        const char* page;
        const char* left;
        const char* op;
        const char* right;
    } cases[] = {
        {"Somme('A')*Somme('B')", "TSSimple", "A", "x", "B"},
        {"Somme('A')%Somme('B')", "TSAdvanced", "A", "x", "B"},
        // The left side's operator is not A's: the first value, and the rebuilt text differs.
        {"Moyenne('A')*Somme('B')", "TSAdvanced", "Montant", "x", "B"},
        {"Somme('A')/Somme('Z')", "TSAdvanced", "", "", ""},
        {"", "TSSimple", "", "", ""},
    };
    for (const Case& c : cases) {
        formulas.Clear();
        addFormula(QStringLiteral("F"), QString::fromUtf8(c.text));
        execute([&] {
            EXPECT_EQ(page(), QLatin1String(c.page)) << c.text;
            EXPECT_EQ(child<QComboBox>("CBLeftOperand")->currentText(), QString::fromUtf8(c.left)) << c.text;
            EXPECT_EQ(child<QComboBox>("CBOperator")->currentText(), QString::fromUtf8(c.op)) << c.text;
            EXPECT_EQ(child<QComboBox>("CBRightOperand")->currentText(), QString::fromUtf8(c.right)) << c.text;
            EXPECT_EQ(child<QLineEdit>("EDFormula")->text(), QString::fromUtf8(c.text));
            click("BBCancel");
        });
    }
}

TEST_F(FormulaEditor, ShowsTheSelectedFormula) {
    addFormula(QStringLiteral("Marge"), QStringLiteral("Somme('A')-Somme('B')"), QStringLiteral("%.1f"));
    addFormula(QStringLiteral("Code"), QStringLiteral("Somme('A')"), QStringLiteral("=IntToStr(Value, 3)"));
    execute([&] {
        auto* list = child<QListWidget>("LBItems");
        EXPECT_EQ(listed(), (QStringList{QStringLiteral("Marge"), QStringLiteral("Code")}));
        EXPECT_EQ(list->currentRow(), 0) << "the first formula is selected";
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("Marge"));
        EXPECT_TRUE(child<QRadioButton>("RBFormat")->isChecked());
        EXPECT_EQ(child<QLineEdit>("EDFormat")->text(), QStringLiteral("%.1f"));
        EXPECT_EQ(child<QComboBox>("CBFormat")->currentIndex(), 3) << "the item of the mask";
        EXPECT_EQ(child<QComboBox>("CBOperator")->currentText(), QStringLiteral("-"));

        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("Code"));
        EXPECT_TRUE(child<QRadioButton>("RBFormula")->isChecked());
        EXPECT_EQ(child<QLineEdit>("EDFormat")->text(), QString());
        EXPECT_EQ(child<QLineEdit>("EDPresentationFormula")->text(), QStringLiteral("IntToStr(Value, 3)"));
        EXPECT_EQ(child<QComboBox>("CBFormat")->currentIndex(), -1) << "no item for a display expression";
        EXPECT_EQ(page(), QStringLiteral("TSAdvanced"));
        click("BBCancel");
    });
    EXPECT_EQ(formulas[1]->Format(), QStringLiteral("=IntToStr(Value, 3)")) << "showing a formula changes nothing";
}

TEST_F(FormulaEditor, SimplePageWritesTheFormula) {
    addFormula(QStringLiteral("Total"), QStringLiteral("Somme('A')*Somme('B')"), QStringLiteral("%.2f"));
    const bool confirmed = execute([&] {
        QTest::keyClick(child<QComboBox>("CBOperator"), Qt::Key_Down);    // "-"
        QTest::keyClick(child<QComboBox>("CBRightOperand"), Qt::Key_Up);  // "A"
        EXPECT_EQ(child<QLineEdit>("EDFormula")->text(), QStringLiteral("Somme('A')-Somme('A')"));
        QTest::keyClick(child<QComboBox>("CBFormat"), Qt::Key_Down);       // "%.2f %%"
        EXPECT_EQ(child<QLineEdit>("EDFormat")->text(), QStringLiteral("%.2f %%"));
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(formulas[0]->Formula(), QStringLiteral("Somme('A')-Somme('A')"));
    EXPECT_EQ(formulas[0]->Format(), QStringLiteral("%.2f %%"));
}

TEST_F(FormulaEditor, AdvancedPageEditsFollowTheSimplePage) {
    addFormula(QStringLiteral("Total"), QStringLiteral("Somme('A')%Somme('B')"));
    const bool confirmed = execute([&] {
        auto* formula = child<QLineEdit>("EDFormula");
        formula->clear();
        QTest::keyClicks(formula, QStringLiteral("Somme('B')+Somme('A')"));
        EXPECT_EQ(child<QComboBox>("CBLeftOperand")->currentText(), QStringLiteral("B"));
        EXPECT_EQ(child<QComboBox>("CBOperator")->currentText(), QStringLiteral("+"));
        QTest::keyClicks(child<QLineEdit>("EDFormat"), QStringLiteral("%.3f"));
        EXPECT_EQ(child<QComboBox>("CBFormat")->currentIndex(), 4);
        // Typing a display expression chooses it.
        QTest::keyClicks(child<QLineEdit>("EDPresentationFormula"), QStringLiteral("FloatToStr(Value)"));
        EXPECT_TRUE(child<QRadioButton>("RBFormula")->isChecked());
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(formulas[0]->Formula(), QStringLiteral("Somme('B')+Somme('A')"));
    EXPECT_EQ(formulas[0]->Format(), QStringLiteral("=FloatToStr(Value)"));
}

TEST_F(FormulaEditor, AddedFormulasAreNamedFormule) {
    const bool confirmed = execute([&] {
        EXPECT_FALSE(child<QLineEdit>("LECaption")->isEnabled()) << "nothing selected";
        EXPECT_FALSE(child<QTabWidget>("PageControl")->isEnabled());
        EXPECT_FALSE(child<QPushButton>("HBRemove")->isEnabled());
        click("HBAdd");
        click("HBAdd");
        EXPECT_EQ(listed(), (QStringList{QStringLiteral("Formule"), QStringLiteral("Formule")}));
        EXPECT_EQ(child<QListWidget>("LBItems")->currentRow(), 1) << "the new one is selected";
        EXPECT_TRUE(child<QLineEdit>("LECaption")->isEnabled());
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("Formule"));
        EXPECT_EQ(page(), QStringLiteral("TSSimple"));
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    ASSERT_EQ(formulas.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(formulas[i]->Caption(), QStringLiteral("Formule"));
        EXPECT_EQ(formulas[i]->Formula(), QString());
        EXPECT_EQ(formulas[i]->Format(), QString());
    }
}

TEST_F(FormulaEditor, CaptionRenamesTheListEntry) {
    addFormula(QStringLiteral("Marge"), QStringLiteral("Somme('A')"));
    const bool confirmed = execute([&] {
        auto* caption = child<QLineEdit>("LECaption");
        caption->selectAll();
        QTest::keyClicks(caption, QStringLiteral("Resultat"));
        EXPECT_EQ(listed(), QStringList{QStringLiteral("Resultat")});
        QTest::keyClick(caption, Qt::Key_Return);   // Enter is Ok
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(formulas[0]->Caption(), QStringLiteral("Resultat"));
}

TEST_F(FormulaEditor, ListButtonsMoveAndRemove) {
    for (const char* name : {"F1", "F2", "F3"}) addFormula(QString::fromLatin1(name), QString());
    const bool confirmed = execute([&] {
        auto* list = child<QListWidget>("LBItems");
        EXPECT_FALSE(child<QToolButton>("HBUp")->isEnabled()) << "at the top";
        click("HBDown");
        EXPECT_EQ(listed(), (QStringList{QStringLiteral("F2"), QStringLiteral("F1"), QStringLiteral("F3")}));
        EXPECT_EQ(list->currentRow(), 1) << "the moved formula stays selected";
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("F1"));
        click("HBDown");
        EXPECT_FALSE(child<QToolButton>("HBDown")->isEnabled()) << "at the bottom";
        click("HBUp");
        click("HBUp");
        EXPECT_EQ(listed(), (QStringList{QStringLiteral("F1"), QStringLiteral("F2"), QStringLiteral("F3")}));

        list->setCurrentRow(2);
        click("HBRemove");
        EXPECT_EQ(list->currentRow(), 1) << "the last removed: the previous one";
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("F2"));
        list->setCurrentRow(0);
        click("HBRemove");
        EXPECT_EQ(child<QLineEdit>("LECaption")->text(), QStringLiteral("F2")) << "the next one took its place";
        click("HBRemove");
        EXPECT_EQ(list->count(), 0);
        EXPECT_FALSE(child<QLineEdit>("LECaption")->isEnabled());
        EXPECT_EQ(page(), QStringLiteral("TSSimple"));
        click("BBOk");
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(formulas.Count(), 0);
}

TEST_F(FormulaEditor, UnusableFormatBlocksOkWithTheCaption) {
    addFormula(QStringLiteral("Marge"), QStringLiteral("Somme('A')"), QStringLiteral("%.2f"));
    addFormula(QStringLiteral("Nombre"), QStringLiteral("Somme('B')"), QStringLiteral("%d"));
    QString shown;
    const bool confirmed = execute([&] {
        CloseNextMessage(shown);
        click("BBOk");
        EXPECT_TRUE(editor.isVisible()) << "the dialog stays open";
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Nombre: "))) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("Marge")));
        EXPECT_FALSE(shown.endsWith(QLatin1Char('\n')));
        click("BBCancel");
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(formulas[1]->Format(), QStringLiteral("%d"));
}

TEST_F(FormulaEditor, TextMaskWithAUnitIsAccepted) {
    addFormula(QStringLiteral("Poids"), QStringLiteral("Somme('A')"), QStringLiteral("%d"));
    QString shown;
    const bool confirmed = execute([&] {
        auto* format = child<QLineEdit>("EDFormat");
        format->selectAll();
        QTest::keyClicks(format, QStringLiteral("%s kg"));
        CloseNextMessage(shown);
        click("BBOk");
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(shown, QString()) << "no error";
    EXPECT_EQ(formulas[0]->Format(), QStringLiteral("%s kg"));
}

TEST_F(FormulaEditor, CancelLeavesTheFormulasUnchanged) {
    addFormula(QStringLiteral("Marge"), QStringLiteral("Somme('A')*Somme('B')"), QStringLiteral("%.2f"));
    addFormula(QStringLiteral("Autre"), QStringLiteral("Somme('B')"));
    for (const bool byEscape : {false, true}) {
        const bool confirmed = execute([&] {
            QTest::keyClicks(child<QLineEdit>("LECaption"), QStringLiteral("XX"));
            QTest::keyClick(child<QComboBox>("CBOperator"), Qt::Key_Down);
            click("HBAdd");
            child<QListWidget>("LBItems")->setCurrentRow(1);
            click("HBRemove");
            if (byEscape) QTest::keyClick(child<QListWidget>("LBItems"), Qt::Key_Escape);
            else click("BBCancel");
            EXPECT_FALSE(editor.isVisible());
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(formulas.Count(), 2);
        EXPECT_EQ(formulas[0]->Caption(), QStringLiteral("Marge"));
        EXPECT_EQ(formulas[0]->Formula(), QStringLiteral("Somme('A')*Somme('B')"));
        EXPECT_EQ(formulas[1]->Caption(), QStringLiteral("Autre"));
    }
}

// The texts are translated when the dialog is made, the caption of an added formula too.
TEST(FormulaEditorLanguage, TextsAreTranslated) {
    const ScopedEnglish english("Formules=Formulas\r\nAjouter=Add\r\nFormule=Formula\r\nFormule simple=Simple formula\r\n");
    TPCFormulaEditor editor;
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Formulas"));
    auto* pages = editor.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Simple formula"));
    auto* add = editor.findChild<QPushButton*>(QStringLiteral("HBAdd"));
    EXPECT_EQ(add->text(), QStringLiteral("Add"));
    TPivotCubeFormulas formulas;
    const auto values = MakeValues({});
    RunModal(editor, [&] {
        QTest::mouseClick(add, Qt::LeftButton);
        editor.findChild<QPushButton*>(QStringLiteral("BBOk"))->click();
    }, [&] { return editor.Execute(formulas, *values); });
    ASSERT_EQ(formulas.Count(), 1);
    EXPECT_EQ(formulas[0]->Caption(), QStringLiteral("Formula"));
}

} // namespace
