#include "ReportSession.h"

#include "app/WindowPlacement.h"
#include "reports/PageView.h"
#include "reports/PreviewPlace.h"
#include "reports/ReportEngine.h"
#include "reports/ReportRun.h"
#include "reports/StandardReports.h"
#include "reports/frmOutput.h"

#include <QLabel>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {

int pdfPages(const QString& path)
{
    const QString pdf = QString::fromLatin1(contents(path));
    return int(pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

const char* const kHtmlOpening = "\xEF\xBB\xBF<html>\r\n"
                                 "<head><title>Plonkos For Sale</title></head>\r\n"
                                 "<body>\r\n"
                                 "<table border=1>\r\n"
                                 "<tr><th colspan=4>Plonkos For Sale</th></tr>\r\n"
                                 "<tr><th>Name</th>\r\n"
                                 "<th>Description</th>\r\n"
                                 "<th>Cat #</th>\r\n"
                                 "<th>Price</th></tr>\r\n";

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void filesMatchTheirGoldenFiles_data();
    void filesMatchTheirGoldenFiles();
    void previewHoldsOneRowPerItemUnderHeadings();
    void valuesNeverSplitTheirCells();
    void destinationMenuChecksOneItem_data();
    void destinationMenuChecksOneItem();
    void cancelInSaveAsLeavesNoTrace_data();
    void cancelInSaveAsLeavesNoTrace();
    void existingFileIsReplacedOnlyOnYes_data();
    void existingFileIsReplacedOnlyOnYes();
    void emptyResultShowsItsMessage_data();
    void emptyResultShowsItsMessage();
    void writeFailureKeepsTheOldFileAndTheProgram_data();
    void writeFailureKeepsTheOldFileAndTheProgram();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void reportsSupplyTheirOwnCellsAndTotals_data();
    void reportsSupplyTheirOwnCellsAndTotals();
    void amountBeyondMoneyIsShownAsStored();
    void outputWindowPagesAndZooms();
    void previewPlacesByKey_data();
    void previewPlacesByKey();
    void outputWindowByKeyboard();
    void windowsOpenOverTheirOwner_data();
    void windowsOpenOverTheirOwner();
    void previewOpensOverTheItemWindow();
    void pdfHoldsTheDocumentsPages();
    void printingGoesThroughThePrintDialog();
};

void ReportsTest::filesMatchTheirGoldenFiles_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("destination");
    QTest::addColumn<QString>("golden");
    QTest::newRow("text, en_US") << kEnglish << 2 << "forsale-en_US.txt";
    QTest::newRow("html, en_US") << kEnglish << 3 << "forsale-en_US.htm";
    QTest::newRow("text, de_DE") << kGerman << 2 << "forsale-de_DE.txt";
    QTest::newRow("html, de_DE") << kGerman << 3 << "forsale-de_DE.htm";
}

// PLONKO_WRITE_GOLDEN=1 writes the golden files anew from what the reports make.
void ReportsTest::filesMatchTheirGoldenFiles()
{
    QFETCH(QLocale, locale);
    QFETCH(int, destination);
    QFETCH(QString, golden);
    Reports reports(true, locale);
    reports.addHostileItems();
    const QString file = reports.path(golden);
    reports.run(destination, file);
    QCOMPARE(reports.dialogs.messages.size(), 0);
    const QByteArray made = contents(file);
    const QString goldenPath = QFINDTESTDATA("golden/reports") + QLatin1Char('/') + golden;
    if (qEnvironmentVariableIsSet("PLONKO_WRITE_GOLDEN"))
        write(goldenPath, made);
    QCOMPARE(made, contents(goldenPath));
}

