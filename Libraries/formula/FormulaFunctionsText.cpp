// Function library: text and conversion functions.
#include "FormulaFunctionsInternal.h"

#include <QCryptographicHash>
#include <cmath>

using namespace formula_detail;

namespace formula_detail {

QString copyText(const QString& s, long long index, long long count) {
    if (index < 1)
        index = 1;
    if (count <= 0 || index > s.size())
        return QString();
    return s.mid(static_cast<qsizetype>(index - 1), static_cast<qsizetype>(std::min<long long>(count, s.size())));
}

} // namespace formula_detail

namespace {

// The longest text a function may build (a larger request is an error value).
constexpr long long kMaxTextLength = FormulaMaxTextLength;

long long intParam(TFEExpression* p) {
    return roundToInt64(p->EvaluateNum());
}

class TFEIntToStr : public TFEStrFunction {
    FE_CLASS(TFEIntToStr, TFEStrFunction)
public:
    TFEIntToStr() { FE_PARAMS(1, 2); }
    QString EvaluateString() override {
        const long long v = intParam(Param(0));
        if (ParamCount() < 2)
            return QString::number(v);
        const long long digits = intParam(Param(1));
        const QString format = QStringLiteral("%.") + QString::number(digits) + QLatin1Char('d');
        return Format(format, {static_cast<int>(static_cast<int32_t>(v))});
    }
};

class TFEIntToHex : public TFEStrFunction {
    FE_CLASS(TFEIntToHex, TFEStrFunction)
public:
    TFEIntToHex() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const long long v = intParam(Param(0));
        const long long digits = std::clamp<long long>(intParam(Param(1)), 1, 8);
        return IntToHex(v, static_cast<int>(digits));
    }
};

class TFEFloatToStr : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFEFloatToStr, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override { return FloatToStr(Param(0)->EvaluateNum()); }
};

class TFEStrToFloat : public TFESimpleOneParamNumFunction {
    FE_CLASS(TFEStrToFloat, TFESimpleOneParamNumFunction)
public:
    double EvaluateNum() override {
        const QString s = Param(0)->EvaluateString();
        QString kept;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            const char16_t u = c.unicode();
            if (u == '+' || u == ',' || u == '-' || u == '.' || (u >= '0' && u <= '9') || u == 'E' || u == 'e') {
                kept += c;
                continue;
            }
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
                continue;
            if (i == 0)
                return StrToFloat(s);
            if (s[i - 1] != QLatin1Char(' ') && s[i - 1] != QLatin1Char('\t'))
                kept += c;
            break;
        }
        kept = kept.trimmed();
        if (kept.isEmpty())
            return 0;
        return StrToFloat(kept);
    }
};

class TFEStrToFloatDef : public TFENumFunction {
    FE_CLASS(TFEStrToFloatDef, TFENumFunction)
public:
    TFEStrToFloatDef() { FE_PARAMS(2, 2); }
    double EvaluateNum() override {
        double v = 0;
        if (TryStrToNumber(Param(0)->EvaluateString(), v))
            return v;
        return Param(1)->EvaluateNum();
    }
};

class TFEFormatFloat : public TFEStrFunction {
    FE_CLASS(TFEFormatFloat, TFEStrFunction)
public:
    TFEFormatFloat() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const QString format = Param(0)->EvaluateString();
        return FormatFloat(format, Param(1)->EvaluateNum());
    }
};

class TFEChr : public TFEStrFunction {
    FE_CLASS(TFEChr, TFEStrFunction)
public:
    TFEChr() { FE_PARAMS(1, 99); }
    QString EvaluateString() override {
        QString out;
        for (int i = 0; i < ParamCount(); ++i) {
            const double r = roundEven(Param(i)->EvaluateNum());
            if (r >= 0 && r < 65536) {
                out += QChar(static_cast<char16_t>(r));
            } else if (r >= 65536 && r <= 1114111) {
                const char32_t code = static_cast<char32_t>(r);
                out += QString::fromUcs4(&code, 1);
            } else {
                out += QLatin1Char('?');
            }
        }
        return out;
    }
};

class TFEText : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFEText, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override { return VarToStr(Param(0)->Evaluate()); }
};

class TFELength : public TFESimpleOneParamNumFunction {
    FE_CLASS(TFELength, TFESimpleOneParamNumFunction)
public:
    double EvaluateNum() override {
        const Variant v = Param(0)->Evaluate();
        if (v.isList())
            return static_cast<double>(v.asList().size());
        return static_cast<double>(VarToStr(v).size());
    }
};

class TFELeft : public TFEStrFunction {
    FE_CLASS(TFELeft, TFEStrFunction)
public:
    TFELeft() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const QString s = Param(0)->EvaluateString();
        return copyText(s, 1, intParam(Param(1)));
    }
};

class TFERight : public TFEStrFunction {
    FE_CLASS(TFERight, TFEStrFunction)
public:
    TFERight() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const QString s = Param(0)->EvaluateString();
        const long long n = intParam(Param(1));
        const long long length = s.size();
        if (length < n)
            return s;
        return copyText(s, length - n + 1, n);
    }
};

class TFESubText : public TFEStrFunction {
    FE_CLASS(TFESubText, TFEStrFunction)
public:
    TFESubText() { FE_PARAMS(3, 3); }
    QString EvaluateString() override {
        const QString s = Param(0)->EvaluateString();
        const long long index = intParam(Param(1));
        return copyText(s, index, intParam(Param(2)));
    }
};

