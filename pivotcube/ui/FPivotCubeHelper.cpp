// The base of the bars around the pivot grid.
#include "FPivotCubeHelper.h"

#include "FPCDragForm.h"
#include "UIconSet.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Every live bar: a drag looks among them for the bar under the pointer.
std::vector<TPivotCubeHelper*>& liveBars() {
    static std::vector<TPivotCubeHelper*> bars;
    return bars;
}

} // namespace

TPivotCubeHelper::TPivotCubeHelper(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), FOrientation(orientation) {
    setMouseTracking(true);   // the resize cursor over the handles
    liveBars().push_back(this);
    RegisterLanguageListener(this);
}

TPivotCubeHelper::~TPivotCubeHelper() {
    UnregisterLanguageListener(this);
    std::erase(liveBars(), this);
    for (TPivotCubeHelper* bar : liveBars())
        if (bar->FPress.Target == this) bar->FPress.Target = nullptr;
    detach();
}

void TPivotCubeHelper::SetPivotCube(TPivotCube* engine) {
    if (engine == FEngine) return;
    detach();
    FEngine = engine;
    if (FEngine) {
        FRepaintListener = FEngine->Subscribe([this] { EngineChanged(); });
        FDestroyedListener = FEngine->SubscribeDestroyed([this] {
            // The engine is going: its listeners must not be touched any more.
            FEngine = nullptr;
            endPress();
            EngineChanged();
        });
    }
    EngineChanged();
}

void TPivotCubeHelper::detach() {
    if (!FEngine) return;
    FEngine->Unsubscribe(FRepaintListener);
    FEngine->Unsubscribe(FDestroyedListener);
    FEngine = nullptr;
}

QString TPivotCubeHelper::MenuImageName(int index) {
    static const char* const names[] = {"Sb_Plus",        "Sb_Minus",          "Sb_Grid_Row_Delete", "Sb_Grid_Row_Insert",
                                        "Sb_Std_Cancel", "Sb_Grid_Transpose", "Sb_Arrow_Down"};
    if (index < 0 || index >= int(std::size(names))) return {};
    return QString::fromLatin1(names[index]);
}

QIcon TPivotCubeHelper::MenuImage(int index) {
    const QImage image = StandardImage(MenuImageName(index));
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

std::unique_ptr<QMenu> TPivotCubeHelper::BuildContextMenu(const QPoint& at) {
    auto menu = std::make_unique<QMenu>(this);
    if (FEngine) FillContextMenu(*menu, at);
    return menu;
}

// --- Geometry --------------------------------------------------------------

QRect TPivotCubeHelper::BlockRect(int index) const {
    const int size = BlockSize();
    return FOrientation == Qt::Horizontal ? QRect(index * size, 0, size, height())
                                          : QRect(0, index * size, width(), size);
}

int TPivotCubeHelper::BlockAt(const QPoint& at) const {
    const int along = FOrientation == Qt::Horizontal ? at.x() : at.y();
    const int size = BlockSize();
    if (along < 0 || size <= 0 || !rect().contains(at)) return -1;
    const int index = along / size;
    return index < BlockCount() ? index : -1;
}

int TPivotCubeHelper::HandleAt(const QPoint& at) const {
    const int along = FOrientation == Qt::Horizontal ? at.x() : at.y();
    const int size = BlockSize();
    if (size <= 0 || !rect().contains(at)) return 0;
    const int nearest = int(std::lround(double(along) / size));
    if (nearest < 1 || nearest > BlockCount()) return 0;
    return std::abs(along - nearest * size) <= HandleReach ? nearest : 0;
}

int TPivotCubeHelper::SlotAt(const QPoint& at) const {
    const int along = FOrientation == Qt::Horizontal ? at.x() : at.y();
    const int size = std::max(BlockSize(), 1);
    return std::clamp(int(std::lround(double(along) / size)), 0, BlockCount());
}

// --- Painting --------------------------------------------------------------

void TPivotCubeHelper::PaintSlotMarker(QPainter& painter) const {
    if (FMarkedSlot < 0) return;
    const int at = std::clamp(FMarkedSlot * BlockSize(), 1, (FOrientation == Qt::Horizontal ? width() : height()) - 2);
    painter.save();
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    if (FOrientation == Qt::Horizontal)
        painter.drawLine(at, 1, at, height() - 2);
    else
        painter.drawLine(1, at, width() - 2, at);
    painter.restore();
}

void TPivotCubeHelper::PaintBlockFrame(QPainter& painter, const QRect& block, const QColor& background) const {
    const QRect r = block.adjusted(0, 0, -1, -1);
    painter.fillRect(r, background);
    painter.setPen(background.lighter(125));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

// --- Mouse -----------------------------------------------------------------

TPivotCubeHelper* TPivotCubeHelper::dropTargetAt(const QPoint& global) const {
    for (TPivotCubeHelper* bar : liveBars()) {
        if (!bar->isVisible() || bar->FEngine != FEngine || !bar->AcceptsDrop(*this)) continue;
        if (bar->rect().contains(bar->mapFromGlobal(global))) return bar;
    }
    return nullptr;
}

void TPivotCubeHelper::setMarkedSlot(int slot) {
    if (slot == FMarkedSlot) return;
    FMarkedSlot = slot;
    update();
}

void TPivotCubeHelper::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FEngine) return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    FPress = {};
    FPress.StartGlobal = event->globalPosition().toPoint();
    if (const int before = HandleAt(at)) {
        FPress.What = Press::Handle;
        FPress.Index = before;
        FPress.StartSize = BlockSize();
        return;
    }
    const int block = BlockAt(at);
    if (block < 0 || PressBlockPart(block, at)) return;
    FPress.What = Press::Block;
    FPress.Index = block;
    FPress.Offset = at - BlockRect(block).topLeft();
}

