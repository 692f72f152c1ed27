// Value columns, formulas and the values of cells: compilation with its
// fallbacks, evaluation, the collections and the columns' colours.
#include "CPivotCubeValueColumns.h"
#include "PivotCubeTestCube.h"
#include "XLists.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using testcube::makeCube;

class Cells : public ::testing::Test {
protected:
    // Montant 1 and 2 (Prix 4 and 8) on member x; Montant 10 on member y.
    std::unique_ptr<TPivotCubeData> cube = makeCube({{1, 1, 1, 4}, {1, 2, 2, 8}, {2, 1, 10, 1}});
    PivotCubeCells cells{cube.get()};
    TPCDataItemList cellX;   // the items of member x

    void SetUp() override {
        const auto& items = cube->DataItems().List();
        cellX = {items[0], items[1]};
    }

    TPivotCubeValueColumn* column(const QString& formula, const QString& format = QString()) {
        TPivotCubeValueColumn* c = cells.ValueColumns().Add();
        c->SetCaption(formula);
        c->SetFormula(formula);
        c->SetFormat(format);
        cells.Compile(*c);
        return c;
    }

    TPivotCubeFormula* formula(const QString& caption, const QString& text, const QString& format = QString()) {
        TPivotCubeFormula* f = cells.Formulas().Add();
        f->SetCaption(caption);
        f->SetFormula(text);
        f->SetFormat(format);
        return f;
    }
};

TEST_F(Cells, CompileGeneratesTheValueAndDisplayTexts) {
    formula(QStringLiteral("Ratio"), QStringLiteral("Somme('Montant')/Nombre('Montant')"), QStringLiteral("%.3f"));
    struct Case {
        const char* formula;
        const char* format;
        const char* valueText;
        const char* displayText;
    } cases[] = {
        {"Prix", "", "Moyenne(\"Prix\")", "FormatFloat('%.2f',Value)"},
        {"Montant", "%.1f 'u'", "Somme(\"Montant\")", "FormatFloat('%.1f ''u''',Value)"},
        {"Montant", "=Value * 100", "Somme(\"Montant\")", "Value * 100"},
        // an unregistered operator leaves a parenthesised string
        {"Bizarre", "", "(\"Bizarre\")", "FormatFloat('%.2f',Value)"},
        // a double quote in a value name is doubled in the generated text
        {"Quo\"te", "", "Somme(\"Quo\"\"te\")", "FormatFloat('%.2f',Value)"},
        // a formula column without a format takes its formula's
        {"Somme('Montant')/Nombre('Montant')", "", "Somme('Montant')/Nombre('Montant')", "FormatFloat('%.3f',Value)"},
        {"Somme('Montant'", "", "-1", "FormatFloat('%.2f',Value)"},
        {"Montant", "=FormatFloat('%.2f'", "Somme(\"Montant\")", ""},
    };
    for (const Case& c : cases) {
        TPivotCubeValueColumn* k = column(QString::fromUtf8(c.formula), QString::fromUtf8(c.format));
        EXPECT_EQ(k->ValueText(), QString::fromUtf8(c.valueText)) << c.formula << " / " << c.format;
        EXPECT_EQ(k->DisplayTextSource(), QString::fromUtf8(c.displayText)) << c.formula << " / " << c.format;
        ASSERT_NE(k->ValueExpression(), nullptr);
        ASSERT_NE(k->DisplayExpression(), nullptr);
    }
}

