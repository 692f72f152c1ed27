// What analysts reach for first: checked formulas and formats, page filters,
// value sort and top N, structured outputs, percents, and the small comforts.
#include "UPivotCubeInteractive.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class DravoAnalyst : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "3000", "--seed", "7", "-o", cube}).code, 0);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // The export of the cube on standard output.
    QString exported(const QStringList& options) {
        DravoOutcome r = dravo(QStringList{"export", cube} + options);
        EXPECT_EQ(r.code, 0) << options.join(' ').toStdString() << "\n" << r.err.toStdString();
        return r.out;
    }
    QJsonObject json(const QStringList& options) {
        return QJsonDocument::fromJson(exported(QStringList{"--format", "json"} + options).toUtf8()).object();
    }
    QTemporaryDir dir;
    const QString cube = path("c.pvc");
};

TEST_F(DravoAnalyst, FormulasAndFormatsThatCannotWorkAreUsageErrors) {
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--formula", "D=Somme('Montant'"}, "--formula: the formula 'D': it does not parse at position 16"},
        {{"--formula", "D=Smme('Montant')"}, "--formula: the formula 'D': it does not parse at position 5 ('Smme' is not a known function, operator or name)"},
        {{"--formula", "D=Somme('Montnt')"},
         "--formula: the formula 'D': the cube has no value 'Montnt' (its values: 'Montant', 'Quantité', 'Prix', 'Remise')"},
        {{"--formula", "D=1", "--formula", "D=2"}, "--formula: the formula 'D' is defined twice"},
        {{"--default-format", "%'.2f"}, "--default-format: '%'.2f' cannot format numbers: "},
        {{"--default-format", "abc"}, "--default-format: 'abc' does not show the number"},
        {{"--default-format", "%s"}, "--default-format: '%s' formats text, not numbers"},
        {{"--formula", "D=1", "--formula-format", "D=%d"}, "--formula-format: the formula 'D': '%d' cannot format numbers: "},
        {{"--formula", "D=1", "--formula-format", "D==Value*"}, "--formula-format: the formula 'D': the display expression '=Value*': it does not parse"},
        {{"--where", "Canal=Web", "--rows", "Canal"}, "--where: the axis 'Canal' is on the table's rows or columns: use --include or --exclude"},
        {{"--where", "Mois=2031-01"}, "--where: the axis 'Mois' has no member '2031-01' (choose from "},
        {{"--sort", "Marge"}, "--sort: the table has no value column 'Marge' (choose from 'Montant')"},
        {{"--top", "0"}, "--top expects a whole number from 1 to"},
        {{"--show-as", "share"}, "--show-as takes total, row or col, not 'share'"},
        {{"--row-regroup", "Median:Montant"}, "--row-regroup: unknown operator 'Median' (choose from 'Somme', "},
    };
    for (const Case& c : cases) {
        DravoOutcome r = dravo(QStringList{"pivot", cube} + c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        const QString expected = QStringLiteral("dravo pivot: ") + QString::fromUtf8(c.message);
        EXPECT_TRUE(r.err.startsWith(expected)) << r.err.toStdString() << "\nexpected: " << expected.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // A display expression valid in the formula language is accepted, even one the mask probe refuses.
    DravoOutcome ok = dravo({"pivot", cube, "--rows", "Canal", "--formula", "K=Somme('Montant')/1000", "--formula-format",
                        "K==FormatFloat('%.1f', Value) + ' k'", "--value", "K"});
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.out.contains(QStringLiteral(" k\n"))) << ok.out.toStdString();
}

TEST_F(DravoAnalyst, AStoredFormulaThatCannotWorkIsAWarning) {
    const QString doc = path("d.Dravo");
    ASSERT_EQ(dravo({"convert", cube, "-o", doc, "--view", "Ventes", "--rows", "Canal", "--formula", "Bon=Somme('Montant')",
                     "--value", "Bon"}).code, 0);
    // The document as a viewer could have saved it, with a value name the cube does not have.
    TPCInteractive document;
    TPivotCubeData data;
    ASSERT_TRUE(LoadDocument(doc, &document, &data));
    ASSERT_TRUE(document.FormulasXML.contains("Montant"));
    document.FormulasXML.replace("Montant", "Poids");   // the formulas hold no other name
    SaveDocument(doc, document, data);
    DravoOutcome r = dravo({"pivot", doc});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("dravo: warning: view 'Ventes', formula 'Bon': the cube has no value 'Poids' (its values: 'Montant', 'Quantité', 'Prix', 'Remise')"));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Magasin"))) << "the table is still written";
}

