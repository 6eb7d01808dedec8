#include "HtmlPage.h"

namespace {
const char style[] =
    "body{font-family:Arial,Helvetica,sans-serif;max-width:46em;margin:2em auto;padding:0 1em;"
    "line-height:1.5;color:#222}h1{color:#1b4f8a}code,pre{background:#f2f2f2;padding:.1em .3em}"
    "pre{padding:.6em;overflow-x:auto}.msg{margin:.8em 0}.meta{color:#666;font-style:italic}";
}

HtmlPage::HtmlPage(const QString &title)
    : m_title(title)
{
}

HtmlPage &HtmlPage::heading(const QString &text)
{
    m_body += QStringLiteral("<h1>%1</h1>\n").arg(text.toHtmlEscaped());
    return *this;
}

HtmlPage &HtmlPage::paragraph(const QString &text)
{
    m_body += QStringLiteral("<p>%1</p>\n").arg(text.toHtmlEscaped());
    return *this;
}

HtmlPage &HtmlPage::markup(const QString &html)
{
    m_body += html;
    return *this;
}

QString HtmlPage::toHtml(ServiceReply::Charset charset) const
{
    const QString charsetName = charset == ServiceReply::Charset::Utf8 ? QStringLiteral("utf-8")
                                                                       : QStringLiteral("windows-1252");
    // The client recognises a stored message by the title tag in capitals.
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"%1\">\n"
                          "<TITLE>%2</TITLE>\n<style>%3</style>\n</head>\n<body>\n%4</body>\n</html>\n")
        .arg(charsetName, m_title.toHtmlEscaped(), QLatin1String(style), m_body);
}

ServiceReply HtmlPage::reply(int status, ServiceReply::Charset charset) const
{
    return ServiceReply::html(status, toHtml(charset), charset);
}
