#include "regional/RegionalSettings.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

class TestRegional : public QObject
{
    Q_OBJECT

private slots:
    void moneyFromDouble_data();
    void moneyFromDouble();
    void moneyRoundedTo_data();
    void moneyRoundedTo();
    void toNumber_data();
    void toNumber();
    void toMoney_data();
    void toMoney();
    void formatCurrency_data();
    void formatCurrency();
    void formatCurrencyOfDouble_data();
    void formatCurrencyOfDouble();
    void formatTotal_data();
    void formatTotal();
    void currencyRoundTrip_data();
    void currencyRoundTrip();
    void currencyAsQtWritesIt_data();
    void currencyAsQtWritesIt();
    void shortDateFormat_data();
    void shortDateFormat();
    void toDate_data();
    void toDate();
    void shortDateRoundTrip_data();
    void shortDateRoundTrip();
    void everyLocaleReadsBackWhatItPrints_data();
    void everyLocaleReadsBackWhatItPrints();
    void names_data();
    void names();
};

static QLocale localeNamed(const QString& name)
{
    return name == u"C" ? QLocale::c() : QLocale(name);
}

static const QStringList kLocales{u"en_US"_s, u"de_DE"_s, u"fr_FR"_s, u"en_GB"_s, u"ja_JP"_s, u"C"_s};

constexpr qint64 kMaxUnits = std::numeric_limits<qint64>::max();
constexpr qint64 kMinUnits = std::numeric_limits<qint64>::min();

void TestRegional::moneyFromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QVariant>("units");

    QTest::newRow("rounds up") << 1.23456 << QVariant(qint64(12346));
    QTest::newRow("half to even, down") << 2.00005 << QVariant(qint64(20000));
    QTest::newRow("half to even, up") << 2.00015 << QVariant(qint64(20002));
    QTest::newRow("negative half to even") << -2.00005 << QVariant(qint64(-20000));
    QTest::newRow("tiny half") << 0.00005 << QVariant(qint64(0));
    QTest::newRow("largest") << 9.2e14 << QVariant(qint64(9200000000000000000));
    QTest::newRow("beyond range") << 1e15 << QVariant();
    QTest::newRow("NaN") << std::nan("") << QVariant();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QVariant();
}

void TestRegional::moneyFromDouble()
{
    QFETCH(double, value);
    QFETCH(QVariant, units);
    const std::optional<Money> money = Money::fromDouble(value);
    QCOMPARE(money.has_value(), units.isValid());
    if (money)
        QCOMPARE(money->units(), units.toLongLong());
}

void TestRegional::moneyRoundedTo_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("cents, down") << qint64(12349) << 2 << qint64(12300);
    QTest::newRow("cents, half away from zero") << qint64(12350) << 2 << qint64(12400);
    QTest::newRow("cents, even half still up") << qint64(12250) << 2 << qint64(12300);
    QTest::newRow("negative half away from zero") << qint64(-12350) << 2 << qint64(-12400);
    QTest::newRow("whole, half") << qint64(25000) << 0 << qint64(30000);
    QTest::newRow("whole, just below half") << qint64(4999) << 0 << qint64(0);
    QTest::newRow("four decimals unchanged") << qint64(12345) << 4 << qint64(12345);
    QTest::newRow("top of range toward zero") << kMaxUnits << 0 << qint64(9223372036854770000);
    QTest::newRow("bottom of range toward zero") << kMinUnits << 0 << qint64(-9223372036854770000);
    QTest::newRow("bottom of range, cents") << kMinUnits << 2 << qint64(-9223372036854775800);
}

void TestRegional::moneyRoundedTo()
{
    QFETCH(qint64, units);
    QFETCH(int, decimals);
    QFETCH(qint64, expected);
    QCOMPARE(Money::fromUnits(units).roundedTo(decimals).units(), expected);
}

