// The main window's charts: chart nodes under the view nodes, the chart view
// shown instead of the pivot area while a chart is selected, and the chart
// commands (add or duplicate, rename, delete, move, drag and drop, smoothing).
#include "FPCInteractiveForm.h"

#include "FPCChart.h"
#include "UIconSet.h"
#include "USettings.h"
#include "UStdMessageDlg.h"
#include "UWellFormedXML.h"

#include <QAction>
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputDialog>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

constexpr int GraphRole = Qt::UserRole + 2;
const QString RegistryKey = QStringLiteral("Software\\Veltrano\\Lorvane");

}   // namespace

TPCInteractiveViewGraph* TPCInteractiveForm::graphOf(const QTreeWidgetItem* node) const {
    return node ? static_cast<TPCInteractiveViewGraph*>(node->data(0, GraphRole).value<void*>()) : nullptr;
}

void TPCInteractiveForm::createChartActions() {
    auto* add = new QAction(this);
    add->setObjectName(QStringLiteral("ACAddGraph"));
    add->setProperty("lorvaneSource", QStringLiteral("Ajouter un graphique à la vue..."));
    add->setIcon(QIcon(QPixmap::fromImage(ActionImage(18))));
    connect(add, &QAction::triggered, this, [this] {
        if (!FCurrentView) return;
        bool ok = false;
        const QString name = QInputDialog::getText(this, Translate(QStringLiteral("Ajout d'un nouveau graphique")),
                                                   Translate(QStringLiteral("Nommez le graphique")), QLineEdit::Normal,
                                                   Translate(QStringLiteral("Nouveau graphique")), &ok);
        if (ok) AddGraph(name);
    });
    FActions[add->objectName()] = add;

    auto* smoothing = new QAction(this);
    smoothing->setObjectName(QStringLiteral("ACUseGDIPlus"));
    smoothing->setProperty("lorvaneSource", QStringLiteral("Lissage des graphiques"));
    smoothing->setCheckable(true);
    connect(smoothing, &QAction::triggered, this, [this](bool on) {
        SetChartSmoothing(on);
        WriteRegString(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("UseGDIplus"),
                       on ? QStringLiteral("Y") : QStringLiteral("N"));
    });
    FActions[smoothing->objectName()] = smoothing;
}

