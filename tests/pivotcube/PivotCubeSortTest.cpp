// Sorting rows by a value column: header clicks, ties, sibling groups under
// their own ancestors, re-expansion, the way back to member order, bad keys.
#include "CPivotCube.h"

#include <gtest/gtest.h>

namespace {

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

// Axes "Region" (1 est, 2 nord, 3 ouest, 4 sud), "Produit" (1 a, 2 b, 3 c) and
// "Mois" (1 jan, 2 fev); value "Montant" (Somme).
struct Item {
    int32_t region, produit, mois;
    double montant;
};

std::unique_ptr<TPivotCubeData> makeCube(const std::vector<Item>& items) {
    auto cube = std::make_unique<TPivotCubeData>();
    addAxis(*cube, QStringLiteral("Region"), {QStringLiteral("est"), QStringLiteral("nord"), QStringLiteral("ouest"), QStringLiteral("sud")});
    addAxis(*cube, QStringLiteral("Produit"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    addAxis(*cube, QStringLiteral("Mois"), {QStringLiteral("jan"), QStringLiteral("fev")});
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("Montant");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    cube->Values().Add(std::move(value));
    for (const Item& i : items) {
        const int32_t ids[3] = {i.region, i.produit, i.mois};
        const double values[1] = {i.montant};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

std::vector<int32_t> order(const TPivotCubeNode* node) {
    std::vector<int32_t> ids;
    for (const TPCNChild& c : node->Children) ids.push_back(c.ID);
    return ids;
}

using Ids = std::vector<int32_t>;

class Sort : public ::testing::Test {
protected:
    TPivotCube pivot;
    // Totals by region: est 5, nord 9, ouest 5, sud 1. Under est: a 1, b 4; under nord: a 2, c 7.
    // In February only: est 4, nord 0, ouest 5, sud 0.
    void SetUp() override {
        pivot.SetCubeData(*makeCube({{1, 1, 1, 1},
                                     {1, 2, 2, 4},
                                     {2, 1, 1, 2},
                                     {2, 3, 1, 7},
                                     {3, 2, 2, 5},
                                     {4, 3, 1, 1}}));
        pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
        pivot.AddDimension(pivot.RowDimensions(), 0);
    }
    QByteArray wholeKey(int column = 0) { return TPivotCube::MakeSortKey(column, {}); }
};

TEST_F(Sort, HeaderClicksCycleAndRightPressRestores) {
    const QByteArray key = wholeKey();
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(pivot.SortDirection(), 2);
    EXPECT_EQ(pivot.SortColumn(), 0);
    EXPECT_EQ(pivot.RowRoot()->OrderState, 0);
    // est and ouest tie at 5: the smaller ID first when descending.
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{2, 1, 3, 4}));
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(pivot.SortDirection(), 1);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{4, 3, 1, 2}));   // the exact reverse
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(pivot.SortDirection(), 2);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{2, 1, 3, 4}));
    pivot.SortHeaderRightPressed();
    EXPECT_TRUE(pivot.SortKey().isEmpty());
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    EXPECT_EQ(pivot.RowRoot()->OrderState, 1);

    // A dimension shown descending: ties by descending ID, restored descending.
    pivot.ToggleDescending(pivot.RowDimensions(), 0);
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{2, 3, 1, 4}));
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{4, 1, 3, 2}));
    pivot.SortHeaderRightPressed();
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{4, 3, 2, 1}));
    EXPECT_EQ(pivot.RowRoot()->OrderState, 2);
}

TEST_F(Sort, AKeyNamesTheLeafColumnAndTheValueColumn) {
    pivot.AddDimension(pivot.ColDimensions(), 2);
    TPCAxisFilter february(2);
    february.IncludeIDs.Add(2);
    const TPCAxisFilter* stack[1] = {&february};
    const QByteArray key = TPivotCube::MakeSortKey(0, stack);
    EXPECT_TRUE(key.startsWith("0:"));
    EXPECT_EQ(key, TPivotCube::MakeSortKey(0, stack));
    EXPECT_NE(key, wholeKey());
    pivot.SortHeaderClicked(key);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{3, 1, 2, 4}));

    // A key whose number is past the columns is limited to the last column.
    pivot.SortHeaderClicked(wholeKey(7));
    EXPECT_EQ(pivot.SortColumn(), 0);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{2, 1, 3, 4}));
}

