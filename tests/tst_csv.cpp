// The collection to CSV and back: the text of the file, every kind of value
// exactly through a round trip, what spreadsheets write, each row refused with
// its line and reason, and an import that writes all or nothing.
#include "ItemSession.h"

#include "csv/ColumnMatch.h"
#include "csv/CsvText.h"
#include "csv/Handoff.h"
#include "csv/ItemTransfer.h"
#include "csv/frmImportSummary.h"
#include "photos/PictureFile.h"
#include "store/PhotoTables.h"

#include "Pictures.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

using RecordsetType = Database::RecordsetType;

QByteArray exported(Database& db)
{
    QString text;
    ItemTransfer::exportItems(db, [&](const QString& line) {
        text += line + QLatin1String("\r\n");
        return true;
    });
    return text.toUtf8();
}

// What an import of the text would do; nothing is kept.
ItemTransfer::Summary examined(Database& db, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Transaction writing(db);
    return ItemTransfer::importRows(db, buffer);
}

// Imports the text as "&Import" does, the doubles left out unless asked for.
ItemTransfer::Summary imported(Database& db, const QByteArray& bytes, bool doubles = false)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Transaction writing(db);
    const ItemTransfer::Summary summary = ItemTransfer::importRows(db, buffer);
    if (!doubles)
        ItemTransfer::leaveOutDoubles(db, summary);
    writing.commit();
    return summary;
}

// The records of a text, each with the line it begins on.
QList<std::pair<qint64, QStringList>> records(const QByteArray& bytes, QString* failure = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Csv::Reader reader(buffer);
    QList<std::pair<qint64, QStringList>> out;
    QStringList fields;
    qint64 line = 0;
    while (reader.next(fields, line))
        out.append({line, fields});
    if (failure)
        *failure = reader.failure();
    return out;
}

// Items holding every kind of awkward value: separators, quotes and line
// breaks in text, blanks at the ends, letters beyond ASCII, four decimals,
// the largest amount the file keeps, the first and last days it keeps, and
// every lookup both set (one to a new description) and empty.
void addAwkwardItems(Database& db)
{
    std::unique_ptr<Recordset> sellers =
        db.OpenRecordset(QStringLiteral("Select * from boughtfrom"), RecordsetType::Dynaset);
    sellers->AddNew();
    const Value seller = sellers->Fields(QStringLiteral("bouID"));
    sellers->SetField(QStringLiteral("bouDesc"), QStringLiteral("Grandma's \"attic\", upstairs"));
    sellers->Update();
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    const auto add = [&](const std::vector<std::pair<const char*, Value>>& fields) {
        items->AddNew();
        for (const auto& [field, value] : fields)
            items->SetField(QString::fromLatin1(field), value);
        items->Update();
    };
    const Money largest = Money::fromUnits(Database::kLargestMoneyUnits);
    add({{"Name", QStringLiteral("Comma, Quote \"and\" | bar; semi")},
         {"descr", QStringLiteral("  leading and trailing  ")},
         {"catnum", QStringLiteral("7-A")},
         {"catsort", QStringLiteral("7-A")},
         {"wantlist", true},
         {"quantity", qint32(2147483647)},
         {"toycon", qint32(1)},
         {"hastag", true},
         {"tagcon", qint32(5)},
         {"genID", qint32(2)},
         {"hastush", true},
         {"tushdesc", QStringLiteral("line one\r\nline two\nline three")},
         {"serID", qint32(3)},
         {"braID", qint32(2)},
         {"Color", QStringLiteral("Émile Ölund 😀 ß")},
         {"Errors", QString()},
         {"issuedate", QDate(100, 1, 1)},
         {"retiredate", QDate(9999, 12, 31)},
         {"pricepaid", Money::fromUnits(12345)},
         {"totalpaid", largest},
         {"bouID", seller},
         {"catvalue", -largest},
         {"totalval", Money::fromUnits(1)},
         {"priceask", Money::fromUnits(100000)},
         {"totalsales", Money()},
         {"forsale", true},
         {"PurchaseDate", QDate(2004, 2, 29)},
         {"sold", true},
         {"SoldDate", QDate(2026, 12, 7)},
         {"notes", QStringLiteral("\"Quoted\" notes,\nover two lines")},
         {"misc1", QStringLiteral(" ")},
         {"misc2", QStringLiteral("=1+1")}});
    add({{"Name", QStringLiteral("Plain")}, {"quantity", qint32(0)}});
    add({{"Name", QStringLiteral("Ünïcödé")},
         {"notes", QStringLiteral("\r")},
         {"descr", QStringLiteral("\"")}});
}

// Adds an item of the fields given.
void addItem(Database& db, const std::vector<std::pair<const char*, Value>>& fields)
{
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    items->AddNew();
    for (const auto& [field, value] : fields)
        items->SetField(QString::fromLatin1(field), value);
    items->Update();
}

// Adds a brand; its key.
qint32 addBrand(Database& db, const QString& description)
{
    std::unique_ptr<Recordset> brands =
        db.OpenRecordset(QStringLiteral("Select * from brand"), RecordsetType::Dynaset);
    brands->AddNew();
    const qint32 key = longOf(brands->Fields(QStringLiteral("braID"))).value_or(0);
    brands->SetField(QStringLiteral("braDesc"), description);
    brands->Update();
    return key;
}

// Every index of a collection with its definition, in one text.
const char* const kIndexes = "SELECT group_concat(name || ' ' || sql, ' | ') FROM "
                             "(SELECT name, sql FROM sqlite_master WHERE type = 'index' ORDER BY name)";

// A file beside the session's collection, holding the text given.
QString writtenFile(const Session& s, const QByteArray& text)
{
    const QString path = s.collection.folder() + QStringLiteral("/in.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Closes the window and the collection, so that the file can be read beside them.
void closeSession(Session& s)
{
    s.window.reset();
    s.state.ItemSet.reset();
    s.state.CollectionDb.reset();
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    void fieldsAreQuotedOnlyWhereNeeded_data();
    void fieldsAreQuotedOnlyWhereNeeded();
    void spreadsheetTextReads_data();
    void spreadsheetTextReads();
    void aRoundTripIsExact_data();
    void aRoundTripIsExact();
    void spreadsheetVariantsImportAlike();
    void lookupsAreMatchedWithoutLetterCase();
    void semicolonFilesMayUseADecimalComma();
    void anotherProgramsColumnsImportThroughAMapping();
    void theMatchColumnsWindowShowsWhatWillBeStored();
    void matchedColumnsAreRememberedByTheirHeader();
    void eachMatchedColumnIsReadAsItsValuesTell();
    void theWindowReadsEachColumnAsTheWholeFileTells_data();
    void theWindowReadsEachColumnAsTheWholeFileTells();
    void aColumnLeftOutTellsTheOthersNothing();
    void eachRefusedRowNamesItsLineAndReason_data();
    void eachRefusedRowNamesItsLineAndReason();
    void unreadableFilesWriteNothing_data();
    void unreadableFilesWriteNothing();
    void theMenuExportsAndImports();
    void cancelAfterTheSummaryWritesNothing();
    void aFailureInTheMiddleWritesNothing_data();
    void aFailureInTheMiddleWritesNothing();
    void itemsTheWindowKeepsSurviveARoundTrip_data();
    void itemsTheWindowKeepsSurviveARoundTrip();
    void lookupDescriptionsKeepTheirBlanks_data();
    void lookupDescriptionsKeepTheirBlanks();
    void datesTheWindowRefusesAreRefused_data();
    void datesTheWindowRefusesAreRefused();
    void numbersThatWouldChangeAreRefused_data();
    void numbersThatWouldChangeAreRefused();
    void aTruncatedLastCharacterIsReported();
    void oneLongLineIsRefusedPromptly();
    void everyNewEntryCanBeRead();
    void formulaCellsGoOutAfterAnApostrophe_data();
    void formulaCellsGoOutAfterAnApostrophe();
    void doublesAreLeftOutUnlessAsked_data();
    void doublesAreLeftOutUnlessAsked();
    void anExportImportedIntoItsCollectionAddsNothing();
    void doublesCompareWhatTheFileHolds();
    void lookupEntriesSpeltAlikeStayApart_data();
    void lookupEntriesSpeltAlikeStayApart();
    void entriesMadeByTheImportServeTheRowsAfter();
    void theHandoffKeepsOrderAndStopsTheMaker();
    void fieldsBeyondTheHeaderAreOnlyCounted_data();
    void fieldsBeyondTheHeaderAreOnlyCounted();
    void theSummaryKeepsTheFirstThousandReasons_data();
    void theSummaryKeepsTheFirstThousandReasons();
    void theRowsAreWrittenBeforeTheAnswer_data();
    void theRowsAreWrittenBeforeTheAnswer();
    void aKillWhileTheSummaryIsOpenKeepsNothing();
    void importedRowsGetTheirTotals_data();
    void importedRowsGetTheirTotals();
    void totalsAnEarlierImportLeftEmptyAreMadeAtOpening_data();
    void totalsAnEarlierImportLeftEmptyAreMadeAtOpening();
    void theItemWindowShowsTheTotalsOfAnImport();
    void aPictureNamedAgainIsReadOnce_data();
    void aPictureNamedAgainIsReadOnce();
    void photosArePartOfAnItemsEquality_data();
    void photosArePartOfAnItemsEquality();
};

void TestCsv::fieldsAreQuotedOnlyWhereNeeded_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << QStringList{"a", "", "b c"} << "a,,b c";
    QTest::newRow("comma") << QStringList{"a,b"} << "\"a,b\"";
    QTest::newRow("semicolon") << QStringList{"a;b"} << "\"a;b\"";
    QTest::newRow("quote") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
    QTest::newRow("line breaks") << QStringList{"a\r\nb", "c\nd", "e\rf"} << "\"a\r\nb\",\"c\nd\",\"e\rf\"";
    QTest::newRow("blanks at the ends") << QStringList{" a", "b ", " "} << "\" a\",\"b \",\" \"";
    QTest::newRow("bar and equals") << QStringList{"|", "=1"} << "|,=1";
    // an empty line would be skipped as no record at all
    QTest::newRow("one empty field") << QStringList{""} << "\"\"";
}

// What is written reads back as the same fields.
void TestCsv::fieldsAreQuotedOnlyWhereNeeded()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, line);
    QCOMPARE(Csv::line(fields), line);
    const auto read = records((line + QLatin1String("\r\nnext\r\n")).toUtf8());
    QCOMPARE(read.size(), 2);
    QCOMPARE(read[0].second, fields);
    QCOMPARE(read[1].second, QStringList{QStringLiteral("next")});
}

