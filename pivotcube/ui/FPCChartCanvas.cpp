#include "FPCChartCanvas.h"

#include "UChartRenderer.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

TPCChartCanvas::TPCChartCanvas(ChartModel& model, QWidget* parent) : QWidget(parent), FModel(model) {
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(60, 60);
}

void TPCChartCanvas::Drag3D(ChartView3D& view, int dx, int dy, bool shift) {
    if (shift) {
        if (!view.Orthogonal)
            view.Zoom = std::clamp(int(std::lround(view.Zoom * std::pow(1.1, dy * 0.1))), 30, 200);
        return;
    }
    if (view.Walls3D) view.Rotation = std::clamp(view.Rotation + dx, 270, 360);
    view.Elevation = std::clamp(view.Elevation + dy, 270, 360);
}

void TPCChartCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ChartRenderer::Render(painter, FModel, QRectF(rect()));
}

void TPCChartCanvas::mousePressEvent(QMouseEvent* event) {
    FLast = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void TPCChartCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->buttons() == Qt::LeftButton) {
        // Moving right turns the chart, moving up raises the eye.
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        const ChartView3D before = FModel.View;
        Drag3D(FModel.View, at.x() - FLast.x(), FLast.y() - at.y(), shift);
        if (FModel.View.Rotation != before.Rotation || FModel.View.Elevation != before.Elevation ||
            FModel.View.Zoom != before.Zoom) {
            update();
            if (Dragged) Dragged();
        }
    }
    FLast = at;
}

void TPCChartCanvas::contextMenuEvent(QContextMenuEvent* event) {
    if (ContextMenu) ContextMenu(event->globalPos());
}
