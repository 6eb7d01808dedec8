// One CiarlaChat a session, on the test's own bus: while the first program waits at
// the server selection, a second start asks it to come forward and ends at once.
#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondProgramRaisesTheFirstAndEnds()
    {
        QProcess primo;
        primo.start(QStringLiteral(CIARLACHAT), QStringList());
        QVERIFY2(primo.waitForStarted(), qPrintable(primo.errorString()));
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(SingleInstance::serviceName).value(), 30000);
        const QString proprietario = bus->serviceOwner(SingleInstance::serviceName).value();
        QProcess secondo;
        secondo.start(QStringLiteral(CIARLACHAT), QStringList());
        // Unless the first answers Activate, the second would wait at a server selection of its own.
        QVERIFY(secondo.waitForFinished(30000));
        QCOMPARE(secondo.exitCode(), 0);
        QCOMPARE(primo.state(), QProcess::Running);
        QCOMPARE(bus->serviceOwner(SingleInstance::serviceName).value(), proprietario);
        primo.kill();
        primo.waitForFinished();
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
