// The .xlsx workbook of the pivot table, written with libxlsxwriter.
#include "CPivotCubeXlsxExport.h"

#include "CPivotCube.h"
#include "CPivotCubeGrid.h"
#include "SysExceptions.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cmath>
#include <map>

namespace {

constexpr int MaxRows = 1048576, MaxColumns = 16384;

[[noreturn]] void fail(const QString& message) { throw Exception(message); }

void check(lxw_error error, const char* what) {
    if (error != LXW_NO_ERROR) fail(QStringLiteral("Excel export: %1: %2").arg(QString::fromLatin1(what), QString::fromUtf8(lxw_strerror(error))));
}

// Literal text of a number format, quoted; none when it cannot be quoted.
bool quoteLiteral(const QString& text, QString& out) {
    if (text.isEmpty()) return true;
    if (text.contains(QLatin1Char('"'))) return false;
    out += QLatin1Char('"') + text + QLatin1Char('"');
    return true;
}

// The format the cells of a value column show their number with: its own,
// else its formula's, else the table's default (as the column compiles).
QString maskOf(TPivotCube& engine, const TPivotCubeValueColumn& column) {
    QString format = column.Format();
    if (format.isEmpty() && !engine.CubeData().Values().FindByName(column.Formula()))
        if (const TPivotCubeFormula* f = engine.Formulas().FindByFormula(column.Formula())) format = f->Format();
    return format.isEmpty() ? engine.ValueDefaultFormat() : format;
}

class Workbook {
public:
    explicit Workbook(const QString& path) : FPath(path.toLocal8Bit()) {
        FBook = workbook_new(FPath.constData());
        if (!FBook) fail(QStringLiteral("Excel export: the workbook cannot be created"));
    }
    ~Workbook() {
        if (FBook) workbook_close(FBook);   // after a failure: frees it, the file is thrown away
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_worksheet* AddSheet(const QString& name) {
        const QByteArray n = name.left(31).toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(FBook, n.constData());
        if (!sheet) fail(QStringLiteral("Excel export: the sheet '%1' cannot be added").arg(name));
        return sheet;
    }
    // One format object per (number format, bold, kind), made once.
    lxw_format* Format(const QString& numberFormat, bool bold, bool header = false) {
        const QString key = numberFormat + (bold ? QStringLiteral("|b") : QStringLiteral("|")) + (header ? QStringLiteral("h") : QString());
        if (auto it = FFormats.find(key); it != FFormats.end()) return it->second;
        lxw_format* f = workbook_add_format(FBook);
        if (!numberFormat.isEmpty()) {
            const QByteArray nf = numberFormat.toUtf8();
            format_set_num_format(f, nf.constData());
        }
        if (bold) format_set_bold(f);
        if (header) {
            format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
            format_set_bg_color(f, 0xEEEEEE);
            format_set_border(f, LXW_BORDER_THIN);
            format_set_border_color(f, 0xAAAAAA);
        }
        FFormats.emplace(key, f);
        return f;
    }
    void Close() {
        lxw_workbook* book = FBook;
        FBook = nullptr;
        check(workbook_close(book), "writing the workbook");
    }

private:
    QByteArray FPath;
    lxw_workbook* FBook = nullptr;
    std::map<QString, lxw_format*> FFormats;
};

void writeText(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format) {
    const QByteArray t = text.toUtf8();
    check(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), t.constData(), format), "writing a cell");
}

// A header cell over rows r1..r2 and columns c1..c2 (merged when it spans more than one).
void writeHeader(lxw_worksheet* sheet, int r1, int c1, int r2, int c2, const QString& text, lxw_format* format) {
    if (r1 == r2 && c1 == c2) return writeText(sheet, r1, c1, text, format);
    const QByteArray t = text.toUtf8();
    check(worksheet_merge_range(sheet, lxw_row_t(r1), lxw_col_t(c1), lxw_row_t(r2), lxw_col_t(c2), t.constData(), format), "merging header cells");
}

