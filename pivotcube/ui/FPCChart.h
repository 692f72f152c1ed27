#pragma once
// The chart view: draws a business chart from the pivot's current data and
// edits its settings. One XML text (root CubeChart) describes a chart; the
// view turns it into editor settings (a top bar with the title, an options
// panel with the pages "Séries", "Options" and "Axes"), rebuilds the drawing
// from the pivot whenever a setting changes and writes the settings back as
// XML on request. The same view is reused for every chart of a window.

#include "UChartModel.h"
#include "UMultiLang.h"

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPrinter;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class TPCChartCanvas;
class TPCColorButton;
class TPivotCube;
class TPivotCubeNode;
struct TPCChartSeriesSettings;
class THierarchicalWriter;
class TXMLDOMDocument;
class TXMLDOMElement;

class TPCChart : public QWidget, private ILanguageListener {
    Q_OBJECT
public:
    explicit TPCChart(QWidget* parent = nullptr);
    ~TPCChart() override;

    // On: the top bar and the options panel are shown beside the drawing.
    void SetChartDesignMode(bool on);
    bool ChartDesignMode() const { return FDesignMode; }
    // Anti-aliased drawing while on and the view is visible.
    void SetSmoothing(bool on);
    bool Smoothing() const { return FSmoothing; }
    // Shows the chart that text describes over pivot's current layout; an
    // empty text is a new chart with one series made from the template.
    void LoadChart(TPivotCube* pivot, const QString& text);
    // The settings as compact chart XML; the editor stays on the selected series.
    QString SaveChart();

    // Runs a scheduled rebuild at once (printing, copying, saving, tests).
    void RebuildNow();
    bool RebuildPending() const;
    const ChartModel& Model() const { return FModel; }
    TPivotCube* Pivot() const { return FPivot; }
    int SeriesCount() const { return int(FSeries.size()); }
    QString SeriesText(int index) const;
    // The selected series, −1 when none.
    int SelectedSeries() const;

    // Prints the chart on printer's page at the print ratios of the settings.
    void PrintChart(QPrinter& printer);
    // The chart on the clipboard as SVG and as a picture.
    void CopyChart();

    // How the view asks for the title font and for a printer; tests replace them.
    std::function<bool(QFont& font)> ChooseFont;
    std::function<bool(QPrinter& printer)> ChoosePrinter;

