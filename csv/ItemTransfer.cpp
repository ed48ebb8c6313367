#include "ItemTransfer.h"

#include "ColumnMatch.h"
#include "CsvText.h"
#include "Handoff.h"

#include "photos/PictureFile.h"
#include "regional/RegionalSettings.h"
#include "regional/StringHelpers.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/EqualRows.h"
#include "store/PhotoTables.h"
#include "store/RowAppender.h"
#include "store/RowChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>

#include <array>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
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

using Kind = FieldKind;

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

constexpr std::size_t kCatalogNumberColumn = 2;
// The photos' column, after the fields, and its place among a file's columns.
constexpr const char* kPhotosHeader = "Photos";
constexpr std::size_t kPhotosColumn = std::numeric_limits<std::size_t>::max();
static_assert(std::string_view(kColumns[kCatalogNumberColumn].field) == "catnum");
// Each price and the total it makes with the quantity, in the order paid,
// value, sales.
constexpr std::size_t kQuantityColumn = 4;
constexpr std::array<std::pair<std::size_t, std::size_t>, 3> kTotals = {{{17, 18}, {20, 21}, {22, 23}}};
static_assert(std::string_view(kColumns[kQuantityColumn].field) == "quantity");
static_assert(std::string_view(kColumns[kTotals[0].first].field) == "pricepaid" &&
              std::string_view(kColumns[kTotals[0].second].field) == "totalpaid");
static_assert(std::string_view(kColumns[kTotals[1].first].field) == "catvalue" &&
              std::string_view(kColumns[kTotals[1].second].field) == "totalval");
static_assert(std::string_view(kColumns[kTotals[2].first].field) == "priceask" &&
              std::string_view(kColumns[kTotals[2].second].field) == "totalsales");

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

// The entries of the six lookup tables, by key and by description, with
// those an import adds. A description from a file is taken for the entry
// spelt exactly so; failing that, for the one entry spelt so but for letter
// case and blanks at the ends; failing that, it makes a new entry.
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
                if (const std::optional<qint32> key = longOf(rows->FieldAt(0)))
                    add(int(t), textOf(rows->FieldAt(1)), *key);
            }
        }
    }

    QString description(int table, const Value& key) const
    {
        const std::optional<qint32> k = longOf(key);
        return k ? m_descriptions[std::size_t(table)].value(*k) : QString();
    }

    // The keys a description may stand for: one exact, or those spelt alike
    // but for letter case and end blanks (none, one or several).
    struct Match
    {
        bool exact = false;
        QList<qint32> keys;
    };
    Match match(int table, const QString& description) const
    {
        const std::size_t t = std::size_t(table);
        if (const auto exact = m_exact[t].find(description); exact != m_exact[t].end())
            return {true, {exact->second}};
        QList<qint32> alike;
        const auto [first, last] = m_folded[t].equal_range(folded(description));
        for (auto k = first; k != last; ++k)
            alike.append(k->second);
        std::sort(alike.begin(), alike.end());
        return {false, alike};
    }
    void add(int table, const QString& description, qint32 key)
    {
        const std::size_t t = std::size_t(table);
        m_descriptions[t].insert(key, description);
        // of entries spelt exactly alike, the first stands for them all
        if (!m_exact[t].emplace(description, key).second)
            return;
        m_folded[t].emplace(folded(description), key);
    }

private:
    static QString folded(const QString& description) { return description.trimmed().toCaseFolded(); }

    // looked up for every lookup cell of a file: an unseeded hash, which the
    // standard containers use, costs a fraction of a seeded one
    std::array<QHash<qint32, QString>, 6> m_descriptions;
    std::array<std::unordered_map<QString, qint32>, 6> m_exact;
    std::array<std::unordered_multimap<QString, qint32>, 6> m_folded;
};

// A text cell that a spreadsheet would run as a formula, or would read
// without its first apostrophe, goes out after an apostrophe.
QString guarded(const QString& text)
{
    static const QString risky = QStringLiteral("=+-@\t\r'");
    return !text.isEmpty() && risky.contains(text.front()) ? QLatin1Char('\'') + text : text;
}

QString unguarded(const QString& text)
{
    return text.startsWith(QLatin1Char('\'')) ? text.mid(1) : text;
}

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
        return guarded(lists.description(column.lookup, value));
    case Kind::Text:
        break;
    }
    return guarded(textOf(value));
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
        const bool photos = name.compare(latin(kPhotosHeader), Qt::CaseInsensitive) == 0;
        if (known == kColumns.end() && !photos)
            throw Unreadable{QStringLiteral("The file has a column \"%1\", which is no field of an item. "
                                            "Remove or rename it, then import the file again.")
                                 .arg(shortened(name))};
        const std::size_t at = photos ? kPhotosColumn : std::size_t(known - kColumns.begin());
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

