#include "TestoNotifica.h"

using namespace Qt::StringLiterals;

namespace {
const QString puntini = u"…"_s;
}

QString TestoNotifica::titolo(const QList<RecordChat> &nuovi)
{
    if (nuovi.size() == 1)
        return u"Nuovo messaggio da "_s + pulito(nuovi.constFirst().nick.trimmed(), MassimoNick, true);
    return u"%1 nuovi messaggi"_s.arg(nuovi.size());
}

QString TestoNotifica::corpo(const QList<RecordChat> &nuovi)
{
    if (nuovi.size() == 1)
        return pulito(nuovi.constFirst().messaggio, MassimoCorpo, false);
    QStringList righe;
    for (const RecordChat &r : nuovi.first(std::min(nuovi.size(), MessaggiCitati)))
        righe.append(pulito(r.nick.trimmed(), MassimoNick, true) + u": "_s + pulito(r.messaggio, MassimoCorpo, true));
    if (nuovi.size() > MessaggiCitati)
        righe.append(puntini);
    return pulito(righe.join(u'\n'), MassimoCorpo, false);
}

QString TestoNotifica::pulito(const QString &testo, qsizetype massimo, bool suUnaRiga)
{
    QString risultato = QString(testo).replace(u"\r\n"_s, u"\n"_s);
    for (QChar &c : risultato) {
        if ((c.category() == QChar::Other_Control && c != u'\n') || (suUnaRiga && c == u'\n'))
            c = u' ';
    }
    if (risultato.size() <= massimo)
        return risultato;
    qsizetype taglio = massimo - puntini.size();
    // Never half a character.
    if (risultato.at(taglio - 1).isHighSurrogate())
        --taglio;
    return risultato.first(taglio) + puntini;
}
