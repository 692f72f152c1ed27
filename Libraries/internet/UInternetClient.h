#pragma once
// TInternetClient downloads URLs in background threads: DownloadURL queues a
// request (GET, or POST when data is given) and starts as many transfers as
// MaxThreadCount allows; each finished transfer fires OnDownloadTerminated
// and OnDownloadTerminatedEx, and every received block OnDownloadProgress.
// Events run on the thread that owns the client unless MultiThreaded is set,
// in which case they run in the transfer's own thread.
//
// Switching Active off detaches the running transfers (they stop and never
// fire an event) and empties the queue; a request queued while the client is
// inactive ends at once with empty data. Destroying the client deactivates it
// and waits (briefly) for its transfers to stop.

#include "UDownloadQueue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct TReadFileThread;
struct TTransferTracker;

// Where a POST goes: the host is the text after "//" up to the next "/", a ":"
// in it introduces the port (80 when missing or not a number), the path is the
// rest from that "/" on ("/" when nothing follows the host).
struct TPostTarget {
    QString Host;
    int Port = 80;
    QString Path;
    QString URL() const;  // "http://host:port/path"
};
TPostTarget SplitPostURL(const QString& url);

// The URL as a browser sends it: unsafe characters percent-encoded, encoded
// ones kept.
QString CanonicalizeURL(const QString& url);

class TInternetClient : public QObject {
    Q_OBJECT
public:
    using TDownloadTerminatedEvent = std::function<void(const QString& url, const QByteArray& data, int context)>;
    using TDownloadTerminatedExEvent =
        std::function<void(const QString& url, const QByteArray& data, int context, const QString& statusCode,
                           const QString& contentType)>;
    using TDownloadProgressEvent = std::function<void(const QString& url, const QByteArray& dataSoFar, int context)>;

    // Receive time-out used when TimeOut is 0.
    static constexpr int DefaultTimeOut = 30000;
    // Size of one read.
    static constexpr int BlockSize = 16384;

    explicit TInternetClient(QObject* parent = nullptr);
    ~TInternetClient() override;

    bool Active() const;
    void SetActive(bool active);

    QString UserAgent() const;
    void SetUserAgent(QString agent);
    int MaxThreadCount() const;
    void SetMaxThreadCount(int count);  // values below 1 become 1
    bool MultiThreaded() const;
    void SetMultiThreaded(bool on);
    bool IgnoreProxy() const;
    void SetIgnoreProxy(bool on);
    int TimeOut() const;  // milliseconds without data before a transfer gives up; 0: DefaultTimeOut
    void SetTimeOut(int milliseconds);
    QString ProxyUser() const;
    void SetProxyUser(QString user);
    QString ProxyPass() const;
    void SetProxyPass(QString password);
    // Largest answer kept, in bytes; a longer one is cut there. 0: no limit.
    qint64 MaxDataSize() const;
    void SetMaxDataSize(qint64 bytes);

    TDownloadTerminatedEvent OnDownloadTerminated;
    TDownloadTerminatedExEvent OnDownloadTerminatedEx;
    TDownloadProgressEvent OnDownloadProgress;

    // headers are extra request header lines ("Name: value"); postData present
    // makes the request a POST; an empty referer sends none.
    void DownloadURL(const QString& url, int context, const QStringList& headers = {},
                     const std::optional<QByteArray>& postData = std::nullopt, const QString& referer = {});

    int RunningCount() const;
    int QueuedCount() const { return FQueue.Count(); }

private:
    friend struct TReadFileThread;
    void dispatch();
    void startTransfer(const std::shared_ptr<TReadFileThread>& transfer);
    // The end of a transfer on the thread that fires the events.
    void transferEnded(const std::shared_ptr<TReadFileThread>& transfer);
    void fireTerminated(const QString& url, const QByteArray& data, int context, const QString& status,
                        const QString& contentType);
    void deactivate();

    mutable std::mutex FSettingsLock;
    bool FActive = false;
    QString FUserAgent = QStringLiteral("Mozilla/4.0 (compatible)");
    int FMaxThreadCount = 4;
    bool FMultiThreaded = false;
    bool FIgnoreProxy = false;
    int FTimeOut = 0;
    QString FProxyUser, FProxyPass;
    qint64 FMaxDataSize = 0;

    mutable std::mutex FRunningLock;
    std::vector<std::shared_ptr<TReadFileThread>> FRunning;
    TThreadDownloadQueue FQueue;
    std::shared_ptr<TTransferTracker> FTracker;
};
