#include "RowChecker.h"

#include "Connection.h"

RowChecker::RowChecker(Connection& connection, const QString& table, const QStringList& fields)
{
    for (const QString& field : fields) {
        const ColumnInfo* column = connection.column(table, field);
        if (!column || column->autoNumber)
            throw DbError(DbError::ReadOnlyObject,
                          QStringLiteral("Field '%1' cannot be updated.").arg(field));
        m_columns.append(*column);
    }
}

RowChecker::~RowChecker() = default;

RowChecker::Row RowChecker::newRow() const
{
    Row row;
    row.m_fields.resize(std::size_t(m_columns.size()));
    return row;
}

void RowChecker::set(Row& row, int i, const Value& value) const
{
    row.m_fields[std::size_t(i)] = {true, toStorage(value, m_columns[i])};
}
