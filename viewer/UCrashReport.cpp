// The report's sections, the report file and the fatal end.
#include "UCrashReport.h"

#include "FCrashReportForm.h"
#include "UAppVersion.h"
#include "UClickTrace.h"
#include "UHierarchicalWriter.h"
#include "ULog.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#include <cxxabi.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

namespace {

const QString StampFormat = QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz");

TDateTime toDateTime(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

QString demangled(const char* name) {
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    QString out = QString::fromLatin1(status == 0 && readable ? readable : name);
    std::free(readable);
    // An error raised with std::throw_with_nested is named after what it wraps.
    const QString nested = QStringLiteral("std::_Nested_exception<");
    if (out.startsWith(nested) && out.endsWith(QLatin1Char('>'))) out = out.mid(nested.size()).chopped(1);
    return out;
}

void appendChain(const std::exception_ptr& error, std::vector<TExceptionInfo>& out) {
    if (!error || out.size() >= 32) return;
    std::exception_ptr inner;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        out.push_back({e.className(), e.message()});
        try {
            std::rethrow_if_nested(e);
        } catch (...) {
            inner = std::current_exception();
        }
    } catch (const std::exception& e) {
        out.push_back({demangled(typeid(e).name()), QString::fromUtf8(e.what())});
        try {
            std::rethrow_if_nested(e);
        } catch (...) {
            inner = std::current_exception();
        }
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        out.push_back({type ? demangled(type->name()) : QStringLiteral("Unknown"), QString()});
    }
    appendChain(inner, out);
}

QString userName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString commandLine() {
    QStringList parts;
    const QStringList arguments = QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
    for (const QString& a : arguments)
        parts << (a.contains(QLatin1Char(' ')) ? QLatin1Char('"') + a + QLatin1Char('"') : a);
    return parts.join(QLatin1Char(' '));
}

// Where the user works from: an ssh client's address, or the host of
// a display that is not local.
QString remoteComputer() {
    const QString ssh = qEnvironmentVariable("SSH_CONNECTION");
    if (!ssh.isEmpty()) return ssh.section(QLatin1Char(' '), 0, 0);
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString host = display.section(QLatin1Char(':'), 0, 0);
    if (!host.isEmpty() && host != QLatin1String("localhost") && host != QLatin1String("unix") &&
        !host.startsWith(QLatin1Char('/')))
        return host;
    return QString();
}

std::atomic<bool> fatalInProgress{false};

}  // namespace

std::vector<TExceptionInfo> ExceptionChain(const std::exception_ptr& error) {
    std::vector<TExceptionInfo> chain;
    appendChain(error, chain);
    return chain;
}

TLaunchStamps& LaunchStamps() {
    static TLaunchStamps stamps;
    return stamps;
}

void StampLaunch() {
    LaunchStamps().DateTime = Now();
    LaunchStamps().Ticks = TickCount();
}

void TApplicationCrashReporter::WriteSection(THierarchicalWriter* root) {
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QFileInfo file(program);
    THierarchicalWriter* s = root->AddChild(QStringLiteral("Application"));
    s->AddChild(QStringLiteral("ExeName"), file.fileName());
    s->AddChild(QStringLiteral("Version"), GetAppVersionString());
    s->AddChild(QStringLiteral("FileDate"), file.exists() ? DateTimeToStr(toDateTime(file.lastModified())) : QString());
    s->AddChild(QStringLiteral("FileSize"), QString::number(file.size()));
    s->AddChild(QStringLiteral("CommandLine"), commandLine());
    s->AddChild(QStringLiteral("LaunchDateTime"), FormatDateTime(StampFormat, LaunchStamps().DateTime));
    s->AddChild(QStringLiteral("LaunchTicks"), QString::number(LaunchStamps().Ticks));
}

void TOSCrashReporter::WriteSection(THierarchicalWriter* root) {
    utsname names{};
    const bool haveNames = uname(&names) == 0;
    THierarchicalWriter* s = root->AddChild(QStringLiteral("OperatingSystem"));
    s->AddChild(QStringLiteral("Version"), QSysInfo::prettyProductName());
    s->AddChild(QStringLiteral("CSDVersion"), haveNames ? QString::fromLocal8Bit(names.version) : QString());
    s->AddChild(QStringLiteral("VersionNumber"), QSysInfo::productVersion());
    s->AddChild(QStringLiteral("ProductType"), QSysInfo::productType());
    s->AddChild(QStringLiteral("Build"), QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion());
    s->AddChild(QStringLiteral("Architecture"), QSysInfo::currentCpuArchitecture());
}

