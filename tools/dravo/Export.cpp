// dravo export: a cube written out as a pivot table or as its raw data; dravo
// pivot: the pivot table printed to the terminal.
//
// Every format is one line of the format table below. The pivot formats (and
// dravo pivot) take the layout options; a format without a producer answers
// with a runtime failure until the pivot table can be built here.
#include "Dravo.h"

#include "CPivotCubeDataExport.h"
#include "UPivotCube.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <functional>

namespace {

// Milliseconds spent in each stage, printed by --timing.
struct Timing {
    double load = 0, layout = 0, table = 0, write = 0;
};

double elapsedMs(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

struct ExportFormat {
    QString name;
    QString help;
    bool takesLayout;   // a pivot table: the layout options shape it
    // Builds the output bytes, filling timing.layout and timing.table. Empty
    // while the format is not available.
    std::function<QByteArray(const TPivotCubeData&, const dravo::Args&, Timing&)> produce;
};

QByteArray rawData(const TPivotCubeData& cube, Timing& timing, QByteArray (*write)(const TPivotCubeData&)) {
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes = write(cube);
    timing.table = elapsedMs(timer);
    return bytes;
}

const std::vector<ExportFormat>& formats() {
    static const std::vector<ExportFormat> table = {
        {QStringLiteral("html"), QStringLiteral("the pivot table as an HTML page"), true, {}},
        {QStringLiteral("xls"), QStringLiteral("the HTML page with the user's decimal separator, for spreadsheets"), true, {}},
        {QStringLiteral("xml"), QStringLiteral("the pivot table inside an XML document"), true, {}},
        {QStringLiteral("csv"), QStringLiteral("the pivot table as a CSV grid"), true, {}},
        {QStringLiteral("data-html"), QStringLiteral("the raw data items as an HTML page"), false,
         [](const TPivotCubeData& cube, const dravo::Args&, Timing& t) { return rawData(cube, t, DataHTMLPage); }},
        {QStringLiteral("data-csv"), QStringLiteral("the raw data items as CSV: one column per axis and per value"), false,
         [](const TPivotCubeData& cube, const dravo::Args&, Timing& t) { return rawData(cube, t, ExportDataCSV); }},
    };
    return table;
}

QStringList formatNames() {
    QStringList names;
    for (const ExportFormat& f : formats()) names << f.name;
    return names;
}

// The options that shape a pivot table, shared by export and pivot.
std::vector<dravo::Option> layoutOptions() {
    return {
        {QStringLiteral("--rows"), QString(), QStringLiteral("A,B"), QStringLiteral("row dimensions (axis names)")},
        {QStringLiteral("--cols"), QString(), QStringLiteral("C,D"), QStringLiteral("column dimensions (axis names)")},
        {QStringLiteral("--value"), QString(), QStringLiteral("NAME"), QStringLiteral("a value column: a cube value or a formula's caption (repeatable)")},
        {QStringLiteral("--formula"), QString(), QStringLiteral("CAPTION=EXPRESSION"), QStringLiteral("defines a formula value column (repeatable)")},
        {QStringLiteral("--formula-format"), QString(), QStringLiteral("CAPTION=FORMAT"), QStringLiteral("display format of a formula (repeatable)")},
        {QStringLiteral("--include"), QString(), QStringLiteral("AXIS=CAPTION|CAPTION"), QStringLiteral("keep only these members of an axis (repeatable)")},
        {QStringLiteral("--exclude"), QString(), QStringLiteral("AXIS=CAPTION|CAPTION"), QStringLiteral("leave out these members of an axis (repeatable)")},
        {QStringLiteral("--hide-empty"), QString(), QString(), QStringLiteral("hide members without data")},
        {QStringLiteral("--expand-all"), QString(), QString(), QStringLiteral("expand every member of every level")},
        {QStringLiteral("--row-regroup"), QString(), QStringLiteral("OPERATOR:VALUE"), QStringLiteral("a row regroupment (repeatable)")},
        {QStringLiteral("--col-regroup"), QString(), QStringLiteral("OPERATOR"), QStringLiteral("a column regroupment (repeatable)")},
        {QStringLiteral("--transpose"), QString(), QString(), QStringLiteral("swap rows and columns")},
        {QStringLiteral("--default-format"), QString(), QStringLiteral("FMT"), QStringLiteral("display format of the value columns")},
    };
}

const dravo::Option kTimingOption{QStringLiteral("--timing"), QString(), QString(),
                                  QStringLiteral("print on stderr the time spent loading, laying out, computing and writing")};

void printTiming(const Timing& t) {
    QByteArray line = QStringLiteral("timing: load %1 ms, layout %2 ms, table %3 ms, write %4 ms\n")
                          .arg(t.load, 0, 'f', 1)
                          .arg(t.layout, 0, 'f', 1)
                          .arg(t.table, 0, 'f', 1)
                          .arg(t.write, 0, 'f', 1)
                          .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void writeStandardOutput(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) || std::fflush(stdout) != 0)
        throw dravo::Failure{QStringLiteral("standard output"), QStringLiteral("write error")};
}

const QString kNoPivotYet = QStringLiteral("pivot tables are not available yet in this version of dravo");

int runExport(const dravo::Args& args) {
    const QString file = args.positional.first();
    if (!args.has(QStringLiteral("--format")))
        throw dravo::UsageError{QStringLiteral("--format FMT is required (%1)").arg(formatNames().join(QStringLiteral(", ")))};
    if (!args.has(QStringLiteral("--output"))) throw dravo::UsageError{QStringLiteral("-o OUT is required ('-' for standard output)")};
    const QString formatName = args.value(QStringLiteral("--format"));
    const ExportFormat* format = nullptr;
    for (const ExportFormat& f : formats())
        if (f.name == formatName) format = &f;
    if (!format)
        throw dravo::UsageError{QStringLiteral("unknown format '%1' (choose from %2)").arg(formatName, formatNames().join(QStringLiteral(", ")))};
    if (!format->takesLayout)
        for (const dravo::Option& o : layoutOptions())
            if (args.has(o.name))
                throw dravo::UsageError{QStringLiteral("%1 does not apply to the %2 format (raw data items, no pivot layout)").arg(o.name, format->name)};

    const QString output = args.value(QStringLiteral("--output"));
    const bool toStandardOutput = output == QLatin1String("-");
    // Replacing the cube by its own export would lose it.
    if (!toStandardOutput) {
        const QString in = QFileInfo(file).canonicalFilePath(), out = QFileInfo(output).canonicalFilePath();
        if (!in.isEmpty() && in == out) throw dravo::UsageError{QStringLiteral("the output '%1' is the cube file itself").arg(output)};
    }
    if (!format->produce) throw dravo::Failure{QString(), QStringLiteral("format '%1': %2").arg(format->name, kNoPivotYet)};

    Timing timing;
    QElapsedTimer timer;
    timer.start();
    auto cube = dravo::loadCube(file);
    timing.load = elapsedMs(timer);
    QByteArray bytes = format->produce(*cube, args, timing);
    timer.restart();
    if (toStandardOutput) writeStandardOutput(bytes);
    else dravo::writeFileAtomically(output, bytes);
    timing.write = elapsedMs(timer);
    if (args.has(kTimingOption.name)) printTiming(timing);
    return 0;
}

int runPivot(const dravo::Args&) { throw dravo::Failure{QString(), kNoPivotYet}; }

dravo::Subcommand makeExport() {
    dravo::Subcommand c;
    c.name = QStringLiteral("export");
    c.summary = QStringLiteral("write a cube as a pivot table (HTML, spreadsheet, XML, CSV) or its raw data");
    c.synopsis = QStringLiteral("export FILE.pvc --format FMT -o OUT [layout options] [--timing]");
    QString description = QStringLiteral(
        "Writes the cube in the chosen format to OUT (replaced atomically), or to standard\n"
        "output when OUT is '-'. Formats:\n");
    for (const ExportFormat& f : formats())
        description += QStringLiteral("  %1  %2%3\n").arg(f.name.leftJustified(9), f.help, f.produce ? QString() : QStringLiteral(" (not available yet)"));
    description += QStringLiteral(
        "CSV is RFC 4180 in UTF-8 with CR LF line ends; data-csv has one column per axis\n"
        "(the member's caption) and per value (the shortest text that reads back as the\n"
        "same number, '.' as decimal separator). The layout options shape the pivot\n"
        "formats only.");
    c.description = description;
    c.options = {{QStringLiteral("--format"), QString(), QStringLiteral("FMT"), formatNames().join(QStringLiteral(", "))},
                 {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT"), QStringLiteral("the file to write, '-' for standard output")},
                 kTimingOption};
    for (dravo::Option& o : layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runExport;
    return c;
}

dravo::Subcommand makePivot() {
    dravo::Subcommand c;
    c.name = QStringLiteral("pivot");
    c.summary = QStringLiteral("print a cube's pivot table as aligned text (not available yet)");
    c.synopsis = QStringLiteral("pivot FILE.pvc [layout options] [--timing]");
    c.description = QStringLiteral(
        "Prints the pivot table to the terminal: row headers indented by level, numbers\n"
        "right-aligned. Not available yet in this version.");
    c.options = {kTimingOption};
    for (dravo::Option& o : layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runPivot;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeExport());
DRAVO_SUBCOMMAND(makePivot());
