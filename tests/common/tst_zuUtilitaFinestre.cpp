#include "CurrentError.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "ShellOpener.h"
#include "SystemClock.h"
#include "Windows1252.h"
#include "zuUtilita.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {
// Puts a handler in place for the life of the scope.
template <typename Layer, typename Handler>
class Replaced
{
public:
    explicit Replaced(Handler handler)
        : m_previous(Layer::setHandler(std::move(handler)))
    {
    }
    ~Replaced() { Layer::setHandler(m_previous); }

private:
    Handler m_previous;
};
using ReplacedOpener = Replaced<ShellOpener, ShellOpener::Handler>;
using ReplacedStarter = Replaced<ProgramStarter, ProgramStarter::Handler>;

void writeRegistryText(quint32 root, const QString &path, const QString &name, const QString &text)
{
    auto key = Registry::createKey(root, path, Registry::WriteAccess);
    QVERIFY(key);
    QVERIFY(key->setValue(name, {Registry::String, Windows1252::encode(text) + '\0'}));
}

QRgb pixelAt(QWidget &widget, int y)
{
    return widget.grab().toImage().pixel(widget.width() / 2, y);
}
} // namespace

class tst_zuUtilitaFinestre : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CurrentError::clear(); }
    void eseguiExShellResults_data();
    void eseguiExShellResults();
    void eseguiExRuntimeFailure();
    void eseguiExOnMissingFilesWithTheDesktop();
    void webAndMailTargetsStaySilent();
    void startApplicazione();
    void shellSospensivaWaitsForTheEnd();
    void waitSecondiAcrossMidnight();
    void isVBEnvironmentByExecutableName();
    void sfumaFormBands();
    void finetraTopMostKeepsWindowInPlace();
    void finetraTopMostInsideRunningDialog();
    void showFinestraConTitolo();
    void centring();
    void evidenzia();
    void keyMaiuscolo_data();
    void keyMaiuscolo();
};

void tst_zuUtilitaFinestre::eseguiExShellResults_data()
{
    QTest::addColumn<int>("risultato");
    QTest::addColumn<bool>("accettato");
    QTest::addColumn<QString>("suffisso");
    QTest::newRow("accepted") << 42 << true << QString();
    QTest::newRow("just above 32") << 33 << true << QString();
    QTest::newRow("file not found") << 2 << false << u": file non trovato!"_s;
    QTest::newRow("no association") << 31 << false << u": nessun programma associato a questo tipo di file!"_s;
    QTest::newRow("path not found") << 3 << false << u": accesso negato!"_s;
    QTest::newRow("out of memory") << 0 << false << u": accesso negato!"_s;
    QTest::newRow("32") << 32 << false << u": accesso negato!"_s;
}

void tst_zuUtilitaFinestre::eseguiExShellResults()
{
    QFETCH(int, risultato);
    QFETCH(bool, accettato);
    QFETCH(QString, suffisso);
    QList<ShellOpener::Request> richieste;
    ReplacedOpener opener([&](const ShellOpener::Request &r) {
        richieste.append(r);
        return risultato;
    });
    QWidget owner;
    const QString file = u"/percorso/guida.pdf"_s;

    for (bool muto : {false, true}) {
        MessageBoxRecorder boxes;
        QCOMPARE(zuUtilita().EseguiEx(&owner, file, muto), accettato);
        QCOMPARE(richieste.last().target, file);
        QCOMPARE(richieste.last().owner, &owner);
        QVERIFY(!richieste.last().workingFolder.isEmpty());
        if (accettato || muto) {
            QCOMPARE(boxes.count(), 0);
            continue;
        }
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().prompt, file + suffisso);
        QCOMPARE(boxes.last().title, u"Errore"_s);
        QCOMPARE(boxes.last().style, int(MessageBox::Critical));
    }
}

