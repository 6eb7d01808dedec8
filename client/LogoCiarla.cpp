#include "LogoCiarla.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
void disegnaFumetto(QPainter &p, const QRectF &area, const QColor &colore, bool codaASinistra)
{
    QPainterPath fumetto;
    fumetto.addRoundedRect(area, area.height() / 3, area.height() / 3);
    const qreal base = area.bottom() - 1;
    const qreal x = codaASinistra ? area.left() + area.width() * 0.25 : area.right() - area.width() * 0.25;
    const qreal verso = codaASinistra ? -1 : 1;
    QPainterPath coda;
    coda.moveTo(x - area.width() * 0.08, base);
    coda.lineTo(x + verso * area.width() * 0.12, base + area.height() * 0.35);
    coda.lineTo(x + area.width() * 0.08, base);
    coda.closeSubpath();
    p.setPen(QPen(colore.darker(140), 1.2));
    p.setBrush(colore);
    p.drawPath(fumetto.united(coda));
}
} // namespace

void LogoCiarla::dipingi(QPainter &p, int lato)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lato / 48.0, lato / 48.0);
    disegnaFumetto(p, QRectF(2, 3, 34, 22), QColor(0x1f, 0x5f, 0xbf), true);
    disegnaFumetto(p, QRectF(18, 24, 28, 16), QColor(0xf2, 0xa9, 0x00), false);
    p.setPen(Qt::white);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(11 + i * 8, 14), 2.2, 2.2);
}

QPixmap LogoCiarla::immagine(int lato)
{
    QPixmap immagine(lato, lato);
    immagine.fill(Qt::transparent);
    QPainter p(&immagine);
    dipingi(p, lato);
    return immagine;
}

QSize LogoCiarla::dimensione()
{
    return QSize(48, 48);
}

QIcon LogoCiarla::icona()
{
    QIcon icona;
    for (const int lato : {16, 24, 32, 48, 64, 96})
        icona.addPixmap(immagine(lato));
    return icona;
}
