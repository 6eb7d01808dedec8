#include "CurrentError.h"
#include "MessageBoxRecorder.h"
#include "RuntimeError.h"
#include "TestFiles.h"
#include "zuUtilita.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The log file and the error boxes.
class tst_zuUtilita : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CurrentError::clear(); }

    void logLineStampAndEncoding()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        const QString log = dir.path() + u"/server è "_s + QString(240, u'l') + u".log"_s;
        QVERIFY(zu.ScriviLog(u"città"_s, log, true, false));
        QVERIFY(zu.ScriviLog(QString(), u"  "_s + log + u" "_s, true, false));
        QVERIFY(zu.ScriviLog(u"senza data"_s, log, false, false));
        const QList<QByteArray> lines = TestFiles::read(log).split('\n');
        QCOMPARE(lines.size(), 4);
        QStringList months;
        for (int m = 1; m <= 12; ++m)
            months << QRegularExpression::escape(QLocale::system().monthName(m, QLocale::ShortFormat));
        const QRegularExpression stamp(u"^\\d{4}-(%1)-\\d{2} \\d{2}:\\d{2}:\\d{2} "_s.arg(months.join(u'|')));
        QVERIFY2(stamp.match(QString::fromLatin1(lines.at(0))).hasMatch(), lines.at(0).constData());
        QVERIFY(lines.at(0).endsWith(" citt\xe0\r")); // Windows-1252, not UTF-8
        QCOMPARE(lines.at(1).size(), 22);             // stamp, one blank, CR
        QCOMPARE(lines.at(2) + lines.at(3), QByteArray("senza data\r"));
        // Only blanks are trimmed from the name: a tab belongs to it.
        QVERIFY(zu.ScriviLog(u"tab"_s, log + u"\t "_s, false, false));
        QCOMPARE(TestFiles::read(log + u'\t'), QByteArray("tab\r\n"));
    }

    void logDeletionDefaultFileAndBadPaths()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        const QString log = dir.path() + u"/ciarlaserver.log"_s;
        QVERIFY(!zu.ScriviLog(u"nuova"_s, log, false, true));
        QVERIFY(!QFile::exists(log));
        QVERIFY(zu.ScriviLog(u"uno"_s, log, false, false));
        QVERIFY(zu.ScriviLog(u"due"_s, log, false, false));
        QCOMPARE(TestFiles::read(log), QByteArray("uno\r\ndue\r\n"));
        QVERIFY(zu.ScriviLog(u"tre"_s, log, false, true));
        QCOMPARE(TestFiles::read(log), QByteArray("tre\r\n"));
        const QString predefinito = QCoreApplication::applicationDirPath() + u"/tst_zuUtilita.log"_s;
        QFile::remove(predefinito);
        QVERIFY(zu.ScriviLog(u"predefinito"_s, std::nullopt, false, false));
        QCOMPARE(TestFiles::read(predefinito), QByteArray("predefinito\r\n"));
        QFile::remove(predefinito);
        QVERIFY(!zu.ScriviLog(u"x"_s, u"/no/such/folder/a.log"_s, true, false));
        QVERIFY(!zu.ScriviLog(u"x"_s, dir.path(), false, false)); // a folder is no log file
    }

    void italianTableAgainstPrintErrore()
    {
        zuUtilita zu;
        QCOMPARE(zu.MessaggioErroreITA(52), u"Nome o numero di file non valido"_s);
        QCOMPARE(zu.MessaggioErroreITA(746), u"Sostituzioni troppo lunghe"_s);
        QCOMPARE(zu.MessaggioErroreITA(745) + zu.MessaggioErroreITA(0), QString());
        CurrentError::set(53, u"descrizione del run-time"_s);
        QCOMPARE(zu.MessaggioErroreITA(2), u"descrizione del run-time"_s);
        QCOMPARE(zu.MessaggioErroreITA(-1), u"descrizione del run-time"_s);
        QCOMPARE(CurrentError::number(), 53); // looking up leaves the error alone
        MessageBoxRecorder boxes;
        CurrentError::set(RuntimeError(52));
        zu.PrintErrore();
        QCOMPARE(boxes.lastBox(), u"64 Errore 52: Impossibile leggere l'unità specificata."_s);
        // Off the special case the box shows the error's own description, not the table.
        CurrentError::set(53, u"Il file manca"_s);
        zu.PrintErrore();
        QCOMPARE(boxes.lastBox(), u"64 Errore 53: Il file manca"_s);
        zu.PrintErrore(RuntimeError(9001, u"Protocollo di comunicazione non riconosciuto."_s));
        QCOMPARE(CurrentError::number(), 0);
        QCOMPARE(CurrentError::description(), QString());
        QCOMPARE(boxes.last().title, u"Errore 9001"_s);
        CurrentError::set(RuntimeError(6));
        zu.PrintErroreEx(QString());
        QCOMPARE(boxes.last().prompt, u": Overflow"_s);
        CurrentError::set(RuntimeError(13));
        zu.PrintErroreEx(u"Lettura"_s);
        QCOMPARE(boxes.lastBox(), u"64 Errore 13: Lettura: Tipo non corrispondente"_s);
        QCOMPARE(boxes.count(), 5);
        QCOMPARE(CurrentError::number(), 0);
        QCOMPARE(RuntimeError(1009).description(), u"Il server è occupato..."_s);
        QVERIFY(!RuntimeError(12345).description().isEmpty());
        QCOMPARE(QByteArray(RuntimeError(6).what()), QByteArray("6: Overflow"));
    }
};

QTEST_GUILESS_MAIN(tst_zuUtilita)
#include "tst_zuUtilita.moc"
