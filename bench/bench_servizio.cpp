// Load on ciarla-servizio: wrk polls a room of 50 messages side by side with
// nginx serving a snapshot of the very same page (as many workers as the
// service has threads), interleaved, at 50 and at 1,000 connections; then the
// service alone while one client puts 10 messages a second. Prints polls per
// second and p99 latency of each run; the last line is "ratio R p99-ratio P":
// the service's polls/s over nginx's at 50 connections and its p99 over nginx's
// at 1,000, each the median of its rounds. Then the same polls against a second
// instance that counts for its metrics (scraped every second meanwhile),
// interleaved with the first, at 50 connections: "metrics-ratio M", the median
// polls/s with metrics over those without. Then 5,000 subscribers of one room's
// event stream stay connected while puts go to that room and wrk polls again:
// "subscribers-ratio R p99-ratio P" as before, and last "fanout-p99-ms X
// kb-per-subscriber Y": the time until the last subscriber has a put's message,
// and the service's resident memory per subscriber.
// Usage: bench_servizio [seconds per run] [rounds] [subscribers]   (default 10, 3, 5000)
//        bench_servizio --postgres [seconds]          (see PostgresBench.h)
//        bench_servizio --search [messages]           (see SearchBench.h)
#include "FanOutBench.h"
#include "PostgresBench.h"
#include "SearchBench.h"
#include "Wrk.h"

#include <QCoreApplication>
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

namespace {
// Every character as "%" and two hex digits, as the chat client sends it (ASCII here).
QByteArray codifica(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text)
        out += '%' + QByteArray::number(static_cast<unsigned char>(c), 16).toUpper().rightJustified(2, '0');
    return out;
}

// The body of the page, or nothing on failure.
std::optional<QByteArray> fetch(QNetworkAccessManager &network, const QUrl &url)
{
    QNetworkReply *reply = network.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    return reply->readAll();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// nginx on 127.0.0.1 serving `page` as the same poll page, or false when it would not start.
bool startNginx(QProcess &nginx, const QTemporaryDir &dir, const QByteArray &page, int workers, quint16 port)
{
    QDir(dir.path()).mkpath(QStringLiteral("www"));
    // Started as root, nginx serves as an unprivileged user, who must be able to read the snapshot.
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), readable);
    QFile::setPermissions(dir.filePath(QStringLiteral("www")), readable);
    QFile snapshot(dir.filePath(QStringLiteral("www/getmsgchat.asp")));
    QFile config(dir.filePath(QStringLiteral("nginx.conf")));
    if (!snapshot.open(QIODevice::WriteOnly) || snapshot.write(page) != page.size()
        || !config.open(QIODevice::WriteOnly))
        return false;
    snapshot.close();
    const QByteArray root = QFile::encodeName(dir.path());
    config.write("daemon off;\nworker_processes " + QByteArray::number(workers) + ";\npid " + root
                 + "/nginx.pid;\nerror_log " + root + "/error.log;\nevents { worker_connections 4096; }\n"
                 "http {\n access_log off;\n sendfile on;\n tcp_nopush on;\n keepalive_requests 1000000;\n"
                 " open_file_cache max=16;\n client_body_temp_path " + root + "/tmp;\n proxy_temp_path " + root
                 + "/tmp;\n fastcgi_temp_path " + root + "/tmp;\n uwsgi_temp_path " + root + "/tmp;\n"
                 " scgi_temp_path " + root + "/tmp;\n server {\n  listen 127.0.0.1:" + QByteArray::number(port)
                 + " reuseport;\n  root " + root + "/www;\n  default_type \"text/html; charset=windows-1252\";\n"
                 "  add_header Cache-Control no-store;\n }\n}\n");
    config.close();
    nginx.setProcessChannelMode(QProcess::ForwardedChannels);
    nginx.start(QStringLiteral("nginx"), {QStringLiteral("-p"), dir.path(), QStringLiteral("-c"), config.fileName()});
    if (!nginx.waitForStarted(5000))
        return false;
    QNetworkAccessManager network;
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/getmsgchat.asp").arg(port));
    snapshot.setPermissions(readable);
    for (int i = 0; i < 50; ++i) {
        if (fetch(network, url) == page)
            return true;
        QThread::msleep(100);
    }
    return false;
}

