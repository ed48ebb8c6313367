#include "GroupedReports.h"

#include "MoneyTotal.h"
#include "ReportRun.h"
#include "app/AppState.h"
#include "frmRptSel.h"
#include "store/Recordset.h"

#include <QApplication>

#include <memory>

using namespace Qt::StringLiterals;

const GroupKind& groupKind(int kind)
{
    static const GroupKind series{
        u"Special Series Report"_s,
        u"All Series"_s,
        u"Selected Series"_s,
        u"select * from series order by serdesc"_s,
        u"serdesc"_s,
        u"serID"_s,
        56,
        u"Plonkos by Special Series"_s,
        u"Special Series"_s,
        u"<tr><th>Special Series</th>"_s,
        u"Select descr, CatNum, Quantity, name, serdesc from Plonko left join series on "
        "Plonko.serid = series.serid where not wantlist and not sold "_s,
        u"and Plonko.serid = "_s,
        u" order by serdesc, descr"_s,
        u"serdesc"_s};
    static const GroupKind brand{
        u"Brand Report"_s,
        u"All Brands"_s,
        u"Selected Brand"_s,
        u"select * from brand order by braDesc"_s,
        u"braDesc"_s,
        u"braID"_s,
        57,
        u"Plonkos by Brand"_s,
        u"Brand"_s,
        u"<tr><th>Brand</th>"_s,
        u"Select descr, CatNum, Quantity, name, braDesc from Plonko left join brand on "
        "Plonko.braID = brand.braID where not wantlist and not sold "_s,
        u"and Plonko.braID = "_s,
        u" order by braDesc, name, descr"_s,
        u"braDesc"_s};
    static const GroupKind seller{
        u"Seller Report"_s,
        u"All Sellers"_s,
        u"Selected Seller"_s,
        u"select * from boughtfrom order by bouDesc"_s,
        u"bouDesc"_s,
        u"bouID"_s,
        59,
        u"Plonkos by Seller"_s,
        u"Seller"_s,
        u"<tr><th>Bought From</th>"_s,
        u"Select descr, CatNum, Quantity, name, boudesc from Plonko left join boughtfrom on "
        "Plonko.bouid = boughtfrom.bouid where not wantlist and not sold "_s,
        u"and Plonko.bouid = "_s,
        u" order by boudesc, descr"_s,
        u"boudesc"_s};
    switch (kind) {
    case 3:
        return brand;
    case 2:
        return seller;
    default:
        return series;
    }
}

QString groupedQuery(const GroupKind& kind, qint32 groupID)
{
    // the one group's key is a whole number from the list's own data
    return kind.queryStart + (groupID == -1 ? QString() : kind.oneGroup + QString::number(groupID)) +
           kind.ordering;
}

void ReportGrouped(AppState& state, ReportPreview& preview)
{
    {
        frmRptSel choice(state, QApplication::activeWindow());
        state.dialogs.showModal(choice);
    }
    if (state.Cancelled)
        return;
    const GroupKind& kind = groupKind(state.GroupReportKind);
    ReportDefinition report;
    report.query = groupedQuery(kind, state.SelectedGroupID);
    report.format = u"2280|2780|2780|1440|>1240;"_s;
    report.headingRow = kind.groupHeading + u"|Name|Description|Cat #|Quantity;"_s;
    report.title = kind.title;
    report.textFileName = u"Plonko.txt"_s;
    report.htmlFileName = u"plonko.htm"_s;
    report.htmlTitleLine = u"<head><title>"_s + kind.title + u"</title></head>"_s;
    report.htmlCaptionLine = u"<tr><th colspan=5>"_s + kind.title + u"</th></tr>"_s;
    report.htmlHeadingLines = {kind.groupHeadingLine, u"<th>Name</th>"_s, u"<th>Description</th>"_s,
                               u"<th>Cat #</th>"_s, u"<th>Quantity</th></tr>"_s};
    report.emptyMessage = u"You have not entered any reportable Plonkos!"_s;
    auto total = std::make_shared<qint64>(0);
    report.row = [&kind, total](const Recordset& rows) {
        // an empty quantity counts as no pieces, and its cell stays empty
        const Value quantity = rows.Fields(u"quantity"_s);
        *total += reportQuantity(quantity, textOf(rows.Fields(u"Name"_s)));
        ReportRow row;
        row.cells = {textOf(rows.Fields(kind.groupField)), textOf(rows.Fields(u"Name"_s)),
                     textOf(rows.Fields(u"descr"_s)), textOf(rows.Fields(u"catnum"_s)), textOf(quantity)};
        row.closeHtmlRow = false;
        return row;
    };
    report.totals = [total] {
        const QString sum = QString::number(*total);
        ReportRow row;
        row.format = u"2280|>8240;"_s;
        row.cells = {u"Total Plonkos"_s, sum};
        row.textCells = {QString(), QString(), QString(), QString(), sum};
        row.html = {{QString(), row.cells[0]}, {u" align=right colspan=4"_s, sum}};
        return QList<ReportRow>{row};
    };
    runReport(state, preview, report);
}
