// The chart view's controls: the top bar, the drawing and the options panel
// with its three pages, and the connections of every editor control.

#include "CPCChartCodes.h"
#include "FPCChart.h"
#include "FPCChartCanvas.h"
#include "FPCColorButton.h"

#include "UIconSet.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Series list rows: a glyph of the series type, the colour swatch, the text.
class TSeriesRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 22};
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        QStyle* style = o.widget ? o.widget->style() : nullptr;
        if (style) style->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
        painter->save();
        const QRect r = option.rect;
        const QColor ink = option.state & QStyle::State_Selected ? option.palette.highlightedText().color()
                                                                  : option.palette.text().color();
        drawTypeGlyph(*painter, QRect(r.left() + 3, r.top() + 3, 16, 16), index.data(Qt::UserRole).toInt(), ink);
        const QColor colour = PCColorOf(index.data(Qt::UserRole + 1).toInt());
        painter->setPen(QColor(0x60, 0x60, 0x60));
        painter->setBrush(colour);
        painter->drawRect(QRect(r.left() + 23, r.top() + 5, 12, 12));
        painter->setPen(ink);
        painter->drawText(r.adjusted(40, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          o.fontMetrics.elidedText(text, Qt::ElideRight, r.width() - 42));
        painter->restore();
    }

private:
    static void drawTypeGlyph(QPainter& p, const QRect& r, int type, const QColor& ink) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::NoBrush);
        switch (type) {
        case ctHorizBar:
            p.drawRect(r.left() + 1, r.top() + 2, 10, 3);
            p.drawRect(r.left() + 1, r.top() + 7, 13, 3);
            p.drawRect(r.left() + 1, r.top() + 12, 6, 3);
            break;
        case ctArea: {
            const QPolygon area({QPoint(r.left() + 1, r.bottom()), QPoint(r.left() + 1, r.top() + 9),
                                 QPoint(r.left() + 6, r.top() + 4), QPoint(r.left() + 10, r.top() + 8),
                                 QPoint(r.right() - 1, r.top() + 2), QPoint(r.right() - 1, r.bottom())});
            p.drawPolygon(area);
            break;
        }
        case ctLine:
        case ctPoint: {
            const QPoint points[] = {QPoint(r.left() + 1, r.bottom() - 3), QPoint(r.left() + 6, r.top() + 6),
                                     QPoint(r.left() + 10, r.top() + 10), QPoint(r.right() - 1, r.top() + 2)};
            if (type == ctLine) p.drawPolyline(points, 4);
            for (const QPoint& at : points)
                if (type == ctPoint) p.drawEllipse(at, 2, 2);
            break;
        }
        case ctPie:
            p.drawEllipse(r.adjusted(1, 1, -1, -1));
            p.drawLine(r.center(), QPoint(r.center().x(), r.top() + 1));
            p.drawLine(r.center(), QPoint(r.right() - 2, r.center().y() + 3));
            break;
        default:
            p.drawRect(r.left() + 1, r.top() + 8, 3, 7);
            p.drawRect(r.left() + 6, r.top() + 3, 3, 12);
            p.drawRect(r.left() + 11, r.top() + 6, 3, 9);
        }
    }
};

QComboBox* enumCombo(const QString& name, const TPCChartEnumeration& e, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const QString& caption : e.Captions) combo->addItem(Translate(caption), caption);
    return combo;
}

QToolButton* imageButton(const QString& name, const QString& image, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(QPixmap::fromImage(StandardImage(image))));
    button->setAutoRaise(true);
    return button;
}

}   // namespace

