#include "Windows1252.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_Windows1252 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripOfEveryDefinedByte();
    void charactersOutsideBecomeQuestionMarks();
};

void tst_Windows1252::roundTripOfEveryDefinedByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Windows1252::encode(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0xE8), QChar(u'è'));
    QCOMPARE(text.at(0x81), QChar(0x81)); // undefined byte passes through
}

void tst_Windows1252::charactersOutsideBecomeQuestionMarks()
{
    QCOMPARE(Windows1252::encode(u"€ è ж 😀"_s), QByteArray("\x80 \xe8 ? ?"));
    QVERIFY(!Windows1252::canEncode(QChar(0x0416)));
    QCOMPARE(Windows1252::encodeChar(QChar(0x2014)), '\x97');
}

QTEST_GUILESS_MAIN(tst_Windows1252)
#include "tst_Windows1252.moc"
