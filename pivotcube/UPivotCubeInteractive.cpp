#include "UPivotCubeInteractive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

LORVANE_IMPLEMENT_CLASS(TPCInteractiveViewGraph, TClipBoardAble)
LORVANE_REGISTER_CLASS(TPCInteractiveViewGraph)
LORVANE_IMPLEMENT_CLASS(TPCInteractiveView, TClipBoardAble)
LORVANE_REGISTER_CLASS(TPCInteractiveView)
LORVANE_IMPLEMENT_CLASS(TPCInteractive, TClipBoardAble)
LORVANE_REGISTER_CLASS(TPCInteractive)

namespace {

template <class T>
int indexIn(const std::vector<std::unique_ptr<T>>& items, const T* item) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == item) return int(i);
    return -1;
}

template <class T>
void exchangeWithNeighbour(std::vector<std::unique_ptr<T>>& items, const T* item, int delta) {
    const int i = indexIn(items, item);
    const int j = i + delta;
    if (i < 0 || j < 0 || j >= int(items.size())) return;
    std::swap(items[size_t(i)], items[size_t(j)]);
}

template <class T>
std::unique_ptr<T> takeOut(std::vector<std::unique_ptr<T>>& items, const T* item) {
    const int i = indexIn(items, item);
    if (i < 0) return nullptr;
    std::unique_ptr<T> out = std::move(items[size_t(i)]);
    items.erase(items.begin() + i);
    return out;
}

template <class T>
class OwnedListView : public IReadOnlyObjectList {
public:
    explicit OwnedListView(const std::vector<std::unique_ptr<T>>& items) : FItems(items) {}
    int Count() const override { return int(FItems.size()); }
    TObject* Item(int index) const override { return FItems[size_t(index)].get(); }

private:
    const std::vector<std::unique_ptr<T>>& FItems;
};

// Reads a polymorphic sequence that may only hold instances of T; attach runs
// on each new item before it reads itself.
template <class T, class Attach>
void readOwnedList(TVirtualReader& reader, std::vector<std::unique_ptr<T>>& items, Attach attach) {
    ReadObjectList(
        reader,
        [&](TVirtualConstructedObject* item) {
            T* typed = dynamic_cast<T*>(item);
            if (!typed) RaiseBrokenObjectList();
            attach(typed);
        },
        [&](std::unique_ptr<TObject> item) {
            if (!dynamic_cast<T*>(item.get())) RaiseBrokenObjectList();
            items.emplace_back(static_cast<T*>(item.release()));
        });
}

} // namespace

// ---------------------------------------------------------------------------
// TPCInteractiveViewGraph

void TPCInteractiveViewGraph::MoveUp() {
    if (FView) exchangeWithNeighbour(FView->FGraphs, this, -1);
}

void TPCInteractiveViewGraph::MoveDown() {
    if (FView) exchangeWithNeighbour(FView->FGraphs, this, +1);
}

std::unique_ptr<TPCInteractiveViewGraph> TPCInteractiveViewGraph::SetView(TPCInteractiveView* view) {
    // A detached chart belongs to its caller, not to a view: nothing moves
    // until TPCInteractiveView::AddGraph attaches it.
    if (!FView) return nullptr;
    std::unique_ptr<TPCInteractiveViewGraph> self = FView->RemoveGraph(this);
    if (!view) return self;
    view->AddGraph(std::move(self));
    return nullptr;
}

void TPCInteractiveViewGraph::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    Description.WriteToFiler(writer);
    writer.WriteString("XMLData", XMLData);
    writer.WriteVersionEnd();
}

void TPCInteractiveViewGraph::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    Description.ReadFromFiler(reader);
    XMLData = reader.ReadString("XMLData");
    reader.ReadVersionEnd();
}

// ---------------------------------------------------------------------------
// TPCInteractiveView

TPCInteractiveView::TPCInteractiveView() = default;
TPCInteractiveView::~TPCInteractiveView() = default;

int TPCInteractiveView::IndexOfGraph(const TPCInteractiveViewGraph* graph) const { return indexIn(FGraphs, graph); }

TPCInteractiveViewGraph* TPCInteractiveView::NewGraph() { return AddGraph(std::make_unique<TPCInteractiveViewGraph>()); }

