#include "TestCollection.h"

#include "store/CollectionSchema.h"
#include "store/DbError.h"
#include "store/TextOrder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kSwedish(QLocale::Swedish, QLocale::Sweden);

// A collection as the previous version of the program wrote it: notes declared
// MEMO (numeric affinity), the orders indexed on the text itself.
const char* const kOldSchema = R"sql(
CREATE TABLE Plonko (
    PlonID INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(80) COLLATE NOCASE,
    descr VARCHAR(80) COLLATE NOCASE, catnum VARCHAR(30) COLLATE NOCASE, catsort VARCHAR(20) COLLATE NOCASE,
    quantity LONG, issuedate DATE, pricepaid CURRENCY, notes MEMO COLLATE NOCASE);
CREATE INDEX PlonkoName ON Plonko (Name, descr);
CREATE INDEX PlonkoDescr ON Plonko (descr);
CREATE INDEX PlonkoCatalog ON Plonko (catsort, catnum);
CREATE INDEX PlonkoIssueDate ON Plonko (issuedate);
CREATE TABLE boughtfrom (bouID INTEGER PRIMARY KEY AUTOINCREMENT, bouDesc VARCHAR(50) COLLATE NOCASE,
    BouPhone VARCHAR(30) COLLATE NOCASE, BouFav YESNO NOT NULL DEFAULT 0, bounotes MEMO COLLATE NOCASE);
CREATE INDEX boughtfromDesc ON boughtfrom (bouDesc);
INSERT INTO Plonko (Name, descr, catnum, catsort, quantity, issuedate, pricepaid, notes) VALUES
    ('Zed', 'Zebra', '7', '                   7', 1, '1998-03-05', 2.5, 'kept'),
    ('Émile', 'Ärmel', '10', '                  10', 2, NULL, NULL, '0123'),
    ('Abby', 'Aardvark', '9', '                   9', 1, NULL, 7, NULL);
INSERT INTO Plonko (Name) VALUES ('Gone');
DELETE FROM Plonko WHERE Name = 'Gone';
INSERT INTO boughtfrom (bouDesc, bounotes) VALUES ('Corner Toy Shop', 'Fridays');
)sql";

void writeOldCollection(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const int rc = sqlite3_exec(db, kOldSchema, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        qFatal("old collection not written");
}

// What the plain sqlite3 shell, which knows no function or collation of the
// program, answers.
QString shell(const QString& path, const QString& sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {path, sql});
    if (!process.waitForFinished() || process.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QStringList column(Database& db, const QString& sql, const QString& field)
{
    QStringList out;
    std::unique_ptr<Recordset> rs = db.OpenRecordset(sql, Database::RecordsetType::Snapshot);
    for (; rs->RecordCount() != 0 && !rs->AtEOF(); rs->MoveNext())
        out.append(textOf(rs->Fields(field)));
    return out;
}

void add(Database& db, const QString& table, const QString& field, const QStringList& texts)
{
    std::unique_ptr<Recordset> rs =
        db.OpenRecordset(QStringLiteral("Select * from ") + table, Database::RecordsetType::Dynaset);
    for (const QString& text : texts) {
        rs->AddNew();
        rs->SetField(field, text);
        rs->Update();
    }
}

const QStringList kNames = {"Zed", "Ørsted", "ábaco", "Eve", "Émile", "Apple", "Oscar", "émile"};

// The six lookup tables with their description fields.
const std::pair<const char*, const char*> kLookups[] = {{"condition", "ConDesc"}, {"boughtfrom", "bouDesc"},
                                                        {"brand", "braDesc"},     {"series", "serDesc"},
                                                        {"tagcon", "tagDesc"},    {"generation", "genDesc"}};

} // namespace

class TestTextOrder : public QObject
{
    Q_OBJECT

private slots:
    void like_data();
    void like();
    void likeStaysFastOnHostilePatterns();
    void everyMatchLiesInTheNoCaseRanges();
    void findsIgnoreCaseForEveryLetter_data();
    void findsIgnoreCaseForEveryLetter();
    void itemOrdersFollowTheLanguage_data();
    void itemOrdersFollowTheLanguage();
    void lookupListsFollowTheLanguage_data();
    void lookupListsFollowTheLanguage();
    void letterCaseLeavesTheOrderToTheDescription();
    void anotherLanguageMakesTheKeysAgain();
    void theShellReadsAndChecksTheFile();
    void notesKeepWhatWasTyped_data();
    void notesKeepWhatWasTyped();
    void anOldFileIsMendedKeepingEveryRow();
};

void TestTextOrder::like_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("prefix") << "ab%"
                            << "Abby" << true;
    QTest::newRow("accented capital") << "émile%"
                                      << "Émile" << true;
    QTest::newRow("umlaut") << "ärm%"
                            << "Ärmel" << true;
    QTest::newRow("Greek") << "σοφ%"
                           << "ΣΟΦΙΑ" << true;
    QTest::newRow("Cyrillic") << "%ЖУК"
                              << "жук" << true;
    QTest::newRow("accent is no case") << "emile"
                                       << "Émile" << false;
    QTest::newRow("one character is one code point") << "a_b"
                                                     << "a😀b" << true;
    QTest::newRow("one character, not two") << "a__b"
                                            << "a😀b" << false;
    QTest::newRow("escaped percent") << "100\\%"
                                     << "100%" << true;
    QTest::newRow("escaped percent is no wildcard") << "100\\%"
                                                    << "1000" << false;
    QTest::newRow("escaped underscore") << "a\\_c"
                                        << "abc" << false;
    QTest::newRow("escape at the end") << "ab\\"
                                       << "ab" << false;
    QTest::newRow("several runs") << "%a%b%c%"
                                  << "xxaxxbxxcxx" << true;
    QTest::newRow("order of runs") << "%c%b%"
                                   << "abc" << false;
    QTest::newRow("empty pattern") << ""
                                   << "" << true;
    QTest::newRow("empty pattern, text") << ""
                                         << "a" << false;
    QTest::newRow("whole text") << "abby"
                                << "ABBY" << true;
    QTest::newRow("longer than the text") << "abbyy"
                                          << "abby" << false;
}

