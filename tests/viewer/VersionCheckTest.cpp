// The daily version check against a server on 127.0.0.1, the about box and
// the web-site link of the main window's help menu.
#include "CVersionCheck.h"
#include "FPCInteractiveAbout.h"
#include "UShellOpen.h"
#include "UWindowServices.h"

#include "TestHttpServer.h"
#include "ViewerTestDocument.h"
#include "ViewerTestHelpers.h"

#include <QLabel>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("Software\\Veltrano\\Lorvane");

struct RecordingShell {
    QList<QUrl> opened;
    RecordingShell() {
        SetShellService({[this](const QUrl& url) { return opened << url, true; },
                         [](const QString&, const QStringList&) { return false; }});
    }
    ~RecordingShell() { ResetShellService(); }
};

TEST(VersionNumbers, ParseAndCompare) {
    struct Case {
        const char* text;
        TVersionNumber parsed;
        int againstOwn;  // compared with 2.4.3.1
    } cases[] = {
        {"v2.5", {2, 5, 0, 0}, 1},
        {"2.4.3.1", {2, 4, 3, 1}, 0},
        {"2.4.3.x", {2, 4, 3, -1}, -1},
        {"2.4.3.2", {2, 4, 3, 2}, 1},
        {"2.4.10", {2, 4, 10, 0}, 1},
        {"V3", {3, 0, 0, 0}, 1},
        {"2.4.3.1.99", {2, 4, 3, 1}, 0},
        {"", {-1, 0, 0, 0}, -1},
        {"Not Found", {-1, 0, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseVersion(QString::fromLatin1(c.text)), c.parsed) << c.text;
        EXPECT_EQ(CompareVersions(ParseVersion(QString::fromLatin1(c.text)), {2, 4, 3, 1}), c.againstOwn) << c.text;
    }
    EXPECT_EQ(VersionPageText("<html><body><p>v2.5&#46;1</p></body></html>\r\n"), QStringLiteral("v2.5.1"));
    EXPECT_EQ(VersionPageText("  2.4.3.1\n"), QStringLiteral("2.4.3.1"));
}

TEST(VersionNumbers, OwnVersionFromTheBuild) {
    EXPECT_EQ(GetAppVersionString(), QStringLiteral("0.1.0.0"));
    EXPECT_EQ(AppFileVersion(), (TVersionNumber{0, 1, 0, 0}));
}

class VersionCheck : public ::testing::Test {
protected:
    TemporarySettings settings;
    TestHttpServer server;
    RecordingShell shell;
    TVersionCheck check;
    void SetUp() override {
        check.VersionURL = server.url(QStringLiteral("/lorvane-lastversion/"));
        check.WebSite = QStringLiteral("https://lorvane.example.org/");
        check.OwnVersion = TVersionNumber{2, 4, 3, 1};
    }
    void serve(int status, const QByteArray& body) {
        server.Handler = [status, body](const TestHttpRequest&) {
            TestHttpReply reply;
            reply.Status = status;
            reply.ContentType = "text/html";
            reply.Body = body;
            return reply;
        };
    }
    double nextCheck() { return StrToFloatDef(ReadRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), {}), 0); }
    // Runs one check to its end; the question it asked, if any.
    // The answer's watch ends with the check, so that it never answers a later one.
    QString runCheck(const QString& answer = QStringLiteral("Non")) {
        QString asked;
        {
            QObject watch;
            AnswerNextMessage(&watch, asked, answer);
            check.Start();
            EXPECT_TRUE(WaitUntil([&] { return !check.InFlight(); }, 20000));
            QTest::qWait(50);
        }
        return asked;
    }
};

TEST_F(VersionCheck, AsksOnlyForANewerVersion) {
    struct Case {
        QByteArray page;
        bool asks;
    } cases[] = {
        {"v2.5", true},
        {"2.4.3.1", false},
        {"2.4.3.x", false},
        {"<html><body>2.4.4</body></html>", true},
        {"", false},
    };
    for (const Case& c : cases) {
        WriteRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), QString());
        serve(200, c.page);
        const QString asked = runCheck();
        EXPECT_EQ(!asked.isEmpty(), c.asks) << c.page.toStdString();
        EXPECT_NEAR(nextCheck(), Now() + 1, 0.01) << c.page.toStdString();
    }
    EXPECT_EQ(server.Requests.size(), std::size(cases));
    EXPECT_EQ(server.Requests[0].Path, "/lorvane-lastversion/");
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(VersionCheck, TheQuestionNamesTheVersionAndYesOpensTheSite) {
    serve(200, "v2.5\n");
    const QString asked = runCheck(QStringLiteral("Oui"));
    EXPECT_EQ(asked, QStringLiteral("Une nouvelle version (v2.5) de Lorvane est disponible sur\r\nhttps://lorvane.example.org/"
                                    "\r\nAller sur le site web pour la récupérer?"));
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened[0], QUrl(QStringLiteral("https://lorvane.example.org/")));
}

