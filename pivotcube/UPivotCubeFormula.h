#pragma once
// The pivot formula language: the standard language plus aggregate functions
// over the data items of the cell being computed ("Somme('Montant')") and
// "Value", the number a display expression is turning into text.
//
// The engine owns one TPivotCubeFormulaInteractiveParser. Before each cell it
// sets the parser's evaluation context (the cell's items, the filter stack they
// must also pass, the cube's values); the aggregate nodes read it through the
// root of their tree. Each aggregate node resolves its value name and creates
// its group operator at its first evaluation and keeps both for the life of
// the compiled expression, so a cell costs one AggregateItems per aggregate.

#include "UFormulaParser.h"
#include "UPivotCube.h"

#include <memory>

class TPCLineAggregates;

// What every built-in operator needs of a sequence of numbers, each part
// updated with that operator's arithmetic, so that a result read from it is
// the one the operator gives for the same numbers in the same order.
struct TPCAccumulator {
    double Total = 0;
    double Min = 1e300;
    double Max = -1e300;
    int32_t Count = 0;
    void Add(double x) {
        Total = Total + x;
        ++Count;
        if (!(x >= Min)) Min = x;
        if (x > Max) Max = x;
    }
    // The result of the built-in operator of class opClass; false for any other class.
    bool Result(TPCGroupOperatorClass opClass, double& result) const;
};

// The accumulators of one table cell, made beforehand by a pass over the
// items: the aggregates of a formula read them instead of scanning items.
struct TPCCellAggregates {
    const TPCAccumulator* Values = nullptr;   // one per accumulated value
    const int* SlotOfValue = nullptr;         // value index -> position in Values, -1 when not accumulated
    int ValueCount = 0;                       // entries of SlotOfValue
    bool Lookup(int valueIndex, TPCGroupOperatorClass opClass, double& result) const {
        if (valueIndex < 0 || valueIndex >= ValueCount || SlotOfValue[valueIndex] < 0) return false;
        return Values[SlotOfValue[valueIndex]].Result(opClass, result);
    }
};

class TPivotCubeFormulaInteractiveParser : public TBaseFormulaParser {
public:
    TPivotCubeFormulaInteractiveParser();
    ~TPivotCubeFormulaInteractiveParser() override;
    QString ClassName() const override { return QStringLiteral("TPivotCubeFormulaInteractiveParser"); }

    // The evaluation context, set by the engine right before an evaluation and
    // meaningless in between. Without items or values an aggregate gives 0.
    const TPCDataItemList* ContextItems = nullptr;
    TPCAxisFilterSpan ContextFilters;               // filter stack; empty for none
    const TPivotCubeValues* ContextValues = nullptr;

    // When set, the aggregates of the cell are read from it (and the items are
    // not scanned).
    const TPCCellAggregates* ContextCell = nullptr;

    void SetContext(const TPCDataItemList* items, TPCAxisFilterSpan filters, const TPivotCubeValues* values) {
        ContextItems = items;
        ContextFilters = filters;
        ContextValues = values;
    }
    void ClearContext() {
        SetContext(nullptr, {}, nullptr);
        ContextCell = nullptr;
    }

    // A line of cells: until EndLine, aggregates over exactly these items (the
    // same list, unchanged) are served from buckets keyed by the members of the
    // filter stack's axes: one numbering pass per list of axes, then one pass
    // per value serves every operator. Anything else takes the item-by-item path.
    void BeginLine(const TPCDataItemList& items);
    void EndLine();
    TPCLineAggregates* LineAggregates() const { return FLine.get(); }

protected:
    std::unique_ptr<TFormulaExpr> CreateRoot() override;

private:
    std::unique_ptr<TPCLineAggregates> FLine;
};

// The aggregates of one line's items by bucket. A bucket is one combination of
// member IDs on the axes of a filter stack whose filters each keep a single ID
// (or everything); it accumulates its items in list order, so its result is
// the one the item-by-item scan gives.
class TPCLineAggregates {
public:
    // The buckets of one list of axes are worth building up to this many, and
    // up to twice the line's items.
    static constexpr size_t MaxBuckets = size_t(1) << 18;

