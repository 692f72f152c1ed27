// Member filters, item ordering, item selection and aggregation.
#include "TestBytes.h"
#include "UPivotCube.h"
#include "PivotCubeTestCube.h"
#include "UPivotCubeSample.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

std::unique_ptr<TPCAxisFilter> filter(int axis, std::initializer_list<int32_t> include, std::initializer_list<int32_t> exclude = {}) {
    auto f = std::make_unique<TPCAxisFilter>(axis);
    for (int32_t id : include) f->IncludeIDs.Add(id);
    for (int32_t id : exclude) f->ExcludeIDs.Add(id);
    return f;
}

// A cube with one axis per entry of memberCounts, one value, and the given items.
std::unique_ptr<TPivotCubeData> cubeOf(std::vector<int> memberCounts, const std::vector<std::vector<int32_t>>& items) {
    auto cube = std::make_unique<TPivotCubeData>();
    for (size_t a = 0; a < memberCounts.size(); ++a) {
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = QStringLiteral("A%1").arg(a);
        for (int m = 1; m <= memberCounts[a]; ++m) axis->Members.push_back({m, 0, QStringLiteral("m%1").arg(m, 4, 10, QLatin1Char('0'))});
        cube->Axises().Add(std::move(axis));
    }
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("V");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    cube->Values().Add(std::move(value));
    double n = 0;
    for (const auto& ids : items) {
        double v = n++;   // the value tells the item's original position
        cube->DataItems().Add(ids.data(), &v);
    }
    return cube;
}

std::vector<int> positions(const TPCDataItemList& items) {
    std::vector<int> out;
    for (const TPCDataItem& item : items) out.push_back(int(item.Values[0]));
    return out;
}

TEST(AxisFilter, PredicateChoiceAndStoredForm) {
    struct Case { std::initializer_list<int32_t> include, exclude; std::vector<int32_t> passing; } cases[] = {
        {{}, {}, {0, 1, 2, 3, 4, 5}},
        {{3}, {}, {3}},
        {{3}, {3}, {}},
        {{1, 4}, {}, {1, 4}},
        {{1, 4, 5}, {}, {1, 4, 5}},
        {{}, {2, 0}, {1, 3, 4, 5}},
        {{1, 2, 3}, {2}, {1, 3}},
    };
    for (const auto& c : cases) {
        auto f = filter(0, c.include, c.exclude);
        std::vector<int32_t> passing;
        for (int32_t id = 0; id <= 5; ++id)
            if (f->MatchesID(id)) passing.push_back(id);
        EXPECT_EQ(passing, c.passing);
    }
    auto f = filter(2, {3});
    EXPECT_EQ(toHex(f->SaveToString()), "02 00 02 02 02 01 03 00 00 00 02 00");
    TPCAxisFilter back;
    back.LoadFromString(hexBytes("02 00 02 02 02 01 03 00 00 00 02 01 07 00 00 00"));
    EXPECT_EQ(back.Axis, 2);
    EXPECT_FALSE(back.MatchesID(7));
    EXPECT_TRUE(back.MatchesID(3));
    EXPECT_THROW(back.LoadFromString(hexBytes("02 01 02 02")), EFilerException);
    EXPECT_NE(FindPersistentClass(QStringLiteral("TPCAxisFilter"), false), nullptr);
}

TEST(ItemOrder, SingleMemberAndBucketsKeepOrder) {
    std::vector<std::vector<int32_t>> rows;
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) rows.push_back({1, int32_t(rng() % 151)});
    auto cube = cubeOf({1, 150}, rows);
    TPCDataItems& items = cube->DataItems();
    std::vector<int> original = positions(items.List());
    items.SortByAxis(0);   // one member, many items: left as it is
    EXPECT_EQ(positions(items.List()), original);
    EXPECT_EQ(items.SortAxis(), 0);
    items.SortByAxis(1);   // 150 members, 3000 items: buckets, equal IDs keep their order
    const TPCDataItemList& sorted = items.List();
    for (size_t i = 1; i < sorted.size(); ++i) {
        ASSERT_LE(sorted[i - 1].AxisIDs[1], sorted[i].AxisIDs[1]);
        if (sorted[i - 1].AxisIDs[1] == sorted[i].AxisIDs[1]) {
            EXPECT_LT(sorted[i - 1].Values[0], sorted[i].Values[0]);
        }
    }
    std::vector<int> byAxis1 = positions(items.List());
    items.SortByAxis(0);
    items.SortByAxis(1);   // served from the cache
    EXPECT_EQ(positions(items.List()), byAxis1);
    items.SortByAxis(7);   // no such axis: marked unknown, order kept
    EXPECT_EQ(items.SortAxis(), -1);
    EXPECT_EQ(positions(items.List()), byAxis1);
}

