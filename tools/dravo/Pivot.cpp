// dravo pivot: the pivot table printed as aligned text, for a quick look
// without a viewer. Row headers are indented by level, cells right-aligned.
#include "Layout.h"
#include "Tables.h"

#include "CPivotCube.h"
#include "CPivotCubeGrid.h"

#include <algorithm>

namespace {

constexpr int kIndent = 2;        // spaces per row level
const QString kGap = QStringLiteral("  ");

QString padLeft(const QString& text, qsizetype width) { return QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' ')) + text; }
QString padRight(const QString& text, qsizetype width) { return text + QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' ')); }

// The grid as lines of text: header rows (one per column level, the value
// captions last), a rule, the row lines, and the column regroupment lines
// after a second rule.
QString PivotGridText(const TPivotGrid& grid) {
    const size_t dataColumns = grid.ColumnPaths.size();
    const size_t columns = dataColumns + size_t(grid.RowRegroupCaptions.size());

    // Header cells, bottom-aligned per column: the value caption on the last row.
    qsizetype headerRows = 1;
    for (const QStringList& path : grid.ColumnPaths) headerRows = std::max(headerRows, path.size());
    QStringList emptyRow;
    for (size_t c = 0; c < columns; ++c) emptyRow << QString();
    std::vector<QStringList> header(size_t(headerRows), emptyRow);
    for (size_t c = 0; c < dataColumns; ++c) {
        const QStringList& path = grid.ColumnPaths[c];
        for (qsizetype i = 0; i + 1 < path.size(); ++i) header[size_t(i)][qsizetype(c)] = path[i];
        if (!path.isEmpty()) header.back()[qsizetype(c)] = path.back();
    }
    for (qsizetype r = 0; r < grid.RowRegroupCaptions.size(); ++r) header.back()[qsizetype(dataColumns) + r] = grid.RowRegroupCaptions[r];

    auto rowLabel = [](const TPivotGridLine& line) { return QString(line.Level * kIndent, QLatin1Char(' ')) + line.Caption; };
    qsizetype labelWidth = grid.RowDimensionNames.join(QStringLiteral(" / ")).size();
    std::vector<qsizetype> widths(columns, 0);
    for (const auto& row : header)
        for (size_t c = 0; c < columns; ++c) widths[c] = std::max(widths[c], row[qsizetype(c)].size());
    auto measure = [&](const TPivotGridLine& line) {
        labelWidth = std::max(labelWidth, rowLabel(line).size());
        const QStringList cells = line.Cells + line.Regroups;
        for (qsizetype c = 0; c < cells.size() && size_t(c) < columns; ++c) widths[size_t(c)] = std::max(widths[size_t(c)], cells[c].size());
    };
    for (const TPivotGridLine& line : grid.Lines) measure(line);
    for (const TPivotGridLine& line : grid.ColumnRegroupLines) measure(line);

    QString text;
    auto writeLine = [&](const QString& label, const QStringList& cells, bool rightAlign) {
        QString line = padRight(label, labelWidth);
        for (size_t c = 0; c < columns; ++c) {
            const QString cell = qsizetype(c) < cells.size() ? cells[qsizetype(c)] : QString();
            line += kGap + (rightAlign ? padLeft(cell, widths[c]) : padRight(cell, widths[c]));
        }
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
        text += line + QLatin1Char('\n');
    };
    qsizetype total = labelWidth;
    for (qsizetype w : widths) total += kGap.size() + w;
    const QString rule = QString(total, QChar(0x2500)) + QLatin1Char('\n');

    for (size_t r = 0; r < header.size(); ++r)
        writeLine(r + 1 == header.size() ? grid.RowDimensionNames.join(QStringLiteral(" / ")) : QString(), header[r], true);
    text += rule;
    for (const TPivotGridLine& line : grid.Lines) writeLine(rowLabel(line), line.Cells + line.Regroups, true);
    if (!grid.ColumnRegroupLines.empty()) {
        text += rule;
        for (const TPivotGridLine& line : grid.ColumnRegroupLines) writeLine(line.Caption, line.Cells + line.Regroups, true);
    }
    return text;
}

int runPivot(const dravo::Args& args) {
    const QString output = dravo::outputPath(args, QString(), QStringLiteral("-"));
    dravo::refuseToReplaceInput(args.positional.first(), output);
    const dravo::ShowAs show = dravo::showAs(args);
    dravo::Timing timing;
    const std::unique_ptr<TPivotCube> engine = dravo::openPivotSource(args.positional.first(), args, timing);
    QElapsedTimer timer;
    timer.start();
    QString text;
    try {
        dravo::Progress progress(QStringLiteral("building the table"));
        text = PivotGridText(show == dravo::ShowAs::Value ? BuildPivotGrid(*engine) : dravo::buildNumberGrid(*engine, show).grid);
    } catch (const Exception& e) {
        throw dravo::Failure{args.positional.first(), QStringLiteral("the table cannot be made"), e.message()};
    }
    timing.table = dravo::elapsedMs(timer);
    timer.restart();
    dravo::writeFileAtomically(output, text.toUtf8());
    timing.write = dravo::elapsedMs(timer);
    if (args.has(dravo::timingOption().name)) dravo::printTiming(timing);
    return 0;
}

dravo::Subcommand makePivot() {
    dravo::Subcommand c;
    c.name = QStringLiteral("pivot");
    c.summary = QStringLiteral("print the pivot table of a cube or a document's view as aligned text");
    c.synopsis = QStringLiteral("pivot FILE [-o OUT] [--view NAME] [--password P] [layout options] [--timing]");
    c.description = QStringLiteral(
        "Prints the pivot table to standard output: one header row per column level (the\n"
        "value columns' captions last), then one line per row line, row headers indented\n"
        "by level and cells right-aligned, then the column regroupments. FILE and the\n"
        "options are those of 'dravo export'; -o writes the text to a file instead.");
    c.options = {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT"), QStringLiteral("the file to write, '-' (the default) for standard output")},
                 dravo::viewOption(), dravo::passwordOption(), dravo::timingOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runPivot;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makePivot());
