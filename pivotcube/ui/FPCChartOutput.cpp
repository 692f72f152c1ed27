// Printing and copying the chart view's drawing.

#include "FPCChart.h"
#include "FPCChartCanvas.h"

#include "UChartRenderer.h"
#include "USettings.h"
#include "USysUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace {

// The print ratios of the settings; the defaults make the chart fill the page.
constexpr double kDefaultWidthRatio = 1.65, kDefaultHeightRatio = 1.45;

double printRatio(const char* key, double fallback) {
    const double ratio = StrToFloatDef(ReadIniSetting(QStringLiteral("PrintRatio"), QString::fromLatin1(key), QString()),
                                       fallback);
    return ratio > 0 && std::isfinite(ratio) ? ratio : fallback;
}

}   // namespace

void TPCChart::PrintChart(QPrinter& printer) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (RebuildPending()) RebuildNow();
    // The chart is laid out on its 1024 × 724 canvas and stretched over the
    // page; a ratio other than its default scales the drawing by as much.
    const double w = printRatio("Width", kDefaultWidthRatio) / kDefaultWidthRatio;
    const double h = printRatio("Height", kDefaultHeightRatio) / kDefaultHeightRatio;
    QPainter painter;
    if (painter.begin(&printer)) {
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        ChartModel model = FModel;
        model.AntiAlias = true;
        ChartRenderer::RenderScaled(painter, model,
                                    QRectF(0, 0, std::round(page.width() * w), std::round(page.height() * h)));
        painter.end();
    }
    QGuiApplication::restoreOverrideCursor();
}

void TPCChart::CopyChart() {
    if (RebuildPending()) RebuildNow();
    const QSize size = Chart->size().isEmpty() ? QSize(1024, 724) : Chart->size();
    ChartModel model = FModel;
    model.AntiAlias = true;
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/svg+xml"), ChartRenderer::ToSvg(model, size, FModel.Title.Text));
    data->setImageData(ChartRenderer::ToImage(model, size));
    QApplication::clipboard()->setMimeData(data);
}
