// The application object's event dispatch.
#include "CLorvaneApplication.h"

#include "UClickTrace.h"
#include "UCrashReport.h"
#include "UErrorLogging.h"
#include "ULog.h"

TLorvaneApplication::TLorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TLorvaneApplication::notify(QObject* receiver, QEvent* event) {
    if (ClickRecordingEnabled()) ClickTrace().Record(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleEventError(std::current_exception());
        return false;
    }
}

void HandleEventError(const std::exception_ptr& error) {
    if (!FatalErrorInProgress()) ReportFatalError(error);
    static bool logged = false;
    if (logged) return;
    logged = true;
    const std::vector<TExceptionInfo> chain = ExceptionChain(error);
    if (!chain.empty()) WriteLog(QStringLiteral("EXC"), chain[0].ClassName, chain[0].Message);
}
