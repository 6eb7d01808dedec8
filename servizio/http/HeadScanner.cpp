#include "HeadScanner.h"

HeadScanner::State HeadScanner::scan(QByteArrayView buffer, const HttpLimits &limits)
{
    if (m_headLength > 0)
        return State::Complete; // its body is still coming
    for (qsizetype i = m_scanned; i < buffer.size(); ++i) {
        if (i >= limits.maxHeadBytes)
            return refuse(m_lines == 0 ? 414 : 431);
        const char c = buffer[i];
        // A NUL or a CR not followed by LF is how requests get smuggled past other parsers.
        if (c == '\0' || (i > 0 && buffer[i - 1] == '\r' && c != '\n'))
            return refuse(400);
        if (c != '\n')
            continue;
        const qsizetype length = i - m_lineStart - (i > m_lineStart && buffer[i - 1] == '\r' ? 1 : 0);
        if (length == 0) {
            if (m_lines == 0)
                return refuse(400);
            m_headLength = i + 1;
            return State::Complete;
        }
        if (++m_lines > limits.maxHeaderLines + 1)
            return refuse(431);
        m_lineStart = i + 1;
    }
    m_scanned = buffer.size();
    // A full allowance without the blank line cannot become a head within it.
    if (m_scanned >= limits.maxHeadBytes)
        return refuse(m_lines == 0 ? 414 : 431);
    return State::Incomplete;
}

HeadScanner::State HeadScanner::refuse(int status)
{
    m_refusal = status;
    return State::Refused;
}
