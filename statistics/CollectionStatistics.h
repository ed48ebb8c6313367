#pragma once

#include "regional/Money.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class Database;

// The collection seen whole: its figures and the series of its charts, worked
// out by the file's engine with money exact. Held means neither on the want
// list nor sold, as the collection value report counts it; sold items never
// count in the value. A figure too large for money fails (NumericOverflow).
namespace Statistics {

struct Figures
{
    qint64 heldItems = 0;
    qint64 heldPieces = 0;
    Money heldPaid;
    Money heldValue;
    // held items without a purchase date, which the value over time leaves out
    qint64 heldUndated = 0;
    qint64 soldItems = 0;
    qint64 soldPieces = 0;
    Money sales;
    Money soldCost;
    // sold items without a date of sale, which the years leave out
    qint64 soldUndated = 0;
    // as the want list report counts them: every item on the want list
    qint64 wantedItems = 0;
    Money wantedPay;

    // each a difference whose size money holds, a loss below zero
    Money gain() const;
    Money profit() const;
};

// The running totals of what is held, to the end of a month of purchase.
struct Month
{
    QDate month; // its first day
    Money paid;
    Money value;
};

// A year's purchases (of items held or sold since) and sales, and the profit
// on those sales; every year from the first to the last with either.
struct Year
{
    int year = 0;
    Money paid;
    Money sales;
    Money profit;
};

enum class Grouping
{
    Brand,
    Series,
    Seller
};

// What is held of one brand, series or seller: the largest by value, then
// "Others" for the rest; items without one under a name of their own.
// Entries whose names the collection's text order holds equal (in letter case
// or width, or with blanks around them) are one group, under the name of the
// first entered.
struct Group
{
    enum class Kind
    {
        Entry,
        // the items without one, under ungroupedName
        Ungrouped,
        // the rest past the largest
        Others
    };
    QString name;
    qint64 pieces = 0;
    Money value;
    Kind kind = Kind::Entry;
};

inline constexpr int kLargestGroups = 12;

Figures figures(const Database& db);
std::vector<Month> valueOverTime(const Database& db);
std::vector<Year> years(const Database& db);
std::vector<Group> groups(const Database& db, Grouping grouping);

// The series of the charts of one state of a collection, each read from it
// when first asked for and kept.
class Series
{
public:
    const std::vector<Month>& months(const Database& db);
    const std::vector<Year>& years(const Database& db);
    const std::vector<Group>& groups(const Database& db, Grouping grouping);

private:
    std::optional<std::vector<Month>> m_months;
    std::optional<std::vector<Year>> m_years;
    std::optional<std::vector<Group>> m_groups[3];
};

// The engine's statements behind the figures, the value over time and the
// years, as the functions above run them.
QString figuresSql();
QString valueOverTimeSql();
QString yearsSql();

// The name of the group of items without a brand, series or seller.
QString ungroupedName(Grouping grouping);

} // namespace Statistics
