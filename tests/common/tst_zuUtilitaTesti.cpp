#include "GuardedBytes.h"
#include "PeVersionReader.h"
#include "RuntimeError.h"
#include "SzddWriter.h"
#include "zuUtilita.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QString fixture(const char *name)
{
    return QStringLiteral(FIXTURES_DIR "/") + QLatin1StringView(name);
}

template<typename Call>
qint32 overflowNumber(Call call)
{
    try {
        call();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

QString versionOf(QByteArrayView image)
{
    const auto version = PeVersionReader::read(image);
    return version ? version->text() : u"none"_s;
}

QString guardedVersionOf(const QByteArray &image)
{
    const GuardedBytes guarded(image);
    return versionOf(guarded.view());
}

void putU32(QByteArray &image, qsizetype at, quint32 value)
{
    qToLittleEndian(value, image.data() + at);
}
} // namespace

class tst_zuUtilitaTesti : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void replaceScansLeftToRightWithoutOverlap_data();
    void replaceScansLeftToRightWithoutOverlap();
    void splitKeepsEmptyPiecesAndDropsOneTrailingSeparator_data();
    void splitKeepsEmptyPiecesAndDropsOneTrailingSeparator();
    void splitWithoutTextOrSeparator();
    void blanksFileNamesAndExtensions();
    void sixteenBitLimitsOverflow();
    void versionComparison_data();
    void versionComparison();
    void versionPartBeyondSixteenBitsOverflows();
    void secondsToTime();
    void localeSeparators_data();
    void localeSeparators();

    void versionOfRealLibraries();
    void versionOfFilesWithoutOne();
    void truncatedImagesAreNeverReadPastTheirEnd();
    void hostileFieldsAreRefused();
    void everyCorruptedByteIsSurvived();

    void expandsFixtureByteForByte();
    void expandsOwnCompressorsOutput_data();
    void expandsOwnCompressorsOutput();
    void copiesUncompressedFilesUnchanged();
    void failedExpansionKeepsTheOldDestination();
};

void tst_zuUtilitaTesti::replaceScansLeftToRightWithoutOverlap_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("ricerca");
    QTest::addColumn<QString>("sostituzione");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("no overlap") << u"aaa"_s << u"aa"_s << u"b"_s << u"ba"_s;
    QTest::newRow("four a") << u"aaaa"_s << u"aa"_s << u"b"_s << u"bb"_s;
    QTest::newRow("replacement holds the search") << u"abab"_s << u"ab"_s << u"abab"_s << u"abababab"_s;
    QTest::newRow("case matters") << u"Ciao ciao"_s << u"ciao"_s << u"x"_s << u"Ciao x"_s;
    QTest::newRow("piece cut at the end") << u"abc"_s << u"cd"_s << u"x"_s << u"abc"_s;
    QTest::newRow("empty replacement deletes nothing") << u"a-b"_s << u"-"_s << QString() << u"a-b"_s;
    QTest::newRow("empty search") << u"abc"_s << QString() << u"x"_s << u"abc"_s;
    QTest::newRow("empty text") << QString() << u"a"_s << u"x"_s << QString();
    QTest::newRow("longer replacement") << u"a.b.c"_s << u"."_s << u"::"_s << u"a::b::c"_s;
}

void tst_zuUtilitaTesti::replaceScansLeftToRightWithoutOverlap()
{
    QFETCH(QString, testo);
    QFETCH(QString, ricerca);
    QFETCH(QString, sostituzione);
    QFETCH(QString, atteso);
    QCOMPARE(zuUtilita().zuReplace(testo, ricerca, sostituzione), atteso);
}

void tst_zuUtilitaTesti::splitKeepsEmptyPiecesAndDropsOneTrailingSeparator_data()
{
    QTest::addColumn<QString>("buf");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QStringList>("pezzi");
    QTest::newRow("empty inside, trailing dropped") << u"a,,b,"_s << u","_s << QStringList{u"a"_s, {}, u"b"_s};
    QTest::newRow("leading separator") << u",a"_s << u","_s << QStringList{{}, u"a"_s};
    QTest::newRow("long separator") << u"a||b"_s << u"||"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("only one trailing dropped") << u"a,,"_s << u","_s << QStringList{u"a"_s, {}};
    QTest::newRow("just the separator") << u","_s << u","_s << QStringList{QString()};
    QTest::newRow("no separator") << u"abc"_s << u";"_s << QStringList{u"abc"_s};
    QTest::newRow("separator split by the scan") << u"a|||b"_s << u"||"_s << QStringList{u"a"_s, u"|b"_s};
    QTest::newRow("case matters") << u"aXbxc"_s << u"x"_s << QStringList{u"aXb"_s, u"c"_s};
}

