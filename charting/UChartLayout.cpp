#include "UChartLayout.h"

#include "UChartPaint.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPad = 8;      // around the canvas and between its parts
constexpr double kLabelGap = 4; // between a tick and its label

bool isBarType(ChartSeriesType type) { return type == ChartSeriesType::Bar || type == ChartSeriesType::HorizBar; }

double perpendicularExtent(const QFontMetricsF& fm, const QString& text, int angle, bool alongHorizontalAxis) {
    const double w = fm.horizontalAdvance(text), h = fm.height();
    const double a = std::abs(angle) * M_PI / 180.0;
    return alongHorizontalAxis ? w * std::sin(a) + h * std::cos(a) : w * std::cos(a) + h * std::sin(a);
}

double maxExtent(const QFont& font, const std::vector<QString>& all, int angle, bool horizontalAxis) {
    const QFontMetricsF fm(font);
    double extent = 0;
    const std::vector<QString> texts = ChartWidestCandidates(all);
    for (const QString& text : texts) extent = std::max(extent, perpendicularExtent(fm, text, angle, horizontalAxis));
    if (texts.empty()) extent = 0;
    return extent;
}

std::vector<QString> tickTexts(const ChartTicks& ticks, QChar separator, bool percent) {
    std::vector<QString> texts;
    texts.reserve(ticks.Values.size());
    for (double v : ticks.Values)
        texts.push_back(ChartFormatNumber(v, ticks.Decimals, separator) + (percent ? QStringLiteral(" %") : QString()));
    return texts;
}

bool titleShown(const ChartAxis& axis) { return axis.Title.Visible && !axis.Title.Caption.trimmed().isEmpty(); }

double titleHeight(const ChartAxis& axis) {
    return titleShown(axis) ? QFontMetricsF(ChartCanvasFont(axis.Title.Font)).height() + kLabelGap : 0;
}

