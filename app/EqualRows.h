#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class Connection;

// Rows of a table that equal a row of smaller key in every expression
// compared, each written with %1 for the row (texts exactly, letter case and
// all). A row is looked up through the index of the first of the fields
// looked up by that it does not leave empty, never by reading the whole
// table; a row that leaves all of them empty equals none.
class EqualRows
{
public:
    EqualRows(std::shared_ptr<Connection> connection, const QString& table, const QStringList& lookedUpBy,
              const QStringList& compared);
    ~EqualRows();
    EqualRows(const EqualRows&) = delete;
    EqualRows& operator=(const EqualRows&) = delete;

    // The rows from firstKey on that equal a row of smaller key; the first
    // of equal rows is not counted. Each is found in one pass over the rows
    // from firstKey, the rows they may equal through an index.
    qint64 countFrom(qint64 firstKey);
    // Deletes the rows countFrom counts; the number deleted.
    qint64 deleteFrom(qint64 firstKey);

private:
    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QString m_key;
    // the keys of the rows from ?1 on that equal a row of smaller key
    QString m_laterRows;
};
