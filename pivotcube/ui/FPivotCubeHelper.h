#pragma once
// The base of the bars around the pivot grid: a row of equal blocks, left to
// right or top to bottom, attached to one pivot engine. The bar repaints when
// the engine changes and lets go of it when it goes; it resizes its blocks
// from the handles at their ends, drags a block to a slot of a bar of the
// same engine (with the drag image and the slot marker), and builds its
// context menu afresh each time it opens. What a block shows, what a drop
// does and what the menu holds are the bars' own.

#include "CPivotCube.h"
#include "UMultiLang.h"

#include <QIcon>
#include <QPoint>
#include <QWidget>

#include <memory>

class QMenu;
class QPainter;
class TPCDragForm;

class TPivotCubeHelper : public QWidget, private ILanguageListener {
    Q_OBJECT
public:
    explicit TPivotCubeHelper(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~TPivotCubeHelper() override;

    TPivotCube* PivotCube() const { return FEngine; }
    // Attaches the bar to an engine (none detaches it).
    void SetPivotCube(TPivotCube* engine);

    // The context menu at a point of the bar, built afresh; the caller owns it.
    std::unique_ptr<QMenu> BuildContextMenu(const QPoint& at);

    // The bars' menu images by index: 0 "Sb_Plus", 1 "Sb_Minus",
    // 2 "Sb_Grid_Row_Delete", 3 "Sb_Grid_Row_Insert", 4 "Sb_Std_Cancel",
    // 5 "Sb_Grid_Transpose", 6 "Sb_Arrow_Down".
    static QString MenuImageName(int index);
    static QIcon MenuImage(int index);

    Qt::Orientation Orientation() const { return FOrientation; }
    virtual int BlockCount() const = 0;
    virtual int BlockSize() const = 0;
    QRect BlockRect(int index) const;
    // The block under a point, -1 when none.
    int BlockAt(const QPoint& at) const;
    // The handle under a point (the end of a block): the number of blocks
    // before it, 0 when there is none.
    int HandleAt(const QPoint& at) const;
    // The block boundary (0 … BlockCount) nearest to a point.
    int SlotAt(const QPoint& at) const;
    // The slot a drag over this bar would drop at, -1 when none is over it.
    int MarkedSlot() const { return FMarkedSlot; }
    // A block is being dragged from this bar (past the first pixels).
    bool IsDragging() const { return FPress.Dragging; }
    TPCDragForm* DragImage() const { return FDragImage.get(); }

    // A press must move more than this (sum of both distances) to start a drag.
    static constexpr int DragThreshold = 2;
    static constexpr int HandleReach = 3;   // pixels on each side of a block's end

signals:
    // After the bar changed the engine or one of its own sizes.
    void Changed();

protected:
    // A handle moved by distance from where it was pressed; startSize is the
    // block size at the press.
    virtual void ResizeBlocks(int startSize, int distance, int blocksBefore) = 0;
    // A press on a part of a block that is not dragged (a drop-down arrow, a
    // colour button): true when it was handled.
    virtual bool PressBlockPart(int index, const QPoint& at) {
        (void)index;
        (void)at;
        return false;
    }
    // Whether a block dragged from source may drop on this bar.
    virtual bool AcceptsDrop(const TPivotCubeHelper& source) const = 0;
    // Block index of source dropped at slot of this bar.
    virtual void Drop(TPivotCubeHelper& source, int index, int slot) = 0;
    virtual void FillContextMenu(QMenu& menu, const QPoint& at) = 0;
    // The engine told of a change (also after a language change).
    virtual void EngineChanged() { update(); }

    // The line that marks the slot a drag would drop at.
    void PaintSlotMarker(QPainter& painter) const;
    // A block framed as a raised panel, with a background colour.
    void PaintBlockFrame(QPainter& painter, const QRect& block, const QColor& background) const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void LanguageChanged() override { EngineChanged(); }
    void detach();
    // The bar of the same engine under a global point that accepts a drop from this one.
    TPivotCubeHelper* dropTargetAt(const QPoint& global) const;
    void setMarkedSlot(int slot);
    void endPress();

    Qt::Orientation FOrientation;
    TPivotCube* FEngine = nullptr;
    int FRepaintListener = 0, FDestroyedListener = 0;
    int FMarkedSlot = -1;
    struct Press {
        enum Kind { None, Block, Handle } What = None;
        int Index = 0;          // the block, or the blocks before the handle
        QPoint StartGlobal;
        QPoint Offset;          // in the block
        int StartSize = 0;
        bool Dragging = false;
        TPivotCubeHelper* Target = nullptr;
    } FPress;
    std::unique_ptr<TPCDragForm> FDragImage;
};
