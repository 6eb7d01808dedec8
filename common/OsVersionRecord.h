#pragma once

#include <QString>
#include <optional>

// The version record the platform reports: platform identifier, version
// numbers and the service-pack text. On this desktop the platform is no
// Windows; tests put a record of their own in its place.
struct OsVersionRecord
{
    enum Platform : quint32 {
        Win32s = 0,
        Windows9x = 1,
        WindowsNT = 2,
        NotWindows = 0x100,
    };

    quint32 platformId = NotWindows;
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    QString servicePack;

    // nullopt when the query fails.
    static std::optional<OsVersionRecord> query();
    // Replaces what query() answers until reset() is called.
    static void setForTesting(std::optional<OsVersionRecord> record);
    static void reset();
};
