#pragma once

#include "NovitaChat.h"

#include <QObject>
#include <QString>
#include <optional>

class IconaVassoio;
class NotificaDesktop;
class QWidget;
class ZuStato;

// Tells the user of the messages that arrive while the main window is not in
// front: a desktop notification, "(N) " before the window title and the count in
// the tray icon's tool tip, all cleared when the window becomes active again.
// The main window hands it every reply drawn and every message sent.
class AvvisoMessaggi : public QObject
{
    Q_OBJECT

public:
    AvvisoMessaggi(QWidget *finestra, ZuStato *stato);

    // The next reply is history (load, reload, room change); reads the setting anew.
    void ricomincia();
    void messaggioInviato(const QString &nick, const QString &testo);
    // The records of the reply just drawn; none for a reply that was no room page.
    void rispostaDisegnata(const std::optional<QList<RecordChat>> &record);

    int nonLetti() const { return m_nonLetti; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The window, or one of its own dialogs, is the active window.
    bool inPrimoPiano() const;
    void aggiornaTitolo();
    void azzera();

    QWidget *m_finestra;
    NovitaChat m_novita;
    NotificaDesktop *m_notifica;
    IconaVassoio *m_vassoio;
    bool m_attive = true;
    int m_nonLetti = 0;
    QString m_titoloBase;
    QString m_titoloMostrato;
};
