// XPath values, the root with its context stacks, the parser configuration,
// the path operators, node tests, predicates and axes.

#include "UXPath.h"

#include <QMutex>

#include <cmath>

// ---------------------------------------------------------------------------
// Values

Variant XPathNode(TXMLDOMNode* node) { return Variant::fromCustom(std::make_shared<XPathNodeValue>(node)); }

TXMLDOMNode* XPathNodeOf(const Variant& value) {
    if (!value.isCustom()) return nullptr;
    const auto* custom = dynamic_cast<const XPathNodeValue*>(value.asCustom());
    return custom ? custom->Node : nullptr;
}

bool IsXPathNodeList(const Variant& value) {
    if (!value.isList()) return false;
    for (const Variant& item : value.asList())
        if (!XPathNodeOf(item)) return false;
    return true;
}

bool IsXPathNodeSet(const Variant& value) { return XPathNodeOf(value) || IsXPathNodeList(value); }

Variant XPathNodeListValue(const QList<TXMLDOMNode*>& nodes) {
    VariantList items;
    items.reserve(nodes.size());
    for (TXMLDOMNode* node : nodes) items.append(XPathNode(node));
    return Variant(items);
}

QList<TXMLDOMNode*> XPathNodes(const Variant& value) {
    if (value.isEmpty()) return {};
    if (TXMLDOMNode* node = XPathNodeOf(value)) return {node};
    if (IsXPathNodeList(value)) {
        QList<TXMLDOMNode*> nodes;
        nodes.reserve(value.asList().size());
        for (const Variant& item : value.asList()) nodes.append(XPathNodeOf(item));
        return nodes;
    }
    throw EXPathException(QStringLiteral("Variant (%1) is not a dom node list").arg(VarTypeName(value)));
}

QString XPathText(const Variant& value) {
    if (value.isEmpty()) return QString();
    if (TXMLDOMNode* node = XPathNodeOf(value)) return Text(node);
    if (value.isList() && IsXPathNodeList(value))
        return value.asList().isEmpty() ? QString() : Text(XPathNodeOf(value.asList().first()));
    if (value.isString()) return value.asString();
    return VarToStr(value);
}

bool XPathNumber(const Variant& value, double& number) {
    switch (value.type()) {
    case VarType::Integer: number = double(value.asInteger()); return true;
    case VarType::Double:
    case VarType::DateTime: number = value.asDouble(); return true;
    case VarType::Boolean: number = value.asBoolean() ? 1 : 0; return true;
    case VarType::String: return TryStrToNumber(value.asString(), number);
    default: break;
    }
    if (TXMLDOMNode* node = XPathNodeOf(value)) return TryStrToNumber(Text(node), number);
    if (IsXPathNodeList(value) && !value.asList().isEmpty())
        return TryStrToNumber(Text(XPathNodeOf(value.asList().first())), number);
    return false;
}

bool XPathTruth(const Variant& value) {
    switch (value.type()) {
    case VarType::Integer: return value.asInteger() != 0;
    case VarType::Double: return value.asDouble() != 0;
    case VarType::Boolean: return value.asBoolean();
    case VarType::String: return !value.asString().isEmpty();
    case VarType::List: return !value.asList().isEmpty();
    case VarType::Custom: return XPathNodeOf(value) != nullptr;
    default: return false;
    }
}

namespace {

[[noreturn]] void raiseConcat(int side) {
    throw EXPathException(QStringLiteral("ConcatNodesArray bad variant type v%1").arg(side));
}

void appendNodes(VariantList& items, const Variant& value) {
    if (XPathNodeOf(value))
        items.append(value);
    else
        items.append(value.asList());
}

// Accumulates the union of many values without copying the growing list at
// every step (a path over n nodes stays linear).
class UnionAccumulator {
public:
    void add(const Variant& value) {
        if (FListMode) {
            if (value.isEmpty()) return;
            if (!IsXPathNodeSet(value)) raiseConcat(2);
            appendNodes(FItems, value);
            return;
        }
        if (FResult.isEmpty()) {
            if (value.isEmpty())
                FListMode = true;  // both Empty: an empty node list
            else
                FResult = value;
            return;
        }
        if (!IsXPathNodeSet(FResult)) raiseConcat(1);
        if (value.isEmpty()) return;
        if (!IsXPathNodeSet(value)) raiseConcat(2);
        FListMode = true;
        appendNodes(FItems, FResult);
        appendNodes(FItems, value);
        FResult = Variant();
    }
    Variant result() const { return FListMode ? Variant(FItems) : FResult; }

private:
    Variant FResult;
    VariantList FItems;
    bool FListMode = false;
};

}  // namespace

Variant XPathUnion(const Variant& left, const Variant& right) {
    UnionAccumulator accumulator;
    accumulator.add(left);
    accumulator.add(right);
    return accumulator.result();
}

// ---------------------------------------------------------------------------
// Root

void TXPathFormulaExpr::PushContext(TXMLDOMNode* node, int position, int size) {
    FNodes.push_back(node);
    FPositions.push_back(position);
    FSizes.push_back(size);
}

