// The drill-through table model.
#include "CPCDrillThroughModel.h"

#include "USysUtils.h"

#include <algorithm>
#include <cmath>
#include <numeric>

TPCDrillThroughModel::TPCDrillThroughModel(std::shared_ptr<const TPCCellDrillThrough> drill, QObject* parent)
    : QAbstractTableModel(parent), FDrill(std::move(drill)) {
    const TPivotCubeData& data = FDrill->Data();
    FAxisCount = data.Axises().Count();
    FValueCount = data.Values().Count();
    FOrder.resize(size_t(FDrill->Count()));
    std::iota(FOrder.begin(), FOrder.end(), 0);
    // Captions by ID once per axis, instead of a member search per cell painted.
    for (int a = 0; a < FAxisCount; ++a) {
        QHash<int32_t, QString> captions;
        const TPivotCubeAxis& axis = *data.Axises()[a];
        captions.reserve(axis.MemberCount());
        for (const TPivotCubeAxisData& m : axis.Members)
            if (!captions.contains(m.ID)) captions.insert(m.ID, m.Caption);
        FCaptions.push_back(std::move(captions));
    }
}

int TPCDrillThroughModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(FOrder.size()); }

int TPCDrillThroughModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FAxisCount + FValueCount; }

QVariant TPCDrillThroughModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column < FAxisCount ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole) return {};
    const TPCDataItem& item = FDrill->Data().DataItems()[ItemAt(index.row())];
    if (column < FAxisCount) return FCaptions[size_t(column)].value(item.AxisIDs[column]);
    return FloatToStr(item.Values[column - FAxisCount], QLatin1Char('.'));
}

QVariant TPCDrillThroughModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    const TPivotCubeData& data = FDrill->Data();
    if (section < FAxisCount) return data.Axises()[section]->Nom();
    if (section < FAxisCount + FValueCount) return data.Values()[section - FAxisCount]->Nom();
    return {};
}

void TPCDrillThroughModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> itemsBefore;
    for (const QModelIndex& i : before) itemsBefore.push_back(ItemAt(i.row()));

    // Keys computed once; an ID no member has and a NaN sort last either way.
    const bool descending = order == Qt::DescendingOrder;
    std::iota(FOrder.begin(), FOrder.end(), 0);
    if (column < FAxisCount) {
        std::vector<int> keys(FOrder.size());
        for (size_t i = 0; i < keys.size(); ++i) keys[i] = FDrill->MemberRank(int(i), column);
        std::stable_sort(FOrder.begin(), FOrder.end(), [&](int a, int b) {
            const int x = keys[size_t(a)], y = keys[size_t(b)];
            if ((x < 0) != (y < 0)) return y < 0;
            return descending ? x > y : x < y;
        });
    } else {
        std::vector<double> keys(FOrder.size());
        for (size_t i = 0; i < keys.size(); ++i) keys[i] = FDrill->Data().DataItems()[int(i)].Values[column - FAxisCount];
        std::stable_sort(FOrder.begin(), FOrder.end(), [&](int a, int b) {
            const double x = keys[size_t(a)], y = keys[size_t(b)];
            if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
            return descending ? x > y : x < y;
        });
    }

    std::vector<int> rowOfItem(FOrder.size());
    for (size_t r = 0; r < FOrder.size(); ++r) rowOfItem[size_t(FOrder[r])] = int(r);
    QModelIndexList after;
    for (size_t i = 0; i < size_t(before.size()); ++i)
        after << index(rowOfItem[size_t(itemsBefore[i])], before[qsizetype(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
