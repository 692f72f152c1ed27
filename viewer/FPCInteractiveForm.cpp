// The main window: its controls, actions and menus, placement, clock and closing.
#include "FPCInteractiveForm.h"

#include "CPivotCubeXlsxExport.h"
#include "FPCChart.h"
#include "FPivotCubeActiveValues.h"
#include "FPivotCubeDimension.h"
#include "FPivotCubeGrid.h"
#include "UIconSet.h"
#include "ULanguageMenu.h"
#include "UMultiLang.h"
#include "USettings.h"
#include "UStdMessageDlg.h"
#include "CWindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Every value of the window in the settings lives under this key.
const QString RegistryKey = QStringLiteral("Software\\Veltrano\\Lorvane");

// The source (French) caption of a translated control, kept to translate again.
const char* const SourceText = "lorvaneSource";

QIcon actionIcon(int index) {
    const QImage image = ActionImage(index);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

} // namespace

TPCInteractiveForm::TPCInteractiveForm(QWidget* parent) : QMainWindow(parent), FDocument(std::make_unique<TPCInteractive>()) {
    setObjectName(QStringLiteral("TPCInteractiveForm"));
    setAcceptDrops(true);
    createActions();
    createChartActions();
    createLayout();
    createChartView();
    createMenus();
    placeWindow();
    FPivotListener = Pivot().Subscribe([this] { UpdateActions(); });
    FClockTimer = new QTimer(this);
    FClockTimer->setInterval(1000);
    connect(FClockTimer, &QTimer::timeout, this, [this] { tickClock(); });
    updateCaption(QString());
    SetDesignMode(false);
    UpdateActions();
    // A language chosen in "Options > Langage" renames the menus and actions at once.
    RegisterLanguageListener(this);
}

TPCInteractiveForm::~TPCInteractiveForm() {
    UnregisterLanguageListener(this);
    Pivot().Unsubscribe(FPivotListener);
}

TPivotCube& TPCInteractiveForm::Pivot() { return FGrid->Engine(); }

QAction* TPCInteractiveForm::Action(const QString& objectName) const {
    const auto it = FActions.find(objectName);
    return it == FActions.end() ? nullptr : it->second;
}

// --- Actions ---------------------------------------------------------------

