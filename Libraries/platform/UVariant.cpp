#include "UVariant.h"

QString VariantCustom::text() const {
    throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (UnicodeString)")
                                    .arg(typeName()));
}

Variant::Variant(const VariantList& items) : FType(VarType::List), FShared(std::make_shared<const VariantList>(items)) {
    FData.i = 0;
}

Variant Variant::null() noexcept {
    Variant v;
    v.FType = VarType::Null;
    return v;
}

Variant Variant::fromDateTime(double days) noexcept {
    Variant v(days);
    v.FType = VarType::DateTime;
    return v;
}

Variant Variant::fromCustom(std::shared_ptr<const VariantCustom> value) {
    Variant v;
    if (value) {
        v.FType = VarType::Custom;
        v.FShared = std::move(value);
    }
    return v;
}

bool Variant::isErrorValue() const noexcept {
    return FType == VarType::String && IsErrorText(FString);
}

const VariantList& Variant::asList() const noexcept {
    static const VariantList empty;
    if (FType != VarType::List)
        return empty;
    return *static_cast<const VariantList*>(FShared.get());
}

const VariantCustom* Variant::asCustom() const noexcept {
    return FType == VarType::Custom ? static_cast<const VariantCustom*>(FShared.get()) : nullptr;
}

std::shared_ptr<const VariantCustom> Variant::customPtr() const {
    if (FType != VarType::Custom)
        return nullptr;
    return std::static_pointer_cast<const VariantCustom>(FShared);
}

bool Variant::operator==(const Variant& other) const {
    if (FType != other.FType)
        return false;
    switch (FType) {
    case VarType::Empty:
    case VarType::Null:
        return true;
    case VarType::Integer:
        return FData.i == other.FData.i;
    case VarType::Double:
    case VarType::DateTime:
        return FData.d == other.FData.d;
    case VarType::Boolean:
        return FData.b == other.FData.b;
    case VarType::String:
        return FString == other.FString;
    case VarType::List:
        return asList() == other.asList();
    case VarType::Custom:
        return FShared == other.FShared;
    }
    return false;
}

bool IsErrorText(const QString& text) noexcept {
    return text.size() >= 5 && text.at(0) == QLatin1Char('#') && text.at(4) == QLatin1Char('!');
}
