// The cube data set: descriptions, values, the data-item block store and the stored form.
#include "UPivotCube.h"
#include "UPivotCubeMemory.h"
#include "UPivotCubeOwnedLists.h"

#include <algorithm>
#include <cstring>

LORVANE_IMPLEMENT_CLASS(TBaseNomDescription, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPivotCubeValue, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPivotCubeValues, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPCDataItems, TClipBoardAble)
LORVANE_IMPLEMENT_CLASS(TPivotCubeData, TClipBoardAble)

// The classes that stored sequences name.
LORVANE_REGISTER_CLASS(TBaseNomDescription)
LORVANE_REGISTER_CLASS(TPivotCubeAxis)
LORVANE_REGISTER_CLASS(TPivotCubeValue)
LORVANE_REGISTER_CLASS(TPivotCubeData)

namespace {
const QString kDataItemClass = QStringLiteral("TPCDataItem");
}

// --- TBaseNomDescription ---------------------------------------------------

void TBaseNomDescription::WriteToFiler(TVirtualWriter& writer) const {
    if (!Nom.isEmpty() || !Description.isEmpty()) {
        writer.WriteString("Name", Nom);
        writer.WriteString("Description", Description);
    } else {
        writer.WriteBoolean("NotEmpty", false);
    }
}

void TBaseNomDescription::ReadFromFiler(TVirtualReader& reader) {
    if (reader.NextValue() == vaFalse) {
        reader.ReadBoolean("NotEmpty");
        Nom.clear();
        Description.clear();
    } else {
        Nom = reader.ReadString("Name");
        Description = reader.ReadString("Description");
    }
}

// --- Values ----------------------------------------------------------------

void TPivotCubeValue::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    Description.WriteToFiler(writer);
    writer.WriteString("FormatString", QString());
    writer.WriteString("GroupOperator", GroupOperatorName());
    writer.WriteVersionEnd();
}

void TPivotCubeValue::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    Description.ReadFromFiler(reader);
    reader.ReadString("FormatString");
    SetGroupOperatorName(reader.ReadString("GroupOperator"));
    reader.ReadVersionEnd();
}

int TPivotCubeValues::IndexOfName(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Nom() == name) return int(i);
    return -1;
}

TPivotCubeValue* TPivotCubeValues::FindByName(const QString& name) const {
    int i = IndexOfName(name);
    return i >= 0 ? FItems[size_t(i)].get() : nullptr;
}

void TPivotCubeValues::AddNamesTo(TStringList& list) const {
    for (size_t i = 0; i < FItems.size(); ++i) list.Add(FItems[i]->Nom(), qint64(i));
}

TPivotCubeValue* TPivotCubeValues::Add(std::unique_ptr<TPivotCubeValue> value) {
    value->Owner = this;
    value->Index = Count();
    FItems.push_back(std::move(value));
    return FItems.back().get();
}

void TPivotCubeValues::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    WriteObjectList(writer, TVectorObjectListView<TPivotCubeValue>(FItems));
    writer.WriteVersionEnd();
}

void TPivotCubeValues::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    ReadOwnedObjectList(reader, this, FItems, "TPivotCubeValues");
    reader.ReadVersionEnd();
    for (size_t i = 0; i < FItems.size(); ++i) FItems[i]->Index = int32_t(i);
}

// --- Data items ------------------------------------------------------------

int TPCDataItems::AxisCount() const { return Cube ? Cube->Axises().Count() : FAxisCount; }
int TPCDataItems::ValueCount() const { return Cube ? Cube->Values().Count() : FValueCount; }

void TPCDataItems::Clear() {
    dropOrderingState();
    FItems.clear();
    FItems.shrink_to_fit();
    FIDBlocks.clear();
    FValueBlocks.clear();
    FIDBlock = nullptr;
    FValueBlock = nullptr;
    FIDRunNext = nullptr;
    FValueRunNext = nullptr;
    FIDBlockCount = FValueBlockCount = 0;
    FIDSpareBlocks = FValueSpareBlocks = 0;
    FIDBlockCapacity = FValueBlockCapacity = 0;
    FIDBlockUsed = FValueBlockUsed = 0;
}

