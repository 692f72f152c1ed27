// The LZRW1-KH chunk codec.
#include "UCompressor.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {
std::mutex gHashLock;
int16_t gHash[4096];
} // namespace

int LZRW1KH::Compress(const uint8_t* src, int n, uint8_t* dst) {
    std::lock_guard<std::mutex> guard(gHashLock);
    std::fill(std::begin(gHash), std::end(gHash), int16_t(-1));
    dst[0] = FlagCompressed;
    int x = 0, y = 3, z = 1, bit = 0;
    uint32_t command = 0;
    while (x < n && y <= n) {
        if (bit > 15) {
            dst[z] = uint8_t(command >> 8);
            dst[z + 1] = uint8_t(command);
            z = y;
            y += 2;
            bit = 0;
            command = 0;
        }
        const int maxRun = std::min(4095, n - x - 1) + 1;
        int run = 1;
        while (run < maxRun && src[x + run] == src[x]) ++run;
        if (run >= 16) {
            dst[y] = 0;
            dst[y + 1] = uint8_t((run - 16) >> 8);
            dst[y + 2] = uint8_t(run - 16);
            dst[y + 3] = src[x];
            y += 4;
            x += run;
            command = (command << 1) | 1;
        } else {
            int length = 0, candidate = -1;
            if (x + 2 < n) {
                uint32_t h = ((((uint32_t(src[x]) << 4) ^ src[x + 1]) << 4) ^ src[x + 2]);
                h = ((h * 40543u) >> 4) & 0xFFF;
                candidate = gHash[h];
                gHash[h] = int16_t(x);
                if (candidate != -1 && x - candidate < 4096) {
                    const int maxLength = std::min(18, n - x - 1);
                    while (length < maxLength && src[x + length] == src[candidate + length]) ++length;
                }
            }
            if (length >= 3) {
                const uint32_t key = (uint32_t(x - candidate) << 4) | uint32_t(length - 3);
                dst[y] = uint8_t(key >> 8);
                dst[y + 1] = uint8_t(key);
                y += 2;
                x += length;
                command = (command << 1) | 1;
            } else {
                dst[y++] = src[x++];
                command <<= 1;
            }
        }
        ++bit;
    }
    command <<= (16 - bit);
    dst[z] = uint8_t(command >> 8);
    dst[z + 1] = uint8_t(command);
    if (y > n) {
        std::memmove(dst + 1, src, size_t(n));
        dst[0] = FlagCopied;
        y = n + 1;
    }
    return y;
}

int LZRW1KH::Decompress(const uint8_t* src, int n, uint8_t* dst, int cap) {
    if (n <= 1) return 0;
    if (src[0] == FlagCopied) {
        if (n - 1 > cap) return -1;
        std::memcpy(dst, src + 1, size_t(n - 1));
        return n - 1;
    }
    int x = 1, y = 0;
    while (x < n) {
        if (x + 2 > n) return -1;
        uint32_t command = (uint32_t(src[x]) << 8) | src[x + 1];
        x += 2;
        if (command == 0 && n - x >= 16) {   // sixteen literals
            if (y + 16 > cap) return -1;
            std::memcpy(dst + y, src + x, 16);
            x += 16;
            y += 16;
            continue;
        }
        for (int bit = 16; bit > 0 && x < n; --bit, command <<= 1) {
            if (!(command & 0x8000)) {
                if (y >= cap) return -1;
                dst[y++] = src[x++];
                continue;
            }
            if (x + 2 > n) return -1;
            const int distance = (int(src[x]) << 4) | (src[x + 1] >> 4);
            if (distance == 0) {
                if (x + 4 > n) return -1;
                const int count = ((int(src[x + 1]) << 8) | src[x + 2]) + 16;
                if (y + count > cap) return -1;
                std::memset(dst + y, src[x + 3], size_t(count));
                x += 4;
                y += count;
                continue;
            }
            const int length = (src[x + 1] & 0x0F) + 3;
            if (distance > y || y + length > cap) return -1;
            uint8_t* out = dst + y;
            const uint8_t* from = out - distance;
            if (distance >= 8 && y + 24 <= cap) {
                // Eight bytes at a time, each step reading bytes already in
                // place; the bytes after the match are written over later.
                std::memcpy(out, from, 8);
                std::memcpy(out + 8, from + 8, 8);
                if (length > 16) std::memcpy(out + 16, from + 16, 8);
            } else {
                for (int k = 0; k < length; ++k) out[k] = from[k];
            }
            x += 2;
            y += length;
        }
    }
    return y;
}

uint32_t ByteSum(const uint8_t* data, qint64 size) {
    uint32_t sum = 0;
    for (qint64 i = 0; i < size; ++i) sum += data[i];
    return sum;
}
