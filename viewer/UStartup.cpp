// Start-up, the single run of the main window, and the end.
#include "UStartup.h"

#include "CLorvaneApplication.h"
#include "CVersionCheck.h"
#include "FPCInteractiveForm.h"
#include "UCrashReport.h"
#include "UDesktopAssociation.h"
#include "UErrorLogging.h"
#include "UMultiLang.h"
#include "USettings.h"
#include "USysUtils.h"
#include "UWindowServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdio>

QString DocumentArgument(const QStringList& arguments) {
    if (arguments.size() < 2) return {};
    const QFileInfo last(arguments.last());
    return last.exists() && last.isFile() ? last.absoluteFilePath() : QString();
}

bool RegisterAssociationIfAllowed(const QString& dataFolder, const QString& program, bool refreshCaches) {
    if (!StrToBoolDef(ReadIniSetting(QStringLiteral("Application"), QStringLiteral("AutoRegister"), QStringLiteral("Y")), false))
        return false;
    return RegisterDesktopAssociation(dataFolder, program, refreshCaches);
}

int RunLorvane(int argc, char** argv) {
    // Numbers are written with "." whatever the user's locale.
    SetDecimalSeparator(QLatin1Char('.'));
    TLorvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lorvane"));
    InitializeMultiLang();
    InitializeErrorLogging();

    // Answers that need no window, for scripts and installers: the version,
    // and the languages whose translation files lie beside the program.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2 && arguments[1] == QLatin1String("--version")) {
        std::printf("lorvane %s\n", LORVANE_VERSION);
        return 0;
    }
    if (arguments.size() == 2 && arguments[1] == QLatin1String("--languages")) {
        for (const TAvailableLanguage& language : AvailableLanguages())
            std::printf("%s %s\n", IntToHex(language.LanguageID, 4).toUtf8().constData(), language.Name.toUtf8().constData());
        return 0;
    }

    // Marks a running instance for the desktop's tools; another instance may
    // hold it already, which is not an error.
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) runtime = QDir::tempPath();
    QLockFile instanceLock(runtime + QStringLiteral("/LorvaneMutex"));
    instanceLock.setStaleLockTime(0);
    (void)instanceLock.tryLock(0);

    // An error that escapes the start-up or the window's run ends the
    // program through the crash report.
    try {
        RegisterAssociationIfAllowed(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                                     QApplication::applicationFilePath());
        TVersionCheck versionCheck;
        TPCInteractiveForm form;
        ConnectWindowServices(form, versionCheck);
        form.WebCheckEnabled =
            StrToBoolDef(ReadIniSetting(QStringLiteral("WebCheck"), QStringLiteral("Enabled"), QStringLiteral("Y")), false);
        const QString document = DocumentArgument(QApplication::arguments());
        if (!document.isEmpty()) {
            form.ExecuteFile(document);
        } else {
            TPivotCubeData cube;
            TPCInteractive empty;
            form.ExecuteInteractive(empty, cube, QString(), true);
        }
    } catch (...) {
        ReportFatalError(std::current_exception());
    }
    // Saves the dictionaries that learnt new texts.
    try {
        FinalizeMultiLang();
    } catch (const Exception&) {
    }
    FinalizeErrorLogging();
    return 0;
}
