// The regroupment dialog: a model of the lines, the drop-down editors of the
// value and operator cells, and the dialog around them.
#include "FPCRegroupsForm.h"

#include "UIconSet.h"
#include "UMultiLang.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <vector>

namespace {

enum RegroupColumn { rcCaption, rcValue, rcOperator, rcCount };

struct RegroupLine {
    QString Caption, Value, Operator;
};

QStringList operatorNames() {
    QStringList names;
    for (const TRegisteredPCGroupOperator& r : RegisteredGroupOperators()) names << r.Name;
    return names;
}

// The drop-down editor of a cell: a fixed list of names; a choice is taken
// at once. A cell whose text is not in the list opens with no choice and
// keeps its text unless one is made.
class NameListDelegate : public QStyledItemDelegate {
public:
    NameListDelegate(QStringList names, QObject* parent) : QStyledItemDelegate(parent), FNames(std::move(names)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* box = new QComboBox(parent);
        box->addItems(FNames);
        auto* self = const_cast<NameListDelegate*>(this);
        connect(box, &QComboBox::activated, self, [self, box] { emit self->commitData(box); });
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(box->findText(index.data(Qt::EditRole).toString()));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        if (box->currentIndex() >= 0) model->setData(index, box->currentText(), Qt::EditRole);
    }

private:
    QStringList FNames;
};

} // namespace

// The grid of the lines; it tells whether a cell is being edited and ends an
// edit on request.
class RegroupGrid : public QTableView {
public:
    bool Editing() const { return state() == EditingState; }
    // Keeps what the editor holds and closes it.
    void FinishEdit() {
        if (!Editing()) return;
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

// The lines being edited; an empty label shows the generated caption, greyed,
// and a value that is not one of the cube's is shown in red.
class RegroupLinesModel : public QAbstractTableModel {
public:
    RegroupLinesModel(const TPivotCubeRegroups& regroups, QStringList valueNames, QObject* parent)
        : QAbstractTableModel(parent), FRegroups(regroups), FValueNames(std::move(valueNames)) {
        for (int i = 0; i < regroups.Count(); ++i)
            Lines.push_back({regroups[i]->Caption(), regroups[i]->Value(), regroups[i]->Operator()});
        FHeaders = {Translate(QStringLiteral("Libellé")), Translate(QStringLiteral("Valeur/Formule")),
                    Translate(QStringLiteral("Operation"))};
    }

    std::vector<RegroupLine> Lines;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(Lines.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rcCount; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < rcCount)
            return FHeaders[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const RegroupLine& line = Lines[size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            if (index.column() == rcCaption && line.Caption.isEmpty())
                return FRegroups.DefaultCaption(line.Operator, line.Value);
            [[fallthrough]];
        case Qt::EditRole:
            return cellText(line, index.column());
        case Qt::ForegroundRole:
            if (index.column() == rcCaption && line.Caption.isEmpty())
                return QGuiApplication::palette().color(QPalette::PlaceholderText);
            if (index.column() == rcValue && !FValueNames.contains(line.Value)) return QColor(Qt::red);
            return {};
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount()) return false;
        RegroupLine& line = Lines[size_t(index.row())];
        QString& cell = index.column() == rcCaption ? line.Caption : index.column() == rcValue ? line.Value : line.Operator;
        cell = value.toString();
        // The generated caption follows the value and the operator.
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), rcCount - 1));
        return true;
    }

    void Append(const RegroupLine& line) {
        beginInsertRows({}, rowCount(), rowCount());
        Lines.push_back(line);
        endInsertRows();
    }
    void Remove(int row) {
        beginRemoveRows({}, row, row);
        Lines.erase(Lines.begin() + row);
        endRemoveRows();
    }
    // Exchanges a line with the next one.
    void SwapWithNext(int row) {
        beginMoveRows({}, row + 1, row + 1, {}, row);
        std::swap(Lines[size_t(row)], Lines[size_t(row) + 1]);
        endMoveRows();
    }

