// The pivot table as a grid of texts, and its CSV form.
#include "CPivotCubeGrid.h"

#include "CPivotCube.h"
#include "CPivotCubeDataExport.h"
#include "CPivotCubeLeafColumn.h"
#include "CPivotCubeTablePass.h"

#include <algorithm>
#include <memory>

namespace {

// Whether the iterator stands at the end position of an empty tree.
bool atEnd(const TPCNodeIterator& it) { return it.Eof() || !it.HasChildren(); }

// Visits every position of a tree in display order; an empty tree has one
// position, the end position.
template <class Visit> void walk(TPivotCubeNode* root, Visit&& visit) {
    TPCNodeIterator it(root, false);
    do {
        visit(it);
        it.Next();
    } while (!it.Eof());
}

// The leaf columns of the column tree, and the captions of their members from the top down.
void leafColumns(TPivotCube& engine, std::vector<TPCLeafColumn>& leaves, std::vector<QStringList>& captions) {
    walk(engine.ColRoot(), [&](TPCNodeIterator& it) {
        if (it.IsExpanded()) return;
        leaves.emplace_back(it);
        QStringList path;
        for (const TPCAxisFilter* f : leaves.back().Filters)
            path << (f->IncludeIDs.Count() > 0 ? engine.CubeData().Axises()[f->Axis]->CaptionOf(f->IncludeIDs[0]) : QString());
        captions.push_back(path);
    });
}

} // namespace

TPivotGrid BuildPivotGrid(TPivotCube& engine) {
    TPivotGrid grid;
    TPivotCubeData& cube = engine.CubeData();
    engine.CompileAll();
    TPivotCubeValueColumns& values = engine.ValueColumns();
    const int valueCount = values.Count();

    for (int i = 0; i < engine.RowDimensionCount(); ++i) grid.RowDimensionNames << cube.Axises()[engine.RowDimension(i)->Axis]->Nom();
    std::vector<TPCLeafColumn> leaves;
    std::vector<QStringList> captions;
    leafColumns(engine, leaves, captions);
    for (const QStringList& path : captions)
        for (int k = 0; k < valueCount; ++k) grid.ColumnPaths.push_back(path + QStringList{values[k]->Caption()});

    TPivotCubeRegroups& rowRegroups = engine.RowRegroups();
    for (int r = 0; r < rowRegroups.Count(); ++r) grid.RowRegroupCaptions << rowRegroups[r]->DisplayText();
    std::unique_ptr<TComputeRegroupmentsHelper> computation = rowRegroups.CreateComputation(cube.Values());
    const TPCAxisVisualFilter* firstColumn = engine.ColDimensionCount() > 0 ? engine.ColDimension(0) : nullptr;

    // One pass over the items computes every cell; tables it cannot serve
    // take a selection per line, ordered by the row root's axis so that each
    // line's items are one range of the list.
    TPCTablePass pass;
    const bool streamed = pass.Run(engine, false, valueCount, computation->Count() > 0 ? computation.get() : nullptr) &&
                          pass.LeafCount() == int(leaves.size());
    if (!streamed && engine.RowRoot()) cube.DataItems().SortByAxis(engine.RowRoot()->Dimension->Axis);
    TPCDataItemList scratch;
    int ordinal = 0;
    walk(engine.RowRoot(), [&](TPCNodeIterator& it) {
        TPivotGridLine line;
        if (!atEnd(it)) {
            line.Level = it.Depth();
            line.Caption = it.CurrentCaption();
            line.Expanded = it.IsExpanded();
        }
        line.Cells.reserve(qsizetype(leaves.size()) * valueCount);
        if (streamed) {
            for (int leaf = 0; leaf < int(leaves.size()); ++leaf)
                for (int k = 0; k < valueCount; ++k) {
                    const TPivotCubeCellValue cell = engine.EvaluateCell(pass.Cell(ordinal, leaf), *values[k]);
                    line.Cells << cell.Text;
                    line.Numbers.push_back(cell.Value);
                }
            if (computation->Count() > 0) pass.FillRowRegroups(ordinal, *computation);
        } else {
            const TPCDataItemList& rowItems = cube.DataItems().SelectItems(it.FilterList(), scratch);
            {
                PivotCubeCells::LineScope scope(engine, rowItems);
                for (const TPCLeafColumn& leaf : leaves)
                    for (int k = 0; k < valueCount; ++k) {
                        const TPivotCubeCellValue cell = engine.EvaluateCell(rowItems, leaf.Filters, *values[k]);
                        line.Cells << cell.Text;
                        line.Numbers.push_back(cell.Value);
                    }
            }
            if (computation->Count() > 0) engine.ComputeRowRegroups(rowItems, firstColumn, *computation);
        }
        for (int r = 0; r < computation->Count(); ++r) {
            line.Regroups << engine.FormatRegroupNumber(RegroupResult(*computation, r));
            line.RegroupNumbers.push_back(RegroupResult(*computation, r));
        }
        grid.Lines.push_back(std::move(line));
        ++ordinal;
    });

    TPivotCubeRegroups& colRegroups = engine.ColRegroups();
    if (colRegroups.Count() > 0) {
        grid.ColumnRegroupLines.resize(size_t(colRegroups.Count()));
        for (int r = 0; r < colRegroups.Count(); ++r) grid.ColumnRegroupLines[size_t(r)].Caption = colRegroups[r]->DisplayText();
        walk(engine.ColRoot(), [&](TPCNodeIterator& it) {
            if (it.IsExpanded()) return;
            for (int k = 0; k < valueCount; ++k) {
                const TDoubleList& results = engine.CachedColumnRegroups(it, k);
                for (int r = 0; r < colRegroups.Count(); ++r) {
                    TPivotGridLine& line = grid.ColumnRegroupLines[size_t(r)];
                    line.Cells << (r < results.Count() ? DisplayTextOfNumber(engine, *values[k], results[r]) : QString());
                    line.Numbers.push_back(r < results.Count() ? results[r] : 0.0);
                }
            }
        });
        for (int r = 0; r < colRegroups.Count(); ++r)
            for (int R = 0; R < rowRegroups.Count(); ++R)
                grid.ColumnRegroupLines[size_t(r)].Regroups << engine.CornerValue(*rowRegroups[R], *colRegroups[r]);
    }
    return grid;
}

