// Node lists, node construction and destruction, tree changes and copies.

#include "UXMLParser.h"

// Node classes are described for run-time class tests (ClassName,
// InheritsFrom); they are not stored through the filer, so none is registered
// for construction by name.
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMNode, TNonRefCountedObject)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMAttribute, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMCharacterData, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMText, TXMLDOMCharacterData)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMCDATASection, TXMLDOMCharacterData)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMComment, TXMLDOMCharacterData)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMElement, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMProcessingInstruction, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMDocumentDecl, TXMLDOMProcessingInstruction)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMEntityNotation, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMNotation, TXMLDOMEntityNotation)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMEntity, TXMLDOMEntityNotation)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMDocumentType, TXMLDOMNode)
LORVANE_IMPLEMENT_ABSTRACT_CLASS(TXMLDOMDocument, TXMLDOMNode)

// ---------------------------------------------------------------------------
// TXMLDOMNodeList

TXMLDOMNodeList::~TXMLDOMNodeList() { Clear(); }

int TXMLDOMNodeList::IndexOf(const TXMLDOMNode* node) const {
    if (!node) return -1;
    if (FOwnsNodes) {
        const int i = node->FIndex;
        return i >= 0 && i < FItems.size() && FItems[i] == node ? i : -1;
    }
    return int(FItems.indexOf(const_cast<TXMLDOMNode*>(node)));
}

void TXMLDOMNodeList::Insert(int index, TXMLDOMNode* node) {
    if (index < 0 || index > FItems.size()) index = int(FItems.size());
    FItems.insert(index, node);
    if (FOwnsNodes)
        for (int i = index; i < FItems.size(); ++i) FItems[i]->FIndex = i;
}

TXMLDOMNode* TXMLDOMNodeList::Extract(int index) {
    if (index < 0 || index >= FItems.size()) return nullptr;
    TXMLDOMNode* node = FItems.takeAt(index);
    if (FOwnsNodes) {
        node->FIndex = -1;
        for (int i = index; i < FItems.size(); ++i) FItems[i]->FIndex = i;
    }
    return node;
}

void TXMLDOMNodeList::Clear() {
    QList<TXMLDOMNode*> items = TakeAll();
    if (FOwnsNodes) qDeleteAll(items);
}

QList<TXMLDOMNode*> TXMLDOMNodeList::TakeAll() {
    QList<TXMLDOMNode*> items;
    items.swap(FItems);
    return items;
}

TXMLDOMNode* TXMLDOMNamedNodeMap::GetNamedItem(const QString& name) const {
    for (TXMLDOMNode* node : *this)
        if (node->NodeName() == name) return node;
    return nullptr;
}

// ---------------------------------------------------------------------------
// TXMLDOMNode

TXMLDOMNode::TXMLDOMNode(TXMLDOMDocument* document, const QString& name)
    : FOwnerDocument(document), FNodeName(name) {}

TXMLDOMNode::~TXMLDOMNode() = default;

QString TXMLDOMNode::Prefix() const {
    const qsizetype colon = FNodeName.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : FNodeName.left(colon);
}

QString TXMLDOMNode::LocalName() const {
    const qsizetype colon = FNodeName.indexOf(QLatin1Char(':'));
    return colon < 0 ? FNodeName : FNodeName.mid(colon + 1);
}

void TXMLDOMNode::RecordError(const QString& message) const {
    if (!FOwnerDocument) throw EParserError(message);
    FOwnerDocument->AddError(message);
}

void TXMLDOMNode::WriteText(QString&) const {}
void TXMLDOMNode::SetValue(const QString&) {}
QString TXMLDOMNode::GetValue() const { return QString(); }
bool TXMLDOMNode::HasChildNodes() const { return false; }
void TXMLDOMNode::WriteTo(THierarchicalWriter*) const {}
TXMLDOMNodeList* TXMLDOMNode::ChildNodes() const { return nullptr; }

