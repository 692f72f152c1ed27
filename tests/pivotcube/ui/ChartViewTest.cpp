// The chart view, offscreen: chart XML read and written, the editor's rules,
// the three rebuild paths against the pivot's cells, 3D dragging, printing.
#include "FPCChart.h"

#include "CPCChartCodes.h"
#include "CPivotCube.h"
#include "FPCChartCanvas.h"
#include "FPCColorButton.h"
#include "UXMLParser.h"
#include "UXPath.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QMimeData>
#include <QPrinter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "GridTestCube.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

QString attribute(const QString& xml, const QString& path) {
    TXMLDOMDocument document;
    document.LoadXML(xml);
    return SelectValue(document.DocumentElement(), path);
}

class ChartView : public ::testing::Test {
protected:
    TPivotCube pivot;
    TPCChart chart;

    void SetUp() override { chart.resize(860, 640); }
    // rows × columns of the grid test cube: Région (regions) on rows, Mois (2) on columns.
    void place(int regions = 4, bool columns = true) {
        pivot.SetCubeData(*GridTestCube(regions));
        pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
        pivot.AddDimension(pivot.RowDimensions(), 0);
        if (columns) pivot.AddDimension(pivot.ColDimensions(), 2);
    }
    template <class T> T* control(const char* name) {
        T* found = chart.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void load(const QString& xml) {
        chart.LoadChart(&pivot, xml);
        chart.RebuildNow();
    }
    void snapshot(const char* name) {
        const QByteArray dir = qgetenv("LORVANE_GALLERY");
        if (dir.isEmpty()) return;
        chart.show();
        QApplication::processEvents();
        chart.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name) + ".png"));
    }
};

TEST_F(ChartView, ANewChartStartsFromTheTemplate) {
    place();
    load(QString());
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(chart.SeriesText(0), QStringLiteral("Montant (Somme)"));
    EXPECT_EQ(chart.DefaultSeriesCaption, QStringLiteral("Montant (Somme)"));
    const QString xml = chart.SaveChart();
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/@Count")), QStringLiteral("1"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart/@Value")), QStringLiteral("Montant"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart/Aspect/@Type")), QStringLiteral("HISTOGRAM"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart/Aspect/@Color")), QStringLiteral("#FF0000"));
    snapshot("chart-view-new");
}

// A chart text with the given direction code and one Chart element per entry of series.
QString chartXml(const QString& direction, const QStringList& series, const QString& options = QString()) {
    QString charts;
    for (const QString& one : series) charts += one;
    return QStringLiteral("<CubeChart Direction=\"%1\" View3D=\"N\">%2<Charts Count=\"%3\">%4</Charts></CubeChart>")
        .arg(direction, options, QString::number(series.size()), charts);
}

QString seriesXml(const QString& value, const QString& regroup, const QString& type = QStringLiteral("HISTOGRAM"),
                  const QString& colour = QStringLiteral("#FF0000"), const QString& extra = QString()) {
    return QStringLiteral("<Chart Value=\"%1\" Regroup=\"%2\" Title=\"%1\"><Aspect Type=\"%3\" Color=\"%4\">%5</Aspect></Chart>")
        .arg(value, regroup, type, colour, extra);
}

double hueOf(const QColor& c) { return c.toHsl().hslHueF(); }

TEST_F(ChartView, TheTemplateIsBuiltOnceAndServesLaterCharts) {
    place();
    pivot.RowRegroups().Add()->SetOperator(QStringLiteral("Moyenne"));
    load(QString());
    EXPECT_EQ(chart.SeriesText(0), QStringLiteral("Montant (Moyenne)")) << "the first row regroupment's operator";

    // Another cube whose only value is named differently: the template's value falls back to it.
    TPivotCube other;
    auto data = GridTestCube(2);
    data->Values()[0]->Description.Nom = QStringLiteral("Quantité");
    other.SetCubeData(*data);
    other.ValueColumns().Add()->AssignFrom(*other.CubeData().Values()[0]);
    other.AddDimension(other.RowDimensions(), 0);
    chart.LoadChart(&other, QString());
    chart.RebuildNow();
    const QString xml = chart.SaveChart();
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart/@Value")), QStringLiteral("Quantité"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart/@Regroup")), QStringLiteral("Moyenne"))
        << "the template keeps the operator of the first load";
    ASSERT_EQ(chart.Model().Series.size(), 1u);
    EXPECT_EQ(chart.Model().Series[0].Points.size(), 2u);
}

