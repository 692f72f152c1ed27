// The circular request queue.
#include "UDownloadQueue.h"

#include <utility>

void TDownloadQueue::Push(TDownloadQueueItem item) {
    if (FCount == Capacity()) grow();
    FItems[size_t(FTail)] = std::move(item);
    FTail = (FTail + 1) % Capacity();
    ++FCount;
}

TDownloadQueueItem TDownloadQueue::Pop() {
    TDownloadQueueItem item = std::move(FItems[size_t(FHead)]);
    FItems[size_t(FHead)] = TDownloadQueueItem();
    FHead = (FHead + 1) % Capacity();
    --FCount;
    return item;
}

void TDownloadQueue::Clear() {
    for (TDownloadQueueItem& item : FItems) item = TDownloadQueueItem();
    FHead = FTail = FCount = 0;
}

void TDownloadQueue::grow() {
    // The pending items move to the front of the larger buffer, oldest first.
    std::vector<TDownloadQueueItem> larger(size_t(Capacity() * 2 + 8));
    for (int i = 0; i < FCount; ++i) larger[size_t(i)] = std::move(FItems[size_t((FHead + i) % Capacity())]);
    FItems = std::move(larger);
    FHead = 0;
    FTail = FCount;
}

void TThreadDownloadQueue::Push(TDownloadQueueItem item) {
    std::lock_guard guard(FLock);
    FQueue.Push(std::move(item));
}

std::optional<TDownloadQueueItem> TThreadDownloadQueue::Pop() {
    std::lock_guard guard(FLock);
    if (FQueue.IsEmpty()) return std::nullopt;
    return FQueue.Pop();
}

void TThreadDownloadQueue::Clear() {
    std::lock_guard guard(FLock);
    FQueue.Clear();
}

int TThreadDownloadQueue::Count() const {
    std::lock_guard guard(FLock);
    return FQueue.Count();
}
