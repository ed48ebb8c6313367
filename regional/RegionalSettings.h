#pragma once

#include "Money.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

// The regional settings of the user: the numeric and date tests and
// conversions and the named formats, all from one QLocale (the system's by
// default, any in tests).
class RegionalSettings
{
public:
    // shortDatePattern, when given, takes the place of the locale's short date
    // pattern (as a user's own setting does).
    explicit RegionalSettings(const QLocale& locale = QLocale::system(),
                              const QString& shortDatePattern = {});

    const QLocale& locale() const { return m_locale; }

    // The numeric test: plain numbers in the locale's notation, also written in
    // the currency format (symbol, grouping separators, a sign or parentheses).
    // Grouping must fall on groups of three digits; where the locale groups with
    // a no-break space, a plain space is accepted too. The empty text is no number.
    bool isNumeric(const QString& text) const { return toNumber(text).has_value(); }
    std::optional<double> toNumber(const QString& text) const;
    // The same text read exactly as money (rounded to four decimals, halves to even).
    std::optional<Money> toMoney(const QString& text) const;
    // The total of a quantity and a price as typed: multiplied exactly and
    // rounded once, to the currency's decimals, in the currency format.
    // Nothing when either is no number.
    std::optional<QString> formatTotal(const QString& quantity, const QString& price) const;

    // The named format "currency": symbol, grouping and the currency's decimals.
    QString formatCurrency(Money amount) const;
    QString formatCurrency(double amount) const;

    // The pattern of the named format "short date" (and "ddddd"); a two-digit
    // year in the locale's pattern is widened to four digits so that no date
    // changes when its text is read back.
    QString shortDateFormat() const { return m_shortDateFormat; }
    QString formatShortDate(const QDate& date) const;

    // The date test and conversion: the short date format itself, or three
    // numbers (in any script's digits, full-width too) in the format's order
    // separated by any of "/", ".", "-" (or their full-width forms) or blanks,
    // or each followed by its mark, as "1999年7月21日"; two-digit years are
    // recent years (00-29 this century, 30-99 the last). Days that do not
    // exist and years below 100 are refused.
    bool isDate(const QString& text) const { return toDate(text).has_value(); }
    // The order in which the short date format writes day, month and year, as
    // three of the letters "d", "m", "y" ("mdy" for month, day, year).
    QString dateFieldOrder() const;
    std::optional<QDate> toDate(const QString& text) const;

    // "mmmm": the month's full name (1 to 12); "ddd": the short name of a
    // weekday (1 Monday to 7 Sunday).
    QString monthName(int month) const;
    QString dayName(int dayOfWeek) const;

private:
    QLocale m_locale;
    QString m_shortDatePattern; // as the user's settings write it
    QString m_shortDateFormat;  // the same, with four-digit years
    // the currency format, worked out once: its decimals and the texts before
    // and after the number of a plus and of a minus amount
    struct CurrencyText
    {
        QString before;
        QString after;
    };
    static CurrencyText currencyText(const QLocale& locale, int digits, double one);
    int m_currencyDigits;
    CurrencyText m_currencyPlus;
    CurrencyText m_currencyMinus;
    QString m_decimalPoint;
    char32_t m_zeroDigit;
};
