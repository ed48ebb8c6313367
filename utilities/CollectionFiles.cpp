#include "CollectionFiles.h"

#include "store/Database.h"
#include "store/DbError.h"
#include "store/EngineProgress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace CollectionFiles {

namespace {

// Steps the tests make fail, by kind: how many to let pass, how many to fail.
struct Fault
{
    int after = 0;
    int count = 0;
};
Fault g_faults[2];

bool faultDue(Step step)
{
    Fault& fault = g_faults[int(step)];
    if (fault.count == 0)
        return false;
    if (fault.after > 0) {
        --fault.after;
        return false;
    }
    --fault.count;
    errno = EIO;
    return true;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The system's reason for the last failure (errno); safe on any thread.
QString systemReason()
{
    return qt_error_string(errno);
}

// Flushes a file to the disk.
void flushFile(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Failure{QStringLiteral("'%1' could not be opened: %2").arg(path, systemReason())};
    const bool flushed = !faultDue(Step::FlushFile) && ::fsync(fd) == 0;
    const QString reason = flushed ? QString() : systemReason();
    ::close(fd);
    if (!flushed)
        throw Failure{QStringLiteral("'%1' could not be written to the disk: %2").arg(path, reason)};
}

// Flushes a folder's list of names after a rename. As the engine does for its
// journal, a failure is let pass: some file systems cannot flush a folder, and
// the rename it follows is done either way.
void flushFolderOf(const QString& path)
{
    const int fd =
        ::open(native(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void removeFile(const QString& path)
{
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        throw Failure{QStringLiteral("'%1' could not be removed: %2").arg(path, systemReason())};
}

// Removes a file and the journal the engine may have left beside it; a file
// that is not there is no failure.
void removeWithJournal(const QString& path)
{
    removeFile(path);
    removeFile(path + QStringLiteral("-journal"));
}

// Renames from to to, replacing it, and flushes the folder. A journal left
// beside the name belongs to the file that had it before: the engine would
// play it back into the new one, so it goes first.
void rename(const QString& from, const QString& to)
{
    removeFile(to + QStringLiteral("-journal"));
    if (faultDue(Step::Rename) || std::rename(native(from).constData(), native(to).constData()) != 0)
        throw Failure{QStringLiteral("'%1' could not be renamed to '%2': %3").arg(from, to, systemReason())};
    flushFolderOf(to);
}

// The file a collection's name stands for: a link is followed, even to a
// file that is not there.
QString realPath(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

// A connection to a file outside the store's own, for copying and checking.
class RawFile
{
public:
    RawFile(const QString& path, int flags)
        : m_path(path)
    {
        if (sqlite3_open_v2(native(path).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            throw Failure{QStringLiteral("'%1': %2").arg(path, reason)};
        }
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

// Throws unless path holds a whole collection; Stopped once going answers false.
void check(const QString& path, Check depth, const std::function<bool()>& going = {})
{
    const RawFile file(path, SQLITE_OPEN_READONLY);
    QStringList found;
    {
        const EngineProgress progress(file.handle(), going);
        try {
            found = file.texts(depth == Check::Full ? "PRAGMA integrity_check" : "PRAGMA quick_check");
        } catch (const Failure&) {
            progress.rethrow();
            if (progress.stopped())
                throw Stopped{};
            throw;
        }
    }
    if (found != QStringList{QStringLiteral("ok")})
        throw Failure{QStringLiteral("'%1' is damaged: %2").arg(path, found.join(QLatin1Char(' ')))};
    if (file.texts("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'Plonko' COLLATE NOCASE")
            .isEmpty())
        throw Failure{QStringLiteral("'%1' holds no items.").arg(path)};
}

// Flushes a new copy to the disk and checks it at the same time: the check
// reads what the system holds in memory while the flush waits on the disk.
// Both must pass. Without a second thread the flush comes first.
void flushAndCheck(const QString& path, const Progress& progress)
{
    if (progress && !progress(Stage::Checking, 0, 0))
        throw Stopped{};
    std::optional<Failure> unflushed;
    const auto flush = [&] {
        try {
            flushFile(path);
        } catch (const Failure& failure) {
            unflushed = failure;
        }
    };
    std::optional<std::jthread> flusher;
    try {
        flusher.emplace(flush);
    } catch (const std::system_error&) {
        flush();
    }
    check(path, Check::Pages,
          progress ? [&] { return progress(Stage::Checking, 0, 0); } : std::function<bool()>());
    if (flusher)
        flusher->join();
    if (unflushed)
        throw *unflushed;
}

// The page copy of a closed collection into a new file, told to progress
// every so many pages.
void copyPages(const QString& source, const QString& destination, const Progress& progress)
{
    constexpr int kPagesAStep = 1024;
    const RawFile from(source, SQLITE_OPEN_READONLY);
    const RawFile to(destination, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // the copy is flushed and checked as a whole before it is used
    sqlite3_exec(to.handle(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr,
                 nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        to.fail();
    const qint64 pageSize = from.texts("PRAGMA page_size").value(0).toLongLong();
    int stepped;
    do {
        stepped = sqlite3_backup_step(backup, progress ? kPagesAStep : -1);
        const qint64 pages = sqlite3_backup_pagecount(backup);
        if ((stepped == SQLITE_OK || stepped == SQLITE_DONE) && progress &&
            !progress(Stage::Copying, (pages - sqlite3_backup_remaining(backup)) * pageSize,
                      pages * pageSize)) {
            sqlite3_backup_finish(backup);
            throw Stopped{};
        }
    } while (stepped == SQLITE_OK);
    sqlite3_backup_finish(backup);
    if (stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED)
        throw Failure{QStringLiteral("'%1' is in use by another program.").arg(source), true};
    if (stepped != SQLITE_DONE)
        to.fail();
}

} // namespace

Hold::Hold(const QString& path)
    : m_path(path)
{
    renew();
}

Hold::~Hold()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Hold::renew()
{
    if (m_fd < 0)
        m_fd = ::open(native(m_path).constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0)
        return;
    // the engine's pending, reserved and shared lock bytes, from 1 GiB on
    constexpr off_t kPendingByte = 0x40000000;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kPendingByte;
    lock.l_len = 512;
    ::fcntl(m_fd, F_SETLK, &lock);
}

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

void failSteps(Step step, int after, int count)
{
    g_faults[int(step)] = {after, count};
}

void backupCollection(const QString& source, const QString& folder, const Progress& progress)
{
    const QString target = QDir(folder).filePath(kBackupName);
    const QString partial = target + QStringLiteral(".partial");
    const auto removePartial = [&] {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
    };
    try {
        removeWithJournal(partial);
        copyPages(source, partial, progress);
        flushAndCheck(partial, progress);
        rename(partial, target);
    } catch (...) {
        // stopped or failed, the partial copy goes; a stop and a failure of
        // our own pass as they are
        removePartial();
        try {
            throw;
        } catch (const std::exception& error) {
            throw Failure{QString::fromLocal8Bit(error.what())};
        }
    }
}

void compactCollection(const QString& dbPath, const QLocale& locale, const Progress& progress)
{
    const QString db = realPath(dbPath);
    const QDir folder = QFileInfo(db).absoluteDir();
    const QString compacted = folder.filePath(kCompactedName);
    const QString previous = folder.filePath(kPreviousName);
    try {
        removeWithJournal(compacted);
    } catch (const Failure&) {
        // an old copy that stays is refused by the compaction below
    }
    // the copy's size as it grows, beside the pages in use it will hold
    const qint64 size = [&] {
        const RawFile file(db, SQLITE_OPEN_READONLY);
        const QStringList pages =
            file.texts("SELECT page_size * (page_count - freelist_count) FROM pragma_page_size, "
                       "pragma_page_count, pragma_freelist_count");
        return pages.value(0).toLongLong();
    }();
    bool stopped = false;
    const auto going = [&] {
        stopped = !progress(Stage::Copying, QFileInfo(compacted).size(), size);
        return !stopped;
    };
    try {
        if (progress && !going())
            throw Stopped{};
        Database::CompactDatabase(db, compacted, locale, progress ? going : std::function<bool()>());
        flushAndCheck(compacted, progress);
    } catch (...) {
        // stopped or failed, the copy goes; a stop and a failure of our own
        // pass as they are
        QFile::remove(compacted);
        try {
            throw;
        } catch (const DbError& error) {
            if (stopped)
                throw Stopped{};
            throw Failure{error.description()};
        } catch (const std::exception& error) {
            throw Failure{QString::fromLocal8Bit(error.what())};
        }
    }
    try {
        removeWithJournal(previous);
    } catch (const Failure&) {
        // the rename below replaces it
    }
    try {
        rename(db, previous);
        rename(compacted, db);
    } catch (const Failure& failure) {
        // a rename is done or not done, and nothing follows the second: the
        // previous file goes back if it had been moved
        if (!QFileInfo::exists(db)) {
            try {
                rename(previous, db);
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
    const QString db = realPath(dbPath);
    if (QFileInfo::exists(db))
        return std::nullopt;
    const QDir folder = QFileInfo(db).absoluteDir();
    const QString compacted = folder.filePath(kCompactedName);
    const QString previous = folder.filePath(kPreviousName);
    const bool hasCompacted = QFileInfo::exists(compacted);
    const bool hasPrevious = QFileInfo::exists(previous);
    if (!hasCompacted && !hasPrevious)
        return std::nullopt;
    Interrupted found;
    const QString name = QFileInfo(dbPath).fileName();
    // the previous file stays after every compaction: only the copy shows
    // that one was cut off
    found.description =
        hasCompacted
            ? QStringLiteral(
                  "The collection file %1 is missing: a compaction of it was interrupted.  It left "
                  "the compacted copy %2%3.")
                  .arg(name, kCompactedName,
                       hasPrevious ? QStringLiteral(" and the previous file %1").arg(kPreviousName)
                                   : QString())
            : QStringLiteral("The collection file %1 is missing.  The previous file %2, which the last "
                             "compaction kept, is there.")
                  .arg(name, kPreviousName);
    if (hasCompacted && isCompleteCollection(compacted))
        found.restoreFrom = compacted;
    else if (hasPrevious && isCompleteCollection(previous))
        found.restoreFrom = previous;
    return found;
}

void restore(const Interrupted& interrupted, const QString& dbPath)
{
    if (interrupted.restoreFrom)
        rename(*interrupted.restoreFrom, realPath(dbPath));
}

} // namespace CollectionFiles