void layoutLegend(const ChartModel& model, ChartFrame& frame, QRectF& area) {
    const ChartLegend& legend = model.Legend;
    if (!legend.Visible) return;
    ChartLegendStyle style = legend.Style;
    if (style == ChartLegendStyle::Auto) style = frame.PieChart ? ChartLegendStyle::Values : ChartLegendStyle::Series;
    if (style == ChartLegendStyle::Series) {
        for (size_t i = 0; i < model.Series.size(); ++i) {
            const ChartSeries& series = model.Series[i];
            if (!frame.Places[i].Drawn && !(frame.PieChart && int(i) == frame.PieSeries)) continue;
            if (series.Title.trimmed().isEmpty()) continue;  // spacers between depth rows
            frame.LegendEntries.push_back({series.Title, series.Color, int(i), series.Type, {}});
        }
    } else {
        int first = frame.PieChart ? frame.PieSeries : -1;
        for (size_t i = 0; first < 0 && i < frame.Places.size(); ++i)
            if (frame.Places[i].Drawn && !model.Series[i].Points.empty()) first = int(i);
        if (first >= 0) {
            const ChartSeries& series = model.Series[size_t(first)];
            for (size_t k = 0; k < series.Points.size(); ++k) {
                const ChartPoint& point = series.Points[k];
                if (frame.PieChart && !(std::isfinite(point.Value) && point.Value > 0)) continue;
                QColor color = point.Color.isValid() ? point.Color
                               : frame.PieChart      ? ChartPaletteColor(int(k))
                                                     : series.Color;
                QString text = point.Label.isEmpty() ? ChartFormatValue(point.Value, model.DecimalSeparator) : point.Label;
                frame.LegendEntries.push_back({text, color, first, series.Type, {}});
            }
        }
    }
    if (frame.LegendEntries.empty()) return;
    const QFontMetricsF fm(ChartCanvasFont(legend.Font));
    const double swatch = std::round(fm.height() * 0.75), lineHeight = std::ceil(fm.height() + 4), inner = 6;
    auto itemWidth = [&](const ChartLegendEntry& e) { return swatch + 6 + fm.horizontalAdvance(e.Text); };
    const bool vertical = legend.Alignment == ChartLegendAlignment::Left || legend.Alignment == ChartLegendAlignment::Right;
    if (vertical) {
        double width = 0;
        for (const auto& e : frame.LegendEntries) width = std::max(width, itemWidth(e));
        width = std::min(width + 2 * inner, area.width() * 0.4);
        const double height = std::min(area.height(), frame.LegendEntries.size() * lineHeight + 2 * inner);
        const double left = legend.Alignment == ChartLegendAlignment::Right ? area.right() - width : area.left();
        frame.LegendRect = QRectF(left, area.center().y() - height / 2, width, height);
        double y = frame.LegendRect.top() + inner;
        for (auto& e : frame.LegendEntries) {
            e.Rect = QRectF(left + inner, y, width - 2 * inner, lineHeight);
            y += lineHeight;
        }
        if (legend.Alignment == ChartLegendAlignment::Right) area.setRight(left - kPad);
        else area.setLeft(left + width + kPad);
    } else {
        // Rows of entries, wrapped at the canvas width and centred.
        const double maxWidth = area.width() - 2 * inner;
        std::vector<std::vector<size_t>> rows(1);
        std::vector<double> rowWidth(1, 0);
        for (size_t i = 0; i < frame.LegendEntries.size(); ++i) {
            const double w = itemWidth(frame.LegendEntries[i]) + 16;
            if (!rows.back().empty() && rowWidth.back() + w > maxWidth) rows.emplace_back(), rowWidth.push_back(0);
            rows.back().push_back(i);
            rowWidth.back() += w;
        }
        double widest = *std::max_element(rowWidth.begin(), rowWidth.end());
        const double width = std::min(area.width(), widest + 2 * inner - 16);
        const double height = std::min(area.height() * 0.4, rows.size() * lineHeight + 2 * inner);
        const double top = legend.Alignment == ChartLegendAlignment::Top ? area.top() : area.bottom() - height;
        frame.LegendRect = QRectF(area.center().x() - width / 2, top, width, height);
        for (size_t r = 0; r < rows.size(); ++r) {
            double x = area.center().x() - (rowWidth[r] - 16) / 2;
            for (size_t i : rows[r]) {
                const double w = itemWidth(frame.LegendEntries[i]);
                frame.LegendEntries[i].Rect = QRectF(x, top + inner + r * lineHeight, w, lineHeight);
                x += w + 16;
            }
        }
        if (legend.Alignment == ChartLegendAlignment::Top) area.setTop(top + height + kPad);
        else area.setBottom(top - kPad);
    }
}

