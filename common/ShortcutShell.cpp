#include "ShortcutShell.h"

using namespace Qt::StringLiterals;

std::optional<DesktopShortcut> ShortcutShell::CreateShortcut(const QString &pathName) const
{
    const QString desktop = u".desktop"_s;
    const QString lnk = u".lnk"_s;
    if (pathName.endsWith(desktop, Qt::CaseInsensitive))
        return DesktopShortcut(pathName);
    if (pathName.endsWith(lnk, Qt::CaseInsensitive) && pathName.size() > lnk.size())
        return DesktopShortcut(pathName.chopped(lnk.size()) + desktop);
    return std::nullopt;
}
