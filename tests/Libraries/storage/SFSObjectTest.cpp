#include "RC5.h"
#include "StorageTestUtil.h"
#include "UCompressor.h"
#include "USFSObject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Writes a container into memory; fill adds directories and entries.
QByteArray writeContainer(int options, const std::function<void(TSFSObject&)>& fill) {
    TBlockBufferedStream stream;
    {
        auto c = TSFSObject::CreateForWriting(stream, options);
        fill(*c);
        c->Close();
    }
    return stream.GetDataString();
}

QByteArray streamForm(const QByteArray& content) {
    TReadOnlyStream source(content);
    TBlockBufferedStream dest;
    CompressStream(&source, &dest);
    return dest.GetDataString();
}

QByteArray int32Bytes(qint32 v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

// A container whose directory is given as raw filer bytes.
QByteArray containerWithDirectory(const QByteArray& directory, const QByteArray& entries = {}) {
    return "SFSv1.00" + int32Bytes(qint32(12 + entries.size())) + entries + QByteArray(32, ' ') + streamForm(directory);
}

template <class E>
QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

QString readError(const QByteArray& container) {
    return errorOf<Exception>([&] { TSFSObject::CreateForReadingString(container); });
}

} // namespace

// The container of one 5-byte entry written with options 1: the trial
// compression (4 + 2 + 6 + 4 bytes) is not smaller, so the entry is stored.
TEST(SFSObject, GoldenBytesOfAFiveByteEntry) {
    const QByteArray bytes = writeContainer(sfsoVersion100, [](TSFSObject& c) {
        c.AddFile(c.RootDirectory(), "data")->SetData("hello");
    });
    EXPECT_EQ(bytes.toHex(),
              "53465376312e3030" "11000000" "68656c6c6f" + QByteArray(64, '2').replace("22", "20") +
                  "27000000" "2800" "80"
                  "0200" "06015c" "02000100" "020001" "06085453465346696c65"
                  "0200" "060464617461" "020c" "0205" "0205" "0200" "00"
                  "fd040000");

    auto c = TSFSObject::CreateForReadingString(bytes);
    EXPECT_EQ(c->VersionTag(), "SFSv1.00");
    EXPECT_EQ(c->Label(), QByteArray());
    EXPECT_EQ(c->RootDirectory()->Name(), "\\");
    ASSERT_EQ(c->RootDirectory()->FileCount(), 1);
    const TSFSFile* f = c->RootDirectory()->Files(0);
    EXPECT_EQ(f->Name(), "data");
    EXPECT_EQ(f->Offset, 12);
    EXPECT_EQ(f->Size, 5);
    EXPECT_EQ(f->ActualSize, 5);
    EXPECT_EQ(f->Compression, sfsStored);
    EXPECT_EQ(f->GetData(), "hello");
}

TEST(SFSObject, EveryStyleRoundTripsInBothVersions) {
    const QByteArray text = textLikeBytes(70000);
    const QByteArray noise = noiseBytes(40000);
    struct Case {
        const char* name;
        int style;
        QByteArray content;
        int recorded;
    };
    const Case cases[] = {
        {"stored", sfsStored, text, sfsStored},
        {"lzrw1", sfsLZRW1, text, sfsLZRW1},
        {"auto-text", sfsAuto, text, sfsLZRW1},
        {"auto-noise", sfsAuto, noise, sfsStored},
        {"crypted", sfsEncrypted, text, sfsEncrypted},
        {"crypted-small", sfsEncrypted, "x", sfsEncrypted},
        {"ucl", sfsSignedUCL, text, sfsSignedUCL},
        {"ucl-noise", sfsSignedUCL, noise, sfsSignedUCL},
        {"empty", sfsLZRW1, QByteArray(), sfsLZRW1},
        {"empty-auto", sfsAuto, QByteArray(), sfsStored},
        {"empty-ucl", sfsSignedUCL, QByteArray(), sfsSignedUCL},
    };
    for (int options : {sfsoVersion100, 0}) {
        const QByteArray bytes = writeContainer(options, [&](TSFSObject& c) {
            c.SetPassword("pa55");
            for (const Case& k : cases) {
                TSFSFile* f = c.AddFile(c.RootDirectory(), k.name);
                f->Compression = k.style;
                f->SetData(k.content);
            }
        });
        EXPECT_TRUE(bytes.startsWith(options ? "SFSv1.00" : "SFSv1.01"));
        auto c = TSFSObject::CreateForReadingString(bytes);
        c->SetPassword("pa55");
        qint32 expectedOffset = 12;
        for (const Case& k : cases) {
            SCOPED_TRACE(k.name);
            const TSFSFile* f = c->FindFile(k.name);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->Compression, k.recorded);
            EXPECT_EQ(f->Offset, expectedOffset);
            EXPECT_EQ(f->ActualSize, k.content.size());
            EXPECT_EQ(f->GetData(), k.content);
            expectedOffset += f->Size;
        }
        EXPECT_LT(c->FindFile("lzrw1")->Size, text.size() / 2);
        EXPECT_EQ(c->FindFile("crypted")->Size % 8, 0);
        EXPECT_TRUE(c->FindFile("ucl")->Size < c->FindFile("lzrw1")->Size);
    }
}

