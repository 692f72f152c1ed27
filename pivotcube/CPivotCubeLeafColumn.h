#pragma once
// What the table writers share: the filter stack of a leaf column, copied out
// of a column walk so that every body line reuses it without walking the
// column tree again, and the text a value column shows for a number computed
// outside any cell.

#include "CPivotCube.h"

#include <memory>
#include <vector>

struct TPCLeafColumn {
    std::vector<std::unique_ptr<TPCAxisFilter>> Owned;
    std::vector<const TPCAxisFilter*> Filters;

    // The iterator's current filter stack (empty at the end position of an empty tree).
    explicit TPCLeafColumn(const TPCNodeIterator& it);
};

// The column's display text of a number (a regroupment result): its display
// expression evaluated with no items, so that an aggregate inside gives 0.
QString DisplayTextOfNumber(PivotCubeCells& cells, TPivotCubeValueColumn& column, double value);
