#pragma once
// The viewer tests' surroundings: settings in a temporary folder, the window
// over a document file, and answers to the message boxes and input boxes the
// window opens.

#include "FPCInteractiveForm.h"
#include "UStdMessageDlg.h"
#include "USettings.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

// Settings (registry values, INI switches) kept in a temporary folder.
struct TemporarySettings {
    QTemporaryDir dir;
    TemporarySettings() {
        setSettingsPaths({dir.filePath(QStringLiteral("bin/lorvane")), dir.filePath(QStringLiteral("user")),
                          dir.filePath(QStringLiteral("machine"))});
    }
    ~TemporarySettings() { resetSettingsPaths(); }
    QString file(const QString& name) const { return dir.filePath(name); }
};

// Runs act on the first visible widget that find gives, as soon as one
// opens (the window may turn its event loop before, while a file loads).
// The watch ends with its context (the test's window), so that it never
// reaches into a later test.
template <class Find, class Act>
void WhenOpen(QObject* context, Find find, Act act, int triesLeft = 500) {
    QTimer::singleShot(10, context, [context, find, act, triesLeft] {
        if (auto* widget = find()) return act(widget);
        if (triesLeft > 0) WhenOpen(context, find, act, triesLeft - 1);
    });
}

// The next message box is answered with the button captioned answer; its
// text goes into shown.
inline void AnswerNextMessage(QObject* context, QString& shown, const QString& answer = QStringLiteral("Ok")) {
    WhenOpen(context, 
        []() -> TStdMessageDlg* {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<TStdMessageDlg*>(w); box && box->isVisible()) return box;
            return nullptr;
        },
        [&shown, answer](TStdMessageDlg* box) {
            shown = box->ShownText();
            for (QPushButton* button : box->findChildren<QPushButton*>())
                if (button->text() == answer) return button->click();
            box->reject();
        });
}

// The next input box is given text and accepted.
inline void AnswerNextInput(QObject* context, const QString& text, QString* title = nullptr) {
    WhenOpen(context, [] { return qobject_cast<QInputDialog*>(QApplication::activeModalWidget()); },
             [text, title](QInputDialog* box) {
                 if (title) *title = box->windowTitle();
                 box->setTextValue(text);
                 box->accept();
             });
}

inline QStringList TreeTexts(const TPCInteractiveForm& form) {
    QStringList out;
    for (int i = 0; i < form.ViewsTree()->topLevelItemCount(); ++i) out << form.ViewsTree()->topLevelItem(i)->text(0);
    return out;
}

inline QString SelectedText(const TPCInteractiveForm& form) {
    const QList<QTreeWidgetItem*> selected = form.ViewsTree()->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(0);
}

// A click on a node of the views tree, as the user makes it.
inline void ClickNode(TPCInteractiveForm& form, int index) {
    QTreeWidget* tree = form.ViewsTree();
    const QRect r = tree->visualItemRect(tree->topLevelItem(index));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
}
