// The formula parser: registries, character classes, tokenizer and binder.
#include "UFormulaParser.h"

#include <QMutex>
#include <cmath>

namespace {

enum CharClass : uint8_t {
    ccInvalid = 0,
    ccBlank = 1,
    ccIdentifier = 2,
    ccOperator = 3,
    ccNumber = 4,
    ccQuote = 5,
    ccOpenParen = 6,
    ccCloseParen = 7,
    ccOpenBracket = 8,
    ccCloseBracket = 9,
    ccOpenBrace = 10,
    ccCloseBrace = 11,
    ccComma = 12,
    ccSemicolon = 13,
};

struct HelperEntry {
    QString parserClass;
    const TFormulaParserRegistrationHelper* helper;
};

QMutex& helperLock() {
    static QMutex lock;
    return lock;
}

std::vector<HelperEntry>& helpers() {
    static std::vector<HelperEntry> list;
    return list;
}

[[noreturn]] void syntaxError(const QString& message) {
    throw ESyntaxError(message);
}

[[noreturn]] void syntaxErrorAt(qsizetype index) {
    throw ESyntaxError(QString::number(index + 1));
}

} // namespace

void RegisterParserHelper(const QString& parserClassName, const TFormulaParserRegistrationHelper* helper) {
    QMutexLocker guard(&helperLock());
    helpers().push_back({parserClassName, helper});
}

void UnregisterParserHelper(const TFormulaParserRegistrationHelper* helper) {
    QMutexLocker guard(&helperLock());
    auto& list = helpers();
    std::erase_if(list, [helper](const HelperEntry& e) { return e.helper == helper; });
}

// ---------------------------------------------------------------------------

struct TFormulaParser::ParseState {
    const QString& text;
    qsizetype pos = 0;
    std::vector<QChar> brackets;
    int tokens = 0;

    void push(QChar c) {
        if (brackets.size() >= static_cast<size_t>(FormulaMaxNesting))
            throw ESyntaxError(QStringLiteral("Nesting too deep at %1").arg(pos + 1));
        brackets.push_back(c);
    }
    void countToken() {
        if (++tokens > FormulaMaxTokens)
            throw ESyntaxError(QStringLiteral("Formula too long at %1").arg(pos + 1));
    }

    bool atEnd() const { return pos >= text.size(); }
    QChar current() const { return pos < text.size() ? text[pos] : QChar(); }
    QChar pop() {
        if (brackets.empty())
            return QChar();
        const QChar c = brackets.back();
        brackets.pop_back();
        return c;
    }
};

TCharSet TFormulaParser::CharSet(const char* characters) {
    TCharSet set;
    for (const char* p = characters; *p; ++p)
        set.set(static_cast<unsigned char>(*p));
    return set;
}

TFormulaParser::TFormulaParser() {
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
    FIdentStart = CharSet(letters) | CharSet("$");
    FIdentCont = FIdentStart | CharSet(".0123456789");
    FOperStart = CharSet("!%&*+-/:<=>?@^|");
    FOperCont = FOperStart | CharSet("#,;");
}

TFormulaParser::~TFormulaParser() = default;

namespace {
void registerOperator(TFormulaParser::TRegistry& registry, const QString& name, const TFEClass& cls) {
    const QString key = name.toLower();
    if (registry.contains(key))
        throw EFormulaAssertion(QStringLiteral("Duplicate operator name \"%1\"").arg(name));
    registry.insert(key, &cls);
}
} // namespace

void TFormulaParser::RegisterUnaryOperator(const QString& name, const TFEClass& cls) {
    registerOperator(FUnary, name, cls);
    FMaxOperatorLength = std::max(FMaxOperatorLength, name.size());
}

void TFormulaParser::RegisterBinaryOperator(const QString& name, const TFEClass& cls) {
    registerOperator(FBinary, name, cls);
    FMaxOperatorLength = std::max(FMaxOperatorLength, name.size());
}

void TFormulaParser::RegisterImmediateOperator(const QString& name, const TFEClass& cls) {
    registerOperator(FImmediate, name, cls);
    FMaxOperatorLength = std::max(FMaxOperatorLength, name.size());
}

void TFormulaParser::RegisterFunction(const QString& name, const TFEClass& cls, const QString& description) {
    const QString key = name.toLower();
    if (FFunctions.contains(key)) {
        for (qsizetype i = 0; i < FDescriptions.size(); ++i) {
            const QString& line = FDescriptions[i];
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0) {
                FDescriptions.removeAt(i);
                break;
            }
        }
    }
    FFunctions.insert(key, &cls);
    FDescriptions.append(name + QLatin1Char('=') + (description.isEmpty() ? name : description));
}

