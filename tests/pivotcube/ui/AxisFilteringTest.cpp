// The member filter popup, driven offscreen with the mouse and the keyboard:
// the check marks it starts from, what validating stores in the dimension,
// the ways it cancels, the search and the counter, its size limits.
#include "FPCAxisFiltering.h"
#include "UStdMessageDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QStringList Cities = {QStringLiteral("Paris"), QStringLiteral("Lyon"), QStringLiteral("Lille"),
                            QStringLiteral("Marseille"), QStringLiteral("Nice")};

std::vector<int32_t> idsOf(const TIntegerList& list) {
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

// Public: the case tables' actions drive the fixture.
class AxisFiltering : public ::testing::Test {
public:
    TPivotCubeAxis axis;
    TPCAxisFilter dimension{0};
    std::unique_ptr<TPCAxisFiltering> popup;
    std::unique_ptr<QSignalSpy> spy;

    // Members with IDs 10, 20, 30 ... in member order.
    void SetUp() override {
        for (int i = 0; i < Cities.size(); ++i) axis.Members.push_back({10 * (i + 1), 0, Cities[i]});
        renew();
    }
    // A popup is made for each use.
    void renew() {
        spy.reset();
        popup = std::make_unique<TPCAxisFiltering>();
        spy = std::make_unique<QSignalSpy>(popup.get(), &TPCAxisFiltering::Finished);
    }
    void open() {
        renew();
        popup->Open(dimension, axis);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == popup.get(); }));
    }
    QListView* list() { return popup->findChild<QListView*>(QStringLiteral("LVMembers")); }
    QLineEdit* search() { return popup->findChild<QLineEdit*>(QStringLiteral("ESearch")); }
    QString counter() { return popup->findChild<QLabel*>(QStringLiteral("LSelection"))->text(); }
    QToolButton* button(const char* name) { return popup->findChild<QToolButton*>(QString::fromLatin1(name)); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // A click on the check box of a visible line.
    void clickCheck(int visibleRow) {
        QListView* view = list();
        const QModelIndex index = view->model()->index(visibleRow, 0);
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(index);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = index.data().toString();
        const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
    }
    std::vector<bool> checks() {
        std::vector<bool> out;
        for (int i = 0; i < popup->Members().Count(); ++i) out.push_back(popup->Members().IsChecked(i));
        return out;
    }
    bool finishedWith(bool validated) {
        return spy->count() == 1 && spy->at(0).at(0).toBool() == validated && !popup->isVisible() &&
               !popup->IsOpen();
    }
};

TEST_F(AxisFiltering, LinesAreTheMembersCheckedAsTheDimensionPassesThem) {
    struct Case {
        const char* name;
        std::initializer_list<int32_t> include, exclude;
        std::vector<bool> checked;
        const char* counter;
    } cases[] = {
        {"no filter", {}, {}, {true, true, true, true, true}, "Sélection 5/5"},
        {"include", {20, 40}, {}, {false, true, false, true, false}, "Sélection 2/5"},
        {"exclude", {}, {10}, {false, true, true, true, true}, "Sélection 4/5"},
        // Both lists (a stored view): a member in both is hidden, so unchecked.
        {"both", {20, 30}, {30}, {false, true, false, false, false}, "Sélection 1/5"},
    };
    for (const Case& c : cases) {
        dimension.IncludeIDs.Clear();
        dimension.ExcludeIDs.Clear();
        for (int32_t id : c.include) dimension.IncludeIDs.Add(id);
        for (int32_t id : c.exclude) dimension.ExcludeIDs.Add(id);
        renew();
        popup->Open(dimension, axis);
        EXPECT_EQ(checks(), c.checked) << c.name;
        EXPECT_EQ(counter(), QString::fromUtf8(c.counter)) << c.name;
        ASSERT_EQ(list()->model()->rowCount(), Cities.size());
        for (int i = 0; i < Cities.size(); ++i) EXPECT_EQ(list()->model()->index(i, 0).data().toString(), Cities[i]);
        popup->Cancel();
    }
}

