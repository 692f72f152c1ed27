// Number texts: separators, float and integer formatting, number parsing.
#include "SysUtilsInternal.h"
#include "USysUtils.h"

#include <QLocale>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace sysutils_detail;

namespace {
std::atomic<char16_t> gDecimalSeparator{u'.'};
} // namespace

QChar DecimalSeparator() noexcept {
    return QChar(gDecimalSeparator.load(std::memory_order_relaxed));
}

void SetDecimalSeparator(QChar separator) noexcept {
    gDecimalSeparator.store(separator.unicode(), std::memory_order_relaxed);
}

QChar ThousandSeparator() noexcept {
    return QChar(0x00A0);
}

QChar LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

DecimalSeparatorScope::DecimalSeparatorScope(QChar separator) noexcept : FPrevious(DecimalSeparator()) {
    SetDecimalSeparator(separator);
}

DecimalSeparatorScope::~DecimalSeparatorScope() {
    SetDecimalSeparator(FPrevious);
}

// ---------------------------------------------------------------------------

namespace sysutils_detail {

DecimalFloat floatToDecimal(double value, int precision, int decimals) {
    DecimalFloat r;
    if (std::isnan(value)) {
        r.nan = true;
        return r;
    }
    r.negative = std::signbit(value);
    if (std::isinf(value)) {
        r.infinite = true;
        return r;
    }
    if (value == 0) {
        r.negative = false;
        return r;
    }
    // 18 significant digits of the exact binary value, correctly rounded (the
    // double form gives the digits the long double form does, many times faster).
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    *res.ptr = 0;
    char digits[19];
    int n = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[n++] = *p;
    int exp10 = std::atoi(p + 1);
    int exponent = exp10 + 1;

    if (precision < 1)
        precision = 1;
    if (precision > 18)
        precision = 18;
    long long keepLong = static_cast<long long>(exponent) + decimals;
    int keep = keepLong < precision ? static_cast<int>(keepLong) : precision;
    if (keep < 0) {
        r.negative = false;
        return r; // rounds to zero
    }
    bool roundUp = keep < n && digits[keep] >= '5';
    if (keep == 0) {
        if (!roundUp) {
            r.negative = false;
            return r;
        }
        r.digits[0] = '1';
        r.count = 1;
        r.exponent = exponent + 1;
        return r;
    }
    if (keep > n)
        keep = n;
    std::memcpy(r.digits, digits, keep);
    r.count = keep;
    r.exponent = exponent;
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && r.digits[i] == '9') {
            r.digits[i] = '0';
            --i;
        }
        if (i < 0) {
            r.digits[0] = '1';
            r.count = 1;
            r.exponent = exponent + 1;
        } else {
            r.digits[i]++;
        }
    }
    while (r.count > 0 && r.digits[r.count - 1] == '0')
        --r.count;
    if (r.count == 0)
        r.negative = false;
    return r;
}

QString specialFloatText(const DecimalFloat& d) {
    if (d.nan)
        return QStringLiteral("NAN");
    if (d.infinite)
        return d.negative ? QStringLiteral("-INF") : QStringLiteral("INF");
    return QString();
}

static char digitAt(const DecimalFloat& d, int index) {
    return index >= 0 && index < d.count ? d.digits[index] : '0';
}

QString formatFixed(const DecimalFloat& d, int decimals, QChar decimalSeparator, QChar thousands) {
    QString special = specialFloatText(d);
    if (!special.isEmpty())
        return special;
    // Written into one buffer, then made a string once: at most 309 integer
    // digits with their separators, the point and 18 decimals.
    char16_t buffer[512];
    int n = 0;
    if (d.negative)
        buffer[n++] = u'-';
    if (d.count == 0 || d.exponent <= 0) {
        buffer[n++] = u'0';
    } else {
        const int integerDigits = std::min(d.exponent, 320);
        for (int i = 0; i < integerDigits; ++i) {
            if (!thousands.isNull() && i > 0 && (integerDigits - i) % 3 == 0)
                buffer[n++] = thousands.unicode();
            buffer[n++] = char16_t(digitAt(d, i));
        }
    }
    if (decimals > 0) {
        buffer[n++] = decimalSeparator.unicode();
        const int shown = std::min(decimals, 18);
        for (int i = 0; i < shown; ++i)
            buffer[n++] = char16_t(d.count == 0 ? '0' : digitAt(d, d.exponent + i));
    }
    return QString(reinterpret_cast<const QChar*>(buffer), n);
}

