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

std::optional<RoomDirectory::Match> RoomDirectory::find(QByteArrayView path)
{
    QByteArrayView page = path;
    if (page.size() >= 6 && qstrnicmp(page.data(), 6, "/chat/", 6) == 0)
        page = page.sliced(6);
    else if (page.startsWith('/'))
        page = page.sliced(1);
    else
        return std::nullopt;
    const QLatin1StringView name(page.data(), page.size());
    for (const Entry &room : rooms()) {
        if (name.compare(room.pollPage, Qt::CaseInsensitive) == 0)
            return Match{&room, Action::Poll};
        if (name.compare(room.putPage, Qt::CaseInsensitive) == 0)
            return Match{&room, Action::Put};
    }
    return std::nullopt;
}

qsizetype RoomDirectory::index(const Entry &room)
{
    return &room - rooms().constData();
}

const RoomDirectory::Entry *RoomDirectory::byKey(const QString &key)
{
    for (const Entry &room : rooms()) {
        if (room.key == key)
            return &room;
    }
    return nullptr;
}