TEST_F(ChartView, SavingWhatWasLoadedGivesTheSameText) {
    place();
    const QString text = chartXml(
        QStringLiteral("COLS"),
        {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"), QStringLiteral("LINE"), QStringLiteral("#00FF00"),
                   QStringLiteral("<Style Value=\"STAIRS\"/><Marks Visible=\"Y\" Style=\"LABELX\"/>")),
         seriesXml(QStringLiteral("Montant"), QStringLiteral("Maximum"), QStringLiteral("AREA"), QStringLiteral("#123456"),
                   QStringLiteral("<Marks Visible=\"N\"/><Axis Position=\"right\"/>"))},
        QStringLiteral("<Title>Ventes<Font Name=\"Serif\" Size=\"14\" Color=\"0000FF\" Italic=\"True\"/></Title>"
                       "<Options><Legend Visible=\"True\" Position=\"TOP\"/><LeftWall Color=\"#1FFFFFFF\"/>"
                       "<Stacking Value=\"STACK\"/><BackStyle Value=\"DIAGONAL\"/><BackColor Color=\"#EEEEEE\"/></Options>"
                       "<Axis><LeftAxis Visible=\"False\" Increment=\"25.5\" Rotation=\"45\"><Title Visible=\"True\"/></LeftAxis>"
                       "<DepthAxis Visible=\"True\"><Title Visible=\"False\"/></DepthAxis></Axis>"));
    load(text);
    const QString saved = chart.SaveChart();
    load(saved);
    EXPECT_EQ(chart.SaveChart(), saved);
    const std::pair<const char*, const char*> expected[] = {
        {"@Direction", "COLS"},
        {"Title", "Ventes"},
        {"Title/Font/@Name", "Serif"},
        {"Title/Font/@Color", "0000FF"},
        {"Title/Font/@Italic", "True"},
        {"Title/Font/@Bold", ""},
        {"Options/Legend/@Position", "TOP"},
        {"Options/LeftWall/@Color", "#1FFFFFFF"},
        {"Options/BottomWall/@Color", "#FFFFFF"},
        {"Options/Stacking/@Value", "STACK"},
        {"Options/BackStyle/@Value", "DIAGONAL"},
        {"Options/BackColor/@Color", "#EEEEEE"},
        {"Axis/LeftAxis/@Visible", "False"},
        {"Axis/LeftAxis/@Increment", "25.5"},
        {"Axis/LeftAxis/@Rotation", "45"},
        {"Axis/RightAxis/@Visible", "True"},
        {"Axis/DepthAxis/Title/@Visible", "False"},
        {"Charts/@Count", "2"},
        {"Charts/Chart[1]/Aspect/Style/@Value", "STAIRS"},
        {"Charts/Chart[1]/Aspect/Marks/@Style", "LABELX"},
        {"Charts/Chart[2]/@Regroup", "Maximum"},
        {"Charts/Chart[2]/Aspect/@Color", "#123456"},
        {"Charts/Chart[2]/Aspect/Axis/@Position", "right"},
        {"count(Charts/Chart[2]/Aspect/Style)", "0"},
    };
    for (const auto& [path, value] : expected)
        EXPECT_EQ(attribute(saved, QString::fromLatin1(path)), QString::fromUtf8(value)) << path;
    EXPECT_FALSE(chart.Model().Wall(ChartWallKind::Left).Visible) << "#1FFFFFFF is a wall switched off";
    EXPECT_TRUE(control<QCheckBox>("CBBottomWall")->isChecked());

    // The legend switched off leaves no trace: its position is the default again after a reload.
    control<QCheckBox>("CBLegend")->click();
    const QString withoutLegend = chart.SaveChart();
    EXPECT_EQ(attribute(withoutLegend, QStringLiteral("count(Options/Legend)")), QStringLiteral("0"));
    load(withoutLegend);
    EXPECT_EQ(control<QComboBox>("CBLegendPosition")->currentIndex(), 1) << "à droite";
}

TEST_F(ChartView, TextsWithMarkupCharactersReadBackAsWritten) {
    place();
    load(QString());
    // Markup characters, a tab, and blanks that end the title.
    for (const QString& odd : {QStringLiteral("A & \"B\" <C>\td'e"), QStringLiteral("Ventes 2026  ")}) {
        control<QLineEdit>("EDTitle")->setText(odd);
        QLineEdit* series = control<QLineEdit>("EDSeriesTitle");
        series->setText(odd);
        series->textEdited(odd);
        const QString saved = chart.SaveChart();
        load(saved);
        EXPECT_EQ(control<QLineEdit>("EDTitle")->text(), odd);
        EXPECT_EQ(series->text(), odd);
        EXPECT_EQ(chart.Model().Series[0].Title, odd);
        EXPECT_EQ(chart.SaveChart(), saved);
    }
}

