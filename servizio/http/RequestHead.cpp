#include "RequestHead.h"

#include <limits>

namespace {
QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c <= ' ' || c >= 0x7f || c == ':' || c == '"' || c == ',' || c == ';')
            return false;
    }
    return true;
}

// Only blanks and tabs surround a field value; any other byte is part of it.
QByteArrayView withoutBlanks(QByteArrayView value)
{
    while (!value.isEmpty() && (value.front() == ' ' || value.front() == '\t'))
        value = value.sliced(1);
    while (!value.isEmpty() && (value.back() == ' ' || value.back() == '\t'))
        value.chop(1);
    return value;
}

bool isDigits(QByteArrayView text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

bool hasToken(QByteArrayView list, QByteArrayView token)
{
    for (qsizetype start = 0; start <= list.size();) {
        const qsizetype comma = list.indexOf(',', start);
        const qsizetype end = comma < 0 ? list.size() : comma;
        if (withoutBlanks(list.sliced(start, end - start)).compare(token, Qt::CaseInsensitive) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Repeated list headers are one list, in order (RFC 9110, 5.3).
void appendToList(QByteArray &list, QByteArrayView value)
{
    if (!list.isEmpty())
        list += ',';
    list += value;
}
} // namespace

RequestHead RequestHead::parse(QByteArrayView head, const HttpLimits &limits)
{
    RequestHead request;
    qsizetype end = head.indexOf('\n');
    Seen seen;
    bool http11 = false;
    bool valid = request.parseRequestLine(withoutCr(head.first(end)), &http11);
    for (qsizetype start = end + 1; valid && (end = head.indexOf('\n', start)) >= 0; start = end + 1) {
        const QByteArrayView line = withoutCr(head.sliced(start, end - start));
        if (line.isEmpty())
            break;
        valid = request.parseHeader(line, &seen);
    }
    // Exactly one Host, well formed; only HTTP/1.0 may leave it out.
    valid = valid && seen.hosts <= 1 && (seen.hosts == 1 || !http11);
    // A body framed two ways is the classic smuggling trick; no page here takes a chunked body anyway.
    if (!valid || seen.chunked)
        request.refusal = 400;
    else if (request.contentLength > limits.maxBodyBytes)
        request.refusal = 413;
    return request;
}

bool RequestHead::parseRequestLine(QByteArrayView line, bool *http11)
{
    const qsizetype first = line.indexOf(' ');
    const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
    if (second < 0 || line.indexOf(' ', second + 1) >= 0)
        return false;
    method = line.first(first);
    const QByteArrayView version = line.sliced(second + 1);
    target = RequestTarget::parse(line.sliced(first + 1, second - first - 1));
    isGet = method == "GET";
    isHead = method == "HEAD";
    // HTTP/1.0 gets its answer and the connection closed: no keep-alive for it.
    *http11 = keepAlive = version == "HTTP/1.1";
    return isToken(method) && target.isValid() && (keepAlive || version == "HTTP/1.0");
}

bool RequestHead::parseHeader(QByteArrayView line, Seen *seen)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || !isToken(line.first(colon)))
        return false;
    const QByteArrayView name = line.first(colon);
    const QByteArrayView value = withoutBlanks(line.sliced(colon + 1));
    if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
        seen->chunked = true;
    } else if (name.compare("Host", Qt::CaseInsensitive) == 0) {
        ++seen->hosts;
        return RequestTarget::isAuthority(value);
    } else if (name.compare("X-Forwarded-For", Qt::CaseInsensitive) == 0) {
        appendToList(forwardedFor, value);
    } else if (name.compare("If-None-Match", Qt::CaseInsensitive) == 0) {
        appendToList(ifNoneMatch, value);
    } else if (name.compare("Content-Type", Qt::CaseInsensitive) == 0) {
        contentType = value;
    } else if (name.compare("Last-Event-ID", Qt::CaseInsensitive) == 0) {
        lastEventId = value;
    } else if (name.compare("Connection", Qt::CaseInsensitive) == 0) {
        keepAlive = keepAlive && !hasToken(value, "close");
    } else if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
        if (!isDigits(value) || (seen->length && value.toLongLong() != contentLength))
            return false;
        // More digits than a qint64 holds is simply too large.
        contentLength = value.size() > 18 ? std::numeric_limits<qint64>::max() : value.toLongLong();
        seen->length = true;
    }
    return true;
}
