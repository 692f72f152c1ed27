// The writer trees: the typed conveniences, the plain tree, the XML tree and
// its serialization, and the string-sharing table behind them.

#include "UHierarchicalWriter.h"

#include "USysUtils.h"

#include <QHash>
#include <QMutex>
#include <QSet>

#include <array>
#include <atomic>

// ---------------------------------------------------------------------------
// String sharing

namespace {

constexpr int kInternBuckets = 64;
constexpr int kInternResetPeriod = 100000;
// Long texts rarely repeat; sharing them would only keep them alive.
constexpr qsizetype kInternMaxLength = 128;

struct InternBucket {
    QMutex lock;
    QSet<QString> strings;
};

std::array<InternBucket, kInternBuckets>& internBuckets() {
    static std::array<InternBucket, kInternBuckets> buckets;
    return buckets;
}

std::atomic<int> gCreationsBeforeReset{kInternResetPeriod};

void noteWriterCreation() {
    if (gCreationsBeforeReset.fetch_sub(1, std::memory_order_relaxed) == 1) {
        gCreationsBeforeReset.store(kInternResetPeriod, std::memory_order_relaxed);
        for (InternBucket& bucket : internBuckets()) {
            QMutexLocker locker(&bucket.lock);
            bucket.strings.clear();
        }
    }
}

}  // namespace

QString InternWriterString(const QString& text) {
    if (text.isEmpty() || text.size() > kInternMaxLength) return text;
    InternBucket& bucket = internBuckets()[qHash(text) % kInternBuckets];
    QMutexLocker locker(&bucket.lock);
    auto it = bucket.strings.constFind(text);
    if (it != bucket.strings.constEnd()) return *it;
    bucket.strings.insert(text);
    return text;
}

// ---------------------------------------------------------------------------
// Colours

namespace {

// The classic desktop defaults of the 31 system colour indexes, 0x00BBGGRR.
constexpr quint32 kDefaultSystemColors[] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
    0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xD77800, 0xF0F0F0,
};

QMutex gResolverLock;
TSystemColorResolver& systemColorResolver() {
    static TSystemColorResolver resolver;
    return resolver;
}

}  // namespace

void SetSystemColorResolver(TSystemColorResolver resolver) {
    QMutexLocker locker(&gResolverLock);
    systemColorResolver() = std::move(resolver);
}

quint32 SystemColorToRGB(int index) {
    {
        QMutexLocker locker(&gResolverLock);
        if (systemColorResolver()) return systemColorResolver()(index);
    }
    if (index >= 0 && index < int(std::size(kDefaultSystemColors))) return kDefaultSystemColors[index];
    return 0;
}

QString ColorToXMLText(qint32 color) {
    quint32 value = quint32(color);
    if (color < 0) value = SystemColorToRGB(int(value & 0xFF));
    return QLatin1Char('#') + IntToHex(value, 6);
}

// ---------------------------------------------------------------------------
// THierarchicalWriter conveniences

THierarchicalWriter::~THierarchicalWriter() = default;

THierarchicalWriter* THierarchicalWriter::AddChildInteger(const QString& name, qint64 value) {
    return AddChild(name, QString::number(value));
}

THierarchicalWriter* THierarchicalWriter::AddChildFloat(const QString& name, double value) {
    return AddChild(name, FloatToStr(value, QLatin1Char('.')));
}

THierarchicalWriter* THierarchicalWriter::AddChildDateTime(const QString& name, double value) {
    return AddChild(name, DateTimeToStr(value));
}

THierarchicalWriter* THierarchicalWriter::AddChildDate(const QString& name, double value) {
    return AddChild(name, DateToStr(value));
}

THierarchicalWriter* THierarchicalWriter::AddChildList(const QString& name, const QStringList& items,
                                                       const QString& itemName) {
    THierarchicalWriter* list = AddChild(name);
    for (const QString& item : items) list->AddChild(itemName, item);
    return list;
}

void THierarchicalWriter::SetAttributeInteger(const QString& name, qint64 value) {
    SetAttribute(name, QString::number(value));
}

void THierarchicalWriter::SetAttributeFloat(const QString& name, double value) {
    SetAttribute(name, FloatToStr(value, QLatin1Char('.')));
}

void THierarchicalWriter::SetAttributeBool(const QString& name, bool value) {
    SetAttribute(name, value ? QStringLiteral("True") : QStringLiteral("False"));
}

