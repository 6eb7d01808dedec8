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

// Reads the version from a copy fenced so that any read past its end faults.
QString guardedVersionOf(const QByteArray &image)
{
    const GuardedBytes guarded(image);
    const auto version = PeVersionReader::read(guarded.view());
    return version ? version->text() : u"none"_s;
}
} // namespace

class tst_zuUtilitaTesti : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceScansLeftToRightWithoutOverlap();
    void splitKeepsEmptyPiecesAndDropsOneTrailingSeparator();
    void blanksFileNamesAndExtensions();
    void sixteenBitLimitsOverflow();
    void versionComparison();
    void secondsToTime();
    void localeSeparators();

    void versionOfFiles();
    void truncatedImagesAreNeverReadPastTheirEnd();
    void hostileFieldsAreRefused();
    void everyCorruptedByteIsSurvived();

    void expandsFixtureByteForByte();
    void expandsOwnCompressorsOutput_data();
    void expandsOwnCompressorsOutput();
    void copiesUncompressedFilesUnchanged();
};

void tst_zuUtilitaTesti::replaceScansLeftToRightWithoutOverlap()
{
    zuUtilita zu;
    QCOMPARE(zu.zuReplace(u"aaa"_s, u"aa"_s, u"b"_s), u"ba"_s);
    QCOMPARE(zu.zuReplace(u"abab"_s, u"ab"_s, u"abab"_s), u"abababab"_s); // the replacement is not scanned again
    QCOMPARE(zu.zuReplace(u"Ciao ciao"_s, u"ciao"_s, u"x"_s), u"Ciao x"_s);
    QCOMPARE(zu.zuReplace(u"abc"_s, u"cd"_s, u"x"_s), u"abc"_s); // a match cut off by the end
    QCOMPARE(zu.zuReplace(u"a-b"_s, u"-"_s, QString()), u"a-b"_s); // an empty replacement deletes nothing
    QCOMPARE(zu.zuReplace(u"abc"_s, QString(), u"x"_s), u"abc"_s);
}

void tst_zuUtilitaTesti::splitKeepsEmptyPiecesAndDropsOneTrailingSeparator()
{
    zuUtilita zu;
    const auto split = [&zu](const QString &buf, const QString &sep) {
        QStringList tmp{u"old"_s, u"content"_s};
        return zu.zuSplit(tmp, buf, sep) ? tmp : QStringList{u"(refused)"_s};
    };
    QCOMPARE(split(u"a,,b,"_s, u","_s), (QStringList{u"a"_s, {}, u"b"_s}));
    QCOMPARE(split(u",a"_s, u","_s), (QStringList{{}, u"a"_s}));
    QCOMPARE(split(u"a,,"_s, u","_s), (QStringList{u"a"_s, {}})); // only one trailing separator goes
    QCOMPARE(split(u","_s, u","_s), QStringList{QString()});
    QCOMPARE(split(u"a|||b"_s, u"||"_s), (QStringList{u"a"_s, u"|b"_s}));

    // Without text or separator: refused, and the list holds one empty piece.
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

    QCOMPARE(zu.DeterminaSoloFileName(u"C:\\dir/file.txt"_s), u"file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"/home/anna\\file.txt"_s), u"file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"C:file.txt"_s), u"C:file.txt"_s);
    QCOMPARE(zu.DeterminaSoloFileName(u"/home/anna/"_s), QString());

    QCOMPARE(zu.EstraiEstensione(u"archivio.tar.gz"_s), u"gz"_s);
    QCOMPARE(zu.EstraiEstensione(u".bashrc"_s), QString());
    QCOMPARE(zu.EstraiEstensione(u".config.ini"_s), u"ini"_s);
    QCOMPARE(zu.EstraiEstensione(u"/dati.vecchi/leggimi"_s), u"vecchi/leggimi"_s);
}

void tst_zuUtilitaTesti::sixteenBitLimitsOverflow()
{
    zuUtilita zu;
    const QString limite(32767, u'a');
    const QString oltre(32768, u'a');
    QCOMPARE(zu.EspuraSpazi(limite), limite);
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

    // Nor do the parts of a version fit beyond 16 bits.
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"1.32768"_s, u"1.0"_s); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"1.0"_s, u"99999999999999999999"_s); }),
             RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.ConfrontaVersione(u"-32768"_s, u"0"_s); }), 0);
}

void tst_zuUtilitaTesti::versionComparison()
{
    zuUtilita zu;
    QCOMPARE(zu.ConfrontaVersione(u"1.2"_s, u"1.2.0.0"_s), 1); // the short one repeats its last part
    QCOMPARE(zu.ConfrontaVersione(u"1.2"_s, u"1.2.2.2"_s), 0);
    QCOMPARE(zu.ConfrontaVersione(u"1.10"_s, u"1.9"_s), 1); // numeric, not textual
    QCOMPARE(zu.ConfrontaVersione(u"1.0.0.9"_s, u"1.0.0.10"_s), -1);
    QCOMPARE(zu.ConfrontaVersione(u" 2.5beta"_s, u"2.5"_s), 0);
    QCOMPARE(zu.ConfrontaVersione(u"x.1"_s, u"0.1"_s), 0);
    QCOMPARE(zu.ConfrontaVersione(u"1.-1"_s, u"1.0"_s), -1);
    QCOMPARE(zu.ConfrontaVersione(u"32767"_s, u"32766"_s), 1);
    // A part is the whole number it begins with: no second number, radix prefix or exponent.
    QCOMPARE(zu.ConfrontaVersione(u"1 0"_s, u"2"_s), -1);
    QCOMPARE(zu.ConfrontaVersione(u"&H10"_s, u"9"_s), -1);
    QCOMPARE(zu.ConfrontaVersione(u"2e5"_s, u"3"_s), -1);
}

