// Turned views: the box with its axes' labels and titles fills the panel at
// every rotation and elevation the chart view allows, and a zoomed-in box
// stays inside the rectangle it fills unzoomed.
#include "ChartSamples.h"
#include "UChartPaint.h"
#include "UChartRenderer.h"

#include <gtest/gtest.h>

using namespace chartsamples;

namespace {

bool inside(const QRectF& outer, const QRectF& inner, double tolerance) {
    return outer.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(inner);
}

}  // namespace

TEST(ChartTurnedFit, BoxAndLabelsFillThePanelAtEveryAllowedAngle) {
    double smallest = 1;
    // A narrow upright canvas gives the labels a larger share: it is checked for room, not for fill.
    for (const QSizeF size : {QSizeF(800, 520), QSizeF(1024, 724), QSizeF(1600, 1000), QSizeF(500, 700)})
        for (int rotation = 270; rotation <= 360; rotation += 15)
            for (int elevation = 270; elevation <= 360; elevation += 15)
                for (bool perspective : {true, false}) {
                    SCOPED_TRACE(testing::Message() << size.width() << "×" << size.height() << " rotation " << rotation
                                                    << " elevation " << elevation << " perspective " << perspective);
                    ChartModel m = regionMonthChart(rotation, elevation);
                    m.View.Perspective = perspective;
                    const ChartFrame f = ChartComputeFrame(m, QRectF(QPointF(0, 0), size));
                    const QRectF panel = f.PanelRect, box = f.Projection.Bounds();
                    const QRectF all = ChartAxesExtent(m, f).united(box);
                    EXPECT_TRUE(inside(panel, all, 1.5)) << "labels or box outside the panel";
                    // No slack left in the direction that limits the box.
                    EXPECT_TRUE(all.width() >= 0.97 * panel.width() || all.height() >= 0.97 * panel.height());
                    const double fill = std::max(box.width() / panel.width(), box.height() / panel.height());
                    if (size.width() > size.height()) {
                        EXPECT_GE(fill, 0.8);
                        smallest = std::min(smallest, fill);
                    }
                    // Centred across the other direction.
                    EXPECT_NEAR(all.center().x(), panel.center().x(), 2 + 0.02 * panel.width());
                    EXPECT_NEAR(all.center().y(), panel.center().y(), 2 + 0.02 * panel.height());
                }
    RecordProperty("SmallestFill", std::to_string(smallest));
}

TEST(ChartTurnedFit, ZoomedInBoxStaysInsideItsUnzoomedRectangle) {
    for (auto [rotation, elevation] : {std::pair{300, 300}, {345, 330}, {270, 330}}) {
        SCOPED_TRACE(testing::Message() << rotation << " " << elevation);
        ChartModel m = regionMonthChart(rotation, elevation, 200);
        m.Title.Visible = false;
        const QSize size(800, 520);
        const ChartFrame f = ChartComputeFrame(m, QRectF(QPointF(0, 0), QSizeF(size)));
        ASSERT_TRUE(f.ZoomedIn);
        ChartModel unzoomed = m;
        unzoomed.View.Zoom = 100;
        EXPECT_EQ(f.ZoomWindow, ChartComputeFrame(unzoomed, QRectF(0, 0, 800, 520)).ZoomWindow);
        const QImage image = ChartRenderer::ToImage(m, size);
        const QRect window = f.ZoomWindow.toAlignedRect().adjusted(-1, -1, 1, 1);
        int painted = 0, outside = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                if (image.pixel(x, y) == qRgb(255, 255, 255)) continue;
                (window.contains(x, y) ? painted : outside)++;
            }
        EXPECT_EQ(outside, 0);
        EXPECT_GT(painted, window.width() * window.height() / 2);  // the magnified box fills its window
    }
}
