// The pivot table from the command line: the layout options, the csv grid,
// dravo pivot, and documents' views.
#include "UPivotCubeInteractive.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class DravoPivot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "2000", "--seed", "5", "-o", cube}).code, 0);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    const QString cube = path("c.pvc");

    // The pivot csv of the cube (or a document) with layout options, on standard output.
    QString csv(const QString& file, const QStringList& layout) {
        DravoOutcome r = dravo(QStringList{"export", file, "--format", "csv", "-o", "-"} << layout);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return r.out;
    }
};

TEST_F(DravoPivot, CsvGridAgreesWithTheRawData) {
    // Sum of Montant by Produit × Mois, computed here from the raw items.
    DravoOutcome raw = dravo({"export", cube, "--format", "data-csv", "-o", "-"});
    ASSERT_EQ(raw.code, 0);
    const QStringList rawLines = csvLines(raw.out);
    const QStringList names = rawLines.first().split(QLatin1Char(','));
    const qsizetype produit = names.indexOf(QStringLiteral("Produit")), mois = names.indexOf(QStringLiteral("Mois")),
                    montant = names.indexOf(QStringLiteral("Montant"));
    QHash<QString, double> sums;
    for (qsizetype i = 1; i < rawLines.size(); ++i) {
        const QStringList f = rawLines[i].split(QLatin1Char(','));   // the generated captions hold no comma
        sums[f[produit] + QLatin1Char('|') + f[mois]] += f[montant].toDouble();
    }

    const QStringList grid = csvLines(csv(cube, {"--rows", "Produit", "--cols", "Mois", "--value", "Montant"}));
    const QStringList header = grid.first().split(QLatin1Char(','));
    ASSERT_EQ(header.first(), QStringLiteral("Produit"));
    ASSERT_EQ(header.size(), 1 + 36);
    EXPECT_EQ(header[1], QStringLiteral("2023-01 / Montant"));
    int checked = 0;
    for (qsizetype i = 1; i < grid.size(); ++i) {
        const QStringList f = grid[i].split(QLatin1Char(','));
        ASSERT_EQ(f.size(), header.size()) << grid[i].toStdString();
        for (qsizetype c = 1; c < f.size(); ++c) {
            const QString key = f[0] + QLatin1Char('|') + header[c].section(QStringLiteral(" / "), 0, 0);
            EXPECT_NEAR(f[c].toDouble(), sums.value(key), 0.006) << key.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST_F(DravoPivot, LayoutOptionsShapeTheTable) {
    // Formulas, their format, regroupments, include and exclude, hide-empty.
    const QStringList lines = csvLines(csv(cube, {"--rows", "Canal", "--value", "Montant", "--formula", "Double=Somme('Montant')*2",
                                                  "--formula-format", "Double=%.1f", "--value", "Double", "--exclude", "Canal=Web",
                                                  "--row-regroup", "Maximum:Montant"}));
    ASSERT_EQ(lines.first(), QStringLiteral("Canal,Montant,Double,Maximum (Montant)"));
    ASSERT_EQ(lines.size(), 1 + 3);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char(','));
        EXPECT_NE(f[0], QStringLiteral("Web"));
        EXPECT_NEAR(f[2].toDouble(), 2 * f[1].toDouble(), 0.06);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^-?[0-9]+\\.[0-9]$")).match(f[2]).hasMatch()) << f[2].toStdString();
    }

    const QStringList included = csvLines(csv(cube, {"--cols", "Canal", "--include", "Canal=Web|Magasin", "--col-regroup", "Somme"}));
    EXPECT_EQ(included.first(), QStringLiteral(",Magasin / Montant,Web / Montant"));
    ASSERT_EQ(included.size(), 3);
    EXPECT_TRUE(included[2].startsWith(QStringLiteral("Somme,"))) << included[2].toStdString();

    // The default format shapes the columns without their own.
    const QStringList formatted = csvLines(csv(cube, {"--rows", "Canal", "--default-format", "%.1f"}));
    ASSERT_EQ(formatted.size(), 1 + 4);
    for (qsizetype i = 1; i < formatted.size(); ++i)
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[^,]+,-?[0-9]+\\.[0-9]$")).match(formatted[i]).hasMatch()) << formatted[i].toStdString();

    // Transposed, the columns become rows; expanded, the cities follow their region.
    const QStringList transposed = csvLines(csv(cube, {"--cols", "Canal", "--transpose"}));
    EXPECT_EQ(transposed.first(), QStringLiteral("Canal,Montant"));
    EXPECT_EQ(transposed.size(), 1 + 4);
    const QStringList expanded = csvLines(csv(cube, {"--rows", "Région,Ville", "--expand-all", "--hide-empty"}));
    EXPECT_EQ(expanded.first(), QStringLiteral("Région,Ville,Montant"));
    EXPECT_GT(expanded.size(), 13 + 50);
    EXPECT_FALSE(expanded[1].startsWith(QLatin1Char(',')));
    EXPECT_TRUE(expanded[2].startsWith(QLatin1Char(',')));
}

TEST_F(DravoPivot, UnknownNamesAreUsageErrorsNamingTheChoices) {
    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--rows", "Pays"}, "--rows: unknown axis 'Pays' (choose from 'Région', 'Ville', 'Produit', 'Mois', 'Canal')"},
        {{"--rows", "Canal", "--cols", "Canal"}, "--cols: the axis 'Canal' is already placed on the table"},
        {{"--value", "Marge"}, "--value: unknown value 'Marge' (choose from 'Montant', 'Quantité', 'Prix', 'Remise')"},
        {{"--row-regroup", "Median:Montant"}, "--row-regroup: unknown operator 'Median' (choose from 'Somme', "},
        {{"--row-regroup", "Somme:Poids"}, "--row-regroup: unknown value 'Poids'"},
        {{"--row-regroup", "Somme"}, "--row-regroup takes OPERATOR:VALUE, not 'Somme'"},
        {{"--col-regroup", "Total"}, "--col-regroup: unknown operator 'Total'"},
        {{"--rows", "Canal", "--include", "Canal=Fax"}, "--include: the axis 'Canal' has no member 'Fax' (choose from "},
        {{"--rows", "Canal", "--exclude", "Mois=2023-01"}, "--exclude: the axis 'Mois' is not on the table's rows or columns (placed: 'Canal')"},
        {{"--formula", "Marge"}, "--formula takes CAPTION=EXPRESSION, not 'Marge'"},
        {{"--formula-format", "Marge=%.1f"}, "--formula-format: no formula is called 'Marge' (choose from none)"},
        {{"--view", "Ventes"}, "--view applies to documents (.Dravo);"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"pivot", "export"}) {
            QStringList args{command, cube};
            if (QLatin1String(command) == QLatin1String("export")) args << "--format" << "csv" << "-o" << path("out.csv");
            DravoOutcome r = dravo(QStringList(args) << c.args);
            EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
            const QString expected = QStringLiteral("dravo %1: %2").arg(QLatin1String(command), QString::fromUtf8(c.message));
            EXPECT_TRUE(r.err.startsWith(expected)) << r.err.toStdString() << "\nexpected: " << expected.toStdString();
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    EXPECT_FALSE(QFile::exists(path("out.csv")));
}

TEST_F(DravoPivot, TableFormats) {
    const QStringList layout = {"--rows", "Canal", "--cols", "Mois", "--include", "Mois=2024-01", "--value", "Prix"};
    auto exported = [&](const char* format, const QString& locale = QString()) {
        DravoOutcome r = dravo(DravoCall{QStringList{"export", cube, "--format", format, "-o", "-"} << layout, {}, {}, {}, locale});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return r.out;
    };
    const QString html = exported("html", QStringLiteral("fr_FR.UTF-8"));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n")));
    EXPECT_TRUE(html.endsWith(QStringLiteral("</table>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<col caption=\"2024-01\"/>"))) << html.toStdString();
    const QRegularExpression point(QStringLiteral("<td class=\"Data\">[0-9]+\\.[0-9]{2}</td>")),
        comma(QStringLiteral("<td class=\"Data\">[0-9]+,[0-9]{2}</td>"));
    EXPECT_EQ(html.count(point), 4);
    // The spreadsheet page writes the user's decimal separator.
    const QString xls = exported("xls", QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(xls.count(comma), 4) << xls.toStdString();
    EXPECT_EQ(exported("xls", QStringLiteral("en_US.UTF-8")).count(point), 4);
    const QString xml = exported("xml");
    EXPECT_TRUE(xml.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root><table class=\"PivotCube\">")));
    EXPECT_TRUE(xml.endsWith(QStringLiteral("</table></root>")));
}

