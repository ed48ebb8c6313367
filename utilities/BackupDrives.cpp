#include "BackupDrives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool isRemovable(const QString& root)
{
    for (const char* folder : {"/media/", "/run/media/", "/mnt/"})
        if (root.startsWith(QLatin1String(folder)))
            return true;
    return false;
}

} // namespace

QList<BackupDrive> backupDrives(const QList<Volume>& volumes, const QString& home)
{
    QList<BackupDrive> removable;
    QList<BackupDrive> disks;
    for (const Volume& volume : volumes) {
        // a disk is a device; memory and the system's own views are not
        if (!volume.writable || !volume.device.startsWith(QLatin1String("/dev/")))
            continue;
        BackupDrive drive;
        drive.root = volume.root;
        drive.caption =
            volume.label.isEmpty() ? volume.root : QStringLiteral("%1 (%2)").arg(volume.label, volume.root);
        (isRemovable(volume.root) ? removable : disks).append(drive);
    }
    const auto byRoot = [](const BackupDrive& a, const BackupDrive& b) { return a.root < b.root; };
    std::sort(removable.begin(), removable.end(), byRoot);
    std::sort(disks.begin(), disks.end(), byRoot);
    QList<BackupDrive> drives = removable + disks;
    drives.append({QStringLiteral("Home folder (%1)").arg(home), home, true});
    return drives;
}

QList<BackupDrive> systemBackupDrives()
{
    QList<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady())
            continue;
        Volume volume;
        volume.root = storage.rootPath();
        volume.device = QString::fromLocal8Bit(storage.device());
        volume.label = storage.name();
        volume.writable = !storage.isReadOnly() && QFileInfo(volume.root).isWritable();
        volumes.append(volume);
    }
    return backupDrives(volumes, QDir::homePath());
}
