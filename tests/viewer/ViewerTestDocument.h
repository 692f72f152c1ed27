#pragma once
// The bundled sample cube, for the viewer tests. The sample document over it
// (samples/demo.Dravo, made by samples/make-samples.sh) has the views
// "Ventes par région" (Région, Ville × Canal, Montant), "Mois" (the default:
// Mois, Montant and Quantité), "Prix" (Produit × Canal, the formula
// "Prix moyen", a row regroupment) and "Graphiques" (Canal × Région, with the
// charts "Empilé par canal" and "En trois dimensions").

#include "UPivotCube.h"

#include <QString>

#include <memory>

inline std::unique_ptr<TPivotCubeData> SampleCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    cube->LoadFromFile(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc"));
    return cube;
}
