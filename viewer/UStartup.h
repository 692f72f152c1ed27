#pragma once
// What the program does before and around its main window: the document the
// command line names, the desktop registration the INI file allows, and the
// whole start-up sequence.

#include <QString>
#include <QStringList>

// Only the last argument counts: the file it names when it is an existing
// file (links followed), else nothing. arguments include the program's name.
QString DocumentArgument(const QStringList& arguments);

// Registers the document type with the desktop unless [Application]
// AutoRegister is off in the INI file; true when files were written.
bool RegisterAssociationIfAllowed(const QString& dataFolder, const QString& program, bool refreshCaches = true);

// The program: start-up, one run of the main window, orderly end.
int RunLorvane(int argc, char** argv);
