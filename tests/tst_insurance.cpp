// The insurance record: its text and web files against golden files in two
// languages, the web table's folder of photos, the document's first page and
// its blocks, each whole on a page, and its PDF's pages and pictures.
#include "CrashPhotos.h"
#include "ReportSession.h"

#include "photos/PhotoSet.h"
#include "photos/PictureFile.h"
#include "reports/InsuranceRecord.h"
#include "reports/ReportPictures.h"
#include "reports/WebPhotos.h"
#include "store/PhotoTables.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Gives the items these pictures as their main photos.
void givePhotos(Reports& reports, const QList<std::pair<qint64, QByteArray>>& photos)
{
    std::unique_ptr<PhotoTables> tables = reports.state.db().OpenPhotoTables();
    for (const auto& [item, bytes] : photos) {
        PhotoSet set;
        set.add(std::get<PhotoTables::Picture>(PictureFile::read(bytes, QStringLiteral("photo"))), bytes);
        set.save(*tables, item);
    }
}

// A held item of some pieces, of the catalog value given, or none.
void addValued(Reports& reports, const QString& name, qint32 quantity, const Value& value)
{
    std::unique_ptr<Recordset> rs = reports.state.db().OpenRecordset(QStringLiteral("Select * from Plonko"),
                                                                     Database::RecordsetType::Dynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("Name"), name);
    rs->SetField(QStringLiteral("quantity"), quantity);
    rs->SetField(QStringLiteral("catvalue"), value);
    rs->Update();
}

// Each row of a page, its cells joined by "=".
QStringList pageRows(const ReportEngine& document, int page)
{
    QStringList rows;
    for (const ReportEngine::PlacedRow& row : document.rowsOn(page))
        rows.append(row.cells.join(QLatin1Char('=')));
    return rows;
}

// Held items enough for several pages of blocks.
void addHeldItems(Reports& reports, int count)
{
    for (int i = 0; i < count; ++i)
        reports.addForSale(QStringLiteral("Held %1").arg(i, 3, 10, QLatin1Char('0')),
                           QStringLiteral("A bear"), QString::number(i), Money::fromUnits(12345));
}

} // namespace

class TestInsurance : public QObject
{
    Q_OBJECT

private slots:
    void filesMatchTheirGoldenFiles_data();
    void filesMatchTheirGoldenFiles();
    void theFirstPageTotalsTheBlocks();
    void aValueNeverGivenIsNotValued_data();
    void aValueNeverGivenIsNotValued();
    void aPdfHasTheDocumentsPagesAndPrintResolution();
    void aPictureThatCannotBeHadIsNoneAndAskedAgain();
    void aStoppedWebTableLeavesTheEarlierFiles();
};

void TestInsurance::filesMatchTheirGoldenFiles_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("destination");
    for (const QLocale& locale : {kEnglish, kGerman})
        for (int destination : {2, 3})
            QTest::addRow("%s, %s", qPrintable(locale.name()), destination == 2 ? "text" : "html")
                << locale << destination;
}

// PLONKO_WRITE_GOLDEN=1 writes the golden files anew. The web table's photos
// stand in a folder named after its file (a blank in the name escaped in
// the links), each picture once, as the collection holds it.
void TestInsurance::filesMatchTheirGoldenFiles()
{
    QFETCH(QLocale, locale);
    QFETCH(int, destination);
    Reports reports(true, locale);
    reports.addHostileItems();
    addValued(reports, QStringLiteral("Worth Nothing"), 2, Money());
    givePhotos(reports, {{1, crashPhoto(1)}, {7, crashPhoto(2)}, {4, crashPhoto(1)}});
    const QString name =
        destination == 2 ? QStringLiteral("My Insurance.txt") : QStringLiteral("My Insurance.htm");
    reports.state.ReportDest = destination;
    reports.dialogs.fileNames.enqueue(reports.path(name));
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    QCOMPARE(reports.dialogs.messages.size(), 0);
    QCOMPARE(reports.dialogs.fileDialogs, QStringList{destination == 2 ? QStringLiteral("Insurance.txt")
                                                                       : QStringLiteral("Insurance.htm")});
    const QByteArray made = contents(reports.path(name));
    const QString golden =
        QStringLiteral("insurance-%1.%2").arg(locale.name(), destination == 2 ? "txt" : "htm");
    const QString goldenPath = QFINDTESTDATA("golden/reports") + QLatin1Char('/') + golden;
    if (qEnvironmentVariableIsSet("PLONKO_WRITE_GOLDEN"))
        write(goldenPath, made);
    QCOMPARE(made, contents(goldenPath));
    if (destination == 3) {
        const QDir folder(reports.path(QStringLiteral("My Insurance_files")));
        QCOMPARE(folder.entryList(QDir::Files).size(), 2);
        QCOMPARE(contents(folder.filePath(crashPhotoDigest(2) + QStringLiteral(".bmp"))), crashPhoto(2));
    }
}

