// TObjectList: references, sorting, persistence.
#include "XLists.h"

#include <algorithm>
#include <cstring>
#include <vector>

LORVANE_IMPLEMENT_CLASS(TObjectList, TClipBoardAble)
LORVANE_REGISTER_CLASS(TObjectList)

TObjectList::TObjectList(const TObjectList* items) : FShared(true) { AddList(items); }

void TObjectList::grow() { SetAllocation(FAllocation + FAllocation / 2 + 8); }

void TObjectList::SetAllocation(int allocation) {
    allocation = std::max(allocation, 0);
    if (allocation == FAllocation) return;
    std::unique_ptr<TObject*[]> items(allocation ? new TObject*[size_t(allocation)] : nullptr);
    FCount = std::min(FCount, allocation);
    if (FCount) std::memcpy(items.get(), FItems.get(), sizeof(TObject*) * size_t(FCount));
    FItems = std::move(items);
    FAllocation = allocation;
}

void TObjectList::SetCount(int count) {
    count = std::max(count, 0);
    if (count > FAllocation) SetAllocation(count);
    for (int i = FCount; i < count; ++i) FItems[i] = nullptr;
    FCount = count;
}

int TObjectList::Add(TObject* item) {
    if (FCount == FAllocation) grow();
    FItems[FCount] = item;
    return FCount++;
}

int TObjectList::AddList(const TObjectList* list) {
    int old = FCount;
    if (!list || list->FCount == 0) return old;
    return AddRange(*list, 0, list->FCount - 1), old;
}

int TObjectList::AddRange(const TObjectList& list, int first, int last) {
    Q_ASSERT(first <= last && last < list.FCount && first >= 0);
    int old = FCount;
    int n = last - first + 1;
    if (FCount + n > FAllocation) SetAllocation(FCount + n);
    // The source may be this very list: copy through the fresh array.
    std::memmove(FItems.get() + FCount, list.FItems.get() + first, sizeof(TObject*) * size_t(n));
    FCount += n;
    return old;
}

void TObjectList::Insert(int index, TObject* item) {
    if (FCount == FAllocation) grow();
    std::memmove(FItems.get() + index + 1, FItems.get() + index, sizeof(TObject*) * size_t(FCount - index));
    FItems[index] = item;
    ++FCount;
}

void TObjectList::Delete(int index) {
    std::memmove(FItems.get() + index, FItems.get() + index + 1, sizeof(TObject*) * size_t(FCount - index - 1));
    --FCount;
}