void ReportsTest::previewHoldsOneRowPerItemUnderHeadings()
{
    Reports reports;
    for (int i = 0; i < 300; ++i)
        reports.addForSale(QStringLiteral("Item %1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Bear"),
                           QString::number(i), Money::fromUnits(i * 100));
    reports.run(1);
    QCOMPARE(reports.preview.shows, 1);
    QCOMPARE(reports.preview.title, QStringLiteral("Plonkos For Sale"));
    const ReportEngine& document = *reports.preview.document;
    QVERIFY(document.documentEnded());
    QCOMPARE(document.pageHeader(), QStringLiteral("12/7/2026|Plonkos For Sale|Page %d"));
    QCOMPARE(reports.state.TableHeading,
             QStringLiteral("3600|3600|1400|>1400;Name|Description|Cat #|Price;"));
    QVERIFY(reports.state.HeadingOnNewPage);
    QVERIFY(document.pageCount() >= 5);
    QStringList names;
    for (int page = 1; page <= document.pageCount(); ++page) {
        const auto& rows = document.rowsOn(page);
        QVERIFY(rows.front().bold);
        QCOMPARE(rows.front().cells, QStringList({"Name", "Description", "Cat #", "Price"}));
        for (std::size_t i = 1; i < rows.size(); ++i)
            names.append(rows[i].cells.first());
    }
    // the two for-sale items of the collection, then the 300 in name order
    QCOMPARE(names.size(), 302);
    QCOMPARE(names.mid(0, 4), QStringList({"", "Abby", "Item 000", "Item 001"}));
    QCOMPARE(names.last(), QStringLiteral("Item 299"));
    const auto& first = document.rowsOn(1);
    QCOMPARE(first[1].cells, QStringList({"", "Unnamed owl", "", "$9.99"}));
    QCOMPARE(first[2].cells, QStringList({"Abby", "Brown bear", "10", "$5.00"}));
    QVERIFY(first[1].columns.last().right);
}

void ReportsTest::valuesNeverSplitTheirCells()
{
    Reports reports;
    reports.addHostileItems();
    reports.run(1);
    QList<QStringList> rows;
    for (const ReportEngine::PlacedRow& row : reports.preview.document->rowsOn(1))
        rows.append(row.cells);
    QVERIFY(rows.contains(
        QStringList({"Pipe | Bar; Co", "A <b>bold</b> & \"quoted\" bear", "12|3", "$1,234.50"})));
    QVERIFY(rows.contains(QStringList({"Tab\tName", "Line\r\nbreak", "", "$0.00"})));
    QVERIFY(rows.contains(QStringList({"Émile", "Ours brun", "99", "$1,234,567.89"})));
}

void ReportsTest::destinationMenuChecksOneItem_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<QString>("defaultName");
    QTest::newRow("view/print") << 1 << "";
    QTest::newRow("text file") << 2 << "ForSale.txt";
    QTest::newRow("web table") << 3 << "forsale.htm";
}

void ReportsTest::destinationMenuChecksOneItem()
{
    QFETCH(int, destination);
    QFETCH(QString, defaultName);
    Session session;
    auto menuItem = [&](int index) {
        return session.window->findChild<QAction*>(QStringLiteral("mnuRptOut(%1)").arg(index));
    };
    QCOMPARE(session.state.ReportDest, 1);
    QVERIFY(menuItem(1)->isChecked());
    // from another destination to this one
    menuItem(destination % 3 + 1)->trigger();
    menuItem(destination)->trigger();
    QCOMPARE(session.state.ReportDest, destination);
    for (int index = 1; index <= 3; ++index)
        QCOMPARE(menuItem(index)->isChecked(), index == destination);

    session.window->findChild<QAction*>(QStringLiteral("mnuRptForSale"))->trigger();
    auto* preview = session.window->findChild<frmOutput*>();
    if (destination == 1) {
        QVERIFY(session.dialogs.fileDialogs.isEmpty());
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->windowTitle(), QStringLiteral("Report Output"));
    } else {
        QCOMPARE(session.dialogs.fileDialogs, QStringList{defaultName});
        QVERIFY(!preview);
    }
}

void ReportsTest::cancelInSaveAsLeavesNoTrace_data()
{
    QTest::addColumn<int>("destination");
    QTest::newRow("text file") << 2;
    QTest::newRow("web table") << 3;
}

void ReportsTest::cancelInSaveAsLeavesNoTrace()
{
    QFETCH(int, destination);
    Reports reports;
    reports.run(destination);
    QCOMPARE(reports.dialogs.fileDialogs.size(), 1);
    QVERIFY(reports.dialogs.messages.isEmpty());
    QCOMPARE(reports.preview.shows, 0);
    QVERIFY(reportFiles(reports.collection.folder()).isEmpty());
    QVERIFY(!reports.dialogs.busyNow);
}

void ReportsTest::existingFileIsReplacedOnlyOnYes_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<bool>("replace");
    QTest::newRow("text, No") << 2 << false;
    QTest::newRow("text, Yes") << 2 << true;
    QTest::newRow("html, No") << 3 << false;
    QTest::newRow("html, Yes") << 3 << true;
}

