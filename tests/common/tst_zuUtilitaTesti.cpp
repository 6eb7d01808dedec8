#include "NumericText.h"
#include "PeVersionReader.h"
#include "RuntimeErrorOf.h"
#include "TestFiles.h"
#include "Windows1252.h"
#include "zuUtilita.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QString fixture(const char *name)
{
    return QStringLiteral(FIXTURES_DIR "/") + QLatin1StringView(name);
}

// Reads the version from a copy that ends right where an inaccessible page begins: a parser
// that reads one byte past the end crashes the test instead of passing by luck.
QString guardedVersionOf(const QByteArray &image)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (size_t(image.size()) + page - 1) / page;
    void *mapping = mmap(nullptr, (dataPages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        qFatal("no memory for the guarded copy");
    char *guard = static_cast<char *>(mapping) + dataPages * page;
    mprotect(guard, page, PROT_NONE);
    std::memcpy(guard - image.size(), image.constData(), size_t(image.size()));
    const auto version = PeVersionReader::read(QByteArrayView(guard - image.size(), image.size()));
    munmap(mapping, (dataPages + 1) * page);
    return version ? version->text() : u"none"_s;
}
} // namespace

// The text functions, the code page and number conversions under them, file versions and expansion.
class tst_zuUtilitaTesti : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    zuUtilita m_zu;