// ciarla-servizio on a free port with `options` and the bench's own; its base URL and,
// with --metrics, its metrics URL, or nothing when it did not start.
std::optional<QStringList> startService(QProcess &service, const QString &database, int threads,
                                        const QStringList &options = {})
{
    service.setStandardErrorFile(QProcess::nullDevice()); // the log is not what is measured
    service.start(QStringLiteral(SERVIZIO_PROGRAM),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--put-limit"),
                              QStringLiteral("0"), QStringLiteral("--threads"), QString::number(threads),
                              QStringLiteral("--max-per-address"), QStringLiteral("0"), QStringLiteral("--database"),
                              database}
                      + options);
    QByteArray said;
    while (!said.contains('\n') && service.waitForReadyRead(10000))
        said += service.readAllStandardOutput();
    static const QRegularExpression listening(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+/)(?:, metriche su (\\S+))?"));
    const QRegularExpressionMatch match = listening.match(QString::fromUtf8(said));
    if (!match.hasMatch()) {
        std::fprintf(stderr, "bench_servizio: ciarla-servizio did not start\n");
        return std::nullopt;
    }
    return QStringList{match.captured(1), match.captured(2)};
}

// A room of 50 messages on the service at `base`; false when a put failed.
bool fillRoom(QNetworkAccessManager &network, const QString &base)
{
    for (int i = 1; i <= 50; ++i) {
        const QByteArray message = "Messaggio numero " + QByteArray::number(i) + " della prova di carico, con un "
                                   "sorriso :) e qualche parola in piu' per fare volume.";
        if (!fetch(network, QUrl(base + QStringLiteral("putmsgchat.asp?NOME=") + QLatin1String(codifica("utente"))
                                 + QStringLiteral("&messaggio=") + QLatin1String(codifica(message))))) {
            std::fprintf(stderr, "bench_servizio: could not fill the room\n");
            return false;
        }
    }
    return true;
}
} // namespace

// One server's runs at one connection count. The machine is shared: the median
// of each figure says more than the mean, which one disturbed run can drag.
struct Tally
{
    QList<double> polls;
    QList<double> p99;
    void add(const Wrk &figures)
    {
        polls.append(figures.requestsPerSecond);
        p99.append(figures.p99Ms);
    }
    static double median(QList<double> values)
    {
        std::sort(values.begin(), values.end());
        const qsizetype n = values.size();
        return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
    }
    Wrk middle() const { return {median(polls), median(p99), 0}; }
};

