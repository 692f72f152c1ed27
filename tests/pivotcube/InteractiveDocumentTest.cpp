#include "UPivotCubeInteractive.h"
#include "UPivotCubeSample.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Two views, the second with one chart, as the main window would save them.
std::unique_ptr<TPCInteractive> twoViewDocument() {
    auto doc = std::make_unique<TPCInteractive>();
    TPCInteractiveView* a = doc->NewView();
    a->Description.Nom = "A";
    a->XMLData = "<V/>";
    TPCInteractiveView* b = doc->NewView();
    b->XMLData = "x";
    TPCInteractiveViewGraph* g = b->NewGraph();
    g->Description.Nom = "G";
    g->XMLData = "<CubeChart/>";
    doc->DefaultDisplay = "A";
    return doc;
}

QByteArray hexWithText(std::initializer_list<QByteArray> parts) {
    QByteArray out;
    for (const QByteArray& p : parts) out += p.startsWith('"') ? p.mid(1) : QByteArray::fromHex(p);
    return out;
}

QStringList entryNames(const TSFSObject& c) {
    QStringList names;
    for (int i = 0; i < c.RootDirectory()->FileCount(); ++i) names << c.RootDirectory()->Files(i)->Name();
    return names;
}

} // namespace

TEST(InteractiveDocument, StoredFormWithViewsChartsAndFormulas) {
    auto doc = twoViewDocument();
    const QByteArray views = hexWithText({
        "0200" "01", "0612", "\"TPCInteractiveView",
        "0200" "060141" "0600" "02000100" "0604", "\"<V/>",
        "0200",                      // second view: class number 0
        "0200" "08" "020001" "0617", "\"TPCInteractiveViewGraph",
        "0200" "060147" "0600" "060c", "\"<CubeChart/>", "00",
        "060178", "00",
    });
    EXPECT_EQ(doc->SaveToString().toHex(), (QByteArray::fromHex("0200") + views + QByteArray::fromHex("060141")).toHex());

    doc->FormulasXML = "<F/>";
    EXPECT_EQ(doc->SaveToString().toHex(),
              (QByteArray::fromHex("0201") + views + QByteArray::fromHex("060141" "0604") + "<F/>").toHex());

    TPCInteractive copy;
    copy.NewView(); // reading frees what the document held
    copy.LoadFromString(doc->SaveToString());
    ASSERT_EQ(copy.ViewCount(), 2);
    EXPECT_EQ(copy.FormulasXML, "<F/>");
    EXPECT_EQ(copy.DefaultDisplay, "A");
    EXPECT_EQ(copy.Views(0)->Document(), &copy);
    EXPECT_EQ(copy.Views(1)->Graphs(0)->View(), copy.Views(1));
    EXPECT_EQ(copy.Views(1)->Graphs(0)->XMLData, "<CubeChart/>");
    EXPECT_EQ(copy.SaveToString(), doc->SaveToString());

    // A document read from version 0 has no formulas.
    doc->FormulasXML.clear();
    copy.FormulasXML = "stale";
    copy.LoadFromString(doc->SaveToString());
    EXPECT_EQ(copy.FormulasXML, QByteArray());
}

TEST(InteractiveDocument, CloneAndAssignAreDeep) {
    auto doc = twoViewDocument();
    doc->FormulasXML = "<PCFormulas/>";
    std::unique_ptr<TLoadSaveAble> clone = doc->CreateClone();
    auto* c = dynamic_cast<TPCInteractive*>(clone.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->SaveToString(), doc->SaveToString());
    EXPECT_NE(c->Views(0), doc->Views(0));
    EXPECT_EQ(c->Views(1)->Graphs(0)->View()->Document(), c);
    c->Views(0)->Description.Nom = "changed";
    doc->Assign(c);
    EXPECT_EQ(doc->Views(0)->Description.Nom, "changed");
    EXPECT_EQ(doc->Views(0)->Document(), doc.get());
}

TEST(InteractiveDocument, UnknownVersionsAndForeignItemsAreRefused) {
    struct Case {
        QByteArray bytes;
        const char* error;
    };
    const Case cases[] = {
        {QByteArray::fromHex("0202" "02000100" "0600"), "TPCInteractive.ReadFromFiler : unknown archive version 2"},
        {hexWithText({"0200" "020001" "0612", "\"TPCInteractiveView", "0201"}),
         "TPCInteractiveView.ReadFromFiler : unknown archive version 1"},
        {hexWithText({"0200" "020001" "0617", "\"TPCInteractiveViewGraph", "0200" "08" "0600" "00" "0600"}),
         " ObjectList detected a broken item persistence."},
        {hexWithText({"0200" "020001" "08" "0213" "00" "0600"}), " ObjectList detected a broken item persistence."},
    };
    for (const Case& k : cases) {
        TPCInteractive doc;
        try {
            doc.LoadFromString(k.bytes);
            ADD_FAILURE() << "accepted " << k.bytes.toHex().constData();
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), k.error);
        }
    }
}