TEST_F(Cells, EvaluateCellGivesTheNumberAndItsText) {
    formula(QStringLiteral("Moyenne calculee"), QStringLiteral("Somme('Montant')/Nombre('Montant')"));
    cells.SetValueDefaultFormat(QStringLiteral("%.2f"));
    struct Case {
        const char* formula;
        const char* format;
        double value;
        const char* text;
    } cases[] = {
        {"Prix", "", 6, "6.00"},
        {"Montant", "", 3, "3.00"},
        {"Montant", "%.1f €", 3, "3.0 €"},
        {"Montant", "%.1f 'u'", 3, "3.0 'u'"},
        {"Montant", "=Value * 100", 3, "300"},
        {"Montant", "=IntToStr(Value, 3)", 3, "003"},
        {"Montant", "=Somme('Prix')", 3, "12"},    // the display sees the cell's items too
        {"Somme('Montant')/Nombre('Montant')", "", 1.5, "1.50"},
        {"Bizarre", "", 0, "0.00"},
        {"Quo\"te", "", 3, "3.00"},
        {"Somme('Montant'", "", -1, "-1.00"},
        {"Montant", "=FormatFloat('%.2f'", 3, "SynErr"},
        {"Montant", "%d", 3, "#ERR!"},
        {"Prix", "%s €", 6, "6 €"},                     // a text mask shows the shortest form
        {"Somme('Montant')/Nombre('Montant')", "%5s|%s", 1.5, "#ERR!"},   // one number for two specifiers
        {"5 % 0", "", -1, "-1.00"},                     // folding fails at compile time
        {"Somme('Montant') % 0", "", 0, "0.00"},        // a fault while evaluating
        {"If(Somme('Montant') > 0, '#VAL!', 1) * 1", "", -1, "-1.00"},
        {"Moyenne('Inconnu')", "", 0, "0.00"},
    };
    for (const Case& c : cases) {
        TPivotCubeValueColumn* k = column(QString::fromUtf8(c.formula), QString::fromUtf8(c.format));
        const TPivotCubeCellValue cell = cells.EvaluateCell(cellX, {}, *k);
        EXPECT_DOUBLE_EQ(cell.Value, c.value) << c.formula << " / " << c.format;
        EXPECT_EQ(cell.Text, QString::fromUtf8(c.text)) << c.formula << " / " << c.format;
        EXPECT_DOUBLE_EQ(cells.EvaluateCellValue(cellX, {}, *k), c.value);
    }
    EXPECT_EQ(cells.FormulaParser().ContextItems, nullptr) << "no context is left between cells";
}

TEST_F(Cells, MoyenneOverOneAndTwoShowsOneFifty) {
    auto lone = makeCube({{1, 1, 0, 1}, {1, 1, 0, 2}});
    PivotCubeCells engine(lone.get());
    TPivotCubeValueColumn* k = engine.ValueColumns().Add();
    k->AssignFrom(*lone->Values().FindByName(QStringLiteral("Prix")));
    engine.Compile(*k);
    EXPECT_EQ(k->ValueText(), QStringLiteral("Moyenne(\"Prix\")"));
    const TPivotCubeCellValue cell = engine.EvaluateCell(lone->DataItems().List(), {}, *k);
    EXPECT_DOUBLE_EQ(cell.Value, 1.5);
    EXPECT_EQ(cell.Text, QStringLiteral("1.50"));
}

TEST_F(Cells, TheDefaultFormatFollowsTheEngine) {
    TPivotCubeValueColumn* k = column(QStringLiteral("Montant"));
    int repaints = 0;
    struct Counting : PivotCubeCells {
        using PivotCubeCells::PivotCubeCells;
        int* counter = nullptr;
        void Invalidate() override { ++*counter; }
    } engine(cube.get());
    engine.counter = &repaints;
    engine.SetValueDefaultFormat(QStringLiteral("%.2f"));
    EXPECT_EQ(repaints, 0) << "an equal text changes nothing";
    engine.SetValueDefaultFormat(QStringLiteral("%.0f"));
    engine.SetValueDefaultFormat(QString());
    EXPECT_EQ(engine.ValueDefaultFormat(), QStringLiteral("%.2f"));
    EXPECT_EQ(repaints, 2);

    cells.SetValueDefaultFormat(QStringLiteral("%.0f"));
    cells.Compile(*k);
    EXPECT_EQ(cells.EvaluateCell(cellX, {}, *k).Text, QStringLiteral("3"));
}

TEST_F(Cells, EveryChangeOfTheCollectionsClearsTheCaches) {
    struct Counting : PivotCubeCells {
        using PivotCubeCells::PivotCubeCells;
        int clears = 0;
        void ClearCaches() override { ++clears; }
    } engine(cube.get());
    TPivotCubeValueColumn* k = engine.ValueColumns().Add();
    EXPECT_EQ(engine.clears, 1);
    k->SetCaption(QStringLiteral("c"));
    k->SetCaption(QStringLiteral("c"));   // equal: nothing
    k->SetFormula(QStringLiteral("Montant"));
    k->SetFormat(QStringLiteral("%.1f"));
    k->SetBgColor(0x123456);
    EXPECT_EQ(engine.clears, 5);
    k->AssignFrom(*cube->Values().Items(1));   // several properties, one notification
    EXPECT_EQ(engine.clears, 6);
    TPivotCubeFormula* f = engine.Formulas().Add();
    f->SetFormula(QStringLiteral("1"));
    f->SetFormulaDisplay(QStringLiteral("1"));
    engine.Formulas().Add();
    engine.Formulas().Exchange(0, 1);
    engine.Formulas().Delete(0);
    engine.ValueColumns().Clear();
    EXPECT_EQ(engine.clears, 13);
}

