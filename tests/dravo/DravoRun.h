// Runs the dravo program as a user would from a shell, and collects what it
// answers: the exit code, standard output (as bytes and as text) and errors.
#pragma once

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

struct DravoCall {
    QStringList args{};
    QString workingDirectory{};        // empty: this process's
    QString standardOutputFile{};      // empty: standard output is collected
    std::function<void()> inChild{};   // run in the child just before the program starts
    QString locale{};                  // LC_ALL of the child; empty: inherited
};

struct DravoOutcome {
    int code;          // -1 when the program did not end normally
    QString out, err;  // standard output and errors, read as UTF-8
    QByteArray bytes;  // standard output as it was written
};

inline DravoOutcome RunProgram(const QString& program, const DravoCall& call) {
    QProcess p;
    if (!call.workingDirectory.isEmpty()) p.setWorkingDirectory(call.workingDirectory);
    if (!call.standardOutputFile.isEmpty()) p.setStandardOutputFile(call.standardOutputFile);
    if (call.inChild) p.setChildProcessModifier(call.inChild);
    if (!call.locale.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), call.locale);
        p.setProcessEnvironment(env);
    }
    p.start(program, call.args);
    p.waitForFinished(120000);
    const QByteArray bytes = p.readAllStandardOutput();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(bytes),
            QString::fromUtf8(p.readAllStandardError()), bytes};
}

inline DravoOutcome dravo(const DravoCall& call) { return RunProgram(QStringLiteral(DRAVO_EXE), call); }
inline DravoOutcome dravo(const QStringList& args) { return dravo(DravoCall{args}); }

// A file's bytes; "<missing>" when it cannot be read, so a comparison fails
// with a readable value.
inline QByteArray fileBytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The lines of a CSV text written with CRLF, without the empty one after the last.
inline QStringList csvLines(const QString& text) {
    QString t = text;
    if (t.endsWith(QStringLiteral("\r\n"))) t.chop(2);
    return t.split(QStringLiteral("\r\n"));
}
