#pragma once
// The XML document model: node classes with their DOM node types, a lenient
// parser that collects its faults and raises them together as one
// EParserError, encoding detection for raw bytes, markup and text output, the
// reading helpers the rest of the system uses, and an adapter that lets the
// hierarchical writer build a tree of this model.
//
// Ownership: a document owns its whole tree; a node belongs to its parent's
// child list (attributes to their element's map). Nodes made by the factories
// and nodes taken out of a tree are handed to the caller as std::unique_ptr.
// Parsing, output, copying and freeing never recurse over the tree depth.

#include "SysExceptions.h"
#include "UHierarchicalWriter.h"
#include "XClasses.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

LORVANE_DECLARE_EXCEPTION(EParserError, Exception);
LORVANE_DECLARE_EXCEPTION(EXMLDOMError, Exception);

class TXMLDOMNode;
class TXMLDOMDocument;
class TXMLDOMElement;
class TXMLDOMAttribute;
class TXMLDOMText;
class TXMLDOMCDATASection;
class TXMLDOMDocumentType;
class TXMLDOMEntity;
class TXMLDOMNotation;

// W3C DOM node type numbers.
enum TXMLDOMNodeType : int {
    ntElement = 1,
    ntAttribute = 2,
    ntText = 3,
    ntCDATASection = 4,
    ntEntityReference = 5,
    ntEntity = 6,
    ntProcessingInstruction = 7,
    ntComment = 8,
    ntDocument = 9,
    ntDocumentType = 10,
    ntDocumentFragment = 11,
    ntNotation = 12,
};

// A read position over UTF-16 text; reading past the end yields character 0.
// PreserveSpace is the whitespace setting in force for the node being parsed.
struct TXMLTextCursor {
    const QChar* Text = nullptr;
    qsizetype Length = 0;
    qsizetype Position = 0;  // 0-based
    bool PreserveSpace = false;

    explicit TXMLTextCursor(QStringView text) : Text(text.data()), Length(text.size()) {}
    bool AtEnd() const { return Position >= Length; }
    QChar Current() const { return Position < Length ? Text[Position] : QChar(); }
    QChar Peek(qsizetype offset) const {
        const qsizetype p = Position + offset;
        return p >= 0 && p < Length ? Text[p] : QChar();
    }
    bool StartsWith(QLatin1String s) const;
    QStringView Slice(qsizetype from, qsizetype to) const { return QStringView(Text + from, to - from); }
    // Position of the next occurrence of s from the cursor, Length when none.
    qsizetype Find(QLatin1String s) const;
    qsizetype Find(QChar c) const;
};

// An ordered list of nodes. An owning list (every child list and attribute
// map) frees its nodes with itself and keeps each node's index for O(1)
// sibling navigation; a non-owning list (selection results) only refers to them.
class TXMLDOMNodeList {
public:
    explicit TXMLDOMNodeList(bool ownsNodes = true) : FOwnsNodes(ownsNodes) {}
    virtual ~TXMLDOMNodeList();
    TXMLDOMNodeList(const TXMLDOMNodeList&) = delete;
    TXMLDOMNodeList& operator=(const TXMLDOMNodeList&) = delete;

    int Count() const { return int(FItems.size()); }
    TXMLDOMNode* Item(int index) const { return index >= 0 && index < FItems.size() ? FItems[index] : nullptr; }
    int IndexOf(const TXMLDOMNode* node) const;
    bool OwnsNodes() const { return FOwnsNodes; }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    void Add(TXMLDOMNode* node) { Insert(Count(), node); }
    void Insert(int index, TXMLDOMNode* node);
    // Takes the node out of the list without freeing it.
    TXMLDOMNode* Extract(int index);
    // Frees (when owning) and forgets every node.
    void Clear();
    // Forgets every node without freeing it; used by iterative freeing.
    QList<TXMLDOMNode*> TakeAll();

private:
    QList<TXMLDOMNode*> FItems;
    bool FOwnsNodes;
};

