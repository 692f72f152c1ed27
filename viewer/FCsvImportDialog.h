#pragma once
// The dialog of "Importer un CSV...": how the file is read (delimiter, decimal
// separator, encoding), the cube's title, what each column becomes (axis, axis
// of months, value with its operator, or left out; the parent of an axis) and
// a preview of the first lines. "Importer" builds the cube on a worker thread
// with a progress box; a file that cannot be imported shows why and leaves the
// dialog open with the choices made.

#include "UPivotCubeCsvImport.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TCsvImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCsvImportDialog(const QString& fileName, QWidget* parent = nullptr);
    ~TCsvImportDialog() override;

    // The reading and the roles as chosen: columns whose role, operator and
    // parent are those of their content are left to the classification.
    TCsvImportOptions Options() const;
    // After an accepted run: the cube, and the empty cells of value columns read as 0.
    std::unique_ptr<TPivotCubeData> TakeCube() { return std::move(FCube); }
    qint64 EmptyNumbers() const { return FEmptyNumbers; }

    // The choices of the columns table (tests read them back).
    QComboBox* RoleBox(int column) const;
    QComboBox* OperatorBox(int column) const;
    QComboBox* ParentBox(int column) const;

public slots:
    void accept() override;

private:
    TCsvFormat format() const;
    void readPreview();
    void fillColumns();
    void fillPreview();
    void updateRow(int row);

    QString FFileName;
    TCsvPreview FPreview;
    std::unique_ptr<TPivotCubeData> FCube;
    qint64 FEmptyNumbers = 0;
    QComboBox* FDelimiter = nullptr;
    QComboBox* FDecimal = nullptr;
    QComboBox* FEncoding = nullptr;
    QLineEdit* FTitle = nullptr;
    QTableWidget* FColumns = nullptr;
    QTableWidget* FLines = nullptr;
    QLabel* FError = nullptr;
    QPushButton* FOk = nullptr;
};