void TestRegional::toNumber_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");

    const QVariant none;
    QTest::newRow("us plain") << u"en_US"_s << u"1234.5"_s << QVariant(1234.5);
    QTest::newRow("us grouped") << u"en_US"_s << u"1,234,567.25"_s << QVariant(1234567.25);
    QTest::newRow("us currency") << u"en_US"_s << u"$1,234.50"_s << QVariant(1234.5);
    QTest::newRow("us parentheses") << u"en_US"_s << u"($1,234.50)"_s << QVariant(-1234.5);
    QTest::newRow("us symbol inside parentheses") << u"en_US"_s << u"$(5)"_s << QVariant(-5.0);
    QTest::newRow("us sign before symbol") << u"en_US"_s << u"-$5"_s << QVariant(-5.0);
    QTest::newRow("us sign after symbol") << u"en_US"_s << u"$-5"_s << QVariant(-5.0);
    QTest::newRow("us trailing sign") << u"en_US"_s << u"5-"_s << QVariant(-5.0);
    QTest::newRow("us symbol after, spaced") << u"en_US"_s << u"12 $"_s << QVariant(12.0);
    QTest::newRow("us ISO code") << u"en_US"_s << u"USD 12"_s << QVariant(12.0);
    QTest::newRow("us leading point") << u"en_US"_s << u".5"_s << QVariant(0.5);
    QTest::newRow("us exponent") << u"en_US"_s << u"1e3"_s << QVariant(1000.0);
    QTest::newRow("us negative exponent") << u"en_US"_s << u"-1.5E-2"_s << QVariant(-0.015);
    QTest::newRow("us minus zero is zero") << u"en_US"_s << u"-0"_s << QVariant(0.0);
    QTest::newRow("us empty") << u"en_US"_s << QString() << none;
    QTest::newRow("us lone sign") << u"en_US"_s << u"-"_s << none;
    QTest::newRow("us lone symbol") << u"en_US"_s << u"$"_s << none;
    QTest::newRow("us empty parentheses") << u"en_US"_s << u"()"_s << none;
    QTest::newRow("us unclosed parenthesis") << u"en_US"_s << u"(5"_s << none;
    QTest::newRow("us sign in parentheses") << u"en_US"_s << u"(-5)"_s << none;
    QTest::newRow("us two signs") << u"en_US"_s << u"-5-"_s << none;
    QTest::newRow("us group of one") << u"en_US"_s << u"1,2"_s << none;
    QTest::newRow("us group of two") << u"en_US"_s << u"1,234,56"_s << none;
    QTest::newRow("us leading group of four") << u"en_US"_s << u"1234,567"_s << none;
    QTest::newRow("us trailing group separator") << u"en_US"_s << u"1,"_s << none;
    QTest::newRow("us grouping in fraction") << u"en_US"_s << u"1.234,5"_s << none;
    QTest::newRow("us space is no grouping") << u"en_US"_s << u"1 234"_s << none;
    QTest::newRow("us bare exponent") << u"en_US"_s << u"1e"_s << none;
    QTest::newRow("us overflow") << u"en_US"_s << u"1e999"_s << none;

    QTest::newRow("de grouped") << u"de_DE"_s << u"1.234,5"_s << QVariant(1234.5);
    QTest::newRow("de point is no decimal") << u"de_DE"_s << u"12.5"_s << none;
    QTest::newRow("de comma is no grouping") << u"de_DE"_s << u"1,234.5"_s << none;
    QTest::newRow("de currency") << u"de_DE"_s << u"1.234.567,89\u00a0€"_s << QVariant(1234567.89);
    QTest::newRow("de typed currency") << u"de_DE"_s << u"-12,50 €"_s << QVariant(-12.5);
    QTest::newRow("de trailing sign") << u"de_DE"_s << u"12,5-"_s << QVariant(-12.5);

    QTest::newRow("fr typed space") << u"fr_FR"_s << u"1 234,5"_s << QVariant(1234.5);
    QTest::newRow("fr no-break space") << u"fr_FR"_s << u"1\u00a0234,5"_s << QVariant(1234.5);
    QTest::newRow("fr narrow no-break space")
        << u"fr_FR"_s << u"1\u202f234\u202f567"_s << QVariant(1234567.0);
    QTest::newRow("fr currency") << u"fr_FR"_s << u"1\u202f234,50\u00a0€"_s << QVariant(1234.5);
    QTest::newRow("fr negative currency") << u"fr_FR"_s << u"(1\u202f234,50\u00a0€)"_s << QVariant(-1234.5);
    QTest::newRow("fr typed currency") << u"fr_FR"_s << u"-1 234 €"_s << QVariant(-1234.0);
    QTest::newRow("fr spaced wrongly") << u"fr_FR"_s << u"12 5"_s << none;

    QTest::newRow("gb currency") << u"en_GB"_s << u"£1,234.50"_s << QVariant(1234.5);
    QTest::newRow("gb dollar is no symbol") << u"en_GB"_s << u"$5"_s << none;

    QTest::newRow("jp fullwidth yen") << u"ja_JP"_s << u"\uffe51,235"_s << QVariant(1235.0);
    QTest::newRow("jp yen") << u"ja_JP"_s << u"\u00a51,235"_s << QVariant(1235.0);

    QTest::newRow("C grouped") << u"C"_s << u"1,234.5"_s << QVariant(1234.5);

    QTest::newRow("in Indian grouping") << u"en_IN"_s << u"12,34,567.50"_s << QVariant(1234567.5);
    QTest::newRow("in groups of three") << u"en_IN"_s << u"1,234,567"_s << none;
    QTest::newRow("es grouped") << u"es_ES"_s << u"1.234,5"_s << QVariant(1234.5);
    QTest::newRow("es as Qt groups it") << u"es_ES"_s << u"1234.567,5"_s << QVariant(1234567.5);
    QTest::newRow("ch typed apostrophe") << u"de_CH"_s << u"1'234.50"_s << QVariant(1234.5);
    QTest::newRow("sv minus sign") << u"sv_SE"_s << u"\u22121\u00a0234,5\u00a0kr"_s << QVariant(-1234.5);
}

