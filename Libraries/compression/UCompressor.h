#pragma once
// Compressed forms of byte data.
//
// The stream form (CompressStream / DeCompressStream): a 4-byte signed total,
// then chunks of at most 32768 source bytes, each stored as a 2-byte length,
// one LZRW1-KH compressed chunk and the 4-byte byte sum of its decompressed
// bytes. Numbers are little-endian; LZRW1-KH control words and items are
// big-endian.

#include "XClasses.h"

#include <cstdint>
#include <functional>
#include <vector>

// Called after every chunk with (dest, source size, dest size, source bytes consumed).
using TCompressProgress = std::function<void(TStream& dest, qint64 sourceSize, qint64 destSize, qint64 consumed)>;

// Writes the stream form of the whole source (from its start) at dest's position.
void CompressStream(TStream* source, TStream* dest, const TCompressProgress& onProgress = {});
// Reads one stream form at source's position and writes the bytes at dest's position;
// source is left just after the last chunk.
void DeCompressStream(TStream* source, TStream* dest);

// The bytes of one stream form read as they are asked for: chunks are
// decompressed and checked one at a time, and only the last two are kept.
// Reads, sizes and seeks give what the same calls give on the fully
// decompressed bytes, as long as the stored total is the decompressed size and
// no read goes back before the last two chunks (Exact tells, after Finish).
// A damaged chunk fails with the errors of DeCompressStream, and again at
// every later read and at Finish.
class TDeCompressingStream : public TStream {
public:
    // Reads the total at source's position and checks it as DeCompressStream does.
    explicit TDeCompressingStream(TStream& source);
    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void*, qint64) override { return 0; }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override;
    void SetSize(qint64) override;
    // Decompresses and checks the chunks not read yet; the source is then
    // just after the last chunk.
    void Finish();
    // After Finish: every read was served and the chunks yielded the total.
    bool Exact() const { return !FWindowLost && FProduced == FTotal; }

private:
    bool decodeNext();
    [[noreturn]] void fail(const QString& message);
    TStream& FSource;
    qint64 FTotal = 0, FLeft = 0, FProduced = 0, FPosition = 0;
    // The last two chunks: previous and current, with their offsets.
    std::vector<uint8_t> FPrevious, FCurrent, FInput;
    qint64 FPreviousStart = 0, FCurrentStart = 0;
    qint64 FPreviousSize = 0, FCurrentSize = 0;
    bool FWindowLost = false;
    QString FError;
};

// Reads an object from the compressed stream form at stream's position as it
// is decompressed, never holding the whole content; the stream is left after
// the last chunk. Errors are those of decompressing the whole content first,
// then reading it.
void ReadCompressedObject(TStream& stream, TReadWriteAble& object);

// The file content codec of classes whose files hold the compressed stream
// form of their filer form.
const IFileContentCodec& CompressedFileContent();

namespace LZRW1KH {
constexpr int ChunkSize = 32768;     // largest decompressed chunk
constexpr int WorkBufferSize = 65536; // room the encoder may use for one chunk
constexpr uint8_t FlagCompressed = 0x40;
constexpr uint8_t FlagCopied = 0x80;

// Compresses n <= ChunkSize bytes into dest (WorkBufferSize bytes); returns the
// compressed size. Compressions run one at a time (one shared hash table).
int Compress(const uint8_t* source, int n, uint8_t* dest);
// Decompresses one chunk into dest; returns the decompressed size, or -1 when
// the chunk is malformed or would exceed destCapacity. Bytes of dest after the
// decompressed ones (within destCapacity) may be overwritten.
int Decompress(const uint8_t* source, int n, uint8_t* dest, int destCapacity);
} // namespace LZRW1KH

// Sum of the byte values, modulo 2^32.
uint32_t ByteSum(const uint8_t* data, qint64 size);

// ---------------------------------------------------------------------------
// Signed string form (CompressString / DeCompressString): a byte string that
// starts with a three-letter signature naming its codec, "RAW" (stored),
// "RW1" (the stream form above), "UCL" (4-byte length, then UCL NRV2E data) or
// "SLZ" (SynLZ compress1), optionally scrambled: byte i XOR (key + i) mod 256.

// Compression styles of CompressString.
enum TStringCompression : int {
    scRAW = 0,     // "RAW"
    scLZRW1 = 1,   // "LZRW1": "RW1", or "RAW" when not smaller
    scUCL = 2,     // "UCL": UCL level 3, or "RAW"
    scUCLHigh = 3, // "UCL_High": UCL level 10, or "RAW"
    scBest = 4,    // "Best": the shortest of the others, earlier on equal lengths
    scLZ = 5,      // "LZ": "SLZ", or "RAW"
};
// The display name of a style ("RAW", "LZRW1", "UCL", "UCL_High", "Best", "LZ"); empty for others.
QString CompressionStyleName(int style);

// Empty data gives an empty result; data shorter than 16 bytes is stored
// "RAW" whatever the style. key 0 means no scrambling. An unknown style fails
// with "Invalid compression format".
QByteArray CompressString(const QByteArray& data, uint8_t key = 0, int style = scLZRW1);
// Reads every signature; damaged data fails with "DeCompressString : invalid
// data.", "DeCompressString : unknown compression.", "UCL decompression
// failed", "SynLZ decompression failed" or the errors of DeCompressStream.
QByteArray DeCompressString(const QByteArray& data, uint8_t key = 0);
