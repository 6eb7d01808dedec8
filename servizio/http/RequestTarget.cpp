#include "RequestTarget.h"

#include <QtCore/qbytearrayalgorithms.h>

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        return (c | 0x20) - 'a' + 10;
    return -1;
}

// The escape starting at `at`, or -1 when there are not two hex digits after its "%".
int escapeAt(QByteArrayView text, qsizetype at)
{
    if (at + 2 >= text.size())
        return -1;
    const int high = hexValue(text[at + 1]), low = hexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && qstrnicmp(text.data(), prefix.size(), prefix.data(), prefix.size()) == 0;
}

// A segment decoded but for "%2F" and "%25"; false on a bad escape.
bool decodeSegment(QByteArrayView segment, QByteArray *out)
{
    for (qsizetype i = 0; i < segment.size(); ++i) {
        if (segment[i] != '%') {
            out->append(segment[i]);
            continue;
        }
        const int byte = escapeAt(segment, i);
        if (byte < 0)
            return false;
        if (byte == '/' || byte == '%')
            out->append(byte == '/' ? "%2F" : "%25");
        else
            out->append(char(byte));
        i += 2;
    }
    return true;
}

bool isHostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || QByteArrayView("-._~%!$&'()*+,;=").contains(c);
}
} // namespace

RequestTarget RequestTarget::parse(QByteArrayView target)
{
    RequestTarget result;
    QByteArrayView rest = target;
    for (const char c : target) {
        if (c <= ' ' || c >= 0x7f || c == '#')
            return result;
    }
    if (!rest.startsWith('/')) {
        // The absolute form, as a proxy sends it: the host is not ours to judge beyond its syntax.
        const QByteArrayView scheme = startsWithNoCase(rest, "http://") ? "http://"
            : startsWithNoCase(rest, "https://")                         ? "https://"
                                                                         : "";
        rest = rest.sliced(scheme.size());
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '/' && rest[end] != '?')
            ++end;
        const QByteArrayView authority = rest.first(end);
        if (scheme.isEmpty() || authority.isEmpty() || authority.startsWith(':') || !isAuthority(authority))
            return result;
        rest = rest.sliced(end);
    }
    const qsizetype mark = rest.indexOf('?');
    result.readQuery(mark < 0 ? QByteArrayView() : rest.sliced(mark + 1));
    result.m_valid = result.readPath(mark < 0 ? rest : rest.first(mark));
    return result;
}

bool RequestTarget::isAuthority(QByteArrayView text)
{
    qsizetype hostEnd = text.indexOf(':');
    if (text.startsWith('[')) {
        // An IP literal: the address itself is for whoever resolves it.
        hostEnd = text.indexOf(']') + 1;
        if (hostEnd == 0)
            return false;
        for (const char c : text.sliced(1, hostEnd - 2)) {
            if (hexValue(c) < 0 && c != ':' && c != '.')
                return false;
        }
    } else {
        hostEnd = hostEnd < 0 ? text.size() : hostEnd;
        for (const char c : text.first(hostEnd)) {
            if (!isHostCharacter(c))
                return false;
        }
    }
    const QByteArrayView port = text.sliced(hostEnd);
    if (port.isEmpty())
        return true;
    if (port[0] != ':')
        return false;
    for (const char c : port.sliced(1)) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool RequestTarget::readPath(QByteArrayView raw)
{
    if (raw.isEmpty()) {
        m_path = "/"; // "http://host" and "http://host?query"
        return true;
    }
    if (!raw.contains('%') && !raw.contains("/.")) {
        m_path = raw; // nearly every request: nothing to rewrite
        return true;
    }
    m_rewrote = true;
    m_rewritten.reserve(raw.size());
    for (qsizetype start = 1; start <= raw.size();) {
        const qsizetype slash = raw.indexOf('/', start);
        const qsizetype end = slash < 0 ? raw.size() : slash;
        const qsizetype before = m_rewritten.size();
        m_rewritten.append('/');
        if (!decodeSegment(raw.sliced(start, end - start), &m_rewritten))
            return false;
        const QByteArrayView segment = QByteArrayView(m_rewritten).sliced(before + 1);
        const int dots = segment == "." ? 1 : segment == ".." ? 2 : 0;
        if (dots > 0) {
            m_rewritten.truncate(before);
            if (dots == 2 && m_rewritten.isEmpty())
                return false; // above the root
            if (dots == 2)
                m_rewritten.truncate(m_rewritten.lastIndexOf('/'));
            if (end == raw.size())
                m_rewritten.append('/'); // "/a/.." is the folder "/", not the page "/a"
        }
        start = end + 1;
    }
    return true;
}

void RequestTarget::readQuery(QByteArrayView raw)
{
    m_query = raw;
    for (qsizetype i = raw.indexOf('%'); i >= 0; i = raw.indexOf('%', i + 1)) {
        if (escapeAt(raw, i) < 0) {
            m_tolerantQuery = raw.toByteArray().replace("%", "%25");
            return;
        }
    }
}
