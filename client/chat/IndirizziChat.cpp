#include "IndirizziChat.h"

#include "BuildConfig.h"
#include "CharacterReferences.h"
#include "ServiceAddress.h"
#include "RuntimeError.h"
#include "Windows1252.h"
#include "zuUtilita.h"

using namespace Qt::StringLiterals;

namespace {
// Counts and positions were 16-bit: the first length that no longer fits.
constexpr qsizetype LunghezzaMassima = 32767;
constexpr int Stanze = 4;
}

QString IndirizziChat::Codifica(const QString &daCodificare)
{
    if (daCodificare.size() >= LunghezzaMassima)
        throw RuntimeError(RuntimeError::Overflow);
    const QByteArray codici = Windows1252::encode(CharacterReferences::encode(daCodificare));
    QString risultato;
    risultato.reserve(codici.size() * 3);
    constexpr char16_t cifre[] = u"0123456789ABCDEF";
    for (const char c : codici) {
        const auto codice = uchar(c);
        risultato += u'%';
        risultato += QChar(cifre[codice >> 4]);
        risultato += QChar(cifre[codice & 0xF]);
    }
    return risultato;
}

QString IndirizziChat::indirizzoBase(bool usaCanali, bool sviluppo, const QString &indirizzoServer)
{
    if (!usaCanali)
        return indirizzoServer;
    if (sviluppo)
        return u"http://"_s + QLatin1StringView(BuildConfig::localHost) + u"/chat/"_s;
    return indirizzoHomepage();
}

QString IndirizziChat::paginaStanza(QString pagina, int stanza)
{
    if (stanza < 0 || stanza >= Stanze)
        throw RuntimeError(RuntimeError::InvalidArgument);
    if (stanza > 0)
        pagina.replace(u".asp"_s, QString::number(stanza) + u".asp"_s);
    return pagina;
}

QString IndirizziChat::paginaLettura(bool usaCanali, int stanza)
{
    return usaCanali ? paginaStanza(u"getmsgchat.asp"_s, stanza) : u"getciarlachat.asp"_s;
}

QString IndirizziChat::paginaInvio(bool usaCanali, int stanza)
{
    return usaCanali ? paginaStanza(u"putmsgchat.asp"_s, stanza) : u"putciarlachat.asp"_s;
}

QString IndirizziChat::indirizzoLettura(const QString &base, bool usaCanali, int stanza)
{
    return base + paginaLettura(usaCanali, stanza);
}

QString IndirizziChat::indirizzoInvio(const QString &base, bool usaCanali, int stanza, const QString &nick,
                                      const QString &messaggio)
{
    return base + paginaInvio(usaCanali, stanza) + u"?NOME="_s + Codifica(nick) + u"&messaggio="_s
         + Codifica(messaggio);
}

QString IndirizziChat::indirizzoHomepage()
{
    return ServiceAddress::root();
}

QString IndirizziChat::indirizzoAggiornamento()
{
    // Four numbers joined by encoded blanks; the last is always 0.
    const QString blank = u"%20"_s;
    return indirizzoHomepage() + u"ciarlachat.asp?ver="_s + QString::number(BuildConfig::versionMajor) + blank
         + QString::number(BuildConfig::versionMinor) + blank + QString::number(BuildConfig::versionRevision)
         + blank + u'0';
}

QString IndirizziChat::indirizzoMiaChat()
{
    return indirizzoHomepage() + u"miachat.asp"_s;
}

QString IndirizziChat::indirizzoValligiani()
{
    return indirizzoHomepage() + u"valligianichat.asp"_s;
}

QString IndirizziChat::indirizzoGuida(const QString &cartellaApplicazione)
{
    return zuUtilita().AggiungiSepDir(QString(cartellaApplicazione)) + u"ciarlachat.pdf"_s;
}

QString IndirizziChat::indirizzoGuidaWeb(const QString &cartellaApplicazione)
{
    return zuUtilita().AggiungiSepDir(QString(cartellaApplicazione)) + u"guida/ciarlachat.html"_s;
}