TEST_F(VersionCheck, NoRequestBeforeTheStoredTimeOrWithoutAnAddress) {
    serve(200, "v9");
    WriteRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), FloatToStr(Now() + 1));
    check.Start();
    EXPECT_FALSE(check.InFlight());
    EXPECT_FALSE(check.Client().Active());
    WriteRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), QStringLiteral("0"));
    check.VersionURL.clear();
    check.Start();
    EXPECT_FALSE(check.InFlight());
    QTest::qWait(100);
    EXPECT_TRUE(server.Requests.empty());
    EXPECT_TRUE(DefaultVersionURL().isEmpty());
}

TEST_F(VersionCheck, FailuresEndQuietlyAndWaitADay) {
    int closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    server.Handler = [](const TestHttpRequest& r) {
        TestHttpReply reply;
        if (r.Path == "/missing") {
            reply.Status = 404;
            reply.Body = "9.9";  // an error page never counts
        } else if (r.Path == "/silent") {
            reply.Kind = TestHttpReply::Silent;
        } else {
            reply.Kind = TestHttpReply::Stream;
            reply.StreamSize = qint64(50) << 20;
        }
        return reply;
    };
    check.Client().SetTimeOut(300);
    for (const QString& url : {QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), server.url("/missing"),
                               server.url("/silent"), server.url("/huge")}) {
        WriteRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), QString());
        check.VersionURL = url;
        EXPECT_TRUE(runCheck().isEmpty()) << url.toStdString();
        EXPECT_NEAR(nextCheck(), Now() + 1, 0.01) << url.toStdString();
    }
}

TEST_F(VersionCheck, TheMainWindowChecksAfterShowingADocumentAndStopsOnClose) {
    server.Handler = [](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.Kind = TestHttpReply::Hold;
        reply.Body = "v9";
        return reply;
    };
    for (const bool enabled : {false, true}) {
        TPCInteractiveForm form;
        ConnectWindowServices(form, check);
        form.WebCheckEnabled = enabled;
        const auto cube = SampleCube();
        TPCInteractive document;
        form.BeginInteractive(document, *cube, QString(), false);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        if (enabled) {
            ASSERT_TRUE(WaitUntil([&] { return server.heldCount() == 1; }));
            form.InitFromDocument();  // a second document while the first check runs
        }
        QTest::qWait(100);
        EXPECT_EQ(server.Requests.size(), enabled ? 1u : 0u);
        EXPECT_EQ(check.InFlight(), enabled);
        form.close();
        EXPECT_FALSE(check.Client().Active());
        EXPECT_FALSE(check.InFlight());
        server.releaseOne();
        QTest::qWait(100);
        EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, Key, QStringLiteral("WebCheck"), {}).isEmpty());
    }
}

TEST(AboutBox, BorderlessSizedWithTheVersionAndClosedByTheCheckMarkOrEscape) {
    for (const bool byKey : {false, true}) {
        TPCInteractiveAbout about;
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        EXPECT_EQ(about.size(), QSize(562, 222));
        EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(about.VersionLabel()->text(), QStringLiteral("v ") + GetAppVersionString());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE((about.frameGeometry().center() - screen.center()).manhattanLength(), 2);
        // The check mark is green where it is drawn.
        const QImage picture = about.grab().toImage();
        const QColor mark = picture.pixelColor(about.CheckMark()->geometry().center() + QPoint(-12, 0));
        EXPECT_GT(mark.green(), mark.red() + 40);
        for (QLabel* label : about.findChildren<QLabel*>())
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        if (byKey)
            QTest::keyClick(&about, Qt::Key_Escape);
        else
            QTest::mouseClick(about.CheckMark(), Qt::LeftButton);
        EXPECT_FALSE(about.isVisible());
    }
}

TEST(AboutBox, HelpMenuShowsItAndOpensTheWebSite) {
    TemporarySettings settings;
    RecordingShell shell;
    TVersionCheck check;
    check.WebSite = QStringLiteral("https://lorvane.example.org/");
    TPCInteractiveForm form;
    ConnectWindowServices(form, check);
    bool shown = false;
    WhenOpen(&form, [] { return qobject_cast<TPCInteractiveAbout*>(QApplication::activeModalWidget()); },
             [&shown](TPCInteractiveAbout* about) {
                 shown = true;
                 QTest::mouseClick(about->CheckMark(), Qt::LeftButton);
             });
    form.OnAbout();
    EXPECT_TRUE(shown);
    form.OnWebSite();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened[0], QUrl(QStringLiteral("https://lorvane.example.org/")));
}

TEST(ShellOpenText, SplitsAProgramFromItsParameters) {
    struct Case {
        const char *text, *program, *parameters;
    } cases[] = {
        {"https://lorvane.example.org/", "https://lorvane.example.org/", ""},
        {"\"/tmp/my report.xml\"", "/tmp/my report.xml", ""},
        {"\"/opt/my app/run\" --go now", "/opt/my app/run", "--go now"},
        {"notepad.exe file.txt", "notepad.exe", "file.txt"},
        {"a b.c d", "a b.c", "d"},
    };
    for (const Case& c : cases) {
        const TShellCommand command = SplitShellCommand(QString::fromUtf8(c.text));
        EXPECT_EQ(command.Program, QString::fromUtf8(c.program)) << c.text;
        EXPECT_EQ(command.Parameters, QString::fromUtf8(c.parameters)) << c.text;
    }
}

}  // namespace
