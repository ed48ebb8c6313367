#include "CrashPhotos.h"
#include "ReportSession.h"

#include "reports/TableString.h"

#include "custom/CustomReport.h"
#include "custom/FieldCatalogue.h"
#include "photos/PhotoSet.h"
#include "photos/PictureFile.h"

namespace {

constexpr qint32 kName = 1;
constexpr qint32 kDescription = 2;
constexpr qint32 kAskingPrice = 9;

// Three items for sale at 1.00, no price and 2.50.
struct CustomSession
{
    explicit CustomSession(const QLocale& locale = kEnglish)
        : reports(false, locale)
    {
        reports.addForSale(QStringLiteral("A"), QStringLiteral("Ant"), QStringLiteral("1"),
                           Money::fromUnits(10000));
        reports.addForSale(QStringLiteral("B"), QStringLiteral("Bee"), QStringLiteral("2"), Value());
        reports.addForSale(QStringLiteral("C"), QStringLiteral("Cat"), QStringLiteral("3"),
                           Money::fromUnits(25000));
        spec = ReportSpecification::fromCatalogue(readCatalogue(reports.state.db()));
        spec.fields = {kName, kAskingPrice};
        spec.setting(kAskingPrice).ShowTotal = true;
        spec.primarySort = kName;
        options.title = QStringLiteral("Prices & more");
    }

    QByteArray run(int destination)
    {
        const QString file = reports.path(QStringLiteral("custom"));
        QFile::remove(file);
        options.destination = destination;
        if (!reports.dialogs.fileNames.isEmpty())
            reports.dialogs.fileNames.clear();
        reports.dialogs.fileNames.enqueue(file);
        runEvent(reports.state, [&] { GenerateCustomReport(reports.state, reports.preview, spec, options); });
        return contents(file);
    }

    Reports reports;
    ReportSpecification spec;
    CustomOptions options;
};

} // namespace

class TestCustomReport : public QObject
{
    Q_OBJECT

private slots:
    void aCurrencyTotal();
    void aHiddenFieldHasNoColumn();
    void pageHeaderAndFooter_data();
    void pageHeaderAndFooter();
    void landscapeTurnsThePage();
    void refusals_data();
    void refusals();
    void filesMatchTheirGoldenFiles_data();
    void filesMatchTheirGoldenFiles();
    void aQueryTheDatabaseRejectsEndsTheRunOnly();
    void aStoreFailureGoesToTheErrorHandler();
    void aTypedTitleStandsAsTyped();
    void lineBreaksAndTabsStayInTheirCell();
    void aPhotoColumnInEachDestination();
};

// Three rows of 1.00, no price and 2.50: an empty cell, and 3.50 in the
// totals row under its column.
void TestCustomReport::aCurrencyTotal()
{
    CustomSession session;
    QCOMPARE(session.run(2), QByteArray("A\t$1.00\r\nB\t\r\nC\t$2.50\r\n\t$3.50\r\n"));
    QCOMPARE(session.run(3),
             QByteArray("\xEF\xBB\xBF<html>\r\n"
                        "<head><title>Prices &amp; more</title></head>\r\n"
                        "<body>\r\n"
                        "<table border=1>\r\n"
                        "<tr><th colspan = 2>Prices &amp; more</th></tr>\r\n"
                        "<tr>\r\n"
                        "<th>Name</th><th>Asking Price</th></tr>\r\n"
                        "<tr><td>A</td><td align=right>$1.00</td></tr>\r\n"
                        "<tr><td>B</td><td align=right></td></tr>\r\n"
                        "<tr><td>C</td><td align=right>$2.50</td></tr>\r\n"
                        "<tr><TD>&nbsp;</TD><td align=right>$3.50</td></tr>\r\n"
                        "</table>\r\n"
                        "<H6>List Produced by <a HREF=\"https://www.plonkowizmo.example/\">Plonko "
                        "Wizmo</a></H6>\r\n"
                        "</body>\r\n"
                        "</html>\r\n"));
    session.run(1);
    QList<QStringList> rows;
    for (const ReportEngine::PlacedRow& row : session.reports.preview.document->rowsOn(1))
        rows.append(row.cells);
    QCOMPARE(rows, (QList<QStringList>{
                       {"Name", "Asking Price"}, {"A", "$1.00"}, {"B", ""}, {"C", "$2.50"}, {"", "$3.50"}}));
    QCOMPARE(session.reports.state.TableHeading, QStringLiteral("2160|>1440;Name|Asking Price;"));
    // the report design is left as it was, and runs again
    QCOMPARE(session.run(2), QByteArray("A\t$1.00\r\nB\t\r\nC\t$2.50\r\n\t$3.50\r\n"));
}

