#include "DocumentRuns.h"
#include "RichTextView.h"
#include "RispostaChat.h"
#include "RuntimeErrorOf.h"
#include "Trascrizione.h"

#include <QScrollBar>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

struct Rec
{
    QString nick;
    QString data = u"21:15"_s;
    QString ip = u"192.0.2.7"_s;
    QString msg = u"ciao"_s;
};

QString campo(const QString &marcatore, const QString &valore)
{
    return marcatore + valore + RispostaChat::FineCampo;
}

QString record(qint64 i, const Rec &r)
{
    return RispostaChat::tagRecord(i) + u'\n' + campo(u"<!-- NICK -->"_s, r.nick) + campo(u"<!-- DATA -->"_s, r.data)
         + campo(u"<!-- IP -->"_s, r.ip) + campo(u"<!-- MSG -->"_s, r.msg) + u'\n';
}

QString intestazione(const QString &conteggio)
{
    return u"<html><body>\n"_s + RispostaChat::InizioDati + u'\n' + campo(RispostaChat::NumeroRecord, conteggio)
         + u'\n';
}

// A reply with the records numbered 1, 2, ... in order.
QString risposta(const QList<Rec> &records, const QString &conteggio = QString())
{
    QString out = intestazione(conteggio.isNull() ? QString::number(records.size()) : conteggio);
    for (qsizetype i = 0; i < records.size(); ++i)
        out += record(i + 1, records.at(i));
    return out + u"</body></html>"_s;
}

QString nicks(const RichTextView &view)
{
    QStringList out;
    for (const QString &line : view.plainText().split(u"\r\n"_s)) {
        if (line.startsWith(u"Nick /> "_s))
            out.append(line.mid(8));
    }
    return out.join(u',');
}

} // namespace

class tst_Trascrizione : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void recordsShowInFourRunsWithTheirLook();
    void bannersForUnavailableServiceAndNoMessages();
    void unchangedReplyIsNotRedrawn();
    void recordCounts_data();
    void recordCounts();
    void tagsOutOfOrderEndTheLoop();
    void recordTenHasNoLeadingZero();
    void missingFieldIsTakenFromALaterRecord();
    void blanksAndLineBreaksInValues();
    void decodingOrder_data();
    void decodingOrder();
    void protocolErrors_data();
    void protocolErrors();
    void viewIsHiddenWhileRecordsAreInserted();
    void hostileReplies_data();
    void hostileReplies();

private:
    RichTextView *m_view = nullptr;
    Trascrizione *m_trascrizione = nullptr;
};

void tst_Trascrizione::init()
{
    m_view = new RichTextView;
    m_view->resize(400, 300);
    m_view->show();
    m_trascrizione = new Trascrizione(m_view, m_view);
}

void tst_Trascrizione::cleanup()
{
    delete m_view;
}

void tst_Trascrizione::recordsShowInFourRunsWithTheirLook()
{
    m_trascrizione->ElaboraRisposta(risposta({{u"anna"_s}, {u"bruno"_s, u"21:16"_s, u"192.0.2.9"_s, u"ok"_s}}));

    QCOMPARE(m_view->plainText(), u"Nick /> anna\r\n21:15 192.0.2.7 ha scritto:\r\nciao\r\n\r\n"
                                  u"Nick /> bruno\r\n21:16 192.0.2.9 ha scritto:\r\nok\r\n\r\n"_s);
    QCOMPARE(describeRuns(*m_view->document()), u"[L] {Arial 10|Nick /> }{Arial 12 B|anna}\n"
                                               u"[L] {Arial 10 I|21:15 192.0.2.7 ha scritto:}\n"
                                               u"[L] {Arial 10|ciao}\n"
                                               u"[L]\n"
                                               u"[L] {Arial 10|Nick /> }{Arial 12 B|bruno}\n"
                                               u"[L] {Arial 10 I|21:16 192.0.2.9 ha scritto:}\n"
                                               u"[L] {Arial 10|ok}\n"
                                               u"[L]\n"
                                               u"[L]"_s);
    QVERIFY(!m_view->isHidden());
    QCOMPARE(m_view->insertionPoint(), m_view->textLength());
}