TXMLDOMNamedNodeMap* TXMLDOMNode::Attributes() {
    throw EXMLDOMError(QStringLiteral("Assertion failure: incorrect call Attributes Unavailable on this node :") +
                       ClassName());
}

namespace {

[[noreturn]] void raiseNoChildren(const TXMLDOMNode* node) {
    throw EXMLDOMError(node->ClassName() + QStringLiteral(" cannot hold child nodes"));
}

// Gives a node and everything below it (attributes and declarations
// included) a new owner document, without recursion.
void setDocumentDeep(TXMLDOMNode* root, TXMLDOMDocument* document, void (*setter)(TXMLDOMNode*, TXMLDOMDocument*)) {
    std::vector<TXMLDOMNode*> pending{root};
    while (!pending.empty()) {
        TXMLDOMNode* node = pending.back();
        pending.pop_back();
        setter(node, document);
        if (auto* element = dynamic_cast<TXMLDOMElement*>(node)) {
            for (int i = 0; i < element->AttributeCount(); ++i) pending.push_back(element->Attribute(i));
        }
        if (auto* doctype = dynamic_cast<TXMLDOMDocumentType*>(node)) {
            for (const auto& declaration : doctype->Declarations())
                if (declaration.Node) pending.push_back(declaration.Node.get());
        }
        if (TXMLDOMNodeList* children = node->ChildNodes())
            for (TXMLDOMNode* child : *children) pending.push_back(child);
    }
}

}  // namespace

TXMLDOMNode* TXMLDOMNode::InsertBefore(std::unique_ptr<TXMLDOMNode>&&, TXMLDOMNode*) { raiseNoChildren(this); }
TXMLDOMNode* TXMLDOMNode::InsertAfter(std::unique_ptr<TXMLDOMNode>&&, TXMLDOMNode*) { raiseNoChildren(this); }
std::unique_ptr<TXMLDOMNode> TXMLDOMNode::ReplaceChild(std::unique_ptr<TXMLDOMNode>&&, TXMLDOMNode*) {
    raiseNoChildren(this);
}
std::unique_ptr<TXMLDOMNode> TXMLDOMNode::RemoveChild(TXMLDOMNode*) { return nullptr; }
TXMLDOMNode* TXMLDOMNode::AppendChild(std::unique_ptr<TXMLDOMNode>&&) { raiseNoChildren(this); }

void TXMLDOMNode::Attach(TXMLDOMNode* child, TXMLDOMNode* parent, int) {
    child->FParentNode = parent;
    TXMLDOMDocument* document = parent->NodeType() == ntDocument ? static_cast<TXMLDOMDocument*>(parent)
                                                                 : parent->FOwnerDocument;
    if (document && child->FOwnerDocument != document)
        setDocumentDeep(child, document, [](TXMLDOMNode* n, TXMLDOMDocument* d) { n->FOwnerDocument = d; });
}

void TXMLDOMNode::Detach(TXMLDOMNode* child) {
    child->FParentNode = nullptr;
    child->FIndex = -1;
}

void TXMLDOMNode::CopyBaseTo(TXMLDOMNode* clone) const { clone->FNodeName = FNodeName; }

void TXMLDOMNode::ForEach(const std::function<void(TXMLDOMNode*)>& visitor) {
    std::vector<TXMLDOMNode*> pending{this};
    while (!pending.empty()) {
        TXMLDOMNode* node = pending.back();
        pending.pop_back();
        visitor(node);
        if (TXMLDOMNodeList* children = node->ChildNodes())
            for (int i = children->Count() - 1; i >= 0; --i) pending.push_back(children->Item(i));
    }
}

// ---------------------------------------------------------------------------
// Shared child-list operations of elements and documents

