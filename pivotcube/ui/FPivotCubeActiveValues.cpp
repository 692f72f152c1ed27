// The value bar.
#include "FPivotCubeActiveValues.h"

#include "UIconSet.h"

#include <QColorDialog>
#include <QComboBox>
#include <QInputDialog>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int GlyphSize = 16, ColorButtonSize = 12;

QColor colorOf(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }
int32_t bgrOf(const QColor& c) { return int32_t(c.red() | (c.green() << 8) | (c.blue() << 16)); }

// The drop-down over a block: it tells when its list closes, chosen or not.
class TValueList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnClosed;
    void hidePopup() override {
        QComboBox::hidePopup();
        if (OnClosed) OnClosed();
    }
};

} // namespace

TPivotCubeActiveValues::TPivotCubeActiveValues(QWidget* parent) : TPivotCubeHelper(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("PCActiveValues"));
}

int TPivotCubeActiveValues::BlockCount() const { return PivotCube() ? PivotCube()->ValueColumnCount() : 0; }

void TPivotCubeActiveValues::SetBlockWidth(int width) {
    width = std::clamp(width, MinimumBlockWidth, MaximumBlockWidth);
    if (width == FBlockWidth) return;
    FBlockWidth = width;
    update();
}

void TPivotCubeActiveValues::ResizeBlocks(int startSize, int distance, int blocksBefore) {
    SetBlockWidth(startSize + distance / std::max(blocksBefore, 1));
}

QRect TPivotCubeActiveValues::ColorButtonRect(int index) const {
    const QRect block = BlockRect(index);
    return QRect(block.right() - ColorButtonSize - 4, block.center().y() - ColorButtonSize / 2 + 1, ColorButtonSize,
                 ColorButtonSize);
}

QRect TPivotCubeActiveValues::GlyphRect(int index) const {
    const QRect colour = ColorButtonRect(index);
    const QRect block = BlockRect(index);
    return QRect(colour.left() - GlyphSize - 3, block.center().y() - GlyphSize / 2 + 1, GlyphSize, GlyphSize);
}

bool TPivotCubeActiveValues::PressBlockPart(int index, const QPoint& at) {
    if (GlyphRect(index).contains(at)) {
        OpenValueList(index);
        return true;
    }
    if (ColorButtonRect(index).adjusted(-2, -2, 2, 2).contains(at)) {
        ChooseColor(index);
        return true;
    }
    return false;
}

void TPivotCubeActiveValues::Drop(TPivotCubeHelper&, int index, int slot) {
    // Its own slot and the next one leave the column where it is.
    if (!PivotCube() || slot == index || slot == index + 1) return;
    PivotCube()->ValueColumns().Move(index, slot > index ? slot - 1 : slot);
}

// --- The block's controls --------------------------------------------------

void TPivotCubeActiveValues::OpenValueList(int index) {
    TPivotCube* engine = PivotCube();
    if (!engine || index < 0 || index >= BlockCount()) return;
    closeValueList();
    auto* list = new TValueList(this);
    list->setObjectName(QStringLiteral("ValueList"));
    const TPivotCubeValues& values = engine->CubeData().Values();
    const TPivotCubeFormulas& formulas = engine->Formulas();
    const QString current = engine->ValueColumns()[index]->Formula();
    int selected = -1;
    for (int v = 0; v < values.Count(); ++v) {
        list->addItem(values[v]->Nom());
        if (selected < 0 && values[v]->Nom() == current) selected = list->count() - 1;
    }
    for (int f = 0; f < formulas.Count(); ++f) {
        list->addItem(formulas[f]->Caption());
        if (selected < 0 && formulas[f]->Formula() == current) selected = list->count() - 1;
    }
    list->setCurrentIndex(selected);
    list->setGeometry(BlockRect(index).adjusted(1, 1, -1, -1));
    FValueList = list;
    FValueListColumn = index;
    connect(list, &QComboBox::activated, this, [this, valueCount = values.Count()](int entry) {
        TPivotCube* cube = PivotCube();
        const int column = FValueListColumn;
        if (!cube || column < 0 || column >= cube->ValueColumnCount()) return;
        if (entry < valueCount)
            cube->ValueColumns()[column]->AssignFrom(*cube->CubeData().Values()[entry]);
        else if (entry - valueCount < cube->Formulas().Count())
            cube->ValueColumns()[column]->AssignFrom(*cube->Formulas()[entry - valueCount]);
        cube->Repaint();
        emit Changed();
    });
    list->OnClosed = [this] { closeValueList(); };
    list->show();
    list->setFocus();
    list->showPopup();
}

void TPivotCubeActiveValues::closeValueList() {
    QComboBox* list = std::exchange(FValueList, nullptr);   // hiding it closes its list again
    if (!list) return;
    list->hide();
    list->deleteLater();   // it may be inside its own event handler
}

