// The pivot table exports: the table markup for each shape of the trees and
// each option bit, the HTML page, the spreadsheet page's decimal separator and
// the XML document with its temporary overrides.
#include "CPivotCube.h"
#include "CPivotCubeTableExport.h"
#include "PivotCubeTestCube.h"
#include "UPivotCubeSample.h"
#include "USysUtils.h"

#include "LocaleChildTest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace {

// An error no formula evaluation turns into a cell text.
struct TestFailure {};

// Boom(): fails whichever way it is evaluated; never folded.
class TFETestBoom : public TFESimpleNoParamFunction {
    FE_CLASS(TFETestBoom, TFESimpleNoParamFunction)
public:
    TFETestBoom() { Flags = 0; }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { throw TestFailure(); }
    double EvaluateNum() override { throw TestFailure(); }
    QString EvaluateString() override { throw TestFailure(); }
};

enum Axis { Region, Ville, Mois };

// Region: nord 1, sud 2; Ville: a 1, b 2, c 3; Mois: jan 1, fev 2.
// Montant (Somme) and Prix (Moyenne):
//   nord a jan 10 1 | nord b fev 20 4 | nord c jan 30 2 | sud a jan 5 6 | sud a fev 7 8
// so Montant is nord 60 (jan 40, fev 20), sud 12 (jan 5, fev 7), 72 in all,
// and Prix is nord 2.33 (jan 1.50, fev 4.00), sud 7.00 (jan 6.00, fev 8.00).
std::unique_ptr<TPivotCubeData> salesCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    testcube::addAxis(*cube, QStringLiteral("Region"), {QStringLiteral("nord"), QStringLiteral("sud")});
    testcube::addAxis(*cube, QStringLiteral("Ville"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    testcube::addAxis(*cube, QStringLiteral("Mois"), {QStringLiteral("jan"), QStringLiteral("fev")});
    testcube::addValue(*cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    testcube::addValue(*cube, QStringLiteral("Prix"), QStringLiteral("Moyenne"));
    struct Item {
        int32_t region, ville, mois;
        double montant, prix;
    } items[] = {{1, 1, 1, 10, 1}, {1, 2, 2, 20, 4}, {1, 3, 1, 30, 2}, {2, 1, 1, 5, 6}, {2, 1, 2, 7, 8}};
    for (const Item& i : items) {
        const int32_t ids[3] = {i.region, i.ville, i.mois};
        const double values[2] = {i.montant, i.prix};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

class TableExport : public ::testing::Test {
protected:
    TPivotCube pivot;

    void SetUp() override {
        pivot.SetCubeData(*salesCube());
        pivot.FormulaParser().RegisterFunction(QStringLiteral("Boom"), TFETestBoom::StaticClass());
    }
    void TearDown() override { SetDecimalSeparator(QLatin1Char('.')); }

    TPivotCubeValueColumn* addValue(const QString& name) {
        TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
        c->AssignFrom(*pivot.CubeData().Values().FindByName(name));
        return c;
    }
    TPivotCubeValueColumn* addFormula(const QString& caption, const QString& formula, const QString& format = {}) {
        TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
        c->SetCaption(caption);
        c->SetFormula(formula);
        c->SetFormat(format);
        return c;
    }
    void rows(std::initializer_list<int> axes) {
        for (int a : axes) pivot.AddDimension(pivot.RowDimensions(), a);
    }
    void cols(std::initializer_list<int> axes) {
        for (int a : axes) pivot.AddDimension(pivot.ColDimensions(), a);
    }
    TPivotCubeRegroup* regroup(TPivotCubeRegroups& list, const QString& op, const QString& value,
                               const QString& caption = {}) {
        TPivotCubeRegroup* r = list.Add();
        r->SetOperator(op);
        r->SetValue(value);
        r->SetCaption(caption);
        return r;
    }
    QString table(unsigned options) {
        TXMLHierarchicalWriter container;
        pivot.WriteTable(container, options);
        return container.ToText(true);
    }
    // The element `name` of the table (first occurrence), tags included.
    QString section(unsigned options, const QString& name) {
        const QString text = table(options);
        const qsizetype start = text.indexOf(QLatin1Char('<') + name);
        const QString close = QStringLiteral("</") + name + QLatin1Char('>');
        qsizetype end = text.indexOf(close, start);
        if (start < 0) return QString();
        if (end < 0) {
            end = text.indexOf(QStringLiteral("/>"), start);   // an empty element
            return text.mid(start, end + 2 - start);
        }
        return text.mid(start, end + close.size() - start);
    }
};

const QString NoDimensionsTable = QStringLiteral(
    "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"0\"/>"
    "<colgroup class=\"DataCells\" width=\"1*\"/><thead/>"
    "<tbody><tr><th/><td class=\"Data\">72.00</td></tr></tbody></table>");

TEST_F(TableExport, NoRowAndNoColumnDimension) {
    addValue(QStringLiteral("Montant"));
    EXPECT_EQ(table(peoDataCells), NoDimensionsTable);
}

TEST_F(TableExport, TwoValueColumnsWithoutColumnDimension) {
    rows({Region});
    addValue(QStringLiteral("Montant"));
    addValue(QStringLiteral("Prix"));
    EXPECT_EQ(table(peoDataCells),
              "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"1\"/>"
              "<colgroup class=\"DataCells\" width=\"1*\"/>"
              "<thead><tr><th class=\"Header\"/><th>Montant</th><th>Prix</th></tr></thead>"
              "<tbody><tr><th colspan=\"1\" rowspan=\"1\">nord</th><td class=\"Data\">60.00</td><td class=\"Data\">2.33</td></tr>"
              "<tr><th colspan=\"1\" rowspan=\"1\">sud</th><td class=\"Data\">12.00</td><td class=\"Data\">7.00</td></tr>"
              "</tbody></table>");
}

TEST_F(TableExport, ExpandedRowSpansItsChildren) {
    rows({Region, Ville});
    addValue(QStringLiteral("Montant"));
    pivot.ToggleExpand(pivot.RowRoot(), 0);
    EXPECT_EQ(table(peoDataCells),
              "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"2\"/>"
              "<colgroup class=\"DataCells\" width=\"1*\"/><thead/><tbody>"
              "<tr><th rowspan=\"4\">nord</th><th colspan=\"1\"/><td class=\"Data\">60.00</td></tr>"
              "<tr><th colspan=\"1\" rowspan=\"1\">a</th><td class=\"Data\">10.00</td></tr>"
              "<tr><th colspan=\"1\" rowspan=\"1\">b</th><td class=\"Data\">20.00</td></tr>"
              "<tr><th colspan=\"1\" rowspan=\"1\">c</th><td class=\"Data\">30.00</td></tr>"
              "<tr><th colspan=\"2\" rowspan=\"1\">sud</th><td class=\"Data\">12.00</td></tr>"
              "</tbody></table>");
}

TEST_F(TableExport, ExpandedColumnSpansItsLeavesTimesTheValueColumns) {
    cols({Region, Mois});
    addValue(QStringLiteral("Montant"));
    addValue(QStringLiteral("Prix"));
    addFormula(QStringLiteral("n"), QStringLiteral("Nombre('Montant')"), QStringLiteral("%.0f"));
    pivot.ToggleExpand(pivot.ColRoot(), 0);
    const QString values = QStringLiteral("<th>Montant</th><th>Prix</th><th>n</th>");
    EXPECT_EQ(table(peoDataCells),
              "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"0\"/>"
              "<colgroup class=\"DataCells\" width=\"1*\"><col caption=\"jan\"/><col caption=\"fev\"/><col caption=\"sud\"/></colgroup>"
              "<thead><tr><td colspan=\"0\" rowspan=\"3\"/><th colspan=\"6\" class=\"Header\">nord</th>"
              "<th rowspan=\"2\" colspan=\"3\" class=\"Header\">sud</th></tr>"
              "<tr><th colspan=\"3\" class=\"Header\">jan</th><th colspan=\"3\" class=\"Header\">fev</th></tr>"
              "<tr>" + values + values + values + "</tr></thead>"
              "<tbody><tr><th/>"
              "<td class=\"Data\">40.00</td><td class=\"Data\">1.50</td><td class=\"Data\">2</td>"
              "<td class=\"Data\">20.00</td><td class=\"Data\">4.00</td><td class=\"Data\">1</td>"
              "<td class=\"Data\">12.00</td><td class=\"Data\">7.00</td><td class=\"Data\">2</td>"
              "</tr></tbody></table>");
}

TEST_F(TableExport, TopLevelOnlyAndFirstValueOnly) {
    rows({Region, Ville});
    cols({Mois});
    addValue(QStringLiteral("Montant"));
    addValue(QStringLiteral("Prix"));
    pivot.ToggleExpand(pivot.RowRoot(), 0);
    // The chart view's options: one line per top-level row, no spans, one value column.
    EXPECT_EQ(table(peoDataCells | peoTopLevelOnly | peoFirstValueOnly),
              "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"1\"/>"
              "<colgroup class=\"DataCells\" width=\"1*\"><col caption=\"jan\"/><col caption=\"fev\"/></colgroup>"
              "<thead><tr><td colspan=\"1\" rowspan=\"1\"/><th class=\"Header\">jan</th><th class=\"Header\">fev</th></tr></thead>"
              "<tbody><tr><th colspan=\"1\">nord</th><td class=\"Data\">40.00</td><td class=\"Data\">20.00</td></tr>"
              "<tr><th colspan=\"1\">sud</th><td class=\"Data\">5.00</td><td class=\"Data\">7.00</td></tr>"
              "</tbody></table>");
    // Top level only, every value column: the value row is back, the rows still flat.
    EXPECT_EQ(section(peoDataCells | peoTopLevelOnly, QStringLiteral("thead")),
              "<thead><tr><td colspan=\"1\" rowspan=\"2\"/><th colspan=\"2\" class=\"Header\">jan</th>"
              "<th colspan=\"2\" class=\"Header\">fev</th></tr>"
              "<tr><th>Montant</th><th>Prix</th><th>Montant</th><th>Prix</th></tr></thead>");
    // Without data cells: no DataCells group, no col, no td in the body.
    const QString bare = table(peoTopLevelOnly);
    EXPECT_FALSE(bare.contains(QStringLiteral("DataCells")));
    EXPECT_FALSE(bare.contains(QStringLiteral("<col ")));
    EXPECT_FALSE(bare.contains(QStringLiteral("<td class")));
    EXPECT_TRUE(bare.contains(QStringLiteral("<th colspan=\"2\" class=\"Header\">fev</th>")));
}

TEST_F(TableExport, EmptyCaptionIsANoBreakSpaceInColumnHeadersOnly) {
    auto cube = salesCube();
    cube->Axises()[Ville]->Members[2].Caption.clear();   // c
    pivot.SetCubeData(*cube);
    rows({Ville});
    addValue(QStringLiteral("Montant"));
    EXPECT_TRUE(table(peoDataCells).contains(QStringLiteral(
        "<tr><th colspan=\"1\" rowspan=\"1\"/><td class=\"Data\">30.00</td></tr>")));
    pivot.Transpose();
    const QString text = table(peoDataCells);
    EXPECT_TRUE(text.contains(QStringLiteral("<th class=\"Header\">") + QChar(0x00A0) + QStringLiteral("</th></tr>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<col caption=\"b\"/><col/></colgroup>")));
}

TEST_F(TableExport, RegroupmentsInTheTable) {
    rows({Region});
    cols({Mois});
    addValue(QStringLiteral("Montant"));
    regroup(pivot.RowRegroups(), QStringLiteral("Somme"), QStringLiteral("Montant"));
    regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"), QStringLiteral("Montant"));
    regroup(pivot.ColRegroups(), QStringLiteral("Somme"), QStringLiteral("Montant"), QStringLiteral("Total"));
    EXPECT_EQ(table(peoDataCells | peoRowRegroups | peoColRegroups),
              "<table class=\"PivotCube\"><colgroup class=\"RowHeaders\" width=\"1*\" span=\"1\"/>"
              "<colgroup class=\"DataCells\" width=\"1*\"><col caption=\"jan\"/><col caption=\"fev\"/></colgroup>"
              "<colgroup class=\"RowRegroups\" width=\"1*\" span=\"2\"/>"
              "<thead><tr><td colspan=\"1\" rowspan=\"1\"/><th class=\"Header\">jan</th><th class=\"Header\">fev</th>"
              "<th>Somme</th><th>Moyenne</th></tr></thead>"
              "<tbody><tr><th colspan=\"1\" rowspan=\"1\">nord</th><td class=\"Data\">40.00</td><td class=\"Data\">20.00</td>"
              "<td class=\"Regroup\">60.00</td><td class=\"Regroup\">30.00</td></tr>"
              "<tr><th colspan=\"1\" rowspan=\"1\">sud</th><td class=\"Data\">5.00</td><td class=\"Data\">7.00</td>"
              "<td class=\"Regroup\">12.00</td><td class=\"Regroup\">6.00</td></tr></tbody>"
              "<tfoot><tr><th colspan=\"1\">Total</th><td class=\"Regroup\">45.00</td><td class=\"Regroup\">27.00</td>"
              "<td class=\"Regroup\">72.00</td><td class=\"Regroup\">-</td></tr></tfoot></table>");
    // Without the row regroupment columns the footer has no corner cells to line up with them.
    EXPECT_EQ(section(peoDataCells | peoColRegroups, QStringLiteral("tfoot")),
              "<tfoot><tr><th colspan=\"1\">Total</th><td class=\"Regroup\">45.00</td>"
              "<td class=\"Regroup\">27.00</td></tr></tfoot>");
    // The footer's numbers come from the column nodes' caches.
    TPCNodeIterator first(pivot.ColRoot(), false);
    ASSERT_NE(first.GetCache(0), nullptr);
    EXPECT_DOUBLE_EQ((*first.GetCache(0))[0], 45);
}

TEST_F(TableExport, RowRegroupmentCaptionsInTheValueRowWithoutColumnDimension) {
    rows({Region});
    addValue(QStringLiteral("Montant"));
    addValue(QStringLiteral("Prix"));
    regroup(pivot.RowRegroups(), QStringLiteral("Somme"), QStringLiteral("Montant"));
    EXPECT_EQ(section(peoDataCells | peoRowRegroups, QStringLiteral("thead")),
              "<thead><tr><th class=\"Header\"/><th>Montant</th><th>Prix</th><th>Somme (Montant)</th></tr></thead>");
}

TEST_F(TableExport, HTMLPage) {
    addValue(QStringLiteral("Montant"));
    const QByteArray prefix =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n"
        "<style><!-- \r\n"
        "table.PivotCube {font-size: smaller; font-family: Arial; background: #ddd; border-collapse: collapse; }\r\n"
        "table.PivotCube tr > * {border: 1px solid #aaa; padding: 3px 5px; }\r\n"
        "table.PivotCube td {background: #fff; text-align: right; }\r\n"
        "table.PivotCube > tbody > tr:first-child > * {border-top: 2px solid #aaa; }\r\n"
        "table.PivotCube > tbody > tr:last-child > * {border-bottom: 2px solid #aaa; }\r\n"
        "table.PivotCube td.Regroup {background: #ffe; }\r\n"
        "table.PivotCube th {font-weight: bold; background: #eee; vertical-align: top; text-align: left; }\r\n"
        "table.PivotCube > thead th {text-align: center; }\r\n"
        "--></style></head><body>";
    EXPECT_EQ(PivotTableHTMLPrefix(), prefix);
    EXPECT_EQ(pivot.ExportHTML(peoDataCells), prefix + NoDimensionsTable.toUtf8());
    // Texts are escaped and encoded in UTF-8.
    pivot.ValueColumns().Items(0)->SetFormat(QStringLiteral("='<é & \"x\">'"));
    EXPECT_TRUE(pivot.ExportHTML(peoDataCells).endsWith(
        QStringLiteral("<td class=\"Data\">&lt;é &amp; &quot;x&quot;&gt;</td></tr></tbody></table>").toUtf8()));
}

TEST_F(TableExport, SpreadsheetUsesTheGivenDecimalSeparator) {
    rows({Region});
    cols({Mois});
    addValue(QStringLiteral("Prix"));
    regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"), QStringLiteral("Prix"));
    const QByteArray html = pivot.ExportHTML(7);
    EXPECT_TRUE(html.contains("<td class=\"Data\">1.50</td>"));
    EXPECT_TRUE(html.contains("<td class=\"Regroup\">2.75</td>"));   // (1.50 + 4.00) / 2
    const QByteArray sheet = PivotTableHTMLWithSeparator(pivot, QLatin1Char(','));
    EXPECT_TRUE(sheet.contains("<td class=\"Data\">1,50</td>"));
    EXPECT_TRUE(sheet.contains("<td class=\"Regroup\">2,75</td>"));
    EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
    // Every number, and nothing else, changes its separator.
    const QString expected = QString::fromUtf8(html).replace(QRegularExpression(QStringLiteral("(\\d)\\.(\\d)")),
                                                             QStringLiteral("\\1,\\2"));
    EXPECT_EQ(QString::fromUtf8(sheet), expected);
    EXPECT_EQ(pivot.ExportSpreadsheet(), PivotTableHTMLWithSeparator(pivot, LocaleDecimalSeparator()));
    EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
}

// Under a French user locale (in a child process).
TEST_F(TableExport, SpreadsheetUnderAUserLocaleWithADecimalComma) {
    if (InLocaleChild()) {
        rows({Region});
        cols({Mois});
        addValue(QStringLiteral("Prix"));
        ASSERT_EQ(LocaleDecimalSeparator(), QLatin1Char(','));
        EXPECT_TRUE(pivot.ExportSpreadsheet().contains("<td class=\"Data\">1,50</td>"));
        EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
        EXPECT_TRUE(pivot.ExportHTML(7).contains("<td class=\"Data\">1.50</td>"));
        return;
    }
    RunInLocaleChild(QStringLiteral("fr_FR.UTF-8"));
}

TEST_F(TableExport, SpreadsheetRestoresTheSeparatorWhenTheExportFails) {
    rows({Region});
    addValue(QStringLiteral("Prix"));
    addFormula(QStringLiteral("boom"), QStringLiteral("Boom()"));
    EXPECT_THROW(PivotTableHTMLWithSeparator(pivot, QLatin1Char(',')), TestFailure);
    EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
    SetDecimalSeparator(QLatin1Char(';'));
    EXPECT_THROW(pivot.ExportSpreadsheet(), TestFailure);
    EXPECT_EQ(DecimalSeparator(), QLatin1Char(';'));
}

TEST_F(TableExport, XMLDocument) {
    addValue(QStringLiteral("Montant"));
    EXPECT_EQ(pivot.ExportXML(peoDataCells),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>") + NoDimensionsTable.toUtf8() + "</root>");
}

TEST_F(TableExport, XMLOverridesTheFirstValueColumnForTheExportOnly) {
    rows({Region});
    addValue(QStringLiteral("Montant"));
    addValue(QStringLiteral("Prix"));
    const QByteArray xml = pivot.ExportXML(peoDataCells | peoTopLevelOnly | peoFirstValueOnly,
                                           QStringLiteral("Somme('Prix')"), QStringLiteral("%.3f"));
    EXPECT_TRUE(xml.contains("<tr><th colspan=\"1\">nord</th><td class=\"Data\">7.000</td></tr>"
                             "<tr><th colspan=\"1\">sud</th><td class=\"Data\">14.000</td></tr></tbody>"));
    TPivotCubeValueColumn* first = pivot.ValueColumns().Items(0);
    EXPECT_EQ(first->Formula(), QStringLiteral("Montant"));
    EXPECT_EQ(first->Format(), QString());
    EXPECT_TRUE(pivot.ExportXML(peoDataCells).contains("<td class=\"Data\">60.00</td><td class=\"Data\">2.33</td>"));
}

TEST_F(TableExport, XMLRestoresTheOverridesWhenTheExportFails) {
    rows({Region});
    addValue(QStringLiteral("Montant"))->SetFormat(QStringLiteral("%.1f"));
    TPivotCubeValueColumn* first = pivot.ValueColumns().Items(0);
    auto restored = [&] {
        EXPECT_EQ(first->Formula(), QStringLiteral("Montant"));
        EXPECT_EQ(first->Format(), QStringLiteral("%.1f"));
    };
    // A failing cell, through the value and through the display expression.
    EXPECT_THROW(pivot.ExportXML(peoDataCells, QStringLiteral("Boom()"), QStringLiteral("%f")), TestFailure);
    restored();
    EXPECT_THROW(pivot.ExportXML(peoDataCells, QString(), QStringLiteral("=Boom()")), TestFailure);
    restored();
    // A failing change notification, while the overrides are applied and
    // again while they are taken back: the first error is reported.
    int notifications = 0;
    const int id = pivot.Subscribe([&] { throw ++notifications; });
    EXPECT_THROW(pivot.ExportXML(peoDataCells, QStringLiteral("Somme('Prix')"), QStringLiteral("%f")), int);
    EXPECT_EQ(notifications, 2);
    pivot.Unsubscribe(id);
    restored();
    EXPECT_TRUE(pivot.ExportXML(peoDataCells).contains("<td class=\"Data\">60.0</td>"));
}

// Every data cell and every column regroupment cell of a generated cube's
// table, both trees expanded, against sums and maxima computed item by item.
TEST(TableExportAgreement, CellsAndColumnRegroupmentsMatchABruteForce) {
    enum { Region, Ville, Produit, Mois, Canal };
    TPivotCube pivot;
    pivot.SetCubeData(*GenerateSampleCube(3000, 77));
    pivot.SetOptions(pcoHideEmptyAxis);
    pivot.AddDimension(pivot.RowDimensions(), Region);
    pivot.AddDimension(pivot.RowDimensions(), Ville);
    pivot.AddDimension(pivot.ColDimensions(), Canal);
    pivot.AddDimension(pivot.ColDimensions(), Mois);
    pivot.RowDimension(0)->ExcludeIDs.Add(2);   // a region left out everywhere
    pivot.Rebuild();
    pivot.ExpandAllTo(pivot.RowRoot(), 0);
    pivot.ToggleExpand(pivot.ColRoot(), 1);
    const TPivotCubeValues& values = pivot.CubeData().Values();
    const int montant = values.IndexOfName(QStringLiteral("Montant"));
    const int remise = values.IndexOfName(QStringLiteral("Remise"));
    pivot.ValueColumns().Add()->AssignFrom(*values[montant]);
    pivot.ValueColumns().Add()->AssignFrom(*values[remise]);
    pivot.ColRegroups().Add()->SetOperator(QStringLiteral("Somme"));

    using Path = std::vector<std::pair<int, int32_t>>;   // (axis, member) from the top
    auto paths = [](TPivotCubeNode* root, bool leavesOnly) {
        std::vector<Path> out;
        for (TPCNodeIterator it(root, false); !it.Eof(); it.Next()) {
            if (leavesOnly && it.IsExpanded()) continue;
            Path p;
            for (const auto& f : it.Filters) p.emplace_back(f->Axis, f->IncludeIDs[0]);
            out.push_back(p);
        }
        return out;
    };
    const std::vector<Path> lines = paths(pivot.RowRoot(), false), leaves = paths(pivot.ColRoot(), true);
    ASSERT_GT(lines.size(), 20u);
    ASSERT_GT(leaves.size(), 30u);

    const TPCDataItemList& all = pivot.CubeData().DataItems().List();
    auto on = [](const TPCDataItem& item, const Path& p) {
        return std::all_of(p.begin(), p.end(), [&](const auto& step) { return item.AxisIDs[step.first] == step.second; });
    };
    // Montant summed, Remise's maximum (0 without items), over the items on both paths.
    auto measures = [&](const Path& a, const Path& b) {
        double sum = 0, max = 0;
        bool any = false;
        for (const TPCDataItem& item : all)
            if (item.AxisIDs[Region] != 2 && on(item, a) && on(item, b)) {
                sum += item.Values[montant];
                max = any ? std::max(max, item.Values[remise]) : item.Values[remise];
                any = true;
            }
        return std::pair{sum, max};
    };
    auto text = [](double x) { return FormatFloat(QStringLiteral("%.2f"), x); };

    TXMLHierarchicalWriter root;
    pivot.WriteTable(root, peoDataCells | peoColRegroups);
    const TStringsHierarchicalWriter* table = root.Child(0);
    auto child = [](const TStringsHierarchicalWriter* e, const QString& name) -> const TStringsHierarchicalWriter* {
        for (int i = 0; i < e->ChildCount(); ++i)
            if (e->Child(i)->Name() == name) return e->Child(i);
        return nullptr;
    };
    auto cells = [](const TStringsHierarchicalWriter* tr) {
        QStringList out;
        for (int i = 0; i < tr->ChildCount(); ++i)
            if (tr->Child(i)->Name() == QLatin1String("td")) out << tr->Child(i)->Text();
        return out;
    };
    const TStringsHierarchicalWriter* tbody = child(table, QStringLiteral("tbody"));
    ASSERT_EQ(tbody->ChildCount(), int(lines.size()));
    for (size_t l = 0; l < lines.size(); ++l) {
        QStringList expected;
        for (const Path& leaf : leaves) {
            const auto [sum, max] = measures(lines[l], leaf);
            expected << text(sum) << text(max);
        }
        ASSERT_EQ(cells(tbody->Child(int(l))), expected) << "line " << l;
    }

    // The column regroupment sums, over the regions shown, each region's measure.
    QStringList expected;
    for (const Path& leaf : leaves) {
        double sum = 0, maxima = 0;
        for (const TPivotCubeAxisData& region : pivot.CubeData().Axises()[Region]->Members) {
            if (region.ID == 2) continue;
            const auto [s, m] = measures({{Region, region.ID}}, leaf);
            sum += s;
            maxima += m;
        }
        expected << text(sum) << text(maxima);
    }
    EXPECT_EQ(cells(child(table, QStringLiteral("tfoot"))->Child(0)), expected);
}

} // namespace
