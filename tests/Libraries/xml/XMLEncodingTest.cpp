#include "QtPrinters.h"
#include "UXMLParser.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QByteArray encode(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray result;
    for (int v : values) result.append(char(v));
    return result;
}

}  // namespace

TEST(XMLEncoding, Detection) {
    const QString doc = QStringLiteral("<a>é€</a>");
    const struct {
        const char* label;
        QByteArray input;
        TXMLEncodingKind kind;
        TXMLByteOrder order;
        const char* name;
    } cases[] = {
        {"utf-8 mark", bytes({0xEF, 0xBB, 0xBF}) + doc.toUtf8(), ekUTF8, boNone, "utf-8"},
        // FF FE 00 00 is UTF-32 little-endian, not UTF-16 followed by a NUL
        {"utf-32le mark", bytes({0xFF, 0xFE, 0, 0}) + encode(QStringConverter::Utf32LE, doc), ekUTF32, boLittleEndian, "utf-32"},
        {"utf-32be mark", bytes({0, 0, 0xFE, 0xFF}) + encode(QStringConverter::Utf32BE, doc), ekUTF32, boBigEndian, "utf-32"},
        {"utf-16le mark", bytes({0xFF, 0xFE}) + encode(QStringConverter::Utf16LE, doc), ekUTF16, boLittleEndian, "utf-16"},
        {"utf-16be mark", bytes({0xFE, 0xFF}) + encode(QStringConverter::Utf16BE, doc), ekUTF16, boBigEndian, "utf-16"},
        {"utf-32le zeros", encode(QStringConverter::Utf32LE, doc), ekUTF32, boLittleEndian, "utf-32"},
        {"utf-32be zeros", encode(QStringConverter::Utf32BE, doc), ekUTF32, boBigEndian, "utf-32"},
        {"utf-16le zeros", encode(QStringConverter::Utf16LE, doc), ekUTF16, boLittleEndian, "utf-16"},
        {"utf-16be zeros", encode(QStringConverter::Utf16BE, doc), ekUTF16, boBigEndian, "utf-16"},
        {"declared utf-8", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + doc.toUtf8(), ekUTF8, boNone, "utf-8"},
        {"declared UTF-8 with apostrophes", "<?xml version='1.0' encoding = 'UTF-8'?>" + doc.toUtf8(), ekUTF8, boNone, "utf-8"},
        {"declared latin-9", "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><a>\xe9\xa4</a>", ekCodePage, boNone, "ISO-8859-15"},
        {"html meta", "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/></head>"
                      "<body>" + doc.toUtf8() + "</body></html>", ekUTF8, boNone, "utf-8"},
        {"html5 meta", "<html><HEAD><meta charset=\"UTF-8\"/></HEAD><body>" + doc.toUtf8() + "</body></html>", ekUTF8, boNone, "utf-8"},
        {"no name", "<a>\xe9\x80</a>", ekCodePage, boNone, "windows-1252"},
        {"unknown name", "<?xml version=\"1.0\" encoding=\"x-nothing\"?><a>\xe9\x80</a>", ekCodePage, boNone, "windows-1252"},
    };
    for (const auto& c : cases) {
        TXMLDOMDocument d;
        d.LoadFromBytes(c.input);
        EXPECT_EQ(d.Encoding().Kind, c.kind) << c.label;
        EXPECT_EQ(d.Encoding().ByteOrder, c.order) << c.label;
        EXPECT_EQ(d.Encoding().Name, QString::fromLatin1(c.name)) << c.label;
        EXPECT_EQ(Text(d.DocumentElement()), QStringLiteral("é€")) << c.label;
    }
}

TEST(XMLEncoding, ShortAndOddInputs) {
    const QByteArray inputs[] = {
        QByteArray(), bytes({0xFF}), bytes({0xFF, 0xFE}), bytes({0xFF, 0xFE, 0}), bytes({0, 0, 0}),
        bytes({0, '<', 0}), bytes({'<', 0, 'a', 0, '>'}),  // odd UTF-16 tail
        bytes({0xFF, 0xFE, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),   // beyond Unicode
    };
    for (const QByteArray& input : inputs) {
        TXMLDOMDocument d;
        try {
            d.LoadFromBytes(input);
        } catch (const EParserError&) {
        }
        EXPECT_NE(d.Encoding().Kind, ekNone);
    }
}

TEST(XMLEncoding, LoadXMLKeepsDetectedEncoding) {
    TXMLDOMDocument d;
    d.LoadFromBytes(QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>"));
    d.LoadXML(QStringLiteral("<b/>"));
    EXPECT_EQ(d.Encoding().Kind, ekUTF8);
}
