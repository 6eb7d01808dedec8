#pragma once

#include "ServiceReply.h"

#include <QString>

// A plain Italian HTML page: a title, then blocks of body mark-up in order.
class HtmlPage
{
public:
    explicit HtmlPage(const QString &title);

    HtmlPage &heading(const QString &text);
    HtmlPage &paragraph(const QString &text);
    // Mark-up the caller has built and escaped itself.
    HtmlPage &markup(const QString &html);

    QString toHtml(ServiceReply::Charset charset) const;
    ServiceReply reply(int status, ServiceReply::Charset charset) const;

private:
    QString m_title;
    QString m_body;
};
