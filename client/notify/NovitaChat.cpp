#include "NovitaChat.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
// The field is typed with bare line feeds and comes back with CR LF.
QString confrontabile(const QString &testo)
{
    static const QRegularExpression aCapo(u"\r\n|\r"_s);
    return QString(testo).replace(aCapo, u"\n"_s);
}

} // namespace

void NovitaChat::messaggioInviato(const QString &nick, const QString &testo)
{
    m_inviato = RecordChat{nick.trimmed(), {}, {}, confrontabile(testo)};
}

QList<RecordChat> NovitaChat::nuovi(const QList<RecordChat> &record)
{
    if (!m_precedenti) {
        m_precedenti = record;
        return {};
    }
    QList<RecordChat> risultato = record.sliced(sovrapposizione(*m_precedenti, record));
    m_precedenti = record;
    togliInviato(risultato);
    return risultato;
}

// The length of the longest end of `prima` that is also the start of `dopo`:
// prefix-function matching of `dopo` over `prima`, linear in both.
qsizetype NovitaChat::sovrapposizione(const QList<RecordChat> &prima, const QList<RecordChat> &dopo)
{
    if (dopo.isEmpty())
        return 0;
    QList<qsizetype> bordo(dopo.size(), 0);
    for (qsizetype i = 1, k = 0; i < dopo.size(); ++i) {
        while (k > 0 && dopo.at(i) != dopo.at(k))
            k = bordo.at(k - 1);
        if (dopo.at(i) == dopo.at(k))
            ++k;
        bordo[i] = k;
    }
    qsizetype k = 0;
    for (const RecordChat &r : prima) {
        while (k > 0 && (k == dopo.size() || r != dopo.at(k)))
            k = bordo.at(k - 1);
        if (r == dopo.at(k))
            ++k;
    }
    return k;
}

void NovitaChat::togliInviato(QList<RecordChat> &nuovi)
{
    if (!m_inviato)
        return;
    for (qsizetype i = 0; i < nuovi.size(); ++i) {
        const RecordChat &r = nuovi.at(i);
        if (r.nick.trimmed() == m_inviato->nick && confrontabile(r.messaggio) == m_inviato->messaggio) {
            nuovi.removeAt(i);
            m_inviato.reset();
            return;
        }
    }
}
