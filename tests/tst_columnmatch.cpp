// Matching another program's CSV columns to the fields of an item, and
// reading its dates, amounts and yes/no values, without a window.
#include "csv/ColumnMatch.h"
#include "csv/CsvText.h"
#include "csv/ItemTransfer.h"
#include "csv/MatchMemory.h"
#include "regional/RegionalSettings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace CM = ColumnMatch;

namespace {

// The fields a header's columns were matched to, by their names.
QStringList matched(const QStringList& header)
{
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    QStringList names;
    for (const int field : CM::matchHeader(header))
        names.append(field < 0 ? QStringLiteral("-") : fields[field].header);
    return names;
}

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// A header, then a row for each of the values of the second column after
// an item's name ("Bear 0", "Bear 1", ...), then the last rows as given.
QByteArray rowsOf(const QByteArray& header, const QList<QByteArray>& values, const QByteArray& last)
{
    QByteArray text = header + "\r\n";
    for (qsizetype i = 0; i < values.size(); ++i)
        text += "Bear " + QByteArray::number(i) + "," + values[i] + "\r\n";
    return text + last;
}

// The mapping proposed for a whole file, as Match Columns opens with it.
CM::Mapping proposedFor(QBuffer& file, const QLocale& locale)
{
    const CM::Sample sample = CM::sampleOf(file, locale);
    return CM::proposeForFile(sample.header, CM::distinctValues(file, sample.encoding), locale,
                              sample.encoding);
}

} // namespace

class TestColumnMatch : public QObject
{
    Q_OBJECT

private slots:
    void headersAreMatchedByTheirNames();
    void dateOrdersAreFoundFromTheValues();
    void datesAreReadInTheirOrderOnly();
    void amountFormatsAreFoundFromTheValues();
    void amountsAreReadInTheirFormatOnly();
    void yesAndNoInWordsAndMarks();
    void filesAreSampledInTheirEncodingAndSeparator();
    void wholeColumnsAreGatheredOnceEach();
    void valuesAreShownInTheWindowsFormats();
    void choicesAreKeptForTheNewestHeaders();
    void eachColumnIsReadAsTheWholeFileTells_data();
    void eachColumnIsReadAsTheWholeFileTells();
    void aKeptReadingIsTheFilesWhereNoValuesTellIt();
};

void TestColumnMatch::headersAreMatchedByTheirNames()
{
    QCOMPARE(matched({"Item", "Cost", "Bought on", "Where from", "Value 2024", "Cat #", "Qty", "Shelf"}),
             QStringList({"Name", "Price Paid", "Purchase Date", "Bought From", "Catalog Value",
                          "Catalog Number", "Quantity", "-"}));
    QCOMPARE(matched({"Name", "Beschreibung", "Kaufpreis", "Kaufdatum", "Gekauft bei", "Wert", "Anzahl",
                      "Händler"}),
             QStringList({"Name", "Description", "Price Paid", "Purchase Date", "Bought From",
                          "Catalog Value", "Quantity", "-"}));
    QCOMPARE(
        matched({"Title", "Copies", "Acquired", "Vendor", "Est. Value", "Wishlist", "Date Added"}),
        QStringList({"Name", "Quantity", "Purchase Date", "Bought From", "Catalog Value", "Want List", "-"}));
    // the item table's own names, beside others
    QCOMPARE(matched({"SoldDate", "issuedate", "toycon", "Cost"}),
             QStringList({"Date Sold", "Birthday", "Plonko Condition", "Price Paid"}));
    // letter case, blanks and punctuation aside; each field once, to the first column
    QCOMPARE(matched({"PRICE PAID", "price_paid", "Misc. 2", "misc 1"}),
             QStringList({"Price Paid", "-", "Misc. 2", "Misc. 1"}));
    QVERIFY(CM::isOwnHeader({"Name", "description", "Price Paid", "Photos"}));
    QVERIFY(!CM::isOwnHeader({"Name", "Cost"}));
}