void ReportsTest::existingFileIsReplacedOnlyOnYes()
{
    QFETCH(int, destination);
    QFETCH(bool, replace);
    Reports reports;
    const QString file = reports.path(QStringLiteral("old report.txt"));
    write(file, "what was there\r\n");
    reports.dialogs.answers.enqueue(replace ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    reports.run(destination, file);
    QCOMPARE(reports.dialogs.messages.size(), 1);
    const ScriptedDialogs::Message& question = reports.dialogs.messages.first();
    QCOMPARE(question.text,
             QStringLiteral("The file '%1' already exists.  Do you wish to replace it?").arg(file));
    QCOMPARE(question.title, QStringLiteral("File Exists"));
    QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(question.icon, Dialogs::Icon::None);
    QCOMPARE(reports.state.Cancelled, !replace);
    if (replace)
        QVERIFY(contents(file).contains("Abby"));
    else
        QCOMPARE(contents(file), QByteArray("what was there\r\n"));
    QCOMPARE(reportFiles(reports.collection.folder()), QStringList{QStringLiteral("old report.txt")});
}

void ReportsTest::emptyResultShowsItsMessage_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("preview") << 1 << QByteArray();
    QTest::newRow("text file") << 2 << QByteArray("");
    QTest::newRow("web table") << 3 << QByteArray(kHtmlOpening);
}

void ReportsTest::emptyResultShowsItsMessage()
{
    QFETCH(int, destination);
    QFETCH(QByteArray, file);
    Reports reports(false);
    const QString path = reports.path(QStringLiteral("empty"));
    reports.run(destination, destination == 1 ? QString() : path);
    QCOMPARE(reports.dialogs.messages.size(), 1);
    const ScriptedDialogs::Message& message = reports.dialogs.messages.first();
    QCOMPARE(message.text,
             QStringLiteral("You have not entered any Plonkos with the For Sale option checked."));
    QCOMPARE(message.title, QString());
    QCOMPARE(message.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(message.icon, Dialogs::Icon::None);
    QCOMPARE(reports.preview.shows, 0);
    QVERIFY(!reports.dialogs.busyNow);
    QCOMPARE(QFileInfo::exists(path), destination != 1);
    QCOMPARE(contents(path), file);
}

void ReportsTest::writeFailureKeepsTheOldFileAndTheProgram_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a missing folder") << "missing/forsale.htm";
}

void ReportsTest::writeFailureKeepsTheOldFileAndTheProgram()
{
    QFETCH(QString, target);
    Reports reports;
    QVERIFY(QDir(reports.collection.folder()).mkdir(QStringLiteral("folder")));
    const QString file = reports.path(target);
    reports.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    reports.run(3, file);
    QVERIFY(!reports.dialogs.ended);
    const ScriptedDialogs::Message& message = reports.dialogs.messages.last();
    QCOMPARE(message.title, QStringLiteral("Report Not Saved"));
    QVERIFY2(message.text.startsWith(QStringLiteral("The report could not be written to '%1'.  ").arg(file)),
             qPrintable(message.text));
    QVERIFY(QFileInfo(reports.path(QStringLiteral("folder"))).isDir());
    QVERIFY(reportFiles(reports.collection.folder()).isEmpty());
    QVERIFY(!reports.dialogs.busyNow);
    // the program goes on: the next report is written
    reports.run(2, reports.path(QStringLiteral("ForSale.txt")));
    QVERIFY(contents(reports.path(QStringLiteral("ForSale.txt"))).startsWith("\tUnnamed owl\t\t$9.99\r\n"));
}

void ReportsTest::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("room");
    QTest::newRow("full while the rows are written") << 400 << 8192;
    QTest::newRow("full at the last bytes") << 20 << 256;
}

