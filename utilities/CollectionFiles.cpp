#include "CollectionFiles.h"

#include "app/Database.h"
#include "app/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace CollectionFiles {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Flushes a file, or a folder's list of names, to the disk.
void sync(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Failure{QStringLiteral("'%1' could not be opened: %2").arg(path, systemReason())};
    const bool synced = ::fsync(fd) == 0;
    const QString reason = synced ? QString() : systemReason();
    ::close(fd);
    if (!synced)
        throw Failure{QStringLiteral("'%1' could not be written to the disk: %2").arg(path, reason)};
}

void syncFolderOf(const QString& path)
{
    sync(QFileInfo(path).absolutePath());
}

// Removes a file and the journal the engine may have left beside it; a file
// that is not there is no failure.
void removeWithJournal(const QString& path)
{
    for (const QString& name : {path, QString(path + QStringLiteral("-journal"))})
        if (::unlink(native(name).constData()) != 0 && errno != ENOENT)
            throw Failure{QStringLiteral("'%1' could not be removed: %2").arg(name, systemReason())};
}

// Renames from over to (replacing it) and flushes the folder.
void rename(const QString& from, const QString& to)
{
    if (std::rename(native(from).constData(), native(to).constData()) != 0)
        throw Failure{QStringLiteral("'%1' could not be renamed to '%2': %3").arg(from, to, systemReason())};
    syncFolderOf(to);
}

// A connection to a file outside the store's own, for copying and checking.
class RawFile
{
public:
    RawFile(const QString& path, int flags)
        : m_path(path)
    {
        if (sqlite3_open_v2(native(path).constData(), &m_db, flags, nullptr) != SQLITE_OK)
            fail();
    }
    ~RawFile() { sqlite3_close(m_db); }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    sqlite3* handle() const { return m_db; }

    // The first column of each row the statement gives.
    QStringList texts(const char* sql) const
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            fail();
        QStringList rows;
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            rows.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            fail();
        return rows;
    }

    [[noreturn]] void fail() const
    {
        throw Failure{QStringLiteral("'%1': %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)))};
    }

private:
    QString m_path;
    sqlite3* m_db = nullptr;
};

enum class Check
{
    // every page of every table and index read and its structure checked
    Pages,
    // that, and every index compared with its table
    Full
};

// Throws unless path holds a whole collection.
void check(const QString& path, Check depth)
{
    const RawFile file(path, SQLITE_OPEN_READONLY);
    const QStringList found =
        file.texts(depth == Check::Full ? "PRAGMA integrity_check" : "PRAGMA quick_check");
    if (found != QStringList{QStringLiteral("ok")})
        throw Failure{QStringLiteral("'%1' is damaged: %2").arg(path, found.join(QLatin1Char(' ')))};
    if (file.texts("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'Plonko' COLLATE NOCASE")
            .isEmpty())
        throw Failure{QStringLiteral("'%1' holds no items.").arg(path)};
}

// Flushes a new copy to the disk and checks it at the same time: the check
// reads what the system holds in memory while the flush waits on the disk.
// Both must pass.
void flushAndCheck(const QString& path)
{
    std::optional<Failure> unflushed;
    std::thread flush([&] {
        try {
            sync(path);
        } catch (const Failure& failure) {
            unflushed = failure;
        }
    });
    try {
        check(path, Check::Pages);
    } catch (const Failure&) {
        flush.join();
        throw;
    }
    flush.join();
    if (unflushed)
        throw *unflushed;
}

// The page copy of a closed collection into a new file.
void copyPages(const QString& source, const QString& destination)
{
    const RawFile from(source, SQLITE_OPEN_READONLY);
    const RawFile to(destination, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
    // the copy is flushed and checked as a whole before it is used
    sqlite3_exec(to.handle(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr,
                 nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        to.fail();
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        (stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED ? from : to).fail();
}

} // namespace

bool isCompleteCollection(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    try {
        check(path, Check::Full);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

void backupCollection(const QString& source, const QString& folder)
{
    const QString target = QDir(folder).filePath(kBackupName);
    const QString partial = target + QStringLiteral(".partial");
    try {
        removeWithJournal(partial);
        copyPages(source, partial);
        flushAndCheck(partial);
        rename(partial, target);
    } catch (const Failure&) {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
        throw;
    }
}

void compactCollection(const QString& dbPath, const QLocale& locale)
{
    const QDir folder = QFileInfo(dbPath).absoluteDir();
    const QString compacted = folder.filePath(kCompactedName);
    const QString previous = folder.filePath(kPreviousName);
    try {
        removeWithJournal(compacted);
    } catch (const Failure&) {
        // an old copy that stays is refused by the compaction below
    }
    try {
        Database::CompactDatabase(dbPath, compacted, locale);
        flushAndCheck(compacted);
    } catch (const DbError& error) {
        QFile::remove(compacted);
        throw Failure{error.description()};
    } catch (const Failure&) {
        QFile::remove(compacted);
        throw;
    }
    try {
        removeWithJournal(previous);
    } catch (const Failure&) {
        // the rename below replaces it
    }
    try {
        rename(dbPath, previous);
        rename(compacted, dbPath);
    } catch (const Failure& failure) {
        // whatever step failed, a collection stays under the collection's
        // name: the previous file goes back if it had been moved
        if (!QFileInfo::exists(dbPath)) {
            try {
                rename(previous, dbPath);
            } catch (const Failure& putBack) {
                throw Failure{failure.what + QLatin1Char('\n') + putBack.what};
            }
        }
        QFile::remove(compacted);
        throw;
    }
}

std::optional<Interrupted> interruptedCompaction(const QString& dbPath)
{
    const QFileInfo db(dbPath);
    if (db.exists())
        return std::nullopt;
    const QDir folder = db.absoluteDir();
    const QString compacted = folder.filePath(kCompactedName);
    const QString previous = folder.filePath(kPreviousName);
    const bool hasCompacted = QFileInfo::exists(compacted);
    const bool hasPrevious = QFileInfo::exists(previous);
    if (!hasCompacted && !hasPrevious)
        return std::nullopt;
    Interrupted found;
    QStringList left;
    if (hasCompacted)
        left.append(QStringLiteral("the compacted copy %1").arg(kCompactedName));
    if (hasPrevious)
        left.append(QStringLiteral("the previous file %1").arg(kPreviousName));
    found.description =
        QStringLiteral("The collection file %1 is missing: a compaction of it was interrupted.  "
                       "It left %2.")
            .arg(db.fileName(), left.join(QStringLiteral(" and ")));
    if (hasCompacted && isCompleteCollection(compacted))
        found.restoreFrom = compacted;
    else if (hasPrevious && isCompleteCollection(previous))
        found.restoreFrom = previous;
    return found;
}

void restore(const Interrupted& interrupted, const QString& dbPath)
{
    if (interrupted.restoreFrom)
        rename(*interrupted.restoreFrom, dbPath);
}

} // namespace CollectionFiles
