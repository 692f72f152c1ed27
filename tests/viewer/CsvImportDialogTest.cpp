// "Importer un CSV...": the dialog's columns, roles and preview driven with the
// keyboard and the mouse, the new cube shown in the main window, and a file
// that cannot be imported leaving the dialog open with the reason shown.
#include "FCsvImportDialog.h"

#include "CPivotCube.h"
#include "ViewerTestHelpers.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QByteArray kSales = "R\xC3\xA9gion;Ville;Date;Montant;Code\r\n"
                          "Sud;Nice;2025-03-14;12,5;007\r\n"
                          "Nord;Lille;2024-02-01;;012\r\n"
                          "Sud;\"Toulon\r\nport\";2025-03-01;3;007\r\n";

class CsvImportDialog : public ::testing::Test {
protected:
    TemporarySettings settings;
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = settings.file(QString::fromUtf8(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // Picks the entry of a combo box with the keyboard, as a person does.
    static void pick(QComboBox* box, const QString& text) {
        ASSERT_TRUE(box && box->isEnabled());
        const int target = box->findText(text);
        ASSERT_GE(target, 0) << text.toStdString();
        box->setFocus();
        while (box->currentIndex() != target) {
            const int before = box->currentIndex();
            QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
            ASSERT_NE(box->currentIndex(), before);
        }
    }
    static QStringList column(const QTableWidget* table, int c) {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) out << (table->item(r, c) ? table->item(r, c)->text() : QString());
        return out;
    }
};

TEST_F(CsvImportDialog, ShowsColumnsKindsRolesAndTheFirstLines) {
    TCsvImportDialog dialog(write("ventes.csv", kSales));
    dialog.show();
    auto* columns = dialog.findChild<QTableWidget*>(QStringLiteral("TBColumns"));
    auto* lines = dialog.findChild<QTableWidget*>(QStringLiteral("TBPreview"));
    ASSERT_TRUE(columns && lines);
    EXPECT_EQ(column(columns, 0), (QStringList{"Région", "Ville", "Date", "Montant", "Code"}));
    // With '.' as decimal separator "12,5" is a text: the column reads as one until the separator is chosen.
    EXPECT_EQ(column(columns, 1), (QStringList{"texte", "texte", "dates", "texte", "texte"}));
    pick(dialog.findChild<QComboBox*>(QStringLiteral("CBDecimal")), QStringLiteral("Virgule"));
    EXPECT_EQ(columns->item(3, 1)->text(), QStringLiteral("nombres"));
    EXPECT_EQ(dialog.RoleBox(3)->currentText(), QStringLiteral("Valeur"));
    EXPECT_TRUE(dialog.OperatorBox(3)->isEnabled());
    EXPECT_FALSE(dialog.ParentBox(3)->isEnabled()) << "a value has no parent";
    EXPECT_EQ(dialog.RoleBox(4)->currentText(), QStringLiteral("Axe")) << "codes with leading zeros are not quantities";
    EXPECT_GE(dialog.RoleBox(2)->findText(QStringLiteral("Axe des mois")), 0);
    EXPECT_LT(dialog.RoleBox(0)->findText(QStringLiteral("Axe des mois")), 0) << "months come only from dates";

    ASSERT_EQ(lines->rowCount(), 3);
    EXPECT_EQ(lines->horizontalHeaderItem(0)->text(), QStringLiteral("Région"));
    EXPECT_EQ(lines->item(2, 1)->text(), QStringLiteral("Toulon\u21B5port"));
    EXPECT_EQ(lines->item(1, 3)->text(), QString());

    // Another delimiter reads the file again: one column then.
    auto* delimiter = dialog.findChild<QComboBox*>(QStringLiteral("CBDelimiter"));
    pick(delimiter, QStringLiteral("Tabulation"));
    ASSERT_EQ(columns->rowCount(), 1);
    EXPECT_EQ(columns->item(0, 0)->text(), QStringLiteral("Région;Ville;Date;Montant;Code"));
    // The same character for both separators is refused before any import.
    pick(delimiter, QStringLiteral("Virgule"));
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("BBOk"))->isEnabled());
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("LBError"))->isVisible());
}

