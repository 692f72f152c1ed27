// The standard message dialog: its geometry as arithmetic, then the real
// dialog driven with the mouse and the keyboard, and the retrying file write.
#include "UStdMessageDlg.h"
#include "UStdMessageDlgLayout.h"
#include "UMultiLang.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(StdMessageDlgLayout, Cases) {
    struct Case {
        const char* name;
        std::vector<int> buttons;
        QSize text, wrapped;
        QSize client;
        bool scrolled, centred;
        QRect firstButton;
    } cases[] = {
        // 268 = 200 + 68; the text is centred beside the icon; one 96-wide button half a gap from the edge.
        {"one short line", {40}, {200, 15}, {0, 0}, {268, 92}, false, true, {156, 63, 96, 24}},
        // At least 100 per button, the buttons' widths plus 16 beside the text.
        {"two buttons", {40, 40}, {50, 15}, {0, 0}, {276, 92}, false, true, {58, 63, 96, 24}},
        // A line wider than 90/128 of the screen is wrapped within the width left.
        {"wrapped", {40}, {2000, 15}, {800, 150}, {900, 210}, false, false, {788, 181, 96, 24}},
        // Thousands of lines: a scroll box, the dialog no taller than the screen minus 128.
        {"thousands of lines", {40, 40}, {300, 50000}, {300, 50000}, {368, 896}, true, false, {128, 867, 96, 24}},
        // A text beyond the measuring cap keeps its clipped width: scrolled.
        {"clipped", {40}, {40000, 15}, {800, 15}, {900, 116}, true, false, {788, 87, 96, 24}},
    };
    for (const Case& c : cases) {
        TStdMessageDlgMeasures m;
        m.ButtonTextWidths = c.buttons;
        m.Text = c.text;
        m.Screen = QSize(1280, 1024);
        m.Wrapped = [&](int) { return c.wrapped; };
        const TStdMessageDlgLayout l = LayOutStdMessageDlg(m);
        EXPECT_EQ(l.Client, c.client) << c.name;
        EXPECT_EQ(l.Scrolled, c.scrolled) << c.name;
        EXPECT_EQ(l.CentredVertically, c.centred) << c.name;
        ASSERT_EQ(l.Buttons.size(), c.buttons.size()) << c.name;
        EXPECT_EQ(l.Buttons.front(), c.firstButton) << c.name;
        EXPECT_LE(l.Client.height(), 1024 - 128) << c.name;
        if (l.Scrolled) {
            EXPECT_EQ(l.ScrollBox.topLeft(), QPoint(54, 12)) << c.name;
        }
    }
}

