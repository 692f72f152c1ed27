// Charts rendered offscreen into images, checked at chosen pixels.
#include "ChartSamples.h"
#include "UChartPaint.h"
#include "UChartRenderer.h"

#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace chartsamples;

namespace {

const QColor kRed(220, 0, 0), kBlue(0, 0, 220), kGreen(0, 160, 0);

struct Rendered {
    QImage Image;
    ChartFrame Frame;
};

Rendered render(const ChartModel& model, QSize size = QSize(400, 300)) {
    Rendered r{QImage(size, QImage::Format_ARGB32_Premultiplied), {}};
    r.Image.fill(Qt::white);
    QPainter painter(&r.Image);
    r.Frame = ChartRenderer::Render(painter, model, QRectF(QPointF(0, 0), QSizeF(size)));
    return r;
}

bool is(const QImage& image, int x, int y, const QColor& color) { return image.pixelColor(x, y) == color; }

// The first and last rows of column x holding colour (−1 when none).
std::pair<int, int> rowsOf(const QImage& image, int x, const QColor& color) {
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y)
        if (is(image, x, y, color)) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

ChartSeries& barSeries(ChartModel& m, const QColor& color, std::initializer_list<double> values) {
    ChartSeries& s = m.AddSeries(ChartSeriesType::Bar, QStringLiteral("S"));
    s.Color = color;
    s.BarFrameVisible = false;
    for (double v : values) s.AddPoint(v);
    return s;
}

void fixRange(ChartAxis& axis, double low, double high) {
    axis.AutomaticMinimum = axis.AutomaticMaximum = false;
    axis.Minimum = low, axis.Maximum = high;
}

// Screen x of the centre of category k for a flat chart.
int categoryX(const ChartFrame& f, double k) { return int(std::lround(f.Projection.Map(f.CategoryPosition(k), 0, 0).x())); }

ChartModel bareChartWithBar() {
    ChartModel m = bareChart();
    barSeries(m, kRed, {3, 7});
    return m;
}

}  // namespace

TEST(ChartBars, TopStandsAtTheValueOnAnAxisOfKnownRange) {
    ChartModel m = bareChart();
    barSeries(m, kRed, {25, 100, 0, -40});
    fixRange(m.Axis(ChartAxisKind::Left), -50, 100);
    const Rendered r = render(m);
    const QRectF plot = r.Frame.Projection.Bounds();
    const double zero = plot.bottom() - plot.height() * 50 / 150;
    const auto [top25, bottom25] = rowsOf(r.Image, categoryX(r.Frame, 0), kRed);
    const auto [top100, bottom100] = rowsOf(r.Image, categoryX(r.Frame, 1), kRed);
    const auto [top0, bottom0] = rowsOf(r.Image, categoryX(r.Frame, 2), kRed);
    const auto [topNegative, bottomNegative] = rowsOf(r.Image, categoryX(r.Frame, 3), kRed);
    EXPECT_NEAR(top100, plot.top(), 1.5);
    EXPECT_NEAR(bottom100, zero, 1.5);
    EXPECT_NEAR(top25, zero - plot.height() * 25 / 150, 1.5);
    EXPECT_NEAR(bottom25, zero, 1.5);
    EXPECT_EQ(top0, -1);  // a zero bar draws nothing
    EXPECT_NEAR(topNegative, zero, 1.5);
    EXPECT_NEAR(bottomNegative, zero + plot.height() * 40 / 150, 1.5);
}

TEST(ChartBars, StackedToHundredPercentFillThePlotHeight) {
    ChartModel m = bareChart();
    for (auto [color, a, b] : {std::tuple{kRed, 1.0, 50.0}, std::tuple{kBlue, 2.0, 30.0}, std::tuple{kGreen, 7.0, 20.0}})
        barSeries(m, color, {a, b}).MultiBar = ChartMultiBar::Stacked100;
    const Rendered r = render(m);
    const QRectF plot = r.Frame.Projection.Bounds();
    EXPECT_EQ(r.Frame.ValueTicks[0].Maximum, 100);
    for (int k = 0; k < 2; ++k) {
        const int x = categoryX(r.Frame, k);
        const auto red = rowsOf(r.Image, x, kRed), blue = rowsOf(r.Image, x, kBlue), green = rowsOf(r.Image, x, kGreen);
        // Red at the bottom, green on top, together the whole height.
        EXPECT_NEAR(green.first, plot.top(), 1.5);
        EXPECT_NEAR(red.second, plot.bottom(), 1.5);
        const double redShare = (red.second - red.first + 1) / plot.height();
        EXPECT_NEAR(redShare, k == 0 ? 0.1 : 0.5, 0.01);
        EXPECT_LE(std::abs(blue.first - green.second), 1);
        EXPECT_LE(std::abs(red.first - blue.second), 1);
    }
}

