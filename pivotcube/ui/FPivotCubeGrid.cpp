// The pivot grid widget.
#include "FPivotCubeGrid.h"

#include "CPivotCubeDrillThrough.h"
#include "CPivotCubeLeafColumn.h"
#include "CPivotCubeRegroups.h"
#include "CPivotCubeTablePass.h"
#include "FPCDrillThrough.h"
#include "UIconSet.h"
#include "UMultiLang.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <unordered_map>

namespace {

QColor colorOf(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

// The data under a sorted column: red up, green and blue down by 10.
QColor tinted(const QColor& c) {
    return QColor(std::min(c.red() + 10, 255), std::max(c.green() - 10, 0), std::max(c.blue() - 10, 0));
}

constexpr int ButtonSize = 18;

} // namespace

// What the grid shows until the engine changes: lines, columns, their filter
// stacks, the pass over the items and the texts computed so far.
struct TPivotCubeGrid::Snapshot {
    struct Line {
        TPivotCubeNode* Node = nullptr;
        int Child = 0, Depth = 0;
        bool Expanded = false, CanExpand = false;
        QString Caption;
    };
    struct Column {
        TPivotCubeNode* Node = nullptr;
        // In leaf columns, so that a new column width needs no new snapshot.
        int Child = 0, Depth = 0, FirstLeaf = 0, LeafCount = 1, Leaf = -1;
        bool Expanded = false, CanExpand = false;
        QString Caption;
    };
    std::vector<Line> Lines;
    std::vector<TPCLeafColumn> LineFilters;
    std::vector<Column> Columns;       // every column position, pre-order
    std::vector<TPCLeafColumn> Leaves;  // leaf columns' filter stacks, in order
    std::vector<int> LeafDepth;         // depth of each leaf's member (the empty tree: one leaf at 0)
    TPCTablePass Pass;
    bool Streamed = false;
    std::unique_ptr<TComputeRegroupmentsHelper> RowRegroups;
    std::unordered_map<quint64, QString> Texts;
    std::unordered_map<quint64, QByteArray> SortKeys;            // by leaf and value column
    std::unordered_map<int, QStringList> RowRegroupTexts;       // by line
    std::unordered_map<quint64, QStringList> ColumnRegroupTexts; // by leaf and value column
};

TPivotCubeGrid::TPivotCubeGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("TPivotCube"));
    viewport()->setMouseTracking(true);   // the resize cursor over the handles
    FListener = FEngine.Subscribe([this] { engineChanged(); });
    RegisterLanguageListener(this);
    updateScrollBars();
}

TPivotCubeGrid::~TPivotCubeGrid() {
    UnregisterLanguageListener(this);
    FEngine.Unsubscribe(FListener);
}

void TPivotCubeGrid::SetSizes(const TPCGridSizes& sizes) {
    FSizes = sizes;
    FEngine.SetColWidth(sizes.ColWidth());
    FEngine.SetRowHeight(sizes.RowHeight());
    sizesChanged();
}

// Sizes change the geometry only: what the snapshot computed stays.
void TPivotCubeGrid::sizesChanged() {
    updateScrollBars();
    viewport()->update();
}

int TPivotCubeGrid::ComputedCellCount() const { return FSnapshot ? int(FSnapshot->Texts.size()) : 0; }

void TPivotCubeGrid::engineChanged() {
    // The cell size belongs to the view state: the engine holds it.
    FSizes.SetColWidth(FEngine.ColWidth());
    FSizes.SetRowHeight(FEngine.RowHeight());
    FSnapshot.reset();
    updateScrollBars();
    viewport()->update();
}

