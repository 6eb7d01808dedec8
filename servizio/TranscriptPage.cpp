#include "TranscriptPage.h"

#include "ChatMarkup.h"
#include "HtmlPage.h"

namespace {
QString field(const char *marker, const QString &text)
{
    return QLatin1String(marker) + ChatMarkup::encodeField(text) + QLatin1String("<!-- /0 -->");
}

// Records 1 to 9 are tagged with two digits, later ones in plain decimal.
QString recordTag(int number)
{
    return number <= 9 ? QStringLiteral("<!-- N0%1 -->").arg(number) : QStringLiteral("<!-- N%1 -->").arg(number);
}
} // namespace

QByteArray TranscriptPage::render(const QString &roomTitle, const QList<ChatMessage> &messages)
{
    QString data = QStringLiteral("<!-- CHAT INIZIO DATA -->\n");
    if (messages.isEmpty()) {
        data += QStringLiteral("<!-- NO DATA -->\n<p>Nessun messaggio.</p>\n");
    } else {
        data += QStringLiteral("<!-- REC -->%1<!-- /0 -->\n").arg(messages.size());
        for (int i = 0; i < messages.size(); ++i)
            data += record(i + 1, messages.at(i));
    }
    return HtmlPage(QStringLiteral("CiarlaChat - ") + roomTitle)
        .heading(roomTitle)
        .markup(data)
        .reply(200, ServiceReply::Charset::Windows1252)
        .body;
}

QString TranscriptPage::record(int number, const ChatMessage &message)
{
    return QStringLiteral("<div class=\"msg\">") + recordTag(number) + QStringLiteral("<strong>")
        + field("<!-- NICK -->", message.nick) + QStringLiteral("</strong> <span class=\"meta\">")
        + field("<!-- DATA -->", message.date) + u' ' + field("<!-- IP -->", u'#' + QString::number(message.id))
        + QStringLiteral("</span><br>\n") + field("<!-- MSG -->", message.text) + QStringLiteral("</div>\n");
}
