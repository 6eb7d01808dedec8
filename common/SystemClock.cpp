#include "SystemClock.h"

namespace {
SystemClock::Source &currentSource()
{
    static SystemClock::Source source;
    return source;
}
} // namespace

QDateTime SystemClock::now()
{
    const Source &source = currentSource();
    return source ? source() : QDateTime::currentDateTime();
}

SystemClock::Source SystemClock::setSource(Source source)
{
    return std::exchange(currentSource(), std::move(source));
}
