#include "DialogTestHelpers.h"
#include "MessageBoxRecorder.h"
#include "SettingsStore.h"
#include "frmSceltaServer.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;

namespace {
const QString app = u"CIARLACHAT"_s;
const QString sezione = u"server"_s;

QString stored(const QString &key)
{
    return SettingsStore::value(app, sezione, key).value_or(u"<missing>"_s);
}

void confirm(frmSceltaServer &dialog)
{
    QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
}
} // namespace

class tst_frmSceltaServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(SettingsStore::filePath(app)); }
    void firstRunOffersTheOwnRooms();
    void typedAddressIsNormalised_data();
    void typedAddressIsNormalised();
    void emptyServerNameKeepsTheDialogOpen();
    void ownRoomsKeepTheRememberedServer();
    void rememberedOwnServerIsPreselected_data();
    void rememberedOwnServerIsPreselected();
    void arrowKeyChoiceFocusesTheServerName();
    void closingStoresNothing();
};

void tst_frmSceltaServer::firstRunOffersTheOwnRooms()
{
    frmSceltaServer dialog;
    QVERIFY(dialog.Annulla());
    QVERIFY(child<QRadioButton>(dialog, "optServer0")->isChecked());
    auto *txtServer = child<QLineEdit>(dialog, "txtServer");
    QVERIFY(txtServer->text().isEmpty());
    QVERIFY(!txtServer->isEnabled());
    QCOMPARE(txtServer->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    QVERIFY(!child<QLabel>(dialog, "lblServer")->isEnabled());

    confirm(dialog);
    QVERIFY(!dialog.Annulla());
    QVERIFY(dialog.CanaliCiarlaChat());
    QVERIFY(dialog.NomeServer().isEmpty());
    QCOMPARE(stored(u"canali"_s), u"1"_s);
    QCOMPARE(stored(u"dns"_s), u"<missing>"_s);
}

void tst_frmSceltaServer::typedAddressIsNormalised_data()
{
    QTest::addColumn<QString>("digitato");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("bare host") << u"chat.lan"_s << u"http://chat.lan/"_s;
    QTest::newRow("blanks around") << u"  10.0.0.7 "_s << u"http://10.0.0.7/"_s;
    QTest::newRow("prefix in capitals") << u"HTTP://Chat.Lan"_s << u"HTTP://Chat.Lan/"_s;
    QTest::newRow("back-slashes") << u"chat.lan\\stanze\\"_s << u"http://chat.lan/stanze/"_s;
    QTest::newRow("already complete") << u"http://chat.lan/"_s << u"http://chat.lan/"_s;
    QTest::newRow("secure scheme in any case") << u"HttpS://chat.lan:8443"_s << u"HttpS://chat.lan:8443/"_s;
}

void tst_frmSceltaServer::typedAddressIsNormalised()
{
    QFETCH(QString, digitato);
    QFETCH(QString, atteso);
    frmSceltaServer dialog;
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "optServer1"));
    QVERIFY(child<QLabel>(dialog, "lblServer")->isEnabled());
    child<QLineEdit>(dialog, "txtServer")->setText(digitato);
    confirm(dialog);
    QVERIFY(!dialog.Annulla());
    QVERIFY(!dialog.CanaliCiarlaChat());
    QCOMPARE(dialog.NomeServer(), atteso);
    QCOMPARE(stored(u"dns"_s), atteso);
    QCOMPARE(stored(u"canali"_s), u"0"_s);
}

void tst_frmSceltaServer::emptyServerNameKeepsTheDialogOpen()
{
    frmSceltaServer dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "optServer1"));
    child<QLineEdit>(dialog, "txtServer")->setText(u"   "_s);
    MessageBoxRecorder boxes;
    confirm(dialog);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, u"E' necessario specificare un server."_s);
    QCOMPARE(boxes.last().title, u"Attenzione"_s);
    QCOMPARE(boxes.last().style, int(MessageBox::Information));
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.Annulla());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "txtServer"));
    QCOMPARE(stored(u"canali"_s), u"<missing>"_s);
}

void tst_frmSceltaServer::ownRoomsKeepTheRememberedServer()
{
    {
        frmSceltaServer dialog;
        DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "optServer1"));
        child<QLineEdit>(dialog, "txtServer")->setText(u"chat.lan"_s);
        confirm(dialog);
    }
    {
        frmSceltaServer dialog;
        QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
        DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "optServer0"));
        confirm(dialog);
        QVERIFY(dialog.CanaliCiarlaChat());
    }
    QCOMPARE(stored(u"dns"_s), u"http://chat.lan/"_s);
    frmSceltaServer dialog;
    QVERIFY(child<QRadioButton>(dialog, "optServer0")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "txtServer")->text(), u"http://chat.lan/"_s);
    QVERIFY(!child<QLineEdit>(dialog, "txtServer")->isEnabled());
}

void tst_frmSceltaServer::rememberedOwnServerIsPreselected_data()
{
    QTest::addColumn<QString>("canali");
    QTest::newRow("0") << u"0"_s;
    QTest::newRow("1 with blank") << u" 1"_s;
}

void tst_frmSceltaServer::rememberedOwnServerIsPreselected()
{
    QFETCH(QString, canali);
    QVERIFY(SettingsStore::setValue(app, sezione, u"canali"_s, canali));
    QVERIFY(SettingsStore::setValue(app, sezione, u"dns"_s, u"http://chat.lan/"_s));
    frmSceltaServer dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *txtServer = child<QLineEdit>(dialog, "txtServer");
    QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
    QVERIFY(txtServer->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), txtServer);
    QTRY_COMPARE(txtServer->selectedText(), u"http://chat.lan/"_s);
}

void tst_frmSceltaServer::arrowKeyChoiceFocusesTheServerName()
{
    frmSceltaServer dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *propri = child<QRadioButton>(dialog, "optServer0");
    propri->setFocus();
    QTest::keyClick(propri, Qt::Key_Down);
    QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "txtServer"));
    QTest::keyClicks(QApplication::focusWidget(), u"chat.lan"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!dialog.Annulla());
    QCOMPARE(dialog.NomeServer(), u"http://chat.lan/"_s);
}

void tst_frmSceltaServer::closingStoresNothing()
{
    frmSceltaServer dialog;
    DialogTestHelpers::clickIndicator(child<QRadioButton>(dialog, "optServer1"));
    child<QLineEdit>(dialog, "txtServer")->setText(u"chat.lan"_s);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(child<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(dialog.Annulla());
    QVERIFY(dialog.NomeServer().isEmpty());
    QVERIFY(!dialog.CanaliCiarlaChat());
    QVERIFY(!QFile::exists(SettingsStore::filePath(app)));
}

QTEST_MAIN(tst_frmSceltaServer)
#include "tst_frmSceltaServer.moc"
