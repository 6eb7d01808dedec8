#include "RequestLog.h"

#include <chrono>
#include <cstdio>

void RequestLog::write(const QHostAddress &peer, const QString &page, int status, qint64 elapsedNs)
{
    const QByteArray line = timestamp() + ' ' + peer.toString().toLatin1() + ' ' + page.toUtf8() + ' '
        + QByteArray::number(status) + ' ' + QByteArray::number(double(elapsedNs) / 1e6, 'f', 3) + " ms\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

QByteArray RequestLog::timestamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t second = system_clock::to_time_t(now);
    if (second != m_second || m_secondText.isEmpty()) {
        std::tm local{};
        localtime_r(&second, &local);
        char text[32];
        m_secondText = QByteArray(text, qsizetype(std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local)));
        m_second = second;
    }
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return m_secondText + '.' + QByteArray::number(millis).rightJustified(3, '0');
}
