// The pivot table as a grid of texts and its CSV form.
#include "CPivotCube.h"
#include "CPivotCubeGrid.h"
#include "PivotCubeTestCube.h"

#include <gtest/gtest.h>

namespace {

using testcube::addAxis;
using testcube::addValue;

// Axes "Pays" and "Ville" (parent "Pays") and "Canal"; captions that CSV must quote.
std::unique_ptr<TPivotCubeData> makeCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    TPivotCubeAxis* pays = addAxis(*cube, QStringLiteral("Pays"), {QStringLiteral("France"), QStringLiteral("Suisse, Romandie")});
    TPivotCubeAxis* ville = addAxis(*cube, QStringLiteral("Ville"), {QStringLiteral("Lyon"), QStringLiteral("Genève \"GE\""), QStringLiteral("Paris\nCentre")});
    ville->Members[0].ParentID = 1;
    ville->Members[1].ParentID = 2;
    ville->Members[2].ParentID = 1;
    ville->ParentAxis = pays;
    ville->ParentLinked = true;
    addAxis(*cube, QStringLiteral("Canal"), {QStringLiteral("Web"), QStringLiteral("Magasin")});
    addValue(*cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    addValue(*cube, QStringLiteral("Prix"), QStringLiteral("Moyenne"));
    // Pays, Ville, Canal; Montant, Prix.
    testcube::addItems(*cube, {{{1, 1, 1}, {10, 2}}, {{1, 3, 2}, {5, 4}}, {{1, 1, 2}, {1.5, 6}}, {{2, 2, 1}, {7, 8}}});
    return cube;
}

class PivotGrid : public ::testing::Test {
protected:
    void SetUp() override { engine.SetCubeData(*makeCube()); }
    void place(std::initializer_list<int> rows, std::initializer_list<int> cols, std::initializer_list<const char*> values) {
        for (int a : rows) engine.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(a));
        for (int a : cols) engine.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(a));
        for (const char* v : values) engine.ValueColumns().Add()->AssignFrom(*engine.CubeData().Values().FindByName(QString::fromUtf8(v)));
        engine.Rebuild();
    }
    TPivotCube engine;
};

TEST_F(PivotGrid, NoDimensionsGiveOneLineOfGrandTotals) {
    place({}, {}, {"Montant", "Prix"});
    const TPivotGrid grid = BuildPivotGrid(engine);
    EXPECT_TRUE(grid.RowDimensionNames.isEmpty());
    ASSERT_EQ(grid.ColumnPaths.size(), 2u);
    EXPECT_EQ(grid.ColumnPaths[1], QStringList{QStringLiteral("Prix")});
    ASSERT_EQ(grid.Lines.size(), 1u);
    EXPECT_EQ(grid.Lines[0].Cells, (QStringList{QStringLiteral("23.50"), QStringLiteral("5.00")}));
    EXPECT_EQ(PivotGridCSV(grid), QByteArray("Montant,Prix\r\n23.50,5.00\r\n"));
}

TEST_F(PivotGrid, ExpandedRowsGetTheirOwnLinesAndCaptionsAreQuoted) {
    place({0, 1}, {2}, {"Montant"});
    engine.ExpandAllTo(engine.RowRoot(), 1);
    EXPECT_EQ(PivotGridCSV(BuildPivotGrid(engine)),
              QByteArray("Pays,Ville,Web / Montant,Magasin / Montant\r\n"
                         "France,,10.00,6.50\r\n"
                         ",Lyon,10.00,1.50\r\n"
                         ",\"Paris\nCentre\",0.00,5.00\r\n"
                         "\"Suisse, Romandie\",,7.00,0.00\r\n"
                         ",\"Genève \"\"GE\"\"\",7.00,0.00\r\n"));
}

TEST_F(PivotGrid, AMemberWithNothingUnderItStaysALeaf) {
    place({0, 1}, {}, {"Montant"});
    engine.RowDimension(1)->IncludeIDs.Add(1);   // Lyon only: Suisse has no city left
    engine.Rebuild();
    engine.ExpandAllTo(engine.RowRoot(), 1);
    EXPECT_TRUE(engine.RowRoot()->IsExpanded(0));
    EXPECT_FALSE(engine.RowRoot()->IsExpanded(1));
    EXPECT_EQ(PivotGridCSV(BuildPivotGrid(engine)), QByteArray("Pays,Ville,Montant\r\n"
                                                               "France,,11.50\r\n"
                                                               ",Lyon,11.50\r\n"
                                                               "\"Suisse, Romandie\",,0.00\r\n"));
    // The HTML table stays rectangular: the leaf spans both header columns.
    const QByteArray html = engine.ExportHTML(peoDataCells);
    EXPECT_EQ(html.count("<tr>"), 3);   // one per line, no header row
    EXPECT_TRUE(html.contains("<th colspan=\"2\" rowspan=\"1\">Suisse, Romandie</th>")) << html.toStdString();
}

