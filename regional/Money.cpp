#include "Money.h"

#include <algorithm>
#include <cmath>

std::optional<Money> Money::fromDouble(double value)
{
    // Scaling in double first makes a value typed as 2.00005 a true tie, as the
    // decimal text suggests, although its binary form lies a little above it.
    const double scaled = value * double(kScale);
    if (!std::isfinite(scaled))
        return std::nullopt;
    double units = std::floor(scaled);
    const double fraction = scaled - units;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(units, 2.0) != 0.0))
        units += 1.0;
    // 2^63 itself is one past the range; every double below it converts exactly.
    constexpr double kLimit = 9223372036854775808.0;
    if (units < -kLimit || units >= kLimit)
        return std::nullopt;
    return Money(static_cast<qint64>(units));
}

std::optional<Money> Money::times(qint64 factor) const
{
    qint64 product = 0;
    if (__builtin_mul_overflow(m_units, factor, &product))
        return std::nullopt;
    return Money(product);
}

Money Money::roundedTo(int decimals) const
{
    qint64 step = 1;
    for (int i = std::clamp(decimals, 0, 4); i < 4; ++i)
        step *= 10;
    qint64 quotient = m_units / step;
    const qint64 remainder = m_units % step;
    if (2 * (remainder < 0 ? -remainder : remainder) >= step)
        quotient += remainder < 0 ? -1 : 1;
    qint64 result = 0;
    // Only an amount within half a step of either end of the range can overflow;
    // it rounds toward zero instead.
    if (__builtin_mul_overflow(quotient, step, &result))
        result = m_units - remainder;
    return Money(result);
}