// The first page counts the items and pieces the blocks show and totals what
// they cost and are worth; every block stands whole on one page, its photo
// beside it, the items without one without.
void TestInsurance::theFirstPageTotalsTheBlocks()
{
    Reports reports;
    addHeldItems(reports, 40);
    givePhotos(reports, {{1, crashPhoto(1)}, {7, crashPhoto(2)}});
    const Insurance::Record record =
        Insurance::read(reports.state.db(), reports.state.regional, QStringLiteral("12/7/2026"));
    Money paid;
    Money value;
    for (const Insurance::Item& item : record.items) {
        paid = Money::fromUnits(paid.units() + item.totalPaid.units());
        value = Money::fromUnits(value.units() + item.totalValue.units());
    }
    QCOMPARE(record.totals.paid, paid);
    QCOMPARE(record.totals.value, value);
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    const ReportEngine& document = *reports.preview.document;
    QCOMPARE(reports.preview.title, QStringLiteral("Insurance"));
    QStringList first;
    for (const ReportEngine::PlacedRow& row : document.rowsOn(1))
        first.append(row.cells.join(QLatin1Char('=')));
    QVERIFY(first.contains(QStringLiteral("Items=%1").arg(record.items.size())));
    QVERIFY(first.contains(QStringLiteral("Pieces=%1").arg(record.totals.pieces)));
    QVERIFY(first.contains(QStringLiteral("Total Paid=") + reports.state.regional.formatCurrency(paid)));
    QVERIFY(first.contains(QStringLiteral("Total Catalog Value=") +
                           reports.state.regional.formatCurrency(value)));

    QStringList blocks;
    int withPhotos = 0;
    for (int page = 2; page <= document.pageCount(); ++page)
        for (const ReportEngine::PlacedRow& row : document.rowsOn(page)) {
            if (row.cells.size() != 3)
                continue;
            QCOMPARE(row.firstLine, 0); // never continued from a page before
            QVERIFY(row.top + row.height <= document.bodyBottom());
            blocks.append(row.cells[1].section(QLatin1Char('\n'), 0, 0));
            withPhotos += row.pictures.isEmpty() ? 0 : 1;
        }
    QCOMPARE(blocks.size(), qsizetype(record.items.size()));
    QCOMPARE(blocks.first(), record.items.front().name);
    QCOMPARE(withPhotos, 2);
    QVERIFY(document.pageCount() > 4);
}

void TestInsurance::aValueNeverGivenIsNotValued_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("valued");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("each");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("totalValue");
    QTest::newRow("none, en_US") << kEnglish << false << qint64(0) << "Not valued"
                                 << "Not valued"
                                 << "$0.00";
    QTest::newRow("none, de_DE") << kGerman << false << qint64(0) << "Not valued"
                                 << "Not valued"
                                 << "0,00\u00A0€";
    QTest::newRow("zero") << kEnglish << true << qint64(0) << "$0.00"
                          << "$0.00"
                          << "$0.00";
    QTest::newRow("some, de_DE") << kGerman << true << qint64(12500) << "1,25\u00A0€"
                                 << "2,50\u00A0€"
                                 << "2,50\u00A0€";
}

// An item without a catalog value is not valued, in its block and its cells,
// and counted so beside the totals, which the last page repeats to be signed;
// a value of zero is an amount.
void TestInsurance::aValueNeverGivenIsNotValued()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, valued);
    QFETCH(qint64, units);
    QFETCH(QString, each);
    QFETCH(QString, total);
    QFETCH(QString, totalValue);
    Reports reports(false, locale);
    addValued(reports, QStringLiteral("Bear"), 2, valued ? Value(Money::fromUnits(units)) : Value());
    addValued(reports, QStringLiteral("Owl"), 1, Value());
    const RegionalSettings& regional = reports.state.regional;
    const Insurance::Record record =
        Insurance::read(reports.state.db(), regional, QStringLiteral("7.12.2026"));
    QCOMPARE(record.totals.notValued, valued ? 1 : 2);
    const QStringList cells = Insurance::textCells(record.items.front(), regional);
    QCOMPARE(cells.mid(10, 2), (QStringList{each, total}));

    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    const ReportEngine& document = *reports.preview.document;
    QVERIFY(document.rowsOn(2).front().cells.value(2).endsWith(
        QStringLiteral("\nCatalog Value: %1\nTotal Value: %2").arg(each, total)));
    const QString paid = regional.formatCurrency(Money());
    const QStringList totals{QStringLiteral("Items=2"), QStringLiteral("Pieces=3"),
                             QStringLiteral("Total Paid=") + paid,
                             QStringLiteral("Total Catalog Value=") + totalValue,
                             QStringLiteral("Items Not Valued=%1").arg(valued ? 1 : 2)};
    QCOMPARE(pageRows(document, 1).mid(2, 6),
             QStringList{QStringLiteral("Date=") + regional.formatShortDate(QDate(2026, 12, 7))} + totals);
    const QStringList last =
        QStringList{"Totals", ""} + totals + QStringList{"", "Date:", " ", "", "Signature:", " "};
    QCOMPARE(pageRows(document, document.pageCount()), last);
}

