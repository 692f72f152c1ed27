#pragma once
// The pivot table as a real Office Open XML workbook (.xlsx): numbers as
// numbers with the value column's decimals as the cell format, header cells
// merged over the spans the table gives them, column regroupment lines in
// bold, the header rows and row-header columns frozen; and, when asked, a
// second sheet with the raw data items (one line per item, one column per
// axis and per value).

#include <QByteArray>
#include <QString>

class TPivotCube;

struct TPCXlsxOptions {
    bool WithData = false;
    QString TableSheet = QStringLiteral("Tableau croisé");
    QString DataSheet = QStringLiteral("Données");
};

// The workbook's bytes. Raises an Exception when the table or the data do not
// fit in a worksheet (1 048 576 rows, 16 384 columns) or the workbook cannot
// be written.
QByteArray ExportXlsx(TPivotCube& engine, const TPCXlsxOptions& options = {});

// The spreadsheet number format of a display mask of the "%.2f" family:
// "%.2f" gives "0.00", "%.0f" "0", "%n" thousands separated ("#,##0.00"),
// "%e" scientific, "%g" and "%s" the general format; the text around the
// specifier stays as quoted literal text ("%.1f %%" gives 0.0" %"). Empty for
// a mask that is not one number (a display expression "=…", "%d", several
// specifiers): such cells keep the text they show.
QString SpreadsheetNumberFormat(const QString& mask);
