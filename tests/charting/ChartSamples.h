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
