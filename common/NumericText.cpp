#include "NumericText.h"

#include "RuntimeError.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int digitIn(QChar c, int base)
{
    int digit = -1;
    if (c >= u'0' && c <= u'9')
        digit = c.unicode() - u'0';
    else if (const QChar upper = c.toUpper(); upper >= u'A' && upper <= u'F')
        digit = 10 + (upper.unicode() - u'A');
    return digit < base ? digit : -1;
}

struct RadixNumber
{
    double value = 0;
    bool hasDigits = false;
    qsizetype end = 0; // index after the last digit read
};

// "&H1F", "&O17" or "&17". Like the run-time, a value that fits 16 bits reads
// as a 16-bit signed number and one that fits 32 bits as a 32-bit one, so
// "&HFFFF" is -1.
std::optional<RadixNumber> radixNumber(QStringView text)
{
    if (text.size() < 2 || text[0] != u'&')
        return std::nullopt;
    int base = 8;
    qsizetype i = 1;
    if (const QChar prefix = text[1].toUpper(); prefix == u'H' || prefix == u'O') {
        base = prefix == u'H' ? 16 : 8;
        i = 2;
    }
    const qsizetype firstDigit = i;
    quint64 value = 0;
    for (int digit; i < text.size() && (digit = digitIn(text[i], base)) >= 0; ++i) {
        if (value <= std::numeric_limits<quint32>::max())
            value = value * base + quint64(digit);
    }
    RadixNumber number;
    number.end = i;
    number.hasDigits = i > firstDigit;
    if (value <= 0xFFFF)
        number.value = qint16(quint16(value));
    else if (value <= 0xFFFFFFFFu)
        number.value = qint32(quint32(value));
    else
        number.value = double(value);
    return number;
}

// The run-time writes exponents with "D" as well as "E".
double decimalValue(QString number)
{
    number.replace(u'd', u'e').replace(u'D', u'e');
    return number.toDouble();
}

template<typename Integer>
Integer roundedTo(double value)
{
    const double whole = std::nearbyint(value); // the default rounding: half to even
    if (!(whole >= std::numeric_limits<Integer>::min() && whole <= std::numeric_limits<Integer>::max()))
        throw RuntimeError(RuntimeError::Overflow);
    return Integer(whole);
}

const QString decimalPattern = u"[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"_s;
} // namespace

double NumericText::leadingValue(QStringView text)
{
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (!isBlank(c))
            compact += c;
    }
    if (const auto radix = radixNumber(compact))
        return radix->value;

    static const QRegularExpression leadingNumber(u'^' + decimalPattern);
    const QRegularExpressionMatch match = leadingNumber.match(compact);
    return match.hasMatch() ? decimalValue(match.captured(0)) : 0.0;
}

double NumericText::toDouble(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (const auto radix = radixNumber(trimmed)) {
        if (!radix->hasDigits || radix->end != trimmed.size())
            throw RuntimeError(RuntimeError::TypeMismatch);
        return radix->value;
    }
    static const QRegularExpression wholeNumber(u'^' + decimalPattern + u'$');
    if (!wholeNumber.match(trimmed).hasMatch())
        throw RuntimeError(RuntimeError::TypeMismatch);
    const double value = decimalValue(trimmed);
    if (std::isinf(value))
        throw RuntimeError(RuntimeError::Overflow);
    return value;
}

quint16 NumericText::toPort(double value)
{
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded) || rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<quint16>::max())
        throw RuntimeError(RuntimeError::Overflow);
    return quint16(qint32(rounded));
}

qint16 NumericText::toInteger16(double value)
{
    return roundedTo<qint16>(value);
}

qint32 NumericText::toInteger32(double value)
{
    return roundedTo<qint32>(value);
}
