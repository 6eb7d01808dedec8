#include "ModerationCommand.h"

#include "BanDuration.h"
#include "ModerationLines.h"
#include "RoomDirectory.h"
#include "ServiceOptions.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

struct ModerationCommand::Option
{
    const char *name;
    const char *value; // null: a switch
    const char *help;
};

namespace {
using Option = ModerationCommand::Option;
const Option databaseOption{"database", "FILE|URI", "L'archivio delle istanze (come per il servizio)."};
const Option roomOption{"room", "KEY", "Solo i messaggi di questa stanza (stanza0…stanza3, privata)."};
const Option nickOption{"nick", "NICK", "Il nickname, senza badare a maiuscole e minuscole."};
const Option addressOption{"address", "ADDR[/PREFIX]", "L'indirizzo del mittente, o una sottorete IPv4 o IPv6."};
const Option limitOption{"limit", "N", "Quante righe, al più: le più recenti."};
const Option durationOption{"for", "DURATA", "Per quanto: 90s, 30m, 12h, 7d; senza, finché non si toglie."};
const Option reasonOption{"reason", "TESTO", "Il motivo, per il registro."};
const Option hideMessagesOption{"hide-messages", nullptr, "Nasconde anche ciò che ha scritto, fra i messaggi conservati."};
} // namespace

struct ModerationCommand::Syntax
{
    const char *name;
    const char *does;
    int (ModerationCommand::*run)();
    QList<Option> options;
    const char *positional; // null: none taken
    const char *wants;      // what they must be
    int least, most;
};

bool ModerationCommand::isCommand(const QString &word)
{
    return find(word) != nullptr;
}

int ModerationCommand::run(const QStringList &arguments)
{
    const Syntax *syntax = find(arguments.value(1));
    return syntax ? ModerationCommand(*syntax).execute(arguments) : BadArguments;
}

const ModerationCommand::Syntax *ModerationCommand::find(const QString &word)
{
    const auto found = std::find_if(commands().cbegin(), commands().cend(),
                                    [&word](const Syntax &syntax) { return word == QLatin1String(syntax.name); });
    return found == commands().cend() ? nullptr : &*found;
}

ModerationCommand::ModerationCommand(const Syntax &syntax)
    : m_syntax(syntax)
{
}

int ModerationCommand::execute(const QStringList &arguments)
{
    m_parser.setApplicationDescription(QStringLiteral("ciarla-servizio %1: %2")
                                           .arg(QLatin1String(m_syntax.name), QString::fromUtf8(m_syntax.does)));
    m_parser.addHelpOption();
    for (const Option &option : QList<Option>{databaseOption} + m_syntax.options) {
        QCommandLineOption added(QLatin1String(option.name), QString::fromUtf8(option.help));
        if (option.value)
            added.setValueName(QLatin1String(option.value));
        if (option.name == databaseOption.name)
            added.setDefaultValue(ServiceOptions::defaultDatabase());
        m_parser.addOption(added);
    }
    if (m_syntax.positional)
        m_parser.addPositionalArgument(QString::fromUtf8(m_syntax.positional), QString());
    QStringList rest = arguments;
    rest.removeAt(1); // the command
    if (!m_parser.parse(rest)) {
        const QStringList unknown = m_parser.unknownOptionNames();
        return refuse(unknown.isEmpty() ? QStringLiteral("un'opzione non ha il valore che vuole.")
                                        : QStringLiteral("opzione sconosciuta «%1%2».")
                                              .arg(unknown.first().size() == 1 ? u"-" : u"--", unknown.first()));
    }
    if (m_parser.isSet(QStringLiteral("help")))
        m_parser.showHelp(Done);
    const qsizetype given = m_parser.positionalArguments().size();
    if (given < m_syntax.least || given > m_syntax.most) {
        return refuse(m_syntax.positional ? QString::fromUtf8(m_syntax.wants)
                                        : QStringLiteral("argomento inatteso «%1».").arg(m_parser.positionalArguments().first()));
    }
    return (this->*m_syntax.run)();
}

