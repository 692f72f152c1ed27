// The lenient parser: every node class reads itself from a text cursor and
// records its faults in the document; the document fails once at the end.
// Elements are read with an explicit stack, so nesting depth never reaches
// the machine stack.

#include "UXMLParser.h"

namespace {

bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\n';
}

bool isBlankOrNul(QChar c) { return c.unicode() == 0 || isBlank(c); }

void skipBlanks(TXMLTextCursor& c) {
    while (!c.AtEnd() && isBlank(c.Current())) ++c.Position;
}

// Moves past the next '>' (to the end of the text when there is none).
void skipPastTagEnd(TXMLTextCursor& c) {
    const qsizetype gt = c.Find(QLatin1Char('>'));
    c.Position = gt < c.Length ? gt + 1 : c.Length;
}

// The next '>' from the cursor that is not inside a quoted item; Length when none.
qsizetype findDeclarationEnd(const TXMLTextCursor& c, qsizetype from) {
    QChar quote;
    for (qsizetype i = from; i < c.Length; ++i) {
        const QChar ch = c.Text[i];
        if (!quote.isNull()) {
            if (ch == quote) quote = QChar();
        } else if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            quote = ch;
        } else if (ch == QLatin1Char('>')) {
            return i;
        }
    }
    return c.Length;
}

// Reads "<?" text "?>" and splits it into target and data.
void readInstruction(TXMLTextCursor& c, QString& target, QString& data) {
    c.Position += 2;
    const qsizetype start = c.Position;
    const qsizetype end = c.Find(QLatin1String("?>"));
    const QStringView text = c.Slice(start, end);
    c.Position = end < c.Length ? end + 2 : c.Length;
    qsizetype blank = 0;
    while (blank < text.size() && !isBlank(text.at(blank))) ++blank;
    if (blank == text.size()) {
        target.clear();
        data = text.toString();
        return;
    }
    target = text.left(blank).toString();
    qsizetype dataStart = blank;
    while (dataStart < text.size() && isBlank(text.at(dataStart))) ++dataStart;
    data = text.mid(dataStart).toString();
}

// Reads from the cursor up to the terminator; the node takes the rest of the
// text when the terminator is missing.
QString readDelimited(TXMLTextCursor& c, qsizetype openLength, QLatin1String terminator) {
    c.Position += openLength;
    const qsizetype start = std::min(c.Position, c.Length);
    const qsizetype end = c.Find(terminator);
    c.Position = end < c.Length ? end + terminator.size() : c.Length;
    return c.Slice(start, end).toString();
}

}  // namespace

bool TXMLTextCursor::StartsWith(QLatin1String s) const {
    if (Position + s.size() > Length) return false;
    return QStringView(Text + Position, s.size()) == s;
}

qsizetype TXMLTextCursor::Find(QLatin1String s) const {
    if (Position >= Length) return Length;
    const qsizetype i = QStringView(Text, Length).indexOf(s, Position);
    return i < 0 ? Length : i;
}

qsizetype TXMLTextCursor::Find(QChar ch) const {
    if (Position >= Length) return Length;
    const qsizetype i = QStringView(Text, Length).indexOf(ch, Position);
    return i < 0 ? Length : i;
}

// ---------------------------------------------------------------------------
// Leaves

void TXMLDOMAttribute::Parse(TXMLTextCursor& c) {
    skipBlanks(c);
    const qsizetype start = c.Position;
    while (!c.AtEnd()) {
        const char16_t u = c.Current().unicode();
        if (u == '=' || u == '/' || u == '>' || u == ' ' || u == '\r' || u == '\n') break;
        ++c.Position;
    }
    SetNodeName(c.Slice(start, c.Position).toString());
    if (isBlank(c.Current())) {
        skipBlanks(c);
    }
    if (c.Current() != QLatin1Char('=')) {
        RecordError(QStringLiteral("Attribute missing value assignment"));
        return;
    }
    ++c.Position;
    skipBlanks(c);
    const QChar quote = c.Current();
    if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
        ++c.Position;
        const qsizetype valueStart = c.Position;
        const qsizetype end = c.Find(quote);
        FValue = c.Slice(valueStart, end).toString();
        c.Position = end < c.Length ? end + 1 : c.Length;
        return;
    }
    RecordError(QStringLiteral("Attribute not enclosed in quotes"));
    const qsizetype valueStart = c.Position;
    while (!c.AtEnd()) {
        const char16_t u = c.Current().unicode();
        if (u <= 32 || u == '/' || u == '>') break;
        ++c.Position;
    }
    FValue = c.Slice(valueStart, c.Position).toString();
}

