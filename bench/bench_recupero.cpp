// Measures one retrieval, Download -> FileRicevuto, made through CiarlaServer on
// the session bus, against the same fetch made in-process with
// QNetworkAccessManager, both from a local HTTP server; and the server's
// resident memory after 100 and after 10,000 requests.
// Runs itself inside a private bus that starts the build tree's CiarlaServer.
#include "RecuperaHTTP.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int warmUp = 100;
constexpr int timedRequests = 1000;
constexpr int totalRequests = 10000;
const char insideBus[] = "CIARLA_BENCH_INSIDE_BUS";

double median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Microseconds of one in-process fetch, body turned into text.
double fetchInProcess(QNetworkAccessManager &manager, const QUrl &url)
{
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QString body = QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    const double elapsed = clock.nsecsElapsed() / 1000.0;
    if (body.isEmpty())
        qFatal("in-process fetch failed");
    return elapsed;
}

// Microseconds from Download to the FileRicevuto event.
double fetchThroughBus(RecuperaHTTP &object)
{
    QEventLoop loop;
    bool received = false;
    const auto done = QObject::connect(&object, &RecuperaHTTP::FileRicevuto, &loop, [&] {
        received = true;
        loop.quit();
    });
    const auto failed = QObject::connect(&object, &RecuperaHTTP::Errore, &loop,
                                         [](qint32 code, const QString &text) { qFatal("Errore %d: %s", code, qPrintable(text)); });
    QElapsedTimer clock;
    clock.start();
    object.Download();
    if (!received)
        loop.exec();
    const double elapsed = clock.nsecsElapsed() / 1000.0;
    QObject::disconnect(done);
    QObject::disconnect(failed);
    return elapsed;
}

long serverResidentKb()
{
    const uint pid = QDBusConnection::sessionBus().interface()->servicePid(u"it.ciarlasoft.CiarlaServer"_s).value();
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// A private bus, and a temporary folder for the server's log and for settings
// of its own (no proxy, asynchronous), whatever the user has chosen.
[[noreturn]] void restartInsidePrivateBus(char **argv)
{
    static QTemporaryDir tmp;
    tmp.setAutoRemove(false);
    setenv(insideBus, "1", 1);
    setenv("TMPDIR", qPrintable(tmp.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(tmp.path()), 1);
    const QByteArray config = "--config-file=" BENCH_BUS_CONFIG;
    execl(DBUS_RUN_SESSION, DBUS_RUN_SESSION, config.constData(), "--", argv[0], static_cast<char *>(nullptr));
    std::perror("dbus-run-session");
    std::exit(1);
}
} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet(insideBus))
        restartInsidePrivateBus(argv);
    QCoreApplication app(argc, argv);

    TestHttpServer http;
    const QByteArray page = "<html><!-- INIZIO -->" + QByteArray(1500, 'm') + "<!-- FINE --></html>";
    http.setBody(u"/stanza"_s, page);
    const QUrl url(http.url(u"/stanza"_s));

    QNetworkAccessManager manager;
    RecuperaHTTP object;
    object.setURL(url.toString());
    for (int i = 0; i < warmUp; ++i) {
        fetchInProcess(manager, url);
        fetchThroughBus(object);
    }
    const long memoryAt100 = serverResidentKb();

    // Interleaved, so that both ways see the same load on the machine.
    QList<double> inProcess;
    QList<double> throughBus;
    for (int i = 0; i < timedRequests; ++i) {
        inProcess.append(fetchInProcess(manager, url));
        throughBus.append(fetchThroughBus(object));
    }
    for (int i = warmUp + timedRequests; i < totalRequests; ++i)
        fetchThroughBus(object);
    const long memoryAtEnd = serverResidentKb();

    const double medianInProcess = median(inProcess);
    const double medianBus = median(throughBus);
    std::printf("requests timed: %d each way (page of %lld bytes)\n", timedRequests, qint64(page.size()));
    std::printf("in-process QNetworkAccessManager median: %.1f us\n", medianInProcess);
    std::printf("through the bus (Download -> FileRicevuto) median: %.1f us\n", medianBus);
    std::printf("server resident memory after %d requests: %ld kB\n", warmUp, memoryAt100);
    std::printf("server resident memory after %d requests: %ld kB\n", totalRequests, memoryAtEnd);
    std::printf("ratio %.2f memory-growth-kb %ld\n", medianBus / medianInProcess, memoryAtEnd - memoryAt100);
    return 0;
}
