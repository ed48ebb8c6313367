#include "TestCollection.h"

#include "store/CollectionSchema.h"
#include "store/DbError.h"
#include "store/RowAppender.h"
#include "store/RowChecker.h"
#include "store/TextOrder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <thread>

using RecordsetType = Database::RecordsetType;

namespace {

// The values of one column over every row, in the recordset's order.
QStringList column(Recordset& rs, const QString& name)
{
    QStringList values;
    if (rs.RecordCount() == 0)
        return values;
    rs.MoveFirst();
    while (!rs.AtEOF()) {
        values.append(textOf(rs.Fields(name)));
        rs.MoveNext();
    }
    return values;
}

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

// Each index of the file as its name and definition, in name order.
QStringList indexes(Database& db)
{
    std::unique_ptr<Recordset> rs = db.OpenRecordset(
        QStringLiteral("Select name, sql from sqlite_master where type = 'index' order by name"),
        RecordsetType::Snapshot);
    QStringList out;
    for (; !rs->AtEOF(); rs->MoveNext())
        out.append(textOf(rs->FieldAt(0)) + QLatin1Char(' ') + textOf(rs->FieldAt(1)));
    return out;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void queriesGiveRowsInOrder_data();
    void queriesGiveRowsInOrder();
    void countsOfDistinctAndGroupedRows();
    void findFirst_data();
    void findFirst();
    void everyFieldRoundTrips();
    void datesAreStoredAsTheirDays_data();
    void datesAreStoredAsTheirDays();
    void moneyKeepsFourDecimalsAndCompares_data();
    void moneyKeepsFourDecimalsAndCompares();
    void positionAroundDeletes();
    void addedRowTakesItsPlaceAndKeepsItsKey();
    void appendedRowsTakeDefaultsKeysAndSortKeys();
    void staleEditsAreRefused();
    void requeryKeepsTheRowAndDropsTheGone();
    void misuseGivesItsErrorNumber();
    void openRefusesBadFilesAndLeavesThemAlone_data();
    void openRefusesBadFilesAndLeavesThemAlone();
    void secondUserIsRefused();
    void anotherProcessHoldingTheFileIsRefused();
    void compactKeepsTheRows();
    void indexesSetAsideComeBackWhole();
};

void TestStore::queriesGiveRowsInOrder_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("expected");
    const QString byDescr = QStringLiteral("descr");
    auto rows = [](std::initializer_list<const char*> values) {
        QStringList list;
        for (const char* v : values)
            list.append(QString::fromUtf8(v));
        return list;
    };
    // item window orders: nulls and empty texts first, letter case ignored
    QTest::newRow("by name") << "Select * from Plonko order by name" << byDescr
                             << rows({"Unnamed owl", "Aardvark", "Brown bear", "Ant", "Fish", "abby's friend",
                                      "", "Zebra"});
    QTest::newRow("by name, descr") << "Select * from Plonko order by name, descr" << byDescr
                                    << rows({"Unnamed owl", "Aardvark", "Brown bear", "Ant", "Fish",
                                             "abby's friend", "", "Zebra"});
    QTest::newRow("by descr") << "Select * from Plonko order by descr" << QStringLiteral("catnum")
                              << rows({"Style 45-B", "40", "401", "8", "10", "9", "", "7"});
    QTest::newRow("by catalog number, 9 before 10")
        << "Select * from Plonko order by catsort, catnum" << QStringLiteral("catnum")
        << rows({"", "7", "8", "9", "10", "40", "Style 45-B", "401"});
    QTest::newRow("by birthday, nulls first")
        << "Select * from Plonko order by IssueDate" << QStringLiteral("catnum")
        << rows({"9", "Style 45-B", "401", "8", "40", "7", "10", ""});
    // drop-down lists and lookup maintenance
    QTest::newRow("conditions") << "Select * from condition order by Condesc" << QStringLiteral("ConDesc")
                                << rows({"Excellent", "Fair", "Good", "Mint", "Near Mint", "Poor"});
    QTest::newRow("conditions (maintenance)")
        << "Select * from condition order by ConDesc" << QStringLiteral("conid")
        << rows({"3", "5", "4", "1", "2", "6"});
    QTest::newRow("sellers") << "Select * from boughtfrom order by bouDesc" << QStringLiteral("bouDesc")
                             << rows({"Collector Fair", "Corner Toy Shop", "Mail Order Club"});
    QTest::newRow("brands") << "Select * from brand order by braDesc" << QStringLiteral("braDesc")
                            << rows({"Plonko", "Plonko Jumbos", "Plonko Minis"});
    QTest::newRow("brands (maintenance)")
        << "Select * from brand order by bradesc" << QStringLiteral("braID") << rows({"1", "3", "2"});
    QTest::newRow("series") << "Select * from series order by serdesc" << QStringLiteral("serDesc")
                            << rows({"Birthday Bunch", "Garden Friends", "Holiday", "Ocean Pals",
                                     "Sports Stars"});
    QTest::newRow("tag conditions") << "Select * from tagcon order by tagDesc" << QStringLiteral("TagDesc")
                                    << rows({"Creased", "Mint", "Near Mint", "Price Sticker", "Torn"});
    QTest::newRow("generations") << "Select * from generation order by genDesc" << QStringLiteral("Gendesc")
                                 << rows({"1st", "2nd", "3rd", "4th", "5th"});
    QTest::newRow("generations (maintenance)") << "Select * from generation order by gendesc"
                                               << QStringLiteral("genID") << rows({"1", "2", "3", "4", "5"});
    // is a lookup entry in use
    QTest::newRow("condition in use")
        << "Select PlonID from Plonko where toycon = 1" << QStringLiteral("PlonID") << rows({"1", "4"});
    QTest::newRow("condition unused")
        << "Select PlonID from Plonko where toycon = 6" << QStringLiteral("PlonID") << rows({});
    QTest::newRow("seller in use") << "Select PlonID from Plonko where bouid = 1" << QStringLiteral("PlonID")
                                   << rows({"1", "4"});
    QTest::newRow("brand in use") << "Select PlonID from Plonko where braID = 3" << QStringLiteral("PlonID")
                                  << rows({"5"});
    QTest::newRow("series unused") << "Select PlonID from Plonko where serID = 1" << QStringLiteral("PlonID")
                                   << rows({});
    QTest::newRow("tag condition in use")
        << "Select PlonID from Plonko where tagcon = 2" << QStringLiteral("PlonID") << rows({"1"});
    QTest::newRow("generation unused")
        << "Select PlonID from Plonko where genid = 1" << QStringLiteral("PlonID") << rows({});
    // standard reports
    QTest::newRow("for sale")
        << "Select descr, CatNum, PriceAsk, name from Plonko where forsale order by name, descr" << byDescr
        << rows({"Unnamed owl", "Brown bear"});
    QTest::newRow("item list")
        << "Select name, descr, CatNum, condesc, tagdesc from (Plonko left join condition on plonko.toycon = "
           "condition.conid) left join tagcon on plonko.tagcon = tagcon.tagid where not wantlist and not "
           "sold order "
           "by name, descr"
        << QStringLiteral("condesc") << rows({"", "Mint", "Mint", "", ""});
    QTest::newRow("item list tag conditions")
        << "Select name, descr, CatNum, condesc, tagdesc from (Plonko left join condition on plonko.toycon = "
           "condition.conid) left join tagcon on plonko.tagcon = tagcon.tagid where not wantlist and not "
           "sold order "
           "by name, descr"
        << QStringLiteral("tagdesc") << rows({"", "Mint", "Near Mint", "", ""});
    QTest::newRow("want list")
        << "Select descr, CatNum, PricePaid, name from Plonko where wantlist order by name, descr" << byDescr
        << rows({"Ant", "Fish"});
    QTest::newRow("seller list") << "Select * from boughtfrom order by boudesc" << QStringLiteral("BouPhone")
                                 << rows({"", "555-0142", "555-0199"});
    QTest::newRow("sales")
        << "Select name, CatNum, Quantity, PricePaid, PriceAsk from Plonko where sold order by name"
        << QStringLiteral("CatNum") << rows({"401"});
    QTest::newRow("collection value")
        << "Select Name, CatNum, Quantity, PricePaid, CatValue from Plonko where not wantlist and not sold "
           "order by name"
        << QStringLiteral("catnum") << rows({"", "40", "10", "Style 45-B", "7"});
    const QString series =
        QStringLiteral("Select descr, CatNum, Quantity, name, serdesc from Plonko left join series "
                       "on Plonko.serid = series.serid where not wantlist and not sold ");
    QTest::newRow("by series, all") << series + QStringLiteral(" order by serdesc, descr") << byDescr
                                    << rows({"", "Unnamed owl", "Brown bear", "Aardvark", "Zebra"});
    QTest::newRow("by series, one") << series + QStringLiteral("and Plonko.serid = 4 order by serdesc, descr")
                                    << byDescr << rows({"Aardvark"});
    const QString brand =
        QStringLiteral("Select descr, CatNum, Quantity, name, braDesc from Plonko left join brand on "
                       "Plonko.braID = brand.braID where not wantlist and not sold ");
    QTest::newRow("by brand, all") << brand + QStringLiteral(" order by braDesc, name, descr") << byDescr
                                   << rows({"Unnamed owl", "Aardvark", "Brown bear", "", "Zebra"});
    QTest::newRow("by brand, one") << brand +
                                          QStringLiteral("and Plonko.braID = 1 order by braDesc, name, descr")
                                   << byDescr << rows({"Unnamed owl", "Aardvark", "Brown bear"});
    const QString seller =
        QStringLiteral("Select descr, CatNum, Quantity, name, boudesc from Plonko left join "
                       "boughtfrom on Plonko.bouid = boughtfrom.bouid where not wantlist and not sold ");
    QTest::newRow("by seller, all") << seller + QStringLiteral(" order by boudesc, descr") << byDescr
                                    << rows({"", "Unnamed owl", "Aardvark", "Brown bear", "Zebra"});
    QTest::newRow("by seller, one") << seller + QStringLiteral("and Plonko.bouid = 3 order by boudesc, descr")
                                    << byDescr << rows({"Zebra"});
    QTest::newRow("group list, series") << "select * from series order by serdesc" << QStringLiteral("serID")
                                        << rows({"1", "2", "3", "4", "5"});
    QTest::newRow("group list, sellers")
        << "select * from boughtfrom order by bouDesc" << QStringLiteral("bouID") << rows({"2", "1", "3"});
    // custom reports
    QTest::newRow("field catalogue") << "Select * from RptSpec order by [desc]" << QStringLiteral("SpecID")
                                     << rows({"9",  "11", "31", "30", "3", "7",  "21", "14", "2",  "22", "16",
                                              "18", "19", "24", "25", "1", "23", "26", "5",  "13", "4",  "12",
                                              "17", "29", "27", "28", "6", "10", "8",  "20", "15"});
    QTest::newRow("custom report") << "Select Name, serDesc, issuedate from (Plonko left join series on "
                                      "Plonko.serID = series.serID) where  "
                                      "serDesc like 'Sp*' and issuedate >= #3/5/1998# order by Name"
                                   << QStringLiteral("Name") << rows({"Zed"});
}

