// The pivot formula parser, its aggregate and Value functions, and the root's
// error mapping.
#include "UPivotCubeFormula.h"

#include <algorithm>


TPivotCubeFormulaInteractiveParser::TPivotCubeFormulaInteractiveParser() {
    struct Registration {
        const char* name;
        const TFEClass* cls;
    };
    const Registration registrations[] = {
        {"Sum", &TPCFuncSum::StaticClass()},         {"Somme", &TPCFuncSum::StaticClass()},
        {"Average", &TPCFuncAverage::StaticClass()}, {"Moyenne", &TPCFuncAverage::StaticClass()},
        {"Count", &TPCFuncCount::StaticClass()},     {"Nombre", &TPCFuncCount::StaticClass()},
        {"Minimum", &TPCFuncMin::StaticClass()},     {"Maximum", &TPCFuncMax::StaticClass()},
        {"Range", &TPCFuncRange::StaticClass()},     {"Etendue", &TPCFuncRange::StaticClass()},
        {"Value", &TPCFuncValue::StaticClass()},     {"Valeur", &TPCFuncValue::StaticClass()},
    };
    for (const Registration& r : registrations) {
        const QString name = QString::fromLatin1(r.name);
        RegisterFunction(name, *r.cls, name);
    }
}

TPivotCubeFormulaInteractiveParser::~TPivotCubeFormulaInteractiveParser() = default;

void TPivotCubeFormulaInteractiveParser::BeginLine(const TPCDataItemList& items) {
    if (!FLine) FLine = std::make_unique<TPCLineAggregates>();
    FLine->Begin(items);
}

void TPivotCubeFormulaInteractiveParser::EndLine() {
    if (FLine) FLine->End();
}

std::unique_ptr<TFormulaExpr> TPivotCubeFormulaInteractiveParser::CreateRoot() {
    return std::make_unique<TPivotCubeFormulaExpr>();
}

// ---------------------------------------------------------------------------
// Root

double TPivotCubeFormulaExpr::EvaluateNum() {
    try {
        return TFormulaExpr::EvaluateNum();
    } catch (const std::exception&) {
        // floating-point faults, text conversion and formatting errors
        return 0;
    }
}

QString TPivotCubeFormulaExpr::EvaluateString() {
    try {
        return TFormulaExpr::EvaluateString();
    } catch (const std::exception&) {
        return QStringLiteral("#ERR!");
    }
}

// ---------------------------------------------------------------------------
// Functions

double TPCFuncGroupOperator::EvaluateNum() {
    const TFormulaParser* parser = Parser();
    const auto* pivotParser = dynamic_cast<const TPivotCubeFormulaInteractiveParser*>(parser);
    if (!pivotParser || !pivotParser->ContextValues || !pivotParser->ContextItems)
        return 0;
    if (FValueIndex == -1) {
        // Resolved once per compiled expression, whatever later contexts hold.
        if (!FOperator)
            FOperator = CreateGroupOperator(OperatorClass());
        const QString name = VarToStr(Param(0)->Evaluate());
        const int index = pivotParser->ContextValues->IndexOfName(name);
        FValueIndex = index >= 0 ? index : UnknownValue;
    }
    if (FValueIndex == UnknownValue)
        return 0;
    if (const TPCCellAggregates* cell = pivotParser->ContextCell) {
        double result = 0;
        if (cell->Lookup(FValueIndex, FOperator->ClassType(), result))
            return result;
    }
    if (TPCLineAggregates* line = pivotParser->LineAggregates(); line && line->Active()) {
        double result = 0;
        if (line->Lookup(*pivotParser->ContextItems, pivotParser->ContextFilters, *pivotParser->ContextValues, FValueIndex,
                         FOperator->ClassType(), result))
            return result;
    }
    return AggregateItems(*pivotParser->ContextItems, pivotParser->ContextFilters, FValueIndex, *FOperator);
}

double TPCFuncValue::EvaluateNum() {
    const auto* root = dynamic_cast<const TPivotCubeFormulaExpr*>(Root());
    return root ? root->CurrentValue : 0;
}

// ---------------------------------------------------------------------------
// Line aggregates

namespace {

// Items ahead of the one read whose numbers are asked for early: a line's
// items lie scattered over the item store.
constexpr size_t PrefetchDistance = 16;

} // namespace

bool TPCAccumulator::Result(TPCGroupOperatorClass c, double& result) const {
    // The results as the operators give them.
    if (c == TPCGOSum::StaticClass()) result = Total;
    else if (c == TPCGOAverage::StaticClass()) result = Count > 0 ? Total / Count : 0;
    else if (c == TPCGOCount::StaticClass()) result = Count;
    else if (c == TPCGOMax::StaticClass()) result = Max != -1e300 ? Max : 0;
    else if (c == TPCGOMin::StaticClass()) result = Min != 1e300 ? Min : 0;
    else if (c == TPCGORange::StaticClass()) result = Min != 1e300 ? Max - Min : 0;
    else return false;
    return true;
}

void TPCLineAggregates::Begin(const TPCDataItemList& items) {
    End();
    FItems = &items;
    FData = items.data();
    FSize = items.size();
}

void TPCLineAggregates::End() {
    FItems = nullptr;
    FData = nullptr;
    FSize = 0;
    FBucketsUsed = 0;
}

