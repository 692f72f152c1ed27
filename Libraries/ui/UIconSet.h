#pragma once
// The program's images by name ("png_error_red_32", "Sb_Plus", ...), read
// from the packed icon resource and kept decoded for the names used last.
// Names are matched without regard to case; an unknown name gives an empty
// image.

#include <QImage>
#include <QString>

QImage StandardImage(const QString& name);

// The images the main window's actions and views tree use by index (a view
// 0, a chart 1, the default mark adds 21, ...); empty for an index without one.
QString ActionImageName(int index);
QImage ActionImage(int index);

// The decoded images kept at most.
constexpr int IconCacheSize = 63;
