#pragma once

#include "HttpLimits.h"

#include <QByteArray>
#include <QHash>

// The short Italian pages that answer a request broken or beyond a limit, each
// ready on the wire with "Connection: close": the connection ends after it.
// Their Date is the start's: whoever sends one stamps it (HttpDate::stamp).
class RefusalPages
{
public:
    explicit RefusalPages(const HttpLimits &limits);

    // 400, 408, 413, 414, 431 or 503.
    const QByteArray &page(int status) const { return *m_pages.find(status); }

private:
    void add(int status, const QString &title, const QString &reason);

    QHash<int, QByteArray> m_pages;
};
