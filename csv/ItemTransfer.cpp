#include "ItemTransfer.h"

#include "CsvText.h"

#include "app/Database.h"
#include "app/DbError.h"
#include "app/RegionalSettings.h"
#include "app/StringHelpers.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <array>
#include <optional>
#include <variant>

namespace ItemTransfer {
namespace {

using RecordsetType = Database::RecordsetType;

struct LookupTableInfo
{
    const char* table;
    const char* key;
    const char* description;
};

// The six lookup tables, in the order of the columns that name them.
constexpr std::array<LookupTableInfo, 6> kLookupTables = {{{"condition", "ConID", "ConDesc"},
                                                           {"tagcon", "tagID", "tagDesc"},
                                                           {"generation", "genID", "genDesc"},
                                                           {"series", "serID", "serDesc"},
                                                           {"brand", "braID", "braDesc"},
                                                           {"boughtfrom", "bouID", "bouDesc"}}};

enum class Kind
{
    Text,
    YesNo,
    Long,
    Amount,
    Date,
    Lookup
};

struct Column
{
    const char* header; // as the item window names the field
    const char* field;
    Kind kind;
    int lookup = -1;
};

// Every field a collector keeps, in the order of the table; the key, which
// the store gives, and the catalogue sort key, made from the catalogue number
// as for a typed item, are left out.
constexpr std::array<Column, 31> kColumns = {{{"Name", "Name", Kind::Text},
                                              {"Description", "descr", Kind::Text},
                                              {"Catalog Number", "catnum", Kind::Text},
                                              {"Want List", "wantlist", Kind::YesNo},
                                              {"Quantity", "quantity", Kind::Long},
                                              {"Plonko Condition", "toycon", Kind::Lookup, 0},
                                              {"Has Swing Tag", "hastag", Kind::YesNo},
                                              {"Swing Tag Condition", "tagcon", Kind::Lookup, 1},
                                              {"Tag Generation", "genID", Kind::Lookup, 2},
                                              {"Has Tush Tag", "hastush", Kind::YesNo},
                                              {"Tush Tag Description", "tushdesc", Kind::Text},
                                              {"Special Series", "serID", Kind::Lookup, 3},
                                              {"Brand", "braID", Kind::Lookup, 4},
                                              {"Color", "Color", Kind::Text},
                                              {"Errors", "Errors", Kind::Text},
                                              {"Birthday", "issuedate", Kind::Date},
                                              {"Retirement Date", "retiredate", Kind::Date},
                                              {"Price Paid", "pricepaid", Kind::Amount},
                                              {"Total Paid", "totalpaid", Kind::Amount},
                                              {"Bought From", "bouID", Kind::Lookup, 5},
                                              {"Catalog Value", "catvalue", Kind::Amount},
                                              {"Total Value", "totalval", Kind::Amount},
                                              {"Selling Price", "priceask", Kind::Amount},
                                              {"Total Sales", "totalsales", Kind::Amount},
                                              {"For Sale", "forsale", Kind::YesNo},
                                              {"Purchase Date", "PurchaseDate", Kind::Date},
                                              {"Sold", "sold", Kind::YesNo},
                                              {"Date Sold", "SoldDate", Kind::Date},
                                              {"Notes", "notes", Kind::Text},
                                              {"Misc. 1", "misc1", Kind::Text},
                                              {"Misc. 2", "misc2", Kind::Text}}};

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

// A column's field name, made once: every row names every field.
const QString& fieldName(const Column& column)
{
    static const auto names = [] {
        std::array<QString, kColumns.size()> made;
        for (std::size_t i = 0; i < kColumns.size(); ++i)
            made[i] = latin(kColumns[i].field);
        return made;
    }();
    return names[std::size_t(&column - kColumns.data())];
}

// The entries of the six lookup tables, by key and by description (letter
// case and blanks at the ends aside, the first of equal descriptions), with
// those an import adds.
class LookupLists
{
public:
    explicit LookupLists(Database& db)
    {
        for (std::size_t t = 0; t < kLookupTables.size(); ++t) {
            const LookupTableInfo& info = kLookupTables[t];
            std::unique_ptr<Recordset> rows =
                db.OpenRecordset(QStringLiteral("Select %1, %2 from %3 order by %1")
                                     .arg(latin(info.key), latin(info.description), latin(info.table)),
                                 RecordsetType::ForwardOnly);
            for (; !rows->AtEOF(); rows->MoveNext()) {
                const std::optional<qint32> key = longOf(rows->FieldAt(0));
                if (!key)
                    continue;
                const QString description = textOf(rows->FieldAt(1));
                m_descriptions[t].insert(*key, description);
                if (!m_keys[t].contains(matching(description)))
                    m_keys[t].insert(matching(description), *key);
            }
        }
    }

