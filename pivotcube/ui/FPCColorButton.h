#pragma once
// A button showing a colour swatch; a click opens the colour picker.
// Colours are kept in the 0x00BBGGRR layout of the stored settings.

#include <QToolButton>

#include <cstdint>

class TPCColorButton : public QToolButton {
    Q_OBJECT
public:
    explicit TPCColorButton(QWidget* parent = nullptr);

    int32_t Color() const { return FColor; }
    // Sets the colour without telling (loading settings).
    void SetColor(int32_t color);

signals:
    // The user picked a new colour.
    void ColorChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pick();
    int32_t FColor = 0xFFFFFF;
};

QColor PCColorOf(int32_t bgr);
int32_t PCBgrOf(const QColor& color);
