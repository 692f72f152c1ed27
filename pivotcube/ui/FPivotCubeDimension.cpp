// The axis bars.
#include "FPivotCubeDimension.h"

#include "FPCAxisFiltering.h"
#include "FPCRegroupsForm.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <vector>

TPivotCubeDimension::TPivotCubeDimension(Qt::Orientation orientation, int blockSize, QWidget* parent)
    : TPivotCubeHelper(orientation, parent), FBlockSize(std::max(blockSize, MinimumBlockSize)) {}

int TPivotCubeDimension::BlockCount() const {
    const TPCDimensionList* list = Dimensions();
    return list ? int(list->size()) : 0;
}

void TPivotCubeDimension::SetBlockSize(int size) {
    size = std::max(size, MinimumBlockSize);
    if (size == FBlockSize) return;
    FBlockSize = size;
    update();
}

void TPivotCubeDimension::ResizeBlocks(int startSize, int distance, int blocksBefore) {
    SetBlockSize(startSize + distance / std::max(blocksBefore, 1));
}

QRect TPivotCubeDimension::ArrowRect(int index) const {
    const QRect block = BlockRect(index);
    const int width = std::min(ArrowWidth, block.width() / 2);
    return QRect(block.right() - width - 1, block.top() + 1, width, block.height() - 2);
}

bool TPivotCubeDimension::PressBlockPart(int index, const QPoint& at) {
    if (!ArrowRect(index).contains(at)) return false;
    EditFilter(index);
    return true;
}

bool TPivotCubeDimension::AcceptsDrop(const TPivotCubeHelper& source) const {
    return dynamic_cast<const TPivotCubeDimension*>(&source) != nullptr;
}

void TPivotCubeDimension::Drop(TPivotCubeHelper& source, int index, int slot) {
    auto& from = static_cast<TPivotCubeDimension&>(source);
    if (!PivotCube() || !from.Dimensions() || !Dimensions()) return;
    PivotCube()->MoveDimension(*from.Dimensions(), index, *Dimensions(), slot);
}

void TPivotCubeDimension::EditFilter(int index) {
    TPivotCube* engine = PivotCube();
    if (!engine || index < 0 || index >= BlockCount()) return;
    TPCAxisVisualFilter& dimension = *(*Dimensions())[size_t(index)];
    const TPivotCubeAxises& axes = engine->CubeData().Axises();
    if (dimension.Axis < 0 || dimension.Axis >= axes.Count()) return;
    TPCAxisFiltering popup(this);
    popup.move(mapToGlobal(BlockRect(index).bottomLeft() + QPoint(0, 1)));
    if (!popup.Edit(dimension, *axes[dimension.Axis]) || !PivotCube()) return;
    PivotCube()->Rebuild();
    update();
    emit Changed();
}

void TPivotCubeDimension::EditRegroups() {
    TPivotCube* engine = PivotCube();
    if (!engine) return;
    TPCRegroupsForm form(window());
    if (!form.Edit(*Regroups(), engine->CubeData().Values()) || !PivotCube()) return;
    PivotCube()->ClearCaches();
    emit Changed();
}

// --- Painting --------------------------------------------------------------

void TPivotCubeDimension::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    TPivotCube* engine = PivotCube();
    const int count = BlockCount();
    if (!engine || count == 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString text = Translate(EmptyBarText());
        if (Orientation() == Qt::Vertical) {
            // Read from bottom to top along the bar.
            painter.translate(0, height());
            painter.rotate(-90);
            painter.drawText(QRect(0, 0, height(), width()), int(Qt::AlignCenter | Qt::TextWordWrap), text);
        } else {
            painter.drawText(rect().adjusted(4, 0, -4, 0), int(Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap),
                             text);
        }
        PaintSlotMarker(painter);
        return;
    }
    const TPivotCubeAxises& axes = engine->CubeData().Axises();
    const TPCDimensionList& list = *Dimensions();
    for (int i = 0; i < count; ++i) {
        const TPCAxisVisualFilter& dimension = *list[size_t(i)];
        const QRect block = BlockRect(i);
        PaintBlockFrame(painter, block, palette().color(QPalette::Button));

        QFont font = painter.font();
        font.setItalic(dimension.IncludeIDs.Count() > 0 || dimension.ExcludeIDs.Count() > 0);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::ButtonText));
        const QString name = dimension.Axis >= 0 && dimension.Axis < axes.Count() ? axes[dimension.Axis]->Nom() : QString();
        const QRect arrow = ArrowRect(i);
        const QRect textRect(block.left() + 4, block.top() + 1, arrow.left() - block.left() - 5, block.height() - 2);
        if (Orientation() == Qt::Vertical && textRect.height() >= 2 * painter.fontMetrics().height()) {
            painter.drawText(textRect, int(Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap), name);
        } else {
            painter.drawText(textRect, int(Qt::AlignVCenter | Qt::AlignLeft),
                             painter.fontMetrics().elidedText(name, Qt::ElideRight, textRect.width()));
        }

        QStyleOption option;
        option.initFrom(this);
        option.rect = QRect(arrow.left() + 3, arrow.center().y() - 4, arrow.width() - 6, 8);
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
    }
    PaintSlotMarker(painter);
}

// --- Context menu ----------------------------------------------------------

