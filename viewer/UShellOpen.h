#pragma once
// Opening things with the desktop: a folder in the file manager, a file or a
// URL with the application the desktop chooses, a program with its
// parameters. Everything goes through one replaceable service, so that the
// tests see what would have been opened instead of opening it.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

struct TShellService {
    std::function<bool(const QUrl& url)> OpenUrl;  // QDesktopServices::openUrl
    std::function<bool(const QString& program, const QStringList& arguments)> StartProgram;  // detached
};

// The service in force; SetShellService with empty members restores the desktop's.
TShellService& ShellService();
void SetShellService(const TShellService& service);
void ResetShellService();

// How ShellOpen reads a text: a program and its parameters. A text that
// begins with a double quote ends its program at the closing quote;
// otherwise the program ends at the first space after the first ".". A text
// without parameters is opened as it is.
struct TShellCommand {
    QString Program;
    QString Parameters;
};
TShellCommand SplitShellCommand(const QString& text);

// Opens a folder that exists in the file manager; otherwise splits the text
// as above: without parameters it is opened (a URL, a file), with them the
// program is started with them. False when nothing could be opened.
bool ShellOpen(const QString& text);
