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
// numbers come out. Long lists whose cells only sum and count are read in two
// halves on two threads, each cell then the sum of its two halves' sums (the
// last bits of a sum may differ from one scan's; they do not change between
// runs). The cost is items × shown levels, whatever the number of lines;
// cells are then evaluated by reading their accumulators.

#include "CPivotCube.h"
#include "CPivotCubeRegroups.h"

#include <vector>

class TPCTablePass {
public:
    // The accumulators one table may hold (128 MB); a larger table takes the
    // per-line path. Tests lower it to compare the two paths.
    static constexpr size_t MaxAccumulators = size_t(1) << 22;
    static inline size_t AccumulatorLimit = MaxAccumulators;
    // Lists of this many items or more, when their cells need no minimum or
    // maximum, are accumulated in two halves on two threads (tests lower it).
    static constexpr size_t DefaultParallelItems = size_t(1) << 19;
    static inline size_t ParallelItems = DefaultParallelItems;

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
    // Where an item goes at one node of a tree, by its member ID there: the
    // ordinal of that position (-1 for an expanded column) and the node shown
    // below it (-1 for none). Both -1: the member has no position here.
    struct Entry {
        int32_t Ordinal = -1;
        int32_t Next = -1;
    };
    // One node of a tree, ready for routing. Dense: the entry of ID x is
    // Entries[Base + x] for 0 <= x < Size. Sparse: the entry of the child at
    // s is Entries[Base + s], found through Size (ID, entry) pairs from
    // Sparse[SparseBase], ascending.
    struct Route {
        int32_t Axis = 0;
        int32_t Base = 0;
        int32_t Size = 0;
        int32_t SparseBase = -1;   // -1 for a dense route
    };
    struct Tree {
        std::vector<Route> Routes;
        std::vector<Entry> Entries;
        std::vector<std::pair<int32_t, int32_t>> Sparse;
        const Entry* Find(const Route& route, int32_t id) const {
            if (route.SparseBase < 0) return uint32_t(id) < uint32_t(route.Size) ? &Entries[size_t(route.Base) + size_t(id)] : nullptr;
            return findSparse(route, id);
        }
        const Entry* findSparse(const Route& route, int32_t id) const;
        // The node's children as a route; gives its index, -1 when two
        // children carry one ID (the pass cannot tell their items apart).
        int add(const TPivotCubeNode& node);
        // Where the entry of the child at s lies.
        size_t entryOf(const Route& route, const TPivotCubeNode& node, size_t s) const {
            return size_t(route.Base) + (route.SparseBase < 0 ? size_t(node.Children[s].ID) : s);
        }
    };
    // Builds the routes of a tree; lines number every position, leaves only
    // the positions that are not expanded. Gives the number of ordinals, -1
    // when the tree cannot be routed.
    static int buildRoutes(TPivotCubeNode* root, bool topLevelOnly, bool leavesOnly, Tree& tree);
    template <bool Extremes> void accumulate(const TPCDataItemList& items, const Route* memberRoute, const Tree& members);
    template <bool Extremes>
    void accumulateFlat(const TPCDataItemList& items, size_t first, size_t last, TPCAccumulator* cells) const;
    template <bool Extremes>
    void accumulateDense(const TPCDataItemList& items, size_t first, size_t last, TPCAccumulator* cells) const;
    // Sums, means and counts of lists of ParallelItems or more on two threads.
    template <class Accumulate> void inHalves(const TPCDataItemList& items, Accumulate&& accumulate);

    Tree FRows, FCols;
    int FLines = 0, FLeaves = 0;
    std::vector<int> FSlotOfValue;               // value index -> position among the accumulated values
    std::vector<int> FValueOfSlot, FRegroupValueOfSlot;
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
