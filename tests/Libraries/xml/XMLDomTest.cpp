#include "QtPrinters.h"
#include "UXMLParser.h"

#include <gtest/gtest.h>

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

std::unique_ptr<TXMLDOMDocument> load(const char* text) {
    auto doc = std::make_unique<TXMLDOMDocument>();
    doc->LoadXML(q(text));
    return doc;
}

}  // namespace

TEST(XMLReading, AttributesAndPaths) {
    auto doc = load("<CubeChart Name=\"c&amp;1\" Width=\"120\" Bad=\"12x\" Neg=\"-7\">"
                    "<Axis><Other/><LeftAxis Id=\"1\"/><LeftAxis Id=\"2\"/></Axis><Axis><LeftAxis Id=\"3\"/></Axis>"
                    "</CubeChart>");
    TXMLDOMElement* root = doc->DocumentElement();
    EXPECT_EQ(AttributeValue(root, QStringLiteral("Name")), QStringLiteral("c&amp;1"));  // stored as written
    EXPECT_EQ(AttributeValue(root, QStringLiteral("name")), QString());                   // exact match only
    EXPECT_EQ(AttributeAsInteger(root, QStringLiteral("Width")), 120);
    EXPECT_EQ(AttributeAsInteger(root, QStringLiteral("Neg")), -7);
    EXPECT_EQ(AttributeAsInteger(root, QStringLiteral("Bad")), 0);
    EXPECT_EQ(AttributeAsInteger(root, QStringLiteral("Missing")), 0);
    EXPECT_EQ(AttributeAsInteger(nullptr, QStringLiteral("Width")), 0);

    EXPECT_EQ(AttributeValue(ChildByPath(root, QStringLiteral("Axis/LeftAxis")), QStringLiteral("Id")), QStringLiteral("1"));
    EXPECT_EQ(ChildByPath(doc.get(), QStringLiteral("CubeChart/Axis/LeftAxis")), ChildByPath(root, QStringLiteral("Axis/LeftAxis")));
    EXPECT_EQ(ChildByPath(root, QStringLiteral("Axis/Missing")), nullptr);
    EXPECT_EQ(ChildByPath(root, QStringLiteral("Nope/LeftAxis")), nullptr);
    EXPECT_EQ(ChildByPath(root, QStringLiteral("Axis/")), nullptr);
    EXPECT_EQ(ChildByPath(nullptr, QStringLiteral("Axis")), nullptr);
    EXPECT_EQ(Xml(nullptr), QString());
    EXPECT_EQ(Text(nullptr), QString());
}

TEST(XMLReading, Navigation) {
    auto doc = load("<r>t0<a/><!--c--><b><b1/><b2/></b>t1<c/></r>");
    TXMLDOMElement* r = doc->DocumentElement();
    TXMLDOMElement* a = FirstChildElement(r);
    TXMLDOMElement* c = LastChildElement(r);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->NodeName(), QStringLiteral("a"));
    EXPECT_EQ(c->NodeName(), QStringLiteral("c"));
    TXMLDOMElement* b = NextSiblingElement(a);
    EXPECT_EQ(b->NodeName(), QStringLiteral("b"));
    EXPECT_EQ(PreviousSiblingElement(b), a);
    EXPECT_EQ(NextSiblingElement(c), nullptr);
    EXPECT_EQ(PreviousSiblingElement(a), nullptr);
    EXPECT_EQ(NextSibling(a)->NodeType(), ntComment);
    EXPECT_EQ(PreviousSibling(a)->NodeType(), ntText);
    TXMLDOMElement* b2 = LastChildElement(b);
    EXPECT_EQ(NextSibling(b2), nullptr);
    EXPECT_EQ(NextNodeInOrder(b2)->NodeType(), ntText);  // b's next sibling
    EXPECT_EQ(PreviousNodeInOrder(FirstChildElement(b))->NodeType(), ntComment);
    EXPECT_EQ(NextNodeInOrder(c), nullptr);
    EXPECT_EQ(FirstChildElement(b2), nullptr);
    EXPECT_EQ(NextSibling(r->Attributes()->Item(0)), nullptr);
    EXPECT_EQ(FirstChildElement(nullptr), nullptr);
}

