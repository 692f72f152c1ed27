// The numbers of a whole pivot table from one pass over the active items.
#include "CPivotCubeTablePass.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace {

// Items ahead of the one routed whose IDs and numbers are fetched early.
constexpr size_t PrefetchDistance = 16;

// Children whose largest ID stays below this many per child are found by
// direct indexing; others by binary search.
constexpr int64_t DenseIDsPerChild = 8;

// The value names the aggregates of an expression read: false when one of
// them is computed (the pass could not know which value it names).
struct AggregateScan {
    const TPivotCubeValues* values = nullptr;
    std::vector<int> indexes;
    bool servable = true;
    bool extremes = false;   // some aggregate takes a minimum or a maximum
};

bool needsExtremes(TPCGroupOperatorClass c) {
    return c == TPCGOMax::StaticClass() || c == TPCGOMin::StaticClass() || c == TPCGORange::StaticClass();
}

void scanAggregate(TFEExpression* node, void* data) {
    auto& scan = *static_cast<AggregateScan*>(data);
    if (!node->Is<TPCFuncGroupOperator>()) return;
    const TFEExpression* name = static_cast<TPCFuncGroupOperator*>(node)->Param(0);
    if (!name || !name->IsConstant()) {
        scan.servable = false;
        return;
    }
    auto* aggregate = static_cast<TPCFuncGroupOperator*>(node);
    const int index = scan.values->IndexOfName(VarToStr(const_cast<TFEExpression*>(name)->Evaluate()));
    if (index < 0) return;
    scan.indexes.push_back(index);
    scan.extremes = scan.extremes || needsExtremes(aggregate->OperatorClass());
}

// Gives slot of value index, numbering a new one when needed.
int slotOf(std::vector<int>& slotByValue, int& count, int index) {
    if (slotByValue[size_t(index)] < 0) slotByValue[size_t(index)] = count++;
    return slotByValue[size_t(index)];
}

bool isNullOperator(TPCGroupOperatorClass c) { return !c || c == TPCGONull::StaticClass(); }

bool isBuiltInOperator(TPCGroupOperatorClass c) {
    double unused = 0;
    return TPCAccumulator().Result(c, unused);
}

// The item store is read in list order, but through one pointer per item:
// the IDs and numbers of an item ahead are asked for before their use.
inline void prefetchAhead(const TPCDataItemList& items, size_t i, size_t last) {
    if (i + PrefetchDistance < last) {
        __builtin_prefetch(items[i + PrefetchDistance].AxisIDs);
        __builtin_prefetch(items[i + PrefetchDistance].Values);
    }
}

// One number into an accumulator; sums, means and counts skip the extremes.
template <bool Extremes> inline void addNumber(TPCAccumulator& a, double x) {
    if constexpr (Extremes) {
        a.Add(x);
    } else {
        a.Total = a.Total + x;
        ++a.Count;
    }
}

// An item's numbers into the accumulators of one cell, one per slot.
template <bool Extremes>
inline void addNumbers(TPCAccumulator* acc, const double* numbers, const int* valueOfSlot, size_t slotCount) {
    for (size_t s = 0; s < slotCount; ++s) addNumber<Extremes>(acc[s], numbers[valueOfSlot[s]]);
}

} // namespace

const TPCTablePass::Entry* TPCTablePass::Tree::findSparse(const Route& route, int32_t id) const {
    const auto first = Sparse.begin() + route.SparseBase, last = first + route.Size;
    const auto it = std::lower_bound(first, last, id, [](const std::pair<int32_t, int32_t>& e, int32_t x) { return e.first < x; });
    return it != last && it->first == id ? &Entries[size_t(it->second)] : nullptr;
}