int ModerationCommand::messages()
{
    const QString roomKey = value(roomOption);
    if (!roomKey.isEmpty() && !RoomDirectory::byKey(roomKey))
        return refuse(QStringLiteral("--room vuole una stanza fra stanza0, stanza1, stanza2, stanza3 e privata, "
                                     "non «%1».").arg(roomKey));
    std::optional<BanRule> byNick, byAddress;
    if (isSet(nickOption) && !(byNick = rule(Ban::Kind::Nick, nickOption)))
        return BadArguments;
    if (isSet(addressOption) && !(byAddress = rule(Ban::Kind::Address, addressOption)))
        return BadArguments;
    const std::optional<int> most = limit(50);
    if (!most)
        return BadArguments;
    if (!opened())
        return Failed;
    const auto take = [&](const ChatMessage &message) {
        return (!byNick || byNick->matches(message.nick, message.address))
            && (!byAddress || byAddress->matches(message.nick, message.address));
    };
    const MessageArchive::Rows found = scan(roomKey, take, *most);
    if (!found)
        return fail(QStringLiteral("l'archivio non si legge."));
    for (auto message = found->crbegin(); message != found->crend(); ++message)
        print(ModerationLines::message(*message));
    return Done;
}

int ModerationCommand::hide()
{
    QList<qint64> ids;
    for (const QString &text : m_parser.positionalArguments()) {
        const std::optional<qint64> number = id(text);
        if (!number)
            return BadArguments;
        ids.append(*number);
    }
    if (!opened())
        return Failed;
    return hideAll(ids, {});
}

int ModerationCommand::ban()
{
    const bool byNick = isSet(nickOption);
    if (byNick == isSet(addressOption))
        return refuse(QStringLiteral("vuole --nick o --address, uno dei due."));
    const std::optional<BanRule> banned = byNick ? rule(Ban::Kind::Nick, nickOption)
                                                 : rule(Ban::Kind::Address, addressOption);
    if (!banned)
        return BadArguments;
    Ban made{0, banned->kind(), banned->target(), {}, value(reasonOption)};
    if (isSet(durationOption)) {
        const QString text = value(durationOption);
        const std::optional<qint64> seconds = BanDuration::seconds(text);
        if (!seconds)
            return refuse(QStringLiteral("--for vuole una durata come 90s, 30m, 12h o 7d, non «%1».").arg(text));
        made.until = ChatMessage::currentSecond().addSecs(*seconds);
    }
    if (!opened())
        return Failed;
    made.id = m_archive->ban(made, operatorName());
    if (made.id <= 0)
        return fail(QStringLiteral("il bando non è stato registrato: l'archivio non ha risposto."));
    print(QString::number(made.id));
    if (!isSet(hideMessagesOption))
        return Done;
    const MessageArchive::Rows written = scan({}, [&](const ChatMessage &m) { return banned->matches(m.nick, m.address); }, 0);
    if (!written)
        return fail(QStringLiteral("il bando è in vigore, ma l'archivio non si legge: i messaggi restano visibili."));
    QList<qint64> ids;
    for (const ChatMessage &message : *written)
        ids.append(message.id);
    return ids.isEmpty() ? Done : hideAll(ids, made.reason);
}

int ModerationCommand::bans()
{
    if (!opened())
        return Failed;
    const std::optional<QList<Ban>> inForce = m_archive->bans();
    if (!inForce)
        return fail(QStringLiteral("l'archivio non si legge."));
    for (const Ban &each : *inForce)
        print(ModerationLines::ban(each));
    return Done;
}

int ModerationCommand::unban()
{
    const std::optional<qint64> number = id(m_parser.positionalArguments().first());
    if (!number)
        return BadArguments;
    if (!opened())
        return Failed;
    switch (m_archive->unban(*number, operatorName())) {
    case MessageArchive::Change::Done: return Done;
    case MessageArchive::Change::Unknown: return fail(QStringLiteral("nessun bando in vigore ha il numero %1.").arg(*number));
    case MessageArchive::Change::Failed: break;
    }
    return fail(QStringLiteral("il bando non è stato tolto: l'archivio non ha risposto."));
}

int ModerationCommand::audit()
{
    const std::optional<int> most = limit(INT_MAX);
    if (!most)
        return BadArguments;
    if (!opened())
        return Failed;
    const std::optional<QList<AuditEntry>> entries = m_archive->audit(*most);
    if (!entries)
        return fail(QStringLiteral("l'archivio non si legge."));
    for (const AuditEntry &entry : *entries)
        print(ModerationLines::audit(entry));
    return Done;
}

MessageArchive::Rows ModerationCommand::scan(const QString &roomKey, const std::function<bool(const ChatMessage &)> &take,
                                             int most)
{
    QList<ChatMessage> found;
    qint64 before = 0;
    for (;;) {
        const MessageArchive::Rows rows = m_archive->latest(roomKey, before, scanBatch);
        if (!rows)
            return std::nullopt;
        for (const ChatMessage &message : *rows) {
            if (take(message))
                found.append(message);
            if (most > 0 && found.size() == most)
                return found;
        }
        if (rows->size() < scanBatch)
            return found;
        before = rows->last().id;
    }
}

