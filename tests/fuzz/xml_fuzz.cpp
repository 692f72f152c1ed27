// Arbitrary bytes through encoding detection, the lenient parser, both
// outputs, a copy and the writer adapter: faults must come out as
// EParserError, never as a crash, a hang or a runaway allocation.
#include "UXMLParser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TXMLDOMDocument doc;
    try {
        doc.LoadFromBytes(bytes);
    } catch (const EParserError&) {
        // The partial tree stays usable after a fault.
    }
    const QString markup = Xml(&doc);
    (void)Text(&doc);
    auto copy = doc.CloneNode(true);
    if (Xml(copy.get()) != markup) __builtin_trap();
    TXMLHierarchicalWriter writer;
    doc.WriteTo(&writer);
    (void)writer.ToText();
    for (TXMLDOMElement* e = FirstChildElement(doc.DocumentElement()); e; e = NextSiblingElement(e)) {
        (void)FirstTextValue(e);
        (void)NamespaceURI(e);
    }
    // What the system writes, the system reads.
    TXMLDOMDocument again;
    again.LoadXML(writer.ToText().isEmpty() ? QStringLiteral("<r/>") : writer.ToText());
    return 0;
}