int TPCTablePass::Tree::add(const TPivotCubeNode& node) {
    Route route;
    route.Axis = node.LevelAxis->Index;
    route.Base = int32_t(Entries.size());
    const size_t n = node.Children.size();
    int32_t smallest = 0, largest = -1;
    for (const TPCNChild& c : node.Children) {
        smallest = std::min(smallest, c.ID);
        largest = std::max(largest, c.ID);
    }
    if (smallest >= 0 && int64_t(largest) < DenseIDsPerChild * int64_t(n) + 64) {
        route.Size = largest + 1;
        Entries.resize(Entries.size() + size_t(route.Size));
        std::vector<bool> seen(size_t(route.Size));
        for (const TPCNChild& c : node.Children) {
            if (seen[size_t(c.ID)]) return -1;
            seen[size_t(c.ID)] = true;
        }
    } else {
        route.Size = int32_t(n);
        route.SparseBase = int32_t(Sparse.size());
        Entries.resize(Entries.size() + n);
        for (size_t s = 0; s < n; ++s) Sparse.emplace_back(node.Children[s].ID, int32_t(size_t(route.Base) + s));
        std::sort(Sparse.begin() + route.SparseBase, Sparse.end());
        for (size_t i = size_t(route.SparseBase) + 1; i < Sparse.size(); ++i)
            if (Sparse[i].first == Sparse[i - 1].first) return -1;
    }
    Routes.push_back(route);
    return int(Routes.size()) - 1;
}

int TPCTablePass::buildRoutes(TPivotCubeNode* root, bool topLevelOnly, bool leavesOnly, Tree& tree) {
    tree = Tree();
    // An empty tree shows one position, which every item falls in.
    if (!root || root->Children.empty()) return 1;
    int next = 0;
    // Pre-order, as the node iterator walks: a position, then what it shows below.
    auto build = [&](auto& self, const TPivotCubeNode& node) -> int {
        const int index = tree.add(node);
        if (index < 0) return -1;
        const Route route = tree.Routes[size_t(index)];
        for (size_t s = 0; s < node.Children.size(); ++s) {
            const TPivotCubeNode* below = topLevelOnly ? nullptr : node.Children[s].Node.get();
            const size_t at = tree.entryOf(route, node, s);
            if (!leavesOnly || !below) tree.Entries[at].Ordinal = next++;
            if (below) {
                const int child = self(self, *below);
                if (child < 0) return -1;
                tree.Entries[at].Next = child;
            }
        }
        return index;
    };
    return build(build, *root) < 0 ? -1 : next;
}

