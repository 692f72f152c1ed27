// dravo drill: the items behind one cell, checked against the table's own
// numbers, and the paths and formats a user can get wrong.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The data-csv lines after the header, split into fields (the generated
// captions hold no comma or quote).
std::vector<QStringList> csvRows(const QByteArray& csv) {
    std::vector<QStringList> rows;
    const QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) rows.push_back(lines[i].split(QLatin1Char(',')));
    return rows;
}

class DravoDrill : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "3000", "--seed", "8", "-o", cube}).code, 0);
    }
    QTemporaryDir dir;
    const QString cube = dir.filePath(QStringLiteral("c.pvc"));
    const QStringList layout{"--rows", "Région,Ville", "--cols", "Canal", "--expand-all", "--value", "Montant",
                             "--formula", "Plus grand=Maximum('Montant')", "--value", "Plus grand", "--formula", "n=Nombre('Montant')", "--value", "n"};
};

TEST_F(DravoDrill, ItemsAddUpToTheCellsOfTheTable) {
    const DravoOutcome table = dravo(QStringList{"export", cube, "--format", "json"} << layout);
    ASSERT_EQ(table.code, 0) << table.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(table.bytes).object();
    const QJsonArray columns = json[QStringLiteral("columns")].toArray();
    int checked = 0;
    // A town line and its region's subtotal line, under two channels.
    for (const QJsonValue rowValue : json[QStringLiteral("rows")].toArray()) {
        const QJsonObject row = rowValue.toObject();
        QStringList path;
        for (const QJsonValue p : row[QStringLiteral("path")].toArray()) path << p.toString();
        if (path.first() != QStringLiteral("Bretagne")) continue;
        for (int c = 0; c < std::min<qsizetype>(columns.size(), 6); c += 3) {
            const QString channel = columns[c].toObject()[QStringLiteral("path")].toArray()[0].toString();
            const DravoOutcome drill = dravo(QStringList{"drill", cube, "--row", path.join(QStringLiteral(" / ")), "--col", channel, "--format", "csv"} << layout);
            ASSERT_EQ(drill.code, 0) << drill.err.toStdString();
            double sum = 0, max = 0;
            const std::vector<QStringList> items = csvRows(drill.bytes);
            for (const QStringList& item : items) {
                EXPECT_EQ(item[0], QStringLiteral("Bretagne"));
                if (path.size() > 1) {
                    EXPECT_EQ(item[1], path[1]);
                }
                EXPECT_EQ(item[4], channel);
                const double amount = item[5].toDouble();
                sum += amount;
                max = std::max(max, amount);
            }
            const QJsonArray cells = row[QStringLiteral("cells")].toArray();
            EXPECT_NEAR(cells[c].toDouble(), sum, 1e-6) << path.join('/').toStdString() << " " << channel.toStdString();
            EXPECT_DOUBLE_EQ(cells[c + 1].toDouble(), max);
            EXPECT_EQ(cells[c + 2].toDouble(), double(items.size()));
            ++checked;
        }
    }
    EXPECT_GE(checked, 6);
}

TEST_F(DravoDrill, FormatsAndWholeDirections) {
    // No --col: every channel of the line; text ends with the count.
    const DravoOutcome csv = dravo(QStringList{"drill", cube, "--row", "Bretagne", "--format", "csv"} << layout);
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    EXPECT_TRUE(csv.bytes.startsWith("Région,Ville,Produit,Mois,Canal,Montant,Quantité,Prix,Remise\r\n"));
    const size_t count = csvRows(csv.bytes).size();
    ASSERT_GT(count, 0u);
    const DravoOutcome text = dravo(QStringList{"drill", cube, "--row", "Bretagne"} << layout);
    ASSERT_EQ(text.code, 0);
    EXPECT_TRUE(text.bytes.endsWith(QStringLiteral("\n%1 items\n").arg(count).toUtf8())) << text.bytes.right(40).toStdString();
    const QString page = dir.filePath(QStringLiteral("cell.html"));
    ASSERT_EQ(dravo(QStringList{"drill", cube, "--row", "Bretagne", "-o", page} << layout).code, 0);
    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray html = f.readAll();
    EXPECT_TRUE(html.contains("<table class=\"PivotCubeData\">"));
    EXPECT_TRUE(html.contains("<title>Bretagne</title>") || html.contains(" : Bretagne</title>"));
    // Neither path: the whole table, every item.
    EXPECT_EQ(csvRows(dravo(QStringList{"drill", cube, "--format", "csv"}).bytes).size(), 3000u);
}

TEST_F(DravoDrill, BadPathsAreUsageErrors) {
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--row", "Atlantide"}, "--row: no member 'Atlantide' in 'Région' (choose from Auvergne"},
        {{"--row", "Bretagne / Lyon / Web"}, "--row: the path has more members than the 2 dimension(s)"},
        {{"--col", "Fax"}, "--col: no member 'Fax' in 'Canal'"},
        {{"--row", "Bretagne", "--exclude", "Région=Bretagne"}, "--row: 'Bretagne' is filtered out of 'Région'"},
        {{"--format", "xlsx"}, "unknown format 'xlsx' (choose from text, csv, html)"},
    };
    for (const Case& c : cases) {
        const DravoOutcome r = dravo(QStringList{"drill", cube} << layout << c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    // A town under another region is a cell without items, not an error.
    const DravoOutcome empty = dravo(QStringList{"drill", cube, "--row", "Bretagne / Lyon"} << layout);
    EXPECT_EQ(empty.code, 0);
    EXPECT_TRUE(empty.bytes.endsWith("\n0 items\n"));
}

} // namespace