void tst_zuUtilitaTesti::splitKeepsEmptyPiecesAndDropsOneTrailingSeparator()
{
    QFETCH(QString, buf);
    QFETCH(QString, sep);
    QFETCH(QStringList, pezzi);
    QStringList tmp{u"old"_s, u"content"_s};
    QVERIFY(zuUtilita().zuSplit(tmp, buf, sep));
    QCOMPARE(tmp, pezzi);
}

void tst_zuUtilitaTesti::splitWithoutTextOrSeparator()
{
    zuUtilita zu;
    QStringList tmp{u"old"_s};
    QVERIFY(!zu.zuSplit(tmp, QString(), u","_s));
    QCOMPARE(tmp, QStringList{QString()});
    tmp = QStringList{u"old"_s};
    QVERIFY(!zu.zuSplit(tmp, u"a,b"_s, QString()));
    QCOMPARE(tmp, QStringList{QString()});

    // The text may be one of the caller's pieces: it is taken before the list is replaced.
    tmp = QStringList{u"x;y"_s};
    QVERIFY(zu.zuSplit(tmp, tmp.at(0), u";"_s));
    QCOMPARE(tmp, (QStringList{u"x"_s, u"y"_s}));
}

void tst_zuUtilitaTesti::blanksFileNamesAndExtensions()
{
    zuUtilita zu;
    QCOMPARE(zu.EspuraSpazi(u"  a  b  "_s), u"ab"_s);
    QCOMPARE(zu.EspuraSpazi(u"a\tb\n c"_s), u"a\tb\nc"_s); // only code 32 goes
    QCOMPARE(zu.EspuraSpazi(QString()), QString());

    QCOMPARE(zu.DeterminaSoloFileName(u"C:\\dir/file.txt"_s), u"file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"/home/anna\\file.txt"_s), u"file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"file.txt"_s), u"file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"C:file.txt"_s), u"C:file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"/home/anna/"_s), QString());
    QCOMPARE(zu.DeterminaSoloFileName(QString()), QString());

    QCOMPARE(zu.EstraiEstensione(u"archivio.tar.gz"_s), u"gz"_s);
    QCOMPARE(zu.EstraiEstensione(u"leggimi"_s), QString());
    QCOMPARE(zu.EstraiEstensione(u".bashrc"_s), QString());
    QCOMPARE(zu.EstraiEstensione(u".config.ini"_s), u"ini"_s);
    QCOMPARE(zu.EstraiEstensione(u"nome."_s), QString());
    QCOMPARE(zu.EstraiEstensione(u"/dati.vecchi/leggimi"_s), u"vecchi/leggimi"_s);
    QCOMPARE(zu.EstraiEstensione(QString()), QString());
}

void tst_zuUtilitaTesti::sixteenBitLimitsOverflow()
{
    zuUtilita zu;
    const QString limite(32767, u'a');
    const QString oltre(32768, u'a');
    QCOMPARE(zu.EspuraSpazi(limite), limite);
    QCOMPARE(zu.DeterminaSoloFileName(limite), limite);
    QCOMPARE(zu.EstraiEstensione(limite), QString());
    QCOMPARE(overflowNumber([&] { zu.EspuraSpazi(oltre); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.DeterminaSoloFileName(oltre); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.EstraiEstensione(oltre); }), RuntimeError::Overflow);

    QStringList tmp;
    QVERIFY(zu.zuSplit(tmp, limite + u',', u","_s)); // the trailing separator is dropped first
    QCOMPARE(tmp, QStringList{limite});
    QCOMPARE(overflowNumber([&] { zu.zuSplit(tmp, oltre, u","_s); }), RuntimeError::Overflow);
    QCOMPARE(tmp, QStringList{QString()});

    // zuReplace has no such limit.
    QCOMPARE(zu.zuReplace(oltre, u"a"_s, u"b"_s), QString(32768, u'b'));
}