TEST(XMLReading, FirstTextValue) {
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"<a><b/>x &LT; &#65;&#x42; &nope; &#xZZ;</a>", "x < AB &nope; &#xZZ;"},
        {"<a><![CDATA[&lt;kept]]>t</a>", "&lt;kept"},
        {"<a><b>inner</b></a>", ""},
        {"<a/>", ""},
    };
    for (const auto& c : cases) {
        auto doc = load(c.text);
        EXPECT_EQ(FirstTextValue(doc->DocumentElement()), q(c.value)) << c.text;
    }
}

TEST(XMLReading, Namespaces) {
    auto doc = load("<r xmlns=\"urn:d\" xmlns:p=\"urn:p1\"><p:a xmlns:p=\"urn:p2\" xmlns:q=\"urn:q\"><p:b/><x/></p:a></r>");
    TXMLDOMElement* a = FirstChildElement(doc->DocumentElement());
    TXMLDOMElement* b = FirstChildElement(a);
    TXMLDOMElement* x = LastChildElement(a);
    EXPECT_EQ(NamespaceURI(b), QStringLiteral("urn:p2"));  // the nearest declaration wins
    EXPECT_EQ(NamespaceURI(doc->DocumentElement()), QStringLiteral("urn:d"));
    EXPECT_EQ(NamespaceURI(x), QStringLiteral("urn:d"));
    EXPECT_EQ(DefaultNamespace(b), QStringLiteral("urn:d"));
    EXPECT_EQ(NamespacePrefixes(b), QStringList({QStringLiteral("p=urn:p2"), QStringLiteral("q=urn:q")}));
    EXPECT_EQ(NamespaceURI(nullptr), QString());
    auto plain = load("<n:a/>");
    EXPECT_EQ(NamespaceURI(plain->DocumentElement()), QString());
}

TEST(XMLModification, InsertRemoveReplace) {
    auto doc = load("<r><a/><b/></r>");
    TXMLDOMElement* r = doc->DocumentElement();
    TXMLDOMNode* a = FirstChildElement(r);
    TXMLDOMNode* b = LastChildElement(r);

    r->InsertBefore(doc->CreateElement(QStringLiteral("x")), b);
    r->InsertAfter(doc->CreateElement(QStringLiteral("y")), b);
    r->InsertBefore(doc->CreateElement(QStringLiteral("z")), nullptr);
    r->InsertAfter(doc->CreateTextNode(QStringLiteral("t")), a);
    EXPECT_EQ(Xml(r), QStringLiteral("<r><a/>t<x/><b/><y/><z/></r>"));

    std::unique_ptr<TXMLDOMNode> removed = r->RemoveChild(b);
    ASSERT_EQ(removed.get(), b);
    EXPECT_EQ(removed->ParentNode(), nullptr);
    EXPECT_EQ(r->RemoveChild(b), nullptr);  // no longer a child
    EXPECT_EQ(Xml(r), QStringLiteral("<r><a/>t<x/><y/><z/></r>"));
    EXPECT_EQ(NextSiblingElement(a)->NodeName(), QStringLiteral("x"));

    std::unique_ptr<TXMLDOMNode> old = r->ReplaceChild(std::move(removed), a);
    EXPECT_EQ(old.get(), a);
    EXPECT_EQ(Xml(r), QStringLiteral("<r><b/>t<x/><y/><z/></r>"));
    // Replacing a node that is not a child appends and returns nothing.
    EXPECT_EQ(r->ReplaceChild(std::move(old), a), nullptr);
    EXPECT_EQ(Xml(r), QStringLiteral("<r><b/>t<x/><y/><z/><a/></r>"));
    // Without a new node, replacing removes.
    std::unique_ptr<TXMLDOMNode> gone = r->ReplaceChild(nullptr, FirstChildElement(r));
    EXPECT_EQ(gone->NodeName(), QStringLiteral("b"));
    EXPECT_EQ(Xml(r), QStringLiteral("<r>t<x/><y/><z/><a/></r>"));
}

