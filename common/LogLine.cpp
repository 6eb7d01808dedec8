#include "LogLine.h"

#include "Windows1252.h"

#include <QDateTime>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {
QString formatted(const QDateTime &now)
{
    const QString month = QLocale::system().monthName(now.date().month(), QLocale::ShortFormat);
    return u"%1-%2-%3 %4"_s.arg(now.date().year(), 4, 10, QChar(u'0'))
        .arg(month)
        .arg(now.date().day(), 2, 10, QChar(u'0'))
        .arg(now.time().toString(u"HH:mm:ss"_s));
}

// Formatting the local time costs more than all the rest of a line: once a second is enough.
QString stamp()
{
    thread_local qint64 second = -1;
    thread_local QString text;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != second) {
        second = now;
        text = formatted(QDateTime::fromSecsSinceEpoch(now));
    }
    return text;
}
} // namespace

QByteArray LogLine::encode(const QString &testo, bool data)
{
    return Windows1252::encode(data ? stamp() + u' ' + testo : testo) + "\r\n";
}