TEST(ChartBars, RightAxisSeriesIsScaledOnItsOwnRange) {
    ChartModel m = bareChart();
    barSeries(m, kRed, {10});
    barSeries(m, kBlue, {1000}).VerticalAxis = ChartVerticalAxis::Right;
    const Rendered r = render(m);
    EXPECT_EQ(r.Frame.ValueTicks[0].Maximum, 10);
    EXPECT_EQ(r.Frame.ValueTicks[1].Maximum, 1000);
    const QRectF plot = r.Frame.Projection.Bounds();
    const int slot = int(r.Frame.SlotWidth());
    const int x = categoryX(r.Frame, 0);
    EXPECT_NEAR(rowsOf(r.Image, x - slot / 6, kRed).first, plot.top(), 1.5);
    EXPECT_NEAR(rowsOf(r.Image, x + slot / 6, kBlue).first, plot.top(), 1.5);
}

TEST(ChartBars, NearerRowsCoverFartherOnesIn3D) {
    ChartModel m = bareChart();
    m.View.View3D = true;
    m.View.DepthPercent = 40;
    barSeries(m, kRed, {40});    // front row
    barSeries(m, kBlue, {100});  // back row, taller
    fixRange(m.Axis(ChartAxisKind::Left), 0, 100);
    const Rendered r = render(m);
    ASSERT_EQ(r.Frame.Rows, 2);
    const ChartFrame& f = r.Frame;
    // A point of the red bar's front face that the blue bar's front face also covers on screen.
    const double x = f.CategoryPosition(0) + f.SlotWidth() * 0.3, y = f.ValueScale[0].Map(38);
    const QPointF front = f.Projection.Map(x, y, f.RowInnerFront(0));
    const QPointF backCorner = f.Projection.Map(f.CategoryPosition(0) - f.SlotWidth() * 0.35, f.ValueScale[0].Map(100), f.RowInnerFront(1));
    ASSERT_GT(front.x(), backCorner.x());
    ASSERT_GT(front.y(), backCorner.y());
    EXPECT_TRUE(is(r.Image, int(front.x()), int(front.y()), kRed));
}

TEST(ChartPie, SliceAnglesFollowTheValues) {
    ChartModel m = bareChart();
    ChartSeries& s = m.AddSeries(ChartSeriesType::Pie);
    s.PieFrame = ChartPieFrame::None;
    s.AddPoint(1, QStringLiteral("a"), kRed);
    s.AddPoint(NAN, QStringLiteral("skipped"), kGreen);
    s.AddPoint(3, QStringLiteral("b"), kBlue);
    const Rendered r = render(m);
    ASSERT_TRUE(r.Frame.PieChart);
    const QPointF centre = r.Frame.PlotArea.center();
    const double radius = std::min(r.Frame.PlotArea.width(), r.Frame.PlotArea.height()) / 4;
    // Clockwise from 12 o'clock: a quarter for 1 of 4.
    for (auto [degrees, color] : {std::pair{10.0, kRed}, {45.0, kRed}, {80.0, kRed}, {100.0, kBlue}, {200.0, kBlue}, {350.0, kBlue}}) {
        const double a = degrees * M_PI / 180;
        const QPointF at = centre + QPointF(radius * std::sin(a), -radius * std::cos(a));
        EXPECT_TRUE(is(r.Image, int(at.x()), int(at.y()), color)) << degrees;
    }
}

