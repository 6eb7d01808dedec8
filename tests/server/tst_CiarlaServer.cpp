#include "RecuperaHTTP.h"
#include "RecuperaHTTPEvents.h"
#include "RuntimeErrorOf.h"
#include "TestFiles.h"
#include "TestHttpServer.h"
#include "Windows1252.h"
#include "zuUtilita.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <functional>

using namespace Qt::StringLiterals;

namespace {
const QString serverName = u"it.ciarlasoft.CiarlaServer"_s;
const QString password = u"pw-mai-nel-log"_s;
const QByteArray roomPage = "<html>buongiorno a tutti</html>";
const QString buongiorno = u"ok "_s + QString::fromLatin1(roomPage);

// Records the events of one object as "ok BODY" or "CODE DESCRIPTION"; `during` runs
// inside the handler, while the server waits for it.
struct EventRecorder
{
    explicit EventRecorder(RecuperaHTTP &object)
    {
        const auto record = [this](const QString &event) {
            events.append(event);
            if (during)
                during(event);
        };
        QObject::connect(&object, &RecuperaHTTP::FileRicevuto, &object, [record](const QString &body) { record(u"ok "_s + body); });
        QObject::connect(&object, &RecuperaHTTP::Errore, &object,
                         [record](qint32 code, const QString &text) { record(QString::number(code) + u' ' + text); });
    }

    // Waits for the events to number `count`, then a moment more to see that no other follows.
    bool settle(int count, int timeout = 20000) const
    {
        if (!QTest::qWaitFor([&] { return events.size() >= count; }, timeout))
            return false;
        QTest::qWait(300);
        return events.size() == count;
    }

    QStringList events;
    std::function<void(const QString &)> during;
};

void fetch(RecuperaHTTP &object, const QString &url)
{
    object.setURL(url);
    object.Download();
}

void writeSetting(const QString &key, const QString &value)
{
    zuUtilita().ScriviINI(QString(), u"Connessione"_s, key, value);
}

// The server log's lines without their time stamps.
QStringList serverLog()
{
    const QByteArray log = TestFiles::read(qEnvironmentVariable("TMPDIR") + u"/ciarlaserver.log"_s);
    QStringList lines = Windows1252::decode(log).split(u"\r\n"_s, Qt::SkipEmptyParts);
    static const QRegularExpression stamp(u"^\\S+ \\d\\d:\\d\\d:\\d\\d "_s);
    for (QString &line : lines)
        line.remove(stamp);
    return lines;
}

// A key and a certificate made by openssl in dir: a test authority, or, with
// `more` naming one, a server certificate that it issues.
bool openssl(const QTemporaryDir &dir, const QString &name, const QStringList &more = {})
{
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    tool.start(u"openssl"_s, QStringList{u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                         u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"2"_s,
                                         u"-subj"_s, u"/CN="_s + name, u"-keyout"_s, name + u".key"_s, u"-out"_s,
                                         name + u".pem"_s} + more);
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QSslConfiguration serverTls(const QTemporaryDir &dir, const QString &authority, const QString &subjectAltName)
{
    openssl(dir, u"server"_s, {u"-CA"_s, authority + u".pem"_s, u"-CAkey"_s, authority + u".key"_s, u"-addext"_s,
                               u"subjectAltName="_s + subjectAltName});
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(TestFiles::read(dir.filePath(u"server.key"_s)), QSsl::Ec));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(dir.filePath(u"server.pem"_s)));
    return tls;
}

const QString objectInterface = u"it.ciarlasoft.CiarlaServer._RecuperaHTTP"_s;
const QString platformInterface = u"it.ciarlasoft.CiarlaServer.Automazione"_s;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

QDBusMessage callOn(const QDBusConnection &bus, const QString &path, const QString &interface, const QString &member,
                    const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(serverName, path, interface, member);
    message.setArguments(arguments);
    return bus.call(message, QDBus::BlockWithGui);
}

QString createObject(const QDBusConnection &bus)
{
    return callOn(bus, u"/CiarlaServer"_s, u"it.ciarlasoft.CiarlaServer.Fabbrica"_s, u"CreaRecuperaHTTP"_s)
        .arguments().value(0).value<QDBusObjectPath>().path();
}

