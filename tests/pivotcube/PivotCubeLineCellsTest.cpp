// Cells of one table line computed together: between BeginLine and EndLine
// every cell must hold exactly the number and text the cell-by-cell path
// gives, whatever the operators, the column levels, the excluded members or
// the shape of the filter stacks.
#include "CPivotCube.h"
#include "UPivotCubeSample.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kProduct = 2, kMonth = 3, kChannel = 4;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class LineCells : public ::testing::Test {
protected:
    TPivotCube pivot;

    void SetUp() override {
        auto data = GenerateSampleCube(4000, 77);
        // A product without any item: its line is empty.
        TPivotCubeAxis* products = data->Axises()[kProduct];
        products->Members.push_back({products->MemberCount() + 1, 0, QStringLiteral("zzz sans ventes")});
        pivot.SetCubeData(*data);
        pivot.AddDimension(pivot.RowDimensions(), kProduct);
        pivot.AddDimension(pivot.ColDimensions(), kMonth);
        pivot.AddDimension(pivot.ColDimensions(), kChannel);
        pivot.RowDimension(0)->ExcludeIDs.Add(3);
        pivot.ColDimension(0)->ExcludeIDs.Add(5);
        pivot.ColDimension(1)->ExcludeIDs.Add(2);   // a channel left out under every month
        pivot.Rebuild();
        // Some months show their channels: the column stacks have one or two levels.
        for (int i : {0, 3, 4}) pivot.ColRoot()->Expand(i);

        const char* columns[][2] = {
            {"Montant", ""},                                    // Somme
            {"Prix", "%.4f"},                                   // Moyenne
            {"Remise", ""},                                     // Maximum
            {"Nombre('Montant')", "%.0f"},
            {"Minimum('Prix')", ""},
            {"Etendue('Remise')", "%.6f"},
            {"Somme('Montant')/Nombre('Quantité')", ""},        // two aggregates in one formula
            {"Somme('Absente')", ""},                           // no such value: 0
            {"Quantité", "=FormatFloat('%.3f', Moyenne('Montant'))"},   // the display aggregates too
        };
        for (const auto& c : columns) {
            TPivotCubeValueColumn* k = pivot.ValueColumns().Add();
            k->SetCaption(QString::fromUtf8(c[0]));
            k->SetFormula(QString::fromUtf8(c[0]));
            k->SetFormat(QString::fromUtf8(c[1]));
        }
        pivot.CompileAll();
    }

    int passes() {
        TPCLineAggregates* line = pivot.FormulaParser().LineAggregates();
        return line ? line->Passes() : 0;
    }
};

TEST_F(LineCells, EveryCellEqualsTheCellByCellPath) {
    int lines = 0, emptyLines = 0, nestedColumns = 0, cells = 0;
    for (TPCNodeIterator row(pivot.RowRoot(), false); !row.Eof(); row.Next()) {
        TPCDataItemList items;
        pivot.CubeData().DataItems().FilterItems(row.FilterList(), items);
        ++lines;
        if (items.empty()) ++emptyLines;

        std::vector<TPivotCubeCellValue> expected;
        for (TPCNodeIterator col(pivot.ColRoot(), false); !col.Eof(); col.Next())
            for (int k = 0; k < pivot.ValueColumnCount(); ++k)
                expected.push_back(pivot.EvaluateCell(items, col.FilterList(), *pivot.ValueColumns()[k]));

        const int before = passes();
        size_t i = 0;
        {
            PivotCubeCells::LineScope scope(pivot, items);
            for (TPCNodeIterator col(pivot.ColRoot(), false); !col.Eof(); col.Next()) {
                if (col.Depth() > 0) ++nestedColumns;
                for (int k = 0; k < pivot.ValueColumnCount(); ++k, ++i) {
                    const TPivotCubeCellValue got = pivot.EvaluateCell(items, col.FilterList(), *pivot.ValueColumns()[k]);
                    ASSERT_LT(i, expected.size());
                    EXPECT_TRUE(sameBits(got.Value, expected[i].Value))
                        << row.CurrentCaption().toStdString() << " / " << col.CurrentCaption().toStdString() << " / "
                        << k << ": " << got.Value << " != " << expected[i].Value;
                    EXPECT_EQ(got.Text, expected[i].Text);
                    ++cells;
                }
            }
        }
        EXPECT_EQ(i, expected.size());
        // One numbering per column level, one aggregation per value and
        // operator and level: a handful of passes, not one per cell.
        EXPECT_GT(passes(), before);
        EXPECT_LE(passes() - before, 2 * 8 + 2);
    }
    EXPECT_GT(lines, 40);
    EXPECT_EQ(emptyLines, 1);
    EXPECT_GT(nestedColumns, 0);
    EXPECT_GT(cells, 10000);
}