bool TPCTablePass::Run(TPivotCube& engine, bool topLevelOnly, int valueColumns,
                       const TComputeRegroupmentsHelper* computation) {
    FCells.clear();
    FRegroupCells.clear();
    FLines = FLeaves = 0;
    const TPivotCubeData& cube = engine.CubeData();
    const TPivotCubeValues& values = cube.Values();
    const int valueCount = values.Count();

    // The values the cells read.
    AggregateScan scan;
    scan.values = &values;
    for (int k = 0; k < valueColumns; ++k) {
        TPivotCubeValueColumn& column = *engine.ValueColumns()[k];
        if (!column.ValueExpression()) engine.Compile(column);
        for (TPivotCubeFormulaExpr* e : {column.ValueExpression(), column.DisplayExpression()})
            if (e) e->ForEach(scanAggregate, &scan);
    }
    if (!scan.servable) return false;
    FSlotOfValue.assign(size_t(valueCount), -1);
    FValueSlots = 0;
    for (const int index : scan.indexes) slotOf(FSlotOfValue, FValueSlots, index);

    // The values the row regroupments read, and the members they combine.
    FRegroups = computation && computation->Count() > 0;
    FSlotOfRegroupValue.assign(size_t(valueCount), -1);
    FRegroupSlots = 0;
    FMembers = 1;
    Tree members;
    const TPCAxisVisualFilter* firstColumn = engine.ColDimensionCount() > 0 ? engine.ColDimension(0) : nullptr;
    if (FRegroups) {
        for (int i = 0; i < computation->Count(); ++i) {
            const int index = computation->ValueIndex[size_t(i)];
            const TPCGroupOperatorClass op = computation->ValueOperator[size_t(i)];
            if (index < 0 || index >= valueCount || isNullOperator(op)) continue;
            if (!isBuiltInOperator(op)) return false;
            slotOf(FSlotOfRegroupValue, FRegroupSlots, index);
            scan.extremes = scan.extremes || needsExtremes(op);
        }
        if (firstColumn) {
            // One route whose entries number the passing members in ID order.
            const std::vector<int32_t> ids = PassingMemberIDs(*cube.Axises()[firstColumn->Axis], *firstColumn);
            FMembers = int(ids.size());
            TPivotCubeNode probe;
            probe.LevelAxis = cube.Axises()[firstColumn->Axis];
            for (const int32_t id : ids) probe.Children.emplace_back().ID = id;
            const int index = members.add(probe);
            if (index < 0) return false;
            for (size_t s = 0; s < ids.size(); ++s) members.Entries[members.entryOf(members.Routes[0], probe, s)].Ordinal = int32_t(s);
        }
    }

    FLines = buildRoutes(engine.RowRoot(), topLevelOnly, false, FRows);
    FLeaves = buildRoutes(engine.ColRoot(), topLevelOnly, true, FCols);
    const double cells = double(FLines) * FLeaves * FValueSlots + double(FLines) * FMembers * FRegroupSlots;
    if (FLines < 0 || FLeaves < 0 || cells > double(AccumulatorLimit)) {
        FLines = FLeaves = 0;
        return false;
    }
    FCells.assign(size_t(FLines) * size_t(FLeaves) * size_t(FValueSlots), TPCAccumulator());
    FRegroupCells.assign(FRegroups ? size_t(FLines) * size_t(FMembers) * size_t(FRegroupSlots) : 0, TPCAccumulator());
    FValueOfSlot.assign(size_t(FValueSlots), 0);
    FRegroupValueOfSlot.assign(size_t(FRegroupSlots), 0);
    for (int v = 0; v < valueCount; ++v) {
        if (FSlotOfValue[size_t(v)] >= 0) FValueOfSlot[size_t(FSlotOfValue[size_t(v)])] = v;
        if (FSlotOfRegroupValue[size_t(v)] >= 0) FRegroupValueOfSlot[size_t(FSlotOfRegroupValue[size_t(v)])] = v;
    }
    const Route* memberRoute = FRegroups && FRegroupSlots > 0 && firstColumn ? &members.Routes[0] : nullptr;
    // Sums, means and counts need no extremes: their cells skip two compares per number.
    const TPCDataItemList& items = cube.DataItems().ActiveItems();
    const bool flat = FRows.Routes.size() == 1 && FCols.Routes.size() == 1 && FRows.Routes[0].SparseBase < 0 &&
                      FCols.Routes[0].SparseBase < 0 && !FRegroups && FValueSlots > 0;
    auto allDense = [](const Tree& tree) {
        return std::all_of(tree.Routes.begin(), tree.Routes.end(), [](const Route& r) { return r.SparseBase < 0; });
    };
    const bool dense = !FRegroups && FValueSlots > 0 && !FRows.Routes.empty() && !FCols.Routes.empty() &&
                       allDense(FRows) && allDense(FCols);
    if (flat && scan.extremes)
        accumulateFlat<true>(items, 0, items.size(), FCells.data());
    else if (flat)
        inHalves(items, [this](const TPCDataItemList& list, size_t first, size_t last, TPCAccumulator* cells) {
            accumulateFlat<false>(list, first, last, cells);
        });
    else if (dense && scan.extremes)
        accumulateDense<true>(items, 0, items.size(), FCells.data());
    else if (dense)
        inHalves(items, [this](const TPCDataItemList& list, size_t first, size_t last, TPCAccumulator* cells) {
            accumulateDense<false>(list, first, last, cells);
        });
    else if (scan.extremes)
        accumulate<true>(items, memberRoute, members);
    else
        accumulate<false>(items, memberRoute, members);
    return true;
}

