#pragma once
// What one CSV cell means: a number (with '.' or ',' as decimal separator), a
// date (yyyy-mm-dd or dd/mm/yyyy, a time of day may follow), or a text.

#include <cstddef>
#include <cstdint>

// The number the cell holds (blanks around it allowed); false when it holds none.
// "inf", "-inf" and "nan" are numbers, so that exported data reads back.
bool ParseCsvNumber(const char* data, size_t size, char decimal, double& value);
// A whole number written with a leading zero ("007", "-01"): a code, not a quantity.
bool IsCsvCode(const char* data, size_t size);
// Whether the cell holds nothing but blanks.
bool IsCsvBlank(const char* data, size_t size);

struct TCsvDate {
    int Year = 0, Month = 0, Day = 0;
    double SecondsOfDay = 0;
    // Orders dates, then times of day.
    double SortKey() const { return ((double(Year) * 13 + Month) * 32 + Day) * 86400.0 + SecondsOfDay; }
};
// A date in one of the two forms; false for anything else or an impossible day.
bool ParseCsvDate(const char* data, size_t size, TCsvDate& date);

// What a column's cells have shown so far: its kind is the narrowest that
// holds every non-blank cell (numbers written as codes count as texts).
struct TCsvKindTally {
    bool Any = false, AllNumbers = true, AllDates = true;
    void Add(const char* data, size_t size, char decimal);
    // 0 Empty, 1 Text, 2 Number, 3 Date: the values of TCsvColumnKind.
    int Kind() const { return !Any ? 0 : AllNumbers ? 2 : AllDates ? 3 : 1; }
};
