// The crash report: its XML, the report dialog, the e-mail that carries it,
// and whole crashes in a child program (a paint, a click, the start-up).
#include "FCrashReportForm.h"
#include "UAppVersion.h"
#include "UClickTrace.h"
#include "UCrashMail.h"
#include "UCrashReport.h"
#include "UHierarchicalWriter.h"
#include "UShellOpen.h"
#include "UXMLParser.h"

#include "ViewerTestHelpers.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::exception_ptr nestedError() {
    try {
        try {
            try {
                throw EConvertError(QStringLiteral("deepest"));
            } catch (...) {
                std::throw_with_nested(std::runtime_error("middle"));
            }
        } catch (...) {
            std::throw_with_nested(Exception(QStringLiteral("outer <&> \"quoted\"\x01")));
        }
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

std::unique_ptr<TXMLDOMDocument> parse(const QByteArray& bytes) {
    auto doc = std::make_unique<TXMLDOMDocument>();
    doc->LoadFromBytes(bytes);
    return doc;
}

QStringList childNames(const TXMLDOMNode* node) {
    QStringList names;
    for (TXMLDOMElement* e = FirstChildElement(node); e; e = NextSiblingElement(e)) names << e->NodeName();
    return names;
}

// Records what the report dialog would have opened or started.
struct RecordingShell {
    QList<QUrl> opened;
    QList<QStringList> started;
    RecordingShell() {
        SetShellService({[this](const QUrl& url) { return opened << url, true; },
                         [this](const QString& program, const QStringList& args) {
                             return started << (QStringList{program} + args), true;
                         }});
    }
    ~RecordingShell() { ResetShellService(); }
};

TEST(CrashReport, ChainOfInnerErrors) {
    const std::vector<TExceptionInfo> chain = ExceptionChain(nestedError());
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].ClassName, QStringLiteral("Exception"));
    EXPECT_EQ(chain[1].ClassName, QStringLiteral("std::runtime_error"));
    EXPECT_EQ(chain[1].Message, QStringLiteral("middle"));
    EXPECT_EQ(chain[2].ClassName, QStringLiteral("EConvertError"));
    EXPECT_EQ(chain[2].Message, QStringLiteral("deepest"));
    std::exception_ptr odd;
    try {
        throw 42;
    } catch (...) {
        odd = std::current_exception();
    }
    EXPECT_EQ(ExceptionChain(odd).at(0).ClassName, QStringLiteral("int"));
}

TEST(CrashReport, WellFormedWithItsSectionsInOrder) {
    RegisterStandardCrashReporters();
    StampLaunch();
    const QByteArray bytes = BuildCrashReport(nestedError());
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>"));
    const auto doc = parse(bytes);
    ASSERT_TRUE(doc->Errors().isEmpty()) << doc->Errors().join('\n').toStdString();
    const TXMLDOMElement* root = doc->DocumentElement();
    EXPECT_EQ(root->NodeName(), QStringLiteral("Root"));
    EXPECT_EQ(childNames(root), (QStringList{"Version", "Exception", "Application", "OperatingSystem", "UserSession",
                                             "ClickTrace"}));
    EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("Version"))), QStringLiteral("1.00"));
    const TXMLDOMElement* error = ChildByPath(root, QStringLiteral("Exception"));
    EXPECT_EQ(childNames(error), (QStringList{"DateTime", "Class", "Message", "ExceptAddr", "InnerException"}));
    EXPECT_EQ(Text(ChildByPath(error, QStringLiteral("Message"))), QStringLiteral("outer <&> \"quoted\""));
    EXPECT_EQ(Text(ChildByPath(error, QStringLiteral("ExceptAddr"))).size(), 8);
    const TXMLDOMElement* inner = ChildByPath(error, QStringLiteral("InnerException"));
    EXPECT_EQ(childNames(inner), (QStringList{"Class", "Message", "InnerException"}));
    const TXMLDOMElement* innermost = ChildByPath(inner, QStringLiteral("InnerException"));
    EXPECT_EQ(childNames(innermost), (QStringList{"Class", "Message", "Ticks"}));
    EXPECT_EQ(Text(ChildByPath(innermost, QStringLiteral("Class"))), QStringLiteral("EConvertError"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(Text(ChildByPath(error, QStringLiteral("DateTime"))))
                    .hasMatch());
    const TXMLDOMElement* app = ChildByPath(root, QStringLiteral("Application"));
    EXPECT_EQ(childNames(app), (QStringList{"ExeName", "Version", "FileDate", "FileSize", "CommandLine",
                                            "LaunchDateTime", "LaunchTicks"}));
    EXPECT_EQ(Text(ChildByPath(app, QStringLiteral("Version"))), GetAppVersionString());
    EXPECT_EQ(Text(ChildByPath(app, QStringLiteral("ExeName"))), QStringLiteral("tests_viewer"));
    EXPECT_FALSE(Text(ChildByPath(root, QStringLiteral("OperatingSystem/Build"))).isEmpty());
    EXPECT_FALSE(Text(ChildByPath(root, QStringLiteral("UserSession/ComputerName"))).isEmpty());
    EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("UserSession/Paths/Temp"))), QDir::tempPath());
    CrashReporters().clear();
}