void TestRegional::toNumber()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);

    const RegionalSettings settings(localeNamed(locale));
    const std::optional<double> number = settings.toNumber(text);
    QCOMPARE(number.has_value(), expected.isValid());
    QCOMPARE(settings.isNumeric(text), expected.isValid());
    if (number) {
        QCOMPARE(*number, expected.toDouble());
        QVERIFY(!std::signbit(*number) || *number != 0);
    }
}

void TestRegional::toMoney_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("units");

    QTest::newRow("currency") << u"en_US"_s << u"$1,234.5678"_s << QVariant(qint64(12345678));
    QTest::newRow("parentheses") << u"en_US"_s << u"($0.01)"_s << QVariant(qint64(-100));
    QTest::newRow("half to even, down") << u"en_US"_s << u"0.00005"_s << QVariant(qint64(0));
    QTest::newRow("half to even, up") << u"en_US"_s << u"0.00015"_s << QVariant(qint64(2));
    QTest::newRow("above half") << u"en_US"_s << u"0.000050000000000000000001"_s << QVariant(qint64(1));
    QTest::newRow("negative half") << u"en_US"_s << u"-2.00015"_s << QVariant(qint64(-20002));
    QTest::newRow("digits beyond double")
        << u"en_US"_s << u"123456789012.34565"_s << QVariant(qint64(1234567890123456));
    QTest::newRow("negative exponent") << u"en_US"_s << u"15e-5"_s << QVariant(qint64(2));
    QTest::newRow("zero with huge exponent") << u"en_US"_s << u"0e99999"_s << QVariant(qint64(0));
    QTest::newRow("largest") << u"en_US"_s << u"922,337,203,685,477.5807"_s << QVariant(kMaxUnits);
    QTest::newRow("smallest") << u"en_US"_s << u"-922337203685477.5808"_s << QVariant(kMinUnits);
    QTest::newRow("one too large") << u"en_US"_s << u"922337203685477.5808"_s << QVariant();
    QTest::newRow("rounds past the top") << u"en_US"_s << u"922337203685477.58075"_s << QVariant();
    QTest::newRow("twenty digits") << u"en_US"_s << u"12345678901234567890"_s << QVariant();
    QTest::newRow("huge exponent") << u"en_US"_s << u"1e15"_s << QVariant();
    QTest::newRow("de currency") << u"de_DE"_s << u"-1.234,56 €"_s << QVariant(qint64(-12345600));
    QTest::newRow("fr typed space") << u"fr_FR"_s << u"1 234,5"_s << QVariant(qint64(12345000));
}

