// Reading helpers over the document model, namespace lookups, and the
// hierarchical writer that builds a tree of this model.

#include "UXMLParser.h"

QString Xml(const TXMLDOMNode* node) {
    QString out;
    if (node) node->WriteMarkup(out);
    return out;
}

QString Text(const TXMLDOMNode* node) {
    QString out;
    if (node) node->WriteText(out);
    return out;
}

namespace {

const TXMLDOMElement* asElement(const TXMLDOMNode* node) {
    return node && node->NodeType() == ntElement ? static_cast<const TXMLDOMElement*>(node) : nullptr;
}

const TXMLDOMAttribute* findAttribute(const TXMLDOMNode* node, const QString& name) {
    const TXMLDOMElement* element = asElement(node);
    if (!element || !element->AttributeMap()) return nullptr;
    return static_cast<const TXMLDOMAttribute*>(element->AttributeMap()->GetNamedItem(name));
}

// The list a node sits in, for sibling navigation; attributes have no siblings.
const TXMLDOMNodeList* siblingList(const TXMLDOMNode* node) {
    if (!node || node->NodeType() == ntAttribute || !node->ParentNode()) return nullptr;
    const TXMLDOMNodeList* list = node->ParentNode()->ChildNodes();
    return list && list->IndexOf(node) >= 0 ? list : nullptr;
}

}  // namespace

QString AttributeValue(const TXMLDOMNode* node, const QString& name) {
    const TXMLDOMAttribute* attribute = findAttribute(node, name);
    return attribute ? attribute->Value() : QString();
}

int AttributeAsInteger(const TXMLDOMNode* node, const QString& name) {
    bool ok = false;
    const int value = AttributeValue(node, name).toInt(&ok, 10);
    return ok ? value : 0;
}

TXMLDOMElement* ChildByPath(const TXMLDOMNode* node, const QString& path) {
    const TXMLDOMNode* current = node;
    QStringView rest(path);
    while (current) {
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        const QStringView step = slash < 0 ? rest : rest.left(slash);
        const TXMLDOMNode* found = nullptr;
        if (const TXMLDOMNodeList* children = current->ChildNodes()) {
            for (const TXMLDOMNode* child : *children)
                if (child->NodeType() == ntElement && child->NodeName() == step) {
                    found = child;
                    break;
                }
        }
        if (slash < 0 || !found) return const_cast<TXMLDOMElement*>(asElement(found));
        current = found;
        rest = rest.mid(slash + 1);
    }
    return nullptr;
}

TXMLDOMElement* FirstChildElement(const TXMLDOMNode* node) {
    if (!node || !node->ChildNodes()) return nullptr;
    for (TXMLDOMNode* child : *node->ChildNodes())
        if (child->NodeType() == ntElement) return static_cast<TXMLDOMElement*>(child);
    return nullptr;
}

TXMLDOMElement* LastChildElement(const TXMLDOMNode* node) {
    if (!node || !node->ChildNodes()) return nullptr;
    const TXMLDOMNodeList* children = node->ChildNodes();
    for (int i = children->Count() - 1; i >= 0; --i)
        if (children->Item(i)->NodeType() == ntElement) return static_cast<TXMLDOMElement*>(children->Item(i));
    return nullptr;
}

TXMLDOMNode* NextSibling(const TXMLDOMNode* node) {
    const TXMLDOMNodeList* list = siblingList(node);
    return list ? list->Item(node->IndexInParent() + 1) : nullptr;
}

TXMLDOMNode* PreviousSibling(const TXMLDOMNode* node) {
    const TXMLDOMNodeList* list = siblingList(node);
    return list ? list->Item(node->IndexInParent() - 1) : nullptr;
}

TXMLDOMElement* NextSiblingElement(const TXMLDOMNode* node) {
    const TXMLDOMNodeList* list = siblingList(node);
    if (!list) return nullptr;
    for (int i = node->IndexInParent() + 1; i < list->Count(); ++i)
        if (list->Item(i)->NodeType() == ntElement) return static_cast<TXMLDOMElement*>(list->Item(i));
    return nullptr;
}

TXMLDOMElement* PreviousSiblingElement(const TXMLDOMNode* node) {
    const TXMLDOMNodeList* list = siblingList(node);
    if (!list) return nullptr;
    for (int i = node->IndexInParent() - 1; i >= 0; --i)
        if (list->Item(i)->NodeType() == ntElement) return static_cast<TXMLDOMElement*>(list->Item(i));
    return nullptr;
}

TXMLDOMNode* NextNodeInOrder(const TXMLDOMNode* node) {
    for (const TXMLDOMNode* n = node; n; n = n->ParentNode())
        if (TXMLDOMNode* next = NextSibling(n)) return next;
    return nullptr;
}

TXMLDOMNode* PreviousNodeInOrder(const TXMLDOMNode* node) {
    for (const TXMLDOMNode* n = node; n; n = n->ParentNode())
        if (TXMLDOMNode* previous = PreviousSibling(n)) return previous;
    return nullptr;
}

QString FirstTextValue(const TXMLDOMNode* element) {
    if (!element || !element->ChildNodes()) return QString();
    for (const TXMLDOMNode* child : *element->ChildNodes()) {
        if (child->NodeType() == ntText) return static_cast<const TXMLDOMText*>(child)->GetData();
        if (child->NodeType() == ntCDATASection) return static_cast<const TXMLDOMCDATASection*>(child)->Data();
    }
    return QString();
}

