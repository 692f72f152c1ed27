#include "FPCChart.h"

#include "CPCChartCodes.h"
#include "CPCChartSeries.h"
#include "FPCChartCanvas.h"
#include "FPCColorButton.h"

#include "CPivotCube.h"
#include "UXMLParser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

TPCChart::TPCChart(QWidget* parent) : QWidget(parent) {
    FTitleFont = QFont(QStringLiteral("Arial"), 10);
    FTitleFont.setBold(true);
    FRebuildTimer = new QTimer(this);
    FRebuildTimer->setSingleShot(true);
    FRebuildTimer->setInterval(10);
    connect(FRebuildTimer, &QTimer::timeout, this, &TPCChart::rebuild);
    buildControls();
    connectEditor();
    Chart->Dragged = [this] { canvasDragged(); };
    Chart->ContextMenu = [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(Translate(QStringLiteral("Copier le graphique")), this, &TPCChart::CopyChart);
        menu.addAction(Translate(QStringLiteral("Imprimer le graphique")), this, &TPCChart::printClick);
        menu.exec(at);
    };
    ChooseFont = [this](QFont& font) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, this);
        if (ok) font = chosen;
        return ok;
    };
    ChoosePrinter = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
    FModel.Series.clear();
    FModel.Legend.Visible = false;
    applySeriesListRule();
    RegisterLanguageListener(this);
}

TPCChart::~TPCChart() {
    UnregisterLanguageListener(this);
    if (FPivot) FPivot->Unsubscribe(FPivotGone);
}

// --- Modes ------------------------------------------------------------------

void TPCChart::SetChartDesignMode(bool on) {
    if (on == FDesignMode) return;
    FDesignMode = on;
    PNTop->setFixedHeight(on ? 29 : 0);
    PNTop->setVisible(on);
    PNOptions->setVisible(on);
    if (on) {
        PNOptions->setMinimumWidth(60);
        const int total = SPOptions->width();
        SPOptions->setSizes({std::max(0, total - 192), 192});
    }
    SPOptions->handle(1)->setEnabled(on);
}

void TPCChart::SetSmoothing(bool on) {
    FSmoothing = on;
    applyAntiAlias();
}

void TPCChart::applyAntiAlias() {
    FModel.AntiAlias = FSmoothing && isVisible();
    Chart->update();
}

void TPCChart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyAntiAlias();
}

void TPCChart::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FModel.AntiAlias = false;
}

// --- Loading ----------------------------------------------------------------

void TPCChart::LoadChart(TPivotCube* pivot, const QString& text) {
    ++UpdateLock;
    if (FPivot != pivot) {
        if (FPivot) FPivot->Unsubscribe(FPivotGone);
        FPivot = pivot;
        FPivotGone = pivot ? pivot->SubscribeDestroyed([this] {
            FPivot = nullptr;
            clearSeries();
        })
                           : 0;
    }
    PCOptions->setCurrentIndex(0);
    fillValueCombo();
    fillOperatorCombo();
    applyDirectionRule();
    applyTypeRule();
    if (!FSeriesTemplate) FSeriesTemplate = seriesDocumentFromEditor();
    DefaultSeriesCaption = CBValue->currentText() + QStringLiteral(" (") + CBRegroup->currentText() + QStringLiteral(")");
    readChart(text);
    if (text.trimmed().isEmpty()) {
        addSeries(DefaultSeriesCaption, std::unique_ptr<TXMLDOMDocument>(
                                            static_cast<TXMLDOMDocument*>(FSeriesTemplate->CloneNode(true).release())));
        LBSeries->setCurrentRow(0);
        loadSeriesIntoEditor(chartOf(FSeries.front()));
        FSeries.front().Document = seriesDocumentFromEditor();
        refreshSeriesRow(0);
    }
    applySeriesListRule();
    --UpdateLock;
    scheduleRebuild();
}

