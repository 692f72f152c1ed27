#pragma once
// The pivot table exports: the HTML table of the table as shown, the HTML page
// and the XML document around it, and the spreadsheet page (the HTML page with
// numbers written with the user's decimal separator). The operations
// themselves are members of TPivotCube (CPivotCube.h); this header holds what
// callers and tests share besides them.

#include <QByteArray>
#include <QChar>

class TPivotCube;

// The bytes in front of the table in the HTML page: the head with its style
// sheet and the opening body tag (lines end with CR LF, the last one does not).
QByteArray PivotTableHTMLPrefix();

// The HTML page of the main window's export (options 7) built while the
// process-wide decimal separator is `separator`; the previous separator is
// restored afterwards, also when the export fails. ExportSpreadsheet is this
// with the user's locale separator.
QByteArray PivotTableHTMLWithSeparator(TPivotCube& pivot, QChar separator);
