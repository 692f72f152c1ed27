#pragma once
// The error logging and crash machinery of the program, set up at start and
// taken down at its end: the error-log file (its folder and size from the
// machine-wide settings; a wrong folder is reported once), the start and end
// lines, the report's sections and launch stamps, and the click recorder.

#include <QString>

// errorShown receives the configuration fault shown at start, if any.
void InitializeErrorLogging(QString* errorShown = nullptr);
// Logs "Application Shutdown" and removes the file sink.
void FinalizeErrorLogging();
// The error log in force (empty before the start).
QString ErrorLogFileName();
bool ClickRecordingEnabled();
