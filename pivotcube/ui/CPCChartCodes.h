#pragma once
// The chart settings' enumerations as the editor shows them (French captions
// in combo order) and as the chart XML stores them (codes), and the colour
// text of the chart XML. Lookups are exact and case-sensitive.

#include <QString>
#include <QStringList>

#include <cstdint>

struct TPCChartEnumeration {
    QStringList Captions;   // French source texts, combo order
    QStringList Codes;      // same order
    // Position of code, or fallback when it is none of the codes.
    int IndexOfCode(const QString& code, int fallback = 0) const;
    // The code at index, the first code when index is out of range.
    QString CodeAt(int index) const;
};

namespace PCChartCodes {
const TPCChartEnumeration& Direction();
const TPCChartEnumeration& SeriesType();
const TPCChartEnumeration& BarStyle();
const TPCChartEnumeration& LineStyle();
const TPCChartEnumeration& PieStyle();
const TPCChartEnumeration& LabelStyle();
const TPCChartEnumeration& Stacking();
const TPCChartEnumeration& Background();
const TPCChartEnumeration& LegendPosition();
}   // namespace PCChartCodes

enum TPCChartDirection { cdRows = 0, cdRowsStacked = 1, cdCols = 2, cdColsStacked = 3, cdTridimensional = 4 };
enum TPCChartSeriesType { ctHistogram = 0, ctHorizBar = 1, ctArea = 2, ctLine = 3, ctPoint = 4, ctPie = 5 };

// The wall colour that means "wall off".
inline constexpr int32_t PCChartWallOff = 0x1FFFFFFF;

// Reads a colour of the chart XML: hexadecimal digits, the characters "#",
// "$", "&", "x" and "X" ignored; false (value untouched) for anything else,
// an empty text or a value wider than 32 bits.
bool PCChartColorFromText(const QString& text, int32_t& color);
// "#" and at least six upper-case hexadecimal digits (system colours resolved).
QString PCChartColorToText(int32_t color);
