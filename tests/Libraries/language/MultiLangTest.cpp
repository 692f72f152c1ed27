#include "UMultiLang.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kNbsp = QString(QChar(0x00A0));
const QByteArray kBom("\xEF\xBB\xBF");

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

std::string show(const QString& s) { return s.toStdString(); }

// The program lies in <temp>/app, the temporary folder is <temp>/temp.
class MultiLangFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        QDir().mkpath(path("app"));
        QDir().mkpath(path("temp"));
        start();
    }
    void TearDown() override {
        try {
            FinalizeMultiLang();
        } catch (...) {
        }
        SetInvalidateAllWindowsHandler(nullptr);
        SetDictionaryErrorHandler(nullptr);
        InitializeMultiLang();  // back to the source language and the program's own folder
    }
    void start(const QString& program = QString()) {
        InitializeMultiLang({program.isEmpty() ? path("app/lorvane") : program, path("temp")});
    }
    QString path(const QString& rel) const { return FTemp.filePath(rel); }

    QTemporaryDir FTemp;
};

}  // namespace

TEST(MultiLangText, KeysEscapeBreaksEqualsAndSpacesBeforeSigns) {
    const std::pair<QString, QString> cases[] = {
        {"Fichier =\r\nnom", QStringLiteral("Fichier ¯^%nom")},
        {"Supprimer %s ?", "Supprimer %s?"},
        {"Oui !", "Oui!"},
        {"Quoi  ?", "Quoi ?"},
        {"a\rb\nc", "a^%b^%c"},
        {"a=b=c", QStringLiteral("a¯b¯c")},
        {"Heure : 12:30", "Heure : 12:30"},
    };
    for (const auto& [text, key] : cases) EXPECT_EQ(EscapeLanguageKey(text), key) << show(text);
}

TEST(MultiLangText, ValuesGetNoBreakSpacesBeforeSigns) {
    const std::pair<QString, QString> cases[] = {
        {"Delete %s?", "Delete %s" + kNbsp + "?"},
        {"Total: 12", "Total" + kNbsp + ": 12"},
        {"Total : 12", "Total" + kNbsp + ": 12"},
        {"It is 12:30", "It is 12:30"},
        {"Step 2:", "Step 2:"},
        {"Go!", "Go" + kNbsp + "!"},
        {"Go" + kNbsp + "!", "Go" + kNbsp + "!"},
        {"Why ?\tNow", "Why" + kNbsp + "?\tNow"},
        {"?", "?"},
        {"a:b", "a:b"},
        {"Line^%two", "Line\r\ntwo"},
        {QStringLiteral("a¯b"), "a=b"},
        {"http://host", "http://host"},
    };
    for (const auto& [value, shown] : cases) EXPECT_EQ(UnescapeLanguageValue(value), shown) << show(value);
}

// The space before the signs is French typography: other languages keep
// their signs as the translator wrote them.
TEST(MultiLangText, OnlyFrenchLanguagesSpaceTheirSigns) {
    EXPECT_EQ(UnescapeLanguageValue(QStringLiteral("Delete %s?^%Title: x"), false), QStringLiteral("Delete %s?\r\nTitle: x"));
    const std::pair<int, bool> languages[] = {{0x040C, true}, {0x0C0C, true}, {0x100C, true},
                                              {0x0409, false}, {0x0809, false}, {0x0407, false}};
    for (const auto& [id, french] : languages) EXPECT_EQ(UsesFrenchSpacing(id), french) << std::hex << id;
}

