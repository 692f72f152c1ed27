// Regroupments: row results per line, column results per leaf column, corner
// cells, captions, chart series, and agreement with a brute-force computation
// on generated cubes.
#include "CPivotCube.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <cmath>
#include <map>

namespace {

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

void addValue(TPivotCubeData& cube, const QString& name, const QString& op) {
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = name;
    value->SetGroupOperatorName(op);
    cube.Values().Add(std::move(value));
}

// Axes "Produit" (pomme 1, poire 2) and "Mois" (jan 1, fev 2, mar 3); values
// "Montant" (Somme) and "Prix" (Moyenne). Poire has no data in February.
std::unique_ptr<TPivotCubeData> salesCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    addAxis(*cube, QStringLiteral("Produit"), {QStringLiteral("pomme"), QStringLiteral("poire")});
    addAxis(*cube, QStringLiteral("Mois"), {QStringLiteral("jan"), QStringLiteral("fev"), QStringLiteral("mar")});
    addValue(*cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    addValue(*cube, QStringLiteral("Prix"), QStringLiteral("Moyenne"));
    struct Row {
        int32_t produit, mois;
        double montant, prix;
    } rows[] = {
        {1, 1, 10, 1}, {1, 1, 5, 3}, {1, 2, 7, 2}, {1, 3, 1, 4},   // pomme: 15, 7, 1
        {2, 1, 4, 5},  {2, 3, 2, 6}, {2, 3, 3, 7},                 // poire: 4, -, 5
    };
    for (const Row& r : rows) {
        const int32_t ids[2] = {r.produit, r.mois};
        const double values[2] = {r.montant, r.prix};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

class Regroups : public ::testing::Test {
protected:
    TPivotCube pivot;
    void SetUp() override {
        pivot.SetCubeData(*salesCube());
        TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
        c->AssignFrom(*pivot.CubeData().Values()[0]);
    }
    TPivotCubeRegroup* regroup(TPivotCubeRegroups& list, const QString& op, const QString& value = QStringLiteral("Montant")) {
        TPivotCubeRegroup* r = list.Add();
        r->SetOperator(op);
        r->SetValue(value);
        return r;
    }
    // The row regroupment numbers of every top-level row line.
    std::vector<std::vector<double>> rowResults() {
        auto computation = pivot.RowRegroups().CreateComputation(pivot.CubeData().Values());
        std::vector<std::vector<double>> lines;
        const TPCAxisVisualFilter* first = pivot.ColDimensionCount() ? pivot.ColDimension(0) : nullptr;
        for (TPCNodeIterator it(pivot.RowRoot(), false); !it.Eof(); it.Next()) {
            TPCDataItemList items;
            pivot.CubeData().DataItems().FilterItems(it.FilterList(), items);
            pivot.ComputeRowRegroups(items, first, *computation);
            std::vector<double> line;
            for (int i = 0; i < computation->Count(); ++i) line.push_back(RegroupResult(*computation, i));
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(Regroups, RowRegroupmentsCombineTheLineAcrossTheFirstColumnDimension) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"));
    regroup(pivot.RowRegroups(), QStringLiteral("Maximum"));
    regroup(pivot.RowRegroups(), QStringLiteral("Nombre"));
    regroup(pivot.RowRegroups(), QStringLiteral("Somme"), QStringLiteral("Inconnue"));
    regroup(pivot.RowRegroups(), QString());
    const auto lines = rowResults();
    ASSERT_EQ(lines.size(), 2u);
    // The empty month counts: poire's average is (4 + 0 + 5) / 3.
    EXPECT_DOUBLE_EQ(lines[0][0], 23.0 / 3);
    EXPECT_DOUBLE_EQ(lines[1][0], 9.0 / 3);
    EXPECT_DOUBLE_EQ(lines[0][1], 15);
    EXPECT_DOUBLE_EQ(lines[1][1], 5);
    EXPECT_DOUBLE_EQ(lines[1][2], 3);   // one result per month
    EXPECT_DOUBLE_EQ(lines[0][3], 0);   // unknown value
    EXPECT_DOUBLE_EQ(lines[0][4], 0);   // no operator
}

TEST_F(Regroups, RowRegroupmentWithoutColumnDimensionIsTheLineAggregate) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    regroup(pivot.RowRegroups(), QStringLiteral("Maximum"));
    regroup(pivot.RowRegroups(), QStringLiteral("Somme"), QStringLiteral("Prix"));
    const auto lines = rowResults();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[0][0], 23);
    EXPECT_DOUBLE_EQ(lines[1][0], 9);
    // Prix aggregates with its own operator (Moyenne) before the regroupment's.
    EXPECT_DOUBLE_EQ(lines[0][1], 2.5);
    EXPECT_DOUBLE_EQ(lines[1][1], 6);
}

TEST_F(Regroups, RowRegroupmentHonoursTheColumnDimensionFilter) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    pivot.ColDimension(0)->ExcludeIDs.Add(2);   // February is filtered out
    pivot.Rebuild();
    regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"));
    const auto lines = rowResults();
    EXPECT_DOUBLE_EQ(lines[0][0], 16.0 / 2);
    EXPECT_DOUBLE_EQ(lines[1][0], 9.0 / 2);
}

TEST_F(Regroups, ColumnRegroupments) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    TPCAxisFilter march(1);
    march.IncludeIDs.Add(3);
    const TPCAxisFilter* marchStack[1] = {&march};
    TDoubleList results;

    // A single regroupment without operator: the column's own measure.
    regroup(pivot.ColRegroups(), QString());
    pivot.ComputeColumnRegroups(QStringLiteral("Montant"), marchStack, pivot.ColRegroups(), pivot.RowDimension(0), results);
    ASSERT_EQ(results.Count(), 1);
    EXPECT_DOUBLE_EQ(results[0], 6);
    pivot.ComputeColumnRegroups(QStringLiteral("Prix"), marchStack, pivot.ColRegroups(), pivot.RowDimension(0), results);
    EXPECT_DOUBLE_EQ(results[0], (4.0 + 6 + 7) / 3);

    // With a second one, the regroupment without operator gives 0.
    regroup(pivot.ColRegroups(), QStringLiteral("Moyenne"));
    regroup(pivot.ColRegroups(), QStringLiteral("Minimum"));
    pivot.ComputeColumnRegroups(QStringLiteral("Montant"), marchStack, pivot.ColRegroups(), pivot.RowDimension(0), results);
    ASSERT_EQ(results.Count(), 3);
    EXPECT_DOUBLE_EQ(results[0], 0);
    EXPECT_DOUBLE_EQ(results[1], 3);   // (1 + 5) / 2 over pomme and poire
    EXPECT_DOUBLE_EQ(results[2], 1);

    // February: poire has no items and contributes the empty run's 0.
    march.IncludeIDs.SetItem(0, 2);
    pivot.ComputeColumnRegroups(QStringLiteral("Montant"), marchStack, pivot.ColRegroups(), pivot.RowDimension(0), results);
    EXPECT_DOUBLE_EQ(results[1], 3.5);
    EXPECT_DOUBLE_EQ(results[2], 0);

    // A formula is evaluated over each member's run; an unparsable one gives -1.
    pivot.ComputeColumnRegroups(QStringLiteral("Somme('Montant')*2"), marchStack, pivot.ColRegroups(),
                                pivot.RowDimension(0), results);
    EXPECT_DOUBLE_EQ(results[1], 7);
    pivot.ComputeColumnRegroups(QStringLiteral("Somme('Montant'"), marchStack, pivot.ColRegroups(),
                                pivot.RowDimension(0), results);
    EXPECT_DOUBLE_EQ(results[1], -1);

    // Without a row dimension the column's measure is combined once.
    pivot.ComputeColumnRegroups(QStringLiteral("Montant"), {}, pivot.ColRegroups(), nullptr, results);
    EXPECT_DOUBLE_EQ(results[1], 32);
}

TEST_F(Regroups, ColumnResultsAreCachedUntilTheCachesAreCleared) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    regroup(pivot.ColRegroups(), QStringLiteral("Somme"));
    TPCNodeIterator column(pivot.ColRoot(), false);
    EXPECT_EQ(column.GetCache(0), nullptr);
    EXPECT_DOUBLE_EQ(pivot.CachedColumnRegroups(column, 0)[0], 15 + 4);
    ASSERT_NE(column.GetCache(0), nullptr);
    // Changing a regroupment clears the caches.
    pivot.ColRegroups().Items(0)->SetOperator(QStringLiteral("Maximum"));
    EXPECT_EQ(column.GetCache(0), nullptr);
    EXPECT_DOUBLE_EQ(pivot.CachedColumnRegroups(column, 0)[0], 15);
}