TEST(StdMessageDlg, ButtonsGiveTheirUntranslatedCaption) {
    TStdMessageDlg dialog(QStringLiteral("Confirmation"), QStringLiteral("Continuer ?"), {QStringLiteral("Oui"), QStringLiteral("Non")});
    dialog.show();
    auto* yes = dialog.findChild<QPushButton*>(QStringLiteral("Oui"));
    ASSERT_NE(yes, nullptr);
    EXPECT_EQ(yes->height(), 24);
    EXPECT_GE(dialog.width(), 200) << "100 per button at least";
    QTest::mouseClick(yes, Qt::LeftButton);
    EXPECT_EQ(dialog.Result(), QStringLiteral("Oui"));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(StdMessageDlg, EscapeCancelsAndCtrlCCopies) {
    for (const int key : {int(Qt::Key_C), int(Qt::Key_Insert)}) {
        TStdMessageDlg dialog(QStringLiteral("Erreur"), QStringLiteral("!Texte à copier"), {QStringLiteral("Ok")});
        dialog.show();
        QApplication::clipboard()->clear();
        QTest::keyClick(&dialog, Qt::Key(key), Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Texte à copier")) << "the \"!\" is not shown";
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.Result(), QString());
    }
}

TEST(StdMessageDlg, HugeTextsScroll) {
    QStringList lines;
    for (int i = 0; i < 3000; ++i) lines << QStringLiteral("Ligne %1 d'un très long rapport").arg(i);
    TStdMessageDlg dialog(QStringLiteral("Information"), QLatin1Char('!') + lines.join(QLatin1Char('\n')), {QStringLiteral("Ok")});
    ASSERT_NE(dialog.ScrollBox(), nullptr);
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().height();
    EXPECT_LE(dialog.height(), screen - 128);
    EXPECT_GT(dialog.MessageLabel()->height(), dialog.ScrollBox()->height());

    TStdMessageDlg small(QStringLiteral("Information"), QStringLiteral("!Court"), {QStringLiteral("Ok")});
    EXPECT_EQ(small.ScrollBox(), nullptr);
    EXPECT_EQ(small.MessageLabel()->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
}

// A picture of the dialog (kept under the build folder for looking at): the
// icon painted at (12, 12), the bottom band in its blended colour.
TEST(StdMessageDlg, Picture) {
    TStdMessageDlg dialog(QStringLiteral("Problème"),
                          QStringLiteral("!Echec de l'enregistrement de \"rapport.html\".\nLe fichier est peut être utilisé par une autre application."),
                          {QStringLiteral("Recommencer"), QStringLiteral("Abandon")}, QStringLiteral("png_question_red_32"));
    dialog.show();
    const QImage picture = dialog.grab().toImage();
    QDir().mkpath(QStringLiteral(LORVANE_BINARY_DIR "/screenshots"));
    picture.save(QStringLiteral(LORVANE_BINARY_DIR "/screenshots/std_message_dlg.png"));
    const QColor window = dialog.palette().color(QPalette::Window);
    bool iconPainted = false;
    for (int y = 12; y < 44 && !iconPainted; ++y)
        for (int x = 12; x < 44 && !iconPainted; ++x) iconPainted = picture.pixelColor(x, y) != window;
    EXPECT_TRUE(iconPainted);
    const QColor band = picture.pixelColor(4, dialog.height() - 4);
    const QColor button = dialog.palette().color(QPalette::Button);
    EXPECT_NEAR(band.red(), window.red() * 0.66 + button.red() * 0.34, 2);
}

// Answers the next modal dialog with the named button, noting its message.
void answerNextDialog(const QString& button, QString* message) {
    QTimer::singleShot(0, [button, message] {
        auto* dialog = qobject_cast<TStdMessageDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (message) *message = dialog->ShownText();
        if (auto* b = dialog->findChild<QPushButton*>(button)) QTest::mouseClick(b, Qt::LeftButton);
    });
}

TEST(StdMessageDlg, AskQuestionAndRetry) {
    answerNextDialog(QStringLiteral("Oui"), nullptr);
    EXPECT_TRUE(AskQuestion(QStringLiteral("Supprimer %s ?"), {FormatArg(QStringLiteral("la vue"))}));
    answerNextDialog(QStringLiteral("Non"), nullptr);
    EXPECT_FALSE(AskQuestion(QStringLiteral("Supprimer ?")));
    answerNextDialog(QStringLiteral("Recommencer"), nullptr);
    EXPECT_TRUE(AskRetry(QStringLiteral("Encore ?")));
}

// With another language chosen the buttons show their translations, and the
// answer is still read from the source caption.
TEST(StdMessageDlg, TranslatedButtonsStillAnswer) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("app")));
    QDir().mkpath(dir.filePath(QStringLiteral("temp")));
    QFile dictionary(dir.filePath(QStringLiteral("app/lorvane-0409.LAND")));
    ASSERT_TRUE(dictionary.open(QIODevice::WriteOnly));
    dictionary.write("\xEF\xBB\xBFu0409\r\nOui=Yes\r\nNon=No\r\n");
    dictionary.close();
    InitializeMultiLang({dir.filePath(QStringLiteral("app/lorvane")), dir.filePath(QStringLiteral("temp"))});
    SetCurrentLanguage(0x0409);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<TStdMessageDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* yes = dialog->findChild<QPushButton*>(QStringLiteral("Oui"));
        if (!yes) return;
        shown = yes->text();
        QTest::mouseClick(yes, Qt::LeftButton);
    });
    const bool answer = AskQuestion(QStringLiteral("Continuer ?"));
    SetCurrentLanguage(0);
    try {
        FinalizeMultiLang();
    } catch (...) {
    }
    InitializeMultiLang();
    EXPECT_EQ(shown, QStringLiteral("Yes"));
    EXPECT_TRUE(answer);
}

TEST(StdMessageDlg, WriteFileWithRetry) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sortie.html"));
    EXPECT_TRUE(WriteFileWithRetry(path, "<p>1</p>"));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("<p>1</p>"));

    // A folder stands where the file should go: the user is asked, naming the file; giving up leaves silently.
    const QString blocked = dir.filePath(QStringLiteral("dossier"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    QString asked;
    answerNextDialog(QStringLiteral("Abandon"), &asked);
    EXPECT_FALSE(WriteFileWithRetry(blocked, "x"));
    EXPECT_TRUE(asked.contains(blocked)) << asked.toStdString();
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("sortie.html")}) << "no half-written file is left";
}

} // namespace
