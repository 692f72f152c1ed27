#pragma once
// Documents for the viewer tests, made from the bundled sample cube: views
// with different layouts, a formula, a regroupment, a default view.

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UHierarchicalWriter.h"
#include "UPivotCubeInteractive.h"

#include <QString>

#include <memory>

inline std::unique_ptr<TPivotCubeData> SampleCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    cube->LoadFromFile(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc"));
    return cube;
}

// The view state of an engine placed by place().
template <class Place>
QString ViewStateOf(const TPivotCubeData& cube, Place place) {
    TPivotCube engine;
    engine.SetCubeData(cube);
    place(engine);
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    engine.WriteViewState(&root);
    return root.ToText();
}

inline int AxisNamed(TPivotCube& e, const char* name) { return e.CubeData().Axises().IndexOfName(QString::fromUtf8(name)); }

// Views "Ventes par région" (Région × Canal, Montant), "Mois" (Mois, two
// value columns) and "Prix" (Produit, the formula, a row regroupment);
// "Mois" is the default display.
inline void WriteSampleDocument(const QString& fileName) {
    const std::unique_ptr<TPivotCubeData> sample = SampleCube();
    const TPivotCubeData& cube = *sample;
    TPCInteractive document;
    TPivotCube formulas;
    formulas.SetCubeData(cube);
    TPivotCubeFormula* f = formulas.Formulas().Add();
    f->SetCaption(QStringLiteral("Prix moyen"));
    f->SetFormula(QStringLiteral("Somme('Montant')/Somme('Quantité')"));
    f->SetFormat(QStringLiteral("%.2f €"));
    document.FormulasXML = SaveToXMLText(formulas.Formulas());

    TPCInteractiveView* v = document.NewView();
    v->Description.Nom = QStringLiteral("Ventes par région");
    v->XMLData = ViewStateOf(cube, [](TPivotCube& e) {
        e.ValueColumns().Add()->AssignFrom(*e.CubeData().Values()[0]);
        e.AddDimension(e.RowDimensions(), AxisNamed(e, "Région"));
        e.AddDimension(e.ColDimensions(), AxisNamed(e, "Canal"));
    });
    v = document.NewView();
    v->Description.Nom = QStringLiteral("Mois");
    v->XMLData = ViewStateOf(cube, [](TPivotCube& e) {
        e.AddValueColumn(*e.CubeData().Values()[0]);
        e.AddValueColumn(*e.CubeData().Values()[1]);
        e.AddDimension(e.RowDimensions(), AxisNamed(e, "Mois"));
    });
    v = document.NewView();
    v->Description.Nom = QStringLiteral("Prix");
    v->XMLData = ViewStateOf(cube, [f](TPivotCube& e) {
        e.Formulas().Add()->Assign(*f);
        e.ValueColumns().Add()->AssignFrom(*e.Formulas()[0]);
        e.AddDimension(e.RowDimensions(), AxisNamed(e, "Produit"));
        e.AddDimension(e.ColDimensions(), AxisNamed(e, "Canal"));
        TPivotCubeRegroup* r = e.RowRegroups().Add();
        r->SetValue(QStringLiteral("Montant"));
        r->SetOperator(QStringLiteral("Somme"));
    });
    document.DefaultDisplay = QStringLiteral("mois");
    SaveDocument(fileName, document, cube);
}
