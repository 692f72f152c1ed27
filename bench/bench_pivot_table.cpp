// The whole pivot table of a 1 000 000-item generated cube: "Produit" on the
// rows, "Mois" on the columns, the value columns "Montant" (Somme) and "Prix"
// (Moyenne). The layout run places the dimensions on an engine that holds the
// data, nothing ordered yet (both trees built); the table run computes every
// cell's number and text line by line as the table writers do: the items
// ordered by the row root's axis, each row's items, then every leaf column and
// value column within one line scope. Together they are compared with the
// peers' query time (goal: 60 ms or less).
#include "CPivotCube.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRowAxis = 2;   // "Produit": 50 members
constexpr int kColAxis = 3;   // "Mois": 36 members

const TPivotCubeData& data() {
    static std::unique_ptr<TPivotCubeData> d = GenerateSampleCube(1000000, 20240601);
    return *d;
}

// The placement as the command line makes it: both lists, the value columns,
// one rebuild.
void layOut(TPivotCube& pivot) {
    pivot.RowDimensions().clear();
    pivot.ColDimensions().clear();
    pivot.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(kRowAxis));
    pivot.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(kColAxis));
    if (pivot.ValueColumnCount() == 0)
        for (const char* name : {"Montant", "Prix"})
            pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values().FindByName(QString::fromUtf8(name)));
    pivot.Rebuild();
}

// Every cell of the table, line by line, the items ordered by the row root's
// axis first; returns the characters of the cells' texts.
qsizetype computeTable(TPivotCube& pivot, TPCDataItemList& items, double& total) {
    pivot.CompileAll();
    qsizetype characters = 0;
    const int values = pivot.ValueColumnCount();
    std::vector<std::vector<const TPCAxisFilter*>> leaves;
    std::vector<std::unique_ptr<TPCAxisFilter>> leafFilters;
    for (TPCNodeIterator col(pivot.ColRoot(), false); !col.Eof(); col.Next()) {
        if (col.IsExpanded()) continue;
        leaves.emplace_back();
        for (const auto& f : col.Filters) {
            leafFilters.push_back(std::make_unique<TPCAxisFilter>());
            leafFilters.back()->Assign(f.get());
            leaves.back().push_back(leafFilters.back().get());
        }
    }
    pivot.CubeData().DataItems().SortByAxis(pivot.RowRoot()->LevelAxis->Index);
    for (TPCNodeIterator row(pivot.RowRoot(), false); !row.Eof(); row.Next()) {
        items.clear();
        pivot.CubeData().DataItems().FilterItems(row.FilterList(), items);
        PivotCubeCells::LineScope line(pivot, items);
        for (const auto& stack : leaves)
            for (int k = 0; k < values; ++k) {
                const TPivotCubeCellValue cell = pivot.EvaluateCell(items, stack, *pivot.ValueColumns()[k]);
                total += cell.Value;
                characters += cell.Text.size();
            }
    }
    return characters;
}

// An engine holding its own copy of the data, nothing ordered yet.
std::unique_ptr<TPivotCube> freshEngine() {
    auto pivot = std::make_unique<TPivotCube>();
    pivot->SetCubeData(data());
    return pivot;
}

void BM_Layout(benchmark::State& state) {
    std::unique_ptr<TPivotCube> pivot;
    for (auto _ : state) {
        state.PauseTiming();
        pivot.reset();
        pivot = freshEngine();
        state.ResumeTiming();
        layOut(*pivot);
        benchmark::DoNotOptimize(pivot->RowRoot());
    }
}
BENCHMARK(BM_Layout)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Table(benchmark::State& state) {
    std::unique_ptr<TPivotCube> pivot = freshEngine();
    layOut(*pivot);
    TPCDataItemList items;
    for (auto _ : state) {
        double total = 0;
        benchmark::DoNotOptimize(computeTable(*pivot, items, total));
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_Table)->Unit(benchmark::kMillisecond)->UseRealTime();

// Layout and table together from a fresh engine, as `dravo export --timing`
// counts them after loading.
void BM_LayoutAndTable(benchmark::State& state) {
    std::unique_ptr<TPivotCube> pivot;
    TPCDataItemList items;
    for (auto _ : state) {
        state.PauseTiming();
        pivot.reset();
        pivot = freshEngine();
        state.ResumeTiming();
        layOut(*pivot);
        double total = 0;
        benchmark::DoNotOptimize(computeTable(*pivot, items, total));
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_LayoutAndTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