TPivotGridTotals BuildPivotGridTotals(TPivotCube& engine) {
    TPivotGridTotals totals;
    TPivotCubeData& cube = engine.CubeData();
    engine.CompileAll();
    TPivotCubeValueColumns& values = engine.ValueColumns();
    const int valueCount = values.Count();
    const TPCDataItemList& all = cube.DataItems().ActiveItems();
    for (int k = 0; k < valueCount; ++k) totals.Grand.push_back(engine.EvaluateCellValue(all, {}, *values[k]));
    std::vector<TPCLeafColumn> leaves;
    std::vector<QStringList> captions;
    leafColumns(engine, leaves, captions);
    {
        PivotCubeCells::LineScope scope(engine, all);
        for (const TPCLeafColumn& leaf : leaves)
            for (int k = 0; k < valueCount; ++k) totals.Columns.push_back(engine.EvaluateCellValue(all, leaf.Filters, *values[k]));
    }
    // Each line's items are one range of the list ordered by the row root's axis.
    if (engine.RowRoot()) cube.DataItems().SortByAxis(engine.RowRoot()->Dimension->Axis);
    TPCDataItemList scratch;
    walk(engine.RowRoot(), [&](TPCNodeIterator& it) {
        const TPCDataItemList& rowItems = cube.DataItems().SelectItems(it.FilterList(), scratch);
        std::vector<double> line;
        for (int k = 0; k < valueCount; ++k) line.push_back(engine.EvaluateCellValue(rowItems, {}, *values[k]));
        totals.Rows.push_back(std::move(line));
    });
    return totals;
}

namespace {

// Fields are appended one by one, each but the first after a comma.
class CSVRecord {
public:
    explicit CSVRecord(QByteArray& csv) : FCsv(csv) {}
    ~CSVRecord() { FCsv += "\r\n"; }
    void add(const QString& field) {
        if (FCount++ > 0) FCsv += ',';
        AppendCSVField(FCsv, field);
    }
    void add(const QStringList& fields) {
        for (const QString& f : fields) add(f);
    }

private:
    QByteArray& FCsv;
    int FCount = 0;
};

// The caption columns of a line: its caption in the column of its level.
void addLevels(CSVRecord& record, qsizetype levels, qsizetype level, const QString& caption) {
    for (qsizetype l = 0; l < levels; ++l) record.add(l == level ? caption : QString());
}

} // namespace

QByteArray PivotGridCSV(const TPivotGrid& grid) {
    QByteArray csv;
    // Column regroupment lines need a header column for their captions, even
    // without row dimensions.
    const qsizetype levels = std::max<qsizetype>(grid.RowDimensionNames.size(), grid.ColumnRegroupLines.empty() ? 0 : 1);
    {
        CSVRecord header(csv);
        for (qsizetype level = 0; level < levels; ++level)
            header.add(level < grid.RowDimensionNames.size() ? grid.RowDimensionNames[level] : QString());
        for (const QStringList& path : grid.ColumnPaths) header.add(path.join(QStringLiteral(" / ")));
        header.add(grid.RowRegroupCaptions);
    }
    for (const TPivotGridLine& line : grid.Lines) {
        CSVRecord record(csv);
        addLevels(record, levels, line.Level, line.Caption);
        record.add(line.Cells);
        record.add(line.Regroups);
    }
    for (const TPivotGridLine& line : grid.ColumnRegroupLines) {
        CSVRecord record(csv);
        addLevels(record, levels, 0, line.Caption);
        record.add(line.Cells);
        record.add(line.Regroups);
    }
    return csv;
}
