// Drill-through: the items behind a cell are exactly those the cell
// aggregates, under every operator, every filter and every level shown.
#include "CPivotCubeDrillThrough.h"
#include "CPivotCubeGrid.h"
#include "CPivotCubeLeafColumn.h"
#include "PivotCubeTestCube.h"
#include "UPivotCubeSample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// Each operator of a cell, computed here from the drilled items alone.
struct OperatorCase {
    const char* formula;
    double (*fold)(const std::vector<double>&);
};

double sumOf(const std::vector<double>& x) {
    double s = 0;
    for (double v : x) s += v;
    return s;
}
const OperatorCase kOperators[] = {
    {"Somme('Montant')", [](const std::vector<double>& x) { return sumOf(x); }},
    {"Moyenne('Montant')", [](const std::vector<double>& x) { return x.empty() ? 0.0 : sumOf(x) / double(x.size()); }},
    {"Nombre('Montant')", [](const std::vector<double>& x) { return double(x.size()); }},
    {"Maximum('Montant')", [](const std::vector<double>& x) { return x.empty() ? 0.0 : *std::max_element(x.begin(), x.end()); }},
    {"Minimum('Montant')", [](const std::vector<double>& x) { return x.empty() ? 0.0 : *std::min_element(x.begin(), x.end()); }},
    {"Etendue('Montant')", [](const std::vector<double>& x) {
         return x.empty() ? 0.0 : *std::max_element(x.begin(), x.end()) - *std::min_element(x.begin(), x.end());
     }},
    // A formula of two aggregates: 0 / 0 on a cell without items, as the table shows it.
    {"Somme('Montant') / Nombre('Montant')", [](const std::vector<double>& x) { return sumOf(x) / double(x.size()); }},
};

// Equal up to rounding (a pass over the items may add them in another order); two NaNs agree.
bool sameNumber(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

int axisNamed(const TPivotCube& engine, const char* name) { return engine.CubeData().Axises().IndexOfName(QString::fromUtf8(name)); }

class DrillThrough : public ::testing::Test {
protected:
    void SetUp() override {
        engine.SetCubeData(*GenerateSampleCube(3000, 11));
        for (const OperatorCase& op : kOperators) {
            TPivotCubeValueColumn* column = engine.ValueColumns().Add();
            column->SetCaption(QString::fromUtf8(op.formula));
            column->SetFormula(QString::fromUtf8(op.formula));
            column->SetFormat(QStringLiteral("%.6f"));
        }
    }
    void place(std::initializer_list<const char*> rows, std::initializer_list<const char*> cols) {
        for (const char* a : rows) engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(engine, a)));
        for (const char* a : cols) engine.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(engine, a)));
    }
    // Every cell of the table as the grid shows it, against the drilled items.
    void expectEveryCellMatchesItsItems() {
        engine.CompileAll();
        const TPivotGrid grid = BuildPivotGrid(engine);
        std::vector<TPCLeafColumn> leaves;
        {
            TPCNodeIterator it(engine.ColRoot(), false);
            do {
                if (!it.IsExpanded()) leaves.emplace_back(it);
                it.Next();
            } while (!it.Eof());
        }
        const int nV = engine.ValueColumnCount();
        const int montant = engine.CubeData().Values().IndexOfName(QStringLiteral("Montant"));
        TPCNodeIterator rows(engine.RowRoot(), false);
        size_t line = 0;
        int nonEmptyCells = 0;
        do {
            ASSERT_LT(line, grid.Lines.size());
            const TPCLeafColumn row(rows);
            for (size_t leaf = 0; leaf < leaves.size(); ++leaf) {
                const TPCDataItemList items = DrillThroughItems(engine, row.Filters, leaves[leaf].Filters);
                if (!items.empty()) ++nonEmptyCells;
                std::vector<double> amounts;
                for (const TPCDataItem& item : items) amounts.push_back(item.Values[montant]);
                for (int k = 0; k < nV; ++k) {
                    const double shown = grid.Lines[line].Numbers[leaf * size_t(nV) + size_t(k)];
                    const double expected = kOperators[k].fold(amounts);
                    EXPECT_TRUE(sameNumber(shown, expected)) << kOperators[k].formula << " line " << line << " leaf " << leaf << ": "
                                                             << shown << " vs " << expected;
                    // And the engine's own evaluation of the cell, from its items.
                    EXPECT_TRUE(sameNumber(engine.EvaluateCellValue(items, {}, *engine.ValueColumns()[k]),
                                           engine.EvaluateCellValue(engine.CubeData().DataItems().SelectItems(row.Filters, scratch),
                                                                    leaves[leaf].Filters, *engine.ValueColumns()[k])));
                }
            }
            ++line;
            rows.Next();
        } while (!rows.Eof());
        EXPECT_EQ(line, grid.Lines.size());
        EXPECT_GT(nonEmptyCells, 0);
    }
    TPivotCube engine;
    TPCDataItemList scratch;
};

TEST_F(DrillThrough, EveryCellOfTwoExpandedLevelsUnderDimensionFilters) {
    place({"Région", "Ville"}, {"Canal", "Mois"});
    // A dimension filter on each side: the items it leaves out must not come back.
    engine.RowDimension(0)->ExcludeIDs.Add(engine.CubeData().Axises()[axisNamed(engine, "Région")]->Members[0].ID);
    engine.ColDimension(1)->IncludeIDs.Add(engine.CubeData().Axises()[axisNamed(engine, "Mois")]->Members[2].ID);
    engine.ColDimension(1)->IncludeIDs.Add(engine.CubeData().Axises()[axisNamed(engine, "Mois")]->Members[5].ID);
    engine.Rebuild();
    engine.ExpandAllTo(engine.RowRoot(), 1);
    engine.ToggleExpand(engine.ColRoot(), 0);   // one column member expanded, the others collapsed
    expectEveryCellMatchesItsItems();
}

