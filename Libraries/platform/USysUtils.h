#pragma once
// Platform conversions: the one place that formats and parses numbers and
// dates and turns variants into texts, numbers and orderings. Every other
// module calls these; none formats a number with QString::number or parses one
// with QString::toDouble.
//
// The rules are those of a French-locale desktop whose process-wide decimal
// separator is switched to "." at start:
//  - number formatting uses the process-wide decimal separator (default ".",
//    changed only temporarily, e.g. by the spreadsheet export);
//  - number parsing accepts both "." and "," as the decimal separator;
//  - dates are written and read day first ("dd/mm/yyyy"), times "hh:nn:ss";
//  - month and day names are French.
//
// Date-times are doubles counting days since 1899-12-30 00:00 (TDateTime); the
// fraction is the time of day. For negative values the integral part is the
// day and the absolute value of the fraction the time: -1.25 is 1899-12-29
// 06:00.

#include "UVariant.h"

#include <QChar>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <span>

// ---------------------------------------------------------------------------
// Separators

// The process-wide decimal separator used when formatting numbers ("." by default).
QChar DecimalSeparator() noexcept;
void SetDecimalSeparator(QChar separator) noexcept;
// Thousands separator of "%n" and "%m" (the French no-break space U+00A0).
QChar ThousandSeparator() noexcept;
// The user's own locale decimal separator (for the spreadsheet export).
QChar LocaleDecimalSeparator();

// Replaces the process-wide decimal separator for the lifetime of the object
// and restores the previous one afterwards, also when an exception passes.
class DecimalSeparatorScope {
public:
    explicit DecimalSeparatorScope(QChar separator) noexcept;
    ~DecimalSeparatorScope();
    DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
    DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

private:
    QChar FPrevious;
};

// ---------------------------------------------------------------------------
// Format: printf-like formatting with typed arguments.
//
//   "%" [index ":"] ["-"] [width] ["." precision] letter
//
// index, width and precision are decimal digits or "*" (taken from the next
// integer argument). "-" left-justifies within width (default: right). "%%"
// writes "%". An index sets the argument used and unindexed specifiers go on
// from the one after it ("%1:s %0:s %s").
//
//   d  integer in decimal; precision = minimum digits (zero padded)
//   u  integer as unsigned (a 32-bit argument as 32 bits, else 64 bits)
//   x  integer in upper-case hexadecimal (same width rule as u); precision = minimum digits
//   e  float "d.ddddE+ddd"; precision = significant digits (default 15)
//   f  float fixed; precision = decimals (default 2)
//   g  float shortest general form; precision = significant digits (default 15)
//   n  as f with thousands separators
//   m  money: as n with two decimals by default, followed by " €"
//   p  pointer in 16 upper-case hexadecimal digits
//   s  text; precision = maximum characters
//
// Letters are case-insensitive. Floats use the process-wide decimal separator;
// NaN and infinities are written "NAN", "INF" and "-INF". An argument whose
// kind does not fit its letter ("%d" with a float, "%f" with an integer, "%s"
// with a number), a bad specifier or a missing argument raise EConvertError.
class FormatArg {
public:
    enum class Kind : uint8_t { Int32, Int64, Float, String, Pointer };
    FormatArg(int v) noexcept : FKind(Kind::Int32), FInt(v) {}
    FormatArg(unsigned v) noexcept : FKind(Kind::Int64), FInt(v) {}
    FormatArg(long v) noexcept : FKind(Kind::Int64), FInt(v) {}
    FormatArg(long long v) noexcept : FKind(Kind::Int64), FInt(v) {}
    FormatArg(double v) noexcept : FKind(Kind::Float), FFloat(v) {}
    FormatArg(const QString& v) noexcept : FKind(Kind::String), FString(&v) {}
    FormatArg(const char*) = delete; // pass a QString
    FormatArg(bool) = delete;        // no implicit boolean texts
    static FormatArg pointer(const void* p) noexcept;

    Kind kind() const noexcept { return FKind; }
    long long integer() const noexcept { return FInt; }
    double floating() const noexcept { return FFloat; }
    const QString& string() const noexcept { return *FString; }

private:
    FormatArg() = default;
    Kind FKind = Kind::Int32;
    long long FInt = 0;
    double FFloat = 0;
    const QString* FString = nullptr; // the caller's text outlives the call
};

QString Format(const QString& format, std::span<const FormatArg> args);
QString Format(const QString& format, std::initializer_list<FormatArg> args);
// The formula library's FormatFloat: Format with one floating argument; a
// mask whose specifier is "%s" gets the number's shortest text (FloatToStr).
QString FormatFloat(const QString& format, double value);

// ---------------------------------------------------------------------------
// Numbers to text

// Shortest general form with 15 significant digits: "0.3", "1234.5", "1E15",
// "1.5E-7" (scientific when the exponent is at least 15 or below -4), "NAN",
// "INF", "-INF". Uses the process-wide separator, or the one given.
QString FloatToStr(double value);
QString FloatToStr(double value, QChar decimalSeparator);
// General form with the given number of significant digits (1..18).
QString FloatToStrGeneral(double value, int precision, QChar decimalSeparator);
QString IntToStr(long long value);
// Upper-case hexadecimal of the low 32 bits, at least `digits` digits.
QString IntToHex(long long value, int digits);

// ---------------------------------------------------------------------------
// Text to numbers

// The platform text-to-float conversion: leading and trailing blanks allowed,
// an optional sign, digits with at most one decimal separator ("." or ","),
// an optional exponent "E"/"e" with optional sign and digits. At least one
// mantissa digit; a value beyond the double range fails.
bool TryStrToFloat(const QString& text, double& value) noexcept;
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const QString& text);
double StrToFloatDef(const QString& text, double fallback) noexcept;

