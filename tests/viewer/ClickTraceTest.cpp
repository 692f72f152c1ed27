// The click recorder as the user meets it: clicks and key presses on real
// widgets, seen the way the application's dispatch sees them.
#include "UClickTrace.h"
#include "UCrashReport.h"
#include "UErrorLogging.h"
#include "UHierarchicalWriter.h"
#include "ULog.h"
#include "UXMLParser.h"
#include "UAppVersion.h"

#include "ViewerTestHelpers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// Hands the events that reach the given widgets to a recorder: the program's
// application object hands it every event once, with the widget it is
// dispatched to (before any passing on to parents).
class Recording : public QObject {
public:
    TClickTrace trace;
    explicit Recording(std::initializer_list<QWidget*> widgets) {
        for (QWidget* w : widgets) w->installEventFilter(this);
    }
    bool eventFilter(QObject* receiver, QEvent* event) override {
        trace.Record(receiver, event);
        return false;
    }
    QString report() {
        TXMLHierarchicalWriter root(QStringLiteral("Root"));
        TClickTraceCrashReporter(trace).WriteSection(&root);
        return QString::fromUtf8(root.ToDocument());
    }
};

struct Window {
    QWidget window;
    QPushButton* button;
    QLineEdit* edit;
    QTextEdit* text;
    Window() {
        auto* layout = new QVBoxLayout(&window);
        button = new QPushButton(QStringLiteral("Valider"));
        edit = new QLineEdit;
        text = new QTextEdit;
        layout->addWidget(button);
        layout->addWidget(edit);
        layout->addWidget(text);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST(ClickTrace, KeepsTheLastSixteenNewestFirst) {
    Window w;
    Recording r{w.button};
    for (int i = 0; i < 20; ++i) {
        w.button->setText(QStringLiteral("Clic %1").arg(i));
        QTest::mouseClick(w.button, i % 3 == 2 ? Qt::RightButton : Qt::LeftButton);
    }
    const std::vector<TClickTraceEntry> entries = r.trace.NewestFirst();
    ASSERT_EQ(entries.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        const int i = 19 - k;
        EXPECT_EQ(entries[size_t(k)].Text, QStringLiteral("Clic %1").arg(i));
        EXPECT_EQ(entries[size_t(k)].Type, i % 3 == 2 ? QStringLiteral("RDOWN") : QStringLiteral("LDOWN"));
        EXPECT_EQ(entries[size_t(k)].ClassName, QStringLiteral("QPushButton"));
        EXPECT_FALSE(entries[size_t(k)].Data.has_value());
        if (k > 0) {
            EXPECT_GE(entries[size_t(k - 1)].Ticks, entries[size_t(k)].Ticks);
        }
    }
    const QString xml = r.report();
    EXPECT_EQ(xml.count(QStringLiteral("<event ")), 16);
    EXPECT_TRUE(xml.contains(QStringLiteral("type=\"RDOWN\" class=\"QPushButton\" text=\"Clic 17\"/>")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("<event time=\"\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\" type=")).match(xml).hasMatch());
}

TEST(ClickTrace, TextTypedIntoAnEditBoxIsNeverRecorded) {
    Window w;
    w.edit->setText(QStringLiteral("déjà là"));
    w.text->setPlainText(QStringLiteral("contenu"));
    Recording r{w.button, w.edit, w.text, w.text->viewport()};
    QTest::mouseClick(w.edit, Qt::LeftButton);
    QTest::keyClicks(w.edit, QStringLiteral("SECRET pw"));
    QTest::keyClick(w.edit, Qt::Key_Return);
    QTest::keyClick(w.edit, Qt::Key_Tab);
    QTest::mouseClick(w.text->viewport(), Qt::LeftButton);
    QTest::keyClicks(w.text, QStringLiteral("XY"));
    w.button->setFocus();
    QTest::keyClick(w.button, Qt::Key_F5);
    const QString xml = r.report();
    EXPECT_FALSE(xml.contains(QStringLiteral("SECRET"))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("déjà"))) << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("contenu"))) << xml.toStdString();
    for (const char* letterCode : {"data=\"83\"", "data=\"32\"", "data=\"88\""})
        EXPECT_FALSE(xml.contains(QString::fromLatin1(letterCode))) << letterCode;
    const std::vector<TClickTraceEntry> entries = r.trace.NewestFirst();
    ASSERT_GE(entries.size(), 6u);
    EXPECT_EQ(entries[0].ClassName, QStringLiteral("QPushButton"));
    EXPECT_EQ(entries[0].Data, 116);  // F5
    EXPECT_EQ(entries[0].Text, QStringLiteral("Valider"));
    const auto edit = [&](size_t i) { return entries[i].EditBox && entries[i].Text.isEmpty(); };
    EXPECT_TRUE(edit(1) && edit(2) && edit(3));  // the two letters in the text box, its viewport click
    std::vector<int> editKeys;
    for (const TClickTraceEntry& e : entries)
        if (e.EditBox && e.Data) editKeys.push_back(*e.Data);
    EXPECT_EQ(editKeys, (std::vector<int>{9, 13}));  // newest first: Tab, Enter
    EXPECT_TRUE(xml.contains(QStringLiteral("type=\"KDOWN\" class=\"QLineEdit\" data=\"13\"/>"))) << xml.toStdString();
}

TEST(ErrorLogging, AMissingConfiguredFolderIsShownOnceAndTheLogGoesToTheFallback) {
    TemporarySettings settings;
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", settings.file(QStringLiteral("state")).toLocal8Bit());
    WriteRegString(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Veltrano"), QStringLiteral("ErrorLogPath"),
                   settings.file(QStringLiteral("no/such/folder")));
    QObject watch;
    QString shown, remembered;
    AnswerNextMessage(&watch, shown);
    InitializeErrorLogging(&remembered);
    FinalizeErrorLogging();
    EXPECT_EQ(remembered, QStringLiteral("Incorrect HKLM\\Software\\Veltrano\\ErrorLogPath"));
    EXPECT_EQ(shown, QStringLiteral("Erreur Détectée :\r\nIncorrect HKLM\\Software\\Veltrano\\ErrorLogPath\r\n"));
    QFile log(settings.file(QStringLiteral("state/Lorvane/error.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);  // the shutdown line ends with an empty line
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" - ERR - Incorrect HKLM\\Software\\Veltrano\\ErrorLogPath")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" - APP - Application Startup - ")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" v") + GetAppVersionString()));
    EXPECT_TRUE(lines[2].contains(QStringLiteral(" - APP - Application Shutdown - ")));
    EXPECT_TRUE(lines[3].isEmpty());
    oldState.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", oldState);
}

}  // namespace
