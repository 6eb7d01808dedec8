#include "DialogTestHelpers.h"
#include "MessageBoxRecorder.h"
#include "SettingsStore.h"
#include "frmSceltaServer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;
using DialogTestHelpers::click;

namespace {
const QString app = u"CIARLACHAT"_s;

// The stored choice as "canali|dns".
QString stored()
{
    return SettingsStore::value(app, u"server"_s, u"canali"_s).value_or(u"<missing>"_s) + u'|'
         + SettingsStore::value(app, u"server"_s, u"dns"_s).value_or(u"<missing>"_s);
}

void chooseServer(frmSceltaServer &dialog, const QString &server)
{
    click(dialog, "optServer1");
    child<QLineEdit>(dialog, "txtServer")->setText(server);
}
} // namespace

class tst_frmSceltaServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(SettingsStore::filePath(app)); }

    void firstRunOffersTheOwnRooms()
    {
        frmSceltaServer dialog;
        QVERIFY(dialog.Annulla());
        QVERIFY(child<QRadioButton>(dialog, "optServer0")->isChecked());
        auto *txtServer = child<QLineEdit>(dialog, "txtServer");
        QVERIFY(txtServer->text().isEmpty() && !txtServer->isEnabled() && !child(dialog, "lblServer")->isEnabled());
        QCOMPARE(txtServer->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
        click(dialog, "OKButton");
        QVERIFY(!dialog.Annulla() && dialog.CanaliCiarlaChat() && dialog.NomeServer().isEmpty());
        QCOMPARE(stored(), u"1|<missing>"_s);
    }

    void typedAddressIsNormalised_data()
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

    void typedAddressIsNormalised()
    {
        QFETCH(QString, digitato);
        QFETCH(QString, atteso);
        frmSceltaServer dialog;
        chooseServer(dialog, digitato);
        QVERIFY(child(dialog, "lblServer")->isEnabled());
        click(dialog, "OKButton");
        QVERIFY(!dialog.Annulla() && !dialog.CanaliCiarlaChat());
        QCOMPARE(dialog.NomeServer(), atteso);
        QCOMPARE(stored(), u"0|"_s + atteso);
    }

    void emptyServerNameKeepsTheDialogOpen()
    {
        frmSceltaServer dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        chooseServer(dialog, u"   "_s);
        MessageBoxRecorder boxes;
        click(dialog, "OKButton");
        QCOMPARE(boxes.lastBox(), u"64 Attenzione: E' necessario specificare un server."_s);
        QVERIFY(dialog.isVisible() && dialog.Annulla());
        QCOMPARE(QApplication::focusWidget(), child(dialog, "txtServer"));
        QCOMPARE(stored(), u"<missing>|<missing>"_s);
    }

    void ownRoomsKeepTheRememberedServer()
    {
        {
            frmSceltaServer dialog;
            chooseServer(dialog, u"chat.lan"_s);
            click(dialog, "OKButton");
        }
        {
            frmSceltaServer dialog;
            QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
            click(dialog, "optServer0");
            click(dialog, "OKButton");
            QVERIFY(dialog.CanaliCiarlaChat());
        }
        QCOMPARE(stored(), u"1|http://chat.lan/"_s);
        frmSceltaServer dialog;
        QVERIFY(child<QRadioButton>(dialog, "optServer0")->isChecked());
        QCOMPARE(child<QLineEdit>(dialog, "txtServer")->text(), u"http://chat.lan/"_s);
        QVERIFY(!child(dialog, "txtServer")->isEnabled());
    }

    void rememberedOwnServerIsPreselected_data()
    {
        QTest::addColumn<QString>("canali");
        QTest::newRow("0") << u"0"_s;
        QTest::newRow("1 with blank") << u" 1"_s;
    }

    void rememberedOwnServerIsPreselected()
    {
        QFETCH(QString, canali);
        QVERIFY(SettingsStore::setValue(app, u"server"_s, u"canali"_s, canali));
        QVERIFY(SettingsStore::setValue(app, u"server"_s, u"dns"_s, u"http://chat.lan/"_s));
        frmSceltaServer dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *txtServer = child<QLineEdit>(dialog, "txtServer");
        QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked() && txtServer->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), txtServer);
        QTRY_COMPARE(txtServer->selectedText(), u"http://chat.lan/"_s);
    }

    void arrowKeyChoiceFocusesTheServerName()
    {
        frmSceltaServer dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        child(dialog, "optServer0")->setFocus();
        QTest::keyClick(child(dialog, "optServer0"), Qt::Key_Down);
        QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
        QTRY_COMPARE(QApplication::focusWidget(), child(dialog, "txtServer"));
        QTest::keyClicks(QApplication::focusWidget(), u"chat.lan"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dialog.Annulla());
        QCOMPARE(dialog.NomeServer(), u"http://chat.lan/"_s);
    }

    void closingStoresNothing()
    {
        frmSceltaServer dialog;
        chooseServer(dialog, u"chat.lan"_s);
        QTimer::singleShot(0, &dialog, [&dialog] { click(dialog, "CancelButton"); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(dialog.Annulla() && dialog.NomeServer().isEmpty() && !dialog.CanaliCiarlaChat());
        QVERIFY(!QFile::exists(SettingsStore::filePath(app)));
    }
};

QTEST_MAIN(tst_frmSceltaServer)
#include "tst_frmSceltaServer.moc"
