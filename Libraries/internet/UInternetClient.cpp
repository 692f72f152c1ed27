// The download client: the dispatch of queued requests, the transfer threads
// (libcurl) and deactivation.
#include "UInternetClient.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

// Taken by a transfer while it reads its parameters and fires its events in
// its own thread, and by deactivation while it detaches the transfers.
static std::recursive_mutex& processLock() {
    static std::recursive_mutex lock;
    return lock;
}

// Counts the transfer threads of one client that have not ended yet.
struct TTransferTracker {
    std::mutex lock;
    std::condition_variable ended;
    int live = 0;
};

struct TReadFileThread : std::enable_shared_from_this<TReadFileThread> {
    TInternetClient* Owner = nullptr;  // cleared (under processLock) when detached
    TDownloadQueueItem Item;
    QString URL;  // canonical
    QString UserAgent, ProxyUser, ProxyPass;
    bool IgnoreProxy = false;
    bool EventsInWorker = false;
    int TimeOut = 0;
    qint64 MaxDataSize = 0;
    std::atomic<bool> Stop{false};

    std::mutex DataLock;
    QByteArray Data;
    QString StatusCode, ContentType;
    std::atomic<bool> ProgressPending{false};
    QElapsedTimer LastActivity;  // guarded by DataLock
};

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Hosts a proxy must never see: the machine itself.
QByteArray noProxyList() {
    QByteArray list = qgetenv("no_proxy");
    if (list.isEmpty()) list = qgetenv("NO_PROXY");
    if (!list.isEmpty()) list += ',';
    return list + "localhost,127.0.0.1,::1";
}

void fireProgress(TReadFileThread& t, const QByteArray& dataSoFar);

size_t onData(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<TReadFileThread*>(user);
    if (t.Stop) return 0;
    const size_t n = size * count;
    QByteArray snapshot;
    bool cut = false;
    {
        std::lock_guard guard(t.DataLock);
        qint64 take = qint64(n);
        if (t.MaxDataSize > 0 && t.Data.size() + take > t.MaxDataSize) {
            take = std::max<qint64>(t.MaxDataSize - t.Data.size(), 0);
            cut = true;
        }
        t.Data.append(data, qsizetype(take));
        t.LastActivity.start();
        snapshot = t.Data;
    }
    fireProgress(t, snapshot);
    return cut ? 0 : n;
}

size_t onHeader(char*, size_t size, size_t count, void* user) {
    auto& t = *static_cast<TReadFileThread*>(user);
    std::lock_guard guard(t.DataLock);
    t.LastActivity.start();
    return size * count;
}

// Runs the request of one transfer; the data, status and content type end
// up in the transfer.
void performTransfer(TReadFileThread& t) {
    initCurlOnce();
    CURL* easy = curl_easy_init();
    if (!easy) return;
    const int timeOut = t.TimeOut > 0 ? t.TimeOut : TInternetClient::DefaultTimeOut;
    const bool post = t.Item.PostData.has_value();
    const QByteArray url = post ? SplitPostURL(t.URL).URL().toUtf8() : t.URL.toUtf8();
    const QByteArray agent = t.UserAgent.toUtf8();
    const QByteArray referer = t.Item.Referer.toUtf8();
    const QByteArray proxyUser = t.ProxyUser.toUtf8(), proxyPass = t.ProxyPass.toUtf8();
    const QByteArray noProxy = t.IgnoreProxy ? QByteArray("*") : noProxyList();
    QByteArray body = post ? *t.Item.PostData : QByteArray();
    t.Item.PostData.reset();

    curl_slist* headers = nullptr;
    // Never an answer from a cache.
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    for (const QString& line : t.Item.Headers)
        if (!line.trimmed().isEmpty()) headers = curl_slist_append(headers, line.trimmed().toUtf8().constData());

    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, post ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(TInternetClient::BlockSize));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(timeOut));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
    if (!referer.isEmpty()) curl_easy_setopt(easy, CURLOPT_REFERER, referer.constData());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.constData());
    if (t.IgnoreProxy) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
    } else if (!proxyUser.isEmpty() || !proxyPass.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxyUser.constData());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxyPass.constData());
    }
    if (post) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    }

    // A multi handle with short waits, so that a stop request or the
    // receive time-out ends the transfer promptly.
    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, easy);
    {
        std::lock_guard guard(t.DataLock);
        t.LastActivity.start();
    }
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        if (running == 0 || t.Stop) break;
        {
            std::lock_guard guard(t.DataLock);
            if (t.LastActivity.elapsed() > timeOut) break;
        }
        curl_multi_poll(multi, nullptr, 0, 20, nullptr);
    }
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    char* type = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
    {
        std::lock_guard guard(t.DataLock);
        t.StatusCode = code > 0 ? QString::number(code) : QString();
        t.ContentType = type ? QString::fromLatin1(type) : QString();
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
}

