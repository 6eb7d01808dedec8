#pragma once

#include <QString>

// The run-time's conversions between text and numbers.
class NumericText
{
public:
    // Lenient: the number at the start of the text, blanks anywhere skipped,
    // "&H" and "&O" prefixes accepted; 0 when the text does not start with a number.
    static double leadingValue(QStringView text);
    // Strict: the whole text, blanks around it allowed, must be a number;
    // otherwise RuntimeError(TypeMismatch).
    static double toDouble(const QString &text);
    // A port: rounds half to even, takes -32768..65535 (a negative value as its
    // 16-bit pattern); beyond that throws RuntimeError(Overflow).
    static quint16 toPort(double value);
    // Rounds half to even; outside the type's range throws RuntimeError(Overflow).
    static qint16 toInteger16(double value);
    static qint32 toInteger32(double value);
};
