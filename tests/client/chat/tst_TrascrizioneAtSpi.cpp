// The transcript as a screen reader hears it: a real view on an X server of the
// test's own (Xvfb), Qt's AT-SPI bridge, and the test listening on the
// accessibility bus for text changes, as assistive technology does.
#include "RichTextView.h"
#include "RispostaDiProva.h"
#include "Trascrizione.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <QTextCursor>
#include <cstdio>

using namespace Qt::StringLiterals;

class tst_TrascrizioneAtSpi : public QObject
{
    Q_OBJECT

    QStringList m_cambi; // "insert|delete start length text", in the order heard

public Q_SLOTS:
    void textChanged(const QDBusMessage &evento)
    {
        const QVariantList a = evento.arguments();
        m_cambi << u"%1 %2 %3 "_s.arg(a.value(0).toString()).arg(a.value(1).toInt()).arg(a.value(2).toInt())
                       + a.value(3).value<QDBusVariant>().variant().toString();
    }

private Q_SLOTS:
    void newMessageIsOneInsertionOfItsText()
    {
        const QDBusReply<QString> indirizzo = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.a11y.Bus"_s, u"GetAddress"_s));
        QVERIFY2(indirizzo.isValid(), qPrintable(u"no accessibility bus: "_s + indirizzo.error().message()));
        QDBusConnection a11y = QDBusConnection::connectToBus(indirizzo.value(), u"a11y"_s);
        QVERIFY(a11y.connect(QString(), QString(), u"org.a11y.atspi.Event.Object"_s, u"TextChanged"_s, this,
                             SLOT(textChanged(QDBusMessage))));
        QDBusMessage ascolto = QDBusMessage::createMethodCall(u"org.a11y.atspi.Registry"_s, u"/org/a11y/atspi/registry"_s,
                                                              u"org.a11y.atspi.Registry"_s, u"RegisterEvent"_s);
        ascolto << u"object:text-changed"_s << QStringList() << QString();
        QCOMPARE(a11y.call(ascolto).type(), QDBusMessage::ReplyMessage);

        RichTextView view;
        view.resize(500, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Trascrizione trascrizione(&view);
        QList<RecordChat> record;
        for (int i = 0; i < 30; ++i)
            record.append({u"n%1"_s.arg(i), u"21:15"_s, u"192.0.2.7"_s, u"messaggio %1"_s.arg(i)});
        // The bridge learns of the listener in its own time: draw until it speaks.
        const auto ridisegna = [&] {
            trascrizione.AzzeraUltimaRisposta();
            trascrizione.ElaboraRisposta(RispostaDiProva::risposta(record));
            return !m_cambi.isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(ridisegna(), 20000);
        QTest::qWait(500); // what the last redraws still have to say

        const int fine = view.textLength();
        record.append({u"Олена"_s, u"21:16"_s, u"192.0.2.9"_s, u"Привет 😀"_s});
        m_cambi.clear();
        trascrizione.ElaboraRisposta(RispostaDiProva::risposta(record));
        QTRY_VERIFY(!m_cambi.isEmpty());
        QTest::qWait(500); // anything more would be a fault
        QTextCursor nuovo(view.document());
        nuovo.setPosition(fine);
        nuovo.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        QCOMPARE(m_cambi, QStringList(u"insert %1 %2 "_s.arg(fine).arg(view.textLength() - fine) + nuovo.selectedText()));
    }
};

// The X server comes first: the accessibility bridge belongs to the X11 side of Qt.
int main(int argc, char **argv)
{
    QProcess xvfb;
    xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-nolisten"_s, u"tcp"_s});
    if (!xvfb.waitForReadyRead(30000)) {
        std::fprintf(stderr, "FAIL: Xvfb did not start: %s\n", qPrintable(xvfb.errorString()));
        return 1;
    }
    qputenv("DISPLAY", ':' + xvfb.readLine().trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    int result = 0;
    {
        QApplication app(argc, argv);
        tst_TrascrizioneAtSpi test;
        result = QTest::qExec(&test, argc, argv);
    }
    xvfb.terminate();
    xvfb.waitForFinished();
    return result;
}

#include "tst_TrascrizioneAtSpi.moc"