// A number with its format, or the text shown when the number cannot stand for it.
void writeCell(lxw_worksheet* sheet, int row, int column, double number, const QString& shown, const QString& numberFormat,
               Workbook& book, bool bold) {
    if (numberFormat.isEmpty() || !std::isfinite(number)) {
        writeText(sheet, row, column, shown, book.Format(QString(), bold));
        return;
    }
    check(worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(column), number, book.Format(numberFormat, bold)), "writing a cell");
}

void writeTableSheet(TPivotCube& engine, Workbook& book, lxw_worksheet* sheet) {
    engine.CompileAll();
    const TPivotGrid grid = BuildPivotGrid(engine);
    const int nV = std::max(1, engine.ValueColumnCount());
    const bool rowTree = engine.RowRoot() != nullptr;
    int H = 0;
    if (rowTree)
        for (const TPivotGridLine& line : grid.Lines) H = std::max(H, line.Level + 1);
    // Header rows: one per column level shown, and the value captions when
    // there are several value columns (or no column level to name the cells).
    int Q = 0;
    {
        TPCNodeIterator it(engine.ColRoot(), false);
        while (!it.Eof()) {
            Q = std::max(Q, it.Depth() + 1);
            it.Next();
        }
    }
    const bool valueRow = nV >= 2 || Q == 0;
    const int headerRows = Q + (valueRow ? 1 : 0);
    const int dataColumns = int(grid.ColumnPaths.size());
    const int rowRegroups = int(grid.RowRegroupCaptions.size());
    const int columns = H + dataColumns + rowRegroups;
    const qint64 rows = qint64(headerRows) + qint64(grid.Lines.size()) + qint64(grid.ColumnRegroupLines.size());
    if (columns > MaxColumns) fail(QStringLiteral("Excel export: the table has %1 columns, more than a worksheet holds (%2)").arg(columns).arg(MaxColumns));
    if (rows > MaxRows) fail(QStringLiteral("Excel export: the table has %1 lines, more than a worksheet holds (%2)").arg(rows).arg(MaxRows));

    lxw_format* header = book.Format(QString(), true, true);
    std::vector<QString> numberFormats;
    for (int k = 0; k < engine.ValueColumnCount(); ++k) numberFormats.push_back(SpreadsheetNumberFormat(maskOf(engine, *engine.ValueColumns()[k])));
    if (numberFormats.empty()) numberFormats.push_back(SpreadsheetNumberFormat(engine.ValueDefaultFormat()));
    const QString regroupFormat = SpreadsheetNumberFormat(engine.ValueDefaultFormat());

    // The corner: the row dimensions' names above their columns.
    for (int d = 0; d < H && d < grid.RowDimensionNames.size(); ++d)
        if (headerRows > 0) writeText(sheet, headerRows - 1, d, grid.RowDimensionNames[d], header);

    // Column headers: an expanded member spans its leaf columns on its own
    // row; a collapsed one reaches down to the last member row.
    if (Q > 0) {
        TPCNodeIterator it(engine.ColRoot(), false);
        int x = H;
        while (!it.Eof()) {
            const int d = it.Depth();
            const QString caption = it.CurrentCaption();
            if (it.IsExpanded()) {
                writeHeader(sheet, d, x, d, x + std::max(1, it.LineCount(0)) * nV - 1, caption, header);
            } else {
                writeHeader(sheet, d, x, Q - 1, x + nV - 1, caption, header);
                x += nV;
            }
            it.Next();
        }
    }
    if (valueRow)
        for (int c = 0; c < dataColumns; ++c) {
            const int k = c % nV;
            writeText(sheet, Q, H + c, k < engine.ValueColumnCount() ? engine.ValueColumns()[k]->Caption() : QString(), header);
        }
    for (int r = 0; r < rowRegroups; ++r)
        writeHeader(sheet, 0, H + dataColumns + r, std::max(0, headerRows - 1), H + dataColumns + r, grid.RowRegroupCaptions[r], header);

    // Body lines: a member's caption in its level's column, spanning the
    // deeper columns when collapsed, or its subtree's lines when expanded.
    for (size_t i = 0; i < grid.Lines.size(); ++i) {
        const TPivotGridLine& line = grid.Lines[i];
        const int row = headerRows + int(i);
        if (H > 0) {
            if (line.Expanded) {
                size_t last = i;
                while (last + 1 < grid.Lines.size() && grid.Lines[last + 1].Level > line.Level) ++last;
                writeHeader(sheet, row, line.Level, headerRows + int(last), line.Level, line.Caption, header);
            } else {
                writeHeader(sheet, row, line.Level, row, H - 1, line.Caption, header);
            }
        }
        for (int c = 0; c < dataColumns && c < line.Cells.size(); ++c)
            writeCell(sheet, row, H + c, line.Numbers[size_t(c)], line.Cells[c], numberFormats[size_t(c % int(numberFormats.size()))], book, false);
        for (int r = 0; r < rowRegroups && r < line.Regroups.size(); ++r)
            writeCell(sheet, row, H + dataColumns + r, line.RegroupNumbers[size_t(r)], line.Regroups[r], regroupFormat, book, false);
    }
    // Column regroupment lines, in bold, their caption over the row headers.
    for (size_t i = 0; i < grid.ColumnRegroupLines.size(); ++i) {
        const TPivotGridLine& line = grid.ColumnRegroupLines[i];
        const int row = headerRows + int(grid.Lines.size() + i);
        if (H > 0) writeHeader(sheet, row, 0, row, H - 1, line.Caption, header);
        for (int c = 0; c < dataColumns && c < line.Cells.size(); ++c) {
            const double number = c < int(line.Numbers.size()) ? line.Numbers[size_t(c)] : NAN;
            writeCell(sheet, row, H + c, number, line.Cells[c], numberFormats[size_t(c % int(numberFormats.size()))], book, true);
        }
        for (int r = 0; r < rowRegroups && r < line.Regroups.size(); ++r) {
            // The corner values come as texts in the default format: read back.
            bool ok = false;
            const double number = line.Regroups[r].toDouble(&ok);
            writeCell(sheet, row, H + dataColumns + r, ok ? number : NAN, line.Regroups[r], regroupFormat, book, true);
        }
    }

    if (H > 0) check(worksheet_set_column(sheet, 0, lxw_col_t(H - 1), 20, nullptr), "sizing the columns");
    if (columns > H) check(worksheet_set_column(sheet, lxw_col_t(H), lxw_col_t(columns - 1), 13, nullptr), "sizing the columns");
    worksheet_freeze_panes(sheet, lxw_row_t(headerRows), lxw_col_t(H));
}