void TestTextOrder::like()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(TextMatch::like(pattern.toUtf8(), text.toUtf8(), U'\\'), matches);
}

// A pattern that sends naive matching into exponential time.
void TestTextOrder::likeStaysFastOnHostilePatterns()
{
    const QByteArray pattern = QByteArray("%a").repeated(40) + "%b";
    const QByteArray text(20000, 'a');
    QVERIFY(!TextMatch::like(pattern, text));
}

// Whatever the letters and their case, a text that begins as a find's text
// lies in one of the ranges the index is read in, as the engine orders them.
void TestTextOrder::everyMatchLiesInTheNoCaseRanges()
{
    // letters, and bytes that are no letter: an overlong a, a surrogate, 0xFF
    const QList<QByteArray> letters = {
        "a", "A", "k", "K",        "\u212A",       "s",   "ſ", "é", "É", "ß", "ẞ", "σ", "ς", "Σ",
        "@", "[", "😀", "\xC1\xA1", "\xED\xA0\x80", "\xFF"};
    QRandomGenerator random(11);
    const auto text = [&](int most) {
        QByteArray t;
        for (int n = random.bounded(most + 1); n > 0; --n)
            t += letters[random.bounded(int(letters.size()))];
        return t;
    };
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* within = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT ?1 >= ?2 COLLATE NOCASE AND ?1 < ?3 COLLATE NOCASE", -1, &within,
                                nullptr),
             SQLITE_OK);
    int matched = 0;
    for (int round = 0; round < 300; ++round) {
        const QByteArray beginning = text(4);
        const std::vector<TextMatch::NoCaseRange> ranges = TextMatch::noCaseRanges(beginning, 8);
        QVERIFY(ranges.size() <= 8);
        // a beginning gives ranges up to its first byte that is no letter
        QCOMPARE(ranges.empty(),
                 beginning.isEmpty() || QByteArray("\xC1\xED\xFF").contains(beginning.front()));
        for (int n = 0; n < 40; ++n) {
            // most texts begin with the beginning in some letter case
            QByteArray candidate = text(6);
            if (n % 2 == 0)
                candidate.prepend(QString::fromUtf8(beginning).toUpper().toUtf8());
            if (!TextMatch::like(QByteArray(beginning + '%'), candidate))
                continue;
            ++matched;
            bool inside = ranges.empty();
            for (const TextMatch::NoCaseRange& range : ranges) {
                sqlite3_bind_text(within, 1, candidate.constData(), int(candidate.size()), SQLITE_STATIC);
                sqlite3_bind_text(within, 2, range.from.constData(), int(range.from.size()), SQLITE_STATIC);
                sqlite3_bind_text(within, 3, range.to.constData(), int(range.to.size()), SQLITE_STATIC);
                QCOMPARE(sqlite3_step(within), SQLITE_ROW);
                inside = inside || sqlite3_column_int(within, 0) == 1;
                sqlite3_reset(within);
            }
            if (!inside)
                QFAIL(qPrintable(QStringLiteral("'%1' begins with '%2' but lies in none of its ranges")
                                     .arg(QString::fromUtf8(candidate), QString::fromUtf8(beginning))));
        }
    }
    sqlite3_finalize(within);
    sqlite3_close(db);
    QVERIFY(matched > 1000);
    // plain letters give one range; where the letters that fold alike would
    // give too many, the ranges stop at a shorter beginning
    const std::vector<TextMatch::NoCaseRange> plain = TextMatch::noCaseRanges("Zinnia", 8);
    QCOMPARE(plain.size(), std::size_t(1));
    QCOMPARE(plain.front().from, QByteArray("zinnia"));
    QCOMPARE(plain.front().to, QByteArray("zinnib"));
    const std::vector<TextMatch::NoCaseRange> many = TextMatch::noCaseRanges("kkkk", 8);
    QCOMPARE(many.size(), std::size_t(8));
    QCOMPARE(QString::fromUtf8(many.back().from).size(), 3);
}