// Depth rows, sides and the stacked extents of every drawn series.
void placeSeries(const ChartModel& model, ChartFrame& frame) {
    const size_t n = model.Series.size();
    frame.Places.assign(n, {});
    // The chart-wide stacking of bars and areas is the first such series' own.
    ChartMultiBar multiBar = ChartMultiBar::None;
    ChartMultiArea multiArea = ChartMultiArea::None;
    bool barSeen = false, areaSeen = false;
    for (const ChartSeries& s : model.Series) {
        if (!s.Visible || s.Type == ChartSeriesType::Pie) continue;
        if (isBarType(s.Type) && !barSeen) multiBar = s.MultiBar, barSeen = true;
        if (s.Type == ChartSeriesType::Area && !areaSeen) multiArea = s.MultiArea, areaSeen = true;
    }
    // Flat charts show bars that would stand in depth rows side by side: on
    // one plane they would only hide each other.
    if (!frame.Depth && multiBar == ChartMultiBar::None) multiBar = ChartMultiBar::Side;
    int barCount = 0;
    for (const ChartSeries& s : model.Series)
        if (s.Visible && isBarType(s.Type)) ++barCount;

    int row = 0, sharedBarRow = -1, sharedAreaRow = -1, side = 0;
    for (size_t i = 0; i < n; ++i) {
        const ChartSeries& s = model.Series[i];
        ChartSeriesPlace& place = frame.Places[i];
        if (!s.Visible || s.Type == ChartSeriesType::Pie) continue;
        place.Drawn = true;
        place.Axis = s.VerticalAxis == ChartVerticalAxis::Right ? 1 : 0;
        if (isBarType(s.Type) && multiBar != ChartMultiBar::None) {
            if (sharedBarRow < 0) sharedBarRow = row++;
            place.Row = sharedBarRow;
            if (multiBar == ChartMultiBar::Side) place.Side = side++, place.SideCount = std::max(1, barCount);
        } else if (s.Type == ChartSeriesType::Area && multiArea != ChartMultiArea::None) {
            if (sharedAreaRow < 0) sharedAreaRow = row++;
            place.Row = sharedAreaRow;
        } else {
            place.Row = row++;
        }
        if (!frame.Depth) place.Row = 0;
        frame.AxisUsed[place.Axis] = true;
    }
    frame.Rows = frame.Depth ? std::max(1, row) : 1;

    // Extents. Stacks are kept per value axis, positives and negatives apart.
    const bool barStack = multiBar == ChartMultiBar::Stacked || multiBar == ChartMultiBar::Stacked100;
    const bool areaStack = multiArea != ChartMultiArea::None;
    const bool barPercent = multiBar == ChartMultiBar::Stacked100, areaPercent = multiArea == ChartMultiArea::Stacked100;
    size_t maxPoints = 0;
    for (const ChartSeries& s : model.Series) maxPoints = std::max(maxPoints, s.Points.size());
    // Totals for the 100 % stacks: [family][axis][point].
    std::vector<double> totals[2][2];
    for (auto& family : totals)
        for (auto& axis : family) axis.assign(maxPoints, 0);
    auto family = [&](const ChartSeries& s) { return isBarType(s.Type) ? 0 : 1; };
    auto stacked = [&](const ChartSeries& s) {
        return (isBarType(s.Type) && barStack) || (s.Type == ChartSeriesType::Area && areaStack);
    };
    for (size_t i = 0; i < n; ++i) {
        const ChartSeries& s = model.Series[i];
        if (!frame.Places[i].Drawn || !stacked(s)) continue;
        for (size_t k = 0; k < s.Points.size(); ++k)
            if (std::isfinite(s.Points[k].Value)) totals[family(s)][frame.Places[i].Axis][k] += std::fabs(s.Points[k].Value);
    }
    std::vector<double> positive[2][2], negative[2][2];
    for (int f = 0; f < 2; ++f)
        for (int a = 0; a < 2; ++a) positive[f][a].assign(maxPoints, 0), negative[f][a].assign(maxPoints, 0);
    for (size_t i = 0; i < n; ++i) {
        const ChartSeries& s = model.Series[i];
        ChartSeriesPlace& place = frame.Places[i];
        if (!place.Drawn) continue;
        place.From.assign(s.Points.size(), NAN);
        place.To.assign(s.Points.size(), NAN);
        const bool isStacked = stacked(s);
        const bool percent = isStacked && (family(s) == 0 ? barPercent : areaPercent);
        if (percent) frame.Percent[place.Axis] = true;
        for (size_t k = 0; k < s.Points.size(); ++k) {
            double v = s.Points[k].Value;
            if (!std::isfinite(v)) continue;
            if (!isStacked) {
                place.From[k] = 0, place.To[k] = v;
                continue;
            }
            if (percent) {
                const double total = totals[family(s)][place.Axis][k];
                v = total > 0 ? v * 100.0 / total : 0;
            }
            double& base = (v >= 0 ? positive : negative)[family(s)][place.Axis][k];
            place.From[k] = base;
            base += v;
            place.To[k] = base;
        }
    }
}

