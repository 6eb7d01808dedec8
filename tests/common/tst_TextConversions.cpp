#include "NumericText.h"
#include "RuntimeErrorOf.h"
#include "Windows1252.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The code page of the settings and logs, and the number conversions behind the
// proxy port and the synchronous-mode setting.
class tst_TextConversions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windows1252()
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
    }

    void leadingValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("trailing letters") << u"8080abc"_s << 8080.0;
        QTest::newRow("blanks inside") << u" 80 8 0 "_s << 8080.0;
        QTest::newRow("not a number") << u"abc"_s << 0.0;
        QTest::newRow("negative") << u"-12"_s << -12.0;
        QTest::newRow("decimal") << u"3.5x"_s << 3.5;
        QTest::newRow("exponent D") << u"2D2"_s << 200.0;
        QTest::newRow("dangling exponent") << u"12e"_s << 12.0;
        QTest::newRow("hexadecimal lower case") << u"&h1f90zz"_s << 8080.0;
        QTest::newRow("hexadecimal 16-bit is signed") << u"&HFFFF"_s << -1.0;
        QTest::newRow("hexadecimal beyond 16 bits") << u"&H10000"_s << 65536.0;
        QTest::newRow("octal") << u"&O17"_s << 15.0;
        QTest::newRow("octal without letter") << u"&17"_s << 15.0;
        QTest::newRow("prefix without digits") << u"&Hzz"_s << 0.0;
    }

    void leadingValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumericText::leadingValue(text), value);
    }

    void toDouble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: refused as a type mismatch
        const double refused = std::nan("");
        QTest::newRow("leading zero") << u"01"_s << 1.0;
        QTest::newRow("blanks around") << u" 1 "_s << 1.0;
        QTest::newRow("sign and exponent") << u"-1.5e1"_s << -15.0;
        QTest::newRow("hexadecimal") << u"&H1"_s << 1.0;
        QTest::newRow("word") << u"si"_s << refused;
        QTest::newRow("blanks only") << u"   "_s << refused;
        QTest::newRow("trailing letters") << u"1x"_s << refused;
        QTest::newRow("blank inside") << u"1 0"_s << refused;
        QTest::newRow("bare prefix") << u"&H"_s << refused;
        QTest::newRow("bad hexadecimal digit") << u"&H1G"_s << refused;
    }

    void toDouble()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        double read = 0;
        QCOMPARE(runtimeErrorOf([&] { read = NumericText::toDouble(text); }),
                 std::isnan(value) ? int(RuntimeError::TypeMismatch) : 0);
        QCOMPARE(read, std::isnan(value) ? 0.0 : value);
    }

    void integerConversions()
    {
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
};

QTEST_GUILESS_MAIN(tst_TextConversions)
#include "tst_TextConversions.moc"
