// Documents in dravo: reading and writing ".Dravo" files, and the convert and
// extract subcommands between documents and raw cube files.
#include "Layout.h"
#include "ProgressStream.h"

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UCompressor.h"
#include "UPivotCubeInteractive.h"

#include <QFile>
#include <QFileInfo>

namespace dravo {

bool isDocumentFile(const QString& fileName) { return fileKind(fileName) == FileKind::Document; }

LoadedDocument loadDocument(const QString& fileName, const QByteArray& password, TPivotCubeData* cubeTarget) {
    const FileKind kind = fileKind(fileName);
    if (kind != FileKind::Document) wrongKind(fileName, kind, FileKind::Document);
    LoadedDocument loaded;
    loaded.document = std::make_unique<TPCInteractive>();
    if (!cubeTarget) {
        loaded.cube = std::make_unique<TPivotCubeData>();
        cubeTarget = loaded.cube.get();
    }
    try {
        Progress progress(QStringLiteral("loading"));
        TFileStream file(fileName, TFileStream::fmOpenRead);
        ProgressStream reading(file, progress);
        std::unique_ptr<TSFSObject> container;
        try {
            container = TSFSObject::CreateForReading(reading);
        } catch (const Exception& e) {
            throw Failure{fileName, QStringLiteral("the document is damaged"), e.message()};
        }
        loaded.isProtected = IsProtectedDocument(*container);
        if (loaded.isProtected && password.isEmpty())
            throw Failure{fileName, QStringLiteral("the document is password protected (give --password)")};
        QString error;
        if (!LoadDocumentFromContainer(*container, loaded.document.get(), cubeTarget, password, &error))
            throw Failure{fileName, loaded.isProtected ? QStringLiteral("wrong password, or the document is damaged")
                                                       : QStringLiteral("the document is damaged"),
                          error};
    } catch (const Exception& e) {
        throw Failure{fileName, QStringLiteral("the document cannot be read"), e.message()};
    } catch (const std::bad_alloc&) {
        throw Failure{fileName, QStringLiteral("out of memory")};
    }
    return loaded;
}

void saveDocument(const QString& fileName, const TPCInteractive& document, const TPivotCubeData& cube,
                  const QByteArray& password) {
    TMemoryStream bytes;
    try {
        Progress progress(QStringLiteral("compressing"));
        auto container = TSFSObject::CreateForWriting(bytes, sfsoVersion100);
        SaveDocumentToContainer(*container, document, cube, password);
        container->Close();
    } catch (const Exception& e) {
        throw Failure{fileName, QStringLiteral("the document cannot be made"), e.message()};
    }
    writeFileAtomically(fileName, bytes.Data());
}

QByteArray rawCubeFileBytes(const TPivotCubeData& cube) {
    TMemoryStream file;
    file.WriteBytes(TPivotCubeData::FileHeader());
    TBlockStringStream content;
    {
        TBinaryWriter writer(content, 65536);
        cube.WriteToFiler(writer);
    }
    CompressStream(&content, &file);
    return file.Data();
}

Option passwordOption() {
    return {QStringLiteral("--password"), QString(), QStringLiteral("P"),
            QStringLiteral("password of a protected document (none by default)")};
}

} // namespace dravo

namespace {

QByteArray passwordOf(const dravo::Args& args) { return args.value(QStringLiteral("--password")).toUtf8(); }

int runConvert(const dravo::Args& args) {
    const QString output = dravo::outputPath(args, QStringLiteral("-o DOC.Dravo"));
    const QString input = args.positional.first();
    // Replacing the input would lose it (and a document's views and formulas).
    dravo::refuseToReplaceInput(input, output);
    if (args.has(QStringLiteral("--where")))
        throw dravo::UsageError{QStringLiteral("--where does not apply to convert: a document keeps all its items")};
    auto cube = dravo::loadCube(input);
    TPCInteractive document;
    TPCInteractiveView* view = document.NewView();
    view->Description.Nom = args.value(QStringLiteral("--view"), QStringLiteral("Par défaut"));
    if (dravo::hasLayoutOptions(args)) {
        // The engine reorders its copy of the items; the document keeps the cube as read.
        TPivotCube engine;
        engine.SetCubeData(*cube);
        dravo::applyLayoutOptions(engine, args, false);
        view->XMLData = dravo::viewStateText(engine);
        document.FormulasXML = SaveToXMLText(engine.Formulas());
    }
    dravo::saveDocument(output, document, *cube, passwordOf(args));
    return 0;
}

int runExtract(const dravo::Args& args) {
    const QString output = dravo::outputPath(args, QStringLiteral("-o CUBE.pvc"));
    const QString input = args.positional.first();
    dravo::refuseToReplaceInput(input, output);
    dravo::LoadedDocument loaded = dravo::loadDocument(input, passwordOf(args));
    QByteArray bytes;
    {
        dravo::Progress progress(QStringLiteral("compressing"));
        bytes = dravo::rawCubeFileBytes(*loaded.cube);
    }
    dravo::writeFileAtomically(output, bytes);
    return 0;
}

dravo::Subcommand makeConvert() {
    dravo::Subcommand c;
    c.name = QStringLiteral("convert");
    c.summary = QStringLiteral("wrap a raw cube file (.pvc) into a document (.Dravo)");
    c.synopsis = QStringLiteral("convert [--view NAME] [--password P] [layout options] CUBE.pvc -o DOC.Dravo");
    c.description = QStringLiteral(
        "Writes a document holding the cube and one view (\"Par défaut\" unless --view\n"
        "names it). The layout options (those of 'dravo export') make the view's placement\n"
        "and its formulas; without them the view's placement is empty. With --password\n"
        "the document's entries are encrypted. The output file is replaced atomically.");
    c.options = {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("DOC.Dravo"), QStringLiteral("the document to write")},
                 {QStringLiteral("--view"), QString(), QStringLiteral("NAME"), QStringLiteral("name of the document's view (default \"Par défaut\")")},
                 dravo::passwordOption()};
    for (dravo::Option& o : dravo::layoutOptions()) c.options.push_back(std::move(o));
    c.minPositional = c.maxPositional = 1;
    c.run = runConvert;
    return c;
}

dravo::Subcommand makeExtract() {
    dravo::Subcommand c;
    c.name = QStringLiteral("extract");
    c.summary = QStringLiteral("write the cube of a document (.Dravo) as a raw cube file (.pvc)");
    c.synopsis = QStringLiteral("extract [--password P] DOC.Dravo -o CUBE.pvc");
    c.description = QStringLiteral(
        "Writes the document's cube data set as a raw cube file (header \"PivotCube-KDR-1.00\",\n"
        "compressed). The output file is replaced atomically.");
    c.options = {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("CUBE.pvc"), QStringLiteral("the cube file to write")},
                 dravo::passwordOption()};
    c.minPositional = c.maxPositional = 1;
    c.run = runExtract;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeConvert());
DRAVO_SUBCOMMAND(makeExtract());
