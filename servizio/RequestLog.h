#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <ctime>

// One line per request on standard error: local time, address, page, status and
// the time taken in milliseconds.
class RequestLog
{
public:
    void write(const QHostAddress &peer, const QString &page, int status, qint64 elapsedNs);

private:
    QByteArray timestamp();

    // Turning the clock into local time costs more than answering a poll, so it
    // is done once a second and the milliseconds appended.
    std::time_t m_second = 0;
    QByteArray m_secondText;
};
