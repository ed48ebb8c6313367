// The statistics window through its seams: the list of charts and Ctrl+1 to
// Ctrl+6, the chart saved in each format with its title and numbers, and the
// figures read again when the window is activated after a change.
#include "ReportSession.h"

#include "statistics/StatisticsCharts.h"
#include "statistics/frmStatistics.h"

#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLabel>
#include <QListWidget>

namespace {

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
    void aLossIsInTheLocalesNegativeForm();
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

// A loss on what is held and on the sales, in two currencies' formats.
void TestStatisticsWindow::aLossIsInTheLocalesNegativeForm()
{
    Statistics::Figures figures;
    figures.heldPaid = Money::fromUnits(1234567);
    figures.heldValue = Money::fromUnits(2345);
    figures.soldCost = Money::fromUnits(10000);
    for (const auto& [locale, loss, onSales] : {std::tuple{kEnglish, "($123.22)", "($1.00)"},
                                                std::tuple{kGerman, "-123,22\u00A0€", "-1,00\u00A0€"}}) {
        const auto lines = StatisticsCharts::figureLines(figures, RegionalSettings(locale));
        QCOMPARE(lines[4], std::pair(QStringLiteral("Loss"), QString::fromUtf8(loss)));
        QCOMPARE(lines[8], std::pair(QStringLiteral("Loss on sales"), QString::fromUtf8(onSales)));
    }
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
