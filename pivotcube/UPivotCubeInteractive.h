#pragma once
// The interactive document: the saved views of one cube, each view with its
// charts, the cube's formulas and the node shown first; and the document file
// (".Dravo"), an SFS container holding the document ("PCI") and the cube data
// set ("PCD"), plus "Manifest" when it is password protected.
//
// The document owns its views, each view its charts. Views and charts keep a
// back link to their owner; a removed view or chart is handed back to the
// caller, detached.

#include "UPivotCube.h"
#include "USFSObject.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TPCInteractive;
class TPCInteractiveView;

// One chart of a view; XMLData holds its settings (root element "CubeChart").
class TPCInteractiveViewGraph : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCInteractiveViewGraph, TClipBoardAble)
public:
    TBaseNomDescription Description; // Nom is the chart's name
    QString XMLData;

    TPCInteractiveView* View() const { return FView; }
    // Exchange with the neighbouring chart of its view; nothing at either end or when detached.
    void MoveUp();
    void MoveDown();
    // Moves an attached chart to the end of view's charts (its own view
    // included). With none it is detached and handed to the caller. A chart
    // that is already detached is left as it is (it is attached with
    // TPCInteractiveView::AddGraph).
    [[nodiscard]] std::unique_ptr<TPCInteractiveViewGraph> SetView(TPCInteractiveView* view);

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    friend class TPCInteractiveView;
    TPCInteractiveView* FView = nullptr;
};

// One saved view; XMLData holds its view state (empty for a view just made).
class TPCInteractiveView : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCInteractiveView, TClipBoardAble)
public:
    TPCInteractiveView();
    ~TPCInteractiveView() override;

    TBaseNomDescription Description; // Nom is the view's name
    QString XMLData;

    TPCInteractive* Document() const { return FDocument; }

    int GraphCount() const { return int(FGraphs.size()); }
    TPCInteractiveViewGraph* Graphs(int index) const { return FGraphs[size_t(index)].get(); }
    int IndexOfGraph(const TPCInteractiveViewGraph* graph) const;
    // A new chart with an empty description, attached and appended.
    TPCInteractiveViewGraph* NewGraph();
    // Attaches and appends a detached chart.
    TPCInteractiveViewGraph* AddGraph(std::unique_ptr<TPCInteractiveViewGraph> graph);
    // Takes a chart out of the list, detached; none when it is not one of this view's.
    [[nodiscard]] std::unique_ptr<TPCInteractiveViewGraph> RemoveGraph(TPCInteractiveViewGraph* graph);
    // The first chart whose name is name; none when there is none.
    TPCInteractiveViewGraph* FindGraph(const QString& name) const;

    // Exchange with the neighbouring view of its document; nothing at either end or when detached.
    void MoveUp();
    void MoveDown();

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    friend class TPCInteractive;
    friend class TPCInteractiveViewGraph;
    TPCInteractive* FDocument = nullptr;
    std::vector<std::unique_ptr<TPCInteractiveViewGraph>> FGraphs;
};

// The document.
class TPCInteractive : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TPCInteractive, TClipBoardAble)
public:
    TPCInteractive();
    ~TPCInteractive() override;

    // The node shown first: a view's name, or a view's name, "/" and one of its
    // charts' names; empty means the first view.
    QString DefaultDisplay;
    // The formula document (UTF-8 XML bytes); empty when the cube has no formula.
    QByteArray FormulasXML;

    int ViewCount() const { return int(FViews.size()); }
    TPCInteractiveView* Views(int index) const { return FViews[size_t(index)].get(); }
    int IndexOfView(const TPCInteractiveView* view) const;
    // A new view with an empty description, attached and appended.
    TPCInteractiveView* NewView();
    // Attaches and appends a detached view.
    TPCInteractiveView* AddView(std::unique_ptr<TPCInteractiveView> view);
    // Takes a view out of the list, detached; none when it is not one of this document's.
    [[nodiscard]] std::unique_ptr<TPCInteractiveView> RemoveView(TPCInteractiveView* view);
    // The first view whose name is name; none when there is none.
    TPCInteractiveView* FindView(const QString& name) const;

    // The view (and chart, when DefaultDisplay names one) shown first: the
    // view named by DefaultDisplay, else the first view; none without views.
    TPCInteractiveView* DefaultView(TPCInteractiveViewGraph** graph = nullptr) const;

    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;

private:
    friend class TPCInteractiveView;
    std::vector<std::unique_ptr<TPCInteractiveView>> FViews;
};

// ---------------------------------------------------------------------------
// Document files

// The 19 bytes of the "Manifest" entry of a protected document.
inline QByteArray ProtectedDocumentManifest() { return QByteArrayLiteral("Password protected."); }

// Writes the entries "Manifest" (only with a password, style 0), "PCI" (the
// document) and "PCD" (the cube data set) into a container opened for
// writing: style 2 without a password, style 3 (encrypted) with one.
void SaveDocumentToContainer(TSFSObject& container, const TPCInteractive& document, const TPivotCubeData& cubeData,
                             const QByteArray& password = {});

// Writes a document file ("SFSv1.00", label of spaces). The container is
// written to a temporary file in the same folder, flushed to the disk and
// then put in place of fileName in one rename: a failure at any point leaves
// the previous file untouched and removes the temporary file.
void SaveDocument(const QString& fileName, const TPCInteractive& document, const TPivotCubeData& cubeData,
                  const QByteArray& password = {});

// Fills document from "PCI" and cubeData from "PCD" (each only when given).
// Any failure (missing entry, damaged data, wrong or missing password, unknown
// class or version) gives false, with its message in error when given; what
// was loaded before the failure stays loaded.
bool LoadDocumentFromContainer(TSFSObject& container, TPCInteractive* document, TPivotCubeData* cubeData,
                               const QByteArray& password = {}, QString* error = nullptr);

// Opens the file and loads from it as above. Failures to open the container
// (missing file, not a container, damaged directory) are raised, not caught.
bool LoadDocument(const QString& fileName, TPCInteractive* document, TPivotCubeData* cubeData,
                  const QByteArray& password = {}, QString* error = nullptr);

// Whether a container holds a password-protected document ("Manifest" entry).
bool IsProtectedDocument(const TSFSObject& container);
