#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// What the service answers to one request, whatever HTTP library carries it.
struct ServiceReply
{
    enum class Charset { Windows1252, Utf8 };

    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    // The chat's own pages travel in the client's code page; the maker's web pages in UTF-8.
    static ServiceReply html(int status, const QString &page, Charset charset);
};
