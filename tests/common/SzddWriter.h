#pragma once

#include <QByteArray>

// A small compressor for the SZDD format, independent of the expander under
// test: greedy LZSS over the format's 4096-byte window that starts filled with
// blanks, with overlapping matches and matches into the initial blanks.
class SzddWriter
{
public:
    static QByteArray compress(const QByteArray &data);
};