void TestCsv::spreadsheetTextReads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("joined"); // each record's fields joined by "/", after its line
    QTest::newRow("byte-order mark, CR LF")
        << QByteArray("\xEF\xBB\xBFName,b\r\nx,y\r\n") << QStringList{"1:Name/b", "2:x/y"};
    QTest::newRow("LF, no end on the last line")
        << QByteArray("Name,b\nx,y") << QStringList{"1:Name/b", "2:x/y"};
    QTest::newRow("CR alone") << QByteArray("Name,b\rx,y\r") << QStringList{"1:Name/b", "2:x/y"};
    QTest::newRow("semicolons") << QByteArray("Name;Price Paid\r\n\"a;b\";1,5\r\n")
                                << QStringList{"1:Name/Price Paid", "2:a;b/1,5"};
    QTest::newRow("commas win over semicolons")
        << QByteArray("Name,\"a;b\"\r\nx;y,z\r\n") << QStringList{"1:Name/a;b", "2:x;y/z"};
    QTest::newRow("a field over lines") << QByteArray("Name,b\r\n\"one\r\ntwo\nthree\",x\r\nlast,y\r\n")
                                        << QStringList{"1:Name/b", "2:one\r\ntwo\nthree/x", "5:last/y"};
    QTest::newRow("empty lines skipped")
        << QByteArray("Name\r\n\r\n\nx\r\n\r\n") << QStringList{"1:Name", "4:x"};
    QTest::newRow("empty fields") << QByteArray("Name,b,c\r\n,,\r\n\"\",\"\",\r\n")
                                  << QStringList{"1:Name/b/c", "2://", "3://"};
    QTest::newRow("blank lines before a semicolon header")
        << QByteArray("\r\n\r\nName;b\r\nx;y\r\n") << QStringList{"3:Name/b", "4:x/y"};
    QTest::newRow("byte-order mark, a blank line, semicolons")
        << QByteArray("\xEF\xBB\xBF\nName;b\nx,1;y\n") << QStringList{"2:Name/b", "3:x,1/y"};
    // each record is read into the texts of the one before
    QTest::newRow("fewer fields, then more, then longer")
        << QByteArray("Name,b,c\r\nx\r\nlonger one,\"sec\"\"ond\",third\r\n")
        << QStringList{"1:Name/b/c", "2:x", "3:longer one/sec\"ond/third"};
    // the file is read in blocks of 64 KiB: fields, quotes and characters of
    // two bytes across the ends of blocks
    const QByteArray filler(65536 - 8, 'a'); // "Name,b\r\n" is eight bytes
    QTest::newRow("a field across two blocks")
        << QByteArray("Name,b\r\n" + filler + "bc,d\r\n")
        << QStringList{"1:Name/b", "2:" + QString::fromLatin1(filler) + "bc/d"};
    QTest::newRow("a character across two blocks")
        << QByteArray("Name,b\r\n" + filler.left(filler.size() - 1) + "\xC3\xA9,d\r\n")
        << QStringList{"1:Name/b", "2:" + QString::fromLatin1(filler.left(filler.size() - 1)) +
                                       QStringLiteral("\u00e9/d")};
    QTest::newRow("a doubled quote across two blocks")
        << QByteArray("Name,b\r\n\"" + filler.left(filler.size() - 2) + "\"\"\",d\r\n")
        << QStringList{"1:Name/b", "2:" + QString::fromLatin1(filler.left(filler.size() - 2)) + "\"/d"};
}

void TestCsv::spreadsheetTextReads()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, joined);
    QStringList read;
    for (const auto& [line, fields] : records(text))
        read.append(QString::number(line) + QLatin1Char(':') + fields.join(QLatin1Char('/')));
    QCOMPARE(read, joined);
}

void TestCsv::aRoundTripIsExact_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France);
    QTest::newRow("Arabic") << QLocale(QLocale::Arabic, QLocale::Egypt);
}

// Exported, imported into an empty collection and exported again, the file
// is the same to the byte, whatever the language of the system.
void TestCsv::aRoundTripIsExact()
{
    QFETCH(QLocale, locale);
    const QLocale system = QLocale();
    QLocale::setDefault(locale);
    TestCollection first(false);
    QByteArray once;
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(first.path(), locale);
        addAwkwardItems(*db);
        once = exported(*db);
    }
    TestCollection second(false);
    std::unique_ptr<Database> db = Database::OpenDatabase(second.path(), locale);
    imported(*db, once);
    const QByteArray twice = exported(*db);
    QLocale::setDefault(system);
    QCOMPARE(QString::fromUtf8(twice), QString::fromUtf8(once));
    QCOMPARE(records(once).size(), 4);
    QVERIFY(once.contains("225179981368.5248,"));
    QVERIFY(once.contains(",0100-01-01,9999-12-31,1.2345,"));
}

// What spreadsheets save (a byte-order mark, semicolons, LF, every field
// quoted, columns in another order and letter case) imports as the file did.
void TestCsv::spreadsheetVariantsImportAlike()
{
    TestCollection first(false);
    QByteArray original;
    {
        std::unique_ptr<Database> db = first.open();
        addAwkwardItems(*db);
        original = exported(*db);
    }
    QList<std::pair<qint64, QStringList>> rows = records(original);
    // a spreadsheet that separates with semicolons writes decimal commas
    const QStringList amounts = {"Price Paid",  "Total Paid",    "Catalog Value",
                                 "Total Value", "Selling Price", "Total Sales"};
    const QStringList header = rows.first().second;
    QByteArray variant("\xEF\xBB\xBF");
    for (auto& [line, fields] : rows) {
        for (qsizetype f = 0; line > 1 && f < fields.size(); ++f) {
            if (amounts.contains(header[f]))
                fields[f].replace(QLatin1Char('.'), QLatin1Char(','));
        }
        std::reverse(fields.begin(), fields.end());
        if (line == 1)
            fields = fields.replaceInStrings(QStringLiteral("Name"), QStringLiteral("nAME"));
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                          QLatin1Char('"'));
        variant += quoted.join(QLatin1Char(';')).toUtf8() + '\n';
    }
    TestCollection second(false);
    std::unique_ptr<Database> db = second.open();
    imported(*db, variant);
    QCOMPARE(QString::fromUtf8(exported(*db)), QString::fromUtf8(original));
}

// A description already in its table, in any letter case, makes no new entry.
void TestCsv::lookupsAreMatchedWithoutLetterCase()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const QByteArray file(
        "Name,Plonko Condition,Bought From,Brand,Special Series,Swing Tag Condition,Tag Generation\r\n"
        "a,MINT,mail order club,Plonko Minis,Under the Sea,torn,6th\r\n"
        "b,near mint,New Shop,PLONKO,under the SEA,,\r\n");
    const ItemTransfer::Summary summary = examined(*db, file);
    QCOMPARE(summary.rows, 2);
    QCOMPARE(summary.newLookupCount, 3);
    QCOMPARE(summary.newLookups,
             (QList<std::pair<QString, QStringList>>{{"Tag Generation", {"6th"}},
                                                     {"Special Series", {"Under the Sea"}},
                                                     {"Bought From", {"New Shop"}}}));
    imported(*db, file);
    db.reset();
    QCOMPARE(firstValue(collection.path(),
                        "SELECT group_concat(ConDesc || '=' || ConID) FROM condition WHERE ConID IN "
                        "(SELECT toycon FROM Plonko)"),
             QStringLiteral("Mint=1,Near Mint=2"));
    QCOMPARE(firstValue(collection.path(), "SELECT count(*) FROM series"), QStringLiteral("6"));
    QCOMPARE(firstValue(collection.path(), "SELECT group_concat(s.serDesc) FROM Plonko p JOIN series s ON "
                                           "s.serID = p.serID"),
             QStringLiteral("Under the Sea,Under the Sea"));
}

// A spreadsheet that separates with semicolons writes amounts with a decimal
// comma; they read as the amounts they are.
void TestCsv::semicolonFilesMayUseADecimalComma()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    imported(*db, "Name;Price Paid;Catalog Value;Selling Price\r\na;30,99;1,5;1234\r\n");
    QVERIFY(exported(*db).contains("\r\na,,,No,,,No,,,No,,,,,,,,30.99,,,1.5,,1234,"));
    QCOMPARE(examined(*db, "Name;Price Paid\r\nb;1,000,5\r\n").refused.count(), 1);
    // a file of TABs as one of semicolons: a dot before three digits may group thousands
    imported(*db, "Name\tPrice Paid\r\nc\t7,25\r\n");
    QVERIFY(exported(*db).contains("\r\nc,,,No,,,No,,,No,,,,,,,,7.25,"));
    QCOMPARE(examined(*db, "Name\tPrice Paid\r\nd\t1.234\r\n").refused.count(), 1);
}

// A spreadsheet saved in German, its columns named its own way: matched,
// its dates and amounts read as its values tell, a value that reads no one
// way refusing its row.
void TestCsv::anotherProgramsColumnsImportThroughAMapping()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const QByteArray file = "Name;Beschreibung;Kaufpreis;Kaufdatum;Wunschliste;Regal\r\n"
                            "Bär;Braun;1.234,56 €;31.12.2023;ja;A1\r\n"
                            "Hase;;12,5;01.02.2024;nein;B2\r\n"
                            "Fuchs;;12.34;15.03.2024;x;C3\r\n"
                            "Igel;;12,345;;;D4\r\n";
    QList<QStringList> sample;
    for (const auto& [line, fields] : records(file))
        sample.append(fields);
    const QStringList header = sample.takeFirst();
    const ColumnMatch::Mapping mapping =
        ColumnMatch::propose(header, sample, QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(mapping.header(),
             QStringList({"Name", "Description", "Price Paid", "Purchase Date", "Want List"}));
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    Transaction writing(*db);
    const ItemTransfer::Summary summary = ItemTransfer::importRows(*db, buffer, {}, {}, &mapping);
    writing.commit();
    QCOMPARE(summary.rows, 3);
    QCOMPARE(summary.refused.count(), 1);
    // its values disagree, so nothing tells the column's format: "12.34"
    // reads one way, "12,345" two
    QCOMPARE(summary.refused.kept()[0].line, 5);
    QCOMPARE(summary.refused.kept()[0].reason,
             QStringLiteral("Price Paid: \"12,345\" reads both as a decimal and as grouped thousands, and no "
                            "format was chosen."));
    const QByteArray stored = exported(*db);
    QVERIFY(stored.contains(QStringLiteral("\r\nBär,Braun,,Yes,").toUtf8()));
    QVERIFY(stored.contains(",1234.56,"));
    QVERIFY(stored.contains(",2023-12-31,"));
    QVERIFY(stored.contains("\r\nHase,,,No,"));
    QVERIFY(stored.contains(",12.5,"));
    QVERIFY(stored.contains(",2024-02-01,"));
    QVERIFY(stored.contains(",12.34,"));
}