TEST(XMLModification, CDATASections) {
    auto doc = load("<r/>");
    TXMLDOMElement* r = doc->DocumentElement();
    std::unique_ptr<TXMLDOMCDATASection> section = doc->CreateCDATASection(QStringLiteral("x < y \"z\""));
    EXPECT_EQ(section->NodeType(), ntCDATASection);
    EXPECT_EQ(section->OwnerDocument(), doc.get());
    EXPECT_EQ(section->ParentNode(), nullptr);
    r->AppendChild(std::move(section));
    // Markup as written, text without markup; reading the markup back gives the same section.
    EXPECT_EQ(Xml(r), QStringLiteral("<r><![CDATA[x < y \"z\"]]></r>"));
    EXPECT_EQ(Text(r), QStringLiteral("x < y \"z\""));
    auto again = load(Xml(r).toUtf8().constData());
    const TXMLDOMNode* read = again->DocumentElement()->ChildNodes() ? again->DocumentElement()->ChildNodes()->Item(0) : nullptr;
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->NodeType(), ntCDATASection);
    EXPECT_EQ(Text(again->DocumentElement()), Text(r));
    // An empty section is still a node, and a section holds no children.
    TXMLDOMNode* empty = r->AppendChild(doc->CreateCDATASection(QString()));
    EXPECT_EQ(Xml(r), QStringLiteral("<r><![CDATA[x < y \"z\"]]><![CDATA[]]></r>"));
    EXPECT_THROW(empty->AppendChild(doc->CreateElement(QStringLiteral("c"))), EXMLDOMError);
}

TEST(XMLModification, RefusedInsertionsLeaveNodeWithCaller) {
    auto doc = load("<r><a><b/></a></r>");
    TXMLDOMElement* r = doc->DocumentElement();
    std::unique_ptr<TXMLDOMNode> a = r->RemoveChild(FirstChildElement(r));
    TXMLDOMElement* b = FirstChildElement(a.get());
    EXPECT_THROW(b->AppendChild(std::move(a)), EXMLDOMError);  // into its own subtree
    ASSERT_NE(a, nullptr);
    std::unique_ptr<TXMLDOMNode> attribute = doc->CreateAttribute(QStringLiteral("x"));
    EXPECT_THROW(r->AppendChild(std::move(attribute)), EXMLDOMError);
    ASSERT_NE(attribute, nullptr);
    std::unique_ptr<TXMLDOMNode> text = doc->CreateTextNode(QStringLiteral("t"));
    TXMLDOMNode* textNode = text.get();
    r->AppendChild(std::move(text));
    EXPECT_THROW(textNode->AppendChild(doc->CreateElement(QStringLiteral("c"))), EXMLDOMError);
    EXPECT_EQ(Xml(r), QStringLiteral("<r>t</r>"));
}

TEST(XMLModification, DocumentRootAndDoctype) {
    TXMLDOMDocument doc;
    TXMLDOMNode* first = doc.AppendChild(doc.CreateElement(QStringLiteral("a")));
    EXPECT_EQ(doc.DocumentElement(), first);
    doc.AppendChild(doc.CreateElement(QStringLiteral("b")));  // recorded, not raised
    EXPECT_EQ(doc.Errors(), QStringList({QStringLiteral("Only one root element allowed per document")}));
    EXPECT_EQ(doc.DocumentElement(), first);
    std::unique_ptr<TXMLDOMNode> old = doc.ReplaceChild(doc.CreateElement(QStringLiteral("c")), first);
    EXPECT_EQ(doc.DocumentElement()->NodeName(), QStringLiteral("c"));
    EXPECT_EQ(doc.Errors().size(), 1);
    doc.RemoveChild(doc.DocumentElement());
    EXPECT_EQ(doc.DocumentElement(), nullptr);
    EXPECT_EQ(Xml(&doc), QStringLiteral("<b/>"));
}

