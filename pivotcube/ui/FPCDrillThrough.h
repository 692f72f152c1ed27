#pragma once
// The drill-through window: the data items behind one data cell of the grid
// in a sortable table (click a column header), with the count of items and
// two exports of exactly these items in the raw data page's form: "Export
// CSV..." and "Export HTML...". The window keeps its own snapshot of the
// items, so that it stays valid whatever the grid does meanwhile.

#include "CPCDrillThroughModel.h"
#include "UMultiLang.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

class TPCDrillThroughForm : public QWidget, private ILanguageListener {
    Q_OBJECT
public:
    TPCDrillThroughForm(std::shared_ptr<const TPCCellDrillThrough> drill, QWidget* parent = nullptr);
    ~TPCDrillThroughForm() override;

    TPCDrillThroughModel& Model() { return *FModel; }
    QTableView* Table() const { return FTable; }

    // Write the items to a file (through a temporary file, a failure offers
    // to try again); the window's status line names the file written.
    bool ExportCSV(const QString& fileName);
    bool ExportHTML(const QString& fileName);

    // How the window asks for a file name to save to (a default suffix and a
    // French filter text); tests replace it.
    std::function<QString(const QString& suffix, const QString& filter)> ChooseFile;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LanguageChanged() override { retranslate(); }
    void retranslate();
    QString chooseFile(const QString& suffix, const QString& filter);
    bool writeExport(const QString& fileName, const QByteArray& bytes);
    std::shared_ptr<const TPCCellDrillThrough> FDrill;
    TPCDrillThroughModel* FModel = nullptr;
    QTableView* FTable = nullptr;
    QLabel* FCount = nullptr;
    QLabel* FStatus = nullptr;
    QPushButton *FExportCSV = nullptr, *FExportHTML = nullptr, *FClose = nullptr;
    QString FStatusFile;   // the file last written, named on the status line
};
