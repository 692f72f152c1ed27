// The main window over documents made from the bundled sample: the views
// tree and what it shows, the design commands, the decimals, the exports,
// and files that cannot be opened as they are.
#include "FPCFormulaEditor.h"
#include "FPivotCubeActiveValues.h"
#include "FPivotCubeDimension.h"
#include "FPivotCubeGrid.h"
#include "UStartup.h"

#include "CPivotCube.h"
#include "LocaleChildTest.h"
#include "ViewerTestDocument.h"
#include "ViewerTestHelpers.h"

#include <QAbstractButton>
#include <QAction>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MainWindow : public ::testing::Test {
protected:
    TemporarySettings settings;
    std::unique_ptr<TPCInteractiveForm> form = std::make_unique<TPCInteractiveForm>();
    QString sample = settings.file(QStringLiteral("demo.Dravo"));

    // A copy of the bundled sample document: the tests may write over it.
    void SetUp() override { ASSERT_TRUE(QFile::copy(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.Dravo"), sample)); }
    void TearDown() override {
        if (form && form->isVisible()) form->close();
    }
    void open(const QString& fileName) {
        form->BeginFile(fileName);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // Answers the next file dialog with a name.
    void choose(const QString& fileName) {
        form->ChooseFile = [fileName](const TPCInteractiveForm::FileRequest&) { return fileName; };
    }
    QAction* action(const char* name) { return form->Action(QString::fromLatin1(name)); }
    int image(int node) { return form->ViewsTree()->topLevelItem(node)->data(0, Qt::UserRole + 1).toInt(); }
    QStringList columnCaptions() {
        QStringList out;
        for (int i = 0; i < form->Pivot().ValueColumnCount(); ++i) out << form->Pivot().ValueColumns()[i]->Caption();
        return out;
    }
};

TEST_F(MainWindow, ADocumentWithoutViewsGetsTheDefaultViewSelected) {
    const std::unique_ptr<TPivotCubeData> cube = SampleCube();
    TPCInteractive empty;
    form->BeginInteractive(empty, *cube, QString(), true);
    EXPECT_EQ(TreeTexts(*form), QStringList{"Par défaut"});
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Par défaut"));
    ASSERT_NE(form->CurrentView(), nullptr);
    EXPECT_EQ(form->CurrentView()->XMLData, QStringLiteral("<ViewState/>"));
    EXPECT_GE(form->ViewsTree()->parentWidget()->width(), 0);
    form->EndRun(&empty);
    EXPECT_EQ(empty.ViewCount(), 1) << "the edited copy goes back to the caller";
}

TEST_F(MainWindow, TheDefaultDisplayChoosesTheFirstSelection) {
    struct Case {
        const char* name;
        QString defaultDisplay, selected;
        int markedNode;   // -1: none
    } cases[] = {
        {"matched without regard to case", QStringLiteral("mOIS"), QStringLiteral("Mois"), 1},
        {"naming nothing", QStringLiteral("Inconnue"), QString(), -1},
        {"empty: the first view", QString(), QStringLiteral("Ventes par région"), -1},
        {"a path below a view that has no chart", QStringLiteral("Mois/Graphique"), QString(), -1},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TPivotCubeData> cube = SampleCube();
        TPCInteractive document;
        TPivotCubeData ignored;
        ASSERT_TRUE(LoadDocument(sample, &document, &ignored));
        document.DefaultDisplay = c.defaultDisplay;
        form->BeginInteractive(document, *cube, QStringLiteral("Ventes"), false);
        EXPECT_EQ(SelectedText(*form), c.selected) << c.name;
        EXPECT_EQ(form->CurrentView() != nullptr, !c.selected.isEmpty()) << c.name;
        for (int node = 0; node < 3; ++node) EXPECT_EQ(image(node), node == c.markedNode ? 21 : 0) << c.name;
    }
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Visionneuse Dravo - Ventes"));
}

TEST_F(MainWindow, SelectingAViewStoresTheOldOneAndShowsTheNew) {
    open(sample);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Visionneuse Dravo - demo.Dravo"));
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Mois"));
    EXPECT_EQ(columnCaptions(), (QStringList{"Montant", "Quantité"}));
    EXPECT_EQ(form->Pivot().ColWidth(), 2 * 80) << "each value sub-column keeps its width";
    // A change to the shown view is kept when another one is selected.
    form->Pivot().SetValueDefaultFormat(QStringLiteral("%.1f"));
    ClickNode(*form, 2);
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Prix"));
    EXPECT_EQ(columnCaptions(), QStringList{"Prix moyen"});
    EXPECT_EQ(form->Pivot().RowRegroups().Count(), 1);
    EXPECT_TRUE(form->Document().Views(1)->XMLData.contains(QStringLiteral("%.1f")));
    ClickNode(*form, 1);
    EXPECT_EQ(form->Pivot().ValueDefaultFormat(), QStringLiteral("%.1f"));
}

TEST_F(MainWindow, TheDefaultMarkMovesAndUnmarkingKeepsTheDocumentsDefault) {
    open(sample);
    form->SetDesignMode(true);
    ClickNode(*form, 2);
    EXPECT_FALSE(action("ACMarkDefault")->isChecked());
    action("ACMarkDefault")->trigger();
    EXPECT_EQ(image(2), 21);
    EXPECT_EQ(image(1), 0) << "one node carries the mark";
    EXPECT_EQ(form->Document().DefaultDisplay, QStringLiteral("Prix"));
    EXPECT_TRUE(action("ACMarkDefault")->isChecked());
    action("ACMarkDefault")->trigger();
    EXPECT_EQ(image(2), 0);
    EXPECT_EQ(form->Document().DefaultDisplay, QStringLiteral("Prix"));
}

TEST_F(MainWindow, DesignModeShowsTheViewsAndFormulasMenus) {
    open(sample);
    auto menuShown = [&](const char* name) { return form->findChild<QMenu*>(QString::fromLatin1(name))->menuAction()->isVisible(); };
    EXPECT_FALSE(menuShown("MIViews"));
    EXPECT_FALSE(menuShown("MIFormulas"));
    EXPECT_FALSE(form->findChild<QWidget*>(QStringLiteral("TBDesign"))->isVisible());
    EXPECT_EQ(form->ViewsTree()->editTriggers(), QAbstractItemView::NoEditTriggers) << "read-only";
    action("ACDesignMode")->trigger();
    EXPECT_TRUE(form->DesignMode());
    EXPECT_TRUE(action("ACDesignMode")->isChecked());
    EXPECT_TRUE(menuShown("MIViews"));
    EXPECT_TRUE(menuShown("MIFormulas"));
    EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("TBDesign"))->isVisible());
    // Hints are the captions.
    for (const char* name : {"ACLoadDravo", "ACExportXLS", "ACTranspose"})
        EXPECT_EQ(action(name)->toolTip(), action(name)->text()) << name;
    EXPECT_EQ(action("ACHideEmptyAxis")->text(), QStringLiteral("Masquer les dimensions sans données"));
    action("ACHideEmptyAxis")->trigger();
    EXPECT_EQ(action("ACHideEmptyAxis")->text(), QStringLiteral("Afficher les dimensions sans données"));
}

TEST_F(MainWindow, DefiningFormulasDropsTheColumnsThatNameNothing) {
    open(sample);
    form->SetDesignMode(true);
    ClickNode(*form, 2);
    ASSERT_EQ(columnCaptions(), QStringList{"Prix moyen"});
    // "Retirer" then "Ok" in the formula editor.
    WhenOpen(
        form.get(), [] { return qobject_cast<TPCFormulaEditor*>(QApplication::activeModalWidget()); },
        [](TPCFormulaEditor* editor) {
            QTest::mouseClick(editor->findChild<QAbstractButton*>(QStringLiteral("HBRemove")), Qt::LeftButton);
            QTest::mouseClick(editor->findChild<QAbstractButton*>(QStringLiteral("BBOk")), Qt::LeftButton);
        });
    form->findChild<QAction*>(QStringLiteral("MIDefineFormulas"))->trigger();
    EXPECT_EQ(form->Pivot().Formulas().Count(), 0);
    EXPECT_EQ(form->Pivot().ValueColumnCount(), 0);
}

TEST_F(MainWindow, AFileDroppedOnTheWindowOpens) {
    const std::unique_ptr<TPivotCubeData> cube = SampleCube();
    TPCInteractive empty;
    form->BeginInteractive(empty, *cube, QString(), true);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(sample)});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return TreeTexts(*form).size() == 4; }));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Visionneuse Dravo - demo.Dravo"));
}

