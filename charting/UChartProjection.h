#pragma once
// Maps the chart's box to the screen. World coordinates are pixels of the
// unrotated chart: x from the box's left side (0) to its width, y from its
// top (0) down to its height, z from the front face (0) back to its depth.
// Three views: flat (z ignored), oblique (the orthogonal 3D view: depth
// drawn as a shift at an angle) and rotated (rotation and elevation around
// the box's centre, with or without perspective), all scaled to fit the
// rectangle they are given and then zoomed around its centre.

#include <QPointF>
#include <QRectF>
#include <QVector3D>

class ChartProjection {
public:
    static ChartProjection Flat(const QRectF& area);
    // depth: of the box in pixels; angle in degrees (45: up and to the right).
    static ChartProjection Oblique(const QRectF& area, double depth, int angle, int zoom = 100);
    // rotation and elevation in degrees (360: facing, level); perspective in
    // percent (0: parallel projection); zoom in percent. box: the width and
    // height of the box in world units (empty: those of area); the turned box
    // is scaled to fit area and centred in it.
    static ChartProjection Rotated(const QRectF& area, double depth, int rotation, int elevation,
                                   int perspective, int zoom = 100, const QSizeF& box = {});

    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    double Depth() const { return FDepth; }
    bool IsFlat() const { return FKind == Kind::Flat; }
    bool IsRotated() const { return FKind == Kind::Rotated; }

    QPointF Map(double x, double y, double z) const;
    QPointF Map(const QVector3D& p) const { return Map(p.x(), p.y(), p.z()); }
    // Where the viewer stands in world coordinates (very far for parallel
    // views): a face of a box is seen when the viewer is on its outer side,
    // and of two boxes split by a plane the one beyond it is drawn first.
    QVector3D Viewer() const { return FViewer; }
    // The screen rectangle the whole box covers.
    QRectF Bounds() const;

private:
    enum class Kind { Flat, Oblique, Rotated };
    Kind FKind = Kind::Flat;
    double FWidth = 0, FHeight = 0, FDepth = 0;
    QPointF FOrigin;        // flat and oblique: screen of world (0, 0, 0) before zoom
    double FDx = 0, FDy = 0; // oblique shift per unit of depth
    // Rotated: camera frame.
    double FCosT = 1, FSinT = 0, FCosP = 1, FSinP = 0;
    double FDistance = 0;   // 0: parallel
    double FScale = 1;      // fitting scale
    QPointF FShift;         // fitting offset
    QPointF FZoomCentre;
    double FZoom = 1;
    QVector3D FViewer;

    QPointF project(double x, double y, double z) const;  // before fitting and zoom (rotated)
};