void fireProgress(TReadFileThread& t, const QByteArray& dataSoFar) {
    if (t.EventsInWorker) {
        std::lock_guard guard(processLock());
        if (t.Owner && t.Owner->OnDownloadProgress) t.Owner->OnDownloadProgress(t.URL, dataSoFar, t.Item.Context);
        return;
    }
    // On the owner's thread one progress event is pending at a time; it
    // reports the data received by the time it runs.
    if (t.ProgressPending.exchange(true)) return;
    std::lock_guard guard(processLock());
    if (!t.Owner) return;
    TInternetClient* owner = t.Owner;
    QMetaObject::invokeMethod(
        owner,
        [owner, tp = t.shared_from_this()] {
            tp->ProgressPending = false;
            QByteArray data;
            {
                std::lock_guard guard(tp->DataLock);
                data = tp->Data;
            }
            std::unique_lock lock(processLock());
            const bool attached = tp->Owner == owner;
            lock.unlock();
            if (attached && owner->OnDownloadProgress) owner->OnDownloadProgress(tp->URL, data, tp->Item.Context);
        },
        Qt::QueuedConnection);
}

}  // namespace

QString TPostTarget::URL() const {
    return QStringLiteral("http://") + Host + QLatin1Char(':') + QString::number(Port) + Path;
}

TPostTarget SplitPostURL(const QString& url) {
    TPostTarget target;
    qsizetype start = url.indexOf(QStringLiteral("//"));
    start = start < 0 ? 0 : start + 2;
    const qsizetype slash = url.indexOf(QLatin1Char('/'), start);
    QString host = slash < 0 ? url.mid(start) : url.mid(start, slash - start);
    target.Path = slash < 0 ? QStringLiteral("/") : url.mid(slash);
    const qsizetype colon = host.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int port = host.mid(colon + 1).toInt(&ok);
        target.Port = ok && port > 0 && port < 65536 ? port : 80;
        host.truncate(colon);
    }
    target.Host = host;
    return target;
}

QString CanonicalizeURL(const QString& url) {
    const QUrl parsed(url.trimmed(), QUrl::TolerantMode);
    return parsed.isValid() ? QString::fromLatin1(parsed.toEncoded()) : url.trimmed();
}

TInternetClient::TInternetClient(QObject* parent) : QObject(parent), FTracker(std::make_shared<TTransferTracker>()) {}

TInternetClient::~TInternetClient() {
    deactivate();
    // Detached transfers notice their stop request within a few
    // milliseconds; none may outlive the program's end unseen.
    std::unique_lock lock(FTracker->lock);
    FTracker->ended.wait_for(lock, std::chrono::seconds(5), [this] { return FTracker->live == 0; });
}

#define LORVANE_SETTING(Type, Getter, Setter, Field, Adjust) \
    Type TInternetClient::Getter() const {                   \
        std::lock_guard guard(FSettingsLock);                \
        return Field;                                        \
    }                                                        \
    void TInternetClient::Setter(Type value) {               \
        std::lock_guard guard(FSettingsLock);                \
        Field = Adjust;                                      \
    }
LORVANE_SETTING(QString, UserAgent, SetUserAgent, FUserAgent, value)
LORVANE_SETTING(int, MaxThreadCount, SetMaxThreadCount, FMaxThreadCount, std::max(value, 1))
LORVANE_SETTING(bool, MultiThreaded, SetMultiThreaded, FMultiThreaded, value)
LORVANE_SETTING(bool, IgnoreProxy, SetIgnoreProxy, FIgnoreProxy, value)
LORVANE_SETTING(int, TimeOut, SetTimeOut, FTimeOut, std::max(value, 0))
LORVANE_SETTING(QString, ProxyUser, SetProxyUser, FProxyUser, value)
LORVANE_SETTING(QString, ProxyPass, SetProxyPass, FProxyPass, value)
LORVANE_SETTING(qint64, MaxDataSize, SetMaxDataSize, FMaxDataSize, std::max<qint64>(value, 0))
#undef LORVANE_SETTING

bool TInternetClient::Active() const {
    std::lock_guard guard(FSettingsLock);
    return FActive;
}

void TInternetClient::SetActive(bool active) {
    if (active) {
        initCurlOnce();
        std::lock_guard guard(FSettingsLock);
        FActive = true;
        return;
    }
    deactivate();
}

int TInternetClient::RunningCount() const {
    std::lock_guard guard(FRunningLock);
    return int(FRunning.size());
}