void TPCInteractiveForm::createActions() {
    struct ActionEntry {
        const char* Name;
        const char* Caption;
        int Image;
        std::function<void()> Run;
        QKeySequence Keys = {};
    };
    const ActionEntry entries[] = {
        {"ACLoadDravo", "Importer un Dravo...", 20,
         [this] {
             const QString f = chooseFile({false, QStringLiteral("Dravo"), QStringLiteral("Fichiers Dravo (*.Dravo)")});
             if (!f.isEmpty()) ImportDocument(f);
         },
         QKeySequence::Open},
        {"ACSaveDravo", "Exporter Dravo...", 2,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("Dravo"), QStringLiteral("Fichiers Dravo (*.Dravo)")});
             if (!f.isEmpty()) SaveDocumentTo(f);
         },
         QKeySequence::Save},
        {"ACExportMicroCubeData", "Exporter les données regroupées...", -1,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("htm"), QStringLiteral("Fichiers HTML (*.htm*)")});
             if (!f.isEmpty()) ExportRegroupedData(f);
         }},
        {"ACImportPivotCube", "Importer un PivotCube (brut)...", 19,
         [this] {
             const QString f = chooseFile({false, QStringLiteral("pvc"), QStringLiteral("PivotCube (*.pvc)")});
             if (!f.isEmpty()) ImportRawCube(f);
         }},
        {"ACImportCsv", "Importer un CSV...", -1,
         [this] {
             const QString f = chooseFile({false, QStringLiteral("csv"), QStringLiteral("Fichiers CSV (*.csv *.tsv *.txt)")});
             if (!f.isEmpty()) ImportCsv(f);
         }},
        {"ACExportXLS", "Export Excel...", 5,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("xls"), QStringLiteral("Fichiers Excel (*.xls)")});
             if (!f.isEmpty()) ExportSpreadsheet(f);
         }},
        {"ACExportXLSX", "Export Excel (.xlsx)...", 5,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("xlsx"), QStringLiteral("Classeurs Excel (*.xlsx)")});
             if (f.isEmpty()) return;
             try {
                 writeExport(f, ExportXlsx(Pivot()));
             } catch (const Exception& e) {
                 ShowError(QStringLiteral("!") + e.message());
             }
         }},
        {"ACExportHTML", "Export HTML...", 4,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("htm"), QStringLiteral("Fichiers HTML (*.htm*)")});
             if (!f.isEmpty()) ExportHTML(f);
         }},
        {"ACExportXML", "Export XML...", 3,
         [this] {
             const QString f = chooseFile({true, QStringLiteral("xml"), QStringLiteral("Fichiers XML (*.xml)")});
             if (!f.isEmpty()) ExportXML(f);
         }},
        {"ACAddView", "Ajouter une vue du cube...", 14,
         [this] {
             bool ok = false;
             const QString name = QInputDialog::getText(this, Translate(QStringLiteral("Ajout d'une vue standard")),
                                                        Translate(QStringLiteral("Nommez la nouvelle vue")),
                                                        QLineEdit::Normal, Translate(QStringLiteral("Nouvelle vue")), &ok);
             if (ok) AddView(name);
         }},
        {"ACTreeDelete", "Supprimer", 17, [this] { DeleteSelectedNode(); }},
        {"ACTreeUp", "Vers le haut", 16, [this] { MoveSelectedNode(-1); }},
        {"ACTreeDown", "Vers le bas", 15, [this] { MoveSelectedNode(+1); }},
        {"ACMarkDefault", "Marquer 'par défaut'", 23, [this] { ToggleDefaultMark(); }},
        {"ACHideEmptyAxis", "Masquer les noeuds vides", 26,
         [this] { Pivot().SetOptions(Pivot().Options() ^ pcoHideEmptyAxis); }},
        {"ACTranspose", "Transposer les axes", 28, [this] { Pivot().Transpose(); }},
        {"ACDesignMode", "Mode conception", -1, [this] { SetDesignMode(!FDesignMode); }},
        {"ACDecimalsMore", "Plus de décimales", 24, [this] { ChangeDecimalsBy(+1); }},
        {"ACDecimalsLess", "Moins de décimales", 25, [this] { ChangeDecimalsBy(-1); }},
    };
    for (const ActionEntry& entry : entries) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(entry.Name));
        action->setProperty(SourceText, QString::fromUtf8(entry.Caption));
        if (entry.Image >= 0) action->setIcon(actionIcon(entry.Image));
        if (!entry.Keys.isEmpty()) action->setShortcut(entry.Keys);
        connect(action, &QAction::triggered, this, entry.Run);
        FActions[action->objectName()] = action;
    }
    Action(QStringLiteral("ACDesignMode"))->setCheckable(true);
    Action(QStringLiteral("ACMarkDefault"))->setCheckable(true);
}

void TPCInteractiveForm::retranslate() {
    for (auto& [name, action] : FActions) {
        const QString caption = Translate(action->property(SourceText).toString());
        action->setText(caption);
        action->setToolTip(caption);   // the hint is the caption
        action->setStatusTip(caption);
    }
    const auto translateChildren = [](QObject* root) {
        for (QObject* o : root->findChildren<QObject*>()) {
            const QVariant source = o->property(SourceText);
            if (!source.isValid()) continue;
            if (auto* menu = qobject_cast<QMenu*>(o)) menu->setTitle(Translate(source.toString()));
            else if (auto* button = qobject_cast<QToolButton*>(o)) button->setText(Translate(source.toString()));
        }
    };
    translateChildren(this);
    if (FViewsHeader) FViewsHeader->setText(Translate(QStringLiteral("Vues")));
    updateCaption(FCaptionName);
    if (FGrid) UpdateActions();
}

// --- Layout ----------------------------------------------------------------

