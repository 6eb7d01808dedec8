#include "PostgresBench.h"

#include "NginxProxy.h"
#include "PostgresCluster.h"
#include "ServiceProcess.h"
#include "Wrk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <unistd.h>
#include <memory>

namespace {
const QStringList common = {QStringLiteral("--put-limit"), QStringLiteral("0")};

std::unique_ptr<ServiceProcess> started(const QString &database, const QStringList &options)
{
    auto service = std::make_unique<ServiceProcess>(database, common + options);
    service->discardLog();
    if (service->start())
        return service;
    std::fprintf(stderr, "bench_servizio: ciarla-servizio on %s did not start\n", qPrintable(database));
    return nullptr;
}

const QStringList putPages = {QStringLiteral("putmsgchat.asp"), QStringLiteral("putmsgchat1.asp"),
                               QStringLiteral("putmsgchat2.asp"), QStringLiteral("putmsgchat3.asp"),
                               QStringLiteral("putciarlachat.asp")};

bool fill(quint16 port, const QString &putPage = putPages.first())
{
    for (int i = 1; i <= 50; ++i) {
        const QString message = QStringLiteral("Messaggio numero %1 della prova di carico, con un sorriso :) e "
                                               "qualche parola in piu' per fare volume.")
                                    .arg(i);
        if (ServiceProcess::get(port, ServiceProcess::putTarget(putPage, QStringLiteral("utente"), message))
                .status
            != 200)
            return false;
    }
    return true;
}

// The processor time the process has used, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // After "pid (name) ": state is field 3, utime and stime fields 14 and 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// An instance with nothing to do but follow the others, over full rooms: its share of one core.
double idleShare(const ServiceProcess &instance, int seconds)
{
    const double before = cpuSeconds(instance.pid());
    QElapsedTimer clock;
    clock.start();
    QThread::sleep(seconds);
    return (cpuSeconds(instance.pid()) - before) / (double(clock.elapsed()) / 1000);
}

struct Side
{
    const char *name;
    quint16 port;
    double polls = 0;
    double puts = 0;
};
} // namespace

int PostgresBench::run(int seconds)
{
    PostgresCluster cluster;
    if (!cluster.start()) {
        std::fprintf(stderr, "bench_servizio: PostgreSQL did not start: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    // The machine's cores are shared by everything here: one event loop per PostgreSQL instance.
    const QStringList behindNginx = {QStringLiteral("--threads"), QStringLiteral("1"),
                                     QStringLiteral("--trusted-proxy"), QStringLiteral("127.0.0.2")};
    const auto first = started(cluster.uri(), behindNginx);
    const auto second = first ? started(cluster.uri(), behindNginx) : nullptr;
    QTemporaryDir dir;
    const auto lite = second ? started(dir.filePath(QStringLiteral("bench.sqlite")), {}) : nullptr;
    NginxProxy nginx;
    if (!lite || !nginx.start({first->port(), second->port()}, 2)) {
        std::fprintf(stderr, "bench_servizio: %s\n", qPrintable(nginx.error()));
        return 1;
    }
    Side sides[] = {{"1 instance, SQLite", lite->port()}, {"2 instances, PostgreSQL, nginx", nginx.port()}};
    for (const Side &side : sides) {
        if (!fill(side.port)) {
            std::fprintf(stderr, "bench_servizio: could not fill the room of %s\n", side.name);
            return 1;
        }
    }
    for (const QString &page : putPages.mid(1)) {
        if (!fill(nginx.port(), page)) {
            std::fprintf(stderr, "bench_servizio: could not fill the room of %s\n", qPrintable(page));
            return 1;
        }
    }
    std::printf("idle instance over 5 rooms of 50 messages: %.2f %% of a core\n", 100 * idleShare(*second, seconds));
    std::printf("room of 50 messages, %d s a run, loopback; polls: 50 connections, puts: 8 connections\n", seconds);
    std::fflush(stdout);
    const QByteArray put = ServiceProcess::putTarget(QStringLiteral("putmsgchat.asp"), QStringLiteral("bench"),
                                                     QStringLiteral("un messaggio della prova"));
    // Interleaved: whatever else loads the machine falls on both sides alike.
    for (Side &side : sides) {
        const auto polls = Wrk::run(QStringLiteral("http://127.0.0.1:%1/getmsgchat.asp").arg(side.port), 50, seconds);
        if (!polls)
            return 1;
        side.polls = polls->requestsPerSecond - polls->failedPerSecond;
    }
    for (Side &side : sides) {
        const auto puts = Wrk::run(QStringLiteral("http://127.0.0.1:%1").arg(side.port) + QString::fromLatin1(put), 8,
                                   seconds);
        if (!puts)
            return 1;
        side.puts = puts->requestsPerSecond - puts->failedPerSecond;
    }
    for (const Side &side : sides)
        std::printf("%-32s %9.0f polls/s %7.0f puts/s\n", side.name, side.polls, side.puts);
    std::printf("ratio polls %.2f puts %.2f\n", sides[1].polls / sides[0].polls, sides[1].puts / sides[0].puts);
    return 0;
}
