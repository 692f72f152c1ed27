// The gradient header band.
#include "FZeltaGradient.h"

#include <QLinearGradient>
#include <QPainter>

TZeltaGradient::TZeltaGradient(const QString& caption, QWidget* parent) : QWidget(parent), FCaption(caption) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TZeltaGradient::SetCaption(const QString& caption) {
    if (FCaption == caption) return;
    FCaption = caption;
    updateGeometry();
    update();
}

QFont TZeltaGradient::captionFont() const {
    QFont f = font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    return f;
}

QSize TZeltaGradient::sizeHint() const {
    const QFontMetrics metrics(captionFont());
    return {metrics.horizontalAdvance(FCaption) + 24, metrics.height() + 14};
}

void TZeltaGradient::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, palette().color(QPalette::Highlight));
    gradient.setColorAt(1, palette().color(QPalette::Window));
    painter.fillRect(rect(), gradient);
    painter.setFont(captionFont());
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(rect().adjusted(12, 0, -12, 0), Qt::AlignLeft | Qt::AlignVCenter, FCaption);
}
