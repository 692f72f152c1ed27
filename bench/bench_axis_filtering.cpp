// The member filter popup on an axis of 10 000 members (a third of them
// excluded): constructing it, loading the lines and showing it offscreen,
// through its first paint; goal ≤ 100 ms.
#include "FPCAxisFiltering.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_OpenPopup(benchmark::State& state) {
    TPivotCubeAxis axis;
    const int members = int(state.range(0));
    for (int i = 1; i <= members; ++i) axis.Members.push_back({i, 0, QStringLiteral("Membre %1").arg(i, 5, 10, QLatin1Char('0'))});
    TPCAxisFilter dimension(0);
    for (int i = 1; i <= members; i += 3) dimension.ExcludeIDs.Add(i);
    for (auto _ : state) {
        TPCAxisFiltering popup;
        popup.Open(dimension, axis);
        QImage image(popup.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        popup.render(&painter);
        painter.end();
        popup.Cancel();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_OpenPopup)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
