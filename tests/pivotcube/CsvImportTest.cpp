// CSV into a cube: classification, members and their order, quoting, the
// faults a file can have (each named by line and column), and the round trip
// through the raw data export.
#include "CPivotCubeDataExport.h"
#include "UPivotCubeCsvImport.h"
#include "UPivotCubeCsvReader.h"
#include "UPivotCubeSample.h"
#include "XClasses.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TCsvImportResult import(const QByteArray& csv, TCsvImportOptions options = {}) { return ImportCsvBytes(csv, options); }

// The cube's filer bytes: two cubes with equal bytes are the same cube.
QByteArray filerBytes(const TPivotCubeData& cube) {
    TMemoryStream stream;
    {
        TBinaryWriter writer(stream, 4096);
        cube.WriteToFiler(writer);
    }
    return stream.Data();
}

QStringList captions(const TPivotCubeAxis& axis) {
    QStringList list;
    for (const TPivotCubeAxisData& m : axis.Members) list << m.Caption;
    return list;
}

// The item's member captions and numbers, as one line of text.
QString itemText(const TPivotCubeData& cube, int index) {
    const TPCDataItem& item = cube.DataItems()[index];
    QStringList parts;
    for (int a = 0; a < cube.Axises().Count(); ++a) parts << cube.Axises()[a]->CaptionOf(item.AxisIDs[a]);
    for (int v = 0; v < cube.Values().Count(); ++v) parts << QString::number(item.Values[v]);
    return parts.join(QLatin1Char('|'));
}

TCsvColumnChoice axis(const char* name, const char* parent = "") {
    return {QString::fromUtf8(name), TCsvColumnRole::Axis, QString(), QString::fromUtf8(parent)};
}
TCsvColumnChoice value(const char* name, const char* op = "Somme") {
    return {QString::fromUtf8(name), TCsvColumnRole::Value, QString::fromUtf8(op), QString()};
}

TEST(CsvImport, ClassifiesColumnsAndOrdersMembers) {
    // A spreadsheet's export: BOM, ';' and CR LF, dates day first.
    const QByteArray csv = "\xEF\xBB\xBFVille;Date;Code;Montant;Quantit\xC3\xA9\r\n"
                           "Lyon;15/03/2025;007;12.5;2\r\n"
                           "annecy;02/01/2024;012;1e3;-1\r\n"
                           "Lyon;31/12/2024;007;0.25;3\r\n";
    const TCsvImportResult r = import(csv);
    const TPivotCubeData& cube = *r.Cube;
    EXPECT_EQ(r.Delimiter, ';');
    EXPECT_EQ(r.DataLines, 3);
    ASSERT_EQ(cube.Axises().Count(), 3);
    ASSERT_EQ(cube.Values().Count(), 2);
    EXPECT_EQ(cube.Values()[1]->Nom(), QStringLiteral("Quantité"));
    EXPECT_EQ(cube.Values()[0]->GroupOperatorName(), QStringLiteral("Somme"));
    // Texts in case-insensitive order; dates by the day they name; codes stay texts.
    EXPECT_EQ(captions(*cube.Axises()[0]), (QStringList{"annecy", "Lyon"}));
    EXPECT_EQ(cube.Axises()[0]->SortStyle, pcsCaption);
    EXPECT_EQ(captions(*cube.Axises()[1]), (QStringList{"02/01/2024", "31/12/2024", "15/03/2025"}));
    EXPECT_EQ(cube.Axises()[1]->SortStyle, pcsID);
    EXPECT_EQ(captions(*cube.Axises()[2]), (QStringList{"007", "012"}));
    for (const TPivotCubeAxisData& m : cube.Axises()[1]->Members) EXPECT_EQ(m.ID, cube.Axises()[1]->IndexOfID(m.ID) + 1);
    EXPECT_EQ(itemText(cube, 0), QStringLiteral("Lyon|15/03/2025|007|12.5|2"));
    EXPECT_EQ(itemText(cube, 1), QStringLiteral("annecy|02/01/2024|012|1000|-1"));
    EXPECT_NO_THROW(cube.CheckDataItems());
    ASSERT_EQ(r.Columns.size(), 5u);
    EXPECT_EQ(r.Columns[1].Kind, TCsvColumnKind::Date);
    EXPECT_EQ(r.Columns[2].Kind, TCsvColumnKind::Text);
    EXPECT_EQ(r.Columns[0].Members, 2);
    // Dates written year first are in order as texts.
    const TCsvImportResult iso = import("D\n2025-03-01 10:00\n2024-12-31\n2025-03-01\n");
    EXPECT_EQ(captions(*iso.Cube->Axises()[0]), (QStringList{"2024-12-31", "2025-03-01", "2025-03-01 10:00"}));
    EXPECT_EQ(iso.Cube->Axises()[0]->SortStyle, pcsCaption);
}

