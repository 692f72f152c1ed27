#include "QtPrinters.h"
#include "UXMLParser.h"

#include <gtest/gtest.h>

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

// Loads the text and returns the recorded faults (empty when it loaded).
QStringList loadFaults(TXMLDOMDocument& doc, const QString& text) {
    try {
        doc.LoadXML(text);
    } catch (const EParserError& e) {
        EXPECT_EQ(e.message(), doc.Errors().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        EXPECT_FALSE(doc.Errors().isEmpty());
        return doc.Errors();
    }
    EXPECT_TRUE(doc.Errors().isEmpty());
    return {};
}

}  // namespace

TEST(XMLParser, RecordedFaults) {
    const struct {
        const char* text;
        QStringList faults;
        const char* markup;  // what the document writes back
    } cases[] = {
        {"<a>", {}, "<a/>"},
        {"<a><b>text", {}, "<a><b>text</b></a>"},
        {"<a><b x=\"1", {}, "<a><b x=\"1\"/></a>"},
        {"<a><b></a>", {q("Element \"b\" not closed")}, "<a><b/></a>"},
        {"<a/><b/>", {q("Only one root element allowed per document")}, "<a/><b/>"},
        {"<a x=1/>", {q("Attribute not enclosed in quotes")}, "<a x=\"1\"/>"},
        {"<a x>", {q("Attribute missing value assignment")}, "<a x=\"\"/>"},
        {"<a x y='2'/>", {q("Attribute missing value assignment")}, "<a x=\"\" y=\"2\"/>"},
        {"junk<a/>", {q("Malformed document")}, ""},
        {"<a/>tail", {q("Malformed document")}, "<a/>"},
        {"</x><a/>", {q("Unexpected element end tag")}, "<a/>"},
        {"<a></b></a>", {q("Element \"a\" not closed"), q("Unexpected element end tag"), q("Unexpected element end tag")}, "<a/>"},
        {"<a><></a>", {q("Element must be named")}, "<a></></a>"},
        {"<a/ >", {q("Unfinished element")}, "<a/>"},
        {"<a><b><", {q("Element \"b\" not closed")}, "<a><b/></a>"},
        {"<?xml version=1.0?><a/>", {q("invalid document declaration")}, "<?xml version=\"\"?>\r\n<a/>"},
        {"<!DOCTYPE a><!DOCTYPE b><a/>", {q("Only one doctype node allowed per document")}, "<!DOCTYPE a><!DOCTYPE b><a/>"},
        {"<!DOCTYPE a [ junk> ]><a/>", {q("Erreur de syntaxe dans la dtd")}, "<!DOCTYPE a><a/>"},
        {"<!DOCTYPE a [<!ENTITY e bad>]><a/>", {q("erreur de syntaxe")}, "<!DOCTYPE a [<!ENTITY e \"\">]><a/>"},
        {"<!DOCTYPE a [<!NOTATION n OTHER>]><a/>", {q("erreur de syntaxe !NOTATION")}, "<!DOCTYPE a [<!NOTATION n >]><a/>"},
        {"<!DOCTYPE a [<!ENTITY % p SYSTEM \"s\" NDATA n>]><a/>",
         {q("erreur de syntaxe !ENTITY NDATA must not be present in PE entity")},
         "<!DOCTYPE a [<!ENTITY % p SYSTEM \"s\" NDATA n>]><a/>"},
    };
    for (const auto& c : cases) {
        TXMLDOMDocument doc;
        EXPECT_EQ(loadFaults(doc, q(c.text)), c.faults) << c.text;
        EXPECT_EQ(Xml(&doc), q(c.markup)) << c.text;
    }
}

TEST(XMLParser, FaultsWithoutDocumentRaiseAtOnce) {
    TXMLDOMElement loose(nullptr, QString());
    const QString text = QStringLiteral("<a x>");
    TXMLTextCursor cursor(text);
    try {
        loose.Parse(cursor);
        FAIL() << "no fault raised";
    } catch (const EParserError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Attribute missing value assignment"));
    }
}

TEST(XMLParser, MarkupWrittenBackUnchanged) {
    const char* texts[] = {
        "<a>1 &lt; 2<b/>3</a>",
        "<r xmlns:p=\"urn:x\"><p:c p:k=\"v\">t</p:c><!--note--><?pi data?><![CDATA[<raw>&amp;]]></r>",
        "<?xml version=\"1.0\" encoding='UTF-8' standalone=\"yes\"?>\r\n<a/>",
        "<!DOCTYPE d SYSTEM \"d.dtd\" [<!ELEMENT d (#PCDATA)><!ATTLIST d a CDATA \"x>y\">"
        "<!ENTITY e \"v&amp;\"><!ENTITY u PUBLIC \"p\" 'sys' NDATA gif><!NOTATION gif PUBLIC \"g\">"
        "<!--c--><?pi x?>]><d>&e;</d>",
        "<a q='say \"hi\"' r=\"it's\"/>",
    };
    for (const char* text : texts) {
        TXMLDOMDocument doc;
        EXPECT_EQ(loadFaults(doc, q(text)), QStringList()) << text;
        EXPECT_EQ(Xml(&doc), q(text));
    }
}

