// Table export: the HTML page of a 50 × 36 pivot table (product × month, two
// value columns, one row and one column regroupment) over a 1 000 000-item
// generated cube, against the raw FilterItems + AggregateItems loop over the
// same data cells. The export runs with the data cells alone (options 1), with
// the row regroupments (3), with the column regroupments (5) and with both (7),
// so that each part's cost shows. The goal: the whole export (options 7),
// markup and both regroupments included, takes less time than the raw loop
// over its data cells alone.
#include "CPivotCube.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kRowAxis = 2;   // "Produit": 50 members
constexpr int kColAxis = 3;   // "Mois": 36 members

struct Setup {
    std::unique_ptr<TPivotCube> pivot = std::make_unique<TPivotCube>();
    std::vector<int> valueIndexes;

    Setup() {
        pivot->SetCubeData(*GenerateSampleCube(1000000, 20240601));
        pivot->AddDimension(pivot->RowDimensions(), kRowAxis);
        pivot->AddDimension(pivot->ColDimensions(), kColAxis);
        for (const char* name : {"Montant", "Prix"}) {
            const TPivotCubeValue* value = pivot->CubeData().Values().FindByName(QString::fromUtf8(name));
            pivot->ValueColumns().Add()->AssignFrom(*value);
            valueIndexes.push_back(value->Index);
        }
        TPivotCubeRegroup* rows = pivot->RowRegroups().Add();
        rows->SetOperator(QStringLiteral("Moyenne"));
        rows->SetValue(QStringLiteral("Montant"));
        pivot->ColRegroups().Add()->SetOperator(QStringLiteral("Somme"));
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_TableCellsRaw(benchmark::State& state) {
    Setup& s = setup();
    TPCDataItems& data = s.pivot->CubeData().DataItems();
    const TPivotCubeAxis& rows = *s.pivot->CubeData().Axises()[kRowAxis];
    const TPivotCubeAxis& cols = *s.pivot->CubeData().Axises()[kColAxis];
    std::vector<std::unique_ptr<TPCGroupOperator>> operators;
    for (int v : s.valueIndexes) operators.push_back(CreateGroupOperator(s.pivot->CubeData().Values()[v]->GroupOperator));
    TPCAxisFilter row(kRowAxis), col(kColAxis);
    row.IncludeIDs.Add(0);
    col.IncludeIDs.Add(0);
    const TPCAxisFilter* rowStack[1] = {&row};
    const TPCAxisFilter* colStack[1] = {&col};
    TPCDataItemList items;
    items.reserve(size_t(data.Count()));
    data.SortByAxis(kRowAxis);
    for (auto _ : state) {
        double total = 0;
        for (const TPivotCubeAxisData& r : rows.Members) {
            row.IncludeIDs.SetItem(0, r.ID);
            items.clear();
            data.FilterItems(rowStack, items);
            for (const TPivotCubeAxisData& c : cols.Members) {
                col.IncludeIDs.SetItem(0, c.ID);
                for (size_t k = 0; k < operators.size(); ++k)
                    total += AggregateItems(items, colStack, s.valueIndexes[k], *operators[k]);
            }
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_TableCellsRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TableExportHTML(benchmark::State& state) {
    Setup& s = setup();
    qsizetype bytes = 0;
    for (auto _ : state) {
        s.pivot->ClearCaches();   // a cold export: the column regroupments are computed too
        const QByteArray page = s.pivot->ExportHTML(unsigned(state.range(0)));
        bytes = page.size();
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_TableExportHTML)->Arg(1)->Arg(3)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
