#pragma once
// Where the main window opens: the stored bounds, unless they lie off every
// monitor's work area, in which case a placement 100 pixels inside the screen.

#include <QList>
#include <QRect>

// stored: Left, Top, Width, Height as read (Width and Height default to the
// screen size less 200); workAreas: every monitor's available geometry;
// screen: the primary screen's size.
QRect WindowPlacement(const QRect& stored, const QList<QRect>& workAreas, const QSize& screen);
