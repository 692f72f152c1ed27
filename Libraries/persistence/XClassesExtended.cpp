// 80-bit x87 extended-precision floats, converted without relying on long double.
#include "XClasses.h"

#include <bit>
#include <cstring>

std::array<uint8_t, 10> DoubleToExtended(double value) {
    uint64_t bits = std::bit_cast<uint64_t>(value);
    uint64_t sign = bits >> 63;
    int exponent = int((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
    uint64_t mantissa = 0;
    int e80 = 0;
    if (exponent == 0x7FF) {
        e80 = 0x7FFF;
        mantissa = fraction == 0 ? (uint64_t(1) << 63) : ((uint64_t(1) << 63) | (fraction << 11));
    } else if (exponent == 0) {
        if (fraction != 0) {   // subnormal double: normalised in the wider format
            int top = 63 - std::countl_zero(fraction);
            mantissa = fraction << (63 - top);
            e80 = 16383 - 1074 + top;
        }
    } else {
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
        e80 = exponent - 1023 + 16383;
    }
    std::array<uint8_t, 10> out{};
    for (int i = 0; i < 8; ++i) out[i] = uint8_t(mantissa >> (8 * i));
    uint16_t se = uint16_t((sign << 15) | uint64_t(e80));
    out[8] = uint8_t(se);
    out[9] = uint8_t(se >> 8);
    return out;
}

double ExtendedToDouble(const uint8_t bytes[10]) {
    uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i) mantissa |= uint64_t(bytes[i]) << (8 * i);
    uint16_t se = uint16_t(bytes[8] | (bytes[9] << 8));
    uint64_t sign = uint64_t(se >> 15) << 63;
    int e80 = se & 0x7FFF;
    if (e80 == 0x7FFF) {
        if ((mantissa << 1) == 0) return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
        uint64_t fraction = (mantissa >> 11) & ((uint64_t(1) << 52) - 1);
        fraction |= uint64_t(1) << 51;   // quiet NaN, payload kept
        return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52) | fraction);
    }
    if (mantissa == 0) return std::bit_cast<double>(sign);
    // value = mantissa * 2^E; the integer bit is taken as stored (unnormals included).
    int E = (e80 == 0 ? 1 : e80) - 16383 - 63;
    int lz = std::countl_zero(mantissa);
    mantissa <<= lz;
    E -= lz;
    int field = E + 63 + 1023;   // biased double exponent of 1.xxx * 2^(E+63)
    if (field >= 0x7FF) return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
    if (field >= 1) {
        uint64_t m53 = mantissa >> 11;
        uint64_t rem = mantissa & 0x7FF;
        if (rem > 0x400 || (rem == 0x400 && (m53 & 1))) {
            ++m53;
            if (m53 == (uint64_t(1) << 53)) {
                m53 >>= 1;
                ++field;
                if (field >= 0x7FF) return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
            }
        }
        return std::bit_cast<double>(sign | (uint64_t(field) << 52) | (m53 & ((uint64_t(1) << 52) - 1)));
    }
    // Subnormal result: the fraction is value / 2^-1074 = mantissa * 2^(E + 1074).
    int shift = -(E + 1074);   // at least 12 here
    uint64_t q, rem, half;
    if (shift > 64) return std::bit_cast<double>(sign);
    if (shift == 64) {
        q = 0;
        rem = mantissa;
        half = uint64_t(1) << 63;
    } else {
        q = mantissa >> shift;
        rem = mantissa & ((uint64_t(1) << shift) - 1);
        half = uint64_t(1) << (shift - 1);
    }
    if (rem > half || (rem == half && (q & 1))) ++q;   // may carry into the smallest normal
    return std::bit_cast<double>(sign | q);
}
