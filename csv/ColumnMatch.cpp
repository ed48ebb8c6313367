#include "ColumnMatch.h"

#include "CsvText.h"
#include "ItemTransfer.h"
#include "regional/RegionalSettings.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace ColumnMatch {

namespace {

const QList<ItemTransfer::Field>& itemFields()
{
    static const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    return fields;
}

// A name with letter case, blanks and punctuation taken away.
QString squeezed(const QString& name)
{
    QString kept;
    for (const QChar c : name.toCaseFolded())
        if (c.isLetterOrNumber())
            kept.append(c);
    return kept;
}

// Other names of each field, squeezed, by the field's own name.
const QHash<QString, QString>& otherNames()
{
    static const QHash<QString, QString> names = [] {
        const std::pair<const char*, const char*> pairs[] = {
            {"item", "Name"},
            {"itemname", "Name"},
            {"title", "Name"},
            {"plonko", "Name"},
            {"bezeichnung", "Name"},
            {"descr", "Description"},
            {"details", "Description"},
            {"beschreibung", "Description"},
            {"catnum", "Catalog Number"},
            {"cat", "Catalog Number"},
            {"catno", "Catalog Number"},
            {"catalogno", "Catalog Number"},
            {"cataloguenumber", "Catalog Number"},
            {"number", "Catalog Number"},
            {"katalognummer", "Catalog Number"},
            {"nummer", "Catalog Number"},
            {"wanted", "Want List"},
            {"wunschliste", "Want List"},
            {"wishlist", "Want List"},
            {"wantlist", "Want List"},
            {"qty", "Quantity"},
            {"count", "Quantity"},
            {"pieces", "Quantity"},
            {"menge", "Quantity"},
            {"anzahl", "Quantity"},
            {"copies", "Quantity"},
            {"stück", "Quantity"},
            {"condition", "Plonko Condition"},
            {"zustand", "Plonko Condition"},
            {"tagcondition", "Swing Tag Condition"},
            {"generation", "Tag Generation"},
            {"series", "Special Series"},
            {"serie", "Special Series"},
            {"maker", "Brand"},
            {"manufacturer", "Brand"},
            {"marke", "Brand"},
            {"hersteller", "Brand"},
            {"colour", "Color"},
            {"farbe", "Color"},
            {"fehler", "Errors"},
            {"geburtstag", "Birthday"},
            {"retired", "Retirement Date"},
            {"retiredon", "Retirement Date"},
            {"cost", "Price Paid"},
            {"paid", "Price Paid"},
            {"price", "Price Paid"},
            {"purchaseprice", "Price Paid"},
            {"preis", "Price Paid"},
            {"kaufpreis", "Price Paid"},
            {"bezahlt", "Price Paid"},
            {"wherefrom", "Bought From"},
            {"seller", "Bought From"},
            {"shop", "Bought From"},
            {"source", "Bought From"},
            {"gekauftbei", "Bought From"},
            {"händler", "Bought From"},
            {"vendor", "Bought From"},
            {"store", "Bought From"},
            {"verkäufer", "Bought From"},
            {"value", "Catalog Value"},
            {"currentvalue", "Catalog Value"},
            {"wert", "Catalog Value"},
            {"katalogwert", "Catalog Value"},
            {"estvalue", "Catalog Value"},
            {"estimatedvalue", "Catalog Value"},
            {"schätzwert", "Catalog Value"},
            {"askingprice", "Selling Price"},
            {"verkaufspreis", "Selling Price"},
            {"zuverkaufen", "For Sale"},
            {"boughton", "Purchase Date"},
            {"datebought", "Purchase Date"},
            {"purchased", "Purchase Date"},
            {"kaufdatum", "Purchase Date"},
            {"gekauftam", "Purchase Date"},
            {"acquired", "Purchase Date"},
            {"dateacquired", "Purchase Date"},
            {"purchasedate", "Purchase Date"},
            {"verkauft", "Sold"},
            {"soldon", "Date Sold"},
            {"verkaufsdatum", "Date Sold"},
            {"verkauftam", "Date Sold"},
            {"note", "Notes"},
            {"comments", "Notes"},
            {"remarks", "Notes"},
            {"notizen", "Notes"},
            {"bemerkungen", "Notes"},
        };
        QHash<QString, QString> made;
        for (const auto& [other, field] : pairs)
            made.insert(QString::fromUtf8(other), QString::fromUtf8(field));
        return made;
    }();
    return names;
}

// The three numbers of a date as written, and whether the first is a year
// of four digits; nothing for text of another shape.
struct DateParts
{
    int first;
    int second;
    int third;
    bool yearFirst;
    bool yearLast;
};

std::optional<DateParts> datePartsOf(const QString& value)
{
    const QStringView text = QStringView(value).trimmed();
    qsizetype at = 0;
    // a run of from one to most digits, and its length
    const auto number = [&](int most, int& read) {
        const qsizetype from = at;
        read = 0;
        while (at < text.size() && at - from < most && text[at].unicode() >= '0' && text[at].unicode() <= '9')
            read = read * 10 + (text[at++].unicode() - '0');
        return at - from;
    };
    const auto separator = [&] {
        if (at == text.size())
            return false;
        const char16_t c = text[at++].unicode();
        return c == u'.' || c == u'/' || c == u'-' || c == u' ';
    };
    DateParts parts{};
    const qsizetype first = number(4, parts.first);
    if (first == 0 || !separator() || number(2, parts.second) == 0 || !separator())
        return std::nullopt;
    const qsizetype third = number(4, parts.third);
    // a time after the date ("31.12.2023 00:00", "2023-12-31T10:30") is let go
    static const QRegularExpression time(QStringLiteral("^[ T]\\d{1,2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"));
    if (third == 0 || (at != text.size() && !time.match(text.mid(at)).hasMatch()))
        return std::nullopt;
    parts.yearFirst = first == 4;
    parts.yearLast = third == 4;
    return parts;
}

struct YearMonthDay
{
    int year;
    int month;
    int day;
    bool operator==(const YearMonthDay&) const = default;
};

// The day of the calendar the parts make in an order, if any.
std::optional<YearMonthDay> ymdIn(const DateParts& parts, DateOrder order)
{
    if (order == DateOrder::YearMonthDay ? !parts.yearFirst : !parts.yearLast)
        return std::nullopt;
    const YearMonthDay date =
        order == DateOrder::YearMonthDay   ? YearMonthDay{parts.first, parts.second, parts.third}
        : order == DateOrder::DayMonthYear ? YearMonthDay{parts.third, parts.second, parts.first}
                                           : YearMonthDay{parts.third, parts.first, parts.second};
    return QDate::isValid(date.year, date.month, date.day) ? std::optional<YearMonthDay>(date) : std::nullopt;
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// An amount without its currency, blanks and sign: the digits and marks.
struct Number
{
    bool negative = false;
    QStringView digits; // digits, dots, commas and blanks, or empty when the text is none
};

// A sign or code of a currency, and blanks, taken off either end: a code is
// three capital letters ("EUR") or one of the few written otherwise ("kr").
QStringView withoutCurrency(QStringView text)
{
    static const QStringList codes = {QStringLiteral("kr"), QStringLiteral("Fr."), QStringLiteral("Fr"),
                                      QStringLiteral("zł"), QStringLiteral("Kč"),  QStringLiteral("Ft")};
    const auto isCode = [](QStringView word) {
        return codes.contains(word) ||
               (word.size() == 3 && std::all_of(word.begin(), word.end(), [](QChar c) {
                    return c.unicode() >= 'A' && c.unicode() <= 'Z';
                }));
    };
    const auto trimmed = [](QStringView view) {
        view = view.trimmed();
        while (!view.isEmpty() && view.front().category() == QChar::Symbol_Currency)
            view = view.mid(1).trimmed();
        while (!view.isEmpty() && view.back().category() == QChar::Symbol_Currency)
            view = view.chopped(1).trimmed();
        return view;
    };
    text = trimmed(text);
    qsizetype letters = 0;
    while (letters < text.size() && (text[letters].isLetter() || text[letters] == QLatin1Char('.')))
        ++letters;
    if (letters > 0 && isCode(text.left(letters)))
        text = trimmed(text.mid(letters));
    letters = 0;
    while (letters < text.size() && (text[text.size() - 1 - letters].isLetter() ||
                                     text[text.size() - 1 - letters] == QLatin1Char('.')))
        ++letters;
    if (letters > 0 && isCode(text.right(letters)))
        text = trimmed(text.chopped(letters));
    return text;
}

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

// The digits view the value, or respelt where a blank of another kind (when
// grouping by blanks) is made a plain one, or an apostrophe of another kind
// (when grouping by apostrophes) the group mark.
Number numberOf(const QString& value, QChar groupMark, QString& respelt)
{
    QStringView text = withoutCurrency(value);
    Number number;
    if (text.startsWith(QLatin1Char('-'))) {
        number.negative = true;
        text = withoutCurrency(text.mid(1));
    }
    bool otherMarks = false;
    for (const QChar c : text) {
        if (isDigit(c) || c == QLatin1Char('.') || c == QLatin1Char(','))
            continue;
        if ((c.isSpace() && groupMark.isSpace()) || (isApostrophe(c) && isApostrophe(groupMark)))
            otherMarks |= c != groupMark;
        else
            return {};
    }
    if (otherMarks) {
        respelt = text.toString();
        for (QChar& c : respelt)
            if (c.isSpace() || isApostrophe(c))
                c = groupMark;
        text = respelt;
    }
    number.digits = text;
    return number;
}

// How a file's bytes read as UTF-8: throughout; cut off in the middle of
// its last character; never (another code page, whose text may make a few
// UTF-8 characters by chance, but fewer than the bytes that are none); or in
// part (as many UTF-8 characters as bytes that are none, or a UTF-8
// byte-order mark before them).
enum class Utf8
{
    Throughout,
    Never,
    Mixed,
    CutOff
};

Utf8 utf8Of(QIODevice& file)
{
    file.seek(0);
    const bool byteOrderMark = file.peek(3) == QByteArray("\xef\xbb\xbf");
    qint64 characters = 0; // beyond ASCII
    qint64 wrong = 0;      // bytes or sequences that are none
    int expected = 0;      // continuation bytes still to come
    uchar low = 0x80;      // the range of the next one
    uchar high = 0xBF;
    constexpr qint64 kBlock = 1 << 20;
    for (QByteArray bytes = file.read(kBlock); !bytes.isEmpty(); bytes = file.read(kBlock)) {
        for (const char c : std::as_const(bytes)) {
            const uchar byte = uchar(c);
            if (expected > 0) {
                const bool continues = byte >= low && byte <= high;
                low = 0x80;
                high = 0xBF;
                if (continues) {
                    characters += --expected == 0;
                    continue;
                }
                // the sequence is broken off, and this byte begins anew
                ++wrong;
                expected = 0;
            }
            if (byte < 0x80)
                continue;
            if (byte >= 0xC2 && byte <= 0xDF) {
                expected = 1;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                // no overlong forms, and no halves of UTF-16 pairs
                expected = 2;
                low = byte == 0xE0 ? 0xA0 : 0x80;
                high = byte == 0xED ? 0x9F : 0xBF;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                expected = 3;
                low = byte == 0xF0 ? 0x90 : 0x80;
                high = byte == 0xF4 ? 0x8F : 0xBF;
            } else {
                ++wrong;
            }
        }
    }
    if (expected > 0 && characters > 0 && wrong == 0)
        return Utf8::CutOff;
    wrong += expected > 0;
    if (wrong == 0)
        return Utf8::Throughout;
    return byteOrderMark || characters >= wrong ? Utf8::Mixed : Utf8::Never;
}

Read refused(const QString& value, const QString& why)
{
    return {QString(), QStringLiteral("\"%1\" %2").arg(value.trimmed(), why)};
}

} // namespace

std::optional<int> fieldNamed(const QString& name)
{
    const QList<ItemTransfer::Field>& fields = itemFields();
    const auto find = [&](const QString& squeezedName) -> std::optional<int> {
        for (int i = 0; i < fields.size(); ++i)
            if (squeezed(fields[i].header) == squeezedName || squeezed(fields[i].name) == squeezedName)
                return i;
        const QString field = otherNames().value(squeezedName);
        for (int i = 0; i < fields.size() && !field.isEmpty(); ++i)
            if (fields[i].header == field)
                return i;
        return std::nullopt;
    };
    const QString whole = squeezed(name);
    if (const std::optional<int> found = find(whole))
        return found;
    // "Value 2024": a name with a year or a number in it
    QString letters = whole;
    letters.remove(QRegularExpression(QStringLiteral("\\d")));
    return letters.isEmpty() || letters == whole ? std::nullopt : find(letters);
}

QList<int> matchHeader(const QStringList& header)
{
    QList<int> fields;
    for (const QString& name : header) {
        const std::optional<int> field = fieldNamed(name);
        fields.append(field && !fields.contains(*field) ? *field : -1);
    }
    return fields;
}

bool isOwnHeader(const QStringList& header)
{
    const QList<ItemTransfer::Field>& fields = itemFields();
    return std::all_of(header.begin(), header.end(), [&](const QString& name) {
        return name.trimmed().compare(QLatin1String("Photos"), Qt::CaseInsensitive) == 0 ||
               std::any_of(fields.begin(), fields.end(), [&](const ItemTransfer::Field& field) {
                   return name.trimmed().compare(field.header, Qt::CaseInsensitive) == 0 ||
                          name.trimmed().compare(field.name, Qt::CaseInsensitive) == 0;
               });
    });
}

void Evidence::add(const QString& value)
{
    if (const std::optional<DateParts> parts = datePartsOf(value)) {
        // a date that begins with its year reads so in every order, and tells
        // nothing of the column's other dates
        if (parts->yearFirst) {
            m_yearFirst = true;
        } else {
            const std::optional<YearMonthDay> dayFirst = ymdIn(*parts, DateOrder::DayMonthYear);
            const std::optional<YearMonthDay> monthFirst = ymdIn(*parts, DateOrder::MonthDayYear);
            if (dayFirst && monthFirst) {
                m_bothWays |= *dayFirst != *monthFirst;
            } else {
                m_dayFirst |= dayFirst.has_value();
                m_monthFirst |= monthFirst.has_value();
            }
        }
    }
    QString respelt;
    const QStringView digits = numberOf(value, QChar(), respelt).digits;
    const qsizetype dot = digits.lastIndexOf(QLatin1Char('.'));
    const qsizetype comma = digits.lastIndexOf(QLatin1Char(','));
    if (dot >= 0 && comma >= 0) {
        decide(m_decimal, dot > comma ? QLatin1Char('.') : QLatin1Char(','));
        decide(m_group, dot > comma ? QLatin1Char(',') : QLatin1Char('.'));
        return;
    }
    const QChar mark = dot >= 0 ? QLatin1Char('.') : comma >= 0 ? QLatin1Char(',') : QChar();
    if (mark.isNull())
        return;
    const QChar other = mark == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    if (digits.count(mark) > 1) {
        decide(m_group, mark);
        decide(m_decimal, other);
    } else if (digits.size() - digits.indexOf(mark) - 1 != 3 || digits.startsWith(QLatin1Char('0'))) {
        // "12,5", or "0,500", which no grouping writes
        decide(m_decimal, mark);
    } else {
        // "1,250": a thousand and a quarter, or one and a quarter
        m_amountsBothWays = true;
    }
}

void Evidence::add(const Evidence& other)
{
    m_dayFirst |= other.m_dayFirst;
    m_monthFirst |= other.m_monthFirst;
    m_bothWays |= other.m_bothWays;
    m_yearFirst |= other.m_yearFirst;
    m_amountsBothWays |= other.m_amountsBothWays;
    if (!other.m_decimal.isNull())
        decide(m_decimal, other.m_decimal);
    if (!other.m_group.isNull())
        decide(m_group, other.m_group);
    m_marksDisagree |= other.m_marksDisagree;
}

void Evidence::decide(QChar& mark, QChar found)
{
    m_marksDisagree |= !mark.isNull() && mark != found;
    mark = found;
}

std::optional<DateOrder> Evidence::dateOrder() const
{
    if (m_dayFirst != m_monthFirst)
        return m_dayFirst ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
    if (!m_dayFirst && !m_bothWays && m_yearFirst)
        return DateOrder::YearMonthDay;
    return std::nullopt;
}

std::optional<AmountFormat> Evidence::amountFormat(bool* groupDecided) const
{
    if (m_marksDisagree || (m_decimal.isNull() && m_group.isNull()) || m_decimal == m_group)
        return std::nullopt;
    QChar decimal = m_decimal;
    if (decimal.isNull())
        decimal = m_group == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    if (groupDecided)
        *groupDecided = !m_group.isNull();
    return AmountFormat{decimal, m_group.isNull()
                                     ? decimal == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.')
                                     : m_group};
}

std::optional<DateOrder> dateOrderOf(const QStringList& values, bool* ambiguous)
{
    Evidence told;
    for (const QString& value : values)
        told.add(value);
    const std::optional<DateOrder> order = told.dateOrder();
    if (ambiguous)
        *ambiguous = !order && told.datesReadBothWays();
    return order;
}

std::optional<AmountFormat> amountFormatOf(const QStringList& values, bool* groupDecided)
{
    Evidence told;
    for (const QString& value : values)
        told.add(value);
    return told.amountFormat(groupDecided);
}

DateOrder localeDateOrder(const QLocale& locale)
{
    const QString dates = locale.dateFormat(QLocale::ShortFormat).trimmed();
    return dates.startsWith(QLatin1Char('y'))   ? DateOrder::YearMonthDay
           : dates.startsWith(QLatin1Char('M')) ? DateOrder::MonthDayYear
                                                : DateOrder::DayMonthYear;
}

Read readDate(const QString& value, std::optional<DateOrder> order)
{
    if (QStringView(value).trimmed().isEmpty())
        return {};
    const std::optional<DateParts> parts = datePartsOf(value);
    if (!parts)
        return refused(value, QStringLiteral("is not a date"));
    if (!parts->yearFirst && !parts->yearLast)
        return refused(value, QStringLiteral("has no year of four digits"));
    // a date that begins with its year reads so whatever the column's order;
    // with no order told, a date reads only where it reads as one day
    std::optional<YearMonthDay> date;
    if (parts->yearFirst || order) {
        date = ymdIn(*parts, parts->yearFirst ? DateOrder::YearMonthDay : *order);
        if (!date)
            return refused(value, QStringLiteral("is not a date in the order chosen"));
    } else {
        const std::optional<YearMonthDay> dayFirst = ymdIn(*parts, DateOrder::DayMonthYear);
        const std::optional<YearMonthDay> monthFirst = ymdIn(*parts, DateOrder::MonthDayYear);
        if (dayFirst && monthFirst && *dayFirst != *monthFirst)
            return refused(value,
                           QStringLiteral("reads both day first and month first, and no order was chosen"));
        date = dayFirst ? dayFirst : monthFirst;
        if (!date)
            return refused(value, QStringLiteral("is not a date in either order"));
    }
    // the window's calendar begins with the year 100
    if (date->year < 100)
        return refused(value, QStringLiteral("is not a day of the calendar"));
    // a date written as the export writes it is kept as it is
    if (value.size() == 10 && parts->yearFirst && value[4] == QLatin1Char('-') &&
        value[7] == QLatin1Char('-'))
        return {value, {}};
    // yyyy-mm-dd, as the export writes it
    char16_t iso[10];
    const auto put = [&](qsizetype at, int number, int width) {
        for (qsizetype i = at + width - 1; i >= at; --i, number /= 10)
            iso[i] = char16_t(u'0' + number % 10);
    };
    put(0, date->year, 4);
    iso[4] = iso[7] = u'-';
    put(5, date->month, 2);
    put(8, date->day, 2);
    return {QString(reinterpret_cast<const QChar*>(iso), 10), {}};
}

Read readAmount(const QString& value, std::optional<AmountFormat> told)
{
    if (QStringView(value).trimmed().isEmpty())
        return {};
    // told by nobody: as the value reads in every format that reads it
    if (!told) {
        static const AmountFormat formats[] = {{QLatin1Char('.'), QLatin1Char(',')},
                                               {QLatin1Char(','), QLatin1Char('.')},
                                               {QLatin1Char(','), QLatin1Char(' ')},
                                               {QLatin1Char('.'), QChar(0x2019)}};
        Read first;
        std::optional<Read> read;
        for (const AmountFormat& format : formats) {
            Read in = readAmount(value, format);
            if (!in.refused.isEmpty()) {
                if (first.refused.isEmpty())
                    first = std::move(in);
            } else if (!read) {
                read = std::move(in);
            } else if (read->text != in.text) {
                return refused(value, QStringLiteral("reads both as a decimal and as grouped thousands, and "
                                                     "no format was chosen"));
            }
        }
        return read ? *read : first;
    }
    const AmountFormat format = *told;
    // a plain number with a decimal point is already as the export writes it
    if (format.decimalMark == QLatin1Char('.')) {
        qsizetype point = -1;
        bool plain = value.front() != QLatin1Char('.');
        for (qsizetype i = 0; plain && i < value.size(); ++i) {
            const char16_t c = value[i].unicode();
            if (c == u'.' && point < 0)
                point = i;
            else if (c < u'0' || c > u'9')
                plain = false;
        }
        if (plain && (point < 0 || (value.size() - point - 1 >= 1 && value.size() - point - 1 <= 4)))
            return {value, {}};
    }
    QString respelt;
    const Number number = numberOf(value, format.groupMark, respelt);
    const QStringView digits = number.digits;
    if (digits.isEmpty())
        return refused(value, QStringLiteral("is not an amount"));
    const qsizetype point = digits.indexOf(format.decimalMark);
    if (point >= 0 && digits.indexOf(format.decimalMark, point + 1) >= 0)
        return refused(value, QStringLiteral("is not an amount"));
    const QStringView whole = point >= 0 ? digits.left(point) : digits;
    const QStringView fraction = point >= 0 ? digits.mid(point + 1) : QStringView();
    for (const QChar c : fraction)
        if (!isDigit(c))
            return refused(value, QStringLiteral("is not an amount"));
    if (fraction.size() > 4)
        return refused(value, QStringLiteral("has more than four decimals"));
    // the groups of the whole part, the first of one to three digits (and no
    // leading zero), each after it of three
    const bool grouped = !format.groupMark.isNull() && whole.contains(format.groupMark);
    QString text;
    text.reserve(digits.size() + 1);
    if (number.negative)
        text.append(QLatin1Char('-'));
    for (qsizetype from = 0, group = 0;; ++group) {
        const qsizetype to = grouped ? whole.indexOf(format.groupMark, from) : -1;
        const QStringView digitsOfGroup = whole.mid(from, to < 0 ? whole.size() - from : to - from);
        for (const QChar c : digitsOfGroup)
            if (!isDigit(c))
                return refused(value, QStringLiteral("is not an amount"));
        if (digitsOfGroup.isEmpty() || (group > 0 && digitsOfGroup.size() != 3) ||
            (grouped && group == 0 &&
             (digitsOfGroup.front() == QLatin1Char('0') || digitsOfGroup.size() > 3)))
            return refused(value, QStringLiteral("is not grouped in threes"));
        text.append(digitsOfGroup);
        if (to < 0)
            break;
        from = to + 1;
    }
    if (!fraction.isEmpty())
        text.append(QLatin1Char('.')).append(fraction);
    return {text, {}};
}

Read readWhole(const QString& value)
{
    const QStringView number = QStringView(value).trimmed();
    const QStringView digits = number.mid(number.startsWith(QLatin1Char('-')) ? 1 : 0);
    if (number.isEmpty())
        return {};
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return refused(value, QStringLiteral("is not a whole number"));
    return {number.toString(), {}};
}

Read readYesNo(const QString& value, const QLocale& locale)
{
    static const QHash<QLocale::Language, std::pair<QStringList, QStringList>> words = {
        {QLocale::German,
         {{QStringLiteral("ja"), QStringLiteral("wahr")},
          {QStringLiteral("nein"), QStringLiteral("falsch")}}},
        {QLocale::French,
         {{QStringLiteral("oui"), QStringLiteral("vrai")}, {QStringLiteral("non"), QStringLiteral("faux")}}},
        {QLocale::Spanish,
         {{QStringLiteral("sí"), QStringLiteral("si"), QStringLiteral("verdadero")},
          {QStringLiteral("falso")}}},
        {QLocale::Italian,
         {{QStringLiteral("sì"), QStringLiteral("si"), QStringLiteral("vero")}, {QStringLiteral("falso")}}},
        {QLocale::Dutch,
         {{QStringLiteral("ja"), QStringLiteral("waar")}, {QStringLiteral("nee"), QStringLiteral("onwaar")}}},
    };
    static const QStringList english[2] = {
        {QStringLiteral("yes"), QStringLiteral("y"), QStringLiteral("true"), QStringLiteral("x"),
         QStringLiteral("1")},
        {QString(), QStringLiteral("no"), QStringLiteral("n"), QStringLiteral("false"), QStringLiteral("0")}};
    const QStringView word = QStringView(value).trimmed();
    const auto local = words.constFind(locale.language());
    const auto among = [&](const QStringList& list) { return list.contains(word, Qt::CaseInsensitive); };
    if (among(english[0]) || (local != words.cend() && among(local->first)))
        return {QStringLiteral("Yes"), {}};
    if (among(english[1]) || (local != words.cend() && among(local->second)))
        return {QStringLiteral("No"), {}};
    return refused(value, QStringLiteral("is neither yes nor no"));
}

void Mapping::readFileAs(std::optional<DateOrder> order, std::optional<AmountFormat> format)
{
    chosenOrder = order;
    chosenFormat = format;
    readAsTold();
}

void Mapping::readAsTold()
{
    // dates that begin with their year tell nothing of the others
    std::optional<DateOrder> toldOrder = datesTell().dateOrder();
    if (toldOrder == DateOrder::YearMonthDay)
        toldOrder.reset();
    dateOrder = chosenOrder ? chosenOrder : toldOrder ? toldOrder : keptOrder;
    const Told orderBy = chosenOrder ? Told::Chosen
                         : toldOrder ? Told::OtherColumns
                         : keptOrder ? Told::LastImport
                                     : Told::Nobody;
    const QChar group = locale.groupSeparator().at(0);
    const AmountFormat localeFormat{locale.decimalPoint().at(0), group.isSpace() ? QLatin1Char(' ') : group};
    bool toldGroup = false;
    std::optional<AmountFormat> toldFormat = amountsTell().amountFormat(&toldGroup);
    if (toldFormat && !toldGroup && toldFormat->decimalMark == localeFormat.decimalMark)
        toldFormat->groupMark = localeFormat.groupMark;
    amountFormat = chosenFormat ? chosenFormat : toldFormat;
    for (Column& column : columns) {
        const std::optional<DateOrder> ownOrder = column.values.dateOrder();
        column.dateOrder = ownOrder ? ownOrder : dateOrder;
        column.dateTold = ownOrder ? Told::Values : orderBy;
        bool ownGroup = false;
        const std::optional<AmountFormat> own = column.values.amountFormat(&ownGroup);
        const std::optional<AmountFormat> kept = column.keptFormat;
        if (own) {
            column.amountFormat = !ownGroup && amountFormat && own->decimalMark == amountFormat->decimalMark
                                      ? amountFormat
                                      : own;
            column.amountTold = Told::Values;
        } else if (kept && !chosenFormat &&
                   (!toldFormat || (!toldGroup && toldFormat->decimalMark == kept->decimalMark))) {
            // kept for the column, where the others tell nothing of it but its decimal mark
            column.amountFormat = kept;
            column.amountTold = Told::LastImport;
        } else {
            column.amountFormat = amountFormat;
            column.amountTold = chosenFormat ? Told::Chosen : toldFormat ? Told::OtherColumns : Told::Nobody;
        }
    }
}

Evidence Mapping::datesTell() const
{
    Evidence told;
    for (const Column& column : columns)
        if (column.field >= 0 && itemFields()[column.field].kind == ItemTransfer::FieldKind::Date)
            told.add(column.values);
    return told;
}

Evidence Mapping::amountsTell() const
{
    Evidence told;
    for (const Column& column : columns)
        if (column.field >= 0 && itemFields()[column.field].kind == ItemTransfer::FieldKind::Amount)
            told.add(column.values);
    return told;
}

QStringList Mapping::header() const
{
    const QList<ItemTransfer::Field>& fields = itemFields();
    QStringList names;
    for (const Column& column : columns)
        if (column.field >= 0)
            names.append(fields[column.field].header);
    return names;
}

Read Mapping::read(qsizetype column, const QString& value) const
{
    const Column& matched = columns[column];
    switch (itemFields()[matched.field].kind) {
    case ItemTransfer::FieldKind::Date:
        return readDate(value, matched.dateOrder);
    case ItemTransfer::FieldKind::Amount:
        return readAmount(value, matched.amountFormat);
    case ItemTransfer::FieldKind::YesNo:
        return readYesNo(value, locale);
    case ItemTransfer::FieldKind::Long:
        return readWhole(value);
    default:
        return {value, {}};
    }
}

std::optional<Mapping::Unread> Mapping::row(QStringList& record, qsizetype fieldCount) const
{
    if (fieldCount > columns.size())
        return Unread{QStringLiteral("more fields than the header names"),
                      QStringLiteral("it has %1 fields where the header names %2.")
                          .arg(fieldCount)
                          .arg(columns.size())};
    const QList<ItemTransfer::Field>& fields = itemFields();
    record.resize(columns.size());
    // each matched value moves to its field's place, read where its field is
    // read; a text is taken as it is
    qsizetype kept = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        if (column.field < 0)
            continue;
        switch (fields[column.field].kind) {
        case ItemTransfer::FieldKind::Date:
        case ItemTransfer::FieldKind::Amount:
        case ItemTransfer::FieldKind::YesNo:
        case ItemTransfer::FieldKind::Long: {
            Read read = this->read(i, record[i]);
            if (!read.refused.isEmpty())
                return Unread{fields[column.field].header + QStringLiteral(": a value read no one way"),
                              fields[column.field].header + QStringLiteral(": ") + read.refused +
                                  QLatin1Char('.')};
            record[kept++] = std::move(read.text);
            break;
        }
        default:
            if (kept != i)
                record[kept] = std::move(record[i]);
            ++kept;
        }
    }
    record.resize(kept);
    return std::nullopt;
}

