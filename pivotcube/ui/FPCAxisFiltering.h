#pragma once
// The member filter popup of an axis bar: a borderless window, placed by the
// caller under a dimension's block, that lists the members of the axis with
// check marks. A search field narrows the lines shown; the toolbar checks,
// unchecks or inverts the lines shown, validates or cancels. Validating
// stores the check marks in the dimension through the engine
// (TPCAxisFilter::SetSelection); cancelling (Escape, "Abandonner", the popup
// losing activation) leaves it unchanged.
//
// Keyboard: the list has the focus at opening, so Space toggles the current
// line; typing a character moves to the search field with it, and the Down
// arrow there comes back to the list. Enter validates, Escape cancels.

#include "CPCMemberCheckModel.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QSortFilterProxyModel;
class QToolButton;

class TPCAxisFiltering : public QWidget {
    Q_OBJECT
public:
    explicit TPCAxisFiltering(QWidget* parent = nullptr);
    ~TPCAxisFiltering() override;

    // Shows the popup where the caller moved it and processes events until it
    // is hidden (or the application ends); true when validated, the
    // dimension's lists then holding the new selection.
    bool Edit(TPCAxisFilter& dimension, const TPivotCubeAxis& axis);
    // The same without waiting: Finished tells the outcome.
    void Open(TPCAxisFilter& dimension, const TPivotCubeAxis& axis);
    bool IsOpen() const { return FDimension != nullptr; }

    const TPCMemberCheckModel& Members() const { return *FModel; }
    // The model lines the search leaves visible, in order.
    std::vector<int> VisibleLines() const;

    // The toolbar's actions; the first three act on the visible lines.
    void SelectAll();
    void UnselectAll();
    void InvertSelection();
    // Needs at least one checked line, else says so and stays open.
    void Validate();
    void Cancel();

    static constexpr int MinimumWidth = 170;
    static constexpr int MinimumHeight = 200;

signals:
    void Finished(bool validated);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* addButton(const char* objectName, const QString& image, const QString& hint,
                           void (TPCAxisFiltering::*action)());
    void finish(bool validated);
    void updateCounter(int checked, int total);
    void searchChanged(const QString& text);
    void toggleCurrent();
    void ensureCurrent();
    void keepOnScreen();
    bool ownsActiveWindow() const;

    TPCMemberCheckModel* FModel = nullptr;
    QSortFilterProxyModel* FProxy = nullptr;
    QLineEdit* FSearch = nullptr;
    QListView* FList = nullptr;
    QLabel* FCounter = nullptr;
    TPCAxisFilter* FDimension = nullptr;   // while open
    bool FShowingMessage = false;
};