    QString description(int table, const Value& key) const
    {
        const std::optional<qint32> k = longOf(key);
        return k ? m_descriptions[std::size_t(table)].value(*k) : QString();
    }
    std::optional<qint32> key(int table, const QString& description) const
    {
        const auto found = m_keys[std::size_t(table)].constFind(matching(description));
        return found == m_keys[std::size_t(table)].cend() ? std::nullopt : std::optional<qint32>(*found);
    }
    void add(int table, const QString& description, qint32 key)
    {
        m_descriptions[std::size_t(table)].insert(key, description);
        m_keys[std::size_t(table)].insert(matching(description), key);
    }
    static QString matching(const QString& description) { return description.trimmed().toCaseFolded(); }

private:
    std::array<QHash<qint32, QString>, 6> m_descriptions;
    std::array<QHash<QString, qint32>, 6> m_keys;
};

QString exported(const Value& value, const Column& column, const LookupLists& lists)
{
    switch (column.kind) {
    case Kind::YesNo:
        return boolOf(value) ? QStringLiteral("Yes") : QStringLiteral("No");
    case Kind::Long: {
        const std::optional<qint32> n = longOf(value);
        return n ? textOf(Value(*n)) : QString();
    }
    case Kind::Amount: {
        const std::optional<Money> m = moneyOf(value);
        return m ? textOf(Value(*m)) : QString();
    }
    case Kind::Date: {
        const std::optional<QDate> d = dateOf(value);
        return d ? textOf(Value(*d)) : QString();
    }
    case Kind::Lookup:
        return lists.description(column.lookup, value);
    case Kind::Text:
        break;
    }
    return textOf(value);
}

// A text quoted in a message, cut short when it is long.
QString shortened(const QString& text)
{
    constexpr qsizetype kLongest = 60;
    return text.size() <= kLongest ? text : text.left(kLongest) + QStringLiteral("...");
}

// The columns of the file, by the place of each among kColumns.
std::vector<std::size_t> readHeader(const QStringList& header)
{
    std::vector<std::size_t> columns;
    for (const QString& named : header) {
        const QString name = named.trimmed();
        const auto known = std::find_if(kColumns.begin(), kColumns.end(), [&](const Column& c) {
            return name.compare(latin(c.header), Qt::CaseInsensitive) == 0 ||
                   name.compare(latin(c.field), Qt::CaseInsensitive) == 0;
        });
        if (known == kColumns.end())
            throw Unreadable{QStringLiteral("The file has a column \"%1\", which is no field of an item. "
                                            "Remove or rename it, then import the file again.")
                                 .arg(shortened(name))};
        const std::size_t at = std::size_t(known - kColumns.begin());
        if (std::find(columns.begin(), columns.end(), at) != columns.end())
            throw Unreadable{QStringLiteral("The file has the column \"%1\" twice.").arg(shortened(name))};
        columns.push_back(at);
    }
    if (std::find(columns.begin(), columns.end(), 0) == columns.end() &&
        std::find(columns.begin(), columns.end(), 1) == columns.end())
        throw Unreadable{QStringLiteral("The file has neither a \"Name\" nor a \"Description\" column, so no "
                                        "row of it tells an item.")};
    return columns;
}

// A row ready to store: each field's value, and the descriptions of lookup
// fields whose entries are not in their table yet (their values stay null).
struct Item
{
    std::vector<std::pair<const Column*, Value>> values;
    std::vector<std::pair<const Column*, QString>> newEntries;
};

class RowReader
{
public:
    RowReader(Database& db, const LookupLists& lists)
        : m_db(db)
        , m_lists(lists)
        , m_plain(QLocale::c())
    {}