// Two files joined with cat: the second one's byte-order mark starts a field.
// It stays a character of its own, and the cube reads back the same.
TEST(CsvImport, AByteOrderMarkInsideTheFileIsKept) {
    const TCsvImportResult first = import(QByteArray("Ville\nParis\n\xEF\xBB\xBF\n\n"));
    ASSERT_EQ(first.Cube->Axises().Count(), 1);
    EXPECT_EQ(captions(*first.Cube->Axises()[0]).size(), 3) << "\"\", a lone mark and Paris are three members";
    TCsvImportOptions again;
    again.Columns = {axis("Ville")};
    const TCsvImportResult second = import(ExportDataCSV(*first.Cube), again);
    EXPECT_EQ(filerBytes(*second.Cube), filerBytes(*first.Cube));
}

// One column whose name or members are empty or blanks only: the export
// writes them quoted, not as blank lines (a file of those would read as empty).
// A first name that starts with a byte order mark is quoted to keep it.
TEST(CsvImport, BlankFieldsAndALeadingMarkReadBack) {
    struct Case {
        const char* name;
        QByteArray csv;
    } cases[] = {
        {"an empty member", "Ville\n\"\"\nParis\n"},
        {"a name of one tab and no line", "\"\t\""},
        {"a blank name and blank members", "\" \"\n\"\t\"\n\"  \"\n"},
        // Not blank, but a first name that starts with a byte order mark.
        {"a name of one byte order mark", "\"\xEF\xBB\xBF\""},
        {"a first name after a byte order mark", "\"\xEF\xBB\xBF" "A\",B\nx,y\n"},
    };
    for (const Case& c : cases) {
        const TCsvImportResult first = import(c.csv);
        const QByteArray exported = ExportDataCSV(*first.Cube);
        TCsvImportOptions again;
        again.Format.Delimiter = ',';
        for (const TCsvColumnReport& column : first.Columns)
            again.Columns.push_back({column.Name, TCsvColumnRole::Axis, QStringLiteral("Somme"), QString()});
        const TCsvImportResult second = import(exported, again);
        EXPECT_EQ(filerBytes(*second.Cube), filerBytes(*first.Cube)) << c.name << "\n" << exported.toStdString();
    }
    // The quote closes that first name at its end, whatever bytes it holds.
    const TCsvImportResult named = import(QByteArray("A,B\nx,y\n"));
    named.Cube->Axises()[0]->Description.Nom = QString(QChar(0xFEFF)) + QChar(0) + QStringLiteral("A");
    EXPECT_TRUE(ExportDataCSV(*named.Cube).startsWith(QByteArray("\"\xEF\xBB\xBF\0A\",B\r\n", 11)));
}

TEST(CsvImport, QuotedFieldsAndLineEnds) {
    struct Case {
        const char* name;
        QByteArray csv;
        QStringList firstItem;   // the captions of the first item, then the second's
    } cases[] = {
        {"delimiter and doubled quotes inside quotes", "A,B\n\"x, y\",\"say \"\"hi\"\"\"\nz,w\n", {"x, y|say \"hi\"", "z|w"}},
        {"line breaks inside quotes", "A,B\r\n\"two\r\nlines\",\"lf\nonly\"\r\nz,w", {"two\r\nlines|lf\nonly", "z|w"}},
        {"LF, CR and no final line end", "A,B\nx,y\rz,w", {"x|y", "z|w"}},
        {"blank lines are skipped", "A,B\n\nx,y\n\n\nz,w\n\n", {"x|y", "z|w"}},
        {"empty and quoted empty cells", "A,B\n,\"\"\nz,w\n", {"|", "z|w"}},
        {"tab delimiter detected", "A\tB\nx,1\ty\nz\tw\n", {"x,1|y", "z|w"}},
    };
    for (const Case& c : cases) {
        const TCsvImportResult r = import(c.csv);
        ASSERT_EQ(r.Cube->DataItems().Count(), 2) << c.name;
        EXPECT_EQ(itemText(*r.Cube, 0), c.firstItem[0]) << c.name;
        EXPECT_EQ(itemText(*r.Cube, 1), c.firstItem[1]) << c.name;
    }
}

