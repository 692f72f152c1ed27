// The sink list and WriteLog.
#include "ULog.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct SinkList {
    std::mutex lock;
    std::vector<std::pair<int, TLogSink>> sinks;
    int nextId = 1;
};

SinkList& sinkList() {
    static SinkList* list = new SinkList;  // outlives every static that logs at exit
    return *list;
}

}  // namespace

int AddLogSink(TLogSink sink) {
    SinkList& list = sinkList();
    std::lock_guard guard(list.lock);
    const int id = list.nextId++;
    list.sinks.emplace_back(id, std::move(sink));
    return id;
}

void RemoveLogSink(int id) {
    SinkList& list = sinkList();
    std::lock_guard guard(list.lock);
    std::erase_if(list.sinks, [id](const auto& entry) { return entry.first == id; });
}

void RemoveAllLogSinks() {
    SinkList& list = sinkList();
    std::lock_guard guard(list.lock);
    list.sinks.clear();
}

void WriteLog(const QString& category, const QString& message, const QString& details) noexcept {
    try {
        // A copy of the list, so that a sink may log or change the list itself.
        std::vector<std::pair<int, TLogSink>> sinks;
        {
            SinkList& list = sinkList();
            std::lock_guard guard(list.lock);
            sinks = list.sinks;
        }
        for (const auto& [id, sink] : sinks) {
            try {
                sink(category, message, details);
            } catch (...) {
            }
        }
    } catch (...) {
    }
}