void tst_zuUtilitaTesti::versionComparison_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("atteso");
    QTest::newRow("short one repeats its last part") << u"1.2"_s << u"1.2.0.0"_s << 1;
    QTest::newRow("and the other way") << u"1.2.0.0"_s << u"1.2"_s << -1;
    QTest::newRow("short one equal when repeated") << u"1.2"_s << u"1.2.2.2"_s << 0;
    QTest::newRow("single part") << u"3"_s << u"3.3.3.3"_s << 0;
    QTest::newRow("equal four parts") << u"2.0.1.7"_s << u"2.0.1.7"_s << 0;
    QTest::newRow("numeric, not textual") << u"1.10"_s << u"1.9"_s << 1;
    QTest::newRow("last part decides") << u"1.0.0.9"_s << u"1.0.0.10"_s << -1;
    QTest::newRow("leading blanks and trailing text") << u" 2.5beta"_s << u"2.5"_s << 0;
    QTest::newRow("no number reads 0") << u"x.1"_s << u"0.1"_s << 0;
    QTest::newRow("empty against zero") << QString() << u"0"_s << 0;
    QTest::newRow("negative part") << u"1.-1"_s << u"1.0"_s << -1;
    QTest::newRow("part limit") << u"32767"_s << u"32766"_s << 1;
}

void tst_zuUtilitaTesti::versionComparison()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, atteso);
    QCOMPARE(zuUtilita().ConfrontaVersione(a, b), atteso);
}

void tst_zuUtilitaTesti::versionPartBeyondSixteenBitsOverflows()
{
    zuUtilita zu;
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"1.32768"_s, u"1.0"_s); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"1.0"_s, u"99999999999999999999"_s); }),
             RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"-32768"_s, u"0"_s); }), 0);
}

void tst_zuUtilitaTesti::secondsToTime()
{
    zuUtilita zu;
    const QDate zero(1899, 12, 30);
    QCOMPARE(zu.LongToDate(3725), QDateTime(zero, QTime(1, 2, 5)));
    QCOMPARE(zu.LongToDate(90000), QDateTime(zero.addDays(1), QTime(1, 0, 0)));
    QCOMPARE(zu.LongToDate(0), QDateTime(zero, QTime(0, 0, 0)));
    QCOMPARE(zu.LongToDate(86399), QDateTime(zero, QTime(23, 59, 59)));
    QCOMPARE(zu.LongToDate(86400 * 400 + 61), QDateTime(zero.addDays(400), QTime(0, 1, 1)));
    QCOMPARE(zu.LongToDate(-1), QDateTime(zero.addDays(-1), QTime(23, 59, 59)));

    // The hours are 16-bit: 32767 hours and some seconds still fit, 32768 hours overflow.
    QCOMPARE(zu.LongToDate(32767 * 3600 + 3599), QDateTime(zero.addDays(1365), QTime(7, 59, 59)));
    QCOMPARE(overflowNumber([&] { zu.LongToDate(32768 * 3600); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.LongToDate(std::numeric_limits<qint32>::max()); }), RuntimeError::Overflow);
}

void tst_zuUtilitaTesti::localeSeparators_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("decimale");
    QTest::addColumn<int>("migliaia");
    QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy) << int(',') << int('.');
    QTest::newRow("United States") << QLocale(QLocale::English, QLocale::UnitedStates) << int('.') << int(',');
    QTest::newRow("Swiss German: apostrophe") << QLocale(QLocale::German, QLocale::Switzerland) << int('.') << 0;
    QTest::newRow("French: a blank groups") << QLocale(QLocale::French, QLocale::France) << int(',') << 0;
    QTest::newRow("C: no grouping") << QLocale::c() << int('.') << 0;
}

void tst_zuUtilitaTesti::localeSeparators()
{
    QFETCH(QLocale, locale);
    QFETCH(int, decimale);
    QFETCH(int, migliaia);
    QLocale::setDefault(locale);
    zuUtilita zu;
    QCOMPARE(int(zu.GetSeparatoreDecimale()), decimale);
    QCOMPARE(int(zu.GetSeparatoreMigliaia()), migliaia);
}

void tst_zuUtilitaTesti::versionOfRealLibraries()
{
    zuUtilita zu;
    QCOMPARE(zu.GetVersione(fixture("versione64.dll")), u"1.0.6.40000"_s); // parts past 32767 print unsigned
    QCOMPARE(zu.GetVersione(fixture("versione32.dll")), u"2.15.0.65535"_s);
}

