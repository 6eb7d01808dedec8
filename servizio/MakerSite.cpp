#include "MakerSite.h"

#include "BuildConfig.h"
#include "HtmlPage.h"
#include "QueryText.h"
#include "RoomDirectory.h"

#include <QStringList>
#include <QVersionNumber>

namespace {
const QVersionNumber currentVersion(BuildConfig::versionMajor, BuildConfig::versionMinor,
                                    BuildConfig::versionRevision);

const QString links = QStringLiteral(
    "<ul>\n<li><a href=\"/\">CiarlaChat</a></li>\n<li><a href=\"miachat.asp\">La tua chat</a></li>\n"
    "<li><a href=\"valligianichat.asp\">Chat dei Valligiani</a></li>\n</ul>\n");

// "ver" carries major, minor, revision and a 0, separated by blanks.
std::optional<QVersionNumber> askedVersion(const QString &encodedQuery)
{
    const QStringList parts =
        QueryText::value(encodedQuery, QStringLiteral("ver")).value_or(QString()).split(u' ', Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts.size() > 4)
        return std::nullopt;
    QList<int> numbers;
    for (const QString &part : parts) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok || n < 0)
            return std::nullopt;
        numbers.append(n);
    }
    return QVersionNumber(numbers.mid(0, 3));
}

ServiceReply sitePage(HtmlPage &page)
{
    return page.markup(links).reply(200, ServiceReply::Charset::Utf8);
}
} // namespace

std::optional<ServiceReply> MakerSite::answer(const QString &path, const QString &encodedQuery)
{
    const QString page = path.toLower();
    if (page == u"/")
        return home();
    if (page == u"/miachat.asp")
        return ownChat();
    if (page == u"/valligianichat.asp")
        return regionalRoom();
    if (page == u"/ciarlachat.asp")
        return updateCheck(encodedQuery);
    return std::nullopt;
}

ServiceReply MakerSite::home()
{
    QString rooms = QStringLiteral("<ul>\n");
    for (const RoomDirectory::Entry &room : RoomDirectory::rooms().mid(0, 4))
        rooms += QStringLiteral("<li><a href=\"%1\">%2</a></li>\n").arg(room.pollPage, room.title.toHtmlEscaped());
    rooms += QStringLiteral("</ul>\n");
    HtmlPage page(QStringLiteral("CiarlaChat"));
    page.heading(QStringLiteral("CiarlaChat"))
        .paragraph(QStringLiteral("CiarlaChat è la chat pubblica per il desktop: scegli una stanza, scrivi il tuo "
                                  "nickname e chiacchiera con chi è collegato. La versione attuale è la %1.")
                       .arg(currentVersion.toString()))
        .paragraph(QStringLiteral("Le stanze pubbliche, da leggere anche con il browser:"))
        .markup(rooms)
        .markup(QStringLiteral("<p>Senza installare nulla, da qualunque computer o telefono: "
                               "<a href=\"/web/\">CiarlaChat nel browser</a>.</p>\n"))
        .paragraph(QStringLiteral("Vuoi una chat tutta tua, per l'ufficio, la scuola o gli amici? Leggi la "
                                  "pagina «La tua chat»."));
    return sitePage(page);
}

ServiceReply MakerSite::ownChat()
{
    HtmlPage page(QStringLiteral("CiarlaChat - La tua chat"));
    page.heading(QStringLiteral("La tua chat"))
        .paragraph(QStringLiteral("Una chat privata è una stanza sola, su un computer tuo. Il programma che la "
                                  "serve è ciarla-servizio, lo stesso servizio di queste pagine."))
        .markup(QStringLiteral(
            "<ol>\n<li>Installa CiarlaChat sul computer che farà da server: insieme alla chat c'è il "
            "programma <code>ciarla-servizio</code>.</li>\n"
            "<li>Avvialo in modo che gli altri computer lo raggiungano, per esempio:\n"
            "<pre>ciarla-servizio --address 0.0.0.0 --port 8080 --database /var/lib/ciarlachat/chat.db</pre>\n"
            "Senza <code>--address</code> il servizio risponde solo al computer stesso (127.0.0.1). "
            "<code>--port 0</code> sceglie una porta libera e la scrive all'avvio.</li>\n"
            "<li>Apri la porta scelta nel firewall della tua rete.</li>\n"
            "<li>In CiarlaChat, all'avvio, scegli il server privato e scrivi l'indirizzo del computer, "
            "per esempio <code>http://192.168.1.10:8080/</code>. La chat legge <code>getciarlachat.asp</code> "
            "e scrive con <code>putciarlachat.asp</code>.</li>\n</ol>\n"))
        .paragraph(QStringLiteral("Ogni stanza conserva gli ultimi 50 messaggi; --room-size N ne cambia il "
                                  "numero. I messaggi stanno nel file indicato con --database e restano anche "
                                  "se il servizio si ferma. ciarla-servizio --help elenca tutte le opzioni."));
    return sitePage(page);
}

ServiceReply MakerSite::regionalRoom()
{
    const RoomDirectory::Entry &room = RoomDirectory::rooms().at(1);
    HtmlPage page(QStringLiteral("CiarlaChat - ") + room.title);
    page.heading(room.title)
        .paragraph(QStringLiteral("La stanza di chi vive nelle valli: notizie del paese, del tempo e delle "
                                  "feste, in amicizia. In CiarlaChat si sceglie con il pulsante «%1».")
                       .arg(room.title))
        .markup(QStringLiteral("<p><a href=\"%1\">Leggi i messaggi della stanza</a></p>\n").arg(room.pollPage));
    return sitePage(page);
}

ServiceReply MakerSite::updateCheck(const QString &encodedQuery)
{
    HtmlPage page(QStringLiteral("CiarlaChat - Aggiornamenti"));
    page.heading(QStringLiteral("Aggiornamenti"));
    const std::optional<QVersionNumber> asked = askedVersion(encodedQuery);
    if (!asked) {
        page.paragraph(QStringLiteral("Versione non riconosciuta. La versione attuale di CiarlaChat è la %1.")
                           .arg(currentVersion.toString()));
        return page.markup(links).reply(400, ServiceReply::Charset::Utf8);
    }
    if (*asked < currentVersion)
        page.paragraph(QStringLiteral("È disponibile una nuova versione di CiarlaChat: la %1. Tu hai la %2.")
                           .arg(currentVersion.toString(), asked->toString()));
    else
        page.paragraph(QStringLiteral("Hai già la versione più recente di CiarlaChat (%1): non ci sono "
                                      "aggiornamenti.")
                           .arg(asked->toString()));
    return sitePage(page);
}
