#include "MessageArchive.h"

#include "PostgresArchive.h"
#include "SqliteArchive.h"

#include <limits>

const QString MessageArchive::moderationNotice = QStringLiteral("moderazione");

bool MessageArchive::reachable()
{
    return true;
}

std::optional<QHash<QString, qint64>> MessageArchive::lastIds(const QStringList &rooms)
{
    QHash<QString, qint64> ids;
    for (const QString &room : rooms) {
        const Rows newestOne = newest(room, 1);
        if (!newestOne)
            return std::nullopt;
        ids.insert(room, newestOne->isEmpty() ? 0 : newestOne->first().id);
    }
    return ids;
}

std::unique_ptr<MessageArchive> MessageArchive::open(const QString &database, const FloodRule &flood,
                                                     QString *error)
{
    if (!isSqliteFile(database)) {
        auto archive = std::make_unique<PostgresArchive>(database.toUtf8(), flood);
        return archive->open(error) ? std::move(archive) : nullptr;
    }
    auto archive = std::make_unique<SqliteArchive>();
    return archive->open(database, error) ? std::move(archive) : nullptr;
}

bool MessageArchive::isSqliteFile(const QString &database)
{
    return !database.startsWith(QLatin1String("postgresql://")) && !database.startsWith(QLatin1String("postgres://"));
}

qint64 MessageArchive::ban(const Ban &ban, const QString &operatorName)
{
    qint64 id = 0;
    const bool done = moderating([&] {
        id = insertBan(ban);
        return id > 0 && audited({{}, operatorName, QStringLiteral("ban"), ban.described(), ban.reason}, 0);
    });
    return done ? id : 0;
}

MessageArchive::Change MessageArchive::unban(qint64 id, const QString &operatorName)
{
    Change change = Change::Failed;
    const bool done = moderating([&] {
        const std::optional<QList<Ban>> inForce = bansInForce(id);
        if (!inForce)
            return false;
        change = Change::Unknown;
        return !inForce->isEmpty() && removeBan(id)
            && audited({{}, operatorName, QStringLiteral("unban"), inForce->first().described(), {}}, 0);
    });
    return done ? Change::Done : change;
}

QStringList MessageArchive::searchTerms(const QStringList &words)
{
    QStringList terms;
    for (const QString &word : words) {
        QList<char32_t> term;
        const QList<uint> characters = word.toUcs4();
        for (qsizetype i = 0; i <= characters.size(); ++i) {
            const char32_t c = i < characters.size() ? characters.at(i) : U' ';
            if (QChar::isLetterOrNumber(c) || QChar::isMark(c)) {
                term.append(c);
            } else if (!term.isEmpty()) {
                terms.append(QString::fromUcs4(term.constData(), term.size()));
                term.clear();
            }
        }
    }
    return terms;
}

qint64 MessageArchive::idBound(qint64 beforeId)
{
    return beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max();
}