TEST_F(DravoPivot, PivotPrintsAnAlignedGrid) {
    DravoOutcome r = dravo({"pivot", cube, "--rows", "Région,Ville", "--cols", "Canal", "--value", "Montant", "--value", "Prix", "--include",
                   "Région=Corse|Bretagne", "--expand-all", "--timing"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^timing: load [0-9.]+ ms, layout [0-9.]+ ms, table [0-9.]+ ms, write [0-9.]+ ms\n$"))
                    .match(r.err)
                    .hasMatch())
        << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Two header rows (channels, then values), a rule, then the regions and their cities.
    ASSERT_GT(lines.size(), 5);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Magasin")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Région / Ville")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Montant")) && lines[1].contains(QStringLiteral("Prix")));
    EXPECT_TRUE(lines[2].startsWith(QChar(0x2500)));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Bretagne ")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("  ")) && !lines[4].startsWith(QStringLiteral("   ")));
    // Numbers are right-aligned: every body line ends at the rule's width.
    for (qsizetype i = 3; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), lines[2].size()) << lines[i].toStdString();
}

TEST_F(DravoPivot, DocumentsViewsAndLayoutOptionsOnTop) {
    const QString doc = path("doc.Dravo");
    DravoOutcome converted = dravo({"convert", cube, "-o", doc, "--view", "Produits", "--password", "pw", "--rows", "Produit", "--value", "Montant",
                         "--formula", "Double=Somme('Montant')*2", "--value", "Double", "--hide-empty"});
    ASSERT_EQ(converted.code, 0) << converted.err.toStdString();

    const QStringList fromCube = {"--rows", "Produit", "--formula", "Double=Somme('Montant')*2", "--value", "Montant", "--value", "Double", "--hide-empty"};
    const QString expected = csv(cube, fromCube);
    // The document's only view is its default; naming it gives the same.
    EXPECT_EQ(csv(doc, {"--password", "pw"}), expected);
    EXPECT_EQ(csv(doc, {"--password", "pw", "--view", "Produits"}), expected);
    // Layout options change the restored view.
    EXPECT_EQ(csv(doc, {"--password", "pw", "--cols", "Canal"}), csv(cube, QStringList(fromCube) << "--cols" << "Canal"));
    EXPECT_EQ(csv(doc, {"--password", "pw", "--value", "Prix"}), csv(cube, {"--rows", "Produit", "--value", "Prix", "--hide-empty"}));

    // The view's layout left the document's cube as it was read.
    ASSERT_EQ(dravo({"extract", doc, "--password", "pw", "-o", path("back.pvc")}).code, 0);
    QFile original(cube), back(path("back.pvc"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly) && back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), original.readAll());

    DravoOutcome unknown = dravo({"pivot", doc, "--password", "pw", "--view", "Mois"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.startsWith(QStringLiteral("dravo pivot: --view: the document has no view 'Mois' (choose from 'Produits')"))) << unknown.err.toStdString();
    DravoOutcome locked = dravo({"pivot", doc});
    EXPECT_EQ(locked.code, 1);
    EXPECT_TRUE(locked.err.contains(QStringLiteral("password protected"))) << locked.err.toStdString();

    // A document converted without layout options: an empty placement shows the first value's total.
    ASSERT_EQ(dravo({"convert", cube, "-o", path("plain.Dravo")}).code, 0);
    const QStringList plain = csvLines(csv(path("plain.Dravo"), {}));
    ASSERT_EQ(plain.size(), 2);
    EXPECT_EQ(plain[0], QStringLiteral("Montant"));
}