void ReportsTest::fullDiskKeepsTheOldFile()
{
    QFETCH(int, items);
    QFETCH(int, room);
    Reports reports;
    for (int i = 0; i < items; ++i)
        reports.addForSale(QStringLiteral("Item %1").arg(i), QString(QLatin1Char('x')).repeated(60),
                           QString::number(i), Money::fromUnits(i));
    const QString file = reports.path(QStringLiteral("ForSale.txt"));
    write(file, "the list of last year\r\n");
    reports.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    // a file may not grow beyond room bytes: the disk is full for the report
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = rlim_t(room);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    reports.run(2, file);
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!reports.dialogs.ended);
    QVERIFY(!reports.dialogs.busyNow);
    const ScriptedDialogs::Message& message = reports.dialogs.messages.last();
    QCOMPARE(message.title, QStringLiteral("Report Not Saved"));
    QCOMPARE(
        message.text,
        QStringLiteral("The report could not be written to '%1'.  %2").arg(file, qt_error_string(EFBIG)));
    QCOMPARE(contents(file), QByteArray("the list of last year\r\n"));
    QCOMPARE(reportFiles(reports.collection.folder()), QStringList{QStringLiteral("ForSale.txt")});
}

void ReportsTest::reportsSupplyTheirOwnCellsAndTotals_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<QByteArray>("rows");
    QTest::newRow("text") << 2 << QByteArray("Ace\t$1.00\r\nbubbles\t$7.50\r\n\t$8.50\r\n");
    QTest::newRow("web table") << 3
                               << QByteArray("<tr><td align=center>Ace</td><td align=right>$1.00</td>\r\n"
                                             "<tr><td align=center>bubbles</td><td align=right>$7.50</td>\r\n"
                                             "<tr><td align=right colspan=2>$8.50</td></tr>\r\n</table>\r\n");
    QTest::newRow("preview") << 1 << QByteArray();
}

// The scheme a report fills in: cells of its own in the web table, rows
// left open there, and a totals row under a format of fewer, wider columns.
void ReportsTest::reportsSupplyTheirOwnCellsAndTotals()
{
    QFETCH(int, destination);
    QFETCH(QByteArray, rows);
    Reports reports;
    Money total;
    ReportDefinition report;
    report.query = QStringLiteral("Select name, PricePaid from Plonko where wantlist order by name, descr");
    report.format = QStringLiteral("3600|>1400;");
    report.headingRow = QStringLiteral("Name|Will Pay;");
    report.title = QStringLiteral("Wanted");
    report.textFileName = QStringLiteral("Wanted.txt");
    report.htmlFileName = QStringLiteral("wanted.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Wanted</title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=2>Wanted</th></tr>");
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Name</th>"), QStringLiteral("<th>Will Pay</th></tr>")};
    report.row = [&](const Recordset& record) {
        const Money paid = *moneyOf(record.Fields(QStringLiteral("PricePaid")));
        total += paid;
        ReportRow row;
        row.cells = {textOf(record.Fields(QStringLiteral("Name"))),
                     reports.state.regional.formatCurrency(paid)};
        row.html = {{QStringLiteral(" align=center"), row.cells[0]},
                    {QStringLiteral(" align=right"), row.cells[1]}};
        row.closeHtmlRow = false;
        return row;
    };
    report.totals = [&] {
        ReportRow row;
        row.format = QStringLiteral("2000|>3000;");
        row.cells = {QString(), reports.state.regional.formatCurrency(total)};
        row.html = {{QStringLiteral(" align=right colspan=2"), row.cells[1]}};
        return QList<ReportRow>{row};
    };
    const QString file = reports.path(QStringLiteral("wanted"));
    reports.state.ReportDest = destination;
    reports.dialogs.fileNames.enqueue(file);
    runEvent(reports.state, [&] { runReport(reports.state, reports.preview, report); });
    QVERIFY(reports.dialogs.messages.isEmpty());
    if (destination == 1) {
        const ReportEngine::PlacedRow& last = reports.preview.document->rowsOn(1).back();
        QCOMPARE(last.cells, QStringList({"", "$8.50"}));
        QCOMPARE(last.columns.size(), 2);
        QCOMPARE(last.columns[1].twips, 3000);
        QVERIFY(last.columns[1].right);
        return;
    }
    const QByteArray made = contents(file);
    QVERIFY2(made.endsWith(rows) || (destination == 3 && made.contains(rows)), made.constData());
}

