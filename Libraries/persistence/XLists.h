#pragma once
// The typed, persistable lists: object references, 32-bit and 64-bit integers,
// doubles. Indexes start at 0 and are not bounds-checked (callers keep them in
// range). When full, an object list grows to n + n/2 + 8 entries, a numeric
// list to n + n/4 + 8; a larger count fills the new entries with zeros.

#include "XClasses.h"

#include <functional>
#include <memory>

LORVANE_DECLARE_EXCEPTION(EListError, Exception);
LORVANE_DECLARE_EXCEPTION(EListErrorSharedViolation, EListError);

class TIntegerList;

// compare(a, b) < 0 when a comes before b.
using TObjectCompare = std::function<int(TObject* a, TObject* b)>;

// ---------------------------------------------------------------------------
// TObjectList: a non-owning array of object references. A shared list is a
// view of objects owned elsewhere and refuses every item-freeing operation.
// Destroying a list releases its array only; items are freed by the Free...
// operations.

class TObjectList : public TClipBoardAble, public IReadOnlyObjectList {
    LORVANE_PERSISTENT_CLASS(TObjectList, TClipBoardAble)
public:
    TObjectList() = default;                           // the virtual constructor: not shared
    explicit TObjectList(bool shared) : FShared(shared) {}
    explicit TObjectList(const TObjectList* items);   // shared, holding the items of another list
    TObjectList& operator=(const TObjectList&) = delete;
    ~TObjectList() override = default;

    bool Shared() const { return FShared; }
    void SetShared(bool shared) { FShared = shared; }

    int Count() const override { return FCount; }
    TObject* Item(int index) const override { return FItems[index]; }
    TObject* Items(int index) const { return FItems[index]; }
    void SetItem(int index, TObject* item) { FItems[index] = item; }
    TObject* const* List() const { return FItems.get(); }
    int Allocation() const { return FAllocation; }

    int Add(TObject* item);
    int AddList(const TObjectList* list);
    int AddRange(const TObjectList& list, int first, int last);
    void Insert(int index, TObject* item);
    void Delete(int index);
    int Remove(TObject* item);
    int IndexOf(const TObject* item) const;
    bool Contains(const TObject* item) const { return IndexOf(item) >= 0; }
    bool IsEmpty() const { return FCount == 0; }
    void Exchange(int i, int j);
    void ExchangeItems(TObject* a, TObject* b);
    void Move(int from, int to);
    void MoveUp(TObject* item);
    void MoveDown(TObject* item);
    void MoveToEnd(TObject* item);
    void Pack();
    TObject* Pop();
    void Clear();
    void SetCount(int count);
    void SetAllocation(int allocation);

    void FreeItem(int index);
    void FreeAndRemove(TObject* item);
    void FreeAll();
    static void FreeWithItems(std::unique_ptr<TObjectList> list);
    void FreeLast();

    void Sort(const TObjectCompare& compare, bool ascending = true);
    void StableSort(bool ascending, const TObjectCompare& compare);
    void SortByText(bool ascending, TIntegerList* groups, const std::function<QString(TObject*)>& keyOf);
    void SortByValue(bool ascending, TIntegerList* groups, const std::function<double(TObject*)>& keyOf);

    void Assign(const TVirtualConstructedObject* source) override;
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
    void ReadFromFilerWithHook(TVirtualReader& reader, const TObjectListHook& hook);

    // Typed access for callers that know what the list holds.
    template <class T> T* At(int index) const { return static_cast<T*>(FItems[index]); }

private:
    void grow();
    void checkNotShared() const;
    void quickSort(int l, int r, const TObjectCompare& compare, bool ascending);

    std::unique_ptr<TObject*[]> FItems;
    int FCount = 0;
    int FAllocation = 0;
    bool FShared = false;
};

// ---------------------------------------------------------------------------
// Numeric lists