template <class Accumulate>
void TPCTablePass::inHalves(const TPCDataItemList& items, Accumulate&& accumulate) {
    const size_t count = items.size();
    if (count < ParallelItems) {
        accumulate(items, 0, count, FCells.data());
        return;
    }
    // The second half of the list goes to a helper thread with cells of its
    // own, added to the first half's at the end: every cell is then the sum
    // of its first-half numbers plus the sum of its second-half numbers, the
    // same numbers in the same order within each half. The halves depend on
    // the item count only, so a table gives the same bits at every run.
    const size_t middle = count / 2;
    std::vector<TPCAccumulator> second(FCells.size());
    std::thread helper;
    try {
        helper = std::thread([&] { accumulate(items, middle, count, second.data()); });
    } catch (const std::system_error&) {
        accumulate(items, 0, count, FCells.data());
        return;
    }
    accumulate(items, 0, middle, FCells.data());
    helper.join();
    for (size_t c = 0; c < FCells.size(); ++c) {
        FCells[c].Total = FCells[c].Total + second[c].Total;
        FCells[c].Count += second[c].Count;
    }
}

// One shown level on each side, nothing else to feed: the cell of an item is
// its row member's line by its column member's leaf, read from two tables.
template <bool Extremes>
void TPCTablePass::accumulateFlat(const TPCDataItemList& items, size_t first, size_t last, TPCAccumulator* cells) const {
    const Route& rowRoute = FRows.Routes[0];
    const Route& colRoute = FCols.Routes[0];
    std::vector<int32_t> lineOf(size_t(rowRoute.Size)), leafOf(size_t(colRoute.Size));
    for (int32_t id = 0; id < rowRoute.Size; ++id) lineOf[size_t(id)] = FRows.Entries[size_t(rowRoute.Base + id)].Ordinal;
    for (int32_t id = 0; id < colRoute.Size; ++id) leafOf[size_t(id)] = FCols.Entries[size_t(colRoute.Base + id)].Ordinal;
    const int32_t rowAxis = rowRoute.Axis, colAxis = colRoute.Axis;
    const uint32_t rowSize = uint32_t(rowRoute.Size), colSize = uint32_t(colRoute.Size);
    const size_t leaves = size_t(FLeaves), slotCount = size_t(FValueSlots);
    const int* valueOfSlot = FValueOfSlot.data();
    for (size_t i = first; i < last; ++i) {
        prefetchAhead(items, i, last);
        const int32_t* ids = items[i].AxisIDs;
        const uint32_t row = uint32_t(ids[rowAxis]), col = uint32_t(ids[colAxis]);
        if (row >= rowSize || col >= colSize) continue;
        const int32_t line = lineOf[row], leaf = leafOf[col];
        if (line < 0 || leaf < 0) continue;
        const double* numbers = items[i].Values;
        addNumbers<Extremes>(cells + (size_t(line) * leaves + size_t(leaf)) * slotCount, numbers, valueOfSlot, slotCount);
    }
}

// Both trees shown on any number of levels, every node found by direct
// indexing, no regroupment: the general walk without its other cases.
template <bool Extremes>
void TPCTablePass::accumulateDense(const TPCDataItemList& items, size_t first, size_t last, TPCAccumulator* cells) const {
    const Route* rowRoutes = FRows.Routes.data();
    const Route* colRoutes = FCols.Routes.data();
    const Entry* rowEntries = FRows.Entries.data();
    const Entry* colEntries = FCols.Entries.data();
    const size_t leaves = size_t(FLeaves), slotCount = size_t(FValueSlots);
    const int* valueOfSlot = FValueOfSlot.data();
    for (size_t i = first; i < last; ++i) {
        prefetchAhead(items, i, last);
        const int32_t* ids = items[i].AxisIDs;
        int32_t leaf = -1;
        for (int32_t r = 0;;) {
            const Route& route = colRoutes[r];
            const uint32_t id = uint32_t(ids[route.Axis]);
            if (id >= uint32_t(route.Size)) break;
            const Entry& e = colEntries[size_t(route.Base) + id];
            if (e.Next < 0) {
                leaf = e.Ordinal;
                break;
            }
            r = e.Next;
        }
        if (leaf < 0) continue;
        const double* numbers = items[i].Values;
        for (int32_t r = 0; r >= 0;) {
            const Route& route = rowRoutes[r];
            const uint32_t id = uint32_t(ids[route.Axis]);
            if (id >= uint32_t(route.Size)) break;
            const Entry& e = rowEntries[size_t(route.Base) + id];
            if (e.Ordinal < 0) break;
            addNumbers<Extremes>(cells + (size_t(e.Ordinal) * leaves + size_t(leaf)) * slotCount, numbers, valueOfSlot, slotCount);
            r = e.Next;
        }
    }
}

