// The progress bar of long work on stderr, drawn by a ticker thread.
#include "Dravo.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace dravo {

namespace {

// Half a second of work before a bar shows; tests may shorten it.
qint64 delayMs() {
    static const qint64 delay = [] {
        bool ok = false;
        const qint64 v = qEnvironmentVariableIntValue("DRAVO_PROGRESS_DELAY_MS", &ok);
        return ok && v >= 0 ? v : qint64(500);
    }();
    return delay;
}

class Ticker {
public:
    static Ticker& instance() {
        static Ticker ticker;
        return ticker;
    }
    void begin(const QString& label) {
        std::lock_guard lock(FMutex);
        clearLine();
        FLabel = label;
        FDone = 0;
        FTotal = 0;
        FClock.start();
        FRunning = true;
        if (!FThread.joinable()) FThread = std::thread([this] { run(); });
    }
    void update(qint64 done, qint64 total) {
        FDone = done;
        FTotal = total;
    }
    void end() {
        std::lock_guard lock(FMutex);
        clearLine();
        FRunning = false;
    }
    void writeLine(const QByteArray& line) {
        std::lock_guard lock(FMutex);
        clearLine();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
    ~Ticker() {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FWake.notify_all();
        if (FThread.joinable()) FThread.join();
    }

private:
    void run() {
        std::unique_lock lock(FMutex);
        while (!FStop) {
            FWake.wait_for(lock, std::chrono::milliseconds(100));
            if (FRunning && !FStop && FClock.elapsed() >= delayMs()) draw();
        }
        clearLine();
    }
    void draw() {
        constexpr int width = 30;
        const qint64 done = FDone, total = FTotal;
        QString bar;
        QString tail;
        if (total > 0) {
            const int percent = int(std::clamp<qint64>(done * 100 / total, 0, 100));
            const int filled = percent * width / 100;
            bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
            tail = QStringLiteral("%1%").arg(percent, 3);
        } else {
            // No total: a mark going to and fro, and the time spent.
            const int step = int(FClock.elapsed() / 100) % (2 * (width - 3));
            const int at = step < width - 3 ? step : 2 * (width - 3) - step;
            bar = QString(at, QLatin1Char('.')) + QStringLiteral("###") + QString(width - 3 - at, QLatin1Char('.'));
            tail = QStringLiteral("%1 s").arg(double(FClock.elapsed()) / 1000.0, 0, 'f', 1);
        }
        const QByteArray line = QStringLiteral("\r%1 [%2] %3\033[K").arg(FLabel, bar, tail).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        FDrawn = true;
    }
    void clearLine() {
        if (!FDrawn) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        FDrawn = false;
    }

    std::mutex FMutex;
    std::condition_variable FWake;
    std::thread FThread;
    QString FLabel;
    std::atomic<qint64> FDone{0}, FTotal{0};
    QElapsedTimer FClock;
    bool FRunning = false, FStop = false, FDrawn = false;
};

bool stderrIsTerminal() {
    static const bool terminal = ::isatty(2) == 1;
    return terminal;
}

} // namespace

Progress::Progress(QString label) : FActive(stderrIsTerminal()) {
    if (FActive) Ticker::instance().begin(label);
}

Progress::~Progress() { finish(); }

void Progress::update(qint64 done, qint64 total) {
    if (FActive) Ticker::instance().update(done, total);
}

void Progress::finish() {
    if (FActive) Ticker::instance().end();
    FActive = false;
}

void warn(const QString& text) {
    const QByteArray line = QStringLiteral("dravo: warning: %1\n").arg(text).toUtf8();
    if (stderrIsTerminal()) {
        Ticker::instance().writeLine(line);
    } else {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
}

} // namespace dravo
