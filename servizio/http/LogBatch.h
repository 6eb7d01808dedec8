#pragma once

#include <QByteArray>
#include <ctime>

class RequestLog;

// One event loop's log lines since its last turn, handed to the log in one go:
// local time, address, page, status and the time taken in milliseconds.
class LogBatch
{
public:
    explicit LogBatch(RequestLog &log);

    // `page` is written with its bytes outside printable ASCII escaped, so no client can break a line.
    void add(const QByteArray &peer, QByteArrayView page, int status, qint64 elapsedNs);
    void flush();

private:
    void appendTimestamp();

    RequestLog &m_log;
    QByteArray m_lines;
    qsizetype m_count = 0;
    // Turning the clock into local time costs more than answering a poll, so it
    // is done once a second and the milliseconds appended.
    std::time_t m_second = 0;
    QByteArray m_secondText;
};
