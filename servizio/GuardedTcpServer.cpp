#include "GuardedTcpServer.h"

#include <QList>
#include <QPointer>
#include <QTcpSocket>

GuardedTcpServer::GuardedTcpServer(qsizetype maxLine, qint64 idleMs, QObject *parent)
    : QTcpServer(parent)
    , m_maxLine(maxLine)
    , m_idleMs(idleMs)
{
    m_clock.start();
    m_sweep.setInterval(1000);
    connect(&m_sweep, &QTimer::timeout, this, &GuardedTcpServer::closeIdle);
    m_sweep.start();
}

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    m_watches.insert(socket, Watch{0, m_clock.elapsed(), false});
    // Connected before the HTTP server sees the socket, so this runs before its parser reads.
    connect(socket, &QIODevice::readyRead, this, [this, socket] { inspect(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_watches.remove(socket); });
    addPendingConnection(socket);
}

void GuardedTcpServer::inspect(QTcpSocket *socket)
{
    Watch &watch = m_watches[socket];
    watch.lastHeardMs = m_clock.elapsed();
    if (watch.refused) {
        socket->readAll();
        return;
    }
    const QByteArray pending = socket->peek(socket->bytesAvailable());
    for (const char c : pending) {
        watch.lineLength = c == '\n' ? 0 : watch.lineLength + 1;
        // The line's own CR LF does not count.
        if (watch.lineLength > m_maxLine + 1) {
            watch.refused = true;
            socket->readAll();
            Q_EMIT lineTooLong(socket);
            return;
        }
    }
}

void GuardedTcpServer::closeIdle()
{
    // Collected first: closing a socket may delete it, and with it its watch.
    const qint64 now = m_clock.elapsed();
    QList<QPointer<QTcpSocket>> idle;
    for (auto it = m_watches.cbegin(); it != m_watches.cend(); ++it) {
        // An answer still being written counts as activity.
        if (now - it->lastHeardMs > m_idleMs && it.key()->bytesToWrite() == 0)
            idle.append(it.key());
    }
    for (const QPointer<QTcpSocket> &socket : idle) {
        if (socket)
            socket->disconnectFromHost();
    }
}
