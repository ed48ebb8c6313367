// The statistics window through its seams: the list of charts and Ctrl+1 to
// Ctrl+6, the chart saved in each format with its title and numbers, and the
// figures read again when the window is activated after a change.
#include "ReportSession.h"

#include "statistics/StatisticsCharts.h"
#include "statistics/frmStatistics.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QXmlStreamReader>

namespace {

// New brands (or sellers), each holding one item of its pieces worth a whole
// amount each; and an item of some pieces without one, worth one each.
void addHoldings(Database& db, bool sellers, const QStringList& names, const QList<int>& pieces,
                 const QList<int>& values, int withoutOne = 0)
{
    const QString key = sellers ? QStringLiteral("bouID") : QStringLiteral("braID");
    std::unique_ptr<Recordset> entries = db.OpenRecordset(sellers ? QStringLiteral("Select * from boughtfrom")
                                                                  : QStringLiteral("Select * from brand"),
                                                          Database::RecordsetType::Dynaset);
    std::unique_ptr<Recordset> items =
        db.OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    for (qsizetype i = 0; i <= names.size(); ++i) {
        Value entry;
        if (i < names.size()) {
            entries->AddNew();
            entry = entries->Fields(key);
            entries->SetField(sellers ? QStringLiteral("bouDesc") : QStringLiteral("braDesc"), names[i]);
            entries->Update();
        } else if (withoutOne == 0) {
            break;
        }
        items->AddNew();
        items->SetField(QStringLiteral("quantity"), qint32(pieces.value(i, withoutOne)));
        items->SetField(QStringLiteral("catvalue"), Money::fromUnits(values.value(i, 1) * Money::kScale));
        items->SetField(key, entry);
        items->Update();
    }
}

// The labels of a chart of groups from the top down, after checking that
// each bar has one.
QStringList groupLabels(QChart& chart)
{
    auto* series = qobject_cast<QHorizontalBarSeries*>(chart.series().value(0));
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart.axes(Qt::Vertical).value(0));
    if (!series || !axis)
        return {};
    QStringList labels = axis->categories();
    if (labels.size() != series->barSets().value(0)->count())
        return {
            QStringLiteral("%1 labels for %2 bars").arg(labels.size()).arg(series->barSets()[0]->count())};
    std::reverse(labels.begin(), labels.end());
    return labels;
}

// The text of every label drawn in a chart's scene, as shown.
QStringList shownTexts(QGraphicsScene& scene)
{
    QStringList texts;
    for (QGraphicsItem* item : scene.items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            texts.append(text->toPlainText());
    return texts;
}

QString pdfText(const QString& path)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!text.waitForFinished())
        return QStringLiteral("pdftotext from poppler-utils (scripts/setup tests installs it)");
    return QString::fromUtf8(text.readAllStandardOutput());
}

void activate(QWidget& window)
{
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activation);
}

void open(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    activate(window);
}

} // namespace

class TestStatisticsWindow : public QObject
{
    Q_OBJECT

private slots:
    void theKeysChooseEachChart();
    void aChartIsSavedInEachFormat();
    void figuresAreReadAgainAfterAChange();
    void aLossIsShownAsAnAmountBesideItsLabel_data();
    void aLossIsShownAsAnAmountBesideItsLabel();
    void undatedItemsAreNotedUnderTheirCharts_data();
    void undatedItemsAreNotedUnderTheirCharts();
    void everyBarHasItsOwnLabel_data();
    void everyBarHasItsOwnLabel();
    void namesShowAsTheyAreSpelt_data();
    void namesShowAsTheyAreSpelt();
};

void TestStatisticsWindow::theKeysChooseEachChart()
{
    Reports reports;
    frmStatistics window(reports.state, nullptr);
    open(window);
    QCOMPARE(window.lstCharts->count(), StatisticsCharts::kCharts);
    const QStringList names = StatisticsCharts::names();
    for (int i = StatisticsCharts::kCharts - 1; i >= 0; --i) {
        QTest::keyClick(&window, char('1' + i), Qt::ControlModifier);
        QCOMPARE(window.lstCharts->currentRow(), i);
        const QString title = window.chartView->chart()->title();
        QVERIFY2(title.contains(QStringLiteral("12/7/2026")), qPrintable(title));
        // each chart under its own name, "By Brand" as "Catalog Value by Brand"
        QVERIFY2(title.startsWith(names[i]) || title.contains(names[i].mid(3)), qPrintable(title));
    }
    QVERIFY(window.chartView->chart()->title().startsWith(QStringLiteral("Value over Time")));
    QVERIFY(reports.dialogs.messages.isEmpty());
}

