// The projection of the chart's box onto the screen.
#include "UChartProjection.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QRectF kArea(50, 40, 600, 400);

void expectNear(const QPointF& actual, const QPointF& expected, double tolerance = 1e-6) {
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

double distance(const QPointF& a, const QPointF& b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

}  // namespace

TEST(ChartProjection, FlatIgnoresDepth) {
    const ChartProjection p = ChartProjection::Flat(kArea);
    expectNear(p.Map(10, 20, 0), QPointF(60, 60));
    expectNear(p.Map(10, 20, 500), QPointF(60, 60));
    EXPECT_DOUBLE_EQ(p.Width(), 600);
    EXPECT_DOUBLE_EQ(p.Height(), 400);
}

TEST(ChartProjection, ObliqueShiftsDepthUpAndRightWithinTheArea) {
    const double depth = 100;
    const ChartProjection p = ChartProjection::Oblique(kArea, depth, 45);
    const double shift = depth * std::cos(M_PI / 4);
    expectNear(p.Map(0, p.Height(), 0), kArea.bottomLeft());
    expectNear(p.Map(p.Width(), 0, depth), kArea.topRight());
    expectNear(p.Map(0, 0, depth) - p.Map(0, 0, 0), QPointF(shift, -shift));
    // The viewer stands right, above and in front: it sees the bars' right sides and tops.
    EXPECT_GT(p.Viewer().x(), p.Width());
    EXPECT_LT(p.Viewer().y(), 0);
    EXPECT_LT(p.Viewer().z(), 0);
}

TEST(ChartProjection, FacingParallelViewIsTheFlatView) {
    const ChartProjection p = ChartProjection::Rotated(kArea, 100, 360, 360, 0);
    expectNear(p.Map(0, 0, 0), kArea.topLeft(), 1e-6);
    expectNear(p.Map(600, 400, 0), kArea.bottomRight(), 1e-6);
    expectNear(p.Map(300, 100, 100), p.Map(300, 100, 0), 1e-6);
}

TEST(ChartProjection, TurnedViewsFitTheAreaAndSeeFromTheRightAndAbove) {
    for (int rotation : {270, 300, 330, 345, 360})
        for (int elevation : {270, 300, 345, 360})
            for (int perspective : {0, 15, 60}) {
                SCOPED_TRACE(testing::Message() << rotation << " " << elevation << " " << perspective);
                const ChartProjection p = ChartProjection::Rotated(kArea, 150, rotation, elevation, perspective);
                const QRectF bounds = p.Bounds();
                EXPECT_TRUE(kArea.adjusted(-0.01, -0.01, 0.01, 0.01).contains(bounds));
                EXPECT_TRUE(std::fabs(bounds.width() - kArea.width()) < 0.01 || std::fabs(bounds.height() - kArea.height()) < 0.01);
                // Straight from above (270) the viewer is over the centre; from the side (270), level with it.
                if (rotation < 360 && elevation > 270) EXPECT_GT(p.Viewer().x(), p.Width() / 2);
                if (elevation < 360) EXPECT_LT(p.Viewer().y(), p.Height() / 2);
                if (elevation > 270 && rotation > 270) EXPECT_LT(p.Viewer().z(), p.Depth() / 2);
            }
}

TEST(ChartProjection, PerspectiveShrinksTheBackAndZoomScalesAroundTheCentre) {
    const ChartProjection p = ChartProjection::Rotated(kArea, 200, 340, 340, 40);
    const double front = distance(p.Map(0, 0, 0), p.Map(600, 0, 0));
    const double back = distance(p.Map(0, 0, 200), p.Map(600, 0, 200));
    EXPECT_LT(back, front * 0.95);

    const ChartProjection zoomed = ChartProjection::Rotated(kArea, 200, 340, 340, 40, 200);
    const QPointF centre = kArea.center();
    expectNear(zoomed.Map(0, 0, 0) - centre, (p.Map(0, 0, 0) - centre) * 2, 1e-6);
    expectNear(zoomed.Map(600, 400, 200) - centre, (p.Map(600, 400, 200) - centre) * 2, 1e-6);
}
