#pragma once
// The about box: a borderless window centred on the screen, 562 x 222, with
// the program's name, a few words on what it does and its version
// ("v " + GetAppVersionString). A click on the green check mark, or Escape,
// closes it.

#include <QAbstractButton>
#include <QDialog>

class QLabel;

// The green check mark that closes the box.
class TAboutCheckMark : public QAbstractButton {
    Q_OBJECT
public:
    explicit TAboutCheckMark(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TPCInteractiveAbout : public QDialog {
    Q_OBJECT
public:
    explicit TPCInteractiveAbout(QWidget* parent = nullptr);
    QLabel* VersionLabel() const { return FVersion; }
    TAboutCheckMark* CheckMark() const { return FCheck; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* FVersion = nullptr;
    TAboutCheckMark* FCheck = nullptr;
};
