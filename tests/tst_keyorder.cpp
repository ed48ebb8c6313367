// A recordset keeps its rows in order without reading the whole list again
// after each change: the order and position it keeps must be those a new
// reading would give.
#include "TestCollection.h"

#include "app/Database.h"

#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

namespace {

using RecordsetType = Database::RecordsetType;

// A few values each, ties and empty values among them, so that equal keys
// and nulls meet often.
const Value kNames[] = {Value(),
                        QStringLiteral(""),
                        QStringLiteral("Abby"),
                        QStringLiteral("abby"),
                        QStringLiteral("Ace"),
                        QStringLiteral("Émile"),
                        QStringLiteral("Zed")};
const Value kDescriptions[] = {Value(), QStringLiteral("Bear"), QStringLiteral("bear"), QStringLiteral("Ant"),
                               QStringLiteral("Öl")};
const Value kCatalogNumbers[] = {Value(), QStringLiteral("7"), QStringLiteral("10"), QStringLiteral("7a"),
                                 QStringLiteral("7A")};
const Value kCatalogKeys[] = {Value(),
                              QStringLiteral(""),
                              QStringLiteral("a7"),
                              QStringLiteral("A7"),
                              QStringLiteral("10"),
                              QStringLiteral("9")};
const Value kBirthdays[] = {Value(), QDate(1998, 3, 5), QDate(1998, 3, 4), QDate(2004, 6, 15)};

template <std::size_t N> const Value& pick(QRandomGenerator& random, const Value (&values)[N])
{
    return values[random.bounded(int(N))];
}

// Gives every field of the order some value, in a row being added or edited.
void fill(Recordset& rows, QRandomGenerator& random)
{
    rows.SetField(QStringLiteral("Name"), pick(random, kNames));
    rows.SetField(QStringLiteral("descr"), pick(random, kDescriptions));
    rows.SetField(QStringLiteral("catnum"), pick(random, kCatalogNumbers));
    rows.SetField(QStringLiteral("catsort"), pick(random, kCatalogKeys));
    rows.SetField(QStringLiteral("issuedate"), pick(random, kBirthdays));
    rows.SetField(QStringLiteral("quantity"), qint32(random.bounded(1, 5)));
}

qint64 keyOf(const Recordset& rows)
{
    return longOf(rows.Fields(QStringLiteral("PlonID"))).value_or(-1);
}

// The keys of a recordset from first to last; the position is put back.
QList<qint64> walk(Recordset& rows)
{
    const bool onRow = !rows.AtBOF() && !rows.AtEOF();
    const qint64 current = onRow ? keyOf(rows) : 0;
    QList<qint64> keys;
    if (rows.RecordCount() != 0)
        for (rows.MoveFirst(); !rows.AtEOF(); rows.MoveNext())
            keys.append(keyOf(rows));
    if (onRow)
        rows.FindFirst(QStringLiteral("PlonID = %1").arg(current));
    return keys;
}

// The order a query gives, read forwards row by row as the reports read.
QList<qint64> orderOf(Database& db, const QString& query)
{
    QList<qint64> keys;
    for (std::unique_ptr<Recordset> rows = db.OpenRecordset(query, RecordsetType::ForwardOnly);
         !rows->AtEOF(); rows->MoveNext())
        keys.append(keyOf(*rows));
    return keys;
}

// A collection of that many items with a few names, ties and nulls among them.
std::unique_ptr<Database> filled(const TestCollection& collection, int items, quint32 seed)
{
    std::unique_ptr<Database> db = collection.open();
    QRandomGenerator random(seed);
    Transaction filling(*db);
    std::unique_ptr<Recordset> rows =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    for (int i = 0; i < items; ++i) {
        rows->AddNew();
        fill(*rows, random);
        rows->Update();
    }
    filling.commit();
    return db;
}

} // namespace

class TestKeyOrder : public QObject
{
    Q_OBJECT

private slots:
    void eachOrderOfTheWindowReadsAnIndex_data();
    void eachOrderOfTheWindowReadsAnIndex();
    void changesKeepTheOrderOfANewReading_data();
    void changesKeepTheOrderOfANewReading();
    void aRowMovedPastWhatWasReadIsReadOnce();
    void anyOrderReadsAsTheQueryGivesIt_data();
    void anyOrderReadsAsTheQueryGivesIt();
    void writesOfOthersAndRollbacks_data();
    void writesOfOthersAndRollbacks();
};