// One member, yet items carry ID 0 and ID 1 (both valid): the list must still
// be ordered, or the single-ID range search misses items.
TEST(ItemOrder, SingleMemberWithTwoIDsIsOrdered) {
    std::vector<std::vector<int32_t>> rows;
    int ones = 0;
    for (int i = 0; i < 40; ++i) {
        const int32_t id = (i * 7) % 3 == 0 ? 1 : 0;
        ones += id;
        rows.push_back({id, int32_t(1 + i % 2)});
    }
    auto cube = cubeOf({1, 2}, rows);
    TPCDataItems& items = cube->DataItems();
    items.SortByAxis(0);
    for (size_t i = 1; i < items.List().size(); ++i) ASSERT_LE(items.List()[i - 1].AxisIDs[0], items.List()[i].AxisIDs[0]);
    for (const int32_t id : {0, 1}) {
        auto f = filter(0, {id});
        const TPCAxisFilter* stack[1] = {f.get()};
        TPCDataItemList selected;
        items.FilterItems(stack, selected);
        EXPECT_EQ(int(selected.size()), id == 1 ? ones : 40 - ones) << id;
        // Ordered copies made for a line (after the other axis) agree too.
        items.SortByAxis(1);
        TPCDataItemList again;
        items.FilterItems(stack, again);
        EXPECT_EQ(again.size(), selected.size()) << id;
        items.SortByAxis(0);
    }
}

// Going from axis to axis and back: an axis met before gets back exactly the
// order it had, a new one orders the current list stably.
TEST(ItemOrder, EveryOrderingIsKeptAcrossAxes) {
    std::vector<std::vector<int32_t>> rows;
    std::mt19937 rng(8);
    for (int i = 0; i < 2000; ++i) rows.push_back({int32_t(1 + rng() % 3), int32_t(1 + rng() % 5), int32_t(1 + rng() % 4)});
    auto cube = cubeOf({3, 5, 4}, rows);
    TPCDataItems& items = cube->DataItems();
    std::vector<int> model = positions(items.List());
    std::map<int, std::vector<int>> seen;
    int current = -1;
    for (int axis : {1, 0, 2, 1, 7, 0, 2, 2, 1, -1, 1, 0}) {
        items.SortByAxis(axis);
        const int target = axis >= 0 && axis < 3 ? axis : -1;
        if (target >= 0 && target != current) {
            if (seen.count(target)) {
                model = seen[target];
            } else {
                std::stable_sort(model.begin(), model.end(), [&](int a, int b) { return rows[size_t(a)][size_t(target)] < rows[size_t(b)][size_t(target)]; });
                seen[target] = model;
            }
        }
        current = target;
        ASSERT_EQ(positions(items.List()), model) << "after axis " << axis;
    }
}

TEST(ItemOrder, FewItemsAndStrayIDsAreSortedSafely) {
    // Few items for the member count: quicksort. IDs beyond the members never reach a bucket.
    auto cube = cubeOf({3}, {{2}, {0}, {3}, {1}, {2}});
    cube->DataItems().SortByAxis(0);
    std::vector<int32_t> ids;
    for (const TPCDataItem& item : cube->DataItems().List()) ids.push_back(item.AxisIDs[0]);
    EXPECT_EQ(ids, (std::vector<int32_t>{0, 1, 2, 2, 3}));
    std::vector<std::vector<int32_t>> rows;
    for (int i = 0; i < 100; ++i) rows.push_back({i % 3 == 0 ? 900 : i % 4});
    rows.push_back({-5});
    auto stray = cubeOf({4}, rows);
    stray->DataItems().SortByAxis(0);
    const TPCDataItemList& sorted = stray->DataItems().List();
    EXPECT_EQ(sorted.front().AxisIDs[0], -5);
    EXPECT_EQ(sorted.back().AxisIDs[0], 900);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const TPCDataItem& a, const TPCDataItem& b) { return a.AxisIDs[0] < b.AxisIDs[0]; }));
}