void TXPathFormulaExpr::PopContext() {
    if (FNodes.empty()) return;
    FNodes.pop_back();
    FPositions.pop_back();
    FSizes.pop_back();
}

TXPathFormulaExpr* TFEXPathFunction::XRoot() const {
    TFormulaExpr* root = Root();
    if (!root || !root->Is<TXPathFormulaExpr>())
        throw EFormulaAssertion(QStringLiteral("%1 is not under an XPath root").arg(ClassName()));
    return static_cast<TXPathFormulaExpr*>(root);
}

namespace {

TXPathFormulaExpr* xroot(const TFEExpression* node) {
    TFormulaExpr* root = node->Root();
    if (!root || !root->Is<TXPathFormulaExpr>())
        throw EFormulaAssertion(QStringLiteral("%1 is not under an XPath root").arg(node->ClassName()));
    return static_cast<TXPathFormulaExpr*>(root);
}

TXMLDOMNode* contextNode(const TFEExpression* node) { return xroot(node)->ContextNode(); }

Variant nodeSet(const QList<TXMLDOMNode*>& nodes) { return nodes.isEmpty() ? Variant() : XPathNodeListValue(nodes); }

QList<TXMLDOMNode*> childrenOf(const TXMLDOMNode* node) {
    QList<TXMLDOMNode*> result;
    if (node && node->ChildNodes())
        for (TXMLDOMNode* child : *node->ChildNodes()) result.append(child);
    return result;
}

// The node and its descendants in document order, without recursion.
void appendDescendants(TXMLDOMNode* node, QList<TXMLDOMNode*>& out, bool includeSelf) {
    std::vector<TXMLDOMNode*> pending;
    if (includeSelf)
        pending.push_back(node);
    else if (node && node->ChildNodes())
        for (int i = node->ChildNodes()->Count() - 1; i >= 0; --i) pending.push_back(node->ChildNodes()->Item(i));
    while (!pending.empty()) {
        TXMLDOMNode* n = pending.back();
        pending.pop_back();
        out.append(n);
        if (const TXMLDOMNodeList* children = n->ChildNodes())
            for (int i = children->Count() - 1; i >= 0; --i) pending.push_back(children->Item(i));
    }
}

// Descendants in reverse document order: last child first, each child after
// its own descendants.
void appendDescendantsReversed(TXMLDOMNode* node, QList<TXMLDOMNode*>& out) {
    QList<TXMLDOMNode*> forward;
    appendDescendants(node, forward, false);
    for (qsizetype i = forward.size() - 1; i >= 0; --i) out.append(forward[i]);
}

TXMLDOMElement* parentElement(const TXMLDOMNode* node) {
    TXMLDOMNode* parent = node ? node->ParentNode() : nullptr;
    return parent && parent->NodeType() == ntElement ? static_cast<TXMLDOMElement*>(parent) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Name and node-type tests

void TFEXPTagName::SetName(const QString& prefix, const QString& localName) {
    Prefix = prefix;
    LocalName = localName;
    QName = prefix.isEmpty() ? localName : prefix + QLatin1Char(':') + localName;
}

bool TFEXPTagName::MatchesNode(const TXMLDOMNode* node) const {
    const int type = node->NodeType();
    return (type == ntElement || type == ntAttribute) && node->NodeName() == QName;
}

Variant TFEXPTagName::Evaluate() {
    QList<TXMLDOMNode*> result;
    for (TXMLDOMNode* child : childrenOf(contextNode(this)))
        if (MatchesNode(child)) result.append(child);
    return nodeSet(result);
}

namespace {

class TFEXPNode : public TFEXPTagName {
    FE_CLASS(TFEXPNode, TFEXPTagName)
public:
    TFEXPNode() { QName = LocalName = QStringLiteral("node"); }
    bool MatchesNode(const TXMLDOMNode*) const override { return true; }
};

class TFEXPText : public TFEXPNode {
    FE_CLASS(TFEXPText, TFEXPNode)
public:
    TFEXPText() { QName = LocalName = QStringLiteral("text"); }
    bool MatchesNode(const TXMLDOMNode* node) const override {
        return node->NodeType() == ntText || node->NodeType() == ntCDATASection;
    }
};

class TFEXPComment : public TFEXPNode {
    FE_CLASS(TFEXPComment, TFEXPNode)
public:
    TFEXPComment() { QName = LocalName = QStringLiteral("comment"); }
    bool MatchesNode(const TXMLDOMNode* node) const override { return node->NodeType() == ntComment; }
};

class TFEXPProcessingInstr : public TFEXPNode {
    FE_CLASS(TFEXPProcessingInstr, TFEXPNode)
public:
    TFEXPProcessingInstr() { QName = LocalName = QStringLiteral("processing-instruction"); }
    bool MatchesNode(const TXMLDOMNode* node) const override { return node->NodeType() == ntProcessingInstruction; }
};

// "*" where an operand is expected.
class TFEXPAll : public TFEImmediateOperator {
    FE_CLASS(TFEXPAll, TFEImmediateOperator)
public:
    Variant Evaluate() override {
        QList<TXMLDOMNode*> result;
        for (TXMLDOMNode* child : childrenOf(contextNode(this)))
            if (child->NodeType() == ntElement) result.append(child);
        return nodeSet(result);
    }
    QString ToText() const override { return QStringLiteral("*"); }
};

class TFEXPSelf : public TFEXPathFunction {
    FE_CLASS(TFEXPSelf, TFEXPathFunction)
public:
    TFEXPSelf() { MinParams = MaxParams = 0; }
    Variant Evaluate() override {
        TXMLDOMNode* node = contextNode(this);
        return node ? XPathNode(node) : Variant();
    }
    QString ToText() const override { return QStringLiteral("."); }
};

class TFEXPParent : public TFEXPathFunction {
    FE_CLASS(TFEXPParent, TFEXPathFunction)
public:
    TFEXPParent() { MinParams = MaxParams = 0; }
    Variant Evaluate() override {
        TXMLDOMElement* parent = parentElement(contextNode(this));
        return parent ? XPathNode(parent) : Variant();
    }
    QString ToText() const override { return QStringLiteral(".."); }
};

class TFEXPFilter;
class TFEXPNameSpaceSeparator;

bool passesTest(TFEExpression* test, TXMLDOMNode* node, const QString& errorPrefix);
QList<TXMLDOMNode*> applyTest(TFEExpression* test, const QList<TXMLDOMNode*>& nodes, const QString& errorPrefix);

// Whether a predicate's value keeps the node at position i.
bool predicateKeeps(const Variant& value, int i) {
    switch (value.type()) {
    case VarType::Integer: return value.asInteger() == i;
    case VarType::Double: return value.asDouble() == i;
    case VarType::Boolean: return value.asBoolean();
    case VarType::String: {
        int k = -1;
        if (!TryStrToInt(value.asString(), k)) k = -1;
        return k == i;
    }
    case VarType::List: return !value.asList().isEmpty();
    case VarType::Custom: return XPathNodeOf(value) != nullptr;
    default: return false;
    }
}

// "[" predicates "]": indexed expression = the node test, parameters = the
// predicates.
class TFEXPFilter : public TFEBracketOperator {
    FE_CLASS(TFEXPFilter, TFEBracketOperator)
public:
    // The filter algorithm over a list of nodes.
    QList<TXMLDOMNode*> FilterList(const QList<TXMLDOMNode*>& nodes) {
        QList<TXMLDOMNode*> current;
        for (TXMLDOMNode* node : nodes)
            if (passesTest(Indexed(), node, QStringLiteral("Operated not Supported :"))) current.append(node);
        TXPathFormulaExpr* root = xroot(this);
        for (int p = 0; p < ParamCount(); ++p) {
            const int n = int(current.size());
            QList<TXMLDOMNode*> kept;
            for (int i = 0; i < n; ++i) {
                XPathContextScope scope(root, current[i], i + 1, n);
                if (predicateKeeps(Param(p)->Evaluate(), i + 1)) kept.append(current[i]);
            }
            current.swap(kept);
        }
        return current;
    }

    // The single-node form: the node test, then every predicate keeping the
    // node at position 1 of 1.
    bool MatchesSingle(TXMLDOMNode* node) {
        if (!passesTest(Indexed(), node, QStringLiteral("Operated not Supported :"))) return false;
        TXPathFormulaExpr* root = xroot(this);
        for (int p = 0; p < ParamCount(); ++p) {
            XPathContextScope scope(root, node, 1, 1);
            if (!predicateKeeps(Param(p)->Evaluate(), 1)) return false;
        }
        return true;
    }

    Variant Evaluate() override;
};

// p ":" n, a prefixed name test.
class TFEXPNameSpaceSeparator : public TFEBinaryOperator {
    FE_CLASS(TFEXPNameSpaceSeparator, TFEBinaryOperator)
public:
    TFEXPNameSpaceSeparator() { Priority = 100; }
    bool Resolved = false;

    // Both name tests take the qualified name p:n, once per tree.
    void Resolve() {
        if (Resolved) return;
        auto* left = FLeft && FLeft->Is<TFEXPTagName>() ? static_cast<TFEXPTagName*>(FLeft.get()) : nullptr;
        if (!left) throw EXPathException(QStringLiteral("unknown child %1").arg(FLeft ? FLeft->ClassName() : QString()));
        TFEXPTagName* right = nullptr;
        if (FRight->Is<TFEXPTagName>()) {
            right = static_cast<TFEXPTagName*>(FRight.get());
        } else if (FRight->Is<TFEXPFilter>()) {
            TFEExpression* indexed = static_cast<TFEXPFilter*>(FRight.get())->Indexed();
            if (!indexed || !indexed->Is<TFEXPTagName>())
                throw EXPathException(QStringLiteral("bad childB type : %1").arg(indexed ? indexed->ClassName() : QString()));
            right = static_cast<TFEXPTagName*>(indexed);
        } else {
            throw EXPathException(QStringLiteral("bad childB type : %1").arg(FRight->ClassName()));
        }
        const QString prefix = left->LocalName;
        const QString local = right->LocalName;
        left->SetName(prefix, local);
        right->SetName(prefix, local);
        Resolved = true;
    }

    bool MatchesNode(TXMLDOMNode* node) {
        Resolve();
        if (FRight->Is<TFEXPFilter>()) return static_cast<TFEXPFilter*>(FRight.get())->MatchesSingle(node);
        return static_cast<TFEXPTagName*>(FRight.get())->MatchesNode(node);
    }

    QList<TXMLDOMNode*> FilterList(const QList<TXMLDOMNode*>& nodes) {
        Resolve();
        if (FRight->Is<TFEXPFilter>()) return static_cast<TFEXPFilter*>(FRight.get())->FilterList(nodes);
        QList<TXMLDOMNode*> result;
        for (TXMLDOMNode* node : nodes)
            if (static_cast<TFEXPTagName*>(FRight.get())->MatchesNode(node)) result.append(node);
        return result;
    }

    Variant Evaluate() override {
        Resolve();
        return FRight->Evaluate();
    }
};

bool passesTest(TFEExpression* test, TXMLDOMNode* node, const QString& errorPrefix) {
    if (test) {
        if (test->Is<TFEXPTagName>()) return static_cast<TFEXPTagName*>(test)->MatchesNode(node);
        if (test->Is<TFEXPAll>()) return node->NodeType() == ntElement || node->NodeType() == ntAttribute;
        if (test->Is<TFEXPNameSpaceSeparator>()) return static_cast<TFEXPNameSpaceSeparator*>(test)->MatchesNode(node);
        if (test->Is<TFEXPFilter>()) return static_cast<TFEXPFilter*>(test)->MatchesSingle(node);
    }
    throw EXPathException(errorPrefix + (test ? test->ClassName() : QString()));
}

QList<TXMLDOMNode*> applyTest(TFEExpression* test, const QList<TXMLDOMNode*>& nodes, const QString& errorPrefix) {
    if (test && test->Is<TFEXPFilter>()) return static_cast<TFEXPFilter*>(test)->FilterList(nodes);
    if (test && test->Is<TFEXPNameSpaceSeparator>())
        return static_cast<TFEXPNameSpaceSeparator*>(test)->FilterList(nodes);
    QList<TXMLDOMNode*> result;
    for (TXMLDOMNode* node : nodes)
        if (passesTest(test, node, errorPrefix)) result.append(node);
    return result;
}

Variant TFEXPFilter::Evaluate() {
    TFEExpression* test = Indexed();
    QList<TXMLDOMNode*> candidates;
    TXMLDOMNode* context = contextNode(this);
    if (test && test->Is<TFEXPTagName>()) {
        for (TXMLDOMNode* child : childrenOf(context))
            if (static_cast<TFEXPTagName*>(test)->MatchesNode(child)) candidates.append(child);
    } else if (test && test->Is<TFEXPAll>()) {
        for (TXMLDOMNode* child : childrenOf(context))
            if (child->NodeType() == ntElement) candidates.append(child);
    } else if (test && test->Is<TFEXPNameSpaceSeparator>()) {
        candidates = XPathNodes(test->Evaluate());
    } else {
        return Variant();
    }
    return nodeSet(FilterList(candidates));
}

// ---------------------------------------------------------------------------
// Prefix path operators

class TFEXPNodeSetUnaryOperator : public TFEUnaryOperator {
    FE_ABSTRACT_CLASS(TFEXPNodeSetUnaryOperator, TFEUnaryOperator)
public:
    TFEXPNodeSetUnaryOperator() { Priority = 99; }
};

class TFEXPAttribute : public TFEXPNodeSetUnaryOperator {
    FE_CLASS(TFEXPAttribute, TFEXPNodeSetUnaryOperator)
public:
    Variant Evaluate() override {
        TXMLDOMNode* context = contextNode(this);
        if (!context) return Variant();
        QList<TXMLDOMNode*> attributes;
        for (TXMLDOMNode* attribute : *context->Attributes()) attributes.append(attribute);
        TFEExpression* t = FOperand.get();
        QList<TXMLDOMNode*> result;
        if (t->Is<TFEXPTagName>() || t->Is<TFEXPNameSpaceSeparator>() || t->Is<TFEXPAll>()) {
            result = applyTest(t, attributes, QString());
        } else if (t->Is<TFEXPFilter>()) {
            TFEExpression* test = static_cast<TFEXPFilter*>(t)->Indexed();
            if (test && (test->Is<TFEXPTagName>() || test->Is<TFEXPNameSpaceSeparator>()))
                attributes = applyTest(test, attributes, QString());
            result = static_cast<TFEXPFilter*>(t)->FilterList(attributes);
        } else {
            throw EXPathException(QStringLiteral("unknown child %1").arg(t->ClassName()));
        }
        return nodeSet(result);
    }
};

class TFEXPDescendantOrSelf : public TFEXPNodeSetUnaryOperator {
    FE_CLASS(TFEXPDescendantOrSelf, TFEXPNodeSetUnaryOperator)
public:
    Variant Evaluate() override {
        QList<TXMLDOMNode*> nodes;
        if (TXMLDOMNode* context = contextNode(this)) appendDescendants(context, nodes, true);
        return nodeSet(applyTest(FOperand.get(), nodes, QStringLiteral("Unsupported Child type :")));
    }
};

class TFEXPRoot : public TFEXPNodeSetUnaryOperator {
    FE_CLASS(TFEXPRoot, TFEXPNodeSetUnaryOperator)
public:
    Variant Evaluate() override {
        TXMLDOMNode* context = contextNode(this);
        TXMLDOMNode* document = !context                               ? nullptr
                                : context->NodeType() == ntDocument ? context
                                                                     : context->OwnerDocument();
        return nodeSet(applyTest(FOperand.get(), childrenOf(document), QStringLiteral("Unsupported Child type :")));
    }
};

class TFEXPGlobalVar : public TFEXPNodeSetUnaryOperator {
    FE_CLASS(TFEXPGlobalVar, TFEXPNodeSetUnaryOperator)
public:
    Variant Evaluate() override {
        const QStringList* variables = xroot(this)->Variables;
        const QString prefix = FOperand->ToText() + QLatin1Char('=');
        if (variables)
            for (const QString& line : *variables)
                if (line.startsWith(prefix)) return Variant(line.mid(prefix.size()));
        return Variant(QString());
    }
};

const QString kNaN = QStringLiteral("NaN");

class TFEXPNegation : public TFEUnaryOperator {
    FE_CLASS(TFEXPNegation, TFEUnaryOperator)
public:
    Variant Evaluate() override {
        double number = 0;
        if (!XPathNumber(FOperand->Evaluate(), number)) return Variant(kNaN);
        return Variant(-number);
    }
};

// ---------------------------------------------------------------------------
// Binary path operators and axes

QList<TXMLDOMNode*> axisStep(TFEExpression* self, const QString& axis, TFEExpression* test, Variant& special);

class TFEXPPathDelimiter : public TFEBinaryOperator {
    FE_CLASS(TFEXPPathDelimiter, TFEBinaryOperator)
public:
    TFEXPPathDelimiter() { Priority = 99; }
    Variant Evaluate() override {
        const QList<TXMLDOMNode*> nodes = XPathNodes(FLeft->Evaluate());
        TXPathFormulaExpr* root = xroot(this);
        UnionAccumulator result;
        const int n = int(nodes.size());
        for (int i = 0; i < n; ++i) {
            XPathContextScope scope(root, nodes[i], i + 1, n);
            result.add(FRight->Evaluate());
        }
        return result.result();
    }
};

class TFEXPAxis : public TFEBinaryOperator {
    FE_CLASS(TFEXPAxis, TFEBinaryOperator)
public:
    TFEXPAxis() { Priority = 99; }
    Variant Evaluate() override {
        if (FLeft->Is<TFEXPPathDelimiter>()) {
            auto* path = static_cast<TFEXPPathDelimiter*>(FLeft.get());
            const QString axis = path->Right()->ToText();
            const Variant contexts = path->Left()->Evaluate();
            if (!IsXPathNodeSet(contexts))
                throw EXPathException(QStringLiteral("parent expression is not a dom node list"));
            const QList<TXMLDOMNode*> nodes = XPathNodes(contexts);
            TXPathFormulaExpr* root = xroot(this);
            UnionAccumulator result;
            const int n = int(nodes.size());
            for (int i = 0; i < n; ++i) {
                XPathContextScope scope(root, nodes[i], i + 1, n);
                result.add(Step(axis));
            }
            return result.result();
        }
        return Step(FLeft->ToText());
    }

protected:
    Variant Step(const QString& axis) {
        Variant special;
        const QList<TXMLDOMNode*> nodes = axisStep(this, axis, FRight.get(), special);
        if (!special.isEmpty()) return special;
        return nodeSet(nodes);
    }
};

class TFEXPathAbbrevDescendantOrSelfBinary : public TFEXPAxis {
    FE_CLASS(TFEXPathAbbrevDescendantOrSelfBinary, TFEXPAxis)
public:
    Variant Evaluate() override {
        const QList<TXMLDOMNode*> nodes = XPathNodes(FLeft->Evaluate());
        TXPathFormulaExpr* root = xroot(this);
        UnionAccumulator result;
        const int n = int(nodes.size());
        for (int i = 0; i < n; ++i) {
            XPathContextScope scope(root, nodes[i], i + 1, n);
            result.add(Step(QStringLiteral("descendant-or-self")));
        }
        return result.result();
    }
};

QList<TXMLDOMNode*> axisStep(TFEExpression* self, const QString& axis, TFEExpression* test, Variant& special) {
    TXMLDOMNode* context = contextNode(self);
    QList<TXMLDOMNode*> candidates;
    bool singleForm = false;
    if (axis == QLatin1String("self")) {
        singleForm = true;
        if (context) candidates.append(context);
    } else if (axis == QLatin1String("child")) {
        candidates = childrenOf(context);
    } else if (axis == QLatin1String("parent")) {
        singleForm = true;
        if (TXMLDOMElement* parent = parentElement(context)) candidates.append(parent);
    } else if (axis == QLatin1String("descendant")) {
        if (context) appendDescendants(context, candidates, false);
    } else if (axis == QLatin1String("descendant-or-self")) {
        if (context) appendDescendants(context, candidates, true);
    } else if (axis == QLatin1String("ancestor") || axis == QLatin1String("ancestor-or-self")) {
        if (context && axis.size() > 8) candidates.append(context);
        for (TXMLDOMElement* p = parentElement(context); p; p = parentElement(p)) candidates.append(p);
    } else if (axis == QLatin1String("following-sibling")) {
        for (TXMLDOMNode* n = NextSibling(context); n; n = NextSibling(n)) candidates.append(n);
    } else if (axis == QLatin1String("preceding-sibling")) {
        for (TXMLDOMNode* n = PreviousSibling(context); n; n = PreviousSibling(n)) candidates.append(n);
    } else if (axis == QLatin1String("following")) {
        for (TXMLDOMNode* n = NextNodeInOrder(context); n; n = NextNodeInOrder(n)) appendDescendants(n, candidates, true);
    } else if (axis == QLatin1String("preceding")) {
        for (TXMLDOMNode* n = PreviousNodeInOrder(context); n; n = PreviousNodeInOrder(n)) {
            appendDescendantsReversed(n, candidates);
            candidates.append(n);
        }
    } else if (axis == QLatin1String("attribute")) {
        if (context && context->NodeType() == ntElement)
            for (TXMLDOMNode* attribute : *context->Attributes()) candidates.append(attribute);
    } else if (axis == QLatin1String("namespace")) {
        const QStringList prefixes = NamespacePrefixes(context);
        if (test && test->Is<TFEXPAll>()) {
            VariantList values;
            for (const QString& line : prefixes) values.append(Variant(line.mid(line.indexOf(QLatin1Char('=')) + 1)));
            special = Variant(values);
        } else {
            const QString prefix = (test ? test->ToText() : QString()) + QLatin1Char('=');
            QString value;
            for (const QString& line : prefixes)
                if (line.startsWith(prefix)) {
                    value = line.mid(prefix.size());
                    break;
                }
            special = Variant(value);
        }
        return {};
    } else {
        throw EXPathException(QStringLiteral("Unknown axis :") + axis);
    }
    const QString errorPrefix = QStringLiteral("Unsupported ChildB type :");
    if (singleForm) {
        QList<TXMLDOMNode*> result;
        for (TXMLDOMNode* node : candidates)
            if (passesTest(test, node, errorPrefix)) result.append(node);
        return result;
    }
    return applyTest(test, candidates, errorPrefix);
}

class TFEXPOpNodeSetConcat : public TFEBinaryOperator {
    FE_CLASS(TFEXPOpNodeSetConcat, TFEBinaryOperator)
public:
    TFEXPOpNodeSetConcat() { Priority = 98; }
    Variant Evaluate() override { return XPathUnion(FLeft->Evaluate(), FRight->Evaluate()); }
};

// ---------------------------------------------------------------------------
// Arithmetic

bool operandNumber(TFEExpression* node, double& number) {
    return TryStrToNumber(XPathText(node->Evaluate()), number);
}

class TFEXPMathOperator : public TFEBinaryOperator {
    FE_ABSTRACT_CLASS(TFEXPMathOperator, TFEBinaryOperator)
public:
    Variant Evaluate() override {
        double l = 0, r = 0;
        const bool hasLeft = operandNumber(FLeft.get(), l);
        const bool hasRight = operandNumber(FRight.get(), r);
        if (!hasLeft || !hasRight) return Variant(kNaN);
        return Compute(l, r);
    }
    virtual Variant Compute(double l, double r) = 0;
};

class TFEXPMathOpAddition : public TFEXPMathOperator {
    FE_CLASS(TFEXPMathOpAddition, TFEXPMathOperator)
public:
    Variant Compute(double l, double r) override { return Variant(l + r); }
};
class TFEXPMathOpSubtraction : public TFEXPMathOperator {
    FE_CLASS(TFEXPMathOpSubtraction, TFEXPMathOperator)
public:
    Variant Compute(double l, double r) override { return Variant(l - r); }
};
class TFEXPMathOpMultiplication : public TFEXPMathOperator {
    FE_CLASS(TFEXPMathOpMultiplication, TFEXPMathOperator)
public:
    TFEXPMathOpMultiplication() { Priority = 1; }
    Variant Compute(double l, double r) override { return Variant(l * r); }
};
class TFEXPMathOpDivision : public TFEXPMathOperator {
    FE_CLASS(TFEXPMathOpDivision, TFEXPMathOperator)
public:
    TFEXPMathOpDivision() { Priority = 1; }
    Variant Compute(double l, double r) override {
        if (r == 0) throw EZeroDivide(QStringLiteral("Floating point division by zero"));
        return Variant(l / r);
    }
};
class TFEXPMathOpModulo : public TFEXPMathOperator {
    FE_CLASS(TFEXPMathOpModulo, TFEXPMathOperator)
public:
    TFEXPMathOpModulo() { Priority = 2; }
    Variant Compute(double l, double r) override {
        // Both rounded to the nearest integer, ties to even; the remainder
        // has the sign of the dividend.
        const double a = std::nearbyint(l), b = std::nearbyint(r);
        if (!(std::fabs(a) < 9.2e18) || !(std::fabs(b) < 9.2e18)) return Variant(kNaN);
        const qint64 x = qint64(a), y = qint64(b);
        if (y == 0) throw EZeroDivide(QStringLiteral("Division by zero"));
        return Variant(int(y == -1 ? 0 : x % y));
    }
};

// ---------------------------------------------------------------------------
// Comparisons

bool comparisonNumber(const Variant& value, double& number) {
    if (IsXPathNodeSet(value)) return false;
    return XPathNumber(value, number);
}

class TFEXPCompOperator : public TFEComparisonOperator {
    FE_ABSTRACT_CLASS(TFEXPCompOperator, TFEComparisonOperator)
public:
    virtual bool CompareValues(const Variant& left, const Variant& right, bool numeric) = 0;

    bool Compare() override {
        const Variant l = FLeft->Evaluate();
        const Variant r = FRight->Evaluate();
        const bool leftSet = IsXPathNodeSet(l), rightSet = IsXPathNodeSet(r);
        if (leftSet && rightSet) {
            const QList<TXMLDOMNode*> right = XPathNodes(r);
            for (TXMLDOMNode* a : XPathNodes(l)) {
                const Variant ta(Text(a));
                for (TXMLDOMNode* b : right)
                    if (CompareValues(ta, Variant(Text(b)), false)) return true;
            }
            return false;
        }
        if (leftSet) {
            for (TXMLDOMNode* a : XPathNodes(l))
                if (CompareValues(Variant(Text(a)), r, true)) return true;
            return false;
        }
        if (rightSet) {
            for (TXMLDOMNode* b : XPathNodes(r))
                if (CompareValues(l, Variant(Text(b)), true)) return true;
            return false;
        }
        return CompareValues(l, r, true);
    }

protected:
    // -1, 0, 1 for an ordered pair, 2 when the numeric mode has no numbers.
    static int Order(const Variant& left, const Variant& right, bool numeric) {
        if (numeric) {
            double a = 0, b = 0;
            if (!comparisonNumber(left, a) || !comparisonNumber(right, b)) return 2;
            if (std::isnan(a) || std::isnan(b)) return 2;
            return a < b ? -1 : (a > b ? 1 : 0);
        }
        const int c = XPathText(left).compare(XPathText(right));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    static bool TextsEqual(const Variant& left, const Variant& right) {
        return VarToStr(left) == VarToStr(right);
    }
};

class TFEXPCompOpEqual : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpEqual, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool) override { return TextsEqual(l, r); }
};
class TFEXPCompOpNotEqual : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpNotEqual, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool) override { return !TextsEqual(l, r); }
};
class TFEXPCompOpInferior : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpInferior, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool numeric) override { return Order(l, r, numeric) == -1; }
};
class TFEXPCompOpInferiorOrEqual : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpInferiorOrEqual, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool numeric) override {
        const int o = Order(l, r, numeric);
        return o == -1 || o == 0;
    }
};
class TFEXPCompOpSuperior : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpSuperior, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool numeric) override { return Order(l, r, numeric) == 1; }
};
class TFEXPCompOpSuperiorOrEqual : public TFEXPCompOperator {
    FE_CLASS(TFEXPCompOpSuperiorOrEqual, TFEXPCompOperator)
public:
    bool CompareValues(const Variant& l, const Variant& r, bool numeric) override {
        const int o = Order(l, r, numeric);
        return o == 1 || o == 0;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Parser

void RegisterXPathFunctions(TXPathFormulaParser& parser);  // the function library

TXPathFormulaParser::TXPathFormulaParser() {
    Options = poFunctionsNeedBrackets | poNoLineComments;
    BracketOperatorClass = &TFEXPFilter::StaticClass();
    SetIdentifierChars(CharSet(".ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"),
                       CharSet("-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"));
    SetOperatorChars(CharSet("!$*+-/:<=>@|"), CharSet("!*+-/:<=>@|"));

    RegisterUnaryOperator(QStringLiteral("@"), TFEXPAttribute::StaticClass());
    RegisterUnaryOperator(QStringLiteral("//"), TFEXPDescendantOrSelf::StaticClass());
    RegisterUnaryOperator(QStringLiteral("/"), TFEXPRoot::StaticClass());
    RegisterUnaryOperator(QStringLiteral("$"), TFEXPGlobalVar::StaticClass());
    RegisterUnaryOperator(QStringLiteral("-"), TFEXPNegation::StaticClass());
    RegisterImmediateOperator(QStringLiteral("*"), TFEXPAll::StaticClass());

    RegisterBinaryOperator(QStringLiteral("/"), TFEXPPathDelimiter::StaticClass());
    RegisterBinaryOperator(QStringLiteral("::"), TFEXPAxis::StaticClass());
    RegisterBinaryOperator(QStringLiteral("//"), TFEXPathAbbrevDescendantOrSelfBinary::StaticClass());
    RegisterBinaryOperator(QStringLiteral(":"), TFEXPNameSpaceSeparator::StaticClass());
    RegisterBinaryOperator(QStringLiteral("|"), TFEXPOpNodeSetConcat::StaticClass());
    RegisterBinaryOperator(QStringLiteral("+"), TFEXPMathOpAddition::StaticClass());
    RegisterBinaryOperator(QStringLiteral("-"), TFEXPMathOpSubtraction::StaticClass());
    RegisterBinaryOperator(QStringLiteral("*"), TFEXPMathOpMultiplication::StaticClass());
    RegisterBinaryOperator(QStringLiteral("div"), TFEXPMathOpDivision::StaticClass());
    RegisterBinaryOperator(QStringLiteral("mod"), TFEXPMathOpModulo::StaticClass());
    RegisterBinaryOperator(QStringLiteral("="), TFEXPCompOpEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("!="), TFEXPCompOpNotEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("<"), TFEXPCompOpInferior::StaticClass());
    RegisterBinaryOperator(QStringLiteral("<="), TFEXPCompOpInferiorOrEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral(">"), TFEXPCompOpSuperior::StaticClass());
    RegisterBinaryOperator(QStringLiteral(">="), TFEXPCompOpSuperiorOrEqual::StaticClass());
    RegisterBinaryOperator(QStringLiteral("And"), TFEBoolAnd::StaticClass());
    RegisterBinaryOperator(QStringLiteral("Or"), TFEBoolOr::StaticClass());

    RegisterFunction(QStringLiteral("node"), TFEXPNode::StaticClass());
    RegisterFunction(QStringLiteral("text"), TFEXPText::StaticClass());
    RegisterFunction(QStringLiteral("comment"), TFEXPComment::StaticClass());
    RegisterFunction(QStringLiteral("processing-instruction"), TFEXPProcessingInstr::StaticClass());
    RegisterFunction(QStringLiteral("."), TFEXPSelf::StaticClass());
    RegisterFunction(QStringLiteral(".."), TFEXPParent::StaticClass());
    RegisterXPathFunctions(*this);
}

std::unique_ptr<TFormulaExpr> TXPathFormulaParser::CreateRoot() {
    auto root = std::make_unique<TXPathFormulaExpr>();
    root->Variables = &Variables;
    return root;
}

TFENodePtr TXPathFormulaParser::ResolveIdentifier(const TFEWorkList&, const QString& name, QChar) {
    if (name == QLatin1String(".")) return std::make_unique<TFEXPSelf>();
    if (name == QLatin1String("..")) return std::make_unique<TFEXPParent>();
    if (name.startsWith(QLatin1Char('.'))) throw EXPathException(QStringLiteral("Nom invalide: %1").arg(name));
    auto test = std::make_unique<TFEXPTagName>();
    test->SetName(QString(), name);
    return test;
}

// ---------------------------------------------------------------------------
// Selections

namespace {

QMutex& selectionLock() {
    static QMutex lock;
    return lock;
}

std::unique_ptr<TXPathFormulaParser>& processParser() {
    static std::unique_ptr<TXPathFormulaParser> parser;
    return parser;
}

}  // namespace

Variant EvaluateXPath(TXMLDOMNode* node, const QString& path) {
    if (!node) return Variant();
    if (path.trimmed().isEmpty()) return XPathNode(node);
    QMutexLocker locker(&selectionLock());
    std::unique_ptr<TXPathFormulaParser>& parser = processParser();
    if (!parser) parser = std::make_unique<TXPathFormulaParser>();
    const QString text = path.trimmed() == QLatin1String("/") ? QStringLiteral("/*") : path;
    std::unique_ptr<TFormulaExpr> root = parser->Parse(text);
    auto* xpathRoot = static_cast<TXPathFormulaExpr*>(root.get());
    xpathRoot->PushContext(node, 1, 1);
    return root->Evaluate();
}

std::unique_ptr<TXMLDOMNodeList> SelectNodes(TXMLDOMNode* node, const QString& path) {
    auto result = std::make_unique<TXMLDOMNodeList>(false);
    for (TXMLDOMNode* selected : XPathNodes(EvaluateXPath(node, path))) result->Add(selected);
    return result;
}

QString SelectValue(TXMLDOMNode* node, const QString& path) {
    const Variant value = EvaluateXPath(node, path);
    if (TXMLDOMNode* single = XPathNodeOf(value)) return Text(single);
    if (IsXPathNodeList(value)) return XPathText(value);
    if (value.isList()) return value.asList().isEmpty() ? QString() : XPathText(value.asList().first());
    return VarToStr(value);
}

QStringList SelectStrings(TXMLDOMNode* node, const QString& path) {
    const Variant value = EvaluateXPath(node, path);
    QStringList result;
    if (IsXPathNodeSet(value)) {
        for (TXMLDOMNode* selected : XPathNodes(value)) result.append(Text(selected));
    } else if (value.isList()) {
        for (const Variant& item : value.asList()) result.append(XPathText(item));
    } else {
        result.append(XPathText(value));
    }
    return result;
}