// Why a row is not imported: the text shown for it, and the kind of fault
// by which rows beyond those shown are counted.
struct Fault
{
    QString kind;
    QString text;
};

// A fault of a value: its kind, and the value's part of the text.
Fault fault(const char* kind, const QString& text)
{
    return {latin(kind), text};
}

// A photo of a row: the picture read from its file or, where the import
// read that file for a row before, the digest of the picture stored then.
using RowPhoto = std::variant<PictureFile::FromFile, QByteArray>;

// A row ready to store, checked whole: its fields readied to write; the
// lookup fields whose entries an import adds, which stay null until the
// entry is made; what is said of each description taken for an entry spelt
// otherwise; and its photos.
struct Item
{
    // A lookup field that names an entry added by this import, by the
    // stand-in key it has until the entry is written, and its description.
    struct NewEntry
    {
        const Column* column;
        qint32 standIn;
        QString description;
        bool made; // by this row
    };
    RowChecker::Row row;
    std::vector<NewEntry> newEntries;
    std::vector<std::pair<const Column*, QString>> respelt;
    std::vector<RowPhoto> photos;
};

constexpr int kCatalogSortPlace = int(kColumns.size());

// Reads the rows of a file into items, each field checked as the store
// checks it, knowing nothing of the database but the lookup entries it held
// at the start: it works on a thread of its own while the rows read before
// are written. An entry that a row makes is known by a stand-in key (below
// zero) to the rows after it.
class RowReader
{
public:
    RowReader(LookupLists lists, std::unique_ptr<RowChecker> items,
              std::array<std::unique_ptr<RowChecker>, 6> descriptions, QChar separator,
              const QString& photoFolder)
        : m_lists(std::move(lists))
        , m_items(std::move(items))
        , m_descriptions(std::move(descriptions))
        , m_separator(separator)
        , m_photoFolder(photoFolder)
    {}

    // The item a row holds, or why it cannot be stored; fieldCount counts
    // the fields the reader read past too.
    std::variant<Item, Fault> read(const QStringList& fields, qsizetype fieldCount,
                                   const std::vector<std::size_t>& columns)
    {
        if (fieldCount > qsizetype(columns.size()))
            return Fault{QStringLiteral("more fields than the header names"),
                         QStringLiteral("it has %1 fields where the header names %2.")
                             .arg(fieldCount)
                             .arg(columns.size())};
        Item item{m_items->newRow(), {}, {}, {}};
        // the row's texts are let go at once, so that the reader writes the
        // next row over them
        const auto forget = qScopeGuard([&] { m_values.clear(); });
        QString name;
        QString description;
        QString catalogNumber;
        QString photos;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] == kPhotosColumn) {
                photos = qsizetype(i) < fields.size() ? fields[qsizetype(i)] : QString();
                continue;
            }
            const Column& column = kColumns[columns[i]];
            const QString cell = cellOf(fields, i, column);
            std::variant<Value, Fault> value = valueOf(column, cell, item);
            if (const Fault* wrong = std::get_if<Fault>(&value))
                return inColumn(column, *wrong);
            if (columns[i] == 0)
                name = cell;
            else if (columns[i] == 1)
                description = cell;
            else if (columns[i] == kCatalogNumberColumn)
                catalogNumber = cell;
            m_values.push_back({&column, std::move(std::get<Value>(value)), i});
        }
        if (!NamesAnItem(name, description)) {
            const QString missing = QStringLiteral("Name: the name is missing, and so is the description.");
            return Fault{missing, missing};
        }
        // the store's checks of each value, once every value was read
        for (const Field& field : m_values) {
            try {
                m_items->set(item.row, int(field.column - kColumns.data()), field.value);
            } catch (const DbError& e) {
                if (!refused(e))
                    throw;
                return inColumn(*field.column, refusal(e, cellOf(fields, field.place, *field.column)));
            }
        }
        addTotals(item);
        m_items->set(item.row, kCatalogSortPlace, CatalogSortKey(catalogNumber));
        // the photos are read last, once the row is known to be kept
        if (std::optional<Fault> wrong = readPhotos(photos, item))
            return *wrong;
        // the row is taken: the rows after it find the entries it makes
        for (const Item::NewEntry& entry : item.newEntries) {
            if (!entry.made)
                continue;
            m_lists.add(entry.column->lookup, entry.description, entry.standIn);
            m_lastStandIn[std::size_t(entry.column->lookup)] = entry.standIn;
        }
        return item;
    }