void ReportsTest::amountBeyondMoneyIsShownAsStored()
{
    Reports reports;
    reports.state.CollectionDb.reset();
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(reports.collection.path().toUtf8().constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw, "UPDATE Plonko SET PriceAsk = 1e300 WHERE descr = 'Brown bear'", nullptr,
                          nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(raw);
    reports.state.CollectionDb = Database::OpenDatabase(reports.collection.path(), kEnglish);
    reports.run(2, reports.path(QStringLiteral("ForSale.txt")));
    const QString expected = reports.state.regional.formatCurrency(1e300);
    QVERIFY(expected.startsWith(QLatin1String("$1,000,000")));
    QVERIFY(contents(reports.path(QStringLiteral("ForSale.txt")))
                .contains(QStringLiteral("Abby\tBrown bear\t10\t%1\r\n").arg(expected).toUtf8()));
}

namespace {

// The preview window over a document of the for-sale report with many pages.
struct OutputWindow
{
    OutputWindow()
    {
        for (int i = 0; i < 200; ++i)
            reports.addForSale(QStringLiteral("Item %1").arg(i), QStringLiteral("Bear"), QString::number(i),
                               Money::fromUnits(i * 100));
        reports.run(1);
        pages = reports.preview.document->pageCount();
        window = std::make_unique<frmOutput>(reports.state, nullptr);
        window->showDocument(std::move(reports.preview.document), reports.preview.title);
        window->show();
    }
    Reports reports;
    std::unique_ptr<frmOutput> window;
    int pages = 0;
};

} // namespace

void ReportsTest::outputWindowPagesAndZooms()
{
    OutputWindow output;
    frmOutput& window = *output.window;
    QVERIFY(output.pages >= 3);
    QCOMPARE(window.scrlPage->minimum(), 1);
    QCOMPARE(window.scrlPage->maximum(), output.pages);
    QCOMPARE(window.scrlPage->value(), 1);
    QCOMPARE(window.scrlZoom->minimum(), 10);
    QCOMPARE(window.scrlZoom->maximum(), 250);
    QCOMPARE(window.scrlZoom->value(), 60);
    QCOMPARE(window.scrlZoom->singleStep(), 10);
    QCOMPARE(window.scrlZoom->pageStep(), 50);
    QCOMPARE(window.vsPrinter->twipsSize(), QSizeF(12240 * 0.6, 15840 * 0.6));
    const qreal pixels = window.vsPrinter->logicalDpiX() / 1440.0;
    for (int zoom : {100, 250, 10}) {
        window.scrlZoom->setValue(zoom);
        QCOMPARE(window.vsPrinter->twipsSize(), QSizeF(12240.0 * zoom / 100, 15840.0 * zoom / 100));
        QCOMPARE(window.vsPrinter->width(), qCeil(12240.0 * zoom / 100 * pixels));
    }
    window.scrlPage->setValue(3);
    QCOMPARE(window.vsPrinter->page(), 3);
    QTest::mouseClick(window.cmdOk, Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

void ReportsTest::previewPlacesByKey_data()
{
    QTest::addColumn<PreviewPlace>("from");
    QTest::addColumn<PreviewPlace>("down");
    QTest::addColumn<PreviewPlace>("up");
    // page, pages, scroll, scrollMax; a screen is 300
    QTest::newRow("whole page") << PreviewPlace{2, 3, 0, 0} << PreviewPlace{3, 3, 0, 0}
                                << PreviewPlace{1, 3, 0, 0};
    QTest::newRow("top of a tall page")
        << PreviewPlace{2, 3, 0, 500} << PreviewPlace{2, 3, 300, 500} << PreviewPlace{1, 3, 500, 500};
    QTest::newRow("inside a tall page")
        << PreviewPlace{2, 3, 400, 500} << PreviewPlace{2, 3, 500, 500} << PreviewPlace{2, 3, 100, 500};
    QTest::newRow("foot of a tall page")
        << PreviewPlace{2, 3, 500, 500} << PreviewPlace{3, 3, 0, 500} << PreviewPlace{2, 3, 200, 500};
    QTest::newRow("first page's top")
        << PreviewPlace{1, 3, 0, 500} << PreviewPlace{1, 3, 300, 500} << PreviewPlace{1, 3, 0, 500};
    QTest::newRow("last page's foot")
        << PreviewPlace{3, 3, 500, 500} << PreviewPlace{3, 3, 500, 500} << PreviewPlace{3, 3, 200, 500};
    QTest::newRow("a single page") << PreviewPlace{1, 1, 0, 0} << PreviewPlace{1, 1, 0, 0}
                                   << PreviewPlace{1, 1, 0, 0};
}

void ReportsTest::previewPlacesByKey()
{
    QFETCH(PreviewPlace, from);
    QFETCH(PreviewPlace, down);
    QFETCH(PreviewPlace, up);
    QVERIFY(pageDown(from, 300) == down);
    QVERIFY(pageUp(from, 300) == up);
}

// The preview pages and zooms from the keyboard, whichever control has the
// focus; its scroll bars take the focus, are named, and follow.
void ReportsTest::outputWindowByKeyboard()
{
    OutputWindow output;
    frmOutput& window = *output.window;
    window.resize(500, 400); // the page does not show whole
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QScrollBar* view = window.vsViewPort1->verticalScrollBar();
    QVERIFY(view->maximum() > 0);
    QCOMPARE(window.focusWidget(), window.vsViewPort1);
    // down the page a screen at a time, then on to the next page's top
    int screens = 0;
    while (window.scrlPage->value() == 1 && screens++ < 20)
        QTest::keyClick(&window, Qt::Key_PageDown);
    QCOMPARE(screens, (view->maximum() + view->pageStep() - 1) / view->pageStep() + 1);
    QCOMPARE(window.scrlPage->value(), 2);
    QCOMPARE(view->value(), 0);
    QTest::keyClick(&window, Qt::Key_PageUp);
    QCOMPARE(window.scrlPage->value(), 1);
    QCOMPARE(view->value(), view->maximum());

    window.cmdPrint->setFocus();
    const QList<std::pair<QKeyCombination, int>> pages = {{Qt::CTRL | Qt::Key_End, output.pages},
                                                          {Qt::CTRL | Qt::Key_PageUp, output.pages - 1},
                                                          {Qt::CTRL | Qt::Key_Home, 1},
                                                          {Qt::CTRL | Qt::Key_PageDown, 2}};
    for (const auto& [key, page] : pages) {
        QTest::keyClick(&window, key.key(), key.keyboardModifiers());
        QCOMPARE(window.scrlPage->value(), page);
        QCOMPARE(window.vsPrinter->page(), page);
    }
    const QList<std::pair<QKeyCombination, int>> zooms = {{Qt::CTRL | Qt::Key_Plus, 70},
                                                          {Qt::CTRL | Qt::Key_Equal, 80},
                                                          {Qt::CTRL | Qt::Key_Minus, 70},
                                                          {Qt::CTRL | Qt::Key_0, 100}};
    for (const auto& [key, zoom] : zooms) {
        QTest::keyClick(&window, key.key(), key.keyboardModifiers());
        QCOMPARE(window.scrlZoom->value(), zoom);
        QCOMPARE(window.vsPrinter->zoom(), zoom);
    }
    QCOMPARE(zoomedIn(250), 250);
    QCOMPARE(zoomedIn(245), 250);
    QCOMPARE(zoomedOut(10), 10);
    QCOMPARE(zoomedOut(15), 10);

    // the scroll bars are named, reached by their labels' keys, and used by the arrows
    for (QScrollBar* bar : {window.scrlPage, window.scrlZoom}) {
        QCOMPARE(bar->focusPolicy(), Qt::StrongFocus);
        const QList<QLabel*> labels = window.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
            return l->buddy() == bar && l->text().remove(QLatin1Char('&')) == bar->accessibleName();
        }));
    }
    QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
    QCOMPARE(window.focusWidget(), window.scrlPage);
    QTest::keyClick(window.scrlPage, Qt::Key_Down);
    QCOMPARE(window.scrlPage->value(), 3);
    QTest::keyClick(&window, Qt::Key_Z, Qt::AltModifier);
    QCOMPARE(window.focusWidget(), window.scrlZoom);
    QCOMPARE(window.scrlPage->accessibleName(), QStringLiteral("Page"));
    QCOMPARE(window.scrlZoom->accessibleName(), QStringLiteral("Zoom"));
}

