#pragma once

#include <QTcpServer>

// A listening socket whose connections are watched before the HTTP parser reads
// them: a line longer than `maxLine` bytes (a request line or a header) is
// reported and the rest of the connection's input thrown away, so that no
// client makes the service buffer an address without end.
class LineLimitedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    LineLimitedTcpServer(qsizetype maxLine, QObject *parent = nullptr);

Q_SIGNALS:
    void lineTooLong(QTcpSocket *socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void watch(QTcpSocket *socket);

    qsizetype m_maxLine;
};
