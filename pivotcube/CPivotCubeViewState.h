#pragma once
// The XML forms of the formulas and of the value columns. The view state of
// the whole engine is written and read by TPivotCube::WriteViewState and
// ReadViewState.

#include "CPivotCube.h"

class THierarchicalWriter;
class TXMLDOMNode;

// Appends the PCFormulas element (Count, one PCFormula per formula).
void WriteXML(const TPivotCubeFormulas& formulas, THierarchicalWriter* writer);
// Replaces every formula by those of a PCFormulas element (none: no formulas).
void ReadXML(TPivotCubeFormulas& formulas, const TXMLDOMNode* element);
// The formula document: UTF-8 with a declaration line; empty without formulas.
QByteArray SaveToXMLText(const TPivotCubeFormulas& formulas);

// Appends the Columns element of the value columns.
void WriteXML(const TPivotCubeValueColumns& columns, THierarchicalWriter* writer);
// Replaces the engine's value columns by those of a Columns element.
void ReadXML(TPivotCube& engine, const TXMLDOMNode* columns);

// Colours in XML: "#" and the hexadecimal digits of 0x00BBGGRR. Reading
// ignores '#', '$', '&', 'X' and 'x'; empty gives 0, any other character -1.
int32_t XMLTextToColor(const QString& text);