void computeValueTicks(const ChartModel& model, ChartFrame& frame, const double lengths[2], double labelSize[2]) {
    for (int a = 0; a < 2; ++a) {
        double low = INFINITY, high = -INFINITY;
        for (size_t i = 0; i < model.Series.size(); ++i) {
            const ChartSeriesPlace& place = frame.Places[i];
            if (!place.Drawn || place.Axis != a) continue;
            const ChartSeries& s = model.Series[i];
            const bool fromZero = isBarType(s.Type) || s.Type == ChartSeriesType::Area;
            for (size_t k = 0; k < place.To.size(); ++k) {
                if (std::isnan(place.To[k])) continue;
                low = std::min(low, place.To[k]), high = std::max(high, place.To[k]);
                if (fromZero) low = std::min(low, place.From[k]), high = std::max(high, place.From[k]);
            }
        }
        const ChartAxis& axis = model.Axis(frame.ValueAxis[a]);
        ChartRangeRequest request;
        if (low <= high) request.DataMinimum = low, request.DataMaximum = high;
        else request.DataMinimum = 1, request.DataMaximum = 0;  // no data
        if (frame.Percent[a] && low <= high) request.DataMinimum = std::min(0.0, low), request.DataMaximum = std::max(100.0, high);
        request.Increment = axis.Increment;
        request.AutomaticMinimum = axis.AutomaticMinimum;
        request.AutomaticMaximum = axis.AutomaticMaximum;
        request.Minimum = axis.Minimum;
        request.Maximum = axis.Maximum;
        request.MaxTicks = std::clamp(int(lengths[a] / std::max(8.0, labelSize[a])), 1, 20);
        frame.ValueTicks[a] = ChartComputeTicks(request);
    }
}

std::vector<QString> categoryLabels(const ChartModel& model, const ChartFrame& frame) {
    const ChartAxis& axis = model.Axis(frame.CategoryAxis);
    std::vector<QString> labels(size_t(frame.Categories));
    bool anyLabel = false;
    for (size_t i = 0; i < model.Series.size(); ++i) {
        if (!frame.Places[i].Drawn) continue;
        const auto& points = model.Series[i].Points;
        for (size_t k = 0; k < points.size(); ++k)
            if (labels[k].isEmpty() && !points[k].Label.isEmpty()) labels[k] = points[k].Label, anyLabel = true;
    }
    const bool numbers = axis.LabelStyle == ChartAxisLabelStyle::Value || (axis.LabelStyle == ChartAxisLabelStyle::Auto && !anyLabel);
    if (numbers)
        for (size_t k = 0; k < labels.size(); ++k) labels[k] = QString::number(k);
    return labels;
}

// Scales from the world coordinates of the box to the axes' values.
void computeScales(const ChartModel& model, ChartFrame& frame) {
    const ChartAxis& categoryAxis = model.Axis(frame.CategoryAxis);
    const double W = frame.Projection.Width(), H = frame.Projection.Height();
    ChartScale& c = frame.CategoryScale;
    if (frame.Slots || frame.Categories <= 1) c.Minimum = -0.5, c.Maximum = std::max(1, frame.Categories) - 0.5;
    else c.Minimum = 0, c.Maximum = frame.Categories - 1;
    if (!categoryAxis.AutomaticMinimum) c.Minimum = categoryAxis.Minimum;
    if (!categoryAxis.AutomaticMaximum) c.Maximum = categoryAxis.Maximum;
    if (c.Maximum <= c.Minimum) c.Maximum = c.Minimum + 1;
    c.From = 0, c.To = frame.Horizontal ? H : W;
    for (int a = 0; a < 2; ++a) {
        ChartScale& v = frame.ValueScale[a];
        v.Minimum = frame.ValueTicks[a].Minimum, v.Maximum = frame.ValueTicks[a].Maximum;
        if (frame.Horizontal) v.From = 0, v.To = W;
        else v.From = H, v.To = 0;
    }
}

// A turned box shows its value axis shorter: as many ticks as fit there.
void computeTurnedTicks(const ChartModel& model, ChartFrame& frame) {
    double lengths[2], labelSize[2];
    const ChartProjection& pr = frame.Projection;
    for (int a = 0; a < 2; ++a) {
        const QPointF from = pr.Map(0, pr.Height(), 0);
        const QPointF to = frame.Horizontal ? pr.Map(pr.Width(), pr.Height(), 0) : pr.Map(0, 0, 0);
        lengths[a] = std::hypot(to.x() - from.x(), to.y() - from.y());
        labelSize[a] = QFontMetricsF(ChartCanvasFont(model.Axis(frame.ValueAxis[a]).LabelsFont)).height() * 2.2;
    }
    computeValueTicks(model, frame, lengths, labelSize);
}