TEST_F(MainWindow, DesignCommandsOnViews) {
    open(sample);
    EXPECT_FALSE(action("ACAddView")->isVisible()) << "outside design mode";
    form->SetDesignMode(true);
    ClickNode(*form, 0);
    EXPECT_FALSE(action("ACTreeUp")->isEnabled());
    EXPECT_TRUE(action("ACTreeDown")->isEnabled());
    EXPECT_EQ(action("ACAddView")->text(), QStringLiteral("Dupliquer la vue..."));

    QString title;
    AnswerNextInput(form.get(), QStringLiteral("Copie"), &title);
    action("ACAddView")->trigger();
    EXPECT_EQ(title, QStringLiteral("Ajout d'une vue standard"));
    EXPECT_EQ(TreeTexts(*form), (QStringList{"Ventes par région", "Mois", "Prix", "Graphiques", "Copie"}));
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Copie"));
    EXPECT_EQ(form->Document().Views(4)->XMLData, form->Document().Views(0)->XMLData) << "a copy of what was shown";

    action("ACTreeUp")->trigger();
    EXPECT_EQ(TreeTexts(*form), (QStringList{"Ventes par région", "Mois", "Prix", "Copie", "Graphiques"}));
    EXPECT_EQ(form->Document().Views(3)->Description.Nom, QStringLiteral("Copie"));
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Copie"));

    QString asked;
    AnswerNextMessage(form.get(), asked, QStringLiteral("Non"));
    action("ACTreeDelete")->trigger();
    EXPECT_EQ(asked, QStringLiteral("Supprimer Copie ?"));
    EXPECT_EQ(form->Document().ViewCount(), 5);
    AnswerNextMessage(form.get(), asked, QStringLiteral("Oui"));
    action("ACTreeDelete")->trigger();
    EXPECT_EQ(TreeTexts(*form), (QStringList{"Ventes par région", "Mois", "Prix", "Graphiques"}));
    EXPECT_EQ(form->Document().ViewCount(), 4);

    // Renamed in place.
    QTreeWidgetItem* node = form->ViewsTree()->topLevelItem(0);
    node->setText(0, QStringLiteral("Régions"));
    EXPECT_EQ(form->Document().Views(0)->Description.Nom, QStringLiteral("Régions"));
}

