#pragma once

#include <QString>

// The shell's folder table ("Shell Folders") in the registry hives, filled on
// first use with the user's XDG folders and the system's shared ones, so that
// the folder readers answer real folders of this desktop.
class XdgShellFolders
{
public:
    static QString keyPath();
    // Fills the table of a root (current user or local machine) when its key is
    // missing; a table that exists is left exactly as it is.
    static void ensureFilled(quint32 root);
};
