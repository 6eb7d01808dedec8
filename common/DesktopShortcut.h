#pragma once

#include <QString>

// A shortcut as the shell's shortcut object has it, saved as a freedesktop
// desktop entry: the target runs in the working folder, with the icon's file
// (the index after a comma is dropped: a desktop entry names one icon).
class DesktopShortcut
{
public:
    explicit DesktopShortcut(const QString &fullName);

    QString FullName;
    QString TargetPath;
    QString WorkingDirectory;
    QString IconLocation;
    // Kept as set: a desktop entry has no window state to give it.
    int WindowStyle = 1;

    // Writes the whole file or leaves what was there; false on failure.
    bool Save() const;
    QString desktopEntry() const;
};