// The delimiter is the one that splits the header and the first lines alike;
// the header alone decides only when none does.
TEST(CsvImport, TheDelimiterSplitsTheHeaderAndTheFirstLinesAlike) {
    struct Case {
        const char* name;
        QByteArray csv;
        char delimiter;
    } cases[] = {
        {"header holds most", "A;B;C\nx;y;z\n", ';'},
        {"a comma in a caption, ties broken by the lines", "Prix, en euros;Quantit\xC3\xA9\n12;3\n4;5\n", ';'},
        {"a tab in a caption", "Nom\tcomplet,Ville\nDupont,Paris\n", ','},
        {"decimal commas in the lines only", "Ville;Prix\nNice;1,5\nLille;2,25\n", ';'},
        {"quoted delimiters and line breaks", "\"a;b\",c\n\"x\ny;z\",w\n", ','},
        {"blank lines between records", "A\tB\n\n\nx\ty\n", '\t'},
        {"no line after the header: the header decides", "A;B", ';'},
        {"lines disagree: the header decides", "A;B,C\nx;y\nx,y,z\n", ','},
        {"nothing to split on", "Ville\nNice\n", ','},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectCsvDelimiter(c.csv.constData(), c.csv.constData() + c.csv.size()), c.delimiter) << c.name;
}

