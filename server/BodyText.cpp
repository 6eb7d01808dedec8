#include "BodyText.h"

#include "Windows1252.h"

#include <QList>
#include <QStringDecoder>
#include <optional>

namespace {
// Web pages labelled Latin-1 or ASCII are Windows-1252 in practice.
bool isWindows1252Label(const QByteArray &name)
{
    static const QList<QByteArray> labels{"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                                          "latin1", "l1", "us-ascii", "ascii"};
    return labels.contains(name);
}

std::optional<QString> strictUtf8(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
} // namespace

QByteArray BodyText::charset(const QByteArray &contentType)
{
    const QList<QByteArray> parameters = contentType.split(';');
    for (qsizetype i = 1; i < parameters.size(); ++i) {
        const QByteArray parameter = parameters[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.toLower();
    }
    return {};
}

QString BodyText::decode(const QByteArray &body, const QByteArray &contentType)
{
    // The bus's strings end at a NUL: it must not cut off the rest of the page.
    return decodeBytes(body, contentType).replace(QChar(u'\0'), QChar::ReplacementCharacter);
}

QString BodyText::decodeBytes(const QByteArray &body, const QByteArray &contentType)
{
    const QByteArray name = charset(contentType);
    if (isWindows1252Label(name))
        return Windows1252::decode(body);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return strictUtf8(body).value_or(Windows1252::decode(body));
}