TEST_F(MainWindow, TheDecimalsButtonsActOnASinglePlainValueColumn) {
    open(sample);
    ClickNode(*form, 0);   // one column, "Montant"
    auto* more = form->findChild<QToolButton*>(QStringLiteral("TBDecimalsMore"));
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(more->isEnabled());
    QTest::mouseClick(more, Qt::LeftButton);
    EXPECT_EQ(form->Pivot().ValueDefaultFormat(), QStringLiteral("%.3f"));
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("TBDecimalsLess")), Qt::LeftButton);
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("TBDecimalsLess")), Qt::LeftButton);
    EXPECT_EQ(form->Pivot().ValueDefaultFormat(), QStringLiteral("%.1f"));

    struct Case {
        const char* name;
        std::function<void(TPivotCube&)> change;
        bool enabled;
    } cases[] = {
        {"its own format", [](TPivotCube& e) { e.ValueColumns()[0]->SetFormat(QStringLiteral("%.0f")); }, false},
        {"back to none", [](TPivotCube& e) { e.ValueColumns()[0]->SetFormat(QString()); }, true},
        {"two columns", [](TPivotCube& e) { e.AddValueColumn(*e.CubeData().Values()[1]); }, false},
        {"one formula column", [](TPivotCube& e) {
             e.ValueColumns().Delete(1);
             e.ValueColumns()[0]->AssignFrom(*e.Formulas()[0]);
         }, false},
    };
    for (const Case& c : cases) {
        c.change(form->Pivot());
        EXPECT_EQ(more->isEnabled(), c.enabled) << c.name;
    }
}

