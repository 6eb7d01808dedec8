#pragma once

#include <QString>

// Expands a file made by the platform's "compress" tool (the SZDD format) with
// libmspack; a file in no such format is copied unchanged. The destination is
// replaced only when the whole expansion succeeded.
class LzExpander
{
public:
    static bool expand(const QString &source, const QString &destination);
};
