// dravo export: a cube or a document's view written out as a pivot table or as
// its raw data. Every format is one line of the format table below.
#include "Layout.h"

#include "CPivotCube.h"
#include "CPivotCubeDataExport.h"
#include "CPivotCubeGrid.h"
#include "UPivotCubeInteractive.h"

#include <QFileInfo>

#include <cstdio>
#include <functional>

namespace {

using dravo::Timing;

// The options every table has: data cells, row and column regroupments.
constexpr unsigned kTableOptions = peoDataCells | peoRowRegroups | peoColRegroups;

struct ExportFormat {
    QString name;
    QString help;
    bool takesLayout;   // a pivot table: the view and the layout options shape it
    std::function<QByteArray(TPivotCube&)> produce;
};

const std::vector<ExportFormat>& formats() {
    static const std::vector<ExportFormat> table = {
        {QStringLiteral("html"), QStringLiteral("the pivot table as an HTML page"), true,
         [](TPivotCube& engine) { return engine.ExportHTML(kTableOptions); }},
        {QStringLiteral("xls"), QStringLiteral("the HTML page with the user's decimal separator, for spreadsheets"), true,
         [](TPivotCube& engine) { return engine.ExportSpreadsheet(); }},
        {QStringLiteral("xml"), QStringLiteral("the pivot table inside an XML document"), true,
         [](TPivotCube& engine) { return engine.ExportXML(kTableOptions); }},
        {QStringLiteral("csv"), QStringLiteral("the pivot table as a CSV grid"), true,
         [](TPivotCube& engine) { return PivotGridCSV(BuildPivotGrid(engine)); }},
        {QStringLiteral("data-html"), QStringLiteral("the raw data items as an HTML page"), false,
         [](TPivotCube& engine) { return DataHTMLPage(engine.CubeData()); }},
        {QStringLiteral("data-csv"), QStringLiteral("the raw data items as CSV: one column per axis and per value"), false,
         [](TPivotCube& engine) { return ExportDataCSV(engine.CubeData()); }},
    };
    return table;
}

QStringList formatNames() {
    QStringList names;
    for (const ExportFormat& f : formats()) names << f.name;
    return names;
}

void writeStandardOutput(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) || std::fflush(stdout) != 0)
        throw dravo::Failure{QStringLiteral("standard output"), QStringLiteral("write error")};
}

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
        for (const dravo::Option& o : dravo::layoutOptions())
            if (args.has(o.name))
                throw dravo::UsageError{QStringLiteral("%1 does not apply to the %2 format (raw data items, no pivot layout)").arg(o.name, format->name)};

    const QString output = args.value(QStringLiteral("--output"));
    const bool toStandardOutput = output == QLatin1String("-");
    // Replacing the input by its own export would lose it.
    if (!toStandardOutput) {
        const QString in = QFileInfo(file).canonicalFilePath(), out = QFileInfo(output).canonicalFilePath();
        if (!in.isEmpty() && in == out) throw dravo::UsageError{QStringLiteral("the output '%1' is the input file itself").arg(output)};
    }

    Timing timing;
    QElapsedTimer timer;
    std::unique_ptr<TPivotCube> engine;
    if (format->takesLayout) {
        engine = dravo::openPivotSource(file, args, timing);
    } else {
        engine = std::make_unique<TPivotCube>();
        timer.start();
        dravo::loadSourceCube(file, args, engine->CubeData());
        timing.load = dravo::elapsedMs(timer);
    }
    timer.restart();
    QByteArray bytes;
    try {
        bytes = format->produce(*engine);
    } catch (const Exception& e) {
        throw dravo::Failure{file, e.message()};
    }
    timing.table = dravo::elapsedMs(timer);
    timer.restart();
    if (toStandardOutput) writeStandardOutput(bytes);
    else dravo::writeFileAtomically(output, bytes);
    timing.write = dravo::elapsedMs(timer);
    if (args.has(dravo::timingOption().name)) dravo::printTiming(timing);
    return 0;
}

dravo::Subcommand makeExport() {
    dravo::Subcommand c;
    c.name = QStringLiteral("export");
    c.summary = QStringLiteral("write a cube or a document's view as a pivot table (HTML, spreadsheet, XML, CSV) or its raw data");
    c.synopsis = QStringLiteral("export FILE --format FMT -o OUT [--view NAME] [--password P] [layout options] [--timing]");
    QString description = QStringLiteral(
        "FILE is a raw cube file (.pvc) or a document (.Dravo). Writes it in the chosen\n"
        "format to OUT (replaced atomically), or to standard output when OUT is '-'.\n"
        "Formats:\n");
    for (const ExportFormat& f : formats()) description += QStringLiteral("  %1  %2\n").arg(f.name.leftJustified(9), f.help);
    description += QStringLiteral(
        "A document's view (--view NAME, else its default display, else its first view)\n"
        "is restored first; the layout options then change it. A raw cube starts with an\n"
        "empty placement. A table without value columns shows the cube's first value.\n"
        "CSV is RFC 4180 in UTF-8 with CR LF line ends. csv has a header line (the row\n"
        "dimensions, one column per leaf column and value column named by its path joined\n"
        "with \" / \", the row regroupments), one line per row line, then one line per\n"
        "column regroupment. data-csv has one column per axis (the member's caption) and\n"
        "per value (the shortest text that reads back as the same number, '.' as decimal\n"
        "separator). The layout options shape the pivot formats only.");
    c.description = description;
    c.options = {{QStringLiteral("--format"), QString(), QStringLiteral("FMT"), formatNames().join(QStringLiteral(", "))},
                 {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT"), QStringLiteral("the file to write, '-' for standard output")},
                 dravo::viewOption(), dravo::passwordOption(), dravo::timingOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runExport;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeExport());