private:
    static QString cellText(const RegroupLine& line, int column) {
        return column == rcCaption ? line.Caption : column == rcValue ? line.Value : line.Operator;
    }
    const TPivotCubeRegroups& FRegroups;
    QStringList FValueNames, FHeaders;
};

// ---------------------------------------------------------------------------

TPCRegroupsForm::TPCRegroupsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPCRegroupsForm"));
    setWindowTitle(Translate(QStringLiteral("Regroupements")));

    FGrid = new RegroupGrid;
    FGrid->setObjectName(QStringLiteral("DGRegroups"));
    FGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::AnyKeyPressed);
    FGrid->verticalHeader()->hide();
    FGrid->horizontalHeader()->setHighlightSections(false);
    FGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    FGrid->setTabKeyNavigation(false);
    FGrid->setMinimumSize(400, 150);

    auto action = [this](const char* name, const QString& text, const QKeySequence& key, const QIcon& icon) {
        auto* a = new QAction(icon, Translate(text), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        addAction(a);
        return a;
    };
    FAdd = action("ACAdd", QStringLiteral("Ajouter"), QKeySequence(Qt::CTRL | Qt::Key_A),
                  QIcon(QPixmap::fromImage(StandardImage(QStringLiteral("Sb_Plus")))));
    FRemove = action("ACRemove", QStringLiteral("Retirer"), QKeySequence(Qt::Key_Delete),
                     QIcon(QPixmap::fromImage(StandardImage(QStringLiteral("Sb_Minus")))));
    FUp = action("ACUp", QStringLiteral("Vers le haut"), QKeySequence(Qt::CTRL | Qt::Key_U),
                 style()->standardIcon(QStyle::SP_ArrowUp));
    FDown = action("ACDown", QStringLiteral("Vers le bas"), QKeySequence(Qt::CTRL | Qt::Key_D),
                   style()->standardIcon(QStyle::SP_ArrowDown));
    FRename = action("ACRename", QStringLiteral("Renommer"), QKeySequence(Qt::Key_F2), QIcon());
    auto separator = [this] {
        auto* s = new QAction(this);
        s->setSeparator(true);
        return s;
    };
    FGrid->addActions({FAdd, FRemove, separator(), FUp, FDown, separator(), FRename});
    connect(FAdd, &QAction::triggered, this, [this] { addLine(); });
    connect(FRemove, &QAction::triggered, this, [this] { removeLine(); });
    connect(FUp, &QAction::triggered, this, [this] { moveLine(-1); });
    connect(FDown, &QAction::triggered, this, [this] { moveLine(+1); });
    connect(FRename, &QAction::triggered, this, [this] { renameLine(); });

    auto* actionButtons = new QVBoxLayout;
    for (QAction* a : {FAdd, FRemove, FUp, FDown, FRename}) {
        // A button that stands for the action: its text, image and enabling.
        auto* button = new QPushButton(a->icon(), a->text());
        button->setObjectName(QStringLiteral("HB") + a->objectName().mid(2));
        button->setEnabled(a->isEnabled());
        connect(a, &QAction::enabledChanged, button, &QWidget::setEnabled);
        connect(button, &QPushButton::clicked, a, &QAction::trigger);
        actionButtons->addWidget(button);
    }
    actionButtons->addStretch();

    BBOk = new QPushButton(Translate(QStringLiteral("Ok")));
    BBOk->setObjectName(QStringLiteral("BBOk"));
    BBOk->setDefault(true);
    BBCancel = new QPushButton(Translate(QStringLiteral("Abandon")));
    BBCancel->setObjectName(QStringLiteral("BBCancel"));
    connect(BBOk, &QPushButton::clicked, this, [this] { okClick(); });
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(FGrid, 1);
    body->addLayout(actionButtons);
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(BBOk);
    closeButtons->addWidget(BBCancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addLayout(closeButtons);
    resize(620, 300);
}

TPCRegroupsForm::~TPCRegroupsForm() = default;

bool TPCRegroupsForm::Edit(TPivotCubeRegroups& regroups, const TPivotCubeValues& values) {
    FValues = &values;
    QStringList valueNames;
    for (int i = 0; i < values.Count(); ++i) valueNames << values[i]->Nom();

    delete FModel;
    FModel = new RegroupLinesModel(regroups, valueNames, this);
    FGrid->setModel(FModel);
    delete FGrid->itemDelegateForColumn(rcValue);
    delete FGrid->itemDelegateForColumn(rcOperator);
    FGrid->setItemDelegateForColumn(rcValue, new NameListDelegate(valueNames, FGrid));
    FGrid->setItemDelegateForColumn(rcOperator, new NameListDelegate(operatorNames(), FGrid));
    QHeaderView* header = FGrid->horizontalHeader();
    header->setSectionResizeMode(rcCaption, QHeaderView::Stretch);
    header->setSectionResizeMode(rcValue, QHeaderView::Interactive);
    header->setSectionResizeMode(rcOperator, QHeaderView::Interactive);
    header->resizeSection(rcValue, 160);
    header->resizeSection(rcOperator, 110);
    connect(FGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });
    connect(FModel, &QAbstractItemModel::rowsInserted, this, [this] { updateActions(); });
    connect(FModel, &QAbstractItemModel::rowsRemoved, this, [this] { updateActions(); });
    connect(FModel, &QAbstractItemModel::rowsMoved, this, [this] { updateActions(); });
    selectLine(FModel->rowCount() > 0 ? 0 : -1);
    updateActions();
    FGrid->setFocus();

    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (exec() != QDialog::Accepted) return false;

    CollectionUpdate update(regroups);
    regroups.Clear();
    for (const RegroupLine& line : FModel->Lines) {
        TPivotCubeRegroup* r = regroups.Add();
        r->SetCaption(line.Caption);
        r->SetValue(line.Value);
        r->SetOperator(line.Operator);
    }
    return true;
}

