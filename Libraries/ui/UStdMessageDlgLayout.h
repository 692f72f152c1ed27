#pragma once
// The geometry of the standard message dialog, as plain arithmetic: the
// caller measures texts (the font is the dialog's), this works out the
// client size, where the message goes (in a scroll box when it does not fit)
// and the button row.

#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

struct TStdMessageDlgMeasures {
    std::vector<int> ButtonTextWidths;   // one per button, left to right
    QSize Text;                          // the message on one line per paragraph
    QSize Screen;                        // the available screen size
    int ScrollBarWidth = 16;
    int ScrollBarHeight = 16;
    // The message word-wrapped within a width: its size.
    std::function<QSize(int width)> Wrapped;
};

struct TStdMessageDlgLayout {
    QSize Client;
    bool Scrolled = false;    // the message sits in a scroll box
    QRect ScrollBox;          // when Scrolled
    QRect Label;              // the message label (inside the scroll box when Scrolled)
    bool LabelWraps = true;
    bool CentredVertically = false;
    int BandTop = 0;          // the bottom band starts here
    std::vector<QRect> Buttons;
};

// Widest text measured, beyond which a message is taken as clipped.
constexpr int MessageTextWidthCap = 32000;

TStdMessageDlgLayout LayOutStdMessageDlg(const TStdMessageDlgMeasures& m);