void TFormulaParser::SetIdentifierChars(const TCharSet& start, const TCharSet& continuation) {
    FIdentStart = start;
    FIdentCont = continuation;
    FClassTableValid = false;
}

void TFormulaParser::SetOperatorChars(const TCharSet& start, const TCharSet& continuation) {
    FOperStart = start;
    FOperCont = continuation;
    FClassTableValid = false;
}

std::unique_ptr<TFormulaExpr> TFormulaParser::CreateRoot() {
    return std::make_unique<TFormulaExpr>();
}

TFENodePtr TFormulaParser::ResolveIdentifier(const TFEWorkList&, const QString&, QChar) {
    return nullptr;
}

QString TFormulaParser::OperatorName(const TFEExpression* node) const {
    const TFEClass* cls = &node->ClassType();
    auto find = [cls](const TRegistry& registry) -> QString {
        for (auto it = registry.cbegin(); it != registry.cend(); ++it)
            if (it.value() == cls)
                return it.key();
        return QString();
    };
    if (node->Is<TFEUnaryOperator>()) {
        const QString n = find(FUnary);
        return n.isEmpty() ? QStringLiteral("UnknownUnary") : n;
    }
    if (node->Is<TFEBinaryOperator>()) {
        const QString n = find(FBinary);
        return n.isEmpty() ? QStringLiteral("UnknownBinary") : n;
    }
    if (node->Is<TFEFunction>()) {
        const QString n = find(FFunctions);
        if (n.isEmpty())
            return QStringLiteral("UnknownFunction");
        for (const QString& line : FDescriptions) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (QStringView(line).left(eq).compare(n, Qt::CaseInsensitive) == 0)
                return line.left(eq);
        }
        return n;
    }
    if (node->Is<TFEImmediateOperator>()) {
        const QString n = find(FImmediate);
        if (!n.isEmpty())
            return n;
    }
    return QStringLiteral("Unknown");
}

void TFormulaParser::Prepare() {
    if (!FHelpersDone) {
        FHelpersDone = true;
        std::vector<const TFormulaParserRegistrationHelper*> mine;
        {
            QMutexLocker guard(&helperLock());
            const QString name = ClassName();
            for (const HelperEntry& e : helpers())
                if (e.parserClass == name)
                    mine.push_back(e.helper);
        }
        for (const TFormulaParserRegistrationHelper* h : mine)
            h->RegisterOperators(*this);
    }
    if (FClassTableValid)
        return;
    std::fill(std::begin(FClassTable), std::end(FClassTable), ccInvalid);
    for (char c = '0'; c <= '9'; ++c)
        FClassTable[static_cast<uint8_t>(c)] = ccNumber;
    FClassTable[uint8_t('.')] = ccNumber;
    FClassTable[uint8_t('(')] = ccOpenParen;
    FClassTable[uint8_t(')')] = ccCloseParen;
    FClassTable[uint8_t('[')] = ccOpenBracket;
    FClassTable[uint8_t(']')] = ccCloseBracket;
    FClassTable[uint8_t('{')] = ccOpenBrace;
    FClassTable[uint8_t('}')] = ccCloseBrace;
    FClassTable[uint8_t(',')] = ccComma;
    FClassTable[uint8_t(';')] = ccSemicolon;
    FClassTable[uint8_t('\'')] = ccQuote;
    FClassTable[uint8_t('"')] = ccQuote;
    for (uint8_t c : {uint8_t(' '), uint8_t('\t'), uint8_t('\n'), uint8_t('\r'), uint8_t(0xB6)})
        FClassTable[c] = ccBlank;
    for (int c = 0; c < 256; ++c) {
        if (FIdentStart.test(static_cast<size_t>(c)))
            FClassTable[c] = ccIdentifier;
        else if (FOperStart.test(static_cast<size_t>(c)))
            FClassTable[c] = ccOperator;
    }
    FClassTableValid = true;
}

void TFormulaParser::SkipBlanks(ParseState& s) const {
    while (!s.atEnd() && ClassOf(s.current()) == ccBlank)
        ++s.pos;
}

