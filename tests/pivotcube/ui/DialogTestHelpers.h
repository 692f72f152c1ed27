#pragma once
// Helpers of the editor dialog tests: a list of cube values, and running a
// modal dialog's entry point while a test drives it from the event loop.

#include "UMultiLang.h"
#include "UPivotCube.h"
#include "UStdMessageDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Values with these names and group operator names, in order.
inline std::unique_ptr<TPivotCubeValues> MakeValues(const std::vector<std::pair<QString, QString>>& specs) {
    auto values = std::make_unique<TPivotCubeValues>();
    for (const auto& [name, op] : specs) {
        auto value = std::make_unique<TPivotCubeValue>();
        value->Description.Nom = name;
        value->SetGroupOperatorName(op);
        values->Add(std::move(value));
    }
    return values;
}

// Runs the modal entry point `run` (which calls exec) and, once the dialog's
// event loop turns, `drive`, as a user would. A dialog that drive leaves
// open is cancelled afterwards, so a failed step never hangs the test.
template <class Dialog, class Run>
bool RunModal(Dialog& dialog, std::function<void()> drive, Run run) {
    QTimer::singleShot(0, &dialog, [&dialog, drive] {
        dialog.activateWindow();
        (void)QTest::qWaitForWindowActive(&dialog);
        drive();
        if (dialog.isVisible()) dialog.reject();
    });
    return run();
}

// The next standard message box that opens is closed with its first button;
// its text is kept in `shown`.
inline void CloseNextMessage(QString& shown) {
    QTimer::singleShot(0, [&shown] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<TStdMessageDlg*>(w); box && box->isVisible()) {
                shown = box->ShownText();
                if (auto* button = box->findChild<QPushButton*>()) button->click();
                else box->reject();
                return;
            }
    });
}

// English (0x0409) chosen for the life of the object, with a dictionary made
// of the given "source=translation" lines; French again afterwards.
class ScopedEnglish {
public:
    explicit ScopedEnglish(const QByteArray& lines) {
        QDir().mkpath(FDir.filePath(QStringLiteral("app")));
        QDir().mkpath(FDir.filePath(QStringLiteral("temp")));
        QFile dictionary(FDir.filePath(QStringLiteral("app/lorvane-0409.LAND")));
        if (dictionary.open(QIODevice::WriteOnly)) dictionary.write("\xEF\xBB\xBFu0409\r\n" + lines);
        dictionary.close();
        InitializeMultiLang({FDir.filePath(QStringLiteral("app/lorvane")), FDir.filePath(QStringLiteral("temp"))});
        SetCurrentLanguage(0x0409);
    }
    ~ScopedEnglish() {
        SetCurrentLanguage(0);
        try {
            FinalizeMultiLang();
        } catch (...) {
        }
        InitializeMultiLang();
    }
    ScopedEnglish(const ScopedEnglish&) = delete;
    ScopedEnglish& operator=(const ScopedEnglish&) = delete;

private:
    QTemporaryDir FDir;
};
