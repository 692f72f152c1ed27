// The main window's runs, its document (opening, saving, the formulas), the
// view state of the shown view and the table exports.
#include "FPCInteractiveForm.h"
#include "UWellFormedXML.h"

#include "CChangeDecimals.h"
#include "CPivotCubeDataExport.h"
#include "CPivotCubeViewState.h"
#include "FPCFormulaEditor.h"
#include "FPivotCubeActiveValues.h"
#include "FPivotCubeDimension.h"
#include "FPivotCubeGrid.h"
#include "UHierarchicalWriter.h"
#include "UStdMessageDlg.h"
#include "UXMLParser.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>
#include <QTreeWidget>

#include <optional>

namespace {

enum class FileKind { Document, RawCube, Other };

FileKind kindOf(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return FileKind::Other;
    const QByteArray head = f.read(TPivotCubeData::FileHeader().size());
    if (head.startsWith("SFSv1.00") || head.startsWith("SFSv1.01")) return FileKind::Document;
    if (head == TPivotCubeData::FileHeader()) return FileKind::RawCube;
    return FileKind::Other;
}

// What a load produced on its worker thread.
struct Loaded {
    std::unique_ptr<TPCInteractive> Document = std::make_unique<TPCInteractive>();
    std::unique_ptr<TPivotCubeData> Cube = std::make_unique<TPivotCubeData>();
    QString Error;   // empty when it succeeded
};

Loaded load(const QString& fileName) {
    Loaded out;
    try {
        switch (kindOf(fileName)) {
        case FileKind::Document: {
            auto container = TSFSObject::CreateForReadingFile(fileName);
            if (IsProtectedDocument(*container)) {
                out.Error = Translate(QStringLiteral("le document est protégé par un mot de passe"));
                break;
            }
            QString error;
            if (!LoadDocumentFromContainer(*container, out.Document.get(), out.Cube.get(), {}, &error))
                out.Error = error.isEmpty() ? Translate(QStringLiteral("document endommagé")) : error;
            break;
        }
        case FileKind::RawCube:
            out.Document.reset();   // a raw cube brings no document
            out.Cube->LoadFromFile(fileName);
            break;
        case FileKind::Other:
            out.Error = QFileInfo::exists(fileName) ? Translate(QStringLiteral("ce n'est ni un document Dravo ni un cube"))
                                                    : Translate(QStringLiteral("fichier introuvable"));
            break;
        }
    } catch (const Exception& e) {
        out.Error = e.message();
    } catch (const std::exception& e) {
        out.Error = QString::fromUtf8(e.what());
    }
    if (!out.Error.isEmpty()) {
        out.Document = std::make_unique<TPCInteractive>();
        out.Cube = std::make_unique<TPivotCubeData>();
    }
    return out;
}

// Loads on a worker thread so the window keeps painting; a load longer than
// half a second shows a busy progress box.
Loaded loadWithProgress(QWidget* parent, const QString& fileName) {
    std::optional<Loaded> result;
    QEventLoop loop;
    QThread* worker = QThread::create([&result, fileName] { result = load(fileName); });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    QProgressDialog progress(parent);
    progress.setWindowTitle(Translate(QStringLiteral("Visionneuse Dravo")));
    progress.setLabelText(TranslateFormat(QStringLiteral("Ouverture de %s..."), {QFileInfo(fileName).fileName()}));
    progress.setRange(0, 0);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(500);
    progress.setWindowModality(Qt::WindowModal);
    progress.setValue(0);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    delete worker;
    return std::move(*result);
}

} // namespace

// --- Runs ------------------------------------------------------------------

bool TPCInteractiveForm::ExecuteInteractive(TPCInteractive& document, const TPivotCubeData& cubeData,
                                            const QString& caption, bool designMode) {
    BeginInteractive(document, cubeData, caption, designMode);
    QEventLoop loop;
    connect(this, &TPCInteractiveForm::RunFinished, &loop, &QEventLoop::quit);
    show();
    loop.exec();
    EndRun(&document);
    return true;
}

bool TPCInteractiveForm::ExecuteFile(const QString& fileName) {
    BeginFile(fileName);
    QEventLoop loop;
    connect(this, &TPCInteractiveForm::RunFinished, &loop, &QEventLoop::quit);
    show();
    loop.exec();
    EndRun();
    return true;
}

void TPCInteractiveForm::BeginInteractive(const TPCInteractive& document, const TPivotCubeData& cubeData,
                                          const QString& caption, bool designMode) {
    auto copy = std::make_unique<TPCInteractive>();
    copy->Assign(&document);
    FDocument = std::move(copy);
    FCaptionIsFile = false;
    updateCaption(caption);
    Pivot().SetCubeData(cubeData);
    InitFromDocument();
    SetDesignMode(designMode);
}