static void appendExponent(QString& out, int e, bool alwaysSign, int minDigits) {
    out += QLatin1Char('E');
    if (e < 0)
        out += QLatin1Char('-');
    else if (alwaysSign)
        out += QLatin1Char('+');
    QString digits = QString::number(std::abs(e));
    while (digits.size() < minDigits)
        digits.prepend(QLatin1Char('0'));
    out += digits;
}

QString formatGeneral(const DecimalFloat& d, int precision, QChar decimalSeparator, int minExponentDigits) {
    QString special = specialFloatText(d);
    if (!special.isEmpty())
        return special;
    if (d.count == 0)
        return QStringLiteral("0");
    QString out;
    if (d.negative)
        out += QLatin1Char('-');
    if (d.exponent > precision || d.exponent < -3) {
        out += QLatin1Char(d.digits[0]);
        if (d.count > 1) {
            out += decimalSeparator;
            for (int i = 1; i < d.count; ++i)
                out += QLatin1Char(d.digits[i]);
        }
        appendExponent(out, d.exponent - 1, false, minExponentDigits);
        return out;
    }
    if (d.exponent <= 0) {
        out += QLatin1Char('0');
        out += decimalSeparator;
        for (int i = d.exponent; i < 0; ++i)
            out += QLatin1Char('0');
        for (int i = 0; i < d.count; ++i)
            out += QLatin1Char(d.digits[i]);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i)
        out += QLatin1Char(digitAt(d, i));
    if (d.count > d.exponent) {
        out += decimalSeparator;
        for (int i = d.exponent; i < d.count; ++i)
            out += QLatin1Char(d.digits[i]);
    }
    return out;
}

QString formatExponent(const DecimalFloat& d, int precision, QChar decimalSeparator, int minExponentDigits) {
    QString special = specialFloatText(d);
    if (!special.isEmpty())
        return special;
    QString out;
    if (d.negative)
        out += QLatin1Char('-');
    out += QLatin1Char(digitAt(d, 0));
    if (precision > 1) {
        out += decimalSeparator;
        for (int i = 1; i < precision; ++i)
            out += QLatin1Char(digitAt(d, i));
    }
    appendExponent(out, d.count == 0 ? 0 : d.exponent - 1, true, minExponentDigits);
    return out;
}

} // namespace sysutils_detail

// ---------------------------------------------------------------------------

QString FloatToStrGeneral(double value, int precision, QChar decimalSeparator) {
    precision = std::clamp(precision, 1, 18);
    return formatGeneral(floatToDecimal(value, precision, 9999), precision, decimalSeparator, 0);
}

QString FloatToStr(double value, QChar decimalSeparator) {
    return FloatToStrGeneral(value, 15, decimalSeparator);
}

QString FloatToStr(double value) {
    return FloatToStr(value, DecimalSeparator());
}

QString IntToStr(long long value) {
    return QString::number(value);
}

QString IntToHex(long long value, int digits) {
    QString s = QString::number(static_cast<quint32>(value), 16).toUpper();
    while (s.size() < digits)
        s.prepend(QLatin1Char('0'));
    return s;
}

// ---------------------------------------------------------------------------