    // While above zero, editor changes neither store into the series nor rebuild.
    int UpdateLock = 0;
    // Applied in the tridimensional direction only; read from the chart XML.
    int Zoom3D = 100, Rotation3D = 300, Elevation3D = 300;
    QString DefaultSeriesCaption;

signals:
    // A rebuild had to leave a series out: why, for the status bar.
    void StatusMessage(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct SeriesEntry {
        QString Text;
        std::unique_ptr<TXMLDOMDocument> Document;   // root element holding one Chart element
    };
    struct AxisControls {
        QCheckBox* Visible = nullptr;
        QCheckBox* ShowTitle = nullptr;
        QDoubleSpinBox* Increment = nullptr;   // none for the depth axis
        QSpinBox* Rotation = nullptr;
    };
    struct WallControls {
        QCheckBox* Visible = nullptr;
        TPCColorButton* Color = nullptr;
    };

    // Building the controls (FPCChartControls.cpp).
    void buildControls();
    QWidget* buildSeriesPage();
    QWidget* buildOptionsPage();
    QWidget* buildAxesPage();
    void connectEditor();
    void LanguageChanged() override { retranslate(); }
    void retranslate();

    // Reading and writing the chart XML (FPCChartXML.cpp).
    void readChart(const QString& text);
    void loadSeriesIntoEditor(const TXMLDOMElement* chart);
    void writeSeriesFromEditor(THierarchicalWriter* parent) const;
    std::unique_ptr<TXMLDOMDocument> seriesDocumentFromEditor() const;
    void storeEditorIntoSelected();
    void clearSeries();
    void addSeries(const QString& text, std::unique_ptr<TXMLDOMDocument> document);
    static const TXMLDOMElement* chartOf(const SeriesEntry& entry);

    // The editor's rules (FPCChart.cpp).
    void applyDirectionRule();
    void applyTypeRule();
    void applySeriesListRule();
    void editorChanged();
    void valueOrOperatorChanged();
    void selectSeries(int index);
    void refreshSeriesRow(int index);
    void addSeriesClick();
    void removeSeriesClick();
    void moveSeriesClick(int delta);
    void fillValueCombo();
    void fillOperatorCombo();
    void selectDefaultOperatorOfValue();
    bool valueIsFormula() const;
    int direction() const;
    bool tridimensional() const { return direction() == 4; }
    bool stacked() const { return direction() == 1 || direction() == 3; }
    int seriesType() const;
    QComboBox* shownStyleCombo() const;
    void scheduleRebuild();
    void chooseTitleFont();
    void printClick();
    void canvasDragged();
    void applyAntiAlias();

    // The rebuild (FPCChartBuild.cpp).
    void rebuild();
    void rebuildTridimensional();
    void rebuildSeries();
    void rebuildOneSeries(const TPCChartSeriesSettings& s, TPivotCubeNode* category, TPivotCubeNode* other,
                          QStringList& problems);
    void finishSeriesPath(TPivotCubeNode* category, TPivotCubeNode* other, const QString& leftNames,
                          const QString& rightNames);
    void applyCommonSettings();
    // The value name a series' Value stands for (a formula's expression).
    QString valueExpression(const QString& value) const;
    // Cells of the first-level table of value, −9999 for non-numbers; false
    // (and why in problem) when it does not hold rows × columns cells.
    bool tableCells(const QString& value, int rows, int columns, std::vector<double>& cells, QString& problem);

    TPivotCube* FPivot = nullptr;
    int FPivotGone = 0;
    std::unique_ptr<TXMLDOMDocument> FSeriesTemplate;
    std::vector<SeriesEntry> FSeries;
    bool FDesignMode = true;
    bool FSmoothing = true;
    QFont FTitleFont;
    int32_t FTitleColor = 0x800000;
    ChartModel FModel;
    QTimer* FRebuildTimer = nullptr;

    // Top bar.
    QWidget* PNTop = nullptr;
    QLabel* LBTitle = nullptr;
    QLineEdit* EDTitle = nullptr;
    QToolButton* BTFont = nullptr;
    QToolButton* BTPrint = nullptr;
    QSplitter* SPOptions = nullptr;
    TPCChartCanvas* Chart = nullptr;
    QWidget* PNOptions = nullptr;
    QComboBox* CBDirection = nullptr;
    QCheckBox* CBView3D = nullptr;
    QTabWidget* PCOptions = nullptr;
    // Page "Séries".
    QToolButton* BTAddSeries = nullptr;
    QToolButton* BTRemoveSeries = nullptr;
    QToolButton* BTSeriesUp = nullptr;
    QToolButton* BTSeriesDown = nullptr;
    QListWidget* LBSeries = nullptr;
    QWidget* PNSeries = nullptr;
    QLineEdit* EDSeriesTitle = nullptr;
    QComboBox* CBValue = nullptr;
    QLabel* LBRegroup = nullptr;
    QComboBox* CBRegroup = nullptr;
    QComboBox* CBType = nullptr;
    QComboBox* CBType2D = nullptr;
    TPCColorButton* BTColor = nullptr;
    QComboBox* CBBarStyle = nullptr;
    QComboBox* CBLineStyle = nullptr;
    QComboBox* CBPieStyle = nullptr;
    QLabel* LBStyle = nullptr;
    QCheckBox* CBMarks = nullptr;
    QComboBox* CBMarksStyle = nullptr;
    QComboBox* CBValueAxis = nullptr;
    // Page "Options".
    QWidget* TSOptions = nullptr;
    QCheckBox* CBLegend = nullptr;
    QComboBox* CBLegendPosition = nullptr;
    WallControls FLeftWall, FBottomWall, FBackWall;
    QComboBox* CBStacking = nullptr;
    QComboBox* CBBackStyle = nullptr;
    TPCColorButton* BTBackColor = nullptr;
    TPCColorButton* BTBackColor2 = nullptr;
    // Page "Axes".
    QWidget* TSAxes = nullptr;
    AxisControls FLeftAxis, FRightAxis, FBottomAxis, FDepthAxis;
    // Texts retranslated on a language change: each label with its French source.
    std::vector<std::pair<QWidget*, QString>> FTexts;
};
