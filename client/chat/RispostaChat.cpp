#include "RispostaChat.h"

#include "CharacterReferences.h"
#include "RuntimeError.h"

using namespace Qt::StringLiterals;

const QString RispostaChat::InizioDati = u"<!-- CHAT INIZIO DATA -->"_s;
const QString RispostaChat::NessunDato = u"<!-- NO DATA -->"_s;
const QString RispostaChat::NumeroRecord = u"<!-- REC -->"_s;
const QString RispostaChat::FineCampo = u"<!-- /0 -->"_s;

namespace {

RuntimeError protocolloNonRiconosciuto()
{
    return RuntimeError(RuntimeError::UnknownProtocol, u"Protocollo di comunicazione non riconosciuto."_s);
}

// Only blanks: tabs and line breaks around a value belong to it.
QStringView senzaBlank(QStringView valore)
{
    while (valore.startsWith(u' '))
        valore = valore.sliced(1);
    while (valore.endsWith(u' '))
        valore.chop(1);
    return valore;
}

bool isAsciiSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QString marcatoreDi(RispostaChat::Campo campo)
{
    switch (campo) {
    case RispostaChat::Campo::Nick: return u"<!-- NICK -->"_s;
    case RispostaChat::Campo::Data: return u"<!-- DATA -->"_s;
    case RispostaChat::Campo::Ip: return u"<!-- IP -->"_s;
    case RispostaChat::Campo::Msg: break;
    }
    return u"<!-- MSG -->"_s;
}

} // namespace

RispostaChat::RispostaChat(QStringView risposta)
    : m_risposta(risposta)
    , m_campi{{
          Lettura(risposta, marcatoreDi(Campo::Nick)),
          Lettura(risposta, marcatoreDi(Campo::Data)),
          Lettura(risposta, marcatoreDi(Campo::Ip)),
          Lettura(risposta, marcatoreDi(Campo::Msg)),
      }}
{
}

RispostaChat::Lettura::Lettura(QStringView risposta, const QString &campo)
    : marcatore(risposta, campo)
    , fine(risposta, FineCampo)
{
}

QString RispostaChat::campo(Campo campo, qsizetype da)
{
    Lettura &lettura = m_campi[size_t(campo)];
    const qsizetype marcatore = lettura.marcatore.from(da);
    if (marcatore < 0)
        throw protocolloNonRiconosciuto();
    // Records that borrow the same later field share its decoded value.
    if (marcatore == lettura.ultimoMarcatore)
        return lettura.ultimoValore;
    const qsizetype inizio = marcatore + lettura.marcatore.needleLength();
    const qsizetype fine = lettura.fine.from(inizio);
    if (fine < 0)
        throw RuntimeError(RuntimeError::InvalidArgument);
    lettura.ultimoMarcatore = marcatore;
    lettura.ultimoValore = decodifica(senzaBlank(m_risposta.sliced(inizio, fine - inizio)).toString());
    return lettura.ultimoValore;
}

qint32 RispostaChat::numero(QStringView marcatore, qsizetype da) const
{
    return comeNumero(valoreGrezzo(marcatore, m_risposta.sliced(da)));
}

qsizetype RispostaChat::trovaRecord(qint64 i, qsizetype da) const
{
    return m_risposta.indexOf(tagRecord(i), da);
}

QString RispostaChat::tagRecord(qint64 i)
{
    return i <= 9 ? u"<!-- N0%1 -->"_s.arg(i) : u"<!-- N%1 -->"_s.arg(i);
}

QString RispostaChat::decodifica(QString valore)
{
    // "&lt;" goes last, so that an escaped tag is never taken for the tag itself.
    valore.replace(u"<img src=smile.gif width=32 height=32>"_s, u":)"_s);
    valore.replace(u"<img src=smile2.gif width=32 height=32>"_s, u":("_s);
    valore.replace(u"<BR>"_s, u"\r\n"_s);
    valore.replace(u"<b>"_s, QString());
    valore.replace(u"</b>"_s, QString());
    valore.replace(u"&lt;"_s, u"<"_s);
    // Characters the page's code page cannot hold come as numeric references.
    return CharacterReferences::decode(valore);
}

QStringView RispostaChat::valoreGrezzo(QStringView marcatore, QStringView testo)
{
    const qsizetype posizione = testo.indexOf(marcatore);
    if (posizione < 0)
        throw protocolloNonRiconosciuto();
    const qsizetype inizio = posizione + marcatore.size();
    const qsizetype fine = testo.indexOf(FineCampo, inizio);
    if (fine < 0)
        throw RuntimeError(RuntimeError::InvalidArgument);
    return senzaBlank(testo.sliced(inizio, fine - inizio));
}

qint32 RispostaChat::comeNumero(QStringView valore)
{
    // A decimal whole number; white space around it is tolerated as the platform's
    // conversion tolerates it.
    while (!valore.isEmpty() && isAsciiSpace(valore.front()))
        valore = valore.sliced(1);
    while (!valore.isEmpty() && isAsciiSpace(valore.back()))
        valore.chop(1);
    const bool negativo = valore.startsWith(u'-');
    if (negativo || valore.startsWith(u'+'))
        valore = valore.sliced(1);
    if (valore.isEmpty())
        throw RuntimeError(RuntimeError::TypeMismatch);

    constexpr qint64 limite = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 n = 0;
    for (const QChar c : valore) {
        if (c < u'0' || c > u'9')
            throw RuntimeError(RuntimeError::TypeMismatch);
        n = std::min(n * 10 + (c.unicode() - u'0'), limite + 1); // saturates: no wrap on long input
    }
    if (n > limite || (n == limite && !negativo))
        throw RuntimeError(RuntimeError::Overflow);
    return qint32(negativo ? -n : n);
}
