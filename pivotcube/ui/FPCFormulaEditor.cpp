// The formula editor dialog.
#include "FPCFormulaEditor.h"

#include "CPCSimpleFormula.h"
#include "FZeltaGradient.h"
#include "UMultiLang.h"
#include "UStdMessageDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The CBFormat items: the text shown and the mask it stands for (the text
// between the parentheses).
struct FormatItem {
    const char* Text;
    const char* Mask;
};
constexpr FormatItem FormatItems[] = {
    {"75.00            (%.2f)", "%.2f"},
    {"75.00 %     (%.2f %%)", "%.2f %%"},
    {"75.00 €       (%.2f €)", "%.2f €"},
    {"75.0              (%.1f)", "%.1f"},
    {"75.000          (%.3f)", "%.3f"},
};

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

const QStringList& TPCFormulaEditor::FormatMasks() {
    static const QStringList masks = [] {
        QStringList list;
        for (const FormatItem& item : FormatItems) list << QString::fromUtf8(item.Mask);
        return list;
    }();
    return masks;
}

TPCFormulaEditor::TPCFormulaEditor(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPCFormulaEditor"));
    setWindowTitle(Translate(QStringLiteral("Formules")));
    buildControls();
}

TPCFormulaEditor::~TPCFormulaEditor() = default;