TEST(MultiLangText, PlaceholderCheck) {
    struct Case {
        const char *source, *translation, *reason;
    };
    const Case cases[] = {
        {"Fichier", "File %s", ""},
        {"Supprimer %s ?", "Delete %s?", ""},
        {"%0:s dans %1:d", "%1:d in %0:s", ""},
        {"%1:-5.2f par %0:s", "%0:s per %1:-5.2f", ""},
        {"%-5.2f par %0:s", "%0:s per %-5.2f", "Hotspots order not qualified"},
        {"100%% de %s", "%s at 100%%", ""},
        {"%5.2f et %d", "%d", ""},  // a width directly after "%" cannot take a precision: scanning stops
        {"%s et %s", "%s and %s", "Hotspots order not qualified"},
        {"%s de %d", "%d of %s", "Hotspots order not qualified"},
        {"%d fichiers", "%d files in %s", "Hotspot count mismatch"},
        {"%d fichiers", "files", "Hotspot count mismatch"},
        {"%0:s et %1:d", "%0:s and %1:s", "Hotspots mismatched"},
        {"%s", "%S", "Hotspots mismatched"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckFormatPlaceholders(c.source, c.translation), QString::fromUtf8(c.reason))
            << c.source << " / " << c.translation;
}

TEST(LanguageDictionary, ReadsEveryHeaderForm) {
    struct Case {
        const char* what;
        QByteArray bytes;
        QString fileName;
        int id;
        QString key, value;
    };
    const Case cases[] = {
        {"no mark", "040C\r\nk=v\r\n", "", 0x040C, "k", "v"},
        {"no mark, ANSI key", "0407\r\n\xe9t\xe9=\xc3\xa9t\xc3\xa9\r\n", "", 0x0407, QStringLiteral("été"),
         QStringLiteral("été")},
        {"written form", kBom + "u0409\r\n" + QStringLiteral("clé=valeur €").toUtf8() + "\r\n", "", 0x0409,
         QStringLiteral("clé"), QStringLiteral("valeur €")},
        {"written form, id from the name", kBom + "u0000\r\nk=v\r\n", "/x/app-0407.LAND", 0x0407, "k", "v"},
        {"mark and 0", kBom + "00409\r\nk=v", "", 0x0409, "k", "v"},
        {"mark and $", kBom + "$0C0C\r\nk=v\nk2=w", "", 0x0C0C, "k2", "w"},
        {"header without its line break", "40C", "", 0x040C, "k", ""},
    };
    for (const Case& c : cases) {
        TLanguageDictionary d;
        d.LoadDictionaryBytes(c.bytes, c.fileName);
        EXPECT_EQ(d.LanguageID(), c.id) << c.what;
        QString value;
        EXPECT_EQ(d.Find(c.key, value), !c.value.isEmpty()) << c.what;
        EXPECT_EQ(value, c.value) << c.what;
        EXPECT_FALSE(d.Modified()) << c.what;
    }

    const std::pair<QByteArray, const char*> bad[] = {
        {kBom + "u04", "Invalid file format"},
        {kBom + "x0409\r\nk=v", "Invalid file format"},
        {kBom + "$zz\r\n\r\n", "'$zz' is not a valid integer value"},
        {"zzzz\r\nk=v", "'$zzzz' is not a valid integer value"},
    };
    for (const auto& [bytes, message] : bad) {
        TLanguageDictionary d;
        try {
            d.LoadDictionaryBytes(bytes, QString());
            ADD_FAILURE() << "accepted " << bytes.toStdString();
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(message));
        }
    }
}

TEST(LanguageDictionary, WritesTheDocumentedFormAndReadsItBack) {
    TLanguageDictionary d(0x0409, dtApplication, QString());
    d.SetEntry("Zone", "Area");
    d.SetEntry("Fichier =\r\nnom", "File =^%name");
    d.SetEntry(QStringLiteral("Été"), QStringLiteral("Summer"));
    EXPECT_TRUE(d.Modified());
    const QByteArray bytes = d.DictionaryBytes();
    EXPECT_EQ(bytes, kBom + "u0409\r\n" + QStringLiteral("Fichier ¯^%nom=File =^%name\r\nZone=Area\r\nÉté=Summer\r\n").toUtf8());

    TLanguageDictionary back;
    back.LoadDictionaryBytes(bytes, QString());
    EXPECT_EQ(back.Lines(), d.Lines());
    EXPECT_EQ(back.Lookup("Fichier =\r\nnom"), "File =\r\nname");
}

