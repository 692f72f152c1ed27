#include "UCryptedIniFile.h"
#include "USettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TCryptedIniFile parsed(const QByteArray& bytes) {
    TCryptedIniFile ini(QString{});
    ini.LoadFromBytes(bytes);
    return ini;
}

class CryptedIniFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        QDir().mkpath(path("bin"));
        useUser("alice");
    }
    void TearDown() override { resetSettingsPaths(); }
    // Each user has a config folder (and so a protection key) of their own.
    void useUser(const QString& name) {
        setSettingsPaths({path("bin/lorvane"), path("home/" + name), path("machine")});
    }
    QString path(const QString& rel) const { return FTemp.filePath(rel); }

    QTemporaryDir FTemp;
};

}  // namespace

TEST(CryptedIniFile, ParsesLinesAsTheViewerExpects) {
    const TCryptedIniFile ini = parsed(
        "orphan=ignored before any section\n"
        "; comment\n"
        "[WebCheck]\r\n"
        "  Enabled = N  \r\n"
        "\t\r\n"
        "Url==x= y \n"
        "bare line here\n"
        "[ Print Ratio ]\n"
        "Width=1.7\n"
        "[webcheck]\n"
        "Enabled=Y\n"
        "Later=only here\n"
        "[Last");
    struct Case {
        const char *section, *key, *expected;
    };
    const Case cases[] = {
        {"WebCheck", "Enabled", "N"},       // spaces around "=" are trimmed
        {"WEBCHECK", "enabled", "N"},       // names ignore case
        {"WebCheck", "Url", "=x= y"},       // the first "=" splits
        {"WebCheck", "Later", "dflt"},      // a second section of that name is not searched
        {"Print Ratio", "Width", "1.7"},    // section names are trimmed
        {"WebCheck", "orphan", "dflt"},
        {"WebCheck", "bare line here", "dflt"},
        {"Missing", "Enabled", "dflt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected) << c.section << '/' << c.key;

    QStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(list, QStringList({"WebCheck", "Print Ratio"}));
    ini.ReadSection("WebCheck", list);
    EXPECT_EQ(list, QStringList({"Enabled", "Url"}));
    ini.ReadSectionValues("webcheck", list);
    EXPECT_EQ(list, QStringList({"Enabled=N", "Url==x= y", "bare line here"}));
    ini.ReadSectionValues("WEBCHECK", list);  // still the first of the two
    EXPECT_EQ(list.size(), 3);
    EXPECT_TRUE(ini.SectionExists("print ratio"));
    EXPECT_TRUE(ini.ValueExists("WebCheck", "URL"));
    EXPECT_FALSE(ini.ValueExists("WebCheck", "bare line here"));
}

TEST(CryptedIniFile, DecodesByteOrderMarksAndRejectsBadUtf8) {
    const QString text = QStringLiteral("[Sección]\nClé=Valeur €\n");
    QByteArray utf16le("\xff\xfe"), utf16be("\xfe\xff");
    for (QChar c : text) {
        utf16le += char(c.unicode() & 0xff), utf16le += char(c.unicode() >> 8);
        utf16be += char(c.unicode() >> 8), utf16be += char(c.unicode() & 0xff);
    }
    const QByteArray forms[] = {text.toUtf8(), "\xef\xbb\xbf" + text.toUtf8(), utf16le, utf16be};
    for (const QByteArray& bytes : forms)
        EXPECT_EQ(parsed(bytes).ReadString(QStringLiteral("sección"), QStringLiteral("clé"), "?"),
                  QStringLiteral("Valeur €"))
            << bytes.toHex().toStdString();

    QStringList sections;
    parsed("[A]\nk=\xe9t\xe9\n").ReadSections(sections);  // Latin-1 bytes are not UTF-8
    EXPECT_TRUE(sections.isEmpty());
}

TEST(CryptedIniFile, TypedAccessorsGoThroughTheText) {
    TCryptedIniFile ini(QString{});
    ini.LoadFromText("[N]\ndec=-42\nhex=0x1F\ndollar=$ff\nbig=99999999999\nword=abc\nzero=0\nratio=1,65\n");
    EXPECT_EQ(ini.ReadInteger("N", "dec", 0), -42);
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 255);
    EXPECT_EQ(ini.ReadInteger("N", "big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("N", "word", 7), 7);
    EXPECT_TRUE(ini.ReadBool("N", "dec", false));
    EXPECT_FALSE(ini.ReadBool("N", "zero", true));
    EXPECT_TRUE(ini.ReadBool("N", "missing", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "ratio", 0), 1.65);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "word", 1.45), 1.45);
    ini.WriteFloat("N", "ratio", 0.5);
    EXPECT_EQ(ini.ReadString("N", "ratio", ""), "0.5");
    ini.WriteBool("N", "flag", true);
    ini.WriteInteger("N", "count", 12);
    EXPECT_EQ(ini.ReadString("N", "flag", ""), "1");
    EXPECT_EQ(ini.ReadInteger("N", "count", 0), 12);
}

TEST_F(CryptedIniFixture, EditsAndWritesThePlainForm) {
    const QString file = path("plain.ini");
    writeFile(file, "; kept out\n[A]\nk = 1\nbare\n[B]\nx=1\n[a]\nk=2\n");
    {
        TCryptedIniFile ini(file);
        EXPECT_FALSE(ini.Protected());
        ini.WriteString("a", "K", "one");  // replaces the value, keeps the stored name
        ini.WriteString("A", "new", "line1\nline2");
        ini.WriteString("C", "z", "9");
        ini.DeleteKey("B", "x");
        ini.DeleteKey("B", "absent");
        EXPECT_EQ(readFile(file), "; kept out\n[A]\nk = 1\nbare\n[B]\nx=1\n[a]\nk=2\n");  // nothing before UpdateFile
        ini.UpdateFile();
    }
    EXPECT_EQ(readFile(file), "[A]\nk=one\nbare\nnew=line1 line2\n\n[B]\n\n[a]\nk=2\n\n[C]\nz=9\n\n");

    TCryptedIniFile again(file);
    again.EraseSection("A");  // both sections of that name go
    QStringList sections;
    again.ReadSections(sections);
    EXPECT_EQ(sections, QStringList({"B", "C"}));
}

TEST_F(CryptedIniFixture, ProtectedFormRoundTrips) {
    const QString file = path("bin/lorvane.ini");
    {
        TCryptedIniFile ini(file);
        ini.WriteString("WebCheck", "Enabled", "N");
        ini.WriteString("Application", "AutoRegister", QStringLiteral("Non, merci — é"));
        ini.SetProtected(true);
        ini.UpdateFile();
    }
    const QByteArray bytes = readFile(file);
    ASSERT_TRUE(bytes.startsWith("!CP "));
    const QByteArray header = bytes.left(bytes.indexOf("\r\n"));
    EXPECT_TRUE(header.contains(" on ")) << header.toStdString();
    EXPECT_FALSE(bytes.contains("WebCheck"));
    EXPECT_FALSE(bytes.endsWith("\n"));

    const QString key = IniProtection::keyFilePath();
    EXPECT_TRUE(key.startsWith(path("home/alice/")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(key).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TCryptedIniFile back(file);
    EXPECT_TRUE(back.Protected());
    EXPECT_EQ(back.ReadString("webcheck", "enabled", "Y"), "N");
    EXPECT_EQ(back.ReadString("Application", "AutoRegister", ""), QStringLiteral("Non, merci — é"));
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "N");

    // Writing back keeps the protected form, under the same key.
    back.WriteString("WebCheck", "Enabled", "O");
    back.UpdateFile();
    EXPECT_TRUE(readFile(file).startsWith("!CP "));
    EXPECT_EQ(TCryptedIniFile(file).ReadString("WebCheck", "Enabled", ""), "O");
}

TEST_F(CryptedIniFixture, Base64LinesHold76CharactersWithNoBreakAfterTheLast) {
    struct Case {
        int bytes;
        QList<int> lineLengths;
    };
    const Case cases[] = {{0, {}}, {1, {4}}, {57, {76}}, {58, {76, 4}}, {114, {76, 76}}, {171, {76, 76, 76}}};
    for (const Case& c : cases) {
        const QByteArray data(c.bytes, '\x5a');
        const QByteArray text = IniProtection::base64Lines(data);
        QList<int> lengths;
        for (const QByteArray& line : text.split('\n')) {
            if (!text.isEmpty()) lengths << int(line.size() - (line.endsWith('\r') ? 1 : 0));
        }
        EXPECT_EQ(lengths, c.lineLengths) << c.bytes;
        EXPECT_FALSE(text.endsWith('\n'));
        EXPECT_EQ(QByteArray::fromBase64(QByteArray(text).replace("\r\n", "")), data);
    }

    // A whole protected file whose payload is an exact multiple of 76 characters.
    bool found = false;
    for (int n = 0; n < 400 && !found; ++n) {
        const QString text = "[S]\nk=" + QString(n, QLatin1Char('x')) + QString::number(n * 7919) + "\n\n";
        const QByteArray bytes = IniProtection::protect(text);
        const QByteArray body = bytes.mid(bytes.indexOf("\r\n") + 2);
        const QByteArray joined = QByteArray(body).replace("\r\n", "");
        if (joined.size() % 76 != 0) continue;
        found = true;
        EXPECT_FALSE(body.endsWith("\r\n"));
        EXPECT_EQ(body.count("\r\n"), joined.size() / 76 - 1);
        EXPECT_EQ(IniProtection::unprotect(bytes), text);
    }
    EXPECT_TRUE(found);
}

TEST_F(CryptedIniFixture, ProtectedFileOfAnotherUserFallsBackToDefaults) {
    const QString file = path("bin/lorvane.ini");
    {
        TCryptedIniFile ini(file);
        ini.WriteString("WebCheck", "Enabled", "N");
        ini.SetProtected(true);
        ini.UpdateFile();
    }
    // bob has no key at all; carol has a key of her own.
    useUser("bob");
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
    EXPECT_THROW(TCryptedIniFile{file}, ECryptedIniError);
    EXPECT_FALSE(QFileInfo::exists(IniProtection::keyFilePath()));  // reading never makes a key

    useUser("carol");
    IniProtection::protect("[x]\n");  // makes carol's key
    EXPECT_TRUE(QFileInfo::exists(IniProtection::keyFilePath()));
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
    EXPECT_THROW(TCryptedIniFile{file}, ECryptedIniError);

    useUser("alice");
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "N");
}

TEST_F(CryptedIniFixture, DamagedProtectedDataIsReportedNotParsed) {
    const QByteArray good = IniProtection::protect("[WebCheck]\nEnabled=N\n");
    const qsizetype body = good.indexOf("\r\n") + 2;
    QByteArray flipped = good;
    flipped[body + 40] = flipped[body + 40] == 'A' ? 'B' : 'A';
    const QByteArray damaged[] = {
        good.left(good.size() - 8),               // truncated
        flipped,                                  // one character changed
        good.left(body) + "!!!!",                 // not Base64
        good.left(body) + "QUJD",                 // shorter than nonce and tag
        QByteArray("!CP header only"),
    };
    for (const QByteArray& bytes : damaged) {
        writeFile(path("bin/lorvane.ini"), bytes);
        EXPECT_THROW(TCryptedIniFile(path("bin/lorvane.ini")), ECryptedIniError) << bytes.toStdString();
        EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
    }
    // A key file of the wrong size is an error, not a crash.
    writeFile(path("bin/lorvane.ini"), good);
    writeFile(IniProtection::keyFilePath(), "short");
    EXPECT_EQ(ReadIniSetting("WebCheck", "Enabled", "Y"), "Y");
    EXPECT_THROW(IniProtection::protect("[x]\n"), ECryptedIniError);
}

TEST_F(CryptedIniFixture, OversizedProtectedTextIsRefused) {
    // Compresses to a few kilobytes, inflates past what a settings file may hold.
    const QString text = "[S]\nk=" + QString(16 * 1024 * 1024, QLatin1Char('a')) + "\n";
    const QByteArray bytes = IniProtection::protect(text);
    EXPECT_LT(bytes.size(), 64 * 1024);
    EXPECT_THROW(IniProtection::unprotect(bytes), ECryptedIniError);
}

TEST_F(CryptedIniFixture, UnwritableTargetRaisesFromUpdateFile) {
    TCryptedIniFile ini(path("no/such/folder/x.ini"));
    ini.WriteString("A", "k", "v");
    EXPECT_THROW(ini.UpdateFile(), ECryptedIniError);
}
