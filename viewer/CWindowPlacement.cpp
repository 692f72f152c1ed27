// Where the main window opens.
#include "CWindowPlacement.h"

QRect WindowPlacement(const QRect& stored, const QList<QRect>& workAreas, const QSize& screen) {
    for (const QRect& area : workAreas)
        if (area.intersects(stored)) return stored;
    // Left, top, right, bottom 100 pixels inside the screen.
    return QRect(QPoint(100, 100), QPoint(screen.width() - 100 - 1, screen.height() - 100 - 1));
}
