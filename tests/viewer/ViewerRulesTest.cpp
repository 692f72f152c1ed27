// The viewer's small rules: decimals of a format, where the window opens,
// which argument names the document, and the desktop registration.
#include "CChangeDecimals.h"
#include "CWindowPlacement.h"
#include "UDesktopAssociation.h"
#include "ULanguageMenu.h"
#include "UStartup.h"

#include <QMenu>

#include "ViewerTestHelpers.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(ChangeDecimals, OneMoreOrOneLess) {
    struct Case {
        const char* format;
        int delta;
        const char* result;
    } cases[] = {
        {"%.2f", +1, "%.3f"},        {"%.9f", +1, "%.9f"},   {"%.0f", -1, "%.0f"},
        {"%.2f", -1, "%.1f"},        {"%d", +1, "%.2f"},     {"%.xf", +1, "%.2f"},
        {"%.1f €", +1, "%.2f €"},    {"Total %.3f k", -1, "Total %.2f k"},
        {"%.f", +1, "%.2f"},         {"", +1, "%.2f"},       {"%.12f", -1, "%.9f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangeDecimals(QString::fromUtf8(c.format), c.delta), QString::fromUtf8(c.result)) << c.format;
}

TEST(WindowPlacement, StoredBoundsUnlessOffEveryMonitor) {
    const QList<QRect> monitors = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize screen(1920, 1080);
    struct Case {
        const char* name;
        QRect stored, placed;
    } cases[] = {
        {"on the first", {100, 100, 1000, 700}, {100, 100, 1000, 700}},
        {"on the second", {2000, 50, 800, 600}, {2000, 50, 800, 600}},
        {"partly visible", {-500, -300, 600, 400}, {-500, -300, 600, 400}},
        {"off every monitor", {5000, 5000, 800, 600}, QRect(QPoint(100, 100), QPoint(1819, 979))},
        {"left of all", {-3000, 100, 800, 600}, QRect(QPoint(100, 100), QPoint(1819, 979))},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowPlacement(c.stored, monitors, screen), c.placed) << c.name;
}

TEST(Startup, OnlyTheLastArgumentNamesTheDocument) {
    QTemporaryDir dir;
    const QString doc = dir.filePath(QStringLiteral("Ventes 2024.Dravo"));
    QFile(doc).open(QIODevice::WriteOnly);
    const QString link = dir.filePath(QStringLiteral("lien.Dravo"));
    ASSERT_TRUE(QFile::link(doc, link));
    const QString missing = dir.filePath(QStringLiteral("absent.Dravo"));
    struct Case {
        const char* name;
        QStringList arguments;
        QString document;
    } cases[] = {
        {"no argument", {"lorvane"}, {}},
        {"a document with spaces", {"lorvane", doc}, doc},
        {"a link is followed", {"lorvane", link}, link},
        {"a missing file", {"lorvane", missing}, {}},
        {"the document first, something else last", {"lorvane", doc, "--verbose"}, {}},
        {"something else first", {"lorvane", "--verbose", doc}, doc},
        {"a folder", {"lorvane", dir.path()}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DocumentArgument(c.arguments), c.document) << c.name;
}

TEST(Startup, TheDocumentTypeIsRegisteredOnceAndOnlyWhenAllowed) {
    TemporarySettings settings;
    const QString data = settings.file(QStringLiteral("data"));
    const QString program = QStringLiteral("/opt/Lorvane 1/lorvane");

    // AutoRegister off: nothing is written.
    const QString ini = iniFilePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ini).absolutePath()));
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Application]\r\nAutoRegister=N\r\n");
    }
    EXPECT_FALSE(RegisterAssociationIfAllowed(data, program, false));
    EXPECT_FALSE(QFileInfo::exists(MimePackagePath(data)));
    EXPECT_FALSE(QFileInfo::exists(DesktopEntryPath(data)));

    // Allowed (the default): written once, then left alone while unchanged.
    QFile::remove(ini);
    setSettingsPaths(settingsPaths());   // forgets the INI read before
    EXPECT_TRUE(RegisterAssociationIfAllowed(data, program, false));
    QFile entry(DesktopEntryPath(data));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("Exec=\"/opt/Lorvane 1/lorvane\" %f\n"));
    EXPECT_TRUE(text.contains("MimeType=application/x-pivotcube;\n"));
    QFile mime(MimePackagePath(data));
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mime.readAll().contains("<glob pattern=\"*.Dravo\"/>"));
    EXPECT_FALSE(RegisterAssociationIfAllowed(data, program, false)) << "nothing differs";
    EXPECT_TRUE(RegisterAssociationIfAllowed(data, QStringLiteral("/usr/bin/lorvane"), false)) << "the program moved";
}

TEST(LanguageMenu, OffersTheSourceLanguageTicked) {
    QMenu menu;
    BuildLanguageMenu(&menu);
    QAction* french = menu.findChild<QAction*>(QStringLiteral("MILang1036"));
    ASSERT_NE(french, nullptr);
    EXPECT_TRUE(french->isCheckable());
    EXPECT_TRUE(french->isChecked());
    EXPECT_FALSE(french->text().isEmpty());
    BuildLanguageMenu(&menu);
    EXPECT_EQ(menu.findChildren<QAction*>(QStringLiteral("MILang1036")).size(), 1) << "built again, not added twice";
}

} // namespace
