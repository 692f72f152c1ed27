#include "UCryptedIniFile.h"
#include "USettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <functional>
#include <map>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every folder the settings may touch lies in one temporary folder.
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        setSettingsPaths({programPath(), userFolder(), machineFolder()});
    }
    void TearDown() override {
        setRegistryStore(nullptr);
        resetSettingsPaths();
    }
    QString path(const QString& rel) const { return FTemp.filePath(rel); }
    QString programPath() const { return path("bin/lorvane"); }
    QString userFolder() const { return path("user"); }
    QString machineFolder() const { return path("machine"); }

    QTemporaryDir FTemp;
};

const QString kAppKey = QStringLiteral("Software\\Veltrano\\Lorvane");
const QString kVendorKey = QStringLiteral("Software\\Veltrano");

}  // namespace

TEST(StrToBoolDef, ReadsTheUsualSpellings) {
    struct Case {
        const char* text;
        bool defaultValue;
        bool expected;
    };
    const Case cases[] = {
        {"Oui", false, true}, {"no", true, false},  {"-1", false, true}, {"", true, true},
        {"", false, false},   {"0", true, false},   {"Y", false, true},  {"True", false, true},
        {"vrai", false, true}, {"Ja", false, true}, {"da", false, true}, {"1", false, true},
        {"N", true, false},   {"False", true, false}, {"-2", true, false}, {" Y", true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrToBoolDef(QString::fromUtf8(c.text), c.defaultValue), c.expected)
            << '"' << c.text << "\" default " << c.defaultValue;
}

TEST_F(SettingsFixture, RegistryValuesKeepTheirTypeAndLiveUnderTheChosenRoots) {
    EXPECT_TRUE(WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", -8));
    EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, kAppKey, "UseGDIplus", "N"));
    EXPECT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, kVendorKey, "ErrorLogRotateSizeMB", "256"));

    EXPECT_TRUE(QFileInfo(path("user/Veltrano/Lorvane.conf")).isFile());
    EXPECT_TRUE(QFileInfo(path("machine/Veltrano.conf")).isFile());

    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 100), -8);
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "left", 100), -8);  // names ignore case
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "UseGDIplus", "Y"), "N");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kVendorKey, "ErrorLogRotateSizeMB", "512"), "256");

    // A value of the other type reads as missing.
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "Left", "none"), "none");
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "UseGDIplus", 7), 7);
    EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kVendorKey, "ErrorLogRotateSizeMB", 512), 512);
    // The roots are distinct stores.
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kAppKey, "UseGDIplus", "Y"), "Y");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kVendorKey, "ErrorLogRotateSizeMB", "512"), "512");
}

TEST_F(SettingsFixture, StringsAndIntegersRoundTripWhateverTheyHold) {
    const QStringList texts = {"", "dword:00000010", "sz:x", "@at", "a, b", "  spaced  ", "line\nbreak",
                               "quote\"d", "é€😀", "[Section]", ";not a comment", "=", "45208.5"};
    for (const QString& text : texts) {
        EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, kAppKey, "Text", text));
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "Text", "default"), text) << text.toStdString();
    }
    for (int number : {0, 1, -1, 100, INT_MAX, INT_MIN}) {
        EXPECT_TRUE(WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Number", number));
        EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Number", 12345), number);
    }
    // Keys below the application key are groups of its file.
    EXPECT_TRUE(WriteRegInteger(HKEY_CURRENT_USER, kAppKey + "\\Windows\\Main", "Width", 800));
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey + "\\Windows\\Main", "Width", 0), 800);
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Width", 0), 0);
}

TEST_F(SettingsFixture, HandWrittenFilesAreReadWithRegistryTypes) {
    writeFile(path("user/Veltrano/Lorvane.conf"),
              "[General]\nLeft=dword:00000064\nTop=dword:ffffffff\nWidth=800\nBad=dword:12345678901\n"
              "Names=a, b\n");
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 0), 100);
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Top", 0), -1);
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Width", 5), 5);  // plain text is a string
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "Width", ""), "800");
    EXPECT_EQ(ReadRegInteger(HKEY_CURRENT_USER, kAppKey, "Bad", 5), 5);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "Names", ""), "a, b");
}

TEST_F(SettingsFixture, UnusableKeysAndRootsFailQuietly) {
    EXPECT_FALSE(WriteRegString(HKEY_CURRENT_USER, "Software\\..\\..\\escape", "X", "1"));
    EXPECT_FALSE(WriteRegString(HKEY_CURRENT_USER, "", "X", "1"));
    EXPECT_FALSE(WriteRegString(HKEY_CURRENT_USER, kAppKey, "", "1"));
    EXPECT_FALSE(WriteRegString(HKEY_CURRENT_USER, kAppKey, "a/b", "1"));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Software\\..\\..\\escape", "X", "d"), "d");
    EXPECT_FALSE(QFileInfo::exists(path("escape.conf")));

    // A machine root that cannot hold folders: writes fail, reads give defaults.
    writeFile(path("machine"), "not a folder");
    EXPECT_FALSE(WriteRegString(HKEY_LOCAL_MACHINE, kVendorKey, "ErrorLogPath", "/var/log"));
    EXPECT_FALSE(WriteRegInteger(HKEY_LOCAL_MACHINE, kVendorKey, "Level", 3));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kVendorKey, "ErrorLogPath", "d"), "d");
}