class TIntegerList : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TIntegerList, TClipBoardAble)
public:
    TIntegerList() = default;
    TIntegerList(std::initializer_list<int32_t> values);
    int Count() const { return FCount; }
    int32_t Items(int index) const { return FItems[index]; }
    int32_t operator[](int index) const { return FItems[index]; }
    void SetItem(int index, int32_t value) { FItems[index] = value; }
    const int32_t* List() const { return FItems.get(); }
    int32_t* List() { return FItems.get(); }
    int Allocation() const { return FAllocation; }

    int Add(int32_t value);
    int Push(int32_t value) { return Add(value); }
    void Insert(int index, int32_t value);
    void Delete(int index);
    int Remove(int32_t value);
    int IndexOf(int32_t value) const;
    bool Contains(int32_t value) const { return IndexOf(value) >= 0; }
    void Exchange(int i, int j);
    void Move(int from, int to);
    int32_t Pop();
    void Clear();
    void SetCount(int count);
    void SetAllocation(int allocation);
    void EnsureAllocation(int allocation);
    void AddStrings(const QStringList& strings, int32_t defaultValue);
    void AddSeries(int32_t start, int32_t step, int n);
    void Sort();

    void Assign(const TVirtualConstructedObject* source) override;
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
    bool operator==(const TIntegerList& other) const;

private:
    void grow();
    std::unique_ptr<int32_t[]> FItems;
    int FCount = 0;
    int FAllocation = 0;
};

// tieBreak(i, j) orders two positions holding equal values; onExchange(i, j)
// reports every swap so that a parallel array can be kept in step.
using TDoubleTieBreak = std::function<int(int i, int j)>;
using TDoubleExchange = std::function<void(int i, int j)>;

class TDoubleList : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TDoubleList, TClipBoardAble)
public:
    int Count() const { return FCount; }
    double Items(int index) const { return FItems[index]; }
    double operator[](int index) const { return FItems[index]; }
    void SetItem(int index, double value) { FItems[index] = value; }
    const double* List() const { return FItems.get(); }
    int Allocation() const { return FAllocation; }
    int Add(double value);
    void Clear();
    void SetCount(int count);
    void SetAllocation(int allocation);
    // Floating-point exceptions are masked for the duration of the sort.
    void Sort(bool ascending, const TDoubleTieBreak& tieBreak = {}, const TDoubleExchange& onExchange = {});

    void Assign(const TVirtualConstructedObject* source) override;
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    void grow();
    std::unique_ptr<double[]> FItems;
    int FCount = 0;
    int FAllocation = 0;
};

class TInt64List : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TInt64List, TClipBoardAble)
public:
    int Count() const { return FCount; }
    int64_t Items(int index) const { return FItems[index]; }
    int64_t operator[](int index) const { return FItems[index]; }
    void SetItem(int index, int64_t value) { FItems[index] = value; }
    int Allocation() const { return FAllocation; }
    int Add(int64_t value);
    void Clear();
    void SetCount(int count);
    void SetAllocation(int allocation);

    void Assign(const TVirtualConstructedObject* source) override;
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    void grow();
    std::unique_ptr<int64_t[]> FItems;
    int FCount = 0;
    int FAllocation = 0;
};

// A TInt64List under a class of its own.
class TID64List : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TID64List, TClipBoardAble)
public:
    TInt64List& List() { return FList; }
    const TInt64List& List() const { return FList; }
    int Count() const { return FList.Count(); }
    int64_t Items(int index) const { return FList.Items(index); }
    int Add(int64_t value) { return FList.Add(value); }
    void Clear() { FList.Clear(); }

    void Assign(const TVirtualConstructedObject* source) override;
    void WriteToFiler(TVirtualWriter& writer) const override { FList.WriteToFiler(writer); }
    void ReadFromFiler(TVirtualReader& reader) override { FList.ReadFromFiler(reader); }

private:
    TInt64List FList;
};

// ---------------------------------------------------------------------------
// Sort wrappers: an object with its sort key.

struct TObjectSortWrapper {
    TObject* Item;
    int Position;   // the item's position before the sort
};
struct TObjectSortWrapperString : TObjectSortWrapper {
    QString Key;
};
struct TObjectSortWrapperFloat : TObjectSortWrapper {
    double Key;
};

// Case-insensitive for ASCII letters, otherwise by UTF-16 code unit.
int CompareTextAsciiCI(const QString& a, const QString& b);
