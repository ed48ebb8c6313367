#include "TestCollection.h"

#include "custom/CustomQuery.h"
#include "custom/FieldCatalogue.h"
#include "regional/RegionalSettings.h"

#include <sqlite3.h>

#include <algorithm>

#include <QTest>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// A catalogue of the kinds of field a report can show: item columns and
// descriptions of lookup tables joined by one or by two column names.
QList<CatalogueField> testCatalogue()
{
    return {
        {1,
         QStringLiteral("Name"),
         QStringLiteral("Name"),
         CatalogueField::Text,
         QStringLiteral("Plonko"),
         {},
         2.0f,
         false},
        {2, QStringLiteral("Special Series"), QStringLiteral("serDesc"), CatalogueField::Text,
         QStringLiteral("series"), QStringLiteral("serID"), 1.5f, false},
        {3,
         QStringLiteral("Price Paid"),
         QStringLiteral("pricepaid"),
         CatalogueField::Number,
         QStringLiteral("Plonko"),
         {},
         1.0f,
         true},
        {4,
         QStringLiteral("Birthday"),
         QStringLiteral("issuedate"),
         CatalogueField::Date,
         QStringLiteral("Plonko"),
         {},
         std::nullopt,
         false},
        {5,
         QStringLiteral("Quantity"),
         QStringLiteral("quantity"),
         CatalogueField::Number,
         QStringLiteral("Plonko"),
         {},
         0.75f,
         false},
        {6,
         QStringLiteral("For Sale"),
         QStringLiteral("forsale"),
         CatalogueField::YesNo,
         QStringLiteral("Plonko"),
         {},
         0.75f,
         false},
        {7, QStringLiteral("Plonko Condition"), QStringLiteral("ConDesc"), CatalogueField::Text,
         QStringLiteral("condition"), QStringLiteral("toycon;ConID"), 1.0f, false},
        {8, QStringLiteral("Series Number"), QStringLiteral("series.serID"), CatalogueField::Number,
         QStringLiteral("series"), QStringLiteral("serID"), 1.0f, false},
    };
}

// The names of the items a query keeps, in its order.
QStringList keptNames(const QString& sql)
{
    TestCollection collection;
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kEnglish);
    QStringList names;
    std::unique_ptr<Recordset> rows = db->OpenRecordset(sql, Database::RecordsetType::ForwardOnly);
    for (; !rows->AtEOF(); rows->MoveNext())
        names.append(textOf(rows->Fields(QStringLiteral("Name"))));
    return names;
}

} // namespace

class TestCustomQuery : public QObject
{
    Q_OBJECT

private slots:
    void queries_data();
    void queries();
    void widths_data();
    void widths();
    void boundsThatAreNoNumbersAreRefused();
    void defaultsComeFromTheCatalogue();
    void everyCatalogueFieldCanBeReported();
    void anOldCollectionGetsTheCatalogueOnce();
    void strayCatalogueRowsAreTolerated();
};

