// Expression nodes: the base class, leaves, operator and function shapes, the root.
#include "UFormulaParser.h"

#include <cmath>
#include <typeinfo>

// ---------------------------------------------------------------------------
// Class descriptors

bool TFEClass::InheritsFrom(const TFEClass& other) const noexcept {
    for (const TFEClass* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

std::unique_ptr<TFEExpression> TFEClass::Create(TFEExpression* parent) const {
    if (!Factory)
        throw EFormulaAssertion(QStringLiteral("%1: abstract class").arg(ClassName()));
    std::unique_ptr<TFEExpression> node(Factory());
    if (parent)
        parent->Attach(node.get());
    return node;
}

const TFEClass& TFEExpression::StaticClass() {
    static const TFEClass cls{"TFEExpression", nullptr, nullptr};
    return cls;
}

// ---------------------------------------------------------------------------
// Value rules

QString FormulaValueText(const Variant& value) {
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
        return QString();
    case VarType::Integer:
        return QString::number(value.asInteger());
    case VarType::Double:
        return FloatToStr(value.asDouble());
    case VarType::DateTime:
        return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), value.asDateTime());
    case VarType::Boolean:
        return value.asBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case VarType::String:
        return value.asString();
    case VarType::List: {
        QString out = QStringLiteral("{");
        bool first = true;
        for (const Variant& item : value.asList()) {
            out += first ? QStringLiteral(" ") : QStringLiteral(", ");
            first = false;
            if (item.isString()) {
                QString s = item.asString();
                s.replace(QLatin1Char('"'), QLatin1String("\"\""));
                out += QLatin1Char('"') + s + QLatin1Char('"');
            } else {
                out += FormulaValueText(item);
            }
        }
        return out + QStringLiteral(" }");
    }
    case VarType::Custom:
        return value.asCustom()->text();
    }
    return QStringLiteral("#VAL!");
}

double FormulaValueNum(const Variant& value) {
    switch (value.type()) {
    case VarType::Integer:
        return static_cast<double>(value.asInteger());
    case VarType::Double:
    case VarType::DateTime:
        return value.asDouble();
    case VarType::Boolean:
        return value.asBoolean() ? -1 : 0;
    case VarType::String: {
        double d = 0;
        if (TryStrToNumber(value.asString(), d))
            return d;
        CheckErrorValue(value);
        return 0;
    }
    default:
        return 0;
    }
}

bool FormulaTruth(const Variant& value) {
    switch (value.type()) {
    case VarType::Integer:
        return value.asInteger() != 0;
    case VarType::Double:
        return value.asDouble() != 0;
    case VarType::Boolean:
        return value.asBoolean();
    case VarType::String:
        return IsTrueText(value.asString());
    default:
        return false;
    }
}

void CheckErrorValue(const Variant& value) {
    if (value.isErrorValue())
        throw EEvalError(value.asString());
}

// ---------------------------------------------------------------------------
// TFEExpression

TFEExpression::~TFEExpression() = default;

void TFEExpression::ForEach(TFEVisitor visitor, void* data) {
    visitor(this, data);
    const int n = ChildCount();
    for (int i = 0; i < n; ++i)
        if (TFEExpression* child = Child(i))
            child->ForEach(visitor, data);
}

std::shared_ptr<const Variant> TFEExpression::EvaluateBoxed() {
    return std::make_shared<const Variant>(Evaluate());
}

double TFEExpression::EvaluateNum() {
    return FormulaValueNum(Evaluate());
}

QString TFEExpression::EvaluateString() {
    return FormulaValueText(Evaluate());
}

void TFEExpression::Optimize() {
    const int n = ChildCount();
    for (int i = 0; i < n; ++i) {
        TFENodePtr& slot = ChildSlot(i);
        if (slot && !(slot->IsConstant() && slot->ChildCount() == 0))
            OptimizeSlot(slot);
    }
}

void TFEExpression::OptimizeSlot(TFENodePtr& slot) {
    slot->Optimize();
    if (TFENodePtr replacement = slot->FoldedNode()) {
        Attach(replacement.get());
        slot = std::move(replacement);
    }
}

