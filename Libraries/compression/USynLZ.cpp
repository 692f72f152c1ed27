#include "USynLZ.h"

#include "SysExceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr int HashSlots = 4096;
// A 3-byte match item produces at most 273 bytes: no stream expands further.
constexpr qint64 MaxExpansion = 91;

inline uint32_t load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t hashOf(uint32_t v) { return ((v >> 12) ^ v) & 0xFFF; }

// Only the first three bytes reach the hash, so the decoder never reads past
// what it has written.
inline uint32_t hash3(const uint8_t* p) { return hashOf(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16); }

[[noreturn]] void corrupt() { throw Exception(QStringLiteral("SynLZ decompression failed")); }

} // namespace

QByteArray synLZCompress1(const char* source, qsizetype size) {
    QByteArray result;
    if (size <= 0) return result;
    result.resize(synLZCompressBound(size));
    const auto* in = reinterpret_cast<const uint8_t*>(source);
    auto* out = reinterpret_cast<uint8_t*>(result.data());
    qsizetype y = 0;
    auto put16 = [&](uint32_t v) {
        out[y++] = uint8_t(v);
        out[y++] = uint8_t(v >> 8);
    };
    if (size >= 0x8000) {
        put16(0x8000 | (uint32_t(size) & 0x7FFF));
        put16(uint32_t(size) >> 15);
    } else {
        put16(uint32_t(size));
    }

    qsizetype cwPos = y;
    y += 4;
    uint32_t cw = 0;
    int bit = 0;
    auto storeControl = [&] {
        out[cwPos] = uint8_t(cw);
        out[cwPos + 1] = uint8_t(cw >> 8);
        out[cwPos + 2] = uint8_t(cw >> 16);
        out[cwPos + 3] = uint8_t(cw >> 24);
    };
    auto itemDone = [&](bool match) {
        if (match) cw |= 1u << bit;
        if (++bit == 32) {
            storeControl();
            cwPos = y;
            y += 4;
            cw = 0;
            bit = 0;
        }
    };

    qsizetype table[HashSlots];
    uint32_t cache[HashSlots];
    std::fill(std::begin(table), std::end(table), qsizetype(-1));
    std::fill(std::begin(cache), std::end(cache), 0u);

    qsizetype p = 0;
    while (p <= size - 11) {
        const uint32_t v = load32(in + p);
        const uint32_t h = hashOf(v);
        const qsizetype t = table[h];
        table[h] = p;
        const uint32_t c = v ^ cache[h];
        cache[h] = v;
        if (t >= 0 && p - t >= 3 && (c & 0xFFFFFF) == 0) {
            const qsizetype lmax = std::min<qsizetype>(size - p - 3, 271);
            qsizetype l = 1;
            while (l < lmax && in[p + 2 + l] == in[t + 2 + l]) ++l;
            if (l <= 15) {
                put16((h << 4) | uint32_t(l));
            } else {
                put16(h << 4);
                out[y++] = uint8_t(l - 16);
            }
            p += l + 2;
            itemDone(true);
        } else {
            out[y++] = in[p++];
            itemDone(false);
        }
    }
    while (p < size) {
        out[y++] = in[p++];
        itemDone(false);
    }
    storeControl();
    Q_ASSERT(y <= result.size());
    result.truncate(y);
    return result;
}

QByteArray synLZDecompress1(const char* source, qsizetype length) {
    const auto* in = reinterpret_cast<const uint8_t*>(source);
    const uint8_t* const end = in + length;
    if (length < 2) corrupt();
    uint32_t h = uint32_t(in[0]) | uint32_t(in[1]) << 8;
    in += 2;
    if (h == 0) return {};
    qint64 size = h;
    if (h & 0x8000) {
        if (end - in < 2) corrupt();
        size = qint64(h & 0x7FFF) | qint64(uint32_t(in[0]) | uint32_t(in[1]) << 8) << 15;
        in += 2;
    }
    if (size > MaxExpansion * length) corrupt();

    QByteArray result(qsizetype(size), Qt::Uninitialized);
    auto* out = reinterpret_cast<uint8_t*>(result.data());
    qsizetype table[HashSlots];
    std::fill(std::begin(table), std::end(table), qsizetype(-1));
    qsizetype pos = 0;
    qsizetype last = -1;

    while (in != end) {
        if (end - in < 4) corrupt();
        const uint32_t cw = load32(in);
        in += 4;
        if (in == end) break;
        for (int bit = 0; bit < 32; ++bit) {
            if ((cw & (1u << bit)) == 0) {
                if (pos >= size) corrupt();
                out[pos++] = *in++;
                if (in == end) break;
                if (last < pos - 3) {
                    ++last;
                    table[hash3(out + last)] = last;
                }
            } else {
                if (end - in < 2) corrupt();
                const uint32_t w = uint32_t(in[0]) | uint32_t(in[1]) << 8;
                in += 2;
                qsizetype len = (w & 15) + 2;
                if (len == 2) {
                    if (in == end) corrupt();
                    len = qsizetype(*in++) + 18;
                }
                const qsizetype s = table[w >> 4];
                if (s < 0 || len > size - pos) corrupt();
                for (qsizetype k = 0; k < len; ++k) out[pos + k] = out[s + k];
                while (last < pos) {
                    ++last;
                    table[hash3(out + last)] = last;
                }
                pos += len;
                last = pos - 1;
                if (in == end) break;
            }
        }
    }
    if (pos != size) corrupt();
    return result;
}
