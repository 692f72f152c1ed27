// Variant texts, numbers and ordering.
#include "USysUtils.h"

#include <cmath>

QString VarTypeName(const Variant& value) {
    switch (value.type()) {
    case VarType::Empty:
        return QStringLiteral("Empty");
    case VarType::Null:
        return QStringLiteral("Null");
    case VarType::Integer:
        return QStringLiteral("Int64");
    case VarType::Double:
        return QStringLiteral("Double");
    case VarType::DateTime:
        return QStringLiteral("Date");
    case VarType::Boolean:
        return QStringLiteral("Boolean");
    case VarType::String:
        return QStringLiteral("UnicodeString");
    case VarType::List:
        return QStringLiteral("Array Variant");
    case VarType::Custom:
        return value.asCustom()->typeName();
    }
    return QString();
}

namespace {
[[noreturn]] void castError(const Variant& value, const char* target) {
    throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                                    .arg(VarTypeName(value), QLatin1String(target)));
}
} // namespace

QString VarToStr(const Variant& value) {
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
        return QString();
    case VarType::Integer:
        return QString::number(value.asInteger());
    case VarType::Double:
        return FloatToStr(value.asDouble());
    case VarType::DateTime:
        return DateTimeToStr(value.asDateTime());
    case VarType::Boolean:
        return value.asBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::String:
        return value.asString();
    case VarType::List:
        castError(value, "UnicodeString");
    case VarType::Custom:
        return value.asCustom()->text();
    }
    return QString();
}

double VarToDouble(const Variant& value) {
    switch (value.type()) {
    case VarType::Empty:
        return 0;
    case VarType::Integer:
        return static_cast<double>(value.asInteger());
    case VarType::Double:
    case VarType::DateTime:
        return value.asDouble();
    case VarType::Boolean:
        return value.asBoolean() ? -1 : 0;
    case VarType::String: {
        double d = 0;
        if (TryStrToFloat(value.asString(), d))
            return d;
        castError(value, "Double");
    }
    default:
        castError(value, "Double");
    }
}

namespace {

VarRelation compareNumbers(double a, double b) {
    if (std::isnan(a) || std::isnan(b))
        return VarRelation::Unordered;
    return a < b ? VarRelation::Less : (a > b ? VarRelation::Greater : VarRelation::Equal);
}

VarRelation compareTexts(const QString& a, const QString& b) {
    const int c = QStringView(a).compare(QStringView(b), Qt::CaseSensitive);
    return c < 0 ? VarRelation::Less : (c > 0 ? VarRelation::Greater : VarRelation::Equal);
}

bool isScalarNumber(VarType t) {
    return t == VarType::Integer || t == VarType::Double || t == VarType::Boolean || t == VarType::DateTime;
}

double scalarNumber(const Variant& v) {
    switch (v.type()) {
    case VarType::Integer:
        return static_cast<double>(v.asInteger());
    case VarType::Boolean:
        return v.asBoolean() ? -1 : 0;
    default:
        return v.asDouble();
    }
}

// A string against a number-like value: numeric when the text reads as a
// number (or a date-time against a date-time), else as texts.
VarRelation compareStringWith(const QString& text, const Variant& other, bool textOnLeft) {
    double d = 0;
    bool numeric = TryStrToNumber(text, d);
    if (!numeric && other.type() == VarType::DateTime)
        numeric = TryStrToDateTime(text, d);
    if (numeric)
        return textOnLeft ? compareNumbers(d, scalarNumber(other)) : compareNumbers(scalarNumber(other), d);
    const QString otherText = VarToStr(other);
    return textOnLeft ? compareTexts(text, otherText) : compareTexts(otherText, text);
}

} // namespace

VarRelation VarCompare(const Variant& left, const Variant& right) {
    const VarType lt = left.type(), rt = right.type();
    if (lt == VarType::List || lt == VarType::Custom || rt == VarType::List || rt == VarType::Custom)
        throw EVariantError(QStringLiteral("Invalid variant operation"));
    if (lt == VarType::Null || rt == VarType::Null)
        return VarRelation::Unordered;
    if (lt == VarType::Empty && rt == VarType::Empty)
        return VarRelation::Equal;
    if (lt == VarType::Empty)
        return rt == VarType::String ? compareTexts(QString(), right.asString()) : compareNumbers(0, scalarNumber(right));
    if (rt == VarType::Empty)
        return lt == VarType::String ? compareTexts(left.asString(), QString()) : compareNumbers(scalarNumber(left), 0);
    if (lt == VarType::String && rt == VarType::String)
        return compareTexts(left.asString(), right.asString());
    if (lt == VarType::String)
        return compareStringWith(left.asString(), right, true);
    if (rt == VarType::String)
        return compareStringWith(right.asString(), left, false);
    if (isScalarNumber(lt) && isScalarNumber(rt)) {
        if (lt == VarType::Integer && rt == VarType::Integer) {
            const qint64 a = left.asInteger(), b = right.asInteger();
            return a < b ? VarRelation::Less : (a > b ? VarRelation::Greater : VarRelation::Equal);
        }
        return compareNumbers(scalarNumber(left), scalarNumber(right));
    }
    return VarRelation::Unordered;
}