void THierarchicalWriter::SetAttributeIfTrue(const QString& name, bool value) {
    if (value) SetAttribute(name, QStringLiteral("True"));
}

void THierarchicalWriter::SetAttributeIfFalse(const QString& name, bool value) {
    if (!value) SetAttribute(name, QStringLiteral("False"));
}

void THierarchicalWriter::SetAttributeColor(const QString& name, qint32 color) {
    SetAttribute(name, ColorToXMLText(color));
}

// ---------------------------------------------------------------------------
// TStringsHierarchicalWriter

TStringsHierarchicalWriter::TStringsHierarchicalWriter(const QString& name) : FName(InternWriterString(name)) {
    noteWriterCreation();
}

TStringsHierarchicalWriter::~TStringsHierarchicalWriter() {
    // Frees the subtree without recursion, so that any depth is safe: each
    // element's children are taken out before the element itself is freed.
    std::vector<std::unique_ptr<TStringsHierarchicalWriter>> pending = std::move(FChildren);
    while (!pending.empty()) {
        std::unique_ptr<TStringsHierarchicalWriter> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->FChildren) pending.push_back(std::move(child));
        node->FChildren.clear();
    }
}

void TStringsHierarchicalWriter::SetName(const QString& name) { FName = InternWriterString(name); }

QString TStringsHierarchicalWriter::TransformElementName(const QString& name) const { return name; }
QString TStringsHierarchicalWriter::TransformAttributeName(const QString& name) const { return name; }

std::unique_ptr<TStringsHierarchicalWriter> TStringsHierarchicalWriter::CreateChild() const {
    return std::make_unique<TStringsHierarchicalWriter>();
}

TStringsHierarchicalWriter* TStringsHierarchicalWriter::insertNew(int index, const QString& name,
                                                                  const QString& text) {
    std::unique_ptr<TStringsHierarchicalWriter> child = CreateChild();
    child->FName = InternWriterString(TransformElementName(name));
    child->FText = InternWriterString(text);
    child->FParent = this;
    TStringsHierarchicalWriter* result = child.get();
    if (index < 0 || size_t(index) >= FChildren.size())
        FChildren.push_back(std::move(child));
    else
        FChildren.insert(FChildren.begin() + index, std::move(child));
    return result;
}

THierarchicalWriter* TStringsHierarchicalWriter::AddChild(const QString& name, const QString& text) {
    return insertNew(-1, name, text);
}

THierarchicalWriter* TStringsHierarchicalWriter::InsertChild(int index, const QString& name, const QString& text) {
    return insertNew(index, name, text);
}

void TStringsHierarchicalWriter::SetAttribute(const QString& name, const QString& value) {
    const QString key = TransformAttributeName(name);
    for (qsizetype i = 0; i < FAttributes.size(); ++i) {
        if (FAttributes[i].first.compare(key, Qt::CaseInsensitive) == 0) {
            if (value.isEmpty())
                FAttributes.removeAt(i);
            else
                FAttributes[i].second = InternWriterString(value);
            return;
        }
    }
    if (!value.isEmpty()) FAttributes.append({InternWriterString(key), InternWriterString(value)});
}

void TStringsHierarchicalWriter::SetText(const QString& text) { FText = InternWriterString(text); }

QString TStringsHierarchicalWriter::Attribute(const QString& name) const {
    for (const TAttribute& attribute : FAttributes)
        if (attribute.first.compare(name, Qt::CaseInsensitive) == 0) return attribute.second;
    return QString();
}

// ---------------------------------------------------------------------------
// TXMLHierarchicalWriter

TXMLHierarchicalWriter::TXMLHierarchicalWriter(const QString& name)
    : TStringsHierarchicalWriter(name.isEmpty() ? QString() : XMLElementName(name)) {}

QString TXMLHierarchicalWriter::TransformElementName(const QString& name) const { return XMLElementName(name); }

QString TXMLHierarchicalWriter::TransformAttributeName(const QString& name) const {
    return XMLAttributeName(name);
}

std::unique_ptr<TStringsHierarchicalWriter> TXMLHierarchicalWriter::CreateChild() const {
    return std::make_unique<TXMLHierarchicalWriter>();
}