void TestRegional::toMoney()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QVariant, units);

    const std::optional<Money> money = RegionalSettings(localeNamed(locale)).toMoney(text);
    QCOMPARE(money.has_value(), units.isValid());
    if (money)
        QCOMPARE(money->units(), units.toLongLong());
}

void TestRegional::formatCurrency_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("expected");

    QTest::newRow("us") << u"en_US"_s << qint64(12345000) << u"$1,234.50"_s;
    QTest::newRow("us negative") << u"en_US"_s << qint64(-12345000) << u"($1,234.50)"_s;
    QTest::newRow("us half cent away from zero") << u"en_US"_s << qint64(50) << u"$0.01"_s;
    QTest::newRow("us no negative zero") << u"en_US"_s << qint64(-49) << u"$0.00"_s;
    QTest::newRow("us every digit of the largest") << u"en_US"_s << kMaxUnits << u"$922,337,203,685,477.58"_s;
    QTest::newRow("us every digit of the smallest")
        << u"en_US"_s << kMinUnits << u"($922,337,203,685,477.58)"_s;
    QTest::newRow("de") << u"de_DE"_s << qint64(12345000) << u"1.234,50\u00a0€"_s;
    QTest::newRow("de negative") << u"de_DE"_s << qint64(-12345000) << u"-1.234,50\u00a0€"_s;
    QTest::newRow("fr") << u"fr_FR"_s << qint64(12345000) << u"1\u202f234,50\u00a0€"_s;
    QTest::newRow("fr negative") << u"fr_FR"_s << qint64(-12345000) << u"(1\u202f234,50\u00a0€)"_s;
    QTest::newRow("gb negative") << u"en_GB"_s << qint64(-50000) << u"(£5.00)"_s;
    QTest::newRow("jp negative") << u"ja_JP"_s << qint64(-25000) << u"(\uffe53)"_s;
    QTest::newRow("jp no decimals") << u"ja_JP"_s << qint64(12345000) << u"\uffe51,235"_s;
    QTest::newRow("jp half away from zero") << u"ja_JP"_s << qint64(25000) << u"\uffe53"_s;
    QTest::newRow("C") << u"C"_s << qint64(12345000) << u"1234.50"_s;
}

void TestRegional::formatCurrency()
{
    QFETCH(QString, locale);
    QFETCH(qint64, units);
    QFETCH(QString, expected);
    QCOMPARE(RegionalSettings(localeNamed(locale)).formatCurrency(Money::fromUnits(units)), expected);
}

void TestRegional::formatCurrencyOfDouble_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("expected");

    QTest::newRow("product of quantity and price") << 3 * 1.655 << u"$4.97"_s;
    QTest::newRow("binary just below the half") << 2.675 << u"$2.68"_s;
    QTest::newRow("negative") << -6.0 << u"($6.00)"_s;
    QTest::newRow("no negative zero") << -0.001 << u"$0.00"_s;
    QTest::newRow("beyond money") << 1e16 << u"$10,000,000,000,000,000.00"_s;
}

void TestRegional::formatCurrencyOfDouble()
{
    QFETCH(double, amount);
    QFETCH(QString, expected);
    QCOMPARE(RegionalSettings(QLocale(u"en_US"_s)).formatCurrency(amount), expected);
}

