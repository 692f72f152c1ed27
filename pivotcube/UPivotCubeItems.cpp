// Member filters, the ordering of data items by an axis, item selection and aggregation.
#include "UPivotCube.h"

#include "UPivotCubeMemory.h"

#include <algorithm>
#include <type_traits>

LORVANE_IMPLEMENT_CLASS(TPCAxisFilter, TClipBoardAble)
LORVANE_REGISTER_CLASS(TPCAxisFilter)

// --- TPCAxisFilter ---------------------------------------------------------

TPCAxisFilter::TPCAxisFilter(int32_t axisIndex) : Axis(axisIndex) {}

TPCFilterMatcher TPCAxisFilter::Matcher() const {
    TPCFilterMatcher m;
    m.Axis = Axis;
    m.Include = &IncludeIDs;
    m.Exclude = &ExcludeIDs;
    const int ni = IncludeIDs.Count(), ne = ExcludeIDs.Count();
    if (ne > 0) {
        m.Kind = ni > 0 ? TPCFilterMatcher::InAndNotIn : TPCFilterMatcher::NotIn;
    } else if (ni == 0) {
        m.Kind = TPCFilterMatcher::All;
    } else if (ni == 1) {
        m.Kind = TPCFilterMatcher::Equal;
        m.A = IncludeIDs[0];
    } else if (ni == 2) {
        m.Kind = TPCFilterMatcher::EqualEither;
        m.A = IncludeIDs[0];
        m.B = IncludeIDs[1];
    } else {
        m.Kind = TPCFilterMatcher::In;
    }
    return m;
}

void TPCAxisFilter::SetSelection(const std::vector<int32_t>& checked, const std::vector<int32_t>& unchecked) {
    IncludeIDs.Clear();
    ExcludeIDs.Clear();
    IncludeIDs.EnsureAllocation(int(checked.size()));
    ExcludeIDs.EnsureAllocation(int(unchecked.size()));
    for (int32_t id : checked) IncludeIDs.Add(id);
    for (int32_t id : unchecked) ExcludeIDs.Add(id);
    if (IncludeIDs.Count() == 0) return;
    if (IncludeIDs.Count() > ExcludeIDs.Count())
        IncludeIDs.Clear();
    else
        ExcludeIDs.Clear();
}

void TPCAxisFilter::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    writer.WriteInteger("Axis", Axis);
    IncludeIDs.WriteToFiler(writer);
    ExcludeIDs.WriteToFiler(writer);
    writer.WriteVersionEnd();
}

void TPCAxisFilter::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    Axis = reader.ReadInteger("Axis");
    IncludeIDs.ReadFromFiler(reader);
    ExcludeIDs.ReadFromFiler(reader);
    reader.ReadVersionEnd();
}

// --- Ordering --------------------------------------------------------------

namespace {

// Hoare quicksort on the ID of one axis, middle pivot (unstable).
void quickSortByID(TPCDataItem* items, int l, int r, int axis) {
    while (l < r) {
        int i = l, j = r;
        const int32_t pivot = items[(l + r) / 2].AxisIDs[axis];
        do {
            while (items[i].AxisIDs[axis] < pivot) ++i;
            while (items[j].AxisIDs[axis] > pivot) --j;
            if (j >= i) {
                std::swap(items[i], items[j]);
                ++i;
                --j;
            }
        } while (j >= i);
        if (l < j) quickSortByID(items, l, j, axis);
        l = i;
    }
}

// Stable distribution into members + 1 buckets numbered by ID, into ordered.
// False, leaving ordered alone, when the list is too short for it or some ID
// lies outside 0 .. members (no bucket): such lists take the quicksort.
bool distributeByAxis(const TPCDataItemList& items, TPCDataItemList& ordered, int axis, int members) {
    const size_t n = items.size();
    if (n < size_t(20) * size_t(members) || members < 2 || members > 200) return false;
    // The keys (at most 200) are read once, in list order; both passes then work on them.
    std::vector<uint8_t> keys(n);
    std::vector<size_t> start(size_t(members) + 2, 0);
    for (size_t i = 0; i < n; ++i) {
        const int32_t id = items[i].AxisIDs[axis];
        if (id < 0 || id > members) return false;
        keys[i] = uint8_t(id);
        ++start[size_t(id) + 1];
    }
    for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    ordered.clear();
    ordered.reserve(n);
    AdviseHugePages(ordered);
    ordered.resize(n);
    TPCDataItem* out = ordered.data();
    const TPCDataItem* in = items.data();
    for (size_t i = 0; i < n; ++i) out[start[size_t(keys[i])]++] = in[i];
    return true;
}

// True when every item carries the same ID on axis: the list is then ordered
// by it already. (One member does not say so: IDs 0 and 1 are both valid.)
bool oneIDOnly(const TPCDataItemList& items, int axis) {
    if (items.empty()) return true;
    const int32_t first = items.front().AxisIDs[axis];
    return std::all_of(items.begin(), items.end(), [&](const TPCDataItem& item) { return item.AxisIDs[axis] == first; });
}

// Orders items by one axis in place.
void orderByAxis(TPCDataItemList& items, int axis, int members) {
    const size_t n = items.size();
    if (n < 2) return;
    if (members == 1 && oneIDOnly(items, axis)) return;
    TPCDataItemList ordered;
    if (distributeByAxis(items, ordered, axis, members)) {
        items.swap(ordered);
        return;
    }
    quickSortByID(items.data(), 0, int(n) - 1, axis);
}

} // namespace

