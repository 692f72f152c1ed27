#pragma once
// The report dialog shown before the program ends after a fatal error: a
// notice that the application will close, the error's message, and a
// pointer to the report, with three buttons: "Consulter les détails..."
// opens the report, "Envoyer le rapport..." (the default) mails it and
// closes, "Quitter" closes. While the dialog is active, Print Screen (or
// Ctrl+C) puts the report's text on the clipboard instead of a picture.

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

class TCrashReportForm : public QDialog {
    Q_OBJECT
public:
    TCrashReportForm(const QString& message, const QString& className, const QString& reportPath,
                     QWidget* parent = nullptr);

    // What Print Screen puts on the clipboard.
    QString ClipboardText() const;
    void CopyReportToClipboard();
    void ShowDetails();
    void SendReport();

    QLabel* MessageLabel() const { return FMessage; }
    QScrollArea* MessageBox() const { return FScroll; }
    QPushButton* DetailsButton() const { return FDetails; }
    QPushButton* SendButton() const { return FSend; }
    QPushButton* QuitButton() const { return FQuit; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fitMessage();

    QString FClassName, FMessageText, FReportPath;
    QLabel* FMessage = nullptr;
    QScrollArea* FScroll = nullptr;
    QPushButton *FDetails = nullptr, *FSend = nullptr, *FQuit = nullptr;
};