void TXMLDOMText::Parse(TXMLTextCursor& c) {
    const qsizetype start = c.Position;
    const qsizetype end = c.Find(QLatin1Char('<'));
    c.Position = end;
    qsizetype last = end;
    if (!c.PreserveSpace)
        while (last > start && isBlankOrNul(c.Text[last - 1])) --last;
    FData = c.Slice(start, last).toString();
}

void TXMLDOMCDATASection::Parse(TXMLTextCursor& c) { FData = readDelimited(c, 9, QLatin1String("]]>")); }

void TXMLDOMComment::Parse(TXMLTextCursor& c) { FData = readDelimited(c, 4, QLatin1String("-->")); }

void TXMLDOMProcessingInstruction::Parse(TXMLTextCursor& c) {
    readInstruction(c, FTarget, FData);
    SetNodeName(FTarget);
}

void TXMLDOMDocumentDecl::Parse(TXMLTextCursor& c) {
    TXMLDOMProcessingInstruction::Parse(c);
    // version="..." [encoding="..."] [standalone="..."], blanks allowed
    // around each '=', either quote character.
    const QString& d = FData;
    qsizetype i = 0;
    auto skip = [&] {
        while (i < d.size() && isBlank(d.at(i))) ++i;
    };
    auto readPair = [&](QLatin1String name, QString& value, QChar& quote) {
        skip();
        if (!QStringView(d).mid(i).startsWith(name)) return false;
        const qsizetype save = i;
        i += name.size();
        skip();
        if (i >= d.size() || d.at(i) != QLatin1Char('=')) { i = save; return false; }
        ++i;
        skip();
        if (i >= d.size() || (d.at(i) != QLatin1Char('"') && d.at(i) != QLatin1Char('\''))) { i = save; return false; }
        const QChar q = d.at(i);
        const qsizetype end = d.indexOf(q, i + 1);
        if (end < 0) { i = save; return false; }
        value = d.mid(i + 1, end - i - 1);
        quote = q;
        i = end + 1;
        return true;
    };
    bool valid = readPair(QLatin1String("version"), FVersion, FVersionQuote);
    if (valid) {
        readPair(QLatin1String("encoding"), FEncoding, FEncodingQuote);
        readPair(QLatin1String("standalone"), FStandalone, FStandaloneQuote);
        skip();
        valid = i == d.size();
    }
    if (!valid) RecordError(QStringLiteral("invalid document declaration"));
}

// ---------------------------------------------------------------------------
// Entities, notations and the document type

bool TXMLDOMEntityNotation::ReadQuoted(TXMLTextCursor& c, QString& value, QChar& quote) {
    const QChar q = c.Current();
    if (q != QLatin1Char('"') && q != QLatin1Char('\'')) {
        RecordError(QStringLiteral("erreur de syntaxe"));
        return false;
    }
    ++c.Position;
    const qsizetype start = c.Position;
    const qsizetype end = c.Find(q);
    value = c.Slice(start, end).toString();
    quote = q;
    c.Position = end < c.Length ? end + 1 : c.Length;
    return true;
}

namespace {

QString readWord(TXMLTextCursor& c) {
    const qsizetype start = c.Position;
    while (!c.AtEnd() && !isBlank(c.Current()) && c.Current() != QLatin1Char('>')) ++c.Position;
    return c.Slice(start, c.Position).toString();
}

}  // namespace

void TXMLDOMEntity::Parse(TXMLTextCursor& c) {
    c.Position += 9;  // "<!ENTITY "
    skipBlanks(c);
    if (c.Current() == QLatin1Char('%')) {
        FParameterEntity = true;
        ++c.Position;
        skipBlanks(c);
    }
    SetNodeName(readWord(c));
    skipBlanks(c);
    bool external = false;
    if (c.StartsWith(QLatin1String("SYSTEM "))) {
        c.Position += 7;
        skipBlanks(c);
        FHasSystem = ReadQuoted(c, FSystemId, FSystemQuote);
        external = true;
    } else if (c.StartsWith(QLatin1String("PUBLIC "))) {
        c.Position += 7;
        skipBlanks(c);
        FHasPublic = ReadQuoted(c, FPublicId, FPublicQuote);
        skipBlanks(c);
        FHasSystem = ReadQuoted(c, FSystemId, FSystemQuote);
        external = true;
    } else {
        ReadQuoted(c, FValue, FValueQuote);
    }
    if (external) {
        skipBlanks(c);
        if (c.StartsWith(QLatin1String("NDATA "))) {
            if (FParameterEntity)
                RecordError(QStringLiteral("erreur de syntaxe !ENTITY NDATA must not be present in PE entity"));
            c.Position += 6;
            skipBlanks(c);
            FNotationName = readWord(c);
        }
    }
}