// An object of bus's whose events go to the sink that bus exports at /sink, its URL set.
QString advisedObject(const QDBusConnection &bus, const QString &url)
{
    const QString path = createObject(bus);
    callOn(bus, path, platformInterface, u"Advise"_s, {QVariant::fromValue(QDBusObjectPath(u"/sink"_s))});
    callOn(bus, path, propertiesInterface, u"Set"_s, {objectInterface, u"URL"_s, QVariant::fromValue(QDBusVariant(url))});
    return path;
}

QVariantMap allProperties(const QDBusConnection &bus, const QString &path)
{
    const QDBusMessage reply = callOn(bus, path, propertiesInterface, u"GetAll"_s, {objectInterface});
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}

uint serverPid()
{
    return QDBusConnection::sessionBus().interface()->servicePid(serverName).value();
}
} // namespace

class tst_CiarlaServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_http;
    QTemporaryDir m_keys;

    QString stanza() const { return m_http->url(u"/stanza"_s); }

    // Fetches the room page: exactly one more event comes, the page itself.
    bool fetchesTheRoom(RecuperaHTTP &object, const EventRecorder &recorder) const
    {
        const int count = int(recorder.events.size()) + 1; // the event may come before fetch returns
        fetch(object, stanza());
        return recorder.settle(count) && recorder.events.last() == buongiorno;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The servers the bus starts trust the test's authority through the TLS library's own variable.
        QVERIFY2(openssl(m_keys, u"fidata"_s) && openssl(m_keys, u"altra"_s), "openssl could not make the test's authorities");
        qDBusRegisterMetaType<QMap<QString, QString>>();
        QDBusMessage environment = QDBusMessage::createMethodCall(
            u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, u"UpdateActivationEnvironment"_s);
        environment << QVariant::fromValue(QMap<QString, QString>{{u"SSL_CERT_FILE"_s, m_keys.filePath(u"fidata.pem"_s)}});
        QCOMPARE(QDBusConnection::sessionBus().call(environment).type(), QDBusMessage::ReplyMessage);
    }

    void init()
    {
        // A run cut short must not leave its settings to the next.
        for (const QString &key : {u"Proxy"_s, u"Porta"_s, u"Username"_s, u"Password"_s, u"Sincrono"_s})
            writeSetting(key, QString());
        m_http = std::make_unique<TestHttpServer>();
        m_http->setBody(u"/stanza"_s, roomPage);
        m_http->setResponse(u"/muta"_s, {.neverAnswer = true});
    }

    void cleanup() { m_http.reset(); }

    void fetchInEitherMode_data()
    {
        QTest::addColumn<QString>("sincrono");
        QTest::addColumn<QString>("duringEvent"); // stato, and what a new Download gets
        QTest::addColumn<QString>("log");         // the log's lines joined by '|'
        QTest::newRow("asynchronous") << QString() << u"0"_s
                                      << u"^GET File HTML(\\|State code: \\d+)*\\|State code: 12\\|Risposta ricevuta\\.\\|Unload$"_s;
        QTest::newRow("synchronous") << u" 01"_s << u"1 1009: Il server è occupato..."_s
                                     << u"^GET File HTML\\|Begin OpenURL\\|(.*\\|)?End OpenURL\\|Unload$"_s;
    }

    // Asynchronous, the object is idle again when the page comes; synchronous, it is still
    // busy while the client handles the page, and refuses a new Download.
    void fetchInEitherMode()
    {
        QFETCH(QString, sincrono);
        QFETCH(QString, duringEvent);
        QFETCH(QString, log);
        writeSetting(u"Sincrono"_s, sincrono);
        RecuperaHTTP object;
        // Termina on an object that never downloaded opens and closes its engine.
        QFile::remove(qEnvironmentVariable("TMPDIR") + u"/ciarlaserver.log"_s);
        object.Termina();
        QCOMPARE(serverLog(), (QStringList{u"Load"_s, u"Unload"_s}));
        EventRecorder recorder(object);
        QString seen;
        recorder.during = [&](const QString &) {
            seen = QString::number(object.stato());
            if (object.Sincrono())
                seen += u' ' + runtimeErrorTextOf([&] { object.Download(); });
        };
        QVERIFY(fetchesTheRoom(object, recorder));
        QCOMPARE(seen, duringEvent);
        QCOMPARE(m_http->requestCount(u"/stanza"_s), 1);
        QCOMPARE(object.stato(), qint16(0));
        const QString lines = serverLog().join(u'|');
        QVERIFY2(QRegularExpression(log).match(lines).hasMatch(), qPrintable(lines));
    }

    void httpsFetch_data()
    {
        QTest::addColumn<QString>("authority"); // CiarlaServer trusts "fidata" only
        QTest::addColumn<QString>("subjectAltName");
        QTest::newRow("valid certificate") << u"fidata"_s << u"IP:127.0.0.1"_s;
        QTest::newRow("unknown authority") << u"altra"_s << u"IP:127.0.0.1"_s;
        QTest::newRow("other host") << u"fidata"_s << u"DNS:altro.example"_s;
    }

    // A certificate that does not verify gives one Errore and no page.
    void httpsFetch()
    {
        QFETCH(QString, authority);
        QFETCH(QString, subjectAltName);
        TestHttpServer https(serverTls(m_keys, authority, subjectAltName));
        https.setBody(u"/stanza"_s, roomPage);
        const bool valid = authority == u"fidata"_s && subjectAltName.startsWith(u"IP"_s);
        RecuperaHTTP object;
        EventRecorder recorder(object);
        fetch(object, https.url(u"/stanza"_s));
        QVERIFY(recorder.settle(1));
        QCOMPARE(recorder.events[0], valid ? buongiorno : u"12055 Il certificato del server 127.0.0.1 non è valido."_s);
        QCOMPARE(https.requestCount(u"/stanza"_s), valid ? 1 : 0);
    }

    void failuresEndInOneErrore_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("settings"); // key, value, key, value...
        QTest::addColumn<qint32>("code");
        // A failed start raises Errore before Download returns; a later failure may come either way.
        QTest::addColumn<bool>("beforeDownloadReturns");
        QTest::addColumn<bool>("terminaInside"); // the handler of Errore calls Termina
        const QString closed = u"http://127.0.0.1:%1/"_s.arg(TestHttpServer::closedPort());
        const QStringList sincrono{u"Sincrono"_s, u"1"_s};
        QTest::newRow("closed port") << closed << QStringList() << 12029 << false << true;
        QTest::newRow("closed port, synchronous") << closed << sincrono << 12029 << false << true;
        QTest::newRow("empty address") << QString() << QStringList() << 12005 << true << false;
        QTest::newRow("empty address, synchronous") << QString() << sincrono << 12005 << false << false;
        QTest::newRow("no host") << u"http://"_s << QStringList() << 12005 << true << false;
        QTest::newRow("local file") << u"file:///etc/passwd"_s << QStringList() << 12006 << true << true;
        QTest::newRow("reply cut half-way") << u"/mezza"_s << QStringList() << 12030 << false << false;
        QTest::newRow("proxy port beyond 16 bits") << u"/stanza"_s << QStringList{u"Proxy"_s, u"127.0.0.1"_s, u"Porta"_s, u"70000"_s,
                                                                   u"Username"_s, u"mario"_s, u"Password"_s, password}
                                                   << qint32(RuntimeError::Overflow) << true << false;
        QTest::newRow("synchronous mode not a number") << u"/stanza"_s << QStringList{u"Sincrono"_s, u"si"_s}
                                                       << qint32(RuntimeError::TypeMismatch) << true << false;
    }

    void failuresEndInOneErrore()
    {
        QFETCH(QString, url);
        QFETCH(QStringList, settings);
        QFETCH(qint32, code);
        QFETCH(bool, beforeDownloadReturns);
        QFETCH(bool, terminaInside);
        m_http->setResponse(u"/mezza"_s, {.body = QByteArray(4000, 'y'), .cutAfter = 1000});
        for (qsizetype i = 0; i + 1 < settings.size(); i += 2)
            writeSetting(settings[i], settings[i + 1]);

        RecuperaHTTP object;
        EventRecorder recorder(object);
        bool downloadReturned = false;
        bool eventBeforeReturn = false;
        recorder.during = [&](const QString &) {
            eventBeforeReturn = !downloadReturned;
            if (terminaInside)
                object.Termina();
        };
        fetch(object, url.startsWith(u'/') ? m_http->url(url) : url);
        downloadReturned = true;
        QVERIFY(recorder.settle(1));
        const QString event = recorder.events[0];
        QVERIFY2(event.startsWith(QString::number(code) + u' ') && event.size() > 6, qPrintable(event));
        QVERIFY(eventBeforeReturn || !beforeDownloadReturns);
        QCOMPARE(object.stato(), qint16(2));
        // The settings fields keep what was read, and the log records the failure but never the password.
        QTRY_VERIFY(serverLog().contains(QString::number(code) + u": "_s + event.section(u' ', 1)));
        QVERIFY(!serverLog().join(u'\n').contains(password));
        QCOMPARE(object.Password(), settings.contains(u"Password"_s) ? password : QString());
        if (terminaInside) {
            // The object goes on working: the next request starts afresh.
            recorder.during = nullptr;
            QVERIFY(fetchesTheRoom(object, recorder));
            QCOMPARE(object.stato(), qint16(0));
        }
    }

    void settingsAreReadAtEveryRequest()
    {
        RecuperaHTTP object;
        EventRecorder recorder(object);
        // A value the client writes is replaced by the stored one at the next request.
        object.setNomeProxy(u"127.0.0.1"_s);
        object.setPortaProxy(QString::number(TestHttpServer::closedPort()));
        fetch(object, stanza());
        QVERIFY(recorder.settle(1));
        QCOMPARE(object.NomeProxy(), QString());
        // The test server is its own proxy.
        writeSetting(u"Proxy"_s, u"127.0.0.1"_s);
        writeSetting(u"Porta"_s, QString::number(m_http->port()) + u"abc"_s);
        object.Download();
        QVERIFY(recorder.settle(2));
        QCOMPARE(object.NomeProxy(), u"127.0.0.1"_s);
        // The stored login is offered when the page asks for one, and never logged.
        writeSetting(u"Proxy"_s, QString());
        writeSetting(u"Username"_s, u"mario"_s);
        writeSetting(u"Password"_s, password);
        m_http->setResponse(u"/stanza"_s, {.body = roomPage, .credentials = "mario:" + password.toUtf8()});
        object.Download();
        QVERIFY(recorder.settle(3));
        QCOMPARE(recorder.events, QStringList(3, buongiorno));
        QCOMPARE(m_http->proxiedCount(), 1);
        QCOMPARE(m_http->requestCount(u"/stanza"_s), 4);
        QVERIFY(!serverLog().join(u'\n').contains(password));
    }

    // One real wait of thirty seconds covers three things: the time-out of a request that
    // gets no answer, the events of other objects while a handler runs, and a handler that
    // takes longer than the bus's default call time-out (25 s), which the server must not
    // give up on. The page held open is large, with a NUL inside, where the bus's strings end.
    void timeOutWhileALargePageIsHeldOpen()
    {
        QByteArray body(10 * 1024 * 1024, 'a');
        body.replace(0, 6, "\xC3\xA8 ok ");
        body[5000] = '\0';
        m_http->setBody(u"/grande"_s, body, "text/plain");
        RecuperaHTTP silentObject;
        EventRecorder silentEvents(silentObject);
        fetch(silentObject, m_http->url(u"/muta"_s));
        QTRY_COMPARE(m_http->requestCount(u"/muta"_s), 1);
        RecuperaHTTP slowHandler;
        EventRecorder slowEvents(slowHandler);
        bool timedOutInside = false;
        bool deliveredBeforeHandled = true;
        slowEvents.during = [&](const QString &) {
            timedOutInside = silentEvents.settle(1, 45000);
            deliveredBeforeHandled = serverLog().contains(u"Risposta ricevuta."_s);
        };
        fetch(slowHandler, m_http->url(u"/grande"_s));
        QVERIFY(slowEvents.settle(1, 60000));
        QVERIFY(timedOutInside && !deliveredBeforeHandled);
        QCOMPARE(slowEvents.events[0].size(), 3 + body.size() - 1);
        QCOMPARE(slowEvents.events[0].at(3 + 4999), QChar::ReplacementCharacter);
        QTRY_VERIFY(serverLog().contains(u"Risposta ricevuta."_s));
        QCOMPARE(silentEvents.events, QStringList{u"4566 nessuna risposta."_s});
        QCOMPARE(silentObject.stato(), qint16(0));
        QTRY_COMPARE(m_http->abandonedRequests(), 1);
        QVERIFY(!serverLog().join(u'\n').contains(u"4566"_s));
        QVERIFY(fetchesTheRoom(silentObject, silentEvents));
    }

    void clientDeathReleasesItsObjects()
    {
        auto mine = std::make_unique<RecuperaHTTP>();
        EventRecorder recorder(*mine);
        const uint pid = serverPid();
        QProcess other;
        other.start(QStringLiteral(AUTOMATION_PROBE), {m_http->url(u"/muta"_s)});
        QTRY_COMPARE_WITH_TIMEOUT(m_http->requestCount(u"/muta"_s), 1, 20000);
        other.kill();
        other.waitForFinished();
        // Its transfer is cancelled; the other client is not disturbed.
        QTRY_COMPARE(m_http->abandonedRequests(), 1);
        QVERIFY(fetchesTheRoom(*mine, recorder));
        QCOMPARE(serverPid(), pid);
        // With no object left, the server ends by itself.
        QDBusServiceWatcher watcher(serverName, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForUnregistration);
        bool ended = false;
        connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, this, [&ended] { ended = true; });
        mine.reset();
        QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
    }

    void proxySurvivesTheServersDeath()
    {
        RecuperaHTTP object;
        EventRecorder recorder(object);
        fetch(object, m_http->url(u"/muta"_s));
        QTRY_COMPARE(m_http->requestCount(u"/muta"_s), 1);
        const uint pid = serverPid();
        QVERIFY(pid != 0);
        ::kill(pid_t(pid), SIGKILL);
        QVERIFY(recorder.settle(1));
        QVERIFY2(recorder.events[0].startsWith(u"462 "_s) && recorder.events[0].contains(u"terminato"_s),
                 qPrintable(recorder.events[0]));
        // Every line written before the crash is on disk.
        QCOMPARE(serverLog().value(0), u"GET File HTML"_s);
        // The next call creates the object anew on a server that the bus starts.
        QCOMPARE(object.URL(), m_http->url(u"/muta"_s));
        QVERIFY(serverPid() != pid);
        QVERIFY(fetchesTheRoom(object, recorder));
        // Killed between two requests: the next Download just works.
        ::kill(pid_t(serverPid()), SIGKILL);
        object.Download();
        QVERIFY(recorder.settle(3));
        QCOMPARE(recorder.events.mid(1), QStringList(2, buongiorno));
    }

    void serverThatCannotStart()
    {
        QProcess probe;
        probe.start(QStringLiteral(DBUS_RUN_SESSION), {u"--config-file="_s + QStringLiteral(BROKEN_BUS_CONFIG), u"--"_s,
                                                        QStringLiteral(AUTOMATION_PROBE)});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 2);
        const QString output = QString::fromUtf8(probe.readAllStandardOutput());
        QVERIFY2(output.startsWith(u"429: Impossibile avviare il server di recupero CiarlaServer"_s), qPrintable(output));
    }

    void objectsAnswerOnlyTheirOwner_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        for (const QString &member : {u"Download"_s, u"Termina"_s, u"LeggiConfigurazione"_s})
            QTest::newRow(qPrintable(member)) << objectInterface << member << QVariantList();
        QTest::newRow("Advise") << platformInterface << u"Advise"_s << QVariantList{QVariant::fromValue(QDBusObjectPath(u"/sink"_s))};
        QTest::newRow("Unadvise") << platformInterface << u"Unadvise"_s << QVariantList();
        QTest::newRow("Rilascia") << platformInterface << u"Rilascia"_s << QVariantList();
        QTest::newRow("Introspect") << u"org.freedesktop.DBus.Introspectable"_s << u"Introspect"_s << QVariantList();
        QTest::newRow("GetAll") << propertiesInterface << u"GetAll"_s << QVariantList{objectInterface};
        const QList<std::pair<QString, QVariant>> values{
            {u"URL"_s, u"http://127.0.0.1:1/altra"_s}, {u"stato"_s, qint16(1)},     {u"NomeProxy"_s, u"127.0.0.1"_s},
            {u"PortaProxy"_s, u"1"_s},                  {u"Username"_s, u"ladro"_s}, {u"Password"_s, u"ladro"_s},
            {u"Sincrono"_s, true}};
        for (const auto &[name, value] : values) {
            QTest::newRow(qPrintable(u"Get "_s + name)) << propertiesInterface << u"Get"_s << QVariantList{objectInterface, name};
            QTest::newRow(qPrintable(u"Set "_s + name))
                << propertiesInterface << u"Set"_s << QVariantList{objectInterface, name, QVariant::fromValue(QDBusVariant(value))};
        }
    }

    // Another program that has learnt an object's path gets nothing out of it and
    // changes nothing in it; the owner goes on as if it had never tried.
    void objectsAnswerOnlyTheirOwner()
    {
        QFETCH(QString, interface);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        QDBusConnection owner = QDBusConnection::sessionBus();
        QDBusConnection intruder = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"intruso"_s);
        QStringList ownerEvents;
        QStringList intruderEvents;
        RecuperaHTTPEvents ownerSink([&](const QString &datafile) { ownerEvents << datafile; }, {});
        RecuperaHTTPEvents intruderSink([&](const QString &datafile) { intruderEvents << datafile; }, {});
        QVERIFY(owner.registerObject(u"/sink"_s, &ownerSink, QDBusConnection::ExportAdaptors));
        QVERIFY(intruder.registerObject(u"/sink"_s, &intruderSink, QDBusConnection::ExportAdaptors));

        const QString path = advisedObject(owner, stanza());
        const QVariantMap before = allProperties(owner, path);

        QCOMPARE(callOn(intruder, path, interface, member, arguments).errorName(), u"org.freedesktop.DBus.Error.AccessDenied"_s);

        QCOMPARE(allProperties(owner, path), before);
        QCOMPARE(m_http->requestCount(u"/stanza"_s), 0);
        QCOMPARE(callOn(owner, path, objectInterface, u"Download"_s).type(), QDBusMessage::ReplyMessage);
        QVERIFY(QTest::qWaitFor([&] { return !ownerEvents.isEmpty(); }, 20000));
        QCOMPARE(ownerEvents, QStringList{QString::fromLatin1(roomPage)});
        QVERIFY(intruderEvents.isEmpty());
        callOn(owner, path, platformInterface, u"Rilascia"_s);
        QDBusConnection::disconnectFromBus(u"intruso"_s);
    }

    // The contract as any client written from it calls it, with no proxy class: two objects'
    // paths are not one after the other, and the folder does not list them; events reach
    // the sink that the owner advised, and no sink once it unadvises.
    void contractOnTheWire()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QStringList events;
        RecuperaHTTPEvents sink([&](const QString &datafile) { events << datafile; }, {});
        QVERIFY(bus.registerObject(u"/sink"_s, &sink, QDBusConnection::ExportAdaptors));
        const QString path = advisedObject(bus, stanza());
        const QString other = createObject(bus);
        static const QRegularExpression form(u"^/CiarlaServer/RecuperaHTTP/([0-9a-f]{32})$"_s);
        const QString part = form.match(path).captured(1);
        QVERIFY2(!part.isEmpty() && form.match(other).captured(1).left(16) != part.left(16), qPrintable(path + u' ' + other));
        callOn(bus, other, platformInterface, u"Rilascia"_s);
        QVERIFY(!callOn(bus, u"/CiarlaServer/RecuperaHTTP"_s, {}, u"Introspect"_s).arguments().value(0).toString().contains(part));
        const QString xml = callOn(bus, path, {}, u"Introspect"_s).arguments().value(0).toString();
        QVERIFY2(xml.contains(u"<annotation name=\"it.ciarlasoft.Access\" value=\"owner\"/>"_s) && xml.contains(u"value=\"1.2\""_s),
                 qPrintable(xml));

        QCOMPARE(callOn(bus, path, objectInterface, u"Download"_s).type(), QDBusMessage::ReplyMessage);
        QVERIFY(QTest::qWaitFor([&] { return !events.isEmpty(); }, 20000));
        callOn(bus, path, platformInterface, u"Unadvise"_s);
        callOn(bus, path, objectInterface, u"Download"_s);
        QTRY_COMPARE(m_http->requestCount(u"/stanza"_s), 2);
        QTest::qWait(300);
        QCOMPARE(events, QStringList{QString::fromLatin1(roomPage)});
        callOn(bus, path, platformInterface, u"Rilascia"_s);
    }
};

QTEST_GUILESS_MAIN(tst_CiarlaServer)
#include "tst_CiarlaServer.moc"
