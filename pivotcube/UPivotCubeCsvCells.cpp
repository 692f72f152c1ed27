// Reading numbers and dates out of CSV cells, without allocating.
#include "UPivotCubeCsvCells.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

void trim(const char*& p, const char*& end) {
    while (p < end && isBlank(*p)) ++p;
    while (end > p && isBlank(end[-1])) --end;
}

// Reads exactly n digits.
bool digits(const char*& p, const char* end, int n, int& value) {
    if (end - p < n) return false;
    value = 0;
    for (int i = 0; i < n; ++i, ++p) {
        if (!isDigit(*p)) return false;
        value = value * 10 + (*p - '0');
    }
    return true;
}

bool validDay(int year, int month, int day) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

// An optional time of day after a date: [T or blank] hh:mm[:ss[.fraction]].
bool timeOfDay(const char* p, const char* end, double& seconds) {
    seconds = 0;
    if (p == end) return true;
    if (*p != 'T' && *p != ' ') return false;
    ++p;
    int h, m, s = 0;
    if (!digits(p, end, 2, h) || p == end || *p++ != ':' || !digits(p, end, 2, m)) return false;
    double fraction = 0;
    if (p < end && *p == ':') {
        ++p;
        if (!digits(p, end, 2, s)) return false;
        if (p < end && *p == '.') {
            const char* start = ++p;
            double scale = 0.1;
            while (p < end && isDigit(*p)) {
                fraction += (*p++ - '0') * scale;
                scale /= 10;
            }
            if (p == start) return false;
        }
    }
    if (p != end || h > 23 || m > 59 || s > 59) return false;
    seconds = h * 3600.0 + m * 60.0 + s + fraction;
    return true;
}

} // namespace

bool IsCsvBlank(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (!isBlank(data[i])) return false;
    return true;
}

bool ParseCsvNumber(const char* data, size_t size, char decimal, double& value) {
    const char* p = data;
    const char* end = data + size;
    trim(p, end);
    if (p < end && *p == '+') {
        ++p;
        if (p < end && *p == '-') return false;
    }
    if (p == end) return false;
    // The common case: '.' as separator, read in place.
    char buffer[64];
    if (decimal != '.') {
        const size_t n = size_t(end - p);
        if (n > sizeof buffer) return false;
        for (size_t i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == '.') return false;   // with ',' as separator a '.' is not part of a number
            buffer[i] = c == decimal ? '.' : c;
        }
        p = buffer;
        end = buffer + n;
    }
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end) return false;
    // One NaN for every way of writing it ("-nan", "nan(7)"), as the export writes one.
    if (std::isnan(value)) value = std::numeric_limits<double>::quiet_NaN();
    return true;
}

bool IsCsvCode(const char* data, size_t size) {
    const char* p = data;
    const char* end = data + size;
    trim(p, end);
    if (p < end && (*p == '-' || *p == '+')) ++p;
    if (end - p < 2 || p[0] != '0' || !isDigit(p[1])) return false;
    for (const char* c = p; c < end; ++c)
        if (!isDigit(*c)) return false;
    return true;
}

bool ParseCsvDate(const char* data, size_t size, TCsvDate& date) {
    const char* p = data;
    const char* end = data + size;
    if (size >= 10 && isDigit(p[0]) && isDigit(p[3]) && p[4] == '-') {
        if (!digits(p, end, 4, date.Year) || *p++ != '-' || !digits(p, end, 2, date.Month) || p == end || *p++ != '-' ||
            !digits(p, end, 2, date.Day))
            return false;
    } else if (size >= 10 && p[2] == '/') {
        if (!digits(p, end, 2, date.Day) || *p++ != '/' || !digits(p, end, 2, date.Month) || p == end || *p++ != '/' ||
            !digits(p, end, 4, date.Year))
            return false;
    } else {
        return false;
    }
    return validDay(date.Year, date.Month, date.Day) && timeOfDay(p, end, date.SecondsOfDay);
}

void TCsvKindTally::Add(const char* data, size_t size, char decimal) {
    if (IsCsvBlank(data, size)) return;
    Any = true;
    if (AllNumbers) {
        double x;
        AllNumbers = ParseCsvNumber(data, size, decimal, x) && !IsCsvCode(data, size);
    }
    if (AllDates) {
        TCsvDate d;
        AllDates = ParseCsvDate(data, size, d);
    }
}
