// Vertical and horizontal bars: rectangles, gradient rectangles, cylinders
// and arrows, in depth rows, side by side or stacked.
#include "UChartPaint.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

struct Bar {
    int Series;
    int Point;
    double Category;      // world coordinate of the bar's centre along the category direction
    double HalfWidth;     // world units
    double From, To;      // world coordinates along the value direction
    double Z0, Z1;
};

bool isBar(const ChartSeries& s) { return s.Type == ChartSeriesType::Bar || s.Type == ChartSeriesType::HorizBar; }

// World x, y of a point given along the category and value directions.
QPointF planar(const ChartFrame& f, double category, double value) {
    return f.Horizontal ? QPointF(value, category) : QPointF(category, value);
}

QPolygonF outline(const ChartFrame& f, const Bar& b, ChartBarStyle style) {
    if (style != ChartBarStyle::Arrow) {
        return QPolygonF{planar(f, b.Category - b.HalfWidth, b.From), planar(f, b.Category + b.HalfWidth, b.From),
                         planar(f, b.Category + b.HalfWidth, b.To), planar(f, b.Category - b.HalfWidth, b.To)};
    }
    const double length = b.To - b.From;
    const double head = std::copysign(std::min(std::fabs(length) * 0.4, b.HalfWidth * 1.6), length);
    const double shaft = b.HalfWidth * 0.5, neck = b.To - head;
    return QPolygonF{planar(f, b.Category - shaft, b.From), planar(f, b.Category + shaft, b.From),
                     planar(f, b.Category + shaft, neck),   planar(f, b.Category + b.HalfWidth, neck),
                     planar(f, b.Category, b.To),           planar(f, b.Category - b.HalfWidth, neck),
                     planar(f, b.Category - shaft, neck)};
}

QBrush frontBrush(ChartPaintContext& c, const Bar& b, const QColor& color, ChartBarStyle style) {
    if (style != ChartBarStyle::Gradient) return color;
    const ChartFrame& f = c.Frame;
    const QPointF from = c.Frame.Projection.Map(QVector3D(planar(f, b.Category, b.From).x(), planar(f, b.Category, b.From).y(), b.Z0));
    const QPointF to = c.Frame.Projection.Map(QVector3D(planar(f, b.Category, b.To).x(), planar(f, b.Category, b.To).y(), b.Z0));
    QLinearGradient g(from, to);
    g.setColorAt(0, ChartShade(color, 0.8));
    g.setColorAt(1, ChartShade(color, 1.6));
    return g;
}

// A cylinder standing on the category/value plane: its circle lies across
// the category and depth directions; flat charts show it with a shaded body
// and an elliptic top.
void drawCylinder(ChartPaintContext& c, const Bar& b, const QColor& color, const QPen& pen) {
    QPainter& p = c.Painter;
    const ChartFrame& f = c.Frame;
    const ChartProjection& pr = f.Projection;
    auto world = [&](double category, double value, double z) {
        const QPointF w = planar(f, category, value);
        return pr.Map(w.x(), w.y(), z);
    };
    if (pr.IsFlat() || b.Z1 <= b.Z0) {
        // The body with light from the left, capped by ellipses at both ends.
        const QPointF a = world(b.Category - b.HalfWidth, b.From, 0), d = world(b.Category + b.HalfWidth, b.To, 0);
        const QRectF body = QRectF(a, d).normalized();
        const double cap = (f.Horizontal ? body.height() : body.width()) * 0.25;
        QLinearGradient g = f.Horizontal ? QLinearGradient(body.topLeft(), body.bottomLeft()) : QLinearGradient(body.topLeft(), body.topRight());
        g.setColorAt(0, ChartShade(color, 0.7));
        g.setColorAt(0.35, ChartShade(color, 1.35));
        g.setColorAt(1, ChartShade(color, 0.6));
        const bool up = f.Horizontal ? b.To >= b.From : b.To <= b.From;  // world y grows downwards
        QPainterPath path;
        QRectF endCap, startCap;
        if (f.Horizontal) {
            const double endX = up ? body.right() : body.left(), startX = up ? body.left() : body.right();
            endCap = QRectF(endX - cap / 2, body.top(), cap, body.height());
            startCap = QRectF(startX - cap / 2, body.top(), cap, body.height());
        } else {
            const double endY = up ? body.top() : body.bottom(), startY = up ? body.bottom() : body.top();
            endCap = QRectF(body.left(), endY - cap / 2, body.width(), cap);
            startCap = QRectF(body.left(), startY - cap / 2, body.width(), cap);
        }
        path.addRect(body);
        path.addEllipse(startCap);
        path.setFillRule(Qt::WindingFill);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(path.simplified());
        p.setPen(pen.style() == Qt::NoPen ? QPen(ChartShade(color, 0.8), 1) : pen);
        p.setBrush(ChartShade(color, 1.25));
        p.drawEllipse(endCap);
        return;
    }
    // 3D: a ring of side faces, the visible ones far first, then the end cap.
    constexpr int kSides = 24;
    const double zc = (b.Z0 + b.Z1) / 2, rz = (b.Z1 - b.Z0) / 2, rc = b.HalfWidth;
    const QVector3D viewer = pr.Viewer();
    const double viewerCategory = f.Horizontal ? viewer.y() : viewer.x();
    const double viewerValue = f.Horizontal ? viewer.x() : viewer.y();
    struct Face {
        double distance;
        QPolygonF points;
        QColor color;
    };
    std::vector<Face> faces;
    faces.reserve(kSides);
    for (int i = 0; i < kSides; ++i) {
        const double t0 = 2 * M_PI * i / kSides, t1 = 2 * M_PI * (i + 1) / kSides, tm = (t0 + t1) / 2;
        const double nc = std::cos(tm), nz = std::sin(tm);  // normal across category and depth
        const double mc = b.Category + rc * nc, mz = zc + rz * nz;
        if (nc * (viewerCategory - mc) / std::max(rc, 1e-9) + nz * (viewer.z() - mz) / std::max(rz, 1e-9) <= 0) continue;
        const double light = 0.65 + 0.55 * std::max(0.0, -nz * 0.6 - nc * 0.4 + 0.4);
        const double c0 = b.Category + rc * std::cos(t0), z0 = zc + rz * std::sin(t0);
        const double c1 = b.Category + rc * std::cos(t1), z1 = zc + rz * std::sin(t1);
        faces.push_back({std::hypot(viewerCategory - mc, viewer.z() - mz),
                         QPolygonF{world(c0, b.From, z0), world(c1, b.From, z1), world(c1, b.To, z1), world(c0, b.To, z0)},
                         ChartShade(color, light)});
    }
    std::sort(faces.begin(), faces.end(), [](const Face& x, const Face& y) { return x.distance > y.distance; });
    for (const Face& face : faces) {
        p.setPen(QPen(face.color, 0));
        p.setBrush(face.color);
        p.drawPolygon(face.points);
    }
    // The end cap the viewer faces, if any.
    const double low = std::min(b.From, b.To), high = std::max(b.From, b.To);
    const bool capSeen = viewerValue < low || viewerValue > high;
    const double capValue = viewerValue < low ? low : high;
    if (capSeen) {
        QPolygonF cap;
        for (int i = 0; i < kSides; ++i) {
            const double t = 2 * M_PI * i / kSides;
            cap << world(b.Category + rc * std::cos(t), capValue, zc + rz * std::sin(t));
        }
        p.setPen(pen.style() == Qt::NoPen ? QPen(ChartShade(color, 1.1), 0) : pen);
        p.setBrush(ChartShade(color, 1.3));
        p.drawPolygon(cap);
    }
}

}  // namespace

