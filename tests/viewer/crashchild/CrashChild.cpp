// A small program with the viewer's start-up machinery that fails on
// purpose, for the crash tests: "paint" raises inside a widget's paint (an
// error wrapped around another), "click" inside a mouse press, "startup" in
// the start-up block. The report dialog is answered with "Quitter" as soon
// as it shows. Settings live in the folder named by LORVANE_TEST_SETTINGS.
#include "CLorvaneApplication.h"
#include "FCrashReportForm.h"
#include "UCrashReport.h"
#include "UErrorLogging.h"
#include "USettings.h"
#include "USysUtils.h"

#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace {

class FailingWidget : public QWidget {
public:
    bool FailOnPaint = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (FailOnPaint) drawDeep(3);
    }
    void mousePressEvent(QMouseEvent*) override { throw EConvertError(QStringLiteral("clicked <here> & \"there\"")); }

private:
    void drawDeep(int depth) {
        if (depth > 0) return drawDeep(depth - 1);
        try {
            throw std::runtime_error("inner failure");
        } catch (...) {
            std::throw_with_nested(EConvertError(QStringLiteral("paint failed")));
        }
    }
};

void answerReportDialog() {
    QTimer::singleShot(20, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TCrashReportForm*>(w); form && form->isVisible())
                return QTest::mouseClick(form->QuitButton(), Qt::LeftButton);
        answerReportDialog();
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString folder = qEnvironmentVariable("LORVANE_TEST_SETTINGS");
    if (!folder.isEmpty())
        setSettingsPaths({folder + QStringLiteral("/bin/lorvane"), folder + QStringLiteral("/user"),
                          folder + QStringLiteral("/machine")});
    SetDecimalSeparator(QLatin1Char('.'));
    TLorvaneApplication app(argc, argv);
    InitializeErrorLogging();
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    answerReportDialog();
    try {
        if (mode == QLatin1String("startup")) throw EConvertError(QStringLiteral("start-up failed"));
        FailingWidget widget;
        widget.setWindowTitle(QStringLiteral("Fenêtre d'essai"));
        widget.resize(200, 100);
        QPushButton first(QStringLiteral("Premier"), &widget);
        first.move(0, 0);
        widget.show();
        QTimer::singleShot(50, [&] {
            QTest::mouseClick(&first, Qt::LeftButton);
            if (mode == QLatin1String("paint")) {
                widget.FailOnPaint = true;
                widget.update();
            } else {
                QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(150, 80));
            }
        });
        QTimer::singleShot(20000, [] { QCoreApplication::exit(5); });
        app.exec();
    } catch (...) {
        ReportFatalError(std::current_exception());
    }
    FinalizeErrorLogging();
    return 4;  // the failure did not end the program
}
