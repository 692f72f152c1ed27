// The walls of the chart's box: back, left and bottom (the floor).
#include "UChartPaint.h"

namespace {

void drawWall(ChartPaintContext& c, const ChartWall& wall, const QPolygonF& polygon, double shade) {
    if (!wall.Visible) return;
    QPainter& p = c.Painter;
    p.setPen(wall.FrameVisible ? QPen(wall.FrameColor, 1, wall.FrameStyle) : Qt::NoPen);
    if (wall.Transparent) p.setBrush(Qt::NoBrush);
    else p.setBrush(QBrush(ChartShade(wall.Color, shade), wall.Brush));
    p.drawPolygon(polygon);
}

}  // namespace

void ChartPaintWalls(ChartPaintContext& c) {
    if (!c.Model.View.Walls3D) return;
    const ChartProjection& pr = c.Frame.Projection;
    const double W = pr.Width(), H = pr.Height(), D = pr.Depth();
    auto m = [&](double x, double y, double z) { return pr.Map(x, y, z); };
    drawWall(c, c.Model.Wall(ChartWallKind::Back), QPolygonF{m(0, 0, D), m(W, 0, D), m(W, H, D), m(0, H, D)}, 1);
    if (pr.IsFlat() || D <= 0) return;
    drawWall(c, c.Model.Wall(ChartWallKind::Left), QPolygonF{m(0, 0, 0), m(0, 0, D), m(0, H, D), m(0, H, 0)}, 0.95);
    drawWall(c, c.Model.Wall(ChartWallKind::Bottom), QPolygonF{m(0, H, 0), m(W, H, 0), m(W, H, D), m(0, H, D)}, 0.92);
}
