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

// How an amount column writes its numbers.
struct AmountFormat
{
    QChar decimalMark;
    QChar groupMark; // none when numbers are not grouped
};

// What the values of a column tell of how its dates and amounts are
// written, gathered one value at a time (each value once is enough), so that
// a whole file is judged, every value of it.
class Evidence
{
public:
    void add(const QString& value);
    // What the values of another column tell beside these.
    void add(const Evidence& other);

    // The order the dates tell: a value that reads in only one order decides
    // it (one that begins with its year reads so in every order, and decides
    // year first only for a column of such dates). Nothing when no value
    // decides it, or when two values decide it differently.
    std::optional<DateOrder> dateOrder() const;
    // Whether a date reads both day first and month first, as two days.
    bool datesReadBothWays() const { return m_bothWays; }
    // Whether an amount reads both as a decimal and as grouped thousands,
    // as "1.250" and "1,250" do.
    bool amountsReadBothWays() const { return m_amountsBothWays; }
    // The format the amounts tell: "1.234,56" and "1,234.56" decide both
    // marks, "12,5" the decimal comma, "1,234,567" the grouping comma.
    // Nothing when no value decides it (as "1,234" alone, which reads as a
    // thousand or as one), or when two values decide it differently.
    // groupDecided tells whether the values told the group mark too, or it
    // is only the other of the two marks.
    std::optional<AmountFormat> amountFormat(bool* groupDecided = nullptr) const;

private:
    void decide(QChar& mark, QChar found);

    bool m_dayFirst = false;
    bool m_monthFirst = false;
    bool m_bothWays = false;
    bool m_yearFirst = false;
    bool m_amountsBothWays = false;
    QChar m_decimal;
    QChar m_group;
    bool m_marksDisagree = false;
};

// The order of a date column, found from its values as Evidence finds it;
// ambiguous tells that none decides it and a value reads both ways.
std::optional<DateOrder> dateOrderOf(const QStringList& values, bool* ambiguous = nullptr);

// The format of an amount column, found from its values as Evidence finds it.
std::optional<AmountFormat> amountFormatOf(const QStringList& values, bool* groupDecided = nullptr);

// The order the locale writes its short dates in.
DateOrder localeDateOrder(const QLocale& locale);

// A value read, as the export writes it, or why it cannot be: refused is
// empty for a value read. An empty cell reads as empty.
struct Read
{
    QString text;
    QString refused;
};

// order: nothing when nobody told the order of the value's column, where a
// date that reads both day first and month first is refused.
Read readDate(const QString& value, std::optional<DateOrder> order);
// A currency sign or code before or after the number is taken off; more
// than four decimals, or grouping off its groups of three, are refused.
// format: nothing when nobody told the format of the value's column, where
// a value is read as it reads, and one that reads both as a decimal and as
// grouped thousands is refused.
Read readAmount(const QString& value, std::optional<AmountFormat> format);
// A whole number, as a quantity is written: digits, after a minus perhaps.
Read readWhole(const QString& value);
// yes/no, true/false, y/n, x (and an empty cell for no), 1/0, and the words
// of the language of locale.
Read readYesNo(const QString& value, const QLocale& locale);

// Who told a column's reading: its own values, the collector for the file,
// the values of the file's other columns of its kind, the collector at the
// last import of a file of these columns, or nobody.
enum class Told
{
    Values,
    Chosen,
    OtherColumns,
    LastImport,
    Nobody
};

// A file's columns as matched, with how each is read.
struct Column
{
    int field = -1; // of ItemTransfer::itemFields(), or -1 to leave it out
    // nothing while nobody told it
    std::optional<DateOrder> dateOrder = DateOrder::YearMonthDay;
    std::optional<AmountFormat> amountFormat = AmountFormat{QLatin1Char('.'), QChar()};
    Told dateTold = Told::Nobody;
    Told amountTold = Told::Nobody;
    // the format of this column at the last import of a file of these columns
    std::optional<AmountFormat> keptFormat;
    // what the column's own values tell of their reading
    Evidence values;
};

struct Mapping
{
    QList<Column> columns;
    QLocale locale;   // whose words yes and no are read
    QString encoding; // of the file's text, empty for UTF-8
    // The file's reading, for the columns whose own values do not tell
    // theirs (nothing while nobody told it): as the collector chose it for
    // the file, else as the file's columns of its kind tell together, else
    // (dates) as kept from the last import of a file of these columns.
    std::optional<DateOrder> dateOrder;
    std::optional<AmountFormat> amountFormat;
    // chosen by the collector for the file, and kept from the last import
    std::optional<DateOrder> chosenOrder;
    std::optional<AmountFormat> chosenFormat;
    std::optional<DateOrder> keptOrder;

    // The collector's choice for the file (nothing for none), each column
    // then read anew as readAsTold reads it.
    void readFileAs(std::optional<DateOrder> order, std::optional<AmountFormat> format);
    // Each column read as its own values tell, else in the file's order and
    // format, which become dateOrder and amountFormat: the dates of the date
    // columns tell it together (day or month first), and the amounts of the
    // amount columns (grouped as the locale groups where they tell only its
    // decimal mark); an amount column nobody else told is read as kept for
    // it. A column whose values tell only the decimal mark is grouped as the
    // file's format groups where its mark is the format's, else by the other
    // mark. Where nothing tells it, the reading is nobody's: each value is
    // read as it reads, and one that reads two ways is refused.
    void readAsTold();
    // What the values of the columns matched to dates, or to amounts, tell
    // together.
    Evidence datesTell() const;
    Evidence amountsTell() const;

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
// there were others; and what every value of it tells of its reading.
struct Distinct
{
    QStringList values;
    bool more = false;
    Evidence told;
    static constexpr qsizetype kMost = 1000;
};
QList<Distinct> distinctValues(QIODevice& file, const QString& encoding);

// A first mapping of a file from its header and the values of its columns:
// the columns matched by their names, and read as told (Mapping::readAsTold).
Mapping proposeForFile(const QStringList& header, const QList<Distinct>& file, const QLocale& locale,
                       const QString& encoding = {});
// The same from the first rows of a file alone.
Mapping propose(const QStringList& header, const QList<QStringList>& sample, const QLocale& locale,
                const QString& encoding = {});

} // namespace ColumnMatch