void TXMLDOMNotation::Parse(TXMLTextCursor& c) {
    c.Position += 11;  // "<!NOTATION "
    skipBlanks(c);
    SetNodeName(readWord(c));
    skipBlanks(c);
    if (c.StartsWith(QLatin1String("SYSTEM "))) {
        c.Position += 7;
        skipBlanks(c);
        FHasSystem = ReadQuoted(c, FSystemId, FSystemQuote);
    } else if (c.StartsWith(QLatin1String("PUBLIC "))) {
        c.Position += 7;
        skipBlanks(c);
        FHasPublic = ReadQuoted(c, FPublicId, FPublicQuote);
        skipBlanks(c);
        if (c.Current() == QLatin1Char('"') || c.Current() == QLatin1Char('\''))
            FHasSystem = ReadQuoted(c, FSystemId, FSystemQuote);
    } else {
        RecordError(QStringLiteral("erreur de syntaxe !NOTATION"));
    }
}

void TXMLDOMDocumentType::Parse(TXMLTextCursor& c) {
    c.Position += 10;  // "<!DOCTYPE "
    // The head (name and external identifier) runs to '[' or '>', quoted
    // identifiers excepted.
    qsizetype headEnd = c.Position;
    QChar quote;
    for (; headEnd < c.Length; ++headEnd) {
        const QChar ch = c.Text[headEnd];
        if (!quote.isNull()) {
            if (ch == quote) quote = QChar();
        } else if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            quote = ch;
        } else if (ch == QLatin1Char('[') || ch == QLatin1Char('>')) {
            break;
        }
    }
    const QString head = c.Slice(c.Position, headEnd).toString().trimmed();
    qsizetype blank = 0;
    while (blank < head.size() && !isBlank(head.at(blank))) ++blank;
    SetNodeName(head.left(blank));
    FExternalId = head.mid(blank).trimmed();
    if (headEnd >= c.Length) {
        c.Position = c.Length;
        return;
    }
    c.Position = headEnd + 1;
    if (c.Text[headEnd] == QLatin1Char('[')) ParseInternalSubset(c);
}

void TXMLDOMDocumentType::ParseInternalSubset(TXMLTextCursor& c) {
    for (;;) {
        skipBlanks(c);
        if (c.AtEnd()) return;
        if (c.Current() == QLatin1Char(']')) {
            ++c.Position;
            skipPastTagEnd(c);
            return;
        }
        const qsizetype start = c.Position;
        if (c.StartsWith(QLatin1String("<!ELEMENT ")) || c.StartsWith(QLatin1String("<!ATTLIST "))) {
            const qsizetype end = findDeclarationEnd(c, start);
            AddDeclaration(c.Slice(start + 1, end).toString(), nullptr);
            c.Position = end < c.Length ? end + 1 : c.Length;
        } else if (c.StartsWith(QLatin1String("<!ENTITY ")) || c.StartsWith(QLatin1String("<!NOTATION "))) {
            // Each declaration is read from its own text, so that a fault
            // inside it cannot run past its end.
            const qsizetype end = findDeclarationEnd(c, start);
            TXMLTextCursor own(c.Slice(start, end));
            std::unique_ptr<TXMLDOMNode> node;
            if (c.StartsWith(QLatin1String("<!ENTITY ")))
                node = std::make_unique<TXMLDOMEntity>(OwnerDocument(), QString());
            else
                node = std::make_unique<TXMLDOMNotation>(OwnerDocument(), QString());
            node->Parse(own);
            AddDeclaration(QString(), std::move(node));
            c.Position = end < c.Length ? end + 1 : c.Length;
        } else if (c.StartsWith(QLatin1String("<!--"))) {
            auto comment = std::make_unique<TXMLDOMComment>(OwnerDocument(), QString());
            comment->Parse(c);
            AddDeclaration(QString(), std::move(comment));
        } else if (c.StartsWith(QLatin1String("<?"))) {
            auto instruction = std::make_unique<TXMLDOMProcessingInstruction>(OwnerDocument(), QString(), QString());
            instruction->Parse(c);
            AddDeclaration(QString(), std::move(instruction));
        } else {
            RecordError(QStringLiteral("Erreur de syntaxe dans la dtd"));
            skipPastTagEnd(c);
        }
    }
}

