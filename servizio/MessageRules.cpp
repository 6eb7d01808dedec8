#include "MessageRules.h"

#include "QueryText.h"

#include <QList>

namespace {
// Characters as the user counts them: a character outside the basic plane is one.
qsizetype characterCount(const QString &text)
{
    return text.toUcs4().size();
}
} // namespace

std::optional<QString> MessageRules::refusal(const std::optional<QString> &nick,
                                             const std::optional<QString> &message)
{
    if (!nick || nick->isEmpty())
        return QStringLiteral("E' obbligatorio indicare il nickname.");
    if (!message)
        return QStringLiteral("Nella richiesta manca il messaggio.");
    if (characterCount(*nick) > maxNickLength)
        return QStringLiteral("Il nickname può avere al massimo %1 caratteri.").arg(maxNickLength);
    if (characterCount(*message) > maxMessageLength)
        return QStringLiteral("Il messaggio può avere al massimo %1 caratteri.").arg(maxMessageLength);
    if (auto bad = badCharacters(*nick, false, QStringLiteral("Il nickname")))
        return bad;
    return badCharacters(*message, true, QStringLiteral("Il messaggio"));
}

std::optional<QString> MessageRules::badCharacters(const QString &text, bool lineBreaksAllowed,
                                                   const QString &what)
{
    for (const char32_t c : text.toUcs4()) {
        if (!QueryText::isAllowed(c, lineBreaksAllowed))
            return what + QStringLiteral(" contiene caratteri non ammessi.");
    }
    return std::nullopt;
}
