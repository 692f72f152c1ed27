#include "UErrorLogFile.h"
#include "ULog.h"
#include "USettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Log, SinksRunInOrderAndAFailingOneLosesOnlyItsLine) {
    QStringList seen;
    const int a = AddLogSink([&](const QString& c, const QString& m, const QString& d) { seen << "a:" + c + m + d; });
    const int b = AddLogSink([](const QString&, const QString&, const QString&) { throw std::runtime_error("full"); });
    const int c = AddLogSink([&](const QString& cat, const QString&, const QString&) { seen << "c:" + cat; });
    WriteLog(QStringLiteral("MSG"), QStringLiteral("m"), QStringLiteral("d"));
    RemoveLogSink(b);
    RemoveLogSink(a);
    WriteLog(QStringLiteral("ERR"), QStringLiteral("x"));
    RemoveLogSink(c);
    WriteLog(QStringLiteral("ERR"), QStringLiteral("nobody"));
    EXPECT_EQ(seen, (QStringList{"a:MSGmd", "c:MSG", "c:ERR"}));
}

TEST(ErrorLogFile, LineFormat) {
    QTemporaryDir dir;
    TErrorLogFile log(dir.path(), 512, QStringLiteral("/opt/lorvane/bin/lorvane"));
    EXPECT_EQ(log.FileName(), dir.filePath(QStringLiteral("error.log")));
    log.Write(QStringLiteral("APP"), QStringLiteral("Application Startup"), QStringLiteral("/opt/lorvane/bin/lorvane v1.2.3.4"));
    log.Write(QStringLiteral("ERR"), QStringLiteral("Échec"), QString());
    const QString text = QString::fromLocal8Bit(readAll(log.FileName()));
    const QRegularExpression line(QStringLiteral(
        "^\\d\\d/\\d\\d/\\d\\d - \\d\\d:\\d\\d:\\d\\d - /opt/lorvane/bin/lorvane - APP - Application Startup - "
        "/opt/lorvane/bin/lorvane v1\\.2\\.3\\.4\r\n"
        "\\d\\d/\\d\\d/\\d\\d - \\d\\d:\\d\\d:\\d\\d - /opt/lorvane/bin/lorvane - ERR - Échec\r\n$"));
    EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}

TEST(ErrorLogFile, MovedAsideOnceItsWholeMegabytesExceedTheRotationSize) {
    QTemporaryDir dir;
    TErrorLogFile log(dir.path(), 1, QStringLiteral("p"));
    const auto backups = [&] { return QDir(dir.path()).entryList({QStringLiteral("error.log.*.bak")}, QDir::Files); };
    {
        // Just under 2 MB after the next line: 1 whole megabyte, kept.
        QFile f(log.FileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray((2 << 20) - 200, 'a'));
    }
    log.Write(QStringLiteral("MSG"), QStringLiteral("below"));
    EXPECT_TRUE(backups().isEmpty());
    log.Write(QStringLiteral("MSG"), QString(200, QLatin1Char('b')));
    const QStringList moved = backups();
    ASSERT_EQ(moved.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^error\\.log\\.\\d{8}-\\d{6}\\.bak$")).match(moved[0]).hasMatch());
    EXPECT_FALSE(QFile::exists(log.FileName()));
    EXPECT_TRUE(readAll(dir.filePath(moved[0])).endsWith(QByteArray(200, 'b') + "\r\n"));
    log.Write(QStringLiteral("MSG"), QStringLiteral("fresh"));
    EXPECT_TRUE(readAll(log.FileName()).endsWith(" - p - MSG - fresh\r\n"));
    EXPECT_LT(QFile(log.FileName()).size(), 100);
}

TEST(ErrorLogFile, TwoThreadsNeverInterleaveALine) {
    QTemporaryDir dir;
    TErrorLogFile log(dir.path(), 512, QStringLiteral("p"));
    const int sink = AddLogSink(log.Sink());
    auto writer = [](char c) {
        for (int i = 0; i < 300; ++i) WriteLog(QStringLiteral("MSG"), QString(500, QLatin1Char(c)));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    RemoveLogSink(sink);
    const QList<QByteArray> lines = readAll(log.FileName()).split('\n');
    ASSERT_EQ(lines.size(), 601);  // the last split is after the final CR LF
    for (qsizetype i = 0; i < 600; ++i) {
        const QByteArray& l = lines[i];
        ASSERT_TRUE(l.endsWith(QByteArray(500, 'a') + "\r") || l.endsWith(QByteArray(500, 'b') + "\r")) << i;
    }
}

TEST(ErrorLogFile, AnUnwritableLogLosesTheLineQuietly) {
    TErrorLogFile log(QStringLiteral("/nonexistent/folder"), 512, QStringLiteral("p"));
    log.Write(QStringLiteral("MSG"), QStringLiteral("lost"));
    EXPECT_FALSE(QFile::exists(log.FileName()));
}

TEST(ErrorLogSettings, FolderAndRotationFromTheMachineWideSettings) {
    QTemporaryDir dir;
    setSettingsPaths({dir.filePath(QStringLiteral("bin/lorvane")), dir.filePath(QStringLiteral("user")),
                      dir.filePath(QStringLiteral("machine"))});
    const QString key = QStringLiteral("Software\\Veltrano");
    const QString configured = dir.filePath(QStringLiteral("logs"));
    const QString fallback = dir.filePath(QStringLiteral("state/Lorvane"));
    QDir().mkpath(configured);
    struct Case {
        QString path, rotate;
        QString folder;
        int size;
        bool message;
    } cases[] = {
        {configured, QStringLiteral("3"), configured + "/", 3, false},
        {configured + "/", QString(), configured + "/", 512, false},
        {dir.filePath(QStringLiteral("missing")), QStringLiteral("x"), fallback + "/", 512, true},
        {QString(), QStringLiteral("0"), fallback + "/", 1, false},
        {QString(), QStringLiteral("-4"), fallback + "/", 1, false},
    };
    for (const Case& c : cases) {
        WriteRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("ErrorLogPath"), c.path);
        WriteRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("ErrorLogRotateSizeMB"), c.rotate);
        const TErrorLogSettings s = ResolveErrorLogSettings(
            ReadRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("ErrorLogPath"), QString()),
            ReadRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("ErrorLogRotateSizeMB"), QStringLiteral("512")),
            {fallback});
        EXPECT_EQ(s.Folder, c.folder) << c.path.toStdString();
        EXPECT_EQ(s.RotateSizeMB, c.size) << c.rotate.toStdString();
        EXPECT_EQ(s.Message, c.message ? QStringLiteral("Incorrect HKLM\\Software\\Veltrano\\ErrorLogPath") : QString());
        EXPECT_FALSE(QFile::exists(s.Folder + "dummy.log"));
    }
    resetSettingsPaths();
}

TEST(ErrorLogSettings, AFolderThatCannotBeWrittenIsRefused) {
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (IsUsableLogFolder(locked)) GTEST_SKIP() << "running with rights that ignore folder permissions";
    const TErrorLogSettings s = ResolveErrorLogSettings(locked, QStringLiteral("512"), {dir.path()});
    EXPECT_EQ(s.Folder, dir.path() + "/");
    EXPECT_FALSE(s.Message.isEmpty());
}

}  // namespace