// The turned box keeps the proportions of the facing chart (the plot area
// found for it) and is scaled and centred so that it fills the panel with
// its axes' labels and titles: these keep their size in pixels, so a few
// rounds of measuring settle the scale. The value ticks are chosen in the
// first two rounds only: a tick more or less would change the labels'
// width again and the rounds might never settle.
void fitTurnedBox(const ChartModel& model, ChartFrame& frame, double depth) {
    const ChartView3D& view = model.View;
    const int perspective = view.Perspective ? view.PerspectivePercent : 0;
    const QSizeF box = frame.PlotArea.size();
    const QRectF& panel = frame.PanelRect;
    auto place = [&](const QRectF& target, bool retick) {
        frame.Projection = ChartProjection::Rotated(target, depth, view.Rotation, view.Elevation, perspective, 100, box);
        if (retick) computeTurnedTicks(model, frame);
        computeScales(model, frame);
        return ChartAxesExtent(model, frame).united(frame.Projection.Bounds());
    };
    QRectF target = frame.PlotArea;
    for (int round = 0; round < 8; ++round) {
        const QRectF extent = place(target, round < 2);
        const QRectF bounds = frame.Projection.Bounds();
        const double left = bounds.left() - extent.left(), right = extent.right() - bounds.right();
        const double top = bounds.top() - extent.top(), bottom = extent.bottom() - bounds.bottom();
        const double scale = std::min((panel.width() - left - right) / std::max(1.0, bounds.width()),
                                      (panel.height() - top - bottom) / std::max(1.0, bounds.height()));
        const QSizeF size = bounds.size() * std::max(scale, 1e-3);
        if (size.width() < 4 || size.height() < 4) break;  // no room: keep the last fit
        const QRectF next(panel.left() + left + (panel.width() - left - right - size.width()) / 2,
                          panel.top() + top + (panel.height() - top - bottom - size.height()) / 2, size.width(), size.height());
        const bool settled = std::fabs(next.left() - target.left()) + std::fabs(next.right() - target.right()) +
                                 std::fabs(next.top() - target.top()) + std::fabs(next.bottom() - target.bottom()) < 0.5;
        target = next;
        if (settled && round >= 2) break;
    }
    // Labels thinned out differently at the last scale may still stick out
    // (a label more where it fits just so): centre what they cover, and
    // shrink a little while they do not fit.
    for (int shrink = 0; shrink < 12; ++shrink) {
        target.translate(panel.center() - place(target, false).center());
        if (panel.adjusted(-0.5, -0.5, 0.5, 0.5).contains(place(target, false))) break;
        const QPointF centre = target.center();
        target.setSize(target.size() * 0.97);
        target.moveCenter(centre);
    }
    frame.PlotArea = target;
    frame.ZoomWindow = place(target, false).intersected(panel);
    if (view.Zoom != 100)
        frame.Projection = ChartProjection::Rotated(target, depth, view.Rotation, view.Elevation, perspective, view.Zoom, box);
}

}  // namespace

std::vector<QString> ChartWidestCandidates(const std::vector<QString>& texts) {
    constexpr size_t kMany = 300;
    if (texts.size() <= kMany) return texts;
    qsizetype longest = 0;
    for (const QString& text : texts) longest = std::max(longest, text.size());
    std::vector<QString> candidates;
    for (const QString& text : texts)
        if (text.size() + 1 >= longest) candidates.push_back(text);
    if (candidates.size() <= kMany) return candidates;
    std::vector<QString> sample;
    sample.reserve(kMany);
    for (size_t i = 0; i < kMany; ++i) sample.push_back(candidates[i * candidates.size() / kMany]);
    return sample;
}

QFont ChartCanvasFont(const QFont& font) {
    QFont f = font;
    if (f.pixelSize() <= 0) f.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * 96.0 / 72.0))));
    return f;
}

