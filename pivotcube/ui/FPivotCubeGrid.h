#pragma once
// The pivot grid: the widget that holds a pivot engine and shows it as a
// table (row and column headers with their expand buttons, sort headers,
// data cells on their shades, the corner buttons) and turns clicks, wheel
// and scroll bars into engine operations. The geometry is TPCGridLayout's;
// what a paint computes (the lines, the columns, one pass over the items and
// the texts of the cells shown) is kept until the engine changes.

#include "CPivotCube.h"
#include "CPivotCubeGridLayout.h"
#include "UMultiLang.h"

#include <QAbstractScrollArea>
#include <QByteArray>

#include <memory>
#include <vector>

class TPCDrillThroughForm;

class TPivotCubeGrid : public QAbstractScrollArea, private ILanguageListener {
    Q_OBJECT
public:
    explicit TPivotCubeGrid(QWidget* parent = nullptr);
    ~TPivotCubeGrid() override;

    TPivotCube& Engine() { return FEngine; }
    const TPCGridSizes& Sizes() const { return FSizes; }
    void SetSizes(const TPCGridSizes& sizes);

    // What a press on a painted area does.
    enum TAreaKind { akExpand, akSortHeader, akHideEmpty, akTranspose, akRowHeaderResize, akColumnResize };
    struct TArea {
        QRect Rect;   // viewport coordinates
        TAreaKind Kind = akExpand;
        TPivotCubeNode* Node = nullptr;
        int Child = 0;
        QByteArray Key;
        QString Hint;   // French source text
        int LeavesBefore = 0;   // column handles: the leaf columns left of the handle
    };
    // The areas the last paint registered; a press goes to the last one under it.
    const std::vector<TArea>& Areas() const { return FAreas; }
    // The data cell under a viewport point: its row line and leaf column;
    // false outside the data cells (headers, regroupment bands, empty space).
    bool DataCellAt(const QPoint& at, int& line, int& leaf);
    // Opens the window of the items behind the data cell under a viewport
    // point (a double-click there does it); none outside the data cells.
    TPCDrillThroughForm* DrillThroughAt(const QPoint& at);
    // Cell texts computed since the last engine change (what is shown, not the whole table).
    int ComputedCellCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // The grid's own texts are translated when painted: a language change repaints.
    void LanguageChanged() override { engineChanged(); }
    struct Snapshot;
    Snapshot& snapshot();
    void engineChanged();
    void sizesChanged();
    void updateScrollBars();
    QString cellText(Snapshot& s, int line, int leaf, int k);
    QByteArray sortKey(Snapshot& s, int leaf, int k);
    QStringList rowRegroupTexts(Snapshot& s, int line);
    QStringList columnRegroupTexts(Snapshot& s, int leaf, int k);

    TPivotCube FEngine;
    TPCGridSizes FSizes;
    int FListener = 0;
    std::unique_ptr<Snapshot> FSnapshot;
    std::vector<TArea> FAreas;
    // A resize in progress: what is dragged and the values at its start.
    struct Drag {
        bool Active = false;
        TAreaKind Kind = akRowHeaderResize;
        int StartX = 0, StartSize = 0, StartScroll = 0, LeavesBefore = 0;
    } FDrag;
    const TArea* areaAt(const QPoint& at) const;
};