void TestKeyOrder::eachOrderOfTheWindowReadsAnIndex_data()
{
    // the keys the store reads for each order of the item window and its finds
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("index");
    QTest::newRow("name") << "SELECT rowid FROM Plonko ORDER BY NameKey"
                          << "PlonkoNameKey";
    QTest::newRow("name, descr") << "SELECT rowid FROM Plonko ORDER BY NameKey, descrKey"
                                 << "PlonkoNameKey";
    QTest::newRow("descr") << "SELECT rowid FROM Plonko ORDER BY descrKey"
                           << "PlonkoDescrKey";
    QTest::newRow("catsort, catnum") << "SELECT rowid FROM Plonko ORDER BY catsort, catnumKey"
                                     << "PlonkoCatalogKey";
    QTest::newRow("IssueDate") << "SELECT rowid FROM Plonko ORDER BY issuedate"
                               << "PlonkoIssueDate";
}

// Read through an index, an order needs no sorting of the whole table, and
// the recordset can keep it itself as rows are added.
void TestKeyOrder::eachOrderOfTheWindowReadsAnIndex()
{
    QFETCH(QString, keys);
    QFETCH(QString, index);
    TestCollection collection;
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(collection.path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt* plan = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + keys).toUtf8().constData(), -1, &plan, nullptr),
             SQLITE_OK);
    QStringList steps;
    while (sqlite3_step(plan) == SQLITE_ROW)
        steps.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(plan, 3))));
    sqlite3_finalize(plan);
    sqlite3_close(db);
    QCOMPARE(steps, QStringList{QStringLiteral("SCAN Plonko USING COVERING INDEX ") + index});
}

void TestKeyOrder::changesKeepTheOrderOfANewReading_data()
{
    QTest::addColumn<QString>("query");
    for (const char* order : {"name", "descr", "catsort, catnum", "IssueDate", "name, descr"})
        QTest::newRow(order) << QStringLiteral("Select * from Plonko order by %1").arg(QLatin1String(order));
}

// Random moves, adds, changes (of the order's fields too), splits of a
// holding and deletes, each run of them on a recordset just opened, which
// has read only the first rows of a long list. After an add the list is as a
// new reading gives it, the position on the row it was on; a change leaves
// the row where it stood until then; a delete takes the row out.
void TestKeyOrder::changesKeepTheOrderOfANewReading()
{
    QFETCH(QString, query);
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    QRandomGenerator random(quint32(qHash(query)));
    {
        Transaction filling(*db);
        std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
        for (int i = 0; i < 1300; ++i) {
            rows->AddNew();
            fill(*rows, random);
            rows->Update();
        }
        filling.commit();
    }
    const auto freshReading = [&] { return orderOf(*db, query); };
    for (int round = 0; round < 12; ++round) {
        std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
        QList<qint64> expected = freshReading();
        QCOMPARE(keyOf(*rows), expected.first());
        for (int step = 0; step < 25; ++step) {
            const int action = random.bounded(7);
            if (action == 0) {
                // to some row of those read so far, now and then further down
                const int within = random.bounded(4) == 0 ? int(expected.size()) : int(rows->RecordCount());
                rows->FindFirst(QStringLiteral("PlonID = %1").arg(expected[random.bounded(within)]));
            } else if (action == 1) {
                const qsizetype at = expected.indexOf(keyOf(*rows));
                rows->MoveNext();
                if (at + 1 < expected.size())
                    QCOMPARE(keyOf(*rows), expected[at + 1]);
                else
                    rows->MoveLast();
            } else if (action == 2) {
                const qint64 current = keyOf(*rows);
                rows->AddNew();
                fill(*rows, random);
                rows->Update();
                expected = freshReading();
                QCOMPARE(keyOf(*rows), current);
            } else if (action == 3) {
                rows->Edit();
                fill(*rows, random);
                rows->Update();
            } else if (action == 4) {
                // a partial sale: the sold pieces added, the holding keeps the rest
                const qint64 holding = keyOf(*rows);
                Transaction split(*db);
                rows->AddNew();
                fill(*rows, random);
                rows->Update();
                rows->FindFirst(QStringLiteral("PlonID = %1").arg(holding));
                rows->Edit();
                rows->SetField(QStringLiteral("quantity"), qint32(1));
                rows->Update();
                split.commit();
                expected = freshReading();
                QCOMPARE(keyOf(*rows), holding);
            } else if (action == 6) {
                // the first row in the order with a name, in any letter case
                const Value& name = pick(random, kNames);
                const QString criteria = isNull(name) ? QStringLiteral("Name Is Null")
                                                      : QStringLiteral("Name = '%1'").arg(textOf(name));
                const qint64 current = keyOf(*rows);
                std::unique_ptr<Recordset> matching = db->OpenRecordset(
                    QStringLiteral("Select PlonID from Plonko where ") + criteria, RecordsetType::Snapshot);
                const QList<qint64> matches = walk(*matching);
                const auto first = std::find_if(expected.begin(), expected.end(),
                                                [&](qint64 key) { return matches.contains(key); });
                rows->FindFirst(criteria);
                QCOMPARE(rows->NoMatch(), first == expected.end());
                QCOMPARE(keyOf(*rows), rows->NoMatch() ? current : *first);
            } else {
                const qsizetype at = expected.indexOf(keyOf(*rows));
                rows->Delete();
                expected.remove(at);
                rows->MoveNext();
                if (rows->AtEOF())
                    rows->MoveLast();
                else
                    QCOMPARE(keyOf(*rows), expected[at]);
            }
        }
        QCOMPARE(walk(*rows), expected);
    }
}