namespace {

bool isChildOf(const TXMLDOMNodeList& list, const TXMLDOMNode* parent, const TXMLDOMNode* node) {
    return node && node->ParentNode() == parent && list.IndexOf(node) >= 0;
}

void checkInsertable(const TXMLDOMNode* parent, const TXMLDOMNode* node) {
    const int type = node->NodeType();
    if (type == ntDocument || type == ntAttribute)
        throw EXMLDOMError(node->ClassName() + QStringLiteral(" cannot be a child node"));
    for (const TXMLDOMNode* p = parent; p; p = p->ParentNode())
        if (p == node) throw EXMLDOMError(QStringLiteral("A node cannot be inserted into its own subtree"));
    if (node->ParentNode()) throw EXMLDOMError(QStringLiteral("The node already belongs to a tree"));
}

}  // namespace

// ---------------------------------------------------------------------------
// Character data, attributes, instructions

TXMLDOMAttribute::TXMLDOMAttribute(TXMLDOMDocument* document, const QString& name) : TXMLDOMNode(document, name) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMAttribute::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMAttribute>(OwnerDocument(), NodeName());
    clone->FValue = FValue;
    return clone;
}

TXMLDOMCharacterData::TXMLDOMCharacterData(TXMLDOMDocument* document, const QString& name, const QString& data)
    : TXMLDOMNode(document, name), FData(data) {}

TXMLDOMText::TXMLDOMText(TXMLDOMDocument* document, const QString& data)
    : TXMLDOMCharacterData(document, QStringLiteral("#text"), data) {}

QString TXMLDOMText::GetData() const { return DecodeEntities(FData); }

std::unique_ptr<TXMLDOMNode> TXMLDOMText::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMText>(OwnerDocument(), FData);
    CopyBaseTo(clone.get());
    return clone;
}

TXMLDOMCDATASection::TXMLDOMCDATASection(TXMLDOMDocument* document, const QString& data)
    : TXMLDOMCharacterData(document, QStringLiteral("#cdata-section"), data) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMCDATASection::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMCDATASection>(OwnerDocument(), FData);
    CopyBaseTo(clone.get());
    return clone;
}

TXMLDOMComment::TXMLDOMComment(TXMLDOMDocument* document, const QString& data)
    : TXMLDOMCharacterData(document, QStringLiteral("#comment"), data) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMComment::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMComment>(OwnerDocument(), FData);
    CopyBaseTo(clone.get());
    return clone;
}

TXMLDOMProcessingInstruction::TXMLDOMProcessingInstruction(TXMLDOMDocument* document, const QString& target,
                                                           const QString& data)
    : TXMLDOMNode(document, target), FTarget(target), FData(data) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMProcessingInstruction::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMProcessingInstruction>(OwnerDocument(), FTarget, FData);
    CopyBaseTo(clone.get());
    return clone;
}

TXMLDOMDocumentDecl::TXMLDOMDocumentDecl(TXMLDOMDocument* document)
    : TXMLDOMProcessingInstruction(document, QStringLiteral("xml"), QString()) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMDocumentDecl::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMDocumentDecl>(OwnerDocument());
    CopyBaseTo(clone.get());
    clone->FTarget = FTarget;
    clone->FData = FData;
    clone->FVersion = FVersion;
    clone->FEncoding = FEncoding;
    clone->FStandalone = FStandalone;
    clone->FVersionQuote = FVersionQuote;
    clone->FEncodingQuote = FEncodingQuote;
    clone->FStandaloneQuote = FStandaloneQuote;
    return clone;
}

// ---------------------------------------------------------------------------
// Entities, notations, document type

void TXMLDOMEntityNotation::CopyIdsTo(TXMLDOMEntityNotation* clone) const {
    clone->FPublicId = FPublicId;
    clone->FSystemId = FSystemId;
    clone->FPublicQuote = FPublicQuote;
    clone->FSystemQuote = FSystemQuote;
    clone->FHasPublic = FHasPublic;
    clone->FHasSystem = FHasSystem;
}

TXMLDOMNotation::TXMLDOMNotation(TXMLDOMDocument* document, const QString& name)
    : TXMLDOMEntityNotation(document, name) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMNotation::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMNotation>(OwnerDocument(), NodeName());
    CopyIdsTo(clone.get());
    return clone;
}