    void Begin(const TPCDataItemList& items);
    void End();
    bool Active() const { return FItems != nullptr; }
    // The aggregate of value valueIndex through an operator of class opClass
    // over the line's items that pass every filter. False when the context is
    // not the line's or the aggregate cannot be served exactly from buckets.
    bool Lookup(const TPCDataItemList& items, TPCAxisFilterSpan filters, const TPivotCubeValues& values,
                int valueIndex, TPCGroupOperatorClass opClass, double& result);
    // Passes made over the line's items (bucket numbering and aggregation).
    int Passes() const { return FPasses; }

private:
    using Accumulator = TPCAccumulator;
    struct Buckets {
        std::vector<int32_t> Axes;       // in filter-stack order
        std::vector<int32_t> Sizes;      // member count + 1 per axis
        size_t Count = 0;
        bool Usable = false;
        bool Numbered = false;           // OfItem is filled
        std::vector<int32_t> OfItem;     // bucket number of each item, -1 outside the ID ranges
        std::vector<uint8_t> Done;       // per value: its accumulators are complete
        std::vector<Accumulator> Acc;    // per value, per bucket
    };
    Buckets* bucketsFor(const std::vector<int32_t>& axes, const TPivotCubeData& cube, int valueCount);
    void accumulate(Buckets& b, int valueIndex);

    const TPCDataItemList* FItems = nullptr;
    const TPCDataItem* FData = nullptr;
    size_t FSize = 0;
    std::vector<Buckets> FBuckets;
    size_t FBucketsUsed = 0;   // entries of FBuckets in use this line (the rest keep their storage)
    std::vector<int32_t> FAxesScratch, FIDsScratch;
    int FPasses = 0;
};

// The root of a pivot formula. Evaluation never raises: error values and
// variant conversion errors give -1 (numbers) or the error text / "#VAL!"
// (texts); any other failure gives 0, respectively "#ERR!".
class TPivotCubeFormulaExpr : public TFormulaExpr {
    FE_CLASS(TPivotCubeFormulaExpr, TFormulaExpr)
public:
    // The number a display expression shows (read by Value).
    double CurrentValue = 0;
    double EvaluateNum() override;
    QString EvaluateString() override;
};

// An aggregate of one cube value over the context items: the parameter names
// the value. Not foldable: its result depends on the context.
class TPCFuncGroupOperator : public TFESimpleOneParamFunction {
    FE_ABSTRACT_CLASS(TPCFuncGroupOperator, TFESimpleOneParamFunction)
public:
    // Marks a value name that the cube does not have.
    static constexpr int32_t UnknownValue = 2147483647;

    TPCFuncGroupOperator() { Flags = 0; }
    TFEResultKind ResultKind() const override { return rkVariant; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override;
    virtual TPCGroupOperatorClass OperatorClass() const = 0;

    // -1 until the first evaluation, UnknownValue when the name was not found.
    int32_t ValueIndex() const { return FValueIndex; }
    TPCGroupOperator* Operator() const { return FOperator.get(); }

private:
    int32_t FValueIndex = -1;
    std::unique_ptr<TPCGroupOperator> FOperator;
};

#define LORVANE_PC_AGGREGATE(Name, OperatorType)                                           \
    class Name : public TPCFuncGroupOperator {                                             \
        FE_CLASS(Name, TPCFuncGroupOperator)                                               \
    public:                                                                                \
        TPCGroupOperatorClass OperatorClass() const override { return OperatorType::StaticClass(); } \
    };

LORVANE_PC_AGGREGATE(TPCFuncSum, TPCGOSum)
LORVANE_PC_AGGREGATE(TPCFuncAverage, TPCGOAverage)
LORVANE_PC_AGGREGATE(TPCFuncCount, TPCGOCount)
LORVANE_PC_AGGREGATE(TPCFuncMin, TPCGOMin)
LORVANE_PC_AGGREGATE(TPCFuncMax, TPCGOMax)
LORVANE_PC_AGGREGATE(TPCFuncRange, TPCGORange)

#undef LORVANE_PC_AGGREGATE

// The CurrentValue of the pivot root the node belongs to (0 elsewhere).
class TPCFuncValue : public TFESimpleNoParamFunction {
    FE_CLASS(TPCFuncValue, TFESimpleNoParamFunction)
public:
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override;
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
};
