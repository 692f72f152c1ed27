#pragma once
// The table model of a drill-through window: one row per data item of the
// cell, one column per axis (the member's caption) and per value (the number
// in the raw data page's form). It reads the items where they are and sorts
// a permutation of them: no copy per cell, so that a cell of a hundred
// thousand items opens at once.

#include "CPivotCubeDrillThrough.h"

#include <QAbstractTableModel>
#include <QHash>

#include <memory>
#include <vector>

class TPCDrillThroughModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TPCDrillThroughModel(std::shared_ptr<const TPCCellDrillThrough> drill, QObject* parent = nullptr);

    const TPCCellDrillThrough& DrillThrough() const { return *FDrill; }
    int AxisCount() const { return FAxisCount; }
    // The item shown on a row (after sorting).
    int ItemAt(int row) const { return FOrder[size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Axis columns sort in the axis's own member order (months in calendar
    // order, numbers as numbers), value columns by number; equal rows keep
    // their relative order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::shared_ptr<const TPCCellDrillThrough> FDrill;
    int FAxisCount = 0, FValueCount = 0;
    std::vector<int> FOrder;
    std::vector<QHash<int32_t, QString>> FCaptions;   // per axis, by member ID
};
