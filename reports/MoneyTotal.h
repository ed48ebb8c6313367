#pragma once

#include "regional/Money.h"
#include "store/Value.h"

#include <QString>

// A report's running total of money, exact. An amount or a product of
// quantity and price too large for money stops the report (ReportStopped),
// naming the item, rather than wrapping round.
class MoneyTotal
{
public:
    void add(Money amount, const QString& item);
    void subtract(Money amount, const QString& item);
    // quantity × price, added; the product is returned for the row.
    Money addProduct(qint64 quantity, Money price, const QString& item);
    Money value() const { return m_total; }

private:
    Money m_total;
};

// A money field of a report's row: empty or no number is 0; a number beyond
// what money holds stops the report (ReportStopped), naming the item.
Money reportAmount(const Value& value, const QString& item);
// A quantity: empty or no number is no pieces; a number beyond a long
// integer stops the report.
qint64 reportQuantity(const Value& value, const QString& item);
