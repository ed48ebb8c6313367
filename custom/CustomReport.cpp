#include "CustomReport.h"

#include "CustomQuery.h"
#include "app/AppState.h"
#include "reports/MoneyTotal.h"
#include "reports/ReportRun.h"
#include "reports/TableString.h"
#include "reports/WebPhotos.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QHash>

#include <memory>

namespace {

// What a run needs of each shown field, looked up once.
struct Column
{
    QString desc;
    int kind;
    bool currency;
    bool showTotal;
};

struct Totals
{
    std::vector<MoneyTotal> money;
    std::vector<double> plain;
    // dates as shown, made once each: a collection repeats its dates often
    QHash<QDate, QString> dates;
};

} // namespace

void GenerateCustomReport(AppState& state, ReportPreview& preview, const ReportSpecification& spec,
                          const CustomOptions& options)
{
    Dialogs& dialogs = state.dialogs;
    if (spec.fields.isEmpty()) {
        dialogs.messageBox(QStringLiteral("You have not selected any fields to include in the report"));
        return;
    }
    QString problem;
    const std::optional<CustomQuery> query =
        buildCustomQuery(spec, state.regional, options.inches ? 1440.0 : 561.6, &problem);
    if (!query) {
        dialogs.messageBox(QStringLiteral("The bounds of '%1' must be numbers.").arg(problem));
        return;
    }
    if (query->shown.isEmpty()) {
        dialogs.messageBox(
            QStringLiteral("Every field of the report is hidden. Show at least one field to make a "
                           "report."));
        return;
    }
    auto columns = std::make_shared<std::vector<Column>>();
    for (const qint32 id : query->shown) {
        const CatalogueField& field = spec.field(id);
        const FieldSetting& setting = spec.setting(id);
        columns->push_back({field.Desc, field.datatype, setting.IsCurrency,
                            field.datatype == CatalogueField::Number && setting.ShowTotal});
    }
    auto totals = std::make_shared<Totals>();
    totals->money.resize(columns->size());
    totals->plain.resize(columns->size());

    ReportDefinition report;
    report.query = query->sql;
    report.format = query->format;
    report.headingRow = query->tableHeading.mid(query->format.size());
    report.title = options.title;
    report.textFileName = QStringLiteral("Plonko.txt");
    report.htmlFileName = QStringLiteral("Plonko.htm");
    const QString title = options.title.toHtmlEscaped();
    report.htmlTitleLine = QStringLiteral("<head><title>") + title + QStringLiteral("</title></head>");
    report.htmlCaptionLine =
        QStringLiteral("<tr><th colspan = %1>").arg(columns->size()) + title + QStringLiteral("</th></tr>");
    QString headings;
    for (const Column& column : *columns)
        headings += QStringLiteral("<th>") + column.desc + QStringLiteral("</th>");
    report.htmlHeadingLines = {QStringLiteral("<tr>"), headings + QStringLiteral("</tr>")};
    report.emptyMessage =
        QStringLiteral("No Plonkos have been entered that may be included in the specified report");
    report.destination = options.destination;
    report.landscape = options.landscape;
    report.pageHeader = (options.showDate ? state.regional.formatShortDate(state.today()) : QString()) +
                        QLatin1Char('|') + TableString::headerLiteral(options.title) + QLatin1Char('|') +
                        (options.pageNumbers == 1 ? QStringLiteral("Page %d") : QString());
    report.pageFooter = options.pageNumbers == 0 ? QStringLiteral("|Page %d|") : QString();
    report.chosenQuery = true;
    const RegionalSettings& regional = state.regional;
    // the main photos, read once when the report shows them
    auto photos = std::make_shared<QHash<qint64, PhotoTables::MainPhoto>>();
    if (std::any_of(columns->begin(), columns->end(),
                    [](const Column& column) { return column.kind == CatalogueField::Photo; }))
        *photos = state.db().OpenPhotoTables()->mainPhotos();
    report.row = [&regional, columns, totals, photos](const Recordset& rows) {
        ReportRow row;
        for (std::size_t i = 0; i < columns->size(); ++i) {
            const Column& column = (*columns)[i];
            // the shown fields lead the select list, in column order
            const Value value = rows.FieldAt(int(i));
            QString cell;
            switch (column.kind) {
            case CatalogueField::Number:
                if (isNull(value))
                    break;
                if (column.currency) {
                    const Money amount = reportAmount(value, column.desc);
                    cell = regional.formatCurrency(amount);
                    if (column.showTotal)
                        totals->money[i].add(amount, column.desc);
                } else {
                    cell = textOf(value);
                    if (column.showTotal)
                        totals->plain[i] += std::visit(
                            [](const auto& v) -> double {
                                using T = std::decay_t<decltype(v)>;
                                if constexpr (std::is_same_v<T, qint32> || std::is_same_v<T, double>)
                                    return double(v);
                                else if constexpr (std::is_same_v<T, Money>)
                                    return v.toDouble();
                                else
                                    return 0;
                            },
                            value);
                }
                break;
            case CatalogueField::Date:
                if (const std::optional<QDate> date = dateOf(value)) {
                    auto shown = totals->dates.constFind(*date);
                    if (shown == totals->dates.cend())
                        shown = totals->dates.insert(*date, regional.formatShortDate(*date));
                    cell = shown.value();
                }
                break;
            case CatalogueField::YesNo:
                cell = boolOf(value) ? QStringLiteral("Yes") : QStringLiteral("No");
                break;
            case CatalogueField::Photo:
                if (const auto photo = photos->constFind(longOf(value).value_or(0));
                    photo != photos->cend()) {
                    cell = WebPhotos::fileName(photo->listed);
                    row.photos.push_back({qsizetype(i), photo->size, photo->listed});
                }
                break;
            default:
                cell = textOf(value);
            }
            row.cells.append(cell);
        }
        return row;
    };
    report.totals = [&regional, columns, totals] {
        QList<ReportRow> rows;
        if (std::none_of(columns->begin(), columns->end(), [](const Column& c) { return c.showTotal; }))
            return rows;
        ReportRow row;
        row.htmlLine = QStringLiteral("<tr>");
        for (std::size_t i = 0; i < columns->size(); ++i) {
            const Column& column = (*columns)[i];
            QString cell;
            if (column.showTotal)
                cell = column.currency ? regional.formatCurrency(totals->money[i].value())
                                       : textOf(Value(totals->plain[i]));
            row.cells.append(cell);
            row.htmlLine += column.showTotal ? QStringLiteral("<td align=right>") + cell.toHtmlEscaped() +
                                                   QStringLiteral("</td>")
                                             : QStringLiteral("<TD>&nbsp;</TD>");
        }
        row.htmlLine += QStringLiteral("</tr>");
        rows.append(row);
        return rows;
    };
    runReport(state, preview, report);
}
