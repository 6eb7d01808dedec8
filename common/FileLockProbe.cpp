#include "FileLockProbe.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/sysmacros.h>

FileLockProbe::State FileLockProbe::probe(const QString &path)
{
    struct stat file{};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &file) != 0)
        return State::Missing;
    if (!QFileInfo(path).isReadable())
        return State::Held;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return State::Free;
    return heldIn(locks.readAll(), file.st_dev, file.st_ino) ? State::Held : State::Free;
}

bool FileLockProbe::heldIn(const QByteArray &lockTable, quint64 device, quint64 inode)
{
    // Each line names the locked file as "major:minor:inode", the device in hex.
    const QByteArray wanted = QByteArray::number(major(device), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(device), 16).rightJustified(2, '0') + ':' + QByteArray::number(inode);
    const QList<QByteArray> lines = lockTable.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // "1: -> POSIX ..." is a process waiting for the lock, not holding it.
        if (fields.size() < 2 || fields.at(1) == "->")
            continue;
        if (fields.contains(wanted))
            return true;
    }
    return false;
}
