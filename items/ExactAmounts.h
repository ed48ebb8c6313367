#pragma once

#include "regional/Money.h"

#include <QHash>
#include <QObject>

#include <optional>

class QLineEdit;
class RegionalSettings;

// The amounts behind a window's money boxes. A box shows its amount rounded
// to the currency's digits (a yen amount of 10.48 shows as 10); while it shows
// the text it was filled with, it stands for that amount, not for its text,
// so that saving a row never changes an amount nobody touched.
class ExactAmounts : public QObject
{
public:
    explicit ExactAmounts(QObject* parent)
        : QObject(parent)
    {}

    // Fills the box with the amount in the currency format (empty for none).
    void show(QLineEdit* box, std::optional<Money> amount, const RegionalSettings& regional);
    // The amount a box was filled with, while it shows the text it was filled with.
    std::optional<Money> kept(const QLineEdit* box) const;
    // What the box stands for: its kept amount, or else its text read as money.
    std::optional<Money> amount(const QLineEdit* box, const RegionalSettings& regional) const;
    // A box filled with text, not with an amount, keeps none.
    void forget(const QLineEdit* box) { m_amounts.remove(box); }
    void forgetAll() { m_amounts.clear(); }

private:
    struct Kept
    {
        Money amount;
        QString shown;
    };
    QHash<const QLineEdit*, Kept> m_amounts;
};