private:
    struct Field
    {
        const Column* column;
        Value value;
        std::size_t place; // of its cell among the fields of the row
    };

    // The value the row gives a column; none where the file has no such column.
    const Value* given(std::size_t column) const
    {
        const auto found = std::find_if(m_values.begin(), m_values.end(), [&](const Field& field) {
            return field.column == &kColumns[column];
        });
        return found == m_values.end() ? nullptr : &found->value;
    }

    // A total the row leaves empty is made as the item window makes it, of
    // its price and the quantity; one the field cannot hold is left empty.
    void addTotals(Item& item) const
    {
        const Value* quantity = given(kQuantityColumn);
        for (const auto& [price, total] : kTotals) {
            const Value* each = given(price);
            const Value* stated = given(total);
            if (!quantity || !each || (stated && !isNull(*stated)))
                continue;
            if (const std::optional<Money> made = totalOf(*each, *quantity)) {
                try {
                    m_items->set(item.row, int(total), *made);
                } catch (const DbError& e) {
                    if (!refused(e))
                        throw;
                }
            }
        }
    }

    // A cell as the file holds it, an apostrophe before a text taken off.
    static QString cellOf(const QStringList& fields, std::size_t place, const Column& column)
    {
        if (qsizetype(place) >= fields.size())
            return QString();
        const QString& read = fields[qsizetype(place)];
        const bool text = column.kind == Kind::Text || column.kind == Kind::Lookup;
        return text ? unguarded(read) : read;
    }

    // The photos a cell lists, each file read once in the import: a file
    // named again, by this row or a row taken before, stands for the picture
    // read then.
    std::optional<Fault> readPhotos(const QString& cell, Item& item)
    {
        QHash<QString, QByteArray> readNow; // digests by file, of this row
        for (const QString& listed : unguarded(cell).split(QLatin1Char(';'))) {
            const QString name = listed.trimmed();
            if (name.isEmpty())
                continue;
            const QString path = m_photoFolder.filePath(name);
            const QString file = QFileInfo(path).canonicalFilePath();
            if (const auto before = m_readBefore.constFind(file);
                !file.isEmpty() && before != m_readBefore.cend()) {
                item.photos.emplace_back(*before);
                continue;
            }
            if (const auto now = readNow.constFind(file); !file.isEmpty() && now != readNow.cend()) {
                item.photos.emplace_back(*now);
                continue;
            }
            std::variant<PictureFile::FromFile, QString> read = PictureFile::readFile(path);
            if (const QString* refused = std::get_if<QString>(&read))
                return Fault{latin(kPhotosHeader) + QStringLiteral(": a photo that cannot be kept"),
                             latin(kPhotosHeader) + QStringLiteral(": ") + *refused};
            PictureFile::FromFile& picture = std::get<PictureFile::FromFile>(read);
            if (!file.isEmpty())
                readNow.insert(file, picture.picture.digest);
            item.photos.emplace_back(std::move(picture));
        }
        // the files of a row taken are remembered, as many as kRememberedFiles
        if (m_readBefore.size() + readNow.size() > kRememberedFiles)
            m_readBefore.clear();
        m_readBefore.insert(readNow);
        return std::nullopt;
    }

    static bool refused(const DbError& e)
    {
        return e.number() == DbError::FieldTooSmall || e.number() == DbError::NumericOverflow ||
               e.number() == DbError::TypeConversion;
    }

    static Fault inColumn(const Column& column, const Fault& fault)
    {
        return {latin(column.header) + QStringLiteral(": ") + fault.kind,
                latin(column.header) + QStringLiteral(": ") + fault.text};
    }

    static Fault refusal(const DbError& e, const QString& text)
    {
        if (e.number() == DbError::FieldTooSmall)
            return fault("longer than the field holds",
                         QStringLiteral("the text is longer than the field holds (%1 characters).")
                             .arg(CharacterCount(text)));
        if (e.number() == DbError::NumericOverflow)
            return fault("beyond what the field holds",
                         QStringLiteral("\"%1\" is beyond what the field holds.").arg(shortened(text)));
        return {e.description(), e.description()};
    }

    // A number as a file writes it: a minus, digits, and a decimal point with
    // digits after it: the dot, or in a file separated by semicolons (as
    // spreadsheets write it where the comma is the decimal mark) the comma too.
    // Nothing that may group thousands is read: it would read as another number.
    struct PlainNumber
    {
        bool negative = false;
        QStringView whole;
        QStringView decimals;
    };
    std::optional<PlainNumber> plainNumber(QStringView trimmed) const
    {
        PlainNumber n;
        n.negative = trimmed.startsWith(QLatin1Char('-'));
        const QStringView number = trimmed.mid(n.negative ? 1 : 0);
        qsizetype point = -1;
        for (qsizetype i = 0; i < number.size(); ++i) {
            if (isDigit(number[i]))
                continue;
            if ((number[i] == QLatin1Char('.') || number[i] == QLatin1Char(',')) && point < 0) {
                point = i;
                continue;
            }
            return std::nullopt;
        }
        n.whole = point < 0 ? number : number.left(point);
        if (point >= 0)
            n.decimals = number.mid(point + 1);
        if (n.whole.isEmpty() || (point >= 0 && n.decimals.isEmpty()))
            return std::nullopt;
        // a comma in a file of commas, or a dot before three digits in a file
        // of semicolons or TABs, may group thousands: such a number is not read
        const bool semicolons = m_separator != QLatin1Char(',');
        if (point >= 0 && number[point] == QLatin1Char(',') && !semicolons)
            return std::nullopt;
        if (point >= 0 && number[point] == QLatin1Char('.') && semicolons && n.decimals.size() == 3)
            return std::nullopt;
        return n;
    }

    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    // The amount a plain number of at most four decimals writes, exactly;
    // nothing beyond the 64-bit range.
    static std::optional<Money> moneyOf(const PlainNumber& n)
    {
        qint64 units = 0;
        for (const QChar c : n.whole)
            if (__builtin_mul_overflow(units, 10, &units) ||
                __builtin_add_overflow(units, c.unicode() - '0', &units))
                return std::nullopt;
        for (qsizetype i = 0; i < 4; ++i) {
            const qint64 digit = i < n.decimals.size() ? n.decimals[i].unicode() - '0' : 0;
            if (__builtin_mul_overflow(units, 10, &units) || __builtin_add_overflow(units, digit, &units))
                return std::nullopt;
        }
        return Money::fromUnits(n.negative ? -units : units);
    }

    // A day written yyyy-mm-dd (the month and the day may have one digit);
    // it may be no day of the calendar.
    static std::optional<QDate> isoDate(QStringView trimmed)
    {
        const qsizetype first = trimmed.indexOf(QLatin1Char('-'));
        const qsizetype second = trimmed.indexOf(QLatin1Char('-'), first + 1);
        if (first != 4 || second < 6 || second > 7 || trimmed.size() - second - 1 < 1 ||
            trimmed.size() - second - 1 > 2)
            return std::nullopt;
        int parts[3] = {0, 0, 0};
        int part = 0;
        for (const QChar c : trimmed) {
            if (c == QLatin1Char('-')) {
                if (++part > 2)
                    return std::nullopt;
            } else if (isDigit(c))
                parts[part] = parts[part] * 10 + (c.unicode() - '0');
            else
                return std::nullopt;
        }
        return QDate(parts[0], parts[1], parts[2]);
    }

    std::variant<Value, Fault> valueOf(const Column& column, const QString& text, Item& item) const
    {
        const QStringView trimmed = QStringView(text).trimmed();
        const auto quoted = [&] { return shortened(text); };
        switch (column.kind) {
        case Kind::Text:
            return Value(text);
        case Kind::YesNo: {
            for (const char* yes : {"yes", "true", "1", "-1"})
                if (trimmed.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
                    return Value(true);
            for (const char* no : {"", "no", "false", "0"})
                if (trimmed.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
                    return Value(false);
            return fault("neither Yes nor No", QStringLiteral("\"%1\" is neither Yes nor No.").arg(quoted()));
        }
        case Kind::Long: {
            if (trimmed.isEmpty())
                return Value();
            const std::optional<PlainNumber> n = plainNumber(trimmed);
            if (!n || !n->decimals.isEmpty())
                return fault("no whole number of pieces",
                             QStringLiteral("\"%1\" is no whole number of pieces.").arg(quoted()));
            // exact within the field's range; the store refuses what is beyond it
            double pieces = 0;
            for (const QChar c : n->whole)
                pieces = pieces * 10 + (c.unicode() - '0');
            return Value(n->negative ? -pieces : pieces);
        }
        case Kind::Amount: {
            if (trimmed.isEmpty())
                return Value();
            const std::optional<PlainNumber> n = plainNumber(trimmed);
            if (!n)
                return fault("no amount of money",
                             QStringLiteral("\"%1\" is no amount of money.").arg(quoted()));
            if (n->decimals.size() > 4)
                return fault(
                    "more decimals than money keeps",
                    QStringLiteral("\"%1\" has more decimals than money keeps (four).").arg(quoted()));
            const std::optional<Money> m = moneyOf(*n);
            if (!m)
                return fault("beyond what the field holds",
                             QStringLiteral("\"%1\" is beyond what the field holds.").arg(quoted()));
            return Value(*m);
        }
        case Kind::Date: {
            if (trimmed.isEmpty())
                return Value();
            const std::optional<QDate> date = isoDate(trimmed);
            if (!date)
                return fault("no date written as yyyy-mm-dd",
                             QStringLiteral("\"%1\" is no date written as yyyy-mm-dd.").arg(quoted()));
            // the window's calendar begins with the year 100
            if (!date->isValid() || date->year() < 100)
                return fault("no day of the calendar",
                             QStringLiteral("%1 is no day of the calendar.").arg(quoted()));
            return Value(*date);
        }
        case Kind::Lookup:
            return lookupValue(column, text, item);
        }
        return Value();
    }

    std::variant<Value, Fault> lookupValue(const Column& column, const QString& text, Item& item) const
    {
        const int t = column.lookup;
        if (text.trimmed().isEmpty())
            return Value();
        const LookupLists::Match match = m_lists.match(t, text);
        if (match.keys.size() == 1) {
            const qint32 key = match.keys[0];
            if (!match.exact)
                item.respelt.emplace_back(
                    &column, QStringLiteral("%1: \"%2\" taken for \"%3\".")
                                 .arg(latin(column.header), shortened(text), m_lists.description(t, key)));
            if (key >= 0)
                return Value(key);
            item.newEntries.push_back({&column, key, m_lists.description(t, key), false});
            return Value();
        }
        if (match.keys.size() > 1) {
            QStringList candidates;
            for (qint32 key : match.keys)
                candidates.append(QLatin1Char('"') + m_lists.description(t, key) + QLatin1Char('"'));
            return fault("matches several entries, none spelt exactly so",
                         QStringLiteral("\"%1\" matches the entries %2, none spelt exactly so.")
                             .arg(shortened(text), candidates.join(QStringLiteral(", "))));
        }
        // a new entry keeps the description as the file writes it
        const RowChecker& entries = *m_descriptions[std::size_t(t)];
        RowChecker::Row entry = entries.newRow();
        try {
            entries.set(entry, 0, Value(text));
        } catch (const DbError& e) {
            return refusal(e, text);
        }
        item.newEntries.push_back({&column, m_lastStandIn[std::size_t(t)] - 1, text, true});
        return Value();
    }

    LookupLists m_lists;
    std::unique_ptr<RowChecker> m_items;
    std::array<std::unique_ptr<RowChecker>, 6> m_descriptions; // of the entries of each lookup table
    std::array<qint32, 6> m_lastStandIn = {};
    QChar m_separator;
    QDir m_photoFolder;
    std::vector<Field> m_values; // of the row being read
    // the digest of each picture file the rows taken named, by its canonical
    // path: a file named again is not read again; past as many files they are
    // forgotten, and a file named after is read again (its picture still
    // stored once), so that they take little memory however many there are
    static constexpr qsizetype kRememberedFiles = 10000;
    QHash<QString, QByteArray> m_readBefore;
};

// The entries an import adds to the lookup tables, written as the first row
// that names each is written, and the keys that stand in for them until then.
class NewEntries
{
public:
    explicit NewEntries(Database& db)
        : m_db(db)
    {}

    // The key of the entry, written now if it is not yet.
    qint32 key(const Item::NewEntry& entry, Summary& summary)
    {
        const std::size_t t = std::size_t(entry.column->lookup);
        if (const auto made = m_keys[t].constFind(entry.standIn); made != m_keys[t].cend())
            return *made;
        const qint32 key = add(t, entry.description);
        m_keys[t].insert(entry.standIn, key);
        if (summary.newLookupCount++ < RowNotes::kKept)
            m_listed[t].append(entry.description);
        return key;
    }

    // The entries made, by the lookup columns that made them, as many as the summary lists.
    void list(Summary& summary) const
    {
        for (const Column& column : kColumns) {
            if (column.kind != Kind::Lookup)
                continue;
            const QStringList& made = m_listed[std::size_t(column.lookup)];
            if (!made.isEmpty())
                summary.newLookups.append({latin(column.header), made});
        }
    }

private:
    qint32 add(std::size_t t, const QString& description)
    {
        const LookupTableInfo& info = kLookupTables[t];
        std::unique_ptr<Recordset>& entry = m_tables[t];
        if (!entry)
            entry = m_db.OpenRecordset(QStringLiteral("Select * from %1").arg(latin(info.table)),
                                       RecordsetType::Dynaset);
        entry->AddNew();
        const std::optional<qint32> key = longOf(entry->Fields(latin(info.key)));
        entry->SetField(latin(info.description), description);
        entry->Update();
        return key.value_or(0);
    }

    Database& m_db;
    std::array<std::unique_ptr<Recordset>, 6> m_tables;
    std::array<QHash<qint32, qint32>, 6> m_keys; // by stand-in
    std::array<QStringList, 6> m_listed;
};

// The key of a row's picture, stored now if it was read for this row.
qint64 storedPicture(PhotoTables& tables, const RowPhoto& photo)
{
    if (const auto* read = std::get_if<PictureFile::FromFile>(&photo))
        return tables.addPicture(read->picture, read->bytes);
    // read for a row written before this one
    if (const std::optional<qint64> stored = tables.pictureOf(std::get<QByteArray>(photo)))
        return *stored;
    throw DbError(DbError::EngineFailure, QStringLiteral("A photo read for an earlier row was not stored."));
}

// The key, the field of each column, and the catalogue sort key, in this
// order: the items an import writes.
QStringList columnFields()
{
    QStringList fields;
    for (const Column& column : kColumns)
        fields.append(fieldName(column));
    return fields;
}

// A picture's file beside an export: the SHA-256 of its bytes, and the
// suffix of its type.
QString photoFileName(const PhotoTables::Listed& photo)
{
    return QString::fromLatin1(photo.digest.toHex()) + QLatin1Char('.') + photo.kind;
}

// The fields an import sets: those of the columns, then the catalogue sort key.
QStringList appended()
{
    return columnFields() + QStringList{QStringLiteral("catsort")};
}

// What tells one item from another: every field as the file holds it, of
// the item that %1 names, and its photos' pictures in their order (the file
// holds no captions). A lookup is compared by its description, since
// entries may be spelt alike; yes/no by truth; an empty total as the total
// an import makes of its price. Doubles are looked up by catalogue number,
// by name where that is empty, and by description where both are.
QStringList compared()
{
    const auto fieldOf = [](std::size_t column) -> QString {
        return QStringLiteral("%1.") + fieldName(kColumns[column]);
    };
    QStringList expressions;
    for (const Column& column : kColumns) {
        const QString field = QStringLiteral("%1.") + fieldName(column);
        const auto total = std::find_if(kTotals.begin(), kTotals.end(), [&](const auto& priced) {
            return &kColumns[priced.second] == &column;
        });
        if (total != kTotals.end()) {
            expressions.append(QStringLiteral("coalesce(%1, itemtotal(%2, %3), '')")
                                   .arg(field, fieldOf(kQuantityColumn), fieldOf(total->first)));
        } else if (column.kind == Kind::Lookup) {
            const LookupTableInfo& table = kLookupTables[std::size_t(column.lookup)];
            expressions.append(
                QStringLiteral("coalesce((SELECT %1 FROM %2 WHERE %3 = %4), '')")
                    .arg(latin(table.description), latin(table.table), latin(table.key), field));
        } else if (column.kind == Kind::YesNo) {
            expressions.append(QStringLiteral("(coalesce(%1, 0) <> 0)").arg(field));
        } else {
            expressions.append(QStringLiteral("coalesce(%1, '')").arg(field));
        }
    }
    // a picture is stored once, so the same bytes are the same key
    expressions.append(
        QStringLiteral("coalesce((SELECT group_concat(PicID, ' ') FROM (SELECT PicID FROM Photo "
                       "WHERE Photo.PlonID = %1.PlonID ORDER BY position)), '')"));
    return expressions;
}

std::unique_ptr<EqualRows> openDoubles(Database& db)
{
    return db.OpenEqualRows(QStringLiteral("Plonko"),
                            {QStringLiteral("catnum"), QStringLiteral("Name"), QStringLiteral("descr")},
                            compared());
}

} // namespace