TPivotCubeGrid::Snapshot& TPivotCubeGrid::snapshot() {
    if (FSnapshot) return *FSnapshot;
    auto s = std::make_unique<Snapshot>();
    FEngine.CompileAll();
    const int rowDims = FEngine.RowDimensionCount(), colDims = FEngine.ColDimensionCount();
    {
        TPCNodeIterator it(FEngine.RowRoot(), false);
        do {
            Snapshot::Line line;
            if (!it.Eof() && it.HasChildren()) {
                line.Node = it.CurrentNode;
                line.Child = it.ChildIndex;
                line.Depth = it.Depth();
                line.Expanded = it.IsExpanded();
                line.CanExpand = line.Node->Level + 1 < rowDims;
                line.Caption = it.CurrentCaption();
            }
            s->Lines.push_back(line);
            s->LineFilters.emplace_back(it);
            it.Next();
        } while (!it.Eof());
    }
    {
        TPCNodeIterator it(FEngine.ColRoot(), false);
        do {
            if (!it.IsExpanded()) s->Leaves.emplace_back(it);
            it.Next();
        } while (!it.Eof());
    }
    int leaf = 0;
    auto addColumns = [&](auto& self, TPivotCubeNode* node, int depth) -> void {
        for (int c = 0; c < node->Count(); ++c) {
            Snapshot::Column col;
            col.Node = node;
            col.Child = c;
            col.Depth = depth;
            col.Expanded = node->IsExpanded(c);
            col.CanExpand = node->Level + 1 < colDims;
            col.Caption = node->LevelAxis->CaptionOf(node->Children[size_t(c)].ID);
            col.FirstLeaf = leaf;
            if (!col.Expanded) col.Leaf = leaf++;
            const size_t at = s->Columns.size();
            s->Columns.push_back(col);
            if (col.Expanded) {
                self(self, node->Children[size_t(c)].Node.get(), depth + 1);
                s->Columns[at].LeafCount = leaf - col.FirstLeaf;
            }
        }
    };
    if (FEngine.ColRoot() && FEngine.ColRoot()->Count() > 0) addColumns(addColumns, FEngine.ColRoot(), 0);
    for (const Snapshot::Column& c : s->Columns)
        if (c.Leaf >= 0) s->LeafDepth.push_back(c.Depth);
    if (s->LeafDepth.empty()) s->LeafDepth.push_back(0);   // an empty column tree shows one column
    s->RowRegroups = FEngine.RowRegroups().CreateComputation(FEngine.CubeData().Values());
    TComputeRegroupmentsHelper* regroups = s->RowRegroups->Count() > 0 ? s->RowRegroups.get() : nullptr;
    s->Streamed = s->Pass.Run(FEngine, false, FEngine.ValueColumnCount(), regroups) &&
                  s->Pass.LeafCount() == int(s->Leaves.size()) && s->Pass.LineCount() == int(s->Lines.size());
    FSnapshot = std::move(s);
    return *FSnapshot;
}

QString TPivotCubeGrid::cellText(Snapshot& s, int line, int leaf, int k) {
    const int values = FEngine.ValueColumnCount();
    const quint64 key = (quint64(line) * quint64(s.Leaves.size()) + quint64(leaf)) * quint64(values) + quint64(k);
    if (const auto it = s.Texts.find(key); it != s.Texts.end()) return it->second;
    TPivotCubeValueColumn& column = *FEngine.ValueColumns()[k];
    QString text;
    if (s.Streamed) {
        text = FEngine.EvaluateCell(s.Pass.Cell(line, leaf), column).Text;
    } else {
        TPCDataItemList scratch;
        const TPCDataItemList& items = FEngine.CubeData().DataItems().SelectItems(s.LineFilters[size_t(line)].Filters, scratch);
        text = FEngine.EvaluateCell(items, s.Leaves[size_t(leaf)].Filters, column).Text;
    }
    s.Texts.emplace(key, text);
    return text;
}

QByteArray TPivotCubeGrid::sortKey(Snapshot& s, int leaf, int k) {
    const quint64 key = quint64(leaf) * quint64(std::max(1, FEngine.ValueColumnCount())) + quint64(k);
    if (const auto it = s.SortKeys.find(key); it != s.SortKeys.end()) return it->second;
    return s.SortKeys.emplace(key, TPivotCube::MakeSortKey(k, s.Leaves[size_t(leaf)].Filters)).first->second;
}

