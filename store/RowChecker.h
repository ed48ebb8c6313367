#pragma once

#include "StoredValue.h"
#include "Value.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Connection;
struct ColumnInfo;

// Checks the fields of rows to be added to a table, each as a recordset's
// SetField checks it, and readies them to write, each value as the file
// stores it. It holds a copy of what it needs and nothing of the
// connection, so that it may work on a thread of its own while the
// connection writes the rows it readied before.
class RowChecker
{
public:
    // A row readied to write: each field's value as stored, or nothing where
    // the row takes its column's default.
    class Row
    {
    private:
        friend class RowChecker;
        friend class RowAppender;
        struct Field
        {
            bool set = false;
            StoredValue value;
        };
        std::vector<Field> m_fields;
    };

    // fields: the table's columns that rows set, by name (not the key).
    RowChecker(Connection& connection, const QString& table, const QStringList& fields);
    ~RowChecker();
    RowChecker(const RowChecker&) = delete;
    RowChecker& operator=(const RowChecker&) = delete;

    // A row with every field its column's default.
    Row newRow() const;
    // Sets field i (of those named) of the row: throws the DbError of a value
    // that does not suit it (TypeConversion, NumericOverflow, FieldTooSmall),
    // the field left as it was.
    void set(Row& row, int i, const Value& value) const;

private:
    QList<ColumnInfo> m_columns;
};