void TPCChart::fillValueCombo() {
    CBValue->clear();
    if (!FPivot) return;
    const TPivotCubeValues& values = FPivot->CubeData().Values();
    for (int i = 0; i < values.Count(); ++i) CBValue->addItem(values[i]->Nom());
    const TPivotCubeFormulas& formulas = FPivot->Formulas();
    for (int i = 0; i < formulas.Count(); ++i) CBValue->addItem(formulas[i]->Caption());
    // The pivot's first value column: a value by name, else a formula by expression.
    const QString first = FPivot->ValueColumns().ColumnFormula(0);
    int index = values.IndexOfName(first);
    if (index < 0) {
        const int formula = formulas.IndexOfFormula(first);
        if (formula >= 0) index = values.Count() + formula;
    }
    CBValue->setCurrentIndex(index >= 0 ? index : (CBValue->count() > 0 ? 0 : -1));
}

void TPCChart::fillOperatorCombo() {
    CBRegroup->clear();
    for (const TRegisteredPCGroupOperator& op : RegisteredGroupOperators()) CBRegroup->addItem(op.Name);
    int index = 0;
    if (FPivot && FPivot->RowRegroups().Count() > 0) {
        const int found = CBRegroup->findText(FPivot->RowRegroups().Items(0)->Operator());
        if (found >= 0) index = found;
    }
    CBRegroup->setCurrentIndex(CBRegroup->count() > 0 ? index : -1);
}

// --- Rules ------------------------------------------------------------------

int TPCChart::direction() const { return CBDirection->currentIndex(); }

int TPCChart::seriesType() const { return tridimensional() ? ctHistogram : CBType->currentIndex(); }

bool TPCChart::valueIsFormula() const {
    if (!FPivot) return false;
    return CBValue->currentIndex() >= FPivot->CubeData().Values().Count();
}

QComboBox* TPCChart::shownStyleCombo() const {
    switch (seriesType()) {
    case ctHistogram:
    case ctHorizBar: return CBBarStyle;
    case ctLine: return CBLineStyle;
    case ctPie: return CBPieStyle;
    default: return nullptr;
    }
}

void TPCChart::applyDirectionRule() {
    const bool plain = !stacked() && !tridimensional() && !valueIsFormula();
    const bool enabled = SelectedSeries() >= 0 || FSeries.empty();
    LBRegroup->setEnabled(plain && enabled);
    CBRegroup->setEnabled(plain && enabled);
    CBType->setVisible(!tridimensional());
    CBType2D->setVisible(tridimensional());
    CBView3D->setEnabled(!tridimensional());
    applyTypeRule();
}

void TPCChart::applyTypeRule() {
    QComboBox* shown = shownStyleCombo();
    for (QComboBox* c : {CBBarStyle, CBLineStyle, CBPieStyle}) c->setVisible(c == shown);
    LBStyle->setVisible(shown != nullptr);
    BTBackColor2->setEnabled(CBBackStyle->currentIndex() != 0 && CBBackStyle->isEnabled());
    CBMarksStyle->setEnabled(CBMarks->isChecked() && CBMarks->isEnabled());
}

void TPCChart::applySeriesListRule() {
    const int row = SelectedSeries();
    const bool selected = row >= 0;
    BTRemoveSeries->setEnabled(selected);
    BTSeriesUp->setEnabled(selected && row > 0);
    BTSeriesDown->setEnabled(selected && row < int(FSeries.size()) - 1);
    PNSeries->setEnabled(selected);
    TSOptions->setEnabled(selected);
    TSAxes->setEnabled(selected);
    applyDirectionRule();
}

int TPCChart::SelectedSeries() const {
    const int row = LBSeries->currentRow();
    return row >= 0 && row < int(FSeries.size()) ? row : -1;
}

QString TPCChart::SeriesText(int index) const {
    return index >= 0 && index < SeriesCount() ? FSeries[size_t(index)].Text : QString();
}

