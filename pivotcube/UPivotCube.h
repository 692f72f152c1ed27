#pragma once
// The cube data set: axes with their members, values with their group
// operators, and the data items (one member ID per axis, one double per value).
// A ".pvc" file is TPivotCubeData saved with the header "PivotCube-KDR-1.00"
// and compression on.

#include "UCompressor.h"
#include "XClasses.h"
#include "XLists.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class TPivotCubeData;
class TPivotCubeAxises;
class TPivotCubeValues;
class TPCDataItems;
class TPCAxisFilter;

// An internal consistency check failed ("Assertion failure (source, line n)").
LORVANE_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// ---------------------------------------------------------------------------
// Group operators: turn a sequence of numbers into one number.

class TPCGroupOperator : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCGroupOperator, TClipBoardAble)
public:
    virtual void Reset() {}
    virtual void Accumulate(const double& x) { (void)x; }
    virtual double GetResult() const { return 0; }
};
using TPCGroupOperatorClass = TPersistentClass;

class TPCGONull : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGONull, TPCGroupOperator)
};

class TPCGOSum : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGOSum, TPCGroupOperator)
public:
    TPCGOSum() { Reset(); }
    void Reset() override { Total = 0; }
    void Accumulate(const double& x) override { Total = Total + x; }
    double GetResult() const override { return Total; }
    double Total;
};

class TPCGOAverage : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGOAverage, TPCGroupOperator)
public:
    TPCGOAverage() { Reset(); }
    void Reset() override { Total = 0; Count = 0; }
    void Accumulate(const double& x) override { Total = Total + x; ++Count; }
    double GetResult() const override { return Count > 0 ? Total / Count : 0; }
    double Total;
    int32_t Count;
};

class TPCGOCount : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGOCount, TPCGroupOperator)
public:
    TPCGOCount() { Reset(); }
    void Reset() override { Count = 0; }
    void Accumulate(const double&) override { ++Count; }
    double GetResult() const override { return Count; }
    int32_t Count;
};

class TPCGOMax : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGOMax, TPCGroupOperator)
public:
    TPCGOMax() { Reset(); }
    void Reset() override { Max = -1e300; }
    void Accumulate(const double& x) override { if (x > Max) Max = x; }
    double GetResult() const override { return Max != -1e300 ? Max : 0; }
    double Max;
};

class TPCGOMin : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGOMin, TPCGroupOperator)
public:
    TPCGOMin() { Reset(); }
    void Reset() override { Min = 1e300; }
    void Accumulate(const double& x) override { if (!(x >= Min)) Min = x; }
    double GetResult() const override { return Min != 1e300 ? Min : 0; }
    double Min;
};

class TPCGORange : public TPCGroupOperator {
    LORVANE_PERSISTENT_CLASS(TPCGORange, TPCGroupOperator)
public:
    TPCGORange() { Reset(); }
    void Reset() override { Min = 1e300; Max = -1e300; }
    void Accumulate(const double& x) override {
        if (!(x >= Min)) Min = x;
        if (x > Max) Max = x;
    }
    double GetResult() const override { return Min != 1e300 ? Max - Min : 0; }
    double Min, Max;
};

struct TRegisteredPCGroupOperator {
    TPCGroupOperatorClass OperatorClass;
    QString Name;
    QString Description;
};

// The registry holds, in this order: "Somme", "Moyenne", "Nombre", "Maximum", "Minimum", "Etendue".
void RegisterGroupOperator(TPCGroupOperatorClass operatorClass, const QString& name, const QString& description);
TPCGroupOperatorClass GroupOperatorByName(const QString& name);
QString NameOfGroupOperator(TPCGroupOperatorClass operatorClass);
void ListGroupOperators(TStringList& strings);   // names, with the registry position attached
const std::vector<TRegisteredPCGroupOperator>& RegisteredGroupOperators();
std::unique_ptr<TPCGroupOperator> CreateGroupOperator(TPCGroupOperatorClass operatorClass);

// ---------------------------------------------------------------------------
// A name and a description (the cube's title, an axis name, a value name).

class TBaseNomDescription : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TBaseNomDescription, TClipBoardAble)
public:
    QString Nom;
    QString Description;
    // Written as "Name" and "Description", or as "NotEmpty" = false when both are empty.
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
};

// ---------------------------------------------------------------------------
// Axes

