#pragma once

#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// nginx on a free loopback port, from a config generated in a temporary folder around the
// shipped site's proxy snippet, balancing over the given loopback ports. It reaches them from
// 127.0.0.2, so that they can tell it from its clients on 127.0.0.1.
class NginxProxy
{
public:
    ~NginxProxy();

    bool start(const QList<quint16> &upstreams, int workers = 1); // false with the reason in error()
    quint16 port() const { return m_port; }
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
