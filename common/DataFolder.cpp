#include "DataFolder.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString DataFolder::path()
{
    // Canonical, as the program's own folder is; empty once the build tree is gone.
    const QString buildTree = QFileInfo(QString::fromUtf8(BuildConfig::buildTree)).canonicalFilePath();
    return forProgramIn(QCoreApplication::applicationDirPath(), buildTree);
}

QString DataFolder::forProgramIn(const QString &programFolder, const QString &buildTree)
{
    const QString fromBuild = QDir(buildTree).relativeFilePath(programFolder);
    const bool inBuildTree = !buildTree.isEmpty() && fromBuild != u".."_s && !fromBuild.startsWith(u"../"_s);
    if (inBuildTree)
        return programFolder;
    // Relative to the program, so that an installed tree can be moved to another prefix.
    return QDir::cleanPath(programFolder + u'/' + QString::fromUtf8(BuildConfig::dataFromPrograms));
}
