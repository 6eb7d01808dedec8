#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>

namespace {
constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The spelling already in use for a name, so that a write in other letter case
// changes the existing entry instead of adding a second one.
QString existingName(const QStringList &names, const QString &wanted)
{
    for (const QString &name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return wanted;
}

bool containsName(const QStringList &names, const QString &wanted)
{
    return names.contains(wanted, Qt::CaseInsensitive);
}

// QSettings reads "/" and "\" in a name as group separators, while the store's
// names are flat and may hold any character: those two, and "%" that marks the
// escape, are written as "%25", "%2F" and "%5C".
QString flatName(const QString &name)
{
    QString escaped;
    escaped.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'%')
            escaped += QStringLiteral("%25");
        else if (c == u'/')
            escaped += QStringLiteral("%2F");
        else if (c == u'\\')
            escaped += QStringLiteral("%5C");
        else
            escaped += c;
    }
    return escaped;
}

bool createPrivateFile(const QString &path)
{
    if (QFileInfo::exists(path))
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return QFileInfo::exists(path);
    return file.setPermissions(ownerOnly);
}

// QSettings waits without limit for its lock; a store held by a hung process
// must fail the write instead.
// A file with text in it from which no entry at all can be parsed is not ours to overwrite.
bool looksCorrupt(const QSettings &settings, const QString &path)
{
    if (!settings.allKeys().isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && !file.readAll().trimmed().isEmpty();
}

bool lockIsFree(const QString &path)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(2000))
        return false;
    lock.unlock();
    return true;
}
} // namespace

QString SettingsStore::filePath(const QString &application)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/ciarlachat/") + application.toLower() + QStringLiteral(".ini");
}

std::optional<QString> SettingsStore::value(const QString &application, const QString &section,
                                            const QString &key, ReadStatus *status)
{
    auto report = [status](ReadStatus s) {
        if (status)
            *status = s;
    };
    const QString path = filePath(application);
    if (!QFileInfo::exists(path) || section.isEmpty() || key.isEmpty()) {
        report(ReadStatus::Missing);
        return std::nullopt;
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError || !QFileInfo(path).isReadable()
        || looksCorrupt(settings, path)) {
        report(ReadStatus::Unreadable);
        return std::nullopt;
    }
    const QString group = flatName(section);
    const QString entry = flatName(key);
    const QStringList groups = settings.childGroups();
    if (!containsName(groups, group)) {
        report(ReadStatus::Missing);
        return std::nullopt;
    }
    settings.beginGroup(existingName(groups, group));
    const QStringList keys = settings.childKeys();
    if (!containsName(keys, entry)) {
        report(ReadStatus::Missing);
        return std::nullopt;
    }
    report(ReadStatus::Found);
    return settings.value(existingName(keys, entry)).toString();
}

bool SettingsStore::setValue(const QString &application, const QString &section, const QString &key,
                             const QString &value)
{
    const QString path = filePath(application);
    if (section.isEmpty() || key.isEmpty() || !createPrivateFile(path) || !lockIsFree(path))
        return false;
    const QFileInfo info(path);
    if (!info.isReadable() || !info.isWritable())
        return false;
    QSettings settings(path, QSettings::IniFormat);
    // A file we could not parse is kept as it is rather than rewritten from nothing.
    if (settings.status() != QSettings::NoError || looksCorrupt(settings, path))
        return false;
    settings.beginGroup(existingName(settings.childGroups(), flatName(section)));
    settings.setValue(existingName(settings.childKeys(), flatName(key)), value);
    settings.endGroup();
    settings.sync();
    const bool written = settings.status() == QSettings::NoError;
    QFile::setPermissions(path, ownerOnly);
    return written;
}