void TestColumnMatch::dateOrdersAreFoundFromTheValues()
{
    bool ambiguous = true;
    QCOMPARE(CM::dateOrderOf({"01.02.2024", "31.12.2023", ""}, &ambiguous), CM::DateOrder::DayMonthYear);
    QVERIFY(!ambiguous);
    QCOMPARE(CM::dateOrderOf({"2/1/2024", "12/31/2023"}), CM::DateOrder::MonthDayYear);
    QCOMPARE(CM::dateOrderOf({"2024-02-01", "2023-12-31"}), CM::DateOrder::YearMonthDay);
    // every value reads both ways: the collector is asked
    QCOMPARE(CM::dateOrderOf({"01/02/2024", "03/04/2024", "05/05/2024"}, &ambiguous), std::nullopt);
    QVERIFY(ambiguous);
    // two values decide it differently: no order reads the column
    QCOMPARE(CM::dateOrderOf({"31/12/2023", "12/31/2023"}, &ambiguous), std::nullopt);
    QVERIFY(!ambiguous);
    // a date that begins with its year tells nothing of the others
    QCOMPARE(CM::dateOrderOf({"2024-01-15", "15/01/2024"}), CM::DateOrder::DayMonthYear);
    QCOMPARE(CM::dateOrderOf({"2024-01-15", "03/04/2024"}, &ambiguous), std::nullopt);
    QVERIFY(ambiguous);
}

void TestColumnMatch::datesAreReadInTheirOrderOnly()
{
    QCOMPARE(CM::readDate("01/02/2024", CM::DateOrder::DayMonthYear).text, QStringLiteral("2024-02-01"));
    QCOMPARE(CM::readDate("01/02/2024", CM::DateOrder::MonthDayYear).text, QStringLiteral("2024-01-02"));
    QCOMPARE(CM::readDate("29.2.2024", CM::DateOrder::DayMonthYear).text, QStringLiteral("2024-02-29"));
    QCOMPARE(CM::readDate("2024-12-31", CM::DateOrder::DayMonthYear).text, QStringLiteral("2024-12-31"));
    QCOMPARE(CM::readDate("2023-02-29", CM::DateOrder::YearMonthDay).refused,
             QStringLiteral("\"2023-02-29\" is not a date in the order chosen"));
    QCOMPARE(CM::readDate(" ", CM::DateOrder::DayMonthYear).text, QString());
    // a time after the date, as spreadsheets write it, is let go
    QCOMPARE(CM::readDate("31.12.2023 00:00", CM::DateOrder::DayMonthYear).text,
             QStringLiteral("2023-12-31"));
    QCOMPARE(CM::readDate("2023-12-31T10:30:05", CM::DateOrder::DayMonthYear).text,
             QStringLiteral("2023-12-31"));
    QCOMPARE(CM::readDate("31.12.2023 noon", CM::DateOrder::DayMonthYear).refused,
             QStringLiteral("\"31.12.2023 noon\" is not a date"));
    QCOMPARE(CM::readDate("31/12/2023", CM::DateOrder::MonthDayYear).refused,
             QStringLiteral("\"31/12/2023\" is not a date in the order chosen"));
    QCOMPARE(CM::readDate("29.2.2023", CM::DateOrder::DayMonthYear).refused,
             QStringLiteral("\"29.2.2023\" is not a date in the order chosen"));
    QCOMPARE(CM::readDate("1/2/24", CM::DateOrder::DayMonthYear).refused,
             QStringLiteral("\"1/2/24\" has no year of four digits"));
    QCOMPARE(CM::readDate("Feb 1 2024", CM::DateOrder::DayMonthYear).refused,
             QStringLiteral("\"Feb 1 2024\" is not a date"));
    // the calendar begins with the year 100
    QCOMPARE(CM::readDate("31.12.0099", CM::DateOrder::DayMonthYear).refused,
             QStringLiteral("\"31.12.0099\" is not a day of the calendar"));
    QCOMPARE(CM::readDate("01.01.0100", CM::DateOrder::DayMonthYear).text, QStringLiteral("0100-01-01"));
    // with no order told, a date is read only where it reads as one day
    QCOMPARE(CM::readDate("03/04/2021", std::nullopt).refused,
             QStringLiteral("\"03/04/2021\" reads both day first and month first, and no order was chosen"));
    QCOMPARE(CM::readDate("25/12/2020", std::nullopt).text, QStringLiteral("2020-12-25"));
    QCOMPARE(CM::readDate("05.05.2021", std::nullopt).text, QStringLiteral("2021-05-05"));
    QCOMPARE(CM::readDate("13/13/2021", std::nullopt).refused,
             QStringLiteral("\"13/13/2021\" is not a date in either order"));
    // quantities are whole numbers, and nothing else
    QCOMPARE(CM::readWhole(" -3 ").text, QStringLiteral("-3"));
    QCOMPARE(CM::readWhole("1.000").refused, QStringLiteral("\"1.000\" is not a whole number"));
    QCOMPARE(CM::readWhole("-").refused, QStringLiteral("\"-\" is not a whole number"));
}

