#pragma once

#include <QString>

// Turns a stored text into the value of one field of a poll page. The client
// undoes exactly these steps, so every text comes back as it was typed, except
// a typed "&lt;", which the client reads as "<". Characters beyond Windows-1252
// are written as numeric references (see CharacterReferences).
class ChatMarkup
{
public:
    static QString encodeField(const QString &text);

    static const QString smile;  // what ":)" becomes
    static const QString frown;  // what ":(" becomes
};
