#pragma once
// The program's application object: every event it dispatches passes the
// click recorder first, and an error that escapes an event handler ends the
// program through ReportFatalError. Errors that arrive while the report is
// already on its way (a window repainting behind the report dialog, say)
// are only logged.

#include <QApplication>

#include <exception>

class TLorvaneApplication : public QApplication {
    Q_OBJECT
public:
    TLorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// What the application does with an error that escaped an event handler.
void HandleEventError(const std::exception_ptr& error);
