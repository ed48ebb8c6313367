#include "CollectionSchema.h"

#include "Connection.h"
#include "EngineProgress.h"
#include "TextOrder.h"
#include "regional/StringHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>
#include <random>

namespace CollectionSchema {
namespace {

// The item window's orders by name, description and catalogue number run on
// sort keys of the language's order (see TextOrder), kept beside their text.
const char* const kSortKeyColumns = R"sql(
ALTER TABLE Plonko ADD COLUMN NameKey BLOB;
ALTER TABLE Plonko ADD COLUMN descrKey BLOB;
ALTER TABLE Plonko ADD COLUMN catnumKey BLOB;
DROP INDEX IF EXISTS PlonkoName;
DROP INDEX IF EXISTS PlonkoDescr;
DROP INDEX IF EXISTS PlonkoCatalog;
)sql";

// Rows another program wrote have text without keys; the last index lists
// them (it stays empty otherwise), so that they are keyed at the next start.
//
// A find by typed text reads only the rows whose text begins as typed,
// through an index of the text in NOCASE order (one any SQLite tool can
// check). The name and description indexes also hold the keys of the orders
// those finds sort by, so that the first match is found in the index alone.
#define PLONKO_KEYLESS                                                                                       \
    "(NameKey IS NULL AND Name IS NOT NULL) OR (descrKey IS NULL AND descr IS NOT NULL) OR "                 \
    "(catnumKey IS NULL AND catnum IS NOT NULL)"
const char* const kSortKeyIndexes = R"sql(
CREATE INDEX IF NOT EXISTS PlonkoNameKey ON Plonko (NameKey, descrKey);
CREATE INDEX IF NOT EXISTS PlonkoDescrKey ON Plonko (descrKey);
CREATE INDEX IF NOT EXISTS PlonkoCatalogKey ON Plonko (catsort, catnumKey);
CREATE INDEX IF NOT EXISTS PlonkoNameText ON Plonko (Name COLLATE NOCASE, NameKey, descrKey);
CREATE INDEX IF NOT EXISTS PlonkoDescrText ON Plonko (descr COLLATE NOCASE, descrKey);
CREATE INDEX IF NOT EXISTS PlonkoCatalogText ON Plonko (catnum COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS PlonkoKeyless ON Plonko (PlonID) WHERE )sql" PLONKO_KEYLESS ";";
// Made again as a whole, the keys are indexed afresh afterwards: one sort is
// far quicker than a million changes of an index.
const char* const kDropSortKeyIndexes = R"sql(
DROP INDEX IF EXISTS PlonkoNameKey;
DROP INDEX IF EXISTS PlonkoDescrKey;
DROP INDEX IF EXISTS PlonkoCatalogKey;
DROP INDEX IF EXISTS PlonkoNameText;
DROP INDEX IF EXISTS PlonkoDescrText;
)sql";
const char* const kMakeSortKeys =
    "UPDATE Plonko SET NameKey = sortkey(Name), descrKey = sortkey(descr), catnumKey = sortkey(catnum)";
const char* const kMakeMissingSortKeys =
    "UPDATE Plonko SET NameKey = sortkey(Name), descrKey = sortkey(descr), "
    "catnumKey = sortkey(catnum) WHERE " PLONKO_KEYLESS;
#undef PLONKO_KEYLESS

// Files are numbered by what they hold (in the header's user version):
// from 1 on, every total of an item is made as the item window makes it (see
// totalOf). Before, an import left each total empty; such a file gets them
// once, where the price and the quantity are numbers: the window never leaves
// a total empty there, so nothing a collector typed is changed.
const char* const kTotalsMade = "PRAGMA user_version = 1";
const char* const kFillTotals =
    "UPDATE Plonko SET totalpaid = coalesce(totalpaid, itemtotal(quantity, pricepaid)), "
    "totalval = coalesce(totalval, itemtotal(quantity, catvalue)), "
    "totalsales = coalesce(totalsales, itemtotal(quantity, priceask)) WHERE quantity IS NOT NULL AND "
    "((totalpaid IS NULL AND pricepaid IS NOT NULL) OR (totalval IS NULL AND catvalue IS NOT NULL) OR "
    "(totalsales IS NULL AND priceask IS NOT NULL))";

