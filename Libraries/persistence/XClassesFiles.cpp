// File form of persistable objects: header, the content codec of the class,
// temporary file and ".bak" backup.
#include "XClasses.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool pathExists(const QString& name) {
    struct stat st {};
    return ::lstat(QFile::encodeName(name).constData(), &st) == 0;
}

[[noreturn]] void unableToSave(const QString& fileName) {
    throw EFilerException(QStringLiteral("Unable to save to file \"%1\"").arg(fileName));
}
} // namespace

QString TemporarySaveName(const QString& fileName) {
    for (qint64 n = 0;; ++n) {
        QString candidate = fileName + QStringLiteral(".$") + QString::number(n);
        if (!pathExists(candidate)) return candidate;
    }
}

QString BackupFileName(const QString& fileName) {
    // The extension rule looks at the file's own name only, so that a dot in a
    // folder name never sends the backup into another folder.
    qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    QStringView name = QStringView(fileName).mid(slash + 1);
    if (name.size() >= 4 && name[name.size() - 4] == QLatin1Char('.'))
        return fileName.left(fileName.size() - 4) + QStringLiteral(".bak");
    return fileName + QStringLiteral(".bak");
}

void TLoadSaveAble::WriteFileContent(TStream& stream) const {
    stream.WriteBytes(FileFormatIDHeader());
    if (const IFileContentCodec* codec = FileContentCodec()) {
        codec->WriteContent(*this, stream);
    } else {
        TBinaryWriter writer(stream, 65536);
        WriteToFiler(writer);
    }
}

void TLoadSaveAble::ReadFileContent(TStream& stream) {
    const QByteArray header = FileFormatIDHeader();
    if (!header.isEmpty()) {
        QByteArray got(header.size(), Qt::Uninitialized);
        if (stream.Read(got.data(), got.size()) != got.size() || got != header)
            throw Exception(QStringLiteral("Invalid File IDHeader"));
    }
    if (const IFileContentCodec* codec = FileContentCodec()) {
        codec->ReadContent(stream, *this);
    } else {
        TReadOnlyStream content(stream.ReadToEnd());
        TBinaryReader reader(content, 65536);
        ReadFromFiler(reader);
    }
}

void TLoadSaveAble::SaveToFile(const QString& fileName) const {
    const QString temporary = TemporarySaveName(fileName);
    {
        TFileStream file(temporary, TFileStream::fmCreate);
        WriteFileContent(file);
        file.Commit();
    }
    const QByteArray target = QFile::encodeName(fileName);
    if (pathExists(fileName)) {
        const QByteArray backup = QFile::encodeName(BackupFileName(fileName));
        ::unlink(backup.constData());
        // A hard link keeps the target in place until the new file replaces it
        // (rename below is atomic); where links are refused the target is
        // renamed to its backup instead.
        if (::link(target.constData(), backup.constData()) != 0) ::rename(target.constData(), backup.constData());
    }
    if (::rename(QFile::encodeName(temporary).constData(), target.constData()) != 0) unableToSave(fileName);
}

void TLoadSaveAble::LoadFromFile(const QString& fileName) {
    if (!pathExists(fileName)) return;
    TFileStream file(fileName, TFileStream::fmOpenRead);
    ReadFileContent(file);
}
