// A recordset keeps its rows in order without reading the whole list again
// after each change: the order and position it keeps must be those a new
// reading would give.
#include "TestCollection.h"

#include "store/Database.h"
#include "store/JetSql.h"
#include "store/TextOrder.h"

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
                        QStringLiteral("émile"),
                        QStringLiteral("Kelvin"),
                        QStringLiteral("\u212Aelvin"), // the Kelvin sign folds to k
                        QStringLiteral("Zed")};
// Beginnings of names a find looks for, in other letter cases too.
const char* const kNameBeginnings[] = {"ab", "AB", "A", "É", "é", "Émile", "kel", "\u212AEL", "z", "", "a*b"};
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

// The steps of the engine's plan for a query on a new collection, read
// with the store's own functions.
QStringList queryPlan(const QString& sql)
{
    TestCollection collection;
    sqlite3* db = nullptr;
    QStringList steps;
    if (sqlite3_open_v2(collection.path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        TextOrder::install(db, std::make_shared<TextOrder>(QLocale(QLocale::English))) == SQLITE_OK) {
        sqlite3_stmt* plan = nullptr;
        if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(), -1, &plan, nullptr) ==
            SQLITE_OK)
            while (sqlite3_step(plan) == SQLITE_ROW)
                steps.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(plan, 3))));
        sqlite3_finalize(plan);
    }
    sqlite3_close(db);
    return steps;
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