// The items' photos: each distinct picture once, with its bytes exactly as
// the file held them last in its row, so that reading the rest of it never
// reads them; and each photo of an item, by its place among the item's. An
// item deleted, by this program or any other, takes its photos with it, and
// the pictures no other item shows.
const char* const kPhotoTables = R"sql(
CREATE TABLE IF NOT EXISTS Picture (
    PicID INTEGER PRIMARY KEY AUTOINCREMENT,
    digest BLOB NOT NULL UNIQUE,
    kind VARCHAR(10) NOT NULL,
    width LONG NOT NULL,
    height LONG NOT NULL,
    thumb BLOB NOT NULL,
    thumbkind VARCHAR(10) NOT NULL,
    bytes BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS Photo (
    PhoID INTEGER PRIMARY KEY AUTOINCREMENT,
    PlonID LONG NOT NULL,
    PicID LONG NOT NULL,
    position LONG NOT NULL,
    caption VARCHAR(80) COLLATE NOCASE
);
CREATE UNIQUE INDEX IF NOT EXISTS PhotoPlace ON Photo (PlonID, position);
CREATE INDEX IF NOT EXISTS PhotoPicture ON Photo (PicID);
CREATE TRIGGER IF NOT EXISTS PlonkoPhotosGo AFTER DELETE ON Plonko BEGIN
    DELETE FROM Picture WHERE PicID IN (SELECT PicID FROM Photo WHERE PlonID = old.PlonID)
        AND NOT EXISTS (SELECT 1 FROM Photo AS other WHERE other.PicID = Picture.PicID
                        AND other.PlonID <> old.PlonID);
    DELETE FROM Photo WHERE PlonID = old.PlonID;
END;
)sql";

