#pragma once

#include <QString>

// Whether a process holds a lock (flock, record or open-file lock, lease) on a
// file. The kernel's lock table is read, so the file itself is never opened:
// no waiting on a pipe, and no record lock of ours is dropped by a close.
class FileLockProbe
{
public:
    enum class State { Missing, Free, Held };

    // A file we may not read counts as held, as it would when opened for reading.
    static State probe(const QString &path);
    // The same question against a lock table in the kernel's "/proc/locks" format.
    static bool heldIn(const QByteArray &lockTable, quint64 device, quint64 inode);
};
