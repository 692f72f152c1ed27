#pragma once
// RC5-32/12/b block cipher (32-bit words, 12 rounds, keys of 1 to 256 bytes)
// with the ECB, CBC and OFB block modes, and the whole-string operations that
// encrypt the password-protected entries of the storage container.
// Byte strings are std::string holding raw bytes; this library has no Qt.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// A programming error of the caller: a key length outside 1..256 or an
// unknown block mode.
class ERC5Error : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

inline constexpr int RC5Rounds = 12;
inline constexpr int RC5KeyWords = 2 * (RC5Rounds + 1);
inline constexpr int RC5BlockSize = 8;
inline constexpr int RC5MaxKeyLength = 256;

enum TRC5Mode : int { rc5ECB = 0, rc5CBC = 1, rc5OFB = 2 };

struct TRC5Context {
    uint32_t S[RC5KeyWords];      // expanded key
    uint8_t IV[RC5BlockSize];     // chaining value
    uint8_t InitIV[RC5BlockSize]; // initial vector the chaining value was set from
};

// Expands key (keyLength bytes, 1..256) into ctx; iv (8 bytes) or none for zeros.
void RC5Setup(TRC5Context& ctx, const void* key, size_t keyLength, const void* iv = nullptr);
// Restores the chaining value to the initial vector.
void RC5Reset(TRC5Context& ctx);
// Clears the whole context (expanded key and chaining values).
void RC5Burn(TRC5Context& ctx);

// One 8-byte block, in place or from in to out (in and out may be equal).
void RC5EncryptECB(const TRC5Context& ctx, const uint8_t* in, uint8_t* out);
void RC5DecryptECB(const TRC5Context& ctx, const uint8_t* in, uint8_t* out);

// size must be a multiple of 8; the chaining value of ctx advances.
void RC5Encrypt(TRC5Context& ctx, int mode, const uint8_t* in, uint8_t* out, size_t size);
void RC5Decrypt(TRC5Context& ctx, int mode, const uint8_t* in, uint8_t* out, size_t size);

// Zero-pads data to a multiple of 8 bytes and encrypts it with a fresh context
// (zero initial vector); empty data gives an empty result.
std::string RC5EncryptString(const std::string& data, const std::string& key, int mode);
// Decrypts whole blocks; empty data or a length that is not a multiple of 8
// gives an empty result. Padding is kept: the result has the length of data.
std::string RC5DecryptString(const std::string& data, const std::string& key, int mode);
// The same decryption in place, on a buffer whose size is a multiple of 8
// (ERC5Error otherwise), without copying large contents.
void RC5DecryptBuffer(void* data, size_t size, const void* key, size_t keyLength, int mode);
