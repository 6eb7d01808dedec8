#include "ServiceOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>

namespace {
// A numeric option: its name, what it does ("%1" stands for the default), its range and its value.
struct NumberOption
{
    const char *name;
    const char *help;
    int low;
    int high;
    int *value;
};

QList<NumberOption> numberOptions(ServiceOptions &o, int *port)
{
    ChatService::Limits &chat = o.limits;
    HttpLimits &http = o.http;
    return {
        {"port", "Porta su cui ascoltare; 0 ne sceglie una libera e la scrive (predefinita %1).", 0, 65535, port},
        // Record tags above N9999 are fine for the client, but a page that long is not a chat.
        {"room-size", "Messaggi mostrati dalla pagina di ogni stanza (predefinito %1).", 1, 1000, &chat.roomSize},
        {"keep-days", "Giorni per cui si conservano i messaggi; 0 li conserva per sempre (predefiniti %1).", 0,
         36500, &chat.keepDays},
        {"keep-addresses-days", "Giorni dopo cui si cancella dai messaggi l'indirizzo di chi li ha scritti "
                                "(predefiniti %1).", 1, 36500, &chat.keepAddressDays},
        {"put-limit", "Messaggi ammessi da un indirizzo nell'intervallo di --put-window; 0 toglie il limite "
                      "(predefinito %1).", 0, 1000000, &chat.putLimit},
        {"put-window", "Durata in secondi dell'intervallo di --put-limit (predefinita %1).", 1, 86400,
         &chat.putWindowSeconds},
        {"threads", "Cicli di eventi, uno per thread; 0: uno per processore (predefinito %1).", 0, 256, &http.threads},
        {"max-connections", "Connessioni aperte in tutto; oltre, le nuove sono chiuse subito (predefinite %1).", 1,
         1000000, &http.maxConnections},
        {"max-per-address", "Connessioni aperte da un solo indirizzo; 0 toglie il limite (predefinite %1).", 0,
         1000000, &http.maxPerAddress},
        {"max-head", "Byte della riga di richiesta e delle intestazioni insieme (predefiniti %1).", 256, 1048576,
         &http.maxHeadBytes},
        {"max-header-lines", "Righe di intestazione di una richiesta (predefinite %1).", 1, 10000,
         &http.maxHeaderLines},
        {"max-body", "Byte del corpo di una richiesta; oltre, risposta 413 senza leggerlo (predefiniti %1).", 0,
         1073741824, &http.maxBodyBytes},
        {"body-buffer", "KB dei corpi di richiesta trattenuti per l'API da tutte le connessioni insieme; oltre, "
                        "risposta 503 (predefiniti %1).", 1, 1048576, &http.bodyBufferKb},
        {"read-queue", "Letture dell'archivio per l'API in attesa; oltre, risposta 503 (predefinite %1).", 1,
         1000000, &o.readQueue},
        {"head-timeout", "Secondi entro cui deve arrivare l'intestazione della richiesta (predefiniti %1).", 1, 3600,
         &http.headTimeoutSeconds},
        {"idle-timeout", "Secondi dopo cui si chiude una connessione che tace fra due richieste (predefiniti %1).", 1,
         86400, &http.idleSeconds},
        {"log-buffer", "KB del registro in attesa del disco; oltre, le righe si perdono e si contano "
                       "(predefiniti %1).", 1, 1048576, &http.logBufferKb},
    };
}
} // namespace

