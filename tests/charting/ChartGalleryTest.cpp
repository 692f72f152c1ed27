// The gallery: every series type and style rendered to PNG files for a
// person to look at. Runs only when LORVANE_GALLERY names a folder
// (LORVANE_GALLERY=/tmp/gallery tests_charting --gtest_filter='ChartGallery*').
#include "ChartSamples.h"
#include "UChartRenderer.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

using namespace chartsamples;

namespace {

struct Entry {
    const char* Name;
    std::function<ChartModel()> Make;
};

ChartModel bars(ChartBarStyle style, ChartMultiBar multi, bool view3D, ChartSeriesType type = ChartSeriesType::Bar) {
    ChartModel m = salesChart(type);
    if (type == ChartSeriesType::HorizBar) {
        std::swap(m.Axis(ChartAxisKind::Left).Title.Caption, m.Axis(ChartAxisKind::Bottom).Title.Caption);
    }
    m.View.View3D = view3D;
    for (auto& s : m.Series) s.BarStyle = style, s.MultiBar = multi;
    return m;
}

ChartModel lines(bool pointers, bool stairs, bool view3D, ChartSeriesType type = ChartSeriesType::Line) {
    ChartModel m = salesChart(type, 3, 12);
    m.View.View3D = view3D;
    for (auto& s : m.Series) s.LineWidth = 2, s.PointerVisible = pointers, s.Stairs = stairs;
    return m;
}

ChartModel areas(ChartMultiArea multi, bool view3D) {
    ChartModel m = salesChart(ChartSeriesType::Area, 3, 12);
    m.View.View3D = view3D;
    for (auto& s : m.Series) s.MultiArea = multi;
    return m;
}

ChartModel pie(ChartPieFrame frame, bool gradient, bool view3D, ChartMarksStyle marks) {
    ChartModel m = salesChart(ChartSeriesType::Pie, 1, 6);
    m.Title.Text = QStringLiteral("Répartition des ventes");
    m.View.View3D = view3D;
    m.View.Orthogonal = false;
    m.View.Elevation = 315;
    m.View.Rotation = 360;
    m.View.DepthPercent = 20;
    for (auto& s : m.Series) {
        s.PieFrame = frame, s.PieGradient = gradient;
        s.Marks.Visible = true, s.Marks.Style = marks;
        s.Marks.FrameColor = QColor(0xC0, 0xC0, 0xC0), s.Marks.ShadowColor = QColor(0xE0, 0xE0, 0xE0), s.Marks.SmoothShadow = true;
    }
    return m;
}

ChartModel tridimensional(int rotation, int elevation, int zoom) { return regionMonthChart(rotation, elevation, zoom); }

std::vector<Entry> entries() {
    return {
        {"bars_rectangle_flat", [] { return bars(ChartBarStyle::Rectangle, ChartMultiBar::None, false); }},
        {"bars_gradient_3d_side", [] { return bars(ChartBarStyle::Gradient, ChartMultiBar::Side, true); }},
        {"bars_rectangle_3d_depth", [] { return bars(ChartBarStyle::Rectangle, ChartMultiBar::None, true); }},
        {"bars_cylinder_3d_side", [] { return bars(ChartBarStyle::Cylinder, ChartMultiBar::Side, true); }},
        {"bars_cylinder_flat", [] { return bars(ChartBarStyle::Cylinder, ChartMultiBar::Side, false); }},
        {"bars_arrow_flat", [] { return bars(ChartBarStyle::Arrow, ChartMultiBar::Side, false); }},
        {"bars_arrow_3d_depth", [] { return bars(ChartBarStyle::Arrow, ChartMultiBar::None, true); }},
        {"bars_stacked_3d", [] { return bars(ChartBarStyle::Rectangle, ChartMultiBar::Stacked, true); }},
        {"bars_stacked100_flat", [] { return bars(ChartBarStyle::Rectangle, ChartMultiBar::Stacked100, false); }},
        {"bars_framed_flat",
         [] {
             auto m = bars(ChartBarStyle::Rectangle, ChartMultiBar::Side, false);
             for (auto& s : m.Series) s.BarFrameVisible = true;
             return m;
         }},
        {"horizbars_flat", [] { return bars(ChartBarStyle::Rectangle, ChartMultiBar::Side, false, ChartSeriesType::HorizBar); }},
        {"horizbars_stacked_3d", [] { return bars(ChartBarStyle::Gradient, ChartMultiBar::Stacked, true, ChartSeriesType::HorizBar); }},
        {"horizbars_cylinder_3d", [] { return bars(ChartBarStyle::Cylinder, ChartMultiBar::Side, true, ChartSeriesType::HorizBar); }},
        {"area_none_3d", [] { return areas(ChartMultiArea::None, true); }},
        {"area_stacked_flat", [] { return areas(ChartMultiArea::Stacked, false); }},
        {"area_stacked100_3d", [] { return areas(ChartMultiArea::Stacked100, true); }},
        {"line_flat", [] { return lines(false, false, false); }},
        {"line_points_flat", [] { return lines(true, false, false); }},
        {"line_stairs_flat", [] { return lines(false, true, false); }},
        {"line_3d", [] { return lines(true, false, true); }},
        {"points_flat", [] { return lines(false, false, false, ChartSeriesType::Point); }},
        {"points_3d", [] { return lines(false, false, true, ChartSeriesType::Point); }},
        {"pie_solid_3d", [] { return pie(ChartPieFrame::Solid, false, true, ChartMarksStyle::LabelPercent); }},
        {"pie_dotted_flat", [] { return pie(ChartPieFrame::Dotted, false, false, ChartMarksStyle::LabelValue); }},
        {"pie_borderless_3d", [] { return pie(ChartPieFrame::None, false, true, ChartMarksStyle::Label); }},
        {"pie_gradient_3d", [] { return pie(ChartPieFrame::Solid, true, true, ChartMarksStyle::Value); }},
        {"tridimensional_300_300", [] { return tridimensional(300, 300, 100); }},
        {"tridimensional_345_330", [] { return tridimensional(345, 330, 100); }},
        {"tridimensional_360_360", [] { return tridimensional(360, 360, 100); }},
        {"tridimensional_270_280_zoom150", [] { return tridimensional(270, 280, 150); }},
        {"tridimensional_270_330", [] { return tridimensional(270, 330, 100); }},
        {"tridimensional_330_270", [] { return tridimensional(330, 270, 100); }},
        {"tridimensional_270_270", [] { return tridimensional(270, 270, 100); }},
        {"tridimensional_360_300", [] { return tridimensional(360, 300, 100); }},
        {"tridimensional_300_300_zoom200", [] { return tridimensional(300, 300, 200); }},
        {"tridimensional_300_300_zoom30", [] { return tridimensional(300, 300, 30); }},
        {"tridimensional_300_300_parallel_legend",
         [] {
             auto m = tridimensional(300, 300, 100);
             m.View.Perspective = false;
             m.Legend.Visible = true;
             return m;
         }},
        {"line_turned_315_300",
         [] {
             auto m = lines(true, false, true);
             m.View.Orthogonal = false, m.View.Rotation = 315, m.View.Elevation = 300;
             return m;
         }},
        {"bars_oblique_zoom150", [] {
             auto m = bars(ChartBarStyle::Rectangle, ChartMultiBar::Side, true);
             m.View.Zoom = 150;
             return m;
         }},
        {"right_axis_and_marks",
         [] {
             auto m = salesChart(ChartSeriesType::Bar, 1, 6);
             m.View.View3D = false;
             auto& line = m.AddSeries(ChartSeriesType::Line, QStringLiteral("Marge (%)"));
             line.VerticalAxis = ChartVerticalAxis::Right, line.LineWidth = 2, line.PointerVisible = true;
             line.Color = ChartPaletteColor(1);
             for (int k = 0; k < 6; ++k) line.AddPoint(12.5 + k * 1.75, months()[k]);
             m.Series[0].Marks.Visible = true;
             line.Marks.Visible = true, line.Marks.SmoothShadow = true;
             m.Axis(ChartAxisKind::Right).Title.Caption = QStringLiteral("Marge");
             m.Axis(ChartAxisKind::Right).Visible = true;
             return m;
         }},
        {"label_angles_45_legend_bottom",
         [] {
             auto m = salesChart(ChartSeriesType::Bar, 3, 12);
             m.Axis(ChartAxisKind::Bottom).LabelAngle = 45;
             m.Legend.Alignment = ChartLegendAlignment::Bottom;
             m.Background.Gradient = true, m.Background.Direction = ChartGradientDirection::TopBottom;
             return m;
         }},
        {"label_angles_90_legend_left",
         [] {
             auto m = salesChart(ChartSeriesType::Line, 3, 12);
             m.Axis(ChartAxisKind::Bottom).LabelAngle = 90;
             m.Axis(ChartAxisKind::Left).LabelAngle = -30;
             m.Legend.Alignment = ChartLegendAlignment::Left;
             m.Background.Gradient = true, m.Background.Direction = ChartGradientDirection::FromTopLeft;
             m.View.View3D = false;
             return m;
         }},
        {"legend_top_gradient_horizontal_minor_ticks",
         [] {
             auto m = salesChart(ChartSeriesType::Area, 2, 12);
             m.Legend.Alignment = ChartLegendAlignment::Top;
             m.Legend.FrameVisible = false, m.Legend.ShadowVisible = false;
             m.Background.Gradient = true, m.Background.Direction = ChartGradientDirection::LeftRight;
             m.Axis(ChartAxisKind::Left).MinorTickCount = 4;
             m.Axis(ChartAxisKind::Left).Increment = 250;
             return m;
         }},
        {"many_categories_flat",
         [] {
             auto m = salesChart(ChartSeriesType::Bar, 2, 60);
             for (auto& s : m.Series)
                 for (size_t k = 0; k < s.Points.size(); ++k) s.Points[k].Label = QStringLiteral("Article %1").arg(k + 1);
             m.View.View3D = false;
             return m;
         }},
        {"walls_hidden_transparent_3d",
         [] {
             auto m = bars(ChartBarStyle::Rectangle, ChartMultiBar::Side, true);
             m.Wall(ChartWallKind::Left).Visible = false;
             m.Wall(ChartWallKind::Back).Transparent = true;
             m.Wall(ChartWallKind::Bottom).Color = QColor(0xE0, 0xE0, 0xE0);
             return m;
         }},
        {"negative_values_marks",
         [] {
             auto m = salesChart(ChartSeriesType::Bar, 2, 6);
             m.View.View3D = false;
             for (auto& s : m.Series) {
                 s.Marks.Visible = true;
                 for (auto& p : s.Points) p.Value -= 1100;
             }
             return m;
         }},
        {"empty_chart", [] { return ChartModel(); }},
        {"one_point", [] { auto m = salesChart(ChartSeriesType::Bar, 1, 1); return m; }},
    };
}

}  // namespace

TEST(ChartGallery, WritesEveryTypeAndStyle) {
    const QString folder = qEnvironmentVariable("LORVANE_GALLERY");
    if (folder.isEmpty()) GTEST_SKIP() << "LORVANE_GALLERY names no folder";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const Entry& e : entries()) {
        const QImage image = ChartRenderer::ToImage(e.Make(), QSize(800, 520));
        EXPECT_TRUE(image.save(QDir(folder).filePath(QString::fromLatin1(e.Name) + QStringLiteral(".png")))) << e.Name;
    }
}