std::unique_ptr<TFormulaExpr> TFormulaParser::Parse(const QString& text) {
    Prepare();
    ParseState s{text, 0, {}, 0};
    TFENodePtr node = ParseLevel(s);
    std::unique_ptr<TFormulaExpr> root = CreateRoot();
    root->SetParser(this);
    root->SetOperand(std::move(node));
    return root;
}

namespace {

bool isIn(const TCharSet& set, QChar c) {
    return c.unicode() < 256 && set.test(c.unicode());
}

bool isUnboundOperator(const TFEExpression* node) {
    return node->Unbound();
}

} // namespace

TFENodePtr TFormulaParser::ParseLevel(ParseState& s) {
    TFEWorkList list;
    bool expectOperand = true;
    const QString& text = s.text;
    const qsizetype n = text.size();

    auto place = [](TFEExpression* node, qsizetype start, qsizetype end) {
        node->Position = static_cast<int32_t>(start + 1);
        node->Length = static_cast<int32_t>(end - start);
    };

    for (;;) {
        SkipBlanks(s);
        if (s.atEnd())
            break;
        const QChar c = s.current();
        const qsizetype start = s.pos;
        const uint8_t cls = ClassOf(c);
        if (cls != ccOpenBrace && !(c == QLatin1Char('/') && s.pos + 1 < n && text[s.pos + 1] == QLatin1Char('/')))
            s.countToken();
        switch (cls) {
        case ccIdentifier: {
            ++s.pos;
            while (!s.atEnd() && isIn(FIdentCont, s.current()))
                ++s.pos;
            const QString name = text.mid(start, s.pos - start);
            const QString key = name.toLower();
            const TFEClass* cls = nullptr;
            bool immediate = false;
            if ((cls = FUnary.value(key))) {
            } else if ((cls = FImmediate.value(key))) {
                immediate = true;
            } else {
                cls = FBinary.value(key);
            }
            if (cls) {
                TFENodePtr node = cls->Create();
                place(node.get(), start, s.pos);
                list.push_back(std::move(node));
                expectOperand = !immediate;
                break;
            }
            qsizetype look = s.pos;
            while (look < n && ClassOf(text[look]) == ccBlank)
                ++look;
            const QChar next = look < n ? text[look] : QChar();
            TFENodePtr node;
            if (next == QLatin1Char('(')) {
                if (const TFEClass* f = FFunctions.value(key))
                    node = f->Create();
            } else {
                const TFEClass* candidate = (Options & poFunctionsNeedBrackets) ? nullptr : FFunctions.value(key);
                node = ResolveIdentifier(list, name, next);
                if (!node && candidate)
                    node = candidate->Create();
            }
            if (!node)
                syntaxError(QStringLiteral("%1 (%2)").arg(name).arg(s.pos + 1));
            place(node.get(), start, s.pos);
            if (node->Is<TFEFunction>())
                ReadArguments(s, static_cast<TFEFunction*>(node.get()), false);
            list.push_back(std::move(node));
            expectOperand = false;
            break;
        }
        case ccOperator: {
            if (c == QLatin1Char('/') && s.pos + 1 < n && text[s.pos + 1] == QLatin1Char('/') &&
                !(Options & poNoLineComments)) {
                while (!s.atEnd() && s.current() != QLatin1Char('\r') && s.current() != QLatin1Char('\n'))
                    ++s.pos;
                break;
            }
            // Only prefixes up to the longest registered name can match, so
            // the run is scanned no further (it matters for hostile texts).
            qsizetype end = s.pos + 1;
            while (end < n && end - start < FMaxOperatorLength && isIn(FOperCont, text[end]))
                ++end;
            const TFEClass* best = nullptr;
            bool bestImmediate = false;
            qsizetype bestLength = 0;
            for (qsizetype len = 1; len <= end - start; ++len) {
                const QString key = text.mid(start, len).toLower();
                const TFEClass* cls = nullptr;
                bool immediate = false;
                if (expectOperand) {
                    if ((cls = FUnary.value(key))) {
                    } else if ((cls = FImmediate.value(key))) {
                        immediate = true;
                    } else {
                        cls = FBinary.value(key);
                    }
                } else {
                    cls = FBinary.value(key);
                }
                if (cls) {
                    best = cls;
                    bestImmediate = immediate;
                    bestLength = len;
                }
            }
            if (!best) {
                while (end < n && isIn(FOperCont, text[end]))
                    ++end;
            }
            if (!best)
                syntaxError(QStringLiteral("%1 (%2)").arg(text.mid(start, end - start)).arg(start + 1));
            s.pos = start + bestLength;
            TFENodePtr node = best->Create();
            place(node.get(), start, s.pos);
            list.push_back(std::move(node));
            expectOperand = !bestImmediate;
            break;
        }
        case ccNumber: {
            double m = 0;
            int fractionDigits = 0;
            while (!s.atEnd() && s.current().unicode() >= '0' && s.current().unicode() <= '9') {
                m = 10 * m + (s.current().unicode() - '0');
                ++s.pos;
            }
            if (!s.atEnd() && s.current() == QLatin1Char('.')) {
                ++s.pos;
                while (!s.atEnd() && s.current().unicode() >= '0' && s.current().unicode() <= '9') {
                    m = 10 * m + (s.current().unicode() - '0');
                    ++fractionDigits;
                    ++s.pos;
                }
            }
            long exponent = 0;
            if (!s.atEnd() && (s.current() == QLatin1Char('e') || s.current() == QLatin1Char('E'))) {
                ++s.pos;
                bool negative = false;
                if (!s.atEnd() && (s.current() == QLatin1Char('+') || s.current() == QLatin1Char('-'))) {
                    negative = s.current() == QLatin1Char('-');
                    ++s.pos;
                }
                while (!s.atEnd() && s.current().unicode() >= '0' && s.current().unicode() <= '9') {
                    if (exponent < 100000)
                        exponent = exponent * 10 + (s.current().unicode() - '0');
                    ++s.pos;
                }
                if (negative)
                    exponent = -exponent;
            }
            const long k = exponent - fractionDigits;
            double value = m;
            if (k != 0 && m != 0)
                value = static_cast<double>(static_cast<long double>(m) *
                                            expl(static_cast<long double>(k) * 2.302585092994045684L));
            auto node = std::make_unique<TFEImmediateNum>(value);
            place(node.get(), start, s.pos);
            list.push_back(std::move(node));
            expectOperand = false;
            break;
        }
        case ccQuote: {
            const QChar quote = c;
            ++s.pos;
            QString value;
            while (!s.atEnd()) {
                const QChar ch = s.current();
                if (ch == quote) {
                    if (s.pos + 1 < n && text[s.pos + 1] == quote) {
                        value += quote;
                        s.pos += 2;
                        continue;
                    }
                    ++s.pos;
                    break;
                }
                value += ch;
                ++s.pos;
            }
            auto node = std::make_unique<TFEImmediateString>(value);
            place(node.get(), start, s.pos);
            list.push_back(std::move(node));
            expectOperand = false;
            break;
        }
        case ccOpenParen: {
            s.push(QLatin1Char('('));
            ++s.pos;
            TFENodePtr inner = ParseLevel(s);
            if (!inner || s.atEnd() || s.current() != QLatin1Char(')'))
                syntaxErrorAt(s.pos);
            ++s.pos;
            list.push_back(std::move(inner));
            expectOperand = false;
            break;
        }
        case ccCloseParen:
            if (s.pop() == QLatin1Char('('))
                return Bind(list);
            syntaxErrorAt(s.pos);
        case ccOpenBracket: {
            if (!BracketOperatorClass || list.empty() || isUnboundOperator(list.back().get()))
                syntaxErrorAt(s.pos);
            TFEBracketOperator* bracket = nullptr;
            if (list.back()->Is<TFEBracketOperator>()) {
                bracket = static_cast<TFEBracketOperator*>(list.back().get());
            } else {
                TFENodePtr node = BracketOperatorClass->Create();
                if (!node->Is<TFEBracketOperator>())
                    throw EFormulaAssertion(QStringLiteral("%1 is not a bracket operator").arg(node->ClassName()));
                bracket = static_cast<TFEBracketOperator*>(node.get());
                place(bracket, start, start + 1);
                bracket->SetIndexed(std::move(list.back()));
                list.back() = std::move(node);
            }
            ReadArguments(s, bracket, true);
            expectOperand = false;
            break;
        }
        case ccCloseBracket:
            if (s.pop() == QLatin1Char('['))
                return Bind(list);
            syntaxError(QStringLiteral("Unbalanced bracket at %1").arg(s.pos + 1));
        case ccOpenBrace: {
            int depth = 1;
            ++s.pos;
            while (depth > 0) {
                if (s.atEnd())
                    syntaxError(QStringLiteral("Unbalanced comment at %1").arg(s.pos + 1));
                if (s.current() == QLatin1Char('{'))
                    ++depth;
                else if (s.current() == QLatin1Char('}'))
                    --depth;
                ++s.pos;
            }
            break;
        }
        case ccComma:
        case ccSemicolon:
            return Bind(list);
        default:
            syntaxErrorAt(s.pos);
        }
    }
    return Bind(list);
}