private Q_SLOTS:
    void init() { m_dir.emplace(); }

    void codePageAndIntegerConversions()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Windows1252::decode(all);
        QCOMPARE(Windows1252::encode(text), all);
        // The euro and Ÿ from the 0x80-0x9F block; an undefined byte passes through.
        QCOMPARE(text.mid(0x80, 2) + text.at(0x9F) + text.at(0xE8), u"€\u0081Ÿè"_s);
        QCOMPARE(Windows1252::encode(u"€ è ж 😀"_s), QByteArray("\x80 \xe8 ? ?"));
        QVERIFY(!Windows1252::canEncode(QChar(0x0416)));
        QCOMPARE(Windows1252::encodeChar(QChar(0x2014)), '\x97');
        // Ports round half to even; a negative 16-bit value stands for its bit pattern, as "&HFFFF" reads -1.
        QList<int> ports;
        for (const double value : {2.5, 3.5, 40000.0, 65535.0, -1.0, -32768.5})
            ports << NumericText::toPort(value);
        QCOMPARE(ports, (QList<int>{2, 4, 40000, 65535, 65535, 32768}));
        for (const double value : {65535.5, 70000.0, -32769.0, 1e300})
            QCOMPARE(runtimeErrorOf([&] { NumericText::toPort(value); }), int(RuntimeError::Overflow));
        QCOMPARE(NumericText::toInteger16(32767.4), qint16(32767));
        QCOMPARE(NumericText::toInteger16(-32768), qint16(-32768));
        QCOMPARE(NumericText::toInteger16(-0.5), qint16(0));
        QCOMPARE(NumericText::toInteger32(2147483647), qint32(2147483647));
        for (const double value : {32767.5, -32768.6})
            QCOMPARE(runtimeErrorOf([&] { NumericText::toInteger16(value); }), int(RuntimeError::Overflow));
        QCOMPARE(runtimeErrorOf([] { NumericText::toInteger32(2147483647.5); }), int(RuntimeError::Overflow));
        QCOMPARE(runtimeErrorOf([] { NumericText::toInteger32(std::nan("")); }), int(RuntimeError::Overflow));
    }

    // The one-call text functions and conversions; "#N" stands for run-time error N.
    void textFunctions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &function, const QStringList &arguments, const QString &expected) {
            QTest::newRow(name) << function << arguments << expected;
        };
        const QString limite(32767, u'a');
        const QString oltre(32768, u'a');
        row("replace without overlap", u"zuReplace"_s, {u"aaa"_s, u"aa"_s, u"b"_s}, u"ba"_s);
        row("replacement not scanned again", u"zuReplace"_s, {u"abab"_s, u"ab"_s, u"abab"_s}, u"abababab"_s);
        row("replace is case-sensitive", u"zuReplace"_s, {u"Ciao ciao"_s, u"ciao"_s, u"x"_s}, u"Ciao x"_s);
        row("match cut off by the end", u"zuReplace"_s, {u"abc"_s, u"cd"_s, u"x"_s}, u"abc"_s);
        row("empty replacement deletes nothing", u"zuReplace"_s, {u"a-b"_s, u"-"_s, QString()}, u"a-b"_s);
        row("empty pattern", u"zuReplace"_s, {u"abc"_s, QString(), u"x"_s}, u"abc"_s);
        row("replace has no 16-bit limit", u"zuReplace"_s, {oltre, u"a"_s, u"b"_s}, QString(32768, u'b'));
        row("blanks", u"EspuraSpazi"_s, {u"  a  b  "_s}, u"ab"_s);
        row("only code 32 goes", u"EspuraSpazi"_s, {u"a\tb\n c"_s}, u"a\tb\nc"_s);
        row("blanks at the limit", u"EspuraSpazi"_s, {limite}, limite);
        row("blanks beyond the limit", u"EspuraSpazi"_s, {oltre}, u"#6"_s);
        row("file name, both separators", u"DeterminaSoloFileName"_s, {u"C:\\dir/file.txt"_s}, u"file.txt"_s);
        row("file name, back-slash last", u"DeterminaSoloFileName"_s, {u"/home/anna\\file.txt"_s}, u"file.txt"_s);
        row("file name with drive", u"DeterminaSoloFileName"_s, {u"C:file.txt"_s}, u"C:file.txt"_s);
        row("file name of a folder", u"DeterminaSoloFileName"_s, {u"/home/anna/"_s}, QString());
        row("file name beyond the limit", u"DeterminaSoloFileName"_s, {oltre}, u"#6"_s);
        row("extension", u"EstraiEstensione"_s, {u"archivio.tar.gz"_s}, u"gz"_s);
        row("hidden file", u"EstraiEstensione"_s, {u".bashrc"_s}, QString());
        row("hidden file with extension", u"EstraiEstensione"_s, {u".config.ini"_s}, u"ini"_s);
        row("dot in a folder", u"EstraiEstensione"_s, {u"/dati.vecchi/leggimi"_s}, u"vecchi/leggimi"_s);
        row("extension beyond the limit", u"EstraiEstensione"_s, {oltre}, u"#6"_s);
        row("separator, blanks around", u"AggiungiSepDir"_s, {u"  /dati  "_s}, u"/dati/"_s);
        row("separator, only blanks", u"AggiungiSepDir"_s, {u"   "_s}, QString());
        row("separator already there", u"AggiungiSepDir"_s, {u"/home/anna/"_s}, u"/home/anna/"_s);
        row("tabs and line breaks stay", u"AggiungiSepDir"_s, {u" \t/dati\r\n "_s}, u"\t/dati\r\n/"_s);
        row("back-slash is a character here", u"AggiungiSepDir"_s, {u"/dati\\"_s}, u"/dati\\/"_s);
        row("path of a file", u"EstraiPath"_s, {u"/programmi/app/app.exe"_s}, u"/programmi/app/"_s);
        row("path of a bare name", u"EstraiPath"_s, {u"app.exe"_s}, QString());
        row("path at the root", u"EstraiPath"_s, {u"/app.exe"_s}, QString());
        row("path keeps quotes and blanks", u"EstraiPath"_s, {u"\" /a b/c\""_s}, u"\" /a b/"_s);
        row("path at the limit", u"EstraiPath"_s, {limite}, QString());
        row("path beyond the limit", u"EstraiPath"_s, {oltre}, u"#6"_s);
        row("no terminator", u"StripTerminator"_s, {u"abc"_s}, u"abc"_s);
        row("first terminator", u"StripTerminator"_s, {QString::fromUtf8("ab\0cd\0", 6)}, u"ab"_s);
        row("terminator first", u"StripTerminator"_s, {QString::fromUtf8("\0x", 2)}, QString());
        row("short version repeats its last part", u"ConfrontaVersione"_s, {u"1.2"_s, u"1.2.0.0"_s}, u"1"_s);
        row("short version, equal", u"ConfrontaVersione"_s, {u"1.2"_s, u"1.2.2.2"_s}, u"0"_s);
        row("numeric, not textual", u"ConfrontaVersione"_s, {u"1.10"_s, u"1.9"_s}, u"1"_s);
        row("fourth part", u"ConfrontaVersione"_s, {u"1.0.0.9"_s, u"1.0.0.10"_s}, u"-1"_s);
        row("letters after a part", u"ConfrontaVersione"_s, {u" 2.5beta"_s, u"2.5"_s}, u"0"_s);
        row("letters for a part", u"ConfrontaVersione"_s, {u"x.1"_s, u"0.1"_s}, u"0"_s);
        row("negative part", u"ConfrontaVersione"_s, {u"1.-1"_s, u"1.0"_s}, u"-1"_s);
        row("largest part", u"ConfrontaVersione"_s, {u"32767"_s, u"32766"_s}, u"1"_s);
        // A part is the whole number it begins with: no second number, radix prefix or exponent.
        row("blank inside a part", u"ConfrontaVersione"_s, {u"1 0"_s, u"2"_s}, u"-1"_s);
        row("radix prefix", u"ConfrontaVersione"_s, {u"&H10"_s, u"9"_s}, u"-1"_s);
        row("exponent", u"ConfrontaVersione"_s, {u"2e5"_s, u"3"_s}, u"-1"_s);
        row("smallest part", u"ConfrontaVersione"_s, {u"-32768"_s, u"0"_s}, u"-1"_s);
        row("part beyond 16 bits", u"ConfrontaVersione"_s, {u"1.32768"_s, u"1.0"_s}, u"#6"_s);
        row("part far beyond 16 bits", u"ConfrontaVersione"_s, {u"1.0"_s, u"99999999999999999999"_s}, u"#6"_s);
        // The number conversions behind the proxy port and the synchronous-mode setting.
        row("leading value, trailing letters", u"leadingValue"_s, {u"8080abc"_s}, u"8080"_s);
        row("leading value, blanks inside", u"leadingValue"_s, {u" 80 8 0 "_s}, u"8080"_s);
        row("leading value, not a number", u"leadingValue"_s, {u"abc"_s}, u"0"_s);
        row("leading value, negative", u"leadingValue"_s, {u"-12"_s}, u"-12"_s);
        row("leading value, decimal", u"leadingValue"_s, {u"3.5x"_s}, u"3.5"_s);
        row("leading value, exponent D", u"leadingValue"_s, {u"2D2"_s}, u"200"_s);
        row("leading value, dangling exponent", u"leadingValue"_s, {u"12e"_s}, u"12"_s);
        row("leading value, hexadecimal lower case", u"leadingValue"_s, {u"&h1f90zz"_s}, u"8080"_s);
        row("leading value, hexadecimal 16-bit is signed", u"leadingValue"_s, {u"&HFFFF"_s}, u"-1"_s);
        row("leading value, hexadecimal beyond 16 bits", u"leadingValue"_s, {u"&H10000"_s}, u"65536"_s);
        row("leading value, octal", u"leadingValue"_s, {u"&O17"_s}, u"15"_s);
        row("leading value, octal without letter", u"leadingValue"_s, {u"&17"_s}, u"15"_s);
        row("leading value, prefix without digits", u"leadingValue"_s, {u"&Hzz"_s}, u"0"_s);
        row("toDouble, leading zero", u"toDouble"_s, {u"01"_s}, u"1"_s);
        row("toDouble, blanks around", u"toDouble"_s, {u" 1 "_s}, u"1"_s);
        row("toDouble, sign and exponent", u"toDouble"_s, {u"-1.5e1"_s}, u"-15"_s);
        row("toDouble, hexadecimal", u"toDouble"_s, {u"&H1"_s}, u"1"_s);
        row("toDouble, word", u"toDouble"_s, {u"si"_s}, u"#13"_s);
        row("toDouble, blanks only", u"toDouble"_s, {u"   "_s}, u"#13"_s);
        row("toDouble, trailing letters", u"toDouble"_s, {u"1x"_s}, u"#13"_s);
        row("toDouble, blank inside", u"toDouble"_s, {u"1 0"_s}, u"#13"_s);
        row("toDouble, bare prefix", u"toDouble"_s, {u"&H"_s}, u"#13"_s);
        row("toDouble, bad hexadecimal digit", u"toDouble"_s, {u"&H1G"_s}, u"#13"_s);
    }

    void textFunctions()
    {
        QFETCH(QString, function);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QString result;
        QString argument = arguments.value(0);
        const QHash<QString, std::function<QString()>> calls{
            {u"zuReplace"_s, [&] { return m_zu.zuReplace(arguments[0], arguments[1], arguments[2]); }},
            {u"EspuraSpazi"_s, [&] { return m_zu.EspuraSpazi(argument); }},
            {u"DeterminaSoloFileName"_s, [&] { return m_zu.DeterminaSoloFileName(argument); }},
            {u"EstraiEstensione"_s, [&] { return m_zu.EstraiEstensione(argument); }},
            {u"AggiungiSepDir"_s, [&] { return m_zu.AggiungiSepDir(argument); }},
            {u"EstraiPath"_s, [&] { return m_zu.EstraiPath(argument); }},
            {u"StripTerminator"_s, [&] { return m_zu.StripTerminator(argument); }},
            {u"ConfrontaVersione"_s, [&] { return QString::number(m_zu.ConfrontaVersione(arguments[0], arguments[1])); }},
            {u"leadingValue"_s, [&] { return QString::number(NumericText::leadingValue(argument)); }},
            {u"toDouble"_s, [&] { return QString::number(NumericText::toDouble(argument)); }},
        };
        const int error = runtimeErrorOf([&] { result = calls.value(function)(); });
        QCOMPARE(error ? u"#"_s + QString::number(error) : result, expected);
        if (function == u"AggiungiSepDir"_s)
            QCOMPARE(argument, expected); // the caller's variable holds the result too
    }

    void splitKeepsEmptyPiecesAndDropsOneTrailingSeparator()
    {
        const auto split = [this](const QString &buf, const QString &sep) {
            QStringList tmp{u"old"_s, u"content"_s};
            const int error = runtimeErrorOf([&] { tmp.prepend(m_zu.zuSplit(tmp, buf, sep) ? u"+"_s : u"-"_s); });
            return error ? QStringList{u"#"_s + QString::number(error)} + tmp : tmp;
        };
        QCOMPARE(split(u"a,,b,"_s, u","_s), (QStringList{u"+"_s, u"a"_s, {}, u"b"_s}));
        QCOMPARE(split(u",a"_s, u","_s), (QStringList{u"+"_s, {}, u"a"_s}));
        QCOMPARE(split(u"a,,"_s, u","_s), (QStringList{u"+"_s, u"a"_s, {}})); // only one trailing separator goes
        QCOMPARE(split(u","_s, u","_s), (QStringList{u"+"_s, QString()}));
        QCOMPARE(split(u"a|||b"_s, u"||"_s), (QStringList{u"+"_s, u"a"_s, u"|b"_s}));
        // Without text or separator, or beyond 16 bits: refused, and the list holds one empty piece.
        QCOMPARE(split(QString(), u","_s), (QStringList{u"-"_s, QString()}));
        QCOMPARE(split(u"a,b"_s, QString()), (QStringList{u"-"_s, QString()}));
        QCOMPARE(split(QString(32768, u'a'), u","_s), (QStringList{u"#6"_s, QString()}));
        // The trailing separator is dropped before the limit is checked.
        QCOMPARE(split(QString(32767, u'a') + u',', u","_s), (QStringList{u"+"_s, QString(32767, u'a')}));
        // The text may be one of the caller's pieces: it is taken before the list is replaced.
        QStringList tmp{u"x;y"_s};
        QVERIFY(m_zu.zuSplit(tmp, tmp.at(0), u";"_s));
        QCOMPARE(tmp, (QStringList{u"x"_s, u"y"_s}));
    }

    void timeSeparatorsAndFileVersions()
    {
        const QDate zero(1899, 12, 30);
        QCOMPARE(m_zu.LongToDate(3725), QDateTime(zero, QTime(1, 2, 5)));
        QCOMPARE(m_zu.LongToDate(-1), QDateTime(zero.addDays(-1), QTime(23, 59, 59)));
        // The hours are 16-bit: 32767 hours and some seconds still fit, 32768 hours overflow.
        QCOMPARE(m_zu.LongToDate(32767 * 3600 + 3599), QDateTime(zero.addDays(1365), QTime(7, 59, 59)));
        QCOMPARE(runtimeErrorOf([&] { m_zu.LongToDate(32768 * 3600); }), RuntimeError::Overflow);
        QCOMPARE(runtimeErrorOf([&] { m_zu.LongToDate(std::numeric_limits<qint32>::max()); }), RuntimeError::Overflow);
        // The Swiss group is an apostrophe, which callers do not understand: none.
        QByteArray separatori;
        for (const QLocale &locale : {QLocale(QLocale::Italian, QLocale::Italy), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Switzerland)}) {
            QLocale::setDefault(locale);
            separatori += QByteArray(1, char(m_zu.GetSeparatoreDecimale())) + char(m_zu.GetSeparatoreMigliaia());
        }
        QLocale::setDefault(QLocale::c());
        QCOMPARE(separatori, QByteArray(",..,.\0", 6));
        // Parts past 32767 print unsigned; resources without a version, other files and folders give zeros.
        QStringList versioni;
        for (const QString &file : {fixture("versione64.dll"), fixture("versione32.dll"), fixture("senzaversione.dll"),
                                    fixture("leggimi.txt"), m_dir->filePath(u"nessuno.dll"_s), m_dir->path()})
            versioni << m_zu.GetVersione(file);
        QCOMPARE(versioni, (QStringList{u"1.0.6.40000"_s, u"2.15.0.65535"_s, u"0.0.0.0"_s, u"0.0.0.0"_s, u"0.0.0.0"_s,
                                        u"0.0.0.0"_s}));
    }

    void hostileImagesAreRefusedAndNeverReadPastTheirEnd()
    {
        for (const char *name : {"versione64.dll", "versione32.dll"}) {
            const QByteArray image = TestFiles::read(fixture(name));
            QVERIFY(!image.isEmpty());
            QVERIFY(guardedVersionOf(image) != u"none"_s);
            // The resource section runs to the end of the file: every shorter copy lacks part of it.
            for (qsizetype size = 0; size < image.size(); ++size)
                QCOMPARE(guardedVersionOf(image.first(size)), u"none"_s);
        }
        const QByteArray image = TestFiles::read(fixture("versione64.dll"));
        const qsizetype peAt = qFromLittleEndian<quint32>(image.constData() + 0x3C);
        const qsizetype blockAt = image.indexOf(QByteArray(reinterpret_cast<const char *>(u"VS_VERSION_INFO"), 30)) - 6;
        const qsizetype signatureAt = image.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
        QVERIFY(peAt > 0 && blockAt > 0 && signatureAt == blockAt + 40);
        // A field set to a hostile value (its offset, width and value): the image is refused.
        const QList<std::tuple<const char *, qsizetype, int, quint32>> fields{
            {"header offset past the end", 0x3C, 4, 0xFFFFFFF0},
            {"header offset near the end", 0x3C, 4, quint32(image.size() - 2)},
            {"no PE signature", peAt, 1, 'X'},
            {"many sections", peAt + 6, 2, 0xFFFF},
            {"huge optional header", peAt + 20, 2, 0xFFFF},
            {"unknown optional magic", peAt + 24, 2, 0x107},
            {"too few directories", peAt + 24 + 108, 4, 2},
            {"value length short of the record", blockAt + 2, 2, 51},
            {"block shorter than its record", blockAt, 2, 91},
            {"wrong signature", signatureAt, 1, 0},
            {"another key", blockAt + 6, 1, 'W'},
        };
        for (const auto &[what, at, width, value] : fields) {
            QByteArray hostile = image;
            const quint32 little = qToLittleEndian(value);
            std::memcpy(hostile.data() + at, &little, size_t(width));
            QVERIFY2(guardedVersionOf(hostile) == u"none"_s, what);
        }
        // Any single byte set to a hostile value must leave a parser that still
        // reads only inside the buffer; what it answers is not the point here.
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

    void expandsFixtureAndCopiesPlainFiles()
    {
        const QString destinazione = m_dir->filePath(u"leggimi.txt"_s);
        QVERIFY(m_zu.Decomprimi(fixture("leggimi.tx_"), destinazione));
        const QByteArray atteso = TestFiles::read(fixture("leggimi.txt"));
        QVERIFY(atteso.size() > 5000);
        QCOMPARE(TestFiles::read(destinazione), atteso);
        // A failed expansion keeps the old destination and leaves no half-written file behind:
        // a header alone, then a cut mid-stream, where libmspack stops quietly and only the length tells.
        const QByteArray compresso = TestFiles::read(fixture("leggimi.tx_"));
        const QString troncato = m_dir->filePath(u"troncato.tx_"_s);
        for (const qsizetype size : {qsizetype(14), compresso.size() / 2}) {
            QVERIFY(TestFiles::write(troncato, compresso.first(size)));
            QVERIFY(!m_zu.Decomprimi(troncato, destinazione));
            QCOMPARE(TestFiles::read(destinazione), atteso);
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
        // A file that is not compressed is copied as it is.
        const QByteArray semplice("Non compresso.\r\nSZD: quasi una firma\r\n");
        QVERIFY(TestFiles::write(m_dir->filePath(u"a.txt"_s), semplice));
        QVERIFY(m_zu.Decomprimi(m_dir->filePath(u"a.txt"_s), m_dir->filePath(u"b.txt"_s)));
        QCOMPARE(TestFiles::read(m_dir->filePath(u"b.txt"_s)), semplice);
        QVERIFY(!m_zu.Decomprimi(m_dir->filePath(u"manca"_s), m_dir->filePath(u"c.txt"_s)));
        QVERIFY(!QFile::exists(m_dir->filePath(u"c.txt"_s)));
        QVERIFY(!m_zu.Decomprimi(m_dir->filePath(u"a.txt"_s), m_dir->filePath(u"nessuna/cartella/c.txt"_s)));
    }

    void expandsOwnCompressorsOutput_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("comprimibile");
        QByteArray casuale(20000, '\0');
        QRandomGenerator(1234).fillRange(reinterpret_cast<quint32 *>(casuale.data()), casuale.size() / 4);
        QByteArray ripetuto;
        for (int i = 0; i < 3000; ++i)
            ripetuto += "Ciarla " + QByteArray::number(i % 37) + (i % 5 ? " " : "\r\n");
        QTest::newRow("starts with blanks of the window") << QByteArray(40, ' ') + "ciao" << true;
        QTest::newRow("long run, overlapping copies") << QByteArray(10000, 'z') << true;
        QTest::newRow("text beyond the window") << ripetuto << true;
        QTest::newRow("random bytes") << casuale << false;
    }

    void expandsOwnCompressorsOutput()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, comprimibile);
        // mscompress writes dati.bin_ beside dati.bin, independently of the expander under test.
        QVERIFY(TestFiles::write(m_dir->filePath(u"dati.bin"_s), data));
        QCOMPARE(QProcess::execute(u"mscompress"_s, {m_dir->filePath(u"dati.bin"_s)}), 0);
        QVERIFY(QFile::remove(m_dir->filePath(u"dati.bin"_s)));
        QVERIFY(m_zu.Decomprimi(m_dir->filePath(u"dati.bin_"_s), m_dir->filePath(u"dati.bin"_s)));
        QCOMPARE(TestFiles::read(m_dir->filePath(u"dati.bin"_s)), data);
        if (comprimibile) // matches were really used, not just literals
            QVERIFY(QFileInfo(m_dir->filePath(u"dati.bin_"_s)).size() < data.size());
    }
};

QTEST_GUILESS_MAIN(tst_zuUtilitaTesti)
#include "tst_zuUtilitaTesti.moc"
