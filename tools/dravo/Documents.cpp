// Documents in dravo: reading and writing ".Dravo" files, and the convert and
// extract subcommands between documents and raw cube files.
#include "Layout.h"

#include "CPivotCube.h"
#include "CPivotCubeViewState.h"
#include "UCompressor.h"
#include "UPivotCubeInteractive.h"

#include <QFile>
#include <QFileInfo>

namespace dravo {

bool isDocumentFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray tag = f.read(8);
    return tag == "SFSv1.00" || tag == "SFSv1.01";
}

LoadedDocument loadDocument(const QString& fileName, const QByteArray& password, TPivotCubeData* cubeTarget) {
    QFileInfo info(fileName);
    if (!info.exists()) throw Failure{fileName, QStringLiteral("No such file")};
    if (info.isDir()) throw Failure{fileName, QStringLiteral("Is a folder, not a document")};
    LoadedDocument loaded;
    loaded.document = std::make_unique<TPCInteractive>();
    if (!cubeTarget) {
        loaded.cube = std::make_unique<TPivotCubeData>();
        cubeTarget = loaded.cube.get();
    }
    try {
        auto container = TSFSObject::CreateForReadingFile(fileName);
        loaded.isProtected = IsProtectedDocument(*container);
        if (loaded.isProtected && password.isEmpty())
            throw Failure{fileName, QStringLiteral("the document is password protected (give --password)")};
        QString error;
        if (!LoadDocumentFromContainer(*container, loaded.document.get(), cubeTarget, password, &error))
            throw Failure{fileName, loaded.isProtected ? QStringLiteral("wrong password or damaged document: %1").arg(error)
                                                       : QStringLiteral("damaged document: %1").arg(error)};
    } catch (const Exception& e) {
        throw Failure{fileName, e.message()};
    } catch (const std::bad_alloc&) {
        throw Failure{fileName, QStringLiteral("out of memory")};
    }
    return loaded;
}

void saveDocument(const QString& fileName, const TPCInteractive& document, const TPivotCubeData& cube,
                  const QByteArray& password) {
    try {
        SaveDocument(fileName, document, cube, password);
    } catch (const Exception& e) {
        throw Failure{fileName, e.message()};
    }
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
    if (!args.has(QStringLiteral("--output"))) throw dravo::UsageError{QStringLiteral("-o DOC.Dravo is required")};
    const QString input = args.positional.first();
    const QString output = args.value(QStringLiteral("--output"));
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
    if (!args.has(QStringLiteral("--output"))) throw dravo::UsageError{QStringLiteral("-o CUBE.pvc is required")};
    const QString input = args.positional.first();
    dravo::LoadedDocument loaded = dravo::loadDocument(input, passwordOf(args));
    dravo::writeFileAtomically(args.value(QStringLiteral("--output")), dravo::rawCubeFileBytes(*loaded.cube));
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
