#include "ServiceOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>

namespace {
// The value of `option` as a number within [low, high], or nothing.
std::optional<int> number(const QCommandLineParser &parser, const QCommandLineOption &option, int low, int high,
                          QString *error)
{
    bool ok = false;
    const int n = parser.value(option).toInt(&ok);
    if (ok && n >= low && n <= high)
        return n;
    *error = QStringLiteral("--%1 vuole un numero da %2 a %3, non \"%4\".")
                 .arg(option.names().constFirst())
                 .arg(low)
                 .arg(high)
                 .arg(parser.value(option));
    return std::nullopt;
}
} // namespace

std::optional<ServiceOptions> ServiceOptions::parse(const QStringList &arguments, QString *error)
{
    ServiceOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Il servizio di chat di CiarlaChat: le stanze pubbliche, "
                                                    "la stanza privata e le pagine del sito."));
    parser.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Indirizzo su cui ascoltare (predefinito 127.0.0.1)."),
                                     QStringLiteral("A"), options.address.toString());
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Porta su cui ascoltare; 0 ne sceglie una libera e la scrive "
                                                 "(predefinita 8080)."),
                                  QStringLiteral("N"), QString::number(options.port));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("File SQLite dei messaggi (predefinito %1).").arg(defaultDatabase()),
                                      QStringLiteral("FILE"), defaultDatabase());
    const QCommandLineOption roomSize(QStringLiteral("room-size"),
                                      QStringLiteral("Messaggi conservati per stanza (predefinito 50)."),
                                      QStringLiteral("N"), QString::number(options.limits.roomSize));
    const QCommandLineOption putLimit(QStringLiteral("put-limit"),
                                      QStringLiteral("Messaggi ammessi da un indirizzo nell'intervallo di "
                                                     "--put-window; 0 toglie il limite (predefinito 5)."),
                                      QStringLiteral("N"), QString::number(options.limits.putLimit));
    const QCommandLineOption putWindow(QStringLiteral("put-window"),
                                       QStringLiteral("Durata in secondi dell'intervallo di --put-limit "
                                                      "(predefinita 10)."),
                                       QStringLiteral("S"), QString::number(options.limits.putWindowSeconds));
    const QCommandLineOption idle(QStringLiteral("idle-timeout"),
                                  QStringLiteral("Secondi dopo cui si chiude una connessione che tace "
                                                 "(predefiniti 120)."),
                                  QStringLiteral("S"), QString::number(options.idleSeconds));
    parser.addOptions({address, port, database, roomSize, putLimit, putWindow, idle});
    parser.process(arguments);

    if (!options.address.setAddress(parser.value(address))) {
        *error = QStringLiteral("--address vuole un indirizzo IP, non \"%1\".").arg(parser.value(address));
        return std::nullopt;
    }
    options.database = parser.value(database);
    const auto portNumber = number(parser, port, 0, 65535, error);
    // Record tags above N9999 are fine for the client, but a page that long is not a chat.
    const auto size = portNumber ? number(parser, roomSize, 1, 1000, error) : std::nullopt;
    const auto limit = size ? number(parser, putLimit, 0, 1000000, error) : std::nullopt;
    const auto window = limit ? number(parser, putWindow, 1, 86400, error) : std::nullopt;
    const auto idleSeconds = window ? number(parser, idle, 1, 86400, error) : std::nullopt;
    if (!idleSeconds)
        return std::nullopt;
    options.port = quint16(*portNumber);
    options.idleSeconds = *idleSeconds;
    options.limits = {*size, *limit, *window};
    return options;
}

QString ServiceOptions::defaultDatabase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/ciarlachat/ciarla-servizio.sqlite");
}
