#pragma once

#include <QString>

class QTextCursor;

// Reads RTF into a document at a cursor: text, paragraphs, line breaks, tabs, fonts,
// sizes, bold, italic and paragraph alignment. Everything else (colours, pictures,
// tables, styles) is skipped, and its text kept where it has any.
class RtfReader
{
public:
    static void read(QStringView rtf, QTextCursor &cursor);
};
