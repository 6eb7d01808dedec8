#include "NotificaDesktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {
const QString servizio = u"org.freedesktop.Notifications"_s;
const QString percorso = u"/org/freedesktop/Notifications"_s;
const QString interfaccia = u"org.freedesktop.Notifications"_s;
const QString azioneDefault = u"default"_s;
const QString icona = u"ciarlachat"_s;
const QString voceDesktop = u"it.ciarlasoft.CiarlaChat"_s;
// The service's own default display time.
constexpr int scadenzaDelServizio = -1;
} // namespace

NotificaDesktop::NotificaDesktop(QObject *parent)
    : QObject(parent)
{
    QDBusConnection::sessionBus().connect(servizio, percorso, interfaccia, u"ActionInvoked"_s, this,
                                          SLOT(ActionInvoked(uint, QString)));
}

void NotificaDesktop::mostra(const QString &titolo, const QString &corpo)
{
    const Testi testi{titolo, corpo.toHtmlEscaped()};
    if (m_inCorso)
        m_inAttesa = testi;
    else
        invia(testi);
}

void NotificaDesktop::invia(const Testi &testi)
{
    QDBusMessage chiamata = QDBusMessage::createMethodCall(servizio, percorso, interfaccia, u"Notify"_s);
    const QVariantMap suggerimenti{{u"desktop-entry"_s, voceDesktop}, {u"category"_s, u"im.received"_s}};
    chiamata << u"CiarlaChat"_s << m_id << icona << testi.titolo << testi.corpo
             << QStringList{azioneDefault, u"Mostra"_s} << suggerimenti << scadenzaDelServizio;
    m_inCorso = true;
    auto *attesa = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(chiamata), this);
    connect(attesa, &QDBusPendingCallWatcher::finished, this, &NotificaDesktop::risposta);
}

void NotificaDesktop::risposta(QDBusPendingCallWatcher *chiamata)
{
    chiamata->deleteLater();
    const QDBusPendingReply<uint> esito = *chiamata;
    if (!esito.isError())
        m_id = esito.value();
    m_inCorso = false;
    if (m_inAttesa)
        invia(*std::exchange(m_inAttesa, std::nullopt));
}

void NotificaDesktop::ActionInvoked(uint id, const QString &azione)
{
    if (id != 0 && id == m_id && azione == azioneDefault)
        Q_EMIT azionePredefinita();
}