TEST_F(DravoAnalyst, PageFiltersRestrictEveryCellAndTotal) {
    // The total of Montant under --where is the sum of the items of those months.
    const QStringList raw = csvLines(exported({"--format", "data-csv"}));
    const QStringList names = raw.first().split(QLatin1Char(','));
    const qsizetype mois = names.indexOf(QStringLiteral("Mois")), canal = names.indexOf(QStringLiteral("Canal")),
                    montant = names.indexOf(QStringLiteral("Montant"));
    double expected = 0, store = 0;
    for (qsizetype i = 1; i < raw.size(); ++i) {
        const QStringList f = raw[i].split(QLatin1Char(','));
        if (f[mois] != QLatin1String("2024-03") && f[mois] != QLatin1String("2024-04")) continue;
        expected += f[montant].toDouble();
        if (f[canal] == QLatin1String("Magasin")) store += f[montant].toDouble();
    }
    const QJsonObject table = json({"--rows", "Canal", "--where", "Mois=2024-03|2024-04", "--col-regroup", "Sum"});
    EXPECT_NEAR(table["columnRegroups"].toArray()[0].toObject()["cells"].toArray()[0].toDouble(), expected, 1e-6);
    EXPECT_NEAR(table["rows"].toArray()[0].toObject()["cells"].toArray()[0].toDouble(), store, 1e-6);
    // Two --where on different axes both apply, beside --include on a placed axis.
    const QJsonObject both = json({"--rows", "Région", "--include", "Région=Bretagne", "--where", "Mois=2024-03|2024-04", "--where",
                                   "Canal=Magasin", "--col-regroup", "Sum"});
    double bretagne = 0;
    const qsizetype region = names.indexOf(QStringLiteral("Région"));
    for (qsizetype i = 1; i < raw.size(); ++i) {
        const QStringList f = raw[i].split(QLatin1Char(','));
        if ((f[mois] == QLatin1String("2024-03") || f[mois] == QLatin1String("2024-04")) && f[canal] == QLatin1String("Magasin") &&
            f[region] == QLatin1String("Bretagne"))
            bretagne += f[montant].toDouble();
    }
    ASSERT_EQ(both["rows"].toArray().size(), 1);
    EXPECT_NEAR(both["rows"].toArray()[0].toObject()["cells"].toArray()[0].toDouble(), bretagne, 1e-6);
}

