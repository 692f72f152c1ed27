// dravo export --format xlsx: the workbook read back with openpyxl agrees
// with the table's own numbers; --with-data adds the raw data sheet.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

TEST(DravoXlsx, WorkbookAgreesWithTheTableAndCarriesTheDataWhenAsked) {
    QTemporaryDir dir;
    const QString cube = dir.filePath(QStringLiteral("c.pvc")), book = dir.filePath(QStringLiteral("t.xlsx"));
    ASSERT_EQ(dravo({"generate", "--items", "500", "--seed", "4", "-o", cube}).code, 0);
    const QStringList layout{"--rows", "Région", "--cols", "Canal", "--value", "Montant", "--value", "Quantité"};
    const DravoOutcome json = dravo(QStringList{"export", cube, "--format", "json"} << layout);
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    // The format comes from the extension.
    const DravoOutcome written = dravo(QStringList{"export", cube, "-o", book, "--with-data"} << layout);
    ASSERT_EQ(written.code, 0) << written.err.toStdString();
    const DravoOutcome dump = RunProgram(QStringLiteral("/usr/bin/python3"), {{QStringLiteral(LORVANE_SOURCE_DIR "/tests/common/xlsx_dump.py"), book}});
    ASSERT_EQ(dump.code, 0) << dump.err.toStdString();
    const QJsonArray sheets = QJsonDocument::fromJson(dump.bytes).object()[QStringLiteral("sheets")].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject table = sheets[0].toObject()[QStringLiteral("cells")].toObject();
    const QJsonObject data = sheets[1].toObject()[QStringLiteral("cells")].toObject();
    // Two header rows (channels, value captions): the first region's line is row 3.
    const QJsonArray cells = QJsonDocument::fromJson(json.bytes).object()[QStringLiteral("rows")].toArray()[0].toObject()[QStringLiteral("cells")].toArray();
    const char* columns[] = {"B3", "C3", "D3", "E3"};
    for (int c = 0; c < 4; ++c) {
        const QJsonArray cell = table[QString::fromLatin1(columns[c])].toArray();
        EXPECT_EQ(cell[1].toString(), QStringLiteral("n")) << columns[c];
        EXPECT_NEAR(cell[0].toDouble(), cells[c].toDouble(), 1e-9) << columns[c];
        EXPECT_EQ(cell[2].toString(), QStringLiteral("0.00"));
    }
    // The data sheet: a header line and one line per item, 9 columns each.
    int dataCells = 0;
    for (auto it = data.begin(); it != data.end(); ++it) ++dataCells;
    EXPECT_EQ(dataCells, 9 * 501);
    EXPECT_EQ(data[QStringLiteral("A1")].toArray()[0].toString(), QStringLiteral("Région"));
    EXPECT_EQ(data[QStringLiteral("F2")].toArray()[1].toString(), QStringLiteral("n"));

    // Usage errors: the data sheet belongs to xlsx; percents are not the table's numbers.
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--format", "html", "--with-data"}, "--with-data applies to the xlsx format only"},
        {{"--format", "xlsx", "--show-as", "total"}, "--show-as does not apply to the xlsx format"},
    };
    for (const Case& c : cases) {
        const DravoOutcome r = dravo(QStringList{"export", cube, "-o", dir.filePath(QStringLiteral("x.bytes"))} << c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
}

} // namespace