void TestCustomReport::aHiddenFieldHasNoColumn()
{
    CustomSession session;
    session.spec.fields = {kName, kDescription, kAskingPrice};
    session.spec.setting(kDescription).Hide = true;
    session.spec.setting(kDescription).StartsWith = QStringLiteral("B");
    session.spec.setting(kAskingPrice).ShowTotal = false;
    const QByteArray html = session.run(3);
    QVERIFY2(
        html.contains("<tr><th colspan = 2>Prices &amp; more</th></tr>\r\n<tr>\r\n<th>Name</th><th>Asking "
                      "Price</th></tr>\r\n<tr><td>B</td><td align=right></td></tr>\r\n</table>"),
        html.constData());
    QCOMPARE(session.run(2), QByteArray("B\t\r\n"));
}

void TestCustomReport::pageHeaderAndFooter_data()
{
    QTest::addColumn<bool>("date");
    QTest::addColumn<int>("numbers");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("footer");
    QTest::newRow("at bottom") << false << 0 << "|Prices & more|"
                               << "|Page %d|";
    QTest::newRow("in header") << false << 1 << "|Prices & more|Page %d"
                               << "";
    QTest::newRow("none") << false << 2 << "|Prices & more|"
                          << "";
    QTest::newRow("date, in header") << true << 1 << "12/7/2026|Prices & more|Page %d"
                                     << "";
}

void TestCustomReport::pageHeaderAndFooter()
{
    QFETCH(bool, date);
    QFETCH(int, numbers);
    QFETCH(QString, header);
    QFETCH(QString, footer);
    CustomSession session;
    session.options.showDate = date;
    session.options.pageNumbers = numbers;
    session.run(1);
    QCOMPARE(session.reports.preview.document->pageHeader(), header);
    QCOMPARE(session.reports.preview.document->pageFooter(), footer);
}

void TestCustomReport::landscapeTurnsThePage()
{
    CustomSession session;
    session.options.landscape = true;
    session.run(1);
    QCOMPARE(session.reports.preview.document->pageWidth(), 15840);
    QCOMPARE(session.reports.preview.document->pageHeight(), 12240);
    session.options.landscape = false;
    session.run(1);
    QCOMPARE(session.reports.preview.document->pageWidth(), 12240);
}

void TestCustomReport::refusals_data()
{
    using Setup = std::function<void(ReportSpecification&)>;
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("no fields") << Setup([](ReportSpecification& spec) { spec.fields.clear(); })
                               << "You have not selected any fields to include in the report";
    QTest::newRow("every field hidden") << Setup([](ReportSpecification& spec) {
        spec.setting(kName).Hide = true;
        spec.setting(kAskingPrice).Hide = true;
    }) << "Every field of the report is hidden. Show at least one field to make a report.";
    QTest::newRow("a bound that is no number") << Setup([](ReportSpecification& spec) {
        spec.setting(kAskingPrice).LessThan = QStringLiteral("abc");
    }) << "The bounds of 'Asking Price' must be numbers.";
    QTest::newRow("no rows") << Setup([](ReportSpecification& spec) {
        spec.setting(kName).StartsWith = QStringLiteral("Z");
    }) << "No Plonkos have been entered that may be included in the specified report";
}