std::optional<ServiceOptions> ServiceOptions::parse(const QStringList &arguments, QString *error)
{
    ServiceOptions options;
    int port = options.port;
    const QList<NumberOption> numbers = numberOptions(options, &port);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Il servizio di chat di CiarlaChat: le stanze pubbliche, "
                                                    "la stanza privata e le pagine del sito."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Indirizzo su cui ascoltare (predefinito 127.0.0.1)."),
                                     QStringLiteral("A"), options.address.toString());
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Dove tenere i messaggi: un file SQLite (predefinito %1) o un "
                                                     "database PostgreSQL condiviso da più istanze "
                                                     "(postgresql://utente@host/database).")
                                          .arg(defaultDatabase()),
                                      QStringLiteral("FILE|URI"), defaultDatabase());
    const QCommandLineOption trustedProxy(QStringLiteral("trusted-proxy"),
                                          QStringLiteral("Proxy (indirizzo o sottorete) di cui credere "
                                                         "l'intestazione X-Forwarded-For; ripetibile."),
                                          QStringLiteral("ADDR"));
    const QCommandLineOption metrics(QStringLiteral("metrics"),
                                     QStringLiteral("Indirizzo e porta (127.0.0.1:9464, [::1]:9464) su cui servire agli "
                                                    "operatori /metrics, /healthz e /readyz, mai quelli pubblici; "
                                                    "senza, nessuno."),
                                     QStringLiteral("A:P"));
    parser.addOptions({address, database, trustedProxy, metrics});
    QList<QCommandLineOption> numberSwitches;
    for (const NumberOption &number : numbers) {
        numberSwitches.append(QCommandLineOption(QLatin1String(number.name),
                                                 QString::fromUtf8(number.help).arg(*number.value),
                                                 QStringLiteral("N"), QString::number(*number.value)));
        parser.addOption(numberSwitches.last());
    }
    parser.process(arguments);

    // A word among the options is an operator's command written after them: no service starts on it.
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("argomento inatteso \"%1\": un comando va scritto per primo, prima delle opzioni.")
                     .arg(parser.positionalArguments().first());
        return std::nullopt;
    }
    if (!options.address.setAddress(parser.value(address))) {
        *error = QStringLiteral("--address vuole un indirizzo IP, non \"%1\".").arg(parser.value(address));
        return std::nullopt;
    }
    options.database = parser.value(database);
    for (const QString &proxy : parser.values(trustedProxy)) {
        if (!options.clients.trust(proxy)) {
            *error = QStringLiteral("--trusted-proxy vuole un indirizzo IP o una sottorete, non \"%1\".").arg(proxy);
            return std::nullopt;
        }
    }
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const NumberOption &number = numbers.at(i);
        bool ok = false;
        const QString text = parser.value(numberSwitches.at(i));
        const int n = text.toInt(&ok);
        if (!ok || n < number.low || n > number.high) {
            *error = QStringLiteral("--%1 vuole un numero da %2 a %3, non \"%4\".")
                         .arg(QLatin1String(number.name))
                         .arg(number.low)
                         .arg(number.high)
                         .arg(text);
            return std::nullopt;
        }
        *number.value = n;
    }
    options.port = quint16(port);
    if (parser.isSet(metrics) && !options.parseMetrics(parser.value(metrics), error))
        return std::nullopt;
    return options;
}

bool ServiceOptions::parseMetrics(const QString &value, QString *error)
{
    const qsizetype colon = value.lastIndexOf(u':');
    QString host = value.left(colon);
    const bool bracketed = host.startsWith(u'[') && host.endsWith(u']');
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    bool portOk = false;
    const uint number = value.mid(colon + 1).toUInt(&portOk);
    if (colon <= 0 || !portOk || number > 65535 || !metricsAddress.setAddress(host) || (host.contains(u':') && !bracketed)) {
        *error = QStringLiteral("--metrics vuole INDIRIZZO:PORTA (un indirizzo IPv6 fra parentesi quadre), non \"%1\".")
                     .arg(value);
        return false;
    }
    metricsPort = quint16(number);
    if (metricsPort != 0 && metricsPort == port && metricsAddress == address) {
        *error = QStringLiteral("--metrics vuole un indirizzo o una porta diversi da quelli pubblici.");
        return false;
    }
    metrics = true;
    return true;
}

QString ServiceOptions::defaultDatabase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/ciarlachat/ciarla-servizio.sqlite");
}