TPCLineAggregates::Buckets* TPCLineAggregates::bucketsFor(const std::vector<int32_t>& axes, const TPivotCubeData& cube,
                                                          int valueCount) {
    for (size_t i = 0; i < FBucketsUsed; ++i)
        if (FBuckets[i].Axes == axes) return &FBuckets[i];
    if (FBucketsUsed == FBuckets.size()) FBuckets.emplace_back();
    Buckets& b = FBuckets[FBucketsUsed++];
    b.Axes = axes;
    b.Sizes.clear();
    b.Usable = false;
    b.Numbered = false;
    b.Count = 1;
    const size_t limit = std::min(MaxBuckets, std::max<size_t>(64, 2 * FSize));
    for (int32_t axis : axes) {
        const size_t size = size_t(cube.Axises()[axis]->MemberCount()) + 1;
        b.Sizes.push_back(int32_t(size));
        b.Count *= size;
        if (b.Count > limit) return &b;   // more buckets than the line is worth
    }
    b.Done.assign(size_t(valueCount), 0);
    b.Acc.assign(size_t(valueCount) * b.Count, Accumulator());
    b.Usable = true;
    return &b;
}

// The items' buckets are numbered once per list of axes; then one pass per
// value feeds each item's value to its bucket, in list order. An item with an
// ID outside 0 .. member count on one of the axes falls in no bucket; such an
// ID is never looked up either.
void TPCLineAggregates::accumulate(Buckets& b, int valueIndex) {
    const size_t k = b.Axes.size();
    if (!b.Numbered) {
        ++FPasses;
        b.OfItem.resize(FSize);
        const int32_t* axes = b.Axes.data();
        const int32_t* sizes = b.Sizes.data();
        int32_t* ofItem = b.OfItem.data();
        if (k == 1) {
            const int32_t axis = axes[0];
            const uint32_t size = uint32_t(sizes[0]);
            for (size_t i = 0; i < FSize; ++i) {
                if (i + PrefetchDistance < FSize) __builtin_prefetch(FData[i + PrefetchDistance].AxisIDs + axis);
                const int32_t id = FData[i].AxisIDs[axis];
                ofItem[i] = uint32_t(id) < size ? id : -1;
            }
        } else {
            for (size_t i = 0; i < FSize; ++i) {
                const int32_t* ids = FData[i].AxisIDs;
                int64_t number = 0;
                for (size_t j = 0; j < k; ++j) {
                    const int32_t id = ids[axes[j]];
                    if (uint32_t(id) >= uint32_t(sizes[j])) {
                        number = -1;
                        break;
                    }
                    number = number * sizes[j] + id;
                }
                ofItem[i] = int32_t(number);
            }
        }
        b.Numbered = true;
    }
    ++FPasses;
    const int32_t* ofItem = b.OfItem.data();
    Accumulator* acc = b.Acc.data() + size_t(valueIndex) * b.Count;
    const int v = valueIndex;
    for (size_t i = 0; i < FSize; ++i) {
        if (i + PrefetchDistance < FSize) __builtin_prefetch(FData[i + PrefetchDistance].Values + v);
        const int32_t number = ofItem[i];
        if (number < 0) continue;
        acc[number].Add(FData[i].Values[v]);
    }
    b.Done[size_t(v)] = 1;
}

bool TPCLineAggregates::Lookup(const TPCDataItemList& items, TPCAxisFilterSpan filters, const TPivotCubeValues& values,
                               int valueIndex, TPCGroupOperatorClass opClass, double& result) {
    if (!FItems || &items != FItems || items.data() != FData || items.size() != FSize) return false;
    const TPivotCubeData* cube = values.Cube;
    double probe = 0;
    if (!cube || !TPCAccumulator().Result(opClass, probe) || valueIndex < 0 || valueIndex >= values.Count()) return false;
    // Only stacks of single-ID filters on distinct axes name one bucket; a
    // filter that keeps everything constrains nothing.
    FAxesScratch.clear();
    FIDsScratch.clear();
    const int axisCount = cube->Axises().Count();
    for (const TPCAxisFilter* f : filters) {
        if (f->ExcludeIDs.Count() != 0) return false;
        const int n = f->IncludeIDs.Count();
        if (n == 0) continue;
        if (n != 1 || f->Axis < 0 || f->Axis >= axisCount) return false;
        if (std::find(FAxesScratch.begin(), FAxesScratch.end(), f->Axis) != FAxesScratch.end()) return false;
        FAxesScratch.push_back(f->Axis);
        FIDsScratch.push_back(f->IncludeIDs[0]);
    }
    // Without a filter the single scan is already the whole line.
    if (FAxesScratch.empty()) return false;
    Buckets* b = bucketsFor(FAxesScratch, *cube, values.Count());
    if (!b->Usable) return false;
    size_t bucket = 0;
    for (size_t j = 0; j < FIDsScratch.size(); ++j) {
        const int32_t id = FIDsScratch[j];
        if (id < 0 || id >= b->Sizes[j]) return false;
        bucket = bucket * size_t(b->Sizes[j]) + size_t(id);
    }
    if (!b->Done[size_t(valueIndex)]) accumulate(*b, valueIndex);
    return b->Acc[size_t(valueIndex) * b->Count + bucket].Result(opClass, result);
}
