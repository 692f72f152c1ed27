// dravo add-view: views appended to a document with their placement and
// formulas, the default display, and what it refuses.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DravoRun.h"

#include <gtest/gtest.h>

namespace {

TEST(DravoAddView, AppendsViewsWithTheirFormulasAndDefault) {
    QTemporaryDir dir;
    const QString cube = dir.filePath(QStringLiteral("cube.pvc")), doc = dir.filePath(QStringLiteral("doc.Dravo"));
    ASSERT_EQ(dravo({"generate", "--items", "300", "--seed", "5", "-o", cube}).code, 0);
    ASSERT_EQ(dravo({"convert", cube, "-o", doc, "--view", "Régions", "--rows", "Région"}).code, 0);
    const DravoOutcome added = dravo({"add-view", doc, "--view", "Prix", "--default", "--rows", "Produit", "--formula",
                             "Double=Somme('Montant')*2", "--value", "Double"});
    ASSERT_EQ(added.code, 0) << added.err.toStdString();

    const DravoOutcome info = dravo({"info", "--json", doc});
    const QJsonObject document =
        QJsonDocument::fromJson(info.out.toUtf8()).object().value(QStringLiteral("document")).toObject();
    QStringList views;
    for (const QJsonValue& v : document.value(QStringLiteral("views")).toArray())
        views << v.toObject().value(QStringLiteral("name")).toString();
    EXPECT_EQ(document.value(QStringLiteral("defaultDisplay")).toString(), QStringLiteral("Prix"));
    EXPECT_EQ(views, (QStringList{"Régions", "Prix"})) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("Double"))) << "the formula joins the document's";

    // The new view shows its formula column.
    const DravoOutcome table = dravo({"pivot", doc, "--view", "Prix"});
    EXPECT_EQ(table.code, 0) << table.err.toStdString();
    EXPECT_TRUE(table.out.contains(QStringLiteral("Double")));

    struct Case {
        QStringList args;
        int code;
        const char* message;
    } refused[] = {
        {{"add-view", doc, "--rows", "Région"}, 2, "--view NAME is required"},
        {{"add-view", doc, "--view", "Prix"}, 2, "already has a view named 'Prix'"},
        {{"add-view", cube, "--view", "X"}, 1, ""},
    };
    for (const Case& c : refused) {
        const DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
    }
}

TEST(DravoAddView, ChartsComeFromChartFiles) {
    QTemporaryDir dir;
    const QString cube = dir.filePath(QStringLiteral("cube.pvc")), doc = dir.filePath(QStringLiteral("doc.Dravo"));
    ASSERT_EQ(dravo({"generate", "--items", "200", "--seed", "3", "-o", cube}).code, 0);
    ASSERT_EQ(dravo({"convert", cube, "-o", doc, "--view", "Base", "--rows", "Région"}).code, 0);
    const auto write = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString good = write("good.xml", "<CubeChart Direction=\"2D\"><Charts Count=\"0\"/></CubeChart>\n");
    const QString cut = write("cut.xml", "<CubeChart Direction=\"2D\"><Charts>");
    const QString other = write("other.xml", "<ViewState/>");
    const QByteArray before = [&] {
        QFile f(doc);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    struct Case {
        QStringList args;
        int code;
        const char* message;
    } refused[] = {
        {{"add-view", doc, "--view", "G", "--chart", "sans-fichier"}, 2, "--chart takes NAME=FILE"},
        {{"add-view", doc, "--view", "G", "--chart", "A=" + cut}, 1, "not a chart"},
        {{"add-view", doc, "--view", "G", "--chart", "A=" + other}, 1, "not a chart"},
        {{"add-view", doc, "--view", "G", "--chart", "A=" + dir.filePath("absent.xml")}, 1, "absent.xml"},
        {{"add-view", doc, "--view", "G", "--chart", "A=" + good, "--chart", "A=" + good}, 2, "already has a chart named 'A'"},
    };
    for (const Case& c : refused) {
        const DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
    }
    QFile unchanged(doc);
    ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
    EXPECT_EQ(unchanged.readAll(), before) << "a refused chart leaves the document as it was";

    const DravoOutcome added = dravo({"add-view", doc, "--view", "G", "--rows", "Canal", "--chart", "Relief=" + good});
    ASSERT_EQ(added.code, 0) << added.err.toStdString();
    const DravoOutcome info = dravo({"info", doc});
    EXPECT_TRUE(info.out.contains(QStringLiteral("charts: Relief"))) << info.out.toStdString();
}

} // namespace