void RowNotes::add(qint64 line, const QString& kind, const QString& text)
{
    ++m_count;
    if (m_kept.size() < kKept) {
        m_kept.append({line, text});
        return;
    }
    const auto same =
        std::find_if(m_more.begin(), m_more.end(), [&](const auto& k) { return k.first == kind; });
    if (same == m_more.end())
        m_more.append({kind, 1});
    else
        ++same->second;
}

QList<Field> itemFields()
{
    QList<Field> fields;
    for (const Column& column : kColumns)
        fields.append({latin(column.header), column.kind, latin(column.field)});
    return fields;
}

LookupMatch lookupMatch(Database& db)
{
    auto lists = std::make_shared<const LookupLists>(db);
    const auto added = [lists](int field, const QStringList& values) {
        const Column& column = kColumns[std::size_t(field)];
        QSet<QString> made;
        if (column.kind == Kind::Lookup)
            for (const QString& value : values)
                if (!value.trimmed().isEmpty() && lists->match(column.lookup, value).keys.isEmpty())
                    made.insert(value.trimmed().toCaseFolded());
        return made.size();
    };
    const auto storedAs = [lists](int field, const QString& value) {
        const Column& column = kColumns[std::size_t(field)];
        if (column.kind != Kind::Lookup)
            return value;
        const LookupLists::Match match = lists->match(column.lookup, value);
        return match.keys.size() == 1 ? lists->description(column.lookup, match.keys[0]) : value;
    };
    return {added, storedAs};
}