TEST_F(Cells, ColumnsTakeThePaletteInTurnAndKeepTheirHue) {
    const int32_t expected[] = {0xFFFFFF, 0xA000A0, 0xFF0000, 0x0080A0, 0x00A000, 0xFFFFFF, 0xA000A0};
    for (int32_t colour : expected) EXPECT_EQ(cells.ValueColumns().Add()->BgColor(), colour);

    TPivotCubeValueColumn* k = cells.ValueColumns().Items(2);   // 0xFF0000: blue
    EXPECT_NEAR(k->BgColorHSL().Hue, 2.0 / 3, 1e-9);
    EXPECT_NEAR(k->BgColorHSL().Saturation, 1, 1e-9);
    EXPECT_NEAR(k->BgColorHSL().Lightness, 0.5, 1e-9);
    // Shades keep hue and saturation at the lightness of their depth.
    const HSLColor shade = RGBToHSL(k->Shade(0));
    EXPECT_NEAR(shade.Hue, 2.0 / 3, 0.01);
    EXPECT_NEAR(shade.Lightness, 0.96, 0.005);
    EXPECT_EQ(k->Shade(2), HSLToRGB({2.0 / 3, 1, 0.92}));
    EXPECT_EQ(NeutralShade(0), 0xF5F5F5u);
    EXPECT_EQ(cells.ValueColumns().Items(0)->Shade(1), NeutralShade(1)) << "white has no hue";

    // A system colour is kept as such; its hue comes from what it resolves to.
    SetSystemColorResolver([](int) -> quint32 { return 0x0000FF; });   // red
    k->SetBgColor(int32_t(0x8000000F));
    EXPECT_EQ(k->BgColor(), int32_t(0x8000000F));
    EXPECT_NEAR(k->BgColorHSL().Hue, 0, 1e-9);
    EXPECT_NEAR(k->BgColorHSL().Saturation, 1, 1e-9);
    SetSystemColorResolver(nullptr);
    EXPECT_EQ(ColorToRGB(int32_t(0x80000005)), 0xFFFFFFu);
}

TEST(HSL, RoundTripsThroughRGB) {
    for (uint32_t rgb : {0x000000u, 0xFFFFFFu, 0x0080A0u, 0xA000A0u, 0x123456u, 0x00A000u, 0x7F7F7Fu})
        EXPECT_EQ(HSLToRGB(RGBToHSL(rgb)), rgb) << std::hex << rgb;
}

TEST_F(Cells, DisplayTextAndFormulaColumns) {
    formula(QStringLiteral("Marge"), QStringLiteral("Somme('Montant')-Somme('Prix')"), QStringLiteral("%.1f"));
    TPivotCubeValueColumn* k = cells.ValueColumns().Add();
    k->AssignFrom(*cells.Formulas().Items(0));
    EXPECT_EQ(k->Caption(), QStringLiteral("Marge"));
    EXPECT_EQ(k->Format(), QStringLiteral("%.1f"));
    EXPECT_EQ(k->DisplayText(), QStringLiteral("Marge (Somme('Montant')-Somme('Prix'))"));
    EXPECT_TRUE(cells.IsFormulaColumn(*k));

    k->AssignFrom(*cube->Values().Items(0));
    EXPECT_EQ(k->Caption(), QStringLiteral("Montant"));
    EXPECT_EQ(k->Formula(), QStringLiteral("Montant"));
    EXPECT_EQ(k->Format(), QString());
    EXPECT_EQ(k->DisplayText(), QStringLiteral("Montant"));
    EXPECT_FALSE(cells.IsFormulaColumn(*k));
    k->SetCaption(QStringLiteral("Chiffre"));
    EXPECT_EQ(k->DisplayText(), QStringLiteral("Chiffre (Montant)"));

    // A cube value named like a formula's text is a value column.
    formula(QStringLiteral("Alias"), QStringLiteral("Prix"));
    k->SetFormula(QStringLiteral("Prix"));
    EXPECT_FALSE(cells.IsFormulaColumn(*k));

    EXPECT_EQ(cells.ValueColumns().ColumnFormula(0), QStringLiteral("Prix"));
    EXPECT_EQ(cells.ValueColumns().ColumnFormula(1), QString());
    EXPECT_EQ(cells.ValueColumns().ColumnFormula(-1), QString());
    EXPECT_EQ(cells.ValueColumns().FindByCaption(QStringLiteral("Chiffre")), k);
    EXPECT_EQ(cells.ValueColumns().FindByCaption(QStringLiteral("chiffre")), nullptr);

    TPivotCubeValueColumn* copy = cells.ValueColumns().Add();
    copy->Assign(*k);
    EXPECT_EQ(copy->Caption(), k->Caption());
    EXPECT_EQ(copy->BgColor(), k->BgColor());
}

