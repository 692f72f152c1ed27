// The cube data set: stored form, member order and search, group operator
// registry, raw cube files and hostile input.
#include "TestBytes.h"
#include "UCompressor.h"
#include "UPivotCube.h"
#include "UPivotCubeSample.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions, uint8_t style = pcsCaption) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    axis->SortStyle = style;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

TPivotCubeValue* addValue(TPivotCubeData& cube, const QString& name, const QString& op) {
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = name;
    value->SetGroupOperatorName(op);
    return cube.Values().Add(std::move(value));
}

// One axis "A" (x, y), one value "V" (Somme), two items.
std::unique_ptr<TPivotCubeData> tinyCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    cube->Description().Nom = QStringLiteral("Cube");
    addAxis(*cube, QStringLiteral("A"), {QStringLiteral("x"), QStringLiteral("y")});
    addValue(*cube, QStringLiteral("V"), QStringLiteral("Somme"));
    const int32_t id1 = 1, id2 = 2;
    const double v1 = 1.5, v2 = 2.0;
    cube->DataItems().Add(&id1, &v1);
    cube->DataItems().Add(&id2, &v2);
    return cube;
}

const QByteArray kTinyCubeBytes =
    hexBytes("02 00  06 04") + "Cube" + hexBytes("06 00") +
    hexBytes("02 00  02 00 01  06 0e") + "TPivotCubeAxis" +
    hexBytes("02 00  02 ff  08  06 00  06 01 41 06 00  02 00  02 02  02 01 02 00 06 01 78  02 02 02 00 06 01 79  00") +
    hexBytes("02 00  02 00 01  06 0f") + "TPivotCubeValue" +
    hexBytes("02 00  06 01 56 06 00  06 00  06 05") + "Somme" + hexBytes("00") +
    hexBytes("02 00  02 00 01  06 0b") + "TPCDataItem" +
    hexBytes("02 00  01 00 00 00  00 00 00 00 00 00 f8 3f") +
    hexBytes("02 00  02 00  02 00 00 00  00 00 00 00 00 00 00 40  00");

QByteArray patched(QByteArray bytes, const QByteArray& from, const QByteArray& to) {
    EXPECT_TRUE(bytes.contains(from));
    return bytes.replace(bytes.indexOf(from), from.size(), to);
}

TEST(CubeData, StoredFormIsExact) {
    auto cube = tinyCube();
    EXPECT_EQ(toHex(cube->SaveToString()), toHex(kTinyCubeBytes));
    TPivotCubeData back;
    back.LoadFromString(kTinyCubeBytes);
    EXPECT_EQ(back.Description().Nom, QStringLiteral("Cube"));
    ASSERT_EQ(back.Axises().Count(), 1);
    EXPECT_EQ(back.Axises()[0]->Members[1], (TPivotCubeAxisData{2, 0, QStringLiteral("y")}));
    EXPECT_EQ(back.Values()[0]->GroupOperator, TPCGOSum::StaticClass());
    ASSERT_EQ(back.DataItems().Count(), 2);
    EXPECT_EQ(back.DataItems()[1].AxisIDs[0], 2);
    EXPECT_EQ(back.DataItems()[1].Values[0], 2.0);
    EXPECT_EQ(back.SaveToString(), kTinyCubeBytes);
}

TEST(CubeData, EmptyDescriptionsAndUnknownOperators) {
    TPivotCubeData cube;
    addAxis(cube, QString(), {});
    addValue(cube, QString(), QStringLiteral("somme"));   // names are case-sensitive
    EXPECT_EQ(cube.Values()[0]->GroupOperator, nullptr);
    QByteArray bytes = cube.SaveToString();
    // NotEmpty forms for the cube, the axis and the value; the operator written back empty.
    EXPECT_EQ(toHex(bytes), toHex(hexBytes("02 00 08  02 00 02 00 01 06 0e") + "TPivotCubeAxis" +
                                  hexBytes("02 00 02 ff 08 06 00 08 02 00 02 00 00  02 00 02 00 01 06 0f") + "TPivotCubeValue" +
                                  hexBytes("02 00 08 06 00 06 00 00  02 00 02 00 01 00")));
    TPivotCubeData back;
    back.Description().Nom = QStringLiteral("stale");
    back.LoadFromString(bytes);
    EXPECT_TRUE(back.Description().Nom.isEmpty());
    EXPECT_EQ(back.Values()[0]->GroupOperatorName(), QString());
}

