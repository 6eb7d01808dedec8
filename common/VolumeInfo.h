#pragma once

#include <QString>
#include <optional>

// Facts about the file system that holds a path.
class VolumeInfo
{
public:
    // The file system's identifier (statvfs) cut to the 32 bits of a volume serial number.
    static std::optional<qint32> serialNumber(const QString &path);
    // True when the path lives on a network file system (NFS, SMB/CIFS and the like).
    static bool isNetwork(const QString &path);
    static bool isNetworkType(const QByteArray &fileSystemType);
};
