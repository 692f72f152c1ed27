// The chart view's rebuild: the drawing made again from the pivot's current
// layout and the settings, on one of three paths (tridimensional: one series
// per row member over the column members; stacked: one drawing series per
// member of the other axis for each series; simple: one drawing series per
// series, aggregated per category member).

#include "CPCChartCodes.h"
#include "CPCChartSeries.h"
#include "FPCChart.h"
#include "FPCChartCanvas.h"
#include "FPCColorButton.h"

#include "CPivotCube.h"
#include "USysUtils.h"
#include "UXMLParser.h"
#include "UXPath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kNotANumber = -9999;

QColor rotateHue(int32_t bgr, double turns) {
    QColor c = PCColorOf(bgr).toHsl();
    if (c.hslHueF() < 0) return c.toRgb();   // a grey has no hue to turn
    double hue = std::fmod(c.hslHueF() + turns, 1.0);
    if (hue < 0) hue += 1;
    return QColor::fromHslF(float(hue), c.hslSaturationF(), c.lightnessF()).toRgb();
}

// Series types of the drawing, from a series' type and style codes.
void applySeriesType(ChartSeries& series, ChartModel& model, const QString& type, const QString& style, int stacking) {
    const auto barStyle = [&] {
        if (style == QLatin1String("GRADIENT")) return ChartBarStyle::Gradient;
        if (style == QLatin1String("CYLINDER")) return ChartBarStyle::Cylinder;
        if (style == QLatin1String("ARROW")) return ChartBarStyle::Arrow;
        return ChartBarStyle::Rectangle;
    };
    const ChartMultiBar multiBar[] = {ChartMultiBar::None, ChartMultiBar::Side, ChartMultiBar::Stacked,
                                      ChartMultiBar::Stacked100};
    const ChartMultiArea multiArea[] = {ChartMultiArea::None, ChartMultiArea::None, ChartMultiArea::Stacked,
                                        ChartMultiArea::Stacked100};
    const int s = std::clamp(stacking, 0, 3);
    if (type.isEmpty() || type == QLatin1String("HISTOGRAM") || type == QLatin1String("HORIZBAR")) {
        const bool horizontal = type == QLatin1String("HORIZBAR");
        series.Type = horizontal ? ChartSeriesType::HorizBar : ChartSeriesType::Bar;
        series.BarStyle = barStyle();
        series.MultiBar = multiBar[s];
        series.BarFrameVisible = false;
        model.Axis(horizontal ? ChartAxisKind::Left : ChartAxisKind::Bottom).LabelStyle = ChartAxisLabelStyle::Text;
    } else if (type == QLatin1String("AREA")) {
        series.Type = ChartSeriesType::Area;
        series.MultiArea = multiArea[s];
        model.Axis(ChartAxisKind::Bottom).LabelStyle = ChartAxisLabelStyle::Text;
    } else if (type == QLatin1String("LINE")) {
        series.Type = ChartSeriesType::Line;
        series.LineWidth = 2;
        series.PointerVisible = style == QLatin1String("POINTS");
        series.Stairs = style == QLatin1String("STAIRS");
        model.Axis(ChartAxisKind::Bottom).LabelStyle = ChartAxisLabelStyle::Text;
    } else if (type == QLatin1String("POINT")) {
        series.Type = ChartSeriesType::Point;
        model.Axis(ChartAxisKind::Bottom).LabelStyle = ChartAxisLabelStyle::Text;
    } else {
        series.Type = ChartSeriesType::Pie;
        series.PieFrame = style == QLatin1String("DOTS")         ? ChartPieFrame::Dotted
                          : style == QLatin1String("BORDERLESS") ? ChartPieFrame::None
                                                                 : ChartPieFrame::Solid;
        series.PieGradient = style == QLatin1String("GRADIENT");
    }
}

bool drawableType(const QString& type) {
    return type.isEmpty() || PCChartCodes::SeriesType().Codes.contains(type);
}

