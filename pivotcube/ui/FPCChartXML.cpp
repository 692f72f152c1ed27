// The chart view's settings as chart XML: reading a CubeChart text into the
// editor and the series list, writing the editor back.

#include "CPCChartCodes.h"
#include "CPCChartSeries.h"
#include "FPCChart.h"
#include "FPCColorButton.h"

#include "CPivotCube.h"
#include "UHierarchicalWriter.h"
#include "USettings.h"
#include "USysUtils.h"
#include "UXMLParser.h"
#include "UXPath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

#include <algorithm>

namespace {

const QString kTrue = QStringLiteral("True");

}   // namespace

const TXMLDOMElement* TPCChart::chartOf(const SeriesEntry& entry) {
    return entry.Document ? FirstChildElement(entry.Document->DocumentElement()) : nullptr;
}

void TPCChart::clearSeries() {
    FSeries.clear();
    LBSeries->clear();
}

void TPCChart::addSeries(const QString& text, std::unique_ptr<TXMLDOMDocument> document) {
    FSeries.push_back({text, std::move(document)});
    LBSeries->addItem(text);
    refreshSeriesRow(int(FSeries.size()) - 1);
}

void TPCChart::readChart(const QString& text) {
    TXMLDOMDocument xml;
    TXMLDOMElement* root = nullptr;
    // Settings that cannot be read are the default chart; the main window
    // tells the user about a damaged text before it comes here.
    try {
        if (!text.trimmed().isEmpty()) xml.LoadXML(text);
        root = xml.DocumentElement();
    } catch (const Exception&) {
        root = nullptr;
    }
    if (root && root->NodeName() != QLatin1String("CubeChart")) root = nullptr;
    const auto value = [&](const char* path) {
        return root ? SelectValue(root, QString::fromLatin1(path)) : QString();
    };
    const auto boolean = [&](const char* path, bool fallback) { return StrToBoolDef(value(path), fallback); };
    const auto integer = [&](const char* path, int fallback) {
        int v;
        return TryStrToInt(value(path), v) ? v : fallback;
    };
    const auto colour = [&](const char* path, int32_t fallback) {
        int32_t c = fallback;
        PCChartColorFromText(value(path), c);
        return c;
    };

    CBDirection->setCurrentIndex(PCChartCodes::Direction().IndexOfCode(value("@Direction")));
    CBView3D->setChecked(boolean("@View3D", false));
    // Kept within what dragging can reach: a stored view is one the user could have made.
    Zoom3D = std::clamp(integer("@Zoom", 100), 30, 200);
    Rotation3D = std::clamp(integer("@Rotation", 300), 270, 360);
    Elevation3D = std::clamp(integer("@Elevation", 300), 270, 360);

    EDTitle->setText(value("Title"));
    QFont font(value("Title/Font/@Name").isEmpty() ? QStringLiteral("Arial") : value("Title/Font/@Name"));
    font.setPointSize(std::clamp(integer("Title/Font/@Size", 10), 1, 200));
    const bool styled = root && ChildByPath(root, QStringLiteral("Title/Font"));
    font.setBold(styled ? boolean("Title/Font/@Bold", false) : true);
    font.setItalic(boolean("Title/Font/@Italic", false));
    font.setUnderline(boolean("Title/Font/@Underline", false));
    FTitleFont = font;
    FTitleColor = colour("Title/Font/@Color", 0x800000);

    CBLegend->setChecked(boolean("Options/Legend/@Visible", false));
    CBLegendPosition->setCurrentIndex(PCChartCodes::LegendPosition().IndexOfCode(value("Options/Legend/@Position"), 1));
    const auto wall = [&](WallControls& w, const char* path, int32_t fallback) {
        const int32_t c = colour(path, fallback);
        const bool on = c != PCChartWallOff;
        w.Visible->setChecked(on);
        w.Color->SetColor(on ? c : 0xFFFFFF);
    };
    wall(FLeftWall, "Options/LeftWall/@Color", 0x80FFFF);
    wall(FBottomWall, "Options/BottomWall/@Color", 0xFFFFFF);
    wall(FBackWall, "Options/BackWall/@Color", 0xFFFFFF);
    CBStacking->setCurrentIndex(PCChartCodes::Stacking().IndexOfCode(value("Options/Stacking/@Value")));
    CBBackStyle->setCurrentIndex(PCChartCodes::Background().IndexOfCode(value("Options/BackStyle/@Value")));
    BTBackColor->SetColor(colour("Options/BackColor/@Color", 0xFFFFFF));
    BTBackColor2->SetColor(colour("Options/BackColor2/@Color", 0xFFFFFF));

    const auto axis = [&](AxisControls& a, const QString& name) {
        const QByteArray base = (QStringLiteral("Axis/") + name).toLatin1();
        a.Visible->setChecked(boolean((base + "/@Visible").constData(), true));
        a.ShowTitle->setChecked(boolean((base + "/Title/@Visible").constData(), true));
        if (a.Increment) a.Increment->setValue(StrToFloatDef(value((base + "/@Increment").constData()), 0));
        if (a.Rotation) a.Rotation->setValue(integer((base + "/@Rotation").constData(), 0));
    };
    axis(FLeftAxis, QStringLiteral("LeftAxis"));
    axis(FRightAxis, QStringLiteral("RightAxis"));
    axis(FBottomAxis, QStringLiteral("BottomAxis"));
    axis(FDepthAxis, QStringLiteral("DepthAxis"));

    clearSeries();
    for (const TXMLDOMElement* chart = root ? ChildByPath(root, QStringLiteral("Charts/Chart")) : nullptr; chart;
         chart = NextSiblingElement(chart)) {
        auto document = std::make_unique<TXMLDOMDocument>();
        try {
            document->LoadXML(QStringLiteral("<root>") + Xml(chart) + QStringLiteral("</root>"));
        } catch (const Exception&) {
            continue;   // a series that does not stand on its own is left out
        }
        const QString shown = AttributeValue(chart, QStringLiteral("Value")) + QStringLiteral(" (") +
                              AttributeValue(chart, QStringLiteral("Regroup")) + QStringLiteral(")");
        addSeries(shown, std::move(document));
    }
    if (!FSeries.empty()) {
        LBSeries->setCurrentRow(0);
        loadSeriesIntoEditor(chartOf(FSeries.front()));
    }
    CBView3D->setEnabled(!tridimensional());
}

