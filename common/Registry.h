#pragma once

#include "RegistryKey.h"

#include <QString>
#include <optional>

// The registry: one SQLite database per hive, in a folder that CIARLA_REGISTRY_DIR
// can move. Key and value names compare without regard to case; values keep
// their type and their bytes exactly.
class Registry
{
public:
    enum Root : quint32 {
        ClassesRoot = 0x80000000,
        CurrentUser = 0x80000001,
        LocalMachine = 0x80000002,
    };
    enum Right : quint32 {
        QueryValue = 0x1,
        SetValue = 0x2,
        CreateSubKey = 0x4,
        EnumerateSubKeys = 0x8,
        ReadAccess = 0x20019,
        WriteAccess = 0x2003F,
    };
    enum Type : quint32 {
        String = 1,
        DWord = 4,
    };

    static QString hivesFolder();
    static QString hivePath(quint32 root);

    // Opens an existing key; nullopt when the key or its hive is missing or unreadable.
    static std::optional<RegistryKey> openKey(quint32 root, const QString &path, quint32 access);
    // Opens a key, creating it and any missing parent first.
    static std::optional<RegistryKey> createKey(quint32 root, const QString &path, quint32 access);
    static bool deleteKey(quint32 root, const QString &path);

    // Reads a value as text: a string without one trailing NUL, a 32-bit number
    // in decimal, any other type as found with empty text. Values over 1024 bytes
    // and every failure read as not found.
    static bool readText(quint32 root, const QString &path, const QString &valueName, quint32 access,
                         QString &text);

    static QString normalizedPath(const QString &path);
};
