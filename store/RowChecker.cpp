#include "RowChecker.h"

#include "Connection.h"
#include "TextOrder.h"

RowChecker::RowChecker(Connection& connection, const QString& table, const QStringList& fields)
    : m_order(connection.order().clone())
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
    const ColumnInfo& column = m_columns[i];
    Row::Field checked{true, toStorage(value, column), {}};
    if (const QByteArray* text = std::get_if<QByteArray>(&checked.value); text && !column.sortKey.isEmpty()) {
        // the key of the text as stored, where a lone surrogate became U+FFFD
        const QString* given = std::get_if<QString>(&value);
        checked.sortKey =
            m_order->sortKey(given && QStringView(*given).isValidUtf16() ? *given : QString::fromUtf8(*text));
    }
    row.m_fields[std::size_t(i)] = std::move(checked);
}
