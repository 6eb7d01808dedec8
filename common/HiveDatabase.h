#pragma once

#include "RegistryKey.h"

#include <QString>
#include <QStringList>
#include <optional>

struct sqlite3;

// One hive's SQLite file, opened for a single operation. Read-only opens never
// create the file; a file SQLite cannot read makes every operation fail and is
// left as it is.
class HiveDatabase
{
public:
    enum class Mode { Read, Write };

    HiveDatabase(const QString &file, Mode mode);
    ~HiveDatabase();
    HiveDatabase(const HiveDatabase &) = delete;
    HiveDatabase &operator=(const HiveDatabase &) = delete;

    bool isOpen() const { return m_db != nullptr; }

    bool keyExists(const QString &path);
    bool createKey(const QString &path);
    bool deleteKey(const QString &path);
    QStringList subKeys(const QString &path);
    std::optional<RegistryValue> value(const QString &path, const QString &name);
    bool setValue(const QString &path, const QString &name, const RegistryValue &value);
    bool deleteValue(const QString &path, const QString &name);

private:
    bool exec(const char *sql);

    sqlite3 *m_db = nullptr;
};