void TPCChart::buildControls() {
    setWindowTitle(QStringLiteral("PivotCube Chart"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    PNTop = new QWidget(this);
    PNTop->setObjectName(QStringLiteral("PNTop"));
    PNTop->setFixedHeight(29);
    auto* top = new QHBoxLayout(PNTop);
    top->setContentsMargins(6, 2, 6, 2);
    LBTitle = new QLabel(PNTop);
    FTexts.emplace_back(LBTitle, QStringLiteral("Titre :"));
    EDTitle = new QLineEdit(PNTop);
    EDTitle->setObjectName(QStringLiteral("EDTitle"));
    BTFont = imageButton(QStringLiteral("BTFont"), QStringLiteral("Chart_Font"), PNTop);
    BTPrint = imageButton(QStringLiteral("BTPrint"), QStringLiteral("Chart_Print"), PNTop);
    top->addWidget(LBTitle);
    top->addWidget(EDTitle, 1);
    top->addWidget(BTFont);
    top->addWidget(BTPrint);
    outer->addWidget(PNTop);

    SPOptions = new QSplitter(Qt::Horizontal, this);
    SPOptions->setObjectName(QStringLiteral("SPOptions"));
    SPOptions->setChildrenCollapsible(false);
    Chart = new TPCChartCanvas(FModel, SPOptions);
    Chart->setObjectName(QStringLiteral("Chart"));
    PNOptions = new QWidget(SPOptions);
    PNOptions->setObjectName(QStringLiteral("PNOptions"));
    PNOptions->setMinimumWidth(60);
    auto* options = new QVBoxLayout(PNOptions);
    options->setContentsMargins(3, 3, 3, 3);
    options->setSpacing(3);
    CBDirection = enumCombo(QStringLiteral("CBDirection"), PCChartCodes::Direction(), PNOptions);
    CBView3D = new QCheckBox(PNOptions);
    CBView3D->setObjectName(QStringLiteral("CBView3D"));
    CBView3D->setChecked(true);
    FTexts.emplace_back(CBView3D, QStringLiteral("Aspect 3D"));
    PCOptions = new QTabWidget(PNOptions);
    PCOptions->setObjectName(QStringLiteral("PCOptions"));
    PCOptions->setDocumentMode(true);
    PCOptions->addTab(buildSeriesPage(), QString());
    PCOptions->addTab(buildOptionsPage(), QString());
    PCOptions->addTab(buildAxesPage(), QString());
    options->addWidget(CBDirection);
    options->addWidget(CBView3D);
    options->addWidget(PCOptions, 1);
    SPOptions->addWidget(Chart);
    SPOptions->addWidget(PNOptions);
    SPOptions->setStretchFactor(0, 1);
    SPOptions->setStretchFactor(1, 0);
    SPOptions->setSizes({600, 192});
    outer->addWidget(SPOptions, 1);
    retranslate();
}

QWidget* TPCChart::buildSeriesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSSeries"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->setSpacing(3);
    auto* buttons = new QHBoxLayout;
    BTAddSeries = imageButton(QStringLiteral("BTAddSeries"), QStringLiteral("Sb_Plus"), page);
    BTRemoveSeries = imageButton(QStringLiteral("BTRemoveSeries"), QStringLiteral("Sb_Minus"), page);
    BTSeriesUp = imageButton(QStringLiteral("BTSeriesUp"), QStringLiteral("Img_Tree_Up"), page);
    BTSeriesDown = imageButton(QStringLiteral("BTSeriesDown"), QStringLiteral("Img_Tree_Down"), page);
    FTexts.emplace_back(BTAddSeries, QStringLiteral("Ajouter une série"));
    FTexts.emplace_back(BTRemoveSeries, QStringLiteral("Supprimer la série"));
    FTexts.emplace_back(BTSeriesUp, QStringLiteral("Vers le haut"));
    FTexts.emplace_back(BTSeriesDown, QStringLiteral("Vers le bas"));
    for (QToolButton* b : {BTAddSeries, BTRemoveSeries, BTSeriesUp, BTSeriesDown}) buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    LBSeries = new QListWidget(page);
    LBSeries->setObjectName(QStringLiteral("LBSeries"));
    LBSeries->setItemDelegate(new TSeriesRowDelegate(LBSeries));
    LBSeries->setSelectionMode(QAbstractItemView::SingleSelection);
    LBSeries->setMinimumHeight(70);
    layout->addWidget(LBSeries, 1);

    PNSeries = new QWidget(page);
    PNSeries->setObjectName(QStringLiteral("PNSeries"));
    auto* form = new QFormLayout(PNSeries);
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(4);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    // The panel is narrow: each caption sits above its control.
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    form->setVerticalSpacing(1);
    const auto label = [&](const QString& text) {
        auto* l = new QLabel(PNSeries);
        FTexts.emplace_back(l, text);
        return l;
    };
    EDSeriesTitle = new QLineEdit(PNSeries);
    EDSeriesTitle->setObjectName(QStringLiteral("EDSeriesTitle"));
    form->addRow(label(QStringLiteral("Titre :")), EDSeriesTitle);
    CBValue = new QComboBox(PNSeries);
    CBValue->setObjectName(QStringLiteral("CBValue"));
    form->addRow(label(QStringLiteral("Valeur :")), CBValue);
    LBRegroup = label(QStringLiteral("Regroupement :"));
    CBRegroup = new QComboBox(PNSeries);
    CBRegroup->setObjectName(QStringLiteral("CBRegroup"));
    form->addRow(LBRegroup, CBRegroup);
    CBType = enumCombo(QStringLiteral("CBType"), PCChartCodes::SeriesType(), PNSeries);
    CBType2D = new QComboBox(PNSeries);
    CBType2D->setObjectName(QStringLiteral("CBType2D"));
    CBType2D->addItem(Translate(QStringLiteral("Histogramme")), QStringLiteral("Histogramme"));
    auto* types = new QHBoxLayout;
    types->setContentsMargins(0, 0, 0, 0);
    types->addWidget(CBType, 1);
    types->addWidget(CBType2D, 1);
    form->addRow(label(QStringLiteral("Aspect :")), types);
    BTColor = new TPCColorButton(PNSeries);
    BTColor->setObjectName(QStringLiteral("BTColor"));
    BTColor->SetColor(0xFF0000);
    form->addRow(label(QStringLiteral("Couleur :")), BTColor);
    CBBarStyle = enumCombo(QStringLiteral("CBBarStyle"), PCChartCodes::BarStyle(), PNSeries);
    CBLineStyle = enumCombo(QStringLiteral("CBLineStyle"), PCChartCodes::LineStyle(), PNSeries);
    CBPieStyle = enumCombo(QStringLiteral("CBPieStyle"), PCChartCodes::PieStyle(), PNSeries);
    auto* styles = new QHBoxLayout;
    styles->setContentsMargins(0, 0, 0, 0);
    for (QComboBox* c : {CBBarStyle, CBLineStyle, CBPieStyle}) styles->addWidget(c, 1);
    LBStyle = label(QStringLiteral("Style :"));
    form->addRow(LBStyle, styles);
    CBMarks = new QCheckBox(PNSeries);
    CBMarks->setObjectName(QStringLiteral("CBMarks"));
    FTexts.emplace_back(CBMarks, QStringLiteral("Etiquettes"));
    CBMarksStyle = enumCombo(QStringLiteral("CBMarksStyle"), PCChartCodes::LabelStyle(), PNSeries);
    form->addRow(CBMarks, CBMarksStyle);
    CBValueAxis = new QComboBox(PNSeries);
    CBValueAxis->setObjectName(QStringLiteral("CBValueAxis"));
    CBValueAxis->addItem(QString(), QStringLiteral("gauche"));
    CBValueAxis->addItem(QString(), QStringLiteral("droite"));
    form->addRow(label(QStringLiteral("Axe valeurs :")), CBValueAxis);
    layout->addWidget(PNSeries);
    return page;
}

QWidget* TPCChart::buildOptionsPage() {
    TSOptions = new QWidget;
    TSOptions->setObjectName(QStringLiteral("TSOptions"));
    auto* layout = new QVBoxLayout(TSOptions);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->setSpacing(3);
    const auto label = [&](const QString& text) {
        auto* l = new QLabel(TSOptions);
        FTexts.emplace_back(l, text);
        return l;
    };
    auto* legend = new QHBoxLayout;
    CBLegend = new QCheckBox(TSOptions);
    CBLegend->setObjectName(QStringLiteral("CBLegend"));
    FTexts.emplace_back(CBLegend, QStringLiteral("Légende"));
    CBLegendPosition = enumCombo(QStringLiteral("CBLegendPosition"), PCChartCodes::LegendPosition(), TSOptions);
    CBLegendPosition->setCurrentIndex(1);
    legend->addWidget(CBLegend);
    legend->addWidget(CBLegendPosition, 1);
    layout->addLayout(legend);

    layout->addWidget(label(QStringLiteral("Murs du graphique :")));
    auto* walls = new QGridLayout;
    walls->setContentsMargins(8, 0, 0, 0);
    walls->setVerticalSpacing(2);
    const auto wall = [&](WallControls& controls, const char* name, const QString& caption, int row, int32_t colour) {
        controls.Visible = new QCheckBox(TSOptions);
        controls.Visible->setObjectName(QStringLiteral("CB%1Wall").arg(QLatin1String(name)));
        controls.Visible->setChecked(true);
        FTexts.emplace_back(controls.Visible, caption);
        controls.Color = new TPCColorButton(TSOptions);
        controls.Color->setObjectName(QStringLiteral("BT%1WallColor").arg(QLatin1String(name)));
        controls.Color->SetColor(colour);
        walls->addWidget(controls.Visible, row, 0);
        walls->addWidget(controls.Color, row, 1);
    };
    wall(FLeftWall, "Left", QStringLiteral("Gauche"), 0, 0x80FFFF);
    wall(FBottomWall, "Bottom", QStringLiteral("Bas"), 1, 0xFFFFFF);
    wall(FBackWall, "Back", QStringLiteral("Fond"), 2, 0xFFFFFF);
    walls->setColumnStretch(2, 1);
    layout->addLayout(walls);

    layout->addWidget(label(QStringLiteral("Empilement des graphes :")));
    CBStacking = enumCombo(QStringLiteral("CBStacking"), PCChartCodes::Stacking(), TSOptions);
    layout->addWidget(CBStacking);
    layout->addWidget(label(QStringLiteral("Fond :")));
    CBBackStyle = enumCombo(QStringLiteral("CBBackStyle"), PCChartCodes::Background(), TSOptions);
    layout->addWidget(CBBackStyle);
    auto* colours = new QGridLayout;
    colours->setContentsMargins(8, 0, 0, 0);
    BTBackColor = new TPCColorButton(TSOptions);
    BTBackColor->setObjectName(QStringLiteral("BTBackColor"));
    BTBackColor2 = new TPCColorButton(TSOptions);
    BTBackColor2->setObjectName(QStringLiteral("BTBackColor2"));
    colours->addWidget(label(QStringLiteral("Couleur")), 0, 0);
    colours->addWidget(BTBackColor, 0, 1);
    colours->addWidget(label(QStringLiteral("Couleur 2")), 1, 0);
    colours->addWidget(BTBackColor2, 1, 1);
    colours->setColumnStretch(2, 1);
    layout->addLayout(colours);
    layout->addStretch(1);
    return TSOptions;
}

QWidget* TPCChart::buildAxesPage() {
    TSAxes = new QWidget;
    TSAxes->setObjectName(QStringLiteral("TSAxes"));
    auto* layout = new QVBoxLayout(TSAxes);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->setSpacing(4);
    const auto axis = [&](AxisControls& controls, const char* name, const QString& caption, bool scaled) {
        auto* box = new QWidget(TSAxes);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        const QString base = QLatin1String(name);
        controls.Visible = new QCheckBox(box);
        controls.Visible->setObjectName(QStringLiteral("CB%1Axis").arg(base));
        controls.Visible->setChecked(true);
        FTexts.emplace_back(controls.Visible, caption);
        QFont bold = controls.Visible->font();
        bold.setBold(true);
        controls.Visible->setFont(bold);
        controls.ShowTitle = new QCheckBox(box);
        controls.ShowTitle->setObjectName(QStringLiteral("CB%1AxisTitle").arg(base));
        controls.ShowTitle->setChecked(true);
        FTexts.emplace_back(controls.ShowTitle, QStringLiteral("Voir le titre"));
        grid->addWidget(controls.Visible, 0, 0, 1, 2);
        grid->addWidget(controls.ShowTitle, 1, 0, 1, 2);
        if (scaled) {
            controls.Increment = new QDoubleSpinBox(box);
            controls.Increment->setObjectName(QStringLiteral("SE%1AxisIncrement").arg(base));
            controls.Increment->setRange(0, 999999999999999.0);
            controls.Increment->setSingleStep(10);
            controls.Increment->setDecimals(2);
            controls.Rotation = new QSpinBox(box);
            controls.Rotation->setObjectName(QStringLiteral("SE%1AxisRotation").arg(base));
            controls.Rotation->setRange(-90, 90);
            controls.Rotation->setSingleStep(15);
            auto* increment = new QLabel(box);
            FTexts.emplace_back(increment, QStringLiteral("Incrément :"));
            auto* rotation = new QLabel(box);
            FTexts.emplace_back(rotation, QStringLiteral("Rotation :"));
            grid->addWidget(increment, 2, 0);
            grid->addWidget(controls.Increment, 2, 1);
            grid->addWidget(rotation, 3, 0);
            grid->addWidget(controls.Rotation, 3, 1);
            grid->setColumnStretch(1, 1);
        }
        layout->addWidget(box);
    };
    axis(FLeftAxis, "Left", QStringLiteral("Gauche"), true);
    axis(FRightAxis, "Right", QStringLiteral("Droite"), true);
    axis(FBottomAxis, "Bottom", QStringLiteral("Bas"), true);
    axis(FDepthAxis, "Depth", QStringLiteral("Profondeur"), false);
    layout->addStretch(1);
    return TSAxes;
}

void TPCChart::connectEditor() {
    const auto changed = [this] { editorChanged(); };
    connect(EDTitle, &QLineEdit::textChanged, this, changed);
    connect(BTFont, &QToolButton::clicked, this, &TPCChart::chooseTitleFont);
    connect(BTPrint, &QToolButton::clicked, this, &TPCChart::printClick);
    connect(CBDirection, &QComboBox::currentIndexChanged, this, [this] {
        applyDirectionRule();
        editorChanged();
    });
    connect(CBView3D, &QCheckBox::toggled, this, changed);
    connect(BTAddSeries, &QToolButton::clicked, this, &TPCChart::addSeriesClick);
    connect(BTRemoveSeries, &QToolButton::clicked, this, &TPCChart::removeSeriesClick);
    connect(BTSeriesUp, &QToolButton::clicked, this, [this] { moveSeriesClick(-1); });
    connect(BTSeriesDown, &QToolButton::clicked, this, [this] { moveSeriesClick(1); });
    connect(LBSeries, &QListWidget::currentRowChanged, this, [this](int row) {
        if (UpdateLock > 0) return;
        selectSeries(row);
    });
    connect(EDSeriesTitle, &QLineEdit::textEdited, this, changed);
    connect(CBValue, &QComboBox::activated, this, &TPCChart::valueOrOperatorChanged);
    connect(CBRegroup, &QComboBox::activated, this, &TPCChart::valueOrOperatorChanged);
    connect(CBType, &QComboBox::currentIndexChanged, this, [this] {
        applyTypeRule();
        editorChanged();
    });
    connect(BTColor, &TPCColorButton::ColorChanged, this, changed);
    for (QComboBox* c : {CBBarStyle, CBLineStyle, CBPieStyle, CBMarksStyle, CBValueAxis, CBLegendPosition, CBStacking})
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    connect(CBBackStyle, &QComboBox::currentIndexChanged, this, [this] {
        applyTypeRule();
        editorChanged();
    });
    connect(CBMarks, &QCheckBox::toggled, this, [this] {
        applyTypeRule();
        editorChanged();
    });
    connect(CBLegend, &QCheckBox::toggled, this, changed);
    for (WallControls* w : {&FLeftWall, &FBottomWall, &FBackWall}) {
        connect(w->Visible, &QCheckBox::toggled, this, changed);
        connect(w->Color, &TPCColorButton::ColorChanged, this, changed);
    }
    connect(BTBackColor, &TPCColorButton::ColorChanged, this, changed);
    connect(BTBackColor2, &TPCColorButton::ColorChanged, this, changed);
    for (AxisControls* a : {&FLeftAxis, &FRightAxis, &FBottomAxis, &FDepthAxis}) {
        connect(a->Visible, &QCheckBox::toggled, this, changed);
        connect(a->ShowTitle, &QCheckBox::toggled, this, changed);
        if (a->Increment) connect(a->Increment, &QDoubleSpinBox::valueChanged, this, changed);
        if (a->Rotation) connect(a->Rotation, &QSpinBox::valueChanged, this, changed);
    }
}

void TPCChart::retranslate() {
    for (const auto& [widget, text] : FTexts) {
        const QString shown = Translate(text);
        if (auto* l = qobject_cast<QLabel*>(widget)) l->setText(shown);
        else if (auto* c = qobject_cast<QCheckBox*>(widget)) c->setText(shown);
        else widget->setToolTip(shown);
    }
    BTFont->setToolTip(Translate(QStringLiteral("Choisir la police de titre")));
    BTPrint->setToolTip(Translate(QStringLiteral("Imprimer")));
    PCOptions->setTabText(0, Translate(QStringLiteral("Séries")));
    PCOptions->setTabText(1, Translate(QStringLiteral("Options")));
    PCOptions->setTabText(2, Translate(QStringLiteral("Axes")));
    for (QComboBox* c : findChildren<QComboBox*>()) {
        if (c == CBValue || c == CBRegroup) continue;
        for (int i = 0; i < c->count(); ++i) c->setItemText(i, Translate(c->itemData(i).toString()));
    }
}
