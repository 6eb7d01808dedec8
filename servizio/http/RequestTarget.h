#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Where a request line points: its path and its query. The target is an origin
// form ("/path?query") or an absolute form ("http://host/path?query", the host
// checked and then ignored). The path is read segment by segment: "." and ".."
// segments are resolved, and every escape is decoded but "%2F" and "%25", which
// stay as they are so that a decoded "/" never splits or joins segments. Empty
// segments stay: "//x/page" is the path it says, never a host and a page.
class RequestTarget
{
public:
    // Invalid for any other form, a "#", a bad escape in the path, or a ".." above the root.
    static RequestTarget parse(QByteArrayView target);
    // A Host value or an absolute form's authority: host, then an optional port.
    static bool isAuthority(QByteArrayView text);

    bool isValid() const { return m_valid; }
    QByteArrayView path() const { return m_rewrote ? QByteArrayView(m_rewritten) : m_path; }
    // Still encoded, as received; one "%" without two hex digits after it makes
    // every "%" of the query a plain percent sign. Empty without "?".
    QByteArrayView query() const { return m_tolerantQuery.isNull() ? m_query : QByteArrayView(m_tolerantQuery); }

private:
    bool readPath(QByteArrayView raw);
    void readQuery(QByteArrayView raw);

    bool m_valid = false;
    bool m_rewrote = false;
    QByteArrayView m_path;
    QByteArrayView m_query;
    QByteArray m_rewritten;     // the path, when it had escapes or dot segments
    QByteArray m_tolerantQuery; // the query, when it had a stray "%"
};
