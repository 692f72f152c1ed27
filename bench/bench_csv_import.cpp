// CSV into a cube: the raw data export of 1 000 000 generated items (5 axes, 4
// values: 9 columns) read back into a cube data set, with the columns
// classified from their content and with their roles given. Reports the
// throughput in CSV bytes.
#include "CPivotCubeDataExport.h"
#include "UPivotCubeCsvImport.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qint64 kItems = 1000000;

struct Fixture {
    QByteArray csv;
    TCsvImportOptions roles;   // every column named, with the operators of the generated cube
    Fixture() {
        auto cube = GenerateSampleCube(kItems, 1);
        csv = ExportDataCSV(*cube);
        for (int a = 0; a < cube->Axises().Count(); ++a)
            roles.Columns.push_back({cube->Axises()[a]->Nom(), TCsvColumnRole::Axis, QString(), QString()});
        for (int v = 0; v < cube->Values().Count(); ++v)
            roles.Columns.push_back({cube->Values()[v]->Nom(), TCsvColumnRole::Value, cube->Values()[v]->GroupOperatorName(), QString()});
        roles.Parents = {{QStringLiteral("Ville"), QStringLiteral("Région")}};
    }
};

const Fixture& fixture() {
    static Fixture f;
    return f;
}

void run(benchmark::State& state, const TCsvImportOptions& options) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        TCsvImportResult r = ImportCsvBytes(f.csv, options);
        benchmark::DoNotOptimize(r.Cube->DataItems().Count());
    }
    state.SetBytesProcessed(state.iterations() * f.csv.size());
    state.counters["csv_MB"] = double(f.csv.size()) / 1e6;
}

void BM_ImportCsvClassified(benchmark::State& state) { run(state, {}); }
void BM_ImportCsvChosenRoles(benchmark::State& state) { run(state, fixture().roles); }

void BM_PreviewCsv(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) benchmark::DoNotOptimize(PreviewCsvBytes(f.csv, {}, 20).Lines.size());
}

} // namespace

BENCHMARK(BM_ImportCsvClassified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportCsvChosenRoles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
