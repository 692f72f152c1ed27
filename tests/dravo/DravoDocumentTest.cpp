// dravo with documents: convert, extract, info and passwords.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

class DravoDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "500", "--seed", "3", "-o", path("cube.pvc")}).code, 0);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DravoDocuments, ConvertThenExtractGivesTheCubeBackByteForByte) {
    for (const QStringList& password : {QStringList{}, QStringList{"--password", "s3cret"}}) {
        DravoOutcome convert = dravo(QStringList{"convert", path("cube.pvc"), "-o", path("doc.Dravo")} + password);
        ASSERT_EQ(convert.code, 0) << convert.err.toStdString();
        EXPECT_TRUE(fileBytes(path("doc.Dravo")).startsWith("SFSv1.00"));
        DravoOutcome extract = dravo(QStringList{"extract", path("doc.Dravo"), "-o", path("back.pvc")} + password);
        ASSERT_EQ(extract.code, 0) << extract.err.toStdString();
        EXPECT_EQ(fileBytes(path("back.pvc")), fileBytes(path("cube.pvc")));
    }
}

TEST_F(DravoDocuments, InfoDescribesTheDocumentAndItsCube) {
    ASSERT_EQ(dravo({"convert", "--view", "Ventes", path("cube.pvc"), "-o", path("doc.Dravo")}).code, 0);
    DravoOutcome text = dravo({"info", path("doc.Dravo")});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("Views:  1\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Ventes")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Shown first: Ventes\n"));
    EXPECT_TRUE(text.out.contains("Formulas: none\n"));
    EXPECT_TRUE(text.out.contains("Items:  500\n"));

    DravoOutcome json = dravo({"info", "--json", path("doc.Dravo")});
    ASSERT_EQ(json.code, 0);
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(root["items"].toInt(), 500);
    const QJsonObject doc = root["document"].toObject();
    EXPECT_EQ(doc["views"].toArray().first().toObject()["name"].toString(), "Ventes");
    EXPECT_FALSE(doc["protected"].toBool());

    ASSERT_EQ(dravo({"convert", path("cube.pvc"), "-o", path("default.Dravo")}).code, 0);
    EXPECT_TRUE(dravo({"info", path("default.Dravo")}).out.contains(QStringLiteral("Shown first: Par défaut\n")));
}

TEST_F(DravoDocuments, ProtectedDocumentsNeedTheirPassword) {
    ASSERT_EQ(dravo({"convert", "--password", "pw", path("cube.pvc"), "-o", path("doc.Dravo")}).code, 0);
    const QString doc = path("doc.Dravo");
    struct Case {
        QStringList args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"info", doc}, 1, "the document is password protected (give --password)"},
        {{"info", "--password", "PW", doc}, 1, "wrong password, or the document is damaged\n"},
        {{"extract", doc, "-o", path("x.pvc")}, 1, "the document is password protected"},
        {{"info", "--password", "pw", doc}, 0, ""},
        {{"extract", "--password", "pw", doc}, 2, "-o CUBE.pvc is required"},
        {{"extract", path("missing.Dravo"), "-o", path("x.pvc")}, 1, "No such file"},
        {{"convert", path("missing.pvc"), "-o", path("x.Dravo")}, 1, "No such file"},
    };
    for (const Case& k : cases) {
        DravoOutcome r = dravo(k.args);
        EXPECT_EQ(r.code, k.code) << k.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(k.message)) << r.err.toStdString();
        if (k.code == 1) {
            EXPECT_TRUE(r.err.startsWith("dravo: ")) << r.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(path("x.pvc")));
    EXPECT_FALSE(QFile::exists(path("x.Dravo")));
}