void TFormulaParser::ReadArguments(ParseState& s, TFEFunction* node, bool bracket) {
    SkipBlanks(s);
    const QChar open = bracket ? QLatin1Char('[') : QLatin1Char('(');
    const QChar close = bracket ? QLatin1Char(']') : QLatin1Char(')');
    if (!s.atEnd() && s.current() == open) {
        s.push(open);
        ++s.pos;
        for (;;) {
            if (TFENodePtr arg = ParseLevel(s))
                node->AddParam(std::move(arg));
            if (!s.atEnd() && s.current() == close) {
                ++s.pos;
                break;
            }
            if (!s.atEnd() && (s.current() == QLatin1Char(',') || s.current() == QLatin1Char(';'))) {
                ++s.pos;
                SkipBlanks(s);
                continue;
            }
            syntaxErrorAt(s.pos);
        }
    }
    if (node->ParamCount() < node->MinParams)
        syntaxError(QStringLiteral("Not enough parameters"));
    if (node->ParamCount() > node->MaxParams)
        syntaxError(QStringLiteral("Too many parameters"));
}

// ---------------------------------------------------------------------------
// Binder

void TFormulaParser::AttachUnary(TFEWorkList& list, long j) {
    if (j < 0 || j >= static_cast<long>(list.size()))
        syntaxError(QStringLiteral("Missing unary operand"));
    TFEExpression* node = list[static_cast<size_t>(j)].get();
    if (!node->Unbound())
        return;
    if (!node->Is<TFEUnaryOperator>())
        syntaxError(QStringLiteral("Invalid operator"));
    AttachUnary(list, j + 1);
    auto* unary = static_cast<TFEUnaryOperator*>(node);
    unary->SetOperand(std::move(list[static_cast<size_t>(j + 1)]));
    list.erase(list.begin() + j + 1);
    unary->Flags &= ~TFEExpression::feUnbound;
}

