#pragma once

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// The collection as CSV: every item a line, lookups as their descriptions,
// yes/no as "Yes" and "No", dates as yyyy-mm-dd, money and quantities as
// plain decimals with a dot, exactly as stored.
namespace ItemTransfer {

// The header and the lines of every item, in the order the items were made.
// Throws DbError when the store cannot be read; false when a line could not
// be written (the writer knows why).
bool exportItems(Database& db, const std::function<bool(const QString&)>& writeLine);

// A row of the file that is not imported, and why.
struct Refusal
{
    qint64 line = 0;
    QString reason;
};

// What an import would do, found without writing anything.
struct Summary
{
    qint64 rows = 0; // rows that will be added
    // descriptions not yet in each lookup table, by the table's title
    QList<std::pair<QString, QStringList>> newLookups;
    int newLookupCount() const;
    QList<Refusal> refused;
    QByteArray fileDigest; // of the text examined, which the import must read again
};

// A file that cannot be imported at all, and why, in words for the collector.
struct Unreadable
{
    QString reason;
};

// Reads the whole file and checks every row as the store checks a typed
// item; writes nothing. Throws Unreadable for a file that is not CSV, is
// empty, names a column the program does not know, or cannot be read.
Summary examine(Database& db, QIODevice& file);

// Adds the rows examine accepts, with their new lookup entries, in one
// transaction: all of them or nothing. The file is read again from its start.
// Throws Unreadable when it is no longer the text examined, DbError on a
// failure of the store; nothing is written then.
void import(Database& db, QIODevice& file, const Summary& examined);

} // namespace ItemTransfer