void TestColumnMatch::amountFormatsAreFoundFromTheValues()
{
    const auto format = [](const QStringList& values) -> QString {
        const std::optional<CM::AmountFormat> found = CM::amountFormatOf(values);
        return found ? QString(found->decimalMark) + found->groupMark : QStringLiteral("none");
    };
    QCOMPARE(format({"1.234,56", "12,5"}), QStringLiteral(",."));
    QCOMPARE(format({"$1,234.56"}), QStringLiteral(".,"));
    QCOMPARE(format({"12,50 €", "3"}), QStringLiteral(",."));
    QCOMPARE(format({"1,234,567"}), QStringLiteral(".,"));
    // a thousand or one: no value decides it
    QCOMPARE(format({"1,234", "5"}), QStringLiteral("none"));
    QCOMPARE(format({"12,50", "1,234.00"}), QStringLiteral("none"));
    // no grouping writes a leading zero
    QCOMPARE(format({"0,500"}), QStringLiteral(",."));
}

void TestColumnMatch::amountsAreReadInTheirFormatOnly()
{
    const CM::AmountFormat german{QLatin1Char(','), QLatin1Char('.')};
    const CM::AmountFormat english{QLatin1Char('.'), QLatin1Char(',')};
    const CM::AmountFormat french{QLatin1Char(','), QLatin1Char(' ')};
    QCOMPARE(CM::readAmount("1.234,56", german).text, QStringLiteral("1234.56"));
    QCOMPARE(CM::readAmount("1,234.56", english).text, QStringLiteral("1234.56"));
    QCOMPARE(CM::readAmount("1 234,5", french).text, QStringLiteral("1234.5"));
    // each currency's sign or code alone, before or after
    for (const char* value : {"€12,34", "12,34 €", "£12,34", "$ 12,34", "12,34 EUR", "12,34 kr", "¥12,34"})
        QCOMPARE(CM::readAmount(QString::fromUtf8(value), german).text, QStringLiteral("12.34"));
    QCOMPARE(CM::readAmount("-5,00 EUR", german).text, QStringLiteral("-5.00"));
    QCOMPARE(CM::readAmount("0,0001", german).text, QStringLiteral("0.0001"));
    QCOMPARE(CM::readAmount("0,00005", german).refused,
             QStringLiteral("\"0,00005\" has more than four decimals"));
    QCOMPARE(CM::readAmount("12.34", german).refused, QStringLiteral("\"12.34\" is not grouped in threes"));
    QCOMPARE(CM::readAmount("1234.567,8", german).refused,
             QStringLiteral("\"1234.567,8\" is not grouped in threes"));
    QCOMPARE(CM::readAmount("1,2,3", german).refused, QStringLiteral("\"1,2,3\" is not an amount"));
    QCOMPARE(CM::readAmount("twelve", german).refused, QStringLiteral("\"twelve\" is not an amount"));
    // letters that are no currency are no part of an amount
    for (const char* value : {"12k", "1,5 Mio", "ca 12", "12 CR"})
        QCOMPARE(CM::readAmount(QString::fromUtf8(value), german).refused,
                 QStringLiteral("\"%1\" is not an amount").arg(QString::fromUtf8(value)));
    QCOMPARE(CM::readAmount("0,500", english).refused, QStringLiteral("\"0,500\" is not grouped in threes"));
    // plain numbers as the export writes them, and their edges
    QCOMPARE(CM::readAmount("12.5", english).text, QStringLiteral("12.5"));
    QCOMPARE(CM::readAmount("1234", english).text, QStringLiteral("1234"));
    QCOMPARE(CM::readAmount("12.3456", english).text, QStringLiteral("12.3456"));
    QCOMPARE(CM::readAmount("12.34567", english).refused,
             QStringLiteral("\"12.34567\" has more than four decimals"));
    QCOMPARE(CM::readAmount("12.", english).text, QStringLiteral("12"));
    QVERIFY(!CM::readAmount(".5", english).refused.isEmpty());
    // a French locale's narrow blank groups as a blank does
    const CM::Mapping inFrance =
        CM::propose({"Preis"}, {{"12,50"}}, QLocale(QLocale::French, QLocale::France));
    QCOMPARE(inFrance.columns[0].amountFormat->groupMark, QLatin1Char(' '));
    QCOMPARE(CM::readAmount(QStringLiteral("1\u202f234,5 €"), inFrance.columns[0].amountFormat).text,
             QStringLiteral("1234.5"));
    QCOMPARE(CM::readAmount("", german).text, QString());
    // a Swiss apostrophe groups, either of its kinds
    const CM::AmountFormat swiss{QLatin1Char('.'), QChar(0x2019)};
    QCOMPARE(CM::readAmount(QStringLiteral("1\u2019234.50"), swiss).text, QStringLiteral("1234.50"));
    QCOMPARE(CM::readAmount("CHF 1'234'567.50", swiss).text, QStringLiteral("1234567.50"));
    QCOMPARE(CM::readAmount("1'23.50", swiss).refused,
             QStringLiteral("\"1'23.50\" is not grouped in threes"));
    // told by nobody, a value is read as it reads, unless it reads two ways
    const QStringList untold[][2] = {
        {{"12", "12.5", "12,5", "1,234.56", "1.234,56", "0,500", "1 250", "1'234"},
         {"12", "12.5", "12.5", "1234.56", "1234.56", "0.500", "1250", "1234"}},
        {{"1.250", "1,250", "€ 12.000"}, {}}};
    for (qsizetype i = 0; i < untold[0][0].size(); ++i)
        QCOMPARE(CM::readAmount(untold[0][0][i], std::nullopt).text, untold[0][1][i]);
    for (const QString& value : untold[1][0])
        QCOMPARE(CM::readAmount(value, std::nullopt).refused,
                 QStringLiteral("\"%1\" reads both as a decimal and as grouped thousands, and no format was "
                                "chosen")
                     .arg(value));
    QCOMPARE(CM::readAmount("twelve", std::nullopt).refused, QStringLiteral("\"twelve\" is not an amount"));
}

