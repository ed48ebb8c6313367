#include "reports/ReportEngine.h"
#include "reports/TableString.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using TableString::Column;

class ReportEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void formatSections_data();
    void formatSections();
    void rows_data();
    void rows();
    void pageHeaderNumbersEachPage();
    void headingsStandAtTheTopOfEveryPage();
    void aRowThatDoesNotFitMovesWholeToTheNextPage();
    void aRowTallerThanAPageRunsOverPages();
    void aBoldTableStaysBoldAcrossABreak();
    void aCellWrapsInsideItsColumn();
    void cellsBeyondTheFormatGetAColumnOfTheirOwn();
    void everyDocumentHasAPage();
    void landscapeTurnsThePage();
    void paintsOnlyTheChosenPage();
};

void ReportEngineTest::formatSections_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<bool>>("right");
    QTest::newRow("for sale") << "3600|3600|1400|>1400;" << QList<int>{3600, 3600, 1400, 1400}
                              << QList<bool>{false, false, false, true};
    QTest::newRow("marks") << "<720|>1440|100" << QList<int>{720, 1440, 100}
                           << QList<bool>{false, true, false};
    QTest::newRow("blanks") << " 2880 | >1440 ;" << QList<int>{2880, 1440} << QList<bool>{false, true};
    QTest::newRow("totals, fewer columns")
        << "8600|>1400;" << QList<int>{8600, 1400} << QList<bool>{false, true};
    QTest::newRow("centimetres, rounded")
        << "1123.2|>842.4|561.6;" << QList<int>{1123, 842, 562} << QList<bool>{false, true, false};
    QTest::newRow("empty") << ";" << QList<int>{} << QList<bool>{};
    QTest::newRow("no number") << "x|>;" << QList<int>{0, 0} << QList<bool>{false, true};
    QTest::newRow("beyond any page") << "1e300|>99999999999|-1e300;" << QList<int>{1000000, 1000000, 0}
                                     << QList<bool>{false, true, false};
    QTest::newRow("not a number, infinite")
        << "nan|inf;" << QList<int>{0, 1000000} << QList<bool>{false, false};
}

void ReportEngineTest::formatSections()
{
    QFETCH(QString, section);
    QFETCH(QList<int>, widths);
    QFETCH(QList<bool>, right);
    const QList<Column> columns = TableString::parseFormat(section);
    QList<int> gotWidths;
    QList<bool> gotRight;
    for (const Column& column : columns) {
        gotWidths.append(column.twips);
        gotRight.append(column.right);
    }
    QCOMPARE(gotWidths, widths);
    QCOMPARE(gotRight, right);
}

void ReportEngineTest::rows_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("heading") << "3600|3600|1400|>1400;Name|Description|Cat #|Price;" << 4
                             << QList<QStringList>{{"Name", "Description", "Cat #", "Price"}};
    QTest::newRow("empty cells") << "3600|3600|1400|>1400;|||12.50;" << 4
                                 << QList<QStringList>{{"", "", "", "12.50"}};
    QTest::newRow("two rows") << "100|100;a|b;c|d;" << 2 << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("last row unended") << "100;a|b" << 1 << QList<QStringList>{{"a", "b"}};
    QTest::newRow("no rows") << "100|>200;" << 2 << QList<QStringList>{};
    QTest::newRow("a lone empty cell") << "100;;" << 1 << QList<QStringList>{{""}};
}

void ReportEngineTest::rows()
{
    QFETCH(QString, table);
    QFETCH(int, columns);
    QFETCH(QList<QStringList>, rows);
    const TableString::Table parsed = TableString::parse(table);
    QCOMPARE(parsed.columns.size(), columns);
    QCOMPARE(parsed.rows, rows);
}

void ReportEngineTest::pageHeaderNumbersEachPage()
{
    const QString header = QStringLiteral("12/7/2026|Plonkos For Sale|Page %d");
    for (int page : {1, 2, 17}) {
        const TableString::Header parts = TableString::header(header, page);
        QCOMPARE(parts.left, QStringLiteral("12/7/2026"));
        QCOMPARE(parts.centre, QStringLiteral("Plonkos For Sale"));
        QCOMPARE(parts.right, QStringLiteral("Page %1").arg(page));
    }
    const TableString::Header footer = TableString::header(QStringLiteral("|%d of it"), 4);
    QCOMPARE(footer.left, QString());
    QCOMPARE(footer.centre, QStringLiteral("4 of it"));
    QCOMPARE(footer.right, QString());
    // a title the collector typed stands as typed, between the date and the page
    const QString title = QStringLiteral("50% | 100%d |");
    const TableString::Header typed = TableString::header(
        QLatin1Char('|') + TableString::headerLiteral(title) + QStringLiteral("|Page %d"), 3);
    QCOMPARE(typed.left, QString());
    QCOMPARE(typed.centre, title);
    QCOMPARE(typed.right, QStringLiteral("Page 3"));
}

