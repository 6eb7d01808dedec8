#include "IconaConnetti.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap disegna(int lato)
{
    QPixmap immagine(lato, lato);
    immagine.fill(Qt::transparent);
    QPainter p(&immagine);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lato / 24.0, lato / 24.0);
    const QColor corpo(0x1f, 0x5f, 0xbf);
    p.setPen(QPen(corpo.darker(130), 2.0, Qt::SolidLine, Qt::RoundCap));
    QPainterPath cavo;
    cavo.moveTo(1.5, 19);
    cavo.cubicTo(5, 19, 4, 12, 8, 12);
    p.drawPath(cavo);
    p.setPen(QPen(corpo.darker(140), 1.0));
    p.setBrush(corpo);
    p.drawRoundedRect(QRectF(8, 7, 7, 10), 2, 2);
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawRect(QRectF(15, 8.5, 5, 2));
    p.drawRect(QRectF(15, 13.5, 5, 2));
    p.setPen(QPen(QColor(0xf2, 0xa9, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22.5, 6), QPointF(22.5, 18));
    return immagine;
}
} // namespace

QIcon IconaConnetti::icona()
{
    QIcon icona;
    for (const int lato : {16, 24, 32, 48})
        icona.addPixmap(disegna(lato));
    return icona;
}