TEST(XMLParser, WhitespaceHandling) {
    const struct {
        const char* text;
        const char* markup;
        int rootChildren;
    } cases[] = {
        {"<a>  x y \r\n </a>", "<a>x y</a>", 1},
        {"<a> <b/> \t <c/> </a>", "<a><b/><c/></a>", 2},
        {"<a xml:space=\"preserve\"> <b/> x </a>", "<a xml:space=\"preserve\"> <b/> x </a>", 3},
        // preservation holds for the element's content and ends with it
        {"<r><a xml:space=\"preserve\"><b> y </b></a> <c/> </r>",
         "<r><a xml:space=\"preserve\"><b> y </b></a><c/></r>", 2},
        {"<r xml:space=\"preserve\"><a xml:space=\"default\"> z </a> </r>",
         "<r xml:space=\"preserve\"><a xml:space=\"default\">z</a> </r>", 2},
    };
    for (const auto& c : cases) {
        TXMLDOMDocument doc;
        ASSERT_EQ(loadFaults(doc, q(c.text)), QStringList()) << c.text;
        EXPECT_EQ(Xml(&doc), q(c.markup)) << c.text;
        EXPECT_EQ(doc.DocumentElement()->ChildNodes()->Count(), c.rootChildren) << c.text;
    }
}

TEST(XMLParser, TextContentResolvesReferences) {
    TXMLDOMDocument doc;
    doc.LoadXML(QStringLiteral("<a>1 &lt; 2<b/>3</a>"));
    EXPECT_EQ(Text(&doc), QStringLiteral("1 < 2\r\n3"));
    EXPECT_EQ(Text(doc.DocumentElement()), QStringLiteral("1 < 2\r\n3"));

    const struct {
        const char* text;
        const char* content;
    } cases[] = {
        {"<a>&lt;&gt;&amp;&apos;&quot;</a>", "<>&'\""},
        {"<a>&#65;&#x42;&#128512;</a>", "AB\xf0\x9f\x98\x80"},
        {"<a>&LT;&unknown;&;</a>", "&;&;&;"},
        {"<a>&#0;&#1114112;</a>", "\xef\xbf\xbd\xef\xbf\xbd"},
        {"<a>Tom & Jerry; fun</a>", "Tom & Jerry; fun"},
        {"<a>no end &amp</a>", "no end &amp"},
        {"<!DOCTYPE a [<!ENTITY who \"World &amp;\">]><a>Hello &who;</a>", "Hello World &amp;"},
        {"<a><!--c--><?p d?><![CDATA[x &lt; y]]></a>", "x < y"},
        {"<a><b>x</b><c><d>y</d></c></a>", "x\r\ny"},
    };
    for (const auto& c : cases) {
        TXMLDOMDocument doc2;
        ASSERT_EQ(loadFaults(doc2, q(c.text)), QStringList()) << c.text;
        EXPECT_EQ(Text(doc2.DocumentElement()), q(c.content)) << c.text;
    }
}

TEST(XMLParser, AttributeQuotingOnOutput) {
    TXMLDOMDocument doc;
    auto element = doc.CreateElement(QStringLiteral("a"));
    element->SetAttribute(QStringLiteral("d"), QStringLiteral("say \"hi\""));
    element->SetAttribute(QStringLiteral("s"), QStringLiteral("it's"));
    element->SetAttribute(QStringLiteral("both"), QStringLiteral("\"it's\""));
    doc.AppendChild(std::move(element));
    const QString markup = Xml(&doc);
    EXPECT_EQ(markup, QStringLiteral("<a d='say \"hi\"' s=\"it's\" both=\"&quot;it's&quot;\"/>"));
    // The value holding both quote characters is read back intact.
    TXMLDOMDocument again;
    again.LoadXML(markup);
    auto* attribute = static_cast<TXMLDOMAttribute*>(again.DocumentElement()->Attributes()->GetNamedItem(QStringLiteral("both")));
    EXPECT_EQ(Text(attribute), QStringLiteral("\"it's\""));
}

TEST(XMLParser, DocumentTypeModel) {
    TXMLDOMDocument doc;
    doc.LoadXML(q("<!DOCTYPE d PUBLIC \"-//x\" 'd.dtd' [<!ENTITY e 'v'><!ENTITY e \"second\">"
                  "<!ENTITY % pe SYSTEM \"pe.ent\"><!NOTATION n SYSTEM \"viewer\"><!ELEMENT d ANY>]><d/>"));
    TXMLDOMDocumentType* type = doc.DocType();
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->NodeName(), QStringLiteral("d"));
    EXPECT_EQ(type->ExternalId(), QStringLiteral("PUBLIC \"-//x\" 'd.dtd'"));
    EXPECT_EQ(type->Declarations().size(), 5u);
    EXPECT_EQ(type->Declarations()[4].Text, QStringLiteral("!ELEMENT d ANY"));
    ASSERT_NE(type->FindEntity(QStringLiteral("e")), nullptr);
    EXPECT_EQ(type->FindEntity(QStringLiteral("e"))->Value(), QStringLiteral("v"));  // the first declaration wins
    EXPECT_TRUE(type->FindEntity(QStringLiteral("pe"))->IsParameterEntity());
    EXPECT_EQ(type->FindEntity(QStringLiteral("pe"))->SystemId(), QStringLiteral("pe.ent"));
    EXPECT_EQ(type->FindNotation(QStringLiteral("n"))->SystemId(), QStringLiteral("viewer"));
    EXPECT_EQ(type->NodeType(), ntDocumentType);
}

