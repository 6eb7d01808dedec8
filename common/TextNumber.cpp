#include "TextNumber.h"

#include "RuntimeError.h"

#include <cmath>
#include <limits>

namespace {
template<typename Integer>
Integer rounded(double value)
{
    const double whole = std::nearbyint(value); // the default rounding: half to even
    if (!(whole >= std::numeric_limits<Integer>::min() && whole <= std::numeric_limits<Integer>::max()))
        throw RuntimeError(RuntimeError::Overflow);
    return Integer(whole);
}
} // namespace

double TextNumber::leadingValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    double sign = 1;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        sign = text.at(i) == u'-' ? -1 : 1;
        ++i;
    }
    double value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = value * 10 + text.at(i).digitValue();
    return sign * value;
}

qint16 TextNumber::toInteger16(double value)
{
    return rounded<qint16>(value);
}

qint32 TextNumber::toInteger32(double value)
{
    return rounded<qint32>(value);
}