void TestStore::queriesGiveRowsInOrder()
{
    QFETCH(QString, sql);
    QFETCH(QString, field);
    QFETCH(QStringList, expected);
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    for (RecordsetType type : {RecordsetType::Dynaset, RecordsetType::Snapshot}) {
        std::unique_ptr<Recordset> rs = db->OpenRecordset(sql, type);
        QCOMPARE(rs->RecordCount() == 0, expected.isEmpty());
        QCOMPARE(column(*rs, field), expected);
    }
    QCOMPARE(db->QueryRowCount(sql), expected.size());
}

// A count is of the rows the query gives, not of the rows it reads.
void TestStore::countsOfDistinctAndGroupedRows()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    for (const char* sql :
         {"SELECT DISTINCT quantity FROM Plonko ORDER BY quantity",
          "SELECT quantity, Count(*) FROM Plonko GROUP BY quantity", "SELECT Count(*) FROM Plonko"}) {
        std::unique_ptr<Recordset> rs =
            db->OpenRecordset(QString::fromLatin1(sql), RecordsetType::ForwardOnly);
        qint64 rows = 0;
        for (; !rs->AtEOF(); rs->MoveNext())
            ++rows;
        QVERIFY(rows < db->RowCount(QStringLiteral("Plonko")));
        QCOMPARE(db->QueryRowCount(QString::fromLatin1(sql)), rows);
    }
}

