// The drill-through window.
#include "FPCDrillThrough.h"

#include "UMultiLang.h"
#include "UStdMessageDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

TPCDrillThroughForm::TPCDrillThroughForm(std::shared_ptr<const TPCCellDrillThrough> drill, QWidget* parent)
    : QWidget(parent, Qt::Window), FDrill(std::move(drill)) {
    setObjectName(QStringLiteral("TPCDrillThrough"));
    setAttribute(Qt::WA_DeleteOnClose);

    FModel = new TPCDrillThroughModel(FDrill, this);
    FTable = new QTableView(this);
    FTable->setObjectName(QStringLiteral("TVItems"));
    FTable->setModel(FModel);
    FTable->setSortingEnabled(false);   // sorted on a header click, not at once
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTable->setWordWrap(false);
    FTable->setAlternatingRowColors(true);
    // Fixed row heights and column widths measured on the first rows: nothing
    // scans every item when the window opens.
    QHeaderView* rows = FTable->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* columns = FTable->horizontalHeader();
    columns->setResizeContentsPrecision(200);
    columns->setSortIndicatorShown(true);
    columns->setSectionsClickable(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    FTable->resizeColumnsToContents();
    for (int c = 0; c < FModel->columnCount(); ++c) columns->resizeSection(c, std::min(columns->sectionSize(c) + 12, 320));
    columns->setStretchLastSection(false);
    // A click on a header sorts by it; a second click reverses the order.
    connect(columns, &QHeaderView::sectionClicked, this, [this, columns](int section) {
        const Qt::SortOrder order = columns->sortIndicatorSection() == section ? columns->sortIndicatorOrder() : Qt::AscendingOrder;
        FModel->sort(section, order);
    });

    FCount = new QLabel(this);
    FCount->setObjectName(QStringLiteral("LBCount"));
    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("LBStatus"));

    auto* csv = FExportCSV = new QPushButton(this);
    csv->setObjectName(QStringLiteral("HBExportCSV"));
    auto* html = FExportHTML = new QPushButton(this);
    html->setObjectName(QStringLiteral("HBExportHTML"));
    auto* close = FClose = new QPushButton(this);
    close->setObjectName(QStringLiteral("BBClose"));
    connect(csv, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile(QStringLiteral("csv"), QStringLiteral("Fichiers CSV (*.csv)"));
        if (!f.isEmpty()) ExportCSV(f);
    });
    connect(html, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile(QStringLiteral("htm"), QStringLiteral("Fichiers HTML (*.htm*)"));
        if (!f.isEmpty()) ExportHTML(f);
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* top = new QHBoxLayout;
    top->addWidget(FCount);
    top->addStretch(1);
    top->addWidget(FStatus);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(csv);
    buttons->addWidget(html);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FTable, 1);
    layout->addLayout(buttons);

    retranslate();
    RegisterLanguageListener(this);

    int width = FTable->verticalHeader()->sizeHint().width() + 40;
    for (int c = 0; c < FModel->columnCount(); ++c) width += columns->sectionSize(c);
    resize(std::clamp(width, 480, 1200), 520);
}

TPCDrillThroughForm::~TPCDrillThroughForm() { UnregisterLanguageListener(this); }

void TPCDrillThroughForm::retranslate() {
    const QString title = Translate(QStringLiteral("Détail de la cellule"));
    const QString cell = FDrill->CellCaption();
    setWindowTitle(cell.isEmpty() ? title : title + QStringLiteral(" - ") + cell);
    const int count = FDrill->Count();
    FCount->setText(count == 1 ? Translate(QStringLiteral("1 élément")) : TranslateFormat(QStringLiteral("%d éléments"), {count}));
    FExportCSV->setText(Translate(QStringLiteral("Export CSV...")));
    FExportHTML->setText(Translate(QStringLiteral("Export HTML...")));
    FClose->setText(Translate(QStringLiteral("Fermer")));
    FStatus->setText(FStatusFile.isEmpty() ? QString() : TranslateFormat(QStringLiteral("%s exporté"), {FStatusFile}));
}

void TPCDrillThroughForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString TPCDrillThroughForm::chooseFile(const QString& suffix, const QString& filter) {
    if (ChooseFile) return ChooseFile(suffix, filter);
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilter(Translate(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

bool TPCDrillThroughForm::writeExport(const QString& fileName, const QByteArray& bytes) {
    if (!WriteFileWithRetry(fileName, bytes)) return false;
    FStatusFile = QFileInfo(fileName).fileName();
    retranslate();
    return true;
}

bool TPCDrillThroughForm::ExportCSV(const QString& fileName) { return writeExport(fileName, FDrill->CSV()); }

bool TPCDrillThroughForm::ExportHTML(const QString& fileName) { return writeExport(fileName, FDrill->HTMLPage()); }