void TestCsv::eachRefusedRowNamesItsLineAndReason_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("reason");
    QTest::newRow("name and description missing") << QByteArray(",1,2,2004-06-15,No,Plonko,")
                                                  << "Name: the name is missing, and so is the description.";
    QTest::newRow("text too long") << QByteArray(QByteArray(81, 'n') + ",1,2,,No,,x")
                                   << "Name: the text is longer than the field holds (81 characters).";
    QTest::newRow("no amount") << QByteArray("a,1,two dollars,,No,,x")
                               << "Price Paid: \"two dollars\" is no amount of money.";
    QTest::newRow("amount beyond the file")
        << QByteArray("a,1,225179981368.5249,,No,,x")
        << "Price Paid: \"225179981368.5249\" is beyond what the field holds.";
    QTest::newRow("no quantity") << QByteArray("a,many,2,,No,,x")
                                 << "Quantity: \"many\" is no whole number of pieces.";
    QTest::newRow("quantity beyond a long")
        << QByteArray("a,2147483648,2,,No,,x") << "Quantity: \"2147483648\" is beyond what the field holds.";
    QTest::newRow("no date") << QByteArray("a,1,2,6/15/2004,No,,x")
                             << "Birthday: \"6/15/2004\" is no date written as yyyy-mm-dd.";
    QTest::newRow("date outside the calendar")
        << QByteArray("a,1,2,2003-02-29,No,,x") << "Birthday: 2003-02-29 is no day of the calendar.";
    QTest::newRow("no yes or no") << QByteArray("a,1,2,,maybe,,x")
                                  << "For Sale: \"maybe\" is neither Yes nor No.";
    QTest::newRow("lookup too long") << QByteArray("a,1,2,,No," + QByteArray(51, 'b') + ",x")
                                     << "Brand: the text is longer than the field holds (51 characters).";
    QTest::newRow("a decimal comma, separated by commas")
        << QByteArray("a,1,\"2,5\",,No,,x") << "Price Paid: \"2,5\" is no amount of money.";
    QTest::newRow("a point and no decimals")
        << QByteArray("a,1,2.,,No,,x") << "Price Paid: \"2.\" is no amount of money.";
    QTest::newRow("decimals and no whole")
        << QByteArray("a,1,.5,,No,,x") << "Price Paid: \".5\" is no amount of money.";
    QTest::newRow("two points") << QByteArray("a,1,1.2.3,,No,,x")
                                << "Price Paid: \"1.2.3\" is no amount of money.";
    QTest::newRow("five decimals") << QByteArray("a,1,0.00001,,No,,x")
                                   << "Price Paid: \"0.00001\" has more decimals than money keeps (four).";
    QTest::newRow("amount beyond 64 bits")
        << QByteArray("a,1,922337203685477.5808,,No,,x")
        << "Price Paid: \"922337203685477.5808\" is beyond what the field holds.";
    QTest::newRow("digits of another script")
        << QByteArray("a,1,\xd9\xa1\xd9\xa2,,No,,x") << "Price Paid: \"\u0661\u0662\" is no amount of money.";
    QTest::newRow("a date with a dash after it")
        << QByteArray("a,1,2,2004-06-15-,No,,x")
        << "Birthday: \"2004-06-15-\" is no date written as yyyy-mm-dd.";
    QTest::newRow("a date of a three-digit day")
        << QByteArray("a,1,2,2004-06-150,No,,x")
        << "Birthday: \"2004-06-150\" is no date written as yyyy-mm-dd.";
    QTest::newRow("a date before the year 100")
        << QByteArray("a,1,2,0099-06-15,No,,x") << "Birthday: 0099-06-15 is no day of the calendar.";
    QTest::newRow("too many fields") << QByteArray("a,1,2,,No,,x,extra")
                                     << "it has 8 fields where the header names 7.";
}

// A bad row is left out with its line (after a field over two lines, the line
// it begins on); the good rows around it are counted.
void TestCsv::eachRefusedRowNamesItsLineAndReason()
{
    QFETCH(QByteArray, row);
    QFETCH(QString, reason);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const QByteArray file = "Name,Quantity,Price Paid,Birthday,For Sale,Brand,Description\r\n"
                            "good,1,2.5,2004-06-15,Yes,Plonko,\"over\r\ntwo lines\"\r\n" +
                            row + "\r\nalso good,,,,,,\r\n";
    const ItemTransfer::Summary summary = examined(*db, file);
    QCOMPARE(summary.rows, 2);
    QCOMPARE(summary.refused.count(), 1);
    QCOMPARE(summary.refused.kept()[0].line, 4);
    QCOMPARE(summary.refused.kept()[0].reason, reason);
    QCOMPARE(summary.newLookupCount, 0);
}

void TestCsv::unreadableFilesWriteNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << "The file is empty.";
    QTest::newRow("only blank lines") << QByteArray("\r\n\r\n") << "The file is empty.";
    QTest::newRow("not text") << QByteArray("Name\r\n\x01\x00\x02", 9) << "bytes that are no text";
    QTest::newRow("not UTF-8") << QByteArray("Name\r\nCaf\xE9\r\n") << "not a CSV file in UTF-8";
    QTest::newRow("not UTF-8 after many rows")
        << QByteArray("Name\r\n").append(QByteArray("item\r\n").repeated(5000)).append("Caf\xE9\r\n")
        << "not a CSV file in UTF-8";
    QTest::newRow("unknown column") << QByteArray("Name,Colour\r\na,red\r\n") << "a column \"Colour\"";
    QTest::newRow("a column twice") << QByteArray("Name,descr,Description\r\n")
                                    << "the column \"Description\" twice";
    QTest::newRow("no name or description column")
        << QByteArray("Quantity\r\n1\r\n") << "neither a \"Name\" nor a \"Description\" column";
    QTest::newRow("a quote not closed")
        << QByteArray("Name\r\nok\r\n\"open\r\nrest\r\n") << "begins on line 3 is not closed";
}

void TestCsv::unreadableFilesWriteNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    try {
        examined(*db, file);
        QFAIL("the file was taken");
    } catch (const ItemTransfer::Unreadable& unreadable) {
        QVERIFY2(unreadable.reason.contains(reason), qPrintable(unreadable.reason));
    }
}

// Export names the file "Plonkos.csv" first and asks before replacing one;
// import shows the summary, adds the items and shows them with their lists.
void TestCsv::theMenuExportsAndImports()
{
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath(QStringLiteral("exported.csv"));
    {
        Session s;
        s.dialogs.fileNames.enqueue(path);
        s.get<QAction>("mnuExport")->trigger();
        QCOMPARE(s.dialogs.fileDialogs, QStringList{"Plonkos.csv"});
        QCOMPARE(records([&] {
                     QFile file(path);
                     file.open(QIODevice::ReadOnly);
                     return file.readAll();
                 }())
                     .size(),
                 9);
        s.dialogs.fileNames.enqueue(path);
        s.dialogs.answers.enqueue(Dialogs::Answer::No); // keep the file there
        s.get<QAction>("mnuExport")->trigger();
        QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("File Exists"));
        // stopped at its first line, an export leaves the earlier file as it was
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray before = earlier.readAll();
        earlier.close();
        s.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
        s.dialogs.cancelProgressAt = 1;
        s.dialogs.fileNames.enqueue(path);
        s.get<QAction>("mnuExport")->trigger();
        QCOMPARE(s.dialogs.progressTexts, QStringList{QStringLiteral("Exporting the items: 0 of 8")});
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), before);
        QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("File Exists"));
        s.dialogs.cancelProgressAt = 0;
    }
    Session s(false);
    // stopped at its first item, an import writes nothing and shows no summary
    s.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    s.dialogs.cancelProgressAt = 1;
    s.dialogs.fileNames.enqueue(path);
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(s.dialogs.progressTexts.size(), 1);
    QVERIFY(s.dialogs.modalTitles.isEmpty());
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Plonko")), qint64(0));
    s.dialogs.cancelProgressAt = 0;
    s.dialogs.fileNames.enqueue(path);
    QString shown;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        shown = control<QLabel>(&dialog, "lblSummary")->text();
        control<QPushButton>(&dialog, "cmdImport")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    // every item comes back, the one with a description only first in name order
    QCOMPARE(shown, QStringLiteral("8 items will be added."));
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Unnamed owl"));
    s.click("cmdNext");
    QCOMPARE(s.text("txtName"), QStringLiteral("Abby"));
    QCOMPARE(s.get<QComboBox>("cmbBou")->currentText(), QStringLiteral("Corner Toy Shop"));
    closeSession(s);
    QCOMPARE(itemCount(s.collection.path()), 8);
}