void TestStore::findFirst_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("criteria");
    QTest::addColumn<QString>("expectedDescr"); // empty: no match
    QTest::newRow("name begins, any case") << "Select * from Plonko order by name, descr"
                                           << "Name like 'ab*'"
                                           << "Aardvark";
    QTest::newRow("name not found") << "Select * from Plonko order by name, descr"
                                    << "Name like 'zz*'"
                                    << "";
    QTest::newRow("description") << "Select * from Plonko order by descr"
                                 << "descr like 'AB*'"
                                 << "abby's friend";
    QTest::newRow("quote in text") << "Select * from Plonko order by descr"
                                   << "descr like 'abby''s*'"
                                   << "abby's friend";
    QTest::newRow("whole catalog number") << "Select * from Plonko order by catsort, catnum"
                                          << "catnum = '40'"
                                          << "Aardvark";
    QTest::newRow("catalog number, no prefix match") << "Select * from Plonko order by catsort, catnum"
                                                     << "catnum = '4'"
                                                     << "";
    QTest::newRow("birthday") << "Select * from Plonko order by IssueDate"
                              << "issuedate = #3/5/1998#"
                              << "Aardvark";
    QTest::newRow("key") << "Select * from Plonko order by name"
                         << "PlonID = 7"
                         << "Zebra";
    QTest::newRow("digit wildcard") << "Select * from Plonko order by name"
                                    << "catnum like '4#'"
                                    << "Aardvark";
    QTest::newRow("list wildcard") << "Select * from Plonko order by descr"
                                   << "descr like '[!a-b]*'"
                                   << "Fish";
    QTest::newRow("single character") << "Select * from Plonko order by descr"
                                      << "descr like 'A?t'"
                                      << "Ant";
}

