#pragma once
// XPath selections on the XML document model. The engine is the formula
// parser reconfigured: XPath character sets and options, its own operators and
// functions, and node classes whose Evaluate works on DOM nodes in the
// context kept on the root's stacks.
//
// Values: a node set is Empty, a single node (a custom variant holding a
// TXMLDOMNode*) or a list whose elements are single nodes, in the order they
// were produced (duplicates kept). Node values refer to nodes, they never own
// them; the document must outlive the evaluation.

#include "UFormulaParser.h"
#include "UXMLParser.h"

#include <QStringList>

#include <memory>

LORVANE_DECLARE_EXCEPTION(EXPathException, Exception);

// ---------------------------------------------------------------------------
// Values

class XPathNodeValue : public VariantCustom {
public:
    explicit XPathNodeValue(TXMLDOMNode* node) : Node(node) {}
    QString typeName() const override { return QStringLiteral("DOMNode"); }
    QString text() const override { return Text(Node); }
    TXMLDOMNode* const Node;
};

Variant XPathNode(TXMLDOMNode* node);
// The node of a single-node value, or none.
TXMLDOMNode* XPathNodeOf(const Variant& value);
// A list whose elements are all single nodes (an empty list included).
bool IsXPathNodeList(const Variant& value);
// A single node or a node list (Empty is not).
bool IsXPathNodeSet(const Variant& value);
Variant XPathNodeListValue(const QList<TXMLDOMNode*>& nodes);
// The nodes of Empty, a single node or a node list; any other value raises
// EXPathException "Variant (%s) is not a dom node list".
QList<TXMLDOMNode*> XPathNodes(const Variant& value);
// The conversions of the language.
QString XPathText(const Variant& value);
bool XPathNumber(const Variant& value, double& number);
bool XPathTruth(const Variant& value);
// Node-set union: L's nodes followed by R's.
Variant XPathUnion(const Variant& left, const Variant& right);

// ---------------------------------------------------------------------------
// Root and parser

class TXPathFormulaExpr : public TFormulaExpr {
    FE_CLASS(TXPathFormulaExpr, TFormulaExpr)
public:
    void PushContext(TXMLDOMNode* node, int position, int size);
    void PopContext();
    TXMLDOMNode* ContextNode() const { return FNodes.empty() ? nullptr : FNodes.back(); }
    int ContextPosition() const { return FPositions.empty() ? 0 : FPositions.back(); }
    int ContextSize() const { return FSizes.empty() ? 0 : FSizes.back(); }
    const QStringList* Variables = nullptr;

private:
    std::vector<TXMLDOMNode*> FNodes;
    std::vector<int> FPositions, FSizes;
};

// Pushes a context entry for the life of a scope, popped also on failure.
class XPathContextScope {
public:
    XPathContextScope(TXPathFormulaExpr* root, TXMLDOMNode* node, int position, int size) : FRoot(root) {
        FRoot->PushContext(node, position, size);
    }
    ~XPathContextScope() { FRoot->PopContext(); }
    XPathContextScope(const XPathContextScope&) = delete;
    XPathContextScope& operator=(const XPathContextScope&) = delete;

private:
    TXPathFormulaExpr* FRoot;
};

class TXPathFormulaParser : public TFormulaParser {
public:
    TXPathFormulaParser();
    QString ClassName() const override { return QStringLiteral("TXPathFormulaParser"); }
    // name=value lines; created empty, the system never adds to it.
    QStringList Variables;

protected:
    std::unique_ptr<TFormulaExpr> CreateRoot() override;
    TFENodePtr ResolveIdentifier(const TFEWorkList& workList, const QString& name, QChar next) override;
};

// ---------------------------------------------------------------------------
// Node classes with a role outside their own file

class TFEXPathFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEXPathFunction, TFEFunction)
public:
    TXPathFormulaExpr* XRoot() const;
};

// A name test; also the base of the node-type tests.
class TFEXPTagName : public TFEXPathFunction {
    FE_CLASS(TFEXPTagName, TFEXPathFunction)
public:
    TFEXPTagName() { MinParams = MaxParams = 0; }
    void SetName(const QString& prefix, const QString& localName);
    virtual bool MatchesNode(const TXMLDOMNode* node) const;
    // As a step: the children of the context node that pass the test.
    Variant Evaluate() override;
    QString ToText() const override { return QName; }
    QString Prefix, LocalName, QName;
};

// ---------------------------------------------------------------------------
// Selections: the process-wide parser, one selection at a time.

std::unique_ptr<TXMLDOMNodeList> SelectNodes(TXMLDOMNode* node, const QString& path);
QString SelectValue(TXMLDOMNode* node, const QString& path);
QStringList SelectStrings(TXMLDOMNode* node, const QString& path);
// The value of the path evaluated with the node as context (Empty for a
// missing node); the tree is freed before returning.
Variant EvaluateXPath(TXMLDOMNode* node, const QString& path);
