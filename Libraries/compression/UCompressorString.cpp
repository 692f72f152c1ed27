// The signed string form: a byte string that names its codec in a
// three-letter signature ("RAW", "RW1", "UCL", "SLZ"), optionally scrambled
// with a running XOR.

#include "UCompressor.h"

#include "USynLZ.h"
#include "UUCLCodec.h"
#include "XClasses.h"

#include <cstring>

namespace {

const QByteArray SigRAW = QByteArrayLiteral("RAW");
const QByteArray SigRW1 = QByteArrayLiteral("RW1");
const QByteArray SigUCL = QByteArrayLiteral("UCL");
const QByteArray SigSLZ = QByteArrayLiteral("SLZ");

void scramble(QByteArray& bytes, uint8_t key) {
    char* p = bytes.data();
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i) p[i] = char(uint8_t(p[i]) ^ uint8_t(key + i));
}

void appendUInt32(QByteArray& out, quint32 v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.append(b, 4);
}

quint32 readUInt32(const char* p) {
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

QByteArray raw(const QByteArray& data) { return SigRAW + data; }

QByteArray compressUnkeyed(const QByteArray& data, int style) {
    if (data.size() < 16) return raw(data);
    const qsizetype limit = data.size() - 16;
    switch (style) {
    case scRAW:
        return raw(data);
    case scLZRW1: {
        TReadOnlyStream source(data);
        TBlockBufferedStream dest;
        dest.WriteBytes(SigRW1);
        CompressStream(&source, &dest);
        if (dest.Size() < limit) return dest.GetDataString();
        return raw(data);
    }
    case scUCL:
    case scUCLHigh: {
        QByteArray payload;
        appendUInt32(payload, quint32(data.size()));
        const QByteArray packed = uclNrv2eCompress(data.constData(), data.size(), style == scUCL ? 3 : 10);
        if (!packed.isEmpty() && packed.size() < data.size()) {
            payload += packed;
        } else {
            payload = QByteArray(4, '\0');
            payload += data;
        }
        if (payload.size() < limit) return SigUCL + payload;
        return raw(data);
    }
    case scLZ: {
        const QByteArray stream = synLZCompress1(data.constData(), data.size());
        if (stream.size() < limit) return SigSLZ + stream;
        return raw(data);
    }
    default:
        throw Exception(QStringLiteral("Invalid compression format"));
    }
}

QByteArray decompressUnkeyed(const QByteArray& data) {
    if (data.size() <= 2) throw Exception(QStringLiteral("DeCompressString : invalid data."));
    const QByteArray sig = data.left(3);
    if (sig == SigRAW) return data.mid(3);
    if (sig == SigSLZ) return synLZDecompress1(data.constData() + 3, data.size() - 3);
    if (sig == SigRW1) {
        TReadOnlyStream source(data, 4);
        TBlockBufferedStream dest;
        DeCompressStream(&source, &dest);
        return dest.GetDataString();
    }
    if (sig == SigUCL) {
        const qsizetype payload = data.size() - 3;
        if (payload < 4) throw Exception(QStringLiteral("UCL decompression failed"));
        const quint32 n = readUInt32(data.constData() + 3);
        const char* packed = data.constData() + 7;
        const qsizetype packedSize = payload - 4;
        if (n == 0) return QByteArray(packed, packedSize);
        if (qint64(n) > uclMaxExpansion(packedSize)) throw Exception(QStringLiteral("UCL decompression failed"));
        QByteArray out(qsizetype(n), Qt::Uninitialized);
        if (!uclNrv2eDecompress(packed, packedSize, out.data(), out.size()))
            throw Exception(QStringLiteral("UCL decompression failed"));
        return out;
    }
    throw Exception(QStringLiteral("DeCompressString : unknown compression."));
}

} // namespace

QString CompressionStyleName(int style) {
    switch (style) {
    case scRAW: return QStringLiteral("RAW");
    case scLZRW1: return QStringLiteral("LZRW1");
    case scUCL: return QStringLiteral("UCL");
    case scUCLHigh: return QStringLiteral("UCL_High");
    case scBest: return QStringLiteral("Best");
    case scLZ: return QStringLiteral("LZ");
    default: return {};
    }
}

QByteArray CompressString(const QByteArray& data, uint8_t key, int style) {
    if (data.isEmpty()) return {};
    if (style == scBest) {
        QByteArray best;
        for (int s : {scRAW, scLZRW1, scUCL, scUCLHigh, scLZ}) {
            QByteArray candidate = CompressString(data, key, s);
            if (best.isEmpty() || candidate.size() < best.size()) best = std::move(candidate);
        }
        return best;
    }
    QByteArray result = compressUnkeyed(data, style);
    if (key != 0 && !result.isEmpty()) scramble(result, key);
    return result;
}

QByteArray DeCompressString(const QByteArray& data, uint8_t key) {
    if (data.isEmpty()) return {};
    if (key != 0) {
        QByteArray copy = data;
        scramble(copy, key);
        return decompressUnkeyed(copy);
    }
    return decompressUnkeyed(data);
}
