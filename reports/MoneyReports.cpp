#include "MoneyTotal.h"
#include "ReportFile.h"
#include "ReportRun.h"
#include "StandardReports.h"
#include "app/AppState.h"
#include "store/Recordset.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// What differs between the sales and the collection value reports.
struct MoneyReport
{
    QString query;
    QString format;
    QString headingRow;
    QString title;
    QString textFileName;
    QString htmlFileName;
    QString htmlTitleLine;
    QString htmlCaptionLine;
    QString secondHtmlHeading;
    QString secondTotalHeading;
    QString secondField;
    QString totalsFormat;
    QString differenceFormat;
    QString differenceLabel;
    QString emptyMessage;
    // the text file's two closing lines hold plain numbers, not the currency format
    bool plainClosingAmounts = false;
};

// The running totals of a money report.
struct Totals
{
    qint64 quantity = 0;
    MoneyTotal paid;
    MoneyTotal second;
};

void runMoneyReport(AppState& state, ReportPreview& preview, const MoneyReport& money)
{
    ReportDefinition report;
    report.query = money.query;
    report.format = money.format;
    report.headingRow = money.headingRow;
    report.title = money.title;
    report.textFileName = money.textFileName;
    report.htmlFileName = money.htmlFileName;
    report.htmlTitleLine = money.htmlTitleLine;
    report.htmlCaptionLine = money.htmlCaptionLine;
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Name</th>"),
                               QStringLiteral("<th>Cat #</th>"),
                               QStringLiteral("<th>Quantity</th>"),
                               QStringLiteral("<th>Paid Each</th>"),
                               QStringLiteral("<th>Total Paid</th>"),
                               money.secondHtmlHeading,
                               money.secondTotalHeading};
    report.emptyMessage = money.emptyMessage;
    const RegionalSettings& regional = state.regional;
    auto totals = std::make_shared<Totals>();
    report.row = [&regional, &money, totals](const Recordset& rows) {
        const QString name = textOf(rows.Fields(u"Name"_s));
        // an empty quantity counts as no pieces, and its cell stays empty
        const Value stored = rows.Fields(u"quantity"_s);
        const qint64 quantity = reportQuantity(stored, name);
        const Money paidEach = reportAmount(rows.Fields(u"pricepaid"_s), name);
        const Money secondEach = reportAmount(rows.Fields(money.secondField), name);
        totals->quantity += quantity;
        const Money paid = totals->paid.addProduct(quantity, paidEach, name);
        const Money second = totals->second.addProduct(quantity, secondEach, name);
        ReportRow row;
        row.cells = {name,
                     textOf(rows.Fields(u"catnum"_s)),
                     textOf(stored),
                     regional.formatCurrency(paidEach),
                     regional.formatCurrency(paid),
                     regional.formatCurrency(secondEach),
                     regional.formatCurrency(second)};
        return row;
    };
    report.totals = [&regional, &money, totals] {
        const Money paid = totals->paid.value();
        const Money second = totals->second.value();
        MoneyTotal difference;
        difference.add(second, money.differenceLabel);
        difference.subtract(paid, money.differenceLabel);
        const QString quantity = QString::number(totals->quantity);
        auto closing = [&](Money amount) {
            return money.plainClosingAmounts ? ReportLines::plainAmount(regional.locale(), amount)
                                             : regional.formatCurrency(amount);
        };
        ReportRow sums;
        sums.format = money.totalsFormat;
        sums.cells = {QStringLiteral("Totals"), quantity, regional.formatCurrency(paid),
                      regional.formatCurrency(second)};
        sums.textCells = {QString(),     QString(), quantity,       QString(),
                          closing(paid), QString(), closing(second)};
        const QString across = QStringLiteral(" align=right colspan=2");
        sums.html = {
            {QString(), sums.cells[0]}, {across, quantity}, {across, sums.cells[2]}, {across, sums.cells[3]}};
        ReportRow rest;
        rest.format = money.differenceFormat;
        rest.cells = {money.differenceLabel, regional.formatCurrency(difference.value())};
        rest.textCells = {
            QString(), QString(), QString(), QString(), QString(), QString(), closing(difference.value())};
        rest.html = {{QString(), money.differenceLabel},
                     {QStringLiteral(" align=right colspan=6"), rest.cells[1]}};
        return QList<ReportRow>{sums, rest};
    };
    runReport(state, preview, report);
}

} // namespace

void ReportSales(AppState& state, ReportPreview& preview)
{
    MoneyReport report;
    report.query = QStringLiteral(
        "Select name, CatNum, Quantity, PricePaid, PriceAsk from Plonko where sold order by name");
    report.format = QStringLiteral("2160|1400|>1400|>1400|>1400|>1400|>1400;");
    report.headingRow = QStringLiteral("Name|Cat #|Quantity|Paid Each|Total Paid|Sale Each|Total Sales;");
    report.title = QStringLiteral("Plonko Sales Report");
    report.textFileName = QStringLiteral("Sales.txt");
    report.htmlFileName = QStringLiteral("sales.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Plonko Sales Report</title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=7>Plonko Sales Report</th></tr>");
    report.secondHtmlHeading = QStringLiteral("<th>Sale Price Each</th>");
    report.secondTotalHeading = QStringLiteral("<th>Total Sales</th></tr>");
    report.secondField = QStringLiteral("priceask");
    report.totalsFormat = QStringLiteral("3560|>1400|>2800|>2800;");
    report.differenceFormat = QStringLiteral("3560|>7000;");
    report.differenceLabel = QStringLiteral("Sale Price Minus Cost");
    report.emptyMessage = QStringLiteral("You have not entered any Plonkos as sold.");
    report.plainClosingAmounts = true;
    runMoneyReport(state, preview, report);
}

void ReportValue(AppState& state, ReportPreview& preview)
{
    MoneyReport report;
    report.query = QStringLiteral("Select Name, CatNum, Quantity, PricePaid, CatValue from Plonko where not "
                                  "wantlist and not sold order by name");
    report.format = QStringLiteral("2160|1400|>1400|>1440|>1400|>1400|>1400;");
    report.headingRow = QStringLiteral("Name|Cat #|Quantity|Paid Each|Total Paid|Value Each|Total Value;");
    report.title = QStringLiteral("Plonko Value Report");
    report.textFileName = QStringLiteral("Value.txt");
    report.htmlFileName = QStringLiteral("value.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Plonko Collection Value </title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=7>Plonko Collection Value</th></tr>");
    report.secondHtmlHeading = QStringLiteral("<th>Value Each</th>");
    report.secondTotalHeading = QStringLiteral("<th>Total Value</th></tr>");
    report.secondField = QStringLiteral("catvalue");
    report.totalsFormat = QStringLiteral("3560|>1400|>2840|>2800;");
    report.differenceFormat = QStringLiteral("3560|>7040;");
    report.differenceLabel = QStringLiteral("Value Minus Cost");
    report.emptyMessage = QStringLiteral("You have not entered any reportable Plonkos!");
    runMoneyReport(state, preview, report);
}
