#pragma once
// The raw data of a cube data set, independent of any pivot layout: one line per
// data item, one column per axis (the member's caption) and per value.
// WriteDataTable/ExportDataHTML give the HTML page of the viewer's raw data
// export; ExportDataCSV gives the same grid as CSV for other tools.

#include <QByteArray>
#include <QString>

class THierarchicalWriter;
class TPivotCubeData;
class TStream;

// Appends a `table` element of class "PivotCubeData" to the writer: the axis and
// value column groups, a header line of names, then one line per data item in
// the list's current order (an ID no member has gives an empty cell).
void WriteDataTable(const TPivotCubeData& cube, THierarchicalWriter& writer);

// The complete UTF-8 HTML page around the raw data table.
QByteArray DataHTMLPage(const TPivotCubeData& cube);
void ExportDataHTML(const TPivotCubeData& cube, TStream& stream);

// The cube's title as written inside the page's `title` element: CR and the LF
// that ends a line of text become "<br>", other LFs are dropped, '<' and '>'
// are escaped.
QString DataHTMLTitle(const QString& title);

// RFC 4180 CSV in UTF-8 (CR LF line ends): a header line of axis and value
// names, then one line per data item: the member captions, then the numbers in
// their shortest round-trip form with '.' as decimal separator ("inf", "-inf"
// and "nan" for the non-finite ones). In a file of one column a field that is
// empty or blanks only is quoted, so that no line of it reads as blank.
QByteArray ExportDataCSV(const TPivotCubeData& cube);

// One CSV field: quoted (inner quotes doubled) when it holds a comma, a quote,
// CR or LF; as is otherwise.
QByteArray CSVField(const QString& text);
// The same field appended to out.
void AppendCSVField(QByteArray& out, const QString& text);
// The shortest text that reads back as exactly the same double.
QByteArray ShortestNumberText(double value);
