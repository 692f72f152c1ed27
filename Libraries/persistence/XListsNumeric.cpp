// Numeric lists: TIntegerList, TDoubleList, TInt64List, TID64List.
#include "XLists.h"

#include "USysUtils.h"

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cstring>
#include <vector>

static_assert(std::endian::native == std::endian::little, "raw list blocks are stored little-endian");

LORVANE_IMPLEMENT_CLASS(TIntegerList, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TDoubleList, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TInt64List, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TID64List, TClipBoardAble)
LORVANE_REGISTER_CLASS(TIntegerList)
LORVANE_REGISTER_CLASS(TDoubleList)
LORVANE_REGISTER_CLASS(TInt64List)
LORVANE_REGISTER_CLASS(TID64List)

namespace {

template <class T> void reallocate(std::unique_ptr<T[]>& items, int& count, int& allocation, int newAllocation) {
    newAllocation = std::max(newAllocation, 0);
    if (newAllocation == allocation) return;
    std::unique_ptr<T[]> fresh(newAllocation ? new T[size_t(newAllocation)] : nullptr);
    count = std::min(count, newAllocation);
    if (count) std::memcpy(fresh.get(), items.get(), sizeof(T) * size_t(count));
    items = std::move(fresh);
    allocation = newAllocation;
}

template <class T> void resize(std::unique_ptr<T[]>& items, int& count, int& allocation, int newCount) {
    newCount = std::max(newCount, 0);
    if (newCount > allocation) reallocate(items, count, allocation, newCount);
    if (newCount > count) std::memset(items.get() + count, 0, sizeof(T) * size_t(newCount - count));
    count = newCount;
}

// A stored count is trusted only when the input can hold its raw block.
int32_t readCount(TVirtualReader& reader, const TVirtualConstructedObject& list, qint64 bytesPerItem) {
    int32_t n = reader.ReadInteger("Count");
    if (n < 0 || (bytesPerItem > 0 && n > reader.Stream().Remaining() / bytesPerItem))
        throw EReadError(QStringLiteral("%1.ReadFromFiler : stored count %2 exceeds the remaining data").arg(list.ClassName()).arg(n));
    return n;
}

bool isBinary(const TVirtualWriter& w) { return dynamic_cast<const TBinaryWriter*>(&w) != nullptr; }
bool isBinary(const TVirtualReader& r) { return dynamic_cast<const TBinaryReader*>(&r) != nullptr; }

void quickSortInts(int32_t* v, int l, int r) {
    while (l < r) {
        int i = l, j = r;
        int32_t pivot = v[(l + r) / 2];
        do {
            while (v[i] < pivot) ++i;
            while (v[j] > pivot) --j;
            if (j >= i) {
                std::swap(v[i], v[j]);
                ++i;
                --j;
            }
        } while (j >= i);
        if (l < j) quickSortInts(v, l, j);
        l = i;
    }
}

// Least-significant digit first, four 8-bit digits, the sign bit inverted on the last.
void radixSortInts(int32_t* v, int n) {
    std::vector<uint32_t> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) a[size_t(i)] = uint32_t(v[i]) ^ 0x80000000u;
    for (int shift = 0; shift < 32; shift += 8) {
        size_t counts[256] = {};
        for (uint32_t x : a) ++counts[(x >> shift) & 0xFF];
        if (counts[(a[0] >> shift) & 0xFF] == size_t(n)) continue;   // all share this digit
        size_t offset = 0;
        for (size_t& c : counts) {
            size_t k = c;
            c = offset;
            offset += k;
        }
        for (uint32_t x : a) b[counts[(x >> shift) & 0xFF]++] = x;
        a.swap(b);
    }
    for (int i = 0; i < n; ++i) v[i] = int32_t(a[size_t(i)] ^ 0x80000000u);
}

} // namespace

// --- TIntegerList ----------------------------------------------------------

TIntegerList::TIntegerList(std::initializer_list<int32_t> values) {
    SetAllocation(int(values.size()));
    for (int32_t v : values) Add(v);
}

