#include "OsVersionRecord.h"

#include <QRegularExpression>
#include <sys/utsname.h>

namespace {
struct Replacement
{
    bool active = false;
    std::optional<OsVersionRecord> record;
};

Replacement &replacement()
{
    static Replacement instance;
    return instance;
}

// The kernel's name and release ("6.1.0-18-amd64" gives 6, 1, 0).
std::optional<OsVersionRecord> kernelRecord()
{
    struct utsname system{};
    if (uname(&system) != 0)
        return std::nullopt;
    OsVersionRecord record;
    record.servicePack = QString::fromLocal8Bit(system.sysname);
    static const QRegularExpression numbers(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = numbers.match(QString::fromLocal8Bit(system.release));
    record.major = match.captured(1).toUInt();
    record.minor = match.captured(2).toUInt();
    record.build = match.captured(3).toUInt();
    return record;
}
} // namespace

std::optional<OsVersionRecord> OsVersionRecord::query()
{
    return replacement().active ? replacement().record : kernelRecord();
}

void OsVersionRecord::setForTesting(std::optional<OsVersionRecord> record)
{
    replacement() = {true, std::move(record)};
}

void OsVersionRecord::reset()
{
    replacement() = {};
}