TEST_F(AxisFiltering, ValidationStoresTheShorterList) {
    struct Case {
        const char* name;
        std::function<void(AxisFiltering&)> act;
        std::vector<int32_t> include, exclude;
    } cases[] = {
        {"two of five unchecked",
         [](AxisFiltering& t) { t.clickCheck(1); t.clickCheck(3); t.click("TBValidate"); }, {}, {20, 40}},
        {"one of five checked",
         [](AxisFiltering& t) { t.click("TBUnselectAll"); t.clickCheck(2); t.click("TBValidate"); }, {30}, {}},
        {"all checked", [](AxisFiltering& t) { t.click("TBValidate"); }, {}, {}},
        {"Enter with none checked",
         [](AxisFiltering& t) { t.click("TBUnselectAll"); QTest::keyClick(t.list(), Qt::Key_Return); },
         {},
         {10, 20, 30, 40, 50}},
    };
    for (const Case& c : cases) {
        dimension.IncludeIDs = TIntegerList{20};   // replaced by the new selection
        dimension.ExcludeIDs.Clear();
        open();
        click("TBSelectAll");
        c.act(*this);
        EXPECT_TRUE(finishedWith(true)) << c.name;
        EXPECT_EQ(idsOf(dimension.IncludeIDs), c.include) << c.name;
        EXPECT_EQ(idsOf(dimension.ExcludeIDs), c.exclude) << c.name;
    }
}

TEST_F(AxisFiltering, ValidatingNothingSaysSoAndStaysOpen) {
    open();
    click("TBUnselectAll");
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<TStdMessageDlg*>(QApplication::activeModalWidget())) {
            shown = box->ShownText();
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    click("TBValidate");
    EXPECT_EQ(shown, QStringLiteral("Sélectionnez au moins une valeur!"));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->IsOpen()) << "the box taking the activation is no cancel";
    EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(dimension.IncludeIDs.Count() + dimension.ExcludeIDs.Count(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == popup.get(); }))
        << "the popup is active again";

    clickCheck(4);
    click("TBValidate");
    EXPECT_TRUE(finishedWith(true));
    EXPECT_EQ(idsOf(dimension.IncludeIDs), std::vector<int32_t>{50});
}

TEST_F(AxisFiltering, CancellingLeavesTheListsUnchanged) {
    QWidget elsewhere;
    const std::pair<const char*, std::function<void(AxisFiltering&)>> ways[] = {
        {"Escape", [](AxisFiltering& t) { QTest::keyClick(t.list(), Qt::Key_Escape); }},
        {"Escape in the search field", [](AxisFiltering& t) { QTest::keyClick(t.search(), Qt::Key_Escape); }},
        {"Abandonner", [](AxisFiltering& t) { t.click("TBCancel"); }},
        {"another window activated",
         [&elsewhere](AxisFiltering&) {
             elsewhere.show();
             elsewhere.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
         }},
        {"hidden", [](AxisFiltering& t) { t.popup->hide(); }},
    };
    for (const auto& [name, cancel] : ways) {
        dimension.IncludeIDs = TIntegerList{20, 30};
        dimension.ExcludeIDs = TIntegerList{30};
        open();
        clickCheck(0);
        click("TBInvertSelection");
        cancel(*this);
        EXPECT_TRUE(finishedWith(false)) << name;
        EXPECT_EQ(idsOf(dimension.IncludeIDs), (std::vector<int32_t>{20, 30})) << name;
        EXPECT_EQ(idsOf(dimension.ExcludeIDs), std::vector<int32_t>{30}) << name;
    }
}

TEST_F(AxisFiltering, EditWaitsForTheOutcome) {
    QTimer::singleShot(0, [&] { QTest::keyClick(list(), Qt::Key_Space); QTest::keyClick(list(), Qt::Key_Enter); });
    EXPECT_TRUE(popup->Edit(dimension, axis));
    EXPECT_EQ(idsOf(dimension.ExcludeIDs), std::vector<int32_t>{10});
    QTimer::singleShot(0, [&] { QTest::keyClick(list(), Qt::Key_Space); popup->Cancel(); });
    renew();
    EXPECT_FALSE(popup->Edit(dimension, axis));
    EXPECT_EQ(idsOf(dimension.ExcludeIDs), std::vector<int32_t>{10});

    renew();
    TPCAxisFiltering* destroyed = popup.get();
    QTimer::singleShot(0, [&] { popup.reset(); });
    EXPECT_FALSE(destroyed->Edit(dimension, axis)) << "destroyed while open: a cancel";
    EXPECT_EQ(idsOf(dimension.ExcludeIDs), std::vector<int32_t>{10});
}

