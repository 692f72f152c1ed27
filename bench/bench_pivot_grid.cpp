// The pivot grid painting a 1920 × 1080 view offscreen, on generated cubes of
// 1 M and 10 M items: "Région", "Ville" on the rows, every member expanded,
// "Mois" on the columns, "Montant".
//   first paint: after a layout change (the table computed again, the cells
//                in view given their texts); goal ≤ 100 ms at 1 M, ≤ 0.5 s at 10 M;
//   scroll paint: one page down or up, the table unchanged; goal ≤ 16 ms.
#include "FPivotCubeGrid.h"
#include "UPivotCubeSample.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <map>

namespace {

const TPivotCubeData& data(int items) {
    static std::map<int, std::unique_ptr<TPivotCubeData>> cubes;
    auto& cube = cubes[items];
    if (!cube) cube = GenerateSampleCube(items, 20240601);
    return *cube;
}

std::unique_ptr<TPivotCubeGrid> gridOn(int items) {
    auto grid = std::make_unique<TPivotCubeGrid>();
    grid->resize(1920, 1080);
    TPivotCube& e = grid->Engine();
    e.SetCubeData(data(items));
    e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values().FindByName(QStringLiteral("Montant")));
    e.AddDimension(e.RowDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Région")));
    e.AddDimension(e.RowDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Ville")));
    e.AddDimension(e.ColDimensions(), e.CubeData().Axises().IndexOfName(QStringLiteral("Mois")));
    e.ExpandAllTo(e.RowRoot(), 2);
    grid->show();
    return grid;
}

void paint(TPivotCubeGrid& grid, QImage& image) {
    QPainter painter(&image);
    grid.viewport()->render(&painter);
}

void BM_FirstPaint(benchmark::State& state) {
    auto grid = gridOn(int(state.range(0)));
    QImage image(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    TPivotCube& e = grid->Engine();
    for (auto _ : state) {
        // A layout change: the first member collapsed and expanded again.
        e.ToggleExpand(e.RowRoot(), 0);
        e.ToggleExpand(e.RowRoot(), 0);
        paint(*grid, image);
    }
}
BENCHMARK(BM_FirstPaint)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollPaint(benchmark::State& state) {
    auto grid = gridOn(int(state.range(0)));
    QImage image(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    paint(*grid, image);
    QScrollBar* bar = grid->verticalScrollBar();
    bool down = true;
    for (auto _ : state) {
        bar->setValue(bar->value() + (down ? bar->pageStep() : -bar->pageStep()));
        down = !down;
        paint(*grid, image);
    }
}
BENCHMARK(BM_ScrollPaint)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