TEST(CrashReport, RemoteLoginFromTheEnvironment) {
    struct Case {
        const char *ssh, *display, *remote, *computer;
    } cases[] = {
        {"10.1.2.3 50000 10.0.0.1 22", ":0", "Y", "10.1.2.3"},
        {nullptr, "thin-client:0", "Y", "thin-client"},
        {nullptr, ":1", "N", ""},
        {nullptr, "localhost:10.0", "N", ""},
    };
    const QByteArray oldSsh = qgetenv("SSH_CONNECTION"), oldDisplay = qgetenv("DISPLAY");
    for (const Case& c : cases) {
        c.ssh ? qputenv("SSH_CONNECTION", c.ssh) : qunsetenv("SSH_CONNECTION");
        qputenv("DISPLAY", c.display);
        TXMLHierarchicalWriter root(QStringLiteral("Root"));
        TUserCrashReporter().WriteSection(&root);
        const auto doc = parse(root.ToDocument());
        const TXMLDOMElement* s = ChildByPath(doc->DocumentElement(), QStringLiteral("UserSession"));
        EXPECT_EQ(Text(ChildByPath(s, QStringLiteral("TSESession"))), QString::fromLatin1(c.remote)) << c.display;
        EXPECT_EQ(Text(ChildByPath(s, QStringLiteral("TSEComputerName"))), QString::fromLatin1(c.computer)) << c.display;
    }
    oldSsh.isNull() ? qunsetenv("SSH_CONNECTION") : qputenv("SSH_CONNECTION", oldSsh);
    oldDisplay.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", oldDisplay);
}

TEST(CrashMail, AccentsBecomeTheirBaseLetters) {
    EXPECT_EQ(RemoveAccents(QStringLiteral("Échec à l'écriture : çà, où, Œ, Æther, Straße, ÿ")),
              QStringLiteral("Echec a l'ecriture : ca, ou, Œ, AEther, Strasse, y"));
}

