#pragma once

#include <QList>
#include <QString>

// A mounted file system as the system reports it.
struct Volume
{
    QString root;
    QString fileSystem; // its type: ext4, vfat, nfs, tmpfs...
    QString label;
    bool writable = false; // mounted read-write, and this user may write its root
};

// An entry of the backup dialog's drive list: what it shows and the folder
// the backup goes to.
struct BackupDrive
{
    QString caption;
    QString root;
    bool isHome = false;
};

// The places a backup can go: removable media (mounted under the usual media
// folders) first, then other disks and network shares this user can write
// to, each with its volume label where it has one; last the home folder. File
// systems the system keeps in memory or for itself are left out.
QList<BackupDrive> backupDrives(const QList<Volume>& volumes, const QString& home);

// The same, from the system's mounted file systems and the user's home.
QList<BackupDrive> systemBackupDrives();