// A cut text whose title ends in a space and a control character: the
// control is left out when saving, and the space it uncovers must survive
// the next reading, or the chart changes each time it is saved.
TEST_F(ChartView, ACutTitleEndingInAControlCharacterDoesNotDrift) {
    place();
    const QByteArray cut = QByteArray::fromBase64(
        "PEN1YmVDaGFydCBERGlyZWN0aW9uPSIyRCIgVmlldzNEPSJZIiBab29tPSI5MCIgUm90YXRpb249IjMyMzM1Ij48VGl0bGU+"
        "TW9udGFudCBlMCIgAQAAAA==");
    load(QString::fromUtf8(cut));
    const QString saved = chart.SaveChart();
    load(saved);
    EXPECT_EQ(control<QLineEdit>("EDTitle")->text(), QStringLiteral("Montant e0\" "));
    EXPECT_EQ(chart.SaveChart(), saved);
}

TEST_F(ChartView, DefaultsFillWhatTheTextLeavesOut) {
    place();
    for (const QString& text : {QStringLiteral("<Other/>"), QStringLiteral("<CubeChart/>")}) {
        load(text);
        EXPECT_EQ(chart.SeriesCount(), 0) << "no series is added to a text that is not empty";
        const QString xml = chart.SaveChart();
        EXPECT_EQ(attribute(xml, QStringLiteral("@Direction")), QStringLiteral("ROWS"));
        EXPECT_EQ(attribute(xml, QStringLiteral("@View3D")), QStringLiteral("N"));
        EXPECT_EQ(attribute(xml, QStringLiteral("Title/Font/@Name")), QStringLiteral("Arial"));
        EXPECT_EQ(attribute(xml, QStringLiteral("Title/Font/@Bold")), QStringLiteral("True"));
        EXPECT_EQ(attribute(xml, QStringLiteral("Title/Font/@Color")), QStringLiteral("800000"));
        EXPECT_EQ(attribute(xml, QStringLiteral("Options/LeftWall/@Color")), QStringLiteral("#80FFFF"));
        EXPECT_EQ(chart.Zoom3D, 100);
        EXPECT_EQ(chart.Rotation3D, 300);
        EXPECT_EQ(chart.Elevation3D, 300);
        EXPECT_FALSE(control<QToolButton>("BTRemoveSeries")->isEnabled());
        EXPECT_FALSE(control<QWidget>("TSOptions")->isEnabled()) << "no series selected";
        EXPECT_TRUE(control<QListWidget>("LBSeries")->isEnabled());
    }
    // A text the document parser refuses (a control character inside a tag) is the default chart.
    const QString refused = QStringLiteral("<CubeChart Direction=\"COLS\"><Charts><Chart Value=\"Prix\" Regro") +
                            QChar(1) + QChar(0) + QChar(0) + QChar(0) +
                            QStringLiteral("Inconnu\"><Aspect Type=\"NONE\"/></Chart></Charts></CubeChart>");
    ASSERT_NO_THROW(load(refused));
    EXPECT_EQ(chart.SeriesCount(), 0);
    EXPECT_EQ(attribute(chart.SaveChart(), QStringLiteral("@Direction")), QStringLiteral("ROWS"));
    // A series naming nothing of the cube shows the first value with its operator.
    load(chartXml(QStringLiteral("ROWS"), {QStringLiteral("<Chart Value=\"Inconnu\"/>")}));
    EXPECT_EQ(control<QComboBox>("CBValue")->currentText(), QStringLiteral("Montant"));
    EXPECT_EQ(control<QComboBox>("CBRegroup")->currentText(), QStringLiteral("Somme"));
    EXPECT_EQ(control<QLineEdit>("EDSeriesTitle")->text(), QStringLiteral("Montant (Somme)"));
    // Colours: the characters "#$&xX" are ignored, anything else keeps the default.
    const std::pair<const char*, int32_t> colours[] = {
        {"#00FF00", 0x00FF00}, {"$0000FF", 0x0000FF}, {"&HFF", 0xFF0000}, {"0x12", 0x12}, {"#GG", 0xFF0000}, {"", 0xFF0000}};
    for (const auto& [text, value] : colours) {
        int32_t c = 0xFF0000;
        PCChartColorFromText(QString::fromLatin1(text), c);
        EXPECT_EQ(c, text == std::string("&HFF") ? 0xFF0000 : value) << text;
    }
}

