// The CSV import dialog: the reading options, one line per column with its
// role, operator and parent, the first lines of the file, and the import run
// on a worker thread.
#include "FCsvImportDialog.h"

#include "UMultiLang.h"
#include "UStdMessageDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <optional>

namespace {

constexpr int kShownLines = 20;
// The kinds of the columns are judged on this many lines, as the import does.
constexpr int kJudgedLines = 1000;

enum Column { colName, colKind, colRole, colOperator, colParent, colCount };

// The role combo's entries, in this order.
const TCsvColumnRole kRoles[] = {TCsvColumnRole::Axis, TCsvColumnRole::MonthAxis, TCsvColumnRole::Value, TCsvColumnRole::Ignore};
const char* const kRoleTexts[] = {"Axe", "Axe des mois", "Valeur", "Ignorée"};

QString kindText(TCsvColumnKind kind) {
    switch (kind) {
    case TCsvColumnKind::Empty: return Translate(QStringLiteral("vide"));
    case TCsvColumnKind::Text: return Translate(QStringLiteral("texte"));
    case TCsvColumnKind::Number: return Translate(QStringLiteral("nombres"));
    case TCsvColumnKind::Date: return Translate(QStringLiteral("dates"));
    }
    return QString();
}

QComboBox* comboBox(const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    return box;
}

} // namespace

