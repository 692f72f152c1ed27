#include "QtPrinters.h"
#include "UXMLParser.h"
#include "UHierarchicalWriter.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* input;
    const char* expected;
};

QString q(const char* s) { return QString::fromUtf8(s); }

}  // namespace

TEST(XMLNameRule, ElementNames) {
    const TextCase cases[] = {
        {"Axis", "Axis"},
        {"123", "_123"},
        {"-x", "_-x"},
        {".x", "_.x"},
        {"xmlData", "_xmlData"},
        {"XmLData", "_XmLData"},
        {"my name", "my_name"},
        {"Année", "Annee"},
        {"ÇàÿßØ", "CayB0"},
        {"", "NODE"},
        {":x", "Unknown_ns:x"},
        {"a:b:c:d", "a:b_c_d"},
        {"a/b<c>", "a_b_c_"},
        // Above U+00FF the low byte decides: U+0141 looks up 0x41.
        {"\xc5\x81", "A"},
        // Ø becomes the digit 0, and the digit rule follows the table.
        {"\xc3\x98x", "_0x"},
        {"€", "_"},
    };
    for (const auto& c : cases) EXPECT_EQ(XMLElementName(q(c.input)), q(c.expected)) << c.input;
}

TEST(XMLNameRule, AttributeNames) {
    const TextCase cases[] = {
        {"xml:space", "xml:space"}, {"xml:lang", "xml:lang"}, {"xmlns", "xmlns"},
        {"xmlns:p", "xmlns:p"},     {"xmlnsX", "_xmlnsX"},    {"xml:other", "_xml:other"},
        {"XML:space", "_XML:space"}, {"Count", "Count"},      {"a b", "a_b"},
    };
    for (const auto& c : cases) EXPECT_EQ(XMLAttributeName(q(c.input)), q(c.expected)) << c.input;
}

