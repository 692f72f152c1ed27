// Typed lists: growth, editing, sorting, persisted forms and assignment.
#include "TestBytes.h"
#include "XLists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

class TNamed : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TNamed, TClipBoardAble)
public:
    TNamed() = default;
    explicit TNamed(QString name, double value = 0) : Name(std::move(name)), Value(value) {}
    QString Name;
    double Value = 0;
    void WriteToFiler(TVirtualWriter& w) const override { w.WriteString("Name", Name); }
    void ReadFromFiler(TVirtualReader& r) override { Name = r.ReadString("Name"); }
};

} // namespace

LORVANE_IMPLEMENT_CLASS(TNamed, TClipBoardAble)
LORVANE_REGISTER_CLASS(TNamed)

namespace {

QStringList names(const TObjectList& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << (list.Items(i) ? list.At<TNamed>(i)->Name : QStringLiteral("-"));
    return out;
}

std::vector<int32_t> values(const TIntegerList& list) { return {list.List(), list.List() + list.Count()}; }

TEST(ObjectList, GrowthSequence) {
    TObjectList objects;
    TIntegerList ints;
    std::vector<int> objectAllocations, intAllocations;
    for (int i = 0; i < 40; ++i) {
        objects.Add(nullptr);
        ints.Add(i);
        if (objectAllocations.empty() || objectAllocations.back() != objects.Allocation()) objectAllocations.push_back(objects.Allocation());
        if (intAllocations.empty() || intAllocations.back() != ints.Allocation()) intAllocations.push_back(ints.Allocation());
    }
    EXPECT_EQ(objectAllocations, (std::vector<int>{8, 20, 38, 65}));
    EXPECT_EQ(intAllocations, (std::vector<int>{8, 18, 30, 45}));
    ints.SetCount(50);   // new entries are zero
    EXPECT_EQ(ints[49], 0);
}

TEST(ObjectList, Editing) {
    TNamed a(QStringLiteral("a")), b(QStringLiteral("b")), c(QStringLiteral("c")), d(QStringLiteral("d"));
    TObjectList list(true);
    list.Add(&a);
    list.Add(nullptr);
    list.Add(&b);
    list.Add(nullptr);
    list.Pack();
    EXPECT_EQ(names(list), (QStringList{"a", "b"}));
    list.MoveUp(&a);
    list.MoveDown(&b);
    EXPECT_EQ(names(list), (QStringList{"a", "b"}));
    list.Insert(1, &c);
    list.MoveToEnd(&a);
    EXPECT_EQ(names(list), (QStringList{"c", "b", "a"}));
    list.Move(0, 10);   // past the end: appended
    EXPECT_EQ(names(list), (QStringList{"b", "a", "c"}));
    list.ExchangeItems(&b, &c);
    EXPECT_EQ(list.Remove(&d), -1);
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(names(list), (QStringList{"c", "b"}));
    TObjectList more(&list);
    EXPECT_TRUE(more.Shared());
    EXPECT_EQ(more.AddList(&list), 2);
    more.AddRange(more, 1, 2);
    EXPECT_EQ(names(more), (QStringList{"c", "b", "c", "b", "b", "c"}));
    EXPECT_EQ(more.Pop(), &c);
    EXPECT_TRUE(TObjectList().IsEmpty());
    EXPECT_EQ(TObjectList().Pop(), nullptr);
}

TEST(ObjectList, SharedListsRefuseToFreeItems) {
    TNamed a(QStringLiteral("a"));
    TObjectList shared(true);
    shared.Add(&a);
    const std::string message = "TObjectList is a SHARED list, item destruction is NOT allowed.";
    EXPECT_EQ(errorOf([&] { shared.FreeAll(); }), message);
    EXPECT_EQ(errorOf([&] { shared.FreeItem(0); }), message);
    EXPECT_EQ(errorOf([&] { shared.FreeLast(); }), message);
    EXPECT_EQ(errorOf([&] { shared.FreeAndRemove(&a); }), message);
    // Assigning a shared list gives a second view of the same objects.
    TObjectList view;
    view.Assign(&shared);
    EXPECT_TRUE(view.Shared());
    EXPECT_EQ(view.Items(0), &a);
    EXPECT_EQ(errorOf([&] { view.FreeAll(); }), message);
    try {
        view.FreeAll();
    } catch (const Exception& e) {
        EXPECT_EQ(e.className(), QStringLiteral("EListErrorSharedViolation"));
    }
}

TEST(ObjectList, OwningListsFreeAndDeepCopy) {
    TObjectList owner;
    owner.Add(new TNamed(QStringLiteral("x")));
    owner.Add(new TNamed(QStringLiteral("y")));
    owner.Add(new TNamed(QStringLiteral("z")));
    owner.FreeItem(1);
    owner.FreeLast();
    EXPECT_EQ(names(owner), (QStringList{"x"}));
    TObjectList copy;
    copy.Add(new TNamed(QStringLiteral("old")));
    copy.Assign(&owner);   // the old items are freed, the copy is deep
    EXPECT_FALSE(copy.Shared());
    EXPECT_EQ(names(copy), (QStringList{"x"}));
    EXPECT_NE(copy.Items(0), owner.Items(0));
    copy.FreeAll();
    auto onHeap = std::make_unique<TObjectList>();
    onHeap->Add(new TNamed(QStringLiteral("w")));
    TObjectList::FreeWithItems(std::move(onHeap));
    owner.FreeAndRemove(owner.Items(0));
    EXPECT_EQ(owner.Count(), 0);
}

TEST(ObjectList, PersistedFormAndHook) {
    TObjectList list;
    list.Add(new TNamed(QStringLiteral("a")));
    list.Add(new TNamed(QStringLiteral("b")));
    list.Add(nullptr);
    QByteArray bytes = list.SaveToString();
    EXPECT_EQ(toHex(bytes), toHex(hexBytes("02 00 01 06 06 54 4e 61 6d 65 64 06 01 61 02 00 06 01 62 08 02 00 00")));
    TObjectList back(true);
    TNamed outside(QStringLiteral("outside"));
    back.Add(&outside);   // a shared list is cleared, not freed, before reading
    int hooked = 0;
    TReadOnlyStream stream(bytes);
    TBinaryReader reader(stream);
    back.ReadFromFilerWithHook(reader, [&](TVirtualConstructedObject*) { ++hooked; });
    EXPECT_FALSE(back.Shared());
    EXPECT_EQ(hooked, 2);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.At<TNamed>(1)->Name, QStringLiteral("b"));
    EXPECT_EQ(dynamic_cast<TRawValue*>(back.Items(2))->Value, 0);
    back.FreeAll();
    list.FreeAll();
}

