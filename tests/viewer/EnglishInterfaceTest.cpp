// The interface in English: the shipped dictionary, chosen the way the
// "Langage" menu chooses it, over every window of the viewer. No French text
// may be left on screen, no text may be missing from the dictionary (the
// dictionary would learn it), and choosing French again brings the French
// texts back at once.
#include "FCrashReportForm.h"
#include "FPCAxisFiltering.h"
#include "FPCChart.h"
#include "FPCDrillThrough.h"
#include "FPCFormulaEditor.h"
#include "FPCInteractiveAbout.h"
#include "FPCRegroupsForm.h"
#include "FPivotCubeActiveValues.h"
#include "FPivotCubeDimension.h"
#include "FPivotCubeGrid.h"
#include "CPivotCubeGridLayout.h"
#include "UMultiLang.h"
#include "ViewerTestHelpers.h"

#include "FCsvImportDialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

constexpr int English = 0x0409;

const QString ShippedDictionary = QStringLiteral(LORVANE_SOURCE_DIR "/translations/lorvane-0409.LAND");

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The texts a person can read on a widget and everything inside it: titles,
// captions, tab and list entries, column headers, hints, menus and their items.
void collectTexts(QWidget* root, QStringList& out) {
    const auto add = [&out](const QString& text) {
        if (!text.isEmpty()) out << text;
    };
    const auto addActions = [&add](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            add(a->text());
            add(a->toolTip());
            add(a->statusTip());
            if (a->menu()) add(a->menu()->title());
        }
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (w->objectName() == QLatin1String("SBClock")) continue;  // the time, not a text of the interface
        if (w->isWindow()) add(w->windowTitle());
        add(w->toolTip());
        add(w->accessibleName());
        addActions(w->actions());
        if (auto* l = qobject_cast<QLabel*>(w)) add(l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
        if (auto* e = qobject_cast<QLineEdit*>(w)) add(e->placeholderText());
        if (auto* g = qobject_cast<QGroupBox*>(w)) add(g->title());
        if (auto* m = qobject_cast<QMenu*>(w)) add(m->title());
        if (auto* t = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < t->count(); ++i) add(t->tabText(i)), add(t->tabToolTip(i));
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) add(c->itemText(i));
        if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model())
            for (int i = 0; i < v->model()->columnCount(); ++i)
                add(v->model()->headerData(i, Qt::Horizontal).toString());
    }
}