QString DefaultNamespace(const TXMLDOMNode* node) {
    for (const TXMLDOMNode* n = node; n; n = n->ParentNode())
        if (const TXMLDOMAttribute* attribute = findAttribute(n, QStringLiteral("xmlns"))) return attribute->Value();
    return QString();
}

QString NamespaceURI(const TXMLDOMNode* node) {
    if (!node) return QString();
    const QString prefix = node->Prefix();
    if (prefix.isEmpty()) return DefaultNamespace(node);
    const QString declaration = QStringLiteral("xmlns:") + prefix;
    for (const TXMLDOMNode* n = node; n; n = n->ParentNode())
        if (const TXMLDOMAttribute* attribute = findAttribute(n, declaration)) return attribute->Value();
    return QString();
}

QStringList NamespacePrefixes(const TXMLDOMNode* node) {
    QStringList result;
    QStringList seen;
    for (const TXMLDOMNode* n = node; n; n = n->ParentNode()) {
        const TXMLDOMElement* element = asElement(n);
        if (!element) continue;
        for (int i = 0; i < element->AttributeCount(); ++i) {
            const TXMLDOMAttribute* attribute = element->Attribute(i);
            if (!attribute->NodeName().startsWith(QLatin1String("xmlns:"))) continue;
            const QString prefix = attribute->NodeName().mid(6);
            if (seen.contains(prefix)) continue;
            seen.append(prefix);
            result.append(prefix + QLatin1Char('=') + attribute->Value());
        }
    }
    return result;
}

// ---------------------------------------------------------------------------
// TXMLDOMHierarchicalWriter

TXMLDOMHierarchicalWriter::TXMLDOMHierarchicalWriter(TXMLDOMElement* element) : FElement(element) {}

TXMLDOMHierarchicalWriter::TXMLDOMHierarchicalWriter(TXMLDOMDocument* document)
    : FElement(document->DocumentElement()) {
    if (!FElement)
        FElement = static_cast<TXMLDOMElement*>(document->AppendChild(document->CreateElement(QStringLiteral("root"))));
}

TXMLDOMHierarchicalWriter::~TXMLDOMHierarchicalWriter() {
    // The writers mirror the element tree; free them without recursion.
    std::vector<std::unique_ptr<TXMLDOMHierarchicalWriter>> pending = std::move(FChildWriters);
    while (!pending.empty()) {
        std::unique_ptr<TXMLDOMHierarchicalWriter> writer = std::move(pending.back());
        pending.pop_back();
        for (auto& child : writer->FChildWriters) pending.push_back(std::move(child));
        writer->FChildWriters.clear();
    }
}

std::unique_ptr<TXMLDOMNode> TXMLDOMHierarchicalWriter::MakeTextNode(const QString& text) const {
    TXMLDOMDocument* document = FElement->OwnerDocument();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\t'))) {
        QString data = text;
        data.replace(QLatin1String("]]>"), QLatin1String("]]&gt;"));
        return std::make_unique<TXMLDOMCDATASection>(document, data);
    }
    return std::make_unique<TXMLDOMText>(document, EscapeXMLText(text));
}

THierarchicalWriter* TXMLDOMHierarchicalWriter::InsertChild(int index, const QString& name, const QString& text) {
    auto element = std::make_unique<TXMLDOMElement>(FElement->OwnerDocument(), XMLElementName(name));
    if (!text.isEmpty()) element->AppendChild(MakeTextNode(text));
    const TXMLDOMNodeList* children = FElement->ChildNodes();
    TXMLDOMNode* reference = children && index >= 0 ? children->Item(index) : nullptr;
    auto* inserted = static_cast<TXMLDOMElement*>(FElement->InsertBefore(std::move(element), reference));
    FChildWriters.push_back(std::make_unique<TXMLDOMHierarchicalWriter>(inserted));
    return FChildWriters.back().get();
}

THierarchicalWriter* TXMLDOMHierarchicalWriter::AddChild(const QString& name, const QString& text) {
    return InsertChild(-1, name, text);
}

void TXMLDOMHierarchicalWriter::SetAttribute(const QString& name, const QString& value) {
    // As in every hierarchical writer, setting a present name replaces its
    // value in place and an empty value removes the attribute.
    const QString attributeName = XMLAttributeName(name);
    TXMLDOMNamedNodeMap* attributes = FElement->Attributes();
    if (value.isEmpty()) {
        attributes->RemoveNamedItem(attributeName);
        return;
    }
    FElement->SetAttribute(attributeName, EscapeXMLText(value));
}

void TXMLDOMHierarchicalWriter::SetText(const QString& text) {
    if (const TXMLDOMNodeList* children = FElement->ChildNodes()) {
        for (int i = children->Count() - 1; i >= 0; --i) {
            TXMLDOMNode* child = children->Item(i);
            if (child->NodeType() == ntText || child->NodeType() == ntCDATASection) FElement->RemoveChild(child);
        }
    }
    if (!text.isEmpty()) FElement->AppendChild(MakeTextNode(text));
}