void writeDataSheet(const TPivotCubeData& cube, Workbook& book, lxw_worksheet* sheet) {
    const int axes = cube.Axises().Count(), values = cube.Values().Count();
    const qint64 items = cube.DataItems().Count();
    if (items + 1 > MaxRows) fail(QStringLiteral("Excel export: the cube has %1 data items, more than a worksheet holds (%2)").arg(items).arg(MaxRows - 1));
    if (axes + values > MaxColumns) fail(QStringLiteral("Excel export: the cube has too many axes and values for a worksheet"));
    lxw_format* header = book.Format(QString(), true, true);
    for (int a = 0; a < axes; ++a) writeText(sheet, 0, a, cube.Axises()[a]->Nom(), header);
    for (int v = 0; v < values; ++v) writeText(sheet, 0, axes + v, cube.Values()[v]->Nom(), header);
    // Captions by ID, converted once per member rather than once per cell.
    std::vector<std::map<int32_t, QByteArray>> captions(static_cast<size_t>(axes));
    for (int a = 0; a < axes; ++a)
        for (const TPivotCubeAxisData& m : cube.Axises()[a]->Members) captions[size_t(a)].emplace(m.ID, m.Caption.toUtf8());
    int row = 1;
    for (const TPCDataItem& item : cube.DataItems().List()) {
        for (int a = 0; a < axes; ++a) {
            const auto found = captions[size_t(a)].find(item.AxisIDs[a]);
            if (found != captions[size_t(a)].end())
                check(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(a), found->second.constData(), nullptr), "writing a cell");
        }
        for (int v = 0; v < values; ++v) {
            const double x = item.Values[v];
            if (std::isfinite(x)) check(worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(axes + v), x, nullptr), "writing a cell");
            else writeText(sheet, row, axes + v, std::isnan(x) ? QStringLiteral("nan") : x > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"), nullptr);
        }
        ++row;
    }
    if (axes > 0) check(worksheet_set_column(sheet, 0, lxw_col_t(axes - 1), 20, nullptr), "sizing the columns");
    worksheet_freeze_panes(sheet, 1, 0);
}

} // namespace