void tst_zuUtilitaFinestre::eseguiExRuntimeFailure()
{
    ReplacedOpener opener([](const ShellOpener::Request &) -> int {
        throw RuntimeError(RuntimeError::PermissionDenied, u"Permesso negato"_s);
    });
    for (bool muto : {false, true}) {
        MessageBoxRecorder boxes;
        QVERIFY(!zuUtilita().EseguiEx(nullptr, u"x.txt"_s, muto));
        QCOMPARE(boxes.count(), muto ? 0 : 1);
        if (!muto)
            QCOMPARE(boxes.last().prompt, u"Permesso negato"_s);
        QCOMPARE(CurrentError::number(), 0);
    }
}

void tst_zuUtilitaFinestre::eseguiExOnMissingFilesWithTheDesktop()
{
    QTemporaryDir dir;
    MessageBoxRecorder boxes;
    const QString mancante = dir.filePath(u"ciarlachat.pdf"_s);
    QVERIFY(!zuUtilita().EseguiEx(nullptr, mancante, false));
    QCOMPARE(boxes.last().prompt, mancante + u": file non trovato!"_s);

    const QString cartellaMancante = dir.filePath(u"manca/ciarlachat.pdf"_s);
    QVERIFY(!zuUtilita().EseguiEx(nullptr, cartellaMancante, false));
    QCOMPARE(boxes.last().prompt, cartellaMancante + u": accesso negato!"_s);

    const QString indirizzoFile = QUrl::fromLocalFile(mancante).toString();
    QVERIFY(!zuUtilita().EseguiEx(nullptr, indirizzoFile, false));
    QCOMPARE(boxes.last().prompt, indirizzoFile + u": file non trovato!"_s);
}

void tst_zuUtilitaFinestre::webAndMailTargetsStaySilent()
{
    QStringList obiettivi;
    ReplacedOpener opener([&](const ShellOpener::Request &r) {
        obiettivi.append(r.target);
        return int(ShellOpener::NoAssociation);
    });
    MessageBoxRecorder boxes;
    zuUtilita zu;
    zu.Homepage(nullptr);
    zu.GoWeb(nullptr, u"http://chat.esempio.example/stanza"_s);
    zu.EMail(nullptr);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(obiettivi.size(), 3);
    QVERIFY(obiettivi[0].startsWith(u"http://"_s));
    QVERIFY(obiettivi[0].endsWith(u'/'));
    QCOMPARE(obiettivi[1], u"http://chat.esempio.example/stanza"_s);
    QVERIFY(obiettivi[2].startsWith(u"Mailto:"_s));
    QVERIFY(obiettivi[2].contains(u'@'));
}

void tst_zuUtilitaFinestre::startApplicazione()
{
    QStringList avviati;
    bool avvioRiesce = true;
    ReplacedStarter starter([&](const QString &programma) {
        avviati.append(programma);
        return avvioRiesce;
    });
    const QString appPaths = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_s;
    writeRegistryText(Registry::LocalMachine, appPaths + u"blocco.exe"_s, QString(), u"/opt/blocco/blocco"_s);
    MessageBoxRecorder boxes;
    zuUtilita zu;

    QVERIFY(zu.StartApplicazione(u"BLOCCO.EXE"_s));
    QCOMPARE(avviati, QStringList{u"/opt/blocco/blocco"_s});
    QCOMPARE(boxes.count(), 0);

    QVERIFY(!zu.StartApplicazione(u"assente.exe"_s));
    QCOMPARE(avviati.size(), 1);
    QCOMPARE(boxes.last().prompt, u"assente.exe: Applicazione non trovata."_s);
    QCOMPARE(boxes.last().style, int(MessageBox::Warning));
    QCOMPARE(boxes.last().title, u"Errore"_s);

    avvioRiesce = false;
    QVERIFY(!zu.StartApplicazione(u"blocco.exe"_s));
    QCOMPARE(boxes.count(), 2);
}

