#pragma once
// The crash report: an XML file ("report.xml" in the temporary folder) made
// of registered sections, and ReportFatalError, the end of the program after
// an error that escaped its own handling: the error is logged ("EXC"), the
// report written, the report dialog shown, and the process ends with exit
// code 0 without its normal shutdown.

#include "USysUtils.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <memory>
#include <vector>

class THierarchicalWriter;
class TClickTrace;

// One section of the report.
class TCrashReporter {
public:
    virtual ~TCrashReporter() = default;
    virtual void WriteSection(THierarchicalWriter* root) = 0;
};

// The program's file, version, command line and launch time.
class TApplicationCrashReporter : public TCrashReporter {
public:
    void WriteSection(THierarchicalWriter* root) override;
};

// The kernel, the distribution and its version.
class TOSCrashReporter : public TCrashReporter {
public:
    void WriteSection(THierarchicalWriter* root) override;
};

// The user, the machine, a remote login (ssh, a remote display) and the folders.
class TUserCrashReporter : public TCrashReporter {
public:
    void WriteSection(THierarchicalWriter* root) override;
};

// The recent clicks and key presses, newest first.
class TClickTraceCrashReporter : public TCrashReporter {
public:
    explicit TClickTraceCrashReporter(const TClickTrace& trace) : FTrace(trace) {}
    void WriteSection(THierarchicalWriter* root) override;

private:
    const TClickTrace& FTrace;
};

// The error, its chain of inner errors (std::nested_exception) and the time.
class TExceptionCrashReporter : public TCrashReporter {
public:
    explicit TExceptionCrashReporter(std::exception_ptr error) : FError(std::move(error)) {}
    void WriteSection(THierarchicalWriter* root) override;

private:
    std::exception_ptr FError;
};

struct TExceptionInfo {
    QString ClassName;
    QString Message;
};
// The error first, then each error it was raised from.
std::vector<TExceptionInfo> ExceptionChain(const std::exception_ptr& error);

// When the program started.
struct TLaunchStamps {
    TDateTime DateTime = 0;
    quint64 Ticks = 0;
};
TLaunchStamps& LaunchStamps();
void StampLaunch();

// The registered sections, in report order.
std::vector<std::unique_ptr<TCrashReporter>>& CrashReporters();
// Application, operating system, user and click trace, in that order.
void RegisterStandardCrashReporters();

// The report of an error: "Root", "Version" 1.00, the error's section,
// then every registered section; a UTF-8 document with its declaration.
QByteArray BuildCrashReport(const std::exception_ptr& error);
QString CrashReportPath();

// True from the first fatal error on: later errors only go to the log.
bool FatalErrorInProgress();
[[noreturn]] void ReportFatalError(const std::exception_ptr& error);
