#include "SaveChecks.h"

#include "ExactAmounts.h"
#include "store/Database.h"
#include "regional/RegionalSettings.h"
#include "dates/DateBox.h"

#include <QLineEdit>

namespace {

Refusal unreadable(const QString& label, QWidget* focus)
{
    return {
        QStringLiteral("The value in the %1 field cannot be read. Enter it again or leave the field blank.")
            .arg(label),
        QStringLiteral("Value Cannot Be Read"), focus};
}

} // namespace

std::optional<Refusal> unstorableValue(const QList<AmountField>& amounts, const QList<DateField>& dates,
                                       const ExactAmounts& kept, const RegionalSettings& regional)
{
    for (const AmountField& amount : amounts) {
        if (amount.box->text().trimmed().isEmpty())
            continue;
        const std::optional<Money> money = kept.amount(amount.box, regional);
        // a number that is no money lies beyond its range
        if (money ? std::abs(money->units()) > Database::kLargestMoneyUnits
                  : regional.isNumeric(amount.box->text()))
            return Refusal{
                QStringLiteral("This amount is too large to keep. The largest amount that can be kept is ") +
                    regional.formatCurrency(Money::fromUnits(Database::kLargestMoneyUnits)) +
                    QLatin1Char('.'),
                QStringLiteral("Amount Too Large"), amount.focus};
        if (!money)
            return unreadable(amount.label, amount.focus);
    }
    for (const DateField& date : dates) {
        if (!date.box->text().trimmed().isEmpty() && !regional.isDate(date.box->text()))
            return unreadable(date.label, date.box);
    }
    return std::nullopt;
}
