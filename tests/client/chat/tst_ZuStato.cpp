#include "Lamp.h"
#include "ZuStato.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ZuStato : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lampsAndLabelFollowTheState()
    {
        ZuStato stato;
        stato.show();
        const auto shown = [&stato] {
            QString out;
            for (const char *name : {"imgOn", "imgOff", "lblmsg"})
                out += stato.findChild<QWidget *>(QLatin1StringView(name))->isVisible() ? u'1' : u'0';
            return out + u' ' + stato.findChild<QLabel *>(u"lblmsg"_s)->text();
        };
        QCOMPARE(shown().left(3), u"000"_s);
        // Starting with an error, never both lamps at once.
        QStringList visti;
        for (const bool onLine : {false, true, false, false, true, true}) {
            stato.setOnLine(onLine);
            visti << shown();
        }
        QCOMPARE(visti, (QStringList{u"011 errore"_s, u"101 on-line"_s, u"011 errore"_s, u"011 errore"_s,
                                     u"101 on-line"_s, u"101 on-line"_s}));
    }

    void lampsAreShadedDiscsOnWhite()
    {
        ZuStato stato;
        stato.show();
        for (const char *name : {"imgOn", "imgOff"}) {
            auto *lamp = stato.findChild<Lamp *>(QLatin1StringView(name));
            const QImage image = lamp->grab().toImage().scaled(16, 16);
            QVERIFY(image.pixelColor(0, 0) == Qt::white && image.pixelColor(15, 15) == Qt::white);
            // The disc is the lamp's colour; its rim is darker than its lit centre.
            const QColor centre = image.pixelColor(8, 8);
            const bool green = lamp->colour().green() > lamp->colour().red();
            QVERIFY(green ? centre.green() > centre.red() + 60 : centre.red() > centre.green() + 60);
            QVERIFY(image.pixelColor(8, 14).lightness() < centre.lightness());
        }
    }
};

QTEST_MAIN(tst_ZuStato)
#include "tst_ZuStato.moc"