int TObjectList::Remove(TObject* item) {
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TObjectList::IndexOf(const TObject* item) const {
    for (int i = 0; i < FCount; ++i)
        if (FItems[i] == item) return i;
    return -1;
}

void TObjectList::Exchange(int i, int j) { std::swap(FItems[i], FItems[j]); }

void TObjectList::ExchangeItems(TObject* a, TObject* b) {
    int i = IndexOf(a), j = IndexOf(b);
    if (i >= 0 && j >= 0) Exchange(i, j);
}

void TObjectList::Move(int from, int to) {
    if (from == to) return;
    TObject* item = FItems[from];
    Delete(from);
    if (to >= FCount) Add(item);
    else Insert(to, item);
}

void TObjectList::MoveUp(TObject* item) {
    int i = IndexOf(item);
    if (i > 0) Exchange(i, i - 1);
}

void TObjectList::MoveDown(TObject* item) {
    int i = IndexOf(item);
    if (i >= 0 && i < FCount - 1) Exchange(i, i + 1);
}

void TObjectList::MoveToEnd(TObject* item) {
    int i = IndexOf(item);
    if (i >= 0 && i < FCount - 1) Move(i, FCount - 1);
}

void TObjectList::Pack() {
    int j = 0;
    for (int i = 0; i < FCount; ++i)
        if (FItems[i]) FItems[j++] = FItems[i];
    FCount = j;
}

TObject* TObjectList::Pop() { return FCount ? FItems[--FCount] : nullptr; }

void TObjectList::Clear() {
    FItems.reset();
    FCount = FAllocation = 0;
}

void TObjectList::checkNotShared() const {
    if (FShared)
        throw EListErrorSharedViolation(ClassName() + QStringLiteral(" is a SHARED list, item destruction is NOT allowed."));
}

void TObjectList::FreeItem(int index) {
    checkNotShared();
    TObject* item = FItems[index];
    Delete(index);
    delete item;
}

void TObjectList::FreeAndRemove(TObject* item) {
    checkNotShared();
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    delete item;
}

void TObjectList::FreeAll() {
    checkNotShared();
    for (int i = FCount - 1; i >= 0; --i) delete FItems[i];
    Clear();
}

void TObjectList::FreeWithItems(std::unique_ptr<TObjectList> list) {
    if (list) list->FreeAll();
}

void TObjectList::FreeLast() {
    if (FCount == 0) return;
    FreeItem(FCount - 1);
}

// --- Sorting ---------------------------------------------------------------

void TObjectList::quickSort(int l, int r, const TObjectCompare& compare, bool ascending) {
    TObject** items = FItems.get();
    while (l < r) {
        int i = l, j = r;
        TObject* pivot = items[(l + r) / 2];
        do {
            if (ascending) {
                while (i < r && compare(items[i], pivot) < 0) ++i;
                while (j > l && compare(items[j], pivot) > 0) --j;
            } else {
                while (i < r && compare(items[i], pivot) > 0) ++i;
                while (j > l && compare(items[j], pivot) < 0) --j;
            }
            if (j >= i) {
                std::swap(items[i], items[j]);
                ++i;
                --j;
            }
        } while (j >= i);
        if (l < j) quickSort(l, j, compare, ascending);
        l = i;
    }
}

void TObjectList::Sort(const TObjectCompare& compare, bool ascending) {
    if (FCount < 2) return;
    quickSort(0, FCount - 1, compare, ascending);
}

void TObjectList::StableSort(bool ascending, const TObjectCompare& compare) {
    if (FCount < 2) return;
    std::vector<TObject*> temp(static_cast<size_t>(FCount));
    TObject** items = FItems.get();
    std::function<void(int, int)> mergeSort = [&](int l, int r) {
        if (l >= r) return;
        int m = (l + r) / 2;
        mergeSort(l, m);
        mergeSort(m + 1, r);
        int i = l, j = m + 1, k = 0;
        while (i <= m && j <= r) {
            int c = compare(items[i], items[j]);
            bool takeRight = ascending ? c > 0 : c < 0;
            temp[size_t(k++)] = takeRight ? items[j++] : items[i++];
        }
        while (i <= m) temp[size_t(k++)] = items[i++];
        while (j <= r) temp[size_t(k++)] = items[j++];
        std::copy(temp.begin(), temp.begin() + k, items + l);
    };
    mergeSort(0, FCount - 1);
}

int CompareTextAsciiCI(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z') x = char16_t(x - 32);
        if (y >= 'a' && y <= 'z') y = char16_t(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

namespace {
// Stable sort of wrappers, then the list reordered and the groups filled.
template <class Wrapper, class Compare>
void sortWrapped(TObjectList& list, std::vector<Wrapper>& wrappers, bool ascending, TIntegerList* groups, Compare compareKeys) {
    std::stable_sort(wrappers.begin(), wrappers.end(), [&](const Wrapper& a, const Wrapper& b) {
        int c = compareKeys(a.Key, b.Key);
        return ascending ? c < 0 : c > 0;
    });
    for (size_t i = 0; i < wrappers.size(); ++i) list.SetItem(int(i), wrappers[i].Item);
    if (!groups) return;
    groups->Clear();
    groups->SetCount(int(wrappers.size()));
    int group = 0;
    for (size_t i = 0; i < wrappers.size(); ++i) {
        if (i > 0 && compareKeys(wrappers[i].Key, wrappers[i - 1].Key) != 0) ++group;
        groups->SetItem(wrappers[i].Position, group);
    }
}
} // namespace

void TObjectList::SortByText(bool ascending, TIntegerList* groups, const std::function<QString(TObject*)>& keyOf) {
    std::vector<TObjectSortWrapperString> wrappers(static_cast<size_t>(FCount));
    for (int i = 0; i < FCount; ++i) {
        wrappers[size_t(i)].Item = FItems[i];
        wrappers[size_t(i)].Position = i;
        wrappers[size_t(i)].Key = keyOf(FItems[i]);
    }
    sortWrapped(*this, wrappers, ascending, groups, CompareTextAsciiCI);
}

void TObjectList::SortByValue(bool ascending, TIntegerList* groups, const std::function<double(TObject*)>& keyOf) {
    std::vector<TObjectSortWrapperFloat> wrappers(static_cast<size_t>(FCount));
    for (int i = 0; i < FCount; ++i) {
        wrappers[size_t(i)].Item = FItems[i];
        wrappers[size_t(i)].Position = i;
        wrappers[size_t(i)].Key = keyOf(FItems[i]);
    }
    sortWrapped(*this, wrappers, ascending, groups, [](double a, double b) { return a < b ? -1 : a > b ? 1 : 0; });
}

// --- Persistence and assignment --------------------------------------------

void TObjectList::WriteToFiler(TVirtualWriter& writer) const { WriteObjectList(writer, *this); }

void TObjectList::ReadFromFiler(TVirtualReader& reader) { ReadFromFilerWithHook(reader, {}); }

void TObjectList::ReadFromFilerWithHook(TVirtualReader& reader, const TObjectListHook& hook) {
    if (FShared) Clear();
    else FreeAll();
    FShared = false;
    try {
        ReadObjectList(reader, hook, [this](std::unique_ptr<TObject> item) { Add(item.release()); });
    } catch (...) {
        // The items read so far belong to no one else: a failed read frees them.
        FreeAll();
        throw;
    }
}

void TObjectList::Assign(const TVirtualConstructedObject* source) {
    if (source == this) return;
    if (FShared) Clear();
    else FreeAll();
    if (!source) return;
    auto* list = dynamic_cast<const TObjectList*>(source);
    if (list && list->FShared && list->ClassType() == TObjectList::StaticClass() && ClassType() == TObjectList::StaticClass()) {
        FShared = true;
        AddList(list);
        return;
    }
    TClipBoardAble::Assign(source);
}