void TPCInteractiveForm::createLayout() {
    auto* central = new QWidget(this);
    auto* centralLayout = new QHBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    FMainSplit = new QSplitter(Qt::Horizontal, central);
    FMainSplit->setObjectName(QStringLiteral("SPViews"));
    centralLayout->addWidget(FMainSplit);

    // The views panel: a header that collapses it, the design toolbar, the tree.
    FViewsPanel = new QWidget(FMainSplit);
    FViewsPanel->setObjectName(QStringLiteral("CPViews"));
    auto* panelLayout = new QVBoxLayout(FViewsPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    FViewsHeader = new QToolButton(FViewsPanel);
    FViewsHeader->setObjectName(QStringLiteral("CPViewsHeader"));
    FViewsHeader->setCheckable(true);
    FViewsHeader->setChecked(true);
    FViewsHeader->setArrowType(Qt::DownArrow);
    FViewsHeader->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FViewsHeader->setAutoRaise(true);
    FViewsHeader->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panelLayout->addWidget(FViewsHeader);
    FDesignBar = new QToolBar(FViewsPanel);
    FDesignBar->setObjectName(QStringLiteral("TBDesign"));
    FDesignBar->setIconSize(QSize(16, 16));
    FDesignBar->addAction(Action(QStringLiteral("ACAddView")));
    FDesignBar->addAction(Action(QStringLiteral("ACAddGraph")));
    FDesignBar->addSeparator();
    FDesignBar->addAction(Action(QStringLiteral("ACTreeDelete")));
    FDesignBar->addSeparator();
    FDesignBar->addAction(Action(QStringLiteral("ACTreeUp")));
    FDesignBar->addAction(Action(QStringLiteral("ACTreeDown")));
    panelLayout->addWidget(FDesignBar);
    FTree = new QTreeWidget(FViewsPanel);
    FTree->setObjectName(QStringLiteral("TVViews"));
    FTree->setHeaderHidden(true);
    FTree->setIconSize(QSize(16, 16));
    FTree->setContextMenuPolicy(Qt::CustomContextMenu);
    panelLayout->addWidget(FTree, 1);
    connect(FTree, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(FTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node) {
        // An in-place rename names the node's chart or view.
        if (FTreeUpdateDepth > 0) return;
        if (TPCInteractiveViewGraph* graph = graphOf(node)) graph->Description.Nom = node->text(0);
        else if (TPCInteractiveView* view = viewOf(node)) view->Description.Nom = node->text(0);
    });
    connect(FTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (FDesignMode && FTreeMenu) FTreeMenu->exec(FTree->viewport()->mapToGlobal(at));
    });
    connect(FViewsHeader, &QToolButton::toggled, this, [this](bool open) {
        FViewsHeader->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        FDesignBar->setVisible(open && FDesignMode);
        FTree->setVisible(open);
        if (!open) FMainSplit->setSizes({FViewsHeader->sizeHint().width(), width()});
        else fitViewsPanel();
    });
    // F2 renames the selected view in design mode; Delete removes it.
    auto* rename = new QAction(FTree);
    rename->setShortcut(Qt::Key_F2);
    rename->setShortcutContext(Qt::WidgetShortcut);
    connect(rename, &QAction::triggered, this, [this] {
        if (FDesignMode && selectedNode()) FTree->editItem(selectedNode(), 0);
    });
    FTree->addAction(rename);
    auto* remove = new QAction(FTree);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this] {
        if (FDesignMode && selectedNode()) DeleteSelectedNode();
    });
    FTree->addAction(remove);

    // The pivot area.
    auto* cubeArea = new QWidget(FMainSplit);
    cubeArea->setObjectName(QStringLiteral("PACube"));
    auto* cubeLayout = new QVBoxLayout(cubeArea);
    cubeLayout->setContentsMargins(0, 0, 0, 0);
    cubeLayout->setSpacing(0);
    FValues = new TPivotCubeActiveValues(cubeArea);
    FValues->setFixedHeight(26);
    cubeLayout->addWidget(FValues);
    FTopSplit = new QSplitter(Qt::Vertical, cubeArea);
    FTopSplit->setObjectName(QStringLiteral("SPTop"));
    FTopSplit->setChildrenCollapsible(false);
    cubeLayout->addWidget(FTopSplit, 1);

    FTop = new QWidget(FTopSplit);
    FTop->setObjectName(QStringLiteral("PATop"));
    FTop->setMinimumHeight(47);
    auto* topLayout = new QHBoxLayout(FTop);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    FCorner = new QWidget(FTop);
    FCorner->setObjectName(QStringLiteral("PACorner"));
    auto* cornerLayout = new QVBoxLayout(FCorner);
    cornerLayout->setContentsMargins(2, 1, 2, 1);
    // The corner is as narrow as the row bar: the export button above the
    // two decimals buttons.
    auto* cubeBar = new QWidget(FCorner);
    cubeBar->setObjectName(QStringLiteral("TBCube"));
    auto* cubeLayout2 = new QGridLayout(cubeBar);
    cubeLayout2->setContentsMargins(0, 0, 0, 0);
    cubeLayout2->setSpacing(1);
    FExportMenu = new QMenu(this);
    FExportMenu->setObjectName(QStringLiteral("PMExport"));
    FExportMenu->addAction(Action(QStringLiteral("ACExportXLS")));
    FExportMenu->addAction(Action(QStringLiteral("ACExportXLSX")));
    FExportMenu->addAction(Action(QStringLiteral("ACExportHTML")));
    FExportMenu->addAction(Action(QStringLiteral("ACExportXML")));
    auto* exportButton = new QToolButton(cubeBar);
    exportButton->setObjectName(QStringLiteral("TBExport"));
    exportButton->setProperty(SourceText, QStringLiteral("Export"));
    exportButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    exportButton->setIcon(actionIcon(4));
    exportButton->setAutoRaise(true);
    exportButton->setMenu(FExportMenu);
    exportButton->setPopupMode(QToolButton::InstantPopup);   // opens at its lower-left corner
    cubeLayout2->addWidget(exportButton, 0, 0, 1, 3, Qt::AlignLeft);
    int column = 0;
    for (const char* name : {"ACDecimalsMore", "ACDecimalsLess"}) {
        auto* button = new QToolButton(cubeBar);
        button->setObjectName(QStringLiteral("TB") + QString::fromLatin1(name).mid(2));
        button->setDefaultAction(Action(QString::fromLatin1(name)));
        button->setAutoRaise(true);
        cubeLayout2->addWidget(button, 1, column++, Qt::AlignLeft);
    }
    cubeLayout2->setColumnStretch(2, 1);
    cornerLayout->addWidget(cubeBar);
    topLayout->addWidget(FCorner);
    FColumns = new TPivotCubeColumns(FTop);
    topLayout->addWidget(FColumns, 1);

    FLeftSplit = new QSplitter(Qt::Horizontal, FTopSplit);
    FLeftSplit->setObjectName(QStringLiteral("SPLeft"));
    FLeftSplit->setChildrenCollapsible(false);
    FRows = new TPivotCubeRows(FLeftSplit);
    FRows->setMinimumWidth(90);
    FRows->SetBlockHeight(48);
    FGrid = new TPivotCubeGrid(FLeftSplit);
    FGrid->setObjectName(QStringLiteral("PivotCube"));
    TPCGridSizes sizes = FGrid->Sizes();
    sizes.SetRowHeight(24);
    sizes.SetColWidth(90);
    sizes.SetRowHeaderWidth(140);
    sizes.SetColHeaderHeight(28);
    FGrid->SetSizes(sizes);
    FLeftSplit->setStretchFactor(1, 1);
    FTopSplit->setStretchFactor(1, 1);
    FTopSplit->setSizes({48, 600});
    // The corner panel stays as wide as the row bar, so the column bar starts over the grid.
    connect(FLeftSplit, &QSplitter::splitterMoved, this, [this](int position) { FCorner->setFixedWidth(position + 1); });
    for (TPivotCubeHelper* bar : {static_cast<TPivotCubeHelper*>(FValues), static_cast<TPivotCubeHelper*>(FColumns),
                                  static_cast<TPivotCubeHelper*>(FRows)})
        bar->SetPivotCube(&Pivot());

    FMainSplit->setStretchFactor(1, 1);
    FMainSplit->setSizes({361, 845});
    setCentralWidget(central);

    // Status bar: the clock, then the product's mark.
    FClock = new QLabel(this);
    FClock->setObjectName(QStringLiteral("SBClock"));
    FClock->setAlignment(Qt::AlignCenter);
    FClock->setMinimumWidth(120);
    FBrand = new QLabel(QStringLiteral("OLAP Dravo      "), this);
    FBrand->setObjectName(QStringLiteral("SBBrand"));
    FBrand->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FBrand->setMinimumWidth(50);
    statusBar()->addPermanentWidget(FClock);
    statusBar()->addPermanentWidget(FBrand);
    setRowBarWidth(90);
}

