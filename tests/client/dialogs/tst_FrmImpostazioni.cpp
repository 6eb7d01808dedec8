#include "DialogTestHelpers.h"
#include "FrmImpostazioni.h"
#include "MessageBoxRecorder.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;

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

QByteArray storeFile()
{
    QFile file(SettingsStore::filePath(app));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_FrmImpostazioni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(SettingsStore::filePath(app)); }
    void nothingStored();
    void loadingTrimsAndReadsTheSyncFlag_data();
    void loadingTrimsAndReadsTheSyncFlag();
    void storedProxyWithEmptyPortConfirmsPort80();
    void portsOnConfirm_data();
    void portsOnConfirm();
    void portIsCheckedBeforeProxyName();
    void systemSettingsClearProxyAndPort();
    void credentialsTrimmedAndSyncWritten();
    void cancelWritesNothing();
    void choosingProxyFocusesItsName();
};

void tst_FrmImpostazioni::nothingStored()
{
    FrmImpostazioni dialog;
    QVERIFY(dialog.Annulla());
    QVERIFY(child<QRadioButton>(dialog, "OptSys")->isChecked());
    QVERIFY(!child<QRadioButton>(dialog, "OptProxy")->isChecked());
    for (const char *name : {"txtProxy", "txtPorta"}) {
        QVERIFY(child<QLineEdit>(dialog, name)->text().isEmpty());
        QVERIFY(!child<QLineEdit>(dialog, name)->isEnabled());
    }
    QVERIFY(!child<QCheckBox>(dialog, "chkSyn")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "txtPsw")->echoMode(), QLineEdit::Password);
}

void tst_FrmImpostazioni::loadingTrimsAndReadsTheSyncFlag_data()
{
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<QString>("sincrono");
    QTest::addColumn<bool>("conProxy");
    QTest::addColumn<QString>("proxyMostrato");
    QTest::addColumn<bool>("sincronoAtteso");
    QTest::newRow("blanks around") << u"  proxy.lan "_s << u" 1 "_s << true << u"proxy.lan"_s << true;
    QTest::newRow("blank proxy") << u" "_s << u"1"_s << false << QString() << true;
    QTest::newRow("sync 2") << u"p"_s << u"2"_s << true << u"p"_s << false;
    QTest::newRow("sync true") << u"p"_s << u"true"_s << true << u"p"_s << false;
}

void tst_FrmImpostazioni::loadingTrimsAndReadsTheSyncFlag()
{
    QFETCH(QString, proxy);
    QFETCH(QString, sincrono);
    QFETCH(bool, conProxy);
    QFETCH(QString, proxyMostrato);
    QFETCH(bool, sincronoAtteso);
    store(u"Proxy"_s, proxy);
    store(u"Porta"_s, u" 3128 "_s);
    store(u"Username"_s, u" mario "_s);
    store(u"Password"_s, u"\tsegreta "_s);
    store(u"Sincrono"_s, sincrono);

    FrmImpostazioni dialog;
    QCOMPARE(child<QRadioButton>(dialog, "OptProxy")->isChecked(), conProxy);
    QCOMPARE(child<QLineEdit>(dialog, "txtProxy")->text(), proxyMostrato);
    QCOMPARE(child<QLineEdit>(dialog, "txtPorta")->text(), conProxy ? u"3128"_s : QString());
    QCOMPARE(child<QLineEdit>(dialog, "txtProxy")->isEnabled(), conProxy);
    QCOMPARE(child<QLineEdit>(dialog, "txtPorta")->isEnabled(), conProxy);
    QCOMPARE(child<QLineEdit>(dialog, "txtUser")->text(), u"mario"_s);
    QCOMPARE(child<QLineEdit>(dialog, "txtPsw")->text(), u"segreta"_s);
    QCOMPARE(child<QCheckBox>(dialog, "chkSyn")->isChecked(), sincronoAtteso);
}

void tst_FrmImpostazioni::storedProxyWithEmptyPortConfirmsPort80()
{
    store(u"Proxy"_s, u"proxy.lan"_s);
    FrmImpostazioni dialog;
    QVERIFY(child<QRadioButton>(dialog, "OptProxy")->isChecked());
    QVERIFY(child<QLineEdit>(dialog, "txtPorta")->text().isEmpty());
    MessageBoxRecorder boxes;
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!dialog.Annulla());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(stored(u"Proxy"_s), u"proxy.lan"_s);
    QCOMPARE(stored(u"Porta"_s), u"80"_s);
    QCOMPARE(stored(u"Sincrono"_s), u"0"_s);
}