void ReportsTest::windowsOpenOverTheirOwner_data()
{
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("place");
    const QRect screen(0, 0, 1280, 1024);
    QTest::newRow("centred") << QRect(100, 100, 600, 400) << QSize(200, 100) << QPoint(300, 250);
    QTest::newRow("past the right edge") << QRect(1000, 100, 280, 400) << QSize(400, 100) << QPoint(880, 250);
    QTest::newRow("above the top") << QRect(100, 0, 600, 100) << QSize(200, 300) << QPoint(300, 0);
    QTest::newRow("past the foot") << QRect(0, 900, 600, 124) << QSize(200, 300) << QPoint(200, 724);
    QTest::newRow("larger than the screen") << QRect(100, 100, 600, 400) << QSize(1400, 1100) << QPoint(0, 0);
}

void ReportsTest::windowsOpenOverTheirOwner()
{
    QFETCH(QRect, owner);
    QFETCH(QSize, size);
    QFETCH(QPoint, place);
    QCOMPARE(centredOver(owner, size, QRect(0, 0, 1280, 1024)), place);
}

void ReportsTest::previewOpensOverTheItemWindow()
{
    Reports reports;
    reports.addForSale(QStringLiteral("Abby"), QStringLiteral("Bear"), QStringLiteral("1"),
                       Money::fromUnits(100));
    reports.run(1);
    QWidget owner;
    owner.setGeometry(40, 60, 500, 400);
    owner.show();
    frmOutput window(reports.state, &owner);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.showDocument(std::move(reports.preview.document), reports.preview.title);
    window.scrlZoom->setValue(20);
    window.placeForPage();
    window.show();
    const QPoint offset = window.frameGeometry().center() - owner.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 30,
             qPrintable(QStringLiteral("%1, %2").arg(offset.x()).arg(offset.y())));
    QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
}

