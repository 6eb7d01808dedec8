#include "TranscriptReader.h"

namespace {
const QString fieldEnd = QStringLiteral("<!-- /0 -->");

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

QString recordTag(int i)
{
    return i <= 9 ? QStringLiteral("<!-- N0%1 -->").arg(i) : QStringLiteral("<!-- N%1 -->").arg(i);
}
} // namespace

bool TranscriptReader::field(const QString &marker, const QString &text, QString *value)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return false;
    const qsizetype start = at + marker.size();
    const qsizetype end = text.indexOf(fieldEnd, start);
    if (end < 0)
        return false;
    *value = trimBlanks(text.mid(start, end - start));
    return true;
}

QString TranscriptReader::decode(QString value)
{
    value.replace(QStringLiteral("<img src=smile.gif width=32 height=32>"), QStringLiteral(":)"));
    value.replace(QStringLiteral("<img src=smile2.gif width=32 height=32>"), QStringLiteral(":("));
    value.replace(QStringLiteral("<BR>"), QStringLiteral("\r\n"));
    value.replace(QStringLiteral("<b>"), QString());
    value.replace(QStringLiteral("</b>"), QString());
    value.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    return value;
}

bool TranscriptReader::read(const QString &page)
{
    *this = TranscriptReader();
    available = page.contains(QStringLiteral("<!-- CHAT INIZIO DATA -->"));
    if (!available)
        return false;
    noData = page.contains(QStringLiteral("<!-- NO DATA -->"));
    if (noData)
        return true;
    QString number;
    bool ok = false;
    if (!field(QStringLiteral("<!-- REC -->"), page, &number) || (count = number.toInt(&ok), !ok))
        return false;
    QString rest = page;
    for (int i = 1; i <= count; ++i) {
        const qsizetype at = rest.indexOf(recordTag(i));
        if (at < 0)
            break;
        rest = rest.mid(at);
        Record r;
        if (!field(QStringLiteral("<!-- NICK -->"), rest, &r.nick) || !field(QStringLiteral("<!-- DATA -->"), rest, &r.date)
            || !field(QStringLiteral("<!-- IP -->"), rest, &r.address) || !field(QStringLiteral("<!-- MSG -->"), rest, &r.message))
            return false;
        records.append({decode(r.nick), decode(r.date), decode(r.address), decode(r.message)});
    }
    return true;
}
