#include "BuildConfig.h"
#include "DialogTestHelpers.h"
#include "LinkLabel.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "ScopedHandler.h"
#include "ShellOpener.h"
#include "TestFiles.h"
#include "Windows1252.h"
#include "frmAbout.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;
using DialogTestHelpers::click;

namespace {
const QString chiaveMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString chiaveCartella = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString nonDisponibile = u"16 Errore: Le informazioni sul sistema non sono attualmente disponibili."_s;

void writeRegistryText(const QString &path, const QString &name, const QString &text)
{
    auto key = Registry::createKey(Registry::LocalMachine, path, Registry::WriteAccess);
    QVERIFY(key && key->setValue(name, {Registry::String, Windows1252::encode(text) + '\0'}));
}
} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

    QStringList m_avviati;
    bool m_avvioRiesce = true;
    QStringList m_aperti;
    int m_risultatoShell = ShellOpener::Accepted;
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
        Registry::deleteKey(Registry::LocalMachine, chiaveMsinfo);
        Registry::deleteKey(Registry::LocalMachine, chiaveCartella);
        m_avviati.clear();
        m_aperti.clear();
        m_avvioRiesce = true;
        m_risultatoShell = ShellOpener::Accepted;
    }

    void linksOpenMailAndSite()
    {
        frmAbout about;
        const QString versione = u"%1.%2.%3"_s.arg(BuildConfig::versionMajor).arg(BuildConfig::versionMinor).arg(BuildConfig::versionRevision);
        QVERIFY(child<QLabel>(about, "lblVersion")->text().startsWith(u"Versione "_s + versione));
        auto *lblEmail = child<LinkLabel>(about, "lblEmail");
        QTest::mouseClick(lblEmail, Qt::LeftButton);
        auto *lblSito = child<LinkLabel>(about, "lblSito");
        MessageBoxRecorder boxes;
        QTest::mouseClick(lblSito, Qt::LeftButton);
        QCOMPARE(m_aperti, (QStringList{u"mailto:"_s + lblEmail->text() + u"?subject=SW%20CiarlaChat%20v"_s + versione, lblSito->text()}));
        QCOMPARE(boxes.count(), 0);
        m_risultatoShell = ShellOpener::NoAssociation;
        QTest::keyClick(lblSito, Qt::Key_Return);
        QCOMPARE(boxes.lastBox(), u"16 Errore: "_s + lblSito->text() + u": nessun programma associato a questo tipo di file!"_s);
    }

    void sysInfoFromThePathValue()
    {
        writeRegistryText(chiaveMsinfo, u"PATH"_s, u"/usr/bin/informazioni-sistema"_s);
        // The first value wins even when the second also points to a program.
        writeRegistryText(chiaveCartella, u"MSINFO"_s, u"/altrove"_s);
        frmAbout about;
        MessageBoxRecorder boxes;
        click(about, "cmdSysInfo");
        QCOMPARE(m_avviati, QStringList{u"/usr/bin/informazioni-sistema"_s});
        QCOMPARE(boxes.count(), 0);
        m_avvioRiesce = false;
        click(about, "cmdSysInfo");
        QCOMPARE(boxes.lastBox(), nonDisponibile);
    }

    void sysInfoFromTheFolderValueOrNone()
    {
        frmAbout about;
        MessageBoxRecorder boxes;
        click(about, "cmdSysInfo");
        QCOMPARE(boxes.lastBox(), nonDisponibile);
        QVERIFY(!about.isVisible() && about.result() == 0);
        // The folder is named, but the program is not in it; then it is.
        QTemporaryDir dir;
        writeRegistryText(chiaveCartella, u"MSINFO"_s, dir.path());
        click(about, "cmdSysInfo");
        QVERIFY(m_avviati.isEmpty());
        QCOMPARE(boxes.count(), 2);
        QVERIFY(TestFiles::write(dir.filePath(u"MSINFO32.EXE"_s), {}));
        click(about, "cmdSysInfo");
        QCOMPARE(m_avviati, QStringList{dir.path() + u"/MSINFO32.EXE"_s});
        QCOMPARE(boxes.count(), 2);
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