void TPivotCubeHelper::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    if (FPress.What == Press::None || !FEngine) {
        const bool handle = HandleAt(at) != 0;
        setCursor(handle ? (FOrientation == Qt::Horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor) : Qt::ArrowCursor);
        return;
    }
    if (FPress.What == Press::Handle) {
        const QPoint moved = global - FPress.StartGlobal;
        ResizeBlocks(FPress.StartSize, FOrientation == Qt::Horizontal ? moved.x() : moved.y(), FPress.Index);
        update();
        emit Changed();
        return;
    }
    if (!FPress.Dragging) {
        if ((global - FPress.StartGlobal).manhattanLength() <= DragThreshold) return;
        FPress.Dragging = true;
        FDragImage = std::make_unique<TPCDragForm>(grab(BlockRect(FPress.Index)), FPress.Offset);
        FDragImage->FollowTo(global);
        FDragImage->show();
    }
    FDragImage->FollowTo(global);
    TPivotCubeHelper* target = dropTargetAt(global);
    if (FPress.Target && FPress.Target != target) FPress.Target->setMarkedSlot(-1);
    FPress.Target = target;
    if (target) target->setMarkedSlot(target->SlotAt(target->mapFromGlobal(global)));
}

void TPivotCubeHelper::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool dropping = FPress.Dragging && FEngine;
    const int index = FPress.Index;
    TPivotCubeHelper* target = dropping ? dropTargetAt(event->globalPosition().toPoint()) : nullptr;
    const int slot = target ? target->SlotAt(target->mapFromGlobal(event->globalPosition().toPoint())) : -1;
    endPress();
    if (target) {
        target->Drop(*this, index, slot);
        emit Changed();
        if (target != this) emit target->Changed();
    }
}

void TPivotCubeHelper::endPress() {
    if (FPress.Target) FPress.Target->setMarkedSlot(-1);
    FPress = {};
    FDragImage.reset();
}

void TPivotCubeHelper::contextMenuEvent(QContextMenuEvent* event) {
    if (!FEngine) return;
    std::unique_ptr<QMenu> menu = BuildContextMenu(event->pos());
    if (menu->isEmpty()) return;
    menu->exec(event->globalPos());
}
