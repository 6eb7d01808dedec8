#include "LeadingNumber.h"

#include <QLocale>

double LeadingNumber::of(const QString &text)
{
    QString compact;
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact += c;
    }
    if (compact.startsWith(u"&h", Qt::CaseInsensitive))
        return radixNumber(compact.mid(2), 16);
    if (compact.startsWith(u"&o", Qt::CaseInsensitive))
        return radixNumber(compact.mid(2), 8);
    if (compact.startsWith(u'&'))
        return radixNumber(compact.mid(1), 8);
    return decimalNumber(compact);
}

double LeadingNumber::radixNumber(const QString &digits, int radix)
{
    double value = 0;
    for (const QChar c : digits) {
        const char16_t lower = c.toLower().unicode();
        const int digit = (lower >= u'0' && lower <= u'9') ? lower - u'0'
                          : (lower >= u'a' && lower <= u'f') ? lower - u'a' + 10
                                                               : radix;
        if (digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

double LeadingNumber::decimalNumber(const QString &text)
{
    // The longest beginning that forms sign, digits, point, digits, exponent.
    const auto digitsFrom = [&text](qsizetype i) {
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i;
    };
    const auto isOneOf = [&text](qsizetype i, QStringView set) { return i < text.size() && set.contains(text[i]); };

    qsizetype end = isOneOf(0, u"+-") ? 1 : 0;
    const qsizetype signEnd = end;
    end = digitsFrom(end);
    qsizetype digits = end - signEnd;
    if (isOneOf(end, u".")) {
        const qsizetype fractionEnd = digitsFrom(end + 1);
        digits += fractionEnd - end - 1;
        end = fractionEnd;
    }
    if (digits == 0)
        return 0;
    if (isOneOf(end, u"eEdD")) {
        const qsizetype exponentStart = isOneOf(end + 1, u"+-") ? end + 2 : end + 1;
        const qsizetype exponentEnd = digitsFrom(exponentStart);
        if (exponentEnd > exponentStart)
            end = exponentEnd;
    }
    QString number = text.left(end);
    number.replace(u'd', u'e').replace(u'D', u'e');
    return QLocale::c().toDouble(number);
}
