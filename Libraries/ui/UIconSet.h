#pragma once
// The program's images by name ("png_error_red_32", "Sb_Plus", ...), read
// from the packed icon resource and kept decoded for the names used last.
// Names are matched without regard to case; an unknown name gives an empty
// image.

#include <QImage>
#include <QString>

QImage StandardImage(const QString& name);

// The decoded images kept at most.
constexpr int IconCacheSize = 63;
