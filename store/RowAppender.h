#pragma once

#include "RowChecker.h"

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
// more than each insert. The rows are readied by a RowChecker of the same
// fields, which may work on another thread; the store gives each its key and
// makes the sort keys of its texts.
class RowAppender
{
public:
    // fields: the table's columns that rows set, by name (not the key); at
    // least one.
    RowAppender(std::shared_ptr<Connection> connection, const QString& table, const QStringList& fields);
    ~RowAppender();
    RowAppender(const RowAppender&) = delete;
    RowAppender& operator=(const RowAppender&) = delete;

    // A checker of the appender's fields, for any one thread.
    std::unique_ptr<RowChecker> checker() const;
    // Writes a row readied by a checker of the appender's fields, after the
    // checks every write of the store makes; its key (0 in a table without one).
    qint64 append(const RowChecker::Row& row);

private:
    qint64 bind(const RowChecker::Row& row);
    qint64 nextKey();

    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QStringList m_fields;
    QList<ColumnInfo> m_columns;
    // of each field, then of each sort key, from a column's default
    std::vector<sqlite3_value*> m_defaults;
    std::vector<int> m_sortKeyPlaces;   // of each field, where its sort key is bound; 0 for none
    std::vector<QByteArray> m_sortKeys; // of the row being written
    std::unique_ptr<Statement> m_insert;
    bool m_keyed = false;
    // the key of the last row written, and the counts of changes and of
    // keys reserved once it was
    qint64 m_lastKey = 0;
    qint64 m_changesAfterLast = -1;
    qint64 m_reservationsAfterLast = -1;
};
