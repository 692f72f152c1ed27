// Start and end of the error logging.
#include "UErrorLogging.h"

#include "UAppVersion.h"
#include "UClickTrace.h"
#include "UCrashReport.h"
#include "UErrorLogFile.h"
#include "ULog.h"
#include "UMultiLang.h"
#include "UStdMessageDlg.h"

#include <QCoreApplication>

#include <memory>

namespace {

struct Logging {
    std::unique_ptr<TErrorLogFile> file;
    int sink = 0;
    bool recordClicks = false;
};

Logging& logging() {
    static Logging state;
    return state;
}

QString programPath() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

}  // namespace

void InitializeErrorLogging(QString* errorShown) {
    Logging& state = logging();
    const TErrorLogSettings settings = ReadErrorLogSettings();
    if (!settings.Message.isEmpty()) {
        if (errorShown) *errorShown = settings.Message;
        // Only the heading is an interface text; the configured fault is shown as it is.
        ShowError(QLatin1Char('!') + Translate(QStringLiteral("Erreur Détectée :\r\n")) + settings.Message +
                  QStringLiteral("\r\n"));
    }
    if (state.sink) RemoveLogSink(state.sink);
    state.file = std::make_unique<TErrorLogFile>(settings.Folder, settings.RotateSizeMB, programPath());
    state.sink = AddLogSink(state.file->Sink());
    // The fault shown above goes into the new log as well.
    if (!settings.Message.isEmpty()) WriteLog(QStringLiteral("ERR"), settings.Message);
    WriteLog(QStringLiteral("APP"), QStringLiteral("Application Startup"),
             programPath() + QStringLiteral(" v") + GetAppVersionString());
    RegisterStandardCrashReporters();
    StampLaunch();
    ClickTrace().Clear();
    ClickTrace().StartTicks = TickCount();
    state.recordClicks = true;
}

void FinalizeErrorLogging() {
    Logging& state = logging();
    if (!state.file) return;
    WriteLog(QStringLiteral("APP"), QStringLiteral("Application Shutdown"), programPath() + QStringLiteral("\r\n"));
    state.recordClicks = false;
    RemoveLogSink(state.sink);
    state.sink = 0;
    state.file.reset();
    CrashReporters().clear();
}

QString ErrorLogFileName() { return logging().file ? logging().file->FileName() : QString(); }

bool ClickRecordingEnabled() { return logging().recordClicks; }
