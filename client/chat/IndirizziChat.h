#pragma once

#include <QString>

// Every address the client asks for or opens: the chat service's pages for each
// room, the query of a message sent, and the maker's pages.
class IndirizziChat
{
public:
    // Every character as "%" and two upper-case hex digits of its Windows-1252 code;
    // a character outside the code page first becomes a numeric reference (see
    // CharacterReferences). Throws RuntimeError(6) at 32767 characters or more.
    static QString Codifica(const QString &daCodificare);

    // The public service's root, the local development folder "/chat/", or the
    // private server's address as the server selection returns it.
    static QString indirizzoBase(bool usaCanali, bool sviluppo, const QString &indirizzoServer);

    // Page names; stanza 0 to 3 for the public service, ignored for a private server.
    // Throws RuntimeError(5) for a room the public service does not have.
    static QString paginaLettura(bool usaCanali, int stanza);
    static QString paginaInvio(bool usaCanali, int stanza);

    static QString indirizzoLettura(const QString &base, bool usaCanali, int stanza);
    static QString indirizzoInvio(const QString &base, bool usaCanali, int stanza, const QString &nick,
                                  const QString &messaggio);

    static QString indirizzoHomepage();
    static QString indirizzoAggiornamento();
    static QString indirizzoMiaChat();
    static QString indirizzoValligiani();
    static QString indirizzoGuida(const QString &cartellaApplicazione);
    // The same guide as a web page, for the browser.
    static QString indirizzoGuidaWeb(const QString &cartellaApplicazione);

private:
    static QString paginaStanza(QString pagina, int stanza);
};