void tst_Trascrizione::bannersForUnavailableServiceAndNoMessages()
{
    m_trascrizione->ElaboraRisposta(u"<html>500 Internal Server Error</html>"_s);
    QCOMPARE(describeRuns(*m_view->document()), u"[C]\n[C] {Arial 12 B|servizio non disponibile.}"_s);

    m_trascrizione->ElaboraRisposta(QString()); // the last reply was different, so it draws
    QCOMPARE(m_view->plainText(), u"\r\nservizio non disponibile."_s);

    // NO DATA wins over records, even when they are well-formed.
    QString conRecord = risposta({{u"anna"_s}});
    conRecord.append(RispostaChat::NessunDato);
    m_trascrizione->ElaboraRisposta(conRecord);
    QCOMPARE(describeRuns(*m_view->document()), u"[C]\n[C] {Arial 12 B|NESSUN MESSAGGIO}"_s);

    // A banner is replaced whole: nothing of its look leaks into the records.
    m_trascrizione->ElaboraRisposta(risposta({{u"anna"_s}}));
    QVERIFY(describeRuns(*m_view->document()).startsWith(u"[L] {Arial 10|Nick /> }"_s));
    m_trascrizione->ScriviBanner(u"attendere..."_s);
    QCOMPARE(describeRuns(*m_view->document()), u"[C]\n[C] {Arial 12 B|attendere...}"_s);
}

void tst_Trascrizione::unchangedReplyIsNotRedrawn()
{
    QList<Rec> molti;
    for (int i = 0; i < 60; ++i)
        molti.append({u"n%1"_s.arg(i)});
    const QString r = risposta(molti);
    m_trascrizione->ElaboraRisposta(r);
    QCOMPARE(m_trascrizione->UltimaRisposta(), r);

    // The reader scrolled up and selected something: a repeated reply must not disturb it.
    QScrollBar *scroll = m_view->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    scroll->setValue(3);
    QTextCursor selezione = m_view->textCursor();
    selezione.setPosition(2);
    selezione.setPosition(6, QTextCursor::KeepAnchor);
    m_view->setTextCursor(selezione);
    scroll->setValue(3);
    const int revisione = m_view->document()->revision();

    m_trascrizione->ElaboraRisposta(QString(r)); // equal, not the same object
    QCOMPARE(m_view->document()->revision(), revisione);
    QCOMPARE(scroll->value(), 3);
    QCOMPARE(m_view->selectedText(), u"ck /"_s);

    m_trascrizione->AzzeraUltimaRisposta();
    QCOMPARE(m_trascrizione->UltimaRisposta(), QString());
    m_trascrizione->ElaboraRisposta(r);
    QVERIFY(m_view->document()->revision() != revisione);
    QVERIFY(m_view->viewport()->rect().contains(m_view->cursorRect())); // the newest message is in view
    QVERIFY(scroll->value() > 3);

    // After a reset even an empty body is drawn, or the old banner would stay up.
    m_trascrizione->ScriviBanner(u"attendere..."_s);
    m_trascrizione->AzzeraUltimaRisposta();
    m_trascrizione->ElaboraRisposta(QString());
    QCOMPARE(m_view->plainText(), u"\r\nservizio non disponibile."_s);
}