struct TPivotCubeAxisData {
    int32_t ID = 0;
    int32_t ParentID = 0;
    QString Caption;
    bool operator==(const TPivotCubeAxisData&) const = default;
};
using TPivotCubeAxisDatas = std::vector<TPivotCubeAxisData>;

// Member order of an axis.
enum TPivotCubeSortStyle : uint8_t {
    pcsCaption = 0,            // caption, case-insensitive (ASCII letters folded)
    pcsCaptionCaseSensitive,   // caption by UTF-16 code unit
    pcsInteger,                // integer value of the caption (0 when not an integer)
    pcsNumber,                 // number value of the caption (0 when not a number)
    pcsID                      // member ID
};

class TPivotCubeAxis : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPivotCubeAxis, TClipBoardAble)
public:
    TPivotCubeAxis();
    TPivotCubeAxises* Owner = nullptr;
    int32_t Index = 0;
    TPivotCubeAxis* ParentAxis = nullptr;
    bool ParentLinked = false;
    QString Category;
    TBaseNomDescription Description;
    uint8_t SortStyle = pcsCaption;
    TPivotCubeAxisDatas Members;   // kept in SortStyle order

    const QString& Nom() const { return Description.Nom; }
    int MemberCount() const { return int(Members.size()); }
    int IndexOfID(int32_t id) const;
    QString CaptionOf(int32_t id) const;
    // (found, position): the leftmost equal member, else the insertion position.
    bool FindMember(const QString& text, int& position) const;
    int32_t IDOfCaption(const QString& text) const;
    int32_t FindOrAddMember(const QString& text);
    void ClearMembers() { Members.clear(); }
    // Order of two members by SortStyle; EAssertionFailed for a style outside 0..4.
    int CompareMembers(const TPivotCubeAxisData& a, const TPivotCubeAxisData& b) const;
    // The parent index as stored, until the axis list resolves it.
    int32_t StoredParentAxisIndex() const { return FParentAxisIndex; }

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    int32_t FParentAxisIndex = -1;
};

class TPivotCubeAxises : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPivotCubeAxises, TClipBoardAble)
public:
    TPivotCubeData* Cube = nullptr;
    int Count() const { return int(FItems.size()); }
    TPivotCubeAxis* Items(int index) const { return FItems[size_t(index)].get(); }
    TPivotCubeAxis* operator[](int index) const { return Items(index); }
    int IndexOfName(const QString& name) const;
    TPivotCubeAxis* FindByName(const QString& name) const;
    TPivotCubeAxis* Add(std::unique_ptr<TPivotCubeAxis> axis);   // appends, sets Index and Owner
    void Clear() { FItems.clear(); }

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    std::vector<std::unique_ptr<TPivotCubeAxis>> FItems;
};

// ---------------------------------------------------------------------------
// Values

class TPivotCubeValue : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPivotCubeValue, TClipBoardAble)
public:
    TPivotCubeValues* Owner = nullptr;
    int32_t Index = 0;
    TBaseNomDescription Description;
    TPCGroupOperatorClass GroupOperator = nullptr;   // none when the stored name is not registered

    const QString& Nom() const { return Description.Nom; }
    QString GroupOperatorName() const { return NameOfGroupOperator(GroupOperator); }
    void SetGroupOperatorName(const QString& name) { GroupOperator = GroupOperatorByName(name); }

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
};

class TPivotCubeValues : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPivotCubeValues, TClipBoardAble)
public:
    TPivotCubeData* Cube = nullptr;
    int Count() const { return int(FItems.size()); }
    TPivotCubeValue* Items(int index) const { return FItems[size_t(index)].get(); }
    TPivotCubeValue* operator[](int index) const { return Items(index); }
    int IndexOfName(const QString& name) const;
    TPivotCubeValue* FindByName(const QString& name) const;
    // Appends each value's name with its value index attached.
    void AddNamesTo(TStringList& list) const;
    TPivotCubeValue* Add(std::unique_ptr<TPivotCubeValue> value);
    void Clear() { FItems.clear(); }

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    std::vector<std::unique_ptr<TPivotCubeValue>> FItems;
};

// ---------------------------------------------------------------------------
// Data items

// One data item: views into the block store of its list (no allocation of its own).
struct TPCDataItem {
    int32_t* AxisIDs = nullptr;   // one member ID per axis, in axis-index order
    double* Values = nullptr;     // one number per value, in value-index order
};
using TPCDataItemList = std::vector<TPCDataItem>;

