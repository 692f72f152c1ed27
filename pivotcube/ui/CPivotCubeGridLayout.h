#pragma once
// The geometry of the pivot grid, without widgets: sizing properties and
// their setter rules, the extents of the two trees, the areas of the client
// (row headers W wide, column headers T high, data D × E, right band R,
// bottom band B), the scroll ranges, the split of a column into value
// sub-columns and the lines and columns a viewport shows. The grid widget
// paints what this works out and turns events into engine operations.

#include <QRect>
#include <QSize>

class TPivotCube;
class TPivotCubeNode;

// The grid's sizes in device-independent pixels, with the setters' rules.
class TPCGridSizes {
public:
    int RowHeight() const { return FRowHeight; }
    int ColWidth() const { return FColWidth; }
    int RowHeaderWidth() const { return FRowHeaderWidth; }
    int ColHeaderHeight() const { return FColHeaderHeight; }
    int RowHeaderIndent() const { return FRowHeaderIndent; }
    void SetRowHeight(int value) { FRowHeight = value < 23 ? 22 : value; }
    void SetColWidth(int value) { FColWidth = value <= 48 ? 48 : value; }
    void SetRowHeaderWidth(int value) { FRowHeaderWidth = value < 25 ? 24 : value; }
    void SetColHeaderHeight(int value) { FColHeaderHeight = value; }
    void SetRowHeaderIndent(int value) { FRowHeaderIndent = value; }

private:
    int FRowHeight = 22, FColWidth = 80, FRowHeaderWidth = 120, FColHeaderHeight = 26, FRowHeaderIndent = 32;
};

// One scroll bar: enabled when the content reaches the client's edge.
struct TPCGridScroll {
    bool Enabled = false;
    int Range = 0;   // positions 0 ... Range
    int Page = 0;
    // A requested position limited to 0 ... Range - Page (0 when disabled).
    int Limit(int position) const;
};

class TPCGridLayout {
public:
    // Levels shown by a tree: 0 without a root, 1 plus the deepest expanded subtree.
    static int Levels(const TPivotCubeNode* root);
    // Height of the lines below a node (each child a line, then its subtree's).
    static int RowExtent(const TPivotCubeNode* node, int rowHeight);
    // Width of the columns below a node (an expanded member has no column of its own).
    static int ColExtent(const TPivotCubeNode* node, int colWidth);
    // Sub-column i of n between left and right.
    static QRect SubColumn(const QRect& column, int i, int n);

    TPCGridLayout(TPivotCube& engine, const TPCGridSizes& sizes, QSize client);

    int W = 0, T = 0, D = 0, E = 0, R = 0, B = 0;
    int RowLevels = 0, ColLevels = 0;
    bool ValueCaptionRow = false;   // the column header ends with the value columns' captions
    TPCGridScroll Horizontal, Vertical;
    QSize Client;
    int RowHeight = 22, ColWidth = 80;

    // The lines (row positions in walk order) and leaf columns a scroll
    // position shows, partly or whole: [first, first + count).
    int FirstVisibleLine(int verticalScroll) const;
    int VisibleLineCount() const;
    int FirstVisibleLeaf(int horizontalScroll) const;
    int VisibleLeafCount() const;
};