TEST(ChartWalls, HiddenWallLeavesTheBackground) {
    const QColor background(250, 240, 200);
    struct Case {
        bool View3D;
        ChartWallKind Wall;
        bool Visible, Transparent;
        bool ExpectWall;
    } cases[] = {
        {false, ChartWallKind::Back, true, false, true},   {false, ChartWallKind::Back, false, false, false},
        {false, ChartWallKind::Back, true, true, false},   {true, ChartWallKind::Left, true, false, true},
        {true, ChartWallKind::Left, false, false, false},  {true, ChartWallKind::Bottom, true, false, true},
        {true, ChartWallKind::Bottom, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.Wall) << c.View3D << c.Visible << c.Transparent);
        ChartModel m = bareChart();
        m.View.View3D = c.View3D, m.View.Walls3D = true, m.View.DepthPercent = 40;
        m.Background.Color = background;
        for (ChartWall& wall : m.Walls) wall.Visible = false;
        ChartWall& wall = m.Wall(c.Wall);
        wall.Visible = c.Visible, wall.Transparent = c.Transparent, wall.Color = kGreen, wall.FrameVisible = false;
        const Rendered r = render(m);
        const ChartProjection& p = r.Frame.Projection;
        QPointF inside;
        switch (c.Wall) {
        case ChartWallKind::Back: inside = p.Map(p.Width() / 2, p.Height() / 2, p.Depth()); break;
        case ChartWallKind::Left: inside = p.Map(0, p.Height() / 2, p.Depth() / 2); break;
        case ChartWallKind::Bottom: inside = p.Map(p.Width() / 2, p.Height(), p.Depth() / 2); break;
        }
        const QColor seen = r.Image.pixelColor(int(inside.x()), int(inside.y()));
        // Side walls are shaded a little darker than their colour.
        if (c.ExpectWall) EXPECT_TRUE(seen.green() > 130 && seen.red() == 0 && seen.blue() == 0) << seen.name().toStdString();
        else EXPECT_EQ(seen, background);
    }
}

TEST(ChartAxes, LabelAnglesTurnTheLabels) {
    // The ink below the plot: wide for level labels, tall for upright ones.
    for (int angle : {0, 45, 90, -90}) {
        SCOPED_TRACE(angle);
        ChartModel m = bareChart();
        ChartAxis& bottom = m.Axis(ChartAxisKind::Bottom);
        bottom.Visible = true, bottom.LineWidth = 0, bottom.TickLength = 0, bottom.LabelAngle = angle;
        bottom.Title.Visible = false;
        barSeries(m, kRed, {5}).Points[0].Label = QStringLiteral("Septembre");
        const Rendered r = render(m);
        const int top = int(r.Frame.Projection.Bounds().bottom()) + 2;
        int left = 1 << 20, right = -1, low = -1, high = 1 << 20;
        for (int y = top; y < r.Image.height(); ++y)
            for (int x = 0; x < r.Image.width(); ++x)
                if (qGray(r.Image.pixel(x, y)) < 128)
                    left = std::min(left, x), right = std::max(right, x), high = std::min(high, y), low = std::max(low, y);
        ASSERT_GE(right, left);
        const double width = right - left + 1, height = low - high + 1;
        if (angle == 0) EXPECT_GT(width, 3 * height);
        else if (std::abs(angle) == 90) EXPECT_GT(height, 3 * width);
        else EXPECT_NEAR(width / height, 1.0, 0.45);
        // The label stays on the canvas.
        EXPECT_LT(low, r.Image.height() - 1);
    }
}