namespace {

const QString kFormat = QStringLiteral("3600|3600|1400|>1400;");
const QString kHeading = QStringLiteral("Name|Description|Cat #|Price;");

// A document whose new-page handler puts the heading table at the top of
// every page, as the preview does.
struct Document
{
    Document()
    {
        engine.setNewPageHandler([this] {
            ++newPages;
            engine.setBold(true);
            engine.addTable(kFormat + kHeading);
            engine.setBold(false);
        });
        engine.startDocument();
    }
    void addRows(int count, const QString& descr = QStringLiteral("Brown bear"))
    {
        for (int i = 0; i < count; ++i)
            engine.addTable(kFormat + QStringLiteral("Item %1|%2|%1|1.00;").arg(i).arg(descr));
    }
    int rowCount() const
    {
        int rows = 0;
        for (int page = 1; page <= engine.pageCount(); ++page)
            rows += int(engine.rowsOn(page).size());
        return rows;
    }

    ReportEngine engine{QPageSize(QPageSize::Letter)};
    int newPages = 0;
};

} // namespace

void ReportEngineTest::headingsStandAtTheTopOfEveryPage()
{
    Document document;
    document.addRows(300);
    document.engine.endDocument();
    const ReportEngine& engine = document.engine;
    QVERIFY(engine.pageCount() > 3);
    QCOMPARE(document.newPages, engine.pageCount());
    QCOMPARE(document.rowCount(), 300 + engine.pageCount());
    const int top = engine.bodyTop();
    for (int page = 1; page <= engine.pageCount(); ++page) {
        const auto& rows = engine.rowsOn(page);
        QVERIFY(rows.size() >= 2);
        QVERIFY(rows.front().bold);
        QCOMPARE(rows.front().cells, QStringList({"Name", "Description", "Cat #", "Price"}));
        QCOMPARE(rows.front().top, top);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            QVERIFY(!rows[i].bold);
            QCOMPARE(rows[i].top, rows[i - 1].top + rows[i - 1].height);
        }
    }
}

void ReportEngineTest::aRowThatDoesNotFitMovesWholeToTheNextPage()
{
    Document document;
    // rows of different heights, so that page ends fall anywhere
    for (int i = 0; i < 120; ++i)
        document.addRows(1, QString(QStringLiteral("word ")).repeated(i % 7 * 6));
    const ReportEngine& engine = document.engine;
    QVERIFY(engine.pageCount() > 2);
    QCOMPARE(document.rowCount(), 120 + engine.pageCount());
    int lowest = 0;
    for (int page = 1; page <= engine.pageCount(); ++page)
        for (const ReportEngine::PlacedRow& row : engine.rowsOn(page))
            lowest = qMax(lowest, row.top + row.height);
    QVERIFY(lowest <= engine.bodyBottom());
    // a page ends early only because its next row would not have fitted
    for (int page = 1; page < engine.pageCount(); ++page) {
        const ReportEngine::PlacedRow& last = engine.rowsOn(page).back();
        const ReportEngine::PlacedRow& next = engine.rowsOn(page + 1)[1];
        QVERIFY(last.top + last.height + next.height > engine.bodyBottom());
    }
}

void ReportEngineTest::aRowTallerThanAPageRunsOverPages()
{
    Document document;
    document.addRows(10);
    QStringList notes;
    for (int i = 1; i <= 150; ++i)
        notes.append(QStringLiteral("note %1").arg(i));
    document.engine.addRow(
        TableString::parseFormat(kFormat),
        {QStringLiteral("Abby"), notes.join(QLatin1Char('\n')), QStringLiteral("10"), QString()});
    document.addRows(1);
    const ReportEngine& engine = document.engine;
    QVERIFY(engine.pageCount() >= 3);
    QStringList shown;
    for (int page = 1; page <= engine.pageCount(); ++page) {
        QVERIFY(engine.rowsOn(page).front().bold);
        for (const ReportEngine::PlacedRow& row : engine.rowsOn(page)) {
            QVERIFY(row.top + row.height <= engine.bodyBottom());
            if (row.cells.first() == QLatin1String("Abby"))
                shown += row.wrapped[1].mid(row.firstLine, row.lineCount);
        }
    }
    // every line once, in order, and the row after it below its last part
    QCOMPARE(shown, notes);
    QCOMPARE(engine.rowsOn(engine.pageCount()).back().cells.first(), QStringLiteral("Item 0"));
}