TEST(CsvImport, FaultsNameTheLineAndColumn) {
    TCsvImportOptions valueV;
    valueV.Columns = {axis("A"), value("V")};
    TCsvImportOptions townUnderRegion;
    townUnderRegion.Parents = {{"Ville", "Région"}};
    TCsvImportOptions month;
    month.MonthColumns = {"A"};
    struct Case {
        const char* name;
        QByteArray csv;
        TCsvImportOptions options;
        qint64 line;
        const char* message;
    } cases[] = {
        {"empty file", "", {}, 0, "the file is empty"},
        {"only blank lines", "\xEF\xBB\xBF\r\n  \n", {}, 0, "the file is empty"},
        {"ragged line", "A,V\nx,1\ny\n", {}, 3, "line 3: 1 field where the header has 2"},
        {"long line", "A,V\nx,1,2\n", {}, 2, "line 2: 3 fields where the header has 2"},
        {"ragged after a quoted line break", "A,V\n\"x\ny\",1\nz\n", {}, 4, "line 4: 1 field"},
        {"text in a value column", "A,V\nx,1\ny,abc\n", valueV, 3, "line 3, column 'V': 'abc' is not a number"},
        {"decimal comma without the option", "A,V\nx,\"1,5\"\n", valueV, 2, "'1,5' is not a number (a decimal comma needs ',' as decimal separator)"},
        {"duplicate column names", "A,B,A\n1,2,3\n", {}, 1, "line 1, column 'A': the column name is given twice (columns 1 and 3)"},
        {"unclosed quote", "A,V\nx,1\n\"y,2\n", {}, 3, "line 3, column 'A': a quoted field is never closed"},
        {"text after a closing quote", "A,V\n\"x\"y,1\n", {}, 2, "line 2, column 'A': text after the closing quote"},
        {"NUL byte", QByteArray("A,V\nx,1\0\n", 9), {}, 2, "line 2, column 'V': a NUL byte"},
        {"not UTF-8", "A,V\ncaf\xE9,1\n", {}, 2, "line 2, column 'A': not UTF-8 text"},
        {"unknown column", "A,V\nx,1\n", [] { TCsvImportOptions o; o.Columns = {axis("B")}; return o; }(), 0,
         "there is no column named 'B' (the columns are: A, V)"},
        {"unknown operator", "A,V\nx,1\n", [] { TCsvImportOptions o; o.Columns = {value("V", "Total")}; return o; }(), 0,
         "unknown operator 'Total' for the column 'V' (choose from Somme, Moyenne, Nombre, Maximum, Minimum, Etendue)"},
        {"a child under two parents", "R\xC3\xA9gion,Ville\nNord,Lille\nSud,Nice\nSud,Lille\n", townUnderRegion, 4,
         "line 4, column 'Ville': 'Lille' is under 'Sud' here but under 'Nord' on line 2"},
        {"parent that is a value", "A,V\nx,1\n", [] { TCsvImportOptions o; o.Parents = {{"A", "V"}}; return o; }(), 0,
         "the parent 'V' of 'A' is not an axis"},
        {"parents in a circle", "A,B\nx,y\n", [] { TCsvImportOptions o; o.Parents = {{"A", "B"}, {"B", "A"}}; return o; }(), 0,
         "go round in a circle"},
        {"parent left out", "A,B\nx,y\n", [] { TCsvImportOptions o; o.Columns = {axis("A", "B"), {"B", TCsvColumnRole::Ignore, {}, {}}}; return o; }(), 0,
         "the parent 'B' of 'A' is not an axis"},
        {"column chosen twice", "A,B\nx,y\n", [] { TCsvImportOptions o; o.Columns = {axis("A"), value("A")}; return o; }(), 0,
         "the column 'A' is chosen twice"},
        {"month of a text", "A,V\n2025-01-02,1\nsoon,2\n", month, 3, "line 3, column 'A': 'soon' is not a date"},
        {"a field of more than 1 MiB", "A,V\nx,\"" + QByteArray((1 << 20) + 1, 'a') + "\"\n", {}, 2,
         "line 2, column 'V': a field longer than 1 MiB"},
        {"too many fields", "A\n" + QByteArray(20000, ','), {}, 2, "line 2: more than 16384 fields"},
        {"nothing chosen", "A,V\nx,1\n", [] { TCsvImportOptions o; o.Columns = {{"A", TCsvColumnRole::Ignore, {}, {}}, {"V", TCsvColumnRole::Ignore, {}, {}}}; return o; }(), 0,
         "no column is imported"},
    };
    for (const Case& c : cases) {
        try {
            import(c.csv, c.options);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const ECsvImportError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << c.name << ": " << e.message().toStdString();
            EXPECT_EQ(e.Line, c.line) << c.name;
        }
    }
}

TEST(CsvImport, EmptyNumbersAreZeroAndCounted) {
    const TCsvImportResult r = import("A,V,W\nx,,1\ny,2, \nz,,\n");
    ASSERT_EQ(r.Cube->Values().Count(), 2);
    EXPECT_EQ(r.Cube->DataItems().Count(), 3) << "no line is dropped";
    EXPECT_EQ(itemText(*r.Cube, 0), QStringLiteral("x|0|1"));
    EXPECT_EQ(itemText(*r.Cube, 1), QStringLiteral("y|2|0"));
    EXPECT_EQ(r.EmptyNumbers, 4);
    EXPECT_EQ(r.Columns[1].EmptyCells, 2);
}

TEST(CsvImport, ANumberColumnWithATextFarDownIsAnAxis) {
    QByteArray csv = "A,N,M,V\n";
    for (int i = 0; i < 1500; ++i) csv += "x," + QByteArray::number(i % 7) + ",1,2\n";
    csv += "y,seven,1,2\n";
    csv += "y,8,one,2\n";
    const TCsvImportResult r = import(csv);
    ASSERT_EQ(r.Cube->Axises().Count(), 3);
    EXPECT_EQ(r.Cube->Axises()[2]->Nom(), QStringLiteral("M"));
    ASSERT_EQ(r.Cube->Values().Count(), 1);
    EXPECT_EQ(r.Cube->Values()[0]->Nom(), QStringLiteral("V"));
    // Numbers and a text: ordered as texts.
    EXPECT_EQ(captions(*r.Cube->Axises()[1]), (QStringList{"0", "1", "2", "3", "4", "5", "6", "8", "seven"}));
    EXPECT_EQ(r.Cube->DataItems().Count(), 1502);
}

