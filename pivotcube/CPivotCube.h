#pragma once
// The pivot engine: dimensions placed on rows and columns, the two node trees
// of visible members, expansion, and the iterator that walks a tree in display
// order with the filter stack of the current line. Views observe the engine
// through change notifications.

#include "CPivotCubeRegroups.h"
#include "CPivotCubeValueColumns.h"
#include "UPivotCube.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class TPivotCube;
class TPivotCubeNode;
class TPCNodeIterator;
class THierarchicalWriter;
class TXMLDOMNode;

// A dimension: a member filter on one axis, shown ascending or descending.
class TPCAxisVisualFilter : public TPCAxisFilter {
    LORVANE_PERSISTENT_CLASS(TPCAxisVisualFilter, TPCAxisFilter)
public:
    TPCAxisVisualFilter() = default;
    explicit TPCAxisVisualFilter(int32_t axisIndex) : TPCAxisFilter(axisIndex) {}
    bool DescendingSort = false;
    void WriteToFiler(TVirtualWriter& writer) const override;
    void ReadFromFiler(TVirtualReader& reader) override;
};

using TPCDimensionList = std::vector<std::unique_ptr<TPCAxisVisualFilter>>;

enum TPivotCubeOption : unsigned { pcoHideEmptyAxis = 1u << 0, pcoShowValueColumns = 1u << 1 };
using TPivotCubeOptions = unsigned;

// What a table export holds (a set of bits): the data cells, the row
// regroupment columns, the column regroupment lines; both trees walked at their
// top level only; the first value column only.
enum TPCExportOption : unsigned {
    peoDataCells = 1,
    peoRowRegroups = 2,
    peoColRegroups = 4,
    peoTopLevelOnly = 8,
    peoFirstValueOnly = 16
};

// One visible member of a node: its ID, its expansion, its cached results per value column.
struct TPCNChild {
    int32_t ID = 0;
    std::unique_ptr<TPivotCubeNode> Node;
    std::vector<std::unique_ptr<TDoubleList>> Cache;
};
using TPCNChildren = std::vector<TPCNChild>;

class TPivotCubeNode {
public:
    TPivotCube* Cube = nullptr;
    int32_t Level = 0;
    TPivotCubeAxis* LevelAxis = nullptr;
    TPCAxisVisualFilter* Dimension = nullptr;
    TPivotCubeNode* Parent = nullptr;
    int32_t MemberID = 0;
    uint8_t OrderState = 1;   // 1 ascending, 2 descending, 0 value sort
    TPCNChildren Children;

    void Populate();
    int Count() const { return int(Children.size()); }
    bool IsExpanded(int i) const { return Children[size_t(i)].Node != nullptr; }
    void Expand(int i);
    void Collapse(int i);
    void CollapseBelow(int depth);
    void ClearCache();
    void Reverse();
    // Puts the children of a value-sorted node back in member order, in the
    // dimension's direction, and does the same below (CPivotCubeSort.cpp).
    void RestoreMemberOrder();

private:
    friend class TPivotCube;
    const TPCDimensionList* FList = nullptr;   // the list that holds Dimension
};

class TPivotCube : public PivotCubeCells {
public:
    TPivotCube();
    ~TPivotCube();
    TPivotCube(const TPivotCube&) = delete;
    TPivotCube& operator=(const TPivotCube&) = delete;

    TPivotCubeData& CubeData() { return *FCubeData; }
    const TPivotCubeData& CubeData() const { return *FCubeData; }
    // Copies the data, empties both dimension lists and rebuilds.
    void SetCubeData(const TPivotCubeData& data);

    TPCDimensionList& RowDimensions() { return FRowDimensions; }
    TPCDimensionList& ColDimensions() { return FColDimensions; }
    int RowDimensionCount() const { return int(FRowDimensions.size()); }
    int ColDimensionCount() const { return int(FColDimensions.size()); }
    TPCAxisVisualFilter* RowDimension(int i) const { return FRowDimensions[size_t(i)].get(); }
    TPCAxisVisualFilter* ColDimension(int i) const { return FColDimensions[size_t(i)].get(); }
    TPivotCubeNode* RowRoot() const { return FRowRoot.get(); }
    TPivotCubeNode* ColRoot() const { return FColRoot.get(); }
    TPivotCubeOptions Options() const { return FOptions; }
    void SetOptions(TPivotCubeOptions options);
    // The number of value columns; it sizes the nodes' cache arrays.
    int ValueColumnCount() const { return ValueColumns().Count(); }

