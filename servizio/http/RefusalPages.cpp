#include "RefusalPages.h"

#include "HtmlPage.h"
#include "HttpDate.h"
#include "HttpResponse.h"

RefusalPages::RefusalPages(const HttpLimits &limits)
{
    const QString kb = QString::number(limits.maxHeadBytes / 1024.0, 'g', 4);
    add(400, QStringLiteral("RICHIESTA NON VALIDA"),
        QStringLiteral("La richiesta non rispetta il protocollo HTTP o porta un corpo che questo servizio "
                       "non accetta."));
    add(408, QStringLiteral("RICHIESTA TROPPO LENTA"),
        QStringLiteral("La richiesta non è arrivata intera entro %1 secondi.").arg(limits.headTimeoutSeconds));
    add(413, QStringLiteral("RICHIESTA TROPPO GRANDE"),
        QStringLiteral("Il corpo della richiesta supera i %1 KB ammessi.").arg(limits.maxBodyBytes / 1024));
    add(414, QStringLiteral("RICHIESTA TROPPO LUNGA"),
        QStringLiteral("L'indirizzo richiesto supera i %1 KB ammessi.").arg(kb));
    add(431, QStringLiteral("INTESTAZIONI TROPPO LUNGHE"),
        QStringLiteral("Le intestazioni della richiesta superano i %1 KB o le %2 righe ammesse.")
            .arg(kb)
            .arg(limits.maxHeaderLines));
    add(503, QStringLiteral("SERVIZIO OCCUPATO"),
        QStringLiteral("Troppe connessioni aperte, o troppe richieste in arrivo insieme: riprova fra poco."));
}

void RefusalPages::add(int status, const QString &title, const QString &reason)
{
    const QString heading = title.at(0) + title.mid(1).toLower();
    m_pages.insert(status, HttpResponse::bytes(HtmlPage(title)
                                                   .heading(heading)
                                                   .paragraph(reason)
                                                   .paragraph(QStringLiteral("Il messaggio non è stato registrato."))
                                                   .reply(status, ServiceReply::Charset::Windows1252),
                                               false, HttpDate::format(std::time(nullptr))));
}
