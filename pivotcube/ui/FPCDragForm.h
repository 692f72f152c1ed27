#pragma once
// The drag image of the bars: a borderless, always-on-top, half-transparent
// window that lets clicks through and shows a snapshot of the dragged block.
// It follows the mouse, keeping the offset at which the block was grabbed:
// at every mouse move it is told of, and every 10 ms from the cursor
// position (the moves of a drag are not always reported).

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>

class TPCDragForm : public QWidget {
public:
    // Opacity 128 of 255.
    static constexpr double Opacity = 128.0 / 255.0;
    static constexpr int FollowInterval = 10;   // ms

    TPCDragForm(const QPixmap& snapshot, const QPoint& grabOffset);
    // Places the image under a global mouse position.
    void FollowTo(const QPoint& globalMouse);
    const QPoint& GrabOffset() const { return FOffset; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void followCursor();
    QPixmap FSnapshot;
    QPoint FOffset, FLastCursor;
    QTimer FTimer;
};