void TestStore::findFirst()
{
    QFETCH(QString, sql);
    QFETCH(QString, criteria);
    QFETCH(QString, expectedDescr);
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs = db->OpenRecordset(sql, RecordsetType::Dynaset);
    rs->MoveLast();
    const Value before = rs->Fields(QStringLiteral("PlonID"));
    rs->FindFirst(criteria);
    QCOMPARE(rs->NoMatch(), expectedDescr.isEmpty());
    if (expectedDescr.isEmpty())
        QCOMPARE(rs->Fields(QStringLiteral("PlonID")), before); // the position stays
    else
        QCOMPARE(textOf(rs->Fields(QStringLiteral("descr"))), expectedDescr);
}

void TestStore::everyFieldRoundTrips()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    const QString longNotes = QString(70000, QLatin1Char('n')) + QStringLiteral("\nZoë ✓");
    const QList<std::pair<QString, Value>> fields = {
        {"Name", QStringLiteral("Grüße 'quoted' \"double\"")},
        {"descr", QString()},
        {"catnum", QStringLiteral("A-12/b")},
        {"catsort", QStringLiteral("                  12")},
        {"wantlist", true},
        {"quantity", qint32(2147483647)},
        {"toycon", Value()},
        {"hastag", false},
        {"tagcon", qint32(3)},
        {"issuedate", QDate(1900, 1, 1)},
        {"retiredate", Value()},
        {"PurchaseDate", QDate(9999, 12, 31)},
        {"pricepaid", Money::fromUnits(1)},
        {"totalpaid", Money::fromUnits(-123456789012345)},
        {"catvalue", Money::fromUnits(0)},
        {"totalval", Value()},
        {"priceask", Money::fromUnits(99999999)},
        {"notes", longNotes},
    };
    rs->AddNew();
    for (const auto& [name, value] : fields)
        rs->SetField(name, value);
    rs->Update();
    std::unique_ptr<Recordset> back =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Snapshot);
    for (const auto& [name, value] : fields)
        QVERIFY2(back->Fields(name) == value, qPrintable(name));
    // fields never written: yes/no reads false, others null
    QCOMPARE(back->Fields(QStringLiteral("sold")), Value(false));
    QVERIFY(isNull(back->Fields(QStringLiteral("misc1"))));
}

void TestStore::datesAreStoredAsTheirDays_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stored"); // empty: not kept
    QTest::newRow("the first day kept") << QDate(1, 1, 1) << "0001-01-01";
    QTest::newRow("a year of two digits") << QDate(99, 12, 31) << "0099-12-31";
    QTest::newRow("a leap day") << QDate(2024, 2, 29) << "2024-02-29";
    QTest::newRow("the last day kept") << QDate(9999, 12, 31) << "9999-12-31";
    QTest::newRow("the day after it") << QDate(10000, 1, 1) << "";
    QTest::newRow("before the first year") << QDate(-1, 12, 31) << "";
    QTest::newRow("no day") << QDate() << "";
}

