#pragma once
// The log: an ordered list of sinks, each taking (category, message,
// details). WriteLog hands a line to every sink in order. Categories are
// "APP" (start and end of the program), "EXC" (an exception), "ERR" (an
// error shown to the user) and "MSG" (anything else).
//
// Logging never raises and any thread may log: the sink list has its own
// lock, and a sink that fails loses its line.

#include <QString>

#include <functional>

using TLogSink = std::function<void(const QString& category, const QString& message, const QString& details)>;

// Appends a sink; the number it answers removes it again.
int AddLogSink(TLogSink sink);
void RemoveLogSink(int id);
void RemoveAllLogSinks();

void WriteLog(const QString& category, const QString& message, const QString& details = QString()) noexcept;
