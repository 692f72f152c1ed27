// The error-log file sink, its folder and its rotation.
#include "UErrorLogFile.h"

#include "USettings.h"
#include "USysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString MachineKey = QStringLiteral("Software\\Veltrano");

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

}  // namespace

bool IsUsableLogFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    QFile probe(withSeparator(folder) + QStringLiteral("dummy.log"));
    const bool existed = probe.exists();
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    probe.close();
    if (!existed) probe.remove();
    return true;
}

int RotationSizeFromText(const QString& text) {
    const int size = StrToIntDef(text.trimmed(), 512);
    return size > 0 ? size : 1;
}

TErrorLogSettings ResolveErrorLogSettings(const QString& configuredFolder, const QString& rotateSizeText,
                                          const QStringList& fallbackFolders) {
    TErrorLogSettings settings;
    settings.RotateSizeMB = RotationSizeFromText(rotateSizeText);
    if (!configuredFolder.isEmpty()) {
        const QString folder = withSeparator(QDir::fromNativeSeparators(configuredFolder));
        if (IsUsableLogFolder(folder)) {
            settings.Folder = folder;
            return settings;
        }
        settings.Message = QStringLiteral("Incorrect HKLM\\Software\\Veltrano\\ErrorLogPath");
    }
    for (const QString& fallback : fallbackFolders) {
        QDir().mkpath(fallback);
        if (IsUsableLogFolder(fallback)) {
            settings.Folder = withSeparator(fallback);
            return settings;
        }
    }
    settings.Folder = withSeparator(QDir::tempPath());
    return settings;
}

QStringList DefaultErrorLogFolders() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) state = QDir::homePath() + QStringLiteral("/.local/state");
    return {state + QStringLiteral("/Lorvane"), QDir::tempPath()};
}

TErrorLogSettings ReadErrorLogSettings() {
    return ResolveErrorLogSettings(
        ReadRegString(HKEY_LOCAL_MACHINE, MachineKey, QStringLiteral("ErrorLogPath"), QString()),
        ReadRegString(HKEY_LOCAL_MACHINE, MachineKey, QStringLiteral("ErrorLogRotateSizeMB"), QStringLiteral("512")),
        DefaultErrorLogFolders());
}

TErrorLogFile::TErrorLogFile(const QString& folder, int rotateSizeMB, const QString& programPath)
    : FFileName(withSeparator(folder) + QStringLiteral("error.log")),
      FRotateSizeMB(std::max(rotateSizeMB, 1)),
      FProgramPath(programPath) {}

QString TErrorLogFile::FormatLine(const QString& category, const QString& message, const QString& details) const {
    QString line = FormatDateTime(QStringLiteral("dd/mm/yy - hh:nn:ss - "), Now());
    line += FProgramPath + QStringLiteral(" - ") + category + QStringLiteral(" - ") + message;
    if (!details.isEmpty()) line += QStringLiteral(" - ") + details;
    return line;
}

void TErrorLogFile::Write(const QString& category, const QString& message, const QString& details) noexcept {
    try {
        std::lock_guard guard(FLock);
        const QByteArray bytes = (FormatLine(category, message, details) + QStringLiteral("\r\n")).toLocal8Bit();
        const QByteArray path = QFile::encodeName(FFileName);
        int fd = -1;
        // Other instances of the program append to the same file; one that
        // moved it aside while this one waited for the lock makes it open
        // the new file.
        for (int attempt = 0; attempt < 3; ++attempt) {
            fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (fd < 0) return;
            struct stat opened {}, named {};
            if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0 &&
                opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
                break;
            ::close(fd);
            fd = -1;
        }
        if (fd < 0) return;
        {
            qsizetype done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
                if (n <= 0) break;
                done += n;
            }
            struct stat info {};
            if (::fstat(fd, &info) == 0) rotateIfNeeded(info.st_size);
        }
        ::close(fd);  // releases the lock
    } catch (...) {
    }
}

void TErrorLogFile::rotateIfNeeded(qint64 size) {
    if (size / (qint64(1) << 20) <= FRotateSizeMB) return;
    const QString stem = FFileName + FormatDateTime(QStringLiteral(".yyyymmdd-hhnnss"), Now());
    QString target = stem + QStringLiteral(".bak");
    // Two rotations within one second keep both old logs.
    for (int n = 2; QFileInfo::exists(target) && n < 100; ++n)
        target = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    QFile::rename(FFileName, target);
}

TLogSink TErrorLogFile::Sink() {
    return [this](const QString& category, const QString& message, const QString& details) {
        Write(category, message, details);
    };
}
