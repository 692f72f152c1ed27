// Function library: JSONParse and JSONPath over nlohmann-json.
#include "FormulaFunctionsInternal.h"

#include <nlohmann/json.hpp>

using json = nlohmann::ordered_json;

namespace {

const QString kErr = QStringLiteral("#ERR!");

struct JsonFailure {};

QString jsonText(const json& value) {
    return QString::fromStdString(value.dump());
}

// Strings, numbers and booleans as values, anything else as its JSON text.
Variant elementValue(const json& value) {
    switch (value.type()) {
    case json::value_t::string:
        return Variant(QString::fromStdString(value.get<std::string>()));
    case json::value_t::boolean:
        return Variant(value.get<bool>());
    case json::value_t::number_integer:
        return Variant(static_cast<long long>(value.get<std::int64_t>()));
    case json::value_t::number_unsigned: {
        const auto u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(INT64_MAX))
            return Variant(static_cast<long long>(u));
        return Variant(static_cast<double>(u));
    }
    case json::value_t::number_float:
        return Variant(value.get<double>());
    default:
        return Variant(jsonText(value));
    }
}

json parseJson(const QString& text) {
    json value = json::parse(text.toStdString(), nullptr, false);
    if (value.is_discarded())
        throw JsonFailure();
    return value;
}

class TFEJSONParse : public TFESimpleOneParamFunction {
    FE_CLASS(TFEJSONParse, TFESimpleOneParamFunction)
public:
    TFEJSONParse() { Flags = 0; }
    Variant Evaluate() override {
        try {
            const json value = parseJson(Param(0)->EvaluateString());
            if (value.is_array()) {
                VariantList items;
                for (const json& e : value)
                    items.append(elementValue(e));
                return Variant(items);
            }
            return elementValue(value);
        } catch (const JsonFailure&) {
            return Variant(kErr);
        }
    }
};

// The path language: blanks ignored; ".name", ".*", "..name", "[n]" (negative
// from the end; on an object the member named by the digits), "[*]", "[]".
class JsonPath {
public:
    explicit JsonPath(const QString& path) {
        for (QChar c : path)
            if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                FPath += c;
        if (FPath.isEmpty())
            throw JsonFailure();
    }

    std::vector<const json*> run(const json& root) {
        std::vector<const json*> current{&root};
        qsizetype p = 0;
        while (p < FPath.size()) {
            std::vector<const json*> next;
            if (FPath[p] == QLatin1Char('.')) {
                const bool deep = p + 1 < FPath.size() && FPath[p + 1] == QLatin1Char('.');
                p += deep ? 2 : 1;
                const QString name = readName(p);
                if (name.isEmpty())
                    throw JsonFailure(); // "." or ".." at the end, or before "["
                for (const json* node : current) {
                    if (deep)
                        collectDeep(*node, name, next);
                    else if (name == QLatin1String("*"))
                        appendAll(*node, next);
                    else
                        appendMember(*node, name, next);
                }
            } else if (FPath[p] == QLatin1Char('[')) {
                const qsizetype close = FPath.indexOf(QLatin1Char(']'), p);
                if (close < 0)
                    throw JsonFailure();
                const QString index = FPath.mid(p + 1, close - p - 1);
                p = close + 1;
                for (const json* node : current) {
                    if (index.isEmpty() || index == QLatin1String("*")) {
                        appendAll(*node, next);
                        continue;
                    }
                    bool ok = false;
                    const long long n = index.toLongLong(&ok);
                    if (!ok)
                        throw JsonFailure();
                    if (node->is_array()) {
                        const long long size = static_cast<long long>(node->size());
                        const long long i = n < 0 ? size + n : n;
                        if (i >= 0 && i < size)
                            next.push_back(&(*node)[static_cast<size_t>(i)]);
                    } else if (node->is_object()) {
                        appendMember(*node, index, next);
                    }
                }
            } else {
                throw JsonFailure();
            }
            current = std::move(next);
        }
        return current;
    }

private:
    QString readName(qsizetype& p) {
        const qsizetype start = p;
        while (p < FPath.size() && FPath[p] != QLatin1Char('.') && FPath[p] != QLatin1Char('[')) {
            if (FPath[p] == QLatin1Char(']'))
                throw JsonFailure();
            ++p;
        }
        return FPath.mid(start, p - start);
    }

    static void appendAll(const json& node, std::vector<const json*>& out) {
        if (node.is_array() || node.is_object())
            for (const json& e : node)
                out.push_back(&e);
    }

    static void appendMember(const json& node, const QString& name, std::vector<const json*>& out) {
        if (!node.is_object())
            return;
        auto it = node.find(name.toStdString());
        if (it != node.end())
            out.push_back(&*it);
    }

    // Members named `name` below node, in document order.
    static void collectDeep(const json& node, const QString& name, std::vector<const json*>& out) {
        if (node.is_object()) {
            const std::string key = name.toStdString();
            for (auto it = node.begin(); it != node.end(); ++it) {
                if (it.key() == key)
                    out.push_back(&it.value());
                collectDeep(it.value(), name, out);
            }
        } else if (node.is_array()) {
            for (const json& e : node)
                collectDeep(e, name, out);
        }
    }

    QString FPath;
};

class TFEJSONPath : public TFESimpleTwoParamsFunction {
    FE_CLASS(TFEJSONPath, TFESimpleTwoParamsFunction)
public:
    TFEJSONPath() { Flags = 0; }
    TFEResultKind ResultKind() const override { return rkList; }
    Variant Evaluate() override {
        try {
            const json value = parseJson(Param(0)->EvaluateString());
            JsonPath path(Param(1)->EvaluateString());
            VariantList items;
            for (const json* match : path.run(value)) {
                if (match->is_null() || match->is_binary() || match->is_discarded())
                    throw JsonFailure();
                items.append(elementValue(*match));
            }
            return Variant(items);
        } catch (const JsonFailure&) {
            return Variant(kErr);
        }
    }
};

} // namespace

void CollectJSONFunctions(std::vector<const TFEClass*>& out) {
    out.insert(out.end(), {&TFEJSONParse::StaticClass(), &TFEJSONPath::StaticClass()});
}