// A file of other column names is matched in the window before the import:
// a field chosen twice is taken from the column that had it, the amounts'
// reading changes what the preview shows and refuses; Cancel imports nothing.
void TestCsv::theMatchColumnsWindowShowsWhatWillBeStored()
{
    Session s(false);
    const QString path =
        writtenFile(s, "Item,Cost,Bought on,Shelf,Maker\r\nBear,\"1.234,50\",31.12.2023,A,plonko\r\n"
                       "Fox,\"12,5\",01.02.2024,B,Tiny\r\nOwl,,,,tiny \r\n");
    QStringList preview;
    QString refusedTip;
    QString newBrands;
    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* grid = control<QTableWidget>(&dialog, "grdPreview");
        for (int column = 0; column < grid->columnCount(); ++column)
            preview.append(grid->horizontalHeaderItem(column)->text() + "=" + grid->item(0, column)->text());
        // "plonko" is shown and counted as the entry Plonko; "Tiny" and "tiny " make one entry
        newBrands = control<QTableWidget>(&dialog, "grdColumns")->item(4, 3)->text();
        // the point as the file's decimal mark leaves Cost as its own values tell
        control<QComboBox>(&dialog, "cboDecimalMark")->setCurrentIndex(0);
        refusedTip = grid->item(1, 1)->toolTip() + grid->item(1, 1)->text();
        // Shelf takes the name from Item, which is left out
        control<QComboBox>(&dialog, "cboField3")->setCurrentIndex(1);
        QCOMPARE(control<QComboBox>(&dialog, "cboField0")->currentIndex(), 0);
        control<QPushButton>(&dialog, "cmdCancel")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(preview,
             QStringList({"Name=Bear", "Price Paid=$1,234.50", "Purchase Date=12/31/2023", "Brand=Plonko"}));
    QCOMPARE(newBrands, QStringLiteral("1"));
    QCOMPARE(refusedTip, QStringLiteral("$12.50"));
    QCOMPARE(s.dialogs.modalTitles, QStringList{QStringLiteral("Match Columns")});
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Plonko")), qint64(0));

    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue([](QDialog& dialog) { control<QPushButton>(&dialog, "cmdOk")->click(); });
    s.dialogs.modalSteps.enqueue(
        [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Plonko")), qint64(3));

    // the program's own columns, saved in the system's code page: no window
    s.dialogs.fileNames.enqueue(writtenFile(s, "Name;Price Paid\r\nB\xe4r;12,5\r\n"));
    s.dialogs.modalSteps.enqueue(
        [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(s.dialogs.modalTitles.last(), QStringLiteral("Import from CSV"));
    QCOMPARE(s.dialogs.modalTitles.count(QStringLiteral("Match Columns")), 2);
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Plonko")), qint64(4));
    closeSession(s);
    QCOMPARE(firstValue(s.collection.path(), "SELECT Name FROM Plonko ORDER BY PlonID DESC LIMIT 1"),
             QStringLiteral("Bär"));
}

// The fields and readings chosen for a file's columns come back for the next
// file of the same header, and for no other.
void TestCsv::matchedColumnsAreRememberedByTheirHeader()
{
    Session s(false);
    const QTemporaryDir settings;
    s.state.MatchesPath = settings.filePath(QStringLiteral("config/matched.json"));
    const QString path = writtenFile(s, "Item,Cost,Shelf\r\nBear,\"1,250\",A\r\n");
    const auto chooseAndImport = [&](int field, int format) {
        s.dialogs.fileNames.enqueue(path);
        s.dialogs.modalSteps.enqueue([=](QDialog& dialog) {
            control<QComboBox>(&dialog, "cboField2")->setCurrentIndex(field);
            control<QComboBox>(&dialog, "cboDecimalMark")->setCurrentIndex(format);
            control<QPushButton>(&dialog, "cmdOk")->click();
        });
        s.dialogs.modalSteps.enqueue(
            [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdCancel")->click(); });
        s.get<QAction>("mnuImport")->trigger();
    };
    const auto shown = [&](const QString& file) {
        QStringList seen;
        s.dialogs.fileNames.enqueue(file);
        s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
            seen = {control<QComboBox>(&dialog, "cboField2")->currentText(),
                    control<QComboBox>(&dialog, "cboDecimalMark")->currentText().left(15),
                    control<QTableWidget>(&dialog, "grdPreview")->item(0, 1)->text()};
            control<QPushButton>(&dialog, "cmdCancel")->click();
        });
        s.get<QAction>("mnuImport")->trigger();
        return seen;
    };
    const QStringList proposed = shown(path);
    QCOMPARE(proposed, QStringList({"Leave out", "", "1,250"}));
    // Shelf to the notes, and "1,250" as one and a quarter
    chooseAndImport(29, 1);
    QCOMPARE(shown(path), QStringList({"Notes", "Decimal comma, ", "$1.25"}));
    QVERIFY(QFileInfo::exists(s.state.MatchesPath));
    // a header of other columns (or another order) is proposed afresh
    QCOMPARE(shown(writtenFile(s, "Cost,Item,Shelf\r\n\"1,250\",Bear,A\r\n")).value(0),
             QStringLiteral("Leave out"));
    writtenFile(s, "Item,Cost,Shelf\r\nBear,\"1,250\",A\r\n");
    // a settings file that is no JSON keeps nothing, and the import goes on
    QFile broken(s.state.MatchesPath);
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate) && broken.write("{\"matches\": [") > 0);
    broken.close();
    QCOMPARE(shown(path), proposed);
    chooseAndImport(29, 1);
    QCOMPARE(shown(path).value(0), QStringLiteral("Notes"));
}

// Two amount columns written two ways are each read as their own values
// tell; a date column that reads both ways is pointed out; a fault in the
// first rows is told as itself.
void TestCsv::eachMatchedColumnIsReadAsItsValuesTell()
{
    Session s(false);
    const QString path =
        writtenFile(s, "Item,Cost,Value,Purchased\r\nBear,\"1.234,50\",\"1,234.50\",01/02/2024\r\n");
    QStringList preview;
    QString note;
    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* grid = control<QTableWidget>(&dialog, "grdPreview");
        for (int column = 0; column < grid->columnCount(); ++column)
            preview.append(grid->item(0, column)->text());
        note = control<QLabel>(&dialog, "lblDates")->text() + " " + grid->item(0, 3)->toolTip();
        // such dates are not guessed: Ok waits for the order
        auto* ok = control<QPushButton>(&dialog, "cmdOk");
        QVERIFY(!ok->isEnabled());
        // so do they when the column is matched again later, and not once it is left out
        auto* purchased = control<QComboBox>(&dialog, "cboField3");
        const int dateField = purchased->currentIndex();
        purchased->setCurrentIndex(0);
        QVERIFY(ok->isEnabled());
        purchased->setCurrentIndex(dateField);
        QVERIFY(!ok->isEnabled());
        // the order chosen leaves each amount column as its values told
        control<QComboBox>(&dialog, "cboDateOrder")->setCurrentIndex(0);
        QVERIFY(ok->isEnabled());
        for (int column = 1; column < 4; ++column)
            preview.append(grid->item(0, column)->text());
        control<QPushButton>(&dialog, "cmdCancel")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(preview, QStringList({"Bear", "$1,234.50", "$1,234.50", "01/02/2024", "$1,234.50", "$1,234.50",
                                   "2/1/2024"}));
    QCOMPARE(note,
             QStringLiteral(
                 "Every date in Purchased reads both day first and month first: choose the order above. 1 of "
                 "the values shown will be refused: point at one to see why, or choose how the file writes "
                 "them. \"01/02/2024\" reads both day first and month first, and no order was chosen"));

    s.dialogs.fileNames.enqueue(writtenFile(s, "Item\r\nok\r\n\"open\r\nrest\r\n"));
    s.get<QAction>("mnuImport")->trigger();
    QVERIFY(s.dialogs.lastText().contains(QStringLiteral("begins on line 3 is not closed")));
    QCOMPARE(s.dialogs.modalTitles.size(), 1);
}

// A column whose values first tell nothing after its first rows is read
// as the file's columns of its kind tell, as the window shows it per column.
void TestCsv::theWindowReadsEachColumnAsTheWholeFileTells_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("readAs");
    QTest::addColumn<QString>("stored");
    QByteArray dates = "Item,Bought on,Sold on\r\n";
    QByteArray amounts = "Item,Kaufpreis,Verkaufspreis\r\n";
    for (int i = 0; i < 20; ++i) {
        dates += "Bear " + QByteArray::number(i) + ",25/12/2020,\r\n";
        amounts += "Bear " + QByteArray::number(i) + ",\"1.234,50\",\r\n";
    }
    QTest::newRow("dates") << dates + "Fox,25/12/2020,03/04/2021\r\n"
                           << QStringList({"", "Day first, as its dates tell",
                                           "Day first, as the file's other dates tell", ""})
                           << "2020-12-25|2021-04-03";
    QTest::newRow("amounts") << amounts + "Fox,\"1.234,50\",1.250\r\n"
                             << QStringList({"", "1.234,56, as its amounts tell",
                                             "1.234,56, as the file's other amounts tell", ""})
                             << "1234.5|1250";
}

void TestCsv::theWindowReadsEachColumnAsTheWholeFileTells()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, readAs);
    QFETCH(QString, stored);
    Session s(false);
    s.dialogs.fileNames.enqueue(writtenFile(s, file));
    QStringList shown;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* columns = control<QTableWidget>(&dialog, "grdColumns");
        for (int row = 0; row < columns->rowCount(); ++row)
            shown.append(columns->columnCount() > 4 ? columns->item(row, 4)->text() : QString());
        // a reading the file told is not asked for
        shown.append(control<QLabel>(&dialog, "lblDates")->text());
        control<QPushButton>(&dialog, "cmdOk")->click();
    });
    s.dialogs.modalSteps.enqueue(
        [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
    s.get<QAction>("mnuImport")->trigger();
    closeSession(s);
    QCOMPARE(firstValue(s.collection.path(), QTest::currentDataTag() == QByteArray("dates")
                                                 ? "SELECT PurchaseDate || '|' || SoldDate FROM Plonko "
                                                   "WHERE Name = 'Fox'"
                                                 : "SELECT pricepaid || '|' || priceask FROM Plonko "
                                                   "WHERE Name = 'Fox'"),
             stored);
    QCOMPARE(shown, readAs);
}

// A column left out no longer tells the others their reading: an amount
// that then reads two ways waits, refused, until a format is chosen.
void TestCsv::aColumnLeftOutTellsTheOthersNothing()
{
    Session s(false);
    s.dialogs.fileNames.enqueue(writtenFile(s, "Item,Cost,Value\r\nBear,\"1.234,50\",1.250\r\n"));
    QStringList seen;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* columns = control<QTableWidget>(&dialog, "grdColumns");
        auto* preview = control<QTableWidget>(&dialog, "grdPreview");
        const auto look = [&] {
            seen.append(columns->item(2, 4)->text() + " | " +
                        preview->item(0, preview->columnCount() - 1)->text() +
                        (control<QPushButton>(&dialog, "cmdOk")->isEnabled() ? " | Ok" : " | wait"));
        };
        look();
        control<QComboBox>(&dialog, "cboField1")->setCurrentIndex(0);
        look();
        seen.append(control<QLabel>(&dialog, "lblDates")->text().section(QLatin1Char(':'), 0, 0));
        control<QComboBox>(&dialog, "cboDecimalMark")->setCurrentIndex(0);
        look();
        control<QPushButton>(&dialog, "cmdCancel")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(
        seen,
        QStringList({"1.234,56, as the file's other amounts tell | $1,250.00 | Ok",
                     "Not told: choose below | 1.250 | wait",
                     "An amount in Value reads both as a decimal and as grouped thousands (1.250 or 1,250)",
                     "1,234.56, as chosen below | $1.25 | Ok"}));
}

void TestCsv::cancelAfterTheSummaryWritesNothing()
{
    Session s(false);
    const QString path =
        writtenFile(s, "Name,Brand\r\nNew,New Brand\r\nbad,\"" + QByteArray(60, 'x') + "\"\r\n");
    s.dialogs.fileNames.enqueue(path);
    QString refused;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        QCOMPARE(dialog.parentWidget(), s.window.get()); // opens over the item window
        refused = control<QPlainTextEdit>(&dialog, "txtDetails")->toPlainText();
        control<QPushButton>(&dialog, "cmdCancel")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(refused,
             QStringLiteral("New Brand: New Brand\n"
                            "Line 3: Brand: the text is longer than the field holds (60 characters)."));
    closeSession(s);
    QCOMPARE(itemCount(s.collection.path()), 0);
    QCOMPARE(firstValue(s.collection.path(), "SELECT count(*) FROM brand"), QStringLiteral("3"));
}

void TestCsv::aFailureInTheMiddleWritesNothing_data()
{
    QTest::addColumn<bool>("withItems");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("writes"); // before the one that fails
    QTest::newRow("indexes made after the rows") << false << 3 << 3;
    QTest::newRow("indexes kept up row by row") << true << 3 << 3;
    // the file is read well ahead of the rows written when the write fails
    QTest::newRow("a long file") << false << 5000 << 1000;
}

// A write that fails part way leaves neither items nor new lookup entries,
// and every index as it was.
void TestCsv::aFailureInTheMiddleWritesNothing()
{
    QFETCH(bool, withItems);
    QFETCH(int, rows);
    QFETCH(int, writes);
    Session s(withItems);
    const QString before = firstValue(TestCollection(withItems).path(), kIndexes);
    QByteArray text = "Name,Brand\r\none,Brand One\r\ntwo,Brand Two\r\nthree,\r\n";
    for (int row = 3; row < rows; ++row)
        text += "item " + QByteArray::number(row) + ",Brand One\r\n";
    const QString path = writtenFile(s, text);
    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue(
        [&](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
    s.state.db().failNextWrites(1, DbError::DiskError, writes);
    s.get<QAction>("mnuImport")->trigger();
    QVERIFY(s.dialogs.ended);
    QVERIFY(s.dialogs.lastText().startsWith(QStringLiteral("3043  ")));
    closeSession(s);
    QCOMPARE(itemCount(s.collection.path()), withItems ? 8 : 0);
    QCOMPARE(firstValue(s.collection.path(), "SELECT count(*) FROM brand"), QStringLiteral("3"));
    QCOMPARE(firstValue(s.collection.path(), kIndexes), before);
}

void TestCsv::itemsTheWindowKeepsSurviveARoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    // the item window saves an item with a name or a description
    QTest::newRow("a description, no name") << ""
                                            << "Unnamed owl";
    QTest::newRow("a blank for a name") << " "
                                        << "";
    QTest::newRow("a blank name and a description") << "  "
                                                    << "Owl";
}

// Every item the window can save comes back from its own export.
void TestCsv::itemsTheWindowKeepsSurviveARoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    TestCollection first(false);
    QByteArray once;
    {
        std::unique_ptr<Database> db = first.open();
        std::unique_ptr<Recordset> items =
            db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
        items->AddNew();
        items->SetField(QStringLiteral("Name"), name);
        items->SetField(QStringLiteral("descr"), description);
        items->Update();
        once = exported(*db);
    }
    TestCollection second(false);
    std::unique_ptr<Database> db = second.open();
    const ItemTransfer::Summary summary = examined(*db, once);
    QCOMPARE(summary.refused.count(), 0);
    imported(*db, once);
    QCOMPARE(QString::fromUtf8(exported(*db)), QString::fromUtf8(once));
}

void TestCsv::lookupDescriptionsKeepTheirBlanks_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("descriptionField");
    QTest::addColumn<QString>("itemField");
    QTest::addColumn<QString>("keyField");
    QTest::newRow("condition") << "condition"
                               << "ConDesc"
                               << "toycon"
                               << "ConID";
    QTest::newRow("swing tag condition") << "tagcon"
                                         << "tagDesc"
                                         << "tagcon"
                                         << "tagID";
    QTest::newRow("generation") << "generation"
                                << "genDesc"
                                << "genID"
                                << "genID";
    QTest::newRow("series") << "series"
                            << "serDesc"
                            << "serID"
                            << "serID";
    QTest::newRow("brand") << "brand"
                           << "braDesc"
                           << "braID"
                           << "braID";
    QTest::newRow("bought from") << "boughtfrom"
                                 << "bouDesc"
                                 << "bouID"
                                 << "bouID";
}

