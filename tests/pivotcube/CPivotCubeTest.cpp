// The pivot engine: dimensions, node trees, expansion and the node iterator,
// on small hand-made cubes.
#include "CPivotCube.h"

#include <gtest/gtest.h>

namespace {

// Axes: 0 "Région" {0 Tous, 1 Nord, 2 Sud}; 1 "Ville" linked to Région
// {1 Lille (Nord), 2 Lyon (Sud), 3 Partout (every region)}; 2 "Produit" {1 a, 2 b, 3 c}.
std::unique_ptr<TPivotCubeData> shopCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    auto add = [&](const char* name, std::vector<TPivotCubeAxisData> members) {
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = QString::fromUtf8(name);
        axis->SortStyle = pcsID;
        axis->Members = std::move(members);
        return cube->Axises().Add(std::move(axis));
    };
    TPivotCubeAxis* region = add("Région", {{0, 0, "Tous"}, {1, 0, "Nord"}, {2, 0, "Sud"}});
    TPivotCubeAxis* town = add("Ville", {{1, 1, "Lille"}, {2, 2, "Lyon"}, {3, 0, "Partout"}});
    town->ParentAxis = region;
    town->ParentLinked = true;
    add("Produit", {{1, 0, "a"}, {2, 0, "b"}, {3, 0, "c"}});
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("Montant");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    cube->Values().Add(std::move(value));
    const std::vector<std::array<int32_t, 3>> rows = {{1, 1, 1}, {1, 1, 2}, {2, 2, 2}, {0, 3, 1}, {2, 3, 2}};
    double v = 1;
    for (const auto& r : rows) {
        cube->DataItems().Add(r.data(), &v);
        v *= 10;
    }
    return cube;
}

std::vector<int32_t> ids(const TPivotCubeNode* node) {
    std::vector<int32_t> out;
    for (const TPCNChild& c : node->Children) out.push_back(c.ID);
    return out;
}

std::vector<int32_t> axesOf(const TPCDimensionList& list) {
    std::vector<int32_t> out;
    for (const auto& d : list) out.push_back(d->Axis);
    return out;
}

class PivotTest : public ::testing::Test {
protected:
    TPivotCube pivot;
    void SetUp() override { pivot.SetCubeData(*shopCube()); }
};

TEST_F(PivotTest, HiddenEmptyMembersFollowBothTrees) {
    pivot.AddDimension(pivot.RowDimensions(), 2);
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{1, 2, 3}));   // c has no data but is listed
    pivot.SetOptions(pcoHideEmptyAxis);
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{1, 2}));
    // A column dimension's filter hides what only its excluded members had.
    pivot.AddDimension(pivot.ColDimensions(), 0);
    pivot.ColDimension(0)->ExcludeIDs.Add(1);
    pivot.ColDimension(0)->ExcludeIDs.Add(0);
    pivot.Rebuild();
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{2}));
    EXPECT_EQ(ids(pivot.ColRoot()), (std::vector<int32_t>{2}));
    // Under a row path, only members with data on that whole path.
    pivot.ClearDimensions();
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 2);
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{0, 1, 2}));
    pivot.RowRoot()->Expand(2);   // Sud
    EXPECT_EQ(ids(pivot.RowRoot()->Children[2].Node.get()), (std::vector<int32_t>{2}));
    pivot.RowRoot()->Expand(0);   // Tous
    EXPECT_EQ(ids(pivot.RowRoot()->Children[0].Node.get()), (std::vector<int32_t>{1}));
}