// Dates are stored as yyyy-mm-dd, four digits of year, for the years the
// file keeps; no other date is stored.
void TestStore::datesAreStoredAsTheirDays()
{
    QFETCH(QDate, date);
    QFETCH(QString, stored);
    const std::optional<QByteArray> bytes = storedDate(date);
    QCOMPARE(bytes.has_value(), !stored.isEmpty());
    if (stored.isEmpty())
        return;
    QCOMPARE(QString::fromLatin1(*bytes), stored);
    QCOMPARE(isoDateText(date), stored);
    QCOMPARE(dateOfStored(bytes->constData(), bytes->size()), std::optional<QDate>(date));
    // read back by hand only in its own shape: other text is left to be read as text
    for (const char* other :
         {"2023-02-29", "2024/02/29", "2024-2-29", "2024-02-2x", "12024-02-29", "0000-01-01"})
        QCOMPARE(dateOfStored(other, qsizetype(strlen(other))), std::nullopt);
}

void TestStore::moneyKeepsFourDecimalsAndCompares_data()
{
    QTest::addColumn<QString>("field");
    for (const char* field : {"pricepaid", "totalpaid", "catvalue", "totalval", "priceask", "totalsales"})
        QTest::newRow(field) << field;
}

void TestStore::moneyKeepsFourDecimalsAndCompares()
{
    QFETCH(QString, field);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko order by PlonID"), RecordsetType::Dynaset);
    QList<qint64> amounts;
    for (qint64 units = -200000; units <= 200000; units += 7919)
        amounts.append(units);
    amounts << 100000 << 100001 << 99999 << 999999999999999 << -999999999999999 << 1234567891234;
    for (qint64 units : amounts) {
        rs->AddNew();
        rs->SetField(field, Money::fromUnits(units));
        rs->Update();
    }
    rs->Requery();
    QStringList read = column(*rs, field);
    for (int i = 0; i < amounts.size(); ++i)
        QCOMPARE(read[i], textOf(Money::fromUnits(amounts[i])));
    std::unique_ptr<Recordset> above = db->OpenRecordset(
        QStringLiteral("Select * from Plonko where %1 > 10").arg(field), RecordsetType::Snapshot);
    QCOMPARE(column(*above, field).size(),
             std::count_if(amounts.begin(), amounts.end(), [](qint64 u) { return u > 100000; }));
    rs->AddNew();
    QCOMPARE(errorOf([&] { rs->SetField(field, Money::fromUnits(qint64(1) << 60)); }),
             int(DbError::NumericOverflow));
}

void TestStore::positionAroundDeletes()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs = db->OpenRecordset(
        QStringLiteral("Select * from Plonko order by catsort, catnum"), RecordsetType::Dynaset);
    QVERIFY(!rs->AtBOF() && !rs->AtEOF());
    rs->MovePrevious();
    QVERIFY(rs->AtBOF());
    QCOMPARE(errorOf([&] { rs->Fields(QStringLiteral("Name")); }), int(DbError::NoCurrentRecord));

    // the last row: the position stays on the deleted row, the next move passes the end
    rs->MoveLast();
    rs->Delete();
    QVERIFY(!rs->AtEOF());
    QCOMPARE(errorOf([&] { rs->Fields(QStringLiteral("Name")); }), int(DbError::RecordDeleted));
    rs->MoveNext();
    QVERIFY(rs->AtEOF());
    rs->MovePrevious();
    QCOMPARE(textOf(rs->Fields(QStringLiteral("catnum"))), QStringLiteral("Style 45-B"));

    // a middle row: the next move lands on the row after it
    rs->MoveFirst();
    rs->MoveNext();
    rs->Delete();
    rs->MoveNext();
    QCOMPARE(textOf(rs->Fields(QStringLiteral("catnum"))), QStringLiteral("8"));
    QCOMPARE(rs->RecordCount(), 6L);

    // the only row
    std::unique_ptr<Recordset> one =
        db->OpenRecordset(QStringLiteral("Select * from Plonko where PlonID = 1"), RecordsetType::Dynaset);
    one->Delete();
    one->MoveNext();
    QCOMPARE(one->RecordCount(), 0L);
    QVERIFY(one->AtBOF() && one->AtEOF());
}