void TestColumnMatch::yesAndNoInWordsAndMarks()
{
    for (const char* yes : {"yes", "Y", "TRUE", "x", "1"})
        QCOMPARE(CM::readYesNo(QString::fromLatin1(yes), kEnglish).text, QStringLiteral("Yes"));
    for (const char* no : {"no", "n", "False", "0", ""})
        QCOMPARE(CM::readYesNo(QString::fromLatin1(no), kEnglish).text, QStringLiteral("No"));
    QCOMPARE(CM::readYesNo("Ja", kGerman).text, QStringLiteral("Yes"));
    QCOMPARE(CM::readYesNo("nein", kGerman).text, QStringLiteral("No"));
    QCOMPARE(CM::readYesNo("ja", kEnglish).refused, QStringLiteral("\"ja\" is neither yes nor no"));
}

// UTF-8 first; a file that is not is read in the language's legacy code
// page; TAB, semicolon and comma each separate.
void TestColumnMatch::filesAreSampledInTheirEncodingAndSeparator()
{
    const auto sample = [](const QByteArray& bytes, const QLocale& locale) {
        QBuffer file;
        file.setData(bytes);
        file.open(QIODevice::ReadOnly);
        return CM::sampleOf(file, locale);
    };
    CM::Sample read = sample("Item\tCost\r\nB\xc3\xa4r\t12.50\r\nFox\t3\r\n", kGerman);
    QCOMPARE(read.header, QStringList({"Item", "Cost"}));
    QCOMPARE(read.rows, QList<QStringList>({{QStringLiteral("Bär"), "12.50"}, {"Fox", "3"}}));
    QCOMPARE(read.encoding, QString());
    read = sample("Name;Preis\r\nB\xe4r;12,5\r\n", kGerman);
    QCOMPARE(read.encoding, QStringLiteral("windows-1252"));
    QCOMPARE(read.header, QStringList({"Name", "Preis"}));
    QCOMPARE(read.rows.value(0), QStringList({QStringLiteral("Bär"), "12,5"}));
    read = sample("Name,Cena\r\nMi\xb3y,5\r\n", QLocale(QLocale::Polish, QLocale::Poland));
    QCOMPARE(read.encoding, QStringLiteral("windows-1250"));
    QCOMPARE(read.rows.value(0).value(0), QStringLiteral("Miły"));
    QCOMPARE(sample("", kEnglish).failure, QStringLiteral("The file is empty."));
    // 21 rows: the first 20 are the sample
    QByteArray many = "Name\r\n";
    for (int i = 0; i < 21; ++i)
        many += QByteArray::number(i) + "\r\n";
    QCOMPARE(sample(many, kEnglish).rows.size(), CM::Sample::kRows);
    // one character of the code page after the rows sampled makes the whole file its
    read = sample(many + "B\xe4r\r\n", kGerman);
    QCOMPARE(read.encoding, QStringLiteral("windows-1252"));
    QCOMPARE(read.rows.size(), CM::Sample::kRows);
    // a UTF-8 character cut off at the end is told, not read in another code page
    QCOMPARE(
        sample("Name\r\nB\xc3\xa4r\r\nCaf\xc3", kGerman).failure,
        QStringLiteral("The file ends in the middle of a character: it is not whole, or it is not UTF-8."));
    // with no UTF-8 before it, a last byte is the code page's ("Café")
    QCOMPARE(sample("Name\r\nCaf\xe9", kGerman).rows.value(0), QStringList{QStringLiteral("Café")});
    // a legacy text makes a UTF-8 character now and then by chance ("Ці" of "Ціна")
    read = sample("\xd6\xb3\xed\xe0;\xcd\xe0\xe7\xe2\xe0\r\n5;\xc1\xb3\xeb\xe8\xe9\r\n",
                  QLocale(QLocale::Ukrainian, QLocale::Ukraine));
    QCOMPARE(read.header, QStringList({QStringLiteral("Ціна"), QStringLiteral("Назва")}));
    QCOMPARE(sample(QByteArray("\xff\xfeN\0a\0m\0e\0", 10), kEnglish).failure,
             QStringLiteral("The file is in UTF-16: save it from the spreadsheet as \"CSV UTF-8\"."));
    // a file in UTF-8 in part is read in neither
    for (const QByteArray& mixed :
         {QByteArray("Name\r\nB\xc3\xa4r\r\nL\xf6we\r\n"), QByteArray("Name\r\nL\xf6we\r\nB\xc3\xa4r\r\n"),
          QByteArray("\xef\xbb\xbfName\r\nL\xf6we\r\n")})
        QCOMPARE(sample(mixed, kGerman).failure,
                 QStringLiteral(
                     "The file is in UTF-8 in part only: save it from the spreadsheet as \"CSV UTF-8\"."));
}