void TPivotCubeActiveValues::ChooseColor(int index) {
    TPivotCube* engine = PivotCube();
    if (!engine || index < 0 || index >= BlockCount()) return;
    const QColor initial = colorOf(ColorToRGB(engine->ValueColumns()[index]->BgColor()));
    const QColor chosen = QColorDialog::getColor(initial, this);
    engine = PivotCube();   // the dialog's loop may have seen the engine go
    if (!chosen.isValid() || !engine || index >= BlockCount()) return;
    engine->ValueColumns()[index]->SetBgColor(bgrOf(chosen));
    update();
    emit Changed();
}

void TPivotCubeActiveValues::RenameColumn(int index) {
    TPivotCube* engine = PivotCube();
    if (!engine || index < 0 || index >= BlockCount()) return;
    bool ok = false;
    const QString caption =
        QInputDialog::getText(this, Translate(QStringLiteral("Colonne valeur")), Translate(QStringLiteral("Titre de la colonne")),
                              QLineEdit::Normal, engine->ValueColumns()[index]->Caption(), &ok);
    engine = PivotCube();
    if (!ok || !engine || index >= BlockCount()) return;
    engine->ValueColumns()[index]->SetCaption(caption);
    emit Changed();
}

// --- Painting --------------------------------------------------------------

void TPivotCubeActiveValues::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    TPivotCube* engine = PivotCube();
    if (!engine) return;
    const QImage glyph = StandardImage(MenuImageName(6));
    for (int i = 0; i < BlockCount(); ++i) {
        const TPivotCubeValueColumn& column = *engine->ValueColumns()[i];
        const QRect block = BlockRect(i);
        const QColor shade = colorOf(column.Shade(1));
        PaintBlockFrame(painter, block, shade);
        const QRect glyphRect = GlyphRect(i);
        const QRect textRect(block.left() + 4, block.top(), glyphRect.left() - block.left() - 6, block.height());
        // The shades are light: dark text reads on every one of them.
        painter.setPen(Qt::black);
        painter.drawText(textRect, int(Qt::AlignVCenter | Qt::AlignLeft),
                         painter.fontMetrics().elidedText(column.Caption(), Qt::ElideRight, textRect.width()));
        if (!glyph.isNull()) painter.drawImage(glyphRect, glyph);
        const QRect colour = ColorButtonRect(i);
        painter.fillRect(colour, colorOf(ColorToRGB(column.BgColor())));
        painter.setPen(palette().color(QPalette::Shadow));
        painter.drawRect(colour.adjusted(0, 0, -1, -1));
    }
    PaintSlotMarker(painter);
}

// --- Context menu ----------------------------------------------------------

void TPivotCubeActiveValues::FillContextMenu(QMenu& menu, const QPoint& at) {
    TPivotCube& engine = *PivotCube();
    const int over = BlockAt(at);
    if (over >= 0) {
        const QString name = TranslateContent(engine.ValueColumns()[over]->DisplayText());
        QAction* rename = menu.addAction(TranslateFormat(QStringLiteral("Renommer %s"), {name}));
        connect(rename, &QAction::triggered, this, [this, over] { RenameColumn(over); });
        QAction* remove = menu.addAction(MenuImage(2), TranslateFormat(QStringLiteral("Retirer %s"), {name}));
        remove->setEnabled(engine.ValueColumnCount() >= 2);
        connect(remove, &QAction::triggered, this, [this, over] {
            if (PivotCube() && PivotCube()->ValueColumnCount() >= 2) {
                PivotCube()->ValueColumns().Delete(over);
                emit Changed();
            }
        });
        menu.addSeparator();
    }
    // Every value and formula not yet shown under its name.
    auto addEntry = [&](const QString& name, std::function<void(TPivotCube&)> add) {
        if (engine.ValueColumns().FindByCaption(name)) return;
        QAction* entry = menu.addAction(MenuImage(3), TranslateFormat(QStringLiteral("Ajouter %s"), {TranslateContent(name)}));
        connect(entry, &QAction::triggered, this, [this, add = std::move(add)] {
            if (!PivotCube()) return;
            add(*PivotCube());
            emit Changed();
        });
    };
    const TPivotCubeValues& values = engine.CubeData().Values();
    for (int v = 0; v < values.Count(); ++v) {
        const QString name = values[v]->Nom();
        addEntry(name, [name](TPivotCube& cube) {
            if (const TPivotCubeValue* value = cube.CubeData().Values().FindByName(name)) cube.AddValueColumn(*value);
        });
    }
    for (int f = 0; f < engine.Formulas().Count(); ++f) {
        const QString caption = engine.Formulas()[f]->Caption();
        addEntry(caption, [caption](TPivotCube& cube) {
            if (const TPivotCubeFormula* formula = cube.Formulas().FindByCaption(caption)) cube.AddValueColumn(*formula);
        });
    }
}
