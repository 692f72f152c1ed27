// Storing a chosen set of members in an axis filter: the shorter of the two
// descriptions is kept, and the filter then passes exactly the chosen members.
#include "UPivotCube.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> idsOf(const TIntegerList& list) {
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

TEST(AxisFilterSelection, KeepsTheShorterList) {
    struct Case {
        const char* name;
        std::vector<int32_t> checked, unchecked, include, exclude;
    } cases[] = {
        {"two of five unchecked", {1, 3, 5}, {2, 4}, {}, {2, 4}},
        {"one of five checked", {4}, {1, 2, 3, 5}, {4}, {}},
        {"all checked", {1, 2, 3, 4, 5}, {}, {}, {}},
        {"none checked", {}, {1, 2, 3, 4, 5}, {}, {1, 2, 3, 4, 5}},
        {"as many checked as unchecked", {7, 2}, {9, 1}, {7, 2}, {}},
        {"line order kept", {}, {5, 1, 3}, {}, {5, 1, 3}},
    };
    for (const Case& c : cases) {
        TPCAxisFilter f(0);
        f.IncludeIDs.Add(99);   // what was there before is replaced
        f.ExcludeIDs.Add(98);
        f.SetSelection(c.checked, c.unchecked);
        EXPECT_EQ(idsOf(f.IncludeIDs), c.include) << c.name;
        EXPECT_EQ(idsOf(f.ExcludeIDs), c.exclude) << c.name;
        for (int32_t id : c.checked) EXPECT_TRUE(f.MatchesID(id)) << c.name << ": checked " << id;
        for (int32_t id : c.unchecked) EXPECT_FALSE(f.MatchesID(id)) << c.name << ": unchecked " << id;
    }
}

} // namespace
