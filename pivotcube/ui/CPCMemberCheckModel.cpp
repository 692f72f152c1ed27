#include "CPCMemberCheckModel.h"

#include <algorithm>

namespace {

// The IDs of a list, sorted, so that a line's state is a binary search
// rather than a scan of the list (axes may have tens of thousands of members).
std::vector<int32_t> sortedIDs(const TIntegerList& list) {
    std::vector<int32_t> ids(list.List(), list.List() + list.Count());
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool holds(const std::vector<int32_t>& sorted, int32_t id) {
    return std::binary_search(sorted.begin(), sorted.end(), id);
}

} // namespace

TPCMemberCheckModel::TPCMemberCheckModel(QObject* parent) : QAbstractListModel(parent) {}

void TPCMemberCheckModel::Load(const TPCAxisFilter& dimension, const TPivotCubeAxis& axis) {
    beginResetModel();
    const std::vector<int32_t> include = sortedIDs(dimension.IncludeIDs);
    const std::vector<int32_t> exclude = sortedIDs(dimension.ExcludeIDs);
    FLines.clear();
    FLines.reserve(axis.Members.size());
    FCheckedCount = 0;
    for (const TPivotCubeAxisData& member : axis.Members) {
        // What the dimension lets through: with both lists filled (a stored
        // view may have them), a member of both is not shown, so not checked.
        const bool checked = (include.empty() || holds(include, member.ID)) && !holds(exclude, member.ID);
        FLines.push_back({member.ID, member.Caption, checked});
        FCheckedCount += checked;
    }
    endResetModel();
    emit CheckedCountChanged(FCheckedCount, Count());
}

void TPCMemberCheckModel::setLine(int line, bool checked) {
    Line& l = FLines[size_t(line)];
    if (l.Checked == checked) return;
    l.Checked = checked;
    FCheckedCount += checked ? 1 : -1;
}

void TPCMemberCheckModel::changed(int first, int last) {
    if (first <= last) emit dataChanged(index(first), index(last), {Qt::CheckStateRole});
    emit CheckedCountChanged(FCheckedCount, Count());
}

void TPCMemberCheckModel::Toggle(int line) {
    if (line < 0 || line >= Count()) return;
    setLine(line, !IsChecked(line));
    changed(line, line);
}

void TPCMemberCheckModel::SetChecked(const std::vector<int>& lines, bool checked) {
    int first = Count(), last = -1;
    for (int line : lines) {
        setLine(line, checked);
        first = std::min(first, line);
        last = std::max(last, line);
    }
    changed(first, last);
}

void TPCMemberCheckModel::Invert(const std::vector<int>& lines) {
    int first = Count(), last = -1;
    for (int line : lines) {
        setLine(line, !IsChecked(line));
        first = std::min(first, line);
        last = std::max(last, line);
    }
    changed(first, last);
}

std::vector<int32_t> TPCMemberCheckModel::idsWhere(bool checked) const {
    std::vector<int32_t> ids;
    ids.reserve(size_t(checked ? FCheckedCount : Count() - FCheckedCount));
    for (const Line& l : FLines)
        if (l.Checked == checked) ids.push_back(l.ID);
    return ids;
}

std::vector<int32_t> TPCMemberCheckModel::CheckedIDs() const { return idsWhere(true); }
std::vector<int32_t> TPCMemberCheckModel::UncheckedIDs() const { return idsWhere(false); }

int TPCMemberCheckModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant TPCMemberCheckModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const Line& l = FLines[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: return l.Caption;
    case Qt::CheckStateRole: return l.Checked ? Qt::Checked : Qt::Unchecked;
    default: return {};
    }
}

bool TPCMemberCheckModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= Count() || role != Qt::CheckStateRole) return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (checked == IsChecked(index.row())) return true;
    setLine(index.row(), checked);
    changed(index.row(), index.row());
    return true;
}

Qt::ItemFlags TPCMemberCheckModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}
