// The chart's background, its title and its legend.
#include "UChartPaint.h"

#include <QFontMetricsF>
#include <QLinearGradient>

void ChartPaintBackground(ChartPaintContext& c) {
    const ChartBackground& b = c.Model.Background;
    const QRectF r = c.Frame.Rect;
    if (!b.Gradient) {
        c.Painter.fillRect(r, b.Color);
        return;
    }
    QLinearGradient g;
    switch (b.Direction) {
    case ChartGradientDirection::LeftRight: g = QLinearGradient(r.topLeft(), r.topRight()); break;
    case ChartGradientDirection::TopBottom: g = QLinearGradient(r.topLeft(), r.bottomLeft()); break;
    case ChartGradientDirection::FromTopLeft: g = QLinearGradient(r.topLeft(), r.bottomRight()); break;
    }
    g.setColorAt(0, b.StartColor);
    g.setColorAt(1, b.EndColor);
    c.Painter.fillRect(r, g);
}

void ChartPaintTitle(ChartPaintContext& c) {
    if (c.Frame.TitleRect.isEmpty()) return;
    const ChartTitle& t = c.Model.Title;
    QPainter& p = c.Painter;
    const QFont font = ChartCanvasFont(t.Font);
    p.setFont(font);
    p.setPen(t.Color);
    const QString text = QFontMetricsF(font).elidedText(t.Text, Qt::ElideRight, c.Frame.TitleRect.width());
    p.drawText(c.Frame.TitleRect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void ChartPaintLegend(ChartPaintContext& c) {
    const ChartFrame& f = c.Frame;
    if (f.LegendRect.isEmpty() || f.LegendEntries.empty()) return;
    const ChartLegend& legend = c.Model.Legend;
    QPainter& p = c.Painter;
    p.save();
    if (legend.ShadowVisible) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 50));
        p.drawRect(f.LegendRect.translated(3, 3));
    }
    p.setPen(legend.FrameVisible ? QPen(QColor(0x80, 0x80, 0x80), 1) : Qt::NoPen);
    p.setBrush(legend.Color);
    p.drawRect(f.LegendRect);
    const QFont font = ChartCanvasFont(legend.Font);
    const QFontMetricsF fm(font);
    p.setFont(font);
    p.setClipRect(f.LegendRect, Qt::IntersectClip);
    const double swatch = std::round(fm.height() * 0.75);
    for (const ChartLegendEntry& e : f.LegendEntries) {
        if (e.Rect.bottom() > f.LegendRect.bottom() + 1) break;  // no room left: the rest is not shown
        const QRectF box(e.Rect.left(), e.Rect.center().y() - swatch / 2, swatch, swatch);
        if (e.Type == ChartSeriesType::Line || e.Type == ChartSeriesType::Point) {
            p.setPen(QPen(e.Color, 2));
            if (e.Type == ChartSeriesType::Line) p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
            p.setPen(QPen(ChartShade(e.Color, 0.6), 1));
            p.setBrush(e.Color);
            p.drawRect(QRectF(box.center() - QPointF(3, 3), QSizeF(6, 6)));
        } else {
            p.setPen(QPen(ChartShade(e.Color, 0.6), 1));
            p.setBrush(e.Color);
            p.drawRect(box);
        }
        p.setPen(Qt::black);
        const QRectF text(box.right() + 6, e.Rect.top(), e.Rect.right() - box.right() - 6, e.Rect.height());
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(e.Text, Qt::ElideRight, text.width()));
    }
    p.restore();
}
