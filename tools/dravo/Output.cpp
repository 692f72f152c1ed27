// Where dravo's outputs go: files replaced atomically through a temporary file
// of our own naming, and standard output checked like a file.
#include "Dravo.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravo {

namespace {

const QString kStandardOutput = QStringLiteral("standard output");

// The system's reason, as the rest of a sentence ("no space left on device").
QString reason(int error) {
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower()) text[0] = text[0].toLower();
    return text;
}

// The file a write replaces: a symlink's final target, so that the link stays.
QString writeTarget(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.isSymLink()) return fileName;
    const QString target = info.canonicalFilePath();
    if (!target.isEmpty()) return target;
    // A dangling link: the file it names is created.
    QString linked = info.symLinkTarget();
    return linked.isEmpty() ? fileName : linked;
}

// Why a file cannot be created in folder: a missing folder or a file in its place.
[[noreturn]] void failToCreate(const QString& fileName, const QString& folder, int error) {
    if (error == ENOENT && !QFileInfo::exists(folder))
        throw Failure{fileName, QStringLiteral("cannot write: the folder '%1' does not exist").arg(folder)};
    if (error == ENOTDIR) throw Failure{fileName, QStringLiteral("cannot write: '%1' is not a folder").arg(folder)};
    throw Failure{fileName, QStringLiteral("cannot write in the folder '%1': %2").arg(folder, reason(error))};
}

bool writeAll(int fd, const QByteArray& bytes, Progress& progress) {
    constexpr qint64 chunk = qint64(1) << 20;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(std::min(chunk, bytes.size() - done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += n;
        progress.update(done, bytes.size());
    }
    return true;
}

} // namespace

void writeStandardOutput(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) || std::fflush(stdout) != 0)
        throw Failure{kStandardOutput, QStringLiteral("write error")};
}

void out(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        throw Failure{kStandardOutput, QStringLiteral("write error")};
}

void flushStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw Failure{kStandardOutput, QStringLiteral("write error")};
}

QString outputPath(const Args& args, const QString& required, const QString& fallback) {
    if (!args.has(QStringLiteral("--output"))) {
        if (fallback.isNull()) throw UsageError{QStringLiteral("%1 is required").arg(required)};
        return fallback;
    }
    const QString path = args.value(QStringLiteral("--output"));
    if (path.isEmpty()) throw UsageError{QStringLiteral("-o needs a file name, not an empty text ('-' for standard output)")};
    return path;
}

void refuseToReplaceInput(const QString& input, const QString& output) {
    if (output == QLatin1String("-")) return;
    struct stat in {}, out {};
    if (::stat(QFile::encodeName(input).constData(), &in) != 0) return;
    if (::stat(QFile::encodeName(output).constData(), &out) != 0) return;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        throw UsageError{QStringLiteral("the output '%1' is the input file itself").arg(output)};
}

void removeStaleTemporaries(const QString& folder) {
    static const QRegularExpression ours(QStringLiteral("^\\..+\\.dravo-([0-9]+)\\.tmp$"));
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral(".*.dravo-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch()) continue;
        const pid_t pid = pid_t(match.captured(1).toLongLong());
        // A run still writing it is a live dravo with that process ID.
        bool writing = false;
        if (pid == ::getpid()) {
            writing = true;
        } else if (pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM)) {
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            writing = !comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() == "dravo";
        }
        if (!writing) QFile::remove(dir.filePath(name));
    }
}

void writeFileAtomically(const QString& fileName, const QByteArray& bytes) {
    if (fileName == QLatin1String("-")) {
        writeStandardOutput(bytes);
        return;
    }
    const QString target = writeTarget(fileName);
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir()) throw Failure{fileName, QStringLiteral("cannot write: it is a folder")};
    const QString folder = targetInfo.absolutePath();
    if (QFileInfo(folder).isDir()) removeStaleTemporaries(folder);
    const QString temporary = QStringLiteral("%1/.%2.dravo-%3.tmp").arg(folder, targetInfo.fileName()).arg(::getpid());
    const QByteArray temporaryName = QFile::encodeName(temporary);

    // The new file keeps the permissions of the one it replaces.
    mode_t mode = 0666;
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    if (replacing) mode = old.st_mode & 07777;

    // A file size limit must be a write error, not the end of the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) failToCreate(fileName, folder, errno);
    if (replacing) ::fchmod(fd, mode);
    int error = 0;
    {
        Progress progress(QStringLiteral("writing"));
        if (!writeAll(fd, bytes, progress) || ::fsync(fd) != 0) error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temporaryName.constData(), QFile::encodeName(target).constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporaryName.constData());
        throw Failure{fileName, QStringLiteral("cannot write: %1%2").arg(reason(error), replacing ? QStringLiteral(" (the old file is kept)") : QString())};
    }
    // The rename reaches the disk with the folder's entry.
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace dravo