void TPCFormulaEditor::buildControls() {
    Gradient1 = named(new TZeltaGradient(Translate(QStringLiteral("Formules"))), "Gradient1");

    // The list of formulas and its buttons.
    LBItems = named(new QListWidget, "LBItems");
    LBItems->setSelectionMode(QAbstractItemView::SingleSelection);
    HBUp = named(new QToolButton, "HBUp");
    HBUp->setArrowType(Qt::UpArrow);
    HBUp->setToolTip(Translate(QStringLiteral("Vers le haut")));
    HBDown = named(new QToolButton, "HBDown");
    HBDown->setArrowType(Qt::DownArrow);
    HBDown->setToolTip(Translate(QStringLiteral("Vers le bas")));
    HBAdd = named(new QPushButton(Translate(QStringLiteral("Ajouter"))), "HBAdd");
    HBRemove = named(new QPushButton(Translate(QStringLiteral("Retirer"))), "HBRemove");
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(HBUp);
    listButtons->addWidget(HBDown);
    listButtons->addStretch();
    listButtons->addWidget(HBAdd);
    listButtons->addWidget(HBRemove);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(LBItems, 1);
    listColumn->addLayout(listButtons);

    // The selected formula.
    LECaption = named(new QLineEdit, "LECaption");
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(labelFor(Translate(QStringLiteral("Libellé")), LECaption));
    captionRow->addWidget(LECaption, 1);

    TSSimple = named(new QWidget, "TSSimple");
    CBLeftOperand = named(new QComboBox, "CBLeftOperand");
    CBOperator = named(new QComboBox, "CBOperator");
    CBOperator->addItems(SimpleFormulaOperators());
    CBRightOperand = named(new QComboBox, "CBRightOperand");
    CBFormat = named(new QComboBox, "CBFormat");
    for (const FormatItem& item : FormatItems) CBFormat->addItem(Translate(QString::fromUtf8(item.Text)));
    for (QComboBox* operand : {CBLeftOperand, CBRightOperand}) {
        operand->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        operand->setMinimumContentsLength(10);
    }
    auto* simple = new QGridLayout(TSSimple);
    auto* operands = new QHBoxLayout;
    operands->addWidget(CBLeftOperand, 1);
    operands->addWidget(CBOperator);
    operands->addWidget(CBRightOperand, 1);
    simple->addLayout(operands, 0, 0, 1, 2);
    simple->addWidget(labelFor(Translate(QStringLiteral("Format")), CBFormat), 1, 0);
    simple->addWidget(CBFormat, 1, 1);
    simple->setColumnStretch(1, 1);
    simple->setRowStretch(2, 1);

    TSAdvanced = named(new QWidget, "TSAdvanced");
    EDFormula = named(new QLineEdit, "EDFormula");
    RBFormat = named(new QRadioButton(Translate(QStringLiteral("Format"))), "RBFormat");
    EDFormat = named(new QLineEdit, "EDFormat");
    RBFormula = named(new QRadioButton(Translate(QStringLiteral("Formule"))), "RBFormula");
    EDPresentationFormula = named(new QLineEdit, "EDPresentationFormula");
    RBFormat->setChecked(true);
    auto* advanced = new QGridLayout(TSAdvanced);
    advanced->addWidget(labelFor(Translate(QStringLiteral("Valeur Numérique :")), EDFormula), 0, 0, 1, 2);
    advanced->addWidget(EDFormula, 1, 0, 1, 2);
    advanced->addWidget(new QLabel(Translate(QStringLiteral("Présentation : "))), 2, 0, 1, 2);
    advanced->addWidget(RBFormat, 3, 0);
    advanced->addWidget(EDFormat, 3, 1);
    advanced->addWidget(RBFormula, 4, 0);
    advanced->addWidget(EDPresentationFormula, 4, 1);
    advanced->setColumnStretch(1, 1);
    advanced->setRowStretch(5, 1);

    PageControl = named(new QTabWidget, "PageControl");
    PageControl->addTab(TSSimple, Translate(QStringLiteral("Formule simple")));
    PageControl->addTab(TSAdvanced, Translate(QStringLiteral("Formule avancée")));

    auto* formulaColumn = new QVBoxLayout;
    formulaColumn->addLayout(captionRow);
    formulaColumn->addWidget(PageControl, 1);

    BBOk = named(new QPushButton(Translate(QStringLiteral("Ok"))), "BBOk");
    BBOk->setDefault(true);
    BBCancel = named(new QPushButton(Translate(QStringLiteral("Abandon"))), "BBCancel");
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(BBOk);
    closeButtons->addWidget(BBCancel);

    auto* body = new QHBoxLayout;
    body->addLayout(listColumn, 2);
    body->addLayout(formulaColumn, 3);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(Gradient1);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(10, 10, 10, 10);
    content->setSpacing(8);   // the outer layout has none; the inner ones take this
    content->addLayout(body, 1);
    content->addLayout(closeButtons);
    outer->addLayout(content, 1);
    resize(640, 340);

    QWidget* chain[] = {LBItems, HBUp, HBDown, HBAdd, HBRemove, LECaption, PageControl, CBLeftOperand,
                        CBOperator, CBRightOperand, CBFormat, EDFormula, RBFormat, EDFormat, RBFormula,
                        EDPresentationFormula, BBOk, BBCancel};
    for (size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
    LBItems->setFocus();

    connect(LBItems, &QListWidget::currentRowChanged, this, [this] { LBItemsClick(); });
    connect(LECaption, &QLineEdit::textChanged, this, [this] { LECaptionChange(); });
    for (QComboBox* box : {CBLeftOperand, CBOperator, CBRightOperand})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { CBOperatorChange(); });
    connect(CBFormat, &QComboBox::currentIndexChanged, this, [this] { CBFormatChange(); });
    connect(EDFormula, &QLineEdit::textChanged, this, [this] { EDFormulaChange(); });
    connect(EDFormat, &QLineEdit::textChanged, this, [this] { EDFormatChange(); });
    connect(EDPresentationFormula, &QLineEdit::textChanged, this, [this] { EDFormatChange(); });
    // Typing into one of the two presentation edits chooses it.
    connect(EDFormat, &QLineEdit::textEdited, this, [this] {
        RBFormat->setChecked(true);
        EDFormatChange();
    });
    connect(EDPresentationFormula, &QLineEdit::textEdited, this, [this] {
        RBFormula->setChecked(true);
        EDFormatChange();
    });
    connect(HBAdd, &QPushButton::clicked, this, [this] { HBAddClick(); });
    connect(HBRemove, &QPushButton::clicked, this, [this] { HBRemoveClick(); });
    connect(HBUp, &QToolButton::clicked, this, [this] { HBUpClick(); });
    connect(HBDown, &QToolButton::clicked, this, [this] { HBDownClick(); });
    connect(BBOk, &QPushButton::clicked, this, [this] { BBOkClick(); });
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---------------------------------------------------------------------------

bool TPCFormulaEditor::Execute(TPivotCubeFormulas& formulas, const TPivotCubeValues& values) {
    FValues = &values;
    FFormulas.Assign(formulas);
    for (QComboBox* operand : {CBLeftOperand, CBRightOperand}) {
        const QSignalBlocker blocker(operand);
        operand->clear();
        for (int i = 0; i < values.Count(); ++i) operand->addItem(values[i]->Nom());
    }
    {
        const QSignalBlocker blocker(LBItems);
        LBItems->clear();
        for (int i = 0; i < FFormulas.Count(); ++i) LBItems->addItem(FFormulas[i]->Caption());
    }
    selectEntry(FFormulas.Count() > 0 ? 0 : -1);
    LBItems->setFocus();

    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    const bool confirmed = exec() == QDialog::Accepted;
    if (confirmed) formulas.Assign(FFormulas);
    return confirmed;
}

TPivotCubeFormula* TPCFormulaEditor::selectedFormula() const {
    const int row = LBItems->currentRow();
    return row >= 0 && row < FFormulas.Count() ? FFormulas[row] : nullptr;
}

bool TPCFormulaEditor::simplePageActive() const { return PageControl->currentWidget() == TSSimple; }

void TPCFormulaEditor::selectEntry(int row) {
    {
        const QSignalBlocker blocker(LBItems);
        LBItems->setCurrentRow(row);
        if (row < 0) LBItems->clearSelection();
    }
    LBItemsClick();
}

void TPCFormulaEditor::decomposeIntoSimplePage(const QString& text) {
    const TSimpleFormulaChoice choice =
        FValues ? DecomposeSimpleFormula(text, *FValues) : TSimpleFormulaChoice{};
    const QSignalBlocker left(CBLeftOperand), op(CBOperator), right(CBRightOperand);
    CBLeftOperand->setCurrentIndex(choice.LeftValue);
    CBOperator->setCurrentIndex(choice.OperatorIndex);
    CBRightOperand->setCurrentIndex(choice.RightValue);
}

void TPCFormulaEditor::selectFormatOfMask(const QString& mask) {
    const QSignalBlocker blocker(CBFormat);
    CBFormat->setCurrentIndex(int(FormatMasks().indexOf(mask)));
}

void TPCFormulaEditor::updateMoveButtons() {
    const int row = LBItems->currentRow();
    const bool selected = selectedFormula() != nullptr;
    HBRemove->setEnabled(selected);
    HBUp->setEnabled(selected && row > 0);
    HBDown->setEnabled(selected && row + 1 < FFormulas.Count());
}

// ---------------------------------------------------------------------------
// Handlers

void TPCFormulaEditor::LBItemsClick() {
    TPivotCubeFormula* f = selectedFormula();
    FShowing = true;
    if (!f) {
        LECaption->clear();
        EDFormula->clear();
        EDFormat->clear();
        EDPresentationFormula->clear();
    } else {
        LECaption->setText(f->Caption());
        EDFormula->setText(f->Formula());
        if (f->Format().startsWith(QLatin1Char('='))) {
            RBFormula->setChecked(true);
            EDFormat->clear();
            EDPresentationFormula->setText(f->Format().mid(1));
        } else {
            RBFormat->setChecked(true);
            EDFormat->setText(f->Format());
            EDPresentationFormula->clear();
        }
    }
    decomposeIntoSimplePage(EDFormula->text());
    selectFormatOfMask(EDFormat->text());
    const QSignalBlocker pages(PageControl);
    PageControl->setCurrentWidget(!f || simpleFormulaText() == f->Formula() ? TSSimple : TSAdvanced);
    for (QWidget* w : std::initializer_list<QWidget*>{LECaption, PageControl, EDFormula, EDFormat, EDPresentationFormula,
                                                      CBLeftOperand, CBOperator, CBRightOperand, CBFormat})
        w->setEnabled(f != nullptr);
    updateMoveButtons();
    FShowing = false;
}

void TPCFormulaEditor::LECaptionChange() {
    TPivotCubeFormula* f = selectedFormula();
    if (FShowing || !f) return;
    f->SetCaption(LECaption->text());
    LBItems->currentItem()->setText(f->Caption());
}

void TPCFormulaEditor::CBOperatorChange() {
    if (FShowing || !selectedFormula() || !simplePageActive()) return;
    if (CBLeftOperand->currentIndex() < 0 || CBOperator->currentIndex() < 0 || CBRightOperand->currentIndex() < 0)
        return;
    EDFormula->setText(simpleFormulaText());
}

void TPCFormulaEditor::CBFormatChange() {
    const int item = CBFormat->currentIndex();
    if (FShowing || !selectedFormula() || !simplePageActive() || item < 0) return;
    // A format chosen here is a mask: the presentation becomes "Format".
    RBFormat->setChecked(true);
    EDFormat->setText(FormatMasks()[item]);
    EDFormatChange();
}

void TPCFormulaEditor::EDFormulaChange() {
    TPivotCubeFormula* f = selectedFormula();
    if (FShowing || !f) return;
    f->SetFormula(EDFormula->text());
    if (!simplePageActive()) decomposeIntoSimplePage(EDFormula->text());
}

void TPCFormulaEditor::EDFormatChange() {
    TPivotCubeFormula* f = selectedFormula();
    if (FShowing || !f) return;
    f->SetFormat(RBFormat->isChecked() ? EDFormat->text() : QLatin1Char('=') + EDPresentationFormula->text());
    if (!simplePageActive()) selectFormatOfMask(EDFormat->text());
}

void TPCFormulaEditor::HBAddClick() {
    TPivotCubeFormula* f = FFormulas.Add();
    f->SetCaption(Translate(QStringLiteral("Formule")));
    {
        const QSignalBlocker blocker(LBItems);
        LBItems->addItem(f->Caption());
    }
    selectEntry(FFormulas.Count() - 1);
    // Ready for the user to type the new formula's name.
    LECaption->setFocus();
    LECaption->selectAll();
}

void TPCFormulaEditor::HBRemoveClick() {
    const int row = LBItems->currentRow();
    if (!selectedFormula()) return;
    FFormulas.Delete(row);
    {
        const QSignalBlocker blocker(LBItems);
        delete LBItems->takeItem(row);
    }
    selectEntry(std::min(row, FFormulas.Count() - 1));
}

void TPCFormulaEditor::HBUpClick() {
    const int row = LBItems->currentRow();
    if (!selectedFormula() || row == 0) return;
    moveEntry(row, row - 1);
}

void TPCFormulaEditor::HBDownClick() {
    const int row = LBItems->currentRow();
    if (!selectedFormula() || row + 1 >= FFormulas.Count()) return;
    moveEntry(row, row + 1);
}

void TPCFormulaEditor::moveEntry(int from, int to) {
    FFormulas.Exchange(from, to);
    LBItems->item(from)->setText(FFormulas[from]->Caption());
    LBItems->item(to)->setText(FFormulas[to]->Caption());
    selectEntry(to);
}

void TPCFormulaEditor::BBOkClick() {
    QString problems = FFormulas.ValidateFormats();
    if (!problems.isEmpty()) {
        // One line per formula; the lines hold captions and platform messages, shown as they are.
        problems.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (problems.endsWith(QLatin1Char('\n'))) problems.chop(1);
        ShowError(QLatin1Char('!') + problems);
        return;
    }
    accept();
}

QString TPCFormulaEditor::simpleFormulaText() const {
    if (!FValues) return {};
    const int left = CBLeftOperand->currentIndex(), right = CBRightOperand->currentIndex();
    const TPivotCubeValue* l = left >= 0 && left < FValues->Count() ? FValues->Items(left) : nullptr;
    const TPivotCubeValue* r = right >= 0 && right < FValues->Count() ? FValues->Items(right) : nullptr;
    return SimpleFormulaText(l, CBOperator->currentIndex(), r);
}