void TestRegional::formatTotal_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("expected"); // empty: no total

    QTest::newRow("rounded once, not at four decimals first")
        << u"en_US"_s << u"2"_s << u"1.00249"_s << u"$2.00"_s;
    QTest::newRow("half a cent away from zero") << u"en_US"_s << u"3"_s << u"1.655"_s << u"$4.97"_s;
    QTest::newRow("negative half a cent") << u"en_US"_s << u"-1"_s << u"0.005"_s << u"($0.01)"_s;
    QTest::newRow("fractions of both") << u"en_US"_s << u"2.5"_s << u"$0.01"_s << u"$0.03"_s;
    QTest::newRow("digits beyond a double")
        << u"en_US"_s << u"1"_s << u"0.00499999999999999999"_s << u"$0.00"_s;
    QTest::newRow("whole yen") << u"ja_JP"_s << u"3"_s << u"0.5"_s << u"\uffe52"_s;
    QTest::newRow("beyond money") << u"en_US"_s << u"1000000000"_s << u"1000000"_s
                                  << u"$1,000,000,000,000,000.00"_s;
    QTest::newRow("pages of digits, at once")
        << u"en_US"_s << QString(30000, u'0') + u"2"_s << QString(30000, u'0') + u"1.5"_s << u"$3.00"_s;
    QTest::newRow("quantity no number") << u"en_US"_s << u"abc"_s << u"1"_s << QString();
    QTest::newRow("price no number") << u"en_US"_s << u"1"_s << QString() << QString();
}

void TestRegional::formatTotal()
{
    QFETCH(QString, locale);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, expected);
    QCOMPARE(RegionalSettings(localeNamed(locale)).formatTotal(quantity, price).value_or(QString()),
             expected);
}

void TestRegional::currencyRoundTrip_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("decimals");

    for (const QString& name : kLocales)
        QTest::newRow(qPrintable(name)) << name << (name == u"ja_JP" ? 0 : 2);
    // Indian grouping, a leading group of four, apostrophes, the minus sign,
    // Arabic digits and bidirectional marks.
    QTest::newRow("en_IN") << u"en_IN"_s << 2;
    QTest::newRow("es_ES") << u"es_ES"_s << 2;
    QTest::newRow("de_CH") << u"de_CH"_s << 2;
    QTest::newRow("sv_SE") << u"sv_SE"_s << 2;
    QTest::newRow("ar_EG") << u"ar_EG"_s << 2;
    QTest::newRow("fa_IR") << u"fa_IR"_s << 0;
}

void TestRegional::currencyRoundTrip()
{
    QFETCH(QString, locale);
    QFETCH(int, decimals);

    const RegionalSettings settings(localeNamed(locale));
    for (const qint64 units : {qint64(0), qint64(1), qint64(12345), qint64(-12345), qint64(12345678900),
                               qint64(-12345678900), qint64(1234567890123456), kMaxUnits, kMinUnits + 1}) {
        const Money amount = Money::fromUnits(units);
        const QString text = settings.formatCurrency(amount);
        const std::optional<Money> money = settings.toMoney(text);
        const std::optional<double> number = settings.toNumber(text);
        QVERIFY2(money && number, qPrintable(text));
        QCOMPARE(*money, amount.roundedTo(decimals));
        QCOMPARE(*number, money->toDouble());
        // A double holds every cent only up to about 4.5e13.
        if (std::abs(*number) < 1e13)
            QCOMPARE(settings.formatCurrency(*number), text);
    }
}

void TestRegional::currencyAsQtWritesIt_data()
{
    QTest::addColumn<QString>("locale");
    for (const QString& name : kLocales + QStringList{u"en_IN"_s, u"es_ES"_s, u"de_CH"_s, u"ar_EG"_s,
                                                      u"fa_IR"_s, u"ccp"_s, u"hi_IN"_s})
        QTest::newRow(qPrintable(name)) << name;
}

