#pragma once

#include <QString>
#include <optional>

// The per-user settings store: string values addressed by application, section
// and key, one INI file per application in the user's XDG config folder.
// Names compare without regard to case. Every call reads the file afresh, so a
// value written by another process is seen by the very next read.
class SettingsStore
{
public:
    enum class ReadStatus { Found, Missing, Unreadable };

    static QString filePath(const QString &application);

    // The stored text; nullopt when the key is missing or the store unreadable.
    static std::optional<QString> value(const QString &application, const QString &section,
                                        const QString &key, ReadStatus *status = nullptr);
    // False when the value could not be written; the old value then stays.
    static bool setValue(const QString &application, const QString &section, const QString &key,
                         const QString &value);
};
