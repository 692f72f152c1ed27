// The XPath function library.

#include "UXPath.h"

#include <cmath>

namespace {

const QString kNaN = QStringLiteral("NaN");

// Base of the library: parameter counts and the conversions of the language.
class TFEXPFunctionBase : public TFEXPathFunction {
    FE_ABSTRACT_CLASS(TFEXPFunctionBase, TFEXPathFunction)
protected:
    Variant P(int i) { return Param(i)->Evaluate(); }
    QString PText(int i) { return XPathText(P(i)); }
    TXMLDOMNode* Context() { return XRoot()->ContextNode(); }
    // The first node of the parameter, or the context node without one.
    TXMLDOMNode* SubjectNode(bool& none) {
        none = false;
        if (ParamCount() == 0) return Context();
        const QList<TXMLDOMNode*> nodes = XPathNodes(P(0));
        if (nodes.isEmpty()) {
            none = true;
            return nullptr;
        }
        return nodes.first();
    }
    // The platform's integer reading of a parameter's text (EConvertError
    // when it has none).
    int PInteger(int i) { return StrToInt(PText(i)); }
};

#define XPATH_FUNCTION(Name, MinP, MaxP)                          \
    class Name : public TFEXPFunctionBase {                       \
        FE_CLASS(Name, TFEXPFunctionBase)                         \
    public:                                                       \
        Name() {                                                  \
            MinParams = MinP;                                     \
            MaxParams = MaxP;                                     \
        }                                                         \
        Variant Evaluate() override;                              \
    };

XPATH_FUNCTION(TFEXPFuncLast, 0, 0)
XPATH_FUNCTION(TFEXPFuncPosition, 0, 0)
XPATH_FUNCTION(TFEXPFuncCount, 1, 1)
XPATH_FUNCTION(TFEXPFuncName, 0, 1)
XPATH_FUNCTION(TFEXPFuncLocalName, 0, 1)
XPATH_FUNCTION(TFEXPFuncNamespaceURI, 0, 1)
XPATH_FUNCTION(TFEXPFuncRoot, 0, 1)
XPATH_FUNCTION(TFEXPFuncString, 1, 1)
XPATH_FUNCTION(TFEXPFuncCodepointsToString, 1, 65535)
XPATH_FUNCTION(TFEXPFuncStringToCodepoints, 1, 1)
XPATH_FUNCTION(TFEXPFuncCodepointEqual, 2, 2)
XPATH_FUNCTION(TFEXPFuncConcat, 2, 1024)
XPATH_FUNCTION(TFEXPFuncSubstring, 2, 3)
XPATH_FUNCTION(TFEXPFuncSubstringBefore, 2, 2)
XPATH_FUNCTION(TFEXPFuncSubstringAfter, 2, 2)
XPATH_FUNCTION(TFEXPFuncContains, 2, 2)
XPATH_FUNCTION(TFEXPFuncStartsWith, 2, 2)
XPATH_FUNCTION(TFEXPFuncEndsWith, 2, 2)
XPATH_FUNCTION(TFEXPFuncStringLength, 0, 1)
XPATH_FUNCTION(TFEXPFuncNormalizeSpace, 0, 1)
XPATH_FUNCTION(TFEXPFuncTranslate, 3, 3)
XPATH_FUNCTION(TFEXPFuncBoolean, 1, 1)
XPATH_FUNCTION(TFEXPFuncNot, 1, 1)
XPATH_FUNCTION(TFEXPFuncTrue, 0, 0)
XPATH_FUNCTION(TFEXPFuncFalse, 0, 0)
XPATH_FUNCTION(TFEXPFuncLang, 1, 1)
XPATH_FUNCTION(TFEXPFuncNumber, 1, 1)
XPATH_FUNCTION(TFEXPFuncSum, 1, 1)
XPATH_FUNCTION(TFEXPFuncFloor, 1, 1)
XPATH_FUNCTION(TFEXPFuncCeiling, 1, 1)
XPATH_FUNCTION(TFEXPFuncRound, 1, 1)
XPATH_FUNCTION(TFEXPFuncAbs, 1, 1)

Variant TFEXPFuncLast::Evaluate() { return Variant(XRoot()->ContextSize()); }
Variant TFEXPFuncPosition::Evaluate() { return Variant(XRoot()->ContextPosition()); }
Variant TFEXPFuncCount::Evaluate() { return Variant(int(XPathNodes(P(0)).size())); }

Variant TFEXPFuncName::Evaluate() {
    bool none = false;
    TXMLDOMNode* node = SubjectNode(none);
    return Variant(node ? node->NodeName() : QString());
}

Variant TFEXPFuncLocalName::Evaluate() {
    bool none = false;
    TXMLDOMNode* node = SubjectNode(none);
    return Variant(node ? node->LocalName() : QString());
}

Variant TFEXPFuncNamespaceURI::Evaluate() {
    bool none = false;
    TXMLDOMNode* node = SubjectNode(none);
    return Variant(node ? NamespaceURI(node) : QString());
}

Variant TFEXPFuncRoot::Evaluate() {
    bool none = false;
    TXMLDOMNode* node = SubjectNode(none);
    if (!node) return Variant();
    while (node->ParentNode()) node = node->ParentNode();
    return XPathNode(node);
}

Variant TFEXPFuncString::Evaluate() { return Variant(PText(0)); }

Variant TFEXPFuncCodepointsToString::Evaluate() {
    QString result;
    for (int i = 0; i < ParamCount(); ++i) result.append(QChar(char16_t(PInteger(i) & 0xFFFF)));
    return Variant(result);
}

Variant TFEXPFuncStringToCodepoints::Evaluate() {
    const QString s = PText(0);
    QStringList codes;
    for (QChar c : s) codes.append(QString::number(c.unicode()));
    return Variant(codes.join(QLatin1Char(',')));
}

Variant TFEXPFuncCodepointEqual::Evaluate() {
    auto upper = [](int code) { return code >= 'a' && code <= 'z' ? code - 32 : code; };
    const int a = upper(PInteger(0) & 0xFFFF);
    const int b = upper(PInteger(1) & 0xFFFF);
    return Variant(a - b);
}

Variant TFEXPFuncConcat::Evaluate() {
    QString result;
    for (int i = 0; i < ParamCount(); ++i) result += PText(i);
    return Variant(result);
}

Variant TFEXPFuncSubstring::Evaluate() {
    const QString s = PText(0);
    qint64 start = PInteger(1);
    qint64 length = ParamCount() > 2 ? PInteger(2) : qint64(s.size());
    if (length < 0) return Variant(QString());
    if (start < 1) start = 1;
    if (start > s.size()) return Variant(QString());
    return Variant(s.mid(start - 1, qsizetype(std::min<qint64>(length, s.size() - (start - 1)))));
}

Variant TFEXPFuncSubstringBefore::Evaluate() {
    const QString s = PText(0), t = PText(1);
    if (t.isEmpty()) return Variant(QString());
    const qsizetype i = s.indexOf(t);
    return Variant(i < 0 ? QString() : s.left(i));
}

Variant TFEXPFuncSubstringAfter::Evaluate() {
    const QString s = PText(0), t = PText(1);
    if (t.isEmpty()) return Variant(QString());
    const qsizetype i = s.lastIndexOf(t);
    return Variant(i < 0 ? QString() : s.mid(i + t.size()));
}

Variant TFEXPFuncContains::Evaluate() {
    const QString s = PText(0), t = PText(1);
    return Variant(!s.isEmpty() && !t.isEmpty() && s.contains(t));
}

Variant TFEXPFuncStartsWith::Evaluate() {
    const QString s = PText(0), t = PText(1);
    return Variant(!t.isEmpty() && s.startsWith(t));
}

Variant TFEXPFuncEndsWith::Evaluate() {
    const QString s = PText(0), t = PText(1);
    return Variant(!t.isEmpty() && s.endsWith(t));
}

Variant TFEXPFuncStringLength::Evaluate() {
    const QString s = ParamCount() ? PText(0) : Text(Context());
    return Variant(int(s.size()));
}

bool isSpaceChar(QChar c) {
    const char16_t u = c.unicode();
    return u == '\t' || u == '\n' || u == '\r' || u == ' ';
}

Variant TFEXPFuncNormalizeSpace::Evaluate() {
    QString s;
    if (ParamCount()) {
        s = PText(0);
        qsizetype b = 0, e = s.size();
        while (b < e && s.at(b).unicode() <= ' ') ++b;
        while (e > b && s.at(e - 1).unicode() <= ' ') --e;
        s = s.mid(b, e - b);
    } else {
        s = Text(Context());
    }
    qsizetype b = 0, e = s.size();
    while (b < e && isSpaceChar(s.at(b))) ++b;
    while (e > b && isSpaceChar(s.at(e - 1))) --e;
    QString result;
    result.reserve(e - b);
    bool lastWasSpace = false;
    for (qsizetype i = b; i < e; ++i) {
        const QChar c = s.at(i);
        const bool space = isSpaceChar(c);
        if (space && lastWasSpace) continue;
        result.append(c);
        lastWasSpace = space;
    }
    return Variant(result);
}

Variant TFEXPFuncTranslate::Evaluate() {
    QString s = PText(0);
    const QString from = PText(1), to = PText(2);
    for (qsizetype j = 0; j < from.size(); ++j) {
        const QChar c = from.at(j);
        const qsizetype k = from.indexOf(c);  // the first occurrence decides
        if (to.size() <= k)
            s.remove(c);
        else
            s.replace(c, to.at(k));
    }
    return Variant(s);
}

Variant TFEXPFuncBoolean::Evaluate() { return Variant(XPathTruth(P(0))); }
Variant TFEXPFuncNot::Evaluate() { return Variant(!XPathTruth(P(0))); }
Variant TFEXPFuncTrue::Evaluate() { return Variant(true); }
Variant TFEXPFuncFalse::Evaluate() { return Variant(false); }

// The language of the nearest element (the context node or an ancestor)
// carrying xml:lang; matches the parameter ignoring case, or as the main
// language of a sub-language ("fr" matches "fr-CA").
Variant TFEXPFuncLang::Evaluate() {
    const QString wanted = PText(0);
    for (TXMLDOMNode* n = Context(); n; n = n->ParentNode()) {
        if (n->NodeType() != ntElement) continue;
        const TXMLDOMNode* attribute =
            static_cast<TXMLDOMElement*>(n)->AttributeMap()
                ? static_cast<TXMLDOMElement*>(n)->AttributeMap()->GetNamedItem(QStringLiteral("xml:lang"))
                : nullptr;
        if (!attribute) continue;
        const QString lang = Text(attribute);
        if (lang.compare(wanted, Qt::CaseInsensitive) == 0) return Variant(true);
        return Variant(lang.size() > wanted.size() && lang.at(wanted.size()) == QLatin1Char('-') &&
                       lang.left(wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0);
    }
    return Variant(false);
}

Variant TFEXPFuncNumber::Evaluate() {
    double number = 0;
    return XPathNumber(P(0), number) ? Variant(number) : Variant(kNaN);
}

Variant TFEXPFuncSum::Evaluate() {
    double total = 0;
    for (TXMLDOMNode* node : XPathNodes(P(0))) {
        double number = 0;
        if (TryStrToNumber(Text(node), number)) total += number;
    }
    return Variant(total);
}

// 32-bit results of floor and ceiling; out of range they give NaN.
Variant int32OrNaN(double value) {
    if (!(value >= -2147483648.0 && value <= 2147483647.0)) return Variant(kNaN);
    return Variant(int(value));
}

Variant TFEXPFuncFloor::Evaluate() {
    double number = 0;
    if (!XPathNumber(P(0), number)) return Variant(kNaN);
    return int32OrNaN(std::floor(number));
}

Variant TFEXPFuncCeiling::Evaluate() {
    double number = 0;
    if (!XPathNumber(P(0), number)) return Variant(kNaN);
    return int32OrNaN(std::ceil(number));
}

Variant TFEXPFuncRound::Evaluate() {
    double number = 0;
    if (!XPathNumber(P(0), number)) return Variant(kNaN);
    const double rounded = std::nearbyint(number);  // ties to the even neighbour
    if (!(std::fabs(rounded) < 9.2e18)) return Variant(kNaN);
    return Variant(qint64(rounded));
}

Variant TFEXPFuncAbs::Evaluate() {
    double number = 0;
    if (!XPathNumber(P(0), number)) return Variant(kNaN);
    return Variant(std::fabs(number));
}

}  // namespace

void RegisterXPathFunctions(TXPathFormulaParser& parser) {
    const struct {
        const char* name;
        const TFEClass& cls;
    } functions[] = {
        {"last", TFEXPFuncLast::StaticClass()},
        {"position", TFEXPFuncPosition::StaticClass()},
        {"count", TFEXPFuncCount::StaticClass()},
        {"name", TFEXPFuncName::StaticClass()},
        {"local-name", TFEXPFuncLocalName::StaticClass()},
        {"namespace-uri", TFEXPFuncNamespaceURI::StaticClass()},
        {"root", TFEXPFuncRoot::StaticClass()},
        {"string", TFEXPFuncString::StaticClass()},
        {"codepoints-to-string", TFEXPFuncCodepointsToString::StaticClass()},
        {"string-to-codepoints", TFEXPFuncStringToCodepoints::StaticClass()},
        {"codepoint-equal", TFEXPFuncCodepointEqual::StaticClass()},
        {"concat", TFEXPFuncConcat::StaticClass()},
        {"substring", TFEXPFuncSubstring::StaticClass()},
        {"substring-before", TFEXPFuncSubstringBefore::StaticClass()},
        {"substring-after", TFEXPFuncSubstringAfter::StaticClass()},
        {"contains", TFEXPFuncContains::StaticClass()},
        {"starts-with", TFEXPFuncStartsWith::StaticClass()},
        {"ends-with", TFEXPFuncEndsWith::StaticClass()},
        {"string-length", TFEXPFuncStringLength::StaticClass()},
        {"normalize-space", TFEXPFuncNormalizeSpace::StaticClass()},
        {"translate", TFEXPFuncTranslate::StaticClass()},
        {"boolean", TFEXPFuncBoolean::StaticClass()},
        {"not", TFEXPFuncNot::StaticClass()},
        {"true", TFEXPFuncTrue::StaticClass()},
        {"false", TFEXPFuncFalse::StaticClass()},
        {"lang", TFEXPFuncLang::StaticClass()},
        {"number", TFEXPFuncNumber::StaticClass()},
        {"sum", TFEXPFuncSum::StaticClass()},
        {"floor", TFEXPFuncFloor::StaticClass()},
        {"ceiling", TFEXPFuncCeiling::StaticClass()},
        {"round", TFEXPFuncRound::StaticClass()},
        {"abs", TFEXPFuncAbs::StaticClass()},
    };
    for (const auto& f : functions) parser.RegisterFunction(QString::fromLatin1(f.name), f.cls);
}