QString photoFolder(const QString& csvPath)
{
    const QFileInfo csv(csvPath);
    return csv.dir().filePath(csv.completeBaseName() + QStringLiteral("_photos"));
}

bool exportItems(Database& db, const std::function<bool(const QString&)>& writeLine)
{
    const LookupLists lists(db);
    const std::vector<PhotoTables::Listed> photos = db.OpenPhotoTables()->everyPhoto();
    QStringList header;
    for (const Column& column : kColumns)
        header.append(latin(column.header));
    if (!photos.empty())
        header.append(latin(kPhotosHeader));
    if (!writeLine(Csv::line(header)))
        return false;
    auto photo = photos.begin(); // the items and the photos go by key alike
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select %1, PlonID from Plonko order by PlonID")
                             .arg(columnFields().join(QStringLiteral(", "))),
                         RecordsetType::ForwardOnly);
    QStringList fields;
    QStringList files;
    for (; !items->AtEOF(); items->MoveNext()) {
        fields.clear();
        for (std::size_t i = 0; i < kColumns.size(); ++i)
            fields.append(exported(items->FieldAt(int(i)), kColumns[i], lists));
        if (!photos.empty()) {
            const qint64 key = longOf(items->FieldAt(int(kColumns.size()))).value_or(0);
            files.clear();
            for (; photo != photos.end() && photo->item <= key; ++photo)
                if (photo->item == key)
                    files.append(photoFileName(*photo));
            fields.append(files.join(QLatin1Char(';')));
        }
        if (!writeLine(Csv::line(fields)))
            return false;
    }
    return true;
}

