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
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "GridTestCube.h"

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

}   // namespace
