#include "CustomQuery.h"

#include "regional/RegionalSettings.h"
#include "regional/StringHelpers.h"
#include "store/JetSql.h"

namespace {

// A number the collector typed, as SQL writes it; nothing when it is none.
std::optional<QString> sqlNumber(const RegionalSettings& regional, const QString& typed)
{
    const std::optional<double> number = regional.toNumber(typed);
    if (!number)
        return std::nullopt;
    return QLocale::c().toString(*number, 'g', QLocale::FloatingPointShortest);
}

// A date as a query writes it, month first: #3/5/1998#.
QString dateLiteral(const QDate& date)
{
    return QStringLiteral("#%1/%2/%3#").arg(date.month()).arg(date.day()).arg(date.year());
}

// Joins the field's table to the tables so far, once each.
void join(QString& from, QStringList& joined, const CatalogueField& field)
{
    if (field.filename == QLatin1String("Plonko") || joined.contains(field.filename))
        return;
    joined.append(field.filename);
    QString link = field.Linkfield;
    const bool pair = link.contains(QLatin1Char(';'));
    const QString x = pair ? NthField(link, QStringLiteral(";"), 1) : link;
    const QString y = pair ? NthField(link, QStringLiteral(";"), 2) : link;
    from = QStringLiteral("(") + from + QStringLiteral(" left join ") + field.filename +
           QStringLiteral(" on Plonko.") + x + QStringLiteral(" = ") + field.filename + QLatin1Char('.') + y +
           QLatin1Char(')');
}

} // namespace

std::optional<CustomQuery> buildCustomQuery(const ReportSpecification& spec, const RegionalSettings& regional,
                                            double twipsPerUnit, QString* problem)
{
    CustomQuery query;
    QStringList select;
    QString conditions;
    QString from = QStringLiteral("Plonko");
    QStringList joined;
    QString headings;
    for (const qint32 id : spec.fields) {
        const CatalogueField& field = spec.field(id);
        const FieldSetting& setting = spec.setting(id);
        const QString& f = field.fieldname;
        if (!setting.Hide) {
            select.append(f);
            if (field.datatype == CatalogueField::Number)
                query.format += QLatin1Char('>');
            query.format += QString::number(setting.Width * twipsPerUnit, 'g', 7) + QLatin1Char('|');
            headings += field.Desc + QLatin1Char('|');
            query.shown.append(id);
        }
        switch (field.datatype) {
        case CatalogueField::Text:
            if (!setting.StartsWith.isEmpty())
                conditions += QStringLiteral(" and ") + f + QStringLiteral(" like ") +
                              JetSql::beginsWithPattern(setting.StartsWith);
            break;
        case CatalogueField::Number: {
            const std::pair<const QString*, const char*> bounds[] = {{&setting.LessThan, " < "},
                                                                     {&setting.GreaterThan, " > "}};
            for (const auto& [typed, op] : bounds) {
                if (typed->isEmpty())
                    continue;
                const std::optional<QString> number = sqlNumber(regional, *typed);
                if (!number) {
                    if (problem)
                        *problem = field.Desc;
                    return std::nullopt;
                }
                conditions += QStringLiteral(" and ") + f + QLatin1String(op) + *number;
            }
            break;
        }
        case CatalogueField::Date:
            if (setting.StartDate.isValid())
                conditions +=
                    QStringLiteral(" and ") + f + QStringLiteral(" >= ") + dateLiteral(setting.StartDate);
            if (setting.EndDate.isValid())
                conditions +=
                    QStringLiteral(" and ") + f + QStringLiteral(" <= ") + dateLiteral(setting.EndDate);
            break;
        case CatalogueField::YesNo:
            if (setting.WantTrue)
                conditions += QStringLiteral(" and ") + f;
            if (setting.WantFalse)
                conditions += QStringLiteral(" and not ") + f;
            break;
        case CatalogueField::Photo:
            break;
        }
        join(from, joined, field);
    }
    // a sort field need not be in the report: its table is joined all the same
    QString sort;
    for (const std::optional<qint32>& id : {spec.primarySort, spec.secondarySort}) {
        if (!id)
            continue;
        const CatalogueField& field = spec.field(*id);
        join(from, joined, field);
        sort += (sort.isEmpty() ? QStringLiteral(" order by ") : QStringLiteral(", ")) + field.fieldname;
    }
    if (!conditions.isEmpty())
        conditions.remove(0, 4);
    if (!query.format.isEmpty())
        query.format.chop(1);
    query.format += QLatin1Char(';');
    headings.chop(1);
    query.tableHeading = query.format + headings + QLatin1Char(';');
    query.sql =
        QStringLiteral("Select ") + select.join(QStringLiteral(", ")) + QStringLiteral(" from ") + from;
    if (!conditions.isEmpty())
        query.sql += QStringLiteral(" where ") + conditions;
    query.sql += sort;
    return query;
}
