#include "ComponentLibrary.h"

#include <QFile>
#include <dlfcn.h>

bool ComponentLibrary::callEntry(const QString &path, const char *entry)
{
    // A bare name would make the loader search its own folders; the component is the file named.
    const QByteArray file = QFile::encodeName(path.contains(u'/') ? path : QStringLiteral("./") + path);
    void *library = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    using Entry = long (*)();
    const auto function = reinterpret_cast<Entry>(dlsym(library, entry));
    if (function)
        function();
    dlclose(library);
    return function != nullptr;
}