// The marks style of the label style combo's index; a pie of the simple path
// shows labels with their share.
ChartMarksStyle marksStyle(int labelStyle, bool pie) {
    switch (labelStyle) {
    case 1: return pie ? ChartMarksStyle::LabelValue : ChartMarksStyle::Value;
    case 2: return ChartMarksStyle::Label;
    case 3: return ChartMarksStyle::XValue;
    default: return pie ? ChartMarksStyle::LabelPercent : ChartMarksStyle::Value;
    }
}

void styleMarks(ChartMarks& marks, bool visible) {
    marks.Visible = visible;
    marks.FrameColor = QColor(0xC0, 0xC0, 0xC0);
    marks.ShadowColor = QColor(0xE0, 0xE0, 0xE0);
    marks.SmoothShadow = true;
}

// Adds name to the " / " list unless the list already contains it.
void collectName(QString& names, const QString& name) {
    if (name.isEmpty() || names.contains(name)) return;
    if (!names.isEmpty()) names += QStringLiteral(" / ");
    names += name;
}

QString dimensionName(const TPivotCubeNode* root) {
    return root && root->LevelAxis ? TranslateContent(root->LevelAxis->Nom()) : QString();
}

QStringList firstLevelCaptions(TPivotCube& pivot, TPivotCubeNode* root) {
    QStringList result;
    if (!root) return result;
    TStringList captions;
    pivot.ComputeSeries(QString(), root, nullptr, &captions, nullptr);
    for (int i = 0; i < captions.Count(); ++i) result.append(captions.Strings(i));
    return result;
}

}   // namespace

QString TPCChart::valueExpression(const QString& value) const {
    if (!FPivot) return value;
    if (const TPivotCubeFormula* formula = FPivot->Formulas().FindByCaption(value)) return formula->Formula();
    return value;
}

bool TPCChart::tableCells(const QString& value, int rows, int columns, std::vector<double>& cells,
                          QString& problem) {
    // Full precision: the table's own display format would round small values away.
    const QByteArray page = FPivot->ExportXML(peoDataCells | peoTopLevelOnly | peoFirstValueOnly, value,
                                              QStringLiteral("%.15g"));
    TXMLDOMDocument xml;
    xml.LoadFromBytes(page);
    const std::unique_ptr<TXMLDOMNodeList> found = SelectNodes(&xml, QStringLiteral("//td[@class='Data']"));
    const int count = found ? found->Count() : 0;
    if (count != rows * columns) {
        problem = TranslateFormat(QStringLiteral("Série %0:s non dessinée : %1:d cellules pour %2:d × %3:d membres"),
                                  {TranslateContent(value), count, rows, columns});
        return false;
    }
    cells.clear();
    cells.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        double number;
        cells.push_back(TryStrToFloat(Text(found->Item(i)).trimmed(), number) ? number : kNotANumber);
    }
    return true;
}

void TPCChart::rebuild() {
    if (UpdateLock > 0) return;
    Chart->setUpdatesEnabled(false);
    FModel.Series.clear();
    FModel.Title.Text = EDTitle->text();
    FModel.Title.Visible = !EDTitle->text().isEmpty();
    FModel.Title.Font = FTitleFont;
    FModel.Title.Color = PCColorOf(FTitleColor);
    for (ChartAxisKind kind : {ChartAxisKind::Left, ChartAxisKind::Right, ChartAxisKind::Bottom})
        FModel.Axis(kind).LabelStyle = ChartAxisLabelStyle::Auto;
    if (FPivot) {
        if (tridimensional()) rebuildTridimensional();
        else rebuildSeries();
    }
    applyCommonSettings();
    FModel.AntiAlias = FSmoothing && isVisible();
    Chart->setUpdatesEnabled(true);
    Chart->update();
}