// Each column's values of the whole file, each once, blanks at the ends and
// empty cells aside, up to the most kept.
void TestColumnMatch::wholeColumnsAreGatheredOnceEach()
{
    QByteArray bytes = "Name;Marke;Zustand\r\nB\xe4r;Plonko;gut\r\nFox; Plonko ;\r\nOwl\r\n";
    for (int i = 0; i <= CM::Distinct::kMost; ++i)
        bytes += ";;" + QByteArray::number(i) + "\r\n";
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    const QList<CM::Distinct> columns = CM::distinctValues(file, QStringLiteral("windows-1252"));
    QCOMPARE(columns.size(), 3);
    QCOMPARE(columns[0].values, QStringList({QStringLiteral("Bär"), "Fox", "Owl"}));
    QCOMPARE(columns[1].values, QStringList{"Plonko"});
    QVERIFY(!columns[1].more);
    QCOMPARE(columns[2].values.size(), CM::Distinct::kMost);
    QCOMPARE(columns[2].values.first(), QStringLiteral("gut"));
    QVERIFY(columns[2].more);
}

void TestColumnMatch::valuesAreShownInTheWindowsFormats()
{
    const RegionalSettings german(kGerman);
    const auto field = [](const char* header) {
        const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
        return int(
            std::find_if(fields.begin(), fields.end(),
                         [&](const ItemTransfer::Field& f) { return f.header == QLatin1String(header); }) -
            fields.begin());
    };
    QCOMPARE(CM::shownAs(field("Price Paid"), "1234.5", german), QStringLiteral("1.234,50\u00a0€"));
    // a fraction of a cent is shown as the window rounds it, and kept whole
    QCOMPARE(CM::shownAs(field("Total Value"), "0.0051", german), QStringLiteral("0,01\u00a0€"));
    QCOMPARE(CM::shownAs(field("Selling Price"), "-3", german), QStringLiteral("-3,00\u00a0€"));
    QCOMPARE(CM::shownAs(field("Purchase Date"), "2024-02-29", german), QStringLiteral("29.02.2024"));
    QCOMPARE(CM::shownAs(field("Name"), "2024-02-29", german), QStringLiteral("2024-02-29"));
    QCOMPARE(CM::shownAs(field("Sold"), "Yes", german), QStringLiteral("Yes"));
}

