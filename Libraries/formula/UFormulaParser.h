#pragma once
// The formula language: a text is parsed once into a tree of expression nodes
// (TFEExpression) under a root (TFormulaExpr) and then evaluated many times.
//
//  - TFormulaParser is the generic machinery: four sorted registries (unary,
//    binary and immediate operators, functions) mapping lower-case names to
//    node classes, character classes, the tokenizer and the priority binder.
//    Subclasses change the character sets, options and registries (XPath does)
//    and hook in through CreateRoot and ResolveIdentifier.
//  - TBaseFormulaParser registers the standard operators and the function
//    library (UFormulaFunctions.h).
//
// Values are Variants (UVariant.h). Inside a tree errors travel as error values
// ("#VAL!", "#ERR!"): an operation that needs a number and receives one raises
// EEvalError carrying that text, and the root turns it back into the value.
//
// Node classes carry a class descriptor (TFEClass) so that registries can map
// names to classes and create nodes by class, and so that a node's registered
// name can be found back for the canonical text (ToText).

#include "USysUtils.h"
#include "UVariant.h"

#include <QMap>
#include <QStringList>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

LORVANE_DECLARE_EXCEPTION(ESyntaxError, Exception);
LORVANE_DECLARE_EXCEPTION(EEvalException, Exception);
// Carries an error value ("#VAL!", "#ERR!") up to the root.
LORVANE_DECLARE_EXCEPTION(EEvalError, EEvalException);
// Floating-point faults ("%" by zero ...); they reach the caller of the root.
LORVANE_DECLARE_EXCEPTION(EMathError, Exception);
LORVANE_DECLARE_EXCEPTION(EZeroDivide, EMathError);
LORVANE_DECLARE_EXCEPTION(EInvalidOp, EMathError);
LORVANE_DECLARE_EXCEPTION(EOverflow, EMathError);
// An internal consistency check of the formula engine failed.
LORVANE_DECLARE_EXCEPTION(EFormulaAssertion, Exception);

// Bounds on what one formula may cost: tokens (hence tree depth), bracket
// nesting, and the length of any text it builds. Formula texts come from
// documents, so a hostile text must fail cleanly rather than exhaust the
// stack or the memory.
constexpr int FormulaMaxTokens = 4096;
constexpr int FormulaMaxNesting = 256;
constexpr qsizetype FormulaMaxTextLength = 16 * 1024 * 1024;

enum TFEResultKind : uint8_t { rkVariant = 0, rkNumber = 1, rkString = 2, rkDateTime = 3, rkBoolean = 4, rkList = 5 };

class TFEExpression;
class TFormulaExpr;
class TFormulaParser;

// Class descriptor of a node class: its name, its base and its factory
// (none for abstract classes).
struct TFEClass {
    const char* Name;
    const TFEClass* Parent;
    TFEExpression* (*Factory)();

    QString ClassName() const { return QString::fromLatin1(Name); }
    bool InheritsFrom(const TFEClass& other) const noexcept;
    // A new node of this class (EFormulaAssertion for an abstract class).
    std::unique_ptr<TFEExpression> Create(TFEExpression* parent = nullptr) const;
};

