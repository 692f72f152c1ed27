#pragma once
// The numbers of a whole pivot table from one pass over the active items.
//
// Every shown line of the row tree and every leaf column of the column tree
// gets an ordinal, in display order. Each item is routed down both trees: it
// belongs to the line of its member at every shown level along its path (a
// member inside a collapsed subtree counts for its deepest shown ancestor)
// and to at most one leaf column. On its way it feeds one accumulator per
// (line, leaf column, value), in item-list order, so that each cell sees its
// items in the order a scan of the cell's own items gives, and the same
// numbers come out. The cost is items × shown levels, whatever the number of
// lines; cells are then evaluated by reading their accumulators.

#include "CPivotCube.h"
#include "CPivotCubeRegroups.h"

#include <vector>

class TPCTablePass {
public:
    // The accumulators one table may hold (128 MB); a larger table takes the
    // per-line path. Tests lower it to compare the two paths.
    static constexpr size_t MaxAccumulators = size_t(1) << 22;
    static inline size_t AccumulatorLimit = MaxAccumulators;

    // Computes the table of engine as a walk (topLevelOnly as the walk's)
    // shows it: the cells of value columns 0 .. valueColumns - 1 and, when a
    // computation is given, the row regroupments. The value columns must be
    // compiled. False when the pass cannot serve the table exactly (an
    // aggregate over a computed value name, more cells than MaxAccumulators):
    // nothing is kept then and the caller takes the per-line path.
    bool Run(TPivotCube& engine, bool topLevelOnly, int valueColumns, const TComputeRegroupmentsHelper* computation);

    int LineCount() const { return FLines; }
    int LeafCount() const { return FLeaves; }
    // The aggregates of the cell at (line, leaf), valid until the next Run.
    const TPCCellAggregates& Cell(int line, int leaf);
    // The per-member results of the row regroupments of line, as
    // ComputeRowRegroups gives them for the line's items.
    void FillRowRegroups(int line, TComputeRegroupmentsHelper& computation) const;

private:
    // One node of a tree, ready for routing: its children by member ID.
    struct Route {
        int32_t Axis = 0;
        std::vector<int32_t> Dense;                            // slot by ID, -1 outside (when dense)
        std::vector<std::pair<int32_t, int32_t>> Sparse;       // (ID, slot) ascending (otherwise)
        std::vector<int32_t> Ordinal;                          // per slot: line or leaf ordinal, -1 for none
        std::vector<int32_t> Next;                             // per slot: route of the shown subtree, -1 for none
        int32_t Slot(int32_t id) const;
    };
    // Builds the routes of a tree; lines number every position, leaves only
    // the positions that are not expanded. Gives the number of ordinals.
    static int buildRoutes(TPivotCubeNode* root, bool topLevelOnly, bool leavesOnly, std::vector<Route>& routes);
    static Route makeRoute(const TPivotCubeNode& node);

    std::vector<Route> FRowRoutes, FColRoutes;
    int FLines = 0, FLeaves = 0;
    std::vector<int> FSlotOfValue;               // value index -> position among the accumulated values
    int FValueSlots = 0;
    std::vector<TPCAccumulator> FCells;          // (line * leaves + leaf) * value slots + slot
    // Row regroupments: per line, per member of the first column dimension.
    bool FRegroups = false;
    int FMembers = 0;                            // passing members (1 without a first column)
    std::vector<int> FSlotOfRegroupValue;        // value index -> position among regroupment values
    int FRegroupSlots = 0;
    std::vector<TPCAccumulator> FRegroupCells;   // (line * members + member) * regroup slots + slot
    TPCCellAggregates FCell;
};
