#include "Lamp.h"
#include "ZuStato.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ZuStato : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void showsNothingAtFirst();
    void errorAsFirstValue();
    void alternatingNeverShowsBothLamps();
    void lampsAreShadedDiscsOnWhite();

private:
    bool visible(const char *name) const { return m_stato->findChild<QWidget *>(QLatin1StringView(name))->isVisible(); }
    QString label() const { return m_stato->findChild<QLabel *>(u"lblmsg"_s)->text(); }

    ZuStato *m_stato = nullptr;
};

void tst_ZuStato::init()
{
    m_stato = new ZuStato;
    m_stato->show();
}

void tst_ZuStato::cleanup()
{
    delete m_stato;
}

void tst_ZuStato::showsNothingAtFirst()
{
    QCOMPARE(m_stato->size(), QSize(114, 23));
    QVERIFY(!visible("imgOn"));
    QVERIFY(!visible("imgOff"));
    QVERIFY(!visible("lblmsg"));

    const QLabel *lbl = m_stato->findChild<QLabel *>(u"lblmsg"_s);
    QCOMPARE(lbl->geometry(), QRect(24, 0, 97, 17));
    QVERIFY(lbl->font().bold());
    QCOMPARE(lbl->font().pointSizeF(), 8.25);
}

void tst_ZuStato::errorAsFirstValue()
{
    m_stato->setOnLine(false);
    QVERIFY(visible("lblmsg"));
    QCOMPARE(label(), u"errore"_s);
    QVERIFY(visible("imgOff"));
    QVERIFY(!visible("imgOn"));
}

void tst_ZuStato::alternatingNeverShowsBothLamps()
{
    for (const bool onLine : {true, false, false, true, true, false, true}) {
        m_stato->setOnLine(onLine);
        QCOMPARE(visible("imgOn"), onLine);
        QCOMPARE(visible("imgOff"), !onLine);
        QCOMPARE(label(), onLine ? u"on-line"_s : u"errore"_s);
        QVERIFY(visible("lblmsg"));
    }
}

void tst_ZuStato::lampsAreShadedDiscsOnWhite()
{
    for (const char *name : {"imgOn", "imgOff"}) {
        auto *lamp = m_stato->findChild<Lamp *>(QLatin1StringView(name));
        QCOMPARE(lamp->geometry(), QRect(0, 0, 16, 16));
        const QImage image = lamp->grab().toImage().scaled(16, 16);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(15, 15), QColor(Qt::white));

        // The disc is the lamp's colour; its rim is darker than its lit centre.
        const QColor centre = image.pixelColor(8, 8);
        const QColor rim = image.pixelColor(8, 14);
        const QColor colour = lamp->colour();
        const bool green = colour.green() > colour.red();
        QVERIFY(green ? centre.green() > centre.red() + 60 : centre.red() > centre.green() + 60);
        QVERIFY(rim.lightness() < centre.lightness());
    }
}

QTEST_MAIN(tst_ZuStato)
#include "tst_ZuStato.moc"