TEST(ObjectList, FailedReadsFreeTheirItemsAndNestingIsBounded) {
    // A list of lists whose second item is broken: nothing is kept, nothing leaks.
    TObjectList list;
    list.LoadFromString(QByteArray());
    QByteArray broken = hexBytes("02 00 01 06 0c") + "TIntegerList" + hexBytes("02 01 05 00 00 00") + hexBytes("02 00 05");
    EXPECT_THROW(list.LoadFromString(broken), Exception);
    EXPECT_EQ(list.Count(), 0);
    QByteArray nested = hexBytes("02 00 01 06 0b") + "TObjectList" + hexBytes("02 00 01 06 0c") + "TIntegerList" +
                        hexBytes("02 01 05 00 00 00 05");
    EXPECT_THROW(list.LoadFromString(nested), Exception);
    QByteArray deep;
    for (int i = 0; i < 1500; ++i) deep += hexBytes("02 00 01 06 0b") + "TObjectList";
    deep += hexBytes("02 00 01 00");
    for (int i = 0; i < 1500; ++i) deep += hexBytes("00");
    EXPECT_EQ(errorOf([&] { list.LoadFromString(deep); }), "ObjectList.ReadFromFiler : lists nested deeper than 1000 levels");
}

TEST(ObjectList, Sorting) {
    std::vector<std::unique_ptr<TNamed>> owned;
    TObjectList list(true);
    const char* keys[] = {"b", "A", "c", "a", "B", "a"};
    for (int i = 0; i < 6; ++i) {
        owned.push_back(std::make_unique<TNamed>(QString::fromLatin1(keys[i]), 10 - i % 3));
        list.Add(owned.back().get());
    }
    auto byName = [](TObject* x, TObject* y) { return QString::compare(static_cast<TNamed*>(x)->Name, static_cast<TNamed*>(y)->Name); };
    list.Sort(byName, true);
    EXPECT_EQ(names(list), (QStringList{"A", "B", "a", "a", "b", "c"}));
    list.Sort(byName, false);
    EXPECT_EQ(names(list), (QStringList{"c", "b", "a", "a", "B", "A"}));

    // Stable: case-insensitive ties keep their order.
    TObjectList stable(true);
    for (auto& o : owned) stable.Add(o.get());
    stable.StableSort(true, [](TObject* x, TObject* y) {
        return CompareTextAsciiCI(static_cast<TNamed*>(x)->Name, static_cast<TNamed*>(y)->Name);
    });
    EXPECT_EQ(names(stable), (QStringList{"A", "a", "a", "b", "B", "c"}));

    TObjectList byText(true);
    for (auto& o : owned) byText.Add(o.get());
    TIntegerList groups;
    byText.SortByText(false, &groups, [](TObject* o) { return static_cast<TNamed*>(o)->Name; });
    EXPECT_EQ(names(byText), (QStringList{"c", "b", "B", "A", "a", "a"}));
    // groups by position before the sort: b A c a B a
    EXPECT_EQ(values(groups), (std::vector<int32_t>{1, 2, 0, 2, 1, 2}));

    TObjectList byValue(true);
    for (auto& o : owned) byValue.Add(o.get());
    byValue.SortByValue(true, &groups, [](TObject* o) { return static_cast<TNamed*>(o)->Value; });
    // values 10 9 8 10 9 8
    EXPECT_EQ(names(byValue), (QStringList{"c", "a", "A", "B", "b", "a"}));
    EXPECT_EQ(values(groups), (std::vector<int32_t>{2, 1, 0, 2, 1, 0}));
}

