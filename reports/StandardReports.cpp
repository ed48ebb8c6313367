#include "StandardReports.h"

#include "ReportRun.h"
#include "app/AppState.h"
#include "app/Recordset.h"

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