// The PNG is the chart as the window draws it; the SVG holds its title, its
// axes' numbers in the collector's language and the date of its figures.
void TestStatisticsWindow::aChartIsSavedInEachFormat()
{
    Reports reports(true, kGerman);
    frmStatistics window(reports.state, nullptr);
    open(window);
    QTest::keyClick(&window, '4', Qt::ControlModifier);
    for (const char* kind : {"png", "svg", "pdf"}) {
        const QString file = reports.path(QStringLiteral("Chart.%1").arg(QLatin1String(kind)));
        reports.dialogs.fileNames.enqueue(file);
        window.cmdSave->click();
        QVERIFY2(QFileInfo(file).size() > 1000, kind);
    }
    QCOMPARE(reports.dialogs.fileDialogs.first(), QStringLiteral("By Brand.png"));
    const QImage png(reports.path(QStringLiteral("Chart.png")));
    QCOMPARE(png.convertToFormat(QImage::Format_RGB32),
             window.chartImage(png.size()).convertToFormat(QImage::Format_RGB32));
    const QString svg = QString::fromUtf8(contents(reports.path(QStringLiteral("Chart.svg"))));
    for (const char* text :
         {"Catalog Value by Brand", "Figures of 07.12.2026", "Catalog Value (€)", "Plonko Minis"})
        QVERIFY2(svg.contains(QString::fromUtf8(text)), text);
    QVERIFY(contents(reports.path(QStringLiteral("Chart.pdf"))).startsWith("%PDF"));
    QVERIFY(reports.dialogs.messages.isEmpty());
    // a file that cannot be written is told, not taken for saved
    reports.dialogs.fileNames.enqueue(reports.path(QStringLiteral("no folder/Chart.png")));
    window.cmdSave->click();
    QCOMPARE(reports.dialogs.messages.value(0).title, QStringLiteral("Chart Not Saved"));
}

void TestStatisticsWindow::figuresAreReadAgainAfterAChange()
{
    Reports reports;
    frmStatistics window(reports.state, nullptr);
    open(window);
    auto* held = window.findChild<QLabel*>(QStringLiteral("figure0"));
    const QString before = held->text();
    QChart* chart = window.chartView->chart();
    activate(window);
    QCOMPARE(window.chartView->chart(), chart); // nothing changed, nothing read
    reports.addForSale(QStringLiteral("New"), QString(), QString(), Value());
    activate(window);
    held = window.findChild<QLabel*>(QStringLiteral("figure0"));
    QCOMPARE(held->text(), QString::number(before.toInt() + 1));
    QVERIFY(window.chartView->chart() != chart);
}

void TestStatisticsWindow::aLossIsShownAsAnAmountBesideItsLabel_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qint64>("paid");  // and sold for
    QTest::addColumn<qint64>("value"); // and the cost of what was sold
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("sold");
    QTest::newRow("loss, en_US") << kEnglish << qint64(27937600) << qint64(0) << "Loss: $2,793.76"
                                 << "Profit on sales: $2,793.76";
    QTest::newRow("loss, de_DE") << kGerman << qint64(15008800) << qint64(0) << "Loss: 1.500,88\u00A0€"
                                 << "Profit on sales: 1.500,88\u00A0€";
    QTest::newRow("gain, en_US") << kEnglish << qint64(0) << qint64(1232200) << "Gain: $123.22"
                                 << "Loss on sales: $123.22";
    QTest::newRow("gain, de_DE") << kGerman << qint64(0) << qint64(1232200) << "Gain: 123,22\u00A0€"
                                 << "Loss on sales: 123,22\u00A0€";
}