TEST(CrashMail, XdgEmailWithTheReportAttachedElseAMailtoAddress) {
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("report.xml"));
    {
        QFile f(report);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<Root/>");
    }
    RecordingShell shell;
    EXPECT_TRUE(SendCrashReport(QStringLiteral("EConvertError"), QStringLiteral("Valeur « é » & fin"), report,
                                QStringLiteral("/usr/bin/xdg-email")));
    ASSERT_EQ(shell.started.size(), 1);
    const QStringList args = shell.started[0];
    EXPECT_EQ(args.value(0), QStringLiteral("/usr/bin/xdg-email"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--subject")) + 1), QStringLiteral("ERR : EConvertError"));
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--attach")) + 1), report);
    EXPECT_EQ(args.value(args.indexOf(QStringLiteral("--body")) + 1),
              QStringLiteral("**Saisissez ici vos details sur le contexte de l'erreur**\r\n\r\nMessage de l'erreur : "
                             "\r\nValeur « e » & fin"));
    EXPECT_EQ(args.last(), SupportMailbox());

    // Without xdg-email, or without a report file, a mailto: address.
    for (const QString& xdg : {QString(), QStringLiteral("/usr/bin/xdg-email")}) {
        shell.opened.clear();
        SendCrashReport(QStringLiteral("E&Class"), QStringLiteral("a & b"), xdg.isEmpty() ? report : dir.filePath("none"),
                        xdg);
        ASSERT_EQ(shell.opened.size(), 1);
        const QUrl url = shell.opened[0];
        EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
        EXPECT_EQ(url.path(), SupportMailbox());
        const QUrlQuery query(url);
        EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), QStringLiteral("ERR : E_Class"));
        const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
        EXPECT_TRUE(body.startsWith(QStringLiteral("**Saisissez ici vos details sur le contexte de l'erreur**\r\n\r\n"
                                                   "**Vérifiez que la pièce jointe ")));
        EXPECT_TRUE(body.endsWith(QStringLiteral(" est bien présente**\r\n\r\nMessage de l'erreur : \r\na _ b")));
        EXPECT_TRUE(query.queryItemValue(QStringLiteral("attachment"), QUrl::FullyDecoded).startsWith(QLatin1Char('"')));
    }
}

class ReportDialog : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString report = dir.filePath(QStringLiteral("report.xml"));
    RecordingShell shell;
    void SetUp() override {
        QFile f(report);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root><Version>1.00</Version></Root>");
    }
};

TEST_F(ReportDialog, TextsButtonsAndTheShortMessageCentred) {
    TCrashReportForm form(QStringLiteral("Division\tpar zéro"), QStringLiteral("EZeroDivide"), report);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Rapport d'erreur"));
    EXPECT_EQ(form.size(), QSize(618, 418));
    EXPECT_EQ(form.MessageLabel()->text(), QStringLiteral("Division   par zéro"));
    EXPECT_EQ(form.MessageLabel()->alignment(), Qt::AlignCenter);
    EXPECT_FALSE(form.MessageBox()->verticalScrollBar()->isVisible());
    EXPECT_EQ(form.DetailsButton()->text(), QStringLiteral("Consulter les détails..."));
    EXPECT_EQ(form.SendButton()->text(), QStringLiteral("Envoyer le rapport..."));
    EXPECT_EQ(form.QuitButton()->text(), QStringLiteral("Quitter"));
    EXPECT_TRUE(form.SendButton()->isDefault());
    for (QPushButton* b : {form.DetailsButton(), form.SendButton(), form.QuitButton()})
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();

    QTest::mouseClick(form.DetailsButton(), Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened[0], QUrl::fromLocalFile(report));
    EXPECT_TRUE(form.isVisible());
    QTest::mouseClick(form.QuitButton(), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(shell.started.isEmpty());
}

TEST_F(ReportDialog, ALongMessageScrollsFromItsTopLeft) {
    QStringList lines;
    for (int i = 0; i < 80; ++i) lines << QStringLiteral("Ligne %1 d'un message qui ne tient pas dans la boîte, ").arg(i).repeated(3);
    TCrashReportForm form(lines.join('\n'), QStringLiteral("E"), report);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.MessageLabel()->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(form.MessageBox()->verticalScrollBar()->isVisible());
    EXPECT_TRUE(form.MessageBox()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(form.MessageBox()->verticalScrollBar()->value(), 0);
}

TEST_F(ReportDialog, PrintScreenAndCtrlCPutTheReportOnTheClipboard) {
    TCrashReportForm form(QStringLiteral("m"), QStringLiteral("E"), report);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QString expected = QStringLiteral(
        "Merci de ne pas envoyer une capture d'écran mais le rapport ci-dessous.\r\nPlease don't send a screenshot "
        "but the report below.\r\n\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root><Version>1.00</Version></Root>");
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Print, Qt::KeyboardModifiers()},
                                         std::pair{Qt::Key_C, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(form.SendButton(), key, modifiers);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), expected) << key;
        EXPECT_TRUE(form.isVisible());
    }
}