std::optional<QString> exportPhotos(Database& db, const QString& folder,
                                    const std::function<bool(qint64 done, qint64 total)>& step)
{
    std::unique_ptr<PhotoTables> tables = db.OpenPhotoTables();
    const std::vector<PhotoTables::Listed> photos = tables->everyPhoto();
    if (photos.empty())
        return std::nullopt;
    const bool madeFolder = !QFileInfo::exists(folder);
    if (!QDir().mkpath(folder))
        return QStringLiteral("The folder '%1' could not be made.").arg(QDir::toNativeSeparators(folder));
    QStringList made;
    bool finished = false;
    const auto takeAway = qScopeGuard([&] {
        if (finished)
            return;
        for (const QString& path : std::as_const(made))
            QFile::remove(path);
        if (madeFolder)
            QDir().rmdir(folder);
    });
    QSet<qint64> written;
    for (const PhotoTables::Listed& photo : photos) {
        if (written.contains(photo.picture))
            continue;
        written.insert(photo.picture);
        QSaveFile file(QDir(folder).filePath(photoFileName(photo)));
        if (!QFileInfo::exists(file.fileName()))
            made.append(file.fileName());
        const QByteArray bytes = tables->bytes(photo.picture);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return QStringLiteral("'%1': %2")
                .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
        if (step && !step(qint64(written.size()), qint64(photos.size())))
            return std::nullopt;
    }
    finished = true;
    return std::nullopt;
}

