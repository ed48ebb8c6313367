#include "CollectionStatistics.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace Statistics {
namespace {

using Numbers = std::vector<std::optional<qint64>>;

[[noreturn]] void tooLarge()
{
    throw DbError(DbError::NumericOverflow, u"A total is too large to be held as money."_s);
}

Money sum(Money a, Money b)
{
    qint64 units = 0;
    if (__builtin_add_overflow(a.units(), b.units(), &units))
        tooLarge();
    return Money::fromUnits(units);
}

// a loss is shown by its size: the one 64-bit difference without a size that
// money holds is refused with the rest
Money difference(Money a, Money b)
{
    qint64 units = 0;
    if (__builtin_sub_overflow(a.units(), b.units(), &units) || units == std::numeric_limits<qint64>::min())
        tooLarge();
    return Money::fromUnits(units);
}

qint64 number(const Numbers& numbers, std::size_t i)
{
    return numbers[i].value_or(0);
}

Money money(const Numbers& numbers, std::size_t i)
{
    return Money::fromUnits(numbers[i].value_or(0));
}

// held: neither wanted nor sold
constexpr auto kHeld = "NOT wantlist AND NOT sold";

} // namespace

Money Figures::gain() const
{
    return difference(heldValue, heldPaid);
}

Money Figures::profit() const
{
    return difference(sales, soldCost);
}

QString figuresSql()
{
    return u"SELECT sum(held), sum(CASE WHEN held THEN wholequantity(quantity) END), "
           "sum(CASE WHEN held THEN moneyproduct(quantity, pricepaid) END), "
           "sum(CASE WHEN held THEN moneyproduct(quantity, catvalue) END), "
           "sum(held AND PurchaseDate IS NULL), "
           "sum(sold <> 0), sum(CASE WHEN sold THEN wholequantity(quantity) END), "
           "sum(CASE WHEN sold THEN moneyproduct(quantity, priceask) END), "
           "sum(CASE WHEN sold THEN moneyproduct(quantity, pricepaid) END), "
           "sum(wantlist <> 0), sum(CASE WHEN wantlist THEN moneyunits(pricepaid) END), "
           "sum(sold AND SoldDate IS NULL) FROM (SELECT *, "_s +
           QLatin1String(kHeld) + u" AS held FROM Plonko)"_s;
}

QString valueOverTimeSql()
{
    return u"SELECT substr(PurchaseDate, 1, 7), sum(moneyproduct(quantity, pricepaid)), "
           "sum(moneyproduct(quantity, catvalue)) FROM Plonko WHERE "_s +
           QLatin1String(kHeld) + u" AND PurchaseDate IS NOT NULL GROUP BY 1 ORDER BY 1"_s;
}

// purchases by year bought and sales by year sold in one reading: the sums
// of each pair of years, which the years add up
QString yearsSql()
{
    return u"SELECT CAST(substr(PurchaseDate, 1, 4) AS INTEGER), "
           "CASE WHEN sold THEN CAST(substr(SoldDate, 1, 4) AS INTEGER) END, "
           "sum(CASE WHEN NOT wantlist THEN moneyproduct(quantity, pricepaid) END), "
           "sum(CASE WHEN sold THEN moneyproduct(quantity, priceask) END), "
           "sum(CASE WHEN sold THEN moneyproduct(quantity, pricepaid) END) FROM Plonko "
           "WHERE (NOT wantlist AND PurchaseDate IS NOT NULL) OR (sold AND SoldDate IS NOT NULL) GROUP BY 1, 2"_s;
}

Figures figures(const Database& db)
{
    Figures f;
    db.Aggregate(figuresSql(), [&](const Numbers& n, const QStringList&) {
        f.heldItems = number(n, 0);
        f.heldPieces = number(n, 1);
        f.heldPaid = money(n, 2);
        f.heldValue = money(n, 3);
        f.heldUndated = number(n, 4);
        f.soldItems = number(n, 5);
        f.soldPieces = number(n, 6);
        f.sales = money(n, 7);
        f.soldCost = money(n, 8);
        f.wantedItems = number(n, 9);
        f.wantedPay = money(n, 10);
        f.soldUndated = number(n, 11);
    });
    return f;
}

std::vector<Month> valueOverTime(const Database& db)
{
    std::vector<Month> months;
    Month running;
    db.Aggregate(valueOverTimeSql(), [&](const Numbers& n, const QStringList& texts) {
        const QDate month = QDate::fromString(texts[0] + u"-01"_s, Qt::ISODate);
        if (!month.isValid())
            return;
        running = {month, sum(running.paid, money(n, 1)), sum(running.value, money(n, 2))};
        months.push_back(running);
    });
    return months;
}