class TXMLDOMNamedNodeMap : public TXMLDOMNodeList {
public:
    // The element the attributes belong to (their parent node).
    explicit TXMLDOMNamedNodeMap(TXMLDOMNode* owner = nullptr) : TXMLDOMNodeList(true), FOwner(owner) {}
    // The first node named exactly so, or none.
    TXMLDOMNode* GetNamedItem(const QString& name) const;
    // Adds an attribute, replacing one of the same name (the new one goes to
    // the end); raises EXMLDOMError for a node that is not an attribute.
    // Returns the replaced attribute, now owned by the caller.
    std::unique_ptr<TXMLDOMNode> SetNamedItem(std::unique_ptr<TXMLDOMNode> node);
    std::unique_ptr<TXMLDOMNode> RemoveNamedItem(const QString& name);

private:
    TXMLDOMNode* FOwner;
};

class TXMLDOMNode : public TNonRefCountedObject {
    LORVANE_PERSISTENT_CLASS(TXMLDOMNode, TNonRefCountedObject)
public:
    TXMLDOMNode(TXMLDOMDocument* document, const QString& name);
    virtual ~TXMLDOMNode();
    TXMLDOMNode(const TXMLDOMNode&) = delete;
    TXMLDOMNode& operator=(const TXMLDOMNode&) = delete;

    TXMLDOMDocument* OwnerDocument() const { return FOwnerDocument; }
    TXMLDOMNode* ParentNode() const { return FParentNode; }
    const QString& NodeName() const { return FNodeName; }
    void SetNodeName(const QString& name) { FNodeName = name; }
    // The part of the qualified name before the first ':', empty without one.
    QString Prefix() const;
    // The part after the first ':', or the whole name.
    QString LocalName() const;
    // Index in the parent's child list (or the element's attribute map).
    int IndexInParent() const { return FIndex; }

    // Reads the node from the cursor; faults go to the owner document's error
    // list (a node without a document raises EParserError at once).
    virtual void Parse(TXMLTextCursor& cursor) = 0;
    virtual void WriteMarkup(QString& out) const = 0;
    virtual void WriteText(QString& out) const;
    virtual void SetValue(const QString& value);
    virtual QString GetValue() const;

    // Tree changes. A null reference node appends. The returned pointer is the
    // inserted node, now owned by this node. A node cannot be inserted into its
    // own subtree, and documents or attributes cannot become children
    // (EXMLDOMError; the caller keeps the node).
    virtual TXMLDOMNode* InsertBefore(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference);
    virtual TXMLDOMNode* InsertAfter(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference);
    // Without a new node this is RemoveChild. Otherwise the new node takes the
    // old node's place and the old node is returned, detached; when the old node
    // is not a child the new node is appended and nothing is returned.
    virtual std::unique_ptr<TXMLDOMNode> ReplaceChild(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* oldNode);
    // Detaches and returns the node; nothing when it is not a child.
    virtual std::unique_ptr<TXMLDOMNode> RemoveChild(TXMLDOMNode* oldNode);
    virtual TXMLDOMNode* AppendChild(std::unique_ptr<TXMLDOMNode>&& newNode);
    virtual bool HasChildNodes() const;
    virtual std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const = 0;
    // Copies the node into a hierarchical writer; nothing by default.
    virtual void WriteTo(THierarchicalWriter* writer) const;
    virtual int NodeType() const = 0;
    virtual TXMLDOMNodeList* ChildNodes() const;
    // The attribute map of an element (created on first use); on any other node
    // this is a programming error and raises EXMLDOMError.
    virtual TXMLDOMNamedNodeMap* Attributes();
    // Visits the node, then its descendants in document order (not recursive).
    void ForEach(const std::function<void(TXMLDOMNode*)>& visitor);

    // XPath selections live in the XPath module, built on the formula parser,
    // as free functions beside the reading helpers below:
    //   std::unique_ptr<TXMLDOMNodeList> SelectNodes(TXMLDOMNode*, const QString& path);
    //     (a non-owning list: TXMLDOMNodeList(false))
    //   QString SelectValue(TXMLDOMNode*, const QString& path);
    //   QStringList SelectStrings(TXMLDOMNode*, const QString& path);

protected:
    void RecordError(const QString& message) const;
    // Used by the child-holding classes to adopt and release nodes.
    static void Attach(TXMLDOMNode* child, TXMLDOMNode* parent, int index);
    static void Detach(TXMLDOMNode* child);
    // Copies the fields shared by every node class into a clone.
    void CopyBaseTo(TXMLDOMNode* clone) const;

private:
    friend class TXMLDOMNodeList;
    friend class TXMLDOMNamedNodeMap;
    TXMLDOMDocument* FOwnerDocument;
    TXMLDOMNode* FParentNode = nullptr;
    QString FNodeName;
    int FIndex = -1;
};

