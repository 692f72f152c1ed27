#pragma once
// Shared pieces of the conversion module's implementation files.

#include <QString>

namespace sysutils_detail {

// A finite double as decimal digits: value = 0.D1D2D3... x 10^exponent.
// digits holds no trailing zeros; an empty digits means zero.
struct DecimalFloat {
    bool negative = false;
    bool nan = false;
    bool infinite = false;
    char digits[20] = {};
    int count = 0;
    int exponent = 0;
};

// Rounds |value| half away from zero to at most `precision` significant digits
// (1..18) and at most `decimals` digits after the point (pass a large number
// for no limit). The value is first expanded to 18 significant digits, as the
// 80-bit conversions of the platform do.
DecimalFloat floatToDecimal(double value, int precision, int decimals);

// "NAN", "INF", "-INF" or an empty text for a finite value.
QString specialFloatText(const DecimalFloat& d);

// Fixed notation with `decimals` decimals; thousands separators when given.
QString formatFixed(const DecimalFloat& d, int decimals, QChar decimalSeparator, QChar thousands);
// Shortest general notation (scientific when the exponent is out of range).
QString formatGeneral(const DecimalFloat& d, int precision, QChar decimalSeparator, int minExponentDigits);
// "d.ddddE+ddd" with `precision` significant digits.
QString formatExponent(const DecimalFloat& d, int precision, QChar decimalSeparator, int minExponentDigits);

} // namespace sysutils_detail
