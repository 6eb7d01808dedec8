// Shell, web and window helpers of zuUtilita.
#include "zuUtilita.h"

#include "BuildConfig.h"
#include "ServiceAddress.h"
#include "CurrentError.h"
#include "MessageBox.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "ShellOpener.h"
#include "SystemClock.h"
#include "Windows1252.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QStorageInfo>
#include <QTextEdit>
#include <QThread>
#include <QWindow>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qint32 divisionByZero = 11;

// Documents and programs opened through the shell start from the root of the
// volume that holds this program.
QString programVolumeRoot()
{
    return QStorageInfo(QCoreApplication::applicationDirPath()).rootPath();
}

int openWithShell(QWidget *owner, const QString &target)
{
    return ShellOpener::open(owner, target, programVolumeRoot());
}

QString refusalSuffix(int result)
{
    switch (result) {
    case ShellOpener::FileNotFound:
        return u": file non trovato!"_s;
    case ShellOpener::NoAssociation:
        return u": nessun programma associato a questo tipo di file!"_s;
    default:
        return u": accesso negato!"_s;
    }
}

QDateTime toWholeSecond(const QDateTime &momento)
{
    return momento.addMSecs(-momento.time().msec());
}

// Rounds half to even, as the window system's integer coordinates do.
int toPixel(double value)
{
    return int(std::nearbyint(value));
}

QImage fadedBands(QSize size, quint32 colore, int bande, int passo)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    int canali[3] = {int(colore & 0xFF), int((colore >> 8) & 0xFF), int((colore >> 16) & 0xFF)};
    int passi[3];
    for (int c = 0; c < 3; ++c)
        passi[c] = canali[c] > 0 ? passo : 0;
    const double altezza = double(size.height()) / bande;
    int alto = 0;
    for (int i = 1; i <= bande; ++i) {
        const int basso = toPixel(i * altezza);
        painter.fillRect(QRect(0, alto, size.width(), basso - alto), QColor(canali[0], canali[1], canali[2]));
        for (int c = 0; c < 3; ++c)
            canali[c] = (canali[c] - passi[c]) & 0xFF;
        alto = basso;
    }
    return image;
}

const QStringList &developmentExecutables()
{
    static const QStringList nomi{u"vb32.exe"_s, u"vb.exe"_s,  u"vb5.exe"_s, u"vb5cce.exe"_s,
                                  u"vb6.exe"_s,  u"vb6cce.exe"_s, u"vb7.exe"_s, u"vb7cce.exe"_s};
    return nomi;
}
} // namespace

bool zuUtilita::EseguiEx(QWidget *owner, const QString &file, bool muto)
{
    QString messaggio;
    try {
        const int risultato = openWithShell(owner, file);
        if (risultato > 32)
            return true;
        messaggio = file + refusalSuffix(risultato);
    } catch (const RuntimeError &e) {
        messaggio = e.description();
    }
    if (!muto)
        MessageBox::show(messaggio, MessageBox::Critical, u"Errore"_s, owner);
    CurrentError::clear();
    return false;
}

void zuUtilita::Homepage(QWidget *owner)
{
    openWithShell(owner, ServiceAddress::root());
}

void zuUtilita::GoWeb(QWidget *owner, const QString &indirizzoWeb)
{
    openWithShell(owner, indirizzoWeb);
}

void zuUtilita::EMail(QWidget *owner)
{
    openWithShell(owner, u"Mailto:"_s + QLatin1StringView(BuildConfig::makerEmail));
}

bool zuUtilita::StartApplicazione(const QString &applicazione)
{
    QString percorso;
    const QString chiave = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_s + applicazione;
    if (LeggiChiaveRegistro(Registry::LocalMachine, chiave, QString(), percorso) && ProgramStarter::start(percorso))
        return true;
    MessageBox::show(applicazione + u": Applicazione non trovata."_s, MessageBox::Warning, u"Errore"_s);
    return false;
}

bool zuUtilita::ShellSospensiva(const QString &ToRun, const std::optional<QString> &COMMANDLINE)
{
    QStringList parti = QProcess::splitCommand(COMMANDLINE ? ToRun + u' ' + *COMMANDLINE : ToRun);
    if (parti.isEmpty())
        return false;
    QProcess processo;
    processo.setProgram(parti.takeFirst());
    processo.setArguments(parti);
    // The program shares our terminal: output nobody reads must not fill a pipe and stall it.
    processo.setProcessChannelMode(QProcess::ForwardedChannels);
    processo.setInputChannelMode(QProcess::ForwardedInputChannel);
    processo.start();
    if (!processo.waitForStarted(-1))
        return false;
    processo.waitForFinished(-1);
    return true;
}