TEST_F(ChartView, StackedSeriesGiveOneDrawingSeriesPerOtherMember) {
    pivot.SetCubeData(*GridTestCube(3));
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    pivot.AddDimension(pivot.RowDimensions(), 1);   // Ville: 4 members
    pivot.AddDimension(pivot.ColDimensions(), 0);   // Région: 3 members
    load(chartXml(QStringLiteral("ROWS_S"), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme")),
                                             seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme")),
                                             seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))}));
    const auto& series = chart.Model().Series;
    ASSERT_EQ(series.size(), 9u);
    for (size_t i = 0; i < series.size(); ++i) {
        EXPECT_EQ(series[i].Points.size(), 4u);
        const double step = std::fmod(hueOf(series[i].Color) - hueOf(QColor(0, 0, 255)) + 1, 1.0);
        EXPECT_NEAR(step, (i % 3) * 0.06, 0.005) << i;
    }
    EXPECT_EQ(series[1].Title, QStringLiteral("Montant (m2)"));
    EXPECT_FALSE(control<QComboBox>("CBRegroup")->isEnabled()) << "no operator choice when stacked";
    // Ville m1 under Région m2: two months, 10 × 2 + 1 and 10 × 2 + 2.
    EXPECT_DOUBLE_EQ(series[1].Points[0].Value, 43);
    EXPECT_EQ(series[1].Points[0].Label, QStringLiteral("m1"));
}

TEST_F(ChartView, TheTridimensionalDirectionSpacesItsRows) {
    place(5);
    load(chartXml(QStringLiteral("2D"), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))}));
    const ChartModel& model = chart.Model();
    ASSERT_EQ(model.Series.size(), 9u) << "5 rows and 4 spacers";
    EXPECT_EQ(model.View.DepthPercent, 41);
    EXPECT_EQ(model.Series[1].Title, QStringLiteral(" "));
    EXPECT_TRUE(model.Series[1].Points.empty());
    EXPECT_EQ(model.Series[2].Title, QStringLiteral("m2"));
    EXPECT_NEAR(std::fmod(hueOf(model.Series[2].Color) - hueOf(QColor(0, 0, 255)) + 1, 1.0), 0.11, 0.005);
    EXPECT_FALSE(model.View.Orthogonal);
    EXPECT_TRUE(model.Axis(ChartAxisKind::Depth).Visible);
    EXPECT_EQ(model.Axis(ChartAxisKind::Depth).Title.Caption, QStringLiteral("Région"));
    EXPECT_EQ(model.Axis(ChartAxisKind::Bottom).Title.Caption, QStringLiteral("Mois"));
    EXPECT_TRUE(control<QComboBox>("CBType2D")->isVisibleTo(&chart));
    EXPECT_FALSE(control<QComboBox>("CBType")->isVisibleTo(&chart));
    EXPECT_FALSE(control<QCheckBox>("CBView3D")->isEnabled());
    const QString xml = chart.SaveChart();
    EXPECT_EQ(attribute(xml, QStringLiteral("@Rotation")), QStringLiteral("300")) << "3D settings written";
    snapshot("chart-view-3d");
}

TEST_F(ChartView, NoDimensionGivesOnePointWithAnEmptyLabel) {
    pivot.SetCubeData(*GridTestCube(3));
    pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
    load(chartXml(QStringLiteral("ROWS"), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme")),
                                           seriesXml(QStringLiteral("Montant"), QStringLiteral("Maximum"))}));
    ASSERT_EQ(chart.Model().Series.size(), 2u);
    for (const ChartSeries& s : chart.Model().Series) {
        ASSERT_EQ(s.Points.size(), 1u);
        EXPECT_TRUE(s.Points[0].Label.isEmpty());
    }
    // The whole cube's one cell, whatever operator combines that single result.
    for (const ChartSeries& s : chart.Model().Series)
        EXPECT_DOUBLE_EQ(s.Points[0].Value, 4 * (21 + 22 + 31 + 32 + 11 + 12));
}

