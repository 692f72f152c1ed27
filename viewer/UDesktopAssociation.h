#pragma once
// The document file type registered with the desktop: a shared-mime-info
// package for "application/x-pivotcube" (*.Dravo) and a desktop entry that
// opens such files with the program, in the user's data folder. Files are
// written only when their content differs; the desktop's caches are then
// refreshed with update-mime-database / update-desktop-database when present.

#include <QString>

// dataFolder: the user's data folder (~/.local/share); program: the program's
// full path. True when something had to be written. Failures are silent.
// refreshCaches runs the desktop's cache tools after a write.
bool RegisterDesktopAssociation(const QString& dataFolder, const QString& program, bool refreshCaches = true);

// The two files' contents: the shared-mime-info package, and the desktop
// entry that opens documents with program (quoted as freedesktop entries
// want it) under the given icon name. The installed program ships the same
// texts (tools/desktopfiles), with its own icon.
QByteArray MimePackageText();
QByteArray DesktopEntryText(const QString& program, const QString& icon = QStringLiteral("x-office-spreadsheet"));

// The two files' paths under a data folder.
QString MimePackagePath(const QString& dataFolder);
QString DesktopEntryPath(const QString& dataFolder);