TEST(CsvImport, TextsThatAreNumbersWithADecimalCommaAreNoted) {
    const TCsvImportResult r = import("A;P;Q\nx;8,90;1,5\ny;2;z\n");
    ASSERT_EQ(r.Columns.size(), 3u);
    EXPECT_FALSE(r.Columns[0].DecimalCommas);
    EXPECT_TRUE(r.Columns[1].DecimalCommas) << "'8,90' and '2' are numbers with ',' as separator";
    EXPECT_FALSE(r.Columns[2].DecimalCommas);
}

TEST(CsvImport, NumberAxisDecimalCommaAndLatin1) {
    TCsvImportOptions options;
    options.Format = {';', ',', TCsvEncoding::Latin1};
    options.Columns = {axis("Ann\xC3\xA9" "e"), value("Prix", "Moyenne"), {"Ville", TCsvColumnRole::Ignore, {}, {}}};
    const TCsvImportResult r = import("Ann\xE9" "e;Prix;Ville\n2024;1,5;Orl\xE9" "ans\n100;-2,25e1;x\n9;3;y\n", options);
    const TPivotCubeData& cube = *r.Cube;
    ASSERT_EQ(cube.Axises().Count(), 1);
    EXPECT_EQ(cube.Axises()[0]->Nom(), QStringLiteral("Année"));
    EXPECT_EQ(cube.Axises()[0]->SortStyle, pcsNumber);
    EXPECT_EQ(captions(*cube.Axises()[0]), (QStringList{"9", "100", "2024"}));
    EXPECT_EQ(cube.Axises()[0]->IDOfCaption(QStringLiteral("2024")), 3) << "a view finds a year by its caption";
    EXPECT_EQ(itemText(cube, 1), QStringLiteral("100|-22.5"));
    EXPECT_EQ(cube.Values()[0]->GroupOperatorName(), QStringLiteral("Moyenne"));
    ASSERT_EQ(r.Columns.size(), 3u);
    EXPECT_EQ(r.Columns[2].Role, TCsvColumnRole::Ignore);
}

TEST(CsvImport, MonthAxisAndParentLinks) {
    TCsvImportOptions options;
    options.MonthColumns = {"Date"};
    options.Parents = {{"Ville", "R\xC3\xA9gion"}};
    const TCsvImportResult r = import("R\xC3\xA9gion,Ville,Date,V\n"
                                      "Sud,Nice,2025-03-14,1\n"
                                      "Nord,Lille,2025-03-01T10:00:00,2\n"
                                      "Sud,Toulon,28/02/2025,4\n"
                                      "Nord,Lille,,8\n",
                                      options);
    const TPivotCubeData& cube = *r.Cube;
    ASSERT_EQ(cube.Axises().Count(), 3);
    EXPECT_EQ(captions(*cube.Axises()[2]), (QStringList{"", "2025-02", "2025-03"}));
    const TPivotCubeAxis& towns = *cube.Axises()[1];
    EXPECT_EQ(towns.ParentAxis, cube.Axises()[0]);
    EXPECT_TRUE(towns.ParentLinked);
    const TPivotCubeAxis& regions = *cube.Axises()[0];
    for (const TPivotCubeAxisData& town : towns.Members) {
        const QString region = regions.CaptionOf(town.ParentID);
        EXPECT_EQ(region, town.Caption == QLatin1String("Lille") ? QStringLiteral("Nord") : QStringLiteral("Sud")) << town.Caption.toStdString();
    }
    EXPECT_EQ(itemText(cube, 1), QStringLiteral("Nord|Lille|2025-03|2"));
}

TEST(CsvImport, CaptionsDifferingByCaseStayApart) {
    const TCsvImportResult r = import("A\nParis\nparis\nLyon\n");
    const TPivotCubeAxis& a = *r.Cube->Axises()[0];
    EXPECT_EQ(a.SortStyle, pcsCaptionCaseSensitive);
    EXPECT_EQ(a.MemberCount(), 3);
    EXPECT_NE(a.IDOfCaption(QStringLiteral("Paris")), a.IDOfCaption(QStringLiteral("paris")));
}

