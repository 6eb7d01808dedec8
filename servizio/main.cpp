#include "ApiService.h"
#include "ArchiveReader.h"
#include "ChatService.h"
#include "CommandLine.h"
#include "HttpServer.h"
#include "ItalianQt.h"
#include "ListenProbe.h"
#include "MessageArchive.h"
#include "MetricsPages.h"
#include "MetricsRegistry.h"
#include "MetricsServer.h"
#include "ModerationCommand.h"
#include "ModerationFollower.h"
#include "RoomPages.h"
#include "ServiceOptions.h"
#include "SubscriberRegistry.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
// Every connection is a descriptor: take all the system allows.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// A stop (SIGTERM) or Ctrl-C (SIGINT) ends the event loop like a quit: the workers are
// joined, the request log written out and pending writes finished before the exit. They
// are blocked before any thread starts, so every thread inherits the mask and only the
// signalfd sees them; after the first, a second one ends the process at once.
void quitOnStopSignals(QCoreApplication &app)
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    const int fd = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0)
        return; // the default action still ends the process
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [fd, stop, notifier] {
        signalfd_siginfo received{};
        if (read(fd, &received, sizeof received) != sizeof received)
            return;
        notifier->setEnabled(false);
        pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
        QCoreApplication::quit();
    });
}

int runCommand(const QStringList &arguments)
{
    if (ModerationCommand::isCommand(arguments.at(1)))
        return ModerationCommand::run(arguments);
    std::fprintf(stderr, "ciarla-servizio: comando sconosciuto «%s»; i comandi sono messages, hide, ban, bans, "
                         "unban e audit, e senza comando parte il servizio.\n", arguments.at(1).toUtf8().constData());
    return ModerationCommand::BadArguments;
}

QString urlOf(const QHostAddress &address, quint16 port, const char *path)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("http://%1:%2/%3").arg(host).arg(port).arg(QLatin1String(path));
}

int cannotListen(const QHostAddress &address, quint16 port)
{
    std::fprintf(stderr, "ciarla-servizio: impossibile ascoltare su %s porta %u.\n", qPrintable(address.toString()),
                 unsigned(port));
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ciarla-servizio"));
    // Whoever reads the log may go away: a write to its pipe then fails, and the lines are counted as lost.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationVersion(CommandLine::version());
    ItalianQt::install(app);
    // The operators' commands, from their shell: no server is started.
    if (const QStringList arguments = QCoreApplication::arguments(); arguments.size() > 1 && !arguments.at(1).startsWith(u'-'))
        return runCommand(arguments);
    quitOnStopSignals(app);

    QString error;
    const std::optional<ServiceOptions> options = ServiceOptions::parse(QCoreApplication::arguments(), &error);
    std::unique_ptr<MessageArchive> archive;
    std::unique_ptr<MessageArchive> readerArchive;
    std::unique_ptr<MessageArchive> moderationArchive;
    if (options) {
        std::optional<QString> refusal = ListenProbe::refusal(options->address, options->port);
        if (!refusal && options->metrics)
            refusal = ListenProbe::refusal(options->metricsAddress, options->metricsPort);
        if (refusal) {
            std::fprintf(stderr, "ciarla-servizio: %s\n", qPrintable(*refusal));
            return 1;
        }
        const ChatService::Limits &limits = options->limits;
        const MessageArchive::FloodRule flood{limits.putLimit, qint64(limits.putWindowSeconds) * 1000};
        archive = MessageArchive::open(options->database, flood, &error);
        // The API reads over a connection of its own, opened once the schema is up to date.
        if (archive)
            readerArchive = MessageArchive::open(options->database, flood, &error);
        if (readerArchive) // and so does the moderation's follower
            moderationArchive = MessageArchive::open(options->database, flood, &error);
    }
    if (!moderationArchive) {
        std::fprintf(stderr, "ciarla-servizio: %s\n", qPrintable(error));
        return 1;
    }
    raiseDescriptorLimit();
    RoomPages pages(RoomDirectory::rooms().size());
    SubscriberRegistry subscribers; // before the service: its last writes may still publish
    MetricsRegistry metrics;
    ChatService service(*archive, options->limits, pages, metrics.service());
    // Every new message of every room, from this instance or another, to the event streams.
    service.setMessageHandler([&subscribers](const ChatMessage &message) { subscribers.publish(message); });
    const ModerationFollower moderation(
        std::move(moderationArchive), [&service](const QList<Ban> &bans) { service.setBans(bans); },
        [&service, &subscribers](const QList<ChatMessage> &hidden) {
            service.hidden(hidden);
            for (const ChatMessage &message : hidden)
                subscribers.hide(message.room, message.id);
        });
    auto reader = std::make_unique<ArchiveReader>(std::move(readerArchive), options->readQueue);
    // Puts and posts from every event loop are queued to this thread, in the order they come,
    // and from here to the one archive writer.
    const ApiService api(*reader, [&app, &service](const RoomDirectory::Entry &room, const PostBody &body,
                                                  const QHostAddress &client, const ChatService::PostHandler &done) {
        QMetaObject::invokeMethod(&app, [&service, &room, body, client, done] {
            service.post(room, body.nick, body.text, client, done);
        });
    });
    HttpServer http(options->http, options->clients, pages,
                    [&app, &service](const RoomDirectory::Entry &room, const ServiceRequest &request,
                                     const ChatService::ReplyHandler &reply) {
                        QMetaObject::invokeMethod(&app, [&service, &room, request, reply] {
                            service.put(room, request, reply);
                        });
                    },
                    api, subscribers, options->metrics ? &metrics : nullptr);
    const quint16 port = http.start(options->address, options->port);
    if (port == 0)
        return cannotListen(options->address, options->port);
    // Whoever started the service with --port 0 reads the port from this line.
    QString listening = QStringLiteral("ciarla-servizio in ascolto su %1").arg(urlOf(options->address, port, ""));
    const MetricsPages operatorPages(metrics);
    MetricsServer operators([&operatorPages](bool isGet, QByteArrayView path) { return operatorPages.answer(isGet, path); });
    if (options->metrics) {
        const quint16 metricsPort = operators.start(options->metricsAddress, options->metricsPort);
        if (metricsPort == 0)
            return cannotListen(options->metricsAddress, options->metricsPort);
        listening += QStringLiteral(", metriche su %1").arg(urlOf(options->metricsAddress, metricsPort, "metrics"));
    }
    std::printf("%s\n", qPrintable(listening));
    std::fflush(stdout);
    const int code = app.exec();
    // No loop asks the reader for more, and its last answers still find their loops' mailboxes.
    http.stop();
    reader.reset();
    return code;
}