// Two UTF-8 files joined with cat: the second one's byte-order mark, and
// stray ones, start lines. They are no text: the file reads and writes back
// the same, instead of changing at every save.
TEST(LanguageDictionary, ByteOrderMarksAtLineStartsAreDropped) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"the shortest joined file", QByteArray::fromHex("EFBBBF75300AEFBBBFEFBBBF3D"), {"="}},
        {"a second file's header and entry",
         kBom + "u0409\r\nZone=Area\r\n" + kBom + "u0409\r\n" + kBom + "Fichier=File\r\n",
         {"Fichier=File", "Zone=Area"}},
        {"marks before a line without an entry", kBom + "u0409\r\n" + kBom + kBom + "note\r\n", {}},
    };
    for (const Case& c : cases) {
        TLanguageDictionary first;
        first.LoadDictionaryBytes(c.bytes, QStringLiteral("app-0409.LAND"));
        EXPECT_EQ(first.Lines(), c.lines) << c.name;
        const QByteArray written = first.DictionaryBytes();
        TLanguageDictionary again;
        again.LoadDictionaryBytes(written, QString());
        EXPECT_EQ(again.Lines(), first.Lines()) << c.name;
        EXPECT_EQ(again.DictionaryBytes(), written) << c.name << ": a second save changes nothing";
        EXPECT_EQ(written.count(kBom), 1) << c.name << ": only the header's mark is written";
    }
}

