// String, path and version helpers of zuUtilita.
#include "zuUtilita.h"

#include "LzExpander.h"
#include "PeVersionReader.h"
#include "RuntimeError.h"
#include "NumericText.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 shortMin = -32768;
constexpr qint64 shortMax = 32767;
constexpr int versionParts = 4;

// Positions and lengths of these helpers are 16-bit: longer texts overflow.
void requireShortLength(const QString &testo)
{
    if (testo.size() > shortMax)
        throw RuntimeError(RuntimeError::Overflow);
}

// The whole number a version part begins with, after leading blanks: "1 0" is 1,
// "2e5" is 2, "&H10" is 0. Radix prefixes and exponents are not version numbers.
qint16 versionPart(QStringView parte)
{
    qsizetype i = 0;
    while (i < parte.size() && parte[i] == u' ')
        ++i;
    const qsizetype inizio = i;
    if (i < parte.size() && (parte[i] == u'+' || parte[i] == u'-'))
        ++i;
    while (i < parte.size() && parte[i] >= u'0' && parte[i] <= u'9')
        ++i;
    return NumericText::toInteger16(parte.sliced(inizio, i - inizio).toDouble());
}

// Parts 1 to 4 of a dotted version; once the dots are used up the last part repeats.
std::array<qint16, versionParts> versionNumbers(const QString &versione)
{
    std::array<qint16, versionParts> parti{};
    QStringView resto = versione;
    for (qint16 &parte : parti) {
        const qsizetype punto = resto.indexOf(u'.');
        if (punto < 0) {
            parte = versionPart(resto);
        } else {
            parte = versionPart(resto.first(punto));
            resto = resto.sliced(punto + 1);
        }
    }
    return parti;
}

// The second character of a number as the user's locale writes it, when it is
// one of the two separators that callers understand.
quint8 separatorIn(const QString &formattato)
{
    if (formattato.size() < 2)
        return 0;
    const QChar secondo = formattato.at(1);
    return secondo == u',' || secondo == u'.' ? quint8(secondo.unicode()) : 0;
}
} // namespace

QString zuUtilita::zuReplace(QString testo, QString ricerca, QString sostituzione)
{
    if (testo.isEmpty() || ricerca.isEmpty() || sostituzione.isEmpty())
        return testo;
    QString risultato;
    qsizetype i = 0;
    while (i < testo.size()) {
        if (QStringView(testo).sliced(i).startsWith(ricerca)) {
            risultato += sostituzione;
            i += ricerca.size();
        } else {
            risultato += testo.at(i);
            ++i;
        }
    }
    return risultato;
}

bool zuUtilita::zuSplit(QStringList &tmp, QString buf, QString sep)
{
    tmp = QStringList{QString()};
    if (buf.isEmpty() || sep.isEmpty())
        return false;
    QStringView testo = buf;
    if (testo.endsWith(sep))
        testo.chop(sep.size());
    if (testo.size() > shortMax)
        throw RuntimeError(RuntimeError::Overflow);
    qsizetype i = 0;
    while (i < testo.size()) {
        if (testo.sliced(i).startsWith(sep)) {
            tmp.append(QString());
            i += sep.size();
        } else {
            tmp.last() += testo.at(i);
            ++i;
        }
    }
    return true;
}

QString zuUtilita::EspuraSpazi(QString testo)
{
    requireShortLength(testo);
    return testo.remove(u' ');
}

QString zuUtilita::DeterminaSoloFileName(QString pathname)
{
    requireShortLength(pathname);
    const qsizetype separatore = std::max(pathname.lastIndexOf(u'/'), pathname.lastIndexOf(u'\\'));
    return pathname.sliced(separatore + 1);
}

QString zuUtilita::EstraiEstensione(const QString &filename)
{
    requireShortLength(filename);
    const qsizetype punto = filename.lastIndexOf(u'.');
    // A name whose only dot leads it ("." files) has no extension.
    return punto <= 0 ? QString() : filename.sliced(punto + 1);
}

QString zuUtilita::GetVersione(const QString &file)
{
    const auto versione = PeVersionReader::readFile(file);
    return versione ? versione->text() : u"0.0.0.0"_s;
}

qint32 zuUtilita::ConfrontaVersione(const QString &VersioneA, const QString &VersioneB)
{
    const auto a = versionNumbers(VersioneA);
    const auto b = versionNumbers(VersioneB);
    for (int k = 0; k < versionParts; ++k) {
        if (a[k] != b[k])
            return a[k] > b[k] ? 1 : -1;
    }
    return 0;
}

QDateTime zuUtilita::LongToDate(qint32 sec)
{
    const qint64 ore = qint64(std::floor(sec / 3600.0));
    if (ore < shortMin || ore > shortMax)
        throw RuntimeError(RuntimeError::Overflow);
    const qint64 resto = qint64(sec) - ore * 3600;
    const qint64 minuti = resto / 60;
    const qint64 secondi = resto % 60;
    // Hours past 23 become whole days after the zero date.
    const qint64 giorni = qint64(std::floor(ore / 24.0));
    const QTime ora(int(ore - giorni * 24), int(minuti), int(secondi));
    return QDateTime(QDate(1899, 12, 30).addDays(giorni), ora);
}

quint8 zuUtilita::GetSeparatoreDecimale()
{
    return separatorIn(QLocale().toString(1.2, 'f', 1));
}

quint8 zuUtilita::GetSeparatoreMigliaia()
{
    return separatorIn(QLocale().toString(1000));
}

bool zuUtilita::Decomprimi(const QString &sorgente, const QString &destinazione)
{
    return LzExpander::expand(sorgente, destinazione);
}