TEST_F(Cells, SyncWithSourcesFollowsTheFormulasAndValues) {
    TPivotCubeFormula* ratio = formula(QStringLiteral("Ratio"), QStringLiteral("Somme('Montant')/2"), QStringLiteral("%.1f"));
    formula(QStringLiteral("Ancien"), QStringLiteral("1"));
    const char* captions[] = {"Montant", "Ratio", "Ancien", "Perdu"};
    for (const char* caption : captions) {
        TPivotCubeValueColumn* k = cells.ValueColumns().Add();
        k->SetCaption(QString::fromUtf8(caption));
        k->SetFormula(QString::fromUtf8(caption));
    }
    cells.ValueColumns().Items(0)->SetFormat(QStringLiteral("%.3f"));
    cells.Formulas().Items(1)->SetCaption(QStringLiteral("Nouveau"));   // renamed in the editor
    ratio->SetFormula(QStringLiteral("Somme('Montant')/4"));

    cells.SyncWithSources();
    ASSERT_EQ(cells.ValueColumns().Count(), 2);
    EXPECT_EQ(cells.ValueColumns().Items(0)->Caption(), QStringLiteral("Montant"));
    EXPECT_EQ(cells.ValueColumns().Items(0)->Format(), QString());
    EXPECT_EQ(cells.ValueColumns().Items(1)->Formula(), QStringLiteral("Somme('Montant')/4"));
    EXPECT_EQ(cells.ValueColumns().Items(1)->Format(), QStringLiteral("%.1f"));
    EXPECT_EQ(cells.ValueColumns().Items(1)->BgColor(), 0xA000A0) << "colours stay with their columns";
}

TEST_F(Cells, ValidateFormatsReportsFormatsThatCannotFormatTheirProbe) {
    formula(QStringLiteral("Entier"), QStringLiteral("1"), QStringLiteral("%d"));
    formula(QStringLiteral("Decimal"), QStringLiteral("1"), QStringLiteral("%.1f"));
    formula(QStringLiteral("Texte"), QStringLiteral("1"), QStringLiteral("%s unites"));
    formula(QStringLiteral("Vide"), QStringLiteral("1"));
    formula(QStringLiteral("Expression"), QStringLiteral("1"), QStringLiteral("=Value*2"));
    const QString report = cells.Formulas().ValidateFormats();
    EXPECT_TRUE(report.startsWith(QStringLiteral("Entier: "))) << report.toStdString();
    EXPECT_TRUE(report.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(report.count(QStringLiteral("\r\n")), 1) << report.toStdString();

    cells.Formulas().Delete(0);
    EXPECT_EQ(cells.Formulas().ValidateFormats(), QString());
}

TEST_F(Cells, FormulaCollection) {
    TPivotCubeFormula* a = formula(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("%.1f"));
    a->SetFormulaDisplay(QStringLiteral("un"));
    formula(QStringLiteral("B"), QStringLiteral("2"));
    EXPECT_EQ(a->DisplayName(), QStringLiteral("A (%.1f) = 1"));
    EXPECT_EQ(cells.Formulas().IndexOfCaption(QStringLiteral("B")), 1);
    EXPECT_EQ(cells.Formulas().IndexOfFormula(QStringLiteral("1")), 0);
    EXPECT_EQ(cells.Formulas().IndexOfFormula(QStringLiteral("3")), -1);
    EXPECT_EQ(cells.Formulas().FindByCaption(QStringLiteral("a")), nullptr);

    TStringList names;
    cells.Formulas().AddCaptionsTo(names);
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(names.Strings(1), QStringLiteral("B"));

    TPivotCubeFormula* b = cells.Formulas().Items(1);
    b->Assign(*a);
    EXPECT_EQ(b->Caption(), QStringLiteral("A"));
    EXPECT_EQ(b->FormulaDisplay(), QString()) << "the display text is not copied";

    cells.Formulas().Exchange(0, 1);
    EXPECT_EQ(cells.Formulas().Items(0), b);
    a->SetIndex(0);
    EXPECT_EQ(cells.Formulas().Items(0), a);
    EXPECT_EQ(a->Index(), 0);

    TPivotCubeFormulas copy;
    copy.Assign(cells.Formulas());
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(0)->FormulaDisplay(), QStringLiteral("un"));
}

} // namespace
