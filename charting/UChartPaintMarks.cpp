// Marks: the small framed texts beside each point (value, label, percentage).
#include "UChartPaint.h"

#include <QFontMetricsF>

#include <cmath>

QString ChartMarkText(const ChartModel& model, const ChartSeries& series, int k, double total) {
    const ChartPoint& point = series.Points[size_t(k)];
    const QString value = ChartFormatValue(point.Value, model.DecimalSeparator);
    const QString label = point.Label.isEmpty() ? value : point.Label;
    switch (series.Marks.Style) {
    case ChartMarksStyle::Value: return value;
    case ChartMarksStyle::Label: return label;
    case ChartMarksStyle::XValue: return QString::number(k);
    case ChartMarksStyle::LabelValue: return point.Label.isEmpty() ? value : point.Label + QLatin1Char(' ') + value;
    case ChartMarksStyle::LabelPercent: {
        const double percent = total > 0 ? std::fabs(point.Value) * 100.0 / total : 0;
        const QString text = ChartFormatNumber(percent, percent < 10 ? 1 : 0, model.DecimalSeparator) + QStringLiteral(" %");
        return point.Label.isEmpty() ? text : point.Label + QLatin1Char(' ') + text;
    }
    }
    return value;
}

namespace {

QRectF markBox(const QFontMetricsF& fm, const QString& text, const QPointF& anchor, bool above) {
    const double w = fm.horizontalAdvance(text) + 8, h = fm.height() + 2;
    return above ? QRectF(anchor.x() - w / 2, anchor.y() - h - 4, w, h) : QRectF(anchor.x() - w / 2, anchor.y() - h / 2, w, h);
}

void drawBox(QPainter& p, const ChartMarks& marks, const QString& text, const QRectF& box) {
    p.setPen(Qt::NoPen);
    if (marks.SmoothShadow) {
        // A soft shadow: layers of the shadow colour, wider and fainter.
        for (int i = 3; i >= 1; --i) {
            QColor shade = marks.ShadowColor;
            shade.setAlphaF(float(0.35 * (4 - i) / 3.0));
            p.setBrush(shade);
            p.drawRoundedRect(box.translated(2, 2).adjusted(-i, -i, i, i), i + 1, i + 1);
        }
    } else {
        p.setBrush(marks.ShadowColor);
        p.drawRect(box.translated(2, 2));
    }
    p.setPen(QPen(marks.FrameColor, 1));
    p.setBrush(marks.BackColor);
    p.drawRect(box);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace

void ChartDrawMark(QPainter& painter, const ChartMarks& marks, const QString& text, const QPointF& anchor, bool above) {
    const QFont font = ChartCanvasFont(marks.Font);
    painter.setFont(font);
    drawBox(painter, marks, text, markBox(QFontMetricsF(font), text, anchor, above));
}

void ChartPaintMarks(ChartPaintContext& c) {
    const ChartFrame& f = c.Frame;
    const ChartModel& m = c.Model;
    const ChartProjection& pr = f.Projection;
    QPainter& p = c.Painter;
    std::vector<QRectF> placed;  // a mark that would cover another is left out
    for (size_t i = 0; i < m.Series.size(); ++i) {
        const ChartSeries& s = m.Series[i];
        const ChartSeriesPlace& place = f.Places[i];
        if (!place.Drawn || !s.Marks.Visible) continue;
        const QFont font = ChartCanvasFont(s.Marks.Font);
        const QFontMetricsF fm(font);
        p.setFont(font);
        double total = 0;
        for (const ChartPoint& point : s.Points)
            if (std::isfinite(point.Value)) total += std::fabs(point.Value);
        const bool bar = s.Type == ChartSeriesType::Bar || s.Type == ChartSeriesType::HorizBar;
        const double slot = f.SlotWidth();
        const double group = slot * std::clamp(s.BarWidthPercent, 1, 100) / 100.0;
        const double width = group / std::max(1, place.SideCount);
        const double offset = bar && place.SideCount > 1 ? -group / 2 + (place.Side + 0.5) * width : 0;
        const double z = pr.IsFlat() ? 0 : bar ? (f.RowInnerFront(place.Row) + f.RowInnerBack(place.Row)) / 2 : f.RowInnerFront(place.Row);
        for (size_t k = 0; k < s.Points.size(); ++k) {
            if (std::isnan(place.To[k])) continue;
            const QVector3D w = f.World(f.CategoryScale.Unmap(f.CategoryPosition(double(k)) + offset), place.To[k], place.Axis, z);
            QPointF anchor = pr.Map(w);
            const QString text = ChartMarkText(m, s, int(k), total);
            QRectF box;
            if (f.Horizontal) {
                const double bw = fm.horizontalAdvance(text) + 8, bh = fm.height() + 2;
                const bool right = place.To[k] >= place.From[k];
                box = QRectF(right ? anchor.x() + 4 : anchor.x() - 4 - bw, anchor.y() - bh / 2, bw, bh);
            } else {
                box = markBox(fm, text, anchor, true);
                if (place.To[k] < place.From[k]) box.moveTop(anchor.y() + 4);  // below a negative bar
            }
            bool free = true;
            for (const QRectF& other : placed)
                if (other.intersects(box)) { free = false; break; }
            if (!free) continue;
            placed.push_back(box);
            drawBox(p, s.Marks, text, box);
        }
    }
}