#define LORVANE_FE_CLASS_BODY(Name, Base, FactoryExpr)                                     \
public:                                                                                    \
    static const TFEClass& StaticClass() {                                                 \
        static const TFEClass cls{#Name, &Base::StaticClass(), FactoryExpr};               \
        return cls;                                                                        \
    }                                                                                      \
    const TFEClass& ClassType() const override { return StaticClass(); }

// Inside a node class: declares its descriptor. The class needs a default constructor.
#define FE_CLASS(Name, Base) \
    LORVANE_FE_CLASS_BODY(Name, Base, ([]() -> TFEExpression* { return new Name(); }))
#define FE_ABSTRACT_CLASS(Name, Base) LORVANE_FE_CLASS_BODY(Name, Base, nullptr)

using TFENodePtr = std::unique_ptr<TFEExpression>;
using TFEWorkList = std::vector<TFENodePtr>;
using TFEVisitor = void (*)(TFEExpression* node, void* data);

class TFEExpression {
public:
    enum : uint8_t { feFoldable = 1, feUnbound = 2 };

    TFEExpression() = default;
    virtual ~TFEExpression();
    TFEExpression(const TFEExpression&) = delete;
    TFEExpression& operator=(const TFEExpression&) = delete;

    static const TFEClass& StaticClass();
    virtual const TFEClass& ClassType() const { return StaticClass(); }
    QString ClassName() const { return ClassType().ClassName(); }
    template <class T> bool Is() const { return ClassType().InheritsFrom(T::StaticClass()); }

    // Pre-order walk: the node, then each child in order.
    virtual void ForEach(TFEVisitor visitor, void* data);
    virtual TFEResultKind ResultKind() const { return rkVariant; }
    virtual Variant Evaluate() = 0;
    virtual std::shared_ptr<const Variant> EvaluateBoxed();
    // Default: Evaluate, then FormulaValueNum.
    virtual double EvaluateNum();
    // Default: Evaluate, then FormulaValueText.
    virtual QString EvaluateString();
    virtual bool IsConstant() const { return false; }
    // The canonical formula text of the node.
    virtual QString ToText() const = 0;
    // Constant folding of the children (bottom-up); see FoldedNode.
    virtual void Optimize();
    // ORs the same operation of the children; leaves give 0.
    virtual uint32_t AggregateFlags() const;
    // Frees oldChild and attaches newChild in its place.
    virtual void ReplaceChild(TFEExpression* oldChild, TFENodePtr newChild);

    // Children, in walk order. Slots may be empty only while parsing.
    virtual int ChildCount() const { return 0; }
    virtual TFENodePtr& ChildSlot(int index);
    TFEExpression* Child(int index) { return ChildSlot(index).get(); }
    const TFEExpression* Child(int index) const { return const_cast<TFEExpression*>(this)->ChildSlot(index).get(); }

    uint8_t Flags = 0;
    bool Foldable() const noexcept { return Flags & feFoldable; }
    bool Unbound() const noexcept { return Flags & feUnbound; }
    TFEExpression* Parent() const noexcept { return FParent; }
    // The root above this node (cached), or none while the node is unattached.
    TFormulaExpr* Root() const;
    // The parser of the root, or none.
    TFormulaParser* Parser() const;
    int32_t Position = 0; // 1-based index of the first character of the token
    int32_t Length = 0;   // characters covered by the token

    // Makes this node the parent of child (and forgets child's cached root).
    void Attach(TFEExpression* child);

protected:
    // The replacement of this node after its children were optimized: a
    // constant leaf when it is Foldable and its children are constant leaves,
    // or none. Evaluation errors propagate.
    virtual TFENodePtr FoldedNode();
    // Evaluates the node once and builds the constant leaf for its kind.
    TFENodePtr MakeConstantLeaf();
    void OptimizeSlot(TFENodePtr& slot);
    bool ChildrenAreConstantLeaves() const;
    [[noreturn]] void MustOverride(const char* operation) const;

private:
    TFEExpression* FParent = nullptr;
    mutable TFormulaExpr* FRoot = nullptr;
};

// ---------------------------------------------------------------------------
// Value rules of the language

// The text form (default EvaluateString): Empty and Null "", integers their
// digits, other numbers FloatToStr, date-times "yyyy-mm-dd hh:nn:ss",
// booleans "true"/"false", strings themselves, lists "{ a, "b" }" (an empty
// list "{ }"), custom values their text, anything else "#VAL!".
QString FormulaValueText(const Variant& value);
// The number (default EvaluateNum): numbers and date-times their value,
// booleans -1/0, strings the lenient reading, else an error value raises
// EEvalError, else 0; everything else 0.
double FormulaValueNum(const Variant& value);
// The truth value: numbers and booleans non-zero, strings IsTrueText,
// everything else false.
bool FormulaTruth(const Variant& value);
// Raises EEvalError when value is an error value.
void CheckErrorValue(const Variant& value);

// ---------------------------------------------------------------------------
// Leaves

class TFEImmediate : public TFEExpression {
    FE_ABSTRACT_CLASS(TFEImmediate, TFEExpression)
public:
    bool IsConstant() const override { return true; }
};

class TFEImmediateNum : public TFEImmediate {
    FE_CLASS(TFEImmediateNum, TFEImmediate)
public:
    explicit TFEImmediateNum(double value = 0) : Value(value) {}
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(Value); }
    double EvaluateNum() override { return Value; }
    QString EvaluateString() override;
    QString ToText() const override;
    double Value;
};