TEST(XMLModification, SetNamedItem) {
    auto doc = load("<r a=\"1\" b=\"2\"/>");
    TXMLDOMNamedNodeMap* map = doc->DocumentElement()->Attributes();
    auto replacement = doc->CreateAttribute(QStringLiteral("a"));
    replacement->SetValue(QStringLiteral("3"));
    std::unique_ptr<TXMLDOMNode> replaced = map->SetNamedItem(std::move(replacement));
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced->GetValue(), QStringLiteral("1"));
    EXPECT_EQ(Xml(doc.get()), QStringLiteral("<r b=\"2\" a=\"3\"/>"));
    EXPECT_EQ(map->Item(1)->ParentNode(), doc->DocumentElement());
    try {
        map->SetNamedItem(doc->CreateElement(QStringLiteral("e")));
        FAIL();
    } catch (const EXMLDOMError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("SetNamedItem arg must be an attribute node"));
    }
}

TEST(XMLModification, NodesMovedBetweenDocuments) {
    auto source = load("<r><a x=\"1\"><b/></a></r>");
    auto target = load("<t/>");
    std::unique_ptr<TXMLDOMNode> a = source->DocumentElement()->RemoveChild(FirstChildElement(source->DocumentElement()));
    TXMLDOMNode* moved = target->DocumentElement()->AppendChild(std::move(a));
    source.reset();  // the moved nodes must no longer refer to it
    EXPECT_EQ(moved->OwnerDocument(), target.get());
    EXPECT_EQ(FirstChildElement(moved)->OwnerDocument(), target.get());
    EXPECT_EQ(static_cast<TXMLDOMElement*>(moved)->Attribute(0)->OwnerDocument(), target.get());
    EXPECT_EQ(Xml(target.get()), QStringLiteral("<t><a x=\"1\"><b/></a></t>"));
}

TEST(XMLClone, ShallowAndDeep) {
    auto doc = load("<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e \"v\">]><r a=\"1\" a=\"2\">t<![CDATA[c]]><!--m--><?p d?><s/></r>");
    TXMLDOMElement* r = doc->DocumentElement();
    auto shallow = r->CloneNode(false);
    EXPECT_EQ(Xml(shallow.get()), QStringLiteral("<r a=\"1\" a=\"2\"/>"));
    EXPECT_EQ(shallow->OwnerDocument(), doc.get());
    EXPECT_EQ(shallow->ParentNode(), nullptr);
    auto deep = r->CloneNode(true);
    EXPECT_EQ(Xml(deep.get()), Xml(r));
    auto docCopy = doc->CloneNode(true);
    EXPECT_EQ(Xml(docCopy.get()), Xml(doc.get()));
    auto* copy = static_cast<TXMLDOMDocument*>(docCopy.get());
    ASSERT_NE(copy->DocumentElement(), nullptr);
    EXPECT_NE(copy->DocumentElement(), r);
    EXPECT_EQ(copy->DocumentElement()->OwnerDocument(), copy);
    ASSERT_NE(copy->DocType(), nullptr);
    EXPECT_EQ(copy->DocType()->FindEntity(QStringLiteral("e"))->Value(), QStringLiteral("v"));
    doc.reset();
    EXPECT_EQ(Text(copy->DocumentElement()), QStringLiteral("t\r\nc"));
    auto shallowDoc = copy->CloneNode(false);
    EXPECT_EQ(Xml(shallowDoc.get()), QString());
}

