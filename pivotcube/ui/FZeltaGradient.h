#pragma once
// The header band of the editors: a horizontal gradient from the selection
// colour to the window colour with the caption, bold, on its dark end.

#include <QWidget>

class TZeltaGradient : public QWidget {
    Q_OBJECT
public:
    explicit TZeltaGradient(const QString& caption = {}, QWidget* parent = nullptr);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont captionFont() const;
    QString FCaption;
};
