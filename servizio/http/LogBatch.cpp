#include "LogBatch.h"

#include "RequestLog.h"

#include <chrono>
#include <cstdio>

LogBatch::LogBatch(RequestLog &log)
    : m_log(log)
{
}

void LogBatch::add(const QByteArray &peer, QByteArrayView page, int status, qint64 elapsedNs)
{
    appendTimestamp();
    m_lines += ' ';
    m_lines += peer;
    m_lines += ' ';
    for (const char c : page) {
        if (c > ' ' && c < 0x7f) {
            m_lines += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", unsigned(static_cast<unsigned char>(c)));
            m_lines.append(escaped, 3);
        }
    }
    char tail[64];
    const int n = std::snprintf(tail, sizeof tail, " %d %lld.%03lld ms\n", status, elapsedNs / 1000000,
                                elapsedNs / 1000 % 1000);
    m_lines.append(tail, n);
    ++m_count;
}

void LogBatch::flush()
{
    if (m_count == 0)
        return;
    m_log.submit(m_lines, m_count);
    m_lines.clear();
    m_count = 0;
}

void LogBatch::appendTimestamp()
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
    char text[8];
    m_lines += m_secondText;
    m_lines.append(text, std::snprintf(text, sizeof text, ".%03d", int(millis)));
}
