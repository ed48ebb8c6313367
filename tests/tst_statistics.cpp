// The collection's figures and its charts' series against a collection worked
// out by hand: held, sold and wanted items, amounts in fractions of a cent,
// items without a date, a price or a brand, a loss, and a year without
// purchases or sales.
#include "TestCollection.h"

#include "statistics/CollectionStatistics.h"
#include "store/Database.h"
#include "store/DbError.h"

#include <QTest>

using namespace Statistics;

namespace {

Money units(qint64 u)
{
    return Money::fromUnits(u);
}

struct Row
{
    QString name;
    qint32 quantity;
    Value paid, value, ask;
    bool wanted, sold;
    QDate bought, soldOn;
    Value brand;
};

// The collection of the tests: brands 1 Plonko and 2 Plonko Minis.
std::unique_ptr<Database> fixture(const TestCollection& collection)
{
    const std::vector<Row> rows = {
        {"A", 2, units(12345), units(30001), {}, false, false, {2022, 1, 15}, {}, qint32(1)},
        {"B", 1, units(50000), units(40000), {}, false, false, {2022, 3, 2}, {}, qint32(2)},
        {"C", 3, {}, units(25000), {}, false, false, {}, {}, {}},
        {"D", 1, units(80000), {}, units(60000), false, true, {2021, 6, 1}, {2023, 2, 10}, {}},
        {"E", 2, units(10000), {}, units(45000), false, true, {2019, 5, 5}, {2024, 7, 1}, qint32(1)},
        {"F", 1, units(77700), {}, {}, true, false, {}, {}, {}},
    };
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    for (const Row& row : rows) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Name"), row.name);
        rs->SetField(QStringLiteral("quantity"), row.quantity);
        rs->SetField(QStringLiteral("pricepaid"), row.paid);
        rs->SetField(QStringLiteral("catvalue"), row.value);
        rs->SetField(QStringLiteral("priceask"), row.ask);
        rs->SetField(QStringLiteral("wantlist"), row.wanted);
        rs->SetField(QStringLiteral("sold"), row.sold);
        rs->SetField(QStringLiteral("PurchaseDate"), row.bought.isValid() ? Value(row.bought) : Value());
        rs->SetField(QStringLiteral("SoldDate"), row.soldOn.isValid() ? Value(row.soldOn) : Value());
        rs->SetField(QStringLiteral("braID"), row.brand);
        rs->Update();
    }
    return db;
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void figuresCountWhatIsHeldSoldAndWanted();
    void seriesRunByMonthAndYear();
    void groupsAreTheLargestThenOthers();
    void aTotalTooLargeForMoneyFails();
};

void TestStatistics::figuresCountWhatIsHeldSoldAndWanted()
{
    TestCollection collection(false);
    const Figures f = figures(*fixture(collection));
    QCOMPARE(f.heldItems, 3);
    QCOMPARE(f.heldPieces, 6);
    QCOMPARE(f.heldPaid, units(2 * 12345 + 50000));
    QCOMPARE(f.heldValue, units(2 * 30001 + 40000 + 3 * 25000));
    QCOMPARE(f.gain(), units(175002 - 74690));
    QCOMPARE(f.heldUndated, 1);
    QCOMPARE(f.soldItems, 2);
    QCOMPARE(f.soldPieces, 3);
    QCOMPARE(f.sales, units(60000 + 2 * 45000));
    QCOMPARE(f.soldCost, units(80000 + 2 * 10000));
    QCOMPARE(f.profit(), units(50000));
    QCOMPARE(f.wantedItems, 1);
    QCOMPARE(f.wantedPay, units(77700));
    QCOMPARE(f.soldUndated, 0);

    TestCollection empty(false);
    const Figures none = figures(*empty.open());
    QCOMPARE(none.heldItems, 0);
    QCOMPARE(none.gain(), Money());
}

