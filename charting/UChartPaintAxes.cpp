// Axes: grid lines on the walls, axis lines, ticks, labels and titles.
#include "UChartPaint.h"

#include <QFontMetricsF>
#include <QTransform>

#include <cmath>

namespace {

constexpr double kGap = 4;

// Measuring (c.Extent set) collects the screen rectangles that drawing would cover.
void extend(ChartPaintContext& c, const QRectF& r) { *c.Extent = c.Extent->isNull() ? r : c.Extent->united(r); }

void drawLine(ChartPaintContext& c, const QPointF& a, const QPointF& b) {
    if (c.Extent) extend(c, QRectF(a, b).normalized().adjusted(-1, -1, 1, 1));
    else c.Painter.drawLine(a, b);
}

// A text in box, placed by transform.
void drawText(ChartPaintContext& c, const QTransform& transform, const QRectF& box, int align, const QString& text) {
    if (c.Extent) {
        extend(c, transform.mapRect(box));
        return;
    }
    QPainter& p = c.Painter;
    if (transform.isIdentity()) {
        p.drawText(box, align, text);
        return;
    }
    p.save();
    p.setTransform(transform, true);
    p.drawText(box, align, text);
    p.restore();
}

struct Edge {
    ChartAxisKind Kind;
    QPointF Outward;  // screen direction from the box to the labels
    ChartAxisKind LabelKind = Kind;  // how labels sit: the side of the box they are on
    // World point at coordinate t along the axis.
    QVector3D At(const ChartProjection& pr, double t) const {
        switch (Kind) {
        case ChartAxisKind::Left: return QVector3D(0, float(t), 0);
        case ChartAxisKind::Right: return QVector3D(float(pr.Width()), float(t), 0);
        case ChartAxisKind::Bottom: return QVector3D(float(t), float(pr.Height()), 0);
        case ChartAxisKind::Top: return QVector3D(float(t), 0, 0);
        case ChartAxisKind::Depth: return QVector3D(float(pr.Width()), float(pr.Height()), float(t));
        }
        return {};
    }
    bool Horizontal() const { return LabelKind == ChartAxisKind::Bottom || LabelKind == ChartAxisKind::Top; }
};

Edge fixedEdge(ChartAxisKind kind) {
    switch (kind) {
    case ChartAxisKind::Left: return {kind, QPointF(-1, 0), kind};
    case ChartAxisKind::Right: return {kind, QPointF(1, 0), kind};
    case ChartAxisKind::Bottom: return {kind, QPointF(0, 1), kind};
    case ChartAxisKind::Top: return {kind, QPointF(0, -1), kind};
    case ChartAxisKind::Depth: return {kind, QPointF(1, 0), kind};
    }
    return {kind, QPointF(0, 1), kind};
}

// In a turned view the labels go out from the projected edge, away from the
// box, and sit like those of the side of the box that direction points to.
Edge edgeOf(const ChartProjection& pr, ChartAxisKind kind, double length) {
    Edge edge = fixedEdge(kind);
    if (!pr.IsRotated()) return edge;
    const QPointF a = pr.Map(edge.At(pr, 0)), b = pr.Map(edge.At(pr, length));
    const double dx = b.x() - a.x(), dy = b.y() - a.y(), d = std::hypot(dx, dy);
    if (d < 1e-6) return edge;
    QPointF normal(-dy / d, dx / d);
    const QPointF centre = pr.Map(pr.Width() / 2, pr.Height() / 2, pr.Depth() / 2), middle = (a + b) / 2;
    // An edge that points at the box's centre on the screen (the depth edges
    // of a facing view) has no outer side: its labels go where they would
    // in the flat chart.
    const QPointF away = middle - centre;
    const double awayLength = std::hypot(away.x(), away.y());
    const double outward = awayLength > 1e-9 ? QPointF::dotProduct(normal, away) / awayLength : 0;
    if (std::fabs(outward) < 0.2 ? QPointF::dotProduct(normal, edge.Outward) < 0 : outward < 0) normal = -normal;
    edge.Outward = normal;
    if (std::fabs(normal.x()) > std::fabs(normal.y()))
        edge.LabelKind = normal.x() < 0 ? ChartAxisKind::Left : ChartAxisKind::Right;
    else edge.LabelKind = normal.y() > 0 ? ChartAxisKind::Bottom : ChartAxisKind::Top;
    return edge;
}

// A label whose box touches anchor on the side facing the axis, turned by
// angle degrees counter-clockwise.
void drawLabel(ChartPaintContext& c, const QFontMetricsF& fm, const QString& text, const QPointF& anchor, ChartAxisKind kind,
               int angle) {
    const double w = fm.horizontalAdvance(text) + 1, h = fm.height();
    QRectF box;
    int align = Qt::AlignVCenter;
    const bool steep = std::abs(angle) >= 60;
    switch (kind) {
    case ChartAxisKind::Bottom:
        if (angle == 0) box = QRectF(-w / 2, 0, w, h), align = Qt::AlignCenter;
        else if (angle > 0) box = QRectF(-w, -h / 2, w, h), align |= Qt::AlignRight;
        else box = QRectF(0, -h / 2, w, h), align |= Qt::AlignLeft;
        break;
    case ChartAxisKind::Top:
        if (angle == 0) box = QRectF(-w / 2, -h, w, h), align = Qt::AlignCenter;
        else if (angle > 0) box = QRectF(0, -h / 2, w, h), align |= Qt::AlignLeft;
        else box = QRectF(-w, -h / 2, w, h), align |= Qt::AlignRight;
        break;
    case ChartAxisKind::Left:
        if (steep) box = QRectF(-w / 2, angle > 0 ? -h : 0, w, h), align = Qt::AlignCenter;
        else box = QRectF(-w, -h / 2, w, h), align |= Qt::AlignRight;
        break;
    case ChartAxisKind::Right:
    case ChartAxisKind::Depth:
        if (steep) box = QRectF(-w / 2, angle > 0 ? 0 : -h, w, h), align = Qt::AlignCenter;
        else box = QRectF(0, -h / 2, w, h), align |= Qt::AlignLeft;
        break;
    }
    if (angle == 0) {
        drawText(c, QTransform(), box.translated(anchor), align | Qt::TextSingleLine, text);
        return;
    }
    // A rotated label starts half a line further out, so that its corner clears the axis.
    const double a = std::abs(angle) * M_PI / 180.0;
    QPointF shift(0, 0);
    if (kind == ChartAxisKind::Bottom) shift = QPointF(0, h / 2 * std::sin(a));
    else if (kind == ChartAxisKind::Top) shift = QPointF(0, -h / 2 * std::sin(a));
    QTransform transform;
    transform.translate((anchor + shift).x(), (anchor + shift).y());
    transform.rotate(-angle);
    drawText(c, transform, box, align | Qt::TextSingleLine, text);
}

double extentOf(const QFontMetricsF& fm, const QString& text, int angle, bool horizontalAxis) {
    const double w = fm.horizontalAdvance(text), h = fm.height();
    const double a = std::abs(angle) * M_PI / 180.0;
    return horizontalAxis ? w * std::sin(a) + h * std::cos(a) : w * std::cos(a) + h * std::sin(a);
}

// Every how many labels one is drawn, so that none covers its neighbour:
// the labels' boxes measured along the projected axis against the distance
// between two neighbours.
int labelStep(const ChartProjection& pr, const Edge& edge, const QFontMetricsF& fm, const std::vector<QString>& texts,
              const std::vector<double>& at, int angle) {
    if (at.size() < 2) return 1;
    const double a = std::abs(angle) * M_PI / 180.0;
    double spacing = 1e300;
    QPointF direction;
    for (size_t i = 0; i + 1 < at.size(); ++i) {
        const QPointF d = pr.Map(edge.At(pr, at[i + 1])) - pr.Map(edge.At(pr, at[i]));
        const double length = std::hypot(d.x(), d.y());
        if (length < spacing) spacing = length, direction = length > 0 ? d / length : QPointF(1, 0);
    }
    double footprint = 0;
    for (const QString& text : ChartWidestCandidates(texts)) {
        const double w = fm.horizontalAdvance(text), h = fm.height();
        const double bw = w * std::cos(a) + h * std::sin(a), bh = w * std::sin(a) + h * std::cos(a);
        footprint = std::max(footprint, bw * std::fabs(direction.x()) + bh * std::fabs(direction.y()));
    }
    if (spacing <= 1e-6) return int(at.size());
    return std::max(1, int(std::ceil((footprint + 6) / spacing)));
}

void drawTitle(ChartPaintContext& c, const ChartAxis& axis, const Edge& edge, const QPointF& from, const QPointF& to,
               double distance) {
    if (!axis.Title.Visible || axis.Title.Caption.trimmed().isEmpty()) return;
    QPainter& p = c.Painter;
    const QFont font = ChartCanvasFont(axis.Title.Font);
    const QFontMetricsF fm(font);
    if (!c.Extent) p.setFont(font), p.setPen(axis.Title.Color);
    const QPointF middle = (from + to) / 2 + edge.Outward * distance;
    const double length = std::max(40.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QString text = fm.elidedText(axis.Title.Caption, Qt::ElideRight, length);
    const double w = fm.horizontalAdvance(text) + 1, h = fm.height();
    QTransform t;
    t.translate(middle.x(), middle.y());
    switch (edge.Kind == ChartAxisKind::Depth ? ChartAxisKind::Depth : edge.LabelKind) {
    case ChartAxisKind::Left: drawText(c, t.rotate(-90), QRectF(-w / 2, -h, w, h), Qt::AlignCenter, text); break;
    case ChartAxisKind::Right: drawText(c, t.rotate(90), QRectF(-w / 2, -h, w, h), Qt::AlignCenter, text); break;
    case ChartAxisKind::Bottom: drawText(c, t, QRectF(-w / 2, 0, w, h), Qt::AlignCenter, text); break;
    case ChartAxisKind::Top: drawText(c, t, QRectF(-w / 2, -h, w, h), Qt::AlignCenter, text); break;
    case ChartAxisKind::Depth: drawText(c, t, QRectF(0, -h / 2, w, h), Qt::AlignLeft | Qt::AlignVCenter, text); break;
    }
}

// Grid lines across the back wall and along the side wall (left or floor)
// at world coordinate t along the value or category direction.
void drawGridLine(ChartPaintContext& c, bool alongX, double t) {
    const ChartProjection& pr = c.Frame.Projection;
    const double W = pr.Width(), H = pr.Height(), D = pr.Depth();
    QPainter& p = c.Painter;
    if (alongX) {  // a horizontal line at height t
        p.drawLine(pr.Map(0, t, D), pr.Map(W, t, D));
        if (D > 0 && !pr.IsFlat()) p.drawLine(pr.Map(0, t, 0), pr.Map(0, t, D));
    } else {  // a vertical line at x = t
        p.drawLine(pr.Map(t, 0, D), pr.Map(t, H, D));
        if (D > 0 && !pr.IsFlat()) p.drawLine(pr.Map(t, H, 0), pr.Map(t, H, D));
    }
}

struct AxisTicks {
    bool TicksAtLabels = false;     // ticks stand at the labels drawn (Positions unused)
    std::vector<double> Positions;  // world coordinates along the axis
    std::vector<QString> Texts;     // per position; empty: no label
    std::vector<double> Minor;
};

void drawAxis(ChartPaintContext& c, const ChartAxis& axis, const Edge& edge, double from, double to, const AxisTicks& ticks,
              bool labelsAtTicks, const std::vector<double>& labelPositions) {
    QPainter& p = c.Painter;
    const ChartProjection& pr = c.Frame.Projection;
    const QPointF a = pr.Map(edge.At(pr, from)), b = pr.Map(edge.At(pr, to));
    const bool painting = !c.Extent;
    if (axis.LineWidth > 0) {
        if (painting) p.setPen(QPen(axis.LineColor, axis.LineWidth, Qt::SolidLine, Qt::FlatCap));
        drawLine(c, a, b);
    }
    if (painting) p.setPen(QPen(axis.MinorTickColor, 1));
    for (double t : ticks.Minor) {
        const QPointF s = pr.Map(edge.At(pr, t));
        drawLine(c, s, s + edge.Outward * (axis.TickLength / 2.0));
    }
    const QFont font = ChartCanvasFont(axis.LabelsFont);
    const QFontMetricsF fm(font);
    const std::vector<double>& at = labelsAtTicks ? ticks.Positions : labelPositions;
    const int angle = std::clamp(axis.LabelAngle, -90, 90);
    const int every = labelStep(pr, edge, fm, ticks.Texts, at, angle);
    if (painting) p.setPen(QPen(axis.TickColor, 1));
    const std::vector<double>& tickAt = ticks.TicksAtLabels ? labelPositions : ticks.Positions;
    for (size_t i = 0; i < tickAt.size(); i += ticks.TicksAtLabels ? size_t(every) : 1) {
        const QPointF s = pr.Map(edge.At(pr, tickAt[i]));
        drawLine(c, s, s + edge.Outward * double(axis.TickLength));
    }
    double extent = 0;
    if (axis.LabelsVisible) {
        if (painting) p.setFont(font), p.setPen(axis.LabelsColor);
        for (size_t i = 0; i < at.size() && i < ticks.Texts.size(); i += size_t(every)) {
            if (ticks.Texts[i].isEmpty()) continue;
            const QPointF s = pr.Map(edge.At(pr, at[i]));
            drawLabel(c, fm, ticks.Texts[i], s + edge.Outward * (axis.TickLength + kGap), edge.LabelKind, angle);
            extent = std::max(extent, extentOf(fm, ticks.Texts[i], angle, edge.Horizontal()));
        }
    }
    drawTitle(c, axis, edge, a, b, axis.TickLength + kGap + extent + (extent > 0 ? kGap : 0));
}

}  // namespace

void ChartPaintAxes(ChartPaintContext& c) {
    const ChartFrame& f = c.Frame;
    const ChartModel& m = c.Model;
    const ChartProjection& pr = f.Projection;
    QPainter& p = c.Painter;
    const double valueLength = f.Horizontal ? pr.Width() : pr.Height();
    const double categoryLength = f.Horizontal ? pr.Height() : pr.Width();

    // Grid lines first: the series cover them. They lie on the walls, inside the box.
    for (int a = 0; a < 2 && !c.Extent; ++a) {
        const ChartAxis& axis = m.Axis(f.ValueAxis[a]);
        if (!axis.Visible || !axis.GridVisible || (a == 1 && !f.AxisUsed[1])) continue;
        p.setPen(QPen(axis.GridColor, 1));
        for (double v : f.ValueTicks[a].Values) drawGridLine(c, !f.Horizontal, f.ValueScale[a].Map(v));
    }
    const ChartAxis& categoryAxis = m.Axis(f.CategoryAxis);

    // Value axes.
    for (int a = 0; a < 2; ++a) {
        const ChartAxis& axis = m.Axis(f.ValueAxis[a]);
        if (!axis.Visible || (a == 1 && !f.AxisUsed[1]) || (a == 0 && !f.AxisUsed[0] && f.AxisUsed[1])) continue;
        AxisTicks ticks;
        const ChartTicks& t = f.ValueTicks[a];
        for (double v : t.Values) {
            ticks.Positions.push_back(f.ValueScale[a].Map(v));
            ticks.Texts.push_back(ChartFormatNumber(v, t.Decimals, m.DecimalSeparator) + (f.Percent[a] ? QStringLiteral(" %") : QString()));
        }
        if (axis.MinorTickCount > 0)
            for (size_t i = 0; i + 1 < t.Values.size(); ++i)
                for (int k = 1; k <= axis.MinorTickCount; ++k)
                    ticks.Minor.push_back(f.ValueScale[a].Map(t.Values[i] + t.Step * k / (axis.MinorTickCount + 1)));
        drawAxis(c, axis, edgeOf(pr, f.ValueAxis[a], valueLength), 0, valueLength, ticks, true, {});
    }

    // Category axis: one label per category (thinned out when they would overlap).
    if (categoryAxis.Visible) {
        AxisTicks ticks;
        std::vector<double> labelPositions;
        for (int i = 0; i < f.Categories; ++i) {
            const double position = f.CategoryPosition(i);
            if (position < -0.5 || position > categoryLength + 0.5) continue;  // zoomed out of view
            labelPositions.push_back(position), ticks.Texts.push_back(f.CategoryLabels[size_t(i)]);
        }
        if (f.Slots)
            for (int i = 0; i <= f.Categories; ++i) {
                const double position = f.CategoryPosition(i - 0.5);
                if (position >= -0.5 && position <= categoryLength + 0.5) ticks.Positions.push_back(position);
            }
        else ticks.TicksAtLabels = true;
        drawAxis(c, categoryAxis, edgeOf(pr, f.CategoryAxis, categoryLength), 0, categoryLength, ticks, false, labelPositions);
    }

    // Depth axis: the titles of the depth rows.
    const ChartAxis& depthAxis = m.Axis(ChartAxisKind::Depth);
    if (f.Depth && depthAxis.Visible && pr.Depth() > 0 && f.Rows > 1) {
        AxisTicks ticks;
        std::vector<double> labelPositions;
        std::vector<bool> named(size_t(f.Rows), false);
        for (size_t i = 0; i < m.Series.size(); ++i) {
            const ChartSeriesPlace& place = f.Places[i];
            if (!place.Drawn || named[size_t(place.Row)] || m.Series[i].Title.trimmed().isEmpty()) continue;
            named[size_t(place.Row)] = true;
            labelPositions.push_back((f.RowFront(place.Row) + f.RowBack(place.Row)) / 2);
            ticks.Texts.push_back(m.Series[i].Title);
        }
        ticks.TicksAtLabels = true;
        drawAxis(c, depthAxis, edgeOf(pr, ChartAxisKind::Depth, pr.Depth()), 0, pr.Depth(), ticks, false, labelPositions);
    }
}

QRectF ChartAxesExtent(const ChartModel& model, const ChartFrame& frame) {
    QPainter idle;  // measuring draws nothing
    QRectF extent;
    ChartPaintContext c{idle, model, frame};
    c.Extent = &extent;
    ChartPaintAxes(c);
    return extent;
}
