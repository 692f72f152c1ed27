// One decimal more or less in a display format.
#include "CChangeDecimals.h"

#include "USysUtils.h"

#include <algorithm>

QString ChangeDecimals(const QString& format, int delta) {
    const QString fallback = QStringLiteral("%.2f");
    // Positions are 1-based, 0 meaning "none", as in the rule the users know
    // from the decimal buttons: the precision is what lies between "%." and
    // the next "f".
    const int p = int(format.indexOf(QLatin1String("%."))) + 1;
    const qsizetype fAt = format.indexOf(QLatin1Char('f'), p + 1);   // 0-based search from 1-based p + 2
    const int q = fAt < 0 ? 0 : int(fAt) + 1;
    if (q == 0) return fallback;
    const QString digits = format.mid(p + 1, std::max(q - p - 2, 0));
    int n = 0;
    if (digits.isEmpty() || !TryStrToInt(digits, n)) return fallback;
    n = std::clamp(n + delta, 0, 9);
    return format.left(p + 1) + QString::number(n) + format.mid(q - 1);
}