void tst_zuUtilitaTesti::versionOfFilesWithoutOne()
{
    zuUtilita zu;
    QTemporaryDir dir;
    QCOMPARE(zu.GetVersione(fixture("senzaversione.dll")), u"0.0.0.0"_s); // resources, but no version
    QCOMPARE(zu.GetVersione(fixture("leggimi.txt")), u"0.0.0.0"_s);
    QCOMPARE(zu.GetVersione(dir.filePath(u"nessuno.dll"_s)), u"0.0.0.0"_s);
    QCOMPARE(zu.GetVersione(dir.path()), u"0.0.0.0"_s);
    QVERIFY(writeAll(dir.filePath(u"vuoto.dll"_s), QByteArray()));
    QCOMPARE(zu.GetVersione(dir.filePath(u"vuoto.dll"_s)), u"0.0.0.0"_s);
    QCOMPARE(zu.GetVersione(QCoreApplication::applicationFilePath()), u"0.0.0.0"_s); // an ELF file
}

void tst_zuUtilitaTesti::truncatedImagesAreNeverReadPastTheirEnd()
{
    for (const char *name : {"versione64.dll", "versione32.dll"}) {
        const QByteArray image = readAll(fixture(name));
        QVERIFY(!image.isEmpty());
        QVERIFY(guardedVersionOf(image) != u"none"_s);
        // The resource section runs to the end of the file: every shorter copy lacks part of it.
        for (qsizetype size = 0; size < image.size(); ++size)
            QCOMPARE(guardedVersionOf(image.first(size)), u"none"_s);
    }
}

void tst_zuUtilitaTesti::hostileFieldsAreRefused()
{
    const QByteArray image = readAll(fixture("versione64.dll"));
    const qsizetype peAt = qFromLittleEndian<quint32>(image.constData() + 0x3C);
    const qsizetype blockAt = image.indexOf(QByteArray(reinterpret_cast<const char *>(u"VS_VERSION_INFO"), 30)) - 6;
    const qsizetype signatureAt = image.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
    QVERIFY(peAt > 0 && blockAt > 0 && signatureAt == blockAt + 40);

    const auto refused = [&](const char *what, auto change) {
        QByteArray hostile = image;
        change(hostile);
        QVERIFY2(guardedVersionOf(hostile) == u"none"_s, what);
    };
    refused("header offset past the end", [&](QByteArray &b) { putU32(b, 0x3C, 0xFFFFFFF0); });
    refused("header offset near the end", [&](QByteArray &b) { putU32(b, 0x3C, quint32(b.size() - 2)); });
    refused("no PE signature", [&](QByteArray &b) { b[peAt] = 'X'; });
    refused("many sections", [&](QByteArray &b) { qToLittleEndian<quint16>(0xFFFF, b.data() + peAt + 6); });
    refused("huge optional header", [&](QByteArray &b) { qToLittleEndian<quint16>(0xFFFF, b.data() + peAt + 20); });
    refused("unknown optional magic", [&](QByteArray &b) { qToLittleEndian<quint16>(0x107, b.data() + peAt + 24); });
    refused("too few directories", [&](QByteArray &b) { putU32(b, peAt + 24 + 108, 2); });
    refused("value length short of the record",
            [&](QByteArray &b) { qToLittleEndian<quint16>(51, b.data() + blockAt + 2); });
    refused("block shorter than its record", [&](QByteArray &b) { qToLittleEndian<quint16>(91, b.data() + blockAt); });
    refused("wrong signature", [&](QByteArray &b) { b[signatureAt] = 0; });
    refused("another key", [&](QByteArray &b) { b[blockAt + 6] = 'W'; });
}

void tst_zuUtilitaTesti::everyCorruptedByteIsSurvived()
{
    // Any single byte set to a hostile value must leave a parser that still
    // reads only inside the buffer; what it answers is not the point here.
    const QByteArray image = readAll(fixture("versione64.dll"));
    int answered = 0;
    for (qsizetype at = 0; at < image.size(); ++at) {
        for (const char value : {'\x00', '\x7F', '\x80', '\xFF'}) {
            QByteArray hostile = image;
            hostile[at] = value;
            answered += guardedVersionOf(hostile) != u"none"_s;
        }
    }
    QVERIFY(answered > 0); // most bytes (code, padding, strings) do not matter
}