QStringList TPivotCubeGrid::rowRegroupTexts(Snapshot& s, int line) {
    if (const auto it = s.RowRegroupTexts.find(line); it != s.RowRegroupTexts.end()) return it->second;
    TComputeRegroupmentsHelper& computation = *s.RowRegroups;
    if (s.Streamed) {
        s.Pass.FillRowRegroups(line, computation);
    } else {
        TPCDataItemList scratch;
        const TPCDataItemList& items = FEngine.CubeData().DataItems().SelectItems(s.LineFilters[size_t(line)].Filters, scratch);
        FEngine.ComputeRowRegroups(items, FEngine.ColDimensionCount() > 0 ? FEngine.ColDimension(0) : nullptr, computation);
    }
    QStringList texts;
    for (int r = 0; r < computation.Count(); ++r) texts << FEngine.FormatRegroupNumber(RegroupResult(computation, r));
    return s.RowRegroupTexts.emplace(line, texts).first->second;
}

QStringList TPivotCubeGrid::columnRegroupTexts(Snapshot& s, int leaf, int k) {
    const quint64 key = quint64(leaf) * quint64(std::max(1, FEngine.ValueColumnCount())) + quint64(k);
    if (const auto it = s.ColumnRegroupTexts.find(key); it != s.ColumnRegroupTexts.end()) return it->second;
    TDoubleList results;
    FEngine.ComputeColumnRegroups(FEngine.ValueColumns().ColumnFormula(k), s.Leaves[size_t(leaf)].Filters, FEngine.ColRegroups(),
                                  FEngine.RowDimensionCount() > 0 ? FEngine.RowDimension(0) : nullptr, results);
    QStringList texts;
    for (int r = 0; r < FEngine.ColRegroups().Count(); ++r)
        texts << DisplayTextOfNumber(FEngine, *FEngine.ValueColumns()[k], r < results.Count() ? results[r] : 0);
    return s.ColumnRegroupTexts.emplace(key, texts).first->second;
}

void TPivotCubeGrid::updateScrollBars() {
    const TPCGridLayout layout(FEngine, FSizes, viewport()->size());
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, layout.Horizontal.Enabled ? std::max(0, layout.Horizontal.Range - layout.Horizontal.Page) : 0);
    h->setPageStep(std::max(1, layout.Horizontal.Page));
    h->setSingleStep(FSizes.ColWidth());
    v->setRange(0, layout.Vertical.Enabled ? std::max(0, layout.Vertical.Range - layout.Vertical.Page) : 0);
    v->setPageStep(std::max(1, layout.Vertical.Page));
    v->setSingleStep(FSizes.RowHeight());   // a wheel notch of 120 moves 3 steps
}

void TPivotCubeGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TPivotCubeGrid::scrollContentsBy(int, int) { viewport()->update(); }

void TPivotCubeGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QSize size = viewport()->size();
    p.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Base));
    FAreas.clear();
    Snapshot& s = snapshot();
    const TPCGridLayout l(FEngine, FSizes, size);
    const int h = horizontalScrollBar()->value(), v = verticalScrollBar()->value();
    const int rh = FSizes.RowHeight(), cw = FSizes.ColWidth();
    const int values = FEngine.ValueColumnCount();
    const QFontMetrics metrics(font());
    const QColor lineColour = palette().color(QPalette::Mid);
    const int firstLine = l.FirstVisibleLine(v), lastLine = std::min(int(s.Lines.size()), firstLine + l.VisibleLineCount());

    // Data cells of the lines and leaf columns in view.
    p.save();
    p.setClipRect(QRect(l.W, l.T, size.width() - l.W, size.height() - l.T));
    const int firstLeaf = l.FirstVisibleLeaf(h);
    const int lastLeaf = std::min(int(s.LeafDepth.size()), firstLeaf + l.VisibleLeafCount());
    for (int leaf = firstLeaf; leaf < lastLeaf; ++leaf) {
        const int x = l.W + leaf * cw - h;
        std::vector<bool> sorted(size_t(values), false);
        if (!FEngine.SortKey().isEmpty())
            for (int k = 0; k < values; ++k) sorted[size_t(k)] = sortKey(s, leaf, k) == FEngine.SortKey();
        for (int line = firstLine; line < lastLine; ++line) {
            const QRect cell(x, l.T + line * rh - v, cw, rh);
            for (int k = 0; k < values; ++k) {
                const QRect sub = TPCGridLayout::SubColumn(cell, k, values);
                QColor shade = colorOf(FEngine.ValueColumns()[k]->Shade(s.Lines[size_t(line)].Depth));
                if (sorted[size_t(k)]) shade = tinted(shade);
                p.fillRect(sub, shade);
                const QString text = cellText(s, line, leaf, k);
                const Qt::Alignment align = text == QLatin1String("-") ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter);
                p.setPen(palette().color(QPalette::Text));
                p.drawText(sub.adjusted(3, 0, -3, 0), int(align | Qt::TextSingleLine), metrics.elidedText(text, Qt::ElideRight, sub.width() - 6));
            }
            p.setPen(lineColour);
            p.drawLine(cell.bottomLeft(), cell.bottomRight());
            p.drawLine(cell.topRight(), cell.bottomRight());
        }
    }
    p.restore();

    auto expandButton = [&](const QRect& cell, TPivotCubeNode* node, int child, bool expanded) {
        const QRect button(cell.left() + 2, cell.top() + (cell.height() - ButtonSize) / 2, ButtonSize, ButtonSize);
        const QImage image = StandardImage(expanded ? QStringLiteral("Sb_Minus") : QStringLiteral("Sb_Plus"));
        if (!image.isNull()) p.drawImage(button.topLeft() + QPoint((ButtonSize - image.width()) / 2, (ButtonSize - image.height()) / 2), image);
        else p.drawText(button, Qt::AlignCenter, expanded ? QStringLiteral("-") : QStringLiteral("+"));
        FAreas.push_back({button, akExpand, node, child, {}, {}});
        return button.right() + 1 + 4;
    };

    // Row headers.
    p.save();
    p.setClipRect(QRect(0, l.T, l.W, size.height() - l.T));
    for (int line = firstLine; line < lastLine; ++line) {
        const Snapshot::Line& ln = s.Lines[size_t(line)];
        const QRect cell(ln.Depth * FSizes.RowHeaderIndent(), l.T + line * rh - v, l.W - ln.Depth * FSizes.RowHeaderIndent(), rh);
        // An expanded member's cell reaches down over its subtree's lines:
        // left of a line, each ancestor's indent in that ancestor's shade.
        for (int d = 0; d < ln.Depth; ++d)
            p.fillRect(QRect(d * FSizes.RowHeaderIndent(), cell.top(), FSizes.RowHeaderIndent(), rh), colorOf(NeutralShade(d)));
        p.fillRect(cell, colorOf(NeutralShade(ln.Depth)));
        int textLeft = cell.left() + 4;
        if (ln.Node && ln.CanExpand) textLeft = expandButton(cell, ln.Node, ln.Child, ln.Expanded);
        p.setPen(palette().color(QPalette::Text));
        const QRect textRect(textLeft, cell.top(), cell.right() - textLeft - 2, rh);
        p.drawText(textRect, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), metrics.elidedText(ln.Caption, Qt::ElideRight, textRect.width()));
        p.setPen(lineColour);
        p.drawLine(QPoint(0, cell.bottom()), cell.bottomRight());
    }
    p.restore();

    // Column headers, then the sort headers of every collapsed position.
    p.save();
    p.setClipRect(QRect(l.W, 0, size.width() - l.W, l.T));
    const int membersBottom = l.ColLevels * FSizes.ColHeaderHeight();
    for (const Snapshot::Column& c : s.Columns) {
        const int x = l.W + c.FirstLeaf * cw - h, width = c.LeafCount * cw;
        if (x > size.width() || x + width < l.W) continue;
        const int top = c.Depth * FSizes.ColHeaderHeight();
        const QRect cell(x, top, width, c.Expanded ? FSizes.ColHeaderHeight() : membersBottom - top);
        p.fillRect(cell, colorOf(NeutralShade(c.Depth)));
        int textLeft = cell.left() + 4;
        if (c.CanExpand) textLeft = expandButton(cell, c.Node, c.Child, c.Expanded);
        p.setPen(palette().color(QPalette::Text));
        const QRect textRect(textLeft, cell.top(), cell.right() - textLeft - 2, std::min(cell.height(), FSizes.ColHeaderHeight()));
        p.drawText(textRect, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), metrics.elidedText(c.Caption, Qt::ElideRight, textRect.width()));
        p.setPen(lineColour);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    for (int leaf = firstLeaf; leaf < lastLeaf; ++leaf) {
        const int x = l.W + leaf * cw - h;
        const bool captions = l.ValueCaptionRow;
        const int top = s.LeafDepth[size_t(leaf)] * FSizes.ColHeaderHeight();
        const QRect whole = captions ? QRect(x, membersBottom, cw, rh) : QRect(x, top, cw, std::max(membersBottom - top, l.T - top));
        for (int k = 0; k < values; ++k) {
            const QByteArray key = sortKey(s, leaf, k);
            const QRect area = captions ? TPCGridLayout::SubColumn(whole, k, values) : whole;
            if (captions) {
                p.fillRect(area, colorOf(FEngine.ValueColumns()[k]->Shade(4)));
                p.setPen(palette().color(QPalette::Text));
                p.drawText(area, int(Qt::AlignCenter | Qt::TextSingleLine), metrics.elidedText(FEngine.ValueColumns()[k]->Caption(), Qt::ElideRight, area.width() - 4));
            }
            FAreas.push_back({area, akSortHeader, nullptr, 0, key, {}});
            if (key == FEngine.SortKey()) {
                // The direction arrow: 8 wide, 10 high, 4 from the right edge.
                const int ax = area.right() - 4 - 8, ay = area.top() + (area.height() - 10) / 2;
                QPolygon arrow;
                if (FEngine.SortDirection() == 1) arrow << QPoint(ax, ay + 10) << QPoint(ax + 8, ay + 10) << QPoint(ax + 4, ay);
                else arrow << QPoint(ax, ay) << QPoint(ax + 8, ay) << QPoint(ax + 4, ay + 10);
                p.setBrush(palette().color(QPalette::Text));
                p.setPen(Qt::NoPen);
                p.drawPolygon(arrow);
                p.setBrush(Qt::NoBrush);
            }
        }
    }
    p.restore();

    // The right band: one cell per row regroupment on every line in view,
    // the captions above them.
    const int rowRegroups = FEngine.RowRegroups().Count(), colRegroups = FEngine.ColRegroups().Count();
    const int bandLeft = l.W + l.D - h;
    if (rowRegroups > 0) {
        const int each = l.R / rowRegroups;
        p.save();
        p.setClipRect(QRect(l.W, 0, size.width() - l.W, size.height()));
        // A regroupment's caption is the document's (its own or made of an
        // operator's and a value's names): content, not an interface text.
        for (int r = 0; r < rowRegroups; ++r) {
            const QRect caption(bandLeft + r * each, 0, each, l.T);
            p.fillRect(caption, colorOf(NeutralShade(0)));
            p.setPen(palette().color(QPalette::Text));
            p.drawText(caption.adjusted(2, 2, -2, -2), int(Qt::AlignCenter | Qt::TextWordWrap), TranslateContent(FEngine.RowRegroups()[r]->DisplayText()));
        }
        for (int line = firstLine; line < lastLine; ++line) {
            const QStringList texts = rowRegroupTexts(s, line);
            for (int r = 0; r < rowRegroups && r < texts.size(); ++r) {
                const QRect cell(bandLeft + r * each, l.T + line * rh - v, each, rh);
                p.fillRect(cell, colorOf(NeutralShade(s.Lines[size_t(line)].Depth)));
                p.setPen(palette().color(QPalette::Text));
                p.drawText(cell.adjusted(3, 0, -3, 0), int(Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine), texts[r]);
            }
        }
        p.restore();
    }
    // The bottom band: one line per column regroupment under the data, in
    // bold; the corner values where it meets the right band.
    if (colRegroups > 0) {
        const int bandTop = std::min(l.T + l.E - v, size.height() - l.B);
        QFont bold = font();
        bold.setBold(true);
        p.save();
        p.setFont(bold);
        for (int r = 0; r < colRegroups; ++r) {
            const QRect caption(0, bandTop + r * rh, l.W, rh);
            p.fillRect(caption, colorOf(NeutralShade(0)));
            p.setPen(palette().color(QPalette::Text));
            p.drawText(caption.adjusted(4, 0, -2, 0), int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                       QLatin1Char(' ') + TranslateContent(FEngine.ColRegroups()[r]->DisplayText()));
        }
        p.setClipRect(QRect(l.W, 0, size.width() - l.W, size.height()));
        for (int leaf = firstLeaf; leaf < lastLeaf; ++leaf) {
            const QRect column(l.W + leaf * cw - h, bandTop, cw, rh);
            for (int k = 0; k < values; ++k) {
                const QStringList texts = columnRegroupTexts(s, leaf, k);
                for (int r = 0; r < colRegroups && r < texts.size(); ++r) {
                    const QRect sub = TPCGridLayout::SubColumn(column.translated(0, r * rh), k, values);
                    p.fillRect(sub, colorOf(FEngine.ValueColumns()[k]->Shade(0)));
                    p.setPen(palette().color(QPalette::Text));
                    p.drawText(sub.adjusted(3, 0, -3, 0), int(Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine), texts[r]);
                }
            }
        }
        if (rowRegroups > 0) {
            const int each = l.R / rowRegroups;
            for (int c = 0; c < colRegroups; ++c)
                for (int r = 0; r < rowRegroups; ++r) {
                    const QRect cell(bandLeft + r * each, bandTop + c * rh, each, rh);
                    p.fillRect(cell, colorOf(NeutralShade(0)));
                    p.setPen(palette().color(QPalette::Text));
                    p.drawText(cell.adjusted(3, 0, -3, 0), int(Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine),
                               FEngine.CornerValue(*FEngine.RowRegroups()[r], *FEngine.ColRegroups()[c]));
                }
        }
        p.restore();
    }

    // The corner buttons, with both trees placed.
    if (FEngine.RowRoot() && FEngine.ColRoot()) {
        const bool hidden = FEngine.Options() & pcoHideEmptyAxis;
        const QRect toggle(3, 3, 18, 18), transpose(21, 3, 18, 18);
        p.drawImage(toggle.topLeft(), StandardImage(hidden ? QStringLiteral("Sb_Grid_Row_Insert") : QStringLiteral("Sb_Grid_Row_Delete")));
        p.drawImage(transpose.topLeft(), StandardImage(QStringLiteral("Sb_Grid_Transpose")));
        FAreas.push_back({toggle, akHideEmpty, nullptr, 0, {},
                          hidden ? QStringLiteral("Afficher les dimensions sans données") : QStringLiteral("Masquer les dimensions sans données")});
        FAreas.push_back({transpose, akTranspose, nullptr, 0, {}, QStringLiteral("Transposer les axes")});
    }
    p.setPen(lineColour);
    p.drawLine(l.W - 1, 0, l.W - 1, size.height());
    p.drawLine(0, l.T - 1, size.width(), l.T - 1);

    // Resize handles, registered last so that they take the presses on them:
    // the boundary of the row headers, the right edge of every column member.
    FAreas.push_back({QRect(l.W - 3, 0, 5, size.height()), akRowHeaderResize, nullptr, 0, {}, {}, 0});
    for (const Snapshot::Column& c : s.Columns) {
        const int right = l.W + (c.FirstLeaf + c.LeafCount) * cw - h;
        if (right < l.W || right > size.width() + 2) continue;
        const int top = c.Depth * FSizes.ColHeaderHeight();
        const int bottom = c.Expanded ? top + FSizes.ColHeaderHeight() : membersBottom;
        FAreas.push_back({QRect(right - 3, top, 5, bottom - top), akColumnResize, nullptr, 0, {}, {}, c.FirstLeaf + c.LeafCount});
    }
}

