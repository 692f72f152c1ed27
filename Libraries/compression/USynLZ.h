#pragma once
// SynLZ "compress1": a byte-oriented LZ codec with a 4096-slot hash table that
// the decoder rebuilds from its own output, so match items carry a 12-bit slot
// number instead of a distance. Streams start with the uncompressed size.

#include <QByteArray>

// Room the encoder may need for size input bytes.
inline qsizetype synLZCompressBound(qsizetype size) { return size + size / 8 + 16; }

// Encodes size (>= 1) bytes; the result is at most synLZCompressBound(size) bytes.
QByteArray synLZCompress1(const char* src, qsizetype size);

// Decodes one stream. Malformed input (truncated items, unset or out-of-range
// slots, output beyond or short of the stored size, a size the input cannot
// hold) fails with Exception "SynLZ decompression failed".
QByteArray synLZDecompress1(const char* src, qsizetype size);