// A filter's item predicate, chosen once per filter: the common cases (no
// filter, one ID, two IDs) compare integers directly.
struct TPCFilterMatcher {
    enum TKind : uint8_t { All, Equal, EqualEither, In, NotIn, InAndNotIn };
    TKind Kind = All;
    int32_t Axis = 0;
    int32_t A = 0, B = 0;
    const TIntegerList* Include = nullptr;
    const TIntegerList* Exclude = nullptr;
    bool MatchesID(int32_t id) const {
        switch (Kind) {
        case All: return true;
        case Equal: return id == A;
        case EqualEither: return id == A || id == B;
        case In: return Include->Contains(id);
        case NotIn: return !Exclude->Contains(id);
        case InAndNotIn: return Include->Contains(id) && !Exclude->Contains(id);
        }
        return false;
    }
    bool MatchesItem(const TPCDataItem& anItem) const { return MatchesID(anItem.AxisIDs[Axis]); }
};
using TPCFilterMatchItemEvent = std::function<bool(const TPCDataItem& anItem)>;

// The member-ID filter on one axis: a member ID passes when IncludeIDs is
// empty or holds it, and ExcludeIDs does not hold it.
class TPCAxisFilter : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCAxisFilter, TClipBoardAble)
public:
    TPCAxisFilter() = default;
    explicit TPCAxisFilter(int32_t axisIndex);
    int32_t Axis = 0;
    TIntegerList IncludeIDs;
    TIntegerList ExcludeIDs;
    TPCFilterMatcher Matcher() const;
    bool MatchesID(int32_t id) const { return Matcher().MatchesID(id); }
    bool MatchesItem(const TPCDataItem& anItem) const { return Matcher().MatchesItem(anItem); }
    // Stores a chosen set of members, given as the checked and the unchecked
    // IDs of the whole axis in member order: the checked ones go to
    // IncludeIDs, the others to ExcludeIDs, then the longer list is dropped
    // when there are checked ones, keeping the shorter description (all
    // checked leaves no filter; none checked excludes every member).
    void SetSelection(const std::vector<int32_t>& checked, const std::vector<int32_t>& unchecked);
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
};
using TPCAxisFilterSpan = std::span<const TPCAxisFilter* const>;

