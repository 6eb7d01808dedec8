#include "Ban.h"

std::optional<Ban::Kind> Ban::kindNamed(const QString &name)
{
    if (name == QLatin1String("nick"))
        return Kind::Nick;
    if (name == QLatin1String("address"))
        return Kind::Address;
    return std::nullopt;
}