void TPCInteractiveForm::BeginFile(const QString& fileName) {
    FDocument = std::make_unique<TPCInteractive>();
    if (IsCsvFileName(fileName)) {
        // The import dialog opens over the window once it is shown; closing
        // it leaves an empty document to build on.
        updateCaption(QString());
        SetDesignMode(true);
        QTimer::singleShot(0, this, [this, fileName] { ImportCsv(fileName); });
        return;
    }
    FCaptionIsFile = true;
    updateCaption(QFileInfo(fileName).fileName());
    const bool opened = openFile(fileName);
    // A file that could not be read leaves an empty document to build on,
    // named after nothing so that a save cannot take it for the file.
    if (!opened) updateCaption(QString());
    SetDesignMode(!opened);
}

void TPCInteractiveForm::EndRun(TPCInteractive* copyBack) {
    StoreCurrentView();
    storeFormulas();
    if (copyBack) copyBack->Assign(FDocument.get());
}

void TPCInteractiveForm::updateCaption(const QString& shownName) {
    FCaptionName = shownName;
    QString caption;
    if (shownName.isEmpty())
        caption = Translate(QStringLiteral("Visionneuse Dravo"));
    else if (FCaptionIsFile)
        caption = TranslateFormat(QStringLiteral("Visionneuse Dravo - %s"), {shownName});
    else
        caption = Translate(QStringLiteral("Visionneuse Dravo")) + QStringLiteral(" - ") + TranslateContent(shownName);
    setWindowTitle(caption);
}

// --- Opening and saving ----------------------------------------------------

bool TPCInteractiveForm::openFile(const QString& fileName) {
    Loaded loaded = loadWithProgress(this, fileName);
    FCurrentView = nullptr;   // the old view's state is not kept
    FCurrentGraph = nullptr;
    FDocument = loaded.Document ? std::move(loaded.Document) : std::make_unique<TPCInteractive>();
    Pivot().SetCubeData(*loaded.Cube);
    InitFromDocument();
    if (!loaded.Error.isEmpty()) {
        ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("Impossible d'ouvrir \"%0:s\" : %1:s"),
                                                        {QFileInfo(fileName).fileName(), loaded.Error}));
        return false;
    }
    return true;
}

void TPCInteractiveForm::ImportDocument(const QString& fileName) {
    FCaptionIsFile = true;
    if (openFile(fileName)) updateCaption(QFileInfo(fileName).fileName());
    else {
        updateCaption(QString());
        SetDesignMode(true);
    }
}

void TPCInteractiveForm::ImportRawCube(const QString& fileName) {
    // Recognised by its content: a document chosen here opens as a document.
    ImportDocument(fileName);
}

bool TPCInteractiveForm::SaveDocumentTo(const QString& fileName) {
    StoreCurrentView();
    storeFormulas();
    try {
        SaveDocument(fileName, *FDocument, Pivot().CubeData());
    } catch (const Exception& e) {
        ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("Impossible d'enregistrer \"%0:s\" : %1:s"),
                                                        {QFileInfo(fileName).fileName(), e.message()}));
        return false;
    }
    FCaptionIsFile = true;
    updateCaption(QFileInfo(fileName).fileName());
    ShowInformation(QStringLiteral("Dravo enregistré."));
    return true;
}

// --- Formulas --------------------------------------------------------------

void TPCInteractiveForm::loadFormulas() {
    TPivotCubeFormulas& formulas = Pivot().Formulas();
    if (FDocument->FormulasXML.trimmed().isEmpty()) {
        formulas.Clear();
        return;
    }
    TXMLDOMDocument xml;
    try {
        const QString fault = WellFormednessFault(FDocument->FormulasXML);
        if (!fault.isEmpty()) throw Exception(fault);
        xml.LoadFromBytes(FDocument->FormulasXML);
    } catch (const Exception& e) {
        formulas.Clear();
        ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("Les formules du document sont illisibles : %s"),
                                                        {e.message()}));
        return;
    }
    ReadXML(formulas, xml.DocumentElement() ? ChildByPath(xml.DocumentElement(), QStringLiteral("PCFormulas")) : nullptr);
}

void TPCInteractiveForm::storeFormulas() { FDocument->FormulasXML = SaveToXMLText(Pivot().Formulas()); }

void TPCInteractiveForm::EditFormulas() {
    TPCFormulaEditor editor(this);
    TPivotCube& pivot = Pivot();
    if (!editor.Execute(pivot.Formulas(), pivot.CubeData().Values())) return;
    // Columns that name neither a cube value nor a formula any more go.
    pivot.ValueColumns().SyncWithSources(pivot.CubeData().Values(), pivot.Formulas());
    pivot.Repaint();
}

// --- View state ------------------------------------------------------------