void TPCChart::rebuildTridimensional() {
    const TPCChartSeriesSettings first =
        FSeries.empty() ? TPCChartSeriesSettings() : PCReadChartSeries(chartOf(FSeries.front()));
    const QString value = valueExpression(CBValue->currentIndex() >= 0 && !FSeries.empty() ? first.Value : QString());
    const QStringList rows = firstLevelCaptions(*FPivot, FPivot->RowRoot());
    const QStringList columns = firstLevelCaptions(*FPivot, FPivot->ColRoot());
    std::vector<double> cells;
    QString problem;
    bool filled = false;
    try {
        filled = !rows.isEmpty() && !columns.isEmpty() && !FSeries.empty() &&
                 tableCells(value, int(rows.size()), int(columns.size()), cells, problem);
    } catch (const Exception& e) {
        problem = TranslateFormat(QStringLiteral("Série %0:s non dessinée : %1:s"), {TranslateContent(first.Title), e.message()});
    }
    if (!problem.isEmpty()) emit StatusMessage(problem);
    if (filled) {
        for (int k = 0; k < rows.size(); ++k) {
            if (k > 0) FModel.AddSeries(ChartSeriesType::Bar, QStringLiteral(" "));   // a gap between rows
            ChartSeries& series = FModel.AddSeries(ChartSeriesType::Bar, rows[k]);
            applySeriesType(series, FModel, first.Type, first.Style, 0);
            styleMarks(series.Marks, CBMarks->isChecked());
            series.Marks.Style = marksStyle(CBMarksStyle->currentIndex(), false);
            series.Color = rotateHue(BTColor->Color(), k * 0.11);
            series.MultiBar = ChartMultiBar::None;
            for (int t = 0; t < columns.size(); ++t)
                series.AddPoint(cells[size_t(k) * size_t(columns.size()) + size_t(t)], columns[t]);
        }
    }
    FModel.View.DepthPercent = rows.isEmpty() ? 50 : std::min(50, 200 / int(rows.size()) + 1);
    FModel.Legend.Visible = false;
    for (ChartAxisKind kind : {ChartAxisKind::Left, ChartAxisKind::Bottom, ChartAxisKind::Depth})
        FModel.Axis(kind).Visible = true;
    FModel.View.View3D = true;
    FModel.View.Orthogonal = false;
    FModel.View.Walls3D = true;
    FModel.View.Elevation = Elevation3D;
    FModel.View.Rotation = Rotation3D;
    FModel.View.Zoom = Zoom3D;
    FModel.AllowZoom = false;
    FModel.Panning = ChartPanning::None;
    FModel.Axis(ChartAxisKind::Left).Title.Caption = CBRegroup->currentText();
    FModel.Axis(ChartAxisKind::Bottom).Title.Caption = dimensionName(FPivot->ColRoot());
    FModel.Axis(ChartAxisKind::Depth).Title.Caption = dimensionName(FPivot->RowRoot());
}

void TPCChart::rebuildSeries() {
    const bool byRows = direction() == cdRows || direction() == cdRowsStacked;
    TPivotCubeNode* category = byRows ? FPivot->RowRoot() : FPivot->ColRoot();
    TPivotCubeNode* other = byRows ? FPivot->ColRoot() : FPivot->RowRoot();
    QString leftNames, rightNames;
    QStringList problems;
    for (const SeriesEntry& entry : FSeries) {
        const TPCChartSeriesSettings s = PCReadChartSeries(chartOf(entry));
        if (!drawableType(s.Type)) continue;   // a type this view cannot draw
        collectName(s.RightAxis ? rightNames : leftNames, s.Regroup.isEmpty() ? s.Value : s.Regroup);
        // A series whose value cannot be computed is left out; the others are drawn.
        const size_t drawn = FModel.Series.size();
        try {
            rebuildOneSeries(s, category, other, problems);
        } catch (const Exception& e) {
            FModel.Series.resize(drawn);
            problems.append(TranslateFormat(QStringLiteral("Série %0:s non dessinée : %1:s"),
                                            {TranslateContent(s.Title), e.message()}));
        }
    }
    if (!problems.isEmpty()) emit StatusMessage(problems.join(QStringLiteral(" ; ")));
    finishSeriesPath(category, other, leftNames, rightNames);
}