void TPCInteractiveForm::createChartView() {
    // The pivot area and the chart view share the right side; one of them shows.
    FCubeArea = findChild<QWidget*>(QStringLiteral("PACube"));
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("PAContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QList<int> sizes = FMainSplit->sizes();
    FMainSplit->replaceWidget(FMainSplit->indexOf(FCubeArea), content);
    FMainSplit->setStretchFactor(1, 1);
    FMainSplit->setSizes(sizes);
    layout->addWidget(FCubeArea);
    FChart = new TPCChart(content);
    FChart->setObjectName(QStringLiteral("PCChart"));
    layout->addWidget(FChart);
    FChart->hide();
    FChart->SetChartDesignMode(FDesignMode);
    connect(FChart, &TPCChart::StatusMessage, this, [this](const QString& text) { statusBar()->showMessage(text, 10000); });

    const bool smooth =
        StrToBoolDef(ReadRegString(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("UseGDIplus"), QStringLiteral("Y")), true);
    Action(QStringLiteral("ACUseGDIPlus"))->setChecked(smooth);
    FChart->SetSmoothing(smooth);

    // Chart nodes are dragged inside the tree; the drop is ours.
    FTree->setDragDropMode(QAbstractItemView::DragDrop);
    FTree->setDefaultDropAction(Qt::MoveAction);
    FTree->viewport()->installEventFilter(this);
}

void TPCInteractiveForm::SetChartSmoothing(bool on) {
    Action(QStringLiteral("ACUseGDIPlus"))->setChecked(on);
    FChart->SetSmoothing(on);
}

QTreeWidgetItem* TPCInteractiveForm::addGraphNode(QTreeWidgetItem* viewNode, TPCInteractiveViewGraph* graph) {
    ++FTreeUpdateDepth;
    auto* node = new QTreeWidgetItem(viewNode, QStringList{graph->Description.Nom});
    node->setFlags((node->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
    node->setData(0, GraphRole, QVariant::fromValue(static_cast<void*>(graph)));
    setTreeImage(node, 1);
    --FTreeUpdateDepth;
    return node;
}

void TPCInteractiveForm::StoreCurrentGraph() {
    if (FCurrentGraph) FCurrentGraph->XMLData = FChart->SaveChart();
}

void TPCInteractiveForm::showGraph(TPCInteractiveViewGraph* graph) {
    if (graph != FCurrentGraph) {
        if (graph) {
            // A damaged text is refused before it reaches the chart view: what is shown stays.
            const QString fault = graph->XMLData.trimmed().isEmpty() ? QString() : WellFormednessFault(graph->XMLData);
            if (!fault.isEmpty()) {
                ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("Le graphique ne peut pas être affiché : %s"),
                                                                {fault}));
                return;
            }
        }
        StoreCurrentGraph();
        FCurrentGraph = graph;
        if (graph) FChart->LoadChart(&Pivot(), graph->XMLData);
    }
    const bool chart = FCurrentGraph != nullptr;
    FCubeArea->setVisible(!chart);
    FChart->setVisible(chart);
}

void TPCInteractiveForm::AddGraph(const QString& name) {
    if (!FCurrentView) return;
    TPCInteractiveViewGraph* graph = FCurrentView->NewGraph();
    graph->Description.Nom = name;
    graph->XMLData = FChart->isVisible() ? FChart->SaveChart() : QString();
    QTreeWidgetItem* viewNode = nullptr;
    for (int i = 0; i < FTree->topLevelItemCount() && !viewNode; ++i)
        if (viewOf(FTree->topLevelItem(i)) == FCurrentView) viewNode = FTree->topLevelItem(i);
    if (!viewNode) return;
    QTreeWidgetItem* node = addGraphNode(viewNode, graph);
    viewNode->setExpanded(true);
    selectNode(node);
}

// --- Drag and drop of chart nodes ----------------------------------------------

bool TPCInteractiveForm::acceptsChartDrop(const QTreeWidgetItem* dragged, const QTreeWidgetItem* target) const {
    return FDesignMode && dragged && graphOf(dragged) && target && target != dragged &&
           (viewOf(target) != nullptr);
}

bool TPCInteractiveForm::DropChartNode(QTreeWidgetItem* dragged, QTreeWidgetItem* target, bool copy) {
    if (!acceptsChartDrop(dragged, target)) return false;
    TPCInteractiveViewGraph* graph = graphOf(dragged);
    QTreeWidgetItem* viewNode = graphOf(target) ? target->parent() : target;
    TPCInteractiveView* view = viewOf(viewNode);
    if (!graph || !view) return false;
    if (copy) {
        // The chart as last stored, not what the chart view may show unsaved.
        TPCInteractiveViewGraph* twin = view->NewGraph();
        twin->Assign(graph);
        addGraphNode(viewNode, twin);
        viewNode->setExpanded(true);
        return true;
    }
    StoreCurrentGraph();
    FCurrentGraph = nullptr;
    if (TPCInteractiveView* from = graph->View()) {
        std::unique_ptr<TPCInteractiveViewGraph> moved = from->RemoveGraph(graph);
        view->AddGraph(std::move(moved));
    }
    ++FTreeUpdateDepth;
    dragged->parent()->removeChild(dragged);
    viewNode->addChild(dragged);
    viewNode->setExpanded(true);
    --FTreeUpdateDepth;
    selectNode(dragged);
    SelectionChanged();
    return true;
}

bool TPCInteractiveForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FTree->viewport()) return QMainWindow::eventFilter(watched, event);
    const auto dropOf = [this](QEvent* e) { return static_cast<QDropEvent*>(e); };
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        QDropEvent* drop = dropOf(event);
        QTreeWidgetItem* target = FTree->itemAt(drop->position().toPoint());
        const bool ok = drop->source() == FTree && acceptsChartDrop(selectedNode(), target);
        if (event->type() == QEvent::DragEnter) static_cast<QDragEnterEvent*>(event)->accept();
        if (ok) {
            drop->setDropAction(drop->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        QDropEvent* drop = dropOf(event);
        QTreeWidgetItem* target = FTree->itemAt(drop->position().toPoint());
        QTreeWidgetItem* dragged = selectedNode();
        const bool copy = drop->modifiers() & Qt::ControlModifier;
        // The tree must not move items itself: the document decides.
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        // Done once the drag has ended; the nodes must still be in the tree then.
        if (drop->source() == FTree)
            QTimer::singleShot(0, this, [this, dragged, target, copy] {
                bool present = false, targetPresent = false;
                for (QTreeWidgetItemIterator it(FTree); *it; ++it) {
                    present = present || *it == dragged;
                    targetPresent = targetPresent || *it == target;
                }
                if (present && targetPresent) DropChartNode(dragged, target, copy);
            });
        return true;
    }
    default: return QMainWindow::eventFilter(watched, event);
    }
}
