#include "Wrk.h"

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>

namespace {
double milliseconds(const QString &value, const QString &unit)
{
    const double v = value.toDouble();
    return unit == u"us" ? v / 1000 : unit == u"s" ? v * 1000 : v;
}

qint64 count(const QString &out, const QRegularExpression &pattern)
{
    qint64 total = 0;
    for (auto it = pattern.globalMatch(out); it.hasNext();)
        total += it.next().captured(1).toLongLong();
    return total;
}
} // namespace

std::optional<Wrk> Wrk::run(const QString &url, int connections, int seconds)
{
    QProcess wrk;
    wrk.start(QStringLiteral("wrk"), {QStringLiteral("-t2"), QStringLiteral("-c%1").arg(connections),
                                      QStringLiteral("-d%1s").arg(seconds), QStringLiteral("--latency"), url});
    QEventLoop loop;
    QObject::connect(&wrk, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&wrk, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    loop.exec();
    const QString out = QString::fromUtf8(wrk.readAllStandardOutput());
    static const QRegularExpression rate(QStringLiteral("Requests/sec:\\s+([0-9.]+)"));
    static const QRegularExpression p99(QStringLiteral("\\s99%\\s+([0-9.]+)(us|ms|s)"));
    static const QRegularExpression non2xx(QStringLiteral("Non-2xx or 3xx responses:\\s+(\\d+)"));
    static const QRegularExpression socketErrors(QStringLiteral("(?:connect|read|write|timeout) (\\d+)"));
    const auto rateMatch = rate.match(out);
    const auto p99Match = p99.match(out);
    if (!rateMatch.hasMatch() || !p99Match.hasMatch()) {
        std::fprintf(stderr, "wrk gave no figures:\n%s%s\n", qPrintable(out), wrk.readAllStandardError().constData());
        return std::nullopt;
    }
    const double failed = double(count(out, non2xx) + count(out, socketErrors)) / seconds;
    return Wrk{rateMatch.captured(1).toDouble(), milliseconds(p99Match.captured(1), p99Match.captured(2)), failed};
}