// Amounts a double holds exactly, small and large, either side of the first
// group separator: written in the locale's own digits, grouping and symbol.
void TestRegional::currencyAsQtWritesIt()
{
    QFETCH(QString, locale);
    const QLocale qt = localeNamed(locale);
    const RegionalSettings settings(qt);
    const int decimals = locale == u"ja_JP" || locale == u"fa_IR" ? 0 : 2;
    for (const double amount : {0.0, 0.5, 7.0, 12.25, 999.0, 999.5, 1000.0, 1234.5, 99999.75, 1234567.0, -3.5,
                                -999.5, -1000.0, -123456.25}) {
        QCOMPARE(settings.formatCurrency(*Money::fromDouble(amount)),
                 qt.toCurrencyString(amount, QString(), decimals));
    }
}

void TestRegional::shortDateFormat_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("en_US widened") << u"en_US"_s << u"M/d/yyyy"_s;
    QTest::newRow("de_DE widened") << u"de_DE"_s << u"dd.MM.yyyy"_s;
    QTest::newRow("fr_FR") << u"fr_FR"_s << u"dd/MM/yyyy"_s;
    QTest::newRow("ja_JP") << u"ja_JP"_s << u"yyyy/MM/dd"_s;
    QTest::newRow("C") << u"C"_s << u"d MMM yyyy"_s;
    QTest::newRow("bg_BG quoted literal") << u"bg_BG"_s << u"d.MM.yyyy '\u0433'."_s;
}

void TestRegional::shortDateFormat()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(RegionalSettings(localeNamed(locale)).shortDateFormat(), expected);
}

