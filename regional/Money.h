#pragma once

#include <QtGlobal>

#include <compare>
#include <optional>

// A currency amount: a 64-bit count of ten-thousandths. Sums and products of
// money are formed on these integers, never in floating point.
class Money
{
public:
    static constexpr qint64 kScale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }

    // Rounds to four decimals, halves to even (as a currency conversion does);
    // nothing for NaN, infinities and amounts beyond the 64-bit range.
    static std::optional<Money> fromDouble(double value);

    constexpr qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / kScale; }

    // Rounded to the given number of decimals (0 to 4), halves away from zero.
    Money roundedTo(int decimals) const;

    constexpr Money operator+(Money other) const { return Money(m_units + other.m_units); }
    constexpr Money operator-(Money other) const { return Money(m_units - other.m_units); }
    constexpr Money operator-() const { return Money(-m_units); }
    constexpr Money& operator+=(Money other)
    {
        m_units += other.m_units;
        return *this;
    }
    // The amount times a whole number; nothing when that leaves the 64-bit range.
    std::optional<Money> times(qint64 factor) const;

    constexpr auto operator<=>(const Money&) const = default;

private:
    constexpr explicit Money(qint64 units)
        : m_units(units)
    {}

    qint64 m_units = 0;
};
