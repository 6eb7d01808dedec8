#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// An operator's ban, as kept in the archive: a nick or an address (or a whole
// subnet) that may not write until `until`, or until the ban is lifted.
struct Ban
{
    enum class Kind { Nick, Address };

    qint64 id = 0;
    Kind kind = Kind::Nick;
    QString target;  // the nick, or "ADDR" or "ADDR/PREFIX" as BanRule spells them
    QDateTime until; // in UTC; invalid: until lifted
    QString reason;

    bool inForce(const QDateTime &now) const { return !until.isValid() || until > now; }
    QString kindName() const { return kind == Kind::Nick ? QStringLiteral("nick") : QStringLiteral("address"); }
    QString described() const { return kindName() + u' ' + target; } // as the audit names it
    static std::optional<Kind> kindNamed(const QString &name);
};
