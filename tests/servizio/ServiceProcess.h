#pragma once

#include "Windows1252.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringList>

// The real ciarla-servizio, started on a free loopback port for one test.
class ServiceProcess
{
public:
    explicit ServiceProcess(const QString &database, const QStringList &options = {});
    ~ServiceProcess();

    bool start(); // false when the program did not say its port
    void discardLog(); // before start(): one log line per request would cost a bench more than the service
    void orphanLog(); // before start(): the log goes to a pipe whose reader has gone, as when a shell pipe ends
    bool stop(); // SIGTERM; true when the service ended cleanly
    void killAbruptly(); // SIGKILL: no chance to tidy up
    quint16 port() const { return m_port; }
    quint16 metricsPort() const { return m_metricsPort; } // with --metrics 127.0.0.1:0; 0 otherwise
    qint64 residentKb() const { return residentKbOf(m_process.processId()); }
    static qint64 residentKbOf(qint64 pid); // from /proc; 0 when unreadable
    qint64 pid() const { return m_process.processId(); }
    QByteArray errorOutput() { return m_process.readAllStandardError(); }
    QByteArray logUntil(const QByteArray &needle); // standard error up to the line holding `needle`

    struct Record
    {
        QString nick, date, address, message;
    };
    struct Reply
    {
        int status = 0; // 0: no answer
        QByteArray body;
        QByteArray head; // status line and headers
        QString text() const { return Windows1252::decode(body); } // as the client reads chat pages
        QList<Record> records() const; // of a poll page, read by the client's own reader
        QStringList messages() const;
        QJsonDocument json() const { return QJsonDocument::fromJson(body); }
        QList<qint64> ids() const; // of the API's {"messages":[…]}
    };
    // One GET of `target` byte for byte on a fresh connection; `headers` are extra lines ending in CR LF.
    Reply get(const QByteArray &target, const QByteArray &headers = {}) const { return get(m_port, target, headers); }
    static Reply get(quint16 port, const QByteArray &target, const QByteArray &headers = {});
    // One request, as given, on a fresh connection, in pieces of `piece` bytes.
    static Reply exchange(quint16 port, const QByteArray &request, int piece = 1 << 20);
    // A message posted to the API: its id, or 0 when it was refused.
    static qint64 post(quint16 port, const QByteArray &room, const QString &nick, const QString &text);
    static Reply postMessage(quint16 port, const QByteArray &room, const QString &nick, const QString &text);
    // The client's put: every character of nick and message as %XX of its Windows-1252 code.
    static QByteArray putTarget(const QString &page, const QString &nick, const QString &message);
    static QByteArray codifica(const QString &text);

private:
    QStringList m_arguments;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_metricsPort = 0;
    bool m_orphanLog = false;
};
