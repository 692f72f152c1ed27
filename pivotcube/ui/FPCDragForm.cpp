// The drag image of the bars.
#include "FPCDragForm.h"

#include <QCursor>
#include <QPainter>

TPCDragForm::TPCDragForm(const QPixmap& snapshot, const QPoint& grabOffset)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      FSnapshot(snapshot), FOffset(grabOffset), FLastCursor(QCursor::pos()) {
    setObjectName(QStringLiteral("TPCDragForm"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowOpacity(Opacity);
    setFixedSize(snapshot.deviceIndependentSize().toSize());
    connect(&FTimer, &QTimer::timeout, this, [this] { followCursor(); });
    FTimer.start(FollowInterval);
}

void TPCDragForm::FollowTo(const QPoint& globalMouse) { move(globalMouse - FOffset); }

void TPCDragForm::followCursor() {
    // Only a cursor that really moved: a stale position must not undo the
    // last reported move.
    const QPoint cursor = QCursor::pos();
    if (cursor == FLastCursor) return;
    FLastCursor = cursor;
    FollowTo(cursor);
}

void TPCDragForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, FSnapshot);
}
