// Streams: memory, read-only, block-buffered and file streams.
#include "XClasses.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
qint64 resolveSeek(qint64 offset, TSeekOrigin origin, qint64 current, qint64 size) {
    qint64 base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? current : size;
    qint64 pos = base + offset;
    if (pos < 0)
        throw EStreamError(QStringLiteral("Stream seek error: position %1 before the start").arg(pos));
    return pos;
}
} // namespace

// --- TStream ---------------------------------------------------------------

qint64 TStream::Size() {
    qint64 pos = Seek(0, TSeekOrigin::soCurrent);
    qint64 end = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, qint64 count) {
    if (count <= 0) return;
    if (Read(buffer, count) != count) throw EStreamError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, qint64 count) {
    if (count <= 0) return;
    if (Write(buffer, count) != count) throw EStreamError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream& source, qint64 count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    qint64 done = 0;
    std::vector<char> buffer(size_t(std::min<qint64>(count, 65536)));
    while (done < count) {
        qint64 n = std::min<qint64>(count - done, qint64(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        done += n;
    }
    return done;
}

QByteArray TStream::ReadToEnd() {
    qint64 n = Remaining();
    QByteArray bytes;
    if (n <= 0) return bytes;
    bytes.resize(n);
    ReadBuffer(bytes.data(), n);
    return bytes;
}

// --- TMemoryStream ---------------------------------------------------------

qint64 TMemoryStream::Read(void* buffer, qint64 count) {
    qint64 n = std::clamp<qint64>(FData.size() - FPosition, 0, std::max<qint64>(count, 0));
    if (n > 0) std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

qint64 TMemoryStream::Write(const void* buffer, qint64 count) {
    if (count <= 0) return 0;
    if (FPosition + count > FData.size()) {
        if (FPosition + count > FData.capacity()) FData.reserve(std::max<qint64>(FPosition + count, FData.capacity() * 2));
        FData.resize(FPosition + count);
    }
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition += count;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin) {
    FPosition = resolveSeek(offset, origin, FPosition, FData.size());
    return FPosition;
}

void TMemoryStream::SetSize(qint64 newSize) {
    qint64 old = FData.size();
    FData.resize(newSize);
    if (newSize > old) std::memset(FData.data() + old, 0, size_t(newSize - old));
    FPosition = std::min(FPosition, newSize);
}

// --- TReadOnlyStream -------------------------------------------------------

TReadOnlyStream::TReadOnlyStream(const QByteArray& source, qint64 startIndex1) : FKeep(source) {
    qint64 start = std::clamp<qint64>(startIndex1 - 1, 0, source.size());
    FData = FKeep.constData() + start;
    FLength = source.size() - start;
}

TReadOnlyStream::TReadOnlyStream(const void* buffer, qint64 length)
    : FData(static_cast<const char*>(buffer)), FLength(std::max<qint64>(length, 0)) {}

qint64 TReadOnlyStream::Read(void* buffer, qint64 count) {
    qint64 n = std::clamp<qint64>(FLength - FPosition, 0, std::max<qint64>(count, 0));
    if (n > 0) std::memcpy(buffer, FData + FPosition, size_t(n));
    FPosition += n;
    return n;
}

qint64 TReadOnlyStream::Seek(qint64 offset, TSeekOrigin origin) {
    qint64 pos = resolveSeek(offset, origin, FPosition, FLength);
    if (pos > FLength)
        throw EStreamError(QStringLiteral("TReadOnlyStream.Seek : position %1 beyond the end (%2)").arg(pos).arg(FLength));
    FPosition = pos;
    return FPosition;
}

void TReadOnlyStream::SetSize(qint64) { throw EStreamError(QStringLiteral("SetSize no supported")); }

// --- TBlockBufferedStream --------------------------------------------------

TBlockBufferedStream::TBlockBufferedStream(qint64 blockSize)
    : FBlockSize(std::max(blockSize, DefaultBlockSize)) {}

TBlockBufferedStream::TBlockBufferedStream(const QByteArray& content, qint64 blockSize)
    : TBlockBufferedStream(blockSize) {
    Write(content.constData(), content.size());
    FPosition = 0;
}

void TBlockBufferedStream::ensureCapacity(qint64 bytes) {
    while (qint64(FBlocks.size()) * FBlockSize < bytes) FBlocks.emplace_back(new char[size_t(FBlockSize)]);
}

qint64 TBlockBufferedStream::Read(void* buffer, qint64 count) {
    qint64 n = std::clamp<qint64>(FSize - FPosition, 0, std::max<qint64>(count, 0));
    char* out = static_cast<char*>(buffer);
    qint64 left = n;
    while (left > 0) {
        qint64 block = FPosition / FBlockSize, offset = FPosition % FBlockSize;
        qint64 k = std::min(left, FBlockSize - offset);
        std::memcpy(out, FBlocks[size_t(block)].get() + offset, size_t(k));
        out += k;
        FPosition += k;
        left -= k;
    }
    return n;
}

qint64 TBlockBufferedStream::Write(const void* buffer, qint64 count) {
    if (count <= 0) return 0;
    if (FPosition > FSize) SetSize(FPosition);
    ensureCapacity(FPosition + count);
    const char* in = static_cast<const char*>(buffer);
    qint64 left = count;
    while (left > 0) {
        qint64 block = FPosition / FBlockSize, offset = FPosition % FBlockSize;
        qint64 k = std::min(left, FBlockSize - offset);
        std::memcpy(FBlocks[size_t(block)].get() + offset, in, size_t(k));
        in += k;
        FPosition += k;
        left -= k;
    }
    FSize = std::max(FSize, FPosition);
    return count;
}

qint64 TBlockBufferedStream::Seek(qint64 offset, TSeekOrigin origin) {
    FPosition = resolveSeek(offset, origin, FPosition, FSize);
    return FPosition;
}

void TBlockBufferedStream::SetSize(qint64 newSize) {
    if (newSize < 0) throw EStreamError(QStringLiteral("Stream size error"));
    if (newSize > FSize) {
        ensureCapacity(newSize);
        qint64 pos = FSize;
        while (pos < newSize) {
            qint64 block = pos / FBlockSize, offset = pos % FBlockSize;
            qint64 k = std::min(newSize - pos, FBlockSize - offset);
            std::memset(FBlocks[size_t(block)].get() + offset, 0, size_t(k));
            pos += k;
        }
    } else {
        FBlocks.resize(size_t((newSize + FBlockSize - 1) / FBlockSize));
    }
    FSize = newSize;
}

QByteArray TBlockBufferedStream::GetDataString() const {
    QByteArray bytes;
    bytes.resize(FSize);
    qint64 pos = 0;
    for (size_t b = 0; pos < FSize; ++b) {
        qint64 k = std::min(FSize - pos, FBlockSize);
        std::memcpy(bytes.data() + pos, FBlocks[b].get(), size_t(k));
        pos += k;
    }
    return bytes;
}

void TBlockStringStream::AppendBytes(const QByteArray& bytes) {
    Seek(0, TSeekOrigin::soEnd);
    WriteBytes(bytes);
}

void TBlockStringStream::AppendText(const QString& text) {
    Seek(0, TSeekOrigin::soEnd);
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    WriteBytes(bytes);
}

QString TBlockStringStream::DataText() const {
    QByteArray bytes = GetDataString();
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8)));
    return text;
}

