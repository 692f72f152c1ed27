#pragma once
// The hierarchical writer: every XML or HTML output of the system is first built
// as an in-memory tree of elements through this small typed interface, then
// serialized in one pass. THierarchicalWriter is the interface,
// TStringsHierarchicalWriter the plain tree, TXMLHierarchicalWriter adds the
// XML name rules and the compact serialization. The same file holds the text
// functions used by readers of these documents (escaping, reference decoding,
// markup stripping).

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class THierarchicalWriter {
public:
    virtual ~THierarchicalWriter();

    // The three primitive operations; every convenience below is built on them.
    // Returned children belong to the tree (their parent writer).
    virtual THierarchicalWriter* AddChild(const QString& name, const QString& text) = 0;
    virtual THierarchicalWriter* InsertChild(int index, const QString& name, const QString& text) = 0;
    virtual void SetAttribute(const QString& name, const QString& value) = 0;
    // Replaces the element's own text.
    virtual void SetText(const QString& text) = 0;

    THierarchicalWriter* AddChild(const QString& name) { return AddChild(name, QString()); }
    THierarchicalWriter* AddChildInteger(const QString& name, qint64 value);
    // General number format, 15 significant digits, '.' as separator.
    THierarchicalWriter* AddChildFloat(const QString& name, double value);
    // Date-times are days since 1899-12-30: "dd/mm/yyyy hh:nn:ss" (time
    // omitted at midnight) and "dd/mm/yyyy".
    THierarchicalWriter* AddChildDateTime(const QString& name, double value);
    THierarchicalWriter* AddChildDate(const QString& name, double value);
    THierarchicalWriter* AddChildList(const QString& name, const QStringList& items, const QString& itemName);

    void SetAttributeInteger(const QString& name, qint64 value);
    void SetAttributeFloat(const QString& name, double value);
    void SetAttributeBool(const QString& name, bool value);
    void SetAttributeIfTrue(const QString& name, bool value);
    void SetAttributeIfFalse(const QString& name, bool value);
    // Colours are 0x00BBGGRR; a negative value is a system colour whose index is
    // the low byte, replaced by its current RGB value first.
    void SetAttributeColor(const QString& name, qint32 color);
    void SetColor(qint32 color) { SetAttributeColor(QStringLiteral("Color"), color); }
};

// "#" followed by at least six upper-case hexadecimal digits of the 0x00BBGGRR
// value, system colours resolved first.
QString ColorToXMLText(qint32 color);

// Maps a system colour index (0..255) to its current 0x00BBGGRR value. The
// default answers the classic desktop defaults; a program with a display can
// install one that reads its palette. Passing an empty function restores the
// default.
using TSystemColorResolver = std::function<quint32(int index)>;
void SetSystemColorResolver(TSystemColorResolver resolver);
quint32 SystemColorToRGB(int index);

class TStringsHierarchicalWriter : public THierarchicalWriter {
public:
    using TAttribute = QPair<QString, QString>;

    explicit TStringsHierarchicalWriter(const QString& name = QString());
    ~TStringsHierarchicalWriter() override;
    TStringsHierarchicalWriter(const TStringsHierarchicalWriter&) = delete;
    TStringsHierarchicalWriter& operator=(const TStringsHierarchicalWriter&) = delete;

    using THierarchicalWriter::AddChild;
    THierarchicalWriter* AddChild(const QString& name, const QString& text) override;
    THierarchicalWriter* InsertChild(int index, const QString& name, const QString& text) override;
    // Replaces a present attribute (letter case ignored) in place; an empty
    // value removes it, so attributes with empty values never exist.
    void SetAttribute(const QString& name, const QString& value) override;
    void SetText(const QString& text) override;

    const QString& Name() const { return FName; }
    void SetName(const QString& name);
    const QString& Text() const { return FText; }
    const QList<TAttribute>& Attributes() const { return FAttributes; }
    // The value of an attribute (letter case ignored), empty when absent.
    QString Attribute(const QString& name) const;
    int ChildCount() const { return int(FChildren.size()); }
    TStringsHierarchicalWriter* Child(int index) const { return FChildren.at(size_t(index)).get(); }
    TStringsHierarchicalWriter* Parent() const { return FParent; }

protected:
    // Name transformations applied before a name is stored; both keep the name here.
    virtual QString TransformElementName(const QString& name) const;
    virtual QString TransformAttributeName(const QString& name) const;
    // Creates an empty element of the same kind as this one.
    virtual std::unique_ptr<TStringsHierarchicalWriter> CreateChild() const;

private:
    TStringsHierarchicalWriter* insertNew(int index, const QString& name, const QString& text);

    QString FName;
    QString FText;
    QList<TAttribute> FAttributes;
    std::vector<std::unique_ptr<TStringsHierarchicalWriter>> FChildren;
    TStringsHierarchicalWriter* FParent = nullptr;
};

class TXMLHierarchicalWriter : public TStringsHierarchicalWriter {
public:
    // An empty name makes a nameless container (serialized as its children only).
    explicit TXMLHierarchicalWriter(const QString& name = QString());

    TXMLHierarchicalWriter* XMLChild(int index) const { return static_cast<TXMLHierarchicalWriter*>(Child(index)); }

    const QString& CDATA() const { return FCDATA; }
    void SetCDATA(const QString& text) { FCDATA = text; }

    // Compact serialization of this element and its subtree: no declaration,
    // no whitespace, special characters escaped when escape is on.
    QString ToText(bool escape = true) const;
    // UTF-8 document: the declaration line, CR LF, then prefix + ToText(true).
    // A nameless element is named "root" first.
    QByteArray ToDocument(const QString& prefix = QString());

protected:
    QString TransformElementName(const QString& name) const override;
    QString TransformAttributeName(const QString& name) const override;
    std::unique_ptr<TStringsHierarchicalWriter> CreateChild() const override;

private:
    QString FCDATA;
};

// The XML name rules: any text becomes a valid element (attribute) name.
QString XMLElementName(const QString& name);
QString XMLAttributeName(const QString& name);

// Escapes text for element content and attribute values (see the .cpp).
QString EscapeXMLText(const QString& text);
void AppendEscapedXMLText(QString& out, const QString& text);
// Replaces character references and the five predefined entities.
QString DecodeEntities(const QString& text);
// Strips tags and CDATA markers, then decodes references.
QString MarkupToText(const QString& text);

// Process-wide sharing of the names and short texts held by writer trees:
// equal strings come back as one shared copy. The table is cleared every
// 100 000 writer creations so that it never grows without bound.
QString InternWriterString(const QString& text);
