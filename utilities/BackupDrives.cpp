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

// What the system mounts for itself, in memory or as views of its own state.
bool isSystemOwn(const QString& fileSystem)
{
    static const QStringList own = {
        QStringLiteral("autofs"),     QStringLiteral("binfmt_misc"), QStringLiteral("bpf"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),     QStringLiteral("configfs"),
        QStringLiteral("debugfs"),    QStringLiteral("devpts"),      QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"),   QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("mqueue"),     QStringLiteral("nsfs"),        QStringLiteral("overlay"),
        QStringLiteral("proc"),       QStringLiteral("pstore"),      QStringLiteral("ramfs"),
        QStringLiteral("rpc_pipefs"), QStringLiteral("securityfs"),  QStringLiteral("squashfs"),
        QStringLiteral("sysfs"),      QStringLiteral("tmpfs"),       QStringLiteral("tracefs")};
    return own.contains(fileSystem);
}

} // namespace

QList<BackupDrive> backupDrives(const QList<Volume>& volumes, const QString& home)
{
    QList<BackupDrive> removable;
    QList<BackupDrive> disks;
    for (const Volume& volume : volumes) {
        if (!volume.writable || isSystemOwn(volume.fileSystem) || volume.root == home)
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
        volume.fileSystem = QString::fromLatin1(storage.fileSystemType());
        volume.label = storage.name();
        volume.writable = !storage.isReadOnly() && QFileInfo(volume.root).isWritable();
        volumes.append(volume);
    }
    return backupDrives(volumes, QDir::homePath());
}
