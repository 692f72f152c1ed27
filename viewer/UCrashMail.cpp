// The e-mail that carries a crash report.
#include "UCrashMail.h"

#include "UShellOpen.h"

#include <QFileInfo>
#include <QUrlQuery>

#ifndef LORVANE_SUPPORT_MAIL
#define LORVANE_SUPPORT_MAIL ""
#endif

namespace {

const QString Prompt = QStringLiteral("**Saisissez ici vos details sur le contexte de l'erreur**");

}  // namespace

QString SupportMailbox() { return QStringLiteral(LORVANE_SUPPORT_MAIL); }

QString RemoveAccents(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0xC0 || u > 0xFF || u == 0xD7 || u == 0xF7) {
            out += c;
            continue;
        }
        switch (u) {
        case 0xC6: out += QStringLiteral("AE"); continue;
        case 0xE6: out += QStringLiteral("ae"); continue;
        case 0xD0: out += QLatin1Char('D'); continue;
        case 0xF0: out += QLatin1Char('d'); continue;
        case 0xD8: out += QLatin1Char('O'); continue;
        case 0xF8: out += QLatin1Char('o'); continue;
        case 0xDE: out += QStringLiteral("Th"); continue;
        case 0xFE: out += QStringLiteral("th"); continue;
        case 0xDF: out += QStringLiteral("ss"); continue;
        default: break;
        }
        const QString decomposed = QString(c).normalized(QString::NormalizationForm_D);
        out += decomposed.isEmpty() ? c : decomposed.at(0);
    }
    return out;
}

QString CrashMailSubject(const QString& className) {
    return QStringLiteral("ERR : ") + RemoveAccents(className);
}

QStringList CrashMailArguments(const QString& className, const QString& message, const QString& reportPath) {
    const QString body = Prompt + QStringLiteral("\r\n\r\nMessage de l'erreur : \r\n") + RemoveAccents(message);
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), CrashMailSubject(className),
                          QStringLiteral("--body"), body};
    if (!reportPath.isEmpty()) arguments << QStringLiteral("--attach") << reportPath;
    arguments << SupportMailbox();
    return arguments;
}

QUrl CrashMailURL(const QString& className, const QString& message, const QString& reportPath) {
    const auto noAmpersand = [](QString text) { return RemoveAccents(text).replace(QLatin1Char('&'), QLatin1Char('_')); };
    const QString body = Prompt + QStringLiteral("\r\n\r\n**Vérifiez que la pièce jointe ") + reportPath +
                         QStringLiteral(" est bien présente**\r\n\r\nMessage de l'erreur : \r\n") +
                         noAmpersand(message);
    QUrlQuery query;
    const auto encoded = [](const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    query.addQueryItem(QStringLiteral("subject"), encoded(QStringLiteral("ERR : ") + noAmpersand(className)));
    query.addQueryItem(QStringLiteral("body"), encoded(body));
    query.addQueryItem(QStringLiteral("attachment"), encoded(QLatin1Char('"') + reportPath + QLatin1Char('"')));
    QUrl url(QStringLiteral("mailto:") + SupportMailbox());
    url.setQuery(query);
    return url;
}

bool SendCrashReport(const QString& className, const QString& message, const QString& reportPath,
                     const QString& xdgEmail) {
    if (!xdgEmail.isEmpty() && !reportPath.isEmpty() && QFileInfo::exists(reportPath) &&
        ShellService().StartProgram(xdgEmail, CrashMailArguments(className, message, reportPath)))
        return true;
    return ShellService().OpenUrl(CrashMailURL(className, message, reportPath));
}