TXMLDOMEntity::TXMLDOMEntity(TXMLDOMDocument* document, const QString& name) : TXMLDOMEntityNotation(document, name) {}

std::unique_ptr<TXMLDOMNode> TXMLDOMEntity::CloneNode(bool) const {
    auto clone = std::make_unique<TXMLDOMEntity>(OwnerDocument(), NodeName());
    CopyIdsTo(clone.get());
    clone->FValue = FValue;
    clone->FNotationName = FNotationName;
    clone->FValueQuote = FValueQuote;
    clone->FParameterEntity = FParameterEntity;
    return clone;
}

TXMLDOMDocumentType::TXMLDOMDocumentType(TXMLDOMDocument* document, const QString& name)
    : TXMLDOMNode(document, name) {}

TXMLDOMDocumentType::~TXMLDOMDocumentType() = default;

void TXMLDOMDocumentType::AddDeclaration(const QString& text, std::unique_ptr<TXMLDOMNode> node) {
    if (node) {
        Attach(node.get(), this, int(FDeclarations.size()));
        if (auto* entity = dynamic_cast<TXMLDOMEntity*>(node.get())) FEntities.append(entity);
        if (auto* notation = dynamic_cast<TXMLDOMNotation*>(node.get())) FNotations.append(notation);
    }
    FDeclarations.push_back({text, std::move(node)});
}

TXMLDOMEntity* TXMLDOMDocumentType::FindEntity(const QString& name) const {
    for (TXMLDOMEntity* entity : FEntities)
        if (entity->NodeName() == name) return entity;
    return nullptr;
}

TXMLDOMNotation* TXMLDOMDocumentType::FindNotation(const QString& name) const {
    for (TXMLDOMNotation* notation : FNotations)
        if (notation->NodeName() == name) return notation;
    return nullptr;
}

std::unique_ptr<TXMLDOMNode> TXMLDOMDocumentType::CloneNode(bool deep) const {
    auto clone = std::make_unique<TXMLDOMDocumentType>(OwnerDocument(), NodeName());
    clone->FExternalId = FExternalId;
    if (deep) {
        for (const TDeclaration& declaration : FDeclarations)
            clone->AddDeclaration(declaration.Text, declaration.Node ? declaration.Node->CloneNode(true) : nullptr);
    }
    return clone;
}

// ---------------------------------------------------------------------------
// TXMLDOMElement

TXMLDOMElement::TXMLDOMElement(TXMLDOMDocument* document, const QString& name) : TXMLDOMNode(document, name) {}

TXMLDOMElement::~TXMLDOMElement() {
    // Frees the subtree without recursion: every element's children are taken
    // out of it before the element itself is freed.
    if (!FChildNodes) return;
    QList<TXMLDOMNode*> pending = FChildNodes->TakeAll();
    while (!pending.isEmpty()) {
        TXMLDOMNode* node = pending.takeLast();
        if (auto* element = dynamic_cast<TXMLDOMElement*>(node); element && element->FChildNodes)
            pending.append(element->FChildNodes->TakeAll());
        delete node;
    }
}

TXMLDOMNodeList* TXMLDOMElement::EnsureChildNodes() {
    if (!FChildNodes) FChildNodes = std::make_unique<TXMLDOMNodeList>(true);
    return FChildNodes.get();
}

TXMLDOMNamedNodeMap* TXMLDOMElement::Attributes() {
    if (!FAttributes) FAttributes = std::make_unique<TXMLDOMNamedNodeMap>(this);
    return FAttributes.get();
}

TXMLDOMAttribute* TXMLDOMElement::AdoptAttribute(std::unique_ptr<TXMLDOMNode> attribute) {
    if (!attribute || attribute->NodeType() != ntAttribute)
        throw EXMLDOMError(QStringLiteral("SetNamedItem arg must be an attribute node"));
    auto* raw = static_cast<TXMLDOMAttribute*>(attribute.release());
    Attributes()->Add(raw);
    Attach(raw, this, raw->IndexInParent());
    return raw;
}

