#include "RegistryKey.h"

#include "HiveDatabase.h"
#include "Registry.h"

RegistryKey::RegistryKey(quint32 root, const QString &path, quint32 access)
    : m_root(root)
    , m_path(path)
    , m_access(access)
{
}

std::optional<RegistryValue> RegistryKey::value(const QString &name) const
{
    if (!allows(Registry::QueryValue))
        return std::nullopt;
    HiveDatabase hive(Registry::hivePath(m_root), HiveDatabase::Mode::Read);
    return hive.value(m_path, name);
}

bool RegistryKey::setValue(const QString &name, const RegistryValue &value)
{
    if (!allows(Registry::SetValue))
        return false;
    HiveDatabase hive(Registry::hivePath(m_root), HiveDatabase::Mode::Write);
    return hive.setValue(m_path, name, value);
}

bool RegistryKey::deleteValue(const QString &name)
{
    if (!allows(Registry::SetValue))
        return false;
    HiveDatabase hive(Registry::hivePath(m_root), HiveDatabase::Mode::Write);
    return hive.deleteValue(m_path, name);
}

QStringList RegistryKey::subKeys() const
{
    if (!allows(Registry::EnumerateSubKeys))
        return {};
    HiveDatabase hive(Registry::hivePath(m_root), HiveDatabase::Mode::Read);
    return hive.subKeys(m_path);
}
