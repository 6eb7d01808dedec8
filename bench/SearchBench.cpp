#include "SearchBench.h"

#include "MessageArchive.h"
#include "PostgresCluster.h"
#include "SqliteStatement.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sqlite3.h>

namespace {
constexpr int vocabularySize = 30000;
constexpr int samples = 1000;
constexpr int pageSize = 50;
const QStringList rooms = {QStringLiteral("stanza0"), QStringLiteral("stanza1"), QStringLiteral("stanza2"),
                           QStringLiteral("stanza3"), QStringLiteral("privata")};

// Made-up words of two to four syllables, a fifth of them ending in an accented vowel.
QStringList vocabulary(std::mt19937 &random)
{
    static const char *const syllables[] = {"ca", "sa", "per", "to", "ri", "mo", "la", "ne", "stor", "gio", "cit",
                                            "ve", "lu", "bra", "chi", "fa", "do", "se", "pi", "ter", "gna", "zo"};
    static const QString accented[] = {QStringLiteral("à"), QStringLiteral("è"), QStringLiteral("é"),
                                       QStringLiteral("ì"), QStringLiteral("ò"), QStringLiteral("ù")};
    QSet<QString> words;
    std::uniform_int_distribution<int> syllable(0, int(std::size(syllables)) - 1), length(2, 4), accent(0, 29);
    while (words.size() < vocabularySize) {
        QString word;
        for (int n = length(random); n > 0; --n)
            word += QLatin1String(syllables[syllable(random)]);
        const int a = accent(random);
        words.insert(a < 6 ? word + accented[a] : word);
    }
    // Shorter words are the commoner ones, as in any language.
    QStringList byLength(words.cbegin(), words.cend());
    std::stable_sort(byLength.begin(), byLength.end(),
                     [](const QString &a, const QString &b) { return a.size() < b.size(); });
    return byLength;
}

struct Corpus
{
    QStringList texts;
    QList<int> roomOf;
};

// Word ranks follow a Zipf law (s = 1): a few short words everywhere, most of them rare.
Corpus corpus(int messages, std::mt19937 &random)
{
    const QStringList words = vocabulary(random);
    QList<double> weights;
    for (int rank = 1; rank <= vocabularySize; ++rank)
        weights.append(1.0 / rank);
    std::discrete_distribution<int> word(weights.cbegin(), weights.cend());
    std::uniform_int_distribution<int> length(4, 16), room(0, int(rooms.size()) - 1);
    Corpus out;
    for (int i = 0; i < messages; ++i) {
        QStringList text;
        for (int n = length(random); n > 0; --n)
            text.append(words.at(word(random)));
        text.first()[0] = text.first().at(0).toUpper();
        out.texts.append(text.join(u' '));
        out.roomOf.append(room(random));
    }
    return out;
}

// One transaction without the triggers that keep the index of words, which is rebuilt afterwards in one go.
bool loadSqlite(const QString &file, const Corpus &corpus)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    const auto exec = [db](const QByteArray &sql) {
        return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    bool ok = exec("PRAGMA synchronous=OFF; BEGIN");
    QByteArrayList triggers;
    {
        SqliteStatement listed(db, "SELECT name, sql FROM sqlite_master WHERE type = 'trigger'");
        while (listed.nextRow()) {
            triggers.append(listed.text(1).toUtf8());
            ok = ok && exec("DROP TRIGGER " + listed.text(0).toUtf8());
        }
        SqliteStatement insert(db, "INSERT INTO messaggi (stanza, nick, data, istante, indirizzo, testo)"
                                   " VALUES (?1, 'bench', '07/12/2026 10:00:00', ?2, '127.0.0.1', ?3)");
        const qint64 start = QDateTime::currentSecsSinceEpoch() - corpus.texts.size();
        for (qsizetype i = 0; ok && i < corpus.texts.size(); ++i)
            ok = insert.bind(1, rooms.at(corpus.roomOf.at(i))).bind(2, start + i).bind(3, corpus.texts.at(i)).execute();
    }
    ok = ok && exec("INSERT INTO parole (parole) VALUES ('rebuild')");
    for (const QByteArray &trigger : std::as_const(triggers))
        ok = ok && exec(trigger);
    // Into the file itself, as a running service's checkpoints would have put it.
    ok = ok && exec("COMMIT") && exec("PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
    return ok && !triggers.isEmpty();
}

// psql's \copy without the index of words, which is built afterwards in one go.
bool loadPostgres(PostgresCluster &cluster, const QString &dir, const Corpus &corpus)
{
    QFile rows(dir + QStringLiteral("/messaggi.tsv"));
    if (!rows.open(QIODevice::WriteOnly))
        return false;
    const qint64 start = QDateTime::currentSecsSinceEpoch() - corpus.texts.size();
    for (qsizetype i = 0; i < corpus.texts.size(); ++i) {
        rows.write(rooms.at(corpus.roomOf.at(i)).toUtf8() + "\tbench\t07/12/2026 10:00:00\t"
                   + QDateTime::fromSecsSinceEpoch(start + i, Qt::UTC).toString(Qt::ISODate).toUtf8()
                   + "\t127.0.0.1\t" + corpus.texts.at(i).toUtf8() + '\n');
    }
    rows.close();
    const auto index = cluster.query(QStringLiteral("SELECT indexdef FROM pg_indexes WHERE indexname = 'messaggi_parole'"));
    if (!index || index->trimmed().isEmpty() || !cluster.query(QStringLiteral("DROP INDEX messaggi_parole")))
        return false;
    QProcess psql;
    const QString sql = QStringLiteral("\\copy messaggi (stanza, nick, data, istante, indirizzo, testo) FROM '%1';"
                                       "SET maintenance_work_mem TO '256MB'; %2; ANALYZE messaggi;")
                            .arg(rows.fileName(), QString::fromUtf8(index->trimmed()));
    psql.start(QStringLiteral("/usr/lib/postgresql/15/bin/psql"),
               {QStringLiteral("-XAtq"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                cluster.uri()});
    psql.write(sql.toUtf8().replace(';', ";\n"));
    psql.closeWriteChannel();
    const bool ok = psql.waitForFinished(-1) && psql.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "bench_servizio: %s\n", psql.readAllStandardError().constData());
    return ok;
}

double percentile(QList<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, qsizetype(values.size() * share)));
}