TXMLDOMAttribute* TXMLDOMElement::Attribute(int index) const {
    return FAttributes ? static_cast<TXMLDOMAttribute*>(FAttributes->Item(index)) : nullptr;
}

void TXMLDOMElement::SetAttribute(const QString& name, const QString& value) {
    if (FAttributes) {
        if (TXMLDOMNode* present = FAttributes->GetNamedItem(name)) {
            present->SetValue(value);
            return;
        }
    }
    auto attribute = std::make_unique<TXMLDOMAttribute>(OwnerDocument(), name);
    attribute->SetValue(value);
    AdoptAttribute(std::move(attribute));
}

std::unique_ptr<TXMLDOMNode> TXMLDOMNamedNodeMap::SetNamedItem(std::unique_ptr<TXMLDOMNode> node) {
    if (!node) return nullptr;
    if (node->NodeType() != ntAttribute)
        throw EXMLDOMError(QStringLiteral("SetNamedItem arg must be an attribute node"));
    std::unique_ptr<TXMLDOMNode> replaced;
    if (TXMLDOMNode* present = GetNamedItem(node->NodeName())) {
        replaced.reset(Extract(IndexOf(present)));
        TXMLDOMNode::Detach(replaced.get());
    }
    TXMLDOMNode* raw = node.release();
    Add(raw);
    if (FOwner) TXMLDOMNode::Attach(raw, FOwner, raw->IndexInParent());
    return replaced;
}

std::unique_ptr<TXMLDOMNode> TXMLDOMNamedNodeMap::RemoveNamedItem(const QString& name) {
    TXMLDOMNode* present = GetNamedItem(name);
    if (!present) return nullptr;
    std::unique_ptr<TXMLDOMNode> removed(Extract(IndexOf(present)));
    TXMLDOMNode::Detach(removed.get());
    return removed;
}

TXMLDOMNode* TXMLDOMElement::InsertBefore(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) {
    if (!newNode) return nullptr;
    checkInsertable(this, newNode.get());
    TXMLDOMNodeList* children = EnsureChildNodes();
    const int index = isChildOf(*children, this, reference) ? children->IndexOf(reference) : children->Count();
    TXMLDOMNode* node = newNode.release();
    children->Insert(index, node);
    Attach(node, this, index);
    return node;
}

TXMLDOMNode* TXMLDOMElement::InsertAfter(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) {
    if (!newNode) return nullptr;
    TXMLDOMNodeList* children = EnsureChildNodes();
    if (isChildOf(*children, this, reference))
        return InsertBefore(std::move(newNode), children->Item(children->IndexOf(reference) + 1));
    return InsertBefore(std::move(newNode), nullptr);
}

TXMLDOMNode* TXMLDOMElement::AppendChild(std::unique_ptr<TXMLDOMNode>&& newNode) {
    return InsertBefore(std::move(newNode), nullptr);
}

std::unique_ptr<TXMLDOMNode> TXMLDOMElement::RemoveChild(TXMLDOMNode* oldNode) {
    if (!FChildNodes || !isChildOf(*FChildNodes, this, oldNode)) return nullptr;
    std::unique_ptr<TXMLDOMNode> removed(FChildNodes->Extract(FChildNodes->IndexOf(oldNode)));
    Detach(removed.get());
    return removed;
}

std::unique_ptr<TXMLDOMNode> TXMLDOMElement::ReplaceChild(std::unique_ptr<TXMLDOMNode>&& newNode,
                                                          TXMLDOMNode* oldNode) {
    if (!newNode) return RemoveChild(oldNode);
    checkInsertable(this, newNode.get());
    if (!FChildNodes || !isChildOf(*FChildNodes, this, oldNode)) {
        AppendChild(std::move(newNode));
        return nullptr;
    }
    InsertBefore(std::move(newNode), oldNode);
    return RemoveChild(oldNode);
}

