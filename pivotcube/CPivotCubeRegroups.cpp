// Regroupment collections and the engine's regroupment computations: row
// regroupments per line, column regroupments per leaf column (cached in the
// column nodes), corner cells and chart series.
#include "CPivotCube.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Collections

void TPivotCubeRegroup::SetCaption(const QString& value) {
    if (FCaption == value) return;
    FCaption = value;
    Changed();
}

void TPivotCubeRegroup::SetValue(const QString& value) {
    if (FValue == value) return;
    FValue = value;
    Changed();
}

void TPivotCubeRegroup::SetOperator(const QString& name) { SetOperatorClass(GroupOperatorByName(name)); }

void TPivotCubeRegroup::SetOperatorClass(TPCGroupOperatorClass operatorClass) {
    if (FOperator == operatorClass) return;
    FOperator = operatorClass;
    Changed();
}

QString TPivotCubeRegroup::DisplayText() const {
    if (!FCaption.isEmpty()) return FCaption;
    const auto* regroups = static_cast<const TPivotCubeRegroups*>(Collection());
    return regroups ? regroups->DefaultCaption(Operator(), FValue) : Operator();
}

void TPivotCubeRegroup::Assign(const TPivotCubeRegroup& source) {
    if (&source == this) return;
    TPivotCubeCollection* c = Collection();
    if (c) c->BeginUpdate();
    SetCaption(source.FCaption);
    SetValue(source.FValue);
    SetOperatorClass(source.FOperator);
    if (c) c->EndUpdate();
}

TPivotCubeRegroup* TPivotCubeRegroups::Add() {
    return static_cast<TPivotCubeRegroup*>(AddItem(std::unique_ptr<TPivotCubeCollectionItem>(new TPivotCubeRegroup)));
}

QString TPivotCubeRegroups::DefaultCaption(const QString& operatorName, const QString& valueName) const {
    const int columns = FCells ? FCells->ValueColumns().Count() : 0;
    const bool named = columns >= 2 || (columns == 1 && FCells->ValueColumns().Items(0)->Caption() != valueName);
    if (!named) return operatorName;
    return Format(QStringLiteral("%s (%s)"), {FormatArg(operatorName), FormatArg(valueName)});
}

std::unique_ptr<TComputeRegroupmentsHelper> TPivotCubeRegroups::CreateComputation(const TPivotCubeValues& values) const {
    auto computation = std::make_unique<TComputeRegroupmentsHelper>();
    for (int i = 0; i < Count(); ++i) {
        const TPivotCubeRegroup* r = Items(i);
        const int valueIndex = values.IndexOfName(r->Value());
        computation->ValueIndex.push_back(valueIndex);
        computation->ValueOperator.push_back(valueIndex >= 0 ? values[valueIndex]->GroupOperator : nullptr);
        computation->RegroupOperator.push_back(CreateGroupOperator(r->OperatorClass()));
        computation->Results.push_back(std::make_unique<TDoubleList>());
        computation->LineOperators.push_back(std::make_unique<TPCGONull>());
    }
    return computation;
}

void TPivotCubeRegroups::Assign(const TPivotCubeRegroups& source) {
    if (&source == this) return;
    CollectionUpdate update(*this);
    Clear();
    for (int i = 0; i < source.Count(); ++i) Add()->Assign(*source.Items(i));
}