namespace {

// Counts the writes that reach the store.
class CountingStore : public IRegistryStore {
public:
    std::optional<RegistryValue> readValue(TRegistryRoot root, const QString& key, const QString& name) override {
        auto it = FValues.find(id(root, key, name));
        if (it == FValues.end()) return std::nullopt;
        return it->second;
    }
    bool writeValue(TRegistryRoot root, const QString& key, const QString& name, const RegistryValue& value) override {
        ++writes;
        FValues[id(root, key, name)] = value;
        return true;
    }
    int writes = 0;

private:
    static QString id(TRegistryRoot root, const QString& key, const QString& name) {
        return QString::number(int(root)) + '|' + key.toLower() + '|' + name.toLower();
    }
    std::map<QString, RegistryValue> FValues;
};

}  // namespace

TEST_F(SettingsFixture, WritesReachTheStoreOnlyWhenTheValueChanges) {
    CountingStore store;
    setRegistryStore(&store);

    struct Step {
        const char* what;
        std::function<bool()> write;
        int writesAfter;
    };
    const Step steps[] = {
        {"integer over missing", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 100); }, 1},
        {"same integer", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 100); }, 1},
        {"other integer", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 101); }, 2},
        {"INT_MAX over missing", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Max", INT_MAX); }, 3},
        {"same INT_MAX", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Max", INT_MAX); }, 3},
        {"empty text over missing", [] { return WriteRegString(HKEY_CURRENT_USER, kAppKey, "WebCheck", ""); }, 4},
        {"same empty text", [] { return WriteRegString(HKEY_CURRENT_USER, kAppKey, "WebCheck", ""); }, 4},
        {"text over integer of same digits", [] { return WriteRegString(HKEY_CURRENT_USER, kAppKey, "Left", "101"); }, 5},
        {"integer over text of same digits", [] { return WriteRegInteger(HKEY_CURRENT_USER, kAppKey, "Left", 101); }, 6},
        {"text holding code 0 over missing",
         [] { return WriteRegString(HKEY_CURRENT_USER, kAppKey, "Nul", QString(QChar(u'\0'))); }, 7},
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(step.write()) << step.what;
        EXPECT_EQ(store.writes, step.writesAfter) << step.what;
    }
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kAppKey, "WebCheck", "none"), "");
}

// ---------------------------------------------------------------------------
// The INI switches file

TEST_F(SettingsFixture, IniBesideTheProgramWinsAndLeavesTheUserFolderAlone) {
    writeFile(path("bin/lorvane.ini"), "[Application]\nAutoRegister=N\n");
    EXPECT_EQ(iniFilePath(), path("bin/lorvane.ini"));
    EXPECT_EQ(ReadIniSetting("Application", "AutoRegister", "Y"), "N");
    EXPECT_EQ(ReadIniSetting("Application", "Missing", "dflt"), "dflt");
    EXPECT_FALSE(QFileInfo::exists(userFolder()));
}

TEST_F(SettingsFixture, IniFromTheOlderLocationIsMovedIntoTheVendorFolder) {
    writeFile(path("user/lorvane.ini"), "[WebCheck]\nEnabled = N\n");
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "N");
    EXPECT_EQ(iniFilePath(), path("user/Veltrano/lorvane.ini"));
    EXPECT_FALSE(QFileInfo::exists(path("user/lorvane.ini")));
    EXPECT_EQ(readFile(path("user/Veltrano/lorvane.ini")), "[WebCheck]\nEnabled = N\n");
}

TEST_F(SettingsFixture, IniInTheVendorFolderIsPreferredToTheOlderOne) {
    writeFile(path("user/Veltrano/lorvane.ini"), "[PrintRatio]\nWidth=2\n");
    writeFile(path("user/lorvane.ini"), "[PrintRatio]\nWidth=3\n");
    EXPECT_EQ(ReadIniSetting("PrintRatio", "Width", ""), "2");
    EXPECT_TRUE(QFileInfo::exists(path("user/lorvane.ini")));
}

TEST_F(SettingsFixture, IniLocationIsNamedAfterTheProgramAndCached) {
    setSettingsPaths({path("bin/viewer.bin"), userFolder(), machineFolder()});
    EXPECT_EQ(iniFilePath(), path("user/Veltrano/viewer.ini"));
    EXPECT_TRUE(QFileInfo(path("user/Veltrano")).isDir());
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
    // Computed once: an INI that appears beside the program later is not looked at.
    writeFile(path("bin/viewer.ini"), "[WebCheck]\nEnabled=N\n");
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
}

TEST_F(SettingsFixture, UnreadableIniFilesGiveTheDefault) {
    const QByteArray contents[] = {
        "",                                   // empty
        "\xff\xfe\x41",                       // UTF-16 with an odd byte count
        "[WebCheck]\nEnabled=\xc3(N\n",       // not UTF-8
        "!CP someone on somewhere\r\nAAAA",   // protected, too short
        "!CP someone on somewhere\r\n####",   // protected, not Base64
        "!CP no body at all",
    };
    for (const QByteArray& content : contents) {
        writeFile(path("bin/lorvane.ini"), content);
        EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y") << content.toStdString();
    }
    // A folder where the file should be.
    QFile::remove(path("bin/lorvane.ini"));
    QDir().mkpath(path("bin/lorvane.ini"));
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
}

TEST_F(SettingsFixture, SpecialFoldersFollowTheChosenRoots) {
    EXPECT_EQ(GetSpecialFolderPath(TSpecialFolder::LocalAppData), userFolder() + '/');
    EXPECT_EQ(GetSpecialFolderPath(TSpecialFolder::AppData), userFolder() + '/');
    EXPECT_EQ(GetSpecialFolderPath(TSpecialFolder::CommonAppData), machineFolder() + '/');
}
