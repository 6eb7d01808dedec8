#include "HttpDate.h"

#include <cstdio>
#include <cstring>

void HttpDate::update(std::time_t second)
{
    if (second == m_second)
        return;
    m_second = second;
    std::memcpy(m_text, format(second).constData(), length);
}

QByteArray HttpDate::format(std::time_t second)
{
    // Always in English and in GMT, whatever the locale: not strftime's %a and %b.
    static const char days[][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    gmtime_r(&second, &utc);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[utc.tm_wday],
                                utc.tm_mday, months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                                utc.tm_sec);
    return QByteArray(text, n);
}

void HttpDate::stamp(QByteArray &response, QByteArrayView date)
{
    const qsizetype at = response.indexOf("\r\n") + 2 + qsizetype(sizeof "Date: " - 1);
    std::memcpy(response.data() + at, date.data(), size_t(length));
}
