#pragma once

#include <QString>

class QTextDocument;

// Writes a document as RTF a word processor opens with its fonts, sizes, bold,
// italic and paragraph alignment: one group of explicit properties a run, so that
// no run depends on the one before it.
class RtfWriter
{
public:
    static QString write(const QTextDocument &document);
};
