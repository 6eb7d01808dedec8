#include "ServiceReply.h"

#include "Windows1252.h"

ServiceReply ServiceReply::html(int status, const QString &page, Charset charset)
{
    ServiceReply reply;
    reply.status = status;
    if (charset == Charset::Windows1252) {
        reply.contentType = "text/html; charset=windows-1252";
        reply.body = Windows1252::encode(page);
    } else {
        reply.contentType = "text/html; charset=utf-8";
        reply.body = page.toUtf8();
    }
    return reply;
}