class TFEImmediateBool : public TFEImmediate {
    FE_CLASS(TFEImmediateBool, TFEImmediate)
public:
    explicit TFEImmediateBool(bool value = false) : Value(value) {}
    TFEResultKind ResultKind() const override { return rkBoolean; }
    Variant Evaluate() override { return Variant(Value); }
    double EvaluateNum() override { return Value ? 1 : 0; }
    QString EvaluateString() override { return ToText(); }
    QString ToText() const override;
    bool Value;
};

class TFEImmediateString : public TFEImmediate {
    FE_CLASS(TFEImmediateString, TFEImmediate)
public:
    explicit TFEImmediateString(const QString& value = QString()) : Value(value) {}
    TFEResultKind ResultKind() const override { return rkString; }
    Variant Evaluate() override { return Variant(Value); }
    QString EvaluateString() override { return Value; }
    QString ToText() const override;
    QString Value;
};

class TFEImmediateDateTime : public TFEImmediate {
    FE_CLASS(TFEImmediateDateTime, TFEImmediate)
public:
    explicit TFEImmediateDateTime(double value = 0) : Value(value) {}
    TFEResultKind ResultKind() const override { return rkDateTime; }
    Variant Evaluate() override { return Variant::fromDateTime(Value); }
    double EvaluateNum() override { return Value; }
    // "hh:nn:ss.zzz", "yyyy-mm-dd hh:nn:ss.zzz" or "yyyy-mm-dd".
    QString EvaluateString() override;
    QString ToText() const override;
    double Value;
};

class TFEImmediateVar : public TFEImmediate {
    FE_CLASS(TFEImmediateVar, TFEImmediate)
public:
    explicit TFEImmediateVar(const Variant& value = Variant()) : Value(value) {}
    TFEResultKind ResultKind() const override;
    Variant Evaluate() override { return Value; }
    QString ToText() const override;
    Variant Value;
};

// ---------------------------------------------------------------------------
// Operators

class TFEOperator : public TFEExpression {
    FE_ABSTRACT_CLASS(TFEOperator, TFEExpression)
public:
    int8_t Priority = 0;
};

// An operator token standing as an operand (XPath's "*").
class TFEImmediateOperator : public TFEOperator {
    FE_ABSTRACT_CLASS(TFEImmediateOperator, TFEOperator)
public:
    QString ToText() const override;
};

class TFEUnaryOperator : public TFEOperator {
    FE_ABSTRACT_CLASS(TFEUnaryOperator, TFEOperator)
public:
    TFEUnaryOperator() { Flags = feUnbound; }
    int ChildCount() const override { return 1; }
    TFENodePtr& ChildSlot(int index) override;
    TFEExpression* Operand() const { return FOperand.get(); }
    void SetOperand(TFENodePtr operand);
    QString ToText() const override;

protected:
    TFENodePtr FOperand;
};

