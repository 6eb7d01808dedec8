#include "XdgShellFolders.h"

#include "Registry.h"
#include "Windows1252.h"

#include <QList>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
struct Folder
{
    QString valueName;
    QString path;
};

QString inside(const QString &base, const QString &below)
{
    return base.isEmpty() || below.isEmpty() ? base : base + u'/' + below;
}

QString userLocation(QStandardPaths::StandardLocation location, const QString &below = QString())
{
    return inside(QStandardPaths::writableLocation(location), below);
}

// The first system-wide folder of an XDG search list, which comes after the user's own.
QString systemLocation(QStandardPaths::StandardLocation location, const QString &below = QString())
{
    const QStringList all = QStandardPaths::standardLocations(location);
    return all.size() < 2 ? QString() : inside(all.at(1), below);
}

QList<Folder> userFolders()
{
    const QString applications = userLocation(QStandardPaths::ApplicationsLocation);
    return {
        {u"Personal"_s, userLocation(QStandardPaths::DocumentsLocation)},
        {u"AppData"_s, userLocation(QStandardPaths::GenericDataLocation)},
        {u"Desktop"_s, userLocation(QStandardPaths::DesktopLocation)},
        {u"Startup"_s, userLocation(QStandardPaths::GenericConfigLocation, u"autostart"_s)},
        {u"Start Menu"_s, applications},
        {u"Programs"_s, applications},
        {u"My Pictures"_s, userLocation(QStandardPaths::PicturesLocation)},
        {u"Fonts"_s, userLocation(QStandardPaths::GenericDataLocation, u"fonts"_s)},
        {u"Cache"_s, userLocation(QStandardPaths::GenericCacheLocation)},
    };
}

QList<Folder> sharedFolders()
{
    const QString applications = systemLocation(QStandardPaths::GenericDataLocation, u"applications"_s);
    return {
        {u"Common AppData"_s, systemLocation(QStandardPaths::GenericDataLocation)},
        {u"Common Startup"_s, systemLocation(QStandardPaths::GenericConfigLocation, u"autostart"_s)},
        {u"Common Start Menu"_s, applications},
        {u"Common Programs"_s, applications},
    };
}
} // namespace

QString XdgShellFolders::keyPath()
{
    return u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"_s;
}

void XdgShellFolders::ensureFilled(quint32 root)
{
    if (Registry::openKey(root, keyPath(), Registry::ReadAccess))
        return;
    auto key = Registry::createKey(root, keyPath(), Registry::WriteAccess);
    if (!key)
        return;
    const QList<Folder> folders = root == Registry::CurrentUser ? userFolders() : sharedFolders();
    for (const Folder &folder : folders) {
        // The hives hold single-byte text: a path it cannot spell stays out
        // rather than going in with "?" for some letters.
        const QByteArray bytes = Windows1252::encode(folder.path);
        if (!folder.path.isEmpty() && Windows1252::decode(bytes) == folder.path)
            key->setValue(folder.valueName, {Registry::String, bytes + '\0'});
    }
}
