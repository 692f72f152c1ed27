// The .xlsx workbook of the pivot table, read back with openpyxl (a helper
// script prints what the workbook holds as JSON): numbers as numbers with
// their column's format, merged headers, bold regroupment lines, frozen
// headers and the raw data sheet.
#include "CPivotCube.h"
#include "CPivotCubeXlsxExport.h"
#include "PivotCubeTestCube.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testcube::addAxis;
using testcube::addValue;

// The workbook as openpyxl reads it: {"sheets": [{title, freeze, merged, cells}]}.
QJsonObject readBack(const QByteArray& xlsx) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(xlsx);
    f.close();
    QProcess p;
    // Debian's interpreter, which has Debian's openpyxl.
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(LORVANE_SOURCE_DIR "/tests/common/xlsx_dump.py"), path});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

class XlsxExport : public ::testing::Test {
protected:
    void SetUp() override {
        auto cube = std::make_unique<TPivotCubeData>();
        addAxis(*cube, QStringLiteral("Région"), {QStringLiteral("Nord"), QStringLiteral("Sud")});
        addAxis(*cube, QStringLiteral("Ville"), {QStringLiteral("Lille"), QStringLiteral("Arras"), QStringLiteral("Nice")});
        addAxis(*cube, QStringLiteral("Canal"), {QStringLiteral("Web"), QStringLiteral("Magasin")});
        addValue(*cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
        addValue(*cube, QStringLiteral("Quantité"), QStringLiteral("Somme"));
        // Région, Ville, Canal; Montant, Quantité.
        testcube::addItems(*cube, {{{1, 1, 1}, {10.25, 1}}, {{1, 2, 2}, {5, 2}}, {{2, 3, 1}, {7.5, 3}}, {{1, 1, 2}, {1, 4}}});
        engine.SetCubeData(*cube);
        engine.AddDimension(engine.RowDimensions(), 0);
        engine.AddDimension(engine.RowDimensions(), 1);
        engine.AddDimension(engine.ColDimensions(), 2);
        engine.AddValueColumn(*engine.CubeData().Values()[0]).SetFormat(QStringLiteral("%.1f"));
        engine.AddValueColumn(*engine.CubeData().Values()[1]).SetFormat(QStringLiteral("%.0f"));
        engine.ToggleExpand(engine.RowRoot(), 0);   // Nord shows its towns
    }
    QJsonArray cell(const QJsonObject& sheet, const char* at) { return sheet[QStringLiteral("cells")].toObject()[QString::fromLatin1(at)].toArray(); }
    TPivotCube engine;
};

TEST_F(XlsxExport, TableSheetHoldsNumbersMergedHeadersAndFrozenPanes) {
    TPivotCubeRegroup* total = engine.RowRegroups().Add();
    total->SetOperator(QStringLiteral("Somme"));
    total->SetValue(QStringLiteral("Montant"));
    TPivotCubeRegroup* columnTotal = engine.ColRegroups().Add();
    columnTotal->SetOperator(QStringLiteral("Somme"));
    columnTotal->SetValue(QStringLiteral("Montant"));
    const QJsonObject book = readBack(ExportXlsx(engine));
    const QJsonArray sheets = book[QStringLiteral("sheets")].toArray();
    ASSERT_EQ(sheets.size(), 1);
    const QJsonObject sheet = sheets[0].toObject();
    EXPECT_EQ(sheet[QStringLiteral("title")].toString(), QStringLiteral("Tableau croisé"));
    // Two header rows (channels, then value captions) and two row-header columns.
    EXPECT_EQ(sheet[QStringLiteral("freeze")].toString(), QStringLiteral("C3"));
    QStringList merged;
    for (const QJsonValue m : sheet[QStringLiteral("merged")].toArray()) merged << m.toString();
    // Web and Magasin over their two value columns; the regroupment caption
    // down both header rows; Nord down its own line and its three towns (all
    // shown: empty members are not hidden); Sud, collapsed, and the column
    // regroupment's caption across both header columns.
    EXPECT_EQ(merged, (QStringList{"A3:A6", "A7:B7", "A8:B8", "C1:D1", "E1:F1", "G1:G2"}));

    struct Expected {
        const char* at;
        QVariant value;
        const char* type;     // openpyxl: n number, s string
        const char* format;
        bool bold;
    } cells[] = {
        {"C1", "Web", "s", "General", true},
        {"E1", "Magasin", "s", "General", true},
        {"A2", "Région", "s", "General", true},
        {"B2", "Ville", "s", "General", true},
        {"C2", "Montant", "s", "General", true},
        {"D2", "Quantité", "s", "General", true},
        {"A3", "Nord", "s", "General", true},
        {"C3", 10.25, "n", "0.0", false},     // Nord × Web: the subtotal of its towns
        {"D3", 1, "n", "0", false},
        {"E3", 6, "n", "0.0", false},
        {"F3", 6, "n", "0", false},
        {"B4", "Lille", "s", "General", true},
        {"F4", 4, "n", "0", false},
        {"C5", 0, "n", "0.0", false},         // Arras × Web: no items
        {"B6", "Nice", "s", "General", true},
        {"C6", 0, "n", "0.0", false},
        {"A7", "Sud", "s", "General", true},
        {"C7", 7.5, "n", "0.0", false},
        {"G3", 16.25, "n", "0.00", false},    // the row regroupment: default format
        {"A8", "Somme (Montant)", "s", "General", true},
        {"C8", 17.75, "n", "0.0", true},      // the column regroupment line, in bold
    };
    for (const Expected& e : cells) {
        const QJsonArray c = cell(sheet, e.at);
        ASSERT_EQ(c.size(), 4) << e.at;
        if (e.value.typeId() == QMetaType::QString) EXPECT_EQ(c[0].toString(), e.value.toString()) << e.at;
        else EXPECT_DOUBLE_EQ(c[0].toDouble(), e.value.toDouble()) << e.at;
        EXPECT_EQ(c[1].toString(), QString::fromLatin1(e.type)) << e.at;
        EXPECT_EQ(c[2].toString(), QString::fromLatin1(e.format)) << e.at;
        EXPECT_EQ(c[3].toBool(), e.bold) << e.at;
    }
}

TEST_F(XlsxExport, DataSheetWhenAskedAndTextWhereTheFormatIsAnExpression) {
    engine.ValueColumns()[1]->SetFormat(QStringLiteral("=IntToStr(Value, 3)"));
    engine.ClearDimensions();
    engine.AddDimension(engine.RowDimensions(), 0);
    TPCXlsxOptions options;
    options.WithData = true;
    const QJsonArray sheets = readBack(ExportXlsx(engine, options))[QStringLiteral("sheets")].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject table = sheets[0].toObject(), data = sheets[1].toObject();
    // One value-caption header row; the Quantité column keeps the text its expression shows.
    EXPECT_EQ(cell(table, "B1")[0].toString(), QStringLiteral("Montant"));
    EXPECT_EQ(cell(table, "C2")[0].toString(), QStringLiteral("007"));
    EXPECT_EQ(cell(table, "C2")[1].toString(), QStringLiteral("s"));
    EXPECT_DOUBLE_EQ(cell(table, "B2")[0].toDouble(), 16.25);

    EXPECT_EQ(data[QStringLiteral("title")].toString(), QStringLiteral("Données"));
    EXPECT_EQ(data[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
    EXPECT_EQ(data[QStringLiteral("cells")].toObject().size(), 5 * 5);
    EXPECT_EQ(cell(data, "E1")[0].toString(), QStringLiteral("Quantité"));
    EXPECT_TRUE(cell(data, "E1")[3].toBool());
    EXPECT_EQ(cell(data, "C4")[0].toString(), QStringLiteral("Web"));   // the third item: Sud, Nice, Web
    EXPECT_DOUBLE_EQ(cell(data, "D4")[0].toDouble(), 7.5);
    EXPECT_EQ(cell(data, "D4")[1].toString(), QStringLiteral("n"));
}

TEST(XlsxNumberFormat, MasksBecomeSpreadsheetFormats) {
    const std::pair<const char*, const char*> cases[] = {
        {"%.2f", "0.00"},          {"%.0f", "0"},          {"%f", "0.00"},          {"%8.3f", "0.000"},
        {"%n", "#,##0.00"},        {"%.1n", "#,##0.0"},    {"%.3e", "0.00E+00"},    {"%g", "General"},
        {"%s", "General"},         {"%.1f %%", "0.0\" %\""}, {"\u20AC %.2f", "\"\u20AC \"0.00"},
        {"=Value*2", ""},          {"%d", ""},             {"%.2f / %.2f", ""},     {"abc", ""},
        {"say \"x\" %.1f", ""},
    };
    for (const auto& [mask, expected] : cases)
        EXPECT_EQ(SpreadsheetNumberFormat(QString::fromUtf8(mask)), QString::fromUtf8(expected)) << mask;
}

} // namespace