// Every path's points against the cells of the test cube (value 10 × region +
// month on each of 4 cities), for every operator given to the value.
TEST_F(ChartView, PointsEqualTheCellsTheyStandFor) {
    struct Case {
        const char* op;
        double (*cell)(int region, int month);   // month 0: both months
    };
    const Case cases[] = {
        {"Somme", [](int r, int m) { return m ? 4.0 * (10 * r + m) : 4.0 * (20 * r + 3); }},
        {"Moyenne", [](int r, int m) { return m ? 10.0 * r + m : 10.0 * r + 1.5; }},
        {"Nombre", [](int, int m) { return m ? 4.0 : 8.0; }},
        {"Maximum", [](int r, int m) { return m ? 10.0 * r + m : 10.0 * r + 2; }},
        {"Minimum", [](int r, int m) { return m ? 10.0 * r + m : 10.0 * r + 1; }},
        {"Etendue", [](int, int m) { return m ? 0.0 : 1.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        const QString op = QString::fromLatin1(c.op);
        {   // Simple: regions on rows alone.
            TPivotCube simple;
            auto data = GridTestCube(3);
            data->Values()[0]->SetGroupOperatorName(op);
            simple.SetCubeData(*data);
            simple.ValueColumns().Add()->AssignFrom(*simple.CubeData().Values()[0]);
            simple.AddDimension(simple.RowDimensions(), 0);
            chart.LoadChart(&simple, chartXml(QStringLiteral("ROWS"), {seriesXml(QStringLiteral("Montant"), op)}));
            chart.RebuildNow();
            ASSERT_EQ(chart.Model().Series.size(), 1u);
            for (int r = 1; r <= 3; ++r) EXPECT_DOUBLE_EQ(chart.Model().Series[0].Points[size_t(r - 1)].Value, c.cell(r, 0));
        }
        pivot.SetCubeData(*GridTestCube(3));
        pivot.CubeData().Values()[0]->SetGroupOperatorName(op);
        pivot.ClearDimensions();
        pivot.ValueColumns().Clear();
        pivot.ValueColumns().Add()->AssignFrom(*pivot.CubeData().Values()[0]);
        pivot.AddDimension(pivot.RowDimensions(), 0);
        pivot.AddDimension(pivot.ColDimensions(), 2);
        load(chartXml(QStringLiteral("2D"), {seriesXml(QStringLiteral("Montant"), op)}));
        for (int r = 1; r <= 3; ++r)
            for (int m = 1; m <= 2; ++m)
                EXPECT_DOUBLE_EQ(chart.Model().Series[size_t(2 * (r - 1))].Points[size_t(m - 1)].Value, c.cell(r, m))
                    << "tridimensional " << r << "/" << m;
        load(chartXml(QStringLiteral("COLS_S"), {seriesXml(QStringLiteral("Montant"), op)}));
        ASSERT_EQ(chart.Model().Series.size(), 3u) << "one per region, points per month";
        for (int r = 1; r <= 3; ++r)
            for (int m = 1; m <= 2; ++m)
                EXPECT_DOUBLE_EQ(chart.Model().Series[size_t(r - 1)].Points[size_t(m - 1)].Value, c.cell(r, m))
                    << "stacked " << r << "/" << m;
    }
}

TEST_F(ChartView, SmallValuesKeepTheirPrecision) {
    place(3);
    TPivotCubeFormula* ratio = pivot.Formulas().Add();
    ratio->SetCaption(QStringLiteral("Ratio"));
    ratio->SetFormula(QStringLiteral("Somme(\"Montant\")/10000"));
    load(chartXml(QStringLiteral("2D"), {seriesXml(QStringLiteral("Ratio"), QString())}));
    ASSERT_FALSE(chart.Model().Series.empty());
    EXPECT_DOUBLE_EQ(chart.Model().Series[0].Points[0].Value, 4 * 11 / 10000.0) << "not rounded to two decimals";
    EXPECT_FALSE(control<QComboBox>("CBRegroup")->isEnabled()) << "a formula has no operator";
}

TEST_F(ChartView, ATableWithoutItsCellsSkipsTheSeriesAndSaysWhy) {
    place(3);
    pivot.ValueColumns().Clear();   // the export then has no data cell at all
    QStringList messages;
    QObject::connect(&chart, &TPCChart::StatusMessage, [&](const QString& m) { messages.append(m); });
    for (const char* direction : {"2D", "ROWS_S"}) {
        messages.clear();
        load(chartXml(QString::fromLatin1(direction), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))}));
        EXPECT_TRUE(chart.Model().Series.empty()) << direction;
        ASSERT_EQ(messages.size(), 1) << direction;
        EXPECT_TRUE(messages[0].contains(QStringLiteral("Montant"))) << messages[0].toStdString();
    }
}