TPCInteractiveViewGraph* TPCInteractiveView::AddGraph(std::unique_ptr<TPCInteractiveViewGraph> graph) {
    if (!graph) return nullptr;
    if (graph->FView) {
        (void)graph.release(); // still owned by its view
        throw Exception(QStringLiteral("TPCInteractiveView.AddGraph : the chart belongs to a view"));
    }
    graph->FView = this;
    FGraphs.push_back(std::move(graph));
    return FGraphs.back().get();
}

std::unique_ptr<TPCInteractiveViewGraph> TPCInteractiveView::RemoveGraph(TPCInteractiveViewGraph* graph) {
    std::unique_ptr<TPCInteractiveViewGraph> out = takeOut(FGraphs, graph);
    if (out && out->FView == this) out->FView = nullptr;
    return out;
}

TPCInteractiveViewGraph* TPCInteractiveView::FindGraph(const QString& name) const {
    for (const auto& g : FGraphs)
        if (g->Description.Nom == name) return g.get();
    return nullptr;
}

void TPCInteractiveView::MoveUp() {
    if (FDocument) exchangeWithNeighbour(FDocument->FViews, this, -1);
}

void TPCInteractiveView::MoveDown() {
    if (FDocument) exchangeWithNeighbour(FDocument->FViews, this, +1);
}

void TPCInteractiveView::WriteToFiler(TVirtualWriter& writer) const {
    writer.WriteVersion(0);
    Description.WriteToFiler(writer);
    WriteObjectList(writer, OwnedListView(FGraphs));
    writer.WriteString("XMLData", XMLData);
    writer.WriteVersionEnd();
}

void TPCInteractiveView::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    Description.ReadFromFiler(reader);
    FGraphs.clear();
    readOwnedList(reader, FGraphs, [this](TPCInteractiveViewGraph* g) { g->FView = this; });
    XMLData = reader.ReadString("XMLData");
    reader.ReadVersionEnd();
}

// ---------------------------------------------------------------------------
// TPCInteractive

TPCInteractive::TPCInteractive() = default;
TPCInteractive::~TPCInteractive() = default;

int TPCInteractive::IndexOfView(const TPCInteractiveView* view) const { return indexIn(FViews, view); }

TPCInteractiveView* TPCInteractive::NewView() { return AddView(std::make_unique<TPCInteractiveView>()); }

TPCInteractiveView* TPCInteractive::AddView(std::unique_ptr<TPCInteractiveView> view) {
    if (!view) return nullptr;
    if (view->FDocument) {
        (void)view.release(); // still owned by its document
        throw Exception(QStringLiteral("TPCInteractive.AddView : the view belongs to a document"));
    }
    view->FDocument = this;
    FViews.push_back(std::move(view));
    return FViews.back().get();
}

std::unique_ptr<TPCInteractiveView> TPCInteractive::RemoveView(TPCInteractiveView* view) {
    std::unique_ptr<TPCInteractiveView> out = takeOut(FViews, view);
    if (out && out->FDocument == this) out->FDocument = nullptr;
    return out;
}

TPCInteractiveView* TPCInteractive::FindView(const QString& name) const {
    for (const auto& v : FViews)
        if (v->Description.Nom == name) return v.get();
    return nullptr;
}

TPCInteractiveView* TPCInteractive::DefaultView(TPCInteractiveViewGraph** graph) const {
    if (graph) *graph = nullptr;
    if (FViews.empty()) return nullptr;
    if (!DefaultDisplay.isEmpty()) {
        if (TPCInteractiveView* v = FindView(DefaultDisplay)) return v;
        // "view/chart": names may hold "/" themselves, so every split is tried.
        for (qsizetype slash = DefaultDisplay.indexOf(QLatin1Char('/')); slash >= 0;
             slash = DefaultDisplay.indexOf(QLatin1Char('/'), slash + 1)) {
            TPCInteractiveView* v = FindView(DefaultDisplay.left(slash));
            if (!v) continue;
            if (TPCInteractiveViewGraph* g = v->FindGraph(DefaultDisplay.mid(slash + 1))) {
                if (graph) *graph = g;
                return v;
            }
        }
    }
    return FViews.front().get();
}