QString SpreadsheetNumberFormat(const QString& mask) {
    static const QRegularExpression specifier(QStringLiteral("%(-?)(\\d*)(?:\\.(\\d+))?([fFnNmMeEgGsS])"));
    QString prefix, suffix;
    QRegularExpressionMatch match;
    int at = -1;
    // Exactly one specifier; "%%" is a literal percent sign.
    for (int i = 0; i < mask.size(); ++i) {
        if (mask[i] != QLatin1Char('%')) continue;
        if (i + 1 < mask.size() && mask[i + 1] == QLatin1Char('%')) {
            ++i;
            continue;
        }
        if (at >= 0) return {};
        match = specifier.match(mask, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) return {};
        at = i;
        i = int(match.capturedEnd()) - 1;
    }
    if (at < 0) return {};
    prefix = mask.left(at).replace(QStringLiteral("%%"), QStringLiteral("%"));
    suffix = mask.mid(match.capturedEnd()).replace(QStringLiteral("%%"), QStringLiteral("%"));
    const QChar kind = match.captured(4).front().toLower();
    const bool hasPrecision = match.capturedLength(3) > 0;
    const int precision = std::min(30, hasPrecision ? match.captured(3).toInt() : 2);
    const QString decimals = precision > 0 ? QStringLiteral(".") + QString(precision, QLatin1Char('0')) : QString();
    QString body;
    if (kind == QLatin1Char('f')) body = QStringLiteral("0") + decimals;
    else if (kind == QLatin1Char('n') || kind == QLatin1Char('m')) body = QStringLiteral("#,##0") + decimals;
    else if (kind == QLatin1Char('e')) {
        const int digits = std::max(0, (hasPrecision ? match.captured(3).toInt() : 15) - 1);
        body = QStringLiteral("0") + (digits > 0 ? QStringLiteral(".") + QString(std::min(digits, 30), QLatin1Char('0')) : QString()) + QStringLiteral("E+00");
    } else body = QStringLiteral("General");
    QString format;
    if (!quoteLiteral(prefix, format)) return {};
    format += body;
    if (!quoteLiteral(suffix, format)) return {};
    return format;
}

QByteArray ExportXlsx(TPivotCube& engine, const TPCXlsxOptions& options) {
    QTemporaryDir dir;
    if (!dir.isValid()) fail(QStringLiteral("Excel export: no temporary folder: %1").arg(dir.errorString()));
    const QString path = dir.filePath(QStringLiteral("table.xlsx"));
    {
        Workbook book(path);
        writeTableSheet(engine, book, book.AddSheet(options.TableSheet));
        if (options.WithData) writeDataSheet(engine.CubeData(), book, book.AddSheet(options.DataSheet));
        book.Close();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("Excel export: the workbook cannot be read back: %1").arg(file.errorString()));
    return file.readAll();
}