std::vector<Year> years(const Database& db)
{
    QMap<int, Year> byYear;
    // a year the calendar knows, or none
    auto yearOf = [](const std::optional<qint64>& year) { return year > 0 && year <= 9999 ? int(*year) : 0; };
    db.Aggregate(yearsSql(), [&](const Numbers& n, const QStringList&) {
        if (const int bought = yearOf(n[0]))
            byYear[bought].paid = sum(byYear[bought].paid, money(n, 2));
        if (const int sold = yearOf(n[1])) {
            Year& year = byYear[sold];
            year.sales = sum(year.sales, money(n, 3));
            year.profit = sum(year.profit, difference(money(n, 3), money(n, 4)));
        }
    });
    std::vector<Year> all;
    if (byYear.isEmpty())
        return all;
    for (int year = byYear.firstKey(); year <= byYear.lastKey(); ++year) {
        Year each = byYear.value(year);
        each.year = year;
        all.push_back(each);
    }
    return all;
}

const std::vector<Month>& Series::months(const Database& db)
{
    if (!m_months)
        m_months = valueOverTime(db);
    return *m_months;
}

const std::vector<Year>& Series::years(const Database& db)
{
    if (!m_years)
        m_years = Statistics::years(db);
    return *m_years;
}

const std::vector<Group>& Series::groups(const Database& db, Grouping grouping)
{
    std::optional<std::vector<Group>>& kept = m_groups[int(grouping)];
    if (!kept)
        kept = Statistics::groups(db, grouping);
    return *kept;
}

QString ungroupedName(Grouping grouping)
{
    switch (grouping) {
    case Grouping::Brand:
        return u"(No Brand)"_s;
    case Grouping::Series:
        return u"(No Series)"_s;
    case Grouping::Seller:
        break;
    }
    return u"(No Seller)"_s;
}

std::vector<Group> groups(const Database& db, Grouping grouping)
{
    struct Source
    {
        const char* table;
        const char* key;
        const char* name;
    };
    static constexpr Source kSources[] = {
        {"brand", "braID", "braDesc"}, {"series", "serID", "serDesc"}, {"boughtfrom", "bouID", "bouDesc"}};
    const Source& source = kSources[int(grouping)];
    const QString table = QLatin1String(source.table);
    const QString key = QLatin1String(source.key);
    std::vector<Group> all;
    // each entry's holding in the order entered, the items without one first,
    // with its name's sort key: the entries whose keys are equal are one group
    QHash<QString, std::size_t> byKey;
    db.Aggregate(
        u"SELECT %1.%2 IS NULL, hex(sortkey(trim(min(%1.%3)))), min(%1.%3), sum(wholequantity(quantity)), "
        "sum(moneyproduct(quantity, catvalue)) FROM Plonko LEFT JOIN %1 ON Plonko.%2 = %1.%2 WHERE "_s.arg(
            table, key, QLatin1String(source.name)) +
            QLatin1String(kHeld) + u" GROUP BY %1.%2 ORDER BY %1.%2"_s.arg(table, key),
        [&](const Numbers& n, const QStringList& texts) {
            if (number(n, 0)) {
                all.push_back({ungroupedName(grouping), number(n, 3), money(n, 4), Group::Kind::Ungrouped});
                return;
            }
            const auto alike = byKey.constFind(texts[1]);
            if (alike == byKey.cend()) {
                byKey.insert(texts[1], all.size());
                all.push_back({texts[2], number(n, 3), money(n, 4)});
                return;
            }
            Group& group = all[*alike];
            group.pieces += number(n, 3);
            group.value = sum(group.value, money(n, 4));
        });
    std::stable_sort(all.begin(), all.end(), [](const Group& a, const Group& b) {
        return a.value != b.value ? a.value > b.value : a.pieces > b.pieces;
    });
    if (all.size() > std::size_t(kLargestGroups) + 1) {
        Group others{u"Others"_s, 0, Money(), Group::Kind::Others};
        for (auto rest = all.begin() + kLargestGroups; rest != all.end(); ++rest) {
            others.pieces += rest->pieces;
            others.value = sum(others.value, rest->value);
        }
        all.resize(kLargestGroups);
        all.push_back(others);
    }
    return all;
}

} // namespace Statistics