TEST(XMLDOMHierarchicalWriter, BuildsTree) {
    TXMLDOMDocument doc;
    TXMLDOMHierarchicalWriter writer(&doc);
    ASSERT_NE(doc.DocumentElement(), nullptr);
    EXPECT_EQ(doc.DocumentElement()->NodeName(), QStringLiteral("root"));
    THierarchicalWriter* axis = writer.AddChild(QStringLiteral("1 axis"), QStringLiteral("a < b"));
    axis->SetAttribute(QStringLiteral("Name"), QStringLiteral("x\"y"));
    axis->SetAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    axis->SetAttribute(QStringLiteral("Name"), QStringLiteral("z"));
    axis->SetAttribute(QStringLiteral("Gone"), QStringLiteral("1"));
    axis->SetAttribute(QStringLiteral("Gone"), QString());
    writer.AddChild(QStringLiteral("Formula"), QStringLiteral("l1\r\n\tl2 ]]> end"));
    writer.InsertChild(0, QStringLiteral("First"), QString());
    writer.InsertChild(3, QStringLiteral("Last"), QString());
    EXPECT_EQ(Xml(&doc), QStringLiteral("<root><First/><_1_axis Name=\"z\" xml:space=\"preserve\">a &lt; b</_1_axis>"
                                        "<Formula><![CDATA[l1\r\n\tl2 ]]&gt; end]]></Formula><Last/></root>"));
    // Read back, the texts are the ones written.
    EXPECT_EQ(Text(ChildByPath(doc.DocumentElement(), QStringLiteral("_1_axis"))), QStringLiteral("a < b"));
    EXPECT_EQ(Text(ChildByPath(doc.DocumentElement(), QStringLiteral("Formula"))), QStringLiteral("l1\r\n\tl2 ]]> end"));
    axis->SetText(QStringLiteral("new"));
    EXPECT_EQ(FirstTextValue(ChildByPath(doc.DocumentElement(), QStringLiteral("_1_axis"))), QStringLiteral("new"));
}

TEST(XMLDOMHierarchicalWriter, OnExistingRoot) {
    auto doc = load("<ViewState/>");
    TXMLDOMHierarchicalWriter writer(doc.get());
    writer.AddChildInteger(QStringLiteral("N"), 5);
    EXPECT_EQ(Xml(doc.get()), QStringLiteral("<ViewState><N>5</N></ViewState>"));
}

TEST(XMLRoundTrip, WriterTextParserMarkup) {
    TXMLHierarchicalWriter root(QStringLiteral("PCFormulas"));
    root.SetAttribute(QStringLiteral("Version"), QStringLiteral("2"));
    for (int i = 0; i < 3; ++i) {
        THierarchicalWriter* f = root.AddChild(QStringLiteral("PCFormula"));
        f->SetAttribute(QStringLiteral("Name"), QStringLiteral("F<%1> & \"co\" 'x'").arg(i));
        f->AddChild(QStringLiteral("Expression"), QStringLiteral("IF(a<b;\"x\";'y') & &#233; é\r\nline2"));
        f->AddChild(QStringLiteral("Empty"));
    }
    auto* cdata = static_cast<TXMLHierarchicalWriter*>(root.AddChild(QStringLiteral("Raw")));
    cdata->SetCDATA(QStringLiteral("<x>]]></x>"));
    const QString text = root.ToText();

    TXMLDOMDocument doc;
    doc.LoadXML(text);
    EXPECT_EQ(Xml(&doc), text);
    TXMLDOMElement* first = FirstChildElement(doc.DocumentElement());
    EXPECT_EQ(Text(first->Attributes()->GetNamedItem(QStringLiteral("Name"))), QStringLiteral("F<0> & \"co\" 'x'"));
    EXPECT_EQ(FirstTextValue(ChildByPath(first, QStringLiteral("Expression"))),
              QStringLiteral("IF(a<b;\"x\";'y') & &#233; é\r\nline2"));
    EXPECT_EQ(Text(ChildByPath(doc.DocumentElement(), QStringLiteral("Raw"))), QStringLiteral("<x>]]></x>"));

    // And back into a writer: the same compact text; a text that looks like a
    // reference was escaped, so it did not turn into its character.
    TXMLHierarchicalWriter copy;
    doc.WriteTo(&copy);
    EXPECT_EQ(copy.ToText(), text);
}
