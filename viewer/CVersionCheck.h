#pragma once
// The daily version check: at most once a day (registry "WebCheck" holds the
// date-time before which no new check is made) the version page is
// downloaded; when the version it names is newer than the program's own, the
// user is offered the product web site. A failed download ends quietly and
// the next check waits a day all the same.

#include "UAppVersion.h"
#include "UInternetClient.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The version page as text: markup and character references removed when
// it holds any, trimmed.
QString VersionPageText(const QByteArray& page);

// Build-time addresses (empty version address: no check at all).
QString DefaultVersionURL();
QString ProductWebSite();

class TVersionCheck {
public:
    // A version page is a few bytes; anything longer is cut here.
    static constexpr qint64 MaxPageSize = 65536;

    TVersionCheck();

    QString VersionURL = DefaultVersionURL();
    QString WebSite = ProductWebSite();
    std::optional<TVersionNumber> OwnVersion = AppFileVersion();

    TInternetClient& Client() { return FClient; }
    // Starts a download unless one is in flight, the address is empty or
    // "WebCheck" lies in the future.
    void Start();
    // Ends the check: running transfers are dropped without a word.
    void Stop() { FClient.SetActive(false); FInFlight = false; }
    bool InFlight() const { return FInFlight; }

private:
    void completed(const QByteArray& data);

    TInternetClient FClient;
    bool FInFlight = false;
};
