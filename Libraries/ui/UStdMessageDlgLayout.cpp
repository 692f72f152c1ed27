// The geometry of the standard message dialog.
#include "UStdMessageDlgLayout.h"

#include <algorithm>

TStdMessageDlgLayout LayOutStdMessageDlg(const TStdMessageDlgMeasures& m) {
    TStdMessageDlgLayout out;
    const int n = std::max(1, int(m.ButtonTextWidths.size()));
    int buttonWidth = 96;
    for (const int w : m.ButtonTextWidths) buttonWidth = std::max(buttonWidth, w);

    // The message on its own lines; a text wider than the cap is clipped.
    const bool clipped = m.Text.width() > MessageTextWidthCap;
    int textWidth = std::min(m.Text.width(), MessageTextWidthCap);
    int textHeight = std::max(m.Text.height(), 32);

    int width = std::max(std::max(n * buttonWidth + 16, textWidth) + 68, 100 * n);
    width = std::min(width, m.Screen.width() * 90 / 128);
    if (width < textWidth + 68 && m.Wrapped) {
        const QSize wrapped = m.Wrapped(width - m.ScrollBarWidth - 76);
        if (!clipped) textWidth = wrapped.width();
        textHeight = std::max(wrapped.height(), 32);
    }

    int height = std::min(textHeight + 60, m.Screen.height() - 128);
    if (width < textWidth + 68 || height < textHeight + 60) {
        // Room for the scroll bar, the dialog still no taller than the screen minus 128.
        height = std::min(height + m.ScrollBarHeight + 8, std::max(m.Screen.height() - 128, height));
        out.Scrolled = true;
        out.ScrollBox = QRect(54, 12, width - 66, height - 60);
        out.Label = QRect(0, 0, textWidth, textHeight);
        out.LabelWraps = false;
    } else {
        out.Label = QRect(56, 12, width - 68, height - 60);
        out.CentredVertically = textHeight < 48;
    }
    out.Client = QSize(width, height);

    // The button row: half a gap before the right edge, 7 pixels into the band.
    out.BandTop = height - 36;
    const int t = std::min(buttonWidth, (width - 32) / n);
    const int g = std::min(32, (width - n * t - 32) / (n + 1));
    int x = width + g / 2 - n * (t + g);
    for (int i = 0; i < int(m.ButtonTextWidths.size()); ++i) {
        out.Buttons.emplace_back(x, out.BandTop + 7, t, 24);
        x += t + g;
    }
    return out;
}
