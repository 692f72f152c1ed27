// Areas, lines and point series. In 3D a line is a ribbon and an area a
// slab, each in its depth row.
#include "UChartPaint.h"

#include <cmath>

namespace {

// Runs of consecutive drawable points (a NaN or infinite value breaks a line).
std::vector<std::vector<int>> runsOf(const ChartSeriesPlace& place) {
    std::vector<std::vector<int>> runs(1);
    for (size_t k = 0; k < place.To.size(); ++k) {
        if (std::isnan(place.To[k])) {
            if (!runs.back().empty()) runs.emplace_back();
            continue;
        }
        runs.back().push_back(int(k));
    }
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

QPointF planar(const ChartFrame& f, int axis, double category, double value) {
    const QVector3D w = f.World(category, value, axis, 0);
    return QPointF(w.x(), w.y());
}

// The top edge of a line or area as world points, with the steps of a stairs line.
QPolygonF edgeOf(const ChartFrame& f, const ChartSeriesPlace& place, const std::vector<int>& run, bool stairs) {
    QPolygonF edge;
    edge.reserve(int(run.size()) * (stairs ? 2 : 1));
    for (size_t j = 0; j < run.size(); ++j) {
        const int k = run[j];
        if (stairs && j > 0) edge << planar(f, place.Axis, k, place.To[size_t(run[j - 1])]);
        edge << planar(f, place.Axis, k, place.To[size_t(k)]);
    }
    return edge;
}

// The ribbon of an edge between depths z0 and z1, far segments first.
// Neighbouring segments whose same side faces the viewer make one piece (its
// front edge forth, its back edge back): their quads all turn the same way
// on the screen, so the piece's winding fill covers exactly their union.
// A long line's pieces overlap many times over: their insides are filled
// without anti-aliasing, which costs a quarter as much, and only their
// outlines are smoothed.
void drawRibbon(ChartPaintContext& c, const QPolygonF& edge, double z0, double z1, const QColor& color) {
    const ChartProjection& pr = c.Frame.Projection;
    const QVector3D viewer = pr.Viewer();
    QPainter& p = c.Painter;
    const int n = int(edge.size());
    if (n < 2) return;
    // Segments nearer the viewer along the edge come last.
    const bool fromEnd = std::fabs(viewer.x() - edge.first().x()) < std::fabs(viewer.x() - edge.last().x());
    struct Piece {
        QPolygonF Points;
        bool Upper;
    };
    std::vector<Piece> pieces;
    QPolygonF front, back;
    bool upperSide = false;
    auto close = [&] {
        if (front.size() < 2) return;
        QPolygonF points;
        points.reserve(front.size() * 2);
        points << front;
        for (auto i = back.crbegin(); i != back.crend(); ++i) points << *i;
        pieces.push_back({std::move(points), upperSide});
    };
    for (int j = 0; j + 1 < n; ++j) {
        const int i = fromEnd ? n - 2 - j : j;
        const QPointF& a = edge[i];
        const QPointF& b = edge[i + 1];
        // Seen from above (the viewer over the segment's line) shows its upper side.
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        const bool upper = dx * (viewer.y() - a.y()) - dy * (viewer.x() - a.x()) < 0;
        if (front.isEmpty() || upper != upperSide) {
            close();
            front.clear(), back.clear();
            const QPointF& start = fromEnd ? b : a;
            front << pr.Map(start.x(), start.y(), z0);
            back << pr.Map(start.x(), start.y(), z1);
            upperSide = upper;
        }
        const QPointF& end = fromEnd ? a : b;
        front << pr.Map(end.x(), end.y(), z0);
        back << pr.Map(end.x(), end.y(), z1);
    }
    close();

    const QColor top = ChartShade(color, 1.3), under = ChartShade(color, 0.6);
    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    for (const Piece& piece : pieces) {
        const QColor& shade = piece.Upper ? top : under;
        if (smooth) p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawPolygon(piece.Points, Qt::WindingFill);
        if (smooth) p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(shade, 0));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(piece.Points);
    }
}

// A long line keeps, of the points that fall into one pixel column (row for
// horizontal charts), the first, the lowest, the highest and the last: the
// same picture with a few points per pixel instead of hundreds.
QPolygonF decimated(const QPolygonF& in, bool byY) {
    if (in.size() < 512) return in;
    QPolygonF out;
    out.reserve(in.size() / 2);
    auto key = [&](const QPointF& p) { return std::floor(byY ? p.y() : p.x()); };
    auto value = [&](const QPointF& p) { return byY ? p.x() : p.y(); };
    int i = 0;
    const int n = int(in.size());
    while (i < n) {
        int j = i, low = i, high = i;
        const double column = key(in[i]);
        while (j + 1 < n && key(in[j + 1]) == column) {
            ++j;
            if (value(in[j]) < value(in[low])) low = j;
            if (value(in[j]) > value(in[high])) high = j;
        }
        out << in[i];
        for (int k : {std::min(low, high), std::max(low, high)})
            if (k != i && k != j) out << in[k];
        if (j != i) out << in[j];
        i = j + 1;
    }
    return out;
}

// Wide anti-aliased lines stroke much faster in short pieces than in one long path.
void drawLongPolyline(QPainter& p, const QPolygonF& line) {
    constexpr int kPiece = 128;
    const int n = int(line.size());
    if (n <= kPiece) {
        p.drawPolyline(line);
        return;
    }
    for (int start = 0; start < n - 1; start += kPiece - 1)
        p.drawPolyline(line.constData() + start, std::min(kPiece, n - start));
}

void drawPointer(QPainter& p, const QPointF& at, int size, const QColor& color) {
    p.setPen(QPen(ChartShade(color, 0.55), 1));
    p.setBrush(color);
    p.drawRect(QRectF(at.x() - size, at.y() - size, 2.0 * size, 2.0 * size));
}

}  // namespace

