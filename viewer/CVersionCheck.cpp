// The version check and its completion.
#include "CVersionCheck.h"

#include "UHierarchicalWriter.h"
#include "USettings.h"
#include "UShellOpen.h"
#include "UStdMessageDlg.h"
#include "USysUtils.h"

#ifndef LORVANE_VERSION_URL
#define LORVANE_VERSION_URL ""
#endif
#ifndef LORVANE_WEBSITE_URL
#define LORVANE_WEBSITE_URL ""
#endif

namespace {

const QString RegistryKey = QStringLiteral("Software\\Veltrano\\Lorvane");
const QString WebCheckValue = QStringLiteral("WebCheck");

}  // namespace

QString DefaultVersionURL() { return QStringLiteral(LORVANE_VERSION_URL); }
QString ProductWebSite() { return QStringLiteral(LORVANE_WEBSITE_URL); }

QString VersionPageText(const QByteArray& page) {
    QString text = QString::fromLocal8Bit(page);
    if (text.contains(QLatin1Char('&')) || text.contains(QLatin1Char('<'))) text = MarkupToText(text);
    return text.trimmed();
}

TVersionCheck::TVersionCheck() {
    FClient.SetMaxDataSize(MaxPageSize);
    // An error page is no version page, whatever it holds.
    FClient.OnDownloadTerminatedEx = [this](const QString&, const QByteArray& data, int, const QString& status,
                                            const QString&) {
        completed(status.startsWith(QLatin1Char('2')) ? data : QByteArray());
    };
}

void TVersionCheck::Start() {
    if (FInFlight || VersionURL.isEmpty()) return;
    const double notBefore =
        StrToFloatDef(ReadRegString(HKEY_CURRENT_USER, RegistryKey, WebCheckValue, QString()), 0);
    if (notBefore >= Now()) return;
    FInFlight = true;
    FClient.SetActive(true);
    FClient.DownloadURL(VersionURL, 0);
}

void TVersionCheck::completed(const QByteArray& data) {
    FInFlight = false;
    WriteRegString(HKEY_CURRENT_USER, RegistryKey, WebCheckValue, FloatToStr(Now() + 1));
    QString text = VersionPageText(data);
    if (!OwnVersion) return;
    if (CompareVersions(ParseVersion(text), *OwnVersion) <= 0) return;
    // A page that only starts with a version is shown short.
    if (text.size() > 40) text = text.left(40) + QStringLiteral("...");
    // Numbered placeholders, so that the question can be translated.
    if (AskQuestion(QStringLiteral("Une nouvelle version (%0:s) de Lorvane est disponible sur\r\n%1:s\r\nAller sur le "
                                   "site web pour la récupérer?"),
                    {text, WebSite}))
        ShellOpen(WebSite);
}