TEST(CubeData, ParentAxesAndIndexes) {
    TPivotCubeData cube;
    TPivotCubeAxis* region = addAxis(cube, QStringLiteral("Région"), {QStringLiteral("Nord")});
    TPivotCubeAxis* town = addAxis(cube, QStringLiteral("Ville"), {QStringLiteral("Lille")});
    town->ParentAxis = region;
    town->ParentLinked = true;
    town->Category = QStringLiteral("Géo");
    TPivotCubeData back;
    back.Assign(&cube);
    EXPECT_EQ(back.Axises()[1]->ParentAxis, back.Axises()[0]);
    EXPECT_TRUE(back.Axises()[1]->ParentLinked);
    EXPECT_EQ(back.Axises()[1]->Index, 1);
    EXPECT_EQ(back.Axises().IndexOfName(QStringLiteral("Ville")), 1);
    EXPECT_EQ(back.Axises().IndexOfName(QStringLiteral("ville")), -1);
    EXPECT_EQ(back.Axises().FindByName(QStringLiteral("Région")), back.Axises()[0]);
    EXPECT_EQ(back.SaveToString(), cube.SaveToString());
    TStringList names;
    addValue(cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    addValue(cube, QStringLiteral("Prix"), QStringLiteral("Moyenne"));
    cube.Values().AddNamesTo(names);
    EXPECT_EQ(names.StringList(), (QStringList{"Montant", "Prix"}));
    EXPECT_EQ(names.Objects(1), 1);
    EXPECT_EQ(cube.Values().IndexOfName(QStringLiteral("Prix")), 1);
}

TEST(Members, OrderBySortStyle) {
    struct Case { uint8_t style; QStringList captions; } cases[] = {
        {pcsCaption, {"apple", "Banana", "banana", "cherry", "\xc3\xa9t\xc3\xa9"}},
        {pcsCaptionCaseSensitive, {"B", "Z", "a", "b"}},
        {pcsInteger, {"-2000000000", "x", "0", "7", "12", "2000000000"}},
        {pcsNumber, {"-1e3", "-2,5", "abc", "0.5", "1,25", "3 ", "1E2"}},
    };
    for (const auto& c : cases) {
        TPivotCubeAxis axis;
        axis.SortStyle = c.style;
        for (qsizetype i = 0; i + 1 < c.captions.size(); ++i) {
            int cmp = axis.CompareMembers({0, 0, c.captions[i]}, {0, 0, c.captions[i + 1]});
            EXPECT_LE(cmp, 0) << int(c.style) << ": " << c.captions[i].toStdString() << " vs " << c.captions[i + 1].toStdString();
        }
    }
    TPivotCubeAxis axis;
    EXPECT_EQ(axis.CompareMembers({0, 0, "ABC"}, {0, 0, "abc"}), 0);
    axis.SortStyle = pcsInteger;
    EXPECT_LT(axis.CompareMembers({0, 0, "-2000000000"}, {0, 0, "2000000000"}), 0);   // no 32-bit overflow
    axis.SortStyle = pcsNumber;
    EXPECT_EQ(axis.CompareMembers({0, 0, "abc"}, {0, 0, "0"}), 0);   // not a number: 0
    EXPECT_EQ(axis.CompareMembers({0, 0, " 1"}, {0, 0, "0"}), 0);    // leading blanks are not a number
    axis.SortStyle = pcsID;
    EXPECT_LT(axis.CompareMembers({3, 0, "z"}, {4, 0, "a"}), 0);
    axis.SortStyle = 5;
    EXPECT_EQ(errorOf([&] { axis.CompareMembers({}, {}); }), "Assertion failure (pivotcube\\UPivotCube, line 1398)");
    int position = 0;
    EXPECT_THROW(axis.FindMember(QStringLiteral("x"), position), EAssertionFailed);
}

TEST(Members, FindAndAdd) {
    TPivotCubeData cube;
    TPivotCubeAxis* axis = addAxis(cube, QStringLiteral("A"), {"b", "d", "f", "h", "j"});
    int position = -1;
    EXPECT_TRUE(axis->FindMember(QStringLiteral("F"), position));   // case-insensitive
    EXPECT_EQ(position, 2);
    EXPECT_FALSE(axis->FindMember(QStringLiteral("e"), position));
    EXPECT_EQ(position, 2);
    EXPECT_EQ(axis->IDOfCaption(QStringLiteral("h")), 4);
    EXPECT_EQ(axis->IDOfCaption(QStringLiteral("zz")), -1);
    EXPECT_EQ(axis->FindOrAddMember(QStringLiteral("e")), 6);
    EXPECT_EQ(axis->Members[2], (TPivotCubeAxisData{6, -1, "e"}));
    EXPECT_EQ(axis->FindOrAddMember(QStringLiteral("E")), 6);
    EXPECT_EQ(axis->FindOrAddMember(QStringLiteral("a")), 7);
    EXPECT_EQ(axis->Members[0].Caption, QStringLiteral("a"));
    EXPECT_EQ(axis->CaptionOf(6), QStringLiteral("e"));
    EXPECT_EQ(axis->CaptionOf(60), QString());
    EXPECT_EQ(axis->IndexOfID(7), 0);

    // Style 4: a number names an ID, other text is looked up among the captions.
    TPivotCubeAxis* byID = addAxis(cube, QStringLiteral("B"), {}, pcsID);
    for (int32_t id = 1; id <= 12; ++id) byID->Members.push_back({id, 0, QStringLiteral("m%1").arg(id)});
    EXPECT_TRUE(byID->FindMember(QStringLiteral("12"), position));
    EXPECT_EQ(position, 11);
    EXPECT_TRUE(byID->FindMember(QStringLiteral("m5"), position));
    EXPECT_EQ(position, 4);
    EXPECT_FALSE(byID->FindMember(QStringLiteral("nope"), position));
    EXPECT_EQ(position, 0);
    EXPECT_FALSE(byID->FindMember(QString(), position));   // searches ID -1
    EXPECT_EQ(position, 0);
    EXPECT_EQ(byID->FindOrAddMember(QStringLiteral("15")), 13);   // the new ID follows the largest
    EXPECT_EQ(byID->Members.back(), (TPivotCubeAxisData{13, -1, "15"}));
}

TEST(Members, NewIDsNeverRepeatOneAfterGaps) {
    TPivotCubeData cube;
    TPivotCubeAxis* axis = addAxis(cube, QStringLiteral("A"), {});
    axis->Members = {{1, 0, "a"}, {5, 0, "c"}, {2, 0, "e"}};   // IDs 3 and 4 were removed
    const int32_t id = axis->FindOrAddMember(QStringLiteral("b"));
    EXPECT_EQ(id, 6);
    EXPECT_EQ(axis->CaptionOf(5), QStringLiteral("c"));
    EXPECT_EQ(axis->CaptionOf(6), QStringLiteral("b"));
}

TEST(Members, EqualCaptionsFindTheLeftmost) {
    // Under the case-insensitive caption order "Paris" and "PARIS" compare
    // equal; the search names the first of them.
    TPivotCubeData cube;
    TPivotCubeAxis* axis = addAxis(cube, QStringLiteral("Ville"), {"Lyon", "Paris", "PARIS", "paris", "Rome"});
    int position = -1;
    for (const char* text : {"PARIS", "paris", "Paris"}) {
        EXPECT_TRUE(axis->FindMember(QString::fromUtf8(text), position)) << text;
        EXPECT_EQ(position, 1) << text;
    }
    EXPECT_EQ(axis->FindOrAddMember(QStringLiteral("pARIS")), 2);
}

TEST(GroupOperators, RegistryAndResults) {
    TStringList names;
    ListGroupOperators(names);
    EXPECT_EQ(names.StringList(), (QStringList{"Somme", "Moyenne", "Nombre", "Maximum", "Minimum", "Etendue"}));
    EXPECT_EQ(GroupOperatorByName(QStringLiteral("Somme")), TPCGOSum::StaticClass());
    EXPECT_EQ(GroupOperatorByName(QStringLiteral("somme")), nullptr);
    EXPECT_EQ(NameOfGroupOperator(TPCGORange::StaticClass()), QStringLiteral("Etendue"));
    EXPECT_EQ(NameOfGroupOperator(TPCGONull::StaticClass()), QString());
    EXPECT_EQ(NameOfGroupOperator(nullptr), QString());

    const double nan = std::nan("");
    struct Case { const char* op; std::vector<double> xs; double result; } cases[] = {
        {"Somme", {}, 0}, {"Somme", {1, 2.5}, 3.5},
        {"Moyenne", {}, 0}, {"Moyenne", {1, 2}, 1.5},
        {"Nombre", {0, nan, 3}, 3},
        {"Maximum", {-5, -7}, -5}, {"Maximum", {}, 0}, {"Maximum", {-1e300}, 0}, {"Maximum", {nan, 2}, 2},
        {"Minimum", {4, 2, 9}, 2}, {"Minimum", {}, 0}, {"Minimum", {3, nan, 5}, 5},
        {"Etendue", {4}, 0}, {"Etendue", {2, 9, 5}, 7}, {"Etendue", {}, 0},
    };
    for (const auto& c : cases) {
        auto op = CreateGroupOperator(GroupOperatorByName(QString::fromLatin1(c.op)));
        op->Accumulate(123);
        op->Reset();
        for (double x : c.xs) op->Accumulate(x);
        EXPECT_EQ(op->GetResult(), c.result) << c.op;
    }
    EXPECT_EQ(CreateGroupOperator(nullptr)->ClassName(), QStringLiteral("TPCGONull"));
}

TEST(CubeData, HostileStoredFormsFailWithClearErrors) {
    const QByteArray& b = kTinyCubeBytes;
    struct Case { QByteArray bytes; std::string message; } cases[] = {
        {patched(b, hexBytes("02 ff 08"), hexBytes("02 07 08")),
         "TPivotCubeAxises.ReadFromFiler : axis \"A\" names parent axis 7, but there are 1 axes"},
        {patched(b, hexBytes("02 ff 08"), hexBytes("02 fe 08")),
         "TPivotCubeAxises.ReadFromFiler : axis \"A\" names parent axis -2, but there are 1 axes"},
        {patched(b, hexBytes("02 00 01 00 00 00"), hexBytes("02 00 03 00 00 00")),
         "TPCDataItems.ReadFromFiler : data item 0 has member ID 3 on axis \"A\", outside 0..2"},
        {patched(b, hexBytes("02 00 02 00 00 00 00 00"), hexBytes("02 00 ff ff ff ff 00 00")),
         "TPCDataItems.ReadFromFiler : data item 1 has member ID -1 on axis \"A\", outside 0..2"},
        {patched(b, "TPivotCubeAxis" + hexBytes("02 00"), "TPivotCubeAxis" + hexBytes("02 01")),
         "TPivotCubeAxis.ReadFromFiler : unknown archive version 1"},
        {patched(b, hexBytes("02 00 02 00 01 06 0e"), hexBytes("02 04 02 00 01 06 0e")),
         "TPivotCubeAxises.ReadFromFiler : unknown archive version 4"},
        {patched(b, "TPCDataItem" + hexBytes("02 00"), "TPCDataItem" + hexBytes("02 09")),
         "TPCDataItem.ReadFromFiler : unknown archive version 9"},
        {patched(b, "TPivotCubeAxis", "TPivotCubeAxiz"), "Class TPivotCubeAxiz not found"},
        {patched(b, "TPCDataItem", "TPCDataItex"), "Class TPCDataItex not found"},
        {patched(b, hexBytes("06 0e") + "TPivotCubeAxis", hexBytes("06 0f") + "TPivotCubeValue"),
         "TPivotCubeAxises.ReadFromFiler : unexpected item class TPivotCubeValue"},
        {patched(b, hexBytes("06 0b") + "TPCDataItem", hexBytes("06 0e") + "TPivotCubeData"),
         "TPCDataItems.ReadFromFiler : unexpected item class TPivotCubeData"},
        {patched(b, hexBytes("00 00 f8 3f 02 00 02 00"), hexBytes("00 00 f8 3f 05 00 02 00")),
         " ObjectList detected a broken item persistence."},
        {patched(b, hexBytes("02 02 02 01 02 00"), hexBytes("04 ff ff ff 7f 02 01 02 00")),
         "TPivotCubeAxis.ReadFromFiler : stored member count 2147483647 exceeds the remaining data"},
    };
    for (const auto& c : cases) {
        TPivotCubeData cube;
        EXPECT_EQ(errorOf([&] { cube.LoadFromString(c.bytes); }), c.message);
    }
    // Every truncation fails with an error, never a crash.
    for (qsizetype n = 1; n < b.size(); ++n) {
        TPivotCubeData cube;
        EXPECT_THROW(cube.LoadFromString(b.left(n)), Exception) << n;
    }
}

class PvcFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void put(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(PvcFileTest, HeaderCompressionAndByteExactRoundTrip) {
    auto cube = tinyCube();
    cube->SaveToFile(path("tiny.pvc"));
    QByteArray file = contents(path("tiny.pvc"));
    ASSERT_TRUE(file.startsWith("PivotCube-KDR-1.00"));
    TReadOnlyStream packed(file.mid(18));
    TMemoryStream plain;
    DeCompressStream(&packed, &plain);
    EXPECT_EQ(plain.Data(), kTinyCubeBytes);

    auto big = GenerateSampleCube(20000, 7);
    big->SaveToFile(path("big.pvc"));
    TPivotCubeData loaded;
    loaded.LoadFromFile(path("big.pvc"));
    EXPECT_EQ(loaded.DataItems().Count(), 20000);
    loaded.SaveToFile(path("again.pvc"));
    EXPECT_EQ(contents(path("again.pvc")), contents(path("big.pvc")));
    EXPECT_EQ(TPivotCubeData::OpenDialogFilter(), QStringLiteral("PivotCube (*.pvc)|*.pvc"));
}

TEST_F(PvcFileTest, DamagedFiles) {
    auto cube = tinyCube();
    cube->SaveToFile(path("good.pvc"));
    QByteArray good = contents(path("good.pvc"));
    put(path("header.pvc"), "PivotCube-KDR-1.01" + good.mid(18));
    TPivotCubeData target;
    EXPECT_EQ(errorOf([&] { target.LoadFromFile(path("header.pvc")); }), "Invalid File IDHeader");
    for (qsizetype n = 0; n < good.size(); ++n) {
        put(path("cut.pvc"), good.left(n));
        TPivotCubeData partial;
        EXPECT_THROW(partial.LoadFromFile(path("cut.pvc")), Exception) << n;
    }
    QByteArray flipped = good;
    flipped[30] = char(flipped[30] ^ 0x20);
    put(path("flip.pvc"), flipped);
    EXPECT_THROW(target.LoadFromFile(path("flip.pvc")), Exception);
}

TEST(SampleCube, DeterministicAndShaped) {
    auto a = GenerateSampleCube(3000, 11);
    auto b = GenerateSampleCube(3000, 11);
    auto c = GenerateSampleCube(3000, 12);
    EXPECT_EQ(a->SaveToString(), b->SaveToString());
    EXPECT_NE(a->SaveToString(), c->SaveToString());
    const TPivotCubeAxises& axes = a->Axises();
    ASSERT_EQ(axes.Count(), 5);
    EXPECT_EQ(axes[0]->Nom(), QStringLiteral("Région"));
    EXPECT_EQ(axes[0]->MemberCount(), 13);
    EXPECT_EQ(axes[1]->ParentAxis, axes[0]);
    EXPECT_TRUE(axes[1]->ParentLinked);
    EXPECT_EQ(axes[1]->MemberCount(), 100);
    EXPECT_EQ(axes[2]->MemberCount(), 50);
    EXPECT_EQ(axes[3]->MemberCount(), 36);
    EXPECT_EQ(axes[3]->Members.front().Caption, QStringLiteral("2023-01"));
    EXPECT_EQ(axes[3]->Members.back().Caption, QStringLiteral("2025-12"));
    EXPECT_EQ(axes[4]->MemberCount(), 4);
    QStringList ops;
    for (int v = 0; v < a->Values().Count(); ++v) ops << a->Values()[v]->Nom() + "=" + a->Values()[v]->GroupOperatorName();
    EXPECT_EQ(ops, (QStringList{"Montant=Somme", "Quantité=Somme", "Prix=Moyenne", "Remise=Maximum"}));
    a->CheckDataItems();
    // Members are in their axis order; towns belong to a region; amounts have cents at most.
    for (int ax = 0; ax < 5; ++ax)
        for (int m = 1; m < axes[ax]->MemberCount(); ++m)
            EXPECT_LE(axes[ax]->CompareMembers(axes[ax]->Members[size_t(m - 1)], axes[ax]->Members[size_t(m)]), 0);
    std::set<int32_t> townsSeen;
    for (const TPCDataItem& item : a->DataItems().List()) {
        int town = axes[1]->IndexOfID(item.AxisIDs[1]);
        EXPECT_EQ(axes[1]->Members[size_t(town)].ParentID, item.AxisIDs[0]);
        EXPECT_GT(item.Values[0], 0);
        EXPECT_NEAR(item.Values[0] * 100, std::round(item.Values[0] * 100), 1e-6);
        EXPECT_EQ(item.Values[1], std::floor(item.Values[1]));
        townsSeen.insert(item.AxisIDs[1]);
    }
    EXPECT_LT(int(townsSeen.size()), 100);   // some towns have no sales at all
}

} // namespace
