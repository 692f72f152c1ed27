// Date-times as day counts since 1899-12-30: encoding, formatting, reading.
#include "USysUtils.h"

#include <QDateTime>
#include <cmath>

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kEpochShift = 25569; // 1970-01-01 as a day count since 1899-12-30

const char16_t* const kLongDays[] = {u"dimanche", u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi"};
const char16_t* const kShortDays[] = {u"dim.", u"lun.", u"mar.", u"mer.", u"jeu.", u"ven.", u"sam."};
const char16_t* const kLongMonths[] = {u"janvier", u"février", u"mars",      u"avril",   u"mai",      u"juin",
                                       u"juillet", u"août",    u"septembre", u"octobre", u"novembre", u"décembre"};
const char16_t* const kShortMonths[] = {u"janv.", u"févr.", u"mars", u"avr.", u"mai",  u"juin",
                                        u"juil.", u"août",  u"sept.", u"oct.", u"nov.", u"déc."};

// Day number (may be negative) and milliseconds of the day, rounding carried.
void splitDateTime(double value, long long& day, long long& msec) {
    if (!std::isfinite(value) || std::fabs(value) > 1e7) {
        day = 0;
        msec = 0;
        return;
    }
    day = static_cast<long long>(std::trunc(value));
    msec = std::llround(std::fabs(value - static_cast<double>(day)) * MSecsPerDay);
    if (msec >= 86400000) {
        msec -= 86400000;
        day += value < 0 ? -1 : 1;
    }
}

} // namespace

bool IsLeapYear(int year) noexcept {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool IsValidDate(int year, int month, int day) noexcept {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int max = days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= max;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) noexcept {
    if (!IsValidDate(year, month, day))
        return false;
    value = static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                kEpochShift);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) noexcept {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    value = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime v = 0;
    if (!TryEncodeDate(year, month, day, v))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return v;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime v = 0;
    if (!TryEncodeTime(hour, minute, second, msec, v))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return v;
}

DateParts DecodeDateTime(TDateTime value) noexcept {
    long long day = 0, ms = 0;
    splitDateTime(value, day, ms);
    DateParts p;
    civilFromDays(day - kEpochShift, p.year, p.month, p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    return p;
}

int DayOfTheWeek(TDateTime value) noexcept {
    long long day = 0, ms = 0;
    splitDateTime(value, day, ms);
    // 1899-12-30 was a Saturday (6)
    long long w = (day + 5) % 7;
    if (w < 0)
        w += 7;
    return static_cast<int>(w) + 1;
}

TDateTime Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + t.msecsSinceStartOfDay() / MSecsPerDay;
}

TDateTime Today() {
    const QDate d = QDate::currentDate();
    return EncodeDate(d.year(), d.month(), d.day());
}

// ---------------------------------------------------------------------------

namespace {

QString two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

class DateFormatter {
public:
    DateFormatter(TDateTime value) : FValue(value), FParts(DecodeDateTime(value)) {}

