#include "UChartModel.h"

void ChartSeries::AddPoint(double value, const QString& label, const QColor& color) {
    Points.push_back(ChartPoint{label, value, color});
}

ChartModel::ChartModel() {
    QFont bold;
    bold.setBold(true);
    Title.Font = bold;
    Title.Font.setPointSizeF(bold.pointSizeF() * 1.25);
    for (ChartAxis& axis : Axes) axis.Title.Font = bold;
    // The secondary value axes leave the grid to the primary ones.
    Axis(ChartAxisKind::Top).GridVisible = false;
    Axis(ChartAxisKind::Right).GridVisible = false;
    Wall(ChartWallKind::Bottom).Color = QColor(0xF0, 0xF0, 0xF0);
}

ChartSeries& ChartModel::AddSeries(ChartSeriesType type, const QString& title) {
    ChartSeries& series = Series.emplace_back();
    series.Type = type;
    series.Title = title;
    return series;
}

void ChartModel::UndoZoom() {
    for (ChartAxis& axis : Axes) axis.AutomaticMinimum = axis.AutomaticMaximum = true;
}

QColor ChartPaletteColor(int index) {
    // Distinct, print-friendly hues in the order a reader tells them apart best.
    static const QRgb palette[] = {
        0x4472C4, 0xED7D31, 0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x264478, 0x9E480E,
        0x636363, 0x997300, 0x255E91, 0x43682B, 0x698ED0, 0xF1975A, 0xB7B7B7, 0xFFCD33,
    };
    const int n = int(std::size(palette));
    return QColor::fromRgb(palette[((index % n) + n) % n]);
}