void TPCChart::loadSeriesIntoEditor(const TXMLDOMElement* chart) {
    ++UpdateLock;
    const TPCChartSeriesSettings s = PCReadChartSeries(chart);
    QString operatorText;
    const int formulas = FPivot ? FPivot->Formulas().Count() : 0;
    const int values = CBValue->count() - formulas;
    int formula = -1;
    for (int i = 0; i < formulas; ++i)
        if (CBValue->itemText(values + i) == s.Value) formula = values + i;
    if (formula >= 0) {
        CBValue->setCurrentIndex(formula);
        CBRegroup->setCurrentIndex(-1);
    } else {
        int index = -1;
        for (int i = 0; i < values; ++i)
            if (CBValue->itemText(i) == s.Value) index = i;
        CBValue->setCurrentIndex(index >= 0 ? index : (values > 0 ? 0 : -1));
        const int op = CBRegroup->findText(s.Regroup);
        if (op >= 0) CBRegroup->setCurrentIndex(op);
        else selectDefaultOperatorOfValue();
        operatorText = CBRegroup->currentText();
    }
    EDSeriesTitle->setText(s.Title.isEmpty() ? CBValue->currentText() + QStringLiteral(" (") + operatorText +
                                                   QStringLiteral(")")
                                             : s.Title);
    EDSeriesTitle->setCursorPosition(0);
    const int type = PCChartCodes::SeriesType().IndexOfCode(s.Type);
    CBType->setCurrentIndex(type);
    CBBarStyle->setCurrentIndex(PCChartCodes::BarStyle().IndexOfCode(s.Style));
    CBLineStyle->setCurrentIndex(PCChartCodes::LineStyle().IndexOfCode(s.Style));
    CBPieStyle->setCurrentIndex(PCChartCodes::PieStyle().IndexOfCode(s.Style));
    BTColor->SetColor(s.Color);
    CBValueAxis->setCurrentIndex(s.RightAxis ? 1 : 0);
    CBMarks->setChecked(s.MarksVisible);
    CBMarksStyle->setCurrentIndex(PCChartCodes::LabelStyle().IndexOfCode(s.MarksStyle));
    applyDirectionRule();
    applyTypeRule();
    --UpdateLock;
}

