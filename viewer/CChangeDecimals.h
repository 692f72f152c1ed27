#pragma once
// The number of decimals of a display format such as "%.2f €", one more or
// one less (0 … 9); a format without a readable precision becomes "%.2f".

#include <QString>

QString ChangeDecimals(const QString& format, int delta);
