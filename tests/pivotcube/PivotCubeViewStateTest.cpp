// View states and formula documents: exact texts, round trips, defaults of
// missing parts, members added for unknown captions.
#include "CPivotCubeViewState.h"
#include "UHierarchicalWriter.h"
#include "UXMLParser.h"

#include <gtest/gtest.h>

namespace {

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions, uint8_t style = 0) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    axis->SortStyle = style;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

// Axes "Produit" (a 1, b 2, c 3), "Code" (style 4: IDs 1, 2), values "Montant" (Somme).
std::unique_ptr<TPivotCubeData> makeCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    addAxis(*cube, QStringLiteral("Produit"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    addAxis(*cube, QStringLiteral("Code"), {QStringLiteral("x"), QStringLiteral("y")}, pcsID);
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("Montant");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    cube->Values().Add(std::move(value));
    const struct {
        int32_t p, c;
        double m;
    } rows[] = {{1, 1, 5}, {2, 1, 9}, {3, 2, 1}};
    for (const auto& r : rows) {
        const int32_t ids[2] = {r.p, r.c};
        const double values[1] = {r.m};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

QString writeState(const TPivotCube& pivot) {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    pivot.WriteViewState(&root);
    return root.ToText();
}

void readState(TPivotCube& pivot, const QString& text) {
    TXMLDOMDocument doc;
    doc.LoadXML(text);
    pivot.ReadViewState(doc.DocumentElement());
}

class ViewState : public ::testing::Test {
protected:
    TPivotCube pivot;
    void SetUp() override { pivot.SetCubeData(*makeCube()); }
};

TEST_F(ViewState, EmptyPlacementText) {
    EXPECT_EQ(writeState(pivot),
              QStringLiteral("<ViewState><Value><Columns Count=\"0\"/></Value><CellSize Width=\"80\" Height=\"22\"/>"
                             "<Options HideEmptyAxis=\"False\" ShowValueColumns=\"False\"/><ColFilters Count=\"0\"/>"
                             "<RowFilters Count=\"0\"/><ColRegroups Count=\"0\"/><RowRegroups Count=\"0\"/></ViewState>"));
}

TEST_F(ViewState, FullLayoutRoundTripsExactly) {
    TPivotCubeFormula* f = pivot.Formulas().Add();
    f->SetCaption(QStringLiteral("Double"));
    f->SetFormula(QStringLiteral("Somme('Montant')*2"));
    TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
    c->AssignFrom(*pivot.CubeData().Values()[0]);
    c->SetFormat(QStringLiteral("%.1f"));
    TPivotCubeValueColumn* d = pivot.ValueColumns().Add();
    d->AssignFrom(*f);
    pivot.SetValueDefaultFormat(QStringLiteral("%.3f"));
    pivot.SetColWidth(120);
    pivot.SetOptions(pcoHideEmptyAxis | pcoShowValueColumns);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.RowDimension(0)->ExcludeIDs.Add(2);
    pivot.RowDimension(0)->DescendingSort = true;
    pivot.AddDimension(pivot.ColDimensions(), 1);
    pivot.ColDimension(0)->IncludeIDs.Add(1);
    pivot.Rebuild();
    TPivotCubeRegroup* r = pivot.RowRegroups().Add();
    r->SetOperator(QStringLiteral("Moyenne"));
    r->SetValue(QStringLiteral("Montant"));
    r->SetCaption(QStringLiteral("Moy."));
    TPivotCubeRegroup* columnRegroup = pivot.ColRegroups().Add();
    columnRegroup->SetOperator(QStringLiteral("Somme"));
    columnRegroup->SetValue(QStringLiteral("Montant"));   // an empty value reads back as the first column's
    TPCAxisFilter code(1);
    code.IncludeIDs.Add(1);
    const TPCAxisFilter* stack[1] = {&code};
    pivot.SortHeaderClicked(TPivotCube::MakeSortKey(0, stack));

    const QString text = writeState(pivot);
    const QString expectedStart = QStringLiteral(
        "<ViewState><Value Name=\"Montant\"><Columns Count=\"2\"><Column Format=\"%.1f\" BgColor=\"#FFFFFF\">Montant</Column>"
        "<Column Caption=\"Double\" BgColor=\"#A000A0\">Somme(&#39;Montant&#39;)*2</Column></Columns></Value>"
        "<CellSize Width=\"120\" Height=\"22\"/><Options HideEmptyAxis=\"True\" ShowValueColumns=\"True\"><Sort Descending=\"True\">30");
    EXPECT_TRUE(text.startsWith(expectedStart)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "</Sort><ValueDefaultFormat>%.3f</ValueDefaultFormat></Options>"
        "<ColFilters Count=\"1\"><Filter Name=\"Code\"><IncludeIDs Count=\"1\" Type=\"Values\" xml:space=\"preserve\"><Value>1</Value></IncludeIDs></Filter></ColFilters>"
        "<RowFilters Count=\"1\"><Filter Name=\"Produit\" DescendingSort=\"True\"><ExcludeIDs Count=\"1\" Type=\"Values\" xml:space=\"preserve\"><Value>b</Value></ExcludeIDs></Filter></RowFilters>"
        "<ColRegroups Count=\"1\"><Regroup Operator=\"Somme\" Value=\"Montant\"/></ColRegroups>"
        "<RowRegroups Count=\"1\"><Regroup Caption=\"Moy.\" Operator=\"Moyenne\" Value=\"Montant\"/></RowRegroups></ViewState>")))
        << text.toStdString();

    TPivotCube copy;
    copy.SetCubeData(pivot.CubeData());
    copy.Formulas().Assign(pivot.Formulas());
    readState(copy, text);
    EXPECT_EQ(writeState(copy).toStdString(), text.toStdString());
    EXPECT_EQ(copy.SortKey(), pivot.SortKey());
    EXPECT_EQ(copy.SortColumn(), 0);
    // Rebuilt and sorted: b is excluded, c hidden (no data with code 1).
    ASSERT_NE(copy.RowRoot(), nullptr);
    std::vector<int32_t> ids;
    for (const TPCNChild& child : copy.RowRoot()->Children) ids.push_back(child.ID);
    EXPECT_EQ(ids, (std::vector<int32_t>{1}));
    EXPECT_EQ(copy.RowRoot()->OrderState, 0);
}

TEST_F(ViewState, MissingPartsTakeTheDefaults) {
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.SetValueDefaultFormat(QStringLiteral("%.0f"));
    pivot.SetColWidth(200);
    pivot.SetOptions(pcoHideEmptyAxis);
    readState(pivot, QStringLiteral("<ViewState/>"));
    EXPECT_EQ(pivot.ValueColumns().Count(), 0);
    EXPECT_EQ(pivot.RowDimensionCount(), 0);
    EXPECT_EQ(pivot.ColWidth(), 80);
    EXPECT_EQ(pivot.RowHeight(), 22);
    EXPECT_EQ(pivot.Options(), 0u);
    EXPECT_EQ(pivot.ValueDefaultFormat(), QStringLiteral("%.2f"));
    EXPECT_TRUE(pivot.SortKey().isEmpty());

    // Sizes below the minimum, texts that are not numbers, two columns showing
    // value columns by default.
    readState(pivot, QStringLiteral("<ViewState><Value><Columns><Column>Montant</Column><Column>Montant</Column></Columns></Value>"
                                    "<CellSize Width=\"10\" Height=\"x\"/></ViewState>"));
    EXPECT_EQ(pivot.ColWidth(), 48);
    EXPECT_EQ(pivot.RowHeight(), 22);
    EXPECT_EQ(pivot.Options(), unsigned(pcoShowValueColumns));
    EXPECT_EQ(pivot.ValueColumns().Items(0)->BgColor(), 0);   // no BgColor attribute: black
}

TEST_F(ViewState, ColumnsFormatsAndOlderForms) {
    // A column with the default format is written with it and read back without.
    TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
    c->AssignFrom(*pivot.CubeData().Values()[0]);
    c->SetFormat(QStringLiteral("%.2f"));
    readState(pivot, writeState(pivot));
    ASSERT_EQ(pivot.ValueColumns().Count(), 1);
    EXPECT_EQ(pivot.ValueColumns().Items(0)->Format(), QString());

    // The format of a column is compared with the default of the view being read.
    readState(pivot, QStringLiteral("<ViewState><Value><Columns><Column Format=\"%.2f\">Montant</Column></Columns></Value>"
                                    "<Options><ValueDefaultFormat>%.1f</ValueDefaultFormat></Options></ViewState>"));
    EXPECT_EQ(pivot.ValueColumns().Items(0)->Format(), QStringLiteral("%.2f"));
    EXPECT_EQ(pivot.ValueDefaultFormat(), QStringLiteral("%.1f"));

    // A column showing a formula's text takes the formula's caption.
    TPivotCubeFormula* f = pivot.Formulas().Add();
    f->SetCaption(QStringLiteral("Triple"));
    f->SetFormula(QStringLiteral("Somme('Montant')*3"));
    f->SetFormat(QStringLiteral("%.0f"));
    readState(pivot, QStringLiteral("<ViewState><Value><Columns><Column>Somme('Montant')*3</Column></Columns></Value></ViewState>"));
    EXPECT_EQ(pivot.ValueColumns().Items(0)->Caption(), QStringLiteral("Triple"));

    // Older views name one column in Value/@Name.
    struct Case {
        const char* name;
        const char* caption;
        const char* formula;
        const char* format;
    } cases[] = {
        {"Triple", "Triple", "Somme('Montant')*3", "%.0f"},
        {"Somme('Montant')*3", "Triple", "Somme('Montant')*3", "%.0f"},
        {"Montant", "Montant", "Montant", ""},
        {"R&amp;D", "R&D", "R&D", ""},
    };
    for (const Case& k : cases) {
        readState(pivot, QStringLiteral("<ViewState><Value Name=\"%1\"/></ViewState>").arg(QString::fromUtf8(k.name)));
        ASSERT_EQ(pivot.ValueColumns().Count(), 1) << k.name;
        const TPivotCubeValueColumn* col = pivot.ValueColumns().Items(0);
        EXPECT_EQ(col->Caption(), QString::fromUtf8(k.caption)) << k.name;
        EXPECT_EQ(col->Formula(), QString::fromUtf8(k.formula)) << k.name;
        EXPECT_EQ(col->Format(), QString::fromUtf8(k.format)) << k.name;
    }
}

TEST_F(ViewState, FiltersAndRegroupments) {
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    readState(pivot, QStringLiteral(
        "<ViewState><RowFilters><Filter Name=\"Inconnu\"/><Other/>"
        "<Filter Name=\"Produit\"><IncludeIDs Type=\"Values\"><Value>c</Value><Value>z</Value></IncludeIDs></Filter>"
        "<Filter Name=\"Code\"><ExcludeIDs Type=\"Values\"><Value>2</Value></ExcludeIDs></Filter>"
        "<Filter Name=\"Produit\"><IncludeIDs><ID>2</ID><ID>x</ID></IncludeIDs></Filter></RowFilters>"
        "<RowRegroups><Regroup Caption=\"Somme\" Operator=\"Somme\"/><Regroup Operator=\"Inconnu\" Value=\"Prix\"/></RowRegroups>"
        "</ViewState>"));
    ASSERT_EQ(pivot.RowDimensionCount(), 3);   // the unknown axis is dropped
    const TPivotCubeAxis& produit = *pivot.CubeData().Axises()[0];
    // "z" is added to the axis: ID = member count + 1, ParentID -1.
    ASSERT_EQ(produit.MemberCount(), 4);
    const int32_t z = produit.IDOfCaption(QStringLiteral("z"));
    EXPECT_EQ(z, 4);
    EXPECT_EQ(produit.Members[size_t(produit.IndexOfID(z))].ParentID, -1);
    EXPECT_EQ(pivot.RowDimension(0)->IncludeIDs.Count(), 2);
    EXPECT_EQ(pivot.RowDimension(0)->IncludeIDs[0], 3);
    EXPECT_EQ(pivot.RowDimension(0)->IncludeIDs[1], z);
    EXPECT_EQ(pivot.RowDimension(1)->ExcludeIDs[0], 2);   // style 4: the text is the ID
    EXPECT_EQ(pivot.RowDimension(2)->IncludeIDs[0], 2);   // older ID lists
    EXPECT_EQ(pivot.RowDimension(2)->IncludeIDs[1], 0);

    ASSERT_EQ(pivot.RowRegroups().Count(), 2);
    EXPECT_EQ(pivot.RowRegroups().Items(0)->Caption(), QString());   // caption equal to the operator name
    EXPECT_EQ(pivot.RowRegroups().Items(0)->Value(), QString());   // no value column to take it from
    EXPECT_EQ(pivot.RowRegroups().Items(1)->OperatorClass(), nullptr);
    EXPECT_EQ(pivot.RowRegroups().Items(1)->Value(), QStringLiteral("Prix"));

    // Writing gives the added caption back.
    EXPECT_TRUE(writeState(pivot).contains(QStringLiteral("<Value>c</Value><Value>z</Value>")));
}

TEST_F(ViewState, SortKeyForms) {
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    const QString garbage = QString::fromLatin1(QByteArrayLiteral("0:garbage").toHex().toUpper());
    struct Case {
        QString sort;
        QByteArray key;   // empty: the key is dropped with a warning
        int column;
        int direction;
    } cases[] = {
        {QStringLiteral("<Sort Descending=\"True\">303A</Sort>"), QByteArrayLiteral("0:"), 0, 2},
        {QStringLiteral("<Sort>3A</Sort>"), {}, -1, 1},                           // no column number
        {QStringLiteral("<Sort Descending=\"N\">31323</Sort>"), {}, -1, 1},     // column 12 of 1
        {QStringLiteral("<Sort Descending=\"True\">%1</Sort>").arg(garbage), {}, -1, 1},   // unreadable members
    };
    for (const Case& k : cases) {
        pivot.SetSortState({}, 0, 1);
        readState(pivot, QStringLiteral("<ViewState><Value><Columns><Column>Montant</Column></Columns></Value>"
                                        "<RowFilters><Filter Name=\"Produit\"/><Filter Name=\"Code\"/></RowFilters>"
                                        "<Options>%1</Options></ViewState>").arg(k.sort));
        EXPECT_EQ(pivot.SortKey(), k.key) << k.sort.toStdString();
        EXPECT_EQ(pivot.SortColumn(), k.column) << k.sort.toStdString();
        EXPECT_EQ(pivot.SortDirection(), k.direction) << k.sort.toStdString();
        EXPECT_EQ(pivot.ViewStateWarnings().size(), k.key.isEmpty() ? 1 : 0) << k.sort.toStdString();
        // The table stays usable: expanding sorts (or not) without raising.
        ASSERT_NE(pivot.RowRoot(), nullptr);
        EXPECT_NO_THROW(pivot.ToggleExpand(pivot.RowRoot(), 0)) << k.sort.toStdString();
    }
}

TEST_F(ViewState, SharedCaptionsReloadOntoTheirOwnMember) {
    // Two members captioned "a": the filter on the second must come back to it.
    TPivotCubeAxis& produit = *pivot.CubeData().Axises()[0];
    produit.Members.push_back({7, 0, QStringLiteral("a")});
    std::stable_sort(produit.Members.begin(), produit.Members.end(),
                     [](const TPivotCubeAxisData& x, const TPivotCubeAxisData& y) { return x.Caption < y.Caption; });
    ASSERT_EQ(produit.IDOfCaption(QStringLiteral("a")), 1);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.RowDimension(0)->IncludeIDs.Add(7);
    pivot.RowDimension(0)->ExcludeIDs.Add(1);
    pivot.RowDimension(0)->ExcludeIDs.Add(2);
    const QString text = writeState(pivot);
    EXPECT_TRUE(text.contains(QStringLiteral("<IncludeIDs Count=\"1\" Type=\"Values\" xml:space=\"preserve\"><Value ID=\"7\">a</Value>")))
        << text.toStdString();
    // The leftmost "a" and an unshared caption need no ID.
    EXPECT_TRUE(text.contains(QStringLiteral("<Value>a</Value><Value>b</Value></ExcludeIDs>"))) << text.toStdString();

    readState(pivot, text);
    EXPECT_EQ(pivot.RowDimension(0)->IncludeIDs[0], 7);
    EXPECT_EQ(pivot.RowDimension(0)->ExcludeIDs[0], 1);
    EXPECT_EQ(writeState(pivot), text);

    // Captions only (older files), or an ID the axis does not hold: by caption.
    readState(pivot, QStringLiteral("<ViewState><RowFilters><Filter Name=\"Produit\"><IncludeIDs Type=\"Values\">"
                                    "<Value>a</Value><Value ID=\"99\">b</Value><Value ID=\"x\">c</Value></IncludeIDs></Filter></RowFilters></ViewState>"));
    const TIntegerList& ids = pivot.RowDimension(0)->IncludeIDs;
    ASSERT_EQ(ids.Count(), 3);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], 3);
}