TEST_F(DravoAnalyst, SortAndTopKeepTheFirstRowsOfEachGroup) {
    const QJsonObject all = json({"--rows", "Région", "--value", "Montant"});
    std::vector<double> totals;
    for (const QJsonValue& row : all["rows"].toArray()) totals.push_back(row.toObject()["cells"].toArray()[0].toDouble());
    std::sort(totals.rbegin(), totals.rend());
    const QJsonObject top = json({"--rows", "Région", "--value", "Montant", "--sort", "Montant", "--top", "3", "--col-regroup", "Somme"});
    const QJsonArray rows = top["rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(rows[i].toObject()["cells"].toArray()[0].toDouble(), totals[size_t(i)]);
    // The rows left out stay in the totals.
    double sum = 0;
    for (double t : totals) sum += t;
    EXPECT_NEAR(top["columnRegroups"].toArray()[0].toObject()["cells"].toArray()[0].toDouble(), sum, 1e-6);
    // Ascending, and per sibling group under --expand-all.
    const QJsonArray low = json({"--rows", "Région", "--sort", "Montant:asc", "--top", "1"})["rows"].toArray();
    EXPECT_DOUBLE_EQ(low[0].toObject()["cells"].toArray()[0].toDouble(), totals.back());
    const QJsonArray nested = json({"--rows", "Région,Ville", "--expand-all", "--sort", "Montant", "--top", "2"})["rows"].toArray();
    ASSERT_EQ(nested.size(), 2 * 3);
    EXPECT_EQ(nested[1].toObject()["level"].toInt(), 1);
    EXPECT_GE(nested[1].toObject()["cells"].toArray()[0].toDouble(), nested[2].toObject()["cells"].toArray()[0].toDouble());
}

TEST_F(DravoAnalyst, JsonAndTidyCsvHoldTheNumbers) {
    const QStringList layout = {"--rows", "Canal", "--cols", "Mois", "--include", "Mois=2023-01|2023-08", "--value", "Montant", "--value", "Prix"};
    const QJsonObject table = json(layout);
    EXPECT_EQ(table["rowDimensions"].toArray()[0].toString(), QStringLiteral("Canal"));
    EXPECT_EQ(table["columnDimensions"].toArray()[0].toString(), QStringLiteral("Mois"));
    EXPECT_EQ(table["values"].toArray().size(), 2);
    const QJsonArray columns = table["columns"].toArray();
    ASSERT_EQ(columns.size(), 4);
    EXPECT_EQ(columns[1].toObject()["path"].toArray()[0].toString(), QStringLiteral("2023-01"));
    EXPECT_EQ(columns[1].toObject()["value"].toString(), QStringLiteral("Prix"));
    // No web sales before 2023-07: null, not 0.
    const QJsonArray rows = table["rows"].toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[1].toObject()["path"].toArray()[0].toString(), QStringLiteral("Web"));
    EXPECT_TRUE(rows[1].toObject()["cells"].toArray()[0].isNull());
    EXPECT_TRUE(rows[1].toObject()["cells"].toArray()[2].isDouble());

    const QStringList tidy = csvLines(exported(QStringList{"--format", "tidy-csv"} + layout));
    EXPECT_EQ(tidy.first(), QStringLiteral("Canal,Mois,value,number"));
    int cells = 0;
    for (const QJsonValue& row : rows)
        for (const QJsonValue& cell : row.toObject()["cells"].toArray()) cells += cell.isNull() ? 0 : 1;
    EXPECT_EQ(tidy.size() - 1, cells) << "one line per cell with items";
    EXPECT_FALSE(exported(QStringList{"--format", "tidy-csv"} + layout).contains(QStringLiteral("Web,2023-01,")));
    // Full precision: the number reads back as the JSON one.
    const QStringList first = tidy[1].split(QLatin1Char(','));
    EXPECT_EQ(first[0], QStringLiteral("Magasin"));
    EXPECT_EQ(first[3].toDouble(), rows[0].toObject()["cells"].toArray()[0].toDouble());
}

TEST_F(DravoAnalyst, PercentsAreOfTotalsOverTheSameItems) {
    const QStringList layout = {"--rows", "Canal", "--cols", "Région", "--value", "Prix"};
    const QJsonObject values = json(layout);
    auto cellsOf = [](const QJsonObject& t) {
        std::vector<std::vector<double>> out;
        for (const QJsonValue& row : t["rows"].toArray()) {
            std::vector<double> line;
            for (const QJsonValue& c : row.toObject()["cells"].toArray()) line.push_back(c.isNull() ? NAN : c.toDouble());
            out.push_back(line);
        }
        return out;
    };
    // Prix is an average: a row's percents do not add to 100, they are against the row's own average.
    const auto byRow = cellsOf(json(QStringList(layout) << "--show-as" << "row"));
    const auto rowTotals = cellsOf(json({"--rows", "Canal", "--value", "Prix"}));
    const auto raw = cellsOf(values);
    for (size_t r = 0; r < raw.size(); ++r)
        for (size_t c = 0; c < raw[r].size(); ++c)
            if (!std::isnan(raw[r][c])) {
                EXPECT_NEAR(byRow[r][c], raw[r][c] * 100 / rowTotals[r][0], 1e-9);
            }
    const auto byTotal = cellsOf(json({"--rows", "Canal", "--value", "Montant", "--show-as", "total"}));
    double sum = 0;
    for (const auto& line : byTotal) sum += line[0];
    EXPECT_NEAR(sum, 100, 1e-9);
    const auto byColumn = cellsOf(json({"--rows", "Canal", "--cols", "Région", "--value", "Montant", "--show-as", "col"}));
    for (size_t c = 0; c < byColumn[0].size(); ++c) {
        double column = 0;
        for (const auto& line : byColumn) column += std::isnan(line[c]) ? 0 : line[c];
        EXPECT_NEAR(column, 100, 1e-9);
    }
    // Every format shows them.
    EXPECT_TRUE(exported({"--rows", "Canal", "--show-as", "total", "--format", "csv"}).contains(QStringLiteral("%\r\n")));
    EXPECT_TRUE(exported({"--rows", "Canal", "--show-as", "total", "--format", "html"}).contains(QStringLiteral("%</td>")));
    EXPECT_TRUE(exported({"--rows", "Canal", "--show-as", "total", "--format", "xml"}).contains(QStringLiteral("%</td>")));
    EXPECT_TRUE(dravo({"pivot", cube, "--rows", "Canal", "--show-as", "total"}).out.contains(QStringLiteral("%\n")));
}

