#pragma once

#include <QStringView>

// The run-time's reading of the number a text begins with.
class TextNumber
{
public:
    // Leading blanks skipped, an optional sign, then digits; 0 when the text
    // begins with no number.
    static double leadingValue(QStringView text);
    // Rounds half to even; outside -32768..32767 throws RuntimeError(Overflow).
    static qint16 toInteger16(double value);
    // Outside the 32-bit range throws RuntimeError(Overflow).
    static qint32 toInteger32(double value);
};