    // The item a row holds, or why it cannot be stored.
    std::variant<Item, QString> read(const QStringList& fields, const std::vector<std::size_t>& columns,
                                     QChar separator)
    {
        m_separator = separator;
        if (fields.size() > qsizetype(columns.size()))
            return QStringLiteral("it has %1 fields where the header names %2.")
                .arg(fields.size())
                .arg(columns.size());
        Item item;
        QString name;
        QString description;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& column = kColumns[columns[i]];
            const QString text = qsizetype(i) < fields.size() ? fields[qsizetype(i)] : QString();
            std::variant<Value, QString> value = valueOf(column, text, item);
            if (const QString* reason = std::get_if<QString>(&value))
                return latin(column.header) + QStringLiteral(": ") + *reason;
            try {
                m_db.CheckField(m_table, fieldName(column), std::get<Value>(value));
            } catch (const DbError& e) {
                return latin(column.header) + QStringLiteral(": ") + refusal(e, text);
            }
            if (columns[i] == 0)
                name = text;
            else if (columns[i] == 1)
                description = text;
            item.values.emplace_back(&column, std::get<Value>(value));
        }
        if (!NamesAnItem(name, description))
            return QStringLiteral("Name: the name is missing, and so is the description.");
        return item;
    }

private:
    static QString refusal(const DbError& e, const QString& text)
    {
        if (e.number() == DbError::FieldTooSmall)
            return QStringLiteral("the text is longer than the field holds (%1 characters).")
                .arg(CharacterCount(text));
        if (e.number() == DbError::NumericOverflow)
            return QStringLiteral("\"%1\" is beyond what the field holds.").arg(text);
        return e.description();
    }

    // A number as a file writes it: a minus, digits, and a decimal point with
    // digits after it: the dot, or in a file separated by semicolons (as
    // spreadsheets write it where the comma is the decimal mark) the comma too.
    // Nothing that may group thousands is read: it would read as another number.
    struct PlainNumber
    {
        QString text; // with a dot
        qsizetype decimals = 0;
    };
    std::optional<PlainNumber> plainNumber(const QString& trimmed) const
    {
        static const QRegularExpression plain(QStringLiteral("^-?\\d+(?:([.,])(\\d+))?$"));
        const QRegularExpressionMatch parts = plain.match(trimmed);
        if (!parts.hasMatch())
            return std::nullopt;
        const QString point = parts.captured(1);
        const bool semicolons = m_separator == QLatin1Char(';');
        // a comma in a file of commas, or a dot before three digits in a file
        // of semicolons, may group thousands: such a number is not read
        if (point == QLatin1String(",") && !semicolons)
            return std::nullopt;
        if (point == QLatin1String(".") && semicolons && parts.capturedLength(2) == 3)
            return std::nullopt;
        return PlainNumber{QString(trimmed).replace(QLatin1Char(','), QLatin1Char('.')),
                           parts.capturedLength(2)};
    }

