#include "FPCColorButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

QColor PCColorOf(int32_t bgr) {
    const auto value = uint32_t(bgr);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

int32_t PCBgrOf(const QColor& color) { return int32_t(color.red() | (color.green() << 8) | (color.blue() << 16)); }

TPCColorButton::TPCColorButton(QWidget* parent) : QToolButton(parent) {
    setFixedSize(40, 20);
    connect(this, &QToolButton::clicked, this, &TPCColorButton::pick);
}

void TPCColorButton::SetColor(int32_t color) {
    FColor = color;
    update();
}

void TPCColorButton::pick() {
    const QColor chosen = QColorDialog::getColor(PCColorOf(FColor), this);
    if (!chosen.isValid()) return;
    SetColor(PCBgrOf(chosen));
    emit ColorChanged();
}

void TPCColorButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QRect swatch = rect().adjusted(5, 4, -5, -4);
    painter.setPen(isEnabled() ? QColor(0x60, 0x60, 0x60) : QColor(0xB0, 0xB0, 0xB0));
    painter.setBrush(isEnabled() ? PCColorOf(FColor) : palette().color(QPalette::Disabled, QPalette::Button));
    painter.drawRect(swatch);
}