void tst_Trascrizione::recordCounts_data()
{
    QTest::addColumn<QString>("conteggio");
    QTest::addColumn<int>("presenti");
    QTest::addColumn<QString>("attesi");
    QTest::addColumn<int>("errore");

    QTest::newRow("zero") << u"0"_s << 2 << QString() << 0;
    QTest::newRow("negative") << u"-3"_s << 2 << QString() << 0;
    QTest::newRow("larger than present") << u"5"_s << 3 << u"a1,a2,a3"_s << 0;
    QTest::newRow("largest 32-bit") << u"2147483647"_s << 3 << u"a1,a2,a3"_s << 0;
    QTest::newRow("smaller than present") << u"2"_s << 3 << u"a1,a2"_s << 0;
    QTest::newRow("beyond 32-bit") << u"2147483648"_s << 1 << QString() << 6;
    QTest::newRow("smallest 32-bit") << u"-2147483648"_s << 1 << QString() << 0;
    QTest::newRow("line breaks around") << u"\r\n2\r\n"_s << 3 << u"a1,a2"_s << 0;
    QTest::newRow("below 32-bit") << u"-2147483649"_s << 1 << QString() << 6;
    QTest::newRow("not a number") << u"due"_s << 1 << QString() << 13;
    QTest::newRow("letters after digits") << u"4x"_s << 1 << QString() << 13;
    QTest::newRow("too long, then a letter") << u"99999999999999999999x"_s << 1 << QString() << 13;
}

void tst_Trascrizione::recordCounts()
{
    QFETCH(QString, conteggio);
    QFETCH(int, presenti);
    QFETCH(QString, attesi);
    QFETCH(int, errore);

    QList<Rec> records;
    for (int i = 1; i <= presenti; ++i)
        records.append({u"a%1"_s.arg(i)});
    QCOMPARE(runtimeErrorOf([&] { m_trascrizione->ElaboraRisposta(risposta(records, conteggio)); }), errore);
    QCOMPARE(nicks(*m_view), attesi);
    QVERIFY(!m_view->isHidden());
}

void tst_Trascrizione::tagsOutOfOrderEndTheLoop()
{
    const QString r = intestazione(u"3"_s) + record(2, {u"due"_s}) + record(1, {u"uno"_s}) + record(3, {u"tre"_s});
    m_trascrizione->ElaboraRisposta(r);
    QCOMPARE(nicks(*m_view), u"uno"_s);
}

void tst_Trascrizione::recordTenHasNoLeadingZero()
{
    QString r = intestazione(u"11"_s);
    for (int i = 1; i <= 11; ++i)
        r += record(i, {u"n%1"_s.arg(i)});
    m_trascrizione->ElaboraRisposta(r);
    QCOMPARE(nicks(*m_view), u"n1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11"_s);

    r.replace(u"<!-- N10 -->"_s, u"<!-- N010 -->"_s);
    m_trascrizione->ElaboraRisposta(r);
    QCOMPARE(nicks(*m_view), u"n1,n2,n3,n4,n5,n6,n7,n8,n9"_s);
}

void tst_Trascrizione::missingFieldIsTakenFromALaterRecord()
{
    QString primo = record(1, {u"uno"_s});
    primo.remove(campo(u"<!-- NICK -->"_s, u"uno"_s));
    m_trascrizione->ElaboraRisposta(intestazione(u"2"_s) + primo + record(2, {u"due"_s}));
    QCOMPARE(nicks(*m_view), u"due,due"_s);

    // With no later record to borrow from, the reply is not understood.
    QCOMPARE(runtimeErrorOf([&] { m_trascrizione->ElaboraRisposta(intestazione(u"1"_s) + primo); }), 9001);
}

void tst_Trascrizione::blanksAndLineBreaksInValues()
{
    m_trascrizione->ElaboraRisposta(risposta({{u"   anna  "_s, u" 21:15"_s, u"\t10.0.0.1 "_s, u"\r\n riga uno\r\nriga due  "_s}}));
    QCOMPARE(m_view->plainText(), u"Nick /> anna\r\n21:15 \t10.0.0.1 ha scritto:\r\n\r\n riga uno\r\nriga due\r\n\r\n"_s);
    // The nick is trimmed once more after decoding, so mark-up cannot pad it.
    m_trascrizione->ElaboraRisposta(risposta({{u"<b> anna </b>"_s}}));
    QCOMPARE(nicks(*m_view), u"anna"_s);
}

