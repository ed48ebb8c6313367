#include "StandardReports.h"

#include "MoneyTotal.h"
#include "ReportRun.h"
#include "app/AppState.h"
#include "store/Recordset.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Fields are named as the table declares them, which finds them quickest.

QString field(const Recordset& rows, const QString& name)
{
    return textOf(rows.Fields(name));
}

// A money field in the currency format; an empty one is 0, and a number
// beyond what money holds is shown as it stands.
QString money(const AppState& state, const Recordset& rows, const QString& name)
{
    const Value value = rows.Fields(name);
    if (const double* number = std::get_if<double>(&value); number && !moneyOf(value))
        return state.regional.formatCurrency(*number);
    return state.regional.formatCurrency(moneyOf(value).value_or(Money()));
}

} // namespace

void ReportForSale(AppState& state, ReportPreview& preview)
{
    ReportDefinition report;
    report.query =
        QStringLiteral("Select descr, CatNum, PriceAsk, name from Plonko where forsale order by name, descr");
    report.format = QStringLiteral("3600|3600|1400|>1400;");
    report.headingRow = QStringLiteral("Name|Description|Cat #|Price;");
    report.title = QStringLiteral("Plonkos For Sale");
    report.textFileName = QStringLiteral("ForSale.txt");
    report.htmlFileName = QStringLiteral("forsale.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Plonkos For Sale</title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=4>Plonkos For Sale</th></tr>");
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Name</th>"), QStringLiteral("<th>Description</th>"),
                               QStringLiteral("<th>Cat #</th>"), QStringLiteral("<th>Price</th></tr>")};
    report.emptyMessage =
        QStringLiteral("You have not entered any Plonkos with the For Sale option checked.");
    report.row = [&state](const Recordset& rows) {
        ReportRow row;
        row.cells = {field(rows, u"Name"_s), field(rows, u"descr"_s), field(rows, u"catnum"_s),
                     money(state, rows, u"priceask"_s)};
        return row;
    };
    runReport(state, preview, report);
}

void ReportItemList(AppState& state, ReportPreview& preview)
{
    ReportDefinition report;
    report.query = QStringLiteral(
        "Select name, descr, CatNum, condesc, tagdesc from (Plonko left join condition on plonko.toycon = "
        "condition.conid) left join tagcon on plonko.tagcon = tagcon.tagid where not wantlist and not sold "
        "order by "
        "name, descr");
    report.format = QStringLiteral("2880|2880|1440|1440;");
    report.headingRow = QStringLiteral("Name|Description|Cat #|Plonko Condition|Tag Condition;");
    report.title = QStringLiteral("Plonko List");
    report.textFileName = QStringLiteral("Plonkos.txt");
    report.htmlFileName = QStringLiteral("plonkos.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Plonko List</title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=5>Plonko List</th></tr>");
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Name</th>"), QStringLiteral("<th>Description</th>"),
                               QStringLiteral("<th>Cat #</th>"), QStringLiteral("<th>Plonko Condition</th>"),
                               QStringLiteral("<th>Tag Condition</th></tr>")};
    report.emptyMessage = QStringLiteral("You have not entered any reportable Plonkos!");
    report.row = [](const Recordset& rows) {
        ReportRow row;
        row.cells = {field(rows, u"Name"_s), field(rows, u"descr"_s), field(rows, u"catnum"_s),
                     field(rows, u"condesc"_s), field(rows, u"tagdesc"_s)};
        return row;
    };
    runReport(state, preview, report);
}

void ReportWantList(AppState& state, ReportPreview& preview)
{
    ReportDefinition report;
    report.query = QStringLiteral(
        "Select descr, CatNum, PricePaid, name from Plonko where wantlist order by name, descr");
    report.format = QStringLiteral("3600|3600|1400|>1400;");
    report.headingRow = QStringLiteral("Name|Description|Cat #|Will Pay;");
    report.title = QStringLiteral("Plonko Want List");
    report.textFileName = QStringLiteral("WantList.txt");
    report.htmlFileName = QStringLiteral("wantlist.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Plonko Want List </title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=4>Plonko Want List</th></tr>");
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Name</th>"), QStringLiteral("<th>Description</th>"),
                               QStringLiteral("<th>Cat #</th>"), QStringLiteral("<th>Will Pay</th></tr>")};
    report.emptyMessage = QStringLiteral("You have not entered any want list Plonkos!");
    // each price once: the quantity of a wanted Plonko is not used
    auto total = std::make_shared<MoneyTotal>();
    report.row = [&state, total](const Recordset& rows) {
        const Money willPay = reportAmount(rows.Fields(u"pricepaid"_s), field(rows, u"Name"_s));
        total->add(willPay, field(rows, u"Name"_s));
        ReportRow row;
        row.cells = {field(rows, u"Name"_s), field(rows, u"descr"_s), field(rows, u"catnum"_s),
                     money(state, rows, u"pricepaid"_s)};
        return row;
    };
    report.totals = [&state, total] {
        ReportRow row;
        const QString sum = state.regional.formatCurrency(total->value());
        row.cells = {QString(), QString(), QString(), sum};
        row.html = {{QStringLiteral(" align=right colspan=4"), sum}};
        return QList<ReportRow>{row};
    };
    runReport(state, preview, report);
}

void ReportSellers(AppState& state, ReportPreview& preview)
{
    ReportDefinition report;
    report.query = QStringLiteral("Select * from boughtfrom order by boudesc");
    report.format = QStringLiteral("600|2880|1440|5650;");
    report.headingRow = QStringLiteral("Fav.|Seller|Phone|Notes;");
    report.title = QStringLiteral("Seller List");
    report.textFileName = QStringLiteral("Sellers.txt");
    report.htmlFileName = QStringLiteral("sellers.htm");
    report.htmlTitleLine = QStringLiteral("<head><title>Seller List</title></head>");
    report.htmlCaptionLine = QStringLiteral("<tr><th colspan=4>Seller List</th></tr>");
    report.htmlHeadingLines = {QStringLiteral("<tr><th>Favorite</th>"), QStringLiteral("<th>Seller</th>"),
                               QStringLiteral("<th>Phone</th>"), QStringLiteral("<th>Notes</tr>")};
    report.emptyMessage = QStringLiteral("You have not entered any Plonko Sellers!");
    report.row = [](const Recordset& rows) {
        const bool favourite = boolOf(rows.Fields(u"BouFav"_s));
        ReportRow row;
        row.cells = {favourite ? QStringLiteral(" * ") : QString(), field(rows, u"bouDesc"_s),
                     field(rows, u"BouPhone"_s), field(rows, u"bounotes"_s)};
        row.html = {{favourite ? QStringLiteral(" align=center") : QString(),
                     favourite ? QStringLiteral("*") : QString()},
                    {QString(), row.cells[1]},
                    {QString(), row.cells[2]},
                    {QString(), row.cells[3]}};
        return row;
    };
    runReport(state, preview, report);
}
