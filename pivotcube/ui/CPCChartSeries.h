#pragma once
// One series of the chart XML (a Chart element) as plain settings, with the
// reading defaults: what the rebuild and the series editor read from it.

#include <QString>

#include <cstdint>

class TXMLDOMElement;

struct TPCChartSeriesSettings {
    QString Value;     // cube value name or formula caption
    QString Regroup;   // operator short name, may be empty
    QString Title;
    QString Type;      // series type code; empty means a histogram
    QString Style;     // bar, line or pie style code
    int32_t Color = 0xFF0000;
    bool MarksVisible = false;
    QString MarksStyle = QStringLiteral("AUTO");
    bool RightAxis = false;
};

TPCChartSeriesSettings PCReadChartSeries(const TXMLDOMElement* chart);
