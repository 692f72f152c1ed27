#include "UChartProjection.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kFar = 1e7;
double radians(double degrees) { return degrees * M_PI / 180.0; }
}  // namespace

ChartProjection ChartProjection::Flat(const QRectF& area) {
    ChartProjection p;
    p.FKind = Kind::Flat;
    p.FWidth = area.width();
    p.FHeight = area.height();
    p.FOrigin = area.topLeft();
    p.FZoomCentre = area.center();
    p.FViewer = QVector3D(float(p.FWidth / 2), float(p.FHeight / 2), float(-kFar));
    return p;
}

ChartProjection ChartProjection::Oblique(const QRectF& area, double depth, int angle, int zoom) {
    ChartProjection p;
    p.FKind = Kind::Oblique;
    const double a = radians(std::clamp(angle, 0, 90));
    p.FDx = std::cos(a);
    p.FDy = std::sin(a);
    depth = std::max(0.0, depth);
    p.FWidth = std::max(1.0, area.width() - depth * p.FDx);
    p.FHeight = std::max(1.0, area.height() - depth * p.FDy);
    p.FDepth = depth;
    p.FOrigin = QPointF(area.left(), area.top() + depth * p.FDy);
    p.FZoomCentre = area.center();
    p.FZoom = std::max(1, zoom) / 100.0;
    p.FViewer = QVector3D(float(p.FWidth + kFar * p.FDx), float(-kFar * p.FDy), float(-kFar));
    return p;
}

ChartProjection ChartProjection::Rotated(const QRectF& area, double depth, int rotation, int elevation,
                                         int perspective, int zoom, const QSizeF& box) {
    ChartProjection p;
    p.FKind = Kind::Rotated;
    const QSizeF size = box.isEmpty() ? area.size() : box;
    p.FWidth = std::max(1.0, size.width());
    p.FHeight = std::max(1.0, size.height());
    p.FDepth = std::max(0.0, depth);
    const double t = radians(360 - rotation), f = radians(360 - elevation);
    p.FCosT = std::cos(t), p.FSinT = std::sin(t);
    p.FCosP = std::cos(f), p.FSinP = std::sin(f);
    const double extent = std::max({p.FWidth, p.FHeight, p.FDepth});
    p.FDistance = perspective > 0 ? extent * 50.0 / std::min(perspective, 100) : 0;
    // Fit the projected box into the area.
    double left = 1e300, right = -1e300, top = 1e300, bottom = -1e300;
    for (int corner = 0; corner < 8; ++corner) {
        const QPointF s = p.project(corner & 1 ? p.FWidth : 0, corner & 2 ? p.FHeight : 0, corner & 4 ? p.FDepth : 0);
        left = std::min(left, s.x()), right = std::max(right, s.x());
        top = std::min(top, s.y()), bottom = std::max(bottom, s.y());
    }
    const double w = std::max(1e-9, right - left), h = std::max(1e-9, bottom - top);
    p.FScale = std::min(area.width() / w, area.height() / h);
    p.FShift = area.center() - QPointF((left + right) / 2, (top + bottom) / 2) * p.FScale;
    p.FZoomCentre = area.center();
    p.FZoom = std::max(1, zoom) / 100.0;
    // The camera, back in world coordinates: the inverse rotations of (0, 0, -distance).
    const double distance = p.FDistance > 0 ? p.FDistance : kFar;
    // Undo the elevation, then the rotation, of the camera frame's (0, 0, -distance).
    const double y = -distance * p.FSinP, z1 = -distance * p.FCosP;
    const double x = -z1 * p.FSinT, z = z1 * p.FCosT;
    p.FViewer = QVector3D(float(p.FWidth / 2 + x), float(p.FHeight / 2 + y), float(p.FDepth / 2 + z));
    return p;
}

QPointF ChartProjection::project(double x, double y, double z) const {
    x -= FWidth / 2, y -= FHeight / 2, z -= FDepth / 2;
    const double x1 = x * FCosT + z * FSinT;
    const double z1 = -x * FSinT + z * FCosT;
    const double y2 = y * FCosP - z1 * FSinP;
    const double z2 = y * FSinP + z1 * FCosP;
    double s = 1;
    if (FDistance > 0) s = FDistance / std::max(FDistance * 0.05, FDistance + z2);
    return QPointF(x1 * s, y2 * s);
}

QPointF ChartProjection::Map(double x, double y, double z) const {
    QPointF s;
    switch (FKind) {
    case Kind::Flat: s = FOrigin + QPointF(x, y); break;
    case Kind::Oblique: s = FOrigin + QPointF(x + z * FDx, y - z * FDy); break;
    case Kind::Rotated: s = project(x, y, z) * FScale + FShift; break;
    }
    if (FZoom != 1) s = FZoomCentre + (s - FZoomCentre) * FZoom;
    return s;
}

QRectF ChartProjection::Bounds() const {
    QRectF bounds;
    for (int corner = 0; corner < 8; ++corner) {
        const QPointF s = Map(corner & 1 ? FWidth : 0, corner & 2 ? FHeight : 0, corner & 4 ? FDepth : 0);
        bounds = bounds.isNull() ? QRectF(s, QSizeF(0.001, 0.001)) : bounds.united(QRectF(s, QSizeF(0.001, 0.001)));
    }
    return bounds;
}
