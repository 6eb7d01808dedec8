#include "AvvisoMessaggi.h"

#include "IconaVassoio.h"
#include "ImpostazioneNotifiche.h"
#include "NotificaDesktop.h"
#include "TestoNotifica.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

AvvisoMessaggi::AvvisoMessaggi(QWidget *finestra, ZuStato *stato)
    : QObject(finestra)
    , m_finestra(finestra)
    , m_notifica(new NotificaDesktop(this))
    , m_vassoio(new IconaVassoio(finestra, stato))
{
    finestra->installEventFilter(this);
    connect(m_notifica, &NotificaDesktop::azionePredefinita, this, [this] { IconaVassoio::portaDavanti(m_finestra); });
}

void AvvisoMessaggi::ricomincia()
{
    m_novita.ricomincia();
    m_attive = ImpostazioneNotifiche::attive();
    if (!m_attive)
        azzera();
    m_vassoio->mostra();
}

void AvvisoMessaggi::messaggioInviato(const QString &nick, const QString &testo)
{
    m_novita.messaggioInviato(nick, testo);
}

void AvvisoMessaggi::rispostaDisegnata(const std::optional<QList<RecordChat>> &record)
{
    // A page that is no room page says nothing of the room: the next one is
    // compared with the last room page.
    if (!record)
        return;
    const QList<RecordChat> nuovi = m_novita.nuovi(*record);
    if (nuovi.isEmpty() || !m_attive || inPrimoPiano())
        return;
    m_nonLetti += int(nuovi.size());
    aggiornaTitolo();
    m_vassoio->setNonLetti(m_nonLetti);
    m_notifica->mostra(TestoNotifica::titolo(nuovi), TestoNotifica::corpo(nuovi));
}

bool AvvisoMessaggi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_finestra && event->type() == QEvent::ActivationChange && inPrimoPiano())
        azzera();
    return QObject::eventFilter(watched, event);
}

bool AvvisoMessaggi::inPrimoPiano() const
{
    for (const QWidget *w = QApplication::activeWindow(); w; w = w->parentWidget()) {
        if (w == m_finestra)
            return true;
    }
    return false;
}

void AvvisoMessaggi::aggiornaTitolo()
{
    // A title set meanwhile by the window itself is the one to restore.
    const QString attuale = m_finestra->windowTitle();
    if (attuale != m_titoloMostrato)
        m_titoloBase = attuale;
    m_titoloMostrato = u"(%1) "_s.arg(m_nonLetti) + m_titoloBase;
    m_finestra->setWindowTitle(m_titoloMostrato);
}

void AvvisoMessaggi::azzera()
{
    if (m_nonLetti == 0)
        return;
    m_nonLetti = 0;
    if (m_finestra->windowTitle() == m_titoloMostrato)
        m_finestra->setWindowTitle(m_titoloBase);
    m_titoloMostrato.clear();
    m_vassoio->setNonLetti(0);
}