class TPCDataItems : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCDataItems, TClipBoardAble)
public:
    // Axis IDs are cut from blocks of this many int32 entries.
    static constexpr int IDBlockEntries = 32700;
    static constexpr int ValueBlockEntries = 16384;
    // Reading reserves the room of the items a stored total announces (list
    // entries and blocks) up to this many bytes at once; beyond, they grow.
    static constexpr qint64 MaxReservedBytes = qint64(256) << 20;
    // The item list is reserved whole up to this many entries (1 GiB of address room).
    static constexpr qint64 MaxListEntries = (qint64(1) << 30) / qint64(sizeof(TPCDataItem));

    TPCDataItems() = default;
    TPCDataItems(const TPCDataItems&) = delete;
    TPCDataItems& operator=(const TPCDataItems&) = delete;

    TPivotCubeData* Cube = nullptr;
    int Count() const { return int(FItems.size()); }
    const TPCDataItem& Items(int index) const { return FItems[size_t(index)]; }
    const TPCDataItem& operator[](int index) const { return FItems[size_t(index)]; }
    const TPCDataItemList& List() const { return FItems; }
    // The shape of every item: axis and value counts (those of the cube when linked).
    int AxisCount() const;
    int ValueCount() const;
    void SetShape(int axisCount, int valueCount);   // only while empty
    // Appends an item, copying its IDs and values into the block store.
    TPCDataItem Add(const int32_t* axisIDs, const double* values);
    void Reserve(int count) { FItems.reserve(size_t(count)); }
    void Clear();
    // Bytes held by the block store and the item list.
    qint64 MemoryUsed() const;

    // Ordering and selection. SortByAxis orders the items (and the filtered
    // subset) by the member IDs of one axis, served from a per-axis cache after
    // the first time; SetFilters keeps the subset of the items that pass the
    // dimension filters; FilterItems appends the active items that pass every
    // filter, in the active order.
    int SortAxis() const { return FSortAxis; }
    void SortByAxis(int axisIndex);
    void SetFilters(TPCAxisFilterSpan filters);
    const TPCDataItemList& ActiveItems() const { return FFiltered ? *FFiltered : FItems; }
    bool HasFilteredSubset() const { return FFiltered != nullptr; }
    void FilterItems(TPCAxisFilterSpan filters, TPCDataItemList& output) const;
    // The items FilterItems gives: the active items themselves when there is
    // no filter (no copy), else scratch filled with them.
    const TPCDataItemList& SelectItems(TPCAxisFilterSpan filters, TPCDataItemList& scratch) const;
    bool HasMatch(TPCAxisFilterSpan filters) const;
    // Leaves out, for good, the items that do not pass every filter (their
    // blocks stay allocated); the kept ones stay in their order.
    void KeepOnly(TPCAxisFilterSpan filters);

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    TPCDataItem allocate();
    // Takes the blocks of the given number of items (with the current shape)
    // as one run of consecutive blocks; only while empty.
    // Room for this many more items: list entries, and a run of blocks for a store without spare blocks.
    void reserveFor(qint64 items);
    void dropOrderingState();
    template <class Sink> void selectItems(const TPCDataItemList& base, TPCAxisFilterSpan filters, Sink&& sink) const;
    int FSortAxis = -1;
    std::vector<TPCDataItemList> FSortCache;
    std::unique_ptr<TPCDataItemList> FFiltered;
    int FAxisCount = 0, FValueCount = 0;
    // The storage of the blocks: single blocks, or runs of consecutive blocks
    // taken at once; the current block, and the blocks left in the last run.
    std::vector<std::unique_ptr<int32_t[]>> FIDBlocks;
    std::vector<std::unique_ptr<double[]>> FValueBlocks;
    int32_t* FIDBlock = nullptr;
    double* FValueBlock = nullptr;
    int32_t* FIDRunNext = nullptr;   // the next spare block of the last run
    double* FValueRunNext = nullptr;
    qint64 FIDBlockCount = 0, FValueBlockCount = 0;   // blocks taken, spare ones included
    qint64 FIDSpareBlocks = 0, FValueSpareBlocks = 0;
    qint64 FIDBlockCapacity = 0, FValueBlockCapacity = 0;   // entries of the current block
    qint64 FIDBlockUsed = 0, FValueBlockUsed = 0;
    TPCDataItemList FItems;
};

// ---------------------------------------------------------------------------
// The cube data set

class TPivotCubeData : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPivotCubeData, TClipBoardAble)
public:
    TPivotCubeData();
    ~TPivotCubeData() override;

    TBaseNomDescription& Description() { return *FDescription; }
    const TBaseNomDescription& Description() const { return *FDescription; }
    TPivotCubeAxises& Axises() { return *FAxises; }
    const TPivotCubeAxises& Axises() const { return *FAxises; }
    TPivotCubeValues& Values() { return *FValues; }
    const TPivotCubeValues& Values() const { return *FValues; }
    TPCDataItems& DataItems() { return *FDataItems; }
    const TPCDataItems& DataItems() const { return *FDataItems; }

    const IFileContentCodec* FileContentCodec() const override { return &CompressedFileContent(); }
    QByteArray FileFormatIDHeader() const override { return FileHeader(); }
    static QByteArray FileHeader() { return QByteArrayLiteral("PivotCube-KDR-1.00"); }
    static QString OpenDialogFilter() { return QStringLiteral("PivotCube (*.pvc)|*.pvc"); }

    // Empties the cube: no title, axes, values or items.
    void Clear();
    // Checks the data items against the axes: every ID lies in 0 .. member count.
    void CheckDataItems() const;

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    std::unique_ptr<TBaseNomDescription> FDescription;
    std::unique_ptr<TPivotCubeAxises> FAxises;
    std::unique_ptr<TPivotCubeValues> FValues;
    std::unique_ptr<TPCDataItems> FDataItems;
};

// ---------------------------------------------------------------------------
// Aggregation: the values at valueIndex of the items that pass every filter,
// in list order, through the operator (reset first). The known operators run
// without a virtual call per item.

double AggregateItems(const TPCDataItemList& items, TPCAxisFilterSpan filters, int valueIndex, TPCGroupOperator& op);
double AggregateAll(const TPCDataItemList& items, int valueIndex, TPCGroupOperator& op);