TEST_F(MultiLangFixture, MissingEntriesAreLearnedAndWrittenAtTheEnd) {
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(Translate("Supprimer %s ?"), "Supprimer %s ?");
    // From then on the learned entry is found, and shown with the no-break space.
    EXPECT_EQ(Translate("Supprimer %s ?"), "Supprimer %s" + kNbsp + "?");
    const QString file = path("app/lorvane-0409.LAND");
    EXPECT_FALSE(QFileInfo::exists(file));  // nothing before the end
    FinalizeMultiLang();
    EXPECT_EQ(readFile(file), kBom + "u0409\r\nSupprimer %s?=Supprimer %s?\r\n");

    // Next run: the learned entry is a translation, and an unmodified dictionary is not rewritten.
    start();
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(Translate("Supprimer %s ?"), "Supprimer %s" + kNbsp + "?");
    QFile::remove(file);
    FinalizeMultiLang();
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(MultiLangFixture, TranslatesFromTheFilesOfEachKind) {
    writeFile(path("app/lorvane-0409.LAND"),
              kBom + "u0409\r\nFichier=File\r\nQuitter=!Exit\r\nVide=\r\n" +
                  QStringLiteral("Fichier ¯^%nom=File =^%name\r\nTitre :=Title:\r\nTotal:=Total:\r\n").toUtf8());
    writeFile(path("app/lorvane-0409.CLAND"), kBom + "u0409\r\nVentes=Sales\r\n");
    SetCurrentLanguage(0x0409);
    const std::pair<QString, QString> cases[] = {
        {"Fichier", "File"},   {"Quitter", "Exit"}, {"Vide", ""},         {"Fichier =\r\nnom", "File =\r\nname"},
        {"!Fichier", "Fichier"}, {"", ""},          {"Total:", "Total" + kNbsp + ":"}, {"Ventes", "Ventes"},
        {"Titre :", "Title:"},  // a translation keeps its own spacing
    };
    for (const auto& [source, shown] : cases) EXPECT_EQ(Translate(source), shown) << show(source);
    EXPECT_EQ(TranslateContent("Ventes"), "Sales");
    EXPECT_EQ(TranslateContent("Fichier"), "Fichier");
    EXPECT_EQ(TranslateCaption("Fichier", false, dtApplication), "Fichier");
    EXPECT_EQ(TranslateCaption("Fichier", true, dtApplication), "File");
}

TEST_F(MultiLangFixture, FormatsCheckTheirTranslation) {
    writeFile(path("app/lorvane-0409.LAND"),
              kBom + "u0409\r\n%s et %s=%s and %s\r\n%0:s de %1:s=%1:s's %0:s\r\n"
                     "Bonjour=Hello %d\r\n%d fichiers=%d files\r\n");
    SetCurrentLanguage(0x0409);
    const QString a = "x", b = "y";
    EXPECT_EQ(TranslateFormat("%s et %s", {a, b}), "TRNERR:x et y");
    EXPECT_EQ(TranslateFormat("%0:s de %1:s", {a, b}), "y's x");
    EXPECT_EQ(TranslateFormat("%d fichiers", {3}), "3 files");
    EXPECT_EQ(TranslateFormat("Bonjour", {}), "TRNERR:Bonjour");  // the translation wants an argument
    EXPECT_EQ(TranslateFormat("!%d fichiers", {3}), "3 fichiers");
    EXPECT_THROW(TranslateFormat("%d inconnus", {a}), EConvertError);  // the caller's own mistake

    SetCurrentLanguage(SourceLanguage);
    EXPECT_EQ(TranslateFormat("%s et %s", {a, b}), "x et y");
}

TEST_F(MultiLangFixture, DebugDisplayMarksEveryText) {
    writeFile(path("app/lorvane.multilangdebug"), "");
    start();
    EXPECT_TRUE(MultiLangDebugDisplay());
    EXPECT_EQ(Translate("Fichier"), "[#Fichier#]");
    EXPECT_EQ(Translate("!Fichier"), "[#!Fichier#]");
    EXPECT_EQ(TranslateFormat("%d fichiers", {3}), "[#3 fichiers#]");
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(TranslateContent("Ventes"), "[#Ventes#]");
    FinalizeMultiLang();
    EXPECT_TRUE(QDir(path("app")).entryList({"*.LAND", "*.CLAND"}).isEmpty());
}

TEST_F(MultiLangFixture, SourceLanguageNeedsNoDictionary) {
    writeFile(path("app/lorvane-0409.LAND"), kBom + "u0409\r\nFichier=File\r\n");
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(GetCurrentLanguage(), 0x0409);
    EXPECT_EQ(Translate("Fichier"), "File");
    SetCurrentLanguage(SourceLanguage);
    EXPECT_EQ(GetCurrentLanguage(), 0);
    EXPECT_EQ(Translate("Fichier"), "Fichier");
    EXPECT_EQ(Translate("!Fichier"), "Fichier");
    EXPECT_EQ(Translate("Nouveau"), "Nouveau");
    FinalizeMultiLang();
    EXPECT_EQ(QDir(path("app")).entryList({"lorvane-*"}), QStringList({"lorvane-0409.LAND"}));
    EXPECT_EQ(QDir(path("temp")).entryList(QDir::Files), QStringList());
}

TEST_F(MultiLangFixture, ListenersHearOfEachChangeThenWindowsRepaint) {
    struct Listener : ILanguageListener {
        std::vector<QString>* events;
        void LanguageChanged() override { events->push_back("listener " + QString::number(GetCurrentLanguage())); }
    };
    std::vector<QString> events;
    Listener listener;
    listener.events = &events;
    RegisterLanguageListener(&listener);
    RegisterLanguageListener(&listener);  // once only
    SetInvalidateAllWindowsHandler([&] { events.push_back("repaint"); });

    SetCurrentLanguage(0x0409);
    SetCurrentLanguage(0x0409);  // no change
    SetCurrentLanguage(SourceLanguage);
    SetCurrentLanguage(0);  // the same as the source language
    UnregisterLanguageListener(&listener);
    SetCurrentLanguage(0x0407);
    EXPECT_EQ(events, (std::vector<QString>{"listener 1033", "repaint", "listener 0", "repaint", "repaint"}));
}

TEST_F(MultiLangFixture, LanguageIsKeptPerThread) {
    writeFile(path("app/lorvane-0409.LAND"), kBom + "u0409\r\nFichier=File\r\n");
    SetCurrentLanguage(0x0409);
    int seen = -1;
    QString shown;
    std::thread worker([&] {
        seen = GetCurrentLanguage();
        shown = Translate("Fichier");
    });
    worker.join();
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(shown, "Fichier");
    EXPECT_EQ(Translate("Fichier"), "File");
}

TEST_F(MultiLangFixture, ImportedEntriesJoinTheContentDictionary) {
    writeFile(path("app/lorvane-0409.CLAND"), kBom + "u0409\r\nVentes=Old\r\nMarge=Margin\r\n");
    writeFile(path("app/lorvane-0409.ILAND"), kBom + "u0409\r\nVentes=Sales\r\nTaux ?=Rate=%\r\n");
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(TranslateContent("Ventes"), "Sales");
    EXPECT_EQ(TranslateContent("Taux ?"), "Rate=%");
    EXPECT_EQ(TranslateContent("Marge"), "Margin");
    FinalizeMultiLang();
    EXPECT_EQ(readFile(path("app/lorvane-0409.CLAND")),
              kBom + "u0409\r\n" + QStringLiteral("Marge=Margin\r\nTaux?=Rate¯%\r\nVentes=Sales\r\n").toUtf8());
    EXPECT_EQ(readFile(path("app/lorvane-0409.ILAND")), kBom + "u0409\r\nVentes=Sales\r\nTaux ?=Rate=%\r\n");
}

TEST_F(MultiLangFixture, TranslationFolderFallsBackToTheTemporaryFolder) {
    EXPECT_EQ(TranslationFolder(), path("app") + "/");
    EXPECT_EQ(DictionaryFileName(0x0409, dtConfiguration), path("app/lorvane-0409.CLAND"));
    EXPECT_FALSE(QFileInfo::exists(path("app/dummy.land")));

    start(path("missing/viewer.bin"));
    EXPECT_EQ(TranslationFolder(), path("temp") + "/");
    EXPECT_EQ(DictionaryFileName(0x0C0C, dtImport), path("temp/viewer-0C0C.ILAND"));
    SetCurrentLanguage(0x0C0C);
    Translate("Fichier");
    FinalizeMultiLang();
    EXPECT_TRUE(QFileInfo::exists(path("temp/viewer-0C0C.LAND")));
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
}

TEST_F(MultiLangFixture, UnwritableDictionaryLeavesACopyAndSaysWhere) {
    SetCurrentLanguage(0x0409);
    Translate("Fichier");
    ASSERT_TRUE(QDir(path("app")).removeRecursively());
    try {
        FinalizeMultiLang();
        ADD_FAILURE() << "the save failure was not reported";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith("Echec de l'enregistrement du fichier de traduction \"" +
                                           path("app/lorvane-0409.LAND") + "\"\r\n"
                                           "Enregistrement d'une copie à l'emplacement \"" +
                                           path("temp/lorvane-0409.LAND") + "\"\r\n"))
            << show(e.message());
    }
    EXPECT_EQ(readFile(path("temp/lorvane-0409.LAND")), kBom + "u0409\r\nFichier=Fichier\r\n");
}

