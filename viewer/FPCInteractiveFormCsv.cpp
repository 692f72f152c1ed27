// The main window's CSV import: the dialog, then the new cube shown as an
// imported raw cube is, under a new document.
#include "FPCInteractiveForm.h"

#include "FCsvImportDialog.h"

#include <QFileInfo>
#include <QStatusBar>

bool TPCInteractiveForm::IsCsvFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("csv") || suffix == QLatin1String("tsv") || suffix == QLatin1String("txt");
}

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
    // Read as 0 by choice: said where it does not stop the work.
    const qint64 empty = dialog.EmptyNumbers();
    if (empty == 1) statusBar()->showMessage(Translate(QStringLiteral("Une cellule vide d'une colonne de valeurs lue comme 0")));
    else if (empty > 1)
        statusBar()->showMessage(TranslateFormat(QStringLiteral("%d cellules vides de colonnes de valeurs lues comme 0"),
                                                 {int(std::min<qint64>(empty, INT32_MAX))}));
}
