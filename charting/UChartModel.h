#pragma once
// The chart model: plain data describing one chart (series and their points,
// axes, walls, legend, title, background and the 3D view). It holds no
// drawing code; UChartRenderer.h draws it onto any QPainter. Two models are
// independent: nothing here is shared between charts.

#include <QColor>
#include <QFont>
#include <QString>

#include <array>
#include <vector>

enum class ChartSeriesType { Bar, HorizBar, Area, Line, Point, Pie };
enum class ChartBarStyle { Rectangle, Gradient, Cylinder, Arrow };
// How the bar (or area) series of a chart share a category.
enum class ChartMultiBar { None, Side, Stacked, Stacked100 };
enum class ChartMultiArea { None, Stacked, Stacked100 };
enum class ChartPieFrame { Solid, Dotted, None };
enum class ChartMarksStyle { Value, Label, XValue, LabelValue, LabelPercent };
// Which value axis a series is scaled on. For horizontal bars Left means the
// bottom axis and Right the top axis.
enum class ChartVerticalAxis { Left, Right };
enum class ChartAxisKind { Left, Right, Top, Bottom, Depth };
// Auto: the point labels on a category axis when the points have labels,
// numbers otherwise. Text: the point labels. Value: numbers.
enum class ChartAxisLabelStyle { Auto, Text, Value };
enum class ChartWallKind { Left, Bottom, Back };
enum class ChartLegendAlignment { Left, Right, Top, Bottom };
// Auto: the points of a lone pie, the series otherwise.
enum class ChartLegendStyle { Auto, Series, Values };
enum class ChartGradientDirection { LeftRight, TopBottom, FromTopLeft };
enum class ChartPanning { None, Horizontal, Vertical, Both };

struct ChartPoint {
    QString Label;
    double Value = 0;
    QColor Color;  // invalid: automatic (the series colour, or the palette for a pie)
};

struct ChartMarks {
    bool Visible = false;
    ChartMarksStyle Style = ChartMarksStyle::Value;
    QColor BackColor = QColor(255, 255, 225);
    QColor FrameColor = QColor(0xC0, 0xC0, 0xC0);
    QColor ShadowColor = QColor(0xE0, 0xE0, 0xE0);
    bool SmoothShadow = false;
    QFont Font;
};

struct ChartSeries {
    ChartSeriesType Type = ChartSeriesType::Bar;
    QString Title;
    QColor Color = QColor(0, 0, 255);
    ChartVerticalAxis VerticalAxis = ChartVerticalAxis::Left;
    bool Visible = true;
    ChartMarks Marks;
    std::vector<ChartPoint> Points;

    // Bars (vertical and horizontal).
    ChartBarStyle BarStyle = ChartBarStyle::Rectangle;
    ChartMultiBar MultiBar = ChartMultiBar::None;
    bool BarFrameVisible = true;
    QColor BarFrameColor = QColor(0, 0, 0);
    int BarWidthPercent = 70;  // of the category slot (of the series' share when side by side)

    // Areas.
    ChartMultiArea MultiArea = ChartMultiArea::None;

    // Lines and points.
    int LineWidth = 1;
    bool PointerVisible = false;  // point markers on a line; always drawn by a point series
    int PointerSize = 4;          // half width in pixels
    bool Stairs = false;

    // Pies.
    ChartPieFrame PieFrame = ChartPieFrame::Solid;
    bool PieGradient = false;
    int PieRotation = 0;  // degrees, clockwise from 12 o'clock, where the first slice starts

    // Adds a point; an invalid colour is automatic.
    void AddPoint(double value, const QString& label = {}, const QColor& color = {});
};

struct ChartAxisTitle {
    QString Caption;
    bool Visible = true;
    QFont Font;
    QColor Color = QColor(0, 0, 0);
};

