#pragma once
// Draws a chart model onto any QPainter: a widget, a QImage, a QPrinter, a
// QPdfWriter or a QSvgGenerator. The renderer keeps no state: two charts may
// render side by side, in any thread that owns its painter.

#include "UChartLayout.h"
#include "UChartModel.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>

// The 1024 × 724 logical canvas of a chart drawn onto a page or a metafile.
inline constexpr QSizeF ChartLogicalCanvas{1024, 724};

class ChartRenderer {
public:
    // Draws model into rect (device coordinates of painter) and returns the
    // frame it used (for hit tests, user zoom and panning).
    static ChartFrame Render(QPainter& painter, const ChartModel& model, const QRectF& rect);
    // Draws the chart on a logical canvas (1024 × 724 by default) stretched to target.
    static void RenderScaled(QPainter& painter, const ChartModel& model, const QRectF& target,
                             const QSizeF& canvas = ChartLogicalCanvas);
    static QImage ToImage(const ChartModel& model, const QSize& size);
    // An SVG document of the chart drawn at size (the clipboard's vector form).
    static QByteArray ToSvg(const ChartModel& model, const QSize& size, const QString& title = {});
};

// User zoom: the axes show the part of the chart inside screen rect (a
// rectangle dragged over a flat or orthogonal chart). Does nothing when the
// model does not allow zooming, for a pie, a rotated view or an empty rect.
void ChartZoomTo(ChartModel& model, const ChartFrame& frame, const QRectF& rect);
// User panning: moves the axes' ranges by a screen distance, in the
// directions the model's Panning allows.
void ChartPanBy(ChartModel& model, const ChartFrame& frame, const QPointF& delta);
