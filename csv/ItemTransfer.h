#pragma once

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Database;
namespace ColumnMatch {
struct Mapping;
}

// The collection as CSV: every item a line, lookups as their descriptions,
// yes/no as "Yes" and "No", dates as yyyy-mm-dd, money and quantities as
// plain decimals with a dot, exactly as stored. A text that a spreadsheet
// would take for a formula (or that begins with an apostrophe) is written
// after one apostrophe, which the import takes off again.
//
// While some item has photos, a last column "Photos" lists each item's photos
// in order, separated by ";", as the names of their files in a folder beside
// the CSV file (named after it: "Plonkos_photos" beside "Plonkos.csv"): each
// picture once, named by the SHA-256 of its bytes, with its type's suffix.
namespace ItemTransfer {

// What a column of the file holds, as the import reads it.
enum class FieldKind
{
    Text,
    YesNo,
    Long,
    Amount,
    Date,
    Lookup
};
struct Field
{
    QString header; // as the item window names it, and the export writes it
    FieldKind kind;
    QString name; // in the item table, which a header may give too
};
// The fields of an item a file's columns may hold, in the export's order.
QList<Field> itemFields();

// The values of a column of a lookup field (of itemFields()) as the import
// matches them to the table's entries: added tells how many entries they
// would add (none for a value spelt as an entry but for letter case and end
// blanks, one for values alike but for those), storedAs the description a
// value is stored as (the entry's own spelling where it stands for one
// entry). Throws DbError when the store cannot be read.
struct LookupMatch
{
    std::function<qsizetype(int field, const QStringList& values)> added;
    std::function<QString(int field, const QString& value)> storedAs;
};
LookupMatch lookupMatch(Database& db);

// The folder of the photos of a CSV file.
QString photoFolder(const QString& csvPath);

// The header and the lines of every item, in the order the items were made.
// Throws DbError when the store cannot be read; false when a line could not
// be written (the writer knows why).
bool exportItems(Database& db, const std::function<bool(const QString&)>& writeLine);

// Writes every picture an item shows into the folder, made where missing,
// each as its file held it, telling step after each (done of total): why it
// could not, or nothing. Stopped by step, or failing, it takes away the files
// it made, and the folder if it made it. Throws DbError when the store
// cannot be read.
std::optional<QString> exportPhotos(Database& db, const QString& folder,
                                    const std::function<bool(qint64 done, qint64 total)>& step = {});

// A row of the file, and what is said of it.
struct Refusal
{
    qint64 line = 0;
    QString reason;
};

// Lines said of rows: the first kKept whole, the rest only counted by their
// kind, so that a file of a million bad rows takes no more memory than one
// of a thousand.
class RowNotes
{
public:
    static constexpr qsizetype kKept = 1000;

    void add(qint64 line, const QString& kind, const QString& text);
    const QList<Refusal>& kept() const { return m_kept; }
    qint64 count() const { return m_count; }
    // the rows beyond those kept, by kind, in the order the kinds came
    const QList<std::pair<QString, qint64>>& more() const { return m_more; }

private:
    QList<Refusal> m_kept;
    QList<std::pair<QString, qint64>> m_more;
    qint64 m_count = 0;
};

// What an import wrote, inside the caller's transaction, for the collector
// to keep or give up.
struct Summary
{
    qint64 rows = 0;     // rows written, doubles among them
    qint64 doubles = 0;  // rows equal to an item there before, or to an earlier row of the file
    qint64 repeats = 0;  // of the doubles, those equal to no item there before, only to an earlier row
    qint64 firstKey = 0; // of the first item written
    // descriptions made new entries in each lookup table, by the table's
    // title: the first RowNotes::kKept of them in all
    QList<std::pair<QString, QStringList>> newLookups;
    int newLookupCount = 0;
    RowNotes refused;
    // rows whose description was taken for an entry spelt otherwise
    RowNotes respelt;
};

// A file that cannot be imported at all, and why, in words for the collector.
struct Unreadable
{
    QString reason;
};

// Reads the file once, checks every row as the store checks a typed item and
// writes each row it accepts, with the lookup entries the rows need, inside
// the transaction the caller holds open: the caller commits or rolls back
// after showing the summary. Throws Unreadable for a file that is not CSV,
// is empty, names a column the program does not know, or cannot be read, and
// DbError on a failure of the store; the caller rolls back then. The photos
// a row lists are read from photoFolder (a path may also be whole); a photo
// that cannot be read or kept refuses its row.
// Told the rows written after each, step may stop the import: Stopped is
// thrown, and the caller rolls back. A file of another program's columns is
// read through the mapping made of it: its header is not read for names, and
// a row with a value the mapping cannot read is refused. A file of the
// program's own columns is read in encoding (empty for UTF-8).
struct Stopped
{
};
Summary importRows(Database& db, QIODevice& file, const QString& photoFolder = {},
                   const std::function<bool(qint64 rows)>& step = {},
                   const ColumnMatch::Mapping* mapping = nullptr, const QString& encoding = {});

// Takes the doubles the summary counted out again, before the commit.
void leaveOutDoubles(Database& db, const Summary& summary);

} // namespace ItemTransfer
