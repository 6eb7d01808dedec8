#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>
#include <QTimer>

// A listening socket whose connections are watched before the HTTP parser reads
// them. A line longer than `maxLine` bytes (a request line or a header) is
// reported and the rest of the connection's input thrown away, so that no client
// makes the service buffer an address without end; a connection silent for
// `idleMs` is closed, so that forgotten ones do not use up the descriptors.
class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    GuardedTcpServer(qsizetype maxLine, qint64 idleMs, QObject *parent = nullptr);

Q_SIGNALS:
    void lineTooLong(QTcpSocket *socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Watch
    {
        qsizetype lineLength = 0; // bytes of the current line seen so far
        qint64 lastHeardMs = 0;
        bool refused = false;
    };

    void inspect(QTcpSocket *socket);
    void closeIdle();

    qsizetype m_maxLine;
    qint64 m_idleMs;
    QElapsedTimer m_clock;
    QTimer m_sweep;
    QHash<QTcpSocket *, Watch> m_watches;
};
