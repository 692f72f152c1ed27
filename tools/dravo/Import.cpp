// dravo import: a CSV file made into a raw cube file, its columns chosen on
// the command line or classified from their content.
#include "Dravo.h"
#include "Layout.h"

#include "UCompressor.h"
#include "UPivotCubeCsvImport.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace {

QString kindWord(TCsvColumnKind kind) {
    switch (kind) {
    case TCsvColumnKind::Empty: return QStringLiteral("empty");
    case TCsvColumnKind::Text: return QStringLiteral("text");
    case TCsvColumnKind::Number: return QStringLiteral("numbers");
    case TCsvColumnKind::Date: return QStringLiteral("dates");
    }
    return QString();
}

char characterOption(const dravo::Args& args, const QString& name, const QString& choices) {
    QString text = args.value(name);
    if (text == QLatin1String("tab") || text == QLatin1String("\\t")) text = QStringLiteral("\t");
    if (text.size() != 1 || !choices.contains(text[0]))
        throw dravo::UsageError{QStringLiteral("%1 is one of %2, not '%3'").arg(name, name == QLatin1String("--delimiter") ? QStringLiteral("',', ';', 'tab'") : QStringLiteral("'.', ','"), args.value(name))};
    return char(text[0].unicode());
}

TCsvImportOptions optionsOf(const dravo::Args& args, const QString& input) {
    TCsvImportOptions o;
    if (args.has(QStringLiteral("--delimiter"))) o.Format.Delimiter = characterOption(args, QStringLiteral("--delimiter"), QStringLiteral(",;\t"));
    if (args.has(QStringLiteral("--decimal"))) o.Format.Decimal = characterOption(args, QStringLiteral("--decimal"), QStringLiteral(".,"));
    if (o.Format.Delimiter == o.Format.Decimal)
        throw dravo::UsageError{QStringLiteral("the delimiter and the decimal separator must differ (use --delimiter ';' with --decimal ',')")};
    if (args.has(QStringLiteral("--encoding"))) {
        const QString e = args.value(QStringLiteral("--encoding")).toLower().remove(QLatin1Char('-'));
        if (e == QLatin1String("latin1") || e == QLatin1String("iso88591")) o.Format.Encoding = TCsvEncoding::Latin1;
        else if (e != QLatin1String("utf8")) throw dravo::UsageError{QStringLiteral("--encoding is utf8 or latin1, not '%1'").arg(args.value(QStringLiteral("--encoding")))};
    }
    o.Title = args.has(QStringLiteral("--title")) ? args.value(QStringLiteral("--title")) : QFileInfo(input).completeBaseName();

    for (const QString& name : args.values(QStringLiteral("--axis"))) {
        if (name.isEmpty()) throw dravo::UsageError{QStringLiteral("--axis needs a column name")};
        o.Columns.push_back({name, TCsvColumnRole::Axis, QString(), QString()});
    }
    for (const QString& choice : args.values(QStringLiteral("--value"))) {
        // The operator follows the last colon, so that a name may hold one
        // ("Temps:total:Somme"); a last part with a blank belongs to the name.
        QString name = choice, op = QStringLiteral("Somme");
        const qsizetype colon = choice.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0 && !choice.mid(colon + 1).isEmpty() && !choice.mid(colon + 1).contains(QLatin1Char(' '))) {
            name = choice.left(colon);
            op = dravo::groupOperatorName(QStringLiteral("--value ") + choice, choice.mid(colon + 1));
        }
        if (name.isEmpty()) throw dravo::UsageError{QStringLiteral("--value needs a column name")};
        o.Columns.push_back({name, TCsvColumnRole::Value, op, QString()});
    }
    for (const QString& name : args.values(QStringLiteral("--ignore"))) o.Columns.push_back({name, TCsvColumnRole::Ignore, QString(), QString()});
    o.MonthColumns = args.values(QStringLiteral("--month"));
    for (const QString& link : args.values(QStringLiteral("--parent"))) {
        const qsizetype eq = link.indexOf(QLatin1Char('='));
        if (eq <= 0 || eq == link.size() - 1) throw dravo::UsageError{QStringLiteral("--parent is CHILD=PARENT, not '%1'").arg(link)};
        o.Parents.emplace_back(link.left(eq), link.mid(eq + 1));
    }
    return o;
}

