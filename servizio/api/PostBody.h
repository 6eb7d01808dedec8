#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// A message posted to the API: a JSON object with exactly the string members
// "nick" and "text", sent as application/json in UTF-8.
struct PostBody
{
    QString nick;
    QString text;

    static bool isJson(QByteArrayView contentType);
    // Nothing for broken JSON, anything but an object, missing, extra or non-string members.
    static std::optional<PostBody> parse(const QByteArray &body);
};