// The lookup windows keep a description as typed, blanks at its ends too: it
// goes out and comes back as it was, and is found again in its own collection.
void TestCsv::lookupDescriptionsKeepTheirBlanks()
{
    QFETCH(QString, table);
    QFETCH(QString, descriptionField);
    QFETCH(QString, itemField);
    QFETCH(QString, keyField);
    TestCollection first(false);
    std::unique_ptr<Database> db = first.open();
    std::unique_ptr<Recordset> entries =
        db->OpenRecordset(QStringLiteral("Select * from ") + table, RecordsetType::Dynaset);
    entries->AddNew();
    const Value key = entries->Fields(keyField);
    entries->SetField(descriptionField, QStringLiteral(" Spaced Out "));
    entries->Update();
    std::unique_ptr<Recordset> items =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    items->AddNew();
    items->SetField(QStringLiteral("Name"), QStringLiteral("a"));
    items->SetField(itemField, key);
    items->Update();
    const QByteArray once = exported(*db);
    // into the collection it came from: the entry is there already
    QCOMPARE(examined(*db, once).newLookupCount, 0);
    TestCollection second(false);
    std::unique_ptr<Database> other = second.open();
    imported(*other, once);
    QCOMPARE(QString::fromUtf8(exported(*other)), QString::fromUtf8(once));
}

void TestCsv::datesTheWindowRefusesAreRefused_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("date");
    for (const char* column : {"Birthday", "Retirement Date", "Purchase Date", "Date Sold"}) {
        QTest::addRow("%s 0099-12-31", column) << column << "0099-12-31";
        QTest::addRow("%s 0001-01-01", column) << column << "0001-01-01";
    }
}

// A year below 100 is no day of the window's calendar: the window could show
// the item but never save it again.
void TestCsv::datesTheWindowRefusesAreRefused()
{
    QFETCH(QString, column);
    QFETCH(QString, date);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary =
        examined(*db, ("Name," + column + "\r\na," + date + "\r\n").toUtf8());
    QCOMPARE(summary.rows, 0);
    QCOMPARE(summary.refused.count(), 1);
    QVERIFY2(summary.refused.kept()[0].reason.startsWith(column + QStringLiteral(": ")),
             qPrintable(summary.refused.kept()[0].reason));
}

void TestCsv::numbersThatWouldChangeAreRefused_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QByteArray>("row"); // the header is "Name" and the column, separated alike
    QTest::addColumn<QString>("stored"); // as exported after the import; empty: the row is refused
    const char* const money[] = {"Price Paid",  "Total Paid",    "Catalog Value",
                                 "Total Value", "Selling Price", "Total Sales"};
    for (const char* column : money) {
        // commas: the dot is the decimal point, a comma no grouping
        QTest::addRow("%s \"0,125\" with commas", column) << column << QByteArray("a,\"0,125\"") << "";
        QTest::addRow("%s \"2,500\" with commas", column) << column << QByteArray("a,\"2,500\"") << "";
        // semicolons: the comma is the decimal point, a dot no decimal point
        QTest::addRow("%s 0,125 with semicolons", column) << column << QByteArray("a;0,125") << "0.125";
        QTest::addRow("%s 1.250 with semicolons", column) << column << QByteArray("a;1.250") << "";
        QTest::addRow("%s 1.25 with semicolons", column) << column << QByteArray("a;1.25") << "1.25";
        // more decimals than money keeps
        QTest::addRow("%s five decimals", column) << column << QByteArray("a,1.23456") << "";
        QTest::addRow("%s 0.00005", column) << column << QByteArray("a,0.00005") << "";
    }
    QTest::newRow("Quantity \"2,500\" with commas") << "Quantity" << QByteArray("a,\"2,500\"") << "";
    QTest::newRow("Quantity 2,500 with semicolons") << "Quantity" << QByteArray("a;2,500") << "";
    QTest::newRow("Quantity 2.5") << "Quantity" << QByteArray("a,2.5") << "";
}

// Money and quantities are plain decimals: a value that would be stored as
// another number (a thousand times larger, rounded, a whole number) is
// refused, not changed.
void TestCsv::numbersThatWouldChangeAreRefused()
{
    QFETCH(QString, column);
    QFETCH(QByteArray, row);
    QFETCH(QString, stored);
    const char separator = row.at(1);
    const QByteArray file = "Name" + QByteArray(1, separator) + column.toUtf8() + "\r\n" + row + "\r\n";
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary = examined(*db, file);
    if (stored.isEmpty()) {
        QCOMPARE(summary.refused.count(), 1);
        QVERIFY(summary.refused.kept()[0].reason.startsWith(column + QStringLiteral(": ")));
        return;
    }
    QCOMPARE(summary.rows, 1);
    imported(*db, file);
    const QList<std::pair<qint64, QStringList>> out = records(exported(*db));
    QCOMPARE(out[1].second.value(out[0].second.indexOf(column)), stored);
}

// A file cut off inside its last character is no UTF-8, not a shorter text.
void TestCsv::aTruncatedLastCharacterIsReported()
{
    QString failure;
    const auto read = records(QByteArray("Name\r\nCaf\xC3"), &failure);
    QVERIFY2(failure.contains(QStringLiteral("UTF-8")),
             qPrintable(read.value(1).second.join(QLatin1Char('/'))));
}

// A file of one long line (no CSV at all) is refused without reading it over
// and over.
void TestCsv::oneLongLineIsRefusedPromptly()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    QElapsedTimer timer;
    timer.start();
    QString reason;
    try {
        examined(*db, "Name," + QByteArray(16 * 1024 * 1024, 'x'));
    } catch (const ItemTransfer::Unreadable& unreadable) {
        reason = unreadable.reason;
    }
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(reason.size() < 500, qPrintable(QString::number(reason.size()))); // a message one can read
}

// However many entries an import makes, the summary fits the screen and its
// buttons can be reached.
void TestCsv::everyNewEntryCanBeRead()
{
    ItemTransfer::Summary summary;
    summary.rows = 5000;
    QStringList sellers;
    for (int i = 0; i < 5000; ++i)
        sellers.append(QStringLiteral("Seller number %1").arg(i));
    summary.newLookups.append({QStringLiteral("Bought From"), sellers});
    summary.newLookupCount = int(sellers.size());
    frmImportSummary dialog(summary, QLocale(QLocale::English, QLocale::UnitedStates));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect screen = dialog.screen()->availableGeometry();
    QVERIFY(dialog.frameGeometry().height() <= screen.height());
    // every new entry can be read: none is cut off below the dialog's edge
    QVERIFY2(dialog.lblSummary->height() >= dialog.lblSummary->heightForWidth(dialog.lblSummary->width()),
             qPrintable(QStringLiteral("%1 of %2 pixels shown")
                            .arg(dialog.lblSummary->height())
                            .arg(dialog.lblSummary->heightForWidth(dialog.lblSummary->width()))));
}

void TestCsv::formulaCellsGoOutAfterAnApostrophe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell"); // as a spreadsheet finds it in the file
    const std::pair<const char*, const char*> firsts[] = {
        {"=", "="}, {"+", "+"}, {"-", "-"}, {"@", "@"}, {"tab", "\t"}, {"CR", "\r"}, {"apostrophe", "'"}};
    for (const auto& [name, first] : firsts)
        QTest::addRow("%s first", name)
            << QString::fromLatin1(first) + QStringLiteral("1+1")
            << QStringLiteral("'") + QString::fromLatin1(first) + QStringLiteral("1+1");
    QTest::newRow("a formula") << "=HYPERLINK(\"http://x\",\"y\")"
                               << "'=HYPERLINK(\"http://x\",\"y\")";
    QTest::newRow("two apostrophes") << "''x"
                                     << "'''x";
    QTest::newRow("= after a blank") << " =1"
                                     << " =1";
    QTest::newRow("= inside") << "a=1"
                              << "a=1";
    QTest::newRow("a lone apostrophe") << "'"
                                       << "''";
}

