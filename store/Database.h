#pragma once

#include "Recordset.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class EqualRows;
class PhotoTables;
class RowAppender;
class RowChecker;

// The collection database: one SQLite file held exclusively by this program
// while it is open (another copy or program gets FileInUse), written with full
// synchronous commits through a rollback journal so that a crash never leaves
// it damaged. Every failure is thrown as a DbError.
class Database
{
public:
    enum class RecordsetType
    {
        Dynaset = 2,
        Snapshot = 4,
        // read once, forwards, a row at a time: memory does not grow with the rows
        ForwardOnly = 8
    };

    // Money is stored as a double so that SQL compares it with plain numbers;
    // up to 2^51 ten-thousandths (about 225 billion) every amount with four
    // decimals reads back exactly. A larger amount is refused (NumericOverflow).
    static constexpr qint64 kLargestMoneyUnits = qint64(1) << 51;

    // Opens an existing file for exclusive use; a missing, empty or foreign
    // file is refused and left exactly as it was. Text is ordered as the
    // language of locale orders it (see TextOrder). A file whose items must be
    // sorted again for that language (seconds for a large collection) calls
    // sorting now and then until they are.
    static std::unique_ptr<Database> OpenDatabase(const QString& path,
                                                  const QLocale& locale = QLocale::system(),
                                                  const std::function<void()>& sorting = {});
    // Writes a compacted copy of a closed database file to destination; the
    // file is opened as OpenDatabase opens it, in the order of locale. The
    // copy is left to the system to write out: the caller flushes it. going,
    // if given, is asked now and then as the copy is written; once it answers
    // false the copy stops and fails (a partial copy is left for the caller).
    static void CompactDatabase(const QString& source, const QString& destination,
                                const QLocale& locale = QLocale::system(),
                                const std::function<bool()>& going = {});

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A query in Jet SQL: a dynaset can be written, a snapshot or a forward-only
    // recordset only read.
    std::unique_ptr<Recordset> OpenRecordset(const QString& jetSql, RecordsetType type);

    // Adds rows to a table, setting the fields named (see RowAppender).
    std::unique_ptr<RowAppender> OpenAppender(const QString& table, const QStringList& fields);
    // Checks fields of rows of a table as their recordsets do, on any one
    // thread (see RowChecker).
    std::unique_ptr<RowChecker> OpenRowChecker(const QString& table, const QStringList& fields);
    // The items' photos and their pictures (see PhotoTables).
    std::unique_ptr<PhotoTables> OpenPhotoTables();
    // Finds rows of table equal to a row of smaller key (see EqualRows).
    std::unique_ptr<EqualRows> OpenEqualRows(const QString& table, const QStringList& lookedUpBy,
                                             const QStringList& compared);

    // The number of rows a table holds.
    qint64 RowCount(const QString& table) const;
    // The number of rows a query (in the program's own SQL) gives, counted
    // without its order, which costs a pass over the rows and no sorting.
    qint64 QueryRowCount(const QString& jetSql) const;

    // A read-only query in the engine's own dialect for figures worked out in
    // the file: each row's columns handed over as whole numbers (a null as
    // none) and as text. Its SQL may use moneyunits(amount), an amount in
    // ten-thousandths, wholequantity(quantity), a quantity as a report counts
    // it (no number as 0), and moneyproduct(quantity, amount), the two
    // multiplied (null for a null amount); all exact, each failing
    // (NumericOverflow) rather than rounding where the figure cannot be held.
    void Aggregate(const QString& sql,
                   const std::function<void(const std::vector<std::optional<qint64>>& numbers,
                                            const QStringList& texts)>& each) const;

    // The rows written since the file was opened (added, changed or deleted,
    // rolled back or not): a view of the file is current while this stays the same.
    qint64 ChangeCount() const;

    // Frees read locks. Every statement of the store is reset as soon as its
    // row is read and the file is held exclusively, so none are ever held.
    void Idle() {}
    // Closes the file; recordsets still open then fail with ObjectInvalid.
    void Close();

    // Writes between BeginTrans and CommitTrans are stored together or, after
    // Rollback (or a crash), not at all.
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    // Runs writes, inside a transaction, with the indexes of table that only
    // speed up reading set aside, and makes them again afterwards: many rows
    // added to a table with few are written faster so. Indexes that keep
    // values unique stay and check each row as it comes. A failure leaves the
    // transaction to be rolled back, which brings the indexes back with it.
    void BuildIndexesAfter(const QString& table, const std::function<void()>& writes);

    // For tests: after `after` more row writes, the next count fail with the
    // error number given (a lock conflict, say), as if another user held the row.
    void failNextWrites(int count, int number, int after = 0);
    // For tests: BeginTrans, CommitTrans and Rollback do nothing from now on,
    // so each write is stored alone as it is made; the crash test shows with
    // it that a cut-off change is then found half made. It lasts while this
    // file stays open: a backup or compaction opens the file anew.
    void ignoreTransactions();

private:
    explicit Database(std::shared_ptr<Connection> connection);

    std::shared_ptr<Connection> m_connection;
};

// A transaction that rolls back unless it was committed; never throws from
// its destructor.
class Transaction
{
public:
    explicit Transaction(Database& db)
        : m_db(db)
    {
        db.BeginTrans();
    }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    void rollback();

private:
    Database& m_db;
    bool m_open = true;
};
