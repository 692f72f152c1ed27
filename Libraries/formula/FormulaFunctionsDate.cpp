// Function library: dates and times.
#include "FormulaFunctionsInternal.h"

#include <cmath>

using namespace formula_detail;

namespace {

bool digitsAt(const QString& s, qsizetype pos, int count, int& value) {
    if (pos + count > s.size())
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = s[pos + i].unicode();
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// yyyy[-]mm[-]dd[( |T)hh[:]nn[[:]ss]][Z], the dashes and colons consistent.
bool tryIso8601(const QString& s, double& value) {
    qsizetype p = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digitsAt(s, p, 4, year))
        return false;
    p += 4;
    const bool dashes = p < s.size() && s[p] == QLatin1Char('-');
    if (dashes)
        ++p;
    if (!digitsAt(s, p, 2, month))
        return false;
    p += 2;
    if (dashes) {
        if (p >= s.size() || s[p] != QLatin1Char('-'))
            return false;
        ++p;
    }
    if (!digitsAt(s, p, 2, day))
        return false;
    p += 2;
    double date = 0;
    if (!TryEncodeDate(year, month, day, date))
        return false;
    double time = 0;
    if (p < s.size()) {
        if (s[p] != QLatin1Char(' ') && s[p] != QLatin1Char('T'))
            return false;
        ++p;
        if (!digitsAt(s, p, 2, hour))
            return false;
        p += 2;
        const bool colons = p < s.size() && s[p] == QLatin1Char(':');
        if (colons)
            ++p;
        if (!digitsAt(s, p, 2, minute))
            return false;
        p += 2;
        if (p < s.size() && s[p] != QLatin1Char('Z')) {
            if (colons) {
                if (s[p] != QLatin1Char(':'))
                    return false;
                ++p;
            }
            if (!digitsAt(s, p, 2, second))
                return false;
            p += 2;
        }
        if (p < s.size() && s[p] == QLatin1Char('Z'))
            ++p;
        if (p != s.size())
            return false;
        if (!TryEncodeTime(hour, minute, second, 0, time))
            return false;
    }
    value = date + time;
    return true;
}

// Step 2 of the reading: a locale date and/or time with the given date separator.
bool tryLocale(const QString& s, QChar separator, double& value) {
    const qsizetype n = s.count(separator);
    if (n >= 3)
        return false;
    if (s.contains(QLatin1Char(':'))) {
        if (n == 0)
            return TryStrToTime(s, value);
        if (n == 2)
            return TryStrToDateTime(s, value, separator);
        return false;
    }
    if (n == 1)
        return TryStrToDate(s, value, separator);
    if (n == 2) {
        const qsizetype a = s.indexOf(separator);
        const qsizetype b = s.indexOf(separator, a + 1);
        if (b - a - 1 == 1 || b - a - 1 == 2)
            return TryStrToDate(s, value, separator);
    }
    return false;
}

} // namespace

double DateOrNumberFromText(const QString& text) {
    if (text.isEmpty() || text.compare(QLatin1String("N/A"), Qt::CaseInsensitive) == 0)
        return 0;
    double value = 0;
    if (tryLocale(text, QLatin1Char('/'), value))
        return value;
    if (text.contains(QLatin1Char('-')) && tryIso8601(text, value))
        return value;
    const qsizetype dots = text.count(QLatin1Char('.'));
    if (dots < 2)
        return TryStrToFloat(text, value) ? value : 0;
    if (dots <= 3)
        return tryLocale(text, QLatin1Char('.'), value) ? value : 0;
    return 0;
}

namespace formula_detail {

double dateOf(TFEExpression* param) {
    switch (param->ResultKind()) {
    case rkNumber:
    case rkDateTime:
        return param->EvaluateNum();
    case rkString:
        return DateOrNumberFromText(param->EvaluateString());
    case rkVariant: {
        const Variant v = param->Evaluate();
        CheckErrorValue(v);
        switch (v.type()) {
        case VarType::Integer:
        case VarType::Double:
        case VarType::DateTime:
        case VarType::Boolean:
            return FormulaValueNum(v);
        default:
            evalError("#VAL!");
        }
    }
    default:
        evalError("#VAL!");
    }
}

} // namespace formula_detail

