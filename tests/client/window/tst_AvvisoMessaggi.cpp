// Telling the user of new messages: the news rule, and the flow against a
// stand-in notification service on the test's session bus.
#include "ImpostazioneNotifiche.h"
#include "NovitaChat.h"
#include "WindowHarness.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// One record per letter; C and D carry markup, control characters and long texts.
QList<RecordChat> record(const QString &lettere)
{
    QList<RecordChat> risultato;
    for (QChar c : lettere) {
        const QString nick = c == u'D' ? QString(10000, c) : QString(c);
        const QString testo = c == u'C' ? u"a<i>b"_s : c == u'D' ? u"x\x07"_s + QString(10000, u'y') : u"testo "_s + c;
        risultato.append({nick, u"21:15"_s, u"192.0.2.7"_s, testo});
    }
    return risultato;
}
} // namespace

// Remembers every Notify as "app|replaces_id|summary|body" and answers with ids from 41 on.
class NotificheFinte : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList chiamate;
public Q_SLOTS:
    uint Notify(const QString &app, uint sostituisce, const QString &, const QString &titolo, const QString &corpo,
                const QStringList &, const QVariantMap &, int)
    {
        chiamate.append(u"%1|%2|%3|%4"_s.arg(app).arg(sostituisce).arg(titolo, corpo));
        return 40 + uint(chiamate.size());
    }
};

class tst_AvvisoMessaggi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void novita_data()
    {
        QTest::addColumn<QString>("prima"); // "-": no previous reply
        QTest::addColumn<QString>("inviato");
        QTest::addColumn<QString>("dopo");
        QTest::addColumn<QString>("attesi");
        QTest::newRow("history") << u"-"_s << QString() << u"AB"_s << QString();
        QTest::newRow("unchanged") << u"AB"_s << QString() << u"AB"_s << QString();
        QTest::newRow("one new") << QString() << QString() << u"A"_s << u"A"_s;
        QTest::newRow("several new") << u"AB"_s << QString() << u"ABDE"_s << u"DE"_s;
        QTest::newRow("old ones fall off") << u"ABD"_s << QString() << u"BDEF"_s << u"EF"_s;
        QTest::newRow("all fell off") << u"AB"_s << QString() << u"DE"_s << u"DE"_s;
        QTest::newRow("own message") << u"AB"_s << u"E"_s << u"ABEF"_s << u"F"_s;
        QTest::newRow("identical record twice") << u"AB"_s << QString() << u"ABB"_s << u"B"_s;
        QTest::newRow("repeated pattern") << u"ABA"_s << QString() << u"BAA"_s << u"A"_s;
    }

    void novita()
    {
        QFETCH(QString, prima);
        QFETCH(QString, inviato);
        NovitaChat novita;
        if (prima != u"-"_s)
            novita.nuovi(record(prima));
        if (!inviato.isEmpty())
            novita.messaggioInviato(inviato, u"testo "_s + inviato);
        QFETCH(QString, dopo);
        QFETCH(QString, attesi);
        QCOMPARE(novita.nuovi(record(dopo)), record(attesi));
    }

    void notificaMentreLaFinestraNonEAttiva()
    {
        NotificheFinte servizio;
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notifiche"_s);
        QVERIFY2(bus.registerObject(u"/org/freedesktop/Notifications"_s, &servizio, QDBusConnection::ExportAllSlots)
                     && bus.registerService(u"org.freedesktop.Notifications"_s),
                 qPrintable(bus.lastError().message()));
        ImpostazioneNotifiche::setAttive(true);
        WindowHarness w;
        const auto arriva = [&w](const QString &lettere) {
        w.lettura()->rispondi(RispostaDiProva::risposta(record(lettere)));
    };
        QWidget altra; // in front of the main window, whose unload closes it
        const auto mettiDietro = [&altra] {
            altra.show();
            altra.activateWindow();
            return QTest::qWaitForWindowActive(&altra);
        };
        w.caricaEAttiva();
        arriva(u"A"_s);
        QVERIFY(mettiDietro());
        arriva(u"AB"_s);
        QCOMPARE(w->windowTitle(), u"(1) CiarlaChat"_s);
        // News while the first call is still out waits for its id, then replaces it.
        arriva(u"ABCD"_s);
        QTRY_COMPARE(servizio.chiamate.size(), 2);
        QCOMPARE(servizio.chiamate[0], u"CiarlaChat|0|Nuovo messaggio da B|testo B"_s);
        QCOMPARE(servizio.chiamate[1], u"CiarlaChat|41|2 nuovi messaggi|C: a&lt;i&gt;b\n"_s + QString(39, u'D') + u"…: x "_s
                                           + QString(146, u'y') + u'…');
        QCOMPARE(w->windowTitle(), u"(3) CiarlaChat"_s);

        // A room change while the notification shows: the new room's page is history.
        w.controllo<QRadioButton>(u"optCiarla1"_s)->click();
        arriva(u"XY"_s);
        bus.send(QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s,
                                            u"ActionInvoked"_s)
                 << 42u << u"default"_s);
        QVERIFY(QTest::qWaitForWindowActive(&w.finestra()));
        QCOMPARE(w->windowTitle(), u"CiarlaChat"_s);
        arriva(u"XYZ"_s);

        // Turned off: neither notification nor count, even with the window behind.
        ImpostazioneNotifiche::setAttive(false);
        w->Form_Unload();
        w->Form_Load();
        arriva(u"A"_s);
        QVERIFY(mettiDietro());
        arriva(u"AB"_s);
        QTest::qWait(300);
        QCOMPARE(servizio.chiamate.size(), 2);
        QCOMPARE(w->windowTitle(), u"CiarlaChat"_s);
    }
};

QTEST_MAIN(tst_AvvisoMessaggi)
#include "tst_AvvisoMessaggi.moc"
