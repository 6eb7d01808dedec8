#include "ServiceAddress.h"

#include "BuildConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
QStringList systemConfigFolders()
{
    const QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    return folders.isEmpty() ? QStringList{u"/etc/xdg"_s} : folders.split(u':', Qt::SkipEmptyParts);
}
} // namespace

QString ServiceAddress::normalised(const QString &setting)
{
    const QUrl url(setting.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || url.host().isEmpty()
        || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        return QString();
    QString address = url.toString(QUrl::FullyEncoded);
    if (!address.endsWith(u'/'))
        address += u'/';
    return address;
}

QString ServiceAddress::root()
{
    for (const QString &folder : systemConfigFolders()) {
        const QString path = QDir(folder).filePath(u"ciarlachat/ciarlachat.conf"_s);
        if (!QFileInfo(path).isFile())
            continue;
        const QSettings settings(path, QSettings::IniFormat);
        const QString address = normalised(settings.value(u"servizio"_s).toString());
        if (!address.isEmpty())
            return address;
    }
    return QString::fromUtf8(BuildConfig::makerSite);
}
