// The main window's views tree: building it from the document, the selection
// that chooses the view shown, and the design commands on views.
#include "FPCInteractiveForm.h"

#include "UIconSet.h"
#include "UStdMessageDlg.h"

#include <QAction>
#include <QSplitter>
#include <QTreeWidget>

namespace {

constexpr int ViewRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;

// The siblings of a node, in order (the top level for a top-level node).
QList<QTreeWidgetItem*> siblingsOf(const QTreeWidgetItem* node) {
    QList<QTreeWidgetItem*> out;
    if (QTreeWidgetItem* parent = node->parent()) {
        for (int i = 0; i < parent->childCount(); ++i) out << parent->child(i);
    } else if (QTreeWidget* tree = node->treeWidget()) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) out << tree->topLevelItem(i);
    }
    return out;
}

} // namespace

TPCInteractiveView* TPCInteractiveForm::viewOf(const QTreeWidgetItem* node) const {
    if (node && graphOf(node)) node = node->parent();
    return node ? static_cast<TPCInteractiveView*>(node->data(0, ViewRole).value<void*>()) : nullptr;
}

int TPCInteractiveForm::treeImage(const QTreeWidgetItem* node) const { return node->data(0, ImageRole).toInt(); }

void TPCInteractiveForm::setTreeImage(QTreeWidgetItem* node, int index) {
    ++FTreeUpdateDepth;
    node->setData(0, ImageRole, index);
    const QImage image = ActionImage(index);
    node->setIcon(0, image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    --FTreeUpdateDepth;
}

QTreeWidgetItem* TPCInteractiveForm::selectedNode() const {
    const QList<QTreeWidgetItem*> selected = FTree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TPCInteractiveForm::selectNode(QTreeWidgetItem* node) {
    FTree->clearSelection();
    if (node) {
        FTree->setCurrentItem(node);
        node->setSelected(true);
        FTree->scrollToItem(node);
    }
}

// --- From the document -----------------------------------------------------

void TPCInteractiveForm::InitFromDocument() {
    loadFormulas();
    FCurrentView = nullptr;
    FCurrentGraph = nullptr;
    if (FDocument->ViewCount() == 0) {
        TPCInteractiveView* view = FDocument->NewView();
        view->Description.Nom = QStringLiteral("Par défaut");
        view->XMLData = QStringLiteral("<ViewState/>");
    }
    ++FTreeUpdateDepth;
    FTree->clearSelection();
    --FTreeUpdateDepth;
    RebuildTree();
    if (FTree->topLevelItemCount() > 0) {
        if (!FDocument->DefaultDisplay.isEmpty()) {
            if (QTreeWidgetItem* node = FindNodeByPath(FDocument->DefaultDisplay, FTree->topLevelItem(0))) {
                selectNode(node);
                setTreeImage(node, treeImage(node) + DefaultMarkOffset);
            }
        } else {
            selectNode(FTree->topLevelItem(0));
        }
        fitViewsPanel();
    }
    SelectionChanged();
    if (WebCheckEnabled && OnWebCheck) OnWebCheck();
}

void TPCInteractiveForm::RebuildTree() {
    ++FTreeUpdateDepth;
    FTree->setUpdatesEnabled(false);
    FTree->clear();
    for (int i = 0; i < FDocument->ViewCount(); ++i) {
        TPCInteractiveView* view = FDocument->Views(i);
        auto* node = new QTreeWidgetItem(FTree, QStringList{view->Description.Nom});
        node->setFlags(node->flags() | Qt::ItemIsEditable);
        node->setData(0, ViewRole, QVariant::fromValue(static_cast<void*>(view)));
        setTreeImage(node, 0);
        for (int g = 0; g < view->GraphCount(); ++g) addGraphNode(node, view->Graphs(g));
        node->setExpanded(true);
    }
    FTree->setUpdatesEnabled(true);
    --FTreeUpdateDepth;
}

void TPCInteractiveForm::fitViewsPanel() {
    // Wide enough for the widest row, never narrower than 150.
    int rows = 0;
    const QFontMetrics metrics(FTree->font());
    for (QTreeWidgetItemIterator it(FTree); *it; ++it) {
        int depth = 1;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
        rows = std::max(rows, depth * FTree->indentation() + FTree->iconSize().width() + 8 +
                                  metrics.horizontalAdvance((*it)->text(0)));
    }
    rows += 2 * FTree->frameWidth();
    const int width = std::max(rows + 10, 150);
    const QList<int> sizes = FMainSplit->sizes();
    const int total = sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : this->width();
    FViewsPanel->setMinimumWidth(150);
    FMainSplit->setSizes({width, std::max(total - width, 1)});
}

QTreeWidgetItem* TPCInteractiveForm::FindNodeByPath(const QString& path, QTreeWidgetItem* first) const {
    if (!first) return nullptr;
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    const QString head = slash < 0 ? path : path.left(slash);
    const QList<QTreeWidgetItem*> siblings = siblingsOf(first);
    for (qsizetype i = siblings.indexOf(first); i >= 0 && i < siblings.size(); ++i) {
        QTreeWidgetItem* node = siblings[i];
        if (node->text(0).compare(head, Qt::CaseInsensitive) != 0) continue;
        if (slash < 0) return node;
        return FindNodeByPath(path.mid(slash + 1), node->child(0));
    }
    return nullptr;
}

// --- The selection ---------------------------------------------------------

void TPCInteractiveForm::SelectionChanged() {
    if (FTreeUpdateDepth > 0) return;
    QTreeWidgetItem* node = selectedNode();
    Action(QStringLiteral("ACTreeDelete"))->setEnabled(node != nullptr);
    QAction* mark = Action(QStringLiteral("ACMarkDefault"));
    mark->setEnabled(node != nullptr);
    mark->setChecked(node && treeImage(node) > 20);
    const QList<QTreeWidgetItem*> siblings = node ? siblingsOf(node) : QList<QTreeWidgetItem*>();
    const qsizetype at = node ? siblings.indexOf(node) : -1;
    Action(QStringLiteral("ACTreeUp"))->setEnabled(at > 0);
    Action(QStringLiteral("ACTreeDown"))->setEnabled(at >= 0 && at + 1 < siblings.size());

    TPCInteractiveView* view = viewOf(node);
    TPCInteractiveViewGraph* graph = graphOf(node);
    FTree->setDragEnabled(graph && FDesignMode);
    if (view != FCurrentView) {
        StoreCurrentView();
        FCurrentView = view;
        if (view) ApplyViewState(view->XMLData);
    }
    showGraph(graph);
    QAction* addGraph = Action(QStringLiteral("ACAddGraph"));
    addGraph->setProperty("lorvaneSource", graph ? QStringLiteral("Dupliquer le graphique...")
                                                 : QStringLiteral("Ajouter un graphique à la vue..."));
    addGraph->setText(Translate(addGraph->property("lorvaneSource").toString()));
    addGraph->setToolTip(addGraph->text());
    addGraph->setStatusTip(addGraph->text());
    addGraph->setEnabled(FCurrentView != nullptr);
    QAction* add = Action(QStringLiteral("ACAddView"));
    add->setProperty("lorvaneSource", view ? QStringLiteral("Dupliquer la vue...") : QStringLiteral("Ajouter une vue au cube..."));
    add->setText(Translate(add->property("lorvaneSource").toString()));
    add->setToolTip(add->text());
    add->setStatusTip(add->text());
}

// --- Design commands -------------------------------------------------------

void TPCInteractiveForm::AddView(const QString& name) {
    StoreCurrentView();
    TPCInteractiveView* view = FDocument->NewView();
    view->Description.Nom = name;
    FCurrentView = view;
    view->XMLData = BuildViewState();   // the new view starts as what is shown
    ++FTreeUpdateDepth;
    auto* node = new QTreeWidgetItem(FTree, QStringList{name});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    node->setData(0, ViewRole, QVariant::fromValue(static_cast<void*>(view)));
    setTreeImage(node, 0);
    --FTreeUpdateDepth;
    selectNode(node);
}

void TPCInteractiveForm::DeleteSelectedNode(bool ask) {
    QTreeWidgetItem* node = selectedNode();
    if (!node) return;
    if (ask && !AskQuestion(QStringLiteral("Supprimer %s ?"), {node->text(0)})) return;
    if (TPCInteractiveViewGraph* graph = graphOf(node)) {
        // The chart of the node goes, shown or not; its view stays.
        if (graph == FCurrentGraph) FCurrentGraph = nullptr;
        if (TPCInteractiveView* view = graph->View()) (void)view->RemoveGraph(graph);
    } else if (FCurrentView) {
        (void)FDocument->RemoveView(FCurrentView);   // discarded, its state with it
        FCurrentView = nullptr;
        FCurrentGraph = nullptr;
    }
    ++FTreeUpdateDepth;
    delete node;
    --FTreeUpdateDepth;
    SelectionChanged();
}

void TPCInteractiveForm::MoveSelectedNode(int delta) {
    QTreeWidgetItem* node = selectedNode();
    if (TPCInteractiveViewGraph* graph = graphOf(node)) {
        QTreeWidgetItem* parent = node->parent();
        const int from = parent->indexOfChild(node);
        const int to = from + delta;
        if (to < 0 || to >= parent->childCount()) return;
        if (delta < 0) graph->MoveUp();
        else graph->MoveDown();
        ++FTreeUpdateDepth;
        parent->takeChild(from);
        parent->insertChild(to, node);
        selectNode(node);
        --FTreeUpdateDepth;
        SelectionChanged();
        return;
    }
    TPCInteractiveView* view = viewOf(node);
    if (!node || !view || node->parent()) return;
    const int from = FTree->indexOfTopLevelItem(node);
    const int to = from + delta;
    if (to < 0 || to >= FTree->topLevelItemCount()) return;
    if (delta < 0) view->MoveUp();
    else view->MoveDown();
    ++FTreeUpdateDepth;
    FTree->takeTopLevelItem(from);
    FTree->insertTopLevelItem(to, node);
    node->setExpanded(true);
    selectNode(node);
    --FTreeUpdateDepth;
    SelectionChanged();
}

void TPCInteractiveForm::ToggleDefaultMark() {
    QTreeWidgetItem* node = selectedNode();
    if (!node) return;
    const int index = treeImage(node);
    if (index <= 20) {
        // Only one node carries the mark: the first other marked one loses it.
        QTreeWidgetItemIterator it(FTree);
        for (; *it; ++it)
            if (*it != node && treeImage(*it) > 20) {
                setTreeImage(*it, treeImage(*it) - DefaultMarkOffset);
                break;
            }
        setTreeImage(node, index + DefaultMarkOffset);
        QStringList path{node->text(0)};
        for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) path.prepend(p->text(0));
        FDocument->DefaultDisplay = path.join(QLatin1Char('/'));
    } else {
        // The document keeps its default: only the image changes.
        setTreeImage(node, index - DefaultMarkOffset);
    }
    Action(QStringLiteral("ACMarkDefault"))->setChecked(treeImage(node) > 20);
}