void tst_FrmImpostazioni::portsOnConfirm_data()
{
    QTest::addColumn<QString>("porta");
    QTest::addColumn<QString>("memorizzata"); // null: refused
    QTest::newRow("zero") << u"0"_s << QString();
    QTest::newRow("letters") << u"abc"_s << QString();
    QTest::newRow("zero with point") << u" 0.0 "_s << QString();
    QTest::newRow("trailing letters") << u"8080abc"_s << u"8080abc"_s;
    QTest::newRow("negative") << u"-5"_s << u"-5"_s;
    QTest::newRow("platform hexadecimal") << u"&H50"_s << u"&H50"_s;
}

// A port whose leading number is not zero is stored as typed; others are refused
// and leave the stored settings alone.
void tst_FrmImpostazioni::portsOnConfirm()
{
    QFETCH(QString, porta);
    QFETCH(QString, memorizzata);
    store(u"Proxy"_s, u"vecchio"_s);
    store(u"Porta"_s, u"8080"_s);
    const QByteArray prima = storeFile();
    FrmImpostazioni dialog;
    child<QLineEdit>(dialog, "txtProxy")->setText(u"nuovo"_s);
    child<QLineEdit>(dialog, "txtPorta")->setText(porta);
    MessageBoxRecorder boxes;
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    if (!memorizzata.isNull()) {
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!dialog.Annulla());
        QCOMPARE(stored(u"Porta"_s), memorizzata);
        return;
    }
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, u"Numero di porta non valido. Impossibile procedere."_s);
    QCOMPARE(boxes.last().title, u"Attenzione"_s);
    QCOMPARE(boxes.last().style, int(MessageBox::Critical));
    QVERIFY(dialog.Annulla());
    QCOMPARE(storeFile(), prima);
    QCOMPARE(child<QLineEdit>(dialog, "txtPorta")->text(), porta);
}

void tst_FrmImpostazioni::portIsCheckedBeforeProxyName()
{
    FrmImpostazioni dialog;
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "OptProxy"));
    MessageBoxRecorder boxes;
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, u"E' necessario specificare il nome del proxy. Impossibile procedere."_s);
    QCOMPARE(boxes.last().title, u"Attenzione"_s);
    QCOMPARE(boxes.last().style, int(MessageBox::Critical));
    QVERIFY(dialog.Annulla());
    QCOMPARE(stored(u"Proxy"_s), u"<missing>"_s);

    child<QLineEdit>(dialog, "txtPorta")->setText(u"0"_s);
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    QCOMPARE(boxes.last().prompt, u"Numero di porta non valido. Impossibile procedere."_s);
}

void tst_FrmImpostazioni::systemSettingsClearProxyAndPort()
{
    store(u"Proxy"_s, u"proxy.lan"_s);
    store(u"Porta"_s, u"3128"_s);
    FrmImpostazioni dialog;
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "OptSys"));
    QVERIFY(!child<QLineEdit>(dialog, "txtProxy")->isEnabled());
    QVERIFY(!child<QLineEdit>(dialog, "txtPorta")->isEnabled());
    QCOMPARE(child<QLineEdit>(dialog, "txtProxy")->text(), u"proxy.lan"_s);
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    QVERIFY(!dialog.Annulla());
    // An empty value reads back as missing.
    QCOMPARE(SettingsStore::value(app, sezione, u"Proxy"_s).value_or(QString()), QString());
    QCOMPARE(SettingsStore::value(app, sezione, u"Porta"_s).value_or(QString()), QString());
}

void tst_FrmImpostazioni::credentialsTrimmedAndSyncWritten()
{
    FrmImpostazioni dialog;
    child<QLineEdit>(dialog, "txtUser")->setText(u"  mario "_s);
    child<QLineEdit>(dialog, "txtPsw")->setText(u" segreta\t"_s);
    DialogTestHelpers::clickIndicator(child<QCheckBox>(dialog, "chkSyn"));
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    QCOMPARE(stored(u"Username"_s), u"mario"_s);
    QCOMPARE(stored(u"Password"_s), u"segreta"_s);
    QCOMPARE(stored(u"Sincrono"_s), u"1"_s);

    FrmImpostazioni riaperto;
    QVERIFY(child<QCheckBox>(riaperto, "chkSyn")->isChecked());
    QCOMPARE(child<QLineEdit>(riaperto, "txtPsw")->text(), u"segreta"_s);
}

void tst_FrmImpostazioni::cancelWritesNothing()
{
    store(u"Username"_s, u"anna"_s);
    const QByteArray prima = storeFile();
    FrmImpostazioni dialog;
    child<QLineEdit>(dialog, "txtUser")->setText(u"altro"_s);
    QTest::mouseClick(child<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
    QVERIFY(dialog.Annulla());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(storeFile(), prima);
}

void tst_FrmImpostazioni::choosingProxyFocusesItsName()
{
    FrmImpostazioni dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "OptProxy"));
    QVERIFY(child<QLineEdit>(dialog, "txtProxy")->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "txtProxy"));
}

QTEST_MAIN(tst_FrmImpostazioni)
#include "tst_FrmImpostazioni.moc"
