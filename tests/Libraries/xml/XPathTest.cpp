#include "QtPrinters.h"
#include "UXPath.h"

#include <gtest/gtest.h>

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

// A view state, a table and a small tree with ids for node checks.
const char* kDocument =
    "<root xmlns:p=\"urn:p\">"
    "<ViewState Name=\"V&amp;1\"><CellSize Width=\"80\" Height=\"20\"/><CellSize Width=\"90\"/>"
    "<Options><Legend Visible=\"True\"/></Options></ViewState>"
    "<table class=\"Data\"><tr><td class=\"Data\">1</td><td class=\"Head\">h</td><td class=\"Data\">2.5</td></tr></table>"
    "<list><a id=\"a1\"/><a id=\"a2\" x=\"1\"/><b id=\"b1\"/><a id=\"a3\" x=\"2\"/><a id=\"a4\"/></list>"
    "<x id=\"x1\"><b id=\"xb1\"><b id=\"xb2\"/></b></x><x id=\"x2\"><c><b id=\"xb3\"/></c></x>"
    "<p:item id=\"p1\">pv</p:item><div id=\"d\"/>"
    "</root>";

// The ids (or names) of the selected nodes, joined by commas.
QString ids(const TXMLDOMNodeList& nodes) {
    QStringList out;
    for (TXMLDOMNode* node : nodes) {
        const QString id = AttributeValue(node, QStringLiteral("id"));
        out.append(id.isEmpty() ? node->NodeName() : id);
    }
    return out.join(QLatin1Char(','));
}

class XPathFixture : public ::testing::Test {
protected:
    void SetUp() override { Doc.LoadXML(q(kDocument)); }
    TXMLDOMElement* Root() { return Doc.DocumentElement(); }
    TXMLDOMElement* Path(const char* path) { return ChildByPath(Root(), q(path)); }
    TXMLDOMDocument Doc;
};

}  // namespace

TEST_F(XPathFixture, SelectedNodes) {
    const struct {
        const char* context;  // a ChildByPath from the root, "" for the root, "#" for the document
        const char* path;
        const char* selected;
    } cases[] = {
        {"ViewState", "CellSize/@Width", "Width,Width"},
        {"ViewState", "Options/Legend/@Visible", "Visible"},
        {"#", "/", "root"},
        {"#", "/*", "root"},
        {"list", "", "list"},
        {"list", "a[2]", "a2"},
        {"list", "a[last()]", "a4"},
        {"list", "a['2']", "a2"},
        {"list", "a[@x]", "a2,a3"},
        {"list", "a[@x][1]", "a2"},
        {"list", "a[1.5]", ""},
        {"list", "a[position() > 2]", "a3,a4"},
        {"list", "*", "a1,a2,b1,a3,a4"},
        {"list", "a | b", "a1,a2,a3,a4,b1"},
        {"list", "child::b", "b1"},
        {"list", "a[2]/following-sibling::*", "b1,a3,a4"},
        {"list", "a[3]/preceding-sibling::*[1]", "b1"},
        {"list", "a[3]/preceding-sibling::a", "a2,a1"},
        {"list", "b/ancestor::*[1]", "list"},
        {"list", "b/ancestor::*", "list,root"},
        {"list", "b/parent::*", "list"},
        {"list", "b/self::b", "b1"},
        {"list", "a[@x = '2']", "a3"},
        {"list", "a[@missing = '']", "a1,a2,a3,a4"},
        {"list", "a[@x and @id]", ""},
        {"list", "a[boolean(@x) and boolean(@id)]", "a2,a3"},
        {"list", "a[not(@x)]", "a1,a4"},
        {"", "x//b", "xb1,xb2,xb3"},
        {"x", ".//b", "xb1,xb2"},
        {"x", "b/..", "x1"},
        {"", "x[2]/descendant::*", "c,xb3"},
        {"", "x[1]/following::b", "xb3"},
        {"", "p:item", "p1"},
        {"", "@*", "xmlns:p"},
        {"", "x/b/b", "xb2"},
        {"list", "a/b", ""},  // child steps from nodes without children
    };
    for (const auto& c : cases) {
        TXMLDOMNode* context = c.context[0] == '#' ? static_cast<TXMLDOMNode*>(&Doc)
                               : c.context[0] ? static_cast<TXMLDOMNode*>(Path(c.context))
                                               : Root();
        ASSERT_NE(context, nullptr) << c.context;
        std::unique_ptr<TXMLDOMNodeList> nodes = SelectNodes(context, q(c.path));
        EXPECT_FALSE(nodes->OwnsNodes());
        EXPECT_EQ(ids(*nodes), q(c.selected)) << c.path;
    }
}

TEST_F(XPathFixture, DescendantSearchIncludesContext) {
    TXMLDOMElement* table = Path("table");
    EXPECT_EQ(SelectStrings(&Doc, QStringLiteral("//td[@class='Data']")), QStringList({"1", "2.5"}));
    EXPECT_EQ(SelectNodes(table, QStringLiteral("//*[@class='Data']"))->Count(), 3);  // the table itself first
    EXPECT_EQ(SelectNodes(table, QStringLiteral("//*[@class='Data']"))->Item(0), table);
}

