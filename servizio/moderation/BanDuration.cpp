#include "BanDuration.h"

#include <QList>
#include <QPair>
#include <algorithm>

namespace {
constexpr qint64 longest = 36525LL * 24 * 3600;
} // namespace

std::optional<qint64> BanDuration::seconds(const QString &text)
{
    static const QList<QPair<QChar, qint64>> units{{u's', 1}, {u'm', 60}, {u'h', 3600}, {u'd', 86400}};
    const QString digits = text.chopped(std::min<qsizetype>(text.size(), 1));
    if (digits.isEmpty() || !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    for (const auto &[unit, scale] : units) {
        if (text.back() != unit)
            continue;
        bool ok = false;
        const qint64 count = digits.toLongLong(&ok);
        if (!ok || count <= 0 || count > longest / scale)
            return std::nullopt;
        return count * scale;
    }
    return std::nullopt;
}
