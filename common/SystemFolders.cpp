#include "SystemFolders.h"

#include <QFileInfo>
#include <cstdio>
#include <dlfcn.h>

using namespace Qt::StringLiterals;

QString SystemFolders::windowsFolder()
{
    const QString usr = u"/usr"_s;
    return QFileInfo(usr).isDir() ? usr : QString();
}

QString SystemFolders::systemFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&std::fopen), &info) || !info.dli_fname)
        return {};
    const QFileInfo library(QFile::decodeName(info.dli_fname));
    return library.isAbsolute() ? library.canonicalPath() : QString();
}
