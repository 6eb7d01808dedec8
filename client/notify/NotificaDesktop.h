#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QDBusPendingCallWatcher;

// One desktop notification of the program, shown through the freedesktop
// notification service on the session bus and replaced by the next one. Calls
// never wait for the service: a slow one holds back only the next notification,
// which waits in a single place (the latest wins), and a missing one is ignored.
class NotificaDesktop : public QObject
{
    Q_OBJECT

public:
    explicit NotificaDesktop(QObject *parent = nullptr);

    // The texts are plain; the body is escaped here, since the service may read markup.
    void mostra(const QString &titolo, const QString &corpo);

Q_SIGNALS:
    // The user chose the notification itself.
    void azionePredefinita();

private Q_SLOTS:
    void ActionInvoked(uint id, const QString &azione);

private:
    struct Testi
    {
        QString titolo;
        QString corpo;
    };

    void invia(const Testi &testi);
    void risposta(QDBusPendingCallWatcher *chiamata);

    uint m_id = 0;
    bool m_inCorso = false;
    std::optional<Testi> m_inAttesa;
};
