#include "RowAppender.h"

#include "Connection.h"
#include "DbError.h"
#include "TextOrder.h"

#include <QHash>

#include <sqlite3.h>

RowAppender::RowAppender(std::shared_ptr<Connection> connection, const QString& table,
                         const QStringList& fields)
    : m_connection(std::move(connection))
    , m_table(table)
    , m_fields(fields)
{
    // the fields as ?1 on, the key after them, then the sort keys of those
    // that keep one
    QStringList names;
    QStringList places;
    QStringList keyNames;
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
        if (!column->sortKey.isEmpty())
            keyNames.append(quotedName(column->sortKey));
    }
    m_keyed = !key.isEmpty();
    if (m_keyed) {
        names.append(quotedName(key));
        places.append(QStringLiteral("?%1").arg(m_columns.size() + 1));
    }
    int place = int(m_columns.size()) + 2;
    for (const ColumnInfo& column : m_columns) {
        m_sortKeyPlaces.push_back(column.sortKey.isEmpty() ? 0 : place);
        if (!column.sortKey.isEmpty())
            places.append(QStringLiteral("?%1").arg(place++));
    }
    m_sortKeys.resize(std::size_t(place - int(m_columns.size()) - 2));
    m_insert = std::make_unique<Statement>(
        *m_connection, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(quotedName(table), (names + keyNames).join(QStringLiteral(", ")),
                                places.join(QStringLiteral(", "))));
    // a field the row leaves unset takes its column's default, as in an
    // insert that does not name it, and the sort key of that
    Statement declared(*m_connection, QStringLiteral("SELECT name, dflt_value FROM pragma_table_info(?1)"));
    declared.bindText(1, table.toUtf8());
    QHash<QString, QString> declaredDefaults;
    while (declared.step())
        declaredDefaults.insert(textOf(declared.value(0, FieldType::Text)).toLower(),
                                textOf(declared.value(1, FieldType::Text)));
    QStringList defaults;
    QStringList defaultKeys;
    for (const ColumnInfo& column : m_columns) {
        const QString given = declaredDefaults.value(column.name.toLower());
        defaults.append(given.isEmpty() ? QStringLiteral("NULL") : given);
        if (!column.sortKey.isEmpty())
            defaultKeys.append(QStringLiteral("sortkey(%1)").arg(defaults.last()));
    }
    Statement evaluated(*m_connection,
                        QStringLiteral("SELECT ") + (defaults + defaultKeys).join(QStringLiteral(", ")));
    evaluated.step();
    // nothing throws once the first is copied
    const int count = int(defaults.size() + defaultKeys.size());
    m_defaults.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        m_defaults.push_back(sqlite3_value_dup(evaluated.raw(i)));
}

RowAppender::~RowAppender()
{
    for (sqlite3_value* value : m_defaults)
        sqlite3_value_free(value);
}

std::unique_ptr<RowChecker> RowAppender::checker() const
{
    return std::make_unique<RowChecker>(*m_connection, m_table, m_fields);
}

// While a transaction holds the file, and since this appender's last row
// nothing was written and no key reserved, the key after that row's is free;
// otherwise the connection asks the file.
qint64 RowAppender::nextKey()
{
    sqlite3* db = m_connection->handle();
    if (m_lastKey > 0 && !sqlite3_get_autocommit(db) && sqlite3_total_changes64(db) == m_changesAfterLast &&
        m_connection->reservations() == m_reservationsAfterLast)
        return m_lastKey + 1;
    const qint64 key = m_connection->reserveKey(m_table);
    m_reservationsAfterLast = m_connection->reservations();
    return key;
}

qint64 RowAppender::append(const RowChecker::Row& row)
{
    if (row.m_fields.size() != std::size_t(m_columns.size()))
        throw DbError(DbError::EngineFailure, QStringLiteral("The row was readied for other fields."));
    m_connection->beforeWrite(nullptr, m_table);
    qint64 key = 0;
    // the statement is left reset, its values cleared, after each row
    try {
        key = bind(row);
        m_insert->step();
    } catch (...) {
        m_insert->reset();
        throw;
    }
    m_insert->reset();
    m_lastKey = key;
    m_changesAfterLast = sqlite3_total_changes64(m_connection->handle());
    return key;
}

// Binds the row's values, or the defaults of the fields it leaves unset, and
// the sort keys; its key.
qint64 RowAppender::bind(const RowChecker::Row& row)
{
    sqlite3_stmt* insert = m_insert->statement();
    std::size_t sortKey = 0; // of the fields that keep one, the place of the next
    int rc = SQLITE_OK;
    const auto bound = [&](int result) {
        if (rc == SQLITE_OK)
            rc = result;
    };
    for (std::size_t i = 0; i < row.m_fields.size(); ++i) {
        const RowChecker::Row::Field& field = row.m_fields[i];
        const int place = int(i) + 1;
        const int keyPlace = m_sortKeyPlaces[i];
        if (!field.set) {
            bound(sqlite3_bind_value(insert, place, m_defaults[i]));
            if (keyPlace)
                bound(sqlite3_bind_value(insert, keyPlace, m_defaults[m_columns.size() + sortKey]));
        } else if (const qint64* n = std::get_if<qint64>(&field.value)) {
            bound(sqlite3_bind_int64(insert, place, *n));
        } else if (const double* d = std::get_if<double>(&field.value)) {
            bound(sqlite3_bind_double(insert, place, *d));
        } else if (const QByteArray* text = std::get_if<QByteArray>(&field.value)) {
            bound(sqlite3_bind_text(insert, place, text->constData(), int(text->size()), SQLITE_STATIC));
        } else {
            bound(sqlite3_bind_null(insert, place));
        }
        // the sort key of a text, made as the store makes it for any write
        if (field.set && keyPlace) {
            const QByteArray* text = std::get_if<QByteArray>(&field.value);
            if (!text) {
                bound(sqlite3_bind_null(insert, keyPlace));
            } else {
                QByteArray& key = m_sortKeys[sortKey];
                key = m_connection->order().sortKey(QString::fromUtf8(*text));
                bound(sqlite3_bind_blob(insert, keyPlace, key.constData(), int(key.size()), SQLITE_STATIC));
            }
        }
        if (keyPlace)
            ++sortKey;
    }
    const qint64 key = m_keyed ? nextKey() : 0;
    if (m_keyed)
        bound(sqlite3_bind_int64(insert, int(m_columns.size()) + 1, key));
    if (rc != SQLITE_OK)
        m_connection->fail(rc);
    return key;
}
