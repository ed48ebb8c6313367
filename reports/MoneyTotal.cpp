#include "MoneyTotal.h"

#include "ReportRun.h"

namespace {

[[noreturn]] void tooLarge(const QString& item)
{
    throw ReportStopped{QStringLiteral("The amounts of '") + item +
                        QStringLiteral("' are too large to add up, so the report cannot be finished.")};
}

} // namespace

void MoneyTotal::add(Money amount, const QString& item)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(m_total.units(), amount.units(), &sum))
        tooLarge(item);
    m_total = Money::fromUnits(sum);
}

void MoneyTotal::subtract(Money amount, const QString& item)
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(m_total.units(), amount.units(), &difference))
        tooLarge(item);
    m_total = Money::fromUnits(difference);
}

Money MoneyTotal::addProduct(qint64 quantity, Money price, const QString& item)
{
    const std::optional<Money> product = price.times(quantity);
    if (!product)
        tooLarge(item);
    add(*product, item);
    return *product;
}

Money reportAmount(const Value& value, const QString& item)
{
    if (const std::optional<Money> amount = moneyOf(value))
        return *amount;
    if (std::holds_alternative<double>(value))
        tooLarge(item);
    return {};
}

qint64 reportQuantity(const Value& value, const QString& item)
{
    if (const std::optional<qint32> quantity = longOf(value))
        return *quantity;
    if (std::holds_alternative<double>(value))
        tooLarge(item);
    return 0;
}
