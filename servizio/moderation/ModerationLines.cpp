#include "ModerationLines.h"

#include <QStringList>

QString ModerationLines::message(const ChatMessage &message)
{
    return QStringList{QString::number(message.id), time(message.time), message.room, message.address,
                       escaped(message.nick), escaped(message.text)}
        .join(u'\t');
}

QString ModerationLines::ban(const Ban &ban)
{
    return QStringList{QString::number(ban.id), ban.kindName(), escaped(ban.target),
                       ban.until.isValid() ? time(ban.until) : QStringLiteral("sempre"), escaped(ban.reason)}
        .join(u'\t');
}

QString ModerationLines::audit(const AuditEntry &entry)
{
    return QStringList{time(entry.time), escaped(entry.operatorName), entry.action, escaped(entry.target),
                       escaped(entry.reason)}
        .join(u'\t');
}

QString ModerationLines::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QString ModerationLines::time(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}
