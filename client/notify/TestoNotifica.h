#pragma once

#include "RecordChat.h"

#include <QList>
#include <QString>

// The texts of the notification for the news of one reply, plain and short
// whatever the authors wrote: control characters become blanks and every text
// is cut to its bound.
class TestoNotifica
{
public:
    static constexpr qsizetype MassimoCorpo = 200;
    static constexpr qsizetype MassimoNick = 40;
    // How many of several messages the body quotes.
    static constexpr qsizetype MessaggiCitati = 3;

    // "Nuovo messaggio da <nickname>", or "N nuovi messaggi" for several.
    static QString titolo(const QList<RecordChat> &nuovi);
    // The start of the text; for several, one line per author quoted first.
    static QString corpo(const QList<RecordChat> &nuovi);

private:
    static QString pulito(const QString &testo, qsizetype massimo, bool suUnaRiga);
};
