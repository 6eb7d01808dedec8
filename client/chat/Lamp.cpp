#include "Lamp.h"

#include <QPainter>
#include <QRadialGradient>

Lamp::Lamp(const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
{
    setFixedSize(16, 16);
}

QPixmap Lamp::picture()
{
    const qreal scale = devicePixelRatioF();
    QPixmap picture(size() * scale);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::transparent);
    render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Light from the upper left: a bright spot fading into the colour, darker at the rim.
    const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
    QRadialGradient shade(disc.center(), disc.width() / 2, disc.center() - QPointF(2.5, 2.5));
    shade.setColorAt(0.0, m_colour.lighter(190));
    shade.setColorAt(0.45, m_colour);
    shade.setColorAt(1.0, m_colour.darker(170));
    painter.setPen(QPen(m_colour.darker(220), 0.8));
    painter.setBrush(shade);
    painter.drawEllipse(disc);
}
