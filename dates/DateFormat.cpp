#include "DateFormat.h"

#include "app/AppState.h"
#include "app/StringHelpers.h"

void ChkDateFmt(AppState& state)
{
    const QString sample = state.regional.formatShortDate(QDate(1998, 5, 30));
    for (const QString& separator :
         {QStringLiteral("/"), QStringLiteral("."), QStringLiteral(" "), QStringLiteral("-")}) {
        if (sample.contains(separator)) {
            state.DateSep = separator;
            break;
        }
    }
    QString order;
    for (int field = 1; field <= 3 && !state.DateSep.isEmpty(); ++field) {
        const QString text = NthField(sample, state.DateSep, field).trimmed();
        if (text.isEmpty())
            break;
        bool isNumber = false;
        const int n = text.toInt(&isNumber);
        // a field that is no number can only be the month's name
        order += !isNumber || n == 5 ? QLatin1Char('m') : n == 30 ? QLatin1Char('d') : QLatin1Char('y');
    }
    state.DateOrder = order.size() == 3 ? order : QStringLiteral("mdy");
}

QString FormatDate(const AppState& state, int month, int day, int year)
{
    const QString m = QString::number(month), d = QString::number(day), y = QString::number(year);
    const QString& order = state.DateOrder;
    if (order == QLatin1String("dmy"))
        return d + QLatin1Char(' ') + m + QLatin1Char(' ') + y;
    if (order == QLatin1String("ymd"))
        return y + QLatin1Char(' ') + m + QLatin1Char(' ') + d;
    if (order == QLatin1String("ydm"))
        return y + QLatin1Char(' ') + d + QLatin1Char(' ') + m;
    return m + QLatin1Char(' ') + d + QLatin1Char(' ') + y;
}