TEST_F(ReportDialog, SendMailsTheReportAndCloses) {
    TCrashReportForm form(QStringLiteral("m"), QStringLiteral("EClass"), report);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Return);  // the default button
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shell.opened.size() + shell.started.size(), 1);
}

// A child program fails inside a user-interface event or at start-up: the
// report is written, the error logged, the dialog answered, exit code 0.
TEST(Crash, AFailureEndsWithTheReportTheLogAndExitCodeZero) {
    for (const QString& mode : {QStringLiteral("paint"), QStringLiteral("click"), QStringLiteral("startup")}) {
        QTemporaryDir dir;
        const QString logs = dir.filePath(QStringLiteral("logs")), temp = dir.filePath(QStringLiteral("tmp"));
        QDir().mkpath(logs);
        QDir().mkpath(temp);
        {
            TemporarySettings settings;
            setSettingsPaths({dir.filePath(QStringLiteral("s/bin/lorvane")), dir.filePath(QStringLiteral("s/user")),
                              dir.filePath(QStringLiteral("s/machine"))});
            WriteRegString(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Veltrano"), QStringLiteral("ErrorLogPath"), logs);
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LORVANE_TEST_SETTINGS"), dir.filePath(QStringLiteral("s")));
        env.insert(QStringLiteral("TMPDIR"), temp);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral(VIEWER_CRASH_CHILD), {mode});
        ASSERT_TRUE(child.waitForFinished(60000)) << mode.toStdString();
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << mode.toStdString() << output.toStdString();

        QFile log(logs + QStringLiteral("/error.log"));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << mode.toStdString();
        const QString logText = QString::fromLocal8Bit(log.readAll());
        EXPECT_TRUE(logText.contains(QStringLiteral(" - APP - Application Startup - "))) << logText.toStdString();
        EXPECT_TRUE(logText.contains(QStringLiteral(" - EXC - EConvertError - "))) << logText.toStdString();
        EXPECT_FALSE(logText.contains(QStringLiteral("Application Shutdown"))) << logText.toStdString();

        QFile reportFile(temp + QStringLiteral("/report.xml"));
        ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly)) << mode.toStdString();
        const auto doc = parse(reportFile.readAll());
        ASSERT_TRUE(doc->Errors().isEmpty()) << doc->Errors().join('\n').toStdString();
        const TXMLDOMElement* root = doc->DocumentElement();
        EXPECT_EQ(childNames(root), (QStringList{"Version", "Exception", "Application", "OperatingSystem",
                                                 "UserSession", "ClickTrace"}));
        EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("Exception/Class"))), QStringLiteral("EConvertError"));
        const TXMLDOMElement* trace = ChildByPath(root, QStringLiteral("ClickTrace"));
        if (mode == QLatin1String("paint")) {
            EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("Exception/Message"))), QStringLiteral("paint failed"));
            EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("Exception/InnerException/Message"))),
                      QStringLiteral("inner failure"));
            const TXMLDOMElement* click = FirstChildElement(trace);
            ASSERT_NE(click, nullptr);
            EXPECT_EQ(AttributeValue(click, QStringLiteral("type")), QStringLiteral("LDOWN"));
            EXPECT_EQ(AttributeValue(click, QStringLiteral("class")), QStringLiteral("QPushButton"));
            EXPECT_EQ(AttributeValue(click, QStringLiteral("text")), QStringLiteral("Premier"));
        }
        if (mode == QLatin1String("click")) {
            EXPECT_EQ(Text(ChildByPath(root, QStringLiteral("Exception/Message"))),
                      QStringLiteral("clicked <here> & \"there\""));
            const TXMLDOMElement* last = FirstChildElement(trace);
            ASSERT_NE(last, nullptr);
            EXPECT_EQ(AttributeValue(last, QStringLiteral("class")), QStringLiteral("QWidget"));
            EXPECT_EQ(DecodeEntities(AttributeValue(last, QStringLiteral("text"))), QStringLiteral("Fenêtre d'essai"));
        }
    }
}

}  // namespace
