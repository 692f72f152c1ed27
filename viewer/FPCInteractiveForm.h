#pragma once
// The viewer's main window: a document's saved views in a tree on the left,
// the selected view in the pivot grid on the right, with its value bar, axis
// bars and corner toolbar; the menus and actions of every user command
// (documents, raw cubes, table exports, the views tree, display options,
// design mode, formulas, language). A run shows one document until the
// window closes.

#include "CPivotCube.h"
#include "UMultiLang.h"
#include "UPivotCubeInteractive.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TPCChart;
class TPivotCubeActiveValues;
class TPivotCubeColumns;
class TPivotCubeGrid;
class TPivotCubeRows;

class TPCInteractiveForm : public QMainWindow, private ILanguageListener {
    Q_OBJECT
public:
    // Added to a tree node's image index while it is the default display.
    static constexpr int DefaultMarkOffset = 21;

    explicit TPCInteractiveForm(QWidget* parent = nullptr);
    ~TPCInteractiveForm() override;

    // Read by the version check: set by the start-up from the settings.
    bool WebCheckEnabled = false;

    // --- Runs ---------------------------------------------------------------
    // Shows a copy of document over cubeData until the window closes, then
    // copies the edited document back; true when it closed normally.
    bool ExecuteInteractive(TPCInteractive& document, const TPivotCubeData& cubeData, const QString& caption,
                            bool designMode);
    // Opens a document file (or a raw cube) and shows it until the window closes.
    bool ExecuteFile(const QString& fileName);
    // The two halves of a run around the modal loop (tests drive the window in between).
    void BeginInteractive(const TPCInteractive& document, const TPivotCubeData& cubeData, const QString& caption,
                          bool designMode);
    void BeginFile(const QString& fileName);
    // Stores the current view and the formulas into the document; copies it
    // into copyBack when given.
    void EndRun(TPCInteractive* copyBack = nullptr);

    // --- State --------------------------------------------------------------
    TPCInteractive& Document() { return *FDocument; }
    TPCInteractiveView* CurrentView() const { return FCurrentView; }
    TPivotCube& Pivot();
    TPivotCubeGrid* Grid() const { return FGrid; }
    QTreeWidget* ViewsTree() const { return FTree; }
    QAction* Action(const QString& objectName) const;
    bool DesignMode() const { return FDesignMode; }
    void SetDesignMode(bool on);

    // --- Document and views -------------------------------------------------
    void InitFromDocument();
    void RebuildTree();
    // What the tree's selection now names: actions, the current view, captions.
    void SelectionChanged();
    QString BuildViewState();
    // False (the previous display kept, the error shown) for a text that is not well-formed XML.
    bool ApplyViewState(const QString& text);
    void StoreCurrentView();
    // The node that a "view" or "view/chart" path names, from a first sibling;
    // captions compared without regard to case.
    QTreeWidgetItem* FindNodeByPath(const QString& path, QTreeWidgetItem* first) const;

    // --- Charts of the views (FPCInteractiveFormCharts.cpp) -----------------
    TPCChart* ChartView() const { return FChart; }
    // The chart the chart view shows, none while the pivot is shown.
    TPCInteractiveViewGraph* CurrentGraph() const { return FCurrentGraph; }
    // The shown chart's settings into its place in the document.
    void StoreCurrentGraph();
    // A new chart of the current view, a copy of the shown chart when one is shown.
    void AddGraph(const QString& name);
    // A chart node dropped on a view or chart node: copied there (copy) from
    // its last stored settings, else moved to the end of that view's charts.
    bool DropChartNode(QTreeWidgetItem* dragged, QTreeWidgetItem* target, bool copy);
    void SetChartSmoothing(bool on);

    // --- Commands (the actions open their file dialogs, then call these) -----
    void ImportDocument(const QString& fileName);
    bool SaveDocumentTo(const QString& fileName);
    void ImportRawCube(const QString& fileName);
    // Asks how to read a CSV file, then shows the cube made from it as a raw cube opens.
    void ImportCsv(const QString& fileName);
    // A file named as CSV (.csv, .tsv, .txt) goes through the import dialog
    // when it is dropped on the window or given on the command line.
    static bool IsCsvFileName(const QString& fileName);
    bool ExportRegroupedData(const QString& fileName);
    bool ExportHTML(const QString& fileName);
    bool ExportXML(const QString& fileName);
    bool ExportSpreadsheet(const QString& fileName);
    void AddView(const QString& name);
    void DeleteSelectedNode(bool ask = true);
    void MoveSelectedNode(int delta);
    void ToggleDefaultMark();
    void ChangeDecimalsBy(int delta);
    void EditFormulas();
    void UpdateActions();

