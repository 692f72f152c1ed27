// dravo export: a cube or a document's view written out as a pivot table or as
// its raw data. Every format is one line of the format table below.
#include "Layout.h"
#include "Tables.h"

#include "CPivotCube.h"
#include "CPivotCubeDataExport.h"
#include "CPivotCubeGrid.h"
#include "CPivotCubeXlsxExport.h"
#include "UPivotCubeInteractive.h"

#include <QFileInfo>
#include <QLocale>
#include <QMap>

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
    std::function<QByteArray(TPivotCube&, dravo::ShowAs, const dravo::Args&)> produce;
};

QStringList colDimensionNames(TPivotCube& engine) {
    QStringList names;
    for (int i = 0; i < engine.ColDimensionCount(); ++i) names << engine.CubeData().Axises()[engine.ColDimension(i)->Axis]->Nom();
    return names;
}

// An engine page, its data cells replaced by percents when they are asked for.
QByteArray pageWithCells(TPivotCube& engine, dravo::ShowAs show, QChar separator, const std::function<QByteArray()>& page) {
    if (show == dravo::ShowAs::Value) return page();
    const dravo::NumberGrid table = dravo::buildNumberGrid(engine, show);
    return dravo::replaceDataCells(page(), table.grid, separator);
}

const std::vector<ExportFormat>& formats() {
    static const std::vector<ExportFormat> table = {
        {QStringLiteral("html"), QStringLiteral("the pivot table as an HTML page"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) {
             return pageWithCells(engine, show, QLatin1Char('.'), [&] { return engine.ExportHTML(kTableOptions); });
         }},
        {QStringLiteral("xls"), QStringLiteral("the HTML page with the user's decimal separator, for spreadsheets"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) {
             return pageWithCells(engine, show, QLocale().decimalPoint().front(), [&] { return engine.ExportSpreadsheet(); });
         }},
        {QStringLiteral("xml"), QStringLiteral("the pivot table inside an XML document"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) {
             return pageWithCells(engine, show, QLatin1Char('.'), [&] { return engine.ExportXML(kTableOptions); });
         }},
        {QStringLiteral("csv"), QStringLiteral("the pivot table as a CSV grid"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) {
             return PivotGridCSV(show == dravo::ShowAs::Value ? BuildPivotGrid(engine) : dravo::buildNumberGrid(engine, show).grid);
         }},
        {QStringLiteral("json"), QStringLiteral("the pivot table as one JSON object (numbers, null for no items)"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) { return dravo::tableJson(dravo::buildNumberGrid(engine, show), colDimensionNames(engine), show); }},
        {QStringLiteral("tidy-csv"), QStringLiteral("one CSV line per row path, column path and value column"), true,
         [](TPivotCube& engine, dravo::ShowAs show, const dravo::Args&) {
             return dravo::tableTidyCSV(dravo::buildNumberGrid(engine, show), colDimensionNames(engine));
         }},
        {QStringLiteral("xlsx"), QStringLiteral("the pivot table as an Excel workbook; --with-data adds the raw data sheet"), true,
         [](TPivotCube& engine, dravo::ShowAs, const dravo::Args& args) {
             TPCXlsxOptions options;
             options.WithData = args.has(QStringLiteral("--with-data"));
             return ExportXlsx(engine, options);
         }},
        {QStringLiteral("data-html"), QStringLiteral("the raw data items as an HTML page"), false,
         [](TPivotCube& engine, dravo::ShowAs, const dravo::Args&) { return DataHTMLPage(engine.CubeData()); }},
        {QStringLiteral("data-csv"), QStringLiteral("the raw data items as CSV: one column per axis and per value"), false,
         [](TPivotCube& engine, dravo::ShowAs, const dravo::Args&) { return ExportDataCSV(engine.CubeData()); }},
    };
    return table;
}

QStringList formatNames() {
    QStringList names;
    for (const ExportFormat& f : formats()) names << f.name;
    return names;
}

// The format named by --format, else the one the output's extension names.
const ExportFormat& chosenFormat(const dravo::Args& args, const QString& output) {
    QString formatName = args.value(QStringLiteral("--format"));
    if (!args.has(QStringLiteral("--format"))) {
        static const QMap<QString, QString> byExtension = {
            {QStringLiteral("csv"), QStringLiteral("csv")},   {QStringLiteral("html"), QStringLiteral("html")},
            {QStringLiteral("htm"), QStringLiteral("html")},  {QStringLiteral("xml"), QStringLiteral("xml")},
            {QStringLiteral("json"), QStringLiteral("json")}, {QStringLiteral("xls"), QStringLiteral("xls")},
            {QStringLiteral("xlsx"), QStringLiteral("xlsx")},
        };
        formatName = output == QLatin1String("-") ? QString() : byExtension.value(QFileInfo(output).suffix().toLower());
        if (formatName.isEmpty())
            throw dravo::UsageError{QStringLiteral("--format FMT is required (%1); it is inferred from an -o ending in .csv, .html, .xml, .json, .xls or .xlsx")
                                        .arg(formatNames().join(QStringLiteral(", ")))};
    }
    for (const ExportFormat& f : formats())
        if (f.name == formatName) return f;
    throw dravo::UsageError{QStringLiteral("unknown format '%1' (choose from %2)").arg(formatName, formatNames().join(QStringLiteral(", ")))};
}

