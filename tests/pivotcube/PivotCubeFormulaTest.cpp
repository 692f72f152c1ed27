// The pivot formula language: aggregates over the context items, Value, and
// the error mapping of the pivot root.
#include "PivotCubeTestCube.h"
#include "UFormulaFunctions.h"
#include "UPivotCubeFormula.h"

#include <gtest/gtest.h>

namespace {

using testcube::makeCube;

class PivotFormula : public ::testing::Test {
protected:
    // Montant 2 and 3 on member x; 10 on member y (not in the cell).
    std::unique_ptr<TPivotCubeData> cube = makeCube({{1, 1, 2, 4}, {1, 2, 3, 8}, {2, 1, 10, 1}});
    TPivotCubeFormulaInteractiveParser parser;
    TPCDataItemList cell;

    void SetUp() override {
        const auto& items = cube->DataItems().List();
        cell = {items[0], items[1]};
    }

    std::unique_ptr<TPivotCubeFormulaExpr> compile(const QString& text) {
        std::unique_ptr<TFormulaExpr> root = parser.Parse(text);
        root->Optimize();
        auto* pivot = dynamic_cast<TPivotCubeFormulaExpr*>(root.get());
        EXPECT_NE(pivot, nullptr) << "the parser makes pivot roots";
        root.release();
        return std::unique_ptr<TPivotCubeFormulaExpr>(pivot);
    }

    double inCell(TPivotCubeFormulaExpr& root) {
        parser.SetContext(&cell, {}, &cube->Values());
        const double x = root.EvaluateNum();
        parser.ClearContext();
        return x;
    }
};

TEST_F(PivotFormula, AggregatesOverTheCellItems) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"Somme('Montant')", 5},
        {"Sum('Montant')", 5},
        {"Nombre('Montant')", 2},
        {"Count('Montant')", 2},
        {"Moyenne('Prix')", 6},
        {"Average('Montant')", 2.5},
        {"Etendue('Montant')", 1},
        {"Range('Prix')", 4},
        {"Maximum('Montant') - Minimum('Montant')", 1},
        {"Somme('Montant')/Nombre('Montant')", 2.5},
        {"Somme(\"Montant\") * 2 + Somme('Prix')", 22},
        {"somme('Montant')", 5},            // function names are case-insensitive
        {"Moyenne('Inconnu')", 0},          // an unknown value name aggregates to 0
        {"Somme('montant')", 0},            // value names are case-sensitive
        {"Value * 100", 0},                 // no number is being displayed
        {"Valeur", 0},
    };
    for (const Case& c : cases) {
        auto root = compile(QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(inCell(*root), c.expected) << c.text;
    }
}

TEST_F(PivotFormula, WithoutContextAnAggregateIsZeroAndStaysUnresolved) {
    auto root = compile(QStringLiteral("Somme('Montant')"));
    EXPECT_EQ(root->EvaluateNum(), 0);
    parser.SetContext(&cell, {}, nullptr);   // items but no values
    EXPECT_EQ(root->EvaluateNum(), 0);
    parser.ClearContext();
    EXPECT_DOUBLE_EQ(inCell(*root), 5) << "the name is resolved at the first evaluation in a context";
}