TEST_F(ChartView, AFormulaThatCannotBeComputedLeavesTheOtherSeriesAlone) {
    place(3);
    TPivotCubeFormula* broken = pivot.Formulas().Add();
    broken->SetCaption(QStringLiteral("Cassée"));
    broken->SetFormula(QStringLiteral("Somme(("));
    const struct {
        const char* direction;
        size_t series;
    } cases[] = {{"ROWS", 2}, {"ROWS_S", 4}, {"2D", 5}};
    for (const auto& c : cases) {
        load(chartXml(QString::fromLatin1(c.direction), {seriesXml(QStringLiteral("Cassée"), QString()),
                                                         seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))}));
        const auto& series = chart.Model().Series;
        ASSERT_EQ(series.size(), c.series) << c.direction;
        if (std::string(c.direction) != "2D") {
            EXPECT_DOUBLE_EQ(series.back().Points[0].Value, c.direction == std::string("ROWS") ? 4 * (11 + 12) : 4 * 12)
                << c.direction << ": the other series is drawn";
        }
    }
}

TEST_F(ChartView, TheRightAxisHasItsOwnSettings) {
    place();
    load(chartXml(QStringLiteral("ROWS"),
                  {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme")),
                   seriesXml(QStringLiteral("Montant"), QStringLiteral("Maximum"), QStringLiteral("LINE"),
                             QStringLiteral("#00FF00"), QStringLiteral("<Axis Position=\"right\"/>"))},
                  QStringLiteral("<Axis><LeftAxis Increment=\"50\" Rotation=\"0\"/>"
                                 "<RightAxis Increment=\"5\" Rotation=\"-45\"/></Axis>")));
    const ChartModel& model = chart.Model();
    EXPECT_DOUBLE_EQ(model.Axis(ChartAxisKind::Left).Increment, 50);
    EXPECT_DOUBLE_EQ(model.Axis(ChartAxisKind::Right).Increment, 5);
    EXPECT_EQ(model.Axis(ChartAxisKind::Right).LabelAngle, -45);
    EXPECT_EQ(model.Axis(ChartAxisKind::Left).Title.Caption, QStringLiteral("Somme"));
    EXPECT_EQ(model.Axis(ChartAxisKind::Right).Title.Caption, QStringLiteral("Maximum"));
    EXPECT_EQ(model.Series[1].VerticalAxis, ChartVerticalAxis::Right);
    snapshot("chart-view-right-axis");
}

TEST_F(ChartView, DraggingStaysWithinItsLimits) {
    struct Case {
        int dx, dy;
        bool shift, walls, orthogonal;
        int rotation, elevation, zoom;
    };
    const Case cases[] = {
        {-500, 0, false, true, false, 270, 300, 100},  {500, 500, false, true, false, 360, 360, 100},
        {50, -500, false, false, false, 300, 270, 100}, {0, 1000, true, true, false, 300, 300, 200},
        {0, -1000, true, true, false, 300, 300, 30},    {0, 1000, true, true, true, 300, 300, 100},
        {0, 10, true, true, false, 300, 300, 110},
    };
    for (const Case& c : cases) {
        ChartView3D view;
        view.Rotation = view.Elevation = 300;
        view.Zoom = 100;
        view.Walls3D = c.walls;
        view.Orthogonal = c.orthogonal;
        TPCChartCanvas::Drag3D(view, c.dx, c.dy, c.shift);
        EXPECT_EQ(view.Rotation, c.rotation) << c.dx << "," << c.dy;
        EXPECT_EQ(view.Elevation, c.elevation) << c.dx << "," << c.dy;
        EXPECT_EQ(view.Zoom, c.zoom) << c.dx << "," << c.dy;
    }
    // A drag with the mouse turns the tridimensional chart and the saved text keeps it.
    place(3);
    load(chartXml(QStringLiteral("2D"), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))}));
    chart.show();
    QWidget* canvas = control<QWidget>("Chart");
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(130, 80), canvas->mapToGlobal(QPointF(130, 80)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(130, 80));
    EXPECT_EQ(chart.Model().View.Rotation, 330);
    EXPECT_EQ(chart.Model().View.Elevation, 320);
    EXPECT_EQ(attribute(chart.SaveChart(), QStringLiteral("@Elevation")), QStringLiteral("320"));
}

