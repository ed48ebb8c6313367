#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class Connection;

// Rows of a table that equal a row of smaller key in every expression
// compared, each written with %1 for the row (texts exactly, letter case and
// all). A row that leaves every field looked up by empty equals none. Each
// row is looked up through the index of the first of those fields it does
// not leave empty; many rows are first narrowed, by sorting the table once
// on those fields, to those that share them with a row of smaller key.
// Neither reads the whole table once for each row.
class EqualRows
{
public:
    EqualRows(std::shared_ptr<Connection> connection, const QString& table, const QStringList& lookedUpBy,
              const QStringList& compared);
    ~EqualRows();
    EqualRows(const EqualRows&) = delete;
    EqualRows& operator=(const EqualRows&) = delete;

    // The rows from firstKey on that equal a row of smaller key (the first
    // of equal rows is not counted), and how many of them equal a row of key
    // below firstKey.
    struct Count
    {
        qint64 rows = 0;
        qint64 equalBefore = 0;
    };
    Count countFrom(qint64 firstKey);
    // Deletes the rows countFrom counts; the number deleted.
    qint64 deleteFrom(qint64 firstKey);

private:
    std::shared_ptr<Connection> m_connection;
    QString m_table;
    // The keys of the rows from ?1 on that equal a row of smaller key, found
    // the way that suits the number of rows from firstKey.
    QString laterRows(qint64 firstKey) const;

    QString m_key;
    QString m_equalBefore; // a row n equals one of key below ?1
    QString m_lookedUp;    // each row through an index
    QString m_grouped;     // narrowed by sorting every row once
};
