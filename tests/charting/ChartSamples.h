#pragma once
// Small business-like charts for the tests and the gallery.
#include "UChartModel.h"

#include <QStringList>

#include <cmath>

namespace chartsamples {

inline const QStringList& months() {
    static const QStringList m = {"Janvier", "Février", "Mars", "Avril", "Mai", "Juin",
                                  "Juillet", "Août", "Septembre", "Octobre", "Novembre", "Décembre"};
    return m;
}

inline const QStringList& regions() {
    static const QStringList r = {"Nord", "Sud", "Est", "Ouest", "Centre"};
    return r;
}

// A chart with series of the given type: one per region, one point per month.
inline ChartModel salesChart(ChartSeriesType type, int seriesCount = 3, int points = 6) {
    ChartModel model;
    model.Title.Text = QStringLiteral("Ventes par région");
    model.Legend.Visible = true;
    for (int s = 0; s < seriesCount; ++s) {
        ChartSeries& series = model.AddSeries(type, regions()[s % regions().size()]);
        series.Color = ChartPaletteColor(s);
        series.BarFrameVisible = false;
        for (int k = 0; k < points; ++k)
            series.AddPoint(std::round(800 + 600 * std::sin(k * 0.7 + s * 1.3) + 250 * s + 40 * k),
                            months()[k % months().size()]);
    }
    model.Axis(ChartAxisKind::Left).Title.Caption = QStringLiteral("Montant");
    model.Axis(ChartAxisKind::Bottom).Title.Caption = QStringLiteral("Mois");
    return model;
}

// The chart view's tridimensional direction: one row of bars per region,
// blank spacer series between rows, seen turned in perspective.
inline ChartModel regionMonthChart(int rotation, int elevation, int zoom = 100) {
    ChartModel m;
    m.Legend.Visible = false;
    m.Title.Text = QStringLiteral("Montant par région et par mois");
    m.View.View3D = true, m.View.Orthogonal = false;
    m.View.Rotation = rotation, m.View.Elevation = elevation, m.View.Zoom = zoom;
    m.View.DepthPercent = 200 / 5 + 1;
    m.Wall(ChartWallKind::Left).Color = QColor(0xFF, 0xFF, 0x80);
    for (int r = 0; r < 5; ++r) {
        if (r > 0) m.AddSeries(ChartSeriesType::Bar, QStringLiteral(" "));
        ChartSeries& s = m.AddSeries(ChartSeriesType::Bar, regions()[r]);
        QColor c = QColor(0, 0, 255).toHsl();
        s.Color = QColor::fromHslF(std::fmod(c.hslHueF() + r * 0.11, 1.0), c.hslSaturationF(), c.lightnessF());
        s.BarFrameVisible = false;
        for (int k = 0; k < 6; ++k) s.AddPoint(std::round(300 + 250 * std::sin(k + r) + 90 * r), months()[k]);
    }
    m.Axis(ChartAxisKind::Left).Title.Caption = QStringLiteral("Somme");
    m.Axis(ChartAxisKind::Bottom).Title.Caption = QStringLiteral("Mois");
    m.Axis(ChartAxisKind::Depth).Title.Caption = QStringLiteral("Région");
    return m;
}

// A bare chart: no title, no legend, no 3D, no walls; for pixel checks.
inline ChartModel bareChart() {
    ChartModel model;
    model.Legend.Visible = false;
    model.View.View3D = false;
    model.View.Walls3D = false;
    model.AntiAlias = false;
    for (ChartAxis& axis : model.Axes) axis.Visible = false;
    return model;
}

}  // namespace chartsamples