void TPCDataItems::SetShape(int axisCount, int valueCount) {
    Clear();
    FAxisCount = std::max(axisCount, 0);
    FValueCount = std::max(valueCount, 0);
}

namespace {

// The next block of a store: the next spare one of the last run when one is
// left and a standard block will do, else a block of its own.
template <class T>
T* takeBlock(std::vector<std::unique_ptr<T[]>>& storage, T*& next, qint64& spare, qint64& count, qint64 entries,
             qint64 standard) {
    if (spare > 0 && entries == standard) {
        T* block = next;
        next += standard;
        --spare;
        return block;
    }
    storage.emplace_back(new T[size_t(entries)]);
    ++count;
    return storage.back().get();
}

// A run of standard blocks as one allocation, backed by huge pages where the
// system can; all of them spare.
template <class T>
void takeRun(std::vector<std::unique_ptr<T[]>>& storage, T*& next, qint64& spare, qint64& count, qint64 blocks,
             qint64 standard) {
    storage.emplace_back(new T[size_t(blocks * standard)]);
    next = storage.back().get();
    AdviseHugePages(next, size_t(blocks * standard));
    count += blocks;
    spare = blocks;
}

} // namespace

TPCDataItem TPCDataItems::allocate() {
    TPCDataItem item;
    if (FAxisCount > 0) {
        // A new block is taken when the current one has fewer entries left than one item needs.
        if (FIDBlockCapacity - FIDBlockUsed < FAxisCount) {
            FIDBlockCapacity = std::max<qint64>(IDBlockEntries, FAxisCount);
            FIDBlock = takeBlock(FIDBlocks, FIDRunNext, FIDSpareBlocks, FIDBlockCount, FIDBlockCapacity, IDBlockEntries);
            FIDBlockUsed = 0;
        }
        item.AxisIDs = FIDBlock + FIDBlockUsed;
        FIDBlockUsed += FAxisCount;
    }
    if (FValueCount > 0) {
        if (FValueBlockCapacity - FValueBlockUsed < FValueCount) {
            FValueBlockCapacity = std::max<qint64>(ValueBlockEntries, FValueCount);
            FValueBlock = takeBlock(FValueBlocks, FValueRunNext, FValueSpareBlocks, FValueBlockCount, FValueBlockCapacity,
                                    ValueBlockEntries);
            FValueBlockUsed = 0;
        }
        item.Values = FValueBlock + FValueBlockUsed;
        FValueBlockUsed += FValueCount;
    }
    return item;
}

void TPCDataItems::reserveFor(qint64 items) {
    if (items <= 0) return;
    if (FItems.capacity() < FItems.size() + size_t(items)) {
        FItems.reserve(FItems.size() + size_t(items));
        AdviseHugePages(FItems);
    }
    // A new run of blocks when the spare ones cannot hold the items (the few
    // left of the last run then stay unused).
    if (FAxisCount > 0 && FAxisCount <= IDBlockEntries) {
        const qint64 perBlock = IDBlockEntries / FAxisCount, blocks = (items + perBlock - 1) / perBlock;
        if (FIDSpareBlocks < blocks) takeRun(FIDBlocks, FIDRunNext, FIDSpareBlocks, FIDBlockCount, blocks, IDBlockEntries);
    }
    if (FValueCount > 0 && FValueCount <= ValueBlockEntries) {
        const qint64 perBlock = ValueBlockEntries / FValueCount, blocks = (items + perBlock - 1) / perBlock;
        if (FValueSpareBlocks < blocks)
            takeRun(FValueBlocks, FValueRunNext, FValueSpareBlocks, FValueBlockCount, blocks, ValueBlockEntries);
    }
}

TPCDataItem TPCDataItems::Add(const int32_t* axisIDs, const double* values) {
    if (FItems.empty() && Cube) {
        FAxisCount = AxisCount();
        FValueCount = ValueCount();
    }
    dropOrderingState();
    TPCDataItem item = allocate();
    if (FAxisCount) std::memcpy(item.AxisIDs, axisIDs, sizeof(int32_t) * size_t(FAxisCount));
    if (FValueCount) std::memcpy(item.Values, values, sizeof(double) * size_t(FValueCount));
    FItems.push_back(item);
    return item;
}