void ReportsTest::pdfHoldsTheDocumentsPages()
{
    OutputWindow output;
    const QString file = output.reports.path(QStringLiteral("for sale.pdf"));
    // cancelled: no file
    QTest::mouseClick(output.window->cmdPdf, Qt::LeftButton);
    QCOMPARE(output.reports.dialogs.fileDialogs, QStringList{QStringLiteral("Plonkos For Sale.pdf")});
    QVERIFY(reportFiles(output.reports.collection.folder()).isEmpty());
    output.reports.dialogs.fileNames.enqueue(file);
    QTest::mouseClick(output.window->cmdPdf, Qt::LeftButton);
    QVERIFY(contents(file).startsWith("%PDF-"));
    QCOMPARE(pdfPages(file), output.pages);
    // an existing file is kept on No
    const QByteArray first = contents(file);
    output.reports.dialogs.fileNames.enqueue(file);
    output.reports.dialogs.answers.enqueue(Dialogs::Answer::No);
    QTest::mouseClick(output.window->cmdPdf, Qt::LeftButton);
    QCOMPARE(output.reports.dialogs.messages.last().title, QStringLiteral("File Exists"));
    QCOMPARE(contents(file), first);
    // a folder chosen as the file: told so, and the program goes on
    QVERIFY(QDir(output.reports.collection.folder()).mkdir(QStringLiteral("folder.pdf")));
    output.reports.dialogs.fileNames.enqueue(output.reports.path(QStringLiteral("folder.pdf")));
    QTest::mouseClick(output.window->cmdPdf, Qt::LeftButton);
    QCOMPARE(output.reports.dialogs.messages.last().title, QStringLiteral("Report Not Saved"));
    QVERIFY(!output.reports.dialogs.ended);
    QVERIFY(QFileInfo(output.reports.path(QStringLiteral("folder.pdf"))).isDir());
}

void ReportsTest::printingGoesThroughThePrintDialog()
{
    OutputWindow output;
    ScriptedDialogs& dialogs = output.reports.dialogs;
    QTest::mouseClick(output.window->cmdPrint, Qt::LeftButton);
    QCOMPARE(dialogs.printDialogs, 1);
    const QString file = output.reports.path(QStringLiteral("printed.pdf"));
    dialogs.printAnswer = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    };
    QTest::mouseClick(output.window->cmdPrint, Qt::LeftButton);
    QCOMPARE(dialogs.printDialogs, 2);
    QCOMPARE(pdfPages(file), output.pages);
    QVERIFY(dialogs.messages.isEmpty());
    // stopped at its second page, the job is not sent and nothing is said
    QVERIFY(QFile::remove(file));
    output.reports.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    dialogs.cancelProgressAt = 2;
    QTest::mouseClick(output.window->cmdPrint, Qt::LeftButton);
    QCOMPARE(dialogs.progressTexts.first(), QStringLiteral("Printing: page 1 of %1").arg(output.pages));
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(dialogs.messages.isEmpty());
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