// The texts of the menu that opens next (a context menu runs its own loop):
// kept in out, then the menu is closed.
void collectNextPopup(QObject* context, QStringList& out) {
    WhenOpen(context, [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
             [&out](QMenu* menu) {
                 collectTexts(menu, out);
                 menu->close();
             });
}

// The texts of the next modal window of class W, which is then closed with its
// own cancel (close gives it the Escape key).
template <class W>
void collectNextModal(QObject* context, QStringList& out, std::function<void(W*)> close = {}) {
    WhenOpen(context,
             []() -> W* {
                 for (QWidget* w : QApplication::topLevelWidgets())
                     if (auto* found = qobject_cast<W*>(w); found && found->isVisible()) return found;
                 return nullptr;
             },
             [&out, close](W* window) {
                 collectTexts(window, out);
                 if (close) close(window);
                 else QTest::keyClick(window, Qt::Key_Escape);
             });
}

// A right-click as it reaches a widget.
void rightClick(QWidget* widget, const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
}

// The dictionary's entries as "key=value" lines.
QStringList dictionaryLines(const QByteArray& bytes) {
    TLanguageDictionary dictionary;
    dictionary.LoadDictionaryBytes(bytes, QStringLiteral("lorvane-0409.LAND"));
    return dictionary.Lines();
}

// The source texts and the translations of the shipped dictionary that read
// differently in the two languages ("Options" is both).
struct LanguageTexts {
    std::set<QString> french, english;
    LanguageTexts() {
        for (const QString& line : dictionaryLines(readFile(ShippedDictionary))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            const QString key = line.left(eq), value = line.mid(eq + 1);
            if (key == value) continue;
            french.insert(key);
            english.insert(UnescapeLanguageValue(value, false));
        }
    }
    bool IsFrench(const QString& shown) const { return french.count(EscapeLanguageKey(shown)) > 0; }
    bool IsEnglish(const QString& shown) const { return english.count(shown) > 0; }
};

std::string listed(const QStringList& texts) {
    QStringList lines;
    for (const QString& t : texts) lines << QLatin1String("  \"") + t + QLatin1Char('"');
    return (QLatin1Char('\n') + lines.join(QLatin1Char('\n'))).toStdString();
}

// The viewer over a copy of the bundled sample, with the shipped dictionary
// beside a program in a temporary folder.
class EnglishInterface : public ::testing::Test {
protected:
    TemporarySettings settings;
    QString sample = settings.file(QStringLiteral("demo.Dravo"));
    QString dictionary = settings.file(QStringLiteral("app/lorvane-0409.LAND"));
    std::unique_ptr<TPCInteractiveForm> form;
    LanguageTexts texts;

    void SetUp() override {
        ASSERT_TRUE(QFile::exists(ShippedDictionary));
        ASSERT_TRUE(QDir().mkpath(settings.file(QStringLiteral("app"))));
        ASSERT_TRUE(QDir().mkpath(settings.file(QStringLiteral("temp"))));
        ASSERT_TRUE(QFile::copy(ShippedDictionary, dictionary));
        QFile::setPermissions(dictionary, QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(QFile::copy(QStringLiteral(LORVANE_SOURCE_DIR "/samples/demo.Dravo"), sample));
        QFile::setPermissions(sample, QFile::ReadOwner | QFile::WriteOwner);
        InitializeMultiLang({settings.file(QStringLiteral("app/lorvane")), settings.file(QStringLiteral("temp"))});
        // The language menu is built with the window: it lists the file.
        form = std::make_unique<TPCInteractiveForm>();
        form->BeginFile(sample);
        form->resize(1206, 740);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        if (form && form->isVisible()) form->close();
        form.reset();
        SetCurrentLanguage(0);
        try {
            FinalizeMultiLang();
        } catch (...) {
        }
        InitializeMultiLang();
    }

    // A click on an item of "Options > Langage", as the user makes it.
    void chooseLanguage(int languageID) {
        auto* menu = form->findChild<QMenu*>(QStringLiteral("MILanguage"));
        ASSERT_NE(menu, nullptr);
        QAction* item = menu->findChild<QAction*>(QStringLiteral("MILang%1").arg(languageID));
        ASSERT_NE(item, nullptr) << "language " << languageID << " is not offered";
        item->trigger();
        QApplication::processEvents();
    }
    QTreeWidgetItem* viewNode(const char* name) {
        QTreeWidget* tree = form->ViewsTree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == QString::fromUtf8(name)) return tree->topLevelItem(i);
        return nullptr;
    }
    void click(QTreeWidgetItem* node) {
        QTreeWidget* tree = form->ViewsTree();
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }
    // The chart view's three pages, each shown by a click on its tab.
    void collectChartPages(QStringList& out) {
        auto* pages = form->ChartView()->findChild<QTabWidget*>(QStringLiteral("PCOptions"));
        ASSERT_NE(pages, nullptr);
        ASSERT_EQ(pages->count(), 3);
        for (int i = 0; i < pages->count(); ++i) {
            QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(i).center());
            EXPECT_EQ(pages->currentIndex(), i);
            collectTexts(form->ChartView(), out);
        }
    }
    // The texts of the shown windows that are French still.
    QStringList frenchIn(const QStringList& shown) const {
        QStringList french;
        for (const QString& t : shown)
            if (texts.IsFrench(t) && !french.contains(t)) french << t;
        return french;
    }
    QStringList englishIn(const QStringList& shown) const {
        QStringList english;
        for (const QString& t : shown)
            if (texts.IsEnglish(t) && !english.contains(t)) english << t;
        return english;
    }
};

}  // namespace

TEST_F(EnglishInterface, TheLanguageMenuOffersEnglishBesideFrench) {
    auto* menu = form->findChild<QMenu*>(QStringLiteral("MILanguage"));
    ASSERT_NE(menu, nullptr);
    QStringList offered;
    for (QAction* a : menu->actions()) offered << a->text() + (a->isChecked() ? QStringLiteral(" *") : QString());
    EXPECT_TRUE(offered.contains(QStringLiteral("Français (France) *"))) << listed(offered);
    EXPECT_TRUE(offered.contains(QStringLiteral("English (United States)"))) << listed(offered);
}

