#include "RC5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string fromHex(const char* hex) {
    std::string out;
    for (const char* p = hex; p[0] && p[1]; p += 2) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
        out.push_back(char(nibble(p[0]) << 4 | nibble(p[1])));
    }
    return out;
}

std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

// The published RC5-32/12/16 vectors; each plaintext is the previous ciphertext.
struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};
const Vector kVectors[] = {
    {"00000000000000000000000000000000", "0000000000000000", "21A5DBEE154B8F6D"},
    {"915F4619BE41B2516355A50110A9CE91", "21A5DBEE154B8F6D", "F7C013AC5B2B8952"},
    {"783348E75AEB0F2FD7B169BB8DC16787", "F7C013AC5B2B8952", "2F42B3B70369FC92"},
    {"DC49DB1375A5584F6485B413B5F12BAF", "2F42B3B70369FC92", "65C178B284D197CC"},
    {"5269F149D41BA0152497574D7F153125", "65C178B284D197CC", "EB44E415DA319824"},
};

} // namespace

TEST(RC5, PublishedVectorsInEveryEntryPoint) {
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.key);
        const std::string key = fromHex(v.key), plain = fromHex(v.plain), cipher = fromHex(v.cipher);
        EXPECT_EQ(toHex(RC5EncryptString(plain, key, rc5ECB)), v.cipher);
        EXPECT_EQ(toHex(RC5DecryptString(cipher, key, rc5ECB)), v.plain);
        // With a zero initial vector the first CBC block is the plain block cipher too.
        EXPECT_EQ(toHex(RC5EncryptString(plain, key, rc5CBC)), v.cipher);

        TRC5Context ctx;
        RC5Setup(ctx, key.data(), key.size());
        uint8_t block[8];
        RC5EncryptECB(ctx, reinterpret_cast<const uint8_t*>(plain.data()), block);
        EXPECT_EQ(toHex(std::string(reinterpret_cast<char*>(block), 8)), v.cipher);
        RC5DecryptECB(ctx, block, block);
        EXPECT_EQ(toHex(std::string(reinterpret_cast<char*>(block), 8)), v.plain);
        RC5Burn(ctx);
    }
}

TEST(RC5, ModesChainAsDocumented) {
    const std::string key = fromHex(kVectors[1].key);
    const std::string p1 = "ABCDEFGH", p2 = "abcdefgh";
    const std::string e1 = RC5EncryptString(p1, key, rc5ECB);
    // CBC: C2 = E(P2 xor C1)
    std::string x(8, '\0');
    for (int i = 0; i < 8; ++i) x[i] = char(p2[i] ^ e1[i]);
    EXPECT_EQ(RC5EncryptString(p1 + p2, key, rc5CBC), e1 + RC5EncryptString(x, key, rc5ECB));
    // OFB: the key stream is E(0), E(E(0)), ... ; the zero-key vector gives its first block.
    const std::string zeroKey(16, '\0');
    const std::string stream = RC5EncryptString(std::string(16, '\0'), zeroKey, rc5OFB);
    EXPECT_EQ(toHex(stream.substr(0, 8)), "21A5DBEE154B8F6D");
    EXPECT_EQ(stream.substr(8), RC5EncryptString(stream.substr(0, 8), zeroKey, rc5ECB));
}

TEST(RC5, EqualBlocksDifferOnlyWhenChained) {
    const std::string key = "secret";
    const std::string plain = "SAMEBLOKSAMEBLOK";
    const std::string ecb = RC5EncryptString(plain, key, rc5ECB);
    const std::string cbc = RC5EncryptString(plain, key, rc5CBC);
    EXPECT_EQ(ecb.substr(0, 8), ecb.substr(8, 8));
    EXPECT_NE(cbc.substr(0, 8), cbc.substr(8, 8));
}

TEST(RC5, StringLengthsPaddingAndRoundTrips) {
    const std::string key = "k";
    const std::string one = RC5EncryptString("Z", key, rc5CBC);
    ASSERT_EQ(one.size(), 8u);
    EXPECT_EQ(RC5DecryptString(one, key, rc5CBC), std::string("Z") + std::string(7, '\0'));

    for (int mode : {rc5ECB, rc5CBC, rc5OFB}) {
        EXPECT_EQ(RC5EncryptString("", key, mode), "");
        EXPECT_EQ(RC5DecryptString("", key, mode), "");
        EXPECT_EQ(RC5DecryptString(std::string(7, 'x'), key, mode), "");
        EXPECT_EQ(RC5DecryptString(std::string(9, 'x'), key, mode), "");
        for (size_t n : {1u, 7u, 8u, 9u, 16u, 100u, 1000u}) {
            std::string data;
            for (size_t i = 0; i < n; ++i) data.push_back(char(i * 37 + mode));
            const std::string enc = RC5EncryptString(data, key, mode);
            ASSERT_EQ(enc.size(), (n + 7) / 8 * 8);
            std::string expected = data;
            expected.resize(enc.size(), '\0');
            EXPECT_EQ(RC5DecryptString(enc, key, mode), expected) << "mode " << mode << " n " << n;
            std::string inPlace = enc;
            RC5DecryptBuffer(inPlace.data(), inPlace.size(), key.data(), key.size(), mode);
            EXPECT_EQ(inPlace, expected) << "in place, mode " << mode << " n " << n;
        }
        std::string partial(9, 'x');
        EXPECT_THROW(RC5DecryptBuffer(partial.data(), partial.size(), key.data(), key.size(), mode), ERC5Error);
        EXPECT_THROW(RC5DecryptBuffer(nullptr, 0, "", 0, mode), ERC5Error);
    }
}

TEST(RC5, KeyLengthsAndModesAreChecked) {
    const std::string data = "12345678";
    for (size_t len : {1u, 3u, 4u, 5u, 64u, 255u, 256u}) {
        const std::string key(len, char(len));
        EXPECT_EQ(RC5DecryptString(RC5EncryptString(data, key, rc5CBC), key, rc5CBC), data) << len;
    }
    // Every key byte counts, the last one of a 256-byte key included.
    std::string a(256, 'a'), b = a;
    b.back() = 'b';
    EXPECT_NE(RC5EncryptString(data, a, rc5ECB), RC5EncryptString(data, b, rc5ECB));

    try {
        RC5EncryptString(data, std::string(257, 'k'), rc5ECB);
        FAIL() << "a 257-byte key was accepted";
    } catch (const ERC5Error& e) {
        EXPECT_STREQ(e.what(), "RC5: Key length must be between 1 and 256 bytes");
    }
    EXPECT_THROW(RC5EncryptString(data, "", rc5ECB), ERC5Error);
    EXPECT_THROW(RC5DecryptString(data, "", rc5ECB), ERC5Error);
    EXPECT_THROW(RC5EncryptString(data, "k", 3), ERC5Error);
    EXPECT_THROW(RC5DecryptString(data, "k", -1), ERC5Error);
}

TEST(RC5, SetupWithInitialVectorAndReset) {
    const uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    TRC5Context ctx;
    RC5Setup(ctx, "key", 3, iv);
    uint8_t in[16] = {}, first[16], again[16];
    RC5Encrypt(ctx, rc5CBC, in, first, 16);
    RC5Reset(ctx);
    RC5Encrypt(ctx, rc5CBC, in, again, 16);
    EXPECT_EQ(0, memcmp(first, again, 16));
    RC5Reset(ctx);
    RC5Decrypt(ctx, rc5CBC, first, again, 16);
    EXPECT_EQ(0, memcmp(in, again, 16));
    RC5Burn(ctx);
    for (uint32_t w : ctx.S) EXPECT_EQ(w, 0u);
}