TEST_F(CsvImportDialog, TheChosenCubeOpensInTheMainWindow) {
    const QString csv = write("ventes.csv", kSales);
    TPCInteractiveForm form;
    form.ChooseFile = [csv](const TPCInteractiveForm::FileRequest&) { return csv; };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    bool seen = false;
    WhenOpen(&form, [] { return qobject_cast<TCsvImportDialog*>(QApplication::activeModalWidget()); },
             [&](TCsvImportDialog* dialog) {
                 seen = true;
                 pick(dialog->findChild<QComboBox*>(QStringLiteral("CBDecimal")), QStringLiteral("Virgule"));
                 pick(dialog->RoleBox(2), QStringLiteral("Axe des mois"));
                 pick(dialog->ParentBox(1), QStringLiteral("Région"));
                 pick(dialog->OperatorBox(3), QStringLiteral("Maximum"));
                 pick(dialog->RoleBox(4), QStringLiteral("Ignorée"));
                 auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("EDTitle"));
                 title->selectAll();
                 QTest::keyClicks(title, QStringLiteral("Ventes"));
                 QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BBOk")), Qt::LeftButton);
             });
    QAction* command = form.Action(QStringLiteral("ACImportCsv"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->text(), QStringLiteral("Importer un CSV..."));
    command->trigger();
    ASSERT_TRUE(seen);

    const TPivotCubeData& cube = form.Pivot().CubeData();
    EXPECT_EQ(cube.Description().Nom, QStringLiteral("Ventes"));
    ASSERT_EQ(cube.Axises().Count(), 3);
    EXPECT_EQ(cube.Axises()[2]->CaptionOf(1), QStringLiteral("2024-02"));
    EXPECT_EQ(cube.Axises()[1]->ParentAxis, cube.Axises()[0]);
    ASSERT_EQ(cube.Values().Count(), 1);
    EXPECT_EQ(cube.Values()[0]->GroupOperatorName(), QStringLiteral("Maximum"));
    EXPECT_EQ(cube.DataItems().Count(), 3);
    EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("ventes.csv"))) << form.windowTitle().toStdString();
    EXPECT_TRUE(form.statusBar()->currentMessage().startsWith(QStringLiteral("Une cellule vide"))) << form.statusBar()->currentMessage().toStdString();
    form.close();
}

// A CSV file dropped on the window, or named on the command line, is read
// through the dialog rather than refused as a document.
TEST_F(CsvImportDialog, ACsvDroppedOrNamedAtStartOpensTheDialog) {
    const QString csv = write("ventes.tsv", QByteArray(kSales).replace(';', '\t'));
    for (const bool dropped : {true, false}) {
        TPCInteractiveForm form;
        bool seen = false;
        WhenOpen(&form, [] { return qobject_cast<TCsvImportDialog*>(QApplication::activeModalWidget()); },
                 [&](TCsvImportDialog* dialog) {
                     seen = true;
                     QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BBOk")), Qt::LeftButton);
                 });
        if (dropped) {
            form.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(csv)});
            QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&form, &enter);
            ASSERT_TRUE(enter.isAccepted());
            QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&form, &drop);
        } else {
            form.BeginFile(csv);
            form.show();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.Pivot().CubeData().Axises().Count() > 0; })) << dropped;
        EXPECT_TRUE(seen);
        EXPECT_EQ(form.Pivot().CubeData().DataItems().Count(), 3) << dropped;
        EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("ventes.tsv"))) << form.windowTitle().toStdString();
        form.close();
    }
}

TEST_F(CsvImportDialog, AFileThatCannotBeImportedKeepsTheDialogOpen) {
    TCsvImportDialog dialog(write("ragged.csv", "A,V\nx,1\ny\n"));
    dialog.show();
    QString shown;
    AnswerNextMessage(&dialog, shown);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BBOk")), Qt::LeftButton);
    EXPECT_TRUE(shown.contains(QStringLiteral("Impossible d'importer \"ragged.csv\" : line 3: 1 field where the header has 2")))
        << shown.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.TakeCube());

    // A file the preview cannot read says why and offers no import.
    TCsvImportDialog empty(write("empty.csv", ""));
    EXPECT_FALSE(empty.findChild<QPushButton*>(QStringLiteral("BBOk"))->isEnabled());
    EXPECT_TRUE(empty.findChild<QLabel*>(QStringLiteral("LBError"))->text().contains(QStringLiteral("the file is empty")));
}

} // namespace
