// dravo export and dravo pivot, driven as a user would.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

class DravoExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "500", "--seed", "3", "-o", cube}).code, 0);
    }
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    const QString cube = path("c.pvc");
};

TEST_F(DravoExportTest, UsageErrors) {
    const QString out = path("out.csv");
    struct Case { QStringList args; const char* message; } cases[] = {
        {{"export", cube, "-o", path("out.txt")}, "dravo export: --format FMT is required (html, xls, xml, csv, json, tidy-csv, xlsx, data-html, data-csv)"},
        {{"export", cube}, "dravo export: --format FMT is required"},
        {{"export", cube, "--format", "pdf", "-o", out}, "dravo export: unknown format 'pdf' (choose from html, xls, xml, csv, json, tidy-csv, xlsx, data-html, data-csv)"},
        {{"export", cube, "--format", "data-csv", "--rows", "Produit", "-o", out},
         "dravo export: --rows does not apply to the data-csv format (raw data items, no pivot layout)"},
        {{"export", cube, "--format", "data-html", "--hide-empty", "-o", out}, "dravo export: --hide-empty does not apply to the data-html format"},
        {{"export", cube, "--format", "data-csv", "-o", cube}, "dravo export: the output '"},
        {{"export", "--format", "data-csv", "-o", out}, "dravo export: missing argument"},
        {{"export", cube, "--format"}, "dravo export: --format needs a value (FMT)"},
        {{"pivot", cube, "--colour"}, "dravo pivot: unknown option '--colour'"},
    };
    const QByteArray before = fileBytes(cube);
    for (const auto& c : cases) {
        DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.bytes.isEmpty());
    }
    EXPECT_EQ(fileBytes(cube), before);   // never replaced by its own export
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(DravoExportTest, RuntimeFailures) {
    struct Case { QStringList args; QString line; } cases[] = {
        {{"export", path("none.pvc"), "--format", "data-csv", "-o", "-"}, QStringLiteral("dravo: %1: No such file\n").arg(path("none.pvc"))},
        {{"export", cube, "--format", "data-csv", "-o", path("no/folder/x.csv")}, QStringLiteral("dravo: %1: ").arg(path("no/folder/x.csv"))},
        {{"pivot", path("none.Dravo")}, QStringLiteral("dravo: %1: No such file\n").arg(path("none.Dravo"))},
    };
    for (const auto& c : cases) {
        DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(c.line)) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.bytes.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(path("no")));
}

TEST_F(DravoExportTest, DataCSVToFileAndStandardOutput) {
    DravoOutcome file = dravo({"export", cube, "--format", "data-csv", "-o", path("d.csv")});
    ASSERT_EQ(file.code, 0) << file.err.toStdString();
    EXPECT_TRUE(file.err.isEmpty());
    EXPECT_TRUE(file.bytes.isEmpty());
    const QByteArray csv = fileBytes(path("d.csv"));
    DravoOutcome piped = dravo({"export", cube, "--format=data-csv", "--output", "-"});
    ASSERT_EQ(piped.code, 0);
    EXPECT_EQ(piped.bytes, csv);

    EXPECT_TRUE(csv.startsWith(QByteArray("R\xc3\xa9gion,Ville,Produit,Mois,Canal,Montant,Quantit\xc3\xa9,Prix,Remise\r\n")));
    EXPECT_TRUE(csv.endsWith("\r\n"));
    const QStringList lines = QString::fromUtf8(csv.chopped(2)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 501);
    // Every item line has its nine fields and numbers with '.' as separator.
    const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?(e[-+][0-9]+)?$"));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 9) << lines[i].toStdString();
        for (int v = 5; v < 9; ++v) EXPECT_TRUE(number.match(fields[v]).hasMatch()) << fields[v].toStdString();
    }

    // An existing output is replaced whole.
    QFile old(path("d.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    ASSERT_EQ(dravo({"export", cube, "--format", "data-csv", "-o", path("d.csv")}).code, 0);
    EXPECT_EQ(fileBytes(path("d.csv")), csv);
}

TEST_F(DravoExportTest, DataHTMLAndTiming) {
    DravoOutcome r = dravo({"export", cube, "--format", "data-html", "-o", path("d.html"), "--timing"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QRegularExpression timing(QStringLiteral("^timing: load [0-9.]+ ms, layout [0-9.]+ ms, table [0-9.]+ ms, write [0-9.]+ ms\n$"));
    EXPECT_TRUE(timing.match(r.err).hasMatch()) << r.err.toStdString();
    const QByteArray page = fileBytes(path("d.html"));
    EXPECT_TRUE(page.startsWith("<html>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html;charset=utf-8\"/>\r\n<head>\r\n"
                                "<title>Ventes de d\xc3\xa9monstration</title>\r\n"));
    EXPECT_TRUE(page.endsWith("</tr></table></body></html>"));
    EXPECT_EQ(page.count("<tr>"), 501);
    EXPECT_EQ(page.count("<td>"), 500 * 9);
}

TEST_F(DravoExportTest, HelpListsTheFormats) {
    DravoOutcome help = dravo({"export", "--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* text : {"usage: dravo export FILE [--format FMT] [-o OUT]", "data-csv", "--rows A,B", "--timing", "--view NAME"})
        EXPECT_TRUE(help.bytes.contains(text)) << text;
    DravoOutcome list = dravo({"help"});
    EXPECT_TRUE(list.bytes.contains("  export ") && list.bytes.contains("  pivot ")) << list.bytes.toStdString();
}

} // namespace
