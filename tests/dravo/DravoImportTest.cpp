// dravo import: CSV files made into cubes as a user runs it, the report of the
// columns, the faults (one line, exit 1, no output file) and the round trip
// through "export --format data-csv".
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

class DravoImportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray read(const QString& fileName) {
        QFile f(fileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QJsonObject info(const QString& cube) const {
        return QJsonDocument::fromJson(dravo({"info", "--json", cube}).out.toUtf8()).object();
    }
};

const QByteArray kSales = "R\xC3\xA9gion;Ville;Date;Montant;Quantit\xC3\xA9\r\n"
                          "Sud;Nice;14/03/2025;12,5;2\r\n"
                          "Nord;Lille;01/02/2024;;1\r\n"
                          "Sud;Toulon;2025-03-01;3;4\r\n"
                          "Sud;Nice;2025-03-20;4,5;1\r\n";

TEST_F(DravoImportTest, ClassifiesThenBuildsACubeTheOtherCommandsRead) {
    const QString csv = write("ventes.csv", kSales), cube = path("ventes.pvc");
    const DravoOutcome r = dravo({"import", csv, "-o", cube, "--decimal", ","});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("%1: 4 data lines, delimiter ';'\n"
                                    "  Région    axis   text, 2 members\n"
                                    "  Ville     axis   text, 3 members\n"
                                    "  Date      axis   dates, 4 members\n"
                                    "  Montant   value  Somme, 1 empty cell read as 0\n"
                                    "  Quantité  value  Somme\n"
                                    "cube: 3 axes, 2 values, 4 items\n")
                         .arg(csv));
    EXPECT_EQ(r.err, QStringLiteral("dravo: warning: 1 empty cell of value columns read as 0\n"));
    const QJsonObject cubeInfo = info(cube);
    EXPECT_EQ(cubeInfo.value(QStringLiteral("title")).toString(), QStringLiteral("ventes"));
    EXPECT_EQ(cubeInfo.value(QStringLiteral("items")).toInt(), 4);
    const DravoOutcome table = dravo({"export", cube, "--rows", "Région", "--format", "csv"});
    ASSERT_EQ(table.code, 0) << table.err.toStdString();
    EXPECT_TRUE(table.out.contains(QStringLiteral("Nord,0.00\r\nSud,20.00\r\n"))) << table.out.toStdString();
}

