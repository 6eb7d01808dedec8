#pragma once

#include <QDateTime>
#include <functional>

// The local date and time that waits measure against. Tests put a source in its
// place to drive a wait across midnight without waiting for one.
class SystemClock
{
public:
    using Source = std::function<QDateTime()>;

    static QDateTime now();

    // Replaces the source; an empty source restores the real clock. Returns the old one.
    static Source setSource(Source source);
};