QString shownAs(int field, const QString& text, const RegionalSettings& regional)
{
    switch (itemFields()[field].kind) {
    case ItemTransfer::FieldKind::Date: {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        return date.isValid() ? regional.formatShortDate(date) : text;
    }
    case ItemTransfer::FieldKind::Amount: {
        static const RegionalSettings plain(QLocale::c());
        const std::optional<Money> amount = plain.toMoney(text);
        return amount ? regional.formatCurrency(*amount) : text;
    }
    default:
        return text;
    }
}

QString legacyEncoding(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
        return QStringLiteral("windows-1250");
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Bulgarian:
    case QLocale::Serbian:
        return QStringLiteral("windows-1251");
    case QLocale::Greek:
        return QStringLiteral("windows-1253");
    case QLocale::Turkish:
        return QStringLiteral("windows-1254");
    case QLocale::Lithuanian:
    case QLocale::Latvian:
    case QLocale::Estonian:
        return QStringLiteral("windows-1257");
    case QLocale::Japanese:
        return QStringLiteral("Shift_JIS");
    case QLocale::Chinese:
        return QStringLiteral("GBK");
    default:
        return QStringLiteral("windows-1252");
    }
}

Sample sampleOf(QIODevice& file, const QLocale& locale)
{
    Sample sample;
    // a spreadsheet's "Unicode text" begins with the byte-order mark of UTF-16
    file.seek(0);
    const QByteArray start = file.peek(2);
    if (start == QByteArray("\xff\xfe", 2) || start == QByteArray("\xfe\xff", 2)) {
        sample.failure =
            QStringLiteral("The file is in UTF-16: save it from the spreadsheet as \"CSV UTF-8\".");
        return sample;
    }
    switch (utf8Of(file)) {
    case Utf8::Throughout:
        break;
    case Utf8::Never:
        sample.encoding = legacyEncoding(locale);
        break;
    case Utf8::Mixed:
        sample.failure = QStringLiteral("The file is in UTF-8 in part only: save it from the spreadsheet as "
                                        "\"CSV UTF-8\".");
        return sample;
    case Utf8::CutOff:
        sample.failure = QStringLiteral("The file ends in the middle of a character: it is not whole, or it "
                                        "is not UTF-8.");
        return sample;
    }
    file.seek(0);
    Csv::Reader reader(file, sample.encoding);
    QStringList fields;
    qint64 line = 0;
    if (reader.next(fields, line))
        sample.header = fields;
    while (sample.rows.size() < Sample::kRows && reader.next(fields, line))
        sample.rows.append(fields);
    sample.failure = reader.failure();
    if (sample.header.isEmpty() && sample.failure.isEmpty())
        sample.failure = QStringLiteral("The file is empty.");
    return sample;
}