TEST(SFSObject, PasswordsOfEncryptedEntries) {
    const QByteArray content = textLikeBytes(5000);
    const QByteArray bytes = writeContainer(sfsoVersion100, [&](TSFSObject& c) {
        c.SetPassword("right");
        TSFSFile* f = c.AddFile(nullptr, "secret");
        f->Compression = sfsEncrypted;
        f->SetData(content);
    });
    EXPECT_EQ(bytes.indexOf(content.left(40)), -1);
    auto c = TSFSObject::CreateForReadingString(bytes);
    const TSFSFile* f = c->FindFile("secret");
    c->SetPassword("wrong");
    const QString wrong = errorOf<Exception>([&] { f->GetData(); });
    EXPECT_TRUE(wrong.startsWith("DeCompressStream : data corrupt")) << wrong.toStdString();
    c->SetPassword("");
    EXPECT_THROW(f->GetData(), ERC5Error);
    c->SetPassword("right");
    EXPECT_EQ(f->GetData(), content);

    // Writing a style-3 entry without a password is refused before anything is written.
    TBlockBufferedStream stream;
    auto w = TSFSObject::CreateForWriting(stream, 0);
    TSFSFile* e = w->AddFile(nullptr, "e");
    e->Compression = sfsEncrypted;
    EXPECT_THROW(e->SetData("abc"), ERC5Error);
    EXPECT_EQ(stream.Size(), 12);
}

TEST(SFSObject, PathsAndCaseInsensitiveNames) {
    const QByteArray bytes = writeContainer(0, [](TSFSObject& c) {
        TSFSDirectory* sub = c.AddDirectory(c.RootDirectory(), "Images");
        TSFSDirectory* deep = c.AddDirectory(sub, "Petites");
        c.AddFile(sub, "Logo.png")->SetData("L");
        c.AddFile(deep, "icone")->SetData("I");
        c.AddFile(c.RootDirectory(), "readme")->SetData("R");
    });
    auto c = TSFSObject::CreateForReadingString(bytes);
    const TSFSFile* logo = c->FindFile("\\Images\\Logo.png");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->GetData(), "L");
    struct Case {
        const char* path;
        const TSFSFile* expected;
    };
    const TSFSFile* icone = c->RootDirectory()->Subdirectories(0)->Subdirectories(0)->Files(0);
    const Case cases[] = {
        {"Images\\Logo.png", logo},
        {"IMAGES\\logo.PNG", logo},
        {"\\Images\\.\\Petites\\..\\Logo.png", logo},
        {"Images\\\\Logo.png", logo},
        {"images\\petites\\ICONE", icone},
        {"readme", c->RootDirectory()->Files(0)},
        {"\\readme", c->RootDirectory()->Files(0)},
        {"..\\readme", nullptr},
        {"Logo.png", nullptr},
        {"Sons\\Logo.png", nullptr},
        {"Images\\", nullptr},
    };
    for (const Case& k : cases) EXPECT_EQ(c->FindFile(k.path), k.expected) << k.path;
    EXPECT_TRUE(c->FileExists("images\\logo.png"));
    EXPECT_FALSE(c->FileExists("images"));

    EXPECT_EQ(c->FindDirectory(""), c->RootDirectory());
    EXPECT_EQ(c->FindDirectory(".."), nullptr);
    EXPECT_EQ(c->FindDirectory("\\"), c->RootDirectory());
    TSFSDirectory* petites = c->FindDirectory("Images\\Petites");
    ASSERT_NE(petites, nullptr);
    EXPECT_EQ(petites->Parent()->Name(), "Images");
    c->SetCurrentDirectory(petites);
    EXPECT_EQ(c->FindFile("icone"), icone);
    EXPECT_EQ(c->FindFile("..\\Logo.png"), logo);
    EXPECT_EQ(c->FindFile("\\readme"), c->RootDirectory()->Files(0));
    EXPECT_EQ(c->FindDirectory("..\\.."), c->RootDirectory());
    EXPECT_EQ(c->FindDirectory("..\\..\\.."), nullptr);
}