// Saved as a PDF, the document keeps its pages, and each photo at about 300
// pixels to the inch of its printed size, not at the picture's own.
void TestInsurance::aPdfHasTheDocumentsPagesAndPrintResolution()
{
    Reports reports;
    const QImage large = QImage(QSize(3000, 2000), QImage::Format_RGB32);
    QByteArray jpeg;
    {
        QImage picture = large;
        picture.fill(QColor(120, 80, 40));
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "jpeg");
    }
    givePhotos(reports, {{1, jpeg}});
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    const QString pdf = reports.path(QStringLiteral("Insurance.pdf"));
    QFile out(pdf);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(reports.preview.document->writePdf(out, QStringLiteral("Insurance")));
    out.close();
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.waitForFinished(), "pdfinfo from poppler-utils (scripts/setup tests installs it)");
    QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                .contains(QRegularExpression(
                    QStringLiteral("Pages:\\s+%1\\n").arg(reports.preview.document->pageCount()))));
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    QVERIFY(images.waitForFinished());
    const QStringList lines = QString::fromUtf8(images.readAllStandardOutput()).split(QLatin1Char('\n'));
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    QCOMPARE(lines.size(), 4); // two heading lines, one picture, and the end
    const QStringList picture = lines[2].simplified().split(QLatin1Char(' '));
    QCOMPARE(picture[8], QStringLiteral("jpeg"));
    QVERIFY2(qAbs(picture[12].toInt() - ReportEngine::kPictureDpi) <= 2, qPrintable(lines[2]));
}

// A web table stopped while its photos are written leaves the earlier page
// and folder as they were: the photos it wrote are removed, the earlier ones stay.
void TestInsurance::aStoppedWebTableLeavesTheEarlierFiles()
{
    Reports reports;
    givePhotos(reports, {{1, crashPhoto(1)}, {7, crashPhoto(2)}, {4, crashPhoto(3)}});
    reports.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    reports.state.ReportDest = 3;
    reports.dialogs.fileNames.enqueue(reports.path(QStringLiteral("Whole.htm")));
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    const qsizetype second =
        reports.dialogs.progressTexts.indexOf(QStringLiteral("Writing the photos: 2 of 3"));
    QVERIFY(second > 0);

    const QString page = reports.path(QStringLiteral("Again.htm"));
    write(page, "earlier");
    QDir folder(reports.path(QStringLiteral("Again_files")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString earlierPhoto = folder.filePath(crashPhotoDigest(1) + QStringLiteral(".bmp"));
    write(earlierPhoto, crashPhoto(1));
    const QStringList before = reportFiles(reports.collection.folder());
    reports.dialogs.progressTexts.clear();
    reports.dialogs.cancelProgressAt = second + 1;
    reports.dialogs.fileNames.enqueue(page);
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    QCOMPARE(reports.dialogs.progressTexts.size(), second + 1);
    QCOMPARE(contents(page), QByteArray("earlier"));
    QCOMPARE(reportFiles(reports.collection.folder()), before);
    QCOMPARE(folder.entryList(QDir::Files), QStringList{QFileInfo(earlierPhoto).fileName()});
    QCOMPARE(contents(earlierPhoto), crashPhoto(1));
    QCOMPARE(reports.dialogs.messages.size(), 1); // only the question of replacing the page

    // the folder it made itself goes too
    folder.removeRecursively();
    reports.dialogs.progressTexts.clear();
    reports.dialogs.fileNames.enqueue(page);
    runEvent(reports.state, [&] { ReportInsurance(reports.state, reports.preview); });
    QVERIFY(!folder.exists());
    QCOMPARE(contents(page), QByteArray("earlier"));
}

// A picture with no bytes, or one a browser needs turned into a JPEG that
// does not decode, makes no file; a page painted while the collection is
// closed shows the picture once it is open again.
void TestInsurance::aPictureThatCannotBeHadIsNoneAndAskedAgain()
{
    const PhotoTables::Listed jpeg{1, 1, QByteArray("d"), QStringLiteral("jpg")};
    const PhotoTables::Listed heic{1, 1, QByteArray("d"), QStringLiteral("heic")};
    QCOMPARE(WebPhotos::fileBytes(jpeg, "bytes"), std::optional<QByteArray>("bytes"));
    QVERIFY(!WebPhotos::fileBytes(jpeg, {}));
    QVERIFY(!WebPhotos::fileBytes(heic, "no picture"));

    Reports reports;
    givePhotos(reports, {{1, crashPhoto(1)}});
    const qint64 key = reports.state.db().OpenPhotoTables()->photosOf(1)[0].picture;
    ReportPictures pictures(reports.state);
    std::unique_ptr<Database> open = std::move(reports.state.CollectionDb);
    QVERIFY(pictures(key, QSize(8, 8)).isNull());
    reports.state.CollectionDb = std::move(open);
    QCOMPARE(pictures(key, QSize(8, 8)).size(), QSize(8, 8));
}

QTEST_MAIN(TestInsurance)
#include "tst_insurance.moc"
