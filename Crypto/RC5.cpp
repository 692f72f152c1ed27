#include "RC5.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t P32 = 0xB7E15163u;
constexpr uint32_t Q32 = 0x9E3779B9u;

inline uint32_t rotl(uint32_t x, uint32_t n) {
    n &= 31;
    return n ? (x << n) | (x >> (32 - n)) : x;
}

inline uint32_t rotr(uint32_t x, uint32_t n) {
    n &= 31;
    return n ? (x >> n) | (x << (32 - n)) : x;
}

inline uint32_t load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void store32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Overwrites memory in a way the optimiser may not drop.
void secureZero(void* p, size_t n) {
    volatile uint8_t* v = static_cast<volatile uint8_t*>(p);
    while (n--) *v++ = 0;
}

void checkKeyLength(size_t keyLength) {
    if (keyLength < 1 || keyLength > size_t(RC5MaxKeyLength))
        throw ERC5Error("RC5: Key length must be between 1 and 256 bytes");
}

void checkMode(int mode) {
    if (mode != rc5ECB && mode != rc5CBC && mode != rc5OFB)
        throw ERC5Error("RC5: Invalid block mode (must be 0, 1 or 2)");
}

// Owns a context for one string operation and clears it whatever happens.
struct ScopedContext {
    TRC5Context ctx;
    ~ScopedContext() { RC5Burn(ctx); }
};

} // namespace

void RC5Setup(TRC5Context& ctx, const void* key, size_t keyLength, const void* iv) {
    checkKeyLength(keyLength);
    uint32_t L[RC5MaxKeyLength / 4] = {};
    const uint8_t* k = static_cast<const uint8_t*>(key);
    for (size_t i = 0; i < keyLength; ++i) L[i / 4] |= uint32_t(k[i]) << (8 * (i % 4));
    const int c = int((keyLength + 3) / 4);

    ctx.S[0] = P32;
    for (int i = 1; i < RC5KeyWords; ++i) ctx.S[i] = ctx.S[i - 1] + Q32;

    uint32_t A = 0, B = 0;
    int i = 0, j = 0;
    const int steps = 3 * std::max(RC5KeyWords, c);
    for (int s = 0; s < steps; ++s) {
        A = ctx.S[i] = rotl(ctx.S[i] + A + B, 3);
        B = L[j] = rotl(L[j] + A + B, A + B);
        i = (i + 1) % RC5KeyWords;
        j = (j + 1) % c;
    }
    secureZero(L, sizeof L);

    if (iv)
        std::memcpy(ctx.InitIV, iv, RC5BlockSize);
    else
        std::memset(ctx.InitIV, 0, RC5BlockSize);
    std::memcpy(ctx.IV, ctx.InitIV, RC5BlockSize);
}

void RC5Reset(TRC5Context& ctx) { std::memcpy(ctx.IV, ctx.InitIV, RC5BlockSize); }

void RC5Burn(TRC5Context& ctx) { secureZero(&ctx, sizeof ctx); }

void RC5EncryptECB(const TRC5Context& ctx, const uint8_t* in, uint8_t* out) {
    uint32_t A = load32(in) + ctx.S[0];
    uint32_t B = load32(in + 4) + ctx.S[1];
    for (int r = 1; r <= RC5Rounds; ++r) {
        A = rotl(A ^ B, B) + ctx.S[2 * r];
        B = rotl(B ^ A, A) + ctx.S[2 * r + 1];
    }
    store32(out, A);
    store32(out + 4, B);
}

void RC5DecryptECB(const TRC5Context& ctx, const uint8_t* in, uint8_t* out) {
    uint32_t A = load32(in);
    uint32_t B = load32(in + 4);
    for (int r = RC5Rounds; r >= 1; --r) {
        B = rotr(B - ctx.S[2 * r + 1], A) ^ A;
        A = rotr(A - ctx.S[2 * r], B) ^ B;
    }
    store32(out, A - ctx.S[0]);
    store32(out + 4, B - ctx.S[1]);
}

void RC5Encrypt(TRC5Context& ctx, int mode, const uint8_t* in, uint8_t* out, size_t size) {
    checkMode(mode);
    uint8_t block[RC5BlockSize];
    for (size_t off = 0; off + RC5BlockSize <= size; off += RC5BlockSize) {
        const uint8_t* p = in + off;
        uint8_t* q = out + off;
        switch (mode) {
        case rc5ECB:
            RC5EncryptECB(ctx, p, q);
            break;
        case rc5CBC:
            for (int i = 0; i < RC5BlockSize; ++i) block[i] = p[i] ^ ctx.IV[i];
            RC5EncryptECB(ctx, block, q);
            std::memcpy(ctx.IV, q, RC5BlockSize);
            break;
        case rc5OFB:
            RC5EncryptECB(ctx, ctx.IV, ctx.IV);
            for (int i = 0; i < RC5BlockSize; ++i) q[i] = p[i] ^ ctx.IV[i];
            break;
        }
    }
    secureZero(block, sizeof block);
}

void RC5Decrypt(TRC5Context& ctx, int mode, const uint8_t* in, uint8_t* out, size_t size) {
    checkMode(mode);
    uint8_t block[RC5BlockSize];
    for (size_t off = 0; off + RC5BlockSize <= size; off += RC5BlockSize) {
        const uint8_t* p = in + off;
        uint8_t* q = out + off;
        switch (mode) {
        case rc5ECB:
            RC5DecryptECB(ctx, p, q);
            break;
        case rc5CBC:
            std::memcpy(block, p, RC5BlockSize); // in and out may be the same buffer
            RC5DecryptECB(ctx, block, q);
            for (int i = 0; i < RC5BlockSize; ++i) q[i] ^= ctx.IV[i];
            std::memcpy(ctx.IV, block, RC5BlockSize);
            break;
        case rc5OFB:
            RC5EncryptECB(ctx, ctx.IV, ctx.IV);
            for (int i = 0; i < RC5BlockSize; ++i) q[i] = p[i] ^ ctx.IV[i];
            break;
        }
    }
    secureZero(block, sizeof block);
}

std::string RC5EncryptString(const std::string& data, const std::string& key, int mode) {
    checkMode(mode);
    checkKeyLength(key.size());
    if (data.empty()) return {};
    std::string result = data;
    result.resize((data.size() + RC5BlockSize - 1) / RC5BlockSize * RC5BlockSize, '\0');
    ScopedContext s;
    RC5Setup(s.ctx, key.data(), key.size());
    auto* bytes = reinterpret_cast<uint8_t*>(result.data());
    RC5Encrypt(s.ctx, mode, bytes, bytes, result.size());
    return result;
}

std::string RC5DecryptString(const std::string& data, const std::string& key, int mode) {
    checkMode(mode);
    checkKeyLength(key.size());
    if (data.empty() || data.size() % RC5BlockSize != 0) return {};
    std::string result = data;
    RC5DecryptBuffer(result.data(), result.size(), key.data(), key.size(), mode);
    return result;
}

void RC5DecryptBuffer(void* data, size_t size, const void* key, size_t keyLength, int mode) {
    checkMode(mode);
    checkKeyLength(keyLength);
    if (size % RC5BlockSize != 0) throw ERC5Error("RC5DecryptBuffer : the size is not a multiple of the block size");
    if (size == 0) return;
    ScopedContext s;
    RC5Setup(s.ctx, key, keyLength);
    auto* bytes = static_cast<uint8_t*>(data);
    RC5Decrypt(s.ctx, mode, bytes, bytes, size);
}
