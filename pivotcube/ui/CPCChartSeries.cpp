#include "CPCChartSeries.h"

#include "CPCChartCodes.h"
#include "USettings.h"
#include "UXMLParser.h"
#include "UXPath.h"

TPCChartSeriesSettings PCReadChartSeries(const TXMLDOMElement* chart) {
    TPCChartSeriesSettings s;
    if (!chart) return s;
    auto* node = const_cast<TXMLDOMElement*>(chart);
    const auto value = [&](const char* path) { return SelectValue(node, QString::fromLatin1(path)); };
    s.Value = value("@Value");
    s.Regroup = value("@Regroup");
    s.Title = value("@Title");
    s.Type = value("Aspect/@Type");
    s.Style = value("Aspect/Style/@Value");
    int32_t colour;
    if (PCChartColorFromText(value("Aspect/@Color"), colour)) s.Color = colour;
    s.MarksVisible = StrToBoolDef(value("Aspect/Marks/@Visible"), false);
    const QString marks = value("Aspect/Marks/@Style");
    if (!marks.isEmpty()) s.MarksStyle = marks;
    s.RightAxis = value("Aspect/Axis/@Position") == QLatin1String("right");
    return s;
}