void tst_Trascrizione::decodingOrder_data()
{
    QTest::addColumn<QString>("valore");
    QTest::addColumn<QString>("atteso");

    QTest::newRow("smiles") << u"ciao <img src=smile.gif width=32 height=32> e <img src=smile2.gif width=32 height=32>"_s
                            << u"ciao :) e :("_s;
    QTest::newRow("line break") << u"prima riga<BR>seconda riga"_s << u"prima riga\r\nseconda riga"_s;
    QTest::newRow("escaped bold keeps &gt;") << u"&lt;b&gt;x&lt;/b&gt;"_s << u"<b&gt;x</b&gt;"_s;
    QTest::newRow("escaped break stays text") << u"a&lt;BR>b"_s << u"a<BR>b"_s;
    QTest::newRow("other mark-up as received") << u"<br> <B>x</B> &amp; &gt;"_s << u"<br> <B>x</B> &amp; &gt;"_s;
    QTest::newRow("removal joins a tag") << u"<<b>BR>"_s << u"<BR>"_s;
}

void tst_Trascrizione::decodingOrder()
{
    QFETCH(QString, valore);
    QFETCH(QString, atteso);
    QCOMPARE(Trascrizione::LeggiCampo(u"<!-- MSG -->"_s, u"x<!-- MSG --> "_s + valore + u" <!-- /0 -->"_s), atteso);
}

void tst_Trascrizione::protocolErrors_data()
{
    QTest::addColumn<QString>("risposta");
    QTest::addColumn<int>("errore");
    QTest::addColumn<QString>("descrizione");
    QTest::addColumn<QString>("rimasti");

    const QString buoni = record(1, {u"uno"_s}) + record(2, {u"due"_s});
    const QString proto = u"Protocollo di comunicazione non riconosciuto."_s;
    QTest::newRow("no record count") << RispostaChat::InizioDati + buoni << 9001 << proto << QString();
    QTest::newRow("count not closed") << RispostaChat::InizioDati + u"<!-- REC -->3"_s << 5
                                      << u"Chiamata di routine o argomento non valido"_s << QString();

    QString senzaIp = record(3, {u"tre"_s});
    senzaIp.replace(u"<!-- IP -->"_s, u"<!-- IP ->"_s);
    QTest::newRow("third record without address") << intestazione(u"3"_s) + buoni + senzaIp << 9001 << proto
                                                   << u"uno,due"_s;

    QString tagliato = record(3, {u"tre"_s});
    tagliato.chop(tagliato.size() - tagliato.lastIndexOf(u"<!-- /0 -->"_s) - 6); // "<!-- /" left
    QTest::newRow("last field end cut in half") << intestazione(u"3"_s) + buoni + tagliato << 5
                                                << u"Chiamata di routine o argomento non valido"_s << u"uno,due"_s;
}

void tst_Trascrizione::protocolErrors()
{
    QFETCH(QString, risposta);
    QFETCH(int, errore);
    QFETCH(QString, descrizione);
    QFETCH(QString, rimasti);

    int numero = 0;
    QString testo;
    try {
        m_trascrizione->ElaboraRisposta(risposta);
    } catch (const RuntimeError &e) {
        numero = e.number();
        testo = e.description();
    }
    QCOMPARE(numero, errore);
    QCOMPARE(testo, descrizione);
    QCOMPARE(nicks(*m_view), rimasti);
    QVERIFY(!m_view->isHidden());
    QCOMPARE(m_trascrizione->UltimaRisposta(), risposta);

    // The failing reply is remembered: polled again, it is not processed again.
    const int revisione = m_view->document()->revision();
    m_trascrizione->ElaboraRisposta(risposta);
    QCOMPARE(m_view->document()->revision(), revisione);
}

void tst_Trascrizione::viewIsHiddenWhileRecordsAreInserted()
{
    int modificheNascoste = 0;
    int modificheVisibili = 0;
    connect(m_view->document(), &QTextDocument::contentsChanged, this, [&] {
        ++(m_view->isHidden() ? modificheNascoste : modificheVisibili);
    });
    m_view->setFocus();
    m_trascrizione->ElaboraRisposta(risposta({{u"uno"_s}, {u"due"_s}}));
    QVERIFY(modificheNascoste > 0);
    QVERIFY(modificheVisibili <= 1); // at most the clear before the rebuild
    QVERIFY(!m_view->isHidden());
}