// Refused before any file dialog, or ended with the message: no file, no
// preview, and the program goes on.
void TestCustomReport::refusals()
{
    using Setup = std::function<void(ReportSpecification&)>;
    QFETCH(Setup, setup);
    QFETCH(QString, message);
    for (int destination : {1, 2}) {
        CustomSession session;
        setup(session.spec);
        session.run(destination);
        QCOMPARE(session.reports.dialogs.lastText(), message);
        QCOMPARE(session.reports.preview.shows, 0);
        QVERIFY(!session.reports.dialogs.ended);
    }
}

void TestCustomReport::filesMatchTheirGoldenFiles_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("destination");
    for (const char* report : {"total", "hidden"})
        for (const QLocale& locale : {kEnglish, kGerman})
            for (int destination : {2, 3})
                QTest::addRow("%s, %s, %s", report, qPrintable(locale.name()),
                              destination == 2 ? "text" : "html")
                    << QString::fromLatin1(report) << locale << destination;
}

// Two reports: a currency total over 1.00, nothing and 2.50; and one whose
// hidden second field only filters. PLONKO_WRITE_GOLDEN=1 writes them anew.
void TestCustomReport::filesMatchTheirGoldenFiles()
{
    QFETCH(QString, report);
    QFETCH(QLocale, locale);
    QFETCH(int, destination);
    CustomSession session(locale);
    if (report == QLatin1String("hidden")) {
        session.spec.fields = {kName, kDescription, kAskingPrice};
        session.spec.setting(kDescription).Hide = true;
        session.spec.setting(kDescription).StartsWith = QStringLiteral("C");
        session.spec.setting(kAskingPrice).ShowTotal = false;
    }
    const QByteArray made = session.run(destination);
    QVERIFY(session.reports.dialogs.messages.isEmpty());
    const QString golden = report + QLatin1Char('-') + locale.name() +
                           (destination == 2 ? QStringLiteral(".txt") : QStringLiteral(".htm"));
    const QString goldenPath = QFINDTESTDATA("golden/custom") + QLatin1Char('/') + golden;
    if (qEnvironmentVariableIsSet("PLONKO_WRITE_GOLDEN"))
        write(goldenPath, made);
    QCOMPARE(made, contents(goldenPath));
}

// A catalogue row naming no column: the database rejects the query, and the
// run ends with a message, no file and no preview.
void TestCustomReport::aQueryTheDatabaseRejectsEndsTheRunOnly()
{
    for (int destination : {1, 2, 3}) {
        CustomSession session;
        session.spec.catalogue[0].fieldname = QStringLiteral("NoSuchColumn");
        session.spec.fields = {session.spec.catalogue[0].SpecID};
        session.run(destination);
        QVERIFY(!session.reports.dialogs.ended);
        QCOMPARE(session.reports.dialogs.messages.last().title, QStringLiteral("Report Not Run"));
        QVERIFY(session.reports.dialogs.lastText().startsWith(
            QStringLiteral("The report cannot be made from these choices.  ")));
        QCOMPARE(session.reports.preview.shows, 0);
        QVERIFY(reportFiles(session.reports.collection.folder()).isEmpty());
    }
}

// A failure of the store itself is no fault of the collector's choices: the
// central error handler deals with it.
void TestCustomReport::aStoreFailureGoesToTheErrorHandler()
{
    CustomSession session;
    session.reports.state.CollectionDb->Close();
    session.run(1);
    QVERIFY(!session.reports.dialogs.messages.isEmpty());
    QVERIFY(session.reports.dialogs.messages.last().title != QStringLiteral("Report Not Run"));
    QVERIFY(session.reports.dialogs.lastText().startsWith(QStringLiteral("An error has occurred.")));
    QCOMPARE(session.reports.preview.shows, 0);
}

