#include "DocumentRuns.h"
#include "RichTextView.h"
#include "RispostaDiProva.h"
#include "RuntimeErrorOf.h"
#include "Trascrizione.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {
using namespace RispostaDiProva;

RecordChat r(const QString &nick)
{
    return {nick, u"21:15"_s, u"192.0.2.7"_s, u"ciao"_s};
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

    RichTextView *m_view = nullptr;
    Trascrizione *m_trascrizione = nullptr;

    // Processes a reply: "#N" for run-time error N, then the nicks drawn; the view must be visible again.
    QString elabora(const QString &r)
    {
        const int errore = runtimeErrorOf([&] { m_trascrizione->ElaboraRisposta(r); });
        return (errore ? u"#"_s + QString::number(errore) + u' ' : QString()) + (m_view->isHidden() ? u"hidden"_s : nicks(*m_view));
    }

private Q_SLOTS:
    void init()
    {
        m_view = new RichTextView;
        m_view->resize(400, 300);
        m_view->show();
        m_trascrizione = new Trascrizione(m_view, m_view);
    }

    void cleanup() { delete m_view; }

    void recordsAndBannersWithTheirLook()
    {
        // The view is hidden while the records go in: at most the clear comes before.
        int modificheNascoste = 0;
        int modificheVisibili = 0;
        const auto conteggio = connect(m_view->document(), &QTextDocument::contentsChanged, this,
                                       [&] { ++(m_view->isHidden() ? modificheNascoste : modificheVisibili); });
        m_view->setFocus();
        m_trascrizione->ElaboraRisposta(risposta({r(u"anna"_s), {u"bruno"_s, u"21:16"_s, u"192.0.2.9"_s, u"ok"_s}}));
        disconnect(conteggio);
        QVERIFY(modificheNascoste > 0 && modificheVisibili <= 1);
        QCOMPARE(describeRuns(*m_view->document()), u"[L] {Arial 10|Nick /> }{Arial 12 B|anna}\n"
                                                   u"[L] {Arial 10 I|21:15 192.0.2.7 ha scritto:}\n[L] {Arial 10|ciao}\n[L]\n"
                                                   u"[L] {Arial 10|Nick /> }{Arial 12 B|bruno}\n"
                                                   u"[L] {Arial 10 I|21:16 192.0.2.9 ha scritto:}\n[L] {Arial 10|ok}\n[L]\n[L]"_s);
        QCOMPARE(m_view->insertionPoint(), m_view->textLength());
        m_trascrizione->ElaboraRisposta(u"<html>500 Internal Server Error</html>"_s);
        QCOMPARE(describeRuns(*m_view->document()), u"[C]\n[C] {Arial 12 B|servizio non disponibile.}"_s);
        // NO DATA wins over records, even when they are well-formed.
        m_trascrizione->ElaboraRisposta(risposta({r(u"anna"_s)}) + RispostaChat::NessunDato);
        QCOMPARE(describeRuns(*m_view->document()), u"[C]\n[C] {Arial 12 B|NESSUN MESSAGGIO}"_s);
        // A banner is replaced whole: nothing of its look leaks into the records.
        m_trascrizione->ElaboraRisposta(risposta({r(u"anna"_s)}));
        QVERIFY(describeRuns(*m_view->document()).startsWith(u"[L] {Arial 10|Nick /> }"_s));
    }

    // A repeated reply is not redrawn (see replies()); a new one is, ending with the newest message in view.
    void newestMessageInViewAndEmptyBodyAfterReset()
    {
        m_trascrizione->ElaboraRisposta(risposta(QList<RecordChat>(60, r(u"n"_s))));
        QVERIFY(m_view->verticalScrollBar()->value() > 0);
        QVERIFY(m_view->viewport()->rect().contains(m_view->cursorRect()));
        // After a reset even an empty body is drawn, or the old banner would stay up.
        m_trascrizione->ScriviBanner(u"attendere..."_s);
        m_trascrizione->AzzeraUltimaRisposta();
        m_trascrizione->ElaboraRisposta(QString());
        QCOMPARE(m_view->plainText(), u"\r\nservizio non disponibile."_s);
    }

    // A reply that continues the records shown appends them: the reader keeps the lines in
    // view and the selection, and accessibility hears the new text alone; the text ends as
    // a full redraw would draw it.
    void continuingReplyIsAppended_data()
    {
        QTest::addColumn<int>("tolti");    // oldest records the room drops
        QTest::addColumn<int>("nuovi");    // records added after the rest
        QTest::addColumn<bool>("cambiato"); // an earlier record changes too
        QTest::addColumn<bool>("inAlto");   // the reader has scrolled up
        QTest::newRow("one new, reader up") << 0 << 1 << false << true;
        QTest::newRow("two new, reader at the bottom") << 0 << 2 << false << false;
        QTest::newRow("full room: two go, two come") << 2 << 2 << false << true;
        QTest::newRow("earlier record changed: redrawn") << 0 << 1 << true << true;
        QTest::newRow("too many dropped: redrawn") << 65 << 1 << false << true;
    }

    void continuingReplyIsAppended()
    {
        QFETCH(int, tolti);
        QFETCH(int, nuovi);
        QFETCH(bool, cambiato);
        QFETCH(bool, inAlto);
        QList<RecordChat> prima;
        for (int i = 0; i < 80; ++i)
            prima.append({u"n%1"_s.arg(i), u"21:15"_s, u"192.0.2.7"_s, u"messaggio numero %1"_s.arg(i)});
        QList<RecordChat> dopo = prima.mid(tolti);
        for (int i = 0; i < nuovi; ++i)
            dopo.append({u"nuovo%1"_s.arg(i), u"21:16"_s, u"192.0.2.9"_s, u"Привет 😀 %1"_s.arg(i)});
        if (cambiato)
            dopo[70].messaggio = u"corretto"_s;
        m_trascrizione->ElaboraRisposta(risposta(prima));
        m_view->setTextCursor(m_view->document()->find(u"messaggio numero 75"_s));
        QScrollBar *barra = m_view->verticalScrollBar();
        barra->setValue(inAlto ? barra->maximum() / 2 : barra->maximum());
        const auto lineaInAlto = [&] { return m_view->cursorForPosition(QPoint(0, 0)).block().text(); };
        const QString inVista = lineaInAlto();

        // Each change of the document, characters removed and added, as the text control reports
        // it to accessibility (tst_TrascrizioneAtSpi hears the text itself).
        QStringList cambi;
        const auto ascolto = connect(m_view->document(), &QTextDocument::contentsChange, this,
                                     [&](int, int tolto, int messo) { cambi << u"-%1+%2"_s.arg(tolto).arg(messo); });
        const int taglio = tolti ? m_view->document()->find(u"Nick /> n%1"_s.arg(tolti)).selectionStart() : 0;
        const int finePrima = m_view->textLength() - taglio;
        m_trascrizione->ElaboraRisposta(risposta(dopo));
        disconnect(ascolto);

        RichTextView ridisegnata;
        Trascrizione(&ridisegnata).ElaboraRisposta(risposta(dopo));
        QCOMPARE(describeRuns(*m_view->document()), describeRuns(*ridisegnata.document()));
        const bool aggiunti = !cambiato && tolti <= 64;
        QCOMPARE(m_view->selectedText() == u"messaggio numero 75"_s, aggiunti);
        if (!aggiunti)
            return;
        QCOMPARE(cambi, (tolti ? QStringList{u"-%1+0"_s.arg(taglio)} : QStringList())
                            << u"-0+%1"_s.arg(m_view->textLength() - finePrima));
        if (inAlto)
            QCOMPARE(lineaInAlto(), inVista);
        else
            QCOMPARE(barra->value(), barra->maximum());
    }

    void replies_data()
    {
        QTest::addColumn<QString>("risposta");
        QTest::addColumn<QString>("atteso"); // see elabora()
        const auto conteggio = [](const char *nome, const QString &numero, int presenti, const QString &atteso) {
            QList<RecordChat> records;
            for (int i = 1; i <= presenti; ++i)
                records.append(r(u"a%1"_s.arg(i)));
            QTest::newRow(nome) << risposta(records, numero) << atteso;
        };
        conteggio("count zero", u"0"_s, 2, QString());
        conteggio("count negative", u"-3"_s, 2, QString());
        conteggio("count larger than present", u"5"_s, 3, u"a1,a2,a3"_s);
        conteggio("count largest 32-bit", u"2147483647"_s, 3, u"a1,a2,a3"_s);
        conteggio("count smaller than present", u"2"_s, 3, u"a1,a2"_s);
        conteggio("count beyond 32-bit", u"2147483648"_s, 1, u"#6 "_s);
        conteggio("count smallest 32-bit", u"-2147483648"_s, 1, QString());
        conteggio("count with line breaks around", u"\r\n2\r\n"_s, 3, u"a1,a2"_s);
        conteggio("count below 32-bit", u"-2147483649"_s, 1, u"#6 "_s);
        conteggio("count not a number", u"due"_s, 1, u"#13 "_s);
        conteggio("count with letters after digits", u"4x"_s, 1, u"#13 "_s);
        conteggio("count too long, then a letter", u"99999999999999999999x"_s, 1, u"#13 "_s);
        QTest::newRow("tags out of order end the loop")
            << intestazione(u"3"_s) + record(2, r(u"due"_s)) + record(1, r(u"uno"_s)) + record(3, r(u"tre"_s)) << u"uno"_s;
        QString undici = intestazione(u"11"_s);
        for (int i = 1; i <= 11; ++i)
            undici += record(i, r(u"n%1"_s.arg(i)));
        QTest::newRow("record ten without a leading zero") << undici << u"n1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11"_s;
        QTest::newRow("record ten with a leading zero")
            << QString(undici).replace(u"<!-- N10 -->"_s, u"<!-- N010 -->"_s) << u"n1,n2,n3,n4,n5,n6,n7,n8,n9"_s;
        // A missing field is taken from a later record; with none to borrow from, the reply is not understood.
        const QString senzaNick = QString(record(1, r(u"uno"_s))).remove(campo(u"<!-- NICK -->"_s, u"uno"_s));
        QTest::newRow("field borrowed") << intestazione(u"2"_s) + senzaNick + record(2, r(u"due"_s)) << u"due,due"_s;
        QTest::newRow("field missing") << intestazione(u"1"_s) + senzaNick << u"#9001 "_s;
        // The nick is trimmed once more after decoding, so mark-up cannot pad it.
        QTest::newRow("mark-up around the nick") << risposta({r(u"<b> anna </b>"_s)}) << u"anna"_s;
        // Records drawn before a protocol error stay.
        const QString buoni = record(1, r(u"uno"_s)) + record(2, r(u"due"_s));
        QTest::newRow("no record count") << RispostaChat::InizioDati + buoni << u"#9001 "_s;
        QTest::newRow("count not closed") << RispostaChat::InizioDati + u"<!-- REC -->3"_s << u"#5 "_s;
        const QString senzaIp = record(3, r(u"tre"_s)).replace(u"<!-- IP -->"_s, u"<!-- IP ->"_s);
        QTest::newRow("third record without address") << intestazione(u"3"_s) + buoni + senzaIp << u"#9001 uno,due"_s;
        QString tagliato = record(3, r(u"tre"_s));
        tagliato.chop(tagliato.size() - tagliato.lastIndexOf(u"<!-- /0 -->"_s) - 6); // "<!-- /" left
        QTest::newRow("last field end cut in half") << intestazione(u"3"_s) + buoni + tagliato << u"#5 uno,due"_s;
    }

    void replies()
    {
        QFETCH(QString, risposta);
        QFETCH(QString, atteso);
        QCOMPARE(elabora(risposta), atteso);
        // The reply is remembered, even a failing one: polled again, it is not processed again.
        QCOMPARE(m_trascrizione->UltimaRisposta(), risposta);
        const int revisione = m_view->document()->revision();
        m_trascrizione->ElaboraRisposta(risposta);
        QCOMPARE(m_view->document()->revision(), revisione);
    }

    void blanksAndLineBreaksInValues()
    {
        m_trascrizione->ElaboraRisposta(risposta({{u"   anna  "_s, u" 21:15"_s, u"\t10.0.0.1 "_s, u"\r\n riga uno\r\nriga due  "_s}}));
        QCOMPARE(m_view->plainText(), u"Nick /> anna\r\n21:15 \t10.0.0.1 ha scritto:\r\n\r\n riga uno\r\nriga due\r\n\r\n"_s);
    }

    void decodingOrder_data()
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
        QTest::newRow("references last") << u"&lt;&#1055;&#128512; &amp;#1055; &#233;"_s << u"<П😀 &#1055; &#233;"_s;
    }

    void decodingOrder()
    {
        QFETCH(QString, valore);
        QFETCH(QString, atteso);
        QCOMPARE(Trascrizione::LeggiCampo(u"<!-- MSG -->"_s, u"x<!-- MSG --> "_s + valore + u" <!-- /0 -->"_s), atteso);
    }

    // Hostile replies: bounded work, nothing read past the end.
    void hostileReplies_data()
    {
        QTest::addColumn<QString>("risposta");
        QTest::addColumn<int>("errore");
        QTest::addColumn<int>("record");
        QTest::addColumn<bool>("troncata"); // a line under the records says that the rest is left out
        QTest::newRow("NUL characters") << risposta({r(u"a\0b"_s), {u"c"_s, u"\0"_s, u"\0\0"_s, QString(100, QChar(0))}})
                                        << 0 << 2 << false;
        QTest::newRow("800,000-character message") << risposta({{u"anna"_s, u"x"_s, u"y"_s, QString(800000, u'z')}})
                                                   << 0 << 1 << false;
        QTest::newRow("2,000 records of 500 characters")
            << risposta(QList<RecordChat>(2000, {u"n"_s, u"d"_s, u"i"_s, QString(500, u'm')})) << 0 << 2000 << false;
        QString molti = intestazione(u"2147483647"_s);
        while (molti.size() < (10 << 20))
            molti += record(1, r(u"n"_s)); // one record 1 and its copies: the loop finds no record 2
        QTest::newRow("10 MB of repeated records") << molti << 0 << 1 << false;
        QString troppi = intestazione(u"2147483647"_s);
        for (int i = 1; i <= 100001; ++i)
            troppi += record(i, {u"n"_s, u"d"_s, u"i"_s, u"m"_s});
        QTest::newRow("more than 100,000 records") << troppi << 0 << 100000 << true;
        QTest::newRow("record tag cut in half") << intestazione(u"2"_s) + record(1, r(u"uno"_s)) + u"<!-- N0"_s << 0 << 1 << false;
        QTest::newRow("field marker cut in half") << intestazione(u"1"_s) + u"<!-- N01 --><!-- NI"_s << 9001 << 0 << false;
        QTest::newRow("marker soup") << intestazione(u"9"_s) + u"<!-- /0 --><!-- NICK --><!-- N0"_s.repeated(100000) << 0 << 0
                                     << false;
        // 50,000 records without a message of their own all borrow the last one's 200 kB
        // message: drawn as asked, that would be 10 GB of text.
        QString prestito = intestazione(u"50001"_s);
        const QString senzaMessaggio = u"<!-- NICK -->n<!-- /0 --><!-- DATA -->d<!-- /0 --><!-- IP -->i<!-- /0 -->"_s;
        for (int i = 1; i <= 50000; ++i)
            prestito += RispostaChat::tagRecord(i) + senzaMessaggio;
        prestito += record(50001, {u"ultimo"_s, u"d"_s, u"i"_s, QString(200000, u'm')});
        QTest::newRow("records sharing one huge field") << prestito << 0 << 83 << true; // as many as fit in 16 MB
    }

    void hostileReplies()
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
};

QTEST_MAIN(tst_Trascrizione)
#include "tst_Trascrizione.moc"
