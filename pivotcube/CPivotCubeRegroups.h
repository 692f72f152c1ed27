#pragma once
// Regroupments: summaries computed across the other direction of the pivot
// table. A row regroupment combines, for one row line, the line's results for
// each member of the first column dimension; a column regroupment combines,
// for one leaf column and value column, the column's results for each member
// of the first row dimension. The computations themselves are operations of
// the engine (TPivotCube); this module holds the regroupment collections and
// the working set of a row computation.

#include "CPivotCubeValueColumns.h"

#include <memory>
#include <vector>

class TPivotCubeRegroups;

class TPivotCubeRegroup : public TPivotCubeCollectionItem {
public:
    // The label; empty shows the generated caption.
    const QString& Caption() const { return FCaption; }
    // The name of a cube value (summarised by row regroupments, shown in captions).
    const QString& Value() const { return FValue; }
    // The registered operator name; empty when the operator is none or unregistered.
    QString Operator() const { return NameOfGroupOperator(FOperator); }
    TPCGroupOperatorClass OperatorClass() const { return FOperator; }
    void SetCaption(const QString& value);
    void SetValue(const QString& value);
    // Looked up in the operator registry: an unknown name leaves no operator.
    void SetOperator(const QString& name);
    void SetOperatorClass(TPCGroupOperatorClass operatorClass);

    // Caption when not empty, else the collection's DefaultCaption.
    QString DisplayText() const;
    // Copies Caption, Value and Operator.
    void Assign(const TPivotCubeRegroup& source);

private:
    friend class TPivotCubeRegroups;
    TPivotCubeRegroup() = default;
    QString FCaption, FValue;
    TPCGroupOperatorClass FOperator = nullptr;
};

// The working set of one row-regroupment computation: per regroupment, the
// value it summarises, that value's operator, an instance of its own operator
// and the per-member results of the current line.
class TComputeRegroupmentsHelper {
public:
    int Count() const { return int(ValueIndex.size()); }
    std::vector<int> ValueIndex;                                      // -1 when the value is unknown
    std::vector<TPCGroupOperatorClass> ValueOperator;                 // none when unknown or without operator
    std::vector<std::unique_ptr<TPCGroupOperator>> RegroupOperator;   // TPCGONull when none
    std::vector<std::unique_ptr<TDoubleList>> Results;
    // The per-member aggregators of the line being computed.
    std::vector<std::unique_ptr<TPCGroupOperator>> LineOperators;
};

class TPivotCubeRegroups : public TPivotCubeCollection {
public:
    // cells: the engine whose value columns shape the generated captions (may be none).
    explicit TPivotCubeRegroups(const PivotCubeCells* cells = nullptr) : FCells(cells) {}
    TPivotCubeRegroup* Add();
    TPivotCubeRegroup* Items(int index) const { return static_cast<TPivotCubeRegroup*>(ItemAt(index)); }
    TPivotCubeRegroup* operator[](int index) const { return Items(index); }

    // "%s (%s)" of the operator and value names when the engine has at least
    // two value columns, or one whose Caption differs from the value name;
    // otherwise the operator name alone.
    QString DefaultCaption(const QString& operatorName, const QString& valueName) const;
    // The working set for a row computation over the values of cube.
    std::unique_ptr<TComputeRegroupmentsHelper> CreateComputation(const TPivotCubeValues& values) const;
    // Replaces every regroupment by a copy of those of source.
    void Assign(const TPivotCubeRegroups& source);

private:
    const PivotCubeCells* FCells;
};

// Feeds Results[i] into RegroupOperator[i]: the number a row regroupment shows.
double RegroupResult(TComputeRegroupmentsHelper& computation, int i);

// The member IDs of an axis that pass a dimension's own filter, ascending:
// the members a row regroupment combines.
std::vector<int32_t> PassingMemberIDs(const TPivotCubeAxis& axis, const TPCAxisFilter& dimension);