TEST(IntegerList, SortBothAlgorithms) {
    for (int n : {0, 1, 2, 8191, 8192, 50000}) {
        std::mt19937 rng(uint32_t(n) + 1);
        TIntegerList list;
        for (int i = 0; i < n; ++i) list.Add(int32_t(rng()) >> (i % 3 == 0 ? 20 : 0));
        if (n > 2) {
            list.SetItem(0, INT32_MIN);
            list.SetItem(1, INT32_MAX);
            list.SetItem(2, -1);
        }
        std::vector<int32_t> expected = values(list);
        std::sort(expected.begin(), expected.end());
        list.Sort();
        EXPECT_EQ(values(list), expected) << n;
    }
    TIntegerList same;
    for (int i = 0; i < 9000; ++i) same.Add(i % 2 ? -5 : 1 << 20);   // passes with one shared digit are skipped
    same.Sort();
    EXPECT_EQ(same[0], -5);
    EXPECT_EQ(same[8999], 1 << 20);
}

TEST(IntegerList, Editing) {
    TIntegerList list{5, 6, 7};
    list.Insert(0, 4);
    list.Move(0, 3);
    EXPECT_EQ(values(list), (std::vector<int32_t>{5, 6, 7, 4}));
    list.Exchange(0, 3);
    EXPECT_EQ(list.Remove(6), 1);
    EXPECT_EQ(list.Remove(60), -1);
    EXPECT_TRUE(list.Contains(7));
    list.AddSeries(10, -3, 3);
    list.AddStrings({QStringLiteral("12"), QStringLiteral("x"), QStringLiteral(" 3")}, -1);
    EXPECT_EQ(values(list), (std::vector<int32_t>{4, 7, 5, 10, 7, 4, 12, -1, 3}));
    EXPECT_EQ(list.Pop(), 3);
    list.Clear();
    EXPECT_EQ(list.Pop(), 0);
}

