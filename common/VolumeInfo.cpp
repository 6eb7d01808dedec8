#include "VolumeInfo.h"

#include <QFile>
#include <QStorageInfo>
#include <sys/statvfs.h>

std::optional<qint32> VolumeInfo::serialNumber(const QString &path)
{
    struct statvfs volume{};
    if (path.isEmpty() || statvfs(QFile::encodeName(path).constData(), &volume) != 0)
        return std::nullopt;
    return qint32(quint32(volume.f_fsid));
}

bool VolumeInfo::isNetwork(const QString &path)
{
    const QStorageInfo storage(path);
    return storage.isValid() && isNetworkType(storage.fileSystemType());
}

bool VolumeInfo::isNetworkType(const QByteArray &fileSystemType)
{
    static const QByteArrayList network{"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda",
                                        "9p", "ceph", "glusterfs", "fuse.sshfs", "fuse.glusterfs"};
    return network.contains(fileSystemType);
}