    void format(const QString& fmt, QString& out, int depth) {
        if (depth > 2)
            return;
        // A 12-hour marker anywhere turns hours into the 12-hour clock.
        const QString lower = fmt.toLower();
        const bool twelve = lower.contains(QLatin1String("am/pm")) || lower.contains(QLatin1String("a/p")) ||
                            lower.contains(QLatin1String("ampm"));
        bool afterHour = false;
        qsizetype i = 0;
        const qsizetype n = fmt.size();
        auto run = [&](char16_t c) {
            qsizetype k = 0;
            while (i + k < n && fmt[i + k].toLower().unicode() == c)
                ++k;
            return k;
        };
        while (i < n) {
            const QChar ch = fmt[i];
            const char16_t c = ch.toLower().unicode();
            if (c == '"' || c == '\'') {
                qsizetype j = i + 1;
                while (j < n && fmt[j] != ch)
                    ++j;
                out += QStringView(fmt).mid(i + 1, j - i - 1);
                i = j < n ? j + 1 : n;
                continue;
            }
            if (c == 'a') {
                if (lower.mid(i, 5) == QLatin1String("am/pm")) {
                    const bool upper = fmt[i] == QLatin1Char('A');
                    out += QLatin1String(FParts.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm"));
                    i += 5;
                    continue;
                }
                if (lower.mid(i, 3) == QLatin1String("a/p")) {
                    const bool upper = fmt[i] == QLatin1Char('A');
                    out += QLatin1Char(FParts.hour < 12 ? (upper ? 'A' : 'a') : (upper ? 'P' : 'p'));
                    i += 3;
                    continue;
                }
                if (lower.mid(i, 4) == QLatin1String("ampm")) {
                    i += 4; // the French locale has no morning/afternoon markers
                    continue;
                }
            }
            switch (c) {
            case 'y': {
                const qsizetype k = run('y');
                i += k;
                out += k <= 2 ? two(FParts.year % 100) : QStringLiteral("%1").arg(FParts.year, 4, 10, QLatin1Char('0'));
                afterHour = false;
                continue;
            }
            case 'm': {
                const qsizetype k = run('m');
                i += k;
                if (afterHour && k <= 2) {
                    out += k == 1 ? QString::number(FParts.minute) : two(FParts.minute);
                } else if (k == 1) {
                    out += QString::number(FParts.month);
                } else if (k == 2) {
                    out += two(FParts.month);
                } else if (k == 3) {
                    out += QString::fromUtf16(kShortMonths[FParts.month - 1]);
                } else {
                    out += QString::fromUtf16(kLongMonths[FParts.month - 1]);
                }
                afterHour = false;
                continue;
            }
            case 'd': {
                const qsizetype k = run('d');
                i += k;
                const int wd = DayOfTheWeek(FValue) % 7; // 0 = Sunday
                if (k == 1)
                    out += QString::number(FParts.day);
                else if (k == 2)
                    out += two(FParts.day);
                else if (k == 3)
                    out += QString::fromUtf16(kShortDays[wd]);
                else if (k == 4)
                    out += QString::fromUtf16(kLongDays[wd]);
                else if (k == 5)
                    format(QStringLiteral("dd/mm/yyyy"), out, depth + 1);
                else
                    format(QStringLiteral("dddd d mmmm yyyy"), out, depth + 1);
                afterHour = false;
                continue;
            }
            case 'h': {
                const qsizetype k = run('h');
                i += k;
                int h = FParts.hour;
                if (twelve) {
                    h %= 12;
                    if (h == 0)
                        h = 12;
                }
                out += k == 1 ? QString::number(h) : two(h);
                afterHour = true;
                continue;
            }
            case 'n': {
                const qsizetype k = run('n');
                i += k;
                out += k == 1 ? QString::number(FParts.minute) : two(FParts.minute);
                afterHour = false;
                continue;
            }
            case 's': {
                const qsizetype k = run('s');
                i += k;
                out += k == 1 ? QString::number(FParts.second) : two(FParts.second);
                afterHour = false;
                continue;
            }
            case 'z': {
                const qsizetype k = run('z');
                i += k;
                out += k < 3 ? QString::number(FParts.msec) : QStringLiteral("%1").arg(FParts.msec, 3, 10, QLatin1Char('0'));
                continue;
            }
            case 't': {
                const qsizetype k = run('t');
                i += k;
                format(k == 1 ? QStringLiteral("hh:nn") : QStringLiteral("hh:nn:ss"), out, depth + 1);
                continue;
            }
            case 'c': {
                ++i;
                format(QStringLiteral("dd/mm/yyyy"), out, depth + 1);
                if (FParts.hour || FParts.minute || FParts.second || FParts.msec) {
                    out += QLatin1Char(' ');
                    format(QStringLiteral("hh:nn:ss"), out, depth + 1);
                }
                continue;
            }
            default:
                break;
            }
            out += ch; // "/" and ":" are the French separators themselves
            ++i;
        }
    }

private:
    TDateTime FValue;
    DateParts FParts;
};

} // namespace

QString FormatDateTime(const QString& format, TDateTime value) {
    QString out;
    DateFormatter(value).format(format.isEmpty() ? QStringLiteral("c") : format, out, 0);
    return out;
}

QString DateTimeToStr(TDateTime value) {
    return FormatDateTime(QStringLiteral("c"), value);
}

QString DateToStr(TDateTime value) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), value);
}

QString TimeToStr(TDateTime value) {
    return FormatDateTime(QStringLiteral("hh:nn:ss"), value);
}

// ---------------------------------------------------------------------------

