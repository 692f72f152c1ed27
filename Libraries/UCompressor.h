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

// Called after every chunk with (dest, source size, dest size, source bytes consumed).
using TCompressProgress = std::function<void(TStream& dest, qint64 sourceSize, qint64 destSize, qint64 consumed)>;

// Writes the stream form of the whole source (from its start) at dest's position.
void CompressStream(TStream* source, TStream* dest, const TCompressProgress& onProgress = {});
// Reads one stream form at source's position and writes the bytes at dest's position;
// source is left just after the last chunk.
void DeCompressStream(TStream* source, TStream* dest);

namespace LZRW1KH {
constexpr int ChunkSize = 32768;     // largest decompressed chunk
constexpr int WorkBufferSize = 65536; // room the encoder may use for one chunk
constexpr uint8_t FlagCompressed = 0x40;
constexpr uint8_t FlagCopied = 0x80;

// Compresses n <= ChunkSize bytes into dest (WorkBufferSize bytes); returns the
// compressed size. Compressions run one at a time (one shared hash table).
int Compress(const uint8_t* source, int n, uint8_t* dest);
// Decompresses one chunk into dest; returns the decompressed size, or -1 when
// the chunk is malformed or would exceed destCapacity.
int Decompress(const uint8_t* source, int n, uint8_t* dest, int destCapacity);
} // namespace LZRW1KH

// Sum of the byte values, modulo 2^32.
uint32_t ByteSum(const uint8_t* data, qint64 size);
