#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The real ciarla-servizio, started on a free loopback port for one test.
class ServiceProcess
{
public:
    explicit ServiceProcess(const QString &database, const QStringList &options = {});
    ~ServiceProcess();

    bool start();         // false when the program did not say its port
    void discardLog();    // before start(): one line per request would cost a bench more than the service
    void killAbruptly();  // SIGKILL: no chance to tidy up
    quint16 port() const { return m_port; }
    // The process's resident memory from /proc, in KB; 0 when unreadable.
    qint64 residentKb() const;
    QByteArray errorOutput();
    // Standard error up to the first line that contains `needle`.
    QByteArray logUntil(const QByteArray &needle);

    struct Reply
    {
        int status = 0;  // 0: no answer
        QByteArray body;
        QString text() const; // the body read as Windows-1252, as the client reads chat pages
    };
    // One GET of `target` exactly as given, byte for byte, on a fresh connection;
    // `headers` are extra lines, each ending in CR LF.
    Reply get(const QByteArray &target, const QByteArray &headers = {}) const { return get(m_port, target, headers); }
    static Reply get(quint16 port, const QByteArray &target, const QByteArray &headers = {});
    // The client's put: every character of nick and message as %XX of its Windows-1252 code.
    Reply put(const QString &page, const QString &nick, const QString &message) const
    {
        return get(putTarget(page, nick, message));
    }
    static QByteArray putTarget(const QString &page, const QString &nick, const QString &message);
    static QByteArray codifica(const QString &text);

private:
    QString m_database;
    QStringList m_options;
    QProcess m_process;
    quint16 m_port = 0;
};
