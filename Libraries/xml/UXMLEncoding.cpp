// Encoding detection of raw XML bytes: byte-order marks, zero patterns of
// UTF-16 and UTF-32, then the declared (or HTML meta) character set of 8-bit
// text. Unknown or missing character sets fall back to the desktop's ANSI
// code page, Windows-1252, the code page the documents were made with.

#include "UXMLParser.h"

#include <QStringDecoder>

namespace {

const char* const kAnsiCodePage = "windows-1252";

bool blankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The character-set name of `encoding="name"` in an XML declaration: either
// quote character, blanks allowed around '='.
QByteArray declaredEncoding(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('>');
    const QByteArray decl = end < 0 ? bytes : bytes.left(end);
    qsizetype i = decl.indexOf("encoding");
    if (i < 0) return QByteArray();
    i += 8;
    while (i < decl.size() && blankByte(decl.at(i))) ++i;
    if (i >= decl.size() || decl.at(i) != '=') return QByteArray();
    ++i;
    while (i < decl.size() && blankByte(decl.at(i))) ++i;
    if (i >= decl.size() || (decl.at(i) != '"' && decl.at(i) != '\'')) return QByteArray();
    const char quote = decl.at(i);
    const qsizetype close = decl.indexOf(quote, i + 1);
    if (close < 0) return QByteArray();
    return decl.mid(i + 1, close - i - 1).trimmed();
}

// The character set of an HTML head: `charset=name`, quoted or not, as in
// `content="text/html; charset=utf-8"` or `<meta charset="utf-8">`.
QByteArray metaCharset(const QByteArray& bytes, qsizetype from) {
    const QByteArray lower = bytes.toLower();
    const qsizetype head = lower.indexOf("<head>", from);
    if (head < 0) return QByteArray();
    qsizetype headEnd = lower.indexOf("</head>", head);
    if (headEnd < 0) headEnd = lower.size();
    qsizetype i = lower.indexOf("charset=", head);
    if (i < 0 || i >= headEnd) return QByteArray();
    i += 8;
    if (i < headEnd && (lower.at(i) == '"' || lower.at(i) == '\'')) ++i;
    const qsizetype start = i;
    while (i < headEnd) {
        const char c = lower.at(i);
        if (c == '"' || c == '\'' || c == ';' || c == '>' || c == '/' || blankByte(c)) break;
        ++i;
    }
    return bytes.mid(start, i - start);
}

QString decode(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

}  // namespace

QString TXMLDOMDocument::DecodeBytes(const QByteArray& bytes, TXMLEncoding& encoding) {
    const auto b = [&](qsizetype i) { return uchar(bytes.at(i)); };
    const qsizetype n = bytes.size();
    auto set = [&](TXMLEncodingKind kind, TXMLByteOrder order, const char* name) {
        encoding.Kind = kind;
        encoding.ByteOrder = order;
        encoding.Name = QString::fromLatin1(name);
    };

    // Byte-order marks; UTF-32 little-endian is tested before UTF-16 since
    // its mark starts with the UTF-16 one.
    if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        set(ekUTF8, boNone, "utf-8");
        return decode(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    }
    if (n >= 4 && b(0) == 0xFF && b(1) == 0xFE && b(2) == 0 && b(3) == 0) {
        set(ekUTF32, boLittleEndian, "utf-32");
        return decode(QStringConverter::Utf32LE, QByteArrayView(bytes).sliced(4));
    }
    if (n >= 4 && b(0) == 0 && b(1) == 0 && b(2) == 0xFE && b(3) == 0xFF) {
        set(ekUTF32, boBigEndian, "utf-32");
        return decode(QStringConverter::Utf32BE, QByteArrayView(bytes).sliced(4));
    }
    if (n >= 2 && b(0) == 0xFF && b(1) == 0xFE) {
        set(ekUTF16, boLittleEndian, "utf-16");
        return decode(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    }
    if (n >= 2 && b(0) == 0xFE && b(1) == 0xFF) {
        set(ekUTF16, boBigEndian, "utf-16");
        return decode(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    }

    // Zero patterns of unmarked UTF-32 and UTF-16.
    if (n > 3 && (b(0) == 0 || b(1) == 0)) {
        if (n > 7) {
            if (b(0) && !b(1) && !b(2) && !b(3) && b(4) && !b(5) && !b(6) && !b(7)) {
                set(ekUTF32, boLittleEndian, "utf-32");
                return decode(QStringConverter::Utf32LE, bytes);
            }
            if (!b(0) && !b(1) && !b(2) && b(3) && !b(4) && !b(5) && !b(6) && b(7)) {
                set(ekUTF32, boBigEndian, "utf-32");
                return decode(QStringConverter::Utf32BE, bytes);
            }
        }
        if (b(0) && !b(1) && b(2) && !b(3)) {
            set(ekUTF16, boLittleEndian, "utf-16");
            return decode(QStringConverter::Utf16LE, bytes);
        }
        if (!b(0) && b(1) && !b(2) && b(3)) {
            set(ekUTF16, boBigEndian, "utf-16");
            return decode(QStringConverter::Utf16BE, bytes);
        }
    }

    // 8-bit text: the declared character set, or an HTML head's.
    QByteArray name;
    if (bytes.startsWith("<?xml ")) {
        name = declaredEncoding(bytes);
    } else {
        const qsizetype lt = bytes.left(10).indexOf('<');
        if (lt >= 0) name = metaCharset(bytes, lt);
    }
    const QByteArray lowerName = name.toLower();
    if (lowerName == "utf-8" || lowerName == "utf8" ||
        // 8-bit text cannot be UTF-16 or UTF-32, whatever it declares; UTF-8
        // is the reading that keeps its ASCII intact.
        lowerName.startsWith("utf-16") || lowerName.startsWith("utf-32") || lowerName.startsWith("ucs")) {
        set(ekUTF8, boNone, "utf-8");
        return decode(QStringConverter::Utf8, bytes);
    }
    encoding.Kind = ekCodePage;
    encoding.ByteOrder = boNone;
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        if (decoder.isValid()) {
            encoding.Name = QString::fromLatin1(name);
            return decoder.decode(bytes);
        }
    }
    encoding.Name = QString::fromLatin1(kAnsiCodePage);
    QStringDecoder ansi(kAnsiCodePage, QStringConverter::Flag::Stateless);
    if (ansi.isValid()) return ansi.decode(bytes);
    return decode(QStringConverter::Latin1, bytes);
}

void TXMLDOMDocument::LoadFromBytes(const QByteArray& bytes) {
    TXMLEncoding encoding;
    const QString text = DecodeBytes(bytes, encoding);
    FEncoding = encoding;
    LoadXML(text);
}
