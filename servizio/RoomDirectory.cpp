#include "RoomDirectory.h"

const QList<RoomDirectory::Entry> &RoomDirectory::rooms()
{
    static const QList<Entry> all = {
        {QStringLiteral("stanza0"), QStringLiteral("CiarlaChat"), QStringLiteral("getmsgchat.asp"),
         QStringLiteral("putmsgchat.asp")},
        {QStringLiteral("stanza1"), QStringLiteral("Chat dei Valligiani"), QStringLiteral("getmsgchat1.asp"),
         QStringLiteral("putmsgchat1.asp")},
        {QStringLiteral("stanza2"), QStringLiteral("Signori/e"), QStringLiteral("getmsgchat2.asp"),
         QStringLiteral("putmsgchat2.asp")},
        {QStringLiteral("stanza3"), QStringLiteral("Ragazzi/e"), QStringLiteral("getmsgchat3.asp"),
         QStringLiteral("putmsgchat3.asp")},
        {QStringLiteral("privata"), QStringLiteral("Chat privata"), QStringLiteral("getciarlachat.asp"),
         QStringLiteral("putciarlachat.asp")},
    };
    return all;
}

std::optional<RoomDirectory::Match> RoomDirectory::find(const QString &path)
{
    QString page = path.toLower();
    if (page.startsWith(QLatin1String("/chat/")))
        page.remove(0, 6);
    else if (page.startsWith(u'/'))
        page.remove(0, 1);
    else
        return std::nullopt;
    for (const Entry &room : rooms()) {
        if (page == room.pollPage)
            return Match{&room, Action::Poll};
        if (page == room.putPage)
            return Match{&room, Action::Put};
    }
    return std::nullopt;
}