int TPCRegroupsForm::selectedLine() const {
    if (!FModel) return -1;
    const QModelIndexList rows = FGrid->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TPCRegroupsForm::selectLine(int row) {
    if (row < 0 || row >= FModel->rowCount()) {
        FGrid->selectionModel()->clearSelection();
        return;
    }
    const int column = std::max(FGrid->currentIndex().column(), 0);
    FGrid->selectionModel()->setCurrentIndex(FModel->index(row, column),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FGrid->scrollTo(FModel->index(row, column));
}

void TPCRegroupsForm::updateActions() {
    const int row = selectedLine();
    const int count = FModel ? FModel->rowCount() : 0;
    FAdd->setEnabled(FValues && FValues->Count() > 0);
    FRemove->setEnabled(row >= 0);
    FRename->setEnabled(row >= 0);
    FUp->setEnabled(row > 0);
    FDown->setEnabled(row >= 0 && row + 1 < count);
}

void TPCRegroupsForm::addLine() {
    if (!FValues || FValues->Count() == 0 || !FModel) return;
    commitEditor();
    const QStringList operators = operatorNames();
    FModel->Append({QString(), FValues->Items(0)->Nom(), operators.value(0)});
    selectLine(FModel->rowCount() - 1);
    FGrid->setFocus();
}

void TPCRegroupsForm::removeLine() {
    const int row = selectedLine();
    if (row < 0) return;
    commitEditor();
    FModel->Remove(row);
    selectLine(std::min(row, FModel->rowCount() - 1));
    FGrid->setFocus();
}

void TPCRegroupsForm::moveLine(int delta) {
    const int row = selectedLine();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= FModel->rowCount()) return;
    commitEditor();
    FModel->SwapWithNext(std::min(row, target));
    selectLine(target);
}

void TPCRegroupsForm::renameLine() {
    const int row = selectedLine();
    if (row < 0) return;
    commitEditor();
    const QModelIndex cell = FModel->index(row, rcCaption);
    FGrid->setCurrentIndex(cell);
    FGrid->edit(cell);
}

void TPCRegroupsForm::commitEditor() { FGrid->FinishEdit(); }

void TPCRegroupsForm::okClick() {
    commitEditor();
    accept();
}