struct ChartAxis {
    bool Visible = true;
    ChartAxisTitle Title;
    ChartAxisLabelStyle LabelStyle = ChartAxisLabelStyle::Auto;
    bool LabelsVisible = true;
    QFont LabelsFont;
    QColor LabelsColor = QColor(0, 0, 0);
    int LabelAngle = 0;  // degrees, −90 … 90, counter-clockwise
    // Distance between two ticks; 0 chooses a round step (automatic scaling).
    double Increment = 0;
    bool AutomaticMinimum = true;
    bool AutomaticMaximum = true;
    double Minimum = 0;
    double Maximum = 0;
    int LineWidth = 1;
    QColor LineColor = QColor(0, 0, 0);
    QColor TickColor = QColor(0x80, 0x80, 0x80);
    QColor MinorTickColor = QColor(0xC0, 0xC0, 0xC0);
    int TickLength = 4;
    int MinorTickCount = 0;  // between two ticks
    bool GridVisible = true;  // grid lines at the ticks while the axis carries values
    QColor GridColor = QColor(0xD8, 0xD8, 0xD8);
};

struct ChartWall {
    bool Visible = true;
    bool Transparent = false;  // frame only
    QColor Color = QColor(255, 255, 255);
    Qt::BrushStyle Brush = Qt::SolidPattern;
    bool FrameVisible = true;
    QColor FrameColor = QColor(0xA0, 0xA0, 0xA0);
    Qt::PenStyle FrameStyle = Qt::SolidLine;
};

struct ChartLegend {
    bool Visible = true;
    ChartLegendStyle Style = ChartLegendStyle::Auto;
    ChartLegendAlignment Alignment = ChartLegendAlignment::Right;
    bool FrameVisible = true;
    bool ShadowVisible = true;
    QColor Color = QColor(255, 255, 255);
    QFont Font;
};

struct ChartTitle {
    QString Text;
    bool Visible = true;
    QFont Font;
    QColor Color = QColor(0, 0, 0x80);
};

struct ChartBackground {
    QColor Color = QColor(255, 255, 255);
    bool Gradient = false;
    ChartGradientDirection Direction = ChartGradientDirection::TopBottom;
    QColor StartColor = QColor(255, 255, 255);
    QColor EndColor = QColor(0xD0, 0xD8, 0xE8);
};

struct ChartView3D {
    bool View3D = true;       // off: a flat chart
    bool Orthogonal = true;   // oblique projection at OrthoAngle; off: Rotation and Elevation apply
    int OrthoAngle = 45;
    bool Perspective = true;  // off: parallel projection of the rotated view
    int PerspectivePercent = 15;
    int Zoom = 100;        // percent
    int Rotation = 345;    // degrees; 360 faces the chart, 270 looks from its right side
    int Elevation = 345;   // degrees; 360 looks level, 270 looks down from above
    int DepthPercent = 15; // depth of the chart as a share of the plot's smaller side
    bool Walls3D = true;   // off: no walls at all
};

struct ChartModel {
    std::vector<ChartSeries> Series;
    std::array<ChartAxis, 5> Axes;   // indexed by ChartAxisKind
    std::array<ChartWall, 3> Walls;  // indexed by ChartWallKind
    ChartLegend Legend;
    ChartTitle Title;
    ChartBackground Background;
    ChartView3D View;
    bool AntiAlias = true;
    bool AllowZoom = true;
    ChartPanning Panning = ChartPanning::Both;
    QChar DecimalSeparator = QLatin1Char('.');

    ChartModel();
    ChartAxis& Axis(ChartAxisKind kind) { return Axes[size_t(kind)]; }
    const ChartAxis& Axis(ChartAxisKind kind) const { return Axes[size_t(kind)]; }
    ChartWall& Wall(ChartWallKind kind) { return Walls[size_t(kind)]; }
    const ChartWall& Wall(ChartWallKind kind) const { return Walls[size_t(kind)]; }
    ChartSeries& AddSeries(ChartSeriesType type, const QString& title = {});
    // Axes back to automatic minimum and maximum (undoes a user zoom or pan).
    void UndoZoom();
};

// The colour of the index-th slice of a pie whose points have no colour of their own.
QColor ChartPaletteColor(int index);