class TFEBinaryOperator : public TFEOperator {
    FE_ABSTRACT_CLASS(TFEBinaryOperator, TFEOperator)
public:
    TFEBinaryOperator() { Flags = feUnbound; }
    int ChildCount() const override { return 2; }
    TFENodePtr& ChildSlot(int index) override;
    TFEExpression* Left() const { return FLeft.get(); }
    TFEExpression* Right() const { return FRight.get(); }
    void SetLeft(TFENodePtr node);
    void SetRight(TFENodePtr node);
    TFENodePtr TakeLeft() { return std::move(FLeft); }
    TFENodePtr TakeRight() { return std::move(FRight); }
    virtual bool IsAssociative() const { return false; }
    QString ToText() const override;

protected:
    TFENodePtr FLeft, FRight;
};

class TFEBinaryNumOperator : public TFEBinaryOperator {
    FE_ABSTRACT_CLASS(TFEBinaryNumOperator, TFEBinaryOperator)
public:
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override; // raises "%s: must override EvaluateNum"
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
};

// ---------------------------------------------------------------------------
// Functions

class TFEFunction : public TFEExpression {
    FE_ABSTRACT_CLASS(TFEFunction, TFEExpression)
public:
    int ChildCount() const override { return static_cast<int>(FParams.size()); }
    TFENodePtr& ChildSlot(int index) override;
    void AddParam(TFENodePtr param);
    int ParamCount() const { return static_cast<int>(FParams.size()); }
    TFEExpression* Param(int index) const { return FParams[static_cast<size_t>(index)].get(); }
    QString ToText() const override;
    uint16_t MaxParams = 65535;
    uint16_t MinParams = 0;

protected:
    std::vector<TFENodePtr> FParams;
};

class TFESimpleNoParamFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFESimpleNoParamFunction, TFEFunction)
public:
    TFESimpleNoParamFunction() { MinParams = MaxParams = 0; }
};

class TFESimpleOneParamFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFESimpleOneParamFunction, TFEFunction)
public:
    TFESimpleOneParamFunction() {
        MinParams = MaxParams = 1;
        Flags = feFoldable;
    }
};

class TFESimpleOneParamNumFunction : public TFESimpleOneParamFunction {
    FE_ABSTRACT_CLASS(TFESimpleOneParamNumFunction, TFESimpleOneParamFunction)
public:
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override;
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
};

class TFESimpleOneParamStrFunction : public TFESimpleOneParamFunction {
    FE_ABSTRACT_CLASS(TFESimpleOneParamStrFunction, TFESimpleOneParamFunction)
public:
    TFEResultKind ResultKind() const override { return rkString; }
    Variant Evaluate() override { return Variant(EvaluateString()); }
    QString EvaluateString() override;
};

class TFESimpleOneParamBoolFunction : public TFESimpleOneParamFunction {
    FE_ABSTRACT_CLASS(TFESimpleOneParamBoolFunction, TFESimpleOneParamFunction)
public:
    TFEResultKind ResultKind() const override { return rkBoolean; }
    Variant Evaluate() override { return Variant(EvaluateBool()); }
    virtual bool EvaluateBool() = 0;
};

class TFESimpleTwoParamsFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFESimpleTwoParamsFunction, TFEFunction)
public:
    TFESimpleTwoParamsFunction() {
        MinParams = MaxParams = 2;
        Flags = feFoldable;
    }
};

class TFESimpleTwoParamsStrFunction : public TFESimpleTwoParamsFunction {
    FE_ABSTRACT_CLASS(TFESimpleTwoParamsStrFunction, TFESimpleTwoParamsFunction)
public:
    TFEResultKind ResultKind() const override { return rkString; }
    Variant Evaluate() override { return Variant(EvaluateString()); }
    QString EvaluateString() override;
};

// A postfix "[...]" applied to the operand before it (the indexed expression).
// Children in walk order: the parameters, then the indexed expression.
class TFEBracketOperator : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEBracketOperator, TFEFunction)
public:
    TFEBracketOperator() { MinParams = 0; MaxParams = 65535; }
    int ChildCount() const override { return static_cast<int>(FParams.size()) + 1; }
    TFENodePtr& ChildSlot(int index) override;
    TFEExpression* Indexed() const { return FIndexed.get(); }
    void SetIndexed(TFENodePtr node);
    TFENodePtr TakeIndexed() { return std::move(FIndexed); }
    QString ToText() const override;
    int8_t BindingPriority = 127;