// A text cell a spreadsheet would run, in a text field or a lookup, goes out
// after an apostrophe and comes back without it; amounts and quantities
// never do, however they begin.
void TestCsv::formulaCellsGoOutAfterAnApostrophe()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    TestCollection first(false);
    QByteArray once;
    {
        std::unique_ptr<Database> db = first.open();
        addItem(*db, {{"Name", text},
                      {"Color", text},
                      {"braID", addBrand(*db, text)},
                      {"catvalue", Money::fromUnits(-12345)},
                      {"totalval", Money::fromUnits(12345)},
                      {"quantity", qint32(-1)}});
        once = exported(*db);
    }
    const QList<std::pair<qint64, QStringList>> rows = records(once);
    const QStringList header = rows[0].second;
    const QStringList row = rows[1].second;
    QCOMPARE(row[header.indexOf("Name")], cell);
    QCOMPARE(row[header.indexOf("Color")], cell);
    QCOMPARE(row[header.indexOf("Brand")], cell);
    QCOMPARE(row[header.indexOf("Catalog Value")], QStringLiteral("-1.2345"));
    QCOMPARE(row[header.indexOf("Quantity")], QStringLiteral("-1"));
    TestCollection second(false);
    std::unique_ptr<Database> db = second.open();
    QCOMPARE(imported(*db, once).refused.count(), 0);
    QCOMPARE(QString::fromUtf8(exported(*db)), QString::fromUtf8(once));
    db.reset();
    QCOMPARE(firstValue(second.path(), "SELECT Name || '|' || Color || '|' || braDesc FROM Plonko JOIN brand "
                                       "ON brand.braID = Plonko.braID"),
             text + u'|' + text + u'|' + text);
}

void TestCsv::doublesAreLeftOutUnlessAsked_data()
{
    QTest::addColumn<QByteArray>("rows"); // after the header "Name,Description,Color,Price Paid,Birthday"
    QTest::addColumn<int>("doubles");
    QTest::addColumn<QStringList>("kept"); // the names of the items kept, in their order
    QTest::newRow("a row there before")
        << QByteArray("Kept,,red,1.5,2001-02-03\nNew,,,,\n") << 1 << QStringList{"Kept", "New"};
    QTest::newRow("a row twice in the file")
        << QByteArray("A,,,,\nB,,,,\nA,,,,\n") << 1 << QStringList{"Kept", "A", "B"};
    QTest::newRow("a row three times")
        << QByteArray("A,,,,\nA,,,,\nA,,,,\n") << 2 << QStringList{"Kept", "A"};
    QTest::newRow("a name in other letters")
        << QByteArray("KEPT,,red,1.5,2001-02-03\n") << 0 << QStringList{"Kept", "KEPT"};
    QTest::newRow("a colour in other letters")
        << QByteArray("Kept,,Red,1.5,2001-02-03\n") << 0 << QStringList{"Kept", "Kept"};
    QTest::newRow("a blank after the name")
        << QByteArray("\"Kept \",,red,1.5,2001-02-03\n") << 0 << QStringList{"Kept", "Kept "};
    QTest::newRow("a ten-thousandth more")
        << QByteArray("Kept,,red,1.5001,2001-02-03\n") << 0 << QStringList{"Kept", "Kept"};
    QTest::newRow("a day later") << QByteArray("Kept,,red,1.5,2001-02-04\n") << 0
                                 << QStringList{"Kept", "Kept"};
    QTest::newRow("an empty field for a set one")
        << QByteArray("Kept,,red,,2001-02-03\n") << 0 << QStringList{"Kept", "Kept"};
    QTest::newRow("a description, no name, twice")
        << QByteArray(",Owl,,,\n,Owl,,,\n,owl,,,\n") << 1 << QStringList{"Kept", "", ""};
}

// A row equal in every field to an item there before, or to an earlier row,
// is counted and left out unless the collector asks for it; a difference in
// any one field, letter case or a ten-thousandth, makes it no double.
void TestCsv::doublesAreLeftOutUnlessAsked()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, doubles);
    QFETCH(QStringList, kept);
    const QByteArray file = "Name,Description,Color,Price Paid,Birthday\n" + rows;
    // with fewer rows than the collection holds each row is looked up
    // through an index; with as many or more the table is sorted once
    for (const auto& [anyway, fewer] :
         {std::pair(false, false), {true, false}, {false, true}, {true, true}}) {
        TestCollection collection(false);
        std::unique_ptr<Database> db = collection.open();
        addItem(*db, {{"Name", QStringLiteral("Kept")},
                      {"Color", QStringLiteral("red")},
                      {"pricepaid", Money::fromUnits(15000)},
                      {"issuedate", QDate(2001, 2, 3)}});
        for (int i = 0; fewer && i < 5; ++i)
            addItem(*db, {{"Name", QStringLiteral("Filler")}, {"catnum", QString::number(i)}});
        const ItemTransfer::Summary summary = imported(*db, file, anyway);
        QCOMPARE(summary.doubles, doubles);
        QStringList names;
        for (const auto& [line, fields] : records(exported(*db)).mid(1))
            if (fields[0] != u"Filler")
                names.append(fields[0]);
        if (anyway)
            QCOMPARE(names.size(), records(file).size());
        else
            QCOMPARE(names, kept);
    }
}

// The collection's own export brings nothing in unless asked, and says so.
void TestCsv::anExportImportedIntoItsCollectionAddsNothing()
{
    Session s;
    const QString path = s.collection.folder() + QStringLiteral("/own.csv");
    s.dialogs.fileNames.enqueue(path);
    s.get<QAction>("mnuExport")->trigger();
    for (bool anyway : {false, true}) {
        QString shown;
        bool importAtFirst = true;
        s.dialogs.fileNames.enqueue(path);
        s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
            importAtFirst = control<QPushButton>(&dialog, "cmdImport")->isEnabled();
            control<QCheckBox>(&dialog, "chkAddDoubles")->setChecked(anyway);
            shown = control<QLabel>(&dialog, "lblSummary")->text();
            control<QPushButton>(&dialog, anyway ? "cmdImport" : "cmdCancel")->click();
        });
        s.get<QAction>("mnuImport")->trigger();
        QVERIFY(!importAtFirst);
        QCOMPARE(shown,
                 anyway ? QStringLiteral("8 items will be added.\n8 rows are already in the collection.")
                        : QStringLiteral("No item will be added.\n8 rows are already in the collection."));
    }
    closeSession(s);
    QCOMPARE(itemCount(s.collection.path()), 16);
}

// An item naming the second of two entries spelt alike, or holding a yes
// written as 1 by another program, is a double of its own export.
void TestCsv::doublesCompareWhatTheFileHolds()
{
    TestCollection collection(false);
    {
        std::unique_ptr<Database> db = collection.open();
        addBrand(*db, QStringLiteral("Foo"));
        addItem(*db, {{"Name", QStringLiteral("a")}, {"braID", addBrand(*db, QStringLiteral("Foo"))}});
    }
    QVERIFY(firstValue(collection.path(), "UPDATE Plonko SET wantlist = 1").isEmpty());
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary = imported(*db, exported(*db));
    QCOMPARE(summary.rows, 1);
    QCOMPARE(summary.doubles, 1);
    QCOMPARE(db->RowCount(QStringLiteral("Plonko")), 1);
}

void TestCsv::lookupEntriesSpeltAlikeStayApart_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("description"); // in the file
    QTest::addColumn<QString>("taken");       // the entry it stands for; empty: refused
    QTest::addColumn<QString>("said");
    const QStringList three = {"Acme", "ACME", "Acme "};
    QTest::newRow("exact, of three") << three << "ACME"
                                     << "ACME"
                                     << "";
    QTest::newRow("exact with its blank") << three << "Acme "
                                          << "Acme "
                                          << "";
    QTest::newRow("alike to three")
        << three << "acme"
        << ""
        << "Brand: \"acme\" matches the entries \"Acme\", \"ACME\", \"Acme \", none "
           "spelt exactly so.";
    QTest::newRow("alike to one") << QStringList{"Acme"} << " acme"
                                  << "Acme"
                                  << "Brand: \" acme\" taken for \"Acme\".";
    QTest::newRow("a new entry") << QStringList{"Acme"} << "Acme Toys"
                                 << "Acme Toys"
                                 << "";
}

// The lookup window keeps entries apart that differ in letter case or end
// blanks; an import keeps them apart too, and says where it took a
// description for an entry spelt otherwise.
void TestCsv::lookupEntriesSpeltAlikeStayApart()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, description);
    QFETCH(QString, taken);
    QFETCH(QString, said);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    for (const QString& entry : entries)
        addBrand(*db, entry);
    const QByteArray file = "Name,Brand\nitem,\"" + description.toUtf8() + "\"\n";
    const ItemTransfer::Summary summary = imported(*db, file);
    const QList<ItemTransfer::Refusal> notes =
        taken.isEmpty() ? summary.refused.kept() : summary.respelt.kept();
    QCOMPARE(notes.size(), qsizetype(said.isEmpty() ? 0 : 1));
    if (!said.isEmpty())
        QCOMPARE(notes[0].reason, said);
    db.reset();
    QCOMPARE(
        firstValue(collection.path(), "SELECT braDesc FROM Plonko JOIN brand ON brand.braID = Plonko.braID"),
        taken);
    QCOMPARE(
        firstValue(collection.path(), "SELECT count(*) FROM brand WHERE braDesc = 'Acme' COLLATE BINARY"),
        QStringLiteral("1"));
}

// An entry the import makes is found by the rows after it, exactly or spelt
// alike, and only a row that is taken makes one: a row refused for another
// field leaves its new description to the next row that names it.
void TestCsv::entriesMadeByTheImportServeTheRowsAfter()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary = imported(*db, "Name,Brand,Price Paid\n"
                                                        "one,Acme Toys,1\n"
                                                        "two,acme toys ,2\n"
                                                        "three,Acme Toys,3\n"
                                                        "four,Zeta,many\n"
                                                        "five,zeta,5\n"
                                                        "six,Zeta,6\n");
    QCOMPARE(summary.rows, qint64(5));
    QCOMPARE(summary.refused.kept().size(), qsizetype(1));
    QCOMPARE(summary.refused.kept()[0].line, qint64(5));
    QCOMPARE(summary.newLookupCount, qint64(2));
    const QList<ItemTransfer::Refusal> respelt = summary.respelt.kept();
    QCOMPARE(respelt.size(), qsizetype(2));
    QCOMPARE(respelt[0].line, qint64(3));
    QCOMPARE(respelt[0].reason, QStringLiteral("Brand: \"acme toys \" taken for \"Acme Toys\"."));
    QCOMPARE(respelt[1].line, qint64(7));
    QCOMPARE(respelt[1].reason, QStringLiteral("Brand: \"Zeta\" taken for \"zeta\"."));
    db.reset();
    QCOMPARE(firstValue(collection.path(),
                        "SELECT group_concat(Name || '=' || braDesc, ' ') FROM (SELECT Name, "
                        "braDesc FROM Plonko JOIN brand ON brand.braID = Plonko.braID ORDER "
                        "BY PlonID)"),
             QStringLiteral("one=Acme Toys two=Acme Toys three=Acme Toys five=zeta six=zeta"));
}

