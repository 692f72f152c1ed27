#pragma once
// The axis bars: one block per dimension of a direction of the pivot table,
// showing the axis name (in italics while a member filter is active) and a
// drop-down arrow that opens the member filter. Blocks are dragged between
// and within the bars of one engine; the context menu sorts, expands,
// collapses, removes and adds axes and edits the direction's regroupments.
// TPivotCubeColumns works on the column dimensions, left to right;
// TPivotCubeRows on the row dimensions, top to bottom.

#include "FPivotCubeHelper.h"

class TPivotCubeDimension : public TPivotCubeHelper {
    Q_OBJECT
public:
    static constexpr int MinimumBlockSize = 18;
    static constexpr int ArrowWidth = 16;

    TPivotCubeDimension(Qt::Orientation orientation, int blockSize, QWidget* parent);

    int BlockCount() const override;
    int BlockSize() const override { return FBlockSize; }
    // Never below MinimumBlockSize.
    void SetBlockSize(int size);

    // The list, tree and regroupments of the bar's direction (none without an engine).
    virtual TPCDimensionList* Dimensions() const = 0;
    virtual TPivotCubeNode* Root() const = 0;
    virtual TPivotCubeRegroups* Regroups() const = 0;

    // The drop-down arrow at the end of a block.
    QRect ArrowRect(int index) const;
    // Opens the member filter of a dimension under its block; a validated
    // filter rebuilds the engine.
    void EditFilter(int index);
    // Opens the regroupment dialog of the bar's direction.
    void EditRegroups();

    static QString EmptyBarText() { return QStringLiteral("Cliquez ici avec le bouton droit pour ajouter un axe"); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void ResizeBlocks(int startSize, int distance, int blocksBefore) override;
    bool PressBlockPart(int index, const QPoint& at) override;
    bool AcceptsDrop(const TPivotCubeHelper& source) const override;
    void Drop(TPivotCubeHelper& source, int index, int slot) override;
    void FillContextMenu(QMenu& menu, const QPoint& at) override;

private:
    void fillAddAxisMenu(QMenu& menu, int overDimension);
    int FBlockSize;
};

class TPivotCubeColumns : public TPivotCubeDimension {
    Q_OBJECT
public:
    explicit TPivotCubeColumns(QWidget* parent = nullptr) : TPivotCubeDimension(Qt::Horizontal, 100, parent) {
        setObjectName(QStringLiteral("PCColumns"));
    }
    int BlockWidth() const { return BlockSize(); }
    void SetBlockWidth(int width) { SetBlockSize(width); }
    TPCDimensionList* Dimensions() const override;
    TPivotCubeNode* Root() const override;
    TPivotCubeRegroups* Regroups() const override;
};

class TPivotCubeRows : public TPivotCubeDimension {
    Q_OBJECT
public:
    explicit TPivotCubeRows(QWidget* parent = nullptr) : TPivotCubeDimension(Qt::Vertical, 50, parent) {
        setObjectName(QStringLiteral("PCRows"));
    }
    int BlockHeight() const { return BlockSize(); }
    void SetBlockHeight(int height) { SetBlockSize(height); }
    TPCDimensionList* Dimensions() const override;
    TPivotCubeNode* Root() const override;
    TPivotCubeRegroups* Regroups() const override;
};