// Picks entry index of a combo box as a user does: open it, then the keyboard.
void choose(QComboBox* combo, int index) {
    combo->setFocus();
    while (combo->currentIndex() < index) QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > index) QTest::keyClick(combo, Qt::Key_Up);
}

TEST_F(ChartView, TheSeriesListButtonsAndTheEditorRules) {
    place();
    chart.SetChartDesignMode(true);
    load(QString());
    chart.show();
    auto* add = control<QToolButton>("BTAddSeries");
    auto* remove = control<QToolButton>("BTRemoveSeries");
    auto* up = control<QToolButton>("BTSeriesUp");
    auto* down = control<QToolButton>("BTSeriesDown");
    auto* list = control<QListWidget>("LBSeries");
    EXPECT_FALSE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_EQ(chart.SeriesCount(), 3);
    EXPECT_EQ(list->currentRow(), 2) << "the added series is selected";
    EXPECT_FALSE(down->isEnabled());
    EXPECT_TRUE(up->isEnabled());

    // Edits go into the selected series only.
    auto* type = control<QComboBox>("CBType");
    choose(type, ctPie);
    EXPECT_TRUE(control<QComboBox>("CBPieStyle")->isVisibleTo(&chart));
    EXPECT_FALSE(control<QComboBox>("CBBarStyle")->isVisibleTo(&chart));
    choose(type, ctArea);
    for (const char* style : {"CBBarStyle", "CBLineStyle", "CBPieStyle"})
        EXPECT_FALSE(control<QComboBox>(style)->isVisibleTo(&chart)) << style;
    choose(type, ctLine);
    EXPECT_TRUE(control<QComboBox>("CBLineStyle")->isVisibleTo(&chart));
    auto* regroup = control<QComboBox>("CBRegroup");
    choose(regroup, 3);
    regroup->activated(3);
    EXPECT_EQ(chart.SeriesText(2), QStringLiteral("Montant (Maximum)")) << "the list entry follows the operator";
    EXPECT_EQ(control<QLineEdit>("EDSeriesTitle")->text(), QStringLiteral("Montant (Maximum)"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(chart.SeriesText(1), QStringLiteral("Montant (Maximum)"));
    EXPECT_EQ(type->currentIndex(), ctLine) << "the moved series stays in the editor";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(type->currentIndex(), ctHistogram);

    // Saving passes every series through the editor and leaves it on the selected one.
    list->setCurrentRow(1);
    const QString xml = chart.SaveChart();
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart[2]/Aspect/@Type")), QStringLiteral("LINE"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Charts/Chart[2]/@Regroup")), QStringLiteral("Maximum"));
    EXPECT_EQ(type->currentIndex(), ctLine);
    QTest::keyClick(control<QLineEdit>("EDSeriesTitle"), Qt::Key_End);
    QTest::keyClicks(control<QLineEdit>("EDSeriesTitle"), QStringLiteral("!"));
    EXPECT_EQ(attribute(chart.SaveChart(), QStringLiteral("Charts/Chart[2]/@Title")), QStringLiteral("Montant (Maximum)!"));

    // Labels, the second background colour.
    EXPECT_FALSE(control<QComboBox>("CBMarksStyle")->isEnabled());
    control<QCheckBox>("CBMarks")->click();
    EXPECT_TRUE(control<QComboBox>("CBMarksStyle")->isEnabled());
    EXPECT_FALSE(control<QWidget>("BTBackColor2")->isEnabled());
    choose(control<QComboBox>("CBBackStyle"), 2);
    EXPECT_TRUE(control<QWidget>("BTBackColor2")->isEnabled());

    // Stacked: no operator to choose.
    choose(control<QComboBox>("CBDirection"), cdRowsStacked);
    EXPECT_FALSE(regroup->isEnabled());

    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(chart.SeriesCount(), 2);
    chart.RebuildNow();
    snapshot("chart-view-editor");
    auto* pages = control<QTabWidget>("PCOptions");
    pages->setCurrentIndex(1);
    snapshot("chart-view-options");
    pages->setCurrentIndex(2);
    snapshot("chart-view-axes");
}