// Text columns compare without letter case, as collectors expect of names.
// Yes/no columns hold -1 or 0, money a number of currency units, dates ISO text.
// Notes are TEXT, not MEMO: MEMO would give them numeric affinity.
const char* const kSchema = R"sql(
CREATE TABLE Plonko (
    PlonID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name VARCHAR(80) COLLATE NOCASE,
    descr VARCHAR(80) COLLATE NOCASE,
    catnum VARCHAR(30) COLLATE NOCASE,
    catsort VARCHAR(20) COLLATE NOCASE,
    wantlist YESNO NOT NULL DEFAULT 0,
    quantity LONG,
    toycon LONG,
    hastag YESNO NOT NULL DEFAULT 0,
    tagcon LONG,
    genID LONG,
    hastush YESNO NOT NULL DEFAULT 0,
    tushdesc VARCHAR(80) COLLATE NOCASE,
    serID LONG,
    braID LONG,
    Color VARCHAR(50) COLLATE NOCASE,
    Errors VARCHAR(80) COLLATE NOCASE,
    issuedate DATE,
    retiredate DATE,
    pricepaid CURRENCY,
    totalpaid CURRENCY,
    bouID LONG,
    catvalue CURRENCY,
    totalval CURRENCY,
    priceask CURRENCY,
    totalsales CURRENCY,
    forsale YESNO NOT NULL DEFAULT 0,
    PurchaseDate DATE,
    sold YESNO NOT NULL DEFAULT 0,
    SoldDate DATE,
    notes TEXT COLLATE NOCASE,
    misc1 VARCHAR(50) COLLATE NOCASE,
    misc2 VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX PlonkoIssueDate ON Plonko (issuedate);
CREATE INDEX PlonkoToyCon ON Plonko (toycon);
CREATE INDEX PlonkoTagCon ON Plonko (tagcon);
CREATE INDEX PlonkoGen ON Plonko (genID);
CREATE INDEX PlonkoSer ON Plonko (serID);
CREATE INDEX PlonkoBra ON Plonko (braID);
CREATE INDEX PlonkoBou ON Plonko (bouID);

CREATE TABLE condition (ConID INTEGER PRIMARY KEY AUTOINCREMENT, ConDesc VARCHAR(50) COLLATE NOCASE);
CREATE TABLE tagcon (tagID INTEGER PRIMARY KEY AUTOINCREMENT, tagDesc VARCHAR(50) COLLATE NOCASE);
CREATE TABLE generation (genID INTEGER PRIMARY KEY AUTOINCREMENT, genDesc VARCHAR(50) COLLATE NOCASE);
CREATE TABLE series (serID INTEGER PRIMARY KEY AUTOINCREMENT, serDesc VARCHAR(50) COLLATE NOCASE);
CREATE TABLE brand (braID INTEGER PRIMARY KEY AUTOINCREMENT, braDesc VARCHAR(50) COLLATE NOCASE);
CREATE TABLE boughtfrom (
    bouID INTEGER PRIMARY KEY AUTOINCREMENT,
    bouDesc VARCHAR(50) COLLATE NOCASE,
    BouPhone VARCHAR(30) COLLATE NOCASE,
    BouFav YESNO NOT NULL DEFAULT 0,
    bounotes TEXT COLLATE NOCASE
);
CREATE INDEX conditionDesc ON condition (ConDesc);
CREATE INDEX tagconDesc ON tagcon (tagDesc);
CREATE INDEX generationDesc ON generation (genDesc);
CREATE INDEX seriesDesc ON series (serDesc);
CREATE INDEX brandDesc ON brand (braDesc);
CREATE INDEX boughtfromDesc ON boughtfrom (bouDesc);

CREATE TABLE RptSpec (
    SpecID LONG PRIMARY KEY,
    "Desc" VARCHAR(50) COLLATE NOCASE,
    fieldname VARCHAR(64) COLLATE NOCASE,
    datatype LONG,
    filename VARCHAR(64) COLLATE NOCASE,
    Linkfield VARCHAR(64) COLLATE NOCASE,
    defwidth DOUBLE,
    IsCurrency YESNO NOT NULL DEFAULT 0
);

CREATE TABLE SortOrder (Signature TEXT);

INSERT INTO condition (ConDesc) VALUES ('Mint'), ('Near Mint'), ('Excellent'), ('Good'), ('Fair'), ('Poor');
INSERT INTO tagcon (tagDesc) VALUES ('Mint'), ('Near Mint'), ('Creased'), ('Price Sticker'), ('Torn');
INSERT INTO generation (genDesc) VALUES ('1st'), ('2nd'), ('3rd'), ('4th'), ('5th');
INSERT INTO series (serDesc) VALUES ('Birthday Bunch'), ('Garden Friends'), ('Holiday'), ('Ocean Pals'), ('Sports Stars');
INSERT INTO brand (braDesc) VALUES ('Plonko'), ('Plonko Minis'), ('Plonko Jumbos');
INSERT INTO boughtfrom (bouDesc, BouPhone, BouFav, bounotes) VALUES
    ('Corner Toy Shop', '555-0142', -1, 'Sets aside new arrivals on Fridays.'),
    ('Collector Fair', '', 0, 'Twice a year at the town hall.'),
    ('Mail Order Club', '555-0199', 0, '');
)sql";

