// A chart text from anywhere shown by the chart view over a small fixed
// pivot: it must load (unreadable settings take their defaults), rebuild
// without fault, and what the view writes must read back to the same text
// (a stored chart does not drift each time it is opened and saved).
#include "CPivotCube.h"
#include "FPCChart.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

int argc = 1;
char name[] = "chart_fuzz";
char* argv[] = {name, nullptr};

// Objects, not pointers: they go at exit in the reverse order, the chart
// view first and the application last, so nothing is left behind.
QApplication& application() {
    static const bool offscreen = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }();
    (void)offscreen;
    static QApplication app(argc, argv);
    return app;
}

// Région (3) on rows, Mois (2) on columns; values Montant (Somme) and Prix
// (Moyenne); a formula "Ratio".
TPivotCube& fixedPivot() {
    static const std::unique_ptr<TPivotCube> pivot = [] {
        auto data = std::make_unique<TPivotCubeData>();
        const std::pair<const char*, int> axes[] = {{"Région", 3}, {"Mois", 2}};
        for (const auto& [name, members] : axes) {
            auto axis = std::make_unique<TPivotCubeAxis>();
            axis->Description.Nom = QString::fromUtf8(name);
            axis->SortStyle = pcsID;
            for (int m = 1; m <= members; ++m) axis->Members.push_back({m, 0, QStringLiteral("m%1").arg(m)});
            data->Axises().Add(std::move(axis));
        }
        for (const auto& [name, op] : {std::pair{"Montant", "Somme"}, std::pair{"Prix", "Moyenne"}}) {
            auto value = std::make_unique<TPivotCubeValue>();
            value->Description.Nom = QString::fromUtf8(name);
            value->SetGroupOperatorName(QString::fromUtf8(op));
            data->Values().Add(std::move(value));
        }
        for (int32_t r = 1; r <= 3; ++r)
            for (int32_t m = 1; m <= 2; ++m) {
                const int32_t ids[2] = {r, m};
                const double values[2] = {double(r * 10 + m), double(m) / 1000};
                data->DataItems().Add(ids, values);
            }
        auto engine = std::make_unique<TPivotCube>();
        engine->SetCubeData(*data);
        engine->ValueColumns().Add()->AssignFrom(*engine->CubeData().Values()[0]);
        engine->AddDimension(engine->RowDimensions(), 0);
        engine->AddDimension(engine->ColDimensions(), 1);
        TPivotCubeFormula* ratio = engine->Formulas().Add();
        ratio->SetCaption(QStringLiteral("Ratio"));
        ratio->SetFormula(QStringLiteral("Somme(\"Prix\")/Somme(\"Montant\")"));
        return engine;
    }();
    return *pivot;
}

}  // namespace

// The font library keeps what it caches for each new font name until the
// process ends: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    application();
    TPivotCube& pivot = fixedPivot();
    static TPCChart view;
    TPCChart* chart = &view;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    chart->LoadChart(&pivot, text);
    chart->RebuildNow();
    const QString saved = chart->SaveChart();
    chart->LoadChart(&pivot, saved);
    chart->RebuildNow();
    if (chart->SaveChart() != saved) std::abort();
    return 0;
}
