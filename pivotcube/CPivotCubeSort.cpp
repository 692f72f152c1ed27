// Sorting rows by the numbers of one value column under one leaf column, each
// group of sibling rows separately, and the way back to member order.
#include "CPivotCube.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

// The filter stack of a sort key, owned for the length of a sort.
struct TPivotCube::KeyFilters {
    TObjectList list;
    ~KeyFilters() { list.FreeAll(); }
    std::vector<const TPCAxisFilter*> filters;
};

namespace {

// The value-column number before the first ":", fallback when none.
int keyColumn(const QByteArray& key, int fallback) {
    const int colon = key.indexOf(':');
    bool ok = false;
    const int column = (colon < 0 ? key : key.left(colon)).toInt(&ok);
    return ok ? column : fallback;
}

} // namespace

QByteArray TPivotCube::MakeSortKey(int valueColumn, TPCAxisFilterSpan columnFilters) {
    TObjectList view(true);
    for (const TPCAxisFilter* f : columnFilters) view.Add(const_cast<TPCAxisFilter*>(f));
    return QByteArray::number(valueColumn) + ':' + view.SaveToString();
}

void TPivotCube::SetSortState(const QByteArray& key, int column, uint8_t direction) {
    FSortKey = key;
    FSortColumn = column;
    FSortDirection = direction == 2 ? 2 : 1;
}

void TPivotCube::SortHeaderClicked(const QByteArray& key) {
    if (key != FSortKey) {
        FSortDirection = 2;   // a new column is first sorted descending
        FSortKey = key;
        FSortColumn = std::clamp(keyColumn(key, 0), 0, std::max(ValueColumns().Count() - 1, 0));
    } else {
        FSortDirection = FSortDirection == 2 ? 1 : 2;
    }
    ApplySort();
    Repaint();
}

void TPivotCube::SortHeaderRightPressed() {
    if (!FSortKey.isEmpty()) {
        FSortKey.clear();
        if (FRowRoot) FRowRoot->RestoreMemberOrder();
    }
    Repaint();
}

void TPivotCube::loadSortKey(KeyFilters& key) const {
    const int colon = FSortKey.indexOf(':');
    key.list.LoadFromString(colon < 0 ? QByteArray() : FSortKey.mid(colon + 1));
    // The key may come from a stored view: every entry must be a filter on an
    // axis of this cube before it selects anything.
    const int axes = FCubeData->Axises().Count();
    for (int i = 0; i < key.list.Count(); ++i) {
        const auto* f = dynamic_cast<const TPCAxisFilter*>(key.list.Items(i));
        if (!f || f->Axis < 0 || f->Axis >= axes) RaiseBrokenObjectList();
        key.filters.push_back(f);
    }
}

void TPivotCube::ApplySort() {
    if (FSortKey.isEmpty()) return;
    KeyFilters key;
    loadSortKey(key);
    if (FSortColumn >= 0 && FSortColumn < ValueColumns().Count()) SortRows(key.filters, FSortColumn, FSortDirection);
}

QString TPivotCube::DropUnusableSortKey() {
    if (FSortKey.isEmpty()) return QString();
    QString reason;
    if (FSortColumn < 0 || FSortColumn >= ValueColumns().Count()) {
        reason = QStringLiteral("the sort names no value column of the view");
    } else {
        try {
            KeyFilters key;
            loadSortKey(key);
        } catch (const Exception&) {
            reason = QStringLiteral("the sort names column members that cannot be read");
        }
    }
    if (reason.isEmpty()) return reason;
    FSortKey.clear();
    FSortColumn = -1;
    FSortDirection = 1;
    return reason + QStringLiteral("; the rows stay in member order");
}

void TPivotCube::SortRows(TPCAxisFilterSpan columnFilters, int k, uint8_t direction) {
    if (!FRowRoot) return;
    TPivotCubeValueColumn& column = *ValueColumns().Items(k);
    Compile(column);
    TPCDataItemList items;
    FCubeData->DataItems().FilterItems(columnFilters, items);

    struct Entry {
        double number;
        size_t position;
    };
    std::vector<Entry> entries;
    int previousDepth = -1;
    for (TPCNodeIterator it(FRowRoot.get(), false); !it.Eof(); it.Next()) {
        const int depth = it.Depth();
        if (depth > previousDepth && it.CurrentNode->Count() > 0) {
            // The first position inside node N: order N's children.
            TPivotCubeNode& node = *it.CurrentNode;
            TIntegerList& top = it.Filters.back()->IncludeIDs;
            const std::vector<const TPCAxisFilter*> filters = it.FilterList();
            entries.clear();
            for (size_t c = 0; c < node.Children.size(); ++c) {
                top.SetItem(0, node.Children[c].ID);
                double x = EvaluateCellValue(items, filters, column);
                if (std::isnan(x)) x = -std::numeric_limits<double>::infinity();
                entries.push_back({x, c});
            }
            // Descending order; equal numbers by member ID, ascending unless the
            // dimension is shown descending. Ascending is the exact reverse.
            const bool idDescending = node.Dimension->DescendingSort;
            std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
                if (a.number != b.number) return a.number > b.number;
                const int32_t ia = node.Children[a.position].ID, ib = node.Children[b.position].ID;
                return idDescending ? ia > ib : ia < ib;
            });
            if (direction != 2) std::reverse(entries.begin(), entries.end());
            TPCNChildren ordered;
            ordered.reserve(node.Children.size());
            for (const Entry& e : entries) ordered.push_back(std::move(node.Children[e.position]));
            node.Children = std::move(ordered);
            node.OrderState = 0;
            // The nodes below are evaluated under their own ancestor members.
            top.SetItem(0, node.Children[size_t(it.ChildIndex)].ID);
        }
        previousDepth = depth;
    }
}

void TPivotCubeNode::RestoreMemberOrder() {
    if (OrderState != 0) {
        const bool descending = Dimension->DescendingSort;
        if ((OrderState == 2 && !descending) || (OrderState == 1 && descending)) Reverse();
        return;
    }
    std::unordered_map<int32_t, int> position;
    position.reserve(LevelAxis->Members.size());
    for (size_t i = 0; i < LevelAxis->Members.size(); ++i) position.emplace(LevelAxis->Members[i].ID, int(i));
    auto positionOf = [&](int32_t id) {
        const auto p = position.find(id);
        return p == position.end() ? -1 : p->second;
    };
    const bool descending = Dimension->DescendingSort;
    std::stable_sort(Children.begin(), Children.end(), [&](const TPCNChild& a, const TPCNChild& b) {
        return descending ? positionOf(a.ID) > positionOf(b.ID) : positionOf(a.ID) < positionOf(b.ID);
    });
    OrderState = descending ? 2 : 1;
    for (TPCNChild& c : Children)
        if (c.Node) c.Node->RestoreMemberOrder();
}