void TestTextOrder::findsIgnoreCaseForEveryLetter_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("criteria");
    QTest::newRow("name") << "Plonko"
                          << "Name"
                          << "Émile"
                          << "Name like 'émile*'";
    QTest::newRow("description") << "Plonko"
                                 << "descr"
                                 << "Ärmel"
                                 << "descr like 'ärm*'";
    QTest::newRow("catalogue number") << "Plonko"
                                      << "catnum"
                                      << "Ä-1"
                                      << "catnum = 'ä-1'";
    QTest::newRow("name, typed wildcard") << "Plonko"
                                          << "Name"
                                          << "Émile*"
                                          << "Name like 'émile[*]*'";
    // letters that other letters fold to, which an index in NOCASE order
    // keeps apart from them
    QTest::newRow("Kelvin sign stored") << "Plonko"
                                        << "Name"
                                        << "\u212Aelvin"
                                        << "Name like 'kel*'";
    QTest::newRow("Kelvin sign typed") << "Plonko"
                                       << "Name"
                                       << "Kelvin"
                                       << "Name like '\u212Ael*'";
    QTest::newRow("long s") << "Plonko"
                            << "descr"
                            << "ſoft"
                            << "descr like 'SOF*'";
    QTest::newRow("capital sharp s") << "Plonko"
                                     << "catnum"
                                     << "ẞ-7"
                                     << "catnum = 'ß-7'";
    for (const auto& [table, field] : kLookups)
        QTest::addRow("%s", table) << table << field << "Éclair"
                                   << QStringLiteral("%1 like 'éclair*'").arg(field);
}

void TestTextOrder::findsIgnoreCaseForEveryLetter()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(QString, criteria);
    TestCollection collection;
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
    add(*db, table, field, {stored});
    std::unique_ptr<Recordset> rs = db->OpenRecordset(
        QStringLiteral("Select * from %1 order by %2").arg(table, field), Database::RecordsetType::Dynaset);
    rs->FindFirst(criteria);
    QVERIFY(!rs->NoMatch());
    QCOMPARE(textOf(rs->Fields(field)), stored);
}

void TestTextOrder::itemOrdersFollowTheLanguage_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("sql");
    QTest::newRow("by name") << "Name"
                             << "Select * from Plonko order by name";
    QTest::newRow("by name, find") << "Name"
                                   << "Select * from Plonko order by name, descr";
    QTest::newRow("by description") << "descr"
                                    << "Select * from Plonko order by descr";
    QTest::newRow("by catalogue number") << "catnum"
                                         << "Select * from Plonko order by catsort, catnum";
}