void TIntegerList::grow() { SetAllocation(FAllocation + FAllocation / 4 + 8); }
void TIntegerList::SetAllocation(int allocation) { reallocate(FItems, FCount, FAllocation, allocation); }
void TIntegerList::EnsureAllocation(int allocation) {
    if (allocation > FAllocation) SetAllocation(allocation);
}
void TIntegerList::SetCount(int count) { resize(FItems, FCount, FAllocation, count); }

int TIntegerList::Add(int32_t value) {
    if (FCount == FAllocation) grow();
    FItems[FCount] = value;
    return FCount++;
}

void TIntegerList::Insert(int index, int32_t value) {
    if (FCount == FAllocation) grow();
    std::memmove(FItems.get() + index + 1, FItems.get() + index, sizeof(int32_t) * size_t(FCount - index));
    FItems[index] = value;
    ++FCount;
}

void TIntegerList::Delete(int index) {
    std::memmove(FItems.get() + index, FItems.get() + index + 1, sizeof(int32_t) * size_t(FCount - index - 1));
    --FCount;
}

int TIntegerList::Remove(int32_t value) {
    int index = IndexOf(value);
    if (index >= 0) Delete(index);
    return index;
}

int TIntegerList::IndexOf(int32_t value) const {
    for (int i = 0; i < FCount; ++i)
        if (FItems[i] == value) return i;
    return -1;
}

void TIntegerList::Exchange(int i, int j) { std::swap(FItems[i], FItems[j]); }

void TIntegerList::Move(int from, int to) {
    if (from == to) return;
    int32_t value = FItems[from];
    Delete(from);
    if (to >= FCount) Add(value);
    else Insert(to, value);
}

int32_t TIntegerList::Pop() { return FCount ? FItems[--FCount] : 0; }

void TIntegerList::Clear() {
    FItems.reset();
    FCount = FAllocation = 0;
}

void TIntegerList::AddStrings(const QStringList& strings, int32_t defaultValue) {
    for (const QString& s : strings) Add(StrToIntDef(s.trimmed(), defaultValue));
}

void TIntegerList::AddSeries(int32_t start, int32_t step, int n) {
    EnsureAllocation(FCount + std::max(n, 0));
    int64_t value = start;
    for (int i = 0; i < n; ++i, value += step) Add(int32_t(value));
}

void TIntegerList::Sort() {
    if (FCount < 2) return;
    if (FCount <= 8191) quickSortInts(FItems.get(), 0, FCount - 1);
    else radixSortInts(FItems.get(), FCount);
}

bool TIntegerList::operator==(const TIntegerList& other) const {
    return FCount == other.FCount && std::equal(FItems.get(), FItems.get() + FCount, other.FItems.get());
}

void TIntegerList::Assign(const TVirtualConstructedObject* source) {
    if (source == this) return;
    if (!source) return Clear();
    if (auto* ints = dynamic_cast<const TIntegerList*>(source)) {
        Clear();
        SetCount(ints->FCount);
        if (FCount) std::memcpy(FItems.get(), ints->FItems.get(), sizeof(int32_t) * size_t(FCount));
    } else if (auto* longs = dynamic_cast<const TInt64List*>(source)) {
        Clear();
        SetCount(longs->Count());
        for (int i = 0; i < FCount; ++i) FItems[i] = int32_t(uint32_t(uint64_t(longs->Items(i))));
    } else {
        throw EConvertError(ClassName() + QStringLiteral(".Assign : got wrong class type !"));
    }
}

void TIntegerList::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteInteger("Count", FCount);
    if (FCount <= 0) return;
    if (isBinary(writer)) {
        writer.Write("Values", FItems.get(), qint64(sizeof(int32_t)) * FCount);
        return;
    }
    writer.WriteListBegin("Values");
    for (int i = 0; i < FCount; ++i) writer.WriteInteger("Value", FItems[i]);
    writer.WriteListEnd();
}

