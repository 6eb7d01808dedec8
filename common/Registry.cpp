#include "Registry.h"

#include "HiveDatabase.h"
#include "Windows1252.h"

#include <QStandardPaths>
#include <QtEndian>

namespace {
constexpr qsizetype readBufferSize = 1024;
}

QString Registry::hivesFolder()
{
    const QString moved = qEnvironmentVariable("CIARLA_REGISTRY_DIR");
    if (!moved.isEmpty())
        return moved;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/ciarlachat/registry");
}

QString Registry::hivePath(quint32 root)
{
    const char *name = nullptr;
    switch (root) {
    case ClassesRoot:
        name = "classesroot.db";
        break;
    case CurrentUser:
        name = "currentuser.db";
        break;
    case LocalMachine:
        name = "localmachine.db";
        break;
    default:
        return {};
    }
    return hivesFolder() + u'/' + QLatin1StringView(name);
}

QString Registry::normalizedPath(const QString &path)
{
    return path.split(u'\\', Qt::SkipEmptyParts).join(u'\\');
}

std::optional<RegistryKey> Registry::openKey(quint32 root, const QString &path, quint32 access)
{
    const QString file = hivePath(root);
    const QString key = normalizedPath(path);
    HiveDatabase hive(file, HiveDatabase::Mode::Read);
    if (file.isEmpty() || !hive.keyExists(key))
        return std::nullopt;
    return RegistryKey(root, key, access);
}

std::optional<RegistryKey> Registry::createKey(quint32 root, const QString &path, quint32 access)
{
    const QString file = hivePath(root);
    const QString key = normalizedPath(path);
    if (file.isEmpty())
        return std::nullopt;
    HiveDatabase hive(file, HiveDatabase::Mode::Write);
    if (!hive.createKey(key))
        return std::nullopt;
    return RegistryKey(root, key, access);
}

bool Registry::deleteKey(quint32 root, const QString &path)
{
    const QString file = hivePath(root);
    if (file.isEmpty())
        return false;
    HiveDatabase hive(file, HiveDatabase::Mode::Write);
    return hive.deleteKey(normalizedPath(path));
}

bool Registry::readText(quint32 root, const QString &path, const QString &valueName, quint32 access,
                        QString &text)
{
    text.clear();
    const auto key = openKey(root, path, access);
    if (!key)
        return false;
    const auto value = key->value(valueName);
    if (!value || value->data.size() > readBufferSize)
        return false;
    QByteArray bytes = value->data;
    if (bytes.endsWith('\0'))
        bytes.chop(1);
    if (value->type == String) {
        text = Windows1252::decode(bytes);
    } else if (value->type == DWord) {
        QByteArray number = value->data.left(4);
        number.append(4 - number.size(), '\0');
        text = QString::number(qFromLittleEndian<qint32>(number.constData()));
    }
    return true;
}
