// The pivot table as an HTML table (rows and columns as shown, value columns,
// regroupments), and the three pages built on it: HTML, spreadsheet and XML.
#include "CPivotCubeTableExport.h"

#include "CPivotCube.h"
#include "CPivotCubeLeafColumn.h"
#include "CPivotCubeTablePass.h"
#include "UHierarchicalWriter.h"
#include "USysUtils.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace {

// The number of levels a walk of the tree reaches: 0 without a tree, 1 when
// nothing is expanded, one more per level of expanded members.
int shownLevels(TPivotCubeNode* root) {
    int levels = 0;
    for (TPCNodeIterator it(root, false); !it.Eof(); it.Next()) levels = std::max(levels, it.Depth() + 1);
    return levels;
}

const QByteArray& htmlPrefix() {
    static const QByteArray prefix(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n"
        "<style><!-- \r\n"
        "table.PivotCube {font-size: smaller; font-family: Arial; background: #ddd; border-collapse: collapse; }\r\n"
        "table.PivotCube tr > * {border: 1px solid #aaa; padding: 3px 5px; }\r\n"
        "table.PivotCube td {background: #fff; text-align: right; }\r\n"
        "table.PivotCube > tbody > tr:first-child > * {border-top: 2px solid #aaa; }\r\n"
        "table.PivotCube > tbody > tr:last-child > * {border-bottom: 2px solid #aaa; }\r\n"
        "table.PivotCube td.Regroup {background: #ffe; }\r\n"
        "table.PivotCube th {font-weight: bold; background: #eee; vertical-align: top; text-align: left; }\r\n"
        "table.PivotCube > thead th {text-align: center; }\r\n"
        "--></style></head><body>");
    return prefix;
}

} // namespace

QByteArray PivotTableHTMLPrefix() { return htmlPrefix(); }

QByteArray PivotTableHTMLWithSeparator(TPivotCube& pivot, QChar separator) {
    DecimalSeparatorScope scope(separator);
    return pivot.ExportHTML(peoDataCells | peoRowRegroups | peoColRegroups);
}

