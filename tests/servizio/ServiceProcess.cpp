#include "ServiceProcess.h"

#include "Windows1252.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>

ServiceProcess::ServiceProcess(const QString &database, const QStringList &options)
    : m_database(database)
    , m_options(options)
{
}

ServiceProcess::~ServiceProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            killAbruptly();
    }
}

bool ServiceProcess::start()
{
    m_process.setProgram(QStringLiteral(SERVIZIO_PROGRAM));
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--database"),
                                       m_database}
                           + m_options);
    m_process.start();
    static const QRegularExpression listening(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
    QByteArray said;
    while (!said.contains('\n') && m_process.waitForReadyRead(10000))
        said += m_process.readAllStandardOutput();
    const QRegularExpressionMatch match = listening.match(QString::fromUtf8(said));
    m_port = match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
    return m_port != 0;
}

void ServiceProcess::discardLog()
{
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

void ServiceProcess::killAbruptly()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

qint64 ServiceProcess::residentKb() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return 0;
}

QByteArray ServiceProcess::errorOutput()
{
    return m_process.readAllStandardError();
}

QByteArray ServiceProcess::logUntil(const QByteArray &needle)
{
    m_process.setReadChannel(QProcess::StandardError);
    QByteArray log = m_process.readAllStandardError();
    while (!log.contains(needle) && m_process.waitForReadyRead(10000))
        log += m_process.readAllStandardError();
    const qsizetype at = log.indexOf(needle);
    return at < 0 ? log : log.left(log.indexOf('\n', at) + 1);
}

QString ServiceProcess::Reply::text() const
{
    return Windows1252::decode(body);
}

ServiceProcess::Reply ServiceProcess::get(quint16 port, const QByteArray &target, const QByteArray &headers)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    Reply reply;
    if (!socket.waitForConnected(5000))
        return reply;
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n");
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
        raw += socket.readAll();
    raw += socket.readAll();
    const qsizetype split = raw.indexOf("\r\n\r\n");
    if (!raw.startsWith("HTTP/1.1 ") || split < 0)
        return reply;
    reply.status = raw.mid(9, 3).toInt();
    reply.body = raw.mid(split + 4);
    return reply;
}

QByteArray ServiceProcess::putTarget(const QString &page, const QString &nick, const QString &message)
{
    return '/' + page.toLatin1() + "?NOME=" + codifica(nick) + "&messaggio=" + codifica(message);
}

QByteArray ServiceProcess::codifica(const QString &text)
{
    QByteArray encoded;
    for (const char byte : Windows1252::encode(text))
        encoded += '%' + QByteArray::number(static_cast<unsigned char>(byte), 16).toUpper().rightJustified(2, '0');
    return encoded;
}
