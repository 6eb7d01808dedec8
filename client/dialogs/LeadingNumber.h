#pragma once

#include <QString>

// The number a text begins with, read as leniently as the platform's text to
// number conversion: blanks anywhere are skipped, "&H" and "&O" (or a bare "&")
// introduce hexadecimal and octal numbers, and a text that does not begin with
// a number reads as 0.
class LeadingNumber
{
public:
    static double of(const QString &text);

private:
    static double radixNumber(const QString &digits, int radix);
    static double decimalNumber(const QString &text);
};