// "|" and "%d" in a title are the collector's text, not the header's marks.
void TestCustomReport::aTypedTitleStandsAsTyped()
{
    CustomSession session;
    session.options.title = QStringLiteral("Half | 50% off %d");
    session.options.pageNumbers = 1;
    session.run(1);
    const TableString::Header header = TableString::header(session.reports.preview.document->pageHeader(), 2);
    QCOMPARE(header.left, QStringLiteral("12/7/2026"));
    QCOMPARE(header.centre, session.options.title);
    QCOMPARE(header.right, QStringLiteral("Page 2"));
}

void TestCustomReport::lineBreaksAndTabsStayInTheirCell()
{
    CustomSession session;
    session.reports.addForSale(QStringLiteral("D\tE"), QStringLiteral("Two\r\nlines\rand\nmore"), QString(),
                               Value());
    session.spec.fields = {kName, kDescription};
    session.spec.setting(kDescription).StartsWith = QStringLiteral("Two");
    QCOMPARE(session.run(2), QByteArray("D E\tTwo  lines and more\r\n"));
}

QTEST_MAIN(TestCustomReport)
#include "tst_customreport.moc"

// The main photo as a column: in the preview a picture as wide as the column,
// the row grown to hold it; in a text file its file's name; in a web table
// the picture from the folder beside the page; blank for an item without.
void TestCustomReport::aPhotoColumnInEachDestination()
{
    CustomSession session;
    Database& db = session.reports.state.db();
    const qint64 item = longOf(db.OpenRecordset(QStringLiteral("Select PlonID from Plonko where Name = 'A'"),
                                                Database::RecordsetType::Snapshot)
                                   ->FieldAt(0))
                            .value_or(0);
    PhotoSet photos;
    const QByteArray bytes = crashPhoto(3);
    photos.add(std::get<PhotoTables::Picture>(PictureFile::read(bytes, QStringLiteral("a.bmp"))), bytes);
    photos.save(*db.OpenPhotoTables(), item);
    session.spec.fields = {kName, CatalogueField::kPhotoSpecID};
    const QString file = crashPhotoDigest(3) + QStringLiteral(".bmp");

    QCOMPARE(session.run(2), QByteArray("A\t" + file.toLatin1() + "\r\nB\t\r\nC\t\r\n"));
    const QByteArray page = session.run(3);
    const QString link = QStringLiteral("custom_files/") + file;
    QVERIFY(page.contains(("<tr><td>A</td><td><a href=\"" + link + "\"><img src=\"" + link +
                           "\" width=150></a></td></tr>\r\n<tr><td>B</td><td></td></tr>")
                              .toUtf8()));
    QCOMPARE(contents(session.reports.path(link)), bytes);
    // stopped once its first photo is written, the table leaves neither page nor folder
    QVERIFY(QDir(session.reports.path(QStringLiteral("custom_files"))).removeRecursively());
    session.reports.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    session.reports.dialogs.cancelProgressAt = 1;
    QCOMPARE(session.run(3), QByteArray());
    QVERIFY(!QFileInfo::exists(session.reports.path(QStringLiteral("custom_files"))));
    QVERIFY(session.reports.dialogs.messages.isEmpty());
    session.reports.dialogs.cancelProgressAt = 0;

    session.run(1);
    const std::vector<ReportEngine::PlacedRow>& rows = session.reports.preview.document->rowsOn(1);
    QCOMPARE(rows[1].cells[0], QStringLiteral("A"));
    QCOMPARE(rows[1].pictures.value(1).key, db.OpenPhotoTables()->photosOf(item)[0].picture);
    // an 8-pixel square as wide as a column of an inch and a half, less its margins
    QCOMPARE(rows[1].pictureTwips.value(1), QSize(2040, 2040));
    QVERIFY(rows[1].height > 2040);
    QVERIFY(rows[2].pictures.isEmpty());
}
