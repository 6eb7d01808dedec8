#pragma once

#include <QString>
#include <optional>

// What a message must be to be stored. A refusal carries its reason in Italian.
class MessageRules
{
public:
    static constexpr int maxNickLength = 30;
    static constexpr int maxMessageLength = 600;

    static std::optional<QString> refusal(const std::optional<QString> &nick,
                                          const std::optional<QString> &message);

private:
    static std::optional<QString> badCharacters(const QString &text, bool lineBreaksAllowed,
                                                const QString &what);
};
