#pragma once

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
    static std::optional<Match> find(const QString &path);
};
