#pragma once
// Thin wrappers over the UCL library's NRV2E method (8-bit bit buffer).

#include <QByteArray>

// Room the compressor is given for size input bytes.
inline qsizetype uclCompressBound(qsizetype size) { return size + size / 8 + 256; }

// NRV2E data of size bytes at level (1..10); empty when the library fails.
QByteArray uclNrv2eCompress(const char* src, qsizetype size, int level);

// Decodes NRV2E data into exactly outSize bytes with the library's safe
// decoder. Returns false on any decoder error (input, output or look-behind
// overrun, input not fully consumed) or when the output is not outSize bytes.
bool uclNrv2eDecompress(const char* src, qsizetype size, char* out, qsizetype outSize);

// The largest output that size bytes of NRV2E data are accepted to claim.
// The library's compressor stays well below 1024 output bytes per input byte,
// so larger claims come from damaged data and are refused before allocating.
inline qint64 uclMaxExpansion(qsizetype size) { return qint64(size) * 1024 + 4096; }