namespace {

std::unique_ptr<TXMLDOMElement> shallowElementClone(const TXMLDOMElement* source) {
    // Attributes are copied one to one (parsed input may repeat a name).
    auto clone = std::make_unique<TXMLDOMElement>(source->OwnerDocument(), source->NodeName());
    clone->SetNoEndTag(source->NoEndTag());
    for (int i = 0; i < source->AttributeCount(); ++i) clone->AdoptAttribute(source->Attribute(i)->CloneNode(false));
    return clone;
}

}  // namespace

std::unique_ptr<TXMLDOMNode> TXMLDOMElement::CloneNode(bool deep) const {
    std::unique_ptr<TXMLDOMElement> root = shallowElementClone(this);
    if (!deep) return root;
    std::vector<std::pair<const TXMLDOMElement*, TXMLDOMElement*>> pending{{this, root.get()}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        if (!source->FChildNodes) continue;
        TXMLDOMNodeList* children = target->EnsureChildNodes();
        for (TXMLDOMNode* child : *source->FChildNodes) {
            std::unique_ptr<TXMLDOMNode> copy;
            if (auto* element = dynamic_cast<const TXMLDOMElement*>(child)) {
                auto elementCopy = shallowElementClone(element);
                pending.push_back({element, elementCopy.get()});
                copy = std::move(elementCopy);
            } else {
                copy = child->CloneNode(true);
            }
            TXMLDOMNode* raw = copy.release();
            children->Add(raw);
            Attach(raw, target, raw->IndexInParent());
        }
    }
    return root;
}

