// Version numbers: parsing, comparison, the program's own.
#include "UAppVersion.h"

#include "USysUtils.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QStringList>

#ifndef LORVANE_VERSION
#define LORVANE_VERSION ""
#endif

TVersionNumber ParseVersion(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('v')) || t.startsWith(QLatin1Char('V'))) t.remove(0, 1);
    TVersionNumber version{0, 0, 0, 0};
    const QStringList parts = t.split(QLatin1Char('.'));
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        bool ok = false;
        const int n = parts[i].toInt(&ok);
        version[size_t(i)] = ok ? n : -1;
    }
    return version;
}

int CompareVersions(const TVersionNumber& a, const TVersionNumber& b) {
    for (size_t i = 0; i < 4; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

std::optional<TVersionNumber> AppFileVersion() {
    const QString built = QStringLiteral(LORVANE_VERSION);
    if (built.isEmpty()) return std::nullopt;
    return ParseVersion(built);
}

QString GetAppVersionString() {
    static const QString cached = [] {
        if (const std::optional<TVersionNumber> v = AppFileVersion())
            return QStringLiteral("%1.%2.%3.%4").arg((*v)[0]).arg((*v)[1]).arg((*v)[2]).arg((*v)[3]);
        const QFileInfo program(QCoreApplication::applicationFilePath());
        const QDateTime when = program.lastModified();
        return FormatDateTime(QStringLiteral("yyyy.m.d.hhnn"),
                              EncodeDate(when.date().year(), when.date().month(), when.date().day()) +
                                  EncodeTime(when.time().hour(), when.time().minute(), 0, 0));
    }();
    return cached;
}