// Filter stacks that are not single members per axis, another item list, and
// IDs beyond the axis's members all take the cell-by-cell path, with the
// same results.
TEST_F(LineCells, StacksThatNameNoBucketFallBack) {
    TPivotCubeData& data = pivot.CubeData();
    // An item whose month ID lies beyond the months.
    const int32_t strayIDs[5] = {1, 1, 1, 99, 1};
    const double strayValues[4] = {1000.5, 3, 7.25, 0.5};
    data.DataItems().Add(strayIDs, strayValues);
    const TPCDataItemList& all = data.DataItems().List();
    TPCDataItemList other(all.begin(), all.begin() + 100);

    auto filter = [](int axis, std::initializer_list<int32_t> include, std::initializer_list<int32_t> exclude = {}) {
        auto f = std::make_unique<TPCAxisFilter>(axis);
        for (int32_t id : include) f->IncludeIDs.Add(id);
        for (int32_t id : exclude) f->ExcludeIDs.Add(id);
        return f;
    };
    const auto month2 = filter(kMonth, {2}), month2again = filter(kMonth, {2}), month7 = filter(kMonth, {7});
    const auto months = filter(kMonth, {2, 7}), notMonth2 = filter(kMonth, {}, {2}), stray = filter(kMonth, {99});
    const auto everything = filter(kChannel, {}), channel1 = filter(kChannel, {1}), negative = filter(kChannel, {-1});
    const std::vector<std::vector<const TPCAxisFilter*>> stacks = {
        {month2.get()},                  // served
        {everything.get(), month7.get()},   // served: a filter that keeps everything
        {months.get()},
        {notMonth2.get()},
        {month2.get(), month2again.get()},   // one axis twice
        {month2.get(), month7.get()},        // one axis twice, nothing passes
        {stray.get()},                    // an ID beyond the members
        {negative.get(), month2.get()},
        {channel1.get(), stray.get()},
        {},
    };
    TPivotCubeValueColumn* sum = pivot.ValueColumns()[0];
    for (const TPCDataItemList* items : {&all, static_cast<const TPCDataItemList*>(&other)}) {
        std::vector<TPivotCubeCellValue> expected;
        for (const auto& stack : stacks) expected.push_back(pivot.EvaluateCell(*items, stack, *sum));
        EXPECT_EQ(expected[6].Value, items == &all ? 1000.5 : 0.0) << "the stray item is found by its own ID";
        PivotCubeCells::LineScope scope(pivot, all);   // the line is always the whole list
        for (size_t i = 0; i < stacks.size(); ++i) {
            const TPivotCubeCellValue got = pivot.EvaluateCell(*items, stacks[i], *sum);
            EXPECT_TRUE(sameBits(got.Value, expected[i].Value)) << "stack " << i << ": " << got.Value << " != " << expected[i].Value;
            EXPECT_EQ(got.Text, expected[i].Text);
        }
    }
    // Outside a line nothing is served from buckets.
    const int before = passes();
    pivot.EvaluateCell(all, stacks[0], *sum);
    EXPECT_EQ(passes(), before);
}

} // namespace