    std::variant<Value, QString> valueOf(const Column& column, const QString& text, Item& item) const
    {
        const QString trimmed = text.trimmed();
        switch (column.kind) {
        case Kind::Text:
            return Value(text);
        case Kind::YesNo: {
            static const QStringList yes = {QStringLiteral("yes"), QStringLiteral("true"),
                                            QStringLiteral("1"), QStringLiteral("-1")};
            static const QStringList no = {QString(), QStringLiteral("no"), QStringLiteral("false"),
                                           QStringLiteral("0")};
            if (yes.contains(trimmed, Qt::CaseInsensitive))
                return Value(true);
            if (no.contains(trimmed, Qt::CaseInsensitive))
                return Value(false);
            return QStringLiteral("\"%1\" is neither Yes nor No.").arg(text);
        }
        case Kind::Long: {
            if (trimmed.isEmpty())
                return Value();
            const std::optional<PlainNumber> n = plainNumber(trimmed);
            if (!n || n->decimals > 0)
                return QStringLiteral("\"%1\" is no whole number of pieces.").arg(text);
            return Value(m_plain.toNumber(n->text).value_or(0));
        }
        case Kind::Amount: {
            if (trimmed.isEmpty())
                return Value();
            const std::optional<PlainNumber> n = plainNumber(trimmed);
            if (!n)
                return QStringLiteral("\"%1\" is no amount of money.").arg(text);
            if (n->decimals > 4)
                return QStringLiteral("\"%1\" has more decimals than money keeps (four).").arg(text);
            const std::optional<Money> m = m_plain.toMoney(n->text);
            if (!m)
                return QStringLiteral("\"%1\" is beyond what the field holds.").arg(text);
            return Value(*m);
        }
        case Kind::Date: {
            if (trimmed.isEmpty())
                return Value();
            static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
            const QRegularExpressionMatch parts = iso.match(trimmed);
            if (!parts.hasMatch())
                return QStringLiteral("\"%1\" is no date written as yyyy-mm-dd.").arg(text);
            const QDate date(parts.captured(1).toInt(), parts.captured(2).toInt(), parts.captured(3).toInt());
            // the window's calendar begins with the year 100
            if (!date.isValid() || date.year() < 100)
                return QStringLiteral("%1 is no day of the calendar.").arg(text);
            return Value(date);
        }
        case Kind::Lookup: {
            if (trimmed.isEmpty())
                return Value();
            if (const std::optional<qint32> key = m_lists.key(column.lookup, text))
                return Value(*key);
            // a new entry keeps the description as the file writes it
            const LookupTableInfo& table = kLookupTables[std::size_t(column.lookup)];
            try {
                m_db.CheckField(latin(table.table), latin(table.description), Value(text));
            } catch (const DbError& e) {
                return refusal(e, text);
            }
            item.newEntries.emplace_back(&column, text);
            return Value();
        }
        }
        return Value();
    }

    Database& m_db;
    const LookupLists& m_lists;
    RegionalSettings m_plain;
    QChar m_separator;
    const QString m_table = QStringLiteral("Plonko");
};

// Reads every record after the header, handing each with its line to row.
template <class Row> void eachRow(Csv::Reader& reader, std::vector<std::size_t>& columns, Row&& row)
{
    QStringList fields;
    qint64 line = 0;
    if (!reader.next(fields, line)) {
        if (!reader.failure().isEmpty())
            throw Unreadable{reader.failure()};
        throw Unreadable{QStringLiteral("The file is empty.")};
    }
    columns = readHeader(fields);
    while (reader.next(fields, line))
        row(fields, line);
    if (!reader.failure().isEmpty())
        throw Unreadable{reader.failure()};
}

// Adds a description to a lookup table; its new key.
qint32 addEntry(Database& db, std::array<std::unique_ptr<Recordset>, 6>& entries, int table,
                const QString& description)
{
    const LookupTableInfo& info = kLookupTables[std::size_t(table)];
    std::unique_ptr<Recordset>& entry = entries[std::size_t(table)];
    if (!entry)
        entry = db.OpenRecordset(QStringLiteral("Select * from %1").arg(latin(info.table)),
                                 RecordsetType::Dynaset);
    entry->AddNew();
    const std::optional<qint32> key = longOf(entry->Fields(latin(info.key)));
    entry->SetField(latin(info.description), description);
    entry->Update();
    return key.value_or(0);
}

} // namespace

int Summary::newLookupCount() const
{
    int count = 0;
    for (const auto& [table, descriptions] : newLookups)
        count += int(descriptions.size());
    return count;
}