protected:
    TFENodePtr FIndexed;
};

// ---------------------------------------------------------------------------
// Root

class TFormulaExpr : public TFEUnaryOperator {
    FE_CLASS(TFormulaExpr, TFEUnaryOperator)
public:
    TFormulaExpr() { Flags = 0; }
    TFormulaParser* FormulaParser() const { return FParser; }
    void SetParser(TFormulaParser* parser) { FParser = parser; }
    bool IsEmpty() const { return !FOperand; }

    // Null for an empty formula; an EEvalError gives its message, a variant or
    // text conversion error "#VAL!"; other errors propagate.
    Variant Evaluate() override;
    // -1 for an empty formula, an EEvalError or a variant conversion error.
    double EvaluateNum() override;
    // "" for an empty formula, an EEvalError's message, "#VAL!" for a variant
    // conversion error.
    QString EvaluateString() override;
    bool IsConstant() const override;
    QString ToText() const override;

private:
    TFormulaParser* FParser = nullptr;
};

// ---------------------------------------------------------------------------
// Parser

using TCharSet = std::bitset<256>;

enum TFormulaParserOption : unsigned {
    poFunctionsNeedBrackets = 1, // a function name is recognised only before "("
    poNoLineComments = 2,        // "//" is an operator, not a comment
};

// Registers more names on parsers of a given class (see RegisterParserHelper).
class TFormulaParserRegistrationHelper {
public:
    virtual ~TFormulaParserRegistrationHelper() = default;
    virtual void RegisterOperators(TFormulaParser& parser) const = 0;
};

// Process-wide helper registry: parsers whose ClassName() is parserClassName
// call the helper at their first parse. The helper must outlive the parsers.
void RegisterParserHelper(const QString& parserClassName, const TFormulaParserRegistrationHelper* helper);
void UnregisterParserHelper(const TFormulaParserRegistrationHelper* helper);

class TFormulaParser {
public:
    using TRegistry = QMap<QString, const TFEClass*>; // lower-case name -> class

    TFormulaParser();
    virtual ~TFormulaParser();
    TFormulaParser(const TFormulaParser&) = delete;
    TFormulaParser& operator=(const TFormulaParser&) = delete;

    virtual QString ClassName() const { return QStringLiteral("TFormulaParser"); }

    // Duplicate operator names raise EFormulaAssertion.
    void RegisterUnaryOperator(const QString& name, const TFEClass& cls);
    void RegisterBinaryOperator(const QString& name, const TFEClass& cls);
    void RegisterImmediateOperator(const QString& name, const TFEClass& cls);
    // Replaces an existing function of that name (and its description line).
    void RegisterFunction(const QString& name, const TFEClass& cls, const QString& description = QString());

    // Replace the identifier or operator character sets (start, continuation).
    void SetIdentifierChars(const TCharSet& start, const TCharSet& continuation);
    void SetOperatorChars(const TCharSet& start, const TCharSet& continuation);
    static TCharSet CharSet(const char* characters);

    // Parses a formula. Raises ESyntaxError (nothing is kept of the partial tree).
    std::unique_ptr<TFormulaExpr> Parse(const QString& text);

    // The name under which node's class is registered (see ToText).
    QString OperatorName(const TFEExpression* node) const;

    const TRegistry& UnaryOperators() const { return FUnary; }
    const TRegistry& BinaryOperators() const { return FBinary; }
    const TRegistry& ImmediateOperators() const { return FImmediate; }
    const TRegistry& Functions() const { return FFunctions; }
    // "Name=Description", one line per function registration, in order.
    const QStringList& Descriptions() const { return FDescriptions; }

