#include "zuUtilita.h"

#include "BlankText.h"
#include "CurrentError.h"
#include "ErrorMessageTable.h"
#include "LogLine.h"
#include "MessageBox.h"
#include "Registry.h"
#include "RuntimeError.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString settingsApplication = u"ZUCiarlaChat"_s;
constexpr qsizetype maxShortLength = 32767;

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString platformTempFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("TMPDIR");
    if (!fromEnvironment.isEmpty() && QFileInfo(fromEnvironment).isDir())
        return fromEnvironment;
    return QFileInfo(u"/tmp"_s).isDir() ? u"/tmp"_s : QString();
}
} // namespace

QString zuUtilita::LeggiINI(const QString &, const QString &Sezione, const QString &chiave,
                            const QString &DefaultValore)
{
    const QString letto = SettingsStore::value(settingsApplication, Sezione, chiave).value_or(QString());
    return letto.isEmpty() ? DefaultValore : letto;
}

bool zuUtilita::ScriviINI(const QString &, const QString &Sezione, const QString &chiave, const QString &valore)
{
    return SettingsStore::setValue(settingsApplication, Sezione, chiave, valore);
}

void zuUtilita::CurDirApp()
{
    QDir::setCurrent(programFolder());
}

QString zuUtilita::AggiungiSepDir(QString &percorso)
{
    percorso = BlankText::trimmed(percorso);
    if (!percorso.isEmpty() && !percorso.endsWith(u'/'))
        percorso += u'/';
    return percorso;
}

QString zuUtilita::AggiungiSepDir(QString &&percorso)
{
    return AggiungiSepDir(percorso);
}

QString zuUtilita::CartellaApplicazione(const QString &applicazione)
{
    QString valore;
    const QString chiave = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"_s + applicazione;
    if (!LeggiChiaveRegistro(Registry::LocalMachine, chiave, QString(), valore))
        return {};
    return EstraiPath(valore);
}

QString zuUtilita::EstraiPath(const QString &filename)
{
    if (filename.size() > maxShortLength)
        throw RuntimeError(RuntimeError::Overflow);
    const qsizetype ultimo = filename.lastIndexOf(u'/');
    // A path whose only separator is its first character has no folder part.
    if (ultimo <= 0)
        return {};
    return filename.left(ultimo + 1);
}

QString zuUtilita::StripTerminator(const QString &strString)
{
    const qsizetype fine = strString.indexOf(QChar(u'\0'));
    return fine < 0 ? strString : strString.left(fine);
}

QString zuUtilita::GetDirectoryTemp()
{
    const QString temp = platformTempFolder();
    return AggiungiSepDir(temp.isEmpty() ? programFolder() : StripTerminator(temp));
}

bool zuUtilita::ScriviLog(const QString &testo, const std::optional<QString> &filename, bool data,
                          bool CancellaPrecedente)
{
    QString file;
    if (filename) {
        file = BlankText::trimmed(*filename);
    } else {
        file = programFolder();
        if (!file.endsWith(u'/') && !file.endsWith(u'\\'))
            file += u'/';
        file += programBaseName() + u".log"_s;
    }
    if (CancellaPrecedente && !QFile::remove(file))
        return false;
    QFile log(file);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray riga = LogLine::encode(testo, data);
    return log.write(riga) == riga.size() && log.flush();
}

QString zuUtilita::MessaggioErroreITA(qint32 codice)
{
    return ErrorMessageTable::italianText(codice).value_or(CurrentError::description());
}

void zuUtilita::PrintErrore()
{
    mostraErroreCorrente(QString());
}

void zuUtilita::PrintErrore(const RuntimeError &error)
{
    CurrentError::set(error);
    PrintErrore();
}

void zuUtilita::PrintErroreEx(const QString &inizio)
{
    mostraErroreCorrente(inizio + u": "_s);
}

void zuUtilita::mostraErroreCorrente(const QString &inizio)
{
    const qint32 numero = CurrentError::number();
    const QString messaggio = numero == RuntimeError::BadFileName ? u"Impossibile leggere l'unità specificata."_s
                                                                  : CurrentError::description();
    MessageBox::show(inizio + messaggio, MessageBox::Information, u"Errore "_s + QString::number(numero));
    CurrentError::clear();
}

bool zuUtilita::LeggiChiaveRegistro(quint32 root, const QString &chiave, const QString &nomeValore, QString &testo)
{
    return Registry::readText(root, chiave, nomeValore, Registry::ReadAccess, testo);
}
