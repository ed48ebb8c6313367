#include "Value.h"

#include <cmath>
#include <limits>

namespace {

std::optional<qint32> longFromDouble(double d)
{
    const double rounded = std::nearbyint(d); // the default rounding mode: halves to even
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

} // namespace

namespace {

// A date of the years 1 to 9999 as yyyy-mm-dd, written by hand: every date
// of every row an import or an export reads goes through here. False for
// another date.
template <typename Char> bool writeIsoDate(const QDate& date, Char (&text)[10])
{
    // the calendar worked out once, not once for each part
    int parts[3] = {0, 0, 0};
    date.getDate(&parts[0], &parts[1], &parts[2]);
    if (!date.isValid() || parts[0] < 1 || parts[0] > 9999)
        return false;
    const int widths[3] = {4, 2, 2};
    Char* out = text;
    for (int p = 0; p < 3; ++p) {
        if (p > 0)
            *out++ = Char('-');
        for (int w = widths[p] - 1, n = parts[p]; w >= 0; --w, n /= 10)
            out[w] = Char('0' + n % 10);
        out += widths[p];
    }
    return true;
}

} // namespace

QString isoDateText(const QDate& date)
{
    char16_t text[10];
    if (!writeIsoDate(date, text))
        return date.toString(Qt::ISODate);
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

std::optional<QByteArray> storedDate(const QDate& date)
{
    char text[10];
    if (!writeIsoDate(date, text))
        return std::nullopt;
    return QByteArray(text, 10);
}

std::optional<QDate> dateOfStored(const char* bytes, qsizetype size)
{
    if (size != 10 || bytes[4] != '-' || bytes[7] != '-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int widths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = starts[p]; i < starts[p] + widths[p]; ++i) {
            if (bytes[i] < '0' || bytes[i] > '9')
                return std::nullopt;
            parts[p] = parts[p] * 10 + (bytes[i] - '0');
        }
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString textOf(const Value& value)
{
    struct Visitor
    {
        QString operator()(std::monostate) const { return {}; }
        QString operator()(bool b) const { return b ? QStringLiteral("True") : QStringLiteral("False"); }
        QString operator()(qint32 n) const { return QString::number(n); }
        QString operator()(double d) const { return QString::number(d, 'g', 15); }
        QString operator()(Money m) const
        {
            const qint64 units = m.units();
            const qint64 whole = units / Money::kScale;
            qint64 fraction = std::abs(units % Money::kScale);
            QString text =
                (units < 0 && whole == 0 ? QStringLiteral("-") : QString()) + QString::number(whole);
            if (fraction == 0)
                return text;
            QString digits = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
            while (digits.endsWith(QLatin1Char('0')))
                digits.chop(1);
            return text + QLatin1Char('.') + digits;
        }
        QString operator()(const QDate& d) const { return isoDateText(d); }
        QString operator()(const QString& s) const { return s; }
    };
    return std::visit(Visitor{}, value);
}

bool boolOf(const Value& value)
{
    if (const bool* b = std::get_if<bool>(&value))
        return *b;
    if (const qint32* n = std::get_if<qint32>(&value))
        return *n != 0;
    if (const double* d = std::get_if<double>(&value))
        return *d != 0;
    if (const Money* m = std::get_if<Money>(&value))
        return m->units() != 0;
    return false;
}

std::optional<qint32> longOf(const Value& value)
{
    if (const qint32* n = std::get_if<qint32>(&value))
        return *n;
    if (const bool* b = std::get_if<bool>(&value))
        return *b ? -1 : 0;
    if (const double* d = std::get_if<double>(&value))
        return longFromDouble(*d);
    if (const Money* m = std::get_if<Money>(&value)) {
        const qint64 units = m->units();
        qint64 whole = units / Money::kScale;
        const qint64 rest = units % Money::kScale;
        // halves to even, as a conversion to a whole number does
        if (2 * std::abs(rest) > Money::kScale || (2 * std::abs(rest) == Money::kScale && whole % 2 != 0))
            whole += units < 0 ? -1 : 1;
        if (whole < std::numeric_limits<qint32>::min() || whole > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return qint32(whole);
    }
    return std::nullopt;
}

std::optional<Money> moneyOf(const Value& value)
{
    if (const Money* m = std::get_if<Money>(&value))
        return *m;
    if (const qint32* n = std::get_if<qint32>(&value))
        return Money::fromUnits(qint64(*n) * Money::kScale);
    if (const double* d = std::get_if<double>(&value))
        return Money::fromDouble(*d);
    if (const bool* b = std::get_if<bool>(&value))
        return Money::fromUnits(*b ? -Money::kScale : 0);
    return std::nullopt;
}

std::optional<QDate> dateOf(const Value& value)
{
    if (const QDate* d = std::get_if<QDate>(&value))
        return *d;
    return std::nullopt;
}

std::optional<Money> totalOf(const Value& price, const Value& quantity)
{
    const auto number = [](const Value& value) {
        return std::holds_alternative<qint32>(value) || std::holds_alternative<double>(value);
    };
    if (!number(quantity) || !(number(price) || std::holds_alternative<Money>(price)))
        return std::nullopt;
    const std::optional<qint32> pieces = longOf(quantity);
    const std::optional<Money> each = moneyOf(price);
    if (!pieces || !each)
        return std::nullopt;
    if (const double* given = std::get_if<double>(&quantity); given && *given != *pieces)
        return std::nullopt;
    return each->times(*pieces);
}
