#include "ServiceProcess.h"

#include "CharacterReferences.h"
#include "RawConnections.h"
#include "RispostaChat.h"
#include "RuntimeError.h"
#include "TestFiles.h"
#include "Windows1252.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

ServiceProcess::ServiceProcess(const QString &database, const QStringList &options)
    : m_arguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--database"), database}
                  + options)
{
}

ServiceProcess::~ServiceProcess()
{
    if (!stop())
        killAbruptly(); // does nothing when it has ended
}

bool ServiceProcess::start()
{
    // A test that crashes must not leave its service listening.
    m_process.setChildProcessModifier([orphan = m_orphanLog] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        int ends[2];
        if (orphan && ::pipe(ends) == 0) {
            ::dup2(ends[1], STDERR_FILENO);
            ::close(ends[0]);
            ::close(ends[1]);
        }
    });
    m_process.start(QStringLiteral(SERVIZIO_PROGRAM), m_arguments);
    QByteArray said;
    while (!said.contains('\n') && m_process.waitForReadyRead(10000))
        said += m_process.readAllStandardOutput();
    static const QRegularExpression listening(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
    static const QRegularExpression metrics(QStringLiteral("metriche su http://127\\.0\\.0\\.1:(\\d+)/"));
    m_port = quint16(listening.match(QString::fromUtf8(said)).captured(1).toUInt());
    m_metricsPort = quint16(metrics.match(QString::fromUtf8(said)).captured(1).toUInt());
    return m_port != 0;
}

void ServiceProcess::discardLog()
{
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

void ServiceProcess::orphanLog()
{
    m_orphanLog = true;
}

bool ServiceProcess::stop()
{
    m_process.terminate();
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

void ServiceProcess::killAbruptly()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

qint64 ServiceProcess::residentKbOf(qint64 pid)
{
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s*(\\d+) kB"));
    const QByteArray status = TestFiles::read(QStringLiteral("/proc/%1/status").arg(pid));
    return rss.match(QString::fromLatin1(status)).captured(1).toLongLong();
}

QByteArray ServiceProcess::logUntil(const QByteArray &needle)
{
    m_process.setReadChannel(QProcess::StandardError);
    QByteArray log = m_process.readAllStandardError();
    while (!log.contains(needle) && m_process.waitForReadyRead(10000))
        log += m_process.readAllStandardError();
    return log.left(log.indexOf('\n', log.indexOf(needle)) + 1);
}

QList<ServiceProcess::Record> ServiceProcess::Reply::records() const
{
    const QString page = text();
    QList<Record> records;
    try {
        RispostaChat reader(page);
        using Campo = RispostaChat::Campo;
        const qint32 count = page.contains(RispostaChat::NessunDato) ? 0 : reader.numero(RispostaChat::NumeroRecord, 0);
        qsizetype at = 0;
        for (qint32 i = 1; i <= count && (at = reader.trovaRecord(i, at)) >= 0; ++i)
            records.append({reader.campo(Campo::Nick, at), reader.campo(Campo::Data, at), reader.campo(Campo::Ip, at),
                            reader.campo(Campo::Msg, at)});
    } catch (const RuntimeError &error) {
        qWarning("unreadable poll page (%d): %s", error.number(), qPrintable(page.left(300)));
    }
    return records;
}

QStringList ServiceProcess::Reply::messages() const
{
    QStringList texts;
    for (const Record &record : records())
        texts.append(record.message);
    return texts;
}

QList<qint64> ServiceProcess::Reply::ids() const
{
    QList<qint64> ids;
    for (const QJsonValue message : json()[QStringLiteral("messages")].toArray())
        ids.append(message[QStringLiteral("id")].toInteger());
    return ids;
}

ServiceProcess::Reply ServiceProcess::get(quint16 port, const QByteArray &target, const QByteArray &headers)
{
    return exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n");
}

ServiceProcess::Reply ServiceProcess::exchange(quint16 port, const QByteArray &request, int piece)
{
    const QByteArray raw = RawConnections::exchange(port, request, piece);
    const qsizetype split = raw.indexOf("\r\n\r\n");
    if (!raw.startsWith("HTTP/1.1 ") || split < 0)
        return {};
    return {raw.mid(9, 3).toInt(), raw.mid(split + 4), raw.left(split)};
}

qint64 ServiceProcess::post(quint16 port, const QByteArray &room, const QString &nick, const QString &text)
{
    const Reply reply = postMessage(port, room, nick, text);
    return reply.status == 201 ? reply.json()[QStringLiteral("id")].toInteger() : 0;
}

ServiceProcess::Reply ServiceProcess::postMessage(quint16 port, const QByteArray &room, const QString &nick,
                                                  const QString &text)
{
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("nick"), nick}, {QStringLiteral("text"), text}})
                                .toJson(QJsonDocument::Compact);
    return exchange(port, "POST /api/v1/rooms/" + room + "/messages HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          "Connection: close\r\nContent-Type: application/json\r\nContent-Length: "
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

QByteArray ServiceProcess::putTarget(const QString &page, const QString &nick, const QString &message)
{
    return '/' + page.toLatin1() + "?NOME=" + codifica(nick) + "&messaggio=" + codifica(message);
}

QByteArray ServiceProcess::codifica(const QString &text)
{
    const QByteArray bytes = Windows1252::encode(CharacterReferences::encode(text));
    return bytes.isEmpty() ? QByteArray() : '%' + bytes.toHex('%').toUpper();
}
