#pragma once

#include <QString>
#include <optional>

// How long a ban lasts, as the operator writes it: a whole number and its unit,
// "90s", "30m", "12h" or "7d".
class BanDuration
{
public:
    // Seconds; nothing for anything else, for 0 and for more than a century.
    static std::optional<qint64> seconds(const QString &text);
};