TEST(XMLParser, NodeTypesAndNames) {
    TXMLDOMDocument doc;
    doc.LoadXML(q("<?xml version=\"1.0\"?><!--c--><p:r xmlns:p=\"u\" a=\"1\">t<![CDATA[d]]><?x y?><e/></p:r>"));
    const TXMLDOMNodeList* top = doc.ChildNodes();
    ASSERT_EQ(top->Count(), 3);
    EXPECT_EQ(top->Item(0)->ClassName(), QStringLiteral("TXMLDOMDocumentDecl"));
    EXPECT_EQ(top->Item(0)->NodeType(), ntProcessingInstruction);
    EXPECT_EQ(top->Item(1)->NodeType(), ntComment);
    TXMLDOMElement* root = doc.DocumentElement();
    EXPECT_EQ(root, top->Item(2));
    EXPECT_EQ(root->Prefix(), QStringLiteral("p"));
    EXPECT_EQ(root->LocalName(), QStringLiteral("r"));
    EXPECT_EQ(root->Attribute(1)->NodeType(), ntAttribute);
    EXPECT_EQ(root->Attribute(1)->ParentNode(), root);
    const int types[] = {ntText, ntCDATASection, ntProcessingInstruction, ntElement};
    ASSERT_EQ(root->ChildNodes()->Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(root->ChildNodes()->Item(i)->NodeType(), types[i]);
    EXPECT_EQ(doc.NodeType(), ntDocument);
    auto* pi = static_cast<TXMLDOMProcessingInstruction*>(root->ChildNodes()->Item(2));
    EXPECT_EQ(pi->Target(), QStringLiteral("x"));
    EXPECT_EQ(pi->Data(), QStringLiteral("y"));
    auto* text = static_cast<TXMLDOMText*>(root->ChildNodes()->Item(0));
    EXPECT_THROW(text->Attributes(), EXMLDOMError);
}

TEST(XMLParser, UnclosedElementsAreListed) {
    TXMLDOMDocument doc;
    EXPECT_THROW(doc.LoadXML(QStringLiteral("<a><b><c></a>")), EParserError);
    EXPECT_EQ(doc.Errors(), QStringList({QStringLiteral("Element \"c\" not closed"), QStringLiteral("Element \"b\" not closed")}));
    ASSERT_EQ(doc.UnclosedElements().size(), 2);
    EXPECT_EQ(doc.UnclosedElements()[0]->NodeName(), QStringLiteral("c"));
    // A load replaces the previous content and faults.
    doc.LoadXML(QStringLiteral("<z/>"));
    EXPECT_TRUE(doc.UnclosedElements().isEmpty());
    EXPECT_EQ(Xml(&doc), QStringLiteral("<z/>"));
}

TEST(XMLParser, EncodingOfLoadXMLIsUtf16) {
    TXMLDOMDocument doc;
    doc.LoadXML(QStringLiteral("<a/>"));
    EXPECT_EQ(doc.Encoding().Kind, ekUTF16);
    EXPECT_EQ(doc.Encoding().Name, QStringLiteral("utf-16"));
}

TEST(XMLParser, DeepNestingParsesWritesAndFreesWithoutRecursion) {
    constexpr int kDepth = 100000;
    QString text;
    for (int i = 0; i < kDepth; ++i) text += QStringLiteral("<n a=\"1\">");
    text += QStringLiteral("x");
    for (int i = 0; i < kDepth; ++i) text += QStringLiteral("</n>");
    auto doc = std::make_unique<TXMLDOMDocument>();
    doc->LoadXML(text);
    EXPECT_EQ(Xml(doc.get()), text);
    EXPECT_EQ(Text(doc.get()), QStringLiteral("x"));
    auto clone = doc->CloneNode(true);
    EXPECT_EQ(Xml(clone.get()), text);
    int count = 0;
    doc->ForEach([&](TXMLDOMNode*) { ++count; });
    EXPECT_EQ(count, kDepth + 2);
    TXMLHierarchicalWriter writer;
    doc->WriteTo(&writer);
    EXPECT_EQ(writer.ToText(), text);
    clone.reset();
    doc.reset();

    // Unclosed all the way down: closed by the end of the text.
    TXMLDOMDocument open;
    open.LoadXML(QString(QStringLiteral("<n>")).repeated(kDepth));
    EXPECT_EQ(open.Errors().size(), 0);
}