void TestStore::addedRowTakesItsPlaceAndKeepsItsKey()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko order by name"), RecordsetType::Dynaset);
    rs->MoveLast();
    rs->AddNew();
    const Value key = rs->Fields(QStringLiteral("PlonID"));
    QCOMPARE(key, Value(qint32(9)));
    rs->SetField(QStringLiteral("Name"), QStringLiteral("Bea"));
    rs->Update();
    QCOMPARE(textOf(rs->Fields(QStringLiteral("Name"))), QStringLiteral("Zed")); // back where it was
    rs->FindFirst(QStringLiteral("PlonID = 9"));
    QVERIFY(!rs->NoMatch());
    rs->MoveNext();
    QCOMPARE(textOf(rs->Fields(QStringLiteral("Name"))), QStringLiteral("bubbles"));

    // a key is never given twice, not even after the largest row is deleted
    rs->FindFirst(QStringLiteral("PlonID = 9"));
    rs->Delete();
    rs->AddNew();
    QCOMPARE(rs->Fields(QStringLiteral("PlonID")), Value(qint32(10)));
}

// Rows written through an appender, as the import writes them: the fields
// left unset take their defaults, the keys follow those a recordset holds
// (also one reserved between two rows), the sort keys are made as the store
// makes them, and a value the field cannot hold is refused with the field
// left as it was. The rows are readied on another thread.
void TestStore::appendedRowsTakeDefaultsKeysAndSortKeys()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> reserving =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    reserving->AddNew(); // key 9, not yet written
    std::unique_ptr<RowAppender> rows =
        db->OpenAppender(QStringLiteral("Plonko"), {QStringLiteral("Name"), QStringLiteral("pricepaid")});
    std::vector<RowChecker::Row> readied;
    std::vector<int> refused;
    const std::unique_ptr<RowChecker> checker = rows->checker();
    std::thread([&] {
        readied.push_back(checker->newRow());
        checker->set(readied[0], 0, QStringLiteral("Äpfel"));
        checker->set(readied[0], 1, Money::fromUnits(12345));
        readied.push_back(checker->newRow());
        refused.push_back(errorOf([&] { checker->set(readied[1], 0, QString(81, QLatin1Char('x'))); }));
        refused.push_back(errorOf([&] { checker->set(readied[1], 1, QStringLiteral("many")); }));
        readied.push_back(checker->newRow());
        checker->set(readied[2], 0, Value());
    }).join();
    QCOMPARE(refused, (std::vector<int>{DbError::FieldTooSmall, DbError::TypeConversion}));
    Transaction writing(*db);
    QCOMPARE(rows->append(readied[0]), qint64(10));
    QCOMPARE(rows->append(readied[1]), qint64(11));
    std::unique_ptr<Recordset> between =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    between->AddNew(); // key 12, reserved between two rows
    QCOMPARE(rows->append(readied[2]), qint64(13));
    writing.commit();
    rows.reset();
    between.reset();
    reserving.reset();
    db.reset();
    QCOMPARE(
        firstValue(collection.path(), "SELECT Name || '|' || pricepaid || '|' || wantlist || '|' || "
                                      "hex(NameKey) FROM Plonko WHERE PlonID = 10"),
        QStringLiteral("Äpfel|1.2345|0|") +
            QString::fromLatin1(TextOrder(QLocale()).sortKey(QStringLiteral("Äpfel")).toHex().toUpper()));
    QCOMPARE(firstValue(collection.path(), "SELECT count(*) FROM Plonko WHERE PlonID IN (11, 13) AND Name IS "
                                           "NULL AND pricepaid IS NULL AND sold = 0 AND NameKey IS NULL"),
             QStringLiteral("2"));
}

void TestStore::staleEditsAreRefused()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    const QString sql = QStringLiteral("Select * from brand order by braDesc");
    std::unique_ptr<Recordset> first = db->OpenRecordset(sql, RecordsetType::Dynaset);
    std::unique_ptr<Recordset> second = db->OpenRecordset(sql, RecordsetType::Dynaset);
    first->Edit();
    second->Edit();
    first->SetField(QStringLiteral("braDesc"), QStringLiteral("Plonko Classic"));
    first->Update();
    second->SetField(QStringLiteral("braDesc"), QStringLiteral("Plonko Original"));
    QCOMPARE(errorOf([&] { second->Update(); }), int(DbError::RecordChanged));
    second->MoveFirst();
    QCOMPARE(textOf(second->Fields(QStringLiteral("braDesc"))), QStringLiteral("Plonko Classic"));

    second->Edit();
    first->Delete();
    QCOMPARE(errorOf([&] { second->Update(); }), int(DbError::RecordDeleted));
}