QString TPCInteractiveForm::BuildViewState() {
    TXMLHierarchicalWriter root(QStringLiteral("ViewState"));
    Pivot().WriteViewState(&root);
    THierarchicalWriter* columns = root.AddChild(QStringLiteral("ColAxisSize"));
    columns->SetAttribute(QStringLiteral("Width"), QString::number(FColumns->BlockWidth()));
    columns->SetAttribute(QStringLiteral("Height"), QString::number(FTop->height()));
    THierarchicalWriter* rows = root.AddChild(QStringLiteral("RowAxisSize"));
    rows->SetAttribute(QStringLiteral("Width"), QString::number(rowBarWidth()));
    rows->SetAttribute(QStringLiteral("Height"), QString::number(FRows->BlockHeight()));
    return root.ToText();
}

bool TPCInteractiveForm::ApplyViewState(const QString& text) {
    TXMLDOMDocument xml;
    try {
        const QString state = text.trimmed().isEmpty() ? QStringLiteral("<ViewState/>") : text;
        // The document parser closes what a cut text leaves open: a damaged
        // state is caught before it reaches the engine.
        const QString fault = WellFormednessFault(state);
        if (!fault.isEmpty()) throw Exception(fault);
        xml.LoadXML(state);
        if (!xml.DocumentElement()) throw Exception(Translate(QStringLiteral("aucun élément")));
        Pivot().ReadViewState(xml.DocumentElement());
    } catch (const Exception& e) {
        // The display stays as it was.
        ShowError(QStringLiteral("!") + TranslateFormat(QStringLiteral("La vue ne peut pas être affichée : %s"),
                                                        {e.message()}));
        return false;
    }
    const auto integer = [&](const char* path, int fallback) {
        int value = fallback;
        if (TXMLDOMElement* e = ChildByPath(xml.DocumentElement(), QString::fromLatin1(path)))
            if (!TryStrToInt(AttributeValue(e, QStringLiteral("Width")), value)) value = fallback;
        return value;
    };
    FColumns->SetBlockWidth(integer("ColAxisSize", 80));
    setRowBarWidth(integer("RowAxisSize", 90));
    int blockHeight = 50;
    if (TXMLDOMElement* e = ChildByPath(xml.DocumentElement(), QStringLiteral("RowAxisSize")))
        if (!TryStrToInt(AttributeValue(e, QStringLiteral("Height")), blockHeight)) blockHeight = 50;
    FRows->SetBlockHeight(blockHeight);
    for (QWidget* bar : {static_cast<QWidget*>(FColumns), static_cast<QWidget*>(FRows), static_cast<QWidget*>(FValues)})
        bar->update();
    const QStringList warnings = Pivot().ViewStateWarnings();
    if (!warnings.isEmpty()) statusBar()->showMessage(warnings.join(QLatin1Char(' ')), 10000);
    return true;
}

void TPCInteractiveForm::StoreCurrentView() {
    StoreCurrentGraph();
    if (FCurrentView) FCurrentView->XMLData = BuildViewState();
}

// --- Exports ---------------------------------------------------------------

bool TPCInteractiveForm::writeExport(const QString& fileName, const QByteArray& bytes) {
    if (!WriteFileWithRetry(fileName, bytes)) return false;
    statusBar()->showMessage(TranslateFormat(QStringLiteral("%s exporté"), {QFileInfo(fileName).fileName()}), 10000);
    return true;
}

bool TPCInteractiveForm::ExportHTML(const QString& fileName) {
    QByteArray bytes;
    try {
        bytes = Pivot().ExportHTML(7);
    } catch (const Exception& e) {
        ShowError(QStringLiteral("!") + e.message());
        return false;
    }
    return writeExport(fileName, bytes);
}

bool TPCInteractiveForm::ExportXML(const QString& fileName) {
    QByteArray bytes;
    try {
        bytes = Pivot().ExportXML(7);
    } catch (const Exception& e) {
        ShowError(QStringLiteral("!") + e.message());
        return false;
    }
    return writeExport(fileName, bytes);
}

bool TPCInteractiveForm::ExportSpreadsheet(const QString& fileName) {
    QByteArray bytes;
    try {
        // The page takes the user's decimal separator; the program's comes back afterwards.
        bytes = Pivot().ExportSpreadsheet();
    } catch (const Exception& e) {
        ShowError(QStringLiteral("!") + e.message());
        return false;
    }
    return writeExport(fileName, bytes);
}

bool TPCInteractiveForm::ExportRegroupedData(const QString& fileName) {
    return writeExport(fileName, DataHTMLPage(Pivot().CubeData()));
}

void TPCInteractiveForm::ChangeDecimalsBy(int delta) {
    Pivot().SetValueDefaultFormat(ChangeDecimals(Pivot().ValueDefaultFormat(), delta));
}
