#pragma once
// A window laid out like the viewer's pivot area: the value bar on top, the
// column bar right of the corner, the row bar left of the grid; the bars
// attached to the grid's engine. The cube has axes "Région", "Ville" and
// "Magasin" (both children of "Région"), "Mois" and "Produit"; one value
// "Montant" (Somme).

#include "FPivotCubeActiveValues.h"
#include "FPivotCubeDimension.h"
#include "FPivotCubeGrid.h"

// Mouse events go through the window as the platform's would: a press grabs
// the mouse for the widget under it, a right press opens its context menu.
#define QTEST_QPA_MOUSE_HANDLING
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>

inline std::unique_ptr<TPivotCubeData> BarsTestCube() {
    auto data = std::make_unique<TPivotCubeData>();
    const char* names[] = {"Région", "Ville", "Magasin", "Mois", "Produit"};
    for (const char* name : names) {
        auto axis = std::make_unique<TPivotCubeAxis>();
        axis->Description.Nom = QString::fromUtf8(name);
        axis->SortStyle = pcsID;
        for (int m = 1; m <= 3; ++m) axis->Members.push_back({m, 0, QStringLiteral("m%1").arg(m)});
        data->Axises().Add(std::move(axis));
    }
    data->Axises()[1]->ParentAxis = data->Axises()[0];
    data->Axises()[2]->ParentAxis = data->Axises()[0];
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = QStringLiteral("Montant");
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    data->Values().Add(std::move(value));
    for (int32_t a = 1; a <= 3; ++a)
        for (int32_t b = 1; b <= 3; ++b) {
            const int32_t ids[5] = {a, b, a, b, 1};
            const double amount = double(a * 10 + b);
            data->DataItems().Add(ids, &amount);
        }
    return data;
}

struct BarsTestWindow {
    QWidget window;
    TPivotCubeActiveValues* values = new TPivotCubeActiveValues(&window);
    TPivotCubeColumns* columns = new TPivotCubeColumns(&window);
    TPivotCubeRows* rows = new TPivotCubeRows(&window);
    TPivotCubeGrid* grid = new TPivotCubeGrid(&window);

    BarsTestWindow() {
        window.resize(700, 420);
        values->setGeometry(0, 0, 700, 26);
        columns->setGeometry(120, 26, 580, 48);
        rows->setGeometry(0, 74, 120, 346);
        grid->setGeometry(120, 74, 580, 346);
        TPivotCube& e = engine();
        e.SetCubeData(*BarsTestCube());
        e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
        for (TPivotCubeHelper* bar : {static_cast<TPivotCubeHelper*>(values), static_cast<TPivotCubeHelper*>(columns),
                                      static_cast<TPivotCubeHelper*>(rows)})
            bar->SetPivotCube(&e);
    }
    TPivotCube& engine() { return grid->Engine(); }
    bool show() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};