TEST_F(Sort, SiblingsAreOrderedUnderTheirOwnAncestors) {
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.ToggleExpand(pivot.RowRoot(), 0);   // est
    pivot.ToggleExpand(pivot.RowRoot(), 1);   // nord
    pivot.SortHeaderClicked(wholeKey());
    // nord comes first now; est's children are still ordered by est's numbers.
    ASSERT_EQ(order(pivot.RowRoot()), (Ids{2, 1, 3, 4}));
    const TPivotCubeNode* nord = pivot.RowRoot()->Children[0].Node.get();
    const TPivotCubeNode* est = pivot.RowRoot()->Children[1].Node.get();
    ASSERT_NE(nord, nullptr);
    ASSERT_NE(est, nullptr);
    EXPECT_EQ(nord->MemberID, 2);
    EXPECT_EQ(order(nord), (Ids{3, 1, 2}));   // c 7, a 2, b 0
    EXPECT_EQ(order(est), (Ids{2, 1, 3}));    // b 4, a 1, c 0
    EXPECT_EQ(est->OrderState, 0);

    // Collapsing and expanding again shows the children sorted again.
    pivot.ToggleExpand(pivot.RowRoot(), 1);
    EXPECT_EQ(pivot.RowRoot()->Children[1].Node, nullptr);
    pivot.ToggleExpand(pivot.RowRoot(), 1);
    EXPECT_EQ(order(pivot.RowRoot()->Children[1].Node.get()), (Ids{2, 1, 3}));

    // Member order comes back at every level.
    pivot.SortHeaderRightPressed();
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    EXPECT_EQ(order(pivot.RowRoot()->Children[0].Node.get()), (Ids{1, 2, 3}));
    EXPECT_EQ(order(pivot.RowRoot()->Children[1].Node.get()), (Ids{1, 2, 3}));
}

TEST_F(Sort, RebuildKeepsTheKeyInMemberOrder) {
    pivot.SortHeaderClicked(wholeKey());
    pivot.AddDimension(pivot.ColDimensions(), 2);
    EXPECT_FALSE(pivot.SortKey().isEmpty());
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    pivot.ApplySort();
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{2, 1, 3, 4}));
}

TEST_F(Sort, NumbersThatCannotBeComputed) {
    // Every cell an error value: all rows equal, hence by member ID.
    TPivotCubeValueColumn* errors = pivot.ValueColumns().Add();
    errors->SetCaption(QStringLiteral("err"));
    errors->SetFormula(QStringLiteral("1/0"));
    pivot.SortHeaderClicked(wholeKey(1));
    EXPECT_EQ(pivot.SortColumn(), 1);
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    pivot.SortHeaderClicked(wholeKey(1));
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{4, 3, 2, 1}));

    // A column outside the value columns leaves member order with the key set.
    pivot.SortHeaderClicked(wholeKey());
    pivot.SetSortState(wholeKey(), -1, 2);
    pivot.Rebuild();
    pivot.ApplySort();
    EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    EXPECT_FALSE(pivot.SortKey().isEmpty());
}

TEST_F(Sort, KeysThatCannotBeLoadedFailWithoutSorting) {
    TPCAxisFilter farAway(9);   // no such axis in this cube
    farAway.IncludeIDs.Add(1);
    const TPCAxisFilter* stack[1] = {&farAway};
    const QByteArray keys[] = {QByteArrayLiteral("0:garbage"), TPivotCube::MakeSortKey(0, stack),
                               wholeKey().left(wholeKey().size() - 1)};
    for (const QByteArray& key : keys) {
        pivot.SetSortState(key, 0, 2);
        EXPECT_THROW(pivot.ApplySort(), Exception) << key.toHex().constData();
        EXPECT_EQ(order(pivot.RowRoot()), (Ids{1, 2, 3, 4}));
    }
}

} // namespace