class TXMLDOMAttribute : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMAttribute, TXMLDOMNode)
public:
    TXMLDOMAttribute(TXMLDOMDocument* document, const QString& name);
    // The value as written, entity references kept.
    const QString& Value() const { return FValue; }
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void WriteText(QString& out) const override;
    void SetValue(const QString& value) override { FValue = value; }
    QString GetValue() const override { return FValue; }
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntAttribute; }

private:
    QString FValue;
};

class TXMLDOMCharacterData : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMCharacterData, TXMLDOMNode)
public:
    TXMLDOMCharacterData(TXMLDOMDocument* document, const QString& name, const QString& data);
    // The stored data, exactly as read or set.
    const QString& Data() const { return FData; }
    virtual QString GetData() const { return FData; }
    virtual void SetData(const QString& data) { FData = data; }
    void SetValue(const QString& value) override { SetData(value); }
    QString GetValue() const override { return FData; }

protected:
    QString FData;
};

class TXMLDOMText : public TXMLDOMCharacterData {
    LORVANE_PERSISTENT_CLASS(TXMLDOMText, TXMLDOMCharacterData)
public:
    TXMLDOMText(TXMLDOMDocument* document, const QString& data);
    // The data with the predefined entities (any letter case) and character
    // references decoded; unknown references stay as written.
    QString GetData() const override;
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void WriteText(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntText; }
};

class TXMLDOMCDATASection : public TXMLDOMCharacterData {
    LORVANE_PERSISTENT_CLASS(TXMLDOMCDATASection, TXMLDOMCharacterData)
public:
    TXMLDOMCDATASection(TXMLDOMDocument* document, const QString& data);
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void WriteText(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntCDATASection; }
};

class TXMLDOMComment : public TXMLDOMCharacterData {
    LORVANE_PERSISTENT_CLASS(TXMLDOMComment, TXMLDOMCharacterData)
public:
    TXMLDOMComment(TXMLDOMDocument* document, const QString& data);
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntComment; }
};

class TXMLDOMElement : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMElement, TXMLDOMNode)
public:
    TXMLDOMElement(TXMLDOMDocument* document, const QString& name);
    ~TXMLDOMElement() override;

    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void WriteText(QString& out) const override;
    TXMLDOMNode* InsertBefore(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) override;
    TXMLDOMNode* InsertAfter(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) override;
    std::unique_ptr<TXMLDOMNode> ReplaceChild(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* oldNode) override;
    std::unique_ptr<TXMLDOMNode> RemoveChild(TXMLDOMNode* oldNode) override;
    TXMLDOMNode* AppendChild(std::unique_ptr<TXMLDOMNode>&& newNode) override;
    bool HasChildNodes() const override { return FChildNodes && FChildNodes->Count() > 0; }
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    void WriteTo(THierarchicalWriter* writer) const override;
    int NodeType() const override { return ntElement; }
    TXMLDOMNodeList* ChildNodes() const override { return FChildNodes.get(); }
    TXMLDOMNamedNodeMap* Attributes() override;
    // The attribute map when it exists, without creating it.
    const TXMLDOMNamedNodeMap* AttributeMap() const { return FAttributes.get(); }
    int AttributeCount() const { return FAttributes ? FAttributes->Count() : 0; }
    TXMLDOMAttribute* Attribute(int index) const;
    // Sets (or adds) an attribute's stored value.
    void SetAttribute(const QString& name, const QString& value);
    // Appends an attribute node as it is (no replacement by name).
    TXMLDOMAttribute* AdoptAttribute(std::unique_ptr<TXMLDOMNode> attribute);

    // When set, the end tag is not written.
    bool NoEndTag() const { return FNoEndTag; }
    void SetNoEndTag(bool value) { FNoEndTag = value; }

