#pragma once
// The painters of a chart, one per concern, each drawing one part of a
// chart from its model and its frame. UChartRenderer.cpp calls them in
// order: background and title, walls, axes, series far to near, marks,
// legend.

#include "UChartLayout.h"

#include <QPainter>
#include <QPolygonF>

struct ChartPaintContext {
    QPainter& Painter;
    const ChartModel& Model;
    const ChartFrame& Frame;
    QRectF* Extent = nullptr;  // set: the axes' painter measures what it would draw instead of drawing
    QPointF Map(const QVector3D& p) const { return Frame.Projection.Map(p); }
};

void ChartPaintBackground(ChartPaintContext& c);
void ChartPaintTitle(ChartPaintContext& c);
void ChartPaintWalls(ChartPaintContext& c);
void ChartPaintAxes(ChartPaintContext& c);
// The screen rectangle that the axes' lines, ticks, labels and titles cover.
QRectF ChartAxesExtent(const ChartModel& model, const ChartFrame& frame);
// The bars of every bar series in one depth row, far ones first.
void ChartPaintBarRow(ChartPaintContext& c, int row);
void ChartPaintArea(ChartPaintContext& c, int series);
void ChartPaintLine(ChartPaintContext& c, int series);  // lines and point series
void ChartPaintPie(ChartPaintContext& c);
void ChartPaintMarks(ChartPaintContext& c);
void ChartPaintLegend(ChartPaintContext& c);

// Shared drawing helpers.
QColor ChartShade(const QColor& color, double factor);  // < 1 darker, > 1 lighter
// A text box with a frame and a (smooth) shadow, centred on centre.x and
// standing on centre.y when above, centred on centre otherwise.
void ChartDrawMark(QPainter& painter, const ChartMarks& marks, const QString& text, const QPointF& anchor, bool above);
// The text of a mark for the point k of a series.
QString ChartMarkText(const ChartModel& model, const ChartSeries& series, int k, double total);
// A prism: polygon (in world x, y) extruded from z0 to z1, with the faces
// that the viewer sees, shaded: front in colour, sides darker, top lighter.
void ChartDrawPrism(ChartPaintContext& c, const QPolygonF& polygon, double z0, double z1, const QBrush& front,
                    const QColor& color, const QPen& pen);