TCsvImportDialog::TCsvImportDialog(const QString& fileName, QWidget* parent) : QDialog(parent), FFileName(fileName) {
    setObjectName(QStringLiteral("TCsvImportDialog"));
    setWindowTitle(Translate(QStringLiteral("Importer un CSV")));
    auto* layout = new QVBoxLayout(this);

    auto* file = new QLabel(QFileInfo(fileName).fileName(), this);
    file->setObjectName(QStringLiteral("LBFile"));
    QFont bold = file->font();
    bold.setBold(true);
    file->setFont(bold);
    layout->addWidget(file);

    // How the file is read, and the title.
    auto* reading = new QHBoxLayout;
    const auto labelled = [&](const char* text, QWidget* field) {
        auto* label = new QLabel(Translate(QString::fromUtf8(text)), this);
        label->setBuddy(field);
        reading->addWidget(label);
        reading->addWidget(field);
        reading->addSpacing(12);
    };
    FDelimiter = comboBox(QStringLiteral("CBDelimiter"), this);
    for (const char* t : {"Détecté", "Virgule", "Point-virgule", "Tabulation"}) FDelimiter->addItem(Translate(QString::fromUtf8(t)));
    FDecimal = comboBox(QStringLiteral("CBDecimal"), this);
    for (const char* t : {"Point", "Virgule"}) FDecimal->addItem(Translate(QString::fromUtf8(t)));
    FEncoding = comboBox(QStringLiteral("CBEncoding"), this);
    FEncoding->addItems({QStringLiteral("UTF-8"), QStringLiteral("Latin-1")});
    labelled("Séparateur :", FDelimiter);
    labelled("Décimales :", FDecimal);
    labelled("Encodage :", FEncoding);
    reading->addStretch();
    layout->addLayout(reading);
    auto* titleRow = new QFormLayout;
    FTitle = new QLineEdit(QFileInfo(fileName).completeBaseName(), this);
    FTitle->setObjectName(QStringLiteral("EDTitle"));
    titleRow->addRow(Translate(QStringLiteral("Titre du cube :")), FTitle);
    layout->addLayout(titleRow);

    const auto section = [&](const char* text) {
        auto* label = new QLabel(Translate(QString::fromUtf8(text)), this);
        label->setFont(bold);
        layout->addSpacing(6);
        layout->addWidget(label);
    };
    section("Colonnes");
    FColumns = new QTableWidget(this);
    FColumns->setObjectName(QStringLiteral("TBColumns"));
    FColumns->setColumnCount(colCount);
    FColumns->setHorizontalHeaderLabels({Translate(QStringLiteral("Colonne")), Translate(QStringLiteral("Contenu")),
                                         Translate(QStringLiteral("Rôle")), Translate(QStringLiteral("Opération")),
                                         Translate(QStringLiteral("Parent"))});
    FColumns->verticalHeader()->hide();
    FColumns->setSelectionMode(QAbstractItemView::NoSelection);
    FColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FColumns->horizontalHeader()->setSectionResizeMode(colName, QHeaderView::Stretch);
    for (int c = colKind; c < colCount; ++c) FColumns->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    layout->addWidget(FColumns, 1);

    auto* note = new QLabel(Translate(QStringLiteral("Une cellule vide d'une colonne de valeurs compte pour 0.")), this);
    note->setObjectName(QStringLiteral("LBEmptyCells"));
    layout->addWidget(note);

    section("Aperçu des premières lignes");
    FLines = new QTableWidget(this);
    FLines->setObjectName(QStringLiteral("TBPreview"));
    FLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FLines->setWordWrap(false);
    FLines->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    layout->addWidget(FLines, 1);

    FError = new QLabel(this);
    FError->setObjectName(QStringLiteral("LBError"));
    FError->setWordWrap(true);
    FError->setStyleSheet(QStringLiteral("color: #B00020;"));
    FError->hide();
    layout->addWidget(FError);

    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(Translate(QStringLiteral("Importer")), QDialogButtonBox::AcceptRole);
    FOk->setObjectName(QStringLiteral("BBOk"));
    FOk->setDefault(true);
    QPushButton* cancel = buttons->addButton(Translate(QStringLiteral("Annuler")), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("BBCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TCsvImportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TCsvImportDialog::reject);
    layout->addWidget(buttons);

    for (QComboBox* box : {FDelimiter, FDecimal, FEncoding})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { readPreview(); });
    readPreview();
    resize(760, 600);
}

TCsvImportDialog::~TCsvImportDialog() = default;

QComboBox* TCsvImportDialog::RoleBox(int column) const { return qobject_cast<QComboBox*>(FColumns->cellWidget(column, colRole)); }
QComboBox* TCsvImportDialog::OperatorBox(int column) const { return qobject_cast<QComboBox*>(FColumns->cellWidget(column, colOperator)); }
QComboBox* TCsvImportDialog::ParentBox(int column) const { return qobject_cast<QComboBox*>(FColumns->cellWidget(column, colParent)); }

TCsvFormat TCsvImportDialog::format() const {
    static const char delimiters[] = {0, ',', ';', '\t'};
    TCsvFormat f;
    f.Delimiter = delimiters[std::clamp(FDelimiter->currentIndex(), 0, 3)];
    f.Decimal = FDecimal->currentIndex() == 1 ? ',' : '.';
    f.Encoding = FEncoding->currentIndex() == 1 ? TCsvEncoding::Latin1 : TCsvEncoding::Utf8;
    return f;
}

void TCsvImportDialog::readPreview() {
    QString error;
    try {
        const TCsvFormat f = format();
        if (f.Delimiter != 0 && f.Delimiter == f.Decimal)
            error = Translate(QStringLiteral("Le séparateur et les décimales doivent différer."));
        else
            FPreview = PreviewCsvFile(FFileName, f, kJudgedLines);
    } catch (const ECsvImportError& e) {
        error = e.message();
    }
    if (!error.isEmpty()) FPreview = TCsvPreview();
    FError->setText(error);
    FError->setVisible(!error.isEmpty());
    FOk->setEnabled(error.isEmpty() && !FPreview.Names.isEmpty());
    fillColumns();
    fillPreview();
}

void TCsvImportDialog::fillColumns() {
    FColumns->setRowCount(0);
    const int n = int(FPreview.Names.size());
    FColumns->setRowCount(n);
    for (int row = 0; row < n; ++row) {
        const TCsvColumnKind kind = FPreview.Kinds[size_t(row)];
        FColumns->setItem(row, colName, new QTableWidgetItem(FPreview.Names[row]));
        FColumns->setItem(row, colKind, new QTableWidgetItem(kindText(kind)));

        QComboBox* role = comboBox(QStringLiteral("CBRole%1").arg(row), FColumns);
        for (size_t i = 0; i < std::size(kRoles); ++i) {
            // A column of something else than dates cannot give months.
            if (kRoles[i] == TCsvColumnRole::MonthAxis && kind != TCsvColumnKind::Date) continue;
            role->addItem(Translate(QString::fromUtf8(kRoleTexts[i])), int(kRoles[i]));
        }
        role->setCurrentIndex(role->findData(int(DefaultCsvRole(kind))));
        QComboBox* op = comboBox(QStringLiteral("CBOperator%1").arg(row), FColumns);
        for (const TRegisteredPCGroupOperator& r : RegisteredGroupOperators()) op->addItem(r.Name, r.Name);   // stored names, never translated
        QComboBox* parent = comboBox(QStringLiteral("CBParent%1").arg(row), FColumns);
        parent->addItem(Translate(QStringLiteral("(aucun)")), QString());
        for (int other = 0; other < n; ++other)
            if (other != row) parent->addItem(FPreview.Names[other], FPreview.Names[other]);
        FColumns->setCellWidget(row, colRole, role);
        FColumns->setCellWidget(row, colOperator, op);
        FColumns->setCellWidget(row, colParent, parent);
        connect(role, &QComboBox::currentIndexChanged, this, [this, row] { updateRow(row); });
        updateRow(row);
    }
}

void TCsvImportDialog::updateRow(int row) {
    const auto role = TCsvColumnRole(RoleBox(row)->currentData().toInt());
    OperatorBox(row)->setEnabled(role == TCsvColumnRole::Value);
    ParentBox(row)->setEnabled(role == TCsvColumnRole::Axis || role == TCsvColumnRole::MonthAxis);
}

void TCsvImportDialog::fillPreview() {
    FLines->clear();
    const int n = int(FPreview.Names.size());
    const int lines = int(std::min<size_t>(FPreview.Lines.size(), kShownLines));
    FLines->setColumnCount(n);
    FLines->setRowCount(lines);
    FLines->setHorizontalHeaderLabels(FPreview.Names);
    for (int r = 0; r < lines; ++r) {
        const QStringList& cells = FPreview.Lines[size_t(r)];
        for (int c = 0; c < n && c < cells.size(); ++c) {
            // A line break inside a quoted cell is shown as a mark.
            QString text = cells[c];
            text.replace(QLatin1String("\r\n"), QStringLiteral("\u21B5")).replace(QLatin1Char('\n'), QChar(0x21B5)).replace(QLatin1Char('\r'), QChar(0x21B5));
            auto* item = new QTableWidgetItem(text);
            if (FPreview.Kinds[size_t(c)] == TCsvColumnKind::Number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            FLines->setItem(r, c, item);
        }
    }
    FLines->resizeColumnsToContents();
}

TCsvImportOptions TCsvImportDialog::Options() const {
    TCsvImportOptions o;
    o.Format = format();
    o.Title = FTitle->text();
    for (int row = 0; row < FColumns->rowCount(); ++row) {
        const QString name = FPreview.Names[row];
        const auto role = TCsvColumnRole(RoleBox(row)->currentData().toInt());
        const QString op = OperatorBox(row)->currentData().toString();
        const QString parent = ParentBox(row)->isEnabled() ? ParentBox(row)->currentData().toString() : QString();
        if (role == TCsvColumnRole::MonthAxis) {
            o.MonthColumns << name;
            if (!parent.isEmpty()) o.Parents.emplace_back(name, parent);
            continue;
        }
        // Untouched columns are left to the classification, which reads every line.
        const bool untouched = role == DefaultCsvRole(FPreview.Kinds[size_t(row)]) && parent.isEmpty() &&
                               (role != TCsvColumnRole::Value || op == QLatin1String("Somme"));
        if (!untouched) o.Columns.push_back({name, role, role == TCsvColumnRole::Value ? op : QString(), parent});
    }
    return o;
}

void TCsvImportDialog::accept() {
    const TCsvImportOptions options = Options();
    std::optional<TCsvImportResult> result;
    QString error;
    bool outOfMemory = false;
    std::atomic<qint64> done{0}, total{0};
    {
        // The import runs on a worker thread; a long one shows its progress.
        QEventLoop loop;
        const QString fileName = FFileName;
        QThread* worker = QThread::create([&] {
            try {
                result = ImportCsvFile(fileName, options, [&](qint64 d, qint64 t) {
                    done = d;
                    total = t;
                });
            } catch (const ECsvImportError& e) {
                error = e.message();
            } catch (const std::bad_alloc&) {
                outOfMemory = true;   // said in the interface's language, on its thread
            }
        });
        connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
        QProgressDialog progress(this);
        progress.setWindowTitle(Translate(QStringLiteral("Importer un CSV")));
        progress.setLabelText(TranslateFormat(QStringLiteral("Importation de %s..."), {QFileInfo(FFileName).fileName()}));
        progress.setRange(0, 100);
        progress.setCancelButton(nullptr);
        progress.setMinimumDuration(500);
        progress.setWindowModality(Qt::WindowModal);
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, &progress, [&] {
            if (total > 0) progress.setValue(int(done * 100 / total));
        });
        ticker.start(100);
        worker->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker->wait();
        delete worker;
    }
    if (outOfMemory) error = Translate(QStringLiteral("mémoire insuffisante"));
    if (!result) {
        ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("Impossible d'importer \"%s\" : %s"),
                                                        {QFileInfo(FFileName).fileName(), error}));
        return;   // the choices stay for another try
    }
    FCube = std::move(result->Cube);
    FEmptyNumbers = result->EmptyNumbers;
    QDialog::accept();
}