TEST_F(DravoImportTest, ChosenColumnsMonthsAndParents) {
    const QString csv = write("ventes.csv", kSales), cube = path("c.pvc");
    const DravoOutcome r = dravo({"import", csv, "-o", cube, "--decimal", ",", "--axis", "Région", "--axis", "Ville", "--month", "Date",
                             "--value", "Montant:average", "--ignore", "Quantité", "--parent", "Ville=Région", "--title", "Ventes 2025"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  Ville     axis   text, 3 members, under Région\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  Date      axis   months, 2 members\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  Quantité  ignored\n"))) << r.out.toStdString();
    const QJsonObject cubeInfo = info(cube);
    EXPECT_EQ(cubeInfo.value(QStringLiteral("title")).toString(), QStringLiteral("Ventes 2025"));
    const QJsonArray axes = cubeInfo.value(QStringLiteral("axes")).toArray();
    ASSERT_EQ(axes.size(), 3);
    EXPECT_EQ(axes[1].toObject().value(QStringLiteral("parent")).toString(), QStringLiteral("Région"));
    EXPECT_TRUE(axes[1].toObject().value(QStringLiteral("parentLinked")).toBool());
    EXPECT_EQ(cubeInfo.value(QStringLiteral("values")).toArray()[0].toObject().value(QStringLiteral("operator")).toString(),
              QStringLiteral("Moyenne"));
    const DravoOutcome months = dravo({"export", cube, "--rows", "Date", "--format", "csv"});
    EXPECT_TRUE(months.out.contains(QStringLiteral("2024-02,0.00\r\n2025-03,6.67"))) << months.out.toStdString();
}

TEST_F(DravoImportTest, FaultsAreOneLineAndLeaveNoFile) {
    const QString good = write("good.csv", "A,V\nx,1\n");
    const QString kept = write("kept.pvc", "the old file");
    struct Case {
        const char* name;
        QByteArray csv;   // empty: the good file
        QStringList options;
        int code;
        QString error;
    } cases[] = {
        {"ragged", "A,V\nx,1\ny,2,3\n", {}, 1, "line 3: 3 fields where the header has 2"},
        {"text in a value", "A,V\nx,1\ny,deux\n", {"--axis", "A", "--value", "V"}, 1, "line 3, column 'V': 'deux' is not a number"},
        {"duplicate names", "A,A\nx,1\n", {}, 1, "line 1, column 'A': the column name is given twice (columns 1 and 2)"},
        {"empty file", "", {}, 1, "the file is empty: a CSV file starts with a line of column names"},
        {"broken quote", "A,V\n\"x,1\n", {}, 1, "line 2, column 'A': a quoted field is never closed"},
        {"unknown column", {}, {"--axis", "B"}, 1, "there is no column named 'B' (the columns are: A, V)"},
        {"bad delimiter", {}, {"--delimiter", "|"}, 2, "dravo import: --delimiter is one of ',', ';', 'tab', not '|'"},
        {"bad encoding", {}, {"--encoding", "utf16"}, 2, "dravo import: --encoding is utf8 or latin1, not 'utf16'"},
        {"bad operator", {}, {"--value", "V:Total"}, 2, "dravo import: --value V:Total: unknown operator 'Total' (choose from 'Somme',"},
        {"bad parent", {}, {"--parent", "A"}, 2, "dravo import: --parent is CHILD=PARENT, not 'A'"},
        {"same separators", {}, {"--delimiter", ",", "--decimal", ","}, 2, "dravo import: the delimiter and the decimal separator must differ"},
    };
    for (const Case& c : cases) {
        const QString csv = c.csv.isNull() ? good : write("in.csv", c.csv);
        for (const QString& out : {path("new.pvc"), kept}) {
            const DravoOutcome r = dravo(QStringList{"import", csv, "-o", out} + c.options);
            EXPECT_EQ(r.code, c.code) << c.name;
            EXPECT_TRUE(r.err.startsWith(c.code == 1 ? QStringLiteral("dravo: %1: %2").arg(csv, c.error) : c.error))
                << c.name << ": " << r.err.toStdString();
            EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << c.name << ": " << r.err.toStdString();
            EXPECT_FALSE(QFile::exists(path("new.pvc"))) << c.name;
            EXPECT_EQ(read(kept), QByteArray("the old file")) << c.name;
        }
    }
    const DravoOutcome missing = dravo({"import", path("none.csv"), "-o", path("new.pvc")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, QStringLiteral("dravo: %1: No such file\n").arg(path("none.csv")));
    EXPECT_EQ(dravo({"import", good}).code, 2) << "-o is required";
    EXPECT_EQ(dravo({"import", good, "-o", good}).code, 2) << "the input is not replaced";
    EXPECT_EQ(read(good), QByteArray("A,V\nx,1\n"));
}

// A file beyond 2 GiB is mapped, not read into memory: the fault far from its
// start is found and named like any other.
TEST_F(DravoImportTest, AHugeFileIsReadWhereItIs) {
    const QString csv = write("huge.csv", "A,V\nx,1\n");
    QFile f(csv);
    ASSERT_TRUE(f.resize((qint64(1) << 31) + 4096)) << "a sparse file: the rest reads as NUL bytes";
    const DravoOutcome r = dravo({"import", csv, "-o", path("huge.pvc")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("dravo: %1: line 3, column 'A': a NUL byte: this is not a text file\n").arg(csv));
    EXPECT_FALSE(QFile::exists(path("huge.pvc")));
}

TEST_F(DravoImportTest, Latin1AndTabs) {
    const QString csv = write("l.csv", "Ville\tPrix\nOrl\xE9" "ans\t2\nS\xE8te\t3\n");
    const DravoOutcome utf8 = dravo({"import", csv, "-o", path("u.pvc")});
    EXPECT_EQ(utf8.code, 1);
    EXPECT_TRUE(utf8.err.contains(QStringLiteral("line 2, column 'Ville': not UTF-8 text"))) << utf8.err.toStdString();
    const DravoOutcome latin1 = dravo({"import", csv, "-o", path("l.pvc"), "--encoding", "latin1", "--delimiter", "tab"});
    ASSERT_EQ(latin1.code, 0) << latin1.err.toStdString();
    const DravoOutcome table = dravo({"export", path("l.pvc"), "--rows", "Ville", "--format", "csv"});
    EXPECT_TRUE(table.out.contains(QStringLiteral("Orléans,2.00\r\nSète,3.00"))) << table.out.toStdString();
}

// An imported cube, exported as raw data and imported again with the same
// roles and title, is the same file byte for byte.
TEST_F(DravoImportTest, DataExportImportedAgainIsTheSameCube) {
    const QString generated = path("g.pvc"), csv = path("g.csv"), first = path("first.pvc"), second = path("second.pvc");
    ASSERT_EQ(dravo({"generate", "--items", "3000", "--seed", "9", "-o", generated}).code, 0);
    ASSERT_EQ(dravo({"export", generated, "--format", "data-csv", "-o", csv}).code, 0);
    const QStringList roles = {"--title", "T", "--parent", "Ville=Région", "--value", "Prix:Moyenne", "--value", "Remise:Maximum"};
    const DravoOutcome a = dravo(QStringList{"import", csv, "-o", first} + roles);
    ASSERT_EQ(a.code, 0) << a.err.toStdString();
    EXPECT_TRUE(a.out.contains(QStringLiteral("Mois      axis   text, 36 members"))) << a.out.toStdString();
    const QString again = path("again.csv");
    ASSERT_EQ(dravo({"export", first, "--format", "data-csv", "-o", again}).code, 0);
    EXPECT_EQ(read(again), read(csv)) << "the same items in the same order";
    // Explicit roles everywhere: the classification plays no part.
    const DravoOutcome b = dravo({"import", again, "-o", second, "--title", "T", "--parent", "Ville=Région", "--axis", "Région", "--axis",
                             "Ville", "--axis", "Produit", "--axis", "Mois", "--axis", "Canal", "--value", "Montant", "--value",
                             "Quantité", "--value", "Prix:Moyenne", "--value", "Remise:Maximum"});
    ASSERT_EQ(b.code, 0) << b.err.toStdString();
    EXPECT_EQ(read(second), read(first));
}

TEST_F(DravoImportTest, HelpStatesTheChoiceForEmptyCells) {
    const DravoOutcome help = dravo({"import", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("an empty cell of a value column is read as 0"))) << help.out.toStdString();
    EXPECT_TRUE(dravo({"help"}).out.contains(QStringLiteral("import"))) << "listed among the subcommands";
}

} // namespace
