// Persistable objects: registry, polymorphic sequences, deep copy, string and
// file forms, clipboard, string lists.
#include "TestBytes.h"
#include "XClasses.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TTestA : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TTestA, TClipBoardAble)
public:
    int32_t Number = 0;
    QString Text;
    void WriteToFiler(TVirtualWriter& w) const override {
        w.WriteInteger("Number", Number);
        w.WriteString("Text", Text);
    }
    void ReadFromFiler(TVirtualReader& r) override {
        Number = r.ReadInteger("Number");
        Text = r.ReadString("Text");
    }
};

class TTestB : public TTestA {
    LORVANE_PERSISTENT_CLASS(TTestB, TTestA)
public:
    void WriteToFiler(TVirtualWriter& w) const override {
        w.WriteVersion(1);
        TTestA::WriteToFiler(w);
    }
    void ReadFromFiler(TVirtualReader& r) override {
        int v = r.ReadVersion();
        if (v != 1) RaiseFilerException(v);
        TTestA::ReadFromFiler(r);
    }
};

// A class whose files start with an identification header.
class TTestFile : public TTestA {
    LORVANE_PERSISTENT_CLASS(TTestFile, TTestA)
public:
    QByteArray FileFormatIDHeader() const override { return QByteArrayLiteral("HDR-1"); }
};

} // namespace

LORVANE_IMPLEMENT_CLASS(TTestA, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TTestB, TTestA)
LORVANE_IMPLEMENT_CLASS(TTestFile, TTestA)
LORVANE_REGISTER_CLASS(TTestA)
LORVANE_REGISTER_CLASS(TTestB)

