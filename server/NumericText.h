#pragma once

#include <QString>

// The run-time's conversions between text and numbers that the connection
// settings go through.
class NumericText
{
public:
    // Lenient: the number at the start of the text, blanks anywhere skipped,
    // "&H" and "&O" prefixes accepted; 0 when the text does not start with a number.
    static double leadingValue(const QString &text);
    // Strict: the whole text, blanks around it allowed, must be a number;
    // otherwise RuntimeError(TypeMismatch).
    static double toDouble(const QString &text);
    // Rounds half to even; outside -32768..32767 throws RuntimeError(Overflow).
    static qint16 toInteger16(double value);
};