TEST_F(DrillThrough, OneSidedAndEmptyTables) {
    struct Case {
        std::vector<const char*> rows, cols;
    } cases[] = {{{}, {}}, {{"Produit"}, {}}, {{}, {"Canal"}}};
    for (const Case& c : cases) {
        engine.ClearDimensions();
        for (const char* a : c.rows) engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(engine, a)));
        for (const char* a : c.cols) engine.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(engine, a)));
        engine.Rebuild();
        expectEveryCellMatchesItsItems();
    }
    // No dimension at all: the single cell holds every item.
    engine.ClearDimensions();
    engine.Rebuild();
    EXPECT_EQ(DrillThroughItems(engine, {}, {}).size(), 3000u);
}

TEST(DrillThroughSnapshot, KeepsTheCellsItemsWithTheirCaptionsAndExportsThem) {
    TPivotCube engine;
    engine.SetCubeData(*testcube::makeCube({{1, 1, 2, 10}, {2, 1, 3.5, 20}, {1, 2, 4, 30}, {1, 1, 0.25, 40}}));
    engine.CubeData().Description().Nom = QStringLiteral("Ventes");
    engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(0));
    engine.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(1));
    engine.Rebuild();
    TPCAxisFilter x(0), p(1);
    x.IncludeIDs.Add(1);
    p.IncludeIDs.Add(1);
    const std::vector<const TPCAxisFilter*> row{&x}, column{&p};
    auto drill = std::make_unique<TPCCellDrillThrough>(engine, row, column);
    EXPECT_EQ(drill->Count(), 2);
    EXPECT_EQ(drill->CellCaption(), QStringLiteral("x \u00D7 p"));
    EXPECT_EQ(drill->Data().Description().Nom, QStringLiteral("Ventes : x \u00D7 p"));
    EXPECT_EQ(drill->CSV(), QByteArray("A,B,Montant,Prix,Bizarre,\"Quo\"\"te\"\r\n"
                                       "x,p,2,10,2,2\r\n"
                                       "x,p,0.25,40,0.25,0.25\r\n"));
    const QByteArray page = drill->HTMLPage();
    EXPECT_TRUE(page.contains("<title>Ventes : x \xC3\x97 p</title>"));
    EXPECT_TRUE(page.contains("<td>x</td><td>p</td><td>0.25</td>"));
    EXPECT_EQ(drill->MemberRank(0, 1), 0);

    // The snapshot outlives any change of the engine's cube.
    engine.SetCubeData(*testcube::makeCube({}));
    EXPECT_EQ(drill->Data().Axises()[0]->CaptionOf(drill->Data().DataItems()[1].AxisIDs[0]), QStringLiteral("x"));
    EXPECT_DOUBLE_EQ(drill->Data().DataItems()[1].Values[0], 0.25);
}

TEST(DrillThroughPath, ResolvesTypedPaths) {
    TPivotCube engine;
    auto cube = testcube::makeCube({});
    cube->Axises()[0]->Members.push_back({3, 0, QStringLiteral("a / b")});   // a caption holding the separator
    cube->Axises()[0]->Members.push_back({4, 0, QStringLiteral("a")});
    engine.SetCubeData(*cube);
    engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(0));
    engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(1));
    engine.RowDimension(0)->ExcludeIDs.Add(2);   // "y" filtered out
    engine.Rebuild();
    struct Case {
        const char* path;
        std::vector<std::pair<int, int32_t>> filters;   // (axis, member ID)
        const char* error;   // a part of the error, or nothing
    } cases[] = {
        {"", {}, nullptr},
        {"x", {{0, 1}}, nullptr},
        {"x / q", {{0, 1}, {1, 2}}, nullptr},
        {"a / b", {{0, 3}}, nullptr},             // the whole caption first
        {"a / b / p", {{0, 3}, {1, 1}}, nullptr},
        {"a / p", {{0, 4}, {1, 1}}, nullptr},     // the shorter caption when the longer leads nowhere
        {"z", {}, "no member 'z' in 'A' (choose from x, a / b, a)"},
        {"x / r", {}, "no member 'r' in 'B'"},
        {"y", {}, "'y' is filtered out of 'A'"},
        {"x / p / p", {}, "more members than the 2 dimension(s)"},
    };
    for (const Case& c : cases) {
        const TPCDrillPath resolved = ResolveDrillPath(engine, engine.RowDimensions(), QString::fromUtf8(c.path));
        if (c.error) {
            EXPECT_TRUE(resolved.Error.contains(QString::fromUtf8(c.error))) << c.path << ": " << resolved.Error.toStdString();
            continue;
        }
        EXPECT_TRUE(resolved.Error.isEmpty()) << c.path << ": " << resolved.Error.toStdString();
        ASSERT_EQ(resolved.Filters.size(), c.filters.size()) << c.path;
        for (size_t i = 0; i < c.filters.size(); ++i) {
            EXPECT_EQ(resolved.Filters[i]->Axis, c.filters[i].first) << c.path;
            ASSERT_EQ(resolved.Filters[i]->IncludeIDs.Count(), 1);
            EXPECT_EQ(resolved.Filters[i]->IncludeIDs[0], c.filters[i].second) << c.path;
        }
    }
}

} // namespace
