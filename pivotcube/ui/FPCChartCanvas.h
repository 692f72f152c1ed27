#pragma once
// The drawing of the chart view: paints a chart model and turns left-button
// drags into 3D rotation, elevation and (with Shift) zoom.

#include "UChartModel.h"

#include <QPoint>
#include <QWidget>

#include <functional>

class TPCChartCanvas : public QWidget {
    Q_OBJECT
public:
    TPCChartCanvas(ChartModel& model, QWidget* parent = nullptr);

    // The drag rules on a model (kept apart so that they can be checked alone):
    // dx, dy are the mouse movement since the last position.
    static void Drag3D(ChartView3D& view, int dx, int dy, bool shift);

    // Told after a drag changed the 3D settings.
    std::function<void()> Dragged;
    // Builds the context menu's actions; set by the chart view.
    std::function<void(const QPoint& globalPos)> ContextMenu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ChartModel& FModel;
    QPoint FLast;
};
