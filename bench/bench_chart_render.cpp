// Chart rendering into a QImage, anti-aliased:
//   stacked 3D bars: 12 series × 50 points at 1600 × 1000, oblique and in
//                    perspective; goal ≤ 30 ms;
//   line: one series of 10 000 points at 1600 × 1000, flat, in the oblique
//         3D view and in a turned perspective view; goal ≤ 50 ms.
#include "UChartRenderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

ChartModel stackedBars(bool perspective) {
    ChartModel m;
    m.Title.Text = QStringLiteral("Ventes par produit et par mois");
    m.View.View3D = true;
    m.View.Orthogonal = !perspective;
    m.View.Rotation = 330, m.View.Elevation = 340;
    for (int s = 0; s < 12; ++s) {
        ChartSeries& series = m.AddSeries(ChartSeriesType::Bar, QStringLiteral("Série %1").arg(s + 1));
        series.Color = ChartPaletteColor(s);
        series.MultiBar = ChartMultiBar::Stacked;
        series.BarFrameVisible = false;
        for (int k = 0; k < 50; ++k) series.AddPoint(100 + 80 * std::sin(k * 0.3 + s), QStringLiteral("P%1").arg(k + 1));
    }
    return m;
}

// view: 0 flat, 1 oblique 3D, 2 turned in perspective (the chart view's 300 × 300).
ChartModel longLine(int view) {
    ChartModel m;
    m.View.View3D = view > 0;
    m.View.Orthogonal = view == 1;
    m.View.Rotation = 300, m.View.Elevation = 300;
    m.Legend.Visible = false;
    ChartSeries& series = m.AddSeries(ChartSeriesType::Line, QStringLiteral("Cours"));
    series.LineWidth = 2;
    for (int k = 0; k < 10000; ++k) series.AddPoint(1000 + 300 * std::sin(k * 0.01) + 40 * std::sin(k * 0.37));
    return m;
}

void renderLoop(benchmark::State& state, const ChartModel& model) {
    QImage image(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        ChartRenderer::Render(painter, model, QRectF(0, 0, 1600, 1000));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_StackedBars3D(benchmark::State& state) { renderLoop(state, stackedBars(state.range(0) != 0)); }
BENCHMARK(BM_StackedBars3D)->ArgName("perspective")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Line10000(benchmark::State& state) { renderLoop(state, longLine(int(state.range(0)))); }
BENCHMARK(BM_Line10000)->ArgName("view")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