qint64 TPCDataItems::MemoryUsed() const {
    return FIDBlockCount * IDBlockEntries * qint64(sizeof(int32_t)) +
           FValueBlockCount * ValueBlockEntries * qint64(sizeof(double)) +
           qint64(FItems.capacity() * sizeof(TPCDataItem));
}

void TPCDataItems::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    // The object sequence of the items: one class name, then class number 0.
    writer.WriteVersion(0);
    writer.WriteListBegin("Items");
    const qint64 idBytes = qint64(sizeof(int32_t)) * FAxisCount, valueBytes = qint64(sizeof(double)) * FValueCount;
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (i == 0) writer.WriteString("ClassName", kDataItemClass);
        else writer.WriteInteger("ClassID", 0);
        writer.WriteObjectBegin("Item");
        writer.WriteVersion(0);
        writer.Write("Axis", FItems[i].AxisIDs, idBytes);
        writer.Write("Values", FItems[i].Values, valueBytes);
        writer.WriteVersionEnd();
        writer.WriteObjectEnd();
    }
    writer.WriteListEnd();
    writer.WriteVersionEnd();
    writer.WriteVersionEnd();
}

void TPCDataItems::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    SetShape(AxisCount(), ValueCount());
    const qint64 idBytes = qint64(sizeof(int32_t)) * FAxisCount, valueBytes = qint64(sizeof(double)) * FValueCount;
    // The items' object sequence. Items are kept in the block store, so the
    // sequence is read here rather than through instances of a class.
    version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(QStringLiteral("ObjectList"), version);
    reader.ReadListBegin();
    int classes = 0;
    // Once the class name is known, an item is the fixed record "02 00" (class
    // number 0), "02 00" (version 0), its IDs and its values: read in one go.
    // Anything else, or a short read, takes the general path below.
    const bool binary = dynamic_cast<TBinaryReader*>(&reader) != nullptr;
    const qint64 recordSize = 4 + idBytes + valueBytes;
    std::vector<uint8_t> record(static_cast<size_t>(recordSize));
    TStream& stream = reader.Stream();
    // Every item takes at least a record: the input bounds the count, so the
    // list and the blocks are sized for the items the bytes left can hold
    // instead of growing item by item (and the list is never copied to drop a
    // spare half). A stored total is trusted that way only MaxReservedBytes at
    // a time: past them, the next stretch is sized from what is left then.
    const qint64 stretch = MaxReservedBytes / (qint64(sizeof(TPCDataItem)) + recordSize);
    TPageWarmer warmer;
    size_t stretchEnd = 0;   // the item count up to which room is reserved
    auto reserveStretch = [&] {
        // The memory of the last stretch is done with before the list may move.
        warmer.Wait();
        const qint64 items = std::clamp<qint64>(std::max<qint64>(stream.Remaining(), 0) / recordSize + 1, 1, stretch);
        reserveFor(items);
        stretchEnd = FItems.size() + size_t(items);
        warmer.Warm(FItems.data() + FItems.size(), std::min(FItems.capacity() - FItems.size(), size_t(items)));
        if (FIDSpareBlocks > 0) warmer.Warm(FIDRunNext, size_t(FIDSpareBlocks * IDBlockEntries));
        if (FValueSpareBlocks > 0) warmer.Warm(FValueRunNext, size_t(FValueSpareBlocks * ValueBlockEntries));
    };
    // The list is reserved for every item the bytes can hold at once (address
    // room only until it is filled), so that it never moves while loading.
    FItems.reserve(size_t(std::min<qint64>(std::max<qint64>(stream.Remaining(), 0) / recordSize + 1, MaxListEntries)));
    AdviseHugePages(FItems);
    reserveStretch();
    for (;;) {
        if (FItems.size() >= stretchEnd) reserveStretch();
        if (binary && classes == 1) {
            const qint64 got = stream.Read(record.data(), recordSize);
            if (got == recordSize && record[0] == vaInt8 && record[1] == 0 && record[2] == vaInt8 && record[3] == 0) {
                TPCDataItem item = allocate();
                if (idBytes) std::memcpy(item.AxisIDs, record.data() + 4, size_t(idBytes));
                if (valueBytes) std::memcpy(item.Values, record.data() + 4 + idBytes, size_t(valueBytes));
                FItems.push_back(item);
                continue;
            }
            stream.Seek(-got, TSeekOrigin::soCurrent);
        }
        if (reader.EndOfList()) break;
        switch (reader.NextValue()) {
        case vaInt8: case vaInt16: case vaInt32: {
            int32_t id = reader.ReadInteger("ClassID");
            if (id < 0 || id >= classes) RaiseBrokenObjectList();
            break;
        }
        case vaString: case vaLString: case vaUTF8String: {
            QString name = reader.ReadString("ClassName");
            if (name != kDataItemClass) {
                FindPersistentClass(name, true);
                throw EFilerException(QStringLiteral("TPCDataItems.ReadFromFiler : unexpected item class %1").arg(name));
            }
            // Only one class can be met; a second name entry is still one class.
            classes = 1;
            break;
        }
        default: RaiseBrokenObjectList();
        }
        version = reader.ReadVersion();
        if (version != 0) RaiseFilerException(kDataItemClass, version);
        TPCDataItem item = allocate();
        reader.Read("Axis", item.AxisIDs, idBytes);
        reader.Read("Values", item.Values, valueBytes);
        reader.ReadVersionEnd();
        FItems.push_back(item);
    }
    reader.ReadListEnd();
    reader.ReadVersionEnd();
    // A list sized from the bytes left is full or nearly: copying it to drop
    // a few entries would double its room for a moment.
    if (FItems.capacity() - FItems.size() > FItems.size() / 8) FItems.shrink_to_fit();
    reader.ReadVersionEnd();
}