// Running totals of what is held by month of purchase (the undated item
// left out); each year from the first purchase to the last sale, 2020 with
// nothing, 2023 a loss.
void TestStatistics::seriesRunByMonthAndYear()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = fixture(collection);
    const std::vector<Month> months = valueOverTime(*db);
    QCOMPARE(months.size(), 2u);
    QCOMPARE(months[0].month, QDate(2022, 1, 1));
    QCOMPARE(months[0].paid, units(24690));
    QCOMPARE(months[0].value, units(60002));
    QCOMPARE(months[1].month, QDate(2022, 3, 1));
    QCOMPARE(months[1].paid, units(74690));
    QCOMPARE(months[1].value, units(100002));

    const std::vector<Year> all = years(*db);
    QList<int> shown;
    for (const Year& y : all)
        shown.append(y.year);
    QCOMPARE(shown, (QList<int>{2019, 2020, 2021, 2022, 2023, 2024}));
    QCOMPARE(all[0].paid, units(20000));
    QCOMPARE(all[1].paid, Money());
    QCOMPARE(all[1].sales, Money());
    QCOMPARE(all[2].paid, units(80000));
    QCOMPARE(all[3].paid, units(74690));
    QCOMPARE(all[4].sales, units(60000));
    QCOMPARE(all[4].profit, units(-20000));
    QCOMPARE(all[5].sales, units(90000));
    QCOMPARE(all[5].profit, units(70000));
}

// By value, largest first; the items without a brand under a name of their
// own; past twelve, the rest as "Others".
void TestStatistics::groupsAreTheLargestThenOthers()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = fixture(collection);
    std::vector<Group> brands = groups(*db, Grouping::Brand);
    QCOMPARE(brands.size(), 3u);
    QCOMPARE(brands[0].name, QStringLiteral("(No Brand)"));
    QCOMPARE(brands[0].pieces, 3);
    QCOMPARE(brands[0].value, units(75000));
    QCOMPARE(brands[1].name, QStringLiteral("Plonko"));
    QCOMPARE(brands[1].value, units(60002));
    QCOMPARE(brands[2].name, QStringLiteral("Plonko Minis"));

    std::unique_ptr<Recordset> sellers =
        db->OpenRecordset(QStringLiteral("Select * from boughtfrom"), Database::RecordsetType::Dynaset);
    for (int i = 0; i < 14; ++i) {
        sellers->AddNew();
        sellers->SetField(QStringLiteral("bouDesc"), QStringLiteral("Seller %1").arg(i));
        sellers->Update();
    }
    std::unique_ptr<Recordset> keys = db->OpenRecordset(
        QStringLiteral("Select bouID from boughtfrom where bouDesc like 'Seller*' order by bouID"),
        Database::RecordsetType::Snapshot);
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    for (int i = 0; i < 14; ++i, keys->MoveNext()) {
        rs->AddNew();
        rs->SetField(QStringLiteral("quantity"), qint32(1));
        rs->SetField(QStringLiteral("catvalue"), units(10000 * (i + 1)));
        rs->SetField(QStringLiteral("bouID"), keys->FieldAt(0));
        rs->Update();
    }
    const std::vector<Group> bySeller = groups(*db, Grouping::Seller);
    QCOMPARE(bySeller.size(), std::size_t(kLargestGroups + 1));
    // the items without a seller (A, B and C) first, then the sellers by value
    QCOMPARE(bySeller[0].name, QStringLiteral("(No Seller)"));
    QCOMPARE(bySeller[0].kind, Group::Kind::Ungrouped);
    QCOMPARE(bySeller[1].name, QStringLiteral("Seller 13"));
    QCOMPARE(bySeller.back().name, QStringLiteral("Others"));
    QCOMPARE(bySeller.back().kind, Group::Kind::Others);
    QCOMPARE(bySeller.back().value, units(10000 + 20000 + 30000));
    QCOMPARE(bySeller.back().pieces, 3);
}

void TestStatistics::aTotalTooLargeForMoneyFails()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = fixture(collection);
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    // its quantity times its value is beyond 64 bits of ten-thousandths
    rs->AddNew();
    rs->SetField(QStringLiteral("quantity"), qint32(2147483647));
    rs->SetField(QStringLiteral("catvalue"), Money::fromUnits(Database::kLargestMoneyUnits));
    rs->Update();
    try {
        figures(*db);
        QFAIL("a total beyond money was made");
    } catch (const DbError& error) {
        QCOMPARE(error.number(), int(DbError::NumericOverflow));
    }
}

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
