#include "RowAppender.h"

#include "Connection.h"
#include "DbError.h"

#include <QHash>

#include <sqlite3.h>

RowAppender::RowAppender(std::shared_ptr<Connection> connection, const QString& table,
                         const QStringList& fields)
    : m_connection(std::move(connection))
    , m_table(table)
{
    // the fields as ?1 on, the key after them, then the sort keys made of them
    QStringList names;
    QStringList places;
    QStringList keyNames;
    QStringList keyPlaces;
    QString key;
    for (const ColumnInfo& column : m_connection->columns(table))
        if (column.autoNumber)
            key = column.name;
    for (const QString& field : fields) {
        const ColumnInfo* column = m_connection->column(table, field);
        if (!column || column->autoNumber)
            throw DbError(DbError::ReadOnlyObject,
                          QStringLiteral("Field '%1' cannot be updated.").arg(field));
        m_columns.append(*column);
        names.append(quotedName(column->name));
        places.append(QStringLiteral("?%1").arg(m_columns.size()));
        if (!column->sortKey.isEmpty()) {
            keyNames.append(quotedName(column->sortKey));
            keyPlaces.append(QStringLiteral("sortkey(?%1)").arg(m_columns.size()));
        }
    }
    m_keyed = !key.isEmpty();
    if (m_keyed) {
        names.append(quotedName(key));
        places.append(QStringLiteral("?%1").arg(m_columns.size() + 1));
    }
    m_insert = std::make_unique<Statement>(
        *m_connection, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(quotedName(table), (names + keyNames).join(QStringLiteral(", ")),
                                (places + keyPlaces).join(QStringLiteral(", "))));
    // a field the row leaves unset takes its column's default, as in an
    // insert that does not name it
    QStringList defaults;
    Statement declared(*m_connection, QStringLiteral("SELECT name, dflt_value FROM pragma_table_info(?1)"));
    declared.bindText(1, table.toUtf8());
    QHash<QString, QString> declaredDefaults;
    while (declared.step())
        declaredDefaults.insert(textOf(declared.value(0, FieldType::Text)).toLower(),
                                textOf(declared.value(1, FieldType::Text)));
    for (const ColumnInfo& column : m_columns) {
        const QString given = declaredDefaults.value(column.name.toLower());
        defaults.append(given.isEmpty() ? QStringLiteral("NULL") : given);
    }
    Statement evaluated(*m_connection, QStringLiteral("SELECT ") + defaults.join(QStringLiteral(", ")));
    evaluated.step();
    // nothing throws once the first is copied
    m_defaults.reserve(std::size_t(m_columns.size()));
    for (int i = 0; i < m_columns.size(); ++i)
        m_defaults.push_back(sqlite3_value_dup(evaluated.raw(i)));
}

RowAppender::~RowAppender()
{
    for (sqlite3_value* value : m_defaults)
        sqlite3_value_free(value);
}

qint64 RowAppender::newRow()
{
    m_insert->reset();
    for (std::size_t i = 0; i < m_defaults.size(); ++i)
        sqlite3_bind_value(m_insert->statement(), int(i) + 1, m_defaults[i]);
    if (!m_keyed)
        return 0;
    const qint64 key = m_connection->reserveKey(m_table);
    m_insert->bindKey(int(m_columns.size()) + 1, key);
    return key;
}

void RowAppender::set(int i, const Value& value)
{
    m_insert->bind(i + 1, value, m_columns[i]);
}

void RowAppender::append()
{
    m_connection->beforeWrite(nullptr, m_table);
    m_insert->step();
    m_insert->reset();
}