    void Rebuild();
    void ClearDimensions();
    void AddDimension(TPCDimensionList& list, int axisIndex);
    void RemoveDimension(TPCDimensionList& list, int position);
    void ClearDimensionList(TPCDimensionList& list);
    void MoveDimension(TPCDimensionList& from, int position, TPCDimensionList& to, int slot);
    void ToggleDescending(TPCDimensionList& list, int position);
    void ExpandAllTo(TPivotCubeNode* root, int level);
    void CollapseAllAt(TPivotCubeNode* root, int level);
    void ToggleExpand(TPivotCubeNode* node, int childIndex);
    void Transpose();
    void ClearCaches() override;
    void Invalidate() override { Repaint(); }

    // Regroupments (CPivotCubeRegroups.cpp).
    TPivotCubeRegroups& ColRegroups() { return *FColRegroups; }
    TPivotCubeRegroups& RowRegroups() { return *FRowRegroups; }
    // Fills the computation's Results for one row line: items are the line's
    // data items, firstColumn the first column dimension or none.
    void ComputeRowRegroups(const TPCDataItemList& items, const TPCAxisVisualFilter* firstColumn,
                            TComputeRegroupmentsHelper& computation) const;
    // One number per column regroupment (into results, emptied first) for the
    // value column whose Formula is formula, under the column named by columnFilters.
    void ComputeColumnRegroups(const QString& formula, TPCAxisFilterSpan columnFilters,
                               const TPivotCubeRegroups& regroups, const TPCAxisVisualFilter* firstRow,
                               TDoubleList& results);
    // The column results of value column k under the iterator's current leaf
    // column, kept in the column node's cache slot until the caches are cleared.
    const TDoubleList& CachedColumnRegroups(TPCNodeIterator& column, int k);
    // The corner cell of a row and a column regroupment.
    QString CornerValue(const TPivotCubeRegroup& row, const TPivotCubeRegroup& column) const;
    // One number and one caption per top-level member of node (chart data).
    void ComputeSeries(const QString& formula, TPivotCubeNode* node, TDoubleList* numbers, TStringList* captions,
                       TPCGroupOperatorClass operatorClass);
    // A number of a regroupment cell, formatted with ValueDefaultFormat.
    QString FormatRegroupNumber(double value) const;

    // Sorting rows by a value column (CPivotCubeSort.cpp). The key is the
    // value-column position, ":" and the leaf column's filter stack saved as
    // an object list; empty while the rows are in member order.
    static QByteArray MakeSortKey(int valueColumn, TPCAxisFilterSpan columnFilters);
    const QByteArray& SortKey() const { return FSortKey; }
    int SortColumn() const { return FSortColumn; }
    uint8_t SortDirection() const { return FSortDirection; }   // 1 ascending, 2 descending
    // Sets the three fields as stored (no sorting).
    void SetSortState(const QByteArray& key, int column, uint8_t direction);
    // A new key sorts descending, the same key again flips the direction.
    void SortHeaderClicked(const QByteArray& key);
    // Back to member order.
    void SortHeaderRightPressed();
    void ApplySort();
    // A stored key that names no value column, or column members that cannot
    // be read, would fail every later sort: it is cleared. Gives the warning
    // to show, empty when the key is kept.
    QString DropUnusableSortKey();
    void SortRows(TPCAxisFilterSpan columnFilters, int k, uint8_t direction);

    // Cell size of the grid (at least 48 wide and 22 high).
    int ColWidth() const { return FColWidth; }
    int RowHeight() const { return FRowHeight; }
    void SetColWidth(int width) { FColWidth = std::max(width, 48); }
    void SetRowHeight(int height) { FRowHeight = std::max(height, 22); }