// ---------------------------------------------------------------------------
// Elements

bool TXMLDOMElement::ParseStartTag(TXMLTextCursor& c) {
    ++c.Position;  // '<'
    const qsizetype start = c.Position;
    while (!c.AtEnd()) {
        const QChar ch = c.Current();
        if (isBlankOrNul(ch) || ch == QLatin1Char('/') || ch == QLatin1Char('>')) break;
        ++c.Position;
    }
    if (c.Position == start) {
        RecordError(QStringLiteral("Element must be named"));
        skipPastTagEnd(c);
        return false;
    }
    SetNodeName(c.Slice(start, c.Position).toString());
    if (c.Current() != QLatin1Char('/') && c.Current() != QLatin1Char('>')) {
        for (;;) {
            skipBlanks(c);
            const QChar ch = c.Current();
            if (ch.unicode() == 0 || ch == QLatin1Char('/') || ch == QLatin1Char('>')) break;
            TXMLDOMAttribute* attribute = AdoptAttribute(std::make_unique<TXMLDOMAttribute>(OwnerDocument(), QString()));
            attribute->Parse(c);
            if (attribute->NodeName() == QLatin1String("xml:space"))
                c.PreserveSpace = attribute->Value() == QLatin1String("preserve");
        }
    }
    if (c.Current() == QLatin1Char('/')) {
        ++c.Position;
        if (c.Current() != QLatin1Char('>')) {
            RecordError(QStringLiteral("Unfinished element"));
            skipPastTagEnd(c);
            return false;
        }
        ++c.Position;
        return false;
    }
    if (c.Current() == QLatin1Char('>')) {
        ++c.Position;
        return true;
    }
    if (c.AtEnd()) return false;  // a document cut inside a start tag
    // A character 0 inside the tag.
    RecordError(QStringLiteral("Unfinished element"));
    skipPastTagEnd(c);
    return false;
}

void TXMLDOMElement::Parse(TXMLTextCursor& c) {
    const bool outerPreserve = c.PreserveSpace;
    struct Frame {
        TXMLDOMElement* element;
        bool preserve;
    };
    std::vector<Frame> open;
    if (ParseStartTag(c)) open.push_back({this, c.PreserveSpace});
    c.PreserveSpace = outerPreserve;

    auto appendChild = [](TXMLDOMElement* parent, std::unique_ptr<TXMLDOMNode> node) {
        TXMLDOMNodeList* children = parent->EnsureChildNodes();
        TXMLDOMNode* raw = node.release();
        children->Add(raw);
        Attach(raw, parent, raw->IndexInParent());
        return raw;
    };

    while (!open.empty()) {
        TXMLDOMElement* e = open.back().element;
        const bool preserve = open.back().preserve;
        c.PreserveSpace = preserve;
        bool closed = false;
        bool descended = false;
        while (!closed && !descended) {
            if (c.AtEnd()) {
                // The end of the text closes every open element silently.
                open.clear();
                c.PreserveSpace = outerPreserve;
                return;
            }
            const QChar ch = c.Current();
            if (ch.unicode() == 0 || (!preserve && isBlank(ch))) {
                ++c.Position;
                continue;
            }
            if (ch != QLatin1Char('<')) {
                TXMLDOMNode* text = appendChild(e, std::make_unique<TXMLDOMText>(OwnerDocument(), QString()));
                text->Parse(c);
                continue;
            }
            if (c.Position + 1 >= c.Length) {
                // A '<' that ends the text: the innermost element reports it
                // and the '<' is dropped.
                RecordError(QStringLiteral("Element \"%1\" not closed").arg(e->NodeName()));
                if (e->ParentNode() && OwnerDocument()) OwnerDocument()->AddUnclosed(e);
                ++c.Position;
                closed = true;
                continue;
            }
            const QChar next = c.Peek(1);
            if (next == QLatin1Char('/')) {
                const QString& name = e->NodeName();
                const qsizetype nameStart = c.Position + 2;
                const bool matches = nameStart + name.size() <= c.Length &&
                                     c.Slice(nameStart, nameStart + name.size()) == name &&
                                     (nameStart + name.size() == c.Length ||
                                      isBlankOrNul(c.Text[nameStart + name.size()]) ||
                                      c.Text[nameStart + name.size()] == QLatin1Char('>'));
                if (matches) {
                    skipPastTagEnd(c);
                } else {
                    RecordError(QStringLiteral("Element \"%1\" not closed").arg(name));
                    if (e->ParentNode() && OwnerDocument()) OwnerDocument()->AddUnclosed(e);
                }
                closed = true;
                continue;
            }
            if (next == QLatin1Char('?')) {
                appendChild(e, std::make_unique<TXMLDOMProcessingInstruction>(OwnerDocument(), QString(), QString()))
                    ->Parse(c);
                continue;
            }
            if (next == QLatin1Char('!') && c.StartsWith(QLatin1String("<!--"))) {
                appendChild(e, std::make_unique<TXMLDOMComment>(OwnerDocument(), QString()))->Parse(c);
                continue;
            }
            if (next == QLatin1Char('!') && c.StartsWith(QLatin1String("<![CDATA["))) {
                appendChild(e, std::make_unique<TXMLDOMCDATASection>(OwnerDocument(), QString()))->Parse(c);
                continue;
            }
            auto* child = static_cast<TXMLDOMElement*>(
                appendChild(e, std::make_unique<TXMLDOMElement>(OwnerDocument(), QString())));
            if (child->ParseStartTag(c)) {
                open.push_back({child, c.PreserveSpace});
                descended = true;
            }
            c.PreserveSpace = preserve;
        }
        if (closed) open.pop_back();
    }
    c.PreserveSpace = outerPreserve;
}

