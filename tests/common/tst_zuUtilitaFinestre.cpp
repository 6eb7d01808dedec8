#include "CurrentError.h"
#include "MessageBoxRecorder.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "ScopedHandler.h"
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

class tst_zuUtilitaFinestre : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CurrentError::clear(); }

    void eseguiExShellResults_data()
    {
        QTest::addColumn<int>("risultato"); // -1: the opener fails at run time
        QTest::addColumn<QString>("messaggio");
        QTest::newRow("just above 32") << 33 << QString();
        QTest::newRow("file not found") << 2 << u"/percorso/guida.pdf: file non trovato!"_s;
        QTest::newRow("no association") << 31 << u"/percorso/guida.pdf: nessun programma associato a questo tipo di file!"_s;
        QTest::newRow("path not found") << 3 << u"/percorso/guida.pdf: accesso negato!"_s;
        QTest::newRow("32") << 32 << u"/percorso/guida.pdf: accesso negato!"_s;
        QTest::newRow("run-time failure") << -1 << u"Permesso negato"_s;
    }

    void eseguiExShellResults()
    {
        QFETCH(int, risultato);
        QFETCH(QString, messaggio);
        ShellOpener::Request richiesta;
        ScopedHandler<ShellOpener> opener([&](const ShellOpener::Request &r) {
            richiesta = r;
            if (risultato < 0)
                throw RuntimeError(RuntimeError::PermissionDenied, u"Permesso negato"_s);
            return risultato;
        });
        QWidget owner;
        for (bool muto : {false, true}) {
            MessageBoxRecorder boxes;
            QCOMPARE(zuUtilita().EseguiEx(&owner, u"/percorso/guida.pdf"_s, muto), messaggio.isNull());
            QVERIFY(richiesta.target == u"/percorso/guida.pdf"_s && richiesta.owner == &owner);
            QVERIFY(!richiesta.workingFolder.isEmpty());
            QCOMPARE(boxes.count() ? boxes.lastBox() : QString(), muto || messaggio.isNull() ? QString() : u"16 Errore: "_s + messaggio);
            QCOMPARE(CurrentError::number(), 0);
        }
    }

    void eseguiExOnMissingFilesWithTheDesktop()
    {
        QTemporaryDir dir;
        MessageBoxRecorder boxes;
        const QString mancante = dir.filePath(u"ciarlachat.pdf"_s);
        // A file address gets the same checks as a path.
        for (const auto &[obiettivo, suffisso] : {std::pair{mancante, u": file non trovato!"_s},
                                                  {dir.filePath(u"manca/ciarlachat.pdf"_s), u": accesso negato!"_s},
                                                  {QUrl::fromLocalFile(mancante).toString(), u": file non trovato!"_s}}) {
            QVERIFY(!zuUtilita().EseguiEx(nullptr, obiettivo, false));
            QCOMPARE(boxes.last().prompt, obiettivo + suffisso);
        }
    }

    void webAndMailTargetsStaySilent()
    {
        QStringList obiettivi;
        ScopedHandler<ShellOpener> opener([&](const ShellOpener::Request &r) {
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

    void startApplicazione()
    {
        QStringList avviati;
        bool avvioRiesce = true;
        ScopedHandler<ProgramStarter> starter([&](const QString &programma) {
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
        QCOMPARE(boxes.lastBox(), u"48 Errore: assente.exe: Applicazione non trovata."_s);
        avvioRiesce = false;
        QVERIFY(!zu.StartApplicazione(u"blocco.exe"_s));
        QCOMPARE(boxes.count(), 2);
    }

    void shellSospensivaWaitsForTheEnd()
    {
        QTemporaryDir dir;
        const QString segno = dir.filePath(u"fatto"_s);
        zuUtilita zu;
        // The mark appears only after a pause: finding it proves the call waited.
        QVERIFY(zu.ShellSospensiva(u"sh"_s, u"-c \"sleep 0.3; echo fine > '%1'\""_s.arg(segno)));
        QVERIFY(QFile::exists(segno));
        QVERIFY(zu.ShellSospensiva(u"touch \"%1\""_s.arg(dir.filePath(u"senza argomenti"_s))));
        QVERIFY(QFile::exists(dir.filePath(u"senza argomenti"_s)));
        QVERIFY(!zu.ShellSospensiva(dir.filePath(u"programma-che-non-esiste"_s)));
        QVERIFY(!zu.ShellSospensiva(QString()));
    }

    void waitSecondiAcrossMidnight()
    {
        QDateTime adesso(QDate(2026, 12, 31), QTime(23, 59, 59, 600));
        const SystemClock::Source previous = SystemClock::setSource([&adesso] { return adesso = adesso.addMSecs(150); });
        bool eventoServito = false;
        QTimer::singleShot(0, this, [&eventoServito] { eventoServito = true; });
        zuUtilita().WaitSecondi(2);
        SystemClock::setSource(previous);
        // Started in second 23:59:59, so the wait ends in the first reading of 00:00:02.
        QCOMPARE(adesso.date(), QDate(2027, 1, 1));
        QCOMPARE(adesso.time().addMSecs(-adesso.time().msec()), QTime(0, 0, 2));
        QVERIFY(eventoServito);
    }

    void isVBEnvironmentByExecutableName()
    {
        QTemporaryDir dir;
        QString visti;
        for (const QString &nome : {u"VB6.EXE"_s, u"vb5cce.exe"_s, u"Vb32.Exe"_s, u"myvb6.exe"_s, u"vb6.exe.bak"_s, u"vb6"_s}) {
            QVERIFY(QFile::copy(QStringLiteral(VBENV_PROBE), dir.filePath(nome)));
            QProcess probe;
            probe.start(dir.filePath(nome), {});
            QVERIFY(probe.waitForFinished());
            visti += QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
        }
        QCOMPARE(visti, u"111000"_s);
        QVERIFY(!zuUtilita().IsVBEnvironment());
    }

    void sfumaFormBands()
    {
        QWidget finestra;
        finestra.resize(100, 120);
        zuUtilita zu;
        const auto pixel = [&finestra](int y) { return finestra.grab().toImage().pixel(50, y); };
        zu.SfumaForm(&finestra);
        // 60 bands of 2 pixels: blue falls by 4 from 255 to 19, red and green stay 0.
        QCOMPARE((QList<QRgb>{pixel(0), pixel(3), pixel(119)}), (QList<QRgb>{qRgb(0, 0, 255), qRgb(0, 0, 251), qRgb(0, 0, 19)}));
        // Red 3 and green 2 wrap through 255 on their first step; blue starts at 0 and stays there.
        finestra.resize(100, 30);
        zu.SfumaForm(&finestra, 0x000203, 3, 4);
        QCOMPARE((QList<QRgb>{pixel(5), pixel(15), pixel(25)}), (QList<QRgb>{qRgb(3, 2, 0), qRgb(255, 254, 0), qRgb(251, 250, 0)}));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, zu.SfumaForm(&finestra, 0xFF0000, 0, 4));
    }

    void finetraTopMostKeepsWindowInPlace()
    {
        QWidget finestra;
        finestra.setGeometry(40, 50, 200, 100);
        finestra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finestra));
        const QRect prima = finestra.geometry();
        for (const bool sopra : {true, false}) {
            zuUtilita().FinetraTopMost(&finestra, sopra);
            QCOMPARE(finestra.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), sopra);
            QVERIFY(finestra.isVisible() && finestra.geometry() == prima);
        }
        // Inside a running dialog: the dialog stays open.
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
        QVERIFY(ancoraAperto && dialogo.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void windowsByTitleCentringAndSelection()
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
        QVERIFY(zu.ShowFinestraConTitolo(u"nascosta"_s) && nascosta.isVisible());
        QWidget padre;
        padre.resize(400, 300);
        QWidget figlio(&padre);
        figlio.resize(100, 50);
        zu.CentraFormFiglio(&padre, &figlio);
        QCOMPARE(figlio.pos(), QPoint(150, 125));
        QVERIFY(QTest::qWaitForWindowExposed(&alfa));
        zu.CentraForm(&alfa);
        QVERIFY((alfa.frameGeometry().center() - alfa.screen()->geometry().center()).manhattanLength() <= 2);
        zu.CentraForm(nullptr);
        zu.CentraFormFiglio(nullptr, &figlio);
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

    void keyMaiuscolo()
    {
        // Capitals of the single-byte code page: "ÿ" has its capital outside Latin-1, "ß" none.
        QList<qint16> maiuscole;
        for (const qint16 tasto : QList<qint16>{'q', '7', 0xE0, 0xFF, 0xDF})
            maiuscole << zuUtilita().KeyMaiuscolo(tasto);
        QCOMPARE(maiuscole, (QList<qint16>{'Q', '7', 0xC0, 0x9F, 0xDF}));
    }
};

QTEST_MAIN(tst_zuUtilitaFinestre)
#include "tst_zuUtilitaFinestre.moc"