int runExport(const dravo::Args& args) {
    const QString file = args.positional.first();
    const QString output = dravo::outputPath(args, QString(), QStringLiteral("-"));
    const ExportFormat* format = &chosenFormat(args, output);
    if (!format->takesLayout)
        for (const dravo::Option& o : dravo::layoutOptions())
            if (args.has(o.name))
                throw dravo::UsageError{QStringLiteral("%1 does not apply to the %2 format (raw data items, no pivot layout)").arg(o.name, format->name)};
    const dravo::ShowAs show = dravo::showAs(args);
    if (args.has(QStringLiteral("--with-data")) && format->name != QLatin1String("xlsx"))
        throw dravo::UsageError{QStringLiteral("--with-data applies to the xlsx format only")};
    if (format->name == QLatin1String("xlsx") && show != dravo::ShowAs::Value)
        throw dravo::UsageError{QStringLiteral("--show-as does not apply to the xlsx format (its cells are the table's numbers)")};
    // Replacing the input by its own export would lose it.
    dravo::refuseToReplaceInput(file, output);

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
        dravo::Progress progress(QStringLiteral("building the table"));
        bytes = format->produce(*engine, show, args);
    } catch (const Exception& e) {
        throw dravo::Failure{file, QStringLiteral("the table cannot be made"), e.message()};
    }
    timing.table = dravo::elapsedMs(timer);
    timer.restart();
    dravo::writeFileAtomically(output, bytes);
    timing.write = dravo::elapsedMs(timer);
    if (args.has(dravo::timingOption().name)) dravo::printTiming(timing);
    return 0;
}

dravo::Subcommand makeExport() {
    dravo::Subcommand c;
    c.name = QStringLiteral("export");
    c.summary = QStringLiteral("write a cube or a document's view as a pivot table (HTML, spreadsheet, XML, CSV) or its raw data");
    c.synopsis = QStringLiteral("export FILE [--format FMT] [-o OUT] [--view NAME] [--password P] [layout options] [--timing]");
    QString description = QStringLiteral(
        "FILE is a raw cube file (.pvc) or a document (.Dravo). Writes it in the chosen\n"
        "format to OUT (replaced atomically), or to standard output when OUT is '-' or\n"
        "-o is left out. Without --format, the format is the one OUT's extension names\n"
        "(.csv, .html, .xml, .json; .xls for the spreadsheet page, .xlsx for a workbook).\n"
        "Formats:\n");
    for (const ExportFormat& f : formats()) description += QStringLiteral("  %1  %2\n").arg(f.name.leftJustified(9), f.help);
    description += QStringLiteral(
        "A document's view (--view NAME, else its default display, else its first view)\n"
        "is restored first; the layout options then change it. A raw cube starts with an\n"
        "empty placement. A table without value columns shows the cube's first value.\n"
        "CSV is RFC 4180 in UTF-8 with CR LF line ends. csv has a header line (the row\n"
        "dimensions, one column per leaf column and value column named by its path joined\n"
        "with \" / \", the row regroupments), one line per row line, then one line per\n"
        "column regroupment. json is one object: rowDimensions, columns [{path, value}],\n"
        "rows [{path, level, cells, regroups}] with numbers (null for a cell without\n"
        "items), rowRegroups, columnRegroups [{caption, cells}], shownAs. tidy-csv has\n"
        "one column per row and column dimension, then value and number, one line per\n"
        "row line, leaf column and value column with items. data-csv has one column per axis (the member's caption) and\n"
        "per value (the shortest text that reads back as the same number, '.' as decimal\n"
        "separator). xlsx is an Office Open XML workbook: numbers as numbers in their value\n"
        "column's format, header cells merged over their spans, column regroupment lines\n"
        "in bold, header rows and columns frozen; --with-data adds a sheet of the raw data\n"
        "items (at most 1 048 575 of them). The layout options shape the pivot formats only.");
    c.description = description;
    c.options = {{QStringLiteral("--format"), QString(), QStringLiteral("FMT"), formatNames().join(QStringLiteral(", "))},
                 {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT"), QStringLiteral("the file to write, '-' (the default) for standard output")},
                 {QStringLiteral("--with-data"), QString(), QString(), QStringLiteral("xlsx: add a sheet with the raw data items")},
                 dravo::viewOption(), dravo::passwordOption(), dravo::timingOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runExport;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeExport());
