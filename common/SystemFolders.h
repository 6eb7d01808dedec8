#pragma once

#include <QString>

// The folders that stand for the platform's own folder and its system-library
// folder on this desktop; empty when the platform cannot tell.
class SystemFolders
{
public:
    // The tree the operating system installs itself in ("/usr").
    static QString windowsFolder();
    // The folder the C library was loaded from: where the system's shared libraries live.
    static QString systemFolder();
};