void zuUtilita::FinetraTopMost(QWidget *finestra, bool SempreInPrimoPiano)
{
    if (!finestra)
        return;
    QWidget *window = finestra->window();
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == SempreInPrimoPiano)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, SempreInPrimoPiano);
    // Setting the widget's flags would hide a shown window (and end a running
    // dialog); the native window takes the change in place instead.
    if (QWindow *handle = window->windowHandle()) {
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

bool zuUtilita::ShowFinestraConTitolo(const QString &testo)
{
    if (testo.isEmpty())
        return false;
    const QWidgetList finestre = QApplication::topLevelWidgets();
    for (QWidget *finestra : finestre) {
        if (!finestra->windowTitle().contains(testo, Qt::CaseInsensitive))
            continue;
        finestra->showNormal();
        finestra->raise();
        return true;
    }
    return false;
}

void zuUtilita::CentraForm(QWidget *obj)
{
    if (!obj || !obj->screen())
        return;
    const QRect schermo = obj->screen()->geometry();
    const QSize dimensione = obj->frameGeometry().size();
    obj->move(schermo.x() + (schermo.width() - dimensione.width()) / 2,
              schermo.y() + (schermo.height() - dimensione.height()) / 2);
}

void zuUtilita::CentraFormFiglio(QWidget *padre, QWidget *obj)
{
    if (!padre || !obj)
        return;
    const QSize dimensione = obj->frameGeometry().size();
    QPoint posizione((padre->width() - dimensione.width()) / 2, (padre->height() - dimensione.height()) / 2);
    // A separate window is placed in screen coordinates over the parent's inner area.
    if (obj->isWindow())
        posizione += padre->mapToGlobal(QPoint(0, 0));
    obj->move(posizione);
}

void zuUtilita::Evidenzia(QWidget *xCtrl)
{
    if (auto *riga = qobject_cast<QLineEdit *>(xCtrl))
        riga->selectAll();
    else if (auto *testo = qobject_cast<QTextEdit *>(xCtrl))
        testo->selectAll();
    else if (auto *semplice = qobject_cast<QPlainTextEdit *>(xCtrl))
        semplice->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(xCtrl); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

void zuUtilita::SfumaForm(QWidget *InputForm, quint32 ColoreIniziale, int PassoA, int PassoB)
{
    if (PassoA == 0)
        throw RuntimeError(divisionByZero);
    if (PassoA < 0)
        return;
    const QImage bande = fadedBands(InputForm->size(), ColoreIniziale, PassoA, PassoB);
    QPalette tavolozza = InputForm->palette();
    tavolozza.setBrush(QPalette::Window, QBrush(bande));
    InputForm->setPalette(tavolozza);
    InputForm->setAutoFillBackground(true);
    InputForm->update();
}

void zuUtilita::WaitSecondi(qint16 sec)
{
    // Whole date and time, not the time of day alone, so that a wait across
    // midnight ends too.
    const QDateTime obiettivo = toWholeSecond(SystemClock::now()).addSecs(sec);
    while (toWholeSecond(SystemClock::now()) <= obiettivo) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

void zuUtilita::Sleep(qint32 millisecondi)
{
    QThread::msleep(static_cast<unsigned long>(std::max(millisecondi, 0)));
}

qint16 zuUtilita::KeyMaiuscolo(qint16 KeyAscii)
{
    if (KeyAscii < 0)
        return KeyAscii;
    if (KeyAscii > 0xFF)
        return qint16(QChar(char16_t(KeyAscii)).toUpper().unicode());
    const QString maiuscolo = Windows1252::decode(QByteArray(1, char(KeyAscii))).toUpper();
    if (maiuscolo.size() != 1 || !Windows1252::canEncode(maiuscolo.front()))
        return KeyAscii;
    return qint16(quint8(Windows1252::encodeChar(maiuscolo.front())));
}

bool zuUtilita::IsVBEnvironment()
{
    const QString percorso = QCoreApplication::applicationFilePath();
    const qsizetype separatore = std::max({percorso.lastIndexOf(u':'), percorso.lastIndexOf(u'/'),
                                           percorso.lastIndexOf(u'\\')});
    return developmentExecutables().contains(percorso.mid(separatore + 1).toLower());
}