TEST(InteractiveDocument, ViewsAndChartsMoveAndDetach) {
    TPCInteractive doc;
    TPCInteractiveView* v1 = doc.NewView();
    TPCInteractiveView* v2 = doc.NewView();
    TPCInteractiveView* v3 = doc.NewView();
    v1->MoveUp();
    v3->MoveDown();
    EXPECT_EQ(doc.IndexOfView(v1), 0);
    EXPECT_EQ(doc.IndexOfView(v3), 2);
    v3->MoveUp();
    EXPECT_EQ(doc.IndexOfView(v3), 1);
    EXPECT_EQ(doc.IndexOfView(v2), 2);

    TPCInteractiveViewGraph* g1 = v1->NewGraph();
    TPCInteractiveViewGraph* g2 = v1->NewGraph();
    EXPECT_EQ(g1->SetView(v1), nullptr); // its own view: to the end
    EXPECT_EQ(v1->IndexOfGraph(g1), 1);
    g1->MoveUp();
    EXPECT_EQ(v1->IndexOfGraph(g1), 0);
    EXPECT_EQ(g2->SetView(v2), nullptr);
    EXPECT_EQ(g2->View(), v2);
    EXPECT_EQ(v1->GraphCount(), 1);
    EXPECT_EQ(v1->RemoveGraph(g2), nullptr); // not one of v1's

    std::unique_ptr<TPCInteractiveViewGraph> detached = g2->SetView(nullptr);
    ASSERT_EQ(detached.get(), g2);
    EXPECT_EQ(g2->View(), nullptr);
    EXPECT_EQ(v2->GraphCount(), 0);
    detached->MoveUp(); // detached: nothing happens
    EXPECT_EQ(detached->SetView(v3), nullptr); // detached: nothing happens either
    EXPECT_EQ(g2->View(), nullptr);
    EXPECT_EQ(v3->GraphCount(), 0);
    v3->AddGraph(std::move(detached));
    EXPECT_EQ(g2->View(), v3);

    std::unique_ptr<TPCInteractiveView> removed = doc.RemoveView(v3);
    ASSERT_EQ(removed.get(), v3);
    EXPECT_EQ(v3->Document(), nullptr);
    EXPECT_EQ(doc.ViewCount(), 2);
    EXPECT_EQ(doc.RemoveView(v3), nullptr);
    doc.AddView(std::move(removed));
    EXPECT_EQ(doc.Views(2), v3);
    EXPECT_EQ(v3->Document(), &doc);
}

TEST(InteractiveDocument, DefaultDisplayNamesAViewOrAChart) {
    TPCInteractive doc;
    EXPECT_EQ(doc.DefaultView(), nullptr);
    TPCInteractiveView* first = doc.NewView();
    first->Description.Nom = "Ventes";
    TPCInteractiveView* slashed = doc.NewView();
    slashed->Description.Nom = "2023/2024";
    TPCInteractiveViewGraph* chart = slashed->NewGraph();
    chart->Description.Nom = "Barres";
    struct Case {
        const char* display;
        TPCInteractiveView* view;
        TPCInteractiveViewGraph* graph;
    };
    const Case cases[] = {
        {"", first, nullptr},
        {"2023/2024", slashed, nullptr},
        {"2023/2024/Barres", slashed, chart},
        {"2023/2024/Lignes", first, nullptr},
        {"Inconnue", first, nullptr},
    };
    for (const Case& k : cases) {
        doc.DefaultDisplay = k.display;
        TPCInteractiveViewGraph* g = reinterpret_cast<TPCInteractiveViewGraph*>(1);
        EXPECT_EQ(doc.DefaultView(&g), k.view) << k.display;
        EXPECT_EQ(g, k.graph) << k.display;
    }
}

class DocumentFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("ventes.Dravo");
        cube = GenerateSampleCube(300, 42);
        doc = twoViewDocument();
        doc->FormulasXML = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PCFormulas/>";
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TPivotCubeData> cube;
    std::unique_ptr<TPCInteractive> doc;
};