void TIntegerList::ReadFromFiler(TVirtualReader& reader) {
    const bool binary = isBinary(reader);
    int32_t n = readCount(reader, *this, binary ? 4 : 2);
    Clear();
    if (n <= 0) return;
    SetCount(n);
    if (binary) {
        reader.Read("Values", FItems.get(), qint64(sizeof(int32_t)) * n);
        return;
    }
    reader.ReadListBegin("Values");
    for (int i = 0; i < n; ++i) FItems[i] = reader.ReadInteger("Value");
    reader.ReadListEnd();
}

// --- TDoubleList -----------------------------------------------------------

void TDoubleList::grow() { SetAllocation(FAllocation + FAllocation / 4 + 8); }
void TDoubleList::SetAllocation(int allocation) { reallocate(FItems, FCount, FAllocation, allocation); }
void TDoubleList::SetCount(int count) { resize(FItems, FCount, FAllocation, count); }

int TDoubleList::Add(double value) {
    if (FCount == FAllocation) grow();
    FItems[FCount] = value;
    return FCount++;
}

void TDoubleList::Clear() {
    FItems.reset();
    FCount = FAllocation = 0;
}

namespace {
struct DoubleSorter {
    double* v;
    bool ascending;
    const TDoubleTieBreak& tieBreak;
    const TDoubleExchange& onExchange;

    bool before(int i, double b, int m) const {   // position i moves past the pivot
        if (ascending) return v[i] < b || (v[i] == b && tieBreak && tieBreak(i, m) < 0);
        return v[i] > b || (v[i] == b && tieBreak && tieBreak(i, m) > 0);
    }
    bool after(int j, double b, int m) const {
        if (ascending) return v[j] > b || (v[j] == b && tieBreak && tieBreak(j, m) > 0);
        return v[j] < b || (v[j] == b && tieBreak && tieBreak(j, m) < 0);
    }
    void sort(int l, int r) {
        while (l < r) {
            int i = l, j = r;
            int m = (l + r) / 2;
            const double b = v[m];
            do {
                while (i < r && before(i, b, m)) ++i;
                while (j > l && after(j, b, m)) --j;
                if (j >= i) {
                    std::swap(v[i], v[j]);
                    if (onExchange) onExchange(i, j);
                    // The tie-break compares with the pivot's own entry: follow it when it moves.
                    if (m == i) m = j;
                    else if (m == j) m = i;
                    ++i;
                    --j;
                }
            } while (j >= i);
            if (l < j) sort(l, j);
            l = i;
        }
    }
};
} // namespace

void TDoubleList::Sort(bool ascending, const TDoubleTieBreak& tieBreak, const TDoubleExchange& onExchange) {
    if (FCount < 2) return;
    std::fenv_t saved;
    std::feholdexcept(&saved);   // every floating-point exception masked
    DoubleSorter sorter{FItems.get(), ascending, tieBreak, onExchange};
    try {
        sorter.sort(0, FCount - 1);
    } catch (...) {
        std::fesetenv(&saved);
        throw;
    }
    std::fesetenv(&saved);
}

void TDoubleList::Assign(const TVirtualConstructedObject* source) {
    if (source == this) return;
    if (!source) return Clear();
    auto* doubles = dynamic_cast<const TDoubleList*>(source);
    if (!doubles) throw EConvertError(ClassName() + QStringLiteral(".Assign : got wrong class type !"));
    Clear();
    SetCount(doubles->FCount);
    if (FCount) std::memcpy(FItems.get(), doubles->FItems.get(), sizeof(double) * size_t(FCount));
}

void TDoubleList::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteInteger("Count", FCount);
    if (FCount > 0) writer.Write("Values", FItems.get(), qint64(sizeof(double)) * FCount);
}

void TDoubleList::ReadFromFiler(TVirtualReader& reader) {
    int32_t n = readCount(reader, *this, 8);
    Clear();
    if (n <= 0) return;
    SetCount(n);
    reader.Read("Values", FItems.get(), qint64(sizeof(double)) * n);
}