TEST(ItemSelection, SingleIDRangeSearch) {
    std::vector<std::vector<int32_t>> rows;
    for (int i = 0; i < 200; ++i) rows.push_back({i < 37 ? 1 : i < 160 ? 3 : 4, i % 2});
    auto cube = cubeOf({4, 2}, rows);
    TPCDataItems& items = cube->DataItems();
    items.SortByAxis(0);
    auto absent = filter(0, {2});
    auto anything = filter(1, {});
    TPCDataItemList out;
    items.FilterItems(std::vector<const TPCAxisFilter*>{absent.get(), anything.get()}, out);
    EXPECT_TRUE(out.empty());   // the ID is absent: nothing, whatever the other filters
    auto three = filter(0, {3});
    auto odd = filter(1, {1});
    items.FilterItems(std::vector<const TPCAxisFilter*>{three.get()}, out);
    EXPECT_EQ(out.size(), 123u);
    out.clear();
    items.FilterItems(std::vector<const TPCAxisFilter*>{odd.get(), three.get()}, out);
    EXPECT_EQ(out.size(), 62u);
    EXPECT_TRUE(items.HasMatch(std::vector<const TPCAxisFilter*>{filter(0, {4}).get()}));
    EXPECT_FALSE(items.HasMatch(std::vector<const TPCAxisFilter*>{absent.get()}));
}

TEST(ItemSelection, CrossCheckAgainstABruteForceScan) {
    auto cube = GenerateSampleCube(20000, 5);
    TPCDataItems& items = cube->DataItems();
    const TPCDataItemList all = items.List();
    std::mt19937 rng(11);
    auto randomFilter = [&](int axis) {
        auto f = std::make_unique<TPCAxisFilter>(axis);
        const int members = cube->Axises()[axis]->MemberCount();
        int kind = int(rng() % 4);
        int includes = kind == 0 ? 0 : kind == 1 ? 1 : kind == 2 ? 2 : 4;
        for (int k = 0; k < includes; ++k) f->IncludeIDs.Add(int32_t(rng() % uint32_t(members + 1)));
        if (rng() % 3 == 0) f->ExcludeIDs.Add(int32_t(rng() % uint32_t(members + 1)));
        return f;
    };
    auto brute = [](const TPCDataItemList& base, const std::vector<const TPCAxisFilter*>& filters) {
        TPCDataItemList out;
        for (const TPCDataItem& item : base) {
            bool pass = true;
            for (const TPCAxisFilter* f : filters) {
                int32_t id = item.AxisIDs[f->Axis];
                bool in = f->IncludeIDs.Count() == 0 || f->IncludeIDs.Contains(id);
                pass = pass && in && !f->ExcludeIDs.Contains(id);
            }
            if (pass) out.push_back(item);
        }
        return out;
    };
    auto key = [](const TPCDataItemList& list) {
        std::vector<const int32_t*> ptrs;
        for (const TPCDataItem& item : list) ptrs.push_back(item.AxisIDs);
        std::sort(ptrs.begin(), ptrs.end());
        return ptrs;
    };
    const TPCGroupOperatorClass ops[] = {TPCGOSum::StaticClass(), TPCGOAverage::StaticClass(), TPCGOCount::StaticClass(),
                                         TPCGOMax::StaticClass(), TPCGOMin::StaticClass(), TPCGORange::StaticClass()};
    for (int round = 0; round < 60; ++round) {
        std::vector<std::unique_ptr<TPCAxisFilter>> dimension;
        std::vector<const TPCAxisFilter*> dimensionList;
        if (round % 3 == 1) {
            dimension.push_back(randomFilter(int(rng() % 5)));
            dimensionList.push_back(dimension.back().get());
        }
        items.SetFilters(dimensionList);
        items.SortByAxis(int(rng() % 6) - 1 + (round % 2));
        std::vector<std::unique_ptr<TPCAxisFilter>> owned;
        std::vector<const TPCAxisFilter*> filters;
        for (int k = 0, n = int(rng() % 4); k < n; ++k) {
            owned.push_back(randomFilter(int(rng() % 5)));
            if (rng() % 2) {   // often a single-ID filter, which may narrow the range
                owned.back()->IncludeIDs.Clear();
                owned.back()->ExcludeIDs.Clear();
                owned.back()->IncludeIDs.Add(int32_t(1 + rng() % 4));
            }
            filters.push_back(owned.back().get());
        }
        TPCDataItemList got;
        items.FilterItems(filters, got);
        TPCDataItemList expected = brute(brute(all, dimensionList), filters);
        ASSERT_EQ(key(got), key(expected)) << "round " << round;
        // Aggregation over the whole active list with the same filters.
        for (TPCGroupOperatorClass opClass : ops) {
            auto op = CreateGroupOperator(opClass);
            auto reference = CreateGroupOperator(opClass);
            const int v = 0;
            double ours = AggregateItems(items.ActiveItems(), filters, v, *op);
            for (const TPCDataItem& item : got) reference->Accumulate(item.Values[v]);
            EXPECT_NEAR(ours, reference->GetResult(), 1e-6 * (1 + std::abs(ours))) << NameOfGroupOperator(opClass).toStdString();
        }
    }
}

