// Charts in the main window, over the bundled sample (its view "Graphiques"
// carries a stacked and a tridimensional chart): chart nodes, the switch
// between the pivot area and the chart view, the chart commands, drops,
// smoothing, and a chart that survives saving and reopening.
#include "FPCChart.h"

#include "CPivotCube.h"
#include "UChartModel.h"
#include "UPivotCubeInteractive.h"
#include "ViewerTestDocument.h"
#include "ViewerTestHelpers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

class ChartsInWindow : public ::testing::Test {
protected:
    TemporarySettings settings;
    std::unique_ptr<TPCInteractiveForm> form = std::make_unique<TPCInteractiveForm>();
    QString sample = settings.file(QStringLiteral("demo.Dravo"));

    void SetUp() override {
        ASSERT_TRUE(QFile::copy(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.Dravo"), sample));
        QFile::setPermissions(sample, QFile::ReadOwner | QFile::WriteOwner);
        open(sample);
    }
    void TearDown() override {
        if (form && form->isVisible()) form->close();
    }
    void open(const QString& fileName) {
        form->BeginFile(fileName);
        form->resize(1206, 740);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QTreeWidget* tree() { return form->ViewsTree(); }
    QTreeWidgetItem* viewNode(const char* name) {
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            if (tree()->topLevelItem(i)->text(0) == QString::fromUtf8(name)) return tree()->topLevelItem(i);
        return nullptr;
    }
    QTreeWidgetItem* chartNode(int index) { return viewNode("Graphiques")->child(index); }
    void click(QTreeWidgetItem* node) {
        tree()->scrollToItem(node);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(node).center());
    }
    QAction* action(const char* name) { return form->Action(QString::fromLatin1(name)); }
    TPCInteractiveView* view(const char* name) { return form->Document().FindView(QString::fromUtf8(name)); }
    QWidget* pivotArea() { return form->findChild<QWidget*>(QStringLiteral("PACube")); }
    void snapshot(const char* name) {
        const QByteArray dir = qgetenv("LORVANE_GALLERY");
        if (dir.isEmpty()) return;
        QApplication::processEvents();
        form->ChartView()->RebuildNow();
        form->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name) + ".png"));
    }
};

TEST_F(ChartsInWindow, SelectingAChartShowsItInsteadOfThePivot) {
    QTreeWidgetItem* graphs = viewNode("Graphiques");
    ASSERT_NE(graphs, nullptr);
    ASSERT_EQ(graphs->childCount(), 2);
    EXPECT_EQ(chartNode(0)->text(0), QStringLiteral("Empilé par canal"));
    EXPECT_EQ(chartNode(0)->data(0, Qt::UserRole + 1).toInt(), 1) << "image of a chart node";
    EXPECT_TRUE(pivotArea()->isVisible());
    EXPECT_FALSE(form->ChartView()->isVisible());
    EXPECT_EQ(action("ACAddGraph")->text(), QStringLiteral("Ajouter un graphique à la vue..."));

    click(chartNode(0));
    EXPECT_EQ(form->CurrentGraph(), view("Graphiques")->Graphs(0));
    EXPECT_EQ(form->CurrentView(), view("Graphiques"));
    EXPECT_FALSE(pivotArea()->isVisible());
    EXPECT_TRUE(form->ChartView()->isVisible());
    EXPECT_EQ(action("ACAddGraph")->text(), QStringLiteral("Dupliquer le graphique..."));
    form->ChartView()->RebuildNow();
    EXPECT_EQ(form->ChartView()->Model().Series.size(), 4u) << "one drawing series per channel";
    EXPECT_EQ(form->ChartView()->Model().Series[0].Points.size(), 13u) << "one point per region";
    snapshot("window-chart-stacked");

    click(chartNode(1));
    form->ChartView()->RebuildNow();
    EXPECT_EQ(form->ChartView()->Model().Series.size(), 7u) << "4 channels and 3 spacers";
    snapshot("window-chart-3d");

    click(graphs);
    EXPECT_EQ(form->CurrentGraph(), nullptr);
    EXPECT_TRUE(pivotArea()->isVisible());
    EXPECT_FALSE(form->ChartView()->isVisible());
}

