#include "CurrentError.h"
#include "MessageBoxRecorder.h"
#include "RuntimeError.h"
#include "zuUtilita.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_zuUtilita : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CurrentError::clear(); }
    void aggiungiSepDir_data();
    void aggiungiSepDir();
    void estraiPath_data();
    void estraiPath();
    void stripTerminatorAndTempFolder();
    void logLineStampAndEncoding();
    void logDeletionRules();
    void logDefaultFileAndBadPaths();
    void italianTableAgainstPrintErrore();
    void printErroreExAndClearing();
    void runtimeErrorDescriptions();

private:
    static QByteArray readAll(const QString &path);
};

QByteArray tst_zuUtilita::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void tst_zuUtilita::aggiungiSepDir_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around") << u"  /dati  "_s << u"/dati/"_s;
    QTest::newRow("only blanks") << u"   "_s << QString();
    QTest::newRow("already ends") << u"/home/anna/"_s << u"/home/anna/"_s;
    QTest::newRow("tabs and line breaks stay") << u" \t/dati\r\n "_s << u"\t/dati\r\n/"_s;
    QTest::newRow("backslash is a character here") << u"/dati\\"_s << u"/dati\\/"_s;
}

void tst_zuUtilita::aggiungiSepDir()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    zuUtilita zu;
    QString percorso = input;
    QCOMPARE(zu.AggiungiSepDir(percorso), expected);
    QCOMPARE(percorso, expected); // the caller's variable holds the result too
}

void tst_zuUtilita::estraiPath_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file in folder") << u"/programmi/app/app.exe"_s << u"/programmi/app/"_s;
    QTest::newRow("bare name") << u"app.exe"_s << QString();
    QTest::newRow("root only separator") << u"/app.exe"_s << QString();
    QTest::newRow("quotes and blanks kept") << u"\" /a b/c\""_s << u"\" /a b/"_s;
}

void tst_zuUtilita::estraiPath()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(zuUtilita().EstraiPath(input), expected);
}

void tst_zuUtilita::stripTerminatorAndTempFolder()
{
    zuUtilita zu;
    QCOMPARE(zu.StripTerminator(u"abc"_s), u"abc"_s);
    QCOMPARE(zu.StripTerminator(QString::fromUtf8("ab\0cd\0", 6)), u"ab"_s);
    QCOMPARE(zu.StripTerminator(QString::fromUtf8("\0x", 2)), QString());

    QVERIFY_THROWS_EXCEPTION(RuntimeError, zu.EstraiPath(QString(32768, u'a')));
    QCOMPARE(zu.EstraiPath(QString(32767, u'a')), QString());

    QTemporaryDir dir;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path() + u"  "_s.trimmed()));
    QCOMPARE(zu.GetDirectoryTemp(), dir.path() + u'/');
    qputenv("TMPDIR", "/no/such/folder");
    QCOMPARE(zu.GetDirectoryTemp(), u"/tmp/"_s);
    qputenv("TMPDIR", saved);
}

void tst_zuUtilita::logLineStampAndEncoding()
{
    QTemporaryDir dir;
    zuUtilita zu;
    const QString log = dir.path() + u"/server è "_s + QString(240, u'l') + u".log"_s;
    QVERIFY(zu.ScriviLog(u"città"_s, log, true, false));
    QVERIFY(zu.ScriviLog(QString(), u"  "_s + log + u" "_s, true, false));
    QVERIFY(zu.ScriviLog(u"senza data"_s, log, false, false));
    const QByteArray content = readAll(log);
    const QList<QByteArray> lines = content.split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 3; ++i)
        QVERIFY(lines.at(i).endsWith('\r'));

    QStringList months;
    for (int m = 1; m <= 12; ++m)
        months << QRegularExpression::escape(QLocale::system().monthName(m, QLocale::ShortFormat));
    const QRegularExpression stamp(u"^\\d{4}-(%1)-\\d{2} \\d{2}:\\d{2}:\\d{2} "_s.arg(months.join(u'|')));
    const QString first = QString::fromLatin1(lines.at(0));
    QVERIFY2(stamp.match(first).hasMatch(), qPrintable(first));
    QVERIFY(lines.at(0).endsWith(" citt\xe0\r")); // Windows-1252, not UTF-8
    QCOMPARE(lines.at(1).size(), 22);             // stamp, one blank, CR
    QCOMPARE(lines.at(2), QByteArray("senza data\r"));

    // Only blanks are trimmed from the name: a tab belongs to it.
    QVERIFY(zu.ScriviLog(u"tab"_s, log + u"\t "_s, false, false));
    QCOMPARE(readAll(log + u'\t'), QByteArray("tab\r\n"));
}

