// The main window's CSV import: the dialog, then the new cube shown as an
// imported raw cube is, under a new document.
#include "FPCInteractiveForm.h"

#include "FCsvImportDialog.h"

#include <QFileInfo>
#include <QStatusBar>

void TPCInteractiveForm::ImportCsv(const QString& fileName) {
    TCsvImportDialog dialog(fileName, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::unique_ptr<TPivotCubeData> cube = dialog.TakeCube();
    if (!cube) return;
    FCurrentView = nullptr;   // the old document's views go with it
    FDocument = std::make_unique<TPCInteractive>();
    Pivot().SetCubeData(*cube);
    InitFromDocument();
    FCaptionIsFile = true;
    updateCaption(QFileInfo(fileName).fileName());
    if (dialog.EmptyNumbers() > 0)
        statusBar()->showMessage(TranslateFormat(QStringLiteral("%d cellules vides de valeurs lues comme 0"), {int(std::min<qint64>(dialog.EmptyNumbers(), INT32_MAX))}));
}
