// Measures one retrieval, Download -> FileRicevuto, made through CiarlaServer on
// the session bus, against the same fetch made in-process with
// QNetworkAccessManager, both from a local HTTP server; and the server's
// resident memory after 100 and after 10,000 requests. Then a real main window,
// offscreen, polls an unchanged room of 50 messages for twice 60 s (or the
// seconds given as argument): the CPU time of the window and of CiarlaServer.
// Runs itself inside a private bus that starts the build tree's CiarlaServer.
#include "FrmMain.h"
#include "RecuperaHTTP.h"
#include "TestHttpServer.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int warmUp = 100;
constexpr int timedCount = 1000;
constexpr int totalRequests = 10000;
const char insideBus[] = "CIARLA_BENCH_INSIDE_BUS";
const char idleOnly[] = "CIARLA_BENCH_IDLE_ONLY";

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

uint serverPid()
{
    return QDBusConnection::sessionBus().interface()->servicePid(u"it.ciarlasoft.CiarlaServer"_s).value();
}

long serverResidentKb()
{
    QFile status(u"/proc/%1/status"_s.arg(serverPid()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Nanoseconds that the threads of a process have run, all but `except`.
qint64 cpuNs(uint pid, pid_t except = 0)
{
    qint64 total = 0;
    const QDir tasks(u"/proc/%1/task"_s.arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + u"/schedstat"_s));
        if (task.toInt() != except && schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

// The room's page, served from a thread of its own so that its CPU time can be
// told apart from the window's.
class RoomThread : public QThread
{
public:
    void run() override
    {
        TestHttpServer http;
        QList<RecordChat> messages;
        for (int i = 1; i <= 50; ++i)
            messages.append({u"utente%1"_s.arg(i), u"07/12/2026 10:%1:00"_s.arg(i, 2, 10, QChar(u'0')), u"127.0.0.1"_s,
                             u"Messaggio numero %1, con qualche parola in più per fare volume."_s.arg(i)});
        http.setBody(u"/getciarlachat.asp"_s, RispostaDiProva::risposta(messages).toUtf8());
        port = http.port();
        tid = gettid();
        ready.release();
        exec();
    }

    QSemaphore ready;
    quint16 port = 0;
    pid_t tid = 0;
};

struct CpuShares
{
    double window = 0;
    double server = 0;
};

// Percent of one core that this process (all but the room's thread) and
// CiarlaServer use over `seconds` of the event loop.
CpuShares cpuOver(int seconds, pid_t roomThread)
{
    const uint server = serverPid();
    const qint64 windowBefore = cpuNs(getpid(), roomThread);
    const qint64 serverBefore = cpuNs(server);
    // A plain event loop: QTest::qWait would wake this process every 10 ms.
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    return {100.0 * (cpuNs(getpid(), roomThread) - windowBefore) / (seconds * 1e9),
            100.0 * (cpuNs(server) - serverBefore) / (seconds * 1e9)};
}

// The window polls the unchanged room, once its first reply is drawn: first
// as it stands in front with its caret blinking, then with the caret still,
// which leaves the polling alone.
void idlePolling(int seconds)
{
    RoomThread room;
    room.start();
    room.ready.acquire();
    WindowHarness::scegliServer(u"127.0.0.1:%1"_s.arg(room.port));
    FrmMain window;
    if (!window.Form_Initialize())
        qFatal("no server chosen");
    window.Form_Load();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitFor([&] { return WindowHarness::trascrizione(window).contains(u"Messaggio numero 50"_s); }, 30000))
        qFatal("the room was not drawn");
    QTest::qWait(1000);
    const CpuShares blinking = cpuOver(seconds, room.tid);
    QApplication::setCursorFlashTime(0);
    const CpuShares polling = cpuOver(seconds, room.tid);
    room.quit();
    room.wait();
    std::printf("idle polling of an unchanged room of 50 messages, window offscreen, %d s each, %% of one core:\n", seconds);
    std::printf("with the caret blinking: CiarlaChat window %.4f, CiarlaServer %.4f\n", blinking.window, blinking.server);
    std::printf("polling alone:           CiarlaChat window %.4f, CiarlaServer %.4f\n", polling.window, polling.server);
    std::printf("idle-cpu-percent %.4f\n", polling.window + polling.server);
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
    setenv("CIARLA_REGISTRY_DIR", qPrintable(tmp.path()), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QByteArray config = "--config-file=" BENCH_BUS_CONFIG;
    // argv[1], the idle seconds, may be the list's end already.
    execl(DBUS_RUN_SESSION, DBUS_RUN_SESSION, config.constData(), "--", argv[0], argv[1], static_cast<char *>(nullptr));
    std::perror("dbus-run-session");
    std::exit(1);
}

// The requests through the bus against the in-process ones, and the memory
// and CPU time they cost the server.
void timedRequests()
{
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
    for (int i = 0; i < timedCount; ++i) {
        inProcess.append(fetchInProcess(manager, url));
        throughBus.append(fetchThroughBus(object));
    }
    const qint64 serverCpuBefore = cpuNs(serverPid());
    const qint64 clientCpuBefore = cpuNs(getpid());
    for (int i = warmUp + timedCount; i < totalRequests; ++i)
        fetchThroughBus(object);
    const int untimed = totalRequests - warmUp - timedCount;
    const double serverCpu = (cpuNs(serverPid()) - serverCpuBefore) / 1000.0 / untimed;
    const double clientCpu = (cpuNs(getpid()) - clientCpuBefore) / 1000.0 / untimed;
    const long memoryAtEnd = serverResidentKb();

    const double medianInProcess = median(inProcess);
    const double medianBus = median(throughBus);
    std::printf("requests timed: %d each way (page of %lld bytes)\n", timedCount, qint64(page.size()));
    std::printf("in-process QNetworkAccessManager median: %.1f us\n", medianInProcess);
    std::printf("through the bus (Download -> FileRicevuto) median: %.1f us\n", medianBus);
    std::printf("CPU per request through the bus: CiarlaServer %.1f us, client and HTTP server %.1f us\n", serverCpu,
                clientCpu);
    std::printf("server resident memory after %d requests: %ld kB\n", warmUp, memoryAt100);
    std::printf("server resident memory after %d requests: %ld kB\n", totalRequests, memoryAtEnd);
    std::printf("ratio %.2f memory-growth-kb %ld\n", medianBus / medianInProcess, memoryAtEnd - memoryAt100);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet(insideBus))
        restartInsidePrivateBus(argv);
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    if (qEnvironmentVariableIsSet(idleOnly)) {
        QApplication app(argc, argv);
        idlePolling(idleSeconds);
        return 0;
    }
    {
        QCoreApplication app(argc, argv);
        timedRequests();
    }
    // The window needs a GUI application, whose busier event loop would weigh
    // on the timed requests: it polls in a process of its own, on the same bus.
    setenv(idleOnly, "1", 1);
    execl(argv[0], argv[0], QByteArray::number(idleSeconds).constData(), static_cast<char *>(nullptr));
    std::perror("bench_recupero");
    return 1;
}