TEST_F(PivotFormula, TheValueNameIsResolvedOncePerCompiledExpression) {
    SetGlobalVar(QStringLiteral("pcname"), Variant(QStringLiteral("Montant")));
    auto root = compile(QStringLiteral("Somme(GlobalVar('pcname'))"));
    EXPECT_DOUBLE_EQ(inCell(*root), 5);
    SetGlobalVar(QStringLiteral("pcname"), Variant(QStringLiteral("Prix")));
    EXPECT_DOUBLE_EQ(inCell(*root), 5) << "the first name stays";
    auto fresh = compile(QStringLiteral("Somme(GlobalVar('pcname'))"));
    EXPECT_DOUBLE_EQ(inCell(*fresh), 12);
    ClearGlobalVars();

    auto folded = compile(QStringLiteral("Somme(If(1, 'Montant', 'Prix'))"));
    EXPECT_DOUBLE_EQ(inCell(*folded), 5);
    const auto* aggregate = dynamic_cast<const TPCFuncGroupOperator*>(folded->Operand());
    ASSERT_NE(aggregate, nullptr) << "aggregates are never folded";
    EXPECT_EQ(aggregate->ValueIndex(), 0);
    ASSERT_NE(aggregate->Operator(), nullptr);
    EXPECT_EQ(aggregate->Operator()->ClassType(), TPCGOSum::StaticClass());

    auto unknown = compile(QStringLiteral("Somme('Nope')"));
    inCell(*unknown);
    EXPECT_EQ(dynamic_cast<const TPCFuncGroupOperator*>(unknown->Operand())->ValueIndex(),
              TPCFuncGroupOperator::UnknownValue);
}

TEST_F(PivotFormula, ValueReadsTheNumberOfItsRoot) {
    struct Case {
        const char* text;
        double current;
        const char* expected;
    } cases[] = {
        {"Value * 100", 0.25, "25"},
        {"FormatFloat('%.2f', Value)", 1.5, "1.50"},
        {"FormatFloat('%.2f', Valeur)", 2, "2.00"},
        {"IntToStr(Value, 3)", 7.4, "007"},
    };
    for (const Case& c : cases) {
        auto root = compile(QString::fromUtf8(c.text));
        root->CurrentValue = c.current;
        EXPECT_EQ(root->EvaluateString(), QString::fromUtf8(c.expected)) << c.text;
    }
}

TEST_F(PivotFormula, TheRootMapsEveryFailure) {
    struct Case {
        const char* text;
        double number;
        const char* text_;
    } cases[] = {
        // (the aggregates keep the expressions from being folded at compile time)
        {"If(Somme('Montant') > 0, '#VAL!', 1) * 1", -1, "#VAL!"},   // an error value
        {"If(Somme('Montant') > 0, '#ERR!', 1) * 1", -1, "#ERR!"},
        {"Somme('Montant') % 0", 0, "#ERR!"},                        // a floating-point fault
        {"StrToFloat(If(Somme('Montant') > 0, 'abc', '1'))", 0, "#ERR!"},   // a text conversion error
        {"FormatFloat('%d', Somme('Montant'))", 0, "#ERR!"},         // a formatting error
        {"", -1, ""},                                // an empty formula
    };
    for (const Case& c : cases) {
        auto root = compile(QString::fromUtf8(c.text));
        EXPECT_EQ(inCell(*root), c.number) << c.text;
        parser.SetContext(&cell, {}, &cube->Values());
        EXPECT_EQ(root->EvaluateString(), QString::fromUtf8(c.text_)) << c.text;
        parser.ClearContext();
    }
}

TEST(PivotFormulaParser, RegistersTheAggregatesUnderEveryOperatorName) {
    TPivotCubeFormulaInteractiveParser parser;
    for (const TRegisteredPCGroupOperator& r : RegisteredGroupOperators()) {
        auto root = parser.Parse(r.Name + QStringLiteral("('x')"));
        const auto* aggregate = dynamic_cast<const TPCFuncGroupOperator*>(root->Operand());
        ASSERT_NE(aggregate, nullptr) << r.Name.toStdString();
        EXPECT_EQ(aggregate->OperatorClass(), r.OperatorClass) << r.Name.toStdString();
    }
    EXPECT_TRUE(parser.Descriptions().contains(QStringLiteral("Somme=Somme")));
    EXPECT_TRUE(parser.Descriptions().contains(QStringLiteral("Valeur=Valeur")));
    EXPECT_THROW(parser.Parse(QStringLiteral("Somme('a', 'b')")), ESyntaxError);
    EXPECT_THROW(parser.Parse(QStringLiteral("Value(1)")), ESyntaxError);
}

} // namespace
