#include "IconaVassoio.h"

#include "ZuStato.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

using namespace Qt::StringLiterals;

IconaVassoio::IconaVassoio(QWidget *finestra, ZuStato *stato)
    : QObject(finestra)
    , m_finestra(finestra)
    , m_stato(stato)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icona = new QSystemTrayIcon(finestra->windowIcon(), this);
    setNonLetti(0);
    creaMenu();
    connect(m_icona, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason motivo) {
        if (motivo == QSystemTrayIcon::Trigger)
            alternaFinestra();
    });
    connect(stato, &ZuStato::onLineCambiato, this, [this](bool onLine) {
        m_icona->setIcon(QIcon(m_stato->lampada(onLine)));
    });
}

// The menu has no parent of its own: the tray icon does not own it.
IconaVassoio::~IconaVassoio()
{
    if (m_icona)
        delete m_icona->contextMenu();
}

void IconaVassoio::creaMenu()
{
    auto *menu = new QMenu;
    connect(menu->addAction(u"Mostra CiarlaChat"_s), &QAction::triggered, this, [this] { portaDavanti(m_finestra); });
    connect(menu->addAction(u"Esci"_s), &QAction::triggered, this, [this] {
        // A hidden window's close would not count as the last one closing.
        m_finestra->close();
        QCoreApplication::quit();
    });
    m_icona->setContextMenu(menu);
}

void IconaVassoio::mostra()
{
    if (m_icona)
        m_icona->show();
}

void IconaVassoio::setNonLetti(int nonLetti)
{
    if (!m_icona)
        return;
    m_icona->setToolTip(nonLetti == 0   ? u"CiarlaChat"_s
                        : nonLetti == 1 ? u"CiarlaChat: 1 nuovo messaggio"_s
                                        : u"CiarlaChat: %1 nuovi messaggi"_s.arg(nonLetti));
}

void IconaVassoio::alternaFinestra()
{
    if (m_finestra->isVisible() && !m_finestra->isMinimized())
        m_finestra->hide();
    else
        portaDavanti(m_finestra);
}

void IconaVassoio::portaDavanti(QWidget *finestra)
{
    finestra->show();
    if (finestra->isMinimized())
        finestra->showNormal();
    finestra->raise();
    finestra->activateWindow();
}
