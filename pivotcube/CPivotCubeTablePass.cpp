// The numbers of a whole pivot table from one pass over the active items.
#include "CPivotCubeTablePass.h"

#include <algorithm>

namespace {

// Children whose largest ID stays below this many per child are found by
// direct indexing; others by binary search.
constexpr int64_t DenseIDsPerChild = 8;

// The value names the aggregates of an expression read: false when one of
// them is computed (the pass could not know which value it names).
struct AggregateScan {
    const TPivotCubeValues* values = nullptr;
    std::vector<int> indexes;
    bool servable = true;
};

void scanAggregate(TFEExpression* node, void* data) {
    auto& scan = *static_cast<AggregateScan*>(data);
    if (!node->Is<TPCFuncGroupOperator>()) return;
    const TFEExpression* name = static_cast<TPCFuncGroupOperator*>(node)->Param(0);
    if (!name || !name->IsConstant()) {
        scan.servable = false;
        return;
    }
    const int index = scan.values->IndexOfName(VarToStr(const_cast<TFEExpression*>(name)->Evaluate()));
    if (index >= 0) scan.indexes.push_back(index);
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

} // namespace

int32_t TPCTablePass::Route::Slot(int32_t id) const {
    if (!Dense.empty()) return uint32_t(id) < uint32_t(Dense.size()) ? Dense[size_t(id)] : -1;
    const auto it = std::lower_bound(Sparse.begin(), Sparse.end(), id,
                                     [](const std::pair<int32_t, int32_t>& e, int32_t x) { return e.first < x; });
    return it != Sparse.end() && it->first == id ? it->second : -1;
}

TPCTablePass::Route TPCTablePass::makeRoute(const TPivotCubeNode& node) {
    Route route;
    route.Axis = node.LevelAxis->Index;
    const size_t n = node.Children.size();
    route.Ordinal.assign(n, -1);
    route.Next.assign(n, -1);
    int32_t smallest = 0, largest = -1;
    for (const TPCNChild& c : node.Children) {
        smallest = std::min(smallest, c.ID);
        largest = std::max(largest, c.ID);
    }
    if (smallest >= 0 && int64_t(largest) < DenseIDsPerChild * int64_t(n) + 64) {
        route.Dense.assign(size_t(largest) + 1, -1);
        for (size_t s = n; s-- > 0;) route.Dense[size_t(node.Children[s].ID)] = int32_t(s);   // the first of equal IDs
    } else {
        for (size_t s = 0; s < n; ++s) route.Sparse.emplace_back(node.Children[s].ID, int32_t(s));
        std::stable_sort(route.Sparse.begin(), route.Sparse.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    return route;
}

int TPCTablePass::buildRoutes(TPivotCubeNode* root, bool topLevelOnly, bool leavesOnly, std::vector<Route>& routes) {
    routes.clear();
    // An empty tree shows one position, which every item falls in.
    if (!root || root->Children.empty()) return 1;
    int next = 0;
    // Pre-order, as the node iterator walks: a position, then what it shows below.
    auto build = [&](auto& self, const TPivotCubeNode& node) -> int {
        const int index = int(routes.size());
        routes.push_back(makeRoute(node));
        for (size_t s = 0; s < node.Children.size(); ++s) {
            const TPivotCubeNode* below = topLevelOnly ? nullptr : node.Children[s].Node.get();
            if (!leavesOnly || !below) routes[size_t(index)].Ordinal[s] = next++;
            if (below) {
                const int child = self(self, *below);
                routes[size_t(index)].Next[s] = child;
            }
        }
        return index;
    };
    build(build, *root);
    return next;
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
    Route members;
    const TPCAxisVisualFilter* firstColumn = engine.ColDimensionCount() > 0 ? engine.ColDimension(0) : nullptr;
    if (FRegroups) {
        for (int i = 0; i < computation->Count(); ++i) {
            const int index = computation->ValueIndex[size_t(i)];
            const TPCGroupOperatorClass op = computation->ValueOperator[size_t(i)];
            if (index < 0 || index >= valueCount || isNullOperator(op)) continue;
            if (!isBuiltInOperator(op)) return false;
            slotOf(FSlotOfRegroupValue, FRegroupSlots, index);
        }
        if (firstColumn) {
            const std::vector<int32_t> ids = PassingMemberIDs(*cube.Axises()[firstColumn->Axis], *firstColumn);
            FMembers = int(ids.size());
            members.Axis = firstColumn->Axis;
            for (size_t s = 0; s < ids.size(); ++s) members.Sparse.emplace_back(ids[s], int32_t(s));
            if (!ids.empty() && ids.front() >= 0 && int64_t(ids.back()) < DenseIDsPerChild * int64_t(ids.size()) + 64) {
                members.Dense.assign(size_t(ids.back()) + 1, -1);
                for (size_t s = 0; s < ids.size(); ++s) members.Dense[size_t(ids[s])] = int32_t(s);
            }
        }
    }

    FLines = buildRoutes(engine.RowRoot(), topLevelOnly, false, FRowRoutes);
    FLeaves = buildRoutes(engine.ColRoot(), topLevelOnly, true, FColRoutes);
    const double cells = double(FLines) * FLeaves * FValueSlots + double(FLines) * FMembers * FRegroupSlots;
    if (cells > double(AccumulatorLimit)) {
        FLines = FLeaves = 0;
        return false;
    }
    FCells.assign(size_t(FLines) * size_t(FLeaves) * size_t(FValueSlots), TPCAccumulator());
    FRegroupCells.assign(FRegroups ? size_t(FLines) * size_t(FMembers) * size_t(FRegroupSlots) : 0, TPCAccumulator());

    std::vector<int> valueOfSlot(static_cast<size_t>(FValueSlots)), regroupValueOfSlot(static_cast<size_t>(FRegroupSlots));
    for (int v = 0; v < valueCount; ++v) {
        if (FSlotOfValue[size_t(v)] >= 0) valueOfSlot[size_t(FSlotOfValue[size_t(v)])] = v;
        if (FSlotOfRegroupValue[size_t(v)] >= 0) regroupValueOfSlot[size_t(FSlotOfRegroupValue[size_t(v)])] = v;
    }

    const TPCDataItemList& items = cube.DataItems().ActiveItems();
    const Route* rowRoutes = FRowRoutes.data();
    const Route* colRoutes = FColRoutes.data();
    const bool rowTree = !FRowRoutes.empty(), colTree = !FColRoutes.empty();
    const bool regroupByMember = FRegroups && FRegroupSlots > 0 && firstColumn;
    const bool regroupLines = FRegroups && FRegroupSlots > 0;
    for (const TPCDataItem& item : items) {
        const int32_t* ids = item.AxisIDs;
        const double* numbers = item.Values;
        // The leaf column: down the shown column tree to a position that is not expanded.
        int leaf = FValueSlots > 0 ? 0 : -1;
        if (colTree && leaf == 0) {
            leaf = -1;
            for (int r = 0;;) {
                const Route& route = colRoutes[r];
                const int32_t s = route.Slot(ids[route.Axis]);
                if (s < 0) break;
                if (route.Next[size_t(s)] < 0) {
                    leaf = route.Ordinal[size_t(s)];
                    break;
                }
                r = route.Next[size_t(s)];
            }
        }
        int member = regroupLines ? 0 : -1;
        if (regroupByMember) member = members.Slot(ids[members.Axis]);
        if (leaf < 0 && member < 0) continue;

        auto feed = [&](int line) {
            if (leaf >= 0) {
                TPCAccumulator* acc = &FCells[(size_t(line) * size_t(FLeaves) + size_t(leaf)) * size_t(FValueSlots)];
                for (int s = 0; s < FValueSlots; ++s) acc[s].Add(numbers[valueOfSlot[size_t(s)]]);
            }
            if (member >= 0) {
                TPCAccumulator* acc = &FRegroupCells[(size_t(line) * size_t(FMembers) + size_t(member)) * size_t(FRegroupSlots)];
                for (int s = 0; s < FRegroupSlots; ++s) acc[s].Add(numbers[regroupValueOfSlot[size_t(s)]]);
            }
        };
        if (!rowTree) {
            feed(0);
            continue;
        }
        // Every shown line along the item's path.
        for (int r = 0; r >= 0;) {
            const Route& route = rowRoutes[r];
            const int32_t s = route.Slot(ids[route.Axis]);
            if (s < 0) break;
            feed(route.Ordinal[size_t(s)]);
            r = route.Next[size_t(s)];
        }
    }
    return true;
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
