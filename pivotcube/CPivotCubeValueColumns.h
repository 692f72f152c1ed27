#pragma once
// Value columns, formulas and cell values of the pivot engine.
//
// A value column names a cube value (aggregated with the value's group
// operator) or the text of a formula, and a display format. Compile turns it
// into two expressions of the pivot formula language: a value expression that
// gives a cell's number and a display expression that turns the number into
// the cell's text. PivotCubeCells holds what the engine needs for this (the
// formulas, the value columns, the default format and the parser) and
// evaluates one cell for the grid, the exports and the value sort.

#include "UHierarchicalWriter.h"
#include "UPivotCubeFormula.h"

#include <functional>
#include <memory>
#include <vector>

class TPivotCubeCollection;

// ---------------------------------------------------------------------------
// Colours: 0x00BBGGRR, or a negative system colour.

// A negative system colour is resolved through the one process-wide system
// colour resolver (SetSystemColorResolver, by the colour's low byte).
uint32_t ColorToRGB(int32_t color);

struct HSLColor {
    double Hue = 0;          // 0 ≤ h < 1, a fraction of the colour circle
    double Saturation = 0;   // 0 … 1
    double Lightness = 0;    // 0 … 1
};
HSLColor RGBToHSL(uint32_t rgb);
uint32_t HSLToRGB(const HSLColor& hsl);

// The lightness of the shades: 0.96 − 0.02 × depth.
double ShadeLightness(int depth);
// The neutral shade at a depth: no hue, no saturation.
uint32_t NeutralShade(int depth);

// ---------------------------------------------------------------------------
// Collections: every addition, deletion or property change tells the owner,
// which empties its caches and repaints.

class TPivotCubeCollectionItem {
public:
    virtual ~TPivotCubeCollectionItem() = default;
    TPivotCubeCollectionItem(const TPivotCubeCollectionItem&) = delete;
    TPivotCubeCollectionItem& operator=(const TPivotCubeCollectionItem&) = delete;

    TPivotCubeCollection* Collection() const { return FCollection; }
    // Position in the collection; setting it moves the item.
    int Index() const;
    void SetIndex(int index);

protected:
    TPivotCubeCollectionItem() = default;
    // Tells the collection's owner that something changed.
    void Changed();

private:
    friend class TPivotCubeCollection;
    TPivotCubeCollection* FCollection = nullptr;
};

class TPivotCubeCollection {
public:
    virtual ~TPivotCubeCollection();
    TPivotCubeCollection(const TPivotCubeCollection&) = delete;
    TPivotCubeCollection& operator=(const TPivotCubeCollection&) = delete;

    // Called after every change (the engine's ClearCaches).
    std::function<void()> OnChange;

    int Count() const { return int(FItems.size()); }
    void Delete(int index);
    void Clear();
    void Exchange(int a, int b);
    void Move(int from, int to);
    int IndexOf(const TPivotCubeCollectionItem* item) const;
    // Several changes with one notification at the end.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Changed();

protected:
    TPivotCubeCollection() = default;
    TPivotCubeCollectionItem* AddItem(std::unique_ptr<TPivotCubeCollectionItem> item);
    TPivotCubeCollectionItem* ItemAt(int index) const { return FItems[size_t(index)].get(); }

private:
    std::vector<std::unique_ptr<TPivotCubeCollectionItem>> FItems;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
};

// Calls BeginUpdate/EndUpdate around a scope.
class CollectionUpdate {
public:
    explicit CollectionUpdate(TPivotCubeCollection& collection) : FCollection(collection) { collection.BeginUpdate(); }
    ~CollectionUpdate() { FCollection.EndUpdate(); }
    CollectionUpdate(const CollectionUpdate&) = delete;
    CollectionUpdate& operator=(const CollectionUpdate&) = delete;

private:
    TPivotCubeCollection& FCollection;
};

// ---------------------------------------------------------------------------
// Formulas: computed measures offered as value columns under their caption.

class TPivotCubeFormula : public TPivotCubeCollectionItem {
public:
    const QString& Caption() const { return FCaption; }
    const QString& Formula() const { return FFormula; }
    const QString& FormulaDisplay() const { return FFormulaDisplay; }
    const QString& Format() const { return FFormat; }
    void SetCaption(const QString& value);
    void SetFormula(const QString& value);
    void SetFormulaDisplay(const QString& value);
    void SetFormat(const QString& value);