void ChartPaintBarRow(ChartPaintContext& c, int row) {
    const ChartFrame& f = c.Frame;
    const ChartModel& m = c.Model;
    std::vector<Bar> bars;
    const double slot = f.SlotWidth();
    for (size_t i = 0; i < m.Series.size(); ++i) {
        const ChartSeriesPlace& place = f.Places[i];
        const ChartSeries& s = m.Series[i];
        if (!place.Drawn || place.Row != row || !isBar(s)) continue;
        const double group = slot * std::clamp(s.BarWidthPercent, 1, 100) / 100.0;
        const double width = group / std::max(1, place.SideCount);
        const double offset = place.SideCount > 1 ? -group / 2 + (place.Side + 0.5) * width : 0;
        const ChartScale& value = f.ValueScale[place.Axis];
        for (size_t k = 0; k < s.Points.size(); ++k) {
            if (std::isnan(place.To[k]) || place.From[k] == place.To[k]) continue;
            bars.push_back({int(i), int(k), f.CategoryPosition(double(k)) + offset, width / 2, value.Map(place.From[k]),
                            value.Map(place.To[k]), f.RowInnerFront(row), f.RowInnerBack(row)});
        }
    }
    if (bars.empty()) return;
    if (!f.Projection.IsFlat()) {
        // Painter's order inside a row: bars split by a plane across the
        // category direction first, those beyond it from the viewer first;
        // then, within a stack, the far end first.
        const QVector3D viewer = f.Projection.Viewer();
        const double vc = f.Horizontal ? viewer.y() : viewer.x(), vv = f.Horizontal ? viewer.x() : viewer.y();
        std::stable_sort(bars.begin(), bars.end(), [&](const Bar& a, const Bar& b) {
            const double da = std::fabs(a.Category - vc), db = std::fabs(b.Category - vc);
            if (std::fabs(da - db) > 1e-6) return da > db;
            return std::fabs((a.From + a.To) / 2 - vv) > std::fabs((b.From + b.To) / 2 - vv);
        });
    }
    QPainter& p = c.Painter;
    for (const Bar& b : bars) {
        const ChartSeries& s = m.Series[size_t(b.Series)];
        const ChartPoint& point = s.Points[size_t(b.Point)];
        const QColor color = point.Color.isValid() ? point.Color : s.Color;
        const QPen pen = s.BarFrameVisible ? QPen(s.BarFrameColor, 1) : QPen(Qt::NoPen);
        if (s.BarStyle == ChartBarStyle::Cylinder) {
            drawCylinder(c, b, color, pen);
            continue;
        }
        const QPolygonF polygon = outline(f, b, s.BarStyle);
        p.setPen(pen);
        ChartDrawPrism(c, polygon, b.Z0, b.Z1, frontBrush(c, b, color, s.BarStyle), color, pen);
    }
}
