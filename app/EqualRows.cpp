#include "EqualRows.h"

#include "Connection.h"

EqualRows::EqualRows(std::shared_ptr<Connection> connection, const QString& table,
                     const QStringList& lookedUpBy, const QStringList& compared)
    : m_connection(std::move(connection))
    , m_table(table)
{
    QString key;
    for (const ColumnInfo& column : m_connection->columns(table))
        if (column.autoNumber)
            key = quotedName(column.name);
    // row n is the one asked about, o a row it may equal
    QStringList equal;
    for (const QString& expression : compared)
        equal.append(
            QStringLiteral("%1 = %2 COLLATE BINARY")
                .arg(QString(expression).arg(QLatin1Char('o')), QString(expression).arg(QLatin1Char('n'))));
    const QString same = equal.join(QStringLiteral(" AND "));
    // each row is looked up by the first of the fields it does not leave
    // empty, through that field's index (its letter case aside)
    QStringList lookedUp;
    QStringList emptyBefore;
    for (const QString& field : lookedUpBy) {
        const QString name = quotedName(field);
        lookedUp.append(QStringLiteral("(%1coalesce(n.%2, '') <> '' AND o.%2 = n.%2)")
                            .arg(emptyBefore.join(QString()), name));
        emptyBefore.append(QStringLiteral("coalesce(n.%1, '') = '' AND ").arg(name));
    }
    const QString by = lookedUp.join(QStringLiteral(" OR "));
    m_laterRows =
        QStringLiteral("SELECT n.%2 FROM %1 AS n WHERE n.%2 >= ?1 AND EXISTS (SELECT 1 FROM %1 AS o "
                       "WHERE (%3) AND o.%2 < n.%2 AND %4)")
            .arg(quotedName(table), key, by, same);
    m_key = key;
}

EqualRows::~EqualRows() = default;

qint64 EqualRows::countFrom(qint64 firstKey)
{
    Statement count(*m_connection, QStringLiteral("SELECT count(*) FROM (%1)").arg(m_laterRows));
    count.bindKey(1, firstKey);
    count.step();
    return count.int64(0);
}

qint64 EqualRows::deleteFrom(qint64 firstKey)
{
    m_connection->beforeWrite(nullptr, m_table);
    Statement remove(
        *m_connection,
        QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)").arg(quotedName(m_table), m_key, m_laterRows));
    remove.bindKey(1, firstKey);
    remove.step();
    return sqlite3_changes64(m_connection->handle());
}