TFENodePtr TFormulaParser::Bind(TFEWorkList& list) {
    if (list.empty())
        return nullptr;
    if (list.size() == 1) {
        if (list[0]->Unbound())
            syntaxError(QStringLiteral("Missing operand"));
        return std::move(list[0]);
    }
    while (list.size() > 1) {
        long best = -1;
        int bestPriority = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            TFEExpression* node = list[i].get();
            if (!node->Unbound())
                continue;
            const int priority = node->Is<TFEOperator>() ? static_cast<TFEOperator*>(node)->Priority : 0;
            if (best < 0 || priority > bestPriority) {
                best = static_cast<long>(i);
                bestPriority = priority;
            }
        }
        if (best < 0)
            syntaxError(QStringLiteral("Missing operator"));
        TFEExpression* node = list[static_cast<size_t>(best)].get();
        if (node->Is<TFEUnaryOperator>()) {
            AttachUnary(list, best);
        } else if (node->Is<TFEBinaryOperator>()) {
            AttachUnary(list, best - 1);
            AttachUnary(list, best + 1);
            auto* binary = static_cast<TFEBinaryOperator*>(node);
            binary->SetRight(std::move(list[static_cast<size_t>(best + 1)]));
            binary->SetLeft(std::move(list[static_cast<size_t>(best - 1)]));
            list.erase(list.begin() + best + 1);
            list.erase(list.begin() + best - 1);
            binary->Flags &= ~TFEExpression::feUnbound;
            const size_t at = static_cast<size_t>(best - 1);
            TFEExpression* right = binary->Right();
            if (right->Is<TFEBracketOperator>() &&
                static_cast<TFEBracketOperator*>(right)->BindingPriority < binary->Priority) {
                // a op b[x] means (a op b)[x]
                TFENodePtr bracketNode = binary->TakeRight();
                auto* bracket = static_cast<TFEBracketOperator*>(bracketNode.get());
                binary->SetRight(bracket->TakeIndexed());
                bracket->SetIndexed(std::move(list[at]));
                list[at] = std::move(bracketNode);
            }
        } else {
            syntaxError(QStringLiteral("Parser error"));
        }
    }
    return std::move(list[0]);
}