// The field catalogue of custom reports: every column of the items a
// collector reports on, and the description of each lookup table, joined by
// its link. Widths are inches; money columns are marked.
const char* const kFieldCatalogue = R"sql(
INSERT INTO RptSpec (SpecID, "Desc", fieldname, datatype, filename, Linkfield, defwidth, IsCurrency) VALUES
    (1, 'Name', 'Name', 1, 'Plonko', '', 1.5, 0),
    (2, 'Description', 'descr', 1, 'Plonko', '', 2, 0),
    (3, 'Catalog Number', 'catnum', 1, 'Plonko', '', 1, 0),
    (4, 'Quantity', 'quantity', 2, 'Plonko', '', 0.75, 0),
    (5, 'Price Paid', 'pricepaid', 2, 'Plonko', '', 1, -1),
    (6, 'Total Paid', 'totalpaid', 2, 'Plonko', '', 1, -1),
    (7, 'Catalog Value', 'catvalue', 2, 'Plonko', '', 1, -1),
    (8, 'Total Value', 'totalval', 2, 'Plonko', '', 1, -1),
    (9, 'Asking Price', 'priceask', 2, 'Plonko', '', 1, -1),
    (10, 'Total Sales', 'totalsales', 2, 'Plonko', '', 1, -1),
    (11, 'Birthday', 'issuedate', 3, 'Plonko', '', 1, 0),
    (12, 'Retirement Date', 'retiredate', 3, 'Plonko', '', 1, 0),
    (13, 'Purchase Date', 'PurchaseDate', 3, 'Plonko', '', 1, 0),
    (14, 'Date Sold', 'SoldDate', 3, 'Plonko', '', 1, 0),
    (15, 'Want List', 'wantlist', 4, 'Plonko', '', 0.75, 0),
    (16, 'For Sale', 'forsale', 4, 'Plonko', '', 0.75, 0),
    (17, 'Sold', 'sold', 4, 'Plonko', '', 0.75, 0),
    (18, 'Has Swing Tag', 'hastag', 4, 'Plonko', '', 0.75, 0),
    (19, 'Has Tush Tag', 'hastush', 4, 'Plonko', '', 0.75, 0),
    (20, 'Tush Tag Description', 'tushdesc', 1, 'Plonko', '', 1.5, 0),
    (21, 'Color', 'Color', 1, 'Plonko', '', 1, 0),
    (22, 'Errors', 'Errors', 1, 'Plonko', '', 1.5, 0),
    (23, 'Notes', 'notes', 1, 'Plonko', '', 2.5, 0),
    (24, 'Misc 1', 'misc1', 1, 'Plonko', '', 1, 0),
    (25, 'Misc 2', 'misc2', 1, 'Plonko', '', 1, 0),
    (26, 'Plonko Condition', 'ConDesc', 1, 'condition', 'toycon;ConID', 1, 0),
    (27, 'Tag Condition', 'tagDesc', 1, 'tagcon', 'tagcon;tagID', 1, 0),
    (28, 'Tag Generation', 'genDesc', 1, 'generation', 'genID', 0.75, 0),
    (29, 'Special Series', 'serDesc', 1, 'series', 'serID', 1.25, 0),
    (30, 'Brand', 'braDesc', 1, 'brand', 'braID', 1.25, 0),
    (31, 'Bought From', 'bouDesc', 1, 'boughtfrom', 'bouID', 1.5, 0);
)sql";

const char* const kFirstNames[] = {
    "Amble",  "Biscuit", "Bramble", "Clover", "Dewdrop", "Fennel", "Gus",      "Hazel",   "Juniper",  "Kip",
    "Lupin",  "Mallow",  "Nutmeg",  "Olive",  "Pebble",  "Quill",  "Rumble",   "Saffron", "Tansy",    "Umber",
    "Velvet", "Wicket",  "Yarrow",  "Zinnia", "Pimble",  "Tibbet", "Marzipan", "Cobble",  "Sprocket", "Wren"};
const char* const kAnimals[] = {"Otter", "Badger",  "Hedgehog", "Owl",   "Turtle",  "Fox",
                                "Lamb",  "Walrus",  "Bat",      "Moose", "Pelican", "Gecko",
                                "Panda", "Lobster", "Mole",     "Yak",   "Newt",    "Puffin"};
const char* const kColours[] = {"Brown", "Blue",  "Green",  "Pink",   "Grey",
                                "White", "Black", "Purple", "Orange", "Tie-dye"};
const char* const kErrors[] = {"Misspelled tush tag", "Upside-down eyes", "Missing whisker", "Swapped tag",
                               "Extra stitch"};

// One statement; throws DbError with the engine's message on failure.
void run(sqlite3* db, const Connection& connection, const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        connection.fail(rc);
}