namespace {

class Scanner {
public:
    Scanner(const QString& text) : FText(text) {}
    void skipBlanks() {
        while (FPos < FText.size() && (FText[FPos] == QLatin1Char(' ') || FText[FPos] == QLatin1Char('\t')))
            ++FPos;
    }
    bool number(int& value, int& digits) {
        skipBlanks();
        value = 0;
        digits = 0;
        while (FPos < FText.size() && FText[FPos].unicode() >= '0' && FText[FPos].unicode() <= '9') {
            if (digits >= 9)
                return false;
            value = value * 10 + (FText[FPos].unicode() - '0');
            ++digits;
            ++FPos;
        }
        return digits > 0;
    }
    bool number(int& value) {
        int d = 0;
        return number(value, d);
    }
    bool take(QChar c) {
        skipBlanks();
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }
    bool peek(QChar c) {
        skipBlanks();
        return FPos < FText.size() && FText[FPos] == c;
    }
    bool atEnd() {
        skipBlanks();
        return FPos >= FText.size();
    }
    bool takeWord(const char* word) {
        skipBlanks();
        const QString w = QString::fromLatin1(word);
        if (FText.mid(FPos, w.size()).compare(w, Qt::CaseInsensitive) == 0) {
            FPos += w.size();
            return true;
        }
        return false;
    }
    qsizetype pos() const { return FPos; }
    void setPos(qsizetype p) { FPos = p; }

private:
    const QString& FText;
    qsizetype FPos = 0;
};

bool scanDate(Scanner& s, QChar sep, TDateTime& value) {
    int day = 0, month = 0, year = 0, yearDigits = 0;
    if (!s.number(day) || !s.take(sep) || !s.number(month))
        return false;
    const QDate today = QDate::currentDate();
    if (s.take(sep)) {
        if (!s.number(year, yearDigits))
            return false;
        if (yearDigits <= 2) {
            // two-digit years fall within 50 years of the current year
            const int pivot = today.year() - 50;
            year += pivot / 100 * 100;
            if (year < pivot)
                year += 100;
        }
    } else {
        year = today.year();
    }
    return TryEncodeDate(year, month, day, value);
}

bool scanTime(Scanner& s, TDateTime& value) {
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (!s.number(hour) || !s.take(QLatin1Char(':')) || !s.number(minute))
        return false;
    if (s.take(QLatin1Char(':'))) {
        if (!s.number(second))
            return false;
        if (s.peek(QLatin1Char('.')) || s.peek(QLatin1Char(','))) {
            s.setPos(s.pos() + 1);
            int digits = 0;
            if (!s.number(msec, digits) || digits > 3)
                return false;
            for (; digits < 3; ++digits)
                msec *= 10;
        }
    }
    if (s.takeWord("AM") || s.takeWord("A")) {
        if (hour < 1 || hour > 12)
            return false;
        hour %= 12;
    } else if (s.takeWord("PM") || s.takeWord("P")) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + 12;
    }
    return TryEncodeTime(hour, minute, second, msec, value);
}

} // namespace

bool TryStrToDate(const QString& text, TDateTime& value, QChar dateSeparator) noexcept {
    try {
        Scanner s(text);
        TDateTime d = 0;
        if (!scanDate(s, dateSeparator, d) || !s.atEnd())
            return false;
        value = d;
        return true;
    } catch (...) {
        return false;
    }
}

bool TryStrToTime(const QString& text, TDateTime& value) noexcept {
    try {
        Scanner s(text);
        TDateTime t = 0;
        if (!scanTime(s, t) || !s.atEnd())
            return false;
        value = t;
        return true;
    } catch (...) {
        return false;
    }
}

bool TryStrToDateTime(const QString& text, TDateTime& value, QChar dateSeparator) noexcept {
    try {
        {
            Scanner s(text);
            TDateTime d = 0, t = 0;
            if (scanDate(s, dateSeparator, d)) {
                if (s.atEnd()) {
                    value = d;
                    return true;
                }
                if (scanTime(s, t) && s.atEnd()) {
                    value = d < 0 ? d - t : d + t; // negative day counts carry the time as |fraction|
                    return true;
                }
                return false;
            }
        }
        return TryStrToTime(text, value);
    } catch (...) {
        return false;
    }
}

TDateTime StrToDate(const QString& text) {
    TDateTime v = 0;
    if (!TryStrToDate(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return v;
}

TDateTime StrToTime(const QString& text) {
    TDateTime v = 0;
    if (!TryStrToTime(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return v;
}

TDateTime StrToDateTime(const QString& text) {
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return v;
}