TEST_F(Regroups, CornerValue) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.RowDimension(0)->IncludeIDs.Add(1);   // only pomme is active
    pivot.Rebuild();
    TPivotCubeRegroup* sum = regroup(pivot.RowRegroups(), QStringLiteral("Somme"));
    TPivotCubeRegroup* unknown = regroup(pivot.RowRegroups(), QStringLiteral("Somme"), QStringLiteral("Inconnue"));
    TPivotCubeRegroup* average = regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"));
    TPivotCubeRegroup* columnSum = regroup(pivot.ColRegroups(), QStringLiteral("Somme"), QString());
    TPivotCubeRegroup* columnMax = regroup(pivot.ColRegroups(), QStringLiteral("Maximum"));
    EXPECT_EQ(pivot.CornerValue(*sum, *columnSum), QStringLiteral("23.00"));
    EXPECT_EQ(pivot.CornerValue(*unknown, *columnSum), QStringLiteral("0.00"));
    EXPECT_EQ(pivot.CornerValue(*average, *columnSum), QStringLiteral("-"));
    EXPECT_EQ(pivot.CornerValue(*sum, *columnMax), QStringLiteral("-"));
    pivot.SetValueDefaultFormat(QStringLiteral("%.1f"));
    EXPECT_EQ(pivot.CornerValue(*sum, *columnSum), QStringLiteral("23.0"));
}