// ---------------------------------------------------------------------------
// Document

void TXMLDOMDocument::Parse(TXMLTextCursor& c) {
    FErrors.clear();
    FUnclosedElements.clear();
    while (!c.AtEnd()) {
        const QChar ch = c.Current();
        if (isBlankOrNul(ch)) {
            ++c.Position;
            continue;
        }
        std::unique_ptr<TXMLDOMNode> node;
        if (c.StartsWith(QLatin1String("<?xml "))) {
            node = std::make_unique<TXMLDOMDocumentDecl>(this);
        } else if (c.StartsWith(QLatin1String("<?"))) {
            node = std::make_unique<TXMLDOMProcessingInstruction>(this, QString(), QString());
        } else if (c.StartsWith(QLatin1String("<!--"))) {
            node = std::make_unique<TXMLDOMComment>(this, QString());
        } else if (c.StartsWith(QLatin1String("<!DOCTYPE "))) {
            node = std::make_unique<TXMLDOMDocumentType>(this, QString());
        } else if (ch != QLatin1Char('<')) {
            const qsizetype start = c.Position;
            skipPastTagEnd(c);
            if (!c.Slice(start, c.Position).trimmed().isEmpty()) AddError(QStringLiteral("Malformed document"));
            continue;
        } else if (c.Peek(1) == QLatin1Char('/')) {
            AddError(QStringLiteral("Unexpected element end tag"));
            skipPastTagEnd(c);
            continue;
        } else {
            node = std::make_unique<TXMLDOMElement>(this, QString());
        }
        TXMLDOMNode* raw = node.release();
        FChildNodes.Add(raw);
        Attach(raw, this, raw->IndexInParent());
        // The element's name is known only after parsing, but its place as
        // root element is decided by its arrival.
        NoteInserted(raw);
        c.PreserveSpace = false;
        raw->Parse(c);
    }
}

void TXMLDOMDocument::LoadXML(const QString& text) {
    if (FEncoding.Kind == ekNone) {
        FEncoding.Kind = ekUTF16;
        FEncoding.ByteOrder = boLittleEndian;
        FEncoding.Name = QStringLiteral("utf-16");
    }
    Clear();
    FErrors.clear();
    TXMLTextCursor cursor(text);
    Parse(cursor);
    if (!FErrors.isEmpty()) {
        QString message;
        for (const QString& error : FErrors) {
            message += error;
            message += QLatin1String("\r\n");
        }
        throw EParserError(message);
    }
}
