#pragma once

#include <QString>

// Text in a single-byte Windows-1252 form or page keeps every character: one the
// code page cannot hold is written as a decimal numeric reference ("&#1055;"), as
// browsers send forms in such a charset. A reference stands only for a character
// outside the code page, so a typed "&#233;" or "&#" stays plain text. An "&" that
// would still read as the start of a reference ("&#1055;" or "&amp;#1055;" typed
// as such) gets one "amp;" more, which decode() takes away again: decode(encode(t))
// is t for every text.
class CharacterReferences
{
public:
    static QString encode(const QString &text);
    static QString decode(const QString &text);

private:
    // The length of "(amp;)*" at from, and the code point of the reference after it
    // (0 when there is none that decode() would turn into a character).
    struct Reference
    {
        qsizetype escapes = 0;
        char32_t codePoint = 0;
        qsizetype end = 0;
    };
    static Reference referenceAt(const QString &text, qsizetype from);
};
