#pragma once
// The one message box of the program: an icon, a wrapping message and a row
// of buttons whose captions the caller gives; the dialog answers with the
// (untranslated) caption of the pressed button, empty when it was closed
// otherwise. Captions, message and buttons are French source texts,
// translated when shown; a message that begins with "!" is shown as it is
// (without the "!"). The usual boxes and a file write that offers to retry
// are the functions below.

#include "USysUtils.h"

#include <QDialog>
#include <QStringList>

#include <initializer_list>

class QLabel;
class QScrollArea;

class TStdMessageDlg : public QDialog {
    Q_OBJECT
public:
    TStdMessageDlg(const QString& caption, const QString& message, const QStringList& buttons,
                   const QString& iconName = QStringLiteral("png_information_blue_32"), QWidget* parent = nullptr);

    // The caption of the pressed button; empty until one is pressed.
    const QString& Result() const { return FResult; }
    // The message as shown.
    const QString& ShownText() const { return FShownText; }
    QLabel* MessageLabel() const { return FLabel; }
    QScrollArea* ScrollBox() const { return FScroll; }
    // Shows the dialog modally; the caption of the pressed button.
    QString Run();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString FResult, FShownText, FIconName;
    QLabel* FLabel = nullptr;
    QScrollArea* FScroll = nullptr;
    int FBandTop = 0;
};

void ShowError(const QString& text);
bool AskQuestion(const QString& format, std::initializer_list<FormatArg> args = {});
void ShowInformation(const QString& format, std::initializer_list<FormatArg> args = {});
bool AskRetry(const QString& text);
// Writes bytes to path (through a temporary file renamed over it, so a failed
// write never leaves half a file); a failure asks whether to try again.
// False when the user gives up.
bool WriteFileWithRetry(const QString& path, const QByteArray& bytes);