private:
    friend class TXMLDOMDocument;
    friend class TXMLDOMNode;
    TXMLDOMNodeList* EnsureChildNodes();
    // Reads "<name attributes" and the tag end; true when content follows.
    bool ParseStartTag(TXMLTextCursor& cursor);
    void WriteStartTag(QString& out, int depth) const;

    std::unique_ptr<TXMLDOMNamedNodeMap> FAttributes;
    std::unique_ptr<TXMLDOMNodeList> FChildNodes;
    bool FNoEndTag = false;
};

class TXMLDOMProcessingInstruction : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMProcessingInstruction, TXMLDOMNode)
public:
    TXMLDOMProcessingInstruction(TXMLDOMDocument* document, const QString& target, const QString& data);
    const QString& Target() const { return FTarget; }
    void SetTarget(const QString& target) { FTarget = target; }
    const QString& Data() const { return FData; }
    void SetData(const QString& data) { FData = data; }
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void SetValue(const QString& value) override { FData = value; }
    QString GetValue() const override { return FData; }
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntProcessingInstruction; }

protected:
    QString FTarget;
    QString FData;
};

class TXMLDOMDocumentDecl : public TXMLDOMProcessingInstruction {
    LORVANE_PERSISTENT_CLASS(TXMLDOMDocumentDecl, TXMLDOMProcessingInstruction)
public:
    explicit TXMLDOMDocumentDecl(TXMLDOMDocument* document);
    const QString& Version() const { return FVersion; }
    const QString& Encoding() const { return FEncoding; }
    const QString& Standalone() const { return FStandalone; }
    void SetVersion(const QString& v, QChar quote = QLatin1Char('"')) { FVersion = v; FVersionQuote = quote; }
    void SetEncoding(const QString& v, QChar quote = QLatin1Char('"')) { FEncoding = v; FEncodingQuote = quote; }
    void SetStandalone(const QString& v, QChar quote = QLatin1Char('"')) { FStandalone = v; FStandaloneQuote = quote; }
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;

private:
    QString FVersion, FEncoding, FStandalone;
    QChar FVersionQuote = QLatin1Char('"'), FEncodingQuote = QLatin1Char('"'), FStandaloneQuote = QLatin1Char('"');
};

class TXMLDOMEntityNotation : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMEntityNotation, TXMLDOMNode)
public:
    using TXMLDOMNode::TXMLDOMNode;
    const QString& PublicId() const { return FPublicId; }
    const QString& SystemId() const { return FSystemId; }

protected:
    // Reads a quoted item at the cursor; records "erreur de syntaxe" when it does
    // not start with a quote character.
    bool ReadQuoted(TXMLTextCursor& cursor, QString& value, QChar& quote);
    void WriteExternalId(QString& out) const;
    void CopyIdsTo(TXMLDOMEntityNotation* clone) const;

    QString FPublicId, FSystemId;
    QChar FPublicQuote = QLatin1Char('"'), FSystemQuote = QLatin1Char('"');
    bool FHasPublic = false, FHasSystem = false;
};

class TXMLDOMNotation : public TXMLDOMEntityNotation {
    LORVANE_PERSISTENT_CLASS(TXMLDOMNotation, TXMLDOMEntityNotation)
public:
    TXMLDOMNotation(TXMLDOMDocument* document, const QString& name);
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntNotation; }
};

class TXMLDOMEntity : public TXMLDOMEntityNotation {
    LORVANE_PERSISTENT_CLASS(TXMLDOMEntity, TXMLDOMEntityNotation)
public:
    TXMLDOMEntity(TXMLDOMDocument* document, const QString& name);
    const QString& Value() const { return FValue; }
    const QString& NotationName() const { return FNotationName; }
    bool IsParameterEntity() const { return FParameterEntity; }
    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    QString GetValue() const override { return FValue; }
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntEntity; }

private:
    QString FValue;
    QString FNotationName;
    QChar FValueQuote = QLatin1Char('"');
    bool FParameterEntity = false;
};