TEST(NumericLists, PersistedForms) {
    TIntegerList ints{1, -2, 70000};
    EXPECT_EQ(toHex(ints.SaveToString()), "02 03 01 00 00 00 fe ff ff ff 70 11 01 00");
    EXPECT_EQ(toHex(TIntegerList().SaveToString()), "02 00");
    EXPECT_EQ(TLoadSaveAble::CreateFromString<TIntegerList>(ints.SaveToString())->operator==(ints), true);

    TDoubleList doubles;
    doubles.Add(1.5);
    EXPECT_EQ(toHex(doubles.SaveToString()), "02 01 00 00 00 00 00 00 f8 3f");

    TInt64List narrow;
    narrow.Add(-1);
    narrow.Add(2147483647);
    EXPECT_EQ(toHex(narrow.SaveToString()), "02 02 ff ff ff ff ff ff ff 7f");
    TInt64List wide;
    wide.Add(3000000000LL);
    EXPECT_EQ(toHex(wide.SaveToString()), "09 02 01 00 5e d0 b2 00 00 00 00");
    for (TInt64List* source : {&narrow, &wide}) {
        TInt64List back;
        back.LoadFromString(source->SaveToString());
        ASSERT_EQ(back.Count(), source->Count());
        for (int i = 0; i < back.Count(); ++i) EXPECT_EQ(back[i], (*source)[i]);
    }
    TID64List ids;
    ids.Add(3000000000LL);
    EXPECT_EQ(ids.SaveToString(), wide.SaveToString());

    // Counts larger than the input are refused before allocating.
    for (const char* bytes : {"04 ff ff ff 7f 00 00", "02 ff", "02 03 01 00 00 00"}) {
        TIntegerList target;
        EXPECT_THROW(target.LoadFromString(hexBytes(bytes)), EReadError) << bytes;
        TDoubleList targetD;
        EXPECT_THROW(targetD.LoadFromString(hexBytes(bytes)), EReadError) << bytes;
    }
    TInt64List target;
    EXPECT_THROW(target.LoadFromString(hexBytes("09 02 01 00 5e d0 b2")), EReadError);
}

TEST(NumericLists, Assign) {
    TIntegerList ints{1, 2};
    TInt64List longs;
    longs.Add(0x100000005LL);
    longs.Add(-3);
    ints.Assign(&longs);   // low 32 bits
    EXPECT_EQ(values(ints), (std::vector<int32_t>{5, -3}));
    longs.Assign(&ints);   // sign-extended
    EXPECT_EQ(longs[1], -3);
    TID64List ids;
    ids.Assign(&longs);
    EXPECT_EQ(ids.Items(0), 5);
    TDoubleList doubles;
    EXPECT_EQ(errorOf([&] { ints.Assign(&doubles); }), "TIntegerList.Assign : got wrong class type !");
    EXPECT_EQ(errorOf([&] { doubles.Assign(&ints); }), "TDoubleList.Assign : got wrong class type !");
    EXPECT_EQ(errorOf([&] { longs.Assign(&doubles); }), "TInt64List.Assign: got wrong class type !");
    ints.Assign(nullptr);
    EXPECT_EQ(ints.Count(), 0);
}

TEST(DoubleList, SortKeepsParallelArrayAndMasksFaults) {
    TDoubleList list;
    for (double v : {2.0, std::nan(""), 1.0}) list.Add(v);
    list.Sort(true);   // completes without a floating-point fault
    EXPECT_EQ(list.Count(), 3);

    // Ties broken by a parallel key; exchanges reported so that it follows.
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        TDoubleList v;
        std::vector<int> tag;
        for (int i = 0; i < 40; ++i) {
            v.Add(double(rng() % 5));
            tag.push_back(int(rng() % 1000));
        }
        std::vector<std::pair<double, int>> expected;
        for (int i = 0; i < 40; ++i) expected.emplace_back(v[i], tag[size_t(i)]);
        bool ascending = round % 2 == 0;
        v.Sort(
            ascending, [&](int i, int j) { return tag[size_t(i)] - tag[size_t(j)]; },
            [&](int i, int j) { std::swap(tag[size_t(i)], tag[size_t(j)]); });
        std::sort(expected.begin(), expected.end());
        if (!ascending) std::reverse(expected.begin(), expected.end());
        for (int i = 0; i < 40; ++i) {
            EXPECT_EQ(v[i], expected[size_t(i)].first);
            EXPECT_EQ(tag[size_t(i)], expected[size_t(i)].second) << round << " at " << i;
        }
    }
}

TEST(ListRegistry, ListsAreFoundByName) {
    for (const char* name : {"TObjectList", "TIntegerList", "TDoubleList", "TInt64List", "TID64List"})
        EXPECT_NE(FindPersistentClass(QString::fromLatin1(name), false), nullptr) << name;
    // A list inside an object list round-trips through its class name.
    TObjectList outer;
    outer.Add(new TIntegerList{3, 4});
    TObjectList back;
    back.LoadFromString(outer.SaveToString());
    EXPECT_EQ(values(*back.At<TIntegerList>(0)), (std::vector<int32_t>{3, 4}));
    back.FreeAll();
    outer.FreeAll();
}

} // namespace