void TPivotCube::WriteTable(THierarchicalWriter& writer, unsigned options) {
    const bool dataCells = options & peoDataCells;
    const bool rowRegroups = options & peoRowRegroups;
    const bool colRegroups = options & peoColRegroups;
    const bool topLevelOnly = options & peoTopLevelOnly;

    CompileAll();

    const int valueCount = ValueColumns().Count();
    const int nV = (options & peoFirstValueOnly) ? std::min(valueCount, 1) : valueCount;
    const bool V = nV >= 2;
    const int H = topLevelOnly ? (FRowRoot ? 1 : 0) : shownLevels(FRowRoot.get());
    const int Q = shownLevels(FColRoot.get());
    const int rowRegroupCount = FRowRegroups->Count();
    const int colRegroupCount = FColRegroups->Count();

    const QString th = QStringLiteral("th"), td = QStringLiteral("td"), tr = QStringLiteral("tr");
    const QString classAttr = QStringLiteral("class"), colspan = QStringLiteral("colspan"),
                  rowspan = QStringLiteral("rowspan");
    const QString header = QStringLiteral("Header"), data = QStringLiteral("Data"), regroup = QStringLiteral("Regroup");

    THierarchicalWriter* table = writer.AddChild(QStringLiteral("table"));
    table->SetAttribute(classAttr, QStringLiteral("PivotCube"));
    auto addGroup = [&](const QString& name) {
        THierarchicalWriter* group = table->AddChild(QStringLiteral("colgroup"));
        group->SetAttribute(classAttr, name);
        group->SetAttribute(QStringLiteral("width"), QStringLiteral("1*"));
        return group;
    };
    addGroup(QStringLiteral("RowHeaders"))->SetAttributeInteger(QStringLiteral("span"), H);
    THierarchicalWriter* dataGroup = dataCells ? addGroup(QStringLiteral("DataCells")) : nullptr;
    if (rowRegroups) addGroup(QStringLiteral("RowRegroups"))->SetAttributeInteger(QStringLiteral("span"), rowRegroupCount);
    THierarchicalWriter* thead = table->AddChild(QStringLiteral("thead"));
    THierarchicalWriter* tbody = table->AddChild(QStringLiteral("tbody"));

    // Header rows: Q member rows, then the value row when there are several
    // value columns. The corner spans the row headers and every header row.
    std::vector<THierarchicalWriter*> headerRows;
    for (int i = 0; i < Q + (V ? 1 : 0); ++i) headerRows.push_back(thead->AddChild(tr));
    THierarchicalWriter* valueRow = V ? headerRows.back() : nullptr;
    if (Q > 0) {
        THierarchicalWriter* corner = headerRows.front()->AddChild(td);
        corner->SetAttributeInteger(colspan, H);
        corner->SetAttributeInteger(rowspan, Q + (V ? 1 : 0));
    }

    // Column headers; the leaf columns are kept for the body lines.
    std::vector<TPCLeafColumn> leaves;
    {
        TPCNodeIterator it(FColRoot.get(), topLevelOnly);
        do {
            if (it.Eof()) {
                if (V) valueRow->AddChild(th)->SetAttribute(classAttr, header);
            } else {
                const int d = it.Depth();
                QString caption = it.CurrentCaption();
                THierarchicalWriter* cell = headerRows[size_t(d)]->AddChild(th, caption.isEmpty() ? QString(QChar(0x00A0)) : caption);
                if (it.IsExpanded()) {
                    const int span = it.LineCount(0) * nV;
                    if (span > 1) cell->SetAttributeInteger(colspan, span);
                } else {
                    if (Q - d > 1) cell->SetAttributeInteger(rowspan, Q - d);
                    if (nV > 1) cell->SetAttributeInteger(colspan, nV);
                    if (dataGroup) dataGroup->AddChild(QStringLiteral("col"))->SetAttribute(QStringLiteral("caption"), caption);
                }
                cell->SetAttribute(classAttr, header);
            }
            if (!it.IsExpanded()) {
                if (V)
                    for (int k = 0; k < nV; ++k) valueRow->AddChild(th, ValueColumns().Items(k)->Caption());
                leaves.emplace_back(it);
            }
            it.Next();
        } while (!it.Eof());
    }

    // Row regroupment captions beside the column headers. A table whose only
    // header row is the value row shows them there too, so that no regroupment
    // column is left without its caption.
    if (rowRegroups && !headerRows.empty())
        for (int i = 0; i < rowRegroupCount; ++i) {
            THierarchicalWriter* cell = headerRows.front()->AddChild(th, FRowRegroups->Items(i)->DisplayText());
            if (Q + (V ? 1 : 0) > 1) cell->SetAttributeInteger(rowspan, Q + (V ? 1 : 0));
        }

    // Body: one line per row position. One pass over the items computes every
    // cell; a table the pass cannot serve selects each line's items once (a
    // sorted-range search on the row root's axis) for all its cells.
    std::unique_ptr<TComputeRegroupmentsHelper> computation;
    if (rowRegroups && rowRegroupCount > 0) computation = FRowRegroups->CreateComputation(FCubeData->Values());
    const TPCAxisVisualFilter* firstColumn = FColDimensions.empty() ? nullptr : FColDimensions.front().get();
    TPCTablePass pass;
    const bool streamed =
        pass.Run(*this, topLevelOnly, dataCells ? nV : 0, computation.get()) && pass.LeafCount() == int(leaves.size());
    if (!streamed && FRowRoot) FCubeData->DataItems().SortByAxis(FRowRoot->LevelAxis->Index);
    TPCDataItemList scratch;
    int ordinal = 0;
    {
        TPCNodeIterator it(FRowRoot.get(), topLevelOnly);
        do {
            THierarchicalWriter* line = tbody->AddChild(tr);
            if (it.Eof()) {
                line->AddChild(th);
            } else {
                const int d = it.Depth();
                THierarchicalWriter* cell = line->AddChild(th, it.CurrentCaption());
                if (it.IsExpanded())
                    line->AddChild(th)->SetAttributeInteger(colspan, H - d - 1);
                else
                    cell->SetAttributeInteger(colspan, H - d);
                if (!topLevelOnly) cell->SetAttributeInteger(rowspan, it.LineCount(1) + 1);
            }
            if (streamed) {
                if (dataCells)
                    for (int leaf = 0; leaf < int(leaves.size()); ++leaf)
                        for (int k = 0; k < nV; ++k) {
                            const TPivotCubeCellValue value = EvaluateCell(pass.Cell(ordinal, leaf), *ValueColumns().Items(k));
                            line->AddChild(td, value.Text)->SetAttribute(classAttr, data);
                        }
                if (computation) pass.FillRowRegroups(ordinal, *computation);
            } else {
                const TPCDataItemList& rowItems = FCubeData->DataItems().SelectItems(it.FilterList(), scratch);
                if (dataCells) {
                    PivotCubeCells::LineScope scope(*this, rowItems);
                    for (const TPCLeafColumn& leaf : leaves)
                        for (int k = 0; k < nV; ++k) {
                            const TPivotCubeCellValue value = EvaluateCell(rowItems, leaf.Filters, *ValueColumns().Items(k));
                            line->AddChild(td, value.Text)->SetAttribute(classAttr, data);
                        }
                }
                if (computation) ComputeRowRegroups(rowItems, firstColumn, *computation);
            }
            if (computation)
                for (int i = 0; i < computation->Count(); ++i)
                    line->AddChild(td, FormatRegroupNumber(RegroupResult(*computation, i)))->SetAttribute(classAttr, regroup);
            ++ordinal;
            it.Next();
        } while (!it.Eof());
    }

    // Column regroupments: one line each under the leaf columns, the results
    // taken from (and kept in) the column nodes' caches.
    if (!colRegroups) return;
    THierarchicalWriter* tfoot = table->AddChild(QStringLiteral("tfoot"));
    if (colRegroupCount == 0) return;
    std::vector<THierarchicalWriter*> footRows;
    for (int r = 0; r < colRegroupCount; ++r) {
        THierarchicalWriter* line = tfoot->AddChild(tr);
        line->AddChild(th, FColRegroups->Items(r)->DisplayText())->SetAttributeInteger(colspan, H);
        footRows.push_back(line);
    }
    // Every leaf column's filter stack starts on the column root's axis: with
    // the items in that order each column selects its items by a sorted-range
    // search instead of a pass over all of them.
    if (FColRoot) FCubeData->DataItems().SortByAxis(FColRoot->LevelAxis->Index);
    {
        std::vector<TDoubleList> results(static_cast<size_t>(nV));
        TPCNodeIterator it(FColRoot.get(), topLevelOnly);
        do {
            if (!it.IsExpanded()) {
                for (int k = 0; k < nV; ++k) results[size_t(k)].Assign(&CachedColumnRegroups(it, k));
                for (int r = 0; r < colRegroupCount; ++r)
                    for (int k = 0; k < nV; ++k) {
                        const TDoubleList& list = results[size_t(k)];
                        const double x = r < list.Count() ? list[r] : 0;
                        footRows[size_t(r)]
                            ->AddChild(td, DisplayTextOfNumber(*this, *ValueColumns().Items(k), x))
                            ->SetAttribute(classAttr, regroup);
                    }
            }
            it.Next();
        } while (!it.Eof());
    }
    // Corner cells where the row regroupment columns meet these lines; without
    // those columns there is nothing for them to line up with.
    if (rowRegroups)
        for (int R = 0; R < rowRegroupCount; ++R)
            for (int C = 0; C < colRegroupCount; ++C)
                footRows[size_t(C)]
                    ->AddChild(td, CornerValue(*FRowRegroups->Items(R), *FColRegroups->Items(C)))
                    ->SetAttribute(classAttr, regroup);
}