void tst_zuUtilitaTesti::secondsToTime()
{
    zuUtilita zu;
    const QDate zero(1899, 12, 30);
    QCOMPARE(zu.LongToDate(3725), QDateTime(zero, QTime(1, 2, 5)));
    QCOMPARE(zu.LongToDate(90000), QDateTime(zero.addDays(1), QTime(1, 0, 0)));
    QCOMPARE(zu.LongToDate(-1), QDateTime(zero.addDays(-1), QTime(23, 59, 59)));

    // The hours are 16-bit: 32767 hours and some seconds still fit, 32768 hours overflow.
    QCOMPARE(zu.LongToDate(32767 * 3600 + 3599), QDateTime(zero.addDays(1365), QTime(7, 59, 59)));
    QCOMPARE(overflowNumber([&] { zu.LongToDate(32768 * 3600); }), RuntimeError::Overflow);
    QCOMPARE(overflowNumber([&] { zu.LongToDate(std::numeric_limits<qint32>::max()); }), RuntimeError::Overflow);
}

void tst_zuUtilitaTesti::localeSeparators()
{
    zuUtilita zu;
    const auto separators = [&zu](const QLocale &locale) {
        QLocale::setDefault(locale);
        const QByteArray coppia = QByteArray(1, char(zu.GetSeparatoreDecimale())) + char(zu.GetSeparatoreMigliaia());
        QLocale::setDefault(QLocale::c());
        return coppia;
    };
    QCOMPARE(separators(QLocale(QLocale::Italian, QLocale::Italy)), QByteArray(",."));
    QCOMPARE(separators(QLocale(QLocale::English, QLocale::UnitedStates)), QByteArray(".,"));
    // The Swiss group with an apostrophe, which callers do not understand.
    QCOMPARE(separators(QLocale(QLocale::German, QLocale::Switzerland)), QByteArray(".\0", 2));
}

void tst_zuUtilitaTesti::versionOfFiles()
{
    zuUtilita zu;
    QCOMPARE(zu.GetVersione(fixture("versione64.dll")), u"1.0.6.40000"_s); // parts past 32767 print unsigned
    QCOMPARE(zu.GetVersione(fixture("versione32.dll")), u"2.15.0.65535"_s);
    QTemporaryDir dir;
    QCOMPARE(zu.GetVersione(fixture("senzaversione.dll")), u"0.0.0.0"_s); // resources, but no version
    QCOMPARE(zu.GetVersione(fixture("leggimi.txt")), u"0.0.0.0"_s);
    QCOMPARE(zu.GetVersione(dir.filePath(u"nessuno.dll"_s)), u"0.0.0.0"_s);
    QCOMPARE(zu.GetVersione(dir.path()), u"0.0.0.0"_s);
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
    refused("header offset past the end", [](QByteArray &b) { qToLittleEndian<quint32>(0xFFFFFFF0, b.data() + 0x3C); });
    refused("header offset near the end",
            [](QByteArray &b) { qToLittleEndian<quint32>(b.size() - 2, b.data() + 0x3C); });
    refused("no PE signature", [&](QByteArray &b) { b[peAt] = 'X'; });
    refused("many sections", [&](QByteArray &b) { qToLittleEndian<quint16>(0xFFFF, b.data() + peAt + 6); });
    refused("huge optional header", [&](QByteArray &b) { qToLittleEndian<quint16>(0xFFFF, b.data() + peAt + 20); });
    refused("unknown optional magic", [&](QByteArray &b) { qToLittleEndian<quint16>(0x107, b.data() + peAt + 24); });
    refused("too few directories", [&](QByteArray &b) { qToLittleEndian<quint32>(2, b.data() + peAt + 24 + 108); });
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
    zuUtilita zu;
    QVERIFY(zu.Decomprimi(fixture("leggimi.tx_"), destinazione));
    const QByteArray atteso = readAll(fixture("leggimi.txt"));
    QVERIFY(atteso.size() > 5000);
    QCOMPARE(readAll(destinazione), atteso);

    // A failed expansion keeps the old destination and leaves no half-written file behind:
    // a header alone, then a cut mid-stream, where libmspack stops quietly and only the length tells.
    const QByteArray compresso = readAll(fixture("leggimi.tx_"));
    const QString troncato = dir.filePath(u"troncato.tx_"_s);
    for (const qsizetype size : {qsizetype(14), compresso.size() / 2}) {
        QVERIFY(writeAll(troncato, compresso.first(size)));
        QVERIFY(!zu.Decomprimi(troncato, destinazione));
        QCOMPARE(readAll(destinazione), atteso);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
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

    QVERIFY(!zu.Decomprimi(dir.filePath(u"manca"_s), dir.filePath(u"c.txt"_s)));
    QVERIFY(!QFile::exists(dir.filePath(u"c.txt"_s)));
    QVERIFY(!zu.Decomprimi(dir.filePath(u"a.txt"_s), dir.filePath(u"nessuna/cartella/c.txt"_s)));
}

QTEST_GUILESS_MAIN(tst_zuUtilitaTesti)
#include "tst_zuUtilitaTesti.moc"