// --- TFileStream -----------------------------------------------------------

TFileStream::TFileStream(const QString& fileName, TMode mode) : FFileName(fileName) {
    QByteArray path = QFile::encodeName(fileName);
    int flags = mode == fmCreate ? (O_RDWR | O_CREAT | O_TRUNC) : mode == fmOpenRead ? O_RDONLY : O_RDWR;
    FHandle = ::open(path.constData(), flags | O_CLOEXEC, 0666);
    if (FHandle < 0) {
        QString why = QString::fromLocal8Bit(std::strerror(errno));
        throw EStreamError(mode == fmCreate ? QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, why)
                                            : QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, why));
    }
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
}

qint64 TFileStream::Read(void* buffer, qint64 count) {
    qint64 done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t r = ::read(FHandle, out + done, size_t(count - done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += r;
    }
    return done;
}

qint64 TFileStream::Write(const void* buffer, qint64 count) {
    qint64 done = 0;
    const char* in = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t r = ::write(FHandle, in + done, size_t(count - done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += r;
    }
    return done;
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FHandle, off_t(offset), whence);
    if (r < 0) throw EStreamError(QStringLiteral("Stream seek error in \"%1\"").arg(FFileName));
    return r;
}

qint64 TFileStream::Size() {
    struct stat st {};
    if (::fstat(FHandle, &st) != 0) return TStream::Size();
    return st.st_size;
}

void TFileStream::SetSize(qint64 newSize) {
    if (::ftruncate(FHandle, off_t(newSize)) != 0)
        throw EStreamError(QStringLiteral("Stream size error in \"%1\"").arg(FFileName));
}

void TFileStream::Commit() {
    if (FHandle >= 0 && ::fsync(FHandle) != 0)
        throw EStreamError(QStringLiteral("Stream write error in \"%1\"").arg(FFileName));
}