TEST_F(ChartsInWindow, AChartOfAnotherViewStoresTheViewFirstAndUsesItsOwnState) {
    ASSERT_EQ(SelectedText(*form), QStringLiteral("Mois"));
    form->Pivot().Transpose();
    const QString transposed = form->BuildViewState();
    click(chartNode(0));
    EXPECT_EQ(view("Mois")->XMLData, transposed);
    ASSERT_NE(form->Pivot().RowRoot(), nullptr);
    EXPECT_EQ(form->Pivot().RowRoot()->LevelAxis->Nom(), QStringLiteral("Canal")) << "the chart's own view";
    EXPECT_EQ(form->ChartView()->Pivot(), &form->Pivot());
}

TEST_F(ChartsInWindow, AddingAChartCopiesTheShownChartOnly) {
    form->SetDesignMode(true);
    click(viewNode("Prix"));
    AnswerNextInput(form.get(), QStringLiteral("Neuf"));
    action("ACAddGraph")->trigger();
    TPCInteractiveView* prix = view("Prix");
    ASSERT_EQ(prix->GraphCount(), 1);
    EXPECT_EQ(prix->Graphs(0)->Description.Nom, QStringLiteral("Neuf"));
    EXPECT_EQ(form->CurrentGraph(), prix->Graphs(0)) << "the new chart is selected";
    EXPECT_EQ(SelectedText(*form), QStringLiteral("Neuf"));
    EXPECT_EQ(form->ChartView()->SeriesCount(), 1) << "an empty text: one series from the template";

    click(chartNode(1));
    const QString shown = form->ChartView()->SaveChart();
    QString title;
    AnswerNextInput(form.get(), QStringLiteral("Copie"), &title);
    action("ACAddGraph")->trigger();
    EXPECT_EQ(title, QStringLiteral("Ajout d'un nouveau graphique"));
    ASSERT_EQ(view("Graphiques")->GraphCount(), 3);
    EXPECT_EQ(view("Graphiques")->Graphs(2)->XMLData, shown);
    EXPECT_EQ(viewNode("Graphiques")->child(2)->text(0), QStringLiteral("Copie"));
}

TEST_F(ChartsInWindow, DropsCopyTheStoredChartOrMoveItToTheEnd) {
    form->SetDesignMode(true);
    click(chartNode(0));
    const QString stored = view("Graphiques")->Graphs(0)->XMLData;
    // An unsaved change in the chart view: the copy does not take it.
    auto* title = form->ChartView()->findChild<QLineEdit*>(QStringLiteral("EDTitle"));
    title->setText(QStringLiteral("Modifié"));
    ASSERT_TRUE(form->DropChartNode(chartNode(0), viewNode("Mois"), true));
    ASSERT_EQ(view("Mois")->GraphCount(), 1);
    EXPECT_EQ(view("Mois")->Graphs(0)->XMLData, stored);
    EXPECT_EQ(view("Mois")->Graphs(0)->Description.Nom, QStringLiteral("Empilé par canal"));
    EXPECT_EQ(viewNode("Mois")->childCount(), 1);
    EXPECT_EQ(form->CurrentGraph(), view("Graphiques")->Graphs(0)) << "a copy leaves the selection alone";

    // A move onto its own view: to the end of that view's charts, with what was shown stored.
    TPCInteractiveViewGraph* first = view("Graphiques")->Graphs(0);
    ASSERT_TRUE(form->DropChartNode(chartNode(0), viewNode("Graphiques"), false));
    EXPECT_EQ(view("Graphiques")->Graphs(1), first);
    EXPECT_EQ(chartNode(1)->text(0), QStringLiteral("Empilé par canal"));
    EXPECT_TRUE(first->XMLData.contains(QStringLiteral("Modifié")));
    EXPECT_EQ(form->CurrentGraph(), first) << "the moved chart is shown again";

    // A move onto a chart node of another view: to the end of that view.
    ASSERT_TRUE(form->DropChartNode(chartNode(1), viewNode("Mois")->child(0), false));
    EXPECT_EQ(view("Graphiques")->GraphCount(), 1);
    EXPECT_EQ(view("Mois")->Graphs(1), first);
    EXPECT_FALSE(form->DropChartNode(viewNode("Prix"), viewNode("Mois"), false)) << "only chart nodes are dragged";
    EXPECT_FALSE(form->DropChartNode(chartNode(0), chartNode(0), false)) << "not onto itself";
}

