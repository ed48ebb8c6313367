#pragma once

#include <QChar>
#include <QIODevice>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

class RegionalSettings;

// How the columns of a CSV file that another program wrote are matched to the
// fields of an item, and how its dates, amounts and yes/no values are read.
// No value is ever read as another value: one that could be read two ways
// under the chosen settings is refused, never guessed. A value read is given
// as the program's own export writes it (yyyy-mm-dd, a plain decimal with a
// dot, "Yes" or "No"), for the import to check and store as it does those.
namespace ColumnMatch {

// The field of ItemTransfer::itemFields() a column's name stands for, by the
// field's own name (in the window or in the item table), the names other programs and spreadsheets give it
// (in English and German), letter case, blanks and punctuation aside.
std::optional<int> fieldNamed(const QString& name);

// Each column's field, or -1 to leave it out; every field at most once, the
// first column of a name taking it.
QList<int> matchHeader(const QStringList& header);

// Whether the header names only the program's own columns, so that the file
// needs no matching.
bool isOwnHeader(const QStringList& header);

enum class DateOrder
{
    YearMonthDay,
    DayMonthYear,
    MonthDayYear
};

// The order of a date column, found from its values: a value that reads in
// only one order decides it (one that begins with its year reads so in
// every order, and decides year first only for a column of such dates).
// Nothing when no value decides it (every value reads in both day-first and
// month-first order, or none is a date), or when two values decide it
// differently; ambiguous tells the first case.
std::optional<DateOrder> dateOrderOf(const QStringList& values, bool* ambiguous = nullptr);

// How an amount column writes its numbers.
struct AmountFormat
{
    QChar decimalMark;
    QChar groupMark; // none when numbers are not grouped
};

// The format of an amount column, found from its values: "1.234,56" and
// "1,234.56" decide both marks, "12,5" the decimal comma, "1,234,567" the
// grouping comma. Nothing when no value decides it (as "1,234" alone, which
// reads as a thousand or as one), or when two values decide it differently.
// groupDecided tells whether the values told the group mark too, or it is
// only the other of the two marks.
std::optional<AmountFormat> amountFormatOf(const QStringList& values, bool* groupDecided = nullptr);

// A value read, as the export writes it, or why it cannot be: refused is
// empty for a value read. An empty cell reads as empty.
struct Read
{
    QString text;
    QString refused;
};

Read readDate(const QString& value, DateOrder order);
// A currency sign or code before or after the number is taken off; more
// than four decimals, or grouping off its groups of three, are refused.
Read readAmount(const QString& value, AmountFormat format);
// A whole number, as a quantity is written: digits, after a minus perhaps.
Read readWhole(const QString& value);
// yes/no, true/false, y/n, x (and an empty cell for no), 1/0, and the words
// of the language of locale.
Read readYesNo(const QString& value, const QLocale& locale);

// A file's columns as matched, with how each is read.
struct Column
{
    int field = -1; // of ItemTransfer::itemFields(), or -1 to leave it out
    DateOrder dateOrder = DateOrder::YearMonthDay;
    AmountFormat amountFormat{QLatin1Char('.'), QChar()};
};

struct Mapping
{
    QList<Column> columns;
    QLocale locale;   // whose words yes and no are read
    QString encoding; // of the file's text, empty for UTF-8

    // The program's own names of the fields matched, in the file's order.
    QStringList header() const;
    // A value of a matched column read as its field is read.
    Read read(qsizetype column, const QString& value) const;
    // Why a row cannot be read: by kind, and in full.
    struct Unread
    {
        QString kind;
        QString text;
    };
    // Makes a record of the file (of fieldCount fields, some perhaps read
    // past) the program's own columns of header(), in place; or tells why it
    // cannot be read.
    std::optional<Unread> row(QStringList& record, qsizetype fieldCount) const;
};

// A value read, as the export writes it, as the item window shows the field
// (dates in the short date format, amounts in the currency format).
QString shownAs(int field, const QString& text, const RegionalSettings& regional);

// The code page a program of the locale's language writes text in when it
// does not write UTF-8 ("windows-1252" for the languages of Western Europe).
QString legacyEncoding(const QLocale& locale);

// A file's header and first rows, read as UTF-8 or, where the file is in
// another code page, in the locale's legacy one (encoding then names it);
// failure says why it cannot be read. A file in UTF-8 in part only is not
// read, as one of its code pages would read the other's characters wrong.
struct Sample
{
    QStringList header;
    QList<QStringList> rows;
    QString encoding;
    QString failure;
    static constexpr int kRows = 20;
};
Sample sampleOf(QIODevice& file, const QLocale& locale);

// The values of each column of a whole file, each once and without its end
// blanks, empty ones left out: at most kMost of a column, more telling that
// there were others.
struct Distinct
{
    QStringList values;
    bool more = false;
    static constexpr qsizetype kMost = 1000;
};
QList<Distinct> distinctValues(QIODevice& file, const QString& encoding);

// A first mapping of a file from its header and first rows: the columns
// matched by their names, and each date and amount column read as its values
// tell, or as the locale writes dates and numbers where they do not.
Mapping propose(const QStringList& header, const QList<QStringList>& sample, const QLocale& locale,
                const QString& encoding = {});

} // namespace ColumnMatch
