// Legend entries, mark texts, and the user's zoom and panning.
#include "ChartSamples.h"
#include "UChartPaint.h"
#include "UChartRenderer.h"

#include <gtest/gtest.h>

using namespace chartsamples;

TEST(ChartLegend, OneEntryPerSeriesWithoutSpacersOrOnePerSliceOfAPie) {
    ChartModel m = salesChart(ChartSeriesType::Bar, 3);
    m.AddSeries(ChartSeriesType::Bar, QStringLiteral(" "));  // a spacer between depth rows
    m.Series[1].Visible = false;
    ChartFrame f = ChartComputeFrame(m, QRectF(0, 0, 640, 480));
    ASSERT_EQ(f.LegendEntries.size(), 2u);
    EXPECT_EQ(f.LegendEntries[0].Text, QStringLiteral("Nord"));
    EXPECT_EQ(f.LegendEntries[1].Text, QStringLiteral("Est"));
    EXPECT_EQ(f.LegendEntries[1].Color, m.Series[2].Color);
    EXPECT_LT(f.PlotArea.right(), f.LegendRect.left());

    for (auto [alignment, check] : std::initializer_list<std::pair<ChartLegendAlignment, int>>{
             {ChartLegendAlignment::Left, 0}, {ChartLegendAlignment::Top, 1}, {ChartLegendAlignment::Bottom, 2}}) {
        m.Legend.Alignment = alignment;
        f = ChartComputeFrame(m, QRectF(0, 0, 640, 480));
        if (check == 0) EXPECT_GT(f.PlotArea.left(), f.LegendRect.right());
        if (check == 1) EXPECT_GT(f.PlotArea.top(), f.LegendRect.bottom());
        if (check == 2) EXPECT_LT(f.PlotArea.bottom(), f.LegendRect.top());
    }
    m.Legend.Visible = false;
    EXPECT_TRUE(ChartComputeFrame(m, QRectF(0, 0, 640, 480)).LegendRect.isEmpty());

    ChartModel pie = salesChart(ChartSeriesType::Pie, 1, 4);
    pie.Series[0].Points[2].Value = -5;  // no slice, no entry
    f = ChartComputeFrame(pie, QRectF(0, 0, 640, 480));
    ASSERT_EQ(f.LegendEntries.size(), 3u);
    EXPECT_EQ(f.LegendEntries[2].Text, months()[3]);
    pie.Legend.Style = ChartLegendStyle::Series;
    EXPECT_EQ(ChartComputeFrame(pie, QRectF(0, 0, 640, 480)).LegendEntries.size(), 1u);
}

TEST(ChartMarks, TextsFollowTheStyle) {
    ChartModel m;
    m.DecimalSeparator = QLatin1Char(',');
    ChartSeries& s = m.AddSeries(ChartSeriesType::Bar);
    s.AddPoint(12.5, QStringLiteral("Nord"));
    s.AddPoint(37.5);
    const struct {
        ChartMarksStyle Style;
        const char* First;
        const char* Second;
    } cases[] = {
        {ChartMarksStyle::Value, "12,5", "37,5"},          {ChartMarksStyle::Label, "Nord", "37,5"},
        {ChartMarksStyle::XValue, "0", "1"},               {ChartMarksStyle::LabelValue, "Nord 12,5", "37,5"},
        {ChartMarksStyle::LabelPercent, "Nord 25 %", "75 %"},
    };
    for (const auto& c : cases) {
        s.Marks.Style = c.Style;
        EXPECT_EQ(ChartMarkText(m, s, 0, 50), QString::fromUtf8(c.First));
        EXPECT_EQ(ChartMarkText(m, s, 1, 50), QString::fromUtf8(c.Second));
    }
}

TEST(ChartZoom, ZoomAndPanMoveTheAxesWhereAllowed) {
    ChartModel m = bareChart();
    ChartSeries& s = m.AddSeries(ChartSeriesType::Line);
    for (int k = 0; k <= 10; ++k) s.AddPoint(k * 10);
    ChartFrame f = ChartComputeFrame(m, QRectF(0, 0, 400, 300));
    ASSERT_EQ(f.ValueTicks[0].Maximum, 100);
    const ChartProjection& p = f.Projection;
    // The upper right quarter of the plot.
    const QRectF quarter(p.Map(p.Width() / 2, 0, 0), p.Map(p.Width(), p.Height() / 2, 0));
    ChartModel zoomed = m;
    ChartZoomTo(zoomed, f, quarter);
    const ChartAxis& left = zoomed.Axis(ChartAxisKind::Left);
    const ChartAxis& bottom = zoomed.Axis(ChartAxisKind::Bottom);
    EXPECT_FALSE(left.AutomaticMinimum);
    EXPECT_NEAR(left.Minimum, 50, 0.5);
    EXPECT_NEAR(left.Maximum, 100, 0.5);
    EXPECT_NEAR(bottom.Minimum, 5, 0.05);
    EXPECT_NEAR(bottom.Maximum, 10, 0.05);
    zoomed.UndoZoom();
    EXPECT_TRUE(zoomed.Axis(ChartAxisKind::Left).AutomaticMaximum);

    ChartModel locked = m;
    locked.AllowZoom = false;
    ChartZoomTo(locked, f, quarter);
    EXPECT_TRUE(locked.Axis(ChartAxisKind::Left).AutomaticMinimum);

    // Dragging right by a tenth of the width shows one category further left.
    ChartModel panned = m;
    panned.Panning = ChartPanning::Horizontal;
    ChartPanBy(panned, f, QPointF(p.Width() / 10, 30));
    EXPECT_NEAR(panned.Axis(ChartAxisKind::Bottom).Minimum, -1, 0.01);
    EXPECT_NEAR(panned.Axis(ChartAxisKind::Bottom).Maximum, 9, 0.01);
    EXPECT_TRUE(panned.Axis(ChartAxisKind::Left).AutomaticMinimum);

    ChartModel still = m;
    still.Panning = ChartPanning::None;
    ChartPanBy(still, f, QPointF(40, 40));
    EXPECT_TRUE(still.Axis(ChartAxisKind::Bottom).AutomaticMinimum);
}
