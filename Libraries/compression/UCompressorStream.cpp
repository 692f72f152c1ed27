// The compressed stream form: total, then LZRW1-KH chunks with byte sums.
#include "UCompressor.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
[[noreturn]] void corrupt(const char* what) { throw Exception(QString::fromLatin1(what)); }

const char* const kNilStream = "CompressStream got nil TStream";
const char* const kTotalSize = "DeCompressStream : data corrupt, failed total size test !";
const char* const kSizeTest = "DeCompressStream : data corrupt, failed size test !";
const char* const kCrcTest = "DeCompressStream : data corrupt, failed CRC test !";
const char* const kTruncated = "DeCompressStream : data corrupt, unexpected end of data !";

void readExactly(TStream& source, void* buffer, qint64 count) {
    if (count > 0 && source.Read(buffer, count) != count) corrupt(kTruncated);
}

template <class T> T getLE(const uint8_t* in) {
    std::make_unsigned_t<T> u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= std::make_unsigned_t<T>(in[i]) << (8 * i);
    return static_cast<T>(u);
}
} // namespace

void CompressStream(TStream* source, TStream* dest, const TCompressProgress& onProgress) {
    if (!source || !dest) corrupt(kNilStream);
    const qint64 size = source->Size();
    if (size > INT32_MAX) throw Exception(QStringLiteral("CompressStream : source of %1 bytes is too large").arg(size));
    source->SetPosition(0);
    const int32_t total = int32_t(size);
    const uint8_t head[4] = {uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16), uint8_t(total >> 24)};
    dest->WriteBuffer(head, 4);
    std::vector<uint8_t> input(LZRW1KH::ChunkSize);
    // Room for the length, the largest chunk and the sum in front of one write.
    std::vector<uint8_t> output(2 + LZRW1KH::WorkBufferSize + 4);
    qint64 done = 0;
    while (done < size) {
        const int n = int(std::min<qint64>(size - done, LZRW1KH::ChunkSize));
        source->ReadBuffer(input.data(), n);
        const uint32_t sum = ByteSum(input.data(), n);
        const int length = LZRW1KH::Compress(input.data(), n, output.data() + 2);
        output[0] = uint8_t(length);
        output[1] = uint8_t(length >> 8);
        for (int i = 0; i < 4; ++i) output[size_t(2 + length + i)] = uint8_t(sum >> (8 * i));
        dest->WriteBuffer(output.data(), 2 + length + 4);
        done += n;
        if (onProgress) onProgress(*dest, size, dest->Size(), done);
    }
}

void DeCompressStream(TStream* source, TStream* dest) {
    if (!source || !dest) corrupt(kNilStream);
    uint8_t head[4];
    readExactly(*source, head, 4);
    qint64 total = getLE<int32_t>(head);
    if (total < 0) corrupt(kTotalSize);
    // Every chunk that yields bytes takes at least 8 bytes of input (length,
    // flag, one byte, sum) and yields at most 32768: a total the remaining
    // input cannot hold is refused before anything is allocated.
    const qint64 remaining = source->Remaining();
    if (total > (remaining / 8) * qint64(LZRW1KH::ChunkSize)) corrupt(kTotalSize);
    if (total == 0) return;
    const qint64 position = dest->Position();
    if (dest->Size() < position + total) {
        dest->SetSize(position + total);
        dest->SetPosition(position);
    }
    std::vector<uint8_t> input(65536);
    std::vector<uint8_t> output(LZRW1KH::ChunkSize);
    while (total > 0) {
        uint8_t lengthBytes[2];
        readExactly(*source, lengthBytes, 2);
        const int length = lengthBytes[0] | (lengthBytes[1] << 8);
        readExactly(*source, input.data(), length);
        uint8_t sumBytes[4];
        readExactly(*source, sumBytes, 4);
        const int got = LZRW1KH::Decompress(input.data(), length, output.data(), LZRW1KH::ChunkSize);
        // A chunk that yields nothing before the total is reached would never end the loop.
        if (got <= 0) corrupt(kSizeTest);
        if (ByteSum(output.data(), got) != getLE<uint32_t>(sumBytes)) corrupt(kCrcTest);
        dest->WriteBuffer(output.data(), got);
        total -= got;
    }
}