void ChartPaintArea(ChartPaintContext& c, int index) {
    const ChartFrame& f = c.Frame;
    const ChartSeries& s = c.Model.Series[size_t(index)];
    const ChartSeriesPlace& place = f.Places[size_t(index)];
    const ChartProjection& pr = f.Projection;
    const double z0 = f.RowInnerFront(place.Row), z1 = f.RowInnerBack(place.Row);
    QPainter& p = c.Painter;
    for (const std::vector<int>& run : runsOf(place)) {
        const QPolygonF top = decimated(edgeOf(f, place, run, false), f.Horizontal);
        QPolygonF shape = top;
        QPolygonF base;
        base.reserve(int(run.size()));
        for (auto k = run.rbegin(); k != run.rend(); ++k) base << planar(f, place.Axis, *k, place.From[size_t(*k)]);
        shape << decimated(base, f.Horizontal);
        if (run.size() == 1) {  // one point: a thin band of a tenth of the width
            const int k = run.front();
            const double half = std::max(2.0, (f.Horizontal ? pr.Height() : pr.Width()) / 40);
            const QVector3D a = f.World(k, place.To[size_t(k)], place.Axis, 0), b = f.World(k, place.From[size_t(k)], place.Axis, 0);
            shape = f.Horizontal ? QPolygonF{{a.x(), a.y() - half}, {a.x(), a.y() + half}, {b.x(), b.y() + half}, {b.x(), b.y() - half}}
                                 : QPolygonF{{a.x() - half, a.y()}, {a.x() + half, a.y()}, {b.x() + half, b.y()}, {b.x() - half, b.y()}};
        }
        if (!pr.IsFlat() && z1 > z0) {
            drawRibbon(c, top, z0, z1, s.Color);
            // The end face at the side the viewer sees.
            const int last = pr.Viewer().x() > top.last().x() ? run.back() : run.front();
            const QVector3D a = f.World(last, place.To[size_t(last)], place.Axis, 0), b = f.World(last, place.From[size_t(last)], place.Axis, 0);
            p.setPen(QPen(ChartShade(s.Color, 0.6), 0));
            p.setBrush(ChartShade(s.Color, 0.7));
            p.drawPolygon(QPolygonF{pr.Map(a.x(), a.y(), z0), pr.Map(b.x(), b.y(), z0), pr.Map(b.x(), b.y(), z1), pr.Map(a.x(), a.y(), z1)});
        }
        QPolygonF screen;
        screen.reserve(shape.size());
        for (const QPointF& w : shape) screen << pr.Map(w.x(), w.y(), z0);
        p.setPen(Qt::NoPen);
        p.setBrush(s.Color);
        p.drawPolygon(screen);
        // The outline of the top edge, darker, so that stacked bands stay apart.
        QPolygonF line;
        line.reserve(top.size());
        for (const QPointF& w : top) line << pr.Map(w.x(), w.y(), z0);
        p.setPen(QPen(ChartShade(s.Color, 0.6), 1));
        p.setBrush(Qt::NoBrush);
        drawLongPolyline(p, line);
    }
}

void ChartPaintLine(ChartPaintContext& c, int index) {
    const ChartFrame& f = c.Frame;
    const ChartSeries& s = c.Model.Series[size_t(index)];
    const ChartSeriesPlace& place = f.Places[size_t(index)];
    const ChartProjection& pr = f.Projection;
    const double z0 = f.RowInnerFront(place.Row), z1 = f.RowInnerBack(place.Row);
    const bool isLine = s.Type == ChartSeriesType::Line;
    QPainter& p = c.Painter;
    for (const std::vector<int>& run : runsOf(place)) {
        if (isLine) {
            const QPolygonF edge = decimated(edgeOf(f, place, run, s.Stairs), f.Horizontal);
            if (!pr.IsFlat() && z1 > z0) drawRibbon(c, edge, z0, z1, s.Color);
            QPolygonF screen;
            screen.reserve(edge.size());
            for (const QPointF& w : edge) screen << pr.Map(w.x(), w.y(), z0);
            p.setPen(QPen(s.Color, std::max(1, s.LineWidth), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            drawLongPolyline(p, screen);
        }
        if (!isLine || s.PointerVisible) {
            // A line's markers sit on its front edge; a point series stands in the middle of its row.
            const double z = pr.IsFlat() ? 0 : isLine ? z0 : (z0 + z1) / 2;
            for (int k : run) {
                const QPointF w = planar(f, place.Axis, k, place.To[size_t(k)]);
                const ChartPoint& point = s.Points[size_t(k)];
                drawPointer(p, pr.Map(w.x(), w.y(), z), std::max(1, s.PointerSize), point.Color.isValid() ? point.Color : s.Color);
            }
        }
    }
}