// The choices made for a header come back for it alone; a field no longer
// known, or named twice, is left out; the oldest headers beyond those kept go.
void TestColumnMatch::choicesAreKeptForTheNewestHeaders()
{
    const QTemporaryDir folder;
    const MatchMemory memory(folder.filePath(QStringLiteral("kept/matched.json")));
    const QStringList header{"Item", "Cost", "Bought on"};
    CM::Mapping chosen = CM::propose(header, {}, kEnglish);
    chosen.columns[1].amountFormat = {QLatin1Char(','), QChar()};
    chosen.columns[2].dateOrder = CM::DateOrder::DayMonthYear;
    memory.remember(header, chosen);
    CM::Mapping recalled = CM::propose(header, {}, kEnglish);
    QVERIFY(memory.recall(header, recalled));
    QCOMPARE(recalled.header(), chosen.header());
    QCOMPARE(recalled.columns[1].amountFormat->decimalMark, QLatin1Char(','));
    QVERIFY(recalled.columns[1].amountFormat->groupMark.isNull());
    QCOMPARE(recalled.columns[2].dateOrder, CM::DateOrder::DayMonthYear);
    CM::Mapping other = CM::propose({"Item", "Cost"}, {}, kEnglish);
    QVERIFY(!memory.recall({"Item", "Cost"}, other));

    QFile file(folder.filePath(QStringLiteral("kept/matched.json")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("\"Price Paid\"", "\"Name\"");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
    file.close();
    QVERIFY(memory.recall(header, recalled));
    QCOMPARE(recalled.header(), QStringList({"Name", "Purchase Date"}));
    // the file's own values tell their reading over what was kept; a format
    // the readers would read otherwise than it says is not taken
    const QList<QStringList> rows{{"Bear", "12.5", "5/13/2024"}};
    recalled = CM::propose(header, rows, kEnglish);
    QVERIFY(memory.recall(header, recalled));
    QCOMPARE(recalled.columns[1].amountFormat->decimalMark, QLatin1Char('.'));
    QCOMPARE(recalled.columns[2].dateOrder, CM::DateOrder::MonthDayYear);
    text.replace("\"group\":\"\"", "\"group\":\"5\"");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
    file.close();
    recalled = CM::propose(header, {}, kEnglish);
    QVERIFY(memory.recall(header, recalled));
    QVERIFY(!recalled.columns[1].amountFormat);
    QCOMPARE(CM::readAmount("15000", recalled.columns[1].amountFormat).text, QStringLiteral("15000"));

    for (int i = 0; i < MatchMemory::kKept; ++i)
        memory.remember({QString::number(i)}, CM::propose({QString::number(i)}, {}, kEnglish));
    CM::Mapping newest = CM::propose({"0"}, {}, kEnglish);
    QVERIFY(memory.recall({QString::number(MatchMemory::kKept - 1)}, newest));
    QVERIFY(!memory.recall(header, recalled));
}

// Every value of a column tells its reading, the last of a long file and
// those past the values kept for the window too; a column whose values do
// not tell it is read as the file's other columns of its kind tell together,
// or (amounts) as the locale writes them, or (dates) not at all where a date
// reads both ways.
void TestColumnMatch::eachColumnIsReadAsTheWholeFileTells_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("read");
    const QList<QByteArray> bought(CM::Sample::kRows, "25/12/2020,");
    QTest::newRow("a second date column, day first as the first tells")
        << kEnglish << rowsOf("Item,Bought on,Sold on", bought, "Fox,25/12/2020,03/04/2021\r\n")
        << CM::Sample::kRows << "Fox|2020-12-25|2021-04-03";
    const QList<QByteArray> paid(CM::Sample::kRows, "\"1.234,50\",");
    QTest::newRow("a second amount column, with a decimal comma as the first tells")
        << kEnglish << rowsOf("Item,Kaufpreis,Verkaufspreis", paid, "Fox,\"1.234,50\",1.250\r\n")
        << CM::Sample::kRows << "Fox|1234.50|1250";
    QTest::newRow("a date after the first rows decides its column")
        << kEnglish
        << rowsOf("Item,Bought on", QList<QByteArray>(CM::Sample::kRows, "03/04/2021"), "Fox,25/12/2020\r\n")
        << 0 << "Bear 0|2021-04-03";
    QTest::newRow("an amount after the first rows decides its column")
        << kEnglish
        << rowsOf("Item,Cost", QList<QByteArray>(CM::Sample::kRows, "\"1,250\""), "Fox,\"12,5\"\r\n") << 0
        << "Bear 0|1.250";
    QList<QByteArray> manyDates;
    for (int i = 0; i <= CM::Distinct::kMost; ++i)
        manyDates.append("01/02/" + QByteArray::number(1000 + i));
    QTest::newRow("a date past the values kept decides its column")
        << kEnglish << rowsOf("Item,Bought on", manyDates, "Fox,25/12/2020\r\n") << 0 << "Bear 0|1000-02-01";
    QTest::newRow("dates that all read both ways are read in no order")
        << kGerman << QByteArray("Item,Bought on\r\nFox,03/04/2021\r\nOwl,05/05/2021\r\n") << 0
        << "Purchase Date: \"03/04/2021\" reads both day first and month first, and no order was chosen.";
    QTest::newRow("dates that begin with their year tell nothing of the others")
        << kEnglish << QByteArray("Item,Bought on,Sold on\r\nFox,2020-12-25,03/04/2021\r\n") << 0
        << "Date Sold: \"03/04/2021\" reads both day first and month first, and no order was chosen.";
    QTest::newRow("date columns that disagree tell the others nothing")
        << kEnglish
        << QByteArray("Item,Bought on,Sold on,Retired\r\nFox,25/12/2020,12/25/2020,03/04/2021\r\n") << 0
        << "Retirement Date: \"03/04/2021\" reads both day first and month first, and no order was chosen.";
    QTest::newRow("each date column in its own order, the last telling nothing")
        << kEnglish
        << QByteArray("Item,Bought on,Sold on,Retired\r\nFox,25/12/2020,12/25/2020,05/05/2021\r\n") << 0
        << "Fox|2020-12-25|2020-12-25|2021-05-05";
    const QByteArray disagreeing =
        "Item,Cost,Value,Asking price\r\nFox,\"1.234,50\",\"1,234.50\",\"1,250\"\r\n";
    const QString twoWays =
        "Selling Price: \"1,250\" reads both as a decimal and as grouped thousands, and no "
        "format was chosen.";
    QTest::newRow("amount columns that disagree tell the others nothing (en)")
        << kEnglish << disagreeing << 0 << twoWays;
    QTest::newRow("amount columns that disagree tell the others nothing (de)")
        << kGerman << disagreeing << 0 << twoWays;
    QTest::newRow("amounts that read two ways are read as no locale writes them (en)")
        << kEnglish << QByteArray("Item,Kaufpreis\r\nBear,1.250\r\nFox,12.000\r\nOwl,12\r\n") << 0
        << "Price Paid: \"1.250\" reads both as a decimal and as grouped thousands, and no format was "
           "chosen.";
    QTest::newRow("beside them, an amount that reads one way is read (de)")
        << kGerman << QByteArray("Item,Kaufpreis\r\nBear,1.250\r\nFox,12.000\r\nOwl,12\r\n") << 2 << "Owl|12";
    QTest::newRow("amounts that read one way each, told by nobody")
        << kEnglish << QByteArray("Item,Cost,Value\r\nFox,\"12,5\",\"1,234.56\"\r\nOwl,3.5,2\r\n") << 0
        << "Fox|12.5|1234.56";
    QTest::newRow("a decimal mark told by the others, grouped as the locale groups")
        << QLocale(QLocale::French, QLocale::France) << QByteArray("Item;Cost;Value\r\nFox;12,5;1 250\r\n")
        << 0 << "Fox|12.5|1250";
}

void TestColumnMatch::eachColumnIsReadAsTheWholeFileTells()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, file);
    QFETCH(int, row);
    QFETCH(QString, read);
    QBuffer buffer;
    buffer.setData(file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const CM::Mapping mapping = proposedFor(buffer, locale);
    buffer.seek(0);
    Csv::Reader reader(buffer);
    QStringList record;
    qint64 line = 0;
    for (int i = 0; i <= row + 1; ++i)
        QVERIFY(reader.next(record, line));
    const std::optional<CM::Mapping::Unread> unread = mapping.row(record, reader.fieldCount());
    QCOMPARE(unread ? unread->text : record.join(QLatin1Char('|')), read);
}

