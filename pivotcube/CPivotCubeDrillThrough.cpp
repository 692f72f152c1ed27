// Drill-through: the items behind a data cell, their snapshot and exports,
// and the resolution of a member path typed by a user.
#include "CPivotCubeDrillThrough.h"

#include "CPivotCubeDataExport.h"

#include <QSet>

#include <functional>

TPCDataItemList DrillThroughItems(const TPivotCube& engine, TPCAxisFilterSpan rowFilters, TPCAxisFilterSpan columnFilters) {
    // The grid's way: the line's items first, then the column's filters as
    // AggregateItems tests them, so that the order is the one the cell reads.
    TPCDataItemList scratch;
    const TPCDataItemList& lineItems = engine.CubeData().DataItems().SelectItems(rowFilters, scratch);
    std::vector<TPCFilterMatcher> matchers;
    matchers.reserve(columnFilters.size());
    for (const TPCAxisFilter* f : columnFilters) matchers.push_back(f->Matcher());
    TPCDataItemList items;
    if (matchers.empty()) {
        items = lineItems;
        return items;
    }
    for (const TPCDataItem& item : lineItems) {
        bool pass = true;
        for (const TPCFilterMatcher& m : matchers)
            if (!m.MatchesItem(item)) {
                pass = false;
                break;
            }
        if (pass) items.push_back(item);
    }
    return items;
}

QStringList DrillThroughPath(const TPivotCube& engine, TPCAxisFilterSpan filters) {
    QStringList path;
    const TPivotCubeAxises& axes = engine.CubeData().Axises();
    for (const TPCAxisFilter* f : filters)
        if (f->IncludeIDs.Count() == 1 && f->Axis >= 0 && f->Axis < axes.Count()) path << axes[f->Axis]->CaptionOf(f->IncludeIDs[0]);
    return path;
}

TPCCellDrillThrough::TPCCellDrillThrough(const TPivotCube& engine, TPCAxisFilterSpan rowFilters, TPCAxisFilterSpan columnFilters)
    : FData(std::make_unique<TPivotCubeData>()),
      FRowPath(DrillThroughPath(engine, rowFilters)),
      FColumnPath(DrillThroughPath(engine, columnFilters)) {
    const TPivotCubeData& cube = engine.CubeData();
    for (int a = 0; a < cube.Axises().Count(); ++a) {
        const TPivotCubeAxis& source = *cube.Axises()[a];
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = source.Description.Nom;
        axis->Description.Description = source.Description.Description;
        axis->Category = source.Category;
        axis->SortStyle = source.SortStyle;
        axis->Members = source.Members;
        // Ranks by ID: the stored IDs lie in 0 .. member count, a larger one
        // (which the cube checks reject) is simply unranked.
        std::vector<int> ranks(size_t(source.MemberCount()) + 1, -1);
        for (int m = source.MemberCount() - 1; m >= 0; --m) {
            const int32_t id = source.Members[size_t(m)].ID;
            if (id >= 0 && size_t(id) < ranks.size()) ranks[size_t(id)] = m;   // the first of a repeated ID wins
        }
        FRanks.push_back(std::move(ranks));
        FData->Axises().Add(std::move(axis));
    }
    for (int v = 0; v < cube.Values().Count(); ++v) {
        const TPivotCubeValue& source = *cube.Values()[v];
        auto value = std::make_unique<TPivotCubeValue>();
        value->Description.Nom = source.Description.Nom;
        value->Description.Description = source.Description.Description;
        value->GroupOperator = source.GroupOperator;
        FData->Values().Add(std::move(value));
    }
    const TPCDataItemList items = DrillThroughItems(engine, rowFilters, columnFilters);
    TPCDataItems& target = FData->DataItems();
    target.Reserve(int(items.size()));
    for (const TPCDataItem& item : items) target.Add(item.AxisIDs, item.Values);
    const QString title = cube.Description().Nom;
    const QString cell = CellCaption();
    FData->Description().Nom = title.isEmpty() ? cell : cell.isEmpty() ? title : title + QStringLiteral(" : ") + cell;
}

QString TPCCellDrillThrough::CellCaption() const {
    QStringList parts;
    if (!FRowPath.isEmpty()) parts << FRowPath.join(QStringLiteral(" / "));
    if (!FColumnPath.isEmpty()) parts << FColumnPath.join(QStringLiteral(" / "));
    return parts.join(QStringLiteral(" \u00D7 "));
}

int TPCCellDrillThrough::MemberRank(int item, int axis) const {
    const int32_t id = FData->DataItems()[item].AxisIDs[axis];
    const std::vector<int>& ranks = FRanks[size_t(axis)];
    return id >= 0 && size_t(id) < ranks.size() ? ranks[size_t(id)] : -1;
}

QByteArray TPCCellDrillThrough::HTMLPage() const { return DataHTMLPage(*FData); }

QByteArray TPCCellDrillThrough::CSV() const { return ExportDataCSV(*FData); }

TPCDrillPath ResolveDrillPath(const TPivotCube& engine, const TPCDimensionList& dimensions, const QString& path) {
    TPCDrillPath result;
    if (path.isEmpty()) return result;
    const QString separator = QStringLiteral(" / ");
    const TPivotCubeAxises& axes = engine.CubeData().Axises();
    std::vector<int32_t> chosen;
    QString error;

    // Tries every member of the level whose caption starts the rest of the
    // path; the first error met at the deepest level is the one reported.
    std::function<bool(int, const QString&)> resolve = [&](int level, const QString& rest) -> bool {
        if (level >= int(dimensions.size())) {
            if (error.isEmpty())
                error = QStringLiteral("the path has more members than the %1 dimension(s) placed (%2)").arg(dimensions.size()).arg(path);
            return false;
        }
        const TPCAxisVisualFilter& dimension = *dimensions[size_t(level)];
        const TPivotCubeAxis& axis = *axes[dimension.Axis];
        bool named = false;
        QSet<QString> seen;   // a repeated caption names its first member
        for (const TPivotCubeAxisData& m : axis.Members) {
            const bool whole = rest == m.Caption;
            if (!whole && !rest.startsWith(m.Caption + separator)) continue;
            if (seen.contains(m.Caption)) continue;
            seen.insert(m.Caption);
            named = true;
            if (!dimension.MatchesID(m.ID)) {
                if (error.isEmpty()) error = QStringLiteral("'%1' is filtered out of '%2'").arg(m.Caption, axis.Nom());
                continue;
            }
            chosen.push_back(m.ID);
            if (whole || resolve(level + 1, rest.mid(m.Caption.size() + separator.size()))) return true;
            chosen.pop_back();
        }
        if (!named && error.isEmpty()) {
            QStringList choices;
            for (const TPivotCubeAxisData& m : axis.Members)
                if (dimension.MatchesID(m.ID)) choices << m.Caption;
            const qsizetype shown = 20;
            QString list = choices.mid(0, shown).join(QStringLiteral(", "));
            if (choices.size() > shown) list += QStringLiteral(", ... (%1 members)").arg(choices.size());
            error = QStringLiteral("no member '%1' in '%2' (choose from %3)").arg(rest.section(separator, 0, 0), axis.Nom(), list);
        }
        return false;
    };
    if (!resolve(0, path)) {
        result.Error = error;
        return result;
    }
    for (size_t i = 0; i < chosen.size(); ++i) {
        auto f = std::make_unique<TPCAxisFilter>(dimensions[i]->Axis);
        f->IncludeIDs.Add(chosen[i]);
        result.Filters.push_back(f.get());
        result.Owned.push_back(std::move(f));
    }
    return result;
}
