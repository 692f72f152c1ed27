// Ordering, selection and aggregation of the items of a 1 000 000-item generated cube.
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

namespace {

TPivotCubeData& cube() {
    static std::unique_ptr<TPivotCubeData> c = GenerateSampleCube(1000000, 1);
    return *c;
}

// Ordering by one axis, from scratch (the per-axis cache is emptied first).
void BM_SortByAxis(benchmark::State& state) {
    const int axis = int(state.range(0));
    TPivotCubeData& c = cube();
    for (auto _ : state) {
        state.PauseTiming();
        TPivotCubeData copy;
        copy.Assign(&c);
        state.ResumeTiming();
        copy.DataItems().SortByAxis(axis);
        benchmark::DoNotOptimize(copy.DataItems().List().data());
    }
    state.SetLabel(c.Axises()[axis]->Nom().toStdString() + " (" + std::to_string(c.Axises()[axis]->MemberCount()) + " members)");
}

// The full grid of sums for every (product, month) pair: 50 x 36 cells. The
// items are ordered by product; each cell selects the product's range and the
// month within it, then sums the amounts.
void BM_GridOfSums(benchmark::State& state) {
    TPivotCubeData& c = cube();
    TPCDataItems& items = c.DataItems();
    const TPivotCubeAxis* products = c.Axises()[2];
    const TPivotCubeAxis* months = c.Axises()[3];
    double total = 0;
    TPCAxisFilter row(2), col(3);
    row.IncludeIDs.Add(0);
    col.IncludeIDs.Add(0);
    const TPCAxisFilter* filters[] = {&row, &col};
    TPCDataItemList cell;
    cell.reserve(4096);
    TPCGOSum sum;
    for (auto _ : state) {
        items.SortByAxis(2);
        total = 0;
        for (const TPivotCubeAxisData& p : products->Members) {
            row.IncludeIDs.SetItem(0, p.ID);
            for (const TPivotCubeAxisData& m : months->Members) {
                col.IncludeIDs.SetItem(0, m.ID);
                cell.clear();
                items.FilterItems(filters, cell);
                total += AggregateAll(cell, 0, sum);
            }
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["cells"] = double(products->MemberCount() * months->MemberCount());
}

// The same grid with the aggregation filtering directly (no selected list).
void BM_GridOfSumsAggregateFilters(benchmark::State& state) {
    TPivotCubeData& c = cube();
    TPCDataItems& items = c.DataItems();
    const TPivotCubeAxis* products = c.Axises()[2];
    const TPivotCubeAxis* months = c.Axises()[3];
    TPCAxisFilter row(2), col(3);
    row.IncludeIDs.Add(0);
    col.IncludeIDs.Add(0);
    const TPCAxisFilter* rowFilter[] = {&row};
    const TPCAxisFilter* colFilter[] = {&col};
    TPCDataItemList rowItems;
    TPCGOSum sum;
    double total = 0;
    for (auto _ : state) {
        items.SortByAxis(2);
        total = 0;
        for (const TPivotCubeAxisData& p : products->Members) {
            row.IncludeIDs.SetItem(0, p.ID);
            rowItems.clear();
            items.FilterItems(rowFilter, rowItems);
            for (const TPivotCubeAxisData& m : months->Members) {
                col.IncludeIDs.SetItem(0, m.ID);
                total += AggregateItems(rowItems, colFilter, 0, sum);
            }
        }
        benchmark::DoNotOptimize(total);
    }
}

} // namespace

BENCHMARK(BM_SortByAxis)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridOfSums)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridOfSumsAggregateFilters)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