// The first row, renamed to stand last, keeps its place until the list is
// read again; reading the rest of the list does not bring it a second time.
void TestKeyOrder::aRowMovedPastWhatWasReadIsReadOnce()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = collection.open();
    const QString query = QStringLiteral("Select * from Plonko order by name");
    {
        Transaction filling(*db);
        std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
        for (int i = 0; i < 2000; ++i) {
            rows->AddNew();
            rows->SetField(QStringLiteral("Name"), QStringLiteral("Item %1").arg(i, 4, 10, QLatin1Char('0')));
            rows->Update();
        }
        filling.commit();
    }
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    const QList<qint64> before = [&] {
        std::unique_ptr<Recordset> fresh = db->OpenRecordset(query, RecordsetType::Snapshot);
        return walk(*fresh);
    }();
    QVERIFY(rows->RecordCount() < 2000);
    rows->Edit();
    rows->SetField(QStringLiteral("Name"), QStringLiteral("Zzz"));
    rows->Update();
    QCOMPARE(walk(*rows), before);
}

void TestKeyOrder::anyOrderReadsAsTheQueryGivesIt_data()
{
    QTest::addColumn<QString>("order");
    for (const char* order : {"name desc", "descr desc, name", "catsort, catnum desc", "IssueDate",
                              "PlonID desc", "quantity", "Color"})
        QTest::newRow(order) << QString::fromLatin1(order);
}

// Orders the recordset keeps itself and orders it leaves to the engine, both
// ways: its rows come as the query gives them.
void TestKeyOrder::anyOrderReadsAsTheQueryGivesIt()
{
    QFETCH(QString, order);
    TestCollection collection(false);
    std::unique_ptr<Database> db = filled(collection, 1300, quint32(qHash(order)));
    const QString query = QStringLiteral("Select * from Plonko order by ") + order;
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    QCOMPARE(walk(*rows), orderOf(*db, query));
}

void TestKeyOrder::writesOfOthersAndRollbacks_data()
{
    QTest::addColumn<QString>("write");
    for (const char* write :
         {"another adds", "another deletes", "another renames", "a delete rolled back", "an add rolled back"})
        QTest::newRow(write) << QString::fromLatin1(write);
}

// Until it adds a row itself, a recordset keeps the list as it stood when it
// was opened, whatever another recordset writes; its own add, or a rollback,
// has the whole list read again.
void TestKeyOrder::writesOfOthersAndRollbacks()
{
    QFETCH(QString, write);
    TestCollection collection(false);
    std::unique_ptr<Database> db = filled(collection, 1300, 7);
    const QString query = QStringLiteral("Select * from Plonko order by name");
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    QVERIFY(rows->RecordCount() < 1300);
    const QList<qint64> atOpening = orderOf(*db, query);
    const bool other = write.startsWith(QLatin1String("another"));
    if (other) {
        std::unique_ptr<Recordset> another = db->OpenRecordset(query, RecordsetType::Dynaset);
        if (write == u"another adds") {
            another->AddNew();
            another->SetField(QStringLiteral("quantity"), qint32(1));
            another->Update();
        } else if (write == u"another deletes") {
            another->MoveNext();
            another->Delete();
        } else {
            another->Edit();
            another->SetField(QStringLiteral("Name"), QStringLiteral("Zzz"));
            another->Update();
        }
        // a row another deleted stays in the list, as a dynaset keeps it
        if (write == u"another deletes")
            QCOMPARE(rows->RecordCount(), long(atOpening.size()));
        else
            QCOMPARE(walk(*rows), atOpening);
    } else {
        Transaction undone(*db);
        if (write == u"a delete rolled back") {
            rows->Delete();
            rows->MoveNext();
        } else {
            rows->AddNew();
            rows->SetField(QStringLiteral("Name"), QStringLiteral("Gone"));
            rows->Update();
        }
        undone.rollback();
    }
    rows->MoveFirst();
    rows->AddNew();
    rows->SetField(QStringLiteral("Name"), QStringLiteral("Mine"));
    rows->Update();
    QCOMPARE(walk(*rows), orderOf(*db, query));
}

QTEST_MAIN(TestKeyOrder)
#include "tst_keyorder.moc"