TEST_F(PivotGrid, RegroupmentsInBothDirections) {
    place({0}, {2}, {"Montant"});
    TPivotCubeRegroup* row = engine.RowRegroups().Add();
    row->SetOperator(QStringLiteral("Somme"));
    row->SetValue(QStringLiteral("Montant"));
    TPivotCubeRegroup* col = engine.ColRegroups().Add();
    col->SetOperator(QStringLiteral("Somme"));
    col->SetValue(QStringLiteral("Montant"));
    const TPivotGrid grid = BuildPivotGrid(engine);
    EXPECT_EQ(grid.RowRegroupCaptions, QStringList{QStringLiteral("Somme")});
    ASSERT_EQ(grid.Lines.size(), 2u);
    EXPECT_EQ(grid.Lines[0].Regroups, QStringList{QStringLiteral("16.50")});
    EXPECT_EQ(grid.Lines[1].Regroups, QStringList{QStringLiteral("7.00")});
    ASSERT_EQ(grid.ColumnRegroupLines.size(), 1u);
    EXPECT_EQ(grid.ColumnRegroupLines[0].Cells, (QStringList{QStringLiteral("17.00"), QStringLiteral("6.50")}));
    EXPECT_EQ(grid.ColumnRegroupLines[0].Regroups, QStringList{QStringLiteral("23.50")});
    EXPECT_EQ(PivotGridCSV(grid), QByteArray("Pays,Web / Montant,Magasin / Montant,Somme\r\n"
                                             "France,10.00,6.50,16.50\r\n"
                                             "\"Suisse, Romandie\",7.00,0.00,7.00\r\n"
                                             "Somme,17.00,6.50,23.50\r\n"));
}

TEST_F(PivotGrid, ColumnRegroupmentsWithoutRowDimensionsKeepTheirCaption) {
    place({}, {2}, {"Montant"});
    TPivotCubeRegroup* col = engine.ColRegroups().Add();
    col->SetOperator(QStringLiteral("Maximum"));
    col->SetValue(QStringLiteral("Montant"));
    EXPECT_EQ(PivotGridCSV(BuildPivotGrid(engine)).toStdString(), std::string(",Web / Montant,Magasin / Montant\r\n"
                                                               ",17.00,6.50\r\n"
                                                               "Maximum,17.00,6.50\r\n"));
}

TEST_F(PivotGrid, EmptyTreesAndHiddenMembers) {
    place({2}, {0}, {"Montant"});
    // Every member of the row axis filtered out: one line for the empty tree.
    engine.RowDimension(0)->IncludeIDs.Add(99);
    engine.Rebuild();
    const TPivotGrid grid = BuildPivotGrid(engine);
    ASSERT_EQ(grid.Lines.size(), 1u);
    EXPECT_EQ(grid.Lines[0].Caption, QString());
    EXPECT_EQ(grid.Lines[0].Cells, (QStringList{QStringLiteral("0.00"), QStringLiteral("0.00")}));
}

} // namespace

namespace {

TEST_F(PivotGrid, NumbersStandBehindTheCellsAndTotalsAreOverTheItems) {
    place({0}, {2}, {"Montant", "Prix"});
    engine.RowRegroups().Add()->SetOperator(QStringLiteral("Somme"));
    engine.RowRegroups()[0]->SetValue(QStringLiteral("Montant"));
    const TPivotGrid grid = BuildPivotGrid(engine);
    ASSERT_EQ(grid.Lines.size(), 2u);
    // France: Web 10 (prix 2), Magasin 6.5 (prix 4 and 6).
    EXPECT_EQ(grid.Lines[0].Numbers, (std::vector<double>{10, 2, 6.5, 5}));
    EXPECT_EQ(grid.Lines[0].Cells.size(), qsizetype(grid.Lines[0].Numbers.size()));
    EXPECT_EQ(grid.Lines[0].RegroupNumbers, std::vector<double>{16.5});

    const TPivotGridTotals totals = BuildPivotGridTotals(engine);
    // Prix is an average: its totals are averages over the items, not sums of cells.
    EXPECT_EQ(totals.Grand, (std::vector<double>{23.5, 5}));
    ASSERT_EQ(totals.Rows.size(), 2u);
    EXPECT_EQ(totals.Rows[0], (std::vector<double>{16.5, 4}));
    EXPECT_EQ(totals.Rows[1], (std::vector<double>{7, 8}));
    EXPECT_EQ(totals.Columns, (std::vector<double>{17, 5, 6.5, 5}));
}

} // namespace
