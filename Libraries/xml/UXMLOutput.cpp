// Markup output and text content. Elements walk their subtree with an
// explicit stack, so any depth is safe.

#include "UXMLParser.h"

namespace {

const QLatin1String kCRLF("\r\n");

int ancestorElementCount(const TXMLDOMNode* node) {
    int count = 0;
    for (const TXMLDOMNode* p = node->ParentNode(); p; p = p->ParentNode())
        if (p->NodeType() == ntElement) ++count;
    return count;
}

bool indenting(const TXMLDOMNode* node) {
    const TXMLDOMDocument* document =
        node->NodeType() == ntDocument ? static_cast<const TXMLDOMDocument*>(node) : node->OwnerDocument();
    return document && document->Indent();
}

// The optional indentation before a node other than text: CR LF unless it is
// the first output, then one tab per ancestor element.
void writeIndent(QString& out, int depth) {
    if (!out.isEmpty()) out.append(kCRLF);
    out.append(QString(depth, QLatin1Char('\t')));
}

void writeIndentFor(QString& out, const TXMLDOMNode* node) {
    if (indenting(node)) writeIndent(out, ancestorElementCount(node));
}

void writeQuoted(QString& out, const QString& value, QChar quote) {
    out.append(quote);
    out.append(value);
    out.append(quote);
}

bool isNameChar(QChar c) {
    const char16_t u = c.unicode();
    return !(u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '&' || u == '<');
}

void appendCode(QString& out, qint64 code) {
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out.append(QChar(QChar::ReplacementCharacter));
    } else if (code > 0xFFFF) {
        out.append(QChar::highSurrogate(char32_t(code)));
        out.append(QChar::lowSurrogate(char32_t(code)));
    } else {
        out.append(QChar(char16_t(code)));
    }
}

// Reads a run of decimal (or hexadecimal) digits; -1 when the run holds
// anything else or is empty, a value above the Unicode range when too big.
qint64 readCode(QStringView digits, bool hex) {
    if (digits.isEmpty()) return -1;
    qint64 value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        int d;
        if (u >= '0' && u <= '9') d = u - '0';
        else if (hex && u >= 'a' && u <= 'f') d = u - 'a' + 10;
        else if (hex && u >= 'A' && u <= 'F') d = u - 'A' + 10;
        else return -1;
        value = value * (hex ? 16 : 10) + d;
        if (value > 0x10FFFF) value = 0x110000;  // saturate: out of range
    }
    return value;
}

}  // namespace

QString ResolveReferences(const QString& text, const TXMLDOMDocument* document) {
    qsizetype amp = text.indexOf(QLatin1Char('&'));
    if (amp < 0) return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    const qsizetype n = text.size();
    qsizetype semicolon = -1;  // the next ';' after the current '&', kept while ahead
    while (amp >= 0) {
        out.append(QStringView(text).mid(i, amp - i));
        if (semicolon <= amp) semicolon = text.indexOf(QLatin1Char(';'), amp + 1);
        if (semicolon < 0) {
            i = amp;  // the rest is copied as it is
            break;
        }
        const QStringView name = QStringView(text).mid(amp + 1, semicolon - amp - 1);
        bool isName = true;
        for (QChar c : name)
            if (!isNameChar(c)) { isName = false; break; }
        if (!isName) {
            // A lone '&' in text ("Tom & Jerry; ...") is not a reference.
            out.append(QLatin1Char('&'));
            i = amp + 1;
            amp = text.indexOf(QLatin1Char('&'), i);
            continue;
        }
        if (name == QLatin1String("lt")) out.append(QLatin1Char('<'));
        else if (name == QLatin1String("gt")) out.append(QLatin1Char('>'));
        else if (name == QLatin1String("amp")) out.append(QLatin1Char('&'));
        else if (name == QLatin1String("apos")) out.append(QLatin1Char('\''));
        else if (name == QLatin1String("quot")) out.append(QLatin1Char('"'));
        else {
            qint64 code = -1;
            if (name.startsWith(QLatin1Char('#'))) {
                if (name.size() > 2 && name.at(1) == QLatin1Char('x'))
                    code = readCode(name.mid(2), true);
                else
                    code = readCode(name.mid(1), false);
            }
            if (code >= 0) {
                appendCode(out, code);
            } else {
                const TXMLDOMEntity* entity =
                    document && document->DocType() && !name.isEmpty()
                        ? document->DocType()->FindEntity(name.toString())
                        : nullptr;
                if (entity)
                    out.append(entity->Value());
                else
                    out.append(QLatin1String("&;"));
            }
        }
        i = semicolon + 1;
        amp = text.indexOf(QLatin1Char('&'), i);
    }
    out.append(QStringView(text).mid(i, n - i));
    return out;
}