TEST(CsvImport, HeaderOnlyAndSingleColumnFiles) {
    const TCsvImportResult header = import("A;B\r\n");
    EXPECT_EQ(header.Cube->DataItems().Count(), 0);
    EXPECT_EQ(header.Cube->Axises().Count(), 2);
    // One column: an empty line is an empty cell, not a blank line.
    const TCsvImportResult single = import("A\nx\n\ny\n");
    EXPECT_EQ(single.Cube->DataItems().Count(), 3);
    // An unnamed column gets a name.
    EXPECT_EQ(import("A,\nx,y\n").Cube->Axises()[1]->Nom(), QStringLiteral("Colonne 2"));
}

// The raw data export of an imported cube, imported again with the same roles, is the same cube.
TEST(CsvImport, DataExportReadsBackAsTheSameCube) {
    TCsvImportOptions options;
    options.Title = QStringLiteral("Ventes");
    options.Parents = {{"Ville", "R\xC3\xA9gion"}};
    const QByteArray csv = "R\xC3\xA9gion,Ville,Quand,Note,V,W\n"
                           "Sud,Nice,2025-03-14,\"a, \"\"b\"\"\",1.5,-0\n"
                           "Nord,Lille,01/02/2024,\"deux\r\nlignes\",1e300,inf\n"
                           "Sud,Toulon,2025-03-14,,0.1,nan\n";
    const TCsvImportResult first = import(csv, options);
    TCsvImportOptions again = options;
    for (const TCsvColumnReport& c : first.Columns)
        again.Columns.push_back({c.Name, c.Role, c.Operator, c.Parent});
    const TCsvImportResult second = import(ExportDataCSV(*first.Cube), again);
    EXPECT_EQ(filerBytes(*second.Cube), filerBytes(*first.Cube));

    // A cube made elsewhere: its export, imported and exported again, is unchanged.
    auto sample = GenerateSampleCube(2000, 3);
    const QByteArray exported = ExportDataCSV(*sample);
    TCsvImportOptions roles;
    for (int a = 0; a < sample->Axises().Count(); ++a) roles.Columns.push_back({sample->Axises()[a]->Nom(), TCsvColumnRole::Axis, {}, {}});
    for (int v = 0; v < sample->Values().Count(); ++v)
        roles.Columns.push_back({sample->Values()[v]->Nom(), TCsvColumnRole::Value, sample->Values()[v]->GroupOperatorName(), {}});
    const TCsvImportResult imported = import(exported, roles);
    EXPECT_EQ(ExportDataCSV(*imported.Cube), exported);
}

TEST(CsvImport, FilesAreMappedAndMissingOnesNamed) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v.csv"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("A,V\nx,1\ny,2\n");
    f.close();
    const TCsvImportResult r = ImportCsvFile(path, {});
    EXPECT_EQ(r.Cube->DataItems().Count(), 2);
    EXPECT_THROW(ImportCsvFile(dir.filePath(QStringLiteral("none.csv")), {}), ECsvImportError);
    EXPECT_THROW(ImportCsvFile(dir.path(), {}), ECsvImportError);
}

TEST(CsvImport, PreviewShowsTheFirstLinesAndTheirKinds) {
    const TCsvPreview p = PreviewCsvBytes("A;N;D\nx;1;2025-01-01\ny;2,5;\nz;3\n\"open;4;x\n", {0, ',', TCsvEncoding::Utf8}, 2);
    EXPECT_EQ(p.Delimiter, ';');
    EXPECT_EQ(p.Names, (QStringList{"A", "N", "D"}));
    ASSERT_EQ(p.Lines.size(), 2u);
    EXPECT_EQ(p.Lines[1], (QStringList{"y", "2,5", ""}));
    EXPECT_EQ(p.Kinds, (std::vector<TCsvColumnKind>{TCsvColumnKind::Text, TCsvColumnKind::Number, TCsvColumnKind::Date}));
    // A ragged or broken line further on does not stop a preview.
    EXPECT_EQ(PreviewCsvBytes("A;N\nx;1\nz\n\"open", {}, 20).Lines.size(), 2u);
}

} // namespace