void tst_zuUtilitaTesti::expandsFixtureByteForByte()
{
    QTemporaryDir dir;
    const QString destinazione = dir.filePath(u"leggimi.txt"_s);
    QVERIFY(zuUtilita().Decomprimi(fixture("leggimi.tx_"), destinazione));
    const QByteArray atteso = readAll(fixture("leggimi.txt"));
    QVERIFY(atteso.size() > 5000);
    QCOMPARE(readAll(destinazione), atteso);
}

void tst_zuUtilitaTesti::expandsOwnCompressorsOutput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("comprimibile");
    QByteArray casuale(20000, '\0');
    QRandomGenerator rng(1234);
    for (char &c : casuale)
        c = char(rng.bounded(256));
    QByteArray ripetuto;
    for (int i = 0; i < 3000; ++i)
        ripetuto += "Ciarla " + QByteArray::number(i % 37) + (i % 5 ? " " : "\r\n");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("one byte") << QByteArray("x") << false;
    QTest::newRow("starts with blanks of the window") << QByteArray("                    ciao") << true;
    QTest::newRow("long run, overlapping copies") << QByteArray(10000, 'z') << true;
    QTest::newRow("text beyond the window") << ripetuto << true;
    QTest::newRow("random bytes") << casuale << false;
}

void tst_zuUtilitaTesti::expandsOwnCompressorsOutput()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, comprimibile);
    QTemporaryDir dir;
    const QByteArray compresso = SzddWriter::compress(data);
    QVERIFY(writeAll(dir.filePath(u"dati.bi_"_s), compresso));
    QVERIFY(zuUtilita().Decomprimi(dir.filePath(u"dati.bi_"_s), dir.filePath(u"dati.bin"_s)));
    QCOMPARE(readAll(dir.filePath(u"dati.bin"_s)), data);
    if (comprimibile) // matches were really used, not just literals
        QVERIFY(compresso.size() < data.size());
}

void tst_zuUtilitaTesti::copiesUncompressedFilesUnchanged()
{
    QTemporaryDir dir;
    zuUtilita zu;
    const QByteArray semplice("Non compresso.\r\nSZD: quasi una firma\r\n");
    QVERIFY(writeAll(dir.filePath(u"a.txt"_s), semplice));
    QVERIFY(zu.Decomprimi(dir.filePath(u"a.txt"_s), dir.filePath(u"b.txt"_s)));
    QCOMPARE(readAll(dir.filePath(u"b.txt"_s)), semplice);

    QVERIFY(writeAll(dir.filePath(u"vuoto"_s), QByteArray()));
    QVERIFY(zu.Decomprimi(dir.filePath(u"vuoto"_s), dir.filePath(u"vuoto.out"_s)));
    QVERIFY(QFile::exists(dir.filePath(u"vuoto.out"_s)));
    QCOMPARE(readAll(dir.filePath(u"vuoto.out"_s)), QByteArray());

    QVERIFY(!zu.Decomprimi(dir.filePath(u"manca"_s), dir.filePath(u"c.txt"_s)));
    QVERIFY(!QFile::exists(dir.filePath(u"c.txt"_s)));
    QVERIFY(!zu.Decomprimi(dir.filePath(u"a.txt"_s), dir.filePath(u"nessuna/cartella/c.txt"_s)));
}

void tst_zuUtilitaTesti::failedExpansionKeepsTheOldDestination()
{
    QTemporaryDir dir;
    const QString destinazione = dir.filePath(u"leggimi.txt"_s);
    QVERIFY(writeAll(destinazione, "contenuto precedente"));
    // A header alone: the signature is right, the data is missing.
    const QByteArray troncato = readAll(fixture("leggimi.tx_")).first(14);
    QVERIFY(writeAll(dir.filePath(u"troncato.tx_"_s), troncato));
    QVERIFY(!zuUtilita().Decomprimi(dir.filePath(u"troncato.tx_"_s), destinazione));
    QCOMPARE(readAll(destinazione), QByteArray("contenuto precedente"));

    // Cut in the middle of the data: libmspack stops quietly, the length tells.
    const QByteArray meta = readAll(fixture("leggimi.tx_"));
    QVERIFY(writeAll(dir.filePath(u"meta.tx_"_s), meta.first(meta.size() / 2)));
    QVERIFY(!zuUtilita().Decomprimi(dir.filePath(u"meta.tx_"_s), destinazione));
    QCOMPARE(readAll(destinazione), QByteArray("contenuto precedente"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3); // no half-written file left behind
}

QTEST_GUILESS_MAIN(tst_zuUtilitaTesti)
#include "tst_zuUtilitaTesti.moc"
