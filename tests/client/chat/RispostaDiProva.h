#pragma once

#include "RecordChat.h"
#include "RispostaChat.h"

#include <QList>

// Chat replies as the service writes them, built from records.
namespace RispostaDiProva {

inline QString campo(const QString &marcatore, const QString &valore)
{
    return marcatore + valore + RispostaChat::FineCampo;
}

inline QString record(qint64 i, const RecordChat &r)
{
    return RispostaChat::tagRecord(i) + u'\n' + campo(QStringLiteral("<!-- NICK -->"), r.nick)
         + campo(QStringLiteral("<!-- DATA -->"), r.data) + campo(QStringLiteral("<!-- IP -->"), r.ip)
         + campo(QStringLiteral("<!-- MSG -->"), r.messaggio) + u'\n';
}

inline QString intestazione(const QString &conteggio)
{
    return QStringLiteral("<html><body>\n") + RispostaChat::InizioDati + u'\n'
         + campo(RispostaChat::NumeroRecord, conteggio) + u'\n';
}

// The records numbered 1, 2, ... in order; the count as given, else theirs.
inline QString risposta(const QList<RecordChat> &records, const QString &conteggio = QString())
{
    QString out = intestazione(conteggio.isNull() ? QString::number(records.size()) : conteggio);
    for (qsizetype i = 0; i < records.size(); ++i)
        out += record(i + 1, records.at(i));
    return out + QStringLiteral("</body></html>");
}

inline QString vuota()
{
    return RispostaChat::InizioDati + RispostaChat::NessunDato;
}

} // namespace RispostaDiProva