void TPCInteractiveForm::setRowBarWidth(int width) {
    const QList<int> sizes = FLeftSplit->sizes();
    const int total = sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : 1000;
    FLeftSplit->setSizes({width, std::max(total - width, 1)});
    FCorner->setFixedWidth(width + 1);
}

int TPCInteractiveForm::rowBarWidth() const { return FRows->width(); }

// --- Menus -----------------------------------------------------------------

void TPCInteractiveForm::createMenus() {
    const auto menu = [this](const char* name, const char* title) {
        QMenu* m = menuBar()->addMenu(QString());
        m->setObjectName(QString::fromLatin1(name));
        m->setProperty(SourceText, QString::fromUtf8(title));
        return m;
    };
    const auto item = [this](QMenu* m, const char* name, const char* caption, std::function<void()> run) {
        QAction* a = m->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        a->setProperty(SourceText, QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, std::move(run));
        FActions[a->objectName()] = a;
        return a;
    };
    QMenu* file = menu("MIFile", "Fichier");
    file->addAction(Action(QStringLiteral("ACLoadDravo")));
    file->addAction(Action(QStringLiteral("ACSaveDravo")));
    file->addAction(Action(QStringLiteral("ACExportMicroCubeData")));
    file->addAction(Action(QStringLiteral("ACImportPivotCube")));
    file->addAction(Action(QStringLiteral("ACImportCsv")));
    file->addSeparator();
    item(file, "MIQuit", "Quitter", [this] { close(); })->setShortcut(QKeySequence::Quit);

    FViewsMenu = menu("MIViews", "Vues");
    FTreeMenu = new QMenu(this);
    FTreeMenu->setObjectName(QStringLiteral("PMTree"));
    for (QMenu* m : {FViewsMenu, FTreeMenu}) {
        m->addAction(Action(QStringLiteral("ACTreeUp")));
        m->addAction(Action(QStringLiteral("ACTreeDown")));
        m->addAction(Action(QStringLiteral("ACMarkDefault")));
        m->addSeparator();
        m->addAction(Action(QStringLiteral("ACAddView")));
        m->addAction(Action(QStringLiteral("ACAddGraph")));
        m->addSeparator();
        m->addAction(Action(QStringLiteral("ACTreeDelete")));
    }

    FFormulasMenu = menu("MIFormulas", "Formules");
    item(FFormulasMenu, "MIDefineFormulas", "Définir...", [this] { EditFormulas(); });

    QMenu* display = menu("MIDisplay", "Affichage");
    display->addAction(Action(QStringLiteral("ACHideEmptyAxis")));
    display->addAction(Action(QStringLiteral("ACTranspose")));

    QMenu* options = menu("MIOptions", "Options");
    options->addAction(Action(QStringLiteral("ACDesignMode")));
    options->addAction(Action(QStringLiteral("ACUseGDIPlus")));
    FLanguageMenu = options->addMenu(QString());
    FLanguageMenu->setObjectName(QStringLiteral("MILanguage"));
    FLanguageMenu->setProperty(SourceText, QStringLiteral("Langage"));
    BuildLanguageMenu(FLanguageMenu);

    QMenu* help = menu("MIHelp", "Aide");
    item(help, "MIAbout", "A propos...", [this] {
        if (OnAbout) OnAbout();
    });
    item(help, "MIWebSite", "Site Lorvane...", [this] {
        if (OnWebSite) OnWebSite();
    });
    retranslate();
}

