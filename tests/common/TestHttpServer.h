#pragma once
// A small HTTP server on 127.0.0.1 for the tests of the download client and
// the version check. It runs on the thread that creates it (its sockets are
// served by that thread's event loop). Each request goes to the handler,
// whose reply says what to do: answer, hold the request until the test
// releases it, never answer, or stream a large body.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

struct TestHttpRequest {
    QByteArray Method, Path, Body;
    QMap<QByteArray, QByteArray> Headers;  // names in lower case
};

struct TestHttpReply {
    enum Mode { Answer, Hold, Silent, Stream };
    Mode Kind = Answer;
    int Status = 200;
    QByteArray ContentType = "text/plain";
    QByteArray Body;
    qint64 StreamSize = 0;  // for Stream: that many bytes of 'x'
};

// Turns the event loop until done() holds or ms pass; true when it held.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

class TestHttpServer : public QObject {
public:
    std::function<TestHttpReply(const TestHttpRequest&)> Handler = [](const TestHttpRequest&) { return TestHttpReply{}; };
    std::vector<TestHttpRequest> Requests;
    int Open = 0;     // requests received and not answered yet
    int MaxOpen = 0;  // the most at one time

    TestHttpServer() {
        FServer.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&FServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = FServer.nextPendingConnection()) accept(socket);
        });
    }
    ~TestHttpServer() override {
        for (auto& held : FHeld)
            if (held.socket) held.socket->abort();
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(FServer.serverPort()).arg(path);
    }
    int port() const { return FServer.serverPort(); }
    int heldCount() const { return int(FHeld.size()); }
    // Answers the oldest held request with the reply it was held with.
    void releaseOne() {
        if (FHeld.empty()) return;
        Held held = FHeld.front();
        FHeld.erase(FHeld.begin());
        if (held.socket) answer(held.socket, held.reply);
    }

private:
    struct Held {
        QPointer<QTcpSocket> socket;
        TestHttpReply reply;
    };

    void accept(QTcpSocket* socket) {
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0 || socket->property("seen").toBool()) return;
            TestHttpRequest request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.Method = first.value(0);
            request.Path = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const qsizetype length = request.Headers.value("content-length", "0").toLongLong();
            if (buffer->size() - (end + 4) < length) return;
            request.Body = buffer->mid(end + 4, length);
            socket->setProperty("seen", true);
            Requests.push_back(request);
            MaxOpen = std::max(MaxOpen, ++Open);
            const TestHttpReply reply = Handler(request);
            if (reply.Kind == TestHttpReply::Hold)
                FHeld.push_back({socket, reply});
            else if (reply.Kind != TestHttpReply::Silent)
                answer(socket, reply);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void answer(QTcpSocket* socket, const TestHttpReply& reply) {
        --Open;
        const qint64 size = reply.Kind == TestHttpReply::Stream ? reply.StreamSize : reply.Body.size();
        socket->write("HTTP/1.1 " + QByteArray::number(reply.Status) + " X\r\nContent-Type: " + reply.ContentType +
                      "\r\nContent-Length: " + QByteArray::number(size) + "\r\nConnection: close\r\n\r\n");
        if (reply.Kind != TestHttpReply::Stream) {
            socket->write(reply.Body);
            socket->disconnectFromHost();
            return;
        }
        // Large bodies go out a piece at a time as the client reads them.
        auto left = std::make_shared<qint64>(size);
        auto more = [socket, left] {
            while (*left > 0 && socket->bytesToWrite() < 1 << 20) {
                const qint64 n = std::min<qint64>(*left, 1 << 16);
                socket->write(QByteArray(qsizetype(n), 'x'));
                *left -= n;
            }
            if (*left == 0 && socket->bytesToWrite() == 0) socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    QTcpServer FServer;
    std::vector<Held> FHeld;
};