TEST_F(PivotTest, ParentLinking) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 1);
    TPivotCubeNode* root = pivot.RowRoot();
    for (int i = 0; i < 3; ++i) root->Expand(i);
    EXPECT_EQ(ids(root->Children[0].Node.get()), (std::vector<int32_t>{1, 2, 3}));   // parent member 0: no link
    EXPECT_EQ(ids(root->Children[1].Node.get()), (std::vector<int32_t>{1, 3}));      // Nord: Lille, Partout
    EXPECT_EQ(ids(root->Children[2].Node.get()), (std::vector<int32_t>{2, 3}));      // Sud: Lyon, Partout
    // On the other tree, or above its parent axis, the linked axis lists every member.
    pivot.ClearDimensions();
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    EXPECT_EQ(ids(pivot.ColRoot()), (std::vector<int32_t>{1, 2, 3}));
    pivot.ClearDimensions();
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.RowRoot()->Expand(0);
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(PivotTest, DescendingOrderSurvivesToggles) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 2);
    pivot.RowDimension(1)->DescendingSort = true;
    pivot.Rebuild();
    TPivotCubeNode* root = pivot.RowRoot();
    root->Expand(1);
    EXPECT_EQ(ids(root->Children[1].Node.get()), (std::vector<int32_t>{3, 2, 1}));
    EXPECT_EQ(root->Children[1].Node->OrderState, 2);
    pivot.ToggleDescending(pivot.RowDimensions(), 0);
    EXPECT_EQ(ids(root), (std::vector<int32_t>{2, 1, 0}));
    ASSERT_TRUE(root->Children[1].Node);   // Nord, still expanded
    EXPECT_EQ(root->Children[1].Node->MemberID, 1);
    pivot.ToggleDescending(pivot.RowDimensions(), 1);
    EXPECT_EQ(ids(root->Children[1].Node.get()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_TRUE(pivot.RowDimension(0)->DescendingSort);
    EXPECT_FALSE(pivot.RowDimension(1)->DescendingSort);
}

TEST_F(PivotTest, MoveDimensionSlots) {
    struct Case { int slot; std::vector<int32_t> order; } cases[] = {
        {0, {0, 1, 2}}, {1, {0, 1, 2}}, {2, {1, 0, 2}}, {3, {1, 2, 0}},
    };
    for (const auto& c : cases) {
        pivot.ClearDimensions();
        for (int a = 0; a < 3; ++a) pivot.AddDimension(pivot.RowDimensions(), a);
        pivot.MoveDimension(pivot.RowDimensions(), 0, pivot.RowDimensions(), c.slot);
        EXPECT_EQ(axesOf(pivot.RowDimensions()), c.order) << c.slot;
    }
    pivot.MoveDimension(pivot.RowDimensions(), 1, pivot.ColDimensions(), 0);
    EXPECT_EQ(axesOf(pivot.RowDimensions()), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(axesOf(pivot.ColDimensions()), (std::vector<int32_t>{2}));
    EXPECT_EQ(pivot.ColRoot()->LevelAxis->Index, 2);
}

TEST_F(PivotTest, RemoveAndClearDimensions) {
    for (int a = 0; a < 3; ++a) pivot.AddDimension(pivot.RowDimensions(), a);
    pivot.AddDimension(pivot.ColDimensions(), 2);
    pivot.RowRoot()->Expand(1);
    int repaints = 0;
    const int id = pivot.Subscribe([&] { ++repaints; });

    // Positions outside the list change nothing, not even a repaint.
    for (const int position : {-1, 3}) pivot.RemoveDimension(pivot.RowDimensions(), position);
    EXPECT_EQ(axesOf(pivot.RowDimensions()), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_TRUE(pivot.RowRoot()->IsExpanded(1));
    EXPECT_EQ(repaints, 0);

    // Removing rebuilds both trees from the first remaining dimension.
    pivot.RemoveDimension(pivot.RowDimensions(), 0);
    EXPECT_EQ(axesOf(pivot.RowDimensions()), (std::vector<int32_t>{1, 2}));
    ASSERT_NE(pivot.RowRoot(), nullptr);
    EXPECT_EQ(pivot.RowRoot()->LevelAxis->Index, 1);
    EXPECT_EQ(ids(pivot.RowRoot()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_FALSE(pivot.RowRoot()->IsExpanded(1));
    EXPECT_EQ(pivot.ColRoot()->LevelAxis->Index, 2);
    EXPECT_GT(repaints, 0);

    // Clearing one list leaves the other placed; clearing an empty list is harmless.
    pivot.ClearDimensionList(pivot.RowDimensions());
    EXPECT_TRUE(pivot.RowDimensions().empty());
    EXPECT_EQ(pivot.RowRoot(), nullptr);
    ASSERT_NE(pivot.ColRoot(), nullptr);
    EXPECT_EQ(ids(pivot.ColRoot()), (std::vector<int32_t>{1, 2, 3}));
    pivot.ClearDimensionList(pivot.RowDimensions());
    pivot.RemoveDimension(pivot.ColDimensions(), 0);
    EXPECT_EQ(pivot.ColRoot(), nullptr);
    pivot.Unsubscribe(id);
}

TEST_F(PivotTest, TransposeTwiceRestoresPlacement) {
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 2);
    pivot.AddDimension(pivot.ColDimensions(), 1);
    pivot.RowRoot()->Expand(0);
    pivot.Transpose();
    EXPECT_EQ(axesOf(pivot.ColDimensions()), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(axesOf(pivot.RowDimensions()), (std::vector<int32_t>{1}));
    pivot.Transpose();
    EXPECT_EQ(axesOf(pivot.RowDimensions()), (std::vector<int32_t>{0, 2}));
    EXPECT_FALSE(pivot.RowRoot()->IsExpanded(0));   // expansion is lost
}

TEST_F(PivotTest, IteratorPositionsDepthsAndFilterStacks) {
    pivot.AddDimension(pivot.RowDimensions(), 2);
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.RowDimension(0)->IncludeIDs.Add(1);
    pivot.RowDimension(0)->IncludeIDs.Add(2);
    pivot.Rebuild();
    auto walk = [&](bool topLevelOnly) {
        std::vector<std::pair<int, QString>> positions;
        for (TPCNodeIterator it(pivot.RowRoot(), topLevelOnly); !it.Eof(); it.Next()) positions.emplace_back(it.Depth(), it.CurrentCaption());
        return positions;
    };
    EXPECT_EQ(walk(false), (std::vector<std::pair<int, QString>>{{0, "a"}, {0, "b"}}));
    pivot.RowRoot()->Expand(0);
    EXPECT_EQ(walk(false), (std::vector<std::pair<int, QString>>{{0, "a"}, {1, "Tous"}, {1, "Nord"}, {1, "Sud"}, {0, "b"}}));
    EXPECT_EQ(walk(true), (std::vector<std::pair<int, QString>>{{0, "a"}, {0, "b"}}));

    // The filter stack selects exactly the items of the current line.
    TPCNodeIterator it(pivot.RowRoot(), false);
    EXPECT_TRUE(it.IsExpanded());
    EXPECT_EQ(it.LineCount(0), 3);
    EXPECT_EQ(it.LineCount(1), 3);
    it.Next();
    it.Next();   // a / Nord
    EXPECT_EQ(it.AxisIndex(), 0);
    TPCDataItemList items;
    pivot.CubeData().DataItems().FilterItems(it.FilterList(), items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Values[0], 1);
    TPCGOSum sum;
    EXPECT_EQ(AggregateItems(pivot.CubeData().DataItems().ActiveItems(), it.FilterList(), 0, sum), 1);
    // Caches live on the current child; collapsing clears them.
    TDoubleList cached;
    cached.Add(42);
    it.SetCache(0, cached);
    EXPECT_EQ(it.GetCache(0)->Items(0), 42);
    EXPECT_EQ(it.GetCache(3), nullptr);
    pivot.RowRoot()->Collapse(0);
    pivot.RowRoot()->Expand(0);
    TPCNodeIterator again(pivot.RowRoot(), false);
    again.Next();
    again.Next();
    EXPECT_EQ(again.GetCache(0), nullptr);

    // A root without children still yields one empty position; no root, none.
    pivot.ClearDimensions();
    EXPECT_TRUE(TPCNodeIterator(pivot.RowRoot(), false).Eof());
    pivot.AddDimension(pivot.RowDimensions(), 2);
    pivot.RowDimension(0)->IncludeIDs.Add(3);
    pivot.SetOptions(pcoHideEmptyAxis);
    TPCNodeIterator empty(pivot.RowRoot(), false);
    EXPECT_FALSE(empty.Eof());
    EXPECT_FALSE(empty.HasChildren());
    EXPECT_EQ(empty.CurrentCaption(), QString());
    empty.Next();
    EXPECT_TRUE(empty.Eof());
}

TEST_F(PivotTest, ExpandAllCollapseAllAndNotifications) {
    int repaints = 0;
    int id = pivot.Subscribe([&] { ++repaints; });
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.RowDimensions(), 1);
    pivot.AddDimension(pivot.RowDimensions(), 2);
    EXPECT_EQ(repaints, 3);
    pivot.ExpandAllTo(pivot.RowRoot(), 1);
    int positions = 0;
    for (TPCNodeIterator it(pivot.RowRoot(), false); !it.Eof(); it.Next()) ++positions;
    // 3 regions; towns 3 + 2 + 2; products 3 under each town
    EXPECT_EQ(positions, 3 + 7 + 7 * 3);
    pivot.CollapseAllAt(pivot.RowRoot(), 1);
    positions = 0;
    for (TPCNodeIterator it(pivot.RowRoot(), false); !it.Eof(); it.Next()) ++positions;
    EXPECT_EQ(positions, 3 + 7);
    pivot.ToggleExpand(pivot.RowRoot(), 0);
    EXPECT_FALSE(pivot.RowRoot()->IsExpanded(0));
    pivot.ToggleExpand(pivot.RowRoot(), 0);
    EXPECT_TRUE(pivot.RowRoot()->IsExpanded(0));
    // The last level has no next dimension: nothing to expand.
    TPivotCubeNode* towns = pivot.RowRoot()->Children[0].Node.get();
    towns->Expand(0);
    TPivotCubeNode* products = towns->Children[0].Node.get();
    products->Expand(0);
    EXPECT_FALSE(products->IsExpanded(0));
    pivot.Unsubscribe(id);
    const int before = repaints;
    pivot.Transpose();
    EXPECT_EQ(repaints, before);
}

TEST_F(PivotTest, AddedValueColumnsWidenTheLeafColumnAndShowTheValueColumns) {
    pivot.SetColWidth(90);
    TPivotCubeValue& amount = *pivot.CubeData().Values()[0];
    TPivotCubeFormula& twice = *pivot.Formulas().Add();
    twice.SetCaption(QStringLiteral("Double"));
    twice.SetFormula(QStringLiteral("Somme('Montant')*2"));
    twice.SetFormat(QStringLiteral("%.1f"));
    // The first column keeps the width; each later one widens the leaf so
    // every sub-column stays 90 wide.
    pivot.AddValueColumn(amount);
    EXPECT_EQ(pivot.ColWidth(), 90);
    pivot.AddValueColumn(amount);
    EXPECT_EQ(pivot.ColWidth(), 180);
    int repaints = 0;
    const int id = pivot.Subscribe([&] { ++repaints; });
    const TPivotCubeValueColumn& third = pivot.AddValueColumn(twice);
    pivot.Unsubscribe(id);
    EXPECT_EQ(pivot.ColWidth(), 270);
    EXPECT_GE(repaints, 1);
    EXPECT_EQ(pivot.ValueColumnCount(), 3);
    EXPECT_EQ(third.Caption(), QStringLiteral("Double"));
    EXPECT_EQ(third.Format(), QStringLiteral("%.1f"));
    EXPECT_TRUE(pivot.Options() & pcoShowValueColumns);
}

TEST(PivotNotifications, ViewsAreToldOnceWhenTheEngineGoes) {
    int told = 0, repaints = 0;
    {
        TPivotCube pivot;
        pivot.SubscribeDestroyed([&] { ++told; });
        const int gone = pivot.SubscribeDestroyed([&] { told += 100; });
        pivot.Subscribe([&] { ++repaints; });
        pivot.Unsubscribe(gone);
        pivot.Repaint();
        EXPECT_EQ(told, 0);
    }
    EXPECT_EQ(told, 1);
    EXPECT_EQ(repaints, 1);
}

TEST(VisualFilter, StoredForm) {
    TPCAxisVisualFilter f(1);
    f.DescendingSort = true;
    f.IncludeIDs.Add(4);
    TPCAxisVisualFilter back;
    back.LoadFromString(f.SaveToString());
    EXPECT_TRUE(back.DescendingSort);
    EXPECT_EQ(back.Axis, 1);
    EXPECT_EQ(back.SaveToString(), f.SaveToString());
    EXPECT_EQ(f.SaveToString().right(3).toHex(' ').toStdString(), "02 00 09");
}

} // namespace
