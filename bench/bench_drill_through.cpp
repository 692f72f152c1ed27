// The drill-through window opening on a cell of 100 000 items (the whole
// table of a generated 100 000-item cube) and on a cell of a 1 M-item cube
// that holds about 100 000 of them (one region): the items selected and kept,
// the window built, shown and painted once. Goal ≤ 200 ms.
// Also the first sort by a value column of the open window.
#include "FPCDrillThrough.h"
#include "UPivotCubeSample.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <map>

namespace {

TPivotCube& engineOn(int items) {
    static std::map<int, std::unique_ptr<TPivotCube>> engines;
    auto& engine = engines[items];
    if (!engine) {
        engine = std::make_unique<TPivotCube>();
        engine->SetCubeData(*GenerateSampleCube(items, 20240601));
        engine->AddDimension(engine->RowDimensions(), engine->CubeData().Axises().IndexOfName(QStringLiteral("Région")));
    }
    return *engine;
}

// The whole table at 100 000 items; the largest region's line at 1 M.
struct Cell {
    TPCAxisFilter region{0};
    std::vector<const TPCAxisFilter*> rows, columns;
};
Cell cellOf(TPivotCube& engine, int items) {
    Cell c;
    if (items > 100000) {
        c.region.Axis = engine.RowDimension(0)->Axis;
        c.region.IncludeIDs.Add(engine.RowRoot()->Children[0].ID);
        c.rows.push_back(&c.region);
    }
    return c;
}

void BM_OpenDrillThrough(benchmark::State& state) {
    TPivotCube& engine = engineOn(int(state.range(0)));
    const Cell cell = cellOf(engine, int(state.range(0)));
    int count = 0;
    for (auto _ : state) {
        auto drill = std::make_shared<const TPCCellDrillThrough>(engine, cell.rows, cell.columns);
        count = drill->Count();
        TPCDrillThroughForm form(drill);
        form.show();
        QImage image = form.grab().toImage();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["items"] = count;
}
BENCHMARK(BM_OpenDrillThrough)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SortByValue(benchmark::State& state) {
    TPivotCube& engine = engineOn(int(state.range(0)));
    const Cell cell = cellOf(engine, int(state.range(0)));
    auto drill = std::make_shared<const TPCCellDrillThrough>(engine, cell.rows, cell.columns);
    TPCDrillThroughModel model(drill);
    const int montant = model.AxisCount();
    bool down = false;
    for (auto _ : state) {
        model.sort(montant, down ? Qt::DescendingOrder : Qt::AscendingOrder);
        down = !down;
    }
}
BENCHMARK(BM_SortByValue)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