TEST_F(DravoAnalyst, FormatFromTheExtensionAndOutputOptions) {
    const QStringList layout = {"--rows", "Canal"};
    struct Case {
        const char* file;
        const char* format;
    } cases[] = {{"t.csv", "csv"}, {"t.html", "html"}, {"t.xml", "xml"}, {"t.json", "json"}, {"t.xls", "xls"}};
    for (const Case& c : cases) {
        ASSERT_EQ(dravo(QStringList{"export", cube, "-o", path(c.file)} + layout).code, 0) << c.file;
        QFile f(path(c.file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(f.readAll()), exported(QStringList{"--format", c.format} + layout)) << c.file;
    }
    // dravo pivot -o writes what it prints.
    ASSERT_EQ(dravo({"pivot", cube, "--rows", "Canal", "-o", path("p.txt")}).code, 0);
    QFile p(path("p.txt"));
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(p.readAll()), dravo({"pivot", cube, "--rows", "Canal"}).out);
}

TEST_F(DravoAnalyst, SmallComforts) {
    // English operator names, stored under their French identifiers.
    EXPECT_EQ(exported({"--format", "csv", "--rows", "Canal", "--row-regroup", "Max:Montant", "--col-regroup", "Average"}),
              exported({"--format", "csv", "--rows", "Canal", "--row-regroup", "Maximum:Montant", "--col-regroup", "Moyenne"}));
    // Repeated --rows and --cols add up.
    EXPECT_EQ(exported({"--format", "csv", "--rows", "Région", "--rows", "Ville", "--expand-all"}),
              exported({"--format", "csv", "--rows", "Région,Ville", "--expand-all"}));
    // Members of an axis.
    DravoOutcome members = dravo({"info", "--members", "Ville", cube});
    ASSERT_EQ(members.code, 0) << members.err.toStdString();
    EXPECT_TRUE(members.out.startsWith(QStringLiteral("Members of Ville: 100\n  ID"))) << members.out.toStdString();
    const QJsonObject listed = QJsonDocument::fromJson(dravo({"info", "--json", "--members", "Canal", cube}).out.toUtf8()).object();
    EXPECT_EQ(listed["members"].toArray().size(), 4);
    EXPECT_EQ(listed["members"].toArray()[1].toObject()["caption"].toString(), QStringLiteral("Web"));
    EXPECT_EQ(dravo({"info", "--members", "Pays", cube}).code, 2);
    // info --json reports the view shown first, as the text does.
    ASSERT_EQ(dravo({"convert", cube, "-o", path("d.Dravo"), "--view", "Ventes"}).code, 0);
    const QJsonObject doc = QJsonDocument::fromJson(dravo({"info", "--json", path("d.Dravo")}).out.toUtf8()).object();
    EXPECT_EQ(doc["document"].toObject()["defaultDisplay"].toString(), QStringLiteral("Ventes"));
    EXPECT_TRUE(dravo({"info", path("d.Dravo")}).out.contains(QStringLiteral("Shown first: Ventes\n")));
    // Help both ways.
    EXPECT_EQ(dravo({"help", "pivot"}).out, dravo({"pivot", "--help"}).out);
    EXPECT_TRUE(dravo({"pivot", "--help"}).out.contains(QStringLiteral("--show-as total|row|col")));
}

} // namespace
