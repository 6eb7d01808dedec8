#include "PostBody.h"

#include <QJsonDocument>
#include <QJsonObject>

bool PostBody::isJson(QByteArrayView contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    const QByteArrayView type = (semicolon < 0 ? contentType : contentType.first(semicolon)).trimmed();
    if (type.compare("application/json", Qt::CaseInsensitive) != 0)
        return false;
    // A charset other than UTF-8 is not what the parser reads.
    const QByteArrayView parameters = semicolon < 0 ? QByteArrayView() : contentType.sliced(semicolon + 1).trimmed();
    return parameters.isEmpty() || parameters.compare("charset=utf-8", Qt::CaseInsensitive) == 0;
}

std::optional<PostBody> PostBody::parse(const QByteArray &body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue nick = object.value(QStringLiteral("nick"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    if (object.size() != 2 || !nick.isString() || !text.isString())
        return std::nullopt;
    return PostBody{nick.toString(), text.toString()};
}