namespace {

double dateOrNow(TFEExpression* param) {
    const double d = dateOf(param);
    return d == 0 ? Now() : d;
}

class TFENow : public TFEDateFunction {
    FE_CLASS(TFENow, TFEDateFunction)
public:
    TFENow() {
        FE_PARAMS(0, 0);
        Flags = 0;
    }
    double EvaluateNum() override { return Now(); }
};

class TFELocalNow : public TFENow {
    FE_CLASS(TFELocalNow, TFENow)
};

#define FE_DATE_PART(Name, expression)                       \
    class Name : public TFESimpleOneParamNumFunction {       \
        FE_CLASS(Name, TFESimpleOneParamNumFunction)         \
    public:                                                  \
        double EvaluateNum() override { return (expression); } \
    };

FE_DATE_PART(TFEYear, DecodeDateTime(dateOrNow(Param(0))).year)
FE_DATE_PART(TFEMonth, DecodeDateTime(dateOrNow(Param(0))).month)
FE_DATE_PART(TFEDay, DecodeDateTime(dateOrNow(Param(0))).day)
FE_DATE_PART(TFEHour, DecodeDateTime(dateOf(Param(0))).hour)
FE_DATE_PART(TFEMinute, DecodeDateTime(dateOf(Param(0))).minute)
FE_DATE_PART(TFESecond, DecodeDateTime(dateOf(Param(0))).second)
FE_DATE_PART(TFEDayOfWeek, DayOfTheWeek(dateOf(Param(0))))

class TFEDayOfYear : public TFESimpleOneParamNumFunction {
    FE_CLASS(TFEDayOfYear, TFESimpleOneParamNumFunction)
public:
    double EvaluateNum() override {
        const double d = dateOrNow(Param(0));
        const double jan1 = EncodeDate(DecodeDateTime(d).year, 1, 1);
        const long long ms = std::llround(86400000.0 * (d - jan1));
        return static_cast<double>(1 + ms / 86400000);
    }
};

class TFEWeekNumber : public TFESimpleOneParamNumFunction {
    FE_CLASS(TFEWeekNumber, TFESimpleOneParamNumFunction)
public:
    double EvaluateNum() override {
        const double d = dateOf(Param(0));
        const double t = d - DayOfTheWeek(d) + 4; // the Thursday of d's week
        const double jan1 = EncodeDate(DecodeDateTime(t).year, 1, 1);
        return static_cast<double>(static_cast<long long>(std::trunc(t - jan1)) / 7 + 1);
    }
};

int roundedPart(TFEExpression* p) {
    const double r = roundEven(p->EvaluateNum());
    return r >= -1e6 && r <= 1e6 ? static_cast<int>(r) : -1;
}

class TFEDate : public TFEDateFunction {
    FE_CLASS(TFEDate, TFEDateFunction)
public:
    TFEDate() { FE_PARAMS(0, 3); }
    double EvaluateNum() override {
        switch (ParamCount()) {
        case 0:
            return Today();
        case 1:
            return std::trunc(dateOf(Param(0)));
        case 2:
            evalError("#ERR!");
        default: {
            const int y = roundedPart(Param(0)), m = roundedPart(Param(1)), d = roundedPart(Param(2));
            double v = 0;
            if (!TryEncodeDate(y, m, d, v))
                evalError("#VAL!");
            return v;
        }
        }
    }
};

class TFETime : public TFEDateFunction {
    FE_CLASS(TFETime, TFEDateFunction)
public:
    TFETime() { FE_PARAMS(0, 4); }
    double EvaluateNum() override {
        switch (ParamCount()) {
        case 0: {
            const double now = Now();
            return now - std::trunc(now);
        }
        case 1: {
            const double d = dateOf(Param(0));
            return d - std::trunc(d);
        }
        case 2:
            evalError("#ERR!");
        default: {
            const int h = roundedPart(Param(0)), n = roundedPart(Param(1)), s = roundedPart(Param(2));
            const int ms = ParamCount() > 3 ? roundedPart(Param(3)) : 0;
            double v = 0;
            if (!TryEncodeTime(h, n, s, ms, v))
                evalError("#VAL!");
            return v;
        }
        }
    }
};

class TFEFormatDateTime : public TFEFunction {
    FE_CLASS(TFEFormatDateTime, TFEFunction)
public:
    TFEFormatDateTime() {
        FE_PARAMS(2, 2);
        Flags = feFoldable;
    }
    Variant Evaluate() override { return Variant(EvaluateString()); }
    QString EvaluateString() override {
        const QString format = Param(0)->EvaluateString();
        const Variant v = Param(1)->Evaluate();
        double d = 0;
        if (v.isNumber() || v.type() == VarType::DateTime)
            d = FormulaValueNum(v);
        else if (v.isString())
            d = DateOrNumberFromText(v.asString());
        return FormatDateTime(format, d);
    }
};

// Reads text against a pattern of FormatDateTime tokens (d, dd, m, mm, yy,
// yyyy, h, hh, n, nn, s, ss, z, zzz; quoted and other characters literal).
bool parseWithPattern(const QString& text, const QString& pattern, double& value) {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, msec = 0;
    bool hasDate = false;
    qsizetype t = 0, p = 0;
    bool afterHour = false;
    auto readNumber = [&](int maxDigits, int& out) {
        int digits = 0;
        out = 0;
        while (t < text.size() && digits < maxDigits && text[t].isDigit() && text[t].unicode() < 128) {
            out = out * 10 + (text[t].unicode() - '0');
            ++t;
            ++digits;
        }
        return digits > 0;
    };
    while (p < pattern.size()) {
        const QChar pc = pattern[p];
        const char16_t c = pc.toLower().unicode();
        if (c == '\'' || c == '"') {
            qsizetype q = p + 1;
            while (q < pattern.size() && pattern[q] != pc) {
                if (t >= text.size() || text[t] != pattern[q])
                    return false;
                ++t;
                ++q;
            }
            p = q < pattern.size() ? q + 1 : q;
            continue;
        }
        if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'z') {
            qsizetype k = 0;
            while (p + k < pattern.size() && pattern[p + k].toLower().unicode() == c)
                ++k;
            p += k;
            int v = 0;
            const int maxDigits = c == 'y' ? (k <= 2 ? 2 : 4) : (c == 'z' ? 3 : 2);
            if (!readNumber(maxDigits, v))
                return false;
            switch (c) {
            case 'd':
                day = v;
                hasDate = true;
                break;
            case 'm':
                if (afterHour)
                    minute = v;
                else {
                    month = v;
                    hasDate = true;
                }
                break;
            case 'y':
                year = k <= 2 ? 2000 + v : v;
                hasDate = true;
                break;
            case 'h':
                hour = v;
                break;
            case 'n':
                minute = v;
                break;
            case 's':
                second = v;
                break;
            default:
                msec = v;
            }
            afterHour = c == 'h';
            continue;
        }
        if (t >= text.size() || text[t] != pc)
            return false;
        ++t;
        ++p;
    }
    if (t != text.size())
        return false;
    double date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, msec, time))
        return false;
    value = hasDate && date < 0 ? date - time : date + time;
    return true;
}