void tst_Trascrizione::hostileReplies_data()
{
    QTest::addColumn<QString>("risposta");
    QTest::addColumn<int>("errore");
    QTest::addColumn<int>("record");
    QTest::addColumn<bool>("troncata"); // a line under the records says that the rest is left out

    QString nul = risposta({{u"a\0b"_s}, {u"c"_s, u"\0"_s, u"\0\0"_s, QString(100, QChar(0))}});
    QTest::newRow("NUL characters") << nul << 0 << 2 << false;

    QTest::newRow("800,000-character message") << risposta({{u"anna"_s, u"x"_s, u"y"_s, QString(800000, u'z')}})
                                               << 0 << 1 << false;
    QTest::newRow("2,000 records of 500 characters")
        << risposta(QList<Rec>(2000, {u"n"_s, u"d"_s, u"i"_s, QString(500, u'm')})) << 0 << 2000 << false;

    QString molti = intestazione(u"2147483647"_s);
    const QString uno = record(1, {u"n"_s});
    while (molti.size() < (10 << 20))
        molti += uno; // one record 1 and its copies: the loop finds no record 2
    QTest::newRow("10 MB of repeated records") << molti << 0 << 1 << false;

    QString troppi = intestazione(u"2147483647"_s);
    for (int i = 1; i <= 100001; ++i)
        troppi += record(i, {u"n"_s, u"d"_s, u"i"_s, u"m"_s});
    QTest::newRow("more than 100,000 records") << troppi << 0 << 100000 << true;

    QString tag = intestazione(u"2"_s) + record(1, {u"uno"_s}) + u"<!-- N0"_s;
    QTest::newRow("record tag cut in half") << tag << 0 << 1 << false;
    QTest::newRow("field marker cut in half") << intestazione(u"1"_s) + u"<!-- N01 --><!-- NI"_s << 9001 << 0 << false;

    QString markup;
    for (int i = 0; i < 100000; ++i)
        markup += u"<!-- /0 --><!-- NICK --><!-- N0"_s;
    QTest::newRow("marker soup") << intestazione(u"9"_s) + markup << 0 << 0 << false;

    // 50,000 records without a message of their own all borrow the last one's 200 kB
    // message: drawn as asked, that would be 10 GB of text.
    QString prestito = intestazione(u"50001"_s);
    const QString senzaMessaggio = u"<!-- NICK -->n<!-- /0 --><!-- DATA -->d<!-- /0 --><!-- IP -->i<!-- /0 -->"_s;
    for (int i = 1; i <= 50000; ++i)
        prestito += RispostaChat::tagRecord(i) + senzaMessaggio;
    prestito += record(50001, {u"ultimo"_s, u"d"_s, u"i"_s, QString(200000, u'm')});
    QTest::newRow("records sharing one huge field") << prestito << 0 << 83 << true; // as many as fit in 16 MB
}

void tst_Trascrizione::hostileReplies()
{
    QFETCH(QString, risposta);
    QFETCH(int, errore);
    QFETCH(int, record);
    QFETCH(bool, troncata);

    QCOMPARE(runtimeErrorOf([&] { m_trascrizione->ElaboraRisposta(risposta); }), errore);
    const QString testo = m_view->plainText();
    QCOMPARE(testo.count(u"ha scritto:"_s), record);
    QCOMPARE(testo.endsWith(u"\r\nrisposta troppo grande: mostrati solo i primi %1 messaggi."_s.arg(record)), troncata);
    QVERIFY(m_view->textLength() <= (16 << 20) + 100);
    QVERIFY(!m_view->isHidden());
}

QTEST_MAIN(tst_Trascrizione)
#include "tst_Trascrizione.moc"
