#pragma once
// The error-log file: "error.log" in the error-log folder, one line per
// entry ("dd/mm/yy - hh:nn:ss - ", the program's path, category, message and
// details, each after " - "), moved aside under its name plus
// ".yyyymmdd-hhnnss.bak" once its size in whole megabytes exceeds the
// rotation size. Writers are serialised inside the process by a lock and
// between processes by a lock on the file, so no two lines ever interleave.

#include "ULog.h"

#include <QString>
#include <QStringList>

#include <mutex>

// Where the log goes and how large it may grow, from the machine-wide
// settings (HKLM "Software\Veltrano": "ErrorLogPath", "ErrorLogRotateSizeMB").
struct TErrorLogSettings {
    QString Folder;         // with a trailing separator
    int RotateSizeMB = 512; // at least 1
    QString Message;        // the configuration fault to report once, or empty
};

// A folder is usable when it exists and a probe file "dummy.log" can be
// written there (the probe is removed again).
bool IsUsableLogFolder(const QString& folder);
// The configured folder when it is usable; otherwise the first usable
// fallback (remembering "Incorrect HKLM\Software\Veltrano\ErrorLogPath" when a
// configured folder was refused). Fallback folders that are missing are created.
TErrorLogSettings ResolveErrorLogSettings(const QString& configuredFolder, const QString& rotateSizeText,
                                          const QStringList& fallbackFolders);
// The same from the machine-wide settings, with the user's state folder for
// logs (XDG_STATE_HOME/Lorvane, else ~/.local/state/Lorvane) and then the
// temporary folder as fallbacks.
TErrorLogSettings ReadErrorLogSettings();
QStringList DefaultErrorLogFolders();

// "512" gives 512; text that is not a number gives 512; zero or less gives 1.
int RotationSizeFromText(const QString& text);

class TErrorLogFile {
public:
    TErrorLogFile(const QString& folder, int rotateSizeMB, const QString& programPath);

    QString FileName() const { return FFileName; }
    // The line as written, without its CR LF.
    QString FormatLine(const QString& category, const QString& message, const QString& details) const;
    // Appends one line; every failure loses the line silently.
    void Write(const QString& category, const QString& message, const QString& details = QString()) noexcept;
    // A sink that writes to this file (which must outlive it).
    TLogSink Sink();

private:
    void rotateIfNeeded(qint64 size);

    QString FFileName;
    int FRotateSizeMB;
    QString FProgramPath;
    std::mutex FLock;
};