// A collection of that many items named "Item 0000" on, one name each.
std::unique_ptr<Database> numbered(const TestCollection& collection, int items)
{
    std::unique_ptr<Database> db = collection.open();
    Transaction filling(*db);
    std::unique_ptr<Recordset> rows =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
    for (int i = 0; i < items; ++i) {
        rows->AddNew();
        rows->SetField(QStringLiteral("Name"), QStringLiteral("Item %1").arg(i, 4, 10, QLatin1Char('0')));
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
    void eachFindOfTheWindowReadsAnIndex_data();
    void eachFindOfTheWindowReadsAnIndex();
    void changesKeepTheOrderOfANewReading_data();
    void changesKeepTheOrderOfANewReading();
    void aRowFoundFarOnReadsBothWays_data();
    void aRowFoundFarOnReadsBothWays();
    void aRowMovedPastWhatWasReadIsReadOnce();
    void aRowMovedToTheEdgeOfARunStaysInTheList_data();
    void aRowMovedToTheEdgeOfARunStaysInTheList();
    void aRowChangedAndBackStaysInTheList_data();
    void aRowChangedAndBackStaysInTheList();
    void anAddOnADeletedRowGoesToTheFirstRow_data();
    void anAddOnADeletedRowGoesToTheFirstRow();
    void aFindMatchesWhatTheEngineMatches_data();
    void aFindMatchesWhatTheEngineMatches();
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
    QCOMPARE(queryPlan(keys), QStringList{QStringLiteral("SCAN Plonko USING COVERING INDEX ") + index});
}

void TestKeyOrder::eachFindOfTheWindowReadsAnIndex_data()
{
    // each find of the item window, in the order it sorts by, and the ranges
    // of the index of the text that the find's first match is sought in
    QTest::addColumn<QString>("criteria");
    QTest::addColumn<QString>("ranges");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("plan");
    // a text find reads the range where the typed text lies, and the blobs
    // another program may have stored, which sort after all text
    const auto byText = [](const char* column, const char* from, const char* to, const char* index,
                           bool covering) {
        const QString name = QString::fromLatin1(column);
        const QString search =
            QStringLiteral("SEARCH Plonko USING %1INDEX %2 (%3")
                .arg(covering ? QStringLiteral("COVERING ") : QString(), QLatin1String(index), name);
        return std::pair{
            QStringLiteral(" AND ((\"%1\" >= '%2' COLLATE NOCASE AND \"%1\" < '%3' COLLATE NOCASE) OR "
                           "\"%1\" >= x'')")
                .arg(name, QLatin1String(from), QLatin1String(to)),
            QStringList{QStringLiteral("MULTI-INDEX OR"), QStringLiteral("INDEX 1"),
                        search + QStringLiteral(">? AND %1<?)").arg(name), QStringLiteral("INDEX 2"),
                        search + QStringLiteral(">?)"), QStringLiteral("USE TEMP B-TREE FOR ORDER BY")}};
    };
    const auto name = byText("Name", "zinnia", "zinnib", "PlonkoNameText", true);
    QTest::newRow("name") << "Name like 'Zinnia*'" << name.first << "NameKey, descrKey, rowid" << name.second;
    const auto description = byText("descr", "tie-dye p", "tie-dye q", "PlonkoDescrText", true);
    QTest::newRow("description") << "descr like 'Tie-dye p*'" << description.first << "descrKey, rowid"
                                 << description.second;
    const auto catalogue = byText("catnum", "8001", "8002", "PlonkoCatalogText", false);
    QTest::newRow("catalogue number")
        << "catnum = '8001'" << catalogue.first << "catsort, catnumKey, rowid" << catalogue.second;
    QTest::newRow("birthday") << "issuedate = #6/15/2004#" << QString() << "issuedate, rowid"
                              << QStringList{QStringLiteral(
                                     "SEARCH Plonko USING COVERING INDEX PlonkoIssueDate (issuedate=?)")};
}

// A find reads the few rows whose text begins as typed, not the whole table,
// and those rows' places in the order from the same index where it can.
void TestKeyOrder::eachFindOfTheWindowReadsAnIndex()
{
    QFETCH(QString, criteria);
    QFETCH(QString, ranges);
    QFETCH(QString, order);
    QFETCH(QStringList, plan);
    QCOMPARE(queryPlan(QStringLiteral("SELECT rowid FROM Plonko WHERE (%1)%2 ORDER BY %3 LIMIT 1")
                           .arg(JetSql::translateExpression(criteria), ranges, order)),
             plan);
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
            const int action = random.bounded(10);
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
            } else if (action == 7) {
                const qsizetype at = expected.indexOf(keyOf(*rows));
                rows->MovePrevious();
                if (at > 0)
                    QCOMPARE(keyOf(*rows), expected[at - 1]);
                else
                    rows->MoveFirst();
            } else if (action == 8) {
                const bool last = random.bounded(2) == 0;
                last ? rows->MoveLast() : rows->MoveFirst();
                QCOMPARE(keyOf(*rows), last ? expected.last() : expected.first());
            } else if (action == 6 || action == 9) {
                // the first row in the order with a name, or whose name
                // begins with a text, in any letter case
                const Value& name = pick(random, kNames);
                const QString criteria =
                    action == 9 ? QStringLiteral("Name like ") +
                                      JetSql::beginsWithPattern(QString::fromUtf8(
                                          kNameBeginnings[random.bounded(int(std::size(kNameBeginnings)))]))
                    : isNull(name) ? QStringLiteral("Name Is Null")
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

void TestKeyOrder::aRowFoundFarOnReadsBothWays_data()
{
    changesKeepTheOrderOfANewReading_data();
}

// A find that lands far past the rows read keeps only the found row; the
// rows on each side of it are read as the position comes to them, rows added
// meanwhile among them, each once; deleting the last row leaves the position
// past the end with the rows before it still there.
void TestKeyOrder::aRowFoundFarOnReadsBothWays()
{
    QFETCH(QString, query);
    TestCollection collection(false);
    std::unique_ptr<Database> db = filled(collection, 1300, quint32(qHash(query)) + 1);
    QRandomGenerator random(quint32(qHash(query)));
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    const qint64 found = orderOf(*db, query)[1000];
    rows->FindFirst(QStringLiteral("PlonID = %1").arg(found));
    for (int i = 0; i < 6; ++i) {
        rows->AddNew();
        fill(*rows, random);
        rows->Update();
    }
    QCOMPARE(keyOf(*rows), found);
    const QList<qint64> expected = orderOf(*db, query);
    const qsizetype at = expected.indexOf(found);
    QList<qint64> backwards;
    for (; !rows->AtBOF(); rows->MovePrevious())
        backwards.append(keyOf(*rows));
    std::reverse(backwards.begin(), backwards.end());
    QCOMPARE(backwards, expected.mid(0, at + 1));

    rows->FindFirst(QStringLiteral("PlonID = %1").arg(expected.last()));
    rows->Delete();
    QVERIFY(rows->RecordCount() > 0);
    rows->MoveNext();
    QVERIFY(rows->AtEOF());
    rows->MovePrevious();
    QCOMPARE(keyOf(*rows), expected[expected.size() - 2]);
    QCOMPARE(walk(*rows), expected.mid(0, expected.size() - 1));
}

void TestKeyOrder::aRowMovedToTheEdgeOfARunStaysInTheList_data()
{
    // the way the list is read, and the new name of the row at its near end,
    // which makes it the last row of the next run read that way
    QTest::addColumn<bool>("forwards");
    QTest::addColumn<QString>("renamed");
    QTest::newRow("forwards") << true << "Item 1022a";
    QTest::newRow("backwards") << false << "Item 0976a";
}

// A row renamed to stand where the next run of the list ends is read over,
// not lost: after the next add the list is as a new reading gives it.
void TestKeyOrder::aRowMovedToTheEdgeOfARunStaysInTheList()
{
    QFETCH(bool, forwards);
    QFETCH(QString, renamed);
    TestCollection collection(false);
    std::unique_ptr<Database> db = numbered(collection, 2000);
    const QString query = QStringLiteral("Select * from Plonko order by name");
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    if (!forwards)
        rows->MoveLast();
    rows->Edit();
    rows->SetField(QStringLiteral("Name"), renamed);
    rows->Update();
    for (int i = 0; i < 512; ++i)
        forwards ? rows->MoveNext() : rows->MovePrevious();
    const qint64 current = keyOf(*rows);
    rows->AddNew();
    rows->SetField(QStringLiteral("Name"), QStringLiteral("Mine"));
    rows->Update();
    QCOMPARE(keyOf(*rows), current);
    // on past the renamed row's new place, the way the list was read
    const QList<qint64> fresh = orderOf(*db, query);
    const qsizetype at = fresh.indexOf(current);
    QList<qint64> seen;
    for (; !rows->AtBOF() && !rows->AtEOF(); forwards ? rows->MoveNext() : rows->MovePrevious())
        seen.append(keyOf(*rows));
    if (!forwards)
        std::reverse(seen.begin(), seen.end());
    QCOMPARE(seen, forwards ? fresh.mid(at) : fresh.mid(0, at + 1));
}

void TestKeyOrder::aRowChangedAndBackStaysInTheList_data()
{
    // how the row is reached, and its place in the order
    QTest::addColumn<bool>("fromTheEnd");
    QTest::addColumn<int>("at");
    QTest::newRow("found far on") << false << 1000;
    QTest::newRow("last of the first run") << false << 511;
    QTest::newRow("first of the last run") << true << 1300 - 512;
}

// A row renamed and then given its name back stays in the list, and current,
// through the next add, wherever the list was read to.
void TestKeyOrder::aRowChangedAndBackStaysInTheList()
{
    QFETCH(bool, fromTheEnd);
    QFETCH(int, at);
    TestCollection collection(false);
    std::unique_ptr<Database> db = filled(collection, 1300, 4);
    const QString query = QStringLiteral("Select * from Plonko order by name");
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    if (fromTheEnd)
        rows->MoveLast();
    const qint64 changed = orderOf(*db, query)[at];
    rows->FindFirst(QStringLiteral("PlonID = %1").arg(changed));
    const Value name = rows->Fields(QStringLiteral("Name"));
    for (const Value& renamed : {Value(QStringLiteral("Zzz")), name}) {
        rows->Edit();
        rows->SetField(QStringLiteral("Name"), renamed);
        rows->Update();
    }
    rows->AddNew();
    rows->SetField(QStringLiteral("Name"), QStringLiteral("Mine"));
    rows->Update();
    QCOMPARE(keyOf(*rows), changed);
    QCOMPARE(walk(*rows), orderOf(*db, query));
}

void TestKeyOrder::anAddOnADeletedRowGoesToTheFirstRow_data()
{
    QTest::addColumn<QString>("reach");
    for (const char* reach : {"moved to", "found far on", "next to last"})
        QTest::newRow(reach) << QString::fromLatin1(reach);
}

// Standing on a deleted row, an add leaves the position on the first row of
// the order, however the row deleted was reached.
void TestKeyOrder::anAddOnADeletedRowGoesToTheFirstRow()
{
    QFETCH(QString, reach);
    TestCollection collection(false);
    std::unique_ptr<Database> db = filled(collection, 1300, 5);
    const QString query = QStringLiteral("Select * from Plonko order by name");
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    if (reach == u"moved to") {
        rows->MoveNext();
    } else if (reach == u"found far on") {
        rows->FindFirst(QStringLiteral("PlonID = %1").arg(orderOf(*db, query)[1000]));
    } else {
        rows->MoveLast();
        rows->MovePrevious();
    }
    rows->Delete();
    rows->AddNew();
    rows->SetField(QStringLiteral("Name"), QStringLiteral("Mine"));
    rows->Update();
    QCOMPARE(keyOf(*rows), orderOf(*db, query).first());
}

void TestKeyOrder::aFindMatchesWhatTheEngineMatches_data()
{
    // a name another program stored, and a find by how it begins
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("criteria");
    QTest::newRow("text as a blob") << QByteArray("CAST('Abby Blob' AS BLOB)") << "Name like 'abby b*'";
    QTest::newRow("overlong a") << QByteArray("CAST(x'C1A1626279204F6C64' AS TEXT)") << "Name like 'abby o*'";
}

// A find goes to the first row, in the order kept, that the engine's own
// where clause takes with the criteria, whatever the stored value is.
void TestKeyOrder::aFindMatchesWhatTheEngineMatches()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, criteria);
    TestCollection collection(false);
    const QString query = QStringLiteral("Select * from Plonko order by name");
    qint64 odd = 0;
    {
        std::unique_ptr<Database> db = filled(collection, 600, 9);
        odd = orderOf(*db, query)[300];
    }
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(collection.path().toUtf8().constData(), &raw), SQLITE_OK);
    const QByteArray update =
        "UPDATE Plonko SET Name = " + stored + " WHERE PlonID = " + QByteArray::number(odd);
    QCOMPARE(sqlite3_exec(raw, update.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> matching = db->OpenRecordset(
        QStringLiteral("Select PlonID from Plonko where ") + criteria, RecordsetType::Snapshot);
    const QList<qint64> matches = walk(*matching);
    QVERIFY(matches.isEmpty() || matches == QList<qint64>{odd});
    std::unique_ptr<Recordset> rows = db->OpenRecordset(query, RecordsetType::Dynaset);
    rows->FindFirst(criteria);
    QCOMPARE(rows->NoMatch(), matches.isEmpty());
    if (!matches.isEmpty())
        QCOMPARE(keyOf(*rows), odd);
}

// The first row, renamed to stand last, keeps its place until the list is
// read again; reading the rest of the list does not bring it a second time.
void TestKeyOrder::aRowMovedPastWhatWasReadIsReadOnce()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = numbered(collection, 2000);
    const QString query = QStringLiteral("Select * from Plonko order by name");
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
                              "PlonID desc", "PlonID", "quantity", "Color"})
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
