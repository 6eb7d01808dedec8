#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <ctime>

// The Date header's value ("Sun, 06 Nov 1994 08:49:37 GMT"), formatted once a
// second: an event loop's answers all take the one it holds.
class HttpDate
{
public:
    static constexpr qsizetype length = 29;

    // Formats anew only when `second` is not the one held.
    void update(std::time_t second);
    std::time_t second() const { return m_second; }
    QByteArrayView text() const { return {m_text, length}; }

    static QByteArray format(std::time_t second);
    // `response` starts with its status line and its Date header: the date becomes `date`.
    static void stamp(QByteArray &response, QByteArrayView date);

private:
    std::time_t m_second = -1;
    char m_text[length + 1] = {};
};
