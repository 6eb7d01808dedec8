#pragma once

#include <QColor>
#include <QWidget>

// A lamp of the status indicator: a shaded disc of one colour on white, 16 × 16.
class Lamp : public QWidget
{
    Q_OBJECT

public:
    Lamp(const QColor &colour, QWidget *parent = nullptr);


protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};