void ReportEngineTest::aBoldTableStaysBoldAcrossABreak()
{
    Document document;
    document.addRows(30);
    document.engine.setBold(true);
    QString totals = kFormat;
    for (int i = 0; i < 40; ++i)
        totals += QStringLiteral("Total %1|||9.99;").arg(i);
    document.engine.addTable(totals);
    document.engine.setBold(false);
    document.addRows(1);
    const ReportEngine& engine = document.engine;
    QCOMPARE(engine.pageCount(), 2);
    int bold = 0;
    for (int page = 1; page <= engine.pageCount(); ++page)
        for (const ReportEngine::PlacedRow& row : engine.rowsOn(page))
            if (row.cells.first().startsWith(QLatin1String("Total"))) {
                QVERIFY(row.bold);
                ++bold;
            }
    QCOMPARE(bold, 40);
    QVERIFY(!engine.rowsOn(2).back().bold);
}

void ReportEngineTest::aCellWrapsInsideItsColumn()
{
    Document document;
    const QString words = QString(QStringLiteral("Brown bear ")).repeated(12).trimmed();
    document.engine.addRow(TableString::parseFormat(kFormat),
                           {QStringLiteral("Abby"), words, QString(), QString()});
    const ReportEngine::PlacedRow& row = document.engine.rowsOn(1).back();
    QCOMPARE(row.wrapped.size(), 4);
    QVERIFY(row.wrapped[1].size() > 2);
    QCOMPARE(row.wrapped[1].join(QLatin1Char(' ')), words);
    QCOMPARE(row.wrapped[0], QStringList{QStringLiteral("Abby")});
    const ReportEngine::PlacedRow& heading = document.engine.rowsOn(1).front();
    QVERIFY(row.height > 2 * heading.height);
}

void ReportEngineTest::cellsBeyondTheFormatGetAColumnOfTheirOwn()
{
    Document document;
    document.engine.addTable(QStringLiteral("2880|2880|1440|1440;a|b|c|d|Mint;"));
    const ReportEngine::PlacedRow& row = document.engine.rowsOn(1).back();
    QCOMPARE(row.columns.size(), 5);
    QCOMPARE(row.columns[4].twips, 1440);
    QVERIFY(!row.columns[4].right);
    QCOMPARE(row.cells.last(), QStringLiteral("Mint"));
}

void ReportEngineTest::everyDocumentHasAPage()
{
    ReportEngine never;
    QCOMPARE(never.pageCount(), 1);
    Document empty;
    empty.engine.endDocument();
    QCOMPARE(empty.engine.pageCount(), 1);
    QCOMPARE(empty.newPages, 1);
    // a new document discards the old one and begins again at page 1
    Document document;
    document.addRows(200);
    QVERIFY(document.engine.pageCount() > 1);
    document.engine.startDocument();
    QCOMPARE(document.engine.pageCount(), 1);
    QCOMPARE(document.engine.rowsOn(1).size(), std::size_t(1));
}

void ReportEngineTest::landscapeTurnsThePage()
{
    ReportEngine engine{QPageSize(QPageSize::Letter)};
    engine.setOrientation(ReportEngine::Orientation::Landscape);
    engine.startDocument();
    QCOMPARE(engine.pageWidth(), 15840);
    QCOMPARE(engine.pageHeight(), 12240);
    engine.setOrientation(ReportEngine::Orientation::Portrait);
    engine.startDocument();
    QCOMPARE(engine.pageWidth(), 12240);
    QCOMPARE(engine.pageHeight(), 15840);
    ReportEngine a4{QPageSize(QPageSize::A4)};
    QCOMPARE(a4.pageWidth(), 11906);
    QCOMPARE(a4.pageHeight(), 16838);
}

void ReportEngineTest::paintsOnlyTheChosenPage()
{
    Document document;
    document.addRows(100);
    document.engine.setPageHeader(QStringLiteral("left|centre|Page %d"));
    auto render = [&](int page) {
        QImage image(612, 792, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(612.0 / document.engine.pageWidth(), 792.0 / document.engine.pageHeight());
        document.engine.paintPage(painter, page);
        return image;
    };
    const QImage first = render(1);
    const QImage second = render(2);
    QVERIFY(first != second);
    QCOMPARE(render(1), first);
    // past the last page nothing but the header is drawn
    QImage blank(612, 792, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(render(99) != blank);
    QVERIFY(render(99) != second);
}

QTEST_MAIN(ReportEngineTest)
#include "tst_reportengine.moc"