// Accented letters stand beside their base letters, in every order the item
// window offers for text (the birthday order is by date).
void TestTextOrder::itemOrdersFollowTheLanguage()
{
    QFETCH(QString, field);
    QFETCH(QString, sql);
    TestCollection collection(false);
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
    add(*db, QStringLiteral("Plonko"), field, kNames);
    const QStringList order = column(*db, sql, field);
    QCOMPARE(order.mid(0, 2), (QStringList{"ábaco", "Apple"}));
    QCOMPARE(QStringList(order.mid(2, 3)).join(QLatin1Char(',')).toCaseFolded(),
             QStringLiteral("émile,émile,eve"));
    QCOMPARE(QSet<QString>(order.begin() + 5, order.begin() + 7), (QSet<QString>{"Oscar", "Ørsted"}));
    QCOMPARE(order.last(), QStringLiteral("Zed"));
}

void TestTextOrder::lookupListsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    for (const auto& [table, field] : kLookups)
        QTest::newRow(table) << table << field;
}

void TestTextOrder::lookupListsFollowTheLanguage()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    TestCollection collection(false);
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
    const QStringList before = column(*db, QStringLiteral("Select * from ") + table, field);
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from ") + table, Database::RecordsetType::Dynaset);
    while (rs->RecordCount() != 0) {
        rs->MoveFirst();
        rs->Delete();
    }
    add(*db, table, field, {"Zed", "ábaco", "Émile", "Apple", "Eve"});
    QCOMPARE(column(*db, QStringLiteral("Select * from %1 order by %2").arg(table, field), field),
             (QStringList{"ábaco", "Apple", "Émile", "Eve", "Zed"}));
    // named with its table, as a query over joined tables names it
    QCOMPARE(column(*db, QStringLiteral("Select * from %1 order by %1.%2").arg(table, field), field),
             (QStringList{"ábaco", "Apple", "Émile", "Eve", "Zed"}));
    QVERIFY(!before.isEmpty());
}

// Names that differ only in letter case are the same name: the description
// orders them, as it orders equal names.
void TestTextOrder::letterCaseLeavesTheOrderToTheDescription()
{
    TestCollection collection(false);
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    for (const auto& [name, descr] :
         {std::pair{"abby", "Zebra"}, {"Abby", "Aardvark"}, {"ÉMILE", "b"}, {"émile", "a"}}) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Name"), QString::fromUtf8(name));
        rs->SetField(QStringLiteral("descr"), QString::fromUtf8(descr));
        rs->Update();
    }
    QCOMPARE(
        column(*db, QStringLiteral("Select * from Plonko order by name, descr"), QStringLiteral("descr")),
        (QStringList{"Aardvark", "Zebra", "a", "b"}));
}

// Swedish puts Ö after Z; the keys are made again when the language changes.
void TestTextOrder::anotherLanguageMakesTheKeysAgain()
{
    TestCollection collection(false);
    const QString sql = QStringLiteral("Select * from Plonko order by name");
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
        add(*db, QStringLiteral("Plonko"), QStringLiteral("Name"), {"Zed", "Öland", "Oscar"});
        QCOMPARE(column(*db, sql, QStringLiteral("Name")), (QStringList{"Öland", "Oscar", "Zed"}));
    }
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kSwedish);
    QCOMPARE(column(*db, sql, QStringLiteral("Name")), (QStringList{"Oscar", "Zed", "Öland"}));
}