// A loss is an amount beside "Loss", never a negative one.
void TestStatisticsWindow::aLossIsShownAsAnAmountBesideItsLabel()
{
    QFETCH(QLocale, locale);
    QFETCH(qint64, paid);
    QFETCH(qint64, value);
    Statistics::Figures figures;
    figures.heldPaid = figures.sales = Money::fromUnits(paid);
    figures.heldValue = figures.soldCost = Money::fromUnits(value);
    const auto lines = StatisticsCharts::figureLines(figures, RegionalSettings(locale));
    QTEST(QString(lines[4].first + QStringLiteral(": ") + lines[4].second), "held");
    QTEST(QString(lines[8].first + QStringLiteral(": ") + lines[8].second), "sold");
}

void TestStatisticsWindow::undatedItemsAreNotedUnderTheirCharts_data()
{
    using StatisticsCharts::Chart;
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("chart");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("inTheWindow");
    const QString held =
        QStringLiteral("%1 of the items held have no purchase date and are not counted here.");
    const QString sold =
        QStringLiteral("%1 of the items sold have no date of sale and are not counted here.");
    QTest::newRow("value over time") << kEnglish << int(Chart::ValueOverTime) << held.arg("1,200")
                                     << held.arg(5);
    QTest::newRow("spending and sales")
        << kEnglish << int(Chart::SpendingAndSales) << sold.arg("3,400") << sold.arg(1);
    QTest::newRow("profit") << kGerman << int(Chart::Profit) << sold.arg("3.400") << sold.arg(1);
    QTest::newRow("by brand") << kEnglish << int(Chart::ByBrand) << QString() << QString();
    QTest::newRow("by seller") << kEnglish << int(Chart::BySeller) << QString() << QString();
}

// Each chart that leaves items out for want of a date says how many under it.
void TestStatisticsWindow::undatedItemsAreNotedUnderTheirCharts()
{
    QFETCH(QLocale, locale);
    QFETCH(int, chart);
    QFETCH(QString, note);
    QFETCH(QString, inTheWindow);
    Statistics::Figures figures;
    figures.heldUndated = 1200;
    figures.soldUndated = 3400;
    QCOMPARE(StatisticsCharts::note(StatisticsCharts::Chart(chart), figures, RegionalSettings(locale)), note);
    figures = {};
    QCOMPARE(StatisticsCharts::note(StatisticsCharts::Chart(chart), figures, RegionalSettings(locale)),
             QString());

    // in the window: Cubby is sold without a date of sale, the five held have no purchase date
    Reports reports(true, locale);
    frmStatistics window(reports.state, nullptr);
    open(window);
    QTest::keyClick(&window, char('1' + chart), Qt::ControlModifier);
    QCOMPARE(window.lblNote->text(), inTheWindow);
}

void TestStatisticsWindow::everyBarHasItsOwnLabel_data()
{
    QTest::addColumn<bool>("bySeller");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("pieces");
    QTest::addColumn<QList<int>>("values"); // each piece's
    QTest::addColumn<int>("withoutOne");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("spelt the same, in other letter case, with blanks")
        << false << QStringList{"Ty", "Moon", "Ty", "TY", "ty "} << QList<int>{1, 2, 1, 1, 1}
        << QList<int>{1, 1, 1, 1, 1} << 0 << QStringList{"Ty (4 pcs)", "Moon (2 pcs)"};
    // the text order holds letters of other widths alike, and accented letters apart
    QTest::newRow("accents composed or not, letters of other widths")
        << false << QStringList{"Émile", "E\u0301mile", "Emile", "Ｔｙ", "Ty"} << QList<int>{1, 1, 1, 1, 1}
        << QList<int>{3, 3, 1, 1, 1} << 0 << QStringList{"Émile (2 pcs)", "Ｔｙ (2 pcs)", "Emile (1 pcs)"};
    QTest::newRow("a brand named as the items without one")
        << false << QStringList{"(No Brand)", "Ty", "Moon"} << QList<int>{2, 3, 1} << QList<int>{1, 1, 1} << 2
        << QStringList{"Ty (3 pcs)", "<i>(No Brand)</i> (2 pcs)", "(No Brand) (2 pcs)", "Moon (1 pcs)"};
    QTest::newRow("a seller named as the items without one")
        << true << QStringList{"Fair", "(No Seller)", "Shop"} << QList<int>{1, 4, 2} << QList<int>{3, 1, 1}
        << 4
        << QStringList{"<i>(No Seller)</i> (4 pcs)", "(No Seller) (4 pcs)", "Fair (1 pcs)", "Shop (2 pcs)"};
    // past the twelve largest, the rest as many pieces as the seller named so
    QStringList names{"Others", "Fair", "Market"};
    QList<int> pieces{3, 1, 2};
    QList<int> values{100, 1, 1};
    QStringList labels{"Others (3 pcs)"};
    for (int i = 1; i <= 11; ++i) {
        names.append(QStringLiteral("Shop %1").arg(i));
        pieces.append(1);
        values.append(50 - i);
        labels.append(QStringLiteral("Shop %1 (1 pcs)").arg(i));
    }
    QTest::newRow("a seller named Others")
        << true << names << pieces << values << 0 << labels + QStringList{"<i>Others</i> (3 pcs)"};
}

