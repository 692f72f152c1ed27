#include "QtPrinters.h"
#include "USysUtils.h"

#include <QDate>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

QString nbsp(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('_'), QChar(0x00A0));
}

} // namespace

TEST(FloatToStr, ShortestGeneralFormWith15Digits) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {100, "100"},
        {-1.5, "-1.5"},
        {0.5, "0.5"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {1234567890123456789.0, "1.23456789012346E18"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-1.5e-7, "-1.5E-7"},
        {1e100, "1E100"},
        {0.0, "0"},
        {-0.0, "0"},
        {999999999999999.9, "1E15"},
        {kNaN, "NAN"},
        {kInf, "INF"},
        {-kInf, "-INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToStr(c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(FloatToStr, FollowsTheProcessDecimalSeparator) {
    EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
    {
        DecimalSeparatorScope comma(QLatin1Char(','));
        EXPECT_EQ(FloatToStr(1234.5), QStringLiteral("1234,5"));
        EXPECT_EQ(Format(QStringLiteral("%.2f"), {1.5}), QStringLiteral("1,50"));
        EXPECT_EQ(FloatToStr(1234.5, QLatin1Char('.')), QStringLiteral("1234.5"));
    }
    EXPECT_EQ(FloatToStr(1234.5), QStringLiteral("1234.5"));
    try {
        DecimalSeparatorScope comma(QLatin1Char(','));
        throw EConvertError(QStringLiteral("x"));
    } catch (const EConvertError&) {
    }
    EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
}

TEST(Format, EachLetterWidthAndPrecision) {
    const QString abc = QStringLiteral("abcdef");
    const QString a = QStringLiteral("a"), b = QStringLiteral("b");
    struct Case {
        const char* format;
        std::initializer_list<FormatArg> args;
        QString expected;
    } cases[] = {
        {"%d", {42}, "42"},
        {"%d", {-42LL}, "-42"},
        {"%5d|", {42}, "   42|"},
        {"%-5d|", {42}, "42   |"},
        {"%.3d", {7}, "007"},
        {"%.3d", {-7}, "-007"},
        {"%*d", {5, 42}, "   42"},
        {"%u", {-1}, "4294967295"},
        {"%u", {-1LL}, "18446744073709551615"},
        {"%x", {255}, "FF"},
        {"%.4x", {255}, "00FF"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%X", {3054}, "BEE"},
        {"%f", {3.14159}, "3.14"},
        {"%.0f", {2.5}, "3"},
        {"%.2f", {0.125}, "0.13"},
        {"%.2f", {-0.001}, "0.00"},
        {"%.1f", {-0.05}, "-0.1"},
        {"%8.3f|", {3.14159}, "   3.142|"},
        {"%.2f", {1e20}, "100000000000000000000.00"},
        {"%.2f", {kNaN}, "NAN"},
        {"%f", {-kInf}, "-INF"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%.3e", {-1234.5}, "-1.23E+003"},
        {"%.3e", {0.0}, "0.00E+000"},
        {"%g", {1234.5}, "1234.5"},
        {"%.3g", {1234.5}, "1.23E3"},
        {"%g", {0.1 + 0.2}, "0.3"},
        {"%n", {1234567.891}, nbsp("1_234_567.89")},
        {"%.0n", {-999.5}, nbsp("-1_000")},
        {"%m", {1234.5}, nbsp("1_234.50 €")},
        {"%s", {abc}, "abcdef"},
        {"%.2s", {abc}, "ab"},
        {"%8s|%-3s|", {a, b}, "       a|b  |"},
        {"%1:s %0:s %s", {a, b}, "b a b"},
        {"%%", {}, "%"},
        {"%.2f %%", {75.0}, "75.00 %"},
        {"%.2f €", {75.0}, "75.00 €"},
        {"abc", {}, "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Format(QString::fromUtf8(c.format), c.args), c.expected) << c.format;
}

TEST(Format, PointerIsSixteenHexDigits) {
    EXPECT_EQ(Format(QStringLiteral("%p"), {FormatArg::pointer(reinterpret_cast<const void*>(0xABC))}),
              QStringLiteral("0000000000000ABC"));
}

TEST(Format, MismatchesAndBadSpecifiersRaiseConvertError) {
    const QString text = QStringLiteral("abc");
    struct Case {
        const char* format;
        std::initializer_list<FormatArg> args;
        const char* message;
    } cases[] = {
        {"%d", {1.2}, "Format '%d' invalid or incompatible with argument"},
        {"%.1d €", {1.2}, "Format '%.1d €' invalid or incompatible with argument"},
        {"%f", {1}, "Format '%f' invalid or incompatible with argument"},
        {"%s", {1.2}, "Format '%s' invalid or incompatible with argument"},
        {"%x", {text}, "Format '%x' invalid or incompatible with argument"},
        {"%p", {1}, "Format '%p' invalid or incompatible with argument"},
        {"%y", {1}, "Format '%y' invalid or incompatible with argument"},
        {"50%", {}, "Format '50%' invalid or incompatible with argument"},
        {"%.", {}, "Format '%.' invalid or incompatible with argument"},
        {"%*d", {1.5, 2}, "Format '%*d' invalid or incompatible with argument"},
        {"%d %d", {1}, "No argument for format '%d %d'"},
        {"%2:d", {1, 2}, "No argument for format '%2:d'"},
    };
    for (const Case& c : cases) {
        try {
            Format(QString::fromUtf8(c.format), c.args);
            ADD_FAILURE() << "no error for " << c.format;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
}

TEST(Format, FormatFloatTakesOneFloat) {
    EXPECT_EQ(FormatFloat(QStringLiteral("%.2f"), 3.14159), QStringLiteral("3.14"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%.1f €"), -0.25), QStringLiteral("-0.3 €"));
    EXPECT_THROW(FormatFloat(QStringLiteral("%d"), 1.2), EConvertError);
    EXPECT_THROW(FormatFloat(QStringLiteral("%.1f (%s)"), 1.2), EConvertError);
    // A text mask shows the number in its shortest form; the first specifier decides.
    EXPECT_EQ(FormatFloat(QStringLiteral("%s €"), 12.5), QStringLiteral("12.5 €"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%%s: %-6s|"), 0.1 + 0.2), QStringLiteral("%s: 0.3   |"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%0:s"), -1e21), QStringLiteral("-1E21"));
}

// Plain "%.Nf" masks take a shorter road than the general formatter: both
// must give the same texts, masks taken in turn, whatever the separator.
TEST(Format, PlainFixedMasksMatchTheGeneralFormatter) {
    const char* masks[] = {"%.2f", "%f", "%.0f", "%.f", "x %.3f \xe2\x82\xac", "%.18f", "%F", "%.25f", "%8.2f", "%.2f%%", "a%.1fb%"};
    const double values[] = {0, -0.0, 1.005, -0.001, 0.125, 2.675, 1e20, -123456.789, 1e300, 5e-324,
                             std::nan(""), std::numeric_limits<double>::infinity(), 0.1 + 0.2};
    // Random numbers of every size, and decimal ties seen through binary.
    std::vector<double> many(std::begin(values), std::end(values));
    std::mt19937_64 rng(5);
    for (int i = 0; i < 3000; ++i) {
        const double magnitude = std::pow(10.0, double(int(rng() % 30)) - 10);
        many.push_back((double(rng() % 2000001) - 1000000) / 1000000 * magnitude);
        many.push_back(double(int64_t(rng() % 200000) - 100000) / 1000 + 0.0005);
        many.push_back(double(int64_t(rng() % 2000000) - 1000000) / 100);
    }
    for (const QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
        DecimalSeparatorScope scope(separator);
        for (const double v : many)
            for (const char* m : masks) {
                const QString mask = QString::fromUtf8(m);
                QString general;
                try {
                    general = Format(mask, {FormatArg(v)});
                } catch (const EConvertError&) {
                    EXPECT_THROW(FormatFloat(mask, v), EConvertError) << m;
                    continue;
                }
                EXPECT_EQ(FormatFloat(mask, v), general) << m << " " << v;
            }
    }
}

TEST(StrToFloat, PlatformAndLenientReadings) {
    struct Case {
        const char* text;
        bool platformOk;
        double platform;
        bool lenientOk;
        double lenient;
    } cases[] = {
        {"1.5", true, 1.5, true, 1.5},
        {"1,5", true, 1.5, true, 1.5},
        {"-3e2", true, -300, true, -300},
        {"+4", true, 4, true, 4},
        {".5", true, 0.5, true, 0.5},
        {"5.", true, 5, true, 5},
        {" 2 ", true, 2, false, 0},
        {"2  ", true, 2, true, 2},
        {"\t2", false, 0, false, 0},
        {"1e", false, 0, false, 0},
        {"1E+", false, 0, false, 0},
        {"e5", false, 0, false, 0},
        {"abc", false, 0, false, 0},
        {"", false, 0, false, 0},
        {"   ", false, 0, false, 0},
        {"-", false, 0, false, 0},
        {"1.2.3", false, 0, false, 0},
        {"1,5.2", false, 0, false, 0},
        {"12kg", false, 0, false, 0},
        {"1 000", false, 0, false, 0},
        {"1e-5000", true, 0, true, 0},
        {"1e5000", false, 0, false, 0},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        double v = -99;
        EXPECT_EQ(TryStrToFloat(text, v), c.platformOk) << c.text;
        if (c.platformOk) {
            EXPECT_EQ(v, c.platform) << c.text;
        }
        v = -99;
        EXPECT_EQ(TryStrToNumber(text, v), c.lenientOk) << c.text;
        if (c.lenientOk) {
            EXPECT_EQ(v, c.lenient) << c.text;
        }
    }
    // beyond the double range: the platform reading fails, the lenient one
    // (extended range) gives an infinity
    double v = 0;
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("1e400"), v));
    EXPECT_TRUE(TryStrToNumber(QStringLiteral("-1e400"), v));
    EXPECT_EQ(v, -kInf);

    EXPECT_EQ(StrToFloat(QStringLiteral("2,25")), 2.25);
    EXPECT_EQ(StrToFloatDef(QStringLiteral("x"), 7), 7);
    try {
        StrToFloat(QStringLiteral("x1"));
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'x1' is not a valid floating point value"));
    }
}

TEST(StrToInt, DecimalHexadecimalAndRange) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"42", true, 42},
        {" -7", true, -7},
        {"+7", true, 7},
        {"$FF", true, 255},
        {"0x10", true, 16},
        {"$FFFFFFFF", true, -1},
        {"-2147483648", true, INT32_MIN},
        {"2147483647", true, INT32_MAX},
        {"2147483648", false, 0},
        {"1.0", false, 0},
        {"7 ", false, 0},
        {"", false, 0},
        {"$", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        int v = -99;
        EXPECT_EQ(TryStrToInt(QString::fromLatin1(c.text), v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_EQ(StrToInt64(QStringLiteral("-9223372036854775808")), INT64_MIN);
    EXPECT_EQ(StrToIntDef(QStringLiteral("z"), 3), 3);
    try {
        StrToInt(QStringLiteral("1.5"));
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'1.5' is not a valid integer value"));
    }
}

TEST(IntTexts, DecimalAndHexadecimal) {
    EXPECT_EQ(IntToStr(-12), QStringLiteral("-12"));
    EXPECT_EQ(IntToHex(255, 1), QStringLiteral("FF"));
    EXPECT_EQ(IntToHex(255, 4), QStringLiteral("00FF"));
    EXPECT_EQ(IntToHex(-1, 1), QStringLiteral("FFFFFFFF"));
}

TEST(IsTrueText, SharedTruthReading) {
    for (const char* yes : {"Y", "yes", "Oui", "1", "True", "vrai", "Ja", "da", "-1"})
        EXPECT_TRUE(IsTrueText(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", "N", "non", "0", "false", "-2", " Y"})
        EXPECT_FALSE(IsTrueText(QString::fromLatin1(no))) << no;
}

TEST(DateTime, DayCountsSince18991230) {
    struct Case {
        int y, m, d;
        double days;
    } cases[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2}, {2000, 1, 1, 36526}, {2016, 1, 1, 42370},
        {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {2016, 2, 29, 42429},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y;
        const DateParts p = DecodeDateTime(c.days);
        EXPECT_EQ(p.year, c.y);
        EXPECT_EQ(p.month, c.m);
        EXPECT_EQ(p.day, c.d);
    }
    TDateTime v = 0;
    EXPECT_FALSE(TryEncodeDate(2015, 2, 29, v));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
    EXPECT_FALSE(TryEncodeDate(2015, 13, 1, v));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
    EXPECT_THROW(EncodeDate(2015, 2, 30), EConvertError);
}

TEST(DateTime, TimeOfDayRoundTripsAndCarries) {
    const TDateTime t = EncodeDate(2015, 6, 1) + EncodeTime(10, 20, 30, 45);
    const DateParts p = DecodeDateTime(t);
    EXPECT_EQ(p.hour, 10);
    EXPECT_EQ(p.minute, 20);
    EXPECT_EQ(p.second, 30);
    EXPECT_EQ(p.msec, 45);
    // a value a hair before midnight rounds to the next day, not to 24:00
    const DateParts q = DecodeDateTime(1 - 1e-12);
    EXPECT_EQ(q.day, 31);
    EXPECT_EQ(q.hour, 0);
    // negative values: the fraction is the time of the day before 1899-12-30
    const DateParts r = DecodeDateTime(-1.25);
    EXPECT_EQ(r.day, 29);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.hour, 6);
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2016, 1, 3)), 7);
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2016, 1, 4)), 1);
    EXPECT_EQ(DayOfTheWeek(-1), 5);
}

TEST(FormatDateTime, Tokens) {
    const TDateTime t = EncodeDate(2015, 6, 1) + EncodeTime(15, 4, 5, 7);
    const TDateTime feb = EncodeDate(2009, 2, 8);
    struct Case {
        const char* format;
        TDateTime value;
        const char* text;
    } cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", t, "2015-06-01 15:04:05.007"},
        {"d/m/yy h:n:s z", t, "1/6/15 15:4:5 7"},
        {"dddd d mmmm yyyy", t, "lundi 1 juin 2015"},
        {"ddd dd mmm", feb, "dim. 08 févr."},
        {"ddddd", feb, "08/02/2009"},
        {"dddddd", feb, "dimanche 8 février 2009"},
        {"c", t, "01/06/2015 15:04:05"},
        {"c", feb, "08/02/2009"},
        {"", feb, "08/02/2009"},
        {"t|tt", t, "15:04|15:04:05"},
        {"hh:mm", t, "15:04"},
        {"h am/pm", t, "3 pm"},
        {"h A/P", t, "3 P"},
        {"hh 'h' nn \"(mm)\"", t, "15 h 04 (mm)"},
        {"YYYY.M.D", t, "2015.6.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.format), c.value), QString::fromUtf8(c.text)) << c.format;
    EXPECT_EQ(DateTimeToStr(t), QStringLiteral("01/06/2015 15:04:05"));
    EXPECT_EQ(DateToStr(t), QStringLiteral("01/06/2015"));
    EXPECT_EQ(TimeToStr(t), QStringLiteral("15:04:05"));
}

TEST(StrToDateTime, LocaleDatesAndTimes) {
    const int year = QDate::currentDate().year();
    struct Case {
        const char* text;
        bool ok;
        TDateTime value;
    } cases[] = {
        {"31/12/2015", true, EncodeDate(2015, 12, 31)},
        {" 1 / 2 / 2015 ", true, EncodeDate(2015, 2, 1)},
        {"01/02", true, EncodeDate(year, 2, 1)},
        {"31/02/2015", false, 0},
        {"31/12/2015 10:20", true, EncodeDate(2015, 12, 31) + EncodeTime(10, 20, 0, 0)},
        {"31/12/2015 10:20:30.5", true, EncodeDate(2015, 12, 31) + EncodeTime(10, 20, 30, 500)},
        {"10:20:30", true, EncodeTime(10, 20, 30, 0)},
        {"3:00 PM", true, EncodeTime(15, 0, 0, 0)},
        {"12:00 am", true, 0},
        {"25:00", false, 0},
        {"10", false, 0},
        {"2015-06-01", false, 0},
        {"31/12/2015 x", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        TDateTime v = -1;
        EXPECT_EQ(TryStrToDateTime(QString::fromLatin1(c.text), v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_NEAR(v, c.value, 1e-9) << c.text;
        }
    }
    TDateTime v = 0;
    ASSERT_TRUE(TryStrToDate(QStringLiteral("31.12.2015"), v, QLatin1Char('.')));
    EXPECT_EQ(v, EncodeDate(2015, 12, 31));
    EXPECT_FALSE(TryStrToDate(QStringLiteral("31/12/2015 10:00"), v));
    EXPECT_FALSE(TryStrToTime(QStringLiteral("31/12/2015"), v));
    // two-digit years stay within 50 years of today
    ASSERT_TRUE(TryStrToDate(QStringLiteral("01/01/%1").arg(year % 100, 2, 10, QLatin1Char('0')), v));
    EXPECT_EQ(DecodeDateTime(v).year, year);
    // a date before 1899-12-30 keeps its time of day
    ASSERT_TRUE(TryStrToDateTime(QStringLiteral("01/01/1800 06:00"), v));
    const DateParts p = DecodeDateTime(v);
    EXPECT_EQ(p.year, 1800);
    EXPECT_EQ(p.hour, 6);
    // round trip through the program's text form
    const TDateTime t = EncodeDate(1999, 3, 4) + EncodeTime(5, 6, 7, 0);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(t)), t);
    EXPECT_THROW(StrToDate(QStringLiteral("x")), EConvertError);
}

TEST(Variant, TextsAndNumbers) {
    const Variant list(VariantList{Variant(1), Variant(QStringLiteral("a"))});
    struct Case {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant(), ""},
        {Variant::null(), ""},
        {Variant(42), "42"},
        {Variant(-1LL << 40), "-1099511627776"},
        {Variant(1.5), "1.5"},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(QStringLiteral("x")), "x"},
        {Variant::fromDateTime(EncodeDate(2015, 6, 1) + 0.5), "01/06/2015 12:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VarToStr(c.value), QString::fromLatin1(c.text)) << c.text;
    EXPECT_THROW(VarToStr(list), EVariantTypeCastError);
    EXPECT_EQ(list.asList().size(), 2);
    EXPECT_EQ(VarTypeName(list), QStringLiteral("Array Variant"));

    EXPECT_EQ(VarToDouble(Variant()), 0);
    EXPECT_EQ(VarToDouble(Variant(true)), -1);
    EXPECT_EQ(VarToDouble(Variant(QStringLiteral("2,5"))), 2.5);
    EXPECT_EQ(VarToDouble(Variant::fromDateTime(3.25)), 3.25);
    EXPECT_THROW(VarToDouble(Variant::null()), EVariantTypeCastError);
    EXPECT_THROW(VarToDouble(Variant(QStringLiteral("abc"))), EVariantTypeCastError);
    EXPECT_THROW(VarToDouble(list), EVariantTypeCastError);
    try {
        VarToDouble(Variant::null());
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Could not convert variant of type (Null) into type (Double)"));
    }
}

TEST(Variant, ErrorValuesMatchTheMask) {
    for (const char* yes : {"#VAL!", "#ERR!", "#N/A!more"})
        EXPECT_TRUE(Variant(QString::fromLatin1(yes)).isErrorValue()) << yes;
    for (const char* no : {"#VAL", "VAL!", "#VA!", ""})
        EXPECT_FALSE(Variant(QString::fromLatin1(no)).isErrorValue()) << no;
    EXPECT_FALSE(Variant(5).isErrorValue());
}

namespace {
class Marker : public VariantCustom {
public:
    QString typeName() const override { return QStringLiteral("Marker"); }
};
} // namespace

TEST(Variant, CustomKindsPlugIn) {
    const Variant v = Variant::fromCustom(std::make_shared<Marker>());
    EXPECT_TRUE(v.isCustom());
    EXPECT_EQ(VarTypeName(v), QStringLiteral("Marker"));
    EXPECT_NE(dynamic_cast<const Marker*>(v.asCustom()), nullptr);
    const Variant copy = v;
    EXPECT_EQ(copy, v);
    EXPECT_THROW(VarToStr(v), EVariantTypeCastError);
    EXPECT_THROW(VarCompare(v, Variant(1)), EVariantError);
}

TEST(Variant, OrderingComparison) {
    using R = VarRelation;
    const Variant s1(QStringLiteral("1")), s10(QStringLiteral("10")), s9(QStringLiteral("9"));
    const Variant sa(QStringLiteral("a")), sB(QStringLiteral("B")), empty;
    const Variant date = Variant::fromDateTime(EncodeDate(2015, 6, 1));
    struct Case {
        Variant l, r;
        R expected;
    } cases[] = {
        {Variant(1), Variant(2.5), R::Less},
        {Variant(3LL), Variant(3.0), R::Equal},
        {Variant(true), Variant(0), R::Less},
        {s10, s9, R::Less},          // texts compare as texts
        {sB, sa, R::Less},           // by code units, case-sensitively
        {s10, Variant(9), R::Greater}, // a numeric text against a number compares numerically
        {Variant(2), sa, R::Less},   // "2" < "a" as texts
        {empty, Variant(-1), R::Greater},
        {empty, Variant(QString()), R::Equal},
        {empty, sa, R::Less},
        {empty, empty, R::Equal},
        {Variant::null(), Variant(1), R::Unordered},
        {Variant(kNaN), Variant(1), R::Unordered},
        {date, Variant(QStringLiteral("02/06/2015")), R::Less},
        {date, Variant(42156.0), R::Equal},
        {Variant(QStringLiteral("True")), Variant(true), R::Equal},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VarCompare(c.l, c.r), c.expected) << VarToStr(c.l).toStdString() << " ? " << VarToStr(c.r).toStdString();
}
