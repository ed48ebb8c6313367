#include "RegionalSettings.h"

#include "StringHelpers.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// How numbers are written in a locale, as far as the numeric test reads them.
struct Notation
{
    QStringList currencySymbols;
    QStringList negativeSigns;
    QStringList positiveSigns;
    QStringList groupSeparators;
    QString decimalPoint;
    QStringList exponentMarks;
    qsizetype primaryGroup = 3;
    qsizetype secondaryGroup = 3;
    qsizetype longestLeadingGroup = 3;
};

// A number as written: its digits, how many of them follow the decimal
// separator, and the power of ten written after them.
struct Decimal
{
    bool negative = false;
    QByteArray digits;
    qsizetype fractionDigits = 0;
    qint64 exponent = 0;
};

// Far beyond the range of a double and of money either way, and small enough
// to keep the arithmetic on it safe.
constexpr qint64 kExponentLimit = 100000;

// Bidirectional marks around signs and symbols (ar_EG, fa_IR) are invisible;
// they are read past, in the text as in the locale's own signs and symbols.
QString withoutFormatMarks(QString text)
{
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Format; });
    return text;
}

// Longest first, so that a text is matched by the longest option it begins with.
QStringList longestFirst(QStringList texts)
{
    for (QString& text : texts)
        text = withoutFormatMarks(text);
    texts.removeAll(QString());
    texts.removeDuplicates();
    std::stable_sort(texts.begin(), texts.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return texts;
}

Notation notationOf(const QLocale& locale)
{
    Notation n;
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString isoCode = locale.currencySymbol(QLocale::CurrencyIsoCode);
    // The compatibility forms let the fullwidth yen sign be typed as the common one.
    n.currencySymbols = longestFirst({symbol, isoCode, symbol.normalized(QString::NormalizationForm_KC)});
    n.negativeSigns = longestFirst({locale.negativeSign(), u"-"_s, u"\u2212"_s});
    n.positiveSigns = longestFirst({locale.positiveSign(), u"+"_s});
    n.decimalPoint = locale.decimalPoint();
    n.exponentMarks = longestFirst({locale.exponential(), u"e"_s});

    const QString group = locale.groupSeparator();
    if (group == u" " || group == u"\u00a0" || group == u"\u202f")
        n.groupSeparators = {u" "_s, u"\u00a0"_s, u"\u202f"_s};
    else if (group == u"\u2019")
        n.groupSeparators = {group, u"'"_s};
    else
        n.groupSeparators = {group};

    // The group sizes are read off the locale's own grouping of long numbers:
    // three everywhere but in Indian grouping (3, then 2). Where a locale groups
    // only from five or more digits on, Qt 6.4 merges a short leading group into
    // the next (es_ES "1234.567", ee_GH "12345,678"); what the locale writes must
    // read back.
    QLocale grouped = locale;
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    // Groups are counted in digits, not UTF-16 units.
    auto digits = [](QStringView text) { return text.toUcs4().size(); };
    const QStringList groups = grouped.toString(Q_INT64_C(1234567890123456789)).split(group);
    if (groups.size() >= 3) {
        n.primaryGroup = digits(groups.last());
        n.secondaryGroup = digits(groups.at(groups.size() - 2));
        const QString shortNumber = grouped.toString(Q_INT64_C(12345678901234567));
        const qsizetype shortLead = digits(QStringView(shortNumber).left(shortNumber.indexOf(group)));
        n.longestLeadingGroup = std::max({n.secondaryGroup, digits(groups.first()), shortLead});
    }
    return n;
}

bool take(QStringView& text, const QStringList& options, bool atEnd)
{
    for (const QString& option : options) {
        if (atEnd ? text.endsWith(option) : text.startsWith(option)) {
            text = (atEnd ? text.chopped(option.size()) : text.sliced(option.size())).trimmed();
            return true;
        }
    }
    return false;
}

qsizetype matchAt(QStringView text, const QStringList& options, Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    for (const QString& option : options) {
        if (text.startsWith(option, cs))
            return option.size();
    }
    return 0;
}

bool isGroupingValid(const QList<qsizetype>& groups, const Notation& n)
{
    if (groups.size() == 1)
        return true;
    if (groups.first() < 1 || groups.first() > n.longestLeadingGroup || groups.last() != n.primaryGroup)
        return false;
    return std::all_of(groups.begin() + 1, groups.end() - 1,
                       [&n](qsizetype size) { return size == n.secondaryGroup; });
}

// The number, without the sign, symbol and parentheses around it.
std::optional<Decimal> parseUnsigned(QStringView text, const Notation& n)
{
    Decimal d;
    qsizetype i = 0;
    auto readDigits = [&text, &i, &d] {
        qsizetype count = 0;
        for (Digit digit = DigitAt(text, i); digit.length > 0; digit = DigitAt(text, i), ++count) {
            d.digits += char('0' + digit.value);
            i += digit.length;
        }
        return count;
    };

    QList<qsizetype> groups{readDigits()};
    while (groups.last() > 0) {
        const qsizetype separator = matchAt(text.sliced(i), n.groupSeparators);
        if (separator == 0)
            break;
        i += separator;
        groups.append(readDigits());
    }
    if (!isGroupingValid(groups, n))
        return std::nullopt;
    if (text.sliced(i).startsWith(n.decimalPoint)) {
        i += n.decimalPoint.size();
        d.fractionDigits = readDigits();
    }
    if (d.digits.isEmpty())
        return std::nullopt;

    if (const qsizetype mark = matchAt(text.sliced(i), n.exponentMarks, Qt::CaseInsensitive)) {
        i += mark;
        bool negativeExponent = false;
        if (const qsizetype sign = matchAt(text.sliced(i), n.negativeSigns)) {
            negativeExponent = true;
            i += sign;
        } else {
            i += matchAt(text.sliced(i), n.positiveSigns);
        }
        const qsizetype start = i;
        for (Digit digit = DigitAt(text, i); digit.length > 0; digit = DigitAt(text, i)) {
            d.exponent = std::min(d.exponent * 10 + digit.value, kExponentLimit);
            i += digit.length;
        }
        if (i == start)
            return std::nullopt;
        if (negativeExponent)
            d.exponent = -d.exponent;
    }
    if (i != text.size())
        return std::nullopt;
    return d;
}

// The grammar of the numeric test: surrounding white space; a sign in front or
// behind, or parentheses for a negative; the currency symbol in front or behind,
// with or without a space; in between, the number.
std::optional<Decimal> parseDecimal(const QString& text, const QLocale& locale)
{
    // the notation of the last locale read, as a file of numbers reads many in
    // one; the system's own is asked each time, as its settings may change
    thread_local std::optional<std::pair<QLocale, Notation>> last;
    const bool system = locale == QLocale::system();
    if (system || !last || last->first != locale)
        last.emplace(locale, notationOf(locale));
    const Notation& n = last->second;
    const QString unmarked = withoutFormatMarks(text);
    QStringView rest = QStringView(unmarked).trimmed();
    bool parenthesis[2] = {};
    bool hasSign = false;
    bool hasSymbol = false;
    bool negative = false;
    for (const bool atEnd : {false, true}) {
        const QStringList bracket{atEnd ? u")"_s : u"("_s};
        for (bool progress = true; progress;) {
            progress = true;
            if (!parenthesis[atEnd] && take(rest, bracket, atEnd))
                parenthesis[atEnd] = true;
            else if (!hasSign && take(rest, n.negativeSigns, atEnd))
                hasSign = negative = true;
            else if (!hasSign && take(rest, n.positiveSigns, atEnd))
                hasSign = true;
            else if (!hasSymbol && take(rest, n.currencySymbols, atEnd))
                hasSymbol = true;
            else
                progress = false;
        }
    }
    if (parenthesis[0] != parenthesis[1] || (parenthesis[0] && hasSign))
        return std::nullopt;
    auto decimal = parseUnsigned(rest, n);
    if (decimal)
        decimal->negative = negative || parenthesis[0];
    return decimal;
}

// Appends the decimal digits of value (not negative), at least width of them,
// in the digits of the script whose zero is given.
void appendDigits(QString& out, qint64 value, int width, char32_t zero)
{
    char ascii[24];
    int count = 0;
    do {
        ascii[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count < width)
        ascii[count++] = '0';
    while (count > 0) {
        const char32_t codePoint = zero + char32_t(ascii[--count] - '0');
        if (QChar::requiresSurrogates(codePoint)) {
            out += QChar(QChar::highSurrogate(codePoint));
            out += QChar(QChar::lowSurrogate(codePoint));
        } else {
            out += QChar(char16_t(codePoint));
        }
    }
}

int currencyDigits(const QLocale& locale)
{
    // Qt keeps a currency's number of decimals to itself, but uses it when no
    // precision is given; an amount with a fraction shows it. A symbol of our own
    // keeps a full stop in the locale's symbol from passing for the separator.
    const QString sample = locale.toCurrencyString(1.5, u"X"_s);
    const QString point = locale.decimalPoint();
    const qsizetype start = sample.indexOf(point);
    if (start < 0)
        return 0;
    int digits = 0;
    qsizetype i = start + point.size();
    for (Digit digit = DigitAt(sample, i); digit.length > 0; digit = DigitAt(sample, i)) {
        ++digits;
        i += digit.length;
    }
    return std::min(digits, 4);
}

// The number in a double, rounded once.
std::optional<double> doubleOf(const Decimal& decimal)
{
    // Written out in C notation, the digits convert with a single rounding.
    const QByteArray c = decimal.digits + 'e' + QByteArray::number(decimal.exponent - decimal.fractionDigits);
    double value = 0;
    const auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (error != std::errc() || end != c.data() + c.size())
        return std::nullopt;
    // No negative zero: it would show as a negative amount.
    return decimal.negative && value != 0 ? -value : value;
}

enum class Halves
{
    ToEven,
    AwayFromZero
};

// The number as money rounded to the given decimals (0 to 4); nothing beyond
// the range of money.
std::optional<Money> moneyOf(const Decimal& decimal, int decimals, Halves halves)
{
    QByteArray digits = decimal.digits;
    while (digits.startsWith('0'))
        digits.remove(0, 1);
    // The number of digits to drop (or, when negative, zeros to add) to count
    // units of the last decimal kept.
    const qint64 drop = decimal.fractionDigits - decimal.exponent - decimals;
    bool roundUp = false;
    if (drop > 0) {
        if (drop <= digits.size()) {
            const QByteArray dropped = digits.right(drop);
            digits.chop(drop);
            const bool beyondHalf = dropped.mid(1).count('0') != dropped.size() - 1;
            const bool odd = !digits.isEmpty() && (digits.back() - '0') % 2 == 1;
            roundUp = dropped[0] > '5' ||
                      (dropped[0] == '5' && (halves == Halves::AwayFromZero || beyondHalf || odd));
        } else {
            digits.clear();
        }
    } else if (!digits.isEmpty()) {
        // A magnitude of twenty digits or more is beyond the range anyway.
        if (digits.size() - drop > 19)
            return std::nullopt;
        digits.append(QByteArray(-drop, '0'));
    }
    if (digits.size() > 19)
        return std::nullopt;
    quint64 magnitude = digits.isEmpty() ? 0 : digits.toULongLong();
    magnitude += roundUp ? 1 : 0;
    for (int i = decimals; i < 4; ++i) {
        if (__builtin_mul_overflow(magnitude, quint64(10), &magnitude))
            return std::nullopt;
    }
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (decimal.negative ? 1 : 0);
    if (magnitude > limit)
        return std::nullopt;
    return Money::fromUnits(decimal.negative ? qint64(0 - magnitude) : qint64(magnitude));
}

// The exact product of two numbers as written.
Decimal product(const Decimal& a, const Decimal& b)
{
    QByteArray digits(a.digits.size() + b.digits.size(), 0);
    for (qsizetype i = a.digits.size() - 1; i >= 0; --i) {
        int carry = 0;
        for (qsizetype j = b.digits.size() - 1; j >= 0; --j) {
            const int sum = digits[i + j + 1] + (a.digits[i] - '0') * (b.digits[j] - '0') + carry;
            digits[i + j + 1] = char(sum % 10);
            carry = sum / 10;
        }
        digits[i] = char(digits[i] + carry);
    }
    for (char& digit : digits)
        digit = char(digit + '0');
    Decimal result;
    result.negative = a.negative != b.negative;
    result.digits = digits;
    result.fractionDigits = a.fractionDigits + b.fractionDigits;
    result.exponent = a.exponent + b.exponent;
    return result;
}

qint64 powerOfTen(int exponent)
{
    qint64 result = 1;
    while (exponent-- > 0)
        result *= 10;
    return result;
}

// Qt reads two-digit years into the 1900s; ours are recent years.
int recentYear(int twoDigitYear)
{
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

QString widenTwoDigitYear(const QString& pattern)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size();) {
        qsizetype run = 1;
        if (pattern[i] == u'\'')
            quoted = !quoted;
        else if (!quoted && pattern[i] == u'y')
            while (i + run < pattern.size() && pattern[i + run] == u'y')
                ++run;
        result += run == 2 ? u"yyyy"_s : pattern.mid(i, run);
        i += run;
    }
    return result;
}

// The letters d, M and y in the order the pattern writes day, month and year.
// A pattern that leaves one out (a collector's own "M/d", say) would have no
// date read at all: three numbers are then read as month, day and year, the
// order the examination of the format takes for it too.
QString fieldOrder(const QString& pattern)
{
    QString order;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == u'\'')
            quoted = !quoted;
        // "ddd" and "dddd" are the weekday's name, not the day; a longer run
        // is read four letters at a time ("ddddd": the name, then the day)
        else if (!quoted && (c == u'M' || c == u'y' || (c == u'd' && run % 4 != 0 && run % 4 != 3)) &&
                 !order.contains(c))
            order += c;
        if (c != u'\'')
            i += run - 1;
    }
    return order.size() == 3 ? order : QStringLiteral("Mdy");
}