QVector3D ChartFrame::World(double category, double value, int axis, double z) const {
    const double c = CategoryScale.Map(category), v = ValueScale[axis].Map(value);
    return Horizontal ? QVector3D(float(v), float(c), float(z)) : QVector3D(float(c), float(v), float(z));
}

double ChartFrame::SlotWidth() const {
    return std::fabs(CategoryScale.Map(1) - CategoryScale.Map(0));
}

double ChartFrame::RowFront(int row) const { return Projection.Depth() * row / std::max(1, Rows); }
double ChartFrame::RowBack(int row) const { return Projection.Depth() * (row + 1) / std::max(1, Rows); }
double ChartFrame::RowInnerFront(int row) const {
    return RowFront(row) + (Rows > 1 ? 0.12 : 0.0) * (RowBack(row) - RowFront(row));
}
double ChartFrame::RowInnerBack(int row) const {
    return RowBack(row) - (Rows > 1 ? 0.12 : 0.0) * (RowBack(row) - RowFront(row));
}

ChartFrame ChartComputeFrame(const ChartModel& model, const QRectF& rect) {
    ChartFrame frame;
    frame.Rect = rect;
    QRectF area = rect.adjusted(kPad, kPad, -kPad, -kPad);
    if (model.Title.Visible && !model.Title.Text.trimmed().isEmpty()) {
        const double h = QFontMetricsF(ChartCanvasFont(model.Title.Font)).height() * 1.3;
        frame.TitleRect = QRectF(area.left(), area.top(), area.width(), h);
        area.setTop(area.top() + h + kPad / 2);
    }
    const ChartView3D& view = model.View;
    frame.Depth = view.View3D;

    // A pie chart when the first visible series is a pie.
    for (size_t i = 0; i < model.Series.size(); ++i) {
        if (!model.Series[i].Visible) continue;
        if (model.Series[i].Type == ChartSeriesType::Pie) frame.PieChart = true, frame.PieSeries = int(i);
        frame.Horizontal = model.Series[i].Type == ChartSeriesType::HorizBar;
        break;
    }
    placeSeries(model, frame);
    if (frame.PieChart)
        for (auto& place : frame.Places) place.Drawn = false;
    layoutLegend(model, frame, area);
    frame.PanelRect = area;
    frame.ZoomedIn = view.View3D && view.Zoom > 100;
    frame.ZoomWindow = area;
    if (frame.PieChart) {
        frame.PlotArea = area;
        frame.Projection = ChartProjection::Flat(area);
        return frame;
    }

    frame.CategoryAxis = frame.Horizontal ? ChartAxisKind::Left : ChartAxisKind::Bottom;
    frame.ValueAxis[0] = frame.Horizontal ? ChartAxisKind::Bottom : ChartAxisKind::Left;
    frame.ValueAxis[1] = frame.Horizontal ? ChartAxisKind::Top : ChartAxisKind::Right;
    for (size_t i = 0; i < model.Series.size(); ++i) {
        if (!frame.Places[i].Drawn) continue;
        frame.Categories = std::max(frame.Categories, int(model.Series[i].Points.size()));
        if (isBarType(model.Series[i].Type)) frame.Slots = true;
    }
    frame.CategoryLabels = categoryLabels(model, frame);

    const bool valueShown[2] = {model.Axis(frame.ValueAxis[0]).Visible && (frame.AxisUsed[0] || !frame.AxisUsed[1]),
                                model.Axis(frame.ValueAxis[1]).Visible && frame.AxisUsed[1]};
    const ChartAxis& categoryAxis = model.Axis(frame.CategoryAxis);
    const ChartAxis& depthAxis = model.Axis(ChartAxisKind::Depth);
    const bool depthShown = frame.Depth && depthAxis.Visible;

    // Two passes: the tick count depends on the axis length, the margins on the tick texts.
    double margins[4] = {0, 0, 0, 0};  // left, top, right, bottom
    for (int pass = 0; pass < 2; ++pass) {
        const QRectF inner = area.adjusted(margins[0], margins[1], -margins[2], -margins[3]);
        double lengths[2], labelSize[2];
        for (int a = 0; a < 2; ++a) {
            const ChartAxis& axis = model.Axis(frame.ValueAxis[a]);
            const QFontMetricsF fm(ChartCanvasFont(axis.LabelsFont));
            lengths[a] = frame.Horizontal ? inner.width() : inner.height();
            // Vertical value axes need a line and a half per tick; horizontal ones a wide number.
            labelSize[a] = frame.Horizontal ? fm.horizontalAdvance(QStringLiteral("0 000 000")) : fm.height() * 2.2;
        }
        computeValueTicks(model, frame, lengths, labelSize);
        std::fill(std::begin(margins), std::end(margins), 0.0);
        auto addMargin = [&](ChartAxisKind kind, const std::vector<QString>& texts) {
            const ChartAxis& axis = model.Axis(kind);
            const bool horizontalAxis = kind == ChartAxisKind::Bottom || kind == ChartAxisKind::Top;
            double m = axis.TickLength + kLabelGap + titleHeight(axis);
            if (axis.LabelsVisible)
                m += maxExtent(ChartCanvasFont(axis.LabelsFont), texts, axis.LabelAngle, horizontalAxis) + kLabelGap;
            const int side = kind == ChartAxisKind::Left ? 0 : kind == ChartAxisKind::Top ? 1 : kind == ChartAxisKind::Right ? 2 : 3;
            margins[side] = std::max(margins[side], m);
        };
        for (int a = 0; a < 2; ++a)
            if (valueShown[a]) addMargin(frame.ValueAxis[a], tickTexts(frame.ValueTicks[a], model.DecimalSeparator, frame.Percent[a]));
        if (categoryAxis.Visible) addMargin(frame.CategoryAxis, frame.CategoryLabels);
        if (depthShown) {
            std::vector<QString> titles;
            for (size_t i = 0; i < model.Series.size(); ++i)
                if (frame.Places[i].Drawn) titles.push_back(model.Series[i].Title);
            double w = depthAxis.LabelsVisible ? maxExtent(ChartCanvasFont(depthAxis.LabelsFont), titles, 0, false) : 0;
            if (titleShown(depthAxis))
                w = std::max(w, QFontMetricsF(ChartCanvasFont(depthAxis.Title.Font)).horizontalAdvance(depthAxis.Title.Caption));
            margins[2] = std::max(margins[2], w + 2 * kLabelGap);
        }
        // Room for the half label that overhangs the ends of an axis.
        const double half = QFontMetricsF(ChartCanvasFont(categoryAxis.LabelsFont)).height() / 2;
        margins[1] = std::max(margins[1], half);
        margins[3] = std::max(margins[3], half);
        margins[0] = std::max(margins[0], kPad), margins[2] = std::max(margins[2], kPad);
        margins[2] = std::min(margins[2], area.width() * 0.35);
        margins[0] = std::min(margins[0], area.width() * 0.35);
        margins[3] = std::min(margins[3], area.height() * 0.4);
    }
    frame.PlotArea = area.adjusted(margins[0], margins[1], -margins[2], -margins[3]);
    if (frame.PlotArea.width() < 10) frame.PlotArea.setWidth(10);
    if (frame.PlotArea.height() < 10) frame.PlotArea.setHeight(10);

    const double depth = frame.Depth ? std::clamp(view.DepthPercent, 0, 100) / 100.0 *
                                           std::min(frame.PlotArea.width(), frame.PlotArea.height())
                                     : 0;
    if (!frame.Depth) frame.Projection = ChartProjection::Flat(frame.PlotArea);
    else if (view.Orthogonal) {
        // The oblique view draws depth at full length: less of it keeps the
        // front readable; several rows get more room so that the back ones show.
        frame.Projection = ChartProjection::Oblique(frame.PlotArea, depth * (frame.Rows > 1 ? 0.9 : 0.6),
                                                    view.OrthoAngle, view.Zoom);
    } else {
        fitTurnedBox(model, frame, depth);
    }
    computeScales(model, frame);
    return frame;
}
