#include "UChartRenderer.h"

#include "UChartPaint.h"

#include <QBuffer>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace {

void paintSeries(ChartPaintContext& c) {
    const ChartFrame& f = c.Frame;
    c.Painter.save();
    // Zoomed axes leave points outside the box: flat and oblique views clip them.
    // The margin keeps whole the point markers and line ends on the box's sides.
    double margin = 2;
    for (const ChartSeries& s : c.Model.Series) margin = std::max(margin, double(s.PointerSize + s.LineWidth + 1));
    if (!f.Projection.IsRotated())
        c.Painter.setClipRect(f.Projection.Bounds().adjusted(-margin, -margin, margin, margin), Qt::IntersectClip);
    for (int row = f.Rows - 1; row >= 0; --row) {
        ChartPaintBarRow(c, row);
        for (size_t i = 0; i < c.Model.Series.size(); ++i) {
            const ChartSeriesPlace& place = f.Places[i];
            if (!place.Drawn || place.Row != row) continue;
            const ChartSeries& s = c.Model.Series[i];
            if (s.Type == ChartSeriesType::Area) ChartPaintArea(c, int(i));
        }
        for (size_t i = 0; i < c.Model.Series.size(); ++i) {
            const ChartSeriesPlace& place = f.Places[i];
            if (!place.Drawn || place.Row != row) continue;
            const ChartSeries& s = c.Model.Series[i];
            if (s.Type == ChartSeriesType::Line || s.Type == ChartSeriesType::Point) ChartPaintLine(c, int(i));
        }
    }
    c.Painter.restore();
}

}  // namespace

ChartFrame ChartRenderer::Render(QPainter& painter, const ChartModel& model, const QRectF& rect) {
    ChartFrame frame = ChartComputeFrame(model, rect);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, model.AntiAlias);
    painter.setRenderHint(QPainter::TextAntialiasing, model.AntiAlias);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, model.AntiAlias);
    ChartPaintContext c{painter, model, frame};
    ChartPaintBackground(c);
    ChartPaintTitle(c);
    painter.save();
    painter.setClipRect(frame.PanelRect, Qt::IntersectClip);
    if (frame.ZoomedIn) painter.setClipRect(frame.ZoomWindow, Qt::IntersectClip);
    if (frame.PieChart) {
        ChartPaintPie(c);
    } else {
        ChartPaintWalls(c);
        ChartPaintAxes(c);
        paintSeries(c);
        ChartPaintMarks(c);
    }
    painter.restore();
    ChartPaintLegend(c);
    painter.restore();
    return frame;
}

void ChartRenderer::RenderScaled(QPainter& painter, const ChartModel& model, const QRectF& target, const QSizeF& canvas) {
    if (canvas.isEmpty() || target.isEmpty()) return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / canvas.width(), target.height() / canvas.height());
    Render(painter, model, QRectF(QPointF(0, 0), canvas));
    painter.restore();
}

QImage ChartRenderer::ToImage(const ChartModel& model, const QSize& size) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    Render(painter, model, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

QByteArray ChartRenderer::ToSvg(const ChartModel& model, const QSize& size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(title.isEmpty() ? model.Title.Text : title);
    {
        QPainter painter(&generator);
        Render(painter, model, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return bytes;
}

namespace {

bool zoomable(const ChartFrame& frame) { return !frame.PieChart && !frame.Projection.IsRotated(); }

// Value ranges in the world coordinates of the box along x and y.
void setRange(ChartAxis& axis, double a, double b) {
    axis.AutomaticMinimum = axis.AutomaticMaximum = false;
    axis.Minimum = std::min(a, b);
    axis.Maximum = std::max(a, b);
}

// The front face's screen origin: world (0, 0, 0).
QPointF worldOf(const ChartFrame& frame, const QPointF& screen) {
    return screen - frame.Projection.Map(0, 0, 0);
}

}  // namespace

void ChartZoomTo(ChartModel& model, const ChartFrame& frame, const QRectF& rect) {
    if (!model.AllowZoom || !zoomable(frame)) return;
    const QRectF r = rect.normalized();
    if (r.width() < 2 || r.height() < 2) return;
    const QPointF a = worldOf(frame, r.topLeft()), b = worldOf(frame, r.bottomRight());
    const double catA = frame.Horizontal ? a.y() : a.x(), catB = frame.Horizontal ? b.y() : b.x();
    const double valA = frame.Horizontal ? a.x() : a.y(), valB = frame.Horizontal ? b.x() : b.y();
    setRange(model.Axis(frame.CategoryAxis), frame.CategoryScale.Unmap(catA), frame.CategoryScale.Unmap(catB));
    for (int i = 0; i < 2; ++i)
        setRange(model.Axis(frame.ValueAxis[i]), frame.ValueScale[i].Unmap(valA), frame.ValueScale[i].Unmap(valB));
}

void ChartPanBy(ChartModel& model, const ChartFrame& frame, const QPointF& delta) {
    if (model.Panning == ChartPanning::None || !zoomable(frame)) return;
    const bool horizontal = model.Panning == ChartPanning::Horizontal || model.Panning == ChartPanning::Both;
    const bool vertical = model.Panning == ChartPanning::Vertical || model.Panning == ChartPanning::Both;
    // Dragging moves the drawing with the mouse: the ranges move the other way.
    auto shift = [](ChartAxis& axis, const ChartScale& scale, double pixels) {
        const double d = scale.Unmap(scale.From - pixels) - scale.Minimum;
        setRange(axis, scale.Minimum + d, scale.Maximum + d);
    };
    const double catPixels = frame.Horizontal ? delta.y() : delta.x();
    const double valPixels = frame.Horizontal ? delta.x() : delta.y();
    const bool catMoves = frame.Horizontal ? vertical : horizontal;
    const bool valMoves = frame.Horizontal ? horizontal : vertical;
    if (catMoves && catPixels != 0) shift(model.Axis(frame.CategoryAxis), frame.CategoryScale, catPixels);
    if (valMoves && valPixels != 0)
        for (int i = 0; i < 2; ++i) shift(model.Axis(frame.ValueAxis[i]), frame.ValueScale[i], valPixels);
}
