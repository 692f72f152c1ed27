#pragma once
// The dynamically typed value that formulas and XPath selections compute with.
//
// A Variant is Empty, Null, an integer (64-bit), a double, a date-time (a double
// counting days since 1899-12-30), a boolean, a UTF-16 string, a list of values
// or a "custom" value. Custom values are how later layers plug in kinds of
// their own (a reference to an XML node, a list of nodes ...) without touching
// this type: derive from VariantCustom and wrap the object with
// Variant::fromCustom. Lists and custom payloads are immutable and shared, so
// copying a Variant never copies its elements.
//
// The text, number and ordering rules that turn or compare variants live in
// USysUtils.h (VarToStr, VarToDouble, VarCompare).

#include "SysExceptions.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

// A variant could not be converted to the requested type ("Null" to a number,
// a list to a text ...).
LORVANE_DECLARE_EXCEPTION(EVariantError, Exception);
LORVANE_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);

enum class VarType : uint8_t { Empty, Null, Integer, Double, DateTime, Boolean, String, List, Custom };

class Variant;
using VariantList = QList<Variant>;

// Base of the kinds added by other modules. Instances are shared between
// copies of a variant and must not change once wrapped.
class VariantCustom {
public:
    virtual ~VariantCustom() = default;
    // Name of the kind, as reported in conversion messages ("DOMNode" ...).
    virtual QString typeName() const = 0;
    // The default text of the value (VarToStr). The base refuses.
    virtual QString text() const;
};

class Variant {
public:
    Variant() noexcept : FType(VarType::Empty) { FData.i = 0; }
    Variant(int v) noexcept : FType(VarType::Integer) { FData.i = v; }
    Variant(long v) noexcept : FType(VarType::Integer) { FData.i = v; }
    Variant(long long v) noexcept : FType(VarType::Integer) { FData.i = v; }
    Variant(double v) noexcept : FType(VarType::Double) { FData.d = v; }
    Variant(bool v) noexcept : FType(VarType::Boolean) { FData.i = 0; FData.b = v; }
    Variant(const QString& v) : FType(VarType::String), FString(v) { FData.i = 0; }
    Variant(QString&& v) noexcept : FType(VarType::String), FString(std::move(v)) { FData.i = 0; }
    Variant(const char*) = delete; // say QStringLiteral or QString::fromUtf8
    Variant(const VariantList& items);

    static Variant null() noexcept;
    static Variant fromDateTime(double days) noexcept;
    static Variant fromCustom(std::shared_ptr<const VariantCustom> value);

    VarType type() const noexcept { return FType; }
    bool isEmpty() const noexcept { return FType == VarType::Empty; }
    bool isNull() const noexcept { return FType == VarType::Null; }
    bool isString() const noexcept { return FType == VarType::String; }
    bool isList() const noexcept { return FType == VarType::List; }
    bool isCustom() const noexcept { return FType == VarType::Custom; }
    // Integer or double (not boolean, not date-time).
    bool isNumber() const noexcept { return FType == VarType::Integer || FType == VarType::Double; }
    // A string matching "#???!*": the error values "#VAL!", "#ERR!" ...
    bool isErrorValue() const noexcept;

    // Raw access; each is valid only for its own type.
    qint64 asInteger() const noexcept { return FData.i; }
    double asDouble() const noexcept { return FData.d; }
    double asDateTime() const noexcept { return FData.d; }
    bool asBoolean() const noexcept { return FData.b; }
    const QString& asString() const noexcept { return FString; }
    const VariantList& asList() const noexcept; // empty list for a non-list
    const VariantCustom* asCustom() const noexcept;
    std::shared_ptr<const VariantCustom> customPtr() const;

    // Structural equality (same type and same content); not the formula "=".
    bool operator==(const Variant& other) const;

private:
    VarType FType;
    union {
        qint64 i;
        double d;
        bool b;
    } FData;
    QString FString;
    std::shared_ptr<const void> FShared; // VariantList or VariantCustom
};

// True when text matches the error mask "#???!*".
bool IsErrorText(const QString& text) noexcept;
