#pragma once
// The cube of the grid tests: axes "Région" (regions members), "Ville" (4),
// "Mois" (2) with IDs from 1, one item on every combination whose value
// "Montant" (Somme) is 10 × region + month.

#include "UPivotCube.h"

#include <memory>

inline std::unique_ptr<TPivotCubeData> GridTestCube(int regions = 3) {
    auto data = std::make_unique<TPivotCubeData>();
    const std::pair<const char*, int> axes[] = {{"Région", regions}, {"Ville", 4}, {"Mois", 2}};
    for (const auto& [name, members] : axes) {
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = QString::fromUtf8(name);
        axis->SortStyle = pcsID;
        for (int m = 1; m <= members; ++m) axis->Members.push_back({m, 0, QStringLiteral("m%1").arg(m)});
        data->Axises().Add(std::move(axis));
    }
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("Montant");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    data->Values().Add(std::move(value));
    for (int32_t r = 1; r <= regions; ++r)
        for (int32_t v = 1; v <= 4; ++v)
            for (int32_t m = 1; m <= 2; ++m) {
                const int32_t ids[3] = {r, v, m};
                const double amount = double(r * 10 + m);
                data->DataItems().Add(ids, &amount);
            }
    return data;
}
