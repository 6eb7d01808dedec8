#include "Generale.h"
#include "MessageBoxRecorder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// CiarlaServer started by hand: it says it only works as a server, and ends.
class tst_Generale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // With a display, a box; without one, a line on the error output.
    void manualStart()
    {
        MessageBoxRecorder boxes;
        QCOMPARE(Generale::avvioManuale(), 0);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastBox(), u"64 Abort: Il programma funziona unicamente come server EXE"_s);
        QTemporaryDir tmp;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s, u"DBUS_STARTER_BUS_TYPE"_s,
                                    u"DBUS_STARTER_ADDRESS"_s})
            environment.remove(name);
        environment.insert(u"TMPDIR"_s, tmp.path());
        QProcess server;
        server.setProcessEnvironment(environment);
        server.start(QStringLiteral(CIARLA_SERVER), {});
        QVERIFY(server.waitForFinished(20000));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(server.readAllStandardError()).trimmed(),
                 u"Il programma funziona unicamente come server EXE"_s);
        // Nothing served, nothing written.
        QVERIFY(QDir(tmp.path()).isEmpty());
    }
};

QTEST_MAIN(tst_Generale)
#include "tst_Generale.moc"