class TFEStrToDateTime : public TFEDateFunction {
    FE_CLASS(TFEStrToDateTime, TFEDateFunction)
public:
    TFEStrToDateTime() { FE_PARAMS(2, 3); }
    double EvaluateNum() override {
        const QString text = Param(0)->EvaluateString().trimmed();
        const QString pattern = Param(1)->EvaluateString();
        double value = 0;
        if (pattern.isEmpty() ? TryStrToDateTime(text, value) : parseWithPattern(text, pattern, value))
            return value;
        if (ParamCount() > 2)
            return dateOf(Param(2));
        evalError("#VAL!");
    }
};

} // namespace

void CollectDateFunctions(std::vector<const TFEClass*>& out) {
    out.insert(out.end(),
               {&TFENow::StaticClass(),      &TFELocalNow::StaticClass(),    &TFEYear::StaticClass(),
                &TFEMonth::StaticClass(),    &TFEDay::StaticClass(),         &TFEHour::StaticClass(),
                &TFEMinute::StaticClass(),   &TFESecond::StaticClass(),      &TFEDayOfYear::StaticClass(),
                &TFEDayOfWeek::StaticClass(), &TFEWeekNumber::StaticClass(), &TFEDate::StaticClass(),
                &TFETime::StaticClass(),     &TFEFormatDateTime::StaticClass(), &TFEStrToDateTime::StaticClass()});
}