TEST(EscapeXMLText, Table) {
    const TextCase cases[] = {
        {"a<b>c", "a&lt;b&gt;c"},
        {"\"'", "&quot;&#39;"},
        {"R&D", "R&amp;D"},
        // Texts that look like references are escaped too: they read back as
        // written, not as the character ("&#233;") or as "&;" ("&#;").
        {"&#233;", "&amp;#233;"},
        {"&#x41;", "&amp;#x41;"},
        {"&#12", "&amp;#12"},
        {"&#;", "&amp;#;"},
        {"&amp;", "&amp;amp;"},
        {"a\tb\x01" "c", "a&#9;bc"},   // a tab kept as a reference, other controls dropped
        {"&\x05#;", "&amp;#;"},
        {"&#6\x01" "5;", "&amp;#65;"},
        {"l1\r\nl2\n", "l1\r\nl2\n"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeXMLText(q(c.input)), q(c.expected)) << c.input;
}

TEST(DecodeEntities, Table) {
    const TextCase cases[] = {
        {"1 &lt; 2 &GT; 0", "1 < 2 > 0"},
        {"&amp;&apos;&quot;", "&'\""},
        {"&#65;&#x42;&#X43;", "ABC"},
        {"&#128512;", "\xf0\x9f\x98\x80"},  // beyond U+FFFF: a surrogate pair
        {"&#0;&#-1;&#1x;", "&#0;&#-1;&#1x;"},
        {"&nbsp; &; a & b", "&nbsp; &; a & b"},
        {"&#99999999999;", "&#99999999999;"},
        {"tail &amp", "tail &amp"},
        {"&&amp;", "&&"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeEntities(q(c.input)), q(c.expected)) << c.input;
}

TEST(MarkupToText, Table) {
    const TextCase cases[] = {
        {"a<b>c</b>d", "a c d"},
        {"<p><i>x</i></p>y", "  x  y"},
        {"x<![CDATA[<raw> &amp;]]>y", "x<raw> &y"},
        {"x<![cdata[z]]>!", "xz!"},
        {"x<![CDATA[never closed", "x"},
        {"R&amp;D", "R&D"},
        {"1 > 0", "1 > 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(MarkupToText(q(c.input)), q(c.expected)) << c.input;
}

TEST(StringsHierarchicalWriter, AttributesReplacedInPlaceAndEmptyRemoved) {
    TStringsHierarchicalWriter w(QStringLiteral("e"));
    w.SetAttribute(QStringLiteral("Count"), QStringLiteral("1"));
    w.SetAttribute(QStringLiteral("Other"), QStringLiteral("x"));
    w.SetAttribute(QStringLiteral("count"), QStringLiteral("2"));
    ASSERT_EQ(w.Attributes().size(), 2);
    EXPECT_EQ(w.Attributes()[0].first, QStringLiteral("Count"));
    EXPECT_EQ(w.Attributes()[0].second, QStringLiteral("2"));
    w.SetAttribute(QStringLiteral("Count"), QString());
    ASSERT_EQ(w.Attributes().size(), 1);
    EXPECT_EQ(w.Attributes()[0].first, QStringLiteral("Other"));
    w.SetAttribute(QStringLiteral("Never"), QString());
    EXPECT_EQ(w.Attributes().size(), 1);
}

TEST(StringsHierarchicalWriter, ChildrenKeepNamesAndOrder) {
    TStringsHierarchicalWriter w;
    w.AddChild(QStringLiteral("b c"), QStringLiteral("t"));
    w.InsertChild(0, QStringLiteral("a"), QString());
    w.InsertChild(99, QStringLiteral("z"), QString());
    ASSERT_EQ(w.ChildCount(), 3);
    EXPECT_EQ(w.Child(0)->Name(), QStringLiteral("a"));
    EXPECT_EQ(w.Child(1)->Name(), QStringLiteral("b c"));  // no rule on the plain tree
    EXPECT_EQ(w.Child(1)->Text(), QStringLiteral("t"));
    EXPECT_EQ(w.Child(2)->Name(), QStringLiteral("z"));
    EXPECT_EQ(w.Child(1)->Parent(), &w);
}

TEST(XMLHierarchicalWriter, ToTextIsCompact) {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    root.SetAttribute(QStringLiteral("Name"), QStringLiteral("Vue \"1\" <a&b>"));
    root.SetAttribute(QStringLiteral("Empty"), QString());
    auto* axis = root.AddChild(QStringLiteral("Axis"));
    axis->SetAttributeInteger(QStringLiteral("Id"), -42);
    axis->SetAttributeBool(QStringLiteral("Visible"), true);
    axis->SetAttributeIfTrue(QStringLiteral("T1"), false);
    axis->SetAttributeIfFalse(QStringLiteral("F1"), false);
    root.AddChild(QStringLiteral("Text"), QStringLiteral("a\tb\r\nc"));
    root.AddChildInteger(QStringLiteral("N"), 1234567890123LL);
    root.AddChildList(QStringLiteral("Items"), {QStringLiteral("x"), QStringLiteral("y")}, QStringLiteral("Item"));
    EXPECT_EQ(root.ToText(),
              QStringLiteral("<ViewState Name=\"Vue &quot;1&quot; &lt;a&amp;b&gt;\">"
                             "<Axis Id=\"-42\" Visible=\"True\" F1=\"False\"/>"
                             "<Text>a&#9;b\r\nc</Text><N>1234567890123</N>"
                             "<Items><Item>x</Item><Item>y</Item></Items></ViewState>"));
}

TEST(XMLHierarchicalWriter, NumbersAndDates) {
    TXMLHierarchicalWriter e(QStringLiteral("v"));
    e.AddChildFloat(QStringLiteral("a"), 0.1 + 0.2);
    e.AddChildFloat(QStringLiteral("b"), -1234.5);
    e.AddChildFloat(QStringLiteral("c"), 1e15);
    e.SetAttributeFloat(QStringLiteral("f"), 2.5);
    e.AddChildDateTime(QStringLiteral("d"), 45000.75);  // 15/03/2023 18:00
    e.AddChildDateTime(QStringLiteral("m"), 45000.0);
    e.AddChildDate(QStringLiteral("e"), 45000.75);
    EXPECT_EQ(e.ToText(), QStringLiteral("<v f=\"2.5\"><a>0.3</a><b>-1234.5</b><c>1E15</c>"
                                         "<d>15/03/2023 18:00:00</d><m>15/03/2023</m><e>15/03/2023</e></v>"));
}

// The escaping drops control characters but tab, CR and LF: an attribute
// made of nothing else is left out, as an empty one is, so the text read back
// writes the same again. A tab is written as a reference and reads back.
TEST(XMLHierarchicalWriter, AttributesThatEscapeToNothingAreLeftOut) {
    TXMLHierarchicalWriter e(QStringLiteral("f"));
    e.SetAttribute(QStringLiteral("a"), QStringLiteral("\t"));
    e.SetAttribute(QStringLiteral("b"), QStringLiteral("x\ty"));
    e.SetAttribute(QStringLiteral("c"), QString(QChar(1)) + QChar(2));
    EXPECT_EQ(e.ToText(), QStringLiteral("<f a=\"&#9;\" b=\"x&#9;y\"/>"));
    EXPECT_EQ(e.ToText(false), QStringLiteral("<f a=\"\t\" b=\"x\ty\" c=\"") + QChar(1) + QChar(2) + QStringLiteral("\"/>"));
    TXMLDOMDocument read;
    read.LoadXML(e.ToText());
    EXPECT_EQ(DecodeEntities(AttributeValue(read.DocumentElement(), QStringLiteral("b"))), QStringLiteral("x\ty"));
    TXMLHierarchicalWriter text(QStringLiteral("t"));
    text.SetText(QStringLiteral("\tA\tB\t"));
    read.LoadXML(text.ToText());
    EXPECT_EQ(Text(read.DocumentElement()), QStringLiteral("\tA\tB\t")) << text.ToText().toStdString();
}

// The parser drops the blanks around an element's text; a text that starts
// or ends with them (or does once its control characters are left out, as a chart
// title cut by the fuzzer did) must still read back as it was.
TEST(XMLHierarchicalWriter, ElementTextKeepsItsOuterBlanks) {
    struct Case {
        QString text, written, readBack;
    } cases[] = {
        {QStringLiteral("Ventes "), QStringLiteral("Ventes&#32;"), QStringLiteral("Ventes ")},
        {QStringLiteral("l1\r\nl2\n"), QStringLiteral("l1\r\nl2&#10;"), QStringLiteral("l1\r\nl2\n")},
        {QStringLiteral("  "), QStringLiteral("&#32;&#32;"), QStringLiteral("  ")},
        {QStringLiteral("  lead\tin "), QStringLiteral("&#32;&#32;lead&#9;in&#32;"), QStringLiteral("  lead\tin ")},
        {QStringLiteral("\nmid dle"), QStringLiteral("&#10;mid dle"), QStringLiteral("\nmid dle")},
        {QStringLiteral("Montant \"") + QChar(1), QStringLiteral("Montant &quot;"), QStringLiteral("Montant \"")},
        {QStringLiteral("Montant ") + QChar(1), QStringLiteral("Montant&#32;"), QStringLiteral("Montant ")},
    };
    for (const Case& c : cases) {
        TXMLHierarchicalWriter e(QStringLiteral("Title"));
        e.SetText(c.text);
        e.AddChild(QStringLiteral("Font"))->SetAttribute(QStringLiteral("Name"), QStringLiteral("Arial"));
        EXPECT_EQ(e.ToText(), QStringLiteral("<Title>") + c.written + QStringLiteral("<Font Name=\"Arial\"/></Title>"));
        TXMLDOMDocument doc;
        doc.LoadXML(e.ToText());
        EXPECT_EQ(Text(doc.DocumentElement()), c.readBack) << e.ToText().toStdString();
    }
}

// A text or CDATA that holds only characters the writer leaves out is
// written as none: "<c></c>" would read back as "<c/>", and a view state
// with a column caption of one control character changed at each save.
TEST(XMLHierarchicalWriter, ContentOfDroppedCharactersOnlyIsWrittenAsNone) {
    TXMLHierarchicalWriter root(QStringLiteral("Columns"));
    root.AddChild(QStringLiteral("Column"), QString(QChar(7)))->SetAttribute(QStringLiteral("BgColor"), QStringLiteral("#A000A0"));
    EXPECT_EQ(root.ToText(), QStringLiteral("<Columns><Column BgColor=\"#A000A0\"/></Columns>"));
    TXMLHierarchicalWriter data(QStringLiteral("Data"));
    data.SetCDATA(QString(QChar(1)) + QChar(2));
    EXPECT_EQ(data.ToText(), QStringLiteral("<Data/>"));
}

TEST(XMLHierarchicalWriter, CDataSection) {
    TXMLHierarchicalWriter e(QStringLiteral("f"));
    e.SetText(QStringLiteral("t"));
    e.SetCDATA(QStringLiteral("a]]>b\x01\tc"));
    EXPECT_EQ(e.ToText(), QStringLiteral("<f>t<![CDATA[a]]&gt;b\tc]]></f>"));
}

// What the writer makes of a CDATA text reads back as that text, less the
// control characters it leaves out; a "]]>" (written "]]&gt;") that only
// appears once they are gone must not end the section either.
TEST(XMLHierarchicalWriter, CDataReadsBackAsWritten) {
    struct Case {
        QString cdata, readBack;
    } cases[] = {
        {QStringLiteral("a]]>b"), QStringLiteral("a]]>b")},
        {QStringLiteral("]") + QChar(0) + QStringLiteral("]>"), QStringLiteral("]]>")},
        {QStringLiteral("]") + QChar(1) + QStringLiteral("]") + QChar(2) + QStringLiteral(">x"), QStringLiteral("]]>x")},
        {QStringLiteral("]]") + QChar(0) + QStringLiteral(">"), QStringLiteral("]]>")},
        {QStringLiteral("tab\tand\r\nlines"), QStringLiteral("tab\tand\r\nlines")},
    };
    for (const Case& c : cases) {
        TXMLHierarchicalWriter e(QStringLiteral("f"));
        e.SetCDATA(c.cdata);
        TXMLDOMDocument doc;
        ASSERT_NO_THROW(doc.LoadXML(e.ToText())) << e.ToText().toStdString();
        EXPECT_EQ(Text(doc.DocumentElement()), c.readBack) << e.ToText().toStdString();
    }
    // The fuzzer's case: an element holding a CDATA section with a NUL between two "]".
    TXMLDOMDocument parsed;
    try {
        parsed.LoadFromBytes(QByteArray::fromHex("3CFF3E3C215B43444154415B5D005D3E3C"));
    } catch (const EParserError&) {
    }
    TXMLHierarchicalWriter writer;
    parsed.WriteTo(&writer);
    TXMLDOMDocument again;
    EXPECT_NO_THROW(again.LoadXML(writer.ToText())) << writer.ToText().toStdString();
}

TEST(XMLHierarchicalWriter, NamelessContainerWritesChildrenOnly) {
    TXMLHierarchicalWriter root;
    root.AddChild(QStringLiteral("a"));
    root.AddChild(QStringLiteral("2b"));
    EXPECT_EQ(root.ToText(), QStringLiteral("<a/><_2b/>"));
}

TEST(XMLHierarchicalWriter, ToDocumentNamesRootAndEncodesUtf8) {
    TXMLHierarchicalWriter root;
    root.AddChild(QStringLiteral("table"), QStringLiteral("é"));
    EXPECT_EQ(root.ToDocument(), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                            "<root><table>\xc3\xa9</table></root>"));
    EXPECT_EQ(root.Name(), QStringLiteral("root"));
    EXPECT_EQ(root.ToDocument(QStringLiteral("<!-- p -->")),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- p --><root><table>\xc3\xa9</table></root>"));
}

TEST(XMLHierarchicalWriter, Colors) {
    const struct {
        qint32 color;
        const char* text;
    } cases[] = {
        {0x0000FF, "#0000FF"},       // red is the low byte
        {0xFF0000, "#FF0000"},       // blue the high one
        {0x00abcdef, "#ABCDEF"},
        {0, "#000000"},
        {0x01000000, "#1000000"},    // more than six digits when needed
        {qint32(0x80000005), "#FFFFFF"},  // system colour 5 (window) by default
    };
    for (const auto& c : cases) EXPECT_EQ(ColorToXMLText(c.color), QString::fromLatin1(c.text)) << c.text;

    SetSystemColorResolver([](int index) { return quint32(index == 5 ? 0x123456 : 0); });
    EXPECT_EQ(ColorToXMLText(qint32(0xFF000005)), QStringLiteral("#123456"));
    SetSystemColorResolver(nullptr);

    TXMLHierarchicalWriter e(QStringLiteral("c"));
    e.SetColor(0x00FF00);
    EXPECT_EQ(e.ToText(), QStringLiteral("<c Color=\"#00FF00\"/>"));
}

TEST(XMLHierarchicalWriter, DeepTreeWritesAndFreesWithoutRecursion) {
    constexpr int kDepth = 100000;
    auto root = std::make_unique<TXMLHierarchicalWriter>(QStringLiteral("r"));
    THierarchicalWriter* current = root.get();
    for (int i = 0; i < kDepth; ++i) current = current->AddChild(QStringLiteral("n"));
    const QString text = root->ToText();
    // "<r>", k-1 times "<n>", "<n/>", k-1 times "</n>", "</r>"
    EXPECT_EQ(text.size(), 3 + 3 * (kDepth - 1) + 4 + 4 * (kDepth - 1) + 4);
    EXPECT_TRUE(text.startsWith(QStringLiteral("<r><n><n>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<n><n><n/></n></n>")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("</n></n></r>")));
    root.reset();
}

TEST(InternWriterString, EqualTextsShareOneCopy) {
    const QString a = InternWriterString(QStringLiteral("Axis") + QString::number(7));
    const QString b = InternWriterString(QStringLiteral("Axis7"));
    EXPECT_EQ(a.constData(), b.constData());
    const QString longText(1000, QLatin1Char('x'));
    EXPECT_EQ(InternWriterString(longText).constData(), longText.constData());
}

