#include "FPCAxisFiltering.h"

#include "UIconSet.h"
#include "UMultiLang.h"
#include "UStdMessageDlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSizeGrip>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

TPCAxisFiltering::TPCAxisFiltering(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    // A frameless tool window rather than a Qt::Popup: a popup grabs the
    // keyboard and is closed by Qt when the information box opens over it.
    // Losing activation is watched instead (changeEvent).
    setObjectName(QStringLiteral("TPCAxisFiltering"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(220, 320);

    FModel = new TPCMemberCheckModel(this);
    FProxy = new QSortFilterProxyModel(this);
    FProxy->setSourceModel(FModel);
    FProxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(1);
    tools->addWidget(addButton("TBSelectAll", QStringLiteral("Sb_Plus"), QStringLiteral("Tout sélectionner"),
                               &TPCAxisFiltering::SelectAll));
    tools->addWidget(addButton("TBUnselectAll", QStringLiteral("Sb_Minus"), QStringLiteral("Tout déselectionner"),
                               &TPCAxisFiltering::UnselectAll));
    tools->addWidget(addButton("TBInvertSelection", QStringLiteral("Sb_Grid_Transpose"), QStringLiteral("Inverser la sélection"),
                               &TPCAxisFiltering::InvertSelection));
    tools->addStretch(1);   // the two right-hand buttons stay at the right edge
    // The icon set has no check mark: the style's own "apply" image.
    QToolButton* validate = addButton("TBValidate", QString(), QStringLiteral("Valider"), &TPCAxisFiltering::Validate);
    validate->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    tools->addWidget(validate);
    tools->addWidget(addButton("TBCancel", QStringLiteral("Sb_Std_Cancel"), QStringLiteral("Abandonner"),
                               &TPCAxisFiltering::Cancel));

    FSearch = new QLineEdit(this);
    FSearch->setObjectName(QStringLiteral("ESearch"));
    FSearch->setPlaceholderText(Translate(QStringLiteral("Rechercher")));
    FSearch->setClearButtonEnabled(true);
    FSearch->installEventFilter(this);
    connect(FSearch, &QLineEdit::textChanged, this, &TPCAxisFiltering::searchChanged);

    FList = new QListView(this);
    FList->setObjectName(QStringLiteral("LVMembers"));
    FList->setModel(FProxy);
    FList->setUniformItemSizes(true);   // a long axis lays out without measuring every line
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->installEventFilter(this);

    FCounter = new QLabel(this);
    FCounter->setObjectName(QStringLiteral("LSelection"));
    auto* grip = new QSizeGrip(this);
    grip->setObjectName(QStringLiteral("SizeGrip"));
    auto* status = new QHBoxLayout;
    status->setContentsMargins(3, 0, 0, 0);
    status->addWidget(FCounter, 1);
    status->addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(tools);
    layout->addWidget(FSearch);
    layout->addWidget(FList, 1);
    layout->addLayout(status);

    connect(FModel, &TPCMemberCheckModel::CheckedCountChanged, this, &TPCAxisFiltering::updateCounter);
    updateCounter(0, 0);
}

TPCAxisFiltering::~TPCAxisFiltering() {
    // Destroyed while open (its owner went away): a cancel, so that Edit returns.
    if (IsOpen()) {
        FDimension = nullptr;
        emit Finished(false);
    }
}

QToolButton* TPCAxisFiltering::addButton(const char* objectName, const QString& image, const QString& hint,
                                         void (TPCAxisFiltering::*action)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoRaise(true);
    button->setIcon(QPixmap::fromImage(StandardImage(image)));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(Translate(hint));
    button->setAccessibleName(button->toolTip());
    connect(button, &QToolButton::clicked, this, action);
    return button;
}

// --- Opening and closing ---------------------------------------------------

void TPCAxisFiltering::Open(TPCAxisFilter& dimension, const TPivotCubeAxis& axis) {
    FDimension = nullptr;   // a reload while open is not a cancel
    FSearch->clear();
    FModel->Load(dimension, axis);
    FDimension = &dimension;
    show();
    keepOnScreen();
    activateWindow();
    FList->setFocus();
    ensureCurrent();
}

bool TPCAxisFiltering::Edit(TPCAxisFilter& dimension, const TPivotCubeAxis& axis) {
    QPointer<TPCAxisFiltering> self(this);
    bool validated = false;
    QEventLoop loop;
    connect(this, &TPCAxisFiltering::Finished, &loop, [&](bool v) {
        validated = v;
        loop.quit();
    });
    Open(dimension, axis);
    if (IsOpen()) loop.exec();
    // The loop also ends when the application quits: the popup is then cancelled.
    if (self && IsOpen()) finish(false);
    return validated;
}

void TPCAxisFiltering::finish(bool validated) {
    TPCAxisFilter* dimension = FDimension;
    if (!dimension) return;
    FDimension = nullptr;
    if (validated) dimension->SetSelection(FModel->CheckedIDs(), FModel->UncheckedIDs());
    hide();
    emit Finished(validated);
}

void TPCAxisFiltering::Validate() {
    if (!IsOpen()) return;
    if (FModel->CheckedCount() == 0) {
        // The box takes the activation for a while: that is not a cancel.
        FShowingMessage = true;
        ShowInformation(QStringLiteral("Sélectionnez au moins une valeur!"));
        FShowingMessage = false;
        if (IsOpen()) activateWindow();
        return;
    }
    finish(true);
}

void TPCAxisFiltering::Cancel() { finish(false); }

void TPCAxisFiltering::keepOnScreen() {
    const QScreen* s = QGuiApplication::screenAt(geometry().center());
    if (!s) s = screen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    QRect g = frameGeometry();
    if (g.right() > area.right()) g.moveRight(area.right());
    if (g.bottom() > area.bottom()) g.moveBottom(area.bottom());
    if (g.left() < area.left()) g.moveLeft(area.left());
    if (g.top() < area.top()) g.moveTop(area.top());
    if (g.topLeft() != frameGeometry().topLeft()) move(g.topLeft());
}

bool TPCAxisFiltering::ownsActiveWindow() const {
    for (const QWidget* w = QApplication::activeWindow(); w; w = w->parentWidget())
        if (w == this) return true;
    return false;
}

void TPCAxisFiltering::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Clicking elsewhere cancels; a window of the popup's own (the
    // information box) does not. Not isActiveWindow(): a tool window counts
    // as active whenever its parent is.
    if (event->type() == QEvent::ActivationChange && IsOpen() && !FShowingMessage && !ownsActiveWindow())
        finish(false);
}

void TPCAxisFiltering::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (IsOpen()) finish(false);   // hidden by someone else
}

