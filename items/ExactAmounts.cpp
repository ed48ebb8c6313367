#include "ExactAmounts.h"

#include "regional/RegionalSettings.h"

#include <QLineEdit>

void ExactAmounts::show(QLineEdit* box, std::optional<Money> amount, const RegionalSettings& regional)
{
    const QString text = amount ? regional.formatCurrency(*amount) : QString();
    if (box->text() != text) // an unchanged text is no edit
        box->setText(text);
    if (amount)
        m_amounts.insert(box, {*amount, text});
    else
        forget(box);
}

std::optional<Money> ExactAmounts::kept(const QLineEdit* box) const
{
    const auto found = m_amounts.constFind(box);
    if (found == m_amounts.cend() || box->text() != found->shown)
        return std::nullopt;
    return found->amount;
}

std::optional<Money> ExactAmounts::amount(const QLineEdit* box, const RegionalSettings& regional) const
{
    if (const std::optional<Money> amount = kept(box))
        return amount;
    return regional.toMoney(box->text());
}
