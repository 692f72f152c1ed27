// The simple formula shape: text built from a choice and a text read back.
#include "CPCSimpleFormula.h"

#include "DialogTestHelpers.h"

#include <gtest/gtest.h>

namespace {

class SimpleFormula : public ::testing::Test {
protected:
    // The first value is neither side of the texts below, so a side that falls
    // back to it shows.
    std::unique_ptr<TPivotCubeValues> values = MakeValues({{QStringLiteral("Montant"), QStringLiteral("Somme")},
                                                           {QStringLiteral("A"), QStringLiteral("Somme")},
                                                           {QStringLiteral("B"), QStringLiteral("Somme")},
                                                           {QStringLiteral("C"), QStringLiteral("Moyenne")}});
};

TEST_F(SimpleFormula, TextOfAChoice) {
    const TPivotCubeValues& v = *values;
    EXPECT_EQ(SimpleFormulaText(v[1], 0, v[2]), QStringLiteral("Somme('A')*Somme('B')")) << "x is written *";
    EXPECT_EQ(SimpleFormulaText(v[1], 3, v[3]), QStringLiteral("Somme('A')/Moyenne('C')"));
    EXPECT_EQ(SimpleFormulaText(v[3], 1, v[0]), QStringLiteral("Moyenne('C')-Somme('Montant')"));
    EXPECT_EQ(SimpleFormulaText(nullptr, 0, v[2]), QString());
    EXPECT_EQ(SimpleFormulaText(v[1], 0, nullptr), QString());
    EXPECT_EQ(SimpleFormulaText(v[1], -1, v[2]), QString());
}

TEST_F(SimpleFormula, DecompositionOfTexts) {
    struct Case {
        const char* text;
        bool found;
        int left, op, right;
    } cases[] = {
        {"Somme('A')*Somme('B')", true, 1, 0, 2},
        {"Somme('A')+Moyenne('C')", true, 1, 2, 3},
        {"Somme('A')-Somme('B')", true, 1, 1, 2},
        {"Somme('A')/Somme('B')", true, 1, 3, 2},
        // Not an operator item: the "x" item.
        {"Somme('A')%Somme('B')", true, 1, 0, 2},
        // The side's operator is not its value's: the first value.
        {"Moyenne('A')*Somme('B')", true, 0, 0, 2},
        {"Somme('A')*Somme('C')", true, 1, 0, 0},
        // A side that names no value.
        {"Somme('Z')*Somme('B')", false, -1, -1, -1},
        {"Somme('A')*Somme(B)", false, -1, -1, -1},
        {"Somme('A')", false, -1, -1, -1},
        {"", false, -1, -1, -1},
        {"1+2", false, -1, -1, -1},
    };
    for (const Case& c : cases) {
        const TSimpleFormulaChoice choice = DecomposeSimpleFormula(QString::fromUtf8(c.text), *values);
        EXPECT_EQ(choice.Found, c.found) << c.text;
        EXPECT_EQ(choice.LeftValue, c.left) << c.text;
        EXPECT_EQ(choice.OperatorIndex, c.op) << c.text;
        EXPECT_EQ(choice.RightValue, c.right) << c.text;
    }
}

TEST_F(SimpleFormula, EveryBuiltTextReadsBack) {
    for (int left = 0; left < values->Count(); ++left)
        for (int op = 0; op < SimpleFormulaOperators().size(); ++op)
            for (int right = 0; right < values->Count(); ++right) {
                const QString text = SimpleFormulaText(values->Items(left), op, values->Items(right));
                const TSimpleFormulaChoice choice = DecomposeSimpleFormula(text, *values);
                EXPECT_TRUE(choice.Found && choice.LeftValue == left && choice.OperatorIndex == op &&
                            choice.RightValue == right)
                    << text.toStdString();
            }
}

} // namespace