struct Figures
{
    double searchP50 = 0, searchP99 = 0, pageP50 = 0, pageP99 = 0;
};

// Each call's time, one after the other; a call that fails stops the run.
std::optional<Figures> measure(MessageArchive &archive, const QStringList &queries, qint64 lastId, std::mt19937 &random)
{
    QList<double> searches, pages;
    QElapsedTimer clock;
    for (const QString &query : queries) {
        clock.start();
        if (!archive.search({query}, {}, 0, pageSize))
            return std::nullopt;
        searches.append(clock.nsecsElapsed() / 1e6);
    }
    std::uniform_int_distribution<qint64> id(1, lastId);
    std::uniform_int_distribution<int> room(0, int(rooms.size()) - 1);
    for (int i = 0; i < samples; ++i) {
        clock.start();
        if (!archive.before(rooms.at(room(random)), id(random), pageSize))
            return std::nullopt;
        pages.append(clock.nsecsElapsed() / 1e6);
    }
    return Figures{percentile(searches, 0.5), percentile(searches, 0.99), percentile(pages, 0.5),
                   percentile(pages, 0.99)};
}

std::unique_ptr<MessageArchive> opened(const QString &database)
{
    QString error;
    auto archive = MessageArchive::open(database, {}, &error);
    if (!archive)
        std::fprintf(stderr, "bench_servizio: %s\n", qPrintable(error));
    return archive;
}
} // namespace

int SearchBench::run(int messages)
{
    std::mt19937 random(21);
    QElapsedTimer clock;
    clock.start();
    const Corpus texts = corpus(messages, random);
    QStringList queries; // a word of a random message, as a user would type it
    std::uniform_int_distribution<qsizetype> pick(0, texts.texts.size() - 1);
    for (int i = 0; i < samples; ++i) {
        const QStringList words = texts.texts.at(pick(random)).split(u' ');
        queries.append(words.at(std::uniform_int_distribution<qsizetype>(0, words.size() - 1)(random))
                           .normalized(QString::NormalizationForm_D).remove(QRegularExpression(QStringLiteral("\\p{M}")))
                           .toLower());
    }
    std::printf("%d messages of %d to %d words from %d, made in %.1f s\n", messages, 4, 16, vocabularySize,
                clock.elapsed() / 1000.0);
    std::fflush(stdout);

    QTemporaryDir dir;
    PostgresCluster cluster;
    const QString file = dir.filePath(QStringLiteral("bench.sqlite"));
    if (!opened(file) || !cluster.start() || !opened(cluster.uri())) {
        std::fprintf(stderr, "bench_servizio: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    Figures figures[2];
    const char *names[2] = {"sqlite", "postgres"};
    for (int side = 0; side < 2; ++side) {
        clock.start();
        if (side == 0 ? !loadSqlite(file, texts) : !loadPostgres(cluster, dir.path(), texts)) {
            std::fprintf(stderr, "bench_servizio: loading %s failed\n", names[side]);
            return 1;
        }
        std::printf("%-8s loaded in %.1f s\n", names[side], clock.elapsed() / 1000.0);
        std::fflush(stdout);
        const auto archive = opened(side == 0 ? file : cluster.uri());
        const auto measured = archive ? measure(*archive, queries, messages, random) : std::nullopt;
        if (!measured) {
            std::fprintf(stderr, "bench_servizio: reading %s failed\n", names[side]);
            return 1;
        }
        figures[side] = *measured;
        std::printf("%-8s search p50 %.2f ms p99 %.2f ms   history page p50 %.2f ms p99 %.2f ms\n", names[side],
                    measured->searchP50, measured->searchP99, measured->pageP50, measured->pageP99);
        std::fflush(stdout);
    }
    std::printf("search-p99-ms sqlite %.2f postgres %.2f\n", figures[0].searchP99, figures[1].searchP99);
    std::printf("history-p99-ms sqlite %.2f postgres %.2f\n", figures[0].pageP99, figures[1].pageP99);
    return 0;
}
