#pragma once
// The geometry of one chart drawn into one rectangle: where the title, the
// legend and the plot go, the value and category scales, the depth rows of
// the series, the stacked bases and tops of every point, and the projection
// of the chart's box. The painters (UChartPaint.h) draw from it; the zoom and
// pan operations map screen positions back to values with it.

#include "UChartModel.h"
#include "UChartProjection.h"
#include "UChartScale.h"

#include <QFont>
#include <QRectF>
#include <QVector3D>

#include <vector>

// A font with its size in pixels of the chart's canvas, so that a chart
// keeps its proportions on any device (a 1200 dpi printer, an SVG, a screen).
QFont ChartCanvasFont(const QFont& font);

struct ChartSeriesPlace {
    bool Drawn = false;   // visible, with a depth row
    int Row = 0;          // depth row, 0 at the front
    int Side = 0, SideCount = 1;  // share of the category slot (side-by-side bars)
    int Axis = 0;         // 0: the primary value axis, 1: the secondary one
    // Per point, in units of the value axis: where its bar or area band
    // starts and ends (stacked ones start on those below). NaN: not drawn.
    std::vector<double> From, To;
};

struct ChartLegendEntry {
    QString Text;
    QColor Color;
    int Series = -1;
    ChartSeriesType Type = ChartSeriesType::Bar;
    QRectF Rect;  // the entry's swatch and text
};

struct ChartFrame {
    QRectF Rect;         // the whole canvas
    QRectF TitleRect;    // empty when no title
    QRectF LegendRect;   // empty when no legend
    QRectF PanelRect;    // below the title, beside the legend: the axes, walls and series stay inside
    QRectF PlotArea;     // inside the axes' labels: the projected box fits here
    // The 3D zoom magnifies the box past the plot area: the box and its axes
    // are then seen through the rectangle they fill unzoomed.
    bool ZoomedIn = false;
    QRectF ZoomWindow;
    std::vector<ChartLegendEntry> LegendEntries;

    bool PieChart = false;  // the first drawn series is a pie: only that pie is drawn
    int PieSeries = -1;
    bool Horizontal = false; // horizontal bars: categories run down the left axis
    bool Depth = false;      // drawn in 3D (oblique or rotated)
    int Categories = 0;
    std::vector<QString> CategoryLabels;  // the category axis' texts (empty: none shown)
    bool Slots = false;      // categories are slots (bars) rather than points on a line
    ChartScale CategoryScale;   // category index → world coordinate along the category direction
    ChartTicks ValueTicks[2];   // primary, secondary
    ChartScale ValueScale[2];   // value → world coordinate along the value direction
    bool AxisUsed[2] = {false, false};
    ChartAxisKind CategoryAxis = ChartAxisKind::Bottom;
    ChartAxisKind ValueAxis[2] = {ChartAxisKind::Left, ChartAxisKind::Right};
    bool Percent[2] = {false, false};  // stacked to 100 %: the axis shows percentages
    int Rows = 1;
    std::vector<ChartSeriesPlace> Places;  // per series of the model
    ChartProjection Projection;

    // World coordinates of a point in the category/value plane at depth z.
    QVector3D World(double category, double value, int axis, double z) const;
    // The world coordinate along the category direction of category index i.
    double CategoryPosition(double i) const { return CategoryScale.Map(i); }
    // Width (world units) of one category slot.
    double SlotWidth() const;
    double RowFront(int row) const;
    double RowBack(int row) const;
    // The part of a row that a bar or a ribbon occupies.
    double RowInnerFront(int row) const;
    double RowInnerBack(int row) const;
};

ChartFrame ChartComputeFrame(const ChartModel& model, const QRectF& rect);

// The texts worth measuring to find the widest of many: the longest ones by
// length, at most a few hundred of them (measuring ten thousand labels costs
// more than drawing the chart).
std::vector<QString> ChartWidestCandidates(const std::vector<QString>& texts);