Summary importRows(Database& db, QIODevice& file, const QString& photoFolder,
                   const std::function<bool(qint64 rows)>& step, const ColumnMatch::Mapping* mapping,
                   const QString& encoding)
{
    Csv::Reader reader(file, mapping ? mapping->encoding : encoding);
    QStringList fields;
    qint64 line = 0;
    if (!reader.next(fields, line))
        throw Unreadable{reader.failure().isEmpty() ? QStringLiteral("The file is empty.")
                                                    : reader.failure()};
    if (reader.fieldCount() > Csv::Reader::kMostHeaderFields)
        throw Unreadable{
            QStringLiteral("The file is not a CSV file: its first line holds more than %1 fields.")
                .arg(Csv::Reader::kMostHeaderFields)};
    const std::vector<std::size_t> columns = readHeader(mapping ? mapping->header() : fields);
    reader.setMostFields(mapping ? mapping->columns.size() : qsizetype(columns.size()));

    std::unique_ptr<RowAppender> items = db.OpenAppender(QStringLiteral("Plonko"), appended());
    std::array<std::unique_ptr<RowChecker>, 6> descriptions;
    for (std::size_t t = 0; t < kLookupTables.size(); ++t)
        descriptions[t] =
            db.OpenRowChecker(latin(kLookupTables[t].table), {latin(kLookupTables[t].description)});
    const std::unique_ptr<RowChecker> entryKeys = items->checker();
    // a mapping's values are plain numbers with a dot, as a file of commas writes them
    RowReader rows(LookupLists(db), items->checker(), std::move(descriptions),
                   mapping ? QLatin1Char(',') : reader.separator(), photoFolder);

    // the file is read and checked on a thread of its own, a batch of rows
    // at a time, while the rows read before are written
    struct ReadRow
    {
        qint64 line;
        std::variant<Item, Fault> item;
    };
    using Batch = std::vector<ReadRow>;
    // a batch ends at as many rows, or as many bytes of photos
    constexpr std::size_t kBatchRows = 256;
    constexpr qsizetype kBatchBytes = 16 * 1024 * 1024;
    Handoff<Batch> handoff(4);
    std::thread reading([&] {
        try {
            QStringList read;
            qint64 at = 0;
            Batch batch;
            qsizetype bytes = 0;
            while (reader.next(read, at)) {
                if (!mapping) {
                    batch.push_back({at, rows.read(read, reader.fieldCount(), columns)});
                } else if (const std::optional<ColumnMatch::Mapping::Unread> unread =
                               mapping->row(read, reader.fieldCount())) {
                    batch.push_back({at, Fault{unread->kind, unread->text}});
                } else {
                    batch.push_back({at, rows.read(read, read.size(), columns)});
                }
                if (const Item* item = std::get_if<Item>(&batch.back().item))
                    for (const RowPhoto& photo : item->photos)
                        if (const auto* read = std::get_if<PictureFile::FromFile>(&photo))
                            bytes += read->bytes.size();
                if (batch.size() < kBatchRows && bytes < kBatchBytes)
                    continue;
                if (!handoff.give(std::exchange(batch, handoff.reused())))
                    return;
                batch.clear();
                bytes = 0;
            }
            if (!batch.empty() && !handoff.give(std::move(batch)))
                return;
            handoff.finish();
        } catch (...) {
            handoff.fail(std::current_exception());
        }
    });
    // the reading stops and ends however the writing ends
    const auto stopReading = qScopeGuard([&] {
        handoff.giveUp();
        reading.join();
    });

    NewEntries entries(db);
    std::unique_ptr<PhotoTables> photoTables;
    Summary summary;
    const qint64 held = db.RowCount(QStringLiteral("Plonko"));
    std::optional<Batch> batch;
    std::size_t next = 0;
    bool read = false;
    // writes rows until the file ends or, while the indexes are kept up,
    // until as many are written as the collection held
    const auto addRows = [&](bool keptUp) {
        while (!(keptUp && summary.rows >= held)) {
            if (!batch || next == batch->size()) {
                if (batch)
                    handoff.giveBack(std::move(*batch));
                batch = handoff.take();
                next = 0;
                if (!batch) {
                    read = true;
                    return;
                }
            }
            ReadRow& row = (*batch)[next++];
            if (const Fault* wrong = std::get_if<Fault>(&row.item)) {
                summary.refused.add(row.line, wrong->kind, wrong->text);
                continue;
            }
            Item& item = std::get<Item>(row.item);
            for (const Item::NewEntry& entry : item.newEntries)
                entryKeys->set(item.row, int(entry.column - kColumns.data()), entries.key(entry, summary));
            for (const auto& [column, said] : item.respelt)
                summary.respelt.add(row.line, latin(column->header), said);
            const qint64 key = items->append(item.row);
            if (summary.rows++ == 0)
                summary.firstKey = key;
            if (!item.photos.empty()) {
                if (!photoTables)
                    photoTables = db.OpenPhotoTables();
                QList<PhotoTables::Photo> shown;
                for (const RowPhoto& photo : item.photos)
                    shown.append(PhotoTables::Photo{storedPicture(*photoTables, photo), {}});
                photoTables->setPhotos(key, shown);
            }
            if (step && !step(summary.rows))
                throw Stopped{};
        }
    };
    // the first rows keep the indexes up row by row; the rows past as many
    // as the collection held are written faster with the item indexes made
    // afresh after them
    addRows(true);
    if (!read)
        db.BuildIndexesAfter(QStringLiteral("Plonko"), [&] { addRows(false); });
    if (!reader.failure().isEmpty())
        throw Unreadable{reader.failure()};
    // found at the end, in one pass through the indexes
    if (summary.rows > 0) {
        const EqualRows::Count doubles = openDoubles(db)->countFrom(summary.firstKey);
        summary.doubles = doubles.rows;
        summary.repeats = doubles.rows - doubles.equalBefore;
    }
    entries.list(summary);
    return summary;
}

void leaveOutDoubles(Database& db, const Summary& summary)
{
    if (summary.doubles > 0)
        openDoubles(db)->deleteFrom(summary.firstKey);
}

} // namespace ItemTransfer
