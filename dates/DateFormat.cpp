#include "DateFormat.h"

#include "app/AppState.h"
#include "regional/StringHelpers.h"

#include <algorithm>

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
        const QString text = NthField(sample, state.DateSep, field);
        // the digits of the field, in whatever script the system writes them;
        // marks and suffixes around them ("1998 г.") do not count
        int n = 0;
        bool digits = false;
        for (qsizetype i = 0; i < text.size();) {
            const Digit digit = DigitAt(text, i);
            if (digit.length > 0) {
                // a value past 99 can only be a year: it stops growing at 100,
                // so that a long run of digits cannot overflow
                n = std::min(n * 10 + digit.value, 100);
                digits = true;
            }
            i += std::max<qsizetype>(digit.length, 1);
        }
        if (!digits && text.trimmed().isEmpty())
            break;
        // a field without digits can only be the month's name
        order += !digits || n == 5 ? QLatin1Char('m') : n == 30 ? QLatin1Char('d') : QLatin1Char('y');
    }
    // a sample that does not split into day, month and year: the order the
    // format's pattern names them in
    const bool complete = order.size() == 3 && order.contains(QLatin1Char('d')) &&
                          order.contains(QLatin1Char('m')) && order.contains(QLatin1Char('y'));
    state.DateOrder = complete ? order : state.regional.dateFieldOrder();
    if (state.DateOrder.size() != 3)
        state.DateOrder = QStringLiteral("mdy");
}

QString FormatDate(const AppState& state, int month, int day, int year)
{
    QString order = state.DateOrder;
    std::sort(order.begin(), order.end());
    if (order != QLatin1String("dmy"))
        return QStringLiteral("%1 %2 %3").arg(month).arg(day).arg(year);
    QStringList fields;
    for (const QChar field : state.DateOrder)
        fields.append(QString::number(field == u'm' ? month : field == u'd' ? day : year));
    return fields.join(QLatin1Char(' '));
}