void TestStore::requeryKeepsTheRowAndDropsTheGone()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    const QString sql = QStringLiteral("Select * from Plonko order by catsort, catnum");
    std::unique_ptr<Recordset> rs = db->OpenRecordset(sql, RecordsetType::Dynaset);
    std::unique_ptr<Recordset> other = db->OpenRecordset(sql, RecordsetType::Dynaset);
    rs->MoveLast();
    other->MoveFirst();
    other->Delete(); // gone from the file, not yet from rs
    rs->Requery();
    QCOMPARE(rs->RecordCount(), 7L);
    QCOMPARE(textOf(rs->Fields(QStringLiteral("catnum"))), QStringLiteral("401"));
    QCOMPARE(column(*rs, QStringLiteral("catnum")).first(), QStringLiteral("7"));
}

void TestStore::misuseGivesItsErrorNumber()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    QCOMPARE(errorOf([&] { rs->Fields(QStringLiteral("nosuch")); }), int(DbError::ItemNotFound));
    QCOMPARE(errorOf([&] { rs->Update(); }), int(DbError::UpdateWithoutEdit));
    rs->Edit();
    QCOMPARE(errorOf([&] { rs->SetField(QStringLiteral("quantity"), QStringLiteral("many")); }),
             int(DbError::TypeConversion));
    QCOMPARE(errorOf([&] { rs->SetField(QStringLiteral("Name"), QString(81, QLatin1Char('x'))); }),
             int(DbError::FieldTooSmall));
    // a day the file cannot write as yyyy-mm-dd is refused, not stored as nothing
    for (const QDate& day : {QDate(10000, 1, 1), QDate(-1, 6, 15)})
        QCOMPARE(errorOf([&] { rs->SetField(QStringLiteral("issuedate"), day); }),
                 int(DbError::TypeConversion));
    QCOMPARE(errorOf([&] { rs->SetField(QStringLiteral("PlonID"), qint32(5)); }),
             int(DbError::ReadOnlyObject));
    std::unique_ptr<Recordset> snapshot =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Snapshot);
    QCOMPARE(errorOf([&] { snapshot->Edit(); }), int(DbError::ReadOnlyObject));
    QCOMPARE(
        errorOf([&] { db->OpenRecordset(QStringLiteral("Select * from Nowhere"), RecordsetType::Dynaset); }),
        int(DbError::SyntaxError));
    QCOMPARE(errorOf([&] { rs->FindFirst(QStringLiteral("issuedate = #2/31/1998#")); }),
             int(DbError::SyntaxError));

    db->failNextWrites(2, DbError::RecordLocked);
    rs->Edit();
    QCOMPARE(errorOf([&] { rs->Update(); }), int(DbError::RecordLocked));
    QCOMPARE(errorOf([&] { rs->Update(); }), int(DbError::RecordLocked));
    QCOMPARE(errorOf([&] { rs->Update(); }), 0);

    db->Close();
    QCOMPARE(errorOf([&] { rs->MoveNext(); }), int(DbError::ObjectInvalid));
    QCOMPARE(
        errorOf([&] { db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset); }),
        int(DbError::ObjectInvalid));
}

void TestStore::openRefusesBadFilesAndLeavesThemAlone_data()
{
    QTest::addColumn<QByteArray>("contents"); // "<missing>": no file at all
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << QByteArray("<missing>") << int(DbError::FileNotFound);
    QTest::newRow("empty") << QByteArray() << int(DbError::NotADatabase);
    QTest::newRow("text") << QByteArray("Name,Quantity\nAbby,2\n") << int(DbError::NotADatabase);
    QTest::newRow("damaged header") << QByteArray("SQLite format 3").append(4081, '\x7f')
                                    << int(DbError::NotADatabase);
}

void TestStore::openRefusesBadFilesAndLeavesThemAlone()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Plonko.mdb"));
    if (contents != "<missing>") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QCOMPARE(errorOf([&] { Database::OpenDatabase(path); }), error);
    QCOMPARE(::contents(path), contents);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), contents == "<missing>" ? 0 : 1);
}