// --- TInt64List ------------------------------------------------------------

void TInt64List::grow() { SetAllocation(FAllocation + FAllocation / 4 + 8); }
void TInt64List::SetAllocation(int allocation) { reallocate(FItems, FCount, FAllocation, allocation); }
void TInt64List::SetCount(int count) { resize(FItems, FCount, FAllocation, count); }

int TInt64List::Add(int64_t value) {
    if (FCount == FAllocation) grow();
    FItems[FCount] = value;
    return FCount++;
}

void TInt64List::Clear() {
    FItems.reset();
    FCount = FAllocation = 0;
}

void TInt64List::Assign(const TVirtualConstructedObject* source) {
    if (source == this) return;
    if (!source) return Clear();
    if (auto* longs = dynamic_cast<const TInt64List*>(source)) {
        Clear();
        SetCount(longs->FCount);
        if (FCount) std::memcpy(FItems.get(), longs->FItems.get(), sizeof(int64_t) * size_t(FCount));
    } else if (auto* ints = dynamic_cast<const TIntegerList*>(source)) {
        Clear();
        SetCount(ints->Count());
        for (int i = 0; i < FCount; ++i) FItems[i] = ints->Items(i);
    } else if (auto* ids = dynamic_cast<const TID64List*>(source)) {
        Assign(&ids->List());
    } else {
        throw EConvertError(ClassName() + QStringLiteral(".Assign: got wrong class type !"));
    }
}

void TInt64List::WriteToFiler(TVirtualWriter& writer) const {
    if (FCount < 1) return writer.WriteInteger("Count", FCount);
    if (!isBinary(writer)) {
        writer.WriteInteger("Count", FCount);
        writer.WriteListBegin("Values");
        for (int i = 0; i < FCount; ++i) writer.WriteInt64("Value", FItems[i]);
        writer.WriteListEnd();
        return;
    }
    const bool wide = std::any_of(FItems.get(), FItems.get() + FCount, [](int64_t v) { return v < INT32_MIN || v > INT32_MAX; });
    if (wide) {
        writer.WriteBoolean("64bit", true);
        writer.WriteInteger("Count", FCount);
        writer.Write("Values", FItems.get(), qint64(sizeof(int64_t)) * FCount);
        return;
    }
    writer.WriteInteger("Count", FCount);
    std::vector<int32_t> low(static_cast<size_t>(FCount));
    for (int i = 0; i < FCount; ++i) low[size_t(i)] = int32_t(FItems[i]);
    writer.Write("Values", low.data(), qint64(sizeof(int32_t)) * FCount);
}

void TInt64List::ReadFromFiler(TVirtualReader& reader) {
    const bool binary = isBinary(reader);
    bool wide = false;
    if (binary && reader.NextValue() == vaTrue) wide = reader.ReadBoolean("64bit");
    int32_t n = readCount(reader, *this, binary ? (wide ? 8 : 4) : 2);
    Clear();
    if (n < 1) return;
    SetCount(n);
    if (!binary) {
        reader.ReadListBegin("Values");
        for (int i = 0; i < n; ++i) FItems[i] = reader.ReadInt64("Value");
        reader.ReadListEnd();
    } else if (wide) {
        reader.Read("Values", FItems.get(), qint64(sizeof(int64_t)) * n);
    } else {
        std::vector<int32_t> low(static_cast<size_t>(n));
        reader.Read("Values", low.data(), qint64(sizeof(int32_t)) * n);
        for (int i = 0; i < n; ++i) FItems[i] = low[size_t(i)];
    }
}

// --- TID64List -------------------------------------------------------------

void TID64List::Assign(const TVirtualConstructedObject* source) {
    if (source == this) return;
    if (auto* ids = dynamic_cast<const TID64List*>(source)) return FList.Assign(&ids->FList);
    FList.Assign(source);
}