void tst_zuUtilita::logDeletionRules()
{
    QTemporaryDir dir;
    zuUtilita zu;
    const QString log = dir.path() + u"/ciarlaserver.log"_s;
    QVERIFY(!zu.ScriviLog(u"nuova"_s, log, false, true));
    QVERIFY(!QFile::exists(log));
    QVERIFY(zu.ScriviLog(u"uno"_s, log, false, false));
    QVERIFY(zu.ScriviLog(u"due"_s, log, false, false));
    QCOMPARE(readAll(log), QByteArray("uno\r\ndue\r\n"));
    QVERIFY(zu.ScriviLog(u"tre"_s, log, false, true));
    QCOMPARE(readAll(log), QByteArray("tre\r\n"));
}

void tst_zuUtilita::logDefaultFileAndBadPaths()
{
    zuUtilita zu;
    const QString expected = QCoreApplication::applicationDirPath() + u"/tst_zuUtilita.log"_s;
    QFile::remove(expected);
    QVERIFY(zu.ScriviLog(u"predefinito"_s, std::nullopt, false, false));
    QCOMPARE(readAll(expected), QByteArray("predefinito\r\n"));
    QFile::remove(expected);

    QVERIFY(!zu.ScriviLog(u"x"_s, u"/no/such/folder/a.log"_s, true, false));
    QTemporaryDir dir;
    QVERIFY(!zu.ScriviLog(u"x"_s, dir.path(), false, false)); // a folder is no log file
}

void tst_zuUtilita::italianTableAgainstPrintErrore()
{
    zuUtilita zu;
    QCOMPARE(zu.MessaggioErroreITA(52), u"Nome o numero di file non valido"_s);
    QCOMPARE(zu.MessaggioErroreITA(746), u"Sostituzioni troppo lunghe"_s);
    QCOMPARE(zu.MessaggioErroreITA(745), QString());
    QCOMPARE(zu.MessaggioErroreITA(0), QString());

    CurrentError::set(53, u"descrizione del run-time"_s);
    QCOMPARE(zu.MessaggioErroreITA(2), u"descrizione del run-time"_s);
    QCOMPARE(zu.MessaggioErroreITA(-1), u"descrizione del run-time"_s);
    QCOMPARE(CurrentError::number(), 53); // looking up leaves the error alone

    MessageBoxRecorder boxes;
    CurrentError::set(RuntimeError(52));
    zu.PrintErrore();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, u"Impossibile leggere l'unità specificata."_s);
    QCOMPARE(boxes.last().style, 64);
    QCOMPARE(boxes.last().title, u"Errore 52"_s);

    // Off the special case the box shows the error's own description, not the table.
    CurrentError::set(53, u"Il file manca"_s);
    zu.PrintErrore();
    QCOMPARE(boxes.last().prompt, u"Il file manca"_s);
    QCOMPARE(boxes.last().title, u"Errore 53"_s);
}

void tst_zuUtilita::printErroreExAndClearing()
{
    zuUtilita zu;
    MessageBoxRecorder boxes;
    zu.PrintErrore(RuntimeError(9001, u"Protocollo di comunicazione non riconosciuto."_s));
    QCOMPARE(CurrentError::number(), 0);
    QCOMPARE(CurrentError::description(), QString());
    QCOMPARE(boxes.last().title, u"Errore 9001"_s);

    CurrentError::set(RuntimeError(6));
    zu.PrintErroreEx(QString());
    QCOMPARE(boxes.last().prompt, u": Overflow"_s);
    CurrentError::set(RuntimeError(13));
    zu.PrintErroreEx(u"Lettura"_s);
    QCOMPARE(boxes.last().prompt, u"Lettura: Tipo non corrispondente"_s);
    QCOMPARE(boxes.last().title, u"Errore 13"_s);
    QCOMPARE(boxes.count(), 3);
    QCOMPARE(CurrentError::number(), 0);
}

void tst_zuUtilita::runtimeErrorDescriptions()
{
    QCOMPARE(RuntimeError(1009).description(), u"Il server è occupato..."_s);
    QVERIFY(!RuntimeError(12345).description().isEmpty());
    QCOMPARE(QByteArray(RuntimeError(6).what()), QByteArray("6: Overflow"));
}

QTEST_GUILESS_MAIN(tst_zuUtilita)
#include "tst_zuUtilita.moc"