std::vector<int32_t> PassingMemberIDs(const TPivotCubeAxis& axis, const TPCAxisFilter& dimension) {
    const TPCFilterMatcher matcher = dimension.Matcher();
    std::vector<int32_t> ids;
    ids.reserve(axis.Members.size());
    for (const TPivotCubeAxisData& m : axis.Members)
        if (matcher.MatchesID(m.ID)) ids.push_back(m.ID);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

double RegroupResult(TComputeRegroupmentsHelper& computation, int i) {
    TPCGroupOperator& op = *computation.RegroupOperator[size_t(i)];
    const TDoubleList& results = *computation.Results[size_t(i)];
    op.Reset();
    for (int k = 0; k < results.Count(); ++k) op.Accumulate(results.List()[k]);
    return op.GetResult();
}

// ---------------------------------------------------------------------------
// Computations

namespace {

// Orders items by their ID on axis, equal IDs keeping their order. IDs lie
// within 0 … members in a checked cube: one bucket per ID then orders the list
// in two passes; any other ID falls back to a stable comparison sort.
void orderByAxisID(TPCDataItemList& items, int axis, int members) {
    const size_t n = items.size();
    if (n < 2) return;
    if (members >= 0 && size_t(members) <= 4 * n) {
        std::vector<size_t> start(size_t(members) + 2, 0);
        bool inRange = true;
        for (const TPCDataItem& item : items) {
            const int32_t id = item.AxisIDs[axis];
            if (id < 0 || id > members) {
                inRange = false;
                break;
            }
            ++start[size_t(id) + 1];
        }
        if (inRange) {
            for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
            TPCDataItemList sorted(n);
            for (const TPCDataItem& item : items) sorted[start[size_t(item.AxisIDs[axis])]++] = item;
            items.swap(sorted);
            return;
        }
    }
    std::stable_sort(items.begin(), items.end(),
                     [axis](const TPCDataItem& a, const TPCDataItem& b) { return a.AxisIDs[axis] < b.AxisIDs[axis]; });
}

} // namespace

void TPivotCube::ComputeRowRegroups(const TPCDataItemList& items, const TPCAxisVisualFilter* firstColumn,
                                    TComputeRegroupmentsHelper& computation) const {
    const int n = computation.Count();
    for (int i = 0; i < n; ++i) {
        computation.Results[size_t(i)]->Clear();
        computation.LineOperators[size_t(i)] = CreateGroupOperator(computation.ValueOperator[size_t(i)]);
    }
    auto accumulate = [&](const TPCDataItem& item) {
        for (int i = 0; i < n; ++i) {
            const int v = computation.ValueIndex[size_t(i)];
            if (v >= 0) computation.LineOperators[size_t(i)]->Accumulate(item.Values[v]);
        }
    };
    auto flush = [&] {
        for (int i = 0; i < n; ++i) {
            TPCGroupOperator& op = *computation.LineOperators[size_t(i)];
            computation.Results[size_t(i)]->Add(op.GetResult());
            op.Reset();
        }
    };
    if (!firstColumn) {
        for (const TPCDataItem& item : items) accumulate(item);
        flush();
        return;
    }
    const int axis = firstColumn->Axis;
    const std::vector<int32_t> ids = PassingMemberIDs(*FCubeData->Axises()[axis], *firstColumn);
    // One ordering per line, then one pass over the items with the ascending IDs.
    TPCDataItemList ordered(items);
    orderByAxisID(ordered, axis, FCubeData->Axises()[axis]->MemberCount());
    size_t k = 0;
    for (const int32_t id : ids) {
        while (k < ordered.size() && ordered[k].AxisIDs[axis] < id) ++k;
        for (; k < ordered.size() && ordered[k].AxisIDs[axis] == id; ++k) accumulate(ordered[k]);
        flush();
    }
}

void TPivotCube::ComputeColumnRegroups(const QString& formula, TPCAxisFilterSpan columnFilters,
                                       const TPivotCubeRegroups& regroups, const TPCAxisVisualFilter* firstRow,
                                       TDoubleList& results) {
    results.Clear();
    // The measure of a run of items: the value's operator, or the parsed formula.
    const TPivotCubeValue* value = FCubeData->Values().FindByName(formula);
    std::unique_ptr<TPCGroupOperator> aggregator;
    std::unique_ptr<TFormulaExpr> expression;
    if (value) {
        aggregator = CreateGroupOperator(value->GroupOperator);
    } else {
        for (const QString& text : {formula, QStringLiteral("-1")}) {
            try {
                expression = FormulaParser().Parse(text);
                expression->Optimize();
                break;
            } catch (const std::exception&) {
                expression.reset();
            }
        }
    }
    const std::vector<const TPCAxisFilter*> noFilters;
    auto measure = [&](const TPCDataItemList& run) -> double {
        if (aggregator) return AggregateAll(run, value->Index, *aggregator);
        if (!expression) return 0;
        FormulaParser().SetContext(&run, noFilters, &FCubeData->Values());
        const double x = expression->EvaluateNum();
        FormulaParser().ClearContext();
        return x;
    };

    TPCDataItemList items;
    FCubeData->DataItems().FilterItems(columnFilters, items);

    if (regroups.Count() == 1 && !regroups.Items(0)->OperatorClass()) {
        // A single regroupment without operator shows the column's own measure.
        results.Add(measure(items));
        return;
    }

    std::vector<std::unique_ptr<TPCGroupOperator>> operators;
    for (int i = 0; i < regroups.Count(); ++i) operators.push_back(CreateGroupOperator(regroups.Items(i)->OperatorClass()));
    auto accumulate = [&](double x) {
        for (auto& op : operators) op->Accumulate(x);
    };
    if (firstRow) {
        const int axis = firstRow->Axis;
        if (FCubeData->DataItems().SortAxis() != axis)
            orderByAxisID(items, axis, FCubeData->Axises()[axis]->MemberCount());
        TPCDataItemList run;
        size_t k = 0;
        for (const int32_t id : PassingMemberIDs(*FCubeData->Axises()[axis], *firstRow)) {
            while (k < items.size() && items[k].AxisIDs[axis] < id) ++k;
            run.clear();
            for (; k < items.size() && items[k].AxisIDs[axis] == id; ++k) run.push_back(items[k]);
            accumulate(measure(run));
        }
    } else {
        accumulate(measure(items));
    }
    for (const auto& op : operators) results.Add(op->GetResult());
}

const TDoubleList& TPivotCube::CachedColumnRegroups(TPCNodeIterator& column, int k) {
    if (const TDoubleList* cached = column.GetCache(k)) return *cached;
    TDoubleList results;
    const std::vector<const TPCAxisFilter*> filters = column.FilterList();
    ComputeColumnRegroups(ValueColumns().ColumnFormula(k), filters, *FColRegroups,
                          FRowDimensions.empty() ? nullptr : FRowDimensions.front().get(), results);
    column.SetCache(k, results);
    if (const TDoubleList* cached = column.GetCache(k)) return *cached;
    // A tree without members has no slot to keep the results in.
    static thread_local TDoubleList uncached;
    uncached.Assign(&results);
    return uncached;
}

QString TPivotCube::FormatRegroupNumber(double value) const {
    try {
        return FormatFloat(ValueDefaultFormat(), value);
    } catch (const std::exception&) {
        return FloatToStr(value);
    }
}

QString TPivotCube::CornerValue(const TPivotCubeRegroup& row, const TPivotCubeRegroup& column) const {
    if (row.OperatorClass() != TPCGOSum::StaticClass() || column.OperatorClass() != TPCGOSum::StaticClass())
        return QStringLiteral("-");
    const int valueIndex = FCubeData->Values().IndexOfName(row.Value());
    TPCGOSum sum;
    const double total = valueIndex >= 0 ? AggregateAll(FCubeData->DataItems().ActiveItems(), valueIndex, sum) : 0;
    return FormatRegroupNumber(total);
}

void TPivotCube::ComputeSeries(const QString& formula, TPivotCubeNode* node, TDoubleList* numbers, TStringList* captions,
                               TPCGroupOperatorClass operatorClass) {
    TPivotCubeRegroups series(this);
    series.Add()->SetOperator(NameOfGroupOperator(operatorClass));

    const TPCAxisVisualFilter* other = nullptr;
    if (!node) {
        node = FColRoot ? FColRoot.get() : FRowRoot.get();
        if (node) other = node->Dimension;
    } else if (node == FRowRoot.get()) {
        if (FColRoot) other = FColRoot->Dimension;
    } else if (node == FColRoot.get()) {
        if (FRowRoot) other = FRowRoot->Dimension;
    }

    TDoubleList results;
    if (!node) {
        if (captions) captions->Add(QString());
        if (numbers) {
            ComputeColumnRegroups(formula, {}, series, nullptr, results);
            numbers->Add(results.Count() > 0 ? results[0] : 0);
        }
        return;
    }
    // With no other dimension placed a point stands for one cell of the
    // table: the member's own items aggregated with the operator (a formula
    // over those items), not a combination across members.
    const bool alone = !other || other == node->Dimension;
    const TPivotCubeValue* value = FCubeData->Values().FindByName(formula);
    std::unique_ptr<TPCGroupOperator> aggregator;
    if (alone) {
        if (value && (operatorClass || value->GroupOperator)) {
            aggregator = CreateGroupOperator(operatorClass ? operatorClass : value->GroupOperator);
        } else {
            series.Clear();
            series.Add();   // no operator: the measure of the member's items
        }
        other = nullptr;
    }
    TPCAxisFilter member(node->LevelAxis->Index);
    member.IncludeIDs.Add(0);
    const TPCAxisFilter* stack[1] = {&member};
    TPCDataItemList items;
    for (const TPCNChild& c : node->Children) {
        if (captions) captions->Add(node->LevelAxis->CaptionOf(c.ID));
        if (!numbers) continue;
        member.IncludeIDs.SetItem(0, c.ID);
        if (aggregator) {
            items.clear();
            FCubeData->DataItems().FilterItems(stack, items);
            numbers->Add(AggregateAll(items, value->Index, *aggregator));
            continue;
        }
        ComputeColumnRegroups(formula, stack, series, other, results);
        numbers->Add(results.Count() > 0 ? results[0] : 0);
    }
}
