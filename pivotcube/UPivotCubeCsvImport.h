#pragma once
// A cube data set made from a CSV file: a header line of column names, then one
// data item per line. Each column becomes an axis (its distinct texts are the
// members), a value (its numbers are aggregated by a group operator) or is
// left out. Without chosen roles the columns are classified from their
// content: numbers make values summed with "Somme", texts and dates make axes.
//
// The text is RFC 4180: fields separated by ',', ';' or a tab (detected from
// the header and the first lines unless given), quoted with '"' (a doubled quote inside is one
// quote, line breaks inside are kept), lines ended by CR LF, LF or CR. UTF-8
// with or without a byte order mark, or Latin-1.
//
// An empty cell of a value column is read as 0 (the item is kept, so the other
// columns of its line still count); the import counts those cells. Blank lines
// are skipped, except in a file of one column, where they are empty cells. Anything the
// file cannot mean (a ragged line, a text in a value column, a duplicate
// column name...) is an ECsvImportError naming the line and the column.

#include "UPivotCube.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// Why a CSV text cannot become a cube; the message names the line and column.
class ECsvImportError : public Exception {
public:
    ECsvImportError(const QString& message, qint64 line = 0, QString column = QString());
    QString className() const override { return QStringLiteral("ECsvImportError"); }
    qint64 Line;      // the line where the faulty record starts (1 = the header), 0 for the whole file
    QString Column;   // the column's name, empty when none is concerned
};

enum class TCsvEncoding { Utf8, Latin1 };

// How the bytes are read.
struct TCsvFormat {
    char Delimiter = 0;   // ',', ';' or '\t'; 0 detects it from the first lines
    char Decimal = '.';   // '.' or ','
    TCsvEncoding Encoding = TCsvEncoding::Utf8;
};

enum class TCsvColumnRole { Ignore, Axis, Value, MonthAxis };

// What a column's cells look like (the first lines for a preview, all lines after an import).
enum class TCsvColumnKind { Empty, Text, Number, Date };

// The role chosen for one column, found by its name in the header line.
struct TCsvColumnChoice {
    QString Name;
    TCsvColumnRole Role = TCsvColumnRole::Axis;
    QString Operator = QStringLiteral("Somme");   // of a value
    QString Parent;                                // of an axis: the name of its parent axis, or empty
};

struct TCsvImportOptions {
    TCsvFormat Format;
    // The roles chosen for some columns; the others are classified from their
    // content. Axes and values keep the order of the columns in the file.
    std::vector<TCsvColumnChoice> Columns;
    // Date columns whose members are their months ("2025-03").
    QStringList MonthColumns;
    // Parent links, child axis name -> parent axis name (beside those of Columns).
    std::vector<std::pair<QString, QString>> Parents;
    QString Title;   // the cube's title
};

// How one imported column was read.
struct TCsvColumnReport {
    QString Name;
    TCsvColumnRole Role = TCsvColumnRole::Ignore;
    TCsvColumnKind Kind = TCsvColumnKind::Empty;
    QString Operator;          // of a value
    QString Parent;            // of an axis
    int Members = 0;           // of an axis
    qint64 EmptyCells = 0;     // of a value: empty cells read as 0
    bool DecimalCommas = false;   // of a text axis read with '.': every text is a number written with a decimal comma
};

struct TCsvImportResult {
    std::unique_ptr<TPivotCubeData> Cube;
    std::vector<TCsvColumnReport> Columns;   // in the order of the cube's axes, then its values, then the ignored columns
    char Delimiter = ',';
    qint64 DataLines = 0;
    qint64 EmptyNumbers = 0;   // empty cells of value columns, read as 0
};

// onProgress(bytes done, bytes in all) is called now and then.
using TCsvProgress = std::function<void(qint64, qint64)>;

TCsvImportResult ImportCsvBytes(QByteArrayView bytes, const TCsvImportOptions& options, const TCsvProgress& onProgress = {});
// The file is mapped, not read into memory: memory follows the cube, not the file.
// A file that cannot be opened is an ECsvImportError naming it.
TCsvImportResult ImportCsvFile(const QString& fileName, const TCsvImportOptions& options, const TCsvProgress& onProgress = {});

// The first lines of a CSV text for a preview: the header's names, the cells of
// up to maxLines data lines and the kind of each column over those lines (what
// an import without chosen roles would make of it, as far as they tell).
struct TCsvPreview {
    char Delimiter = ',';
    QStringList Names;
    std::vector<QStringList> Lines;
    std::vector<TCsvColumnKind> Kinds;
};
TCsvPreview PreviewCsvBytes(QByteArrayView bytes, const TCsvFormat& format, int maxLines = 20);
TCsvPreview PreviewCsvFile(const QString& fileName, const TCsvFormat& format, int maxLines = 20);

// The role an import without chosen roles gives a column of that kind.
TCsvColumnRole DefaultCsvRole(TCsvColumnKind kind);
