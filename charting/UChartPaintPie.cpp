// Pies: flat, or a tilted disc with its rim in 3D; slices clockwise from
// the series' start angle; marks outside with leader lines.
#include "UChartPaint.h"

#include <QFontMetricsF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

struct Slice {
    int Point;
    double From, To;  // degrees clockwise from 12 o'clock
    QColor Color;
};

struct Disc {
    QPointF Centre;
    double Radius = 0;
    double Squash = 1;     // vertical scale of the tilted disc
    double Thickness = 0;  // rim height in pixels
    QPointF At(double degrees, double down = 0) const {
        const double a = degrees * M_PI / 180.0;
        return QPointF(Centre.x() + Radius * std::sin(a), Centre.y() - Radius * Squash * std::cos(a) + down);
    }
};

void arc(QPolygonF& polygon, const Disc& disc, double from, double to, double down) {
    const int steps = std::max(2, int(std::ceil(std::fabs(to - from) / 3)));
    for (int i = 0; i <= steps; ++i) polygon << disc.At(from + (to - from) * i / steps, down);
}

}  // namespace

void ChartPaintPie(ChartPaintContext& c) {
    const ChartFrame& f = c.Frame;
    const ChartModel& m = c.Model;
    if (f.PieSeries < 0) return;
    const ChartSeries& s = m.Series[size_t(f.PieSeries)];
    std::vector<Slice> slices;
    double total = 0;
    for (const ChartPoint& point : s.Points)
        if (std::isfinite(point.Value) && point.Value > 0) total += point.Value;
    if (!(total > 0) || !std::isfinite(total)) return;
    double angle = s.PieRotation;
    for (size_t k = 0; k < s.Points.size(); ++k) {
        const ChartPoint& point = s.Points[k];
        if (!(std::isfinite(point.Value) && point.Value > 0)) continue;
        const double sweep = point.Value * 360.0 / total;
        slices.push_back({int(k), angle, angle + sweep, point.Color.isValid() ? point.Color : ChartPaletteColor(int(k))});
        angle += sweep;
    }

    // The disc: tilted by the elevation in 3D, sized to leave room for the marks.
    const ChartView3D& view = m.View;
    Disc disc;
    double thicknessRatio = 0;
    if (view.View3D) {
        const double tilt = view.Orthogonal ? 45.0 : std::clamp(360 - view.Elevation, 0, 90);
        disc.Squash = std::max(0.15, std::cos(tilt * M_PI / 180.0));
        thicknessRatio = std::clamp(view.DepthPercent, 0, 100) / 100.0 * std::sin(tilt * M_PI / 180.0);
    }
    const QFont font = ChartCanvasFont(s.Marks.Font);
    const QFontMetricsF fm(font);
    double markWidth = 0, markHeight = 0;
    std::vector<QString> texts(slices.size());
    if (s.Marks.Visible) {
        for (size_t i = 0; i < slices.size(); ++i) {
            texts[i] = ChartMarkText(m, s, slices[i].Point, total);
            markWidth = std::max(markWidth, fm.horizontalAdvance(texts[i]) + 8);
        }
        markHeight = fm.height() + 2;
    }
    const QRectF area = f.PlotArea;
    const double lead = s.Marks.Visible ? 18 : 0;
    const double rw = (area.width() - 2 * (markWidth + lead)) / 2;
    const double rh = (area.height() - 2 * (markHeight + lead)) / (2 * disc.Squash + thicknessRatio);
    disc.Radius = std::max(4.0, std::min(rw, rh)) * std::max(1, view.Zoom) / 100.0;
    disc.Thickness = disc.Radius * thicknessRatio;
    disc.Centre = area.center() - QPointF(0, disc.Thickness / 2);

    QPainter& p = c.Painter;
    const QPen framePen = s.PieFrame == ChartPieFrame::None ? QPen(Qt::NoPen)
                          : QPen(QColor(0x40, 0x40, 0x40), 1, s.PieFrame == ChartPieFrame::Dotted ? Qt::DotLine : Qt::SolidLine);
    // The rim: the part of each slice's edge on the lower half of the disc.
    if (disc.Thickness > 0.5) {
        for (const Slice& slice : slices) {
            for (int turn = 0; turn < 3; ++turn) {
                const double low = std::max(slice.From, 90.0 + 360 * (turn - 1)), high = std::min(slice.To, 270.0 + 360 * (turn - 1));
                if (high <= low) continue;
                QPolygonF rim;
                arc(rim, disc, low, high, 0);
                QPolygonF under;
                arc(under, disc, high, low, disc.Thickness);
                rim << under;
                p.setPen(framePen.style() == Qt::NoPen ? QPen(ChartShade(slice.Color, 0.7), 0) : framePen);
                p.setBrush(ChartShade(slice.Color, 0.7));
                p.drawPolygon(rim);
            }
        }
    }
    for (const Slice& slice : slices) {
        QPolygonF sector;
        if (slice.To - slice.From < 359.999) sector << disc.Centre;
        arc(sector, disc, slice.From, slice.To, 0);
        p.setPen(framePen);
        if (s.PieGradient) {
            QRadialGradient g(disc.Centre, disc.Radius);
            g.setColorAt(0, ChartShade(slice.Color, 1.55));
            g.setColorAt(1, slice.Color);
            p.setBrush(g);
        } else {
            p.setBrush(slice.Color);
        }
        p.drawPolygon(sector);
    }

    if (!s.Marks.Visible) return;
    // Marks on both sides, pushed apart vertically so that none covers another.
    struct Label {
        size_t Slice;
        QPointF Edge;
        QRectF Box;
        bool Right;
    };
    std::vector<Label> left, right;
    for (size_t i = 0; i < slices.size(); ++i) {
        const double middle = (slices[i].From + slices[i].To) / 2;
        const double a = std::fmod(std::fmod(middle, 360) + 360, 360);
        const bool lower = a > 90 && a < 270;
        const QPointF edge = disc.At(middle, lower ? disc.Thickness : 0);
        Disc outer = disc;
        outer.Radius += lead;
        const QPointF out = outer.At(middle, lower ? disc.Thickness : 0);
        const bool onRight = a < 180;
        const double w = fm.horizontalAdvance(texts[i]) + 8;
        QRectF box(onRight ? out.x() + 2 : out.x() - 2 - w, out.y() - markHeight / 2, w, markHeight);
        (onRight ? right : left).push_back({i, edge, box, onRight});
    }
    for (auto* side : {&left, &right}) {
        std::sort(side->begin(), side->end(), [](const Label& a, const Label& b) { return a.Box.top() < b.Box.top(); });
        for (size_t i = 1; i < side->size(); ++i) {
            QRectF& box = (*side)[i].Box;
            const double minTop = (*side)[i - 1].Box.bottom() + 3;
            if (box.top() < minTop) box.moveTop(minTop);
        }
        // Pushed past the bottom: move the column back up.
        if (!side->empty() && side->back().Box.bottom() > f.Rect.bottom() - 2) {
            double limit = f.Rect.bottom() - 2;
            for (auto it = side->rbegin(); it != side->rend(); ++it) {
                if (it->Box.bottom() > limit) it->Box.moveBottom(limit);
                limit = it->Box.top() - 3;
            }
        }
    }
    p.setFont(font);
    for (const auto* side : {&left, &right})
        for (const Label& label : *side) {
            const QPointF joint(label.Right ? label.Box.left() : label.Box.right(), label.Box.center().y());
            p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
            p.drawLine(label.Edge, joint);
            ChartDrawMark(p, s.Marks, texts[label.Slice], label.Box.center(), false);
        }
}