// --- Placement, clock, closing ---------------------------------------------

void TPCInteractiveForm::placeWindow() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QSize screen = primary ? primary->size() : QSize(1406, 896);
    const int left = ReadRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Left"), 100);
    const int top = ReadRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Top"), 100);
    const int w = ReadRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Width"), screen.width() - 200);
    const int h = ReadRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Height"), screen.height() - 200);
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
    setGeometry(WindowPlacement(QRect(left, top, std::max(w, 1), std::max(h, 1)), areas, screen));
}

void TPCInteractiveForm::tickClock() {
    FClock->setText(QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss dd/MM/yyyy")));
}

void TPCInteractiveForm::showEvent(QShowEvent* event) {
    tickClock();
    FClockTimer->start();
    QMainWindow::showEvent(event);
}

void TPCInteractiveForm::hideEvent(QHideEvent* event) {
    FClockTimer->stop();
    QMainWindow::hideEvent(event);
}

void TPCInteractiveForm::closeEvent(QCloseEvent* event) {
    const QRect bounds = geometry();
    WriteRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Left"), bounds.left());
    WriteRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Top"), bounds.top());
    WriteRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Width"), bounds.width());
    WriteRegInteger(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("Height"), bounds.height());
    StoreCurrentView();
    if (OnCloseQuery) OnCloseQuery();
    event->accept();
    emit RunFinished();
}

// --- Design mode and action states -----------------------------------------

void TPCInteractiveForm::SetDesignMode(bool on) {
    FDesignMode = on;
    Action(QStringLiteral("ACDesignMode"))->setChecked(on);
    FViewsMenu->menuAction()->setVisible(on);
    FFormulasMenu->menuAction()->setVisible(on);
    FDesignBar->setVisible(on && FTree->isVisibleTo(FViewsPanel));
    FTree->setEditTriggers(on ? QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked
                              : QAbstractItemView::NoEditTriggers);
    if (FChart) FChart->SetChartDesignMode(on);
    for (QAction* a : {Action(QStringLiteral("ACAddView")), Action(QStringLiteral("ACAddGraph")),
                       Action(QStringLiteral("ACTreeDelete")),
                       Action(QStringLiteral("ACTreeUp")), Action(QStringLiteral("ACTreeDown")),
                       Action(QStringLiteral("ACMarkDefault"))})
        a->setVisible(on);
    SelectionChanged();
}

void TPCInteractiveForm::UpdateActions() {
    TPivotCube& pivot = Pivot();
    // The decimals act on the default format: one value column showing a
    // cube value with no format of its own.
    bool decimals = pivot.ValueColumnCount() == 1;
    if (decimals) {
        const TPivotCubeValueColumn& column = *pivot.ValueColumns()[0];
        decimals = !pivot.IsFormulaColumn(column) && column.Format().isEmpty() &&
                   pivot.CubeData().Values().IndexOfName(column.Formula()) >= 0;
    }
    Action(QStringLiteral("ACDecimalsMore"))->setEnabled(decimals);
    Action(QStringLiteral("ACDecimalsLess"))->setEnabled(decimals);
    QAction* hide = Action(QStringLiteral("ACHideEmptyAxis"));
    const bool hidden = pivot.Options() & pcoHideEmptyAxis;
    const QString caption = Translate(hidden ? QStringLiteral("Afficher les dimensions sans données")
                                             : QStringLiteral("Masquer les dimensions sans données"));
    hide->setText(caption);
    hide->setToolTip(caption);
    hide->setIcon(actionIcon(hidden ? 27 : 26));
}

// --- Files dropped on the window -------------------------------------------

void TPCInteractiveForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().size() == 1 &&
        event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void TPCInteractiveForm::dropEvent(QDropEvent* event) {
    const QString fileName = event->mimeData()->urls().first().toLocalFile();
    event->acceptProposedAction();
    // Opened once the drop has finished, so a message box does not block the drag.
    QTimer::singleShot(0, this, [this, fileName] {
        if (IsCsvFileName(fileName)) ImportCsv(fileName);
        else ImportDocument(fileName);
    });
}

QString TPCInteractiveForm::chooseFile(const FileRequest& request) {
    if (ChooseFile) return ChooseFile(request);
    QFileDialog dialog(this);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    dialog.setNameFilter(Translate(request.Filter));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}
