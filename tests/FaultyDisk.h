#pragma once

#include <QByteArray>

#include <sqlite3.h>

#include <limits>

// A failing disk, for the engine: once installed, the files the engine opens
// whose names end with a given ending fill up after so many bytes (further
// writes are refused as a full disk refuses them), or have one page written
// as zeros while the write is reported done. Other files are written as usual.
class FaultyDisk
{
public:
    // Installs the disk as the engine's default file system (once per run).
    static void install()
    {
        static bool installed = false;
        if (installed)
            return;
        installed = true;
        s_real = sqlite3_vfs_find(nullptr);
        s_vfs = *s_real;
        s_vfs.zName = "faultydisk";
        s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        s_vfs.xOpen = open;
        sqlite3_vfs_register(&s_vfs, 1);
    }
    // Files ending so fill up after room bytes; an empty ending turns it off.
    static void fill(const QByteArray& ending, sqlite3_int64 room)
    {
        s_ending = ending;
        s_room = room;
        s_damaged = -1;
    }
    // Files ending so get zeros in place of what is written at offset.
    static void damage(const QByteArray& ending, sqlite3_int64 offset)
    {
        s_ending = ending;
        s_room = std::numeric_limits<sqlite3_int64>::max();
        s_damaged = offset;
    }

private:
    struct File
    {
        sqlite3_file base;
        bool watched;
        sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    };

    static File* of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        File* f = of(file);
        f->base.pMethods = nullptr;
        const int rc = s_real->xOpen(s_real, name, f->real(), flags, outFlags);
        if (rc != SQLITE_OK)
            return rc;
        f->watched = name && !s_ending.isEmpty() && QByteArray(name).endsWith(s_ending);
        f->base.pMethods = &s_methods;
        return SQLITE_OK;
    }
    static int close(sqlite3_file* file) { return of(file)->real()->pMethods->xClose(of(file)->real()); }
    static int read(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset)
    {
        return of(file)->real()->pMethods->xRead(of(file)->real(), out, amount, offset);
    }
    static int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
    {
        if (of(file)->watched && offset + amount > s_room)
            return SQLITE_FULL;
        if (of(file)->watched && offset == s_damaged) {
            const QByteArray zeros(amount, '\0');
            return of(file)->real()->pMethods->xWrite(of(file)->real(), zeros.constData(), amount, offset);
        }
        return of(file)->real()->pMethods->xWrite(of(file)->real(), data, amount, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        return of(file)->real()->pMethods->xTruncate(of(file)->real(), size);
    }
    static int sync(sqlite3_file* file, int flags)
    {
        return of(file)->real()->pMethods->xSync(of(file)->real(), flags);
    }
    static int fileSize(sqlite3_file* file, sqlite3_int64* size)
    {
        return of(file)->real()->pMethods->xFileSize(of(file)->real(), size);
    }
    static int lock(sqlite3_file* file, int level)
    {
        return of(file)->real()->pMethods->xLock(of(file)->real(), level);
    }
    static int unlock(sqlite3_file* file, int level)
    {
        return of(file)->real()->pMethods->xUnlock(of(file)->real(), level);
    }
    static int checkReservedLock(sqlite3_file* file, int* out)
    {
        return of(file)->real()->pMethods->xCheckReservedLock(of(file)->real(), out);
    }
    static int fileControl(sqlite3_file* file, int op, void* arg)
    {
        return of(file)->real()->pMethods->xFileControl(of(file)->real(), op, arg);
    }
    static int sectorSize(sqlite3_file* file)
    {
        return of(file)->real()->pMethods->xSectorSize(of(file)->real());
    }
    static int deviceCharacteristics(sqlite3_file* file)
    {
        return of(file)->real()->pMethods->xDeviceCharacteristics(of(file)->real());
    }

    static inline sqlite3_vfs* s_real = nullptr;
    static inline sqlite3_vfs s_vfs;
    static inline QByteArray s_ending;
    static inline sqlite3_int64 s_room = 0;
    static inline sqlite3_int64 s_damaged = -1;
    static inline const sqlite3_io_methods s_methods = {1,
                                                        close,
                                                        read,
                                                        write,
                                                        truncate,
                                                        sync,
                                                        fileSize,
                                                        lock,
                                                        unlock,
                                                        checkReservedLock,
                                                        fileControl,
                                                        sectorSize,
                                                        deviceCharacteristics,
                                                        nullptr,
                                                        nullptr,
                                                        nullptr,
                                                        nullptr,
                                                        nullptr,
                                                        nullptr};
};
