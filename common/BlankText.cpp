#include "BlankText.h"

QString BlankText::trimmed(const QString &testo)
{
    qsizetype inizio = 0;
    qsizetype fine = testo.size();
    while (inizio < fine && testo.at(inizio) == u' ')
        ++inizio;
    while (fine > inizio && testo.at(fine - 1) == u' ')
        --fine;
    return testo.sliced(inizio, fine - inizio);
}