void TestCustomQuery::queries_data()
{
    using Setup = std::function<void(ReportSpecification&)>;
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("worked example") << Setup([](ReportSpecification& spec) {
        spec.fields = {1, 2, 3, 4};
        spec.setting(3).Hide = true;
        spec.setting(2).StartsWith = QStringLiteral("Sp");
        spec.setting(4).StartDate = QDate(1998, 3, 5);
        spec.primarySort = 1;
    })
                                    << "Select Name, serDesc, issuedate from (Plonko left join series on "
                                       "Plonko.serID = series.serID) where  "
                                       "serDesc like 'Sp*' and issuedate >= #3/5/1998# order by Name"
                                    << QStringList{"Zed"};
    QTest::newRow("a table joined once for two fields")
        << Setup([](ReportSpecification& spec) {
               spec.fields = {2, 8, 1};
               spec.secondarySort = 1;
           })
        << "Select serDesc, series.serID, Name from (Plonko left join series on Plonko.serID = series.serID) "
           "order by "
           "Name"
        << QStringList{"", "Abby", "Abby", "Ace", "bubbles", "Cubby", "Dot", "Zed"};
    QTest::newRow("a hidden field filters and joins")
        << Setup([](ReportSpecification& spec) {
               spec.fields = {1, 7};
               spec.setting(7).Hide = true;
               spec.setting(7).StartsWith = QStringLiteral("Mint");
               spec.primarySort = 1;
           })
        << "Select Name from (Plonko left join condition on Plonko.toycon = condition.ConID) where  ConDesc "
           "like "
           "'Mint*' order by Name"
        << QStringList{"Abby", "Abby"};
    QTest::newRow("less than before greater than, both strict") << Setup([](ReportSpecification& spec) {
        spec.fields = {1, 3};
        spec.setting(3).GreaterThan = QStringLiteral("1");
        spec.setting(3).LessThan = QStringLiteral("7.5");
        spec.primarySort = 1;
    }) << "Select Name, pricepaid from Plonko where  pricepaid < 7.5 and pricepaid > 1 order by Name"
                                                                << QStringList{"Abby", "Cubby"};
    QTest::newRow("true") << Setup([](ReportSpecification& spec) {
        spec.fields = {1, 6};
        spec.setting(6).WantTrue = true;
        spec.primarySort = 1;
    }) << "Select Name, forsale from Plonko where  forsale order by Name"
                          << QStringList{"", "Abby"};
    QTest::newRow("false") << Setup([](ReportSpecification& spec) {
        spec.fields = {1, 6};
        spec.setting(6).WantFalse = true;
        spec.setting(6).Hide = true;
        spec.primarySort = 1;
    }) << "Select Name from Plonko where  not forsale order by Name"
                           << QStringList{"Abby", "Ace", "bubbles", "Cubby", "Dot", "Zed"};
    QTest::newRow("no dates: no condition")
        << Setup([](ReportSpecification& spec) {
               spec.fields = {1, 4};
               spec.primarySort = 4;
               spec.secondarySort = 1;
           })
        << "Select Name, issuedate from Plonko order by issuedate, Name"
        << QStringList{"bubbles", "Dot", "Cubby", "Ace", "Abby", "Zed", "Abby", ""};
    QTest::newRow("a date range") << Setup([](ReportSpecification& spec) {
        spec.fields = {1, 4};
        spec.setting(4).StartDate = QDate(1998, 3, 5);
        spec.setting(4).EndDate = QDate(1998, 5, 30);
        spec.primarySort = 1;
    })
                                  << "Select Name, issuedate from Plonko where  issuedate >= #3/5/1998# and "
                                     "issuedate <= #5/30/1998# order by Name"
                                  << QStringList{"Abby", "Abby", "Zed"};
    QTest::newRow("a typed text matches itself") << Setup([](ReportSpecification& spec) {
        spec.fields = {1};
        spec.setting(1).StartsWith = QStringLiteral("O'*?");
    }) << "Select Name from Plonko where  Name like 'O''[*][?]*'"
                                                 << QStringList{};
    QTest::newRow("a sort field from a table not joined")
        << Setup([](ReportSpecification& spec) {
               spec.fields = {1};
               spec.primarySort = 2;
               spec.secondarySort = 1;
           })
        << "Select Name from (Plonko left join series on Plonko.serID = series.serID) order by serDesc, Name"
        << QStringList{"", "bubbles", "Dot", "Abby", "Abby", "Cubby", "Ace", "Zed"};
}

// The query text, and the rows it keeps from the test collection.
void TestCustomQuery::queries()
{
    using Setup = std::function<void(ReportSpecification&)>;
    QFETCH(Setup, setup);
    QFETCH(QString, sql);
    QFETCH(QStringList, kept);
    ReportSpecification spec = ReportSpecification::fromCatalogue(testCatalogue());
    setup(spec);
    const std::optional<CustomQuery> query = buildCustomQuery(spec, RegionalSettings(kEnglish), 1440);
    QVERIFY(query);
    QCOMPARE(query->sql, sql);
    QCOMPARE(keptNames(query->sql), kept);
}

void TestCustomQuery::widths_data()
{
    QTest::addColumn<double>("twipsPerUnit");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("heading");
    QTest::newRow("inches") << 1440.0 << "2880|2160|>1440|>1080;"
                            << "Name|Special Series|Price Paid|Quantity;";
    QTest::newRow("centimetres") << 561.6 << "1123.2|842.4|>561.6|>421.2;"
                                 << "Name|Special Series|Price Paid|Quantity;";
}

// Widths in twips from the unit, numbers right-aligned, hidden fields left out.
void TestCustomQuery::widths()
{
    QFETCH(double, twipsPerUnit);
    QFETCH(QString, format);
    QFETCH(QString, heading);
    ReportSpecification spec = ReportSpecification::fromCatalogue(testCatalogue());
    spec.fields = {1, 2, 4, 3, 5};
    spec.setting(4).Hide = true;
    const std::optional<CustomQuery> query = buildCustomQuery(spec, RegionalSettings(kEnglish), twipsPerUnit);
    QVERIFY(query);
    QCOMPARE(query->format, format);
    QCOMPARE(query->tableHeading, format + heading);
    QCOMPARE(query->shown, (QList<qint32>{1, 2, 3, 5}));
}

// Bounds are read in the system's number format and written as SQL numbers.
void TestCustomQuery::boundsThatAreNoNumbersAreRefused()
{
    ReportSpecification spec = ReportSpecification::fromCatalogue(testCatalogue());
    spec.fields = {1, 3};
    spec.setting(3).GreaterThan = QStringLiteral("1,5");
    const std::optional<CustomQuery> german =
        buildCustomQuery(spec, RegionalSettings(QLocale(QLocale::German, QLocale::Germany)), 1440);
    QVERIFY(german);
    QCOMPARE(german->sql, QStringLiteral("Select Name, pricepaid from Plonko where  pricepaid > 1.5"));
    spec.setting(3).GreaterThan = QStringLiteral("1; drop table Plonko");
    QString problem;
    QVERIFY(!buildCustomQuery(spec, RegionalSettings(kEnglish), 1440, &problem));
    QCOMPARE(problem, QStringLiteral("Price Paid"));
}

