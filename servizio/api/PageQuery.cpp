#include "PageQuery.h"

#include "QueryText.h"

#include <QRegularExpression>

std::optional<PageQuery> PageQuery::parse(const QString &encodedQuery, QString *reason)
{
    PageQuery query;
    const auto before = number(QueryText::value(encodedQuery, QStringLiteral("before")));
    const auto limit = number(QueryText::value(encodedQuery, QStringLiteral("limit")));
    if (!before || !limit || *limit == 0) {
        *reason = QStringLiteral("I parametri before e limit devono essere numeri interi positivi.");
        return std::nullopt;
    }
    query.before = std::max<qint64>(*before, 0);
    query.limit = *limit < 0 ? defaultLimit : int(std::min<qint64>(*limit, maxLimit));
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}\\p{M}]+"));
    query.words = QueryText::value(encodedQuery, QStringLiteral("q")).value_or(QString()).split(separators, Qt::SkipEmptyParts);
    if (query.words.size() > maxWords) {
        *reason = QStringLiteral("La ricerca ammette al massimo %1 parole.").arg(maxWords);
        return std::nullopt;
    }
    query.room = QueryText::value(encodedQuery, QStringLiteral("room")).value_or(QString());
    return query;
}

std::optional<qint64> PageQuery::number(const std::optional<QString> &text)
{
    if (!text)
        return -1; // absent: the default
    // More digits than any id has is no id either.
    if (text->isEmpty() || text->size() > 18)
        return std::nullopt;
    for (const QChar c : *text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return text->toLongLong();
}