void TPCInteractive::WriteToFiler(TVirtualWriter& writer) const {
    const bool withFormulas = !FormulasXML.isEmpty();
    writer.WriteVersion(withFormulas ? 1 : 0);
    WriteObjectList(writer, OwnedListView(FViews));
    writer.WriteString("DefaultDisplay", DefaultDisplay);
    if (withFormulas) writer.WriteDataString("FormulasXML", FormulasXML);
    writer.WriteVersionEnd();
}

void TPCInteractive::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0 && version != 1) RaiseFilerException(version);
    FViews.clear();
    readOwnedList(reader, FViews, [this](TPCInteractiveView* v) { v->FDocument = this; });
    DefaultDisplay = reader.ReadString("DefaultDisplay");
    FormulasXML = version == 1 ? reader.ReadDataString("FormulasXML") : QByteArray();
    reader.ReadVersionEnd();
}

// ---------------------------------------------------------------------------
// Document files

namespace {

const QString EntryManifest = QStringLiteral("Manifest");
const QString EntryDocument = QStringLiteral("PCI");
const QString EntryCube = QStringLiteral("PCD");

// Reads an entry of the document into object; the cube, the bulk of a
// document, is read as it is decompressed.
void readEntry(TSFSObject& container, const QString& name, TLoadSaveAble& object) {
    const TSFSFile* entry = container.RootDirectory()->FindFileInDirectory(name);
    if (!entry) throw ESFSException(QStringLiteral("The document has no \"%1\" entry").arg(name));
    entry->ReadObject(object);
}

// Makes a rename durable: the folder's entry is flushed too.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void SaveDocumentToContainer(TSFSObject& container, const TPCInteractive& document, const TPivotCubeData& cubeData,
                             const QByteArray& password) {
    int style = sfsAuto;
    if (!password.isEmpty()) {
        container.SetPassword(password);
        TSFSFile* manifest = container.AddFile(container.RootDirectory(), EntryManifest);
        manifest->Compression = sfsStored;
        manifest->SetData(ProtectedDocumentManifest());
        style = sfsEncrypted;
    }
    TSFSFile* pci = container.AddFile(container.RootDirectory(), EntryDocument);
    pci->Compression = style;
    pci->SetData(document.SaveToString());
    TSFSFile* pcd = container.AddFile(container.RootDirectory(), EntryCube);
    pcd->Compression = style;
    pcd->SetData(cubeData.SaveToString());
}

void SaveDocument(const QString& fileName, const TPCInteractive& document, const TPivotCubeData& cubeData,
                  const QByteArray& password) {
    const QString temporary = TemporarySaveName(fileName);
    try {
        {
            TFileStream out(temporary, TFileStream::fmCreate);
            {
                auto container = TSFSObject::CreateForWriting(out, sfsoVersion100);
                SaveDocumentToContainer(*container, document, cubeData, password);
                container->Close();
            }
            out.Commit();
            out.Close();
        }
        const QFileInfo target(fileName);
        if (target.exists()) QFile::setPermissions(temporary, QFile::permissions(fileName));
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(fileName).constData()) != 0)
            throw EFilerException(QStringLiteral("Unable to save to file \"%1\". %2")
                                      .arg(fileName, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    syncFolder(QFileInfo(fileName).absolutePath());
}

bool LoadDocumentFromContainer(TSFSObject& container, TPCInteractive* document, TPivotCubeData* cubeData,
                               const QByteArray& password, QString* error) {
    try {
        container.SetPassword(password);
        if (document) readEntry(container, EntryDocument, *document);
        if (cubeData) readEntry(container, EntryCube, *cubeData);
        return true;
    } catch (const Exception& e) {
        if (error) *error = e.message();
    } catch (const std::exception& e) {
        if (error) *error = QString::fromUtf8(e.what());
    }
    return false;
}

bool LoadDocument(const QString& fileName, TPCInteractive* document, TPivotCubeData* cubeData,
                  const QByteArray& password, QString* error) {
    auto container = TSFSObject::CreateForReadingFile(fileName);
    return LoadDocumentFromContainer(*container, document, cubeData, password, error);
}

bool IsProtectedDocument(const TSFSObject& container) {
    return container.RootDirectory() && container.RootDirectory()->FindFileInDirectory(EntryManifest) != nullptr;
}