TEST_F(AxisFiltering, SpaceTogglesTheCurrentLineAndTheCounterFollows) {
    open();
    EXPECT_EQ(QApplication::focusWidget(), list()) << "the list has the focus at opening";
    EXPECT_EQ(counter(), QStringLiteral("Sélection 5/5"));
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true, true}));
    EXPECT_EQ(counter(), QStringLiteral("Sélection 4/5"));
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_EQ(counter(), QStringLiteral("Sélection 3/5"));
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, true, true}));
    clickCheck(0);
    EXPECT_EQ(counter(), QStringLiteral("Sélection 5/5"));
    click("TBInvertSelection");
    EXPECT_EQ(counter(), QStringLiteral("Sélection 0/5"));
    EXPECT_TRUE(popup->IsOpen());
}

TEST_F(AxisFiltering, SearchNarrowsTheLinesTheToolbarActsOn) {
    open();
    // Typing in the list goes to the search field; the match ignores case.
    QTest::keyClicks(list(), QStringLiteral("LL"));
    EXPECT_EQ(search()->text(), QStringLiteral("LL"));
    EXPECT_EQ(QApplication::focusWidget(), search());
    EXPECT_EQ(popup->VisibleLines(), (std::vector<int>{2, 3}));   // Lille, Marseille
    click("TBUnselectAll");
    EXPECT_EQ(checks(), (std::vector<bool>{true, true, false, false, true}));
    EXPECT_EQ(counter(), QStringLiteral("Sélection 3/5")) << "the counter counts every line";

    // Down goes to the list, on the first line shown; Space toggles it.
    QTest::keyClick(search(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), list());
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_TRUE(popup->Members().IsChecked(2));

    search()->setText(QStringLiteral("i"));   // Paris, Lille, Marseille, Nice
    click("TBInvertSelection");
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, false, true, false}));
    search()->setText(QStringLiteral("zz"));
    click("TBSelectAll");
    EXPECT_EQ(popup->VisibleLines(), std::vector<int>{});
    QTest::keyClick(search(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Space);   // no line: nothing happens
    search()->clear();
    EXPECT_EQ(popup->VisibleLines().size(), 5u);
    EXPECT_EQ(counter(), QStringLiteral("Sélection 2/5"));

    QTest::keyClick(search(), Qt::Key_Return);
    EXPECT_TRUE(finishedWith(true));
    EXPECT_EQ(idsOf(dimension.IncludeIDs), (std::vector<int32_t>{20, 40}));
}

TEST_F(AxisFiltering, ButtonsShowTheirImagesAndHints) {
    const std::pair<const char*, const char*> buttons[] = {
        {"TBSelectAll", "Tout sélectionner"},
        {"TBUnselectAll", "Tout déselectionner"},
        {"TBInvertSelection", "Inverser la sélection"},
        {"TBValidate", "Valider"},
        {"TBCancel", "Abandonner"},
    };
    for (const auto& [name, hint] : buttons) {
        ASSERT_NE(button(name), nullptr) << name;
        EXPECT_EQ(button(name)->toolTip(), QString::fromUtf8(hint));
        EXPECT_FALSE(button(name)->icon().isNull()) << name;
    }
    EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(AxisFiltering, ResizesNotBelowItsMinimumKeepingTheRightButtonsRight) {
    open();
    popup->resize(50, 50);
    EXPECT_EQ(popup->size(), QSize(TPCAxisFiltering::MinimumWidth, TPCAxisFiltering::MinimumHeight));
    QApplication::processEvents();
    EXPECT_LT(button("TBInvertSelection")->geometry().right(), button("TBValidate")->geometry().left())
        << "the toolbar fits at the minimum width";

    popup->resize(400, 300);
    QApplication::processEvents();
    const QRect cancel = button("TBCancel")->geometry(), validate = button("TBValidate")->geometry();
    EXPECT_GE(cancel.right(), popup->width() - 6);
    EXPECT_LT(validate.right(), cancel.left());
    EXPECT_GT(validate.left(), popup->width() / 2);
    const QSizeGrip* grip = popup->findChild<QSizeGrip*>(QStringLiteral("SizeGrip"));
    ASSERT_NE(grip, nullptr);
    EXPECT_GE(grip->geometry().right(), popup->width() - 6);
    EXPECT_GE(grip->geometry().bottom(), popup->height() - 6);
}

} // namespace