    // Caption + " (" + Format + ") = " + Formula.
    QString DisplayName() const;
    // Copies Caption, Formula and Format (not FormulaDisplay).
    void Assign(const TPivotCubeFormula& source);

private:
    friend class TPivotCubeFormulas;
    TPivotCubeFormula() = default;
    QString FCaption, FFormula, FFormulaDisplay, FFormat;
};

class TPivotCubeFormulas : public TPivotCubeCollection {
public:
    TPivotCubeFormulas() = default;
    TPivotCubeFormula* Add();
    TPivotCubeFormula* Items(int index) const { return static_cast<TPivotCubeFormula*>(ItemAt(index)); }
    TPivotCubeFormula* operator[](int index) const { return Items(index); }
    int IndexOfCaption(const QString& text) const;
    int IndexOfFormula(const QString& text) const;
    TPivotCubeFormula* FindByCaption(const QString& text) const;
    TPivotCubeFormula* FindByFormula(const QString& text) const;
    // Appends each Caption with its position attached.
    void AddCaptionsTo(TStringList& list) const;
    // One line "Caption: message" + CR LF per formula whose Format cannot
    // format its probe ("abc" when it holds "%s", else 1.2); empty when all can.
    QString ValidateFormats() const;
    // Replaces every formula by a copy of those of source (FormulaDisplay included).
    void Assign(const TPivotCubeFormulas& source);
};

// ---------------------------------------------------------------------------
// Value columns

class TPivotCubeValueColumn : public TPivotCubeCollectionItem {
public:
    ~TPivotCubeValueColumn() override;

    // The palette of new columns, taken in turn: white, purple, blue, ochre, green.
    static constexpr int32_t Palette[5] = {0xFFFFFF, 0xA000A0, 0xFF0000, 0x0080A0, 0x00A000};

    const QString& Caption() const { return FCaption; }
    const QString& Formula() const { return FFormula; }
    const QString& Format() const { return FFormat; }
    int32_t BgColor() const { return FBgColor; }
    void SetCaption(const QString& value);
    void SetFormula(const QString& value);
    void SetFormat(const QString& value);
    // Also keeps the colour's hue, saturation and lightness.
    void SetBgColor(int32_t value);
    const HSLColor& BgColorHSL() const { return FHSL; }
    // The background at a depth of the grid: BgColor's hue and saturation with
    // the lightness of that depth.
    uint32_t Shade(int depth) const;

    // Caption when it equals Formula, else "Caption (Formula)".
    QString DisplayText() const;
    // Formula names no cube value but is the text of some formula.
    bool IsFormulaColumn(const TPivotCubeValues& values, const TPivotCubeFormulas& formulas) const;
    // Copies Caption, Formula, Format and BgColor.
    void Assign(const TPivotCubeValueColumn& source);
    // From a value: Caption = Formula = its name, no Format. From a formula:
    // its Caption, Formula and Format.
    void AssignFrom(const TPivotCubeValue& value);
    void AssignFrom(const TPivotCubeFormula& formula);

    // The compiled expressions (none before Compile).
    TPivotCubeFormulaExpr* ValueExpression() const { return FValueExpression.get(); }
    TPivotCubeFormulaExpr* DisplayExpression() const { return FDisplayExpression.get(); }
    // The texts Compile parsed (after any fallback: "-1", or "" for SynErr).
    const QString& ValueText() const { return FValueText; }
    const QString& DisplayTextSource() const { return FDisplayText; }
    void DiscardCompiled();

private:
    friend class TPivotCubeValueColumns;
    friend class PivotCubeCells;
    TPivotCubeValueColumn() = default;
    QString FCaption, FFormula, FFormat;
    int32_t FBgColor = 0xFFFFFF;
    HSLColor FHSL{0, 0, 1};
    QString FValueText, FDisplayText;
    std::unique_ptr<TPivotCubeFormulaExpr> FValueExpression, FDisplayExpression;
};

