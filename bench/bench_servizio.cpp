// Load on ciarla-servizio: wrk polls a room of 50 messages over 50 connections,
// first alone, then while one client puts 10 messages a second. Prints polls per
// second and p99 latency of each run; the last line is the polls per second of
// the first. Usage: bench_servizio [seconds]   (default 20)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace {
struct LoadFigures
{
    double pollsPerSecond = 0;
    double p99Ms = 0;
};

// Every character as "%" and two hex digits, as the chat client sends it (ASCII here).
QByteArray codifica(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text)
        out += '%' + QByteArray::number(static_cast<unsigned char>(c), 16).toUpper().rightJustified(2, '0');
    return out;
}

bool fetch(QNetworkAccessManager &network, const QUrl &url)
{
    QNetworkReply *reply = network.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return reply->error() == QNetworkReply::NoError;
}

double milliseconds(const QString &value, const QString &unit)
{
    const double v = value.toDouble();
    return unit == u"us" ? v / 1000 : unit == u"s" ? v * 1000 : v;
}

// Runs wrk to its end while the event loop keeps turning (the put client lives on it).
std::optional<LoadFigures> runWrk(const QString &url, int seconds)
{
    QProcess wrk;
    wrk.start(QStringLiteral("wrk"), {QStringLiteral("-t2"), QStringLiteral("-c50"),
                                      QStringLiteral("-d%1s").arg(seconds), QStringLiteral("--latency"), url});
    QEventLoop loop;
    QObject::connect(&wrk, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&wrk, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    loop.exec();
    const QString out = QString::fromUtf8(wrk.readAllStandardOutput());
    static const QRegularExpression rate(QStringLiteral("Requests/sec:\\s+([0-9.]+)"));
    static const QRegularExpression p99(QStringLiteral("\\s99%\\s+([0-9.]+)(us|ms|s)"));
    const auto rateMatch = rate.match(out);
    const auto p99Match = p99.match(out);
    if (!rateMatch.hasMatch() || !p99Match.hasMatch()) {
        std::fprintf(stderr, "bench_servizio: wrk gave no figures:\n%s%s\n", qPrintable(out),
                     wrk.readAllStandardError().constData());
        return std::nullopt;
    }
    return LoadFigures{rateMatch.captured(1).toDouble(), milliseconds(p99Match.captured(1), p99Match.captured(2))};
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    QTemporaryDir dir;
    QProcess service;
    service.setStandardErrorFile(QProcess::nullDevice()); // one log line per poll would be the bottleneck
    service.start(QStringLiteral(SERVIZIO_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--put-limit"), QStringLiteral("0"),
                   QStringLiteral("--database"), dir.filePath(QStringLiteral("bench.sqlite"))});
    QByteArray said;
    while (!said.contains('\n') && service.waitForReadyRead(10000))
        said += service.readAllStandardOutput();
    static const QRegularExpression listening(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+/)"));
    const QString base = listening.match(QString::fromUtf8(said)).captured(1);
    if (base.isEmpty()) {
        std::fprintf(stderr, "bench_servizio: ciarla-servizio did not start\n");
        return 1;
    }

    QNetworkAccessManager network;
    for (int i = 1; i <= 50; ++i) {
        const QByteArray message = "Messaggio numero " + QByteArray::number(i) + " della prova di carico, con un "
                                   "sorriso :) e qualche parola in piu' per fare volume.";
        if (!fetch(network, QUrl(base + QStringLiteral("putmsgchat.asp?NOME=") + QLatin1String(codifica("utente"))
                                 + QStringLiteral("&messaggio=") + QLatin1String(codifica(message))))) {
            std::fprintf(stderr, "bench_servizio: could not fill the room\n");
            return 1;
        }
    }
    const QString pollUrl = base + QStringLiteral("getmsgchat.asp");
    std::printf("ciarla-servizio under wrk: room of 50 messages, 50 connections, %d s, loopback\n", seconds);
    std::fflush(stdout);

    const auto alone = runWrk(pollUrl, seconds);
    if (!alone)
        return 1;
    std::printf("polls only:          %9.0f polls/s   p99 %6.2f ms\n", alone->pollsPerSecond, alone->p99Ms);
    std::fflush(stdout);

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
    const auto withPuts = runWrk(pollUrl, seconds);
    putter.stop();
    if (!withPuts)
        return 1;
    std::printf("polls + 10 puts/s:   %9.0f polls/s   p99 %6.2f ms   (%d puts stored of %d sent in %.1f s)\n",
                withPuts->pollsPerSecond, withPuts->p99Ms, stored, sent, putClock.elapsed() / 1000.0);
    std::printf("%.0f\n", alone->pollsPerSecond);

    service.terminate();
    service.waitForFinished(5000);
    return 0;
}