// What became of each column, as a small table.
QString summary(const QString& input, const TCsvImportResult& r) {
    const TPivotCubeData& cube = *r.Cube;
    QString text = QStringLiteral("%1: %2 data lines, delimiter '%3'\n")
                       .arg(input)
                       .arg(r.DataLines)
                       .arg(r.Delimiter == '\t' ? QStringLiteral("tab") : QString(QLatin1Char(r.Delimiter)));
    int width = 0;
    for (const TCsvColumnReport& c : r.Columns) width = std::max(width, int(c.Name.size()));
    for (const TCsvColumnReport& c : r.Columns) {
        QString what;
        switch (c.Role) {
        case TCsvColumnRole::Axis:
        case TCsvColumnRole::MonthAxis:
            what = QStringLiteral("axis   %1, %2 member%3")
                       .arg(c.Role == TCsvColumnRole::MonthAxis ? QStringLiteral("months") : kindWord(c.Kind))
                       .arg(c.Members)
                       .arg(c.Members == 1 ? QString() : QStringLiteral("s"));
            if (!c.Parent.isEmpty()) what += QStringLiteral(", under %1").arg(c.Parent);
            break;
        case TCsvColumnRole::Value:
            what = QStringLiteral("value  %1").arg(c.Operator);
            if (c.EmptyCells) what += QStringLiteral(", %1 empty cell%2 read as 0").arg(c.EmptyCells).arg(c.EmptyCells == 1 ? QString() : QStringLiteral("s"));
            break;
        case TCsvColumnRole::Ignore: what = QStringLiteral("ignored"); break;
        }
        text += QStringLiteral("  %1  %2\n").arg(c.Name.leftJustified(width), what);
    }
    for (const TCsvColumnReport& c : r.Columns)
        if (c.DecimalCommas)
            text += QStringLiteral("note: the column '%1' holds numbers with a decimal comma: --decimal , reads them as numbers\n").arg(c.Name);
    const auto counted = [](int n, const char* one, const char* many) { return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many)); };
    text += QStringLiteral("cube: %1, %2, %3\n")
                .arg(counted(cube.Axises().Count(), "axis", "axes"), counted(cube.Values().Count(), "value", "values"),
                     counted(cube.DataItems().Count(), "item", "items"));
    return text;
}

