#include "FormulaTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A compact picture of a value: "num:7", "str:a1", "bool:true", "dt:...",
// "empty", "null", "list:{ 1, "a" }".
QString describe(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
        return QStringLiteral("empty");
    case VarType::Null:
        return QStringLiteral("null");
    case VarType::Integer:
    case VarType::Double:
        return QStringLiteral("num:") + FloatToStr(FormulaValueNum(v));
    case VarType::DateTime:
        return QStringLiteral("dt:") + FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn"), v.asDateTime());
    case VarType::Boolean:
        return QStringLiteral("bool:") + (v.asBoolean() ? QStringLiteral("true") : QStringLiteral("false"));
    case VarType::String:
        return QStringLiteral("str:") + v.asString();
    case VarType::List:
        return QStringLiteral("list:") + FormulaValueText(v);
    default:
        return QStringLiteral("custom");
    }
}

QString syntaxError(TFormulaParser& parser, const QString& text) {
    try {
        parser.Parse(text);
    } catch (const ESyntaxError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

class FormulaTest : public ::testing::Test {
protected:
    FormulaTest() {
        P.Set(QStringLiteral("x"), Variant(1.0), rkNumber);
        P.Set(QStringLiteral("y"), Variant(2.0), rkNumber);
        P.Set(QStringLiteral("s"), Variant(QStringLiteral("abc")), rkString);
        P.Set(QStringLiteral("list"), Variant(VariantList{Variant(1), Variant(QStringLiteral("a\"b"))}), rkList);
        P.Set(QStringLiteral("none"), Variant(VariantList{}), rkList);
        P.Set(QStringLiteral("nothing"), Variant());
        P.Set(QStringLiteral("d1"), Variant::fromDateTime(EncodeDate(2015, 6, 1) + 0.5));
        P.Set(QStringLiteral("d2"), Variant::fromDateTime(EncodeDate(2015, 5, 30)));
    }
    // With optimize, a constant error value raised while folding is reported
    // as the value the root would have given.
    QString eval(const QString& text, bool optimize = false) {
        auto root = P.Parse(text);
        if (optimize) {
            try {
                root->Optimize();
            } catch (const EEvalError& e) {
                return QStringLiteral("str:") + e.message();
            } catch (const EVariantError&) {
                return QStringLiteral("str:#VAL!");
            }
        }
        return describe(root->Evaluate());
    }
    TestParser P;
};

} // namespace

TEST_F(FormulaTest, EvaluatesOperatorsWithTheirPrioritiesAndSemantics) {
    struct Case {
        const char* formula;
        const char* value;
    } cases[] = {
        {"", "null"},
        {"  \t ", "null"},
        {"1;2", "num:1"},
        {"1, 2", "num:1"},
        {"1 + 2 * 3", "num:7"},
        {"(1 + 2) * 3", "num:9"},
        {"2 * 3 ^ 2", "num:18"},
        {"1 - 2 - 3", "num:-4"},
        {"8 / 4 / 2", "num:1"},
        {"2^3^2", "num:64"},
        {"-2^2", "num:-4"},
        {"2 * -3", "num:-6"},
        {"x - -y", "num:3"},
        {"- - 2", "num:2"},
        {"1 + 2 ?? 3", "num:3"},
        {"Not -1", "bool:false"},
        {"Not 0", "bool:true"},
        {"NOT 'non'", "bool:true"},
        {"1 And -1", "bool:true"},
        {"1 and 0", "bool:false"},
        {"0 Or 'Oui'", "bool:true"},
        {"1 Xor 1", "bool:false"},
        {"1 xor 0", "bool:true"},
        {"Not x = False", "bool:true"},
        {"Not x = 0", "bool:false"},
        {"1 + 2 = 3 And 2 > 1", "bool:true"},
        {"1/0", "num:INF"},
        {"-1/0", "num:-INF"},
        {"0/0", "num:NAN"},
        {"7 % -2", "num:1"},
        {"-7 % 2", "num:-1"},
        {"7.5 % 2", "num:1.5"},
        {"2^0.5", "num:1.4142135623731"},
        {"0^0", "num:1"},
        {"0^-1", "num:INF"},
        {"0^2", "num:0"},
        {"2^-2", "num:0.25"},
        {"(-2)^3", "num:-8"},
        {"(-8)^(1/3)", "num:0"},
        {"10^-5000", "num:0"},
        {"10^400", "num:INF"},
        {"2^1e10", "num:INF"},
        {"0.5^1e10", "num:0"},
        {"1 = '1'", "bool:true"},
        {"1.5 = '1.5'", "bool:true"},
        {"1 = 1.0", "bool:true"},
        {"'A' = 'a'", "bool:false"},
        {"1 <> 2", "bool:true"},
        {"1 < 2", "bool:true"},
        {"2 <= 2", "bool:true"},
        {"'10' < '9'", "bool:true"},
        {"10 < '9'", "bool:false"},
        {"'abc' >= 'abd'", "bool:false"},
        {"'a' + 1", "str:a1"},
        {"1 + 'x' + 2", "str:1x2"},
        {"True + '!'", "str:True!"},
        {"'a' + 'b'", "str:ab"},
        {"nothing + 2", "num:2"},
        {"2 + nothing", "num:2"},
        {"nothing - 2", "num:-2"},
        {"'' ?? 5", "num:5"},
        {"0 ?? 5", "num:5"},
        {"nothing ?? 'z'", "str:z"},
        {"'x' ?? 5", "str:x"},
        {"False ?? 5", "num:5"},
        {"'2,5' * 2", "num:5"},
        {"'abc' * 2", "num:0"},
        {"'#ERR!' * 2", "str:#ERR!"},
        {"-'#VAL!'", "str:#VAL!"},
        {"'abc' ^ 2", "str:#VAL!"},
        {"'it''s'", "str:it's"},
        {"\"say \"\"hi\"\" 'x'\"", "str:say \"hi\" 'x'"},
        {"\"a", "str:a"},
        {"'", "str:"},
        {"{ a { b } c } 1", "num:1"},
        {"1 // note", "num:1"},
        {"1 // note\n + 2", "num:3"},
        {"1.5e2", "num:150"},
        {".5", "num:0.5"},
        {"1E", "num:1"},
        {"2e-1", "num:0.2"},
        {"0.1", "num:0.1"},
        {"123456789012", "num:123456789012"},
        {"d1 + 1", "dt:2015-06-02 12:00"},
        {"d1 - 1", "dt:2015-05-31 12:00"},
        {"d1 - d2", "num:2.5"},
        {"list + 2", "list:{ 1, \"a\"\"b\", 2 }"},
        {"0 + list", "list:{ 0, 1, \"a\"\"b\" }"},
        {"none + none", "list:{ }"},
    };
    for (const Case& c : cases) {
        const QString formula = QString::fromUtf8(c.formula);
        EXPECT_EQ(eval(formula), QString::fromUtf8(c.value)) << c.formula;
        // folding never changes a value
        EXPECT_EQ(eval(formula, true), QString::fromUtf8(c.value)) << c.formula << " (optimized)";
    }
}

TEST_F(FormulaTest, SyntaxErrorsCarryTheirMessageAndPosition) {
    struct Case {
        const char* formula;
        const char* message;
    } cases[] = {
        {"1 2", "Missing operator"},
        {"1.2.3", "Missing operator"},
        {"1 +", "Missing unary operand"},
        {"1 + -", "Missing unary operand"},
        {"-", "Missing operand"},
        {"Not", "Missing operand"},
        {"1 * * 2", "Invalid operator"},
        {"()", "2"},
        {"(1", "3"},
        {"(1,2)", "3"},
        {"1)", "2"},
        {"1 ~ 2", "3"},
        {"1 # 2", "3"},
        {"1 } 2", "3"},
        {"1 + \u00fc", "5"},
        {"abc", "abc (4)"},
        {"abc(1)", "abc (4)"},
        {"1 + Abc", "Abc (8)"},
        {"x(1)", "x (2)"},
        {"1 !! 2", "!! (3)"},
        {"{ a", "Unbalanced comment at 4"},
        {"{ a { b }", "Unbalanced comment at 10"},
        {"1 ]", "Unbalanced bracket at 3"},
        {"1 [2]", "3"},
        {"half", "Not enough parameters"},
        {"half()", "Not enough parameters"},
        {"half(1, 2)", "Too many parameters"},
        {"count(1", "8"},
        {"count(1,", "9"},
        {"count((1,2))", "9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(syntaxError(P, QString::fromUtf8(c.formula)), QString::fromUtf8(c.message)) << c.formula;
}

TEST_F(FormulaTest, ArgumentListsAndFunctionsWithoutBrackets) {
    struct Case {
        const char* formula;
        const char* value;
    } cases[] = {
        {"count(1,,2)", "num:2"},
        {"count(1;2;3)", "num:3"},
        {"count()", "num:0"},
        {"count", "num:0"},
        {"count + 1", "num:1"},
        {"COUNT ( 1 , 2 )", "num:2"},
        {"three", "num:3"},
        {"three()", "num:3"},
        {"half(count(1, 2) * 3)", "num:3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(eval(QString::fromUtf8(c.formula)), QString::fromUtf8(c.value)) << c.formula;

    // a name the subclass resolves wins over a function written without brackets
    P.Set(QStringLiteral("count"), Variant(QStringLiteral("var")));
    EXPECT_EQ(eval(QStringLiteral("count")), QStringLiteral("str:var"));
    EXPECT_EQ(eval(QStringLiteral("count(7)")), QStringLiteral("num:1"));
    P.Resolved.clear();
    P.Parse(QStringLiteral("x +  count  ;"));
    EXPECT_EQ(P.Resolved, QStringList({QStringLiteral("x|+"), QStringLiteral("count|;")}));

    P.Options = poFunctionsNeedBrackets;
    P.Vars.remove(QStringLiteral("count"));
    EXPECT_EQ(syntaxError(P, QStringLiteral("three")), QStringLiteral("three (6)"));
    EXPECT_EQ(eval(QStringLiteral("three()")), QStringLiteral("num:3"));
}

TEST_F(FormulaTest, LineCommentsCanBeSwitchedOff) {
    P.Options = poNoLineComments;
    EXPECT_EQ(syntaxError(P, QStringLiteral("1 // 2")), QStringLiteral("Invalid operator"));
}

TEST_F(FormulaTest, TokensRecordPositionAndLength) {
    auto root = P.Parse(QStringLiteral("12 +  count(x)"));
    auto* plus = static_cast<TFEBinaryOperator*>(root->Operand());
    EXPECT_EQ(plus->Position, 4);
    EXPECT_EQ(plus->Length, 1);
    EXPECT_EQ(plus->Left()->Position, 1);
    EXPECT_EQ(plus->Left()->Length, 2);
    EXPECT_EQ(plus->Right()->Position, 7);
    EXPECT_EQ(plus->Right()->Length, 5);
    EXPECT_EQ(plus->Right()->Child(0)->Position, 13);
    EXPECT_EQ(plus->Root(), root.get());
    EXPECT_EQ(plus->Right()->Child(0)->Parser(), &P);
}

TEST_F(FormulaTest, CanonicalText) {
    struct Case {
        const char* formula;
        const char* text;
    } cases[] = {
        {"1+2*x", "1+2*x"},
        {"(1+2)*x", "(1+2)*x"},
        {"1 + (2 * x)", "1+2*x"},
        {"x-(y-1)", "x-(y-1)"},
        {"(x-y)-1", "(x-y)-1"},
        {"x+(y+1)", "x+y+1"},
        {"x*(y+1)", "x*(y+1)"},
        {"x/(y*2)", "x/(y*2)"},
        {"-(x+y)", "-(x+y)"},
        {"- x", "-x"},
        {"-half(x)", "-half(x)"},
        {"Not x", "not x"},
        {"NOT (x = y)", "not(x=y)"},
        {"x And y Or 1", "(x and y) or 1"},
        {"x ?? y", "x??y"},
        {"x <> y", "x<>y"},
        {"'it''s'", "\"it's\""},
        {"\"say \"\"x\"\"\"", "\"say \"\"x\"\"\""},
        {"1.50", "1.5"},
        {"1e20", "1E20"},
        {"0.1", "0.1"},
        {"True", "True()"},
        {"count(1,,x)", "count(1, x)"},
        {"HALF(1)", "half(1)"},
        {"{c} 1 // d", "1"},
        {"", ""},
    };
    for (const Case& c : cases) {
        const QString text = P.Parse(QString::fromUtf8(c.formula))->ToText();
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.formula;
        // the canonical text parses back to itself
        EXPECT_EQ(P.Parse(text)->ToText(), text) << c.formula;
    }
    // numbers are written with "." whatever the process separator
    DecimalSeparatorScope comma(QLatin1Char(','));
    EXPECT_EQ(P.Parse(QStringLiteral("1.5 + x"))->ToText(), QStringLiteral("1.5+x"));
}

// The printed text, parsed again, computes what the formula computes: text
// and number "+" do not regroup, nor do operators of one priority.
TEST_F(FormulaTest, PrintedTextKeepsTheMeaning) {
    P.Set(QStringLiteral("t"), Variant(QStringLiteral("7")));   // a text of unknown kind
    const char* formulas[] = {
        "\"a\"+(1+2)",       "s+(x+y)",          "(s+x)+y",         "1+(\"a\"+2)",     "\"a\"+(3-1)",
        "s+(x*2+y)",         "t+(x+y)",          "x+(t+y)",         "(\"a\"+\"b\")+(\"c\"+x)", "\"n=\"+(x-y)+\"!\"",
        "x+y+\"z\"",         "2*(5%3)",          "7%(4*3)",         "x*(y/4)",         "s+(\"-\"+s)",
        "(t+1)*2",           "t+1+2",            "t+(1-2)",         "8/(4/2)",         "2^(3^2)",
    };
    for (const char* f : formulas) {
        for (const bool optimize : {false, true}) {
            auto root = P.Parse(QString::fromUtf8(f));
            if (optimize) root->Optimize();
            const QString text = root->ToText();
            auto again = P.Parse(text);
            EXPECT_EQ(VarToStr(again->Evaluate()), VarToStr(root->Evaluate()))
                << f << " printed " << text.toStdString() << (optimize ? " (optimized)" : "");
        }
    }
}

TEST_F(FormulaTest, ConstantLeavesAndTheirTexts) {
    TFEImmediateDateTime date(EncodeDate(2015, 6, 1));
    TFEImmediateDateTime dateTime(EncodeDate(2015, 6, 1) + EncodeTime(10, 20, 30, 40));
    TFEImmediateDateTime time(EncodeTime(10, 20, 30, 40));
    EXPECT_EQ(date.ToText(), QStringLiteral("2015-06-01"));
    EXPECT_EQ(dateTime.ToText(), QStringLiteral("2015-06-01 10:20:30.040"));
    EXPECT_EQ(time.ToText(), QStringLiteral("10:20:30.040"));
    EXPECT_EQ(TFEImmediateVar(Variant()).ToText(), QString());
    EXPECT_EQ(TFEImmediateVar(Variant(2.5)).ToText(), QStringLiteral("2.5"));
    EXPECT_EQ(TFEImmediateVar(Variant(QStringLiteral("a\"b"))).ToText(), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(TFEImmediateVar(Variant(VariantList{Variant(1)})).ToText(), QStringLiteral("{ 1 }"));
    EXPECT_EQ(TFEImmediateBool(true).ToText(), QStringLiteral("true"));
    EXPECT_TRUE(TFEImmediateNum(1).IsConstant());
}

TEST_F(FormulaTest, FoldingReplacesConstantSubtrees) {
    struct Case {
        const char* formula;
        const char* leafClass; // class of the root's expression after Optimize
        const char* text;      // its canonical text
    } cases[] = {
        {"1 + 2 * 3", "TFEImmediateNum", "7"},
        {"'a' + 'b'", "TFEImmediateString", "\"ab\""},
        {"1 = 1", "TFEImmediateBool", "true"},
        {"Not 1", "TFEImmediateBool", "false"},
        {"1 + 'a'", "TFEImmediateString", "\"1a\""},
        {"three + 1", "TFEImmediateNum", "4"},
        {"half(three)", "TFEImmediateNum", "1.5"},
        {"count(1) + 1", "TFENumAddition", "count(1)+1"},
        {"count(1) + s", "TFEAddition", "count(1)+s"},
        {"x + 2 * 3", "TFENumAddition", "x+6"},
        {"x + y + 1 + x", "TFENumAddition", "x+y+1+x"},
        {"x + (y + (x + y))", "TFENumAddition", "x+y+x+y"},
        {"x * (y + 1)", "TFEMultiplication", "x*(y+1)"},
        {"s + 1", "TFEAddition", "s+1"},
        {"x < y", "TFEInferior", "x<y"},
    };
    for (const Case& c : cases) {
        auto root = P.Parse(QString::fromUtf8(c.formula));
        const QString before = describe(root->Evaluate());
        root->Optimize();
        ASSERT_NE(root->Operand(), nullptr);
        EXPECT_EQ(root->Operand()->ClassName(), QString::fromLatin1(c.leafClass)) << c.formula;
        EXPECT_EQ(root->ToText(), QString::fromUtf8(c.text)) << c.formula;
        EXPECT_EQ(describe(root->Evaluate()), before) << c.formula;
        EXPECT_EQ(root->Operand()->Parent(), root.get());
    }
    auto constant = P.Parse(QStringLiteral("(1 + 2) * 3"));
    EXPECT_FALSE(constant->IsConstant());
    constant->Optimize();
    EXPECT_TRUE(constant->IsConstant());
    EXPECT_EQ(constant->Operand()->Position, 9);
    EXPECT_TRUE(P.Parse(QString())->IsConstant());
}

TEST_F(FormulaTest, ComparisonAsNumberDependsOnFolding) {
    // an evaluated comparison is a boolean variant (-1 as a number) while a
    // folded one is a boolean leaf (1 as a number)
    EXPECT_EQ(P.Parse(QStringLiteral("(x < y) * 1"))->EvaluateNum(), -1);
    EXPECT_EQ(P.Parse(QStringLiteral("(1 < 2) * 1"))->EvaluateNum(), -1);
    auto folded = P.Parse(QStringLiteral("(1 < 2) * 1"));
    folded->Optimize();
    EXPECT_EQ(folded->EvaluateNum(), 1);
    auto notFolded = P.Parse(QStringLiteral("(x < y) * 1"));
    notFolded->Optimize();
    EXPECT_EQ(notFolded->EvaluateNum(), -1);
    EXPECT_EQ(P.Parse(QStringLiteral("True * 1"))->EvaluateNum(), 1);
}

TEST_F(FormulaTest, NumericSumsAreCompensated) {
    double a = 1e16, b = 1, c = 1, d = -1e16;
    P.Bind(QStringLiteral("a"), &a);
    P.Bind(QStringLiteral("b"), &b);
    P.Bind(QStringLiteral("c"), &c);
    P.Bind(QStringLiteral("d"), &d);
    auto root = P.Parse(QStringLiteral("a + b + c + d"));
    EXPECT_EQ(root->EvaluateNum(), 0); // plain left-to-right doubles lose both ones
    root->Optimize();
    ASSERT_TRUE(root->Operand()->Is<TFENumAddition>());
    EXPECT_EQ(static_cast<TFEFunction*>(root->Operand())->ParamCount(), 4);
    EXPECT_EQ(root->EvaluateNum(), 2);
    EXPECT_EQ(root->EvaluateString(), QStringLiteral("2"));
}

TEST_F(FormulaTest, FoldingErrorsPropagateOutOfOptimize) {
    auto error = P.Parse(QStringLiteral("'#ERR!' * 2"));
    EXPECT_THROW(error->Optimize(), EEvalError);
    auto zero = P.Parse(QStringLiteral("1 % 0"));
    EXPECT_THROW(zero->Optimize(), EZeroDivide);
}

TEST_F(FormulaTest, RootMapsErrors) {
    struct Case {
        const char* formula;
        const char* value;
        double number;
        const char* text;
    } cases[] = {
        {"", "null", -1, ""},
        {"'#ERR!' * 1", "str:#ERR!", -1, "#ERR!"},
        {"'#N/A!' ^ 2", "str:#N/A!", -1, "#N/A!"},
        {"'abc' ^ 2", "str:#VAL!", -1, "#VAL!"},
        {"'a' + 1", "str:a1", -1, "a1"},
        {"list + 1", "list:{ 1, \"a\"\"b\", 1 }", -1, "{ 1, \"a\"\"b\", 1 }"},
        {"s + list", "str:#VAL!", -1, "#VAL!"},
        {"1 < 2", "bool:true", -1, "true"},
        {"x / 4", "num:0.25", 0.25, "0.25"},
    };
    for (const Case& c : cases) {
        auto root = P.Parse(QString::fromUtf8(c.formula));
        EXPECT_EQ(describe(root->Evaluate()), QString::fromUtf8(c.value)) << c.formula;
        EXPECT_EQ(root->EvaluateNum(), c.number) << c.formula;
        EXPECT_EQ(root->EvaluateString(), QString::fromUtf8(c.text)) << c.formula;
    }
    auto zero = P.Parse(QStringLiteral("x % 0"));
    EXPECT_THROW(zero->Evaluate(), EZeroDivide);
    EXPECT_THROW(zero->EvaluateNum(), EZeroDivide);
    EXPECT_THROW(zero->EvaluateString(), EZeroDivide);
}

TEST_F(FormulaTest, NumbersFollowTheProcessSeparatorInTexts) {
    DecimalSeparatorScope comma(QLatin1Char(','));
    EXPECT_EQ(P.Parse(QStringLiteral("x + 0.5"))->EvaluateString(), QStringLiteral("1,5"));
    EXPECT_EQ(eval(QStringLiteral("1.5 = '1,5'")), QStringLiteral("bool:true"));
    EXPECT_EQ(eval(QStringLiteral("'n=' + 1.5")), QStringLiteral("str:n=1,5"));
}

TEST_F(FormulaTest, BracketOperatorsAttachToTheOperandBefore) {
    EXPECT_EQ(syntaxError(P, QStringLiteral("list[1]")), QStringLiteral("5"));
    P.BracketOperatorClass = &TFETestIndex::StaticClass();
    EXPECT_EQ(eval(QStringLiteral("list[1]")), QStringLiteral("str:a\"b"));
    EXPECT_EQ(eval(QStringLiteral("list[0] + list[0]")), QStringLiteral("num:2"));
    EXPECT_EQ(syntaxError(P, QStringLiteral("[1]")), QStringLiteral("1"));
    EXPECT_EQ(syntaxError(P, QStringLiteral("1 + [2]")), QStringLiteral("5"));
    EXPECT_EQ(syntaxError(P, QStringLiteral("list[1")), QStringLiteral("7"));
    EXPECT_EQ(syntaxError(P, QStringLiteral("list[1)")), QStringLiteral("7"));
    auto twice = P.Parse(QStringLiteral("list[0][1]"));
    ASSERT_TRUE(twice->Operand()->Is<TFETestIndex>());
    EXPECT_EQ(static_cast<TFEFunction*>(twice->Operand())->ParamCount(), 2);
    EXPECT_EQ(twice->ToText(), QStringLiteral("list[0, 1]"));
    auto plain = P.Parse(QStringLiteral("x + list[0]"));
    EXPECT_TRUE(plain->Operand()->Is<TFEAddition>());

    // a bracket that binds looser than the operator is lifted above it
    P.BracketOperatorClass = &TFETestLooseIndex::StaticClass();
    auto lifted = P.Parse(QStringLiteral("none + list[1]"));
    ASSERT_TRUE(lifted->Operand()->Is<TFETestLooseIndex>());
    EXPECT_TRUE(static_cast<TFEBracketOperator*>(lifted->Operand())->Indexed()->Is<TFEAddition>());
    EXPECT_EQ(describe(lifted->Evaluate()), QStringLiteral("str:a\"b"));
    EXPECT_EQ(lifted->Operand()->Child(0)->Root(), lifted.get());
}

TEST(FormulaParser, RegistriesAliasesAndDescriptions) {
    TFormulaParser p;
    p.RegisterFunction(QStringLiteral("Zeta"), TFETestCount::StaticClass(), QStringLiteral("last letter"));
    p.RegisterFunction(QStringLiteral("Beta"), TFETestCount::StaticClass());
    p.RegisterFunction(QStringLiteral("Half"), TFETestHalf::StaticClass(), QStringLiteral("old"));
    p.RegisterFunction(QStringLiteral("HALF"), TFETestHalf::StaticClass(), QStringLiteral("new"));
    p.RegisterUnaryOperator(QStringLiteral("Neg"), TFENegation::StaticClass());
    p.RegisterUnaryOperator(QStringLiteral("-"), TFENegation::StaticClass());
    p.RegisterBinaryOperator(QStringLiteral("Plus"), TFEAddition::StaticClass());
    EXPECT_EQ(p.Descriptions(), QStringList({QStringLiteral("Zeta=last letter"), QStringLiteral("Beta=Beta"),
                                              QStringLiteral("HALF=new")}));
    EXPECT_THROW(p.RegisterBinaryOperator(QStringLiteral("PLUS"), TFEAddition::StaticClass()), EFormulaAssertion);

    auto root = p.Parse(QStringLiteral("zeta(1, 2)"));
    EXPECT_EQ(root->ToText(), QStringLiteral("Beta(1, 2)"));
    EXPECT_EQ(p.Parse(QStringLiteral("half(1)"))->ToText(), QStringLiteral("HALF(1)"));
    EXPECT_EQ(p.Parse(QStringLiteral("neg 1"))->ToText(), QStringLiteral("-1"));
    EXPECT_EQ(p.Parse(QStringLiteral("1 plus 2"))->ToText(), QStringLiteral("1 plus 2"));
    // "-" is no binary operator here
    EXPECT_EQ(syntaxError(p, QStringLiteral("1 - 2")), QStringLiteral("- (3)"));

    // classes that are not registered print under placeholder names
    TFormulaParser empty;
    auto tree = p.Parse(QStringLiteral("-1 plus zeta(2)"));
    tree->SetParser(&empty);
    EXPECT_EQ(tree->ToText(), QStringLiteral("UnknownUnary 1 UnknownBinary UnknownFunction(2)"));
}

TEST(FormulaParser, CharacterSetsCanBeReplaced) {
    TBaseFormulaParser p;
    p.RegisterFunction(QStringLiteral("a-b"), TFETestThree::StaticClass());
    EXPECT_EQ(syntaxError(p, QStringLiteral("a-b")), QStringLiteral("a (2)"));
    const TCharSet start = TFormulaParser::CharSet("abcdefghijklmnopqrstuvwxyz");
    p.SetIdentifierChars(start, start | TFormulaParser::CharSet("-"));
    EXPECT_EQ(p.Parse(QStringLiteral("a-b + 1"))->EvaluateNum(), 4);
    // "#" becomes an operator character: a run that names nothing
    p.SetOperatorChars(TFormulaParser::CharSet("+-#"), TFormulaParser::CharSet("+-#"));
    EXPECT_EQ(syntaxError(p, QStringLiteral("1 # 2")), QStringLiteral("# (3)"));
    EXPECT_EQ(syntaxError(p, QStringLiteral("1 * 2")), QStringLiteral("3"));
}

namespace {
class ExtraNames : public TFormulaParserRegistrationHelper {
public:
    void RegisterOperators(TFormulaParser& parser) const override {
        parser.RegisterFunction(QStringLiteral("trois"), TFETestThree::StaticClass());
    }
};
} // namespace

TEST(FormulaParser, HelpersRegisterNamesOnTheirParserClass) {
    ExtraNames helper;
    RegisterParserHelper(QStringLiteral("TestParser"), &helper);
    TestParser mine;
    TBaseFormulaParser other;
    EXPECT_EQ(mine.Parse(QStringLiteral("trois + 1"))->EvaluateNum(), 4);
    EXPECT_EQ(syntaxError(other, QStringLiteral("trois")), QStringLiteral("trois (6)"));
    UnregisterParserHelper(&helper);
}

TEST(FormulaParser, ReplaceChildAndVisitors) {
    TestParser p;
    auto root = p.Parse(QStringLiteral("1 + half(2)"));
    auto* plus = static_cast<TFEBinaryOperator*>(root->Operand());
    plus->ReplaceChild(plus->Right(), std::make_unique<TFEImmediateNum>(5));
    EXPECT_EQ(root->ToText(), QStringLiteral("1+5"));
    EXPECT_EQ(plus->Right()->Parent(), plus);
    TFEImmediateNum stranger(1);
    EXPECT_THROW(plus->ReplaceChild(&stranger, nullptr), EFormulaAssertion);

    QStringList visited;
    root->ForEach([](TFEExpression* node, void* data) { static_cast<QStringList*>(data)->append(node->ClassName()); },
                  &visited);
    EXPECT_EQ(visited, QStringList({QStringLiteral("TFormulaExpr"), QStringLiteral("TFEAddition"),
                                    QStringLiteral("TFEImmediateNum"), QStringLiteral("TFEImmediateNum")}));
    EXPECT_EQ(root->AggregateFlags(), 0u);
}

TEST(FormulaParser, AbstractOperationsReportTheClass) {
    class Lazy : public TFESimpleOneParamNumFunction {
    };
    Lazy lazy;
    try {
        lazy.EvaluateNum();
        ADD_FAILURE();
    } catch (const EFormulaAssertion& e) {
        EXPECT_EQ(e.message(), QStringLiteral("TFESimpleOneParamNumFunction: must override EvaluateNum"));
    }
    EXPECT_THROW(TFEBinaryOperator::StaticClass().Create(), EFormulaAssertion);
}

TEST(FormulaParser, HostileTextsFailCleanly) {
    TestParser p;
    auto error = [&](const QString& text) { return syntaxError(p, text); };
    EXPECT_EQ(error(QString(5000, QLatin1Char('(')) + QLatin1Char('1')), QStringLiteral("Nesting too deep at 257"));
    EXPECT_EQ(error(QStringLiteral("half(").repeated(300) + QLatin1Char('1')), QStringLiteral("Nesting too deep at 1285"));
    QString chain = QStringLiteral("1");
    for (int i = 0; i < 3000; ++i)
        chain += QStringLiteral("+1");
    EXPECT_EQ(error(chain), QStringLiteral("Formula too long at 4097"));
    EXPECT_EQ(error(QString(5000, QLatin1Char('-')) + QLatin1Char('1')), QStringLiteral("Formula too long at 4097"));
    // comments do not count as tokens
    EXPECT_EQ(p.Parse(QStringLiteral("{x}").repeated(5000) + QLatin1Char('7'))->EvaluateNum(), 7);
    // within the bounds, deep trees evaluate, print and free normally
    QString deep = QStringLiteral("1");
    for (int i = 0; i < 1500; ++i)
        deep += QStringLiteral("+1");
    auto root = p.Parse(deep);
    EXPECT_EQ(root->EvaluateNum(), 1501);
    EXPECT_EQ(root->ToText().size(), deep.size());
    root->Optimize();
    EXPECT_EQ(root->EvaluateNum(), 1501);
}

TEST(FormulaParser, TextsAreBoundedInLength) {
    TestParser p;
    for (const char* f : {"Rept('ab', 5e6) + Rept('ab', 5e6)", "Rept('a', 2e7)",
                          "Substitute(Rept('a', 1e6), 'a', Rept('b', 100))"})
        EXPECT_EQ(p.Parse(QString::fromLatin1(f))->EvaluateString(), QStringLiteral("#ERR!")) << f;
    EXPECT_EQ(p.Parse(QStringLiteral("Length(Rept('ab', 1e6) + 'c')"))->EvaluateNum(), 2000001);
}
