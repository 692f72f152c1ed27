// Opening folders, files, URLs and programs through the desktop.
#include "UShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace {

TShellService desktopService() {
    return {[](const QUrl& url) { return QDesktopServices::openUrl(url); },
            [](const QString& program, const QStringList& arguments) {
                return QProcess::startDetached(program, arguments);
            }};
}

}  // namespace

TShellService& ShellService() {
    static TShellService service = desktopService();
    return service;
}

void SetShellService(const TShellService& service) {
    const TShellService desktop = desktopService();
    ShellService().OpenUrl = service.OpenUrl ? service.OpenUrl : desktop.OpenUrl;
    ShellService().StartProgram = service.StartProgram ? service.StartProgram : desktop.StartProgram;
}

void ResetShellService() { SetShellService({}); }

TShellCommand SplitShellCommand(const QString& text) {
    TShellCommand command;
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        if (close < 0) return {text.mid(1), QString()};
        return {text.mid(1, close - 1), text.mid(close + 1).trimmed()};
    }
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const qsizetype space = dot < 0 ? -1 : text.indexOf(QLatin1Char(' '), dot);
    if (space < 0) return {text, QString()};
    return {text.left(space), text.mid(space + 1).trimmed()};
}

bool ShellOpen(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return false;
    const QFileInfo folder(trimmed);
    if (folder.isDir()) return ShellService().OpenUrl(QUrl::fromLocalFile(folder.absoluteFilePath()));
    const TShellCommand command = SplitShellCommand(trimmed);
    if (command.Parameters.isEmpty()) {
        if (QFileInfo(command.Program).isDir())
            return ShellService().OpenUrl(QUrl::fromLocalFile(QFileInfo(command.Program).absoluteFilePath()));
        if (QFileInfo::exists(command.Program))
            return ShellService().OpenUrl(QUrl::fromLocalFile(QFileInfo(command.Program).absoluteFilePath()));
        return ShellService().OpenUrl(QUrl::fromUserInput(command.Program));
    }
    return ShellService().StartProgram(command.Program, QProcess::splitCommand(command.Parameters));
}