bool TFEExpression::ChildrenAreConstantLeaves() const {
    const int n = ChildCount();
    for (int i = 0; i < n; ++i) {
        const TFEExpression* c = Child(i);
        if (!c || !c->IsConstant() || c->ChildCount() != 0)
            return false;
    }
    return true;
}

TFENodePtr TFEExpression::FoldedNode() {
    if (!Foldable() || !ChildrenAreConstantLeaves())
        return nullptr;
    return MakeConstantLeaf();
}

TFENodePtr TFEExpression::MakeConstantLeaf() {
    TFENodePtr leaf;
    switch (ResultKind()) {
    case rkNumber:
        leaf = std::make_unique<TFEImmediateNum>(EvaluateNum());
        break;
    case rkString:
        leaf = std::make_unique<TFEImmediateString>(EvaluateString());
        break;
    case rkDateTime:
        leaf = std::make_unique<TFEImmediateDateTime>(FormulaValueNum(Evaluate()));
        break;
    case rkBoolean:
        leaf = std::make_unique<TFEImmediateBool>(FormulaTruth(Evaluate()));
        break;
    case rkList:
        leaf = std::make_unique<TFEImmediateVar>(Evaluate());
        break;
    case rkVariant: {
        const Variant v = Evaluate();
        switch (v.type()) {
        case VarType::Integer:
        case VarType::Double:
            leaf = std::make_unique<TFEImmediateNum>(FormulaValueNum(v));
            break;
        case VarType::DateTime:
            leaf = std::make_unique<TFEImmediateDateTime>(v.asDateTime());
            break;
        case VarType::String:
            leaf = std::make_unique<TFEImmediateString>(v.asString());
            break;
        case VarType::Boolean:
            leaf = std::make_unique<TFEImmediateBool>(v.asBoolean());
            break;
        default:
            leaf = std::make_unique<TFEImmediateVar>(v);
        }
        break;
    }
    }
    leaf->Position = Position;
    leaf->Length = Length;
    return leaf;
}

uint32_t TFEExpression::AggregateFlags() const {
    uint32_t flags = 0;
    const int n = ChildCount();
    for (int i = 0; i < n; ++i)
        if (const TFEExpression* c = Child(i))
            flags |= c->AggregateFlags();
    return flags;
}

TFENodePtr& TFEExpression::ChildSlot(int) {
    throw EFormulaAssertion(QStringLiteral("%1: no child").arg(ClassName()));
}

void TFEExpression::ReplaceChild(TFEExpression* oldChild, TFENodePtr newChild) {
    const int n = ChildCount();
    for (int i = 0; i < n; ++i) {
        TFENodePtr& slot = ChildSlot(i);
        if (slot.get() == oldChild) {
            if (newChild)
                Attach(newChild.get());
            slot = std::move(newChild);
            return;
        }
    }
    throw EFormulaAssertion(QStringLiteral("Unsupported"));
}

void TFEExpression::Attach(TFEExpression* child) {
    child->FParent = this;
    child->FRoot = nullptr;
}

TFormulaExpr* TFEExpression::Root() const {
    if (FRoot)
        return FRoot;
    const TFEExpression* top = this;
    while (top->FParent)
        top = top->FParent;
    if (top->Is<TFormulaExpr>())
        FRoot = const_cast<TFormulaExpr*>(static_cast<const TFormulaExpr*>(top));
    return FRoot;
}

TFormulaParser* TFEExpression::Parser() const {
    TFormulaExpr* root = Root();
    return root ? root->FormulaParser() : nullptr;
}

void TFEExpression::MustOverride(const char* operation) const {
    throw EFormulaAssertion(QStringLiteral("%1: must override %2").arg(ClassName(), QLatin1String(operation)));
}

// ---------------------------------------------------------------------------
// Leaves

QString TFEImmediateNum::EvaluateString() {
    return FloatToStr(Value);
}

QString TFEImmediateNum::ToText() const {
    return FloatToStr(Value, QLatin1Char('.'));
}

QString TFEImmediateBool::ToText() const {
    return Value ? QStringLiteral("true") : QStringLiteral("false");
}

