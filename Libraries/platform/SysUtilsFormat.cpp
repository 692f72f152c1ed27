// Format: printf-like formatting with typed arguments.
#include "SysUtilsInternal.h"
#include "USysUtils.h"

#include <cmath>

using namespace sysutils_detail;

FormatArg FormatArg::pointer(const void* p) noexcept {
    FormatArg a;
    a.FKind = Kind::Pointer;
    a.FInt = static_cast<long long>(reinterpret_cast<quintptr>(p));
    return a;
}

namespace {

[[noreturn]] void invalidFormat(const QString& format) {
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

[[noreturn]] void missingArgument(const QString& format) {
    throw EConvertError(QStringLiteral("No argument for format '%1'").arg(format));
}

QString unsignedText(const FormatArg& a, int base) {
    if (a.kind() == FormatArg::Kind::Int32)
        return QString::number(static_cast<quint32>(a.integer()), base).toUpper();
    return QString::number(static_cast<unsigned long long>(a.integer()), base).toUpper();
}

QString padDigits(QString digits, int precision) {
    while (digits.size() < precision)
        digits.prepend(QLatin1Char('0'));
    return digits;
}

} // namespace

QString Format(const QString& format, std::span<const FormatArg> args) {
    QString out;
    out.reserve(format.size() + 16);
    const qsizetype n = format.size();
    size_t argIndex = 0;
    qsizetype i = 0;

    auto nextArg = [&]() -> const FormatArg& {
        if (argIndex >= args.size())
            missingArgument(format);
        return args[argIndex++];
    };
    // digits or "*"; -1 when neither is present
    auto readNumber = [&]() -> long long {
        if (i < n && format[i] == QLatin1Char('*')) {
            ++i;
            const FormatArg& a = nextArg();
            if (a.kind() != FormatArg::Kind::Int32 && a.kind() != FormatArg::Kind::Int64)
                invalidFormat(format);
            return a.integer();
        }
        long long v = -1;
        while (i < n && format[i].unicode() >= '0' && format[i].unicode() <= '9') {
            v = (v < 0 ? 0 : v) * 10 + (format[i].unicode() - '0');
            if (v > 1000000)
                invalidFormat(format);
            ++i;
        }
        return v;
    };

    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            const qsizetype start = i;
            while (i < n && format[i] != QLatin1Char('%'))
                ++i;
            out += QStringView(format).mid(start, i - start);
            continue;
        }
        ++i;
        if (i >= n)
            invalidFormat(format);
        if (format[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        long long first = readNumber();
        if (i < n && format[i] == QLatin1Char(':')) {
            if (first < 0)
                invalidFormat(format);
            argIndex = static_cast<size_t>(first);
            ++i;
            first = -1;
        }
        bool left = false;
        if (first < 0 && i < n && format[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        long long width = first >= 0 ? first : readNumber();
        if (width < 0)
            width = 0;
        long long precision = -1;
        if (i < n && format[i] == QLatin1Char('.')) {
            ++i;
            precision = readNumber();
            if (precision < 0)
                precision = 0;
        }
        if (i >= n)
            invalidFormat(format);
        const char16_t letter = format[i].toLower().unicode();
        ++i;

        QString text;
        switch (letter) {
        case 'd':
        case 'u':
        case 'x': {
            const FormatArg& a = nextArg();
            if (a.kind() != FormatArg::Kind::Int32 && a.kind() != FormatArg::Kind::Int64)
                invalidFormat(format);
            const int minDigits = precision < 0 ? 0 : static_cast<int>(std::min<long long>(precision, 64));
            if (letter == 'd') {
                const long long v = a.integer();
                const unsigned long long mag = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                                     : static_cast<unsigned long long>(v);
                text = padDigits(QString::number(mag), minDigits);
                if (v < 0)
                    text.prepend(QLatin1Char('-'));
            } else {
                text = padDigits(unsignedText(a, letter == 'u' ? 10 : 16), minDigits);
            }
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            const FormatArg& a = nextArg();
            if (a.kind() != FormatArg::Kind::Float)
                invalidFormat(format);
            const double v = a.floating();
            const QChar sep = DecimalSeparator();
            if (letter == 'e' || letter == 'g') {
                const int p = precision < 0 ? 15 : static_cast<int>(std::clamp<long long>(precision, 1, 18));
                const DecimalFloat d = floatToDecimal(v, p, 9999);
                text = letter == 'e' ? formatExponent(d, p, sep, 3) : formatGeneral(d, p, sep, 0);
            } else {
                const int decimals = precision < 0 ? 2 : static_cast<int>(std::min<long long>(precision, 18));
                const DecimalFloat d = floatToDecimal(v, 18, decimals);
                text = formatFixed(d, decimals, sep, letter == 'f' ? QChar() : ThousandSeparator());
                if (letter == 'm' && !d.nan && !d.infinite)
                    text += QStringLiteral(" €");
            }
            break;
        }
        case 'p': {
            const FormatArg& a = nextArg();
            if (a.kind() != FormatArg::Kind::Pointer)
                invalidFormat(format);
            text = padDigits(QString::number(static_cast<unsigned long long>(a.integer()), 16).toUpper(), 16);
            break;
        }
        case 's': {
            const FormatArg& a = nextArg();
            if (a.kind() != FormatArg::Kind::String)
                invalidFormat(format);
            text = a.string();
            if (precision >= 0 && text.size() > precision)
                text.truncate(precision);
            break;
        }
        default:
            invalidFormat(format);
        }
        if (text.size() < width) {
            const QString pad(width - text.size(), QLatin1Char(' '));
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

QString Format(const QString& format, std::initializer_list<FormatArg> args) {
    return Format(format, std::span<const FormatArg>(args.begin(), args.size()));
}

namespace {
// The conversion letter of the first specifier of a format ("%8.2f" -> 'f');
// none when the format has no specifier.
QChar firstConversion(const QString& format) {
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%')) continue;
        if (i + 1 < format.size() && format[i + 1] == QLatin1Char('%')) {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < format.size() && QStringView(u"0123456789:-.*").contains(format[j])) ++j;
        return j < format.size() ? format[j].toLower() : QChar();
    }
    return {};
}

// A mask made of text around one plain "%.Nf" (or "%f"): the shape of most
// cell formats, which a table applies to every cell.
struct FixedMask {
    QString format;
    bool plain = false;
    QString prefix, suffix;
    int decimals = 2;
};

FixedMask readFixedMask(const QString& format) {
    FixedMask m;
    m.format = format;
    const qsizetype at = format.indexOf(QLatin1Char('%'));
    if (at < 0) return m;
    qsizetype i = at + 1;
    int decimals = 2;
    if (i < format.size() && format[i] == QLatin1Char('.')) {
        ++i;
        decimals = 0;
        const qsizetype digits = i;
        while (i < format.size() && format[i].unicode() >= '0' && format[i].unicode() <= '9' && i - digits < 2)
            decimals = decimals * 10 + (format[i++].unicode() - '0');
        decimals = std::min(decimals, 18);
    }
    if (i >= format.size() || (format[i] != QLatin1Char('f') && format[i] != QLatin1Char('F'))) return m;
    if (format.indexOf(QLatin1Char('%'), i + 1) >= 0) return m;   // "%%" or a second specifier: the general path
    m.plain = true;
    m.prefix = format.left(at);
    m.suffix = format.mid(i + 1);
    m.decimals = decimals;
    return m;
}

// The text of value with `decimals` decimals when the rounding can be told
// from double arithmetic: x = |value| * 10^decimals is below 10^12 and not
// within 10^-3 of a half (the product errs by less than 2 * 10^-4 there, the
// 18-digit reading of the value by less than 10^-5), so the integer nearest
// to x is the one the 18-digit rounding gives. False otherwise.
bool quickFixed(double value, int decimals, QChar separator, QString& text) {
    static constexpr double scale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (decimals > 6 || !(std::fabs(value) < 1e12)) return false;
    const double x = std::fabs(value) * scale[decimals];
    if (!(x < 1e12)) return false;
    const double whole = std::floor(x);
    const double fraction = x - whole;
    if (std::fabs(fraction - 0.5) <= 1e-3) return false;
    unsigned long long n = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
    const bool zero = n == 0;
    char16_t buffer[32];
    int at = 32;
    for (int i = 0; i < decimals; ++i) {
        buffer[--at] = char16_t(u'0' + n % 10);
        n /= 10;
    }
    if (decimals > 0) buffer[--at] = separator.unicode();
    do {
        buffer[--at] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    // A number that rounds to zero shows no sign, as the general path does.
    if (value < 0 && !zero) buffer[--at] = u'-';
    text = QString(reinterpret_cast<const QChar*>(buffer + at), 32 - at);
    return true;
}

} // namespace

QString FormatFloat(const QString& format, double value) {
    // A text specifier shows the number in its shortest form ("%s €" -> "12.5 €").
    if (firstConversion(format) == QLatin1Char('s')) return Format(format, {FormatArg(FloatToStr(value))});
    // The last mask read is kept: a table formats many numbers with one.
    thread_local FixedMask mask;
    if (mask.format != format) mask = readFixedMask(format);
    if (!mask.plain) return Format(format, {FormatArg(value)});
    QString number;
    if (!quickFixed(value, mask.decimals, DecimalSeparator(), number))
        number = formatFixed(floatToDecimal(value, 18, mask.decimals), mask.decimals, DecimalSeparator(), QChar());
    if (mask.prefix.isEmpty() && mask.suffix.isEmpty()) return number;
    QString out;
    out.reserve(mask.prefix.size() + number.size() + mask.suffix.size());
    out += mask.prefix;
    out += number;
    out += mask.suffix;
    return out;
}