TEST(SFSObject, NamesInBothVersionTags) {
    const QString names[] = {QStringLiteral("café"), QStringLiteral("naïve €"), QStringLiteral("plain")};
    for (int options : {sfsoVersion100, 0}) {
        const QByteArray bytes = writeContainer(options, [&](TSFSObject& c) {
            for (const QString& n : names) c.AddFile(nullptr, n)->SetData(n.toUtf8());
            c.AddFile(nullptr, QStringLiteral("日本"))->SetData("jp");
        });
        auto c = TSFSObject::CreateForReadingString(bytes);
        for (const QString& n : names) {
            ASSERT_NE(c->FindFile(n), nullptr) << n.toStdString();
            EXPECT_EQ(c->FindFile(n)->GetData(), n.toUtf8());
        }
        // 8-bit names cannot carry characters outside the code page.
        EXPECT_EQ(c->FindFile(QStringLiteral("日本")) != nullptr, options == 0);
    }
}

TEST(SFSObject, LabelIsPaddedCutAndStripped) {
    struct Case {
        QByteArray label;
        QByteArray stored;
        QByteArray read;
    };
    const Case cases[] = {
        {"", QByteArray(32, ' '), ""},
        {"Icons", "Icons" + QByteArray(27, ' '), "Icons"},
        {QByteArray(40, 'L'), QByteArray(32, 'L'), QByteArray(32, 'L')},
        {QByteArray("tab\t\x01", 5), QByteArray("tab\t\x01", 5) + QByteArray(27, ' '), "tab"},
    };
    for (const Case& k : cases) {
        const QByteArray bytes = writeContainer(0, [&](TSFSObject& c) { c.SetLabel(k.label); });
        EXPECT_EQ(bytes.mid(12, 32), k.stored);
        EXPECT_EQ(TSFSObject::CreateForReadingString(bytes)->Label(), k.read);
    }
}

TEST(SFSObject, ModesAndStylesAreChecked) {
    const QByteArray bytes = writeContainer(0, [](TSFSObject& c) { c.AddFile(nullptr, "a")->SetData("abc"); });
    auto r = TSFSObject::CreateForReadingString(bytes);
    TSFSFile* a = r->FindFile("a");
    EXPECT_EQ(errorOf<ESFSException>([&] { a->SetData("x"); }), "TSFSFile.SetData : read only !");

    TBlockBufferedStream stream;
    auto w = TSFSObject::CreateForWriting(stream, 0);
    TSFSFile* f = w->AddFile(nullptr, "f");
    f->SetData("abc");
    EXPECT_EQ(errorOf<ESFSException>([&] { f->GetData(); }), "TSFSFile.GetData : write only !");
    f->Compression = 5;
    EXPECT_EQ(errorOf<ESFSException>([&] { f->SetData("abc"); }), "TSFSFile.SetData : unknown compression style");
    f->Compression = sfsLZRW1;
    w->Close();
    EXPECT_EQ(errorOf<ESFSException>([&] { f->SetData("x"); }), "TSFSFile.SetData : the container is closed");

    const QByteArray unknown = writeContainer(0, [](TSFSObject& c) {
        TSFSFile* e = c.AddFile(nullptr, "e");
        e->SetData("abc");
        e->Compression = 7;
    });
    auto u = TSFSObject::CreateForReadingString(unknown);
    EXPECT_EQ(errorOf<ESFSException>([&] { u->FindFile("e")->GetData(); }), "TSFSFile.GetData : unknown compression style");
}

