#pragma once
// The download client's pending requests: a circular buffer that grows to
// twice its size plus eight when full (8, 24, 56 ...) and keeps the order of
// the items it holds, and the same behind a lock for several threads.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>
#include <vector>

struct TDownloadQueueItem {
    QString URL;
    QString Referer;                  // empty: none
    std::optional<QByteArray> PostData;  // present: an HTTP POST
    QStringList Headers;              // extra request header lines
    int Context = 0;                  // the caller's number, handed back in the events
};

class TDownloadQueue {
public:
    int Count() const { return FCount; }
    int Capacity() const { return int(FItems.size()); }
    bool IsEmpty() const { return FCount == 0; }
    void Push(TDownloadQueueItem item);
    // The oldest item; the queue must not be empty.
    TDownloadQueueItem Pop();
    void Clear();

private:
    void grow();

    std::vector<TDownloadQueueItem> FItems;
    int FHead = 0;  // the oldest item
    int FTail = 0;  // where the next item goes
    int FCount = 0;
};

class TThreadDownloadQueue {
public:
    void Push(TDownloadQueueItem item);
    std::optional<TDownloadQueueItem> Pop();
    void Clear();
    int Count() const;

private:
    mutable std::mutex FLock;
    TDownloadQueue FQueue;
};
