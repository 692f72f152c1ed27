// XML name rules, escaping, reference decoding and markup stripping.

#include "UHierarchicalWriter.h"


namespace {

// Indexed by the low 8 bits of a UTF-16 code unit: ASCII letters, digits, '-',
// '.' and ':' stay, accented Latin letters become their base letter, anything
// else becomes '_'.
constexpr char kNameTable[257] =
    "_____________________________________________-._0123456789:______ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "______abcdefghijklmnopqrstuvwxyz_____E_________S___Z___________s___zY______________________"
    "__________AAAAAAACEEEEIIIIDNOOOOO_0UUUUY_Baaaaaaaceeeeiiiionooooo_0uuuuyby";
static_assert(sizeof(kNameTable) == 257, "the name table has one entry per byte value");

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Reads the digits of a character reference ("65" or, with hex, "41"). Returns
// -1 for an empty run, a foreign character or a value beyond the last Unicode
// code point.
qint64 readReferenceNumber(QStringView digits, bool hex) {
    if (digits.isEmpty()) return -1;
    qint64 value = 0;
    for (QChar c : digits) {
        int d;
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') d = u - '0';
        else if (hex && u >= 'a' && u <= 'f') d = u - 'a' + 10;
        else if (hex && u >= 'A' && u <= 'F') d = u - 'A' + 10;
        else return -1;
        value = value * (hex ? 16 : 10) + d;
        if (value > 0x10FFFF) return -1;
    }
    return value;
}

void appendCodePoint(QString& out, char32_t code) {
    if (code > 0xFFFF) {
        out.append(QChar::highSurrogate(code));
        out.append(QChar::lowSurrogate(code));
    } else {
        out.append(QChar(char16_t(code)));
    }
}

}  // namespace

QString XMLElementName(const QString& name) {
    QString result(name.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = QLatin1Char(kNameTable[name.at(i).unicode() & 0xFF]);
    if (result.isEmpty()) return QStringLiteral("NODE");
    const QChar first = result.at(0);
    if (first == QLatin1Char(':'))
        result.prepend(QLatin1String("Unknown_ns"));
    else if (first == QLatin1Char('-') || first == QLatin1Char('.') || isAsciiDigit(first))
        result.prepend(QLatin1Char('_'));
    if (result.left(3).toLower() == QLatin1String("xml")) result.prepend(QLatin1Char('_'));
    const qsizetype firstColon = result.indexOf(QLatin1Char(':'));
    if (firstColon >= 0) {
        for (qsizetype i = firstColon + 1; i < result.size(); ++i)
            if (result.at(i) == QLatin1Char(':')) result[i] = QLatin1Char('_');
    }
    return result;
}

QString XMLAttributeName(const QString& name) {
    if (name.startsWith(QLatin1String("xml"))) {
        if (name == QLatin1String("xml:lang") || name == QLatin1String("xml:space") ||
            name == QLatin1String("xmlns") || name.startsWith(QLatin1String("xmlns:")))
            return name;
    }
    return XMLElementName(name);
}

void AppendEscapedXMLText(QString& out, const QString& text) {
    // Control characters other than tab, CR and LF are dropped. A tab is kept,
    // written as a character reference: a name or a caption that holds one
    // reads back as it was.
    const QChar* s = text.constData();
    const qsizetype n = text.size();
    qsizetype runStart = 0;  // start of the pending run of unchanged characters
    auto flush = [&](qsizetype end) {
        if (end > runStart) out.append(s + runStart, end - runStart);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x20 && c != '"' && c != '\'' && c != '<' && c != '>' && c != '&') continue;
        if (c == '\r' || c == '\n') continue;
        flush(i);
        runStart = i + 1;
        switch (c) {
        case '"': out.append(QLatin1String("&quot;")); break;
        case '\'': out.append(QLatin1String("&#39;")); break;
        case '<': out.append(QLatin1String("&lt;")); break;
        case '>': out.append(QLatin1String("&gt;")); break;
        case '\t': out.append(QLatin1String("&#9;")); break;
        // Every ampersand is escaped, a text that looks like a character
        // reference ("&#233;", "&#;") included: it reads back as written,
        // not as the character or as "&;".
        case '&': out.append(QLatin1String("&amp;")); break;
        default: break;  // control characters are dropped
        }
    }
    flush(n);
}

QString EscapeXMLText(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    AppendEscapedXMLText(out, text);
    return out;
}

QString DecodeEntities(const QString& text) {
    const qsizetype n = text.size();
    if (text.indexOf(QLatin1Char('&')) < 0) return text;
    QString out;
    out.reserve(n);
    qsizetype semicolon = -1;  // the last found ';', reused while still ahead
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out.append(c);
            ++i;
            continue;
        }
        if (semicolon != n && semicolon <= i) {
            semicolon = text.indexOf(QLatin1Char(';'), i + 1);
            if (semicolon < 0) semicolon = n;
        }
        bool replaced = false;
        if (semicolon < n && semicolon > i + 1) {
            const QStringView r = QStringView(text).mid(i + 1, semicolon - i - 1);
            if (r.at(0) == QLatin1Char('#')) {
                QStringView digits = r.mid(1);
                bool hex = false;
                if (!digits.isEmpty() && (digits.at(0) == QLatin1Char('x') || digits.at(0) == QLatin1Char('X'))) {
                    hex = true;
                    digits = digits.mid(1);
                }
                const qint64 code = readReferenceNumber(digits, hex);
                if (code > 0) {
                    appendCodePoint(out, char32_t(code));
                    replaced = true;
                }
            } else if (r.size() <= 4) {
                const QString name = r.toString().toLower();
                QChar ch;
                if (name == QLatin1String("lt")) ch = QLatin1Char('<');
                else if (name == QLatin1String("gt")) ch = QLatin1Char('>');
                else if (name == QLatin1String("amp")) ch = QLatin1Char('&');
                else if (name == QLatin1String("apos")) ch = QLatin1Char('\'');
                else if (name == QLatin1String("quot")) ch = QLatin1Char('"');
                if (!ch.isNull()) {
                    out.append(ch);
                    replaced = true;
                }
            }
        }
        if (replaced) {
            i = semicolon + 1;
        } else {
            out.append(c);
            ++i;
        }
    }
    return out;
}

QString MarkupToText(const QString& text) {
    static const QString kCDataOpen = QStringLiteral("<![CDATA[");
    static const QString kCDataClose = QStringLiteral("]]>");
    const qsizetype n = text.size();
    QString out;
    out.reserve(n);
    int depth = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<')) {
            if (QStringView(text).mid(i, kCDataOpen.size()).compare(kCDataOpen, Qt::CaseInsensitive) == 0) {
                const qsizetype start = i + kCDataOpen.size();
                const qsizetype end = text.indexOf(kCDataClose, start);
                if (end < 0) break;  // an unterminated section drops the rest
                out.append(QStringView(text).mid(start, end - start));
                i = end + kCDataClose.size();
                continue;
            }
            ++depth;
        } else if (c == QLatin1Char('>')) {
            if (depth == 0) {
                // A '>' outside any tag is plain text ("1 > 0"), not a tag end.
                out.append(c);
            } else if (--depth == 0) {
                out.append(QLatin1Char(' '));
            }
        } else if (depth == 0) {
            out.append(c);
        }
        ++i;
    }
    return DecodeEntities(out);
}
