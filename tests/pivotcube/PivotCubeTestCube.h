#pragma once
// Small hand-made cubes for the formula and cell tests.

#include "UPivotCube.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace testcube {

inline TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

inline TPivotCubeValue* addValue(TPivotCubeData& cube, const QString& name, const QString& op) {
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = name;
    value->SetGroupOperatorName(op);
    return cube.Values().Add(std::move(value));
}

// One item of a hand-made cube: a member ID per axis, then a number per value.
struct Item {
    std::vector<int32_t> ids;
    std::vector<double> values;
};

inline void addItems(TPivotCubeData& cube, const std::vector<Item>& items) {
    for (const Item& i : items) cube.DataItems().Add(i.ids.data(), i.values.data());
}

struct Row {
    int32_t a, b;           // member IDs on axes "A" and "B"
    double montant, prix;   // values "Montant" and "Prix"
};

// Axes "A" (x, y) and "B" (p, q); values "Montant" (Somme), "Prix" (Moyenne),
// "Bizarre" (an operator nobody registered) and "Quo\"te" (Somme).
inline std::unique_ptr<TPivotCubeData> makeCube(const std::vector<Row>& rows) {
    auto cube = std::make_unique<TPivotCubeData>();
    addAxis(*cube, QStringLiteral("A"), {QStringLiteral("x"), QStringLiteral("y")});
    addAxis(*cube, QStringLiteral("B"), {QStringLiteral("p"), QStringLiteral("q")});
    addValue(*cube, QStringLiteral("Montant"), QStringLiteral("Somme"));
    addValue(*cube, QStringLiteral("Prix"), QStringLiteral("Moyenne"));
    addValue(*cube, QStringLiteral("Bizarre"), QStringLiteral("Mediane"));
    addValue(*cube, QStringLiteral("Quo\"te"), QStringLiteral("Somme"));
    for (const Row& r : rows) {
        const int32_t ids[2] = {r.a, r.b};
        const double values[4] = {r.montant, r.prix, r.montant, r.montant};
        cube->DataItems().Add(ids, values);
    }
    return cube;
}

} // namespace testcube
