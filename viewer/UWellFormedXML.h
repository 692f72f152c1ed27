#pragma once
// A check made before stored XML (view states, formulas, charts) reaches the
// document parser, which would repair what a damaged text leaves open.

#include "UMultiLang.h"

#include <QXmlStreamReader>

// The first well-formedness fault of an XML text ("line 3: ..."), empty when there is none.
template <class Text>
QString WellFormednessFault(const Text& text) {
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) reader.readNext();
    if (!reader.hasError()) return {};
    return TranslateFormat(QStringLiteral("ligne %0:d : %1:s"), {int(reader.lineNumber()), reader.errorString()});
}
