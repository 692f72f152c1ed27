#include "CPCChartCodes.h"

#include "UHierarchicalWriter.h"

int TPCChartEnumeration::IndexOfCode(const QString& code, int fallback) const {
    const int index = Codes.indexOf(code);
    return index >= 0 ? index : fallback;
}

QString TPCChartEnumeration::CodeAt(int index) const {
    if (index < 0 || index >= Codes.size()) index = 0;
    return Codes.value(index);
}

namespace PCChartCodes {
namespace {
TPCChartEnumeration make(std::initializer_list<std::pair<const char*, const char*>> entries) {
    TPCChartEnumeration e;
    for (const auto& [caption, code] : entries) {
        e.Captions.append(QString::fromUtf8(caption));
        e.Codes.append(QString::fromLatin1(code));
    }
    return e;
}
}   // namespace

const TPCChartEnumeration& Direction() {
    static const TPCChartEnumeration e = make({{"en lignes", "ROWS"},
                                               {"en lignes empilées", "ROWS_S"},
                                               {"en colonnes", "COLS"},
                                               {"en colonnes empilées", "COLS_S"},
                                               {"tridimensionnel", "2D"}});
    return e;
}
const TPCChartEnumeration& SeriesType() {
    static const TPCChartEnumeration e = make({{"Histogramme", "HISTOGRAM"},
                                               {"Barres", "HORIZBAR"},
                                               {"Surface", "AREA"},
                                               {"Ligne", "LINE"},
                                               {"Points", "POINT"},
                                               {"Camembert", "PIE"}});
    return e;
}
const TPCChartEnumeration& BarStyle() {
    static const TPCChartEnumeration e = make({{"rectangle", "RECTANGLE"},
                                               {"rectangle dégradé", "GRADIENT"},
                                               {"colonne (3D)", "CYLINDER"},
                                               {"flèche", "ARROW"}});
    return e;
}
const TPCChartEnumeration& LineStyle() {
    static const TPCChartEnumeration e = make({{"normal", "NORMAL"}, {"pointées", "POINTS"}, {"escaliers", "STAIRS"}});
    return e;
}
const TPCChartEnumeration& PieStyle() {
    static const TPCChartEnumeration e = make({{"bordure pleine", "FULL"},
                                               {"bordure pointillés", "DOTS"},
                                               {"sans bordure", "BORDERLESS"},
                                               {"gradient", "GRADIENT"}});
    return e;
}
const TPCChartEnumeration& LabelStyle() {
    static const TPCChartEnumeration e =
        make({{"auto", "AUTO"}, {"valeur", "VALUE"}, {"etq X", "LABELX"}, {"etq Y", "LABELY"}});
    return e;
}
const TPCChartEnumeration& Stacking() {
    static const TPCChartEnumeration e = make({{"en profondeur", "DEPTH"},
                                               {"côte à côte", "SIDE"},
                                               {"empilés verticalement", "STACK"},
                                               {"empilés jusqu'à 100%", "STACK100"}});
    return e;
}
const TPCChartEnumeration& Background() {
    static const TPCChartEnumeration e = make({{"fond uni", "SOLID"},
                                               {"gradient horizontal", "HORIZONTAL"},
                                               {"gradient vertical", "VERTICAL"},
                                               {"gradient diagonal", "DIAGONAL"}});
    return e;
}
const TPCChartEnumeration& LegendPosition() {
    static const TPCChartEnumeration e =
        make({{"à gauche", "LEFT"}, {"à droite", "RIGHT"}, {"en haut", "TOP"}, {"en bas", "BOTTOM"}});
    return e;
}
}   // namespace PCChartCodes

bool PCChartColorFromText(const QString& text, int32_t& color) {
    quint64 value = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c == u'#' || c == u'$' || c == u'&' || c == u'x' || c == u'X') continue;
        int digit;
        if (c >= u'0' && c <= u'9') digit = c.unicode() - '0';
        else if (c >= u'a' && c <= u'f') digit = c.unicode() - 'a' + 10;
        else if (c >= u'A' && c <= u'F') digit = c.unicode() - 'A' + 10;
        else return false;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFull) return false;
        ++digits;
    }
    if (digits == 0) return false;
    color = int32_t(uint32_t(value));
    return true;
}

QString PCChartColorToText(int32_t color) { return ColorToXMLText(color); }