// The lenient reading used for formula values and cube captions: an optional
// sign as very first character (no leading blanks), digits with at most one
// "." or ",", an optional exponent, trailing spaces ignored. Fails on any
// other character, on a text without digits and on an exponent beyond the
// extended range (a value beyond the double range becomes an infinity).
bool TryStrToNumber(const QString& text, double& value) noexcept;

// Decimal integers with optional sign and leading blanks, or hexadecimal
// written "$FF" / "0xFF". TryStrToInt fails outside the 32-bit range.
bool TryStrToInt(const QString& text, int& value) noexcept;
bool TryStrToInt64(const QString& text, long long& value) noexcept;
// Raise EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString& text);
long long StrToInt64(const QString& text);
int StrToIntDef(const QString& text, int fallback) noexcept;

// The shared truth reading of texts: "-1", or a first character among
// "YyOo1TtVvJjDd" (yes, oui, true, vrai, ja, da ...). Empty is false.
bool IsTrueText(const QString& text) noexcept;

// ---------------------------------------------------------------------------
// Date-times

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

struct DateParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

bool IsValidDate(int year, int month, int day) noexcept; // years 1..9999
bool TryEncodeDate(int year, int month, int day, TDateTime& value) noexcept;
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) noexcept;
// Raise EConvertError on an invalid date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// Splits a date-time into its parts (milliseconds rounded).
DateParts DecodeDateTime(TDateTime value) noexcept;
// ISO weekday: 1 = Monday ... 7 = Sunday.
int DayOfTheWeek(TDateTime value) noexcept;
bool IsLeapYear(int year) noexcept;

TDateTime Now();   // local date and time
TDateTime Today(); // local date at midnight

// Formats with the tokens (case-insensitive):
//   d dd          day without / with leading zero
//   ddd dddd      short / long French day name ("lun.", "lundi")
//   ddddd dddddd  short date "dd/mm/yyyy" / long date "dddd d mmmm yyyy"
//   m mm          month (minutes when it follows an hour token)
//   mmm mmmm      short / long French month name ("janv.", "janvier")
//   yy yyyy       two-digit / four-digit year
//   h hh n nn s ss  hour, minute, second without / with leading zero
//   z zzz         milliseconds without / with leading zeros
//   t tt          short time "hh:nn" / long time "hh:nn:ss"
//   c             short date, then " " and the long time when the time is not 0
//   am/pm a/p ampm  12-hour clock with that marker
//   /  :          date and time separators
//   "..." '...'   literal text; any other character is copied
// An empty format is "c".
QString FormatDateTime(const QString& format, TDateTime value);
QString DateTimeToStr(TDateTime value); // "c": "dd/mm/yyyy hh:nn:ss" (time omitted at midnight)
QString DateToStr(TDateTime value);     // "dd/mm/yyyy"
QString TimeToStr(TDateTime value);     // "hh:nn:ss"

// Locale date and time reading, day first. A date is "d/m/y" or "d/m" (the
// current year), a two-digit year falls within 50 years of the current year;
// a time is "h:n", "h:n:s" or "h:n:s.zzz", optionally followed by "AM"/"PM".
// Blanks around the parts are allowed. The date separator may be replaced
// (the formula library also reads "31.12.2015").
bool TryStrToDate(const QString& text, TDateTime& value, QChar dateSeparator = QLatin1Char('/')) noexcept;
bool TryStrToTime(const QString& text, TDateTime& value) noexcept;
// A date, optionally followed by blanks and a time; or a time alone.
bool TryStrToDateTime(const QString& text, TDateTime& value, QChar dateSeparator = QLatin1Char('/')) noexcept;
// Raise EConvertError "'%s' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(const QString& text);
TDateTime StrToTime(const QString& text);
TDateTime StrToDateTime(const QString& text);

// ---------------------------------------------------------------------------
// Variants

// Name of a variant's type for messages: "Empty", "Null", "Int64", "Double",
// "Date", "Boolean", "UnicodeString", "Array Variant" or the custom kind's name.
QString VarTypeName(const Variant& value);

// The default variant text: Empty and Null give "", integers their decimal
// digits, doubles FloatToStr, date-times DateTimeToStr, booleans "True" or
// "False", strings themselves, custom values their text(). A list raises
// EVariantTypeCastError.
QString VarToStr(const Variant& value);

// The variant-to-double conversion: Empty 0, integers, doubles and date-times
// their value, booleans -1 (true) and 0, strings TryStrToFloat. Null, lists,
// custom values and texts that do not read as numbers raise
// EVariantTypeCastError.
double VarToDouble(const Variant& value);

enum class VarRelation : int8_t { Less = -1, Equal = 0, Greater = 1, Unordered = 2 };

// Ordering comparison ("<", "<=", ">", ">="):
//  - numbers, booleans (true = -1) and date-times compare numerically;
//  - strings compare by UTF-16 code units, case-sensitively;
//  - a string against a number, boolean or date-time compares numerically when
//    the string reads as a number (TryStrToNumber) or, against a date-time, as a
//    locale date-time; otherwise both default texts compare as strings;
//  - Empty counts as 0 against numbers and date-times, as "" against strings,
//    as false against booleans, and equals Empty;
//  - Null is unordered with everything (every ordering comparison is false);
//  - lists and custom values raise EVariantError "Invalid variant operation".
// NaN is unordered too.
VarRelation VarCompare(const Variant& left, const Variant& right);