void TestStore::secondUserIsRefused()
{
    TestCollection collection;
    std::unique_ptr<Database> first = collection.open();
    QCOMPARE(errorOf([&] { collection.open(); }), int(DbError::FileInUse));
    std::unique_ptr<Recordset> rs =
        first->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    QVERIFY(rs->RecordCount() > 0); // the first user goes on

    QProcess shell;
    shell.start(QStringLiteral("sqlite3"),
                {collection.path(), QStringLiteral("select count(*) from Plonko;")});
    QVERIFY(shell.waitForFinished());
    QVERIFY(shell.exitCode() != 0);
    QVERIFY(shell.readAllStandardError().contains("locked"));
}

void TestStore::anotherProcessHoldingTheFileIsRefused()
{
    TestCollection collection;
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {collection.path()});
    QVERIFY(shell.waitForStarted());
    shell.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
    QVERIFY(shell.waitForReadyRead(10000));
    QVERIFY(shell.readAllStandardOutput().contains("held"));
    QCOMPARE(errorOf([&] { collection.open(); }), int(DbError::FileInUse));
    shell.closeWriteChannel();
    QVERIFY(shell.waitForFinished());
    QCOMPARE(errorOf([&] { collection.open(); }), 0);
}

void TestStore::compactKeepsTheRows()
{
    TestCollection collection;
    const QString compacted = collection.folder() + QStringLiteral("/Plonnew.mdb");
    Database::CompactDatabase(collection.path(), compacted);
    std::unique_ptr<Database> db = Database::OpenDatabase(compacted);
    std::unique_ptr<Recordset> rs = db->OpenRecordset(
        QStringLiteral("Select * from Plonko order by catsort, catnum"), RecordsetType::Snapshot);
    QCOMPARE(column(*rs, QStringLiteral("catnum")).size(), 8);
    QCOMPARE(errorOf([&] { Database::CompactDatabase(collection.path(), compacted); }),
             int(DbError::CannotOpen));
}

// Rows added with a table's plain indexes set aside find them all made again
// as they were; keys stay unique throughout, and a failure brings them back.
void TestStore::indexesSetAsideComeBackWhole()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    const QStringList before = indexes(*db);
    const auto ofItems = [](const QStringList& all) {
        return all.filter(QRegularExpression(QStringLiteral("^Plonko")));
    };
    QVERIFY(ofItems(before).size() >= 10);
    QCOMPARE(errorOf([&] { db->BuildIndexesAfter(QStringLiteral("Plonko"), [] {}); }),
             int(DbError::NotSupported));
    QCOMPARE(indexes(*db), before);

    {
        Transaction writing(*db);
        std::unique_ptr<Recordset> items =
            db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
        db->BuildIndexesAfter(QStringLiteral("Plonko"), [&] {
            const QStringList aside = indexes(*db);
            QCOMPARE(ofItems(aside), QStringList());
            QCOMPARE(aside.size(), before.size() - ofItems(before).size());
            items->AddNew();
            items->SetField(QStringLiteral("Name"), QStringLiteral("Added"));
            items->Update();
        });
        QCOMPARE(indexes(*db), before);
        writing.commit();
    }
    {
        Transaction writing(*db);
        std::unique_ptr<Recordset> specs =
            db->OpenRecordset(QStringLiteral("Select * from RptSpec"), RecordsetType::Dynaset);
        const Value taken = specs->Fields(QStringLiteral("SpecID"));
        QCOMPARE(errorOf([&] {
                     db->BuildIndexesAfter(QStringLiteral("RptSpec"), [&] {
                         QCOMPARE(indexes(*db), before); // the key's own index stays
                         specs->AddNew();
                         specs->SetField(QStringLiteral("SpecID"), taken);
                         specs->Update();
                     });
                 }),
                 int(DbError::DuplicateKey));
    }
    QCOMPARE(indexes(*db), before);
    QCOMPARE(errorOf([&] {
                 Transaction writing(*db);
                 db->BuildIndexesAfter(QStringLiteral("Plonko"),
                                       [] { throw DbError(DbError::DiskFull, QStringLiteral("full")); });
             }),
             int(DbError::DiskFull));
    QCOMPARE(indexes(*db), before);
    db.reset();
    QCOMPARE(integrityOf(collection.path()), QStringLiteral("ok"));
    QCOMPARE(itemCount(collection.path()), 9);
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
