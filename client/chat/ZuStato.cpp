#include "ZuStato.h"

#include "Lamp.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {
constexpr QSize Dimensione(114, 23);
}

ZuStato::ZuStato(QWidget *parent)
    : QWidget(parent)
    , m_imgOn(new Lamp(QColor(0x20, 0xC0, 0x20), this))
    , m_imgOff(new Lamp(QColor(0xA0, 0x10, 0x10), this))
    , m_lblmsg(new QLabel(this))
{
    setFixedSize(Dimensione);
    m_imgOn->setObjectName(u"imgOn"_s);
    m_imgOff->setObjectName(u"imgOff"_s);
    m_lblmsg->setObjectName(u"lblmsg"_s);
    m_imgOn->move(0, 0);
    m_imgOff->move(0, 0);
    m_lblmsg->setGeometry(24, 0, 97, 17);

    QFont font(u"MS Sans Serif"_s);
    font.setPointSizeF(8.25);
    font.setBold(true);
    m_lblmsg->setFont(font);

    m_imgOn->hide();
    m_imgOff->hide();
    m_lblmsg->hide();
}

void ZuStato::setOnLine(bool vNewValue)
{
    m_lblmsg->show();
    if (vNewValue) {
        m_lblmsg->setText(u"on-line"_s);
        m_imgOff->hide();
        m_imgOn->show();
    } else {
        m_lblmsg->setText(u"errore"_s);
        m_imgOff->show();
        m_imgOn->hide();
    }
    Q_EMIT onLineCambiato(vNewValue);
}

QPixmap ZuStato::lampada(bool onLine) const
{
    return (onLine ? m_imgOn : m_imgOff)->picture();
}

QSize ZuStato::sizeHint() const
{
    return Dimensione;
}