void TPCChart::writeSeriesFromEditor(THierarchicalWriter* parent) const {
    THierarchicalWriter* chart = parent->AddChild(QStringLiteral("Chart"));
    chart->SetAttribute(QStringLiteral("Value"), CBValue->currentText());
    chart->SetAttribute(QStringLiteral("Regroup"), CBRegroup->currentText());
    chart->SetAttribute(QStringLiteral("Title"), EDSeriesTitle->text());
    THierarchicalWriter* aspect = chart->AddChild(QStringLiteral("Aspect"));
    const int type = tridimensional() ? ctHistogram : CBType->currentIndex();
    aspect->SetAttribute(QStringLiteral("Type"), PCChartCodes::SeriesType().CodeAt(type));
    aspect->SetColor(BTColor->Color());
    QString style;
    if (type == ctHistogram || type == ctHorizBar) style = PCChartCodes::BarStyle().CodeAt(CBBarStyle->currentIndex());
    else if (type == ctLine) style = PCChartCodes::LineStyle().CodeAt(CBLineStyle->currentIndex());
    else if (type == ctPie) style = PCChartCodes::PieStyle().CodeAt(CBPieStyle->currentIndex());
    if (!style.isEmpty()) aspect->AddChild(QStringLiteral("Style"))->SetAttribute(QStringLiteral("Value"), style);
    THierarchicalWriter* marks = aspect->AddChild(QStringLiteral("Marks"));
    marks->SetAttribute(QStringLiteral("Visible"), CBMarks->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    if (CBMarks->isChecked())
        marks->SetAttribute(QStringLiteral("Style"), PCChartCodes::LabelStyle().CodeAt(CBMarksStyle->currentIndex()));
    if (CBValueAxis->currentIndex() == 1)
        aspect->AddChild(QStringLiteral("Axis"))->SetAttribute(QStringLiteral("Position"), QStringLiteral("right"));
}

std::unique_ptr<TXMLDOMDocument> TPCChart::seriesDocumentFromEditor() const {
    TXMLHierarchicalWriter root(QStringLiteral("root"));
    writeSeriesFromEditor(&root);
    auto document = std::make_unique<TXMLDOMDocument>();
    document->LoadXML(root.ToText());
    return document;
}

void TPCChart::storeEditorIntoSelected() {
    const int index = SelectedSeries();
    if (index < 0) return;
    FSeries[size_t(index)].Document = seriesDocumentFromEditor();
    refreshSeriesRow(index);
}

QString TPCChart::SaveChart() {
    if (RebuildPending()) RebuildNow();
    TXMLHierarchicalWriter root(QStringLiteral("CubeChart"));
    root.SetAttribute(QStringLiteral("Direction"), PCChartCodes::Direction().CodeAt(CBDirection->currentIndex()));
    root.SetAttribute(QStringLiteral("View3D"), CBView3D->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    if (!FModel.View.Orthogonal) {
        root.SetAttributeInteger(QStringLiteral("Zoom"), FModel.View.Zoom);
        root.SetAttributeInteger(QStringLiteral("Rotation"), FModel.View.Rotation);
        root.SetAttributeInteger(QStringLiteral("Elevation"), FModel.View.Elevation);
    }
    THierarchicalWriter* title = root.AddChild(QStringLiteral("Title"), EDTitle->text());
    THierarchicalWriter* font = title->AddChild(QStringLiteral("Font"));
    font->SetAttribute(QStringLiteral("Name"), FTitleFont.family());
    font->SetAttributeInteger(QStringLiteral("Size"), FTitleFont.pointSize());
    font->SetAttribute(QStringLiteral("Color"), PCChartColorToText(FTitleColor).mid(1));
    if (FTitleFont.bold()) font->SetAttribute(QStringLiteral("Bold"), kTrue);
    if (FTitleFont.italic()) font->SetAttribute(QStringLiteral("Italic"), kTrue);
    if (FTitleFont.underline()) font->SetAttribute(QStringLiteral("Underline"), kTrue);

    THierarchicalWriter* options = root.AddChild(QStringLiteral("Options"));
    if (CBLegend->isChecked()) {
        THierarchicalWriter* legend = options->AddChild(QStringLiteral("Legend"));
        legend->SetAttribute(QStringLiteral("Visible"), kTrue);
        legend->SetAttribute(QStringLiteral("Position"),
                             PCChartCodes::LegendPosition().CodeAt(CBLegendPosition->currentIndex()));
    }
    const auto wall = [&](const WallControls& w, const char* name) {
        options->AddChild(QString::fromLatin1(name))->SetColor(w.Visible->isChecked() ? w.Color->Color() : PCChartWallOff);
    };
    wall(FLeftWall, "LeftWall");
    wall(FBottomWall, "BottomWall");
    wall(FBackWall, "BackWall");
    options->AddChild(QStringLiteral("Stacking"))
        ->SetAttribute(QStringLiteral("Value"), PCChartCodes::Stacking().CodeAt(CBStacking->currentIndex()));
    options->AddChild(QStringLiteral("BackStyle"))
        ->SetAttribute(QStringLiteral("Value"), PCChartCodes::Background().CodeAt(CBBackStyle->currentIndex()));
    options->AddChild(QStringLiteral("BackColor"))->SetColor(BTBackColor->Color());
    options->AddChild(QStringLiteral("BackColor2"))->SetColor(BTBackColor2->Color());

    THierarchicalWriter* axes = root.AddChild(QStringLiteral("Axis"));
    const auto axis = [&](const AxisControls& a, const char* name) {
        THierarchicalWriter* e = axes->AddChild(QString::fromLatin1(name));
        const auto flag = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
        e->SetAttribute(QStringLiteral("Visible"), flag(a.Visible->isChecked()));
        if (a.Increment) e->SetAttribute(QStringLiteral("Increment"), FloatToStr(a.Increment->value()));
        if (a.Rotation) e->SetAttributeInteger(QStringLiteral("Rotation"), a.Rotation->value());
        e->AddChild(QStringLiteral("Title"))->SetAttribute(QStringLiteral("Visible"), flag(a.ShowTitle->isChecked()));
    };
    axis(FLeftAxis, "LeftAxis");
    axis(FRightAxis, "RightAxis");
    axis(FBottomAxis, "BottomAxis");
    axis(FDepthAxis, "DepthAxis");

    THierarchicalWriter* charts = root.AddChild(QStringLiteral("Charts"));
    charts->SetAttributeInteger(QStringLiteral("Count"), int(FSeries.size()));
    const int selected = SelectedSeries();
    ++UpdateLock;
    for (const SeriesEntry& entry : FSeries) {
        loadSeriesIntoEditor(chartOf(entry));
        writeSeriesFromEditor(charts);
    }
    // Later edits apply to the series they were read from.
    if (selected >= 0) loadSeriesIntoEditor(chartOf(FSeries[size_t(selected)]));
    --UpdateLock;
    return root.ToText();
}
