// Whole pivot tables of a 1 000 000-item generated cube, as the grid and the
// exports compute them (one pass over the items, then every cell's number and
// text):
//   one level:    "Produit" on the rows, "Mois" on the columns, the value
//                 columns "Montant" (Somme) and "Prix" (Moyenne); 1 800 cells
//                 per value column;
//   three levels: "Région", "Ville", "Produit" on the rows, every member
//                 expanded, "Canal" on the columns, "Montant"; 20 452 cells.
// The layout run places the dimensions on an engine that holds the data
// (trees built, members expanded); the table runs build the grid of texts.
// Goals, at 1 M items: one level ahead of DuckDB on ENUM axes (about 6 ms on
// one thread), three levels within 50 ms. bench/peers/compare.sh measures the
// same tables side by side with DuckDB.
#include "CPivotCube.h"
#include "CPivotCubeGrid.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

namespace {

const TPivotCubeData& data() {
    static std::unique_ptr<TPivotCubeData> d = GenerateSampleCube(1000000, 20240601);
    return *d;
}

int axisNamed(const TPivotCube& pivot, const char* name) { return pivot.CubeData().Axises().IndexOfName(QString::fromUtf8(name)); }

// The placement as the command line makes it: both lists, the value columns,
// one rebuild, then every member expanded when asked.
void layOut(TPivotCube& pivot, std::initializer_list<const char*> rows, std::initializer_list<const char*> cols,
            std::initializer_list<const char*> values, bool expandAll) {
    pivot.RowDimensions().clear();
    pivot.ColDimensions().clear();
    for (const char* r : rows) pivot.RowDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(pivot, r)));
    for (const char* c : cols) pivot.ColDimensions().push_back(std::make_unique<TPCAxisVisualFilter>(axisNamed(pivot, c)));
    if (pivot.ValueColumnCount() == 0)
        for (const char* name : values)
            pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values().FindByName(QString::fromUtf8(name)));
    pivot.Rebuild();
    if (expandAll && pivot.RowRoot()) pivot.ExpandAllTo(pivot.RowRoot(), int(rows.size()));
}

void oneLevel(TPivotCube& pivot) { layOut(pivot, {"Produit"}, {"Mois"}, {"Montant", "Prix"}, false); }
void threeLevels(TPivotCube& pivot) { layOut(pivot, {"Région", "Ville", "Produit"}, {"Canal"}, {"Montant"}, true); }

// An engine holding its own copy of the data, nothing ordered yet.
std::unique_ptr<TPivotCube> freshEngine() {
    auto pivot = std::make_unique<TPivotCube>();
    pivot->SetCubeData(data());
    return pivot;
}

template <void (*Layout)(TPivotCube&)> void BM_Layout(benchmark::State& state) {
    std::unique_ptr<TPivotCube> pivot;
    for (auto _ : state) {
        state.PauseTiming();
        pivot.reset();
        pivot = freshEngine();
        state.ResumeTiming();
        Layout(*pivot);
        benchmark::DoNotOptimize(pivot->RowRoot());
    }
}
BENCHMARK(BM_Layout<oneLevel>)->Name("BM_Layout/one_level")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Layout<threeLevels>)->Name("BM_Layout/three_levels")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

template <void (*Layout)(TPivotCube&)> void BM_Table(benchmark::State& state) {
    std::unique_ptr<TPivotCube> pivot = freshEngine();
    Layout(*pivot);
    qsizetype cells = 0;
    for (auto _ : state) {
        const TPivotGrid grid = BuildPivotGrid(*pivot);
        cells = 0;
        for (const TPivotGridLine& line : grid.Lines) cells += line.Cells.size();
        benchmark::DoNotOptimize(cells);
    }
    state.counters["cells"] = double(cells);
}
BENCHMARK(BM_Table<oneLevel>)->Name("BM_Table/one_level")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Table<threeLevels>)->Name("BM_Table/three_levels")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