// Batches pass from the thread that makes them in order, at most as many
// waiting as allowed, and come back to it to be filled again; the maker's
// failure reaches the taker after the batches before it, and a taker that
// gives up frees a maker waiting for room.
void TestCsv::theHandoffKeepsOrderAndStopsTheMaker()
{
    Handoff<std::vector<int>> handoff(2);
    std::atomic<int> mostAhead = 0;
    std::atomic<int> reusedFull = 0;
    std::atomic<int> given = 0;
    std::thread maker([&] {
        for (int n = 0; n < 10; ++n) {
            std::vector<int> batch = handoff.reused();
            if (!batch.empty())
                ++reusedFull;
            batch.assign({n, n});
            handoff.give(std::move(batch));
            mostAhead = std::max(mostAhead.load(), ++given);
        }
        handoff.fail(std::make_exception_ptr(std::runtime_error("the maker failed")));
    });
    std::vector<int> taken;
    try {
        while (std::optional<std::vector<int>> batch = handoff.take()) {
            taken.insert(taken.end(), batch->begin(), batch->end());
            --given;
            handoff.giveBack(std::move(*batch));
            QThread::msleep(1);
        }
        QFAIL("the failure was not handed on");
    } catch (const std::runtime_error& failure) {
        QCOMPARE(QByteArray(failure.what()), QByteArray("the maker failed"));
    }
    maker.join();
    QCOMPARE(taken, (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9}));
    QVERIFY(mostAhead <= 3); // two waiting and one being taken
    QVERIFY(reusedFull > 0);

    Handoff<std::vector<int>> stopped(1);
    std::atomic<bool> refused = false;
    std::thread waiting([&] {
        stopped.give({1});
        refused = !stopped.give({2}); // waits for room until the taker gives up
    });
    QThread::msleep(20);
    stopped.giveUp();
    waiting.join();
    QVERIFY(refused);
}

void TestCsv::fieldsBeyondTheHeaderAreOnlyCounted_data()
{
    QTest::addColumn<int>("headerFields");
    QTest::addColumn<int>("rowFields");
    QTest::addColumn<QString>("reason"); // the refusal, or the end of the reason the file is unreadable
    QTest::newRow("one more") << 2 << 3 << "it has 3 fields where the header names 2.";
    QTest::newRow("ten million") << 1 << 10000000 << "it has 10000000 fields where the header names 1.";
    QTest::newRow("a header of 300") << 300 << 1 << "";
    QTest::newRow("a header of 301") << 301 << 1 << "its first line holds more than 300 fields.";
}

// A record keeps no more fields than its header names and one: a line of
// millions of short fields is refused as a row, without holding them all.
void TestCsv::fieldsBeyondTheHeaderAreOnlyCounted()
{
    QFETCH(int, headerFields);
    QFETCH(int, rowFields);
    QFETCH(QString, reason);
    QByteArray header = headerFields == 2 ? "Name,Color" : "Name";
    for (int i = header.count(',') + 1; i < headerFields; ++i)
        header += ",x";
    QByteArray row = "a";
    row.reserve(rowFields * 2);
    for (int i = 1; i < rowFields; ++i)
        row += ",a";
    const QByteArray file = header + "\n" + row + "\n";
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    Csv::Reader reader(buffer);
    QStringList fields;
    qint64 line = 0;
    QVERIFY(reader.next(fields, line));
    QCOMPARE(reader.fieldCount(), headerFields);
    QCOMPARE(fields.size(), qMin(headerFields, Csv::Reader::kMostHeaderFields + 1));
    reader.setMostFields(headerFields);
    QVERIFY(reader.next(fields, line));
    QCOMPARE(reader.fieldCount(), rowFields);
    QCOMPARE(fields.size(), qMin(rowFields, headerFields + 1));
    if (reason.isEmpty())
        return;
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    try {
        QCOMPARE(examined(*db, file).refused.kept().value(0).reason, reason);
    } catch (const ItemTransfer::Unreadable& unreadable) {
        QVERIFY2(unreadable.reason.endsWith(reason), qPrintable(unreadable.reason));
    }
}

void TestCsv::theSummaryKeepsTheFirstThousandReasons_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("leftOut");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "1,500";
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "1.500";
}

// Of a great many rows left out, the first thousand are shown each with its
// reason and the rest counted by reason, the counts written in the locale of
// the regional settings, whatever the system's.
void TestCsv::theSummaryKeepsTheFirstThousandReasons()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, leftOut);
    QByteArray file = "Name,Birthday,Quantity\n";
    for (int i = 0; i < 1500; ++i)
        file += i % 3 == 2 ? "a,someday,1\n" : "a,,many\n";
    file += "good,,\n";
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary = examined(*db, file);
    QCOMPARE(summary.rows, 1);
    QCOMPARE(summary.refused.count(), 1500);
    QCOMPARE(summary.refused.kept().size(), ItemTransfer::RowNotes::kKept);
    QCOMPARE(summary.refused.kept().last().line, 1001);
    QCOMPARE(summary.refused.more(),
             (QList<std::pair<QString, qint64>>{{"Quantity: no whole number of pieces", 333},
                                                {"Birthday: no date written as yyyy-mm-dd", 167}}));
    frmImportSummary dialog(summary, locale);
    QVERIFY(dialog.txtDetails->toPlainText().endsWith(
        "Line 1001: Quantity: \"many\" is no whole number of pieces.\n"
        "Quantity: no whole number of pieces: and 333 more rows with the same reason.\n"
        "Birthday: no date written as yyyy-mm-dd: and 167 more rows with the same reason."));
    QCOMPARE(dialog.lblSummary->text(),
             QStringLiteral("1 item will be added.\n%1 rows will be left out.").arg(leftOut));
}

void TestCsv::theRowsAreWrittenBeforeTheAnswer_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("&Import") << true;
    QTest::newRow("&Cancel") << false;
}

// The file is read once: while the summary is shown, its rows and entries
// stand in the collection, uncommitted; the answer keeps or gives them up.
void TestCsv::theRowsAreWrittenBeforeTheAnswer()
{
    QFETCH(bool, keep);
    Session s(false);
    const QString before = firstValue(TestCollection(false).path(), kIndexes);
    const QString path = writtenFile(s, "Name,Brand\none,Brand One\ntwo,Brand One\n");
    s.dialogs.fileNames.enqueue(path);
    qint64 during = -1;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        during = s.state.db().RowCount(QStringLiteral("Plonko"));
        control<QPushButton>(&dialog, keep ? "cmdImport" : "cmdCancel")->click();
    });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(during, 2);
    closeSession(s);
    QCOMPARE(itemCount(s.collection.path()), keep ? 2 : 0);
    QCOMPARE(firstValue(s.collection.path(), "SELECT count(*) FROM brand WHERE braDesc = 'Brand One'"),
             keep ? QStringLiteral("1") : QStringLiteral("0"));
    // the indexes set aside while the rows were written are back either way
    QCOMPARE(firstValue(s.collection.path(), kIndexes), before);
}

// A program killed while the summary is shown leaves the collection as it
// was: the next start rolls the rows back.
void TestCsv::aKillWhileTheSummaryIsOpenKeepsNothing()
{
    TestCollection collection;
    const QString file = collection.folder() + QStringLiteral("/in.csv");
    {
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Name,Brand\none,Brand One\ntwo,Brand Two\n");
    }
    QProcess driver;
    driver.start(QStringLiteral(CRASH_DRIVER), {QStringLiteral("hold-import"), collection.folder(), file});
    QVERIFY(driver.waitForStarted());
    QByteArray said;
    while (!said.contains("summary shown") && driver.waitForReadyRead(20000))
        said += driver.readAllStandardOutput();
    QVERIFY2(said.contains("summary shown: 2 items will be added."), said.constData());
    driver.kill();
    driver.waitForFinished();
    QCOMPARE(itemCount(collection.path()), 8);
    QCOMPARE(firstValue(collection.path(), "SELECT count(*) FROM brand WHERE braDesc LIKE 'Brand %'"),
             QStringLiteral("0"));
    QCOMPARE(integrityOf(collection.path()), QStringLiteral("ok"));
}

namespace {

// The text imported as "&Import" keeps it, its photos read from the folder given.
ItemTransfer::Summary importedWithPhotos(Database& db, const QByteArray& bytes, const QString& folder)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Transaction writing(db);
    const ItemTransfer::Summary summary = ItemTransfer::importRows(db, buffer, folder);
    ItemTransfer::leaveOutDoubles(db, summary);
    writing.commit();
    return summary;
}

// The totals paid, value and sales of each item as the store reads them,
// "paid|value|sales", in the order of the items' keys.
QStringList totalsOf(Database& db)
{
    QStringList totals;
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select totalpaid, totalval, totalsales from Plonko order by PlonID"),
                         RecordsetType::ForwardOnly);
    for (; !items->AtEOF(); items->MoveNext())
        totals.append(
            QStringList{textOf(items->FieldAt(0)), textOf(items->FieldAt(1)), textOf(items->FieldAt(2))}.join(
                QLatin1Char('|')));
    return totals;
}

// A picture of one colour, as its PNG file holds it.
QByteArray plainPicture(const QString& colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(colour));
    return encoded(image, "png");
}

// The colours of each item's photos, joined by ";", in the order of the items' keys.
QStringList photoColours(Database& db, const QStringList& colours)
{
    QHash<QByteArray, QString> byDigest;
    for (const QString& colour : colours)
        byDigest.insert(QCryptographicHash::hash(plainPicture(colour), QCryptographicHash::Sha256), colour);
    std::unique_ptr<PhotoTables> tables = db.OpenPhotoTables();
    std::unique_ptr<Recordset> items = db.OpenRecordset(
        QStringLiteral("Select PlonID from Plonko order by PlonID"), RecordsetType::ForwardOnly);
    QStringList shown;
    for (; !items->AtEOF(); items->MoveNext()) {
        QStringList photos;
        for (const PhotoTables::Photo& photo : tables->photosOf(longOf(items->FieldAt(0)).value_or(0)))
            photos.append(
                byDigest.value(tables->picture(photo.picture).value_or(PhotoTables::Picture{}).digest));
        shown.append(photos.join(QLatin1Char(';')));
    }
    return shown;
}

// What the import child tells of an import in its own process: the rows
// written and refused, and its peak memory in MB; nothing when it failed.
struct ChildImport
{
    qint64 rows = 0;
    qint64 refused = 0;
    double peakMb = 0;
};
std::optional<ChildImport> importedInAChild(const QString& csv, const QString& collection)
{
    QProcess child;
    child.start(QStringLiteral(IMPORT_CHILD), {csv, collection});
    if (!child.waitForFinished(300000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        qWarning("import_child: %s", child.readAllStandardError().constData());
        return std::nullopt;
    }
    const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
    if (said.size() != 6)
        return std::nullopt;
    return ChildImport{said[1].toLongLong(), said[3].toLongLong(), said[5].toDouble()};
}

} // namespace

