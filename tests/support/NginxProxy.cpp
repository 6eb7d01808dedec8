#include "NginxProxy.h"

#include "TestFiles.h"
#include "TestHttpServer.h"

#include <QTcpSocket>
#include <QThread>

namespace {
// The site's own proxying, from deploy/; only where it listens and whom it reaches are the test's.
const char config[] = R"(daemon off; worker_processes %1; pid %2/nginx.pid; error_log %2/error.log;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path %2/body; proxy_temp_path %2/proxy;
  fastcgi_temp_path %2/fastcgi; uwsgi_temp_path %2/uwsgi; scgi_temp_path %2/scgi;
  upstream ciarla_servizio { %3 keepalive 64; }
  server {
    listen 127.0.0.1:%4;
    proxy_bind 127.0.0.2;
    include %5;
  }
})";
}

NginxProxy::~NginxProxy()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

bool NginxProxy::start(const QList<quint16> &upstreams, int workers)
{
    QString servers;
    for (const quint16 upstream : upstreams)
        servers += QStringLiteral("server 127.0.0.1:%1; ").arg(upstream);
    m_port = TestHttpServer::closedPort();
    const QString file = m_dir.filePath(QStringLiteral("nginx.conf"));
    if (!TestFiles::write(file, QString::fromLatin1(config)
                                       .arg(workers)
                                       .arg(m_dir.path(), servers)
                                       .arg(m_port)
                                       .arg(QStringLiteral(CIARLA_NGINX_SNIPPET))
                                       .toUtf8())) {
        m_error = QStringLiteral("cannot write the nginx config in %1").arg(m_dir.path());
        return false;
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("nginx"), {QStringLiteral("-p"), m_dir.path(), QStringLiteral("-e"),
                                              m_dir.filePath(QStringLiteral("error.log")), QStringLiteral("-c"),
                                              file});
    for (int attempt = 0; attempt < 100 && m_process.waitForStarted(5000); ++attempt) { // ready once it answers
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
        if (probe.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("nginx is not listening (%1): ").arg(m_process.errorString())
        + QString::fromUtf8(m_process.readAll() + TestFiles::read(m_dir.filePath(QStringLiteral("error.log"))).right(2000));
    return false;
}