void insertSamples(Connection& connection, int count, unsigned seed)
{
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto chance = [&](int percent) { return pick(100) < percent; };
    const QList<ColumnInfo>& columns = connection.columns(QStringLiteral("Plonko"));
    auto column = [&](const char* name) -> const ColumnInfo& {
        for (const ColumnInfo& c : columns) {
            if (c.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return c;
        }
        throw DbError(DbError::ItemNotFound, QString::fromLatin1(name));
    };
    const char* const fields[] = {
        "Name",     "descr",    "catnum",    "catsort",    "wantlist",  "quantity",     "toycon",
        "hastag",   "tagcon",   "genID",     "hastush",    "tushdesc",  "serID",        "braID",
        "Color",    "Errors",   "issuedate", "retiredate", "pricepaid", "totalpaid",    "bouID",
        "catvalue", "totalval", "priceask",  "totalsales", "forsale",   "PurchaseDate", "sold",
        "SoldDate", "notes",    "misc1",     "misc2"};
    QStringList names, places;
    for (const char* f : fields) {
        names.append(QString::fromLatin1(f));
        places.append(QStringLiteral("?"));
    }
    Statement insert(connection,
                     QStringLiteral("INSERT INTO Plonko (%1) VALUES (%2)")
                         .arg(names.join(QStringLiteral(", ")), places.join(QStringLiteral(", "))));
    for (int n = 0; n < count; ++n) {
        const QString first = QString::fromLatin1(kFirstNames[pick(std::size(kFirstNames))]);
        const QString animal = QString::fromLatin1(kAnimals[pick(std::size(kAnimals))]);
        const QString colour = QString::fromLatin1(kColours[pick(std::size(kColours))]);
        const QString catnum = chance(85)
                                   ? QString::number(1000 + pick(9000))
                                   : QStringLiteral("%1-%2").arg(10 + pick(90)).arg(QChar('A' + pick(6)));
        const bool want = chance(10);
        const bool sold = !want && chance(10);
        const bool forSale = !want && !sold && chance(12);
        const qint32 quantity = want ? 1 : 1 + (chance(80) ? 0 : pick(5));
        const QDate issued = chance(90) ? QDate(1993, 1, 1).addDays(pick(365 * 12)) : QDate();
        const Value paid =
            want || chance(90) ? Value(Money::fromUnits(qint64(300 + pick(4700)) * 100)) : Value();
        const Value value = chance(80) ? Value(Money::fromUnits(qint64(500 + pick(9500)) * 100)) : Value();
        const Value ask = forSale || sold ? Value(Money::fromUnits(qint64(800 + pick(9000)) * 100)) : Value();
        auto total = [&](const Value& price) {
            return isNull(price) ? Value() : Value(*moneyOf(price)->times(quantity));
        };
        auto lookup = [&](int size, int percent) {
            return chance(percent) ? Value(qint32(1 + pick(size))) : Value();
        };
        const Value values[] = {
            QStringLiteral("%1 the %2").arg(first, animal),
            QStringLiteral("%1 %2").arg(colour, animal.toLower()),
            catnum,
            CatalogSortKey(catnum),
            want,
            quantity,
            lookup(6, 90),
            !chance(15),
            lookup(5, 80),
            lookup(5, 70),
            !chance(5),
            chance(60) ? Value(QStringLiteral("Plonko %1").arg(1993 + pick(12))) : Value(QString()),
            lookup(5, 40),
            lookup(3, 95),
            colour,
            chance(5) ? Value(QString::fromLatin1(kErrors[pick(std::size(kErrors))])) : Value(QString()),
            issued.isValid() ? Value(issued) : Value(),
            issued.isValid() && chance(50) ? Value(issued.addDays(200 + pick(900))) : Value(),
            paid,
            total(paid),
            want ? Value() : lookup(3, 85),
            value,
            total(value),
            ask,
            total(ask),
            forSale,
            want ? Value() : Value(QDate(1996, 1, 1).addDays(pick(365 * 10))),
            sold,
            sold ? Value(QDate(2000, 1, 1).addDays(pick(365 * 8))) : Value(),
            chance(20) ? Value(QStringLiteral("Found at a %1 sale.")
                                   .arg(chance(50) ? QStringLiteral("garage") : QStringLiteral("church")))
                       : Value(QString()),
            QString(),
            QString(),
        };
        for (int i = 0; i < int(std::size(values)); ++i)
            insert.bind(i + 1, values[i], column(fields[i]));
        insert.step();
        insert.reset();
    }
}

// The texts of the first column of a query with at most one argument.
QStringList texts(Connection& connection, const QString& sql, const QString& argument = {})
{
    Statement query(connection, sql);
    if (!argument.isNull())
        query.bind(1, Value(argument), ColumnInfo{});
    QStringList out;
    while (query.step())
        out.append(textOf(query.value(0, FieldType::Text)));
    return out;
}

void exec(Connection& connection, const QString& sql, const QString& argument = {})
{
    texts(connection, sql, argument);
}

// Whether a table has every column named, letter case aside.
bool hasColumns(const QList<ColumnInfo>& columns, std::initializer_list<const char*> names)
{
    return std::all_of(names.begin(), names.end(), [&](const char* name) {
        return std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo& column) {
            return column.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        });
    });
}