TEST_F(MultiLangFixture, BrokenTranslationFileIsNeitherFatalNorOverwritten) {
    const QByteArray broken = "zzzz\r\nFichier=File\r\n";
    writeFile(path("app/lorvane-0409.LAND"), broken);
    QStringList reported;
    SetDictionaryErrorHandler([&](const QString& message) { reported << message; });
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(Translate("Fichier"), "Fichier");
    EXPECT_EQ(Translate("Nouveau"), "Nouveau");
    EXPECT_EQ(reported, QStringList({path("app/lorvane-0409.LAND") + ": '$zzzz' is not a valid integer value"}));
    FinalizeMultiLang();
    EXPECT_EQ(readFile(path("app/lorvane-0409.LAND")), broken);
}

TEST_F(MultiLangFixture, AvailableLanguagesComeFromTheFilesBesideTheProgram) {
    for (const char* name : {"lorvane-0409.LAND", "lorvane-0407.LAND", "lorvane-zzzz.LAND", "lorvane-0000.LAND",
                             "other-0410.LAND", "lorvane-0410.CLAND"})
        writeFile(path("app/") + name, kBom + "u0409\r\n");
    auto listed = [] {
        std::vector<std::tuple<int, QString, bool>> out;
        for (const TAvailableLanguage& l : AvailableLanguages()) out.emplace_back(l.LanguageID, l.Name, l.Current);
        return out;
    };
    using Row = std::tuple<int, QString, bool>;
    EXPECT_EQ(listed(), (std::vector<Row>{{0x0407, "Deutsch (Deutschland)", false},
                                          {0x0409, "English (United States)", false},
                                          {1036, QStringLiteral("Français (France)"), true}}));
    SetCurrentLanguage(0x0407);
    EXPECT_EQ(std::get<2>(listed()[0]), true);
    EXPECT_EQ(std::get<2>(listed()[2]), false);

    EXPECT_EQ(LanguageNativeName(9), "English (United States)");
    EXPECT_EQ(LanguageNativeName(0x0C0C), QStringLiteral("Français (Canada)"));
    EXPECT_EQ(LanguageNativeName(0x080A), QStringLiteral("Español (México)"));
}

