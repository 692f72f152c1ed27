// The dravo program driven as a user would: exit codes, messages, outputs.
#include "TestBytes.h"
#include "UPivotCube.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

class DravoTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(DravoTest, HelpAndUsageErrors) {
    DravoOutcome help = dravo({"help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("info")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("generate"));
    for (const QStringList& args : {QStringList{"info", "--help"}, QStringList{"help", "generate"}}) {
        DravoOutcome r = dravo(args);
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.out.startsWith("usage: dravo ")) << r.out.toStdString();
    }
    struct Case { QStringList args; const char* message; } cases[] = {
        {{}, "usage: dravo SUBCOMMAND"},
        {{"frobnicate"}, "dravo: unknown subcommand 'frobnicate'"},
        {{"info"}, "dravo info: missing argument"},
        {{"info", "a.pvc", "b.pvc"}, "dravo info: unexpected argument 'b.pvc'"},
        {{"info", "--colour", "a.pvc"}, "dravo info: unknown option '--colour'"},
        {{"generate", "-o", "x.pvc"}, "dravo generate: --items N is required"},
        {{"generate", "--items", "12"}, "dravo generate: -o FILE.pvc is required"},
        {{"generate", "--items", "-4", "-o", "x.pvc"}, "dravo generate: --items expects a whole number from 0 to 100000000, not '-4'"},
        {{"generate", "--items", "5", "-o"}, "dravo generate: --output needs a value (FILE.pvc)"},
    };
    for (const auto& c : cases) {
        DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
}

TEST_F(DravoTest, GenerateIsDeterministicAndInfoDescribesIt) {
    ASSERT_EQ(dravo({"generate", "--items", "3000", "--seed", "5", "-o", path("a.pvc")}).code, 0);
    ASSERT_EQ(dravo({"generate", "--items=3000", "--seed=5", "--output", path("b.pvc")}).code, 0);
    ASSERT_EQ(dravo({"generate", "--items", "3000", "--seed", "6", "-o", path("c.pvc")}).code, 0);
    EXPECT_EQ(fileBytes(path("a.pvc")), fileBytes(path("b.pvc")));
    EXPECT_NE(fileBytes(path("a.pvc")), fileBytes(path("c.pvc")));
    EXPECT_TRUE(fileBytes(path("a.pvc")).startsWith("PivotCube-KDR-1.00"));

    DravoOutcome text = dravo({"info", path("a.pvc")});
    EXPECT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith(QString::fromUtf8("Title:  Ventes de démonstration\nItems:  3000\nAxes:   5\n"))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QString::fromUtf8("parent Région, linked")));
    EXPECT_TRUE(text.out.contains(QString::fromUtf8("Remise    Maximum")));

    DravoOutcome json = dravo({"info", "--json", path("a.pvc")});
    ASSERT_EQ(json.code, 0);
    QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(root["items"].toInt(), 3000);
    EXPECT_EQ(root["title"].toString(), QString::fromUtf8("Ventes de démonstration"));
    QJsonArray axes = root["axes"].toArray();
    ASSERT_EQ(axes.size(), 5);
    EXPECT_EQ(axes[1].toObject()["name"].toString(), QStringLiteral("Ville"));
    EXPECT_EQ(axes[1].toObject()["members"].toInt(), 100);
    EXPECT_EQ(axes[1].toObject()["parent"].toString(), QString::fromUtf8("Région"));
    EXPECT_TRUE(axes[1].toObject()["parentLinked"].toBool());
    EXPECT_TRUE(axes[0].toObject()["parent"].isNull());
    EXPECT_EQ(axes[4].toObject()["sortStyle"].toInt(), 4);
    QJsonArray values = root["values"].toArray();
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[2].toObject()["operator"].toString(), QStringLiteral("Moyenne"));
}

TEST_F(DravoTest, RuntimeFailuresAreOneLineAndExitOne) {
    ASSERT_EQ(dravo({"generate", "--items", "200", "-o", path("good.pvc")}).code, 0);
    QByteArray good = fileBytes(path("good.pvc"));
    auto put = [&](const char* name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put("header.pvc", "PivotCube-KDR-9.99" + good.mid(18));
    put("cut.pvc", good.left(good.size() / 2));
    put("empty.pvc", QByteArray());
    put("text.txt", "Région;Montant\n");
    // The message says what the user can act on; --verbose adds the internal text after a colon.
    struct Case { QString file; QString message; QString detail; } cases[] = {
        {path("missing.pvc"), "No such file", ""},
        {dir.path(), "Is a folder, not a cube or document file", ""},
        {path("header.pvc"), "a raw cube file of a version this program does not read", "Invalid File IDHeader"},
        {path("cut.pvc"), "the cube file is damaged (cut short or corrupted)", "DeCompressStream : data corrupt, unexpected end of data !"},
        {path("empty.pvc"), "not a cube or document file", ""},
        {path("text.txt"), "not a cube or document file", ""},
    };
    for (const auto& c : cases) {
        DravoOutcome r = dravo({"info", c.file});
        EXPECT_EQ(r.code, 1) << c.file.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("dravo: %1: %2\n").arg(c.file, c.message));
        EXPECT_TRUE(r.out.isEmpty());
        DravoOutcome v = dravo({"info", "--verbose", c.file});
        const QString detail = c.detail.isEmpty() ? QString() : QStringLiteral(": ") + c.detail;
        EXPECT_EQ(v.err, QStringLiteral("dravo: %1: %2%3\n").arg(c.file, c.message, detail));
    }
    // An output that cannot be written names the file and leaves nothing behind.
    DravoOutcome r = dravo({"generate", "--items", "10", "-o", path("no/such/folder/x.pvc")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("dravo: %1: ").arg(path("no/such/folder/x.pvc")))) << r.err.toStdString();
}

TEST_F(DravoTest, BundledSampleIsWhatTheScriptMakes) {
    const QString sample = QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc");
    ASSERT_EQ(dravo({"generate", "--items", "5000", "--seed", "2024", "-o", path("demo.pvc")}).code, 0);
    EXPECT_EQ(fileBytes(path("demo.pvc")), fileBytes(sample));
    EXPECT_EQ(dravo({"info", sample}).code, 0);
}

} // namespace