TEST_F(XPathFixture, Values) {
    const struct {
        const char* context;
        const char* path;
        const char* value;
    } cases[] = {
        {"ViewState", "@Name", "V&1"},
        {"ViewState", "CellSize/@Width", "80"},
        {"ViewState", "@Missing", ""},
        {"table", "tr/td", "1"},
        {"list", "count(a)", "4"},
        {"list", "count(@missing)", "0"},
        {"list", "name(a)", "a"},
        {"", "local-name(p:item)", "item"},
        {"", "namespace-uri(p:item)", "urn:p"},
        {"list", "string(a[2]/@x)", "1"},
        {"list", "sum(a/@x)", "3"},
        {"table", "sum(tr/td)", "3.5"},
        {"", "floor(2)", "2"},
        {"", "floor(-2.5)", "-3"},
        {"", "ceiling(2.1)", "3"},
        {"", "round(-2.5)", "-2"},
        {"", "round(2.5)", "2"},
        {"", "round(3.5)", "4"},
        {"", "abs(-1.5)", "1.5"},
        {"", "number('x')", "NaN"},
        {"", "'x' + 1", "NaN"},
        {"", "true() + 1", "NaN"},
        {"", "1 + 2 * 3", "7"},
        {"", "7 div 2", "3.5"},
        {"", "7 mod -2", "1"},
        {"", "-7 mod 2", "-1"},
        {"", "7.5 mod 2", "0"},
        {"", "- 3", "-3"},
        {"", "substring('12345', 2, 3)", "234"},
        {"", "substring('12345', 0, 3)", "123"},
        {"", "substring('12345', 4)", "45"},
        {"", "substring('12345', 2, -1)", ""},
        {"", "substring('12345', 'x')", "#VAL!"},
        {"", "substring-before('a/b/c', '/')", "a"},
        {"", "substring-after('a/b/c', '/')", "c"},
        {"", "substring-after('abc', '')", ""},
        {"", "contains('abc', '')", "False"},
        {"", "contains('abc', 'bc')", "True"},
        {"", "starts-with('abc', '')", "False"},
        {"", "ends-with('abc', 'bc')", "True"},
        {"", "string-to-codepoints('AB')", "65,66"},
        {"", "codepoints-to-string(65, 66)", "AB"},
        {"", "codepoint-equal(65, 97)", "0"},
        {"", "codepoint-equal(66, 97)", "1"},
        {"", "normalize-space(' a  b ')", "a b"},
        {"", "normalize-space('   ')", ""},
        {"", "translate('ab', 'ab', 'ba')", "aa"},
        {"", "translate('abc', 'c', '')", "ab"},
        {"", "string-length('abc')", "3"},
        {"", "concat('a', 1, true())", "a1True"},
        {"", "boolean(false())", "False"},
        {"", "not(false())", "True"},
        {"", "boolean('')", "False"},
        {"", "1 = '1.0'", "False"},
        {"", "2 < 10", "True"},
        {"", "'2' < '10'", "True"},
        {"list", "a/@x > 1", "True"},
        {"list", "a/@x = b/@id", "False"},
        {"list", "@missing != 'x'", "True"},
        {"", "$anything", ""},
        {"list", "a[2]/@x | a[3]/@x", "1"},
        {"", "name(root(.))", "#document"},
        {"", "lang('fr')", "False"},
    };
    for (const auto& c : cases) {
        TXMLDOMNode* context = c.context[0] ? static_cast<TXMLDOMNode*>(Path(c.context)) : Root();
        EXPECT_EQ(SelectValue(context, q(c.path)), q(c.value)) << c.path;
    }
    // "/" from the document gives the text of the root element.
    auto doc = std::make_unique<TXMLDOMDocument>();
    doc->LoadXML(QStringLiteral("<r>t<s>u</s></r>"));
    EXPECT_EQ(SelectValue(doc.get(), QStringLiteral("/")), QStringLiteral("t\r\nu"));
    EXPECT_EQ(SelectValue(nullptr, QStringLiteral("/")), QString());
    EXPECT_EQ(SelectStrings(doc->DocumentElement(), QStringLiteral("nothing")), QStringList({QString()}));
}

TEST_F(XPathFixture, Errors) {
    const struct {
        const char* path;
        const char* message;
    } cases[] = {
        {".5", "Nom invalide: .5"},
        {"foo::bar", "Unknown axis :foo"},
        {"list/count(a)", nullptr},  // a number for one context node is fine
        {"x/count(b)", "ConcatNodesArray bad variant type v1"},
        {"1/a", "Variant (Double) is not a dom node list"},
    };
    for (const auto& c : cases) {
        try {
            SelectValue(Root(), q(c.path));
            if (c.message) ADD_FAILURE() << c.path << ": no failure";
        } catch (const EXPathException& e) {
            if (c.message)
                EXPECT_EQ(e.message(), q(c.message)) << c.path;
            else
                ADD_FAILURE() << c.path << ": " << e.what();
        }
    }
    EXPECT_THROW(SelectNodes(Root(), QStringLiteral("nosuch()")), ESyntaxError);
    EXPECT_THROW(SelectNodes(Root(), QStringLiteral("list/div")), ESyntaxError);  // "div" is an operator
    EXPECT_THROW(SelectValue(&Doc, QStringLiteral("@x")), EXMLDOMError);  // attributes of the document
    EXPECT_THROW(SelectValue(Root(), QStringLiteral("1 div 0")), EZeroDivide);
    // The lock is released after every failure: selections go on working.
    EXPECT_EQ(SelectValue(Path("ViewState"), QStringLiteral("@Name")), QStringLiteral("V&1"));
}
