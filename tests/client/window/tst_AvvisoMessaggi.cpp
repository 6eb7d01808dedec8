// Telling the user of new messages: the news rule, the notification's texts and
// the flow against a stand-in notification service on the test's session bus.
#include "ImpostazioneNotifiche.h"
#include "MessageBoxRecorder.h"
#include "NovitaChat.h"
#include "TestoNotifica.h"
#include "WindowHarness.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// One record per letter.
QList<RecordChat> record(const QString &lettere)
{
    QList<RecordChat> risultato;
    for (QChar c : lettere)
        risultato.append({c, u"21:15"_s, u"192.0.2.7"_s, c == u'C' ? u"a<i>b"_s : u"testo "_s + c});
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
    void novita_data();
    void novita();
    void testi_data();
    void testi();
    void notificaMentreLaFinestraNonEAttiva();
};

void tst_AvvisoMessaggi::novita_data()
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
    QTest::newRow("own message") << u"AB"_s << u"D"_s << u"ABDE"_s << u"E"_s;
    QTest::newRow("identical record twice") << u"AB"_s << QString() << u"ABB"_s << u"B"_s;
    QTest::newRow("repeated pattern") << u"ABA"_s << QString() << u"BAA"_s << u"A"_s;
}

void tst_AvvisoMessaggi::novita()
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

void tst_AvvisoMessaggi::testi_data()
{
    QTest::addColumn<QStringList>("nick");
    QTest::addColumn<QString>("messaggio");
    QTest::addColumn<QString>("titolo");
    QTest::addColumn<QString>("corpo");
    QTest::newRow("control characters") << QStringList{u"a\x01\nb"_s} << u"<i>x</i>\x07\r\ny"_s
                                        << u"Nuovo messaggio da a  b"_s << u"<i>x</i> \ny"_s;
    QTest::newRow("10,000 characters") << QStringList{QString(10000, u'n')} << QString(10000, u'x')
                                       << u"Nuovo messaggio da "_s + QString(39, u'n') + u'…' << QString(199, u'x') + u'…';
    QTest::newRow("several") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s} << u"ciao\r\na tutti"_s
                             << u"4 nuovi messaggi"_s << u"A: ciao a tutti\nB: ciao a tutti\nC: ciao a tutti\n…"_s;
}

void tst_AvvisoMessaggi::testi()
{
    QFETCH(QStringList, nick);
    QFETCH(QString, messaggio);
    QList<RecordChat> nuovi;
    for (const QString &n : nick)
        nuovi.append({n, {}, {}, messaggio});
    QTEST(TestoNotifica::titolo(nuovi), "titolo");
    QTEST(TestoNotifica::corpo(nuovi), "corpo");
}

void tst_AvvisoMessaggi::notificaMentreLaFinestraNonEAttiva()
{
    MessageBoxRecorder boxes;
    NotificheFinte servizio;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notifiche"_s);
    QVERIFY2(bus.registerObject(u"/org/freedesktop/Notifications"_s, &servizio, QDBusConnection::ExportAllSlots)
                 && bus.registerService(u"org.freedesktop.Notifications"_s),
             qPrintable(bus.lastError().message()));
    ImpostazioneNotifiche::setAttive(true);
    WindowHarness w;
    const auto arriva = [&w](const QString &lettere) {
        QList<WindowHarness::Messaggio> messaggi;
        for (const RecordChat &r : record(lettere))
            messaggi.append({r.nick, r.data, r.ip, r.messaggio});
        w.lettura()->rispondi(WindowHarness::risposta(messaggi));
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
    QTRY_COMPARE(servizio.chiamate, QStringList{u"CiarlaChat|0|Nuovo messaggio da B|testo B"_s});
    QCOMPARE(w->windowTitle(), u"(1) CiarlaChat"_s);
    arriva(u"ABCD"_s);
    QTRY_COMPARE(servizio.chiamate.size(), 2);
    QCOMPARE(servizio.chiamate[1], u"CiarlaChat|41|2 nuovi messaggi|C: a&lt;i&gt;b\nD: testo D"_s);
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

QTEST_MAIN(tst_AvvisoMessaggi)
#include "tst_AvvisoMessaggi.moc"