void tst_zuUtilitaFinestre::shellSospensivaWaitsForTheEnd()
{
    QTemporaryDir dir;
    const QString segno = dir.filePath(u"fatto"_s);
    zuUtilita zu;
    // The mark appears only after a pause: finding it proves the call waited.
    QVERIFY(zu.ShellSospensiva(u"sh"_s, u"-c \"sleep 0.3; echo fine > '%1'\""_s.arg(segno)));
    QVERIFY(QFile::exists(segno));

    const QString altroSegno = dir.filePath(u"senza argomenti"_s);
    QVERIFY(zu.ShellSospensiva(u"touch \"%1\""_s.arg(altroSegno)));
    QVERIFY(QFile::exists(altroSegno));

    QVERIFY(!zu.ShellSospensiva(dir.filePath(u"programma-che-non-esiste"_s)));
    QVERIFY(!zu.ShellSospensiva(QString()));
}

void tst_zuUtilitaFinestre::waitSecondiAcrossMidnight()
{
    const QDateTime inizio(QDate(2026, 12, 31), QTime(23, 59, 59, 600));
    QDateTime adesso = inizio;
    const SystemClock::Source previous = SystemClock::setSource([&adesso] {
        adesso = adesso.addMSecs(150);
        return adesso;
    });
    bool eventoServito = false;
    QTimer::singleShot(0, this, [&eventoServito] { eventoServito = true; });

    zuUtilita().WaitSecondi(2);
    SystemClock::setSource(previous);

    // Started in second 23:59:59, so the wait ends in the first reading of 00:00:02.
    QCOMPARE(adesso.date(), QDate(2027, 1, 1));
    QCOMPARE(adesso.time().second(), 2);
    QCOMPARE(adesso.time().minute(), 0);
    QVERIFY(eventoServito);
}

