// One CiarlaChat a session: two programs are two connections to the test's own bus.
#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laterStartRaisesTheFirstAndEnds()
    {
        const QDBusConnection secondo = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"secondo"_s);
        SingleInstance dopo(secondo);
        {
            const QDBusConnection primo = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"primo"_s);
            QVERIFY2(primo.isConnected() && secondo.isConnected(), "no session bus");
            SingleInstance prima(primo);
            QSignalSpy chiamate(&prima, &SingleInstance::activated);
            QVERIFY(prima.claim());
            QCOMPARE(secondo.interface()->serviceOwner(SingleInstance::serviceName).value(), primo.baseService());

            // The second asks from a thread of its own, as another process would, while
            // this one's event loop answers.
            bool seconda = true;
            std::unique_ptr<QThread> altro(QThread::create([&] { seconda = dopo.claim(); }));
            altro->start();
            QTRY_VERIFY(altro->isFinished());
            QVERIFY(!seconda);
            QCOMPARE(chiamate.size(), 1);
        }
        // Once the first is gone, the next start is the first again.
        QDBusConnection::disconnectFromBus(u"primo"_s);
        QTRY_VERIFY(!secondo.interface()->isServiceRegistered(SingleInstance::serviceName).value());
        QVERIFY(dopo.claim());
        secondo.interface()->unregisterService(SingleInstance::serviceName);
    }

    // The program itself: while the first waits at the server selection, a second start ends at once.
    void secondProgramEnds()
    {
        QProcess primo;
        primo.start(QStringLiteral(CIARLACHAT), QStringList());
        QVERIFY2(primo.waitForStarted(), qPrintable(primo.errorString()));
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(SingleInstance::serviceName).value(), 30000);
        const QString proprietario = bus->serviceOwner(SingleInstance::serviceName).value();
        QProcess secondo;
        secondo.start(QStringLiteral(CIARLACHAT), QStringList());
        QVERIFY(secondo.waitForFinished(30000)); // it would otherwise wait at its own server selection
        QCOMPARE(secondo.exitCode(), 0);
        QCOMPARE(primo.state(), QProcess::Running);
        QCOMPARE(bus->serviceOwner(SingleInstance::serviceName).value(), proprietario);
        primo.kill();
        primo.waitForFinished();
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