static QString quoted(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString TFEImmediateString::ToText() const {
    return quoted(Value);
}

QString TFEImmediateDateTime::EvaluateString() {
    const double day = std::trunc(Value);
    if (day == 0)
        return FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), Value);
    if (Value != day)
        return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), Value);
    return FormatDateTime(QStringLiteral("yyyy-mm-dd"), Value);
}

QString TFEImmediateDateTime::ToText() const {
    return const_cast<TFEImmediateDateTime*>(this)->EvaluateString();
}

TFEResultKind TFEImmediateVar::ResultKind() const {
    switch (Value.type()) {
    case VarType::Integer:
    case VarType::Double:
        return rkNumber;
    case VarType::String:
        return rkString;
    case VarType::DateTime:
        return rkDateTime;
    case VarType::Boolean:
        return rkBoolean;
    case VarType::List:
        return rkList;
    default:
        return rkVariant;
    }
}

QString TFEImmediateVar::ToText() const {
    switch (Value.type()) {
    case VarType::Empty:
    case VarType::Null:
        return QString();
    case VarType::Integer:
    case VarType::Double:
    case VarType::DateTime:
        return FloatToStr(FormulaValueNum(Value), QLatin1Char('.'));
    case VarType::String:
        return quoted(Value.asString());
    default:
        return FormulaValueText(Value);
    }
}

// ---------------------------------------------------------------------------
// Operator shapes

QString TFEImmediateOperator::ToText() const {
    const TFormulaParser* p = Parser();
    return p ? p->OperatorName(this) : QStringLiteral("Unknown");
}

TFENodePtr& TFEUnaryOperator::ChildSlot(int index) {
    if (index != 0)
        return TFEExpression::ChildSlot(index);
    return FOperand;
}

void TFEUnaryOperator::SetOperand(TFENodePtr operand) {
    if (operand)
        Attach(operand.get());
    FOperand = std::move(operand);
}

namespace {

bool startsWithLetter(const QString& name) {
    return !name.isEmpty() && (name.at(0).isLetter() || name.at(0) == QLatin1Char('_'));
}

QString nameOf(const TFEExpression* node) {
    const TFormulaParser* p = node->Parser();
    if (p)
        return p->OperatorName(node);
    if (node->Is<TFEUnaryOperator>())
        return QStringLiteral("UnknownUnary");
    if (node->Is<TFEBinaryOperator>())
        return QStringLiteral("UnknownBinary");
    if (node->Is<TFEFunction>())
        return QStringLiteral("UnknownFunction");
    return QStringLiteral("Unknown");
}

// Priority used for parenthesizing: binary operators have theirs, an n-ary
// sum counts as a "+"; anything else never needs parentheses.
bool binaryLike(const TFEExpression* node, int& priority) {
    if (node->Is<TFEBinaryOperator>()) {
        priority = static_cast<const TFEBinaryOperator*>(node)->Priority;
        return true;
    }
    if (node->Is<TFENumAddition>()) {
        priority = 0;
        return true;
    }
    return false;
}

QString childText(const TFEExpression* child) {
    return child ? child->ToText() : QString();
}

} // namespace

QString TFEUnaryOperator::ToText() const {
    const QString name = nameOf(this);
    const QString operand = childText(FOperand.get());
    int priority = 0;
    if (FOperand && binaryLike(FOperand.get(), priority))
        return name + QLatin1Char('(') + operand + QLatin1Char(')');
    if (startsWithLetter(name))
        return name + QLatin1Char(' ') + operand;
    return name + operand;
}

TFENodePtr& TFEBinaryOperator::ChildSlot(int index) {
    if (index == 0)
        return FLeft;
    if (index == 1)
        return FRight;
    return TFEExpression::ChildSlot(index);
}

void TFEBinaryOperator::SetLeft(TFENodePtr node) {
    if (node)
        Attach(node.get());
    FLeft = std::move(node);
}

void TFEBinaryOperator::SetRight(TFENodePtr node) {
    if (node)
        Attach(node.get());
    FRight = std::move(node);
}