void TPCDataItems::SortByAxis(int axisIndex) {
    if (axisIndex >= AxisCount()) axisIndex = -1;
    if (axisIndex == FSortAxis) return;
    const int previous = FSortAxis;
    FSortAxis = axisIndex;
    if (FSortCache.size() < size_t(AxisCount())) FSortCache.resize(size_t(AxisCount()));
    // Every ordering made is kept: the current one in FItems, the others in
    // the cache, so that going back to one of them moves lists instead of
    // copying or sorting them again.
    if (axisIndex < 0) {
        if (previous >= 0) FSortCache[size_t(previous)] = FItems;
        return;
    }
    const int members = Cube ? Cube->Axises()[axisIndex]->MemberCount() : 0;
    TPCDataItemList& cached = FSortCache[size_t(axisIndex)];
    TPCDataItemList ordered;
    if (!cached.empty() && cached.size() == FItems.size()) {
        ordered = std::move(cached);
    } else {
        const size_t n = FItems.size();
        const bool unchanged = n < 2 || (members == 1 && oneIDOnly(FItems, axisIndex));
        if (unchanged || !distributeByAxis(FItems, ordered, axisIndex, members)) {
            ordered = FItems;
            if (!unchanged) quickSortByID(ordered.data(), 0, int(n) - 1, axisIndex);
        }
    }
    cached.clear();
    if (previous >= 0) FSortCache[size_t(previous)] = std::move(FItems);
    FItems = std::move(ordered);
    if (FFiltered) orderByAxis(*FFiltered, axisIndex, members);
}

void TPCDataItems::dropOrderingState() {
    FSortAxis = -1;
    FSortCache.clear();
    FFiltered.reset();
}

// --- Selection -------------------------------------------------------------

// Feeds sink(item) with every item of base that passes every filter, in base
// order, until sink answers false.
template <class Sink>
void TPCDataItems::selectItems(const TPCDataItemList& base, TPCAxisFilterSpan filters, Sink&& sink) const {
    const TPCDataItem* first = base.data();
    const TPCDataItem* last = base.data() + base.size();
    // The first filter on the sort axis, when it names a single ID, narrows the
    // range by binary search and leaves the tests.
    const TPCAxisFilter* narrowing = nullptr;
    if (FSortAxis >= 0)
        for (const TPCAxisFilter* f : filters)
            if (f->Axis == FSortAxis) {
                if (f->IncludeIDs.Count() == 1 && f->ExcludeIDs.Count() == 0) narrowing = f;
                break;
            }
    if (narrowing) {
        const int axis = FSortAxis;
        const int32_t x = narrowing->IncludeIDs[0];
        const TPCDataItem* lo = std::lower_bound(first, last, x, [axis](const TPCDataItem& item, int32_t id) { return item.AxisIDs[axis] < id; });
        if (lo == last || lo->AxisIDs[axis] != x) return;
        const TPCDataItem* hi = lo;
        while (last - hi > 10 && hi[10].AxisIDs[axis] == x) hi += 10;
        while (hi + 1 != last && hi[1].AxisIDs[axis] == x) ++hi;
        first = lo;
        last = hi + 1;
    }
    std::vector<TPCFilterMatcher> tests;
    tests.reserve(filters.size());
    for (const TPCAxisFilter* f : filters)
        if (f != narrowing) tests.push_back(f->Matcher());
    switch (tests.size()) {
    case 0:
        for (const TPCDataItem* it = first; it != last; ++it)
            if (!sink(*it)) return;
        return;
    case 1: {
        const TPCFilterMatcher m = tests[0];
        for (const TPCDataItem* it = first; it != last; ++it)
            if (m.MatchesItem(*it) && !sink(*it)) return;
        return;
    }
    default:
        for (const TPCDataItem* it = first; it != last; ++it) {
            bool pass = true;
            for (const TPCFilterMatcher& m : tests)
                if (!m.MatchesItem(*it)) {
                    pass = false;
                    break;
                }
            if (pass && !sink(*it)) return;
        }
    }
}