class TXMLDOMDocumentType : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMDocumentType, TXMLDOMNode)
public:
    // One line of the internal subset: the node it declares (entity, notation,
    // comment or instruction), or the kept text of an ELEMENT or ATTLIST
    // declaration (without "<" and ">").
    struct TDeclaration {
        QString Text;
        std::unique_ptr<TXMLDOMNode> Node;
    };

    TXMLDOMDocumentType(TXMLDOMDocument* document, const QString& name);
    ~TXMLDOMDocumentType() override;
    const QString& ExternalId() const { return FExternalId; }
    const std::vector<TDeclaration>& Declarations() const { return FDeclarations; }
    // The first entity (notation) declared with exactly that name, or none.
    TXMLDOMEntity* FindEntity(const QString& name) const;
    TXMLDOMNotation* FindNotation(const QString& name) const;
    const QList<TXMLDOMEntity*>& Entities() const { return FEntities; }
    const QList<TXMLDOMNotation*>& Notations() const { return FNotations; }

    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    int NodeType() const override { return ntDocumentType; }

private:
    void AddDeclaration(const QString& text, std::unique_ptr<TXMLDOMNode> node);
    void ParseInternalSubset(TXMLTextCursor& cursor);

    QString FExternalId;
    std::vector<TDeclaration> FDeclarations;
    QList<TXMLDOMEntity*> FEntities;    // not owning: the declarations own them
    QList<TXMLDOMNotation*> FNotations;  // likewise
};

enum TXMLEncodingKind { ekNone, ekUTF8, ekUTF16, ekUTF32, ekCodePage };
enum TXMLByteOrder { boNone, boLittleEndian, boBigEndian };

struct TXMLEncoding {
    TXMLEncodingKind Kind = ekNone;
    TXMLByteOrder ByteOrder = boNone;
    QString Name;  // "utf-8", "utf-16", "utf-32" or the declared character set
};

class TXMLDOMDocument : public TXMLDOMNode {
    LORVANE_PERSISTENT_CLASS(TXMLDOMDocument, TXMLDOMNode)
public:
    TXMLDOMDocument();
    ~TXMLDOMDocument() override;

    // Parses the text, replacing the content; raises EParserError with one line
    // per recorded fault (the partial tree stays readable).
    void LoadXML(const QString& text);
    // Detects and records the encoding of the bytes, then parses them.
    void LoadFromBytes(const QByteArray& bytes);
    // The detected encoding and the bytes decoded with it, without parsing.
    static QString DecodeBytes(const QByteArray& bytes, TXMLEncoding& encoding);

    std::unique_ptr<TXMLDOMElement> CreateElement(const QString& name);
    std::unique_ptr<TXMLDOMText> CreateTextNode(const QString& data);
    std::unique_ptr<TXMLDOMCDATASection> CreateCDATASection(const QString& data);
    std::unique_ptr<TXMLDOMAttribute> CreateAttribute(const QString& name);

    TXMLDOMElement* DocumentElement() const { return FDocumentElement; }
    TXMLDOMDocumentType* DocType() const { return FDocType; }
    const QStringList& Errors() const { return FErrors; }
    // Elements whose end tag was missing where another end tag stood.
    const QList<TXMLDOMElement*>& UnclosedElements() const { return FUnclosedElements; }
    const TXMLEncoding& Encoding() const { return FEncoding; }
    void SetEncoding(const TXMLEncoding& encoding) { FEncoding = encoding; }
    bool Indent() const { return FIndent; }
    void SetIndent(bool value) { FIndent = value; }
    void AddError(const QString& message) { FErrors.append(message); }

