// Shared drawing helpers: shades and extruded polygons.
#include "UChartPaint.h"

#include <algorithm>
#include <cmath>

QColor ChartShade(const QColor& color, double factor) {
    if (factor <= 1) {
        return QColor::fromRgbF(float(color.redF() * factor), float(color.greenF() * factor),
                                float(color.blueF() * factor), color.alphaF());
    }
    // Lighter: towards white, so that a saturated colour keeps its hue.
    const double t = std::min(1.0, factor - 1);
    return QColor::fromRgbF(float(color.redF() + (1 - color.redF()) * t), float(color.greenF() + (1 - color.greenF()) * t),
                            float(color.blueF() + (1 - color.blueF()) * t), color.alphaF());
}

void ChartDrawPrism(ChartPaintContext& c, const QPolygonF& polygon, double z0, double z1, const QBrush& front,
                    const QColor& color, const QPen& pen) {
    QPainter& p = c.Painter;
    const ChartProjection& proj = c.Frame.Projection;
    const int n = int(polygon.size());
    if (n < 3) return;
    auto screen = [&](const QPointF& w, double z) { return proj.Map(w.x(), w.y(), z); };
    if (proj.IsFlat() || z1 <= z0) {
        QPolygonF s;
        s.reserve(n);
        for (const QPointF& w : polygon) s << screen(w, z0);
        p.setPen(pen);
        p.setBrush(front);
        p.drawPolygon(s);
        return;
    }
    const QVector3D viewer = proj.Viewer();
    // Orientation of the polygon, for outward normals.
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % n];
        area += a.x() * b.y() - b.x() * a.y();
    }
    const double sign = area > 0 ? 1 : -1;
    struct Face {
        double distance;
        QPolygonF points;
        QColor color;
    };
    Face faces[16];
    int count = 0;
    std::vector<Face> many;
    for (int i = 0; i < n; ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % n];
        // Outward normal in world x, y (y grows downwards).
        const double nx = sign * (b.y() - a.y()), ny = -sign * (b.x() - a.x());
        const double mx = (a.x() + b.x()) / 2, my = (a.y() + b.y()) / 2;
        if (nx * (viewer.x() - mx) + ny * (viewer.y() - my) <= 0) continue;
        const double length = std::hypot(nx, ny);
        if (length == 0) continue;
        const double up = -ny / length, side = std::fabs(nx / length);
        const double shade = up > 0.5 ? 1.3 : up < -0.5 ? 0.55 : 0.72 + 0.1 * (1 - side);
        Face face{std::hypot(viewer.x() - mx, viewer.y() - my),
                  QPolygonF{screen(a, z0), screen(b, z0), screen(b, z1), screen(a, z1)}, ChartShade(color, shade)};
        if (count < 16) faces[count++] = std::move(face);
        else many.push_back(std::move(face));
    }
    for (int i = 0; i < count; ++i) many.push_back(std::move(faces[i]));
    std::sort(many.begin(), many.end(), [](const Face& a, const Face& b) { return a.distance > b.distance; });
    const bool hiddenFrame = pen.style() == Qt::NoPen;
    for (const Face& face : many) {
        p.setPen(hiddenFrame ? QPen(face.color, 0) : pen);
        p.setBrush(face.color);
        p.drawPolygon(face.points);
    }
    if (viewer.z() > z1) {
        QPolygonF back;
        for (const QPointF& w : polygon) back << screen(w, z1);
        p.setPen(hiddenFrame ? QPen(ChartShade(color, 0.6), 0) : pen);
        p.setBrush(ChartShade(color, 0.6));
        p.drawPolygon(back);
    }
    if (viewer.z() < z0) {
        QPolygonF s;
        s.reserve(n);
        for (const QPointF& w : polygon) s << screen(w, z0);
        p.setPen(hiddenFrame ? QPen(color, 0) : pen);
        p.setBrush(front);
        p.drawPolygon(s);
    }
}