void TPCDataItems::SetFilters(TPCAxisFilterSpan filters) {
    FFiltered.reset();
    if (filters.empty()) return;
    auto subset = std::make_unique<TPCDataItemList>();
    selectItems(FItems, filters, [&](const TPCDataItem& item) {
        subset->push_back(item);
        return true;
    });
    FFiltered = std::move(subset);
}

void TPCDataItems::KeepOnly(TPCAxisFilterSpan filters) {
    if (filters.empty()) return;
    TPCDataItemList kept;
    selectItems(FItems, filters, [&](const TPCDataItem& item) {
        kept.push_back(item);
        return true;
    });
    dropOrderingState();
    FItems = std::move(kept);
}

const TPCDataItemList& TPCDataItems::SelectItems(TPCAxisFilterSpan filters, TPCDataItemList& scratch) const {
    if (filters.empty()) return ActiveItems();
    scratch.clear();
    FilterItems(filters, scratch);
    return scratch;
}

void TPCDataItems::FilterItems(TPCAxisFilterSpan filters, TPCDataItemList& output) const {
    selectItems(ActiveItems(), filters, [&](const TPCDataItem& item) {
        output.push_back(item);
        return true;
    });
}

bool TPCDataItems::HasMatch(TPCAxisFilterSpan filters) const {
    bool found = false;
    selectItems(ActiveItems(), filters, [&](const TPCDataItem&) {
        found = true;
        return false;
    });
    return found;
}

// --- Aggregation -----------------------------------------------------------

namespace {

template <class Op, class Test>
void accumulate(Op& op, const TPCDataItemList& items, int v, Test test) {
    for (const TPCDataItem& item : items)
        if (test(item)) {
            if constexpr (std::is_same_v<Op, TPCGroupOperator>) op.Accumulate(item.Values[v]);   // any other operator
            else op.Op::Accumulate(item.Values[v]);                                             // no virtual call
        }
}

template <class Op>
void accumulateFiltered(Op& op, const TPCDataItemList& items, TPCAxisFilterSpan filters, int v) {
    switch (filters.size()) {
    case 0: accumulate(op, items, v, [](const TPCDataItem&) { return true; }); return;
    case 1: {
        const TPCAxisFilter* f = filters[0];
        if (f->IncludeIDs.Count() == 1 && f->ExcludeIDs.Count() == 0) {
            const int axis = f->Axis;
            const int32_t id = f->IncludeIDs[0];
            accumulate(op, items, v, [axis, id](const TPCDataItem& item) { return item.AxisIDs[axis] == id; });
        } else {
            accumulate(op, items, v, [m = f->Matcher()](const TPCDataItem& item) { return m.MatchesItem(item); });
        }
        return;
    }
    case 2:
        accumulate(op, items, v, [a = filters[0]->Matcher(), b = filters[1]->Matcher()](const TPCDataItem& item) {
            return a.MatchesItem(item) && b.MatchesItem(item);
        });
        return;
    default: {
        std::vector<TPCFilterMatcher> tests;
        for (const TPCAxisFilter* f : filters) tests.push_back(f->Matcher());
        accumulate(op, items, v, [&tests](const TPCDataItem& item) {
            for (const TPCFilterMatcher& m : tests)
                if (!m.MatchesItem(item)) return false;
            return true;
        });
    }
    }
}

template <class Op>
bool tryAggregate(TPCGroupOperator& op, const TPCDataItemList& items, TPCAxisFilterSpan filters, int v) {
    if (op.ClassType() != Op::StaticClass()) return false;
    accumulateFiltered(static_cast<Op&>(op), items, filters, v);
    return true;
}

} // namespace

double AggregateItems(const TPCDataItemList& items, TPCAxisFilterSpan filters, int valueIndex, TPCGroupOperator& op) {
    op.Reset();
    // The known operators run without a virtual call per item.
    if (!tryAggregate<TPCGOSum>(op, items, filters, valueIndex) && !tryAggregate<TPCGOAverage>(op, items, filters, valueIndex) &&
        !tryAggregate<TPCGOCount>(op, items, filters, valueIndex) && !tryAggregate<TPCGOMax>(op, items, filters, valueIndex) &&
        !tryAggregate<TPCGOMin>(op, items, filters, valueIndex) && !tryAggregate<TPCGORange>(op, items, filters, valueIndex))
        accumulateFiltered(op, items, filters, valueIndex);
    return op.GetResult();
}

double AggregateAll(const TPCDataItemList& items, int valueIndex, TPCGroupOperator& op) {
    return AggregateItems(items, {}, valueIndex, op);
}