int runImport(const dravo::Args& args) {
    const QString input = args.positional.first();
    const QString output = dravo::outputPath(args, QStringLiteral("-o CUBE.pvc"));
    const TCsvImportOptions options = optionsOf(args, input);
    dravo::refuseToReplaceInput(input, output);

    QElapsedTimer timer;
    timer.start();
    TCsvImportResult result;
    try {
        dravo::Progress progress(QStringLiteral("reading"));
        result = ImportCsvFile(input, options, [&](qint64 done, qint64 total) { progress.update(done, total); });
    } catch (const ECsvImportError& e) {
        throw dravo::Failure{input, e.message()};
    } catch (const std::bad_alloc&) {
        throw dravo::Failure{input, QStringLiteral("out of memory: the cube does not fit")};
    }
    const double readMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    TMemoryStream file;
    {
        dravo::Progress progress(QStringLiteral("compressing"));
        file.WriteBytes(TPivotCubeData::FileHeader());
        TBlockStringStream content;
        {
            TBinaryWriter writer(content, 65536);
            result.Cube->WriteToFiler(writer);
        }
        CompressStream(&content, &file, [&](TStream&, qint64 size, qint64, qint64 done) { progress.update(done, size); });
    }
    const double compressMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    dravo::writeFileAtomically(output, file.Data());
    const double writeMs = double(timer.nsecsElapsed()) / 1e6;
    // The report goes where the cube does not.
    const QString report = summary(input, result);
    if (output == QLatin1String("-")) {
        const QByteArray bytes = report.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    } else {
        dravo::out(report);
    }
    if (result.EmptyNumbers > 0)
        dravo::warn(QStringLiteral("%1 empty cell%2 of value columns read as 0").arg(result.EmptyNumbers).arg(result.EmptyNumbers == 1 ? QString() : QStringLiteral("s")));
    if (args.has(QStringLiteral("--timing"))) {
        const QByteArray line = QStringLiteral("timing: read %1 ms, compress %2 ms, write %3 ms\n")
                                    .arg(readMs, 0, 'f', 1).arg(compressMs, 0, 'f', 1).arg(writeMs, 0, 'f', 1).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
    return 0;
}

dravo::Subcommand makeImport() {
    dravo::Subcommand c;
    c.name = QStringLiteral("import");
    c.summary = QStringLiteral("make a raw cube file (.pvc) from a CSV file");
    c.synopsis = QStringLiteral(
        "import DATA.csv -o CUBE.pvc [--axis NAME]... [--value NAME[:OPERATOR]]... [--ignore NAME]... [--month NAME]... "
        "[--parent CHILD=PARENT]... [--delimiter C] [--decimal C] [--encoding E] [--title T] [--timing]");
    c.description = QStringLiteral(
        "Reads DATA.csv (a header line of column names, then one data item per line) and\n"
        "writes the cube to CUBE.pvc, replaced atomically, then prints what became of each\n"
        "column. A column not named by --axis, --value or --ignore is classified from its\n"
        "content: a column of numbers becomes a value summed with \"Somme\", any other\n"
        "column (texts, dates, numbers written with leading zeros like \"007\") an axis.\n"
        "Axes and values keep the order of the columns in the file. OPERATOR is one of\n"
        "Somme, Moyenne, Nombre, Maximum, Minimum, Etendue (default Somme), or in English\n"
        "Sum, Average, Count, Max, Min, Range.\n"
        "--month NAME makes the dates of the column NAME (yyyy-mm-dd or dd/mm/yyyy, a time\n"
        "may follow) an axis of months (\"2025-03\"). --parent Ville=Région links each member\n"
        "of the axis Ville to the member of Région on its lines; a member found under two\n"
        "parents is an error.\n"
        "Members are ordered as texts (case-insensitive), as numbers for a column of\n"
        "numbers, by date for a column of dates.\n"
        "The file is RFC 4180: fields quoted with '\"' may hold delimiters, doubled quotes\n"
        "and line breaks; lines end with CR LF, LF or CR; UTF-8 with or without a byte\n"
        "order mark, or Latin-1 with --encoding latin1. The delimiter (',', ';' or tab) is\n"
        "the one that splits the header and the first lines alike, unless given.\n"
        "Empty cells: an empty cell of a value column is read as 0 (the line is kept, so\n"
        "its other values still count) and the number of such cells is reported; an empty\n"
        "cell of an axis column is a member with an empty caption. Blank lines are skipped\n"
        "(in a file of one column an empty line is an empty cell).\n"
        "A ragged line, a text in a value column named by --value, a duplicate column\n"
        "name, an empty file or a broken quote stops the import with the line and column\n"
        "(exit 1); no output file is written then.");
    c.options = {
        {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("CUBE.pvc"), QStringLiteral("the cube file to write (replaced atomically)")},
        {QStringLiteral("--axis"), QString(), QStringLiteral("NAME"), QStringLiteral("import the column NAME as an axis (repeatable)")},
        {QStringLiteral("--value"), QString(), QStringLiteral("NAME[:OP]"), QStringLiteral("import the column NAME as a value aggregated by OP (repeatable)")},
        {QStringLiteral("--ignore"), QString(), QStringLiteral("NAME"), QStringLiteral("leave the column NAME out (repeatable)")},
        {QStringLiteral("--month"), QString(), QStringLiteral("NAME"), QStringLiteral("the date column NAME as an axis of months (repeatable)")},
        {QStringLiteral("--parent"), QString(), QStringLiteral("CHILD=PARENT"), QStringLiteral("the axis CHILD under the axis PARENT (repeatable)")},
        {QStringLiteral("--delimiter"), QString(), QStringLiteral("C"), QStringLiteral("',', ';' or 'tab' (detected by default)")},
        {QStringLiteral("--decimal"), QString(), QStringLiteral("C"), QStringLiteral("decimal separator of the numbers, '.' (default) or ','")},
        {QStringLiteral("--encoding"), QString(), QStringLiteral("E"), QStringLiteral("utf8 (default) or latin1")},
        {QStringLiteral("--title"), QString(), QStringLiteral("T"), QStringLiteral("the cube's title (default: the file's name without extension)")},
        {QStringLiteral("--timing"), QString(), QString(), QStringLiteral("print on stderr the time spent reading the CSV, compressing and writing")},
    };
    c.minPositional = c.maxPositional = 1;
    c.run = runImport;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeImport());
