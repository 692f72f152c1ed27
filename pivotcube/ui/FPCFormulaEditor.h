#pragma once
// The formula editor: the modal dialog in which the user defines the cube's
// formulas (caption, expression text, display format). The simple page
// builds the common shape "aggregate, operator, aggregate" from three lists;
// the advanced page takes any expression and any format or display
// expression. It works on a copy of the formulas, assigned back on "Ok".

#include "CPivotCubeValueColumns.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QWidget;
class TZeltaGradient;

class TPCFormulaEditor : public QDialog {
    Q_OBJECT
public:
    explicit TPCFormulaEditor(QWidget* parent = nullptr);
    ~TPCFormulaEditor() override;

    // Edits formulas over the cube's values; true (and the edits assigned to
    // formulas) when the user confirmed with "Ok".
    bool Execute(TPivotCubeFormulas& formulas, const TPivotCubeValues& values);

    // The masks of the CBFormat items, in item order.
    static const QStringList& FormatMasks();

private:
    void buildControls();
    TPivotCubeFormula* selectedFormula() const;
    bool simplePageActive() const;
    void decomposeIntoSimplePage(const QString& text);
    void selectFormatOfMask(const QString& mask);
    void selectEntry(int row);
    void updateMoveButtons();
    void moveEntry(int from, int to);
    // The simple formula text of the three combo boxes' selection.
    QString simpleFormulaText() const;

    void LBItemsClick();
    void LECaptionChange();
    void CBOperatorChange();
    void CBFormatChange();
    void EDFormulaChange();
    void EDFormatChange();
    void HBAddClick();
    void HBRemoveClick();
    void HBUpClick();
    void HBDownClick();
    void BBOkClick();

    TPivotCubeFormulas FFormulas;   // the edited copy
    const TPivotCubeValues* FValues = nullptr;
    // Set while the controls are filled from the selection: their change
    // handlers then leave the formulas alone.
    bool FShowing = false;

    TZeltaGradient* Gradient1 = nullptr;
    QListWidget* LBItems = nullptr;
    QToolButton* HBUp = nullptr;
    QToolButton* HBDown = nullptr;
    QPushButton* HBAdd = nullptr;
    QPushButton* HBRemove = nullptr;
    QPushButton* BBOk = nullptr;
    QPushButton* BBCancel = nullptr;
    QLineEdit* LECaption = nullptr;
    QTabWidget* PageControl = nullptr;
    QWidget* TSSimple = nullptr;
    QWidget* TSAdvanced = nullptr;
    QComboBox* CBLeftOperand = nullptr;
    QComboBox* CBOperator = nullptr;
    QComboBox* CBRightOperand = nullptr;
    QComboBox* CBFormat = nullptr;
    QLineEdit* EDFormula = nullptr;
    QRadioButton* RBFormat = nullptr;
    QLineEdit* EDFormat = nullptr;
    QRadioButton* RBFormula = nullptr;
    QLineEdit* EDPresentationFormula = nullptr;
};