TEST_F(DocumentFile, RoundTripsByteForByte) {
    for (const QByteArray& password : {QByteArray(), QByteArray("s3cret")}) {
        SaveDocument(path, *doc, *cube, password);
        const QByteArray first = fileBytes(path);
        TPCInteractive doc2;
        TPivotCubeData cube2;
        QString error;
        ASSERT_TRUE(LoadDocument(path, &doc2, &cube2, password, &error)) << error.toStdString();
        EXPECT_EQ(doc2.SaveToString(), doc->SaveToString());
        EXPECT_EQ(cube2.SaveToString(), cube->SaveToString());
        SaveDocument(path, doc2, cube2, password);
        EXPECT_EQ(fileBytes(path), first);
        EXPECT_TRUE(first.startsWith("SFSv1.00"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"ventes.Dravo"});
}

TEST_F(DocumentFile, EntriesWithAndWithoutPassword) {
    SaveDocument(path, *doc, *cube);
    {
        auto c = TSFSObject::CreateForReadingFile(path);
        EXPECT_EQ(entryNames(*c), (QStringList{"PCI", "PCD"}));
        EXPECT_EQ(c->Label(), QByteArray());
        EXPECT_FALSE(IsProtectedDocument(*c));
        for (const char* name : {"PCI", "PCD"}) {
            const int style = c->FindFile(name)->Compression;
            EXPECT_TRUE(style == sfsStored || style == sfsLZRW1) << style;
        }
        EXPECT_EQ(c->FindFile("PCI")->GetData(), doc->SaveToString());
        EXPECT_EQ(c->FindFile("PCD")->GetData(), cube->SaveToString());
    }
    SaveDocument(path, *doc, *cube, "pw");
    auto c = TSFSObject::CreateForReadingFile(path);
    EXPECT_EQ(entryNames(*c), (QStringList{"Manifest", "PCI", "PCD"}));
    EXPECT_TRUE(IsProtectedDocument(*c));
    EXPECT_EQ(c->FindFile("Manifest")->Compression, sfsStored);
    EXPECT_EQ(c->FindFile("Manifest")->GetData(), "Password protected.");
    EXPECT_EQ(c->FindFile("PCI")->Compression, sfsEncrypted);
    EXPECT_EQ(c->FindFile("PCD")->Compression, sfsEncrypted);
}

TEST_F(DocumentFile, PasswordsDecideTheLoad) {
    SaveDocument(path, *doc, *cube, "pw");
    struct Case {
        QByteArray password;
        bool loads;
    };
    for (const Case& k : {Case{"pw", true}, Case{"", false}, Case{"PW", false}}) {
        TPCInteractive d;
        TPivotCubeData cd;
        QString error;
        EXPECT_EQ(LoadDocument(path, &d, &cd, k.password, &error), k.loads) << k.password.constData();
        EXPECT_EQ(error.isEmpty(), k.loads) << error.toStdString();
        EXPECT_EQ(d.ViewCount(), k.loads ? 2 : 0);
    }
    EXPECT_TRUE(LoadDocument(path, nullptr, nullptr, ""));
}

TEST_F(DocumentFile, OpeningFailuresReachTheCaller) {
    EXPECT_THROW(LoadDocument(dir.filePath("absent.Dravo"), doc.get(), nullptr), ESFSFileDoesNotExist);
    cube->SaveToFile(dir.filePath("raw.pvc"));
    try {
        LoadDocument(dir.filePath("raw.pvc"), doc.get(), nullptr);
        FAIL() << "a raw cube file was opened as a document";
    } catch (const ESFSInvalidFormat& e) {
        EXPECT_EQ(e.message(), "Unsupported version");
    }
}

TEST_F(DocumentFile, EntryFailuresKeepWhatWasLoaded) {
    // A container holding a sound "PCI" and a damaged "PCD".
    TBlockBufferedStream stream;
    {
        auto c = TSFSObject::CreateForWriting(stream, sfsoVersion100);
        c->AddFile(nullptr, "PCI")->SetData(doc->SaveToString());
        c->AddFile(nullptr, "PCD")->SetData("not a cube");
        c->Close();
    }
    auto c = TSFSObject::CreateForReadingString(stream.GetDataString());
    TPCInteractive d;
    TPivotCubeData cd;
    QString error;
    EXPECT_FALSE(LoadDocumentFromContainer(*c, &d, &cd, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(d.ViewCount(), 2);

    TBlockBufferedStream empty;
    { TSFSObject::CreateForWriting(empty, sfsoVersion100)->Close(); }
    auto e = TSFSObject::CreateForReadingString(empty.GetDataString());
    EXPECT_FALSE(LoadDocumentFromContainer(*e, &d, nullptr, {}, &error));
    EXPECT_EQ(error, "The document has no \"PCI\" entry");
    EXPECT_TRUE(LoadDocumentFromContainer(*e, nullptr, nullptr, {}, &error));
}

// A save that fails half-way (the file size limit stops the writes) leaves the
// previous document as it was and no temporary file behind.
TEST_F(DocumentFile, FailedSaveLeavesThePreviousFileUntouched) {
    SaveDocument(path, *doc, *cube);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QByteArray before = fileBytes(path);

    auto big = GenerateSampleCube(40000, 7);
    ASSERT_GT(big->SaveToString().size(), 3 * before.size());

    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = rlim_t(before.size() + 1000);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool failed = false;
    try {
        SaveDocument(path, *doc, *big);
    } catch (const Exception&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"ventes.Dravo"});

    // The next save succeeds and keeps the file's permissions.
    SaveDocument(path, *doc, *big);
    EXPECT_NE(fileBytes(path), before);
    const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(path) & ownerGroupOther,
              (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    TPivotCubeData back;
    EXPECT_TRUE(LoadDocument(path, nullptr, &back));
    EXPECT_EQ(back.DataItems().Count(), big->DataItems().Count());
}

TEST_F(DocumentFile, SaveIntoAMissingFolderFailsCleanly) {
    EXPECT_THROW(SaveDocument(dir.filePath("no/such/folder/x.Dravo"), *doc, *cube), Exception);
}