QString TFEBinaryOperator::ToText() const {
    const QString name = nameOf(this);
    // Operators of equal priority group from the left when parsed again, so a
    // right operand of equal priority may drop its parentheses only when it is
    // the same associative operator over operands of one kind ("a"+(1+2) is
    // "a3", "a"+1+2 is "a12"; 2*(5%3) is not 2*5%3).
    auto regroupsFreely = [&](const TFEExpression* operand) {
        return IsAssociative() && typeid(*operand) == typeid(*this) && ResultKind() != rkVariant &&
               operand->ResultKind() == ResultKind();
    };
    auto operandText = [&](const TFEExpression* operand) {
        const QString text = childText(operand);
        int priority = 0;
        if (operand && binaryLike(operand, priority) &&
            (priority < Priority || !IsAssociative() ||
             (operand == FRight.get() && priority == Priority && !regroupsFreely(operand))))
            return QLatin1Char('(') + text + QLatin1Char(')');
        return text;
    };
    const QString op = startsWithLetter(name) ? QLatin1Char(' ') + name + QLatin1Char(' ') : name;
    return operandText(FLeft.get()) + op + operandText(FRight.get());
}

double TFEBinaryNumOperator::EvaluateNum() {
    throw Exception(QStringLiteral("%1: must override EvaluateNum").arg(ClassName()));
}

// ---------------------------------------------------------------------------
// Function shapes

TFENodePtr& TFEFunction::ChildSlot(int index) {
    if (index < 0 || index >= static_cast<int>(FParams.size()))
        return TFEExpression::ChildSlot(index);
    return FParams[static_cast<size_t>(index)];
}

void TFEFunction::AddParam(TFENodePtr param) {
    Attach(param.get());
    FParams.push_back(std::move(param));
}

QString TFEFunction::ToText() const {
    QString out = nameOf(this) + QLatin1Char('(');
    for (size_t i = 0; i < FParams.size(); ++i) {
        if (i)
            out += QStringLiteral(", ");
        out += childText(FParams[i].get());
    }
    return out + QLatin1Char(')');
}

double TFESimpleOneParamNumFunction::EvaluateNum() {
    MustOverride("EvaluateNum");
}

QString TFESimpleOneParamStrFunction::EvaluateString() {
    MustOverride("EvaluateString");
}

QString TFESimpleTwoParamsStrFunction::EvaluateString() {
    MustOverride("EvaluateString");
}

TFENodePtr& TFEBracketOperator::ChildSlot(int index) {
    if (index == static_cast<int>(FParams.size()))
        return FIndexed;
    return TFEFunction::ChildSlot(index);
}

void TFEBracketOperator::SetIndexed(TFENodePtr node) {
    if (node)
        Attach(node.get());
    FIndexed = std::move(node);
}

QString TFEBracketOperator::ToText() const {
    QString out = childText(FIndexed.get()) + QLatin1Char('[');
    for (size_t i = 0; i < FParams.size(); ++i) {
        if (i)
            out += QStringLiteral(", ");
        out += childText(FParams[i].get());
    }
    return out + QLatin1Char(']');
}

// ---------------------------------------------------------------------------
// Root

Variant TFormulaExpr::Evaluate() {
    if (!FOperand)
        return Variant::null();
    try {
        return FOperand->Evaluate();
    } catch (const EEvalError& e) {
        return Variant(e.message());
    } catch (const EVariantError&) {
        return Variant(QStringLiteral("#VAL!"));
    } catch (const EConvertError&) {
        return Variant(QStringLiteral("#VAL!"));
    }
}

double TFormulaExpr::EvaluateNum() {
    if (!FOperand)
        return -1;
    try {
        return FOperand->EvaluateNum();
    } catch (const EEvalError&) {
        return -1;
    } catch (const EVariantError&) {
        return -1;
    }
}

QString TFormulaExpr::EvaluateString() {
    if (!FOperand)
        return QString();
    try {
        return FOperand->EvaluateString();
    } catch (const EEvalError& e) {
        return e.message();
    } catch (const EVariantError&) {
        return QStringLiteral("#VAL!");
    }
}

bool TFormulaExpr::IsConstant() const {
    return !FOperand || FOperand->IsConstant();
}

QString TFormulaExpr::ToText() const {
    return FOperand ? FOperand->ToText() : QString();
}