void TestRegional::toDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");

    const QDate none;
    QTest::newRow("us format") << u"en_US"_s << u"3/5/2024"_s << QDate(2024, 3, 5);
    QTest::newRow("us two-digit year") << u"en_US"_s << u"3/5/24"_s << QDate(2024, 3, 5);
    QTest::newRow("us year 29") << u"en_US"_s << u"12/31/29"_s << QDate(2029, 12, 31);
    QTest::newRow("us year 30") << u"en_US"_s << u"1/1/30"_s << QDate(1930, 1, 1);
    QTest::newRow("us year 00") << u"en_US"_s << u"2/29/00"_s << QDate(2000, 2, 29);
    QTest::newRow("us one-digit year") << u"en_US"_s << u"1/2/3"_s << QDate(2003, 1, 2);
    QTest::newRow("us hyphens") << u"en_US"_s << u"3-5-98"_s << QDate(1998, 3, 5);
    QTest::newRow("us blanks") << u"en_US"_s << u"7 5 1998"_s << QDate(1998, 7, 5);
    QTest::newRow("us runs of blanks") << u"en_US"_s << u"7   5\t 1998"_s << QDate(1998, 7, 5);
    QTest::newRow("us mixed separators") << u"en_US"_s << u"3/5-1998"_s << QDate(1998, 3, 5);
    QTest::newRow("us blanks around slash") << u"en_US"_s << u"3 / 5 / 1998"_s << QDate(1998, 3, 5);
    QTest::newRow("us surrounding white space") << u"en_US"_s << u"  3/5/2024 "_s << QDate(2024, 3, 5);
    QTest::newRow("us month 31") << u"en_US"_s << u"31/31/98"_s << none;
    QTest::newRow("us 30 February") << u"en_US"_s << u"2/30/2024"_s << none;
    QTest::newRow("us year 0000") << u"en_US"_s << u"1/1/0000"_s << none;
    QTest::newRow("us year 0099") << u"en_US"_s << u"3/4/0099"_s << none;
    QTest::newRow("us year 099") << u"en_US"_s << u"3/4/099"_s << none;
    QTest::newRow("us year 99") << u"en_US"_s << u"3/4/99"_s << QDate(1999, 3, 4);
    QTest::newRow("us year 0100") << u"en_US"_s << u"3/4/0100"_s << QDate(100, 3, 4);
    QTest::newRow("us five-digit year") << u"en_US"_s << u"1/1/20240"_s << none;
    QTest::newRow("us two numbers") << u"en_US"_s << u"3/5"_s << none;
    QTest::newRow("us four numbers") << u"en_US"_s << u"3/5/2024/1"_s << none;
    QTest::newRow("us double separator") << u"en_US"_s << u"3//5/2024"_s << none;
    QTest::newRow("us empty") << u"en_US"_s << QString() << none;

    QTest::newRow("de format") << u"de_DE"_s << u"05.03.2024"_s << QDate(2024, 3, 5);
    QTest::newRow("de locale's own pattern") << u"de_DE"_s << u"05.03.24"_s << QDate(2024, 3, 5);
    QTest::newRow("de blanks") << u"de_DE"_s << u"31 12 1998"_s << QDate(1998, 12, 31);
    QTest::newRow("de day before month") << u"de_DE"_s << u"2 31 1998"_s << none;
    QTest::newRow("fr") << u"fr_FR"_s << u"05/03/2024"_s << QDate(2024, 3, 5);
    QTest::newRow("gb") << u"en_GB"_s << u"31/12/98"_s << QDate(1998, 12, 31);
    QTest::newRow("gb month first refused") << u"en_GB"_s << u"12/31/98"_s << none;
    QTest::newRow("jp year first") << u"ja_JP"_s << u"2024/3/5"_s << QDate(2024, 3, 5);
    QTest::newRow("jp two-digit year first") << u"ja_JP"_s << u"98 12 31"_s << QDate(1998, 12, 31);
    QTest::newRow("jp full-width digits and slashes")
        << u"ja_JP"_s << u"\uff11\uff19\uff19\uff19\uff0f\uff17\uff0f\uff12\uff11"_s << QDate(1999, 7, 21);
    QTest::newRow("jp full-width full stops")
        << u"ja_JP"_s << u"\uff11\uff19\uff19\uff19\uff0e\uff17\uff0e\uff12\uff11"_s << QDate(1999, 7, 21);
    QTest::newRow("jp full-width hyphens") << u"ja_JP"_s << u"1999\uff0d7\uff0d21"_s << QDate(1999, 7, 21);
    QTest::newRow("jp ideographic spaces")
        << u"ja_JP"_s << u"\u3000\uff11\uff19\uff19\uff19\u3000\uff17\u3000\uff12\uff11"_s
        << QDate(1999, 7, 21);
    QTest::newRow("jp year, month and day marks")
        << u"ja_JP"_s << u"1999\u5e747\u670821\u65e5"_s << QDate(1999, 7, 21);
    QTest::newRow("jp full-width, marks and blanks")
        << u"ja_JP"_s << u"\uff11\uff19\uff19\uff19\u5e74 \uff17\u6708 \uff12\uff11\u65e5"_s
        << QDate(1999, 7, 21);
    QTest::newRow("jp marks on the wrong fields") << u"ja_JP"_s << u"7\u670821\u65e51999\u5e74"_s << none;
    QTest::newRow("jp mark and separator") << u"ja_JP"_s << u"1999\u5e74/7/21"_s << none;
    QTest::newRow("jp full-width 30 February")
        << u"ja_JP"_s << u"\uff12\uff10\uff12\uff14\uff0f\uff12\uff0f\uff13\uff10"_s << none;
    QTest::newRow("de full-width full stops")
        << u"de_DE"_s << u"\uff13\uff11\uff0e\uff11\uff12\uff0e\uff11\uff19\uff19\uff18"_s
        << QDate(1998, 12, 31);
    QTest::newRow("C month name") << u"C"_s << u"5 Mar 2024"_s << QDate(2024, 3, 5);
    QTest::newRow("C numbers in the pattern's order") << u"C"_s << u"5 3 2024"_s << QDate(2024, 3, 5);
    QTest::newRow("ko two-digit year, literal dots") << u"ko_KR"_s << u"24. 3. 5."_s << QDate(2024, 3, 5);
    QTest::newRow("C year 0099 by month name") << u"C"_s << u"4 Mar 0099"_s << none;
    QTest::newRow("ccp Chakma digits")
        << u"ccp_BD"_s << u"\U00011139/\U0001113A/\U00011138\U00011136\U00011138\U0001113A"_s
        << QDate(2024, 4, 3);
}

