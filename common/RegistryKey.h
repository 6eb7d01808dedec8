#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

struct RegistryValue
{
    quint32 type = 0;
    QByteArray data;
};

// An open key of a registry hive, with the rights it was opened with. Every
// operation goes to the hive's database, so writes by other processes are seen.
class RegistryKey
{
public:
    RegistryKey(quint32 root, const QString &path, quint32 access);

    quint32 root() const { return m_root; }
    QString path() const { return m_path; }
    quint32 access() const { return m_access; }

    // An empty name is the key's default value.
    std::optional<RegistryValue> value(const QString &name) const;
    bool setValue(const QString &name, const RegistryValue &value);
    bool deleteValue(const QString &name);
    QStringList subKeys() const;

private:
    bool allows(quint32 right) const { return (m_access & right) == right; }

    quint32 m_root;
    QString m_path;
    quint32 m_access;
};
