// The dialogs: connection settings, server selection, About and the readme.
#include "BuildConfig.h"
#include "FrmImpostazioni.h"
#include "FrmLeggimi.h"
#include "LinkLabel.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RichTextView.h"
#include "ScopedHandler.h"
#include "SettingsStore.h"
#include "ShellOpener.h"
#include "TestFiles.h"
#include "Windows1252.h"
#include "frmAbout.h"
#include "frmSceltaServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString impostazioni = u"ZUCiarlaChat"_s;
const QString chat = u"CIARLACHAT"_s;
const QString chiaveMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString chiaveCartella = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString nonDisponibile = u"16 Errore: Le informazioni sul sistema non sono attualmente disponibili."_s;

template<typename T = QWidget>
T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1StringView(name));
    if (!found)
        qFatal("missing control %s", name);
    return found;
}

// Clicks a button; an option or check box on its indicator, since only the indicator and the
// caption take a click, not the whole width a layout gives the button.
void click(QWidget &parent, const char *name)
{
    auto *button = child<QAbstractButton>(parent, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->isCheckable() ? QPoint(6, button->height() / 2) : QPoint());
}

QString text(QWidget &dialog, const char *name)
{
    return child<QLineEdit>(dialog, name)->text();
}

void store(const QString &key, const QString &value)
{
    QVERIFY(SettingsStore::setValue(impostazioni, u"Connessione"_s, key, value));
}

QString stored(const QString &key)
{
    return SettingsStore::value(impostazioni, u"Connessione"_s, key).value_or(u"<missing>"_s);
}

// The stored server choice as "canali|dns".
QString storedServer()
{
    return SettingsStore::value(chat, u"server"_s, u"canali"_s).value_or(u"<missing>"_s) + u'|'
         + SettingsStore::value(chat, u"server"_s, u"dns"_s).value_or(u"<missing>"_s);
}

void writeRegistryText(const QString &path, const QString &name, const QString &text)
{
    auto key = Registry::createKey(Registry::LocalMachine, path, Registry::WriteAccess);
    QVERIFY(key && key->setValue(name, {Registry::String, Windows1252::encode(text) + '\0'}));
}
} // namespace

class tst_Dialoghi : public QObject
{
    Q_OBJECT

    QStringList m_avviati;
    bool m_avvioRiesce = true;
    QStringList m_aperti;
    int m_risultatoShell = ShellOpener::Accepted;
    std::optional<MessageBoxRecorder> m_boxes;
    ScopedHandler<ProgramStarter> m_starter{[this](const QString &programma) {
        m_avviati.append(programma);
        return m_avvioRiesce;
    }};
    ScopedHandler<ShellOpener> m_opener{[this](const ShellOpener::Request &r) {
        m_aperti.append(r.target);
        return m_risultatoShell;
    }};

private Q_SLOTS:
    void init()
    {
        QFile::remove(SettingsStore::filePath(impostazioni));
        QFile::remove(SettingsStore::filePath(chat));
        Registry::deleteKey(Registry::LocalMachine, chiaveMsinfo);
        Registry::deleteKey(Registry::LocalMachine, chiaveCartella);
        m_avviati.clear();
        m_aperti.clear();
        m_avvioRiesce = true;
        m_risultatoShell = ShellOpener::Accepted;
        m_boxes.emplace();
    }

    void loadingTrimsAndReadsTheSyncFlag_data()
    {
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("sincrono");
        QTest::addColumn<QString>("mostrato"); // proxy, port, user, password, sync
        QTest::newRow("nothing stored") << QString() << QString() << u"||||0"_s;
        QTest::newRow("blanks around") << u"  proxy.lan "_s << u" 1 "_s << u"proxy.lan|3128|mario|segreta|1"_s;
        QTest::newRow("blank proxy") << u" "_s << u"1"_s << u"||mario|segreta|1"_s;
        QTest::newRow("sync 2") << u"p"_s << u"2"_s << u"p|3128|mario|segreta|0"_s;
    }