namespace {

bool isDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Scans sign, mantissa with one "." or ",", optional exponent into an ASCII
// text; `pos` ends after the number. Returns false when there is no digit or
// an exponent mark has no digits.
bool scanNumber(const QString& text, qsizetype& pos, std::string& ascii) {
    const qsizetype n = text.size();
    if (pos < n && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        if (text[pos] == QLatin1Char('-'))
            ascii += '-';
        ++pos;
    }
    bool digits = false, point = false;
    for (; pos < n; ++pos) {
        QChar c = text[pos];
        if (isDigit(c)) {
            ascii += static_cast<char>(c.unicode());
            digits = true;
        } else if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && !point) {
            ascii += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return false;
    if (pos < n && (text[pos] == QLatin1Char('e') || text[pos] == QLatin1Char('E'))) {
        ascii += 'e';
        ++pos;
        if (pos < n && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
            ascii += static_cast<char>(text[pos].unicode());
            ++pos;
        }
        bool expDigits = false;
        for (; pos < n && isDigit(text[pos]); ++pos) {
            ascii += static_cast<char>(text[pos].unicode());
            expDigits = true;
        }
        if (!expDigits)
            return false;
    }
    return true;
}

enum class Range { Ok, Overflow };

// Converts the scanned text; values outside the extended range fail, values
// outside the double range become infinities (or zero) when allowed.
bool convertAscii(const std::string& ascii, double& value, bool allowDoubleOverflow) {
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    if (*first == '.' || (*first == '-' && first[1] == '.')) {
        // from_chars wants a digit before the point
        std::string fixed = ascii;
        fixed.insert(*first == '-' ? 1 : 0, 1, '0');
        return convertAscii(fixed, value, allowDoubleOverflow);
    }
    double d = 0;
    auto r = std::from_chars(first, last, d);
    if (r.ptr != last)
        return false;
    if (r.ec == std::errc()) {
        value = d;
        return true;
    }
    if (r.ec != std::errc::result_out_of_range)
        return false;
    long double ld = 0;
    auto rl = std::from_chars(first, last, ld);
    if (rl.ec == std::errc::result_out_of_range) {
        // beyond the extended range: underflow reads as zero, overflow fails
        bool big = false;
        auto e = ascii.find('e');
        if (e != std::string::npos && ascii[e + 1] != '-')
            big = true;
        if (big)
            return false;
        value = 0;
        return true;
    }
    if (!allowDoubleOverflow && std::fabs(ld) > 1)
        return false;
    value = static_cast<double>(ld);
    return true;
}

} // namespace

bool TryStrToFloat(const QString& text, double& value) noexcept {
    try {
        qsizetype pos = 0;
        const qsizetype n = text.size();
        while (pos < n && text[pos] == QLatin1Char(' '))
            ++pos;
        std::string ascii;
        if (!scanNumber(text, pos, ascii))
            return false;
        while (pos < n && text[pos] == QLatin1Char(' '))
            ++pos;
        if (pos != n)
            return false;
        return convertAscii(ascii, value, false);
    } catch (...) {
        return false;
    }
}

double StrToFloat(const QString& text) {
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

double StrToFloatDef(const QString& text, double fallback) noexcept {
    double v = 0;
    return TryStrToFloat(text, v) ? v : fallback;
}

bool TryStrToNumber(const QString& text, double& value) noexcept {
    try {
        qsizetype pos = 0;
        const qsizetype n = text.size();
        std::string ascii;
        if (!scanNumber(text, pos, ascii))
            return false;
        while (pos < n && text[pos] == QLatin1Char(' '))
            ++pos;
        if (pos != n)
            return false;
        return convertAscii(ascii, value, true);
    } catch (...) {
        return false;
    }
}

bool TryStrToInt64(const QString& text, long long& value) noexcept {
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n && (text[pos] == QLatin1Char(' ') || text[pos] == QLatin1Char('\t')))
        ++pos;
    bool negative = false;
    if (pos < n && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    int base = 10;
    if (pos < n && text[pos] == QLatin1Char('$')) {
        base = 16;
        ++pos;
    } else if (pos + 1 < n && text[pos] == QLatin1Char('0') &&
               (text[pos + 1] == QLatin1Char('x') || text[pos + 1] == QLatin1Char('X'))) {
        base = 16;
        pos += 2;
    }
    if (pos >= n)
        return false;
    unsigned long long acc = 0;
    const unsigned long long limit = base == 10 ? (negative ? 9223372036854775808ULL : 9223372036854775807ULL)
                                                : ~0ULL;
    for (; pos < n; ++pos) {
        const char16_t c = text[pos].unicode();
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (acc > (limit - digit) / base)
            return false;
        acc = acc * base + digit;
    }
    long long v = static_cast<long long>(acc); // hexadecimal wraps like the platform
    value = negative ? static_cast<long long>(0ULL - acc) : v;
    return true;
}

bool TryStrToInt(const QString& text, int& value) noexcept {
    long long v = 0;
    if (!TryStrToInt64(text, v))
        return false;
    bool hex = text.contains(QLatin1Char('$')) || text.contains(QLatin1Char('x')) || text.contains(QLatin1Char('X'));
    if (hex) {
        if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
            return false;
        value = static_cast<int>(static_cast<quint32>(v));
        return true;
    }
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const QString& text) {
    int v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

long long StrToInt64(const QString& text) {
    long long v = 0;
    if (!TryStrToInt64(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

int StrToIntDef(const QString& text, int fallback) noexcept {
    int v = 0;
    return TryStrToInt(text, v) ? v : fallback;
}

bool IsTrueText(const QString& text) noexcept {
    if (text.isEmpty())
        return false;
    if (text == QLatin1String("-1"))
        return true;
    static const char16_t yes[] = u"YyOo1TtVvJjDd";
    const char16_t c = text.at(0).unicode();
    for (char16_t y : yes)
        if (y && c == y)
            return true;
    return false;
}