    // View state XML (CPivotCubeViewState.cpp): WriteViewState appends the
    // children Value ... RowRegroups to a ViewState element; ReadViewState
    // rebuilds the placement from a parsed ViewState element.
    void WriteViewState(THierarchicalWriter* writer) const;
    void ReadViewState(const TXMLDOMNode* root);
    // What the last ReadViewState had to leave out, one sentence each, for the
    // caller to show.
    const QStringList& ViewStateWarnings() const { return FViewStateWarnings; }

    // Table exports (CPivotCubeTableExport.cpp). WriteTable appends the table as
    // shown (expanded members, value columns, regroupments) as one `table`
    // element; ExportHTML gives the HTML page holding it, ExportXML the XML
    // document (formula and format, when given, replace those of the first
    // value column for the duration of the export), ExportSpreadsheet the page
    // of ExportHTML(7) with the user's locale decimal separator. Errors of a
    // cell become its text; other errors propagate, with the first value
    // column and the decimal separator restored.
    void WriteTable(THierarchicalWriter& writer, unsigned options);
    QByteArray ExportHTML(unsigned options);
    QByteArray ExportXML(unsigned options, const QString& formula = QString(), const QString& format = QString());
    QByteArray ExportSpreadsheet();

    // Appends a value column derived from a cube value or a formula and shows
    // the value columns; with n ≥ 2 columns ColWidth becomes n × ColWidth /
    // (n − 1), so that each value sub-column of a leaf keeps its width.
    TPivotCubeValueColumn& AddValueColumn(const TPivotCubeValue& value);
    TPivotCubeValueColumn& AddValueColumn(const TPivotCubeFormula& formula);

    // Change notification ("repaint"): views subscribe and are told after every change.
    int Subscribe(std::function<void()> listener);
    // Told once, when the engine goes: views attached to it let go of it.
    int SubscribeDestroyed(std::function<void()> listener);
    void Unsubscribe(int id);
    void Repaint();

private:
    struct KeyFilters;
    void loadSortKey(KeyFilters& key) const;
    std::unique_ptr<TPivotCubeNode> buildRoot(TPCDimensionList& list);
    TPivotCubeValueColumn& addValueColumn(const std::function<void(TPivotCubeValueColumn&)>& derive);
    std::unique_ptr<TPivotCubeData> FCubeData;
    TPCDimensionList FRowDimensions, FColDimensions;
    std::unique_ptr<TPivotCubeNode> FRowRoot, FColRoot;
    TPivotCubeOptions FOptions = 0;
    std::unique_ptr<TPivotCubeRegroups> FColRegroups, FRowRegroups;
    QByteArray FSortKey;
    int FSortColumn = -1;
    uint8_t FSortDirection = 1;
    QStringList FViewStateWarnings;
    int FColWidth = 80, FRowHeight = 22;
    std::vector<std::pair<int, std::function<void()>>> FListeners, FDestroyedListeners;
    int FNextListener = 1;
};

// A cursor over one tree in display order (pre-order), with the filter stack
// that names the current line or column.
class TPCNodeIterator {
public:
    TPCNodeIterator(TPivotCubeNode* root, bool topLevelOnly);
    std::vector<std::unique_ptr<TPCAxisFilter>> Filters;
    TIntegerList IndexStack;
    TPivotCubeNode* CurrentNode = nullptr;
    int ChildIndex = 0;
    bool TopLevelOnly = false;

    // The filter stack as a list for FilterItems / AggregateItems.
    std::vector<const TPCAxisFilter*> FilterList() const;
    void Next();
    bool Eof() const { return CurrentNode == nullptr; }
    int Depth() const { return IndexStack.Count(); }
    int AxisIndex() const;
    QString CurrentCaption() const;
    bool IsExpanded() const;
    bool HasChildren() const;
    int LineCount(int extra) const;
    void SetCache(int column, const TDoubleList& list);
    TDoubleList* GetCache(int column) const;

private:
    void pushFilter(TPivotCubeNode* node);
};