QByteArray TPivotCube::ExportHTML(unsigned options) {
    TXMLHierarchicalWriter container;
    WriteTable(container, options);
    return htmlPrefix() + container.ToText(true).toUtf8();
}

QByteArray TPivotCube::ExportXML(unsigned options, const QString& formula, const QString& format) {
    // The first value column's formula and format are replaced for the
    // duration of the export and put back afterwards, also when the export (or
    // the replacement itself, through a change notification) fails.
    TPivotCubeValueColumn* first = ValueColumns().Count() > 0 ? ValueColumns().Items(0) : nullptr;
    const QString oldFormula = first ? first->Formula() : QString();
    const QString oldFormat = first ? first->Format() : QString();
    const bool replaceFormula = first && !formula.isEmpty();
    const bool replaceFormat = first && !format.isEmpty();
    auto restore = [&] {
        // Each setter stores its value before it notifies, so both are
        // restored even when a notification fails; the first failure is kept.
        std::exception_ptr failure;
        if (replaceFormula) try {
                first->SetFormula(oldFormula);
            } catch (...) {
                failure = std::current_exception();
            }
        if (replaceFormat) try {
                first->SetFormat(oldFormat);
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
        if (failure) std::rethrow_exception(failure);
    };

    QByteArray document;
    try {
        if (replaceFormula) first->SetFormula(formula);
        if (replaceFormat) first->SetFormat(format);
        TXMLHierarchicalWriter root;
        WriteTable(root, options);
        document = root.ToDocument();
    } catch (...) {
        try {
            restore();
        } catch (...) {
            // The export's own error is the one the caller hears about.
        }
        throw;
    }
    restore();
    return document;
}

QByteArray TPivotCube::ExportSpreadsheet() { return PivotTableHTMLWithSeparator(*this, LocaleDecimalSeparator()); }