// SQLite gives a column text affinity when its declared type names CHAR, CLOB
// or TEXT (and not INT); a MEMO column got numeric affinity.
bool hasTextAffinity(const QString& declared)
{
    const QString type = declared.toUpper();
    return !type.contains(QLatin1String("INT")) &&
           (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
            type.contains(QLatin1String("TEXT")));
}

// Re-creates a table with its MEMO columns declared TEXT, in the order SQLite
// prescribes for such a change: the new table beside the old, every row copied
// (the affinity turns stored numbers back into text), the old one dropped and
// the new one renamed; then its indexes and its AUTOINCREMENT counter.
void giveMemoTextAffinity(Connection& connection, const QString& table)
{
    const QString create =
        texts(connection, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1"),
              table)
            .value(0);
    const QStringList indexes = texts(connection,
                                      QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' "
                                                     "AND tbl_name = ?1 AND sql IS NOT NULL"),
                                      table);
    const QStringList counter =
        texts(connection, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"), table);
    const QString mended = table + QStringLiteral("_mended");
    static const QRegularExpression head(QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(\"[^\"]*\"|\\S+)\\s*\\("),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression memo(QStringLiteral("\\bMEMO\\b"));
    const QRegularExpressionMatch name = head.match(create);
    if (!name.hasMatch())
        throw DbError(DbError::NotADatabase, QStringLiteral("The table %1 cannot be read.").arg(table));
    QString definition = create.mid(name.capturedEnd());
    definition.replace(memo, QStringLiteral("TEXT"));
    exec(connection, QStringLiteral("CREATE TABLE %1 (").arg(quotedName(mended)) + definition);
    exec(connection,
         QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(quotedName(mended), quotedName(table)));
    exec(connection, QStringLiteral("DROP TABLE %1").arg(quotedName(table)));
    exec(connection,
         QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quotedName(mended), quotedName(table)));
    for (const QString& index : indexes)
        exec(connection, index);
    if (!counter.isEmpty()) {
        // keys of deleted rows are never given again
        exec(connection,
             QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name = ?1")
                 .arg(counter[0].toLongLong()),
             table);
    }
}

// The sort keys of every item are made again in one transaction: the journal
// keeps the file's pages as they were, and the keys and their indexes are
// written anew beside them (their indexes sorted in the temporary folder), so
// about twice the file must be free. The folder named is the collection's,
// unless the temporary folder stands on another disk without that room.
QString noRoomToSort(const QString& path)
{
    const QFileInfo file(path);
    const qint64 needed = std::max<qint64>(1, (2 * file.size() + (1 << 20) - 1) >> 20);
    const QStorageInfo collection(file.absolutePath());
    const QStorageInfo temporary(QDir::tempPath());
    const bool temporaryShort = temporary.isValid() && temporary.rootPath() != collection.rootPath() &&
                                temporary.bytesAvailable() < (needed << 20) &&
                                collection.bytesAvailable() >= (needed << 20);
    return QStringLiteral("The collection must be sorted again for the system's language, which needs about "
                          "%1 MB free on the disk of the folder '%2'.  Nothing was changed.  Make room on "
                          "that disk, then start the program again.")
        .arg(needed)
        .arg(QDir::toNativeSeparators(temporaryShort ? QDir::tempPath() : file.absolutePath()));
}

} // namespace