namespace {

std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

class VectorList : public IReadOnlyObjectList {
public:
    std::vector<std::unique_ptr<TObject>> items;
    int Count() const override { return int(items.size()); }
    TObject* Item(int i) const override { return items[size_t(i)].get(); }
    void read(const QByteArray& bytes) {
        TReadOnlyStream stream(bytes);
        TBinaryReader reader(stream);
        ReadObjectList(reader, {}, [this](std::unique_ptr<TObject> o) { items.push_back(std::move(o)); });
    }
};

std::unique_ptr<TTestA> makeA(int n, const char* text) {
    auto a = std::make_unique<TTestA>();
    a->Number = n;
    a->Text = QString::fromUtf8(text);
    return a;
}

TEST(ClassRegistry, FindsRegisteredClassesOnly) {
    EXPECT_EQ(FindPersistentClass(QStringLiteral("TTestA"), true), TTestA::StaticClass());
    EXPECT_EQ(FindPersistentClass(QStringLiteral("TUnknown"), false), nullptr);
    EXPECT_EQ(errorOf([] { FindPersistentClass(QStringLiteral("TUnknown"), true); }), "Class TUnknown not found");
    EXPECT_TRUE(TTestB::StaticClass()->InheritsFrom(TClipBoardAble::StaticClass()));
    EXPECT_FALSE(TTestA::StaticClass()->InheritsFrom(TTestB::StaticClass()));
    EXPECT_EQ(TTestB().ClassNameUTF8(), QByteArrayLiteral("TTestB"));
}

TEST(ObjectSequence, ClassNamesThenClassNumbers) {
    VectorList list;
    list.items.push_back(makeA(1, "x"));
    auto b = std::make_unique<TTestB>();
    b->Number = 2;
    list.items.push_back(std::move(b));
    list.items.push_back(makeA(3, ""));
    list.items.push_back(nullptr);
    list.items.push_back(std::make_unique<TRawValue>(300));
    TBlockStringStream stream;
    {
        TBinaryWriter writer(stream);
        WriteObjectList(writer, list);
    }
    QByteArray bytes = stream.GetDataString();
    EXPECT_EQ(toHex(bytes), toHex(hexBytes("02 00 01"
                                           " 06 06 54 54 65 73 74 41  02 01 06 01 78"
                                           " 06 06 54 54 65 73 74 42  02 01 02 02 06 00"
                                           " 02 00  02 03 06 00"
                                           " 08 02 00"
                                           " 08 03 2c 01"
                                           " 00")));
    VectorList back;
    back.read(bytes);
    ASSERT_EQ(back.items.size(), 5u);
    EXPECT_EQ(dynamic_cast<TTestA*>(back.items[0].get())->Text, QStringLiteral("x"));
    EXPECT_EQ(dynamic_cast<TVirtualConstructedObject*>(back.items[1].get())->ClassName(), QStringLiteral("TTestB"));
    EXPECT_EQ(dynamic_cast<TTestA*>(back.items[2].get())->Number, 3);
    EXPECT_EQ(dynamic_cast<TRawValue*>(back.items[3].get())->Value, 0);
    EXPECT_EQ(dynamic_cast<TRawValue*>(back.items[4].get())->Value, 300);
}

TEST(ObjectSequence, BrokenSequencesAreRefused) {
    const std::string broken = " ObjectList detected a broken item persistence.";
    struct Case { const char* bytes; std::string message; } cases[] = {
        {"02 00 01 02 00 00", broken},                                    // class number 0 before any name
        {"02 00 01 06 06 54 54 65 73 74 41 02 01 06 00 02 01 00", broken}, // number equal to the classes met
        {"02 00 01 02 ff 00", broken},                                    // negative class number
        {"02 00 01 05 00 00 00 00 00 00 00 00 00 00 00", broken},          // a float where an item starts
        {"02 00 01 06 04 54 4e 6f 70 00", "Class TNop not found"},
        {"02 01 01 00", "ObjectList.ReadFromFiler : unknown archive version 1"},
        {"02 00 01 06 06 54 54 65 73 74 42 02 07 02 01 06 00 00", "TTestB.ReadFromFiler : unknown archive version 7"},
        {"02 00 01 06 06 54 54 65 73 74 41 02", "TBinaryReader, read error: unexpected end of data"},
    };
    for (const auto& c : cases) {
        VectorList list;
        EXPECT_EQ(errorOf([&] { list.read(hexBytes(c.bytes)); }), c.message) << c.bytes;
    }
}

TEST(ObjectSequence, HookSeesEachItemBeforeItReads) {
    VectorList source;
    source.items.push_back(makeA(5, "a"));
    source.items.push_back(makeA(6, "b"));
    TBlockStringStream stream;
    TBinaryWriter writer(stream);
    WriteObjectList(writer, source);
    stream.SetPosition(0);
    TBinaryReader reader(stream);
    std::vector<int> seen;
    std::vector<std::unique_ptr<TObject>> items;
    ReadObjectList(
        reader, [&](TVirtualConstructedObject* o) { seen.push_back(static_cast<TTestA*>(o)->Number); },
        [&](std::unique_ptr<TObject> o) { items.push_back(std::move(o)); });
    EXPECT_EQ(seen, (std::vector<int>{0, 0}));
    EXPECT_EQ(items.size(), 2u);
}

TEST(DeepCopy, AssignRules) {
    auto a = makeA(42, "Montant");
    TTestA copy;
    copy.Assign(a.get());
    EXPECT_EQ(copy.SaveToString(), a->SaveToString());
    copy.Assign(&copy);
    EXPECT_EQ(copy.Number, 42);
    TTestB b;
    EXPECT_EQ(errorOf([&] { copy.Assign(nullptr); }), "TTestA.Assign: got a nil!");
    EXPECT_EQ(errorOf([&] { copy.Assign(&b); }), "TTestA.Assign: got wrong class type : TTestB!");
    std::unique_ptr<TLoadSaveAble> clone = a->CreateClone();
    EXPECT_EQ(clone->ClassName(), QStringLiteral("TTestA"));
    EXPECT_EQ(clone->SaveToString(), a->SaveToString());
    try {
        copy.Assign(nullptr);
    } catch (const Exception& e) {
        EXPECT_EQ(e.className(), QStringLiteral("EConvertError"));
    }
}

TEST(StringAndStreamForms, RoundTrip) {
    auto a = makeA(-7, "Qt\xc3\xa9");
    QByteArray bytes = a->SaveToString();
    EXPECT_EQ(toHex(bytes), "02 f9 14 04 00 00 00 51 74 c3 a9");
    TTestA back;
    back.LoadFromString(bytes);
    EXPECT_EQ(back.Text, a->Text);
    back.Number = 99;
    back.LoadFromString(QByteArray());   // empty source: unchanged
    EXPECT_EQ(back.Number, 99);
    auto stream = a->SaveToNewMemoryStream();
    EXPECT_EQ(stream->Position(), stream->Size());
    TTestA fromStream;
    fromStream.LoadFromMemoryStreamStart(*stream);
    EXPECT_EQ(fromStream.Number, -7);
    EXPECT_EQ(TLoadSaveAble::CreateFromString<TTestA>(bytes)->Text, a->Text);
}

class SaveToFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) return "<missing>";
        return f.readAll();
    }
    static void put(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(SaveToFileTest, BackupAndTemporaryNames) {
    struct Case { const char* name; const char* backup; } cases[] = {
        {"cube.pvc", "cube.bak"}, {"ab", "ab.bak"}, {"notes.text", "notes.text.bak"}, {".pvc", ".bak"},
        {"d.e/f", "d.e/f.bak"},   // a dot in the folder never moves the backup elsewhere
    };
    for (const auto& c : cases)
        EXPECT_EQ(BackupFileName(path(QString::fromLatin1(c.name))), path(QString::fromLatin1(c.backup))) << c.name;
    EXPECT_EQ(TemporarySaveName(path("x.pvc")), path("x.pvc.$0"));
    put(path("x.pvc.$0"), "left over");
    EXPECT_EQ(TemporarySaveName(path("x.pvc")), path("x.pvc.$1"));
}

TEST_F(SaveToFileTest, ReplacesThroughTemporaryFileAndKeepsBackup) {
    put(path("x.pvc"), "previous content");
    put(path("x.bak"), "older backup");
    put(path("x.pvc.$0"), "left over");
    makeA(1, "new")->SaveToFile(path("x.pvc"));
    EXPECT_EQ(contents(path("x.pvc")), makeA(1, "new")->SaveToString());
    EXPECT_EQ(contents(path("x.bak")), QByteArray("previous content"));
    EXPECT_EQ(contents(path("x.pvc.$0")), QByteArray("left over"));
    EXPECT_FALSE(QFile::exists(path("x.pvc.$1")));
    TTestA back;
    back.LoadFromFile(path("x.pvc"));
    EXPECT_EQ(back.Text, QStringLiteral("new"));
    // A folder with a dot in its name keeps the backup beside the file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("d.e"));
    put(path("d.e/f"), "first");
    put(path("d.bak"), "unrelated file");
    makeA(2, "second")->SaveToFile(path("d.e/f"));
    EXPECT_EQ(contents(path("d.e/f.bak")), QByteArray("first"));
    EXPECT_EQ(contents(path("d.bak")), QByteArray("unrelated file"));
}

TEST_F(SaveToFileTest, HeaderThenFilerForm) {
    TTestFile object;
    object.Number = 1;
    object.Text = QStringLiteral("ab");
    object.SaveToFile(path("t.dat"));
    EXPECT_EQ(toHex(contents(path("t.dat"))), toHex(QByteArray("HDR-1") + hexBytes("02 01 06 02 61 62")));
    TTestFile back;
    back.LoadFromFile(path("t.dat"));
    EXPECT_EQ(back.Text, QStringLiteral("ab"));
}

TEST_F(SaveToFileTest, LoadFailures) {
    TTestFile object;
    object.Number = 8;
    object.LoadFromFile(path("missing.dat"));   // nothing happens
    EXPECT_EQ(object.Number, 8);
    put(path("bad.dat"), "HDR-2 whatever");
    EXPECT_EQ(errorOf([&] { object.LoadFromFile(path("bad.dat")); }), "Invalid File IDHeader");
    put(path("short.dat"), "HDR");
    EXPECT_EQ(errorOf([&] { object.LoadFromFile(path("short.dat")); }), "Invalid File IDHeader");
}

TEST_F(SaveToFileTest, FailedSaveLeavesTargetAndBackupIntact) {
    put(path("keep.pvc"), "precious");
    put(path("keep.bak"), "older");
    struct TFailing : TTestA {
        void WriteToFiler(TVirtualWriter& w) const override {
            w.WriteString("Text", QStringLiteral("half written"));
            throw Exception(QStringLiteral("disk full"));
        }
    } failing;
    EXPECT_EQ(errorOf([&] { failing.SaveToFile(path("keep.pvc")); }), "disk full");
    EXPECT_EQ(contents(path("keep.pvc")), QByteArray("precious"));
    EXPECT_EQ(contents(path("keep.bak")), QByteArray("older"));
    // The unfinished temporary file stays closed on disk; the next save picks another name.
    EXPECT_TRUE(QFile::exists(path("keep.pvc.$0")));
    EXPECT_EQ(TemporarySaveName(path("keep.pvc")), path("keep.pvc.$1"));
    // A folder that does not exist: the error names the file, nothing is created.
    EXPECT_THROW(makeA(1, "x")->SaveToFile(path("no/such/folder/x.pvc")), EStreamError);
}

TEST(ClipBoard, CopyPasteAndHeldClass) {
    TMemoryClipBoard board;
    SetClipBoard(&board);
    auto a = makeA(11, "clip");
    a->CopyToClipBoard();
    EXPECT_EQ(board.Formats(), QStringList{QStringLiteral("CF_TTestA")});
    EXPECT_EQ(board.Text(), QStringLiteral("CF_TTestA"));
    EXPECT_EQ(board.Data(QStringLiteral("CF_TTestA")), a->SaveToString());
    TTestA pasted;
    EXPECT_TRUE(pasted.PasteFromClipBoard());
    EXPECT_EQ(pasted.Number, 11);
    EXPECT_TRUE(pasted.HeldByClipBoard());
    TTestB b;
    EXPECT_FALSE(b.PasteFromClipBoard());
    EXPECT_FALSE(b.HeldByClipBoard());
    EXPECT_EQ(b.ClipBoardHeldClass(), TTestA::StaticClass());
    auto created = TClipBoardAble::CreateFromClipBoard(TTestB::StaticClass());
    ASSERT_TRUE(created);
    EXPECT_EQ(static_cast<TTestA*>(created.get())->Text, QStringLiteral("clip"));
    // A descendant held on the clipboard is held for its ancestors too.
    TTestB held;
    held.Number = 4;
    held.CopyToClipBoard();
    EXPECT_TRUE(TTestA().HeldByClipBoard());
    // Formats that name no persistable class, or only the prefix, hold nothing.
    board.SetContents(QStringLiteral("CF_"), "x", QString());
    board.AddFormat(QStringLiteral("CF_NoSuchClass"), "x");
    EXPECT_EQ(b.ClipBoardHeldClass(), nullptr);
    EXPECT_EQ(TClipBoardAble::CreateFromClipBoard(TTestA::StaticClass()), nullptr);
    TClipBoardAble::CutToClipBoard(makeA(3, "cut"));
    EXPECT_EQ(b.ClipBoardHeldClass(), TTestA::StaticClass());
    SetClipBoard(nullptr);
}

TEST(StringLists, BothStoredForms) {
    TStringList strings;
    strings.Add(QStringLiteral("un"), 0);
    strings.Add(QStringLiteral("deux"), 5000000000LL);
    strings.Add(QString::fromUtf8("\xc3\xa9t\xc3\xa9"), 7);
    TBlockStringStream stream;
    {
        TBinaryWriter writer(stream);
        WriteStringsToFiler(writer, "Items", strings, true);
    }
    QByteArray bytes = stream.GetDataString();
    EXPECT_EQ(toHex(bytes), toHex(hexBytes("01 06 02 75 6e 06 04 64 65 75 78 13 00 f2 05 2a 01 00 00 00"
                                           " 14 05 00 00 00 c3 a9 74 c3 a9 02 07 00")));
    TStringList back;
    back.Add(QStringLiteral("stale"));
    {
        TReadOnlyStream in(bytes);
        TBinaryReader reader(in);
        ReadStringsFromFiler(reader, "Items", back);
    }
    EXPECT_EQ(back, strings);
    // The older form: StoreObjects, Count, then strings with their objects.
    TStringList older;
    TReadOnlyStream in(hexBytes("09 02 02 06 01 61 02 03 06 01 62 02 00"));
    TBinaryReader reader(in);
    ReadStringsFromFiler(reader, "Items", older);
    ASSERT_EQ(older.Count(), 2);
    EXPECT_EQ(older.Objects(0), 3);
    EXPECT_EQ(older.Strings(1), QStringLiteral("b"));
    TReadOnlyStream hostile(hexBytes("08 04 ff ff ff 7f"));
    TBinaryReader hostileReader(hostile);
    EXPECT_THROW(ReadStringsFromFiler(hostileReader, "Items", older), EReadError);
}

} // namespace