    void loadingTrimsAndReadsTheSyncFlag()
    {
        QFETCH(QString, proxy);
        QFETCH(QString, sincrono);
        QFETCH(QString, mostrato);
        if (!proxy.isNull()) {
            store(u"Proxy"_s, proxy);
            store(u"Porta"_s, u" 3128 "_s);
            store(u"Username"_s, u" mario "_s);
            store(u"Password"_s, u"\tsegreta "_s);
            store(u"Sincrono"_s, sincrono);
        }
        FrmImpostazioni dialog;
        QVERIFY(dialog.Annulla());
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
        const QByteArray prima = TestFiles::read(SettingsStore::filePath(impostazioni));
        FrmImpostazioni dialog;
        child<QLineEdit>(dialog, "txtProxy")->setText(u"nuovo"_s);
        child<QLineEdit>(dialog, "txtPorta")->setText(porta);
        click(dialog, "OKButton");
        QCOMPARE(dialog.Annulla(), memorizzata.isNull());
        if (memorizzata.isNull()) {
            QCOMPARE(m_boxes->lastBox(), u"16 Attenzione: Numero di porta non valido. Impossibile procedere."_s);
            QCOMPARE(TestFiles::read(SettingsStore::filePath(impostazioni)), prima);
            QCOMPARE(text(dialog, "txtPorta"), porta);
            return;
        }
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored(u"Proxy"_s) + u'|' + stored(u"Porta"_s) + u'|' + stored(u"Sincrono"_s), u"nuovo|"_s + memorizzata + u"|0"_s);
    }

    void proxyNameIsNeededAndFocused()
    {
        FrmImpostazioni dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        click(dialog, "OptProxy");
        QTRY_COMPARE(QApplication::focusWidget(), child(dialog, "txtProxy"));
        click(dialog, "OKButton");
        QCOMPARE(m_boxes->lastBox(), u"16 Attenzione: E' necessario specificare il nome del proxy. Impossibile procedere."_s);
        QVERIFY(dialog.Annulla());
        QCOMPARE(stored(u"Proxy"_s), u"<missing>"_s);
        // The port is checked before the name.
        child<QLineEdit>(dialog, "txtPorta")->setText(u"0"_s);
        click(dialog, "OKButton");
        QCOMPARE(m_boxes->last().prompt, u"Numero di porta non valido. Impossibile procedere."_s);
    }

    void systemSettingsClearProxyAndCredentialsAreTrimmed()
    {
        store(u"Proxy"_s, u"proxy.lan"_s);
        store(u"Porta"_s, u"3128"_s);
        {
            FrmImpostazioni dialog;
            click(dialog, "OptSys");
            QVERIFY(!child(dialog, "txtProxy")->isEnabled() && !child(dialog, "txtPorta")->isEnabled());
            child<QLineEdit>(dialog, "txtUser")->setText(u"  mario "_s);
            child<QLineEdit>(dialog, "txtPsw")->setText(u" segreta\t"_s);
            click(dialog, "chkSyn");
            click(dialog, "OKButton");
        }
        QCOMPARE(stored(u"Proxy"_s) + stored(u"Porta"_s), QString());
        QCOMPARE(stored(u"Username"_s) + u'|' + stored(u"Password"_s) + u'|' + stored(u"Sincrono"_s), u"mario|segreta|1"_s);
        // Cancel writes nothing.
        const QByteArray prima = TestFiles::read(SettingsStore::filePath(impostazioni));
        FrmImpostazioni dialog;
        QVERIFY(child<QCheckBox>(dialog, "chkSyn")->isChecked());
        child<QLineEdit>(dialog, "txtUser")->setText(u"altro"_s);
        click(dialog, "CancelButton");
        QVERIFY(dialog.Annulla());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(TestFiles::read(SettingsStore::filePath(impostazioni)), prima);
    }

    void offeredChoiceAndWhatIsStored_data()
    {
        QTest::addColumn<QString>("prima"); // the stored choice as "canali|dns"; null: a first run
        QTest::addColumn<bool>("offertoServer");
        QTest::addColumn<QStringList>("bottoni");
        QTest::addColumn<QString>("esito"); // Annulla|CanaliCiarlaChat|NomeServer
        QTest::addColumn<QString>("dopo");
        const QString lan = u"http://chat.lan/"_s;
        QTest::newRow("first run offers the own rooms")
            << QString() << false << QStringList{u"OKButton"_s} << u"0|1|"_s << u"1|<missing>"_s;
        QTest::newRow("only 1 means the own rooms")
            << u" 1|"_s + lan << true << QStringList{u"OKButton"_s} << u"0|0|"_s + lan << u"0|"_s + lan;
        QTest::newRow("own rooms keep the server")
            << u"0|"_s + lan << true << QStringList{u"optServer0"_s, u"OKButton"_s} << u"0|1|"_s << u"1|"_s + lan;
        QTest::newRow("closing stores nothing")
            << QString() << false << QStringList{u"optServer1"_s, u"CancelButton"_s} << u"1|0|"_s << u"<missing>|<missing>"_s;
    }

    void offeredChoiceAndWhatIsStored()
    {
        QFETCH(QString, prima);
        QFETCH(bool, offertoServer);
        QFETCH(QStringList, bottoni);
        QFETCH(QString, esito);
        QFETCH(QString, dopo);
        if (!prima.isNull()) {
            QVERIFY(SettingsStore::setValue(chat, u"server"_s, u"canali"_s, prima.section(u'|', 0, 0)));
            QVERIFY(SettingsStore::setValue(chat, u"server"_s, u"dns"_s, prima.section(u'|', 1)));
        }
        frmSceltaServer dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        // A remembered server is offered with its name selected; the own rooms with the name greyed.
        auto *txtServer = child<QLineEdit>(dialog, "txtServer");
        QCOMPARE(child<QRadioButton>(dialog, "optServer1")->isChecked(), offertoServer);
        QCOMPARE(txtServer->text(), prima.section(u'|', 1));
        QCOMPARE(txtServer->isEnabled() && child(dialog, "lblServer")->isEnabled(), offertoServer);
        if (offertoServer)
            QTRY_COMPARE(txtServer->selectedText(), txtServer->text());
        for (const QString &bottone : bottoni)
            click(dialog, qPrintable(bottone));
        QCOMPARE(u"%1|%2|%3"_s.arg(dialog.Annulla()).arg(dialog.CanaliCiarlaChat()).arg(dialog.NomeServer()), esito);
        QCOMPARE(storedServer(), dopo);
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
        click(dialog, "optServer1");
        child<QLineEdit>(dialog, "txtServer")->setText(digitato);
        click(dialog, "OKButton");
        QVERIFY(!dialog.Annulla() && !dialog.CanaliCiarlaChat());
        QCOMPARE(dialog.NomeServer(), atteso);
        QCOMPARE(storedServer(), u"0|"_s + atteso);
    }

    void arrowKeyChoiceFocusesTheServerNameWhichIsNeeded()
    {
        frmSceltaServer dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        child(dialog, "optServer0")->setFocus();
        QTest::keyClick(child(dialog, "optServer0"), Qt::Key_Down);
        QVERIFY(child<QRadioButton>(dialog, "optServer1")->isChecked());
        QTRY_COMPARE(QApplication::focusWidget(), child(dialog, "txtServer"));
        // Blanks are no server: the dialog stays open, on the name.
        QTest::keyClicks(QApplication::focusWidget(), u"   "_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_boxes->lastBox(), u"64 Attenzione: E' necessario specificare un server."_s);
        QVERIFY(dialog.isVisible() && dialog.Annulla());
        QCOMPARE(QApplication::focusWidget(), child(dialog, "txtServer"));
        QCOMPARE(storedServer(), u"<missing>|<missing>"_s);
        QTest::keyClicks(QApplication::focusWidget(), u"chat.lan"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dialog.Annulla());
        QCOMPARE(dialog.NomeServer(), u"http://chat.lan/"_s);
    }

    void linksOpenMailAndSite()
    {
        frmAbout about;
        const QString versione = u"%1.%2.%3"_s.arg(BuildConfig::versionMajor).arg(BuildConfig::versionMinor).arg(BuildConfig::versionRevision);
        auto *lblEmail = child<LinkLabel>(about, "lblEmail");
        QTest::mouseClick(lblEmail, Qt::LeftButton);
        auto *lblSito = child<LinkLabel>(about, "lblSito");
        QTest::mouseClick(lblSito, Qt::LeftButton);
        QCOMPARE(m_aperti, (QStringList{u"mailto:"_s + lblEmail->text() + u"?subject=SW%20CiarlaChat%20v"_s + versione, lblSito->text()}));
        QCOMPARE(m_boxes->count(), 0);
        m_risultatoShell = ShellOpener::NoAssociation;
        QTest::keyClick(lblSito, Qt::Key_Return);
        QCOMPARE(m_boxes->lastBox(), u"16 Errore: "_s + lblSito->text() + u": nessun programma associato a questo tipo di file!"_s);
    }

    void sysInfoFromEitherValueOrNone()
    {
        frmAbout about;
        click(about, "cmdSysInfo");
        QCOMPARE(m_boxes->lastBox(), nonDisponibile);
        QVERIFY(!about.isVisible() && about.result() == 0);
        // The folder is named, but the program is not in it; then it is.
        QTemporaryDir dir;
        writeRegistryText(chiaveCartella, u"MSINFO"_s, dir.path());
        click(about, "cmdSysInfo");
        QVERIFY(m_avviati.isEmpty());
        QCOMPARE(m_boxes->count(), 2);
        QVERIFY(TestFiles::write(dir.filePath(u"MSINFO32.EXE"_s), {}));
        click(about, "cmdSysInfo");
        QCOMPARE(m_avviati, QStringList{dir.path() + u"/MSINFO32.EXE"_s});
        QCOMPARE(m_boxes->count(), 2);
        // The path value wins even when the folder also holds the program.
        writeRegistryText(chiaveMsinfo, u"PATH"_s, u"/usr/bin/informazioni-sistema"_s);
        click(about, "cmdSysInfo");
        QCOMPARE(m_avviati.constLast(), u"/usr/bin/informazioni-sistema"_s);
        QCOMPARE(m_boxes->count(), 2);
        m_avvioRiesce = false;
        click(about, "cmdSysInfo");
        QCOMPARE(m_boxes->lastBox(), nonDisponibile);
    }

    void showsTheReadmeBesideTheProgram()
    {
        QCOMPARE(FrmLeggimi::percorsoLeggimi(), QCoreApplication::applicationDirPath() + u"/Leggimi.txt"_s);
        {
            FrmLeggimi mancante;
            QCOMPARE(m_boxes->last().title, u"Errore 53"_s);
            QVERIFY(child<RichTextView>(mancante, "txtLeggimi")->plainText().isEmpty());
        }
        QVERIFY(TestFiles::write(FrmLeggimi::percorsoLeggimi(), "CiarlaChat\r\nPi\xf9 stanze, pi\xf9 amici.\r\n"));
        FrmLeggimi leggimi;
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(child<RichTextView>(leggimi, "txtLeggimi")->plainText(), u"CiarlaChat\r\nPiù stanze, più amici.\r\n"_s);
        click(leggimi, "OKButton");
        QCOMPARE(leggimi.result(), int(QDialog::Accepted));
        QVERIFY(QFile::remove(FrmLeggimi::percorsoLeggimi()));
    }
};

QTEST_MAIN(tst_Dialoghi)
#include "tst_Dialoghi.moc"
