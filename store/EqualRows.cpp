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
    QString emptyBefore; // the fields before, each empty, with %1 for the row
    for (const QString& field : lookedUpBy) {
        const QString name = quotedName(field);
        lookedUp.append(
            QStringLiteral("(%1coalesce(n.%2, '') <> '' AND o.%2 = n.%2)")
                .arg(QString(emptyBefore).replace(QStringLiteral("%1"), QStringLiteral("n")), name));
        emptyBefore += QStringLiteral("coalesce(%1.") + name + QStringLiteral(", '') = '' AND ");
    }
    const QString by = lookedUp.join(QStringLiteral(" OR "));
    m_lookedUp = QStringLiteral("SELECT n.%2 FROM %1 AS n WHERE n.%2 >= ?1 AND EXISTS (SELECT 1 FROM %1 AS o "
                                "WHERE (%3) AND o.%2 < n.%2 AND %4)")
                     .arg(quotedName(table), key, by, same);
    // many rows are narrowed first to those that share the fields looked up
    // by with a row of smaller key, found by sorting the table once on those
    // fields alone, and only these are compared whole
    QStringList shared;
    for (const QString& field : lookedUpBy)
        shared.append(QStringLiteral("coalesce(%1, '') COLLATE BINARY").arg(quotedName(field)));
    const QString candidates =
        QStringLiteral("SELECT %2 FROM %1 WHERE %2 >= ?1 AND %2 NOT IN (SELECT min(%2) FROM %1 GROUP BY %3)")
            .arg(quotedName(table), key, shared.join(QStringLiteral(", ")));
    m_grouped =
        QStringLiteral("SELECT n.%2 FROM %1 AS n WHERE n.%2 IN (%3) AND EXISTS (SELECT 1 FROM %1 AS o "
                       "WHERE (%4) AND o.%2 < n.%2 AND %5)")
            .arg(quotedName(table), key, candidates, by, same);
    m_equalBefore = QStringLiteral("EXISTS (SELECT 1 FROM %1 AS o WHERE (%3) AND o.%2 < ?1 AND %4)")
                        .arg(quotedName(table), key, by, same);
    m_key = key;
}

EqualRows::~EqualRows() = default;

// Few rows from firstKey among many are each looked up through an index;
// as many as there were before them or more are found faster by sorting the
// whole table once.
QString EqualRows::laterRows(qint64 firstKey) const
{
    Statement later(*m_connection,
                    QStringLiteral("SELECT count(*) FILTER (WHERE %2 >= ?1), count(*) FILTER (WHERE %2 < ?1) "
                                   "FROM %1")
                        .arg(quotedName(m_table), m_key));
    later.bindKey(1, firstKey);
    later.step();
    return later.int64(0) >= later.int64(1) ? m_grouped : m_lookedUp;
}

EqualRows::Count EqualRows::countFrom(qint64 firstKey)
{
    // only the rows found are looked up again among those before firstKey
    Statement count(
        *m_connection,
        QStringLiteral("SELECT count(*), count(*) FILTER (WHERE %3) FROM %1 AS n WHERE n.%2 IN (%4)")
            .arg(quotedName(m_table), m_key, m_equalBefore, laterRows(firstKey)));
    count.bindKey(1, firstKey);
    count.step();
    return {count.int64(0), count.int64(1)};
}

qint64 EqualRows::deleteFrom(qint64 firstKey)
{
    m_connection->beforeWrite(nullptr, m_table);
    Statement remove(*m_connection, QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)")
                                        .arg(quotedName(m_table), m_key, laterRows(firstKey)));
    remove.bindKey(1, firstKey);
    remove.step();
    return sqlite3_changes64(m_connection->handle());
}