void TXMLDOMElement::WriteTo(THierarchicalWriter* writer) const {
    if (!writer) return;
    std::vector<std::pair<const TXMLDOMElement*, THierarchicalWriter*>> pending{{this, writer->AddChild(NodeName())}};
    while (!pending.empty()) {
        auto [element, target] = pending.back();
        pending.pop_back();
        for (int i = 0; i < element->AttributeCount(); ++i) {
            QString value;
            element->Attribute(i)->WriteText(value);
            target->SetAttribute(element->Attribute(i)->NodeName(), value);
        }
        if (!element->FChildNodes) continue;
        QString text, cdata;
        std::vector<std::pair<const TXMLDOMElement*, THierarchicalWriter*>> children;
        for (TXMLDOMNode* child : *element->FChildNodes) {
            switch (child->NodeType()) {
            case ntElement:
                children.push_back({static_cast<TXMLDOMElement*>(child), target->AddChild(child->NodeName())});
                break;
            case ntText: text += static_cast<TXMLDOMText*>(child)->GetData(); break;
            case ntCDATASection: cdata += static_cast<TXMLDOMCDATASection*>(child)->Data(); break;
            default: break;
            }
        }
        if (auto* xmlWriter = dynamic_cast<TXMLHierarchicalWriter*>(target)) {
            if (!text.isEmpty()) xmlWriter->SetText(text);
            if (!cdata.isEmpty()) xmlWriter->SetCDATA(cdata);
        } else if (!text.isEmpty() || !cdata.isEmpty()) {
            target->SetText(text + cdata);
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

// ---------------------------------------------------------------------------
// TXMLDOMDocument

TXMLDOMDocument::TXMLDOMDocument() : TXMLDOMNode(nullptr, QStringLiteral("#document")) {}

TXMLDOMDocument::~TXMLDOMDocument() { Clear(); }

void TXMLDOMDocument::Clear() {
    FDocumentElement = nullptr;
    FDocType = nullptr;
    FUnclosedElements.clear();
    FChildNodes.Clear();
}

std::unique_ptr<TXMLDOMElement> TXMLDOMDocument::CreateElement(const QString& name) {
    return std::make_unique<TXMLDOMElement>(this, name);
}

std::unique_ptr<TXMLDOMText> TXMLDOMDocument::CreateTextNode(const QString& data) {
    return std::make_unique<TXMLDOMText>(this, data);
}

std::unique_ptr<TXMLDOMCDATASection> TXMLDOMDocument::CreateCDATASection(const QString& data) {
    return std::make_unique<TXMLDOMCDATASection>(this, data);
}

std::unique_ptr<TXMLDOMAttribute> TXMLDOMDocument::CreateAttribute(const QString& name) {
    return std::make_unique<TXMLDOMAttribute>(this, name);
}

void TXMLDOMDocument::NoteInserted(TXMLDOMNode* node) {
    if (node->NodeType() == ntElement) {
        if (!FDocumentElement)
            FDocumentElement = static_cast<TXMLDOMElement*>(node);
        else
            AddError(QStringLiteral("Only one root element allowed per document"));
    } else if (node->NodeType() == ntDocumentType) {
        if (!FDocType)
            FDocType = static_cast<TXMLDOMDocumentType*>(node);
        else
            AddError(QStringLiteral("Only one doctype node allowed per document"));
    }
}

void TXMLDOMDocument::NoteRemoved(TXMLDOMNode* node) {
    if (node == FDocumentElement) FDocumentElement = nullptr;
    if (node == FDocType) FDocType = nullptr;
}

TXMLDOMNode* TXMLDOMDocument::InsertBefore(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) {
    if (!newNode) return nullptr;
    checkInsertable(this, newNode.get());
    const int index = isChildOf(FChildNodes, this, reference) ? FChildNodes.IndexOf(reference) : FChildNodes.Count();
    TXMLDOMNode* node = newNode.release();
    FChildNodes.Insert(index, node);
    Attach(node, this, index);
    NoteInserted(node);
    return node;
}

TXMLDOMNode* TXMLDOMDocument::InsertAfter(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) {
    if (isChildOf(FChildNodes, this, reference))
        return InsertBefore(std::move(newNode), FChildNodes.Item(FChildNodes.IndexOf(reference) + 1));
    return InsertBefore(std::move(newNode), nullptr);
}

TXMLDOMNode* TXMLDOMDocument::AppendChild(std::unique_ptr<TXMLDOMNode>&& newNode) {
    return InsertBefore(std::move(newNode), nullptr);
}

std::unique_ptr<TXMLDOMNode> TXMLDOMDocument::RemoveChild(TXMLDOMNode* oldNode) {
    if (!isChildOf(FChildNodes, this, oldNode)) return nullptr;
    std::unique_ptr<TXMLDOMNode> removed(FChildNodes.Extract(FChildNodes.IndexOf(oldNode)));
    Detach(removed.get());
    NoteRemoved(removed.get());
    return removed;
}

std::unique_ptr<TXMLDOMNode> TXMLDOMDocument::ReplaceChild(std::unique_ptr<TXMLDOMNode>&& newNode,
                                                           TXMLDOMNode* oldNode) {
    if (!newNode) return RemoveChild(oldNode);
    checkInsertable(this, newNode.get());
    if (!isChildOf(FChildNodes, this, oldNode)) {
        AppendChild(std::move(newNode));
        return nullptr;
    }
    // The old node is forgotten first, so that a new root element or document
    // type takes its place without a fault.
    const int index = FChildNodes.IndexOf(oldNode);
    std::unique_ptr<TXMLDOMNode> removed = RemoveChild(oldNode);
    InsertBefore(std::move(newNode), FChildNodes.Item(index));
    return removed;
}

std::unique_ptr<TXMLDOMNode> TXMLDOMDocument::CloneNode(bool deep) const {
    auto clone = std::make_unique<TXMLDOMDocument>();
    clone->FEncoding = FEncoding;
    clone->FIndent = FIndent;
    if (deep)
        for (TXMLDOMNode* child : FChildNodes) clone->AppendChild(child->CloneNode(true));
    return clone;
}

void TXMLDOMDocument::WriteTo(THierarchicalWriter* writer) const {
    if (FDocumentElement) FDocumentElement->WriteTo(writer);
}
