// The geometry of the pivot grid.
#include "CPivotCubeGridLayout.h"

#include "CPivotCube.h"

#include <algorithm>

int TPCGridScroll::Limit(int position) const {
    if (!Enabled) return 0;
    return std::clamp(position, 0, std::max(0, Range - Page));
}

int TPCGridLayout::Levels(const TPivotCubeNode* root) {
    if (!root) return 0;
    int below = 0;
    for (const TPCNChild& c : root->Children)
        if (c.Node) below = std::max(below, Levels(c.Node.get()));
    return 1 + below;
}

int TPCGridLayout::RowExtent(const TPivotCubeNode* node, int rowHeight) {
    if (!node) return 0;
    int extent = 0;
    for (const TPCNChild& c : node->Children)
        extent += rowHeight + (c.Node ? std::max(rowHeight, RowExtent(c.Node.get(), rowHeight)) : 0);
    return extent;
}

int TPCGridLayout::ColExtent(const TPivotCubeNode* node, int colWidth) {
    if (!node) return 0;
    int extent = 0;
    for (const TPCNChild& c : node->Children) extent += c.Node ? std::max(colWidth, ColExtent(c.Node.get(), colWidth)) : colWidth;
    return extent;
}

QRect TPCGridLayout::SubColumn(const QRect& column, int i, int n) {
    if (n <= 1) return column;
    const int left = column.left(), right = column.left() + column.width();
    const int from = ((n - i) * left + i * right) / n;
    const int to = ((n - i - 1) * left + (i + 1) * right) / n;
    return QRect(from, column.top(), to - from, column.height());
}

TPCGridLayout::TPCGridLayout(TPivotCube& engine, const TPCGridSizes& sizes, QSize client)
    : Client(client), RowHeight(sizes.RowHeight()), ColWidth(sizes.ColWidth()) {
    RowLevels = Levels(engine.RowRoot());
    ColLevels = Levels(engine.ColRoot());
    ValueCaptionRow = (engine.Options() & pcoShowValueColumns) != 0;
    W = RowLevels * sizes.RowHeaderIndent() + sizes.RowHeaderWidth();
    T = ColLevels * sizes.ColHeaderHeight() + (ValueCaptionRow ? RowHeight : 0);
    D = std::max(ColWidth, ColExtent(engine.ColRoot(), ColWidth));
    E = std::max(RowHeight, RowExtent(engine.RowRoot(), RowHeight));
    const int values = engine.ValueColumnCount();
    R = engine.RowRegroups().Count() * ColWidth;
    if (values >= 2) R /= values;
    B = engine.ColRegroups().Count() * RowHeight;

    Horizontal.Enabled = W + D + R >= client.width();
    if (Horizontal.Enabled) {
        Horizontal.Range = D + R - 1;
        Horizontal.Page = client.width() - W;
    }
    Vertical.Enabled = T + E + B >= client.height();
    if (Vertical.Enabled) {
        Vertical.Range = E;
        Vertical.Page = client.height() - T - B;
    }
}

int TPCGridLayout::FirstVisibleLine(int verticalScroll) const { return std::max(0, verticalScroll) / RowHeight; }

int TPCGridLayout::VisibleLineCount() const {
    const int area = std::max(0, Client.height() - T - B);
    return area / RowHeight + 2;   // a line cut at the top and one at the bottom
}

int TPCGridLayout::FirstVisibleLeaf(int horizontalScroll) const { return std::max(0, horizontalScroll) / ColWidth; }

int TPCGridLayout::VisibleLeafCount() const {
    const int area = std::max(0, Client.width() - W - R);
    return area / ColWidth + 2;
}
