#include "PollPage.h"

#include "RispostaChat.h"
#include "RuntimeError.h"
#include "ServiceProcess.h"

PollPage PollPage::read(const QString &page)
{
    PollPage poll;
    if (!page.contains(RispostaChat::InizioDati)) {
        qWarning("not a poll page: %s", qPrintable(page.left(300)));
        return poll;
    }
    poll.noData = page.contains(RispostaChat::NessunDato);
    if (poll.noData)
        return poll;
    try {
        RispostaChat reader(page);
        using Campo = RispostaChat::Campo;
        poll.count = reader.numero(RispostaChat::NumeroRecord, 0);
        qsizetype at = 0;
        for (qint32 i = 1; i <= poll.count && (at = reader.trovaRecord(i, at)) >= 0; ++i)
            poll.records.append({reader.campo(Campo::Nick, at), reader.campo(Campo::Data, at),
                                 reader.campo(Campo::Ip, at), reader.campo(Campo::Msg, at)});
    } catch (const RuntimeError &error) {
        qWarning("unreadable poll page (%d): %s", error.number(), qPrintable(page.left(300)));
    }
    return poll;
}

PollPage PollPage::fetch(quint16 port, const QString &page)
{
    return read(ServiceProcess::get(port, '/' + page.toLatin1()).text());
}

QStringList PollPage::messages() const
{
    QStringList texts;
    for (const Record &record : records)
        texts.append(record.message);
    return texts;
}
