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

// Accumulators with the arithmetic of the group operators, one per bucket.
struct SumAcc {
    double Total = 0;
    void Add(double x) { Total = Total + x; }
    double Result() const { return Total; }
};
struct AverageAcc {
    double Total = 0;
    int32_t Count = 0;
    void Add(double x) { Total = Total + x; ++Count; }
    double Result() const { return Count > 0 ? Total / Count : 0; }
};
struct CountAcc {
    int32_t Count = 0;
    void Add(double) { ++Count; }
    double Result() const { return Count; }
};
struct MaxAcc {
    double Max = -1e300;
    void Add(double x) { if (x > Max) Max = x; }
    double Result() const { return Max != -1e300 ? Max : 0; }
};
struct MinAcc {
    double Min = 1e300;
    void Add(double x) { if (!(x >= Min)) Min = x; }
    double Result() const { return Min != 1e300 ? Min : 0; }
};
struct RangeAcc {
    double Min = 1e300, Max = -1e300;
    void Add(double x) {
        if (!(x >= Min)) Min = x;
        if (x > Max) Max = x;
    }
    double Result() const { return Min != 1e300 ? Max - Min : 0; }
};

template <class Acc>
void aggregateByBucket(const TPCDataItemList& items, const std::vector<int32_t>& ofItem, size_t buckets, int v,
                       std::vector<double>& out) {
    std::vector<Acc> acc(buckets);
    const size_t n = items.size();
    for (size_t i = 0; i < n; ++i) {
        const int32_t b = ofItem[i];
        if (b >= 0) acc[size_t(b)].Add(items[i].Values[v]);
    }
    out.resize(buckets);
    for (size_t b = 0; b < buckets; ++b) out[b] = acc[b].Result();
}

// The built-in operators, which buckets serve; -1 for any other class.
int bucketOperator(TPCGroupOperatorClass c) {
    if (c == TPCGOSum::StaticClass()) return 0;
    if (c == TPCGOAverage::StaticClass()) return 1;
    if (c == TPCGOCount::StaticClass()) return 2;
    if (c == TPCGOMax::StaticClass()) return 3;
    if (c == TPCGOMin::StaticClass()) return 4;
    if (c == TPCGORange::StaticClass()) return 5;
    return -1;
}

} // namespace

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
    FResultsUsed = 0;
}

TPCLineAggregates::Buckets* TPCLineAggregates::bucketsFor(const std::vector<int32_t>& axes, const TPivotCubeData& cube,
                                                          size_t& index) {
    for (size_t i = 0; i < FBucketsUsed; ++i)
        if (FBuckets[i].Axes == axes) {
            index = i;
            return &FBuckets[i];
        }
    if (FBucketsUsed == FBuckets.size()) FBuckets.emplace_back();
    index = FBucketsUsed++;
    Buckets& b = FBuckets[index];
    b.Axes = axes;
    b.Sizes.clear();
    b.Usable = false;
    b.Count = 1;
    const size_t limit = std::min(MaxBuckets, std::max<size_t>(64, 2 * FSize));
    for (int32_t axis : axes) {
        const size_t size = size_t(cube.Axises()[axis]->MemberCount()) + 1;
        b.Sizes.push_back(int32_t(size));
        b.Count *= size;
        if (b.Count > limit) return &b;   // more buckets than the line is worth
    }
    // An item with an ID outside 0 .. member count on one of the axes falls in
    // no bucket; such an ID is never looked up here either.
    ++FPasses;
    b.OfItem.resize(FSize);
    const TPCDataItem* data = FData;
    if (axes.size() == 1) {
        const int32_t axis = axes[0];
        const uint32_t size = uint32_t(b.Sizes[0]);
        for (size_t i = 0; i < FSize; ++i) {
            const int32_t id = data[i].AxisIDs[axis];
            b.OfItem[i] = uint32_t(id) < size ? id : -1;
        }
    } else {
        const size_t k = axes.size();
        for (size_t i = 0; i < FSize; ++i) {
            const int32_t* ids = data[i].AxisIDs;
            int64_t number = 0;
            for (size_t j = 0; j < k; ++j) {
                const int32_t id = ids[axes[j]];
                if (uint32_t(id) >= uint32_t(b.Sizes[j])) {
                    number = -1;
                    break;
                }
                number = number * b.Sizes[j] + id;
            }
            b.OfItem[i] = int32_t(number);
        }
    }
    b.Usable = true;
    return &b;
}

bool TPCLineAggregates::Lookup(const TPCDataItemList& items, TPCAxisFilterSpan filters, const TPivotCubeValues& values,
                               int valueIndex, TPCGroupOperatorClass opClass, double& result) {
    if (!FItems || &items != FItems || items.data() != FData || items.size() != FSize) return false;
    const TPivotCubeData* cube = values.Cube;
    const int op = bucketOperator(opClass);
    if (!cube || op < 0 || valueIndex < 0 || valueIndex >= values.Count()) return false;
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
    size_t bucketsIndex = 0;
    const Buckets* b = bucketsFor(FAxesScratch, *cube, bucketsIndex);
    if (!b->Usable) return false;
    size_t bucket = 0;
    for (size_t j = 0; j < FIDsScratch.size(); ++j) {
        const int32_t id = FIDsScratch[j];
        if (id < 0 || id >= b->Sizes[j]) return false;
        bucket = bucket * size_t(b->Sizes[j]) + size_t(id);
    }
    for (size_t i = 0; i < FResultsUsed; ++i) {
        const Results& r = FResults[i];
        if (r.BucketsIndex == bucketsIndex && r.ValueIndex == valueIndex && r.OperatorClass == opClass) {
            result = r.PerBucket[bucket];
            return true;
        }
    }
    if (FResultsUsed == FResults.size()) FResults.emplace_back();
    Results& r = FResults[FResultsUsed++];
    r.BucketsIndex = bucketsIndex;
    r.ValueIndex = valueIndex;
    r.OperatorClass = opClass;
    ++FPasses;
    switch (op) {
    case 0: aggregateByBucket<SumAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    case 1: aggregateByBucket<AverageAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    case 2: aggregateByBucket<CountAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    case 3: aggregateByBucket<MaxAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    case 4: aggregateByBucket<MinAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    default: aggregateByBucket<RangeAcc>(items, b->OfItem, b->Count, valueIndex, r.PerBucket); break;
    }
    result = r.PerBucket[bucket];
    return true;
}