TEST_F(DravoPivot, TheDefaultDisplayPicksTheView) {
    // Two views made by the viewer: "Canaux" by Canal, "Mois" by Mois, shown first: "Mois/Courbe".
    TPivotCubeData data;
    data.LoadFromFile(cube);
    TPCInteractive document;
    TPCInteractiveView* channels = document.NewView();
    channels->Description.Nom = QStringLiteral("Canaux");
    channels->XMLData = QStringLiteral("<ViewState><Value Name=\"Montant\"/><RowFilters><Filter Name=\"Canal\"/></RowFilters></ViewState>");
    TPCInteractiveView* months = document.NewView();
    months->Description.Nom = QStringLiteral("Mois");
    months->XMLData = QStringLiteral("<ViewState><Value Name=\"Prix\"/><RowFilters><Filter Name=\"Mois\"/></RowFilters></ViewState>");
    months->NewGraph()->Description.Nom = QStringLiteral("Courbe");
    document.DefaultDisplay = QStringLiteral("Mois/Courbe");
    const QString doc = path("views.Dravo");
    SaveDocument(doc, document, data);

    EXPECT_EQ(csvLines(csv(doc, {})).first(), QStringLiteral("Mois,Prix"));
    EXPECT_EQ(csvLines(csv(doc, {"--view", "Canaux"})).first(), QStringLiteral("Canal,Montant"));
    EXPECT_EQ(csv(doc, {"--view", "Canaux"}), csv(cube, {"--rows", "Canal", "--value", "Montant"}));
}

} // namespace