    void Parse(TXMLTextCursor& cursor) override;
    void WriteMarkup(QString& out) const override;
    void WriteText(QString& out) const override;
    TXMLDOMNode* InsertBefore(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) override;
    TXMLDOMNode* InsertAfter(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* reference) override;
    std::unique_ptr<TXMLDOMNode> ReplaceChild(std::unique_ptr<TXMLDOMNode>&& newNode, TXMLDOMNode* oldNode) override;
    std::unique_ptr<TXMLDOMNode> RemoveChild(TXMLDOMNode* oldNode) override;
    TXMLDOMNode* AppendChild(std::unique_ptr<TXMLDOMNode>&& newNode) override;
    bool HasChildNodes() const override { return FChildNodes.Count() > 0; }
    std::unique_ptr<TXMLDOMNode> CloneNode(bool deep) const override;
    void WriteTo(THierarchicalWriter* writer) const override;
    int NodeType() const override { return ntDocument; }
    TXMLDOMNodeList* ChildNodes() const override { return const_cast<TXMLDOMNodeList*>(&FChildNodes); }

private:
    friend class TXMLDOMElement;
    void Clear();
    // Keeps the root element and document type pointers in step with the
    // child list; records the one-root and one-doctype faults.
    void NoteInserted(TXMLDOMNode* node);
    void NoteRemoved(TXMLDOMNode* node);
    void AddUnclosed(TXMLDOMElement* element) { FUnclosedElements.append(element); }

    TXMLDOMNodeList FChildNodes;
    TXMLDOMElement* FDocumentElement = nullptr;
    TXMLDOMDocumentType* FDocType = nullptr;
    QStringList FErrors;
    QList<TXMLDOMElement*> FUnclosedElements;
    TXMLEncoding FEncoding;
    bool FIndent = false;
};

// Builds a tree of this model through the hierarchical writer interface.
// Names pass through the XML name rules; texts and attribute values are
// escaped; a text holding a carriage return or a tab becomes a CDATA section.
class TXMLDOMHierarchicalWriter : public THierarchicalWriter {
public:
    explicit TXMLDOMHierarchicalWriter(TXMLDOMElement* element);
    // On the document's root element, creating one named "root" when missing.
    explicit TXMLDOMHierarchicalWriter(TXMLDOMDocument* document);
    ~TXMLDOMHierarchicalWriter() override;

    using THierarchicalWriter::AddChild;
    THierarchicalWriter* AddChild(const QString& name, const QString& text) override;
    THierarchicalWriter* InsertChild(int index, const QString& name, const QString& text) override;
    void SetAttribute(const QString& name, const QString& value) override;
    // Replaces the element's text and CDATA children by one holding the text.
    void SetText(const QString& text) override;

    TXMLDOMElement* Element() const { return FElement; }

private:
    std::unique_ptr<TXMLDOMNode> MakeTextNode(const QString& text) const;

    TXMLDOMElement* FElement;
    // The writers handed out for children; they live as long as this one.
    std::vector<std::unique_ptr<TXMLDOMHierarchicalWriter>> FChildWriters;
};

// Reading helpers; each accepts a missing node and then gives nothing.
QString Xml(const TXMLDOMNode* node);
QString Text(const TXMLDOMNode* node);
QString AttributeValue(const TXMLDOMNode* node, const QString& name);
int AttributeAsInteger(const TXMLDOMNode* node, const QString& name);
TXMLDOMElement* ChildByPath(const TXMLDOMNode* node, const QString& path);
TXMLDOMElement* FirstChildElement(const TXMLDOMNode* node);
TXMLDOMElement* LastChildElement(const TXMLDOMNode* node);
TXMLDOMElement* NextSiblingElement(const TXMLDOMNode* node);
TXMLDOMElement* PreviousSiblingElement(const TXMLDOMNode* node);
TXMLDOMNode* NextSibling(const TXMLDOMNode* node);
TXMLDOMNode* PreviousSibling(const TXMLDOMNode* node);
TXMLDOMNode* NextNodeInOrder(const TXMLDOMNode* node);
TXMLDOMNode* PreviousNodeInOrder(const TXMLDOMNode* node);
QString FirstTextValue(const TXMLDOMNode* element);
QString DefaultNamespace(const TXMLDOMNode* node);
QString NamespaceURI(const TXMLDOMNode* node);
// "prefix=uri" for every "xmlns:" declaration in scope, the nearest first;
// an inner declaration hides an outer one of the same prefix.
QStringList NamespacePrefixes(const TXMLDOMNode* node);

// Resolves references as the text content does: the five predefined entities,
// decimal and hexadecimal character references and the entities declared in
// the document type; an unknown or empty name gives "&;".
QString ResolveReferences(const QString& text, const TXMLDOMDocument* document);
