#pragma once

#include <QString>

// Blanks in the run-time's sense: the character 32 only. Tabs and line breaks
// around a text belong to it.
class BlankText
{
public:
    static QString trimmed(const QString &testo);
};