TEST(SFSObject, EntriesFollowTheOrderOfWritingAndReportProgress) {
    QStringList calls;
    const QByteArray bytes = writeContainer(0, [&](TSFSObject& c) {
        TSFSFile* second = c.AddFile(nullptr, "second");
        TSFSFile* first = c.AddFile(nullptr, "first");
        TSFSFile* empty = c.AddFile(nullptr, "empty");
        first->SetData("11111");
        second->Compression = sfsLZRW1;
        TReadOnlyStream source(QByteArray(70000, 'z'));
        source.SetPosition(500); // the whole source is written whatever its position
        second->SetDataFromStream(source, [&](const QString& name, qint64 total, qint64 written, qint64 consumed) {
            calls << QStringLiteral("%1 %2 %3 %4").arg(name).arg(total).arg(written).arg(consumed);
        });
        empty->SetData(QByteArray());
    });
    ASSERT_GE(calls.size(), 4);
    EXPECT_EQ(calls.first(), "second 70000 0 0");
    EXPECT_TRUE(calls[1].endsWith(" 32768")) << calls[1].toStdString();
    auto c = TSFSObject::CreateForReadingString(bytes);
    EXPECT_EQ(calls.last(), QStringLiteral("second 70000 %1 70000").arg(c->FindFile("second")->Size));
    EXPECT_EQ(c->RootDirectory()->Files(0)->Name(), "second");
    EXPECT_EQ(c->FindFile("first")->Offset, 12);
    EXPECT_EQ(c->FindFile("second")->Offset, 17);
    const TSFSFile* empty = c->FindFile("empty");
    EXPECT_EQ(empty->Offset, 17 + c->FindFile("second")->Size);
    EXPECT_EQ(empty->Size, 0);
    EXPECT_EQ(empty->GetData(), QByteArray());
    EXPECT_EQ(c->FindFile("second")->GetData(), QByteArray(70000, 'z'));
}