TEST_F(Regroups, CaptionsAndOperatorNames) {
    TPivotCubeRegroup* r = regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"));
    // One value column whose caption is the regroupment's value: the operator alone.
    EXPECT_EQ(r->DisplayText(), QStringLiteral("Moyenne"));
    pivot.ValueColumns().Items(0)->SetCaption(QStringLiteral("Chiffre"));
    EXPECT_EQ(r->DisplayText(), QStringLiteral("Moyenne (Montant)"));
    pivot.ValueColumns().Items(0)->SetCaption(QStringLiteral("Montant"));
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[1]);
    EXPECT_EQ(r->DisplayText(), QStringLiteral("Moyenne (Montant)"));
    EXPECT_EQ(pivot.RowRegroups().DefaultCaption(QStringLiteral("Somme"), QStringLiteral("Prix")), QStringLiteral("Somme (Prix)"));
    r->SetCaption(QStringLiteral("Moyenne mensuelle"));
    EXPECT_EQ(r->DisplayText(), QStringLiteral("Moyenne mensuelle"));

    r->SetOperator(QStringLiteral("moyenne"));   // names are case-sensitive
    EXPECT_EQ(r->Operator(), QString());
    EXPECT_EQ(r->OperatorClass(), nullptr);
    r->SetOperator(QStringLiteral("Etendue"));
    EXPECT_EQ(r->Operator(), QStringLiteral("Etendue"));
}

TEST_F(Regroups, TransposeExchangesTheCollections) {
    regroup(pivot.RowRegroups(), QStringLiteral("Moyenne"));
    pivot.Transpose();
    EXPECT_EQ(pivot.RowRegroups().Count(), 0);
    ASSERT_EQ(pivot.ColRegroups().Count(), 1);
    EXPECT_EQ(pivot.ColRegroups().Items(0)->Operator(), QStringLiteral("Moyenne"));
}

TEST_F(Regroups, SeriesOverTheRowTree) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    TDoubleList numbers;
    TStringList captions;
    pivot.ComputeSeries(QStringLiteral("Montant"), pivot.RowRoot(), &numbers, &captions, TPCGOAverage::StaticClass());
    ASSERT_EQ(captions.Count(), 2);
    EXPECT_EQ(captions.Strings(0), QStringLiteral("pomme"));
    EXPECT_EQ(captions.Strings(1), QStringLiteral("poire"));
    ASSERT_EQ(numbers.Count(), 2);
    EXPECT_DOUBLE_EQ(numbers[0], 23.0 / 3);   // across the three months
    EXPECT_DOUBLE_EQ(numbers[1], 3);

    // No operator class: each member's own measure.
    numbers.Clear();
    pivot.ComputeSeries(QStringLiteral("Montant"), pivot.ColRoot(), &numbers, nullptr, nullptr);
    ASSERT_EQ(numbers.Count(), 3);
    EXPECT_DOUBLE_EQ(numbers[0], 19);
    EXPECT_DOUBLE_EQ(numbers[1], 7);
    EXPECT_DOUBLE_EQ(numbers[2], 6);

    // Without any tree: one unnamed point over every item.
    pivot.ClearDimensions();
    numbers.Clear();
    captions.Clear();
    pivot.ComputeSeries(QStringLiteral("Montant"), nullptr, &numbers, &captions, TPCGOSum::StaticClass());
    ASSERT_EQ(numbers.Count(), 1);
    EXPECT_DOUBLE_EQ(numbers[0], 32);
    EXPECT_EQ(captions.Strings(0), QString());
}

