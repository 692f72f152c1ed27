// The one-pass table against a plain per-cell evaluation, and against the
// per-line path, on many small random layouts: operators, filters,
// regroupments, hidden empty members, collapsed and expanded members, formulas.
#include "CPivotCube.h"
#include "CPivotCubeGrid.h"
#include "CPivotCubeLeafColumn.h"
#include "CPivotCubeTablePass.h"
#include "CPivotCubeTableExport.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

const QStringList kOperators = {QStringLiteral("Somme"), QStringLiteral("Moyenne"), QStringLiteral("Nombre"),
                                QStringLiteral("Maximum"), QStringLiteral("Minimum"), QStringLiteral("Etendue")};

// Four axes (the second linked to the first), two values; IDs run from 0 so
// that items may carry ID 0, values are multiples of 0.5 so that every sum is
// exact whatever the order.
std::unique_ptr<TPivotCubeData> randomCube(QRandomGenerator& rng) {
    auto cube = std::make_unique<TPivotCubeData>();
    const int members[4] = {2 + int(rng.bounded(3)), 2 + int(rng.bounded(4)), 1 + int(rng.bounded(4)), 2 + int(rng.bounded(3))};
    for (int a = 0; a < 4; ++a) {
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = QStringLiteral("A%1").arg(a);
        axis->SortStyle = pcsID;
        for (int m = 0; m <= members[a]; ++m)
            axis->Members.push_back({m, a == 1 ? int32_t(rng.bounded(members[0] + 1)) : 0, QStringLiteral("m%1").arg(m)});
        cube->Axises().Add(std::move(axis));
    }
    cube->Axises()[1]->ParentAxis = cube->Axises()[0];
    cube->Axises()[1]->ParentLinked = rng.bounded(2) == 0;
    for (int v = 0; v < 2; ++v) {
        auto value = std::make_unique<TPivotCubeValue>();
        value->Description.Nom = QStringLiteral("V%1").arg(v);
        value->SetGroupOperatorName(kOperators[int(rng.bounded(int(kOperators.size())))]);
        cube->Values().Add(std::move(value));
    }
    const int items = int(rng.bounded(120));
    for (int i = 0; i < items; ++i) {
        int32_t ids[4];
        for (int a = 0; a < 4; ++a) ids[a] = int32_t(rng.bounded(members[a] + 1));
        const double values[2] = {double(int(rng.bounded(41)) - 20) / 2, double(int(rng.bounded(21))) / 2};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

void randomFilter(QRandomGenerator& rng, TPCAxisVisualFilter& d, int members) {
    switch (rng.bounded(4)) {
    case 0: d.IncludeIDs.Add(int32_t(rng.bounded(members + 1))); d.IncludeIDs.Add(int32_t(rng.bounded(members + 1))); break;
    case 1: d.ExcludeIDs.Add(int32_t(rng.bounded(members + 1))); break;
    default: break;
    }
    d.DescendingSort = rng.bounded(3) == 0;
}

const QStringList kFormulas = {
    QStringLiteral("Somme('V0')/Nombre('V1')"), QStringLiteral("Maximum('V1')-Minimum('V0')"),
    QStringLiteral("Moyenne('V0')*2+Etendue('V1')"), QStringLiteral("If(Nombre('V0')>2, Somme('V1'), -Somme('V0'))"),
};

// A random placement, options, expansion, value columns and regroupments.
void randomLayout(QRandomGenerator& rng, TPivotCube& pivot) {
    const TPivotCubeData& cube = pivot.CubeData();
    std::vector<int> axes = {0, 1, 2, 3};
    for (int i = 3; i > 0; --i) std::swap(axes[size_t(i)], axes[size_t(rng.bounded(i + 1))]);
    const int rows = int(rng.bounded(4)), cols = int(rng.bounded(std::min(3, 5 - rows)));
    for (int i = 0; i < rows + cols; ++i) {
        auto d = std::make_unique<TPCAxisVisualFilter>(axes[size_t(i)]);
        if (rng.bounded(3) == 0) randomFilter(rng, *d, cube.Axises()[axes[size_t(i)]]->MemberCount() - 1);
        (i < rows ? pivot.RowDimensions() : pivot.ColDimensions()).push_back(std::move(d));
    }
    pivot.SetOptions(rng.bounded(2) ? TPivotCubeOptions(pcoHideEmptyAxis) : TPivotCubeOptions(0));
    pivot.Rebuild();
    for (TPivotCubeNode* root : {pivot.RowRoot(), pivot.ColRoot()}) {
        if (!root) continue;
        if (rng.bounded(3) == 0) {
            pivot.ExpandAllTo(root, 3);
            continue;
        }
        // Some members expanded, some of their children too.
        for (int i = 0; i < root->Count(); ++i)
            if (rng.bounded(2)) {
                pivot.ToggleExpand(root, i);
                if (TPivotCubeNode* below = root->Children[size_t(i)].Node.get())
                    for (int j = 0; j < below->Count(); ++j)
                        if (rng.bounded(2)) pivot.ToggleExpand(below, j);
            }
    }
    const int columns = 1 + int(rng.bounded(3));
    for (int k = 0; k < columns; ++k) {
        TPivotCubeValueColumn* c = pivot.ValueColumns().Add();
        if (rng.bounded(2)) {
            c->AssignFrom(*cube.Values()[int(rng.bounded(2))]);
        } else {
            const QString f = kFormulas[int(rng.bounded(int(kFormulas.size())))];
            c->SetCaption(f);
            c->SetFormula(f);
        }
        if (rng.bounded(4) == 0) c->SetFormat(QStringLiteral("=FormatFloat('%.1f', Value + Nombre('V0'))"));
    }
    for (TPivotCubeRegroups* list : {&pivot.RowRegroups(), &pivot.ColRegroups()})
        for (int r = int(rng.bounded(3)); r > 0; --r) {
            TPivotCubeRegroup* g = list->Add();
            g->SetOperator(kOperators[int(rng.bounded(int(kOperators.size())))]);
            g->SetValue(rng.bounded(5) == 0 ? QStringLiteral("Inconnu") : cube.Values()[int(rng.bounded(2))]->Nom());
        }
}

// The grid computed cell by cell: each line's items selected with its filter
// stack, each cell aggregating them item by item under the column's filters.
TPivotGrid plainGrid(TPivotCube& pivot) {
    TPivotGrid grid;
    pivot.CompileAll();
    std::vector<TPCLeafColumn> leaves;
    {
        TPCNodeIterator it(pivot.ColRoot(), false);
        do {
            if (!it.IsExpanded()) leaves.emplace_back(it);
            it.Next();
        } while (!it.Eof());
    }
    auto computation = pivot.RowRegroups().CreateComputation(pivot.CubeData().Values());
    const TPCAxisVisualFilter* first = pivot.ColDimensionCount() > 0 ? pivot.ColDimension(0) : nullptr;
    TPCNodeIterator it(pivot.RowRoot(), false);
    do {
        TPivotGridLine line;
        TPCDataItemList items;
        pivot.CubeData().DataItems().FilterItems(it.FilterList(), items);
        for (const TPCLeafColumn& leaf : leaves)
            for (int k = 0; k < pivot.ValueColumns().Count(); ++k)
                line.Cells << pivot.EvaluateCell(items, leaf.Filters, *pivot.ValueColumns()[k]).Text;
        if (computation->Count() > 0) {
            pivot.ComputeRowRegroups(items, first, *computation);
            for (int r = 0; r < computation->Count(); ++r) line.Regroups << pivot.FormatRegroupNumber(RegroupResult(*computation, r));
        }
        grid.Lines.push_back(line);
        it.Next();
    } while (!it.Eof());
    return grid;
}

struct LimitScope {
    explicit LimitScope(size_t limit) { TPCTablePass::AccumulatorLimit = limit; }
    ~LimitScope() { TPCTablePass::AccumulatorLimit = TPCTablePass::MaxAccumulators; }
};

// Every list split in two halves on two threads, however short.
struct HalvesScope {
    explicit HalvesScope(bool on) { TPCTablePass::ParallelItems = on ? 2 : TPCTablePass::DefaultParallelItems; }
    ~HalvesScope() { TPCTablePass::ParallelItems = TPCTablePass::DefaultParallelItems; }
};

TEST(TablePass, AgreesWithAPlainPerCellEvaluation) {
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        TPivotCube pivot;
        pivot.SetCubeData(*randomCube(rng));
        randomLayout(rng, pivot);

        const TPivotGrid expected = plainGrid(pivot);
        // One thread, and the items in two halves (exact sums: the halves add up to the same).
        for (const bool halves : {false, true}) {
            HalvesScope scope(halves);
            const TPivotGrid grid = BuildPivotGrid(pivot);
            ASSERT_EQ(grid.Lines.size(), expected.Lines.size());
            for (size_t i = 0; i < grid.Lines.size(); ++i) {
                EXPECT_EQ(grid.Lines[i].Cells, expected.Lines[i].Cells) << "line " << i << (halves ? " halves" : "");
                EXPECT_EQ(grid.Lines[i].Regroups, expected.Lines[i].Regroups) << "line " << i << (halves ? " halves" : "");
            }
        }

        // Every export, top level only or not, as the per-line path writes it.
        for (const unsigned options : {unsigned(peoDataCells | peoRowRegroups | peoColRegroups),
                                       unsigned(peoDataCells | peoRowRegroups | peoTopLevelOnly),
                                       unsigned(peoDataCells | peoFirstValueOnly)}) {
            const QByteArray streamed = pivot.ExportHTML(options);
            LimitScope perLine(0);
            EXPECT_EQ(pivot.ExportHTML(options).toStdString(), streamed.toStdString()) << "options " << options;
        }
    }
}

// The pass declines what it cannot serve, and the table is still right.
TEST(TablePass, DeclinesComputedValueNamesAndOversizedTables) {
    QRandomGenerator rng(7);
    TPivotCube pivot;
    pivot.SetCubeData(*randomCube(rng));
    pivot.AddDimension(pivot.RowDimensions(), 0);
    pivot.AddDimension(pivot.ColDimensions(), 2);
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[1]);
    TPivotCubeValueColumn* computed = pivot.ValueColumns().Add();
    computed->SetCaption(QStringLiteral("calc"));
    computed->SetFormula(QStringLiteral("Somme(If(Nombre('V0') > 1, 'V0', 'V1'))"));
    pivot.CompileAll();

    TPCTablePass pass;
    EXPECT_TRUE(pass.Run(pivot, false, 1, nullptr)) << "the first column alone is served";
    EXPECT_FALSE(pass.Run(pivot, false, 2, nullptr));
    {
        LimitScope tiny(1);
        EXPECT_FALSE(pass.Run(pivot, false, 2, nullptr));
    }
    const TPivotGrid expected = plainGrid(pivot);
    const TPivotGrid grid = BuildPivotGrid(pivot);
    ASSERT_EQ(grid.Lines.size(), expected.Lines.size());
    for (size_t i = 0; i < grid.Lines.size(); ++i) EXPECT_EQ(grid.Lines[i].Cells, expected.Lines[i].Cells);
}

} // namespace