TEST_F(MainWindow, TheViewsPanelIsNeverNarrowerThan150) {
    const std::unique_ptr<TPivotCubeData> cube = SampleCube();
    TPCInteractive document;
    document.NewView()->Description.Nom = QStringLiteral("A");
    form->BeginInteractive(document, *cube, QString(), false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    auto* split = form->findChild<QSplitter*>(QStringLiteral("SPViews"));
    ASSERT_NE(split, nullptr);
    EXPECT_GE(split->sizes().value(0), 150);
}

TEST_F(MainWindow, ExportsWriteTheFileAndSayItInTheStatusBar) {
    open(sample);
    ClickNode(*form, 0);
    struct Case {
        const char* action;
        const char* file;
        const char* contains;
    } cases[] = {
        {"ACExportHTML", "table.htm", "<table"},
        {"ACExportXML", "table.xml", "<?xml"},
        {"ACExportXLS", "table.xls", "<table"},
        {"ACExportXLSX", "table.xlsx", "xl/worksheets/sheet1.xml"},   // a zipped workbook
        {"ACExportMicroCubeData", "donnees.htm", "<table"},
    };
    for (const Case& c : cases) {
        const QString file = settings.file(QString::fromLatin1(c.file));
        choose(file);
        action(c.action)->trigger();
        EXPECT_TRUE(readFile(file).contains(c.contains)) << c.action;
        EXPECT_EQ(form->statusBar()->currentMessage(), QString::fromLatin1(c.file) + QStringLiteral(" exporté")) << c.action;
    }
    EXPECT_TRUE(readFile(settings.file(QStringLiteral("table.htm"))).contains("Magasin"));
    // A cancelled dialog writes nothing.
    choose(QString());
    action("ACExportHTML")->trigger();
}

// Under a user locale with a decimal comma (in a child process).
TEST_F(MainWindow, TheSpreadsheetTakesTheUsersDecimalSeparator) {
    if (InLocaleChild()) {
        open(sample);
        ClickNode(*form, 0);
        const QString sheet = settings.file(QStringLiteral("t.xls")), page = settings.file(QStringLiteral("t.htm"));
        choose(sheet);
        action("ACExportXLS")->trigger();
        choose(page);
        action("ACExportHTML")->trigger();
        const QByteArray first = form->Pivot().ExportHTML(7);
        EXPECT_TRUE(readFile(sheet).contains(",")) << "decimal commas in the spreadsheet";
        EXPECT_EQ(readFile(page), first) << "the next export uses the program's separator again";
        EXPECT_TRUE(QRegularExpression(QStringLiteral(">\\d+,\\d\\d<")).match(QString::fromUtf8(readFile(sheet))).hasMatch());
        EXPECT_FALSE(QRegularExpression(QStringLiteral(">\\d+,\\d\\d<")).match(QString::fromUtf8(readFile(page))).hasMatch());
        return;
    }
    RunInLocaleChild(QStringLiteral("fr_FR.UTF-8"));
}

TEST_F(MainWindow, FilesThatCannotBeOpenedAsTheyAre) {
    // Damaged entries: the reason is shown, an empty document is left and the file is untouched.
    QByteArray damaged = readFile(sample);
    damaged.replace(damaged.size() / 2, 64, QByteArray(64, '\x5a'));
    const QString broken = settings.file(QStringLiteral("abime.Dravo"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    QString shown;
    AnswerNextMessage(form.get(), shown);
    open(broken);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Impossible d'ouvrir \"abime.Dravo\" : "))) << shown.toStdString();
    EXPECT_EQ(TreeTexts(*form), QStringList{"Par défaut"});
    EXPECT_TRUE(form->DesignMode());
    EXPECT_EQ(readFile(broken), damaged);
    form->close();

    // Not a document at all.
    const QString text = settings.file(QStringLiteral("notes.Dravo"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("des notes, pas un cube\n");
    }
    form = std::make_unique<TPCInteractiveForm>();
    AnswerNextMessage(form.get(), shown);
    open(text);
    EXPECT_EQ(shown, QStringLiteral("Impossible d'ouvrir \"notes.Dravo\" : ce n'est ni un document Dravo ni un cube"));
    EXPECT_EQ(form->Pivot().CubeData().Axises().Count(), 0);
    form->close();

    // A raw cube, whatever its name, opens as a cube with the default view.
    const QString raw = settings.file(QStringLiteral("brut.Dravo"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.pvc"), raw));
    form = std::make_unique<TPCInteractiveForm>();
    shown.clear();
    open(raw);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(TreeTexts(*form), QStringList{"Par défaut"});
    EXPECT_EQ(form->Pivot().CubeData().Axises().Count(), 5);
}

TEST_F(MainWindow, AViewStateThatIsNotXMLKeepsThePreviousDisplay) {
    const std::unique_ptr<TPivotCubeData> cube = SampleCube();
    TPCInteractive document;
    TPivotCubeData ignored;
    ASSERT_TRUE(LoadDocument(sample, &document, &ignored));
    document.Views(2)->XMLData = QStringLiteral("<ViewState><Value");
    form->BeginInteractive(document, *cube, QString(), false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_EQ(columnCaptions(), (QStringList{"Montant", "Quantité"}));
    QString shown;
    AnswerNextMessage(form.get(), shown);
    ClickNode(*form, 2);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("La vue ne peut pas être affichée"))) << shown.toStdString();
    EXPECT_EQ(columnCaptions(), (QStringList{"Montant", "Quantité"}));
}

TEST_F(MainWindow, TheViewStateCarriesTheBarSizes) {
    open(sample);
    ClickNode(*form, 0);
    auto* columns = form->findChild<TPivotCubeColumns*>();
    auto* rows = form->findChild<TPivotCubeRows*>();
    columns->SetBlockWidth(130);
    rows->SetBlockHeight(40);
    const QString state = form->BuildViewState();
    EXPECT_TRUE(state.contains(QStringLiteral("<ColAxisSize Width=\"130\"")));
    EXPECT_TRUE(state.contains(QStringLiteral("Height=\"40\"/>")));
    // Absent sizes take their defaults.
    ASSERT_TRUE(form->ApplyViewState(QStringLiteral("<ViewState/>")));
    EXPECT_EQ(columns->BlockWidth(), 80);
    EXPECT_EQ(rows->BlockHeight(), 50);
    ASSERT_TRUE(form->ApplyViewState(state));
    EXPECT_EQ(columns->BlockWidth(), 130);
    EXPECT_EQ(rows->BlockHeight(), 40);
}

// From the command line to a saved copy and back, on the bundled sample.
TEST_F(MainWindow, OpenSwitchExportSaveAndReopen) {
    const QString document = DocumentArgument({QStringLiteral("lorvane"), sample});
    ASSERT_EQ(document, QFileInfo(sample).absoluteFilePath());
    open(document);
    ClickNode(*form, 0);
    const QString page = settings.file(QStringLiteral("regions.htm"));
    choose(page);
    action("ACExportHTML")->trigger();
    EXPECT_TRUE(readFile(page).contains("Magasin"));

    const QString copy = settings.file(QStringLiteral("copie.Dravo"));
    choose(copy);
    QString shown;
    AnswerNextMessage(form.get(), shown);
    action("ACSaveDravo")->trigger();
    EXPECT_EQ(shown, QStringLiteral("Dravo enregistré."));
    form->close();

    form = std::make_unique<TPCInteractiveForm>();
    open(copy);
    EXPECT_EQ(TreeTexts(*form), (QStringList{"Ventes par région", "Mois", "Prix", "Graphiques"}));
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Mois"));
    ASSERT_EQ(form->Pivot().Formulas().Count(), 1);
    EXPECT_EQ(form->Pivot().Formulas()[0]->Caption(), QStringLiteral("Prix moyen"));
    ClickNode(*form, 0);
    EXPECT_EQ(columnCaptions(), QStringList{"Montant"});
    EXPECT_EQ(form->Pivot().RowDimensionCount(), 2);
}

} // namespace