TEST_F(ViewState, BlanksAtTheEndsOfCaptionsAndFormulasSurvive) {
    const QString texts[] = {QStringLiteral(" Montant"), QStringLiteral("Montant  "), QStringLiteral("\nMontant\n"),
                             QStringLiteral("  "), QStringLiteral("Mon tant")};
    for (const QString& t : texts) {
        pivot.ValueColumns().Clear();
        TPivotCubeValueColumn* same = pivot.ValueColumns().Add();
        same->SetCaption(t);
        same->SetFormula(t);
        TPivotCubeValueColumn* other = pivot.ValueColumns().Add();
        other->SetCaption(t);
        other->SetFormula(QStringLiteral(" Somme('Montant')*2 "));
        TPivotCube copy;
        copy.SetCubeData(pivot.CubeData());
        readState(copy, writeState(pivot));
        ASSERT_EQ(copy.ValueColumns().Count(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(copy.ValueColumns().Items(i)->Caption(), pivot.ValueColumns().Items(i)->Caption()) << i;
            EXPECT_EQ(copy.ValueColumns().Items(i)->Formula(), pivot.ValueColumns().Items(i)->Formula()) << i;
        }

        TPivotCubeFormulas formulas;
        TPivotCubeFormula* f = formulas.Add();
        f->SetCaption(t);
        f->SetFormula(t);
        TXMLDOMDocument doc;
        doc.LoadFromBytes(SaveToXMLText(formulas));
        TPivotCubeFormulas back;
        ReadXML(back, ChildByPath(doc.DocumentElement(), QStringLiteral("PCFormulas")));
        ASSERT_EQ(back.Count(), 1);
        EXPECT_EQ(back.Items(0)->Caption(), t);
        EXPECT_EQ(back.Items(0)->Formula(), t);
    }
    // A control character after the blank is left out when writing; the blank
    // it uncovers survives, and the state read back writes the same.
    pivot.ValueColumns().Clear();
    TPivotCubeValueColumn* column = pivot.ValueColumns().Add();
    column->SetCaption(QStringLiteral("Mon"));
    column->SetFormula(QStringLiteral("Mon ") + QChar(1));
    const QString written = writeState(pivot);
    TPivotCube copy;
    copy.SetCubeData(pivot.CubeData());
    readState(copy, written);
    EXPECT_EQ(copy.ValueColumns().Items(0)->Formula(), QStringLiteral("Mon "));
    EXPECT_EQ(writeState(copy).toStdString(), written.toStdString());
    // Files written without the attribute still read trimmed, as before.
    readState(pivot, QStringLiteral("<ViewState><Value><Columns><Column> Montant </Column></Columns></Value></ViewState>"));
    EXPECT_EQ(pivot.ValueColumns().Items(0)->Formula(), QStringLiteral("Montant"));
}

TEST(FormulaXML, DocumentAndRoundTrip) {
    TPivotCubeFormulas formulas;
    EXPECT_TRUE(SaveToXMLText(formulas).isEmpty());
    TPivotCubeFormula* a = formulas.Add();
    a->SetCaption(QStringLiteral("Marge"));
    a->SetFormula(QStringLiteral("Somme('Montant')<2"));
    a->SetFormat(QStringLiteral("%.1f"));
    a->SetFormulaDisplay(QStringLiteral("Somme(Montant) < 2"));
    TPivotCubeFormula* b = formulas.Add();
    b->SetCaption(QStringLiteral("Nb"));
    b->SetFormula(QStringLiteral("Nombre('Montant')"));
    const QByteArray text = SaveToXMLText(formulas);
    EXPECT_EQ(text, QByteArrayLiteral(
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root><PCFormulas Count=\"2\">"
                        "<PCFormula Name=\"Marge\" Format=\"%.1f\" Display=\"Somme(Montant) &lt; 2\">Somme(&#39;Montant&#39;)&lt;2</PCFormula>"
                        "<PCFormula Name=\"Nb\">Nombre(&#39;Montant&#39;)</PCFormula></PCFormulas></root>"));

    TXMLDOMDocument doc;
    doc.LoadFromBytes(text);
    TPivotCubeFormulas copy;
    int changes = 0;
    copy.OnChange = [&] { ++changes; };
    ReadXML(copy, ChildByPath(doc.DocumentElement(), QStringLiteral("PCFormulas")));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(SaveToXMLText(copy).toStdString(), text.toStdString());
    ReadXML(copy, nullptr);
    EXPECT_EQ(copy.Count(), 0);
}

TEST(ColorXML, Forms) {
    struct Case {
        const char* text;
        int32_t color;
    } cases[] = {{"#A000A0", 0xA000A0}, {"", 0}, {"$ff", 0xFF}, {"0x10", 0x10}, {"&H10", -1}, {"#GG", -1}};
    for (const Case& c : cases) EXPECT_EQ(XMLTextToColor(QString::fromUtf8(c.text)), c.color) << c.text;
}

} // namespace