void TestCsv::importedRowsGetTheirTotals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("totals"); // paid|value|sales, as stored
    QTest::newRow("no total columns") << QByteArray("Name,Quantity,Price Paid,Catalog Value,Selling Price\n"
                                                    "a,3,1.25,2.5,0.3333\n")
                                      << "3.75|7.5|0.9999";
    QTest::newRow("a total the file gives is kept")
        << QByteArray("Name,Quantity,Price Paid,Total Paid,Catalog Value,Total Value\na,3,1.25,9.99,2,\n")
        << "9.99|6|";
    QTest::newRow("no quantity column") << QByteArray("Name,Price Paid\na,1.25\n") << "||";
    QTest::newRow("an empty quantity") << QByteArray("Name,Quantity,Price Paid\na,,1.25\n") << "||";
    QTest::newRow("no price") << QByteArray("Name,Quantity,Total Paid\na,2,\n") << "||";
    QTest::newRow("no pieces") << QByteArray("Name,Quantity,Price Paid\na,0,1.25\n") << "0||";
    QTest::newRow("a decimal comma") << QByteArray("Name;Quantity;Selling Price\na;4;0,25\n") << "||1";
    // the row is kept, its total left empty as the window leaves it
    QTest::newRow("beyond what money holds")
        << QByteArray("Name,Quantity,Price Paid\na,2147483647,1000000\n") << "||";
}

// A total the file leaves empty is the price times the quantity, exact, as
// the item window makes it; one the file gives is kept as given.
void TestCsv::importedRowsGetTheirTotals()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, totals);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const ItemTransfer::Summary summary = imported(*db, file);
    QCOMPARE(summary.refused.count(), 0);
    QCOMPARE(summary.rows, 1);
    QCOMPARE(totalsOf(*db), QStringList{totals});
}

void TestCsv::totalsAnEarlierImportLeftEmptyAreMadeAtOpening_data()
{
    QTest::addColumn<QString>("quantity"); // empty for none
    QTest::addColumn<QString>("prices");   // paid|value|sales
    QTest::addColumn<QString>("given");    // the totals written, paid|value|sales
    QTest::addColumn<bool>("earlier");     // a file of imports that left totals empty
    QTest::addColumn<QString>("totals");   // after the opening
    QTest::newRow("every total empty") << "3"
                                       << "1.25|2.5|0.3333"
                                       << "||" << true << "3.75|7.5|0.9999";
    QTest::newRow("a total typed is kept") << "3"
                                           << "1.25|2|"
                                           << "9.99||" << true << "9.99|6|";
    QTest::newRow("no quantity") << ""
                                 << "1.25|2|3"
                                 << "||" << true << "||";
    QTest::newRow("beyond what money holds") << "2147483647"
                                             << "1000000||"
                                             << "||" << true << "||";
    QTest::newRow("a file whose imports made the totals") << "3"
                                                          << "1.25||"
                                                          << "||" << false << "||";
}

// A collection whose imports left the totals empty (as every import did
// before totals were made) gets each empty total of a price and a quantity
// when it is opened, once, in the transaction that mends it; a total given
// stays as it is.
void TestCsv::totalsAnEarlierImportLeftEmptyAreMadeAtOpening()
{
    QFETCH(QString, quantity);
    QFETCH(QString, prices);
    QFETCH(QString, given);
    QFETCH(bool, earlier);
    QFETCH(QString, totals);
    const auto money = [](const QString& text) {
        return text.isEmpty() ? Value() : Value(*Money::fromDouble(text.toDouble()));
    };
    const QStringList price = prices.split(QLatin1Char('|'));
    const QStringList total = given.split(QLatin1Char('|'));
    TestCollection collection(false);
    {
        std::unique_ptr<Database> db = collection.open();
        addItem(*db, {{"Name", QStringLiteral("Bear")},
                      {"quantity", quantity.isEmpty() ? Value() : Value(qint32(quantity.toInt()))},
                      {"pricepaid", money(price[0])},
                      {"totalpaid", money(total[0])},
                      {"catvalue", money(price[1])},
                      {"totalval", money(total[1])},
                      {"priceask", money(price[2])},
                      {"totalsales", money(total[2])}});
    }
    if (earlier)
        QVERIFY(firstValue(collection.path(), "PRAGMA user_version = 0").isEmpty());
    {
        std::unique_ptr<Database> db = collection.open();
        QCOMPARE(totalsOf(*db), QStringList{totals});
    }
    QCOMPARE(firstValue(collection.path(), "PRAGMA user_version"), QStringLiteral("1"));
    QCOMPARE(integrityOf(collection.path()), QStringLiteral("ok"));
}

// The item window shows the totals an import made.
void TestCsv::theItemWindowShowsTheTotalsOfAnImport()
{
    Session s(false);
    const QString path =
        writtenFile(s, "Name,Quantity,Price Paid,Catalog Value,Selling Price\nBear,3,1.25,2.5,4\n");
    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue(
        [&](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(s.text("txtName"), QStringLiteral("Bear"));
    QCOMPARE(s.text("txtTotalPaid"), QStringLiteral("$3.75"));
    QCOMPARE(s.text("txtTotalVal"), QStringLiteral("$7.50"));
    QCOMPARE(s.text("txtTotalSales"), QStringLiteral("$12.00"));
}

void TestCsv::aPictureNamedAgainIsReadOnce_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("times"); // in each row
    QTest::newRow("a thousand times in one row") << 1 << 1000;
    QTest::newRow("once in each of a thousand rows") << 1000 << 1;
    QTest::newRow("ten times in each of a hundred rows") << 100 << 10;
}

// A picture of 20 MB named again and again, by its name, its whole path or
// a link to it, is read once: the import, in a process of its own, takes at
// most 100 MB more than the same rows without photos, and the collection
// keeps the picture once.
void TestCsv::aPictureNamedAgainIsReadOnce()
{
    QFETCH(int, rows);
    QFETCH(int, times);
    QTemporaryDir folder;
    const QString named = folder.filePath(QStringLiteral("named.csv"));
    const QDir photos(ItemTransfer::photoFolder(named));
    QVERIFY(QDir().mkpath(photos.path()));
    {
        QFile picture(photos.filePath(QStringLiteral("picture.bmp")));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        const QByteArray bytes = encoded(pattern(2600, 2600), "bmp");
        QVERIFY(bytes.size() > 20 * 1000 * 1000 && bytes.size() < PictureFile::kLargestBytes);
        QCOMPARE(picture.write(bytes), bytes.size());
    }
    QVERIFY(QFile::link(photos.filePath(QStringLiteral("picture.bmp")),
                        photos.filePath(QStringLiteral("link.bmp"))));
    const QStringList names = {QStringLiteral("picture.bmp"), photos.filePath(QStringLiteral("picture.bmp")),
                               QStringLiteral("link.bmp"), QStringLiteral("./picture.bmp")};
    QByteArray namedRows = "Name,Photos\n";
    QByteArray plainRows = "Name,Photos\n";
    for (int row = 0; row < rows; ++row) {
        QStringList listed;
        for (int time = 0; time < times; ++time)
            listed.append(names[(row * times + time) % names.size()]);
        namedRows += "Bear " + QByteArray::number(row) + ',' + listed.join(QLatin1Char(';')).toUtf8() + '\n';
        plainRows += "Bear " + QByteArray::number(row) + ",\n";
    }
    const QString plain = folder.filePath(QStringLiteral("plain.csv"));
    for (const auto& [path, text] : {std::pair{named, namedRows}, std::pair{plain, plainRows}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    const std::optional<ChildImport> without =
        importedInAChild(plain, folder.filePath(QStringLiteral("plain.mdb")));
    const QString collection = folder.filePath(QStringLiteral("named.mdb"));
    const std::optional<ChildImport> with = importedInAChild(named, collection);
    QVERIFY(without && with);
    QCOMPARE(with->refused, 0);
    QCOMPARE(with->rows, rows);
    QVERIFY2(with->peakMb <= without->peakMb + 100,
             qPrintable(QStringLiteral("%1 MB beside %2 MB").arg(with->peakMb).arg(without->peakMb)));
    QCOMPARE(firstValue(collection, "SELECT count(*) FROM Picture"), QStringLiteral("1"));
    QCOMPARE(firstValue(collection, "SELECT count(*) FROM Photo"), QString::number(rows * times));
}

void TestCsv::photosArePartOfAnItemsEquality_data()
{
    QTest::addColumn<QStringList>("before"); // the photos of each item there before, by colour
    QTest::addColumn<QStringList>("rows");   // the photos of each row of the file
    QTest::addColumn<QStringList>("kept");   // the photos of each item afterwards
    QTest::addColumn<QString>("said");
    // every item and row is the same owl but for its photos
    QTest::newRow("its own photo each, into an empty collection")
        << QStringList{} << QStringList{"red", "blue"} << QStringList{"red", "blue"}
        << "2 items will be added.";
    QTest::newRow("the same photos in another order")
        << QStringList{} << QStringList{"red;blue", "blue;red"} << QStringList{"red;blue", "blue;red"}
        << "2 items will be added.";
    QTest::newRow("a row thrice in the file")
        << QStringList{} << QStringList{"red", "red", "red"} << QStringList{"red"}
        << "1 item will be added.\n2 rows repeat earlier rows of the file.";
    QTest::newRow("in the collection with its photo")
        << QStringList{"red"} << QStringList{"red"} << QStringList{"red"}
        << "No item will be added.\n1 row is already in the collection.";
    QTest::newRow("in the collection with another photo")
        << QStringList{"red"} << QStringList{"blue"} << QStringList{"red", "blue"} << "1 item will be added.";
    QTest::newRow("there before, and repeated")
        << QStringList{"red"} << QStringList{"red", "blue", "red", "blue"} << QStringList{"red", "blue"}
        << "1 item will be added.\n2 rows are already in the collection.\n1 row repeats an earlier row of "
           "the "
           "file.";
}

// Items alike in every field but their photos are no doubles, and each
// keeps its photos; the summary tells the rows already in the collection
// from those that repeat an earlier row of the file.
void TestCsv::photosArePartOfAnItemsEquality()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, kept);
    QFETCH(QString, said);
    const QStringList colours = {QStringLiteral("red"), QStringLiteral("blue")};
    TestCollection collection(false);
    const QDir folder(collection.folder());
    for (const QString& colour : colours) {
        QFile file(folder.filePath(colour + QStringLiteral(".png")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(plainPicture(colour));
    }
    std::unique_ptr<Database> db = collection.open();
    for (const QString& photos : before) {
        addItem(*db, {{"Name", QStringLiteral("Owl")}, {"Color", QStringLiteral("brown")}});
        std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
        QList<PhotoTables::Photo> shown;
        for (const QString& colour : photos.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QByteArray bytes = plainPicture(colour);
            shown.append(PhotoTables::Photo{
                tables->addPicture(std::get<PhotoTables::Picture>(PictureFile::read(bytes, colour)), bytes),
                {}});
        }
        tables->setPhotos(db->RowCount(QStringLiteral("Plonko")), shown);
    }
    QByteArray file = "Name,Color,Photos\n";
    for (const QString& photos : rows)
        file += "Owl,brown," +
                QString(photos)
                    .replace(QRegularExpression(QStringLiteral("(\\w+)")), QStringLiteral("\\1.png"))
                    .toUtf8() +
                '\n';
    const ItemTransfer::Summary summary = importedWithPhotos(*db, file, collection.folder());
    QCOMPARE(summary.refused.count(), 0);
    QCOMPARE(photoColours(*db, colours), kept);
    frmImportSummary dialog(summary, QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(dialog.lblSummary->text(), said);
}

QTEST_MAIN(TestCsv)
#include "tst_csv.moc"