TEST_F(ChartsInWindow, RenameDeleteAndMoveActOnTheChart) {
    form->SetDesignMode(true);
    click(chartNode(1));
    chartNode(1)->setText(0, QStringLiteral("Relief"));
    EXPECT_EQ(view("Graphiques")->Graphs(1)->Description.Nom, QStringLiteral("Relief"));
    EXPECT_EQ(view("Graphiques")->Description.Nom, QStringLiteral("Graphiques"));

    action("ACTreeUp")->trigger();
    EXPECT_EQ(view("Graphiques")->Graphs(0)->Description.Nom, QStringLiteral("Relief"));
    EXPECT_EQ(chartNode(0)->text(0), QStringLiteral("Relief"));
    EXPECT_FALSE(action("ACTreeUp")->isEnabled());

    QString asked;
    AnswerNextMessage(form.get(), asked, QStringLiteral("Oui"));
    action("ACTreeDelete")->trigger();
    EXPECT_EQ(asked, QStringLiteral("Supprimer Relief ?"));
    ASSERT_NE(view("Graphiques"), nullptr) << "the view stays";
    EXPECT_EQ(view("Graphiques")->GraphCount(), 1);
    EXPECT_EQ(viewNode("Graphiques")->childCount(), 1);
}

TEST_F(ChartsInWindow, AChartTextThatIsNotXMLKeepsThePreviousDisplay) {
    view("Graphiques")->Graphs(1)->XMLData = QStringLiteral("<CubeChart Direction=\"2D\"><Title>");
    click(chartNode(0));
    TPCInteractiveViewGraph* shown = form->CurrentGraph();
    QString message;
    AnswerNextMessage(form.get(), message);
    click(chartNode(1));
    EXPECT_TRUE(message.contains(QStringLiteral("Le graphique ne peut pas être affiché"))) << message.toStdString();
    EXPECT_EQ(form->CurrentGraph(), shown);
    EXPECT_TRUE(form->ChartView()->isVisible());
}

TEST_F(ChartsInWindow, SmoothingAndDesignModeReachTheChartView) {
    EXPECT_TRUE(action("ACUseGDIPlus")->isChecked()) << "on by default";
    EXPECT_TRUE(form->ChartView()->Smoothing());
    action("ACUseGDIPlus")->trigger();
    EXPECT_FALSE(form->ChartView()->Smoothing());
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, QStringLiteral("Software\\Veltrano\\Lorvane"), QStringLiteral("UseGDIplus"),
                            QString()),
              QStringLiteral("N"));
    TPCInteractiveForm second;
    EXPECT_FALSE(second.Action(QStringLiteral("ACUseGDIPlus"))->isChecked()) << "read back at creation";

    click(chartNode(0));
    EXPECT_FALSE(form->ChartView()->ChartDesignMode());
    form->SetDesignMode(true);
    EXPECT_TRUE(form->ChartView()->ChartDesignMode());
    action("ACUseGDIPlus")->trigger();
    form->ChartView()->RebuildNow();
    EXPECT_TRUE(form->ChartView()->Model().AntiAlias);
    form->hide();
    EXPECT_FALSE(form->ChartView()->Model().AntiAlias) << "no smoothing while hidden";
    EXPECT_TRUE(form->ChartView()->Smoothing());
}

TEST_F(ChartsInWindow, AChartAddedToTheSampleSurvivesSavingAndReopening) {
    form->SetDesignMode(true);
    click(chartNode(1));
    AnswerNextInput(form.get(), QStringLiteral("Gardé"));
    action("ACAddGraph")->trigger();
    auto* title = form->ChartView()->findChild<QLineEdit*>(QStringLiteral("EDTitle"));
    title->setText(QStringLiteral("Gardé tel quel"));
    const QString xml = form->ChartView()->SaveChart();
    const QString saved = settings.file(QStringLiteral("saved.Dravo"));
    QString message;
    AnswerNextMessage(form.get(), message);
    ASSERT_TRUE(form->SaveDocumentTo(saved));
    form->close();

    form = std::make_unique<TPCInteractiveForm>();
    open(saved);
    TPCInteractiveView* graphs = view("Graphiques");
    ASSERT_NE(graphs, nullptr);
    ASSERT_EQ(graphs->GraphCount(), 3);
    EXPECT_EQ(graphs->Graphs(2)->Description.Nom, QStringLiteral("Gardé"));
    EXPECT_EQ(graphs->Graphs(2)->XMLData, xml);
    click(chartNode(2));
    EXPECT_EQ(form->ChartView()->SaveChart(), xml) << "loaded and written again unchanged";
}

}   // namespace
