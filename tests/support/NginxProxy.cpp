#include "NginxProxy.h"

#include "TestHttpServer.h"

#include <QFile>
#include <QTcpSocket>
#include <QThread>

NginxProxy::~NginxProxy()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool NginxProxy::start(const QList<quint16> &upstreams, int workers)
{
    m_port = TestHttpServer::closedPort();
    QFile file(m_dir.filePath(QStringLiteral("nginx.conf")));
    if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(config(upstreams, workers).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write the nginx config in %1").arg(m_dir.path());
        return false;
    }
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("nginx"), {QStringLiteral("-p"), m_dir.path(), QStringLiteral("-e"),
                                              m_dir.filePath(QStringLiteral("error.log")), QStringLiteral("-c"),
                                              file.fileName()});
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("nginx did not start: ") + m_process.errorString();
        return false;
    }
    // Ready once it answers on its port.
    for (int attempt = 0; attempt < 100 && m_process.state() == QProcess::Running; ++attempt) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
        if (probe.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    QFile log(m_dir.filePath(QStringLiteral("error.log")));
    m_error = QStringLiteral("nginx is not listening: ") + QString::fromUtf8(m_process.readAll())
        + (log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(2000)) : QString());
    return false;
}

QString NginxProxy::config(const QList<quint16> &upstreams, int workers) const
{
    QString servers;
    for (const quint16 upstream : upstreams)
        servers += QStringLiteral("    server 127.0.0.1:%1;\n").arg(upstream);
    const QString dir = m_dir.path();
    return QStringLiteral("daemon off;\nworker_processes %1;\npid %2/nginx.pid;\nerror_log %2/error.log;\n"
                          "events { worker_connections 4096; }\n"
                          "http {\n  access_log off;\n"
                          "  client_body_temp_path %2/body;\n  proxy_temp_path %2/proxy;\n"
                          "  fastcgi_temp_path %2/fastcgi;\n  uwsgi_temp_path %2/uwsgi;\n  scgi_temp_path %2/scgi;\n"
                          "  upstream servizio {\n%3    keepalive 64;\n  }\n"
                          "  server {\n    listen 127.0.0.1:%4;\n    location / {\n"
                          "      proxy_pass http://servizio;\n      proxy_http_version 1.1;\n"
                          "      proxy_set_header Connection \"\";\n      proxy_bind 127.0.0.2;\n"
                          "      proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for;\n"
                          "    }\n  }\n}\n")
        .arg(workers)
        .arg(dir, servers)
        .arg(m_port);
}