// --- TPivotCubeData --------------------------------------------------------

TPivotCubeData::TPivotCubeData()
    : FDescription(std::make_unique<TBaseNomDescription>()),
      FAxises(std::make_unique<TPivotCubeAxises>()),
      FValues(std::make_unique<TPivotCubeValues>()),
      FDataItems(std::make_unique<TPCDataItems>()) {
    FAxises->Cube = this;
    FValues->Cube = this;
    FDataItems->Cube = this;
}

TPivotCubeData::~TPivotCubeData() = default;

void TPivotCubeData::Clear() {
    FDescription->Nom.clear();
    FDescription->Description.clear();
    FDataItems->Clear();
    FAxises->Clear();
    FValues->Clear();
}

void TPivotCubeData::CheckDataItems() const {
    const int axes = FAxises->Count();
    const TPCDataItemList& items = FDataItems->List();
    for (int a = 0; a < axes; ++a) {
        const int32_t limit = FAxises->Items(a)->MemberCount();
        for (size_t i = 0; i < items.size(); ++i) {
            const int32_t id = items[i].AxisIDs[a];
            if (id < 0 || id > limit)
                throw EFilerException(QStringLiteral("TPCDataItems.ReadFromFiler : data item %1 has member ID %2 on axis \"%3\", outside 0..%4")
                                          .arg(qint64(i))
                                          .arg(id)
                                          .arg(FAxises->Items(a)->Nom())
                                          .arg(limit));
        }
    }
}

void TPivotCubeData::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    FDescription->WriteToFiler(writer);
    FAxises->WriteToFiler(writer);
    FValues->WriteToFiler(writer);
    FDataItems->WriteToFiler(writer);
    writer.WriteVersionEnd();
}

void TPivotCubeData::ReadFromFiler(TVirtualReader& reader) {
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    FDataItems->Clear();
    FDescription->ReadFromFiler(reader);
    FAxises->ReadFromFiler(reader);
    FValues->ReadFromFiler(reader);
    FDataItems->ReadFromFiler(reader);
    reader.ReadVersionEnd();
    // Item IDs are used as bucket numbers and array positions: they must name members.
    CheckDataItems();
}