// --- Decompression as the bytes are read -----------------------------------

TDeCompressingStream::TDeCompressingStream(TStream& source) : FSource(source) {
    uint8_t head[4];
    readExactly(source, head, 4);
    FTotal = getLE<int32_t>(head);
    if (FTotal < 0) corrupt(kTotalSize);
    const qint64 remaining = source.Remaining();
    if (FTotal > (remaining / 8) * qint64(LZRW1KH::ChunkSize)) corrupt(kTotalSize);
    FLeft = FTotal;
    FPrevious.resize(LZRW1KH::ChunkSize);
    FCurrent.resize(LZRW1KH::ChunkSize);
    FInput.resize(65536);
}

void TDeCompressingStream::fail(const QString& message) {
    FError = message;
    FLeft = 0;
    throw Exception(message);
}

// The next chunk becomes the current one; false when the total is reached.
bool TDeCompressingStream::decodeNext() {
    if (!FError.isEmpty()) throw Exception(FError);
    if (FLeft <= 0) return false;
    try {
        uint8_t lengthBytes[2];
        readExactly(FSource, lengthBytes, 2);
        const int length = lengthBytes[0] | (lengthBytes[1] << 8);
        readExactly(FSource, FInput.data(), length);
        uint8_t sumBytes[4];
        readExactly(FSource, sumBytes, 4);
        std::swap(FPrevious, FCurrent);
        FPreviousStart = FCurrentStart;
        FPreviousSize = FCurrentSize;
        FCurrentStart = FProduced;
        FCurrentSize = 0;
        const int got = LZRW1KH::Decompress(FInput.data(), length, FCurrent.data(), LZRW1KH::ChunkSize);
        // A chunk that yields nothing before the total is reached would never end the loop.
        if (got <= 0) corrupt(kSizeTest);
        if (ByteSum(FCurrent.data(), got) != getLE<uint32_t>(sumBytes)) corrupt(kCrcTest);
        FCurrentSize = got;
        FProduced += got;
        FLeft -= got;
    } catch (const Exception& e) {
        fail(e.message());
    }
    return true;
}

qint64 TDeCompressingStream::Read(void* buffer, qint64 count) {
    if (count <= 0) return 0;
    if (!FError.isEmpty()) throw Exception(FError);
    uint8_t* out = static_cast<uint8_t*>(buffer);
    qint64 done = 0;
    while (done < count) {
        qint64 k;
        if (FPosition >= FCurrentStart && FPosition < FCurrentStart + FCurrentSize) {
            const qint64 offset = FPosition - FCurrentStart;
            k = std::min(count - done, FCurrentSize - offset);
            std::memcpy(out + done, FCurrent.data() + offset, size_t(k));
        } else if (FPosition >= FPreviousStart && FPosition < FPreviousStart + FPreviousSize) {
            const qint64 offset = FPosition - FPreviousStart;
            k = std::min(count - done, FPreviousSize - offset);
            std::memcpy(out + done, FPrevious.data() + offset, size_t(k));
        } else if (FPosition >= FProduced) {
            if (!decodeNext()) break;   // the end of the bytes
            continue;
        } else {
            FWindowLost = true;
            throw EStreamError(QStringLiteral("TDeCompressingStream : position %1 is no longer held").arg(FPosition));
        }
        done += k;
        FPosition += k;
    }
    return done;
}

qint64 TDeCompressingStream::Size() {
    // The total, or more once a last chunk went beyond it.
    return std::max(FTotal, FProduced);
}

qint64 TDeCompressingStream::Seek(qint64 offset, TSeekOrigin origin) {
    const qint64 base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? FPosition : Size();
    const qint64 position = base + offset;
    if (position < 0)
        throw EStreamError(QStringLiteral("Stream seek error: position %1 before the start").arg(position));
    FPosition = position;
    return FPosition;
}

void TDeCompressingStream::SetSize(qint64) { throw EStreamError(QStringLiteral("SetSize no supported")); }

void TDeCompressingStream::Finish() {
    while (decodeNext()) {
    }
}