class TFEFind : public TFENumFunction {
    FE_CLASS(TFEFind, TFENumFunction)
public:
    TFEFind() { FE_PARAMS(2, 3); }
    double EvaluateNum() override {
        const QString what = Param(0)->EvaluateString();
        const QString where = Param(1)->EvaluateString();
        const long long start = ParamCount() > 2 ? intParam(Param(2)) : 1;
        if (what.isEmpty() || where.isEmpty() || start < 1 || start > where.size())
            return 0;
        return static_cast<double>(where.indexOf(what, static_cast<qsizetype>(start - 1)) + 1);
    }
};

class TFESubstitute : public TFEStrFunction {
    FE_CLASS(TFESubstitute, TFEStrFunction)
public:
    TFESubstitute() { FE_PARAMS(3, 4); }
    QString EvaluateString() override {
        const QString text = Param(0)->EvaluateString();
        const QString oldText = Param(1)->EvaluateString();
        const QString newText = Param(2)->EvaluateString();
        long long n = ParamCount() > 3 ? intParam(Param(3)) : 0;
        QStringList pieces = oldText.isEmpty() ? QStringList{text} : text.split(oldText);
        const long long k = pieces.size();
        const long long grown = static_cast<long long>(text.size()) + (k - 1) * newText.size();
        if (grown > kMaxTextLength)
            evalError("#ERR!");
        if (n == 0)
            return pieces.join(newText);
        if (n < 0)
            n += k;
        if (n <= 0 || n >= k)
            return text;
        pieces[n - 1] = pieces[n - 1] + newText + pieces[n];
        pieces.removeAt(n);
        return pieces.join(oldText);
    }
};

class TFERemoveChars : public TFEStrFunction {
    FE_CLASS(TFERemoveChars, TFEStrFunction)
public:
    TFERemoveChars() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const QString chars = Param(0)->EvaluateString();
        const QString text = Param(1)->EvaluateString();
        QString out;
        out.reserve(text.size());
        for (QChar c : text)
            if (!chars.contains(c))
                out += c;
        return out;
    }
};

class TFERepeat : public TFEStrFunction {
    FE_CLASS(TFERepeat, TFEStrFunction)
public:
    TFERepeat() { FE_PARAMS(2, 2); }
    QString EvaluateString() override {
        const QString s = Param(0)->EvaluateString();
        const long long count = intParam(Param(1));
        if (count < 1 || s.isEmpty())
            return QString();
        if (count > kMaxTextLength / s.size())
            evalError("#ERR!");
        return s.repeated(static_cast<qsizetype>(count));
    }
};

QString mapAscii(const QString& s, char16_t from, char16_t to, int delta) {
    QString out = s;
    for (QChar& c : out)
        if (c.unicode() >= from && c.unicode() <= to)
            c = QChar(static_cast<char16_t>(c.unicode() + delta));
    return out;
}

class TFEUpperCase : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFEUpperCase, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override { return mapAscii(Param(0)->EvaluateString(), u'a', u'z', -32); }
};

class TFELowerCase : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFELowerCase, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override { return mapAscii(Param(0)->EvaluateString(), u'A', u'Z', 32); }
};

class TFETrim : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFETrim, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override {
        const QString s = Param(0)->EvaluateString();
        qsizetype b = 0, e = s.size();
        while (b < e && s[b].unicode() <= 32)
            ++b;
        while (e > b && s[e - 1].unicode() <= 32)
            --e;
        return s.mid(b, e - b);
    }
};

class TFESHA256 : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFESHA256, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override {
        const QByteArray hash = QCryptographicHash::hash(Param(0)->EvaluateString().toUtf8(), QCryptographicHash::Sha256);
        return QString::fromLatin1(hash.toHex());
    }
};

class TFEURLEncode : public TFESimpleOneParamStrFunction {
    FE_CLASS(TFEURLEncode, TFESimpleOneParamStrFunction)
public:
    QString EvaluateString() override {
        static const char hex[] = "0123456789ABCDEF";
        const QByteArray bytes = Param(0)->EvaluateString().toUtf8();
        QString out;
        for (char ch : bytes) {
            const unsigned char b = static_cast<unsigned char>(ch);
            if (b == 0)
                break;
            if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 0x5E && b <= 0x7E)) {
                out += QLatin1Char(static_cast<char>(b));
            } else {
                out += QLatin1Char('%');
                out += QLatin1Char(hex[b >> 4]);
                out += QLatin1Char(hex[b & 15]);
            }
        }
        return out;
    }
};

} // namespace

void CollectTextFunctions(std::vector<const TFEClass*>& out) {
    out.insert(out.end(),
               {&TFEIntToStr::StaticClass(),   &TFEIntToHex::StaticClass(),   &TFEFloatToStr::StaticClass(),
                &TFEStrToFloat::StaticClass(), &TFEStrToFloatDef::StaticClass(), &TFEFormatFloat::StaticClass(),
                &TFEChr::StaticClass(),        &TFEText::StaticClass(),       &TFELength::StaticClass(),
                &TFELeft::StaticClass(),       &TFERight::StaticClass(),      &TFESubText::StaticClass(),
                &TFEFind::StaticClass(),       &TFESubstitute::StaticClass(), &TFERemoveChars::StaticClass(),
                &TFERepeat::StaticClass(),     &TFEUpperCase::StaticClass(),  &TFELowerCase::StaticClass(),
                &TFETrim::StaticClass(),       &TFESHA256::StaticClass(),     &TFEURLEncode::StaticClass()});
}