void TPCAxisFiltering::paintEvent(QPaintEvent*) {
    // Without a window frame, a thin line tells the popup from what is under it.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- Lines -----------------------------------------------------------------

std::vector<int> TPCAxisFiltering::VisibleLines() const {
    std::vector<int> lines;
    const int n = FProxy->rowCount();
    lines.reserve(size_t(n));
    for (int row = 0; row < n; ++row) lines.push_back(FProxy->mapToSource(FProxy->index(row, 0)).row());
    return lines;
}

void TPCAxisFiltering::SelectAll() { FModel->SetChecked(VisibleLines(), true); }
void TPCAxisFiltering::UnselectAll() { FModel->SetChecked(VisibleLines(), false); }
void TPCAxisFiltering::InvertSelection() { FModel->Invert(VisibleLines()); }

void TPCAxisFiltering::updateCounter(int checked, int total) {
    // Numbered placeholders: a translation may only replace a format of several
    // placeholders when each one carries its index.
    FCounter->setText(TranslateFormat(QStringLiteral("Sélection %0:d/%1:d"), {checked, total}));
}

void TPCAxisFiltering::searchChanged(const QString& text) {
    FProxy->setFilterFixedString(text);
    ensureCurrent();
}

void TPCAxisFiltering::ensureCurrent() {
    if (!FList->currentIndex().isValid() && FProxy->rowCount() > 0)
        FList->setCurrentIndex(FProxy->index(0, 0));
}

void TPCAxisFiltering::toggleCurrent() {
    const QModelIndex current = FList->currentIndex();
    if (current.isValid()) FModel->Toggle(FProxy->mapToSource(current).row());
}

// --- Keyboard --------------------------------------------------------------

void TPCAxisFiltering::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: finish(true); break;   // no "at least one" check on Enter
    case Qt::Key_Escape: finish(false); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

bool TPCAxisFiltering::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    if (watched == FList) {
        if (key->key() == Qt::Key_Space && plain) {
            toggleCurrent();
            return true;
        }
        if (key->key() == Qt::Key_Up && plain && FList->currentIndex().row() <= 0) {
            FSearch->setFocus();
            return true;
        }
        // Typing searches: the character goes to the search field.
        const QString text = key->text();
        if (plain && !text.isEmpty() && text.at(0).isPrint()) {
            FSearch->setFocus();
            QCoreApplication::sendEvent(FSearch, event);
            return true;
        }
    } else if (watched == FSearch && plain && (key->key() == Qt::Key_Down || key->key() == Qt::Key_PageDown)) {
        FList->setFocus();
        ensureCurrent();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
