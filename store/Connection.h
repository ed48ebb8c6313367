#pragma once

#include "Database.h"
#include "DbError.h"
#include "StoredValue.h"
#include "Value.h"

#include <QHash>
#include <QList>
#include <QString>

#include <sqlite3.h>

#include <memory>
#include <unordered_map>
#include <vector>

// Inner workings of the store shared by Database and its recordsets; not for
// use outside the store.

// How a column's values are read and written, from its declared type.
enum class FieldType
{
    Unknown,
    Long,
    YesNo,
    Currency,
    Date,
    Double,
    Text
};

struct ColumnInfo
{
    QString name;
    FieldType type = FieldType::Unknown;
    int maxLength = 0; // 0: no limit
    bool autoNumber = false;
    // The column holding this text column's sort keys (named after it, with
    // "Key"), which the store writes with every change of the text.
    QString sortKey;
    bool isSortKey = false;
};

FieldType fieldTypeOf(const char* declaredType);

// A table or column name quoted for SQL.
inline QString quotedName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// Converts a value for a column, or throws the DbError of a value that does
// not suit it (TypeConversion, NumericOverflow, FieldTooSmall).
StoredValue toStorage(const Value& value, const ColumnInfo& column);

// A list of keys that a recordset reads as it goes. It is told before
// another recordset writes to its table, so that it reads the rest of the list
// as it stood, and after a rollback, which may have undone its own writes.
class KeyList
{
public:
    virtual ~KeyList() = default;
    virtual void beforeOtherWrite(const QString& table) = 0;
    virtual void afterRollback() = 0;
};

class Statement;
class TextOrder;

class Connection
{
public:
    explicit Connection(sqlite3* db, QString path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The handle, or DbError(ObjectInvalid) once the database was closed.
    sqlite3* handle() const;
    // The file's absolute path.
    const QString& path() const { return m_path; }
    void close();

    // Turns the engine's result code into a DbError with its message.
    [[noreturn]] void fail(int rc, const QString& context = {}) const;

    // The columns of a table, looked up once; forgetSchema() after it changed.
    const QList<ColumnInfo>& columns(const QString& table);
    // A column of a table by name, letter case ignored; null when there is none.
    const ColumnInfo* column(const QString& table, const QString& name);
    void forgetSchema()
    {
        m_columns.clear();
        m_tables.clear();
        m_columnsByName.clear();
    }
    // How an order by names a column, in the language's order: its key column
    // or the column's sort key, "%1" standing for its qualifier; empty for a
    // column that is no text. table is empty for a query over joined tables.
    QString orderTerm(const QString& table, const QString& column);
    // The key the next row added to table will get; each call reserves one.
    qint64 reserveKey(const QString& table);
    // How many keys were reserved so far, of any table: a key reserved and
    // stored, when none was reserved and nothing written after it, is the
    // largest, and the one after it free.
    qint64 reservations() const { return m_reservations; }

    // The order of text the connection's sort keys follow.
    void setOrder(std::shared_ptr<TextOrder> order) { m_order = std::move(order); }
    const TextOrder& order() const { return *m_order; }

    // Every write (an update or a delete of a row) asks this first: it refuses
    // the write when the file is no longer the one opened, and lets a test have
    // writes fail as another user's lock would. The other recordsets over the
    // table are told before the write.
    void failNextWrites(int count, int number, int after);
    // For tests: transactions are left out, so each write is stored alone.
    void ignoreTransactions() { m_transactionsIgnored = true; }
    bool transactionsIgnored() const { return m_transactionsIgnored; }
    void beforeWrite(const KeyList* writer, const QString& table);
    void rolledBack();
    void watch(KeyList* list) { m_keyLists.push_back(list); }
    void unwatch(KeyList* list) { std::erase(m_keyLists, list); }
    // FileMoved when another file now stands at the path, or none does: a write
    // would go into the file no longer there and be lost.
    void checkNotMoved() const;

private:
    [[noreturn]] void fileMoved() const;

    sqlite3* m_db;
    QString m_path;
    QHash<QString, QList<ColumnInfo>> m_columns;
    QHash<QString, QString> m_lowerNames;
    // columns found by name, by the table's and the column's names as spelt
    QHash<QString, QHash<QString, const ColumnInfo*>> m_columnsByName;
    QStringList m_tables;
    QHash<QString, qint64> m_lastReservedKey;
    qint64 m_reservations = 0;
    int m_failingWrites = 0;
    int m_failNumber = 0;
    int m_writesBeforeFailing = 0;
    bool m_transactionsIgnored = false;
    std::vector<KeyList*> m_keyLists;
    std::shared_ptr<TextOrder> m_order;
    // the query of the largest key of each table, prepared once
    std::unordered_map<QString, std::unique_ptr<Statement>> m_largestKeys;
};

// A prepared statement that is finalised on every path.
class Statement
{
public:
    Statement(Connection& connection, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const Value& value, const ColumnInfo& column);
    void bindKey(int index, qint64 key);
    void bindText(int index, const QByteArray& utf8);
    void bindBlob(int index, const QByteArray& bytes);
    // True while a row is there; throws on failure.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    FieldType columnType(int i) const;
    Value value(int i, FieldType type) const;
    qint64 int64(int i) const;
    QByteArray blob(int i) const;
    // The engine's own value of a column of the current row, valid until the next step.
    sqlite3_value* raw(int i) const { return sqlite3_column_value(m_stmt, i); }
    sqlite3_stmt* statement() const { return m_stmt; }

private:
    Connection& m_connection;
    sqlite3_stmt* m_stmt = nullptr;
};

std::unique_ptr<Recordset> openRecordset(const std::shared_ptr<Connection>& connection, const QString& jetSql,
                                         Database::RecordsetType type);
