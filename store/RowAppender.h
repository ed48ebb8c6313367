#pragma once

#include "Value.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Connection;
class Statement;
struct ColumnInfo;
struct sqlite3_value;

// Adds rows to a table through one prepared statement and keeps nothing of
// them, so that writing many rows costs neither a list of them nor a query
// more than each insert. Each field is checked as it is set, as a recordset's
// SetField checks it; the store gives the key and makes the sort keys of the
// text fields, as for a row added through a recordset.
class RowAppender
{
public:
    // fields: the table's columns that rows set, by name (not the key); at
    // least one.
    RowAppender(std::shared_ptr<Connection> connection, const QString& table, const QStringList& fields);
    ~RowAppender();
    RowAppender(const RowAppender&) = delete;
    RowAppender& operator=(const RowAppender&) = delete;

    // Starts a row, every field its column's default (null where it has
    // none), and returns its key (0 in a table without one).
    qint64 newRow();
    // Sets field i (of those named) of the row: throws the DbError of a value
    // that does not suit it (TypeConversion, NumericOverflow, FieldTooSmall).
    void set(int i, const Value& value);
    // Writes the row, after the checks every write of the store makes.
    void append();

private:
    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QList<ColumnInfo> m_columns;
    std::vector<sqlite3_value*> m_defaults; // of each field
    std::unique_ptr<Statement> m_insert;
    bool m_keyed = false;
};
