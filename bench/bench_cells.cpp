// Cell values: every cell of a 50 × 36 table (product × month) of a
// 1 000 000-item generated cube, computed through a compiled value column
// (value expression + display expression, as the grid does), against the raw
// FilterItems + AggregateItems loop over the same cells. The goal is at most
// 10 % more time for the compiled path. The line-scoped run computes each
// row's cells together, as the table writers do (goal: 60 ms or less).
#include "CPivotCubeValueColumns.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <vector>

namespace {

constexpr int kRowAxis = 2;   // "Produit": 50 members
constexpr int kColAxis = 3;   // "Mois": 36 members

struct Table {
    std::unique_ptr<TPivotCubeData> cube;
    std::vector<std::unique_ptr<TPCAxisFilter>> rowFilters, colFilters;
    int valueIndex = 0;

    Table() {
        cube = GenerateSampleCube(1000000, 20240601);
        valueIndex = cube->Values().IndexOfName(QStringLiteral("Montant"));
        for (const TPivotCubeAxisData& m : cube->Axises()[kRowAxis]->Members) {
            rowFilters.push_back(std::make_unique<TPCAxisFilter>(kRowAxis));
            rowFilters.back()->IncludeIDs.Add(m.ID);
        }
        for (const TPivotCubeAxisData& m : cube->Axises()[kColAxis]->Members) {
            colFilters.push_back(std::make_unique<TPCAxisFilter>(kColAxis));
            colFilters.back()->IncludeIDs.Add(m.ID);
        }
        // A row's items are then one sorted range, as under the engine.
        cube->DataItems().SortByAxis(kRowAxis);
    }
};

Table& table() {
    static Table t;
    return t;
}

// Walks every cell as the table export does: for each row its items, for
// each column its filter stack. With lineCells, each row's cells are
// evaluated inside one line scope of that engine.
template <class Cell>
void everyCell(Table& t, TPCDataItemList& items, Cell&& cell, PivotCubeCells* lineCells = nullptr) {
    for (const auto& row : t.rowFilters) {
        const TPCAxisFilter* rowStack[1] = {row.get()};
        items.clear();
        t.cube->DataItems().FilterItems(rowStack, items);
        std::optional<PivotCubeCells::LineScope> line;
        if (lineCells) line.emplace(*lineCells, items);
        for (const auto& col : t.colFilters) {
            const TPCAxisFilter* colStack[1] = {col.get()};
            cell(items, TPCAxisFilterSpan(colStack));
        }
    }
}

void BM_CellsRawAggregate(benchmark::State& state) {
    Table& t = table();
    TPCDataItemList items;
    items.reserve(size_t(t.cube->DataItems().Count()));
    TPCGOSum sum;
    for (auto _ : state) {
        double total = 0;
        everyCell(t, items, [&](const TPCDataItemList& cellItems, TPCAxisFilterSpan filters) {
            total += AggregateItems(cellItems, filters, t.valueIndex, sum);
        });
        benchmark::DoNotOptimize(total);
    }
    state.counters["cells"] = double(t.rowFilters.size() * t.colFilters.size());
}
BENCHMARK(BM_CellsRawAggregate)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every cell through a compiled value column, cell by cell or one line at a time.
void compiledCells(benchmark::State& state, bool lineScope) {
    Table& t = table();
    PivotCubeCells cells(t.cube.get());
    TPivotCubeValueColumn* column = cells.ValueColumns().Add();
    column->AssignFrom(*t.cube->Values()[t.valueIndex]);
    cells.Compile(*column);
    TPCDataItemList items;
    items.reserve(size_t(t.cube->DataItems().Count()));
    for (auto _ : state) {
        double total = 0;
        qsizetype characters = 0;
        everyCell(
            t, items,
            [&](const TPCDataItemList& cellItems, TPCAxisFilterSpan filters) {
                const TPivotCubeCellValue cell = cells.EvaluateCell(cellItems, filters, *column);
                total += cell.Value;
                characters += cell.Text.size();
            },
            lineScope ? &cells : nullptr);
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(characters);
    }
    state.counters["cells"] = double(t.rowFilters.size() * t.colFilters.size());
}

void BM_CellsCompiledColumn(benchmark::State& state) { compiledCells(state, false); }
BENCHMARK(BM_CellsCompiledColumn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CellsLineScope(benchmark::State& state) { compiledCells(state, true); }
BENCHMARK(BM_CellsLineScope)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
