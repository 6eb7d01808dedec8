#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>

// A room's event stream read from a socket of its own, its events parsed the way a browser does.
class EventStreamClient
{
public:
    ~EventStreamClient();

    // Asks for `path` from `source`: the answer's head, empty when none came.
    QByteArray open(quint16 port, const QByteArray &path, const QByteArray &lastEventId = {},
                    const char *source = "127.0.0.1", int receiveBuffer = 0);
    // The next event's id, comments skipped, with its data line in `data` and its name (empty for a message) in `name`;
    // 0 on time-out or once the service closed the stream (then closed() holds), or for an event without an id.
    qint64 next(int ms, QByteArray *data = nullptr, QByteArray *name = nullptr);
    bool closed() const { return m_closed; }
    // The ids of the events that come, `count` of them waited for up to `ms` each, then any straggler.
    QList<qint64> ids(qsizetype count, int ms = 10000);

private:
    bool fill(const QDeadlineTimer &deadline); // false on time-out or close

    int m_fd = -1;
    bool m_closed = false;
    QByteArray m_buffer;
};
