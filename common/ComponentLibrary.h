#pragma once

#include <QString>

// Loads a component library, calls one of its entries without arguments and
// unloads it again.
class ComponentLibrary
{
public:
    // True when the library loaded and exports the entry; what the entry
    // returns is not looked at.
    static bool callEntry(const QString &path, const char *entry);
};