TEST_F(EnglishInterface, EveryWindowIsInEnglishAndNoTextIsMissing) {
    chooseLanguage(English);
    ASSERT_EQ(GetCurrentLanguage(), English);
    form->SetDesignMode(true);
    QStringList shown;

    // The main window: menus, actions, toolbar, bars, status bar, on a view
    // with a row regroupment.
    click(viewNode("Prix"));
    collectTexts(form.get(), shown);
    auto* rows = form->findChild<TPivotCubeRows*>();
    auto* columns = form->findChild<TPivotCubeColumns*>();
    auto* values = form->findChild<TPivotCubeActiveValues*>();
    ASSERT_TRUE(rows && columns && values);
    ASSERT_GT(rows->BlockCount(), 0);

    // The context menus of the tree, of a dimension, of an empty bar and of the value bar.
    QTreeWidget* tree = form->ViewsTree();
    collectNextPopup(form.get(), shown);
    rightClick(tree->viewport(), tree->visualItemRect(viewNode("Prix")).center());
    collectNextPopup(form.get(), shown);
    rightClick(rows, rows->BlockRect(0).center());
    collectNextPopup(form.get(), shown);
    rightClick(columns, QPoint(columns->width() - 4, columns->height() / 2));
    collectNextPopup(form.get(), shown);
    rightClick(values, values->BlockRect(0).center());
    for (TPivotCubeHelper* bar : {static_cast<TPivotCubeHelper*>(rows), static_cast<TPivotCubeHelper*>(values)}) {
        const std::unique_ptr<QMenu> menu = bar->BuildContextMenu(bar->BlockRect(0).center());
        for (QMenu* sub : menu->findChildren<QMenu*>()) collectTexts(sub, shown);
    }

    // The member filter, opened on a dimension's arrow; then the one message it gives.
    collectNextModal<TPCAxisFiltering>(form.get(), shown, [&shown](TPCAxisFiltering* filter) {
        collectNextModal<TStdMessageDlg>(filter, shown);
        QTest::mouseClick(filter->findChild<QAbstractButton*>(QStringLiteral("TBUnselectAll")), Qt::LeftButton);
        QTest::mouseClick(filter->findChild<QAbstractButton*>(QStringLiteral("TBValidate")), Qt::LeftButton);
        collectTexts(filter, shown);
        QTest::mouseClick(filter->findChild<QAbstractButton*>(QStringLiteral("TBCancel")), Qt::LeftButton);
    });
    QTest::mouseClick(rows, Qt::LeftButton, {}, rows->ArrowRect(0).center());

    // The regroupment editor and the formula editor.
    collectNextModal<TPCRegroupsForm>(form.get(), shown);
    rows->EditRegroups();
    collectNextModal<TPCFormulaEditor>(form.get(), shown, [&shown](TPCFormulaEditor* editor) {
        auto* pages = editor->findChild<QTabWidget*>(QStringLiteral("PageControl"));
        for (int i = 0; pages && i < pages->count(); ++i) {
            QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(i).center());
            collectTexts(editor, shown);
        }
        editor->reject();
    });
    form->Action(QStringLiteral("MIDefineFormulas"))->trigger();

    // The input box of a new view and the question of a deletion.
    collectNextModal<QInputDialog>(form.get(), shown);
    form->Action(QStringLiteral("ACAddView"))->trigger();
    collectNextModal<TStdMessageDlg>(form.get(), shown);
    form->Action(QStringLiteral("ACTreeDelete"))->trigger();
    ASSERT_NE(viewNode("Prix"), nullptr) << "the deletion was not confirmed";

    // The drill-through window of a data cell.
    TPivotCubeGrid* grid = form->Grid();
    const TPCGridLayout layout(grid->Engine(), grid->Sizes(), grid->viewport()->size());
    TPCDrillThroughForm* drill = grid->DrillThroughAt(QPoint(layout.W + 5, layout.T + 5));
    ASSERT_NE(drill, nullptr);
    collectTexts(drill, shown);
    delete drill;

    // The chart view: its three pages and its context menu.
    QTreeWidgetItem* graphs = viewNode("Graphiques");
    ASSERT_NE(graphs, nullptr);
    ASSERT_GT(graphs->childCount(), 0);
    click(graphs->child(0));
    ASSERT_NE(form->CurrentGraph(), nullptr);
    form->ChartView()->RebuildNow();
    collectChartPages(shown);
    auto* canvas = form->ChartView()->findChild<QWidget*>(QStringLiteral("Chart"));
    ASSERT_NE(canvas, nullptr);
    collectNextPopup(form.get(), shown);
    rightClick(canvas, canvas->rect().center());

    // The messages of the documents and of the exports: an error, an
    // information, a failed write offered again.
    form->ChooseFile = [&](const TPCInteractiveForm::FileRequest& request) {
        shown << Translate(request.Filter);
        return QString();
    };
    for (const char* name : {"ACLoadDravo", "ACSaveDravo", "ACExportMicroCubeData", "ACImportPivotCube", "ACExportXLS",
                             "ACExportXLSX", "ACExportHTML", "ACExportXML"})
        form->Action(QString::fromLatin1(name))->trigger();
    collectNextModal<TStdMessageDlg>(form.get(), shown);
    form->ImportDocument(settings.file(QStringLiteral("missing.Dravo")));
    collectNextModal<TStdMessageDlg>(form.get(), shown);
    form->SaveDocumentTo(settings.file(QStringLiteral("saved.Dravo")));
    collectNextModal<TStdMessageDlg>(form.get(), shown);
    EXPECT_FALSE(form->ExportHTML(settings.file(QStringLiteral("no/such/folder/table.htm"))));

    // The about box and the crash report.
    {
        TPCInteractiveAbout about(form.get());
        about.show();
        collectTexts(&about, shown);
        TCrashReportForm crash(QStringLiteral("!Access violation at address 0"), QStringLiteral("EAccessViolation"),
                               settings.file(QStringLiteral("report.xml")), form.get());
        crash.show();
        collectTexts(&crash, shown);
    }
    // The CSV import dialog over the bundled CSV sample.
    {
        TCsvImportDialog csv(QStringLiteral(LORVANE_SOURCE_DIR "/samples/ventes.csv"), form.get());
        csv.show();
        collectTexts(&csv, shown);
    }

    // One text of each window shows that it was reached.
    for (const char* text : {"Views", "Expand all", "Add axis", "Select all", "Please select at least one value.",
                             "Summaries", "Advanced formula", "Name the new view", "Delete Prix?", "Cell details",
                             "Series stacking:", "Show title", "Copy chart", "Cannot open", "Dravo saved.", "Retry",
                             "Dravo Viewer", "Error report", "Preview of the first lines"}) {
        const QString wanted = QString::fromUtf8(text);
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const QString& t) { return t.startsWith(wanted); }))
            << "not reached: " << text;
    }
    EXPECT_TRUE(frenchIn(shown).isEmpty()) << "French texts left on screen:" << listed(frenchIn(shown));

    // Every text looked up was found: the dictionary learnt nothing.
    form.reset();
    FinalizeMultiLang();
    const QStringList shipped = dictionaryLines(readFile(ShippedDictionary));
    QStringList learnt;
    for (const QString& line : dictionaryLines(readFile(dictionary)))
        if (!shipped.contains(line)) learnt << line;
    EXPECT_TRUE(learnt.isEmpty()) << "texts missing from the English dictionary:" << listed(learnt);
}

