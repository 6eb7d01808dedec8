#include "MessageArchive.h"

#include "PostgresArchive.h"
#include "SqliteArchive.h"

void MessageArchive::watch(const std::function<void(const QString &)> &)
{
    // One process alone writes an SQLite file: nobody else changes the rooms.
}

std::unique_ptr<MessageArchive> MessageArchive::open(const QString &database, const FloodRule &flood,
                                                     QString *error)
{
    if (database.startsWith(QLatin1String("postgresql://")) || database.startsWith(QLatin1String("postgres://"))) {
        auto archive = std::make_unique<PostgresArchive>(database.toUtf8(), flood);
        return archive->open(error) ? std::move(archive) : nullptr;
    }
    auto archive = std::make_unique<SqliteArchive>();
    return archive->open(database, error) ? std::move(archive) : nullptr;
}