bool exportItems(Database& db, const std::function<bool(const QString&)>& writeLine)
{
    const LookupLists lists(db);
    QStringList header;
    QStringList names;
    for (const Column& column : kColumns) {
        header.append(latin(column.header));
        names.append(latin(column.field));
    }
    if (!writeLine(Csv::line(header)))
        return false;
    std::unique_ptr<Recordset> items = db.OpenRecordset(
        QStringLiteral("Select %1 from Plonko order by PlonID").arg(names.join(QStringLiteral(", "))),
        RecordsetType::ForwardOnly);
    QStringList fields;
    for (; !items->AtEOF(); items->MoveNext()) {
        fields.clear();
        for (std::size_t i = 0; i < kColumns.size(); ++i)
            fields.append(exported(items->FieldAt(int(i)), kColumns[i], lists));
        if (!writeLine(Csv::line(fields)))
            return false;
    }
    return true;
}

Summary examine(Database& db, QIODevice& file)
{
    LookupLists lists(db);
    RowReader rows(db, lists);
    Csv::Reader reader(file);
    std::vector<std::size_t> columns;
    Summary summary;
    std::array<QStringList, 6> added;
    std::array<QSet<QString>, 6> seen;
    eachRow(reader, columns, [&](const QStringList& fields, qint64 line) {
        std::variant<Item, QString> item = rows.read(fields, columns, reader.separator());
        if (const QString* reason = std::get_if<QString>(&item)) {
            summary.refused.append({line, *reason});
            return;
        }
        ++summary.rows;
        for (const auto& [column, description] : std::get<Item>(item).newEntries) {
            const std::size_t table = std::size_t(column->lookup);
            if (!seen[table].contains(LookupLists::matching(description))) {
                seen[table].insert(LookupLists::matching(description));
                added[table].append(description);
            }
        }
    });
    summary.fileDigest = reader.digest();
    for (const Column& column : kColumns) {
        if (column.kind == Kind::Lookup && !added[std::size_t(column.lookup)].isEmpty())
            summary.newLookups.append({latin(column.header), added[std::size_t(column.lookup)]});
    }
    return summary;
}

void import(Database& db, QIODevice& file, const Summary& examined)
{
    if (!file.seek(0))
        throw Unreadable{QStringLiteral("The file could not be read again: %1").arg(file.errorString())};
    LookupLists lists(db);
    RowReader rows(db, lists);
    Csv::Reader reader(file);
    std::vector<std::size_t> columns;
    Transaction writing(db);
    // in the order of their keys, each new item goes last in the list
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select * from Plonko order by PlonID"), RecordsetType::Dynaset);
    std::array<std::unique_ptr<Recordset>, 6> entries;
    qint64 added = 0;
    int addedEntries = 0;
    const auto addRows = [&] {
        eachRow(reader, columns, [&](const QStringList& fields, qint64) {
            std::variant<Item, QString> read = rows.read(fields, columns, reader.separator());
            Item* item = std::get_if<Item>(&read);
            if (!item)
                return;
            items->AddNew();
            for (const auto& [column, value] : item->values)
                items->SetField(fieldName(*column), value);
            // entries the row needs, unless an earlier row added them
            for (const auto& [column, description] : item->newEntries) {
                std::optional<qint32> key = lists.key(column->lookup, description);
                if (!key) {
                    key = addEntry(db, entries, column->lookup, description);
                    lists.add(column->lookup, description, *key);
                    ++addedEntries;
                }
                items->SetField(fieldName(*column), *key);
            }
            items->SetField(QStringLiteral("catsort"),
                            CatalogSortKey(textOf(items->Fields(QStringLiteral("catnum")))));
            items->Update();
            ++added;
        });
    };
    // as many rows as the collection holds or more are written faster with the
    // item indexes made afresh after them than kept up row by row
    if (examined.rows >= db.RowCount(QStringLiteral("Plonko")))
        db.BuildIndexesAfter(QStringLiteral("Plonko"), addRows);
    else
        addRows();
    if (reader.digest() != examined.fileDigest || added != examined.rows ||
        addedEntries != examined.newLookupCount())
        throw Unreadable{QStringLiteral("The file changed since it was examined; nothing was imported.")};
    writing.commit();
}

} // namespace ItemTransfer