// Entries spelt alike are one bar; the program's own groups, in italics, are
// told apart from entries of their names: as many labels as bars, none shifted.
void TestStatisticsWindow::everyBarHasItsOwnLabel()
{
    QFETCH(bool, bySeller);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, pieces);
    QFETCH(QList<int>, values);
    QFETCH(int, withoutOne);
    Reports reports(false);
    addHoldings(reports.state.db(), bySeller, names, pieces, values, withoutOne);
    Statistics::Series series;
    std::unique_ptr<QChart> chart(StatisticsCharts::make(
        bySeller ? StatisticsCharts::Chart::BySeller : StatisticsCharts::Chart::ByBrand, reports.state.db(),
        series, reports.state.regional, QStringLiteral("12/7/2026")));
    QTEST(groupLabels(*chart), "labels");
}

void TestStatisticsWindow::namesShowAsTheyAreSpelt_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"Tom & <i>Jerry</i>", "Toys <R> Us", "A & B", "A <b", "A > B", "Say \"Hi\"",
                             "O'Neil", "Fish &amp; Chips"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

// In the window, on print and in a saved SVG or PDF (the PNG is the window's
// picture, as another test checks), a brand is drawn as it is spelt.
void TestStatisticsWindow::namesShowAsTheyAreSpelt()
{
    QFETCH(QString, name);
    const QString label = name + QStringLiteral(" (1 pcs)");
    Reports reports(false);
    addHoldings(reports.state.db(), false, {name, QStringLiteral("Ty")}, {1, 2}, {3, 1});
    frmStatistics window(reports.state, nullptr);
    open(window);
    window.resize(1400, 900); // room for the whole of each label
    QTest::keyClick(&window, '4', Qt::ControlModifier);
    QVERIFY2(shownTexts(*window.chartView->scene()).contains(label),
             qPrintable(shownTexts(*window.chartView->scene()).join(QLatin1Char('|'))));

    reports.dialogs.printAnswer = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(reports.path(QStringLiteral("printed.pdf")));
        return true;
    };
    window.cmdPrint->click();
    for (const char* file : {"Chart.pdf", "Chart.svg"}) {
        reports.dialogs.fileNames.enqueue(reports.path(QLatin1String(file)));
        window.cmdSave->click();
    }
    for (const char* file : {"printed.pdf", "Chart.pdf"})
        QVERIFY2(pdfText(reports.path(QLatin1String(file))).contains(label), file);
    const QString svg = reports.path(QStringLiteral("Chart.svg"));
    QXmlStreamReader drawing(contents(svg));
    QStringList texts;
    while (!drawing.atEnd())
        if (drawing.readNext() == QXmlStreamReader::StartElement && drawing.name() == QLatin1String("text"))
            texts.append(drawing.readElementText(QXmlStreamReader::IncludeChildElements));
    QVERIFY2(texts.contains(label), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY(reports.dialogs.messages.isEmpty());
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