// ---------------------------------------------------------------------------
// Markup

void TXMLDOMAttribute::WriteMarkup(QString& out) const {
    out.append(NodeName());
    out.append(QLatin1Char('='));
    if (!FValue.contains(QLatin1Char('"'))) {
        writeQuoted(out, FValue, QLatin1Char('"'));
    } else if (!FValue.contains(QLatin1Char('\''))) {
        writeQuoted(out, FValue, QLatin1Char('\''));
    } else {
        // Both quote characters: the double quotes are written as references,
        // which the text content resolves back.
        QString value = FValue;
        value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
        writeQuoted(out, value, QLatin1Char('"'));
    }
}

void TXMLDOMText::WriteMarkup(QString& out) const { out.append(FData); }

void TXMLDOMCDATASection::WriteMarkup(QString& out) const {
    writeIndentFor(out, this);
    out.append(QLatin1String("<![CDATA["));
    out.append(FData);
    out.append(QLatin1String("]]>"));
}

void TXMLDOMComment::WriteMarkup(QString& out) const {
    writeIndentFor(out, this);
    out.append(QLatin1String("<!--"));
    out.append(FData);
    out.append(QLatin1String("-->"));
}

void TXMLDOMProcessingInstruction::WriteMarkup(QString& out) const {
    writeIndentFor(out, this);
    out.append(QLatin1String("<?"));
    // An instruction read without a target keeps its text unchanged.
    if (!FTarget.isEmpty()) {
        out.append(FTarget);
        out.append(QLatin1Char(' '));
    }
    out.append(FData);
    out.append(QLatin1String("?>"));
}

void TXMLDOMDocumentDecl::WriteMarkup(QString& out) const {
    writeIndentFor(out, this);
    out.append(QLatin1String("<?"));
    out.append(FTarget);
    out.append(QLatin1String(" version="));
    writeQuoted(out, FVersion, FVersionQuote);
    if (!FEncoding.isEmpty()) {
        out.append(QLatin1String(" encoding="));
        writeQuoted(out, FEncoding, FEncodingQuote);
    }
    if (!FStandalone.isEmpty()) {
        out.append(QLatin1String(" standalone="));
        writeQuoted(out, FStandalone, FStandaloneQuote);
    }
    out.append(QLatin1String("?>"));
    out.append(kCRLF);
}

void TXMLDOMEntityNotation::WriteExternalId(QString& out) const {
    if (FHasPublic) {
        out.append(QLatin1String("PUBLIC "));
        writeQuoted(out, FPublicId, FPublicQuote);
        if (FHasSystem) {
            out.append(QLatin1Char(' '));
            writeQuoted(out, FSystemId, FSystemQuote);
        }
    } else if (FHasSystem) {
        out.append(QLatin1String("SYSTEM "));
        writeQuoted(out, FSystemId, FSystemQuote);
    }
}

void TXMLDOMEntity::WriteMarkup(QString& out) const {
    out.append(QLatin1String("<!ENTITY "));
    if (FParameterEntity) out.append(QLatin1String("% "));
    out.append(NodeName());
    out.append(QLatin1Char(' '));
    if (FHasPublic || FHasSystem) {
        WriteExternalId(out);
        if (!FNotationName.isEmpty()) {
            out.append(QLatin1String(" NDATA "));
            out.append(FNotationName);
        }
    } else {
        writeQuoted(out, FValue, FValueQuote);
    }
    out.append(QLatin1Char('>'));
}

void TXMLDOMNotation::WriteMarkup(QString& out) const {
    out.append(QLatin1String("<!NOTATION "));
    out.append(NodeName());
    out.append(QLatin1Char(' '));
    WriteExternalId(out);
    out.append(QLatin1Char('>'));
}