// A reading kept for a column whose values do not tell it is the file's,
// for each such column; where the values of the file's columns tell it, they
// stand.
void TestColumnMatch::aKeptReadingIsTheFilesWhereNoValuesTellIt()
{
    const QTemporaryDir folder;
    const MatchMemory memory(folder.filePath(QStringLiteral("matched.json")));
    const QStringList header{"Item", "Bought on", "Sold on", "Cost", "Value"};
    CM::Mapping chosen = CM::propose(header, {}, kEnglish);
    chosen.readFileAs(CM::DateOrder::DayMonthYear, CM::AmountFormat{QLatin1Char(','), QLatin1Char(' ')});
    memory.remember(header, chosen);
    const auto recalled = [&](const QList<QStringList>& rows) {
        CM::Mapping mapping = CM::propose(header, rows, kEnglish);
        if (!memory.recall(header, mapping))
            return QStringList();
        QStringList texts;
        for (qsizetype i = 1; i < header.size(); ++i)
            texts.append(mapping.read(i, rows.value(0).value(i)).text);
        return texts;
    };
    QCOMPARE(recalled({{"Fox", "03/04/2021", "05/06/2021", "1 250", "12,5"}}),
             QStringList({"2021-04-03", "2021-06-05", "1250", "12.5"}));
    // the values of the file's own columns tell it otherwise
    QCOMPARE(recalled({{"Fox", "12/31/2020", "05/06/2021", "1,250", "1,234.50"}}),
             QStringList({"2020-12-31", "2021-05-06", "1250", "1234.50"}));

    // each amount column's own format is kept, the one its values told
    // included, and recalled for it alone where its values tell nothing
    const QStringList prices{"Item", "Cost", "Value"};
    CM::Mapping told = CM::propose(prices, {{"Fox", "1.234,50", "3"}}, kEnglish);
    told.readFileAs(std::nullopt, CM::AmountFormat{QLatin1Char('.'), QLatin1Char(',')});
    QCOMPARE(told.columns[1].amountFormat->decimalMark, QLatin1Char(','));
    memory.remember(prices, told);
    CM::Mapping again = CM::propose(prices, {{"Owl", "1.250", "1.250"}}, kEnglish);
    QVERIFY(memory.recall(prices, again));
    QCOMPARE(again.read(1, "1.250").text, QStringLiteral("1250"));
    QCOMPARE(again.read(2, "1.250").text, QStringLiteral("1.250"));
    QCOMPARE(again.columns[2].amountTold, CM::Told::LastImport);
    // a file kept before amounts nobody told were kept as such reads as it did
    QFile kept(folder.filePath(QStringLiteral("matched.json")));
    QVERIFY(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kept.write(
        R"({"matches":[{"header":["Item","Cost","Value"],"columns":[{"field":"Name","decimal":".","group":","},)"
        R"({"field":"Price Paid","decimal":",","group":"."},{"field":"Catalog Value","decimal":".","group":","}]}]})");
    kept.close();
    again = CM::propose(prices, {{"Owl", "1.250", "1.250"}}, kEnglish);
    QVERIFY(memory.recall(prices, again));
    QCOMPARE(again.read(1, "1.250").text + "|" + again.read(2, "1.250").text, QStringLiteral("1250|1.250"));
}

QTEST_GUILESS_MAIN(TestColumnMatch)
#include "tst_columnmatch.moc"