TEST(Aggregation, FiltersAndOperators) {
    auto cube = cubeOf({3, 2}, {{1, 1}, {2, 1}, {3, 2}, {3, 1}, {1, 2}});   // values 0..4
    const TPCDataItemList& items = cube->DataItems().List();
    TPCGOSum sum;
    EXPECT_EQ(AggregateAll(items, 0, sum), 10);
    auto both = filter(0, {3}, {3});
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{both.get()}, 0, sum), 0);
    TPCGOMax max;
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{both.get()}, 0, max), 0);   // empty result, not a sentinel
    auto three = filter(0, {3});
    auto second = filter(1, {1});
    auto notTwo = filter(0, {}, {2});
    TPCGOCount count;
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{three.get()}, 0, count), 2);
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{three.get(), second.get()}, 0, sum), 3);
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{notTwo.get(), second.get(), filter(1, {1, 2}).get()}, 0, sum), 3);
    TPCGOAverage average;
    EXPECT_EQ(AggregateItems(items, std::vector<const TPCAxisFilter*>{notTwo.get()}, 0, average), 9.0 / 4);
    // An operator of another class still aggregates, through its virtual operations.
    struct TPCGOLast : TPCGroupOperator {
        double last = -1;
        void Reset() override { last = -1; }
        void Accumulate(const double& x) override { last = x; }
        double GetResult() const override { return last; }
    } last;
    EXPECT_EQ(AggregateAll(items, 0, last), 4);
}

} // namespace

TEST(PivotCubeItemsKeepOnly, LeavesOutTheItemsThatFailAFilterForGood) {
    TPivotCubeData cube;
    testcube::addAxis(cube, QStringLiteral("Canal"), {QStringLiteral("Web"), QStringLiteral("Magasin"), QStringLiteral("Grossiste")});
    testcube::addValue(cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    for (int32_t id : {1, 2, 3, 2, 1}) {
        const double value = id * 10.0;
        cube.DataItems().Add(&id, &value);
    }
    cube.DataItems().SortByAxis(0);
    TPCAxisFilter filter(0);
    filter.IncludeIDs.Add(2);
    filter.IncludeIDs.Add(3);
    const TPCAxisFilter* filters[] = {&filter};
    cube.DataItems().KeepOnly(filters);
    ASSERT_EQ(cube.DataItems().Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_NE(cube.DataItems()[i].AxisIDs[0], 1);
    // Orderings made before are not served again with the left-out items.
    cube.DataItems().SortByAxis(0);
    EXPECT_EQ(cube.DataItems().Count(), 3);
    EXPECT_EQ(cube.DataItems()[0].AxisIDs[0], 2);
    cube.DataItems().KeepOnly({});
    EXPECT_EQ(cube.DataItems().Count(), 3);
}
