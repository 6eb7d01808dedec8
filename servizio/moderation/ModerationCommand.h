#pragma once

#include "BanRule.h"
#include "MessageArchive.h"

#include <QCommandLineParser>
#include <functional>
#include <memory>

// The operators' commands, run from their shell against the database the instances
// use, while they run: list the messages, hide them, ban nicks and addresses, list
// and lift the bans, read the audit. Exit status 0 when done, 1 when an id is unknown
// or the archive failed, 2 for bad arguments; every reason in Italian on standard error.
class ModerationCommand
{
public:
    static bool isCommand(const QString &word);
    // `arguments`: the program, the command, its options.
    static int run(const QStringList &arguments);

    enum Status { Done = 0, Failed = 1, BadArguments = 2 };
    static constexpr int scanBatch = 500; // messages read at a time when looking through the history

    struct Option;

private:
    struct Syntax;
    explicit ModerationCommand(const Syntax &syntax);
    static const QList<Syntax> &commands();
    static const Syntax *find(const QString &word);

    int execute(const QStringList &arguments);
    int messages();
    int hide();
    int ban();
    int bans();
    int unban();
    int audit();

    // Newest first, the kept messages `take` accepts, `limit` at most; nothing when unreadable.
    MessageArchive::Rows scan(const QString &room, const std::function<bool(const ChatMessage &)> &take, int limit);
    int hideAll(const QList<qint64> &ids, const QString &reason);
    bool opened(); // false, with the reason given, when the archive does not open
    std::optional<int> limit(int fallback);
    std::optional<qint64> id(const QString &text);
    std::optional<BanRule> rule(Ban::Kind kind, const Option &option);
    bool isSet(const Option &option) const;
    QString value(const Option &option) const;
    int refuse(const QString &reason) const;
    int fail(const QString &reason) const;
    void tell(const QString &reason) const; // on standard error, after the command's name
    static void print(const QString &line);
    static QString operatorName();

    const Syntax &m_syntax;
    QCommandLineParser m_parser;
    std::unique_ptr<MessageArchive> m_archive;
};