const TPivotCubeGrid::TArea* TPivotCubeGrid::areaAt(const QPoint& at) const {
    for (auto it = FAreas.rbegin(); it != FAreas.rend(); ++it)
        if (it->Rect.contains(at)) return &*it;
    return nullptr;
}

void TPivotCubeGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!FDrag.Active) {
        const TArea* a = areaAt(at);
        const bool handle = a && (a->Kind == akRowHeaderResize || a->Kind == akColumnResize);
        viewport()->setCursor(handle ? Qt::SplitHCursor : Qt::ArrowCursor);
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const int size = FDrag.StartSize + at.x() - FDrag.StartX;
    if (FDrag.Kind == akRowHeaderResize) {
        FSizes.SetRowHeaderWidth(size);
        sizesChanged();
        return;
    }
    // The column width, and the scroll position moved so that the dragged
    // boundary stays under the pointer.
    FEngine.SetColWidth(size);
    FSizes.SetColWidth(FEngine.ColWidth());
    const int scroll = std::max(0, FDrag.StartScroll - (FDrag.StartSize - FSizes.ColWidth()) * FDrag.LeavesBefore);
    sizesChanged();
    horizontalScrollBar()->setValue(scroll);
}

void TPivotCubeGrid::mouseReleaseEvent(QMouseEvent* event) {
    FDrag.Active = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TPivotCubeGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    for (auto it = FAreas.rbegin(); it != FAreas.rend(); ++it) {
        if (!it->Rect.contains(at)) continue;
        const TArea area = *it;   // the engine's change clears the areas
        if (area.Kind == akRowHeaderResize || area.Kind == akColumnResize) {
            if (event->button() != Qt::LeftButton) return;
            FDrag.Active = true;
            FDrag.Kind = area.Kind;
            FDrag.StartX = at.x();
            FDrag.StartSize = area.Kind == akRowHeaderResize ? FSizes.RowHeaderWidth() : FSizes.ColWidth();
            FDrag.StartScroll = horizontalScrollBar()->value();
            FDrag.LeavesBefore = area.LeavesBefore;
            return;
        }
        if (event->button() == Qt::LeftButton) {
            switch (area.Kind) {
            case akExpand: FEngine.ToggleExpand(area.Node, area.Child); break;
            case akSortHeader: FEngine.SortHeaderClicked(area.Key); break;
            case akHideEmpty: FEngine.SetOptions(FEngine.Options() ^ pcoHideEmptyAxis); break;
            case akTranspose: FEngine.Transpose(); break;
            default: break;
            }
        } else if (event->button() == Qt::RightButton && area.Kind == akSortHeader) {
            FEngine.SortHeaderRightPressed();
        }
        engineChanged();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

bool TPivotCubeGrid::DataCellAt(const QPoint& at, int& line, int& leaf) {
    if (FEngine.ValueColumnCount() == 0 || FEngine.CubeData().Values().Count() == 0) return false;   // no cell is drawn
    if (areaAt(at)) return false;   // a button or a handle
    Snapshot& s = snapshot();
    const QSize size = viewport()->size();
    const TPCGridLayout l(FEngine, FSizes, size);
    const int h = horizontalScrollBar()->value(), v = verticalScrollBar()->value();
    if (at.x() < l.W || at.y() < l.T || at.x() >= size.width() || at.y() >= size.height()) return false;
    if (FEngine.ColRegroups().Count() > 0 && at.y() >= std::min(l.T + l.E - v, size.height() - l.B)) return false;   // the bottom band
    line = (at.y() - l.T + v) / FSizes.RowHeight();
    leaf = (at.x() - l.W + h) / FSizes.ColWidth();
    return line >= 0 && line < int(s.Lines.size()) && leaf >= 0 && leaf < int(s.LeafDepth.size());
}

TPCDrillThroughForm* TPivotCubeGrid::DrillThroughAt(const QPoint& at) {
    int line = 0, leaf = 0;
    if (!DataCellAt(at, line, leaf)) return nullptr;
    Snapshot& s = snapshot();
    static const std::vector<const TPCAxisFilter*> none;
    const std::vector<const TPCAxisFilter*>& columnFilters = leaf < int(s.Leaves.size()) ? s.Leaves[size_t(leaf)].Filters : none;
    auto drill = std::make_shared<const TPCCellDrillThrough>(FEngine, s.LineFilters[size_t(line)].Filters, columnFilters);
    // A window of its own, in front of the grid's and closed with it.
    auto* form = new TPCDrillThroughForm(std::move(drill), window());
    form->show();
    return form;
}

void TPivotCubeGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // On a data cell: its items. Elsewhere the second click of a double-click
    // is one more press, as it always was (an expand button toggles again).
    if (event->button() == Qt::LeftButton && DrillThroughAt(event->position().toPoint())) return;
    mousePressEvent(event);
}

bool TPivotCubeGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        for (auto it = FAreas.rbegin(); it != FAreas.rend(); ++it)
            if (it->Rect.contains(help->pos()) && !it->Hint.isEmpty()) {
                QToolTip::showText(help->globalPos(), Translate(it->Hint), viewport());
                return true;
            }
        QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