void TPCChart::rebuildOneSeries(const TPCChartSeriesSettings& s, TPivotCubeNode* category, TPivotCubeNode* other,
                                QStringList& problems) {
    const bool byRows = direction() == cdRows || direction() == cdRowsStacked;
    const QString value = valueExpression(s.Value);
    if (stacked() && category && other) {
        const QStringList p = firstLevelCaptions(*FPivot, category);
        const QStringList q = firstLevelCaptions(*FPivot, other);
        if (p.isEmpty() || q.isEmpty()) return;
        std::vector<double> cells;
        QString problem;
        if (!tableCells(value, int(p.size()), int(q.size()), cells, problem)) {
            problems.append(problem);
            return;
        }
        for (int k = 0; k < q.size(); ++k) {
            ChartSeries& series = FModel.AddSeries(ChartSeriesType::Bar, s.Title + QStringLiteral(" (") + q[k] +
                                                                             QStringLiteral(")"));
            applySeriesType(series, FModel, s.Type, s.Style, CBStacking->currentIndex());
            styleMarks(series.Marks, s.MarksVisible);
            series.Marks.Style = marksStyle(CBMarksStyle->currentIndex(), false);
            series.Color = rotateHue(s.Color, k * 0.06);
            series.VerticalAxis = s.RightAxis ? ChartVerticalAxis::Right : ChartVerticalAxis::Left;
            for (int i = 0; i < p.size(); ++i) {
                // The table holds rows × columns: the category is the rows when charting by rows.
                const size_t cell = byRows ? size_t(i) * size_t(q.size()) + size_t(k)
                                           : size_t(k) * size_t(p.size()) + size_t(i);
                series.AddPoint(cells[cell], p[i]);
            }
        }
        return;
    }
    TDoubleList numbers;
    TStringList captions;
    FPivot->ComputeSeries(value, category, &numbers, &captions,
                          s.Regroup.isEmpty() ? nullptr : GroupOperatorByName(s.Regroup));
    ChartSeries& series = FModel.AddSeries(ChartSeriesType::Bar, s.Title);
    applySeriesType(series, FModel, s.Type, s.Style, CBStacking->currentIndex());
    styleMarks(series.Marks, s.MarksVisible);
    series.Marks.Style = marksStyle(CBMarksStyle->currentIndex(), series.Type == ChartSeriesType::Pie);
    series.Color = PCColorOf(s.Color);
    series.VerticalAxis = s.RightAxis ? ChartVerticalAxis::Right : ChartVerticalAxis::Left;
    for (int i = 0; i < captions.Count(); ++i) {
        const double number = i < numbers.Count() ? numbers[i] : 0;
        series.AddPoint(std::isfinite(number) ? number : 0, captions.Strings(i));
    }
}

void TPCChart::finishSeriesPath(TPivotCubeNode* category, TPivotCubeNode* other, const QString& leftNames,
                                const QString& rightNames) {
    FModel.Legend.Visible = false;
    const bool pie = CBType->currentIndex() == ctPie;
    for (ChartAxisKind kind : {ChartAxisKind::Left, ChartAxisKind::Right, ChartAxisKind::Top, ChartAxisKind::Bottom})
        if (pie) FModel.Axis(kind).Visible = false;
    FModel.View.View3D = CBView3D->isChecked();
    FModel.View.Orthogonal = !pie;
    FModel.View.Walls3D = !pie;
    FModel.AllowZoom = !pie;
    FModel.Panning = pie ? ChartPanning::None : ChartPanning::Both;
    FModel.View.Elevation = 315;
    FModel.View.Rotation = 360;
    FModel.View.Zoom = 100;
    FModel.View.DepthPercent = 20;

    const bool horizontal = CBType->currentIndex() == ctHorizBar;
    const ChartAxisKind categoryAxis = horizontal ? ChartAxisKind::Left : ChartAxisKind::Bottom;
    const ChartAxisKind primary = horizontal ? ChartAxisKind::Bottom : ChartAxisKind::Left;
    const ChartAxisKind secondary = horizontal ? ChartAxisKind::Top : ChartAxisKind::Right;
    FModel.Axis(categoryAxis).Title.Caption = dimensionName(category ? category : other);
    FModel.Axis(primary).Title.Caption = leftNames;
    FModel.Axis(secondary).Title.Caption = rightNames;
    FModel.Axis(ChartAxisKind::Depth).Title.Caption.clear();
    FModel.Axis(ChartAxisKind::Depth).Visible = false;
    for (ChartAxisKind kind : {categoryAxis, primary, secondary}) {
        ChartAxis& axis = FModel.Axis(kind);
        if (!axis.Visible) continue;
        axis.LineWidth = 1;
        axis.TickColor = QColor(0xA0, 0xA0, 0xA0);
        axis.MinorTickColor = QColor(0xD0, 0xD0, 0xD0);
    }
}