// Polls at 50 connections of the service without metrics and of the one with them,
// scraped every second meanwhile, interleaved and taking turns at going first; the
// median polls/s with over without.
double metricsRounds(const QString &offUrl, const QString &onUrl, const QString &metricsUrl, int seconds, int rounds,
                     QNetworkAccessManager &network)
{
    QTimer scraper;
    scraper.setInterval(1000);
    QObject::connect(&scraper, &QTimer::timeout, [&network, metricsUrl] {
        QNetworkReply *reply = network.get(QNetworkRequest(QUrl(metricsUrl)));
        QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    });
    Tally tally[2]; // off, on
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int on = (turn + round) % 2; // each goes first in every other round
            if (on)
                scraper.start();
            const auto figures = Wrk::run(on ? onUrl : offUrl, 50, seconds);
            scraper.stop();
            if (!figures)
                return 0;
            tally[on].add(*figures);
            std::printf("round %d  metrics %-3s        50 connections: %9.0f polls/s   p99 %7.2f ms\n", round + 1,
                        on ? "on" : "off", figures->requestsPerSecond, figures->p99Ms);
            std::fflush(stdout);
        }
    }
    const double ratio = tally[1].middle().requestsPerSecond / tally[0].middle().requestsPerSecond;
    std::printf("median   metrics on/off      50 connections: %.3f\n", ratio);
    std::fflush(stdout);
    return ratio;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--postgres")
        return PostgresBench::run(argc > 2 ? QByteArray(argv[2]).toInt() : 10);
    if (argc > 1 && QByteArray(argv[1]) == "--search")
        return SearchBench::run(argc > 2 ? QByteArray(argv[2]).toInt() : 1000000);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 10;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    const int subscribers = argc > 3 ? QByteArray(argv[3]).toInt() : 5000;
    const int threads = QThread::idealThreadCount();
    QTemporaryDir dir;
    QProcess service;
    QProcess counting; // the same with its metrics on
    QNetworkAccessManager network;
    const auto urls = startService(service, dir.filePath(QStringLiteral("bench.sqlite")), threads);
    const auto countingUrls = startService(counting, dir.filePath(QStringLiteral("metrics.sqlite")), threads,
                                           {QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:0")});
    if (!urls || !countingUrls || !fillRoom(network, urls->at(0)) || !fillRoom(network, countingUrls->at(0)))
        return 1;
    const QString base = urls->at(0);
    const QString pollUrl = base + QStringLiteral("getmsgchat.asp");
    const std::optional<QByteArray> page = fetch(network, QUrl(pollUrl));
    const quint16 nginxPort = freePort();
    QProcess nginx;
    // Killed outright, nginx's master would leave its workers running: it is asked to stop on every way out.
    const auto stopNginx = qScopeGuard([&nginx] {
        nginx.terminate();
        nginx.waitForFinished(5000);
    });
    if (!page || !startNginx(nginx, dir, *page, threads, nginxPort)) {
        std::fprintf(stderr, "bench_servizio: nginx (Debian's nginx-light) did not serve the snapshot\n");
        return 1;
    }
    const QString nginxUrl = QStringLiteral("http://127.0.0.1:%1/getmsgchat.asp").arg(nginxPort);
    std::printf("ciarla-servizio (%d threads) and nginx (%d workers) under wrk: the same poll page of a room of "
                "50 messages (%lld bytes), %d rounds of %d s each, loopback\n",
                threads, threads, qlonglong(page->size()), rounds, seconds);
    std::fflush(stdout);

    Tally tally[2][2]; // [service, nginx][50, 1000 connections]
    const int connections[2] = {50, 1000};
    for (int round = 0; round < rounds; ++round) {
        for (int c = 0; c < 2; ++c) {
            for (int server = 0; server < 2; ++server) {
                const auto figures = Wrk::run(server == 0 ? pollUrl : nginxUrl, connections[c], seconds);
                if (!figures)
                    return 1;
                tally[server][c].add(*figures);
                std::printf("round %d  %-15s %5d connections: %9.0f polls/s   p99 %7.2f ms\n", round + 1,
                            server == 0 ? "ciarla-servizio" : "nginx", connections[c], figures->requestsPerSecond,
                            figures->p99Ms);
                std::fflush(stdout);
            }
        }
    }
    for (int c = 0; c < 2; ++c) {
        for (int server = 0; server < 2; ++server) {
            const Wrk middle = tally[server][c].middle();
            std::printf("median   %-15s %5d connections: %9.0f polls/s   p99 %7.2f ms\n",
                        server == 0 ? "ciarla-servizio" : "nginx", connections[c], middle.requestsPerSecond, middle.p99Ms);
        }
    }
    const double metricsRatio = metricsRounds(pollUrl, countingUrls->at(0) + QStringLiteral("getmsgchat.asp"),
                                              countingUrls->at(1), seconds, rounds, network);
    counting.terminate();
    counting.waitForFinished(5000);
    int sent = 0;
    int stored = 0;
    QElapsedTimer putClock;
    QTimer putter;
    putter.setInterval(100);
    QObject::connect(&putter, &QTimer::timeout, [&] {
        const QUrl url(base + QStringLiteral("putmsgchat.asp?NOME=") + QLatin1String(codifica("scrivente"))
                       + QStringLiteral("&messaggio=") + QLatin1String(codifica("nuovo " + QByteArray::number(sent))));
        ++sent;
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, [&stored, reply] {
            stored += reply->readAll().contains("<TITLE>MESSAGGIO INVIATO</TITLE>") ? 1 : 0;
            reply->deleteLater();
        });
    });
    putClock.start();
    putter.start();
    const auto withPuts = Wrk::run(pollUrl, 50, seconds);
    putter.stop();
    if (!withPuts)
        return 1;
    std::printf("polls + 10 puts/s:   %9.0f polls/s   p99 %6.2f ms   (%d puts stored of %d sent in %.1f s)\n",
                withPuts->requestsPerSecond, withPuts->p99Ms, stored, sent, putClock.elapsed() / 1000.0);
    std::printf("ratio %.2f p99-ratio %.2f\n",
                tally[0][0].middle().requestsPerSecond / tally[1][0].middle().requestsPerSecond,
                tally[0][1].middle().p99Ms / tally[1][1].middle().p99Ms);
    std::printf("metrics-ratio %.2f\n", metricsRatio);
    std::fflush(stdout);

    // The subscribers need descriptors on this side too.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    FanOutBench fanOut(quint16(QUrl(base).port()), service.processId());
    const auto fanOutMs = fanOut.subscribe(subscribers) ? fanOut.fanOutP99Ms(30) : std::nullopt;
    if (!fanOutMs)
        return 1;
    const double kb = fanOut.kbPerSubscriber();
    const auto polls = Wrk::run(pollUrl, 50, seconds);
    const auto nginxPolls = Wrk::run(nginxUrl, 50, seconds);
    if (!polls || !nginxPolls)
        return 1;
    std::printf("with %d subscribers: ciarla-servizio %9.0f polls/s p99 %.2f ms, nginx %9.0f polls/s p99 %.2f ms\n",
                subscribers, polls->requestsPerSecond, polls->p99Ms, nginxPolls->requestsPerSecond, nginxPolls->p99Ms);
    std::printf("subscribers-ratio %.2f p99-ratio %.2f\n", polls->requestsPerSecond / nginxPolls->requestsPerSecond,
                polls->p99Ms / nginxPolls->p99Ms);
    std::printf("fanout-p99-ms %.1f kb-per-subscriber %.2f\n", *fanOutMs, kb);

    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
