// dravo drill: the data items behind one cell of the pivot table, one line per
// item with its members and numbers, as text, CSV or the raw data page.
#include "Layout.h"

#include "CPivotCube.h"
#include "CPivotCubeDrillThrough.h"
#include "USysUtils.h"

#include <QFileInfo>

#include <algorithm>

namespace {

QString padLeft(const QString& text, qsizetype width) { return QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' ')) + text; }
QString padRight(const QString& text, qsizetype width) { return text + QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' ')); }

// The items as aligned text: a header of axis and value names, a rule, one
// line per item (captions left-aligned, numbers right-aligned as the raw data
// page writes them), then the item count.
QString drillText(const TPCCellDrillThrough& drill) {
    const TPivotCubeData& data = drill.Data();
    const int axes = data.Axises().Count(), values = data.Values().Count();
    const int items = drill.Count();
    QStringList header;
    for (int a = 0; a < axes; ++a) header << data.Axises()[a]->Nom();
    for (int v = 0; v < values; ++v) header << data.Values()[v]->Nom();
    std::vector<QStringList> lines;
    lines.resize(size_t(items));
    std::vector<qsizetype> widths(size_t(axes + values));
    for (int c = 0; c < axes + values; ++c) widths[size_t(c)] = header[c].size();
    for (int i = 0; i < items; ++i) {
        const TPCDataItem& item = data.DataItems()[i];
        QStringList& line = lines[size_t(i)];
        for (int a = 0; a < axes; ++a) line << data.Axises()[a]->CaptionOf(item.AxisIDs[a]);
        for (int v = 0; v < values; ++v) line << FloatToStr(item.Values[v], QLatin1Char('.'));
        for (int c = 0; c < axes + values; ++c) widths[size_t(c)] = std::max(widths[size_t(c)], line[c].size());
    }
    QString text;
    auto write = [&](const QStringList& cells) {
        QString line;
        for (int c = 0; c < axes + values; ++c) {
            if (c > 0) line += QStringLiteral("  ");
            line += c < axes ? padRight(cells[c], widths[size_t(c)]) : padLeft(cells[c], widths[size_t(c)]);
        }
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
        text += line + QLatin1Char('\n');
    };
    write(header);
    qsizetype total = 0;
    for (qsizetype w : widths) total += w + 2;
    text += QString(std::max<qsizetype>(0, total - 2), QChar(0x2500)) + QLatin1Char('\n');
    for (const QStringList& line : lines) write(line);
    text += items == 1 ? QStringLiteral("1 item\n") : QStringLiteral("%1 items\n").arg(items);
    return text;
}

QString chosenFormat(const dravo::Args& args, const QString& output) {
    const QStringList names{QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("html")};
    QString name = args.value(QStringLiteral("--format"));
    if (!args.has(QStringLiteral("--format"))) {
        const QString suffix = output == QLatin1String("-") ? QString() : QFileInfo(output).suffix().toLower();
        name = suffix == QLatin1String("csv") ? names[1] : (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) ? names[2] : names[0];
    }
    if (!names.contains(name))
        throw dravo::UsageError{QStringLiteral("unknown format '%1' (choose from %2)").arg(name, names.join(QStringLiteral(", ")))};
    return name;
}

int runDrill(const dravo::Args& args) {
    const QString file = args.positional.first();
    const QString output = dravo::outputPath(args, QString(), QStringLiteral("-"));
    const QString format = chosenFormat(args, output);
    dravo::refuseToReplaceInput(file, output);
    dravo::Timing timing;
    const std::unique_ptr<TPivotCube> engine = dravo::openPivotSource(file, args, timing);

    const TPCDrillPath row = ResolveDrillPath(*engine, engine->RowDimensions(), args.value(QStringLiteral("--row")));
    if (!row.Error.isEmpty()) throw dravo::UsageError{QStringLiteral("--row: ") + row.Error};
    const TPCDrillPath col = ResolveDrillPath(*engine, engine->ColDimensions(), args.value(QStringLiteral("--col")));
    if (!col.Error.isEmpty()) throw dravo::UsageError{QStringLiteral("--col: ") + col.Error};

    QByteArray bytes;
    try {
        dravo::Progress progress(QStringLiteral("selecting the items"));
        const TPCCellDrillThrough drill(*engine, row.Filters, col.Filters);
        bytes = format == QLatin1String("csv") ? drill.CSV() : format == QLatin1String("html") ? drill.HTMLPage() : drillText(drill).toUtf8();
    } catch (const Exception& e) {
        throw dravo::Failure{file, QStringLiteral("the items cannot be listed"), e.message()};
    }
    dravo::writeFileAtomically(output, bytes);
    return 0;
}

dravo::Subcommand makeDrill() {
    dravo::Subcommand c;
    c.name = QStringLiteral("drill");
    c.summary = QStringLiteral("list the data items behind one cell of the pivot table");
    c.synopsis = QStringLiteral("drill FILE [--row PATH] [--col PATH] [--format FMT] [-o OUT] [--view NAME] [--password P] [layout options]");
    c.description = QStringLiteral(
        "The table is the one 'dravo pivot' shows for FILE and the same options. The cell\n"
        "is named by the captions of its row members and of its column members, outermost\n"
        "first, joined with \" / \" (\"Nord / Lille\"); a path shorter than the dimensions\n"
        "names a subtotal line or column, and a path left out names the whole direction.\n"
        "Prints one line per data item the cell aggregates (those of every value column),\n"
        "in the order the cell reads them: one column per axis (the member's caption) and\n"
        "per value. Formats: text (aligned, with the item count; the default), csv (the\n"
        "form of 'dravo export --format data-csv'), html (the raw data page); without\n"
        "--format, an -o ending in .csv or .html picks it.");
    c.options = {{QStringLiteral("--row"), QString(), QStringLiteral("PATH"), QStringLiteral("the row members of the cell, joined with \" / \"")},
                 {QStringLiteral("--col"), QString(), QStringLiteral("PATH"), QStringLiteral("the column members of the cell, joined with \" / \"")},
                 {QStringLiteral("--format"), QString(), QStringLiteral("FMT"), QStringLiteral("text, csv or html")},
                 {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("OUT"), QStringLiteral("the file to write, '-' (the default) for standard output")},
                 dravo::viewOption(), dravo::passwordOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runDrill;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeDrill());