    // How the window asks for file names; tests replace it.
    struct FileRequest {
        bool Save = false;
        QString DefaultSuffix, Filter;
    };
    std::function<QString(const FileRequest&)> ChooseFile;

    // Filled by the later parts of the program (about box, web site).
    std::function<void()> OnAbout, OnWebSite;
    // The version check, started after a document is shown while
    // WebCheckEnabled is set; OnCloseQuery runs when the window closes.
    std::function<void()> OnWebCheck, OnCloseQuery;

signals:
    void RunFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void LanguageChanged() override { retranslate(); }
    void retranslate();
    void createActions();
    void setRowBarWidth(int width);
    int rowBarWidth() const;
    void createMenus();
    void createLayout();
    void placeWindow();
    void updateCaption(const QString& shownName);
    void setTreeImage(QTreeWidgetItem* node, int index);
    int treeImage(const QTreeWidgetItem* node) const;
    // The view of a view node, or of a chart node's parent.
    TPCInteractiveView* viewOf(const QTreeWidgetItem* node) const;
    TPCInteractiveViewGraph* graphOf(const QTreeWidgetItem* node) const;
    void createChartActions();
    void createChartView();
    QTreeWidgetItem* addGraphNode(QTreeWidgetItem* viewNode, TPCInteractiveViewGraph* graph);
    // Makes graph the shown chart (none: the pivot); a chart whose settings are
    // not well-formed XML is refused with a message and the display kept.
    void showGraph(TPCInteractiveViewGraph* graph);
    bool acceptsChartDrop(const QTreeWidgetItem* dragged, const QTreeWidgetItem* target) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QTreeWidgetItem* selectedNode() const;
    void selectNode(QTreeWidgetItem* node);
    QString chooseFile(const FileRequest& request);
    void fitViewsPanel();
    void loadFormulas();
    void storeFormulas();
    void replaceDocument(std::unique_ptr<TPCInteractive> document);
    // Loads a document or raw cube file into the window; false (and an
    // empty document shown) when it cannot be read.
    bool openFile(const QString& fileName);
    bool writeExport(const QString& fileName, const QByteArray& bytes);
    void tickClock();

    std::unique_ptr<TPCInteractive> FDocument;
    TPCInteractiveView* FCurrentView = nullptr;
    TPCInteractiveViewGraph* FCurrentGraph = nullptr;
    TPCChart* FChart = nullptr;
    QWidget* FCubeArea = nullptr;
    int FTreeUpdateDepth = 0;
    bool FDesignMode = false;
    QString FCaptionName;
    bool FCaptionIsFile = false;

    TPivotCubeGrid* FGrid = nullptr;
    TPivotCubeActiveValues* FValues = nullptr;
    TPivotCubeColumns* FColumns = nullptr;
    TPivotCubeRows* FRows = nullptr;
    QTreeWidget* FTree = nullptr;
    QWidget* FViewsPanel = nullptr;
    QToolButton* FViewsHeader = nullptr;
    QToolBar* FDesignBar = nullptr;
    QWidget* FTop = nullptr;
    QWidget* FCorner = nullptr;
    QSplitter* FMainSplit = nullptr;
    QSplitter* FTopSplit = nullptr;
    QSplitter* FLeftSplit = nullptr;
    QLabel* FClock = nullptr;
    QLabel* FBrand = nullptr;
    QTimer* FClockTimer = nullptr;
    QMenu* FViewsMenu = nullptr;
    QMenu* FFormulasMenu = nullptr;
    QMenu* FTreeMenu = nullptr;
    QMenu* FExportMenu = nullptr;
    QMenu* FLanguageMenu = nullptr;
    std::map<QString, QAction*> FActions;
    int FPivotListener = 0;
};
