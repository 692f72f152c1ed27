#include "TestHttpServer.h"
#include "UInternetClient.h"

#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

struct Ended {
    QString url;
    QByteArray data;
    int context = 0;
    QString status, contentType;
};

// A client whose terminated events are collected.
struct Collecting {
    TInternetClient client;
    std::mutex lock;
    std::vector<Ended> ended;
    Collecting() {
        client.SetActive(true);
        client.OnDownloadTerminatedEx = [this](const QString& url, const QByteArray& data, int context,
                                               const QString& status, const QString& type) {
            std::lock_guard guard(lock);
            ended.push_back({url, data, context, status, type});
        };
    }
    int count() {
        std::lock_guard guard(lock);
        return int(ended.size());
    }
};

TEST(DownloadQueue, GrowsBy8_24_56AndKeepsOrderAcrossTheWrap) {
    TDownloadQueue queue;
    EXPECT_EQ(queue.Capacity(), 0);
    int next = 0, expected = 0;
    auto push = [&](int n) {
        for (int i = 0; i < n; ++i) queue.Push({QString(), QString(), std::nullopt, {}, next++});
    };
    auto pop = [&](int n) {
        for (int i = 0; i < n; ++i) EXPECT_EQ(queue.Pop().Context, expected++);
    };
    // Head moved inside the buffer before it grows, so the pending items wrap.
    push(6);
    pop(4);
    push(6);
    EXPECT_EQ(queue.Capacity(), 8);
    push(1);
    EXPECT_EQ(queue.Capacity(), 24);
    push(16);
    EXPECT_EQ(queue.Capacity(), 56);
    EXPECT_EQ(queue.Count(), 25);
    pop(25);
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(InternetClient, PostTargetSplit) {
    struct Case {
        const char *url, *host;
        int port;
        const char* path;
    } cases[] = {
        {"http://h.example/a/b?x=1", "h.example", 80, "/a/b?x=1"},
        {"http://h.example:8080/p", "h.example", 8080, "/p"},
        {"http://h.example:abc/p", "h.example", 80, "/p"},
        {"http://h.example", "h.example", 80, "/"},
        {"h.example:81/q", "h.example", 81, "/q"},
    };
    for (const Case& c : cases) {
        const TPostTarget t = SplitPostURL(QString::fromUtf8(c.url));
        EXPECT_EQ(t.Host, QString::fromUtf8(c.host)) << c.url;
        EXPECT_EQ(t.Port, c.port) << c.url;
        EXPECT_EQ(t.Path, QString::fromUtf8(c.path)) << c.url;
    }
}

TEST(InternetClient, DefaultsAndLimits) {
    TInternetClient client;
    EXPECT_FALSE(client.Active());
    EXPECT_EQ(client.UserAgent(), QStringLiteral("Mozilla/4.0 (compatible)"));
    EXPECT_EQ(client.MaxThreadCount(), 4);
    EXPECT_FALSE(client.MultiThreaded());
    EXPECT_FALSE(client.IgnoreProxy());
    EXPECT_EQ(client.TimeOut(), 0);
    client.SetMaxThreadCount(0);
    EXPECT_EQ(client.MaxThreadCount(), 1);
    client.SetMaxThreadCount(-5);
    EXPECT_EQ(client.MaxThreadCount(), 1);
}

TEST(InternetClient, TenRequestsRunFourAtOnceTheRestInQueueOrder) {
    TestHttpServer server;
    server.Handler = [](const TestHttpRequest& r) {
        TestHttpReply reply;
        reply.Kind = TestHttpReply::Hold;
        reply.Body = r.Path;
        return reply;
    };
    Collecting c;
    for (int i = 0; i < 10; ++i) c.client.DownloadURL(server.url(QStringLiteral("/r%1").arg(i)), i);
    EXPECT_EQ(c.client.RunningCount(), 4);
    EXPECT_EQ(c.client.QueuedCount(), 6);
    ASSERT_TRUE(WaitUntil([&] { return server.heldCount() == 4; }));
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(server.Requests.size(), 4u);
    QStringList first;
    for (const TestHttpRequest& r : server.Requests) first << QString::fromLatin1(r.Path);
    first.sort();
    EXPECT_EQ(first, (QStringList{"/r0", "/r1", "/r2", "/r3"}));
    // Each release lets exactly the next queued request start.
    for (int next = 4; next < 10; ++next) {
        server.releaseOne();
        ASSERT_TRUE(WaitUntil([&] { return int(server.Requests.size()) == next + 1 && server.heldCount() == 4; }));
        EXPECT_EQ(server.Requests.back().Path, QByteArray("/r") + QByteArray::number(next));
    }
    while (server.heldCount() > 0) server.releaseOne();
    ASSERT_TRUE(WaitUntil([&] { return c.count() == 10; }));
    EXPECT_EQ(server.MaxOpen, 4);
    for (const Ended& e : c.ended) {
        EXPECT_EQ(e.data, QByteArray("/r") + QByteArray::number(e.context));
        EXPECT_EQ(e.status, QStringLiteral("200"));
    }
}

TEST(InternetClient, PostSendsBodyHeadersRefererAndAgent) {
    TestHttpServer server;
    server.Handler = [](const TestHttpRequest& r) {
        TestHttpReply reply;
        reply.Status = 201;
        reply.ContentType = "application/json";
        reply.Body = "got " + r.Body;
        return reply;
    };
    Collecting c;
    c.client.SetUserAgent(QStringLiteral("LorvaneTest/1"));
    c.client.DownloadURL(server.url(QStringLiteral("/post/here?q=1")), 7, {"X-One: 1", "X-Two: deux"},
                         QByteArray("a=1&b=2"), QStringLiteral("http://referer.example/page"));
    ASSERT_TRUE(WaitUntil([&] { return c.count() == 1; }));
    ASSERT_EQ(server.Requests.size(), 1u);
    const TestHttpRequest& r = server.Requests[0];
    EXPECT_EQ(r.Method, "POST");
    EXPECT_EQ(r.Path, "/post/here?q=1");
    EXPECT_EQ(r.Body, "a=1&b=2");
    EXPECT_EQ(r.Headers.value("x-one"), "1");
    EXPECT_EQ(r.Headers.value("x-two"), "deux");
    EXPECT_EQ(r.Headers.value("referer"), "http://referer.example/page");
    EXPECT_EQ(r.Headers.value("user-agent"), "LorvaneTest/1");
    EXPECT_EQ(r.Headers.value("cache-control"), "no-cache");
    const Ended& e = c.ended[0];
    EXPECT_EQ(e.context, 7);
    EXPECT_EQ(e.data, "got a=1&b=2");
    EXPECT_EQ(e.status, QStringLiteral("201"));
    EXPECT_EQ(e.contentType, QStringLiteral("application/json"));
}

TEST(InternetClient, GetOfAMissingPageReportsItsStatus) {
    TestHttpServer server;
    server.Handler = [](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.Status = 404;
        reply.Body = "<html>not here</html>";
        return reply;
    };
    Collecting c;
    c.client.DownloadURL(server.url(QStringLiteral("/a page")), 1);
    ASSERT_TRUE(WaitUntil([&] { return c.count() == 1; }));
    EXPECT_EQ(server.Requests[0].Method, "GET");
    EXPECT_EQ(server.Requests[0].Path, "/a%20page");
    EXPECT_EQ(c.ended[0].status, QStringLiteral("404"));
}

TEST(InternetClient, DeactivationDuringATransferFiresNoEventAndEmptiesTheQueue) {
    for (const bool multiThreaded : {false, true}) {
        TestHttpServer server;
        server.Handler = [](const TestHttpRequest&) {
            TestHttpReply reply;
            reply.Kind = TestHttpReply::Hold;
            reply.Body = "late";
            return reply;
        };
        Collecting c;
        c.client.SetMultiThreaded(multiThreaded);
        c.client.SetMaxThreadCount(1);
        for (int i = 0; i < 3; ++i) c.client.DownloadURL(server.url(QStringLiteral("/slow")), i);
        ASSERT_TRUE(WaitUntil([&] { return server.heldCount() == 1; }));
        c.client.SetActive(false);
        EXPECT_EQ(c.client.RunningCount(), 0);
        EXPECT_EQ(c.client.QueuedCount(), 0);
        server.releaseOne();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(c.count(), 0) << multiThreaded;
        EXPECT_EQ(server.Requests.size(), 1u);
    }
}

TEST(InternetClient, InactiveClientEndsARequestAtOnceWithEmptyData) {
    TInternetClient client;
    std::vector<int> contexts;
    client.OnDownloadTerminated = [&](const QString&, const QByteArray& data, int context) {
        EXPECT_TRUE(data.isEmpty());
        contexts.push_back(context);
    };
    client.DownloadURL(QStringLiteral("http://127.0.0.1:1/never"), 3);
    client.DownloadURL(QStringLiteral("http://127.0.0.1:1/never"), 4);
    EXPECT_EQ(contexts, (std::vector<int>{3, 4}));
}

TEST(InternetClient, FailedTransfersEndQuietlyWithWhatArrived) {
    // A port nobody listens on: a free one, closed again.
    int closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    TestHttpServer server;
    server.Handler = [](const TestHttpRequest& r) {
        TestHttpReply reply;
        if (r.Path == "/silent") reply.Kind = TestHttpReply::Silent;
        if (r.Path == "/huge") {
            reply.Kind = TestHttpReply::Stream;
            reply.StreamSize = qint64(50) << 20;
        }
        return reply;
    };
    Collecting c;
    c.client.SetTimeOut(300);
    c.client.SetMaxDataSize(65536);
    c.client.DownloadURL(QStringLiteral("http://127.0.0.1:%1/refused").arg(closedPort), 1);
    c.client.DownloadURL(server.url(QStringLiteral("/silent")), 2);
    c.client.DownloadURL(server.url(QStringLiteral("/huge")), 3);
    ASSERT_TRUE(WaitUntil([&] { return c.count() == 3; }, 20000));
    for (const Ended& e : c.ended) {
        if (e.context == 3) {
            EXPECT_EQ(e.data.size(), 65536);
            EXPECT_EQ(e.status, QStringLiteral("200"));
        } else {
            EXPECT_TRUE(e.data.isEmpty()) << e.context;
            EXPECT_TRUE(e.status.isEmpty()) << e.context;
        }
    }
}

TEST(InternetClient, ProgressReportsTheDataSoFarAndEventsRunWhereAsked) {
    for (const bool multiThreaded : {false, true}) {
        TestHttpServer server;
        server.Handler = [](const TestHttpRequest&) {
            TestHttpReply reply;
            reply.Body = QByteArray(100000, 'p');
            return reply;
        };
        TInternetClient client;
        client.SetActive(true);
        client.SetMultiThreaded(multiThreaded);
        std::mutex lock;
        std::vector<qsizetype> sizes;
        std::atomic<bool> done{false}, onMain{false};
        client.OnDownloadProgress = [&](const QString&, const QByteArray& data, int) {
            std::lock_guard guard(lock);
            sizes.push_back(data.size());
        };
        client.OnDownloadTerminated = [&](const QString&, const QByteArray& data, int) {
            EXPECT_EQ(data.size(), 100000);
            onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
            done = true;
        };
        client.DownloadURL(server.url(QStringLiteral("/p")), 0);
        ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(onMain.load(), !multiThreaded);
        std::lock_guard guard(lock);
        ASSERT_FALSE(sizes.empty());
        EXPECT_EQ(sizes.front(), 0);
        EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
        if (multiThreaded) {
            EXPECT_EQ(sizes.back(), 100000);
            EXPECT_GE(sizes.size(), 1u + 100000 / TInternetClient::BlockSize);
        }
    }
}

}  // namespace