TEST(LanguageDictionary, PersistsThroughTheFiler) {
    TLanguageDictionary d(0x0409, dtApplication, QString());
    d.SetEntry("k", "v");
    EXPECT_EQ(d.SaveToString().toHex(' '), QByteArray("02 00 03 09 04 02 00 06 00 08 01 06 03 6b 3d 76 00"));

    TLanguageDictionary full(0x0C0C, dtConfiguration, "/x/app-0C0C.CLAND");
    full.SetEntry(QStringLiteral("Ventes à l'export"), QStringLiteral("Ventes à l'export"));
    full.SetEntry("Marge", "!Margin");
    full.SetReadOnly(true);
    const QByteArray bytes = full.SaveToString();

    TPersistentClass registered = FindPersistentClass("TLanguageDictionary", true);
    ASSERT_NE(registered, nullptr);
    std::unique_ptr<TVirtualConstructedObject> made(registered->Construct());
    auto* back = dynamic_cast<TLanguageDictionary*>(made.get());
    ASSERT_NE(back, nullptr);
    back->LoadFromString(bytes);
    EXPECT_EQ(back->LanguageID(), 0x0C0C);
    EXPECT_EQ(back->DictionaryType(), dtConfiguration);
    EXPECT_EQ(back->FileName(), "/x/app-0C0C.CLAND");
    EXPECT_TRUE(back->ReadOnly());
    EXPECT_FALSE(back->Modified());  // a copy never rewrites the file on its own
    EXPECT_EQ(back->Lines(), full.Lines());
    EXPECT_EQ(back->SaveToString(), bytes);

    TLanguageDictionary copy;
    copy.Assign(&full);
    EXPECT_EQ(copy.SaveToString(), bytes);

    QByteArray wrongVersion = bytes;
    wrongVersion[1] = 1;
    TLanguageDictionary target;
    try {
        target.LoadFromString(wrongVersion);
        ADD_FAILURE() << "version 1 accepted";
    } catch (const EFilerException& e) {
        EXPECT_EQ(e.message(), "TLanguageDictionary.ReadFromFiler : unknown archive version 1");
    }
    QByteArray wrongType = d.SaveToString();
    wrongType[6] = 7;
    EXPECT_THROW(target.LoadFromString(wrongType), EFilerException);
}

TEST_F(MultiLangFixture, ThreadsSharingADictionaryLearnEveryText) {
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([t] {
            SetCurrentLanguage(0x0409);
            for (int i = 0; i < 200; ++i) Translate(QStringLiteral("Texte %1").arg((i * 7 + t * 50) % 300));
        });
    for (std::thread& w : workers) w.join();
    FinalizeMultiLang();
    TLanguageDictionary written;
    written.LoadDictionaryBytes(readFile(path("app/lorvane-0409.LAND")), QString());
    EXPECT_EQ(written.Count(), 300);
}

// An installed program whose folder the user cannot write: the translations
// shipped beside it are read, the learnt entries go to the temporary folder,
// and the shipped file stays as it was.
TEST_F(MultiLangFixture, ShippedTranslationsAreReadWhenTheProgramFolderIsReadOnly) {
    const QByteArray shipped = kBom + "u0409\r\nFichier=File\r\n";
    writeFile(path("app/lorvane-0409.LAND"), shipped);
    QDir().mkpath(path("app/dummy.land"));   // a folder: the probe file cannot be written there
    start();
    ASSERT_EQ(TranslationFolder(), path("temp") + QLatin1Char('/'));
    SetCurrentLanguage(0x0409);
    EXPECT_EQ(Translate("Fichier"), "File");
    EXPECT_EQ(Translate("Nouveau"), "Nouveau");
    FinalizeMultiLang();
    QFile original(path("app/lorvane-0409.LAND"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), shipped);
    QFile learnt(path("temp/lorvane-0409.LAND"));
    ASSERT_TRUE(learnt.open(QIODevice::ReadOnly));
    const QByteArray bytes = learnt.readAll();
    EXPECT_TRUE(bytes.contains("Fichier=File\r\n"));
    EXPECT_TRUE(bytes.contains("Nouveau=Nouveau\r\n"));
}