void TestCustomQuery::defaultsComeFromTheCatalogue()
{
    const ReportSpecification spec = ReportSpecification::fromCatalogue(testCatalogue());
    QCOMPARE(spec.setting(1).Width, 2.0);
    QCOMPARE(spec.setting(4).Width, 1.0); // no default width
    QVERIFY(spec.setting(3).IsCurrency);
    QVERIFY(!spec.setting(5).IsCurrency);
    QVERIFY(!spec.setting(3).ShowTotal);
}

// Every field of the catalogue a collection is given reports, alone and all
// together: its name is unambiguous and its table joins.
void TestCustomQuery::everyCatalogueFieldCanBeReported()
{
    TestCollection collection;
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kEnglish);
    const QList<CatalogueField> catalogue = readCatalogue(*db);
    QList<qint32> ids;
    for (const CatalogueField& field : catalogue)
        ids.append(field.SpecID);
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids.first(), CatalogueField::kPhotoSpecID); // the main photo, held by no row
    for (qsizetype i = 1; i < ids.size(); ++i)
        QCOMPARE(ids[i], qint32(i)); // 1 to N without gaps
    ReportSpecification spec = ReportSpecification::fromCatalogue(catalogue);
    for (const CatalogueField& field : catalogue) {
        spec.fields = {field.SpecID};
        const std::optional<CustomQuery> query = buildCustomQuery(spec, RegionalSettings(kEnglish), 1440);
        QVERIFY(query);
        std::unique_ptr<Recordset> rows = db->OpenRecordset(query->sql, Database::RecordsetType::ForwardOnly);
        QCOMPARE(rows->RecordCount(), 1); // the first of the eight items
        rows->Fields(field.datatype == CatalogueField::Photo ? QStringLiteral("PlonID") : field.fieldname);
        QVERIFY2(field.filename == QLatin1String("Plonko") || !field.Linkfield.isEmpty(),
                 qPrintable(field.Desc));
        QVERIFY(field.datatype >= 1 && field.datatype <= 5);
        QCOMPARE(field.IsCurrency,
                 field.datatype == CatalogueField::Number && field.fieldname != u"quantity");
    }
    spec.fields = ids;
    const std::optional<CustomQuery> all = buildCustomQuery(spec, RegionalSettings(kEnglish), 1440);
    QVERIFY(all);
    int rows = 0;
    for (std::unique_ptr<Recordset> rs = db->OpenRecordset(all->sql, Database::RecordsetType::ForwardOnly);
         !rs->AtEOF(); rs->MoveNext())
        ++rows;
    QCOMPARE(rows, 8);
}

// A collection made before custom reports has an empty catalogue: it is
// filled once, when the collection is opened.
void TestCustomQuery::anOldCollectionGetsTheCatalogueOnce()
{
    TestCollection collection;
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(collection.path().toUtf8().constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw, "DELETE FROM RptSpec", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kEnglish);
        QCOMPARE(readCatalogue(*db).size(), 32); // and the main photo
        std::unique_ptr<Recordset> first = db->OpenRecordset(
            QStringLiteral("Select * from RptSpec where SpecID = 1"), Database::RecordsetType::Dynaset);
        first->Delete();
    }
    // a catalogue with rows is left as it is
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kEnglish);
    QCOMPARE(readCatalogue(*db).size(), 31);
}

// Rows a collector's own catalogue may hold: no identifier, a width written
// as text or as no number. The row without an identifier is left out; a
// width that reads as no number is the default.
void TestCustomQuery::strayCatalogueRowsAreTolerated()
{
    TestCollection collection;
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(collection.path().toUtf8().constData(), &raw), SQLITE_OK);
    for (const char* sql :
         {"DELETE FROM RptSpec WHERE SpecID = 5",
          "INSERT INTO RptSpec (SpecID, \"Desc\", fieldname, datatype, filename, Linkfield, "
          "defwidth, IsCurrency) VALUES (NULL, 'Stray', 'Name', 1, 'Plonko', '', 1, 0)",
          "UPDATE RptSpec SET defwidth = 'wide' WHERE SpecID = 1",
          "UPDATE RptSpec SET defwidth = ' 2.25' WHERE SpecID = 31"})
        QCOMPARE(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    std::unique_ptr<Database> db = Database::OpenDatabase(collection.path(), kEnglish);
    const QList<CatalogueField> catalogue = readCatalogue(*db);
    QCOMPARE(catalogue.size(), 31);
    ReportSpecification spec = ReportSpecification::fromCatalogue(catalogue);
    QCOMPARE(spec.setting(1).Width, 1.0);
    QCOMPARE(spec.setting(31).Width, 2.25);
    spec.fields = {1, 31};
    const std::optional<CustomQuery> query = buildCustomQuery(spec, RegionalSettings(kEnglish), 1440);
    QVERIFY(query);
    QCOMPARE(query->format, QStringLiteral("1440|3240;"));
}

QTEST_MAIN(TestCustomQuery)
#include "tst_customquery.moc"
