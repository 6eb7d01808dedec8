#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The query of a history page or a search: where to start, how many, and what
// to look for. Numbers are plain decimal digits, nothing else.
struct PageQuery
{
    static constexpr int defaultLimit = 50;
    static constexpr int maxLimit = 200;
    static constexpr int maxWords = 8;

    qint64 before = 0; // 0: from the newest
    int limit = defaultLimit;
    QStringList words; // of "q", split at every character that is neither letter nor digit
    QString room;      // "room": a search within one room; empty: all

    // Nothing, with the Italian reason, when a value is not acceptable.
    static std::optional<PageQuery> parse(const QString &encodedQuery, QString *reason);
    // Absent: -1; digits: their value; anything else: nothing.
    static std::optional<qint64> number(const std::optional<QString> &text);
};
