#pragma once

#include <QList>
#include <QString>

#include <optional>

class DateBox;
class ExactAmounts;
class QLineEdit;
class QWidget;
class RegionalSettings;

// Why a save is refused, and the control where the collector mends it.
struct Refusal
{
    QString text;
    QString title;
    QWidget* focus;
};

struct AmountField
{
    const QLineEdit* box;
    QString label;  // as the window names the field
    QWidget* focus; // a total is mended at its price
};

struct DateField
{
    DateBox* box;
    QString label;
};

// The first amount or date a save could not store as the window shows it: an
// amount beyond what the file keeps, or a text that does not read back (which
// would otherwise be stored as nothing). Empty boxes pass.
std::optional<Refusal> unstorableValue(const QList<AmountField>& amounts, const QList<DateField>& dates,
                                       const ExactAmounts& kept, const RegionalSettings& regional);