// With one dimension placed, each point is the cell of its member's line, for
// every operator, on rows or on columns, named or found as the default tree.
TEST(Series, AloneEveryPointIsItsCell) {
    const QStringList ops = {QStringLiteral("Somme"), QStringLiteral("Moyenne"), QStringLiteral("Nombre"),
                             QStringLiteral("Maximum"), QStringLiteral("Minimum"), QStringLiteral("Etendue")};
    for (const QString& op : ops) {
        for (const bool onColumns : {false, true}) {
            TPivotCube pivot;
            TPivotCubeData cube;
            addAxis(cube, QStringLiteral("Produit"), {QStringLiteral("pomme"), QStringLiteral("poire")});
            addAxis(cube, QStringLiteral("Mois"), {QStringLiteral("jan"), QStringLiteral("fev"), QStringLiteral("mar")});
            addValue(cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
            addValue(cube, QStringLiteral("V"), op);
            // Signs mixed, February empty, March with one item.
            const struct {
                int32_t produit, mois;
                double montant, v;
            } rows[] = {{1, 1, 10, -3}, {1, 1, 5, 4}, {2, 1, 4, 1.5}, {1, 3, 1, -2}, {2, 3, 3, 7}, {2, 3, 2, 0.25}};
            for (const auto& r : rows) {
                const int32_t ids[2] = {r.produit, r.mois};
                const double values[2] = {r.montant, r.v};
                cube.DataItems().Add(ids, values);
            }
            pivot.SetCubeData(cube);
            for (const QString& formula : {QStringLiteral("V"), QStringLiteral("Somme('Montant')*2")}) {
                pivot.ValueColumns().Clear();
                TPivotCubeValueColumn* column = pivot.ValueColumns().Add();
                column->SetCaption(formula);
                column->SetFormula(formula);
                pivot.ClearDimensions();
                pivot.AddDimension(onColumns ? pivot.ColDimensions() : pivot.RowDimensions(), 1);   // Mois
                TPivotCubeNode* root = onColumns ? pivot.ColRoot() : pivot.RowRoot();
                ASSERT_NE(root, nullptr);
                std::vector<double> cells;
                for (const TPCNChild& c : root->Children) {
                    TPCAxisFilter member(1);
                    member.IncludeIDs.Add(c.ID);
                    const TPCAxisFilter* stack[1] = {&member};
                    TPCDataItemList items;
                    pivot.CubeData().DataItems().FilterItems(stack, items);
                    pivot.Compile(*column);
                    cells.push_back(pivot.EvaluateCellValue(items, {}, *column));
                }
                const TPCGroupOperatorClass opClass = GroupOperatorByName(op);
                for (TPivotCubeNode* node : {root, static_cast<TPivotCubeNode*>(nullptr)}) {
                    TDoubleList numbers;
                    pivot.ComputeSeries(formula, node, &numbers, nullptr, formula == QLatin1String("V") ? opClass : nullptr);
                    ASSERT_EQ(numbers.Count(), int(cells.size())) << op.toStdString();
                    for (size_t i = 0; i < cells.size(); ++i)
                        EXPECT_DOUBLE_EQ(numbers[int(i)], cells[i])
                            << op.toStdString() << " " << formula.toStdString() << " point " << i << (onColumns ? " columns" : " rows")
                            << (node ? " named" : " default");
                }
            }
        }
    }
}

// Generated cubes: every number agrees with a direct computation.
TEST(RegroupsGenerated, MatchBruteForce) {
    const QStringList ops = {QStringLiteral("Somme"), QStringLiteral("Moyenne"), QStringLiteral("Nombre"),
                             QStringLiteral("Maximum"), QStringLiteral("Minimum"), QStringLiteral("Etendue")};
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 6; ++round) {
        const int rowsN = 2 + int(rng.bounded(5)), colsN = 2 + int(rng.bounded(5));
        TPivotCubeData data;
        QStringList rowCaptions, colCaptions;
        for (int i = 0; i < rowsN; ++i) rowCaptions << QStringLiteral("r%1").arg(i);
        for (int i = 0; i < colsN; ++i) colCaptions << QStringLiteral("c%1").arg(i);
        addAxis(data, QStringLiteral("R"), rowCaptions);
        addAxis(data, QStringLiteral("C"), colCaptions);
        const QString valueOp = ops[int(rng.bounded(int(ops.size())))];
        addValue(data, QStringLiteral("V"), valueOp);
        const int itemCount = int(rng.bounded(60));
        for (int k = 0; k < itemCount; ++k) {
            const int32_t ids[2] = {1 + int32_t(rng.bounded(rowsN)), 1 + int32_t(rng.bounded(colsN))};
            const double values[1] = {double(int(rng.bounded(200)) - 100)};
            data.DataItems().Add(ids, values);
        }
        TPivotCube pivot;
        pivot.SetCubeData(data);
        pivot.AddDimension(pivot.RowDimensions(), 0);
        pivot.AddDimension(pivot.ColDimensions(), 1);
        if (round % 2) {
            pivot.ColDimension(0)->ExcludeIDs.Add(1);
            pivot.RowDimension(0)->ExcludeIDs.Add(2);
            pivot.Rebuild();
        }
        for (const QString& op : ops) {
            TPivotCubeRegroup* r = pivot.RowRegroups().Add();
            r->SetOperator(op);
            r->SetValue(QStringLiteral("V"));
            pivot.ColRegroups().Add()->SetOperator(op);
        }
        const TPivotCubeData& cube = pivot.CubeData();
        const TPCDataItemList& active = cube.DataItems().ActiveItems();
        auto measure = [&](int32_t row, int32_t col) {   // 0 = any
            auto op = CreateGroupOperator(GroupOperatorByName(valueOp));
            for (const TPCDataItem& item : active)
                if ((!row || item.AxisIDs[0] == row) && (!col || item.AxisIDs[1] == col)) op->Accumulate(item.Values[0]);
            return op->GetResult();
        };
        auto passes = [&](const TPCAxisVisualFilter* d, int32_t id) { return d->MatchesID(id); };
        auto combine = [&](const QString& op, const std::vector<double>& xs) {
            auto o = CreateGroupOperator(GroupOperatorByName(op));
            for (double x : xs) o->Accumulate(x);
            return o->GetResult();
        };

        auto computation = pivot.RowRegroups().CreateComputation(cube.Values());
        for (TPCNodeIterator it(pivot.RowRoot(), false); !it.Eof(); it.Next()) {
            const int32_t row = it.CurrentNode->Children[size_t(it.ChildIndex)].ID;
            TPCDataItemList items;
            cube.DataItems().FilterItems(it.FilterList(), items);
            pivot.ComputeRowRegroups(items, pivot.ColDimension(0), *computation);
            std::vector<double> perMember;
            for (int32_t col = 1; col <= colsN; ++col)
                if (passes(pivot.ColDimension(0), col)) perMember.push_back(measure(row, col));
            for (int i = 0; i < int(ops.size()); ++i)
                EXPECT_NEAR(RegroupResult(*computation, i), combine(ops[i], perMember), 1e-9)
                    << "round " << round << " row " << row << " " << ops[i].toStdString();
        }
        for (TPCNodeIterator it(pivot.ColRoot(), false); !it.Eof(); it.Next()) {
            const int32_t col = it.CurrentNode->Children[size_t(it.ChildIndex)].ID;
            TDoubleList results;
            pivot.ComputeColumnRegroups(QStringLiteral("V"), it.FilterList(), pivot.ColRegroups(), pivot.RowDimension(0), results);
            std::vector<double> perMember;
            for (int32_t row = 1; row <= rowsN; ++row)
                if (passes(pivot.RowDimension(0), row)) perMember.push_back(measure(row, col));
            ASSERT_EQ(results.Count(), int(ops.size()));
            for (int i = 0; i < int(ops.size()); ++i)
                EXPECT_NEAR(results[i], combine(ops[i], perMember), 1e-9)
                    << "round " << round << " column " << col << " " << ops[i].toStdString();
        }
    }
}

} // namespace
