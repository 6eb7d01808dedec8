#pragma once

#include "RecordChat.h"

#include <QList>
#include <optional>

// Which records of a room's reply are news. The service keeps a room's latest
// messages only: old ones fall off the top and new ones come at the bottom, so
// the news are what follows the longest run of records that ended the previous
// reply and starts this one. Records are compared whole, so one text written
// twice by the same author is news twice.
class NovitaChat
{
public:
    // The next reply is history: start-up, a room change, a reconnection.
    void ricomincia() { m_precedenti.reset(); }
    // The user's last successful send; once it comes back it is not news.
    void messaggioInviato(const QString &nick, const QString &testo);
    // The news in the records of a reply, in their order.
    QList<RecordChat> nuovi(const QList<RecordChat> &record);

private:
    static qsizetype sovrapposizione(const QList<RecordChat> &prima, const QList<RecordChat> &dopo);
    void togliInviato(QList<RecordChat> &nuovi);

    std::optional<QList<RecordChat>> m_precedenti;
    std::optional<RecordChat> m_inviato;
};