void mend(Connection& connection, const TextOrder& order, const std::function<void()>& sorting)
{
    const QStringList tables =
        texts(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                         "AND name NOT LIKE 'sqlite!_%' ESCAPE '!'"));
    sqlite3* db = connection.handle();
    bool resorting = false;
    run(db, connection, "BEGIN");
    try {
        for (const QString& table : tables) {
            const QStringList memo = texts(
                connection, QStringLiteral("SELECT type FROM pragma_table_info(?1) WHERE type LIKE '%MEMO%'"),
                table);
            if (std::any_of(memo.begin(), memo.end(),
                            [](const QString& type) { return !hasTextAffinity(type); }))
                giveMemoTextAffinity(connection, table);
        }
        connection.forgetSchema();
        // a collection made before custom reports gets their catalogue once
        if (tables.contains(QStringLiteral("RptSpec"), Qt::CaseInsensitive) &&
            texts(connection, QStringLiteral("SELECT count(*) FROM RptSpec")) ==
                QStringList{QStringLiteral("0")})
            run(db, connection, kFieldCatalogue);
        if (tables.contains(QStringLiteral("Plonko"), Qt::CaseInsensitive)) {
            const QList<ColumnInfo>& columns = connection.columns(QStringLiteral("Plonko"));
            if (std::none_of(columns.begin(), columns.end(), [](const ColumnInfo& c) { return c.isSortKey; }))
                run(db, connection, kSortKeyColumns);
            if (!tables.contains(QStringLiteral("SortOrder"), Qt::CaseInsensitive))
                run(db, connection, "CREATE TABLE SortOrder (Signature TEXT)");
            connection.forgetSchema();
            const QStringList signature =
                texts(connection, QStringLiteral("SELECT Signature FROM SortOrder"));
            resorting = signature != QStringList{order.signature()};
            const EngineProgress progress(db, resorting && sorting ? [&] {
                sorting();
                return true;
            } : std::function<bool()>());
            try {
                if (resorting) {
                    run(db, connection, kDropSortKeyIndexes);
                    run(db, connection, kMakeSortKeys);
                    exec(connection, QStringLiteral("DELETE FROM SortOrder"));
                    exec(connection, QStringLiteral("INSERT INTO SortOrder (Signature) VALUES (?1)"),
                         order.signature());
                } else {
                    run(db, connection, kMakeMissingSortKeys);
                }
                run(db, connection, kSortKeyIndexes);
                if (texts(connection, QStringLiteral("PRAGMA user_version")).value(0).toInt() < 1) {
                    if (hasColumns(connection.columns(QStringLiteral("Plonko")),
                                   {"quantity", "pricepaid", "totalpaid", "catvalue", "totalval", "priceask",
                                    "totalsales"}))
                        run(db, connection, kFillTotals);
                    run(db, connection, kTotalsMade);
                }
                // a collection made before photos gets their tables, and one
                // whose trigger another program dropped gets it back
                run(db, connection, kPhotoTables);
            } catch (...) {
                progress.rethrow();
                throw;
            }
        }
        run(db, connection, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        connection.forgetSchema();
        try {
            throw;
        } catch (const DbError& e) {
            if (resorting && e.number() == DbError::DiskFull)
                throw DbError(DbError::DiskFull, noRoomToSort(connection.path()));
            throw;
        }
    }
    connection.forgetSchema();
}

void createCollection(const QString& path, int sampleItems, unsigned seed)
{
    if (QFileInfo::exists(path))
        throw DbError(DbError::CannotOpen,
                      QStringLiteral("The file '%1' already exists; it is left as it is.").arg(path));
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
    Connection connection(db, path);
    if (rc != SQLITE_OK)
        connection.fail(rc);
    try {
        run(db, connection, "BEGIN");
        run(db, connection, kSchema);
        run(db, connection, kFieldCatalogue);
        run(db, connection, kSortKeyColumns);
        run(db, connection, kSortKeyIndexes);
        run(db, connection, kPhotoTables);
        run(db, connection, kTotalsMade);
        insertSamples(connection, sampleItems, seed);
        run(db, connection, "COMMIT");
    } catch (...) {
        connection.close();
        QFile::remove(path);
        throw;
    }
}

} // namespace CollectionSchema