    unsigned Options = 0;
    // Node class of a postfix "[": none by default ("[" is then an error).
    const TFEClass* BracketOperatorClass = nullptr;

protected:
    virtual std::unique_ptr<TFormulaExpr> CreateRoot();
    // An identifier that is no operator and is not followed by "(": the nodes
    // read so far at this bracket level, the name as written and the next
    // non-blank character (QChar() at the end). None by default.
    virtual TFENodePtr ResolveIdentifier(const TFEWorkList& workList, const QString& name, QChar next);

private:
    struct ParseState;
    void Prepare();
    TFENodePtr ParseLevel(ParseState& s);
    void ReadArguments(ParseState& s, TFEFunction* node, bool bracket);
    TFENodePtr Bind(TFEWorkList& list);
    void AttachUnary(TFEWorkList& list, long j);
    void SkipBlanks(ParseState& s) const;
    uint8_t ClassOf(QChar c) const {
        return c.unicode() < 256 ? FClassTable[c.unicode()] : 0;
    }

    TRegistry FUnary, FBinary, FImmediate, FFunctions;
    QStringList FDescriptions;
    TCharSet FIdentStart, FIdentCont, FOperStart, FOperCont;
    uint8_t FClassTable[256] = {};
    bool FClassTableValid = false;
    bool FHelpersDone = false;
    qsizetype FMaxOperatorLength = 1;
};

// The standard language: the operators (and, from UFormulaFunctions.h, the
// function library).
class TBaseFormulaParser : public TFormulaParser {
public:
    TBaseFormulaParser();
    QString ClassName() const override { return QStringLiteral("TBaseFormulaParser"); }

private:
    void RegisterStandardOperators();
    void RegisterStandardFunctions(); // defined with the function library
};

// ---------------------------------------------------------------------------
// Standard operators (registered by TBaseFormulaParser)

class TFENegation : public TFEUnaryOperator { // "-" prefix, priority 0
    FE_CLASS(TFENegation, TFEUnaryOperator)
public:
    TFENegation() { Flags |= feFoldable; }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override { return -FOperand->EvaluateNum(); }
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
};

class TFEBoolNot : public TFEUnaryOperator { // "Not", priority 0
    FE_CLASS(TFEBoolNot, TFEUnaryOperator)
public:
    TFEBoolNot() { Flags |= feFoldable; }
    Variant Evaluate() override;
};

class TFEAddition : public TFEBinaryOperator { // "+", priority 0
    FE_CLASS(TFEAddition, TFEBinaryOperator)
public:
    TFEAddition() { Flags |= feFoldable; }
    TFEResultKind ResultKind() const override;
    Variant Evaluate() override;
    double EvaluateNum() override;
    bool IsAssociative() const override { return true; }

protected:
    TFENodePtr FoldedNode() override; // also turns numeric sums into TFENumAddition
};

class TFESubtraction : public TFEBinaryOperator { // "-" infix, priority 0
    FE_CLASS(TFESubtraction, TFEBinaryOperator)
public:
    TFESubtraction() { Flags |= feFoldable; }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override;
    double EvaluateNum() override { return FLeft->EvaluateNum() - FRight->EvaluateNum(); }
};

class TFEMultiplication : public TFEBinaryNumOperator { // "*", priority 1
    FE_CLASS(TFEMultiplication, TFEBinaryNumOperator)
public:
    TFEMultiplication() { Flags |= feFoldable; Priority = 1; }
    double EvaluateNum() override { return FLeft->EvaluateNum() * FRight->EvaluateNum(); }
    bool IsAssociative() const override { return true; }
};

class TFEDivision : public TFEBinaryNumOperator { // "/", priority 1
    FE_CLASS(TFEDivision, TFEBinaryNumOperator)
public:
    TFEDivision() { Flags |= feFoldable; Priority = 1; }
    double EvaluateNum() override;
};

class TFEModulo : public TFEBinaryNumOperator { // "%", priority 1
    FE_CLASS(TFEModulo, TFEBinaryNumOperator)
public:
    TFEModulo() { Flags |= feFoldable; Priority = 1; }
    double EvaluateNum() override;
};

