#include "LineLimitedTcpServer.h"

#include <QTcpSocket>
#include <memory>

LineLimitedTcpServer::LineLimitedTcpServer(qsizetype maxLine, QObject *parent)
    : QTcpServer(parent)
    , m_maxLine(maxLine)
{
}

void LineLimitedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Connected before the HTTP server sees the socket, so this runs before its parser reads.
    watch(socket);
    addPendingConnection(socket);
}

void LineLimitedTcpServer::watch(QTcpSocket *socket)
{
    struct State
    {
        qsizetype lineLength = 0; // bytes of the current line seen so far
        bool refused = false;
    };
    auto state = std::make_shared<State>();
    connect(socket, &QIODevice::readyRead, this, [this, socket, state] {
        if (state->refused) {
            socket->readAll();
            return;
        }
        const QByteArray pending = socket->peek(socket->bytesAvailable());
        for (const char c : pending) {
            state->lineLength = c == '\n' ? 0 : state->lineLength + 1;
            // The line's own CR LF does not count.
            if (state->lineLength > m_maxLine + 1) {
                state->refused = true;
                socket->readAll();
                Q_EMIT lineTooLong(socket);
                return;
            }
        }
    });
}