TEST_F(ChartView, APieHidesItsAxesAndLabelsItsShares) {
    place(3, false);
    const struct {
        const char* style;
        ChartMarksStyle marks;
    } cases[] = {{"AUTO", ChartMarksStyle::LabelPercent},
                 {"VALUE", ChartMarksStyle::LabelValue},
                 {"LABELX", ChartMarksStyle::Label},
                 {"LABELY", ChartMarksStyle::XValue}};
    for (const auto& c : cases) {
        load(chartXml(QStringLiteral("ROWS"),
                      {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"), QStringLiteral("PIE"),
                                 QStringLiteral("#FF0000"),
                                 QStringLiteral("<Style Value=\"DOTS\"/><Marks Visible=\"Y\" Style=\"%1\"/>")
                                     .arg(QLatin1String(c.style)))}));
        const ChartModel& model = chart.Model();
        ASSERT_EQ(model.Series.size(), 1u);
        EXPECT_EQ(model.Series[0].Type, ChartSeriesType::Pie);
        EXPECT_EQ(model.Series[0].PieFrame, ChartPieFrame::Dotted);
        EXPECT_EQ(model.Series[0].Marks.Style, c.marks) << c.style;
        EXPECT_TRUE(model.Series[0].Marks.Visible);
        EXPECT_FALSE(model.Axis(ChartAxisKind::Left).Visible);
        EXPECT_FALSE(model.Axis(ChartAxisKind::Bottom).Visible);
        EXPECT_FALSE(model.View.Walls3D);
        EXPECT_FALSE(model.View.Orthogonal);
        EXPECT_FALSE(model.AllowZoom);
        EXPECT_EQ(model.Panning, ChartPanning::None);
    }
    EXPECT_FALSE(attribute(chart.SaveChart(), QStringLiteral("@Zoom")).isEmpty()) << "a pie keeps its 3D settings";
    snapshot("chart-view-pie");
}

TEST_F(ChartView, PrintingCopyingAndTheTitleFont) {
    place();
    load(chartXml(QStringLiteral("ROWS"), {seriesXml(QStringLiteral("Montant"), QStringLiteral("Somme"))},
                  QStringLiteral("<Title>Ventes</Title>")));
    EXPECT_EQ(chart.Model().Title.Text, QStringLiteral("Ventes"));
    EXPECT_TRUE(chart.Model().Title.Visible);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    chart.ChoosePrinter = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    QTest::mouseClick(control<QToolButton>("BTPrint"), Qt::LeftButton);
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(printed.readAll().startsWith("%PDF"));

    chart.CopyChart();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->data(QStringLiteral("image/svg+xml")).contains("<svg"));
    EXPECT_TRUE(copied->hasImage());

    chart.ChooseFont = [](QFont& font) {
        font.setFamily(QStringLiteral("Serif"));
        font.setPointSize(18);
        font.setBold(false);
        font.setItalic(true);
        return true;
    };
    QTest::mouseClick(control<QToolButton>("BTFont"), Qt::LeftButton);
    EXPECT_EQ(chart.Model().Title.Font.pointSize(), 18);
    const QString xml = chart.SaveChart();
    EXPECT_EQ(attribute(xml, QStringLiteral("Title/Font/@Size")), QStringLiteral("18"));
    EXPECT_EQ(attribute(xml, QStringLiteral("Title/Font/@Italic")), QStringLiteral("True"));
    EXPECT_EQ(attribute(xml, QStringLiteral("count(Title/Font/@Bold)")), QStringLiteral("0"));

    control<QLineEdit>("EDTitle")->clear();
    chart.RebuildNow();
    EXPECT_FALSE(chart.Model().Title.Visible) << "an empty title is hidden";
}

TEST_F(ChartView, DesignModeShowsOrHidesTheEditor) {
    place();
    load(QString());
    chart.show();
    EXPECT_TRUE(control<QWidget>("PNOptions")->isVisible());
    chart.SetChartDesignMode(false);
    EXPECT_FALSE(control<QWidget>("PNOptions")->isVisible());
    EXPECT_FALSE(control<QWidget>("PNTop")->isVisible());
    EXPECT_TRUE(control<QWidget>("Chart")->isVisible());
    chart.SetChartDesignMode(true);
    EXPECT_TRUE(control<QWidget>("PNOptions")->isVisible());
    EXPECT_EQ(control<QWidget>("PNTop")->height(), 29);
    // Smoothing only while shown.
    chart.SetSmoothing(true);
    EXPECT_TRUE(chart.Model().AntiAlias);
    chart.hide();
    EXPECT_FALSE(chart.Model().AntiAlias);
    chart.show();
    EXPECT_TRUE(chart.Model().AntiAlias);
    chart.SetSmoothing(false);
    EXPECT_FALSE(chart.Model().AntiAlias);
}

}   // namespace