namespace {

void appendText(QString& out, const QString& text, bool escape) {
    if (escape)
        AppendEscapedXMLText(out, text);
    else
        out.append(text);
}

// CDATA content: control characters other than tab, CR and LF removed, then
// every "]]>" written as "]]&gt;" so that the section cannot end early. The
// replacement is made after the removal: "]" NUL "]>" must not become "]]>".
void appendCDataContent(QString& out, const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\r' && u != '\n') continue;
        clean.append(c);
    }
    clean.replace(QLatin1String("]]>"), QLatin1String("]]&gt;"));
    out.append(clean);
}

// The parser drops the blanks around an element's text (the indentation
// between tags), so a text that really starts or ends with spaces or line
// breaks writes those as character references: it reads back as it was.
void keepOuterBlanks(QString& out, qsizetype textStart) {
    const auto blank = [&](qsizetype i) {
        const QChar c = out.at(i);
        return c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    };
    qsizetype lead = textStart;
    while (lead < out.size() && blank(lead)) ++lead;
    qsizetype trail = out.size();
    while (trail > lead && blank(trail - 1)) --trail;
    if (lead == textStart && trail == out.size()) return;
    const auto reference = [](QChar c) {
        return c == QLatin1Char(' ') ? QLatin1String("&#32;")
                                     : c == QLatin1Char('\r') ? QLatin1String("&#13;") : QLatin1String("&#10;");
    };
    const QString text = out.mid(textStart);
    out.truncate(textStart);
    const qsizetype leadLength = lead - textStart, trailStart = trail - textStart;
    for (qsizetype i = 0; i < leadLength; ++i) out.append(reference(text.at(i)));
    out.append(QStringView(text).mid(leadLength, trailStart - leadLength));
    for (qsizetype i = trailStart; i < text.size(); ++i) out.append(reference(text.at(i)));
}

// Writes the start of an element; returns true when it has content (then its
// end tag is due after the children).
bool writeStart(QString& out, const TXMLHierarchicalWriter* e, bool escape) {
    out.append(QLatin1Char('<'));
    out.append(e->Name());
    for (const auto& attribute : e->Attributes()) {
        QString value;
        appendText(value, attribute.second, escape);
        // An empty attribute is never written; one whose every character is
        // dropped by the escaping is left out the same way, so that what is
        // read back writes the same again.
        if (value.isEmpty()) continue;
        out.append(QLatin1Char(' '));
        out.append(attribute.first);
        out.append(QLatin1String("=\""));
        out.append(value);
        out.append(QLatin1Char('"'));
    }
    // Text and CDATA as they will be written: one that holds only dropped
    // characters is written as none, as it will read back.
    QString text;
    appendText(text, e->Text(), escape);
    if (escape) keepOuterBlanks(text, 0);
    QString cdata;
    if (!e->CDATA().isEmpty()) appendCDataContent(cdata, e->CDATA());
    if (e->ChildCount() == 0 && text.isEmpty() && cdata.isEmpty()) {
        out.append(QLatin1String("/>"));
        return false;
    }
    out.append(QLatin1Char('>'));
    out.append(text);
    if (!cdata.isEmpty()) {
        out.append(QLatin1String("<![CDATA["));
        out.append(cdata);
        out.append(QLatin1String("]]>"));
    }
    return true;
}

}  // namespace

QString TXMLHierarchicalWriter::ToText(bool escape) const {
    QString out;
    // Iterative walk: each frame is an element whose children are being
    // written; a nameless element writes its children only.
    struct Frame {
        const TXMLHierarchicalWriter* element;
        int next;
        bool closeTag;
    };
    std::vector<Frame> stack;
    auto open = [&](const TXMLHierarchicalWriter* e) {
        if (e->Name().isEmpty()) {
            stack.push_back({e, 0, false});
        } else if (writeStart(out, e, escape)) {
            stack.push_back({e, 0, true});
        }
    };
    open(this);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.element->ChildCount()) {
            const TXMLHierarchicalWriter* child = frame.element->XMLChild(frame.next++);
            open(child);  // may reallocate the stack: frame is not used after this
            continue;
        }
        if (frame.closeTag) {
            out.append(QLatin1String("</"));
            out.append(frame.element->Name());
            out.append(QLatin1Char('>'));
        }
        stack.pop_back();
    }
    return out;
}

QByteArray TXMLHierarchicalWriter::ToDocument(const QString& prefix) {
    if (Name().isEmpty()) SetName(QStringLiteral("root"));
    QByteArray result("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    result.append((prefix + ToText(true)).toUtf8());
    return result;
}
