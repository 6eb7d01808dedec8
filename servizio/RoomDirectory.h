#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// Which room a page name belongs to, and whether it is the room's poll or put page.
class RoomDirectory
{
public:
    struct Entry
    {
        QString key;   // the room's name in the archive
        QString title;
        QString pollPage;
        QString putPage;
    };
    enum class Action { Poll, Put };
    struct Match
    {
        const Entry *room;
        Action action;
    };

    static const QList<Entry> &rooms();
    // Pages answer at the site's root and under "/chat/", in any letter case.
    // `path` is decoded: no "%" escapes.
    static std::optional<Match> find(QByteArrayView path);
    // The room named `key` in the archive; null for none.
    static const Entry *byKey(const QString &key);
    // The room's place in rooms().
    static qsizetype index(const Entry &room);
};
