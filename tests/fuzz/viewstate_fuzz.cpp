// A view state from anywhere applied to a small fixed cube: reading it must
// end in a clear error or a placement, and a placement saved and read again
// must save the same (a stored view does not drift each time it is opened
// and saved). The formula XML of a document goes the same way, from its second
// save on: a text holding a decimal character reference is written with the
// reference kept, which reads back as the character, so the first round
// trip may settle such a text once.
#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UHierarchicalWriter.h"
#include "UXMLParser.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

namespace {

// Axes "Région" (3 members) and "Ville" (4, children of Région), "Mois" (2);
// values "Montant" (Somme) and "Prix" (Moyenne).
const TPivotCubeData& fixedCube() {
    static const std::unique_ptr<TPivotCubeData> cube = [] {
        auto data = std::make_unique<TPivotCubeData>();
        const std::pair<const char*, int> axes[] = {{"Région", 3}, {"Ville", 4}, {"Mois", 2}};
        for (const auto& [name, members] : axes) {
            auto axis = std::make_unique<TPivotCubeAxis>();
            axis->Description.Nom = QString::fromUtf8(name);
            axis->SortStyle = pcsID;
            for (int m = 1; m <= members; ++m) axis->Members.push_back({m, 0, QStringLiteral("m%1").arg(m)});
            data->Axises().Add(std::move(axis));
        }
        data->Axises()[1]->ParentAxis = data->Axises()[0];
        for (const auto& [name, op] : {std::pair{"Montant", "Somme"}, std::pair{"Prix", "Moyenne"}}) {
            auto value = std::make_unique<TPivotCubeValue>();
            value->Description.Nom = QString::fromUtf8(name);
            value->SetGroupOperatorName(QString::fromUtf8(op));
            data->Values().Add(std::move(value));
        }
        for (int32_t r = 1; r <= 3; ++r)
            for (int32_t v = 1; v <= 4; ++v) {
                const int32_t ids[3] = {r, v, 1 + (r + v) % 2};
                const double values[2] = {double(r * 10 + v), double(v)};
                data->DataItems().Add(ids, values);
            }
        return data;
    }();
    return *cube;
}

QString viewState(const TPivotCube& engine) {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    engine.WriteViewState(&root);
    return root.ToText();
}

// The engine's placement after reading text, or nothing when it is refused.
std::unique_ptr<TPivotCube> applied(const QString& text) {
    TXMLDOMDocument xml;
    xml.LoadXML(text);
    if (!xml.DocumentElement()) return nullptr;
    auto engine = std::make_unique<TPivotCube>();
    engine->SetCubeData(fixedCube());
    engine->ReadViewState(xml.DocumentElement());
    return engine;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text;
    try {
        TXMLEncoding encoding;
        text = TXMLDOMDocument::DecodeBytes(bytes, encoding);
    } catch (const std::exception&) {
        return 0;
    }
    std::unique_ptr<TPivotCube> first;
    try {
        first = applied(text);
    } catch (const std::exception&) {
        return 0;   // refused: a clear error
    }
    if (!first) return 0;
    (void)first->ExportHTML(7);
    const QString saved = viewState(*first);
    // What the engine saved, it reads; and reading it changes nothing more.
    const std::unique_ptr<TPivotCube> second = applied(saved);
    if (!second || viewState(*second) != saved) __builtin_trap();

    // The same bytes as a document's formula XML.
    try {
        TXMLDOMDocument xml;
        xml.LoadFromBytes(bytes);
        TPivotCubeFormulas formulas;
        ReadXML(formulas, xml.DocumentElement() ? ChildByPath(xml.DocumentElement(), QStringLiteral("PCFormulas")) : nullptr);
        const auto roundTrip = [](const QByteArray& written) {
            TXMLDOMDocument again;
            if (!written.isEmpty()) again.LoadFromBytes(written);
            TPivotCubeFormulas reread;
            ReadXML(reread, again.DocumentElement() ? ChildByPath(again.DocumentElement(), QStringLiteral("PCFormulas")) : nullptr);
            return SaveToXMLText(reread);
        };
        const QByteArray settled = roundTrip(SaveToXMLText(formulas));
        if (roundTrip(settled) != settled) __builtin_trap();
    } catch (const std::exception&) {
    }
    return 0;
}