void TXMLDOMDocumentType::WriteMarkup(QString& out) const {
    writeIndentFor(out, this);
    out.append(QLatin1String("<!DOCTYPE "));
    out.append(NodeName());
    if (!FExternalId.isEmpty()) {
        out.append(QLatin1Char(' '));
        out.append(FExternalId);
    }
    if (FDeclarations.empty()) {
        out.append(QLatin1Char('>'));
        return;
    }
    out.append(QLatin1String(" ["));
    for (const TDeclaration& declaration : FDeclarations) {
        if (declaration.Node) {
            declaration.Node->WriteMarkup(out);
        } else {
            out.append(QLatin1Char('<'));
            out.append(declaration.Text);
            out.append(QLatin1Char('>'));
        }
    }
    out.append(QLatin1String("]>"));
}

void TXMLDOMElement::WriteStartTag(QString& out, int depth) const {
    if (indenting(this)) writeIndent(out, depth);
    out.append(QLatin1Char('<'));
    out.append(NodeName());
    for (int i = 0; i < AttributeCount(); ++i) {
        out.append(QLatin1Char(' '));
        Attribute(i)->WriteMarkup(out);
    }
}

void TXMLDOMElement::WriteMarkup(QString& out) const {
    const bool indent = indenting(this);
    struct Frame {
        const TXMLDOMElement* element;
        int next;
        int depth;
        bool lastWasText;
    };
    std::vector<Frame> open;
    auto start = [&](const TXMLDOMElement* e, int depth) {
        e->WriteStartTag(out, depth);
        if (e->HasChildNodes()) {
            out.append(QLatin1Char('>'));
            open.push_back({e, 0, depth, false});
        } else {
            out.append(QLatin1String("/>"));
        }
    };
    start(this, indent ? ancestorElementCount(this) : 0);
    while (!open.empty()) {
        Frame& frame = open.back();
        const TXMLDOMNodeList* children = frame.element->FChildNodes.get();
        if (frame.next < children->Count()) {
            const TXMLDOMNode* child = children->Item(frame.next++);
            frame.lastWasText = child->NodeType() == ntText;
            if (child->NodeType() == ntElement) {
                start(static_cast<const TXMLDOMElement*>(child), frame.depth + 1);  // frame may move
            } else {
                child->WriteMarkup(out);
            }
            continue;
        }
        if (!frame.element->FNoEndTag) {
            if (indent && !frame.lastWasText) writeIndent(out, frame.depth);
            out.append(QLatin1String("</"));
            out.append(frame.element->NodeName());
            out.append(QLatin1Char('>'));
        }
        open.pop_back();
    }
}

void TXMLDOMDocument::WriteMarkup(QString& out) const {
    for (const TXMLDOMNode* child : FChildNodes) child->WriteMarkup(out);
}

// ---------------------------------------------------------------------------
// Text content

void TXMLDOMAttribute::WriteText(QString& out) const { out.append(ResolveReferences(FValue, OwnerDocument())); }

void TXMLDOMText::WriteText(QString& out) const {
    if (!out.isEmpty()) out.append(kCRLF);
    out.append(ResolveReferences(FData, OwnerDocument()));
}

void TXMLDOMCDATASection::WriteText(QString& out) const {
    if (!out.isEmpty()) out.append(kCRLF);
    out.append(ResolveReferences(FData, OwnerDocument()));
}

void TXMLDOMElement::WriteText(QString& out) const {
    std::vector<const TXMLDOMNode*> pending{this};
    while (!pending.empty()) {
        const TXMLDOMNode* node = pending.back();
        pending.pop_back();
        if (node->NodeType() == ntElement) {
            const TXMLDOMNodeList* children = static_cast<const TXMLDOMElement*>(node)->FChildNodes.get();
            if (children)
                for (int i = children->Count() - 1; i >= 0; --i) pending.push_back(children->Item(i));
        } else {
            node->WriteText(out);
        }
    }
}

void TXMLDOMDocument::WriteText(QString& out) const {
    for (const TXMLDOMNode* child : FChildNodes) child->WriteText(out);
}