void TPCChart::applyCommonSettings() {
    for (ChartAxisKind kind : {ChartAxisKind::Depth, ChartAxisKind::Left, ChartAxisKind::Right, ChartAxisKind::Bottom})
        FModel.Axis(kind).Title.Font.setBold(true);
    const bool pie = !tridimensional() && CBType->currentIndex() == ctPie;
    FModel.View.Walls3D = !pie;
    const auto wall = [&](ChartWallKind kind, const WallControls& controls) {
        ChartWall& w = FModel.Wall(kind);
        w.Visible = controls.Visible->isChecked();
        w.Transparent = !w.Visible;
        w.Brush = Qt::SolidPattern;
        w.FrameVisible = true;
        w.FrameStyle = Qt::SolidLine;
        w.FrameColor = QColor(0xA0, 0xA0, 0xA0);
        w.Color = PCColorOf(controls.Color->Color());
    };
    wall(ChartWallKind::Left, FLeftWall);
    wall(ChartWallKind::Bottom, FBottomWall);
    wall(ChartWallKind::Back, FBackWall);

    ChartLegend& legend = FModel.Legend;
    legend.Style = ChartLegendStyle::Series;
    legend.Visible = CBLegend->isChecked();
    const ChartLegendAlignment alignments[] = {ChartLegendAlignment::Left, ChartLegendAlignment::Right,
                                               ChartLegendAlignment::Top, ChartLegendAlignment::Bottom};
    legend.Alignment = alignments[std::clamp(CBLegendPosition->currentIndex(), 0, 3)];
    legend.FrameVisible = false;
    legend.ShadowVisible = false;

    ChartBackground& back = FModel.Background;
    const int style = CBBackStyle->currentIndex();
    back.Gradient = style > 0;
    if (style == 1) back.Direction = ChartGradientDirection::LeftRight;
    else if (style == 2) back.Direction = ChartGradientDirection::TopBottom;
    else if (style == 3) back.Direction = ChartGradientDirection::FromTopLeft;
    back.EndColor = PCColorOf(BTBackColor->Color());
    back.StartColor = PCColorOf(BTBackColor2->Color());
    if (!back.Gradient) back.Color = PCColorOf(BTBackColor->Color());

    const auto axis = [&](ChartAxisKind kind, const AxisControls& controls) {
        ChartAxis& a = FModel.Axis(kind);
        if (pie && kind != ChartAxisKind::Depth) a.Visible = false;
        else a.Visible = controls.Visible->isChecked();
        if (!controls.ShowTitle->isChecked()) a.Title.Caption.clear();
        a.Increment = std::max(controls.Increment->value(), 0.0);
        a.AutomaticMinimum = a.AutomaticMaximum = true;
        a.LabelAngle = std::clamp(controls.Rotation->value(), -90, 90);
    };
    axis(ChartAxisKind::Left, FLeftAxis);
    axis(ChartAxisKind::Right, FRightAxis);
    axis(ChartAxisKind::Bottom, FBottomAxis);
    ChartAxis& depth = FModel.Axis(ChartAxisKind::Depth);
    depth.Visible = tridimensional() && FDepthAxis.Visible->isChecked();
    if (!FDepthAxis.ShowTitle->isChecked()) depth.Title.Caption.clear();
}