class TFEPower : public TFEBinaryNumOperator { // "^", priority 2
    FE_CLASS(TFEPower, TFEBinaryNumOperator)
public:
    TFEPower() { Flags |= feFoldable; Priority = 2; }
    double EvaluateNum() override;
    static double Power(double x, double y);
};

class TFECoalesce : public TFEBinaryOperator { // "??", priority 3
    FE_CLASS(TFECoalesce, TFEBinaryOperator)
public:
    TFECoalesce() { Flags |= feFoldable; Priority = 3; }
    TFEResultKind ResultKind() const override;
    Variant Evaluate() override;
};

class TFEComparisonOperator : public TFEBinaryOperator { // priority -1
    FE_ABSTRACT_CLASS(TFEComparisonOperator, TFEBinaryOperator)
public:
    TFEComparisonOperator() { Flags |= feFoldable; Priority = -1; }
    TFEResultKind ResultKind() const override { return rkBoolean; }
    Variant Evaluate() override { return Variant(Compare()); }
    virtual bool Compare() = 0;

protected:
    bool TextsEqual();
    VarRelation Order();
};

class TFEEqual : public TFEComparisonOperator {
    FE_CLASS(TFEEqual, TFEComparisonOperator)
public:
    bool Compare() override { return TextsEqual(); }
};
class TFENotEqual : public TFEComparisonOperator {
    FE_CLASS(TFENotEqual, TFEComparisonOperator)
public:
    bool Compare() override { return !TextsEqual(); }
};
class TFEInferior : public TFEComparisonOperator {
    FE_CLASS(TFEInferior, TFEComparisonOperator)
public:
    bool Compare() override { return Order() == VarRelation::Less; }
};
class TFEInferiorOrEqual : public TFEComparisonOperator {
    FE_CLASS(TFEInferiorOrEqual, TFEComparisonOperator)
public:
    bool Compare() override {
        const VarRelation r = Order();
        return r == VarRelation::Less || r == VarRelation::Equal;
    }
};
class TFESuperior : public TFEComparisonOperator {
    FE_CLASS(TFESuperior, TFEComparisonOperator)
public:
    bool Compare() override { return Order() == VarRelation::Greater; }
};
class TFESuperiorOrEqual : public TFEComparisonOperator {
    FE_CLASS(TFESuperiorOrEqual, TFEComparisonOperator)
public:
    bool Compare() override {
        const VarRelation r = Order();
        return r == VarRelation::Greater || r == VarRelation::Equal;
    }
};

class TFEBooleanOperator : public TFEBinaryOperator { // priority -2
    FE_ABSTRACT_CLASS(TFEBooleanOperator, TFEBinaryOperator)
public:
    TFEBooleanOperator() { Flags |= feFoldable; Priority = -2; }
    TFEResultKind ResultKind() const override { return rkBoolean; }
};

class TFEBoolAnd : public TFEBooleanOperator {
    FE_CLASS(TFEBoolAnd, TFEBooleanOperator)
public:
    Variant Evaluate() override;
};
class TFEBoolOr : public TFEBooleanOperator {
    FE_CLASS(TFEBoolOr, TFEBooleanOperator)
public:
    Variant Evaluate() override;
};
class TFEBoolXor : public TFEBooleanOperator {
    FE_CLASS(TFEBoolXor, TFEBooleanOperator)
public:
    Variant Evaluate() override;
};

// The n-ary numeric sum that Optimize makes of "+" chains whose terms are
// numbers; Kahan-compensated. Written back as "a+b+c".
class TFENumAddition : public TFEFunction {
    FE_CLASS(TFENumAddition, TFEFunction)
public:
    TFENumAddition() {
        MinParams = 2;
        MaxParams = 999;
        Flags = feFoldable;
    }
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(EvaluateNum()); }
    double EvaluateNum() override;
    QString EvaluateString() override { return FloatToStr(EvaluateNum()); }
    QString ToText() const override;
    // Appends a term, splicing in the terms of an n-ary sum.
    void AddTerm(TFENodePtr term);
};