void TInternetClient::DownloadURL(const QString& url, int context, const QStringList& headers,
                                  const std::optional<QByteArray>& postData, const QString& referer) {
    TDownloadQueueItem item;
    item.URL = url;
    item.Context = context;
    item.Headers = headers;
    item.PostData = postData;
    item.Referer = referer;
    FQueue.Push(std::move(item));
    dispatch();
}

void TInternetClient::dispatch() {
    for (;;) {
        std::shared_ptr<TReadFileThread> transfer;
        std::optional<TDownloadQueueItem> inactive;
        {
            std::lock_guard running(FRunningLock);
            std::lock_guard settings(FSettingsLock);
            if (int(FRunning.size()) >= FMaxThreadCount) return;
            std::optional<TDownloadQueueItem> item = FQueue.Pop();
            if (!item) return;
            if (!FActive) {
                inactive = std::move(item);
            } else {
                transfer = std::make_shared<TReadFileThread>();
                transfer->Owner = this;
                transfer->Item = std::move(*item);
                transfer->URL = CanonicalizeURL(transfer->Item.URL);
                transfer->UserAgent = FUserAgent;
                transfer->ProxyUser = FProxyUser;
                transfer->ProxyPass = FProxyPass;
                transfer->IgnoreProxy = FIgnoreProxy;
                transfer->EventsInWorker = FMultiThreaded;
                transfer->TimeOut = FTimeOut;
                transfer->MaxDataSize = FMaxDataSize;
                FRunning.push_back(transfer);
            }
        }
        if (inactive) {
            fireTerminated(inactive->URL, QByteArray(), inactive->Context, QString(), QString());
            continue;
        }
        startTransfer(transfer);
    }
}

void TInternetClient::startTransfer(const std::shared_ptr<TReadFileThread>& transfer) {
    std::shared_ptr<TTransferTracker> tracker = FTracker;
    {
        std::lock_guard guard(tracker->lock);
        ++tracker->live;
    }
    std::thread([transfer, tracker] {
        bool attached = false;
        {
            std::lock_guard guard(processLock());
            attached = transfer->Owner != nullptr;
        }
        if (attached) {
            fireProgress(*transfer, QByteArray());
            if (!transfer->Stop) performTransfer(*transfer);
            std::lock_guard guard(processLock());
            if (TInternetClient* owner = transfer->Owner) {
                if (transfer->EventsInWorker)
                    owner->transferEnded(transfer);
                else
                    QMetaObject::invokeMethod(
                        owner, [owner, transfer] { owner->transferEnded(transfer); }, Qt::QueuedConnection);
            }
        }
        std::lock_guard guard(tracker->lock);
        --tracker->live;
        tracker->ended.notify_all();
    }).detach();
}

void TInternetClient::transferEnded(const std::shared_ptr<TReadFileThread>& transfer) {
    // Events in a worker run under the process-wide lock, so that the client
    // cannot be destroyed meanwhile; on the owner's thread they run without
    // it, so that a dialog shown by a handler never holds up other transfers.
    std::unique_lock lock(processLock());
    if (transfer->Owner != this) return;  // detached meanwhile: ends silently
    QByteArray data;
    QString status, contentType;
    {
        std::lock_guard dataGuard(transfer->DataLock);
        data = transfer->Data;
        status = transfer->StatusCode;
        contentType = transfer->ContentType;
    }
    if (!transfer->EventsInWorker) lock.unlock();
    fireTerminated(transfer->URL, data, transfer->Item.Context, status, contentType);
    if (!lock.owns_lock()) lock.lock();
    if (transfer->Owner != this) return;  // a handler deactivated the client
    transfer->Owner = nullptr;
    {
        std::lock_guard running(FRunningLock);
        std::erase(FRunning, transfer);
    }
    if (!transfer->EventsInWorker) lock.unlock();
    dispatch();
}

void TInternetClient::fireTerminated(const QString& url, const QByteArray& data, int context, const QString& status,
                                     const QString& contentType) {
    if (OnDownloadTerminated) OnDownloadTerminated(url, data, context);
    if (OnDownloadTerminatedEx) OnDownloadTerminatedEx(url, data, context, status, contentType);
}

void TInternetClient::deactivate() {
    std::lock_guard guard(processLock());
    {
        std::lock_guard running(FRunningLock);
        for (const std::shared_ptr<TReadFileThread>& transfer : FRunning) {
            transfer->Owner = nullptr;
            transfer->Stop = true;
        }
        FRunning.clear();
    }
    FQueue.Clear();
    std::lock_guard settings(FSettingsLock);
    FActive = false;
}
