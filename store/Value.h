#pragma once

#include "regional/Money.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <variant>

// The value of one field: null, yes/no, long integer, double, currency, date or
// text. Yes/no is a bool here; the store writes it as -1 or 0.
using Value = std::variant<std::monostate, bool, qint32, double, Money, QDate, QString>;

inline bool isNull(const Value& value)
{
    return std::holds_alternative<std::monostate>(value);
}

// A field read as text: null gives the empty text; numbers in plain decimal
// notation, dates as ISO text, yes/no as "True" or "False".
QString textOf(const Value& value);
// A date as ISO text (yyyy-mm-dd), as the file stores dates.
QString isoDateText(const QDate& date);
// The bytes the file stores for a date of the years 1 to 9999; none for
// another date, which the file does not keep.
std::optional<QByteArray> storedDate(const QDate& date);
// The date of the bytes the file stores for one (yyyy-mm-dd); nothing for
// other bytes.
std::optional<QDate> dateOfStored(const char* bytes, qsizetype size);
// Null and false are false; a number is true when it is not zero.
bool boolOf(const Value& value);
// The value as a long integer when it holds a number (rounded halves to even).
std::optional<qint32> longOf(const Value& value);
// The value as money when it holds a number.
std::optional<Money> moneyOf(const Value& value);
std::optional<QDate> dateOf(const Value& value);
// An item's total of a price, as the item window keeps it: the price times
// the quantity, exact to the ten-thousandth (the window shows it in the
// currency's digits). None where the price is no number, the quantity no
// whole number, or the product beyond what 64 bits hold.
std::optional<Money> totalOf(const Value& price, const Value& quantity);