TEST(SFSObject, FilesOnDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("box.sfs");
    const QString missing = dir.filePath("missing.sfs");
    EXPECT_EQ(errorOf<ESFSFileDoesNotExist>([&] { TSFSObject::CreateForReadingFile(missing); }), missing);
    {
        auto w = TSFSObject::CreateForWritingFile(path, sfsoVersion100);
        w->AddFile(nullptr, "one")->SetData("first entry");
    } // the destructor finishes the container
    auto r = TSFSObject::CreateForReadingFile(path);
    EXPECT_EQ(r->FindFile("one")->GetData(), "first entry");

    QFile junk(dir.filePath("junk"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("PK\x03\x04 not a container at all");
    junk.close();
    EXPECT_EQ(errorOf<ESFSInvalidFormat>([&] { TSFSObject::CreateForReadingFile(junk.fileName()); }), "Unsupported version");
    EXPECT_THROW(TSFSObject::CreateForReadingResource(":/no/such/resource"), ESFSFileDoesNotExist);
}

TEST(SFSObject, DamagedContainersAreRefused) {
    const QByteArray good = writeContainer(sfsoVersion100, [](TSFSObject& c) {
        c.AddFile(nullptr, "data")->SetData(textLikeBytes(3000));
    });
    QByteArray unclosed = good;
    unclosed.replace(8, 4, int32Bytes(0));
    QByteArray beyond = good;
    beyond.replace(8, 4, int32Bytes(qint32(good.size())));
    QByteArray negative = good;
    negative.replace(8, 4, int32Bytes(-5));

    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case invalid[] = {
        {"empty", QByteArray()},
        {"short tag", "SFSv1"},
        {"other tag", "SFSv2.00" + good.mid(8)},
        {"lower case tag", "sfsv1.00" + good.mid(8)},
    };
    for (const Case& k : invalid)
        EXPECT_EQ(errorOf<ESFSInvalidFormat>([&] { TSFSObject::CreateForReadingString(k.bytes); }), "Unsupported version")
            << k.what;

    const Case corrupt[] = {
        {"unclosed", unclosed},
        {"trailer beyond the end", beyond},
        {"negative trailer", negative},
        {"truncated after the tag", good.left(10)},
        {"truncated directory", good.left(good.size() - 5)},
    };
    for (const Case& k : corrupt) EXPECT_NE(readError(k.bytes), "<no error>") << k.what;
    EXPECT_THROW(TSFSObject::CreateForReadingString(unclosed), ESFSInvalidFormat);
}

TEST(SFSObject, HostileDirectoriesAreRefused) {
    auto directory = [](const QByteArray& subdirs, const QByteArray& files) {
        return hexBytes("0200" "06015c") + subdirs + files;
    };
    const QByteArray emptyList = hexBytes("02000100");
    const QByteArray fileItem = hexBytes("0200" "060161" "020c" "0201" "0201" "0200");
    struct Case {
        const char* what;
        QByteArray directory;
        const char* error;
    };
    const Case cases[] = {
        {"entry in the subdirectory list", directory(hexBytes("020001" "0608") + "TSFSFile" + fileItem + hexBytes("00"), emptyList),
         " ObjectList detected a broken item persistence."},
        {"directory in the entry list",
         directory(emptyList, hexBytes("020001" "060d") + "TSFSDirectory" + hexBytes("0200" "060161") + emptyList + emptyList + hexBytes("00")),
         " ObjectList detected a broken item persistence."},
        {"plain value in a list", directory(hexBytes("020001" "08" "0205" "00"), emptyList),
         " ObjectList detected a broken item persistence."},
        {"unknown class", directory(hexBytes("020001" "0604") + "TFoo" + hexBytes("00"), emptyList), "Class TFoo not found"},
        {"unknown version", hexBytes("0201" "06015c") + emptyList + emptyList,
         "TSFSDirectory.ReadFromFiler : unknown archive version 1"},
        {"truncated", directory(emptyList, hexBytes("020001" "0608") + "TSFSFile" + hexBytes("0200" "0601")), nullptr},
        {"huge name", directory(emptyList, hexBytes("020001" "0608") + "TSFSFile" + hexBytes("0200" "0cffffff7f")), nullptr},
    };
    for (const Case& k : cases) {
        const QString error = readError(containerWithDirectory(k.directory, "a"));
        if (k.error)
            EXPECT_EQ(error, k.error) << k.what;
        else
            EXPECT_NE(error, "<no error>") << k.what;
    }

    // Subdirectories nested far deeper than any real tree end with an error, not a stack overflow.
    QByteArray deep = hexBytes("0200" "06015c");
    const int levels = 20000;
    for (int i = 0; i < levels; ++i) deep += hexBytes("020001" "060d") + "TSFSDirectory" + hexBytes("0200" "060161");
    deep += emptyList + emptyList;
    for (int i = 0; i < levels; ++i) deep += hexBytes("00") + emptyList;
    deep += emptyList;
    const QString error = readError(containerWithDirectory(deep));
    EXPECT_TRUE(error.contains("nested") || error.contains("deeper")) << error.toStdString();
}

TEST(SFSObject, EntriesThatLieAboutTheirBytesAreRefused) {
    const QByteArray text = textLikeBytes(3000);
    struct Case {
        const char* what;
        int style;
        std::function<void(TSFSFile&)> damage;
    };
    const Case cases[] = {
        {"offset beyond the file", sfsStored, [](TSFSFile& f) { f.Offset = 100000; }},
        {"offset inside the header", sfsStored, [](TSFSFile& f) { f.Offset = 4; }},
        {"size beyond the file", sfsLZRW1, [](TSFSFile& f) { f.Size = 0x7fffff00; }},
        {"stored size differs", sfsStored, [](TSFSFile& f) { f.ActualSize -= 1; }},
        {"claims less than it holds", sfsLZRW1, [](TSFSFile& f) { f.ActualSize = 10; }},
        {"claims more than it holds", sfsLZRW1, [](TSFSFile& f) { f.ActualSize = 0x7fffffff; }},
        {"ucl claims less", sfsSignedUCL, [](TSFSFile& f) { f.ActualSize = 10; }},
        {"crypted claims less", sfsEncrypted, [](TSFSFile& f) { f.ActualSize = 10; }},
        {"negative actual size", sfsLZRW1, [](TSFSFile& f) { f.ActualSize = -1; }},
    };
    for (const Case& k : cases) {
        const QByteArray bytes = writeContainer(0, [&](TSFSObject& c) {
            c.SetPassword("p");
            TSFSFile* f = c.AddFile(nullptr, "e");
            f->Compression = k.style;
            f->SetData(text);
            k.damage(*f);
        });
        auto c = TSFSObject::CreateForReadingString(bytes);
        c->SetPassword("p");
        EXPECT_NE(errorOf<Exception>([&] { c->FindFile("e")->GetData(); }), "<no error>") << k.what;
    }
}

namespace {

// An object whose filer bytes hold one data string.
class Blob : public TLoadSaveAble {
public:
    QByteArray Data;
    void WriteToFiler(TVirtualWriter& writer) const override { writer.WriteDataString("Data", Data); }
    void ReadFromFiler(TVirtualReader& reader) override { Data = reader.ReadDataString("Data"); }
};

} // namespace

// Objects are read from compressed entries as they are decompressed: the same
// object as from the whole content, and the same errors for damaged entries.
TEST(SFSObject, ObjectsReadFromEntriesAsGetDataGivesThem) {
    Blob source;
    source.Data = textLikeBytes(200000);
    const QByteArray filerBytes = source.SaveToString();
    struct Case {
        const char* name;
        int style;
        std::function<void(TSFSFile&)> damage;
    };
    const Case cases[] = {
        {"stored", sfsStored, {}},
        {"lzrw1", sfsLZRW1, {}},
        {"crypted", sfsEncrypted, {}},
        {"ucl", sfsSignedUCL, {}},
        {"claims less", sfsLZRW1, [](TSFSFile& f) { f.ActualSize = 10; }},
        {"crypted claims more", sfsEncrypted, [](TSFSFile& f) { f.ActualSize += 1; }},
        {"cut short", sfsLZRW1, [](TSFSFile& f) { f.Size -= 100; }},
    };
    // Empty entries of every style leave the object unchanged.
    for (const int style : {int(sfsStored), int(sfsLZRW1), int(sfsEncrypted), int(sfsSignedUCL)}) {
        SCOPED_TRACE(style);
        const QByteArray bytes = writeContainer(0, [&](TSFSObject& c) {
            c.SetPassword("p");
            TSFSFile* f = c.AddFile(nullptr, "empty");
            f->Compression = style;
            f->SetData(QByteArray());
        });
        auto c = TSFSObject::CreateForReadingString(bytes);
        c->SetPassword("p");
        Blob kept;
        kept.Data = "before";
        EXPECT_NO_THROW(c->FindFile("empty")->ReadObject(kept));
        EXPECT_EQ(kept.Data, QByteArrayLiteral("before"));
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const QByteArray bytes = writeContainer(0, [&](TSFSObject& c) {
            c.SetPassword("p");
            TSFSFile* f = c.AddFile(nullptr, "e");
            f->Compression = k.style;
            f->SetData(filerBytes);
            if (k.damage) k.damage(*f);
        });
        auto c = TSFSObject::CreateForReadingString(bytes);
        c->SetPassword("p");
        const TSFSFile* entry = c->FindFile("e");
        Blob whole, streamed;
        const QString wholeError = errorOf<Exception>([&] { whole.LoadFromString(entry->GetData()); });
        const QString streamedError = errorOf<Exception>([&] { entry->ReadObject(streamed); });
        EXPECT_EQ(streamedError, wholeError);
        EXPECT_EQ(streamed.Data, whole.Data);
        if (!k.damage) {
            EXPECT_EQ(streamed.Data, source.Data);
        }
    }
}