void tst_zuUtilitaFinestre::isVBEnvironmentByExecutableName()
{
    QTemporaryDir dir;
    const auto probeAs = [&dir](const QString &nome) {
        const QString copia = dir.filePath(nome);
        if (!QFile::copy(QStringLiteral(VBENV_PROBE), copia))
            return u"copy failed"_s;
        QFile::setPermissions(copia, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcess probe;
        probe.start(copia, {});
        probe.waitForFinished();
        return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    };
    QCOMPARE(probeAs(u"VB6.EXE"_s), u"1"_s);
    QCOMPARE(probeAs(u"vb5cce.exe"_s), u"1"_s);
    QCOMPARE(probeAs(u"Vb32.Exe"_s), u"1"_s);
    QCOMPARE(probeAs(u"myvb6.exe"_s), u"0"_s);
    QCOMPARE(probeAs(u"vb6.exe.bak"_s), u"0"_s);
    QCOMPARE(probeAs(u"vb6"_s), u"0"_s);
    QVERIFY(!zuUtilita().IsVBEnvironment());
}

void tst_zuUtilitaFinestre::sfumaFormBands()
{
    QWidget finestra;
    finestra.resize(100, 120);
    zuUtilita zu;

    zu.SfumaForm(&finestra);
    // 60 bands of 2 pixels: blue falls by 4 from 255 to 19, red and green stay 0.
    QCOMPARE(pixelAt(finestra, 0), qRgb(0, 0, 255));
    QCOMPARE(pixelAt(finestra, 3), qRgb(0, 0, 251));
    QCOMPARE(pixelAt(finestra, 119), qRgb(0, 0, 19));

    // Red 3 and green 2 wrap through 255 on their first step; blue starts at 0 and stays there.
    finestra.resize(100, 30);
    zu.SfumaForm(&finestra, 0x000203, 3, 4);
    QCOMPARE(pixelAt(finestra, 5), qRgb(3, 2, 0));
    QCOMPARE(pixelAt(finestra, 15), qRgb(255, 254, 0));
    QCOMPARE(pixelAt(finestra, 25), qRgb(251, 250, 0));

    QVERIFY_THROWS_EXCEPTION(RuntimeError, zu.SfumaForm(&finestra, 0xFF0000, 0, 4));
}

void tst_zuUtilitaFinestre::finetraTopMostKeepsWindowInPlace()
{
    QWidget finestra;
    finestra.setGeometry(40, 50, 200, 100);
    finestra.show();
    QVERIFY(QTest::qWaitForWindowExposed(&finestra));
    const QRect prima = finestra.geometry();
    zuUtilita zu;

    zu.FinetraTopMost(&finestra, true);
    QVERIFY(finestra.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(finestra.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(finestra.isVisible());
    QCOMPARE(finestra.geometry(), prima);

    zu.FinetraTopMost(&finestra, false);
    QVERIFY(!finestra.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!finestra.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(finestra.isVisible());
    QCOMPARE(finestra.geometry(), prima);
}

void tst_zuUtilitaFinestre::finetraTopMostInsideRunningDialog()
{
    QDialog dialogo;
    bool ancoraAperto = false;
    QTimer::singleShot(0, &dialogo, [&] {
        zuUtilita().FinetraTopMost(&dialogo, true);
        QTimer::singleShot(50, &dialogo, [&] {
            ancoraAperto = dialogo.isVisible();
            dialogo.accept();
        });
    });
    QCOMPARE(dialogo.exec(), int(QDialog::Accepted));
    QVERIFY(ancoraAperto);
    QVERIFY(dialogo.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void tst_zuUtilitaFinestre::showFinestraConTitolo()
{
    QWidget alfa;
    alfa.setWindowTitle(u"Alfa - Impostazioni"_s);
    alfa.show();
    QWidget nascosta;
    nascosta.setWindowTitle(u"Finestra Nascosta"_s);
    zuUtilita zu;

    QVERIFY(!zu.ShowFinestraConTitolo(QString()));
    QVERIFY(!zu.ShowFinestraConTitolo(u"nessuna finestra"_s));
    QVERIFY(zu.ShowFinestraConTitolo(u"IMPOSTAZIONI"_s));
    QVERIFY(zu.ShowFinestraConTitolo(u"nascosta"_s));
    QVERIFY(nascosta.isVisible());
}

void tst_zuUtilitaFinestre::centring()
{
    zuUtilita zu;
    QWidget padre;
    padre.resize(400, 300);
    QWidget figlio(&padre);
    figlio.resize(100, 50);
    zu.CentraFormFiglio(&padre, &figlio);
    QCOMPARE(figlio.pos(), QPoint(150, 125));

    QWidget finestra;
    finestra.resize(200, 100);
    finestra.show();
    QVERIFY(QTest::qWaitForWindowExposed(&finestra));
    zu.CentraForm(&finestra);
    const QPoint centroSchermo = finestra.screen()->geometry().center();
    QVERIFY((finestra.frameGeometry().center() - centroSchermo).manhattanLength() <= 2);

    zu.CentraForm(nullptr);
    zu.CentraFormFiglio(nullptr, &figlio);
}

void tst_zuUtilitaFinestre::evidenzia()
{
    zuUtilita zu;
    QLineEdit riga(u"chat.esempio.example"_s);
    riga.setCursorPosition(3);
    zu.Evidenzia(&riga);
    QCOMPARE(riga.selectedText(), riga.text());

    QTextEdit testo(u"due\nrighe"_s);
    zu.Evidenzia(&testo);
    QCOMPARE(testo.textCursor().selectedText().size(), testo.toPlainText().size());

    zu.Evidenzia(nullptr);
    QCOMPARE(CurrentError::number(), 0);
}

void tst_zuUtilitaFinestre::keyMaiuscolo_data()
{
    QTest::addColumn<int>("tasto");
    QTest::addColumn<int>("atteso");
    QTest::newRow("letter") << int('q') << int('Q');
    QTest::newRow("capital") << int('Q') << int('Q');
    QTest::newRow("digit") << int('7') << int('7');
    QTest::newRow("a grave") << 0xE0 << 0xC0;
    QTest::newRow("y diaeresis") << 0xFF << 0x9F;
    QTest::newRow("sharp s") << 0xDF << 0xDF;
    QTest::newRow("backspace") << 8 << 8;
}

void tst_zuUtilitaFinestre::keyMaiuscolo()
{
    QFETCH(int, tasto);
    QFETCH(int, atteso);
    QCOMPARE(int(zuUtilita().KeyMaiuscolo(qint16(tasto))), atteso);
}

QTEST_MAIN(tst_zuUtilitaFinestre)
#include "tst_zuUtilitaFinestre.moc"