template <bool Extremes>
void TPCTablePass::accumulate(const TPCDataItemList& items, const Route* memberRoute, const Tree& members) {
    const bool rowTree = !FRows.Routes.empty(), colTree = !FCols.Routes.empty();
    const bool regroupLines = FRegroups && FRegroupSlots > 0;
    const int valueSlots = FValueSlots, regroupSlots = FRegroupSlots;
    const size_t leaves = size_t(FLeaves), memberCount = size_t(FMembers);
    const int* valueOfSlot = FValueOfSlot.data();
    const int* regroupValueOfSlot = FRegroupValueOfSlot.data();
    TPCAccumulator* cells = FCells.data();
    TPCAccumulator* regroupCells = FRegroupCells.data();
    const size_t count = items.size();
    for (size_t i = 0; i < count; ++i) {
        prefetchAhead(items, i, count);
        const int32_t* ids = items[i].AxisIDs;
        const double* numbers = items[i].Values;
        // The leaf column: down the shown column tree to a position that is not expanded.
        int leaf = valueSlots > 0 ? 0 : -1;
        if (colTree && leaf == 0) {
            leaf = -1;
            for (int r = 0;;) {
                const Route& route = FCols.Routes[size_t(r)];
                const Entry* e = FCols.Find(route, ids[route.Axis]);
                if (!e) break;
                if (e->Next < 0) {
                    leaf = e->Ordinal;
                    break;
                }
                r = e->Next;
            }
        }
        int member = regroupLines ? 0 : -1;
        if (memberRoute) {
            const Entry* e = members.Find(*memberRoute, ids[memberRoute->Axis]);
            member = e ? e->Ordinal : -1;
        }
        if (leaf < 0 && member < 0) continue;

        auto feed = [&](size_t line) {
            if (leaf >= 0)
                addNumbers<Extremes>(cells + (line * leaves + size_t(leaf)) * size_t(valueSlots), numbers, valueOfSlot,
                                     size_t(valueSlots));
            if (member >= 0)
                addNumbers<Extremes>(regroupCells + (line * memberCount + size_t(member)) * size_t(regroupSlots), numbers,
                                     regroupValueOfSlot, size_t(regroupSlots));
        };
        if (!rowTree) {
            feed(0);
            continue;
        }
        // Every shown line along the item's path.
        for (int r = 0; r >= 0;) {
            const Route& route = FRows.Routes[size_t(r)];
            const Entry* e = FRows.Find(route, ids[route.Axis]);
            if (!e || e->Ordinal < 0) break;
            feed(size_t(e->Ordinal));
            r = e->Next;
        }
    }
}

const TPCCellAggregates& TPCTablePass::Cell(int line, int leaf) {
    FCell.Values = FValueSlots > 0 ? &FCells[(size_t(line) * size_t(FLeaves) + size_t(leaf)) * size_t(FValueSlots)] : nullptr;
    FCell.SlotOfValue = FSlotOfValue.data();
    FCell.ValueCount = int(FSlotOfValue.size());
    return FCell;
}

void TPCTablePass::FillRowRegroups(int line, TComputeRegroupmentsHelper& computation) const {
    for (int i = 0; i < computation.Count(); ++i) {
        TDoubleList& results = *computation.Results[size_t(i)];
        results.Clear();
        const int index = computation.ValueIndex[size_t(i)];
        const TPCGroupOperatorClass op = computation.ValueOperator[size_t(i)];
        const int slot = index >= 0 && size_t(index) < FSlotOfRegroupValue.size() ? FSlotOfRegroupValue[size_t(index)] : -1;
        for (int m = 0; m < FMembers; ++m) {
            // A regroupment without a known value or operator combines zeros.
            double x = 0;
            if (slot >= 0)
                FRegroupCells[(size_t(line) * size_t(FMembers) + size_t(m)) * size_t(FRegroupSlots) + size_t(slot)].Result(op, x);
            results.Add(x);
        }
    }
}