void TestTextOrder::theShellReadsAndChecksTheFile()
{
    TestCollection collection;
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
        add(*db, QStringLiteral("Plonko"), QStringLiteral("Name"), kNames);
        add(*db, QStringLiteral("brand"), QStringLiteral("braDesc"), {"Éclair"});
    }
    QCOMPARE(shell(collection.path(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(shell(collection.path(), QStringLiteral("SELECT count(*) FROM Plonko WHERE Name = 'Ørsted'")),
             QStringLiteral("1"));
    // what the shell writes is read and ordered (it cannot make keys: such rows come first)
    QCOMPARE(shell(collection.path(), QStringLiteral("INSERT INTO Plonko (Name) VALUES ('Shell')")),
             QString());
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kGerman);
    QCOMPARE(column(*db, QStringLiteral("Select * from Plonko order by name"), QStringLiteral("Name")).size(),
             kNames.size() + 9);
}

void TestTextOrder::notesKeepWhatWasTyped_data()
{
    QTest::addColumn<bool>("oldFile");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::newRow("item notes, new file") << false << "Plonko"
                                          << "notes";
    QTest::newRow("seller notes, new file") << false << "boughtfrom"
                                            << "bounotes";
    QTest::newRow("item notes, old file") << true << "Plonko"
                                          << "notes";
    QTest::newRow("seller notes, old file") << true << "boughtfrom"
                                            << "bounotes";
}

void TestTextOrder::notesKeepWhatWasTyped()
{
    QFETCH(bool, oldFile);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Plonko.mdb"));
    if (oldFile)
        writeOldCollection(path);
    else
        CollectionSchema::createCollection(path);
    const QStringList typed = {"0123", "1.50", "1e3", " 7 ", "-0", "0x1F", "12345678901234567890"};
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(path, kGerman);
        std::unique_ptr<Recordset> rs =
            db->OpenRecordset(QStringLiteral("Select * from ") + table, Database::RecordsetType::Dynaset);
        for (const QString& text : typed) {
            rs->AddNew();
            rs->SetField(field, text);
            rs->Update();
        }
    }
    std::unique_ptr<Database> db = Database::OpenDatabase(path, kGerman);
    const QString key = table == QLatin1String("Plonko") ? QStringLiteral("PlonID") : QStringLiteral("bouID");
    const QStringList stored =
        column(*db, QStringLiteral("Select * from %1 order by %2").arg(table, key), field);
    QCOMPARE(stored.mid(stored.size() - typed.size()), typed);
}

// Rows, keys, indexes and the key counter survive the mending, which happens
// once; the orders then run on the new key columns.
void TestTextOrder::anOldFileIsMendedKeepingEveryRow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Plonko.mdb"));
    writeOldCollection(path);
    const QString rows =
        shell(path, QStringLiteral("SELECT PlonID, Name, descr, catnum, quantity, issuedate, "
                                   "pricepaid FROM Plonko ORDER BY PlonID"));
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(path, kGerman);
        QCOMPARE(column(*db, QStringLiteral("Select * from Plonko order by name"), QStringLiteral("Name")),
                 (QStringList{"Abby", "Émile", "Zed"}));
        QCOMPARE(column(*db, QStringLiteral("Select * from Plonko order by descr"), QStringLiteral("notes")),
                 (QStringList{"", "123", "kept"})); // what the old file had made of "0123"
        add(*db, QStringLiteral("Plonko"), QStringLiteral("Name"), {"Ábel"});
    }
    QCOMPARE(shell(path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(
        shell(path, QStringLiteral("SELECT PlonID, Name, descr, catnum, quantity, issuedate, pricepaid FROM "
                                   "Plonko WHERE PlonID < 5 ORDER BY PlonID")),
        rows);
    QCOMPARE(shell(path, QStringLiteral("SELECT max(PlonID) FROM Plonko")), QStringLiteral("5"));
    QCOMPARE(shell(path, QStringLiteral(
                             "SELECT type FROM pragma_table_info('boughtfrom') WHERE name = 'bounotes'")),
             QStringLiteral("TEXT"));
    QCOMPARE(
        shell(path, QStringLiteral("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
                                   "WHERE type = 'index' AND tbl_name = 'Plonko' ORDER BY name)")),
        QStringLiteral("PlonkoCatalogKey PlonkoCatalogText PlonkoDescrKey PlonkoDescrText PlonkoIssueDate "
                       "PlonkoKeyless PlonkoNameKey PlonkoNameText"));
    QCOMPARE(shell(path, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'boughtfromDesc'")),
             QStringLiteral("1"));
    QCOMPARE(shell(path, QStringLiteral("SELECT count(*) FROM Plonko WHERE NameKey IS NULL")),
             QStringLiteral("0"));
}

QTEST_MAIN(TestTextOrder)
#include "tst_textorder.moc"