QList<Distinct> distinctValues(QIODevice& file, const QString& encoding)
{
    file.seek(0);
    Csv::Reader reader(file, encoding);
    QStringList fields;
    qint64 line = 0;
    if (!reader.next(fields, line))
        return {};
    reader.setMostFields(fields.size());
    QList<Distinct> columns(fields.size());
    std::vector<QSet<QString>> seen(std::size_t(fields.size()));
    while (reader.next(fields, line)) {
        for (qsizetype i = 0; i < std::min(fields.size(), columns.size()); ++i) {
            const QString value = fields[i].trimmed();
            Distinct& column = columns[i];
            if (value.isEmpty() || seen[std::size_t(i)].contains(value))
                continue;
            column.told.add(value);
            if (column.values.size() == Distinct::kMost) {
                column.more = true;
                continue;
            }
            seen[std::size_t(i)].insert(value);
            column.values.append(value);
        }
    }
    return columns;
}

namespace {

Mapping proposed(const QStringList& header, const QList<Evidence>& told, const QLocale& locale,
                 const QString& encoding)
{
    Mapping mapping;
    mapping.locale = locale;
    mapping.encoding = encoding;
    const QList<int> fields = matchHeader(header);
    for (qsizetype i = 0; i < header.size(); ++i) {
        Column column;
        column.field = fields[i];
        column.values = told.value(i);
        mapping.columns.append(column);
    }
    mapping.readAsTold();
    return mapping;
}

} // namespace

Mapping proposeForFile(const QStringList& header, const QList<Distinct>& file, const QLocale& locale,
                       const QString& encoding)
{
    QList<Evidence> told;
    for (const Distinct& column : file)
        told.append(column.told);
    return proposed(header, told, locale, encoding);
}

Mapping propose(const QStringList& header, const QList<QStringList>& sample, const QLocale& locale,
                const QString& encoding)
{
    QList<Evidence> told(header.size());
    for (const QStringList& row : sample)
        for (qsizetype i = 0; i < header.size(); ++i)
            told[i].add(row.value(i));
    return proposed(header, told, locale, encoding);
}

} // namespace ColumnMatch
