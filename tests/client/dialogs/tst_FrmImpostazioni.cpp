#include "DialogTestHelpers.h"
#include "FrmImpostazioni.h"
#include "MessageBoxRecorder.h"
#include "SettingsStore.h"
#include "TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;
using DialogTestHelpers::click;

namespace {
const QString app = u"ZUCiarlaChat"_s;
const QString sezione = u"Connessione"_s;

void store(const QString &key, const QString &value)
{
    QVERIFY(SettingsStore::setValue(app, sezione, key, value));
}

QString stored(const QString &key)
{
    return SettingsStore::value(app, sezione, key).value_or(u"<missing>"_s);
}

QString text(FrmImpostazioni &dialog, const char *name)
{
    return child<QLineEdit>(dialog, name)->text();
}
} // namespace

class tst_FrmImpostazioni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(SettingsStore::filePath(app)); }

    void nothingStored()
    {
        FrmImpostazioni dialog;
        QVERIFY(dialog.Annulla());
        QVERIFY(child<QRadioButton>(dialog, "OptSys")->isChecked());
        for (const char *name : {"txtProxy", "txtPorta"})
            QVERIFY(text(dialog, name).isEmpty() && !child(dialog, name)->isEnabled());
        QVERIFY(!child<QCheckBox>(dialog, "chkSyn")->isChecked());
        QCOMPARE(child<QLineEdit>(dialog, "txtPsw")->echoMode(), QLineEdit::Password);
    }

    void loadingTrimsAndReadsTheSyncFlag_data()
    {
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("sincrono");
        QTest::addColumn<QString>("mostrato"); // proxy, port, user, password, sync
        QTest::newRow("blanks around") << u"  proxy.lan "_s << u" 1 "_s << u"proxy.lan|3128|mario|segreta|1"_s;
        QTest::newRow("blank proxy") << u" "_s << u"1"_s << u"||mario|segreta|1"_s;
        QTest::newRow("sync 2") << u"p"_s << u"2"_s << u"p|3128|mario|segreta|0"_s;
        QTest::newRow("sync true") << u"p"_s << u"true"_s << u"p|3128|mario|segreta|0"_s;
    }

    void loadingTrimsAndReadsTheSyncFlag()
    {
        QFETCH(QString, proxy);
        QFETCH(QString, sincrono);
        QFETCH(QString, mostrato);
        store(u"Proxy"_s, proxy);
        store(u"Porta"_s, u" 3128 "_s);
        store(u"Username"_s, u" mario "_s);
        store(u"Password"_s, u"\tsegreta "_s);
        store(u"Sincrono"_s, sincrono);
        FrmImpostazioni dialog;
        const bool conProxy = !mostrato.startsWith(u'|');
        QCOMPARE(child<QRadioButton>(dialog, "OptProxy")->isChecked(), conProxy);
        QCOMPARE(child(dialog, "txtProxy")->isEnabled() && child(dialog, "txtPorta")->isEnabled(), conProxy);
        QCOMPARE(QStringList({text(dialog, "txtProxy"), text(dialog, "txtPorta"), text(dialog, "txtUser"), text(dialog, "txtPsw"),
                              child<QCheckBox>(dialog, "chkSyn")->isChecked() ? u"1"_s : u"0"_s}).join(u'|'),
                 mostrato);
    }

    void portsOnConfirm_data()
    {
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("memorizzata"); // null: refused
        QTest::newRow("empty means 80") << QString() << u"80"_s;
        QTest::newRow("zero") << u"0"_s << QString();
        QTest::newRow("letters") << u"abc"_s << QString();
        QTest::newRow("zero with point") << u" 0.0 "_s << QString();
        QTest::newRow("trailing letters") << u"8080abc"_s << u"8080abc"_s;
        QTest::newRow("negative") << u"-5"_s << u"-5"_s;
        QTest::newRow("platform hexadecimal") << u"&H50"_s << u"&H50"_s;
    }

    // A port whose leading number is not zero is stored as typed; others are refused
    // and leave the stored settings alone.
    void portsOnConfirm()
    {
        QFETCH(QString, porta);
        QFETCH(QString, memorizzata);
        store(u"Proxy"_s, u"vecchio"_s);
        store(u"Porta"_s, u"8080"_s);
        const QByteArray prima = TestFiles::read(SettingsStore::filePath(app));
        FrmImpostazioni dialog;
        child<QLineEdit>(dialog, "txtProxy")->setText(u"nuovo"_s);
        child<QLineEdit>(dialog, "txtPorta")->setText(porta);
        MessageBoxRecorder boxes;
        click(dialog, "OKButton");
        QCOMPARE(dialog.Annulla(), memorizzata.isNull());
        if (memorizzata.isNull()) {
            QCOMPARE(boxes.lastBox(), u"16 Attenzione: Numero di porta non valido. Impossibile procedere."_s);
            QCOMPARE(TestFiles::read(SettingsStore::filePath(app)), prima);
            QCOMPARE(text(dialog, "txtPorta"), porta);
            return;
        }
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored(u"Proxy"_s) + u'|' + stored(u"Porta"_s) + u'|' + stored(u"Sincrono"_s), u"nuovo|"_s + memorizzata + u"|0"_s);
    }

    void proxyNameIsNeededAndFocused()
    {
        FrmImpostazioni dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        click(dialog, "OptProxy");
        QVERIFY(child(dialog, "txtProxy")->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), child(dialog, "txtProxy"));
        MessageBoxRecorder boxes;
        click(dialog, "OKButton");
        QCOMPARE(boxes.lastBox(), u"16 Attenzione: E' necessario specificare il nome del proxy. Impossibile procedere."_s);
        QVERIFY(dialog.Annulla());
        QCOMPARE(stored(u"Proxy"_s), u"<missing>"_s);
        // The port is checked before the name.
        child<QLineEdit>(dialog, "txtPorta")->setText(u"0"_s);
        click(dialog, "OKButton");
        QCOMPARE(boxes.last().prompt, u"Numero di porta non valido. Impossibile procedere."_s);
    }

    void systemSettingsClearProxyAndPort()
    {
        store(u"Proxy"_s, u"proxy.lan"_s);
        store(u"Porta"_s, u"3128"_s);
        FrmImpostazioni dialog;
        click(dialog, "OptSys");
        QVERIFY(!child(dialog, "txtProxy")->isEnabled() && !child(dialog, "txtPorta")->isEnabled());
        QCOMPARE(text(dialog, "txtProxy"), u"proxy.lan"_s);
        click(dialog, "OKButton");
        QVERIFY(!dialog.Annulla());
        QCOMPARE(stored(u"Proxy"_s) + stored(u"Porta"_s), QString());
    }

    void credentialsTrimmedAndSyncWritten()
    {
        {
            FrmImpostazioni dialog;
            child<QLineEdit>(dialog, "txtUser")->setText(u"  mario "_s);
            child<QLineEdit>(dialog, "txtPsw")->setText(u" segreta\t"_s);
            click(dialog, "chkSyn");
            click(dialog, "OKButton");
        }
        QCOMPARE(stored(u"Username"_s) + u'|' + stored(u"Password"_s) + u'|' + stored(u"Sincrono"_s), u"mario|segreta|1"_s);
        // Cancel writes nothing.
        const QByteArray prima = TestFiles::read(SettingsStore::filePath(app));
        FrmImpostazioni dialog;
        QVERIFY(child<QCheckBox>(dialog, "chkSyn")->isChecked());
        child<QLineEdit>(dialog, "txtUser")->setText(u"altro"_s);
        click(dialog, "CancelButton");
        QVERIFY(dialog.Annulla());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(TestFiles::read(SettingsStore::filePath(app)), prima);
    }
};

QTEST_MAIN(tst_FrmImpostazioni)
#include "tst_FrmImpostazioni.moc"
