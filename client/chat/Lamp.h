#pragma once

#include <QColor>
#include <QWidget>

// A lamp of the status indicator: a shaded disc of one colour, 16 × 16, on whatever
// lies behind it (the window's own background, light or dark).
class Lamp : public QWidget
{
    Q_OBJECT

public:
    Lamp(const QColor &colour, QWidget *parent = nullptr);

    // The disc alone, with clear corners, at the screen's scale: for an icon.
    QPixmap picture();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};
