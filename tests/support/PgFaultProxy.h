#pragma once

#include <QString>
#include <atomic>
#include <thread>
#include <vector>

// A relay on a free loopback port between the service and PostgreSQL that fails the
// next session to send COMMIT after arm(): the COMMIT is passed on or not, then the
// session is dropped or held, so that the server's answer never reaches the service.
// A held session stays open on both sides, so the server keeps its transaction.
class PgFaultProxy
{
public:
    explicit PgFaultProxy(quint16 serverPort);
    ~PgFaultProxy();

    bool start(); // false when no port could be had
    // libpq's address of the server through the relay, in plain protocol.
    QString uri() const;
    void arm(bool commitPasses, bool drops);
    bool struck() const { return m_struck; }

private:
    struct Session
    {
        int client, server;
        QByteArray fromClient;
        bool started = false;
        bool committing = false; // COMMIT passed on: the next bytes from the server are its answer
        bool held = false;
    };
    void run();
    void relay(Session &session, bool fromClient);
    bool forward(Session &session); // false: the session must end

    quint16 m_serverPort, m_port = 0;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::vector<Session> m_sessions;
    std::atomic<bool> m_armed{false}, m_struck{false}, m_stopping{false};
    bool m_commitPasses = false, m_drops = false;
    std::thread m_thread;
};