TEST(ChartEdgeCases, EmptyChartsOnePointAndNonFiniteValuesDraw) {
    std::vector<ChartModel> models;
    models.push_back(ChartModel());  // no series
    for (ChartSeriesType type : {ChartSeriesType::Bar, ChartSeriesType::HorizBar, ChartSeriesType::Area, ChartSeriesType::Line,
                                 ChartSeriesType::Point, ChartSeriesType::Pie}) {
        for (bool view3D : {false, true}) {
            ChartModel empty;
            empty.View.View3D = view3D;
            empty.AddSeries(type);  // a series without points
            models.push_back(empty);
            ChartModel one = salesChart(type, 1, 1);
            one.View.View3D = view3D;
            one.Series[0].Marks.Visible = true;
            models.push_back(one);
            ChartModel odd = salesChart(type, 2, 6);
            odd.View.View3D = view3D, odd.View.Orthogonal = !view3D;
            for (auto& s : odd.Series) {
                s.Marks.Visible = true, s.Marks.Style = ChartMarksStyle::LabelPercent;
                s.Points[1].Value = NAN, s.Points[2].Value = INFINITY, s.Points[3].Value = -INFINITY;
                s.MultiBar = ChartMultiBar::Stacked100, s.MultiArea = ChartMultiArea::Stacked100;
            }
            models.push_back(odd);
        }
    }
    for (const ChartModel& m : models) {
        const Rendered r = render(m);
        for (const auto& ticks : r.Frame.ValueTicks) {
            EXPECT_TRUE(std::isfinite(ticks.Minimum) && std::isfinite(ticks.Maximum));
            EXPECT_LT(ticks.Minimum, ticks.Maximum);
        }
    }
    // Non-finite values are left out: no bar where they stand, the range from the others.
    ChartModel m = bareChart();
    barSeries(m, kRed, {10, NAN, INFINITY, -INFINITY, 20});
    const Rendered r = render(m);
    EXPECT_EQ(r.Frame.ValueTicks[0].Maximum, 20);
    EXPECT_NE(rowsOf(r.Image, categoryX(r.Frame, 0), kRed).first, -1);
    for (int k : {1, 2, 3}) EXPECT_EQ(rowsOf(r.Image, categoryX(r.Frame, k), kRed).first, -1) << k;
    EXPECT_NE(rowsOf(r.Image, categoryX(r.Frame, 4), kRed).first, -1);
}

TEST(ChartRenderer, TwoChartsRenderSideBySideAsAlone) {
    ChartModel a = salesChart(ChartSeriesType::Bar), b = salesChart(ChartSeriesType::Pie, 1);
    const QImage aloneA = ChartRenderer::ToImage(a, QSize(300, 200)), aloneB = ChartRenderer::ToImage(b, QSize(300, 200));
    QImage both(600, 200, QImage::Format_ARGB32_Premultiplied);
    both.fill(Qt::white);
    {
        QPainter painter(&both);
        ChartRenderer::Render(painter, a, QRectF(0, 0, 300, 200));
        ChartRenderer::Render(painter, b, QRectF(300, 0, 300, 200));
    }
    // Anti-aliased edges may differ by a shade once moved; nothing else may.
    auto differing = [](const QImage& x, const QImage& y) {
        int count = 0;
        for (int j = 0; j < x.height(); ++j)
            for (int i = 0; i < x.width(); ++i) {
                const QColor a = x.pixelColor(i, j), b = y.pixelColor(i, j);
                if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 24) ++count;
            }
        return count;
    };
    EXPECT_EQ(differing(both.copy(0, 0, 300, 200), aloneA), 0);
    EXPECT_LT(differing(both.copy(300, 0, 300, 200), aloneB), 30);
}

TEST(ChartRenderer, DrawsToSvgAndToAPageThroughTheLogicalCanvas) {
    const ChartModel m = salesChart(ChartSeriesType::Bar);
    const QByteArray svg = ChartRenderer::ToSvg(m, QSize(640, 480));
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("Ventes par r"));
    EXPECT_GT(svg.count("<path"), 10);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("chart.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(600);
        QPainter painter(&pdf);
        ChartRenderer::RenderScaled(painter, m, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())));
    }
    EXPECT_GT(QFileInfo(file).size(), 2000);

    // Scaled to twice the canvas, a chart is the canvas' drawing at twice the size.
    QImage big(2048, 1448, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::white);
    {
        QPainter painter(&big);
        ChartRenderer::RenderScaled(painter, bareChartWithBar(), QRectF(0, 0, 2048, 1448));
    }
    const QImage small = ChartRenderer::ToImage(bareChartWithBar(), QSize(1024, 724));
    int differences = 0;
    for (int y = 5; y < 724; y += 37)
        for (int x = 5; x < 1024; x += 41)
            if (small.pixel(x, y) != big.pixel(2 * x, 2 * y)) ++differences;
    EXPECT_LT(differences, 10);
}
