#include "CurrentError.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "ShellOpener.h"
#include "SystemClock.h"
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
    void keyMaiuscolo();
};

void tst_zuUtilitaFinestre::eseguiExShellResults_data()
{
    QTest::addColumn<int>("risultato");
    QTest::addColumn<bool>("accettato");
    QTest::addColumn<QString>("suffisso");
    QTest::newRow("just above 32") << 33 << true << QString();
    QTest::newRow("file not found") << 2 << false << u": file non trovato!"_s;
    QTest::newRow("no association") << 31 << false << u": nessun programma associato a questo tipo di file!"_s;
    QTest::newRow("path not found") << 3 << false << u": accesso negato!"_s;
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
        QCOMPARE(boxes.count(), accettato || muto ? 0 : 1);
        if (boxes.count() == 0)
            continue;
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
    // A file address gets the same checks as a path.
    const QList<std::pair<QString, QString>> casi{
        {mancante, u": file non trovato!"_s},
        {dir.filePath(u"manca/ciarlachat.pdf"_s), u": accesso negato!"_s},
        {QUrl::fromLocalFile(mancante).toString(), u": file non trovato!"_s}};
    for (const auto &[obiettivo, suffisso] : casi) {
        QVERIFY(!zuUtilita().EseguiEx(nullptr, obiettivo, false));
        QCOMPARE(boxes.last().prompt, obiettivo + suffisso);
    }
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
    QVERIFY2(obiettivi[0].startsWith(u"http://"_s) && obiettivi[0].endsWith(u'/'), qPrintable(obiettivi[0]));
    QCOMPARE(obiettivi[1], u"http://chat.esempio.example/stanza"_s);
    QVERIFY2(obiettivi[2].startsWith(u"Mailto:"_s) && obiettivi[2].contains(u'@'), qPrintable(obiettivi[2]));
}

void tst_zuUtilitaFinestre::startApplicazione()
{
    QStringList avviati;
    bool avvioRiesce = true;
    ReplacedStarter starter([&](const QString &programma) {
        avviati.append(programma);
        return avvioRiesce;
    });
    auto percorso = Registry::createKey(
        Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\blocco.exe"_s,
        Registry::WriteAccess);
    QVERIFY(percorso && percorso->setValue(QString(), {Registry::String, QByteArray("/opt/blocco/blocco") + '\0'}));
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

    for (const bool sopra : {true, false}) {
        zu.FinetraTopMost(&finestra, sopra);
        QCOMPARE(finestra.windowFlags().testFlag(Qt::WindowStaysOnTopHint), sopra);
        QCOMPARE(finestra.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), sopra);
        QVERIFY(finestra.isVisible());
        QCOMPARE(finestra.geometry(), prima);
    }
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

void tst_zuUtilitaFinestre::keyMaiuscolo()
{
    // Capitals of the single-byte code page: "ÿ" has its capital outside Latin-1, "ß" none.
    zuUtilita zu;
    QCOMPARE(zu.KeyMaiuscolo('q'), qint16('Q'));
    QCOMPARE(zu.KeyMaiuscolo('7'), qint16('7'));
    QCOMPARE(zu.KeyMaiuscolo(0xE0), qint16(0xC0));
    QCOMPARE(zu.KeyMaiuscolo(0xFF), qint16(0x9F));
    QCOMPARE(zu.KeyMaiuscolo(0xDF), qint16(0xDF));
}

QTEST_MAIN(tst_zuUtilitaFinestre)
#include "tst_zuUtilitaFinestre.moc"