bool isDateSeparator(QChar c)
{
    // an input method in full-width mode types the wide forms
    return c == u'/' || c == u'.' || c == u'-' || c == u'\uff0f' || c == u'\uff0e' || c == u'\uff0d';
}

// The mark that may follow a field in Chinese and Japanese: "1999年7月21日".
QChar fieldMark(QChar field)
{
    return field == u'y' ? u'\u5e74' : field == u'M' ? u'\u6708' : u'\u65e5';
}

// Three numbers in the given order, each pair separated by blanks, one of
// "/", "." and "-" (narrow or full-width), or both; or each number followed
// by its own field's mark.
std::optional<QDate> numericDate(QStringView text, const QString& order)
{
    if (order.size() != 3)
        return std::nullopt;
    int day = 0;
    int month = 0;
    int year = 0;
    qsizetype i = 0;
    bool marked = false;
    auto skipBlanks = [&text, &i] {
        while (i < text.size() && text[i].isSpace())
            ++i;
    };
    for (int field = 0; field < 3; ++field) {
        if (field > 0) {
            const qsizetype separatorStart = i;
            skipBlanks();
            if (!marked && i < text.size() && isDateSeparator(text[i]))
                ++i;
            skipBlanks();
            if (i == separatorStart && !marked)
                return std::nullopt;
        }
        int value = 0;
        int length = 0;
        for (Digit digit = DigitAt(text, i); digit.length > 0 && length < 4;
             digit = DigitAt(text, i), ++length) {
            value = value * 10 + digit.value;
            i += digit.length;
        }
        if (length == 0)
            return std::nullopt;
        marked = i < text.size() && text[i] == fieldMark(order[field]);
        if (marked)
            ++i;
        if (order[field] == u'y') {
            year = length <= 2 ? recentYear(value) : value;
        } else if (length > 2) {
            return std::nullopt;
        } else if (order[field] == u'd') {
            day = value;
        } else {
            month = value;
        }
    }
    const QDate date(year, month, day);
    if (i != text.size() || !date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

RegionalSettings::RegionalSettings(const QLocale& locale, const QString& shortDatePattern)
    : m_locale(locale)
    , m_shortDatePattern(shortDatePattern.isEmpty() ? locale.dateFormat(QLocale::ShortFormat)
                                                    : shortDatePattern)
    , m_shortDateFormat(widenTwoDigitYear(m_shortDatePattern))
    , m_currencyDigits(currencyDigits(locale))
    , m_currencyPlus(currencyText(locale, m_currencyDigits, 1.0))
    , m_currencyMinus(currencyText(locale, m_currencyDigits, -1.0))
    , m_decimalPoint(locale.decimalPoint())
    , m_zeroDigit(locale.zeroDigit().toUcs4().value(0, U'0'))
{}

std::optional<double> RegionalSettings::toNumber(const QString& text) const
{
    const std::optional<Decimal> decimal = parseDecimal(text, m_locale);
    return decimal ? doubleOf(*decimal) : std::nullopt;
}

std::optional<Money> RegionalSettings::toMoney(const QString& text) const
{
    const std::optional<Decimal> decimal = parseDecimal(text, m_locale);
    return decimal ? moneyOf(*decimal, 4, Halves::ToEven) : std::nullopt;
}

std::optional<QString> RegionalSettings::formatTotal(const QString& quantity, const QString& price) const
{
    const std::optional<Decimal> count = parseDecimal(quantity, m_locale);
    const std::optional<Decimal> each = parseDecimal(price, m_locale);
    if (!count || !each)
        return std::nullopt;
    // Numbers this long are no amounts: multiplied digit by digit, a pasted
    // page of digits would hold the window up, so they are left to floating point.
    constexpr qsizetype kLongestExactFactor = 40;
    if (count->digits.size() > kLongestExactFactor || each->digits.size() > kLongestExactFactor) {
        const std::optional<double> a = doubleOf(*count);
        const std::optional<double> b = doubleOf(*each);
        if (!a || !b)
            return std::nullopt;
        return formatCurrency(*a * *b);
    }
    const Decimal total = product(*count, *each);
    // Rounded once, as the currency shows it; a total beyond what money holds
    // is shown as Qt writes the number.
    if (const std::optional<Money> money = moneyOf(total, m_currencyDigits, Halves::AwayFromZero))
        return formatCurrency(*money);
    if (const std::optional<double> number = doubleOf(total))
        return formatCurrency(*number);
    return std::nullopt;
}

QString RegionalSettings::formatCurrency(Money amount) const
{
    const int digits = m_currencyDigits;
    const qint64 units = amount.roundedTo(digits).units();
    // Qt formats currency from a double, which holds every cent only up to
    // about 4.5e13; so the exact digits take the place of the number in Qt's
    // currency text for one unit of the same sign.
    const qint64 whole = qAbs(units / Money::kScale);
    const CurrencyText& around = units < 0 ? m_currencyMinus : m_currencyPlus;
    QString text;
    text.reserve(around.before.size() + 32 + around.after.size());
    text += around.before;
    if (whole < 1000) // no grouping: the digits alone, as the locale writes them
        appendDigits(text, whole, 1, m_zeroDigit);
    else
        text += m_locale.toString(whole);
    if (digits > 0) {
        text += m_decimalPoint;
        appendDigits(text, qAbs(units % Money::kScale) / powerOfTen(4 - digits), digits, m_zeroDigit);
    }
    text += around.after;
    return text;
}

RegionalSettings::CurrencyText RegionalSettings::currencyText(const QLocale& locale, int digits, double one)
{
    const QString number = locale.toString(1.0, 'f', digits);
    const QString text = locale.toCurrencyString(one, QString(), digits);
    const qsizetype at = text.indexOf(number);
    return {text.left(at), text.mid(at + number.size())};
}

QString RegionalSettings::formatCurrency(double amount) const
{
    // Through Money, a product computed in double loses its binary noise at the
    // fourth decimal and then rounds as a stored amount does, with no negative
    // zero; only what money cannot hold is left to Qt.
    if (const std::optional<Money> money = Money::fromDouble(amount))
        return formatCurrency(*money);
    return m_locale.toCurrencyString(amount, QString(), m_currencyDigits);
}

QString RegionalSettings::formatShortDate(const QDate& date) const
{
    return m_locale.toString(date, m_shortDateFormat);
}

std::optional<QDate> RegionalSettings::toDate(const QString& text) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString& pattern = m_shortDatePattern;
    QDate date = numericDate(trimmed, fieldOrder(pattern)).value_or(QDate());
    if (!date.isValid())
        date = m_locale.toDate(trimmed, m_shortDateFormat);
    if (!date.isValid() && pattern != m_shortDateFormat) {
        date = m_locale.toDate(trimmed, pattern);
        if (date.isValid())
            date = QDate(recentYear(date.year() % 100), date.month(), date.day());
    }
    // A year below 100 (written out, as "0099") would be taken for a recent
    // one wherever a two-digit year is read again; the calendar stops there too.
    if (!date.isValid() || date.year() < 100)
        return std::nullopt;
    return date;
}

QString RegionalSettings::dateFieldOrder() const
{
    return fieldOrder(m_shortDatePattern).toLower();
}

QString RegionalSettings::monthName(int month) const
{
    return m_locale.standaloneMonthName(month, QLocale::LongFormat);
}

QString RegionalSettings::dayName(int dayOfWeek) const
{
    return m_locale.dayName(dayOfWeek, QLocale::ShortFormat);
}