TEST_F(EnglishInterface, ChoosingFrenchAgainRestoresTheFrenchTextsAtOnce) {
    click(viewNode("Graphiques")->child(0));
    ASSERT_NE(form->CurrentGraph(), nullptr);
    form->SetDesignMode(true);
    const auto shownNow = [this] {
        QStringList shown;
        collectTexts(form.get(), shown);
        collectChartPages(shown);
        return shown;
    };
    const QStringList french = shownNow();
    EXPECT_TRUE(englishIn(french).isEmpty()) << listed(englishIn(french));

    chooseLanguage(English);
    const QStringList english = shownNow();
    EXPECT_TRUE(frenchIn(english).isEmpty()) << listed(frenchIn(english));
    EXPECT_TRUE(english.contains(QStringLiteral("File"))) << listed(english);
    EXPECT_TRUE(english.contains(QStringLiteral("Series"))) << listed(english);
    EXPECT_TRUE(form->windowTitle().startsWith(QStringLiteral("Dravo Viewer"))) << form->windowTitle().toStdString();

    chooseLanguage(SourceLanguage);
    EXPECT_EQ(GetCurrentLanguage(), 0);
    const QStringList again = shownNow();
    EXPECT_TRUE(englishIn(again).isEmpty()) << "English texts left:" << listed(englishIn(again));
    const auto distinct = [](QStringList list) {
        list.sort();
        list.removeDuplicates();
        return list;
    };
    EXPECT_EQ(listed(distinct(again)), listed(distinct(french))) << "the French texts are not all back";
}
