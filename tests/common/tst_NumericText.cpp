#include "NumericText.h"
#include "RuntimeError.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The conversions behind the proxy port and the synchronous-mode setting.
class tst_NumericText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void leadingValue_data();
    void leadingValue();
    void toDouble_data();
    void toDouble();
    void toDoubleRejectsNonNumbers_data();
    void toDoubleRejectsNonNumbers();
    void toPortRoundsHalfToEven();
    void toPortOverflows();
    void integerLimits();
};

void tst_NumericText::leadingValue_data()
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

void tst_NumericText::leadingValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumericText::leadingValue(text), value);
}

void tst_NumericText::toDouble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("leading zero") << u"01"_s << 1.0;
    QTest::newRow("blanks around") << u" 1 "_s << 1.0;
    QTest::newRow("sign and exponent") << u"-1.5e1"_s << -15.0;
    QTest::newRow("hexadecimal") << u"&H1"_s << 1.0;
}

void tst_NumericText::toDouble()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumericText::toDouble(text), value);
}

void tst_NumericText::toDoubleRejectsNonNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("word") << u"si"_s;
    QTest::newRow("blanks only") << u"   "_s;
    QTest::newRow("trailing letters") << u"1x"_s;
    QTest::newRow("blank inside") << u"1 0"_s;
    QTest::newRow("bare prefix") << u"&H"_s;
    QTest::newRow("bad hexadecimal digit") << u"&H1G"_s;
}

void tst_NumericText::toDoubleRejectsNonNumbers()
{
    QFETCH(QString, text);
    try {
        NumericText::toDouble(text);
        QFAIL("no type mismatch");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), qint32(RuntimeError::TypeMismatch));
        QVERIFY(!error.description().isEmpty());
    }
}

void tst_NumericText::toPortRoundsHalfToEven()
{
    QCOMPARE(NumericText::toPort(2.5), quint16(2));
    QCOMPARE(NumericText::toPort(3.5), quint16(4));
    // Every real port fits, the upper half included.
    QCOMPARE(NumericText::toPort(40000), quint16(40000));
    QCOMPARE(NumericText::toPort(65535), quint16(65535));
    // A negative 16-bit value stands for its bit pattern, as "&HFFFF" reads -1.
    QCOMPARE(NumericText::toPort(-1), quint16(65535));
    QCOMPARE(NumericText::toPort(-32768.5), quint16(32768));
}

void tst_NumericText::toPortOverflows()
{
    for (const double value : {65535.5, 70000.0, -32769.0, 1e300}) {
        try {
            NumericText::toPort(value);
            QFAIL(qPrintable(u"no overflow for %1"_s.arg(value)));
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), qint32(RuntimeError::Overflow));
        }
    }
}

void tst_NumericText::integerLimits()
{
    QCOMPARE(NumericText::toInteger16(32767.4), qint16(32767));
    QCOMPARE(NumericText::toInteger16(-32768), qint16(-32768));
    QCOMPARE(NumericText::toInteger16(-0.5), qint16(0));
    QCOMPARE(NumericText::toInteger32(2147483647), qint32(2147483647));
    for (const double value : {32767.5, -32768.6})
        QVERIFY_THROWS_EXCEPTION(RuntimeError, NumericText::toInteger16(value));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, NumericText::toInteger32(2147483647.5));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, NumericText::toInteger32(std::nan("")));
}

QTEST_GUILESS_MAIN(tst_NumericText)
#include "tst_NumericText.moc"
