#include "BuildConfig.h"
#include "DialogTestHelpers.h"
#include "LinkLabel.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "ShellOpener.h"
#include "Windows1252.h"
#include "frmAbout.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;

namespace {
const QString chiaveMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString chiaveCartella = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString nonDisponibile = u"Le informazioni sul sistema non sono attualmente disponibili."_s;

void writeRegistryText(const QString &path, const QString &name, const QString &text)
{
    auto key = Registry::createKey(Registry::LocalMachine, path, Registry::WriteAccess);
    QVERIFY(key);
    QVERIFY(key->setValue(name, {Registry::String, Windows1252::encode(text) + '\0'}));
}

QString versione()
{
    return u"%1.%2.%3"_s.arg(BuildConfig::versionMajor).arg(BuildConfig::versionMinor).arg(BuildConfig::versionRevision);
}
} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void mailLinkNamesProgramAndVersion();
    void siteLinkAndRefusedOpen();
    void sysInfoFromThePathValue();
    void sysInfoFromTheFolderValue();
    void sysInfoUnavailable();

private:
    void clickSysInfo(frmAbout &about) { QTest::mouseClick(child<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton); }

    QStringList m_avviati;
    bool m_avvioRiesce = true;
    QStringList m_aperti;
    int m_risultatoShell = ShellOpener::Accepted;
};

void tst_frmAbout::init()
{
    Registry::deleteKey(Registry::LocalMachine, chiaveMsinfo);
    Registry::deleteKey(Registry::LocalMachine, chiaveCartella);
    m_avviati.clear();
    m_avvioRiesce = true;
    ProgramStarter::setHandler([this](const QString &programma) {
        m_avviati.append(programma);
        return m_avvioRiesce;
    });
    m_aperti.clear();
    m_risultatoShell = ShellOpener::Accepted;
    ShellOpener::setHandler([this](const ShellOpener::Request &r) {
        m_aperti.append(r.target);
        return m_risultatoShell;
    });
}

void tst_frmAbout::cleanup()
{
    ProgramStarter::setHandler({});
    ShellOpener::setHandler({});
}

void tst_frmAbout::mailLinkNamesProgramAndVersion()
{
    frmAbout about;
    auto *lblEmail = child<LinkLabel>(about, "lblEmail");
    const QString atteso = u"mailto:"_s + lblEmail->text() + u"?subject=SW%20CiarlaChat%20v"_s + versione();
    QTest::mouseClick(lblEmail, Qt::LeftButton);
    QCOMPARE(m_aperti, QStringList{atteso});
    QVERIFY(child<QLabel>(about, "lblVersion")->text().startsWith(u"Versione "_s + versione()));
}

void tst_frmAbout::siteLinkAndRefusedOpen()
{
    frmAbout about;
    auto *lblSito = child<LinkLabel>(about, "lblSito");
    MessageBoxRecorder boxes;
    QTest::mouseClick(lblSito, Qt::LeftButton);
    QCOMPARE(m_aperti, QStringList{lblSito->text()});
    QCOMPARE(boxes.count(), 0);

    m_risultatoShell = ShellOpener::NoAssociation;
    QTest::keyClick(lblSito, Qt::Key_Return);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, lblSito->text() + u": nessun programma associato a questo tipo di file!"_s);
    QCOMPARE(boxes.last().title, u"Errore"_s);
}

void tst_frmAbout::sysInfoFromThePathValue()
{
    writeRegistryText(chiaveMsinfo, u"PATH"_s, u"/usr/bin/informazioni-sistema"_s);
    // The first value wins even when the second also points to a program.
    writeRegistryText(chiaveCartella, u"MSINFO"_s, u"/altrove"_s);
    frmAbout about;
    MessageBoxRecorder boxes;
    clickSysInfo(about);
    QCOMPARE(m_avviati, QStringList{u"/usr/bin/informazioni-sistema"_s});
    QCOMPARE(boxes.count(), 0);

    m_avvioRiesce = false;
    clickSysInfo(about);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, nonDisponibile);
}

void tst_frmAbout::sysInfoFromTheFolderValue()
{
    QTemporaryDir dir;
    writeRegistryText(chiaveCartella, u"MSINFO"_s, dir.path());
    frmAbout about;
    MessageBoxRecorder boxes;

    // The folder is named, but the program is not in it.
    clickSysInfo(about);
    QVERIFY(m_avviati.isEmpty());
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, nonDisponibile);
    QCOMPARE(boxes.last().title, u"Errore"_s);
    QCOMPARE(boxes.last().style, int(MessageBox::Critical));

    QFile programma(dir.filePath(u"MSINFO32.EXE"_s));
    QVERIFY(programma.open(QIODevice::WriteOnly));
    programma.close();
    clickSysInfo(about);
    QCOMPARE(m_avviati, QStringList{dir.path() + u"/MSINFO32.EXE"_s});
    QCOMPARE(boxes.count(), 1);
}

void tst_frmAbout::sysInfoUnavailable()
{
    frmAbout about;
    MessageBoxRecorder boxes;
    clickSysInfo(about);
    QVERIFY(m_avviati.isEmpty());
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().prompt, nonDisponibile);
    QVERIFY(about.isVisible() == false && about.result() == 0);
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
