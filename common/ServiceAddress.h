#pragma once

#include <QString>

// The root of the maker's public chat service and web pages, with its scheme and a
// trailing "/". An administrator or a distribution sets it, without rebuilding, with
// the key "servizio" of ciarlachat/ciarlachat.conf in the system's XDG configuration
// folders (XDG_CONFIG_DIRS, /etc/xdg when unset); the first folder that holds a
// usable http or https address wins. Without one, the address the programs were
// built with.
class ServiceAddress
{
public:
    static QString root();
    // The address as the setting would give it, or empty when it is not usable.
    static QString normalised(const QString &setting);
};
