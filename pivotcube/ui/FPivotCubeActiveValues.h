#pragma once
// The value bar: one block per value column of the engine, left to right,
// showing the column's caption on its shade, a drop-down glyph that re-derives
// the column from another value or formula, and a colour button for its
// background. Blocks are dragged to reorder the columns; the context menu
// renames, removes and adds columns.

#include "FPivotCubeHelper.h"

class QComboBox;

class TPivotCubeActiveValues : public TPivotCubeHelper {
    Q_OBJECT
public:
    static constexpr int MinimumBlockWidth = 64, MaximumBlockWidth = 512;

    explicit TPivotCubeActiveValues(QWidget* parent = nullptr);

    int BlockCount() const override;
    int BlockSize() const override { return FBlockWidth; }
    int BlockWidth() const { return FBlockWidth; }
    // Kept within MinimumBlockWidth … MaximumBlockWidth.
    void SetBlockWidth(int width);

    QRect GlyphRect(int index) const;
    QRect ColorButtonRect(int index) const;
    // The drop-down of values and formulas over a block.
    void OpenValueList(int index);
    // The open drop-down, none when it is closed.
    QComboBox* ValueList() const { return FValueList; }
    // The platform's colour dialog on a column's background.
    void ChooseColor(int index);
    // The input box that renames a column.
    void RenameColumn(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void ResizeBlocks(int startSize, int distance, int blocksBefore) override;
    bool PressBlockPart(int index, const QPoint& at) override;
    bool AcceptsDrop(const TPivotCubeHelper& source) const override { return &source == this; }
    void Drop(TPivotCubeHelper& source, int index, int slot) override;
    void FillContextMenu(QMenu& menu, const QPoint& at) override;

private:
    void closeValueList();
    int FBlockWidth = 200;
    QComboBox* FValueList = nullptr;
    int FValueListColumn = -1;
};