void TestRegional::toDate()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, expected);

    const RegionalSettings settings(localeNamed(locale));
    const std::optional<QDate> date = settings.toDate(text);
    QCOMPARE(date.has_value(), expected.isValid());
    QCOMPARE(settings.isDate(text), expected.isValid());
    if (date)
        QCOMPARE(*date, expected);
}

void TestRegional::shortDateRoundTrip_data()
{
    QTest::addColumn<QString>("locale");
    for (const QString& name : kLocales + QStringList{u"bg_BG"_s, u"ko_KR"_s, u"hu_HU"_s, u"ar_EG"_s})
        QTest::newRow(qPrintable(name)) << name;
}

void TestRegional::shortDateRoundTrip()
{
    QFETCH(QString, locale);

    const RegionalSettings settings(localeNamed(locale));
    for (const QDate& date : {QDate(1998, 5, 30), QDate(2029, 12, 31), QDate(1930, 1, 1), QDate(1850, 2, 28),
                              QDate(2124, 7, 4)}) {
        const QString text = settings.formatShortDate(date);
        QCOMPARE(settings.toDate(text), std::optional<QDate>(date));
    }
}

void TestRegional::everyLocaleReadsBackWhatItPrints_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("decimals");
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        // the currency's own decimals: those Qt shows when it is given none
        int decimals = 0;
        while (decimals < 4 &&
               locale.toCurrencyString(1.5) != locale.toCurrencyString(1.5, QString(), decimals))
            ++decimals;
        const QString name = QLocale::languageToCode(locale.language()) + u'_' +
                             QLocale::scriptToCode(locale.script()) + u'_' +
                             QLocale::territoryToCode(locale.territory());
        QTest::newRow(qPrintable(name)) << locale << decimals;
    }
}

// Whatever the locale, every amount and date the program shows reads back as
// itself (an amount as rounded to the currency's decimals).
void TestRegional::everyLocaleReadsBackWhatItPrints()
{
    QFETCH(QLocale, locale);
    QFETCH(int, decimals);

    const RegionalSettings settings(locale);
    QStringList wrong;
    for (const qint64 units : {qint64(0), qint64(12345), qint64(-12345), qint64(9999), qint64(-50),
                               qint64(1234567890123), qint64(-98765432101234), kMaxUnits, kMinUnits}) {
        const Money amount = Money::fromUnits(units);
        const QString text = settings.formatCurrency(amount);
        const std::optional<Money> money = settings.toMoney(text);
        const std::optional<double> number = settings.toNumber(text);
        if (money != amount.roundedTo(decimals) || !number || *number != money->toDouble())
            wrong.append(text);
    }
    QList<QDate> dates;
    for (int year = 1900; year <= 2099; ++year) {
        dates += {QDate(year, 1, 1), QDate(year, 12, 31)};
        if (QDate::isLeapYear(year))
            dates.append(QDate(year, 2, 29));
    }
    for (const QDate& date : dates) {
        const QString text = settings.formatShortDate(date);
        if (settings.toDate(text) != date)
            wrong.append(text);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u" | "_s)));
}

void TestRegional::names_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");

    QTest::newRow("en_US") << u"en_US"_s << u"March"_s << u"Mon"_s;
    QTest::newRow("de_DE") << u"de_DE"_s << u"März"_s << u"Mo."_s;
    QTest::newRow("fr_FR") << u"fr_FR"_s << u"mars"_s << u"lun."_s;
    QTest::newRow("ru_RU standalone") << u"ru_RU"_s << u"март"_s << u"пн"_s;
}

void TestRegional::names()
{
    QFETCH(QString, locale);
    QFETCH(QString, month);
    QFETCH(QString, day);

    const RegionalSettings settings(localeNamed(locale));
    QCOMPARE(settings.monthName(3), month);
    QCOMPARE(settings.dayName(1), day);
}

QTEST_APPLESS_MAIN(TestRegional)
#include "tst_regional.moc"