class TPivotCubeValueColumns : public TPivotCubeCollection {
public:
    TPivotCubeValueColumns() = default;
    // A new column whose BgColor is the palette colour of its position.
    TPivotCubeValueColumn* Add();
    TPivotCubeValueColumn* Items(int index) const { return static_cast<TPivotCubeValueColumn*>(ItemAt(index)); }
    TPivotCubeValueColumn* operator[](int index) const { return Items(index); }
    TPivotCubeValueColumn* FindByCaption(const QString& text) const;
    // The Formula of column index, empty when out of range.
    QString ColumnFormula(int index) const;
    // From the last column to the first: a formula with the column's Caption
    // is assigned to it, else a value with that name, else the column goes.
    void SyncWithSources(const TPivotCubeValues& values, const TPivotCubeFormulas& formulas);
};

// ---------------------------------------------------------------------------
// Compilation and cells

struct TPivotCubeCellValue {
    double Value = 0;
    QString Text;
};

class PivotCubeCells {
public:
    static constexpr const char* DefaultValueFormat = "%.2f";

    explicit PivotCubeCells(TPivotCubeData* cube = nullptr);
    virtual ~PivotCubeCells();
    PivotCubeCells(const PivotCubeCells&) = delete;
    PivotCubeCells& operator=(const PivotCubeCells&) = delete;

    // The cube whose values the columns name.
    TPivotCubeData* CellCube() const { return FCube; }
    void SetCellCube(TPivotCubeData* cube) { FCube = cube; }

    TPivotCubeFormulas& Formulas() { return *FFormulas; }
    const TPivotCubeFormulas& Formulas() const { return *FFormulas; }
    TPivotCubeValueColumns& ValueColumns() { return *FValueColumns; }
    const TPivotCubeValueColumns& ValueColumns() const { return *FValueColumns; }
    TPivotCubeFormulaInteractiveParser& FormulaParser() { return *FParser; }

    // The format of cells whose column has none ("%.2f" by default; an empty
    // text sets the default). A change repaints.
    const QString& ValueDefaultFormat() const { return FValueDefaultFormat; }
    void SetValueDefaultFormat(const QString& format);

    // Builds the value and display expressions of a column.
    void Compile(TPivotCubeValueColumn& column);
    void CompileAll();
    // Re-derives the columns from the cube's values and the formulas.
    void SyncWithSources();
    bool IsFormulaColumn(const TPivotCubeValueColumn& column) const;

    // The number and text of a cell: items are the data items of one tree's
    // line, filters the filter stack of the other tree's line (or none). The
    // column must be compiled.
    TPivotCubeCellValue EvaluateCell(const TPCDataItemList& items, TPCAxisFilterSpan filters,
                                     TPivotCubeValueColumn& column);
    // The number and text of a cell whose aggregates a pass over the items
    // made beforehand (no item is read).
    TPivotCubeCellValue EvaluateCell(const TPCCellAggregates& cell, TPivotCubeValueColumn& column);
    // The number alone (value sort).
    double EvaluateCellValue(const TPCDataItemList& items, TPCAxisFilterSpan filters,
                             TPivotCubeValueColumn& column);

    // Cells evaluated between BeginLine and EndLine all take `items` (left
    // unchanged meanwhile) as their items: an aggregate may then be computed
    // once for the whole line and served to each column from that pass.
    // LineScope calls both around a scope.
    void BeginLine(const TPCDataItemList& items);
    void EndLine();
    class LineScope {
    public:
        LineScope(PivotCubeCells& cells, const TPCDataItemList& items) : FCells(cells) { cells.BeginLine(items); }
        ~LineScope() { FCells.EndLine(); }
        LineScope(const LineScope&) = delete;
        LineScope& operator=(const LineScope&) = delete;

    private:
        PivotCubeCells& FCells;
    };

    // Empties the caches that depend on the columns and formulas, and repaints
    // (the engine's; nothing here).
    virtual void ClearCaches() {}
    // Repaints (the engine's; nothing here).
    virtual void Invalidate() {}

private:
    // The number and text of column in the context the parser holds; the
    // context is cleared afterwards.
    TPivotCubeCellValue evaluateInContext(TPivotCubeValueColumn& column);
    TPivotCubeData* FCube = nullptr;
    std::unique_ptr<TPivotCubeFormulaInteractiveParser> FParser;
    std::unique_ptr<TPivotCubeFormulas> FFormulas;
    std::unique_ptr<TPivotCubeValueColumns> FValueColumns;
    QString FValueDefaultFormat = QString::fromLatin1(DefaultValueFormat);
};
