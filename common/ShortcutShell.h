#pragma once

#include "DesktopShortcut.h"

#include <QString>
#include <optional>

// The shortcut part of the shell's scripting object. A shortcut's name ends
// in ".lnk" (saved as ".desktop", the name this desktop knows) or ".desktop";
// any other name is refused, as the shell refuses it.
class ShortcutShell
{
public:
    std::optional<DesktopShortcut> CreateShortcut(const QString &pathName) const;
};