void TPCChart::refreshSeriesRow(int index) {
    if (index < 0 || index >= SeriesCount() || index >= LBSeries->count()) return;
    const TPCChartSeriesSettings s = PCReadChartSeries(chartOf(FSeries[size_t(index)]));
    QListWidgetItem* item = LBSeries->item(index);
    item->setText(FSeries[size_t(index)].Text);
    item->setData(Qt::UserRole, PCChartCodes::SeriesType().IndexOfCode(s.Type));
    item->setData(Qt::UserRole + 1, int(s.Color));
}

void TPCChart::editorChanged() {
    if (UpdateLock > 0) return;
    storeEditorIntoSelected();
    scheduleRebuild();
}

void TPCChart::selectDefaultOperatorOfValue() {
    if (!FPivot || valueIsFormula()) return;
    const TPivotCubeValue* value = FPivot->CubeData().Values().FindByName(CBValue->currentText());
    const int index = value ? CBRegroup->findText(value->GroupOperatorName()) : -1;
    CBRegroup->setCurrentIndex(index >= 0 ? index : 0);
}

void TPCChart::valueOrOperatorChanged() {
    const int row = SelectedSeries();
    if (row < 0 || UpdateLock > 0) return;
    ++UpdateLock;
    applyDirectionRule();
    if (valueIsFormula()) CBRegroup->setCurrentIndex(-1);
    else if (CBRegroup->currentIndex() < 0) selectDefaultOperatorOfValue();
    const QString title = CBValue->currentText() + QStringLiteral(" (") + CBRegroup->currentText() + QStringLiteral(")");
    EDSeriesTitle->setText(title);
    FSeries[size_t(row)].Text = title;
    --UpdateLock;
    editorChanged();
}

void TPCChart::selectSeries(int index) {
    if (index >= 0 && index < SeriesCount()) loadSeriesIntoEditor(chartOf(FSeries[size_t(index)]));
    applySeriesListRule();
}

void TPCChart::addSeriesClick() {
    if (!FSeriesTemplate) return;
    addSeries(DefaultSeriesCaption,
              std::unique_ptr<TXMLDOMDocument>(static_cast<TXMLDOMDocument*>(FSeriesTemplate->CloneNode(true).release())));
    LBSeries->setCurrentRow(SeriesCount() - 1);
    scheduleRebuild();
}

void TPCChart::removeSeriesClick() {
    const int row = SelectedSeries();
    if (row < 0) return;
    ++UpdateLock;
    FSeries.erase(FSeries.begin() + row);
    delete LBSeries->takeItem(row);
    --UpdateLock;
    selectSeries(SelectedSeries());
    scheduleRebuild();
}

void TPCChart::moveSeriesClick(int delta) {
    const int row = SelectedSeries();
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= SeriesCount()) return;
    ++UpdateLock;
    std::swap(FSeries[size_t(row)], FSeries[size_t(to)]);
    refreshSeriesRow(row);
    refreshSeriesRow(to);
    LBSeries->setCurrentRow(to);
    --UpdateLock;
    applySeriesListRule();
    scheduleRebuild();
}

void TPCChart::canvasDragged() {
    // The dragged view is what later rebuilds and the saved settings keep.
    if (tridimensional()) {
        Zoom3D = FModel.View.Zoom;
        Rotation3D = FModel.View.Rotation;
        Elevation3D = FModel.View.Elevation;
    }
}

void TPCChart::chooseTitleFont() {
    QFont font = FTitleFont;
    if (!ChooseFont || !ChooseFont(font)) return;
    FTitleFont = font;
    FModel.Title.Font = font;
    Chart->update();
}

// --- Rebuild scheduling -------------------------------------------------------

void TPCChart::scheduleRebuild() {
    if (UpdateLock > 0) return;
    FRebuildTimer->start();
}

bool TPCChart::RebuildPending() const { return FRebuildTimer->isActive(); }

void TPCChart::RebuildNow() {
    FRebuildTimer->stop();
    rebuild();
}

// --- Print and copy -------------------------------------------------------------

void TPCChart::printClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!ChoosePrinter || !ChoosePrinter(printer)) return;
    PrintChart(printer);
}