int ModerationCommand::hideAll(const QList<qint64> &ids, const QString &why)
{
    qint64 unknown = 0;
    switch (m_archive->hide(ids, operatorName(), why, &unknown)) {
    case MessageArchive::Change::Done: return Done;
    case MessageArchive::Change::Unknown:
        return fail(QStringLiteral("il messaggio %1 non c'è: nessun messaggio è stato nascosto.").arg(unknown));
    case MessageArchive::Change::Failed: break;
    }
    return fail(QStringLiteral("nessun messaggio è stato nascosto: l'archivio non ha risposto."));
}

bool ModerationCommand::opened()
{
    const QString where = value(databaseOption);
    // Only the service makes an archive: a mistyped file is named, not created empty.
    if (MessageArchive::isSqliteFile(where) && !QFileInfo::exists(where)) {
        fail(QStringLiteral("l'archivio %1 non esiste.").arg(where));
        return false;
    }
    QString error;
    m_archive = MessageArchive::open(where, {}, &error);
    if (!m_archive)
        fail(error);
    return m_archive != nullptr;
}

std::optional<int> ModerationCommand::limit(int fallback)
{
    if (!isSet(limitOption))
        return fallback;
    const QString text = value(limitOption);
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && n >= 1 && n <= 1000000)
        return n;
    refuse(QStringLiteral("--limit vuole un numero da 1 a 1000000, non «%1».").arg(text));
    return std::nullopt;
}

std::optional<qint64> ModerationCommand::id(const QString &text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (ok && n > 0)
        return n;
    refuse(QStringLiteral("«%1» non è un numero: %2 vuole numeri interi positivi.").arg(text, QLatin1String(m_syntax.name)));
    return std::nullopt;
}

std::optional<BanRule> ModerationCommand::rule(Ban::Kind kind, const Option &option)
{
    const QString text = value(option);
    if (const std::optional<BanRule> parsed = BanRule::parse(kind, text))
        return parsed;
    refuse(kind == Ban::Kind::Nick
               ? QStringLiteral("--nick vuole un nickname non vuoto.")
               : QStringLiteral("--address vuole un indirizzo IPv4 o IPv6, o una sottorete come 203.0.113.0/24, "
                                "non «%1».").arg(text));
    return std::nullopt;
}

bool ModerationCommand::isSet(const Option &option) const
{
    return m_parser.isSet(QLatin1String(option.name));
}

QString ModerationCommand::value(const Option &option) const
{
    return m_parser.value(QLatin1String(option.name));
}

int ModerationCommand::refuse(const QString &reason) const
{
    tell(reason);
    return BadArguments;
}

int ModerationCommand::fail(const QString &reason) const
{
    tell(reason);
    return Failed;
}

void ModerationCommand::tell(const QString &reason) const
{
    std::fprintf(stderr, "ciarla-servizio %s: %s\n", m_syntax.name, reason.toUtf8().constData());
}

void ModerationCommand::print(const QString &line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

QString ModerationCommand::operatorName()
{
    // The name the operator logged in with, even behind sudo; else whom the command runs as.
    if (const char *login = getlogin(); login && *login)
        return QString::fromLocal8Bit(login);
    if (const passwd *user = getpwuid(geteuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(geteuid());
}

const QList<ModerationCommand::Syntax> &ModerationCommand::commands()
{
    using Command = ModerationCommand;
    static const QList<Syntax> all{
        {"messages", "i messaggi più recenti, dal più vecchio.", &Command::messages,
         {roomOption, nickOption, addressOption, limitOption}, nullptr, nullptr, 0, 0},
        {"hide", "nasconde i messaggi dalle pagine, dalla cronologia e dalla ricerca.", &Command::hide, {}, "ID…",
         "vuole i numeri dei messaggi da nascondere.", 1, INT_MAX},
        {"ban", "vieta di scrivere a un nick o a un indirizzo; stampa il numero del bando.", &Command::ban,
         {nickOption, addressOption, durationOption, reasonOption, hideMessagesOption}, nullptr, nullptr, 0, 0},
        {"bans", "i bandi in vigore.", &Command::bans, {}, nullptr, nullptr, 0, 0},
        {"unban", "toglie un bando.", &Command::unban, {}, "ID", "vuole il numero di un bando, uno solo.", 1, 1},
        {"audit", "ogni azione di moderazione, dalla più vecchia.", &Command::audit, {limitOption}, nullptr, nullptr,
         0, 0},
    };
    return all;
}
