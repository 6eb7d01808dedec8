#include "ChatService.h"
#include "HttpFrontEnd.h"
#include "MessageArchive.h"
#include "ServiceOptions.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Qt's plain poll() dispatcher answers about half again as many polls as the GLib one.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ciarla-servizio"));

    QString error;
    const std::optional<ServiceOptions> options = ServiceOptions::parse(QCoreApplication::arguments(), &error);
    MessageArchive archive;
    if (!options || !archive.open(options->database, &error)) {
        std::fprintf(stderr, "ciarla-servizio: %s\n", qPrintable(error));
        return 1;
    }
    ChatService service(archive, options->limits);
    HttpFrontEnd http(service);
    const quint16 port = http.start(options->address, options->port, options->idleSeconds);
    if (port == 0) {
        std::fprintf(stderr, "ciarla-servizio: impossibile ascoltare su %s porta %u.\n",
                     qPrintable(options->address.toString()), unsigned(options->port));
        return 1;
    }
    const QString host = options->address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(options->address.toString())
        : options->address.toString();
    // Whoever started the service with --port 0 reads the port from this line.
    std::printf("ciarla-servizio in ascolto su http://%s:%u/\n", qPrintable(host), unsigned(port));
    std::fflush(stdout);
    return app.exec();
}
