#pragma once
// The regroupment dialog: one line per regroupment of a collection, with its
// label, the value it summarises and its operator, edited in a grid; "Ok"
// replaces the whole collection by the lines, "Abandon" leaves it alone.

#include "CPivotCubeRegroups.h"

#include <QDialog>

class QAction;
class QPushButton;
class RegroupGrid;
class RegroupLinesModel;

class TPCRegroupsForm : public QDialog {
    Q_OBJECT
public:
    explicit TPCRegroupsForm(QWidget* parent = nullptr);
    ~TPCRegroupsForm() override;

    // Edits regroups over the cube's values; true (and the collection
    // replaced by the lines) when the dialog closed with "Ok". The caller
    // then empties the engine's caches.
    bool Edit(TPivotCubeRegroups& regroups, const TPivotCubeValues& values);

private:
    // The selected line, -1 when none.
    int selectedLine() const;
    void selectLine(int row);
    void updateActions();
    void addLine();
    void removeLine();
    void moveLine(int delta);
    void renameLine();
    void okClick();
    // Ends an edit in progress, keeping what was typed.
    void commitEditor();

    const TPivotCubeValues* FValues = nullptr;
    RegroupLinesModel* FModel = nullptr;
    RegroupGrid* FGrid = nullptr;
    QAction* FAdd = nullptr;
    QAction* FRemove = nullptr;
    QAction* FUp = nullptr;
    QAction* FDown = nullptr;
    QAction* FRename = nullptr;
    QPushButton* BBOk = nullptr;
    QPushButton* BBCancel = nullptr;
};