void TPivotCubeDimension::FillContextMenu(QMenu& menu, const QPoint& at) {
    TPivotCube* engine = PivotCube();
    TPCDimensionList* list = Dimensions();
    const int over = BlockAt(at);
    const int count = BlockCount();
    if (over >= 0) {
        const TPCAxisVisualFilter& dimension = *(*list)[size_t(over)];
        const bool last = over == count - 1;
        QAction* descending = menu.addAction(Translate(QStringLiteral("Ordre Decroissant")));
        descending->setCheckable(true);
        descending->setChecked(dimension.DescendingSort);
        connect(descending, &QAction::triggered, this, [this, over] {
            if (PivotCube()) PivotCube()->ToggleDescending(*Dimensions(), over);
        });
        QAction* expand = menu.addAction(MenuImage(0), Translate(QStringLiteral("Tout développer")));
        expand->setEnabled(!last);
        connect(expand, &QAction::triggered, this, [this, over] {
            if (PivotCube()) PivotCube()->ExpandAllTo(Root(), over);
        });
        QAction* collapse = menu.addAction(MenuImage(1), Translate(QStringLiteral("Tout réduire")));
        collapse->setEnabled(!last);
        connect(collapse, &QAction::triggered, this, [this, over] {
            if (PivotCube()) PivotCube()->CollapseAllAt(Root(), over);
        });
        const QString name = engine->CubeData().Axises()[dimension.Axis]->Nom();
        QAction* remove = menu.addAction(MenuImage(2), Translate(QStringLiteral("Retirer ")) + TranslateContent(name));
        connect(remove, &QAction::triggered, this, [this, over] {
            if (PivotCube()) PivotCube()->RemoveDimension(*Dimensions(), over);
        });
        menu.addSeparator();
    }
    fillAddAxisMenu(menu, over);
    QAction* regroups = menu.addAction(Translate(QStringLiteral("Regroupement...")));
    connect(regroups, &QAction::triggered, this, [this] { EditRegroups(); });
    menu.addSeparator();
    QAction* clear = menu.addAction(MenuImage(4), Translate(QStringLiteral("Tout retirer")));
    clear->setEnabled(count > 0);
    connect(clear, &QAction::triggered, this, [this] {
        if (PivotCube()) PivotCube()->ClearDimensionList(*Dimensions());
    });
}

void TPivotCubeDimension::fillAddAxisMenu(QMenu& menu, int overDimension) {
    TPivotCube& engine = *PivotCube();
    const TPivotCubeAxises& axes = engine.CubeData().Axises();
    std::vector<bool> placed(size_t(axes.Count()), false);
    for (TPCDimensionList* list : {&engine.RowDimensions(), &engine.ColDimensions()})
        for (const auto& d : *list)
            if (d->Axis >= 0 && d->Axis < axes.Count()) placed[size_t(d->Axis)] = true;
    const bool anyUnused = std::find(placed.begin(), placed.end(), false) != placed.end();

    QMenu* add = menu.addMenu(MenuImage(3), Translate(QStringLiteral("Ajouter axe")));
    add->menuAction()->setEnabled(anyUnused);
    auto addEntry = [this](QMenu& into, int axis, const QString& name, bool enabled) {
        QAction* entry = into.addAction(name);
        entry->setEnabled(enabled);
        connect(entry, &QAction::triggered, this, [this, axis] {
            if (PivotCube()) PivotCube()->AddDimension(*Dimensions(), axis);
        });
    };
    // The children of the axis under the pointer come first: the usual next step.
    std::vector<bool> listed(placed.size(), false);
    if (overDimension >= 0) {
        const TPivotCubeAxis* parent = axes[(*Dimensions())[size_t(overDimension)]->Axis];
        for (int a = 0; a < axes.Count(); ++a)
            if (axes[a]->ParentAxis == parent) {
                addEntry(*add, a, axes[a]->Nom(), !placed[size_t(a)]);
                listed[size_t(a)] = true;
            }
    }
    const bool childrenListed = std::find(listed.begin(), listed.end(), true) != listed.end();
    bool othersLeft = false;
    for (size_t a = 0; a < placed.size(); ++a) othersLeft = othersLeft || (!placed[a] && !listed[a]);
    QMenu* others = add;
    if (childrenListed && othersLeft) others = add->addMenu(Translate(QStringLiteral("Autres...")));
    for (int a = 0; a < axes.Count(); ++a)
        if (!placed[size_t(a)] && !listed[size_t(a)]) addEntry(*others, a, axes[a]->Nom(), true);
}

// --- The two directions ----------------------------------------------------

TPCDimensionList* TPivotCubeColumns::Dimensions() const { return PivotCube() ? &PivotCube()->ColDimensions() : nullptr; }
TPivotCubeNode* TPivotCubeColumns::Root() const { return PivotCube() ? PivotCube()->ColRoot() : nullptr; }
TPivotCubeRegroups* TPivotCubeColumns::Regroups() const { return PivotCube() ? &PivotCube()->ColRegroups() : nullptr; }

TPCDimensionList* TPivotCubeRows::Dimensions() const { return PivotCube() ? &PivotCube()->RowDimensions() : nullptr; }
TPivotCubeNode* TPivotCubeRows::Root() const { return PivotCube() ? PivotCube()->RowRoot() : nullptr; }
TPivotCubeRegroups* TPivotCubeRows::Regroups() const { return PivotCube() ? &PivotCube()->RowRegroups() : nullptr; }