void TUserCrashReporter::WriteSection(THierarchicalWriter* root) {
    const QString remote = remoteComputer();
    THierarchicalWriter* s = root->AddChild(QStringLiteral("UserSession"));
    s->AddChild(QStringLiteral("UserName"), userName());
    s->AddChild(QStringLiteral("ComputerName"), QSysInfo::machineHostName());
    s->AddChild(QStringLiteral("DomainName"), QString());
    s->AddChild(QStringLiteral("TSESession"), remote.isEmpty() && !qEnvironmentVariableIsSet("SSH_CONNECTION")
                                                  ? QStringLiteral("N")
                                                  : QStringLiteral("Y"));
    s->AddChild(QStringLiteral("TSEComputerName"), remote);
    THierarchicalWriter* paths = s->AddChild(QStringLiteral("Paths"));
    paths->AddChild(QStringLiteral("Home"), QDir::homePath());
    paths->AddChild(QStringLiteral("Temp"), QDir::tempPath());
    paths->AddChild(QStringLiteral("ProgramFiles"),
                    QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}

void TClickTraceCrashReporter::WriteSection(THierarchicalWriter* root) {
    THierarchicalWriter* s = root->AddChild(QStringLiteral("ClickTrace"));
    for (const TClickTraceEntry& entry : FTrace.NewestFirst()) {
        THierarchicalWriter* event = s->AddChild(QStringLiteral("event"));
        const quint64 ms = entry.Ticks >= FTrace.StartTicks ? entry.Ticks - FTrace.StartTicks : 0;
        event->SetAttribute(QStringLiteral("time"), QStringLiteral("%1:%2:%3.%4")
                                                        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                                                        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                                                        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                                        .arg(ms % 1000, 3, 10, QLatin1Char('0')));
        event->SetAttribute(QStringLiteral("type"), entry.Type);
        event->SetAttribute(QStringLiteral("class"), entry.ClassName);
        if (!entry.EditBox) event->SetAttribute(QStringLiteral("text"), entry.Text);
        if (entry.Data && (!entry.EditBox || *entry.Data < 32))
            event->SetAttribute(QStringLiteral("data"), QString::number(*entry.Data));
    }
}

void TExceptionCrashReporter::WriteSection(THierarchicalWriter* root) {
    const std::vector<TExceptionInfo> chain = ExceptionChain(FError);
    THierarchicalWriter* s = root->AddChild(QStringLiteral("Exception"));
    s->AddChild(QStringLiteral("DateTime"), FormatDateTime(StampFormat, Now()));
    s->AddChild(QStringLiteral("Class"), chain.empty() ? QString() : chain[0].ClassName);
    s->AddChild(QStringLiteral("Message"), chain.empty() ? QString() : chain[0].Message);
    // The raising address is gone once the stack has unwound to the handler.
    s->AddChild(QStringLiteral("ExceptAddr"), QStringLiteral("00000000"));
    THierarchicalWriter* innermost = s;
    for (size_t i = 1; i < chain.size(); ++i) {
        innermost = innermost->AddChild(QStringLiteral("InnerException"));
        innermost->AddChild(QStringLiteral("Class"), chain[i].ClassName);
        innermost->AddChild(QStringLiteral("Message"), chain[i].Message);
    }
    innermost->AddChild(QStringLiteral("Ticks"), QString::number(TickCount()));
}

std::vector<std::unique_ptr<TCrashReporter>>& CrashReporters() {
    static std::vector<std::unique_ptr<TCrashReporter>> reporters;
    return reporters;
}

void RegisterStandardCrashReporters() {
    auto& list = CrashReporters();
    list.clear();
    list.push_back(std::make_unique<TApplicationCrashReporter>());
    list.push_back(std::make_unique<TOSCrashReporter>());
    list.push_back(std::make_unique<TUserCrashReporter>());
    list.push_back(std::make_unique<TClickTraceCrashReporter>(ClickTrace()));
}

QByteArray BuildCrashReport(const std::exception_ptr& error) {
    TXMLHierarchicalWriter root(QStringLiteral("Root"));
    root.AddChild(QStringLiteral("Version"), QStringLiteral("1.00"));
    TExceptionCrashReporter(error).WriteSection(&root);
    for (const auto& reporter : CrashReporters()) {
        // A section that fails leaves the others in the report.
        try {
            reporter->WriteSection(&root);
        } catch (...) {
        }
    }
    return root.ToDocument();
}

QString CrashReportPath() { return QDir(QDir::tempPath()).filePath(QStringLiteral("report.xml")); }

bool FatalErrorInProgress() { return fatalInProgress; }

void ReportFatalError(const std::exception_ptr& error) {
    fatalInProgress = true;
    TExceptionInfo first{QStringLiteral("Unknown"), QString()};
    try {
        const std::vector<TExceptionInfo> chain = ExceptionChain(error);
        if (!chain.empty()) first = chain[0];
        WriteLog(QStringLiteral("EXC"), first.ClassName, first.Message);
    } catch (...) {
    }
    QString path;
    try {
        QSaveFile file(CrashReportPath());
        if (file.open(QIODevice::WriteOnly) && file.write(BuildCrashReport(error)) >= 0 && file.commit())
            path = CrashReportPath();
    } catch (...) {
    }
    try {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            TCrashReportForm form(first.Message, first.ClassName, path);
            form.exec();
        }
    } catch (...) {
    }
    std::fflush(nullptr);
    _exit(0);
}
