#pragma once
// Sending a crash report to the support mailbox: with xdg-email, which opens
// the user's mail program with the report attached, when it is installed and
// the report exists; otherwise with a mailto: URL naming the report so that
// the user can attach it.

#include <QString>
#include <QStringList>
#include <QUrl>

// The support mailbox (a build-time setting).
QString SupportMailbox();

// Letters with accents of the Latin-1 range replaced by their base letters.
QString RemoveAccents(const QString& text);

QString CrashMailSubject(const QString& className);
// The arguments given to xdg-email.
QStringList CrashMailArguments(const QString& className, const QString& message, const QString& reportPath);
QUrl CrashMailURL(const QString& className, const QString& message, const QString& reportPath);

// xdgEmail is the path of the xdg-email program, empty when there is none.
// False when nothing could be opened.
bool SendCrashReport(const QString& className, const QString& message, const QString& reportPath,
                     const QString& xdgEmail);
