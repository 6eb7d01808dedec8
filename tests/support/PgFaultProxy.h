#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A relay on a free loopback port between the service and PostgreSQL that fails the
// next session to send COMMIT after arm(): the COMMIT is passed on or not, then the
// session is dropped, or held so that its transaction stays open on the server and the
// server's answer never reaches the service. libpq sends each query in one piece.
class PgFaultProxy
{
public:
    explicit PgFaultProxy(quint16 serverPort) : m_serverPort(serverPort) {}
    ~PgFaultProxy();

    bool start(); // false when no port could be had
    QString uri() const; // libpq's address of the server through the relay
    void arm(bool commitPasses, bool drops);
    bool struck() const { return m_struck; }

private:
    void pump(int from, int to, bool fromClient, std::shared_ptr<std::atomic<bool>> committed);
    void strike(int from, int to);

    const quint16 m_serverPort;
    quint16 m_port = 0;
    int m_listener = -1;
    std::thread m_acceptor;
    std::atomic<bool> m_armed{false}, m_struck{false}, m_commitPasses{false}, m_drops{false};
    std::mutex m_mutex; // guards what follows
    std::vector<int> m_sockets;
    std::vector<std::thread> m_threads;
};
